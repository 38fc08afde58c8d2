// Bitmaps from the program's resources, their three ways of drawing, and off-screen buffers.
#include "graphics/Bitmap.h"
#include "graphics/Frame.h"
#include "tests/graphics/GraphicsTestSupport.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

namespace pf = platform;
using testing::Canvas;
using testing::gradientAt;

class Bitmaps : public ::testing::Test {
protected:
    void SetUp() override {
        testing::useTestModule();
        imageLibrary = bindBlendEntries();
    }
    void TearDown() override {
        unbindBlendEntries(imageLibrary);
        alphaBlendEntry = nullptr;
        transparentBltEntry = nullptr;
    }

    // The gradient as the picture under every transparent copy.
    static void paintGradient(Canvas& canvas) {
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                pf::setPixel(canvas.dc, x, y, gradientAt(x, y));
    }

    pf::Module imageLibrary = nullptr;
};

TEST_F(Bitmaps, ResourcesLoadWithTheirSize) {
    struct Case {
        int id, width, height;
    };
    for (const Case& c : {Case{testing::spriteId, 16, 12}, Case{testing::gradientId, 40, 30},
                          Case{testing::checkerId, 8, 8}, Case{testing::panelId, 60, 40}}) {
        Bitmap* bitmap = new Bitmap(c.id);
        EXPECT_TRUE(bitmap->isLoaded()) << c.id;
        EXPECT_EQ(bitmap->width, c.width);
        EXPECT_EQ(bitmap->height, c.height);
        EXPECT_EQ(bitmap->referenceCount, 1);
        EXPECT_TRUE(bitmap->keyColor.sameRgb(defaultKeyColor));
        EXPECT_EQ(bitmap->mask, nullptr);
        bitmap->release();
    }
}

TEST_F(Bitmaps, MissingResourceHasNoSizeAndDrawsNothing) {
    Bitmap* missing = new Bitmap(4242);
    EXPECT_FALSE(missing->isLoaded());
    EXPECT_EQ(missing->width, 0);
    EXPECT_EQ(missing->height, 0);
    Canvas canvas(10, 10, 0x123456);
    GraphicsContext ctx(nullptr, canvas.dc, nullptr);
    missing->drawOpaque(ctx, {0, 0, 10, 10}, {0, 0});
    missing->drawTransparent(ctx, {0, 0, 10, 10}, {0, 0});
    missing->drawBlended(ctx, {0, 0, 10, 10}, {0, 0}, 200);
    for (pf::ColorValue p : canvas.pixels())
        ASSERT_EQ(p, 0x123456u);
    missing->release();
}

TEST_F(Bitmaps, ReferencesKeepTheBitmapUntilTheLastRelease) {
    Bitmap* bitmap = new Bitmap(testing::gradientId);
    bitmap->addReference();
    EXPECT_EQ(bitmap->referenceCount, 2);
    bitmap->release();
    EXPECT_EQ(bitmap->referenceCount, 1);
    EXPECT_TRUE(bitmap->isLoaded());
    bitmap->release(); // frees it; a count of 0 is never released again
}

TEST_F(Bitmaps, OpaqueCopyTakesTheSourceAreaToTheShiftedDestination) {
    Bitmap* gradient = new Bitmap(testing::gradientId);
    Canvas canvas(40, 40, 0);
    GraphicsContext ctx(nullptr, canvas.dc, nullptr);
    ctx.drawOffset = {3, 4};
    gradient->drawOpaque(ctx, {10, 10, 20, 20}, {10, 10});
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            bool inside = x >= 13 && x < 23 && y >= 14 && y < 24;
            pf::ColorValue expected = inside ? gradientAt(x - 3, y - 4) : 0;
            ASSERT_EQ(canvas.pixel(x, y), expected)
                << x << "," << y << " " << canvas.save("opaque");
        }
    gradient->release();
}

