// MIDI files as people have them, opened through the document: damaged and tricky files (the
// fixtures of tests/data/midi/hostile, each with the outcome it must have) and one small file of
// our own for each thing the import must get right: times that never wrap, a score as long as
// its music, tempi and meters as written, voices without stray rests, notes that are never
// switched off, refusals that say why, and a first save that later saves give back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MidiImportSupport.h"
#include "framework/CodePage.h"
#include "midi/MidiExport.h"
#include "midi/MidiFile.h"
#include "model/Bar.h"
#include "model/ItemArray.h"
#include "model/Meter.h"
#include "model/System.h"
#include "model/Tempo.h"
#include "model/Text.h"
#include "platform/DebugLog.h"
#include "platform/PlatformGlobals.h"
#include "support/RunTool.h"
#include "support/TestData.h"

namespace {

using namespace midiimporttest;

std::string Fixture(const std::string& name) { return testsupport::TestDataPath("midi/hostile/" + name); }

// The tempo marks of a bar's own items: (time, tempo).
std::vector<std::pair<int, int>> TempoMarks(CScore& s, int bar) {
    std::vector<std::pair<int, int>> out;
    CItemArray* items = s.GetBar(bar)->GetItemArray();
    for (int i = 0; items && i < items->GetCount(); ++i) {
        auto* item = static_cast<CBarItem*>(items->GetAt(i));
        if (!item->IsRemoved() && item->TypeCode() == CTempo::kTypeCode)
            out.push_back({item->TimeField(), static_cast<CTempo*>(item)->GetValue()});
    }
    return out;
}

// A track chunk of the bytes as they stand.
Bytes RawTrack(const Bytes& body) {
    Bytes chunk = {'M', 'T', 'r', 'k', 0, 0, 0, std::uint8_t(body.size())};
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

Ev Tempo(int tick, int microseconds) {
    return {tick, {0xFF, 0x51, 0x03, std::uint8_t(microseconds >> 16), std::uint8_t(microseconds >> 8), std::uint8_t(microseconds)}};
}
Ev TimeSignature(int tick, int numerator, int power, int click) {
    return {tick, {0xFF, 0x58, 0x04, std::uint8_t(numerator), std::uint8_t(power), std::uint8_t(click), 8}};
}

bool HasChinese(const std::string& utf8) {
    for (unsigned char c : utf8)
        if (c >= 0x80) return true;
    return false;
}

}  // namespace

// Each fixture opens with the length its music has, or is refused with the reason the reader
// found.
TEST(MidiImportFiles, TheHostileFixturesOpenAsLongAsTheirMusicOrAreRefusedWithAReason) {
    struct Case {
        const char* file;
        int bars;            // 0: refused
        const char* reason;  // the English reason of a refusal
    } cases[] = {
        {"tick-overflow.mid", 0, "the times run past the longest score in track 1"},
        {"tick-overflow-carry.mid", 0, "the times run past the longest score in track 1"},
        {"tick-wrap-notes.mid", 0, "the times run past the longest score in track 1"},
        // One note, then a note-off of another key 31,990 bars later.
        {"far-note-off.mid", 1, nullptr},
        // A C major scale over two bars, then stray note-offs some 4,000 bars later.
        {"small-file-many-bars.mid", 2, nullptr},
        // Notes in five bars, the last one never switched off: it lasts the longest a note can
        // (32,766 ticks) and ends in bar 21; the track ends hundreds of thousands of bars later.
        {"small-file-32000-bars.mid", 22, nullptr},
        {"tempo-change-at-bar-start.mid", 4, nullptr},
        {"no-tempo-event.mid", 4, nullptr},
        {"tempo-change-mid-bar-and-marker.mid", 3, nullptr},
    };
    for (const Case& c : cases) {
        Env env;
        CZelDoc doc;
        const bool opened = doc.OnOpenDocument(Fixture(c.file).c_str());
        if (!c.bars) {
            EXPECT_FALSE(opened) << c.file;
            EXPECT_EQ(doc.lastReadCode, 101) << c.file;
            EXPECT_NE(doc.lastReadDetail.find(c.reason), std::string::npos) << c.file << ": " << doc.lastReadDetail;
            // The message names the file, then the reason in the program's words.
            const std::string shown = fw::ToUtf8(doc.lastReadMessage);
            const std::size_t name = shown.find(c.file), reason = shown.find("时间超出了乐谱所能容纳的长度");
            EXPECT_NE(name, std::string::npos) << shown;
            EXPECT_NE(reason, std::string::npos) << shown;
            EXPECT_LT(name, reason) << shown;
            continue;
        }
        ASSERT_TRUE(opened) << c.file << ": " << doc.lastReadCode << " " << doc.lastReadDetail;
        EXPECT_EQ(doc.GetScore()->GetBarCount(), c.bars) << c.file;
    }
}

TEST(MidiImportFiles, TheTempoFixturesKeepTheirTempiMarksAndMarker) {
    Env env;
    {
        // 120 at the start, 60 from bar 2: a tempo mark there, which playback and export follow.
        CZelDoc doc;
        ASSERT_TRUE(doc.OnOpenDocument(Fixture("tempo-change-at-bar-start.mid").c_str()));
        CScore& s = *doc.GetScore();
        EXPECT_EQ(s.GetBar(0)->GetTempo(), 12000);
        EXPECT_EQ(TempoMarks(s, 2), (std::vector<std::pair<int, int>>{{0, 6000}}));
        EXPECT_EQ(s.GetBar(2)->GetTempo(), 6000);
        EXPECT_EQ(s.GetBar(3)->GetTempo(), 6000);
        std::vector<std::uint8_t> bytes;
        ASSERT_EQ(ExportMidiBytes(doc, &bytes), 0);
        EXPECT_EQ(TempoEvents(bytes), (std::vector<std::pair<int, int>>{{0, 500000}, {3840, 1000000}}));
    }
    {
        CZelDoc doc;
        ASSERT_TRUE(doc.OnOpenDocument(Fixture("no-tempo-event.mid").c_str()));
        for (int b = 0; b < doc.GetScore()->GetBarCount(); ++b) EXPECT_EQ(doc.GetScore()->GetBar(b)->GetTempo(), 12000) << b;
    }
    {
        // A change at beat 3 of bar 1 stands in beat 3's column; the marker is one text.
        CZelDoc doc;
        ASSERT_TRUE(doc.OnOpenDocument(Fixture("tempo-change-mid-bar-and-marker.mid").c_str()));
        CScore& s = *doc.GetScore();
        EXPECT_TRUE(TempoMarks(s, 0).empty());
        ASSERT_EQ(TempoMarks(s, 1), (std::vector<std::pair<int, int>>{{960, 6000}}));
        int markPosition = -1, notePosition = -1;
        CItemArray* items = s.GetBar(1)->GetItemArray();
        for (int i = 0; i < items->GetCount(); ++i) {
            auto* item = static_cast<CBarItem*>(items->GetAt(i));
            if (item->TypeCode() == CTempo::kTypeCode) markPosition = item->PositionField();
        }
        for (CBarItem* i = s.GetTrkBar(0, 1)->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
            if (!i->IsRemoved() && i->TypeCode() == 144 && i->TimeField() == 960) notePosition = i->PositionField();
        ASSERT_GE(notePosition, 0);
        EXPECT_EQ(markPosition, notePosition);
        int texts = 0;
        for (int b = 0; b < s.GetBarCount(); ++b) texts += int(ItemsOf(s, 0, b, CText::kTypeCode).size());
        EXPECT_EQ(texts, 1);
    }
}

// A stray note-off, an end of track, a controller or a text past the last note adds no empty
// bars; an event at most a few bars after the last note keeps its bars.
TEST(MidiImportFiles, TheScoreIsAsLongAsItsMusic) {
    struct Case {
        const char* what;
        std::vector<Ev> events;
        int bars;
    } cases[] = {
        {"a stray note-off 100 bars on", {{100 * 1920, {0x80, 61, 0}}}, 1},
        {"a controller 200 bars on", {{200 * 1920, {0xB0, 1, 64}}}, 1},
        {"a text 50 bars on", {Meta(50 * 1920, 1, "fine")}, 1},
        {"an empty text and the end of track 9 bars on", {Meta(9 * 1920, 1, "")}, 1},
        {"a controller in the bar after", {{1920 + 240, {0xB0, 1, 64}}}, 2},
        {"a text three bars after", {Meta(3 * 1920, 1, "coda")}, 4},
        {"nothing after", {}, 1},
    };
    for (const Case& c : cases) {
        Env env;
        std::vector<Ev> e = c.events;
        Note(e, 0, 1920, 60);  // a whole note ending on the bar line
        CZelDoc doc;
        ASSERT_TRUE(doc.OnOpenDocument(env.Write("long.mid", Smf(1, {Track({}), Track(e)})).c_str())) << c.what;
        EXPECT_EQ(doc.GetScore()->GetBarCount(), c.bars) << c.what;
        EXPECT_EQ(NotesOf(*doc.GetScore(), 0).size(), 1u) << c.what;
    }
    // In 3/4 from the conductor track, a note in the sixth bar makes six bars.
    Env env;
    std::vector<Ev> e;
    Note(e, 5 * 1440, 1440, 60);
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("three.mid", Smf(1, {Track({TimeSignature(0, 3, 2, 24)}), Track(e)})).c_str()));
    EXPECT_EQ(doc.GetScore()->GetBarCount(), 6);
    EXPECT_EQ(NotesOf(*doc.GetScore(), 0), (std::vector<Placed>{{5, 0, 60, 1440, 90}}));
}

