#include "controls/TextEntryField.h"

#include "graphics/Frame.h"
#include "graphics/GraphicsContext.h"
#include "shell/PluginEntry.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kestrune {

namespace pf = platform;

const char* const kMsgLooseFocus = "LooseFocus";

namespace {

constexpr uint32_t editBoxStyle = pf::styleChild | pf::styleVisible | pf::editAutoHorizontalScroll;
constexpr int maximumEditLength = textFieldCapacity - 1;

// The edit boxes' own procedure, kept when the field replaces it (process-wide: every edit box
// has the same one).
pf::WindowProcedure previousEditProcedure = nullptr;

void copyBounded(char* out, const char* in) {
    std::strncpy(out, in, textFieldCapacity - 1);
    out[textFieldCapacity - 1] = 0;
}

// The colours the frame gives the open edit box of a focused field.
bool editBoxColors(View* focusView, EditBoxColors& out) {
    auto* field = dynamic_cast<TextEntryField*>(focusView);
    if (!field || !field->editWindow)
        return false;
    out.text = field->inkColor;
    out.background = field->fillColor;
    out.brushSlot = &field->editBrush;
    return true;
}

// Closes the box on the loss of the keyboard focus and on Enter, and asks for every key.
intptr_t KESTRUNE_PLATFORM_CALL editBoxProcedure(pf::Window window, uint32_t message,
                                                 uintptr_t wParam, intptr_t lParam) {
    auto* field = reinterpret_cast<TextEntryField*>(pf::windowUserData(window));
    switch (message) {
    case pf::messageKillFocus:
        if (field)
            field->focusLost(nullptr);
        break;
    case pf::messageGetDialogCode:
        return pf::dialogWantsAllKeys;
    case pf::messageKeyDown:
        if (field && wParam == uintptr_t(pf::keyReturn))
            field->focusLost(nullptr);
        break;
    default:
        break;
    }
    // A box that the message has just closed is gone: nothing is left to pass the message to.
    if (field && field->editWindow != window)
        return 0;
    if (!previousEditProcedure)
        return pf::defaultWindowProcedure(window, message, wParam, lParam);
    return pf::callWindowProcedure(previousEditProcedure, window, message, wParam, lParam);
}

} // namespace

TextEntryField::TextEntryField(const GuiRect& bounds_, ValueListener* listener_, int tag_,
                               const char* text_, Bitmap* background_, int style_)
    : ValueReadout(bounds_, background_, style_), editBrush(nullptr), editWindow(nullptr),
      editFont(nullptr), text{}, textFormatter(nullptr), textFormatterWithData(nullptr) {
    listener = listener_;
    tag = tag_;
    if (text_)
        copyBounded(text, text_);
    editBoxColorsOf = editBoxColors;
}

TextEntryField::~TextEntryField() {
    discardEditBox();
}

// Closes the box without reading it, unlinked first so that its last messages find no field.
void TextEntryField::discardEditBox() {
    if (editWindow) {
        pf::setWindowUserData(editWindow, 0);
        pf::destroyWindow(editWindow);
        editWindow = nullptr;
    }
    if (editFont)
        pf::deleteObject(editFont);
    if (editBrush)
        pf::deleteObject(editBrush);
    editFont = nullptr;
    editBrush = nullptr;
}

bool TextEntryField::detachedFrom(View* parent_) {
    if (editWindow && frame && frame->focusView == this)
        focusLost(nullptr);
    discardEditBox();
    return ValueReadout::detachedFrom(parent_);
}

// ---- text ----

void TextEntryField::setText(const char* newText) {
    if (!newText || std::strncmp(newText, text, textFieldCapacity - 1) == 0)
        return;
    copyBounded(text, newText);
    markForRepaint(true);
}

void TextEntryField::copyText(char* out) {
    if (out)
        std::strcpy(out, text);
}

void TextEntryField::setTextFormatterWithData(TextFormatterWithData callback, void* data) {
    textFormatterWithData = callback;
    formatterData = data;
}

void TextEntryField::setTextFormatter(TextFormatter callback) {
    textFormatter = callback;
}

// ---- drawing ----

