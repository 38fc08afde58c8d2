// The plot is laid out once on an abstract canvas; an SVG canvas writes elements, a raster
// canvas draws pixels for PNG.
#include "Plot.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#if KESTRUNE_RENDER_HAVE_PNG
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>
#endif

namespace kestrune::render {

namespace {

struct Color {
    std::uint8_t red, green, blue;
};

constexpr Color kBackground{255, 255, 255};
constexpr Color kPanel{248, 249, 251};
constexpr Color kGrid{222, 225, 230};
constexpr Color kAxis{60, 64, 72};
constexpr Color kText{30, 32, 36};
constexpr Color kInputColor{120, 128, 140};
constexpr Color kOutputColor{30, 100, 200};
constexpr Color kMeterColor{20, 150, 70};
constexpr Color kLevelColor{230, 120, 20};

enum class Anchor { Start, Middle, End };

using Points = std::vector<std::pair<double, double>>;

class Canvas {
public:
    virtual ~Canvas() = default;
    virtual void fillRect(double x, double y, double width, double height, Color color) = 0;
    virtual void line(double x0, double y0, double x1, double y1, Color color, double width) = 0;
    virtual void polyline(const Points& points, Color color, double width) = 0;
    // Columns one pixel wide from x0, column i filled from top[i] down to bottom[i].
    virtual void fillColumns(double x0, const std::vector<double>& top,
                             const std::vector<double>& bottom, Color color) = 0;
    virtual void text(double x, double y, const std::string& text, double size, Anchor anchor,
                      Color color) = 0;
    virtual double textWidth(const std::string& text, double size) = 0;
};

// ---- SVG ----

class SvgCanvas : public Canvas {
public:
    SvgCanvas(int width, int height) {
        char header[256];
        std::snprintf(header, sizeof header,
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
                      "viewBox=\"0 0 %d %d\" font-family=\"Liberation Sans, Arial, sans-serif\">\n",
                      width, height, width, height);
        body = header;
    }
    void fillRect(double x, double y, double width, double height, Color color) override {
        append("<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"%s\"/>\n", x, y,
               width, height, hex(color).c_str());
    }
    void line(double x0, double y0, double x1, double y1, Color color, double width) override {
        append("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" "
               "stroke-width=\"%.1f\"/>\n",
               x0, y0, x1, y1, hex(color).c_str(), width);
    }
    void polyline(const Points& points, Color color, double width) override {
        if (points.size() < 2) {
            return;
        }
        body += "<polyline fill=\"none\" stroke-linejoin=\"round\" stroke=\"" + hex(color) +
                "\" stroke-width=\"" + number(width) + "\" points=\"";
        for (const auto& [x, y] : points) {
            body += number(x) + "," + number(y) + " ";
        }
        body += "\"/>\n";
    }
    void fillColumns(double x0, const std::vector<double>& top, const std::vector<double>& bottom,
                     Color color) override {
        if (top.empty()) {
            return;
        }
        // One polygon: along the tops to the right, back along the bottoms.
        body += "<polygon fill=\"" + hex(color) + "\" stroke=\"" + hex(color) +
                "\" stroke-width=\"0.6\" points=\"";
        for (std::size_t i = 0; i < top.size(); ++i) {
            body += number(x0 + i + 0.5) + "," + number(top[i]) + " ";
        }
        for (std::size_t i = top.size(); i-- > 0;) {
            body += number(x0 + i + 0.5) + "," + number(bottom[i]) + " ";
        }
        body += "\"/>\n";
    }
    void text(double x, double y, const std::string& content, double size, Anchor anchor,
              Color color) override {
        const char* anchorName = anchor == Anchor::Start    ? "start"
                                 : anchor == Anchor::Middle ? "middle"
                                                            : "end";
        body += "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\" font-size=\"" +
                number(size) + "\" text-anchor=\"" + anchorName + "\" fill=\"" + hex(color) +
                "\">" + escape(content) + "</text>\n";
    }
    double textWidth(const std::string& content, double size) override {
        // The average advance of a sans-serif face; the viewer's font decides the rest.
        return 0.52 * size * static_cast<double>(content.size());
    }
    std::string finish() { return body + "</svg>\n"; }

private:
    template <typename... Args>
    void append(const char* format, Args... args) {
        char text[512];
        std::snprintf(text, sizeof text, format, args...);
        body += text;
    }
    static std::string hex(Color color) {
        char text[8];
        std::snprintf(text, sizeof text, "#%02x%02x%02x", color.red, color.green, color.blue);
        return text;
    }
    static std::string number(double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", value);
        return text;
    }
    static std::string escape(const std::string& text) {
        std::string result;
        for (char c : text) {
            switch (c) {
            case '<':
                result += "&lt;";
                break;
            case '>':
                result += "&gt;";
                break;
            case '&':
                result += "&amp;";
                break;
            case '"':
                result += "&quot;";
                break;
            default:
                result += c;
            }
        }
        return result;
    }
    std::string body;
};

// ---- layout, shared by both formats ----

constexpr int kWidth = 1200;
constexpr int kLeft = 86;
constexpr int kRight = 24;
constexpr int kTop = 56;
constexpr int kPanelHeight = 170;
constexpr int kPanelGap = 52;
constexpr int kPanels = 4;
constexpr int kHeight = kTop + kPanels * kPanelHeight + (kPanels - 1) * kPanelGap + 64;
constexpr double kLevelFloorDb = -90.0;

struct Panel {
    double left, top, width, height;
    double low, high; // value range, bottom to top
    double y(double value) const {
        double clamped = std::clamp(value, low, high);
        return top + height * (high - clamped) / (high - low);
    }
};

std::string formatTick(double value) {
    char text[32];
    if (std::fabs(value - std::round(value)) < 1e-9) {
        std::snprintf(text, sizeof text, "%.0f", value);
    } else {
        std::snprintf(text, sizeof text, "%.1f", value);
    }
    return text;
}

double niceStep(double span, int wanted) {
    double raw = span / wanted;
    double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (factor * magnitude >= raw) {
            return factor * magnitude;
        }
    }
    return 10.0 * magnitude;
}

void drawPanelFrame(Canvas& canvas, const Panel& panel, const std::string& title,
                    const std::vector<double>& ticks, double seconds) {
    canvas.fillRect(panel.left, panel.top, panel.width, panel.height, kPanel);
    for (double tick : ticks) {
        double y = panel.y(tick);
        canvas.line(panel.left, y, panel.left + panel.width, y, kGrid, 1.0);
        canvas.text(panel.left - 8, y + 4, formatTick(tick), 12, Anchor::End, kText);
    }
    double step = niceStep(seconds, 12);
    for (double t = 0.0; t <= seconds + 1e-9; t += step) {
        double x = panel.left + panel.width * t / seconds;
        canvas.line(x, panel.top, x, panel.top + panel.height, kGrid, 1.0);
        canvas.text(x, panel.top + panel.height + 15, formatTick(t), 12, Anchor::Middle, kText);
    }
    canvas.line(panel.left, panel.top, panel.left, panel.top + panel.height, kAxis, 1.2);
    canvas.line(panel.left, panel.top + panel.height, panel.left + panel.width,
                panel.top + panel.height, kAxis, 1.2);
    canvas.text(panel.left, panel.top - 8, title, 14, Anchor::Start, kText);
}

void drawLegend(Canvas& canvas, const Panel& panel,
                const std::vector<std::pair<std::string, Color>>& entries) {
    double x = panel.left + panel.width;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        canvas.text(x, panel.top - 8, it->first, 12, Anchor::End, kText);
        x -= canvas.textWidth(it->first, 12) + 6;
        canvas.line(x - 22, panel.top - 12, x, panel.top - 12, it->second, 3.0);
        x -= 40;
    }
}

