#include "engine/GateEffect.h"

#include "engine/ValueMappings.h"

#include <cmath>
#include <cstring>

#ifndef KESTRUNE_CHANNELS
#error "KESTRUNE_CHANNELS (1 or 2) selects the deliverable this engine is built for"
#endif

namespace kestrune {

namespace {

constexpr int32_t kChannels = KESTRUNE_CHANNELS;
static_assert(kChannels == 1 || kChannels == 2, "the gate has one or two channels");

// Big-endian four-character identifiers: Q v S t and Q v M n.
constexpr int32_t kStereoId = 0x51765374;
constexpr int32_t kMonoId = 0x51764D6E;
constexpr const char* kStereoName = "Kestrune-Expander ST v1.0.3";
constexpr const char* kMonoName = "Kestrune-Expander MONO v1.0.3";
constexpr const char* kVendorName = "Morvettle";

constexpr const char* kParamNames[] = {
    "threshold", "AttackTime",   "HoldTime",     "ReleaseTime",     "ExpandRatio", "Range",
    "KeyListen", "KeyFilterLPF", "KeyFilterHPF", "ReductionAmount", "Duck",
};
constexpr const char* kReservedName = "reserved param";

// Indices 0..10 carry engine settings; the test is unsigned so negative indices fall outside.
bool isEngineParam(int32_t index) {
    return static_cast<uint32_t>(index) <= static_cast<uint32_t>(kParamDuck);
}

void copyText(char* text, const char* source) {
    if (text != nullptr) {
        std::strcpy(text, source);
    }
}

} // namespace

int32_t GateEffect::channelCount() {
    return kChannels;
}

int32_t GateEffect::uniqueId() {
    return kChannels == 2 ? kStereoId : kMonoId;
}

const char* GateEffect::effectName() {
    return kChannels == 2 ? kStereoName : kMonoName;
}

// ---- construction ----

GateEffect::GateEffect(audioMasterCallback hostCallback)
    : PluginEffectExt(hostCallback, kGateProgramCount, kGateParamCount),
      programs(makeFactoryPrograms()) {
    // The members above and in the class body have run the construction of the filters, the
    // detector, the zeroed key buffers and the program bank; now the rate and the state.
    programIndex = 0;
    sampleRate = 44100.0f;
    detector.setSampleRate(sampleRate);
    for (KeyFilter& filter : keyFilters) {
        filter.setSampleRate(sampleRate);
    }
    resetState();

    selectProgram(0);

    hostRecord.numInputs = kChannels;
    hostRecord.numOutputs = kChannels;
    hostRecord.uniqueID = uniqueId();
    declareReplacing(true);
    declareMono(true);
}

GateEffect::~GateEffect() = default;

// ---- parameters and programs ----

void GateEffect::applyParam(int32_t index, float value) {
    if (!isEngineParam(index) || !std::isfinite(value)) {
        return;
    }
    programs[programIndex].values[index] = value;
    switch (index) {
    case kParamThreshold:
        detector.setThreshold(value);
        thresholdGain = thresholdGainFromValue(value);
        break;
    case kParamAttack:
        detector.setAttack(value);
        break;
    case kParamHold:
        detector.setHold(value);
        break;
    case kParamRelease:
        detector.setRelease(value);
        break;
    case kParamExpandRatio:
        expandAmount = ratioFromValue(value);
        break;
    case kParamRange:
        rangeGain = value;
        break;
    case kParamKeyListen:
        keyListen = static_cast<double>(value) >= 0.5;
        break;
    case kParamLowPass:
        for (KeyFilter& filter : keyFilters) {
            filter.setCutoff(KeyFilter::kLowPass, value);
        }
        break;
    case kParamHighPass:
        for (KeyFilter& filter : keyFilters) {
            filter.setCutoff(KeyFilter::kHighPass, value);
        }
        break;
    case kParamDuck:
        duckMode = static_cast<double>(value) >= 0.5;
        break;
    default: // the meter only stores its value
        break;
    }
}

float GateEffect::paramValue(int32_t index) {
    if (index < 0 || index >= kGateParamCount) {
        return 0.0f;
    }
    return programs[programIndex].values[index];
}

void GateEffect::selectProgram(int32_t index) {
    // The dispatcher checks the index already; a direct call with a bad one changes nothing.
    if (index < 0 || index >= kGateProgramCount) {
        return;
    }
    programIndex = index;
    for (int32_t i = 0; i < kGateParamCount; ++i) {
        applyParam(i, programs[index].values[i]);
    }
}

void GateEffect::renameProgram(char* text) {
    if (text != nullptr) {
        programs[programIndex].assignName(text);
    }
}

void GateEffect::copyProgramName(char* text) {
    copyText(text, programs[programIndex].name.data());
}

void GateEffect::copyParamName(int32_t index, char* text) {
    copyText(text, isEngineParam(index) ? kParamNames[index] : kReservedName);
}

void GateEffect::copyParamUnit(int32_t index, char* text) {
    copyParamName(index, text);
}

void GateEffect::copyParamText(int32_t index, char* text) {
    if (text == nullptr) {
        return;
    }
    if (!isEngineParam(index)) {
        text[0] = '\0';
        return;
    }
    const float x = programs[programIndex].values[index];
    switch (index) {
    case kParamThreshold:
        formatThreshold(x, text);
        break;
    case kParamAttack:
        formatAttack(x, text);
        break;
    case kParamHold:
        formatHold(x, text);
        break;
    case kParamRelease:
        formatRelease(x, text);
        break;
    case kParamExpandRatio:
        formatRatio(x, text);
        break;
    case kParamRange:
        formatRange(x, text);
        break;
    case kParamKeyListen:
        copyText(text, keyListen ? "KeyListen" : "Off");
        break;
    case kParamLowPass:
        formatLowPass(x, text);
        break;
    case kParamHighPass:
        formatHighPass(x, text);
        break;
    case kParamDuck:
        copyText(text, duckMode ? "Duck Mode" : "Gate Mode");
        break;
    default: // the meter has no display text
        text[0] = '\0';
        break;
    }
}

// ---- identity ----

bool GateEffect::copyEffectName(char* text) {
    if (text == nullptr) {
        return false;
    }
    copyText(text, effectName());
    return true;
}

bool GateEffect::copyVendorName(char* text) {
    if (text == nullptr) {
        return false;
    }
    copyText(text, kVendorName);
    return true;
}

bool GateEffect::copyProductName(char* text) {
    return copyVendorName(text);
}

// ---- processing ----

GateSettings GateEffect::currentSettings() const {
    GateSettings settings;
    settings.thresholdGain = thresholdGain;
    settings.expandAmount = expandAmount;
    settings.rangeGain = rangeGain;
    settings.keyListen = keyListen;
    settings.duckMode = duckMode;
    return settings;
}

template <bool Accumulate>
void GateEffect::process(float** inputs, float** outputs, int32_t frames) {
    // A negative count or missing arrays make an empty call: no sample is touched, but the
    // meter is still published.
    bool usable = inputs != nullptr && outputs != nullptr && frames > 0;
    for (int32_t c = 0; usable && c < kChannels; ++c) {
        usable = inputs[c] != nullptr && outputs[c] != nullptr;
    }
    if (!usable) {
        frames = 0;
    }

    float* keys[2] = {keyBuffers[0].data(), keyBuffers[1].data()};
    float meterValue = 0.0f;
    for (int32_t offset = 0; offset < frames; offset += kKeyBlockFrames) {
        const int32_t n = frames - offset < kKeyBlockFrames ? frames - offset : kKeyBlockFrames;
        float* in[2];
        float* out[2];
        for (int32_t c = 0; c < kChannels; ++c) {
            in[c] = inputs[c] + offset;
            out[c] = outputs[c] + offset;
        }
        // The settings are taken per block: a change from another thread during a call acts
        // from the next block on.
        const GateSettings settings = currentSettings();
        meterValue = runGateBlock<kChannels, Accumulate>(keyFilters.data(), detector, keys,
                                                         settings, in, out, n, meterValue);
        meterValue *= 0.5f;
        if (meterValue > 1.0f) {
            meterValue = 1.0f;
        }
    }
    applyParam(kParamMeter, meterValue);
}

void GateEffect::processAccumulate(float** inputs, float** outputs, int32_t frames) {
    process<true>(inputs, outputs, frames);
}

void GateEffect::processOverwrite(float** inputs, float** outputs, int32_t frames) {
    process<false>(inputs, outputs, frames);
}

float GateEffect::gainForKey(float a, float b) {
    if (duckMode) {
        return duckGain(detector.duckStep(a, b), rangeGain);
    }
    return gateGain(detector.gateStep(a, b), thresholdGain, expandAmount, rangeGain);
}

void GateEffect::changeSampleRate(float rate) {
    // A rate that is not a positive number would turn every coefficient into garbage.
    if (!(std::isfinite(rate) && rate > 0.0f)) {
        return;
    }
    PluginEffectExt::changeSampleRate(rate);
    sampleRate = rate;
    detector.setSampleRate(rate);
    for (KeyFilter& filter : keyFilters) {
        filter.setSampleRate(rate);
    }
    resetState();
    selectProgram(programIndex);
}

void GateEffect::changeBlockSizeAndRate(int32_t size, float rate) {
    PluginEffectExt::changeBlockSizeAndRate(size, currentRate);
    changeSampleRate(rate);
}

void GateEffect::resetState() {
    detector.reset();
    for (KeyFilter& filter : keyFilters) {
        filter.clearLowPassHistory();
        filter.clearHighPassHistory();
    }
    for (auto& buffer : keyBuffers) {
        buffer.fill(0.0f);
    }
}

} // namespace kestrune
