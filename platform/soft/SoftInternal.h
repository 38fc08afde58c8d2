// State of the software window system, shared by the files of platform/soft/ only.
#pragma once

#include "platform/Platform.h"
#include "platform/soft/SoftPlatform.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace kestrune::platform {

// Pixels of a bitmap or a window: colour surfaces hold red + 256 green + 65536 blue per pixel,
// one-bit surfaces hold 0 (black) or 1 (white).
struct Surface {
    int width = 0;
    int height = 0;
    bool mono = false;
    std::vector<uint32_t> pixels;

    void resize(int newWidth, int newHeight, uint32_t fill);
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    uint32_t& at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

enum class ObjectKind { pen, brush, font, bitmap, region };

struct DrawObjectRecord {
    ObjectKind kind = ObjectKind::pen;
    bool stock = false;
    int selectCount = 0;                         // pens, brushes, fonts: selecting contexts
    DeviceContextRecord* selectedInto = nullptr; // bitmaps: the one memory context holding it
    PenDescription pen{};
    BrushDescription brush{};
    bool nullBrush = false;
    FontDescription font{};
    Surface surface;
    Rect region{};
};

enum class ContextKind { memory, window, paint, screen };

struct DeviceContextRecord {
    ContextKind kind = ContextKind::memory;
    Window window = nullptr;
    DrawObject pen = nullptr;
    DrawObject brush = nullptr;
    DrawObject font = nullptr;
    DrawObject bitmap = nullptr; // memory contexts
    ColorValue text = 0;
    ColorValue background = 0xFFFFFF;
    int backgroundMode = backgroundOpaque;
    int mix = mixCopyPen;
    Point position{0, 0};
    bool hasClip = false;
    Rect clip{};
    bool hasSystemClip = false;
    Rect systemClip{};
    int dashPhase = 0;
};

struct WindowClassRecord {
    std::string name;
    uint32_t style = 0;
    WindowProcedure procedure = nullptr;
    Module module = nullptr;
    Cursor cursor = nullptr;
    DrawObject background = nullptr;
    bool system = false;
};

struct WindowRecord {
    WindowClassRecord* windowClass = nullptr;
    WindowProcedure procedure = nullptr;
    Window parent = nullptr;
    std::vector<Window> children;
    Rect rect{}; // in the parent's client coordinates (screen for top-level windows)
    uint32_t style = 0;
    uint32_t extendedStyle = 0;
    intptr_t userData = 0;
    Module module = nullptr;
    std::string text;
    Surface surface;
    bool hasUpdate = false;
    Rect update{};
    bool erasePending = false;
    bool destroying = false;
    DropTargetInterface* dropTarget = nullptr;
    // Edit boxes.
    DrawObject font = nullptr;
    size_t textLimit = 30000;
    int leftMargin = 0;
    int rightMargin = 0;
    int selectionStart = 0;
    int selectionEnd = 0;
};

struct CursorRecord {
    int id = 0;
};

struct MenuItemRecord {
    uint32_t flags = 0;
    uintptr_t id = 0;
    Menu submenu = nullptr;
    std::string text;
};

struct MenuRecord {
    std::vector<MenuItemRecord> items;
};

struct ModuleRecord {
    int references = 0;
};

struct DataObjectRecord {
    bool hasText = false;
    std::string text;
    size_t textBlockSize = 0;
    bool hasFiles = false;
    std::vector<std::string> files;
    std::vector<uint32_t> unreadable; // indices whose name cannot be read
};

// A block of movable memory handed out with dropped data.
struct MemoryRecord {
    std::vector<unsigned char> bytes;
    int locks = 0;
    bool isFileList = false;
    std::vector<std::string> files;
    std::vector<uint32_t> unreadable;
};

struct World {
    std::unordered_set<DrawObjectRecord*> objects;
    std::unordered_set<DeviceContextRecord*> contexts;
    std::unordered_set<WindowRecord*> windows;
    std::unordered_set<MenuRecord*> menus;
    std::unordered_set<MemoryRecord*> memory;
    std::vector<Window> topLevel; // creation order: later ones are on top
    std::vector<std::unique_ptr<WindowClassRecord>> classes;
    std::map<int, std::unique_ptr<DrawObjectRecord>> stock;
    std::unique_ptr<DrawObjectRecord> defaultBitmap;
    std::map<int, std::unique_ptr<CursorRecord>> cursors;
    std::map<int, std::unique_ptr<DrawObjectRecord>> systemBrushes;

    std::deque<Message> queue;
    uint32_t clock = 0;
    uint32_t currentMessageTime = 0;
    uint32_t doubleClickMilliseconds = 500;
    std::map<int, int> metrics;
    soft::InputState input{};
    std::deque<soft::InputState> script;
    int pollsLeft = 1;
    Cursor cursor = nullptr;
    Window focus = nullptr;

    bool imageLibraryAvailable = true;
    uint32_t platformId = 2;
    ModuleRecord imageLibrary;
    int oleInitializations = 0;

    bool logging = false;
    std::vector<std::string> log;

    int nextMenuChoice = -1;
    soft::MenuSnapshot lastMenu;
    bool menuTracked = false;
};

World& world();

// Records one platform call while the test listens.
inline void trace(const char* name) {
    World& w = world();
    if (w.logging)
        w.log.emplace_back(name);
}

bool isObject(DrawObject object);
bool isContext(DeviceContext dc);
bool isWindow(Window window);

Surface* surfaceOf(DeviceContext dc);
// The area of the context's surface that drawing may touch (surface, paint and clip regions).
Rect drawableArea(DeviceContext dc);
DeviceContext newContext(ContextKind kind, Window window);
void dropContext(DeviceContext dc);
DrawObject newObject(ObjectKind kind);
Point screenOrigin(Window window);

// Fonts (SoftText.cpp).
void shutdownFonts();

// Bitmap files (SoftBitmaps.cpp).
bool decodeBmp(const unsigned char* bytes, size_t size, Surface& out);

// The colour a one-bit pixel would get: nearer to white or to black.
inline uint32_t monoOf(ColorValue color) {
    unsigned sum = (color & 0xFF) + ((color >> 8) & 0xFF) + ((color >> 16) & 0xFF);
    return sum >= 384 ? 1u : 0u;
}

} // namespace kestrune::platform
