#include "edit/Transcriber.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "framework/Exceptions.h"
#include "framework/Globals.h"
#include "model/Bar.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/NoteMark.h"
#include "model/NoteSize.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/TieType.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarStandIns.h"
#include "notation/Beaming.h"
#include "notation/Note.h"
#include "notation/Rest.h"
#include "platform/Handles.h"
#include "platform/PortLayer.h"
#include "platform/StdDlg.h"
#include "platform/Theory.h"

EditGlobals g_edit;

void ResetEditGlobals() { g_edit = EditGlobals{}; }

namespace {
[[maybe_unused]] const bool registered = fw::RegisterGlobalsReset(&ResetEditGlobals);
}

// --- the quantiser and the splitting -------------------------------------------------------------

namespace transcribe {

int Quantize(int t, int grid, int halfGrid) {
    if (grid <= 0) return t;
    const int u = t + halfGrid - 1;
    return u - u % grid;
}

int Snap(int x, int q) {
    if (q <= 0) return x;
    const int u = x + q / 2 - 1;
    return u - u % q;
}

int SplitDuration(const SplitSettings& s, const std::function<BarTerms(int)>& termsOf, int bar, int p, int limit,
                  int playedStart, int playedEnd, std::vector<DurationPiece>* out) {
    const int grid = s.grid > 0 ? s.grid : 1;
    const int half = s.halfGrid;
    BarTerms terms = termsOf(bar);
    bool odd = false, compound = false;
    int barLength = 0, beat = 0, halfBeat = 0, group = 0;
    auto take = [&] {
        barLength = std::max(terms.length, 1);
        beat = std::max(terms.beat, 1);
        if (terms.numerator == 8 && terms.denominator == 8) {
            beat *= 2;
        } else if (terms.denominator >= 8) {
            if (terms.numerator % 2) odd = true;
            if (terms.numerator % 3 == 0) compound = true;
        }
        halfBeat = std::max(beat / 2, 1);
        group = compound ? 3 * beat : beat;
    };
    take();

    const int playedLength = playedEnd - playedStart;
    int end = std::min(limit, Quantize(playedEnd, grid, half));
    if (end == p) end = p + grid;
    const int overhang = std::max(0, playedEnd - end);
    if (end + grid <= limit && playedEnd > end && !(compound && playedLength < grid * 2 / 3)) {
        const int m = (end % (4 * grid)) / grid;
        if (m == 1 || m == 3)
            end += grid;
        else if (overhang > 0 && end + 2 * grid <= limit && playedLength >= 8 * grid)
            end += 2 * grid;
    }

    const int before = int(out->size());
    const int played = Quantize(playedLength, grid, half);
    bool first = true;
    bool tieIn = false;
    for (int guard = 0;; ++guard) {
        if (guard > 4096) return -1;
        const int k = p / group;
        const int nextGroup = (k + 1) * group;
        int len = std::min(end, barLength) - p;
        bool shorten = true;
        if (first && overhang > 0 && p + len < limit && end <= barLength) {
            if (p % group != 0) {
                if (p % (2 * grid) == 0 && p + grid <= limit) len += grid;
            } else if (len < group || overhang < half) {
                if (p + 2 * len <= limit)
                    len *= 2;
                else if (p + grid <= limit)
                    len += grid;
            } else {
                int boundary = (end / group + 1) * group;
                boundary = std::min({boundary, barLength, limit});
                if (boundary > p) end = boundary;
                len = end - p;
            }
            // A piece never crosses its bar line.
            len = std::min(len, barLength - p);
        }
        if (end >= nextGroup) {
            int cut = nextGroup;
            const bool onGroup = p % group == 0;
            if (compound && onGroup) {
                shorten = false;
                cut = end - end % group;
            } else if (!compound && onGroup) {
                shorten = false;
                if (end % group == 0)
                    cut = end;
                else if (end >= nextGroup + group)
                    cut = end - end % group;
                else if (k % 2 == 0 && end >= nextGroup + group / 2)
                    cut = nextGroup + group / 2;
            } else if (!compound) {
                if (p % halfBeat == 0 && k % 2 == 0 && end >= nextGroup + group / 2) cut = nextGroup + group;
            }
            len = std::min(len, cut - p);
        } else if (odd && p % beat == 0) {
            shorten = false;
        }
        if (shorten && len > 0) {
            int step = grid;
            while (step < (1 << 20) && p % (2 * step) == 0 && (p + len) % (2 * step) == 0) step *= 2;
            const int blockEnd = compound ? p + 4 * step : (p / (4 * step) + 1) * (4 * step);
            len = std::min(len, blockEnd - p);
        } else if (!shorten && odd && terms.denominator == 8) {
            len = std::min(len, 2 * nextGroup - p);
        }
        if (len > 2880)
            len = 2880;
        else if (len > 1920)
            len = 1920;
        if (len <= 0) {
            // Nothing left to write in this bar (a limit at the bar's start): the note ends.
            if (int(out->size()) > before) out->back().tieOut = false;
            break;
        }

        DurationPiece piece;
        piece.start = p;
        piece.length = len;
        piece.bar = bar;
        piece.tieIn = tieIn;
        if (len > 120 && len <= 480 && p % std::max(len / 2, 1) == 0) {
            if ((s.flags & 1) && played <= (len * s.staccatoValue + 50) / 100) piece.staccato = true;
            if ((s.flags & 2) && played >= (len * s.tenutoValue + 50) / 100) piece.tenuto = true;
        }
        p += len;
        bool done = p >= end;
        if (!done && p >= barLength) {
            if (!terms.last) {
                p = 0;
                end -= barLength;
                limit -= barLength;
                ++bar;
                terms = termsOf(bar);
                take();
            } else {
                done = true;
            }
        }
        piece.tieOut = !done;
        tieIn = !done;
        out->push_back(piece);
        first = false;
        if (done) break;
    }
    return int(out->size()) - before;
}

}  // namespace transcribe

