// The Standard MIDI File reader and writer on byte fixtures built here: running status, data
// byte counts, the rescale to 480 per quarter, how tracks are found, what is refused, and the
// writer's exact bytes; damaged images read safely (a seeded mutation pass).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "midi/MidiFile.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Header(int format, int tracks, int division, int length = 6) {
    Bytes b = {'M', 'T', 'h', 'd', 0, 0, 0, std::uint8_t(length), 0, std::uint8_t(format), 0, std::uint8_t(tracks),
               std::uint8_t(division >> 8), std::uint8_t(division)};
    for (int k = 6; k < length; ++k) b.push_back(0xEE);
    return b;
}
void AddChunk(Bytes& file, const char* tag, const Bytes& body) {
    file.insert(file.end(), tag, tag + 4);
    const auto n = std::uint32_t(body.size());
    file.insert(file.end(), {std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)});
    file.insert(file.end(), body.begin(), body.end());
}
Bytes File(const std::vector<Bytes>& tracks, int division = 480, int format = 1) {
    Bytes f = Header(format, int(tracks.size()), division);
    for (const Bytes& t : tracks) AddChunk(f, "MTrk", t);
    return f;
}

struct Read {
    int tick;
    int status;
    int meta;
    int d1, d2;
};
// Every event of track n (the end included as meta 0x2F).
std::vector<Read> ReadTrack(const Bytes& file, int n, std::string* error = nullptr) {
    CMidiFile f;
    f.Attach(file);
    SmfHeader h;
    std::vector<Read> out;
    if (f.ReadHeader(&h) != 0 || !(void(0), true)) {
        if (error) *error = f.error();
        return out;
    }
    SmfEvent e;
    if (!f.SeekTrack(n, &e)) {
        if (error) *error = f.error();
        return out;
    }
    while (f.ReadEvent(&e)) out.push_back({e.tick, e.status, e.metaType, CMidiFile::Data1(e), CMidiFile::Data2(e)});
    out.push_back({e.tick, e.status, e.metaType, 0, 0});
    if (error) *error = f.error();
    return out;
}

TEST(MidiFileRead, RunningStatusGivesTwoNoteOns) {
    const auto events = ReadTrack(File({{0x00, 0x90, 0x3C, 0x64, 0x00, 0x3E, 0x64, 0x00, 0xFF, 0x2F, 0x00}}), 0);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].status, 0x90);
    EXPECT_EQ(events[0].d1, 0x3C);
    EXPECT_EQ(events[1].status, 0x90);
    EXPECT_EQ(events[1].d1, 0x3E);
    EXPECT_EQ(events[1].d2, 0x64);
    EXPECT_EQ(events[2].meta, 0x2F);
}

TEST(MidiFileRead, ProgramChangeTakesOneDataBytePitchBendTwo) {
    const auto events = ReadTrack(
        File({{0x00, 0xC0, 0x05, 0x00, 0x06, 0x00, 0xE0, 0x00, 0x40, 0x00, 0x10, 0x20, 0x00, 0xFF, 0x2F, 0x00}}), 0);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].d1, 5);
    EXPECT_EQ(events[1].status, 0xC0);
    EXPECT_EQ(events[1].d1, 6);
    EXPECT_EQ(events[2].status, 0xE0);
    EXPECT_EQ(events[2].d2, 0x40);
    EXPECT_EQ(events[3].status, 0xE0);
    EXPECT_EQ(events[3].d1, 0x10);
    EXPECT_EQ(events[3].d2, 0x20);
}

TEST(MidiFileRead, DivisionsRescaleTo480WithoutDrift) {
    // Division 96: five ticks per file tick.
    auto events = ReadTrack(File({{0x00, 0x90, 60, 1, 0x01, 0x90, 60, 0, 0x60, 0x90, 62, 1, 0x00, 0xFF, 0x2F, 0x00}}, 96), 0);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[1].tick, 5);
    EXPECT_EQ(events[2].tick, 5 + 96 * 5);
    // Division 384: one file tick each advances 1, 1, 1, 2.
    Bytes t;
    for (int k = 0; k < 8; ++k) t.insert(t.end(), {0x01, 0x90, 60, 1});
    t.insert(t.end(), {0x00, 0xFF, 0x2F, 0x00});
    events = ReadTrack(File({t}, 384), 0);
    ASSERT_EQ(events.size(), 9u);
    const int expected[8] = {1, 2, 3, 5, 6, 7, 8, 10};
    for (int k = 0; k < 8; ++k) EXPECT_EQ(events[std::size_t(k)].tick, expected[k]) << k;
}

