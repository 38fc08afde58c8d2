// Both plug-ins as a host drives them, editor included: loaded by path, the editor opened into a
// host window of the software window system, mouse gestures, host parameter changes, programs
// and audio, all through the effect record.
#include "Snapshot.h"
#include "platform/soft/SoftPlatform.h"
#include "tests/host/PluginLibrary.h"
#include "tests/host/RecordingHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace kestrune::test {
namespace {

namespace pf = kestrune::platform;
namespace soft = kestrune::platform::soft;
using testhost::dispatch;
using testhost::PluginLibrary;
using testhost::RecordingHost;

constexpr int kSettleTicks = 32; // idle calls, as many as the snapshots make
using snapshot::kScreenX;        // where the host window stands, as in the snapshots
using snapshot::kScreenY;
constexpr pf::Rect kPanel{kScreenX, kScreenY, kScreenX + 340, kScreenY + 190};

struct Area {
    int left, top, right, bottom;
};
constexpr Area kReleaseReadout{170, 55, 220, 65};
constexpr Area kReleaseKnob{180, 70, 210, 100};
constexpr Area kLowPassFader{158, 145, 288, 155};
constexpr Area kLowPassReadout{289, 144, 339, 154};
constexpr Area kWholePanel{0, 0, 340, 190};

// The editor's pixels: its window is the host window's only child.
std::vector<uint32_t> pixelsOf(pf::Window hostWindow, Area area) {
    const std::vector<pf::Window> children = soft::childWindows(hostWindow);
    EXPECT_EQ(children.size(), 1u);
    if (children.empty()) {
        return {};
    }
    pf::Window window = children.front();
    std::vector<uint32_t> pixels;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            pixels.push_back(soft::windowPixel(window, x, y) & 0xFFFFFF);
        }
    }
    return pixels;
}

std::vector<uint32_t> pixelsOf(const snapshot::Result& picture, Area area) {
    std::vector<uint32_t> pixels;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            pixels.push_back(picture.pixels[static_cast<size_t>(y) * picture.width + x] & 0xFFFFFF);
        }
    }
    return pixels;
}

// The same plug-in drawn by the snapshot tool in a given state: what the editor should show.
snapshot::Result reference(const std::string& plugin, snapshot::Request request) {
    request.pluginPath = PluginLibrary::builtPlugin(plugin);
    snapshot::Result picture = snapshot::take(request);
    EXPECT_TRUE(picture.ok) << picture.error;
    return picture;
}

class EditorEndToEnd : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        library = std::make_unique<PluginLibrary>(PluginLibrary::builtPlugin(GetParam()));
        ASSERT_TRUE(library->loaded()) << library->error();
    }
    void TearDown() override {
        if (effect) {
            dispatch(effect, effEditClose);
            dispatch(effect, effClose);
        }
    }

    // Loads, opens and switches on the effect; resets the window system first.
    void createEffect() {
        soft::resetWorld();
        effect = library->create(RecordingHost::callback);
        ASSERT_NE(effect, nullptr);
        testhost::startEffect(effect);
    }

    void openEditor() {
        hostWindow = soft::createHostWindow(kPanel);
        ASSERT_EQ(dispatch(effect, effEditOpen, 0, 0, hostWindow), 1);
        soft::pumpMessages();
        // The meter falls to its value one decay step per repaint: let it settle.
        idle(kSettleTicks);
    }

    // Closes editor and effect; needed before drawing references (they reset the window system).
    void closeEverything() {
        dispatch(effect, effEditClose);
        dispatch(effect, effClose);
        effect = nullptr;
    }

    void idle(int ticks) { snapshot::idleEditor(effect, ticks); }

    // Press at `from`, move to `to` in steps, release there (editor coordinates).
    void drag(int fromX, int fromY, int toX, int toY, int steps = 6) {
        snapshot::playGesture(snapshot::Gesture{fromX, fromY, toX, toY, steps, false, false});
    }

    void click(int x, int y) { drag(x, y, x, y, 1); }

    void process(float amplitude, int blocks) {
        std::vector<float> left(512), right(512), outLeft(512), outRight(512);
        float* inputs[] = {left.data(), right.data()};
        float* outputs[] = {outLeft.data(), outRight.data()};
        for (int block = 0; block < blocks; ++block) {
            for (int i = 0; i < 512; ++i) {
                left[i] = right[i] =
                    amplitude * static_cast<float>(std::sin(0.0314 * (block * 512 + i)));
            }
            effect->processReplacing(effect, inputs, outputs, 512);
        }
    }

    RecordingHost host;
    std::unique_ptr<PluginLibrary> library;
    AEffect* effect = nullptr;
    pf::Window hostWindow = nullptr;
};

