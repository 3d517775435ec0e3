// Finders that walk from a position of a bar of a track into the bars before or after it: the
// next item of a kind, the previous item of a type, the note or rest beside a position, and the
// next and previous lyric (or note without one) of a verse.
#include "model/Score.h"
#include "model/ModelGlobals.h"
#include "model/Lyric.h"
#include "model/TrkBarFinders.h"

using finders::ForEachLive;
using finders::OfVoice;

namespace {


CTrkBar* Previous(CTrkBar* bar) { return bar->GetBarIndex() > 0 ? bar->Neighbour(-1) : nullptr; }

bool IsLyricOfVerse(const CBarItem* r, int verse) {
    return r->RecordSizeField() >= CLyric::kFixedSize && static_cast<const CLyric*>(r)->GetVerse() == verse;
}

CBarItem* Found(CBarItem* item, CTrkBar* bar, int* barIndex) {
    if (item && barIndex) *barIndex = bar->GetBarIndex();
    return item;
}

}  // namespace

CBarItem* CTrkBar::FindNextItemOfKind(CBarItem* item, int* bar) {
    const int type = item->TypeCode();
    const int voice = item->VoiceField();
    const bool grace = (finders::NoteFlags(item) & finders::kGraceBit) != 0;
    const int position = item->PositionField();
    for (CTrkBar* b = this; b; b = b->Neighbour(1)) {
        CBarItem* found = nullptr;
        ForEachLive(b, [&](CBarItem* r) {
            if (b == this && r->PositionField() <= position) return true;
            if (r->TypeCode() != type || r->VoiceField() != voice) return true;
            if (r->IsNote() && ((finders::NoteFlags(r) & finders::kGraceBit) != 0) != grace) return true;
            found = r;
            return false;
        });
        if (found) return Found(found, b, bar);
    }
    return nullptr;
}

CBarItem* CTrkBar::FindPrevItemOfType(int position, int voice, int type, int* bar) {
    for (CTrkBar* b = this; b; b = Previous(b)) {
        CBarItem* found = nullptr;
        ForEachLive(b, [&](CBarItem* r) {
            if (b == this && r->PositionField() >= position) return true;
            if (r->TypeCode() == type && OfVoice(r, voice)) found = r;
            return true;
        });
        if (found) return Found(found, b, bar);
    }
    return nullptr;
}

CBarItem* CTrkBar::FindAdjacentNoteOrRest(int position, int* bar, bool forward) {
    CScore* score = g_model.currentScore;
    const auto shown = [&](CBarItem* r) { return r->IsNoteOrRest() && (!score || score->IsItemInShownVoice(r)); };
    // The first (forward) or last one of a bar that `take` accepts.
    const auto pick = [&](CTrkBar* b, auto take) {
        CBarItem* found = nullptr;
        ForEachLive(b, [&](CBarItem* r) {
            if (!shown(r) || !take(r)) return true;
            found = r;
            return !forward;
        });
        return found;
    };
    const auto any = [](CBarItem*) { return true; };
    CBarItem* found = forward ? pick(this, [&](CBarItem* r) { return r->GetPosition() > position; })
                              : pick(this, [&](CBarItem* r) { return r->PositionField() < position; });
    if (found) return Found(found, this, bar);
    CTrkBar* next = forward ? Neighbour(1) : Previous(this);
    return next ? Found(pick(next, any), next, bar) : nullptr;
}

CBarItem* CTrkBar::FindNextLyric(int position, int voice, int verse, int* bar, bool skipTied) {
    int from = position;
    for (CTrkBar* b = this; b; b = b->Neighbour(1), from = -32768) {
        CBarItem* candidate = nullptr;
        CBarItem* answer = nullptr;
        ForEachLive(b, [&](CBarItem* r) {
            if (r->PositionField() <= from && b == this) return true;
            if (!OfVoice(r, voice)) return true;
            if (r->IsNote()) {
                if (skipTied && finders::IsTiedInto(r)) {
                    from = r->PositionField() + 1;
                    return true;
                }
                if (candidate) {
                    answer = candidate;
                    return false;
                }
                candidate = r;
            } else if (r->IsLyric()) {
                if (candidate && candidate->PositionField() > from && candidate->PositionField() < r->PositionField()) {
                    answer = candidate;
                    return false;
                }
                if (IsLyricOfVerse(r, verse)) {
                    answer = r;
                    return false;
                }
            }
            return true;
        });
        if (!answer) answer = candidate;
        if (answer) return Found(answer, b, bar);
    }
    return nullptr;
}

CBarItem* CTrkBar::FindPrevLyric(int position, int voice, int verse, int* bar, bool skipTied) {
    for (CTrkBar* b = this; b; b = Previous(b)) {
        CBarItem* candidate = nullptr;
        ForEachLive(b, [&](CBarItem* r) {
            if (b == this && r->PositionField() >= position) return true;
            if (!OfVoice(r, voice)) return true;
            if (r->IsNote()) {
                if (skipTied && finders::IsTiedInto(r)) return true;
                if (!candidate || r->PositionField() > candidate->PositionField()) candidate = r;
            } else if (r->IsLyric() && IsLyricOfVerse(r, verse)) {
                candidate = r;
            }
            return true;
        });
        if (candidate) return Found(candidate, b, bar);
    }
    return nullptr;
}
