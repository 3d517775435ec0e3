// Minimal forms of what the document calls in code that is not written yet: the selection, the
// support windows that hear the document's notices, the performer's running flag, the importers,
// the in-place text entry and the document's command dispatch and key handler (CZelDoc::RunCommand and
// CZelDoc::OnKeyChar, whose least bodies are in DocumentStandIns.cpp). Each carries its owner's
// name and only the least body the document needs.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/Gdi.h"
#include "framework/Types.h"

class CBaseItem;
class CZelDoc;

// The selection of a document: the selected marks live in the records themselves (bit 0 of an
// item's flag byte, bit 1 of a note head's first byte); the selection keeps the extent they lie
// in, its kind counters and the redraw list of what changed. Copyable: an edit operation keeps a
// copy for undo.
class CSelect {
public:
    virtual ~CSelect() = default;
    // Counters 0, every lower bound 32767 and every upper bound -1.
    virtual void Reset() {
        count = noteRestCount = rawNoteCount = flaggedNoteCount = beamCount = chordCount = 0;
        for (int i = 0; i < 6; ++i) {
            lower[i] = 32767;
            upper[i] = -1;
        }
    }
    // Deselects everything and redraws what was selected; the extent's bounds stay.
    virtual void ClearAll() { count = 0; }
    virtual void AddDirtyRect(const RECT& rect, int page) {
        ++dirtyRects;
        redrawList.push_back({rect, page});
    }
    virtual void EmptyRedrawList() {
        dirtyRects = 0;
        redrawList.clear();
    }
    virtual void Select(CBaseItem* item) { ++count; }
    // Marks an item selected (head index -32767: the whole item) in its bar of a track; asked,
    // its rectangle goes to the redraw list.
    virtual void SelectItem(CBaseItem* item, int head, class CTrkBar* trkBar, bool invalidate) { Select(item); }
    virtual int GetCount() const { return count; }
    bool IsEmpty() const { return upper[3] < lower[3] || upper[1] < lower[1]; }
    // Carries out the pending redraws: the document is made current and the page rectangles of
    // the redraw list are drawn again in their panes.
    virtual void FlushDirtyRects();

    CZelDoc* document = nullptr;  // bound by the document that made it

    // Kind counters: all items, notes and rests, performance notes, flagged notes, beams, chord
    // symbols and frames.
    int count = 0;
    int noteRestCount = 0, rawNoteCount = 0, flaggedNoteCount = 0, beamCount = 0, chordCount = 0;
    // The extent: system, track, page, bar, time, position.
    std::int16_t lower[6] = {32767, 32767, 32767, 32767, 32767, 32767};
    std::int16_t upper[6] = {-1, -1, -1, -1, -1, -1};
    int dirtyRects = 0;
    struct Dirty {
        RECT rect;
        int page;
    };
    std::vector<Dirty> redrawList;
};

// The windows that hear the document's notices (target 0 the chord window, 1 the graphic
// window, 4 the track window, 5 the transport bar; 2 and 3 nobody): each receives the code.
// The windows put themselves in when they are made.
using DocumentHintReceiver = std::function<void(int code)>;
std::array<DocumentHintReceiver, 6>& DocumentHintTargets();

// Whether the performer plays (set while playback runs).
bool& PlaybackRunning();

// Set by whoever changes the MIDI thru target; the application's idle work routes it.
bool& ThruChangePending();

class CFile;
// The MIDI file import and the score importers (".mid", ".kar", ".enc", ".mus", ".xml",
// ".etf"), by the file's ending in lower case: each reads the open file into the document's
// score and answers a read result code. None is written yet: every ending is refused (101).
using ScoreImporterFn = std::function<int(const std::string& ending, CZelDoc& doc, CFile& file)>;
ScoreImporterFn& ScoreImporter();

// The in-place text entry, an edit operation of its own: what the style bar's update reads of
// the text it edits.
class CTextTask {
public:
    std::uint8_t flags[2] = {};  // the text's first and second flag bytes
    std::int32_t alignment = 0;  // 0 left, 1 centre, 2 right
    std::uint8_t styleBits = 0;  // 1 bold, 2 italic, 4 underline
};
