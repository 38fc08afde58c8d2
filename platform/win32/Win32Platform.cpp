// Win32 backend: the contract over USER32, GDI32, OLE32, SHELL32 and KERNEL32.
//
// Implements every call of platform/Platform.h as the matching Windows call; handles are the
// Windows handles, records are copied field by field into their Windows counterparts. The image
// library (msimg32.dll) is not linked: the toolkit loads it by name. Window user data is stored
// pointer-wide (SetWindowLongPtrA) so that 64-bit frames survive the round trip. Bitmap
// resources are real resources of the module; registering a table does nothing here.
// Not yet: 32-bit (i686) builds are compiled but not run under this Wine.
#include "platform/Platform.h"
#include "platform/win32/Win32Testing.h"

#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windows.h>

#include <cstring>
#include <new>

namespace kestrune::platform {

namespace {

template <typename To, typename From>
To as(From value) {
    return reinterpret_cast<To>(value);
}

HDC dcOf(DeviceContext dc) {
    return as<HDC>(dc);
}

HWND windowOf(Window window) {
    return as<HWND>(window);
}

HGDIOBJ objectOf(DrawObject object) {
    return as<HGDIOBJ>(object);
}

DrawObject fromObject(HGDIOBJ object) {
    return as<DrawObject>(object);
}

static_assert(sizeof(Point) == sizeof(POINT), "points are passed as the platform's");
static_assert(sizeof(Rect) == sizeof(RECT), "rectangles are passed as the platform's");
static_assert(sizeof(PaintRecord::backendData) >= sizeof(PAINTSTRUCT), "room for the paint");
static_assert(sizeof(BlendDescription) == sizeof(BLENDFUNCTION), "blend record");

const POINT* pointsOf(const Point* points) {
    return reinterpret_cast<const POINT*>(points);
}

RECT rectOf(const Rect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

Rect fromRect(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

FORMATETC formatOf(const FormatDescription& f) {
    FORMATETC out{};
    out.cfFormat = f.clipboardFormat;
    out.ptd = static_cast<DVTARGETDEVICE*>(f.targetDevice);
    out.dwAspect = f.aspect;
    out.lindex = f.index;
    out.tymed = f.medium;
    return out;
}

} // namespace

// ---- device contexts and drawing objects ----

DeviceContext acquireWindowDC(Window window) {
    return as<DeviceContext>(GetDC(windowOf(window)));
}

int releaseWindowDC(Window window, DeviceContext dc) {
    return ReleaseDC(windowOf(window), dcOf(dc));
}

DeviceContext createMemoryDC(DeviceContext compatibleWith) {
    return as<DeviceContext>(CreateCompatibleDC(dcOf(compatibleWith)));
}

bool deleteMemoryDC(DeviceContext dc) {
    return dc && DeleteDC(dcOf(dc));
}

DrawObject currentObject(DeviceContext dc, int kind) {
    return dc ? fromObject(GetCurrentObject(dcOf(dc), UINT(kind))) : nullptr;
}

DrawObject selectObject(DeviceContext dc, DrawObject object) {
    if (!dc || !object)
        return nullptr;
    HGDIOBJ previous = SelectObject(dcOf(dc), objectOf(object));
    return previous == HGDI_ERROR ? nullptr : fromObject(previous);
}

DrawObject stockObject(int which) {
    return fromObject(GetStockObject(which));
}

bool deleteObject(DrawObject object) {
    return object && DeleteObject(objectOf(object));
}

DrawObject createPen(const PenDescription& description) {
    LOGPEN pen{};
    pen.lopnStyle = description.style;
    pen.lopnWidth = {description.width.x, description.width.y};
    pen.lopnColor = description.color;
    return fromObject(CreatePenIndirect(&pen));
}

DrawObject createBrush(const BrushDescription& description) {
    LOGBRUSH brush{};
    brush.lbStyle = description.style;
    brush.lbColor = description.color;
    brush.lbHatch = description.hatch;
    return fromObject(CreateBrushIndirect(&brush));
}

DrawObject createSolidBrush(ColorValue color) {
    return fromObject(CreateSolidBrush(color));
}

DrawObject systemColorBrush(int systemColor) {
    return fromObject(GetSysColorBrush(systemColor));
}

DrawObject createFont(const FontDescription& d) {
    LOGFONTA font{};
    font.lfHeight = d.height;
    font.lfWidth = d.width;
    font.lfEscapement = d.escapement;
    font.lfOrientation = d.orientation;
    font.lfWeight = d.weight;
    font.lfItalic = d.italic;
    font.lfUnderline = d.underline;
    font.lfStrikeOut = d.strikeOut;
    font.lfCharSet = d.charSet;
    font.lfOutPrecision = d.outPrecision;
    font.lfClipPrecision = d.clipPrecision;
    font.lfQuality = d.quality;
    font.lfPitchAndFamily = d.pitchAndFamily;
    std::memcpy(font.lfFaceName, d.faceName, sizeof font.lfFaceName);
    font.lfFaceName[sizeof font.lfFaceName - 1] = 0;
    return fromObject(CreateFontIndirectA(&font));
}

int setBackgroundMode(DeviceContext dc, int mode) {
    return dc ? SetBkMode(dcOf(dc), mode) : 0;
}

ColorValue setBackgroundColor(DeviceContext dc, ColorValue color) {
    return dc ? SetBkColor(dcOf(dc), color) : invalidColor;
}

ColorValue backgroundColor(DeviceContext dc) {
    return dc ? GetBkColor(dcOf(dc)) : invalidColor;
}

ColorValue setTextColor(DeviceContext dc, ColorValue color) {
    return dc ? SetTextColor(dcOf(dc), color) : invalidColor;
}

ColorValue textColor(DeviceContext dc) {
    return dc ? GetTextColor(dcOf(dc)) : invalidColor;
}

int setMixMode(DeviceContext dc, int mode) {
    return dc ? SetROP2(dcOf(dc), mode) : 0;
}

DrawObject createRectRegion(int left, int top, int right, int bottom) {
    return fromObject(CreateRectRgn(left, top, right, bottom));
}

int selectClipRegion(DeviceContext dc, DrawObject region) {
    return dc ? SelectClipRgn(dcOf(dc), as<HRGN>(region)) : 0;
}

// ---- drawing primitives ----

bool moveTo(DeviceContext dc, int x, int y) {
    return dc && MoveToEx(dcOf(dc), x, y, nullptr);
}

bool lineTo(DeviceContext dc, int x, int y) {
    return dc && LineTo(dcOf(dc), x, y);
}

bool polyline(DeviceContext dc, const Point* points, int count) {
    return dc && points && Polyline(dcOf(dc), pointsOf(points), count);
}

bool polygon(DeviceContext dc, const Point* points, int count) {
    return dc && points && Polygon(dcOf(dc), pointsOf(points), count);
}

int fillRect(DeviceContext dc, const Rect& area, DrawObject brush) {
    if (!dc)
        return 0;
    RECT r = rectOf(area);
    return FillRect(dcOf(dc), &r, as<HBRUSH>(brush));
}

bool ellipse(DeviceContext dc, int left, int top, int right, int bottom) {
    return dc && Ellipse(dcOf(dc), left, top, right, bottom);
}

bool arc(DeviceContext dc, int left, int top, int right, int bottom, int startX, int startY,
         int endX, int endY) {
    return dc && Arc(dcOf(dc), left, top, right, bottom, startX, startY, endX, endY);
}

bool pie(DeviceContext dc, int left, int top, int right, int bottom, int startX, int startY,
         int endX, int endY) {
    return dc && Pie(dcOf(dc), left, top, right, bottom, startX, startY, endX, endY);
}

ColorValue setPixel(DeviceContext dc, int x, int y, ColorValue color) {
    if (!dc)
        return invalidColor;
    COLORREF result = SetPixel(dcOf(dc), x, y, color);
    return result == COLORREF(-1) ? invalidColor : result;
}

ColorValue getPixel(DeviceContext dc, int x, int y) {
    return dc ? GetPixel(dcOf(dc), x, y) : invalidColor;
}

bool floodFill(DeviceContext dc, int x, int y, ColorValue color, uint32_t fillType) {
    return dc && ExtFloodFill(dcOf(dc), x, y, color, fillType);
}

// ---- text ----

bool textExtent(DeviceContext dc, const char* text, int length, Size& out) {
    if (!dc || !text)
        return false;
    if (length < 0)
        length = int(std::strlen(text));
    SIZE size{};
    if (!GetTextExtentPoint32A(dcOf(dc), text, length, &size))
        return false;
    out = {size.cx, size.cy};
    return true;
}

int drawText(DeviceContext dc, const char* text, int length, Rect& area, uint32_t format) {
    if (!dc || !text)
        return 0;
    RECT r = rectOf(area);
    int height = DrawTextA(dcOf(dc), text, length, &r, format);
    area = fromRect(r);
    return height;
}

// ---- bitmaps and pixel copies ----

DrawObject createCompatibleBitmap(DeviceContext dc, int width, int height) {
    return fromObject(CreateCompatibleBitmap(dcOf(dc), width, height));
}

DrawObject createMonoBitmap(int width, int height) {
    return fromObject(CreateBitmap(width, height, 1, 1, nullptr));
}

DrawObject loadBitmapResource(Module module, int id) {
    if (!module)
        return nullptr;
    return fromObject(LoadBitmapA(as<HINSTANCE>(module), MAKEINTRESOURCEA(id & 0xFFFF)));
}

bool describeBitmap(DrawObject bitmap, BitmapDescription& out) {
    BITMAP description{};
    if (!bitmap || GetObjectA(objectOf(bitmap), sizeof description, &description) == 0)
        return false;
    out.type = description.bmType;
    out.width = description.bmWidth;
    out.height = description.bmHeight;
    out.widthBytes = description.bmWidthBytes;
    out.planes = description.bmPlanes;
    out.bitsPerPixel = description.bmBitsPixel;
    out.bits = description.bmBits;
    return true;
}

bool copyPixels(DeviceContext target, int x, int y, int width, int height, DeviceContext source,
                int sourceX, int sourceY, uint32_t rasterOperation) {
    return target && BitBlt(dcOf(target), x, y, width, height, dcOf(source), sourceX, sourceY,
                            rasterOperation);
}

void registerBitmapResources(Module, const BitmapResource*, size_t) {}

void unregisterBitmapResources(Module, const BitmapResource*) {}

// ---- libraries and the platform version ----

Module loadLibrary(const char* name) {
    return name ? as<Module>(LoadLibraryA(name)) : nullptr;
}

void* findEntry(Module module, const char* name) {
    if (!module || !name)
        return nullptr;
    return as<void*>(GetProcAddress(as<HMODULE>(module), name));
}

bool freeLibrary(Module module) {
    return module && FreeLibrary(as<HMODULE>(module));
}

bool queryPlatformVersion(uint32_t& platformId) {
    OSVERSIONINFOEXA version{};
    version.dwOSVersionInfoSize = sizeof version; // 156 bytes
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    BOOL ok = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version));
#pragma GCC diagnostic pop
    if (!ok)
        return false;
    platformId = version.dwPlatformId;
    return true;
}

Module moduleOfAddress(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(address), &module))
        return nullptr;
    return as<Module>(module);
}

