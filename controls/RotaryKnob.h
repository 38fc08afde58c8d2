// Knobs the user turns with the mouse. The value maps to an angle on a 270-degree sweep, from
// down-left (minimum) clockwise over the top to down-right (maximum). A knob follows the mouse
// either circularly (the value follows the pointer's angle around the centre) or linearly (the
// value follows the pointer's movement right and up), as the host's knob mode and the Alt key
// choose. RotaryKnob draws its background and a handle; FilmstripKnob draws one picture of a
// vertical strip chosen by the value.
#pragma once

#include "controls/Control.h"
#include "graphics/GuiTypes.h"

#include <cstdint>

namespace kestrune {

class RotaryKnob : public Control {
public:
    RotaryKnob(const GuiRect& bounds, ValueListener* listener, int tag, Bitmap* background,
               Bitmap* handleBitmap, const GuiPoint& imageOffset);
    ~RotaryKnob() override;

    void paint(GraphicsContext* context) override;
    void mouseDown(GraphicsContext* context, GuiPoint& where) override;
    int32_t handleKeyPress(VstKeyCode& keyCode) override;
    bool handleWheel(GraphicsContext* context, GuiPoint& where, float distance) override;

    // ---- operations added by RotaryKnob, in their order ----
    virtual void paintHandle(GraphicsContext* context);
    virtual void setSweepStart(float angle);
    virtual float readSweepStart();
    virtual void setSweepSpan(float angle);
    virtual float readSweepSpan();
    // The handle point for `value`, relative to the top-left corner of `bounds`.
    virtual void handlePointForValue(GuiPoint& out);
    // The value whose handle points towards p (relative to the top-left corner of `bounds`); a
    // point in the gap below the knob gives the value of the nearer end.
    virtual float valueAtPoint(const GuiPoint& p);
    virtual void setHandleInset(int inset);
    virtual void setHandleShadowColor(GuiColor c);
    virtual void setHandleLineColor(GuiColor c);
    virtual void replaceHandleBitmap(Bitmap* bitmap);
    virtual void setFineFactor(float f);
    virtual float readFineFactor();

    GuiPoint imageOffset;
    GuiColor handleLineColor;
    GuiColor handleShadowColor;
    Bitmap* handleBitmap;
    int32_t handleInset;
    float sweepStart;
    float sweepSpan;
    float deadHalfAngle;
    float slope;
    float intercept;
    float radius;
    float fineFactor;

private:
    void recomputeSweep();
};

class FilmstripKnob : public RotaryKnob {
public:
    // `frameHeight` must be positive; a strip with fewer than one picture shows its top.
    FilmstripKnob(const GuiRect& bounds, ValueListener* listener, int tag, int frameCount,
                  int frameHeight, Bitmap* background, const GuiPoint& imageOffset);
    ~FilmstripKnob() override;

    void paint(GraphicsContext* context) override;

    // The top of the picture shown for `value` in the strip.
    int32_t pictureOffset() const;

    int32_t frameCount;
    int32_t frameHeight;
};

} // namespace kestrune
