// Pictures of a plug-in's editor on the software window system: load the plug-in like a host,
// open its editor in a host window, apply a program, parameter values, a processed signal or
// scripted mouse gestures, let the editor idle, and write the window to PNG.
#pragma once

#include <cstdint>
#include <string>

struct AEffect;
#include <utility>
#include <vector>

namespace kestrune::snapshot {

struct Gesture {
    // Points in the editor's coordinates. A click presses and releases at `from`; a drag presses
    // at `from`, moves to `to` in `steps` moves and releases there.
    int fromX = 0;
    int fromY = 0;
    int toX = 0;
    int toY = 0;
    int steps = 1;
    bool shift = false;
    // Take the picture while the button is still held at `to` (during the control's tracking
    // loop, at its next idle call to the host), then release.
    bool pictureWhileHeld = false;
};

struct Request {
    std::string pluginPath;
    std::string outputPng; // empty: no file
    int program = -1;      // -1: keep the plug-in's current program
    std::vector<std::pair<int, float>> params;
    // Seconds of a steady test tone processed before the picture (0: none) and its level.
    double toneSeconds = 0.0;
    float toneAmplitude = 0.0f;
    std::vector<Gesture> gestures;
    int idleTicks = 30; // editor idle calls before the picture
};

struct Result {
    bool ok = false;
    std::string error;
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // 0x00BBGGRR per pixel, rows top to bottom
    std::vector<float> paramValues;
    std::vector<int32_t> hostOpcodes; // what the plug-in asked of the host while editing
};

// Where a snapshot's (and a test's) host window stands on the software screen.
inline constexpr int kScreenX = 40;
inline constexpr int kScreenY = 30;

// Plays a gesture with scripted input into the editor of the host window at (kScreenX,
// kScreenY): the press reaches the window under the cursor, the control's tracking loop reads
// the moves, and (unless the picture is taken while held) the release ends it.
void playGesture(const Gesture& gesture);
// Editor idle calls as a host makes them, the clock moving on and the messages handled between.
void idleEditor(AEffect* effect, int ticks);

// Pictures as PNG files (pixels 0x00BBGGRR, rows top to bottom).
bool readPng(const std::string& path, int& width, int& height, std::vector<uint32_t>& pixels);
bool writePng(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels);

// Runs the request; the result carries the editor's pixels whatever outputPng says.
Result take(const Request& request);

} // namespace kestrune::snapshot
