// The knob and fader drags and the toggle click on the real platform: a real window, the cursor
// moved and the left button (and shift) held with SendInput from a second thread while the
// control's tracking loop polls the button state and the cursor on the test's thread.
#include "controls/ChoiceMenu.h"
#include "controls/Fader.h"
#include "controls/RotaryKnob.h"
#include "controls/TextEntryField.h"
#include "controls/ToggleButton.h"
#include "graphics/Bitmap.h"
#include "graphics/Frame.h"
#include "graphics/GraphicsContext.h"
#include "platform/Platform.h"
#include "platform/win32/Win32Testing.h"
#include "platform/win32/testing/InputScript.h"
#include "shell/GuiEditor.h"
#include "shell/PluginEffectExt.h"
#include "tests/host/RecordingHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace kestrune::test {
namespace {

namespace w = platform::win32test;

class EditEffect : public PluginEffectExt {
public:
    EditEffect() : PluginEffectExt(testhost::RecordingHost::callback, 1, 14) {}
    void processAccumulate(float**, float**, int32_t) override {}
};

// Records the last value and lets the input thread know a change arrived.
class FlagListener : public ValueListener {
public:
    void controlChanged(GraphicsContext* context, Control* control) override {
        last = control->readValue();
        ++count;
        changed = true;
        if (context)
            control->repaintIfNeeded(context);
    }
    std::atomic<bool> changed{false};
    float last = -1.0f;
    int count = 0;
};

class RealWindow : public ::testing::Test {
protected:
    void SetUp() override {
        knobModeSetting = 0;
        host = std::make_unique<testhost::RecordingHost>();
        // The begin of the edit tells the input thread that the tracking loop is running.
        host->answerWith([this](const testhost::HostCall& call) -> intptr_t {
            if (call.opcode == audioMasterBeginEdit)
                tracking = true;
            return 0;
        });
        effect = std::make_unique<EditEffect>();
        editor = new GuiEditor(effect.get());
        hostWindow = w::createTopLevelWindow(120, 80, 400, 260);
        ASSERT_NE(hostWindow, nullptr);
        frame = new Frame(GuiRect{0, 0, 340, 190}, hostWindow, editor);
        ASSERT_NE(frame->window, nullptr);
        editor->frameView = frame;
        w::pumpMessages(50);
        platform::Rect r{};
        platform::windowRect(frame->window, r);
        origin = {r.left, r.top};
        host->clear();
    }
    void TearDown() override {
        if (editor)
            editor->frameView = nullptr;
        if (frame)
            frame->release();
        if (hostWindow)
            platform::destroyWindow(hostWindow);
        effect.reset();
        host.reset();
        knobModeSetting = 0;
    }

    w::InputStep at(GuiPoint p, uint32_t held, const std::atomic<bool>* waitFor = nullptr) {
        w::InputStep step;
        step.x = origin.h + p.h;
        step.y = origin.v + p.v;
        step.held = held;
        step.waitFor = waitFor;
        return step;
    }

    // Plays the steps while the test's thread handles the window's messages.
    void play(std::vector<w::InputStep> steps) {
        w::InputScript script(std::move(steps));
        for (int i = 0; i < 1000 && !script.done(); ++i)
            w::pumpMessages(5);
        w::pumpMessages(50);
        EXPECT_TRUE(script.done());
        EXPECT_TRUE(script.allWaitsMet()) << "the press never reached the control";
    }

    // A press at `from`, moves along `path` once the tracking loop runs, the release at the end.
    void drag(GuiPoint from, uint32_t keys, const std::vector<GuiPoint>& path) {
        std::vector<w::InputStep> steps{at(from, w::holdLeft | keys, &tracking)};
        for (const GuiPoint& p : path)
            steps.push_back(at(p, w::holdLeft | keys));
        steps.push_back(at(path.back(), 0));
        play(std::move(steps));
    }

    void expectOneEditOf(int tag) {
        std::vector<int32_t> brackets;
        for (const auto& call : host->calls())
            if (call.opcode == audioMasterBeginEdit || call.opcode == audioMasterEndEdit) {
                EXPECT_EQ(call.index, tag);
                brackets.push_back(call.opcode);
            }
        EXPECT_EQ(brackets, (std::vector<int32_t>{audioMasterBeginEdit, audioMasterEndEdit}));
    }