// Smallest and largest sample of every pixel column, over all channels.
void columnExtremes(const AudioBuffer& buffer, int columns, std::vector<double>& lows,
                    std::vector<double>& highs) {
    lows.assign(static_cast<std::size_t>(columns), 0.0);
    highs.assign(static_cast<std::size_t>(columns), 0.0);
    std::size_t frames = buffer.frameCount();
    for (int column = 0; column < columns; ++column) {
        std::size_t begin = frames * static_cast<std::size_t>(column) / columns;
        std::size_t end =
            std::max(begin + 1, frames * static_cast<std::size_t>(column + 1) / columns);
        double low = 0.0;
        double high = 0.0;
        for (const auto& channel : buffer.channels) {
            for (std::size_t i = begin; i < end && i < frames; ++i) {
                double sample = std::isfinite(channel[i]) ? channel[i] : 0.0;
                low = std::min(low, sample);
                high = std::max(high, sample);
            }
        }
        lows[column] = low;
        highs[column] = high;
    }
}

void drawWaveform(Canvas& canvas, const Panel& panel, const AudioBuffer& buffer, Color color) {
    int columns = static_cast<int>(panel.width);
    std::vector<double> lows;
    std::vector<double> highs;
    columnExtremes(buffer, columns, lows, highs);
    std::vector<double> top(lows.size());
    std::vector<double> bottom(lows.size());
    for (std::size_t i = 0; i < lows.size(); ++i) {
        top[i] = panel.y(highs[i]);
        bottom[i] = std::max(panel.y(lows[i]), top[i] + 1.0);
    }
    canvas.fillColumns(panel.left, top, bottom, color);
}

