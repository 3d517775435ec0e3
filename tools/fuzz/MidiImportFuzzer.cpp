// libFuzzer entry for the whole MIDI import: each input is opened as a ".mid" file through the
// document (the reader, the staff proposal taken as it stands, the conductor and track passes,
// the transcription and the layout), saved as the program saves a score, opened again and
// saved again. The import may refuse the file (101), find nothing to place (1) or run out of
// memory (100); a file it opens must save, the save must open, and the second save must give
// the first save's bytes. A broken rule traps, so the fuzzer keeps the input. Build with
// ZEL_FUZZ=ON (docs/fuzzing.md).
#include <unistd.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ToolScore.h"
#include "app/MidiFileHooks.h"
#include "framework/File.h"
#include "framework/MessageBox.h"
#include "midi/MidiImport.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

struct Setup {
    Setup() {
        tools::RegisterClasses();
        tools::UseStartupFonts();
        RegisterMidiFileHooks();
        g_midiImport.optionsDialog = nullptr;
        // The input and the saves go to files of this process's own in memory-backed storage.
        const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        const std::string stem = std::string(dir) + "/zel-midi-import-" + std::to_string(getpid());
        midiPath = stem + ".mid";
        savePath = stem + ".zel";
    }
    ~Setup() {
        unlink(midiPath.c_str());
        unlink(savePath.c_str());
    }
    fw::msgboxtest::Capture boxes;  // refusals and the no-notes message are answered, not shown
    std::string midiPath, savePath;
};

// Saves as the document saves and gives the file's bytes.
std::string Save(tools::ToolScore& s, const std::string& path) {
    Check(s.doc->WriteNative(path));
    std::string bytes;
    Check(fw::ReadWholeFile(path, bytes));
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup setup;
    Check(fw::WriteFileAtomic(setup.midiPath, std::string_view(reinterpret_cast<const char*>(data), size)));
    std::string first;
    {
        tools::ToolScore a;
        if (!a.doc->OnOpenDocument(setup.midiPath.c_str())) {
            const int code = a.doc->lastReadCode;
            Check(code == CZelDoc::kReadWrongMagic || code == CZelDoc::kReadCancelled || code == CZelDoc::kReadNoMemory);
            return 0;
        }
        first = Save(a, setup.savePath);
    }
    tools::ToolScore b;
    Check(b.doc->OnOpenDocument(setup.savePath.c_str()));
    Check(Save(b, setup.savePath) == first);
    return 0;
}
