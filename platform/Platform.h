// Everything the toolkit needs from an operating system, in one place.
//
// The graphics and control code calls only what is declared here; a backend folder
// (platform/win32/ over USER32, GDI32, OLE32, SHELL32 and KERNEL32, or platform/soft/, a
// deterministic in-memory window system with real pixels) provides it. Exactly one backend is
// linked into a build.
//
// The calls follow the shape of the Windows user-interface and drawing interfaces closely, so that
// the toolkit's drawing, message and drop logic is written once and runs the same on both: handles
// are opaque pointers, numbers (messages, raster operations, styles, key codes) are the Windows
// values, and the record types below have the layout of their Windows counterparts.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define KESTRUNE_PLATFORM_API
#if defined(__i386__) || defined(_M_IX86)
#define KESTRUNE_PLATFORM_CALL __attribute__((stdcall))
#else
#define KESTRUNE_PLATFORM_CALL
#endif
#else
// The software backend is a shared library so that a test host and a loaded plug-in library
// share one window system.
#define KESTRUNE_PLATFORM_API __attribute__((visibility("default")))
#define KESTRUNE_PLATFORM_CALL
#endif

namespace kestrune::platform {

// ---- handles ----

struct DeviceContextRecord;
struct WindowRecord;
struct DrawObjectRecord;
struct ModuleRecord;
struct CursorRecord;
struct MenuRecord;
struct DataObjectRecord;

using DeviceContext = DeviceContextRecord*; // a surface to draw on (window, memory bitmap, screen)
using Window = WindowRecord*;
using DrawObject = DrawObjectRecord*; // pen, brush, font, bitmap or region
using Module = ModuleRecord*;         // a loaded library (the plug-in itself, the image library)
using Cursor = CursorRecord*;
using Menu = MenuRecord*;
using DataObject = DataObjectRecord*; // dragged data offered by another program
using MemoryHandle = void*;           // movable global memory of dropped data

// Colour value: red + 256 * green + 65536 * blue.
using ColorValue = uint32_t;
constexpr ColorValue invalidColor = 0xFFFFFFFFu;

constexpr ColorValue colorValue(uint8_t red, uint8_t green, uint8_t blue) {
    return uint32_t(red) | (uint32_t(green) << 8) | (uint32_t(blue) << 16);
}

// ---- records (layouts of POINT, SIZE, RECT, LOGPEN, LOGBRUSH, LOGFONTA, BITMAP) ----

struct Point {
    int32_t x;
    int32_t y;
};

struct Size {
    int32_t width;
    int32_t height;
};

struct Rect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

struct PenDescription {
    uint32_t style;
    Point width; // only width.x is used
    ColorValue color;
};

struct BrushDescription {
    uint32_t style;
    ColorValue color;
    uintptr_t hatch;
};

struct FontDescription {
    int32_t height; // negative: character height in pixels; positive: cell height
    int32_t width;
    int32_t escapement;
    int32_t orientation;
    int32_t weight;
    uint8_t italic;
    uint8_t underline;
    uint8_t strikeOut;
    uint8_t charSet;
    uint8_t outPrecision;
    uint8_t clipPrecision;
    uint8_t quality;
    uint8_t pitchAndFamily;
    char faceName[32];
};

struct BitmapDescription {
    int32_t type;
    int32_t width;
    int32_t height;
    int32_t widthBytes;
    uint16_t planes;
    uint16_t bitsPerPixel;
    void* bits;
};

// Constant-opacity blend (BLENDFUNCTION).
struct BlendDescription {
    uint8_t operation;
    uint8_t flags;
    uint8_t sourceConstantAlpha;
    uint8_t alphaFormat;
};

// One message taken from the thread's queue.
struct Message {
    Window window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    uint32_t time;
    Point cursor;
};

// Filled by beginPaint; carries the backend's own paint record with it.
struct PaintRecord {
    DeviceContext deviceContext;
    bool erase;
    Rect paintArea;
    alignas(8) unsigned char backendData[96];
};

using WindowProcedure = intptr_t(KESTRUNE_PLATFORM_CALL*)(Window window, uint32_t message,
                                                          uintptr_t wParam, intptr_t lParam);

struct WindowClassDescription {
    uint32_t style;
    WindowProcedure procedure;
    Module module;
    Cursor cursor;
    DrawObject background;
    const char* name;
};

// The image library's entries, bound at run time by name ("AlphaBlend", "TransparentBlt").
using AlphaBlendEntry = int(KESTRUNE_PLATFORM_CALL*)(DeviceContext target, int x, int y, int width,
                                                     int height, DeviceContext source, int sourceX,
                                                     int sourceY, int sourceWidth, int sourceHeight,
                                                     BlendDescription blend);
using TransparentBltEntry = int(KESTRUNE_PLATFORM_CALL*)(DeviceContext target, int x, int y,
                                                         int width, int height,
                                                         DeviceContext source, int sourceX,
                                                         int sourceY, int sourceWidth,
                                                         int sourceHeight, uint32_t keyColor);

// ---- numbers (the Windows values) ----

// Kinds of selected object (currentObject).
constexpr int objectPen = 1;
constexpr int objectBrush = 2;
constexpr int objectFont = 6;
constexpr int objectBitmap = 7;

// Stock objects.
constexpr int stockWhiteBrush = 0;
constexpr int stockBlackBrush = 4;
constexpr int stockNullBrush = 5;
constexpr int stockWhitePen = 6;
constexpr int stockBlackPen = 7;
constexpr int stockNullPen = 8;
constexpr int stockSystemFont = 13;

// Pen and brush styles.
constexpr uint32_t penSolid = 0;
constexpr uint32_t penDot = 2;
constexpr uint32_t penNull = 5;
constexpr uint32_t brushSolid = 0;

// Pixel combination of pens and brush fills (SetROP2).
constexpr int mixNotXorPen = 10;
constexpr int mixCopyPen = 13;
constexpr int mixMergePen = 15;

// Background modes.
constexpr int backgroundTransparent = 1;
constexpr int backgroundOpaque = 2;

// Raster operations of pixel copies.
constexpr uint32_t rasterSourceCopy = 0x00CC0020;
constexpr uint32_t rasterSourceInvert = 0x00660046;
constexpr uint32_t rasterSourceAnd = 0x008800C6;

constexpr uint32_t floodFillSurface = 1;

// Text layout (drawText).
constexpr uint32_t textLeft = 0x0;
constexpr uint32_t textCenter = 0x1;
constexpr uint32_t textRight = 0x2;
constexpr uint32_t textVerticalCenter = 0x4;
constexpr uint32_t textSingleLine = 0x20;
constexpr uint32_t textNoPrefix = 0x800;

// Font weights, pitch and family, precisions.
constexpr int32_t weightNormal = 400;
constexpr int32_t weightBold = 700;
constexpr uint8_t familySwissVariable = 0x22;
constexpr uint8_t familyDecorative = 0x50;
constexpr uint8_t outputStringPrecision = 1;
constexpr uint8_t clipStrokePrecision = 2;

// Messages.
constexpr uint32_t messageDestroy = 0x0002;
constexpr uint32_t messageKillFocus = 0x0008;
constexpr uint32_t messageSetText = 0x000C;
constexpr uint32_t messageGetText = 0x000D;
constexpr uint32_t messageGetTextLength = 0x000E;
constexpr uint32_t messagePaint = 0x000F;
constexpr uint32_t messageSetFont = 0x0030;
constexpr uint32_t messageGetDialogCode = 0x0087;
constexpr uint32_t messageKeyDown = 0x0100;
constexpr uint32_t messageChar = 0x0102;
constexpr uint32_t messageCommand = 0x0111;
constexpr uint32_t messageControlColorEdit = 0x0133;
constexpr uint32_t messageLeftButtonDown = 0x0201;
constexpr uint32_t messageLeftButtonUp = 0x0202;
constexpr uint32_t messageRightButtonDown = 0x0204;
constexpr uint32_t messageRightButtonUp = 0x0205;
constexpr uint32_t messageMiddleButtonDown = 0x0207;
constexpr uint32_t messageMiddleButtonUp = 0x0208;
constexpr uint32_t editSetSelection = 0x00B1;
constexpr uint32_t editLimitText = 0x00C5;
constexpr uint32_t editSetMargins = 0x00D3;
constexpr uintptr_t editLeftMargin = 1;
constexpr uintptr_t editRightMargin = 2;
constexpr intptr_t dialogWantsAllKeys = 4;

// Message queue (peekMessage).
constexpr uint32_t peekRemove = 1;
constexpr uint32_t peekNoYield = 2;

// Virtual keys (asyncKeyState): mouse buttons as the hardware reports them, and modifiers.
constexpr int keyLeftButton = 0x01;
constexpr int keyRightButton = 0x02;
constexpr int keyMiddleButton = 0x04;
constexpr int keyReturn = 0x0D;
constexpr int keyShift = 0x10;
constexpr int keyControl = 0x11;
constexpr int keyAlt = 0x12;

// System metrics.
constexpr int metricDialogFrameHeight = 8;
constexpr int metricSwapButton = 23;

// System colours.
constexpr int systemColorButtonFace = 15;

// System cursors.
constexpr int cursorArrow = 32512;
constexpr int cursorWait = 32514;
constexpr int cursorSizeNorthWestSouthEast = 32642;
constexpr int cursorSizeNorthEastSouthWest = 32643;
constexpr int cursorSizeWestEast = 32644;
constexpr int cursorSizeNorthSouth = 32645;
constexpr int cursorSizeAll = 32646;

// Window and class styles.
constexpr uint32_t classGlobal = 0x4000;
constexpr uint32_t styleChild = 0x40000000;
constexpr uint32_t styleVisible = 0x10000000;
constexpr uint32_t styleCaption = 0x00C00000;
constexpr uint32_t styleOverlappedWindow = 0x00CF0000;
constexpr uint32_t editAutoHorizontalScroll = 0x0080;

// Popup menus.
constexpr uint32_t menuString = 0x0000;
constexpr uint32_t menuGrayed = 0x0001;
constexpr uint32_t menuDisabled = 0x0002;
constexpr uint32_t menuChecked = 0x0008;
constexpr uint32_t menuPopup = 0x0010;
constexpr uint32_t menuBreak = 0x0040;
constexpr uint32_t menuSeparator = 0x0800;
constexpr uint32_t trackRightButton = 0x0002;

// Drag and drop.
constexpr uint16_t formatText = 1;      // CF_TEXT
constexpr uint16_t formatFileList = 15; // CF_HDROP
constexpr uint32_t aspectContent = 1;
constexpr uint32_t mediumGlobalMemory = 1;
constexpr uint32_t keyStateControl = 0x0008; // MK_CONTROL
constexpr uint32_t dropEffectNone = 0;
constexpr uint32_t dropEffectCopy = 1;
constexpr uint32_t dropEffectMove = 2;
constexpr int32_t resultOk = 0;
constexpr int32_t resultFalse = 1;
constexpr int32_t resultNoInterface = int32_t(0x80004002u);
constexpr int32_t resultFail = int32_t(0x80004005u);

// ---- drag and drop records and the drop-target interface ----

struct Guid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

inline bool operator==(const Guid& a, const Guid& b) {
    if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (a.data4[i] != b.data4[i])
            return false;
    return true;
}

constexpr Guid interfaceUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr Guid interfaceDropTarget = {
    0x00000122, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

struct PointL {
    int32_t x;
    int32_t y;
};

// FORMATETC
struct FormatDescription {
    uint16_t clipboardFormat;
    void* targetDevice;
    uint32_t aspect;
    int32_t index;
    uint32_t medium;
};

// STGMEDIUM
struct StorageMedium {
    uint32_t medium;
    MemoryHandle memory;
    void* releaseObject; // an IUnknown that frees the medium, or null
};

// The platform's drop-target interface (IDropTarget, whose first three operations are those of
// IUnknown). Objects registered with registerDropTarget implement it; the platform holds them by
// reference count and calls them on the thread that registered them.
class DropTargetInterface {
public:
    virtual int32_t KESTRUNE_PLATFORM_CALL QueryInterface(const Guid& iid, void** out) = 0;
    virtual uint32_t KESTRUNE_PLATFORM_CALL AddRef() = 0;
    virtual uint32_t KESTRUNE_PLATFORM_CALL Release() = 0;
    virtual int32_t KESTRUNE_PLATFORM_CALL DragEnter(DataObject data, uint32_t keyState,
                                                     PointL point, uint32_t* effect) = 0;
    virtual int32_t KESTRUNE_PLATFORM_CALL DragOver(uint32_t keyState, PointL point,
                                                    uint32_t* effect) = 0;
    virtual int32_t KESTRUNE_PLATFORM_CALL DragLeave() = 0;
    virtual int32_t KESTRUNE_PLATFORM_CALL Drop(DataObject data, uint32_t keyState, PointL point,
                                                uint32_t* effect) = 0;

protected:
    ~DropTargetInterface() = default;
};

// ---- bitmap resources compiled into a binary ----

// One picture of a library's resource table: identifier and the bytes of a BMP file.
struct BitmapResource {
    int id;
    const unsigned char* bytes;
    size_t size;
};

// ---- device contexts and drawing objects ----

KESTRUNE_PLATFORM_API DeviceContext acquireWindowDC(Window window); // null: the screen
KESTRUNE_PLATFORM_API int releaseWindowDC(Window window, DeviceContext dc);
KESTRUNE_PLATFORM_API DeviceContext createMemoryDC(DeviceContext compatibleWith);
KESTRUNE_PLATFORM_API bool deleteMemoryDC(DeviceContext dc);

KESTRUNE_PLATFORM_API DrawObject currentObject(DeviceContext dc, int kind);
KESTRUNE_PLATFORM_API DrawObject selectObject(DeviceContext dc, DrawObject object); // previous
KESTRUNE_PLATFORM_API DrawObject stockObject(int which);
KESTRUNE_PLATFORM_API bool deleteObject(DrawObject object);

KESTRUNE_PLATFORM_API DrawObject createPen(const PenDescription& description);
KESTRUNE_PLATFORM_API DrawObject createBrush(const BrushDescription& description);
KESTRUNE_PLATFORM_API DrawObject createSolidBrush(ColorValue color);
KESTRUNE_PLATFORM_API DrawObject systemColorBrush(int systemColor);
KESTRUNE_PLATFORM_API DrawObject createFont(const FontDescription& description);

KESTRUNE_PLATFORM_API int setBackgroundMode(DeviceContext dc, int mode); // previous
KESTRUNE_PLATFORM_API ColorValue setBackgroundColor(DeviceContext dc, ColorValue color);
KESTRUNE_PLATFORM_API ColorValue backgroundColor(DeviceContext dc);
KESTRUNE_PLATFORM_API ColorValue setTextColor(DeviceContext dc, ColorValue color);
KESTRUNE_PLATFORM_API ColorValue textColor(DeviceContext dc);
KESTRUNE_PLATFORM_API int setMixMode(DeviceContext dc, int mode); // previous

// Clip regions: device coordinates, no drawing offset.
KESTRUNE_PLATFORM_API DrawObject createRectRegion(int left, int top, int right, int bottom);
KESTRUNE_PLATFORM_API int selectClipRegion(DeviceContext dc, DrawObject region); // null: none

// ---- drawing primitives (the platform's rules: lines leave out their end point) ----

KESTRUNE_PLATFORM_API bool moveTo(DeviceContext dc, int x, int y);
KESTRUNE_PLATFORM_API bool lineTo(DeviceContext dc, int x, int y);
KESTRUNE_PLATFORM_API bool polyline(DeviceContext dc, const Point* points, int count);
KESTRUNE_PLATFORM_API bool polygon(DeviceContext dc, const Point* points, int count);
KESTRUNE_PLATFORM_API int fillRect(DeviceContext dc, const Rect& area, DrawObject brush);
KESTRUNE_PLATFORM_API bool ellipse(DeviceContext dc, int left, int top, int right, int bottom);
KESTRUNE_PLATFORM_API bool arc(DeviceContext dc, int left, int top, int right, int bottom,
                               int startX, int startY, int endX, int endY);
KESTRUNE_PLATFORM_API bool pie(DeviceContext dc, int left, int top, int right, int bottom,
                               int startX, int startY, int endX, int endY);
KESTRUNE_PLATFORM_API ColorValue setPixel(DeviceContext dc, int x, int y, ColorValue color);
KESTRUNE_PLATFORM_API ColorValue getPixel(DeviceContext dc, int x, int y); // invalidColor outside
KESTRUNE_PLATFORM_API bool floodFill(DeviceContext dc, int x, int y, ColorValue color,
                                     uint32_t fillType);

// ---- text ----

KESTRUNE_PLATFORM_API bool textExtent(DeviceContext dc, const char* text, int length, Size& out);
KESTRUNE_PLATFORM_API int drawText(DeviceContext dc, const char* text, int length, Rect& area,
                                   uint32_t format);

// ---- bitmaps and pixel copies ----

KESTRUNE_PLATFORM_API DrawObject createCompatibleBitmap(DeviceContext dc, int width, int height);
KESTRUNE_PLATFORM_API DrawObject createMonoBitmap(int width, int height); // one bit per pixel
KESTRUNE_PLATFORM_API DrawObject loadBitmapResource(Module module, int id);
KESTRUNE_PLATFORM_API bool describeBitmap(DrawObject bitmap, BitmapDescription& out);
KESTRUNE_PLATFORM_API bool copyPixels(DeviceContext target, int x, int y, int width, int height,
                                      DeviceContext source, int sourceX, int sourceY,
                                      uint32_t rasterOperation);

// Adds a library's table of bitmap resources (identifier -> BMP bytes) under its module handle,
// so that loadBitmapResource finds them. On Windows the pictures are real resources and this
// does nothing; see KESTRUNE_BITMAP_RESOURCES in platform/BitmapResources.h.
KESTRUNE_PLATFORM_API void registerBitmapResources(Module module, const BitmapResource* table,
                                                   size_t count);
KESTRUNE_PLATFORM_API void unregisterBitmapResources(Module module, const BitmapResource* table);

// ---- libraries and the platform version ----

KESTRUNE_PLATFORM_API Module loadLibrary(const char* name);
KESTRUNE_PLATFORM_API void* findEntry(Module module, const char* name);
KESTRUNE_PLATFORM_API bool freeLibrary(Module module);
KESTRUNE_PLATFORM_API bool queryPlatformVersion(uint32_t& platformId);
KESTRUNE_PLATFORM_API Module moduleOfAddress(const void* address); // the binary holding it

// ---- windows ----

KESTRUNE_PLATFORM_API bool registerWindowClass(const WindowClassDescription& description);
KESTRUNE_PLATFORM_API bool unregisterWindowClass(const char* name, Module module);
KESTRUNE_PLATFORM_API Window createWindow(uint32_t extendedStyle, const char* className,
                                          const char* title, uint32_t style, int x, int y,
                                          int width, int height, Window parent, Module module);
KESTRUNE_PLATFORM_API bool destroyWindow(Window window);
KESTRUNE_PLATFORM_API intptr_t setWindowUserData(Window window, intptr_t value); // previous
KESTRUNE_PLATFORM_API intptr_t windowUserData(Window window);
KESTRUNE_PLATFORM_API WindowProcedure setWindowProcedure(Window window, WindowProcedure procedure);
KESTRUNE_PLATFORM_API intptr_t callWindowProcedure(WindowProcedure procedure, Window window,
                                                   uint32_t message, uintptr_t wParam,
                                                   intptr_t lParam);
KESTRUNE_PLATFORM_API intptr_t defaultWindowProcedure(Window window, uint32_t message,
                                                      uintptr_t wParam, intptr_t lParam);
KESTRUNE_PLATFORM_API intptr_t sendMessage(Window window, uint32_t message, uintptr_t wParam,
                                           intptr_t lParam);
KESTRUNE_PLATFORM_API bool postMessage(Window window, uint32_t message, uintptr_t wParam,
                                       intptr_t lParam);
KESTRUNE_PLATFORM_API bool windowRect(Window window, Rect& out); // screen coordinates
KESTRUNE_PLATFORM_API Window parentWindow(Window window);
KESTRUNE_PLATFORM_API uint32_t windowStyle(Window window);
KESTRUNE_PLATFORM_API int windowClassName(Window window, char* out, int capacity);
KESTRUNE_PLATFORM_API int windowText(Window window, char* out, int capacity);
KESTRUNE_PLATFORM_API bool resizeWindow(Window window, int width, int height); // keeps position
KESTRUNE_PLATFORM_API int mapWindowPoints(Window from, Window to, Point* points, int count);
KESTRUNE_PLATFORM_API Window setKeyboardFocus(Window window); // previous

// Painting: the update region and the paint bracket.
KESTRUNE_PLATFORM_API bool updateRect(Window window, Rect& out); // false when nothing to paint
KESTRUNE_PLATFORM_API bool invalidateRect(Window window, const Rect* area); // null: all
KESTRUNE_PLATFORM_API DeviceContext beginPaint(Window window, PaintRecord& paint);
KESTRUNE_PLATFORM_API bool endPaint(Window window, const PaintRecord& paint);

// ---- message queue ----

KESTRUNE_PLATFORM_API bool peekMessage(Message& out, Window window, uint32_t firstMessage,
                                       uint32_t lastMessage, uint32_t flags);
KESTRUNE_PLATFORM_API intptr_t dispatchMessage(const Message& message);
KESTRUNE_PLATFORM_API uint32_t messageTime(); // time stamp of the message being handled

// ---- popup menus ----

KESTRUNE_PLATFORM_API Menu createPopupMenu();
KESTRUNE_PLATFORM_API bool appendMenuItem(Menu menu, uint32_t flags, uintptr_t idOrSubmenu,
                                          const char* text);
KESTRUNE_PLATFORM_API bool trackPopupMenu(Menu menu, uint32_t flags, int x, int y, Window owner);
KESTRUNE_PLATFORM_API bool destroyMenu(Menu menu);

// ---- cursor, buttons, keys, metrics, clock ----

KESTRUNE_PLATFORM_API bool cursorPosition(Point& out); // screen coordinates
KESTRUNE_PLATFORM_API Cursor currentCursor();
KESTRUNE_PLATFORM_API Cursor setCursor(Cursor cursor); // previous
KESTRUNE_PLATFORM_API Cursor systemCursor(int id);
KESTRUNE_PLATFORM_API int16_t asyncKeyState(int key); // negative while the key is down
KESTRUNE_PLATFORM_API int systemMetric(int index);
KESTRUNE_PLATFORM_API uint32_t tickCount(); // milliseconds
KESTRUNE_PLATFORM_API void sleepFor(uint32_t milliseconds);
KESTRUNE_PLATFORM_API uint32_t doubleClickTime();

// ---- OLE, drop registration, dropped data ----

KESTRUNE_PLATFORM_API int32_t oleInitialize();
KESTRUNE_PLATFORM_API void oleUninitialize();
KESTRUNE_PLATFORM_API int32_t registerDropTarget(Window window, DropTargetInterface* target);
KESTRUNE_PLATFORM_API int32_t revokeDropTarget(Window window);
KESTRUNE_PLATFORM_API int32_t queryDataFormat(DataObject data, const FormatDescription& format);
KESTRUNE_PLATFORM_API int32_t fetchData(DataObject data, const FormatDescription& format,
                                        StorageMedium& out);
KESTRUNE_PLATFORM_API void releaseInterface(void* unknown); // IUnknown::Release
KESTRUNE_PLATFORM_API void* lockMemory(MemoryHandle memory);
KESTRUNE_PLATFORM_API size_t memorySize(MemoryHandle memory);
KESTRUNE_PLATFORM_API bool unlockMemory(MemoryHandle memory);
KESTRUNE_PLATFORM_API MemoryHandle freeMemory(MemoryHandle memory); // null on success
// The names of a dropped file list: index 0xFFFFFFFF asks for the count.
KESTRUNE_PLATFORM_API uint32_t droppedFileName(MemoryHandle drop, uint32_t index, char* out,
                                               uint32_t capacity);
// Replaces a shortcut file's name with its target's short path; false leaves the name alone.
KESTRUNE_PLATFORM_API bool resolveShellLink(char* name, uint32_t capacity);

} // namespace kestrune::platform
