#include "platform/MenuFilter.h"

#include <cstring>
#include <strings.h>

#include "framework/ImageList.h"
#include "framework/Menu.h"

namespace {

// The add-video command: deleted by command wherever it lies.
constexpr std::int32_t kAddVideo = 33019;

// Submenu titles to hide, ended by null.
const char* const HiddenSubmenuTitles[] = {nullptr};

// Palette and image-strip entries to hide: a record per palette or strip, ended by a record
// whose bitmap id is 0; each entry's value 0 ends its list.
struct HiddenEntry {
    std::int32_t value;
    std::int32_t shown;
};
struct HiddenImageTable {
    std::int32_t paletteKey;
    std::int32_t bitmapId;
    const HiddenEntry* entries;
};
const HiddenImageTable HiddenImageTables[] = {{0, 0, nullptr}};

const HiddenImageTable* FindTable(int bitmapId, int paletteKey) {
    for (const HiddenImageTable* t = HiddenImageTables; t->bitmapId != 0; ++t)
        if ((bitmapId && t->bitmapId == bitmapId) || (paletteKey && t->paletteKey == paletteKey)) return t;
    return nullptr;
}

}  // namespace

// Note > Group > triplet, quintuplet, septuplet; Note > Stem > reset stem height; Options >
// Display > feet as the unit; Score > add video.
const std::int32_t HiddenCommandIds[] = {35307, 35308, 35309, 35507, 36108, kAddVideo, 0};

bool IsHiddenCommand(std::int32_t id) {
    for (const std::int32_t* p = HiddenCommandIds; *p; ++p)
        if (*p == id) return true;
    return false;
}

bool IsHiddenSubmenu(CMenu* menu, int position) {
    if (!HiddenSubmenuTitles[0] || !menu) return false;
    char title[256] = {};
    menu->GetMenuString(UINT(position), title, sizeof title, MF_BYPOSITION);
    for (const char* const* t = HiddenSubmenuTitles; *t; ++t)
        if (strcasecmp(title, *t) == 0) return true;
    return false;
}

void FilterMenu(CMenu* menu) {
    if (!menu || !menu->GetSafeHmenu()) return;
    for (int pos = 0; pos < int(menu->GetMenuItemCount()); ++pos) {
        if (CMenu* sub = menu->GetSubMenu(pos)) {
            if (IsHiddenSubmenu(menu, pos)) {
                menu->DeleteMenu(UINT(pos), MF_BYPOSITION);
                --pos;
            } else {
                FilterMenu(sub);
            }
            continue;
        }
        const std::int32_t id = std::int32_t(menu->GetMenuItemID(pos));
        if (id == kAddVideo) {
            menu->DeleteMenu(UINT(id), MF_BYCOMMAND);
            --pos;
        } else if (id == 0 && pos > 0 && !menu->GetSubMenu(pos - 1) && menu->GetMenuItemID(pos - 1) == 0) {
            menu->DeleteMenu(UINT(pos), MF_BYPOSITION);
            --pos;
        } else if (id != 0 && IsHiddenCommand(id)) {
            menu->DeleteMenu(UINT(id), MF_BYCOMMAND);
            --pos;
        }
    }
    const int n = int(menu->GetMenuItemCount());
    if (n > 0 && !menu->GetSubMenu(n - 1) && menu->GetMenuItemID(n - 1) == 0)
        menu->DeleteMenu(UINT(n - 1), MF_BYPOSITION);
}

void FilterImageList(CImageList* list, int bitmapId) {
    const HiddenImageTable* t = FindTable(bitmapId, 0);
    if (!t || !list) return;
    // Hidden entries' images go, from the last so the positions before stay put.
    int count = 0;
    while (t->entries[count].value) ++count;
    for (int i = count - 1; i >= 0; --i)
        if (!t->entries[i].shown) list->Remove(i);
}

void FilterCellMap(std::int16_t* cellMap, int count, int bitmapId) {
    const HiddenImageTable* t = FindTable(bitmapId, 0);
    if (!t || !cellMap) return;
    int n = 0;
    for (int i = 0; t->entries[i].value && n < count; ++i)
        if (t->entries[i].shown) cellMap[n++] = std::int16_t(i);
}

void FilterPaletteButtons(int paletteKey, int buttonCount, std::vector<int>* shown) {
    if (!shown) return;
    shown->clear();
    const HiddenImageTable* t = FindTable(0, paletteKey);
    int count = 0;
    while (t && t->entries[count].value) ++count;
    for (int i = 0; i < buttonCount; ++i)
        if (!t || i >= count || t->entries[i].shown) shown->push_back(i);
}