TEST(MidiImportFiles, TempiStartAt120AndChangeWithMarksInTheirColumns) {
    Env env;
    std::vector<Ev> c = {Tempo(0, 600000), Tempo(2 * 1920, 1000000), Tempo(3 * 1920 + 960, 400000)};
    std::vector<Ev> e;
    for (int b = 0; b < 5; ++b)
        for (int q = 0; q < 4; ++q) Note(e, b * 1920 + q * 480, 480, 60 + q);
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("tempi.mid", Smf(1, {Track(c), Track(e)})).c_str()));
    CScore& s = *doc.GetScore();
    // 100 a minute from the start; 60 from bar 2 (a mark at its start); 150 from beat 3 of bar 3.
    EXPECT_EQ(s.GetBar(0)->GetTempo(), 10000);
    EXPECT_EQ(s.GetBar(1)->GetTempo(), 10000);
    EXPECT_TRUE(TempoMarks(s, 0).empty());
    EXPECT_EQ(TempoMarks(s, 2), (std::vector<std::pair<int, int>>{{0, 6000}}));
    EXPECT_EQ(s.GetBar(2)->GetTempo(), 6000);
    EXPECT_EQ(TempoMarks(s, 3), (std::vector<std::pair<int, int>>{{960, 15000}}));
    EXPECT_EQ(s.GetBar(4)->GetTempo(), 15000);
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(ExportMidiBytes(doc, &bytes), 0);
    EXPECT_EQ(TempoEvents(bytes), (std::vector<std::pair<int, int>>{{0, 600000}, {3840, 1000000}, {6720, 400000}}));
    // Without a Set Tempo: 120 a minute, not a new score's 96.
    std::vector<Ev> plain;
    Note(plain, 0, 480, 60);
    CZelDoc none;
    ASSERT_TRUE(none.OnOpenDocument(env.Write("none.mid", Smf(1, {Track({}), Track(plain)})).c_str()));
    EXPECT_EQ(none.GetScore()->GetBar(0)->GetTempo(), 12000);
}

