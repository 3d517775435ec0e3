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

TEST(MidiFileRead, RunningStatusContinuesAfterMetaAndSystemExclusiveEvents) {
    // A note-on, a text, a data byte (running status), a system-exclusive message, a data byte.
    const auto events = ReadTrack(File({{0x00, 0x90, 60, 100, 0x00, 0xFF, 0x01, 0x01, 'a', 0x00, 62, 100, 0x00, 0xF0,
                                         0x02, 0x41, 0xF7, 0x00, 64, 100, 0x00, 0xFF, 0x2F, 0x00}}),
                                  0);
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events[1].meta, 1);
    EXPECT_EQ(events[2].status, 0x90);
    EXPECT_EQ(events[2].d1, 62);
    EXPECT_EQ(events[3].status, 0xF0);
    EXPECT_EQ(events[4].status, 0x90);
    EXPECT_EQ(events[4].d1, 64);
    EXPECT_EQ(events[5].meta, 0x2F);
    // With no channel status before it, a data byte after a meta event is refused, not read as
    // another meta event.
    std::string error;
    ReadTrack(File({{0x00, 0xFF, 0x01, 0x01, 'a', 0x00, 0x03, 0x01, 'b', 0x00, 0xFF, 0x2F, 0x00}}), 0, &error);
    EXPECT_EQ(error, CMidiFile::ProblemText(SmfProblem::NoStatus));
}

TEST(MidiFileRead, UndefinedSystemStatusesAreSingleBytesThatCancelRunningStatus) {
    for (const int status : {0xF1, 0xF4, 0xF5, 0xF6, 0xF9, 0xFD}) {
        // The rest of the track is read after one.
        std::string error;
        auto events = ReadTrack(File({{0x00, 0x90, 60, 100, 0x00, std::uint8_t(status), 0x10, 0x90, 62, 100, 0x00, 0xFF,
                                       0x2F, 0x00}}),
                                0, &error);
        EXPECT_TRUE(error.empty()) << std::hex << status << ": " << error;
        ASSERT_EQ(events.size(), 4u) << std::hex << status;
        EXPECT_EQ(events[1].status, status);
        EXPECT_EQ(events[2].tick, 16);
        EXPECT_EQ(events[2].d1, 62) << std::hex << status;
        // A data byte after one has no running status.
        events = ReadTrack(File({{0x00, 0x90, 60, 100, 0x00, std::uint8_t(status), 0x00, 62, 100, 0x00, 0xFF, 0x2F, 0x00}}),
                           0, &error);
        EXPECT_EQ(error, CMidiFile::ProblemText(SmfProblem::NoStatus)) << std::hex << status;
    }
}

// Four-byte deltas at a small division pass 32 bits within two events: the sum is taken without
// overflow, and a track whose times run past the longest score is refused.
TEST(MidiFileRead, TickSumsNeverOverflow) {
    struct Case {
        int division;
        std::vector<std::uint32_t> deltas;
        bool refused;
    };
    const Case cases[] = {
        {1, {0x0FFFFFFF, 0x0FFFFFFF}, true},
        {96, {0x0FFFFFFF}, true},
        {96, {0x00800000, 0x00800000, 0x00800000}, false},  // 40 million ticks each
        {37, {0x0FFFFFF0}, true},                           // through the remainder's carry
        {37, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, false},
        {7, {0x01000000, 0x01000000}, true},
        {32767, {0x0FFFFFFF, 0x0FFFFFFF, 0x0FFFFFFF, 0x0FFFFFFF, 0x0FFFFFFF}, false},
        {480, {0x0FFFFFFF, 0x0FFFFFFF, 0x0FFFFFFF, 0x0FFFFFFF, 0x0FFFFFFF}, true},
    };
    for (const Case& c : cases) {
        Bytes track;
        for (const std::uint32_t d : c.deltas) {
            std::uint8_t t[5];
            int k = 0;
            std::uint32_t n = d;
            t[k++] = std::uint8_t(n & 0x7F);
            while (n >>= 7) t[k++] = std::uint8_t(0x80 | (n & 0x7F));
            while (k) track.push_back(t[--k]);
            track.insert(track.end(), {0x90, 60, 1});
        }
        track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
        CMidiFile f;
        f.Attach(File({track}, c.division));
        SmfHeader h;
        ASSERT_EQ(f.ReadHeader(&h), 0);
        SmfEvent e;
        ASSERT_TRUE(f.SeekTrack(0, &e));
        std::int64_t exact = 0, sum = 0;
        int last = 0;
        std::size_t k = 0;
        while (f.ReadEvent(&e)) {
            EXPECT_GE(e.tick, last) << c.division << " event " << k;
            last = e.tick;
            if (k < c.deltas.size()) {
                sum += c.deltas[k];
                exact = sum * 480 / c.division;
                EXPECT_EQ(e.tick, exact) << c.division << " event " << k;
            }
            ++k;
        }
        if (c.refused) {
            EXPECT_EQ(f.problem(), SmfProblem::TooLong) << c.division;
            EXPECT_FALSE(f.error().empty());
        } else {
            EXPECT_TRUE(f.error().empty()) << c.division << ": " << f.error();
            EXPECT_EQ(k, c.deltas.size()) << c.division;
        }
        EXPECT_LE(last, CMidiFile::kMaxTick);
    }
}

