// Host opcodes 0 to 76 reach the right operation with the right arguments and get the right
// answer; everything outside that range is answered 0.
#include "tests/shell/ProbeEffect.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kestrune::test {
namespace {

struct DispatchCase {
    int32_t opcode;
    int32_t index;
    intptr_t value;
    float opt;
    bool withEditor;
    const char* reached; // the log, entries separated by ' '; "" when nothing is called
    intptr_t answer;
};

std::string joined(const std::vector<std::string>& log) {
    std::string all;
    for (const std::string& entry : log) {
        all += (all.empty() ? "" : " ") + entry;
    }
    return all;
}

class DispatchTable : public ::testing::TestWithParam<DispatchCase> {};

TEST_P(DispatchTable, ReachesOperationAndAnswers) {
    const DispatchCase& c = GetParam();
    ProbeEffect effect;
    if (c.withEditor) {
        effect.attachEditor();
    }
    effect.meter = 0.5f;
    alignas(16) char buffer[256] = {};
    void* ptr = buffer;
    EXPECT_EQ(effect.dispatch(c.opcode, c.index, c.value, ptr, c.opt), c.answer)
        << "opcode " << c.opcode;
    EXPECT_EQ(joined(effect.log), c.reached) << "opcode " << c.opcode;
}

// clang-format off
const DispatchCase kCoreOpcodes[] = {
    {effOpen, 0, 0, 0, false, "onOpen()", 0},
    {effClose, 0, 0, 0, false, "onClose()", 0},
    {effSetProgram, 0, 2, 0, false, "selectProgram(2)", 0},
    {effSetProgram, 0, 4, 0, false, "", 0},
    {effSetProgram, 0, -1, 0, false, "", 0},
    {effGetProgram, 0, 0, 0, false, "currentProgram()", 0},
    {effSetProgramName, 0, 0, 0, false, "renameProgram()", 0},
    {effGetProgramName, 0, 0, 0, false, "copyProgramName()", 0},
    {effGetParamLabel, 3, 0, 0, false, "copyParamUnit(3)", 0},
    {effGetParamDisplay, 4, 0, 0, false, "copyParamText(4)", 0},
    {effGetParamName, 5, 0, 0, false, "copyParamName(5)", 0},
    {effGetVu, 0, 0, 0, false, "meterLevel()", 16383},
    {effSetSampleRate, 0, 0, 48000.0f, false, "changeSampleRate(48000)", 0},
    {effSetBlockSize, 0, 256, 0, false, "changeBlockSize(256)", 0},
    {effMainsChanged, 0, 0, 0, false, "onSwitchOff()", 0},
    {effMainsChanged, 0, 5, 0, false, "onSwitchOn()", 0},
    {effEditGetRect, 0, 0, 0, false, "", 0},
    {effEditGetRect, 0, 0, 0, true, "queryRect", 1},
    {effEditOpen, 0, 0, 0, false, "", 0},
    {effEditOpen, 0, 0, 0, true, "openIn", 7},
    {effEditClose, 0, 0, 0, false, "", 0},
    {effEditClose, 0, 0, 0, true, "closeEditor", 0},
    {effEditDraw, 0, 0, 0, true, "", 0},
    {effEditMouse, 0, 0, 0, true, "", 0},
    {effEditKey, 0, 0, 0, true, "", 0},
    {effEditIdle, 0, 0, 0, false, "", 0},
    {effEditIdle, 0, 0, 0, true, "idleTick", 0},
    {effEditTop, 0, 0, 0, true, "", 0},
    {effEditSleep, 0, 0, 0, true, "", 0},
    {effIdentify, 0, 0, 0, false, "", 0x4E764566},
    {effGetChunk, 1, 0, 0, false, "exportChunk(1)", 0},
    {effSetChunk, 0, 99, 0, false, "importChunk(99,0)", 0},
};

const DispatchCase kExtendedOpcodes[] = {
    {effProcessEvents, 0, 0, 0, false, "onEvents()", 0},
    {effCanBeAutomated, 9, 0, 0, false, "isParamAutomatable(9)", 1},
    {effString2Parameter, 2, 0, 0, false, "parseParamText(2)", 0},
    {effGetNumProgramCategories, 0, 0, 0, false, "categoryCount()", 1},
    {effGetProgramNameIndexed, 3, 1, 0, false, "copyProgramNameAt(1,3)", 0},
    {effCopyProgram, 2, 0, 0, false, "copyCurrentProgramTo(2)", 0},
    {effConnectInput, 1, 1, 0, false, "onInputConnected(1,1)", 1},
    {effConnectOutput, 0, 0, 0, false, "onOutputConnected(0,0)", 1},
    {effGetInputProperties, 1, 0, 0, false, "copyInputProperties(1)", 0},
    {effGetOutputProperties, 0, 0, 0, false, "copyOutputProperties(0)", 0},
    {effGetPlugCategory, 0, 0, 0, false, "effectCategory()", 0},
    {effGetCurrentPosition, 0, 0, 0, false, "currentPosition()", 0},
    {effGetDestinationBuffer, 0, 0, 0, false, "destinationBuffer()", 0},
    {effOfflineNotify, 1, 3, 0, false, "onOfflineNotify(3,1)", 0},
    {effOfflinePrepare, 0, 2, 0, false, "onOfflinePrepare(2)", 0},
    {effOfflineRun, 0, 2, 0, false, "onOfflineRun(2)", 0},
    {effProcessVarIo, 0, 0, 0, false, "onVariableIo()", 0},
    {effSetBlockSizeAndSampleRate, 0, 512, 48000.0f, false, "changeBlockSizeAndRate(512,48000)", 1},
    {effSetBypass, 0, 1, 0, false, "onBypass(1)", 0},
    {effGetEffectName, 0, 0, 0, false, "copyEffectName()", 0},
    {effGetErrorText, 0, 0, 0, false, "copyErrorText()", 0},
    {effGetVendorString, 0, 0, 0, false, "copyVendorName()", 0},
    {effGetProductString, 0, 0, 0, false, "copyProductName()", 0},
    {effGetVendorVersion, 0, 0, 0, false, "vendorVersion()", 0},
    {effVendorSpecific, 4, 5, 0.5f, false, "onVendorSpecific(4,5,0.5)", 0},
    {effCanDo, 0, 0, 0, false, "answerCanDo()", 0},
    {effGetTailSize, 0, 0, 0, false, "tailSize()", 0},
    {effIdle, 0, 0, 0, false, "onEffectIdle()", 0},
    {effGetIcon, 0, 0, 0, false, "icon()", 0},
    {effSetViewPosition, 10, 20, 0, false, "moveView(10,20)", 0},
    {effGetParameterProperties, 6, 0, 0, false, "copyParamProperties(6)", 0},
    {effKeysRequired, 0, 0, 0, false, "needsKeys()", 1},
    {effGetVstVersion, 0, 0, 0, false, "interfaceVersion()", 2300},
    {effEditKeyDown, 65, 13, 9.0f, false, "", 0},
    {effEditKeyDown, 65, 0x10D, 9.7f, true, "keyPressed(65,13,9)", 5},
    {effEditKeyUp, 66, 11, 1.0f, false, "", 0},
    {effEditKeyUp, 66, 11, 1.0f, true, "keyReleased(66,11,1)", 6},
    {effSetEditKnobMode, 0, 2, 0, false, "", 0},
    {effSetEditKnobMode, 0, 2, 0, true, "changeKnobMode(2)", 1},
    {effGetMidiProgramName, 3, 0, 0, false, "copyMidiProgramName(3)", 0},
    {effGetCurrentMidiProgram, 3, 0, 0, false, "copyCurrentMidiProgram(3)", -1},
    {effGetMidiProgramCategory, 3, 0, 0, false, "copyMidiProgramCategory(3)", 0},
    {effHasMidiProgramsChanged, 3, 0, 0, false, "midiProgramsChanged(3)", 0},
    {effGetMidiKeyName, 3, 0, 0, false, "copyMidiKeyName(3)", 0},
    {effBeginSetProgram, 0, 0, 0, false, "onBeginProgramChange()", 0},
    {effEndSetProgram, 0, 0, 0, false, "onEndProgramChange()", 0},
    {effShellGetNextPlugin, 0, 0, 0, false, "nextShellEffect()", 0},
    {effStartProcess, 0, 0, 0, false, "onStartProcess()", 0},
    {effStopProcess, 0, 0, 0, false, "onStopProcess()", 0},
    {effSetTotalSampleToProcess, 0, 1000, 0, false, "onTotalSamples(1000)", 1000},
    {effSetPanLaw, 0, 1, 0.5f, false, "onPanLaw(1,0.5)", 0},
    {effBeginLoadBank, 0, 0, 0, false, "onBeginLoadBank()", 0},
    {effBeginLoadProgram, 0, 0, 0, false, "onBeginLoadProgram()", 0},
};

const DispatchCase kOutsideTheTable[] = {
    {-1, 0, 0, 0, true, "", 0},
    {-100, 0, 0, 0, true, "", 0},
    {77, 0, 0, 0, true, "", 0},
    {78, 1, 1, 1, true, "", 0},
    {1000, 0, 0, 0, true, "", 0},
};
// clang-format on

std::string caseName(const ::testing::TestParamInfo<DispatchCase>& info) {
    const int32_t opcode = info.param.opcode;
    return (opcode < 0 ? "minus" + std::to_string(-opcode) : "opcode" + std::to_string(opcode)) +
           "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(Core, DispatchTable, ::testing::ValuesIn(kCoreOpcodes), caseName);
INSTANTIATE_TEST_SUITE_P(Extended, DispatchTable, ::testing::ValuesIn(kExtendedOpcodes), caseName);
INSTANTIATE_TEST_SUITE_P(Outside, DispatchTable, ::testing::ValuesIn(kOutsideTheTable), caseName);

// ---- opcodes whose pointer arguments need a closer look ----

TEST(Dispatch, CanDoAnswersZeroForEveryText) {
    ProbeEffect effect;
    for (const char* text : {"bypass", "sendVstEvents", "receiveVstMidiEvent", "", "sizeWindow"}) {
        EXPECT_EQ(effect.dispatch(effCanDo, 0, 0, const_cast<char*>(text), 0.0f), 0) << text;
    }
}

TEST(Dispatch, EditGetRectHandsOutTheEditorsRectangle) {
    ProbeEffect effect;
    effect.attachEditor();
    ERect* rect = nullptr;
    EXPECT_EQ(effect.dispatch(effEditGetRect, 0, 0, &rect, 0.0f), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->bottom, 190);
    EXPECT_EQ(rect->right, 340);
}

TEST(Dispatch, GetSpeakerArrangementStoresNullThroughBothAddresses) {
    ProbeEffect effect;
    VstSpeakerArrangement dummy{};
    VstSpeakerArrangement* input = &dummy;
    VstSpeakerArrangement* output = &dummy;
    EXPECT_EQ(effect.dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&input),
                              &output, 0.0f),
              0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
}

TEST(Dispatch, EffectCategoryFollowsTheSynthFlag) {
    ProbeEffect effect;
    EXPECT_EQ(effect.dispatch(effGetPlugCategory, 0, 0, nullptr, 0.0f), 0);
    effect.declareSynth(true);
    EXPECT_EQ(effect.dispatch(effGetPlugCategory, 0, 0, nullptr, 0.0f), 2);
}

TEST(Dispatch, BlockSizeAndRateAreStored) {
    ProbeEffect effect;
    effect.dispatch(effSetBlockSizeAndSampleRate, 0, 512, nullptr, 48000.0f);
    EXPECT_EQ(effect.currentBlockSize(), 512);
    EXPECT_EQ(effect.currentSampleRate(), 48000.0f);
}

// A host that passes null where the effect would write (or read) through a pointer gets 0 and
// nothing is called.
TEST(Dispatch, NullPointersAreAnsweredWithoutCallingAnything) {
    const int32_t pointerOpcodes[] = {
        effSetProgramName,
        effGetProgramName,
        effGetParamLabel,
        effGetParamDisplay,
        effGetParamName,
        effEditGetRect,
        effGetChunk,
        effSetChunk,
        effString2Parameter,
        effGetProgramNameIndexed,
        effGetInputProperties,
        effGetOutputProperties,
        effSetSpeakerArrangement,
        effGetEffectName,
        effGetErrorText,
        effGetVendorString,
        effGetProductString,
        effCanDo,
        effGetParameterProperties,
        effGetMidiProgramName,
        effGetCurrentMidiProgram,
        effGetMidiProgramCategory,
        effGetMidiKeyName,
        effGetSpeakerArrangement,
        effShellGetNextPlugin,
    };
    for (int32_t opcode : pointerOpcodes) {
        ProbeEffect effect;
        effect.attachEditor();
        EXPECT_EQ(effect.dispatch(opcode, 0, 0, nullptr, 0.0f), 0) << "opcode " << opcode;
        EXPECT_TRUE(effect.log.empty()) << "opcode " << opcode << ": " << joined(effect.log);
    }
}

TEST(Dispatch, SpeakerArrangementWithOnlyOneAddressWritesNothing) {
    ProbeEffect effect;
    VstSpeakerArrangement dummy{};
    VstSpeakerArrangement* output = &dummy;
    EXPECT_EQ(effect.dispatch(effGetSpeakerArrangement, 0, 0, &output, 0.0f), 0);
    EXPECT_EQ(output, &dummy);
}

// ---- values a host should not send ----

TEST(Dispatch, SampleRatesThatAreNotFinitePositiveNumbersAreIgnored) {
    ProbeEffect effect;
    for (float rate : {0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity()}) {
        effect.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    }
    EXPECT_TRUE(effect.log.empty());
    EXPECT_EQ(effect.currentSampleRate(), 44100.0f);
}

TEST(Dispatch, MeterReadingsThatAreNotNumbersAnswerZero) {
    ProbeEffect effect;
    effect.meter = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(effect.dispatch(effGetVu, 0, 0, nullptr, 0.0f), 0);
    effect.meter = std::numeric_limits<float>::infinity();
    EXPECT_EQ(effect.dispatch(effGetVu, 0, 0, nullptr, 0.0f), 0);
    effect.meter = 1.0f;
    EXPECT_EQ(effect.dispatch(effGetVu, 0, 0, nullptr, 0.0f), 32767);
}

TEST(Dispatch, KeyModifiersThatAreNotNumbersBecomeZero) {
    ProbeEffect effect;
    effect.attachEditor();
    effect.dispatch(effEditKeyDown, 'a', 12, nullptr, std::numeric_limits<float>::quiet_NaN());
    ASSERT_EQ(effect.log.size(), 1u);
    EXPECT_EQ(effect.log[0], "keyPressed(97,12,0)");
}

TEST(Dispatch, ProgramValuesBeyondThirtyTwoBitsAreRejected) {
    ProbeEffect effect;
    const intptr_t huge = static_cast<intptr_t>(INTPTR_MAX);
    effect.dispatch(effSetProgram, 0, huge, nullptr, 0.0f);
    EXPECT_TRUE(effect.log.empty());
}

} // namespace
} // namespace kestrune::test
