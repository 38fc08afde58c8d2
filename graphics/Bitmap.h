// Reference-counted pictures from the library's bitmap resources, drawn opaque, with a key colour
// left out, or blended; and the off-screen buffer controls compose their pictures in.
#pragma once

#include "graphics/GraphicsContext.h"
#include "graphics/GuiTypes.h"
#include "platform/Platform.h"

#include <cstdint>

namespace kestrune {

class Frame;

// The image library's entries, bound by each frame; valid only while a frame exists.
extern platform::AlphaBlendEntry alphaBlendEntry;
extern platform::TransparentBltEntry transparentBltEntry;

// Loads "msimg32.dll" and binds its entries; answers the library handle (null without it).
platform::Module bindBlendEntries();
void unbindBlendEntries(platform::Module imageLibrary);

class Bitmap {
public:
    explicit Bitmap(int resourceId);
    Bitmap(int width, int height);

    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    void addReference();
    void release(); // frees the bitmap when the last holder lets go
    platform::DrawObject imageHandle() const { return image; }
    bool isLoaded() const { return image != nullptr; }
    void setKeyColor(GuiColor color) { keyColor = color; }

    void drawOpaque(GraphicsContext& ctx, const GuiRect& dest, const GuiPoint& sourceOrigin);
    void drawTransparent(GraphicsContext& ctx, const GuiRect& dest, const GuiPoint& sourceOrigin);
    void drawBlended(GraphicsContext& ctx, const GuiRect& dest, const GuiPoint& sourceOrigin,
                     uint8_t opacity);
    void buildMask(GraphicsContext& ctx, const GuiPoint& where);

    int32_t resourceId;
    int32_t referenceCount;
    int32_t width;
    int32_t height;
    GuiColor keyColor;
    platform::DrawObject image;
    platform::DrawObject mask;

private:
    ~Bitmap();
    void readSize();
};

class OffscreenBuffer : public GraphicsContext {
public:
    // A buffer for the frame's window, filled (border included) with `fill`.
    OffscreenBuffer(Frame* frame, int width, int height, GuiColor fill);
    // A buffer of the bitmap's size (20 x 20 without one) that draws into the bitmap's image when
    // `drawIntoBitmap`, else into a copy of it (black without a bitmap).
    OffscreenBuffer(GraphicsContext& compatibleWith, Bitmap* bitmap, bool drawIntoBitmap);
    ~OffscreenBuffer() override;

    int32_t bufferWidth;
    int32_t bufferHeight;
    bool ownsImage;
    // The memory bitmap selected into the buffer's device context. (Kept in a field of its own
    // rather than in `window`, which always names a window.)
    platform::DrawObject image;
    platform::DrawObject previousImage;

private:
    void setSize(int width, int height);
};

} // namespace kestrune
