// libFuzzer entries for the whole score file, each input read as a file of either format.
//   score_read_fuzzer: read, then renumber and lay every system out as the program does after
//     opening; the read must end in a framework exception or in a score that lays out.
//   score_roundtrip_fuzzer: a file the reader accepts is saved, read again and saved again; the
//     second read must succeed and the second save must give the first save's bytes.
// A broken rule traps, so the fuzzer keeps the input. Build with ZEL_FUZZ=ON (docs/fuzzing.md).
#include <cstdint>
#include <vector>

#include "ToolScore.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/MessageBox.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/System.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// Reads bytes into a fresh score; false when the reader reported damage.
bool Read(tools::ToolScore& s, const std::vector<std::uint8_t>& bytes) {
    CMemFile file(bytes);
    try {
        ScoreFile::Open(*s.score, s.fileDoc, file);
        return true;
    } catch (const CException&) {
        return false;
    }
}

struct Setup {
    Setup() { tools::RegisterClasses(); }
    fw::msgboxtest::Capture boxes;  // the damaged-bar messages are answered, not shown
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup setup;
    const std::vector<std::uint8_t> input(data, data + size);
#if defined(ZEL_FUZZ_ROUND_TRIP)
    std::vector<std::uint8_t> first;
    {
        tools::ToolScore a;
        if (!Read(a, input)) return 0;
        first = ScoreFile::WriteToBytes(*a.score, a.fileDoc);
    }
    tools::ToolScore b;
    Check(Read(b, first));
    Check(ScoreFile::WriteToBytes(*b.score, b.fileDoc) == first);
#else
    tools::ToolScore s;
    if (!Read(s, input)) return 0;
    s.score->Reindex();
    for (int k = 0; k < s.score->GetLineCount(); ++k) s.score->GetLine(k)->Relayout();
#endif
    return 0;
}
