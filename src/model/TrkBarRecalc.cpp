// Bringing a bar of a track back into a consistent state after an edit: beams, tuplets, slurs and
// groups flagged for layout laid out again, tuplets fitted to the notes under them, two-ended
// items re-attached to their end notes, stems by the voice rules, chord symbols on the beats,
// and the chords of a voice laid out again. The re-timing itself is TrkBarRecalcTimes.cpp.
#include <algorithm>
#include <vector>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/ChordRecords.h"
#include "model/BeamingHooks.h"
#include "model/Meter.h"
#include "model/ModelGlobals.h"
#include "model/SystemStaff.h"
#include "model/TieType.h"
#include "model/TrkBar.h"
#include "model/TrkBarStandIns.h"
#include "model/TrkBarWalk.h"

namespace {

// Fields of notes and rests.
enum : int { kTupletCount = 16, kTupletSpace = 17, kNoteFlags = 18, kStemByte = 20, kNoteExtraFlags = 21 };
enum : std::uint8_t {
    kSlashBit = 0x01,
    kGraceBit = 0x02,
    kBeamedBit = 0x08,
    kTupletBit = 0x10,
    kStemUpBit = 0x01,
    kShiftedRightBit = 0x04,
};
// Fields of the beam: bit 5 of byte 16 asks for the heights to be decided afresh; byte 17 holds
// the two signed 3-bit staff offsets of its ends.
enum : int { kBeamFlags = 16, kBeamStaves = 17 };
enum : std::uint8_t { kBeamRenewBit = 0x20 };
constexpr int kChordType = CChord::kType;
constexpr int kGuitarFrameType = CGuitarFrame::kType;
// At most this many slurs are re-attached in one pass; the others keep their layout flag.
constexpr int kMaxSlurs = 256;

std::uint8_t Byte(const CBarItem* item, int at) { return rec::Get<std::uint8_t>(item, std::size_t(at)); }
void PutByte(CBarItem* item, int at, std::uint8_t v) { rec::Put<std::uint8_t>(item, std::size_t(at), v); }
bool Has(const CBarItem* item, int at) { return item->RecordSizeField() > at; }
bool NoteFlag(const CBarItem* item, std::uint8_t bit) { return Has(item, kNoteFlags) && (Byte(item, kNoteFlags) & bit); }
void SetNoteFlag(CBarItem* item, std::uint8_t bit, bool on) {
    if (!Has(item, kNoteFlags)) return;
    const std::uint8_t v = Byte(item, kNoteFlags);
    PutByte(item, kNoteFlags, on ? std::uint8_t(v | bit) : std::uint8_t(v & ~bit));
}
void SetRemoved(CBarItem* item, bool on) {
    item->SetFlagsB(on ? std::uint8_t(item->FlagsB() | CBarItem::kRemovedBit)
                       : std::uint8_t(item->FlagsB() & ~CBarItem::kRemovedBit));
}
bool Relayout(const CBarItem* item) { return (item->FlagsA() & CBarItem::kRelayoutBit) != 0; }
void ClearRelayout(CBarItem* item) { item->SetFlagsA(std::uint8_t(item->FlagsA() & ~CBarItem::kRelayoutBit)); }
int SignedBits3(int v) { return (v & 4) ? (v & 7) - 8 : (v & 7); }

// The offset of a record in the bar's run (-1 when it lies outside).
std::int64_t OffsetOf(CTrkBar* bar, const CBarItem* item) {
    const std::uint8_t* base = bar->Block()->Address();
    const auto* p = reinterpret_cast<const std::uint8_t*>(item);
    if (!base || p < base || p >= base + bar->GetRunLength()) return -1;
    return p - base;
}

CBarItem* AtOffset(CTrkBar* bar, std::int64_t at) {
    std::uint8_t* base = bar->Block()->Address();
    if (at < 0 || !trkbar::RecordSizeAt(base, std::uint32_t(at), bar->GetRunLength())) return nullptr;
    return trkbar::ItemAt(base, std::uint32_t(at));
}

// The offsets of the live records of a voice (-1: any) that match, in run order: a list that
// survives records moving in the block.
template <typename Match>
std::vector<std::uint32_t> Offsets(CTrkBar* bar, Match&& match) {
    std::vector<std::uint32_t> out;
    std::uint8_t* base = bar->Block()->Address();
    trkbar::ForEachRecord(base, bar->GetRunLength(), [&](CBarItem* r) {
        if (match(r)) out.push_back(std::uint32_t(reinterpret_cast<std::uint8_t*>(r) - base));
        return true;
    });
    return out;
}

}  // namespace

