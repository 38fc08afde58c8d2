#include "graphics/GraphicsContext.h"

#include "controls/View.h"
#include "graphics/Frame.h"
#include "shell/GuiEditor.h"

#include <cstring>
#include <new>

namespace kestrune {

namespace pf = platform;

bool buttonsSwapped = false;

const FontTableEntry fontTable[fontTableSize] = {
    {"Arial", 12}, {"Arial", 18}, {"Arial", 14}, {"Arial", 12},
    {"Arial", 11}, {"Arial", 10}, {"Arial", 9},  {"Symbol", 13},
};

namespace {

constexpr GuiRect defaultClipArea{0, 0, 1000, 1000};
constexpr int fixedPointCount = 30;

// Shifts points by the drawing offset into a fixed array, or a heap array for long lists.
class ShiftedPoints {
public:
    ShiftedPoints(const GuiPoint* points, int count, const GuiPoint& offset) : count_(count) {
        if (!points || count <= 0) {
            count_ = 0;
            return;
        }
        data_ = fixed_;
        if (count > fixedPointCount) {
            heap_ = new (std::nothrow) pf::Point[size_t(count)];
            data_ = heap_;
            if (!heap_)
                return;
        }
        for (int i = 0; i < count; ++i)
            data_[i] = {points[i].h + offset.h, points[i].v + offset.v};
    }
    ~ShiftedPoints() { delete[] heap_; }
    ShiftedPoints(const ShiftedPoints&) = delete;
    ShiftedPoints& operator=(const ShiftedPoints&) = delete;

