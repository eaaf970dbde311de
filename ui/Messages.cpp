#include "Messages.h"

#include <algorithm>

#include "SjisPath.h"

namespace morvane {

namespace {

// Appends the value's last `count` decimal digits, with leading zeros.
void appendDigits(QString& text, int value, int count) {
    const qsizetype at = text.size();
    text.resize(at + count);
    value = std::max(value, 0);
    for (int i = count - 1; i >= 0; --i, value /= 10) text[at + i] = QChar(u'0' + value % 10);
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
// Built digit by digit: both are made at every check.
QString lastCheckText(const LocalDateTime& started) {
    QString text = QStringLiteral("監視時刻： ");
    appendDigits(text, started.hour, 2);
    text += u':';
    appendDigits(text, started.minute, 2);
    text += u':';
    appendDigits(text, started.second, 2);
    return text;
}

QString clockText(const LocalDateTime& finished) {
    QString text = QStringLiteral("現在時刻： ");
    appendDigits(text, finished.year, 4);
    text += u'/';
    appendDigits(text, finished.month, 2);
    text += u'/';
    appendDigits(text, finished.day, 2);
    text += u' ';
    appendDigits(text, finished.hour, 2);
    text += u':';
    appendDigits(text, finished.minute, 2);
    return text;
}

}  // namespace morvane
