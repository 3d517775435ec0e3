#include "platform/ChunkStream.h"

#include <algorithm>
#include <cstring>

#include "framework/CodePage.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "platform/PortLayer.h"

namespace {

void PutLongAt(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}

std::uint32_t GetLongAt(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

[[noreturn]] void ThrowEndOfFile(const CFile* file) {
    AfxThrowFileException(CFileException::endOfFile, -1, file ? file->GetFilePath().c_str() : nullptr);
}

}  // namespace

CChunkStream::CChunkStream() {
    ResizeBuffer(kBufferStep);
    readPtr = base;
    writePtr = base;
}

CChunkStream::~CChunkStream() {
    if (!inChunk && written > 0) {
        try {
            Flush();
        } catch (...) {
            // A destructor cannot report a failed write; the caller's own write paths do.
        }
    }
    buffer.Free();
}

void CChunkStream::ResizeBuffer(std::uint32_t n) {
    void* p = buffer.Resize(n, false);
    if (!p) ThrowOutOfMemory();
    base = static_cast<std::uint8_t*>(p);
}

std::int64_t CChunkStream::Seek(std::int64_t offset, unsigned from) {
    const std::uint32_t buffered = unread;
    const bool reading = buffered > 0 || (inChunk && written == 0);
    Flush();
    if (from == CFile::current && buffered > 0)
        file->Seek(std::int64_t(file->GetPosition()) - std::int64_t(buffered), CFile::begin);
    std::int64_t pos = file->Seek(offset, from);
    if (reading) {
        inChunk = 0;
        readLength = 0;
        readPtr = base;
    }
    return pos;
}

std::uint64_t CChunkStream::LeftInFile() const {
    if (!file) return 0;
    const std::uint64_t length = file->GetLength();
    const std::uint64_t at = file->GetPosition() - std::min<std::uint64_t>(file->GetPosition(), unread);
    return length - std::min(length, at);
}

// --- chunks ---------------------------------------------------------------------------------

void CChunkStream::Flush() {
    if (written > 0 && file) file->Write(base, written);
    unread = 0;
    written = 0;
    writePtr = base;
}

void CChunkStream::EnsureRoom(std::uint32_t n) {
    while (std::uint64_t(written) + n >= buffer.size) ResizeBuffer(buffer.size + kBufferStep);
    writePtr = base + written;
}

void CChunkStream::BeginChunk(std::uint32_t tag, int version) {
    inChunk = 1;
    Flush();
    if (buffer.size < kBufferStep) ResizeBuffer(kBufferStep);
    written = 0;
    writePtr = base;
    openTag = tag;
    if (tag != 0) WriteTag(tag);
    WriteLong(0);
    if (version != -1) WriteWord(version);
}

void CChunkStream::EndChunk(int version) {
    if (openTag != 0) {
        if (written >= 8) PutLongAt(base + 4, written - 8);
    } else if (written >= 4) {
        PutLongAt(base, written - 4);
    }
    if (version != -1 && written >= 10) {
        base[8] = std::uint8_t(version >> 8);
        base[9] = std::uint8_t(version);
    }
    Flush();
    inChunk = 0;
}

void CChunkStream::ReadFromFile(void* dst, std::uint32_t n) {
    if (!file || file->Read(dst, n) < n) ThrowEndOfFile(file);
}

std::uint32_t CChunkStream::BeginReadChunk(std::uint32_t tag) {
    unread = 0;
    readPtr = base;
    inChunk = 0;
    readLength = 0;
    std::uint8_t head[4];
    if (tag != 0) ReadFromFile(head, 4);  // the caller has already decided what it reads
    ReadFromFile(head, 4);
    const std::uint32_t length = GetLongAt(head);
    Fill(length);
    readLength = length;
    inChunk = length > 0;
    return length;
}

void CChunkStream::EndReadChunk() {
    unread = 0;
    readPtr = base;
    inChunk = 0;
    readLength = 0;
}

void CChunkStream::Fill(std::uint32_t n) {
    unread = 0;
    readPtr = base;
    // Never allocate or read for more than the file still holds.
    const std::uint64_t left = file ? file->GetLength() - std::min(file->GetLength(), file->GetPosition()) : 0;
    if (n > left) ThrowEndOfFile(file);
    AnimateWaitCursor();
    if (buffer.size < n) ResizeBuffer(n);
    if (n > 0) ReadFromFile(base, n);
    unread = n;
    readPtr = base;
}

// --- writing --------------------------------------------------------------------------------

void CChunkStream::WriteByte(std::uint8_t b) {
    EnsureRoom(1);
    *writePtr++ = b;
    written += 1;
}

void CChunkStream::WriteBytes(const void* p, std::uint32_t n) {
    EnsureRoom(n);
    if (n) std::memcpy(writePtr, p, n);
    writePtr += n;
    written += n;
}

void CChunkStream::WriteWord(int v) {
    EnsureRoom(2);
    writePtr[0] = std::uint8_t(v >> 8);
    writePtr[1] = std::uint8_t(v);
    writePtr += 2;
    written += 2;
}

void CChunkStream::WriteLong(std::uint32_t v) {
    EnsureRoom(4);
    PutLongAt(writePtr, v);
    writePtr += 4;
    written += 4;
}

void CChunkStream::WriteFontRef(const FontRef& ref) {
    WriteWord(ref.face);
    WriteWord(ref.size);
    WriteByte(ref.style);
    WriteByte(0);
}

void CChunkStream::WriteString(std::string_view text) {
    const std::size_t n = text.size() > 255 ? fw::FitBytes(text, 255) : text.size();
    WriteByte(std::uint8_t(n));
    WriteBytes(text.data(), std::uint32_t(n));
    if (n % 2 == 0) WriteByte(0);
}

void CChunkStream::WriteTag(std::uint32_t tag) { WriteLong(tag); }

// --- reading --------------------------------------------------------------------------------

bool CChunkStream::TakeRefilling(void* dst, std::uint32_t n) {
    if (unread == 0) {
        if (inChunk) return false;
        Fill(n);
    }
    if (unread < n) return false;
    std::memcpy(dst, readPtr, n);
    readPtr += n;
    unread -= n;
    return true;
}

bool CChunkStream::TakeLong(std::uint32_t* v) {
    std::uint8_t b[4];
    if (!Take(b, 4)) return false;
    *v = GetLongAt(b);
    return true;
}

std::uint32_t CChunkStream::TakeUpTo(void* dst, std::uint32_t n) {
    if (n == 0) return 0;
    if (unread == 0) {
        if (inChunk) return 0;
        Fill(n);
    }
    const std::uint32_t k = std::min(n, unread);
    std::memcpy(dst, readPtr, k);
    readPtr += k;
    unread -= k;
    return k;
}

void CChunkStream::ReadBytes(void* p, std::uint32_t n) { TakeUpTo(p, n); }

std::int32_t CChunkStream::ReadCoord() {
    std::uint16_t v = 0;
    if (!TakeWord(&v)) return 0;
    return std::int32_t(std::int16_t(v)) * 5;
}

std::uint32_t CChunkStream::ReadLong() {
    std::uint32_t v = 0;
    TakeLong(&v);
    return v;
}

std::uint32_t CChunkStream::ReadTagValue() { return ReadLong(); }

std::uint32_t CChunkStream::PeekTag() {
    if (inChunk || !file) return 0;
    const std::uint64_t length = file->GetLength();
    if (length - std::min(length, file->GetPosition()) < 4) return 0;
    std::uint8_t head[4];
    ReadFromFile(head, 4);
    file->Seek(-4, CFile::current);
    return GetLongAt(head);
}

void CChunkStream::ReadFontRef(FontRef* ref) {
    if (AtChunkEnd()) return;
    ReadWordTo(&ref->face);
    ReadWordTo(&ref->size);
    ReadByteTo(&ref->style);
    std::uint8_t pad;
    Take(&pad, 1);
}

void CChunkStream::ReadString(char* dest, std::size_t size) {
    std::uint8_t n;
    if (!Take(&n, 1)) return;
    char scratch[256];
    const std::uint32_t got = TakeUpTo(scratch, n);
    if (dest && size > 0) {
        // Only what the chunk really held, cut to the buffer on a character boundary.
        const std::size_t k = fw::FitBytes(std::string_view(scratch, got), size - 1);
        std::memcpy(dest, scratch, k);
        dest[k] = 0;
    }
    if (n % 2 == 0) {
        std::uint8_t pad;
        Take(&pad, 1);
    }
}

// --- mirrored flag bytes --------------------------------------------------------------------

namespace {

std::uint8_t MirrorToFile(std::uint8_t m, int n) {
    unsigned r = 0;
    for (int i = 0; i < n; ++i)
        if (m & (1u << i)) r |= 0x80u >> i;
    if (n < 8) r |= unsigned(m) >> n;
    return std::uint8_t(r);
}

std::uint8_t MirrorFromFile(std::uint8_t f, int n) {
    unsigned r = 0;
    for (int i = 0; i < n; ++i)
        if (f & (0x80u >> i)) r |= 1u << i;
    if (n < 8) r |= (unsigned(f) << n) & 0xFFu;
    return std::uint8_t(r);
}

}  // namespace

std::uint8_t MirrorBits8(std::uint8_t v) { return MirrorToFile(v, 8); }
void MirrorBits8ToFile(std::uint8_t* p) { *p = MirrorToFile(*p, 8); }
void MirrorBits8FromFile(std::uint8_t* p) { *p = MirrorFromFile(*p, 8); }
std::uint8_t MirrorBits6(std::uint8_t v) { return MirrorToFile(v, 6); }
void MirrorBits6ToFile(std::uint8_t* p) { *p = MirrorToFile(*p, 6); }
void MirrorBits6FromFile(std::uint8_t* p) { *p = MirrorFromFile(*p, 6); }
std::uint8_t MirrorBits5(std::uint8_t v) { return MirrorToFile(v, 5); }
void MirrorBits5ToFile(std::uint8_t* p) { *p = MirrorToFile(*p, 5); }
void MirrorBits5FromFile(std::uint8_t* p) { *p = MirrorFromFile(*p, 5); }
std::uint8_t MirrorBits4(std::uint8_t v) { return MirrorToFile(v, 4); }
void MirrorBits4ToFile(std::uint8_t* p) { *p = MirrorToFile(*p, 4); }
void MirrorBits4FromFile(std::uint8_t* p) { *p = MirrorFromFile(*p, 4); }
