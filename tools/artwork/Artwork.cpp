#include "tools/artwork/Artwork.h"

#include "tools/artwork/BmpFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace kestrune::artwork {

namespace {

constexpr double kPi = 3.14159265358979323846;

// The panel's palette of greys; the panel grey is the fill the readouts use too.
constexpr Rgb kPanel = grey(102);
constexpr Rgb kGroove = grey(70);     // the dark line of an engraved rule or frame
constexpr Rgb kHighlight = grey(134); // its light edge, one pixel below or right
constexpr Rgb kButtonBorder = grey(51);
constexpr Rgb kLabel = grey(255);
constexpr Rgb kScale = grey(214);
constexpr Rgb kCredit = grey(178);

// Panel layout, in the editor's coordinates; the control rectangles are where the editor puts
// its controls, so nothing is drawn under them that they would not cover exactly.
constexpr int kPanelWidth = 340;
constexpr int kPanelHeight = 190;
constexpr int kMargin = 8;
constexpr int kMeterLeft = 148, kMeterTop = 30, kMeterRight = 308, kMeterBottom = 35;
constexpr int kKnobTop = 70;
constexpr int knobLeft(int i) {
    return 30 + 50 * i;
}
constexpr int kButtonTop = 148, kButtonHeight = 10, kButtonWidth = 30;
constexpr std::array<int, 2> kButtonLeft = {16, 61};
constexpr int kFaderLeft = 158, kFaderRight = 288;
constexpr std::array<int, 2> kFaderTop = {145, 160};
constexpr int kFaderHeight = 10;

const TextStyle kLabelStyle{Weight::regular, 11, kLabel, 0};
const TextStyle kSmallLabelStyle{Weight::regular, 10, kLabel, 0};
const TextStyle kHeadingStyle{Weight::bold, 11, kLabel, 0};
const TextStyle kScaleStyle{Weight::regular, 9, kScale, 0};
const TextStyle kTitleStyle{Weight::bold, 13, kLabel, 0};
const TextStyle kTitleTailStyle{Weight::regular, 13, grey(214), 0};
const TextStyle kCreditStyle{Weight::regular, 9, kCredit, 0};

// An engraved horizontal rule: a dark line with a light line under it.
void engravedRule(Canvas& canvas, int left, int right, int y) {
    canvas.horizontalLine(left, right, y, kGroove);
    canvas.horizontalLine(left, right, y + 1, kHighlight);
}

// A recess around a rectangle: dark above and left, light below and right, one pixel outside.
void recess(Canvas& canvas, int left, int top, int right, int bottom) {
    canvas.horizontalLine(left - 1, right + 1, top - 1, kGroove);
    canvas.verticalLine(left - 1, top - 1, bottom + 1, kGroove);
    canvas.horizontalLine(left, right + 1, bottom, kHighlight);
    canvas.verticalLine(right, top, bottom + 1, kHighlight);
}

void disc(Canvas& canvas, double cx, double cy, double radius, Rgb color, int samples = 8) {
    canvas.paintShape(
        int(std::floor(cx - radius)), int(std::floor(cy - radius)), int(std::ceil(cx + radius)) + 1,
        int(std::ceil(cy + radius)) + 1,
        [=](double x, double y) {
            return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
        },
        [=](double, double) { return color; }, samples);
}

// Angle in degrees clockwise from straight up of step k of a sweep divided into `steps`.
double sweepDegrees(int k, int steps) {
    return kFirstDegrees + kSweepDegrees * double(k) / double(steps);
}

void emptyButtonFrame(Canvas& canvas, int left) {
    int right = left + kButtonWidth, bottom = kButtonTop + kButtonHeight;
    canvas.fillRect(left, kButtonTop, right, bottom, kPanel);
    canvas.frameRect(left, kButtonTop, right, bottom, kButtonBorder);
    recess(canvas, left, kButtonTop, right, bottom);
}

} // namespace