// ---- windows ----

bool registerWindowClass(const WindowClassDescription& d) {
    WNDCLASSA windowClass{};
    windowClass.style = d.style;
    windowClass.lpfnWndProc = as<WNDPROC>(d.procedure);
    windowClass.hInstance = as<HINSTANCE>(d.module);
    windowClass.hCursor = as<HCURSOR>(d.cursor);
    windowClass.hbrBackground = as<HBRUSH>(d.background);
    windowClass.lpszClassName = d.name;
    return RegisterClassA(&windowClass) != 0;
}

bool unregisterWindowClass(const char* name, Module module) {
    return name && UnregisterClassA(name, as<HINSTANCE>(module));
}

Window createWindow(uint32_t extendedStyle, const char* className, const char* title,
                    uint32_t style, int x, int y, int width, int height, Window parent,
                    Module module) {
    return as<Window>(CreateWindowExA(extendedStyle, className, title, style, x, y, width, height,
                                      windowOf(parent), nullptr, as<HINSTANCE>(module), nullptr));
}

bool destroyWindow(Window window) {
    return window && DestroyWindow(windowOf(window));
}

intptr_t setWindowUserData(Window window, intptr_t value) {
    return window ? SetWindowLongPtrA(windowOf(window), GWLP_USERDATA, value) : 0;
}

