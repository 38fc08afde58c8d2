#include "graphics/Bitmap.h"

#include "controls/View.h"
#include "graphics/Frame.h"
#include "shell/PluginEntry.h"

#include <algorithm>

namespace kestrune {

namespace pf = platform;

pf::AlphaBlendEntry alphaBlendEntry = nullptr;
pf::TransparentBltEntry transparentBltEntry = nullptr;

// ---- blend entry points ----

pf::Module bindBlendEntries() {
    alphaBlendEntry = nullptr;
    transparentBltEntry = nullptr;
    pf::Module library = pf::loadLibrary("msimg32.dll");
    if (library) {
        alphaBlendEntry =
            reinterpret_cast<pf::AlphaBlendEntry>(pf::findEntry(library, "AlphaBlend"));
        // Older platforms' single-call transparent copy is not trusted.
        uint32_t platformId = 0;
        if (pf::queryPlatformVersion(platformId) && platformId >= 2)
            transparentBltEntry =
                reinterpret_cast<pf::TransparentBltEntry>(pf::findEntry(library, "TransparentBlt"));
    }
    return library;
}

void unbindBlendEntries(pf::Module imageLibrary) {
    if (imageLibrary)
        pf::freeLibrary(imageLibrary);
}

// ---- Bitmap ----

namespace {

// A memory device context holding `image` for the length of one drawing call.
class SelectedImage {
public:
    SelectedImage(pf::DeviceContext compatibleWith, pf::DrawObject image)
        : dc_(pf::createMemoryDC(compatibleWith)) {
        if (dc_)
            previous_ = pf::selectObject(dc_, image);
    }
    ~SelectedImage() {
        if (!dc_)
            return;
        if (previous_)
            pf::selectObject(dc_, previous_);
        pf::deleteMemoryDC(dc_);
    }
    SelectedImage(const SelectedImage&) = delete;
    SelectedImage& operator=(const SelectedImage&) = delete;