Canvas drawPanel(const Typeface& type, Channels channels) {
    Canvas panel(kPanelWidth, kPanelHeight, kPanel);

    // Edge of the panel: a light line above and left, a dark one below and right.
    panel.horizontalLine(0, kPanelWidth, 0, grey(128));
    panel.verticalLine(0, 0, kPanelHeight, grey(128));
    panel.horizontalLine(0, kPanelWidth, kPanelHeight - 1, grey(62));
    panel.verticalLine(kPanelWidth - 1, 0, kPanelHeight, grey(62));

    // Title line and the rule under it.
    const char* head = "Kestrune Expander";
    const char* tail = channels == Channels::stereo ? " \u00B7 stereo" : " \u00B7 mono";
    const int titleBaseline = 15;
    type.draw(panel, head, kMargin + 2, titleBaseline, Align::left, kTitleStyle);
    type.draw(panel, tail, kMargin + 2 + type.width(head, kTitleStyle), titleBaseline, Align::left,
              kTitleTailStyle);
    engravedRule(panel, kMargin, kPanelWidth - kMargin, 21);

    // Gain reduction meter: label, recess, scale marks at 0, 1/4, 1/2 and 1 of its width.
    type.draw(panel, "Reduction", kMeterLeft - 8, kMeterBottom + 1, Align::right, kLabelStyle);
    recess(panel, kMeterLeft, kMeterTop, kMeterRight, kMeterBottom);
    const int meterWidth = kMeterRight - kMeterLeft;
    const std::array<int, 4> markX = {kMeterLeft, kMeterLeft + meterWidth / 4,
                                      kMeterLeft + meterWidth / 2, kMeterRight - 1};
    const std::array<const char*, 4> markText = {"-oodB", "-6dB", "0dB", "+6dB"};
    for (size_t i = 0; i < markX.size(); ++i) {
        panel.verticalLine(markX[i], kMeterBottom + 2, kMeterBottom + 5, kScale);
        Align align = i == 0 ? Align::left : i + 1 == markX.size() ? Align::right : Align::centre;
        int x = i == 0 ? markX[i] : i + 1 == markX.size() ? markX[i] + 1 : markX[i] + 1;
        type.draw(panel, markText[i], x, kMeterBottom + 14, align, kScaleStyle);
    }

    // Knob labels, centred under each knob.
    const std::array<const char*, 6> firstLine = {"Threshold", "Attack", "Hold",
                                                  "Release",   "Expand", "Range"};
    for (int i = 0; i < 6; ++i) {
        int centre = knobLeft(i) + kKnobSize / 2;
        type.draw(panel, firstLine[size_t(i)], centre, 111, Align::centre, kLabelStyle);
        if (i == 4)
            type.draw(panel, "Ratio", centre, 122, Align::centre, kLabelStyle);
    }

    // Lower section: the switches on the left, the key filter on the right.
    engravedRule(panel, kMargin, kPanelWidth - kMargin, 129);
    const std::array<const char*, 2> buttonText = {"KeyListen", "Ducker"};
    for (size_t i = 0; i < 2; ++i) {
        type.draw(panel, buttonText[i], kButtonLeft[i] + kButtonWidth / 2, kButtonTop - 4,
                  Align::centre, kSmallLabelStyle);
        emptyButtonFrame(panel, kButtonLeft[i]);
    }

    // The heading starts where the longer fader label starts and runs out in a rule.
    const std::array<const char*, 2> faderText = {"LPF Cutoff", "HPF Cutoff"};
    const int labelRight = kFaderLeft - 6;
    const int groupLeft = labelRight - std::max(type.width(faderText[0], kSmallLabelStyle),
                                                type.width(faderText[1], kSmallLabelStyle));
    const char* heading = "KeyFilter Setting";
    type.draw(panel, heading, groupLeft, 141, Align::left, kHeadingStyle);
    engravedRule(panel, groupLeft + type.width(heading, kHeadingStyle) + 6, kPanelWidth - kMargin,
                 137);
    for (size_t i = 0; i < 2; ++i) {
        type.draw(panel, faderText[i], labelRight, kFaderTop[i] + 9, Align::right,
                  kSmallLabelStyle);
        recess(panel, kFaderLeft, kFaderTop[i], kFaderRight, kFaderTop[i] + kFaderHeight);
    }

    // Maker's credit at the bottom right, under its own rule.
    const char* credit = "Kestrune by Morvettle";
    int creditWidth = type.width(credit, kCreditStyle);
    engravedRule(panel, kPanelWidth - kMargin - creditWidth - 24, kPanelWidth - kMargin, 175);
    type.draw(panel, credit, kPanelWidth - kMargin, 186, Align::right, kCreditStyle);
    return panel;
}

Canvas drawFaderTrack() {
    Canvas track(130, 10, kPanel);
    track.horizontalLine(0, 130, 5, grey(0));
    return track;
}

