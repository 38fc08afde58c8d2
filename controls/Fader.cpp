#include "controls/Fader.h"

#include "controls/ControlMath.h"
#include "graphics/Bitmap.h"
#include "graphics/Frame.h"
#include "graphics/GraphicsContext.h"

namespace kestrune {

// ---- construction ----

Fader::Fader(const GuiRect& bounds_, ValueListener* listener_, int tag_, int startPos, int endPos,
             Bitmap* handleBitmap_, Bitmap* background_, const GuiPoint& imageOffset_, int style_)
    : Control(bounds_, listener_, tag_, background_), imageOffset(imageOffset_), handleOrigin{0, 0},
      handleBitmap(nullptr), offscreen(nullptr), handleWidth(1), handleHeight(1), travel(0),
      style(style_), lowLimit(0), highLimit(0), travelStart(0), controlWidth(0), controlHeight(0),
      fineFactor(10.0f), handleSeeThrough(true), jumpToClick(true) {
    initialise(handleBitmap_);
    travelStart = startPos - (isHorizontal() ? bounds.left : bounds.top);
    travel = endPos - startPos;
    setHandleOrigin(GuiPoint{0, 0});
    fineFactor = 10.0f;
}

Fader::Fader(const GuiRect& bounds_, ValueListener* listener_, int tag_,
             const GuiPoint& handleOrigin_, int trackLength, Bitmap* handleBitmap_,
             Bitmap* background_, const GuiPoint& imageOffset_, int style_)
    : Control(bounds_, listener_, tag_, background_), imageOffset(imageOffset_), handleOrigin{0, 0},
      handleBitmap(nullptr), offscreen(nullptr), handleWidth(1), handleHeight(1), travel(0),
      style(style_), lowLimit(0), highLimit(0), travelStart(0), controlWidth(0), controlHeight(0),
      fineFactor(10.0f), handleSeeThrough(true), jumpToClick(true) {
    initialise(handleBitmap_);
    travelStart = 0;
    travel = trackLength - handleSizeAlong();
    setHandleOrigin(handleOrigin_);
    fineFactor = 10.0f;
}

void Fader::initialise(Bitmap* handle) {
    handleBitmap = handle;
    if (handleBitmap) {
        handleBitmap->addReference();
        handleWidth = handleBitmap->width;
        handleHeight = handleBitmap->height;
    }
    controlWidth = bounds.right - bounds.left;
    controlHeight = bounds.bottom - bounds.top;
}

Fader::~Fader() {
    // A fader destroyed while still attached gives its buffer back here.
    delete offscreen;
    offscreen = nullptr;
    if (handleBitmap)
        handleBitmap->release();
}

HorizontalFader::HorizontalFader(const GuiRect& bounds_, ValueListener* listener_, int tag_,
                                 int startPos, int endPos, Bitmap* handleBitmap_,
                                 Bitmap* background_, const GuiPoint& imageOffset_, int style_)
    : Fader(bounds_, listener_, tag_, startPos, endPos, handleBitmap_, background_, imageOffset_,
            style_ | faderHorizontal) {}

HorizontalFader::HorizontalFader(const GuiRect& bounds_, ValueListener* listener_, int tag_,
                                 const GuiPoint& handleOrigin_, int trackLength,
                                 Bitmap* handleBitmap_, Bitmap* background_,
                                 const GuiPoint& imageOffset_, int style_)
    : Fader(bounds_, listener_, tag_, handleOrigin_, trackLength, handleBitmap_, background_,
            imageOffset_, style_ | faderHorizontal) {}

VerticalFader::VerticalFader(const GuiRect& bounds_, ValueListener* listener_, int tag_,
                             int startPos, int endPos, Bitmap* handleBitmap_, Bitmap* background_,
                             const GuiPoint& imageOffset_, int style_)
    : Fader(bounds_, listener_, tag_, startPos, endPos, handleBitmap_, background_, imageOffset_,
            style_ | faderVertical) {}

VerticalFader::VerticalFader(const GuiRect& bounds_, ValueListener* listener_, int tag_,
                             const GuiPoint& handleOrigin_, int trackLength, Bitmap* handleBitmap_,
                             Bitmap* background_, const GuiPoint& imageOffset_, int style_)
    : Fader(bounds_, listener_, tag_, handleOrigin_, trackLength, handleBitmap_, background_,
            imageOffset_, style_ | faderVertical) {}

// ---- settings ----

void Fader::setHandleSeeThrough(bool flag) {
    handleSeeThrough = flag;
}

void Fader::setJumpToClick(bool flag) {
    jumpToClick = flag;
}

bool Fader::readJumpToClick() {
    return jumpToClick;
}

void Fader::setHandleOrigin(const GuiPoint& p) {
    handleOrigin = p;
    lowLimit = travelStart + (isHorizontal() ? p.h : p.v);
    highLimit = lowLimit + travel + handleSizeAlong();
}

void Fader::replaceHandleBitmap(Bitmap* bitmap) {
    if (handleBitmap)
        handleBitmap->release();
    handleBitmap = bitmap;
    if (handleBitmap) {
        handleBitmap->addReference();
        handleWidth = handleBitmap->width;
        handleHeight = handleBitmap->height;
    }
}

Bitmap* Fader::readHandleBitmap() {
    return handleBitmap;
}

void Fader::setFineFactor(float f) {
    fineFactor = f;
}

float Fader::readFineFactor() {
    return fineFactor;
}

// ---- attachment: the off-screen buffer lives while the fader is in a frame ----

bool Fader::detachedFrom(View*) {
    delete offscreen;
    offscreen = nullptr;
    return true;
}

bool Fader::attachedTo(View*) {
    delete offscreen;
    offscreen = new OffscreenBuffer(frame, controlWidth, controlHeight, colorBlack);
    return true;
}

// ---- drawing ----

// A value outside 0..1 (or a NaN) from putValue draws the handle at the nearer end instead of
// pushing it off the track, where the limits would leave nothing of it.
float Fader::drawnFraction() const {
    float shown = value;
    if (!(shown >= 0.0f))
        shown = 0.0f;
    else if (shown > 1.0f)
        shown = 1.0f;
    return (style & (originLeft | originTop)) ? shown : 1.0f - shown;
}

GuiRect Fader::handleRect() const {
    int32_t pos = truncateToInt(float(travel) * drawnFraction());
    GuiRect r;
    if (isHorizontal()) {
        r.top = handleOrigin.v;
        r.bottom = r.top + handleHeight;
        r.left = pos + handleOrigin.h;
        if (r.left < lowLimit)
            r.left = lowLimit;
        r.right = r.left + handleWidth;
        if (r.right > highLimit)
            r.right = highLimit;
    } else {
        r.left = handleOrigin.h;
        r.right = r.left + handleWidth;
        r.top = pos + handleOrigin.v;
        if (r.top < lowLimit)
            r.top = lowLimit;
        r.bottom = r.top + handleHeight;
        if (r.bottom > highLimit)
            r.bottom = highLimit;
    }
    return r;
}

void Fader::paint(GraphicsContext* context) {
    // Only an attached fader has its buffer; a detached one draws nothing.
    if (context && offscreen) {
        GuiRect local{0, 0, controlWidth, controlHeight};
        drawBitmap(*offscreen, background, local, imageOffset);
        if (handleBitmap) {
            GuiRect handle = handleRect();
            if (handleSeeThrough)
                handleBitmap->drawTransparent(*offscreen, handle, GuiPoint{0, 0});
            else
                handleBitmap->drawOpaque(*offscreen, handle, GuiPoint{0, 0});
        }
        offscreen->copyAreaTo(*context, bounds, GuiPoint{0, 0});
    }
    markForRepaint(false);
}

// ---- mouse, wheel and keys ----

void Fader::mouseDown(GraphicsContext* context, GuiPoint& where) {
    if (!mouseActive || !context)
        return;
    int buttons = context->queryMouseButtons();
    if (resetOnControlClick(context, buttons))
        return;
    if (!(buttons & mouseLeft) || !frame)
        return;

    bool horizontal = isHorizontal();
    int32_t anchor = horizontal ? bounds.left + handleOrigin.h : bounds.top + handleOrigin.v;
    if (!jumpToClick) {
        // Only a press on the handle starts a drag, and the handle keeps its grip point.
        int32_t pos = truncateToInt(float(travel) * drawnFraction());
        GuiRect handle;
        handle.left = bounds.left + handleOrigin.h + (horizontal ? pos : 0);
        handle.top = bounds.top + handleOrigin.v + (horizontal ? 0 : pos);
        handle.right = handle.left + handleWidth;
        handle.bottom = handle.top + handleHeight;
        bool inside = handle.left <= where.h && where.h <= handle.right && handle.top <= where.v &&
                      where.v <= handle.bottom;
        if (!inside)
            return;
        anchor += horizontal ? where.h - handle.left : where.v - handle.top;
    } else {
        anchor += handleSizeAlong() / 2 - 1; // the pointer holds the handle's centre
    }

    // A fader without travel would divide by zero; it then moves by whole ranges per pixel.
    float divisor = travel > 0 ? float(travel) : 1.0f;
    float startValue = value;
    int lastButtons = buttons;
    frame->beginParamEdit(tag);
    frame->moveFocusTo(this);
    while ((buttons = context->queryMouseButtons()) & mouseLeft) {
        if (buttons != lastButtons && (buttons & keyShift)) {
            startValue = value;
            lastButtons = buttons;
        } else if (!(buttons & keyShift)) {
            startValue = value;
        }
        int32_t d = (horizontal ? where.h : where.v) - anchor;
        value = float(d) / divisor;
        if (style & (originRight | originBottom))
            value = 1.0f - value;
        if (buttons & keyShift)
            value = startValue + (value - startValue) / fineFactor;
        clampValue();
        reportChange(context);
        context->queryMousePosition(where);
        serviceIdle();
    }
    frame->endParamEdit(tag);
}

int32_t Fader::handleKeyPress(VstKeyCode& keyCode) {
    return stepByKey(keyCode);
}

bool Fader::handleWheel(GraphicsContext* context, GuiPoint&, float distance) {
    return stepByWheel(context, distance);
}

} // namespace kestrune
