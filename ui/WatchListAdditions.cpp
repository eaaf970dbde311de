#include "WatchListAdditions.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "Messages.h"
#include "QtText.h"
#include "WatchListFile.h"

namespace morvane {

ShowMessage messageShower(const UiHooks& hooks, QWidget* parent) {
    if (hooks.showMessage) return hooks.showMessage;
    return [parent](QMessageBox::Icon icon, const QString& text) {
        QMessageBox box(icon, QStringLiteral("Morvane"), text, QMessageBox::Ok, parent);
        box.exec();
    };
}

QStringList draggedFiles(const QMimeData& data) {
    QStringList paths;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile()) paths << QDir::toNativeSeparators(url.toLocalFile());
    return paths;
}

std::optional<std::string> watchablePath(const TextCodec& codec, const QString& nativePath,
                                         const ShowMessage& showMessage) {
    // The file was dragged from the user's own file manager or named in a terminal a moment
    // ago: its file system has just answered, so asking it once more does not make the window
    // wait.
    if (QFileInfo(nativePath).isDir()) {
        showMessage(QMessageBox::Warning, folderRefusedMessage(nativePath));
        return std::nullopt;
    }
    std::string sjisPath;
    if (!toSjisExactly(codec, nativePath, sjisPath)) {
        showMessage(QMessageBox::Warning, PathNotSjisMessage);
        return std::nullopt;
    }
    return sjisPath;
}

bool addFilesToWatchList(Platform& platform, const std::string& listPath,
                         const QStringList& nativePaths, const ShowMessage& showMessage) {
    if (nativePaths.isEmpty()) return false;
    std::vector<EditorEntry> entries = loadEditorEntries(platform.files, listPath);
    bool changed = false;
    for (const QString& path : nativePaths) {
        const std::optional<std::string> sjisPath =
            watchablePath(platform.codec, path, showMessage);
        if (sjisPath && addFileEntry(entries, *sjisPath)) changed = true;
    }
    if (!changed) return false;
    saveWatchList(platform.files, listPath, entries);
    const std::size_t ticked = tickedCount(entries);
    if (ticked > MaxWatched) showMessage(QMessageBox::Information, tooManyTickedMessage(ticked));
    return true;
}

}  // namespace morvane
