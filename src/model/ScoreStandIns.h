// Minimal forms of what the score records and the score root call in code that is not written
// yet: the document, the score location, drag tasks, the score's font table, the start-up font
// tables, and the records of pages and page texts. Each carries the name and signature
// its owner gives it and only the body that the callers here need; the owners replace them as
// they are written.
#pragma once
#include <cstdint>
#include <vector>

#include "framework/Types.h"
#include "model/ArrayItem.h"
#include "model/BarItem.h"
#include "model/SpacingTable.h"
#include "platform/FontRef.h"
#include "platform/StdArray.h"

// --- document ------------------------------------------------------------------------------

// The document that owns a score: the parts of it that the score and its records read.
class CZelDoc {
public:
    // A new document takes a copy of the current spacing table.
    CZelDoc() { GetCurrentSpacing(spacing); }
    // The space allotted to a note of a duration class, dotted or triplet, by the document's
    // spacing table.
    int GetAllotSpace(int durationClass, int dotted, int triplet) const {
        return spacing.GetSpace(durationClass, dotted, triplet);
    }
    int GetZoom() const { return zoom; }
    int SetZoom(int z) {
        const int old = zoom;
        zoom = z;
        return old;
    }
    // Runs a document command (the views follow it); the commands run are kept in order.
    void RunCommand(int id) { commands.push_back(id); }
    void SetModifiedFlag(bool on) { modified = on; }
    // Adds a redraw rectangle for a page.
    void AddDirtyRect(const RECT& rect, int page) {}
    // Asks the running edit operation to save a bar of a track for undo; true when none runs.
    bool SaveBarForUndo(int track, int bar) { return true; }

    int zoom = 100;                    // view zoom in percent
    std::uint16_t currentVoice = 0;    // the voice the document shows (0-7)
    std::uint8_t allVoicesShown = 1;   // all voices are shown
    std::int16_t currentTrack = 0;     // the document's current track
    SpacingTable spacing;              // the document's spacing table ("ALOT")
    std::vector<int> commands;         // commands run, in order
    bool modified = false;
};

// --- edit and view records -------------------------------------------------------------------

class CLine;
class CPage;
class CStaff;
class CTrack;
class CTrkBar;

// The record that locates a point in the score: the fields that bar items read and the ones
// the score's point location fills.
struct ScoreLocation {
    std::uint16_t voice = 0;
    std::int16_t position = 0;   // 1/1024 of the bar
    double time = 0;             // ticks; readers truncate toward zero
    std::int16_t barIndex = 0;
    std::uint16_t pageIndex = 0;
    CLine* system = nullptr;
    CStaff* staff = nullptr;
    CPage* page = nullptr;
    std::int32_t systemIndex = 0;
    std::int32_t trackIndex = 0;
    std::int32_t staffPosition = 0;   // half-space steps
    std::int32_t verticalOffset = 0;
    std::int32_t stemDirection = 0;   // the voice's stem setting
    CTrack* track = nullptr;
    CTrkBar* trkBar = nullptr;
};

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
