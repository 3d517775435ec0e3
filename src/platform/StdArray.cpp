#include "platform/StdArray.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>
#include <string_view>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/File.h"
#include "platform/ChunkStream.h"
#include "platform/Handles.h"
#include "platform/PlatformGlobals.h"

namespace {

void PutLE16(std::uint8_t* p, std::uint16_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

void PutLE32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}

std::uint16_t GetLE16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }

std::uint32_t GetLE32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

std::uint64_t BytesLeft(const CFile& file) {
    const std::uint64_t length = file.GetLength();
    return length - std::min(length, file.GetPosition());
}

[[noreturn]] void ThrowDamaged(const CFile& file) {
    AfxThrowArchiveException(CArchiveException::badIndex, file.GetFilePath().c_str());
}

[[noreturn]] void ThrowEndOfFile(const CFile& file) {
    AfxThrowFileException(CFileException::endOfFile, -1, file.GetFilePath().c_str());
}

bool Inside(const void* p, const std::uint8_t* from, std::uint32_t n) {
    std::less<const void*> less;
    return from && !less(p, from) && less(p, from + n);
}

}  // namespace

CStdArray::CStdArray() {
    block = AllocHandle(0);
    if (block) data = static_cast<std::uint8_t*>(LockHandle(block));
}

CStdArray::~CStdArray() { FreeHandle(block); }

CStdArray::CStdArray(const CStdArray& other)
    : CVirtualClass(other), elemSize(other.elemSize), count(other.count), byteSize(other.byteSize) {
    block = AllocHandle(0);
    if (!block) AfxThrowMemoryException();
    data = static_cast<std::uint8_t*>(LockHandle(block));
    if (byteSize > 0) {
        if (!CStdArray::SetByteSize(byteSize)) {
            FreeHandle(block);
            AfxThrowMemoryException();
        }
        std::memcpy(data, other.data, byteSize);
    }
}

CStdArray& CStdArray::operator=(const CStdArray& other) {
    if (this == &other) return *this;
    // Size the block first, so a failure leaves this array as it was.
    if (!SetByteSize(other.byteSize)) AfxThrowMemoryException();
    elemSize = other.elemSize;
    count = other.count;
    byteSize = other.byteSize;
    if (byteSize > 0) std::memcpy(data, other.data, byteSize);
    return *this;
}

// --- elements ---------------------------------------------------------------------------------

void* CStdArray::InsertCopy(int index, const void* element) {
    // An element of this very array moves with the block; copy it out first.
    std::vector<std::uint8_t> saved;
    const void* src = element;
    if (elemSize > 0 && Inside(element, data, byteSize)) {
        const auto* e = static_cast<const std::uint8_t*>(element);
        saved.assign(e, e + std::min<std::uint32_t>(elemSize, std::uint32_t(data + byteSize - e)));
        saved.resize(std::size_t(elemSize), 0);
        src = saved.data();
    }
    void* p = InsertEmpty(index);
    if (p && elemSize > 0) std::memcpy(p, src, std::size_t(elemSize));
    return p;
}

void* CStdArray::Add(const void* element) { return InsertCopy(count, element); }

void CStdArray::RemoveAll() {
    count = 0;
    byteSize = 0;
    SetByteSize(0);
}

void CStdArray::Remove(void* element) {
    if (count <= 0 || elemSize <= 0 || !Inside(element, data, byteSize)) return;
    auto* p = static_cast<std::uint8_t*>(element);
    const std::uint32_t offset = std::uint32_t(p - data);
    if (offset + std::uint32_t(elemSize) > byteSize) return;
    const std::uint32_t tail = byteSize - offset - std::uint32_t(elemSize);
    if (tail > 0) std::memmove(p, p + elemSize, tail);
    count -= 1;
    // The block may stay larger than the bytes in use when it cannot shrink.
    SetByteSize(byteSize - std::uint32_t(elemSize));
    byteSize -= std::uint32_t(elemSize);
}

