#include "shell/PluginEffectExt.h"

#include "shell/EditorBase.h"

#include <cstdlib>
#include <cstring>

namespace kestrune {

namespace {

void* zeroedMemory(std::size_t bytes) {
    return std::calloc(1, bytes);
}

// Key records the host hands over as index (character), value (virtual key) and opt (modifiers).
VstKeyCode keyCodeFrom(int32_t index, intptr_t value, float opt) {
    VstKeyCode key{};
    key.character = index;
    key.virt = static_cast<uint8_t>(value & 0xFF);
    key.modifier = static_cast<uint8_t>(truncateToInt32(opt) & 0xFF);
    return key;
}

} // namespace

void* (*PluginEffectExt::arrangementMemory)(std::size_t) = zeroedMemory;

std::size_t arrangementBytes(int32_t channels) {
    return kSpeakerArrangementHeaderBytes +
           sizeof(VstSpeakerProperties) * static_cast<std::size_t>(channels < 0 ? 0 : channels);
}

PluginEffectExt::PluginEffectExt(audioMasterCallback hostCallback, int32_t programs, int32_t params)
    : PluginEffect(hostCallback, programs, params) {}

PluginEffectExt::~PluginEffectExt() = default;

// ---- the extended opcodes ----

intptr_t PluginEffectExt::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                   float opt) {
    char* text = static_cast<char*>(ptr);
    const int32_t value32 = clampToInt32(value);
    switch (opcode) {
    case effProcessEvents:
        return onEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated:
        return isParamAutomatable(index) ? 1 : 0;
    case effString2Parameter:
        return text && parseParamText(index, text) ? 1 : 0;
    case effGetNumProgramCategories:
        return categoryCount();
    case effGetProgramNameIndexed:
        return text && copyProgramNameAt(value32, index, text) ? 1 : 0;
    case effCopyProgram:
        return copyCurrentProgramTo(index) ? 1 : 0;
    case effConnectInput:
        onInputConnected(index, value != 0);
        return 1;
    case effConnectOutput:
        onOutputConnected(index, value != 0);
        return 1;
    case effGetInputProperties:
        return ptr && copyInputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetOutputProperties:
        return ptr && copyOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetPlugCategory:
        return effectCategory();
    case effGetCurrentPosition:
        return currentPosition();
    case effGetDestinationBuffer:
        return reinterpret_cast<intptr_t>(destinationBuffer());
    case effOfflineNotify:
        return onOfflineNotify(ptr, value32, index != 0) ? 1 : 0;
    case effOfflinePrepare:
        return onOfflinePrepare(ptr, value32) ? 1 : 0;
    case effOfflineRun:
        return onOfflineRun(ptr, value32) ? 1 : 0;
    case effProcessVarIo:
        return onVariableIo(ptr) ? 1 : 0;
    case effSetSpeakerArrangement: {
        auto* input = reinterpret_cast<VstSpeakerArrangement*>(value);
        auto* output = static_cast<VstSpeakerArrangement*>(ptr);
        return input && output && acceptArrangement(input, output) ? 1 : 0;
    }
    case effSetBlockSizeAndSampleRate:
        changeBlockSizeAndRate(value32, opt);
        return 1;
    case effSetBypass:
        return onBypass(value != 0) ? 1 : 0;
    case effGetEffectName:
        return text && copyEffectName(text) ? 1 : 0;
    case effGetErrorText:
        return text && copyErrorText(text) ? 1 : 0;
    case effGetVendorString:
        return text && copyVendorName(text) ? 1 : 0;
    case effGetProductString:
        return text && copyProductName(text) ? 1 : 0;
    case effGetVendorVersion:
        return vendorVersion();
    case effVendorSpecific:
        return onVendorSpecific(index, value, ptr, opt);
    case effCanDo:
        return text ? answerCanDo(text) : 0;
    case effGetTailSize:
        return tailSize();
    case effIdle:
        return onEffectIdle();
    case effGetIcon:
        return reinterpret_cast<intptr_t>(icon());
    case effSetViewPosition:
        return moveView(index, value32) ? 1 : 0;
    case effGetParameterProperties:
        return ptr && copyParamProperties(index, static_cast<VstParameterProperties*>(ptr)) ? 1 : 0;
    case effKeysRequired:
        return needsKeys() ? 0 : 1;
    case effGetVstVersion:
        return interfaceVersion();
    case effEditKeyDown:
        return ownedEditor ? ownedEditor->keyPressed(keyCodeFrom(index, value, opt)) : 0;
    case effEditKeyUp:
        return ownedEditor ? ownedEditor->keyReleased(keyCodeFrom(index, value, opt)) : 0;
    case effSetEditKnobMode:
        return ownedEditor ? ownedEditor->changeKnobMode(value32) : 0;
    case effGetMidiProgramName:
        return ptr ? copyMidiProgramName(index, ptr) : 0;
    case effGetCurrentMidiProgram:
        return ptr ? copyCurrentMidiProgram(index, ptr) : 0;
    case effGetMidiProgramCategory:
        return ptr ? copyMidiProgramCategory(index, ptr) : 0;
    case effHasMidiProgramsChanged:
        return midiProgramsChanged(index) ? 1 : 0;
    case effGetMidiKeyName:
        return ptr && copyMidiKeyName(index, ptr) ? 1 : 0;
    case effBeginSetProgram:
        return onBeginProgramChange() ? 1 : 0;
    case effEndSetProgram:
        return onEndProgramChange() ? 1 : 0;
    case effGetSpeakerArrangement: {
        // Both arguments are addresses the effect writes a pointer to.
        auto** input = reinterpret_cast<VstSpeakerArrangement**>(value);
        auto** output = static_cast<VstSpeakerArrangement**>(ptr);
        return input && output && copyArrangement(input, output) ? 1 : 0;
    }
    case effShellGetNextPlugin:
        return text ? nextShellEffect(text) : 0;
    case effStartProcess:
        return onStartProcess();
    case effStopProcess:
        return onStopProcess();
    case effSetTotalSampleToProcess:
        return onTotalSamples(value);
    case effSetPanLaw:
        return onPanLaw(value32, opt) ? 1 : 0;
    case effBeginLoadBank:
        return onBeginLoadBank(ptr);
    case effBeginLoadProgram:
        return onBeginLoadProgram(ptr);
    default:
        return PluginEffect::dispatch(opcode, index, value, ptr, opt);
    }
}

