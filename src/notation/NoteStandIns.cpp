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


int TieStartPosition(CBarItem*) { return 0; }
void SetTieSide(CBarItem*, bool) {}
void SetTieBits17(CBarItem* tie, int value) {
    if (!tie || tie->RecordSizeField() < 18) return;
    rec::Put<std::uint8_t>(tie, 17, std::uint8_t((rec::Get<std::uint8_t>(tie, 17) & 0x01) | ((value & 0x7F) << 1)));
}
void SetTieStaff(CBarItem*, int, int) {}
bool TupletNoteCheck(CBarItem*) { return false; }

}  // namespace notation

namespace notation {

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
