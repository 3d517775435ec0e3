// The selection of one document. What is selected lives in the score itself: bit 0 of an item's
// flag byte, bit 1 of a note head's first byte, and bit 0 of a bar of a track's flag byte (a
// boxed bar). The selection keeps what the edit operations need about it: counts by kind, the
// extent (the smallest box of pages, tracks, systems, bars and times that holds every selected
// item), the anchor a Shift gesture extends from, and a redraw list of page rectangles, one per
// page, which is the array's own elements.
//
// The gestures that make a selection (a click at the insertion point, a click with the anchor,
// the rubber band, whole tracks, a span, a time range) and the Edit > Select filters and find
// that narrow or search it are operations of this class.
#pragma once
#include <cstdint>

#include "framework/Types.h"
#include "model/EditTask.h"
#include "platform/StdArray.h"

class CBarItem;
class CScore;
class CTrkBar;
class CZelDoc;
struct ScoreLocation;

// The note filter's criteria (edited by the note filter dialog, kept for the program run).
struct NoteFilterCriteria {
    std::uint8_t pitchOn = 0;
    std::int16_t pitchMin = 0, pitchMax = 127;
    std::uint8_t durationOn = 0;
    std::int16_t durationMin = 120, durationMax = 480;
    std::uint8_t velocityOn = 0;
    std::int16_t velocityMin = 1, velocityMax = 127;
    std::uint8_t noteValueOn = 0;
    std::int16_t noteValue = 3;  // 0-6 the seven note values, 7-13 the same dotted
    std::uint8_t positionOn = 0;
    std::uint8_t everyOn = 0;
    std::int16_t positionIndex = 0;
    std::int16_t everyIndex = 0;
    std::uint8_t marksOn = 0;
    std::uint8_t marks[8] = {};
};

// The find criteria (edited by the find dialog in find or data-filter mode, kept for the run).
struct FindCriteria {
    std::uint8_t mode = 0;  // 0 find, 1 data filter
    std::uint8_t notesOn = 0;
    std::uint8_t pitchOn = 0;
    std::int16_t pitchMin = 0, pitchMax = 127;
    std::uint8_t durationOn = 0;
    std::int16_t durationMin = 120, durationMax = 480;
    std::uint8_t velocityOn = 0;
    std::int16_t velocityMin = 1, velocityMax = 127;
    std::uint8_t noteValueOn = 0;
    std::int16_t noteValue = 3;
    std::uint8_t marksOn = 0;
    std::uint8_t marks[8] = {};
    std::uint8_t controllerOn = 0;
    std::int16_t controllerNumberOn = 0, controllerNumber = 0;
    std::int16_t controllerValueOn = 0, controllerMin = 0, controllerMax = 0;
    std::uint8_t patchOn = 0;
    std::int16_t patchNumberOn = 0, patchNumber = 0;
    std::uint8_t pitchBendOn = 0, pitchBendValueOn = 0;
    std::int16_t pitchBendMin = 0, pitchBendMax = 0;
    std::uint8_t tempoOn = 0, tempoValueOn = 0;
    std::int16_t tempoMin = 0, tempoMax = 0;
    std::uint8_t hairpinOn = 0, hairpinValueOn = 0;
    std::int16_t hairpinMin = 0, hairpinMax = 0;
    std::uint8_t dynamicOn = 0, dynamicValueOn = 0;
    std::int16_t dynamicMin = 0, dynamicMax = 0;
    std::uint8_t expressionOn = 0, expressionKindOn = 0;
    std::int16_t expressionKind = 0;  // 0-3 a playback kind, 4 no playback
};

// The two criteria records of the program run (not the document's, not the preferences').
struct SelectionCriteria {
    NoteFilterCriteria noteFilter;
    FindCriteria find;
};
SelectionCriteria& SelectCriteria();

// The grid and duration steps of the filters: 0 for 0, 15 for 1; from 2 on 15 shifted left by
// index / 2, times 1.5 for an odd index (10 -> 480, 14 -> 1920, 15 -> 2880 ticks).
std::int16_t DurationFromIndex(int index);

class CSelect : public StdArrayClass<CSelect> {
public:
    // The part index that stands for a whole item.
    static constexpr int kWhole = -32767;
    // Rectangle modes: every kind, notes and rests only, no rectangle selection.
    enum : int { kRectAll = 0, kRectNotes = 1, kRectNone = 4 };
    // The commands of the Edit > Select menu.
    enum : int {
        kNoteFilterCommand = 32902, kDataFilterCommand = 32903, kFirstTypeFilter = 32904, kLastTypeFilter = 32915,
        kFindCommand = 32916, kFindNextCommand = 32917,
    };
    // The document commands the rubber band runs: nothing selected, the selection changed.
    enum : int { kNothingSelectedCommand = 4308, kSelectionChangedCommand = 4330 };
    // The end-of-score question of find.
    static constexpr int kEndOfScoreString = 10033;

    CSelect();

