// Software backend: device contexts, drawing objects, primitives and pixel copies.
//
// Implements: 24-bit colour and one-bit surfaces; memory, window, paint and screen contexts with
// the default objects of a new context (black pen, white brush, system font, a 1 x 1 one-bit
// bitmap in memory contexts); pens (solid, dotted 3 on 3 off, null, any width: wider pens draw
// round-ended solid strokes), solid and null brushes, all sixteen pen mixes; lines that leave out
// their end point, polylines, even-odd polygons, rectangles filled by brush, ellipses, arcs and
// pies (counter-clockwise from the start to the end direction), pixels, flood fill (surface and
// border); rectangular clip regions; pixel copies with any raster operation on solid brushes and
// the one-bit <-> colour rules (colour to one bit: the source's background colour becomes 1;
// one bit to colour: 1 becomes the target's background colour, 0 its text colour); the
// constant-opacity blend and the key-colour transparent copy of the image library.
// Not yet: hatched and pattern brushes, complex clip regions, world transforms, dash styles other
// than dotted, per-pixel alpha.
#include "platform/soft/SoftInternal.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace kestrune::platform {

namespace {

constexpr double pi = 3.14159265358979323846;

Rect intersect(const Rect& a, const Rect& b) {
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.right < r.left)
        r.right = r.left;
    if (r.bottom < r.top)
        r.bottom = r.top;
    return r;
}

bool inside(const Rect& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// A pen mix: bit (2 * pen + destination) of (mix - 1) gives each result bit.
uint32_t applyMix(int mix, uint32_t destination, uint32_t pen, uint32_t mask) {
    unsigned table = unsigned(mix - 1) & 15u;
    uint32_t result = 0;
    if (table & 1u)
        result |= ~pen & ~destination;
    if (table & 2u)
        result |= ~pen & destination;
    if (table & 4u)
        result |= pen & ~destination;
    if (table & 8u)
        result |= pen & destination;
    return result & mask;
}

// A raster operation of a pixel copy: bit (4 * pattern + 2 * source + destination) of its code.
uint32_t applyRaster(uint32_t operation, uint32_t destination, uint32_t source, uint32_t pattern,
                     uint32_t mask) {
    unsigned table = (operation >> 16) & 0xFFu;
    uint32_t result = 0;
    for (unsigned bit = 0; bit < 8; ++bit) {
        if (!(table & (1u << bit)))
            continue;
        uint32_t p = (bit & 4u) ? pattern : ~pattern;
        uint32_t s = (bit & 2u) ? source : ~source;
        uint32_t d = (bit & 1u) ? destination : ~destination;
        result |= p & s & d;
    }
    return result & mask;
}

// ---- stroke and fill helpers ----

struct Painter {
    DeviceContext dc;
    Surface* surface;
    Rect area;

    explicit Painter(DeviceContext context)
        : dc(context), surface(surfaceOf(context)), area(drawableArea(context)) {}
    bool usable() const { return surface != nullptr; }

    void mixPixel(int x, int y, ColorValue color) {
        if (!inside(area, x, y))
            return;
        uint32_t& pixel = surface->at(x, y);
        if (surface->mono)
            pixel = applyMix(dc->mix, pixel, monoOf(color), 1u);
        else
            pixel = applyMix(dc->mix, pixel, color & 0xFFFFFFu, 0xFFFFFFu);
    }
    void putPixel(int x, int y, ColorValue color) {
        if (!inside(area, x, y))
            return;
        surface->at(x, y) = surface->mono ? monoOf(color) : (color & 0xFFFFFFu);
    }
};

struct PenShape {
    bool visible = false;
    bool dotted = false;
    int width = 1;
    ColorValue color = 0;
};

PenShape penShape(DeviceContext dc) {
    PenShape shape;
    DrawObject pen = dc->pen;
    if (!pen || pen->pen.style == penNull)
        return shape;
    shape.visible = true;
    shape.width = std::max(1, pen->pen.width.x);
    shape.dotted = pen->pen.style == penDot && shape.width == 1;
    shape.color = pen->pen.color;
    return shape;
}

bool brushColor(DeviceContext dc, ColorValue& out) {
    DrawObject brush = dc->brush;
    if (!brush || brush->nullBrush)
        return false;
    out = brush->brush.color;
    return true;
}

// Pixels of a stroke, each mixed once even where the round pen overlaps itself.
class StrokeMask {
public:
    void add(int x, int y) { points_.push_back({x, y}); }
    void addDisc(int cx, int cy, int width) {
        // Pixel centres inside the pen's round end, which leaves out the corners of the square
        // (a 3-pixel pen stamps a plus, as the platform's round caps do).
        double radius = width / 2.0;
        double limit = radius * radius - width / 4.0;
        int reach = width / 2 + 1;
        for (int dy = -reach; dy <= reach; ++dy)
            for (int dx = -reach; dx <= reach; ++dx) {
                double ox = dx + ((width % 2) ? 0.0 : 0.5);
                double oy = dy + ((width % 2) ? 0.0 : 0.5);
                if (ox * ox + oy * oy <= limit + 1e-9)
                    add(cx + dx, cy + dy);
            }
    }
    void paint(Painter& painter, ColorValue color) {
        std::sort(points_.begin(), points_.end(), [](const Point& a, const Point& b) {
            return a.y != b.y ? a.y < b.y : a.x < b.x;
        });
        auto last = std::unique(points_.begin(), points_.end(), [](const Point& a, const Point& b) {
            return a.x == b.x && a.y == b.y;
        });
        for (auto it = points_.begin(); it != last; ++it)
            painter.mixPixel(it->x, it->y, color);
    }

private:
    std::vector<Point> points_;
};

// One segment from (x0, y0) towards (x1, y1), the end point left out for thin pens.
void strokeSegment(Painter& painter, const PenShape& pen, int x0, int y0, int x1, int y1,
                   bool includeEnd) {
    int dx = std::abs(x1 - x0);
    int dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1;
    int sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    int x = x0;
    int y = y0;
    StrokeMask wide;
    for (;;) {
        bool atEnd = x == x1 && y == y1;
        if (atEnd && !includeEnd && pen.width == 1)
            break;
        if (pen.width > 1) {
            wide.addDisc(x, y, pen.width);
        } else {
            bool on = !pen.dotted || (painter.dc->dashPhase % 6) < 3;
            if (on)
                painter.mixPixel(x, y, pen.color);
            ++painter.dc->dashPhase;
        }
        if (atEnd)
            break;
        int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += sx;
        }
        if (twice <= dx) {
            error += dx;
            y += sy;
        }
    }
    if (pen.width > 1)
        wide.paint(painter, pen.color);
}

