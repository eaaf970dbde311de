#pragma once

// The content view's commands: the view opens under the table on the chosen row's file, which
// is loaded away from the window's thread and followed from check to check, and closes again.

#include <QObject>
#include <memory>
#include <string>

#include "FollowedFile.h"
#include "Platform.h"
#include "UiHooks.h"

class QMainWindow;

namespace morvane {

struct CheckOutcome;
class CheckRunner;
class ContentLoader;
class ContentView;
class LogReader;
class RecordListView;

class ContentViewer : public QObject {
    Q_OBJECT
public:
    // The view opens in the window, under tablePanel, on the rows of list; files: the file
    // system the loads read through, shared with their threads.
    ContentViewer(QMainWindow& window, QWidget& tablePanel, ContentView& view, RecordListView& list,
                  const CheckRunner& checks, const TextCodec& codec,
                  std::shared_ptr<const FileSystem> files, const UiHooks& hooks);

    bool isOpen() const { return open_; }
    // The height the view takes when it opens.
    int openingHeight() const { return openingHeight_; }
    void setOpeningHeight(int height) { openingHeight_ = height; }

    // 内容表示: opens the view on the selected row's file, or closes it; without a selected row
    // the error box says so.
    void toggle();
    // While open, the view loads the row the user chose; the last row chosen wins.
    void showSelectedRow();
    // After a check that found the followed file changed: reads it again into the view, which
    // keeps its place and marks what is new.
    void followFile(const CheckOutcome& outcome);

signals:
    void openChanged(bool open);

private:
    // opening: the view opens once the load ends without error, or once it has run long
    // enough to say so.
    void load(int row, bool opening);
    void onLoaded(const std::shared_ptr<LogReader>& reader);
    void onFailed(const std::string& sjisPath);
    void openIfAsked();
    void open();
    void close();
    bool fillsScreen() const;
    // A modal box captioned "ｴﾗｰ" with the error icon, the message and one OK button, centred
    // on the screen.
    void showError(const std::string& utf8Message);

    QMainWindow& window_;
    QWidget& tablePanel_;
    ContentView& view_;
    RecordListView& list_;
    const CheckRunner& checks_;
    const TextCodec& codec_;
    UiHooks hooks_;
    ContentLoader* loader_;
    FollowedFile followed_;  // the file the view shows
    int openingHeight_ = 200;
    bool open_ = false;
    bool loadOpens_ = false;    // the load under way opens the view
    bool loadFollows_ = false;  // it reads the followed file again
};

}  // namespace morvane