TEST(MidiFileRead, ALongerHeaderMovesTheFirstTrack) {
    Bytes f = Header(0, 1, 480, 8);
    AddChunk(f, "MTrk", {0x00, 0x90, 60, 1, 0x00, 0xFF, 0x2F, 0x00});
    const auto events = ReadTrack(f, 0);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].d1, 60);
}

TEST(MidiFileRead, AByteBelow0x80AfterAMetaEventIsAnotherMetaType) {
    // FF 01 01 'a', then 00 03 01 'b': a second meta event of type 3 under running status.
    const auto events = ReadTrack(File({{0x00, 0xFF, 0x01, 0x01, 'a', 0x00, 0x03, 0x01, 'b', 0x00, 0xFF, 0x2F, 0x00}}), 0);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].meta, 1);
    EXPECT_EQ(events[1].meta, 3);
    EXPECT_EQ(events[1].d1, 'b');
}

TEST(MidiFileRead, RefusedFilesGive101WithAReason) {
    struct Case {
        Bytes file;
        int track;
        const char* what;
    };
    Bytes other = File({{0x00, 0xFF, 0x2F, 0x00}});
    AddChunk(other, "XFIH", {1, 2, 3});
    AddChunk(other, "MTrk", {0x00, 0xFF, 0x2F, 0x00});
    other[11] = 2;  // two tracks, another chunk between them
    Bytes wrongTag = File({{0x00, 0xFF, 0x2F, 0x00}});
    wrongTag[0] = 'R';
    Bytes unreachable = File({{0x00, 0xFF, 0x2F, 0x00}});
    unreachable[11] = 2;
    std::vector<Case> cases = {
        {wrongTag, 0, "tag"},
        {File({{0x00, 0xFF, 0x2F, 0x00}}, 480, 2), 0, "format 2"},
        {Header(1, 0, 480), 0, "no tracks"},
        {File({{0x00, 0xFF, 0x2F, 0x00}}, 0), 0, "division 0"},
        {unreachable, 1, "a track past the end"},
        {other, 1, "another chunk among the tracks"},
        {Bytes{'M', 'T', 'h'}, 0, "a short file"},
    };
    for (const Case& c : cases) {
        CMidiFile f;
        f.Attach(c.file);
        SmfHeader h;
        int code = f.ReadHeader(&h);
        SmfEvent e;
        if (code == 0 && !f.SeekTrack(c.track, &e)) code = CMidiFile::kBadFile;
        EXPECT_EQ(code, CMidiFile::kBadFile) << c.what;
        EXPECT_FALSE(f.error().empty()) << c.what;
    }
}

TEST(MidiFileRead, ATrackWithoutEndStopsAtItsChunk) {
    Bytes f = File({{0x00, 0x90, 60, 1}, {0x00, 0x90, 70, 1, 0x00, 0xFF, 0x2F, 0x00}});
    const auto events = ReadTrack(f, 0);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].d1, 60);
    EXPECT_EQ(events[1].meta, 0x2F);
}

TEST(MidiFileRead, LongNumbersAndCutEventsEndTheTrackWithAReason) {
    std::string error;
    auto events = ReadTrack(File({{0x80, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 1}}), 0, &error);
    EXPECT_EQ(events.back().meta, 0x2F);
    EXPECT_NE(error.find("four bytes"), std::string::npos) << error;
    events = ReadTrack(File({{0x00, 0xFF, 0x01, 0x40, 'a'}}), 0, &error);
    EXPECT_EQ(events.size(), 1u);
    EXPECT_NE(error.find("past"), std::string::npos) << error;
}

TEST(MidiFileRead, AnSmpteDivisionIsReadAtAFixedRate) {
    // 25 frames of 40 ticks: 1,000 ticks a second, 500 a quarter at 120 per minute.
    Bytes f = File({{0x00, 0x90, 60, 1, 0x83, 0x74, 0x90, 62, 1, 0x00, 0xFF, 0x2F, 0x00}}, std::uint16_t(0xE728));
    const auto events = ReadTrack(f, 0);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1].tick, 480);
}

