// A bar showing the control's value: the part of a lit bitmap up to the level and the part of a
// dark bitmap beyond it, the level rounded to a number of segments. The shown level (kept in
// shownValue) rises at once and falls by a fixed step per paint, so a falling signal leaves a
// short trail, and the meter keeps asking for repaints until the level has reached the value.
#pragma once

#include "controls/Control.h"
#include "graphics/GuiTypes.h"

#include <cstdint>

namespace kestrune {

// The bar grows from left to right; without it from the bottom up.
inline constexpr int32_t meterHorizontal = 1;

class LevelMeter : public Control {
public:
    // `segmentCount` must be positive; without a lit bitmap the meter draws nothing.
    LevelMeter(const GuiRect& bounds, Bitmap* litBitmap, Bitmap* unlitBitmap, int segmentCount,
               int style);
    ~LevelMeter() override;

    void paint(GraphicsContext* context) override;
    // Sets the mark only: shownValue is the level shown and stays.
    void markForRepaint(bool flag) override;

    // ---- operation added by LevelMeter ----
    virtual void setDecayStep(float step);

    Bitmap* litBitmap;
    Bitmap* unlitBitmap;
    int32_t segmentCount;
    int32_t style;
    float decayStep;
    GuiRect litArea;
    GuiRect unlitArea;
};

} // namespace kestrune