void* CStdArray::InsertEmpty(int index) {
    if (index < 0 || index > count || count >= kMaxCount || elemSize < 0) return nullptr;
    if (!SetByteSize(byteSize + std::uint32_t(elemSize))) return nullptr;
    auto* p = static_cast<std::uint8_t*>(GetAt(index));
    const std::uint32_t offset = std::uint32_t(p - data);
    if (index < count && byteSize > offset) std::memmove(p + elemSize, p, byteSize - offset);
    if (elemSize > 0) std::memset(p, 0, std::size_t(elemSize));
    count += 1;
    byteSize += std::uint32_t(elemSize);
    return p;
}

void* CStdArray::InsertAt(int index, const void* element) { return InsertCopy(index, element); }

void CStdArray::RemoveAt(int index) {
    if (index >= 0 && index < count) Remove(GetAt(index));
}

void* CStdArray::InsertSized(void* before) {
    if (!data || count >= kMaxCount || elemSize < 0) return nullptr;
    const auto* b = static_cast<const std::uint8_t*>(before);
    if (b != data + byteSize && !Inside(b, data, byteSize)) return nullptr;
    const std::uint32_t offset = std::uint32_t(b - data);
    if (!SetByteSize(byteSize + std::uint32_t(elemSize))) return nullptr;
    std::uint8_t* p = data + offset;
    if (byteSize > offset) std::memmove(p + elemSize, p, byteSize - offset);
    if (elemSize > 0) std::memset(p, 0, std::size_t(elemSize));
    count += 1;
    byteSize += std::uint32_t(elemSize);
    return p;
}

void* CStdArray::GetAt(int n) {
    if (!data) return nullptr;
    if (n < 0 || n > count) return nullptr;  // past the end: nothing, never element 0
    return data + std::ptrdiff_t(n) * elemSize;
}

void CStdArray::CopyOut(int n, void* buffer) {
    if (n < 0 || n >= count) return;
    void* e = GetAt(n);
    const int size = ElemSize(e);
    if (size > 0) std::memcpy(buffer, e, std::size_t(size));
}

int CStdArray::GetCount() { return count; }
void CStdArray::SetCount(int n) { count = std::int16_t(n); }
std::uint32_t CStdArray::GetByteSize() { return byteSize; }
int CStdArray::GetElementSize() { return elemSize; }
void CStdArray::SetElemSize(int size) { elemSize = std::int16_t(size); }
void* CStdArray::GetData() { return data; }

bool CStdArray::SetByteSize(std::uint32_t n) {
    if (!block) {
        block = AllocHandle(n);
        if (!block) return false;
        data = static_cast<std::uint8_t*>(LockHandle(block));
        return true;
    }
    UnlockHandle(block);
    const int rc = ResizeHandle(&block, n);
    data = static_cast<std::uint8_t*>(LockHandle(block));
    return rc == 0;
}

bool CStdArray::Replace(int index, const void* element) {
    if (!InsertAt(index, element)) return false;
    RemoveAt(index + 1);
    return true;
}

bool CStdArray::SetSize(int n) {
    if (n < 0 || elemSize < 0) return false;
    const std::uint32_t bytes = std::uint32_t(n) * std::uint32_t(elemSize);
    if (!SetByteSize(bytes)) return false;
    byteSize = bytes;
    return true;
}

int CStdArray::ElemSize(const void*) { return elemSize; }

// --- raw form ---------------------------------------------------------------------------------

void CStdArray::LoadRaw(CFile& file) {
    ReadRawHead(file);
    ReadRawBody(file);
}

void CStdArray::ReadRawHead(CFile& file) {
    std::uint8_t head[12];
    if (file.Read(head, sizeof head) < sizeof head) ThrowEndOfFile(file);
    const auto size = std::int16_t(GetLE16(head + 4));
    const auto n = std::int16_t(GetLE16(head + 6));
    const std::uint32_t bytes = GetLE32(head + 8);
    if (size < 0 || n < 0) ThrowDamaged(file);
    if (bytes > BytesLeft(file)) ThrowEndOfFile(file);
    elemSize = size;
    count = n;
    byteSize = bytes;
}