Points levelCurve(const Panel& panel, const AudioBuffer& buffer) {
    int columns = static_cast<int>(panel.width);
    std::vector<double> lows;
    std::vector<double> highs;
    columnExtremes(buffer, columns, lows, highs);
    Points points;
    for (int column = 0; column < columns; ++column) {
        double peak = std::max(std::fabs(lows[column]), std::fabs(highs[column]));
        double db = peak > 0.0 ? 20.0 * std::log10(peak) : kLevelFloorDb;
        points.emplace_back(panel.left + column + 0.5, panel.y(db));
    }
    return points;
}

// The gain curve as polylines, broken where the value is unknown.
std::vector<Points> gainCurves(const Panel& panel, const std::vector<BlockGain>& blocks,
                               double seconds, double BlockGain::*field) {
    std::vector<Points> curves(1);
    for (const BlockGain& block : blocks) {
        double value = block.*field;
        if (!std::isfinite(value)) {
            if (!curves.back().empty()) {
                curves.emplace_back();
            }
            continue;
        }
        double x0 = panel.left + panel.width * block.startSeconds / seconds;
        double x1 = panel.left + panel.width * block.endSeconds / seconds;
        curves.back().emplace_back(x0, panel.y(value));
        curves.back().emplace_back(x1, panel.y(value));
    }
    return curves;
}

