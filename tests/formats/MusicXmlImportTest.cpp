// Opening MusicXML files through the document: the small files of tests/data/formats/musicxml
// (one feature each) against their `zeldump --items` dumps, every import saved, read back and
// saved again to the same bytes, texts in every encoding reaching the score in the code page,
// and refused files that open nothing and say why in the debug log.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "ImportEnv.h"
#include "formats/MusicXmlImport.h"
#include "framework/CodePage.h"
#include "framework/File.h"
#include "framework/Globals.h"
#include "framework/MessageBox.h"
#include "model/Bar.h"
#include "model/Lyric.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/Titles.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "platform/DebugLog.h"
#include "platform/PlatformGlobals.h"
#include "platform/Port.h"
#include "support/RunTool.h"
#include "support/TempHome.h"
#include "support/TestData.h"

namespace {

std::string Fixture(const std::string& name) { return testsupport::TestDataPath("formats/musicxml/" + name); }

using formatstest::ReadFile;

struct Env : formatstest::ImportEnv {
    std::string Write(const std::string& name, const std::string& bytes) const {
        fw::WriteFileAtomic(Path(name), bytes);
        return Path(name);
    }
    // The bytes of the score of a file opened through the document and saved.
    std::string OpenAndSave(const std::string& path, const std::string& out, std::string* why = nullptr) {
        CZelDoc doc;
        if (!doc.OnOpenDocument(fw::FromUtf8(path).c_str())) {
            if (why) *why = "code " + std::to_string(doc.lastReadCode);
            return {};
        }
        if (!doc.OnSaveDocument(fw::FromUtf8(Path(out)).c_str())) {
            if (why) *why = "not saved";
            return {};
        }
        return ReadFile(Path(out));
    }
};

// --- every fixture against its dump -------------------------------------------------------------

struct DumpCase {
    const char* file;
    // What the case is there for: patterns (a column position written \d+) that lines of the
    // dump must hold, besides the dump being the committed one as a whole.
    std::vector<const char*> claims;
};

std::string DumpOf(const std::string& path) {
    std::string out;
    const int status = testsupport::RunTool("zeldump", "--items '" + path + "'", &out);
    if (status != 0) return "zeldump exit " + std::to_string(status) + ": " + out;
    return out;
}

TEST(MusicXmlImport, EachFixtureImportsToItsDump) {
    if (!std::getenv("ZEL_BUILD_DIR")) GTEST_SKIP() << "ZEL_BUILD_DIR names the tools' folder";
    const DumpCase cases[] = {
        // One note of three heads at 0, one of two at 480, then the half rest.
        {"chords", {R"(0 0: 0 Note time 0 pos \d+ voice 0 flags 0000 pitches 60,64,67 value 3 )",
                    R"(0 0: 1 Note time 480 pos \d+ voice 0 flags 0000 pitches 62,65 value 3 )",
                    R"(0 0: 2 Rest time 960 .* value 2 )"}},
        // Backup to the bar's start, forward a half: voice 2's half note at 960, its gap a rest.
        {"voices", {R"(Note time 1440 pos \d+ voice 0 flags 0000 pitches 77 )",
                    R"(Note time 960 pos \d+ voice 1 flags 0020 pitches 60 value 2 )",
                    R"(Rest time 0 pos \d+ voice 1 .* value 2 )"}},
        // Grace notes 20 and 10 ticks before the quarter at 480 sound from there less their own
        // length (80, a third of an eighth); the note before ends where the first begins.
        {"grace", {R"(0 0: 0 Note time 0 .* pitches 72 value 3 .* 380\] *$)",
                   R"(Note time 480 .* pitches 74 value 4 .* 80\] plays 380)",
                   R"(Note time 480 .* pitches 76 value 4 .* 80\] plays 390)",
                   R"(Note time 480 .* pitches 77 value 3 dots 0 )"}},
        // A dotted eighth in 3:2 advances 240 ticks, the sixteenth 80.
        {"tuplet", {R"(Note time 0 .* pitches 72 value 4 dots 1 )", R"(Note time 240 .* pitches 74 value 5 )",
                    R"(Note time 320 .* pitches 76 value 4 )", R"(Note time 480 .* pitches 77 value 3 )",
                    R"(0 0: 0 Tuplet time 0 )"}},
        // No item for the whole-bar rest of 4/4; a breve rest in 5/4.
        {"wholerest", {R"(^bar 1: 5/4 )", R"(^0 1: 0 Rest time 0 .* value 0 dots 0 )"}},
        {"ties", {R"(0 0: 1 Tie time 960 .* bars 1 end 0 pitch 67)", R"(0 0: 2 Note time 960 .* pitches 67 .*a0/0 > 960\])",
                  R"(0 1: 0 Note time 0 .* pitches 67 .*a0/0 < 960\])"}},
        // Without a placement the slur goes above stems that point down; the second is below.
        {"slurs", {R"(0 0: 0 Slur time 0 pos 0 voice 0 flags 0000 from 3/0 to 4/0 bars 0 )",
                   R"(0 0: 3 Slur time 960 .* from -7/0 to -5/0 bars 0 )"}},
        // Four eighths under one beam; a dotted eighth and a sixteenth whose second level is a
        // stub pointing back (segment flags 43: partial, to the left, level 2).
        {"beams", {R"(0 0: 0 Beam time 0 .* \[20 n0 0\+0 0-\d+\]$)", R"(0 0: 5 Beam time 960 .*\] \[43 n0 0\+0 )"}},
        // The bass clef at 960 (its x -60); the notes after it stand for that clef.
        {"clef", {R"(Clef time 960 .* code 1 staffpos 2 x -60 scale 75)", R"(Note time 960 .* pitches 55 .* \[3 )",
                  R"(0 1: 0 Note time 0 .* pitches 48 .* \[-1 )"}},
        // D major in common time, E flat major in cut time, then C major (a change to no key).
        {"keys", {R"(^bar 0: 4/4 common )", R"(^bar 1: 2/2 cut )", R"(^bar 2: 3/4 flags)",
                  R"(0 1: 0 Key Signature .* key 3 previous 9 )", R"(0 2: 0 Key Signature .* key 0 previous 3 )"}},
        // Voice 5 of the lower staff moves to the second track as its voice 1; braced, one name.
        {"twostaff", {R"(^track 1: "Piano" "" flags 10 clef 1 )", R"(bracket staff 0 kind 1 span 1)",
                      R"(1 0: 0 Note time 0 pos 0 voice 0 flags 0000 pitches 48 )"}},
        // A bracket over the first group, a brace over the second; channels in part order.
        {"groups", {R"(bracket staff 0 kind 2 span 1, bracket staff 2 kind 1 span 1)",
                    R"(^track 3: "Pedals" .* channel 3 )"}},
        // The forte plays at its sound velocity; below the staff at default-y -80.
        {"dynamics", {R"(Dynamic time 0 .* mark 6 value 100 kind 1 controller 7 y 780)",
                      R"(Dynamic time 960 .* mark 3 value 60 kind 1 controller 7 y 300)"}},
        {"wedge", {R"(0 0: 0 Crescendo time 0 pos 0 .* end 0:\d+)", R"(Decrescendo time \d+ .* end 1:\d+)"}},
        // 8va: the notes written an octave lower, an octave line of kind 0 that plays them up.
        {"ottava", {R"(Ottava time 0 .* flags 37 y -600 shift 12 )", R"(Note time 0 .* pitches 72 )",
                    R"(Note time 480 .* pitches 76 )", R"(Note time 960 .* pitches 79 )"}},
        {"pedal", {R"(Symbol time 0 .* char 208 .* y 240 )", R"(Symbol time 1440 .* char 209 .* y 240 )"}},
        // Below with default-y -50: y = -(-50 + 40) = 10, 120 units; 300 - 20 x the size.
        {"words", {R"(Text time 0 .* x 60 y 180 .* "dolce")"}},
        // Half = 60 with the sound tempo 120: beat unit 2, playing 60.00 (6000) halves.
        {"metronome", {R"(^bar 0: .* tempo 6000, .*tempo 60.00 beat unit 2 at 0)"}},
        {"lyrics", {R"(Lyric time 0 .* flags 09 "Hel")", R"(Lyric time 480 .* flags 08 "lo")",
                    R"(Lyric time 960 .* flags 0a "world")"}},
        // light-light; heavy-light then a forward repeat (the repeat wins); a backward repeat
        // with its count; dashed, then the final bar line.
        {"barlines", {R"(^bar 0: .* barlines 0/1 )", R"(^bar 1: .* barlines 2/0 )", R"(^bar 2: .* barlines 0/3 )",
                      R"(^bar 3: .* barlines 5/4 )", R"(^bar 2 own 0 Jumper .* kind 8 )"}},
        // A print that asks for no new system breaks nothing.
        {"breaks", {R"(^system 0: page 0 bars 0-1$)", R"(^system 1: page 0 bars 2-3$)", R"(^system 2: page 1 bars 4-5$)"}},
        {"chinese", {R"(^title 0 line 0: "小星星"$)", R"(^title 2 line 0: "莫扎特"$)", R"(^track 0: "钢琴")",
                     R"("café \?")", R"(Lyric .* "一")", R"(Lyric .* "\?x")"}},
        // Sharp, flat, double sharp, double flat; a natural after F sharp.
        {"accidentals", {R"(pitches 73 .* a1/0)", R"(pitches 70 .* a2/0)", R"(pitches 76 .* a4/0)",
                         R"(pitches 74 .* a5/0)", R"(0 1: 1 Note .* pitches 77 .* a3/0)"}},
        // part-name-display keeps the name; an abbreviation with an attribute is read; MIDI
        // channel 3 and program 41 as 2 and 40; the other parts take the next channels.
        {"names", {R"(^track 0: "Violin" "Vln." flags 13 clef 0 key 0 channel 2 program 40$)",
                   R"(^track 1: "Oboe" "" .* channel 3 )", R"(^track 2: "Viola" "" flags 11 clef 2 key 0 channel 4 )"}},
        // Staves past four, voice 9, slur 7, wedge 17, lyric 9 and group 65 left out; divisions
        // of 0 read as 1; a grace and a chord note at a bar's start at time 0; a long duration
        // held to 32767.
        {"limits", {R"(^score: 4 tracks)", R"(0 0: 0 Note time 0 .* pitches 71 value 4 )",
                    R"(0 1: 0 Note time 0 .* pitches 76 )", R"(pitches 79 .* 32767\]$)"}},
    };
    const bool update = std::getenv("ZEL_UPDATE_REFERENCES") != nullptr;
    for (const DumpCase& c : cases) {
        const std::string dump = DumpOf(Fixture(std::string(c.file) + ".xml"));
        for (const char* claim : c.claims)
            EXPECT_TRUE(std::regex_search(dump, std::regex(claim, std::regex::multiline)))
                << c.file << ": no line matches " << claim;
        const std::string golden = Fixture(std::string(c.file) + ".items");
        if (update) fw::WriteFileAtomic(golden, dump);
        EXPECT_EQ(dump, ReadFile(golden)) << c.file << ": the dump differs from " << golden;
    }
}

// --- saved, read back, saved again --------------------------------------------------------------

TEST(MusicXmlImport, EveryFixtureSavesReadsBackAndSavesTheSameBytes) {
    Env env;
    for (const char* file : {"chords", "voices", "grace", "tuplet", "wholerest", "ties", "slurs", "beams", "clef",
                             "keys", "twostaff", "groups", "dynamics", "wedge", "ottava", "pedal", "words",
                             "metronome", "lyrics", "barlines", "breaks", "chinese", "chinese-utf16le",
                             "chinese-utf16be", "accidentals", "names", "limits"}) {
        std::string why;
        const std::string first = env.OpenAndSave(Fixture(std::string(file) + ".xml"), "first.zel", &why);
        ASSERT_FALSE(first.empty()) << file << ": " << why;
        const std::string second = env.OpenAndSave(env.Path("first.zel"), "second.zel", &why);
        ASSERT_FALSE(second.empty()) << file << ": " << why;
        EXPECT_TRUE(first == second) << file << ": the score read back saves other bytes";
    }
}

// --- texts ----------------------------------------------------------------------------------------

TEST(MusicXmlImport, UtfEightAndBothSixteenBitOrdersImportAlikeInTheCodePage) {
    Env env;
    const std::string utf8 = env.OpenAndSave(Fixture("chinese.xml"), "a.zel");
    ASSERT_FALSE(utf8.empty());
    EXPECT_TRUE(env.OpenAndSave(Fixture("chinese-utf16le.xml"), "b.zel") == utf8) << "UTF-16, low byte first";
    EXPECT_TRUE(env.OpenAndSave(Fixture("chinese-utf16be.xml"), "c.zel") == utf8) << "UTF-16, high byte first";

    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(Fixture("chinese-utf16be.xml").c_str()));
    EXPECT_EQ(fw::ToUtf8(doc.titles[0].lines[0].text), "小星星");
    EXPECT_EQ(fw::ToUtf8(doc.titles[2].lines[0].text), "莫扎特");
    EXPECT_EQ(fw::ToUtf8(doc.GetScore()->GetTrack(0)->GetFullName()), "钢琴");
    std::vector<std::string> syllables;
    CTrkBar* tb = doc.GetScore()->GetTrkBar(0, 0);
    for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
        if (!i->IsRemoved() && i->TypeCode() == CLyric::kTypeCode)
            syllables.push_back(fw::ToUtf8(static_cast<CLyric*>(i)->GetText()));
    // The note sign is no character of the code page.
    EXPECT_EQ(syllables, (std::vector<std::string>{"一", "闪", "?x"}));
}

