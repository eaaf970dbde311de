#pragma once

// Files handed to Morvane by their paths (dropped on the editor or the main window, named on the
// command line) become ticked watch list entries by the same rules wherever they come from.

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "Platform.h"
#include "UiHooks.h"

class QMimeData;
class QWidget;

namespace morvane {

using ShowMessage = std::function<void(QMessageBox::Icon icon, const QString& text)>;

// Writes the entries as the watch list in one step (throws where it cannot), then says when
// more entries are ticked than MaxWatched.
void saveTellingTicked(FileSystem& files, const std::string& listPath,
                       const std::vector<EditorEntry>& entries, const ShowMessage& showMessage);

// The hooks' showMessage, or a modal box captioned "Morvane" over the parent.
ShowMessage messageShower(const UiHooks& hooks, QWidget* parent);

// The local files a drag offers, as native paths; its other addresses are left out.
QStringList draggedFiles(const QMimeData& data);

// How long a start waits to learn which of the paths it was given are folders, and a drop on a
// window for the same of its paths: a drop comes from a file manager that has just listed them.
inline constexpr std::chrono::milliseconds StartAnswerWait{2000};
inline constexpr std::chrono::milliseconds DropAnswerWait{100};

// The paths with a "/" after each that names a folder, so that watchablePath() refuses it
// without asking the file system again. The file system is asked on a thread of its own and
// waited for at most `wait`: a path whose file system has not answered by then is taken for a
// file (its lookups will show whether it answers), and the thread goes on alone.
QStringList markFolders(const QStringList& nativePaths, std::chrono::milliseconds wait);

// The Shift-JIS path under which the file is watched. nullopt, the user told, for a path
// markFolders() marked as a folder and for a path Shift-JIS cannot hold. Asks no file system:
// a path handed over may be on a share that does not answer.
std::optional<std::string> watchablePath(const TextCodec& codec, const QString& nativePath,
                                         const ShowMessage& showMessage);

// Adds each file to the watch list at listPath as a ticked entry (addFileEntry: none twice) and,
// where that changed the list, writes it in one step and says when more than MaxWatched entries
// are ticked. True when the list was written. Throws FileError when the list cannot be read
// (nothing is written then) or written.
bool addFilesToWatchList(Platform& platform, const std::string& listPath,
                         const QStringList& nativePaths, const ShowMessage& showMessage);

}  // namespace morvane