void layOut(Canvas& canvas, const PlotData& data) {
    canvas.fillRect(0, 0, kWidth, kHeight, kBackground);
    canvas.text(kLeft, 28, data.title, 18, Anchor::Start, kText);
    double seconds = std::max(data.input->seconds(), 1e-3);
    double width = kWidth - kLeft - kRight;
    auto panelAt = [&](int index, double low, double high) {
        return Panel{static_cast<double>(kLeft),
                     static_cast<double>(kTop + index * (kPanelHeight + kPanelGap)),
                     width,
                     static_cast<double>(kPanelHeight),
                     low,
                     high};
    };
    std::vector<double> waveTicks = {-1.0, -0.5, 0.0, 0.5, 1.0};

    // ---- waveforms ----
    Panel input = panelAt(0, -1.0, 1.0);
    drawPanelFrame(canvas, input, "Input waveform (amplitude, full scale = 1)", waveTicks, seconds);
    drawWaveform(canvas, input, *data.input, kInputColor);
    Panel output = panelAt(1, -1.0, 1.0);
    drawPanelFrame(canvas, output, "Output waveform (amplitude)", waveTicks, seconds);
    drawWaveform(canvas, output, *data.output, kOutputColor);

    // ---- levels: shows the noise floor the waveforms cannot ----
    Panel level = panelAt(2, kLevelFloorDb, 0.0);
    drawPanelFrame(canvas, level, "Peak level (dBFS)", {-90, -75, -60, -45, -30, -15, 0}, seconds);
    canvas.polyline(levelCurve(level, *data.input), kInputColor, 1.2);
    canvas.polyline(levelCurve(level, *data.output), kOutputColor, 1.2);
    drawLegend(canvas, level, {{"input", kInputColor}, {"output", kOutputColor}});

    // ---- gain ----
    double lowest = 0.0;
    double highest = 0.0;
    for (const BlockGain& block : *data.blocks) {
        for (double value : {block.meterGainDb, block.levelGainDb}) {
            if (std::isfinite(value)) {
                lowest = std::min(lowest, value);
                highest = std::max(highest, value);
            }
        }
    }
    double low = std::max(-96.0, std::floor((lowest - 3.0) / 12.0) * 12.0);
    double high = std::max(6.0, std::ceil((highest + 1.0) / 6.0) * 6.0);
    std::vector<double> gainTicks;
    double gainStep = niceStep(high - low, 6);
    for (double tick = std::ceil(low / gainStep) * gainStep; tick <= high + 1e-9;
         tick += gainStep) {
        gainTicks.push_back(tick);
    }
    Panel gain = panelAt(3, low, high);
    drawPanelFrame(canvas, gain, "Gain applied (dB)", gainTicks, seconds);
    canvas.line(gain.left, gain.y(0.0), gain.left + gain.width, gain.y(0.0), kAxis, 0.8);
    std::vector<std::pair<std::string, Color>> legend;
    for (const Points& curve : gainCurves(gain, *data.blocks, seconds, &BlockGain::levelGainDb)) {
        canvas.polyline(curve, kLevelColor, 1.6);
    }
    legend.push_back({"output / input level", kLevelColor});
    if (data.hasMeter) {
        for (const Points& curve :
             gainCurves(gain, *data.blocks, seconds, &BlockGain::meterGainDb)) {
            canvas.polyline(curve, kMeterColor, 1.6);
        }
        legend.push_back({"plug-in gain meter (parameter 9)", kMeterColor});
    }
    drawLegend(canvas, gain, legend);
    canvas.text(gain.left + gain.width / 2, gain.top + gain.height + 38, "Time (s)", 14,
                Anchor::Middle, kText);
}

bool writeText(const std::string& path, const std::string& content, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot create plot '" + path + "'";
        return false;
    }
    bool ok = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        error = "cannot write plot '" + path + "'";
    }
    return ok;
}

bool hasExtension(const std::string& path, const char* extension) {
    std::string tail = path.size() >= 4 ? path.substr(path.size() - 4) : "";
    for (char& c : tail) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return tail == extension;
}

#if KESTRUNE_RENDER_HAVE_PNG

// ---- PNG: a small raster canvas with FreeType text ----

