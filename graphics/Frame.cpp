#include "graphics/Frame.h"

#include "graphics/Bitmap.h"
#include "graphics/DropTarget.h"
#include "graphics/GraphicsContext.h"
#include "shell/GuiEditor.h"
#include "shell/PluginEffectExt.h"
#include "shell/PluginEntry.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace kestrune {

namespace pf = platform;

int32_t knobModeSetting = 0;
bool (*editBoxColorsOf)(View* focusView, EditBoxColors& out) = nullptr;
char Frame::windowClassName[20] = {};
int32_t Frame::classUseCount = 0;

namespace {

constexpr int viewGrowth = 20;

PluginEffectExt* effectOf(GuiEditor* editor) {
    return editor ? dynamic_cast<PluginEffectExt*>(editor->attachedEffect) : nullptr;
}

// A context on the frame window's device context for one event, released afterwards.
class WindowDrawing {
public:
    explicit WindowDrawing(Frame* frame)
        : window_(frame->window),
          dc_(frame->window ? pf::acquireWindowDC(frame->window) : nullptr) {
        if (dc_)
            context_ = new (std::nothrow) GraphicsContext(frame, dc_, window_);
    }
    ~WindowDrawing() {
        delete context_;
        if (dc_)
            pf::releaseWindowDC(window_, dc_);
    }
    WindowDrawing(const WindowDrawing&) = delete;
    WindowDrawing& operator=(const WindowDrawing&) = delete;

    GraphicsContext* context() const { return context_; }

private:
    pf::Window window_;
    pf::DeviceContext dc_;
    GraphicsContext* context_ = nullptr;
};

bool containsWithEdges(const GuiRect& r, const GuiPoint& p) {
    return r.left <= p.h && p.h <= r.right && r.top <= p.v && p.v <= r.bottom;
}

bool overlapsWithEdges(const GuiRect& a, const GuiRect& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

int widthOf(const pf::Rect& r) {
    return r.right - r.left;
}

int heightOf(const pf::Rect& r) {
    return r.bottom - r.top;
}

} // namespace

void formatWindowClassName(void* module, char* out, size_t capacity) {
    std::snprintf(out, capacity, "Plugin%08x",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(module) & 0xFFFFFFFFu));
}

// ---- the window procedure ----

intptr_t KESTRUNE_PLATFORM_CALL frameWindowProcedure(pf::Window window, uint32_t message,
                                                     uintptr_t wParam, intptr_t lParam) {
    Frame* frame = reinterpret_cast<Frame*>(pf::windowUserData(window));
    switch (message) {
    case pf::messageDestroy:
        if (frame) {
            frame->windowOpen = false;
            frame->parentWindow = nullptr;
        }
        break;
    case pf::messagePaint: {
        pf::Rect update{};
        if (!frame || !pf::updateRect(window, update))
            break;
        pf::PaintRecord paint{};
        pf::DeviceContext dc = pf::beginPaint(window, paint);
        if (auto* context = new (std::nothrow) GraphicsContext(frame, dc, window)) {
            GuiRect area{paint.paintArea.left, paint.paintArea.top, paint.paintArea.right,
                         paint.paintArea.bottom};
            frame->paintArea(context, area);
            delete context;
        }
        pf::endPaint(window, paint);
        return 0;
    }
    case pf::messageLeftButtonDown:
    case pf::messageRightButtonDown:
    case pf::messageMiddleButtonDown: {
        if (!frame)
            break;
        pf::DeviceContext dc = pf::acquireWindowDC(window);
        if (auto* context = new (std::nothrow) GraphicsContext(frame, dc, window)) {
            GuiPoint where{int32_t(uint32_t(lParam) & 0xFFFFu),
                           int32_t((uint32_t(lParam) >> 16) & 0xFFFFu)};
            frame->mouseDown(context, where);
            delete context;
        }
        if (dc)
            pf::releaseWindowDC(window, dc);
        return 0;
    }
    case pf::messageControlColorEdit: {
        EditBoxColors colors;
        if (!frame || !frame->focusView || !editBoxColorsOf ||
            !editBoxColorsOf(frame->focusView, colors) || !colors.brushSlot)
            break;
        auto dc = reinterpret_cast<pf::DeviceContext>(wParam);
        pf::setTextColor(dc, colors.text.platformValue());
        pf::setBackgroundColor(dc, colors.background.platformValue());
        if (*colors.brushSlot)
            pf::deleteObject(*colors.brushSlot);
        *colors.brushSlot = pf::createSolidBrush(colors.background.platformValue());
        return reinterpret_cast<intptr_t>(*colors.brushSlot);
    }
    default:
        break;
    }
    return pf::defaultWindowProcedure(window, message, wParam, lParam);
}

