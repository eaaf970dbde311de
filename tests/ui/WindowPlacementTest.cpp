// The stored window geometry, sound or hostile, turned into the place and size that apply, and
// stored back at close as the window has it.

#include <climits>

#include "RecordList.h"
#include "WindowFixture.h"
#include "WindowPlacement.h"

namespace morvane::testing {
namespace {

// A primary screen with a panel at its top, and a second screen to its right.
const std::vector<QRect> TwoScreens = {QRect(0, 24, 1920, 1016), QRect(1920, 0, 1280, 1024)};
const QPoint PrimaryTopLeft(0, 24);

TEST(WindowPlacement, SoundValuesApplyAsReadAndNoValueOverflows) {
    const struct {
        const char* sentence;
        StoredGeometry stored;  // top, left, height, width
        QPoint place;
        QSize size;
    } cases[] = {
        {"a small window applies as read", {5, 7, 90, 150}, {7, 5}, {150, 90}},
        {"negative edges apply as read", {-30, -100, 200, 400}, {-100, -30}, {400, 200}},
        {"40 by 20 showing on the second screen is enough",
         {1004, 3160, 200, 400},
         {3160, 1004},
         {400, 200}},
        {"39 showing is not", {100, -361, 200, 400}, PrimaryTopLeft, {400, 200}},
        {"a place off every screen comes back", {9000, 9000, 200, 400}, PrimaryTopLeft, {400, 200}},
        {"a place below the bottom of every screen comes back",
         {1100, 100, 200, 400},
         PrimaryTopLeft,
         {400, 200}},
        {"a size of none is the usual size", {5, 7, 0, -4}, {7, 5}, {540, 300}},
        {"the largest size a window can have applies",
         {5, 7, 32767, 32767},
         {7, 5},
         {32767, 32767}},
        {"one more is the usual size", {5, 7, 32768, 32768}, {7, 5}, {540, 300}},
        {"Left=10 Width=2147483647", {5, 10, 300, INT_MAX}, {10, 5}, {540, 300}},
        {"Left=2147483000 Width=1000", {5, 2147483000, 300, 1000}, PrimaryTopLeft, {1000, 300}},
        {"Top=10 Height=2147483647", {10, 5, INT_MAX, 540}, {5, 10}, {540, 300}},
        {"Top=2147483000 Height=1000", {2147483000, 5, 1000, 540}, PrimaryTopLeft, {540, 1000}},
        {"the lowest place", {INT_MIN, INT_MIN, 300, 540}, PrimaryTopLeft, {540, 300}},
    };
    for (const auto& c : cases) {
        const WindowPlacement placement = placeWindow(c.stored, TwoScreens);
        EXPECT_EQ(placement.place, c.place) << c.sentence;
        EXPECT_EQ(placement.size, c.size) << c.sentence;
    }
    EXPECT_EQ(placeWindow({5, 7, 90, 150}, {}).place, QPoint(7, 5)) << "no screen to measure";
    EXPECT_EQ(placeWindow({5, INT_MAX, 90, 150}, {}).place, QPoint(0, 0))
        << "no screen, and a right edge beyond every coordinate";
}

TEST(WindowPlacement, AWindowOnAMonitorLeftOfOrAboveThePrimaryIsStoredThereAndComesBack) {
    // The primary first, as availableScreens() lists them; one monitor left of it, one above.
    const std::vector<QRect> screens = {QRect(0, 0, 1920, 1040), QRect(-1280, 0, 1280, 1024),
                                        QRect(0, -1080, 1920, 1080)};
    const struct {
        const char* sentence;
        QRect client;  // the normal geometry at close, 5 right of and 30 below the frame's place
        QPoint place;  // where the window opens again
    } cases[] = {
        {"on the monitor to the left", QRect(-1270, 130, 640, 480), {-1275, 100}},
        {"on the monitor above", QRect(205, -970, 640, 480), {200, -1000}},
        {"across both", QRect(-595, -370, 640, 480), {-600, -400}},
        {"lost: back on the primary, not on a monitor further up or left",
         QRect(9005, 9030, 640, 480),
         {0, 0}},
    };
    for (const auto& c : cases) {
        const QPoint frame = c.client.topLeft() - QPoint(5, 30);
        const StoredGeometry stored = closingGeometry(c.client, c.client.topLeft(), frame, 0);
        EXPECT_EQ(QPoint(stored.left, stored.top), frame) << c.sentence;
        EXPECT_EQ(placeWindow(stored, screens).place, c.place) << c.sentence;
    }
}

using StoredGeometryWindow = WindowTest;

TEST_F(StoredGeometryWindow, OverflowingValuesOpenASoundWindowThatIsStoredAsItIs) {
    files.put(IniPath,
              "[Window]\r\nTop=2147483000\r\nLeft=10\r\nHeight=1000\r\n"
              "Width=2147483647\r\n");
    MainWindow& f = open();
    EXPECT_EQ(f.size(), QSize(540, 1000));
    const QPoint place = f.pos();
    EXPECT_EQ(place, availableScreens().front().topLeft());
    EXPECT_TRUE(f.close());
    for (const std::string& line :
         {"Top=" + std::to_string(place.y()), "Left=" + std::to_string(place.x()),
          std::string("Height=1000"), std::string("Width=540")})
        EXPECT_TRUE(iniHas(line)) << line << " in\n" << ini();
}

TEST(ClosingGeometry, TheFramePlaceAndTheClientSizeLessTheHiddenView) {
    const StoredGeometry stored =
        closingGeometry(QRect(110, 230, 640, 480), QPoint(110, 230), QPoint(105, 200), 80);
    EXPECT_EQ(stored.left, 105);
    EXPECT_EQ(stored.top, 200);
    EXPECT_EQ(stored.width, 640);
    EXPECT_EQ(stored.height, 400);
    const StoredGeometry far =
        closingGeometry(QRect(QPoint(INT_MAX - 30, 0), QPoint(INT_MAX - 11, 19)),
                        QPoint(INT_MIN, 0), QPoint(0, 0), 0);
    EXPECT_EQ(far.left, INT_MAX) << "kept at the limit, not wrapped";
}

}  // namespace
}  // namespace morvane::testing
