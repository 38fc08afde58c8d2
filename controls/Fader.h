// A handle bitmap that moves along a straight track over a background bitmap. The value maps
// linearly to the handle's position; the user drags the handle or clicks anywhere on the track
// to move the handle's centre to the pointer, and holds shift for fine movement. The picture is
// composed in an off-screen buffer of the fader's own size and copied to the window in one step,
// so the window never shows a half-drawn fader. HorizontalFader and VerticalFader only add the
// orientation bit to the style.
#pragma once

#include "controls/Control.h"
#include "graphics/GuiTypes.h"

#include <cstdint>

namespace kestrune {

class OffscreenBuffer;

// Style bits of a fader. A style should hold exactly one origin bit that suits the orientation;
// a style without faderHorizontal is treated as vertical.
enum FaderStyle : int32_t {
    faderHorizontal = 1,
    faderVertical = 2,
    originLeft = 8,
    originRight = 16,
    originTop = 32,
    originBottom = 64,
};

class Fader : public Control {
public:
    // startPos and endPos: the handle's leading edge at the minimum and the maximum, in the
    // parent's coordinates.
    Fader(const GuiRect& bounds, ValueListener* listener, int tag, int startPos, int endPos,
          Bitmap* handleBitmap, Bitmap* background, const GuiPoint& imageOffset, int style);
    // handleOrigin: the handle's top-left corner at the start of the travel, relative to the
    // fader; trackLength: the track's length including the handle.
    Fader(const GuiRect& bounds, ValueListener* listener, int tag, const GuiPoint& handleOrigin,
          int trackLength, Bitmap* handleBitmap, Bitmap* background, const GuiPoint& imageOffset,
          int style);
    ~Fader() override;

    void paint(GraphicsContext* context) override;
    void mouseDown(GraphicsContext* context, GuiPoint& where) override;
    int32_t handleKeyPress(VstKeyCode& keyCode) override;
    bool handleWheel(GraphicsContext* context, GuiPoint& where, float distance) override;
    bool detachedFrom(View* parent) override;
    bool attachedTo(View* parent) override;

    // ---- operations added by Fader, in their order ----
    virtual void setHandleSeeThrough(bool flag);
    virtual void setJumpToClick(bool flag);
    virtual bool readJumpToClick();
    virtual void setHandleOrigin(const GuiPoint& p);
    virtual void replaceHandleBitmap(Bitmap* bitmap);
    virtual Bitmap* readHandleBitmap();
    virtual void setFineFactor(float f);
    virtual float readFineFactor();

    bool isHorizontal() const { return (style & faderHorizontal) != 0; }
    // The handle rectangle paint draws, relative to the top-left corner of the fader.
    GuiRect handleRect() const;

    GuiPoint imageOffset;
    GuiPoint handleOrigin;
    Bitmap* handleBitmap;
    OffscreenBuffer* offscreen;
    int32_t handleWidth;
    int32_t handleHeight;
    int32_t travel;
    int32_t style;
    int32_t lowLimit;
    int32_t highLimit;
    int32_t travelStart;
    int32_t controlWidth;
    int32_t controlHeight;
    float fineFactor;
    bool handleSeeThrough;
    bool jumpToClick;

private:
    void initialise(Bitmap* handle);
    float drawnFraction() const;
    int32_t handleSizeAlong() const { return isHorizontal() ? handleWidth : handleHeight; }
};

class HorizontalFader : public Fader {
public:
    HorizontalFader(const GuiRect& bounds, ValueListener* listener, int tag, int startPos,
                    int endPos, Bitmap* handleBitmap, Bitmap* background,
                    const GuiPoint& imageOffset, int style);
    HorizontalFader(const GuiRect& bounds, ValueListener* listener, int tag,
                    const GuiPoint& handleOrigin, int trackLength, Bitmap* handleBitmap,
                    Bitmap* background, const GuiPoint& imageOffset, int style);
};

class VerticalFader : public Fader {
public:
    VerticalFader(const GuiRect& bounds, ValueListener* listener, int tag, int startPos, int endPos,
                  Bitmap* handleBitmap, Bitmap* background, const GuiPoint& imageOffset, int style);
    VerticalFader(const GuiRect& bounds, ValueListener* listener, int tag,
                  const GuiPoint& handleOrigin, int trackLength, Bitmap* handleBitmap,
                  Bitmap* background, const GuiPoint& imageOffset, int style);
};

} // namespace kestrune
