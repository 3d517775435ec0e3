#include "Clipboard.h"

#include <cstring>

#include "Globals.h"
#include "Memory.h"

namespace fw {

bool CClipboard::Put(std::uint32_t tag, HGLOBAL block) {
    const std::size_t size = GlobalSize(block);
    const void* from = GlobalLock(block);
    if (!from) return false;
    const HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    void* to = copy ? GlobalLock(copy) : nullptr;
    if (!to) {
        if (copy) GlobalFree(copy);
        GlobalUnlock(block);
        return false;
    }
    if (size) std::memcpy(to, from, size);
    GlobalUnlock(copy);
    GlobalUnlock(block);
    Free();
    tag_ = tag;
    data_ = copy;
    return true;
}

void CClipboard::Free() {
    if (data_) GlobalFree(data_);
    data_ = 0;
}

CClipboard& TheClipboard() {
    // The handle table must outlive the clipboard, whose destructor frees its block: touching
    // the table first makes it the older of the two statics.
    static const bool tableFirst = (GlobalIsValid(0), true);
    (void)tableFirst;
    static CClipboard clipboard;
    static const bool reset = RegisterGlobalsReset([] { TheClipboard().Free(); });
    (void)reset;
    return clipboard;
}

}  // namespace fw