intptr_t windowUserData(Window window) {
    return window ? GetWindowLongPtrA(windowOf(window), GWLP_USERDATA) : 0;
}

WindowProcedure setWindowProcedure(Window window, WindowProcedure procedure) {
    if (!window || !procedure)
        return nullptr;
    return as<WindowProcedure>(
        SetWindowLongPtrA(windowOf(window), GWLP_WNDPROC, as<LONG_PTR>(procedure)));
}

intptr_t callWindowProcedure(WindowProcedure procedure, Window window, uint32_t message,
                             uintptr_t wParam, intptr_t lParam) {
    if (!procedure)
        return 0;
    return CallWindowProcA(as<WNDPROC>(procedure), windowOf(window), message, wParam, lParam);
}

intptr_t defaultWindowProcedure(Window window, uint32_t message, uintptr_t wParam,
                                intptr_t lParam) {
    return DefWindowProcA(windowOf(window), message, wParam, lParam);
}

intptr_t sendMessage(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return window ? SendMessageA(windowOf(window), message, wParam, lParam) : 0;
}

bool postMessage(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return PostMessageA(windowOf(window), message, wParam, lParam);
}

bool windowRect(Window window, Rect& out) {
    RECT r{};
    if (!window || !GetWindowRect(windowOf(window), &r))
        return false;
    out = fromRect(r);
    return true;
}

