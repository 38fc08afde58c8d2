// The base of every control: a view that carries a value between a minimum and a maximum, a tag
// that names it to its listener, a listener told of every change the user makes, and a
// background bitmap. It holds what all controls share: the repaint rule that compares the value
// with the value last painted, the way a change is reported, the double-click test, and the
// helpers for the control-click reset, the host's edit bracket around a drag, and the stepping by
// mouse wheel and arrow keys that the knob and the fader use.
#pragma once

#include "controls/View.h"
#include "graphics/GuiTypes.h"
#include "shell/Relaxed.h"

#include <cstdint>

struct VstKeyCode;

namespace kestrune {

class Bitmap;
class Control;
class GraphicsContext;

// Hears of every change the user makes to a control. `context` is the context of the mouse
// event, or null when the change came from a key.
class ValueListener {
public:
    virtual void controlChanged(GraphicsContext* context, Control* control) = 0;

protected:
    ~ValueListener() = default;
};

// The shortest double-click interval a control accepts, in milliseconds.
inline constexpr int32_t minimumDoubleClickTime = 250;

class Control : public View {
public:
    Control(const GuiRect& bounds, ValueListener* listener, int tag, Bitmap* background);
    ~Control() override;

    // ---- View operations ----
    void paint(GraphicsContext* context) override = 0;
    bool needsRepaint() override;
    void markForRepaint(bool flag) override;

    // ---- operations added by Control, in their order ----
    virtual void serviceIdle();
    virtual void putValue(float v);
    virtual float readValue();
    virtual void putMinimum(float v);
    virtual float readMinimum();
    virtual void putMaximum(float v);
    virtual float readMaximum();
    virtual void putShownValue(float v);
    virtual float readShownValue();
    virtual void putResetValue(float v);
    virtual float readResetValue();
    virtual void putTag(int t);
    virtual void replaceBackground(Bitmap* bitmap);
    virtual Bitmap* readBackground();
    virtual void putBackgroundOffset(const GuiPoint& p);
    virtual void alignBackgroundOffset();
    virtual void putWheelStep(float v);
    virtual float readWheelStep();
    virtual void clampValue();

    int readTag() const { return tag; }
    // True for the second click of a pair within the double-click time; the control must be in
    // a frame.
    bool isSecondClick();

    ValueListener* listener;
    int32_t tag;
    float shownValue;
    float resetValue;
    // Written from any thread (the audio thread reports the meter), read when painting.
    Relaxed<float> value;
    float minimum;
    float maximum;
    float wheelStep;
    int32_t lastClickTime;
    int32_t doubleClickTime;
    Bitmap* background;
    GuiPoint backgroundOffset;

protected:
    // Tells the listener of a change the user made, unless the value is the one last shown and
    // the control is not marked.
    void reportChange(GraphicsContext* context);
    // The control-click reset that the knob and the fader begin their mouse-down with: true when
    // the press was exactly left button and control, the value then reset and reported.
    bool resetOnControlClick(GraphicsContext* context, int buttons);
    // The wheel and arrow-key stepping the knob and the fader share.
    bool stepByWheel(GraphicsContext* context, float distance);
    int32_t stepByKey(VstKeyCode& keyCode);
    // Draws `bitmap` into `dest` from `source`, with the key colour left out when the control is
    // see-through.
    void drawBitmap(GraphicsContext& context, Bitmap* bitmap, const GuiRect& dest,
                    const GuiPoint& source);
};

} // namespace kestrune
