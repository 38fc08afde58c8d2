// Software backend: windows, the message queue, input, clock, menus, libraries, OLE and drops.
//
// Implements: window classes (by name and module, global classes found from any module, a class
// with windows left cannot be unregistered); top-level and child windows with their own pixels,
// user data, text, procedures that can be replaced; a built-in "EDIT" class (text, font, margins,
// selection, text limit, typing, painting with the colours its parent answers to the colour
// request); update regions (one rectangle), paint brackets that erase with the class background;
// one queue of posted and input messages with paint requests generated when nothing else waits;
// a clock in milliseconds moved only by the test and by sleeping; cursor position, physical
// buttons and modifier keys set directly or by a script consumed by cursor reads, with the
// button messages the system would post (swapped when the metric says so); the keyboard focus
// with its loss message; cursors by identifier; popup menus answered by a command the test
// chooses; the image library "msimg32.dll" with its AlphaBlend and TransparentBlt entries; OLE
// initialisation counts; drop-target registration; dragged text and file lists in movable
// memory. File names are delivered as dropped: shortcuts are not resolved.
// Not yet: non-client areas (a window's rectangle is its client area), window z-order changes,
// timers, keyboard layouts, clipboard, menu bars.
#include "platform/soft/SoftInternal.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <strings.h>