// --- helpers ------------------------------------------------------------------------------------

namespace {

using transcribe::BarTerms;
using transcribe::DurationPiece;

constexpr int kPerf = CRawNote::kType;  // 112
constexpr int kNote = CNote::kType;     // 144
constexpr int kRest = 128;

bool Live(const CBarItem* item) { return item && !item->IsRemoved(); }
bool IsEnd(const CBarItem* item) { return !item || item->TypeCode() == 255; }

CBarItem* First(CTrkBar* tb) { return tb ? tb->GetItems() : nullptr; }
CBarItem* Next(CBarItem* item) { return item->NextItem(); }

std::ptrdiff_t OffsetOf(CTrkBar* tb, const CBarItem* item) {
    return reinterpret_cast<const std::uint8_t*>(item) - reinterpret_cast<const std::uint8_t*>(tb->GetItems());
}
CBarItem* AtOffset(CTrkBar* tb, std::ptrdiff_t at) {
    return reinterpret_cast<CBarItem*>(reinterpret_cast<std::uint8_t*>(tb->GetItems()) + at);
}

CRawNote* AsNote(CBarItem* item) { return static_cast<CRawNote*>(item); }
int HeadsOf(CBarItem* item) {
    const int room = (item->RecordSizeField() - CRawNote::kHeads) / NoteHead::kSize;
    return std::max(0, std::min<int>(AsNote(item)->HeadCountField(), room));
}
int Head0Offset(CBarItem* item) { return HeadsOf(item) ? AsNote(item)->Head(0)->StartOffset() : 0; }
int Head0Duration(CBarItem* item) { return HeadsOf(item) ? AsNote(item)->Head(0)->Duration() : 0; }
// Average play start and end over the heads (time included), integer division.
int AveragePlayStart(CBarItem* item) {
    const int n = HeadsOf(item);
    if (!n) return item->TimeField();
    int sum = 0;
    for (int k = 0; k < n; ++k) sum += item->TimeField() + AsNote(item)->Head(k)->StartOffset();
    return sum / n;
}
int AveragePlayEnd(CBarItem* item) {
    const int n = HeadsOf(item);
    if (!n) return item->TimeField();
    int sum = 0;
    for (int k = 0; k < n; ++k) {
        const NoteHead* h = AsNote(item)->Head(k);
        sum += item->TimeField() + h->StartOffset() + h->Duration();
    }
    return sum / n;
}
int AverageStaffPos(CBarItem* item) {
    const int n = HeadsOf(item);
    if (!n) return 0;
    int sum = 0;
    for (int k = 0; k < n; ++k) sum += AsNote(item)->Head(k)->Position();
    return sum / n;
}
void ShiftStarts(CBarItem* item, int by) {
    for (int k = 0; k < HeadsOf(item); ++k) {
        NoteHead* h = AsNote(item)->Head(k);
        h->SetStartOffset(std::int16_t(h->StartOffset() + by));
    }
}
void SetRemoved(CBarItem* item, bool on) {
    item->SetFlagsB(on ? std::uint8_t(item->FlagsB() | CBarItem::kRemovedBit)
                       : std::uint8_t(item->FlagsB() & ~CBarItem::kRemovedBit));
}
void SetSelectedBit(CBarItem* item, bool on) {
    item->SetFlagsB(on ? std::uint8_t(item->FlagsB() | CBarItem::kSelectedBit)
                       : std::uint8_t(item->FlagsB() & ~CBarItem::kSelectedBit));
}
std::vector<std::uint8_t> CopyOf(const CBarItem* item) {
    const auto* b = reinterpret_cast<const std::uint8_t*>(item);
    return std::vector<std::uint8_t>(b, b + item->RecordSizeField());
}
CBarItem* View(std::vector<std::uint8_t>& bytes) { return reinterpret_cast<CBarItem*>(bytes.data()); }

// Owns a buffer of records for the length of a call.
struct OwnBuffer {
    HandleBuffer buffer;
    ~OwnBuffer() { buffer.Free(); }
};

// A failure to get memory inside the engine ends the run with 100.
struct OutOfMemory {};

// Head k of a note to its next enharmonic spelling under the clef and key where the note
// stands: the head alone carries the head mark that the note's respelling reads; the mark is
// cleared afterwards and the other heads keep theirs.
void RespellMarkedHead(CTrkBar* tb, CBarItem* note, int k) {
    const int count = HeadsOf(note);
    std::vector<bool> hadMark(static_cast<std::size_t>(count), false);
    for (int i = 0; i < count; ++i) {
        NoteHead* h = AsNote(note)->Head(i);
        hadMark[std::size_t(i)] = h->IsSelected();
        h->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, i == k);
    }
    tb->SetCurrent();
    note->RespellSelected();
    for (int i = 0; i < count; ++i)
        AsNote(note)->Head(i)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, i != k && hadMark[std::size_t(i)]);
}

