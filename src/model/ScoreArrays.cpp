#include "model/ScoreArrays.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/Globals.h"
#include "model/Bar.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/System.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/ChunkStream.h"
#include "platform/Handles.h"

namespace {

const char* PathOf(CChunkStream& stream) {
    CFile* f = stream.GetFile();
    return f ? f->GetFilePath().c_str() : nullptr;
}

// What the stream still holds where the array is read.
std::uint64_t Available(CChunkStream& stream) {
    if (stream.InChunk()) return stream.Unread();
    if (CFile* f = stream.GetFile()) {
        const std::uint64_t size = f->GetLength();
        return size - std::min(size, f->GetPosition());
    }
    return 0;
}

// The smallest element chunk: a tag and a 32-bit length.
constexpr std::uint64_t kSmallestElementChunk = 8;

// The scratch record of the raw reader: no record of the older files is larger.
constexpr std::size_t kRawScratchSize = 32000;

}  // namespace

CScoreArray::~CScoreArray() {
    for (int i = 0; i < count; ++i)
        if (std::uint8_t* e = ElementAt(i)) ItemCast<CScoreItem>(e)->Release();
}

std::uint8_t* CScoreArray::ElementAt(int n) {
    if (n < 0 || n >= count || elemSize <= 0) return nullptr;
    return static_cast<std::uint8_t*>(GetData()) + std::ptrdiff_t(n) * elemSize;
}

void* CScoreArray::GetAt(int n) {
    auto* base = static_cast<std::uint8_t*>(GetData());
    if (!base || n < 0 || n > count) return nullptr;
    return base + std::ptrdiff_t(n) * elemSize;
}

void CScoreArray::Renumber() { RenumberFrom(0); }

void CScoreArray::RenumberFrom(int first) {
    auto* base = static_cast<std::uint8_t*>(GetData());
    if (!base || elemSize <= 0) return;
    for (int i = std::max(first, 0); i < count; ++i) {
        auto* e = ItemCast<CArrayItem>(base + std::ptrdiff_t(i) * elemSize);
        e->SetIndex(i);
        e->SetLastFlag(i == count - 1);
    }
}

void* CScoreArray::InsertEmpty(int index) {
    void* p = CStdArray::InsertEmpty(index);
    if (!p) return nullptr;
    std::memset(p, 0, std::size_t(std::max<int>(elemSize, 0)));
    Revive(p);
    RenumberFrom(InsertRenumberStart(index));
    return GetAt(index);
}

void CScoreArray::RemoveAt(int index) {
    std::uint8_t* e = ElementAt(index);
    if (!e) return;
    ItemCast<CScoreItem>(e)->Release();
    CStdArray::Remove(e);
    Renumber();
}

std::uint32_t CScoreArray::GetByteSize() {
    std::uint32_t total = 0;
    for (int i = 0; i < count; ++i) total += std::uint32_t(ItemCast<CScoreItem>(ElementAt(i))->GetRecordSize());
    return total;
}

namespace {
// The current records point into the score's arrays. When an array's block moves, a pointer
// into the old block follows it to the same place in the new one (or goes when that place is
// gone), just as it stays where it was when the block grows in place.
void FollowMovedBlock(const std::uint8_t* before, std::uint32_t beforeSize, std::uint8_t* after, std::uint32_t afterSize) {
    if (!before || before == after) return;
    const auto from = reinterpret_cast<std::uintptr_t>(before);
    auto follow = [&](auto*& p) {
        const auto at = reinterpret_cast<std::uintptr_t>(p);
        if (!p || at < from || at - from >= beforeSize) return;
        const std::uintptr_t offset = at - from;
        using T = std::remove_reference_t<decltype(*p)>;
        p = after && offset < afterSize ? reinterpret_cast<T*>(after + offset) : nullptr;
    };
    follow(g_model.currentPage);
    follow(g_model.currentLine);
    follow(g_model.currentBar);
    follow(g_model.currentStaff);
    follow(g_model.currentTrack);
    follow(g_model.currentTrkBar);
}
}  // namespace

bool CScoreArray::SetByteSize(std::uint32_t n) {
    const auto* before = block ? static_cast<const std::uint8_t*>(GetData()) : nullptr;
    const std::uint32_t beforeSize = block ? GetHandleSize(block) : 0;
    const bool done = ResizeBlock(n);
    FollowMovedBlock(before, beforeSize, block ? static_cast<std::uint8_t*>(GetData()) : nullptr,
                     block ? GetHandleSize(block) : 0);
    return done;
}

