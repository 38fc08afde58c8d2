// The base of every visible element of the editor window: its rectangle, repaint mark, mouse and
// see-through flags, the frame and container it belongs to, and its holders. Every behaviour is a
// virtual operation whose base version does nothing or answers "not handled"; the order of the
// operations below is the interface the frame, containers and controls rely on.
#pragma once

#include "graphics/GuiTypes.h"

#include <cstdint>

struct VstKeyCode;

namespace kestrune {

class Frame;
class GraphicsContext;
class GuiEditor;

// The one message of the system: a container answers 1 to it, every other view 0. Messages are
// compared by address.
extern const char* const kMsgCheckIfViewContainer;

class View {
public:
    explicit View(const GuiRect& bounds);
    virtual ~View();

    View(const View&) = delete;
    View& operator=(const View&) = delete;

    virtual void paint(GraphicsContext* context);
    virtual void paintArea(GraphicsContext* context, const GuiRect& area);
    virtual bool overlapsArea(const GuiRect& area);
    virtual void mouseDown(GraphicsContext* context, GuiPoint& where);
    virtual void repaintIfNeeded(GraphicsContext* context);
    virtual int32_t onMessage(View* sender, const char* message);
    virtual int32_t handleKeyPress(VstKeyCode& keyCode);
    virtual int32_t handleKeyRelease(VstKeyCode& keyCode);
    virtual bool handleDrop(void** items, int count, int kind, GuiPoint& where);
    virtual bool handleWheel(GraphicsContext* context, GuiPoint& where, float distance);
    virtual void focusLost(GraphicsContext* context);
    virtual void focusGained(GraphicsContext* context);
    virtual bool needsRepaint();
    virtual void markForRepaint(bool flag);
    virtual void enableMouse(bool flag);
    virtual bool acceptsMouse();
    virtual void setMouseArea(const GuiRect& area);
    virtual GuiRect& copyMouseArea(GuiRect& out);
    virtual bool isHitAt(GuiPoint& where, int buttons);
    virtual void setSeeThrough(bool flag);
    virtual bool isSeeThrough();
    virtual void setBounds(const GuiRect& area);
    virtual GuiRect& copyBounds(GuiRect& out);
    virtual void setParent(View* container);
    virtual void assignFrame(Frame* frame);
    virtual GuiEditor* frameEditor();
    virtual bool detachedFrom(View* parent);
    virtual bool attachedTo(View* parent);
    virtual void release();
    virtual void addReference();
    virtual int32_t countReferences();

    int32_t referenceCount;
    GuiRect bounds;
    GuiRect mouseArea;
    Frame* frame;
    View* parent;
    bool repaintPending;
    bool mouseActive;
    bool seeThrough;
};

} // namespace kestrune
