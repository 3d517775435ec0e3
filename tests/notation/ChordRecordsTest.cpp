// The chord records: the chord symbol's and the guitar frame's stored bytes and the repairs of
// older files, the chord definition's elements and its refusal of a damaged record, and the
// tuning table with the pitches and keys of frames.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "NotationTestSupport.h"
#include "framework/Exceptions.h"
#include "model/ChordRecords.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/ScoreStandIns.h"
#include "platform/DrawGlobals.h"

using namespace notetest;

namespace {

class ChordRecordsTest : public NotationTest {};

Bytes Head(int size, int type) { return {std::uint8_t(size >> 8), std::uint8_t(size), std::uint8_t(type), 0, 0, 0, 0, 0, 0, 0, 0, 0}; }

template <typename T>
T* Make(RecordBuf& buf, int code) {
    return static_cast<T*>(static_cast<CBarItem*>(ConstructClass(code, buf.data())));
}

// The stored flag byte: has bass in bit 7, bass below in 6, the root accidental in 3-5 and the
// bass accidental in 0-2.
int StoredChordFlags(int v) { return (v & 1) << 7 | (v & 2) << 5 | ((v >> 2) & 7) << 3 | (v >> 5); }

}  // namespace

// --- the chord symbol ------------------------------------------------------------------------------

TEST_F(ChordRecordsTest, ChordIsStoredExactlyAndReadBack) {
    RecordBuf buf;
    auto* c = Make<CChord>(buf, CChord::kType);
    ASSERT_EQ(c->RecordSizeField(), 32);
    c->SetHasBass(true);
    c->SetRootAccidental(CChord::kSharp);
    c->SetBassAccidental(CChord::kFlat);
    c->SetParenthesised(true);
    c->SetYOffset(-250);
    c->SetKey(0x0891);
    c->SetRootLetter(4);
    c->SetBassLetter(1);
    c->SetXOffset(27);
    c->SetDuration(480);
    c->SetStrum(2, 10);
    c->SetVelocity(80);
    const Bytes expected = recordtest::Concat(
        {Head(32, 17), {0x8A, 1, 0xFF, 0xCE, 0x08, 0x91, 4, 1, 0x00, 0x05, 0x01, 0xE0, 2, 10, 80, 0}});
    EXPECT_EQ(expected.size(), 28u);
    EXPECT_EQ(Stored(c), expected);

    RecordBuf back;
    auto* r = CChord::Of(ReadStored(expected, back));
    EXPECT_EQ(r->RecordSizeField(), 32);
    EXPECT_TRUE(r->HasBass());
    EXPECT_FALSE(r->IsBassBelow());
    EXPECT_EQ(r->GetRootAccidental(), CChord::kSharp);
    EXPECT_EQ(r->GetBassAccidental(), CChord::kFlat);
    EXPECT_TRUE(r->IsParenthesised());
    EXPECT_EQ(r->GetYOffset(), -250);
    EXPECT_EQ(r->GetKey(), 0x0891);
    EXPECT_EQ(r->GetRootLetter(), 4);
    EXPECT_EQ(r->GetBassLetter(), 1);
    EXPECT_EQ(r->GetXOffset(), 25);  // coordinates travel in fives
    EXPECT_EQ(r->GetDuration(), 480);
    EXPECT_EQ(r->GetFirstOffset(), 2);
    EXPECT_EQ(r->GetLastOffset(), 10);
    EXPECT_EQ(r->GetVelocity(), 80);
    EXPECT_EQ(static_cast<CBarItem*>(r)->GetVerticalOffset(), -250);
}

TEST_F(ChordRecordsTest, ChordFlagByteTakesItsFileOrderForEveryValue) {
    for (int v = 0; v < 256; ++v) {
        RecordBuf buf;
        auto* c = Make<CChord>(buf, CChord::kType);
        rec::Put<std::uint8_t>(c, CChord::kFlags, std::uint8_t(v));
        const Bytes stored = Stored(c);
        ASSERT_EQ(stored.size(), 28u);
        ASSERT_EQ(stored[12], StoredChordFlags(v)) << v;
        RecordBuf back;
        auto* r = CChord::Of(ReadStored(stored, back));
        ASSERT_EQ(r->Flags(), v) << v;
    }
}