bool CScoreArray::ResizeBlock(std::uint32_t n) {
    if (!block || n == 0) return CStdArray::SetByteSize(n);
    const std::uint32_t have = GetHandleSize(block);
    if (n <= have && n >= have / 2) return true;
    // Only an element going in grows the block by more than it needs; sizing to a count does not.
    if (n > have && n - have <= std::uint32_t(std::max<int>(elemSize, 0)) && n < 0x40000000u && CStdArray::SetByteSize(n + n / 2))
        return true;
    return CStdArray::SetByteSize(n);
}

bool CScoreArray::SetSize(int n) {
    if (n < 0 || n > kMaxCount) return false;
    const std::uint32_t old = byteSize;
    if (!CStdArray::SetSize(n)) return false;
    if (byteSize > old) std::memset(static_cast<std::uint8_t*>(GetData()) + old, 0, byteSize - old);
    count = std::int16_t(n);
    for (int i = 0; i < count; ++i) Revive(ElementAt(i));
    Renumber();
    return true;
}

void CScoreArray::ReadRawHead(CFile& file) {
    const std::int16_t own = elemSize;
    CItemArray::ReadRawHead(file);
    if (elemSize != own) {
        elemSize = own;
        count = 0;
        byteSize = 0;
        AfxThrowArchiveException(CArchiveException::badIndex, file.GetFilePath().c_str());
    }
}

void CScoreArray::ReadRawBody(CFile& file) {
    const int n = std::max<int>(count, 0);
    const auto drop = [this] {
        count = 0;
        byteSize = 0;
    };
    std::vector<std::uint8_t> scratch;
    std::vector<std::uint8_t> buffer;
    // Records already copied into the buffer own what they read; on failure they let it go.
    const auto releaseRead = [&buffer, this] {
        for (std::size_t at = 0; at + std::size_t(std::max<int>(elemSize, 1)) <= buffer.size();
             at += std::size_t(std::max<int>(elemSize, 1)))
            ItemCast<CScoreItem>(buffer.data() + at)->Release();
    };
    try {
        scratch.assign(kRawScratchSize, 0);
        for (int i = 0; i < n; ++i) {
            std::fill(scratch.begin(), scratch.end(), 0);
            Revive(scratch.data());
            auto* item = ItemCast<CScoreItem>(scratch.data());
            const int code = item->TypeCode();
            try {
                item->ReadRaw(file);
            } catch (...) {
                item->Release();
                throw;
            }
            // The stored record must be one of the array's class.
            const int size = item->RecordSizeField();
            if (size != elemSize || item->TypeCode() != code) {
                item->Release();
                AfxThrowArchiveException(CArchiveException::badIndex, file.GetFilePath().c_str());
            }
            buffer.insert(buffer.end(), scratch.begin(), scratch.begin() + size);
        }
    } catch (const std::bad_alloc&) {
        releaseRead();
        drop();
        ThrowOutOfMemory();
    } catch (...) {
        releaseRead();
        drop();
        throw;
    }
    if (!SetByteSize(std::uint32_t(std::max<std::size_t>(buffer.size(), 1)))) {
        releaseRead();
        drop();
        ThrowOutOfMemory();
    }
    if (!buffer.empty()) std::memcpy(GetData(), buffer.data(), buffer.size());
    byteSize = std::uint32_t(buffer.size());
    Renumber();
}

void CScoreArray::WriteRawBody(CFile& file) {
    for (int i = 0; i < count; ++i) ItemCast<CScoreItem>(ElementAt(i))->WriteRaw(file, GetTag());
}

void CScoreArray::Read(CChunkStream& stream, std::uint32_t tag) {
    // The list's tag must be the one asked for: a list that is missing or out of place would
    // otherwise be read as this one.
    const std::uint32_t listTag = stream.ReadTagValue();
    const std::uint16_t n = stream.ReadWord();
    if (listTag != tag || n > kMaxCount || std::uint64_t(n) * kSmallestElementChunk > Available(stream))
        AfxThrowArchiveException(CArchiveException::badIndex, PathOf(stream));
    const std::uint32_t bytes = std::uint32_t(n) * std::uint32_t(std::max<int>(elemSize, 0));
    if (!SetByteSize(std::max<std::uint32_t>(bytes, 1))) ThrowOutOfMemory();
    count = std::int16_t(n);
    byteSize = bytes;
    if (bytes) std::memset(GetData(), 0, bytes);
    try {
        for (int i = 0; i < count; ++i) ReadElement(stream, i);
    } catch (...) {
        // The elements read so far may own blocks; they let them go with the array's content.
        for (int i = 0; i < count; ++i)
            if (rec::Get<std::uint32_t>(ElementAt(i), rec::kClassSlot)) ItemCast<CScoreItem>(ElementAt(i))->Release();
        count = 0;
        byteSize = 0;
        throw;
    }
}

