// Stem direction and length, the side of ties and the shape a note gives them.
#include <cstdlib>

#include "framework/Arith.h"
#include "model/TieType.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/SystemStaff.h"
#include "notation/Beam.h"
#include "notation/NoteStandIns.h"
#include "notation/RawNote.h"

namespace {

constexpr int kDefaultStem = 14;
// Staff positions beyond which a stem reaches only the middle line.
constexpr int kStemClamp = 7;

bool TieIsAbove(const CBarItem* tie) { return static_cast<const CTie*>(tie)->Height() >= 0; }

}  // namespace

bool CRawNote::AutoStemUp(bool percussionStaff) {
    if (percussionStaff) return Head(0)->Position() >= 0;
    if (HeadCountField() <= 1) return Head(0)->Position() < 0;
    return std::abs(GetBottomHeadPos()) > std::abs(GetTopHeadPos());
}

void CRawNote::UpdateStem(int mode, bool propagate) {
    if (IsSlash()) return;
    const int voice = VoiceField();
    const CTrack* track = g_model.currentTrack;
    if (mode == 3) {
        mode = track ? track->GetVoiceStem(voice) : 0;
        if (const CTrkBar* trkBar = g_model.currentTrkBar; trkBar && trkBar->HasOtherVoice(voice)) return;
    }
    const bool oldUp = IsStemUp();
    if (mode == 1)
        SetStemUpBit(true);
    else if (mode == 2)
        SetStemUpBit(false);
    else
        SetStemUpBit(AutoStemUp(track && track->IsPercussionStaff()));
    LayoutChord();
    if (!propagate) return;

    // A tie is judged missing only in the note's own bar of a track.
    CTrkBar* bar = g_model.currentTrkBar;
    CBarItem* ties[256];
    int tieCount = 0;
    for (int k = 0; bar && k < HeadCountField(); ++k) {
        NoteHead* h = Head(k);
        if (!h->HasTieStart()) continue;
        CBarItem* tie = bar->FindTieFrom(this, k);
        if (!tie)
            h->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, false);
        else
            ties[tieCount++] = tie;
    }
    const int stem = track ? track->GetVoiceStem(voice) : 0;
    for (int t = 0; t < tieCount; ++t) {
        const bool wanted = stem != 0 ? stem == 1 : IsTieAbove(CTieType::Of(ties[t])->StartY(), 0);
        if (wanted != TieIsAbove(ties[t])) ties[t]->Flip(0);
    }
    if (oldUp == IsStemUp()) return;
    if (IsBeamed()) {
        CTrkBar* trkBar = g_model.currentTrkBar;
        CBarItem* found = trkBar ? trkBar->FindBeamOfNote(this) : nullptr;
        if (found && found->IsBeam()) {
            auto* beam = static_cast<CBeam*>(found);
            const int column = PositionField();
            if (beam->StartPositionField() == column || beam->EndPositionField() == column) {
                beam->SetFlagsA(std::uint8_t(beam->FlagsA() | CBarItem::kRelayoutBit));
                beam->SetBeamFlags(std::uint8_t(beam->BeamFlags() | CBeam::kRelayoutStems));
            }
        }
    }
    AttachedItemList list;
    CollectAttached(g_model.currentTrkBar, &list, kAllHeads);
    for (int k = 0; k < list.count; ++k) {
        CBarItem* item = list.items[k];
        if (item->IsPedal()) continue;
        item->SetFlagsA(std::uint8_t(item->FlagsA() | CBarItem::kRelayoutBit));
        if (item->IsTuplet()) {
            const bool startsHere = item->PositionField() == PositionField();
            const bool flag = (static_cast<CTuplet*>(item)->Shape() & CTuplet::kKeptBit) != 0;
            item->Flip(startsHere && !flag ? 0 : -1);
        }
    }
}

std::int16_t CRawNote::GetStemLength() {
    int length = kDefaultStem;
    const bool grace = IsGrace();
    if (!IsSlash()) {
        const int n = HeadCountField();
        int k = n - 1;
        while (k > 0 && Head(k)->IsInvisible()) --k;
        if (k < 0) k = 0;
        int p = Head(k)->Position();
        const int m = GetFirstHeadStaffPos();
        bool free = true;
        if (!IsStemUp()) {
            if (p > kStemClamp && !grace) {
                p = kStemClamp;
                free = false;
            }
            length = (p < 0 && !grace ? kDefaultStem - 1 : kDefaultStem) + 2 * (m - p);
        } else {
            if (p < -kStemClamp && !grace) {
                p = -kStemClamp;
                free = false;
            }
            length = (p > 0 && !grace ? kDefaultStem - 1 : kDefaultStem) - 2 * (m - p);
        }
        const int code = NoteValue();
        if (free && code >= 6 && !grace) length += 2 * code - 10;
        if (n > 0 && Head(n - 1)->CrossStaffOffset() != Head(0)->CrossStaffOffset()) {
            // Only staves the system has count.
            const CStaff* a = StaffAtOffset(Head(0)->CrossStaffOffset());
            const CStaff* b = StaffAtOffset(Head(k)->CrossStaffOffset());
            const CStaff* current = g_model.currentStaff;
            const int spacing = current ? current->GetLineSpacing() : 0;
            if (a && b && spacing > 0) length += 4 * std::abs((a->GetTopLine() - b->GetTopLine()) / spacing);
        }
    }
    const int scale = CBaseItem::Scale();
    if (scale != 0) {
        if (scale < 100 && !grace)
            length -= 4;
        else
            length = MulDiv(length, scale, 100);
    }
    return std::int16_t(length + StemAdjust());
}

