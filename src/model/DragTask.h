// The base of every mouse interaction on a page: dragging an item (note, mark, text, beam end,
// staff, label...) and, through the placing tools, putting a new one in. A drag is itself an
// undoable edit operation: it begins on the document, follows the page pane's mouse loop
// (press, moves, release, in page coordinates), and is pushed on the undo list when the
// release point differs from the press point.
//
// The drag state (DragState) is what the items' drag slots read and write; the task is its own
// drag state, so an item's slot gets the task and reads the step from it.
#pragma once
#include <cstdint>
#include <vector>

#include "framework/Types.h"
#include "model/EditTask.h"
#include "platform/Pane.h"

class CBarItem;
struct ScoreLocation;
class CDragTask;
class CScoreItem;

// What one step of a drag tells the dragged object.
struct DragState {
    std::uint8_t horizontal = 0;       // the first movement was wider than tall (the Shift axis lock's axis)
    std::uint8_t moved = 0;            // set at the release: the final point differs from the press point
    POINT current{};                   // the pointer now, page coordinates
    POINT start{};                     // the press point
    POINT previous{};                  // the pointer at the previous move
    POINT anchor{};                    // the item's reference point, advanced by each move's dx
    CScoreItem* item = nullptr;        // the dragged item (the duplicate in a copy drag)
    std::int32_t unitDx = 0;           // this step's move in the dragged object's own units
    std::int32_t unitDy = 0;           // (label units of its staff for a track label)
    std::int32_t dx = 0;               // this step's move, page units (down positive); at the
    std::int32_t dy = 0;               // threshold the distance from the press point
    std::int32_t positionStep = 0;     // this step's move in 1/1024 of the bar
    std::int16_t pitchContext[2] = {};  // what the track bar's pitch update gave at the begin
    std::int32_t targetStaffPos = 0;   // the staff position under the pointer
    std::int16_t startPosition = 0;    // the press x in 1/1024 of the bar (bar items)
    std::int16_t startStaffPos = 0;    // the staff position of the press (bar items)
    std::int32_t counters[2] = {};     // cleared at the press; the drags keep their own counts there
    std::uint8_t flag = 0;             // no vertical step while set (beam drags)
    std::uint8_t toggled = 0;          // a modifier toggle has happened in this drag
    std::int32_t unitX = 0;            // the press point in the object's own units, advanced by each unit step
    std::int32_t unitY = 0;
    CBarItem* source = nullptr;        // in a copy drag the source item (the record after the duplicate)
    CBarItem* result = nullptr;        // the record a drop placed (null: none)
};

// The drags' globals: what the items' drags and the rulers read while a drag runs.
struct ViewDragGlobals {
    bool allTracksFlag = false;   // a multi-bar rest's drag reaches every track
    bool fineStepFlag = false;    // vertical drag steps of one staff step
    bool modifierFlagA = false;   // keys held during a drag
    bool modifierFlagB = false;
    int draggedPart = 0;          // the part of a beam under the pointer: 0 start, 1 body, 2 end
    CDragTask* currentTask = nullptr;  // the drag that runs
    int tool = 0;                 // the tool the click that started the drag runs under
    int currentTool = 0;          // the tool state's tool at that click (the click may run under the select tool)
    int clefDx = 0;               // a clef drag's running horizontal offset, page units, that its drawing adds
    // The records of a dragged octave line, in bar order, with their bars; its track.
    struct ChainPiece {
        CBarItem* record;
        int bar;
    };
    std::vector<ChainPiece> chain;
    int chainTrack = 0;
    bool feedbackOn = false;      // the item was painted out at the first move; until the release
    std::uint8_t performanceEdit = 0;  // performance editing: the drag writes the pointer back
    std::uint8_t locateByAnchor = 0;   // moves locate with the anchor's x rather than the pointer's
};
extern ViewDragGlobals g_viewDrag;
void ResetViewDragGlobals();

class CDragTask : public CScoreTask, public CMouseTask, public DragState {
public:
    // The pointer must leave the press point by this much (either axis) before the drag moves.
    static constexpr int kThreshold = 2;

    CDragTask() = default;
    ~CDragTask() override;

    // Attaches the operation to the document with its name and prepares the drag of the item
    // (null: none): copy drag, snapshot, the current location, bounds and pitch context.
    virtual void Begin(CZelDoc* doc, CScoreItem* item, int nameId);

    void MouseDown(POINT start) override;
    void MouseMove(POINT current, POINT previous, POINT start) override;
    void MouseUp(POINT current, POINT previous, POINT start) override;

    // The snapshot by the kind of the dragged object: tracks, page texts, the system of a staff,
    // and every bar to the score's end for a clef or key signature.
    bool SaveTrackBarRange(int track1, int bar1, int track2, int bar2) override;

    virtual void SetContext();
    // The item's drag hooks; nothing without an item.
    virtual void BeginItemDrag();
    virtual void MoveItemDrag();
    virtual void EndItemDrag();
    virtual void DrawDragImage();
    // Draws the drag image, inverted, in the document's current page pane.
    virtual void DrawFeedback();
    virtual void RedrawStaves();
    virtual void EndFeedback();
    std::int16_t ClampX(int x) const;
    std::int16_t ClampY(int y) const;

    // Sounding while dragging ("Drag Note", "Drag Chord", "Drag Chromatic").
    virtual void SoundChord(CBarItem* note, int head, bool restart);
    virtual void SoundNote(int pitch, int velocity, int voice);
    virtual void StartItemSound(CBarItem* note, int head);
    virtual void StopItemSound(CBarItem* note, int head);
    // A press and release without movement on an item: selection toggling.
    virtual void Click();

    std::uint8_t barItem = 0;        // the dragged object is an item of a bar
    std::uint8_t copyDrag = 0;       // the drag works on a duplicate of the item
    std::uint8_t waiting = 1;        // the pointer has not yet left the press point by the threshold
    std::uint8_t axisLockAllowed = 1;
    std::uint8_t followStaff = 1;    // bar items may move to another staff; the placing tools read it as placed-by-clicking
    std::uint8_t feedbackStarted = 0;
    std::uint8_t tempoChanged = 0;
    std::uint8_t ended = 0;          // the placing tools set it at the release
    RECT bounds{};                   // what ClampX and ClampY keep a coordinate inside
    std::int16_t pressOffset = 0;    // the placing tools: the press y as an offset on the staff

protected:
    // A copy drag's duplicate of the record, put in front of it in its own array (page texts,
    // the track-bar's run, the bar's items) and snapshotted first; the source is the record
    // behind it. Null when it cannot be made.
    CScoreItem* DuplicateForCopyDrag(CBarItem* record, const ScoreLocation& at);
    // Scrolls the view when the page point lies outside what it shows; true when it scrolled.
    bool AutoScrollTo(POINT pt);
    // Locates a page point into the drag's location (g_model.dragStart) and takes its time.
    void LocateAt(int x, int y);
};
