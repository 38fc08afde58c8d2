#include "controls/ChoiceMenu.h"

#include "controls/ControlMath.h"
#include "graphics/Bitmap.h"
#include "graphics/Frame.h"
#include "graphics/GraphicsContext.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace kestrune {

namespace pf = platform;

namespace {

constexpr int entryGrowth = 32;
constexpr int submenuGrowth = 10;
constexpr int32_t columnBreakLimit = 160;
// Deeper nesting (a menu that holds itself, for instance) is left out of the popup.
constexpr int deepestSubmenu = 16;

bool isSeparator(const char* entry) {
    return std::strcmp(entry, "-") == 0;
}

bool hasCode(const char* entry, char code) {
    return entry[0] == '-' && entry[1] == code;
}

bool isTitle(const char* entry) {
    return hasCode(entry, 'T');
}

void copyEntryText(char* out, const char* in) {
    std::strncpy(out, in, menuEntryCapacity - 1);
    out[menuEntryCapacity - 1] = 0;
}

// The command numbers a menu reserved for its entries while a popup is built.
struct CommandRange {
    ChoiceMenu* menu;
    uint32_t first;
};

// Builds the popup for `menu` and its submenus: the menu reserves one command per entry, entry k
// taking first + k, and its submenus follow depth-first with the next numbers.
pf::Menu buildPopup(ChoiceMenu* menu, uint32_t& nextCommand, std::vector<CommandRange>& ranges,
                    int depth) {
    pf::Menu popup = pf::createPopupMenu();
    if (!popup)
        return nullptr;
    uint32_t first = nextCommand;
    nextCommand += uint32_t(menu->entryCount);
    ranges.push_back({menu, first});

    int submenuIndex = 0;
    bool columns = menu->entryCount < columnBreakLimit && menu->entriesPerColumn > 0;
    for (int k = 0; k < menu->entryCount; ++k) {
        const char* entry = menu->entries[k];
        uintptr_t command = first + uint32_t(k);
        if (isSeparator(entry)) {
            pf::appendMenuItem(popup, pf::menuSeparator, command, nullptr);
            continue;
        }
        uint32_t flags = pf::menuString;
        if (columns && k > 0 && k % menu->entriesPerColumn == 0)
            flags |= pf::menuBreak;
        if (hasCode(entry, 'M')) {
            ChoiceMenu* sub =
                submenuIndex < menu->submenuCount ? menu->submenus[submenuIndex] : nullptr;
            ++submenuIndex;
            pf::Menu subPopup = sub && depth < deepestSubmenu
                                    ? buildPopup(sub, nextCommand, ranges, depth + 1)
                                    : nullptr;
            if (subPopup && !pf::appendMenuItem(popup, flags | pf::menuPopup,
                                                reinterpret_cast<uintptr_t>(subPopup), entry + 2))
                pf::destroyMenu(subPopup);
            continue;
        }
        const char* shown = entry;
        if (hasCode(entry, 'G')) {
            flags |= pf::menuGrayed;
            shown += 2;
        } else if (isTitle(entry)) {
            flags |= pf::menuDisabled;
            shown += 2;
        } else {
            bool checked = (menu->style & checkEach)
                               ? menu->checks[k] != 0
                               : (menu->style & checkCurrent) && k == menu->currentIndex;
            if (checked)
                flags |= pf::menuChecked;
        }
        pf::appendMenuItem(popup, flags, command, shown);
    }
    return popup;
}

} // namespace

ChoiceMenu::ChoiceMenu(const GuiRect& bounds_, ValueListener* listener_, int tag_,
                       Bitmap* background_, Bitmap* openBackground_, int style_)
    : ValueReadout(bounds_, background_, style_), menuHandle(nullptr), entries(nullptr),
      submenus(nullptr), checks(nullptr), entryCount(0), submenuCount(0), currentIndex(-1),
      openBackground(openBackground_), lastButtons(mouseRight), entriesPerColumn(-1),
      entryCapacity(0), submenuCapacity(0), numbering(0), lastMenu(nullptr) {
    listener = listener_;
    tag = tag_;
    if (openBackground)
        openBackground->addReference();
}

ChoiceMenu::~ChoiceMenu() {
    removeAllEntries();
    delete[] entries;
    delete[] checks;
    delete[] submenus;
    if (openBackground)
        openBackground->release();
}

// ---- the entry list ----

bool ChoiceMenu::growEntries() {
    if (entryCount < entryCapacity)
        return true;
    int capacity = entryCapacity + entryGrowth;
    auto* moreEntries = new (std::nothrow) char*[size_t(capacity)];
    auto* moreChecks = new (std::nothrow) uint8_t[size_t(capacity)];
    if (!moreEntries || !moreChecks) {
        delete[] moreEntries;
        delete[] moreChecks;
        return false;
    }
    for (int i = 0; i < entryCount; ++i) {
        moreEntries[i] = entries[i];
        moreChecks[i] = checks[i];
    }
    delete[] entries;
    delete[] checks;
    entries = moreEntries;
    checks = moreChecks;
    entryCapacity = capacity;
    return true;
}

