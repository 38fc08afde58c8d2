#include "engine/ValueMappings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace kestrune {
namespace {

using Formatter = void (*)(float, char*);

struct DisplayCase {
    const char* name;
    Formatter format;
    float value;
    const char* expected;
};

std::string display(Formatter format, float value) {
    char text[64];
    std::memset(text, 'x', sizeof text);
    format(value, text);
    return text;
}

class DisplayText : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayText, MatchesTheShownText) {
    const DisplayCase& c = GetParam();
    EXPECT_EQ(display(c.format, c.value), c.expected) << c.name << " of " << c.value;
}

const DisplayCase kDisplayCases[] = {
    {"hold", formatHold, 0.01f, "9ms"}, // 0.01f * 1000 is just below 10
    {"hold", formatHold, 0.0f, "0ms"},
    {"hold", formatHold, 1.0f, "1000ms"},
    {"lowPass", formatLowPass, 1.0f, "off"},
    {"lowPass", formatLowPass, 0.999f, "19901Hz"},
    {"lowPass", formatLowPass, 0.9f, "12039Hz"},
    {"lowPass", formatLowPass, 0.0f, "20Hz"},
    {"highPass", formatHighPass, 0.0f, "off"},
    {"highPass", formatHighPass, 1e-13f, "off"},
    {"highPass", formatHighPass, 0.05f, "28Hz"},
    {"highPass", formatHighPass, 1.0f, "20000Hz"},
    {"range", formatRange, 0.0f, "-oodB"},
    {"range", formatRange, 1.0f, "0.00dB"},
    {"range", formatRange, 0.5f, "-6.02dB"},
    {"range", formatRange, 1e-10f, "-200.00dB"},
    {"release", formatRelease, 0.0f, "ShortRel"},
    {"release", formatRelease, 1e-10f, "3ms"},
    {"release", formatRelease, 0.1f, "202ms"},
    {"release", formatRelease, 1.0f, "2000ms"},
    {"ratio", formatRatio, 0.0f, "1.00:1"},
    {"ratio", formatRatio, 1.0f, "30.00:1"},
    {"ratio", formatRatio, 0.2626f, "3.00:1"},
    {"attack", formatAttack, 0.0f, "0.05ms"},
    {"attack", formatAttack, 1.0f, "100.05ms"},
    {"threshold", formatThreshold, 0.0f, "-60.00dB"},
    {"threshold", formatThreshold, 0.05f, "-57.00dB"},
    {"threshold", formatThreshold, 0.5f, "-30.00dB"},
    {"threshold", formatThreshold, 1.0f, "0.00dB"},
};

INSTANTIATE_TEST_SUITE_P(Formatters, DisplayText, ::testing::ValuesIn(kDisplayCases));

TEST(ValueMappings, RangeEnds) {
    EXPECT_FLOAT_EQ(thresholdGainFromValue(0.0f), 0.001f);
    EXPECT_EQ(thresholdGainFromValue(1.0f), 1.0f);
    EXPECT_EQ(holdSecondsFromValue(0.25f), 0.25f);
    EXPECT_EQ(releaseSecondsFromValue(0.0f), 0.003f);
    EXPECT_EQ(releaseSecondsFromValue(1.0f), 2.0f);
    EXPECT_EQ(ratioFromValue(0.0f), 0.0f);
    EXPECT_EQ(ratioFromValue(1.0f), 29.0f);
    EXPECT_EQ(frequencyFromValue(0.0f), 20.0f);
    EXPECT_EQ(frequencyFromValue(1.0f), 20000.0f);
    EXPECT_NEAR(frequencyFromValue(0.5f), 1117.99f, 0.01f);
}

TEST(ValueMappings, ThresholdFactorIsTheFloatNearestOneThousandth) {
    // 1000^x * 0.001 with the float32 factor: at x = 0 the double product is that float's value.
    EXPECT_EQ(thresholdGainExact(0.0f), static_cast<double>(0.001f));
    EXPECT_NE(thresholdGainExact(0.0f), 0.001);
}

// Values far outside 0..1 reach the formatters unchanged from the host; the text is cut rather
// than written past a small buffer, and integer texts stay defined.
TEST(ValueMappings, FormattersBoundTheirTextForAbsurdValues) {
    const Formatter all[] = {formatThreshold, formatAttack, formatHold,    formatRelease,
                             formatRatio,     formatRange,  formatLowPass, formatHighPass};
    const float absurd[] = {std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(),
                            std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(), -1e30f};
    for (Formatter format : all) {
        for (float value : absurd) {
            char text[kDisplayTextCapacity + 8];
            std::memset(text, 'x', sizeof text);
            format(value, text);
            EXPECT_LT(std::strlen(text), kDisplayTextCapacity) << value;
            for (std::size_t i = kDisplayTextCapacity; i < sizeof text; ++i) {
                EXPECT_EQ(text[i], 'x') << "written past the text at " << i;
            }
        }
    }
    EXPECT_EQ(display(formatHold, 1e20f), "2147483647ms");
    EXPECT_EQ(display(formatHold, std::numeric_limits<float>::quiet_NaN()), "0ms");
}

} // namespace
} // namespace kestrune