void CScoreArray::ReadElement(CChunkStream& stream, int n) {
    std::uint8_t* e = ElementAt(n);
    if (!e) return;
    if (stream.PeekTag() != GetChunkTag()) AfxThrowArchiveException(CArchiveException::badIndex, PathOf(stream));
    Revive(e);
    {
        fw::ScopedGlobal<std::int32_t> room(g_model.recordRoom, elemSize);
        ItemCast<CScoreItem>(e)->Read(stream);
    }
    // An array holds its own element class whatever head the element's chunk carried.
    const std::int16_t size = rec::Get<std::int16_t>(e, rec::kSize);
    Revive(e);
    if (size > 0 && size <= elemSize) rec::Put<std::int16_t>(e, rec::kSize, size);
}

void CScoreArray::Write(CChunkStream& stream, std::uint32_t tag) {
    stream.WriteTag(tag);
    stream.WriteWord(count);
    for (int i = 0; i < count; ++i) WriteElement(stream, i);
}

void CScoreArray::WriteElement(CChunkStream& stream, int n) {
    if (std::uint8_t* e = ElementAt(n)) ItemCast<CScoreItem>(e)->Write(stream);
}

void CScoreArray::ReviveAll() {
    for (int i = 0; i < count; ++i) {
        std::uint8_t* e = ElementAt(i);
        const std::int16_t size = rec::Get<std::int16_t>(e, rec::kSize);
        Revive(e);
        rec::Put<std::int16_t>(e, rec::kSize, size);
    }
}

std::uint32_t CScoreArray::GetTag() { return MakeChunkTag("ITEM"); }

void CScoreArray::ResolveFonts(CFontArray* fonts) {
    for (int i = 0; i < count; ++i) ItemCast<CScoreItem>(ElementAt(i))->ResolveFonts(fonts);
}

void ConstructArrayElement(int code, void* record) {
    if (code == 4)
        CTrkBar::Construct(record);
    else
        ConstructClass(code, record);
}

// --- systems and bars -------------------------------------------------------------------------

bool CTrkBarArray::CopyTo(CStdArray* other) {
    auto* to = dynamic_cast<CTrkBarArray*>(other);
    if (!to) return CScoreArray::CopyTo(other);
    if (!CScoreArray::CopyTo(other)) return false;
    // The byte copy names this array's run blocks: forget them before anything can fail.
    for (int i = 0; i < to->GetCount(); ++i) ItemCast<CTrkBar>(to->ElementAt(i))->Release(false);
    for (int i = 0; i < to->GetCount() && i < count; ++i)
        if (!ItemCast<CTrkBar>(ElementAt(i))->CopyTo(ItemCast<CTrkBar>(to->ElementAt(i)))) return false;
    return true;
}

bool CLineArray::CopyTo(CStdArray* other) {
    auto* to = dynamic_cast<CLineArray*>(other);
    if (!to) return CScoreArray::CopyTo(other);
    if (!CScoreArray::CopyTo(other)) return false;
    for (int i = 0; i < to->GetCount(); ++i) ItemCast<CLine>(to->ElementAt(i))->SetStaffArray(nullptr);
    for (int i = 0; i < to->GetCount() && i < count; ++i) {
        CStaffArray* staves = ItemCast<CLine>(ElementAt(i))->GetStaffArray();
        if (!staves) continue;
        auto* copy = static_cast<CStaffArray*>(staves->Clone());
        if (!copy) return false;
        ItemCast<CLine>(to->ElementAt(i))->SetStaffArray(copy);
    }
    return true;
}

bool CLineArray::InsertStaff(int index) {
    for (int i = 0; i < count; ++i)
        if (!ItemCast<CLine>(ElementAt(i))->InsertStaff(index)) return false;
    return true;
}

bool CLineArray::RemoveStaff(int index) {
    for (int i = 0; i < count; ++i) ItemCast<CLine>(ElementAt(i))->RemoveStaff(index);
    return true;
}

int CBarArray::InsertRenumberStart(int index) {
    if (index != count - 1 || index < 1) return 0;
    return Element(index - 1)->GetIndex() == index - 1 ? index - 1 : 0;
}

void* CBarArray::InsertEmpty(int index) {
    void* p = CScoreArray::InsertEmpty(index);
    if (!p) return nullptr;
    if (!ItemCast<CBar>(p)->SetDefaults()) {
        RemoveAt(index);
        return nullptr;
    }
    return p;
}