TEST_F(Bitmaps, TheThreeTransparentCopiesGiveIdenticalPixels) {
    Bitmap* sprite = new Bitmap(testing::spriteId);
    ASSERT_TRUE(sprite->isLoaded());
    // What the sprite looks like, read from an opaque copy.
    Canvas plain(16, 12, 0);
    {
        GraphicsContext ctx(nullptr, plain.dc, nullptr);
        sprite->drawOpaque(ctx, {0, 0, 16, 12}, {0, 0});
    }
    ASSERT_NE(transparentBltEntry, nullptr);

    enum Method { preparedMask, singleCall, maskOnTheFly };
    for (Method method : {preparedMask, singleCall, maskOnTheFly}) {
        if (method == preparedMask) {
            Canvas staging(16, 12, 0);
            GraphicsContext ctx(nullptr, staging.dc, nullptr);
            sprite->drawOpaque(ctx, {0, 0, 16, 12}, {0, 0});
            sprite->buildMask(ctx, {0, 0});
            ASSERT_NE(sprite->mask, nullptr);
        }
        pf::TransparentBltEntry bound = transparentBltEntry;
        if (method == maskOnTheFly)
            transparentBltEntry = nullptr;
        Canvas canvas(30, 20, 0);
        paintGradient(canvas);
        {
            GraphicsContext ctx(nullptr, canvas.dc, nullptr);
            ctx.drawOffset = {2, 1};
            sprite->drawTransparent(ctx, {5, 4, 21, 16}, {0, 0});
        }
        transparentBltEntry = bound;
        if (method == preparedMask) {
            pf::deleteObject(sprite->mask);
            sprite->mask = nullptr;
        }
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x) {
                int sx = x - 7;
                int sy = y - 5;
                pf::ColorValue expected = gradientAt(x, y);
                if (sx >= 0 && sx < 16 && sy >= 0 && sy < 12 && plain.pixel(sx, sy) != 0xFFFFFF)
                    expected = plain.pixel(sx, sy);
                ASSERT_EQ(canvas.pixel(x, y), expected)
                    << "method " << int(method) << " at " << x << "," << y << " "
                    << canvas.save("transparent-" + std::to_string(int(method)));
            }
    }
    // The almost-white pixel is not the key.
    EXPECT_EQ(plain.pixel(0, 11), pf::colorValue(254, 255, 255));
    sprite->release();
}

TEST_F(Bitmaps, KeyColourCanBeAnyColour) {
    Bitmap* sprite = new Bitmap(testing::spriteId);
    sprite->setKeyColor({200, 30, 30, 0}); // the disc
    transparentBltEntry = nullptr;
    Canvas canvas(16, 12, 0x00FF00);
    {
        GraphicsContext ctx(nullptr, canvas.dc, nullptr);
        sprite->drawTransparent(ctx, {0, 0, 16, 12}, {0, 0});
    }
    EXPECT_EQ(canvas.pixel(8, 7), 0x00FF00u) << "the disc is left out";
    EXPECT_EQ(canvas.pixel(1, 1), 0xFFFFFFu) << "white is drawn now";
    sprite->release();
}

TEST_F(Bitmaps, BlendMixesWithConstantOpacity) {
    Bitmap* panel = new Bitmap(testing::panelId);
    Canvas canvas(60, 40, 0);
    {
        GraphicsContext ctx(nullptr, canvas.dc, nullptr);
        panel->drawBlended(ctx, {0, 0, 60, 40}, {0, 0}, 255);
    }
    EXPECT_EQ(canvas.pixel(5, 5), pf::colorValue(102, 102, 102));
    canvas.paint(0);
    {
        GraphicsContext ctx(nullptr, canvas.dc, nullptr);
        panel->drawBlended(ctx, {0, 0, 60, 40}, {0, 0}, 0);
    }
    EXPECT_EQ(canvas.pixel(5, 5), 0u);
    panel->release();
}

TEST_F(Bitmaps, OffscreenBuffersOfTheStatedSizesAreFilledEverywhere) {
    Frame frame({0, 0, 100, 100}, nullptr, nullptr);
    struct Case {
        int width, height;
        GuiColor fill;
    };
    for (const Case& c : {Case{30, 8, colorBlack}, Case{30, 8, colorRed}, Case{1, 1, colorGrey},
                          Case{17, 3, colorWhite}}) {
        OffscreenBuffer buffer(&frame, c.width, c.height, c.fill);
        EXPECT_EQ(buffer.bufferWidth, c.width);
        EXPECT_EQ(buffer.clipArea.right, c.width);
        EXPECT_EQ(buffer.clipArea.bottom, c.height);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                ASSERT_TRUE(buffer.readPixelColor({x, y}).sameRgb(c.fill))
                    << c.width << "x" << c.height << " at " << x << "," << y;
    }
}

