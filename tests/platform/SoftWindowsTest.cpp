// The software window system: classes, windows, paint requests, the queue, scripted input, the
// clock, the edit box, popup menus.
#include "platform/Platform.h"
#include "platform/soft/SoftPlatform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrune {
namespace {

namespace pf = platform;
namespace soft = platform::soft;

struct Received {
    pf::Window window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

std::vector<Received> received;

intptr_t KESTRUNE_PLATFORM_CALL recordingProcedure(pf::Window window, uint32_t message,
                                                   uintptr_t wParam, intptr_t lParam) {
    received.push_back({window, message, wParam, lParam});
    return pf::defaultWindowProcedure(window, message, wParam, lParam);
}

class SoftWindows : public ::testing::Test {
protected:
    void SetUp() override {
        soft::resetWorld();
        received.clear();
        pf::WindowClassDescription description{};
        description.procedure = recordingProcedure;
        description.module = module;
        description.background = pf::systemColorBrush(pf::systemColorButtonFace);
        description.name = "Recording";
        ASSERT_TRUE(pf::registerWindowClass(description));
        host = soft::createHostWindow({100, 50, 300, 200});
        child = pf::createWindow(0, "Recording", "Window", pf::styleChild | pf::styleVisible, 10,
                                 20, 80, 60, host, module);
        ASSERT_NE(child, nullptr);
    }
    void TearDown() override {
        soft::resetWorld();
        pf::unregisterWindowClass("Recording", module);
    }
    std::vector<uint32_t> messagesFor(pf::Window window) {
        std::vector<uint32_t> out;
        for (const Received& r : received)
            if (r.window == window)
                out.push_back(r.message);
        return out;
    }

