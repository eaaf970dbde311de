#pragma once

// PanelView: the text of the selected row's file, in a read-only box (MemoList) under the
// table.

#include <QFrame>
#include <cstdint>

class QPlainTextEdit;

namespace morvane {

class ContentView : public QFrame {
    Q_OBJECT
public:
    explicit ContentView(QWidget* parent = nullptr);

    // 0x00BBGGRR colours of the box's ground and its text.
    void setColours(std::int32_t back, std::int32_t text);

    // Shows the text from its start, its lines broken at word boundaries where they can be.
    void showText(const QString& text);

private:
    QPlainTextEdit* text_;
};

}  // namespace morvane
