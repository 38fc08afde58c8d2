// The VST 2 binary interface as hosts see it: the effect record, the small records the opcodes
// carry, the function types, and the opcode and flag numbers this plug-in uses. Layouts are
// checked against the published offsets for the target at the end of this file.
#pragma once

#include <cstddef>
#include <cstdint>

struct AEffect;

#if defined(_WIN32) && !defined(_WIN64)
#define KESTRUNE_VST_CALL __cdecl
#else
#define KESTRUNE_VST_CALL
#endif

// ---- function types ----

using audioMasterCallback = intptr_t(KESTRUNE_VST_CALL*)(AEffect* effect, int32_t opcode,
                                                         int32_t index, intptr_t value, void* ptr,
                                                         float opt);
using AEffectDispatcherProc = intptr_t(KESTRUNE_VST_CALL*)(AEffect* effect, int32_t opcode,
                                                           int32_t index, intptr_t value, void* ptr,
                                                           float opt);
using AEffectProcessProc = void(KESTRUNE_VST_CALL*)(AEffect* effect, float** inputs,
                                                    float** outputs, int32_t sampleFrames);
using AEffectProcessDoubleProc = void(KESTRUNE_VST_CALL*)(AEffect* effect, double** inputs,
                                                          double** outputs, int32_t sampleFrames);
using AEffectSetParameterProc = void(KESTRUNE_VST_CALL*)(AEffect* effect, int32_t index,
                                                         float value);
using AEffectGetParameterProc = float(KESTRUNE_VST_CALL*)(AEffect* effect, int32_t index);
using VstEntryProc = AEffect*(KESTRUNE_VST_CALL*)(audioMasterCallback host);

// ---- records ----

constexpr int32_t kEffectMagic = 0x56737450; // 'VstP'

struct AEffect {
    int32_t magic;
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process;
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    int32_t numPrograms;
    int32_t numParams;
    int32_t numInputs;
    int32_t numOutputs;
    int32_t flags;
    intptr_t resvd1;
    intptr_t resvd2;
    int32_t initialDelay;
    int32_t realQualities;
    int32_t offQualities;
    float ioRatio;
    void* object;
    void* user;
    int32_t uniqueID;
    int32_t version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56];
};

struct ERect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};

struct VstKeyCode {
    int32_t character;
    uint8_t virt;
    uint8_t modifier;
};

struct VstSpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[64];
    int32_t type;
    char future[28];
};

struct VstSpeakerArrangement {
    int32_t type;
    int32_t numChannels;
    VstSpeakerProperties speakers[1]; // numChannels entries follow the header
};

constexpr std::size_t kSpeakerArrangementHeaderBytes = 8;

// Records the extended opcodes pass through but this plug-in never reads.
struct VstEvents;
struct VstTimeInfo;
struct VstPinProperties;
struct VstParameterProperties;

// ---- effect flags ----

enum VstEffectFlags : int32_t {
    effFlagsHasEditor = 1,
    effFlagsHasClip = 2,
    effFlagsHasVu = 4,
    effFlagsCanMono = 8,
    effFlagsCanReplacing = 16,
    effFlagsProgramChunks = 32,
    effFlagsIsSynth = 256,
    effFlagsNoSoundInStop = 512,
    effFlagsExtIsAsync = 1024,
    effFlagsExtHasBuffer = 2048,
};

// ---- key codes ----

enum VstModifierKey : uint8_t {
    MODIFIER_SHIFT = 1,
    MODIFIER_ALTERNATE = 2,
    MODIFIER_COMMAND = 4,
    MODIFIER_CONTROL = 8,
};

enum VstVirtualKey : uint8_t {
    VKEY_LEFT = 11,
    VKEY_UP = 12,
    VKEY_RIGHT = 13,
    VKEY_DOWN = 14,
};

// ---- opcodes the host sends to the effect ----

enum VstEffectOpcode : int32_t {
    effOpen = 0,
    effClose,
    effSetProgram,
    effGetProgram,
    effSetProgramName,
    effGetProgramName,
    effGetParamLabel,
    effGetParamDisplay,
    effGetParamName,
    effGetVu,
    effSetSampleRate, // 10
    effSetBlockSize,
    effMainsChanged,
    effEditGetRect,
    effEditOpen,
    effEditClose,
    effEditDraw,
    effEditMouse,
    effEditKey,
    effEditIdle,
    effEditTop, // 20
    effEditSleep,
    effIdentify,
    effGetChunk,
    effSetChunk,
    effProcessEvents, // 25
    effCanBeAutomated,
    effString2Parameter,
    effGetNumProgramCategories,
    effGetProgramNameIndexed,
    effCopyProgram, // 30
    effConnectInput,
    effConnectOutput,
    effGetInputProperties,
    effGetOutputProperties,
    effGetPlugCategory,
    effGetCurrentPosition,
    effGetDestinationBuffer,
    effOfflineNotify,
    effOfflinePrepare,
    effOfflineRun, // 40
    effProcessVarIo,
    effSetSpeakerArrangement,
    effSetBlockSizeAndSampleRate,
    effSetBypass,
    effGetEffectName,
    effGetErrorText,
    effGetVendorString,
    effGetProductString,
    effGetVendorVersion,
    effVendorSpecific, // 50
    effCanDo,
    effGetTailSize,
    effIdle,
    effGetIcon,
    effSetViewPosition,
    effGetParameterProperties,
    effKeysRequired,
    effGetVstVersion,
    effEditKeyDown,
    effEditKeyUp, // 60
    effSetEditKnobMode,
    effGetMidiProgramName,
    effGetCurrentMidiProgram,
    effGetMidiProgramCategory,
    effHasMidiProgramsChanged,
    effGetMidiKeyName,
    effBeginSetProgram,
    effEndSetProgram,
    effGetSpeakerArrangement,
    effShellGetNextPlugin, // 70
    effStartProcess,
    effStopProcess,
    effSetTotalSampleToProcess,
    effSetPanLaw,
    effBeginLoadBank,
    effBeginLoadProgram, // 76
};