TEST_F(ChordRecordsTest, ChordOfAnOlderFileGainsItsPlaybackFieldsAndIsSilent) {
    RecordBuf buf;
    auto* c = Make<CChord>(buf, CChord::kType);
    c->SetParenthesised(true);
    c->SetKey(0x91);
    c->SetRootLetter(2);
    c->SetXOffset(-40);
    c->CBaseItem::SetSize(CChord::kOldSize);
    const Bytes current = Stored(c);
    EXPECT_EQ(current.size(), 22u);
    const Bytes stored = WithoutColourBytes(current);
    SetLoadedFileVersion(0x300, 0);
    RecordBuf back;
    auto* r = CChord::Of(ReadStored(stored, back));
    EXPECT_EQ(r->RecordSizeField(), 32);
    EXPECT_EQ(r->GetDuration(), 480);
    EXPECT_EQ(r->GetFirstOffset(), 4);
    EXPECT_EQ(r->GetLastOffset(), 4);
    EXPECT_FALSE(r->IsParenthesised());
    EXPECT_TRUE(r->FlagsA() & CBarItem::kFlag8Bit1);
    EXPECT_EQ(r->GetKey(), 0x91);
    EXPECT_EQ(r->GetRootLetter(), 2);
    EXPECT_EQ(r->GetXOffset(), -40);
    SetLoadedFileVersion(0x400, 0);
    EXPECT_EQ(Stored(r).size(), 28u);
}

TEST_F(ChordRecordsTest, NewChordAndPitches) {
    RecordBuf buf;
    auto* c = Make<CChord>(buf, CChord::kType);
    c->InitNew(0x91, 5, CChord::kFlat, 2, CChord::kNatural, true, false);
    EXPECT_EQ(c->GetDuration(), 480);
    EXPECT_EQ(c->GetVelocity(), 80);
    EXPECT_TRUE(c->FlagsA() & CBarItem::kFlag8Bit1);
    EXPECT_EQ(c->GetRootPitch(60), 68);  // A flat
    EXPECT_EQ(c->GetBassPitch(60), 64);  // a natural counts as none
}

// --- the chord definition --------------------------------------------------------------------------

TEST_F(ChordRecordsTest, DefinitionElementsKeepItsSize) {
    RecordBuf buf;
    auto* s = CSuffix::Of(ConstructClass(CSuffix::kType, buf.data()));
    ASSERT_EQ(s->RecordSizeField(), 62);
    s->InitEmpty();
    EXPECT_EQ(s->RecordSizeField(), 48);
    EXPECT_EQ(s->GetElementCount(), 0);
    SuffixElement e{};
    for (int code : {16, 29, 17}) {
        e.SetCode(code);
        e.SetDx(code);
        ASSERT_NE(s->AppendElement(e), nullptr);
    }
    EXPECT_EQ(s->RecordSizeField(), 48 + 14 * 3);
    s->RemoveElement(1);
    EXPECT_EQ(s->RecordSizeField(), 48 + 14 * 2);
    EXPECT_EQ(s->GetElement(0)->Code(), 16);
    EXPECT_EQ(s->GetElement(1)->Code(), 17);
    EXPECT_EQ(s->GetElement(1)->Dx(), 17);
    EXPECT_EQ(s->GetElement(2), nullptr);
    s->ClearElements();
    EXPECT_EQ(s->RecordSizeField(), 48);
    e.SetCode(4);
    s->AppendElement(e);
    EXPECT_EQ(s->RecordSizeField(), 62);
    EXPECT_TRUE(s->IsWhole());
}

TEST_F(ChordRecordsTest, DefinitionFromNotes) {
    RecordBuf buf;
    auto* s = CSuffix::Of(ConstructClass(CSuffix::kType, buf.data()));
    const int pitches[] = {52, 55, 60, 64};  // C major over E
    s->InitFromNotes(60, 4, pitches);
    EXPECT_EQ(s->GetNoteCount(), 4);
    int intervals[12];
    ASSERT_EQ(s->CopyIntervals(intervals), 4);
    EXPECT_EQ(std::vector<int>(intervals, intervals + 4), (std::vector<int>{0, 3, 8, 12}));
    EXPECT_EQ(s->GetKey(), (1 << 0) | (1 << 3) | (1 << 8) | (1 << 12));
    EXPECT_EQ(s->GetRootOffset(), 8);
    EXPECT_TRUE(s->IsInverted());
    s->SetRootOffset(-1);
    EXPECT_EQ(s->GetRootOffset(), 11);
    // more than twelve notes keep twelve
    int many[14];
    for (int i = 0; i < 14; ++i) many[i] = 48 + i;
    s->InitFromNotes(48, 14, many);
    EXPECT_EQ(s->GetNoteCount(), 12);
}