    const pf::Point* data() const { return data_; }
    int count() const { return count_; }

private:
    pf::Point fixed_[fixedPointCount];
    pf::Point* heap_ = nullptr;
    pf::Point* data_ = nullptr;
    int count_;
};

} // namespace

platform::FontDescription describeTableFont(int fontIndex, int height, int style) {
    if (fontIndex < 0 || fontIndex > 7)
        fontIndex = 0;
    if (height == 0)
        height = fontTable[fontIndex].defaultHeight;
    pf::FontDescription font{};
    font.height = -height;
    font.weight = (style & styleBold) ? pf::weightBold : pf::weightNormal;
    font.italic = (style & styleItalic) ? 1 : 0;
    font.underline = (style & styleUnderline) ? 1 : 0;
    font.pitchAndFamily = pf::familySwissVariable;
    std::strncpy(font.faceName, fontTable[fontIndex].face, sizeof font.faceName - 1);
    if (fontIndex == 7)
        font.pitchAndFamily = pf::familyDecorative;
    if (fontIndex == 0)
        font.weight = pf::weightBold;
    font.clipPrecision = pf::clipStrokePrecision;
    font.outPrecision = pf::outputStringPrecision;
    font.quality = 0;
    font.charSet = 0;
    return font;
}

// ---- construction and destruction ----

GraphicsContext::GraphicsContext(Frame* frame_, pf::DeviceContext deviceContext_,
                                 pf::Window window_)
    : windowOrigin{0, 0}, drawOffset{0, 0}, deviceContext(deviceContext_), window(window_),
      frame(frame_), textColor(colorWhite), penWidth(1), lineColor(colorWhite),
      brushColor(colorBlack), linePattern(solid), rasterMode(copy), clipArea(defaultClipArea),
      ownBrush(nullptr), ownPen(nullptr), ownFont(nullptr), savedBrush(nullptr), savedPen(nullptr),
      savedFont(nullptr), penStyle(pf::penSolid) {
    // The clip area is only recorded; no clip region is selected.
    clipArea = frameArea();
    if (deviceContext) {
        savedBrush = pf::currentObject(deviceContext, pf::objectBrush);
        savedPen = pf::currentObject(deviceContext, pf::objectPen);
        savedFont = pf::currentObject(deviceContext, pf::objectFont);
        pf::setBackgroundMode(deviceContext, pf::backgroundTransparent);
    }
    penStyle = pf::penSolid;
    if (window) {
        pf::Rect r{};
        if (pf::windowRect(window, r))
            windowOrigin = {r.left, r.top};
    }
    if (deviceContext) {
        setLineColor(lineColor);
        setLinePattern(linePattern);
        setBrushColor(brushColor);
        pf::setTextColor(deviceContext, textColor.platformValue());
    }
}

GraphicsContext::~GraphicsContext() {
    // Give the device context back the objects it had.
    if (deviceContext) {
        if (savedBrush)
            pf::selectObject(deviceContext, savedBrush);
        if (savedPen)
            pf::selectObject(deviceContext, savedPen);
        if (savedFont)
            pf::selectObject(deviceContext, savedFont);
    }
    if (ownBrush)
        pf::deleteObject(ownBrush);
    if (ownPen)
        pf::deleteObject(ownPen);
    if (ownFont)
        pf::deleteObject(ownFont);
}

GuiRect GraphicsContext::frameArea() const {
    GuiRect r = defaultClipArea;
    if (frame)
        frame->copyBounds(r);
    return r;
}

// ---- lines and figures ----

void GraphicsContext::setPenPosition(const GuiPoint& p) {
    pf::moveTo(deviceContext, p.h + drawOffset.h, p.v + drawOffset.v);
}

void GraphicsContext::drawLineTo(const GuiPoint& p) {
    pf::lineTo(deviceContext, p.h + drawOffset.h, p.v + drawOffset.v);
}

void GraphicsContext::drawPolyline(const GuiPoint* points, int count) {
    ShiftedPoints shifted(points, count, drawOffset);
    if (shifted.data())
        pf::polyline(deviceContext, shifted.data(), shifted.count());
}

void GraphicsContext::paintPolygon(const GuiPoint* points, int count) {
    ShiftedPoints shifted(points, count, drawOffset);
    if (!shifted.data())
        return;
    pf::DrawObject previous = pf::selectObject(deviceContext, pf::stockObject(pf::stockNullPen));
    pf::polygon(deviceContext, shifted.data(), shifted.count());
    if (previous)
        pf::selectObject(deviceContext, previous);
}

void GraphicsContext::outlineRect(const GuiRect& r) {
    int l = r.left + drawOffset.h;
    int t = r.top + drawOffset.v;
    int rt = r.right + drawOffset.h;
    int b = r.bottom + drawOffset.v;
    pf::moveTo(deviceContext, l, t);
    pf::lineTo(deviceContext, rt, t);
    pf::lineTo(deviceContext, rt, b);
    pf::lineTo(deviceContext, l, b);
    pf::lineTo(deviceContext, l, t);
}

void GraphicsContext::paintRect(const GuiRect& r) {
    pf::Rect area{r.left + 1 + drawOffset.h, r.top + 1 + drawOffset.v, r.right + drawOffset.h,
                  r.bottom + drawOffset.v};
    pf::DrawObject previous = pf::selectObject(deviceContext, pf::stockObject(pf::stockNullPen));
    if (ownBrush)
        pf::fillRect(deviceContext, area, ownBrush);
    if (previous)
        pf::selectObject(deviceContext, previous);
}

void GraphicsContext::paintEllipse(const GuiRect& r) {
    pf::DrawObject previous = pf::selectObject(deviceContext, pf::stockObject(pf::stockNullPen));
    pf::ellipse(deviceContext, r.left + 1 + drawOffset.h, r.top + 1 + drawOffset.v,
                r.right + 1 + drawOffset.h, r.bottom + 1 + drawOffset.v);
    if (previous)
        pf::selectObject(deviceContext, previous);
}

void GraphicsContext::outlineEllipse(const GuiRect& r) {
    GuiPoint start{r.left + (r.right - r.left) / 2, r.top};
    outlineArc(r, start, start);
}

void GraphicsContext::outlineArc(const GuiRect& r, const GuiPoint& start, const GuiPoint& end) {
    int h = drawOffset.h;
    int v = drawOffset.v;
    pf::arc(deviceContext, r.left + h, r.top + v, r.right + 1 + h, r.bottom + 1 + v, start.h + h,
            start.v + v, end.h + h, end.v + v);
}

void GraphicsContext::paintPie(const GuiRect& r, const GuiPoint& start, const GuiPoint& end) {
    int h = drawOffset.h;
    int v = drawOffset.v;
    pf::DrawObject previous = pf::selectObject(deviceContext, pf::stockObject(pf::stockNullPen));
    pf::pie(deviceContext, r.left + 1 + h, r.top + 1 + v, r.right + h, r.bottom + v, start.h + h,
            start.v + v, end.h + h, end.v + v);
    if (previous)
        pf::selectObject(deviceContext, previous);
}

void GraphicsContext::setPixelColor(const GuiPoint& p, GuiColor color) {
    pf::setPixel(deviceContext, p.h + drawOffset.h, p.v + drawOffset.v, color.platformValue());
}

GuiColor GraphicsContext::readPixelColor(const GuiPoint& p) {
    return GuiColor::fromPlatform(
        pf::getPixel(deviceContext, p.h + drawOffset.h, p.v + drawOffset.v));
}

void GraphicsContext::floodFillAt(const GuiPoint& p) {
    int x = p.h + drawOffset.h;
    int y = p.v + drawOffset.v;
    pf::ColorValue color = pf::getPixel(deviceContext, x, y);
    pf::floodFill(deviceContext, x, y, color, pf::floodFillSurface);
}

// ---- drawing state ----

void GraphicsContext::recreatePen() {
    pf::PenDescription description{
        uint32_t(penStyle), {penWidth, penWidth}, lineColor.platformValue()};
    pf::DrawObject pen = pf::createPen(description);
    if (!pen)
        return; // keep drawing with the previous pen
    pf::selectObject(deviceContext, pen);
    if (ownPen)
        pf::deleteObject(ownPen);
    ownPen = pen;
}

void GraphicsContext::setLinePattern(LinePattern pattern) {
    linePattern = pattern;
    penStyle = pattern == dotted ? int32_t(pf::penDot) : int32_t(pf::penSolid);
    recreatePen();
}

void GraphicsContext::setPenWidth(int width) {
    penWidth = width;
    recreatePen();
}

void GraphicsContext::setLineColor(GuiColor color) {
    lineColor = color;
    recreatePen();
}

void GraphicsContext::setRasterMode(RasterMode mode) {
    if (mode == rasterMode)
        return;
    rasterMode = mode;
    int mix = mode == merge ? pf::mixMergePen : mode == notXor ? pf::mixNotXorPen : pf::mixCopyPen;
    pf::setMixMode(deviceContext, mix);
}

void GraphicsContext::setClipArea(const GuiRect& r) {
    clipArea = r;
    pf::DrawObject region = pf::createRectRegion(r.left, r.top, r.right, r.bottom);
    pf::selectClipRegion(deviceContext, region);
    if (region)
        pf::deleteObject(region);
}

void GraphicsContext::clearClipArea() {
    setClipArea(frameArea());
}

void GraphicsContext::setTextColor(GuiColor color) {
    textColor = color;
    pf::setTextColor(deviceContext, color.platformValue());
}

void GraphicsContext::setBrushColor(GuiColor color) {
    brushColor = color;
    pf::setBackgroundColor(deviceContext, color.platformValue());
    pf::BrushDescription description{pf::brushSolid, color.platformValue(), 0};
    pf::DrawObject brush = pf::createBrush(description);
    if (!brush)
        return; // the previous brush stays selected
    pf::selectObject(deviceContext, brush);
    if (ownBrush)
        pf::deleteObject(ownBrush);
    ownBrush = brush;
}

// ---- text ----

void GraphicsContext::selectFont(int fontIndex, int height, int style) {
    pf::FontDescription description = describeTableFont(fontIndex, height, style);
    pf::DrawObject font = pf::createFont(description);
    if (!font)
        return; // text keeps the previous font
    pf::selectObject(deviceContext, font);
    if (ownFont)
        pf::deleteObject(ownFont);
    ownFont = font;
}

int GraphicsContext::measureTextWidth(const char* text) {
    if (!text)
        return 0;
    pf::Size size{0, 0};
    if (!pf::textExtent(deviceContext, text, int(std::strlen(text)), size))
        return 0;
    return size.width;
}

void GraphicsContext::drawTextInRect(const char* text, const GuiRect& r, bool opaque,
                                     TextAlign align) {
    if (!text)
        return;
    pf::setBackgroundMode(deviceContext, opaque ? pf::backgroundOpaque : pf::backgroundTransparent);
    pf::Rect area{r.left + drawOffset.h, r.top + drawOffset.v, r.right + drawOffset.h,
                  r.bottom + drawOffset.v};
    const uint32_t oneLine = pf::textVerticalCenter | pf::textSingleLine | pf::textNoPrefix;
    uint32_t format;
    if (align == alignCenter) {
        format = pf::textCenter | oneLine;
    } else if (align == alignRight) {
        format = pf::textRight | oneLine;
    } else {
        area.left += 1;
        format = pf::textLeft | oneLine;
    }
    pf::drawText(deviceContext, text, int(std::strlen(text)), area, format);
    pf::setBackgroundMode(deviceContext, pf::backgroundTransparent);
}

// ---- mouse ----

int GraphicsContext::queryMouseButtons() {
    int buttons = 0;
    if (pf::asyncKeyState(pf::keyLeftButton) < 0)
        buttons |= buttonsSwapped ? mouseRight : mouseLeft;
    if (pf::asyncKeyState(pf::keyMiddleButton) < 0)
        buttons |= mouseMiddle;
    if (pf::asyncKeyState(pf::keyRightButton) < 0)
        buttons |= buttonsSwapped ? mouseLeft : mouseRight;
    if (pf::asyncKeyState(pf::keyShift) < 0)
        buttons |= keyShift;
    if (pf::asyncKeyState(pf::keyControl) < 0)
        buttons |= keyControl;
    if (pf::asyncKeyState(pf::keyAlt) < 0)
        buttons |= keyAlt;
    return buttons;
}

void GraphicsContext::queryMousePosition(GuiPoint& out) {
    pf::Point p{0, 0};
    pf::cursorPosition(p);
    out = {p.x - windowOrigin.h, p.y - windowOrigin.v};
}

bool GraphicsContext::awaitDoubleClick() {
    GuiPoint first;
    queryMousePosition(first);
    auto insideBox = [&](const GuiPoint& p) {
        return first.h - 2 <= p.h && p.h < first.h + 2 && first.v - 2 <= p.v && p.v < first.v + 2;
    };
    uint32_t deadline = pf::messageTime() + pf::doubleClickTime();
    if (pf::tickCount() >= deadline)
        return false;
    while (pf::tickCount() < deadline) {
        GuiPoint now;
        queryMousePosition(now);
        if (!insideBox(now))
            return false;
        pf::Message message{};
        if (pf::peekMessage(message, nullptr, pf::messageLeftButtonDown, pf::messageLeftButtonDown,
                            pf::peekRemove | pf::peekNoYield))
            return true;
    }
    return false;
}

bool GraphicsContext::awaitDragStart() {
    if (!frame)
        return false;
    GuiPoint first;
    queryMousePosition(first);
    while (queryMouseButtons() & mouseLeft) {
        if (GuiEditor* editor = frame->editor)
            editor->serviceIdle();
        GuiPoint now;
        queryMousePosition(now);
        bool inside = first.h - 2 <= now.h && now.h < first.h + 2 && first.v - 2 <= now.v &&
                      now.v < first.v + 2;
        if (!inside)
            return true;
    }
    return false;
}

// ---- pixel copies ----

void GraphicsContext::copyAreaFrom(const GraphicsContext& source, const GuiRect& sourceRect,
                                   GuiPoint destination) {
    pf::copyPixels(deviceContext, destination.h, destination.v, sourceRect.width(),
                   sourceRect.height(), source.deviceContext, sourceRect.left + source.drawOffset.h,
                   sourceRect.top + source.drawOffset.v, pf::rasterSourceCopy);
}

void GraphicsContext::copyAreaTo(GraphicsContext& destination, GuiRect destRect,
                                 GuiPoint sourceOrigin) {
    pf::copyPixels(destination.deviceContext, destRect.left + destination.drawOffset.h,
                   destRect.top + destination.drawOffset.v, destRect.width(), destRect.height(),
                   deviceContext, sourceOrigin.h, sourceOrigin.v, pf::rasterSourceCopy);
}

} // namespace kestrune
