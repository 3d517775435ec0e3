// libFuzzer entry for the MusicXML importer: each input is imported as a .xml file into a new
// document's score. The import must end refused (101, 100) with nothing built, or in a score
// that saves as the program saves it, opens again and saves again to the same bytes. A broken
// rule traps, so the fuzzer keeps the input. Build with ZEL_FUZZ=ON (docs/fuzzing.md).
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ToolScore.h"
#include "formats/MusicXmlImport.h"
#include "framework/File.h"
#include "framework/MessageBox.h"
#include "model/Score.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

struct Setup {
    Setup() {
        tools::RegisterClasses();
        tools::UseStartupFonts();
        // The saves go to a file of this process's own in memory-backed storage.
        const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        savePath = std::string(dir) + "/zel-musicxml-" + std::to_string(getpid()) + ".zel";
    }
    ~Setup() { unlink(savePath.c_str()); }
    fw::msgboxtest::Capture boxes;
    std::string savePath;
};

std::vector<std::uint8_t> Save(tools::ToolScore& s, const std::string& path) {
    Check(s.doc->WriteNative(path));
    std::string bytes;
    Check(fw::ReadWholeFile(path, bytes));
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup setup;
    std::vector<std::uint8_t> first;
    {
        tools::ToolScore a;
        const formats::ImportOutcome outcome = formats::ImportMusicXml(data, size, *a.doc);
        a.Refresh();
        if (outcome.code != 0) {
            Check(outcome.code == 101 || outcome.code == 100);
            Check(outcome.code != 101 || a.score->GetBarCount() == 0);
            return 0;
        }
        Check(a.score->GetBarCount() > 0 && a.score->GetTrackCount() > 0);
        first = Save(a, setup.savePath);
    }
    tools::ToolScore b;
    CMemFile file(first);
    Check(b.doc->ReadNative(file) == CZelDoc::kReadOk);
    Check(Save(b, setup.savePath) == first);
    return 0;
}