Window parentWindow(Window window) {
    return window ? as<Window>(GetParent(windowOf(window))) : nullptr;
}

uint32_t windowStyle(Window window) {
    return window ? uint32_t(GetWindowLongA(windowOf(window), GWL_STYLE)) : 0;
}

int windowClassName(Window window, char* out, int capacity) {
    return (window && out) ? GetClassNameA(windowOf(window), out, capacity) : 0;
}

int windowText(Window window, char* out, int capacity) {
    return (window && out) ? GetWindowTextA(windowOf(window), out, capacity) : 0;
}

bool resizeWindow(Window window, int width, int height) {
    return window && SetWindowPos(windowOf(window), nullptr, 0, 0, width, height, SWP_NOMOVE);
}

int mapWindowPoints(Window from, Window to, Point* points, int count) {
    if (!points)
        return 0;
    return MapWindowPoints(windowOf(from), windowOf(to), reinterpret_cast<POINT*>(points),
                           UINT(count));
}

Window setKeyboardFocus(Window window) {
    return as<Window>(SetFocus(windowOf(window)));
}

// ---- painting ----

bool updateRect(Window window, Rect& out) {
    RECT r{};
    if (!window || !GetUpdateRect(windowOf(window), &r, FALSE)) {
        out = {0, 0, 0, 0};
        return false;
    }
    out = fromRect(r);
    return true;
}

