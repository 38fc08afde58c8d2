// First-order low-pass (bilinear transform with prewarping) that smooths the detector envelope.
#pragma once

#include "shell/Relaxed.h"

namespace kestrune {

class OnePoleLowPass {
public:
    OnePoleLowPass(float rate, float hertz);

    void setSampleRate(float rate);
    void setCutoff(float hertz);
    void reset();
    float filterSample(float x);

    // Cutoffs are designed at no more than this fraction of the sample rate: at half the rate
    // the prewarping tangent diverges and beyond it the filter is unstable. At 44100 Hz and
    // above the whole attack range (up to 20000 Hz) lies below the limit.
    static constexpr double kMaxCutoffRatio = 0.475;
    // Lowest design cutoff, so that a degenerate cutoff still gives a stable filter.
    static constexpr double kMinCutoffHertz = 1e-3;

    Relaxed<float> sampleRate;
    Relaxed<float> cutoff;
    Relaxed<float> lastInput = 0.0f;
    Relaxed<float> lastOutput = 0.0f;
    Relaxed<float> inputCoefficient = 0.0f;    // A
    Relaxed<float> feedbackCoefficient = 0.0f; // B

private:
    void computeCoefficients();
};

} // namespace kestrune
