#include "model/ItemArray.h"

#include <algorithm>
#include <cstring>

#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/Globals.h"
#include "model/BarItem.h"
#include "model/ChordRecords.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "platform/ChunkStream.h"
#include "platform/Handles.h"

namespace {

// Room kept free behind the element being read: the largest record a 16-bit size can name.
constexpr std::uint32_t kLargestRecord = 0x8000;

const char* PathOf(CChunkStream& stream) {
    CFile* f = stream.GetFile();
    return f ? f->GetFilePath().c_str() : nullptr;
}

// The size of a record that lies whole inside `length` bytes at `at`; 0 when it does not.
int WholeRecordSize(const std::uint8_t* base, std::uint32_t at, std::uint32_t length) {
    if (at + kRecordHeadSize > length) return 0;
    const int size = rec::Get<std::int16_t>(base + at, rec::kSize);
    if (size < kRecordHeadSize || std::uint32_t(size) > length - at) return 0;
    return size;
}

}  // namespace

// --- placing elements -----------------------------------------------------------------------

void* CItemArray::Add(const void* element) {
    if (!element || ElemSize(element) < kRecordHeadSize) return nullptr;
    return StdArrayClass::Add(element);
}

void* CItemArray::InsertAt(int index, const void* element) {
    if (!element || ElemSize(element) < kRecordHeadSize) return nullptr;
    return StdArrayClass::InsertAt(index, element);
}

void CItemArray::Remove(void* element) {
    if (!element || ElemSize(element) < kRecordHeadSize) return;
    StdArrayClass::Remove(element);
}

void* CItemArray::GetAt(int n) {
    auto* base = static_cast<std::uint8_t*>(GetData());
    if (!base || n < 0 || n > count) return nullptr;
    std::uint32_t at = 0;
    for (int i = 0; i < n; ++i) {
        const int size = WholeRecordSize(base, at, byteSize);
        if (!size) return nullptr;
        at += std::uint32_t(size);
    }
    return base + at;
}

int CItemArray::ElemSize(const void* element) {
    elemSize = rec::Get<std::int16_t>(element, rec::kSize);
    return elemSize;
}

// --- raw form -------------------------------------------------------------------------------

void CItemArray::ReadRawHead(CFile& file) {
    StdArrayClass::ReadRawHead(file);
    byteSize += std::uint32_t(rec::kSlotBytes) * std::uint32_t(std::max<int>(count, 0));
}

void CItemArray::ReadRawBody(CFile& file) {
    const int n = std::max<int>(count, 0);
    const std::uint32_t slots = std::uint32_t(rec::kSlotBytes) * std::uint32_t(n);
    const auto drop = [this] {
        count = 0;
        byteSize = 0;
    };
    if (byteSize < slots) {
        drop();
        AfxThrowArchiveException(CArchiveException::badIndex, file.GetFilePath().c_str());
    }
    const std::uint32_t stored = byteSize - slots;
    if (stored == 0 && n == 0) return;
    HandleBuffer temp;
    struct Release {
        HandleBuffer& b;
        ~Release() { b.Free(); }
    } release{temp};
    void* src = temp.Resize(std::max<std::uint32_t>(stored, 1), false);
    if (!src) {
        drop();
        ThrowOutOfMemory();
    }
    if (file.Read(src, stored) < stored) {
        drop();
        AfxThrowFileException(CFileException::endOfFile, -1, file.GetFilePath().c_str());
    }
    const std::uint32_t room = std::max(2 * stored, stored + 6 * std::uint32_t(n));
    if (!SetByteSize(room)) {
        drop();
        ThrowOutOfMemory();
    }
    int revived = 0;
    const std::int32_t total = UnpackItems(src, stored, GetData(), room, n, &revived);
    if (revived != n) {
        drop();
        AfxThrowArchiveException(CArchiveException::badIndex, file.GetFilePath().c_str());
    }
    SetByteSize(std::uint32_t(total));
    byteSize = std::uint32_t(total);
}

void CItemArray::WriteRawHead(CFile& file, std::uint32_t word) {
    const std::uint32_t live = byteSize;
    byteSize -= std::uint32_t(rec::kSlotBytes) * std::uint32_t(std::max<int>(count, 0));
    try {
        StdArrayClass::WriteRawHead(file, word);
    } catch (...) {
        byteSize = live;
        throw;
    }
    byteSize = live;
}

void CItemArray::WriteRawBody(CFile& file) {
    if (byteSize == 0) return;
    HandleBuffer temp;
    struct Release {
        HandleBuffer& b;
        ~Release() { b.Free(); }
    } release{temp};
    void* out = temp.Resize(byteSize, false);
    if (!out) ThrowOutOfMemory();
    const std::int32_t packed = PackItems(GetData(), byteSize, out, count);
    file.Write(out, UINT(packed));
}

// --- chunk form -----------------------------------------------------------------------------