    pf::Module module = pf::moduleOfAddress(&received);
    pf::Window host = nullptr;
    pf::Window child = nullptr;
};

TEST_F(SoftWindows, ClassesAreRegisteredOnceAndStayWhileWindowsUseThem) {
    pf::WindowClassDescription again{};
    again.procedure = recordingProcedure;
    again.module = module;
    again.name = "RECORDING";
    EXPECT_FALSE(pf::registerWindowClass(again)) << "names compare without case";
    EXPECT_FALSE(pf::unregisterWindowClass("Recording", module)) << "a window still uses it";
    pf::destroyWindow(child);
    EXPECT_TRUE(pf::unregisterWindowClass("Recording", module));
    EXPECT_EQ(pf::createWindow(0, "Recording", "", pf::styleChild, 0, 0, 1, 1, host, module),
              nullptr);
    ASSERT_TRUE(pf::registerWindowClass(again));
}

TEST_F(SoftWindows, ChildRectanglesAreOnTheScreenAndPointsMapBetweenWindows) {
    pf::Rect r{};
    ASSERT_TRUE(pf::windowRect(child, r));
    EXPECT_EQ(r.left, 110);
    EXPECT_EQ(r.top, 70);
    EXPECT_EQ(r.right, 190);
    EXPECT_EQ(r.bottom, 130);
    pf::Point p{0, 0};
    pf::mapWindowPoints(child, nullptr, &p, 1);
    EXPECT_EQ(p.x, 110);
    EXPECT_EQ(p.y, 70);
    EXPECT_EQ(pf::parentWindow(child), host);
    char name[32];
    EXPECT_EQ(pf::windowClassName(child, name, sizeof name), 9);
    EXPECT_STREQ(name, "Recording");
    EXPECT_EQ(soft::windowAt({115, 75}), child);
    EXPECT_EQ(soft::windowAt({105, 55}), host);
}

TEST_F(SoftWindows, PaintRequestsComeWhenNothingElseWaitsAndEndWithThePaint) {
    pf::postMessage(child, 0x0400, 1, 2);
    pf::Message message{};
    ASSERT_TRUE(pf::peekMessage(message, nullptr, 0, 0, pf::peekRemove));
    EXPECT_EQ(message.message, 0x0400u) << "posted messages come before paint requests";
    ASSERT_TRUE(pf::peekMessage(message, child, pf::messagePaint, pf::messagePaint, 0));
    pf::Rect update{};
    ASSERT_TRUE(pf::updateRect(child, update));
    EXPECT_EQ(update.right, 80);
    soft::pumpMessages();
    EXPECT_FALSE(pf::updateRect(child, update)) << "the default procedure validated it";
    EXPECT_EQ(soft::windowPixel(child, 5, 5), pf::colorValue(240, 240, 240))
        << "the paint erased with the class background";

    pf::Rect part{5, 5, 10, 10};
    pf::invalidateRect(child, &part);
    pf::PaintRecord paint{};
    pf::DeviceContext dc = pf::beginPaint(child, paint);
    EXPECT_EQ(paint.paintArea.left, 5);
    EXPECT_EQ(paint.paintArea.right, 10);
    EXPECT_EQ(pf::setPixel(dc, 20, 20, 0), pf::invalidColor) << "painting is clipped to the area";
    EXPECT_NE(pf::setPixel(dc, 6, 6, 0), pf::invalidColor);
    pf::endPaint(child, paint);
}

TEST_F(SoftWindows, DestroyingTellsTheWindowThenItsChildren) {
    pf::destroyWindow(host);
    ASSERT_EQ(messagesFor(child).size(), 1u);
    EXPECT_EQ(messagesFor(child)[0], pf::messageDestroy);
    EXPECT_EQ(pf::windowStyle(child), 0u) << "a stale handle answers nothing";
}

TEST_F(SoftWindows, ScriptedInputLastsForItsCursorReadsAndPostsButtonMessages) {
    soft::scriptInput({{{115, 75}, soft::leftButton, 0, 2},
                       {{120, 75}, soft::leftButton | soft::shiftKey, 30, 1},
                       {{121, 75}, 0, 0, 1}});
    EXPECT_LT(pf::asyncKeyState(pf::keyLeftButton), 0);
    EXPECT_EQ(pf::asyncKeyState(pf::keyShift), 0);
    pf::Point p{};
    pf::cursorPosition(p);
    EXPECT_EQ(p.x, 115);
    pf::cursorPosition(p);
    EXPECT_EQ(p.x, 115) << "the first state lasts two reads";
    EXPECT_LT(pf::asyncKeyState(pf::keyShift), 0);
    EXPECT_EQ(pf::tickCount(), 30u) << "the second state moved the clock";
    pf::cursorPosition(p);
    EXPECT_EQ(p.x, 120);
    EXPECT_EQ(pf::asyncKeyState(pf::keyLeftButton), 0);
    EXPECT_EQ(soft::scriptStepsLeft(), 0u);

    pf::Message message{};
    ASSERT_TRUE(pf::peekMessage(message, nullptr, 0, 0, pf::peekRemove));
    EXPECT_EQ(message.window, child);
    EXPECT_EQ(message.message, pf::messageLeftButtonDown);
    EXPECT_EQ(message.lParam, intptr_t(5 | (5 << 16))) << "client coordinates of the press";
    ASSERT_TRUE(pf::peekMessage(message, nullptr, 0, 0, pf::peekRemove));
    EXPECT_EQ(message.message, pf::messageLeftButtonUp);
    EXPECT_EQ(pf::messageTime(), 30u);
}

TEST_F(SoftWindows, SwappedButtonsPostTheOtherButtonsMessage) {
    soft::setSystemMetric(pf::metricSwapButton, 1);
    soft::setInput({{115, 75}, soft::leftButton});
    pf::Message message{};
    ASSERT_TRUE(pf::peekMessage(message, nullptr, 0, 0, pf::peekRemove));
    EXPECT_EQ(message.message, pf::messageRightButtonDown);
    EXPECT_LT(pf::asyncKeyState(pf::keyLeftButton), 0) << "the physical button is reported";
}

TEST_F(SoftWindows, ClockMovesOnlyWhenTheTestOrASleepMovesIt) {
    soft::setTickCount(1000);
    EXPECT_EQ(pf::tickCount(), 1000u);
    EXPECT_EQ(pf::tickCount(), 1000u);
    pf::sleepFor(4);
    EXPECT_EQ(pf::tickCount(), 1004u);
    soft::advanceClock(uint32_t(-1004)); // wraps like the platform's counter
    EXPECT_EQ(pf::tickCount(), 0u);
}

TEST_F(SoftWindows, EditBoxTakesTypingWithinItsLimitAndAsksItsParentForColours) {
    pf::Window edit = pf::createWindow(0, "EDIT", "abc", pf::styleChild | pf::styleVisible, 0, 0,
                                       60, 16, child, module);
    ASSERT_NE(edit, nullptr);
    pf::sendMessage(edit, pf::editSetSelection, 0, -1);
    pf::sendMessage(edit, pf::editLimitText, 5, 0);
    pf::setKeyboardFocus(edit);
    soft::typeText("12345678");
    char text[32];
    EXPECT_EQ(pf::windowText(edit, text, sizeof text), 5);
    EXPECT_STREQ(text, "12345") << "typing replaced the selection, then stopped at the limit";
    soft::pumpMessages();
    bool askedForColours = false;
    for (const Received& r : received)
        askedForColours |= r.window == child && r.message == pf::messageControlColorEdit &&
                           r.lParam == reinterpret_cast<intptr_t>(edit);
    EXPECT_TRUE(askedForColours);
    pf::setKeyboardFocus(nullptr);
    EXPECT_EQ(soft::keyboardFocus(), nullptr);
}

TEST_F(SoftWindows, PopupMenusAnswerTheChosenCommandThroughTheQueue) {
    pf::Menu top = pf::createPopupMenu();
    pf::Menu sub = pf::createPopupMenu();
    pf::appendMenuItem(sub, pf::menuString, 3, "deep");
    pf::appendMenuItem(top, pf::menuString | pf::menuChecked, 0, "first");
    pf::appendMenuItem(top, pf::menuSeparator, 1, nullptr);
    pf::appendMenuItem(top, pf::menuPopup, reinterpret_cast<uintptr_t>(sub), "more");
    soft::chooseNextMenuCommand(3);
    EXPECT_TRUE(pf::trackPopupMenu(top, pf::trackRightButton, 40, 50, child));
    pf::destroyMenu(top); // destroys the submenu as well

    soft::MenuSnapshot snapshot;
    ASSERT_TRUE(soft::lastTrackedMenu(snapshot));
    ASSERT_EQ(snapshot.items.size(), 3u);
    EXPECT_EQ(snapshot.items[0].text, "first");
    EXPECT_EQ(snapshot.items[2].submenu.size(), 1u);
    EXPECT_EQ(snapshot.at.x, 40);
    pf::Message message{};
    ASSERT_TRUE(
        pf::peekMessage(message, child, pf::messageCommand, pf::messageCommand, pf::peekRemove));
    EXPECT_EQ(message.wParam, 3u);
    EXPECT_TRUE(pf::trackPopupMenu(pf::createPopupMenu(), 0, 0, 0, child));
    EXPECT_FALSE(pf::peekMessage(message, child, pf::messageCommand, pf::messageCommand, 0))
        << "a dismissed menu posts nothing";
}

} // namespace
} // namespace kestrune