// ---- ellipses ----

struct EllipseShape {
    double centreX, centreY, radiusX, radiusY;
    int left, top, right, bottom; // pixel bounds, right and bottom outside
    bool empty;
};

EllipseShape ellipseIn(int left, int top, int right, int bottom) {
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    EllipseShape e{};
    e.left = left;
    e.top = top;
    e.right = right;
    e.bottom = bottom;
    e.empty = right - left <= 1 || bottom - top <= 1; // the platform draws no 1-pixel ellipse
    e.centreX = (left + right) / 2.0;
    e.centreY = (top + bottom) / 2.0;
    e.radiusX = (right - left) / 2.0;
    e.radiusY = (bottom - top) / 2.0;
    return e;
}

bool insideEllipse(const EllipseShape& e, int x, int y, double shrink = 0.0) {
    double rx = e.radiusX - shrink;
    double ry = e.radiusY - shrink;
    if (rx <= 0.0 || ry <= 0.0)
        return false;
    double nx = (x + 0.5 - e.centreX) / rx;
    double ny = (y + 0.5 - e.centreY) / ry;
    return nx * nx + ny * ny <= 1.0 + 1e-9;
}

bool onOutline(const EllipseShape& e, int x, int y, int width) {
    if (!insideEllipse(e, x, y))
        return false;
    if (width > 1)
        return !insideEllipse(e, x, y, width);
    return !insideEllipse(e, x - 1, y) || !insideEllipse(e, x + 1, y) ||
           !insideEllipse(e, x, y - 1) || !insideEllipse(e, x, y + 1);
}

double angleOf(const EllipseShape& e, double x, double y) {
    double a = std::atan2(e.centreY - y, x - e.centreX);
    return a < 0 ? a + 2 * pi : a;
}

// True when the direction of the pixel lies on the counter-clockwise sweep from start to end.
bool inSweep(double angle, double start, double end) {
    double span = std::fmod(end - start + 4 * pi, 2 * pi);
    if (span < 1e-12)
        return true; // equal directions: the whole ellipse
    double offset = std::fmod(angle - start + 4 * pi, 2 * pi);
    return offset <= span + 1e-9;
}

enum class EllipseFigure { full, arc, pie };

