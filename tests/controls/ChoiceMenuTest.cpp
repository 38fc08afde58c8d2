// The choice menu: entry codes and numbering, selection counting, removal, the popup built on
// the software backend (items, commands, checks, columns, position) and the report of a
// choice, from a submenu too.
#include "ControlsTestSupport.h"

#include "controls/ChoiceMenu.h"

#include <string>
#include <vector>

namespace kestrune::test {
namespace {

std::string entryAt(ChoiceMenu& menu, int index) {
    char text[menuEntryCapacity] = {};
    menu.copyEntry(index, text);
    return text;
}

std::string current(ChoiceMenu& menu) {
    char text[menuEntryCapacity] = {};
    return menu.currentEntry(text, true) < 0 ? std::string("(none)") : std::string(text);
}

class ChoiceMenuEntries : public ::testing::Test {
protected:
    void SetUp() override {
        soft::resetWorld();
        menu = new ChoiceMenu({0, 0, 60, 12}, nullptr, 0, nullptr, nullptr, 0);
    }
    void TearDown() override { menu->release(); }
    ChoiceMenu* menu = nullptr;
};

TEST_F(ChoiceMenuEntries, NumberingPrefixesThePosition) {
    struct Case {
        int numbering;
        const char* first;
        const char* third;
    };
    const Case cases[] = {
        {0, "a", "c"}, {2, "1 a", "3 c"}, {3, "01 a", "03 c"}, {4, "001 a", "003 c"}};
    for (const Case& c : cases) {
        menu->removeAllEntries();
        menu->setNumbering(c.numbering);
        for (const char* text : {"a", "b", "c"})
            EXPECT_TRUE(menu->addEntry(text));
        EXPECT_EQ(entryAt(*menu, 0), c.first);
        EXPECT_EQ(entryAt(*menu, 2), c.third);
    }
}

TEST_F(ChoiceMenuEntries, FirstEntryBecomesCurrentAndInsertionsMoveIt) {
    EXPECT_EQ(menu->currentEntry(nullptr, true), -1);
    menu->addEntry("a");
    EXPECT_EQ(menu->currentEntry(nullptr, true), 0);
    menu->addEntry("b");
    menu->selectEntry(1, true);
    menu->addEntry("front", 0);
    EXPECT_EQ(current(*menu), "b");
    EXPECT_EQ(menu->currentEntry(nullptr, true), 2);
    menu->addEntry("end", 99);
    menu->addEntry(nullptr);
    EXPECT_EQ(menu->countEntries(), 5);
    EXPECT_EQ(entryAt(*menu, 3), "end");
    EXPECT_EQ(entryAt(*menu, 4), "");
    EXPECT_EQ(menu->findEntry("end"), 3);
    EXPECT_EQ(menu->findEntry("nope"), -1);
    EXPECT_EQ(menu->findEntry(nullptr), -1);
}

TEST_F(ChoiceMenuEntries, AtMost1024Entries) {
    for (int i = 0; i < maximumMenuEntries; ++i)
        ASSERT_TRUE(menu->addEntry("x"));
    EXPECT_FALSE(menu->addEntry("one too many"));
    auto* sub = new ChoiceMenu({0, 0, 1, 1}, nullptr, 0, nullptr, nullptr, 0);
    EXPECT_FALSE(menu->addSubmenu(sub, "sub"));
    EXPECT_EQ(sub->countReferences(), 1);
    sub->release();
    EXPECT_EQ(menu->entryCapacity, 1024);
}

TEST_F(ChoiceMenuEntries, SelectionWithoutCountingSkipsTitlesAndSeparators) {
    for (const char* text : {"-Ttitle", "x", "-", "y"})
        menu->addEntry(text);
    EXPECT_TRUE(menu->selectEntry(1, false));
    EXPECT_EQ(menu->currentEntry(nullptr, true), 3);
    EXPECT_EQ(menu->currentEntry(nullptr, false), 1);
    EXPECT_TRUE(menu->selectEntry(3, false)) << "fewer choosable entries: the last entry";
    EXPECT_EQ(menu->currentEntry(nullptr, true), 3);
    EXPECT_FALSE(menu->selectEntry(2, true)) << "a separator is never current";
    EXPECT_TRUE(menu->selectEntry(0, true));
    EXPECT_EQ(menu->currentEntry(nullptr, false), 0);
    EXPECT_FALSE(menu->selectEntry(4, true));
    EXPECT_FALSE(menu->selectEntry(-1, false));
}

TEST_F(ChoiceMenuEntries, RemovingTheCurrentFirstEntryLeavesNone) {
    for (const char* text : {"a", "b", "c"})
        menu->addEntry(text);
    menu->setEntryCheck(2, true);
    EXPECT_TRUE(menu->removeEntry(0));
    EXPECT_EQ(menu->currentEntry(nullptr, true), -1);
    EXPECT_EQ(menu->countEntries(), 2);
    EXPECT_TRUE(menu->isEntryChecked(1)) << "checks move with their entries";
    EXPECT_FALSE(menu->removeEntry(2));
    menu->selectEntry(1, true);
    EXPECT_TRUE(menu->removeEntry(0));
    EXPECT_EQ(current(*menu), "c");
    EXPECT_TRUE(menu->removeEntry(0));
    EXPECT_EQ(menu->currentEntry(nullptr, true), -1);
}

TEST_F(ChoiceMenuEntries, ChecksAndReplacement) {
    for (const char* text : {"a", "b", "c"})
        menu->addEntry(text);
    EXPECT_TRUE(menu->setEntryCheck(0, true));
    EXPECT_TRUE(menu->setEntryCheck(1, true));
    EXPECT_TRUE(menu->checkOnlyEntry(2));
    EXPECT_FALSE(menu->isEntryChecked(0));
    EXPECT_TRUE(menu->isEntryChecked(2));
    EXPECT_FALSE(menu->isEntryChecked(3));
    EXPECT_FALSE(menu->setEntryCheck(-1, true));
    EXPECT_TRUE(menu->replaceEntry(1, "bee"));
    EXPECT_TRUE(menu->replaceEntry(1, nullptr));
    EXPECT_EQ(entryAt(*menu, 1), "bee");
    EXPECT_FALSE(menu->replaceEntry(3, "x"));
    EXPECT_FALSE(menu->copyEntry(3, nullptr));
}

TEST_F(ChoiceMenuEntries, PutValueTakesTheTruncatedIndex) {
    for (const char* text : {"a", "b", "c"})
        menu->addEntry(text);
    menu->putValue(1.7f);
    EXPECT_EQ(menu->currentEntry(nullptr, true), 1);
    EXPECT_EQ(menu->readValue(), 1.7f);
    for (float outside : {3.0f, -1.0f, 1e30f, NAN}) {
        menu->putValue(outside);
        EXPECT_EQ(menu->currentEntry(nullptr, true), 1) << outside;
        EXPECT_EQ(menu->readValue(), 1.7f) << outside;
    }
    menu->setDisplayStyle(checkEach);
    menu->putValue(2.0f);
    EXPECT_TRUE(menu->isEntryChecked(2));
    menu->putValue(2.0f);
    EXPECT_FALSE(menu->isEntryChecked(2));
}

TEST_F(ChoiceMenuEntries, SubmenusAreHeldByReference) {
    auto* sub = new ChoiceMenu({0, 0, 1, 1}, nullptr, 0, nullptr, nullptr, 0);
    menu->setNumbering(3);
    EXPECT_TRUE(menu->addSubmenu(sub, "more"));
    EXPECT_FALSE(menu->addSubmenu(nullptr, "none"));
    EXPECT_FALSE(menu->addSubmenu(sub, nullptr));
    EXPECT_EQ(entryAt(*menu, 0), "-M01 more");
    EXPECT_EQ(sub->countReferences(), 2);
    menu->removeAllEntries();
    EXPECT_EQ(sub->countReferences(), 1);
    EXPECT_EQ(menu->countEntries(), 0);
    sub->release();
}

// ---- the popup ----

class ChoicePopup : public ControlsFixture {
protected:
    static constexpr int tag = 5;
    void SetUp() override {
        ControlsFixture::SetUp();
        menu = new ChoiceMenu({40, 60, 100, 72}, &listener, tag, nullptr, nullptr, 0);
        frame->addView(menu);
    }
    soft::MenuSnapshot open(int command, uint32_t button = soft::leftButton) {
        soft::chooseNextMenuCommand(command);
        click({50, 66}, button);
        soft::MenuSnapshot snapshot;
        EXPECT_TRUE(soft::lastTrackedMenu(snapshot));
        return snapshot;
    }
    ChoiceMenu* menu = nullptr;
};

TEST_F(ChoicePopup, ItemsCarryTheirCodesAndCommandNumbers) {
    auto* sub = new ChoiceMenu({0, 0, 1, 1}, nullptr, 0, nullptr, nullptr, 0);
    for (const char* text : {"p", "q", "r"})
        sub->addEntry(text);
    for (const char* text : {"-Theading", "one", "-"})
        menu->addEntry(text);
    menu->addSubmenu(sub, "more");
    for (const char* text : {"-Gnot now", "two"})
        menu->addEntry(text);
    sub->release(); // the menu holds it

    soft::MenuSnapshot popup = open(-1);
    ASSERT_EQ(popup.items.size(), 6u);
    struct Item {
        uint32_t flags;
        uintptr_t id;
        const char* text;
    };
    const Item expected[] = {
        {platform::menuDisabled, 0, "heading"}, {0, 1, "one"},
        {platform::menuSeparator, 2, ""},       {platform::menuPopup, 0, "more"},
        {platform::menuGrayed, 4, "not now"},   {0, 5, "two"}};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(popup.items[i].flags, expected[i].flags) << i;
        if (!(expected[i].flags & platform::menuPopup)) {
            EXPECT_EQ(popup.items[i].id, expected[i].id) << i;
        }
        EXPECT_EQ(popup.items[i].text, expected[i].text) << i;
    }
    ASSERT_EQ(popup.items[3].submenu.size(), 3u);
    EXPECT_EQ(popup.items[3].submenu[0].id, 6u) << "the submenu's numbers follow the menu's";
    EXPECT_EQ(popup.items[3].submenu[2].id, 8u);
    EXPECT_EQ(popup.items[3].submenu[1].text, "q");
    EXPECT_TRUE(listener.reports.empty()) << "dismissed: no choice";
    EXPECT_EQ(frame->focusView, nullptr);
    EXPECT_EQ(menu->menuHandle, nullptr);
}

TEST_F(ChoicePopup, ChoiceInASubmenuIsReportedWithThatSubmenu) {
    auto* first = new ChoiceMenu({0, 0, 1, 1}, nullptr, 31, nullptr, nullptr, 0);
    auto* second = new ChoiceMenu({0, 0, 1, 1}, nullptr, 32, nullptr, nullptr, 0);
    for (const char* text : {"p", "q", "r"})
        first->addEntry(text);
    for (const char* text : {"s", "t"})
        second->addEntry(text);
    menu->addEntry("one");
    menu->addSubmenu(first, "first");
    menu->addSubmenu(second, "second");
    // Commands: the menu 0..2, the first submenu 3..5, the second 6..7.
    open(4);
    ASSERT_EQ(listener.reports.size(), 1u);
    EXPECT_EQ(listener.reports[0].tag, 31);
    EXPECT_EQ(listener.reports[0].value, 1.0f);
    EXPECT_EQ(current(*first), "q");
    int index = -1;
    EXPECT_EQ(menu->lastChoice(index), first);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(current(*menu), "one") << "the top menu keeps its entry";

    open(7);
    EXPECT_EQ(menu->lastChoice(index), second);
    EXPECT_EQ(index, 1);
    first->release();
    second->release();
}

TEST_F(ChoicePopup, PlainChoiceBecomesCurrentAndShowsWithoutItsNumber) {
    menu->setNumbering(3);
    for (const char* text : {"a", "b", "c"})
        menu->addEntry(text);
    int index = 0;
    EXPECT_EQ(menu->lastChoice(index), nullptr);
    EXPECT_EQ(index, -1);
    open(1);
    EXPECT_EQ(current(*menu), "02 b");
    ASSERT_EQ(listener.reports.size(), 1u);
    EXPECT_EQ(listener.reports[0].tag, tag);
    EXPECT_EQ(listener.reports[0].value, 1.0f);
    EXPECT_TRUE(listener.reports[0].withContext);

    // The picture is the readout's for the text "b".
    auto* reference = new ValueReadout({40, 90, 100, 102}, nullptr, 0);
    reference->setFormatter([](float, char* text) { std::snprintf(text, 256, "b"); });
    frame->addView(reference);
    menu->markForRepaint(true);
    frame->redrawView(menu);
    frame->redrawView(reference);
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 61; ++x)
            ASSERT_EQ(pixel(40 + x, 60 + y), pixel(40 + x, 90 + y))
                << x << "," << y << " " << savePicture("choice-menu");
}

