#include "platform/Handles.h"

#include <cstring>
#include <new>

#include "framework/Exceptions.h"
#include "framework/Memory.h"
#include "platform/PlatformGlobals.h"

void* AllocBlock(std::size_t n) { return ::operator new(n, std::nothrow); }
void FreeBlock(void* p) { ::operator delete(p); }

HGLOBAL AllocHandle(std::uint32_t n) { return GlobalAlloc(GMEM_MOVEABLE, n); }

int ResizeHandle(HGLOBAL* handle, std::uint32_t n) {
    if (n == 0) return 0;
    HGLOBAL h = GlobalReAlloc(*handle, n, GMEM_MOVEABLE);
    if (h == 0) return kErrOutOfMemory;
    *handle = h;
    return 0;
}

void FreeHandle(HGLOBAL handle) {
    if (handle) GlobalFree(handle);
}

void* LockHandle(HGLOBAL handle) { return GlobalLock(handle); }
void UnlockHandle(HGLOBAL handle) { GlobalUnlock(handle); }
std::uint32_t GetHandleSize(HGLOBAL handle) { return std::uint32_t(GlobalSize(handle)); }

// A lock taken and given back at once leaves the block as it was: the address is all it
// gives, read without the table's mutex (the records are the user-interface thread's own).
void* DerefHandle(HGLOBAL handle) { return fw::GlobalAddress(handle); }

HGLOBAL AllocHandleAfter(HGLOBAL after, std::uint32_t n, std::uint32_t room) { return fw::GlobalAllocAfter(after, n, room); }

void HandleBuffer::Init() {
    count = 0;
    size = 0;
    handle = 0;
}

void HandleBuffer::Free() {
    FreeHandle(handle);
    handle = 0;
}

void HandleBuffer::Clear() {
    FreeHandle(handle);
    Init();
}

void HandleBuffer::Reset() {
    count = 0;
    Resize(0, false);
}

bool HandleBuffer::Append(const void* bytes, std::uint32_t n) {
    std::uint32_t at;
    if (handle) {
        UnlockHandle(handle);
        if (ResizeHandle(&handle, size + n) != 0) {
            LockHandle(handle);
            return false;
        }
        at = size;
    } else {
        handle = AllocHandle(n);
        if (!handle) return false;
        size = 0;
        at = 0;
    }
    auto* base = static_cast<std::uint8_t*>(LockHandle(handle));
    if (n) std::memcpy(base + at, bytes, n);
    size += n;
    count += 1;
    return true;
}

bool HandleBuffer::AppendRecord(const void* record) {
    std::uint16_t n;
    std::memcpy(&n, static_cast<const std::uint8_t*>(record) + 4, 2);
    return Append(record, n);
}

void* HandleBuffer::InsertBytes(void* at, const void* bytes, std::uint32_t n) {
    if (!handle) return nullptr;
    auto* base = static_cast<std::uint8_t*>(DerefHandle(handle));
    std::uint32_t offset = std::uint32_t(static_cast<std::uint8_t*>(at) - base);
    if (offset > size) return nullptr;
    UnlockHandle(handle);
    if (ResizeHandle(&handle, size + n) != 0) {
        LockHandle(handle);
        return nullptr;
    }
    base = static_cast<std::uint8_t*>(DerefHandle(handle));
    std::memmove(base + offset + n, base + offset, size - offset);
    if (bytes) std::memcpy(base + offset, bytes, n);
    count += 1;
    size += n;
    return base + offset;
}

void* HandleBuffer::GetData() const { return handle ? DerefHandle(handle) : nullptr; }

void* HandleBuffer::Resize(std::uint32_t n, bool zeroFill) {
    if (handle) {
        UnlockHandle(handle);
        if (ResizeHandle(&handle, n) != 0) {
            LockHandle(handle);
            return nullptr;
        }
    } else {
        handle = AllocHandle(n);
        if (!handle) return nullptr;
    }
    void* p = LockHandle(handle);
    if (zeroFill && n) std::memset(p, 0, n);
    size = n;
    return p;
}

void ThrowOutOfMemory() {
    g_platform.errorCode = kErrOutOfMemory;
    AfxThrowMemoryException();
}

void ThrowErrorCode(int code) {
    if (code == 0) return;
    g_platform.errorCode = std::uint16_t(code);
    AfxThrowUserException();
}

std::uint16_t GetErrorCode() { return g_platform.errorCode; }
void SetErrorCode(std::uint16_t code) { g_platform.errorCode = code; }