// A time signature shows in the bar where it changes and is hidden in the bars that take it;
// its click (24ths of a quarter) divides the bar into the metronome's beat groups.
TEST(MidiImportFiles, MeterChangesShowWhereTheyChangeWithTheirClick) {
    Env env;
    std::vector<Ev> c = {TimeSignature(0, 4, 2, 48), TimeSignature(2 * 1920, 6, 3, 36), TimeSignature(2 * 1920 + 2 * 1440, 6, 3, 12)};
    std::vector<Ev> e;
    for (int k = 0; k < 2 * 4 + 4 * 6; ++k) Note(e, k < 8 ? k * 480 : 3840 + (k - 8) * 240, 240, 60);
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("meters.mid", Smf(1, {Track(c), Track(e)})).c_str()));
    CScore& s = *doc.GetScore();
    ASSERT_EQ(s.GetBarCount(), 6);
    struct Expect {
        int numerator, denominator;
        bool shown;
        int group;  // ticks a click lasts
    } expected[] = {{4, 4, true, 960}, {4, 4, false, 960}, {6, 8, true, 720}, {6, 8, false, 720}, {6, 8, true, 240}, {6, 8, false, 240}};
    for (int b = 0; b < 6; ++b) {
        const Meter* m = s.GetBar(b)->GetMeter();
        EXPECT_EQ(m->GetNumerator(), expected[b].numerator) << b;
        EXPECT_EQ(m->GetDenominator(), expected[b].denominator) << b;
        EXPECT_EQ((m->GetDisplayFlags() & Meter::kShown) != 0, expected[b].shown) << b;
        EXPECT_EQ(m->GetTicksPerGroup(), expected[b].group) << b;
    }
    // Bar 2's change is drawn: in the bar, or by its staff when the bar starts a system.
    CBar* changed = s.GetBar(2);
    const bool startsSystem = changed->GetLine() && changed->GetLine()->GetFirstBarIndex() == 2;
    EXPECT_TRUE(startsSystem || changed->HasBarFlag(CBar::kShowsMeterBit));
    EXPECT_FALSE(s.GetBar(3)->HasBarFlag(CBar::kShowsMeterBit));
}

