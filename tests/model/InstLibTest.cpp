// The instrument library: the 65 built-in instruments and the rows the table quotes, the empty
// instrument, a long abbreviation cut, drum maps from the drum library (kept when there is one,
// the 16 lowest used keys when not), the start-up load (an empty or missing file gives the
// built-ins and writes nothing), a file of another kind refused, the .lib round trip and the
// pop-up chooser.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "RecordTestSupport.h"
#include "framework/CodePage.h"
#include "framework/Memory.h"
#include "framework/Menu.h"
#include "framework/MessageBox.h"
#include "framework/UiTest.h"
#include "model/InstLib.h"
#include "model/Preferences.h"
#include "model/ScoreStandIns.h"
#include "platform/FileNames.h"
#include "platform/PlatformGlobals.h"
#include "support/Bytes.h"
#include "support/TempHome.h"

namespace {

namespace ui = fw::uitest;

using testsupport::ReadBytes;
using testsupport::WriteBytes;

// A library file: tag, version 16, an entry block of `count` entries of `size` bytes, each
// entry's bytes from `fill`.
std::vector<std::uint8_t> LibraryFile(const char* tag, int size, int count, std::uint8_t fill = 0) {
    std::vector<std::uint8_t> b(tag, tag + 4);
    const std::uint32_t bytes = std::uint32_t(size * count);
    b.insert(b.end(), {16, 0, 'A', 'R', 'R', 'Y', std::uint8_t(size), std::uint8_t(size >> 8), std::uint8_t(count),
                       std::uint8_t(count >> 8), std::uint8_t(bytes), std::uint8_t(bytes >> 8),
                       std::uint8_t(bytes >> 16), std::uint8_t(bytes >> 24)});
    b.insert(b.end(), bytes, fill);
    return b;
}

// Marks drum-library keys used (position, head, voice from the key) and clears the map again
// when the test ends.
struct DrumKeys {
    DrumKeys() { Clear(); }
    ~DrumKeys() { Clear(); }
    static void Clear() {
        for (int k = 0; k < 128; ++k) *DrumLib().GetDrumEntry(std::int16_t(k)) = DrumKey{};
    }
    void Use(int key) {
        DrumKey* e = DrumLib().GetDrumEntry(std::int16_t(key));
        e->used = 1;
        e->position = std::int8_t(key % 21 - 10);
        e->noteHead = std::uint8_t(key % 16);
        e->voice = std::uint8_t(key % 8);
    }
};

class InstLibTest : public ::testing::Test {
protected:
    void SetUp() override { FileSpec::CreateFolder(CLibrary::FolderPath().c_str()); }
    testsupport::TempHome home;
    recordtest::CleanGlobals clean;
    DrumKeys drums;
};

std::vector<std::uint8_t> Bytes(const InstrumentDef& d) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&d);
    return {p, p + sizeof d};
}

}  // namespace

