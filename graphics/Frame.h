// The root of the editor's view tree and the holder of its platform child window. It turns the
// window's messages into calls on its views: paints redraw the views that overlap the damaged
// area, presses go to the view under the cursor, and the host's key, wheel and idle calls, which
// the editor forwards, reach the focus view, the modal view and the views from the top down.
#pragma once

#include "controls/View.h"
#include "graphics/GuiTypes.h"
#include "platform/Platform.h"

#include <cstdint>

namespace kestrune {

class Bitmap;
class GraphicsContext;
class GuiEditor;

// The knob mode the host last set through the editor (process-wide).
extern int32_t knobModeSetting;

// What an open text field gives the frame when its platform edit box asks for its colours: the
// colours to draw with and the slot where the field keeps the brush made for the last request.
struct EditBoxColors {
    GuiColor text;
    GuiColor background;
    platform::DrawObject* brushSlot = nullptr;
};

// Set by the text entry field: answers the colours of a focus view that has an edit box open,
// false for any other view.
extern bool (*editBoxColorsOf)(View* focusView, EditBoxColors& out);

// The frame's window procedure (the procedure of its window class).
intptr_t KESTRUNE_PLATFORM_CALL frameWindowProcedure(platform::Window window, uint32_t message,
                                                     uintptr_t wParam, intptr_t lParam);

// The name of the frame's window class: "Plugin" and the module handle in eight hex digits.
void formatWindowClassName(void* module, char* out, size_t capacity);

class Frame : public View {
public:
    Frame(const GuiRect& size, platform::Window parentWindow, GuiEditor* editor);
    ~Frame() override;

    // ---- View operations the frame overrides ----
    void paint(GraphicsContext* context) override;
    void paintArea(GraphicsContext* context, const GuiRect& area) override;
    void mouseDown(GraphicsContext* context, GuiPoint& where) override;
    void repaintIfNeeded(GraphicsContext* context) override;
    int32_t handleKeyPress(VstKeyCode& keyCode) override;
    int32_t handleKeyRelease(VstKeyCode& keyCode) override;
    bool handleDrop(void** items, int count, int kind, GuiPoint& where) override;
    bool handleWheel(GraphicsContext* context, GuiPoint& where, float distance) override;
    GuiEditor* frameEditor() override;

    // ---- the view list ----
    virtual bool addView(View* view);
    virtual bool removeView(View* view, bool release);
    virtual bool removeAllViews(bool release);
    virtual bool containsView(View* view);
    virtual int viewCount();
    virtual View* viewAt(int index);

    // ---- frame services ----
    void setBackground(Bitmap* bitmap);
    bool setModalView(View* view);
    void moveFocusTo(View* view);
    void beginParamEdit(int tag);
    void endParamEdit(int tag);
    bool currentMousePosition(GuiPoint& out);
    View* viewUnderMouse();
    bool hasDirtyViews();
    void redrawView(View* view);
    void updateDirtyViews();
    void serviceIdle();
    unsigned tickCount();
    int knobMode();
    void markDirtyIn(const GuiRect& r);
    void setCursorShape(int shape);
    bool enableDropTarget(bool on);
    bool resizeTo(int width, int height);
    platform::Window findHostWindow();
    bool hostWindowPosition(int& x, int& y);
    bool hostWindowRect(GuiRect& r);

    GuiEditor* editor;
    platform::Window parentWindow;
    Bitmap* background;
    int32_t countOfViews; // the number of entries of `views` in use (viewCount())
    int32_t viewCapacity;
    View** views;
    View* modalView;
    View* focusView;
    bool awaitingFirstPaint;
    bool windowOpen;
    bool dropRegistered;
    platform::Window window;
    platform::Module imageLibrary;
    platform::Cursor savedCursor;

    // Process-wide: the class name and the number of frames using the class.
    static char windowClassName[20];
    static int32_t classUseCount;

private:
    bool createWindow(platform::Window parent);
    bool registerDropTarget();
};

} // namespace kestrune
