#include "controls/ValueReadout.h"

#include "graphics/Bitmap.h"
#include "graphics/GraphicsContext.h"

#include <cstdio>

namespace kestrune {

ValueReadout::ValueReadout(const GuiRect& bounds_, Bitmap* background_, int style_)
    : Control(bounds_, nullptr, 0, background_), formatter(nullptr), formatterWithData(nullptr),
      formatterData(nullptr), textAlign(alignCenter), style(style_), fontIndex(3), fontStyle(0),
      inkColor(colorWhite), fillColor(colorBlack), edgeColor(colorBlack), shadeColor(colorRed),
      textSeeThrough(true) {
    backgroundOffset = {0, 0};
    if (style & noPaint) {
        // A readout that draws nothing is current from the start.
        repaintPending = false;
        shownValue = value;
    }
}

ValueReadout::~ValueReadout() = default;

// ---- settings: a change of what shows marks the readout ----

void ValueReadout::setFontIndex(int index) {
    if (index != fontIndex)
        markForRepaint(true);
    fontIndex = index;
}

// The fourth byte is stored but draws nothing, so a change of it alone does not mark.
void ValueReadout::changeColor(GuiColor& field, GuiColor c) {
    if (!field.sameRgb(c))
        markForRepaint(true);
    field = c;
}

void ValueReadout::setInkColor(GuiColor c) {
    changeColor(inkColor, c);
}

void ValueReadout::setFillColor(GuiColor c) {
    changeColor(fillColor, c);
}

void ValueReadout::setEdgeColor(GuiColor c) {
    changeColor(edgeColor, c);
}

void ValueReadout::setShadeColor(GuiColor c) {
    changeColor(shadeColor, c);
}

void ValueReadout::setTextAlign(TextAlign align) {
    if (align != textAlign)
        markForRepaint(true);
    textAlign = align;
}

void ValueReadout::setFormatterWithData(ValueFormatterWithData callback, void* data) {
    formatterWithData = callback;
    formatterData = data;
}

void ValueReadout::setFormatter(ValueFormatter callback) {
    formatter = callback;
}

void ValueReadout::setDisplayStyle(int style_) {
    if (style_ != style) {
        style = style_;
        markForRepaint(true);
    }
}

void ValueReadout::setFontStyle(int style_) {
    if (style_ != fontStyle)
        markForRepaint(true);
    fontStyle = style_;
}

void ValueReadout::setTextSeeThrough(bool flag) {
    textSeeThrough = flag;
}

// ---- drawing ----

void ValueReadout::formatValue(char* text) {
    text[0] = 0;
    if (formatterWithData)
        formatterWithData(value, text, formatterData);
    else if (formatter)
        formatter(value, text);
    else
        std::snprintf(text, readoutTextCapacity, "%2.2f", double(value));
    text[readoutTextCapacity - 1] = 0; // a formatter that wrote too much still ends here
}

void ValueReadout::paint(GraphicsContext* context) {
    char text[readoutTextCapacity];
    formatValue(text);
    paintText(context, text, nullptr);
}

void ValueReadout::paintText(GraphicsContext* context, const char* text, Bitmap* bitmap) {
    // Current first, so that the readout counts as drawn even when nothing is.
    markForRepaint(false);
    if ((style & noPaint) || !context)
        return;

    // Background.
    Bitmap* picture = bitmap ? bitmap : background;
    bool bevelled = (style & (bevelIn | bevelOut)) != 0;
    if (picture) {
        drawBitmap(*context, picture, bounds, backgroundOffset);
    } else if (!seeThrough) {
        context->setBrushColor(fillColor);
        context->paintRect(bounds);
        if (!bevelled) {
            context->setLineColor(edgeColor);
            context->outlineRect(bounds);
        }
    }

    // Edges, also over a bitmap; bevelIn decides when both bits are set.
    if (bevelled) {
        bool sunken = (style & bevelIn) != 0;
        context->setLineColor(sunken ? fillColor : edgeColor);
        context->setPenPosition(GuiPoint{bounds.left, bounds.bottom});
        context->drawLineTo(GuiPoint{bounds.left, bounds.top});
        context->drawLineTo(GuiPoint{bounds.right + 1, bounds.top});
        context->setLineColor(sunken ? edgeColor : fillColor);
        context->setPenPosition(GuiPoint{bounds.right, bounds.top + 1});
        context->drawLineTo(GuiPoint{bounds.right, bounds.bottom});
        context->drawLineTo(GuiPoint{bounds.left, bounds.bottom});
    }

    // Text.
    if ((style & noText) || !text)
        return;
    context->selectFont(fontIndex, 0, fontStyle);
    bool opaque = !textSeeThrough;
    if (style & textShadow) {
        context->setTextColor(shadeColor);
        GuiRect shadow{bounds.left + 1, bounds.top + 1, bounds.right + 1, bounds.bottom + 1};
        context->drawTextInRect(text, shadow, opaque, textAlign);
    }
    context->setTextColor(inkColor);
    context->drawTextInRect(text, bounds, opaque, textAlign);
}

} // namespace kestrune
