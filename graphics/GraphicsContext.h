// The drawing context handed to every view operation: one platform device context (a window's or
// a memory bitmap's) with the toolkit's drawing state, and the mouse queries controls use while
// they follow the mouse. Contexts live for one event or one redraw.
#pragma once

#include "graphics/GuiTypes.h"
#include "platform/Platform.h"

#include <cstdint>

namespace kestrune {

class Frame;

// True when the system's primary and secondary mouse buttons are swapped; set when the frame's
// window class is registered.
extern bool buttonsSwapped;

class GraphicsContext {
public:
    GraphicsContext(Frame* frame, platform::DeviceContext deviceContext, platform::Window window);
    virtual ~GraphicsContext();

    GraphicsContext(const GraphicsContext&) = delete;
    GraphicsContext& operator=(const GraphicsContext&) = delete;

    // ---- lines and figures ----
    void setPenPosition(const GuiPoint& p);
    void drawLineTo(const GuiPoint& p); // the end point itself is not drawn
    void drawPolyline(const GuiPoint* points, int count);
    void paintPolygon(const GuiPoint* points, int count);
    void outlineRect(const GuiRect& r); // right column and bottom row included
    void paintRect(const GuiRect& r);   // the inside of outlineRect's outline
    void paintEllipse(const GuiRect& r);
    void outlineEllipse(const GuiRect& r);
    void outlineArc(const GuiRect& r, const GuiPoint& start, const GuiPoint& end);
    void paintPie(const GuiRect& r, const GuiPoint& start, const GuiPoint& end);
    void setPixelColor(const GuiPoint& p, GuiColor color);
    GuiColor readPixelColor(const GuiPoint& p);
    void floodFillAt(const GuiPoint& p);

    // ---- drawing state ----
    void setLinePattern(LinePattern pattern);
    void setPenWidth(int width);
    void setLineColor(GuiColor color);
    void setRasterMode(RasterMode mode);
    void setClipArea(const GuiRect& r);
    void clearClipArea();
    void setTextColor(GuiColor color);
    void setBrushColor(GuiColor color);

    // ---- text ----
    void selectFont(int fontIndex, int height, int style);
    int measureTextWidth(const char* text);
    void drawTextInRect(const char* text, const GuiRect& r, bool opaque, TextAlign align);

    // ---- mouse ----
    int queryMouseButtons();
    void queryMousePosition(GuiPoint& out); // window coordinates, not shifted by drawOffset
    bool awaitDoubleClick();
    bool awaitDragStart();

    // ---- pixel copies ----
    void copyAreaFrom(const GraphicsContext& source, const GuiRect& sourceRect,
                      GuiPoint destination);
    void copyAreaTo(GraphicsContext& destination, GuiRect destRect, GuiPoint sourceOrigin);

    GuiPoint windowOrigin;
    GuiPoint drawOffset;
    platform::DeviceContext deviceContext;
    platform::Window window;
    Frame* frame;
    GuiColor textColor;
    int32_t penWidth;
    GuiColor lineColor;
    GuiColor brushColor;
    LinePattern linePattern;
    RasterMode rasterMode;
    GuiRect clipArea;
    platform::DrawObject ownBrush;
    platform::DrawObject ownPen;
    platform::DrawObject ownFont;
    platform::DrawObject savedBrush;
    platform::DrawObject savedPen;
    platform::DrawObject savedFont;
    int32_t penStyle;

protected:
    void recreatePen();
    GuiRect frameArea() const;
};

// One entry of the font table.
struct FontTableEntry {
    const char* face;
    int defaultHeight;
};

inline constexpr int fontTableSize = 8;
extern const FontTableEntry fontTable[fontTableSize];

// The font description selectFont asks the platform for.
platform::FontDescription describeTableFont(int fontIndex, int height, int style);

} // namespace kestrune