void CTrkBar::Recalc(int mode) {
    if (!GetItems()) return;
    SetCurrent();
    beaming::Init(this, 1, 0);
    bool changed[kVoiceCount] = {};
    std::uint32_t slurs[kMaxSlurs];
    int slurCount = 0;

    // The walk goes by offsets: laying a beam out may move every record of the run.
    for (std::uint32_t at = 0;;) {
        std::uint8_t* base = Block()->Address();
        const std::uint32_t length = GetRunLength();
        const int size = trkbar::RecordSizeAt(base, at, length);
        if (!size || trkbar::IsEndRecord(base + at)) break;
        CBarItem* r = trkbar::ItemAt(base, at);
        if (r->IsRemoved() || !Relayout(r)) {
            at += std::uint32_t(size);
            continue;
        }
        if (r->IsBeam()) {
            ClearRelayout(r);
            int beamMode = mode;
            if (Has(r, kBeamStaves)) {
                if (Byte(r, kBeamFlags) & kBeamRenewBit) {
                    PutByte(r, kBeamFlags, std::uint8_t(Byte(r, kBeamFlags) & ~kBeamRenewBit));
                    beamMode |= 1;
                }
                const int staves = Byte(r, kBeamStaves);
                if (SignedBits3(staves) != SignedBits3(staves >> 3)) beamMode = 0;
            }
            CBarItem* laid = beaming::MakeBeam(r, beamMode);
            if (!laid) return;
            const std::int64_t offset = OffsetOf(this, laid);
            const int laidSize = offset < 0 ? 0 : trkbar::RecordSizeAt(Block()->Address(), std::uint32_t(offset), GetRunLength());
            if (!laidSize) return;
            at = std::uint32_t(offset) + std::uint32_t(laidSize);
            continue;
        }
        if (r->IsSlur()) {
            if (slurCount < kMaxSlurs) slurs[slurCount++] = at;
        } else if (r->IsTuplet()) {
            ClearRelayout(r);
            changed[r->VoiceField()] = true;
        } else if (r->IsGroup() && r->GetKind() == CGroup::kHorizontalBracket) {
            r->Flip(1);
        }
        at += std::uint32_t(size);
    }

    for (int v = 0; v < kVoiceCount; ++v)
        if (changed[v]) RefitTuplets(v);

    // Notes and rests that think they are beamed but that no beam covers.
    for (std::uint32_t at : Offsets(this, [](CBarItem* r) {
             return !r->IsRemoved() && r->IsNoteOrRest() && NoteFlag(r, kBeamedBit);
         })) {
        CBarItem* r = AtOffset(this, at);
        if (!r || FindBeamOfNote(r)) continue;
        SetNoteFlag(r, kBeamedBit, false);
        r->LayoutChord();
    }

    CTrkBar* remembered = g_model.currentTrkBar;
    for (int i = slurCount - 1; i >= 0; --i) {
        SetCurrent();
        CBarItem* slur = AtOffset(this, slurs[i]);
        if (!slur) continue;
        ClearRelayout(slur);
        const int voice = slur->VoiceField();
        if (CBarItem* start = FindNoteOrRestAtX(voice, slur->PositionField(), 0)) NoteSetLink(*start, kSlurStartLink, true);
        if (CTrkBar* endBar = Neighbour(slur->GetBarSpan()))
            if (CBarItem* end = endBar->FindNoteOrRestAtX(voice, slur->GetEndPosition(), 0)) NoteSetLink(*end, kSlurEndLink, true);
        slur->Flip(1);
        if (remembered) remembered->SetCurrent();
    }

    if (std::find(std::begin(changed), std::end(changed), true) != std::end(changed)) RecalcTimes(nullptr, nullptr);
}

