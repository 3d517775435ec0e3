#include "platform/FontLib.h"

#include "framework/CodePage.h"
#include "framework/Globals.h"
#include "platform/DrawGlobals.h"

CFontLib::CFontLib() {
    SetTag(Tag("FMAP"));
    SetItemSize(int(sizeof(FontMapSlot)));
    defaultFace = g_draw.defaultMusicFontRef.face;
    defaultSize = g_draw.defaultMusicFontRef.size;
    for (int i = 0; i < kSlots; ++i) {
        auto* slot = static_cast<FontMapSlot*>(items->InsertEmpty(i));
        if (slot) slot->face = defaultFace;
    }
    fonts = std::make_unique<CFontArray>();
}

FontMapSlot* CFontLib::Slots() {
    if (items->GetElementSize() != int(sizeof(FontMapSlot)) || items->GetCount() != kSlots) return nullptr;
    return static_cast<FontMapSlot*>(items->GetAt(0));
}

bool CFontLib::AcceptsItems(CStdArray& loaded) {
    return loaded.GetElementSize() == int(sizeof(FontMapSlot)) && loaded.GetCount() == kSlots;
}

void CFontLib::MapFonts(bool forSave) {
    fw::ScopedGlobal<bool> direction(g_draw.fontsForSave, forSave);
    if (forSave) fonts->Clear();
    FontRef face{defaultFace, defaultSize, 0, 0};
    fonts->ResolveFont(&face);
    defaultFace = face.face;
    const CFontList* list = GetFontList();
    fw::CopyText(defaultFaceName, sizeof defaultFaceName, list ? list->GetFaceName(defaultFace) : "");
    FontMapSlot* slots = Slots();
    if (!slots) return;
    for (int i = kFirstMappedSlot; i < kSlots; ++i) {
        FontRef ref{slots[i].face, defaultSize, 0, 0};
        fonts->ResolveFont(&ref);
        slots[i].face = ref.face;
    }
}
