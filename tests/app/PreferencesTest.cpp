#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/Preferences.h"
#include "platform/Theme.h"
#include "framework/File.h"
#include "framework/Globals.h"
#include "framework/Registry.h"
#include "model/EngraverSettings.h"
#include "platform/DrawGlobals.h"
#include "platform/FileNames.h"
#include "platform/FontMap.h"
#include "platform/PlatformGlobals.h"
#include "platform/Port.h"
#include "platform/RvqUtil.h"
#include "platform/StdDlgGlobals.h"
#include "support/TempHome.h"

namespace {

using P = Preferences;

const char* const kProgramKey = "Software\\Harrowick\\Zelmarin\\4.0";

struct PreferencesTest : ::testing::Test {
    testsupport::TempHome home;

    void SetUp() override {
        fw::ResetAllGlobals();
        SetUpProgramFolder();
        InitDrawing();
        g_preferences.SetDefaults();
        g_preferences.SetDefaultFonts();
    }
    void TearDown() override { fw::ResetAllGlobals(); }

    static void putDword(const char* key, const char* name, DWORD v, const char* root = kProgramKey) {
        RegKeyRecord k;
        ASSERT_TRUE(OpenRegKey(k, root, key, KEY_WRITE, HKEY_CURRENT_USER));
        ASSERT_TRUE(SetRegDword(k, name, v));
    }
    static void putString(const char* key, const char* name, const std::string& text, const char* root = kProgramKey) {
        RegKeyRecord k;
        ASSERT_TRUE(OpenRegKey(k, root, key, KEY_WRITE, HKEY_CURRENT_USER));
        ASSERT_TRUE(SetRegString(k, name, text.c_str()));
    }
    static void putBinary(const char* key, const char* name, const std::vector<std::uint8_t>& bytes,
                          const char* root = kProgramKey) {
        RegKeyRecord k;
        ASSERT_TRUE(OpenRegKey(k, root, key, KEY_WRITE, HKEY_CURRENT_USER));
        ASSERT_TRUE(SetRegBinary(k, name, bytes.data(), bytes.size()));
    }
    static DWORD storedDword(const char* key, const char* name) {
        RegKeyRecord k;
        DWORD v = 0xDEADBEEF;
        if (OpenRegKey(k, kProgramKey, key, KEY_READ, HKEY_CURRENT_USER)) GetRegDword(k, name, v);
        return v;
    }
    std::string prefsFolder() const { return home.config() + "/Harrowick/Zelmarin/4.0/Preferences"; }
    static std::string library(int i) { return g_preferences.Text(P::kLibraryNames + P::kTextSize * i); }
};

TEST_F(PreferencesTest, DefaultsAreTheTablesValues) {
    struct Row {
        int offset;
        int width;  // 1, 2 or 4 bytes
        long value;
        const char* what;
    } rows[] = {
        {0, 2, 11018, "record size"},         {2, 2, 1025, "version"},
        {4, 2, 1025, "version copy"},          {6, 1, 1, "automatic beaming"},
        {9, 1, 0, "library auto-save"},        {13, 1, 1, "New dialog"},
        {22, 1, 1, "middle C numbering"},      {24, 1, 7, "volume controller"},
        {31, 1, 11, "texture"},                {33, 1, 0, "extract percentage as stored"},
        {41, 1, 60, "split pitch"},            {44, 1, 50, "staccato threshold"},
        {45, 1, 90, "tenuto threshold"},       {63, 1, 1, "click in record"},
        {66, 2, 1, "count-off bars"},          {68, 2, 76, "accented pitch"},
        {70, 2, 120, "accented velocity"},     {76, 2, 9, "accented channel (MIDI 10)"},
        {112, 2, 80, "unaccented velocity"},   {114, 2, 40, "unaccented duration"},
        {153, 1, 1, "thru follows the track"}, {158, 4, -1, "thru patch"},
        {196, 2, 5, "quantize index"},         {204, 2, -1, "no sync port"},
        {207, 1, 1, "autosave minutes"},       {212, 2, 30, "pppp"},
        {222, 2, 80, "mf"},                    {242, 2, 110, "sfp"},
        {8436, 2, 4, "engraver: bars per system"}, {8468, 2, 1440, "engraver word 16"},
        {10717, 1, 3, "cell text colour"},     {10718, 1, 7, "menu body colour"},
        {10720, 1, 72, "main window colour"},  {10722, 1, 12, "inactive items"},
        {10724, 1, 128, "second data colour"}, {10727, 1, 60, "voice 3 colour"},
        {10732, 1, 72, "voice 8 colour"},      {10742, 4, 16, "bit depth"},
        {10750, 4, 512, "buffer size"},        {11010, 1, 1, "sticky accidentals"},
        {11011, 1, 1, "advance cursor"},       {11013, 1, 0, "first run (set by start-up)"},
    };
    Preferences p;
    for (const Row& r : rows) {
        long got = r.width == 1 ? p.Byte(r.offset) : r.width == 2 ? p.Word(r.offset) : p.Dword(r.offset);
        EXPECT_EQ(got, r.value) << r.what;
        // Little-endian in the block itself.
        if (r.width == 2) EXPECT_EQ(p.bytes[r.offset], std::uint8_t(r.value & 0xFF)) << r.what;
    }
    // The bytes nobody names stay 0.
    for (int at : {26, 36, 60, 61, 120, 164, 195, 1780, 4339, 8660, 10733, 11016, 11017})
        EXPECT_EQ(p.Byte(at), 0) << "byte " << at;
    // Font references: serif 12 for most, the music face at 24 for meters, bold tempo.
    p.SetDefaultFonts();
    EXPECT_EQ(p.Font(5).size, 9);
    EXPECT_EQ(p.Font(10).style, 1);
    EXPECT_EQ(p.Font(11).size, 24);
    EXPECT_EQ(p.Font(13).size, 0);
    EXPECT_EQ(p.Font(15).size, 10);
}

// A first start: the record's defaults (held to the table by DefaultsAreTheTablesValues), and
// only these fields filled in by the start-up itself, each to the value written here.
TEST_F(PreferencesTest, FreshStoreGivesTheDefaultsAndAsksAboutTheEngine) {
    ASSERT_TRUE(g_preferences.Init());
    const std::string vst = home.home() + "/.vst";
    const Preferences defaults;
    std::vector<bool> named(P::kSize, false);
    const auto name = [&](int at, int width) {
        for (int i = at; i < at + width; ++i) named[std::size_t(i)] = true;
    };
    struct Byte {
        int offset;
        int value;
        const char* what;
    } bytes[] = {
        {P::kFirstRun, 1, "first run"},
        {P::kAskAudioEngine, 1, "ask about the audio engine"},
        {P::kResetModWheel, 1, "reset the modulation wheel"},
        {P::kExtractPercentage, 100, "extract percentage"},
    };
    for (const Byte& b : bytes) {
        EXPECT_EQ(g_preferences.Byte(b.offset), b.value) << b.what;
        name(b.offset, 1);
    }
    const char* libraries[P::kLibraryCount] = {"Medium Allotments", "Chord Library (Times 12Pt)", "GM Drum Map",
                                               "Expressions", "Orchestral", "\xBC\xAA\xCB\xFB\xD6\xB8\xB7\xA8"};
    for (int i = 0; i < P::kLibraryCount; ++i) {
        EXPECT_STREQ(library(i).c_str(), libraries[i]) << "library " << i;
        name(P::kLibraryNames + P::kTextSize * i, P::kTextSize);
    }
    EXPECT_EQ(std::string(g_preferences.Text(P::kVstFolder)), vst);
    name(P::kVstFolder, P::kTextSize);
    // The font references, by the names of their faces: the serif face, bold for 10 and 12, the
    // music face at 24 for time signatures, none for 13.
    struct Font {
        const char* face;
        int size, style;
    } fonts[P::kFontCount] = {
        {"Times New Roman", 12, 0}, {"Times New Roman", 12, 0}, {"Times New Roman", 12, 0}, {"Times New Roman", 12, 0},
        {"Times New Roman", 12, 0}, {"Times New Roman", 9, 0},  {"Times New Roman", 12, 0}, {"Times New Roman", 12, 0},
        {"Times New Roman", 9, 0},  {"Times New Roman", 12, 0}, {"Times New Roman", 12, 1}, {"Vorlind New", 24, 0},
        {"Times New Roman", 12, 1}, {nullptr, 0, 0},            {"Times New Roman", 12, 0}, {"Times New Roman", 10, 0},
    };
    const CFontList* list = GetFontList();
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < P::kFontCount; ++i) {
        const FontRef f = g_preferences.Font(i);
        if (fonts[i].face) {
            ASSERT_LT(int(f.face), list->GetCount()) << "font " << i;
            EXPECT_STREQ(list->GetFaceName(f.face), fonts[i].face) << "font " << i;
        }
        EXPECT_EQ(f.size, fonts[i].size) << "font " << i;
        EXPECT_EQ(f.style, fonts[i].style) << "font " << i;
        name(P::kFonts + 6 * i, 6);
    }
    // Every other byte is the record's default.
    for (int at = 0; at < P::kSize; ++at)
        if (!named[std::size_t(at)]) ASSERT_EQ(g_preferences.Byte(at), defaults.Byte(at)) << "byte " << at;
    EXPECT_TRUE(std::filesystem::is_directory(vst));
    // Nothing is stored by loading.
    EXPECT_FALSE(std::filesystem::exists(home.config() + "/Harrowick/Zelmarin/4.0"));
}