TEST_P(EditorEndToEnd, TheRecordCarriesTheEditorFlag) {
    createEffect();
    EXPECT_EQ(effect->flags, 0x19);
    EXPECT_EQ(effect->numPrograms, 4);
    EXPECT_EQ(effect->numParams, 14);
    ERect* rect = nullptr;
    EXPECT_EQ(dispatch(effect, effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 190);
    EXPECT_EQ(rect->right, 340);
}

TEST_P(EditorEndToEnd, OpensIdlesClosesAndReopensTheSamePanel) {
    const auto expected = reference(GetParam(), {});
    createEffect();
    openEditor();
    ASSERT_EQ(soft::childWindows(hostWindow).size(), 1u);
    const auto first = pixelsOf(hostWindow, kWholePanel);
    EXPECT_EQ(first, pixelsOf(expected, kWholePanel));

    dispatch(effect, effEditClose);
    EXPECT_TRUE(soft::childWindows(hostWindow).empty());
    idle(2); // idle calls while closed are harmless
    ASSERT_EQ(dispatch(effect, effEditOpen, 0, 0, hostWindow), 1);
    soft::pumpMessages();
    idle(kSettleTicks);
    EXPECT_EQ(pixelsOf(hostWindow, kWholePanel), first);
}

// A Linux host hands the editor its own (X11) window, which this window system does not know:
// the editor refuses it and stays closed.
TEST_P(EditorEndToEnd, RefusesAParentWindowItDoesNotKnow) {
    createEffect();
    void* foreignWindow = reinterpret_cast<void*>(uintptr_t{0x3a00007});
    EXPECT_EQ(dispatch(effect, effEditOpen, 0, 0, foreignWindow), 0);
    EXPECT_EQ(dispatch(effect, effEditOpen, 0, 0, nullptr), 0);
    idle(2);
    dispatch(effect, effEditClose);
    // Still usable with a proper window afterwards.
    openEditor();
    EXPECT_EQ(soft::childWindows(hostWindow).size(), 1u);
}

TEST_P(EditorEndToEnd, TurningTheReleaseKnobAutomatesParameterThree) {
    createEffect();
    openEditor();
    const float before = effect->getParameter(effect, 3);
    host.clear();
    drag(195, 85, 225, 60);

    const float after = effect->getParameter(effect, 3);
    EXPECT_NE(after, before);
    std::vector<int32_t> bracket;
    float automated = -1.0f;
    for (const auto& call : host.calls()) {
        if (call.opcode == audioMasterBeginEdit || call.opcode == audioMasterEndEdit) {
            EXPECT_EQ(call.index, 3);
            bracket.push_back(call.opcode);
        } else if (call.opcode == audioMasterAutomate) {
            EXPECT_EQ(call.index, 3);
            bracket.push_back(call.opcode);
            automated = call.opt;
        }
    }
    ASSERT_GE(bracket.size(), 3u);
    EXPECT_EQ(bracket.front(), audioMasterBeginEdit);
    EXPECT_EQ(bracket.back(), audioMasterEndEdit);
    EXPECT_EQ(automated, after);

    // At the next idle the knob and its readout show the new value, as a fresh editor does.
    idle(2);
    const auto shownReadout = pixelsOf(hostWindow, kReleaseReadout);
    const auto shownKnob = pixelsOf(hostWindow, kReleaseKnob);
    closeEverything();
    snapshot::Request same;
    same.params = {{3, after}};
    const auto expected = reference(GetParam(), same);
    EXPECT_EQ(shownReadout, pixelsOf(expected, kReleaseReadout));
    EXPECT_EQ(shownKnob, pixelsOf(expected, kReleaseKnob));
}

TEST_P(EditorEndToEnd, KeyListenButtonTogglesParameterSix) {
    createEffect();
    openEditor();
    host.clear();
    click(31, 153);
    EXPECT_EQ(effect->getParameter(effect, 6), 1.0f);
    const auto automations = host.callsWith(audioMasterAutomate);
    ASSERT_FALSE(automations.empty());
    EXPECT_EQ(automations.back().index, 6);
    EXPECT_EQ(automations.back().opt, 1.0f);
    char text[64] = {};
    dispatch(effect, effGetParamDisplay, 6, 0, text);
    EXPECT_STREQ(text, "KeyListen");
    click(31, 153);
    EXPECT_EQ(effect->getParameter(effect, 6), 0.0f);
}

TEST_P(EditorEndToEnd, HostParameterChangesMoveTheControlsAtTheNextIdle) {
    createEffect();
    openEditor();
    const auto faderBefore = pixelsOf(hostWindow, kLowPassFader);
    effect->setParameter(effect, 7, 0.3f);
    EXPECT_EQ(pixelsOf(hostWindow, kLowPassFader), faderBefore) << "nothing is drawn before idle";
    idle(1);
    const auto faderAfter = pixelsOf(hostWindow, kLowPassFader);
    const auto readoutAfter = pixelsOf(hostWindow, kLowPassReadout);
    EXPECT_NE(faderAfter, faderBefore);

    // Parameters without a control change nothing on the panel.
    const auto panel = pixelsOf(hostWindow, kWholePanel);
    for (int index = 11; index <= 13; ++index) {
        effect->setParameter(effect, index, 0.8f);
    }
    idle(2);
    EXPECT_EQ(pixelsOf(hostWindow, kWholePanel), panel);

    // While closed the editor does not follow; the next open shows the value.
    dispatch(effect, effEditClose);
    effect->setParameter(effect, 7, 0.6f);
    ASSERT_EQ(dispatch(effect, effEditOpen, 0, 0, hostWindow), 1);
    soft::pumpMessages();
    idle(kSettleTicks);
    const auto reopened = pixelsOf(hostWindow, kLowPassFader);
    closeEverything();

    snapshot::Request at03;
    at03.params = {{7, 0.3f}};
    const auto expected03 = reference(GetParam(), at03);
    EXPECT_EQ(faderAfter, pixelsOf(expected03, kLowPassFader));
    EXPECT_EQ(readoutAfter, pixelsOf(expected03, kLowPassReadout));
    snapshot::Request at06;
    at06.params = {{7, 0.6f}};
    EXPECT_EQ(reopened, pixelsOf(reference(GetParam(), at06), kLowPassFader));
}

TEST_P(EditorEndToEnd, ProgramChangesUpdateEveryControl) {
    snapshot::Request expand;
    expand.program = 3;
    const auto expected = reference(GetParam(), expand);
    createEffect();
    openEditor();
    dispatch(effect, effSetProgram, 0, 3);
    idle(kSettleTicks);
    EXPECT_EQ(pixelsOf(hostWindow, kWholePanel), pixelsOf(expected, kWholePanel));
}

TEST_P(EditorEndToEnd, TheMeterFollowsTheGain) {
    createEffect();
    // Full range: the gate passes everything at unity gain.
    effect->setParameter(effect, 5, 1.0f);
    openEditor();
    process(0.5f, 40);
    EXPECT_FLOAT_EQ(effect->getParameter(effect, 9), 0.5f);
    idle(25);
    const auto unity = pixelsOf(hostWindow, Area{148, 30, 308, 35});
    // Range floor 0 and a signal far below the threshold: the gate closes and the meter falls
    // towards 0 by its decay step per repaint.
    effect->setParameter(effect, 5, 0.0f);
    process(0.0001f, 200);
    EXPECT_LT(effect->getParameter(effect, 9), 0.05f);
    idle(1);
    const auto falling = pixelsOf(hostWindow, Area{148, 30, 308, 35});
    idle(30);
    const auto closed = pixelsOf(hostWindow, Area{148, 30, 308, 35});
    EXPECT_NE(unity, falling);
    EXPECT_NE(falling, closed);
}

INSTANTIATE_TEST_SUITE_P(BothPlugins, EditorEndToEnd,
                         ::testing::Values("Kestrune_ST", "Kestrune_mono"));

} // namespace
} // namespace kestrune::test