// The spelling of a chord's merged heads: of two heads on one staff position the one with an
// accidental is respelled (the first when both have one); a chord with sharps and flats
// respells one kind (the sharps in a flat key, else the flats) and the heads that share a staff
// position with them. The note is recalculated when anything changed.
void RespellMergedHeads(CTrkBar* tb, CBarItem* note) {
    const int count = HeadsOf(note);
    if (count < 2) return;
    CRawNote* n = AsNote(note);
    bool changed = false;
    std::vector<bool> respelled(std::size_t(count), false);
    // Each head is respelled at most once, so two clashing heads never swap back and forth.
    auto clash = [&]() -> int {
        for (int i = 0; i < count; ++i)
            for (int j = i + 1; j < count; ++j) {
                if (n->Head(i)->Position() != n->Head(j)->Position()) continue;
                if (n->Head(i)->Accidental() && !respelled[std::size_t(i)]) return i;
                if (n->Head(j)->Accidental() && !respelled[std::size_t(j)]) return j;
            }
        return -1;
    };
    for (int k = clash(); k >= 0; k = clash()) {
        RespellMarkedHead(tb, note, k);
        respelled[std::size_t(k)] = true;
        changed = true;
    }
    bool sharps = false, flats = false;
    for (int i = 0; i < count; ++i) {
        sharps = sharps || n->Head(i)->Accidental() == CTheory::kSharp;
        flats = flats || n->Head(i)->Accidental() == CTheory::kFlat;
    }
    if (sharps && flats) {
        int clef = 0, key = 0;
        tb->GetClefAndKeyAt(note->PositionField(), &clef, &key);
        const bool flatKey = key >= 1 && key <= 7;
        const int kind = flatKey ? CTheory::kSharp : CTheory::kFlat;
        std::vector<bool> take(std::size_t(count), false);
        for (int i = 0; i < count; ++i) {
            if (n->Head(i)->Accidental() != kind) continue;
            take[std::size_t(i)] = true;
            for (int j = 0; j < count; ++j)
                if (j != i && n->Head(j)->Position() == n->Head(i)->Position()) take[std::size_t(j)] = true;
        }
        for (int i = 0; i < count; ++i)
            if (take[std::size_t(i)]) RespellMarkedHead(tb, note, i);
        changed = true;
    }
    if (changed) note->LayoutChord();
}

}  // namespace

// --- set-up and the run ---------------------------------------------------------------------------

void Transcriber::Setup(CScore* s, int g, bool all, bool b, bool v) {
    score = s;
    grid = g > 0 ? g : 1;
    halfGrid = grid / 2 - 1;
    allNotes = all;
    beam = b;
    voices = v;
    lastBar = -1;
    tuplets = g_preferences.Byte(Preferences::kTuplets) != 0;
    split.grid = grid;
    split.halfGrid = halfGrid;
    split.flags = g_preferences.Byte(Preferences::kRecordFlags);
    split.staccatoValue = g_preferences.Byte(Preferences::kStaccatoValue);
    split.tenutoValue = g_preferences.Byte(Preferences::kTenutoValue);
}

CTrkBar* Transcriber::TrkBar(int bar) {
    if (!score || bar < 0 || bar >= score->GetBarCount()) return nullptr;
    return score->GetTrkBar(track, bar);
}

transcribe::BarTerms Transcriber::Terms(int bar) {
    BarTerms t;
    CBar* b = score && bar >= 0 && bar < score->GetBarCount() ? score->GetBar(bar) : nullptr;
    if (!b) {
        // Past the score: the note ends at the last bar, which says so.
        t.last = true;
        return t;
    }
    t.length = b->GetMeterLength();
    t.beat = b->GetBeatLength();
    t.numerator = b->GetMeter()->GetNumerator();
    t.denominator = b->GetMeter()->GetDenominator();
    t.last = b->IsLast() || bar + 1 >= score->GetBarCount();
    return t;
}

bool Transcriber::Wanted(CBarItem* item, int v) {
    return Live(item) && item->TypeCode() == kPerf && item->VoiceField() == v && (allNotes || item->IsSelectedBit());
}

int Transcriber::VoicesIn(int bar) {
    CTrkBar* tb = TrkBar(bar);
    if (!tb) return 0;
    bool used[8] = {};
    for (CBarItem* i = First(tb); !IsEnd(i); i = Next(i)) {
        if (!Live(i)) continue;
        const int c = i->TypeCode();
        if (c == kPerf || c == kNote || c == kRest) used[i->VoiceField() & 7] = true;
    }
    return int(std::count(used, used + 8, true));
}

int Transcriber::TranscribedVoices(int bar) {
    CTrkBar* tb = TrkBar(bar);
    return tb ? tb->GetTranscribedVoices() : 0;
}

