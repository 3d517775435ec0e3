// The buffered chunk stream over a CFile: every stored number is big-endian, data is grouped
// in chunks (an optional 4-character tag, a 32-bit length and an optional 16-bit version or
// count word), and a chunk is built or loaded whole in one growable buffer.
//
// Writing: a chunk is built in the buffer and reaches the file only at EndChunk, after its
// length (and version word) has been patched in.
// Reading: BeginReadChunk loads the whole chunk; reads inside it never touch the file, and
// reads past its end do nothing (a variable read into keeps its value, a returning read gives 0).
// Outside a chunk, each read takes its bytes straight from the file.
//
// The stream never trusts a length from the file: a chunk longer than what the file still
// holds, or a file that gives fewer bytes than asked, raises CFileException (endOfFile).
#pragma once
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/FontRef.h"
#include "platform/Handles.h"

class CFile;

// A chunk tag from its four characters in reading order ("MEAS"); 0 means no tag.
constexpr std::uint32_t MakeChunkTag(const char (&s)[5]) {
    return (std::uint32_t(std::uint8_t(s[0])) << 24) | (std::uint32_t(std::uint8_t(s[1])) << 16) |
           (std::uint32_t(std::uint8_t(s[2])) << 8) | std::uint32_t(std::uint8_t(s[3]));
}

template <typename T>
concept ChunkByte = std::integral<T> && sizeof(T) == 1;
template <typename T>
concept ChunkWord = std::integral<T> && sizeof(T) == 2;
template <typename T>
concept ChunkLong = std::integral<T> && sizeof(T) == 4;

class CChunkStream {
public:
    static constexpr std::uint32_t kBufferStep = 8196;

    CChunkStream();
    // Writes what is buffered outside a chunk; a chunk that was begun and never ended is
    // dropped (its length was never patched in).
    ~CChunkStream();
    CChunkStream(const CChunkStream&) = delete;
    CChunkStream& operator=(const CChunkStream&) = delete;

    void SetFile(CFile* f) { file = f; }
    CFile* GetFile() const { return file; }
    // Flushes and moves the file position. From the current position, the offset counts from
    // the logical read position (the bytes still buffered are given back first); a chunk being
    // read is left.
    std::int64_t Seek(std::int64_t offset, unsigned from);

    // --- chunks ---
    // tag 0: untagged; version -1: no version word (else its value or a placeholder).
    void BeginChunk(std::uint32_t tag, int version);
    // version -1 leaves the version word as written.
    void EndChunk(int version);
    // tag 0 when no tag precedes the length. Returns the chunk's length.
    std::uint32_t BeginReadChunk(std::uint32_t tag);
    void EndReadChunk();

    // --- writing ---
    void WriteByte(std::uint8_t b);
    void WriteByteValue(int v) { WriteByte(std::uint8_t(v)); }
    void WriteBytes(const void* p, std::uint32_t n);
    void WriteRaw(const void* p, std::uint32_t n) { WriteBytes(p, n); }
    void WriteWord(int v);
    void WriteCoord(int v) { WriteWord(v / 5); }
    template <ChunkWord T>
    void WriteWords(const T* p, int n) {
        for (int i = 0; i < n; ++i) WriteWord(p[i]);
    }
    template <ChunkWord T>
    void WriteCoords(const T* p, int n) {
        for (int i = 0; i < n; ++i) WriteCoord(p[i]);
    }
    void WriteLong(std::uint32_t v);
    void WriteLongCoord(std::int32_t v) { WriteLong(std::uint32_t(v / 5)); }
    template <ChunkLong T>
    void WriteLongs(const T* p, int n) {
        for (int i = 0; i < n; ++i) WriteLong(std::uint32_t(p[i]));
    }
    template <ChunkLong T>
    void WriteLongCoords(const T* p, int n) {
        for (int i = 0; i < n; ++i) WriteLongCoord(std::int32_t(p[i]));
    }
    template <ChunkLong T>
    void WriteLongPair(const T* p) { WriteLongs(p, 2); }
    template <ChunkLong T>
    void WriteLongQuad(const T* p) { WriteLongs(p, 4); }
    void WriteFontRef(const FontRef& ref);
    // Length byte, the bytes, and a 0 pad when the length is even. A text longer than 255
    // bytes is cut to 255 without splitting a double-byte character.
    void WriteString(std::string_view text);
    void WriteString(const char* text) { WriteString(text ? std::string_view(text) : std::string_view()); }
    // The tag's four characters in reading order.
    void WriteTag(std::uint32_t tag);