// ---- answers to the host: neutral defaults ----

EditorBase* PluginEffectExt::editor() {
    return ownedEditor;
}
intptr_t PluginEffectExt::onEvents(VstEvents*) {
    return 0;
}
bool PluginEffectExt::isParamAutomatable(int32_t) {
    return true;
}
bool PluginEffectExt::parseParamText(int32_t, char*) {
    return false;
}
float PluginEffectExt::channelParamValue(int32_t, int32_t) {
    return 0.0f;
}
int32_t PluginEffectExt::categoryCount() {
    return 1;
}
bool PluginEffectExt::copyProgramNameAt(int32_t, int32_t, char*) {
    return false;
}
bool PluginEffectExt::copyCurrentProgramTo(int32_t) {
    return false;
}
void PluginEffectExt::onInputConnected(int32_t, bool) {}
void PluginEffectExt::onOutputConnected(int32_t, bool) {}
bool PluginEffectExt::copyInputProperties(int32_t, VstPinProperties*) {
    return false;
}
bool PluginEffectExt::copyOutputProperties(int32_t, VstPinProperties*) {
    return false;
}
int32_t PluginEffectExt::effectCategory() {
    return (hostRecord.flags & effFlagsIsSynth) ? 2 : 0;
}
void PluginEffectExt::declareAsync(bool on) {
    setFlag(effFlagsExtIsAsync, on);
}
void PluginEffectExt::declareExternalBuffer(bool on) {
    setFlag(effFlagsExtHasBuffer, on);
}
intptr_t PluginEffectExt::currentPosition() {
    return 0;
}
void* PluginEffectExt::destinationBuffer() {
    return nullptr;
}
bool PluginEffectExt::onOfflineNotify(void*, int32_t, bool) {
    return false;
}
bool PluginEffectExt::onOfflinePrepare(void*, int32_t) {
    return false;
}
bool PluginEffectExt::onOfflineRun(void*, int32_t) {
    return false;
}
int32_t PluginEffectExt::offlinePassCount() {
    return 0;
}
int32_t PluginEffectExt::offlineMetaPassCount() {
    return 0;
}
void PluginEffectExt::declareSynth(bool on) {
    setFlag(effFlagsIsSynth, on);
}
void PluginEffectExt::declareNoTail(bool on) {
    setFlag(effFlagsNoSoundInStop, on);
}
bool PluginEffectExt::onVariableIo(void*) {
    return false;
}
bool PluginEffectExt::acceptArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) {
    return false;
}
bool PluginEffectExt::copyArrangement(VstSpeakerArrangement** input,
                                      VstSpeakerArrangement** output) {
    if (input) {
        *input = nullptr;
    }
    if (output) {
        *output = nullptr;
    }
    return false;
}
void PluginEffectExt::changeBlockSizeAndRate(int32_t size, float rate) {
    blockLength = size;
    currentRate = rate;
}
bool PluginEffectExt::onBypass(bool) {
    return false;
}
bool PluginEffectExt::copyEffectName(char*) {
    return false;
}
bool PluginEffectExt::copyErrorText(char*) {
    return false;
}
bool PluginEffectExt::copyVendorName(char*) {
    return false;
}
bool PluginEffectExt::copyProductName(char*) {
    return false;
}
int32_t PluginEffectExt::vendorVersion() {
    return 0;
}
intptr_t PluginEffectExt::onVendorSpecific(int32_t, intptr_t, void*, float) {
    return 0;
}
intptr_t PluginEffectExt::answerCanDo(const char*) {
    return 0;
}
void* PluginEffectExt::icon() {
    return nullptr;
}
bool PluginEffectExt::moveView(int32_t, int32_t) {
    return false;
}
intptr_t PluginEffectExt::tailSize() {
    return 0;
}
intptr_t PluginEffectExt::onEffectIdle() {
    return 0;
}
bool PluginEffectExt::copyParamProperties(int32_t, VstParameterProperties*) {
    return false;
}
bool PluginEffectExt::needsKeys() {
    return false;
}
int32_t PluginEffectExt::interfaceVersion() {
    return 2300;
}
int32_t PluginEffectExt::copyMidiProgramName(int32_t, void*) {
    return 0;
}
int32_t PluginEffectExt::copyCurrentMidiProgram(int32_t, void*) {
    return -1;
}
int32_t PluginEffectExt::copyMidiProgramCategory(int32_t, void*) {
    return 0;
}
bool PluginEffectExt::midiProgramsChanged(int32_t) {
    return false;
}
bool PluginEffectExt::copyMidiKeyName(int32_t, void*) {
    return false;
}
bool PluginEffectExt::onBeginProgramChange() {
    return false;
}
bool PluginEffectExt::onEndProgramChange() {
    return false;
}
intptr_t PluginEffectExt::onTotalSamples(intptr_t value) {
    return value;
}
int32_t PluginEffectExt::nextShellEffect(char*) {
    return 0;
}
int32_t PluginEffectExt::onStartProcess() {
    return 0;
}
int32_t PluginEffectExt::onStopProcess() {
    return 0;
}
bool PluginEffectExt::onPanLaw(int32_t, float) {
    return false;
}
int32_t PluginEffectExt::onBeginLoadBank(void*) {
    return 0;
}
int32_t PluginEffectExt::onBeginLoadProgram(void*) {
    return 0;
}

