#pragma once

// One panel of the status bar: a plain-text label of fixed size whose text changes at every
// check.

#include <QLabel>

namespace morvane {

// A panel keeps its design width, and grows past it only where its text in the current font
// (a larger one, or one a style sheet sets) would not fit: the time is never cut. A panel
// of design width 0 takes whatever width the status bar leaves it.
class StatusPanel : public QLabel {
    Q_OBJECT
public:
    // bevel: a sunken frame around the panel.
    StatusPanel(int designWidth, int height, bool bevel, QWidget* parent = nullptr);

    void showText(const QString& text);

protected:
    void changeEvent(QEvent* event) override;

private:
    // Sets the fixed width: the design width, or the text's width where that is more.
    void fitWidth();

    int designWidth_;
};

}  // namespace morvane