const char* findFont() {
    static const char* const candidates[] = {
        "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
        "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
        "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    };
    for (const char* path : candidates) {
        if (std::FILE* file = std::fopen(path, "rb")) {
            std::fclose(file);
            return path;
        }
    }
    return nullptr;
}

class RasterCanvas : public Canvas {
public:
    RasterCanvas(int width, int height, FT_Face face)
        : width(width), height(height), face(face),
          pixels(static_cast<std::size_t>(width) * height * 3, 255) {}

    void fillRect(double x, double y, double w, double h, Color color) override {
        int x0 = clampX(static_cast<int>(std::lround(x)));
        int x1 = clampX(static_cast<int>(std::lround(x + w)));
        int y0 = clampY(static_cast<int>(std::lround(y)));
        int y1 = clampY(static_cast<int>(std::lround(y + h)));
        for (int row = y0; row < y1; ++row) {
            for (int column = x0; column < x1; ++column) {
                blend(column, row, color, 1.0);
            }
        }
    }
    void line(double x0, double y0, double x1, double y1, Color color, double w) override {
        // Stamp a disc along the line every quarter pixel; coverage is kept per pixel as the
        // largest stamp so overlapping stamps do not darken the line.
        double length = std::hypot(x1 - x0, y1 - y0);
        int steps = std::max(1, static_cast<int>(length * 4.0));
        double radius = std::max(0.5, w / 2.0);
        for (int step = 0; step <= steps; ++step) {
            double t = static_cast<double>(step) / steps;
            stamp(x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, radius);
        }
        flushCoverage(color);
    }
    void polyline(const Points& points, Color color, double w) override {
        double radius = std::max(0.5, w / 2.0);
        for (std::size_t i = 1; i < points.size(); ++i) {
            auto [x0, y0] = points[i - 1];
            auto [x1, y1] = points[i];
            double length = std::hypot(x1 - x0, y1 - y0);
            int steps = std::max(1, static_cast<int>(length * 4.0));
            for (int step = 0; step <= steps; ++step) {
                double t = static_cast<double>(step) / steps;
                stamp(x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, radius);
            }
        }
        flushCoverage(color);
    }
    void fillColumns(double x0, const std::vector<double>& top, const std::vector<double>& bottom,
                     Color color) override {
        for (std::size_t i = 0; i < top.size(); ++i) {
            int column = static_cast<int>(std::lround(x0)) + static_cast<int>(i);
            int row0 = clampY(static_cast<int>(std::floor(top[i])));
            int row1 = clampY(static_cast<int>(std::ceil(bottom[i])));
            for (int row = row0; row <= row1 && column >= 0 && column < width; ++row) {
                blend(column, row, color, 1.0);
            }
        }
    }
    double textWidth(const std::string& content, double size) override {
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(std::lround(size)));
        double advance = 0.0;
        for (unsigned char c : content) {
            if (FT_Load_Char(face, c, FT_LOAD_DEFAULT) == 0) {
                advance += face->glyph->advance.x / 64.0;
            }
        }
        return advance;
    }
    void text(double x, double y, const std::string& content, double size, Anchor anchor,
              Color color) override {
        double advance = textWidth(content, size);
        double penX = anchor == Anchor::Start    ? x
                      : anchor == Anchor::Middle ? x - advance / 2.0
                                                 : x - advance;
        for (unsigned char c : content) {
            if (FT_Load_Char(face, c, FT_LOAD_RENDER) != 0) {
                continue;
            }
            FT_GlyphSlot glyph = face->glyph;
            int originX = static_cast<int>(std::lround(penX)) + glyph->bitmap_left;
            int originY = static_cast<int>(std::lround(y)) - glyph->bitmap_top;
            for (unsigned row = 0; row < glyph->bitmap.rows; ++row) {
                for (unsigned column = 0; column < glyph->bitmap.width; ++column) {
                    unsigned char value = glyph->bitmap.buffer[row * glyph->bitmap.pitch + column];
                    int px = originX + static_cast<int>(column);
                    int py = originY + static_cast<int>(row);
                    if (value && px >= 0 && px < width && py >= 0 && py < height) {
                        blend(px, py, color, value / 255.0);
                    }
                }
            }
            penX += glyph->advance.x / 64.0;
        }
    }

    bool save(const std::string& path, std::string& error) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (!file) {
            error = "cannot create plot '" + path + "'";
            return false;
        }
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png ? png_create_info_struct(png) : nullptr;
        if (!png || !info || setjmp(png_jmpbuf(png))) {
            png_destroy_write_struct(&png, &info);
            std::fclose(file);
            error = "cannot write plot '" + path + "'";
            return false;
        }
        png_init_io(png, file);
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                     8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int row = 0; row < height; ++row) {
            png_write_row(png, pixels.data() + static_cast<std::size_t>(row) * width * 3);
        }
        png_write_end(png, nullptr);
        png_destroy_write_struct(&png, &info);
        if (std::fclose(file) != 0) {
            error = "cannot write plot '" + path + "'";
            return false;
        }
        return true;
    }

