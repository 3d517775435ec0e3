// Paste, merge and paste special: the clip block laid into the score at the insertion point.
// Edit > Paste (mode 0) clears the destination span and pastes every copied kind but key
// signatures; Edit > Merge (mode 1) clears nothing and merges the copied notes into the first
// free voice each fits; Edit > Paste Special (mode 2) asks which kinds to take (the six paste
// options, kept while the program runs). One undo takes the paste back with every bar it
// appended.
#pragma once
#include <cstdint>
#include <vector>

#include "edit/ClipBlock.h"
#include "model/EditTask.h"

class CBarItem;
class CRawNote;
class CTrack;
class CTrkBar;

// The paste options (index = the paste special dialog's check box id - 3).
enum PasteOption : int {
    kPasteNotes = 0,
    kPasteChords = 1,
    kPasteLyrics = 2,
    kPasteMeters = 3,
    kPasteTempos = 4,
    kPasteTexts = 5,
};

class CPasteTask : public CCruise {
public:
    enum Mode : int { kPaste = 0, kMerge = 1, kSpecial = 2 };
    // Item flag bit: a record this paste put in, until the tidy pass clears it.
    static constexpr std::uint8_t kPastedBit = 0x04;

    // Paste special asks dialog 269 for the options; false (Cancel) stops the paste.
    bool Prepare() override;
    bool Perform() override;

    // What the last Perform found of the clipboard (tests and tools read it).
    ClipBlock::Result loadResult = ClipBlock::kNoBlock;

private:
    // Takes the clipboard's block once (Prepare, or Perform when run on its own); true when it
    // is bound.
    bool LoadBlock();
    bool Option(int i) const;
    bool SaveUndoRange();
    void EnsureBars();
    CBar* AppendBar();
    void ClearDestination();
    bool PasteItems();
    bool PasteBarItems();
    bool PasteTrack(int source, int dest);
    bool Wanted(CBarItem* item) const;
    bool InsertPastedItem(CBarItem* item, int source, int dest, int voice, int time, CTrkBar* to, bool offGrid);
    void ShiftPosition(CBarItem* item, int delta);
    void CarryClefs(int dest);
    void TidyTrack(int dest);
    // The bar respaced and its positions placed; with automatic positions, then the systems of
    // bars first..last justified and placed whole.
    void PlaceBar(int dest, int bar);
    void PlaceSystems(int dest, int first, int last);
    void PlaceDrumHeads(CTrack& track, CRawNote* note);
    void CheckBeams(CTrkBar* trkBar, bool rebeam[8]);
    void FollowTieHeads(int dest, int bar);
    void ClearLooseTieMarks(CTrkBar* trkBar);
    void LinkTie(int dest, int bar, CBarItem* tie);
    void SnapEnd(int dest, int bar, CBarItem* line);
    // A pasted note (a rest after the bar's start) that runs past its bar's end, in a bar before
    // the score's last.
    bool Overflows(int bar, CBarItem* item) const;
    bool SplitAcrossBarLine(int dest, int bar, CBarItem* item);
    // A note tied on from a merged note: its bar, time, length and pitch, and the voice taken.
    struct TiedOn {
        int bar, time, length, pitch, voice;
    };
    bool VoiceFits(CTrkBar* trkBar, int voice, int start, int length) const;
    void FollowTies(int dest, int bar, CBarItem* note, const std::vector<CBarItem*>& sameBar, std::vector<TiedOn>* out) const;
    void MergeIntoVoices(int dest);
    void TieMergedNotes();
    int BarLength(int bar) const;

    ClipBlock block;
    bool loaded = false;
    int mode = 0;
    bool isMerge = false, isSpecial = false;
    // The destination.
    int firstTrack = 0, lastTrack = 0, firstBar = 0, firstVoice = 0, lastVoice = 0;
    int startTime = 0;
    // Out values of the item pass.
    int lastDestBar = -1;
    int endTime = 0;
    // Working values of the track pass.
    int sourceClef = 0, lastDestClef = 0, key = 0, transposition = 0;
    bool clefOrKeyDiffer = false;
    // The merged heads that came with a tie mark: track, bar, time, voice, pitch.
    struct TiedHead {
        int track, bar, time, voice, pitch;
    };
    std::vector<TiedHead> tiedHeads;
    bool layoutChangedByPaste = false;
};

// The paste options of the program (six used of sixteen).
std::uint8_t* PasteOptions();