// A format 0 file's marker is read once, by the conductor pass.
TEST(MidiImportFiles, AFormatZeroMarkerIsOneText) {
    Env env;
    std::vector<Ev> e = {Meta(0, 6, "Intro"), Meta(1920, 7, "Cue")};
    Note(e, 0, 480, 60, 0);
    Note(e, 1920, 480, 48, 1);
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("marker.mid", Smf(0, {Track(e)})).c_str()));
    CScore& s = *doc.GetScore();
    ASSERT_EQ(s.GetTrackCount(), 2);
    for (int t = 0; t < 2; ++t)
        for (int b = 0; b < 2; ++b)
            EXPECT_EQ(ItemsOf(s, t, b, CText::kTypeCode).size(), t == 0 ? 1u : 0u) << "track " << t << " bar " << b;
}

// In the several-voices mode only the voices that hold notes get rests.
TEST(MidiImportFiles, SeveralVoicesFillOnlyTheVoicesThatHoldNotes) {
    Env env;
    // Format 0 on two channels: each channel a staff of its own, one voice each.
    std::vector<Ev> f0;
    for (int b = 0; b < 4; ++b) {
        Note(f0, b * 1920, 960, 72, 0);
        Note(f0, b * 1920 + 960, 480, 48, 1);
    }
    // One format 1 track on two channels: two voices, rests only in those two.
    std::vector<Ev> f1;
    for (int b = 0; b < 4; ++b) {
        Note(f1, b * 1920, 1920, 72, 0);
        Note(f1, b * 1920, 960, 48, 1);
    }
    const Bytes files[] = {Smf(0, {Track(f0)}), Smf(1, {Track({}), Track(f1)})};
    const int voicesUsed[] = {1, 2};
    for (int k = 0; k < 2; ++k) {
        CZelDoc doc;
        ASSERT_TRUE(doc.OnOpenDocument(env.Write("voices.mid", files[k]).c_str()));
        CScore& s = *doc.GetScore();
        for (int t = 0; t < s.GetTrackCount(); ++t)
            for (int b = 0; b < s.GetBarCount(); ++b)
                for (CBarItem* i : ItemsOf(s, t, b, 128))
                    EXPECT_LT(i->VoiceField(), voicesUsed[k]) << "file " << k << " track " << t << " bar " << b;
    }
}