// Every built-in instrument in row order, each row as its sound and staff need it: a name and
// an abbreviation, a range inside the keys, 1-8 voices, the program where the patch entry
// carries it, tablature exactly for clef 13 and percussion exactly with the percussion clefs,
// the whole key range and no program.
TEST_F(InstLibTest, TheBuiltInInstrumentsAreTheSixtyFiveRowsInOrder) {
    const char* names[] = {
        "Alto", "Alto Flute", "Alto Saxophone", "Baritone", "Baritone Horn", "Baritone Saxophone", "Bass",
        "Bass Clarinet", "Bass Drum", "Bass Flute", "Bass Guitar", "Bass Trombone in F", "Bass Trombone in G",
        "Bassoon", "Bells", "Celesta", "Cello", "Clarinet in Eb", "Clarinet in Bb", "Clarinet in A",
        "Contrabass Clarinet in Bb", "Contrabass Tuba", "Contrabassoon", "Cornet in Bb", "Double Bass", "Drums",
        "Electric Piano", "English Horn", "Euphonium", "Fluegelhorn", "Flute", "French Horn", "Glockenspiel",
        "Guitar", "Harp", "Harpsichord", "Marimba", "Oboe", "Organ", "Percussion", "Piano", "Piccolo",
        "Snare Drum", "Soprano", "Soprano Saxophone", "Strings", "Synthesizer", "Tablature", "Tenor",
        "Tenor Saxophone", "Tenor Trombone", "Timpani", "Trombone", "Trumpet in A", "Trumpet in Bb",
        "Trumpet in C", "Trumpet in D", "Tubular Bells", "Tuba", "Vibraphone", "Viola", "Violin", "Violin I",
        "Violin II", "Xylophone",
    };
    g_preferences.SetWord(Preferences::kDefaultDevice, 2003);
    CInstLib lib;
    ASSERT_TRUE(lib.BuildDefaults());
    ASSERT_EQ(lib.GetCount(), 65);
    for (int i = 0; i < 65; ++i) {
        SCOPED_TRACE(names[i]);
        const InstrumentDef& d = *lib.GetInstrument(i);
        EXPECT_EQ(lib.GetItemName(i), names[i]);
        EXPECT_NE(d.abbreviation[0], 0);
        EXPECT_LT(d.lowKey, d.highKey);
        EXPECT_LE(d.highKey, 127);
        EXPECT_GE(d.voices, 1);
        EXPECT_LE(d.voices, 8);
        EXPECT_LE(std::abs(d.transposition), 36);
        EXPECT_LE(std::abs(d.playbackTranspose), 36);
        EXPECT_EQ(d.port, 2003) << "the preferences' default port";
        EXPECT_EQ(d.channel, 0);
        EXPECT_EQ(d.patch.program, d.program);
        EXPECT_EQ(d.patch.byteCount, 4);
        EXPECT_EQ(d.patch.packed[3], std::uint8_t(d.program));
        EXPECT_EQ(d.patch.word, std::uint16_t(d.program));
        EXPECT_EQ(d.staffKind == 2, d.clef == 13);
        if (d.staffKind == 1) {
            EXPECT_EQ(d.clef, 11);
            EXPECT_EQ(d.transposedClef, 11);
            EXPECT_EQ(d.highKey, 127);
            EXPECT_EQ(d.lowKey, 0);
            EXPECT_EQ(d.program, -1);
            EXPECT_TRUE(d.voices == 1 || d.voices == 8);
        } else if (d.staffKind == 0) {
            EXPECT_GE(d.program, 0);
            EXPECT_NE(d.clef, 11);
        }
        EXPECT_FALSE(d.HasDrumMap()) << "no drum sound is in use";
    }
}

// The rows the table quotes, field by field, and the written transpositions of the transposing
// instruments (how far the written notes lie above the sounding ones).
TEST_F(InstLibTest, QuotedRowsAndTranspositionsAreAsWritten) {
    struct Row {
        int index;
        int kind;
        const char* abbreviation;
        int high, low, transposition, clef, transposedClef, voices, playback, program;
    };
    const Row rows[] = {
        {0, 0, "A.", 77, 53, 0, 0, 0, 1, 0, 52},             // Alto
        {1, 0, "Alt. Fl.", 91, 55, 5, 0, 0, 1, 0, 73},       // Alto Flute
        {2, 0, "A. Sax.", 80, 46, 9, 0, 0, 1, 0, 65},        // Alto Saxophone
        {8, 1, "B.D.", 127, 0, 0, 11, 11, 1, 0, -1},         // Bass Drum
        {47, 2, "Tab.", 81, 40, 0, 13, 3, 1, 0, 24},         // Tablature
        {64, 0, "Xyl.", 96, 53, 0, 0, 0, 4, 12, 13},         // Xylophone
    };
    CInstLib lib;
    ASSERT_TRUE(lib.BuildDefaults());
    for (const Row& r : rows) {
        SCOPED_TRACE(lib.GetItemName(r.index));
        const InstrumentDef& d = *lib.GetInstrument(r.index);
        EXPECT_EQ(d.staffKind, r.kind);
        EXPECT_STREQ(d.abbreviation, r.abbreviation);
        EXPECT_EQ(d.highKey, r.high);
        EXPECT_EQ(d.lowKey, r.low);
        EXPECT_EQ(d.transposition, r.transposition);
        EXPECT_EQ(d.clef, r.clef);
        EXPECT_EQ(d.transposedClef, r.transposedClef);
        EXPECT_EQ(d.voices, r.voices);
        EXPECT_EQ(d.playbackTranspose, r.playback);
        EXPECT_EQ(d.program, r.program);
        if (r.program == -1) {
            EXPECT_EQ(d.patch.program, -1);
            EXPECT_EQ(d.patch.word, 0xFFFF) << "no program: the patch entry stays as prepared";
            EXPECT_EQ(d.patch.packed[3], 0xFF);
        }
    }
    struct Transposing {
        const char* name;
        int transposition;
    };
    const Transposing transposing[] = {
        {"Clarinet in Bb", 2},  {"Clarinet in A", 3},    {"Clarinet in Eb", -3}, {"Trumpet in Bb", 2},
        {"Trumpet in A", 3},    {"Trumpet in D", -2},    {"Trumpet in C", 0},    {"French Horn", 7},
        {"English Horn", 7},    {"Alto Flute", 5},       {"Piccolo", -12},       {"Glockenspiel", -24},
        {"Tenor Saxophone", 14}, {"Baritone Saxophone", 21}, {"Bass Clarinet", 14}, {"Double Bass", 12},
        {"Guitar", 12},         {"Soprano Saxophone", 2}, {"Flute", 0},          {"Violin", 0},
    };
    for (const Transposing& t : transposing) {
        int found = -1;
        for (int i = 0; i < lib.GetCount(); ++i)
            if (lib.GetItemName(i) == t.name) found = i;
        ASSERT_GE(found, 0) << t.name;
        EXPECT_EQ(lib.GetInstrument(found)->transposition, t.transposition) << t.name;
    }
}

