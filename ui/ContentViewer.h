#pragma once

// The content view's commands: the view opens under the table on the chosen row's file, which
// is loaded away from the window's thread and followed from check to check by its path, and
// closes again. The window gives the view its place.

#include <QObject>
#include <memory>
#include <optional>
#include <string>

#include "Platform.h"
#include "UiHooks.h"
#include "Watch.h"

namespace morvane {

class ContentLoader;
class ContentView;
class LogReader;
class RecordListView;

class ContentViewer : public QObject {
    Q_OBJECT
public:
    // The view shows the files of the watch's rows, chosen in list; files: the file system the
    // loads read through, shared with their threads.
    ContentViewer(ContentView& view, RecordListView& list, const Watch& watch,
                  const TextCodec& codec, std::shared_ptr<const FileSystem> files,
                  const UiHooks& hooks, QObject* parent);

    bool isOpen() const { return open_; }

    // 内容表示: opens the view on the selected row's file, or closes it; without a selected row
    // the error box says so.
    void toggle();
    // While open, the view loads the row the user chose; the last row chosen wins.
    void showSelectedRow();
    // After each check: where the followed file's size or time stamp changed while it
    // answered, reads it again into the view, which keeps its place and marks what is new. A
    // file no longer watched is followed no more.
    void followFile(const CheckOutcome& outcome);

signals:
    // The view is to open or close: the window places it and shows or hides it.
    void openChanged(bool open);

private:
    // opening: the view opens once the load ends without error, or once it has run long
    // enough to say so.
    void load(int row, bool opening);
    void onLoaded(const std::shared_ptr<LogReader>& reader);
    void onFailed();
    void openIfAsked();
    void close();
    void showError(const std::string& utf8Message);

    ContentView& view_;
    RecordListView& list_;
    const Watch& watch_;
    const TextCodec& codec_;
    UiHooks hooks_;
    ContentLoader* loader_;
    // The file the view shows: its native path (none: its path names no file) and the path its
    // watch list line gives, for the messages.
    std::optional<std::string> followed_;
    std::string followedSjisPath_;
    bool open_ = false;
    bool loadOpens_ = false;    // the load under way opens the view
    bool loadFollows_ = false;  // it reads the followed file again
};

}  // namespace morvane