// ---- construction and destruction ----

Frame::Frame(const GuiRect& size, pf::Window parentWindow_, GuiEditor* editor_)
    : View(size), editor(editor_), parentWindow(parentWindow_), background(nullptr),
      countOfViews(0), viewCapacity(0), views(nullptr), modalView(nullptr), focusView(nullptr),
      awaitingFirstPaint(true), windowOpen(true), dropRegistered(false), window(nullptr),
      imageLibrary(nullptr), savedCursor(nullptr) {
    pf::oleInitialize();
    imageLibrary = bindBlendEntries();
    createWindow(parentWindow);
}

Frame::~Frame() {
    // Show the cursor the frame found again.
    if (!savedCursor)
        savedCursor = pf::currentCursor();
    pf::setCursor(savedCursor);
    if (dropRegistered && window) {
        pf::revokeDropTarget(window);
        dropRegistered = false;
    }
    removeAllViews(true);
    if (background) {
        background->release();
        background = nullptr;
    }
    pf::oleUninitialize();
    unbindBlendEntries(imageLibrary);
    imageLibrary = nullptr;
    if (window) {
        // Unlinked first, so that the window's last messages find no frame.
        pf::setWindowUserData(window, 0);
        pf::destroyWindow(window);
        window = nullptr;
        if (--classUseCount == 0)
            pf::unregisterWindowClass(windowClassName, static_cast<pf::Module>(moduleInstance));
    }
}

bool Frame::createWindow(pf::Window parent) {
    if (!parent)
        return false;

    // Register the window class once per process.
    if (++classUseCount == 1) {
        formatWindowClassName(moduleInstance, windowClassName, sizeof windowClassName);
        pf::WindowClassDescription description{};
        description.style = pf::classGlobal;
        description.procedure = frameWindowProcedure;
        description.module = static_cast<pf::Module>(moduleInstance);
        description.cursor = pf::systemCursor(pf::cursorArrow);
        description.background = pf::systemColorBrush(pf::systemColorButtonFace);
        description.name = windowClassName;
        pf::registerWindowClass(description);
        buttonsSwapped = pf::systemMetric(pf::metricSwapButton) > 0;
    }

    window = pf::createWindow(0, windowClassName, "Window", pf::styleChild | pf::styleVisible, 0, 0,
                              bounds.width(), bounds.height(), parent,
                              static_cast<pf::Module>(moduleInstance));
    if (!window) {
        // No window (a parent this system does not know): the class use ends here too.
        if (--classUseCount == 0)
            pf::unregisterWindowClass(windowClassName, static_cast<pf::Module>(moduleInstance));
        return false;
    }
    pf::setWindowUserData(window, reinterpret_cast<intptr_t>(this));
    dropRegistered = registerDropTarget();
    return true;
}

bool Frame::registerDropTarget() {
    auto* target = new (std::nothrow) DropTarget(this);
    if (!target)
        return false;
    target->AddRef(); // held while registering
    bool registered = pf::registerDropTarget(window, target) == pf::resultOk;
    target->Release(); // the platform now holds the only reference, or none
    return registered;
}

// ---- drawing ----

void Frame::paint(GraphicsContext* context) {
    awaitingFirstPaint = false;
    if (background && context)
        background->drawOpaque(*context, {0, 0, background->width, background->height}, {0, 0});
    for (int i = 0; i < countOfViews; ++i)
        views[i]->paint(context);
    if (modalView)
        modalView->paint(context);
}

