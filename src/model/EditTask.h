// The edit-operation framework: every undoable change to a score is a CScoreTask. Before a part
// of the score changes, the operation saves it (copy on first write: whole arrays of fixed-size
// records are cloned, a bar's own items and a track's bar run are deep-copied one bar at a
// time); undo and redo are one and the same exchange of the saved state with the live score.
// CCruise adds the walk over the selection's tracks, bars, voices and items with hooks that the
// edit commands override.
//
// The classes live in the model because the document (DoTask, the undo list, SaveBarForUndo)
// and the model's own operations run them; the commands built on them live in src/edit.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/Types.h"
#include "model/PageSetup.h"
#include "model/ScoreLocation.h"

class CBar;
class CBarArray;
class CBarItem;
class CLine;
class CLineArray;
class CPage;
class CPageArray;
class CPageTextArray;
class CScore;
class CScoreItem;
class CSelect;
class CStaff;
class CTrack;
class CTrackArray;
class CTrkBar;
class CTrkBarArray;
class CZelDoc;

// One element of a redraw list: a page and a rectangle on it.
struct PageDirtyRect {
    std::int16_t page = 0;
    RECT rect{};
};

// The selection's extent: lower and upper bounds of system, track, page, bar, time, position.
enum ExtentField : int { kExtentSystem, kExtentTrack, kExtentPage, kExtentBar, kExtentTime, kExtentPosition };

class CScoreTask {
public:
    static constexpr int kMaxSavedTracks = 64;
    // Codes the document's windows hear after a swap.
    enum : int { kHintBarCountChanged = 4319 };

    CScoreTask();
    // Clears the document's current-operation pointer when it names this operation and frees
    // every snapshot: deep copies only, the shared references are the live score's.
    virtual ~CScoreTask();
    CScoreTask(const CScoreTask&) = delete;
    CScoreTask& operator=(const CScoreTask&) = delete;

    // Binds the operation to its document with its command id: it becomes the document's current
    // operation, takes the score's counts, the zoom, the insertion point and a copy of the
    // selection; nothing is saved yet.
    void Attach(CZelDoc* doc, int nameId);

    // Shows the operation's dialog; false cancels the operation.
    virtual bool Prepare() { return true; }

    // --- snapshot steps: true when saved (or nothing to save); false when memory ran out,
    // which clears the snapshot-valid flag ---
    virtual bool SaveTrackBarRange(int track1, int bar1, int track2, int bar2);
    virtual bool SaveTrackBars(int track1, int track2);
    virtual bool SaveBars(int bar1, int bar2);
    virtual bool SaveBar(int bar);
    virtual bool SaveTrackBar(int track, int bar);
    virtual bool SaveAllTracksBars(int bar1, int bar2);
    virtual bool SaveRange(int track1, int bar1, int track2, int bar2);
    virtual bool SaveSystem(int line);
    virtual bool SaveTracks();
    virtual bool SavePages();
    virtual bool SaveLines();
    virtual bool SaveBarArray();
    virtual bool SaveTrackBarArrays(int track1, int track2);
    virtual bool SaveAll();
    virtual bool SavePageTexts();
    // Saves the whole layout (every bar, system and page), then respaces every bar, rejustifies
    // every system and lays out every page: an edit that may move anything. False when a pass
    // fails.
    bool SaveAndLayOutWholeScore();
    // Exchanges the saved state with the live score (undo and redo); nothing without a valid
    // snapshot.
    virtual void SwapSnapshot();
    // Invalidates what the operation changed: whole panes after a layout change, else the
    // redraw list.
    virtual void Redraw();
    // Changes the score.
    virtual bool Perform() { return true; }

    // Keeps the score's first option byte and the document's page setup for the swap.
    void SavePageSetup();
    // Deselects the saved copies' items and resets the saved selection, so that an undo never
    // brings a stale selection back.
    void ClearSnapshotMarks();
    // Frees every snapshot (the operation then has nothing to undo).
    void FreeSnapshots();

    // --- the redraw list: one entry per page ---
    void AddDirtyRect(const RECT& rect, int page);
    // The bar of a track's rectangle (its bar's extent on its staff) grown on every side by six
    // of the staff's line spacings (twelve while the score shows a MIDI data kind), on the page
    // of its system.
    void AddItemRect(CTrkBar* trkBar);
    // The same for the current bar of a track, the one an item being changed lies in, united
    // with the item's own bounds (its marks or curve may reach past the bar's rectangle).
    void AddItemRect(CScoreItem* item);
    void InflateDirtyRects(int n);
    // Makes the bar of a track current, lets the item invalidate itself and selects it whole
    // through the document's selection, drawn at once.
    void SelectItem(CScoreItem* item, CTrkBar* trkBar);
    const std::vector<PageDirtyRect>& DirtyRects() const { return dirtyRects; }

