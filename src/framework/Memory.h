// Relocatable memory blocks addressed by 32-bit handle ids.
//
// A block is found through its handle; Lock gives its current address, which stays valid
// until the block is resized or freed. A resize may move the block. Allocation failure can
// be injected for tests.
#pragma once
#include "Types.h"

namespace fw {

enum : UINT {
    GMEM_FIXED = 0x0000,
    GMEM_MOVEABLE = 0x0002,
    GMEM_ZEROINIT = 0x0040,
    GHND = GMEM_MOVEABLE | GMEM_ZEROINIT,
};

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
// Returns the handle (the same id) on success, 0 on failure with the block untouched.
HGLOBAL GlobalReAlloc(HGLOBAL h, std::size_t bytes, UINT flags);
void* GlobalLock(HGLOBAL h);
bool GlobalUnlock(HGLOBAL h);
// The block's current address (null for a stale or foreign id) without taking the table's
// mutex and without counting a lock: only for a block the calling thread owns and no other
// thread resizes or frees meanwhile. Every other call here takes the mutex.
void* GlobalAddress(HGLOBAL h);
std::size_t GlobalSize(HGLOBAL h);
// Returns 0 on success, the handle when it was not a live block.
HGLOBAL GlobalFree(HGLOBAL h);
// Whether h names a live block.
bool GlobalIsValid(HGLOBAL h);
// A new block (contents not set) that lies right behind the blocks allocated before it in the
// shared run that holds `after`, when that run has room left; otherwise the first of a new
// shared run of `room` bytes (at least the block's own), which later blocks can follow. Blocks
// a walk takes together, allocated this way one after another, lie together in memory. A
// block of a shared run behaves as any other; one that is resized moves out to memory of its
// own, and the run goes when its last block is freed or has moved out. 0 when memory runs out.
HGLOBAL GlobalAllocAfter(HGLOBAL after, std::size_t bytes, std::size_t room);

namespace memtest {
// After `allowed` further successful allocations or resizes, every one fails until Reset.
void FailAfter(int allowed);
// Every resize moves its block to a new address (stale addresses then show up in tests).
void SetAlwaysMove(bool on);
void Reset();
// Number of live blocks (for leak checks in tests).
std::size_t LiveBlocks();
// Number of shared runs that still hold a block (see GlobalAllocAfter).
std::size_t SharedRuns();
}  // namespace memtest

}  // namespace fw

using fw::GlobalAlloc;
using fw::GlobalFree;
using fw::GlobalLock;
using fw::GlobalReAlloc;
using fw::GlobalSize;
using fw::GlobalUnlock;
using fw::GMEM_FIXED;
using fw::GMEM_MOVEABLE;
using fw::GMEM_ZEROINIT;
using fw::GHND;