// ---- requests to the host ----

intptr_t PluginEffectExt::askWantMidi(int32_t filter) {
    return callHost(audioMasterWantMidi, 0, filter, nullptr, 0.0f);
}
VstTimeInfo* PluginEffectExt::askTimeInfo(int32_t filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter, nullptr, 0.0f));
}
intptr_t PluginEffectExt::askTempoAt(int32_t position) {
    return callHost(audioMasterTempoAt, 0, position, nullptr, 0.0f);
}
intptr_t PluginEffectExt::askAutomatableCount() {
    return callHost(audioMasterGetNumAutomatableParameters, 0, 0, nullptr, 0.0f);
}
intptr_t PluginEffectExt::askParamQuantization() {
    return callHost(audioMasterGetParameterQuantization, 0, 0, nullptr, 0.0f);
}
bool PluginEffectExt::askIoChanged() {
    return callHost(audioMasterIOChanged, 0, 0, nullptr, 0.0f) != 0;
}
bool PluginEffectExt::askNeedIdle() {
    return callHost(audioMasterNeedIdle, 0, 0, nullptr, 0.0f) != 0;
}
bool PluginEffectExt::askSizeWindow(int32_t width, int32_t height) {
    return callHost(audioMasterSizeWindow, width, height, nullptr, 0.0f) != 0;
}
float PluginEffectExt::askSampleRate() {
    const intptr_t rate = callHost(audioMasterGetSampleRate, 0, 0, nullptr, 0.0f);
    if (rate > 0) {
        currentRate = static_cast<float>(rate);
    }
    return currentRate;
}
int32_t PluginEffectExt::askBlockSize() {
    const intptr_t size = callHost(audioMasterGetBlockSize, 0, 0, nullptr, 0.0f);
    if (size > 0) {
        blockLength = clampToInt32(size);
    }
    return blockLength;
}
intptr_t PluginEffectExt::askInputLatency() {
    return callHost(audioMasterGetInputLatency, 0, 0, nullptr, 0.0f);
}
intptr_t PluginEffectExt::askOutputLatency() {
    return callHost(audioMasterGetOutputLatency, 0, 0, nullptr, 0.0f);
}
AEffect* PluginEffectExt::askPreviousEffect(int32_t) {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug, 0, 0, nullptr, 0.0f));
}
AEffect* PluginEffectExt::askNextEffect(int32_t) {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug, 0, 0, nullptr, 0.0f));
}
intptr_t PluginEffectExt::askReplaceOrAccumulate() {
    return callHost(audioMasterWillReplaceOrAccumulate, 0, 0, nullptr, 0.0f);
}
intptr_t PluginEffectExt::askProcessLevel() {
    return callHost(audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f);
}
intptr_t PluginEffectExt::askAutomationState() {
    return callHost(audioMasterGetAutomationState, 0, 0, nullptr, 0.0f);
}
bool PluginEffectExt::askOfflineRead(void* task, int32_t option, bool readSource) {
    return callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, task, 0.0f) != 0;
}
bool PluginEffectExt::askOfflineWrite(void* task, int32_t option) {
    return callHost(audioMasterOfflineWrite, 0, option, task, 0.0f) != 0;
}
bool PluginEffectExt::askOfflineStart(void* files, int32_t count, int32_t newCount) {
    return callHost(audioMasterOfflineStart, newCount, count, files, 0.0f) != 0;
}
bool PluginEffectExt::askOfflinePass() {
    return callHost(audioMasterOfflineGetCurrentPass, 0, 0, nullptr, 0.0f) != 0;
}
bool PluginEffectExt::askOfflineMetaPass() {
    return callHost(audioMasterOfflineGetCurrentMetaPass, 0, 0, nullptr, 0.0f) != 0;
}
void PluginEffectExt::askSetOutputSampleRate(float rate) {
    callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, rate);
}
VstSpeakerArrangement* PluginEffectExt::askInputArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(
        callHost(audioMasterGetInputSpeakerArrangement, 0, 0, nullptr, 0.0f));
}
VstSpeakerArrangement* PluginEffectExt::askOutputArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(
        callHost(audioMasterGetOutputSpeakerArrangement, 0, 0, nullptr, 0.0f));
}
bool PluginEffectExt::askHostVendor(char* text) {
    return callHost(audioMasterGetVendorString, 0, 0, text, 0.0f) != 0;
}
bool PluginEffectExt::askHostProduct(char* text) {
    return callHost(audioMasterGetProductString, 0, 0, text, 0.0f) != 0;
}
intptr_t PluginEffectExt::askHostVendorVersion() {
    return callHost(audioMasterGetVendorVersion, 0, 0, nullptr, 0.0f);
}
intptr_t PluginEffectExt::askHostVendorSpecific(int32_t index, intptr_t value, void* ptr,
                                                float opt) {
    return callHost(audioMasterVendorSpecific, index, value, ptr, opt);
}
bool PluginEffectExt::askHostCanDo(const char* text) {
    return callHost(audioMasterCanDo, 0, 0, const_cast<char*>(text), 0.0f) != 0;
}
intptr_t PluginEffectExt::askHostLanguage() {
    return callHost(audioMasterGetLanguage, 0, 0, nullptr, 0.0f);
}
void* PluginEffectExt::askOpenWindow(void* window) {
    return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window, 0.0f));
}
bool PluginEffectExt::askCloseWindow(void* window) {
    return callHost(audioMasterCloseWindow, 0, 0, window, 0.0f) != 0;
}
void* PluginEffectExt::askHostDirectory() {
    return reinterpret_cast<void*>(callHost(audioMasterGetDirectory, 0, 0, nullptr, 0.0f));
}
bool PluginEffectExt::askUpdateDisplay() {
    return callHost(audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f) != 0;
}
bool PluginEffectExt::askBeginEdit(int32_t index) {
    return callHost(audioMasterBeginEdit, index, 0, nullptr, 0.0f) != 0;
}
bool PluginEffectExt::askEndEdit(int32_t index) {
    return callHost(audioMasterEndEdit, index, 0, nullptr, 0.0f) != 0;
}
bool PluginEffectExt::askOpenFileSelector(void* select) {
    if (!select) {
        return false;
    }
    return callHost(audioMasterOpenFileSelector, 0, 0, select, 0.0f) != 0;
}