void drawEllipseFigure(DeviceContext dc, EllipseFigure figure, int left, int top, int right,
                       int bottom, int startX, int startY, int endX, int endY) {
    Painter painter(dc);
    if (!painter.usable())
        return;
    PenShape pen = penShape(dc);
    ColorValue fill = 0;
    bool filled = figure != EllipseFigure::arc && brushColor(dc, fill);
    // Without a pen a pie is one pixel smaller to the right and bottom; an ellipse keeps its
    // size (as the platform draws them).
    EllipseShape outer = ellipseIn(left, top, right, bottom);
    bool shrinks = !pen.visible && figure == EllipseFigure::pie;
    EllipseShape inner = shrinks ? ellipseIn(left, top, right - 1, bottom - 1) : outer;
    if (outer.empty)
        return;
    double start = angleOf(outer, startX, startY);
    double end = angleOf(outer, endX, endY);
    bool sweep = figure != EllipseFigure::full;

    if (filled && !inner.empty) {
        for (int y = inner.top; y < inner.bottom; ++y)
            for (int x = inner.left; x < inner.right; ++x) {
                if (!insideEllipse(inner, x, y))
                    continue;
                if (pen.visible && onOutline(inner, x, y, pen.width))
                    continue;
                if (sweep && !inSweep(angleOf(inner, x + 0.5, y + 0.5), start, end))
                    continue;
                painter.mixPixel(x, y, fill);
            }
    }
    if (!pen.visible)
        return;
    StrokeMask outline;
    for (int y = outer.top; y < outer.bottom; ++y)
        for (int x = outer.left; x < outer.right; ++x) {
            if (!onOutline(outer, x, y, pen.width))
                continue;
            if (sweep && !inSweep(angleOf(outer, x + 0.5, y + 0.5), start, end))
                continue;
            outline.add(x, y);
        }
    outline.paint(painter, pen.color);
    if (figure == EllipseFigure::pie) {
        // The two radii from the centre to the ends of the arc.
        int cx = int(std::floor(outer.centreX));
        int cy = int(std::floor(outer.centreY));
        for (double a : {start, end}) {
            int ex = int(std::lround(outer.centreX + std::cos(a) * (outer.radiusX - 0.5) - 0.5));
            int ey = int(std::lround(outer.centreY - std::sin(a) * (outer.radiusY - 0.5) - 0.5));
            PenShape solid = pen;
            solid.dotted = false;
            strokeSegment(painter, solid, cx, cy, ex, ey, true);
        }
    }
}

// ---- polygons ----

void fillPolygon(Painter& painter, const Point* points, int count, ColorValue color) {
    int minY = points[0].y;
    int maxY = points[0].y;
    for (int i = 1; i < count; ++i) {
        minY = std::min(minY, points[i].y);
        maxY = std::max(maxY, points[i].y);
    }
    minY = std::max(minY, painter.area.top);
    maxY = std::min(maxY, painter.area.bottom);
    std::vector<double> crossings;
    // Pixels are sampled at their top-left corners, as the platform's polygon regions are.
    for (int y = minY; y < maxY; ++y) {
        double sampleY = y;
        crossings.clear();
        for (int i = 0; i < count; ++i) {
            const Point& a = points[i];
            const Point& b = points[(i + 1) % count];
            if ((a.y <= sampleY) == (b.y <= sampleY))
                continue;
            double t = (sampleY - a.y) / double(b.y - a.y);
            crossings.push_back(a.x + t * (b.x - a.x));
        }
        std::sort(crossings.begin(), crossings.end());
        for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
            // Pixels whose corners lie in [first, second): the top-left fill rule.
            int from = int(std::ceil(crossings[i]));
            int to = int(std::ceil(crossings[i + 1]));
            for (int x = from; x < to; ++x)
                painter.mixPixel(x, y, color);
        }
    }
}

ColorValue toColor(const Surface& surface, uint32_t pixel) {
    return surface.mono ? (pixel ? 0xFFFFFFu : 0u) : pixel;
}

} // namespace

// ---- the world and its records ----

void Surface::resize(int newWidth, int newHeight, uint32_t fill) {
    std::vector<uint32_t> next(size_t(newWidth) * size_t(newHeight), fill);
    for (int y = 0; y < std::min(height, newHeight); ++y)
        for (int x = 0; x < std::min(width, newWidth); ++x)
            next[size_t(y) * size_t(newWidth) + size_t(x)] = at(x, y);
    pixels.swap(next);
    width = newWidth;
    height = newHeight;
}

World& world() {
    static World* instance = new World; // never destroyed: static destructors may still draw
    return *instance;
}

bool isObject(DrawObject object) {
    if (!object)
        return false;
    World& w = world();
    if (w.objects.count(object) || object == w.defaultBitmap.get())
        return true;
    for (auto& entry : w.stock)
        if (entry.second.get() == object)
            return true;
    for (auto& entry : w.systemBrushes)
        if (entry.second.get() == object)
            return true;
    return false;
}

bool isContext(DeviceContext dc) {
    return dc && world().contexts.count(dc) != 0;
}

