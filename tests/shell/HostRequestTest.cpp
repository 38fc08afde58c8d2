// Requests to the host: what is sent, how the answer is read, and the answer without a host.
#include "tests/host/RecordingHost.h"
#include "tests/shell/ProbeEffect.h"

#include <gtest/gtest.h>

#include <functional>

namespace kestrune::test {
namespace {

using testhost::HostCall;
using testhost::RecordingHost;

char textBuffer[64] = "text";
int pointerTarget = 0;

struct RequestCase {
    const char* name;
    std::function<intptr_t(ProbeEffect&)> request;
    int32_t opcode;
    int32_t index;
    intptr_t value;
    void* ptr;
    float opt;
    intptr_t hostAnswer;
    intptr_t expected;
    intptr_t withoutHost;
};

// clang-format off
const RequestCase kRequests[] = {
    {"askHostVersion", [](ProbeEffect& e) { return intptr_t(e.askHostVersion()); }, 1, 0, 0, nullptr, 0, 2400, 2400, 1},
    {"askHostVersionZero", [](ProbeEffect& e) { return intptr_t(e.askHostVersion()); }, 1, 0, 0, nullptr, 0, 0, 1, 1},
    {"askHostCurrentId", [](ProbeEffect& e) { return intptr_t(e.askHostCurrentId()); }, 2, 0, 0, nullptr, 0, 77, 77, 0},
    {"askHostIdle", [](ProbeEffect& e) { return e.askHostIdle(); }, 3, 0, 0, nullptr, 0, 1, 1, 0},
    {"askInputConnected", [](ProbeEffect& e) { return intptr_t(e.askInputConnected(1)); }, 4, 1, 0, nullptr, 0, 0, 1, 1},
    {"askInputNotConnected", [](ProbeEffect& e) { return intptr_t(e.askInputConnected(1)); }, 4, 1, 0, nullptr, 0, 1, 0, 1},
    {"askOutputConnected", [](ProbeEffect& e) { return intptr_t(e.askOutputConnected(2)); }, 4, 2, 1, nullptr, 0, 0, 1, 1},
    {"askWantMidi", [](ProbeEffect& e) { return e.askWantMidi(3); }, 6, 0, 3, nullptr, 0, 5, 5, 0},
    {"askTimeInfo", [](ProbeEffect& e) { return reinterpret_cast<intptr_t>(e.askTimeInfo(2)); }, 7, 0, 2, nullptr, 0, reinterpret_cast<intptr_t>(&pointerTarget), reinterpret_cast<intptr_t>(&pointerTarget), 0},
    {"askTempoAt", [](ProbeEffect& e) { return e.askTempoAt(4410); }, 10, 0, 4410, nullptr, 0, 120000, 120000, 0},
    {"askAutomatableCount", [](ProbeEffect& e) { return e.askAutomatableCount(); }, 11, 0, 0, nullptr, 0, 8, 8, 0},
    {"askParamQuantization", [](ProbeEffect& e) { return e.askParamQuantization(); }, 12, 0, 0, nullptr, 0, 3, 3, 0},
    {"askIoChanged", [](ProbeEffect& e) { return intptr_t(e.askIoChanged()); }, 13, 0, 0, nullptr, 0, 9, 1, 0},
    {"askNeedIdle", [](ProbeEffect& e) { return intptr_t(e.askNeedIdle()); }, 14, 0, 0, nullptr, 0, 1, 1, 0},
    {"askSizeWindow", [](ProbeEffect& e) { return intptr_t(e.askSizeWindow(340, 190)); }, 15, 340, 190, nullptr, 0, 1, 1, 0},
    {"askSampleRate", [](ProbeEffect& e) { return intptr_t(e.askSampleRate()); }, 16, 0, 0, nullptr, 0, 96000, 96000, 44100},
    {"askSampleRateZeroKeeps", [](ProbeEffect& e) { return intptr_t(e.askSampleRate()); }, 16, 0, 0, nullptr, 0, 0, 44100, 44100},
    {"askBlockSize", [](ProbeEffect& e) { return intptr_t(e.askBlockSize()); }, 17, 0, 0, nullptr, 0, 256, 256, 1024},
    {"askBlockSizeNegativeKeeps", [](ProbeEffect& e) { return intptr_t(e.askBlockSize()); }, 17, 0, 0, nullptr, 0, -5, 1024, 1024},
    {"askInputLatency", [](ProbeEffect& e) { return e.askInputLatency(); }, 18, 0, 0, nullptr, 0, 64, 64, 0},
    {"askOutputLatency", [](ProbeEffect& e) { return e.askOutputLatency(); }, 19, 0, 0, nullptr, 0, 32, 32, 0},
    {"askPreviousEffect", [](ProbeEffect& e) { return reinterpret_cast<intptr_t>(e.askPreviousEffect(1)); }, 20, 0, 0, nullptr, 0, reinterpret_cast<intptr_t>(&pointerTarget), reinterpret_cast<intptr_t>(&pointerTarget), 0},
    {"askNextEffect", [](ProbeEffect& e) { return reinterpret_cast<intptr_t>(e.askNextEffect(1)); }, 21, 0, 0, nullptr, 0, 0, 0, 0},
    {"askReplaceOrAccumulate", [](ProbeEffect& e) { return e.askReplaceOrAccumulate(); }, 22, 0, 0, nullptr, 0, 1, 1, 0},
    {"askProcessLevel", [](ProbeEffect& e) { return e.askProcessLevel(); }, 23, 0, 0, nullptr, 0, 2, 2, 0},
    {"askAutomationState", [](ProbeEffect& e) { return e.askAutomationState(); }, 24, 0, 0, nullptr, 0, 4, 4, 0},
    {"askOfflineStart", [](ProbeEffect& e) { return intptr_t(e.askOfflineStart(&pointerTarget, 3, 2)); }, 25, 2, 3, &pointerTarget, 0, 1, 1, 0},
    {"askOfflineRead", [](ProbeEffect& e) { return intptr_t(e.askOfflineRead(&pointerTarget, 7, true)); }, 26, 1, 7, &pointerTarget, 0, 1, 1, 0},
    {"askOfflineWrite", [](ProbeEffect& e) { return intptr_t(e.askOfflineWrite(&pointerTarget, 6)); }, 27, 0, 6, &pointerTarget, 0, 0, 0, 0},
    {"askOfflinePass", [](ProbeEffect& e) { return intptr_t(e.askOfflinePass()); }, 28, 0, 0, nullptr, 0, 1, 1, 0},
    {"askOfflineMetaPass", [](ProbeEffect& e) { return intptr_t(e.askOfflineMetaPass()); }, 29, 0, 0, nullptr, 0, 1, 1, 0},
    {"askSetOutputSampleRate", [](ProbeEffect& e) { e.askSetOutputSampleRate(48000.0f); return intptr_t(0); }, 30, 0, 0, nullptr, 48000.0f, 1, 0, 0},
    {"askOutputArrangement", [](ProbeEffect& e) { return reinterpret_cast<intptr_t>(e.askOutputArrangement()); }, 31, 0, 0, nullptr, 0, reinterpret_cast<intptr_t>(&pointerTarget), reinterpret_cast<intptr_t>(&pointerTarget), 0},
    {"askHostVendor", [](ProbeEffect& e) { return intptr_t(e.askHostVendor(textBuffer)); }, 32, 0, 0, textBuffer, 0, 1, 1, 0},
    {"askHostProduct", [](ProbeEffect& e) { return intptr_t(e.askHostProduct(textBuffer)); }, 33, 0, 0, textBuffer, 0, 0, 0, 0},
    {"askHostVendorVersion", [](ProbeEffect& e) { return e.askHostVendorVersion(); }, 34, 0, 0, nullptr, 0, 1000, 1000, 0},
    {"askHostVendorSpecific", [](ProbeEffect& e) { return e.askHostVendorSpecific(5, 6, &pointerTarget, 0.25f); }, 35, 5, 6, &pointerTarget, 0.25f, 42, 42, 0},
    {"askHostCanDo", [](ProbeEffect& e) { return intptr_t(e.askHostCanDo("sizeWindow")); }, 37, 0, 0, nullptr, 0, 1, 1, 0},
    {"askHostLanguage", [](ProbeEffect& e) { return e.askHostLanguage(); }, 38, 0, 0, nullptr, 0, 1, 1, 0},
    {"askOpenWindow", [](ProbeEffect& e) { return reinterpret_cast<intptr_t>(e.askOpenWindow(&pointerTarget)); }, 39, 0, 0, &pointerTarget, 0, reinterpret_cast<intptr_t>(textBuffer), reinterpret_cast<intptr_t>(textBuffer), 0},
    {"askCloseWindow", [](ProbeEffect& e) { return intptr_t(e.askCloseWindow(&pointerTarget)); }, 40, 0, 0, &pointerTarget, 0, 1, 1, 0},
    {"askHostDirectory", [](ProbeEffect& e) { return reinterpret_cast<intptr_t>(e.askHostDirectory()); }, 41, 0, 0, nullptr, 0, reinterpret_cast<intptr_t>(textBuffer), reinterpret_cast<intptr_t>(textBuffer), 0},
    {"askUpdateDisplay", [](ProbeEffect& e) { return intptr_t(e.askUpdateDisplay()); }, 42, 0, 0, nullptr, 0, 1, 1, 0},
    {"askBeginEdit", [](ProbeEffect& e) { return intptr_t(e.askBeginEdit(3)); }, 43, 3, 0, nullptr, 0, 1, 1, 0},
    {"askEndEdit", [](ProbeEffect& e) { return intptr_t(e.askEndEdit(3)); }, 44, 3, 0, nullptr, 0, 1, 1, 0},
    {"askOpenFileSelector", [](ProbeEffect& e) { return intptr_t(e.askOpenFileSelector(&pointerTarget)); }, 45, 0, 0, &pointerTarget, 0, 1, 1, 0},
    {"askInputArrangement", [](ProbeEffect& e) { return reinterpret_cast<intptr_t>(e.askInputArrangement()); }, 49, 0, 0, nullptr, 0, reinterpret_cast<intptr_t>(&pointerTarget), reinterpret_cast<intptr_t>(&pointerTarget), 0},
};
// clang-format on

class HostRequests : public ::testing::TestWithParam<RequestCase> {};

TEST_P(HostRequests, SendTheOpcodeAndConvertTheAnswer) {
    const RequestCase& c = GetParam();
    RecordingHost host;
    host.answer(c.opcode, c.hostAnswer);
    ProbeEffect effect(RecordingHost::callback);
    EXPECT_EQ(c.request(effect), c.expected);

    const std::vector<HostCall> calls = host.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].effect, &effect.hostRecord);
    EXPECT_EQ(calls[0].opcode, c.opcode);
    EXPECT_EQ(calls[0].index, c.index);
    EXPECT_EQ(calls[0].value, c.value);
    if (c.opcode == audioMasterCanDo) {
        EXPECT_EQ(calls[0].text, "sizeWindow");
    } else {
        EXPECT_EQ(calls[0].ptr, c.ptr);
    }
    EXPECT_EQ(calls[0].opt, c.opt);
}

