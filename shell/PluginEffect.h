// The generic effect: owns the record the host holds, keeps rate, block size, program and
// parameter counts and the editor, turns the basic host opcodes (0 to 24) into virtual
// operations and wraps the first host requests. Nothing here knows about gating.
#pragma once

#include "shell/Relaxed.h"
#include "shell/VstInterface.h"

#include <cstdint>

namespace kestrune {

class EditorBase;

// Answer of effIdentify: the characters N, v, E, f.
constexpr intptr_t kIdentifyAnswer = 0x4E764566;
// Identifier of an effect that has not set its own: N, o, E, f.
constexpr int32_t kDefaultUniqueId = 0x4E6F4566;

class PluginEffect {
public:
    PluginEffect(audioMasterCallback hostCallback, int32_t programs, int32_t params);
    virtual ~PluginEffect();

    PluginEffect(const PluginEffect&) = delete;
    PluginEffect& operator=(const PluginEffect&) = delete;

    // ---- parameters and processing ----
    virtual void applyParam(int32_t index, float value);
    virtual float paramValue(int32_t index);
    virtual void applyParamAndAutomate(int32_t index, float value);
    virtual void processAccumulate(float** inputs, float** outputs, int32_t frames) = 0;
    virtual void processOverwrite(float** inputs, float** outputs, int32_t frames);

    // ---- host requests ----
    virtual intptr_t dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
    virtual void onOpen();
    virtual void onClose();
    virtual int32_t currentProgram();
    virtual void selectProgram(int32_t index);
    virtual void renameProgram(char* text);
    virtual void copyProgramName(char* text);
    virtual void copyParamUnit(int32_t index, char* text);
    virtual void copyParamText(int32_t index, char* text);
    virtual void copyParamName(int32_t index, char* text);
    virtual float meterLevel();
    virtual int32_t exportChunk(void** data, bool isPreset);
    virtual int32_t importChunk(void* data, int32_t byteSize, bool isPreset);
    virtual void changeSampleRate(float rate);
    virtual void changeBlockSize(int32_t size);
    virtual void onSwitchOff();
    virtual void onSwitchOn();

    // ---- record setters ----
    virtual void assignUniqueId(int32_t id);
    virtual void assignInputCount(int32_t count);
    virtual void assignOutputCount(int32_t count);
    virtual void declareVu(bool on);
    virtual void declareClip(bool on);
    virtual void declareMono(bool on);
    virtual void declareReplacing(bool on);
    virtual void declareChunks(bool on);
    virtual void assignRealtimeQualities(int32_t count);
    virtual void assignOfflineQualities(int32_t count);
    virtual void assignInitialDelay(int32_t frames);
    virtual float currentSampleRate();
    virtual int32_t currentBlockSize();

    // ---- requests to the host ----
    virtual int32_t askHostVersion();
    virtual int32_t askHostCurrentId();
    virtual intptr_t askHostIdle();
    virtual bool askInputConnected(int32_t index);
    virtual bool askOutputConnected(int32_t index);

    // ---- text formatting: at most 8 characters and the terminating zero ----
    virtual void formatDecibels(float value, char* text);
    virtual void formatHertz(float samples, char* text);
    virtual void formatMilliseconds(float samples, char* text);
    virtual void formatFloat(float value, char* text);
    virtual void formatInteger(int32_t value, char* text);

    // The record as the host sees it.
    AEffect* effectRecord() { return &hostRecord; }

    float currentRate;
    EditorBase* ownedEditor;
    audioMasterCallback host;
    int32_t programCount;
    int32_t paramCount;
    // The editor's thread selects programs; the audio thread's meter report reads the index.
    Relaxed<int32_t> programIndex;
    int32_t blockLength;
    AEffect hostRecord;

protected:
    // Calls the host with this effect's record; answers `fallback` without a host.
    intptr_t callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt,
                      intptr_t fallback = 0);
    void setFlag(int32_t flag, bool on);
};

// Helpers the dispatchers share for host arguments that do not fit the operations' types.
int32_t clampToInt32(intptr_t value);
int32_t truncateToInt32(float value);

} // namespace kestrune
