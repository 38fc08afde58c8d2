// The generic effect's number texts: eight characters at most.
#include "tests/shell/ProbeEffect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace kestrune::test {
namespace {

struct FormatCase {
    const char* what;
    float value;
    const char* text;
};

std::string formatted(void (PluginEffect::*format)(float, char*), float value,
                      float rate = 44100.0f) {
    ProbeEffect effect;
    effect.currentRate = rate;
    char text[32];
    std::strcpy(text, "unchanged");
    (effect.*format)(value, text);
    return text;
}

TEST(Formatting, FloatTexts) {
    const FormatCase cases[] = {
        {"one and a half", 1.5f, "1.500000"},
        {"five integer digits", 12345.678f, "12345.67"},
        {"negative", -3.5f, "-3.50000"},
        {"zero", 0.0f, "0.000000"},
        {"seven integer digits", 1234567.0f, "1234567."},
        {"negative six digits", -123456.0f, "-123456."},
        {"too large", 100000000.0f, "unchanged"},
        {"too large negative", -10000000.0f, "unchanged"},
        // The integer digits must all fit with the point; otherwise the text stays as it was
        // rather than losing its leading digit.
        {"eight integer digits", 12345678.0f, "unchanged"},
        {"negative seven digits", -1234567.0f, "unchanged"},
        {"not a number", std::numeric_limits<float>::quiet_NaN(), "unchanged"},
        {"infinite", std::numeric_limits<float>::infinity(), "unchanged"},
    };
    for (const FormatCase& c : cases) {
        EXPECT_EQ(formatted(&PluginEffect::formatFloat, c.value), c.text) << c.what;
    }
}

TEST(Formatting, DecibelTexts) {
    EXPECT_EQ(formatted(&PluginEffect::formatDecibels, 0.0f), "-oo");
    EXPECT_EQ(formatted(&PluginEffect::formatDecibels, -1.0f), "-oo");
    EXPECT_EQ(formatted(&PluginEffect::formatDecibels, 1.0f), "0.000000");
    EXPECT_EQ(formatted(&PluginEffect::formatDecibels, 10.0f), "20.00000");
    EXPECT_EQ(formatted(&PluginEffect::formatDecibels, 0.1f), "-20.0000");
}

TEST(Formatting, HertzAndMillisecondTextsFollowTheSampleRate) {
    EXPECT_EQ(formatted(&PluginEffect::formatHertz, 100.0f), "441.0000");
    EXPECT_EQ(formatted(&PluginEffect::formatHertz, 0.0f), "0.000000");
    EXPECT_EQ(formatted(&PluginEffect::formatHertz, 100.0f, 48000.0f), "480.0000");
    EXPECT_EQ(formatted(&PluginEffect::formatMilliseconds, 441.0f), "10.00000");
    EXPECT_EQ(formatted(&PluginEffect::formatMilliseconds, 480.0f, 48000.0f), "10.00000");
}

TEST(Formatting, IntegerTexts) {
    ProbeEffect effect;
    char text[32];
    effect.formatInteger(42, text);
    EXPECT_STREQ(text, "     42");
    effect.formatInteger(100000000, text);
    EXPECT_STREQ(text, "Huge!");
    effect.formatInteger(99999999, text);
    EXPECT_STREQ(text, "99999999");
    effect.formatInteger(-2147483647 - 1, text);
    EXPECT_STREQ(text, "-2147483");
}

TEST(Formatting, NullTextsAreLeftAlone) {
    ProbeEffect effect;
    effect.formatFloat(1.0f, nullptr);
    effect.formatDecibels(0.0f, nullptr);
    effect.formatInteger(1, nullptr);
    effect.formatHertz(1.0f, nullptr);
    SUCCEED();
}

} // namespace
} // namespace kestrune::test
