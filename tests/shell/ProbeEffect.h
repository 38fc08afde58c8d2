// An effect whose operations write what reached them into a log, for the dispatch tables.
#pragma once

#include "shell/EditorBase.h"
#include "shell/PluginEffectExt.h"

#include <sstream>
#include <string>
#include <vector>

namespace kestrune::test {

inline std::string describe() {
    return {};
}

template <typename First, typename... Rest>
std::string describe(const First& first, const Rest&... rest) {
    std::ostringstream out;
    out << first;
    ((out << ',' << rest), ...);
    return out.str();
}

class ProbeEditor : public EditorBase {
public:
    explicit ProbeEditor(PluginEffect* effect, std::vector<std::string>& log)
        : EditorBase(effect), log_(log) {}
    int32_t queryRect(ERect** rect) override {
        log_.push_back("queryRect");
        *rect = &rect_;
        return 1;
    }
    int32_t openIn(void* parent) override {
        log_.push_back("openIn");
        parentWindow = parent;
        return 7;
    }
    void closeEditor() override { log_.push_back("closeEditor"); }
    void idleTick() override { log_.push_back("idleTick"); }
    int32_t keyPressed(VstKeyCode key) override {
        log_.push_back("keyPressed(" + describe(key.character, int(key.virt), int(key.modifier)) +
                       ")");
        return 5;
    }
    int32_t keyReleased(VstKeyCode key) override {
        log_.push_back("keyReleased(" + describe(key.character, int(key.virt), int(key.modifier)) +
                       ")");
        return 6;
    }
    int32_t changeKnobMode(int32_t mode) override {
        log_.push_back("changeKnobMode(" + describe(mode) + ")");
        return 1;
    }
    ERect rect_{0, 0, 190, 340};

private:
    std::vector<std::string>& log_;
};

#define KESTRUNE_PROBE(name, ...)                                                                  \
    log.push_back(std::string(#name) + "(" + describe(__VA_ARGS__) + ")")

class ProbeEffect : public PluginEffectExt {
public:
    explicit ProbeEffect(audioMasterCallback host = nullptr) : PluginEffectExt(host, 4, 14) {}

    void attachEditor() { ownedEditor = new ProbeEditor(this, log); }

    std::vector<std::string> log;

    void processAccumulate(float**, float**, int32_t frames) override {
        KESTRUNE_PROBE(processAccumulate, frames);
    }
    void onOpen() override { KESTRUNE_PROBE(onOpen); }
    void onClose() override { KESTRUNE_PROBE(onClose); }
    int32_t currentProgram() override {
        KESTRUNE_PROBE(currentProgram);
        return PluginEffectExt::currentProgram();
    }
    void selectProgram(int32_t index) override {
        KESTRUNE_PROBE(selectProgram, index);
        PluginEffectExt::selectProgram(index);
    }
    void renameProgram(char*) override { KESTRUNE_PROBE(renameProgram); }
    void copyProgramName(char*) override { KESTRUNE_PROBE(copyProgramName); }
    void copyParamUnit(int32_t index, char*) override { KESTRUNE_PROBE(copyParamUnit, index); }
    void copyParamText(int32_t index, char*) override { KESTRUNE_PROBE(copyParamText, index); }
    void copyParamName(int32_t index, char*) override { KESTRUNE_PROBE(copyParamName, index); }
    float meterLevel() override {
        KESTRUNE_PROBE(meterLevel);
        return meter;
    }
    int32_t exportChunk(void**, bool isPreset) override {
        KESTRUNE_PROBE(exportChunk, isPreset);
        return 0;
    }
    int32_t importChunk(void*, int32_t size, bool isPreset) override {
        KESTRUNE_PROBE(importChunk, size, isPreset);
        return 0;
    }
    void changeSampleRate(float rate) override {
        KESTRUNE_PROBE(changeSampleRate, rate);
        PluginEffectExt::changeSampleRate(rate);
    }
    void changeBlockSize(int32_t size) override {
        KESTRUNE_PROBE(changeBlockSize, size);
        PluginEffectExt::changeBlockSize(size);
    }
    void onSwitchOff() override { KESTRUNE_PROBE(onSwitchOff); }
    void onSwitchOn() override { KESTRUNE_PROBE(onSwitchOn); }

    intptr_t onEvents(VstEvents*) override {
        KESTRUNE_PROBE(onEvents);
        return 0;
    }
    bool isParamAutomatable(int32_t index) override {
        KESTRUNE_PROBE(isParamAutomatable, index);
        return PluginEffectExt::isParamAutomatable(index);
    }
    bool parseParamText(int32_t index, char*) override {
        KESTRUNE_PROBE(parseParamText, index);
        return false;
    }
    int32_t categoryCount() override {
        KESTRUNE_PROBE(categoryCount);
        return PluginEffectExt::categoryCount();
    }
    bool copyProgramNameAt(int32_t category, int32_t index, char*) override {
        KESTRUNE_PROBE(copyProgramNameAt, category, index);
        return false;
    }
    bool copyCurrentProgramTo(int32_t index) override {
        KESTRUNE_PROBE(copyCurrentProgramTo, index);
        return false;
    }
    void onInputConnected(int32_t index, bool on) override {
        KESTRUNE_PROBE(onInputConnected, index, on);
    }
    void onOutputConnected(int32_t index, bool on) override {
        KESTRUNE_PROBE(onOutputConnected, index, on);
    }
    bool copyInputProperties(int32_t index, VstPinProperties*) override {
        KESTRUNE_PROBE(copyInputProperties, index);
        return false;
    }
    bool copyOutputProperties(int32_t index, VstPinProperties*) override {
        KESTRUNE_PROBE(copyOutputProperties, index);
        return false;
    }
    int32_t effectCategory() override {
        KESTRUNE_PROBE(effectCategory);
        return PluginEffectExt::effectCategory();
    }
    intptr_t currentPosition() override {
        KESTRUNE_PROBE(currentPosition);
        return 0;
    }
    void* destinationBuffer() override {
        KESTRUNE_PROBE(destinationBuffer);
        return nullptr;
    }
    bool onOfflineNotify(void*, int32_t count, bool start) override {
        KESTRUNE_PROBE(onOfflineNotify, count, start);
        return false;
    }
    bool onOfflinePrepare(void*, int32_t count) override {
        KESTRUNE_PROBE(onOfflinePrepare, count);
        return false;
    }
    bool onOfflineRun(void*, int32_t count) override {
        KESTRUNE_PROBE(onOfflineRun, count);
        return false;
    }
    bool onVariableIo(void*) override {
        KESTRUNE_PROBE(onVariableIo);
        return false;
    }
    bool acceptArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) override {
        KESTRUNE_PROBE(acceptArrangement);
        return false;
    }
    bool copyArrangement(VstSpeakerArrangement** in, VstSpeakerArrangement** out) override {
        KESTRUNE_PROBE(copyArrangement);
        return PluginEffectExt::copyArrangement(in, out);
    }
    void changeBlockSizeAndRate(int32_t size, float rate) override {
        KESTRUNE_PROBE(changeBlockSizeAndRate, size, rate);
        PluginEffectExt::changeBlockSizeAndRate(size, rate);
    }
    bool onBypass(bool on) override {
        KESTRUNE_PROBE(onBypass, on);
        return false;
    }
    bool copyEffectName(char*) override {
        KESTRUNE_PROBE(copyEffectName);
        return false;
    }
    bool copyErrorText(char*) override {
        KESTRUNE_PROBE(copyErrorText);
        return false;
    }
    bool copyVendorName(char*) override {
        KESTRUNE_PROBE(copyVendorName);
        return false;
    }
    bool copyProductName(char*) override {
        KESTRUNE_PROBE(copyProductName);
        return false;
    }
    int32_t vendorVersion() override {
        KESTRUNE_PROBE(vendorVersion);
        return 0;
    }
    intptr_t onVendorSpecific(int32_t index, intptr_t value, void*, float opt) override {
        KESTRUNE_PROBE(onVendorSpecific, index, value, opt);
        return 0;
    }
    intptr_t answerCanDo(const char* text) override {
        KESTRUNE_PROBE(answerCanDo, text);
        return 0;
    }
    void* icon() override {
        KESTRUNE_PROBE(icon);
        return nullptr;
    }
    bool moveView(int32_t x, int32_t y) override {
        KESTRUNE_PROBE(moveView, x, y);
        return false;
    }
    intptr_t tailSize() override {
        KESTRUNE_PROBE(tailSize);
        return 0;
    }
    intptr_t onEffectIdle() override {
        KESTRUNE_PROBE(onEffectIdle);
        return 0;
    }
    bool copyParamProperties(int32_t index, VstParameterProperties*) override {
        KESTRUNE_PROBE(copyParamProperties, index);
        return false;
    }
    bool needsKeys() override {
        KESTRUNE_PROBE(needsKeys);
        return false;
    }
    int32_t interfaceVersion() override {
        KESTRUNE_PROBE(interfaceVersion);
        return PluginEffectExt::interfaceVersion();
    }
    int32_t copyMidiProgramName(int32_t channel, void*) override {
        KESTRUNE_PROBE(copyMidiProgramName, channel);
        return 0;
    }
    int32_t copyCurrentMidiProgram(int32_t channel, void*) override {
        KESTRUNE_PROBE(copyCurrentMidiProgram, channel);
        return -1;
    }
    int32_t copyMidiProgramCategory(int32_t channel, void*) override {
        KESTRUNE_PROBE(copyMidiProgramCategory, channel);
        return 0;
    }
    bool midiProgramsChanged(int32_t channel) override {
        KESTRUNE_PROBE(midiProgramsChanged, channel);
        return false;
    }
    bool copyMidiKeyName(int32_t channel, void*) override {
        KESTRUNE_PROBE(copyMidiKeyName, channel);
        return false;
    }
    bool onBeginProgramChange() override {
        KESTRUNE_PROBE(onBeginProgramChange);
        return false;
    }
    bool onEndProgramChange() override {
        KESTRUNE_PROBE(onEndProgramChange);
        return false;
    }
    intptr_t onTotalSamples(intptr_t value) override {
        KESTRUNE_PROBE(onTotalSamples, value);
        return PluginEffectExt::onTotalSamples(value);
    }
    int32_t nextShellEffect(char*) override {
        KESTRUNE_PROBE(nextShellEffect);
        return 0;
    }
    int32_t onStartProcess() override {
        KESTRUNE_PROBE(onStartProcess);
        return 0;
    }
    int32_t onStopProcess() override {
        KESTRUNE_PROBE(onStopProcess);
        return 0;
    }
    bool onPanLaw(int32_t type, float gain) override {
        KESTRUNE_PROBE(onPanLaw, type, gain);
        return false;
    }
    int32_t onBeginLoadBank(void*) override {
        KESTRUNE_PROBE(onBeginLoadBank);
        return 0;
    }
    int32_t onBeginLoadProgram(void*) override {
        KESTRUNE_PROBE(onBeginLoadProgram);
        return 0;
    }

    float meter = 0.0f;
};

#undef KESTRUNE_PROBE

} // namespace kestrune::test
