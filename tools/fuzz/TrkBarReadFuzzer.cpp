// libFuzzer entry for the bar-of-a-track reader: each input is read as a BDAT chunk into a bar
// of a track. The read must end in a framework exception or in a run that ends with its end
// record inside the run's length; that run must then write, read back, compact and sort
// without fault. A broken rule traps, so the fuzzer keeps the input.
#include <cstdint>
#include <cstring>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/File.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "platform/ChunkStream.h"

namespace {

// The records' total up to the end record, or 0 when the run does not end.
std::uint32_t EndedRunBytes(CTrkBar* bar) {
    std::uint8_t* base = bar->Block()->Address();
    const std::uint32_t length = bar->GetRunLength();
    std::uint32_t at = 0;
    for (;;) {
        const int size = trkbar::RecordSizeAt(base, at, length);
        if (!size) return 0;
        at += std::uint32_t(size);
        if (trkbar::IsEndRecord(base + at - size)) return at;
    }
}

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    alignas(8) std::uint8_t record[CTrkBar::kSize] = {};
    CTrkBar* bar = CTrkBar::Construct(record);
    if (!bar->Init(1, 2)) return 0;
    try {
        CMemFile file(std::vector<std::uint8_t>(data, data + size));
        CChunkStream stream;
        stream.SetFile(&file);
        bar->Read(stream, 0);
    } catch (const CException&) {
    }
    const std::uint32_t bytes = EndedRunBytes(bar);
    Check(bytes != 0 && bytes <= bar->GetRunLength());

    CMemFile written;
    {
        CChunkStream stream;
        stream.SetFile(&written);
        bar->Write(stream, 0);
    }
    alignas(8) std::uint8_t again[CTrkBar::kSize] = {};
    CTrkBar* copy = CTrkBar::Construct(again);
    Check(copy->Init(1, 2));
    try {
        CMemFile file(written.Data());
        CChunkStream stream;
        stream.SetFile(&file);
        copy->Read(stream, 0);
    } catch (const CException&) {
        Check(false);
    }
    Check(EndedRunBytes(copy) != 0);

    bar->SortItems();
    bar->Compact();
    Check(EndedRunBytes(bar) != 0);
    copy->Release(true);
    bar->Release(true);
    return 0;
}
