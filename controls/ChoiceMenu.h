// A readout that pops up a platform menu of text entries, with submenus, and shows the chosen
// entry. An entry's first characters may carry a code: exactly "-" is a separator, "-T" a title
// (shown disabled), "-G" a greyed entry, "-M" a submenu entry (added by addSubmenu); the code is
// not shown.
#pragma once

#include "controls/ValueReadout.h"
#include "platform/Platform.h"

#include <cstdint>

namespace kestrune {

// Style bits of a choice menu (besides the readout's).
enum ChoiceMenuStyle : int32_t {
    checkEach = 1,       // every entry has its own check mark, flipped when it is chosen
    popUpAtTop = 512,    // the popup opens at the top edge of the control, not the bottom
    checkCurrent = 1024, // the current entry shows a check mark (without checkEach)
};

inline constexpr int32_t maximumMenuEntries = 1024;
inline constexpr int menuEntryCapacity = 256;

class ChoiceMenu : public ValueReadout {
public:
    ChoiceMenu(const GuiRect& bounds, ValueListener* listener, int tag, Bitmap* background,
               Bitmap* openBackground, int style);
    ~ChoiceMenu() override;

    void paint(GraphicsContext* context) override;
    void mouseDown(GraphicsContext* context, GuiPoint& where) override;
    void focusLost(GraphicsContext* context) override;
    void focusGained(GraphicsContext* context) override; // the popup
    // Makes the entry at the truncated value current; other values change nothing.
    void putValue(float v) override;

    // ---- operations added by ChoiceMenu, in their order ----
    virtual bool addEntry(const char* text, int index = -1);
    virtual bool addSubmenu(ChoiceMenu* menu, const char* text);
    virtual int currentEntry(char* out, bool countAll);
    virtual bool selectEntry(int index, bool countAll);
    virtual bool copyEntry(int index, char* out);
    virtual bool replaceEntry(int index, const char* text);
    virtual bool removeEntry(int index);
    virtual bool removeAllEntries();
    virtual int countEntries();
    virtual int findEntry(const char* text);
    virtual bool setEntryCheck(int index, bool flag);
    virtual bool checkOnlyEntry(int index);
    virtual bool isEntryChecked(int index);
    virtual void setEntriesPerColumn(int count);
    virtual int readEntriesPerColumn();
    virtual void setNumbering(int mode);

    // The menu or submenu of the last choice, with its value as `index`; null and -1 when no
    // choice was made.
    ChoiceMenu* lastChoice(int& index);

    platform::Menu menuHandle;
    char** entries;
    ChoiceMenu** submenus;
    uint8_t* checks;
    int32_t entryCount;
    int32_t submenuCount;
    int32_t currentIndex;
    Bitmap* openBackground;
    int32_t lastButtons;
    int32_t entriesPerColumn;
    int32_t entryCapacity;
    int32_t submenuCapacity;
    int32_t numbering;
    ChoiceMenu* lastMenu;

private:
    bool growEntries();
    bool growSubmenus();
    bool inRange(int index) const { return index >= 0 && index < entryCount; }
    void formatEntry(char* out, const char* code, const char* text, int position) const;
};

} // namespace kestrune
