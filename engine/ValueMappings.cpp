#include "engine/ValueMappings.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace kestrune {

namespace {

constexpr float kThresholdFactor = 0.001f;

// Integer texts show the value truncated toward zero as a signed 32-bit integer. Values that do
// not fit (or are not numbers) are pinned so the conversion stays defined.
std::int32_t truncateForDisplay(double value) {
    if (!(value == value)) {
        return 0;
    }
    if (value >= 2147483647.0) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value <= -2147483648.0) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

void writeText(char* text, const char* format, double value) {
    std::snprintf(text, kDisplayTextCapacity, format, value);
}

void writeInteger(char* text, const char* format, std::int32_t value) {
    std::snprintf(text, kDisplayTextCapacity, format, static_cast<int>(value));
}

void writeLiteral(char* text, const char* literal) {
    std::snprintf(text, kDisplayTextCapacity, "%s", literal);
}

} // namespace

// ---- value mappings ----

double thresholdGainExact(float x) {
    return std::pow(1000.0, static_cast<double>(x)) * static_cast<double>(kThresholdFactor);
}

float thresholdGainFromValue(float x) {
    return static_cast<float>(thresholdGainExact(x));
}

float holdSecondsFromValue(float x) {
    return x;
}

float releaseSecondsFromValue(float x) {
    return static_cast<float>(1.997 * static_cast<double>(x) + 0.003);
}

float ratioFromValue(float x) {
    const double v = x;
    return static_cast<float>(29.0 * (v * v));
}

float frequencyFromValue(float x) {
    return static_cast<float>(std::pow(19981.0, std::sqrt(static_cast<double>(x))) + 19.0);
}

// ---- display formatters ----

void formatThreshold(float x, char* text) {
    writeText(text, "%.2fdB", 20.0 * std::log10(thresholdGainExact(x)));
}

void formatAttack(float x, char* text) {
    const double seconds = 0.1 * static_cast<double>(x) + 0.00005;
    writeText(text, "%.2fms", 1000.0 / (1.0 / seconds));
}

void formatHold(float x, char* text) {
    writeInteger(text, "%dms", truncateForDisplay(static_cast<double>(x) * 1000.0));
}

void formatRelease(float x, char* text) {
    if (x <= 1e-13) {
        writeLiteral(text, "ShortRel");
        return;
    }
    writeInteger(text, "%dms", truncateForDisplay(static_cast<double>(x) * 1997.0 + 3.0));
}

void formatRatio(float x, char* text) {
    const double v = x;
    writeText(text, "%.2f:1", 29.0 * (v * v) + 1.0);
}

void formatRange(float x, char* text) {
    if (x <= 1e-13) {
        writeLiteral(text, "-oodB");
        return;
    }
    writeText(text, "%.2fdB", 20.0 * std::log10(static_cast<double>(x)));
}

void formatLowPass(float x, char* text) {
    if (x >= 1.0f) {
        writeLiteral(text, "off");
        return;
    }
    writeInteger(text, "%dHz", truncateForDisplay(frequencyFromValue(x)));
}

void formatHighPass(float x, char* text) {
    if (x <= 1e-13) {
        writeLiteral(text, "off");
        return;
    }
    writeInteger(text, "%dHz", truncateForDisplay(frequencyFromValue(x)));
}

} // namespace kestrune
