// The shape of a beam: the common stem direction of its notes, the heights of its two ends and
// their slope, and the segments of each level with their partial beams, breaks and numbers.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "model/TieType.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "notation/Beam.h"
#include "notation/Beaming.h"
#include "notation/NotationGlobals.h"
#include "notation/Note.h"
#include "notation/RawNote.h"

namespace {

constexpr std::uint8_t kSecondLevelBreaks = 0x20;
constexpr std::uint8_t kThirdLevelBreaks = 0x40;
// Byte 21 bits 3-5: how many beam levels a reversed stem reaches past.
constexpr std::uint8_t kReachMask = 0x38;
constexpr int kReachShift = 3;

CRawHead* Head(CBarItem* item) { return static_cast<CRawHead*>(item); }
CRawNote* Note(CBarItem* item) { return static_cast<CRawNote*>(item); }
bool IsNoteItem(CBarItem* item) { return item->IsNote() || item->TypeCode() == CRawNote::kType; }
int ScaleByte(CBarItem* item) { return rec::Get<std::uint8_t>(item, 7); }
int ValueTicks(CBarItem* item) { return CRawHead::kValueTicks[std::min(Head(item)->NoteValue(), 8)]; }

int RoundDiv(long long num, long long den) {
    if (den == 0) return 0;
    const double v = double(num) / double(den);
    return int(std::lround(v));
}

// Staff steps between the staff `offset` places from the track's and the one `base` places from it
// (positive when the other staff lies higher).
int StaffShift(int base, int offset) {
    if (base == offset) return 0;
    CStaff* a = StaffAtOffset(base);
    CStaff* b = StaffAtOffset(offset);
    if (!a || !b) return 0;
    return (a->GetMiddleY() - b->GetMiddleY()) * 2 / a->Space();
}

int HeadPos(CRawNote* note, int k, int base) {
    const NoteHead* h = note->Head(k);
    return h->Position() + StaffShift(base, h->CrossStaffOffset());
}

int StemLength(CRawNote* note) {
    int l = note->GetStemLength();
    if (ScaleByte(note) && ScaleByte(note) < 100 && !note->IsGrace()) l += 2;
    return l;
}

}  // namespace

// --- stems and end heights -----------------------------------------------------------------------------

void BeamContext::CrossStaffEnds(CBeam* beam, CRawNote* first, CRawNote* last, int* startOut, int* endOut,
                                 bool up) {
    const auto endOffset = [&](CRawNote* n) {
        const int c = std::max(1, n->HeadCountField());
        return n->GetCrossStaffOffset(up ? c - 1 : 0);
    };
    const int so = endOffset(first), eo = endOffset(last);
    beam->SetStartStaffOffset(so);
    beam->SetEndStaffOffset(eo);
    const int base = first->GetCrossStaffOffset(0);
    int start = up ? -32767 : 32767, end = start;
    int innerLo = 32767, innerHi = -32767, innerLoAt = 0, innerHiAt = 0;
    CRawNote* innerLoNote = nullptr;
    CRawNote* innerHiNote = nullptr;
    int notes = 0;
    for (int i = 0; i < workCount; ++i) {
        Head(workItems[i])->SetBeamed(1);
        if (!IsNoteItem(workItems[i])) continue;
        ++notes;
        CRawNote* n = Note(workItems[i]);
        for (int k = 0; k < n->HeadCountField(); ++k) {
            const int p = HeadPos(n, k, base);
            if (n == first) start = up ? std::max(start, p + 7) : std::min(start, p - 7);
            if (n == last) end = up ? std::max(end, p + 7) : std::min(end, p - 7);
            if (n != first && n != last) {
                if (p < innerLo) innerLo = p, innerLoNote = n, innerLoAt = WorkPosition(i);
                if (p > innerHi) innerHi = p, innerHiNote = n, innerHiAt = WorkPosition(i);
            }
        }
    }
    if (first->GetCrossStaffOffset(0) == last->GetCrossStaffOffset(0)) {
        if (!(notes > 2 && start == end)) {
            const int p1 = beam->StartPositionField();
            const int p2 = beam->EndPositionField() + 1024 * beam->BarSpanField();
            const auto lineAt = [&](int at) { return p2 == p1 ? start : start + RoundDiv((long long)(end - start) * (at - p1), p2 - p1); };
            for (int guard = 0; guard < 64; ++guard) {
                if (!up && innerLoNote) {
                    const int target = innerLo - (innerLoNote->StemAdjust() / 2 + innerLoNote->NoteValue());
                    if (lineAt(innerLoAt) <= target) break;
                    --start, --end;
                } else if (up && innerHiNote) {
                    const int target = innerHi + (innerHiNote->StemAdjust() / 2 + innerHiNote->NoteValue());
                    if (lineAt(innerHiAt) >= target) break;
                    ++start, ++end;
                } else {
                    break;
                }
            }
        }
        const int fs = up ? HeadPos(first, first->HeadCountField() - 1, base) : HeadPos(first, 0, base);
        const int ls = up ? HeadPos(last, last->HeadCountField() - 1, base) : HeadPos(last, 0, base);
        if (fs == ls) end = start;
    } else {
        const int s0 = first->GetCrossStaffOffset(0), e0 = last->GetCrossStaffOffset(0);
        const bool lowerPair = (s0 == 1 && e0 == 0) || (s0 == 0 && e0 == 1);
        const bool upperPair = (s0 == 0 && e0 == -1) || (s0 == -1 && e0 == 0);
        if (lowerPair || upperPair) {
            CStaff* top = StaffAtOffset(lowerPair ? 0 : -1);
            CStaff* bottom = StaffAtOffset(lowerPair ? 1 : 0);
            CStaff* own = StaffAtOffset(base);
            if (top && bottom && own) {
                const int mid = (top->GetTopLine() + bottom->GetTopLine()) / 2;
                const int m = own->YToPosition(mid);
                const bool descending = (s0 == 1 && e0 == 0) || (s0 == -1 && e0 == 0);
                start = descending ? m - 2 : m + 2;
                end = descending ? m + 2 : m - 2;
            }
        }
    }
    *startOut = start;
    *endOut = end;
}