void Frame::paintArea(GraphicsContext* context, const GuiRect& area) {
    awaitingFirstPaint = false;
    if (background && context)
        background->drawOpaque(*context, area, {area.left, area.top});
    for (int i = 0; i < countOfViews; ++i)
        if (views[i]->overlapsArea(area))
            views[i]->paintArea(context, area);
    if (modalView && modalView->overlapsArea(area))
        modalView->paint(context);
}

void Frame::repaintIfNeeded(GraphicsContext* context) {
    if (!windowOpen)
        return;
    if (modalView) {
        modalView->repaintIfNeeded(context);
        return;
    }
    if (needsRepaint()) {
        paint(context);
        markForRepaint(false);
        return;
    }
    for (int i = 0; i < countOfViews; ++i)
        views[i]->repaintIfNeeded(context);
}

bool Frame::hasDirtyViews() {
    if (modalView || needsRepaint())
        return true;
    for (int i = 0; i < countOfViews; ++i)
        if (views[i]->needsRepaint())
            return true;
    return false;
}

void Frame::updateDirtyViews() {
    if (!window || !windowOpen || awaitingFirstPaint || !hasDirtyViews())
        return;
    WindowDrawing drawing(this);
    if (drawing.context())
        repaintIfNeeded(drawing.context());
}

void Frame::redrawView(View* view) {
    if (!window)
        return;
    WindowDrawing drawing(this);
    if (!drawing.context())
        return;
    if (view && containsView(view))
        view->paint(drawing.context());
    else
        paint(drawing.context());
}

void Frame::markDirtyIn(const GuiRect& r) {
    for (int i = 0; i < countOfViews; ++i)
        if (overlapsWithEdges(views[i]->bounds, r))
            views[i]->markForRepaint(true);
}

// ---- events ----

void Frame::mouseDown(GraphicsContext* context, GuiPoint& where) {
    // Every press ends text entry.
    if (focusView) {
        focusView->focusLost(nullptr);
        focusView = nullptr;
    }
    int buttons = context ? context->queryMouseButtons() : -1;
    if (modalView) {
        if (modalView->isHitAt(where, buttons))
            modalView->mouseDown(context, where);
        return;
    }
    for (int i = countOfViews - 1; i >= 0; --i) {
        View* view = views[i];
        if (view->acceptsMouse() && view->isHitAt(where, buttons)) {
            view->mouseDown(context, where);
            return;
        }
    }
}

int32_t Frame::handleKeyPress(VstKeyCode& keyCode) {
    if (focusView) {
        int32_t answer = focusView->handleKeyPress(keyCode);
        if (answer != -1)
            return answer;
    }
    if (modalView) {
        int32_t answer = modalView->handleKeyPress(keyCode);
        if (answer != -1)
            return answer;
    }
    for (int i = countOfViews - 1; i >= 0; --i) {
        int32_t answer = views[i]->handleKeyPress(keyCode);
        if (answer != -1)
            return answer;
    }
    return -1;
}

int32_t Frame::handleKeyRelease(VstKeyCode& keyCode) {
    if (focusView) {
        int32_t answer = focusView->handleKeyRelease(keyCode);
        if (answer != -1)
            return answer;
    }
    if (modalView) {
        int32_t answer = modalView->handleKeyRelease(keyCode);
        if (answer != -1)
            return answer;
    }
    for (int i = countOfViews - 1; i >= 0; --i) {
        int32_t answer = views[i]->handleKeyRelease(keyCode);
        if (answer != -1)
            return answer;
    }
    return -1;
}

bool Frame::handleWheel(GraphicsContext* context, GuiPoint&, float distance) {
    View* target = viewUnderMouse();
    if (!target)
        return false;
    GuiPoint mouse;
    currentMousePosition(mouse);
    if (context)
        return target->handleWheel(context, mouse, distance);
    WindowDrawing drawing(this);
    return target->handleWheel(drawing.context(), mouse, distance);
}

