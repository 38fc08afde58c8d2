// The gate effect: fourteen parameters, four programs, the effect's identity, and the audio
// processing of the key-filtered gate, expander and ducker.
//
// The channel count is fixed when the engine is built (KESTRUNE_CHANNELS, see GateEffect.cpp):
// this class's layout is the same in both builds, only its behaviour follows the count.
#pragma once

#include "shell/Relaxed.h"

#include "engine/GateDetector.h"
#include "engine/GateKernel.h"
#include "engine/GateProgram.h"
#include "engine/KeyFilter.h"
#include "shell/PluginEffectExt.h"

#include <array>
#include <cstdint>

namespace kestrune {

inline constexpr int32_t kKeyBlockFrames = 512;

class GateEffect : public PluginEffectExt {
public:
    explicit GateEffect(audioMasterCallback hostCallback);
    ~GateEffect() override;

    // ---- parameters and programs ----
    void applyParam(int32_t index, float value) override;
    float paramValue(int32_t index) override;
    void selectProgram(int32_t index) override;
    void renameProgram(char* text) override;
    void copyProgramName(char* text) override;
    void copyParamUnit(int32_t index, char* text) override;
    void copyParamText(int32_t index, char* text) override;
    void copyParamName(int32_t index, char* text) override;

    // ---- identity ----
    bool copyEffectName(char* text) override;
    bool copyVendorName(char* text) override;
    bool copyProductName(char* text) override;

    // ---- processing ----
    void processAccumulate(float** inputs, float** outputs, int32_t frames) override;
    void processOverwrite(float** inputs, float** outputs, int32_t frames) override;
    void changeSampleRate(float rate) override;
    // A host may set the rate together with the block size; the engine follows it as it does
    // for a rate set alone.
    void changeBlockSizeAndRate(int32_t size, float rate) override;
    void resetState();
    // The gain of one sample from two filtered key samples (one detector step).
    float gainForKey(float a, float b);

    // Channel count of this build: 2 for Kestrune_ST, 1 for Kestrune_mono.
    static int32_t channelCount();
    static int32_t uniqueId();
    static const char* effectName();

    std::array<GateProgram, kGateProgramCount> programs;
    Relaxed<float> thresholdGain = 0.0f;
    Relaxed<float> expandAmount = 0.0f;
    Relaxed<float> rangeGain = 0.0f;
    Relaxed<bool> keyListen = false;
    Relaxed<bool> duckMode = false;
    std::array<KeyFilter, 2> keyFilters;
    GateDetector detector;
    alignas(64) std::array<std::array<float, kKeyBlockFrames>, 2> keyBuffers{};
    Relaxed<float> sampleRate = 44100.0f;

private:
    template <bool Accumulate>
    void process(float** inputs, float** outputs, int32_t frames);
    GateSettings currentSettings() const;
};

} // namespace kestrune
