#include "graphics/GuiTypes.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

TEST(GuiRect, ContainsItsTopLeftButNotItsRightOrBottomEdge) {
    GuiRect r{10, 20, 30, 40};
    EXPECT_TRUE(r.containsPoint({10, 20}));
    EXPECT_TRUE(r.containsPoint({29, 39}));
    EXPECT_FALSE(r.containsPoint({30, 25}));
    EXPECT_FALSE(r.containsPoint({15, 40}));
    EXPECT_FALSE(r.containsPoint({9, 25}));
    EXPECT_EQ(r.width(), 20);
    EXPECT_EQ(r.height(), 20);
}

TEST(GuiRect, ClippingNeverGivesAnInvertedRectangle) {
    struct Case {
        GuiRect a, b, result;
    };
    const Case cases[] = {
        {{0, 0, 10, 10}, {5, 5, 20, 20}, {5, 5, 10, 10}},
        {{0, 0, 10, 10}, {20, 30, 40, 50}, {20, 30, 20, 30}}, // disjoint: zero size
        {{20, 30, 40, 50}, {0, 0, 10, 10}, {20, 30, 20, 30}},
        {{0, 0, 10, 10}, {0, 0, 10, 10}, {0, 0, 10, 10}},
    };
    for (const Case& c : cases) {
        GuiRect r = c.a;
        r.clipTo(c.b);
        EXPECT_EQ(r.left, c.result.left);
        EXPECT_EQ(r.top, c.result.top);
        EXPECT_EQ(r.right, c.result.right);
        EXPECT_EQ(r.bottom, c.result.bottom);
        EXPECT_GE(r.right, r.left);
        EXPECT_GE(r.bottom, r.top);
    }
    EXPECT_TRUE((GuiRect{5, 5, 5, 9}).hasNoArea());
    EXPECT_FALSE((GuiRect{5, 5, 6, 6}).hasNoArea());
}

TEST(GuiColor, PlatformValueIsRedGreenBlueWithoutTheFourthByte) {
    GuiColor c{0x12, 0x34, 0x56, 0x78};
    EXPECT_EQ(c.platformValue(), 0x563412u);
    EXPECT_EQ(colorGrey.platformValue(), 0x7F7F7Fu);
    EXPECT_EQ(defaultKeyColor.platformValue(), 0xFFFFFFu);
    GuiColor back = GuiColor::fromPlatform(0x563412);
    EXPECT_TRUE(back.sameRgb(c));
    EXPECT_EQ(back.unused, 0);
}

} // namespace
} // namespace kestrune
