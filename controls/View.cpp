#include "controls/View.h"

#include "graphics/Frame.h"

namespace kestrune {

const char* const kMsgCheckIfViewContainer = "kMsgCheckIfViewContainer";

View::View(const GuiRect& bounds_)
    : referenceCount(1), bounds(bounds_), mouseArea(bounds_), frame(nullptr), parent(nullptr),
      repaintPending(false), mouseActive(true), seeThrough(false) {}

View::~View() = default;

void View::paint(GraphicsContext*) {
    markForRepaint(false);
}

void View::paintArea(GraphicsContext* context, const GuiRect&) {
    paint(context);
}

// Rectangles that only touch count as overlapping.
bool View::overlapsArea(const GuiRect& area) {
    return area.right >= bounds.left && area.left <= bounds.right && area.bottom >= bounds.top &&
           area.top <= bounds.bottom;
}

void View::mouseDown(GraphicsContext*, GuiPoint&) {}

void View::repaintIfNeeded(GraphicsContext* context) {
    if (needsRepaint()) {
        paint(context);
        markForRepaint(false);
    }
}

int32_t View::onMessage(View*, const char*) {
    return 0;
}

int32_t View::handleKeyPress(VstKeyCode&) {
    return -1;
}

int32_t View::handleKeyRelease(VstKeyCode&) {
    return -1;
}

bool View::handleDrop(void**, int, int, GuiPoint&) {
    return false;
}

bool View::handleWheel(GraphicsContext*, GuiPoint&, float) {
    return false;
}

void View::focusLost(GraphicsContext*) {}

void View::focusGained(GraphicsContext*) {}

bool View::needsRepaint() {
    return repaintPending;
}

void View::markForRepaint(bool flag) {
    repaintPending = flag;
}

void View::enableMouse(bool flag) {
    mouseActive = flag;
}

bool View::acceptsMouse() {
    return mouseActive;
}

void View::setMouseArea(const GuiRect& area) {
    mouseArea = area;
}

GuiRect& View::copyMouseArea(GuiRect& out) {
    out = mouseArea;
    return out;
}

// All four edges count, unlike GuiRect::containsPoint.
bool View::isHitAt(GuiPoint& where, int) {
    return bounds.left <= where.h && where.h <= bounds.right && bounds.top <= where.v &&
           where.v <= bounds.bottom;
}

void View::setSeeThrough(bool flag) {
    seeThrough = flag;
}

bool View::isSeeThrough() {
    return seeThrough;
}

void View::setBounds(const GuiRect& area) {
    bounds = area;
    markForRepaint(true);
}

GuiRect& View::copyBounds(GuiRect& out) {
    out = bounds;
    return out;
}

void View::setParent(View* container) {
    parent = container;
}

void View::assignFrame(Frame* frame_) {
    frame = frame_;
}

GuiEditor* View::frameEditor() {
    return frame ? frame->frameEditor() : nullptr;
}

bool View::detachedFrom(View*) {
    return true;
}

bool View::attachedTo(View*) {
    return true;
}

void View::release() {
    if (referenceCount <= 0)
        return;
    if (--referenceCount == 0)
        delete this;
}

void View::addReference() {
    ++referenceCount;
}

int32_t View::countReferences() {
    return referenceCount;
}

} // namespace kestrune
