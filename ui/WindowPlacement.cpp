#include "WindowPlacement.h"

#include <QWidget>

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cstdint>
#include <limits>

#include "Settings.h"

namespace morvane {

namespace {

// What must show of the window on one screen for it to stay where it was stored.
constexpr std::int64_t MinVisibleWidth = 40;
constexpr std::int64_t MinVisibleHeight = 20;

bool isMakeable(std::int64_t size) {
    return size > 0 && size <= MaxWindowSize;
}

// The length two ranges [start, start + length) share; negative when they are apart.
std::int64_t overlap(std::int64_t start, std::int64_t length, std::int64_t otherStart,
                     std::int64_t otherLength) {
    return std::min(start + length, otherStart + otherLength) - std::max(start, otherStart);
}

int keptInRange(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

}  // namespace

std::vector<QRect> availableScreens() {
    std::vector<QRect> screens;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return screens;
    screens.push_back(primary->availableGeometry());
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != primary) screens.push_back(screen->availableGeometry());
    return screens;
}

WindowPlacement placeWindow(const StoredGeometry& stored, const std::vector<QRect>& screens) {
    const Settings usual;
    const std::int64_t width = isMakeable(stored.width) ? stored.width : usual.width;
    const std::int64_t height = isMakeable(stored.height) ? stored.height : usual.height;
    const std::int64_t left = stored.left;
    const std::int64_t top = stored.top;
    const QSize size(static_cast<int>(width), static_cast<int>(height));

    if (screens.empty()) {
        // Nothing to measure against; only a window whose far edges no coordinate can hold is
        // brought back.
        const bool representable = left + width <= std::numeric_limits<int>::max() &&
                                   top + height <= std::numeric_limits<int>::max();
        return {representable ? QPoint(stored.left, stored.top) : QPoint(0, 0), size};
    }
    for (const QRect& screen : screens) {
        if (overlap(left, width, screen.x(), screen.width()) >= MinVisibleWidth &&
            overlap(top, height, screen.y(), screen.height()) >= MinVisibleHeight)
            return {QPoint(stored.left, stored.top), size};
    }
    return {screens.front().topLeft(), size};
}

StoredGeometry closingGeometry(const QRect& normal, const QPoint& clientTopLeft,
                               const QPoint& frameTopLeft, int hiddenHeight) {
    const std::int64_t frameLeft =
        std::int64_t{normal.left()} - clientTopLeft.x() + frameTopLeft.x();
    const std::int64_t frameTop = std::int64_t{normal.top()} - clientTopLeft.y() + frameTopLeft.y();
    const std::int64_t width = std::int64_t{normal.right()} - normal.left() + 1;
    const std::int64_t height = std::int64_t{normal.bottom()} - normal.top() + 1 - hiddenHeight;
    return {keptInRange(frameTop), keptInRange(frameLeft), keptInRange(height), keptInRange(width)};
}

void setStaysOnTop(QWidget& window, bool on) {
    if (window.windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) return;
    const bool wasVisible = window.isVisible();
    const QPoint place = window.pos();
    const QSize size = window.size();
    const Qt::WindowStates state = window.windowState();
    window.setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (!wasVisible) return;
    window.move(place);
    window.resize(size);
    window.setWindowState(state);
    window.show();
}

}  // namespace morvane
