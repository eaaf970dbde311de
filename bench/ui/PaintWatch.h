#pragma once

// Counts the paint events a widget receives, seen from outside it.

#include <QEvent>
#include <QObject>

namespace morvane::bench {

class PaintWatch : public QObject {
public:
    explicit PaintWatch(QObject* watched) { watched->installEventFilter(this); }

    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

}  // namespace morvane::bench