bool Frame::handleDrop(void** items, int count, int kind, GuiPoint& where) {
    if (modalView || focusView)
        return false;
    for (int i = countOfViews - 1; i >= 0; --i) {
        View* view = views[i];
        if (view->acceptsMouse() && containsWithEdges(view->bounds, where) &&
            view->handleDrop(items, count, kind, where))
            return true;
    }
    return false;
}

GuiEditor* Frame::frameEditor() {
    return editor;
}

// ---- the view list ----

bool Frame::addView(View* view) {
    if (!view)
        return false;
    if (countOfViews == viewCapacity) {
        auto* grown = new (std::nothrow) View*[size_t(viewCapacity) + viewGrowth];
        if (!grown)
            return false;
        for (int i = 0; i < countOfViews; ++i)
            grown[i] = views[i];
        delete[] views;
        views = grown;
        viewCapacity += viewGrowth;
    }
    views[countOfViews++] = view;
    view->assignFrame(this);
    view->attachedTo(this);
    return true;
}

bool Frame::removeView(View* view, bool release) {
    for (int i = 0; i < countOfViews; ++i) {
        if (views[i] != view)
            continue;
        view->detachedFrom(this);
        if (release)
            view->release();
        for (int j = i + 1; j < countOfViews; ++j)
            views[j - 1] = views[j];
        --countOfViews;
        break;
    }
    return true;
}

bool Frame::removeAllViews(bool release) {
    if (focusView) {
        focusView->focusLost(nullptr);
        focusView = nullptr;
    }
    for (int i = 0; i < countOfViews; ++i) {
        views[i]->detachedFrom(this);
        if (release)
            views[i]->release();
    }
    delete[] views;
    views = nullptr;
    countOfViews = 0;
    viewCapacity = 0;
    return true;
}

bool Frame::containsView(View* view) {
    for (int i = 0; i < countOfViews; ++i)
        if (views[i] == view)
            return true;
    return false;
}

int Frame::viewCount() {
    return countOfViews;
}

View* Frame::viewAt(int index) {
    if (index < 0 || index >= countOfViews)
        return nullptr;
    return views[index];
}

// ---- frame services ----

void Frame::setBackground(Bitmap* bitmap) {
    if (bitmap)
        bitmap->addReference();
    if (background)
        background->release();
    background = bitmap;
}

bool Frame::setModalView(View* view) {
    if (view && modalView)
        return false;
    if (modalView)
        modalView->detachedFrom(this);
    modalView = view;
    if (view)
        view->attachedTo(this);
    return true;
}

void Frame::moveFocusTo(View* view) {
    View* previous = focusView;
    focusView = view;
    if (previous)
        previous->focusLost(nullptr);
}

void Frame::beginParamEdit(int tag) {
    if (PluginEffectExt* effect = effectOf(editor))
        effect->askBeginEdit(tag);
}

void Frame::endParamEdit(int tag) {
    if (PluginEffectExt* effect = effectOf(editor))
        effect->askEndEdit(tag);
}

bool Frame::currentMousePosition(GuiPoint& out) {
    pf::Point cursor{0, 0};
    pf::cursorPosition(cursor);
    out = {cursor.x, cursor.y};
    pf::Rect r{};
    if (window && pf::windowRect(window, r)) {
        out.h -= r.left;
        out.v -= r.top;
    }
    return true;
}

View* Frame::viewUnderMouse() {
    if (modalView)
        return modalView;
    GuiPoint mouse;
    currentMousePosition(mouse);
    for (int i = countOfViews - 1; i >= 0; --i)
        if (containsWithEdges(views[i]->bounds, mouse))
            return views[i];
    return nullptr;
}

void Frame::serviceIdle() {
    if (editor)
        editor->serviceIdle();
}

unsigned Frame::tickCount() {
    return editor ? pf::tickCount() : 0;
}

int Frame::knobMode() {
    return knobModeSetting;
}