// ---- speaker arrangements ----

bool PluginEffectExt::allocArrangement(VstSpeakerArrangement** arrangement, int32_t channels) {
    if (!arrangement) {
        return false;
    }
    std::free(*arrangement);
    *arrangement = nullptr;
    if (channels < 0) {
        return false;
    }
    auto* fresh =
        static_cast<VstSpeakerArrangement*>(arrangementMemory(arrangementBytes(channels)));
    if (!fresh) {
        return false;
    }
    fresh->numChannels = channels;
    *arrangement = fresh;
    return true;
}

bool PluginEffectExt::freeArrangement(VstSpeakerArrangement** arrangement) {
    if (!arrangement) {
        return false;
    }
    std::free(*arrangement);
    *arrangement = nullptr;
    return true;
}

bool PluginEffectExt::copySpeakerEntry(VstSpeakerProperties* to, const VstSpeakerProperties* from) {
    if (!to || !from) {
        return false;
    }
    std::memcpy(to->name, from->name, sizeof to->name);
    to->name[sizeof to->name - 1] = '\0';
    to->type = from->type;
    to->azimuth = from->azimuth;
    to->elevation = from->elevation;
    to->radius = from->radius;
    to->reserved = from->reserved;
    std::memcpy(to->future, from->future, sizeof to->future);
    return true;
}

bool PluginEffectExt::cloneArrangement(VstSpeakerArrangement** to,
                                       const VstSpeakerArrangement* from) {
    if (!from || !to) {
        return false;
    }
    freeArrangement(to);
    if (!allocArrangement(to, from->numChannels)) {
        return false;
    }
    (*to)->type = from->type;
    for (int32_t channel = 0; channel < from->numChannels; ++channel) {
        if (!copySpeakerEntry(&(*to)->speakers[channel], &from->speakers[channel])) {
            return false;
        }
    }
    return true;
}

} // namespace kestrune