TEST_F(ChordRecordsTest, ShiftingElementsMovesOneCodeAndSetsItsFace) {
    RecordBuf buf;
    auto* s = CSuffix::Of(ConstructClass(CSuffix::kType, buf.data()));
    s->InitEmpty();
    const std::uint16_t music = g_draw.standardFontRefs[4].face;
    const std::uint16_t text = 3;
    struct El {
        int code, dy, face;
    } els[] = {{29, -40, text}, {16, -60, music}, {29, 0, music}, {17, -60, text}};
    for (const El& el : els) {
        SuffixElement e{};
        e.SetCode(el.code);
        e.SetDy(el.dy);
        FontRef f;
        f.face = std::uint16_t(el.face);
        f.size = 12;
        e.SetFont(f);
        s->AppendElement(e);
    }
    s->ShiftElements(29, 20, 7);
    EXPECT_EQ(s->GetElement(0)->Dy(), -20) << "a sharp moved down";
    EXPECT_EQ(s->GetElement(0)->Font().face, music) << "a glyph element takes the music face";
    EXPECT_EQ(s->GetElement(2)->Dy(), 20);
    EXPECT_EQ(s->GetElement(1)->Dy(), -60) << "other codes stay";
    EXPECT_EQ(s->GetElement(1)->Font().face, music);
    s->ShiftElements(16, -20, 7);
    EXPECT_EQ(s->GetElement(1)->Dy(), -80);
    EXPECT_EQ(s->GetElement(1)->Font().face, 7) << "a text element in the music face takes the given face";
    EXPECT_EQ(s->GetElement(1)->Font().size, 12);
    s->ShiftElements(17, 0, 9);
    EXPECT_EQ(s->GetElement(3)->Font().face, text) << "a text element in another face keeps it";
    EXPECT_EQ(s->RecordSizeField(), 48 + 14 * 4);
}

TEST_F(ChordRecordsTest, DefinitionIsStoredAfterItsSizeWordAndADamagedOneIsRefused) {
    RecordBuf buf;
    auto* s = CSuffix::Of(ConstructClass(CSuffix::kType, buf.data()));
    s->InitEmpty();
    s->SetKey(0x1091);
    SuffixElement e{};
    e.SetCode(29);
    e.SetDx(-3);
    s->AppendElement(e);
    const Bytes stored = Stored(s);
    ASSERT_EQ(stored.size(), 58u);
    EXPECT_EQ(stored[0], 0);
    EXPECT_EQ(stored[1], 62);
    EXPECT_EQ(stored[2], 14);
    EXPECT_EQ(stored[4], 0x91);  // the key as in memory
    EXPECT_EQ(stored[5], 0x10);
    EXPECT_EQ(stored[44], 0xFD);  // the element's dx
    EXPECT_EQ(stored[54], 29);

    {
        recordtest::Reader r(stored);
        RecordBuf back;
        auto* item = ConstructClass(CSuffix::kType, back.data());
        fw::ScopedGlobal<std::int32_t> room(g_model.recordRoom, std::int32_t(back.bytes.size()));
        item->Read(r.stream);
        EXPECT_EQ(item->RecordSizeField(), 62);
        EXPECT_EQ(Body(item), Body(s));
    }
    // an empty definition keeps its 48 bytes
    {
        RecordBuf emptyBuf;
        auto* empty = CSuffix::Of(ConstructClass(CSuffix::kType, emptyBuf.data()));
        empty->InitEmpty();
        const Bytes emptyStored = Stored(empty);
        ASSERT_EQ(emptyStored.size(), 44u);
        recordtest::Reader r(emptyStored);
        RecordBuf back;
        back.bytes.assign(back.bytes.size(), 0x5C);
        auto* item = ConstructClass(CSuffix::kType, back.data());
        fw::ScopedGlobal<std::int32_t> room(g_model.recordRoom, std::int32_t(back.bytes.size()));
        item->Read(r.stream);
        EXPECT_EQ(item->RecordSizeField(), 48);
        EXPECT_TRUE(CSuffix::Of(item)->IsWhole());
    }
    // an element count that the size does not hold
    Bytes damaged = stored;
    damaged[7] = 2;
    recordtest::Reader r(damaged);
    RecordBuf back;
    auto* item = ConstructClass(CSuffix::kType, back.data());
    fw::ScopedGlobal<std::int32_t> room(g_model.recordRoom, std::int32_t(back.bytes.size()));
    EXPECT_THROW(item->Read(r.stream), CArchiveException);
}