DrawObject newObject(ObjectKind kind) {
    auto* object = new (std::nothrow) DrawObjectRecord;
    if (!object)
        return nullptr;
    object->kind = kind;
    world().objects.insert(object);
    return object;
}

namespace {

DrawObject stockRecord(int which) {
    World& w = world();
    auto found = w.stock.find(which);
    if (found != w.stock.end())
        return found->second.get();
    auto object = std::make_unique<DrawObjectRecord>();
    object->stock = true;
    switch (which) {
    case stockWhiteBrush:
    case stockBlackBrush:
    case stockNullBrush:
        object->kind = ObjectKind::brush;
        object->brush.color = which == stockWhiteBrush ? 0xFFFFFFu : 0u;
        object->nullBrush = which == stockNullBrush;
        break;
    case stockWhitePen:
    case stockBlackPen:
    case stockNullPen:
        object->kind = ObjectKind::pen;
        object->pen.style = which == stockNullPen ? penNull : penSolid;
        object->pen.width = {1, 0};
        object->pen.color = which == stockWhitePen ? 0xFFFFFFu : 0u;
        break;
    case stockSystemFont:
        object->kind = ObjectKind::font;
        object->font.height = 16;
        object->font.weight = weightBold;
        std::strcpy(object->font.faceName, "System");
        break;
    default:
        return nullptr;
    }
    DrawObject result = object.get();
    w.stock[which] = std::move(object);
    return result;
}

DrawObject defaultBitmap() {
    World& w = world();
    if (!w.defaultBitmap) {
        w.defaultBitmap = std::make_unique<DrawObjectRecord>();
        w.defaultBitmap->kind = ObjectKind::bitmap;
        w.defaultBitmap->stock = true;
        w.defaultBitmap->surface.mono = true;
        w.defaultBitmap->surface.resize(1, 1, 0);
    }
    return w.defaultBitmap.get();
}

} // namespace

DeviceContext newContext(ContextKind kind, Window window) {
    auto* dc = new (std::nothrow) DeviceContextRecord;
    if (!dc)
        return nullptr;
    dc->kind = kind;
    dc->window = window;
    dc->pen = stockRecord(stockBlackPen);
    dc->brush = stockRecord(stockWhiteBrush);
    dc->font = stockRecord(stockSystemFont);
    dc->pen->selectCount++;
    dc->brush->selectCount++;
    dc->font->selectCount++;
    if (kind == ContextKind::memory)
        dc->bitmap = defaultBitmap();
    world().contexts.insert(dc);
    return dc;
}

void dropContext(DeviceContext dc) {
    dc->pen->selectCount--;
    dc->brush->selectCount--;
    dc->font->selectCount--;
    if (dc->bitmap && dc->bitmap->selectedInto == dc)
        dc->bitmap->selectedInto = nullptr;
    world().contexts.erase(dc);
    delete dc;
}

Surface* surfaceOf(DeviceContext dc) {
    if (!isContext(dc))
        return nullptr;
    switch (dc->kind) {
    case ContextKind::memory:
        return dc->bitmap ? &dc->bitmap->surface : nullptr;
    case ContextKind::window:
    case ContextKind::paint:
        return isWindow(dc->window) ? &dc->window->surface : nullptr;
    case ContextKind::screen:
        return nullptr;
    }
    return nullptr;
}

Rect drawableArea(DeviceContext dc) {
    Surface* surface = surfaceOf(dc);
    Rect area{0, 0, surface ? surface->width : 0, surface ? surface->height : 0};
    if (dc->hasSystemClip)
        area = intersect(area, dc->systemClip);
    if (dc->hasClip)
        area = intersect(area, dc->clip);
    return area;
}

// ---- device contexts and drawing objects ----

DeviceContext createMemoryDC(DeviceContext compatibleWith) {
    trace("createMemoryDC");
    if (compatibleWith && !isContext(compatibleWith))
        return nullptr;
    return newContext(ContextKind::memory, nullptr);
}

bool deleteMemoryDC(DeviceContext dc) {
    trace("deleteMemoryDC");
    if (!isContext(dc) || dc->kind != ContextKind::memory)
        return false;
    dropContext(dc);
    return true;
}

DrawObject currentObject(DeviceContext dc, int kind) {
    trace("currentObject");
    if (!isContext(dc))
        return nullptr;
    switch (kind) {
    case objectPen:
        return dc->pen;
    case objectBrush:
        return dc->brush;
    case objectFont:
        return dc->font;
    case objectBitmap:
        return dc->bitmap;
    default:
        return nullptr;
    }
}