// Row -1 is the empty instrument: one voice, keys 0-127, no program, the default port, and its
// patch entry "no program" (FF FF FF FF); everything else zero.
TEST_F(InstLibTest, RowMinusOneIsTheEmptyInstrument) {
    g_preferences.SetWord(Preferences::kDefaultDevice, 7);
    InstrumentDef d;
    std::memset(&d, 0x5A, sizeof d);
    CInstLib::MakeInstrument(d, -1);
    InstrumentDef want{};
    want.voices = 1;
    want.highKey = 127;
    want.port = 7;
    want.program = -1;
    want.patch.program = -1;
    want.patch.word = 0xFFFF;
    want.patch.byteCount = 4;
    std::memset(want.patch.packed, 0xFF, 4);
    EXPECT_EQ(Bytes(d), Bytes(want));
    EXPECT_EQ(d.lowKey, 0);
    EXPECT_EQ(d.PatchWord(), -1);
}

// A row's abbreviation keeps at most 15 bytes, never half of a double-byte character; the
// name is copied whole; a row with fewer fields leaves the rest as prepared.
TEST_F(InstLibTest, ARowsAbbreviationIsCutToFifteenBytes) {
    const std::string wide = "xy" + std::string("\xB3\xA4\xB5\xD1\xB3\xA4\xB5\xD1\xB3\xA4\xB5\xD1\xB3\xA4");  // 7 characters
    struct Case {
        std::string row;
        std::string abbreviation;
        const char* why;
    } cases[] = {
        {"1:0:Recorder:ABCDEFGHIJKLMNOPQR:80:60:0:0:0:0:1:0:74", "ABCDEFGHIJKLMNO", "18 letters keep 15"},
        {"1:0:Recorder:ABCDEFGHIJKLMNO:80:60:0:0:0:0:1:0:74", "ABCDEFGHIJKLMNO", "15 letters stay whole"},
        {"1:0:Recorder:" + wide + ":80:60:0:0:0:0:1:0:74", wide.substr(0, 14),
         "the eighth byte pair would be cut: 14 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        InstrumentDef d{};
        CInstLib::ReadRow(d, c.row.c_str());
        EXPECT_EQ(std::string(d.abbreviation), c.abbreviation);
        EXPECT_STREQ(d.name, "Recorder");
        EXPECT_EQ(d.highKey, 80);
        EXPECT_EQ(d.program, 74);
    }
    InstrumentDef d;
    CInstLib::MakeInstrument(d, -1);
    const std::vector<std::uint8_t> before = Bytes(d);
    CInstLib::ReadRow(d, "3:0:Ocarina");
    EXPECT_STREQ(d.name, "Ocarina");
    std::memset(d.name, 0, sizeof d.name);
    EXPECT_EQ(Bytes(d), before) << "only the fields given";
}

// A percussion row takes the drum library's used keys in key order: position, head and key,
// voice 0; FillDrumMap leaves a map that has a key as it is, and fills an empty one with the
// 16 lowest used keys and their voices.
TEST_F(InstLibTest, DrumMapsComeFromTheDrumLibrarysUsedKeys) {
    for (int key : {38, 36, 42, 49}) drums.Use(key);
    InstrumentDef bassDrum;
    CInstLib::MakeInstrument(bassDrum, 8);
    const int keys[] = {36, 38, 42, 49};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(bassDrum.drums[i].key, keys[i]);
        EXPECT_EQ(bassDrum.drums[i].position, keys[i] % 21 - 10);
        EXPECT_EQ(bassDrum.drums[i].noteHead, keys[i] % 16);
        EXPECT_EQ(bassDrum.drums[i].voice, 0) << "a built-in row's slots keep voice 0";
    }
    EXPECT_EQ(bassDrum.drums[4].key, 0);
    InstrumentDef flute;
    CInstLib::MakeInstrument(flute, 30);
    EXPECT_FALSE(flute.HasDrumMap()) << "a standard row has no drum map";

    // Twenty used keys: the 16 lowest fill an empty map.
    for (int key = 60; key < 76; ++key) drums.Use(key);
    CInstLib lib;
    InstrumentDef empty;
    CInstLib::MakeInstrument(empty, -1);
    empty.staffKind = 1;
    lib.AddItem(&empty);
    InstrumentDef kept = empty;
    kept.drums[3].key = 40;
    kept.drums[3].position = 2;
    lib.AddItem(&kept);
    lib.FillDrumMap(0);
    lib.FillDrumMap(1);
    lib.FillDrumMap(5);  // outside the entries: nothing
    const InstrumentDef& filled = *lib.GetInstrument(0);
    const int lowest[16] = {36, 38, 42, 49, 60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(filled.drums[i].key, lowest[i]) << i;
        EXPECT_EQ(filled.drums[i].voice, lowest[i] % 8) << i;
        EXPECT_EQ(filled.drums[i].noteHead, lowest[i] % 16) << i;
    }
    EXPECT_EQ(Bytes(*lib.GetInstrument(1)), Bytes(kept)) << "a map with one key stays as it was";
    EXPECT_FALSE(lib.IsModified());
}