void CItemArray::Read(CChunkStream& stream, std::uint32_t tag) {
    const std::uint32_t length = stream.BeginReadChunk(tag);
    const std::uint32_t bytes = stream.ReadLong();
    const std::uint16_t n = stream.ReadWord();
    const auto fail = [&] {
        stream.EndReadChunk();
        count = 0;
        byteSize = 0;
    };
    if (n > kMaxCount) {
        fail();
        AfxThrowArchiveException(CArchiveException::badIndex, PathOf(stream));
    }
    // Twice the byte count leaves room for records that grow when read; the chunk's own length
    // bounds what the byte count may claim.
    const std::uint64_t claimed = std::min<std::uint64_t>(bytes, std::uint64_t(length) + 4ull * n);
    const auto reserve = std::uint32_t(std::max<std::uint64_t>(2 * claimed, 16));
    if (!SetByteSize(reserve)) {
        fail();
        ThrowOutOfMemory();
    }
    count = 0;
    byteSize = 0;
    try {
        for (int i = 0; i < n; ++i) {
            ReadElement(stream, i);
            auto* item = static_cast<std::uint8_t*>(GetData()) + byteSize;
            const int size = rec::Get<std::int16_t>(item, rec::kSize);
            if (size < kRecordHeadSize) AfxThrowArchiveException(CArchiveException::badIndex, PathOf(stream));
            byteSize += std::uint32_t(size);
            count = std::int16_t(i + 1);
        }
    } catch (...) {
        fail();
        throw;
    }
    SetByteSize(std::max<std::uint32_t>(byteSize, 1));
    stream.EndReadChunk();
}

void CItemArray::ReadElement(CChunkStream& stream, int n) {
    auto* p = static_cast<std::uint8_t*>(GetAt(n));
    if (!p) AfxThrowArchiveException(CArchiveException::badIndex, PathOf(stream));
    std::uint32_t offset = std::uint32_t(p - static_cast<std::uint8_t*>(GetData()));
    std::uint32_t room;
    if (n == count) {
        // A new element at the end: keep the largest record's room behind it.
        if (GetHandleSize(block) < offset + kLargestRecord) {
            if (!SetByteSize(offset + kLargestRecord)) ThrowOutOfMemory();
        }
        p = static_cast<std::uint8_t*>(GetData()) + offset;
        room = GetHandleSize(block) - offset;
        // The place starts as an end record, which the record's own head then replaces.
        std::memset(p, 0, kEndRecordSize);
        rec::Put<std::int16_t>(p, rec::kSize, kEndRecordSize);
        rec::Put<std::uint8_t>(p, rec::kType, 255);
    } else {
        room = std::uint32_t(rec::Get<std::int16_t>(p, rec::kSize));
    }
    Revive(p);
    {
        fw::ScopedGlobal<std::int32_t> scoped(g_model.recordRoom, std::int32_t(std::min<std::uint32_t>(room, 0x7FFF)));
        ItemCast<CScoreItem>(p)->Read(stream);
    }
    // A typed array holds its own class whatever code the record carried (the base array
    // revives by the code read, as the read did).
    const std::int16_t size = rec::Get<std::int16_t>(p, rec::kSize);
    Revive(p);
    rec::Put<std::int16_t>(p, rec::kSize, size);
}

void CItemArray::Write(CChunkStream& stream, std::uint32_t tag) {
    stream.BeginChunk(tag, -1);
    stream.WriteLong(byteSize);
    stream.WriteWord(count);
    for (int i = 0; i < GetCount(); ++i) WriteElement(stream, i);
    stream.EndChunk(-1);
}

void CItemArray::WriteElement(CChunkStream& stream, int n) {
    if (n < 0 || n >= count) return;
    if (auto* item = GetItem(n)) item->Write(stream);
}

// --- revival and walks ----------------------------------------------------------------------

void CItemArray::ReviveAll() {
    auto* base = static_cast<std::uint8_t*>(GetData());
    std::uint32_t at = 0;
    for (int i = 0; i < count; ++i) {
        const int size = WholeRecordSize(base, at, byteSize);
        if (!size) return;
        Revive(base + at);
        rec::Put<std::int16_t>(base + at, rec::kSize, std::int16_t(size));
        at += std::uint32_t(size);
    }
}

void CItemArray::Revive(void* record) { ConstructItem(rec::Get<std::uint8_t>(record, rec::kType), record); }

void CItemArray::ForEachNotify(CFontArray* fonts) {
    auto* base = static_cast<std::uint8_t*>(GetData());
    std::uint32_t at = 0;
    for (int i = 0; i < count; ++i) {
        const int size = WholeRecordSize(base, at, byteSize);
        if (!size) return;
        ItemCast<CScoreItem>(base + at)->ResolveFonts(fonts);
        at += std::uint32_t(size);
    }
}

