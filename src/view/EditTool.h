// The placing tools: a press, drag and release of the left button that puts one new item into
// the score. CEditTool builds the item in a scratch record while the button is down and puts
// it into the track bar under the release point; CNoteTool enters a note, a chord tone or a
// rest with its pitch from the staff position, the clef, the key and the bar's earlier
// accidentals, sounds it, checks it and moves the insertion point on.
#pragma once
#include <cstdint>

#include "model/DragTask.h"
#include "model/ScoreLocation.h"

class CBarItem;
class CZelDoc;

class CEditTool : public CDragTask {
public:
    static constexpr int kScratchSize = 4096;
    static constexpr int kTracks = 64;

    // Begins the tool on the document for the item hit (null: none) under its name.
    virtual void Start(CZelDoc* doc, CScoreItem* hit, int toolId);
    // Builds the item to place in the scratch record; the base builds nothing.
    virtual void BuildItem() {}
    // The tracks the tool works on: all with Ctrl, those with notes in the bar with Alt, else
    // none but the clicked one.
    virtual void MarkTracks();
    // Puts the scratch item into the track bar of the own location.
    virtual void Place();

    // The bar-range snapshot of a placing tool: the bars, then one bar more on each side with
    // the track bars.
    bool SaveTrackBarRange(int track1, int bar1, int track2, int bar2) override;

    void BeginItemDrag() override;   // press: builds the item
    void MoveItemDrag() override;    // moves go to the item being placed
    void EndItemDrag() override;     // release: locates and places
    void DrawDragImage() override {}
    void MouseUp(POINT current, POINT previous, POINT start) override;

    CBarItem* ScratchItem() { return reinterpret_cast<CBarItem*>(scratch); }

    alignas(8) std::uint8_t scratch[kScratchSize] = {};
    std::uint8_t ctrlFlag = 0;
    std::uint8_t altFlag = 0;
    std::uint8_t trackMask[kTracks] = {};
    ScoreLocation own;
    ScoreLocation* insertion = nullptr;
    CBarItem* newItem = nullptr;
    // Set once the item is in and copies go to further tracks: when memory runs out among the
    // copies, what is placed stays (error 100 is still reported) and one undo takes it all back.
    std::uint8_t keepsPlaced = 0;
};

class CNoteTool : public CEditTool {
public:
    // The tool's name (the undo entry's).
    static constexpr int kNameId = 6098;
    // What a "否" to one of the checks throws: the click is taken back.
    static constexpr int kRefusedCode = 106;

    void BuildItem() override;
    void MoveItemDrag() override { MoveGhost(); }
    // Follows the pointer while the button is down: the rest moves, the note changes its pitch
    // (and sounds it) once it has left the press's staff position by more than 2 steps.
    void MoveGhost();
    void Place() override;

    std::uint8_t chord = 0;              // the new note joins an existing note as a further head
    std::int16_t clickStaffPosition = 0; // 32767 once the note has moved away from the press
    std::int16_t wholeRest = 1;          // 0 when the bar's whole rest was taken away
    std::int16_t stem = 0;               // 0 automatic, 1 up, 2 down
    std::int16_t clef = 0;
    std::int16_t key = 0;
    std::int16_t sub = 0;                // the notes palette's sub-tool at the press: 903 note, 922 rest
    std::int16_t chosenAccidental = 0;   // the accidental the new head takes (chosen or carried)
    std::int32_t duration = 0;           // ticks
};

// Dialog 404: the note lies outside the track's range. Fills control 3's text with the pitch
// name (%1), the track name (%2) and the two bounds (%3, %4); true when the user chose "是".
bool RunRangeDialog(const char* trackName, int pitch, int low, int high);
