// The bar of a track: iterators over its live records, lookups from a note to its beam, tie or
// glissando (also across bars), the smaller bar operations and the fix-ups after loading.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/File.h"
#include "model/Bar.h"
#include "model/ItemFactory.h"
#include "model/Lyric.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/PlaybackMarks.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/System.h"
#include "model/TieType.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarStandIns.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "platform/ChunkStream.h"
#include "platform/Handles.h"

using trkbar::IsEndRecord;
using trkbar::ItemAt;
using trkbar::RecordSizeAt;

namespace {

// Fields of notes, rests and performance notes.
enum : int {
    kTupletCount = 16,
    kNoteFlags = 18,      // bit 1 grace, bit 2 continues a beam from an earlier bar, bit 4 in a tuplet
    kValueByte = 19,      // bits 4-7 the note-value code
    kRawFlags = 21,       // bit 6 a new performance note
    kHeadCount = 23,
    kHeads = 24,
    kHeadSize = 16,
};
enum : std::uint8_t { kGraceBit = 0x02, kContinuesBeamBit = 0x04, kNewItemBit = 0x40 };

// Fields of a head.
enum : int {
    kHeadTieFlags = 1,    // bit 0 glissando ends, 1 glissando starts, 2 tie ends, 3 tie begins
    kHeadCross = 2,       // bits 5-7 signed cross-staff offset
    kHeadAccidental = 3,  // bit 2 accidental shown
    kHeadAccOffset = 4,
    kHeadStaffPos = 5,    // signed
    kHeadPitch = 7,
    kHeadByte9 = 8,
    kHeadByte10 = 9,
    kHeadDuration = 12,
    kHeadPlayOffset = 14,
};

// Fields of the beam.
enum : int { kBeamFlags = 16, kBeamBarSpan = 33, kBeamStart = 34, kBeamEnd = 36 };

// A rest's default vertical offset by its note-value code.
constexpr std::int8_t kRestDefaultOffset[9] = {0, 0, 0, 0, 1, -1, -1, -3, -4};

int SignedBits3(std::uint8_t v) { return (v & 4) ? int(v & 7) - 8 : int(v & 7); }

int HeadCount(const CBarItem* note) {
    const int count = rec::Get<std::uint8_t>(note, kHeadCount);
    // Only the heads that lie inside the record.
    const int room = (note->RecordSizeField() - kHeads) / kHeadSize;
    return std::max(0, std::min(count, room));
}

const std::uint8_t* Head(const CBarItem* note, int i) { return note->Bytes() + kHeads + kHeadSize * i; }

int FirstHeadPlayOffset(const CBarItem* item) {
    return HeadCount(item) ? rec::Get<std::int16_t>(Head(item, 0), kHeadPlayOffset) : 0;
}

bool LiveOfVoice(const CBarItem* item, int voice) { return !item->IsRemoved() && (voice == -1 || item->VoiceField() == voice); }

// The offset of a record inside the run, or -1 when the pointer is not a record of it.
std::int64_t OffsetIn(const std::uint8_t* base, std::uint32_t length, const CBarItem* item) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(item);
    if (!base || p < base || p >= base + length) return -1;
    return p - base;
}

template <typename Match>
bool NextMatching(CTrkBar& bar, CBarItem** item, Match&& match) {
    std::uint8_t* base = bar.Block()->Address();
    const std::uint32_t length = bar.GetRunLength();
    std::uint32_t at = 0;
    if (*item) {
        const std::int64_t offset = OffsetIn(base, length, *item);
        const int size = offset < 0 ? 0 : RecordSizeAt(base, std::uint32_t(offset), length);
        if (!size) {
            *item = nullptr;
            return false;
        }
        if (IsEndRecord(base + offset)) return false;  // stays on the end record
        at = std::uint32_t(offset) + std::uint32_t(size);
    }
    for (;;) {
        const int size = RecordSizeAt(base, at, length);
        if (!size) {
            *item = nullptr;  // a run without a reachable end record
            return false;
        }
        CBarItem* r = ItemAt(base, at);
        *item = r;
        if (IsEndRecord(base + at)) return false;
        if (match(r)) return true;
        at += std::uint32_t(size);
    }
}

}  // namespace

