#pragma once

// Where the main window appears from the place and size stored in "Morvane.ini", and what is
// stored back at close. Every value is widened to 64 bits before any arithmetic: the file may
// hold any 32-bit number, and a place plus a size must not overflow.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

namespace morvane {

// The largest width or height a window can be given: X11 keeps them in 15 bits.
inline constexpr int MaxWindowSize = 32767;

// The keys Top, Left, Height and Width as read: the frame's top left and the client size.
struct StoredGeometry {
    int top = 0;
    int left = 0;
    int height = 0;
    int width = 0;
};

struct WindowPlacement {
    QPoint place;  // of the frame
    QSize size;    // of the client area
};

// The available rectangles of the screens, the primary screen's first; empty without a screen.
std::vector<QRect> availableScreens();

// The stored size applies as read, however small, unless no window can have it (none at all, or
// more than MaxWindowSize): then the usual 540x300 applies. The stored place applies as read,
// off-screen parts and negative edges included, unless less than 40x20 of the window would show
// on every screen (a monitor since unplugged, a place out of all reach): then the window comes
// back at the top left of the primary screen.
WindowPlacement placeWindow(const StoredGeometry& stored, const std::vector<QRect>& screens);

// What a close stores: the normal (restored) client rectangle moved by the frame's offset from
// the client area, as the frame and client top left show it now, and its height less
// hiddenHeight, that of a view the stored height leaves out. Values that no 32-bit key can hold
// are kept at its limits.
StoredGeometry closingGeometry(const QRect& normal, const QPoint& clientTopLeft,
                               const QPoint& frameTopLeft, int hiddenHeight);

// Keeps the window above the others, or no longer. The window comes back where it was, as it
// was: changing the hint hides it.
void setStaysOnTop(QWidget& window, bool on);

}  // namespace morvane