// Start-up: the library the "Instrument" preference names ("Orchestral"); a missing file or
// one without entries gives the 65 built-ins and nothing is written; a file with entries gives
// its own; a file of another kind is refused (message 10011) and the library keeps what it had.
TEST_F(InstLibTest, TheStartUpLoadTakesTheNamedFileOrTheBuiltIns) {
    const std::string orchestral = CLibrary::FolderPath() + "Orchestral.lib";
    const std::filesystem::path folder = fw::ToUtf8(CLibrary::FolderPath());
    auto files = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
        return names;
    };
    // The preference as start-up leaves it (string 6644).
    g_preferences.SetText(Preferences::kLibraryNames + Preferences::kTextSize * 4, "Orchestral");
    {
        CInstLib lib;
        lib.LoadDefault();
        EXPECT_EQ(lib.GetCount(), 65) << "no file";
        EXPECT_TRUE(files().empty()) << "nothing written";
        EXPECT_EQ(g_platform.libraryFiles.instrument.name[0], 0) << "a later save asks for a name";
    }
    const std::vector<std::uint8_t> empty = LibraryFile("ZLIL", 358, 0);
    WriteBytes(orchestral, empty);
    {
        CInstLib lib;
        lib.LoadDefault();
        EXPECT_EQ(lib.GetCount(), 65) << "an empty file";
        EXPECT_EQ(lib.GetItemName(64), "Xylophone");
        EXPECT_EQ(ReadBytes(orchestral), empty) << "the file is left as it was";
        EXPECT_EQ(files(), std::vector<std::string>{"Orchestral.lib"});
    }
    std::vector<std::uint8_t> two = LibraryFile("ZLIL", 358, 2);
    std::memcpy(two.data() + 18 + 4, "Lute", 4);
    std::memcpy(two.data() + 18 + 358 + 4, "Viol", 4);
    WriteBytes(orchestral, two);
    {
        CInstLib lib;
        lib.LoadDefault();
        ASSERT_EQ(lib.GetCount(), 2);
        EXPECT_EQ(lib.GetItemName(0), "Lute");
        EXPECT_EQ(lib.GetItemName(1), "Viol");
        EXPECT_STREQ(g_platform.libraryFiles.instrument.name, "Orchestral");
    }
    struct Refused {
        std::vector<std::uint8_t> bytes;
        bool message;
        const char* why;
    } refused[] = {
        {LibraryFile("ZATL", 64, 1), true, "a spacing library"},
        {LibraryFile("ZLIL", 128, 2), false, "entries of another size"},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.why);
        WriteBytes(orchestral, r.bytes);
        fw::msgboxtest::Capture boxes;
        CInstLib lib;
        ASSERT_TRUE(lib.BuildDefaults());
        FileSpec record;
        fw::CopyText(record.path, sizeof record.path, orchestral);
        EXPECT_FALSE(lib.Load(record));
        EXPECT_EQ(lib.GetCount(), 65) << "the library as it was";
        EXPECT_EQ(lib.GetTag(), CLibrary::Tag("ZLIL"));
        ASSERT_EQ(boxes.shown().size(), r.message ? 1u : 0u);
        lib.RemoveAllItems();
        lib.LoadDefault();
        EXPECT_EQ(lib.GetCount(), 65) << "start-up then takes the built-ins";
    }
}