Canvas drawFaderHandle() {
    // Dark grey cap with a bevelled edge and vertical grip ridges either side of a light centre
    // mark. No pixel is pure white: the handle is drawn with white as its see-through colour.
    Canvas handle(20, 10, grey(58));
    for (int x = 2; x < 18; ++x)
        handle.verticalLine(x, 2, 8, x % 2 == 0 ? grey(40) : grey(74));
    handle.verticalLine(9, 1, 9, grey(214));
    handle.verticalLine(10, 1, 9, grey(170));
    handle.horizontalLine(0, 20, 0, grey(96));
    handle.verticalLine(0, 0, 10, grey(96));
    handle.horizontalLine(1, 20, 9, grey(24));
    handle.verticalLine(19, 1, 10, grey(24));
    return handle;
}

Canvas drawKnobStrip() {
    // Each picture: a fine scale of eleven dots over the sweep (brighter at the ends and the
    // middle), a soft shadow, the black body with a bevelled rim, and the white dot.
    Canvas strip(kKnobSize, kKnobSize * kKnobPictures, kPanel);
    const double c = kKnobSize / 2.0;
    const double body = 11.6;
    for (int k = 0; k < kKnobPictures; ++k) {
        Canvas knob(kKnobSize, kKnobSize, kPanel);
        constexpr int kScaleSteps = 10;
        for (int mark = 0; mark <= kScaleSteps; ++mark) {
            double angle = sweepDegrees(mark, kScaleSteps) * kPi / 180.0;
            bool major = mark == 0 || mark == kScaleSteps || mark == kScaleSteps / 2;
            disc(knob, c + 13.8 * std::sin(angle), c - 13.8 * std::cos(angle), major ? 1.0 : 0.72,
                 major ? grey(232) : grey(178), 16);
        }
        knob.paintShape(
            0, 0, kKnobSize, kKnobSize,
            [=](double x, double y) {
                double dy = y - c - 0.7;
                return (x - c) * (x - c) + dy * dy <= 12.1 * 12.1;
            },
            [](double, double) { return grey(64); }, 8);
        knob.paintShape(
            0, 0, kKnobSize, kKnobSize,
            [=](double x, double y) {
                return (x - c) * (x - c) + (y - c) * (y - c) <= body * body;
            },
            [=](double x, double y) {
                double dx = x - c, dy = y - c;
                double up = -dy / body; // 1 at the top, -1 at the bottom
                if (dx * dx + dy * dy > (body - 1.1) * (body - 1.1))
                    return grey(int(std::lround(34.0 + 24.0 * up)));
                return grey(int(std::lround(15.0 + 6.0 * up)));
            },
            8);
        double angle = sweepDegrees(k, kKnobPictures - 1) * kPi / 180.0;
        disc(knob, c + kDotDistance * std::sin(angle), c - kDotDistance * std::cos(angle), 1.9,
             grey(255), 16);
        strip.paste(knob, 0, k * kKnobSize);
    }
    return strip;
}

Canvas drawMeter(bool lit) {
    // 16 segments of 10 pixels: a black separator, then nine pixels of the segment's colour.
    const Rgb red{153, 0, 0}, blue{0, 0, 153}, dark = grey(51);
    Canvas meter(160, 5, grey(0));
    for (int segment = 0; segment < 16; ++segment) {
        bool lowerHalf = segment < 8;
        Rgb color = lit ? (lowerHalf ? dark : blue) : (lowerHalf ? red : dark);
        meter.fillRect(segment * 10 + 1, 0, segment * 10 + 10, 5, color);
    }
    return meter;
}

Canvas drawButton(const Typeface& type) {
    const TextStyle letters{Weight::bold, 9, grey(255), 1};
    Canvas button(30, 20, kPanel);
    const std::array<const char*, 2> text = {"OFF", "ON"};
    for (int half = 0; half < 2; ++half) {
        int top = half * 10;
        button.frameRect(0, top, 30, top + 10, kButtonBorder);
        type.draw(button, text[size_t(half)], 15, top + 8, Align::centre, letters);
    }
    return button;
}

