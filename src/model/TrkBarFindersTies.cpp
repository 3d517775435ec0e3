// Lengths along the tie chains of a bar of a track and the bars after it: the span of a head's
// whole chain, the length a note sounds with the notes it is tied on to, and the time to the
// next sound of its voice.
#include <algorithm>
#include <climits>
#include <vector>

#include "model/Bar.h"
#include "model/TrkBarFinders.h"

using finders::ForEachLive;

namespace {

// The meter lengths of the bars of a track from `from` up to, not including, `to`.
int LengthBetween(CTrkBar* from, CTrkBar* to) {
    int sum = 0;
    for (CTrkBar* b = from; b && b->GetBarIndex() < to->GetBarIndex(); b = b->Neighbour(1)) sum += b->GetMeterLength();
    return sum;
}

}  // namespace

int CTrkBar::GetTieChainSpan(CBarItem* note, int head, TieChainEnd* first, TieChainEnd* last) {
    SetCurrent();
    CTrkBar* bar = this;
    CBarItem* current = note;
    int h = head;
    // A walk that comes back to a note it passed (damaged ties) ends there.
    std::vector<CBarItem*> seen{note};
    const auto step = [&](bool backwards) {
        int next = h;
        CTrkBar* found = nullptr;
        CBarItem* n = backwards ? bar->FindTiedFromNote(current, &next, &found) : bar->FindTiedNote(current, &next, &found);
        if (!n || !found || std::find(seen.begin(), seen.end(), n) != seen.end()) return false;
        seen.push_back(n);
        current = n;
        h = next;
        bar = found;
        if (backwards) bar->SetCurrent();
        return true;
    };
    while (finders::HasTieEnd(current, h) && step(true)) {
    }
    CTrkBar* firstBar = bar;
    const int firstTime = current->TimeField();
    seen.assign(1, current);
    if (first) {
        first->bar = firstBar->GetBarIndex();
        first->time = std::uint16_t(firstTime);
    }
    while (finders::HasTieStart(current, h) && step(false)) {
    }
    const int lastEnd = int(NoteEndTime(*current));
    if (last) {
        last->bar = bar->GetBarIndex();
        last->time = std::uint16_t(lastEnd);
    }
    SetCurrent();
    return LengthBetween(firstBar, bar) + lastEnd - firstTime;
}

int CTrkBar::GetTiedLength(CBarItem* note, int head, bool useNoteValue) {
    const auto length = [&](CBarItem* n, int h) { return useNoteValue ? finders::Duration(n) : finders::HeadPlayDuration(n, h); };
    const int start = note->TimeField();
    int end = start + length(note, head);
    CTrkBar* bar = this;
    CBarItem* current = note;
    int h = head;
    int offset = 0;
    while (finders::HasTieStart(current, h)) {
        const int voice = current->VoiceField();
        const int cross = finders::HeadCross(current, h);
        const int staffPos = finders::HeadStaffPos(current, h);
        const int pitch = finders::HeadByte(current, h, finders::kHeadPitch);
        CBarItem* found = nullptr;
        int foundHead = 0;
        // The rest of this bar after the note, then the whole next bar.
        for (int pass = 0; pass < 2 && !found; ++pass) {
            if (pass == 1) {
                CTrkBar* next = bar->Neighbour(1);
                if (!next) break;
                offset += bar->GetMeterLength();
                bar = next;
            }
            bool after = pass == 1;
            ForEachLive(bar, [&](CBarItem* r) {
                if (!after) {
                    after = r == current;
                    return true;
                }
                if (!r->IsNote() || r->VoiceField() != voice) return true;
                for (int i = 0, n = finders::HeadCount(r); i < n; ++i) {
                    if (finders::HasTieEnd(r, i) && finders::HeadCross(r, i) == cross &&
                        finders::HeadStaffPos(r, i) == staffPos && finders::HeadByte(r, i, finders::kHeadPitch) == pitch) {
                        found = r;
                        foundHead = i;
                        return false;
                    }
                }
                return true;
            });
        }
        if (!found) break;
        end = offset + found->TimeField() + length(found, foundHead);
        current = found;
        h = foundHead;
    }
    return end - start;
}

int CTrkBar::GetTimeToNext(CBarItem* note, int head) {
    const int heads = finders::HeadCount(note);
    const int start = note->GetPlayStart(head == -32767 || (head >= 0 && head < heads) ? head : 0);
    const int voice = note->VoiceField();
    int offset = 0;
    for (CTrkBar* bar = this;;) {
        bool after = bar != this;
        bool answered = false;
        int answer = 0;
        ForEachLive(bar, [&](CBarItem* r) {
            if (!after) {
                after = r == note;
                return true;
            }
            if (r->VoiceField() != voice) return true;
            if (r->IsRest()) {
                answer = offset + r->TimeField() - start;
                answered = true;
            } else if (r->IsNote()) {
                int best = INT_MAX;
                for (int i = 0, n = finders::HeadCount(r); i < n; ++i) {
                    const int at = offset + r->GetPlayStart(i);
                    if (at > start + 15 && at < best) best = at;
                }
                if (best != INT_MAX) {
                    answer = best - start;
                    answered = true;
                } else if (bar != this) {
                    answer = offset - start;
                    answered = true;
                }
            }
            return !answered;
        });
        if (answered) return answer;
        CTrkBar* next = bar->Neighbour(1);
        if (!next) return finders::Duration(note);
        offset += bar->GetMeterLength();
        bar = next;
    }
}