    pf::DeviceContext dc() const { return dc_; }
    // The image could not be selected (for example while another context holds it).
    bool usable() const { return dc_ && previous_; }

private:
    pf::DeviceContext dc_;
    pf::DrawObject previous_ = nullptr;
};

} // namespace

Bitmap::Bitmap(int resourceId_)
    : resourceId(resourceId_), referenceCount(1), width(0), height(0), keyColor(defaultKeyColor),
      image(nullptr), mask(nullptr) {
    image =
        pf::loadBitmapResource(static_cast<pf::Module>(moduleInstance), int(uint16_t(resourceId_)));
    readSize();
}

Bitmap::Bitmap(int width_, int height_)
    : resourceId(0), referenceCount(1), width(0), height(0), keyColor(defaultKeyColor),
      image(nullptr), mask(nullptr) {
    pf::DeviceContext screen = pf::acquireWindowDC(nullptr);
    image = pf::createCompatibleBitmap(screen, width_, height_);
    pf::releaseWindowDC(nullptr, screen);
    readSize();
}

Bitmap::~Bitmap() {
    if (image)
        pf::deleteObject(image);
    if (mask)
        pf::deleteObject(mask);
}

void Bitmap::readSize() {
    pf::BitmapDescription description{};
    if (image && pf::describeBitmap(image, description)) {
        width = description.width;
        height = description.height;
    }
}

void Bitmap::addReference() {
    ++referenceCount;
}

void Bitmap::release() {
    if (referenceCount <= 0)
        return;
    if (--referenceCount == 0)
        delete this;
}

void Bitmap::drawOpaque(GraphicsContext& ctx, const GuiRect& dest, const GuiPoint& sourceOrigin) {
    if (!image)
        return;
    SelectedImage source(ctx.deviceContext, image);
    if (!source.usable())
        return;
    pf::copyPixels(ctx.deviceContext, dest.left + ctx.drawOffset.h, dest.top + ctx.drawOffset.v,
                   dest.width(), dest.height(), source.dc(), sourceOrigin.h, sourceOrigin.v,
                   pf::rasterSourceCopy);
}

void Bitmap::drawTransparent(GraphicsContext& ctx, const GuiRect& dest,
                             const GuiPoint& sourceOrigin) {
    if (!image)
        return;
    pf::DeviceContext target = ctx.deviceContext;
    SelectedImage source(target, image);
    if (!source.usable())
        return;
    int x = dest.left + ctx.drawOffset.h;
    int y = dest.top + ctx.drawOffset.v;
    int w = dest.width();
    int h = dest.height();
    int sx = sourceOrigin.h;
    int sy = sourceOrigin.v;

    if (mask) {
        // 1. The prepared mask: compose in a scratch copy of the target, then copy it back.
        SelectedImage maskSource(target, mask);
        pf::DrawObject scratchImage = pf::createCompatibleBitmap(target, w, h);
        if (scratchImage) {
            SelectedImage scratch(target, scratchImage);
            if (maskSource.usable() && scratch.usable()) {
                pf::copyPixels(scratch.dc(), 0, 0, w, h, target, x, y, pf::rasterSourceCopy);
                pf::copyPixels(scratch.dc(), 0, 0, w, h, source.dc(), sx, sy,
                               pf::rasterSourceInvert);
                pf::copyPixels(scratch.dc(), 0, 0, w, h, maskSource.dc(), sx, sy,
                               pf::rasterSourceAnd);
                pf::copyPixels(scratch.dc(), 0, 0, w, h, source.dc(), sx, sy,
                               pf::rasterSourceInvert);
                pf::copyPixels(target, x, y, w, h, scratch.dc(), 0, 0, pf::rasterSourceCopy);
            }
        }
        // The scratch context has let go of the bitmap here only after `scratch` ends.
        if (scratchImage)
            pf::deleteObject(scratchImage);
        return;
    }

    if (transparentBltEntry) {
        // 2. The platform's single-call transparent copy.
        transparentBltEntry(target, x, y, w, h, source.dc(), sx, sy, w, h,
                            keyColor.platformValue());
        return;
    }

    // 3. A one-bit mask of the copied area built on the fly.
    pf::DrawObject maskImage = pf::createMonoBitmap(w, h);
    if (!maskImage)
        return;
    {
        SelectedImage onTheFly(target, maskImage);
        if (onTheFly.usable()) {
            pf::ColorValue targetBackground = pf::setBackgroundColor(target, 0xFFFFFF);
            pf::ColorValue targetText = pf::setTextColor(target, 0x000000);
            pf::ColorValue sourceBackground =
                pf::setBackgroundColor(source.dc(), keyColor.platformValue());
            pf::copyPixels(onTheFly.dc(), 0, 0, w, h, source.dc(), sx, sy, pf::rasterSourceCopy);
            pf::setBackgroundColor(source.dc(), sourceBackground);
            pf::copyPixels(target, x, y, w, h, source.dc(), sx, sy, pf::rasterSourceInvert);
            pf::copyPixels(target, x, y, w, h, onTheFly.dc(), 0, 0, pf::rasterSourceAnd);
            pf::copyPixels(target, x, y, w, h, source.dc(), sx, sy, pf::rasterSourceInvert);
            pf::setBackgroundColor(target, targetBackground);
            pf::setTextColor(target, targetText);
        }
    }
    pf::deleteObject(maskImage);
}

void Bitmap::drawBlended(GraphicsContext& ctx, const GuiRect& dest, const GuiPoint& sourceOrigin,
                         uint8_t opacity) {
    if (!image)
        return;
    SelectedImage source(ctx.deviceContext, image);
    if (!source.usable())
        return;
    int x = dest.left + ctx.drawOffset.h;
    int y = dest.top + ctx.drawOffset.v;
    if (alphaBlendEntry) {
        pf::BlendDescription blend{0, 0, opacity, 0};
        alphaBlendEntry(ctx.deviceContext, x, y, dest.width(), dest.height(), source.dc(),
                        sourceOrigin.h, sourceOrigin.v, dest.width(), dest.height(), blend);
    } else if (opacity >= 128) {
        // Without the image library the nearer of "not drawn" and "opaque" is drawn.
        pf::copyPixels(ctx.deviceContext, x, y, dest.width(), dest.height(), source.dc(),
                       sourceOrigin.h, sourceOrigin.v, pf::rasterSourceCopy);
    }
}

void Bitmap::buildMask(GraphicsContext& ctx, const GuiPoint& where) {
    if (mask) {
        pf::deleteObject(mask);
        mask = nullptr;
    }
    pf::DrawObject bits = pf::createMonoBitmap(width, height);
    if (!bits)
        return;
    {
        SelectedImage holder(ctx.deviceContext, bits);
        if (holder.usable()) {
            pf::ColorValue background =
                pf::setBackgroundColor(ctx.deviceContext, keyColor.platformValue());
            pf::copyPixels(holder.dc(), 0, 0, width, height, ctx.deviceContext, where.h, where.v,
                           pf::rasterSourceCopy);
            pf::setBackgroundColor(ctx.deviceContext, background);
        }
    }
    mask = bits;
}

// ---- OffscreenBuffer ----

void OffscreenBuffer::setSize(int width, int height) {
    bufferWidth = width;
    bufferHeight = height;
    clipArea = {std::min(width, 0), std::min(height, 0), std::max(width, 0), std::max(height, 0)};
}

OffscreenBuffer::OffscreenBuffer(Frame* frame_, int width, int height, GuiColor fill)
    : GraphicsContext(frame_, nullptr, nullptr), bufferWidth(0), bufferHeight(0), ownsImage(true),
      image(nullptr), previousImage(nullptr) {
    setSize(width, height);
    pf::Window frameWindow = frame_ ? frame_->window : nullptr;
    pf::DeviceContext windowDC = pf::acquireWindowDC(frameWindow);
    deviceContext = pf::createMemoryDC(windowDC);
    image = pf::createCompatibleBitmap(windowDC, width, height);
    if (deviceContext && image)
        previousImage = pf::selectObject(deviceContext, image);
    pf::releaseWindowDC(frameWindow, windowDC);
    if (deviceContext) {
        savedBrush = pf::currentObject(deviceContext, pf::objectBrush);
        savedPen = pf::currentObject(deviceContext, pf::objectPen);
        savedFont = pf::currentObject(deviceContext, pf::objectFont);
        pf::setBackgroundMode(deviceContext, pf::backgroundTransparent);
    }
    setBrushColor(fill);
    setLineColor(fill);
    GuiRect all{0, 0, width, height};
    paintRect(all);
    outlineRect(all);
}

OffscreenBuffer::OffscreenBuffer(GraphicsContext& compatibleWith, Bitmap* bitmap,
                                 bool drawIntoBitmap)
    : GraphicsContext(compatibleWith.frame, nullptr, nullptr), bufferWidth(0), bufferHeight(0),
      ownsImage(false), image(nullptr), previousImage(nullptr) {
    int width = bitmap ? bitmap->width : 20;
    int height = bitmap ? bitmap->height : 20;
    setSize(width, height);
    deviceContext = pf::createMemoryDC(compatibleWith.deviceContext);
    if (deviceContext) {
        savedBrush = pf::currentObject(deviceContext, pf::objectBrush);
        savedPen = pf::currentObject(deviceContext, pf::objectPen);
        savedFont = pf::currentObject(deviceContext, pf::objectFont);
        pf::setBackgroundMode(deviceContext, pf::backgroundTransparent);
    }
    if (drawIntoBitmap && bitmap) {
        image = bitmap->image;
        if (deviceContext && image)
            previousImage = pf::selectObject(deviceContext, image);
        return;
    }
    ownsImage = true;
    image = pf::createCompatibleBitmap(compatibleWith.deviceContext, width, height);
    if (deviceContext && image)
        previousImage = pf::selectObject(deviceContext, image);
    if (bitmap) {
        bitmap->drawOpaque(*this, {0, 0, width, height}, {0, 0});
    } else {
        setBrushColor(colorBlack);
        paintRect({0, 0, width, height});
    }
}

OffscreenBuffer::~OffscreenBuffer() {
    // Give the memory context its own objects back before it goes, so that the pen, brush and
    // font created for the buffer and its bitmap are free to be deleted.
    if (deviceContext) {
        if (savedBrush)
            pf::selectObject(deviceContext, savedBrush);
        if (savedPen)
            pf::selectObject(deviceContext, savedPen);
        if (savedFont)
            pf::selectObject(deviceContext, savedFont);
        if (previousImage)
            pf::selectObject(deviceContext, previousImage);
        pf::deleteMemoryDC(deviceContext);
        deviceContext = nullptr;
    }
    savedBrush = savedPen = savedFont = nullptr;
    if (ownsImage && image)
        pf::deleteObject(image);
}

} // namespace kestrune
