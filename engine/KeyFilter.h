// Band-limiting filter of the detector's key: a second-order low-pass section followed by a
// second-order high-pass section, each switching itself out at the end of its range.
#pragma once

#include "shell/Relaxed.h"

#include <array>

namespace kestrune {

class KeyFilter {
public:
    enum Section { kLowPass = 0, kHighPass = 1 };

    // Coefficient order in the two coefficient arrays.
    enum { kB0 = 0, kB1, kB2, kA1, kA2 };
    // History order in the two history arrays.
    enum { kX1 = 0, kX2, kY1, kY2 };
    using Coefficients = std::array<Relaxed<float>, 5>;
    using History = std::array<Relaxed<float>, 4>;

    KeyFilter();

    // Keeps histories and enable flags; only the coefficients follow the new rate.
    void setSampleRate(float rate);
    // value is the normalised parameter value. Section 0 is the low-pass, 1 the high-pass.
    void setCutoff(int section, float value);
    float filterSample(float x);
    void clearLowPassHistory();
    void clearHighPassHistory();

    // Highest angular design frequency of either section. Cutoffs whose angular frequency would
    // reach half the sample rate (where both section forms lose stability) are designed at this
    // frequency instead; at 44100 Hz and above no cutoff of the parameter range reaches it.
    static constexpr double kMaxAngularFrequency = 0.95 * 3.14159265358979323846;

    // Settings are written on the host's editor thread and read by the audio thread; the
    // histories are the audio thread's, cleared from the other when a section switches out.
    Relaxed<float> sampleRate = 44100.0f;
    Relaxed<float> lowPassCutoff = 15000.0f;
    Relaxed<float> highPassCutoff = 200.0f;
    Relaxed<float> quality = 0.707f;
    History lowPassHistory{};
    History highPassHistory{};
    Coefficients lowPassCoefficients{};
    Coefficients highPassCoefficients{};
    Relaxed<bool> highPassEnabled = true;
    Relaxed<bool> lowPassEnabled = true;

private:
    void computeCoefficients();
};

// One direct-form-I section step on float32 coefficients and history: the sum is formed in
// double in the order b2*x2 + b0*x + b1*x1 - a1*y1 - a2*y2, rounded to float32 and flushed to
// +0 when subnormal. A result that is not finite (a NaN or infinite input, or an overflow)
// clears the history and gives 0, so one bad sample cannot poison the section.
float runFilterSection(const KeyFilter::Coefficients& c, KeyFilter::History& h, float x);

} // namespace kestrune