TEST_F(PreferencesTest, PluginFolderComesFromTheMachineStore) {
    std::filesystem::create_directories(home.machine() + "/VST");
    std::ofstream(home.machine() + "/VST/values.reg") << "VSTPluginsPath\tsz\t/opt/vst\n";
    g_preferences.Init();
    EXPECT_STREQ(g_preferences.Text(P::kVstFolder), "/opt/vst");
    EXPECT_FALSE(std::filesystem::exists(home.home() + "/.vst"));
}

TEST_F(PreferencesTest, SaveThenLoadGivesBackEveryStoredField) {
    // Every stored field gets a value other than its default.
    const CFontList* fonts = GetFontList();
    ASSERT_NE(fonts, nullptr);
    ASSERT_GT(fonts->GetCount(), 1);
    Preferences& p = g_preferences;
    for (const auto& v : p.DescribeStoredValues()) {
        const int at = v.offset;
        if (at == P::kVersion || (at >= P::kFonts && at < P::kFonts + 6 * P::kStoredFonts)) continue;
        if (v.flag)
            p.SetByte(at, std::uint8_t(1 - p.Byte(at)));
        else if (v.width == 1)
            p.SetByte(at, std::uint8_t(at % 200 + 2));
        else if (v.width == 2)
            p.SetWord(at, at == P::kCountBars ? 7 : std::int16_t(-3 - at % 50));  // 16-bit fields keep a sign
        else if (v.width == 4)
            p.SetDword(at, 70000 + at);
        else if (v.width == P::kTextSize)
            p.SetText(at, ("text at " + std::to_string(at)).c_str());
        else
            for (int w = 0; w < EngraverSettings::kWords; ++w) p.Engraver().SetWord(w, std::int16_t(100 + 7 * w));
    }
    for (int i = 0; i < P::kStoredFonts; ++i)
        p.SetFont(i, FontRef{std::uint16_t(i % 2), std::uint16_t(8 + i), std::uint8_t(i % 4), 0});
    const auto saved = p.DescribeStoredValues();
    p.Save();

    p.SetDefaults();
    p.SetDefaultFonts();
    p.Init();
    const auto loaded = p.DescribeStoredValues();
    ASSERT_EQ(saved.size(), loaded.size());
    for (std::size_t i = 0; i < saved.size(); ++i) {
        const std::string& name = saved[i].name;
        if (name == "Patch" || name == "Transpose" || name == "Reset Mod Wheel" || name == "Settings" ||
            name == "Version")
            continue;
        EXPECT_EQ(loaded[i].value, saved[i].value) << saved[i].key << " " << name;
    }
    // The repaired ones.
    EXPECT_EQ(p.Dword(P::kThruPatch), -1);
    EXPECT_EQ(p.Word(P::kThruTranspose), 0);
    EXPECT_EQ(p.Byte(P::kResetModWheel), 1);
    EXPECT_EQ(p.Engraver().GetWord(16), 1440);
    EXPECT_EQ(p.Engraver().GetWord(13), 100 + 7 * 13);
    EXPECT_EQ(p.Word(P::kVersion), 1025);
    // Stored preferences existed: no first run, no engine question.
    EXPECT_EQ(p.Byte(P::kFirstRun), 0);
    EXPECT_EQ(p.Byte(P::kAskAudioEngine), 0);
}

