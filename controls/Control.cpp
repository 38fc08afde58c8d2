#include "controls/Control.h"

#include "graphics/Bitmap.h"
#include "graphics/Frame.h"
#include "graphics/GraphicsContext.h"
#include "platform/Platform.h"
#include "shell/VstInterface.h"

#include <algorithm>
#include <cstring>

namespace kestrune {

namespace {

// The arrow keys of the host's key codes.
constexpr uint8_t virtualLeft = 11;
constexpr uint8_t virtualUp = 12;
constexpr uint8_t virtualRight = 13;
constexpr uint8_t virtualDown = 14;
constexpr uint8_t modifierShift = 1;

constexpr float fineStepFactor = 0.1f;

bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

Control::Control(const GuiRect& bounds_, ValueListener* listener_, int tag_, Bitmap* background_)
    : View(bounds_), listener(listener_), tag(tag_), shownValue(1.0f), resetValue(0.5f),
      value(0.0f), minimum(0.0f), maximum(1.0f), wheelStep(0.1f), lastClickTime(-1),
      doubleClickTime(0), background(background_), backgroundOffset{0, 0} {
    uint32_t platformTime = platform::doubleClickTime();
    doubleClickTime = int32_t(std::min<uint32_t>(platformTime, 0x7FFFFFFF));
    if (doubleClickTime < minimumDoubleClickTime)
        doubleClickTime = minimumDoubleClickTime;
    if (background)
        background->addReference();
    seeThrough = false;
    mouseActive = true;
}

Control::~Control() {
    if (background)
        background->release();
}

// ---- the repaint rule ----

// A value that does not compare with the shown one (a NaN) counts as different.
bool Control::needsRepaint() {
    return !(value == shownValue) || repaintPending;
}

void Control::markForRepaint(bool flag) {
    repaintPending = flag;
    if (flag)
        shownValue = sameBits(value, -1.0f) ? 0.0f : -1.0f;
    else
        shownValue = value;
}

// ---- accessors ----

void Control::serviceIdle() {
    if (frame)
        frame->serviceIdle();
}

void Control::putValue(float v) {
    value = v;
}

float Control::readValue() {
    return value;
}

void Control::putMinimum(float v) {
    minimum = v;
}

float Control::readMinimum() {
    return minimum;
}

void Control::putMaximum(float v) {
    maximum = v;
}

float Control::readMaximum() {
    return maximum;
}

void Control::putShownValue(float v) {
    shownValue = v;
}

float Control::readShownValue() {
    return shownValue;
}

void Control::putResetValue(float v) {
    resetValue = v;
}

float Control::readResetValue() {
    return resetValue;
}

void Control::putTag(int t) {
    tag = t;
}

// The old bitmap goes before the new one is taken: a caller that passes the current background
// must hold a reference of its own across the call.
void Control::replaceBackground(Bitmap* bitmap) {
    if (background)
        background->release();
    background = bitmap;
    if (background)
        background->addReference();
}

Bitmap* Control::readBackground() {
    return background;
}

void Control::putBackgroundOffset(const GuiPoint& p) {
    backgroundOffset = p;
}

void Control::alignBackgroundOffset() {
    backgroundOffset = {bounds.left, bounds.top};
}

void Control::putWheelStep(float v) {
    wheelStep = v;
}

float Control::readWheelStep() {
    return wheelStep;
}

// A NaN compares with neither bound and is left alone.
void Control::clampValue() {
    if (value > maximum)
        value = maximum;
    else if (value < minimum)
        value = minimum;
}

bool Control::isSecondClick() {
    if (!frame)
        return false; // outside a frame there is no clock to pair clicks with
    int64_t now = int64_t(int32_t(frame->tickCount()));
    if (lastClickTime > 0 && int64_t(lastClickTime) + doubleClickTime > now) {
        lastClickTime = 0; // the next click starts a new pair
        return true;
    }
    lastClickTime = int32_t(now);
    return false;
}

// ---- shared behaviour of the controls ----

void Control::reportChange(GraphicsContext* context) {
    if (needsRepaint() && listener)
        listener->controlChanged(context, this);
}

bool Control::resetOnControlClick(GraphicsContext* context, int buttons) {
    if (buttons != (mouseLeft | keyControl))
        return false;
    value = readResetValue();
    reportChange(context);
    return true;
}

bool Control::stepByWheel(GraphicsContext* context, float distance) {
    if (!mouseActive)
        return false;
    int buttons = context ? context->queryMouseButtons() : 0;
    float step = distance * wheelStep;
    if (buttons & keyShift)
        step *= fineStepFactor;
    value += step;
    clampValue();
    reportChange(context);
    return true;
}

int32_t Control::stepByKey(VstKeyCode& keyCode) {
    float direction = 0.0f;
    switch (keyCode.virt) {
    case virtualLeft:
    case virtualDown:
        direction = -1.0f;
        break;
    case virtualUp:
    case virtualRight:
        direction = 1.0f;
        break;
    default:
        return -1;
    }
    float step = direction * wheelStep;
    if (keyCode.modifier & modifierShift)
        step *= fineStepFactor;
    value += step;
    clampValue();
    reportChange(nullptr);
    return 1;
}

void Control::drawBitmap(GraphicsContext& context, Bitmap* bitmap, const GuiRect& dest,
                         const GuiPoint& source) {
    if (!bitmap)
        return;
    if (seeThrough)
        bitmap->drawTransparent(context, dest, source);
    else
        bitmap->drawOpaque(context, dest, source);
}

} // namespace kestrune
