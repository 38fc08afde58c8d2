// A frame inside a real top-level window: it paints its background and routes a real mouse press
// (SetCursorPos + SendInput) to the view under the cursor.
#include "graphics/Bitmap.h"
#include "graphics/Frame.h"
#include "graphics/GraphicsContext.h"
#include "platform/win32/Win32Testing.h"
#include "tests/graphics/GraphicsTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace kestrune {
namespace {

namespace pf = platform;
namespace win = platform::win32test;

class PressTarget : public View {
public:
    explicit PressTarget(const GuiRect& r) : View(r) {}
    void mouseDown(GraphicsContext* context, GuiPoint& where) override {
        ++presses;
        lastWhere = where;
        buttons = context ? context->queryMouseButtons() : -1;
    }
    int presses = 0;
    GuiPoint lastWhere;
    int buttons = 0;
};

class RealWindow : public ::testing::Test {
protected:
    void SetUp() override {
        testing::useTestModule();
        host = win::createTopLevelWindow(hostX, hostY, 200, 150);
        ASSERT_NE(host, nullptr);
        frame = std::make_unique<Frame>(GuiRect{0, 0, 60, 40}, host, nullptr);
        ASSERT_NE(frame->window, nullptr);
        Bitmap* panel = new Bitmap(testing::panelId);
        frame->setBackground(panel);
        panel->release();
        target = new PressTarget({30, 20, 50, 35});
        frame->addView(target);
        win::pumpMessages(200);
    }
    void TearDown() override {
        frame.reset();
        pf::destroyWindow(host);
        win::pumpMessages(0);
    }

    static constexpr int hostX = 120;
    static constexpr int hostY = 90;
    pf::Window host = nullptr;
    std::unique_ptr<Frame> frame;
    PressTarget* target = nullptr;
};

TEST_F(RealWindow, FramePaintsItsBackgroundBitmap) {
    EXPECT_FALSE(frame->awaitingFirstPaint) << "the paint message reached the frame";
    EXPECT_TRUE(frame->dropRegistered) << "the window accepts drops";
    EXPECT_EQ(win::windowPixel(frame->window, 15, 15), pf::colorValue(0, 153, 0));
    EXPECT_EQ(win::windowPixel(frame->window, 5, 5), pf::colorValue(102, 102, 102));
    EXPECT_EQ(win::windowPixel(frame->window, 0, 0), pf::colorValue(51, 51, 51));
}

TEST_F(RealWindow, RealPressReachesTheViewUnderTheCursor) {
    ASSERT_TRUE(win::pressAt(hostX + 35, hostY + 25));
    win::pumpMessages(200);
    win::releaseButton();
    win::pumpMessages(50);
    ASSERT_EQ(target->presses, 1);
    EXPECT_EQ(target->lastWhere.h, 35);
    EXPECT_EQ(target->lastWhere.v, 25);
    EXPECT_EQ(target->buttons & mouseLeft, mouseLeft) << "the button was held during the press";

    ASSERT_TRUE(win::pressAt(hostX + 5, hostY + 5)); // on the background, outside the view
    win::pumpMessages(100);
    win::releaseButton();
    win::pumpMessages(50);
    EXPECT_EQ(target->presses, 1);
}

TEST_F(RealWindow, ContextReadsTheCursorInWindowCoordinates) {
    pf::DeviceContext dc = pf::acquireWindowDC(frame->window);
    GraphicsContext ctx(frame.get(), dc, frame->window);
    ASSERT_TRUE(win::pressAt(hostX + 12, hostY + 7));
    win::releaseButton();
    win::pumpMessages(50);
    GuiPoint where;
    ctx.queryMousePosition(where);
    EXPECT_EQ(where.h, 12);
    EXPECT_EQ(where.v, 7);
    GuiPoint fromFrame;
    frame->currentMousePosition(fromFrame);
    EXPECT_EQ(fromFrame.h, 12);
    pf::releaseWindowDC(frame->window, dc);
}

} // namespace
} // namespace kestrune