bool invalidateRect(Window window, const Rect* area) {
    if (!window)
        return false;
    if (!area)
        return InvalidateRect(windowOf(window), nullptr, TRUE);
    RECT r = rectOf(*area);
    return InvalidateRect(windowOf(window), &r, TRUE);
}

DeviceContext beginPaint(Window window, PaintRecord& paint) {
    auto* native = new (paint.backendData) PAINTSTRUCT{};
    HDC dc = BeginPaint(windowOf(window), native);
    paint.deviceContext = as<DeviceContext>(dc);
    paint.erase = native->fErase != 0;
    paint.paintArea = fromRect(native->rcPaint);
    return paint.deviceContext;
}

bool endPaint(Window window, const PaintRecord& paint) {
    auto* native = reinterpret_cast<const PAINTSTRUCT*>(paint.backendData);
    return EndPaint(windowOf(window), native);
}

// ---- message queue ----

bool peekMessage(Message& out, Window window, uint32_t firstMessage, uint32_t lastMessage,
                 uint32_t flags) {
    MSG message{};
    if (!PeekMessageA(&message, windowOf(window), firstMessage, lastMessage, flags))
        return false;
    out.window = as<Window>(message.hwnd);
    out.message = message.message;
    out.wParam = message.wParam;
    out.lParam = message.lParam;
    out.time = message.time;
    out.cursor = {message.pt.x, message.pt.y};
    return true;
}

intptr_t dispatchMessage(const Message& message) {
    MSG native{};
    native.hwnd = windowOf(message.window);
    native.message = message.message;
    native.wParam = message.wParam;
    native.lParam = message.lParam;
    native.time = message.time;
    native.pt = {message.cursor.x, message.cursor.y};
    return DispatchMessageA(&native);
}

uint32_t messageTime() {
    return uint32_t(GetMessageTime());
}

// ---- popup menus ----

Menu createPopupMenu() {
    return as<Menu>(CreatePopupMenu());
}

bool appendMenuItem(Menu menu, uint32_t flags, uintptr_t idOrSubmenu, const char* text) {
    return menu && AppendMenuA(as<HMENU>(menu), flags, idOrSubmenu, text);
}

bool trackPopupMenu(Menu menu, uint32_t flags, int x, int y, Window owner) {
    return menu && TrackPopupMenu(as<HMENU>(menu), flags, x, y, 0, windowOf(owner), nullptr);
}

bool destroyMenu(Menu menu) {
    return menu && DestroyMenu(as<HMENU>(menu));
}

// ---- cursor, keys, metrics, clock ----

bool cursorPosition(Point& out) {
    POINT p{};
    if (!GetCursorPos(&p))
        return false;
    out = {p.x, p.y};
    return true;
}

Cursor currentCursor() {
    return as<Cursor>(GetCursor());
}

Cursor setCursor(Cursor cursor) {
    return as<Cursor>(SetCursor(as<HCURSOR>(cursor)));
}

Cursor systemCursor(int id) {
    return as<Cursor>(LoadCursorA(nullptr, MAKEINTRESOURCEA(id)));
}

int16_t asyncKeyState(int key) {
    return GetAsyncKeyState(key);
}

int systemMetric(int index) {
    return GetSystemMetrics(index);
}

uint32_t tickCount() {
    return GetTickCount();
}

void sleepFor(uint32_t milliseconds) {
    Sleep(milliseconds);
}

uint32_t doubleClickTime() {
    return GetDoubleClickTime();
}

// ---- OLE, drop registration, dropped data ----

int32_t oleInitialize() {
    return OleInitialize(nullptr);
}

void oleUninitialize() {
    OleUninitialize();
}

int32_t registerDropTarget(Window window, DropTargetInterface* target) {
    // The drop-target interface has the published interface's layout and calling convention.
    return RegisterDragDrop(windowOf(window), reinterpret_cast<IDropTarget*>(target));
}