// Notes never switched off end at the next note-on of their key, else at their track's end: a
// drum part that sends no note-offs keeps every hit.
TEST(MidiImportFiles, NotesNeverSwitchedOffEndAtTheirKeysNextNoteOrTheTracksEnd) {
    Env env;
    std::vector<Ev> e;
    for (int k = 0; k < 40; ++k) e.push_back({k * 240, {0x99, 36, 100}});
    e.push_back({40 * 240, {0x99, 38, 100}});
    e.push_back({40 * 240 + 480, Meta(0, 1, "").bytes});
    g_midiImport.optionsDialog = [](MidiImportSettings& s) {
        for (auto& r : s.rows) r.transcribe = 0;
        return true;
    };
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("drums.mid", Smf(1, {Track({}), Track(e)})).c_str()));
    const auto notes = NotesOf(*doc.GetScore(), 0);
    ASSERT_EQ(notes.size(), 41u);
    for (int k = 0; k < 39; ++k) EXPECT_EQ(notes[std::size_t(k)].length, 240) << k;
    // The last bass drum and the snare sound to the track's end.
    EXPECT_EQ(notes[39].length, 720);
    EXPECT_EQ(notes[40].length, 480);
}

// A format 1 file whose first track holds notes besides tempo and meter (also as its only
// track) imports them on a staff of their own, and the conductor events still count.
TEST(MidiImportFiles, NotesInTheFirstTrackOfAFormatOneFileGetAStaff) {
    Env env;
    std::vector<Ev> first = {Tempo(0, 1000000), TimeSignature(0, 3, 2, 24)};
    for (int k = 0; k < 6; ++k) Note(first, k * 480, 480, 60 + k);
    CZelDoc single;
    ASSERT_TRUE(single.OnOpenDocument(env.Write("single.mid", Smf(1, {Track(first)})).c_str()))
        << single.lastReadCode << " " << single.lastReadDetail;
    CScore& s = *single.GetScore();
    ASSERT_EQ(s.GetTrackCount(), 1);
    EXPECT_EQ(s.GetBarCount(), 2);
    EXPECT_EQ(s.GetBar(0)->GetMeterLength(), 1440);
    EXPECT_EQ(s.GetBar(0)->GetTempo(), 6000);
    EXPECT_EQ(NotesOf(s, 0).size(), 6u);
    // With a second track: the first track's staff leads.
    std::vector<Ev> second;
    Note(second, 0, 1440, 40);
    CZelDoc two;
    ASSERT_TRUE(two.OnOpenDocument(env.Write("two.mid", Smf(1, {Track(first), Track(second)})).c_str()));
    ASSERT_EQ(two.GetScore()->GetTrackCount(), 2);
    EXPECT_EQ(NotesOf(*two.GetScore(), 0).size(), 6u);
    EXPECT_EQ(NotesOf(*two.GetScore(), 1).size(), 1u);
}

// An undefined system status (F1, F4-F6, F9, FD) is one byte: the notes after it are read.
TEST(MidiImportFiles, UndefinedSystemMessagesLoseNothingAfterThem) {
    for (const int status : {0xF1, 0xF4, 0xF5, 0xF6, 0xF9, 0xFD}) {
        Env env;
        std::vector<Ev> e = {{240, {std::uint8_t(status)}}};
        for (int k = 0; k < 4; ++k) Note(e, k * 480, 480, 60 + k);
        CZelDoc doc;
        ASSERT_TRUE(doc.OnOpenDocument(env.Write("system.mid", Smf(1, {Track({}), Track(e)})).c_str())) << std::hex << status;
        EXPECT_EQ(NotesOf(*doc.GetScore(), 0).size(), 4u) << std::hex << status;
    }
}