bool ChoiceMenu::growSubmenus() {
    if (submenuCount < submenuCapacity)
        return true;
    int capacity = submenuCapacity + submenuGrowth;
    auto* more = new (std::nothrow) ChoiceMenu*[size_t(capacity)];
    if (!more)
        return false;
    for (int i = 0; i < submenuCount; ++i)
        more[i] = submenus[i];
    delete[] submenus;
    submenus = more;
    submenuCapacity = capacity;
    return true;
}

// The stored text: the code, the number of the entry's 1-based position with a blank when
// numbering is on, and the text.
void ChoiceMenu::formatEntry(char* out, const char* code, const char* text, int position) const {
    const char* format = "%s%s";
    switch (numbering) {
    case 2:
        format = "%s%1d %s";
        break;
    case 3:
        format = "%s%02d %s";
        break;
    case 4:
        format = "%s%03d %s";
        break;
    default:
        std::snprintf(out, menuEntryCapacity, format, code, text);
        return;
    }
    std::snprintf(out, menuEntryCapacity, format, code, position, text);
}

bool ChoiceMenu::addEntry(const char* text, int index) {
    if (entryCount >= maximumMenuEntries || !growEntries())
        return false;
    auto* entry = new (std::nothrow) char[menuEntryCapacity];
    if (!entry)
        return false;
    if (index < 0 || index > entryCount)
        index = entryCount;
    formatEntry(entry, "", text ? text : "", index + 1);
    for (int i = entryCount; i > index; --i) {
        entries[i] = entries[i - 1];
        checks[i] = checks[i - 1];
    }
    entries[index] = entry;
    checks[index] = 0;
    ++entryCount;
    if (currentIndex >= index)
        ++currentIndex;
    if (currentIndex < 0)
        currentIndex = 0;
    return true;
}

bool ChoiceMenu::addSubmenu(ChoiceMenu* menu, const char* text) {
    if (entryCount >= maximumMenuEntries || !menu || !text || !growEntries() || !growSubmenus())
        return false;
    auto* entry = new (std::nothrow) char[menuEntryCapacity];
    if (!entry)
        return false;
    formatEntry(entry, "-M", text, entryCount + 1);
    entries[entryCount] = entry;
    checks[entryCount] = 0;
    ++entryCount;
    submenus[submenuCount++] = menu;
    menu->addReference();
    return true;
}

int ChoiceMenu::currentEntry(char* out, bool countAll) {
    if (!inRange(currentIndex))
        return -1;
    if (out)
        std::strcpy(out, entries[currentIndex]);
    if (countAll)
        return currentIndex;
    int before = 0;
    for (int i = 0; i < currentIndex; ++i)
        if (!isSeparator(entries[i]) && !isTitle(entries[i]))
            ++before;
    return before;
}

bool ChoiceMenu::selectEntry(int index, bool countAll) {
    if (!inRange(index))
        return false;
    if (countAll) {
        if (isSeparator(entries[index]))
            return false;
        currentIndex = index;
    } else {
        // The index-th choosable entry; the last entry when there are fewer.
        int chosen = entryCount - 1;
        int seen = 0;
        for (int i = 0; i < entryCount; ++i) {
            if (isSeparator(entries[i]) || isTitle(entries[i]))
                continue;
            if (seen++ == index) {
                chosen = i;
                break;
            }
        }
        currentIndex = chosen;
    }
    markForRepaint(true);
    return true;
}

bool ChoiceMenu::copyEntry(int index, char* out) {
    if (!inRange(index))
        return false;
    if (out)
        std::strcpy(out, entries[index]);
    return true;
}

bool ChoiceMenu::replaceEntry(int index, const char* text) {
    if (!inRange(index))
        return false;
    if (text)
        copyEntryText(entries[index], text);
    return true;
}

bool ChoiceMenu::removeEntry(int index) {
    if (!inRange(index))
        return false;
    delete[] entries[index];
    for (int i = index; i + 1 < entryCount; ++i) {
        entries[i] = entries[i + 1];
        checks[i] = checks[i + 1];
    }
    --entryCount;
    if (currentIndex >= index)
        --currentIndex;
    if (entryCount == 0)
        currentIndex = -1;
    return true;
}

bool ChoiceMenu::removeAllEntries() {
    for (int i = 0; i < entryCount; ++i)
        delete[] entries[i];
    entryCount = 0;
    for (int i = 0; i < submenuCount; ++i)
        submenus[i]->release();
    submenuCount = 0;
    currentIndex = -1;
    return true;
}

int ChoiceMenu::countEntries() {
    return entryCount;
}