Canvas drawRouting(const Typeface& type) {
    // Signal flow: the input goes straight to the gain stage; a copy passes the key filter and
    // the detector, whose result sets the gain.
    const TextStyle small{Weight::regular, 9, kLabel, 0};
    const Rgb line = grey(224);
    Canvas picture(114, 40, kPanel);
    picture.frameRect(0, 0, 114, 40, kGroove);
    const int signalY = 11, keyY = 29, branchX = 18;
    const double ringRadius = 4.6;
    // Boxes sized to their names with four pixels either side.
    const int filterLeft = 25;
    const int filterRight = filterLeft + type.width("filter", small) + 9;
    const int detectLeft = filterRight + 6;
    const int detectRight = detectLeft + type.width("detect", small) + 9;
    const int gainX = (detectLeft + detectRight) / 2;

    type.draw(picture, "in", 4, signalY + 3, Align::left, small);
    picture.horizontalLine(14, gainX - 5, signalY, line);
    picture.verticalLine(branchX, signalY, keyY + 1, line);
    picture.horizontalLine(branchX, filterLeft, keyY, line);
    picture.frameRect(filterLeft, keyY - 7, filterRight, keyY + 8, line);
    type.draw(picture, "filter", (filterLeft + filterRight) / 2, keyY + 3, Align::centre, small);
    picture.horizontalLine(filterRight, detectLeft, keyY, line);
    picture.frameRect(detectLeft, keyY - 7, detectRight, keyY + 8, line);
    type.draw(picture, "detect", (detectLeft + detectRight) / 2, keyY + 3, Align::centre, small);
    // The detector's result rises into the gain stage; the arrow head points up.
    picture.verticalLine(gainX, signalY + 6, keyY - 7, line);
    for (int i = 0; i < 3; ++i)
        picture.horizontalLine(gainX - i, gainX + i + 1, signalY + 6 + i, line);
    // Gain stage: a ring with a cross, centred on the pixel (gainX, signalY).
    const double cx = gainX + 0.5, cy = signalY + 0.5;
    picture.paintShape(
        gainX - 6, signalY - 6, gainX + 7, signalY + 7,
        [=](double x, double y) {
            double d = std::hypot(x - cx, y - cy);
            return d <= ringRadius + 0.5 && d >= ringRadius - 0.5;
        },
        [=](double, double) { return line; }, 8);
    for (int i = -2; i <= 2; ++i) {
        picture.set(gainX + i, signalY + i, line);
        picture.set(gainX + i, signalY - i, line);
    }
    type.draw(picture, "out", 110, signalY + 3, Align::right, small);
    picture.horizontalLine(gainX + 6, 110 - type.width("out", small) - 3, signalY, line);
    return picture;
}

std::vector<ArtworkFile> renderArtwork(const Typeface& type, std::string& error) {
    if (!type.ready()) {
        error = type.error();
        return {};
    }
    struct Picture {
        int id;
        const char* name;
        Canvas canvas;
    };
    std::vector<Picture> pictures;
    pictures.push_back({128, "128-panel-stereo.bmp", drawPanel(type, Channels::stereo)});
    pictures.push_back({128, "128-panel-mono.bmp", drawPanel(type, Channels::mono)});
    pictures.push_back({129, "129-fader-track.bmp", drawFaderTrack()});
    pictures.push_back({130, "130-fader-handle.bmp", drawFaderHandle()});
    pictures.push_back({131, "131-knob-strip.bmp", drawKnobStrip()});
    pictures.push_back({132, "132-meter-unlit.bmp", drawMeter(false)});
    pictures.push_back({133, "133-meter-lit.bmp", drawMeter(true)});
    pictures.push_back({134, "134-button.bmp", drawButton(type)});
    pictures.push_back({135, "135-routing.bmp", drawRouting(type)});

    std::vector<ArtworkFile> files;
    for (const Picture& picture : pictures) {
        auto bytes = encodeBmp8(picture.canvas);
        if (!bytes) {
            error = std::string(picture.name) + ": more than 256 colours";
            return {};
        }
        files.push_back({picture.id, picture.name, std::move(*bytes)});
    }
    return files;
}

bool writeArtwork(const std::vector<ArtworkFile>& files, const std::string& folder,
                  std::string& error) {
    for (const ArtworkFile& file : files) {
        const std::string path = folder + "/" + file.name;
        std::FILE* out = std::fopen(path.c_str(), "wb");
        if (!out) {
            error = "cannot write " + path;
            return false;
        }
        size_t written = std::fwrite(file.bytes.data(), 1, file.bytes.size(), out);
        bool closed = std::fclose(out) == 0;
        if (written != file.bytes.size() || !closed) {
            error = "cannot write " + path;
            return false;
        }
    }
    return true;
}

} // namespace kestrune::artwork
