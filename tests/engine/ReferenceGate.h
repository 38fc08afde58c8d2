// The gate's processing written out plainly, one sample at a time, from the building blocks'
// per-sample formulas: the oracle the optimised processing loop is compared with.
#pragma once

#include "engine/GateDetector.h"
#include "engine/GateProgram.h"
#include "engine/KeyFilter.h"
#include "engine/ValueMappings.h"

#include <array>
#include <cstdint>
#include <vector>

namespace kestrune::enginetest {

class ReferenceGate {
public:
    explicit ReferenceGate(int channels, float rate = 44100.0f) : channels_(channels) {
        detector.setSampleRate(rate);
        for (KeyFilter& f : filters) {
            f.setSampleRate(rate);
        }
    }

    void apply(int index, float x) {
        switch (index) {
        case kParamThreshold:
            detector.setThreshold(x);
            thresholdGain = thresholdGainFromValue(x);
            break;
        case kParamAttack:
            detector.setAttack(x);
            break;
        case kParamHold:
            detector.setHold(x);
            break;
        case kParamRelease:
            detector.setRelease(x);
            break;
        case kParamExpandRatio:
            expandAmount = ratioFromValue(x);
            break;
        case kParamRange:
            rangeGain = x;
            break;
        case kParamKeyListen:
            keyListen = x >= 0.5;
            break;
        case kParamLowPass:
        case kParamHighPass:
            for (KeyFilter& f : filters) {
                f.setCutoff(index == kParamLowPass ? 0 : 1, x);
            }
            break;
        case kParamDuck:
            duckMode = x >= 0.5;
            break;
        default:
            break;
        }
    }

    void apply(const std::array<float, kGateParamCount>& values) {
        for (int i = 0; i < kGateParamCount; ++i) {
            apply(i, values[i]);
        }
    }

    float gainForKey(float a, float b) {
        if (duckMode) {
            return duckGain(detector.duckStep(a, b), rangeGain);
        }
        return gateGain(detector.gateStep(a, b), thresholdGain, expandAmount, rangeGain);
    }

    // One processing call; answers the meter value. gains (if given) receives every sample's
    // gain.
    float process(float* const* inputs, float* const* outputs, int32_t frames, bool accumulate,
                  std::vector<float>* gains = nullptr) {
        float meter = 0.0f;
        for (int32_t start = 0; start < frames; start += 512) {
            const int32_t n = frames - start < 512 ? frames - start : 512;
            std::array<std::array<float, 512>, 2> key{};
            for (int c = 0; c < channels_; ++c) {
                for (int32_t i = 0; i < n; ++i) {
                    key[c][i] = inputs[c][start + i];
                }
            }
            for (int32_t i = 0; i < n; ++i) {
                for (int c = 0; c < channels_; ++c) {
                    key[c][i] = filters[c].filterSample(key[c][i]);
                }
            }
            for (int32_t i = 0; i < n; ++i) {
                const float g = gainForKey(key[0][i], key[channels_ - 1][i]);
                if (gains) {
                    gains->push_back(g);
                }
                for (int c = 0; c < channels_; ++c) {
                    const float y = keyListen ? key[c][i] : g * inputs[c][start + i];
                    if (accumulate) {
                        outputs[c][start + i] += y;
                    } else {
                        outputs[c][start + i] = y;
                    }
                }
                if (meter < g) {
                    meter = g;
                }
            }
            meter *= 0.5f;
            if (meter > 1.0f) {
                meter = 1.0f;
            }
        }
        return meter;
    }

    std::array<KeyFilter, 2> filters;
    GateDetector detector;
    float thresholdGain = 0.0f;
    float expandAmount = 0.0f;
    float rangeGain = 0.0f;
    bool keyListen = false;
    bool duckMode = false;

private:
    int channels_;
};

} // namespace kestrune::enginetest