int Transcriber::Run(int trackIndex, int first, int last, int runVoice) {
    if (!score) return kDone;
    track = trackIndex;
    voice = runVoice & 7;
    firstBar = std::max(first, 0);
    last = std::min<int>(last, score->GetBarCount() - 1);
    if (track < 0 || track >= score->GetTrackCount() || firstBar > last) return kDone;
    for (VoiceSlot& s : slots) s = VoiceSlot{};
    if (!voices) slots[voice].end = kInUse;
    exchangeNext = false;
    try {
        // Pass A: starts to the grid, heads ordered, chords formed.
        barStart = 0;
        for (int b = firstBar; b <= last; ++b) {
            if (!TrkBar(b)) break;
            TrkBar(b)->SetCurrent();
            if (!QuantizeStarts(b)) return kOutOfMemory;
            OrderHeads(b);
            if (!FormChords(b)) return kOutOfMemory;
            barStart += Terms(b).length;
        }
        // Pass B: voices.
        if (voices) {
            barStart = 0;
            for (int b = firstBar; b <= last; ++b) {
                AssignVoices(b);
                barStart += Terms(b).length;
            }
        }
        // Pass C: notation, bar by bar.
        barStart = 0;
        lastBar = last;
        for (int b = firstBar; b <= lastBar && b < score->GetBarCount(); ++b) {
            if (!CProgressDlg::StepCurrent()) return kCancelled;
            CTrkBar* tb = TrkBar(b);
            tb->SetCurrent();
            // Out of memory in tuplet detection ends the run (the bars finished stay).
            if (tuplets && !FindTuplets(b)) return kOutOfMemory;
            for (VoiceSlot& s : slots) s = VoiceSlot{};
            bool used[8] = {};
            used[voice] = true;
            bool processed[8] = {};
            for (int v = voice; v < 8; ++v) {
                if (!used[v]) continue;
                if (!voices && v != voice) break;
                processed[v] = true;
                if (!SpellVoice(b, v, used)) return kOutOfMemory;
                if (tuplets && !ApplyTuplets(b, v)) return kOutOfMemory;
                tb = TrkBar(b);
                tb->SetCurrent();
                // The voice's own rests went when it was spelled (tuplet rests excepted).
                // (A voice left empty is rested from scratch.)
                bool holds = false, barHolds = false;
                for (CBarItem* i = First(tb); !IsEnd(i) && !holds; i = Next(i)) {
                    if (!Live(i)) continue;
                    const int code = i->TypeCode();
                    holds = i->VoiceField() == v && (code == kNote || code == kRest);
                    barHolds = barHolds || code == kNote || code == kRest || code == kPerf;
                }
                // In the several-voices mode a voice that holds nothing in the bar gets no
                // rests; a bar that holds nothing at all is rested in the run's voice.
                if (voices && !holds && (v != voice || barHolds)) continue;
                if (!tb->FillGaps(v, !holds, false, true)) return kOutOfMemory;
            }
            if (voices) ExchangeVoices(b);
            tb = TrkBar(b);
            tb->SetCurrent();
            if (beam) {
                for (int v = 0; v < 8; ++v) {
                    if (!processed[v]) continue;
                    g_beamContext.Init(tb, 1, 0);
                    g_beamContext.AutoBeam(track, v, 0, 32767);
                    tb = TrkBar(b);
                    tb->SetCurrent();
                }
            }
            AnimateWaitCursor();
            barStart += Terms(b).length;
            tb->Compact();
            // The marks of this pass go (the new notes' scratch bits, the tuplet rests' marks).
            for (CBarItem* i = First(tb); !IsEnd(i); i = Next(i))
                if (i->TypeCode() == kNote || i->TypeCode() == kRest)
                    i->SetFlagsB(std::uint8_t(i->FlagsB() & ~CBarItem::kScratchBit));
            int t = 0, v = 0;
            tb->RecalcTimes(&t, &v);
            tb->RecalcAccidentals();
            if (voices) trkbar::PlaceNote(tb, false);
        }
    } catch (const OutOfMemory&) {
        return kOutOfMemory;
    } catch (const CMemoryException&) {
        return kOutOfMemory;
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    // The bars respaced, then the ties of the range placed.
    const int end = std::min<int>(lastBar, score->GetBarCount() - 1);
    for (int b = firstBar; b <= end; ++b)
        if (CBar* bar = score->GetBar(b)) bar->Respace();
    for (int b = firstBar; b <= end; ++b) {
        CTrkBar* tb = TrkBar(b);
        if (!tb) continue;
        tb->SetCurrent();
        for (CBarItem* i = First(tb); !IsEnd(i); i = Next(i)) {
            if (!Live(i) || i->TypeCode() != kNote) continue;
            bool tied = false;
            for (int k = 0; k < HeadsOf(i); ++k)
                tied = tied || AsNote(i)->Head(k)->HasTieStart() || AsNote(i)->Head(k)->HasTieEnd();
            if (tied) AsNote(i)->PlaceTies(track);
        }
    }
    return kDone;
}

// --- pass A ---------------------------------------------------------------------------------------

bool Transcriber::QuantizeStarts(int b) {
    CTrkBar* tb = TrkBar(b);
    const BarTerms terms = Terms(b);
    bool used[8] = {};
    for (CBarItem* i = First(tb); !IsEnd(i); i = Next(i)) {
        if (!Live(i)) continue;
        const int code = i->TypeCode();
        if (code == kPerf || code == kNote || code == kRest) used[i->VoiceField() & 7] = true;
        if (code == CTie::kType && i->VoiceField() == voice && (i->FlagsB() & CBarItem::kScratchBit)) {
            const int q = std::max(0, Quantize(i->TimeField()));
            i->SetTimeField(std::int16_t(q));
            i->SetPositionField(tb->TickToFraction(q));
            continue;
        }
        if (!Wanted(i, voice)) continue;
        const int old = i->TimeField();
        const int q = std::max(0, Quantize(old + Head0Offset(i)));
        ShiftStarts(i, old - q);
        if (q < terms.length || terms.last) {
            i->SetTimeField(std::int16_t(q));
            i->SetPositionField(tb->TickToFraction(q));
            continue;
        }
        // The note belongs to the next bar.
        CTrkBar* next = TrkBar(b + 1);
        if (!next) {
            i->SetTimeField(std::int16_t(q));
            continue;
        }
        if (HeadsOf(i) && AsNote(i)->Head(0)->HasTieStart()) {
            if (CBarItem* tie = tb->FindTieFrom(i, 0)) SetRemoved(tie, true);
            NoteHead* h = AsNote(i)->Head(0);
            h->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, false);
        }
        std::vector<std::uint8_t> copy = CopyOf(i);
        const std::ptrdiff_t at = OffsetOf(tb, i);
        const int time = q - terms.length + next->GetPickupOffset();
        View(copy)->SetTimeField(std::int16_t(time));
        View(copy)->SetPositionField(next->TickToFraction(time));
        SetSelectedBit(View(copy), true);
        if (!next->InsertCopy(View(copy))) return false;
        i = AtOffset(tb, at);
        SetRemoved(i, true);
        SetSelectedBit(i, false);
    }
    tb->SetTranscribedVoices(int(std::count(used, used + 8, true)));
    tb->SortItems();
    return true;
}

