// The text field on the software backend's scriptable edit box: opening over the field,
// typing, closing by Enter, by a click elsewhere and by the loss of the keyboard focus, the
// report of a changed text, the double-click style and the box's colours.
#include "ControlsTestSupport.h"

#include "controls/TextEntryField.h"

#include <cstring>
#include <string>

namespace kestrune::test {
namespace {

const GuiColor fieldFill = guiColor(30, 30, 90);
const GuiColor fieldInk = guiColor(250, 250, 0);

class TextFieldFixture : public ControlsFixture {
public:
    void clickAt(GuiPoint p) { click(p); }
    platform::Window theHostWindow() const { return hostWindow; }

protected:
    static constexpr int tag = 12;
    void SetUp() override {
        ControlsFixture::SetUp();
        field = addField(0);
    }
    TextEntryField* addField(int style) {
        auto* f = new TextEntryField({20, 30, 120, 46}, &listener, tag, "gain", nullptr, style);
        f->setFillColor(fieldFill);
        f->setInkColor(fieldInk);
        frame->addView(f);
        return f;
    }
    std::string boxText() const {
        char text[300] = {};
        platform::windowText(field->editWindow, text, sizeof text);
        return text;
    }
    std::string fieldText() const {
        char text[textFieldCapacity];
        field->copyText(text);
        return text;
    }
    void expectClosed() const {
        EXPECT_EQ(field->editWindow, nullptr);
        EXPECT_EQ(field->editFont, nullptr);
        EXPECT_EQ(field->editBrush, nullptr);
        EXPECT_EQ(frame->focusView, nullptr);
        EXPECT_TRUE(soft::childWindows(frame->window).empty());
    }
    TextEntryField* field = nullptr;
};

TEST_F(TextFieldFixture, ClickOpensAnEditBoxOverTheField) {
    click({50, 38});
    ASSERT_NE(field->editWindow, nullptr);
    EXPECT_EQ(frame->focusView, field);
    EXPECT_EQ(soft::keyboardFocus(), field->editWindow);
    ASSERT_EQ(soft::childWindows(frame->window).size(), 1u);
    char className[16] = {};
    platform::windowClassName(field->editWindow, className, sizeof className);
    EXPECT_STREQ(className, "EDIT");
    EXPECT_EQ(boxText(), "gain");
    platform::Rect box{}, window{};
    platform::windowRect(field->editWindow, box);
    platform::windowRect(frame->window, window);
    EXPECT_EQ(box.left - window.left, 20);
    EXPECT_EQ(box.top - window.top, 30);
    EXPECT_EQ(box.right - box.left, 101) << "one pixel wider than the field";
    EXPECT_EQ(box.bottom - box.top, 17);
    EXPECT_EQ(platform::windowStyle(field->editWindow) & 0xFFFF00FFu, 0x50000080u | 1u)
        << "child, visible, scrolling, centred like the field";
    platform::FontDescription font{};
    ASSERT_TRUE(soft::describeFont(field->editFont, font));
    EXPECT_EQ(font.height, -12);
    EXPECT_EQ(font.weight, 400);
    EXPECT_STREQ(font.faceName, "Arial");
    EXPECT_TRUE(listener.reports.empty());
}

TEST_F(TextFieldFixture, TheFontIsNeverTallerThanTheBoxAllows) {
    auto* small = new TextEntryField({20, 60, 80, 70}, &listener, 1, "x", nullptr, 0);
    small->setFontIndex(1); // 18 pixels in a 10-pixel field
    frame->addView(small);
    click({40, 65});
    ASSERT_NE(small->editWindow, nullptr);
    platform::FontDescription font{};
    ASSERT_TRUE(soft::describeFont(small->editFont, font));
    EXPECT_EQ(font.height, -8);
}

struct CloseCase {
    const char* name;
    void (*close)(TextFieldFixture&);
};

class TextFieldClosing : public TextFieldFixture,
                         public ::testing::WithParamInterface<CloseCase> {};

TEST_P(TextFieldClosing, ChangedTextIsReportedOnce) {
    click({50, 38});
    ASSERT_NE(field->editWindow, nullptr);
    soft::typeText("threshold"); // the whole text was selected: typing replaces it
    EXPECT_EQ(boxText(), "threshold");
    GetParam().close(*this);
    soft::pumpMessages();
    expectClosed();
    EXPECT_EQ(fieldText(), "threshold");
    ASSERT_EQ(listener.reports.size(), 1u);
    EXPECT_EQ(listener.reports[0].tag, tag);
    EXPECT_TRUE(listener.reports[0].withContext) << "a context of the frame's window is made";
    expectNoEdit();
}

TEST_P(TextFieldClosing, SameTextReportsNothing) {
    click({50, 38});
    soft::typeText("x\bgain"); // typed, rubbed out and typed back
    EXPECT_EQ(boxText(), "gain");
    GetParam().close(*this);
    soft::pumpMessages();
    expectClosed();
    EXPECT_TRUE(listener.reports.empty());
}

const CloseCase closeCases[] = {
    {"Enter", [](TextFieldFixture&) { soft::pressKey(platform::keyReturn); }},
    {"ClickElsewhere",
     [](TextFieldFixture& f) {
         f.clickAt({200, 150});
     }},
    {"KeyboardFocusMoved",
     [](TextFieldFixture& f) { platform::setKeyboardFocus(f.theHostWindow()); }},
};

INSTANTIATE_TEST_SUITE_P(TextField, TextFieldClosing, ::testing::ValuesIn(closeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TextFieldFixture, TheBoxTakesAtMost255Characters) {
    click({50, 38});
    std::string longText(300, 'k');
    soft::typeText(longText.c_str());
    soft::pressKey(platform::keyReturn);
    EXPECT_EQ(fieldText(), std::string(255, 'k'));
    EXPECT_EQ(listener.reports.size(), 1u);
}

TEST_F(TextFieldFixture, DoubleClickStyleOpensOnlyOnTheSecondClick) {
    frame->removeView(field, true);
    field = addField(editOnDoubleClick);
    click({50, 38});
    EXPECT_EQ(field->editWindow, nullptr);
    EXPECT_EQ(frame->focusView, nullptr);
    soft::advanceClock(100);
    click({50, 38});
    EXPECT_NE(field->editWindow, nullptr);
    EXPECT_EQ(frame->focusView, field);
    soft::pressKey(platform::keyReturn);

    soft::advanceClock(2000);
    click({50, 38});
    soft::advanceClock(800); // slower than the double-click time
    click({50, 38});
    EXPECT_EQ(field->editWindow, nullptr);
}

TEST_F(TextFieldFixture, TheBoxPaintsInTheFieldsColours) {
    click({50, 38});
    ASSERT_NE(field->editWindow, nullptr);
    platform::invalidateRect(field->editWindow, nullptr);
    soft::pumpMessages();
    EXPECT_EQ(soft::windowPixel(field->editWindow, 2, 2), fieldFill.platformValue())
        << savePicture("text-field-open");
    EXPECT_NE(field->editBrush, nullptr) << "the frame made the brush for the box";
    platform::BrushDescription brush{};
    ASSERT_TRUE(soft::describeBrush(field->editBrush, brush));
    EXPECT_EQ(brush.color, fieldFill.platformValue());
    bool inked = false;
    for (int x = 0; x < 100; ++x)
        for (int y = 0; y < 16; ++y)
            inked |= soft::windowPixel(field->editWindow, x, y) == fieldInk.platformValue();
    EXPECT_TRUE(inked) << "the text in the field's ink";
    size_t objects = soft::liveObjectCount();
    soft::pressKey(platform::keyReturn);
    EXPECT_EQ(soft::liveObjectCount(), objects - 2) << "font and brush are deleted";
}

TEST_F(TextFieldFixture, ClosedFieldShowsItsTextThroughTheFormatter) {
    static std::string seen;
    field->setTextFormatter([](const char* in, char* out) {
        seen = in;
        std::snprintf(out, 256, "[%s]", in);
    });
    frame->redrawView(field);
    EXPECT_EQ(seen, "gain");
    click({50, 38});
    seen.clear();
    field->markForRepaint(true);
    frame->redrawView(field);
    EXPECT_TRUE(seen.empty()) << "nothing is drawn while the box is open";
    EXPECT_FALSE(field->needsRepaint());
}

TEST_F(TextFieldFixture, SetTextMarksOnlyAChange) {
    field->markForRepaint(false);
    field->setText("gain");
    EXPECT_FALSE(field->needsRepaint());
    field->setText(nullptr);
    EXPECT_FALSE(field->needsRepaint());
    field->setText("range");
    EXPECT_TRUE(field->needsRepaint());
    EXPECT_EQ(fieldText(), "range");
    field->copyText(nullptr);
}

// A container hears that the box closed.
class ListeningContainer : public View {
public:
    ListeningContainer() : View({0, 0, 340, 190}) {}
    int32_t onMessage(View* sender, const char* message) override {
        messages.push_back({sender, message});
        return 0;
    }
    std::vector<std::pair<View*, const char*>> messages;
};

TEST_F(TextFieldFixture, ClosingTellsTheContainer) {
    ListeningContainer container;
    field->setParent(&container);
    click({50, 38});
    soft::pressKey(platform::keyReturn);
    ASSERT_EQ(container.messages.size(), 1u);
    EXPECT_EQ(container.messages[0].first, field);
    EXPECT_EQ(container.messages[0].second, kMsgLooseFocus) << "compared by address";
    field->setParent(nullptr);
}

TEST_F(TextFieldFixture, RemovingTheFieldWithTheBoxOpenClosesIt) {
    click({50, 38});
    soft::typeText("new");
    frame->removeView(field, false);
    EXPECT_EQ(field->editWindow, nullptr);
    EXPECT_EQ(frame->focusView, nullptr);
    EXPECT_TRUE(soft::childWindows(frame->window).empty());
    EXPECT_EQ(fieldText(), "new");
    field->release();
    field = nullptr;
}

} // namespace
} // namespace kestrune::test
