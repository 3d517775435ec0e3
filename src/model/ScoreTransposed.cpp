// The transposed display: a track shows its music as written for its instrument (clef, key
// signatures and note positions moved by its transposition) or at concert pitch.
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/Clef.h"
#include "model/KeySig.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "platform/PortLayer.h"
#include "platform/Theory.h"

namespace {

constexpr int kNoteType = 144;

// Option 0 writes six sharps as six flats, option 1 seven sharps as five flats.
int ApplyEnharmonic(const CTrack& track, int key) {
    if (track.GetEnharmonicFlag(0) && key == 13) return 6;
    if (track.GetEnharmonicFlag(1) && key == 14) return 5;
    return key;
}

int TransposedKey(const CTrack& track) {
    const int t = track.GetTransposition();
    return t == 0 ? track.GetKey() : CTheory::GetKeyDegreeStep(track.GetKey(), t);
}

}  // namespace

void CScore::SetTrackTransposedDisplay(int trackIndex, int on) {
    CTrack* track = GetTrack(trackIndex);
    if (!track || barCount == 0) return;
    const bool switchOn = (on & 1) != 0;
    g_model.currentScore = this;
    StartWaitCursor(true);
    track->SetTrackFlags(std::uint8_t((track->GetTrackFlags() & ~0x08) | (switchOn ? 0x08 : 0)));
    const int t = track->GetTransposition();
    CBar* bar0 = GetBar(0);
    CStaff* staff0 = bar0->GetStaff(trackIndex);

    int fromClef, fromKey, toClef, toKey;
    if (switchOn) {
        fromClef = track->GetClef();
        fromKey = track->GetKey();
        toClef = track->GetTransposedClef();
        toKey = ApplyEnharmonic(*track, TransposedKey(*track));
    } else {
        fromClef = track->GetTransposedClef();
        fromKey = ApplyEnharmonic(*track, TransposedKey(*track));
        toClef = track->GetClef();
        toKey = track->GetKey();
    }
    if (fromClef != toClef && staff0) {
        fromClef = staff0->GetClef();
        staff0->SetClef(std::uint8_t(toClef));
        if (CTrkBar* tb = GetTrkBar(trackIndex, 0)) tb->RepositionForClef(0, fromClef);
    }
    if (t == 0 && fromClef == toClef) {
        StartWaitCursor(false);
        return;
    }
    const int s = switchOn ? t : -t;
    if (t != 0 && staff0) staff0->SetKey(std::uint8_t(toKey));

    for (int b = 0; b < barCount; ++b) {
        AnimateWaitCursor();
        CBar* bar = GetBar(b);
        if (bar->IsFirstInLine())
            if (CStaff* staff = bar->GetLine()->GetStaff(trackIndex)) {
                staff->SetKey(std::uint8_t(toKey));
                staff->SetClef(std::uint8_t(toClef));
            }
        CTrkBar* tb = GetTrkBar(trackIndex, b);
        if (!tb) continue;
        tb->SetCurrent();
        trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
            if (item->TypeCode() == CClef::kTypeCode) {
                toClef = item->GetValue();
            } else if (item->TypeCode() == CKeySig::kTypeCode) {
                auto* sig = static_cast<CKeySig*>(item);
                const bool warningOnly = sig->IsKeyFlagged();
                if (t != 0) {
                    if (!warningOnly) fromKey = sig->GetKey();
                    const int stored = sig->GetPlaybackKey();
                    sig->SetKey(switchOn ? CTheory::GetKeyDegreeStep(stored, t) : stored);
                }
                if (!warningOnly) {
                    if (switchOn) sig->SetKey(ApplyEnharmonic(*track, sig->GetKey()));
                    else fromKey = ApplyEnharmonic(*track, fromKey);
                    toKey = sig->GetKey();
                }
            } else if (t != 0) {
                item->TransposeAll(fromKey, toKey, toClef, s);
                if (item->TypeCode() == kNoteType && track->IsVoiceStemAuto(item->VoiceField()))
                    NoteUpdateStem(*item, 3, true);
            }
        });
        tb->Recalc(0);
        tb->RecalcAccidentals();
    }
    StartWaitCursor(false);
}

void CScore::ToggleTransposedDisplay() {
    transposedDisplay = std::uint8_t(transposedDisplay ? 0 : 1);
    for (int t = 0; t < trackCount; ++t) SetTrackTransposedDisplay(t, transposedDisplay);
    RecalcBars(false);
}
