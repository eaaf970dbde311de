#pragma once

// Every word the user reads about a failure or the time of a check, made from what the engine
// reports. Messages are UTF-8.

#include <QString>
#include <exception>
#include <string>
#include <string_view>

#include "DataFolder.h"
#include "FileError.h"
#include "Platform.h"

namespace morvane {

inline constexpr const char* TimerUnavailableMessage = "ﾀｲﾏｰを取得できません";

// "ﾌｧｲﾙ <path> は開けません", "ﾌｧｲﾙ <path> を作成できません" or "<path> に書き込めません".
std::string fileErrorMessage(const FileError& error);

// The message for an error that ended a command: a FileError in words, any other error's own
// text.
std::string userMessage(const std::exception& error);

// Why no folder for the settings and the watch list could be had; empty when one was.
std::string dataFolderMessage(const DataFolder& folder);

// The content view's error for a file: the Shift-JIS path's last part, without trailing
// blanks, followed by " はファイルを開けません。".
std::string contentErrorMessage(const TextCodec& codec, std::string_view sjisPath);

// Status bar panel 0: "監視時刻： hh:mm:ss" of the check's start.
QString lastCheckText(const LocalDateTime& started);
// Status bar panel 1: "現在時刻： yyyy/mm/dd hh:mm" of the check's end.
QString clockText(const LocalDateTime& finished);

}  // namespace morvane
