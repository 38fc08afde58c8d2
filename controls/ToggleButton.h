// A two-state button: each left click flips its value between 0 and 1, and it shows one of two
// pictures stacked in its background bitmap (upper half off, lower half on). The click is not
// tracked and brackets no edit.
#pragma once

#include "controls/Control.h"

namespace kestrune {

class ToggleButton : public Control {
public:
    ToggleButton(const GuiRect& bounds, ValueListener* listener, int tag, Bitmap* background);
    ~ToggleButton() override;

    void paint(GraphicsContext* context) override;
    void mouseDown(GraphicsContext* context, GuiPoint& where) override;
};

} // namespace kestrune
