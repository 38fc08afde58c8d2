#include "controls/ToggleButton.h"

#include "graphics/Bitmap.h"
#include "graphics/GraphicsContext.h"

namespace kestrune {

ToggleButton::ToggleButton(const GuiRect& bounds_, ValueListener* listener_, int tag_,
                           Bitmap* background_)
    : Control(bounds_, listener_, tag_, background_) {}

ToggleButton::~ToggleButton() = default;

// Any value other than 0 (a NaN too) shows the lower, "on" picture.
void ToggleButton::paint(GraphicsContext* context) {
    if (context && background) {
        GuiPoint source{0, value != 0.0f ? background->height / 2 : 0};
        drawBitmap(*context, background, bounds, source);
    }
    markForRepaint(false);
}

void ToggleButton::mouseDown(GraphicsContext* context, GuiPoint&) {
    if (!mouseActive || !context)
        return;
    // Modifier keys are allowed: a control-click toggles too.
    if (!(context->queryMouseButtons() & mouseLeft))
        return;
    // 1.0 becomes 0.0; 0.0, and anything that truncates to 0, becomes 1.0.
    bool on = value >= 1.0f || value <= -1.0f;
    value = on ? 0.0f : 1.0f;
    serviceIdle();
    if (listener)
        listener->controlChanged(context, this);
}

} // namespace kestrune
