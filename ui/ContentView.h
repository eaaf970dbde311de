#pragma once

// PanelView: the text of the selected row's file in a read-only box (MemoList) under the
// table, with a find bar under the text that Ctrl+F opens. The box never holds the file: it
// asks the file's LogReader for the lines it shows, and decodes and lays out only those.

#include <QFrame>
#include <QString>
#include <cstdint>
#include <memory>

class QLabel;
class QLineEdit;
class QTimer;

namespace morvane {

class LogReader;
class LogTextArea;
class TextCodec;

class ContentView : public QFrame {
    Q_OBJECT
public:
    explicit ContentView(QWidget* parent = nullptr);
    ~ContentView() override;

    // The codec of Shift-JIS text, used on the window's thread only.
    void setCodec(const TextCodec& codec);
    // 0x00BBGGRR colours of the box's ground and its text.
    void setColours(std::int32_t back, std::int32_t text);

    // Shows the file the reader reads, from its start; no line is marked. keepEnd: where the
    // box showed the end of its text, it shows the end of this one. The box then follows the
    // reader's changes by itself: what a follow adds is drawn on a ground of its own until the
    // next change, with the end kept in view where it was; a file read anew shows from its
    // start, or its end where the end was in view.
    void showFile(std::shared_ptr<LogReader> reader, bool keepEnd = false);
    // Shows a text of the program's own in place of a file's.
    void showText(const QString& text);

private:
    void openFindBar();
    void closeFindBar();
    // Selects the next (or previous) place of the find box's text, from the selection on,
    // going round from the other end when there is none before the end.
    void find(bool backward);
    void showNote(const QString& text);

    LogTextArea* text_;
    QWidget* findBar_;
    QLineEdit* findBox_;
    QLabel* note_;
    QTimer* noteTimer_;
};

}  // namespace morvane