TEST_F(ChoicePopup, ChecksFollowTheStyle) {
    for (const char* text : {"a", "b", "c"})
        menu->addEntry(text);
    menu->selectEntry(1, true);
    menu->setEntryCheck(2, true);
    auto checkedItems = [](const soft::MenuSnapshot& s) {
        std::vector<size_t> checked;
        for (size_t i = 0; i < s.items.size(); ++i)
            if (s.items[i].flags & platform::menuChecked)
                checked.push_back(i);
        return checked;
    };
    EXPECT_TRUE(checkedItems(open(-1)).empty());
    menu->setDisplayStyle(checkCurrent);
    EXPECT_EQ(checkedItems(open(-1)), (std::vector<size_t>{1}));
    menu->setDisplayStyle(checkEach | checkCurrent);
    EXPECT_EQ(checkedItems(open(0)), (std::vector<size_t>{2}));
    EXPECT_TRUE(menu->isEntryChecked(0)) << "choosing flips the entry's check";
    EXPECT_EQ(checkedItems(open(-1)), (std::vector<size_t>{0, 2}));
}

TEST_F(ChoicePopup, PositionButtonAndColumns) {
    for (int i = 0; i < 7; ++i)
        menu->addEntry("e");
    menu->setEntriesPerColumn(3);
    soft::MenuSnapshot below = open(-1, soft::rightButton);
    EXPECT_EQ(below.at.x, hostLeft + 40);
    EXPECT_EQ(below.at.y, hostTop + 72);
    EXPECT_EQ(below.flags, platform::trackRightButton);
    std::vector<size_t> breaks;
    for (size_t i = 0; i < below.items.size(); ++i)
        if (below.items[i].flags & platform::menuBreak)
            breaks.push_back(i);
    EXPECT_EQ(breaks, (std::vector<size_t>{3, 6}));

    menu->setDisplayStyle(popUpAtTop);
    soft::MenuSnapshot above = open(-1);
    EXPECT_EQ(above.at.y, hostTop + 60);
    EXPECT_EQ(above.flags, 0u);
}

TEST_F(ChoicePopup, MiddleButtonOpensNothing) {
    menu->addEntry("a");
    soft::chooseNextMenuCommand(0);
    click({50, 66}, soft::middleButton);
    soft::MenuSnapshot snapshot;
    EXPECT_FALSE(soft::lastTrackedMenu(snapshot));
    EXPECT_TRUE(listener.reports.empty());
}

TEST_F(ChoicePopup, AMenuThatHoldsItselfStillOpens) {
    menu->addEntry("a");
    menu->addSubmenu(menu, "again");
    soft::MenuSnapshot popup = open(0);
    EXPECT_EQ(popup.items.size(), 2u);
    EXPECT_EQ(listener.reports.size(), 1u);
    menu->removeAllEntries(); // give the reference it holds on itself back
}

} // namespace
} // namespace kestrune::test
