#include "controls/LevelMeter.h"

#include "controls/ControlMath.h"
#include "graphics/Bitmap.h"
#include "graphics/GraphicsContext.h"

#include <algorithm>

namespace kestrune {

namespace {

GuiRect ordered(const GuiRect& r) {
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
            std::max(r.top, r.bottom)};
}

} // namespace

LevelMeter::LevelMeter(const GuiRect& bounds_, Bitmap* litBitmap_, Bitmap* unlitBitmap_,
                       int segmentCount_, int style_)
    : Control(bounds_, nullptr, 0, nullptr), litBitmap(litBitmap_), unlitBitmap(unlitBitmap_),
      segmentCount(segmentCount_), style(style_), decayStep(0.1f), litArea(ordered(bounds_)),
      unlitArea(ordered(bounds_)) {
    if (litBitmap)
        litBitmap->addReference();
    if (unlitBitmap)
        unlitBitmap->addReference();
}

LevelMeter::~LevelMeter() {
    if (litBitmap)
        litBitmap->release();
    if (unlitBitmap)
        unlitBitmap->release();
}

void LevelMeter::markForRepaint(bool flag) {
    repaintPending = flag;
}

void LevelMeter::setDecayStep(float step) {
    decayStep = step;
}

void LevelMeter::paint(GraphicsContext* context) {
    if (!litBitmap)
        return;
    clampValue();
    const float current = value; // read once: the audio thread may write it meanwhile
    float level = shownValue - decayStep;
    if (level < current)
        level = current;
    // A level that does not compare (a NaN value or shown level) starts again from the value.
    if (!(level == level))
        level = current == current ? current : 0.0f;
    shownValue = level;

    // Without segments there is nothing to divide the bar into; it shows dark.
    int32_t segments = segmentCount > 0 ? segmentCount : 1;
    if (style & meterHorizontal) {
        int32_t lit = segmentCount > 0 ? truncateToInt(level * float(segments) + 0.5f) : 0;
        int32_t pos = truncateToInt(float(lit) / float(segments) * float(litBitmap->width));
        litArea.right = bounds.left + pos;
        unlitArea.left = bounds.left + pos;
        if (!context)
            return;
        if (unlitBitmap)
            drawBitmap(*context, unlitBitmap, unlitArea, GuiPoint{pos, 0});
        drawBitmap(*context, litBitmap, litArea, GuiPoint{0, 0});
    } else {
        int32_t lit = segmentCount > 0
                          ? truncateToInt((readMaximum() - level) * float(segments) + 0.5f)
                          : segments;
        int32_t pos = truncateToInt(float(lit) / float(segments) * float(litBitmap->height));
        unlitArea.bottom = bounds.top + pos;
        litArea.top = bounds.top + pos;
        if (!context)
            return;
        if (unlitBitmap)
            drawBitmap(*context, unlitBitmap, unlitArea, GuiPoint{0, 0});
        drawBitmap(*context, litBitmap, litArea, GuiPoint{0, pos});
    }
}

} // namespace kestrune
