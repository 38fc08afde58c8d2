// A control that shows its value as one line of text: from a formatter callback the creator
// installs, or "%2.2f" without one. Behind the text it draws its background bitmap, or fills its
// rectangle with a colour and outlines or bevels it. It takes no mouse, wheel or key input and
// never reports changes; it repaints at the frame's idle update whenever its value differs from
// the value it last showed.
#pragma once

#include "controls/Control.h"
#include "graphics/GuiTypes.h"

#include <cstdint>

namespace kestrune {

// Style bits of a readout; all other bits are ignored.
enum ReadoutStyle : int32_t {
    textShadow = 4, // the text a second time, first, one pixel right and down in shadeColor
    bevelIn = 128,  // sunken edges
    bevelOut = 256, // raised edges
    noText = 2048,
    noPaint = 4096,
};

// Formatters write a zero-terminated text of at most 255 characters into a 256-character buffer
// whose first character has been set to zero.
using ValueFormatter = void (*)(float value, char* text);
using ValueFormatterWithData = void (*)(float value, char* text, void* data);

inline constexpr int readoutTextCapacity = 256;

class ValueReadout : public Control {
public:
    ValueReadout(const GuiRect& bounds, Bitmap* background, int style);
    ~ValueReadout() override;

    void paint(GraphicsContext* context) override;

    // ---- operations added by ValueReadout, in their order ----
    virtual void setFontIndex(int index);
    virtual void setInkColor(GuiColor c);
    virtual void setFillColor(GuiColor c);
    virtual void setEdgeColor(GuiColor c);
    virtual void setShadeColor(GuiColor c);
    virtual void setTextAlign(TextAlign align);
    virtual void setFormatterWithData(ValueFormatterWithData callback, void* data);
    virtual void setFormatter(ValueFormatter callback);
    virtual void setDisplayStyle(int style);
    virtual void setFontStyle(int style);
    virtual void setTextSeeThrough(bool flag);

    // The text paint shows for the current value (the formatter with data first).
    void formatValue(char* text);
    // Draws the readout for a given text, with `bitmap` in place of the background when not
    // null; a null text draws the background only.
    void paintText(GraphicsContext* context, const char* text, Bitmap* bitmap);

    ValueFormatter formatter;
    ValueFormatterWithData formatterWithData;
    void* formatterData;
    TextAlign textAlign;
    int32_t style;
    int32_t fontIndex;
    int32_t fontStyle;
    GuiColor inkColor;
    GuiColor fillColor;
    GuiColor edgeColor;
    GuiColor shadeColor;
    bool textSeeThrough;

private:
    void changeColor(GuiColor& field, GuiColor c);
};

} // namespace kestrune
