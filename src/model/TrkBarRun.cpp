// The bar of a track: operations on its item run (insertion, resizing, duplication, compaction,
// sorting) and the counts over it.
#include <algorithm>
#include <cstring>
#include <vector>

#include "model/Bar.h"
#include "model/ItemFactory.h"
#include "model/TrkBar.h"
#include "model/TrkBarStandIns.h"
#include "model/TrkBarWalk.h"

using trkbar::IsEndRecord;
using trkbar::ItemAt;
using trkbar::RecordSizeAt;

namespace {

// Note and performance-note fields the run operations touch.
enum : int {
    kNoteMarkByte = 19,       // bits 1-3: the number of marks behind the heads
    kNoteHeadCount = 23,
    kNoteHeads = 24,          // 16-byte head entries
    kHeadSize = 16,
    kHeadPlayOffset = 14,     // 16-bit signed play start offset of a head
};

// The one scratch record of the sort, shared by every bar.
std::uint8_t g_sortScratch[CTrkBar::kScratchSize];

// The largest run a bar keeps: its length is a signed 32-bit byte count.
constexpr std::uint32_t kMaxRunLength = 0x7FFFFFFFu;

bool IsClefKeyOrOttava(const CBarItem* item) { return item->IsClef() || item->IsKeySig() || item->IsOttava(); }

// The play start offset of a note's first head (0 for a note without a whole head).
int FirstHeadPlayOffset(const CBarItem* note) {
    if (note->RecordSizeField() < kNoteHeads + kHeadSize || rec::Get<std::uint8_t>(note, kNoteHeadCount) == 0) return 0;
    return rec::Get<std::int16_t>(note, kNoteHeads + kHeadPlayOffset);
}

}  // namespace

CBarItem* CTrkBar::GetEndRecord() {
    std::uint8_t* base = Block()->Address();
    const std::int64_t at = trkbar::EndRecordOffset(base, GetRunLength());
    return at < 0 ? nullptr : ItemAt(base, std::uint32_t(at));
}

// --- insertion --------------------------------------------------------------------------------

CBarItem* CTrkBar::InsertSpace(int time, int size) {
    if (size < 0) return nullptr;
    ItemBlock* block = Block();
    std::uint8_t* base = block->Address();
    if (!base) {
        // A bar without a block: the room becomes the whole run, whatever length it kept.
        if (size == 0 || !block->Resize(std::uint32_t(size))) return nullptr;
        base = block->Address();
        std::memset(base, 0, std::size_t(size));
        if (size >= CBarItem::kTime + 2) rec::Put<std::int16_t>(base, CBarItem::kTime, std::int16_t(time));
        return ItemAt(base, 0);
    }
    if (std::uint32_t(size) > kMaxRunLength - GetRunLength()) return nullptr;
    std::uint8_t* gap = block->InsertGapAtTime(time, size);
    return gap ? ItemCast<CBarItem>(gap) : nullptr;
}

CBarItem* CTrkBar::NewItem(int type, int time) {
    const int size = GetItemRecordSizeForCode(type);
    if (size <= 0) return nullptr;
    CBarItem* item = InsertSpace(time, size);
    if (!item) return nullptr;
    ConstructItem(type, item);
    item->CBaseItem::SetType(std::uint8_t(type));
    item->CBaseItem::SetSize(std::int16_t(size));
    item->SetTimeField(std::int16_t(time));
    return item;
}

CBarItem* CTrkBar::InsertCopy(const CBarItem* record) {
    if (!record) return nullptr;
    const int size = record->RecordSizeField();
    if (size < CBarItem::kHeadEnd) return nullptr;
    // A record of this very run may move with the block: copy it aside first.
    std::vector<std::uint8_t> copy(reinterpret_cast<const std::uint8_t*>(record),
                                   reinterpret_cast<const std::uint8_t*>(record) + size);
    CBarItem* at = InsertSpace(record->TimeField(), size);
    if (!at) return nullptr;
    std::memcpy(at, copy.data(), std::size_t(size));
    return at;
}

CBarItem* CTrkBar::InsertBuffer(int time, const HandleBuffer& buffer) {
    const std::uint32_t bytes = buffer.GetSize();
    const auto* content = static_cast<const std::uint8_t*>(buffer.GetData());
    if (!content || bytes == 0 || bytes > 0x7FFFFFFFu) return nullptr;
    CBarItem* at = InsertSpace(time, int(bytes));
    if (!at) return nullptr;
    // The buffer's block may have moved no more than ours did not: take its address again.
    std::memcpy(at, buffer.GetData(), bytes);
    return at;
}

// --- resizing ---------------------------------------------------------------------------------

CBarItem* CTrkBar::ResizeItem(CBarItem* record, int delta) {
    CScoreItem* r = Block()->ResizeRecord(record, delta);
    return r ? static_cast<CBarItem*>(r) : nullptr;
}

