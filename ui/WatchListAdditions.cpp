#include "WatchListAdditions.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "Messages.h"
#include "PathWork.h"
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

QStringList markFolders(const QStringList& nativePaths, std::chrono::milliseconds wait) {
    // Shared with the thread, which may outlive this call when a path hangs.
    struct Answers {
        std::mutex mutex;
        std::condition_variable answered;
        std::vector<bool> folder;  // one per path answered, in order
    };
    const auto answers = std::make_shared<Answers>();
    const bool started = startDetachedThread([answers, paths = nativePaths] {
        for (const QString& path : paths) {
            const bool folder = QFileInfo(path).isDir();
            const std::lock_guard<std::mutex> lock(answers->mutex);
            answers->folder.push_back(folder);
            answers->answered.notify_all();
        }
    });
    if (!started) return nativePaths;  // every path is taken for a file
    std::unique_lock<std::mutex> lock(answers->mutex);
    answers->answered.wait_for(
        lock, wait, [&] { return answers->folder.size() == std::size_t(nativePaths.size()); });
    QStringList marked = nativePaths;
    for (std::size_t i = 0; i < answers->folder.size(); ++i)
        if (answers->folder[i] && !marked[qsizetype(i)].endsWith(QLatin1Char('/')))
            marked[qsizetype(i)] += QLatin1Char('/');
    return marked;
}

std::optional<std::string> watchablePath(const TextCodec& codec, const QString& nativePath,
                                         const ShowMessage& showMessage) {
    if (nativePath.endsWith(QLatin1Char('/'))) {
        QString folder = nativePath;
        while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
        showMessage(QMessageBox::Warning, folderRefusedMessage(folder));
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
    saveTellingTicked(platform.files, listPath, entries, showMessage);
    return true;
}

void saveTellingTicked(FileSystem& files, const std::string& listPath,
                       const std::vector<EditorEntry>& entries, const ShowMessage& showMessage) {
    saveWatchList(files, listPath, entries);
    const std::size_t ticked = tickedCount(entries);
    if (ticked > MaxWatched) showMessage(QMessageBox::Information, tooManyTickedMessage(ticked));
}

}  // namespace morvane