void BeamContext::SetStemsAndSlope(CBeam* beam, CRawNote* first, CRawNote* last, bool autoAllowed) {
    if (!first || !last) return;
    const int fc = std::max(1, first->HeadCountField()), lc = std::max(1, last->HeadCountField());
    beam->SetStartStaffOffset(first->GetCrossStaffOffset(first->IsStemUp() ? fc - 1 : 0));
    beam->SetEndStaffOffset(last->GetCrossStaffOffset(last->IsStemUp() ? lc - 1 : 0));
    const int voice = first->VoiceField();
    CTrack* trk = trkBar ? trkBar->GetTrack() : nullptr;
    VoiceStats stats;
    const int voices = trkBar ? trkBar->GetVoiceStats(&stats, false) : 1;
    autoStem = std::uint8_t(voices < 2 && autoAllowed && (!trk || trk->IsVoiceStemAuto(voice)));
    const int base = first->GetCrossStaffOffset(0);
    bool cross = false;
    for (int i = 0; i < workCount && !cross; ++i) {
        if (!IsNoteItem(workItems[i])) continue;
        CRawNote* n = Note(workItems[i]);
        for (int k = 0; k < n->HeadCountField(); ++k)
            if (n->GetCrossStaffOffset(k) != base) cross = true;
    }
    // Extremes over every head, and over the inner notes.
    int hi = -32767, lo = 32767, innerHi = -32767, innerLo = 32767, innerHiAt = 0, innerLoAt = 0;
    CRawNote *hiNote = first, *loNote = first, *innerHiNote = nullptr, *innerLoNote = nullptr;
    int hiHead0 = -32767, loHead0 = 32767;
    int notes = 0, upVotes = 0, downVotes = 0;
    std::vector<int> p0;
    std::vector<CRawNote*> noteList;
    for (int i = 0; i < workCount; ++i) {
        if (!IsNoteItem(workItems[i])) continue;
        CRawNote* n = Note(workItems[i]);
        ++notes;
        noteList.push_back(n);
        p0.push_back(n->GetFirstHeadStaffPos());
        hiHead0 = std::max(hiHead0, int(n->GetFirstHeadStaffPos()));
        loHead0 = std::min(loHead0, int(n->GetFirstHeadStaffPos()));
        const bool inner = n != first && n != last;
        for (int k = 0; k < n->HeadCountField(); ++k) {
            const int p = HeadPos(n, k, base);
            if (p > hi) hi = p, hiNote = n;
            if (p < lo) lo = p, loNote = n;
            if (inner && p > innerHi) innerHi = p, innerHiNote = n, innerHiAt = WorkPosition(i);
            if (inner && p < innerLo) innerLo = p, innerLoNote = n, innerLoAt = WorkPosition(i);
        }
        if (n->GetTopHeadPos() > 0) ++upVotes;
        if (n->GetBottomHeadPos() < 0) ++downVotes;
    }
    const bool twoStaves = first->GetCrossStaffOffset(0) != last->GetCrossStaffOffset(0);
    bool up = first->IsStemUp();
    const bool fixedLevel = first->IsSlash() || (trk && trk->HasHorizontalBeams());
    if (!fixedLevel) {
        if (!autoStem) {
            up = twoStaves ? voice == 0 : first->IsStemUp();
        } else if (notes < 3) {
            if (hi == lo) up = hi < 0;
            else if (twoStaves)
                up = last->GetCrossStaffOffset(0) >= first->GetCrossStaffOffset(0) ? false : first->GetFirstHeadStaffPos() < 0;
            else up = std::abs(hi) < std::abs(lo);
        } else {
            if (hi == lo) up = hi < 0;
            else if (upVotes > downVotes) up = false;
            else if (downVotes > upVotes) up = true;
            else up = std::abs(hi) < std::abs(lo);
        }
    }
    for (CRawNote* n : noteList) {
        if (n->IsStemUp() != up) {
            n->SetStemUpBit(up);
            n->SetFlagsA(std::uint8_t(n->FlagsA() | CBarItem::kRelayoutBit));
        }
    }
    int crossStart = 0, crossEnd = 0;
    if (cross) CrossStaffEnds(beam, first, last, &crossStart, &crossEnd, up);

    int a = 0, b = 0, startFine = 0, endFine = 0;
    const int l1 = StemLength(first), l2 = StemLength(last);
    if (fixedLevel) {
        a = b = up ? hiHead0 + l1 / 2 : loHead0 - l1 / 2 + 1;
    } else if (twoStaves) {
        // Ends on two staves: centred between them, the end counted on its own staff.
        a = crossStart;
        b = crossEnd - StaffShift(first->GetCrossStaffOffset(0), last->GetCrossStaffOffset(0));
    } else {
        const int firstSide = up ? first->GetBottomHeadPos() : first->GetTopHeadPos();
        const int lastSide = up ? last->GetBottomHeadPos() : last->GetTopHeadPos();
        a = up ? firstSide + l1 / 2 : firstSide - l1 / 2 + 1;
        b = up ? lastSide + l2 / 2 : lastSide - l2 / 2 + 1;
        bool level = firstSide == lastSide;
        if (!level && notes < 5) {
            if (!up && lo < std::min(first->GetBottomHeadPos(), last->GetBottomHeadPos())) level = true;
            if (up && hi > std::max(first->GetTopHeadPos(), last->GetTopHeadPos())) level = true;
        }
        const int pa = first->GetFirstHeadStaffPos(), pb = last->GetFirstHeadStaffPos();
        if (!level && notes >= 4 && spanLength != 0 && pa != pb) {
            const int n = notes;
            const auto allSame = [&](int from, int to) {
                for (int k = from + 1; k <= to; ++k)
                    if (p0[std::size_t(k)] != p0[std::size_t(from)]) return false;
                return true;
            };
            bool innerAbove = true, innerBelow = true, innerAtOrBelowA = true, innerAtOrAboveB = true,
                 innerAtOrAboveA = true, innerAtOrBelowB = true, innerHitsEnd = false;
            for (int k = 1; k + 1 < n; ++k) {
                const int p = p0[std::size_t(k)];
                if (!(p >= pa && p >= pb)) innerAbove = false;
                if (!(p <= pa && p <= pb)) innerBelow = false;
                if (p > pa) innerAtOrBelowA = false;
                if (p < pb) innerAtOrAboveB = false;
                if (p < pa) innerAtOrAboveA = false;
                if (p > pb) innerAtOrBelowB = false;
                if (p == pa || p == pb) innerHitsEnd = true;
            }
            if (hi > pa && hi > pb && lo < pa && lo < pb) level = true;
            if (p0[std::size_t(n - 2)] == pa && p0[std::size_t(n - 1)] == p0[1]) level = true;
            if (!up && lo != pa && lo != pb && (lo < pa || lo < pb) && innerHitsEnd) level = true;
            if (up && hi != pa && hi != pb && (hi > pa || hi > pb) && innerHitsEnd) level = true;
            if (allSame(0, n - 2) || allSame(1, n - 1)) level = true;
            if (innerAbove || innerBelow) level = true;
            if (pa < pb && (innerAtOrBelowA || innerAtOrAboveB)) level = true;
            if (pa > pb && (innerAtOrAboveA || innerAtOrBelowB)) level = true;
        }
        if (level) {
            const int l = up ? StemLength(hiNote) : StemLength(loNote);
            a = b = up ? hiNote->GetBottomHeadPos() + (l + 1) / 2 : loNote->GetTopHeadPos() - (l + 1) / 2 + 1;
        } else if (a == b) {
            if (!up) {
                if (pa < pb) startFine += 45;
                else if (pa > pb) endFine += 45;
            } else {
                if (pa < pb) endFine -= 30;
                else if (pa > pb) startFine -= 30;
            }
        }
        // Slope limit: the end on the stem side follows the other.
        if (notes == 1) {
            if (up) a = b; else b = a;
        } else {
            const int most = beam->IsGraceBeam() ? 1 : 2;
            if (std::abs(a - b) > most) {
                if (!up) b = a + (b > a ? most : -most);
                else a = b + (a > b ? most : -most);
            }
        }
        // Inner notes keep their stems clear of the beam.
        if (notes >= 3) {
            const int p1 = beam->StartPositionField();
            const int p2 = beam->EndPositionField() + 1024 * beam->BarSpanField();
            const auto lineAt = [&](int at) { return p2 == p1 ? a : a + RoundDiv((long long)(b - a) * (at - p1), p2 - p1); };
            CRawNote* inner = up ? innerHiNote : innerLoNote;
            if (inner) {
                int c = inner->StemAdjust() / 2 + 4;
                const int scale = ScaleByte(beam);
                if (scale && scale < 100) c = c * scale / 100;
                const int target = up ? innerHi + (c - 4 + inner->NoteValue()) : innerLo - (c - 4 + inner->NoteValue());
                for (int guard = 0; guard < 64; ++guard) {
                    const int at = lineAt(up ? innerHiAt : innerLoAt);
                    if (up ? at >= target : at <= target) break;
                    const int step = up ? 1 : -1;
                    a += step;
                    b += step;
                }
            }
        }
        // Ends on lines and spaces.
        const int ref = first->GetFirstHeadStaffPos();
        if (!beam->IsGraceBeam()) {
            const int scale = ScaleByte(beam);
            const auto place = [&](int h, int* fine) {
                if (!scale) {
                    if (h <= ref && h % 2 == 0) *fine += -30;
                    else if (h > ref && h % 2 != 0) *fine += 30;
                    return;
                }
                const int step = scale < 100 ? 15 : 30;
                if (h <= ref) {
                    if (h % 2 == 0) *fine -= step;
                    else if (scale < 100) *fine += step;
                } else {
                    *fine += h % 2 == 0 ? -step : step;
                }
            };
            place(a, &startFine);
            place(b, &endFine);
        } else if (std::abs(a - b) > 1) {
            b = a + (b > a ? 1 : -1);
            startFine += a < b ? -15 : 15;
        } else if (a != b) {
            startFine += a < b ? -15 : 15;
        }
    }
    if (tremoloStrokes > 0 && first->NoteValue() < 2) {
        startFine -= 60 * tremoloStrokes + 120;
        endFine -= 60 * tremoloStrokes + 120;
    }
    if (!cross) {
        beam->SetStartStaffOffset(first->GetCrossStaffOffset(fc - 1));
        beam->SetEndStaffOffset(last->GetCrossStaffOffset(lc - 1));
    }
    BeamSegment main = beam->Segment(0);
    main.SetFlags(std::uint8_t((main.Flags() & ~(BeamSegment::kFirstUp | BeamSegment::kLastUp)) |
                               (first->IsStemUp() ? BeamSegment::kFirstUp : 0) | (last->IsStemUp() ? BeamSegment::kLastUp : 0)));
    main.SetWord(BeamSegment::kStartFine, std::int16_t(startFine));
    main.SetWord(BeamSegment::kEndFine, std::int16_t(endFine));
    rec::Put(beam, CBeam::kStartStaffPos, std::int8_t(std::clamp(a, -128, 127)));
    rec::Put(beam, CBeam::kEndStaffPos, std::int8_t(std::clamp(b, -128, 127)));
}