CBarItem* CTrkBar::DuplicateItem(CBarItem* record) {
    CScoreItem* r = Block()->DuplicateRecord(record);
    return r ? static_cast<CBarItem*>(r) : nullptr;
}

CBarItem* CTrkBar::ResizeNote(CBarItem* note, const void* heads, int delta) {
    if (!note) return nullptr;
    const int size = note->RecordSizeField();
    const int count = rec::Get<std::uint8_t>(note, kNoteHeadCount);
    const int headsEnd = kNoteHeads + kHeadSize * count;
    const bool marks = ((rec::Get<std::uint8_t>(note, kNoteMarkByte) >> 1) & 7) != 0;
    // A note whose heads do not lie inside it, or a count that would leave the byte, is refused.
    if (headsEnd > size || count + delta < 0 || count + delta > 255) return nullptr;
    const int bytes = kHeadSize * delta;
    if (delta >= 0) {
        CBarItem* n = ResizeItem(note, bytes);
        if (!n) return nullptr;
        std::uint8_t* p = n->Bytes();
        if (marks && bytes) std::memmove(p + headsEnd + bytes, p + headsEnd, std::size_t(size - headsEnd));
        if (bytes) {
            if (heads)
                std::memcpy(p + headsEnd, heads, std::size_t(bytes));
            else
                std::memset(p + headsEnd, 0, std::size_t(bytes));
        }
        rec::Put<std::uint8_t>(n, kNoteHeadCount, std::uint8_t(count + delta));
        return n;
    }
    // Shrinking: the marks move down over the last heads before the record's end is cut.
    std::uint8_t* p = note->Bytes();
    std::vector<std::uint8_t> saved;
    if (marks) {
        saved.assign(p + headsEnd + bytes, p + headsEnd);
        std::memmove(p + headsEnd + bytes, p + headsEnd, std::size_t(size - headsEnd));
    }
    CBarItem* n = ResizeItem(note, bytes);
    if (!n) {
        if (marks) {
            std::memmove(p + headsEnd, p + headsEnd + bytes, std::size_t(size - headsEnd));
            std::memcpy(p + headsEnd + bytes, saved.data(), saved.size());
        }
        return nullptr;
    }
    rec::Put<std::uint8_t>(n, kNoteHeadCount, std::uint8_t(count + delta));
    return n;
}

// --- compaction -------------------------------------------------------------------------------

void CTrkBar::Compact() {
    std::uint8_t* base = Block()->Address();
    const std::uint32_t length = GetRunLength();
    if (!base) return;

    // 1. The first removed record; every record passed loses its scratch mark.
    std::uint32_t at = 0;
    bool found = false;
    for (;;) {
        const int size = RecordSizeAt(base, at, length);
        if (!size) return;  // a run without a reachable end record is left alone
        CBarItem* item = ItemAt(base, at);
        item->SetFlagsB(std::uint8_t(item->FlagsB() & ~CBarItem::kScratchBit));
        if (IsEndRecord(base + at)) break;
        if (item->IsRemoved()) {
            found = true;
            break;
        }
        at += std::uint32_t(size);
    }

    if (found) {
        // 2. Copy each stretch of live records down over the removed ones.
        std::uint32_t dest = at;
        std::uint32_t scan = at;
        bool ended = false;
        while (!ended) {
            int size;
            while ((size = RecordSizeAt(base, scan, length)) && !IsEndRecord(base + scan) && ItemAt(base, scan)->IsRemoved())
                scan += std::uint32_t(size);
            if (!size || IsEndRecord(base + scan)) break;
            const std::uint32_t start = scan;
            while ((size = RecordSizeAt(base, scan, length)) && !IsEndRecord(base + scan) && !ItemAt(base, scan)->IsRemoved())
                scan += std::uint32_t(size);
            if (!size) ended = true;  // the walk lost the run: keep what is whole and end it here
            std::memmove(base + dest, base + start, scan - start);
            dest += scan - start;
        }
        // 3. A fresh end record behind the last live one; the block shrinks to fit.
        CBarItem::Construct(base + dest);
        const std::uint32_t newLength = dest + kEndRecordSize;
        if (!Block()->Resize(newLength)) SetRunLength(newLength);
    }

    // 4. Every record takes the size it asks for; the first failure stops the fitting.
    at = 0;
    for (;;) {
        base = Block()->Address();
        const int size = RecordSizeAt(base, at, GetRunLength());
        if (!size || IsEndRecord(base + at)) return;
        CBarItem* item = ItemAt(base, at);
        if (!item->IsRemoved()) {
            const int wanted = item->GetWantedSize();
            if (wanted != size) {
                item = ResizeItem(item, wanted - size);
                if (!item) return;
                at = std::uint32_t(item->Bytes() - Block()->Address());
                at += std::uint32_t(item->RecordSizeField());
                continue;
            }
        }
        at += std::uint32_t(size);
    }
}

