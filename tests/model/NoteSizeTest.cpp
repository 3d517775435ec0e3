// The note-size helpers: the value that fits a length and the dots that write it.
#include <gtest/gtest.h>

#include "model/NoteSize.h"

TEST(NoteSize, LengthsWrittenAsValueAndDots) {
    struct Row {
        int ticks, code, dots;
        const char* why;
    };
    const Row rows[] = {
        {1440, 2, 1, "a dotted half"},
        {1680, 2, 2, "a double-dotted half"},
        {1000, 2, 0, "a half and a bit: the dot does not fit"},
        {1200, 2, 0, "a half and a quarter's half: still no dot"},
        {1500, 2, 1, "a dotted half and a bit less than the second dot"},
        {480, 3, 0, "a quarter"},
        {3840, 0, 0, "a double whole"},
        {5760, 0, 1, "a dotted double whole"},
        {45, 7, 1, "a dotted 64th"},
        {20, 7, 0, "below a 64th: a 64th"},
        {0, 7, 0, "nothing at all"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.why);
        const notesize::ValueAndDots v = notesize::SplitDuration(r.ticks);
        EXPECT_EQ(v.code, r.code) << r.ticks;
        EXPECT_EQ(v.dots, r.dots) << r.ticks;
    }
}

TEST(NoteSize, ValueIndexAndTicks) {
    EXPECT_EQ(notesize::FindValueIndex(4000), 0);
    EXPECT_EQ(notesize::FindValueIndex(1919), 2);
    EXPECT_EQ(notesize::FindValueIndex(30), 7);
    EXPECT_EQ(notesize::FindValueIndex(29), 7);
    EXPECT_EQ(notesize::GetValueTicks(0), 3840);
    EXPECT_EQ(notesize::GetValueTicks(7), 30);
    EXPECT_EQ(notesize::GetValueTicks(8), 30) << "codes outside 0-7 are clamped";
}