void CStdArray::ReadRawBody(CFile& file) {
    const auto drop = [this] {
        count = 0;
        byteSize = 0;
    };
    if (std::uint64_t(std::max<int>(elemSize, 0)) * std::uint64_t(std::max<int>(count, 0)) != byteSize) {
        drop();
        ThrowDamaged(file);
    }
    if (byteSize == 0) return;
    if (!SetByteSize(byteSize)) {
        drop();
        ThrowOutOfMemory();
    }
    if (file.Read(data, byteSize) < byteSize) {
        drop();
        ThrowEndOfFile(file);
    }
}

void CStdArray::SaveRaw(CFile& file, std::uint32_t word) {
    WriteRawHead(file, word);
    WriteRawBody(file);
}

void CStdArray::WriteRawHead(CFile& file, std::uint32_t word) {
    std::uint8_t head[12];
    PutLE32(head, word);
    PutLE16(head + 4, std::uint16_t(elemSize));
    PutLE16(head + 6, std::uint16_t(count));
    PutLE32(head + 8, byteSize);
    file.Write(head, sizeof head);
}

void CStdArray::WriteRawBody(CFile& file) {
    if (byteSize > 0) file.Write(data, byteSize);
}

// --- copies -----------------------------------------------------------------------------------

bool CStdArray::CopyTo(CStdArray* other) {
    if (!other) return false;
    if (other == this) return true;
    try {
        other->AssignObject(*this);
    } catch (const CMemoryException&) {
        return false;
    }
    return true;
}