void CTrkBar::RefitTuplets(int voice) {
    if (!GetItems()) return;
    // Every tuplet of the voice, however many: the list grows with them.
    std::vector<std::uint32_t> tuplets;
    std::uint8_t* base = Block()->Address();
    trkbar::ForEachRecord(base, GetRunLength(), [&](CBarItem* r) {
        if (r->IsRemoved() || r->VoiceField() != voice) return true;
        if (r->IsNoteOrRest() && NoteFlag(r, kTupletBit) && !NoteFlag(r, kBeamedBit) && Has(r, kTupletSpace)) {
            PutByte(r, kTupletCount, 0);
            PutByte(r, kTupletSpace, 0);
        } else if (r->IsTuplet()) {
            tuplets.push_back(std::uint32_t(reinterpret_cast<std::uint8_t*>(r) - base));
        }
        return true;
    });

    for (std::uint32_t at : tuplets) {
        auto* t = static_cast<CTuplet*>(AtOffset(this, at));
        if (!t || !t->Holds(CTuplet::kSecondNumber, 1)) continue;
        SetRemoved(t, true);
        int end = t->GetEndPosition();
        // A tuplet stays inside one bar.
        if (t->EndBarOffset() != 0) {
            end += 1024;
            t->SetEndBarOffset(0);
        }
        const auto first = std::uint8_t(t->Number()), second = std::uint8_t(t->SecondNumber());
        const int start = t->PositionField();
        int newEnd = end;
        bool haveFirst = false;
        int expectedEnd = 0;
        trkbar::ForEachLiveItem(this, [&](CBarItem* m) {
            if (!m->IsNoteOrRest() || m->VoiceField() != voice || !Has(m, kTupletSpace)) return;
            const int p = m->PositionField();
            if (p < start || p > end) return;
            SetRemoved(t, false);
            SetNoteFlag(m, kTupletBit, true);
            PutByte(m, kTupletCount, first);
            PutByte(m, kTupletSpace, second);
            if (!haveFirst) {
                haveFirst = true;
                t->SetPositionField(std::int16_t(p));
                expectedEnd = m->TimeField() + int(NoteDuration(*m) * first);
            }
            if (int(NoteEndTime(*m)) == expectedEnd) newEnd = p;
        });
        t->SetEndPosition(newEnd);
        if (newEnd <= t->PositionField()) SetRemoved(t, true);
        t->Flip(-1);
    }
}

void CTrkBar::UpdateTies() {
    if (!GetItems()) return;
    SetCurrent();
    trkbar::ForEachLiveItem(this, [&](CBarItem* r) {
        if (r->IsNote() && NoteFlag(r, kSlashBit) && NoteFlag(r, kBeamedBit)) {
            if (CBarItem* beam = FindBeamOfNote(r)) beam->SetFlagsA(std::uint8_t(beam->FlagsA() | CBarItem::kRelayoutBit));
            return;
        }
        if (!r->IsTwoEnded()) return;
        int head = 0;
        CBarItem* end = FindTieEndNote(r, &head, false);
        if (!end) return;
        std::uint8_t flags = std::uint8_t(r->FlagsB() & ~CBarItem::kHiddenBit);
        const bool slash = NoteFlag(end, kSlashBit);
        CTieType::Of(r)->SetFixedPosition(slash);
        // Of the ties on the heads of a slash note only the first head's shows.
        if (r->IsTie() && slash && head != 0) flags = std::uint8_t(flags | CBarItem::kHiddenBit);
        r->SetFlagsB(flags);
    });
    Recalc(1);
}

void CTrkBar::AttachLineEnds() {
    if (!GetItems()) return;
    trkbar::ForEachRecord(Block()->Address(), GetRunLength(), [&](CBarItem* r) {
        if (!r->IsTwoEnded()) return true;
        const int voice = r->VoiceField();
        r->AttachStart(FindNoteOrRestAtX(voice, r->PositionField(), 0), 1, 0);
        CTrkBar* endBar = Neighbour(r->GetBarSpan());
        r->AttachEnd(endBar ? endBar->FindNoteOrRestAtX(voice, r->GetEndPosition(), 0) : nullptr, 1, 0);
        return true;
    });
}

