// Relocatable memory handles, the growable HandleBuffer, and the coded failures.
#pragma once
#include <cstddef>
#include <cstdint>

#include "framework/Types.h"

// Error codes carried by the failures below.
enum : std::uint16_t {
    kErrOutOfMemory = 100,
    kErrWrongMagic = 101,
    kErrNewerVersion = 103,
};

void* AllocBlock(std::size_t n);
void FreeBlock(void* p);

HGLOBAL AllocHandle(std::uint32_t n);
// n = 0 does nothing and returns 0 (the block keeps its size). Otherwise 0 on success (the
// handle may name a moved block) or 100 with the handle unchanged.
int ResizeHandle(HGLOBAL* handle, std::uint32_t n);
void FreeHandle(HGLOBAL handle);
void* LockHandle(HGLOBAL handle);
void UnlockHandle(HGLOBAL handle);
std::uint32_t GetHandleSize(HGLOBAL handle);
// Locks and at once unlocks, returning the address of a block its owner keeps locked.
void* DerefHandle(HGLOBAL handle);
// A new block behind `after` in its shared run, or the first of a new run of `room` bytes:
// fw::GlobalAllocAfter.
HGLOBAL AllocHandleAfter(HGLOBAL after, std::uint32_t n, std::uint32_t room);

// A growable byte buffer on one handle.
class HandleBuffer {
public:
    HandleBuffer() { Init(); }
    void Init();
    void Free();
    void Clear();
    void Reset();
    // Appends n bytes; false when the block cannot grow (then nothing changed).
    bool Append(const void* bytes, std::uint32_t n);
    // Appends one score record as it lies in memory (its 16-bit size at byte 4).
    bool AppendRecord(const void* record);
    // Opens n bytes at `at` inside the buffer; returns the gap, null when the block cannot grow.
    void* InsertBytes(void* at, const void* bytes, std::uint32_t n);
    void* GetData() const;
    std::uint32_t GetCount() const { return count; }
    std::uint32_t GetSize() const { return size; }
    HGLOBAL GetHandle() const { return handle; }
    // Makes the buffer n bytes (the capacity); null when that fails.
    void* Resize(std::uint32_t n, bool zeroFill);

    std::uint32_t count;
    std::uint32_t size;
    HGLOBAL handle;
};

// Sets the error code to 100 and raises the memory exception.
[[noreturn]] void ThrowOutOfMemory();
// When code is not 0: sets the error code and raises the user exception; 0 returns.
void ThrowErrorCode(int code);
// The error code that the last coded failure set.
std::uint16_t GetErrorCode();
void SetErrorCode(std::uint16_t code);