TEST_F(PreferencesTest, SaveWritesTheTreeWithItsValueNames) {
    g_preferences.Init();
    g_preferences.SetWord(P::kSyncDevice, -1);
    g_preferences.SetByte(P::kSplitPitch, 200);
    g_preferences.Save();
    struct Row {
        const char* folder;
        const char* line;
    } rows[] = {
        {"", "Version\tdword\t00000401"},
        {"/Auto Flags", "Ledt Edge Barline\tdword\t00000000"},
        {"/Auto Flags", "Save Minutes\tdword\t00000001"},
        {"/Playback", "Sync Device\tdword\tFFFFFFFF"},  // 16-bit fields widened with their sign
        {"/Playback/Metronone", "Accented Pitch\tdword\t0000004C"},
        {"/Playback/Dynamics", "sfp\tdword\t0000006E"},
        {"/Playback/Thru", "Patch\tdword\tFFFFFFFF"},
        {"/Playback/Record", "Split Pitch\tdword\t000000C8"},  // bytes widened without sign
        {"/Playback/Record/Filter", "Portamento Pedal\tdword\t00000000"},
        {"/Libraries", "AutoSave\tdword\t00000000"},
        {"/Theme", "Voice 8\tdword\t00000048"},
        {"/Midi Data Editing", "Controller\tdword\t00000000"},
        {"/Font Names", "MultiRest-face\tdword\t00000001"},
        {"/Path Names/Libraries", "Expresion\tsz\tExpressions"},
        {"/Engraver", "Settings\tbinary\t0400050"},
        {"/Extract", "Percentage\tdword\t00000064"},
        {"/Audio", "Buffer Size\tdword\t00000200"},
    };
    for (const Row& r : rows) {
        std::string folder = std::string(*r.folder ? prefsFolder() : prefsFolder() + "/..") + r.folder;
        std::string text;
        ASSERT_TRUE(fw::ReadWholeFile(folder + "/values.reg", text)) << r.folder;
        EXPECT_NE(text.find(r.line), std::string::npos) << r.folder << ": " << r.line;
    }
    // Values that are never stored.
    std::string flags;
    fw::ReadWholeFile(prefsFolder() + "/Auto Flags/values.reg", flags);
    EXPECT_EQ(flags.find("Grid\tdword\t00000000\n"), flags.find("Grid\t"));
    EXPECT_EQ(std::string(flags).find("First"), std::string::npos);
}

