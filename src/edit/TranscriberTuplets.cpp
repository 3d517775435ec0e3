// Tuplet detection in transcription: groups of performance notes of the run's voice played as
// triplets (or 5, 7, 9 notes in a half or whole note's time; 4, 5, 7, 8, 9 in a dotted quarter
// with denominator 8) become tuplet notes before the rest of the bar is spelled, and the last
// note of a triplet held past its written end is extended with tied notes.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "edit/Transcriber.h"
#include "model/Bar.h"
#include "model/NoteSize.h"
#include "model/Score.h"
#include "model/TieType.h"
#include "model/TrkBar.h"
#include "notation/Note.h"

namespace {

constexpr int kPerf = CRawNote::kType;
constexpr int kNote = CNote::kType;
constexpr int kRest = 128;
constexpr std::uint8_t kTailMark = 0x08;  // bit 3 of +9: a triplet's last note

bool Live(const CBarItem* item) { return item && !item->IsRemoved(); }
bool IsEnd(const CBarItem* item) { return !item || item->TypeCode() == 255; }
CRawNote* AsNote(CBarItem* item) { return static_cast<CRawNote*>(item); }
int HeadsOf(CBarItem* item) {
    const int room = (item->RecordSizeField() - CRawNote::kHeads) / NoteHead::kSize;
    return std::max(0, std::min<int>(AsNote(item)->HeadCountField(), room));
}
int AverageStart(CBarItem* item) {
    const int n = HeadsOf(item);
    if (!n) return item->TimeField();
    int sum = 0;
    for (int k = 0; k < n; ++k) sum += item->TimeField() + AsNote(item)->Head(k)->StartOffset();
    return sum / n;
}
int AverageDuration(CBarItem* item) {
    const int n = HeadsOf(item);
    if (!n) return 0;
    int sum = 0;
    for (int k = 0; k < n; ++k) sum += AsNote(item)->Head(k)->Duration();
    return sum / n;
}
int AverageEnd(CBarItem* item) {
    const int n = HeadsOf(item);
    if (!n) return item->TimeField();
    int sum = 0;
    for (int k = 0; k < n; ++k)
        sum += item->TimeField() + AsNote(item)->Head(k)->StartOffset() + AsNote(item)->Head(k)->Duration();
    return sum / n;
}
std::ptrdiff_t OffsetOf(CTrkBar* tb, const CBarItem* item) {
    return reinterpret_cast<const std::uint8_t*>(item) - reinterpret_cast<const std::uint8_t*>(tb->GetItems());
}
CBarItem* AtOffset(CTrkBar* tb, std::ptrdiff_t at) {
    return reinterpret_cast<CBarItem*>(reinterpret_cast<std::uint8_t*>(tb->GetItems()) + at);
}
int WrittenEnd(CBarItem* note) { return int(NoteEndTime(*note)); }

}  // namespace

bool Transcriber::MergeEqualStarts(int b, int w) {
    CTrkBar* tb = TrkBar(b);
    // After a merge the run has moved: the scan starts again from the first record.
    for (bool again = true; again;) {
        again = false;
        std::ptrdiff_t target = -1, source = -1;
        for (CBarItem* p = tb->GetItems(); !IsEnd(p) && target < 0; p = p->NextItem()) {
            if (!Wanted(p, voice)) continue;
            for (CBarItem* q = tb->GetItems(); !IsEnd(q); q = q->NextItem()) {
                if (q == p || !Live(q) || q->VoiceField() != voice) continue;
                if (q->TypeCode() != kPerf && q->TypeCode() != kNote) continue;
                if (!allNotes && !q->IsSelectedBit() && q->TypeCode() == kPerf) continue;
                if (transcribe::Snap(AverageStart(p), w) != transcribe::Snap(AverageStart(q), w)) continue;
                if (voices && transcribe::Snap(AverageDuration(p), w) != transcribe::Snap(AverageDuration(q), w)) continue;
                p->SetFlagsB(std::uint8_t(p->FlagsB() & ~CBarItem::kSelectedBit));
                target = OffsetOf(tb, q);
                source = OffsetOf(tb, p);
                break;
            }
        }
        if (target >= 0) {
            if (!MergeIntoChord(b, target, source)) return false;
            again = true;
        }
    }
    return true;
}