bool CRawNote::IsTieAbove(int position, int voiceStem) {
    VoiceStats stats;
    CTrkBar* trkBar = g_model.currentTrkBar;
    if (trkBar && trkBar->GetVoiceStats(&stats, false) > 1) {
        // Two voices: the higher one's ties go above.
        const int voice = VoiceField(), first = stats.voice[0].average, second = stats.voice[1].average;
        if (voice == 0) return first > second;
        if (voice == 1) return second > first;
    }
    const int n = HeadCountField();
    const bool up = IsStemUp();
    if (n <= 1) {
        if (voiceStem == 1) return true;
        if (voiceStem == 2) return false;
        return !up;
    }
    const int top = up ? n - 1 : 0;
    const int bottom = up ? 0 : n - 1;
    int ties = 0;
    for (int i = 0; i < n; ++i)
        if (Head(i)->HasTieStart()) ++ties;
    int k = 0;
    while (k < n && Head(k)->Position() != position) ++k;
    // A position that none of the heads holds: the upper outer head's answer.
    if (k == n) return true;
    bool above = position > 0 || (position == 0 && !up);
    if (k == top) return true;
    if (k == bottom) return false;
    if (ties == 4) {
        if (k == 1) above = !up;
        if (k == 2) above = up;
    } else if (ties == 5) {
        above = k <= 2 ? !up : up;
    }
    const bool hasNext = k < n - 1;
    const int next = hasNext ? Head(k + 1)->Position() : 0;
    const int column = Head(k)->Column();
    if (above && column < 0) {
        if (hasNext && (next < 0 || next > position + 3)) return false;
    } else if (column > 0 && !above) {
        if (ties < 3 || k == n - 1 || (hasNext && next <= position + 1)) return false;
        return true;
    }
    return above;
}

TieShape ShapeTie(CRawNote& note, int i, bool above, CRawNote* endNote, int endHead) {
    TieShape s;
    s.above = above;
    s.height = above ? 105 : -105;
    s.startY = s.endY = above ? -30 : 15;
    s.startX = 15;
    s.endX = -15;
    const int n = note.HeadCountField();
    const NoteHead* h = note.Head(i);
    const int p = h->Position();
    const int d = h->Column();
    const bool hasNext = i < n - 1;
    const NoteHead* next = hasNext ? note.Head(i + 1) : nullptr;
    const int code = note.NoteValue();
    const bool longValue = code <= 1;
    const int dots = note.DotCount();
    int x = s.startX;
    if (dots == 0) {
        if (d < 0 && !above && ((hasNext && next->Position() <= p) || p == note.GetBottomHeadPos())) {
            x += 120 * d;
            if (longValue) x -= 60;
        }
        if (d > 0) {
            x += 120 * d;
            x += longValue ? 60 : 7;
        }
        if (above && note.IsStemUp() && hasNext && next->Position() == p + 1) {
            x += 120 * next->Column();
            if (longValue) x += 60;
        }
    } else {
        x += 60 + 60 * dots;
        if (dots >= 2) x += 15;
        if (note.HasHeadRightOfStem() ||
            (code >= 4 && !note.IsBeamed() && !note.IsStemless() && note.IsStemUp() && note.StemAdjust() < 0))
            x += 120;
    }
    if (longValue) x += 60;
    s.startX = std::int16_t(x);

    if (endNote && endHead >= 0 && endHead < endNote->HeadCountField()) {
        const NoteHead* e = endNote->Head(endHead);
        const int ed = e->Column();
        int ex = s.endX;
        if (ed < 0) {
            ex += 120 * ed;
            ex -= endNote->NoteValue() <= 1 ? 60 : 7;
        } else if (ed > 0) {
            const bool endHasNext = endHead < endNote->HeadCountField() - 1;
            const bool nextHigher = endHasNext && endNote->Head(endHead + 1)->Position() > e->Position() + 1;
            if (e->Position() == endNote->GetTopHeadPos() || (above && nextHigher)) {
                ex += 120 * ed;
                if (longValue) ex += 60;
            }
        }
        s.endX = std::int16_t(ex);
    }
    return s;
}

void CRawNote::PlaceTies(int track) {
    CScore* score = g_model.currentScore;
    const CTrack* owner = score ? score->GetTrack(track) : nullptr;
    const int stem = owner ? owner->GetVoiceStem(VoiceField()) : 0;
    for (int i = 0; i < HeadCountField(); ++i) {
        if (!Head(i)->HasTieStart()) continue;
        CTrkBar* bar = g_model.currentTrkBar;
        auto* tie = static_cast<CTie*>(bar ? bar->FindTieFrom(this, i) : nullptr);
        if (!tie) continue;
        const bool above = IsTieAbove(Head(i)->Position(), stem);
        tie->SetAbove(above);
        int endHead = i;
        auto* endNote = static_cast<CRawNote*>(bar->FindTiedNote(this, &endHead));
        const TieShape s = ShapeTie(*this, i, above, endNote, endHead);
        tie->SetHeight(s.height);
        tie->SetStartDy(s.startY);
        tie->SetEndDy(s.endY);
        tie->SetStartDx(s.startX);
        tie->SetEndDx(s.endX);
    }
}