TEST_F(PreferencesTest, LoadRepairsWhatMustNotSurviveARestart) {
    struct Row {
        const char* key;
        const char* name;
        DWORD stored;
        int offset;
        int width;
        long expected;
    } rows[] = {
        {"Preferences\\Auto Flags", "Save Minutes", 0, P::kSaveMinutes, 1, 1},
        {"Preferences\\Playback\\Metronone", "Count Bars", 0, P::kCountBars, 2, 1},
        {"Preferences\\Playback\\Metronone", "Count Bars", 0xFFFF, P::kCountBars, 2, 1},  // -1
        {"Preferences\\Extract", "Percentage", 0, P::kExtractPercentage, 1, 100},
        {"Preferences\\Playback\\Thru", "Patch", 0x1234, P::kThruPatch, 4, -1},
        {"Preferences\\Playback\\Thru", "Transpose", 5, P::kThruTranspose, 2, 0},
        {"Preferences\\Playback", "Reset Mod Wheel", 0, P::kResetModWheel, 1, 1},
        {"Preferences\\Audio", "Bit Depth", 0, P::kBitDepth, 4, 16},
    };
    for (const Row& r : rows) {
        testsupport::TempHome own;
        g_preferences.SetDefaults();
        g_preferences.SetDefaultFonts();
        putDword(r.key, r.name, r.stored);
        g_preferences.Init();
        const Preferences& p = g_preferences;
        long got = r.width == 1 ? p.Byte(r.offset) : r.width == 2 ? p.Word(r.offset) : p.Dword(r.offset);
        EXPECT_EQ(got, r.expected) << r.name << " stored as " << r.stored;
    }

    // Engraver words 13 and 16, and emptied library names.
    g_preferences.SetDefaults();
    std::vector<std::uint8_t> engraver(100, 0);
    engraver[24] = 7;   // word 12, the staff-line width
    engraver[32] = 99;  // word 16
    putBinary("Preferences\\Engraver", "Settings", engraver);
    putString("Preferences\\Path Names\\Libraries", "Drum", "");
    putString("Preferences\\Path Names\\Libraries", "Chord", "My Chords");
    g_preferences.Init();
    EXPECT_EQ(g_preferences.Engraver().GetWord(13), 7);
    EXPECT_EQ(g_preferences.Engraver().GetWord(16), 1440);
    EXPECT_EQ(library(2), "GM Drum Map");
    EXPECT_EQ(library(1), "My Chords");
}

