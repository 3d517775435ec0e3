// Minimal forms of what the score records and the score root call in code that is not written
// yet: drag tasks, the score's font table, the start-up font tables, and the records of pages
// and page texts (the document and its insertion point come with model/ZelDoc.h). Each carries
// the name and signature its owner gives it and only the body that the callers here need; the
// owners replace them as they are written.
#pragma once
#include <cstdint>

#include "framework/Types.h"
#include "model/ArrayItem.h"
#include "model/BarItem.h"
#include "model/SpacingTable.h"
#include "model/ZelDoc.h"
#include "platform/FontRef.h"
#include "platform/StdArray.h"

class CDragTask;
struct ItemPlayAction;
// The plain drag task of a score item (none until the drag tasks exist).
inline CDragTask* NewPlainDragTask() { return nullptr; }

// --- fonts ------------------------------------------------------------------------------------

// The score's font table: 34-byte entries (16-bit id, name).
class CFontArray : public StdArrayClass<CFontArray> {
public:
    static constexpr int kElementSize = 34;
    CFontArray() { SetElemSize(kElementSize); }
};

// Patches the scores were told are in use (score, port, channel, patch), in order.
class CScore;
struct NotedPatch {
    CScore* score;
    int port, channel, patch;
    bool operator==(const NotedPatch&) const = default;
};
std::vector<NotedPatch>& NotedPatches();

// The program-wide default font table, sixteen entries filled at start-up.
FontRef* DefaultFontTable();
// The font of the chord-frame library (the default chord frame font of a new score).
const FontRef& GuitarLibFontRef();

// --- score records ------------------------------------------------------------------------------

// Pages and tracks come with their own headers.
#include "model/Page.h"

// A text placed on the page itself (a text item of the score's page-text array).
class CPageText : public CBarItem {};
ZEL_RECORD_VIEW(CPageText);

#include "model/Track.h"
