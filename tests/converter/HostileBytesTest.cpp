// Damaged and tricky score bytes: every walk stops at its chunk's end, at a record too short for
// its own head and at one that runs past its chunk or the file; a note rewrites only the heads
// that lie inside it; the tags are found wherever they start; nothing is read or written outside
// the bytes. Each case says which bytes change.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ScoreImage.h"
#include "converter/ScoreConverter.h"

namespace {

using namespace convertertest;
using zel2tqx::ConvertResult;
using zel2tqx::ConvertScoreBytes;
using zel2tqx::Mode;

constexpr int kC4 = 12;  // the filled head of degree 1: C4 in fixed do
const std::pair<int, int> kMiddleC{-6, 60};

struct Case {
    const char* what;
    // Builds the bytes and says which bytes must change to what.
    std::function<void(Bytes& bytes, std::map<std::size_t, int>& changes)> make;
    int walksCut = 0;
    ConvertResult result = ConvertResult::Converted;
};

std::size_t Head(std::size_t record, int k) { return record + 20 + 16 * std::size_t(k); }

const Case kCases[] = {
    {"a whole bar", [](Bytes& b, auto& ch) {
         ScoreImage s(1, 1);
         s.Staff(0);
         const auto at = s.Bar({NoteRecord(3, {kMiddleC}), EndRecord()});
         ch[Head(at[0], 0)] = kC4;
         b = s.bytes;
     }},
    {"a size word of 0 ends the walk", [](Bytes& b, auto& ch) {
         ScoreImage s(1, 1);
         const auto at = s.Bar({NoteRecord(3, {kMiddleC}), Record(7, 8, 0), NoteRecord(3, {kMiddleC}), EndRecord()});
         ch[Head(at[0], 0)] = kC4;
         b = s.bytes;
     }, 1},
    {"a size word of 4, a record of no length, ends the walk", [](Bytes& b, auto& ch) {
         ScoreImage s(1, 1);
         const auto at = s.Bar({NoteRecord(3, {kMiddleC}), Record(7, 8, 4), NoteRecord(3, {kMiddleC}), EndRecord()});
         ch[Head(at[0], 0)] = kC4;
         b = s.bytes;
     }, 1},
    {"a size word too short for the record's own head ends the walk", [](Bytes& b, auto& ch) {
         ScoreImage s(1, 1);
         s.Bar({Record(7, 8, 6), NoteRecord(3, {kMiddleC}), EndRecord()});
         b = s.bytes;
     }, 1},
    {"a record past its chunk ends that walk; the next chunk is walked", [](Bytes& b, auto& ch) {
         ScoreImage s(1, 2);
         const auto first = s.Bar({NoteRecord(3, {kMiddleC}), Record(7, 8, 200)});
         const auto second = s.Bar({NoteRecord(3, {kMiddleC}), EndRecord()});
         ch[Head(first[0], 0)] = kC4;
         ch[Head(second[0], 0)] = kC4;
         b = s.bytes;
     }, 1},
    {"records that stop short of the chunk's length end the walk there", [](Bytes& b, auto& ch) {
         ScoreImage s(1, 2);
         const auto first = s.Bar({NoteRecord(3, {kMiddleC}), EndRecord()}, 2 + 36 + 6 + 40);
         const auto second = s.Bar({NoteRecord(3, {kMiddleC}), EndRecord()});
         ch[Head(first[0], 0)] = kC4;
         ch[Head(second[0], 0)] = kC4;
         b = s.bytes;
     }, 1},
    {"a chunk length past the end of the file walks what the file holds", [](Bytes& b, auto& ch) {
         ScoreImage s(1, 1);
         const auto at = s.Bar({NoteRecord(3, {kMiddleC}), NoteRecord(3, {kMiddleC})}, 0xFFFFFFF0ll);
         ch[Head(at[0], 0)] = kC4;
         ch[Head(at[1], 0)] = kC4;
         b = s.bytes;
     }, 1},
    {"a note cut by the end of the file is left alone", [](Bytes& b, auto& ch) {
         ScoreImage s(1, 1);
         s.Bar({NoteRecord(3, {kMiddleC})});
         s.bytes.resize(s.bytes.size() - 3);
         b = s.bytes;
     }, 1},
    {"a chunk length of 0 walks nothing", [](Bytes& b, auto& ch) {
         ScoreImage s(1, 1);
         s.Bar({NoteRecord(3, {kMiddleC}), EndRecord()}, 0);
         b = s.bytes;
     }},
    {"a chunk length of 1 walks nothing", [](Bytes& b, auto& ch) {
         ScoreImage s(1, 1);
         s.Bar({NoteRecord(3, {kMiddleC}), EndRecord()}, 1);
         b = s.bytes;
     }},
    {"a head count past its record rewrites only the heads inside it", [](Bytes& b, auto& ch) {
         ScoreImage s(1, 1);
         Bytes chord = NoteRecord(3, {kMiddleC, {-4, 64}, {-2, 67}}, 0, 1);
         const auto at = s.Bar({chord, NoteRecord(3, {{-4, 64}}), EndRecord()});
         ch[Head(at[0], 0)] = kC4;
         ch[Head(at[1], 0)] = 14;  // E4: degree 3, its own
         b = s.bytes;
     }},
    {"a note too short for its head count is left alone", [](Bytes& b, auto& ch) {
         ScoreImage s(1, 1);
         Bytes shortNote = Record(144, 18);
         shortNote[15] = 3;
         s.Bar({shortNote, EndRecord()});
         b = s.bytes;
     }},
    {"a bar chunk right after its tag's first letter is found", [](Bytes& b, auto& ch) {
         ScoreImage s(1, 1);
         s.Raw({'B', 'B'});
         const auto at = s.Bar({NoteRecord(3, {kMiddleC}), EndRecord()});
         ch[Head(at[0], 0)] = kC4;
         b = s.bytes;
     }},
    {"a bar chunk tag at the very end of the file", [](Bytes& b, auto& ch) {
         ScoreImage s(1, 1);
         s.Raw({'B', 'D', 'A', 'T', 0, 0});
         b = s.bytes;
     }},
    {"a file that ends inside the header", [](Bytes& b, auto& ch) {
         ScoreImage s(3, 9);
         s.bytes.resize(50);
         b = s.bytes;
     }},
    {"a file of one byte", [](Bytes& b, auto& ch) { b = {0x5A}; }},
    {"no tracks in the header: the notes still take C", [](Bytes& b, auto& ch) {
         ScoreImage s(0, 1);
         s.Staff(10);
         const auto at = s.Bar({NoteRecord(3, {kMiddleC}), EndRecord()});
         ch[Head(at[0], 0)] = kC4;
         b = s.bytes;
     }},
    {"21 tracks are refused untouched", [](Bytes& b, auto& ch) {
         ScoreImage s(21, 1);
         s.Bar({NoteRecord(3, {kMiddleC}), EndRecord()});
         b = s.bytes;
     }, 0, ConvertResult::TooManyTracks},
};

TEST(HostileBytes, EachWalkStaysInsideItsChunkAndTheFile) {
    for (const Case& c : kCases) {
        Bytes input;
        std::map<std::size_t, int> changes;
        c.make(input, changes);
        // The bytes live in a block of their own size, so that the sanitizers see any read past them.
        Bytes out = input;
        zel2tqx::ConvertState state;
        EXPECT_EQ(ConvertScoreBytes(out, Mode::FixedDo, &state), c.result) << c.what;
        ASSERT_EQ(out.size(), input.size()) << c.what;
        std::map<std::size_t, int> got;
        for (std::size_t i = 0; i < out.size(); ++i)
            if (out[i] != input[i]) got[i] = out[i];
        EXPECT_EQ(got, changes) << c.what;
        EXPECT_EQ(state.walksCut, c.walksCut) << c.what;
    }
}

TEST(HostileBytes, AKeyOutsideItsCodesOrTooShortToHoldOneCountsAsC) {
    struct KeyCase {
        const char* what;
        int staffKey;
        Bytes change;  // a key change before the note (empty: none)
        int code;      // A4's code in movable do
    } cases[] = {
        {"A major on the staff", 10, {}, 12},
        {"a staff key of 200", 200, {}, 19},
        {"a staff key of 15", 15, {}, 19},
        {"a key change of 255", 10, KeyRecord(255), 19},
        {"a key change to A major", 0, KeyRecord(10), 12},
        {"a key change too short for its key", 10, KeyRecord(3, 10), 12},
    };
    for (const KeyCase& k : cases) {
        ScoreImage s(1, 1);
        s.Staff(k.staffKey);
        std::vector<Bytes> records;
        if (!k.change.empty()) records.push_back(k.change);
        records.push_back(NoteRecord(3, {{-1, 69}}));
        records.push_back(EndRecord());
        const auto at = s.Bar(records);
        zel2tqx::ConvertState state;
        ConvertScoreBytes(s.bytes, Mode::MovableDo, &state);
        EXPECT_EQ(s.bytes[Head(at[k.change.empty() ? 0 : 1], 0)], k.code) << k.what;
        EXPECT_GE(state.trackKeys[0], 0) << k.what;
        EXPECT_LE(state.trackKeys[0], 6) << k.what;
    }
}

TEST(HostileBytes, NoPositionKeyAndClefGiveANegativeIndex) {
    for (int position = -128; position <= 127; ++position)
        for (int key = 0; key <= 6; ++key)
            for (int clef : {0, 2}) {
                const int i = zel2tqx::DegreeIndex(position, key, clef);
                ASSERT_GE(i, 0) << position;
                ASSERT_LE(i, 6) << position;
            }
}

TEST(HostileBytes, ATagInsideARecordIsWalkedAsAChunkWithoutHarm) {
    // A damaged record ends the bar's walk; the search for the next chunk then meets "BDAT"
    // inside a record's bytes (a text, say), whose length and records are whatever follows.
    for (std::uint32_t length : {0u, 1u, 30u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        ScoreImage s(1, 1);
        Bytes text = Record(40, 40);
        std::memcpy(text.data() + 10, "BDAT", 4);
        for (int i = 0; i < 4; ++i) text[std::size_t(14 + i)] = std::uint8_t(length >> (24 - 8 * i));
        s.Bar({Record(7, 8, 0), text, NoteRecord(3, {kMiddleC}), EndRecord()});
        Bytes out = s.bytes;
        zel2tqx::ConvertState state;
        EXPECT_EQ(ConvertScoreBytes(out, Mode::FixedDo, &state), ConvertResult::Converted) << length;
        EXPECT_EQ(out.size(), s.bytes.size()) << length;
        EXPECT_EQ(state.barChunks, 2) << length;
    }
}

}  // namespace