TEST_F(PreferencesTest, StoredValuesAreReadByTheirFieldsType) {
    putDword("Preferences\\Auto Flags", "Beam", 0);
    putDword("Preferences\\Auto Flags", "Metric", 0x100);             // any non-zero is 1
    putDword("Preferences\\Auto Flags", "Grid", 0x1FF);               // a byte keeps its low byte
    putDword("Preferences\\Playback", "Sync Device", 0xFFFF8000);     // 16-bit keeps its sign
    putDword("Preferences\\Playback", "Default Device", 0x00012345);  // and only its low word
    putString("Preferences\\Playback", "Middle C", "2");              // not a number: ignored
    putString("Preferences\\Path Names", "Default Folder", std::string(400, 'a'));
    putString("Preferences\\Theme", "Dock Bitmap", std::string(254, 'b') + "\xB0\xA1");  // a cut character
    g_preferences.Init();
    const Preferences& p = g_preferences;
    EXPECT_EQ(p.Byte(P::kBeam), 0);
    EXPECT_EQ(p.Byte(P::kMetric), 1);
    EXPECT_EQ(p.Byte(P::kGrid), 0xFF);
    EXPECT_EQ(p.Word(P::kSyncDevice), -32768);
    EXPECT_EQ(p.Word(P::kDefaultDevice), 0x2345);
    EXPECT_EQ(p.Byte(P::kMiddleC), 1);
    EXPECT_EQ(std::strlen(p.Text(P::kDefaultFolder)), 255u);
    EXPECT_EQ(p.Byte(P::kDefaultFolder + 255), 0);
    EXPECT_EQ(p.Byte(P::kVstFolder), '/');  // the next field is untouched
    EXPECT_EQ(std::strlen(p.Text(P::kDockBitmap)), 254u);
}

TEST_F(PreferencesTest, FontNamesMapToInstalledFonts) {
    const CFontList* fonts = GetFontList();
    ASSERT_GT(fonts->GetCount(), 2);
    const int wanted = fonts->GetCount() - 1;
    const FontRef fallback = g_draw.standardFontRefs[1];
    const FontRef before = g_preferences.Font(1);
    putString("Preferences\\Font Names", "BarText", fonts->GetFaceName(wanted));
    putDword("Preferences\\Font Names", "BarText-size", 15);
    putDword("Preferences\\Font Names", "BarText-face", 2);
    putString("Preferences\\Font Names", "SystemText", "No Such Face Anywhere");
    putDword("Preferences\\Font Names", "PageText-size", 0);
    g_preferences.Init();
    const Preferences& p = g_preferences;
    EXPECT_EQ(p.Font(0).face, wanted);
    EXPECT_EQ(p.Font(0).size, 15);
    EXPECT_EQ(p.Font(0).style, 2);
    EXPECT_EQ(p.Font(1).face, before.face) << "a face that is not installed keeps its id";
    EXPECT_EQ(p.Font(3).face, fallback.face);
    EXPECT_EQ(p.Font(3).size, fallback.size);

    // Saving names the face; an id past the list is saved (and repaired) as the default.
    g_preferences.SetFont(4, FontRef{std::uint16_t(fonts->GetCount() + 50), 11, 0, 0});
    g_preferences.Save();
    RegKeyRecord k;
    ASSERT_TRUE(OpenRegKey(k, kProgramKey, "Preferences\\Font Names", KEY_READ, HKEY_CURRENT_USER));
    char face[256] = {};
    ASSERT_TRUE(GetRegStringNoDefault(k, "BarText", face, sizeof face));
    EXPECT_STREQ(face, fonts->GetFaceName(wanted));
    ASSERT_TRUE(GetRegStringNoDefault(k, "LyricText", face, sizeof face));
    EXPECT_STREQ(face, fonts->GetFaceName(fallback.face));
}