// --- the guitar frame ------------------------------------------------------------------------------

TEST_F(ChordRecordsTest, FrameIsStoredExactlyAndReadBack) {
    RecordBuf buf;
    auto* f = Make<CGuitarFrame>(buf, CGuitarFrame::kType);
    ASSERT_EQ(f->RecordSizeField(), 104);
    f->InitDefault();
    f->SetRoot(3);
    f->SetChordType(5);
    f->SetBass(6);
    f->SetTuning(1);
    f->SetBaseFret(2);
    for (int i = 0; i < 6; ++i) f->SetStringFret(i, i - 1);
    f->SetBarreFret(0, 1);
    f->SetName("D/E");
    f->SetKey(0x1234);
    f->SetXOffset(-10);
    f->SetYOffset(600);
    f->SetFinger(0, 5);
    f->SetCapo(2);
    f->SetTabMode(1);
    f->SetParenthesised(true);
    f->SetDuration(960);
    f->SetStrum(-2, 12);
    f->SetVelocity(90);
    const Bytes stored = Stored(f);
    ASSERT_EQ(stored.size(), 100u);
    // bytes 16-73 raw, after a 12-byte stored head
    EXPECT_EQ(stored[12 + 0], 3);
    EXPECT_EQ(stored[12 + 4], 6);
    EXPECT_EQ(stored[12 + 5], 4);
    EXPECT_EQ(stored[12 + 24], 3);  // string 0 muted
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&stored[12 + 42])), "D/E");
    const Bytes tail(stored.begin() + 12 + 58, stored.end());
    Bytes expectedTail = {0x12, 0x34, 0xFF, 0xFE, 0x00, 0x78, 5};
    expectedTail.resize(7 + 15, 0);
    for (std::uint8_t b : {2, 0x05, 0x03, 0xC0, 0xFE, 12, 90, 0}) expectedTail.push_back(b);
    EXPECT_EQ(tail, expectedTail);

    RecordBuf back;
    auto* r = CGuitarFrame::Of(ReadStored(stored, back));
    EXPECT_EQ(Body(r), Body(f));
    EXPECT_EQ(r->GetKind(), 5);
    EXPECT_EQ(r->GetName(), "D/E");
    EXPECT_EQ(r->GetCapoMode(), 1);
    EXPECT_TRUE(r->IsParenthesised());
}

TEST_F(ChordRecordsTest, FrameOfAnOlderFileMapsItsChordTypeAndClearsFingersAndCapo) {
    const int mapped[13] = {0, 1, 5, 6, 14, 40, 16, 42, 51, 26, 9, 2, 3};
    for (int old = 0; old < 15; ++old) {
        RecordBuf buf;
        auto* f = Make<CGuitarFrame>(buf, CGuitarFrame::kType);
        f->InitDefault();
        f->SetChordType(old);
        f->SetName("Am7");
        f->SetFinger(2, 3);
        f->SetCapo(3);
        f->SetDuration(100);
        const Bytes stored = WithoutColourBytes(Stored(f));
        SetLoadedFileVersion(0x300, 0);
        RecordBuf back;
        auto* r = CGuitarFrame::Of(ReadStored(stored, back));
        EXPECT_EQ(r->RecordSizeField(), 104);
        EXPECT_EQ(r->GetChordType(), old < 13 ? mapped[old] : old) << old;
        EXPECT_EQ(r->GetFinger(2), 0);
        EXPECT_EQ(r->GetCapo(), 0);
        EXPECT_EQ(r->GetDuration(), 480);
        EXPECT_EQ(r->GetName(), "Am7");
        SetLoadedFileVersion(0x400, 0);
    }
    // a record of the shorter form
    RecordBuf buf;
    auto* f = Make<CGuitarFrame>(buf, CGuitarFrame::kType);
    f->InitDefault();
    f->SetChordType(4);
    f->CBaseItem::SetSize(CGuitarFrame::kOldSize);
    const Bytes stored = WithoutColourBytes(Stored(f));
    EXPECT_EQ(stored.size(), 74u);
    SetLoadedFileVersion(0x300, 0);
    RecordBuf back;
    auto* r = CGuitarFrame::Of(ReadStored(stored, back));
    EXPECT_EQ(r->RecordSizeField(), 104);
    EXPECT_EQ(r->GetChordType(), 14);
    EXPECT_EQ(r->GetDuration(), 480);
    EXPECT_EQ(r->GetFrets(), 4);
}