// A chunk whose length runs past the file's end is read up to the end, and says by how much; a
// chunk before another one that does so leaves that one unreachable.
TEST(MidiFileRead, AChunkRunningPastTheFileIsReadToTheEnd) {
    Bytes f = File({{0x00, 0xFF, 0x2F, 0x00}, {0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00}});
    f[f.size() - 12 - 1] += 3;  // the last chunk claims three bytes more
    CMidiFile file;
    file.Attach(f);
    SmfHeader h;
    ASSERT_EQ(file.ReadHeader(&h), 0);
    SmfEvent e;
    ASSERT_TRUE(file.SeekTrack(1, &e)) << file.error();
    EXPECT_EQ(file.chunkOverrun(), 3u);
    int notes = 0;
    while (file.ReadEvent(&e)) notes += (e.status & 0xF0) == 0x80 || (e.status & 0xF0) == 0x90;
    EXPECT_EQ(notes, 2);
    EXPECT_EQ(e.metaType, 0x2F);
    EXPECT_TRUE(file.error().empty()) << file.error();
    ASSERT_TRUE(file.SeekTrack(0, &e));
    EXPECT_EQ(file.chunkOverrun(), 0u);
    // The first chunk running past the end: the second track is not there.
    Bytes g = File({{0x00, 0xFF, 0x2F, 0x00}, {0x00, 0xFF, 0x2F, 0x00}});
    g[14 + 7] = 40;
    file.Attach(g);
    ASSERT_EQ(file.ReadHeader(&h), 0);
    EXPECT_TRUE(file.SeekTrack(0, &e));
    EXPECT_FALSE(file.SeekTrack(1, &e));
    EXPECT_EQ(file.problem(), SmfProblem::TrackMissing);
    EXPECT_EQ(file.errorTrack(), 1);
}

TEST(MidiFileRead, RefusedFilesGive101WithAReason) {
    struct Case {
        Bytes file;
        int track;
        SmfProblem problem;
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
    Bytes longHeader = File({{0x00, 0xFF, 0x2F, 0x00}});
    longHeader[7] = 200;
    std::vector<Case> cases = {
        {wrongTag, 0, SmfProblem::NotMidi, "tag"},
        {File({{0x00, 0xFF, 0x2F, 0x00}}, 480, 2), 0, SmfProblem::Format, "format 2"},
        {Header(1, 0, 480), 0, SmfProblem::NoTracks, "no tracks"},
        {File({{0x00, 0xFF, 0x2F, 0x00}}, 0), 0, SmfProblem::DivisionZero, "division 0"},
        {unreachable, 1, SmfProblem::TrackMissing, "a track past the end"},
        {other, 1, SmfProblem::NotATrack, "another chunk among the tracks"},
        {Bytes{'M', 'T', 'h'}, 0, SmfProblem::ShortFile, "a short file"},
        {longHeader, 0, SmfProblem::HeaderLength, "a header longer than the file"},
    };
    for (const Case& c : cases) {
        CMidiFile f;
        f.Attach(c.file);
        SmfHeader h;
        int code = f.ReadHeader(&h);
        SmfEvent e;
        if (code == 0 && !f.SeekTrack(c.track, &e)) code = CMidiFile::kBadFile;
        EXPECT_EQ(code, CMidiFile::kBadFile) << c.what;
        EXPECT_EQ(f.problem(), c.problem) << c.what;
        EXPECT_EQ(f.error(), CMidiFile::ProblemText(c.problem)) << c.what;
        EXPECT_NE(CMidiFile::ProblemStringId(c.problem), 0u) << c.what;
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
    EXPECT_EQ(error, CMidiFile::ProblemText(SmfProblem::NumberTooLong));
    events = ReadTrack(File({{0x00, 0xFF, 0x01, 0x40, 'a'}}), 0, &error);
    EXPECT_EQ(events.size(), 1u);
    EXPECT_EQ(error, CMidiFile::ProblemText(SmfProblem::TrackEndsEarly));
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
