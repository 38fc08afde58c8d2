// The graphic editor base: registration with the effect, rectangle, keys and wheel through the
// frame, idle ticks, and serviceIdle's throttling with the scripted clock.
#include "graphics/Frame.h"
#include "platform/soft/SoftPlatform.h"
#include "shell/GuiEditor.h"
#include "tests/graphics/GraphicsTestSupport.h"
#include "tests/host/RecordingHost.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

namespace pf = platform;
namespace soft = platform::soft;

// An editor that counts its idle ticks and can call back into itself like a host would.
class CountingEditor : public GuiEditor {
public:
    using GuiEditor::GuiEditor;
    void idleTick() override {
        ++idleTicks;
        GuiEditor::idleTick();
    }
    void refresh() override { ++refreshes; }
    int idleTicks = 0;
    int refreshes = 0;
};

// A key-taking view.
class KeyView : public View {
public:
    KeyView() : View({0, 0, 10, 10}) {}
    int32_t handleKeyPress(VstKeyCode& key) override { return key.virt; }
    bool handleWheel(GraphicsContext*, GuiPoint&, float distance) override {
        wheel += distance;
        return true;
    }
    float wheel = 0;
};

class SoftGuiEditor : public ::testing::Test {
protected:
    void SetUp() override {
        soft::resetWorld();
        testing::useTestModule();
        soft::setTickCount(10000);
        effect = std::make_unique<testing::StubEffect>(testhost::RecordingHost::callback);
        editor = new CountingEditor(effect.get());
        recording.clear();
    }
    void TearDown() override {
        effect.reset(); // deletes the editor
        soft::resetWorld();
    }
    size_t hostIdles() { return recording.callsWith(audioMasterIdle).size(); }

    testhost::RecordingHost recording;
    std::unique_ptr<testing::StubEffect> effect;
    CountingEditor* editor = nullptr;
};

TEST_F(SoftGuiEditor, RegistersWithTheEffectAndInitialisesOle) {
    EXPECT_EQ(effect->ownedEditor, editor);
    EXPECT_NE(effect->hostRecord.flags & effFlagsHasEditor, 0);
    EXPECT_EQ(editor->nextIdleTicks, 10000u);
    EXPECT_GE(soft::oleInitializations(), 1);
    editor->editorRect = {0, 0, 190, 340};
    ERect* rect = nullptr;
    EXPECT_EQ(editor->queryRect(&rect), 1);
    ASSERT_EQ(rect, &editor->editorRect);
    EXPECT_EQ(rect->bottom, 190);
    EXPECT_EQ(rect->right, 340);
}

TEST_F(SoftGuiEditor, ClosedEditorAnswersNotHandled) {
    VstKeyCode key{0, 12, 0};
    EXPECT_EQ(editor->keyPressed(key), -1);
    EXPECT_EQ(editor->keyReleased(key), -1);
    EXPECT_FALSE(editor->wheelTurned(1.0f));
    editor->drawAll(nullptr);
    EXPECT_EQ(editor->changeKnobMode(2), 1);
    EXPECT_EQ(knobModeSetting, 2);
    knobModeSetting = 0;
}

TEST_F(SoftGuiEditor, OpenEditorForwardsKeysAndWheelToTheFrame) {
    pf::Window host = soft::createHostWindow({0, 0, 100, 100});
    EXPECT_EQ(editor->openIn(host), 0);
    EXPECT_EQ(editor->parentWindow, host);
    editor->frameView = new Frame({0, 0, 50, 50}, host, editor);
    auto* view = new KeyView;
    editor->frameView->addView(view);
    soft::setInput({{5, 5}, 0});
    VstKeyCode key{0, 13, 0};
    EXPECT_EQ(editor->keyPressed(key), 13);
    EXPECT_TRUE(editor->wheelTurned(2.5f));
    EXPECT_FLOAT_EQ(view->wheel, 2.5f);
    EXPECT_EQ(editor->frameView->frameEditor(), editor);
    delete editor->frameView;
    editor->frameView = nullptr;
}

TEST_F(SoftGuiEditor, IdleTickRunsARequestedRefreshOnce) {
    editor->paramChanged(3, 0.5f);
    editor->idleTick();
    editor->idleTick();
    EXPECT_EQ(editor->refreshes, 1);
}