// --- segments -----------------------------------------------------------------------------------------

bool BeamContext::FindSegmentEnd(int* index, BeamSegment& segment, int segmentIndex, int level, double* accumulated,
                                 int barNumber, CBeam* beam) {
    const int start = *index;
    const std::uint8_t display = bar ? bar->GetMeter()->GetDisplayFlags() : 0;
    const int groups = rec::Get<std::uint8_t>(beam, CBeam::kGroups);
    const bool later = segmentIndex > 0;
    const int beamBar = trkBar ? trkBar->GetBarIndex() : 0;
    int runStart = Head(workItems[start])->IsTupletMember() ? start : -1;
    int i = start + 1;
    bool boundary = false;
    for (;; ++i) {
        *accumulated += Head(workItems[i - 1])->GetDuration();
        if (i >= workCount) break;
        CBarItem* item = workItems[i];
        CRawHead* head = Head(item);
        segment.Bytes()[BeamSegment::kEndBar] = std::uint8_t(std::max(0, WorkBarNumber(i) - barNumber));
        if (WorkBarNumber(i) > beamBar) head->SetFlagBit(CRawHead::kContinuesBeamBit, true);
        const bool note = IsNoteItem(item);
        const int levels = LevelsOf(i);
        if (note && levels < level) break;
        if (level > 1 && WorkBarNumber(i) != WorkBarNumber(start) && (display & (kSecondLevelBreaks | kThirdLevelBreaks))) break;
        if (item->IsRest() && (later || beatMode)) {
            bool noteFollows = false;
            for (int k = i + 1; k < workCount && !noteFollows; ++k)
                if (IsNoteItem(workItems[k]) && LevelsOf(k) >= level) noteFollows = true;
            if (!noteFollows) break;
        }
        if (level > 1 && item->IsRest() && head->GetFlagCount() < level) break;
        if (level > 1 && note && !head->IsTupletMember() && i != workCount - 1) {
            const int d = int(head->GetDuration());
            CRawHead* next = Head(workItems[i + 1]);
            if (d > 0 && item->TimeField() % d == 0 && next->DotCount() > 0 && levels <= level &&
                head->NoteValue() == next->NoteValue() + next->DotCount())
                break;
        }
        if (!later) continue;
        CRawHead* prev = Head(workItems[i - 1]);
        if (head->IsTupletMember() && !prev->IsTupletMember()) runStart = i;
        if (head->TupletCount() != prev->TupletCount() && LevelsOf(i - 1) <= level && levels <= level) {
            boundary = true;
            break;
        }
        if (head->IsTupletMember()) {
            if (head->NoteValue() != prev->NoteValue() && LevelsOf(i - 1) <= level && levels <= level) {
                boundary = true;
                break;
            }
            const int count = head->TupletCount();
            if (runStart >= 0 && count > 0 && count % 3 == 0 && i - runStart == count) {
                bool equal = true;
                for (int k = runStart; k < i; ++k)
                    if (Head(workItems[k])->NoteValue() != head->NoteValue()) equal = false;
                if (equal) {
                    boundary = true;
                    break;
                }
            }
            if ((display & kSecondLevelBreaks) && level2Interval > 0 && std::fmod(*accumulated, level2Interval) < 1e-3)
                break;
            if (subGroupLength > 0 && groups > 1 && item->TimeField() % subGroupLength == 0 && (count % 2 == 0 || count % 3 == 0)) {
                boundary = true;
                break;
            }
            const int span = 2 * ValueTicks(item) * std::max<int>(1, head->TupletSpace());
            if (span > 0 && item->TimeField() % span == 0 && runStart >= 0 && runStart < i) break;
        } else {
            if (groups > 1 && i % groups == 0) break;
            if ((display & kSecondLevelBreaks) && item->TimeField() >= level2End) break;
            if (level > 2 && (display & kThirdLevelBreaks) && item->TimeField() >= level3End) break;
        }
    }
    *index = i;
    return boundary;
}

