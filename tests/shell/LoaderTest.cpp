// The test plug-in library as a host sees it: loaded by path, driven through its record only.
#include "tests/host/PluginLibrary.h"
#include "tests/host/RecordingHost.h"
#include "tests/host/TestEffect.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace kestrune::test {
namespace {

using testhost::dispatch;
using testhost::PluginLibrary;
using testhost::RecordingHost;

std::string testEffectPath() {
    return PluginLibrary::builtPlugin("kestrune_test_effect");
}

TEST(Loader, FindsOnlyTheEntriesEachBuildExports) {
    struct Build {
        const char* name;
        bool hasMain;
        bool hasVstPluginMain;
    };
    const Build builds[] = {{"kestrune_test_effect", true, false},
                            {"kestrune_test_effect_VSTPluginMain", false, true},
                            {"kestrune_test_effect_both", true, true}};
    for (const Build& build : builds) {
        PluginLibrary library(PluginLibrary::builtPlugin(build.name));
        ASSERT_TRUE(library.loaded()) << build.name << ": " << library.error();
        EXPECT_EQ(library.entry("main") != nullptr, build.hasMain) << build.name;
        EXPECT_EQ(library.entry("VSTPluginMain") != nullptr, build.hasVstPluginMain) << build.name;
        EXPECT_EQ(library.entry("kestruneEntryMain"), nullptr) << build.name;
    }
}

TEST(Loader, TheRecordAsAHostSeesIt) {
    PluginLibrary library(testEffectPath());
    ASSERT_TRUE(library.loaded()) << library.error();
    RecordingHost host;
    AEffect* effect = library.create(RecordingHost::callback);
    ASSERT_NE(effect, nullptr);

    // main asked the host for its version, with no effect yet.
    const auto versionCalls = host.callsWith(audioMasterVersion);
    ASSERT_EQ(versionCalls.size(), 1u);
    EXPECT_EQ(versionCalls[0].effect, nullptr);

    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_EQ(effect->numPrograms, testhost::kTestEffectPrograms);
    EXPECT_EQ(effect->numParams, testhost::kTestEffectParams);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->flags, effFlagsHasEditor | effFlagsCanReplacing);
    EXPECT_EQ(effect->uniqueID, testhost::kTestEffectUniqueId);
    EXPECT_EQ(effect->version, 1);
    EXPECT_NE(effect->object, nullptr);
    EXPECT_EQ(effect->user, nullptr);
    EXPECT_EQ(effect->processDoubleReplacing, nullptr);

    EXPECT_EQ(dispatch(effect, effIdentify), 0x4E764566);
    char name[64] = {};
    EXPECT_EQ(dispatch(effect, effGetEffectName, 0, 0, name), 1);
    EXPECT_STREQ(name, "Kestrune test effect");
    EXPECT_EQ(dispatch(effect, effClose), 1);
}