void Frame::setCursorShape(int shape) {
    if (!savedCursor)
        savedCursor = pf::currentCursor();
    int id = 0;
    switch (shape) {
    case 0:
        pf::setCursor(savedCursor);
        return;
    case 1:
        id = pf::cursorWait;
        break;
    case 2:
        id = pf::cursorSizeWestEast;
        break;
    case 3:
        id = pf::cursorSizeNorthSouth;
        break;
    case 4:
        id = pf::cursorSizeAll;
        break;
    case 5:
        id = pf::cursorSizeNorthEastSouthWest;
        break;
    case 6:
        id = pf::cursorSizeNorthWestSouthEast;
        break;
    default:
        return;
    }
    pf::setCursor(pf::systemCursor(id));
}

bool Frame::enableDropTarget(bool on) {
    if (!dropRegistered && !on)
        return true;
    if (!window)
        return false;
    if (on) {
        if (!dropRegistered)
            dropRegistered = registerDropTarget();
    } else {
        pf::revokeDropTarget(window);
        dropRegistered = false;
    }
    return true;
}

bool Frame::resizeTo(int width, int height) {
    if (!windowOpen || (width == bounds.width() && height == bounds.height()))
        return false;
    if (PluginEffectExt* effect = effectOf(editor)) {
        char sizeWindow[] = "sizeWindow";
        if (effect->askHostCanDo(sizeWindow) && effect->askSizeWindow(width, height)) {
            pf::resizeWindow(window, width, height);
            return true;
        }
    }
    bounds.right = bounds.left + width;
    bounds.bottom = bounds.top + height;
    int limit = 2 * pf::systemMetric(pf::metricDialogFrameHeight);
    int extraWidth = 0;
    int extraHeight = 0;
    pf::Window w = window;
    if (limit != 0) {
        do {
            if (!w)
                return true;
            pf::Window p = pf::parentWindow(w);
            char className[1024] = {};
            if (p)
                pf::windowClassName(p, className, sizeof className);
            if (!p || std::strcmp(className, "MDIClient") == 0)
                break;
            pf::Rect own{};
            pf::Rect outer{};
            pf::windowRect(w, own);
            pf::windowRect(p, outer);
            pf::resizeWindow(w, width + extraWidth, height + extraHeight);
            extraWidth = widthOf(outer) - widthOf(own);
            extraHeight = heightOf(outer) - heightOf(own);
            if (extraWidth > 80 || extraHeight > 80)
                return true; // the parent is not a close wrapper
            w = p;
        } while (extraWidth != limit);
    }
    if (w)
        pf::resizeWindow(w, width + extraWidth, height + extraHeight);
    return true;
}

pf::Window Frame::findHostWindow() {
    pf::Window w = window;
    while (w) {
        pf::Window p = pf::parentWindow(w);
        if ((pf::windowStyle(w) & pf::styleCaption) || !p)
            return w;
        pf::Rect own{};
        pf::Rect outer{};
        pf::windowRect(w, own);
        pf::windowRect(p, outer);
        int dw = widthOf(outer) - widthOf(own);
        int dh = heightOf(outer) - heightOf(own);
        if (dw > 60 || dw < -60 || dh > 60 || dh < -60)
            return w;
        w = p;
    }
    return nullptr;
}

bool Frame::hostWindowPosition(int& x, int& y) {
    if (!windowOpen)
        return false;
    pf::Window host = findHostWindow();
    pf::Rect r{};
    if (!host || !pf::windowRect(host, r))
        return false;
    pf::Point corner{r.left, r.top};
    pf::mapWindowPoints(nullptr, pf::parentWindow(host), &corner, 1);
    x = corner.x;
    y = corner.y;
    return true;
}

bool Frame::hostWindowRect(GuiRect& out) {
    if (!windowOpen)
        return false;
    pf::Window p = pf::parentWindow(window);
    pf::Rect r{};
    if (!p || !pf::windowRect(p, r))
        return false;
    pf::Window above = pf::parentWindow(pf::parentWindow(p));
    pf::Point corner{r.left, r.top};
    pf::mapWindowPoints(nullptr, above, &corner, 1);
    out = {corner.x, corner.y, corner.x + widthOf(r), corner.y + heightOf(r)};
    return true;
}

} // namespace kestrune
