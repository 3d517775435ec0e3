// Looking for the next place in the score that needs the user's attention: a bar of a track
// whose voices do not fill it, or a note the track's instrument cannot play.
#include <algorithm>

#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "platform/PortLayer.h"

namespace {

// Whether a head of the note plays outside the track's range, each end moved by the voice's
// transposition.
bool OutOfRange(CTrack* track, CBarItem* note) {
    const int t = track->GetVoiceTranspose(note->VoiceField());
    const int low = track->GetLowRange() - t, high = track->GetHighRange() - t;
    for (int h = 0; h < entry::HeadCount(note); ++h) {
        const int pitch = entry::HeadAt(note, h)[entry::kHeadPitch];
        if (pitch < low || pitch > high) return true;
    }
    return false;
}

}  // namespace

bool CZelDoc::FindNextProblem(int mode) {
    if (!score || (mode != 0 && mode != 1)) return false;
    const int bars = score->GetBarCount(), tracks = score->GetTrackCount();
    for (int b = std::max<int>(0, location.barIndex); b < bars; ++b) {
        if (mode == 0) {
            for (int t = 0; t < tracks; ++t) {
                CTrkBar* tb = score->GetTrkBar(t, b);
                int track = t, voice = 0;
                if (!tb || tb->RecalcTimes(&track, &voice) == 0) continue;
                location.position = 512;
                location.trackIndex = t;
                ShowInsertionPoint(b, true);
                WarningBeep();
                return true;
            }
        } else {
            CTrack* track = score->GetTrack(location.trackIndex);
            CTrkBar* tb = score->GetTrkBar(location.trackIndex, b);
            if (!track || !tb) return false;
            bool found = false;
            trkbar::ForEachLiveItem(tb, [&](CBarItem* r) {
                if (!found && r->IsNote() && OutOfRange(track, r)) found = true;
            });
            if (!found) continue;
            ShowInsertionPoint(b, true);
            WarningBeep();
            return true;
        }
    }
    return false;
}