DrawObject selectObject(DeviceContext dc, DrawObject object) {
    trace("selectObject");
    if (!isContext(dc) || !isObject(object))
        return nullptr;
    DrawObject* slot = nullptr;
    switch (object->kind) {
    case ObjectKind::pen:
        slot = &dc->pen;
        break;
    case ObjectKind::brush:
        slot = &dc->brush;
        break;
    case ObjectKind::font:
        slot = &dc->font;
        break;
    case ObjectKind::bitmap: {
        // A bitmap lives in one memory context at a time.
        if (dc->kind != ContextKind::memory)
            return nullptr;
        if (!object->stock && object->selectedInto && object->selectedInto != dc)
            return nullptr;
        DrawObject previous = dc->bitmap;
        if (previous && previous->selectedInto == dc)
            previous->selectedInto = nullptr;
        dc->bitmap = object;
        if (!object->stock)
            object->selectedInto = dc;
        return previous;
    }
    case ObjectKind::region:
        return nullptr;
    }
    DrawObject previous = *slot;
    previous->selectCount--;
    *slot = object;
    object->selectCount++;
    return previous;
}

DrawObject stockObject(int which) {
    trace("stockObject");
    return stockRecord(which);
}

bool deleteObject(DrawObject object) {
    trace("deleteObject");
    if (!isObject(object))
        return false;
    if (object->stock)
        return true;
    // Objects still selected into a context stay alive, as the platform does it.
    if (object->selectCount > 0 || object->selectedInto)
        return false;
    world().objects.erase(object);
    delete object;
    return true;
}

DrawObject createPen(const PenDescription& description) {
    trace("createPen");
    DrawObject pen = newObject(ObjectKind::pen);
    if (pen) {
        pen->pen = description;
        if (pen->pen.style > penNull)
            pen->pen.style = penSolid;
    }
    return pen;
}

DrawObject createBrush(const BrushDescription& description) {
    trace("createBrush");
    DrawObject brush = newObject(ObjectKind::brush);
    if (brush) {
        brush->brush = description;
        brush->nullBrush = description.style == 1; // BS_NULL
    }
    return brush;
}

DrawObject createSolidBrush(ColorValue color) {
    trace("createSolidBrush");
    DrawObject brush = newObject(ObjectKind::brush);
    if (brush)
        brush->brush = {brushSolid, color & 0xFFFFFFu, 0};
    return brush;
}

DrawObject systemColorBrush(int systemColor) {
    trace("systemColorBrush");
    World& w = world();
    auto found = w.systemBrushes.find(systemColor);
    if (found != w.systemBrushes.end())
        return found->second.get();
    auto brush = std::make_unique<DrawObjectRecord>();
    brush->kind = ObjectKind::brush;
    brush->stock = true;
    ColorValue color = systemColor == systemColorButtonFace ? colorValue(240, 240, 240)
                       : systemColor == 5                   ? 0xFFFFFFu // window background
                                                            : colorValue(192, 192, 192);
    brush->brush = {brushSolid, color, 0};
    DrawObject result = brush.get();
    w.systemBrushes[systemColor] = std::move(brush);
    return result;
}

DrawObject createFont(const FontDescription& description) {
    trace("createFont");
    DrawObject font = newObject(ObjectKind::font);
    if (font)
        font->font = description;
    return font;
}

int setBackgroundMode(DeviceContext dc, int mode) {
    trace("setBackgroundMode");
    if (!isContext(dc) || (mode != backgroundOpaque && mode != backgroundTransparent))
        return 0;
    int previous = dc->backgroundMode;
    dc->backgroundMode = mode;
    return previous;
}

ColorValue setBackgroundColor(DeviceContext dc, ColorValue color) {
    trace("setBackgroundColor");
    if (!isContext(dc))
        return invalidColor;
    ColorValue previous = dc->background;
    dc->background = color & 0xFFFFFFu;
    return previous;
}

ColorValue backgroundColor(DeviceContext dc) {
    trace("backgroundColor");
    return isContext(dc) ? dc->background : invalidColor;
}

ColorValue setTextColor(DeviceContext dc, ColorValue color) {
    trace("setTextColor");
    if (!isContext(dc))
        return invalidColor;
    ColorValue previous = dc->text;
    dc->text = color & 0xFFFFFFu;
    return previous;
}

ColorValue textColor(DeviceContext dc) {
    trace("textColor");
    return isContext(dc) ? dc->text : invalidColor;
}

int setMixMode(DeviceContext dc, int mode) {
    trace("setMixMode");
    if (!isContext(dc) || mode < 1 || mode > 16)
        return 0;
    int previous = dc->mix;
    dc->mix = mode;
    return previous;
}