void Transcriber::OrderHeads(int b) {
    CTrkBar* tb = TrkBar(b);
    for (bool changed = true; changed;) {
        changed = false;
        CBarItem* prev = nullptr;
        for (CBarItem* i = First(tb); !IsEnd(i); i = Next(i)) {
            if (i->TypeCode() != kPerf) {
                prev = nullptr;
                continue;
            }
            if (prev && Live(prev) && Live(i) && HeadsOf(prev) == 1 && HeadsOf(i) == 1 &&
                prev->RecordSizeField() == i->RecordSizeField() && prev->TimeField() == i->TimeField() &&
                AsNote(prev)->Head(0)->Pitch() < AsNote(i)->Head(0)->Pitch()) {
                const int n = i->RecordSizeField();
                std::vector<std::uint8_t> tmp = CopyOf(prev);
                std::memcpy(reinterpret_cast<std::uint8_t*>(prev), reinterpret_cast<std::uint8_t*>(i), std::size_t(n));
                std::memcpy(reinterpret_cast<std::uint8_t*>(i), tmp.data(), std::size_t(n));
                changed = true;
            }
            prev = i;
        }
    }
}

bool Transcriber::MergeIntoChord(int b, std::ptrdiff_t target, std::ptrdiff_t source) {
    CTrkBar* tb = TrkBar(b);
    CBarItem* src = AtOffset(tb, source);
    CBarItem* dst = AtOffset(tb, target);
    const int n = HeadsOf(src);
    if (HeadsOf(dst) + n > 255) return true;  // a chord holds at most 255 heads: the rest stays apart
    std::vector<std::uint8_t> heads(std::size_t(n) * NoteHead::kSize);
    const int shift = src->TimeField() - dst->TimeField();
    for (int k = 0; k < n; ++k) {
        NoteHead* h = reinterpret_cast<NoteHead*>(heads.data() + k * NoteHead::kSize);
        std::memcpy(h, AsNote(src)->Head(k), NoteHead::kSize);
        h->SetStartOffset(std::int16_t(h->StartOffset() + shift));
    }
    SetRemoved(src, true);
    if (!tb->ResizeNote(AtOffset(tb, target), heads.data(), n)) {
        // The source stays as it was.
        SetRemoved(AtOffset(tb, source), false);
        return false;
    }
    RespellMergedHeads(tb, AtOffset(tb, target));
    return true;
}

bool Transcriber::FormChords(int b) {
    CTrkBar* tb = TrkBar(b);
    if (!voices) {
        std::ptrdiff_t prev = -1;
        for (CBarItem* i = First(tb); !IsEnd(i); i = Next(i)) {
            if (!Wanted(i, voice)) continue;
            if (prev >= 0) {
                CBarItem* p = AtOffset(tb, prev);
                const int d = i->TimeField() - p->TimeField();
                if (d > -halfGrid && d < halfGrid) {
                    const int shift = p->TimeField() - i->TimeField();
                    ShiftStarts(p, shift);
                    p->SetTimeField(i->TimeField());
                    p->SetPositionField(i->PositionField());
                    const std::ptrdiff_t here = OffsetOf(tb, i);
                    if (!MergeIntoChord(b, prev, here + (here > prev ? 0 : 0))) return false;
                    // The target grew: the source lies further on, marked removed.
                    i = AtOffset(tb, prev);
                    continue;
                }
            }
            prev = OffsetOf(tb, i);
        }
        return true;
    }
    // After a merge the run has moved: the scan starts again from the first record.
    for (bool again = true; again;) {
        again = false;
        std::ptrdiff_t target = -1, source = -1;
        for (CBarItem* a = First(tb); !IsEnd(a) && target < 0; a = Next(a)) {
            if (!Wanted(a, voice)) continue;
            for (CBarItem* c = Next(a); !IsEnd(c); c = Next(c)) {
                if (!Wanted(c, voice) || c->TimeField() != a->TimeField()) continue;
                const bool equal = Quantize(Head0Duration(a)) == Quantize(Head0Duration(c));
                const int d = AveragePlayEnd(c) - AveragePlayEnd(a);
                if (equal || (d > -halfGrid && d < halfGrid)) {
                    target = OffsetOf(tb, a);
                    source = OffsetOf(tb, c);
                    break;
                }
            }
        }
        if (target >= 0) {
            if (!MergeIntoChord(b, target, source)) return false;
            again = true;
        }
    }
    return true;
}

// --- pass B ---------------------------------------------------------------------------------------

