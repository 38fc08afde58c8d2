// Speaker-arrangement records: sizing, freeing, copying, and running out of memory.
#include "tests/shell/ProbeEffect.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace kestrune::test {
namespace {

void* noMemory(std::size_t) {
    return nullptr;
}

class SpeakerArrangements : public ::testing::Test {
protected:
    void TearDown() override {
        PluginEffectExt::arrangementMemory = savedMemory;
        effect.freeArrangement(&arrangement);
        effect.freeArrangement(&copy);
    }
    ProbeEffect effect;
    VstSpeakerArrangement* arrangement = nullptr;
    VstSpeakerArrangement* copy = nullptr;
    void* (*savedMemory)(std::size_t) = PluginEffectExt::arrangementMemory;
};

TEST_F(SpeakerArrangements, AllocationIsZeroedAndCarriesTheChannelCount) {
    EXPECT_EQ(arrangementBytes(2), 8u + 2u * 112u);
    ASSERT_TRUE(effect.allocArrangement(&arrangement, 2));
    ASSERT_NE(arrangement, nullptr);
    EXPECT_EQ(arrangement->numChannels, 2);
    EXPECT_EQ(arrangement->type, 0);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&arrangement->speakers[0]);
    for (std::size_t i = 0; i < 2 * sizeof(VstSpeakerProperties); ++i) {
        ASSERT_EQ(bytes[i], 0) << "byte " << i;
    }
}

TEST_F(SpeakerArrangements, AllocationReplacesTheOldRecord) {
    ASSERT_TRUE(effect.allocArrangement(&arrangement, 1));
    ASSERT_TRUE(effect.allocArrangement(&arrangement, 6));
    EXPECT_EQ(arrangement->numChannels, 6);
}

TEST_F(SpeakerArrangements, WithoutMemoryTheOldRecordIsFreedAndThePointerLeftNull) {
    ASSERT_TRUE(effect.allocArrangement(&arrangement, 2));
    PluginEffectExt::arrangementMemory = noMemory;
    EXPECT_FALSE(effect.allocArrangement(&arrangement, 2));
    EXPECT_EQ(arrangement, nullptr);
}

TEST_F(SpeakerArrangements, NegativeChannelCountsAreRefused) {
    EXPECT_FALSE(effect.allocArrangement(&arrangement, -3));
    EXPECT_EQ(arrangement, nullptr);
    EXPECT_FALSE(effect.allocArrangement(nullptr, 2));
}

TEST_F(SpeakerArrangements, FreeSetsThePointerToNull) {
    ASSERT_TRUE(effect.allocArrangement(&arrangement, 2));
    EXPECT_TRUE(effect.freeArrangement(&arrangement));
    EXPECT_EQ(arrangement, nullptr);
    EXPECT_TRUE(effect.freeArrangement(&arrangement));
}

TEST_F(SpeakerArrangements, SpeakerEntriesCopyEveryField) {
    VstSpeakerProperties from{};
    from.azimuth = 0.5f;
    from.elevation = -0.25f;
    from.radius = 2.0f;
    from.reserved = 3.0f;
    std::strcpy(from.name, "Left");
    from.type = 1;
    std::memset(from.future, 0x5A, sizeof from.future);
    VstSpeakerProperties to{};
    ASSERT_TRUE(effect.copySpeakerEntry(&to, &from));
    EXPECT_EQ(std::memcmp(&to, &from, sizeof to), 0);
    EXPECT_FALSE(effect.copySpeakerEntry(nullptr, &from));
    EXPECT_FALSE(effect.copySpeakerEntry(&to, nullptr));
}

TEST_F(SpeakerArrangements, UnterminatedNamesAreCutInsideTheField) {
    VstSpeakerProperties from{};
    std::memset(from.name, 'x', sizeof from.name);
    VstSpeakerProperties to{};
    ASSERT_TRUE(effect.copySpeakerEntry(&to, &from));
    EXPECT_EQ(std::strlen(to.name), sizeof to.name - 1);
}

TEST_F(SpeakerArrangements, CloneCopiesTypeAndEveryChannel) {
    ASSERT_TRUE(effect.allocArrangement(&arrangement, 2));
    arrangement->type = 1;
    std::strcpy(arrangement->speakers[0].name, "L");
    std::strcpy(arrangement->speakers[1].name, "R");
    arrangement->speakers[1].type = 2;
    ASSERT_TRUE(effect.allocArrangement(&copy, 5)); // replaced by the clone
    ASSERT_TRUE(effect.cloneArrangement(&copy, arrangement));
    EXPECT_EQ(copy->numChannels, 2);
    EXPECT_EQ(copy->type, 1);
    EXPECT_STREQ(copy->speakers[0].name, "L");
    EXPECT_STREQ(copy->speakers[1].name, "R");
    EXPECT_EQ(copy->speakers[1].type, 2);
}

TEST_F(SpeakerArrangements, CloneFailures) {
    EXPECT_FALSE(effect.cloneArrangement(&copy, nullptr));
    ASSERT_TRUE(effect.allocArrangement(&arrangement, 2));
    PluginEffectExt::arrangementMemory = noMemory;
    EXPECT_FALSE(effect.cloneArrangement(&copy, arrangement));
    EXPECT_EQ(copy, nullptr);
}

} // namespace
} // namespace kestrune::test