DrawObject createRectRegion(int left, int top, int right, int bottom) {
    trace("createRectRegion");
    DrawObject region = newObject(ObjectKind::region);
    if (region)
        region->region = {std::min(left, right), std::min(top, bottom), std::max(left, right),
                          std::max(top, bottom)};
    return region;
}

int selectClipRegion(DeviceContext dc, DrawObject region) {
    trace("selectClipRegion");
    if (!isContext(dc))
        return 0;
    if (!region) {
        dc->hasClip = false;
        return 2; // SIMPLEREGION
    }
    if (!isObject(region) || region->kind != ObjectKind::region)
        return 0;
    dc->hasClip = true;
    dc->clip = region->region; // the context keeps a copy
    Rect area = drawableArea(dc);
    return (area.right > area.left && area.bottom > area.top) ? 2 : 1; // SIMPLE or NULLREGION
}

// ---- primitives ----

bool moveTo(DeviceContext dc, int x, int y) {
    trace("moveTo");
    if (!isContext(dc))
        return false;
    dc->position = {x, y};
    dc->dashPhase = 0;
    return true;
}

bool lineTo(DeviceContext dc, int x, int y) {
    trace("lineTo");
    if (!isContext(dc))
        return false;
    Painter painter(dc);
    PenShape pen = penShape(dc);
    if (painter.usable() && pen.visible)
        strokeSegment(painter, pen, dc->position.x, dc->position.y, x, y, false);
    dc->position = {x, y};
    return true;
}

bool polyline(DeviceContext dc, const Point* points, int count) {
    trace("polyline");
    if (!isContext(dc) || !points || count < 2)
        return false;
    Painter painter(dc);
    PenShape pen = penShape(dc);
    if (!painter.usable() || !pen.visible)
        return true;
    int savedPhase = dc->dashPhase;
    dc->dashPhase = 0;
    for (int i = 0; i + 1 < count; ++i)
        strokeSegment(painter, pen, points[i].x, points[i].y, points[i + 1].x, points[i + 1].y,
                      false);
    dc->dashPhase = savedPhase;
    return true;
}

bool polygon(DeviceContext dc, const Point* points, int count) {
    trace("polygon");
    if (!isContext(dc) || !points || count < 2)
        return false;
    Painter painter(dc);
    if (!painter.usable())
        return true;
    ColorValue fill = 0;
    if (count >= 3 && brushColor(dc, fill))
        fillPolygon(painter, points, count, fill);
    PenShape pen = penShape(dc);
    if (pen.visible) {
        dc->dashPhase = 0;
        for (int i = 0; i < count; ++i) {
            const Point& a = points[i];
            const Point& b = points[(i + 1) % count];
            strokeSegment(painter, pen, a.x, a.y, b.x, b.y, false);
        }
    }
    return true;
}

int fillRect(DeviceContext dc, const Rect& area, DrawObject brush) {
    trace("fillRect");
    if (!isContext(dc) || !isObject(brush) || brush->kind != ObjectKind::brush)
        return 0;
    Painter painter(dc);
    if (!painter.usable() || brush->nullBrush)
        return 1;
    Rect r = intersect(area, painter.area);
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            painter.putPixel(x, y, brush->brush.color);
    return 1;
}

bool ellipse(DeviceContext dc, int left, int top, int right, int bottom) {
    trace("ellipse");
    if (!isContext(dc))
        return false;
    drawEllipseFigure(dc, EllipseFigure::full, left, top, right, bottom, 0, 0, 0, 0);
    return true;
}

bool arc(DeviceContext dc, int left, int top, int right, int bottom, int startX, int startY,
         int endX, int endY) {
    trace("arc");
    if (!isContext(dc))
        return false;
    drawEllipseFigure(dc, EllipseFigure::arc, left, top, right, bottom, startX, startY, endX, endY);
    return true;
}

bool pie(DeviceContext dc, int left, int top, int right, int bottom, int startX, int startY,
         int endX, int endY) {
    trace("pie");
    if (!isContext(dc))
        return false;
    drawEllipseFigure(dc, EllipseFigure::pie, left, top, right, bottom, startX, startY, endX, endY);
    return true;
}

ColorValue setPixel(DeviceContext dc, int x, int y, ColorValue color) {
    trace("setPixel");
    if (!isContext(dc))
        return invalidColor;
    Painter painter(dc);
    if (!painter.usable() || !inside(painter.area, x, y))
        return invalidColor;
    painter.putPixel(x, y, color);
    return toColor(*painter.surface, painter.surface->at(x, y));
}