// Running status continued after a meta or system-exclusive event; a last chunk whose length
// runs past the file's end: nothing is lost, so both open whole.
TEST(MidiImportFiles, ToleratedDamageLosesNoNotes) {
    Env env;
    // 90 3C 5A, a text, then 3E 5A under the note-on's running status, and their note-offs.
    Bytes body = {0x00, 0x90, 0x3C, 0x5A, 0x00, 0xFF, 0x01, 0x01, 'x', 0x00, 0x3E, 0x5A, 0x00, 0xF0, 0x01, 0xF7,
                  0x83, 0x60, 0x3C, 0x00, 0x00, 0x3E, 0x00, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes track = RawTrack(body);
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("running.mid", Smf(1, {Track({}), track})).c_str()))
        << doc.lastReadDetail;
    EXPECT_EQ(NotesOf(*doc.GetScore(), 0).size(), 2u);
    // The same file claiming three bytes more than it holds; the log says so.
    g_platform.debugLog = 1;
    StartLog(nullptr);
    Bytes over = Smf(1, {Track({}), track});
    over[over.size() - body.size() - 1] = std::uint8_t(body.size() + 3);
    CZelDoc past;
    ASSERT_TRUE(past.OnOpenDocument(env.Write("past.mid", over).c_str())) << past.lastReadDetail;
    EXPECT_EQ(NotesOf(*past.GetScore(), 0).size(), 2u);
    std::string log;
    ASSERT_TRUE(fw::ReadWholeFile(env.home.state() + "/Harrowick/Zelmarin.log", log));
    EXPECT_NE(log.find("the chunk of track 1 claims bytes past the file's end, read to the end: 3"), std::string::npos)
        << log;
}

// A refused file's message names the reader's reason after the file's name, in the program's
// words; the log and the tools have it in English with the track and the byte.
TEST(MidiImportFiles, ARefusalSaysWhatIsWrongAfterTheFileName) {
    Bytes format2 = Smf(2, {Track({})});
    Bytes header = Smf(1, {Track({})});
    header[7] = 60;
    // A text, then a data byte with no note before it to continue.
    const Bytes noStatus = Smf(1, {Track({}), RawTrack({0x00, 0xFF, 0x01, 0x01, 'x', 0x00, 0x3C, 0x5A, 0x00, 0xFF, 0x2F, 0x00})});
    // A note-off cut after its key.
    const Bytes cut = Smf(1, {Track({}), RawTrack({0x00, 0x90, 0x3C, 0x5A, 0x83, 0x60, 0x80, 0x3C})});
    struct Case {
        const char* what;
        Bytes file;
        const char* shown;   // after the file's name
        const char* detail;  // for the log and the tools
    } cases[] = {
        {"format 2", format2, "不能读取格式 2 的MIDI文件", "only formats 0 and 1 are read at byte 8"},
        {"header length", header, "文件头块的长度与文件不符。（第 4 字节）", "the header chunk's length does not fit the file at byte 4"},
        {"no status", noStatus, "数据字节前没有状态字节。（第 1 音轨，第 40 字节）", "a data byte with no status in force in track 1 at byte 40"},
        {"a track cut short", cut, "音轨在一个事件的中间结束。（第 1 音轨，第 41 字节）", "the track ends inside an event in track 1 at byte 41"},
    };
    for (const Case& c : cases) {
        Env env;
        CZelDoc doc;
        const std::string path = env.Write("bad.mid", c.file);
        EXPECT_FALSE(doc.OnOpenDocument(path.c_str())) << c.what;
        EXPECT_EQ(doc.lastReadCode, 101) << c.what;
        const std::string shown = fw::ToUtf8(doc.lastReadMessage);
        const std::size_t name = shown.find(path), reason = shown.find(c.shown);
        EXPECT_NE(name, std::string::npos) << c.what << ": " << shown;
        EXPECT_NE(reason, std::string::npos) << c.what << ": " << shown;
        EXPECT_LT(name, reason) << c.what << ": " << shown;
        EXPECT_NE(doc.lastReadDetail.find(c.detail), std::string::npos) << c.what << ": " << doc.lastReadDetail;
        ASSERT_EQ(env.boxes.shown().size(), 1u) << c.what;
        EXPECT_EQ(env.boxes.shown()[0].text, doc.lastReadMessage) << c.what;
    }
}