int32_t revokeDropTarget(Window window) {
    return RevokeDragDrop(windowOf(window));
}

int32_t queryDataFormat(DataObject data, const FormatDescription& format) {
    if (!data)
        return E_POINTER;
    FORMATETC native = formatOf(format);
    return reinterpret_cast<IDataObject*>(data)->QueryGetData(&native);
}

int32_t fetchData(DataObject data, const FormatDescription& format, StorageMedium& out) {
    out = {};
    if (!data)
        return E_POINTER;
    FORMATETC native = formatOf(format);
    STGMEDIUM medium{};
    HRESULT result = reinterpret_cast<IDataObject*>(data)->GetData(&native, &medium);
    if (FAILED(result))
        return result;
    out.medium = medium.tymed;
    out.memory = medium.hGlobal;
    out.releaseObject = medium.pUnkForRelease;
    return result;
}

void releaseInterface(void* unknown) {
    if (unknown)
        static_cast<IUnknown*>(unknown)->Release();
}

void* lockMemory(MemoryHandle memory) {
    return memory ? GlobalLock(memory) : nullptr;
}

size_t memorySize(MemoryHandle memory) {
    return memory ? GlobalSize(memory) : 0;
}

bool unlockMemory(MemoryHandle memory) {
    return memory && GlobalUnlock(memory);
}

MemoryHandle freeMemory(MemoryHandle memory) {
    return memory ? GlobalFree(memory) : nullptr;
}

uint32_t droppedFileName(MemoryHandle drop, uint32_t index, char* out, uint32_t capacity) {
    return drop ? DragQueryFileA(static_cast<HDROP>(drop), index, out, capacity) : 0;
}

bool resolveShellLink(char* name, uint32_t capacity) {
    if (!name || capacity == 0)
        return false;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return false;
    IPersistFile* file = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        link->Release();
        return false;
    }
    WCHAR wide[2048];
    bool ok = MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 2048) > 0;
    ok = ok && SUCCEEDED(file->Load(wide, STGM_READ));
    // No user interface, any match, 500 ms of searching.
    ok = ok && SUCCEEDED(link->Resolve(nullptr, 0x01F40003));
    ok = ok && SUCCEEDED(link->GetPath(name, int(capacity), nullptr, SLGP_SHORTPATH));
    file->Release();
    link->Release();
    return ok;
}

// ---- what the real-window tests drive ----

namespace win32test {

namespace {

LRESULT CALLBACK hostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

Window createTopLevelWindow(int x, int y, int width, int height) {
    static bool registered = false;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!registered) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = hostProcedure;
        windowClass.hInstance = instance;
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = "KestruneTestHost";
        registered = RegisterClassA(&windowClass) != 0;
    }
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "KestruneTestHost", "Host",
                                  WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, x, y, width, height,
                                  nullptr, nullptr, instance, nullptr);
    if (window) {
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
    }
    return as<Window>(window);
}

int pumpMessages(uint32_t milliseconds) {
    int handled = 0;
    DWORD end = GetTickCount() + milliseconds;
    do {
        MSG message{};
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
            ++handled;
        }
        if (milliseconds)
            Sleep(5);
    } while (int32_t(end - GetTickCount()) > 0);
    return handled;
}

bool pressAt(int x, int y) {
    if (!SetCursorPos(x, y))
        return false;
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    return SendInput(1, &input, sizeof input) == 1;
}

bool releaseButton() {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return SendInput(1, &input, sizeof input) == 1;
}

ColorValue windowPixel(Window window, int x, int y) {
    HDC dc = GetDC(windowOf(window));
    if (!dc)
        return invalidColor;
    COLORREF pixel = GetPixel(dc, x, y);
    ReleaseDC(windowOf(window), dc);
    return pixel;
}

Window firstChildWindow(Window parent) {
    return as<Window>(GetWindow(windowOf(parent), GW_CHILD));
}

} // namespace win32test

} // namespace kestrune::platform