    // --- reading ---
    std::uint8_t ReadByte() {
        std::uint8_t b = 0;
        Take(&b, 1);
        return b;
    }
    template <ChunkByte T>
    void ReadByteTo(T* p) {
        std::uint8_t b;
        if (Take(&b, 1)) *p = T(b);
    }
    // Copies what the chunk still holds, at most n bytes; the rest of p is left unchanged.
    void ReadBytes(void* p, std::uint32_t n);
    void ReadRaw(void* p, std::uint32_t n) { ReadBytes(p, n); }
    std::uint16_t ReadWord() {
        std::uint16_t v = 0;
        TakeWord(&v);
        return v;
    }
    template <ChunkWord T>
    void ReadWordTo(T* p) {
        std::uint16_t v;
        if (TakeWord(&v)) *p = T(v);
    }
    template <ChunkWord T>
    void ReadWords(T* p, int n) {
        for (int i = 0; i < n; ++i) ReadWordTo(p + i);
    }
    // The stored word (signed) times 5.
    std::int32_t ReadCoord();
    template <ChunkWord T>
    void ReadCoordTo(T* p) {
        std::uint16_t v;
        if (TakeWord(&v)) *p = T(std::int16_t(v) * 5);
    }
    // Nothing at all when the chunk is already at its end.
    template <ChunkWord T>
    void ReadCoords(T* p, int n) {
        if (AtChunkEnd()) return;
        for (int i = 0; i < n; ++i) ReadCoordTo(p + i);
    }
    std::uint32_t ReadLong();
    template <ChunkLong T>
    void ReadLongTo(T* p) {
        std::uint32_t v;
        if (TakeLong(&v)) *p = T(v);
    }
    template <ChunkLong T>
    void ReadLongs(T* p, int n) {
        for (int i = 0; i < n; ++i) ReadLongTo(p + i);
    }
    template <ChunkLong T>
    void ReadLongPair(T* p) { ReadLongs(p, 2); }
    template <ChunkLong T>
    void ReadLongQuad(T* p) { ReadLongs(p, 4); }
    // Four raw bytes (the tag's characters in reading order).
    void ReadTag(void* p) { ReadBytes(p, 4); }
    // The tag as MakeChunkTag gives it; 0 past a chunk's end.
    std::uint32_t ReadTagValue();
    // Between chunks: the tag of the chunk that comes next, as MakeChunkTag gives it, without
    // moving on; 0 when fewer than four bytes are left (or inside a chunk).
    std::uint32_t PeekTag();
    // Two words, the style byte; the pad byte is skipped. Nothing at all at a chunk's end.
    void ReadFontRef(FontRef* ref);
    // A stored string into dest (size bytes, terminator included), cut so that no double-byte
    // character is split; the stream stands after the stored string and its pad. With nothing
    // left in the chunk, dest is left as it was.
    void ReadString(char* dest, std::size_t size);

    // State, for tests and callers that check where they stand.
    bool InChunk() const { return inChunk != 0; }
    std::uint32_t Unread() const { return unread; }
    std::uint32_t Written() const { return written; }
    std::uint32_t Capacity() const { return buffer.size; }
    std::uint32_t ReadLength() const { return readLength; }
    // What the file still holds after the logical read position (bytes still buffered count
    // as not yet read).
    std::uint64_t LeftInFile() const;

private:
    // Writes the buffered bytes to the file and empties the buffer.
    void Flush();
    // Loads n bytes from the file at the buffer's start.
    void Fill(std::uint32_t n);
    // Grows the buffer in steps until n more bytes fit with one to spare.
    void EnsureRoom(std::uint32_t n);
    // True when n bytes were copied to dst (refill rule: nothing past a chunk's end; outside a
    // chunk the bytes come from the file). A value wider than what the chunk holds is taken as
    // past the end.
    bool Take(void* dst, std::uint32_t n) {
        // The bytes at hand in the buffer need neither the refill rule nor a call.
        if (unread != 0 && unread >= n) {
            std::memcpy(dst, readPtr, n);
            readPtr += n;
            unread -= n;
            return true;
        }
        return TakeRefilling(dst, n);
    }
    bool TakeRefilling(void* dst, std::uint32_t n);
    bool TakeWord(std::uint16_t* v) {
        std::uint8_t b[2];
        if (!Take(b, 2)) return false;
        *v = std::uint16_t((b[0] << 8) | b[1]);
        return true;
    }
    bool TakeLong(std::uint32_t* v);
    // Copies up to n bytes (fewer when the chunk ends first); returns how many.
    std::uint32_t TakeUpTo(void* dst, std::uint32_t n);
    bool AtChunkEnd() const { return inChunk && unread == 0; }
    void ReadFromFile(void* dst, std::uint32_t n);
    void ResizeBuffer(std::uint32_t n);

    HandleBuffer buffer;
    std::uint8_t inChunk = 0;
    std::uint8_t* base = nullptr;
    std::uint8_t* readPtr = nullptr;
    std::uint8_t* writePtr = nullptr;
    std::uint32_t unread = 0;
    std::uint32_t written = 0;
    std::uint32_t openTag = 0;
    std::uint32_t readLength = 0;
    CFile* file = nullptr;
};

// --- flag bytes stored with their one-bit flags in mirrored order ---------------------------
// For N mirrored flags: stored = (low N bits reversed into the top N bits) | (memory >> N);
// memory = (top N bits reversed into the low N bits) | (stored << N). The value form is the
// memory-to-file form.
std::uint8_t MirrorBits8(std::uint8_t v);
void MirrorBits8ToFile(std::uint8_t* p);
void MirrorBits8FromFile(std::uint8_t* p);
std::uint8_t MirrorBits6(std::uint8_t v);
void MirrorBits6ToFile(std::uint8_t* p);
void MirrorBits6FromFile(std::uint8_t* p);
std::uint8_t MirrorBits5(std::uint8_t v);
void MirrorBits5ToFile(std::uint8_t* p);
void MirrorBits5FromFile(std::uint8_t* p);
std::uint8_t MirrorBits4(std::uint8_t v);
void MirrorBits4ToFile(std::uint8_t* p);
void MirrorBits4FromFile(std::uint8_t* p);