bool CItemArray::FitSizes() {
    std::uint32_t at = 0;
    for (int i = 0; i < count; ++i) {
        auto* base = static_cast<std::uint8_t*>(GetData());
        const int size = WholeRecordSize(base, at, byteSize);
        if (!size) return true;
        const int wanted = ItemCast<CScoreItem>(base + at)->GetWantedSize();
        if (wanted >= kRecordHeadSize && wanted <= 0x7FFF && wanted != size) {
            const std::uint32_t tail = at + std::uint32_t(size);
            const std::uint32_t rest = byteSize - tail;
            if (wanted > size) {
                const std::uint32_t grow = std::uint32_t(wanted - size);
                if (!SetByteSize(byteSize + grow)) return false;
                base = static_cast<std::uint8_t*>(GetData());
                std::memmove(base + tail + grow, base + tail, rest);
                std::memset(base + tail, 0, grow);
                byteSize += grow;
            } else {
                const std::uint32_t shrink = std::uint32_t(size - wanted);
                std::memmove(base + tail - shrink, base + tail, rest);
                byteSize -= shrink;
                SetByteSize(std::max<std::uint32_t>(byteSize, 1));
                base = static_cast<std::uint8_t*>(GetData());
            }
            rec::Put<std::int16_t>(base + at, rec::kSize, std::int16_t(wanted));
        }
        at += std::uint32_t(rec::Get<std::int16_t>(base + at, rec::kSize));
    }
    return true;
}

void CLyricArray::Revive(void* record) { ConstructItem(13, record); }
void CPageTextArray::Revive(void* record) { ConstructItem(12, record); }
void CGuitarFrameArray::Revive(void* record) { ConstructItem(CGuitarFrame::kType, record); }

// --- item block -----------------------------------------------------------------------------

std::uint8_t* ItemBlock::Address() const {
    const HGLOBAL h = Handle();
    return h ? static_cast<std::uint8_t*>(DerefHandle(h)) : nullptr;
}

void ItemBlock::Clear() {
    SetLength(0);
    SetHandle(0);
    rec::Put<std::uint32_t>(this, kAddress, 0);
}

void ItemBlock::Free() {
    FreeHandle(Handle());
    Clear();
}

bool ItemBlock::Resize(std::uint32_t bytes) {
    HGLOBAL h = Handle();
    if (!h) {
        h = AllocHandle(bytes);
        if (!h) return false;
        LockHandle(h);
    } else {
        UnlockHandle(h);
        const int rc = ResizeHandle(&h, bytes);
        LockHandle(h);
        if (rc != 0) return false;
    }
    SetHandle(h);
    SetLength(bytes);
    return true;
}

bool ItemBlock::ReplaceAfter(HGLOBAL after, std::uint32_t bytes, std::uint32_t room) {
    const HGLOBAL h = AllocHandleAfter(after, bytes, room);
    if (!h) return false;
    LockHandle(h);
    if (const HGLOBAL old = Handle()) FreeHandle(old);
    SetHandle(h);
    SetLength(bytes);
    return true;
}

CScoreItem* ItemBlock::ResizeRecord(CScoreItem* record, int delta) {
    std::uint8_t* base = Address();
    const std::uint32_t length = Length();
    auto* p = reinterpret_cast<std::uint8_t*>(record);
    if (!base || p < base || p >= base + length) return nullptr;
    const auto offset = std::uint32_t(p - base);
    const int size = WholeRecordSize(base, offset, length);
    if (!size) return nullptr;
    const std::uint32_t end = offset + std::uint32_t(size);
    if (delta >= 0) {
        if (size + delta > 0x7FFF) return nullptr;
        if (!Resize(length + std::uint32_t(delta))) return nullptr;
        base = Address();
        std::memmove(base + end + delta, base + end, length - end);
        std::memset(base + end, 0, std::size_t(delta));
    } else {
        if (end >= length) return record;
        if (size + delta < kRecordHeadSize) return nullptr;
        std::memmove(base + end + delta, base + end, length - end);
        if (!Resize(length - std::uint32_t(-delta))) SetLength(length - std::uint32_t(-delta));
        base = Address();
    }
    rec::Put<std::int16_t>(base + offset, rec::kSize, std::int16_t(size + delta));
    return ItemCast<CScoreItem>(base + offset);
}

CScoreItem* ItemBlock::DuplicateRecord(CScoreItem* record) {
    const int size = record->RecordSizeField();
    CScoreItem* r = ResizeRecord(record, size);
    if (!r) return nullptr;
    r->CBaseItem::SetSize(std::int16_t(size));
    std::memcpy(r->Bytes() + size, r->Bytes(), std::size_t(size));
    return r;
}

std::uint8_t* ItemBlock::InsertGapAtTime(int time, int bytes) {
    std::uint8_t* base = Address();
    const std::uint32_t length = Length();
    if (!base || bytes < 0) return nullptr;
    std::uint32_t at = 0;
    for (;;) {
        const int size = WholeRecordSize(base, at, length);
        if (!size) return nullptr;
        if (base[at + rec::kType] == 255) break;
        const auto* item = ItemCast<CBarItem>(base + at);
        if (size >= CBarItem::kHeadEnd && !item->IsRemoved() && item->TimeField() >= time) break;
        at += std::uint32_t(size);
    }
    if (!Resize(length + std::uint32_t(bytes))) return nullptr;
    base = Address();
    std::memmove(base + at + bytes, base + at, length - at);
    std::memset(base + at, 0, std::size_t(bytes));
    if (bytes >= CBarItem::kTime + 2) rec::Put<std::int16_t>(base + at, CBarItem::kTime, std::int16_t(time));
    return base + at;
}