// ---- opcodes the effect sends to the host ----

enum VstHostOpcode : int32_t {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterPinConnected = 4,
    audioMasterWantMidi = 6,
    audioMasterGetTime = 7,
    audioMasterProcessEvents = 8,
    audioMasterSetTime = 9,
    audioMasterTempoAt = 10,
    audioMasterGetNumAutomatableParameters = 11,
    audioMasterGetParameterQuantization = 12,
    audioMasterIOChanged = 13,
    audioMasterNeedIdle = 14,
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetInputLatency = 18,
    audioMasterGetOutputLatency = 19,
    audioMasterGetPreviousPlug = 20,
    audioMasterGetNextPlug = 21,
    audioMasterWillReplaceOrAccumulate = 22,
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetAutomationState = 24,
    audioMasterOfflineStart = 25,
    audioMasterOfflineRead = 26,
    audioMasterOfflineWrite = 27,
    audioMasterOfflineGetCurrentPass = 28,
    audioMasterOfflineGetCurrentMetaPass = 29,
    audioMasterSetOutputSampleRate = 30,
    audioMasterGetOutputSpeakerArrangement = 31,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterVendorSpecific = 35,
    audioMasterSetIcon = 36,
    audioMasterCanDo = 37,
    audioMasterGetLanguage = 38,
    audioMasterOpenWindow = 39,
    audioMasterCloseWindow = 40,
    audioMasterGetDirectory = 41,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
    audioMasterOpenFileSelector = 45,
    audioMasterGetInputSpeakerArrangement = 49,
};

// ---- layout checks ----

#if INTPTR_MAX == INT64_MAX
static_assert(offsetof(AEffect, magic) == 0);
static_assert(offsetof(AEffect, dispatcher) == 8);
static_assert(offsetof(AEffect, process) == 16);
static_assert(offsetof(AEffect, setParameter) == 24);
static_assert(offsetof(AEffect, getParameter) == 32);
static_assert(offsetof(AEffect, numPrograms) == 40);
static_assert(offsetof(AEffect, numParams) == 44);
static_assert(offsetof(AEffect, numInputs) == 48);
static_assert(offsetof(AEffect, numOutputs) == 52);
static_assert(offsetof(AEffect, flags) == 56);
static_assert(offsetof(AEffect, resvd1) == 64);
static_assert(offsetof(AEffect, resvd2) == 72);
static_assert(offsetof(AEffect, initialDelay) == 80);
static_assert(offsetof(AEffect, realQualities) == 84);
static_assert(offsetof(AEffect, offQualities) == 88);
static_assert(offsetof(AEffect, ioRatio) == 92);
static_assert(offsetof(AEffect, object) == 96);
static_assert(offsetof(AEffect, user) == 104);
static_assert(offsetof(AEffect, uniqueID) == 112);
static_assert(offsetof(AEffect, version) == 116);
static_assert(offsetof(AEffect, processReplacing) == 120);
static_assert(offsetof(AEffect, processDoubleReplacing) == 128);
static_assert(offsetof(AEffect, future) == 136);
static_assert(sizeof(AEffect) == 192);
#else
static_assert(offsetof(AEffect, dispatcher) == 4);
static_assert(offsetof(AEffect, numPrograms) == 20);
static_assert(offsetof(AEffect, flags) == 36);
static_assert(offsetof(AEffect, resvd1) == 40);
static_assert(offsetof(AEffect, initialDelay) == 48);
static_assert(offsetof(AEffect, ioRatio) == 60);
static_assert(offsetof(AEffect, object) == 64);
static_assert(offsetof(AEffect, uniqueID) == 72);
static_assert(offsetof(AEffect, processReplacing) == 80);
static_assert(offsetof(AEffect, processDoubleReplacing) == 84);
static_assert(offsetof(AEffect, future) == 88);
static_assert(sizeof(AEffect) == 144);
#endif
static_assert(sizeof(ERect) == 8 && offsetof(ERect, left) == 2 && offsetof(ERect, right) == 6);
static_assert(sizeof(VstKeyCode) == 8 && offsetof(VstKeyCode, virt) == 4 &&
              offsetof(VstKeyCode, modifier) == 5);
static_assert(sizeof(VstSpeakerProperties) == 112 && offsetof(VstSpeakerProperties, name) == 16 &&
              offsetof(VstSpeakerProperties, type) == 80 &&
              offsetof(VstSpeakerProperties, future) == 84);
static_assert(offsetof(VstSpeakerArrangement, speakers) == kSpeakerArrangementHeaderBytes);
