#include "Messages.h"

#include "SjisPath.h"

namespace morvane {

namespace {

QString twoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

}  // namespace

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

// The engine holds every part of the times to its range, so each keeps its width.
QString lastCheckText(const LocalDateTime& started) {
    return QStringLiteral("監視時刻： ") + twoDigits(started.hour) + u':' +
           twoDigits(started.minute) + u':' + twoDigits(started.second);
}

QString clockText(const LocalDateTime& finished) {
    return QStringLiteral("現在時刻： ") +
           QStringLiteral("%1").arg(finished.year, 4, 10, QLatin1Char('0')) + u'/' +
           twoDigits(finished.month) + u'/' + twoDigits(finished.day) + u' ' +
           twoDigits(finished.hour) + u':' + twoDigits(finished.minute);
}

}  // namespace morvane