ColorValue getPixel(DeviceContext dc, int x, int y) {
    trace("getPixel");
    if (!isContext(dc))
        return invalidColor;
    Surface* surface = surfaceOf(dc);
    if (!surface || !inside(drawableArea(dc), x, y))
        return invalidColor;
    return toColor(*surface, surface->at(x, y));
}

bool floodFill(DeviceContext dc, int x, int y, ColorValue color, uint32_t fillType) {
    trace("floodFill");
    if (!isContext(dc))
        return false;
    Painter painter(dc);
    ColorValue fill = 0;
    if (!painter.usable() || !inside(painter.area, x, y) || !brushColor(dc, fill))
        return false;
    Surface& surface = *painter.surface;
    uint32_t target = surface.mono ? monoOf(color) : (color & 0xFFFFFFu);
    bool bySurface = fillType == floodFillSurface;
    auto belongs = [&](int px, int py) {
        uint32_t pixel = surface.at(px, py);
        return bySurface ? pixel == target : pixel != target;
    };
    if (!belongs(x, y))
        return false;
    // Mark the connected area first, then fill it, so a fill colour equal to the area's colour
    // still ends.
    const Rect& area = painter.area;
    int w = area.right - area.left;
    std::vector<uint8_t> seen(size_t(w) * size_t(area.bottom - area.top), 0);
    std::vector<Point> stack{{x, y}};
    std::vector<Point> region;
    while (!stack.empty()) {
        Point p = stack.back();
        stack.pop_back();
        if (!inside(area, p.x, p.y))
            continue;
        uint8_t& mark = seen[size_t(p.y - area.top) * size_t(w) + size_t(p.x - area.left)];
        if (mark || !belongs(p.x, p.y))
            continue;
        mark = 1;
        region.push_back(p);
        stack.push_back({p.x + 1, p.y});
        stack.push_back({p.x - 1, p.y});
        stack.push_back({p.x, p.y + 1});
        stack.push_back({p.x, p.y - 1});
    }
    for (const Point& p : region)
        painter.putPixel(p.x, p.y, fill);
    return true;
}

// ---- bitmaps and pixel copies ----

DrawObject createCompatibleBitmap(DeviceContext dc, int width, int height) {
    trace("createCompatibleBitmap");
    if (dc && !isContext(dc))
        return nullptr;
    if (width == 0 || height == 0)
        return defaultBitmap();
    if (width < 0 || height < 0 || int64_t(width) * int64_t(height) > (int64_t(1) << 26))
        return nullptr;
    // A memory context makes bitmaps like the one it holds (one bit with its default bitmap).
    bool mono = dc && dc->kind == ContextKind::memory && dc->bitmap && dc->bitmap->surface.mono;
    DrawObject bitmap = newObject(ObjectKind::bitmap);
    if (!bitmap)
        return nullptr;
    bitmap->surface.mono = mono;
    bitmap->surface.resize(width, height, 0);
    return bitmap;
}

DrawObject createMonoBitmap(int width, int height) {
    trace("createMonoBitmap");
    if (width == 0 || height == 0)
        return defaultBitmap();
    if (width < 0 || height < 0 || int64_t(width) * int64_t(height) > (int64_t(1) << 26))
        return nullptr;
    DrawObject bitmap = newObject(ObjectKind::bitmap);
    if (!bitmap)
        return nullptr;
    bitmap->surface.mono = true;
    bitmap->surface.resize(width, height, 0);
    return bitmap;
}

bool describeBitmap(DrawObject bitmap, BitmapDescription& out) {
    trace("describeBitmap");
    if (!isObject(bitmap) || bitmap->kind != ObjectKind::bitmap)
        return false;
    const Surface& s = bitmap->surface;
    out = {};
    out.width = s.width;
    out.height = s.height;
    out.planes = 1;
    out.bitsPerPixel = s.mono ? 1 : 24;
    out.widthBytes = s.mono ? ((s.width + 15) / 16) * 2 : ((s.width * 3 + 1) / 2) * 2;
    return true;
}