TEST_F(SoftGuiEditor, ServiceIdleThrottlesToAboutEveryHundredMilliseconds) {
    struct Case {
        uint32_t after; // milliseconds after the last service
        bool services;
    };
    // 10 ms: sleeps 4 and is still 86 ms early; 60 ms: 64 ms elapsed, within 50 ms of due.
    const Case cases[] = {{10, false}, {45, false}, {46, true},
                          {60, true},  {100, true}, {150, true}};
    for (const Case& c : cases) {
        editor->serviceIdle(); // the last service
        uint32_t last = pf::tickCount();
        soft::setTickCount(last + c.after);
        int ticks = editor->idleTicks;
        size_t idles = hostIdles();
        editor->serviceIdle();
        EXPECT_EQ(editor->idleTicks - ticks, c.services ? 1 : 0) << c.after << " ms";
        EXPECT_EQ(hostIdles() - idles, c.services ? 1u : 0u) << c.after << " ms";
        bool slept = c.after < 100;
        EXPECT_EQ(pf::tickCount(), last + c.after + (slept ? 4 : 0)) << c.after << " ms";
        soft::advanceClock(1000);
    }
}

TEST_F(SoftGuiEditor, NextServiceIsDueAHundredMillisecondsAfterTheSleep) {
    editor->serviceIdle();
    uint32_t last = pf::tickCount();
    soft::setTickCount(last + 60);
    editor->serviceIdle();
    EXPECT_EQ(editor->nextIdleTicks, last + 64 + 100);
}

TEST_F(SoftGuiEditor, HostIdleCallingBackIntoTheEditorDoesNothing) {
    pf::Window host = soft::createHostWindow({0, 0, 100, 100});
    editor->frameView = new Frame({0, 0, 50, 50}, host, editor);
    soft::pumpMessages();
    auto* view = new KeyView;
    editor->frameView->addView(view);
    int innerTicks = -1;
    bool guarded = false;
    recording.answerWith([&](const testhost::HostCall& call) -> intptr_t {
        if (call.opcode == audioMasterIdle) {
            guarded = editor->inServiceIdle;
            int before = editor->refreshes;
            editor->requestRefresh();
            editor->idleTick(); // the host's editor idle arriving now
            innerTicks = editor->refreshes - before;
        }
        return 0;
    });
    editor->serviceIdle();
    EXPECT_TRUE(guarded);
    EXPECT_EQ(innerTicks, 0);
    EXPECT_FALSE(editor->inServiceIdle);
    delete editor->frameView;
    editor->frameView = nullptr;
}

TEST_F(SoftGuiEditor, ServiceIdleDispatchesOnePendingPaint) {
    pf::Window host = soft::createHostWindow({0, 0, 100, 100});
    editor->frameView = new Frame({0, 0, 50, 50}, host, editor);
    auto pending = [&] {
        pf::Rect update{};
        return int(pf::updateRect(host, update)) +
               int(pf::updateRect(editor->frameView->window, update));
    };
    ASSERT_EQ(pending(), 2);
    editor->serviceIdle();
    EXPECT_EQ(pending(), 1);
    delete editor->frameView;
    editor->frameView = nullptr;
}

TEST_F(SoftGuiEditor, FrameBracketsParameterEditsThroughTheEffect) {
    Frame frame({0, 0, 10, 10}, nullptr, editor);
    frame.beginParamEdit(4);
    frame.endParamEdit(4);
    ASSERT_EQ(recording.callsWith(audioMasterBeginEdit).size(), 1u);
    EXPECT_EQ(recording.callsWith(audioMasterBeginEdit)[0].index, 4);
    EXPECT_EQ(recording.callsWith(audioMasterEndEdit).size(), 1u);
    EXPECT_EQ(frame.tickCount(), pf::tickCount());
    Frame alone({0, 0, 10, 10}, nullptr, nullptr);
    EXPECT_EQ(alone.tickCount(), 0u);
    alone.beginParamEdit(1); // no editor: nothing to tell
}

} // namespace
} // namespace kestrune