int ChoiceMenu::findEntry(const char* text) {
    if (!text)
        return -1;
    for (int i = 0; i < entryCount; ++i)
        if (std::strcmp(entries[i], text) == 0)
            return i;
    return -1;
}

bool ChoiceMenu::setEntryCheck(int index, bool flag) {
    if (!inRange(index))
        return false;
    checks[index] = flag ? 1 : 0;
    return true;
}

bool ChoiceMenu::checkOnlyEntry(int index) {
    if (!inRange(index))
        return false;
    for (int i = 0; i < entryCount; ++i)
        checks[i] = 0;
    checks[index] = 1;
    return true;
}

bool ChoiceMenu::isEntryChecked(int index) {
    return inRange(index) && checks[index] != 0;
}

void ChoiceMenu::setEntriesPerColumn(int count) {
    entriesPerColumn = count;
}

int ChoiceMenu::readEntriesPerColumn() {
    return entriesPerColumn;
}

void ChoiceMenu::setNumbering(int mode) {
    numbering = mode;
}

void ChoiceMenu::putValue(float v) {
    if (!(v == v))
        return;
    int index = truncateToInt(v);
    if (!inRange(index))
        return;
    currentIndex = index;
    if (style & checkEach)
        checks[index] = checks[index] ? 0 : 1;
    value = v;
    markForRepaint(true);
}

ChoiceMenu* ChoiceMenu::lastChoice(int& index) {
    index = lastMenu ? truncateToInt(lastMenu->value) : -1;
    return lastMenu;
}

// ---- drawing ----

void ChoiceMenu::paint(GraphicsContext* context) {
    const char* shown = nullptr;
    if (inRange(currentIndex)) {
        shown = entries[currentIndex];
        size_t length = std::strlen(shown);
        size_t prefix = numbering > 0 ? size_t(numbering) : 0;
        shown += prefix < length ? prefix : length;
    }
    paintText(context, shown, nullptr);
}

// ---- the popup ----

void ChoiceMenu::mouseDown(GraphicsContext* context, GuiPoint&) {
    if (!mouseActive || !frame || !context)
        return;
    lastButtons = context->queryMouseButtons();
    if (!(lastButtons & (mouseLeft | mouseRight)))
        return;
    if (openBackground) {
        char shown[menuEntryCapacity];
        std::snprintf(shown, sizeof shown, "%s",
                      inRange(currentIndex) ? entries[currentIndex] : "");
        paintText(context, shown, openBackground);
    }
    frame->moveFocusTo(this);
    focusGained(context);
}

void ChoiceMenu::focusLost(GraphicsContext*) {
    menuHandle = nullptr;
}

void ChoiceMenu::focusGained(GraphicsContext* context) {
    if (!frame)
        return;

    // Where the popup opens, on the screen.
    GuiPoint origin{0, 0};
    if (context) {
        origin = context->windowOrigin;
    } else if (frame->window) {
        pf::Rect r{};
        if (pf::windowRect(frame->window, r))
            origin = {r.left, r.top};
    }
    int x = origin.h + bounds.left;
    int y = origin.v + ((style & popUpAtTop) ? bounds.top : bounds.bottom);

    // Build, track and destroy the popup; a choice arrives as a command message.
    std::vector<CommandRange> ranges;
    uint32_t nextCommand = 0;
    menuHandle = buildPopup(this, nextCommand, ranges, 0);
    bool chosen = false;
    uint32_t command = 0;
    if (menuHandle) {
        uint32_t flags = (lastButtons & mouseRight) ? pf::trackRightButton : 0;
        pf::Message message{};
        if (pf::trackPopupMenu(menuHandle, flags, x, y, frame->window) &&
            pf::peekMessage(message, frame->window, pf::messageCommand, pf::messageCommand,
                            pf::peekRemove) &&
            message.wParam < 65536) {
            chosen = true;
            command = uint32_t(message.wParam);
        }
        pf::destroyMenu(menuHandle);
    }
    menuHandle = nullptr;
    frame->moveFocusTo(nullptr);
    if (!chosen && !openBackground)
        return;

    pf::DeviceContext dc = nullptr;
    GraphicsContext* own = nullptr;
    if (!context && frame->window) {
        dc = pf::acquireWindowDC(frame->window);
        own = new GraphicsContext(frame, dc, frame->window);
        context = own;
    }
    if (openBackground)
        markForRepaint(true); // the open picture goes at the next repaint
    if (chosen) {
        // The menu whose reserved range holds the command: this one first, then its submenus
        // depth-first, as they were built.
        for (const CommandRange& range : ranges) {
            if (command < range.first || command >= range.first + uint32_t(range.menu->entryCount))
                continue;
            ChoiceMenu* menu = range.menu;
            lastMenu = menu;
            menu->putValue(float(command - range.first));
            if (listener)
                listener->controlChanged(context, menu);
            break;
        }
    }
    delete own;
    if (dc)
        pf::releaseWindowDC(frame->window, dc);
}

} // namespace kestrune