void BeamContext::SetStubDirection(int start, int end, BeamSegment& segment, CBeam* beam, int item) {
    std::uint8_t flags = std::uint8_t(segment.Flags() | BeamSegment::kPartial);
    bool left = item != 0;
    if (item > 0 && item < workCount - 1) {
        CBarItem* it = workItems[item];
        CRawHead* head = Head(it);
        if (!head->IsTupletMember()) {
            left = it->TimeField() % (2 * ValueTicks(it)) != 0;
        } else {
            CRawHead* prev = Head(workItems[item - 1]);
            if (prev->TupletCount() == head->TupletCount() || prev->NoteValue() == head->NoteValue()) left = true;
            if (subGroupLength > 0 && it->TimeField() % subGroupLength == 0) left = false;
        }
    }
    flags = left ? std::uint8_t(flags | BeamSegment::kStubLeft) : std::uint8_t(flags & ~BeamSegment::kStubLeft);
    segment.SetFlags(flags);
}

void BeamContext::SetPartialFlags(int start, int end, int segmentIndex, CBeam* beam, bool firstStemUp) {
    BeamSegment seg = beam->Segment(segmentIndex);
    int level = seg.Level();
    int others = 0;
    for (int i = start; i <= end; ++i) {
        if (!IsNoteItem(workItems[i])) continue;
        CRawNote* n = Note(workItems[i]);
        if (n->IsStemUp() != firstStemUp) {
            ++others;
            n->SetNoteFlags(std::uint8_t((n->NoteFlags() & ~kReachMask) | (((level - 1) & 7) << kReachShift)));
        }
    }
    const auto stemOf = [&](int i) {
        CBarItem* it = workItems[i];
        return IsNoteItem(it) ? Note(it)->IsStemUp() : firstStemUp;
    };
    const int segStart = seg.StartPosition() + 1024 * seg.StartBarOffset();
    const int segEnd = seg.EndPosition() + 1024 * (seg.StartBarOffset() + seg.EndBarOffset());
    const auto overlaps = [&](int k) {
        BeamSegment o = beam->Segment(k);
        const int s = o.StartPosition() + 1024 * o.StartBarOffset();
        const int e = o.EndPosition() + 1024 * (o.StartBarOffset() + o.EndBarOffset());
        return s <= segEnd && e >= segStart;
    };
    const bool endsReversed = stemOf(0) != firstStemUp || stemOf(workCount - 1) != firstStemUp;
    const int beamStart = beam->StartPositionField();
    if (((others == 1 && end - start + 1 == 2) || (segStart != beamStart && others > 1)) && endsReversed) {
        level = 2;
        for (int k = 1; k < segmentIndex; ++k)
            if ((beam->Segment(k).Flags() & BeamSegment::kReversed) && overlaps(k))
                level = std::max(level, beam->Segment(k).Level() + 1);
        seg.SetFlags(std::uint8_t((seg.Flags() & 0x1F) | BeamSegment::kReversed | ((level & 7) << BeamSegment::kLevelShift)));
        int reach = 0;
        for (int k = 0; k < segmentIndex; ++k)
            if (!(beam->Segment(k).Flags() & BeamSegment::kReversed) && overlaps(k)) reach = std::max(reach, beam->Segment(k).Level() - 1);
        for (int i = start; i <= end; ++i) {
            if (!IsNoteItem(workItems[i])) continue;
            CRawNote* n = Note(workItems[i]);
            const int now = (n->NoteFlags() & kReachMask) >> kReachShift;
            n->SetNoteFlags(std::uint8_t((n->NoteFlags() & ~kReachMask) | ((std::max(now, reach) & 7) << kReachShift)));
        }
        return;
    }
    for (int k = 1; k < segmentIndex; ++k)
        if ((beam->Segment(k).Flags() & BeamSegment::kReversed) && overlaps(k))
            level = std::max(level, beam->Segment(k).Level() + 1);
    seg.SetFlags(std::uint8_t((seg.Flags() & 0x1F) | ((level & 7) << BeamSegment::kLevelShift)));
    for (int i = start; i <= end; ++i) {
        if (!IsNoteItem(workItems[i])) continue;
        CRawNote* n = Note(workItems[i]);
        if (n->IsStemUp() == firstStemUp)
            n->SetNoteFlags(std::uint8_t((n->NoteFlags() & ~kReachMask) | (((level - 1) & 7) << kReachShift)));
    }
}