// A file with nothing to place says so, and opens nothing.
TEST(MidiImportFiles, AFileWithNoNotesSaysSo) {
    Env env;
    CZelDoc doc;
    const std::string path = env.Write("empty.mid", Smf(1, {Track({Tempo(0, 500000)}), Track({{0, {0xC0, 5}}, Meta(0, 3, "Piano")})}));
    EXPECT_FALSE(doc.OnOpenDocument(path.c_str()));
    EXPECT_EQ(doc.lastReadCode, 1);
    ASSERT_EQ(env.boxes.shown().size(), 1u);
    const std::string shown = fw::ToUtf8(env.boxes.shown()[0].text);
    EXPECT_NE(shown.find("文件中没有可以放置的音符"), std::string::npos) << shown;
    EXPECT_NE(shown.find(path), std::string::npos) << shown;
}

// An imported score of several pages saved, opened and saved again gives the first save's bytes.
TEST(MidiImportFiles, TheFirstSaveOfAnImportedScoreIsWhatLaterSavesGiveBack) {
    Env env;
    std::vector<Bytes> tracks = {Track({Tempo(0, 500000)})};
    for (int t = 0; t < 4; ++t) {
        std::vector<Ev> e;
        for (int k = 0; k < 60 * 4; ++k) Note(e, k * 480, 480, 48 + 7 * t + k % 5, t);
        tracks.push_back(Track(e));
    }
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("pages.mid", Smf(1, tracks)).c_str()));
    ASSERT_GT(doc.GetScore()->GetPageCount(), 1);
    const std::string a = env.dir.path() + "/a.zel", b = env.dir.path() + "/b.zel";
    ASSERT_TRUE(doc.WriteNative(a));
    CZelDoc again;
    ASSERT_TRUE(again.OnOpenDocument(a.c_str())) << again.lastReadCode;
    ASSERT_TRUE(again.WriteNative(b));
    std::string first, second;
    ASSERT_TRUE(fw::ReadWholeFile(a, first));
    ASSERT_TRUE(fw::ReadWholeFile(b, second));
    EXPECT_TRUE(first == second) << "the second save differs from the first";
}

// zeldump reads a MIDI file as the importer does and says, in its own words, what it found.
TEST(MidiImportFiles, ZeldumpNamesTheReasonInItsOwnWords) {
    struct Case {
        std::string args;
        int exit;
        const char* says;
    } cases[] = {
        {Fixture("tick-overflow.mid"), 1, "damaged at offset 26: track 0: the times run past the longest score"},
        {Fixture("tempo-change-at-bar-start.mid"), 0, "read: 1 tracks, 4 bars"},
        {Fixture("tempo-change-at-bar-start.mid"), 0, "MTrk 1 @49 len 148: 32 events, 16 notes"},
        {"--layout " + Fixture("tick-wrap-notes.mid"), 1, "code 101: the times run past the longest score in track 1"},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(testsupport::RunTool("zeldump", c.args, &out), c.exit) << c.args << "\n" << out;
        EXPECT_NE(out.find(c.says), std::string::npos) << c.args << " does not say \"" << c.says << "\":\n" << out;
        EXPECT_FALSE(HasChinese(out)) << c.args << ":\n" << out;
    }
}