bool Transcriber::FindTuplets(int b) {
    CTrkBar* tb = TrkBar(b);
    CBar* bar = score->GetBar(b);
    if (!tb || !bar) return true;
    const int den = bar->GetMeter()->GetDenominator();
    const int meterLength = bar->GetMeterLength();
    int window;
    if (den == 2 || den == 4) {
        window = 1920;
        while (window > meterLength && window > 1) window /= 2;
    } else if (den == 8) {
        window = 720;
    } else {
        return true;
    }
    if (!MergeEqualStarts(b, grid / 2)) return false;
    const int t = halfGrid / 2;
    while (window > grid) {
        const int q = window / 4;
        for (int ws = 0; ws == 0 || ws + window <= meterLength; ws += window) {
            const int we = ws + window;
            // The collected list: offsets of the live notes and wanted performance notes.
            tb = TrkBar(b);
            std::vector<std::ptrdiff_t> list;
            for (CBarItem* i = tb->GetItems(); !IsEnd(i); i = i->NextItem()) {
                if (!Live(i) || i->VoiceField() != voice) continue;
                if (i->TypeCode() == kNote || Wanted(i, voice)) list.push_back(OffsetOf(tb, i));
            }
            TupletCandidate c;
            c.windowStart = ws;
            c.windowEnd = we;
            c.window = window;
            int count = 0;
            int lastIndex = -1;
            CBarItem* prev = nullptr;
            bool closed = false;
            for (std::size_t n = 0; n < list.size() && !closed; ++n) {
                CBarItem* r = AtOffset(tb, list[n]);
                if (r->TypeCode() == kNote) {
                    prev = r;
                    continue;
                }
                if (count == 0 && prev) {
                    if (prev->TypeCode() == kNote ? WrittenEnd(prev) > ws : AverageEnd(prev) > ws + grid) {
                        closed = true;
                        count = 0;
                        break;
                    }
                }
                prev = r;
                const int s = AverageStart(r);
                const int d = AverageDuration(r);
                const int snapped = transcribe::Snap(s, q);
                if (snapped < ws || snapped >= we) continue;
                if (voices && transcribe::Snap(d, q) > window / 2) continue;
                if (count == 9) break;
                c.slot[count] = TupletSlot{s, d, list[n]};
                ++count;
                lastIndex = int(n);
            }
            if (closed || count == 0) continue;

            bool candidate = false;
            if (den == 8) {
                candidate = window == 720 && (count == 4 || count == 5 || count == 7 || count == 8 || count == 9);
            } else {
                const int b0 = ws, b1 = b0 + window / 3, b2 = b1 + window / 3;
                const int thirds[3] = {b0, b1, b2};
                auto offsetOf = [&](int s) {
                    int base = b0;
                    for (int k = 0; k < 3; ++k)
                        if (thirds[k] - halfGrid < s) base = thirds[k];
                    return s - base;
                };
                const bool followed = window >= 480 && lastIndex + 1 < int(list.size()) &&
                                      AtOffset(tb, list[std::size_t(lastIndex) + 1])->TimeField() >= we;
                const int unit = window / 3;
                if (count == 1 && followed) {
                    const TupletSlot one = c.slot[0];
                    const int e = offsetOf(one.start);
                    if (std::abs(e) < t && one.length >= unit - halfGrid && one.length < unit + halfGrid) {
                        int at = -1;
                        if (one.start < b0 + halfGrid) at = 0;
                        else if (one.start < b1 + halfGrid) at = 1;
                        else if (one.start < b2 + halfGrid) at = 2;
                        if (at >= 0) {
                            for (int k = 0; k < 3; ++k) c.slot[k] = TupletSlot{b0 + k * unit, unit, -1};
                            c.slot[at] = one;
                            count = 3;
                            candidate = true;
                        }
                    }
                } else if (count == 2 && followed) {
                    const TupletSlot a = c.slot[0], z = c.slot[1];
                    if (std::abs(offsetOf(a.start)) < t && std::abs(offsetOf(z.start)) < t) {
                        int sa, sz;
                        if (a.start < b0 + halfGrid && z.start < b1 + halfGrid) sa = 0, sz = 1;
                        else if (a.start < b0 + halfGrid) sa = 0, sz = 2;
                        else sa = 1, sz = 2;
                        for (int k = 0; k < 3; ++k) c.slot[k] = TupletSlot{b0 + k * unit, unit, -1};
                        c.slot[sa] = a;
                        c.slot[sz] = z;
                        count = 3;
                        candidate = true;
                    }
                } else if (count == 3) {
                    candidate = true;
                    for (int k = 0; k < 3; ++k)
                        if (std::abs((c.slot[k].start - thirds[k]) % unit) >= t) candidate = false;
                } else if (count == 5 || count == 7 || count == 9) {
                    candidate = window == 480 || window == 960;
                }
            }
            if (!candidate) continue;
            c.count = count;
            c.normal = count == 3 ? 2 : (den == 8 ? 6 : 4);
            if (TestTuplet(b, c)) {
                if (!WriteTuplet(b, c)) return false;
            }
        }
        if (den == 8) return true;
        window /= 2;
    }
    return true;
}

