#include "Messages.h"

#include <algorithm>
#include <initializer_list>

#include "SjisPath.h"

namespace morvane {

namespace {

// A number of `count` decimal digits, with leading zeros, after the separator `before`
// (none where it is 0).
struct Digits {
    char16_t before;
    int value;
    int count;
};

// The text followed by each number, built digit by digit: the status texts are made at every
// check.
QString withDigits(QString text, std::initializer_list<Digits> numbers) {
    for (const Digits& number : numbers) {
        if (number.before) text += QChar(number.before);
        const qsizetype at = text.size();
        text.resize(at + number.count);
        int value = std::max(number.value, 0);
        for (int i = number.count - 1; i >= 0; --i, value /= 10)
            text[at + i] = QChar(u'0' + value % 10);
    }
    return text;
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
    return withDigits(QStringLiteral("監視時刻： "),
                      {{0, started.hour, 2}, {u':', started.minute, 2}, {u':', started.second, 2}});
}

QString clockText(const LocalDateTime& finished) {
    return withDigits(QStringLiteral("現在時刻： "), {{0, finished.year, 4},
                                                      {u'/', finished.month, 2},
                                                      {u'/', finished.day, 2},
                                                      {u' ', finished.hour, 2},
                                                      {u':', finished.minute, 2}});
}

}  // namespace morvane