// --- sorting ----------------------------------------------------------------------------------

bool CTrkBar::ItemGoesAfter(CBarItem* a, CBarItem* b) {
    // Removed records go first.
    if (!a->IsRemoved() && b->IsRemoved()) return true;
    if (a->IsRemoved() && !b->IsRemoved()) return false;
    // Other items come before the notes and rests of their time; notes by their first head's
    // play start; rests keep their place among notes.
    if (a->IsNoteRestOrRawNote()) {
        if (!b->IsNoteRestOrRawNote()) return true;
        if (a->IsRest() || b->IsRest()) return false;
        return FirstHeadPlayOffset(a) > FirstHeadPlayOffset(b);
    }
    // Clefs, key signatures and ottavas come first.
    if (IsClefKeyOrOttava(b)) return !IsClefKeyOrOttava(a);
    // The longer tuplet first.
    if (a->IsTuplet()) {
        if (!b->IsTuplet()) return false;
        return a->GetEndPosition() < b->GetEndPosition();
    }
    // A dynamic before a hairpin.
    if (a->IsCresc()) return b->IsDynamic();
    return false;
}

void CTrkBar::SortItems() {
    // An exchange sort that starts again after every swap: it needs no memory but the one
    // scratch record. Each swap puts one pair in order for good, so it ends.
    std::uint8_t* base = Block()->Address();
    const std::uint32_t length = GetRunLength();
    if (!base) return;
    std::uint32_t at = 0;
    for (;;) {
        const int sa = RecordSizeAt(base, at, length);
        if (!sa || IsEndRecord(base + at)) return;
        const std::uint32_t bAt = at + std::uint32_t(sa);
        const int sb = RecordSizeAt(base, bAt, length);
        if (!sb || IsEndRecord(base + bAt)) return;
        CBarItem* a = ItemAt(base, at);
        CBarItem* b = ItemAt(base, bAt);
        const int ta = a->TimeField(), tb = b->TimeField();
        if (ta > tb || (ta == tb && ItemGoesAfter(a, b))) {
            std::memcpy(g_sortScratch, base + at, std::size_t(sa));
            std::memmove(base + at, base + bAt, std::size_t(sb));
            std::memcpy(base + at + sb, g_sortScratch, std::size_t(sa));
            at = 0;
            continue;
        }
        at = bAt;
    }
}

// --- counts -----------------------------------------------------------------------------------

bool CTrkBar::HasOtherVoice(int voice) const {
    for (int v = 0; v < kVoiceCount; ++v)
        if (v != voice && VoiceUsed(v)) return true;
    return false;
}

int CTrkBar::GetVoiceStats(VoiceStats* stats, bool notesOnly) {
    VoiceStats local;
    VoiceStats& s = stats ? *stats : local;
    s = VoiceStats{};
    for (int v = 0; v < kVoiceCount; ++v) SetVoiceUsed(v, 0);
    trkbar::ForEachRecord(Block()->Address(), GetRunLength(), [&](CBarItem* item) {
        if (item->IsRemoved() || !(item->IsNote() || (!notesOnly && item->IsRest()))) return true;
        const int v = item->VoiceField();
        SetVoiceUsed(v, 1);
        s.voice[v].count = std::uint16_t(s.voice[v].count + 1);
        s.voice[v].average = std::int16_t(s.voice[v].average + item->GetStaffPos(0));
        return true;
    });
    for (auto& voice : s.voice) {
        if (!voice.count) continue;
        s.voicesInUse = std::uint16_t(s.voicesInUse + 1);
        const auto count = std::int16_t(voice.count);
        const auto sum = std::int16_t(voice.average + count / 2 - 1);
        voice.average = count > 0 ? std::int16_t(sum / count) : std::int16_t(0);
    }
    if (s.voicesInUse == 0) {
        s.voice[0].count = 1;
        s.voicesInUse = 1;
    }
    return s.voicesInUse;
}

bool CTrkBar::IsSpanFree(int voice, int time, int length) {
    const int end = time + length;
    bool answer = true;
    trkbar::ForEachRecord(Block()->Address(), GetRunLength(), [&](CBarItem* item) {
        if (item->IsRemoved() || !item->IsNote() || item->VoiceField() != voice) return true;
        const int start = item->TimeField();
        if (start <= time) {
            const int noteEnd = int(NoteEndTime(*item));
            if (start == time) {
                answer = noteEnd == end;
                return false;
            }
            if (noteEnd > time) {
                answer = false;
                return false;
            }
        } else if (start < end) {
            answer = false;
            return false;
        }
        return true;
    });
    return answer;
}