void Transcriber::AssignVoices(int b) {
    CTrkBar* tb = TrkBar(b);
    if (!tb) return;
    for (CBarItem* i = First(tb); !IsEnd(i); i = Next(i)) {
        if (!Live(i) || i->TypeCode() != kPerf || (!allNotes && !i->IsSelectedBit())) continue;
        if (i->VoiceField() != voice) continue;
        const int s = barStart + i->TimeField();
        const int e = barStart + Quantize(i->TimeField() + Head0Offset(i) + Head0Duration(i));
        const int pos = AverageStaffPos(i);
        int chosen = -1;
        for (int v = voice; v < 8 && chosen < 0; ++v) {
            VoiceSlot& slot = slots[v];
            if (slot.start == s && slot.end != 0) continue;
            if (slot.start == s && slot.end == 0) {
                chosen = v;
                break;
            }
            if (slot.end > s) continue;
            if (slot.end <= 0) {
                chosen = v;
                break;
            }
            chosen = v;
            int best = std::abs(slot.staffPos - pos);
            for (int w = v + 1; w < 8 && slots[w].end > 0; ++w) {
                if (slots[w].end == s && std::abs(slots[w].staffPos - pos) < best) {
                    best = std::abs(slots[w].staffPos - pos);
                    chosen = w;
                }
            }
        }
        if (chosen < 0) chosen = 7;
        slots[chosen] = VoiceSlot{s, e, pos};
        i->SetFlagsB(std::uint8_t((i->FlagsB() & 0x1F) | (chosen << CBarItem::kVoiceShift)));
    }
    int count = 0;
    for (int v = voice; v < 8; ++v)
        if (slots[v].end > barStart) ++count;
    TrkBar(b)->SetTranscribedVoices(std::max(TrkBar(b)->GetTranscribedVoices(), count));
}

// --- pass C ---------------------------------------------------------------------------------------

bool Transcriber::SpellVoice(int b, int v, bool* used) {
    CTrkBar* tb = TrkBar(b);
    tb->SetCurrent();
    const BarTerms terms = Terms(b);
    struct Collected {
        std::vector<std::uint8_t> bytes;
        int limit = 0;
    };
    std::vector<Collected> notes;
    std::vector<int> fixedStarts;  // notated notes of the voice
    for (CBarItem* i = First(tb); !IsEnd(i); i = Next(i)) {
        const bool scratch = (i->FlagsB() & CBarItem::kScratchBit) != 0;
        i->SetFlagsB(std::uint8_t(i->FlagsB() & ~CBarItem::kScratchBit));
        if (!Live(i)) continue;
        const int code = i->TypeCode();
        // The voice's rests go, to be filled again after the voice is notated; the rests that
        // tuplet detection wrote into this bar's tuplets (marked) stay.
        if (code == kRest && i->VoiceField() == v && !scratch) {
            SetRemoved(i, true);
            continue;
        }
        if (code == kPerf || code == kNote) used[i->VoiceField() & 7] = true;
        if (i->VoiceField() != v) continue;
        if (code == kNote) {
            fixedStarts.push_back(i->TimeField());
            continue;
        }
        if (code != kPerf) continue;
        if (!allNotes && !i->IsSelectedBit()) continue;
        Collected c;
        c.bytes = CopyOf(i);
        CBarItem* copy = View(c.bytes);
        for (int k = 0; k < HeadsOf(copy); ++k) {
            NoteHead* h = AsNote(copy)->Head(k);
            if (h->Duration() >= 32767) h->SetDuration(std::uint16_t(std::max(terms.length - 1, 1)));
        }
        notes.push_back(std::move(c));
        SetRemoved(i, true);
    }
    if (notes.empty()) return true;

    // Limits: the next item of the voice.
    for (std::size_t n = 0; n < notes.size(); ++n) {
        CBarItem* note = View(notes[n].bytes);
        const int time = note->TimeField();
        int limit = 32767;
        if (n + 1 < notes.size()) limit = Quantize(View(notes[n + 1].bytes)->TimeField() + Head0Offset(View(notes[n + 1].bytes)));
        for (int f : fixedStarts)
            if (f > time) limit = std::min(limit, f);
        if (limit == 32767) {
            limit = terms.length;
            int latest = time;
            for (int k = 0; k < HeadsOf(note); ++k) {
                const NoteHead* h = AsNote(note)->Head(k);
                latest = std::max(latest, time + h->StartOffset() + h->Duration());
            }
            if (latest > terms.length + halfGrid && !terms.last) {
                // Search the following bars for the next item of the voice.
                int passed = terms.length;
                bool found = false;
                for (int nb = b + 1; nb < score->GetBarCount() && !found; ++nb) {
                    CTrkBar* next = TrkBar(nb);
                    const int len = Terms(nb).length;
                    for (CBarItem* i = First(next); !IsEnd(i); i = Next(i)) {
                        if (!Live(i) || i->VoiceField() != v) continue;
                        const int code = i->TypeCode();
                        if (code != kPerf && code != kNote && code != kRest) continue;
                        const int start = code == kPerf ? Quantize(i->TimeField() + Head0Offset(i)) : i->TimeField();
                        limit = passed + start;
                        found = true;
                        break;
                    }
                    passed += len;
                    if (!found) limit = passed;
                    if (passed >= latest) break;
                }
            }
        }
        notes[n].limit = limit;
    }

    for (Collected& c : notes) {
        CBarItem* note = View(c.bytes);
        const int lead = tb->GetPickupOffset();
        int time = note->TimeField();
        if (time == lead + grid && HeadsOf(note) && Head0Offset(note) < -(grid / 2) &&
            AveragePlayEnd(note) - AveragePlayStart(note) >= 2 * grid && terms.beat > 0 && time % terms.beat != 0) {
            ShiftStarts(note, time - lead);
            time = lead;
            note->SetTimeField(std::int16_t(time));
        }
        const int playedStart = AveragePlayStart(note);
        int playedEnd = AveragePlayEnd(note);
        int latest = time;
        for (int k = 0; k < HeadsOf(note); ++k) {
            const NoteHead* h = AsNote(note)->Head(k);
            latest = std::max(latest, time + h->StartOffset() + h->Duration());
        }
        if (latest <= c.limit) playedEnd = latest;
        std::vector<DurationPiece> pieces;
        const int got = transcribe::SplitDuration(split, [this](int bar) { return Terms(bar); }, b, time, c.limit,
                                                  playedStart, playedEnd, &pieces);
        if (got < 0) return false;
        if (got == 0) continue;
        if (!BuildNotes(c.bytes, pieces)) return false;
    }
    tb = TrkBar(b);
    tb->SetCurrent();
    for (CBarItem* i = First(tb); !IsEnd(i); i = Next(i))
        if (Live(i) && i->TypeCode() == kNote && i->VoiceField() == v && i->RecordSizeField() > CRawNote::kLinks)
            AsNote(i)->SetLinks(std::uint8_t(AsNote(i)->Links() & 0x0F));
    tb->RecalcAccidentals();
    return true;
}