// --- iterators --------------------------------------------------------------------------------

bool CTrkBar::NextItem(CBarItem** item, int voice) {
    return NextMatching(*this, item, [voice](CBarItem* r) { return LiveOfVoice(r, voice); });
}

bool CTrkBar::NextNote(CBarItem** item, int voice) {
    return NextMatching(*this, item, [voice](CBarItem* r) { return r->IsNote() && LiveOfVoice(r, voice); });
}

int CTrkBar::CompareItems(CBarItem* a, CBarItem* b) {
    const auto key = [](CBarItem* r) { return r->IsKeySig() && r->GetPosition() == 0 ? -32767 : r->GetPosition(); };
    const int ka = key(a), kb = key(b);
    if (ka != kb) return ka < kb ? -1 : 1;
    const bool na = a->IsNoteRestOrRawNote(), nb = b->IsNoteRestOrRawNote();
    if (na && nb) {
        const int ta = a->TimeField() + FirstHeadPlayOffset(a);
        const int tb = b->TimeField() + FirstHeadPlayOffset(b);
        return ta == tb ? 0 : (ta < tb ? -1 : 1);
    }
    if (na != nb) return na ? 1 : -1;
    return 0;
}

int CTrkBar::GetSortedItems(HGLOBAL* handle) {
    *handle = 0;
    // The list is sized to the run's live records (counted first): the relayout of a bar asks
    // for it once per track, and a list of a fixed large size cost more than the sort.
    const auto listed = [](CBarItem* item) { return !item->IsRemoved() && !item->IsData(); };
    std::uint32_t capacity = 0;
    trkbar::ForEachRecord(Block()->Address(), GetRunLength(), [&](CBarItem* item) {
        if (listed(item)) ++capacity;
        return true;
    });
    HGLOBAL h = AllocHandle(std::max<std::uint32_t>(capacity, 1) * sizeof(CBarItem*));
    if (!h) return -1;
    auto* entries = static_cast<CBarItem**>(LockHandle(h));
    std::uint32_t count = 0;
    trkbar::ForEachRecord(Block()->Address(), GetRunLength(), [&](CBarItem* item) {
        if (listed(item) && count < capacity) entries[count++] = item;
        return true;
    });
    // Records that compare equal keep their run order.
    std::sort(entries, entries + count, [](CBarItem* a, CBarItem* b) {
        const int c = CompareItems(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    *handle = h;
    return int(count);
}

// --- small accessors --------------------------------------------------------------------------

bool CTrkBar::IsLastBar() {
    CScore* score = g_model.currentScore;
    return score && GetBarIndex() == score->GetBarCount() - 1;
}

int CTrkBar::GetPageIndex() {
    CLine* line = GetLine();
    return line ? line->GetPageIndex() : 0;
}

bool CTrkBar::IsFirstInLine() {
    CBar* bar = GetBar();
    return bar && bar->IsFirstInLine();
}

int CTrkBar::TickToFraction(int ticks) {
    CBar* bar = GetBar();
    return bar ? bar->TickToFraction(ticks, false) : 0;
}

CBar* CTrkBar::GetBarMeter(void* meter) {
    CBar* bar = GetBar();
    // Seven 32-bit words from the bar's meter on: the 27-byte meter record and the byte after it.
    if (bar)
        std::memcpy(meter, bar->Bytes() + CBar::kMeter, 28);
    else
        std::memset(meter, 0, 28);
    return bar;
}

int CTrkBar::GetPickupOffset() {
    CBar* bar = GetBar();
    return bar ? bar->GetShortfall() : 0;
}

std::int32_t CTrkBar::GetBarStart() {
    CBar* bar = GetBar();
    return bar ? bar->GetStartTicks() : 0;
}

CTrkBar* CTrkBar::Neighbour(int step) {
    CScore* score = g_model.currentScore;
    if (!score) return nullptr;
    CTrkBar* bar = score->GetTrkBar(GetTrackIndex(), GetBarIndex() + step);
    return bar && bar->GetBarIndex() < score->GetBarCount() ? bar : nullptr;
}

// --- rests and performance notes --------------------------------------------------------------

void CTrkBar::PlaceRestVertically(CBarItem* rest) {
    VoiceStats stats;
    const int voices = GetVoiceStats(&stats, false);
    const int code = (rest->RecordSizeField() > kValueByte ? rec::Get<std::uint8_t>(rest, kValueByte) : 0) >> 4;
    int offset = kRestDefaultOffset[code <= 8 ? code : 0];
    if (voices > 1) {
        const int voice = rest->VoiceField();
        if (voice == 0)
            offset += stats.voice[0].average <= stats.voice[1].average ? -4 : 2;
        else if (voice == 1)
            offset += stats.voice[1].average <= stats.voice[0].average ? -4 : 2;
    }
    rest->SetVerticalOffset(offset);
}

bool CTrkBar::AddPerformanceNote(const PerformanceEvent& event) {
    CBarItem* note = NewItem(112, event.time);
    if (!note) return false;
    note->InitNew(event.voice, event.time, TickToFraction(event.time));
    if (note->RecordSizeField() < kHeads + kHeadSize) return true;
    rec::Put<std::uint8_t>(note, kRawFlags, std::uint8_t(rec::Get<std::uint8_t>(note, kRawFlags) | kNewItemBit));
    rec::Put<std::uint8_t>(note, kValueByte, std::uint8_t((rec::Get<std::uint8_t>(note, kValueByte) & 0x0F) | (3 << 4)));
    rec::Put<std::uint8_t>(note, kHeadCount, 1);
    std::uint8_t* head = note->Bytes() + kHeads;
    int key = event.key;
    CScore* score = g_model.currentScore;
    if (score && score->transposedDisplay) {
        if (const CTrack* track = GetTrack()) key += track->GetTransposition();
    }
    head[kHeadPitch] = std::uint8_t(key);
    head[kHeadByte9] = event.byte9;
    head[kHeadByte10] = event.byte10;
    rec::Put<std::uint16_t>(head, kHeadDuration, std::uint16_t(event.duration));
    head[kHeadCross] = std::uint8_t(head[kHeadCross] & 0x1F);
    head[kHeadAccOffset] = 0;
    head[kHeadAccidental] = std::uint8_t(head[kHeadAccidental] | 0x04);
    NoteSpellHead(this, *note, 0);
    NoteUpdateStem(*note, 3);
    return true;
}

// --- reading a bar from a block ---------------------------------------------------------------

void CTrkBar::ReadFromBlock(CFile& file) {
    BareScoreItemBehaviour().ReadRaw(*this, file);
    // What the stored record held in its run fields belongs to another time.
    Block()->Clear();
    std::memset(Bytes() + kSideBuffer, 0, kSize - kSideBuffer);
    CChunkStream stream;
    stream.SetFile(&file);
    HGLOBAL h = 0;
    std::int32_t length = 0;
    try {
        length = UnpackItemsFromBlock(stream, h, -1);
    } catch (...) {
        FreeHandle(h);
        Release(true);
        throw;
    }
    LockHandle(h);
    rec::Put<std::uint32_t>(this, kRunHandle, h);
    SetRunLength(std::uint32_t(length));
    for (std::uint32_t at = 0;;) {
        const int size = trkbar::RecordSizeAt(Block()->Address(), at, GetRunLength());
        if (!size) break;
        if (!IsRunCode(Block()->Address()[at + rec::kType])) {
            Release(true);
            AfxThrowArchiveException(CArchiveException::badIndex, file.GetFilePath().c_str(), "a bar's items");
        }
        at += std::uint32_t(size);
    }
    // A block whose end record was dropped still gives a run that ends; an end record is its
    // 16 bytes whatever size the block gave it, as a chunk's end record is read (what lay
    // beyond would otherwise be saved and come back without it).
    const std::int64_t end = trkbar::EndRecordOffset(Block()->Address(), GetRunLength());
    if (end < 0 || rec::Get<std::int16_t>(Block()->Address() + end, rec::kSize) != kEndRecordSize) {
        const std::uint32_t at = end < 0 ? std::uint32_t(length) : std::uint32_t(end);
        if (!Block()->Resize(at + kEndRecordSize)) {
            Release(true);
            ThrowOutOfMemory();
        }
        CBarItem::Construct(Block()->Address() + at);
    }
}

// --- moving performance notes to the next track --------------------------------------------------

bool CTrkBar::SplitToNextTrack(int track, int splitKey) {
    CScore* score = g_model.currentScore;
    CTrkBar* next = score ? score->GetTrkBar(track + 1, GetBarIndex()) : nullptr;
    if (!next) return true;
    CTrkBar* following = IsLastBar() ? nullptr : Neighbour(1);
    const int meterLength = GetMeterLength();

    struct Note {
        int time, end, key;
    };
    const auto noteOf = [](CBarItem* r, int shift) {
        const int len = HeadCount(r) ? rec::Get<std::uint16_t>(Head(r, 0), kHeadDuration) : 0;
        const int key = HeadCount(r) ? Head(r, 0)[kHeadPitch] : 0;
        return Note{r->TimeField() + shift, r->TimeField() + shift + len, key};
    };
    const auto liveRaw = [](CBarItem* r) { return !r->IsRemoved() && r->IsRawNote() && HeadCount(r) > 0; };

    // Decide for every note against the bar as it is.
    std::vector<std::uint32_t> moving;
    std::uint8_t* base = Block()->Address();
    trkbar::ForEachRecord(base, GetRunLength(), [&](CBarItem* r) {
        if (!liveRaw(r)) return true;
        const Note n = noteOf(r, 0);
        int above = 0, below = 0;
        const auto compare = [&](CBarItem* o, int shift) {
            if (o == r || !liveRaw(o)) return true;
            const Note m = noteOf(o, shift);
            if (m.time < n.end && n.time < m.end) {
                above = std::max(above, m.key - n.key);
                below = std::max(below, n.key - m.key);
            }
            return true;
        };
        trkbar::ForEachRecord(base, GetRunLength(), [&](CBarItem* o) { return compare(o, 0); });
        if (n.end > meterLength && following)
            trkbar::ForEachRecord(following->Block()->Address(), following->GetRunLength(),
                                  [&](CBarItem* o) { return compare(o, meterLength); });
        const bool moves = n.key >= splitKey ? (below <= above && (above > 13 || (above == 12 && below > 0)))
                                             : (below < 14 || below < above);
        if (moves) moving.push_back(std::uint32_t(r->Bytes() - base));
        return true;
    });

    // Copy the moving notes aside, then into the next track's bar; a note leaves this bar once
    // its copy stands there.
    HandleBuffer copies;
    struct FreeOnExit {
        HandleBuffer& b;
        ~FreeOnExit() { b.Free(); }
    } freeOnExit{copies};
    for (std::uint32_t at : moving)
        if (!copies.AppendRecord(ItemAt(base, at))) return false;
    std::uint32_t offset = 0;
    for (std::uint32_t at : moving) {
        const auto* copy = static_cast<const std::uint8_t*>(copies.GetData()) + offset;
        const int size = rec::Get<std::int16_t>(copy, rec::kSize);
        offset += std::uint32_t(size);
        CBarItem* placed = next->InsertSpace(rec::Get<std::int16_t>(copy, CBarItem::kTime), size);
        if (!placed) return false;
        std::memcpy(placed, static_cast<const std::uint8_t*>(copies.GetData()) + offset - size, std::size_t(size));
        CBarItem* original = ItemAt(Block()->Address(), at);
        original->SetFlagsB(std::uint8_t(original->FlagsB() | CBarItem::kRemovedBit));
        for (int h = 0; h < HeadCount(placed); ++h) NoteSpellHead(next, *placed, h);
    }
    return true;
}

// --- items across bars --------------------------------------------------------------------------

bool CTrkBar::CollectSlursOverNote(HandleBuffer* list, CBarItem* note) {
    const int here = GetBarIndex();
    const int position = note->PositionField();
    bool added = false;
    const auto add = [&](CBarItem* slur) {
        const auto* entries = static_cast<CBarItem* const*>(list->GetData());
        for (std::uint32_t i = 0; entries && i < list->GetSize() / sizeof(CBarItem*); ++i)
            if (entries[i] == slur) return;
        if (list->Append(&slur, sizeof slur)) added = true;
    };
    for (CTrkBar* bar = this; bar; bar = bar->Neighbour(-1)) {
        const int index = bar->GetBarIndex();
        trkbar::ForEachRecord(bar->Block()->Address(), bar->GetRunLength(), [&](CBarItem* r) {
            if (r->IsRemoved() || !r->IsSlur() || !CTieType::Of(r)->HoldsEnds()) return true;
            const int endBar = index + CTieType::Of(r)->EndBarOffset();
            const int endPosition = CTieType::Of(r)->EndPositionField();
            if (bar == this) {
                if (r->PositionField() < position && (endBar > here || endPosition >= position)) add(r);
            } else if (endBar > here || (endBar == here && endPosition > position)) {
                add(r);
            }
            return true;
        });
        if (added || index == 0 || index < here - 16) break;
    }
    return added;
}

CBarItem* CTrkBar::FindBeamOfNote(CBarItem* note, const FinderSkip* skip) {
    g_model.finderBar = this;
    const std::uint8_t flags = rec::Get<std::uint8_t>(note, kNoteFlags);
    const bool grace = (flags & kGraceBit) != 0;
    const int voice = note->VoiceField();
    const int position = note->PositionField();
    const auto isBeam = [&](CBarItem* r) {
        return !r->IsRemoved() && !(skip && skip->Has(r)) && r->IsBeam() && r->VoiceField() == voice &&
               r->RecordSizeField() >= kBeamEnd + 2 &&
               ((rec::Get<std::uint8_t>(r, kBeamFlags) & kGraceBit) != 0) == grace;
    };
    CBarItem* found = nullptr;
    if (!(flags & kContinuesBeamBit)) {
        trkbar::ForEachRecord(Block()->Address(), GetRunLength(), [&](CBarItem* r) {
            if (!isBeam(r) || rec::Get<std::int16_t>(r, kBeamStart) > position) return true;
            if (rec::Get<std::int16_t>(r, kBeamEnd) >= position || rec::Get<std::uint8_t>(r, kBeamBarSpan) > 0) {
                found = r;
                return false;
            }
            return true;
        });
        return found;
    }
    const int here = GetBarIndex();
    for (CTrkBar* bar = GetBarIndex() > 0 ? Neighbour(-1) : nullptr; bar && !found;
         bar = bar->GetBarIndex() > 0 ? bar->Neighbour(-1) : nullptr) {
        trkbar::ForEachRecord(bar->Block()->Address(), bar->GetRunLength(), [&](CBarItem* r) {
            if (!isBeam(r)) return true;
            if (bar->GetBarIndex() + rec::Get<std::uint8_t>(r, kBeamBarSpan) == here &&
                rec::Get<std::int16_t>(r, kBeamEnd) >= position) {
                found = r;
                g_model.finderBar = bar;
                return false;
            }
            return true;
        });
    }
    return found;
}

CBarItem* CTrkBar::FindTieEndNote(CBarItem* tie, int* head, bool backwards) {
    const CTieType* ends = CTieType::Of(tie);
    if (!ends->HoldsEnds()) return nullptr;
    const int voice = tie->VoiceField();
    const bool isTie = tie->IsTie();
    const bool isGliss = tie->IsGlissando();
    const int position = backwards ? tie->PositionField() : ends->EndPositionField();
    const int staffPos = backwards ? ends->StartY() : ends->EndY();
    const int cross = backwards ? ends->StartStaffOffset() : ends->EndStaffOffset();
    const std::uint8_t flag = isTie ? (backwards ? 0x08 : 0x04) : (backwards ? 0x02 : 0x01);

    const auto search = [&](CTrkBar* bar) -> CBarItem* {
        CBarItem* found = nullptr;
        trkbar::ForEachRecord(bar->Block()->Address(), bar->GetRunLength(), [&](CBarItem* r) {
            if (r->IsRemoved() || !r->IsNote() || r->VoiceField() != voice || r->PositionField() != position) return true;
            if (!isTie && !isGliss) {
                if (backwards ? tie->AcceptsStartNote(r, 0) : tie->AcceptsEndNote(r, 0)) {
                    *head = 0;
                    found = r;
                }
                return !found;
            }
            for (int i = 0; i < HeadCount(r); ++i) {
                const std::uint8_t* h = Head(r, i);
                if (std::int8_t(h[kHeadStaffPos]) == staffPos && SignedBits3(std::uint8_t(h[kHeadCross] >> 5)) == cross &&
                    (h[kHeadTieFlags] & flag)) {
                    *head = i;
                    found = r;
                    return false;
                }
            }
            return true;
        });
        if (found) g_model.finderBar = bar;
        return found;
    };

    if (!backwards) {
        CTrkBar* end = Neighbour(ends->EndBarOffset());
        return end ? search(end) : nullptr;
    }
    if (CBarItem* r = search(this)) return r;
    CTrkBar* previous = GetBarIndex() > 0 ? Neighbour(-1) : nullptr;
    return previous ? search(previous) : nullptr;
}

CBarItem* CTrkBar::FindTwoEndedAtHead(CBarItem* note, int head, int type, int mode, bool flag) {
    CTrkBar* bar = g_model.finderBar ? g_model.finderBar : this;
    if (head < 0 || head >= HeadCount(note)) return nullptr;
    const std::uint8_t* h = Head(note, head);
    const int voice = note->VoiceField();
    const int position = note->PositionField();
    const int staffPos = std::int8_t(h[kHeadStaffPos]);
    const int cross = SignedBits3(std::uint8_t(h[kHeadCross] >> 5));
    const int pitch = h[kHeadPitch];
    const int passes = type == 30 ? 2 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        CBarItem* found = nullptr;
        trkbar::ForEachRecord(bar->Block()->Address(), bar->GetRunLength(), [&](CBarItem* r) {
            const CTieType* item = CTieType::Of(r);
            if (r->IsRemoved() || r->TypeCode() != type || r->VoiceField() != voice || !item->HoldsEnds()) return true;
            bool match;
            if (mode == 1)
                match = r->PositionField() == position && item->StartY() == staffPos && item->StartStaffOffset() == cross;
            else
                match = item->EndPositionField() == position && item->EndY() == staffPos && item->EndStaffOffset() == cross &&
                        (item->EndBarOffset() == 0) == !flag;
            if (match && passes == 2 && pass == 0) {
                const int own = item->Pitch();
                if (own != 0 && own != pitch) match = false;
            }
            if (match) found = r;
            return !match;
        });
        if (found) {
            CTieType::Of(found)->SetPitch(pitch);
            g_model.finderBar = this;
            return found;
        }
    }
    return nullptr;
}

void CTrkBar::AvoidNotes(CBarItem* item, bool snap) {
    const auto normalized = [](RECT r) {
        return RECT{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right), std::max(r.top, r.bottom)};
    };
    RECT mine;
    mine = normalized(*item->GetBounds(&mine));
    trkbar::ForEachRecord(Block()->Address(), GetRunLength(), [&](CBarItem* other) {
        if (other == item || other->IsRemoved() || !(other->IsNoteOrRest() || other->IsBeam())) return true;
        RECT r;
        r = normalized(*other->GetBounds(&r));
        if (mine.right <= r.left || r.right <= mine.left) return true;
        if (snap && other->IsNote()) {
            item->SetHorizontalOffset(-60);
            item->SetPosition(other->PositionField());
            snap = false;
        }
        bool stepped = false;
        while (mine.top < r.bottom) {
            const LONG before = mine.top;
            item->SetVerticalOffset(item->GetVerticalOffset() + 60);
            mine = normalized(*item->GetBounds(&mine));
            stepped = true;
            // An item whose rectangle does not follow its offset cannot get clear.
            if (mine.top <= before) break;
        }
        if (stepped && item->IsDynamic()) {
            item->SetVerticalOffset(item->GetVerticalOffset() + 30);
            mine = normalized(*item->GetBounds(&mine));
        }
        return true;
    });
}

// --- after loading --------------------------------------------------------------------------------

bool CTrkBar::AfterLoadFixup(int version) {
    SetCurrent();
    bool changed = false;
    std::uint32_t at = 0;
    for (;;) {
        std::uint8_t* base = Block()->Address();
        const int size = RecordSizeAt(base, at, GetRunLength());
        if (!size || IsEndRecord(base + at)) return changed;
        CBarItem* item = ItemAt(base, at);
        const int wanted = item->GetWantedSize();
        if (wanted != size) {
            changed = true;
            item = ResizeItem(item, wanted - size);
            if (!item) return changed;
            at = std::uint32_t(item->Bytes() - Block()->Address());
        }
        const int itemSize = item->RecordSizeField();
        if (item->IsNoteOrRawNote() && (itemSize <= kHeadCount || rec::Get<std::uint8_t>(item, kHeadCount) == 0)) {
            changed |= !item->IsRemoved();
            item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kRemovedBit));
        }
        if (item->IsExpression() && itemSize >= CExpression::kPlayValue + 4) {
            const int kind = CExpression::Of(item)->GetKind();
            const bool oldFile = version < 0x351 || (version == 0x351 && !trkbar::DocumentFlagWord());
            if ((kind == 3 || kind == 5) && oldFile && !g_scoreFile.checkVoiceBanks) {
                std::reverse(item->Bytes() + CExpression::kPlayValue, item->Bytes() + CExpression::kPlayValue + 4);
                changed = true;
            }
        }
        if (item->IsLyric() && itemSize >= CLyric::kFixedSize && !static_cast<CLyric*>(item)->HoldsText() &&
            !item->IsRemoved()) {
            CScore* score = g_model.currentScore;
            item = CLyric::SyncFromLine(static_cast<CLyric*>(item), this, score ? score->GetLyricArray() : nullptr);
            changed = true;
            if (!item) ThrowOutOfMemory();
            at = std::uint32_t(item->Bytes() - Block()->Address());
        }
        at += std::uint32_t(item->RecordSizeField());
    }
}

// --- point lists ----------------------------------------------------------------------------------

PointList::PointList() { buffer.Init(); }
PointList::~PointList() { buffer.Free(); }

bool PointList::Add(std::int32_t v0, std::int32_t v1, std::int32_t v2, std::int32_t x, std::int32_t y, std::int32_t v5,
                    std::int32_t v6) {
    const std::int32_t record[7] = {v0, v1, v2, x, y, v5, v6};
    return buffer.Append(record, sizeof record);
}

int PointList::Count() const { return int(buffer.GetSize() / 28); }

std::int32_t* PointList::FindNear(int x, int y) {
    auto* records = static_cast<std::int32_t*>(buffer.GetData());
    for (int i = 0; records && i < Count(); ++i) {
        std::int32_t* r = records + 7 * i;
        if (std::abs(r[3] - x) <= 2 && std::abs(r[4] - y) <= 2) return r;
    }
    return nullptr;
}
