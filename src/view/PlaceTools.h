// The placing tools of the palettes that put one sign on the staff with a press, a drag and a
// release: the clef, the dynamic, the hairpin (with its playback curve fitted to the dynamics
// around it), the expression from the expression library and the free music-font symbol.
// Dynamics, hairpins and expressions go, with Ctrl or Alt held at the press, onto further
// tracks as well.
#pragma once
#include <cstdint>
#include <string_view>

#include "view/EditTool.h"
#include "view/ToolState.h"

class CCresc;
class CTrack;

// Whether a track after the clicked one takes a copy of a dynamic, hairpin or expression: its
// staff is shown in the clicked bar's system and the tool's track mask marks it.
bool TakesCopy(const CEditTool& tool, int track);
// With Ctrl or Alt held at the press: the bar of every track after the first one (with
// copiesOnly, of those that take a copy) saved for undo before anything is placed, so that
// memory running out among the copies leaves only what one undo takes back. Throws error 100
// when a save fails.
void SaveCopyTracks(CEditTool& tool, int firstTrack, int bar, bool copiesOnly);

// One clef: at the very start of the score the staff's and the track's clef change; anywhere
// else a clef item goes in at the next note or rest and the notes after it move for it.
class CClefTool : public CEditTool {
public:
    static constexpr int kToolId = 914;
    // Snapshots the systems (and the tracks in bar 0) and the bars of two tracks either side
    // from the bar to the score's end; false when a snapshot fails.
    bool SaveTrackBarRange(int track1, int bar1, int track2, int bar2) override;
    void BuildItem() override;
    void MoveItemDrag() override { MoveGhost(); }
    // The clef follows the drag along the bar; the movable C clef also up and down in whole
    // staff lines, at most two lines either way.
    void MoveGhost();
    void Place() override;

    std::int32_t clickStaffPosition = 0;
};

// One dynamic (palette buttons 0-15) on the clicked track and, by the track mask, on further
// tracks.
class CDynamicTool : public CEditTool {
public:
    static constexpr int kToolId = 904;
    static constexpr int kFirstHairpinButton = 16;
    void BuildItem() override;
    void Place() override;
    // The item drawn at the pointer on the clicked track and the further tracks it goes to.
    void DrawDragImage() override;
};

// A hairpin or written crescendo/decrescendo (buttons 16-19) drawn with the drag; its playback
// curve joins the dynamics before and after it.
class CCrescTool : public CDynamicTool {
public:
    static constexpr int kSingle = 16, kDouble = 17, kCrescendoText = 18, kDecrescendoText = 19;
    void BuildItem() override;
    void MoveItemDrag() override;
    void Place() override;
    // The curve from the level before the hairpin to the level after it, when it rises for a
    // crescendo or falls for a decrescendo; else the curve stays.
    void FitCurve(CCresc* hairpin);
};

// One expression from a library entry adapted to the track.
class CExprTool : public CEditTool {
public:
    static constexpr int kToolId = 919;
    static constexpr int kEntrySize = 128;
    // The popup menu of the library's entries (Shift held at the click).
    static constexpr unsigned kMenuId = 330;
    void Start(CZelDoc* doc, const std::uint8_t* entry, int toolId);
    using CEditTool::Start;
    void BuildItem() override;
    void Place() override;
};

// One free symbol: marks and ornaments of the mark palettes, fingering letters and numbers,
// graphics-palette symbols and the bar-line palette's bar symbols.
class CSymbolTool : public CEditTool {
public:
    static constexpr int kNameId = 4009;
    void BuildItem() override;
    void Place() override;

    CBarItem* symbol = nullptr;
};

// A chord symbol or, in the chord library's diagram mode, a guitar frame above the bar, at the
// time of a note or rest within reach of the click.
class CChordTool : public CEditTool {
public:
    static constexpr int kToolId = ToolState::kChord;
    static constexpr int kReach = 64;  // 1/1024 of the bar
    void BuildItem() override;
    void Place() override;
};

// The text of an expression library entry: its 32-byte field up to a zero or the field's end.
std::string_view ExpressionEntryText(const std::uint8_t* entry);
// An entry's playback adapted to a track at a voice: kind 5 only where the sample player plays
// the track, and the track's own setting for the first of "Marcato", "Staccato", "arco",
// "pizz", "legato" that the text begins with (letter case aside).
void AdaptExpressionEntry(std::uint8_t* entry, CTrack* track, int voice);