TEST(Loader, ParametersAndProcessingGoThroughTheRecord) {
    PluginLibrary library(testEffectPath());
    RecordingHost host;
    AEffect* effect = library.create(RecordingHost::callback);
    ASSERT_NE(effect, nullptr);
    dispatch(effect, effOpen);
    dispatch(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    dispatch(effect, effSetBlockSize, 0, 64);
    dispatch(effect, effMainsChanged, 0, 1);

    effect->setParameter(effect, 0, 0.5f);
    EXPECT_EQ(effect->getParameter(effect, 0), 0.5f);
    effect->setParameter(effect, 0, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(effect->getParameter(effect, 0), 0.5f) << "a value that is not a number is ignored";

    std::vector<float> left(64, 1.0f), right(64, -1.0f), outLeft(64, 2.0f), outRight(64, 2.0f);
    float* inputs[] = {left.data(), right.data()};
    float* outputs[] = {outLeft.data(), outRight.data()};
    effect->processReplacing(effect, inputs, outputs, 64);
    EXPECT_EQ(outLeft[63], 0.5f);
    EXPECT_EQ(outRight[0], -0.5f);
    effect->process(effect, inputs, outputs, 64);
    EXPECT_EQ(outLeft[0], 1.0f);
    // A negative frame count processes nothing.
    effect->processReplacing(effect, inputs, outputs, -5);
    EXPECT_EQ(outLeft[0], 1.0f);

    dispatch(effect, effMainsChanged, 0, 0);
    dispatch(effect, effClose);
}

TEST(Loader, CloseRunsTheEffectsCloseHandlingBeforeDeletingIt) {
    PluginLibrary library(testEffectPath());
    RecordingHost host;
    AEffect* effect = library.create(RecordingHost::callback);
    ASSERT_NE(effect, nullptr);
    host.clear();
    EXPECT_EQ(dispatch(effect, effClose), 1);
    std::vector<int32_t> reports;
    for (const auto& call : host.callsWith(audioMasterVendorSpecific)) {
        reports.push_back(call.index);
    }
    EXPECT_EQ(reports, (std::vector<int32_t>{testhost::kReportClosed, testhost::kReportDestroyed}));
}

TEST(Loader, EditorKeysArriveAsAKeyRecord) {
    PluginLibrary library(testEffectPath());
    RecordingHost host;
    AEffect* effect = library.create(RecordingHost::callback);
    ASSERT_NE(effect, nullptr);
    ERect* rect = nullptr;
    EXPECT_EQ(dispatch(effect, effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right, 200);
    host.clear();
    EXPECT_EQ(dispatch(effect, effEditKeyDown, 'q', VKEY_UP, nullptr, 9.0f), 1);
    const auto keys = host.callsWith(audioMasterVendorSpecific);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].index, testhost::kReportKeyDown);
    EXPECT_EQ(keys[0].value, (VKEY_UP << 8) | 9);
    EXPECT_EQ(keys[0].opt, float('q'));
    dispatch(effect, effClose);
}

TEST(Loader, MainAnswersNullWhenTheHostDoesNotGiveAVersion) {
    PluginLibrary library(testEffectPath());
    RecordingHost host;
    host.answer(audioMasterVersion, 0);
    EXPECT_EQ(library.create(RecordingHost::callback), nullptr);
    // Only the version request was made: no effect was constructed.
    EXPECT_EQ(host.opcodes(), std::vector<int32_t>{audioMasterVersion});
}

TEST(Loader, MainAnswersNullWithoutAHostCallback) {
    PluginLibrary library(testEffectPath());
    ASSERT_NE(library.entry("main"), nullptr);
    EXPECT_EQ(library.entry("main")(nullptr), nullptr);
}

// The editor-creation failure is remembered for the rest of the process, so the test works on a
// private copy of the library.
TEST(Loader, AfterAnEditorCreationFailureEveryMainAnswersNull) {
    const std::string copy =
        std::string(KESTRUNE_TEST_OUTPUT_DIR) + "/editor-failure-copy" + PluginLibrary::suffix();
    std::remove(copy.c_str());
    ASSERT_TRUE(testhost::copyFile(testEffectPath(), copy));
    {
        PluginLibrary library(copy);
        ASSERT_TRUE(library.loaded()) << library.error();
        RecordingHost host;
        host.answerWith([](const testhost::HostCall& call) -> intptr_t {
            if (call.opcode == audioMasterVersion) {
                return 2400;
            }
            return call.opcode == audioMasterVendorSpecific &&
                   call.index == testhost::kAskEditorFailure;
        });
        EXPECT_EQ(library.create(RecordingHost::callback), nullptr);
        // The half-made effect was deleted.
        EXPECT_EQ(host.callsWith(audioMasterVendorSpecific).back().index,
                  testhost::kReportDestroyed);

        RecordingHost healthyHost;
        EXPECT_EQ(library.create(RecordingHost::callback), nullptr);
        EXPECT_EQ(healthyHost.callsWith(audioMasterVendorSpecific).back().index,
                  testhost::kReportDestroyed);
    }
    // The original library is not affected.
    PluginLibrary original(testEffectPath());
    RecordingHost host;
    AEffect* effect = original.create(RecordingHost::callback);
    ASSERT_NE(effect, nullptr);
    dispatch(effect, effClose);
}

// Every opcode a host could send, with null and with valid buffers: nothing may crash or write
// out of bounds (the address-sanitizer build checks the latter).
TEST(Loader, EveryOpcodeWithNullAndValidBuffers) {
    PluginLibrary library(testEffectPath());
    RecordingHost host;
    AEffect* effect = library.create(RecordingHost::callback);
    ASSERT_NE(effect, nullptr);
    alignas(16) unsigned char buffer[512];
    alignas(16) unsigned char valueBuffer[512];
    for (int pass = 0; pass < 2; ++pass) {
        for (int32_t opcode = -10; opcode <= 200; ++opcode) {
            if (opcode == effClose) {
                continue;
            }
            std::memset(buffer, 0, sizeof buffer);
            std::memset(valueBuffer, 0, sizeof valueBuffer);
            void* ptr = pass == 0 ? nullptr : buffer;
            const intptr_t value = pass == 0 ? 0 : reinterpret_cast<intptr_t>(valueBuffer);
            dispatch(effect, opcode, 0, value, ptr, 0.0f);
            dispatch(effect, opcode, -1, value, ptr, -1.0f);
        }
    }
    EXPECT_EQ(dispatch(effect, effClose), 1);
}

} // namespace
} // namespace kestrune::test