TEST_F(ChordRecordsTest, FrameNamesAndHostileBytes) {
    RecordBuf buf;
    auto* f = Make<CGuitarFrame>(buf, CGuitarFrame::kType);
    f->SetName("ABCDEFGHIJKLMNO");
    EXPECT_EQ(f->GetName(), "ABCDEFGHIJKLMNO");
    f->SetName("ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(f->GetName(), "ABCDEFGHIJKLMNO");
    // a name without its zero, read from a file, ends within its field
    std::memset(f->Bytes() + CGuitarFrame::kName, 'x', CGuitarFrame::kNameSize);
    EXPECT_EQ(f->GetName().size(), 15u);
    const Bytes stored = Stored(f);
    Bytes hostile = stored;
    for (int i = 0; i < 16; ++i) hostile[12 + 42 + i] = 'y';
    hostile[12 + 4] = 255;  // strings
    RecordBuf back;
    auto* r = CGuitarFrame::Of(ReadStored(hostile, back));
    EXPECT_EQ(r->GetName(), std::string(15, 'y'));
    EXPECT_EQ(r->GetStrings(), 16);
    EXPECT_EQ(r->GetStringFret(16), -4);
    EXPECT_EQ(r->GetBarreFret(-1), 0);
}

TEST_F(ChordRecordsTest, SlashNamesSplitAtASlashBeforeALetter) {
    struct Case {
        const char* name;
        bool split;
        const char* main;
        const char* bass;
    } cases[] = {
        {"C/E", true, "C", "/E"}, {"Am7/G", true, "Am7", "/G"}, {"C6/9", false, "C6/9", ""},
        {"C6/9/D", true, "C6/9", "/D"}, {"G", false, "G", ""}, {"/", false, "/", ""}, {"", false, "", ""},
    };
    for (const Case& c : cases) {
        std::string main, bass;
        EXPECT_EQ(CGuitarFrame::SplitSlashName(c.name, &main, &bass), c.split) << c.name;
        EXPECT_EQ(main, c.main) << c.name;
        EXPECT_EQ(bass, c.bass) << c.name;
    }
}

TEST_F(ChordRecordsTest, SpelledRootsDecodeAndEncode) {
    const char* names[18] = {"C", "C#", "Db", "D", "D#", "Eb", "E", "F", "F#", "Gb", "G", "G#", "Ab", "A", "A#", "Bb", "B", "Cb"};
    const int semis[18] = {0, 1, 1, 2, 3, 3, 4, 5, 6, 6, 7, 8, 8, 9, 10, 10, 11, 11};
    for (int i = 0; i < 18; ++i) {
        int letter = 0, acc = 0, semi = 0;
        ASSERT_TRUE(DecodeChordRoot(i, &letter, &acc, &semi));
        EXPECT_EQ("CDEFGAB"[letter], names[i][0]) << i;
        EXPECT_EQ(acc, names[i][1] == '#' ? 1 : names[i][1] == 'b' ? 2 : 0) << i;
        EXPECT_EQ(semi, semis[i]) << i;
        EXPECT_EQ(EncodeChordRoot(letter, acc), i);
    }
    int letter = 0;
    EXPECT_FALSE(DecodeChordRoot(18, &letter, nullptr, nullptr));
    EXPECT_EQ(letter, -1);
    EXPECT_EQ(EncodeChordRoot(6, 1), 0);  // B sharp stores C
    EXPECT_EQ(EncodeChordRoot(2, 1), 7);  // E sharp F
    EXPECT_EQ(EncodeChordRoot(3, 2), 6);  // F flat E
    EXPECT_EQ(EncodeChordRoot(7, 0), -1);
}

// --- the tunings -----------------------------------------------------------------------------------

TEST_F(ChordRecordsTest, TheThirteenTunings) {
    CGuitarTunings t;
    t.FillTunings();
    ASSERT_EQ(t.GetCount(), 13);
    struct Row {
        const char* name;
        std::vector<int> pitches;
    } rows[13] = {
        {"Guitar", {76, 71, 67, 62, 57, 52}},
        {"Guitar Drop D", {76, 71, 67, 62, 57, 50}},
        {"Guitar Open G", {74, 71, 67, 62, 55, 52}},
        {"Guitar Open D", {74, 69, 66, 62, 57, 50}},
        {"Bass Guitar", {55, 50, 45, 40}},
        {"Bass Guitar 5 String", {55, 50, 45, 40, 35}},
        {"Bass Guitar 6 String", {59, 55, 50, 45, 40, 35}},
        {"Banjo", {74, 71, 67, 62}},
        {"Banjo G Modal Tuning", {74, 72, 67, 62}},
        {"Banjo Double C Tuning", {74, 72, 67, 60}},
        {"Lute", {76, 71, 66, 62, 57, 52}},
        {"Dobro", {74, 71, 67, 62, 59, 55}},
        {"Mandolin", {76, 69, 62, 55}},
    };
    for (int i = 0; i < 13; ++i) {
        const GuitarTuning* g = t.GetTuning(i);
        ASSERT_NE(g, nullptr);
        EXPECT_STREQ(g->name, rows[i].name);
        ASSERT_EQ(g->strings, rows[i].pitches.size()) << i;
        EXPECT_EQ(std::vector<int>(g->pitches, g->pitches + g->strings), rows[i].pitches) << i;
    }
    EXPECT_EQ(t.GetTuning(13), nullptr);
}

TEST_F(ChordRecordsTest, FramePitchesAndKeys) {
    CGuitarTunings t;
    t.FillTunings();
    RecordBuf buf;
    auto* f = Make<CGuitarFrame>(buf, CGuitarFrame::kType);
    f->InitDefault();
    const int frets[6] = {-1, 1, 0, 2, 3, -1};  // from the highest string: C major
    for (int i = 0; i < 6; ++i) f->SetStringFret(i, frets[i]);
    f->SetRoot(0);
    int p[16];
    ASSERT_EQ(t.GetFramePitches(*f, p), 4);
    EXPECT_EQ(std::vector<int>(p, p + 4), (std::vector<int>{72, 67, 64, 60}));
    EXPECT_EQ(t.ComputeFrameKey(*f), (1 << 0) | (1 << 4) | (1 << 7) | (1 << 12));
    EXPECT_EQ(f->GetKey(), (1 << 0) | (1 << 4) | (1 << 7) | (1 << 12));

    f->SetCapo(2);
    ASSERT_EQ(t.GetSoundingPitches(*f, p), 4);
    EXPECT_EQ(std::vector<int>(p, p + 4), (std::vector<int>{74, 69, 66, 62}));
    f->SetCapo(0);

    f->SetBaseFret(2);
    ASSERT_EQ(t.GetFramePitches(*f, p), 4);
    EXPECT_EQ(std::vector<int>(p, p + 4), (std::vector<int>{74, 67, 66, 62}));  // the open string stays

    // a mandolin frame uses its tuning's four strings whatever it draws
    f->SetBaseFret(0);
    f->SetTuning(12);
    f->SetStrings(6);
    for (int i = 0; i < 16; ++i) f->SetStringFret(i, 0);
    EXPECT_EQ(t.GetFramePitches(*f, p), 4);
    // a tuning outside the table gives no key and stores nothing
    f->SetKey(77);
    f->SetTuning(13);
    EXPECT_EQ(t.ComputeFrameKey(*f), 0);
    EXPECT_EQ(f->GetKey(), 77);
    EXPECT_EQ(t.GetFramePitches(*f, p), 0);
}

TEST_F(ChordRecordsTest, KeyBytesAndDisplayOptions) {
    CGuitarTunings t;
    const std::uint8_t keys[] = {9, 4, 7, 4};
    t.SetKeys(keys, 4);
    EXPECT_EQ(t.FindKey(4), 1);
    EXPECT_EQ(t.FindKey(7), 2);
    EXPECT_EQ(t.FindKey(9), 0);
    EXPECT_EQ(t.FindKey(5), 0);  // absent gives 0 too
    EXPECT_EQ(t.GetKey(2), 7);
    for (int i = 0; i < 4; ++i) t.SetDisplayOption(i, 10 + i);
    EXPECT_EQ(t.GetDisplayOption(0), 10);
    EXPECT_EQ(t.GetDisplayOption(2), 12);
    EXPECT_EQ(t.GetDisplayOption(3), 13);
    EXPECT_EQ(t.GetDisplayOption(-5), 13);
    EXPECT_EQ(t.GetDisplayOption(99), 13);
}

TEST_F(ChordRecordsTest, AFramesShapeIsFoundAmongTheLibrarysFramesOfItsChord) {
    RecordBuf a, b, c, d, e, own;
    const auto frame = [](RecordBuf& buf, int root, int bass, int type, int tuning, int fret) {
        auto* f = Make<CGuitarFrame>(buf, CGuitarFrame::kType);
        f->InitDefault();
        f->SetRoot(root);
        f->SetBass(bass);
        f->SetChordType(type);
        f->SetTuning(tuning);
        f->SetStringFret(0, fret);
        return f;
    };
    // In library order: a G (not this chord), two C shapes, a C in another tuning, a C7.
    const std::vector<const CGuitarFrame*> library{frame(a, 10, 10, 0, 0, 3), frame(b, 0, 0, 0, 0, 0),
                                                   frame(c, 0, 0, 0, 0, 3), frame(d, 0, 0, 0, 1, 5),
                                                   frame(e, 0, 0, 5, 0, 5)};
    CGuitarFrame* f = frame(own, 0, 0, 0, 0, 3);
    EXPECT_EQ(CGuitarTunings::FindShapeIndex(*f, library), 1) << "the second C shape";
    f->SetStringFret(0, 0);
    EXPECT_EQ(CGuitarTunings::FindShapeIndex(*f, library), 0);
    f->SetStringFret(0, 5);
    EXPECT_EQ(CGuitarTunings::FindShapeIndex(*f, library), -1) << "the C of another tuning and the C7 do not count";
    f->SetBarreFret(0, 1);
    f->SetStringFret(0, 3);
    EXPECT_EQ(CGuitarTunings::FindShapeIndex(*f, library), -1) << "a barre is part of the fingering";
    EXPECT_EQ(CGuitarTunings::FindShapeIndex(*f, {}), -1);
}

TEST_F(ChordRecordsTest, AFrameMovesBetweenKeysAndTakesTheLibrarysShape) {
    RecordBuf d1, own;
    auto* dShape = Make<CGuitarFrame>(d1, CGuitarFrame::kType);
    dShape->InitDefault();
    dShape->SetRoot(3);
    dShape->SetBass(3);
    dShape->SetName("D");
    dShape->SetStringFret(0, 2);
    auto* f = Make<CGuitarFrame>(own, CGuitarFrame::kType);
    f->InitDefault();
    f->SetRoot(0);
    f->SetBass(0);
    f->SetName("C");
    f->TransposeKey(0, 9, {dShape});  // C major to D major: C to D
    EXPECT_EQ(f->GetRoot(), 3);
    EXPECT_EQ(f->GetName(), "D");
    EXPECT_EQ(f->GetStringFret(0), 2) << "the library's shape";
    // F major to E flat major: the second degree, G, becomes F; without a library frame the name
    // is rebuilt.
    f->SetRoot(10);
    f->SetBass(10);
    f->SetName("Gm");
    f->TransposeKey(1, 3, {dShape});
    EXPECT_EQ(f->GetRoot(), 7);
    EXPECT_EQ(f->GetName(), "Fm");
    EXPECT_EQ(f->GetStringFret(0), -4) << "the fingering cleared";
}

TEST_F(ChordRecordsTest, ChordKeyOfPitches) {
    const int major[] = {60, 64, 67};
    EXPECT_EQ(MakeChordKey(60, major, 3), 0x91);
    const int octave[] = {48, 52, 55, 60};
    EXPECT_EQ(MakeChordKey(48, octave, 4), 0x1091);
    EXPECT_EQ(MakeChordKey(60, major, 0), 0);
}

// --- spelling and transposition of chord symbols ---------------------------------------------------

TEST_F(ChordRecordsTest, ChordTranspositionAsOneTable) {
    struct Case {
        int root, rootAcc, bass, bassAcc;
        bool hasBass;
        int amount, mode, key;
        int newRoot, newRootAcc, newBass, newBassAcc;
        const char* what;
    } cases[] = {
        {0, 0, 0, 0, false, 7, 0, 0, 2, 0, 2, 0, "C up a major third: E, its natural written as none"},
        {1, 1, 0, 0, false, 7, 0, 0, 4, 0, 2, 0, "D sharp up a major third: the double sharp moves to G"},
        {1, 2, 0, 0, false, -7, 0, 0, 5, 0, 5, 0, "D flat down a major third: the double flat moves to A"},
        {3, 3, 0, 0, false, 7, 0, 0, 5, 0, 2, 0, "a natural moves as none"},
        {0, 0, 2, 0, true, 7, 1, 0, 0, 0, 2, 0, "seven steps change nothing"},
        {0, 0, 2, 0, true, 14, 1, 0, 0, 0, 2, 0, "fourteen steps change nothing"},
        {0, 0, 2, 0, true, -7, 1, 0, 0, 0, 2, 0, "seven steps down change nothing"},
        {0, 0, 2, 0, true, 2, 1, 0, 2, 0, 4, 1, "C/E two steps in C major: E/G sharp"},
        {4, 0, 0, 0, false, 2, 1, 1, 6, 2, 0, 0, "G two steps in F major: B flat, the key's"},
        {0, 0, 0, 0, false, 2, 2, 0, 1, 0, 0, 0, "C up two semitones: D"},
        {0, 0, 0, 0, false, -1, 2, 0, 6, 0, 0, 0, "C down a semitone: B"},
        {5, 0, 0, 0, false, 1, 2, 1, 6, 2, 0, 0, "A up a semitone in F major: B flat"},
        {0, 0, 2, 0, true, 2, 2, 0, 1, 0, 3, 1, "C/E up two semitones: D/F sharp, the bass spelled by its distance"},
    };
    for (const Case& c : cases) {
        RecordBuf buf;
        auto* chord = Make<CChord>(buf, CChord::kType);
        chord->SetRootLetter(c.root);
        chord->SetRootAccidental(c.rootAcc);
        chord->SetBassLetter(c.bass);
        chord->SetBassAccidental(c.bassAcc);
        chord->SetHasBass(c.hasBass);
        chord->Transpose(c.amount, c.mode, c.key);
        EXPECT_EQ(chord->GetRootLetter(), c.newRoot) << c.what;
        EXPECT_EQ(chord->GetRootAccidental(), c.newRootAcc) << c.what;
        if (c.hasBass) {
            EXPECT_EQ(chord->GetBassLetter(), c.newBass) << c.what;
            EXPECT_EQ(chord->GetBassAccidental(), c.newBassAcc) << c.what;
        }
    }
}

TEST_F(ChordRecordsTest, ChordRespellAndKeyChange) {
    RecordBuf buf;
    auto* chord = Make<CChord>(buf, CChord::kType);
    chord->SetRootLetter(0);
    chord->SetRootAccidental(CChord::kSharp);
    chord->SetBassLetter(3);
    chord->SetBassAccidental(CChord::kSharp);
    static_cast<CBarItem*>(chord)->RespellSelected();
    EXPECT_EQ(chord->GetRootLetter(), 1);  // D flat
    EXPECT_EQ(chord->GetRootAccidental(), CChord::kFlat);
    EXPECT_EQ(chord->GetBassLetter(), 3);  // no bass: kept
    chord->SetHasBass(true);
    chord->Respell();
    EXPECT_EQ(chord->GetRootLetter(), 0);  // C sharp again
    EXPECT_EQ(chord->GetRootAccidental(), CChord::kSharp);
    EXPECT_EQ(chord->GetBassLetter(), 4);  // G flat
    EXPECT_EQ(chord->GetBassAccidental(), CChord::kFlat);

    chord->SetRootLetter(0);
    chord->SetRootAccidental(0);
    chord->SetBassLetter(2);
    chord->SetBassAccidental(0);
    chord->TransposeKey(0, 8);  // C major to G major
    EXPECT_EQ(chord->GetRootLetter(), 4);
    EXPECT_EQ(chord->GetRootAccidental(), 0);
    EXPECT_EQ(chord->GetBassLetter(), 6);
    EXPECT_EQ(chord->GetBassAccidental(), 0);
}

TEST_F(ChordRecordsTest, FrameNamesRespell) {
    struct Case {
        const char* name;
        bool german;
        const char* respelled;
    } cases[] = {
        {"Bb7", false, "A#7"}, {"A#m", false, "Bbm"}, {"Ab/Eb", false, "G#/D#"}, {"G#", false, "Ab"},
        {"C/Db", false, "C/C#"}, {"Cmaj7", false, "Cmaj7"}, {"A#", true, "B"}, {"Cb", true, "H"},
        {"Fb", false, "E"}, {"E#m/B#", false, "Fm/C"}, {"", false, ""}, {"b", false, "b"},
    };
    for (const Case& c : cases) {
        RecordBuf buf;
        auto* f = Make<CGuitarFrame>(buf, CGuitarFrame::kType);
        f->SetRoot(7);
        f->SetName(c.name);
        f->Respell(c.german);
        EXPECT_EQ(f->GetName(), c.respelled) << c.name;
        EXPECT_EQ(f->GetRoot(), 7) << c.name;
    }
    RecordBuf buf;
    auto* f = Make<CGuitarFrame>(buf, CGuitarFrame::kType);
    f->SetName("Db");
    static_cast<CBarItem*>(f)->RespellSelected();
    EXPECT_EQ(f->GetName(), "C#");
}
