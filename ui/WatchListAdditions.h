#pragma once

// Files handed to Morvane by their paths (dropped on the editor or the main window, named on the
// command line) become ticked watch list entries by the same rules wherever they come from.

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>

#include "Platform.h"
#include "UiHooks.h"

class QMimeData;
class QWidget;

namespace morvane {

using ShowMessage = std::function<void(QMessageBox::Icon icon, const QString& text)>;

// The hooks' showMessage, or a modal box captioned "Morvane" over the parent.
ShowMessage messageShower(const UiHooks& hooks, QWidget* parent);

// The local files a drag offers, as native paths; its other addresses are left out.
QStringList draggedFiles(const QMimeData& data);

// The Shift-JIS path under which the file is watched. nullopt, the user told, for a folder and
// for a path Shift-JIS cannot hold.
std::optional<std::string> watchablePath(const TextCodec& codec, const QString& nativePath,
                                         const ShowMessage& showMessage);

// Adds each file to the watch list at listPath as a ticked entry (addFileEntry: none twice) and,
// where that changed the list, writes it in one step and says when more than MaxWatched entries
// are ticked. True when the list was written. Throws FileError when the list cannot be read
// (nothing is written then) or written.
bool addFilesToWatchList(Platform& platform, const std::string& listPath,
                         const QStringList& nativePaths, const ShowMessage& showMessage);

}  // namespace morvane