bool Transcriber::TestTuplet(int b, TupletCandidate& c) {
    CTrkBar* tb = TrkBar(b);
    const double u = double(c.window / c.count);
    if (c.count == 3) {
        int filled = 0, only = -1;
        for (int i = 0; i < 3; ++i) {
            const double ti = c.windowStart + i * u;
            if (c.slot[i].item < 0) {
                if (i > 0 && c.slot[i - 1].item >= 0 && AverageEnd(AtOffset(tb, c.slot[i - 1].item)) > ti + u) return false;
                continue;
            }
            ++filled;
            only = i;
            CBarItem* item = AtOffset(tb, c.slot[i].item);
            item->SetFlagsB(std::uint8_t(item->FlagsB() & ~kTailMark));
            for (int k = 0; k < HeadsOf(item); ++k) {
                const int x = item->TimeField() + AsNote(item)->Head(k)->StartOffset();
                const int d = int(std::fabs(x - ti));
                if (d > u / 4 || d > std::abs(x - Quantize(x))) return false;
            }
        }
        if (filled == 1 && only == 0) return false;
        const int tail = c.slot[2].item >= 0 ? 2 : 1;
        if (c.slot[tail].item >= 0) {
            CBarItem* item = AtOffset(tb, c.slot[tail].item);
            item->SetFlagsB(std::uint8_t(item->FlagsB() | kTailMark));
        }
        return true;
    }
    const int tol = (c.window / c.count) / 4;
    for (int i = 0; i + 1 < c.count; ++i) {
        const double ti = c.windowStart + i * u;
        if (c.slot[i].start < ti - tol || c.slot[i].start > ti + tol) return false;
        const int gap = c.slot[i + 1].start - c.slot[i].start;
        if (gap > c.window / 4 || gap < c.window / c.count) return false;
    }
    return true;
}