    // Binds the document, resets, gives the criteria records their defaults the first time in
    // the run, clears the anchor.
    void Init(CZelDoc* doc);
    // The score from the document; the document and score become the current ones.
    void BindDocument();
    // Counts and rectMode 0, no redraw entries, invalidRect empty, lower bounds 32767, upper -1.
    void Reset();
    // Deselects every item of the extent, unboxes every bar, deselects the page texts and
    // repaints what was selected; then Reset.
    void ClearAll();
    // Marks one item selected (part kWhole: the whole item; a head index of a note) and updates
    // the counts and the extent.
    void MarkItem(CBarItem* item, int part, CTrkBar* trkBar);
    // The track bar made current, MarkItem; with redraw, the item's rectangle to the redraw list.
    void SelectItem(CBarItem* item, int part, CTrkBar* trkBar, bool redraw);
    // The item deselects the part; counts and extent stay (Recount renews them).
    void DeselectItem(CBarItem* item, int part, CTrkBar* trkBar, bool redraw);
    // A changed rectangle on a page: empty ones ignored, one entry per page, unioned.
    void AddDirtyRect(const RECT& rect, int page);
    void EmptyRedrawList() { RemoveAll(); }
    const PageDirtyRect* RedrawEntry(int i) { return static_cast<const PageDirtyRect*>(GetAt(i)); }
    // Hands the redraw list to the document, which repaints it, and empties it.
    void FlushDirtyRects();
    // Counts again from the score inside the extent; the last item counted (null: none).
    CBarItem* Recount();
    void SetRectMode(int mode) { rectMode = mode; }
    // The anchor from a location: track, bar, time (truncated), position.
    void SetAnchor(const ScoreLocation& location);
    // The first and last bar with a boxed bar of a track in any track; false (first 32767)
    // when none.
    bool GetSelectedBarRange(int* first, int* last);

    // --- gestures ---
    // The select tool's press at a pane point (pixels of the document's current pane): the
    // band follows the mouse until release, then selects what it holds, or, for the zoom tool,
    // zooms to it (with Ctrl: out).
    void TrackRubberBand(int x, int y, bool zoomTool = false);
    // Selects what lies inside invalidRect on the current page.
    void SelectInRect();
    // Whole tracks t1..t2 (clamped); extend keeps the tracks already in the extent.
    void SelectTracks(int t1, int t2, bool extend);
    // Notes' heads and MIDI data of tracks t1..t2 whose play start lies in from..to (ticks from
    // the score's start).
    void SelectByTime(int t1, int t2, int from, int to);
    // Every shown item of tracks t1..t2 from (b1, p1) to (b2, p2) (positions 1/1024 of the bar);
    // with deselectOutside the selected items outside go.
    void SelectSpan(int t1, int b1, int p1, int t2, int b2, int p2, bool deselectOutside);
    // A click, double click or Shift click at the document's insertion point.
    void SelectAtInsertionPoint();
    // The select tool's click with the anchor.
    void ExtendToPoint(CBarItem* item);

    // --- filters and find ---
    void FilterSelection(int command);
    void FindNext(int command);
    // Whether a note meets the note filter's criteria (the heads outside go, head by head, with
    // deselect); whether an item meets the data section of the find criteria.
    bool MatchesData(CBarItem* item, const FindCriteria& c) const;

    int GetItemCount() const { return itemCount; }
    int GetNoteCount() const { return noteCount; }
    int GetRawNoteCount() const { return rawNoteCount; }
    bool IsEmpty() const { return upper[kExtentTrack] < lower[kExtentTrack] || upper[kExtentBar] < lower[kExtentBar]; }

    std::int32_t itemCount = 0;
    std::int32_t noteCount = 0;         // notes and rests without the special-head flag
    std::int32_t rawNoteCount = 0;      // performance notes
    std::int32_t specialNoteCount = 0;  // notes and rests with the special-head flag
    std::int32_t beamCount = 0;
    std::int32_t chordCount = 0;        // chord symbols and guitar frames
    std::int32_t boxedCount = 0;        // bars of a track met by the rectangle and span walks
    std::int32_t anchorTrack = 0, anchorBar = 0, anchorTime = 0, anchorPosition = 0;
    std::int32_t rectMode = 0;
    CZelDoc* document = nullptr;
    CScore* score = nullptr;
    RECT invalidRect{};
    // The band the last rubber band drew (page units; empty for a click), kept after the
    // selection's redraw (the scale tool marks the staves it holds).
    RECT lastBand{};
    // The extent, indexed by ExtentField: system, track, page, bar, time, position.
    std::int16_t lower[6] = {32767, 32767, 32767, 32767, 32767, 32767};
    std::int16_t upper[6] = {-1, -1, -1, -1, -1, -1};

private:
    bool PageShown(int page) const;
    void Box(CTrkBar* tb, bool on);
    bool FindFrom(int command, int startBar, int startTime);

    // The redraw entry the last rectangle went to: walks over a large score add many
    // rectangles to one page in a row, and the entry is tried before the list is searched.
    int lastDirtyEntry = 0;
};