CStdArray* CStdArray::Clone() {
    try {
        return NewObjectCopy();
    } catch (const CMemoryException&) {
        return nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// --- walks ------------------------------------------------------------------------------------

void CStdArray::ForEach(ElementFn fn) {
    for (int i = 0; i < count; ++i) fn(GetAt(i));
}

void CStdArray::ForEachArg(ElementArgFn fn, void* arg) {
    for (int i = 0; i < count; ++i) fn(GetAt(i), arg);
}

void* CStdArray::FirstThat(ElementTest test) {
    for (int i = 0; i < count; ++i) {
        void* e = GetAt(i);
        if (test(e)) return e;
    }
    return nullptr;
}

void* CStdArray::FirstThatArg(ElementArgTest test, void* arg) {
    for (int i = 0; i < count; ++i) {
        void* e = GetAt(i);
        if (test(e, arg)) return e;
    }
    return nullptr;
}

std::uint32_t CStdArray::ObjectSize() { return sizeof(CStdArray); }

// --- chunk form -------------------------------------------------------------------------------

void CStdArray::Read(CChunkStream& stream, std::uint32_t tag) {
    // An empty chunk holds no count word (the stream would otherwise read the next chunk's bytes).
    const std::uint32_t length = stream.BeginReadChunk(tag);
    const std::uint16_t n = length > 0 ? stream.ReadWord() : 0;
    if (n > kMaxCount) {
        stream.EndReadChunk();
        AfxThrowArchiveException(CArchiveException::badIndex,
                                 stream.GetFile() ? stream.GetFile()->GetFilePath().c_str() : nullptr);
    }
    const std::uint32_t bytes = std::uint32_t(std::max<int>(elemSize, 0)) * n;
    if (!SetByteSize(bytes)) {
        stream.EndReadChunk();
        ThrowOutOfMemory();
    }
    count = std::int16_t(n);
    byteSize = bytes;
    // What the chunk does not hold stays zero.
    if (bytes > 0) std::memset(data, 0, bytes);
    try {
        for (int i = 0; i < GetCount(); ++i) ReadElement(stream, i);
    } catch (...) {
        // A damaged element: the array keeps nothing of the chunk.
        stream.EndReadChunk();
        count = 0;
        byteSize = 0;
        throw;
    }
    stream.EndReadChunk();
}

void CStdArray::ReadElement(CChunkStream& stream, int n) {
    if (elemSize > 0) stream.ReadBytes(GetAt(n), std::uint32_t(elemSize));
}

void CStdArray::Write(CChunkStream& stream, std::uint32_t tag) {
    stream.BeginChunk(tag, -1);
    stream.WriteWord(count);
    for (int i = 0; i < GetCount(); ++i) WriteElement(stream, i);
    stream.EndChunk(-1);
}

void CStdArray::WriteElement(CChunkStream& stream, int n) {
    if (elemSize > 0) stream.WriteBytes(GetAt(n), std::uint32_t(elemSize));
}

// --- devices and patches ----------------------------------------------------------------------

namespace {

// Reads a stored word over a host-order 16-bit field (left as it was past the chunk's end).
void ReadWordField(CChunkStream& stream, std::uint8_t* field) {
    std::uint16_t v;
    std::memcpy(&v, field, 2);
    stream.ReadWordTo(&v);
    std::memcpy(field, &v, 2);
}

void WriteWordField(CChunkStream& stream, const std::uint8_t* field) {
    std::uint16_t v;
    std::memcpy(&v, field, 2);
    stream.WriteWord(v);
}

std::string_view FieldText(const std::uint8_t* field, std::size_t size) {
    const char* s = reinterpret_cast<const char*>(field);
    return std::string_view(s, strnlen(s, size));
}

}  // namespace

void CDeviceArray::ReadElement(CChunkStream& stream, int n) {
    if (GetElementSize() < kElementSize) return CStdArray::ReadElement(stream, n);
    auto* e = static_cast<std::uint8_t*>(GetAt(n));
    ReadWordField(stream, e);
    std::uint8_t* name = e + kNameOffset;
    std::memset(name, 0, kNameSize);
    const FileVersion& v = g_platform.fileVersion;
    if (v.version < 0x410 || (v.version == 0x410 && v.minor < 2)) {
        stream.ReadBytes(name, v.version < 0x400 ? 32 : kNameSize);
        name[kNameSize - 1] = 0;
    } else {
        stream.ReadString(reinterpret_cast<char*>(name), kNameSize);
    }
}

void CDeviceArray::WriteElement(CChunkStream& stream, int n) {
    if (GetElementSize() < kElementSize) return CStdArray::WriteElement(stream, n);
    const auto* e = static_cast<const std::uint8_t*>(GetAt(n));
    WriteWordField(stream, e);
    stream.WriteString(FieldText(e + kNameOffset, kNameSize));
}

void CPatchArray::ReadElement(CChunkStream& stream, int n) {
    if (GetElementSize() < kElementSize) return CStdArray::ReadElement(stream, n);
    auto* e = static_cast<std::uint8_t*>(GetAt(n));
    ReadWordField(stream, e);
    ReadWordField(stream, e + 2);
    ReadWordField(stream, e + kPortOffset);
    stream.ReadBytes(e + kChannelOffset, 2);
    stream.ReadString(reinterpret_cast<char*>(e + kNameOffset), kNameSize);
    ReadWordField(stream, e + kDataLengthOffset);
    std::uint16_t length;
    std::memcpy(&length, e + kDataLengthOffset, 2);
    if (length > kDataSize) {
        std::memset(e + kDataLengthOffset, 0, 2);
        AfxThrowArchiveException(CArchiveException::badIndex,
                                 stream.GetFile() ? stream.GetFile()->GetFilePath().c_str() : nullptr);
    }
    stream.ReadBytes(e + kDataOffset, length);
    if (length % 2 != 0) stream.ReadByte();
}

void CPatchArray::WriteElement(CChunkStream& stream, int n) {
    if (GetElementSize() < kElementSize) return CStdArray::WriteElement(stream, n);
    const auto* e = static_cast<const std::uint8_t*>(GetAt(n));
    WriteWordField(stream, e);
    WriteWordField(stream, e + 2);
    WriteWordField(stream, e + kPortOffset);
    stream.WriteBytes(e + kChannelOffset, 2);
    stream.WriteString(FieldText(e + kNameOffset, kNameSize));
    std::uint16_t length;
    std::memcpy(&length, e + kDataLengthOffset, 2);
    length = std::min<std::uint16_t>(length, kDataSize);
    stream.WriteWord(length);
    stream.WriteBytes(e + kDataOffset, length);
    if (length % 2 != 0) stream.WriteByte(0);
}