bool Transcriber::WriteTuplet(int b, TupletCandidate& c) {
    CTrkBar* tb = TrkBar(b);
    const double u = double(c.window / c.count);
    int pending = 0;
    std::vector<std::ptrdiff_t> written;
    for (int i = 0; i < c.count; ++i) {
        if (c.slot[i].item < 0) {
            pending = 1;
            continue;
        }
        CBarItem* n = AtOffset(tb, c.slot[i].item);
        const int ti = int(c.windowStart + i * u);
        const int shift = ti - n->TimeField();
        const int averageDuration = AverageDuration(n);
        MakeNote(n, b, ti, c.window / c.normal);
        auto* note = static_cast<CNote*>(n);
        note->SetTupletCount(std::uint8_t(c.count));
        note->SetTupletSpace(std::uint8_t(c.normal));
        note->SetFlagBit(CRawHead::kTupletBit, note->NoteValue() <= 3);
        note->SetLinks(std::uint8_t((note->Links() & 0x0F) | (pending << 4)));
        if (i + 1 < c.count && c.slot[i + 1].item < 0 && averageDuration > 1.5 * u && note->NoteValue() > 0)
            note->SetNoteValue(note->NoteValue() - 1);
        for (int k = 0; k < HeadsOf(n); ++k) {
            NoteHead* h = note->Head(k);
            h->SetStartOffset(std::int16_t(h->StartOffset() - shift));
        }
        note->UpdateStem(3, false);
        n->LayoutChord();
        written.push_back(c.slot[i].item);
        pending = 0;
    }
    // The empty slots become rests of the tuplet (a slot that a doubled note covers excepted),
    // so that the gaps are not filled with plain rests of other lengths.
    std::vector<int> restTimes;
    for (int i = 0; i < c.count; ++i) {
        if (c.slot[i].item >= 0) continue;
        if (i > 0 && c.slot[i - 1].item >= 0) {
            CBarItem* before = AtOffset(tb, c.slot[i - 1].item);
            if (NoteDuration(*before) > u * 1.5) continue;
        }
        restTimes.push_back(int(c.windowStart + i * u));
    }
    for (int at : restTimes) {
        CBarItem* rest = tb->NewItem(kRest, at);
        if (!rest) return false;
        const std::ptrdiff_t restAt = OffsetOf(tb, rest);
        // Offsets after the new rest moved by its size.
        for (std::ptrdiff_t& w : written)
            if (w >= restAt) w += rest->RecordSizeField();
        auto* r = static_cast<CRawHead*>(rest);
        r->SetVoice(voice);
        const notesize::ValueAndDots vd = notesize::SplitDuration(c.window / c.normal);
        r->SetNoteValue(vd.code);
        r->SetDotCount(vd.dots);
        r->SetTupletCount(std::uint8_t(c.count));
        r->SetTupletSpace(std::uint8_t(c.normal));
        r->SetPositionField(tb->TickToFraction(at));
        tb->PlaceRestVertically(rest);
        // Marked, so that the spelling of the voice keeps it.
        rest->SetFlagsB(std::uint8_t(rest->FlagsB() | CBarItem::kScratchBit));
    }
    tb = TrkBar(b);
    auto valueOf = [&](std::size_t k) { return AsNote(AtOffset(tb, written[k]))->NoteValue(); };
    if (written.size() < 2 || valueOf(0) <= 3 || valueOf(1) <= 3) {
        std::vector<CBarItem*> members;
        for (std::ptrdiff_t at : written) members.push_back(AtOffset(tb, at));
        TupletMake make;
        make.number = c.count;
        make.secondNumber = c.normal;
        CTuplet::FitToNotes(members.data(), int(members.size()), make);
        alignas(8) std::uint8_t bytes[CTuplet::kSize];
        const int lastUnit = c.windowEnd - int(u);
        CTuplet* tuplet = CTuplet::Init(bytes, 0, 0, 3, c.count, c.normal, voice, c.windowStart,
                                        tb->TickToFraction(c.windowStart), make.startY, make.startStaffOffset,
                                        tb->TickToFraction(lastUnit), make.endY, make.endStaffOffset);
        if (!tb->AddTuplet(*tuplet, c.windowStart)) return false;
    }
    return true;
}