void TextEntryField::paint(GraphicsContext* context) {
    if (!editWindow) {
        char shown[textFieldCapacity];
        shown[0] = 0;
        if (textFormatterWithData)
            textFormatterWithData(text, shown, formatterData);
        else if (textFormatter)
            textFormatter(text, shown);
        else
            std::snprintf(shown, sizeof shown, "%s", text);
        shown[textFieldCapacity - 1] = 0;
        paintText(context, shown, nullptr);
    }
    markForRepaint(false);
}

// ---- opening and closing the edit box ----

void TextEntryField::mouseDown(GraphicsContext* context, GuiPoint&) {
    if (!mouseActive || !context || !frame || frame->focusView == this)
        return;
    if (!(context->queryMouseButtons() & mouseLeft))
        return;
    if ((style & editOnDoubleClick) && !isSecondClick())
        return;
    frame->moveFocusTo(this);
    focusGained(context);
}

void TextEntryField::focusGained(GraphicsContext* context) {
    if (!frame || !frame->window || editWindow)
        return;
    GuiRect r = bounds;
    if (context) {
        r.left += context->drawOffset.h;
        r.right += context->drawOffset.h;
        r.top += context->drawOffset.v;
        r.bottom += context->drawOffset.v;
    }

    // The box over the field, one pixel larger than its rectangle.
    uint32_t align = textAlign == alignCenter ? 1u : textAlign == alignRight ? 2u : 0u;
    editWindow =
        pf::createWindow(0, "EDIT", text, editBoxStyle | align, r.left, r.top, r.width() + 1,
                         r.height() + 1, frame->window, static_cast<pf::Module>(moduleInstance));
    if (!editWindow)
        return;

    // The field's font at most two pixels shorter than the box, in normal weight.
    pf::FontDescription font = describeTableFont(fontIndex, 0, 0);
    int32_t height = std::min(-font.height, r.height() - 2);
    font.height = -height;
    font.weight = pf::weightNormal;
    font.italic = 0;
    font.underline = 0;
    font.pitchAndFamily = pf::familySwissVariable;
    editFont = pf::createFont(font);
    editBrush = nullptr;

    pf::setWindowUserData(editWindow, reinterpret_cast<intptr_t>(this));
    pf::sendMessage(editWindow, pf::messageSetFont, reinterpret_cast<uintptr_t>(editFont), 1);
    pf::sendMessage(editWindow, pf::editSetMargins, pf::editLeftMargin | pf::editRightMargin, 0);
    pf::sendMessage(editWindow, pf::editSetSelection, 0, -1);
    pf::sendMessage(editWindow, pf::editLimitText, maximumEditLength, 0);
    pf::setKeyboardFocus(editWindow);
    pf::WindowProcedure previous = pf::setWindowProcedure(editWindow, editBoxProcedure);
    if (previous && previous != editBoxProcedure)
        previousEditProcedure = previous;
}

void TextEntryField::focusLost(GraphicsContext* context) {
    if (!editWindow || !frame || frame->focusView != this)
        return;
    frame->moveFocusTo(nullptr);

    // Take the edited text and close the box.
    char before[textFieldCapacity];
    std::memcpy(before, text, sizeof before);
    int length = pf::windowText(editWindow, text, maximumEditLength + 1);
    text[std::clamp(length, 0, maximumEditLength)] = 0;
    pf::Window closing = editWindow;
    pf::destroyWindow(closing);
    if (editFont)
        pf::deleteObject(editFont);
    if (editBrush)
        pf::deleteObject(editBrush);
    editFont = nullptr;
    editBrush = nullptr;

    // Report a changed text, with a context on the frame's window when none was given.
    pf::DeviceContext dc = nullptr;
    GraphicsContext* own = nullptr;
    if (!context && frame->window) {
        dc = pf::acquireWindowDC(frame->window);
        own = new GraphicsContext(frame, dc, frame->window);
        if (parent)
            own->drawOffset = {parent->bounds.left, parent->bounds.top};
        context = own;
    }
    editWindow = nullptr;
    if (std::strcmp(before, text) != 0) {
        markForRepaint(true);
        if (listener)
            listener->controlChanged(context, this);
    }
    delete own;
    if (dc)
        pf::releaseWindowDC(frame->window, dc);

    if (parent)
        parent->onMessage(this, kMsgLooseFocus);
    else
        frame->onMessage(this, kMsgLooseFocus);
}

} // namespace kestrune