void CTrkBar::ApplyVoiceStems(bool fixed) {
    if (!GetItems()) return;
    SetCurrent();
    // 0 automatic, 1 up, 2 down.
    int setting[kVoiceCount] = {};
    if (!fixed) {
        VoiceStats stats;
        const int n = std::min(GetVoiceStats(&stats, true), kVoiceCount);
        if (n < 2) return;
        int high = 0, low = n - 1;
        for (int i = 1; i < n; ++i)
            if (stats.voice[i].average > stats.voice[high].average) high = i;
        for (int i = 0; i < n - 1; ++i)
            if (stats.voice[i].average < stats.voice[low].average) low = i;
        setting[high] = 1;
        setting[low] = 2;
    } else {
        // Voices 2 and 6 are left to the automatic rule.
        static constexpr int kFixed[kVoiceCount] = {1, 2, 0, 1, 2, 1, 0, 2};
        std::copy(std::begin(kFixed), std::end(kFixed), setting);
        bool differs = false;
        trkbar::ForEachLiveItem(this, [&](CBarItem* r) {
            if (!r->IsNote() || !Has(r, kStemByte)) return;
            const bool up = Byte(r, kStemByte) & kStemUpBit;
            const int s = setting[r->VoiceField()];
            if ((up && s != 1) || (!up && s != 2)) differs = true;
        });
        if (!differs) return;
    }

    // The items to lay out again, each once.
    std::vector<CBarItem*> layout;
    const auto add = [&](CBarItem* item) {
        if (item && std::find(layout.begin(), layout.end(), item) == layout.end()) layout.push_back(item);
    };
    for (std::uint32_t at : Offsets(this, [](CBarItem* r) { return !r->IsRemoved() && r->IsNote(); })) {
        CBarItem* note = AtOffset(this, at);
        if (!note || !Has(note, kStemByte)) continue;
        const std::uint8_t before = Byte(note, kStemByte) & kStemUpBit;
        NoteUpdateStem(*note, setting[note->VoiceField()], true);
        note = AtOffset(this, at);
        if (!note) continue;
        if ((Byte(note, kStemByte) & kStemUpBit) == before && !(note->FlagsB() & CBarItem::kScratchBit)) continue;
        HandleBuffer slurs;
        if (CollectSlursOverNote(&slurs, note)) {
            const auto* entries = static_cast<CBarItem* const*>(slurs.GetData());
            for (std::uint32_t i = 0; entries && i < slurs.GetSize() / sizeof(CBarItem*); ++i) add(entries[i]);
        }
        if (NoteFlag(note, kBeamedBit)) add(FindBeamOfNote(note));
        add(FindTupletOfNote(note, false));
    }
    for (CBarItem* item : layout) item->SetFlagsA(std::uint8_t(item->FlagsA() | CBarItem::kRelayoutBit));
    Recalc(1);

    trkbar::ForEachLiveItem(this, [&](CBarItem* r) {
        if (!r->IsTwoEnded()) return;
        const int s = setting[r->VoiceField()];
        const bool above = LineIsAbove(*r);
        if ((s == 1 && !above) || (s == 2 && above)) r->Flip(0);
    });
}

void CTrkBar::Rebeam(int voice, int from) {
    beaming::Init(this, 1, 0);
    beaming::AutoBeam(GetTrackIndex(), voice, from, 32767);
}

int CTrkBar::PositionToVoiceTime(int voice, int position) {
    CBar* bar = GetBar();
    CStaff* staff = GetStaff();
    const int space = bar && staff ? bar->WidthToFraction(staff->Space()) : 0;
    const int shift = bar && staff && bar->GetWidth() > 0 ? MulDiv(staff->Space(), 1024, bar->GetWidth()) : 0;
    int lastEnd = 0;
    bool found = false;
    int answer = 0;
    trkbar::ForEachRecord(Block()->Address(), GetRunLength(), [&](CBarItem* r) {
        if (r->IsRemoved() || !r->IsNoteOrRest() || (voice != -1 && r->VoiceField() != voice)) return true;
        if (NoteFlag(r, kGraceBit)) return true;
        int p = r->PositionField();
        if (r->IsNote() && Has(r, kNoteExtraFlags) && (Byte(r, kNoteExtraFlags) & kShiftedRightBit)) p += shift;
        if (p + space >= position) {
            found = true;
            answer = r->TimeField();
            return false;
        }
        lastEnd = int(r->TimeField() + NoteDuration(*r) + 0.9);
        return true;
    });
    return found ? answer : lastEnd;
}