void Transcriber::MakeNote(CBarItem* record, int bar, int time, int length) {
    ConstructItem(kNote, record);
    auto* note = static_cast<CNote*>(record);
    const notesize::ValueAndDots vd = notesize::SplitDuration(length);
    note->SetNoteValue(vd.code);
    note->SetDotCount(vd.dots);
    note->SetTimeField(std::int16_t(time));
    if (CTrkBar* tb = TrkBar(bar)) note->SetPositionField(tb->TickToFraction(time));
    note->SetFlagsA(std::uint8_t(note->FlagsA() | 0x01));
    note->SetFlagsB(std::uint8_t(note->FlagsB() & ~(CBarItem::kRemovedBit | CBarItem::kSelectedBit)));
    note->SetFlagBit(CRawHead::kSlashBit, false);
    note->SetStemLength(0);
    for (int k = 0; k < HeadsOf(note); ++k) note->Head(k)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, false);
}

bool Transcriber::TieToNext(int bar, std::ptrdiff_t at, int endTime, int endPosition) {
    CTrkBar* tb = TrkBar(bar);
    CBarItem* note = AtOffset(tb, at);
    OwnBuffer ties;
    if (!CTie::BuildForNote(note, endTime, endPosition, std::max(TranscribedVoices(bar), VoicesIn(bar)),
                            &ties.buffer, true))
        return false;
    if (ties.buffer.GetSize() == 0) return true;
    if (!tb->InsertBuffer(note->TimeField(), ties.buffer)) return false;
    return true;
}