    void SetLayoutChanged(bool on = true) { layoutChanged = on ? 1 : 0; }
    void SetChanged(bool on) { changed = on ? 1 : 0; }
    // Marks the operation as begun (a drag once its feedback shows); answers the operation.
    CScoreTask* SetStarted(bool on) {
        started = on ? 1 : 0;
        return this;
    }
    bool IsStarted() const { return started != 0; }
    bool IsUndoable() const { return undoable != 0; }
    bool HasSnapshot() const { return hasSnapshot != 0; }

    // --- what tests and tools read ---
    bool HasSavedTrackBars(int track) const { return track >= 0 && track < kMaxSavedTracks && savedTrkBars[track]; }
    CTrkBarArray* SavedTrackBars(int track) const {
        return track >= 0 && track < kMaxSavedTracks ? savedTrkBars[track].get() : nullptr;
    }
    CBarArray* SavedBars() const { return savedBars.get(); }
    CSelect* SavedSelection() const { return savedSelection.get(); }

    int name = 0;                       // the command or tool id
    CZelDoc* document = nullptr;
    CScore* score = nullptr;

    std::uint8_t savedOptionByte = 0;
    std::int16_t savedTrackCount = 0, savedPageCount = 0, savedLineCount = 0, savedBarCount = 0;
    std::int16_t savedZoom = 0;
    std::int16_t barCountAtAttach = 0;
    std::int16_t savedScoreSize = 0;
    // The document's word that every swap exchanges: the number of lyric lines the score uses.
    std::int16_t savedDocWord = 0;
    CPageSetup savedPageSetup;
    ScoreLocation location;

    std::uint8_t changed = 0;
    std::uint8_t started = 0;
    std::uint8_t wholeScore = 0;
    std::uint8_t layoutChanged = 0;
    std::uint8_t undoable = 1;
    std::uint8_t hasSnapshot = 1;
    std::uint8_t pageSetupSaved = 0;
    std::uint8_t undone = 0;

    // The walk's cursor: filled from the insertion point at attach, moved by the walk.
    std::int16_t curBar = 0, curSystem = 0, curPage = 0, curTrack = 0, curVoice = 0;
    CBarItem* curItem = nullptr;
    CPage* page = nullptr;
    CLine* system = nullptr;
    CBar* bar = nullptr;
    CStaff* staff = nullptr;
    CTrack* track = nullptr;
    CTrkBar* trkBar = nullptr;

protected:
    std::vector<PageDirtyRect> dirtyRects;
    std::unique_ptr<CTrackArray> savedTracks;
    std::unique_ptr<CPageArray> savedPages;
    std::unique_ptr<CLineArray> savedLines;
    std::unique_ptr<CBarArray> savedBars;
    std::unique_ptr<CPageTextArray> savedPageTexts;
    std::unique_ptr<CSelect> savedSelection;
    std::unique_ptr<CTrkBarArray> savedTrkBars[kMaxSavedTracks];

private:
    bool Fail() {
        hasSnapshot = 0;
        return false;
    }
    void SwapBars();
    void SwapTrackBars();
};

// The operation that walks the selection: for each track and bar of the extent, each voice
// from the insertion point's (all voices when the insertion point says so), each selected live
// item of that voice goes through DoItem.
class CCruise : public CScoreTask {
public:
    // Attach, then the argument, the selection's extent and the walk's flags (redraw items,
    // deselect and compact on; recalculation of the bars off).
    void Attach(CZelDoc* doc, int nameId, int arg = 0);
    void SetCompact(bool on) { compact = on ? 1 : 0; }
    void SetRedrawItems(bool on) { redrawItems = on ? 1 : 0; }
    void SetDeselect(bool on) { deselect = on ? 1 : 0; }
    // Whether the items are selected again after the walk (attach sets it).
    void SetReselect(bool on) { reselect = on ? 1 : 0; }

    // The snapshot of the extent, then the walk over it. A snapshot that cannot be taken asks
    // whether to go on without undo (string 10020); No abandons the operation (the user
    // exception with code 1).
    virtual void Walk();
    virtual void WalkTracks();
    virtual void WalkBars();
    virtual void DoTrackBar();
    // Staff-level walk: every selected staff of the insertion point's page.
    virtual void WalkSystem();
    bool Perform() override;
    // The hooks: each selected item of the walked voice, the end of a voice's run, the end of a
    // track bar (after a voice met removed records, with compact on).
    virtual void DoItem() { changed = 1; }
    virtual void EndVoice() {}
    virtual void EndTrackBar();

    // Deselects every selected item of the extent and zeroes the selection's counters.
    void DeselectExtent();

    std::uint16_t redrawItems = 1;
    std::uint16_t deselect = 1;
    std::uint16_t compact = 1;
    std::uint16_t reselect = 1;
    std::uint8_t voiceFlags[8] = {};
    std::int16_t lower[6] = {};
    std::int16_t upper[6] = {};
    std::uint16_t recalcBars = 0;
    std::int32_t argument = 0;

private:
    void CopyExtent();
    // Asks whether to go on without undo; No throws.
    void AskToGoOnWithoutUndo();
};