// An older version's whole record under the version 3 key.
std::vector<std::uint8_t> olderRecord(std::size_t size) {
    Preferences old;
    old.SetWord(P::kVersion, 900);
    old.SetWord(P::kVersionCopy, 900);
    old.SetByte(P::kBeam, 0);
    old.SetByte(P::kVolumeCtrl, 11);
    old.SetByte(P::kRests, 0);
    old.SetWord(P::kQuantizeIndex, 3);
    old.SetText(P::kDefaultFolder, "/scores");
    old.SetFont(0, FontRef{1, 14, 0, 0});
    old.SetFont(1, FontRef{5000, 10, 0, 0});  // no such installed font
    old.SetFont(2, FontRef{FontRef::kNoFace, 10, 0, 0});
    std::memset(old.bytes + P::kThemeBlock, 0x33, 8);  // theme bytes of its own
    old.SetByte(P::kCellText, 44);
    old.SetDword(P::kBufferSize, 4096);
    std::vector<std::uint8_t> bytes(old.bytes, old.bytes + P::kSize);
    bytes.resize(size, 0x77);
    return bytes;
}

TEST_F(PreferencesTest, OlderVersionsRecordIsImportedOnce) {
    for (std::size_t size : {std::size_t(P::kSize), std::size_t(9000), std::size_t(P::kSize + 5000)}) {
        testsupport::TempHome own;
        g_preferences.SetDefaults();
        g_preferences.SetDefaultFonts();
        const FontRef mine2 = g_preferences.Font(2);
        putBinary("Preferences", "General", olderRecord(size), "Software\\Harrowick\\Zelmarin\\3.0");
        // Its font names lie beside it; a kind without one takes our reference's face.
        putString("Preferences", "BarText", GetFontList()->GetFaceName(1), "Software\\Harrowick\\Zelmarin\\3.0");
        putString("Preferences", "SystemText", "No Such Face", "Software\\Harrowick\\Zelmarin\\3.0");
        g_preferences.Init();
        const Preferences& p = g_preferences;
        SCOPED_TRACE(size);
        EXPECT_EQ(p.Byte(P::kBeam), 0);
        EXPECT_EQ(p.Word(P::kQuantizeIndex), 3);
        EXPECT_STREQ(p.Text(P::kDefaultFolder), "/scores");
        EXPECT_EQ(p.Byte(P::kVolumeCtrl), 7);
        EXPECT_EQ(p.Byte(P::kRests), 1) << "reset with the theme block: the record is older than 1024";
        EXPECT_EQ(p.Byte(P::kFirstRun), 1);
        EXPECT_EQ(p.Byte(P::kPanelBitmap), 0);
        EXPECT_EQ(p.Byte(P::kCellText), 3);
        EXPECT_EQ(p.Dword(P::kBufferSize), 512);
        EXPECT_EQ(p.Word(P::kVersion), 1025);
        EXPECT_EQ(p.Word(P::kRecordSize), P::kSize);
        EXPECT_EQ(p.Font(0).face, 1);
        EXPECT_EQ(p.Font(0).size, 14);
        EXPECT_EQ(p.Font(1).face, g_draw.standardFontRefs[1].face) << "an id past the font list";
        EXPECT_EQ(p.Font(1).size, 10);
        EXPECT_EQ(p.Font(2).face, mine2.face);
        EXPECT_EQ(p.Engraver().GetWord(32), 0);
    }

    // A record of a newer second version than ours is left alone.
    testsupport::TempHome own;
    g_preferences.SetDefaults();
    auto newer = olderRecord(P::kSize);
    newer[4] = 0x10;
    newer[5] = 0x10;
    putBinary("Preferences", "General", newer, "Software\\Harrowick\\Zelmarin\\2.0");
    g_preferences.Init();
    EXPECT_EQ(g_preferences.Byte(P::kBeam), 1);
    EXPECT_EQ(g_preferences.Byte(P::kVolumeCtrl), 7);
}

