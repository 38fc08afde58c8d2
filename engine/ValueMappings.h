// Normalised parameter values (0..1) to physical quantities, and the display texts of the gate.
#pragma once

#include <cstddef>

namespace kestrune {

// ---- value mappings (float32 in, float32 out, double precision in between) ----

// Linear threshold gain: 1000^x * 0.001 (0.001 is the float32 nearest it). -60 dB .. 0 dB.
float thresholdGainFromValue(float x);
// The same value before its rounding to float32; the detector derives its knee from it.
double thresholdGainExact(float x);
float holdSecondsFromValue(float x);
float releaseSecondsFromValue(float x);
// Upward-expansion amount 29 * x^2.
float ratioFromValue(float x);
// Key-filter cutoff 19981^sqrt(x) + 19: 20 Hz at 0, 20000 Hz at 1.
float frequencyFromValue(float x);

// ---- display formatters ----

// Every formatter writes one NUL-terminated text of at most kDisplayTextCapacity bytes
// (terminator included). Values between 0 and 1 give at most 9 characters; values far outside
// that range (which the host may send, since nothing clamps them) are cut instead of overrunning
// the caller's buffer.
inline constexpr std::size_t kDisplayTextCapacity = 16;

void formatThreshold(float x, char* text);
void formatAttack(float x, char* text);
void formatHold(float x, char* text);
void formatRelease(float x, char* text);
void formatRatio(float x, char* text);
void formatRange(float x, char* text);
void formatLowPass(float x, char* text);
void formatHighPass(float x, char* text);

} // namespace kestrune
