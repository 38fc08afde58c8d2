#include "controls/RotaryKnob.h"

#include "controls/ControlMath.h"
#include "graphics/Bitmap.h"
#include "graphics/Frame.h"
#include "graphics/GraphicsContext.h"

#include <cmath>

namespace kestrune {

namespace {

constexpr float twoPi = 6.2831855f;
constexpr float defaultSweepStart = 3.9269907f; // 5 pi / 4: down and to the left
constexpr float defaultSweepSpan = -4.712389f;  // -3 pi / 2: clockwise to down and to the right
constexpr float linearPixelsPerRange = 200.0f;
constexpr int linearKnobMode = 2;

int32_t insetForHandle(const Bitmap* handle) {
    return truncateToInt(float(handle->width) * 0.5f + 2.5f);
}

bool samePoint(const GuiPoint& a, const GuiPoint& b) {
    return a.h == b.h && a.v == b.v;
}

} // namespace

// ---- RotaryKnob ----

RotaryKnob::RotaryKnob(const GuiRect& bounds_, ValueListener* listener_, int tag_,
                       Bitmap* background_, Bitmap* handleBitmap_, const GuiPoint& imageOffset_)
    : Control(bounds_, listener_, tag_, background_), imageOffset(imageOffset_),
      handleLineColor(colorWhite), handleShadowColor(colorGrey), handleBitmap(handleBitmap_),
      handleInset(3), sweepStart(0.0f), sweepSpan(1.0f), deadHalfAngle(0.0f), slope(0.0f),
      intercept(0.0f), radius(0.0f), fineFactor(1.5f) {
    if (handleBitmap) {
        handleBitmap->addReference();
        handleInset = insetForHandle(handleBitmap);
    }
    radius = float(bounds.right - bounds.left) * 0.5f;
    setSweepStart(defaultSweepStart);
    setSweepSpan(defaultSweepSpan);
    fineFactor = 1.5f;
}

RotaryKnob::~RotaryKnob() {
    if (handleBitmap)
        handleBitmap->release();
}

void RotaryKnob::recomputeSweep() {
    slope = (maximum - minimum) / sweepSpan;
    intercept = minimum - slope * sweepStart;
    deadHalfAngle = (twoPi - std::fabs(sweepSpan)) * 0.5f;
}

void RotaryKnob::setSweepStart(float angle) {
    sweepStart = angle;
    recomputeSweep();
    markForRepaint(true);
}

float RotaryKnob::readSweepStart() {
    return sweepStart;
}

void RotaryKnob::setSweepSpan(float angle) {
    sweepSpan = angle;
    recomputeSweep();
    markForRepaint(true);
}

float RotaryKnob::readSweepSpan() {
    return sweepSpan;
}

void RotaryKnob::handlePointForValue(GuiPoint& out) {
    float angle = (value - intercept) / slope;
    float r = radius - float(handleInset);
    out.h = truncateToInt(radius + std::cos(angle) * r + 0.5f);
    out.v = truncateToInt(radius - std::sin(angle) * r + 0.5f);
}

float RotaryKnob::valueAtPoint(const GuiPoint& p) {
    // Angles grow counter-clockwise with the vertical axis pointing up; screen rows grow down.
    float a = std::atan2(radius - float(p.v), float(p.h) - radius);
    if (a < 0.0f)
        a += twoPi;
    a -= sweepStart;
    auto normalise = [](float x) {
        if (x < 0.0f)
            return x + twoPi;
        if (x > twoPi)
            return x - twoPi;
        return x;
    };
    if (sweepSpan < 0.0f) {
        // Measured counter-clockwise from the maximum end.
        float b = normalise(a - sweepSpan);
        if (b > deadHalfAngle - sweepSpan)
            return maximum; // the half of the gap next to the maximum end
        if (b > -sweepSpan)
            return minimum; // the half of the gap next to the minimum end
        return maximum + b * slope;
    }
    float b = normalise(a);
    if (b > sweepSpan + deadHalfAngle)
        return minimum;
    if (b > sweepSpan)
        return maximum;
    return minimum + b * slope;
}

void RotaryKnob::setHandleInset(int inset) {
    handleInset = inset;
}

void RotaryKnob::setHandleShadowColor(GuiColor c) {
    handleShadowColor = c;
    markForRepaint(true);
}

void RotaryKnob::setHandleLineColor(GuiColor c) {
    handleLineColor = c;
    markForRepaint(true);
}

void RotaryKnob::replaceHandleBitmap(Bitmap* bitmap) {
    if (handleBitmap)
        handleBitmap->release();
    handleBitmap = nullptr;
    if (bitmap) {
        handleBitmap = bitmap;
        handleBitmap->addReference();
        handleInset = insetForHandle(handleBitmap);
    }
}

void RotaryKnob::setFineFactor(float f) {
    fineFactor = f;
}

float RotaryKnob::readFineFactor() {
    return fineFactor;
}

// ---- drawing ----

void RotaryKnob::paint(GraphicsContext* context) {
    if (context) {
        drawBitmap(*context, background, bounds, imageOffset);
        paintHandle(context);
    }
    markForRepaint(false);
}

void RotaryKnob::paintHandle(GraphicsContext* context) {
    if (!context)
        return;
    GuiPoint p;
    handlePointForValue(p);
    if (handleBitmap) {
        int32_t w = handleBitmap->width;
        int32_t h = handleBitmap->height;
        GuiRect dest;
        dest.left = bounds.left + p.h - w / 2;
        dest.top = bounds.top + p.v - h / 2;
        dest.right = dest.left + w;
        dest.bottom = dest.top + h;
        handleBitmap->drawTransparent(*context, dest, GuiPoint{0, 0});
        return;
    }
    int32_t w = bounds.right - bounds.left;
    int32_t h = bounds.bottom - bounds.top;
    GuiPoint origin{bounds.left + w / 2 - 1, bounds.top + h / 2};
    GuiPoint tip{bounds.left + p.h - 1, bounds.top + p.v};
    context->setLineColor(handleShadowColor);
    context->setPenPosition(tip);
    context->drawLineTo(origin);
    origin = {origin.h + 1, origin.v - 1};
    tip = {tip.h + 1, tip.v - 1};
    context->setLineColor(handleLineColor);
    context->setPenPosition(tip);
    context->drawLineTo(origin);
}

// ---- mouse, wheel and keys ----

void RotaryKnob::mouseDown(GraphicsContext* context, GuiPoint& where) {
    if (!mouseActive || !context)
        return;
    int buttons = context->queryMouseButtons();
    if (!(buttons & mouseLeft))
        return;
    if (resetOnControlClick(context, buttons))
        return;
    if (!frame)
        return; // a knob follows the mouse only inside a frame

    float range = maximum - minimum;
    float halfRange = range * 0.5f;
    float entryValue = value;
    int lastButtons = buttons;

    // The host's knob mode chooses the way of following; Alt chooses the other one.
    bool linear = (frame->knobMode() == linearKnobMode) != ((buttons & keyAlt) != 0);
    auto divisorFor = [this](int b) {
        return (b & keyShift) ? linearPixelsPerRange * fineFactor : linearPixelsPerRange;
    };
    GuiPoint firstPoint = where;
    float step = 0.0f;
    float lastValue = 0.0f;
    if (linear) {
        step = range / divisorFor(buttons);
    } else {
        GuiPoint local{where.h - bounds.left, where.v - bounds.top};
        lastValue = valueAtPoint(local);
    }

    GuiPoint lastWhere{-1, -1};
    frame->beginParamEdit(tag);
    frame->moveFocusTo(this);
    do {
        buttons = context->queryMouseButtons();
        if (!samePoint(where, lastWhere)) {
            GuiPoint read = where;
            if (linear) {
                int32_t diff = (where.h - firstPoint.h) - (where.v - firstPoint.v);
                if (buttons != lastButtons) {
                    // A change of speed keeps the value where it is.
                    lastButtons = buttons;
                    float newStep = range / divisorFor(buttons);
                    entryValue += (step - newStep) * float(diff);
                    step = newStep;
                }
                value = float(diff) * step + entryValue;
                clampValue();
            } else {
                where = {where.h - bounds.left, where.v - bounds.top};
                float v = valueAtPoint(where);
                value = v;
                if (lastValue - v > halfRange)
                    value = maximum; // crossed the gap from the maximum end
                else if (v - lastValue > halfRange)
                    value = minimum;
                else
                    lastValue = v;
            }
            reportChange(context);
            lastWhere = read;
        }
        context->queryMousePosition(where);
        serviceIdle();
    } while (buttons & mouseLeft);
    frame->endParamEdit(tag);
}

int32_t RotaryKnob::handleKeyPress(VstKeyCode& keyCode) {
    return stepByKey(keyCode);
}

bool RotaryKnob::handleWheel(GraphicsContext* context, GuiPoint&, float distance) {
    return stepByWheel(context, distance);
}

// ---- FilmstripKnob ----

FilmstripKnob::FilmstripKnob(const GuiRect& bounds_, ValueListener* listener_, int tag_,
                             int frameCount_, int frameHeight_, Bitmap* background_,
                             const GuiPoint& imageOffset_)
    : RotaryKnob(bounds_, listener_, tag_, background_, nullptr, imageOffset_),
      frameCount(frameCount_), frameHeight(frameHeight_) {
    handleInset = 0;
}

FilmstripKnob::~FilmstripKnob() = default;

// The top of the picture whose range holds value x span: picture truncate(value x (count - 1))
// for values in 0..1, the last picture for 1. A negative value or NaN shows the first picture;
// a value above 1 shows the last one rather than a place beyond the strip, and a strip without
// a positive picture height shows its top.
int32_t FilmstripKnob::pictureOffset() const {
    if (!(value >= 0.0f) || frameHeight <= 0 || frameCount <= 1)
        return 0;
    int64_t span = int64_t(frameHeight) * (frameCount - 1);
    if (span > INT32_MAX)
        span = INT32_MAX;
    int64_t pos = truncateToInt(value * float(span));
    if (pos >= span)
        return int32_t(span);
    for (int64_t k = 0; k <= span; k += frameHeight)
        if (pos < k)
            return int32_t(k - frameHeight > 0 ? k - frameHeight : 0);
    return int32_t(pos);
}

void FilmstripKnob::paint(GraphicsContext* context) {
    if (context)
        drawBitmap(*context, background, bounds, GuiPoint{0, pictureOffset()});
    markForRepaint(false);
}

} // namespace kestrune