bool copyPixels(DeviceContext target, int x, int y, int width, int height, DeviceContext source,
                int sourceX, int sourceY, uint32_t rasterOperation) {
    trace("copyPixels");
    if (!isContext(target) || (source && !isContext(source)))
        return false;
    Surface* to = surfaceOf(target);
    if (!to)
        return true;
    if (width < 0 || height < 0)
        return false;
    unsigned table = (rasterOperation >> 16) & 0xFFu;
    bool usesSource = ((table >> 2) & 0x33u) != (table & 0x33u);
    Surface* from = source ? surfaceOf(source) : nullptr;
    if (usesSource && !source)
        return false;
    if (usesSource && !from)
        return true;
    Rect area = drawableArea(target);
    ColorValue pattern = 0;
    bool hasPattern = brushColor(target, pattern);
    uint32_t mask = to->mono ? 1u : 0xFFFFFFu;
    uint32_t patternValue = hasPattern ? (to->mono ? monoOf(pattern) : pattern) : 0;
    // Read the source first, so that copies within one surface see the old pixels.
    std::vector<uint32_t> sourcePixels;
    std::vector<uint8_t> present;
    if (usesSource) {
        sourcePixels.resize(size_t(width) * size_t(height));
        present.assign(size_t(width) * size_t(height), 0);
        for (int row = 0; row < height; ++row)
            for (int column = 0; column < width; ++column) {
                int sx = sourceX + column;
                int sy = sourceY + row;
                if (!from->contains(sx, sy))
                    continue;
                uint32_t pixel = from->at(sx, sy);
                uint32_t value;
                if (from->mono == to->mono)
                    value = pixel;
                else if (to->mono) // colour to one bit: the source background becomes white
                    value = pixel == source->background ? 1u : 0u;
                else // one bit to colour: white takes the background colour, black the text's
                    value = pixel ? target->background : target->text;
                size_t index = size_t(row) * size_t(width) + size_t(column);
                sourcePixels[index] = value;
                present[index] = 1;
            }
    }
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            int tx = x + column;
            int ty = y + row;
            if (!inside(area, tx, ty))
                continue;
            size_t index = size_t(row) * size_t(width) + size_t(column);
            if (usesSource && !present[index])
                continue;
            uint32_t& pixel = to->at(tx, ty);
            pixel = applyRaster(rasterOperation, pixel, usesSource ? sourcePixels[index] : 0,
                                patternValue, mask);
        }
    return true;
}

// ---- the image library's entries ----

namespace soft_entries {

int KESTRUNE_PLATFORM_CALL alphaBlend(DeviceContext target, int x, int y, int width, int height,
                                      DeviceContext source, int sourceX, int sourceY,
                                      int sourceWidth, int sourceHeight, BlendDescription blend) {
    trace("AlphaBlend");
    if (!isContext(target) || !isContext(source) || width < 0 || height < 0 || sourceWidth < 0 ||
        sourceHeight < 0)
        return 0;
    Surface* to = surfaceOf(target);
    Surface* from = surfaceOf(source);
    if (!to || !from)
        return 0;
    // The source area must lie inside the source picture.
    if (sourceX < 0 || sourceY < 0 || sourceX + sourceWidth > from->width ||
        sourceY + sourceHeight > from->height)
        return 0;
    if (width == 0 || height == 0)
        return 1;
    Rect area = drawableArea(target);
    unsigned alpha = blend.sourceConstantAlpha;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            int tx = x + column;
            int ty = y + row;
            if (!inside(area, tx, ty))
                continue;
            int sx = sourceX + column * sourceWidth / width;
            int sy = sourceY + row * sourceHeight / height;
            ColorValue s = toColor(*from, from->at(sx, sy));
            uint32_t& pixel = to->at(tx, ty);
            ColorValue d = toColor(*to, pixel);
            ColorValue result = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                unsigned sc = (s >> shift) & 0xFFu;
                unsigned dc = (d >> shift) & 0xFFu;
                unsigned mixed = (sc * alpha + dc * (255u - alpha) + 127u) / 255u;
                result |= mixed << shift;
            }
            pixel = to->mono ? monoOf(result) : result;
        }
    return 1;
}

int KESTRUNE_PLATFORM_CALL transparentBlt(DeviceContext target, int x, int y, int width, int height,
                                          DeviceContext source, int sourceX, int sourceY,
                                          int sourceWidth, int sourceHeight, uint32_t keyColor) {
    trace("TransparentBlt");
    if (!isContext(target) || !isContext(source) || width < 0 || height < 0 || sourceWidth < 0 ||
        sourceHeight < 0)
        return 0;
    Surface* to = surfaceOf(target);
    Surface* from = surfaceOf(source);
    if (!to || !from)
        return 0;
    if (width == 0 || height == 0 || sourceWidth == 0 || sourceHeight == 0)
        return 1;
    Rect area = drawableArea(target);
    ColorValue key = keyColor & 0xFFFFFFu;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            int tx = x + column;
            int ty = y + row;
            int sx = sourceX + column * sourceWidth / width;
            int sy = sourceY + row * sourceHeight / height;
            if (!inside(area, tx, ty) || !from->contains(sx, sy))
                continue;
            ColorValue s = toColor(*from, from->at(sx, sy));
            if (s == key)
                continue;
            to->at(tx, ty) = to->mono ? monoOf(s) : s;
        }
    return 1;
}

} // namespace soft_entries

} // namespace kestrune::platform
