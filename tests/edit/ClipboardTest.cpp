// The copy side of the clipboard: the clip block's header field by field and what its track
// stream holds of chords, clefs, voices and empty selections.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "EditFixture.h"
#include "edit/ClipboardWriter.h"
#include "edit/Commands.h"
#include "framework/Clipboard.h"
#include "framework/Memory.h"
#include "model/Bar.h"
#include "model/Clef.h"
#include "model/ScoreStructureStandIns.h"

namespace {

using edittest::EditScore;

// The clipboard's block: its header and the records of its track stream.
struct Clip {
    std::vector<std::uint8_t> bytes;
    template <typename T>
    T At(int offset) const {
        T v;
        std::memcpy(&v, bytes.data() + offset, sizeof v);
        return v;
    }
    // Per track bar of the stream: the records between its track bar record and its end record.
    std::vector<std::vector<std::vector<std::uint8_t>>> TrackBars() const {
        std::vector<std::vector<std::vector<std::uint8_t>>> out;
        std::size_t at = ClipHeader::kSize + At<std::uint32_t>(ClipHeader::kBarStreamLength);
        const std::size_t end = at + At<std::uint32_t>(ClipHeader::kTrackStreamLength);
        while (at < end) {
            at += std::size_t(At<std::int16_t>(int(at) + rec::kSize));   // the track bar record
            out.emplace_back();
            for (;;) {
                const int size = At<std::int16_t>(int(at) + rec::kSize);
                const int type = bytes[at + rec::kType];
                if (size <= 0) return out;
                if (type != 255) out.back().emplace_back(bytes.begin() + long(at), bytes.begin() + long(at) + size);
                at += std::size_t(size);
                if (type == 255) break;
            }
        }
        return out;
    }
};

Clip Copied(EditScore& s) {
    s.doc->OnCommandRange(57634);
    Clip clip;
    const HGLOBAL h = fw::TheClipboard().GetData();
    EXPECT_EQ(fw::TheClipboard().GetTag(), ClipboardWriter::kTag);
    if (!h) return clip;
    const auto* p = static_cast<const std::uint8_t*>(fw::GlobalLock(h));
    clip.bytes.assign(p, p + fw::GlobalSize(h));
    fw::GlobalUnlock(h);
    return clip;
}

TEST(Clipboard, TheHeaderFieldByField) {
    EditScore s;
    // Track 1, bar 2: a quarter at 480 in voice 0, a half at 960 in voice 1; track 2, bar 3: a
    // whole note. Track 2 shows its music a tone lower.
    s.AddNote(1, 2, 480, 3, {60}, 0, true);
    s.AddNote(1, 2, 960, 2, {64}, 1, true);
    s.AddNote(2, 3, 0, 1, {43}, 0, true);
    CTrack* track = s.score->GetTrack(2);
    track->SetTrackFlags(std::uint8_t(track->GetTrackFlags() | 0x08));
    track->SetTransposition(-2);
    s.SelectExtent(1, 2, 2, 3);
    const Clip c = Copied(s);
    ASSERT_GE(c.bytes.size(), std::size_t(ClipHeader::kSize));
    struct Field {
        const char* name;
        int offset, width;   // width 1, 2 or 4 (signed for 2 and 4)
        long value;
    };
    const Field fields[] = {
        {"header size", 0, 2, 300},
        {"has items", 2, 1, 1},
        {"has notes or rests", 3, 1, 1},
        {"source version", 4, 2, s.doc->version},
        {"required version", 6, 2, 0x0110},
        {"first track", 8, 2, 1},
        {"first bar", 10, 2, 2},
        {"first time", 12, 2, 480},
        {"first voice", 14, 2, 0},
        {"last track", 16, 2, 2},
        {"last bar", 18, 2, 3},
        {"longest end: a half from 960 and a whole from 0 end at 1919", 20, 2, 1919},
        {"last voice, of the last track walked", 22, 2, 0},
        {"start", 24, 4, 480},
        {"note span: to the whole note's end in the second bar", 28, 4, 1920 + 1919 - 480},
        {"total span", 32, 4, 1920 + 1919 - 480},
        {"several voices, track 1", 36 + 1, 1, 1},
        {"several voices, track 2", 36 + 2, 1, 0},
        {"transposition, track 2", 228 + 2, 1, 0xFE},
        {"transposition, track 1", 228 + 1, 1, 0},
    };
    for (const Field& f : fields) {
        long v = 0;
        if (f.width == 1) v = c.bytes[std::size_t(f.offset)];
        if (f.width == 2) v = f.offset == 0 || f.offset == 4 || f.offset == 6 ? long(c.At<std::uint16_t>(f.offset)) : long(c.At<std::int16_t>(f.offset));
        if (f.width == 4) v = c.At<std::int32_t>(f.offset);
        EXPECT_EQ(v, f.value) << f.name;
    }
    // The streams fill the block; the bar stream holds both bars with their own items.
    const std::uint32_t bars = c.At<std::uint32_t>(ClipHeader::kBarStreamLength);
    EXPECT_EQ(ClipHeader::kSize + bars + c.At<std::uint32_t>(ClipHeader::kTrackStreamLength), c.bytes.size());
    std::size_t expected = 0;
    for (int b = 2; b <= 3; ++b) {
        CBar* bar = s.score->GetBar(b);
        const auto* items = bar->GetItemArray();
        expected += std::size_t(bar->RecordSizeField()) + 6 +
                    (bar->GetItemCount() ? std::size_t(static_cast<const std::uint8_t*>(const_cast<CItemArray*>(items)->GetAt(bar->GetItemCount())) -
                                                       static_cast<const std::uint8_t*>(const_cast<CItemArray*>(items)->GetAt(0)))
                                         : 0);
    }
    EXPECT_EQ(bars, expected);
    EXPECT_EQ(c.TrackBars().size(), 4u) << "two tracks by two bars";
}

TEST(Clipboard, WhatTheTrackStreamHolds) {
    struct Case {
        const char* what;
        std::function<void(EditScore&)> build;
        int hasItems;
        int recordsInFirstBar;         // records copied from track 1's first bar
        int clefByte;                  // header clef byte of track 1 (-1: not checked)
        int severalVoices;
    };
    const Case cases[] = {
        {"nothing selected", [](EditScore&) {}, 0, 0, -1, 0},
        {"one head of three, with every mark",
         [](EditScore& s) {
             CRawHead* chord = s.AddNote(1, 0, 0, 3, {60, 64, 67});
             chord = s.AddMark(s.AddMark(chord, 16), 23);
             chord->Select();
             static_cast<CRawNote*>(chord)->Head(1)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, true);
         },
         1, 1, -1, 0},
        {"an unselected clef in range, before the first note",
         [](EditScore& s) {
             CTrkBar* tb = s.score->GetTrkBar(1, 0);
             tb->SetCurrent();
             CBarItem* clef = tb->NewItem(CClef::kTypeCode, 0);
             rec::Put<std::uint8_t>(clef, CClef::kCode, 3);
             s.AddNote(1, 0, 480, 3, {60}, 0, true);
         },
         1, 2, 3, 0},
        {"MIDI data only: the start is the first such item's time",
         [](EditScore& s) {
             CTrkBar* tb = s.score->GetTrkBar(1, 1);
             tb->SetCurrent();
             tb->NewItem(170, 720)->Select();
             tb->NewItem(170, 900)->Select();
         },
         1, 0, -1, 0},
        {"two voices", [](EditScore& s) {
             s.AddNote(1, 0, 0, 3, {60}, 0, true);
             s.AddNote(1, 0, 0, 3, {67}, 2, true);
         },
         1, 2, -1, 1},
    };
    for (const Case& c : cases) {
        EditScore s;
        c.build(s);
        s.SelectExtent(1, 1, 0, 1);
        const Clip clip = Copied(s);
        ASSERT_GE(clip.bytes.size(), std::size_t(ClipHeader::kSize)) << c.what;
        EXPECT_EQ(clip.bytes[ClipHeader::kHasItems], c.hasItems) << c.what;
        const auto trackBars = clip.TrackBars();
        ASSERT_EQ(trackBars.size(), 2u) << c.what;
        EXPECT_EQ(int(trackBars[0].size()), c.recordsInFirstBar) << c.what;
        if (c.clefByte >= 0) EXPECT_EQ(clip.bytes[ClipHeader::kClef + 1], c.clefByte) << c.what;
        EXPECT_EQ(clip.bytes[ClipHeader::kSeveralVoices + 1], c.severalVoices) << c.what;
        if (std::string(c.what).rfind("MIDI data only", 0) == 0) {
            EXPECT_EQ(clip.At<std::int32_t>(ClipHeader::kStart), 1920 + 720) << "from the first copied bar's start";
            EXPECT_EQ(clip.bytes[ClipHeader::kHasNotes], 0);
            EXPECT_EQ(trackBars[1].size(), 2u);
        }
        if (std::string(c.what) == "one head of three, with every mark") {
            const auto& note = trackBars[0][0];
            EXPECT_EQ(note[CRawNote::kHeadCount], 1) << "one head";
            EXPECT_EQ(note[CRawNote::kHeads + NoteHead::kPitch], 64) << "the selected head";
            const int marks = (note[CRawHead::kValue] >> CRawHead::kMarkCountShift) & 7;
            EXPECT_EQ(marks, 2) << "every mark";
            std::int16_t size = 0;
            std::memcpy(&size, note.data() + rec::kSize, sizeof size);
            EXPECT_EQ(std::size_t(size), note.size());
            EXPECT_EQ(size, CRawNote::kHeads + NoteHead::kSize + NoteMark::ClassSize(16) + NoteMark::ClassSize(23));
        }
    }
}

}  // namespace