int BeamContext::Layout(CBeam* beam) {
    const int p1 = beam->StartPositionField();
    const int p2 = beam->EndPositionField() + 1024 * beam->BarSpanField();
    const int h1 = rec::Get<std::int8_t>(beam, CBeam::kStartStaffPos);
    const int startOffset = beam->GetStartStaffOffset(), endOffset = beam->GetEndStaffOffset();
    // Heights are compared on the start end's staff.
    const int h2 = rec::Get<std::int8_t>(beam, CBeam::kEndStaffPos) + StaffShift(startOffset, endOffset);
    const auto lineAt = [&](int at) { return p2 == p1 ? h1 : h1 + RoundDiv((long long)(h2 - h1) * (at - p1), p2 - p1); };

    // Nothing changes when the beam would need more segments than its count holds: the items are
    // kept as they were and put back on refusal.
    std::vector<std::vector<std::uint8_t>> saved(static_cast<std::size_t>(workCount));
    for (int i = 0; i < workCount; ++i) {
        const int size = workItems[i]->RecordSizeField();
        saved[std::size_t(i)].assign(workItems[i]->Bytes(), workItems[i]->Bytes() + size);
    }
    const auto restore = [&]() {
        for (int i = 0; i < workCount; ++i)
            std::memcpy(workItems[i]->Bytes(), saved[std::size_t(i)].data(), saved[std::size_t(i)].size());
    };

    CRawNote* first = nullptr;
    CRawNote* last = nullptr;
    int notes = 0;
    const bool tremolo = tremoloStrokes > 0;
    const int base = std::min(startOffset, endOffset);
    (void)base;
    for (int i = 0; i < workCount; ++i) {
        CBarItem* it = workItems[i];
        CRawHead* head = Head(it);
        head->SetBeamed(1);
        head->SetHalfFlag(tremolo);
        if (!IsNoteItem(it)) continue;
        CRawNote* n = Note(it);
        ++notes;
        if (!first) first = n;
        last = n;
        const int line = lineAt(WorkPosition(i));
        const int headPos = n->IsStemUp() ? n->GetBottomHeadPos() : n->GetTopHeadPos();
        const int staffShift = StaffShift(startOffset, n->GetCrossStaffOffset(0));
        const bool up = line > headPos + staffShift;
        n->SetNoteFlags(std::uint8_t(n->NoteFlags() & ~kReachMask));
        bool changed = (n->FlagsA() & CBarItem::kRelayoutBit) != 0;
        if (n->IsStemUp() != up) {
            n->SetStemUpBit(up);
            changed = true;
        }
        if (!n->IsSlash()) {
            for (int k = 0; k < n->HeadCountField(); ++k) {
                NoteHead* h = n->Head(k);
                const int p = h->Position() + staffShift;
                const bool beyond = up ? p > line : line > p;
                if (((h->Byte(NoteHead::kLinkByte) & NoteHead::kBeyondBeam) != 0) != beyond) {
                    h->SetBits(NoteHead::kLinkByte, NoteHead::kBeyondBeam, beyond);
                    changed = true;
                }
            }
        }
        if (changed) n->SetFlagsA(std::uint8_t(n->FlagsA() | CBarItem::kRelayoutBit));
    }
    (void)endOffset;
    if (notes == 0) {
        beam->SetFlagsB(std::uint8_t(beam->FlagsB() | CBarItem::kRemovedBit));
        return -1;
    }
    if (!tremolo) ChooseSubGroups(beam);

    const int own = trkBar ? trkBar->GetBarIndex() : 0;
    const bool firstUp = first->IsStemUp();
    int count = 0;
    const auto stemOf = [&](int i) { return IsNoteItem(workItems[i]) ? Note(workItems[i])->IsStemUp() : firstUp; };
    for (int level = 1;; ++level) {
        double acc = 0;
        int i = 0;
        while (i < workCount && LevelsOf(i) < level) acc += Head(workItems[i++])->GetDuration();
        if (i >= workCount) break;
        SetWindows(workItems[i]->TimeField());
        if (level2Interval > 0) acc = std::fmod(acc, double(level2Interval));
        CTrkBar* windowBar = workBars[i];
        while (i < workCount) {
            CBarItem* it = workItems[i];
            if (workBars[i] != windowBar) {
                windowBar = workBars[i];
                SetWindows(it->TimeField());
            }
            AdvanceSubWindows(it);
            const bool rest = it->IsRest();
            if (rest && (count > 0 || beatMode)) {
                acc += Head(it)->GetDuration();
                ++i;
                continue;
            }
            if (LevelsOf(i) < level && !(rest && !beatMode)) {
                acc += Head(it)->GetDuration();
                ++i;
                continue;
            }
            if (count >= kMaxSegments) {
                restore();
                return kTooManySegments;
            }
            BeamSegment seg = beam->Segment(count);
            if (!tremolo && count != 0) std::memset(seg.Bytes() + BeamSegment::kStartInset, 0, 8);
            seg.SetFlags(std::uint8_t(((level & 7) << BeamSegment::kLevelShift) | (stemOf(i) ? BeamSegment::kFirstUp : 0)));
            seg.Bytes()[BeamSegment::kStartBar] = std::uint8_t(std::max(0, WorkBarNumber(i) - own));
            seg.SetStartPosition(it->PositionField());
            seg.Bytes()[BeamSegment::kNumber] = 0;
            CRawHead* startHead = Head(it);
            if (startHead->IsTupletMember() && startHead->TupletCount() == 0) startHead->SetFlagBit(CRawHead::kTupletBit, false);
            const int start = i;
            const bool boundary = FindSegmentEnd(&i, seg, count, level, &acc, WorkBarNumber(start), beam);
            int end = i - 1;
            seg.SetEndPosition(workItems[end]->PositionField());
            seg.Bytes()[BeamSegment::kEndBar] = std::uint8_t(std::max(0, WorkBarNumber(end) - WorkBarNumber(start)));
            if (seg.Bytes()[BeamSegment::kEndBar] > 0) Head(workItems[end])->SetFlagBit(CRawHead::kContinuesBeamBit, true);
            if (count >= 1) SetPartialFlags(start, end, count, beam, firstUp);
            if (start == end) {
                SetStubDirection(start, end, seg, beam, start);
                const bool up = stemOf(start);
                seg.SetFlags(std::uint8_t((seg.Flags() & ~(BeamSegment::kFirstUp | BeamSegment::kLastUp)) |
                                          (up ? BeamSegment::kFirstUp | BeamSegment::kLastUp : 0)));
            } else {
                const bool up = workItems[end]->IsRest() || stemOf(end);
                seg.SetFlags(std::uint8_t((seg.Flags() & ~BeamSegment::kLastUp) | (up ? BeamSegment::kLastUp : 0)));
            }
            if (workItems[end]->IsRest() && (beatMode || (end != workCount - 1 && end - start + 1 > 2))) {
                int j = end;
                while (j > start && !IsNoteItem(workItems[j])) --j;
                end = j;
                seg.SetEndPosition(workItems[end]->PositionField());
                seg.Bytes()[BeamSegment::kEndBar] = std::uint8_t(std::max(0, WorkBarNumber(end) - WorkBarNumber(start)));
                if (end == start) SetStubDirection(start, end, seg, beam, start);
            }
            // The number the segment carries.
            CRawHead* sh = Head(workItems[start]);
            CRawHead* eh = Head(workItems[end]);
            const int t = sh->IsTupletMember() ? sh->TupletCount() : 0;
            const int mainNumber = rec::Get<std::uint8_t>(beam, int(CBeam::kSegments) + int(BeamSegment::kNumber));
            if (eh->IsTupletMember() && eh->TupletCount() != 0) {
                if (level == 2 && t != 0) {
                    bool bracket = false;
                    const int voice = workItems[start]->VoiceField();
                    CTrkBar* tb = workBars[start];
                    for (CBarItem* x = tb ? tb->GetItems() : nullptr; x && x->TypeCode() != 255; x = x->NextItem()) {
                        if (x->RecordSizeField() < CBarItem::kHeadEnd) break;
                        if (!x->IsRemoved() && x->TypeCode() == CTieType::kTupletType && x->VoiceField() == voice &&
                            x->TimeField() <= workItems[start]->TimeField() && x->GetEndPosition() >= workItems[end]->PositionField())
                            bracket = true;
                    }
                    if (!bracket) seg.Bytes()[BeamSegment::kNumber] = std::uint8_t(t);
                }
            } else if (t > 0 && t <= eh->TupletCount()) {
                const int groups = rec::Get<std::uint8_t>(beam, CBeam::kGroups);
                if (level == 2 && i < workCount && boundary) {
                    if (groups % 3 == 0 || groups != eh->TupletSpace()) {
                        rec::Put(beam, int(CBeam::kSegments) + int(BeamSegment::kNumber), std::uint8_t(t));
                    } else {
                        rec::Put(beam, int(CBeam::kSegments) + int(BeamSegment::kNumber), std::uint8_t(0));
                        seg.Bytes()[BeamSegment::kNumber] = std::uint8_t(t);
                    }
                } else if ((LevelsOf(end) == level && t != mainNumber) || count == 0) {
                    seg.Bytes()[BeamSegment::kNumber] = std::uint8_t(t);
                }
            }
            ++count;
        }
    }
    std::uint8_t flags = beam->BeamFlags();
    flags = std::uint8_t((flags & ~(CBeam::kBeatBeam | CBeam::kTremolo)) | (beatMode ? CBeam::kBeatBeam : 0) |
                         (tremolo ? CBeam::kTremolo : 0));
    beam->SetBeamFlags(flags);
    beam->SetSegmentCount(count);
    beam->SetSize(std::int16_t(CBeam::kSegments + BeamSegment::kSize * std::max(count, 1)));
    BeamSegment main = beam->Segment(0);
    main.SetFlags(std::uint8_t((main.Flags() & ~(BeamSegment::kFirstUp | BeamSegment::kLastUp)) |
                               (first->IsStemUp() ? BeamSegment::kFirstUp : 0) | (last->IsStemUp() ? BeamSegment::kLastUp : 0)));
    // Notes whose stems or heads changed are laid out again, each with its own bar current.
    const bool wasRunning = g_beamLayoutRunning;
    const bool wasKeep = g_notation.keepAccidentalOffsets;
    g_beamLayoutRunning = true;
    g_notation.keepAccidentalOffsets = true;
    CTrkBar* current = g_model.currentTrkBar;
    for (int i = 0; i < workCount; ++i) {
        CBarItem* it = workItems[i];
        if (!IsNoteItem(it) || !(it->FlagsA() & CBarItem::kRelayoutBit)) continue;
        if (workBars[i] && workBars[i] != g_model.currentTrkBar) workBars[i]->SetCurrent();
        it->SetFlagsA(std::uint8_t(it->FlagsA() & ~CBarItem::kRelayoutBit));
        it->LayoutChord();
    }
    g_notation.keepAccidentalOffsets = wasKeep;
    g_beamLayoutRunning = wasRunning;
    if (current && current != g_model.currentTrkBar) current->SetCurrent();
    return count;
}
