// Shifting a verse's syllables by one note while lyrics are typed: forwards and backwards, tied
// notes passed over, the walk's reach, the location it ends on, and a failure at any step.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "EditFixture.h"
#include "framework/Memory.h"
#include "model/EditTask.h"
#include "model/ItemFactory.h"
#include "model/TrkBarFinders.h"

using edittest::EditScore;

namespace {

constexpr int kLyricType = 24, kLyricFlags = 16, kLyricVerse = 28, kLyricText = 36;

// An operation whose Perform runs a function (the shift) and keeps its answer.
struct ShiftTask : CScoreTask {
    std::function<bool(ShiftTask&)> perform;
    bool result = false;
    bool Perform() override {
        result = perform(*this);
        return true;
    }
};

// Four quarter notes in bar 0 of track 0 (notes 0-3) and a quarter at the start of bar 1, a
// bar 2 and a bar 3 holding a quarter each; `empty` bars hold no notes.
struct Verse {
    EditScore s;
    // The notes of a bar: their times.
    std::vector<std::vector<int>> notes;

    explicit Verse(std::vector<std::vector<int>> layout) : notes(std::move(layout)) {
        for (int b = 0; b < int(notes.size()); ++b)
            for (int time : notes[std::size_t(b)]) {
                CRawNote* n = s.AddNote(0, b, time, 3, {67});
                n->SetPositionField(std::int16_t(Position(time)));
            }
    }
    static int Position(int time) { return time * 1024 / 1920; }
    CBarItem* NoteAt(int b, int time) {
        for (CBarItem* r : s.Live(0, b))
            if (r->IsNote() && r->TimeField() == time) return r;
        return nullptr;
    }
    void Tie(int b, int time) {
        CBarItem* n = NoteAt(b, time);
        auto* bytes = reinterpret_cast<std::uint8_t*>(n);
        bytes[finders::kHeads + finders::kHeadLinks] |= finders::kTieEndBit;
    }
    // A syllable of verse 0 (or another) under the note at the time, padded to `size` bytes.
    void Syllable(int b, int time, const std::string& text, int verse = 0, int size = 0) {
        int n = kLyricText + int(text.size()) + 1;
        n += n & 1;
        if (size > n) n = size;
        std::vector<std::uint8_t> r(std::size_t(n), 0);
        rec::Put<std::int16_t>(r.data(), rec::kSize, std::int16_t(n));
        ConstructItem(kLyricType, r.data());
        rec::Put<std::int16_t>(r.data(), rec::kSize, std::int16_t(n));
        auto* item = reinterpret_cast<CBarItem*>(r.data());
        item->SetTimeField(std::int16_t(time));
        item->SetPositionField(std::int16_t(Position(time)));
        rec::Put<std::uint8_t>(r.data(), kLyricFlags, 0x08);
        rec::Put<std::int16_t>(r.data(), kLyricVerse, std::int16_t(verse));
        std::memcpy(r.data() + kLyricText, text.c_str(), text.size());
        ASSERT_NE(s.score->GetTrkBar(0, b)->InsertCopy(item), nullptr);
    }
    // Each note's syllable of verse 0 ("" none), bar by bar.
    std::vector<std::vector<std::string>> Syllables() {
        std::vector<std::vector<std::string>> out;
        for (int b = 0; b < int(notes.size()); ++b) {
            std::vector<std::string> bar;
            for (int time : notes[std::size_t(b)]) {
                std::string text;
                for (CBarItem* r : s.Live(0, b))
                    if (r->TypeCode() == kLyricType && r->PositionField() == Position(time) &&
                        rec::Get<std::int16_t>(r, kLyricVerse) == 0)
                        text = reinterpret_cast<const char*>(r) + kLyricText;
                bar.push_back(text);
            }
            out.push_back(bar);
        }
        return out;
    }
    // Runs the shift from the note at (bar, time) as lyric entry's operation does.
    bool Shift(int mode, int bar, int time, ScoreLocation* out, std::function<void()> before = {}) {
        ScoreLocation& at = s.doc->location;
        at.trackIndex = 0;
        at.voice = 0;
        at.verse = 0;
        at.barIndex = std::int16_t(bar);
        at.position = std::int16_t(Position(time));
        at.time = time;
        at.trkBar = s.score->GetTrkBar(0, bar);
        auto* task = new ShiftTask;
        task->Attach(s.doc.get(), 1);
        bool result = false;
        task->perform = [&](ShiftTask& t) {
            if (before) before();
            result = s.score->ShiftLyrics(mode, &t, out);
            fw::memtest::Reset();
            return result;
        };
        s.doc->DoTask(task);
        return result;
    }
};

using Bars = std::vector<std::vector<std::string>>;

struct Case {
    std::string name;
    int mode;
    std::vector<std::vector<int>> notes;
    std::vector<std::pair<int, int>> ties;
    std::vector<std::tuple<int, int, std::string>> syllables;
    Bars expected;
    int outBar, outTime;
};

TEST(LyricShiftTest, ShiftsByOneNote) {
    const std::vector<int> four = {0, 480, 960, 1440};
    const std::vector<Case> cases = {
        {"forwards: a b c then a free note", 1, {four}, {}, {{0, 0, "a"}, {0, 480, "b"}, {0, 960, "c"}},
         {{"", "a", "b", "c"}}, 0, 1440},
        {"forwards into the next bar", 1, {four, {0, 960}}, {}, {{0, 0, "a"}, {0, 480, "b"}, {0, 960, "c"}, {0, 1440, "d"}},
         {{"", "a", "b", "c"}, {"d", ""}}, 1, 0},
        {"forwards from a free note opens the next one", 1, {four}, {}, {{0, 480, "x"}, {0, 960, "y"}},
         {{"", "", "x", "y"}}, 0, 1440},
        {"backwards after the first syllable was deleted", 0, {four}, {}, {{0, 480, "b"}, {0, 960, "c"}},
         {{"b", "c", "", ""}}, 0, 1440},
        {"a tied-to note is passed over forwards", 1, {four}, {{0, 480}}, {{0, 0, "a"}, {0, 960, "b"}},
         {{"", "", "a", "b"}}, 0, 1440},
        {"a tied-to note is passed over backwards", 0, {four, {0}}, {{0, 480}}, {{0, 960, "b"}, {0, 1440, "c"}},
         {{"b", "", "c", ""}, {""}}, 1, 0},
        {"a bar without notes ends the walk", 0, {four, {}, {0}}, {}, {{0, 480, "b"}, {0, 960, "c"}, {0, 1440, "d"}, {2, 0, "e"}},
         {{"b", "c", "d", ""}, {}, {"e"}}, 0, 1440},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Verse v(c.notes);
        for (auto [b, time] : c.ties) v.Tie(b, time);
        for (const auto& [b, time, text] : c.syllables) v.Syllable(b, time, text);
        v.Syllable(0, 480, "other verse", 1);
        ScoreLocation out;
        ASSERT_TRUE(v.Shift(c.mode, 0, 0, &out));
        EXPECT_EQ(v.Syllables(), c.expected);
        EXPECT_EQ(out.barIndex, c.outBar);
        EXPECT_EQ(out.position, Verse::Position(c.outTime));
        EXPECT_EQ(int(out.time), c.outTime);
        EXPECT_EQ(out.trkBar, v.s.score->GetTrkBar(0, c.outBar));
        EXPECT_EQ(v.s.doc->GetUndoCount(), 1);
        v.s.doc->Undo();
        Bars before(c.expected.size());
        for (std::size_t b = 0; b < before.size(); ++b) before[b].assign(c.notes[b].size(), "");
        for (const auto& [b, time, text] : c.syllables)
            for (std::size_t k = 0; k < c.notes[std::size_t(b)].size(); ++k)
                if (c.notes[std::size_t(b)][k] == time) before[std::size_t(b)][k] = text;
        EXPECT_EQ(v.Syllables(), before) << "undone";
    }
}

TEST(LyricShiftTest, ASyllableWithNoFreeNoteInReachIsNotDropped) {
    Verse v({{0, 480, 960, 1440}, {}, {0}});
    for (int time : {0, 480, 960, 1440}) v.Syllable(0, time, std::to_string(time));
    const Bars before = v.Syllables();
    ScoreLocation out;
    out.barIndex = 77;
    EXPECT_FALSE(v.Shift(1, 0, 0, &out));
    EXPECT_EQ(v.Syllables(), before);
    EXPECT_EQ(v.s.doc->GetUndoCount(), 0);
    EXPECT_EQ(out.barIndex, 77) << "no location given back";
}

TEST(LyricShiftTest, ALongSyllableIsCarriedWhole) {
    Verse v({{0, 480, 960, 1440}});
    const std::string longText(2900, 'x');
    v.Syllable(0, 0, longText);
    v.Syllable(0, 480, "b");
    ScoreLocation out;
    ASSERT_TRUE(v.Shift(1, 0, 0, &out));
    EXPECT_EQ(v.Syllables(), (Bars{{"", longText, "b", ""}}));
}

TEST(LyricShiftTest, AMemoryFailureAtAnyStepRestoresTheVerse) {
    int failures = 0;
    for (int mode : {1, 0}) {
        for (int allowed = 0; allowed < 200; ++allowed) {
            SCOPED_TRACE("mode " + std::to_string(mode) + " allowed " + std::to_string(allowed));
            Verse v({{0, 480, 960, 1440}, {0, 960}});
            if (mode == 1) {
                for (int time : {0, 480, 960, 1440}) v.Syllable(0, time, "s" + std::to_string(time));
            } else {
                for (int time : {480, 960, 1440}) v.Syllable(0, time, "s" + std::to_string(time));
                v.Syllable(1, 0, "t");
            }
            const Bars before = v.Syllables();
            const auto runs = v.s.AllRuns();
            ScoreLocation out;
            const bool ok = v.Shift(mode, 0, 0, &out, [&] { fw::memtest::FailAfter(allowed); });
            if (ok) {
                EXPECT_NE(v.Syllables(), before);
                EXPECT_EQ(v.s.doc->GetUndoCount(), 1);
                break;
            }
            ++failures;
            EXPECT_EQ(v.Syllables(), before);
            EXPECT_EQ(v.s.AllRuns(), runs) << "every bar as it was";
            EXPECT_EQ(v.s.doc->GetUndoCount(), 0) << "no undo step";
        }
    }
    EXPECT_GE(failures, 4);
}

}  // namespace