namespace kestrune::platform {

namespace soft_entries {
int KESTRUNE_PLATFORM_CALL alphaBlend(DeviceContext, int, int, int, int, DeviceContext, int, int,
                                      int, int, BlendDescription);
int KESTRUNE_PLATFORM_CALL transparentBlt(DeviceContext, int, int, int, int, DeviceContext, int,
                                          int, int, int, uint32_t);
} // namespace soft_entries

namespace {

constexpr uint32_t messageSetFocus = 0x0007;

bool sameName(const std::string& a, const char* b) {
    return b && strcasecmp(a.c_str(), b) == 0;
}

bool validMenu(Menu menu) {
    return menu && world().menus.count(menu) != 0;
}

bool validMemory(MemoryHandle memory) {
    return memory && world().memory.count(static_cast<MemoryRecord*>(memory)) != 0;
}

intptr_t packPoint(int x, int y) {
    return intptr_t((uint32_t(uint16_t(int16_t(x))) | (uint32_t(uint16_t(int16_t(y))) << 16)));
}

Window deepestAt(Window window, Point p, Point origin) {
    for (auto it = window->children.rbegin(); it != window->children.rend(); ++it) {
        Window child = *it;
        if (!(child->style & styleVisible))
            continue;
        Point childOrigin{origin.x + child->rect.left, origin.y + child->rect.top};
        if (p.x >= childOrigin.x && p.y >= childOrigin.y &&
            p.x < childOrigin.x + child->surface.width &&
            p.y < childOrigin.y + child->surface.height)
            return deepestAt(child, p, childOrigin);
    }
    return window;
}

void invalidateAll(Window window) {
    window->hasUpdate = window->surface.width > 0 && window->surface.height > 0;
    window->update = {0, 0, window->surface.width, window->surface.height};
    window->erasePending = true;
}

// ---- input ----

uint32_t logicalButtons(uint32_t held) {
    bool swapped = systemMetric(metricSwapButton) > 0;
    uint32_t logical =
        held & (soft::middleButton | soft::shiftKey | soft::controlKey | soft::altKey);
    if (held & soft::leftButton)
        logical |= swapped ? soft::rightButton : soft::leftButton;
    if (held & soft::rightButton)
        logical |= swapped ? soft::leftButton : soft::rightButton;
    return logical;
}

uintptr_t buttonFlags(uint32_t logical) {
    uintptr_t flags = 0;
    if (logical & soft::leftButton)
        flags |= 0x0001;
    if (logical & soft::rightButton)
        flags |= 0x0002;
    if (logical & soft::shiftKey)
        flags |= 0x0004;
    if (logical & soft::controlKey)
        flags |= 0x0008;
    if (logical & soft::middleButton)
        flags |= 0x0010;
    return flags;
}

void applyInput(const soft::InputState& state) {
    World& w = world();
    uint32_t before = logicalButtons(w.input.held);
    w.input = state;
    w.clock += state.advance;
    uint32_t after = logicalButtons(state.held);
    if (before == after)
        return;
    Window target = soft::windowAt(state.cursor);
    if (!target)
        return;
    Point origin = screenOrigin(target);
    intptr_t where = packPoint(state.cursor.x - origin.x, state.cursor.y - origin.y);
    struct Button {
        uint32_t bit;
        uint32_t down;
        uint32_t up;
    };
    const Button buttons[] = {{soft::leftButton, messageLeftButtonDown, messageLeftButtonUp},
                              {soft::rightButton, messageRightButtonDown, messageRightButtonUp},
                              {soft::middleButton, messageMiddleButtonDown, messageMiddleButtonUp}};
    for (const Button& b : buttons) {
        bool wasDown = before & b.bit;
        bool isDown = after & b.bit;
        if (wasDown != isDown)
            w.queue.push_back(
                {target, isDown ? b.down : b.up, buttonFlags(after), where, w.clock, state.cursor});
    }
}

// ---- the built-in edit box ----

intptr_t KESTRUNE_PLATFORM_CALL editProcedure(Window window, uint32_t message, uintptr_t wParam,
                                              intptr_t lParam) {
    if (!isWindow(window))
        return 0;
    switch (message) {
    case messageSetFont:
        window->font = reinterpret_cast<DrawObject>(wParam);
        return 0;
    case editSetMargins:
        if (wParam & editLeftMargin)
            window->leftMargin = int16_t(uint16_t(lParam & 0xFFFF));
        if (wParam & editRightMargin)
            window->rightMargin = int16_t(uint16_t((lParam >> 16) & 0xFFFF));
        return 0;
    case editSetSelection: {
        int length = int(window->text.size());
        int start = int(intptr_t(wParam));
        int end = int(lParam);
        window->selectionStart = start < 0 ? length : std::min(start, length);
        window->selectionEnd = (end < 0 || end > length) ? length : end;
        return 0;
    }
    case editLimitText:
        window->textLimit = wParam ? size_t(wParam) : size_t(0x7FFFFFFE);
        if (window->text.size() > window->textLimit)
            window->text.resize(window->textLimit);
        return 0;
    case messageChar: {
        char c = char(wParam & 0xFF);
        int from = std::min(window->selectionStart, window->selectionEnd);
        int to = std::max(window->selectionStart, window->selectionEnd);
        from = std::clamp(from, 0, int(window->text.size()));
        to = std::clamp(to, 0, int(window->text.size()));
        if (c == '\b') {
            if (from == to && from > 0)
                --from;
            window->text.erase(size_t(from), size_t(to - from));
            window->selectionStart = window->selectionEnd = from;
        } else if (static_cast<unsigned char>(c) >= 32) {
            window->text.erase(size_t(from), size_t(to - from));
            if (window->text.size() < window->textLimit) {
                window->text.insert(window->text.begin() + from, c);
                ++from;
            }
            window->selectionStart = window->selectionEnd = from;
        }
        invalidateAll(window);
        return 0;
    }
    case messageGetDialogCode:
        return 0x0081; // wants arrows and characters
    case messagePaint: {
        PaintRecord paint{};
        DeviceContext dc = beginPaint(window, paint);
        if (!dc)
            return 0;
        DrawObject brush = reinterpret_cast<DrawObject>(
            sendMessage(window->parent, messageControlColorEdit, reinterpret_cast<uintptr_t>(dc),
                        reinterpret_cast<intptr_t>(window)));
        if (!isObject(brush) || brush->kind != ObjectKind::brush)
            brush = systemColorBrush(5);
        Rect all{0, 0, window->surface.width, window->surface.height};
        fillRect(dc, all, brush);
        DrawObject previousFont = nullptr;
        if (isObject(window->font))
            previousFont = selectObject(dc, window->font);
        Rect textArea{window->leftMargin, 0, window->surface.width - window->rightMargin,
                      window->surface.height};
        int previousMode = setBackgroundMode(dc, backgroundTransparent);
        uint32_t align = (window->style & 3u) == 1   ? textCenter
                         : (window->style & 3u) == 2 ? textRight
                                                     : textLeft;
        drawText(dc, window->text.c_str(), -1, textArea,
                 align | textVerticalCenter | textSingleLine | textNoPrefix);
        setBackgroundMode(dc, previousMode);
        if (previousFont)
            selectObject(dc, previousFont);
        endPaint(window, paint);
        return 0;
    }
    default:
        return defaultWindowProcedure(window, message, wParam, lParam);
    }
}

WindowClassRecord* systemClass(const char* name, WindowProcedure procedure) {
    World& w = world();
    for (auto& c : w.classes)
        if (c->system && sameName(c->name, name))
            return c.get();
    auto record = std::make_unique<WindowClassRecord>();
    record->name = name;
    record->style = classGlobal;
    record->procedure = procedure;
    record->system = true;
    record->background = systemColorBrush(5);
    WindowClassRecord* result = record.get();
    w.classes.push_back(std::move(record));
    return result;
}

WindowClassRecord* findClass(const char* name, Module module) {
    if (!name)
        return nullptr;
    World& w = world();
    WindowClassRecord* global = nullptr;
    for (auto& c : w.classes) {
        if (!sameName(c->name, name))
            continue;
        if (c->module == module && !c->system)
            return c.get();
        if (c->style & classGlobal)
            global = c.get();
    }
    if (global)
        return global;
    if (strcasecmp(name, "EDIT") == 0)
        return systemClass("EDIT", editProcedure);
    if (strcasecmp(name, "SoftHost") == 0)
        return systemClass("SoftHost", defaultWindowProcedure);
    return nullptr;
}

void snapshotMenu(Menu menu, std::vector<soft::MenuItemSnapshot>& out, int depth) {
    if (!validMenu(menu) || depth > 16)
        return;
    for (const MenuItemRecord& item : menu->items) {
        soft::MenuItemSnapshot snapshot;
        snapshot.flags = item.flags;
        snapshot.id = item.id;
        snapshot.text = item.text;
        if (item.submenu)
            snapshotMenu(item.submenu, snapshot.submenu, depth + 1);
        out.push_back(std::move(snapshot));
    }
}

} // namespace

bool isWindow(Window window) {
    return window && world().windows.count(window) != 0;
}

Point screenOrigin(Window window) {
    Point origin{0, 0};
    for (Window w = window; isWindow(w); w = w->parent) {
        origin.x += w->rect.left;
        origin.y += w->rect.top;
    }
    return origin;
}

// ---- device contexts of windows ----

DeviceContext acquireWindowDC(Window window) {
    trace("acquireWindowDC");
    if (!window)
        return newContext(ContextKind::screen, nullptr);
    if (!isWindow(window))
        return nullptr;
    return newContext(ContextKind::window, window);
}

int releaseWindowDC(Window, DeviceContext dc) {
    trace("releaseWindowDC");
    if (!isContext(dc) || (dc->kind != ContextKind::window && dc->kind != ContextKind::screen))
        return 0;
    dropContext(dc);
    return 1;
}

// ---- libraries ----

Module loadLibrary(const char* name) {
    trace("loadLibrary");
    World& w = world();
    if (!name || strcasecmp(name, "msimg32.dll") != 0 || !w.imageLibraryAvailable)
        return nullptr;
    w.imageLibrary.references++;
    return &w.imageLibrary;
}

void* findEntry(Module module, const char* name) {
    trace("findEntry");
    World& w = world();
    if (module != &w.imageLibrary || w.imageLibrary.references <= 0 || !name)
        return nullptr;
    if (std::strcmp(name, "AlphaBlend") == 0)
        return reinterpret_cast<void*>(&soft_entries::alphaBlend);
    if (std::strcmp(name, "TransparentBlt") == 0)
        return reinterpret_cast<void*>(&soft_entries::transparentBlt);
    return nullptr;
}

bool freeLibrary(Module module) {
    trace("freeLibrary");
    World& w = world();
    if (module != &w.imageLibrary || w.imageLibrary.references <= 0)
        return false;
    w.imageLibrary.references--;
    return true;
}

bool queryPlatformVersion(uint32_t& platformId) {
    trace("queryPlatformVersion");
    platformId = world().platformId;
    return true;
}

// ---- windows ----

bool registerWindowClass(const WindowClassDescription& description) {
    trace("registerWindowClass");
    if (!description.name || !*description.name || !description.procedure)
        return false;
    World& w = world();
    for (auto& c : w.classes)
        if (!c->system && sameName(c->name, description.name) &&
            (c->module == description.module || (c->style & classGlobal)))
            return false; // already registered
    auto record = std::make_unique<WindowClassRecord>();
    record->name = description.name;
    record->style = description.style;
    record->procedure = description.procedure;
    record->module = description.module;
    record->cursor = description.cursor;
    record->background = description.background;
    w.classes.push_back(std::move(record));
    return true;
}

bool unregisterWindowClass(const char* name, Module module) {
    trace("unregisterWindowClass");
    World& w = world();
    for (auto it = w.classes.begin(); it != w.classes.end(); ++it) {
        WindowClassRecord* c = it->get();
        if (c->system || !sameName(c->name, name) || c->module != module)
            continue;
        for (WindowRecord* window : w.windows)
            if (window->windowClass == c)
                return false; // windows of the class still exist
        w.classes.erase(it);
        return true;
    }
    return false;
}

Window createWindow(uint32_t extendedStyle, const char* className, const char* title,
                    uint32_t style, int x, int y, int width, int height, Window parent,
                    Module module) {
    trace("createWindow");
    World& w = world();
    WindowClassRecord* windowClass = findClass(className, module);
    if (!windowClass)
        return nullptr;
    if (parent && !isWindow(parent))
        return nullptr;
    if ((style & styleChild) && !parent)
        return nullptr;
    width = std::clamp(width, 0, 16384);
    height = std::clamp(height, 0, 16384);
    auto* window = new (std::nothrow) WindowRecord;
    if (!window)
        return nullptr;
    window->windowClass = windowClass;
    window->procedure = windowClass->procedure;
    window->parent = parent;
    window->rect = {x, y, x + width, y + height};
    window->style = style;
    window->extendedStyle = extendedStyle;
    window->module = module;
    window->text = title ? title : "";
    ColorValue fill = 0;
    if (isObject(windowClass->background))
        fill = windowClass->background->brush.color;
    window->surface.resize(width, height, fill);
    w.windows.insert(window);
    if (parent)
        parent->children.push_back(window);
    else
        w.topLevel.push_back(window);
    if (style & styleVisible)
        invalidateAll(window);
    return window;
}

bool destroyWindow(Window window) {
    trace("destroyWindow");
    World& w = world();
    if (!isWindow(window) || window->destroying)
        return false;
    window->destroying = true;
    if (w.focus == window) {
        w.focus = nullptr;
        if (window->procedure)
            window->procedure(window, messageKillFocus, 0, 0);
    }
    // The window hears of its end first, then its children.
    if (isWindow(window) && window->procedure)
        window->procedure(window, messageDestroy, 0, 0);
    std::vector<Window> children = window->children;
    for (Window child : children)
        destroyWindow(child);
    if (window->dropTarget) {
        window->dropTarget->Release();
        window->dropTarget = nullptr;
    }
    if (isWindow(window->parent)) {
        auto& siblings = window->parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
    }
    w.topLevel.erase(std::remove(w.topLevel.begin(), w.topLevel.end(), window), w.topLevel.end());
    w.queue.erase(std::remove_if(w.queue.begin(), w.queue.end(),
                                 [&](const Message& m) { return m.window == window; }),
                  w.queue.end());
    for (DeviceContextRecord* dc : w.contexts)
        if (dc->window == window)
            dc->window = nullptr; // contexts of a destroyed window draw nothing
    w.windows.erase(window);
    delete window;
    return true;
}

intptr_t setWindowUserData(Window window, intptr_t value) {
    trace("setWindowUserData");
    if (!isWindow(window))
        return 0;
    intptr_t previous = window->userData;
    window->userData = value;
    return previous;
}

intptr_t windowUserData(Window window) {
    trace("windowUserData");
    return isWindow(window) ? window->userData : 0;
}

WindowProcedure setWindowProcedure(Window window, WindowProcedure procedure) {
    trace("setWindowProcedure");
    if (!isWindow(window) || !procedure)
        return nullptr;
    WindowProcedure previous = window->procedure;
    window->procedure = procedure;
    return previous;
}

intptr_t callWindowProcedure(WindowProcedure procedure, Window window, uint32_t message,
                             uintptr_t wParam, intptr_t lParam) {
    trace("callWindowProcedure");
    return procedure ? procedure(window, message, wParam, lParam) : 0;
}

intptr_t defaultWindowProcedure(Window window, uint32_t message, uintptr_t wParam,
                                intptr_t lParam) {
    trace("defaultWindowProcedure");
    if (!isWindow(window))
        return 0;
    switch (message) {
    case messagePaint: {
        PaintRecord paint{};
        beginPaint(window, paint);
        endPaint(window, paint);
        return 0;
    }
    case messageSetText:
        window->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        return 1;
    case messageGetText: {
        if (!wParam || !lParam)
            return 0;
        size_t count = std::min(window->text.size(), size_t(wParam) - 1);
        std::memcpy(reinterpret_cast<char*>(lParam), window->text.data(), count);
        reinterpret_cast<char*>(lParam)[count] = 0;
        return intptr_t(count);
    }
    case messageGetTextLength:
        return intptr_t(window->text.size());
    case messageControlColorEdit:
        return reinterpret_cast<intptr_t>(systemColorBrush(5));
    default:
        return 0;
    }
}

intptr_t sendMessage(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    trace("sendMessage");
    if (!isWindow(window) || !window->procedure)
        return 0;
    return window->procedure(window, message, wParam, lParam);
}

bool postMessage(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    trace("postMessage");
    World& w = world();
    if (window && !isWindow(window))
        return false;
    w.queue.push_back({window, message, wParam, lParam, w.clock, w.input.cursor});
    return true;
}

bool windowRect(Window window, Rect& out) {
    trace("windowRect");
    if (!isWindow(window))
        return false;
    Point origin = screenOrigin(window);
    out = {origin.x, origin.y, origin.x + window->surface.width, origin.y + window->surface.height};
    return true;
}

Window parentWindow(Window window) {
    trace("parentWindow");
    return isWindow(window) ? window->parent : nullptr;
}

uint32_t windowStyle(Window window) {
    trace("windowStyle");
    return isWindow(window) ? window->style : 0;
}

int windowClassName(Window window, char* out, int capacity) {
    trace("windowClassName");
    if (!isWindow(window) || !out || capacity <= 0)
        return 0;
    const std::string& name = window->windowClass->name;
    int count = std::min(int(name.size()), capacity - 1);
    std::memcpy(out, name.data(), size_t(count));
    out[count] = 0;
    return count;
}

int windowText(Window window, char* out, int capacity) {
    trace("windowText");
    if (!isWindow(window) || !out || capacity <= 0)
        return 0;
    return int(
        sendMessage(window, messageGetText, uintptr_t(capacity), reinterpret_cast<intptr_t>(out)));
}

bool resizeWindow(Window window, int width, int height) {
    trace("resizeWindow");
    if (!isWindow(window))
        return false;
    width = std::clamp(width, 0, 16384);
    height = std::clamp(height, 0, 16384);
    ColorValue fill = 0;
    if (isObject(window->windowClass->background))
        fill = window->windowClass->background->brush.color;
    window->surface.resize(width, height, fill);
    window->rect.right = window->rect.left + width;
    window->rect.bottom = window->rect.top + height;
    if (window->style & styleVisible)
        invalidateAll(window);
    return true;
}

int mapWindowPoints(Window from, Window to, Point* points, int count) {
    trace("mapWindowPoints");
    if ((from && !isWindow(from)) || (to && !isWindow(to)) || !points)
        return 0;
    Point a = from ? screenOrigin(from) : Point{0, 0};
    Point b = to ? screenOrigin(to) : Point{0, 0};
    int dx = a.x - b.x;
    int dy = a.y - b.y;
    for (int i = 0; i < count; ++i) {
        points[i].x += dx;
        points[i].y += dy;
    }
    return int((uint32_t(uint16_t(int16_t(dx)))) | (uint32_t(uint16_t(int16_t(dy))) << 16));
}

Window setKeyboardFocus(Window window) {
    trace("setKeyboardFocus");
    World& w = world();
    if (window && !isWindow(window))
        return nullptr;
    Window previous = w.focus;
    if (previous == window)
        return previous;
    w.focus = window;
    if (isWindow(previous))
        sendMessage(previous, messageKillFocus, reinterpret_cast<uintptr_t>(window), 0);
    if (isWindow(window) && w.focus == window)
        sendMessage(window, messageSetFocus, reinterpret_cast<uintptr_t>(previous), 0);
    return previous;
}

// ---- painting ----

bool updateRect(Window window, Rect& out) {
    trace("updateRect");
    if (!isWindow(window) || !window->hasUpdate) {
        out = {0, 0, 0, 0};
        return false;
    }
    out = window->update;
    return true;
}

bool invalidateRect(Window window, const Rect* area) {
    trace("invalidateRect");
    if (!isWindow(window))
        return false;
    Rect all{0, 0, window->surface.width, window->surface.height};
    Rect r = area ? Rect{std::max(area->left, 0), std::max(area->top, 0),
                         std::min(area->right, all.right), std::min(area->bottom, all.bottom)}
                  : all;
    if (r.right <= r.left || r.bottom <= r.top)
        return true;
    if (window->hasUpdate)
        r = {std::min(r.left, window->update.left), std::min(r.top, window->update.top),
             std::max(r.right, window->update.right), std::max(r.bottom, window->update.bottom)};
    window->update = r;
    window->hasUpdate = true;
    window->erasePending = true;
    return true;
}

DeviceContext beginPaint(Window window, PaintRecord& paint) {
    trace("beginPaint");
    paint = {};
    if (!isWindow(window))
        return nullptr;
    DeviceContext dc = newContext(ContextKind::paint, window);
    if (!dc)
        return nullptr;
    dc->hasSystemClip = true;
    dc->systemClip = window->hasUpdate ? window->update : Rect{0, 0, 0, 0};
    paint.deviceContext = dc;
    paint.paintArea = dc->systemClip;
    if (window->hasUpdate && window->erasePending && isObject(window->windowClass->background))
        fillRect(dc, window->update, window->windowClass->background);
    paint.erase = false;
    window->hasUpdate = false;
    window->erasePending = false;
    return dc;
}

bool endPaint(Window, const PaintRecord& paint) {
    trace("endPaint");
    DeviceContext dc = paint.deviceContext;
    if (!isContext(dc) || dc->kind != ContextKind::paint)
        return false;
    dropContext(dc);
    return true;
}

// ---- message queue ----

bool peekMessage(Message& out, Window window, uint32_t firstMessage, uint32_t lastMessage,
                 uint32_t flags) {
    trace("peekMessage");
    World& w = world();
    auto wanted = [&](uint32_t message) {
        return (firstMessage == 0 && lastMessage == 0) ||
               (message >= firstMessage && message <= lastMessage);
    };
    for (auto it = w.queue.begin(); it != w.queue.end(); ++it) {
        if ((window && it->window != window) || !wanted(it->message))
            continue;
        out = *it;
        if (flags & peekRemove) {
            w.queue.erase(it);
            w.currentMessageTime = out.time;
        }
        return true;
    }
    // Paint requests come when nothing else waits; they stay until the window is painted.
    if (!wanted(messagePaint))
        return false;
    std::vector<Window> order;
    for (Window top : w.topLevel) {
        std::vector<Window> stack{top};
        while (!stack.empty()) {
            Window current = stack.back();
            stack.pop_back();
            order.push_back(current);
            for (auto child = current->children.rbegin(); child != current->children.rend();
                 ++child)
                stack.push_back(*child);
        }
    }
    for (Window candidate : order) {
        if (!candidate->hasUpdate || (window && candidate != window))
            continue;
        out = {candidate, messagePaint, 0, 0, w.clock, w.input.cursor};
        return true;
    }
    return false;
}

intptr_t dispatchMessage(const Message& message) {
    trace("dispatchMessage");
    World& w = world();
    if (!isWindow(message.window) || !message.window->procedure)
        return 0;
    w.currentMessageTime = message.time;
    return message.window->procedure(message.window, message.message, message.wParam,
                                     message.lParam);
}

uint32_t messageTime() {
    trace("messageTime");
    return world().currentMessageTime;
}

// ---- popup menus ----

Menu createPopupMenu() {
    trace("createPopupMenu");
    auto* menu = new (std::nothrow) MenuRecord;
    if (menu)
        world().menus.insert(menu);
    return menu;
}

bool appendMenuItem(Menu menu, uint32_t flags, uintptr_t idOrSubmenu, const char* text) {
    trace("appendMenuItem");
    if (!validMenu(menu))
        return false;
    MenuItemRecord item;
    item.flags = flags;
    if (flags & menuPopup) {
        Menu submenu = reinterpret_cast<Menu>(idOrSubmenu);
        if (!validMenu(submenu) || submenu == menu)
            return false;
        item.submenu = submenu;
    } else {
        item.id = idOrSubmenu;
    }
    if (!(flags & menuSeparator) && text)
        item.text = text;
    menu->items.push_back(std::move(item));
    return true;
}

bool trackPopupMenu(Menu menu, uint32_t flags, int x, int y, Window owner) {
    trace("trackPopupMenu");
    World& w = world();
    if (!validMenu(menu) || !isWindow(owner))
        return false;
    w.lastMenu = {};
    w.lastMenu.at = {x, y};
    w.lastMenu.flags = flags;
    snapshotMenu(menu, w.lastMenu.items, 0);
    w.menuTracked = true;
    int choice = w.nextMenuChoice;
    w.nextMenuChoice = -1;
    if (choice >= 0)
        postMessage(owner, messageCommand, uintptr_t(choice), 0);
    return true;
}

bool destroyMenu(Menu menu) {
    trace("destroyMenu");
    if (!validMenu(menu))
        return false;
    world().menus.erase(menu);
    for (MenuItemRecord& item : menu->items)
        if (item.submenu)
            destroyMenu(item.submenu);
    delete menu;
    return true;
}

// ---- cursor, keys, metrics, clock ----

bool cursorPosition(Point& out) {
    trace("cursorPosition");
    World& w = world();
    out = w.input.cursor;
    // A scripted state lasts for its number of cursor reads.
    if (!w.script.empty() && --w.pollsLeft <= 0) {
        soft::InputState next = w.script.front();
        w.script.pop_front();
        w.pollsLeft = std::max(1, next.polls);
        applyInput(next);
    }
    return true;
}

Cursor currentCursor() {
    trace("currentCursor");
    return world().cursor;
}

Cursor setCursor(Cursor cursor) {
    trace("setCursor");
    World& w = world();
    Cursor previous = w.cursor;
    w.cursor = cursor;
    return previous;
}

Cursor systemCursor(int id) {
    trace("systemCursor");
    World& w = world();
    if (id < 32512 || id > 32650)
        return nullptr;
    auto& slot = w.cursors[id];
    if (!slot) {
        slot = std::make_unique<CursorRecord>();
        slot->id = id;
    }
    return slot.get();
}

int16_t asyncKeyState(int key) {
    trace("asyncKeyState");
    uint32_t held = world().input.held;
    uint32_t bit = 0;
    switch (key) {
    case keyLeftButton:
        bit = soft::leftButton;
        break;
    case keyRightButton:
        bit = soft::rightButton;
        break;
    case keyMiddleButton:
        bit = soft::middleButton;
        break;
    case keyShift:
        bit = soft::shiftKey;
        break;
    case keyControl:
        bit = soft::controlKey;
        break;
    case keyAlt:
        bit = soft::altKey;
        break;
    default:
        return 0;
    }
    return (held & bit) ? int16_t(-32768) : int16_t(0);
}

int systemMetric(int index) {
    trace("systemMetric");
    World& w = world();
    auto found = w.metrics.find(index);
    if (found != w.metrics.end())
        return found->second;
    switch (index) {
    case 0:
        return 1024; // screen width
    case 1:
        return 768; // screen height
    case metricDialogFrameHeight:
        return 3;
    default:
        return 0;
    }
}

uint32_t tickCount() {
    trace("tickCount");
    return world().clock;
}

void sleepFor(uint32_t milliseconds) {
    trace("sleepFor");
    world().clock += milliseconds;
}

uint32_t doubleClickTime() {
    trace("doubleClickTime");
    return world().doubleClickMilliseconds;
}

// ---- OLE and drops ----

int32_t oleInitialize() {
    trace("oleInitialize");
    return world().oleInitializations++ == 0 ? resultOk : resultFalse;
}

void oleUninitialize() {
    trace("oleUninitialize");
    World& w = world();
    if (w.oleInitializations > 0)
        w.oleInitializations--;
}

int32_t registerDropTarget(Window window, DropTargetInterface* target) {
    trace("registerDropTarget");
    if (!isWindow(window))
        return int32_t(0x80040102u); // invalid window
    if (!target)
        return int32_t(0x80070057u); // invalid argument
    if (window->dropTarget)
        return int32_t(0x80040101u); // already registered
    if (world().oleInitializations <= 0)
        return int32_t(0x800401F0u); // OLE not initialised
    target->AddRef();
    window->dropTarget = target;
    return resultOk;
}

int32_t revokeDropTarget(Window window) {
    trace("revokeDropTarget");
    if (!isWindow(window))
        return int32_t(0x80040102u);
    if (!window->dropTarget)
        return int32_t(0x80040100u); // not registered
    DropTargetInterface* target = window->dropTarget;
    window->dropTarget = nullptr;
    target->Release();
    return resultOk;
}

int32_t queryDataFormat(DataObject data, const FormatDescription& format) {
    trace("queryDataFormat");
    if (!data)
        return int32_t(0x80004003u); // null pointer
    if (!(format.medium & mediumGlobalMemory) || format.aspect != aspectContent)
        return int32_t(0x80040064u);
    if (format.clipboardFormat == formatText && data->hasText)
        return resultOk;
    if (format.clipboardFormat == formatFileList && data->hasFiles)
        return resultOk;
    return int32_t(0x80040064u); // the format is not offered
}

int32_t fetchData(DataObject data, const FormatDescription& format, StorageMedium& out) {
    trace("fetchData");
    out = {};
    int32_t offered = queryDataFormat(data, format);
    if (offered != resultOk)
        return offered;
    auto* block = new (std::nothrow) MemoryRecord;
    if (!block)
        return int32_t(0x8007000Eu); // out of memory
    if (format.clipboardFormat == formatText) {
        size_t size = std::max(data->textBlockSize, data->text.size() + 1);
        block->bytes.assign(size, 0);
        std::memcpy(block->bytes.data(), data->text.data(), data->text.size());
    } else {
        block->isFileList = true;
        block->files = data->files;
        block->unreadable = data->unreadable;
        block->bytes.assign(20, 0); // the list's header
    }
    world().memory.insert(block);
    out.medium = mediumGlobalMemory;
    out.memory = block;
    out.releaseObject = nullptr;
    return resultOk;
}

void releaseInterface(void*) {
    trace("releaseInterface");
}

void* lockMemory(MemoryHandle memory) {
    trace("lockMemory");
    if (!validMemory(memory))
        return nullptr;
    auto* block = static_cast<MemoryRecord*>(memory);
    block->locks++;
    return block->bytes.empty() ? nullptr : block->bytes.data();
}

size_t memorySize(MemoryHandle memory) {
    trace("memorySize");
    return validMemory(memory) ? static_cast<MemoryRecord*>(memory)->bytes.size() : 0;
}

bool unlockMemory(MemoryHandle memory) {
    trace("unlockMemory");
    if (!validMemory(memory))
        return false;
    auto* block = static_cast<MemoryRecord*>(memory);
    if (block->locks > 0)
        block->locks--;
    return block->locks > 0;
}

MemoryHandle freeMemory(MemoryHandle memory) {
    trace("freeMemory");
    if (!validMemory(memory))
        return memory;
    auto* block = static_cast<MemoryRecord*>(memory);
    world().memory.erase(block);
    delete block;
    return nullptr;
}

uint32_t droppedFileName(MemoryHandle drop, uint32_t index, char* out, uint32_t capacity) {
    trace("droppedFileName");
    if (!validMemory(drop))
        return 0;
    auto* block = static_cast<MemoryRecord*>(drop);
    if (!block->isFileList)
        return 0;
    if (index == 0xFFFFFFFFu)
        return uint32_t(block->files.size());
    if (index >= block->files.size() ||
        std::find(block->unreadable.begin(), block->unreadable.end(), index) !=
            block->unreadable.end())
        return 0;
    const std::string& name = block->files[index];
    if (!out || capacity == 0)
        return uint32_t(name.size());
    uint32_t count = std::min(uint32_t(name.size()), capacity - 1);
    std::memcpy(out, name.data(), count);
    out[count] = 0;
    return count;
}

bool resolveShellLink(char*, uint32_t) {
    trace("resolveShellLink");
    return false; // names are delivered as dropped
}

// ---- what the test drives ----

namespace soft {

void resetWorld() {
    World& w = world();
    std::vector<Window> tops = w.topLevel;
    for (auto it = tops.rbegin(); it != tops.rend(); ++it)
        destroyWindow(*it);
    w.queue.clear();
    w.clock = 0;
    w.currentMessageTime = 0;
    w.doubleClickMilliseconds = 500;
    w.metrics.clear();
    w.input = {};
    w.script.clear();
    w.pollsLeft = 1;
    w.cursor = nullptr;
    w.focus = nullptr;
    w.imageLibraryAvailable = true;
    w.platformId = 2;
    w.logging = false;
    w.log.clear();
    w.nextMenuChoice = -1;
    w.lastMenu = {};
    w.menuTracked = false;
}

void setTickCount(uint32_t milliseconds) {
    world().clock = milliseconds;
}

void advanceClock(uint32_t milliseconds) {
    world().clock += milliseconds;
}

void setDoubleClickTime(uint32_t milliseconds) {
    world().doubleClickMilliseconds = milliseconds;
}

void setSystemMetric(int index, int value) {
    world().metrics[index] = value;
}

void setInput(const InputState& state) {
    World& w = world();
    w.script.clear();
    w.pollsLeft = 1;
    applyInput(state);
}

InputState currentInput() {
    return world().input;
}

void scriptInput(const std::vector<InputState>& states) {
    World& w = world();
    w.script.assign(states.begin(), states.end());
    if (w.script.empty())
        return;
    InputState first = w.script.front();
    w.script.pop_front();
    w.pollsLeft = std::max(1, first.polls);
    applyInput(first);
}

size_t scriptStepsLeft() {
    return world().script.size();
}

Window createHostWindow(const Rect& screenArea, uint32_t style) {
    return createWindow(0, "SoftHost", "Host", style | styleVisible, screenArea.left,
                        screenArea.top, screenArea.right - screenArea.left,
                        screenArea.bottom - screenArea.top, nullptr, nullptr);
}

int pumpMessages() {
    int handled = 0;
    Message message{};
    while (handled < 100000 && peekMessage(message, nullptr, 0, 0, peekRemove)) {
        dispatchMessage(message);
        ++handled;
    }
    return handled;
}

size_t queuedMessageCount() {
    return world().queue.size();
}

Window windowAt(Point screenPoint) {
    World& w = world();
    for (auto it = w.topLevel.rbegin(); it != w.topLevel.rend(); ++it) {
        Window top = *it;
        if (!(top->style & styleVisible))
            continue;
        Rect r{top->rect.left, top->rect.top, top->rect.left + top->surface.width,
               top->rect.top + top->surface.height};
        if (screenPoint.x >= r.left && screenPoint.y >= r.top && screenPoint.x < r.right &&
            screenPoint.y < r.bottom)
            return deepestAt(top, screenPoint, {r.left, r.top});
    }
    return nullptr;
}

std::vector<Window> childWindows(Window window) {
    return isWindow(window) ? window->children : std::vector<Window>{};
}

Window keyboardFocus() {
    return world().focus;
}

int currentCursorId() {
    Cursor cursor = world().cursor;
    return cursor ? cursor->id : 0;
}

void typeText(const char* text) {
    for (const char* c = text; c && *c; ++c) {
        Window focus = world().focus;
        if (!isWindow(focus))
            return;
        sendMessage(focus, messageChar, uintptr_t(static_cast<unsigned char>(*c)), 1);
    }
}

void pressKey(int virtualKey) {
    Window focus = world().focus;
    if (isWindow(focus))
        sendMessage(focus, messageKeyDown, uintptr_t(virtualKey), 1);
}

ColorValue windowPixel(Window window, int x, int y) {
    if (!isWindow(window) || !window->surface.contains(x, y))
        return invalidColor;
    return window->surface.at(x, y);
}

size_t liveObjectCount() {
    return world().objects.size();
}

size_t liveContextCount() {
    return world().contexts.size();
}

bool describePen(DrawObject pen, PenDescription& out) {
    if (!isObject(pen) || pen->kind != ObjectKind::pen)
        return false;
    out = pen->pen;
    return true;
}

bool describeBrush(DrawObject brush, BrushDescription& out) {
    if (!isObject(brush) || brush->kind != ObjectKind::brush)
        return false;
    out = brush->brush;
    return true;
}

bool describeFont(DrawObject font, FontDescription& out) {
    if (!isObject(font) || font->kind != ObjectKind::font)
        return false;
    out = font->font;
    return true;
}

int mixMode(DeviceContext dc) {
    return isContext(dc) ? dc->mix : 0;
}

int backgroundMode(DeviceContext dc) {
    return isContext(dc) ? dc->backgroundMode : 0;
}

bool clipArea(DeviceContext dc, Rect& out) {
    if (!isContext(dc) || !dc->hasClip)
        return false;
    out = dc->clip;
    return true;
}

void startCallLog() {
    World& w = world();
    w.log.clear();
    w.logging = true;
}

std::vector<std::string> stopCallLog() {
    World& w = world();
    w.logging = false;
    std::vector<std::string> log;
    log.swap(w.log);
    return log;
}

void setImageLibraryAvailable(bool available) {
    world().imageLibraryAvailable = available;
}

void setPlatformId(uint32_t platformId) {
    world().platformId = platformId;
}

int imageLibraryReferences() {
    return world().imageLibrary.references;
}

int oleInitializations() {
    return world().oleInitializations;
}

void chooseNextMenuCommand(int command) {
    world().nextMenuChoice = command;
}

bool lastTrackedMenu(MenuSnapshot& out) {
    World& w = world();
    if (!w.menuTracked)
        return false;
    out = w.lastMenu;
    return true;
}

DataObject createDragData(const DragData& data) {
    auto* record = new DataObjectRecord;
    record->hasText = data.hasText;
    record->text = data.text;
    record->textBlockSize = data.textBlockSize;
    record->hasFiles = data.hasFiles;
    record->files = data.files;
    record->unreadable = data.unreadable;
    return record;
}

void deleteDragData(DataObject data) {
    delete data;
}

DropTargetInterface* registeredDropTarget(Window window) {
    return isWindow(window) ? window->dropTarget : nullptr;
}

size_t liveMemoryBlocks() {
    return world().memory.size();
}

} // namespace soft

} // namespace kestrune::platform