TEST(MidiFileRead, MutatedImagesNeverReadOutsideThem) {
    const Bytes seed = File({{0x00, 0xFF, 0x03, 0x02, 'h', 'i', 0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x00, 0xC0, 5,
                              0x00, 0xF0, 0x02, 0x01, 0xF7, 0x00, 0xFF, 0x2F, 0x00},
                             {0x00, 0x91, 64, 90, 0x83, 0x60, 0x64, 0, 0x00, 0xFF, 0x2F, 0x00}});
    std::mt19937 random(130);
    for (int round = 0; round < 3000; ++round) {
        Bytes f = seed;
        const int edits = 1 + int(random() % 4u);
        for (int k = 0; k < edits; ++k) {
            const std::size_t at = random() % f.size();
            switch (random() % 3u) {
            case 0: f[at] = std::uint8_t(random()); break;
            case 1: f.erase(f.begin() + std::ptrdiff_t(at)); break;
            default: f.insert(f.begin() + std::ptrdiff_t(at), std::uint8_t(random())); break;
            }
            if (f.empty()) f.push_back(0);
        }
        CMidiFile file;
        file.Attach(f);
        SmfHeader h;
        if (file.ReadHeader(&h) != 0) continue;
        for (int t = 0; t < h.trackCount && t < 4; ++t) {
            SmfEvent e;
            if (!file.SeekTrack(t, &e)) break;
            int guard = 0;
            while (file.ReadEvent(&e) && ++guard < 10000) {
                if (e.data) {
                    ASSERT_GE(e.offset, 0u);
                    ASSERT_LE(std::size_t(e.offset) + e.length, f.size());
                }
            }
            ASSERT_LT(guard, 10000);
        }
    }
}

// --- writing ----------------------------------------------------------------------------------------

TEST(MidiFileWrite, HeaderAndTrackBytes) {
    CMidiFile f;
    f.WriteHeader(2);
    f.BeginTrack();
    f.WriteText(0x03, "Song");
    f.WriteTimeSignature(6, 8, 480);
    f.WriteTempo(12000);
    f.currentTick = 480;
    f.WriteTempo(6000);
    f.EndTrack();
    const Bytes expected = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0x01, 0xE0,
                            'M', 'T', 'r', 'k', 0, 0, 0, 35,
                            0x00, 0xFF, 0x03, 0x04, 'S', 'o', 'n', 'g',
                            0x00, 0xFF, 0x58, 0x04, 6, 3, 24, 8,
                            0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,
                            0x83, 0x60, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,
                            0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(f.Bytes(), expected);
}

TEST(MidiFileWrite, ChannelMessagesCarryTheirStatusEveryTime) {
    CMidiFile f;
    f.BeginTrack();
    f.WriteChannel(0x90, 60, 100);
    f.WriteChannel(0x90, 62, 100);
    f.WriteChannel(0xC0, 5, 0);
    f.currentTick = 0x4000;
    f.WriteChannel(0xD0, 9, 0);
    f.EndTrack();
    const Bytes expected = {'M', 'T', 'r', 'k', 0, 0, 0, 20, 0x00, 0x90, 60, 100, 0x00, 0x90, 62, 100, 0x00, 0xC0, 5,
                            0x81, 0x80, 0x00, 0xD0, 9, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(f.Bytes(), expected);
}

TEST(MidiFileWrite, EmptyTracksKeySignaturesLyricsAndSysex) {
    CMidiFile f;
    f.BeginTrack();
    f.WriteText(0x03, "T");
    f.WriteKeySignature(9);   // two sharps
    f.WriteKeySignature(3);   // three flats
    f.WriteLyric("la", false, true);
    f.WriteSysex(Bytes{0xF0, 0x7E, 0x7F, 0xF7}.data(), 4);
    f.EndTrack();
    const Bytes expected = {'M', 'T', 'r', 'k', 0, 0, 0, 38, 0x00, 0xFF, 0x03, 0x01, 'T', 0x00, 0xFF, 0x59, 0x02, 2, 0,
                            0x00, 0xFF, 0x59, 0x02, 0xFD, 0, 0x00, 0xFF, 0x05, 0x03, 'l', 'a', ' ',
                            0x00, 0xFF, 0x05, 0x00, 0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(f.Bytes(), expected);
}

TEST(MidiFileWrite, WrittenFilesReadBack) {
    CMidiFile w;
    w.WriteHeader(1);
    w.BeginTrack();
    for (int k = 0; k < 200; ++k) {
        w.currentTick = k * 120;
        w.WriteChannel(0x90, 40 + k % 40, 1 + k % 100);
    }
    w.EndTrack();
    const auto events = ReadTrack(w.Bytes(), 0);
    ASSERT_EQ(events.size(), 201u);
    for (int k = 0; k < 200; ++k) {
        EXPECT_EQ(events[std::size_t(k)].tick, k * 120);
        EXPECT_EQ(events[std::size_t(k)].d1, 40 + k % 40);
    }
}

}  // namespace