TEST_F(PreferencesTest, ThemeFallsBackToOurPictureAndMenusToTheCellColours) {
    CBitmap ours;
    ASSERT_TRUE(ours.LoadBitmap(Theme::kDefaultBitmap));
    testsupport::TempDir program;
    std::filesystem::create_directories(program.path() + "/Themes");
    CBitmap pattern;
    ASSERT_TRUE(pattern.CreateBitmap(5, 3));
    ASSERT_TRUE(pattern.SavePng(program.path() + "/Themes/wood.png"));
    FileSpec folder;
    std::strcpy(folder.path, program.path().c_str());
    fw::ScopedGlobal<FileSpec> keep(g_platform.programFolder, folder);

    struct Row {
        const char* panel;
        const char* dock;
        int menuBody, menuText;
        long panelWidth, dockWidth;
        int wantMenuBody, wantMenuText;
    } rows[] = {
        {"", "", -1, -1, ours.GetSize().cx, ours.GetSize().cx, 4, 9},
        {"missing.bmp", "wood.png", -1, 2, ours.GetSize().cx, 5, 4, 2},
        {"wood.png", "", 6, -1, 5, ours.GetSize().cx, 6, 9},
    };
    for (const Row& r : rows) {
        Theme t;
        t.Load(r.panel, r.dock, 4, 9, r.menuBody, r.menuText);
        EXPECT_EQ(t.panelBitmap.GetSize().cx, r.panelWidth) << r.panel;
        EXPECT_EQ(t.dockBitmap.GetSize().cx, r.dockWidth) << r.dock;
        EXPECT_EQ(t.cellBody, 4);
        EXPECT_EQ(t.cellText, 9);
        EXPECT_EQ(t.menuBody, r.wantMenuBody);
        EXPECT_EQ(t.menuText, r.wantMenuText);
        EXPECT_EQ(g_draw.themeColorA, 4);
        EXPECT_EQ(g_draw.themeColorB, 9);
    }
    EXPECT_EQ(Theme().panelBitmap.IsValid(), false);
}

TEST_F(PreferencesTest, GlobalsOfTheLowerLayersFollowTheRecord) {
    putDword("Preferences\\Auto Flags", "Metric", 1);
    putDword("Preferences\\Auto Flags", "All Popup Names", 1);
    putDword("Preferences\\Playback", "Note Name Type", 1);
    putDword("Preferences\\Playback", "Middle C", 0);
    putDword("Preferences\\Theme", "Voice 2", 33);
    putDword("Preferences\\Theme", "Selected Items", 21);
    putDword("Preferences\\Theme", "InActive Items", 22);
    putDword("Preferences\\Theme", "Cell Body", 8);
    putDword("Preferences\\Theme", "Texture", 4);
    EXPECT_FALSE(MetricUnits());
    g_preferences.Init();
    EXPECT_TRUE(MetricUnits());
    EXPECT_EQ(g_platform.noteNameStyle, 1);  // German names
    EXPECT_EQ(g_platform.octaveNumberOffset, 0);
    EXPECT_TRUE(g_ui.listUnnamedEntries);
    EXPECT_EQ(g_draw.roleColors[0], 0);
    EXPECT_EQ(g_draw.roleColors[1], 33);
    EXPECT_EQ(g_draw.roleColors[2], 60);
    EXPECT_EQ(g_draw.roleColors[8], 22);
    EXPECT_EQ(g_draw.roleColors[9], 21);
    EXPECT_EQ(g_draw.themeColorA, 8);
    EXPECT_EQ(g_draw.themeColorB, 3);
    EXPECT_EQ(g_ui.prefPagesTexture, 4) << "the preferences pages take the texture";
    // A field changed later reaches them at once; a scratch copy does not.
    Preferences copy = g_preferences;
    copy.SetByte(P::kMetric, 0);
    EXPECT_TRUE(MetricUnits());
    g_preferences.SetByte(P::kMetric, 0);
    EXPECT_FALSE(MetricUnits());
}

}  // namespace