bool CTrkBar::HasStemDownUnderSlur(CBarItem* slur) {
    const int span = std::max(0, slur->GetBarSpan());
    const int voice = slur->VoiceField();
    int count = 0;
    bool ended = false;
    CTrkBar* bar = this;
    for (int k = 0; k <= span && bar && !ended; ++k) {
        // The slur's own bar starts at its start; the bar it ends in ends at its end, and the
        // bars between count whole.
        const int startLimit = k == 0 ? slur->PositionField() : -32767;
        const int endLimit = k == span ? slur->GetEndPosition() : 32767;
        trkbar::ForEachLiveItem(bar, [&](CBarItem* r) {
            if (ended || !r->IsNote() || r->VoiceField() != voice) return;
            const int p = r->PositionField();
            if (p >= endLimit) {
                ended = true;
                return;
            }
            if (p >= startLimit && Has(r, kStemByte) && !(Byte(r, kStemByte) & kStemUpBit)) ++count;
        });
        if (bar->IsLastBar()) break;
        bar = bar->Neighbour(1);
    }
    return count > 0;
}

void CTrkBar::SpaceChordSymbols() {
    CBar* bar = GetBar();
    if (!bar || !GetItems()) return;
    const int meter = GetMeterLength();
    const int numerator = bar->GetMeter()->GetNumerator();
    // A meter of no beats, or of beats shorter than a tick, has nothing to space by.
    if (numerator <= 0 || meter / numerator <= 0) return;
    const int beat = meter / numerator;
    const auto isSymbol = [](const CBarItem* r) { return r->TypeCode() == kChordType || r->TypeCode() == kGuitarFrameType; };
    bool voiceHas[kVoiceCount] = {true};
    trkbar::ForEachLiveItem(this, [&](CBarItem* r) {
        if (isSymbol(r)) voiceHas[r->VoiceField()] = true;
    });

    for (int v = 0; v < kVoiceCount; ++v) {
        if (!voiceHas[v]) continue;
        // One item per beat slot; the slots grow with the items, however many.
        std::vector<CBarItem*> slots(256, nullptr);
        int count = 0;
        trkbar::ForEachLiveItem(this, [&](CBarItem* r) {
            if (!isSymbol(r) || r->VoiceField() != v) return;
            const int time = bar->FractionToTick(r->PositionField());
            std::size_t slot = std::size_t(std::max(0, time / beat));
            while (slot < slots.size() && slots[slot]) ++slot;
            if (slot >= slots.size()) slots.resize(slot + 1, nullptr);
            slots[slot] = r;
            r->SetTimeField(std::int16_t(slot * std::size_t(beat)));
            ++count;
        });
        if (count > numerator) {
            if (count >= 2 && count % 2 != numerator % 2) ++count;
            const int step = meter / count;
            int i = 0;
            trkbar::ForEachLiveItem(this, [&](CBarItem* r) {
                if (!isSymbol(r) || r->VoiceField() != v) return;
                const int time = i++ * step;
                r->SetTimeField(std::int16_t(time));
                r->SetPositionField(std::int16_t(TickToFraction(time)));
            });
            continue;
        }
        int highest = int(slots.size()) - 1;
        while (highest >= 0 && !slots[std::size_t(highest)]) --highest;
        for (int s = highest; s >= numerator; --s) {
            if (!slots[std::size_t(s)]) continue;
            int empty = s;
            while (empty >= 0 && slots[std::size_t(empty)]) --empty;
            if (empty < 0) continue;
            for (int k = empty; k < s; ++k) {
                CBarItem* moved = slots[std::size_t(k + 1)];
                slots[std::size_t(k)] = moved;
                const int time = k * beat;
                moved->SetTimeField(std::int16_t(time));
                moved->SetPositionField(std::int16_t(TickToFraction(time)));
            }
            slots[std::size_t(s)] = nullptr;
        }
    }
}

void CTrkBar::ArrangeNotesFrom(int voice, int position) {
    if (!GetItems()) return;
    SetCurrent();
    for (std::uint32_t at : Offsets(this, [&](CBarItem* r) {
             return !r->IsRemoved() && r->IsNote() && r->VoiceField() == voice && r->PositionField() >= position;
         }))
        if (CBarItem* note = AtOffset(this, at)) note->LayoutChord();
}
