#include "platform/FontMenu.h"

#include "platform/FontMap.h"

int CFontMenu::TrackSelect(int x, int y, int current) {
    if (!Load(kMenuId)) return -1;
    CMenu* p = Popup();
    p->DeleteMenu(0, MF_BYPOSITION);  // the placeholder
    if (CFontList* list = GetFontList()) {
        for (int i = 0; i < list->GetCount(); ++i) {
            UINT flags = MF_STRING;
            if (i > 0 && i % kFacesPerColumn == 0) flags |= MF_MENUBARBREAK;
            p->AppendMenu(flags, UINT_PTR(i + 1), list->GetFaceName(i));
        }
    }
    return CStdMenu::TrackSelect(x, y, current);
}
