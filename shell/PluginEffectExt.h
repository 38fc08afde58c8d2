// The extended effect: answers the later host opcodes (25 to 76) with neutral defaults, wraps the
// extended host requests, and offers speaker-arrangement tools. Concrete effects override only
// what they need.
#pragma once

#include "shell/PluginEffect.h"

#include <cstddef>

namespace kestrune {

class PluginEffectExt : public PluginEffect {
public:
    PluginEffectExt(audioMasterCallback hostCallback, int32_t programs, int32_t params);
    ~PluginEffectExt() override;

    intptr_t dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override;

    virtual EditorBase* editor();
    virtual intptr_t askWantMidi(int32_t filter);
    virtual VstTimeInfo* askTimeInfo(int32_t filter);
    virtual intptr_t askTempoAt(int32_t position);
    virtual intptr_t onEvents(VstEvents* events);
    virtual intptr_t askAutomatableCount();
    virtual intptr_t askParamQuantization();
    virtual bool isParamAutomatable(int32_t index);
    virtual bool parseParamText(int32_t index, char* text);
    virtual float channelParamValue(int32_t channel, int32_t index);
    virtual int32_t categoryCount();
    virtual bool copyProgramNameAt(int32_t category, int32_t index, char* text);
    virtual bool copyCurrentProgramTo(int32_t index);
    virtual bool askIoChanged();
    virtual bool askNeedIdle();
    virtual bool askSizeWindow(int32_t width, int32_t height);
    virtual float askSampleRate();
    virtual int32_t askBlockSize();
    virtual intptr_t askInputLatency();
    virtual intptr_t askOutputLatency();
    virtual AEffect* askPreviousEffect(int32_t input);
    virtual AEffect* askNextEffect(int32_t output);
    virtual void onInputConnected(int32_t index, bool connected);
    virtual void onOutputConnected(int32_t index, bool connected);
    virtual bool copyInputProperties(int32_t index, VstPinProperties* properties);
    virtual bool copyOutputProperties(int32_t index, VstPinProperties* properties);
    virtual int32_t effectCategory();
    virtual intptr_t askReplaceOrAccumulate();
    virtual intptr_t askProcessLevel();
    virtual intptr_t askAutomationState();
    virtual void declareAsync(bool on);
    virtual void declareExternalBuffer(bool on);
    virtual intptr_t currentPosition();
    virtual void* destinationBuffer();
    virtual bool askOfflineRead(void* task, int32_t option, bool readSource);
    virtual bool askOfflineWrite(void* task, int32_t option);
    virtual bool askOfflineStart(void* files, int32_t count, int32_t newCount);
    virtual bool askOfflinePass();
    virtual bool askOfflineMetaPass();
    virtual bool onOfflineNotify(void* files, int32_t count, bool start);
    virtual bool onOfflinePrepare(void* task, int32_t count);
    virtual bool onOfflineRun(void* task, int32_t count);
    virtual int32_t offlinePassCount();
    virtual int32_t offlineMetaPassCount();
    virtual void askSetOutputSampleRate(float rate);
    virtual VstSpeakerArrangement* askInputArrangement();
    virtual VstSpeakerArrangement* askOutputArrangement();
    virtual bool askHostVendor(char* text);
    virtual bool askHostProduct(char* text);
    virtual intptr_t askHostVendorVersion();
    virtual intptr_t askHostVendorSpecific(int32_t index, intptr_t value, void* ptr, float opt);
    virtual bool askHostCanDo(const char* text);
    virtual void declareSynth(bool on);
    virtual void declareNoTail(bool on);
    virtual intptr_t askHostLanguage();
    virtual void* askOpenWindow(void* window);
    virtual bool askCloseWindow(void* window);
    virtual void* askHostDirectory();
    virtual bool askUpdateDisplay();
    virtual bool onVariableIo(void* io);
    virtual bool acceptArrangement(VstSpeakerArrangement* input, VstSpeakerArrangement* output);
    virtual bool copyArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output);
    virtual void changeBlockSizeAndRate(int32_t size, float rate);
    virtual bool onBypass(bool on);
    virtual bool copyEffectName(char* text);
    virtual bool copyErrorText(char* text);
    virtual bool copyVendorName(char* text);
    virtual bool copyProductName(char* text);
    virtual int32_t vendorVersion();
    virtual intptr_t onVendorSpecific(int32_t index, intptr_t value, void* ptr, float opt);
    virtual intptr_t answerCanDo(const char* text);
    virtual void* icon();
    virtual bool moveView(int32_t x, int32_t y);
    virtual intptr_t tailSize();
    virtual intptr_t onEffectIdle();
    virtual bool copyParamProperties(int32_t index, VstParameterProperties* properties);
    virtual bool needsKeys();
    virtual int32_t interfaceVersion();
    virtual int32_t copyMidiProgramName(int32_t channel, void* name);
    virtual int32_t copyCurrentMidiProgram(int32_t channel, void* name);
    virtual int32_t copyMidiProgramCategory(int32_t channel, void* category);
    virtual bool midiProgramsChanged(int32_t channel);
    virtual bool copyMidiKeyName(int32_t channel, void* keyName);
    virtual bool onBeginProgramChange();
    virtual bool onEndProgramChange();
    virtual bool askBeginEdit(int32_t index);
    virtual bool askEndEdit(int32_t index);
    virtual bool askOpenFileSelector(void* select);
    virtual intptr_t onTotalSamples(intptr_t value);
    virtual int32_t nextShellEffect(char* name);
    virtual int32_t onStartProcess();
    virtual int32_t onStopProcess();
    virtual bool onPanLaw(int32_t type, float gain);
    virtual int32_t onBeginLoadBank(void* bank);
    virtual int32_t onBeginLoadProgram(void* program);
    virtual bool allocArrangement(VstSpeakerArrangement** arrangement, int32_t channels);
    virtual bool freeArrangement(VstSpeakerArrangement** arrangement);
    virtual bool copySpeakerEntry(VstSpeakerProperties* to, const VstSpeakerProperties* from);
    virtual bool cloneArrangement(VstSpeakerArrangement** to, const VstSpeakerArrangement* from);

    // Where speaker arrangements get their zeroed memory; tests replace it to see the
    // out-of-memory path. Memory from it is released with std::free.
    static void* (*arrangementMemory)(std::size_t bytes);
};

// Bytes of an arrangement record with the given number of channels.
std::size_t arrangementBytes(int32_t channels);

} // namespace kestrune