private:
    int clampX(int x) const { return std::clamp(x, 0, width); }
    int clampY(int y) const { return std::clamp(y, 0, height - 1); }

    void blend(int x, int y, Color color, double alpha) {
        unsigned char* pixel = pixels.data() + (static_cast<std::size_t>(y) * width + x) * 3;
        const std::uint8_t channels[3] = {color.red, color.green, color.blue};
        for (int i = 0; i < 3; ++i) {
            pixel[i] = static_cast<unsigned char>(
                std::lround(pixel[i] * (1.0 - alpha) + channels[i] * alpha));
        }
    }

    void stamp(double cx, double cy, double radius) {
        int x0 = static_cast<int>(std::floor(cx - radius - 1));
        int x1 = static_cast<int>(std::ceil(cx + radius + 1));
        int y0 = static_cast<int>(std::floor(cy - radius - 1));
        int y1 = static_cast<int>(std::ceil(cy + radius + 1));
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                if (x < 0 || x >= width || y < 0 || y >= height) {
                    continue;
                }
                double distance = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                double cover = std::clamp(radius + 0.5 - distance, 0.0, 1.0);
                if (cover > 0.0) {
                    std::size_t key = static_cast<std::size_t>(y) * width + x;
                    auto [it, added] = coverage.try_emplace(key, cover);
                    if (!added) {
                        it->second = std::max(it->second, cover);
                    }
                }
            }
        }
    }

    void flushCoverage(Color color) {
        for (const auto& [key, cover] : coverage) {
            blend(static_cast<int>(key % width), static_cast<int>(key / width), color, cover);
        }
        coverage.clear();
    }

    int width;
    int height;
    FT_Face face;
    std::vector<unsigned char> pixels;
    std::unordered_map<std::size_t, double> coverage;
};

bool writePng(const std::string& path, const PlotData& data, std::string& error) {
    const char* fontPath = findFont();
    if (!fontPath) {
        error = "no font for the PNG plot's labels (install fonts-liberation2), or plot to .svg";
        return false;
    }
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        error = "cannot start FreeType for the PNG plot";
        return false;
    }
    if (FT_New_Face(library, fontPath, 0, &face) != 0) {
        FT_Done_FreeType(library);
        error = std::string("cannot read the font ") + fontPath;
        return false;
    }
    bool ok;
    {
        RasterCanvas canvas(kWidth, kHeight, face);
        layOut(canvas, data);
        ok = canvas.save(path, error);
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return ok;
}

#endif

} // namespace

bool canWritePng() {
    return KESTRUNE_RENDER_HAVE_PNG != 0;
}

bool writePlot(const std::string& path, const PlotData& data, std::string& error) {
    if (!data.input || !data.output || !data.blocks) {
        error = "nothing to plot";
        return false;
    }
    if (hasExtension(path, ".svg")) {
        SvgCanvas canvas(kWidth, kHeight);
        layOut(canvas, data);
        return writeText(path, canvas.finish(), error);
    }
    if (hasExtension(path, ".png")) {
#if KESTRUNE_RENDER_HAVE_PNG
        return writePng(path, data, error);
#else
        error = "this build of kestrune-render writes SVG plots only; use a .svg name for '" +
                path + "'";
        return false;
#endif
    }
    error = "plot file '" + path + "' must end in .svg or .png";
    return false;
}

} // namespace kestrune::render
