// The document's fonts beyond what the score file carries: the jazz look of a new score, taken
// from the "JazzFontMap" symbol-map library in the library folder and the "JazzText" face.
#include <algorithm>
#include <cstring>

#include "framework/CodePage.h"
#include "model/Score.h"
#include "model/ZelDoc.h"
#include "platform/FileNames.h"
#include "platform/FontLib.h"

void CZelDoc::ApplyJazzFont() {
    CFontLib library;
    FileSpec record;
    const std::string path = CFontLib::FindFile(kJazzMapName);
    if (path.size() >= FileSpec::kPathSize) return;
    fw::CopyText(record.path, sizeof record.path, path);
    if (!library.Load(record)) return;
    const FontMapSlot* slots = library.Slots();
    if (!slots) return;
    std::copy(slots, slots + CFontLib::kSlots, fontMap.slots);
    fontMap.musicSize = library.defaultSize;
    FontRef text;
    const CFontList* list = GetFontList();
    if (!list || !list->FindFace(kJazzTextFace, &text, false)) return;
    for (TitleBlock& block : titles)
        for (TitleLine& line : block.lines) line.font.face = text.face;
    if (score) score->textFont2.face = score->textFont3.face = text.face;
}
