// A readout whose text the user edits in a platform edit box opened over the control. A click
// (or, with editOnDoubleClick, a double click) opens the box and makes the field the frame's
// focus view; Enter, a click elsewhere or the loss of the keyboard focus closes it, and a text
// that changed is reported to the listener once.
#pragma once

#include "controls/ValueReadout.h"
#include "platform/Platform.h"

#include <cstdint>

namespace kestrune {

// Only a double click opens the edit box.
inline constexpr int32_t editOnDoubleClick = 8192;

// Sent to the field's container (or the frame) when the edit box has closed.
extern const char* const kMsgLooseFocus;

using TextFormatter = void (*)(const char* in, char* out);
using TextFormatterWithData = void (*)(const char* in, char* out, void* data);

inline constexpr int textFieldCapacity = 256;

class TextEntryField : public ValueReadout {
public:
    TextEntryField(const GuiRect& bounds, ValueListener* listener, int tag, const char* text,
                   Bitmap* background, int style);
    ~TextEntryField() override;

    void paint(GraphicsContext* context) override;
    void mouseDown(GraphicsContext* context, GuiPoint& where) override;
    void focusLost(GraphicsContext* context) override;   // closes the edit box
    void focusGained(GraphicsContext* context) override; // opens the edit box
    // A field taken out of its frame with the box open closes it first, as a click elsewhere
    // would.
    bool detachedFrom(View* parent) override;

    // ---- operations added by TextEntryField, in their order ----
    virtual void setText(const char* newText);
    virtual void copyText(char* out);
    virtual void setTextFormatterWithData(TextFormatterWithData callback, void* data);
    virtual void setTextFormatter(TextFormatter callback);

    bool isEditing() const { return editWindow != nullptr; }

    platform::DrawObject editBrush;
    platform::Window editWindow;
    platform::DrawObject editFont;
    char text[textFieldCapacity];
    TextFormatter textFormatter;
    TextFormatterWithData textFormatterWithData;

private:
    void discardEditBox();
};

} // namespace kestrune