bool Transcriber::ApplyTuplets(int b, int v) {
    if (v != voice) return true;
    CTrkBar* tb = TrkBar(b);
    for (bool again = true; again;) {
        again = false;
        for (CBarItem* i = tb->GetItems(); !IsEnd(i); i = i->NextItem()) {
            if (!Live(i) || i->TypeCode() != kNote || i->VoiceField() != voice || !(i->FlagsB() & kTailMark)) continue;
            i->SetFlagsB(std::uint8_t(i->FlagsB() & ~kTailMark));
            int e = WrittenEnd(i);
            const int ps = AverageStart(i);
            int pe = AverageEnd(i);
            if (pe <= e + grid) continue;
            int pieceBar = b;
            const int meterLength = Terms(b).length;
            if (e >= meterLength) {
                if (Terms(b).last) return true;
                e -= meterLength;
                pe -= meterLength;
                pieceBar = b + 1;
            }
            // The limit: the next item of the voice after the note.
            int limit = -1;
            int passed = 0;
            const std::ptrdiff_t at = OffsetOf(tb, i);
            for (int nb = pieceBar; nb < score->GetBarCount() && limit < 0; ++nb) {
                CTrkBar* search = TrkBar(nb);
                for (CBarItem* r = search->GetItems(); !IsEnd(r); r = r->NextItem()) {
                    if (!Live(r) || r->VoiceField() != voice) continue;
                    const int code = r->TypeCode();
                    if (code != kNote && code != kRest && code != kPerf) continue;
                    if (nb == b && OffsetOf(search, r) <= at) continue;
                    if (nb == pieceBar && r->TimeField() < e) continue;
                    limit = passed + r->TimeField();
                    break;
                }
                if (limit >= 0) break;
                passed += Terms(nb).length;
                if (passed >= pe || Terms(nb).last) break;
            }
            if (limit < 0) limit = passed > 0 ? passed : Terms(pieceBar).length;
            std::vector<transcribe::DurationPiece> pieces;
            const int got = transcribe::SplitDuration(split, [this](int bar) { return Terms(bar); }, pieceBar, e, limit,
                                                      ps, pe, &pieces);
            if (got < 0) return false;
            if (got == 0) continue;
            // Nothing when a piece would land on an item of the voice.
            bool blocked = false;
            for (const auto& piece : pieces) {
                CTrkBar* pb = TrkBar(piece.bar);
                for (CBarItem* r = pb ? pb->GetItems() : nullptr; !IsEnd(r); r = r->NextItem())
                    if (Live(r) && r->VoiceField() == voice && (r->TypeCode() == kNote || r->TypeCode() == kPerf) &&
                        r->TimeField() == piece.start)
                        blocked = true;
            }
            if (blocked) continue;
            i = AtOffset(tb, at);
            std::vector<std::uint8_t> copy(reinterpret_cast<std::uint8_t*>(i),
                                           reinterpret_cast<std::uint8_t*>(i) + i->RecordSizeField());
            auto* cn = reinterpret_cast<CRawNote*>(copy.data());
            cn->SetTupletCount(0);
            cn->SetTupletSpace(0);
            cn->SetFlagBit(CRawHead::kTupletBit, false);
            // The copy's heads sound what is left after the written note.
            for (int k = 0; k < HeadsOf(cn); ++k) {
                NoteHead* h = cn->Head(k);
                const int left = std::max(1, int(h->Duration()) + h->StartOffset() - (WrittenEnd(i) - i->TimeField()));
                h->SetDuration(std::uint16_t(left));
                h->SetStartOffset(0);
                h->SetBits(NoteHead::kLinkByte, NoteHead::kTieEnd, true);
                h->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, false);
            }
            for (int k = 0; k < HeadsOf(i); ++k) {
                NoteHead* h = AsNote(i)->Head(k);
                h->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, true);
                h->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, true);
            }
            i->LayoutChord();
            const transcribe::DurationPiece& firstPiece = pieces.front();
            const bool otherBar = firstPiece.bar != b;
            CTrkBar* nb = TrkBar(firstPiece.bar);
            const int endPosition = nb ? nb->TickToFraction(firstPiece.start) : 0;
            if (!TieToNext(b, at, otherBar ? 0 : firstPiece.start, otherBar ? 0 : endPosition)) return false;
            for (auto& piece : pieces) (void)piece;
            std::vector<transcribe::DurationPiece> rest = pieces;
            rest.front().tieIn = true;
            if (!BuildNotes(copy, rest)) return false;
            tb = TrkBar(b);
            again = true;
            break;
        }
    }
    return true;
}
