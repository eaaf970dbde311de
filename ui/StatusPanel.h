#pragma once

// One panel of the status bar: a plain-text label of fixed size whose text changes at every
// check.

#include <QLabel>
#include <array>

namespace morvane {

struct CheckOutcome;

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

// StatusBar1: the time of the last check, the clock at its end, and how many files have not
// answered, in three panels and a size grip. Built here rather than with QStatusBar, whose
// layout adds margins and spacing between the panels and a frame around each one.
class StatusBar : public QWidget {
    Q_OBJECT
public:
    explicit StatusBar(QWidget* parent = nullptr);

    void showCheck(const CheckOutcome& outcome);

private:
    std::array<StatusPanel*, 3> panels_;
};

}  // namespace morvane