TEST_P(HostRequests, AnswerTheirDefaultWithoutAHost) {
    const RequestCase& c = GetParam();
    RecordingHost host; // present, but the effect has no callback
    ProbeEffect effect(nullptr);
    EXPECT_EQ(c.request(effect), c.withoutHost);
    EXPECT_TRUE(host.calls().empty());
}

INSTANTIATE_TEST_SUITE_P(All, HostRequests, ::testing::ValuesIn(kRequests),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HostRequests, OpenFileSelectorWithoutSelectionDoesNotCallTheHost) {
    RecordingHost host;
    host.answer(audioMasterOpenFileSelector, 1);
    ProbeEffect effect(RecordingHost::callback);
    EXPECT_FALSE(effect.askOpenFileSelector(nullptr));
    EXPECT_TRUE(host.calls().empty());
}

RecordingHost* hostSeenByApply = nullptr;

TEST(HostRequests, AutomationAppliesFirstThenTellsTheHost) {
    RecordingHost host;
    hostSeenByApply = &host;
    struct Ordered : ProbeEffect {
        using ProbeEffect::ProbeEffect;
        void applyParam(int32_t index, float value) override {
            log.push_back("applyParam(" + describe(index, value) + ")");
            hostCallsWhenApplied = hostSeenByApply->calls().size();
        }
        std::size_t hostCallsWhenApplied = 99;
    } effect(RecordingHost::callback);
    effect.applyParamAndAutomate(3, 0.25f);
    ASSERT_EQ(effect.log.size(), 1u);
    EXPECT_EQ(effect.log[0], "applyParam(3,0.25)");
    EXPECT_EQ(effect.hostCallsWhenApplied, 0u);
    const auto calls = host.callsWith(audioMasterAutomate);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].index, 3);
    EXPECT_EQ(calls[0].value, 0);
    EXPECT_EQ(calls[0].opt, 0.25f);
}

TEST(HostRequests, AutomationWithoutAHostStillApplies) {
    struct Applied : ProbeEffect {
        using ProbeEffect::ProbeEffect;
        void applyParam(int32_t index, float) override { last = index; }
        int32_t last = -1;
    } effect(nullptr);
    effect.applyParamAndAutomate(5, 1.0f);
    EXPECT_EQ(effect.last, 5);
}

} // namespace
} // namespace kestrune::test