    std::unique_ptr<testhost::RecordingHost> host;
    std::unique_ptr<EditEffect> effect;
    GuiEditor* editor = nullptr;
    platform::Window hostWindow = nullptr;
    Frame* frame = nullptr;
    GuiPoint origin;
    FlagListener listener;
    std::atomic<bool> tracking{false};
};

TEST_F(RealWindow, KnobFollowsALinearDrag) {
    struct Case {
        uint32_t keys;
        float change;
    };
    const Case cases[] = {{0, 0.5f}, {w::holdShift, 0.5f / 1.5f}};
    knobModeSetting = 2;
    auto* knob = new FilmstripKnob({30, 70, 60, 100}, &listener, 3, 25, 30, nullptr, {0, 0});
    frame->addView(knob);
    for (const Case& c : cases) {
        knob->putValue(0.25f);
        host->clear();
        tracking = false;
        drag({45, 85}, c.keys, {{65, 85}, {85, 85}, {105, 85}, {125, 85}, {145, 85}, {145, 85}});
        EXPECT_NEAR(knob->readValue(), 0.25f + c.change, 1e-4f) << c.keys;
        EXPECT_NEAR(listener.last, knob->readValue(), 1e-6f);
        expectOneEditOf(3);
    }
}

TEST_F(RealWindow, FaderFollowsTheDragFromItsHandle) {
    Bitmap* track = new Bitmap(130, 10);
    Bitmap* handle = new Bitmap(20, 10);
    auto* fader = new HorizontalFader({158, 145, 288, 155}, &listener, 7, 158, 268, handle, track,
                                      {0, 0}, originLeft);
    track->release();
    handle->release();
    frame->addView(fader);
    fader->putValue(0.0f);
    // The pointer holds the handle's centre: 158 + 10 - 1 for value 0, 55 pixels more for 0.5.
    drag({167, 150}, 0, {{180, 150}, {200, 150}, {222, 150}, {222, 150}});
    EXPECT_NEAR(fader->readValue(), 0.5f, 1e-6f);
    expectOneEditOf(7);
}

TEST_F(RealWindow, ToggleFlipsOnAClick) {
    auto* button = new ToggleButton({16, 148, 46, 158}, &listener, 6, nullptr);
    frame->addView(button);
    play({at({30, 153}, w::holdLeft, &listener.changed), at({30, 153}, 0)});
    EXPECT_EQ(button->readValue(), 1.0f);
    EXPECT_EQ(listener.count, 1);
    EXPECT_TRUE(host->callsWith(audioMasterBeginEdit).empty());
    EXPECT_TRUE(host->callsWith(audioMasterEndEdit).empty());
}

// The text field's platform part: a real EDIT child window whose procedure the field replaces.
// The click that opens it is real input; the typing and Enter are sent to the box as the
// keyboard would deliver them to the focused window.
TEST_F(RealWindow, TextFieldEditsInARealEditBox) {
    auto* field = new TextEntryField({20, 30, 120, 46}, &listener, 12, "gain", nullptr, 0);
    field->setFillColor({30, 30, 90, 0});
    frame->addView(field);
    w::InputStep press = at({50, 38}, w::holdLeft);
    press.pauseMilliseconds = 100;
    play({press, at({50, 38}, 0)});
    ASSERT_NE(field->editWindow, nullptr) << "the click opened no edit box";
    EXPECT_EQ(frame->focusView, field);
    char className[16] = {};
    platform::windowClassName(field->editWindow, className, sizeof className);
    EXPECT_STREQ(className, "Edit");
    char text[64] = {};
    platform::windowText(field->editWindow, text, sizeof text);
    EXPECT_STREQ(text, "gain");

    // The box asks the frame for its colours when it paints.
    platform::invalidateRect(field->editWindow, nullptr);
    w::pumpMessages(50);
    EXPECT_NE(field->editBrush, nullptr);

    for (char c : std::string("range"))
        platform::sendMessage(field->editWindow, platform::messageChar, uintptr_t(c), 1);
    platform::windowText(field->editWindow, text, sizeof text);
    EXPECT_STREQ(text, "range") << "the whole text was selected, typing replaced it";
    platform::sendMessage(field->editWindow, platform::messageKeyDown,
                          uintptr_t(platform::keyReturn), 1);
    w::pumpMessages(20);
    EXPECT_EQ(field->editWindow, nullptr);
    EXPECT_EQ(frame->focusView, nullptr);
    char now[textFieldCapacity];
    field->copyText(now);
    EXPECT_STREQ(now, "range");
    EXPECT_EQ(listener.count, 1);

    // Open again and move the keyboard focus away: closed, nothing changed, nothing reported.
    play({press, at({50, 38}, 0)});
    ASSERT_NE(field->editWindow, nullptr);
    platform::setKeyboardFocus(hostWindow);
    w::pumpMessages(20);
    EXPECT_EQ(field->editWindow, nullptr);
    EXPECT_EQ(listener.count, 1);
}

// The choice menu's platform part: a real popup menu, tracked while the input thread walks it
// with the keyboard; the choice arrives as the command message the menu posts to the frame.
TEST_F(RealWindow, ChoiceMenuTakesAChoiceFromARealPopup) {
    auto* menu = new ChoiceMenu({40, 60, 100, 72}, &listener, 5, nullptr, nullptr, 0);
    for (const char* text : {"a", "b", "c"})
        menu->addEntry(text);
    frame->addView(menu);
    const int down = 0x28;  // VK_DOWN
    const int enter = 0x0D; // VK_RETURN
    w::InputStep press = at({50, 66}, w::holdLeft);
    w::InputStep release = at({50, 66}, 0);
    release.pauseMilliseconds = 200; // the popup opens
    w::InputStep first = release;
    first.tapKey = down;
    first.pauseMilliseconds = 50;
    w::InputStep second = first;
    w::InputStep choose = first;
    choose.tapKey = enter;
    choose.pauseMilliseconds = 100;
    play({press, release, first, second, choose});
    EXPECT_EQ(frame->focusView, nullptr);
    ASSERT_EQ(listener.count, 1) << "no choice came back from the popup";
    char text[menuEntryCapacity];
    EXPECT_EQ(menu->currentEntry(text, true), 1);
    EXPECT_STREQ(text, "b");
}

} // namespace
} // namespace kestrune::test
