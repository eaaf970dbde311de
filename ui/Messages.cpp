#include "Messages.h"

#include "SjisPath.h"
#include "WatchListFile.h"

namespace morvane {

std::string fileErrorMessage(const FileError& error) {
    switch (error.kind()) {
        case FileError::CannotOpenWatchList:
            return "ﾌｧｲﾙ " + error.path() + " は開けません";
        case FileError::CannotCreateWatchList:
            return "ﾌｧｲﾙ " + error.path() + " を作成できません";
        case FileError::CannotWriteSettings:
            break;
    }
    return error.path() + " に書き込めません";
}

std::string userMessage(const std::exception& error) {
    if (const auto* fileError = dynamic_cast<const FileError*>(&error))
        return fileErrorMessage(*fileError);
    return error.what();
}

std::string dataFolderMessage(const DataFolder& folder) {
    switch (folder.failure) {
        case DataFolderFailure::NoHome:
            return "ﾎｰﾑﾌｫﾙﾀﾞが分からないため、設定を保存できません";
        case DataFolderFailure::CannotUseFolder:
            return "ﾌｫﾙﾀﾞ " + folder.failedPath + " に書き込めません";
        case DataFolderFailure::CannotCopyFile:
            return "ﾌｧｲﾙ " + folder.failedPath + " を作成できません";
        case DataFolderFailure::None:
            break;
    }
    return {};
}

std::string contentErrorMessage(const TextCodec& codec, std::string_view sjisPath) {
    std::string name;
    codec.toUtf8(lastPart(withoutTrailingBlanks(sjisPath)), name);
    return name + " はファイルを開けません。";
}

std::string openFailedMessage(const std::string& nativePath) {
    return nativePath + " を開けません";
}

QString changedFilesText(const QStringList& names) {
    constexpr qsizetype Named = 5;
    QStringList lines = names.mid(0, Named);
    if (names.size() > Named) lines << QStringLiteral("他 %1 件").arg(names.size() - Named);
    return lines.join(u'\n');
}

// The engine holds every part of the times to its range, so each keeps its width.
QString lastCheckText(const LocalDateTime& started) {
    return QString::asprintf("監視時刻： %02d:%02d:%02d", started.hour, started.minute,
                             started.second);
}

QString clockText(const LocalDateTime& finished) {
    return QString::asprintf("現在時刻： %04d/%02d/%02d %02d:%02d", finished.year, finished.month,
                             finished.day, finished.hour, finished.minute);
}

QString stateWords(RecordState state) {
    switch (state) {
        case RecordState::NewUp:
            return QStringLiteral("今回変更");
        case RecordState::NewUp2:
            return QStringLiteral("前回変更");
        case RecordState::TodayUp:
            return QStringLiteral("本日更新");
        case RecordState::NotFound:
            return QStringLiteral("見つかりません");
        case RecordState::Waiting:
            return QStringLiteral("応答待ち");
        case RecordState::Normal:
            break;
    }
    return QStringLiteral("変更なし");
}

QString recordToolTip(const QString& path, RecordState state, const QString& size,
                      const LocalDateTime* unansweredSince) {
    QString tip = path + u'\n' + stateWords(state);
    if (!size.isEmpty()) tip += QStringLiteral("\nサイズ: %1 バイト").arg(size);
    if (unansweredSince)
        tip +=
            QString::asprintf("\n%04d/%02d/%02d %02d:%02d:%02d から応答なし", unansweredSince->year,
                              unansweredSince->month, unansweredSince->day, unansweredSince->hour,
                              unansweredSince->minute, unansweredSince->second);
    return tip;
}

QString unansweredText(std::size_t files) {
    return files == 0 ? QString() : QStringLiteral("応答なし: %1 件").arg(files);
}

QString sortWords(SortOrder order) {
    return order == SortOrder::Ascending ? QStringLiteral("昇順で並べ替え")
                                         : QStringLiteral("降順で並べ替え");
}

QString folderRefusedMessage(const QString& nativePath) {
    return QStringLiteral("%1 はフォルダのため、追加できません。").arg(nativePath);
}

QString unreadListNotSavedMessage(const QString& path) {
    return QStringLiteral(
               "ﾌｧｲﾙ %1 を読み込めなかったため、保存しません。"
               "保存すると中の一覧が失われます。キャンセルで閉じてください。")
        .arg(path);
}

QString tooManyTickedMessage(std::size_t ticked) {
    return QStringLiteral("有効なファイルが %1 件あります。監視するのは先頭の %2 件だけです。")
        .arg(ticked)
        .arg(MaxWatched);
}

QString copyTooLargeMessage(std::int64_t limitBytes) {
    return QStringLiteral("選択が大きすぎるためコピーできません（上限 %1 MiB）")
        .arg(limitBytes / (1024 * 1024));
}

}  // namespace morvane