// A saved library is "ZLIL", version 16, entries of 358 bytes as they are in memory; it loads
// back byte for byte, a drum map and a patch name included.
TEST_F(InstLibTest, ALibraryFileRoundTrips) {
    CInstLib lib;
    ASSERT_TRUE(lib.BuildDefaults());
    InstrumentDef changed = *lib.GetInstrument(40);
    changed.channel = 5;
    changed.drums[0].key = 35;
    changed.drums[0].position = -3;
    std::strcpy(changed.patch.name, "Concert Grand");
    lib.ReplaceItem(40, &changed);
    FileSpec record;
    fw::CopyText(record.name, sizeof record.name, "Mine.lib");
    ASSERT_TRUE(lib.Save(record, false));
    const std::vector<std::uint8_t> bytes = ReadBytes(record.path);
    ASSERT_EQ(bytes.size(), 18u + 65u * 358u);
    const std::uint8_t head[] = {'Z', 'L', 'I', 'L', 16, 0, 'A', 'R', 'R', 'Y', 0x66, 0x01, 65, 0};
    EXPECT_TRUE(std::equal(std::begin(head), std::end(head), bytes.begin()));
    const std::vector<std::uint8_t> fortieth(bytes.begin() + 18 + 40 * 358, bytes.begin() + 18 + 41 * 358);
    EXPECT_EQ(fortieth, Bytes(changed)) << "stored as in memory";

    CInstLib back;
    ASSERT_TRUE(back.Load(record));
    ASSERT_EQ(back.GetCount(), 65);
    for (int i = 0; i < 65; ++i) EXPECT_EQ(Bytes(*back.GetInstrument(i)), Bytes(*lib.GetInstrument(i))) << i;
    std::unique_ptr<CLibrary> copy = back.Clone();
    ASSERT_NE(dynamic_cast<CInstLib*>(copy.get()), nullptr);
    EXPECT_EQ(copy->GetCount(), 65);
}

// When an append fails while the built-ins are made, the library ends empty and says so.
TEST_F(InstLibTest, AFailedAppendLeavesTheLibraryEmpty) {
    CInstLib lib;
    ASSERT_TRUE(lib.BuildDefaults());
    fw::memtest::FailAfter(10);
    EXPECT_FALSE(lib.BuildDefaults());
    fw::memtest::Reset();
    EXPECT_EQ(lib.GetCount(), 0);
}

// The chooser lists the names with the current one checked; a choice gives its index, Escape
// or an empty library false with the index as it was.
TEST_F(InstLibTest, TheChooserGivesTheChosenIndex) {
    ui::Session session;
    CInstLib lib;
    ASSERT_TRUE(lib.BuildDefaults());
    std::int16_t current = 30;
    ui::AnswerMenu(3);
    ASSERT_TRUE(lib.RunInstrumentMenu(10, 20, current));
    EXPECT_EQ(current, 2);
    const auto& shown = ui::Menus().back().items;
    ASSERT_EQ(shown.size(), 65u);
    EXPECT_NE(shown[30].flags & MF_CHECKED, 0u) << "the index given is checked";
    EXPECT_EQ(shown[2].text, "Alto Saxophone");
    ui::AnswerMenu(0);
    EXPECT_FALSE(lib.RunInstrumentMenu(10, 20, current));
    EXPECT_EQ(current, 2);
    EXPECT_NE(ui::Menus().back().items[2].flags & MF_CHECKED, 0u);
    CInstLib none;
    const std::size_t menus = ui::Menus().size();
    EXPECT_FALSE(none.RunInstrumentMenu(10, 20, current));
    EXPECT_EQ(ui::Menus().size(), menus) << "no box for an empty library";
}
