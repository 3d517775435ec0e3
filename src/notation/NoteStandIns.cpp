#include "notation/NoteStandIns.h"

#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "notation/NotationGlobals.h"
#include "notation/NoteBase.h"
#include "notation/RawNote.h"
#include "platform/Theory.h"

namespace notation {

int CurrentBarLength() {
    const CBar* bar = g_model.currentBar;
    return bar ? bar->GetLength() : 1920;
}

CBarItem* ResizeItem(CBarItem* item, int delta) {
    CTrkBar* trkBar = g_model.currentTrkBar;
    return trkBar ? trkBar->ResizeItem(item, delta) : nullptr;
}


bool IsPercussionStaff() {
    const CTrack* track = g_model.currentTrack;
    return track && track->IsPercussionStaff();
}

bool IsTablatureStaff() {
    const CTrack* track = g_model.currentTrack;
    return track && track->IsTablatureStaff();
}

int GetVoiceStem(int voice) {
    const CTrack* track = g_model.currentTrack;
    return track ? track->GetVoiceStem(voice) : 0;
}

int GetTrackVoiceStem(int track, int voice) {
    CScore* score = g_model.currentScore;
    const CTrack* t = score ? score->GetTrack(track) : nullptr;
    return t ? t->GetVoiceStem(voice) : 0;
}


bool HasOtherVoice(int voice) {
    const CTrkBar* trkBar = g_model.currentTrkBar;
    return trkBar && trkBar->HasOtherVoice(voice);
}

int GetVoiceStats(int meanPosition[8]) {
    CTrkBar* trkBar = g_model.currentTrkBar;
    if (!trkBar) return 1;
    VoiceStats stats;
    const int voices = trkBar->GetVoiceStats(&stats, false);
    for (int v = 0; v < 8; ++v) meanPosition[v] = stats.voice[v].average;
    return voices;
}

int CurrentSlashPosition() { return 0; }
bool ShowEveryAccidental() { return false; }

void RelayoutVoiceFrom(CRawNote*) {}

CBarItem* FindBeamOfNote(CRawHead* item, int* beamBar) {
    CTrkBar* trkBar = g_model.currentTrkBar;
    if (!trkBar) return nullptr;
    CBarItem* beam = trkBar->FindBeamOfNote(item);
    const CTrkBar* found = g_model.finderBar ? g_model.finderBar : trkBar;
    if (beamBar) *beamBar = found->GetBarIndex();
    return beam;
}

int GetAttachedItems(CRawHead*, CBarItem**, int) { return 0; }
void UpdateAttachedItems(CRawHead*) {}

int TieStartPosition(CBarItem*) { return 0; }
void SetTieSide(CBarItem*, bool) {}
void FlipTie(CBarItem*) {}
void SetTieStaff(CBarItem*, int, int) {}
void FlipItem(CBarItem*, int) {}
void MoveAttachedToStaff(CRawNote*, int, int) {}
void SetEndPosition(CBarItem*, int) {}

}  // namespace notation

namespace notation {

int GetAttachY(CRawNote* note, bool above, bool atHeads) {
    if (!note || note->HeadCountField() <= 0) return 0;
    const int n = note->HeadCountField();
    const int first = note->Head(0)->Position(), last = note->Head(n - 1)->Position();
    const bool up = note->IsStemUp();
    const int code = note->NoteValue();
    if ((note->HasFretNumbers() && note->IsStemless()) || code <= 1) {
        if (!above) return up ? first - 2 : last - 2;
        return up ? last + 2 : first + 2;
    }
    const int p0 = note->GetEntryStaffPos(*note->Head(0));
    if (above == up) {
        if (atHeads) return up ? last + 2 : last - 2;
        int length = note->GetStemLength() / 2;
        const int scale = note->Scale() ? note->Scale() : note->Head(0)->HeadScale();
        if (scale) length = length * scale / 100;
        return up ? p0 + 1 + length : p0 - length - 1;
    }
    return above ? p0 + 2 : p0 - 2;
}

void RunEditMarkTask(CRawNote*) {}

bool IsShownInView(CBarItem* item) {
    if (item->IsHidden() && !g_notation.showHiddenItems) return false;
    const CStaff* staff = g_model.currentStaff;
    return !staff || staff->IsShown();
}

}  // namespace notation

namespace notation {
void ResolveFontRef(FontRef*, CFontArray*) {}
}  // namespace notation
