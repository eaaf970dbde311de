#pragma once

// PanelView: the text of the selected row's file, in a read-only box (MemoList) under the
// table, with a find bar under the text that Ctrl+F opens.

#include <QFrame>
#include <QString>
#include <QTextDocument>
#include <QTextOption>
#include <cstdint>

class QLineEdit;
class QPlainTextEdit;

namespace morvane {

class ContentView : public QFrame {
    Q_OBJECT
public:
    explicit ContentView(QWidget* parent = nullptr);

    // 0x00BBGGRR colours of the box's ground and its text.
    void setColours(std::int32_t back, std::int32_t text);

    // Shows the text from its start, its lines broken at word boundaries where they can be. No
    // line is marked.
    void showText(const QString& text);

    // Shows the text of the file shown, read again. The first visible line stays where it was,
    // or the end stays in view when it was; a text shorter than the one shown, or one that
    // starts with none of its lines, shows from its start. The lines the text shown before did
    // not have (those after the lines both start with and before the lines both end with) are
    // drawn on a ground of their own until the next text.
    void reloadText(const QString& text);

private:
    void setText(const QString& text, QTextOption::WrapMode wrap);
    // Marks the lines (block numbers) from first to last; none when last < first.
    void markLines(int first, int last);
    void openFindBar();
    void closeFindBar();
    // Selects the next (or previous) place the find box's text is found, from the selection
    // on, going round from the other end when there is none before the end.
    void find(QTextDocument::FindFlags direction);

    QPlainTextEdit* text_;
    QWidget* findBar_;
    QLineEdit* findBox_;
    QString shown_;  // the text shown, which a reload is compared with
};

}  // namespace morvane