TEST_F(Bitmaps, OffscreenBufferCopiesOrDrawsIntoABitmap) {
    Canvas window(40, 40, 0);
    GraphicsContext ctx(nullptr, window.dc, nullptr);
    {
        OffscreenBuffer empty(ctx, nullptr, false);
        EXPECT_EQ(empty.bufferWidth, 20);
        EXPECT_EQ(empty.bufferHeight, 20);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x)
                ASSERT_TRUE(empty.readPixelColor({x, y}).sameRgb(colorBlack));
    }
    Bitmap* gradient = new Bitmap(testing::gradientId);
    {
        OffscreenBuffer copy(ctx, gradient, false);
        EXPECT_TRUE(copy.ownsImage);
        EXPECT_EQ(copy.readPixelColor({7, 9}).platformValue(), gradientAt(7, 9));
        copy.setPixelColor({7, 9}, colorRed);
        copy.copyAreaTo(ctx, {0, 0, 40, 30}, {0, 0});
    }
    EXPECT_EQ(window.pixel(7, 9), colorRed.platformValue()) << "the copy reached the window";
    window.paint(0);
    gradient->drawOpaque(ctx, {0, 0, 40, 30}, {0, 0});
    EXPECT_EQ(window.pixel(7, 9), gradientAt(7, 9)) << "the bitmap itself is unchanged";
    {
        OffscreenBuffer into(ctx, gradient, true);
        EXPECT_FALSE(into.ownsImage);
        into.setPixelColor({7, 9}, colorRed);
    }
    gradient->drawOpaque(ctx, {0, 0, 40, 30}, {0, 0});
    EXPECT_EQ(window.pixel(7, 9), colorRed.platformValue()) << "drawing went into the bitmap";
    gradient->release();
}

TEST(BlendEntries, BoundWhileTheImageLibraryIsLoaded) {
    pf::Module library = bindBlendEntries();
    ASSERT_NE(library, nullptr);
    EXPECT_NE(alphaBlendEntry, nullptr);
    EXPECT_NE(transparentBltEntry, nullptr);
    unbindBlendEntries(library);
}

} // namespace
} // namespace kestrune

namespace kestrune {
namespace {

TEST(BadInput, OddSizesAndCountsDrawNothingAndLeaveTheContextUsable) {
    testing::useTestModule();
    Frame frame({0, 0, 10, 10}, nullptr, nullptr);
    for (auto size : {std::pair{-5, 10}, std::pair{0, 0}, std::pair{10, -1}}) {
        OffscreenBuffer buffer(&frame, size.first, size.second, colorRed);
        EXPECT_LE(buffer.clipArea.left, 0);
        EXPECT_GE(buffer.clipArea.right, 0);
        buffer.outlineRect({0, 0, 100, 100});
        buffer.setPixelColor({1, 1}, colorWhite);
    }
    Canvas canvas(12, 12, 0);
    GraphicsContext ctx(nullptr, canvas.dc, nullptr);
    GuiPoint points[2] = {{0, 0}, {5, 5}};
    ctx.drawPolyline(points, -3);
    ctx.setPenWidth(-4);
    ctx.selectFont(3, 100000, 0);
    ctx.selectFont(3, -7, styleBold | styleItalic | styleUnderline | 64);
    ctx.drawTextInRect("x", {20, 20, 10, 10}, true, alignCenter); // inverted rectangle
    Bitmap* blank = new Bitmap(0, 0);
    blank->drawTransparent(ctx, {0, 0, 0, 0}, {0, 0});
    blank->release();
    Bitmap* sprite = new Bitmap(testing::spriteId);
    sprite->drawTransparent(ctx, {0, 0, -4, -4}, {-100, -100});
    sprite->drawOpaque(ctx, {0, 0, 12, 12}, {1000, 1000});
    sprite->release();
    ctx.setLineColor(colorWhite);
    ctx.setPenWidth(1);
    ctx.setPenPosition({0, 11});
    ctx.drawLineTo({12, 11});
    EXPECT_EQ(canvas.pixel(6, 11), 0xFFFFFFu) << "the context still draws";
}

TEST(BadInput, BlendWithoutTheImageLibraryDrawsTheNearerOfNothingAndOpaque) {
    testing::useTestModule();
    alphaBlendEntry = nullptr;
    Bitmap* panel = new Bitmap(testing::panelId);
    Canvas canvas(60, 40, 0);
    GraphicsContext ctx(nullptr, canvas.dc, nullptr);
    panel->drawBlended(ctx, {0, 0, 60, 40}, {0, 0}, 100);
    EXPECT_EQ(canvas.pixel(5, 5), 0u);
    panel->drawBlended(ctx, {0, 0, 60, 40}, {0, 0}, 200);
    EXPECT_EQ(canvas.pixel(5, 5), platform::colorValue(102, 102, 102));
    panel->release();
}

} // namespace
} // namespace kestrune