// --- refused files --------------------------------------------------------------------------------

TEST(MusicXmlImport, RefusedFilesOpenNoDocumentAndLogTheirReasonAndOffset) {
    Env env;
    g_platform.debugLog = 1;
    const std::string partList = "<part-list><score-part id=\"P1\"><part-name>A</part-name></score-part></part-list>";
    struct Case {
        const char* name;
        std::string bytes;
        const char* reason;
        int offset;  // -1: the file's length
    } cases[] = {
        {"an empty file", "", "no score-partwise root element", 0},
        {"a score file renamed", "ZELS\x01\x02\x03", "no score-partwise root element", 7},
        {"a timewise score", "<?xml version=\"1.0\"?>\n<score-timewise>" + partList + "</score-timewise>",
         "no score-partwise root element", 22},
        {"another root", "<opus><title>x</title></opus>", "no score-partwise root element", 0},
        {"no score-part", "<score-partwise><part-list></part-list></score-partwise>", "the part list names no score-part",
         0},
        {"cut inside the root", "<score-partwise>" + partList + "<part id=\"P1\"><measure>",
         "the file ends inside the score-partwise element", -1},
        {"cut inside a tag", "<score-partwise>" + partList + "<part id=\"P1", "the file ends inside the score-partwise element",
         -1},
    };
    for (const Case& c : cases) {
        StartLog(nullptr);
        CZelDoc doc;
        EXPECT_FALSE(doc.OnOpenDocument(env.Write("bad.xml", c.bytes).c_str())) << c.name;
        EXPECT_EQ(doc.lastReadCode, 101) << c.name;
        EXPECT_EQ(doc.GetScore()->GetBarCount(), 0) << c.name << ": nothing built";
        const std::string log = ReadFile(env.home.state() + "/Harrowick/Zelmarin.log");
        const int offset = c.offset >= 0 ? c.offset : int(c.bytes.size());
        const std::string line = std::string("MusicXML file refused: ") + c.reason + " at byte " + std::to_string(offset);
        EXPECT_NE(log.find(line), std::string::npos) << c.name << ": the log holds\n" << log;
    }
}

