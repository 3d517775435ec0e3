// libFuzzer entries for the whole score file, each input read as a file of either format.
//   score_read_fuzzer: read, then renumber and lay every system out as the program does after
//     opening; the read must end in a framework exception or in a score that lays out.
//   score_roundtrip_fuzzer: a file the document opens is saved as the program saves it, opened
//     again and saved again; the second open must succeed and the second save must give the
//     first save's bytes.
// A broken rule traps, so the fuzzer keeps the input. Build with ZEL_FUZZ=ON (docs/fuzzing.md).
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
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

#if !defined(ZEL_FUZZ_ROUND_TRIP)
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
#endif

struct Setup {
    Setup() {
        tools::RegisterClasses();
#if defined(ZEL_FUZZ_ROUND_TRIP)
        tools::UseStartupFonts();
        // The saves go to a file of this process's own in memory-backed storage.
        const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        savePath = std::string(dir) + "/zel-roundtrip-" + std::to_string(getpid()) + ".zel";
#endif
    }
    ~Setup() {
        if (!savePath.empty()) unlink(savePath.c_str());
    }
    fw::msgboxtest::Capture boxes;  // the damaged-bar messages are answered, not shown
    std::string savePath;
};

#if defined(ZEL_FUZZ_ROUND_TRIP)
// Opens bytes as the document opens a score file (read, page setup, arrangement, layout).
bool Open(tools::ToolScore& s, const std::vector<std::uint8_t>& bytes) {
    CMemFile file(bytes);
    return s.doc->ReadNative(file) == CZelDoc::kReadOk;
}

// Saves as the document saves (the pages written at zoom 100) and gives the file's bytes.
std::vector<std::uint8_t> Save(tools::ToolScore& s, const std::string& path) {
    Check(s.doc->WriteNative(path));
    std::string bytes;
    Check(fw::ReadWholeFile(path, bytes));
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup setup;
    const std::vector<std::uint8_t> input(data, data + size);
#if defined(ZEL_FUZZ_ROUND_TRIP)
    std::vector<std::uint8_t> first;
    {
        tools::ToolScore a;
        if (!Open(a, input)) return 0;
        first = Save(a, setup.savePath);
    }
    tools::ToolScore b;
    Check(Open(b, first));
    Check(Save(b, setup.savePath) == first);
#else
    tools::ToolScore s;
    if (!Read(s, input)) return 0;
    s.score->Reindex();
    for (int k = 0; k < s.score->GetLineCount(); ++k) s.score->GetLine(k)->Relayout();
#endif
    return 0;
}
