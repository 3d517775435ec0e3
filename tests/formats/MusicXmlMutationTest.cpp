// Damaged MusicXML files: the fixtures mutated with a seeded generator (changed, dropped,
// inserted and repeated bytes and slices, a cut) are opened through the document, which either
// imports them, and then saves, reads back and saves again to the same bytes, or refuses them
// with 101 (100 out of memory) and opens nothing. The files the mutations found faults with are
// kept in tests/data/formats/musicxml/hostile, each with the outcome it must have.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "ImportEnv.h"
#include "formats/MusicXmlImport.h"
#include "framework/CodePage.h"
#include "framework/File.h"
#include "framework/Globals.h"
#include "framework/MessageBox.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "platform/Port.h"
#include "support/TempHome.h"
#include "support/TestData.h"

namespace {

using formatstest::ReadFile;

struct Env : formatstest::ImportEnv {
    // Opens the bytes as a .xml file: "" when refused with 101 or 100 (else the code), "opened"
    // when it opened and saves, reads back and saves again to the same bytes, or what went wrong.
    std::string Outcome(const std::string& bytes) {
        fw::WriteFileAtomic(Path("m.xml"), bytes);
        CZelDoc doc;
        if (!doc.OnOpenDocument(Path("m.xml").c_str())) {
            if (doc.lastReadCode == 101 || doc.lastReadCode == 100) return "refused";
            return "refused with code " + std::to_string(doc.lastReadCode);
        }
        // No item of the import stands before its bar's start.
        CScore& score = *doc.GetScore();
        for (int t = 0; t < score.GetTrackCount(); ++t)
            for (int b = 0; b < score.GetBarCount(); ++b) {
                CTrkBar* tb = score.GetTrkBar(t, b);
                bool early = false;
                if (tb) trkbar::ForEachLiveItem(tb, [&](CBarItem* item) { early = early || item->TimeField() < 0; });
                if (early) return "an item of track " + std::to_string(t) + " bar " + std::to_string(b) + " at a negative time";
            }
        if (!doc.OnSaveDocument(Path("a.zel").c_str())) return "not saved";
        CZelDoc again;
        if (!again.OnOpenDocument(Path("a.zel").c_str())) return "its save cannot be read back";
        if (!again.OnSaveDocument(Path("b.zel").c_str())) return "read back, not saved";
        if (ReadFile(Path("a.zel")) != ReadFile(Path("b.zel"))) return "read back, saved other bytes";
        return "opened";
    }
};

int EnvNumber(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

std::string Mutate(std::string bytes, std::mt19937& random) {
    auto pick = [&](std::size_t n) { return n ? std::size_t(random() % n) : 0; };
    const int edits = 1 + int(random() % 4);
    for (int e = 0; e < edits && !bytes.empty(); ++e) {
        const std::size_t at = pick(bytes.size());
        switch (random() % 8) {
            case 0: bytes[at] = char(bytes[at] ^ (1 << (random() % 8))); break;
            case 1: bytes[at] = char(random()); break;
            case 2: bytes.erase(at, 1 + pick(40)); break;
            case 3: bytes.insert(at, 1 + pick(8), char(random())); break;
            case 4: {
                // A slice repeated: elements opened twice, closed once.
                const std::size_t from = pick(bytes.size());
                const std::string slice = bytes.substr(from, 1 + pick(120));
                bytes.insert(at, slice);
                break;
            }
            case 5: bytes.resize(at); break;
            case 6: {
                // A number made large or negative.
                static const char* numbers[] = {"0", "-1", "99999", "-32768", "65536", "4294967297", "7"};
                const std::size_t digit = bytes.find_first_of("0123456789", at);
                if (digit != std::string::npos) bytes.replace(digit, 1, numbers[random() % 7]);
                break;
            }
            default: {
                // A tag's name changed into another one of the format.
                static const char* names[] = {"<note>", "<chord/>", "<grace/>", "</measure>", "<backup>",
                                              "<attributes>", "<tie type=\"start\"/>", "<staff>3</staff>",
                                              "<voice>8</voice>", "<tuplet type=\"start\"/>"};
                bytes.insert(at, names[random() % 10]);
                break;
            }
        }
    }
    return bytes;
}

TEST(MusicXmlMutationTest, MutatedFixturesImportWholeOrAreRefused) {
    Env env;
    const char* seeds[] = {"chords", "voices", "grace", "tuplet", "ties", "slurs", "beams", "clef", "keys",
                           "twostaff", "groups", "dynamics", "wedge", "ottava", "pedal", "metronome", "lyrics",
                           "barlines", "breaks", "chinese-utf16le", "accidentals", "names", "limits"};
    std::vector<std::string> files;
    for (const char* s : seeds) files.push_back(ReadFile(testsupport::TestDataPath("formats/musicxml/") + s + ".xml"));
    const int iterations = EnvNumber("ZEL_FUZZ_ITERATIONS", 300);
    const int seed = EnvNumber("ZEL_FUZZ_SEED", 89);
    const char* keep = std::getenv("ZEL_FUZZ_KEEP");
    std::mt19937 random{unsigned(seed)};
    int opened = 0;
    for (int i = 0; i < iterations; ++i) {
        const std::string mutant = Mutate(files[std::size_t(i) % files.size()], random);
        const std::string outcome = env.Outcome(mutant);
        if (outcome == "opened") ++opened;
        if (outcome != "opened" && outcome != "refused") {
            ADD_FAILURE() << "mutant " << i << " (seed " << seed << "): " << outcome;
            if (keep) fw::WriteFileAtomic(std::string(keep) + "/mutant-" + std::to_string(i) + ".xml", mutant);
        }
    }
    // Most mutants still import: the walk reaches deep into the importer.
    EXPECT_GT(opened, iterations / 4);
}

// Damaged files, each with the outcome it must have (the folder's README says what each holds).
TEST(MusicXmlMutationTest, HostileFilesEndAsTheyMust) {
    Env env;
    struct Case {
        const char* file;
        const char* outcome;
    } cases[] = {
        {"cut-in-note.xml", "refused"},
        {"backup-past-start.xml", "opened"},
        {"unmatched-ends.xml", "opened"},
        {"unknown-and-twice-parts.xml", "opened"},
        {"wild-numbers.xml", "opened"},
        {"utf16-odd-length.xml", "opened"},
        {"utf16-lone-surrogate.xml", "opened"},
    };
    for (const Case& c : cases) {
        const std::string bytes = ReadFile(testsupport::TestDataPath("formats/musicxml/hostile/") + c.file);
        ASSERT_FALSE(bytes.empty()) << c.file << " is missing";
        EXPECT_EQ(env.Outcome(bytes), c.outcome) << c.file;
    }
}

}  // namespace
