#pragma once

// Every word the user reads about a failure, the time of a check or a file's state, made from
// what the engine reports. Messages are UTF-8.

#include <QString>
#include <QStringList>
#include <exception>
#include <string>
#include <string_view>

#include "DataFolder.h"
#include "FileError.h"
#include "Ordering.h"
#include "Platform.h"
#include "StatusRecord.h"

namespace morvane {

inline constexpr const char* TimerUnavailableMessage = "ﾀｲﾏｰを取得できません";

// The content view's error box: its caption, and its message when no row is selected.
inline const QString ContentErrorCaption = QStringLiteral("ｴﾗｰ");
inline constexpr const char* NoFileSelectedMessage = "表示するファイルを選択されていません。";

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

// The main window's error when the desktop's opener could not be started for a file or a
// folder (a native path): "<path> を開けません".
std::string openFailedMessage(const std::string& nativePath);

// The summary of the desktop notification of changed files.
inline constexpr const char* ChangeNotificationSummary = "ファイルが更新されました";
// Its body: the names of the first five changed files, one a line, then "他 N 件" for the rest.
QString changedFilesText(const QStringList& names);

// Status bar panel 0: "監視時刻： hh:mm:ss" of the check's start.
QString lastCheckText(const LocalDateTime& started);
// Status bar panel 1: "現在時刻： yyyy/mm/dd hh:mm" of the check's end.
QString clockText(const LocalDateTime& finished);

// A record's state in words, for a screen reader and a row's tooltip: "今回変更" (changed at
// this check), "前回変更" (at the one before), "本日更新" (modified today), "見つかりません" (not
// found), "応答待ち" (no answer yet since the watch list was read), "変更なし" (none of these).
QString stateWords(RecordState state);
// A row's tooltip: its file's full path, then its state in words on a line of its own, its
// whole size where it has one ("サイズ: 1,234 バイト", which a narrow column cuts), and where its
// file has not answered its lookups, since when: "yyyy/mm/dd hh:mm:ss から応答なし".
QString recordToolTip(const QString& path, RecordState state, const QString& size,
                      const LocalDateTime* unansweredSince);
// Drawn at the left of a size its column is too narrow for.
inline const QString CutSizeMark = QStringLiteral("…");
// Status bar panel 2: "応答なし: N 件" while N files have not answered; empty when all have.
QString unansweredText(std::size_t files);
// What the content view shows while a file takes long to load.
inline const QString LoadingText = QStringLiteral("読み込み中…");
// What the content view says in place of copying a selection larger than the clipboard takes:
// "選択が大きすぎるためコピーできません（上限 N MiB）".
QString copyTooLargeMessage(std::int64_t limitBytes);
// The content view's menu.
inline const QString ContentCopyItemText = QStringLiteral("コピー(&C)");
inline const QString ContentSelectAllItemText = QStringLiteral("すべて選択(&A)");
// How the sort column of the header sorts, for a screen reader.
QString sortWords(SortOrder order);

// What the list shows, and gives a screen reader as its description, while it has no rows.
inline const QString EmptyListText = QStringLiteral(
    "監視するファイルがありません\n"
    "設定(E) → 監視ファイル設定(F) で追加するか、ファイルをここにドロップしてください");

// Why a file or a name is not added to the watch list, and the limit of ticked entries, as the
// editor and the main window say them.
inline const QString PathNotSjisMessage =
    QStringLiteral("ファイル名に Shift-JIS で表せない文字が含まれているため、追加できません。");
inline const QString NameNotSjisMessage =
    QStringLiteral("名前に Shift-JIS で表せない文字が含まれているため、追加できません。");
// "<path> はフォルダのため、追加できません。"
QString folderRefusedMessage(const QString& nativePath);
// The editor's OK where the watch list could not be read when it opened: "ﾌｧｲﾙ <path> を読み
// 込めなかったため、保存しません。…"
QString unreadListNotSavedMessage(const QString& path);
// "有効なファイルが N 件あります。監視するのは先頭の 100 件だけです。"
QString tooManyTickedMessage(std::size_t ticked);

}  // namespace morvane
