// What a test can do with the software window system besides the platform calls: drive the
// clock, the cursor, the buttons and the modifier keys, fill the message queue, read pixels back,
// write any window or bitmap to PNG, listen to the platform calls made, choose menu commands and
// drag data over a window.
#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrune::platform::soft {

// Everything back to a new machine: windows, queue, input, clock, call log, menu choice. Live
// drawing objects and contexts stay (they belong to whoever created them).
KESTRUNE_PLATFORM_API void resetWorld();

// ---- clock: milliseconds, advanced by the test and by sleepFor ----

KESTRUNE_PLATFORM_API void setTickCount(uint32_t milliseconds);
KESTRUNE_PLATFORM_API void advanceClock(uint32_t milliseconds);
KESTRUNE_PLATFORM_API void setDoubleClickTime(uint32_t milliseconds);
KESTRUNE_PLATFORM_API void setSystemMetric(int index, int value);

// ---- input ----

// Physical buttons and modifier keys held (bits of `held`).
constexpr uint32_t leftButton = 1;
constexpr uint32_t rightButton = 2;
constexpr uint32_t middleButton = 4;
constexpr uint32_t shiftKey = 8;
constexpr uint32_t controlKey = 16;
constexpr uint32_t altKey = 32;

// One state of the mouse and keyboard. When a state becomes current the clock moves on by
// `advance` and each button that went down or up posts its message (swapped as the system
// settings say) to the window under the cursor. A scripted state stays current for `polls`
// reads of the cursor position, then the next one takes over; the last one stays.
struct InputState {
    Point cursor{0, 0};
    uint32_t held = 0;
    uint32_t advance = 0;
    int polls = 1;
};

KESTRUNE_PLATFORM_API void setInput(const InputState& state);
KESTRUNE_PLATFORM_API InputState currentInput();
KESTRUNE_PLATFORM_API void scriptInput(const std::vector<InputState>& states);
KESTRUNE_PLATFORM_API size_t scriptStepsLeft();

// ---- windows and the queue ----

// A top-level window standing for a host's editor window (default procedure only).
KESTRUNE_PLATFORM_API Window createHostWindow(const Rect& screenArea, uint32_t style = 0);
// Dispatches every queued message and every pending paint; answers how many were handled.
KESTRUNE_PLATFORM_API int pumpMessages();
KESTRUNE_PLATFORM_API size_t queuedMessageCount();
KESTRUNE_PLATFORM_API Window windowAt(Point screenPoint);
KESTRUNE_PLATFORM_API std::vector<Window> childWindows(Window window);
KESTRUNE_PLATFORM_API Window keyboardFocus();
KESTRUNE_PLATFORM_API int currentCursorId(); // 0 when none was set
// Typing into the window with the keyboard focus (character and key-down messages).
KESTRUNE_PLATFORM_API void typeText(const char* text);
KESTRUNE_PLATFORM_API void pressKey(int virtualKey);

// ---- pixels ----

// Colour of a window's (client) pixel or a bitmap's pixel; invalidColor outside.
KESTRUNE_PLATFORM_API ColorValue windowPixel(Window window, int x, int y);
KESTRUNE_PLATFORM_API ColorValue bitmapPixel(DrawObject bitmap, int x, int y);
// Writes a window (with its child windows drawn over it) or a bitmap as a PNG file.
KESTRUNE_PLATFORM_API bool writeWindowPng(Window window, const std::string& path);
KESTRUNE_PLATFORM_API bool writeBitmapPng(DrawObject bitmap, const std::string& path);

// ---- objects ----

KESTRUNE_PLATFORM_API size_t liveObjectCount();  // pens, brushes, fonts, bitmaps, regions
KESTRUNE_PLATFORM_API size_t liveContextCount(); // device contexts
KESTRUNE_PLATFORM_API bool describePen(DrawObject pen, PenDescription& out);
KESTRUNE_PLATFORM_API bool describeBrush(DrawObject brush, BrushDescription& out);
KESTRUNE_PLATFORM_API bool describeFont(DrawObject font, FontDescription& out);
KESTRUNE_PLATFORM_API int mixMode(DeviceContext dc);
KESTRUNE_PLATFORM_API int backgroundMode(DeviceContext dc);
KESTRUNE_PLATFORM_API bool clipArea(DeviceContext dc, Rect& out); // false: no clip region

// ---- call log: the names of the platform calls made while listening ----

KESTRUNE_PLATFORM_API void startCallLog();
KESTRUNE_PLATFORM_API std::vector<std::string> stopCallLog();

// ---- image library and platform version ----

KESTRUNE_PLATFORM_API void setImageLibraryAvailable(bool available);
KESTRUNE_PLATFORM_API void setPlatformId(uint32_t platformId);
KESTRUNE_PLATFORM_API int imageLibraryReferences();
KESTRUNE_PLATFORM_API int oleInitializations();

// ---- popup menus ----

struct MenuItemSnapshot {
    uint32_t flags = 0;
    uintptr_t id = 0;
    std::string text;
    std::vector<MenuItemSnapshot> submenu;
};

struct MenuSnapshot {
    Point at{0, 0};
    uint32_t flags = 0;
    std::vector<MenuItemSnapshot> items;
};

// The command the next tracked popup menu answers (posted to its owner as a command message);
// -1 dismisses the menu.
KESTRUNE_PLATFORM_API void chooseNextMenuCommand(int command);
// The last menu tracked; false when none was.
KESTRUNE_PLATFORM_API bool lastTrackedMenu(MenuSnapshot& out);

// ---- drag and drop ----

// Data a test drags: text (with the size of its memory block, at least the text and its zero)
// or a list of file names, some of which may be unreadable.
struct DragData {
    bool hasText = false;
    std::string text;
    size_t textBlockSize = 0;
    bool hasFiles = false;
    std::vector<std::string> files;
    std::vector<uint32_t> unreadable;
};

KESTRUNE_PLATFORM_API DataObject createDragData(const DragData& data);
KESTRUNE_PLATFORM_API void deleteDragData(DataObject data);
KESTRUNE_PLATFORM_API DropTargetInterface* registeredDropTarget(Window window);
KESTRUNE_PLATFORM_API size_t liveMemoryBlocks();

} // namespace kestrune::platform::soft