TEST(MusicXmlImport, TheOffsetOfARefusalIsTheFilesOwnInSixteenBitText) {
    Env env;
    g_platform.debugLog = 1;
    StartLog(nullptr);
    // "<opus/>" in UTF-16, low byte first: the root stands at byte 2, after the byte order mark.
    std::string bytes = "\xFF\xFE";
    for (char c : std::string("<opus/>")) bytes += std::string{c, '\0'};
    CZelDoc doc;
    EXPECT_FALSE(doc.OnOpenDocument(env.Write("wide.xml", bytes).c_str()));
    EXPECT_EQ(doc.lastReadCode, 101);
    const std::string log = ReadFile(env.home.state() + "/Harrowick/Zelmarin.log");
    EXPECT_NE(log.find("no score-partwise root element at byte 2"), std::string::npos) << log;
}

// --- tables that end ------------------------------------------------------------------------------

TEST(MusicXmlImport, PartsPastSixtyFourAreLeftOut) {
    Env env;
    std::string xml = "<score-partwise><part-list>";
    for (int p = 1; p <= 70; ++p)
        xml += "<score-part id=\"P" + std::to_string(p) + "\"><part-name>N" + std::to_string(p) + "</part-name></score-part>";
    xml += "</part-list>";
    for (int p = 1; p <= 70; ++p)
        xml += "<part id=\"P" + std::to_string(p) + "\"><measure><attributes><divisions>1</divisions></attributes>"
               "<note><pitch><step>C</step><octave>5</octave></pitch><duration>4</duration><type>whole</type></note>"
               "</measure></part>";
    xml += "</score-partwise>";
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("many.xml", xml).c_str()));
    CScore& score = *doc.GetScore();
    ASSERT_EQ(score.GetTrackCount(), 64);
    EXPECT_STREQ(score.GetTrack(63)->GetFullName(), "N64");
}

}  // namespace