bool Transcriber::BuildNotes(std::vector<std::uint8_t>& source, const std::vector<DurationPiece>& pieces) {
    CBarItem* src = View(source);
    const int heads = HeadsOf(src);
    std::vector<int> remaining(static_cast<std::size_t>(heads));
    std::vector<bool> tiedIn(static_cast<std::size_t>(heads));
    for (int k = 0; k < heads; ++k) {
        const NoteHead* h = AsNote(src)->Head(k);
        remaining[std::size_t(k)] = h->Duration();
        tiedIn[std::size_t(k)] = h->HasTieEnd();
    }
    CTrack* trackRecord = score->GetTrack(track);
    for (std::size_t n = 0; n < pieces.size(); ++n) {
        const DurationPiece& piece = pieces[n];
        CTrkBar* tb = TrkBar(piece.bar);
        if (!tb) break;
        tb->SetCurrent();
        const bool lastPiece = n + 1 == pieces.size();
        // The record of this piece: the heads with sounding time left.
        std::vector<std::uint8_t> bytes(std::size_t(CRawNote::kHeads), 0);
        std::memcpy(bytes.data(), source.data(), std::size_t(CRawNote::kHeads));
        int kept = 0;
        std::vector<bool> tiesOn;
        for (int k = 0; k < heads; ++k) {
            if (remaining[std::size_t(k)] <= 0) continue;
            NoteHead head;
            std::uint8_t raw[NoteHead::kSize];
            std::memcpy(raw, AsNote(src)->Head(k), NoteHead::kSize);
            auto* h = reinterpret_cast<NoteHead*>(raw);
            (void)head;
            h->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, false);
            const bool continues = piece.tieOut && remaining[std::size_t(k)] > piece.length;
            h->SetBits(NoteHead::kLinkByte, NoteHead::kTieEnd, piece.tieIn ? true : tiedIn[std::size_t(k)]);
            h->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, continues);
            if (n > 0) h->SetStartOffset(0);
            if (!lastPiece && piece.tieOut) {
                if (continues) {
                    h->SetDuration(std::uint16_t(piece.length));
                    remaining[std::size_t(k)] = std::max(1, remaining[std::size_t(k)] - piece.length);
                } else {
                    remaining[std::size_t(k)] = 0;
                }
            } else {
                h->SetDuration(std::uint16_t(std::max(1, std::min(remaining[std::size_t(k)], 65535))));
                remaining[std::size_t(k)] = 0;
            }
            // Heads that tie on are marked for the tie building (the head's selected bit).
            h->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, continues);
            bytes.insert(bytes.end(), raw, raw + NoteHead::kSize);
            tiesOn.push_back(continues);
            ++kept;
        }
        if (kept == 0) return true;
        CBarItem* rec = View(bytes);
        rec->SetSize(std::int16_t(bytes.size()));
        AsNote(rec)->SetHeadCountField(kept);
        AsNote(rec)->SetValueByte(std::uint8_t(AsNote(rec)->ValueByte() & 0xF0));  // no marks carried
        rec->SetTimeField(std::int16_t(piece.start));
        rec->SetPositionField(tb->TickToFraction(piece.start));

        if (n > 0 && piece.start == 0 && piece.bar > pieces[0].bar) {
            // A continuation at the start of a later bar stays a performance note, notated when
            // its bar comes.
            SetSelectedBit(rec, true);
            SetRemoved(rec, false);
            for (int k = 0; k < kept; ++k) {
                NoteHead* h = AsNote(rec)->Head(k);
                h->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, false);
                h->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, false);
                h->SetBits(NoteHead::kLinkByte, NoteHead::kTieEnd, true);
                // What is left of the head sounds from here.
                const int left = remaining[std::size_t(k)] > 0 ? remaining[std::size_t(k)] : h->Duration();
                h->SetDuration(std::uint16_t(std::max(1, std::min(left, 65535))));
            }
            // The heads' remaining time was given to the last piece's heads above; take the
            // remaining time of every head again from the piece lengths that follow.
            int rest = 0;
            for (std::size_t m = n; m < pieces.size(); ++m) rest += pieces[m].length;
            for (int k = 0; k < kept; ++k) {
                NoteHead* h = AsNote(rec)->Head(k);
                if (h->Duration() < 1) h->SetDuration(std::uint16_t(std::max(1, rest)));
            }
            ConstructItem(kPerf, rec);
            lastBar = std::max(lastBar, piece.bar);
            if (!tb->InsertCopy(rec)) return false;
            return true;
        }

        lastBar = std::max(lastBar, piece.bar);
        CBarItem* placed = tb->InsertCopy(rec);
        if (!placed) return false;
        const std::ptrdiff_t at = OffsetOf(tb, placed);
        MakeNote(placed, piece.bar, piece.start, Quantize(piece.length));
        for (int k = 0; k < kept; ++k) {
            NoteHead* h = AsNote(placed)->Head(k);
            if (tiesOn[std::size_t(k)]) h->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, true);
            // A drum's head shape comes from the track's drum map.
            if (trackRecord && trackRecord->IsPercussionStaff())
                AsNote(placed)->SetHeadShape(k, trackRecord->GetNoteHeadForKey(h->Pitch(), placed->VoiceField(), 0));
        }
        placed->SetFlagsB(std::uint8_t(placed->FlagsB() | CBarItem::kScratchBit));
        // Stems.
        const int used = std::max(TranscribedVoices(piece.bar), VoicesIn(piece.bar));
        if (used < 2) {
            AsNote(placed)->UpdateStem(3, false);
        } else {
            const int v = placed->VoiceField();
            AsNote(placed)->SetStemUpBit(v == 0 || v == 4);
        }
        placed->LayoutChord();
        const bool percussion = trackRecord && trackRecord->IsPercussionStaff();
        if (!piece.tieOut && (piece.staccato || piece.tenuto) && !percussion) {
            std::uint8_t markBytes[64] = {};
            auto* mark = reinterpret_cast<NoteMark*>(markBytes);
            const int code = piece.staccato ? 24 : 25;
            AsNote(placed)->InitMark(mark, code, 0, false);
            mark->SetCode(std::uint8_t(code));
            mark->SetSize(std::int16_t(NoteMark::ClassSize(code)));
            if (!AsNote(placed)->AddMark(*mark)) return false;
        }
        if (piece.tieOut && !lastPiece) {
            const DurationPiece& next = pieces[n + 1];
            const bool otherBar = next.bar != piece.bar;
            CTrkBar* nextBar = TrkBar(next.bar);
            const int endPosition = nextBar ? nextBar->TickToFraction(next.start) : 0;
            if (!TieToNext(piece.bar, at, otherBar ? 0 : next.start, otherBar ? 0 : endPosition)) return false;
        }
        // The tie marks on the heads go again.
        tb = TrkBar(piece.bar);
        for (CBarItem* i = First(tb); !IsEnd(i); i = Next(i)) {
            if (!Live(i) || i->TypeCode() != kNote || !(i->FlagsB() & CBarItem::kScratchBit)) continue;
            for (int k = 0; k < HeadsOf(i); ++k) AsNote(i)->Head(k)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, false);
        }
    }
    return true;
}

void Transcriber::ExchangeVoices(int b) {
    CTrkBar* tb = TrkBar(b);
    VoiceStats stats;
    tb->GetVoiceStats(&stats, true);
    int inUse = 0;
    for (int v = 0; v < 8; ++v)
        if (stats.voice[v].count) ++inUse;
    const bool ask = exchangeNext;
    exchangeNext = false;
    if (!ask) {
        if (!(inUse == 2 && stats.voice[0].count && stats.voice[1].count && stats.voice[0].average < stats.voice[1].average))
            return;
        // A tie that arrives in voice 0 or 1 from the bar before, which kept its voices, keeps
        // this bar's voices too, or the tie would join two voices.
        for (CBarItem* i = First(tb); !IsEnd(i); i = Next(i)) {
            if (!Live(i) || i->TypeCode() != kNote || i->VoiceField() > 1) continue;
            for (int k = 0; k < HeadsOf(i); ++k)
                if (AsNote(i)->Head(k)->HasTieEnd() && i->TimeField() == 0) return;
        }
    }
    for (CBarItem* i = First(tb); !IsEnd(i); i = Next(i)) {
        if (!Live(i)) continue;
        const int v = i->VoiceField();
        if (v != 0 && v != 1) continue;
        i->SetFlagsB(std::uint8_t((i->FlagsB() & 0x1F) | ((1 - v) << CBarItem::kVoiceShift)));
        if (i->TypeCode() == kRest) tb->PlaceRestVertically(i);
        if (i->TypeCode() == CTie::kType) {
            // The tie's own flip (the bar item's slot): height negated, ends moved to its side.
            i->Flip(0);
            if (CTieType::Of(i)->EndBarOffset() != 0) exchangeNext = true;
        }
        if (i->TypeCode() == kNote) AsNote(i)->SetStemUpBit(1 - v == 0);
    }
}
