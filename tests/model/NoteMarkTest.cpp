// Note marks: sizes by code, new marks, code tests, the glyph table and the stored form.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "framework/File.h"
#include "model/ModelGlobals.h"
#include "model/NoteMark.h"
#include "platform/ChunkStream.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class NoteMarkTest : public testing::Test {
protected:
    void SetUp() override {
        ResetModelGlobals();
        NoteMarkInputs& in = g_model.noteMarkInputs;
        in.fingeringFont = FontRef{7, 24, 0, 0};
        in.letterFace = 3;
        in.textFont = FontRef{2, 10, FontRef::kItalic, 0};
        in.textChar = 'x';
    }
    void TearDown() override { ResetModelGlobals(); }

    // A mark in a zeroed buffer.
    NoteMark* Fresh(std::uint8_t fill = 0) {
        std::memset(buffer, fill, sizeof buffer);
        return reinterpret_cast<NoteMark*>(buffer);
    }
    NoteMark* MarkFor(int code) {
        NoteMark* m = Fresh();
        m->Init(code);
        return m;
    }

    alignas(8) std::uint8_t buffer[256];
};

Bytes Written(const NoteMark& m) {
    CMemFile f;
    {
        CChunkStream s;
        s.SetFile(&f);
        s.BeginChunk(0, -1);
        m.Write(s);
        s.EndChunk(-1);
    }
    return Bytes(f.Data().begin() + 4, f.Data().end());  // past the untagged length
}

}  // namespace

TEST_F(NoteMarkTest, ClassSizes) {
    const int cases[][2] = {{0, 54},   {1, 54},   {2, 54},   {3, 40},   {15, 40},  {29, 40},  {30, 44},
                            {31, 40},  {69, 40},  {70, 46},  {89, 46},  {90, 40},  {99, 40},  {100, 48},
                            {115, 48}, {116, 40}, {230, 40}, {231, 40}, {240, 48}, {250, 48}, {251, 40}};
    for (const auto& c : cases) EXPECT_EQ(c[1], NoteMark::ClassSize(c[0])) << c[0];
}

TEST_F(NoteMarkTest, InitFingerings) {
    struct Case {
        int code, button;
        int wantCode, wantChar;
        FontRef font;
    };
    const Case cases[] = {
        {231, 3, 111, 223, FontRef{7, 24, 0, 0}},  // numbered fingering: a music-font glyph
        {231, 0, 108, 220, FontRef{7, 24, 0, 0}},
        {230, 0, 100, 'p', FontRef{3, 12, 0, 0}},  // letters in the letter face at size 12
        {230, 7, 107, 'P', FontRef{3, 12, 0, 0}},
        {230, 4, 104, 'c', FontRef{3, 12, 0, 0}},
        {230, 8, 100, 'p', FontRef{3, 12, 0, 0}},  // no such button: the first
        {231, -1, 108, 220, FontRef{7, 24, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.code << " button " << c.button);
        g_model.noteMarkInputs.buttonIndex = std::int16_t(c.button);
        NoteMark* m = MarkFor(c.code);
        EXPECT_EQ(c.wantCode, m->Code());
        EXPECT_EQ(c.wantChar, m->Character());
        const FontRef f = m->Font();
        EXPECT_EQ(c.font.face, f.face);
        EXPECT_EQ(c.font.size, f.size);
        EXPECT_EQ(c.font.style, f.style);
        EXPECT_EQ(48, m->Size());
    }
}

TEST_F(NoteMarkTest, InitJazzMarks) {
    g_model.noteMarkInputs.ornamentSetting = 6;
    struct Case {
        int code, x, y, start, end, setting41;
    };
    const Case cases[] = {
        {70, -30, 0, -180, 180, 0}, {71, -30, 0, -180, 180, 1}, {72, -30, 0, -180, 180, 8},
        {73, 150, 0, 180, 180, 0},  {74, 150, 0, 180, 180, 1},  {75, 150, 0, 180, 180, 8},
        {76, 0, 0, 0, 0, 1},        {79, 180, -60, 0, 0, 1},    {80, -60, -60, -180, -120, 8},
        {81, -90, 30, 240, 0, 8},   {89, 0, 0, 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        NoteMark* m = MarkFor(c.code);
        EXPECT_EQ(46, m->Size());
        EXPECT_EQ(c.x, m->XOffset());
        EXPECT_EQ(c.y, m->YOffset());
        EXPECT_EQ(c.start, m->GetWord(NoteMark::kExtentStart));
        EXPECT_EQ(c.end, m->GetWord(NoteMark::kExtentEnd));
        EXPECT_EQ(c.setting41, m->GetByte(NoteMark::kSetting41));
    }
}

TEST_F(NoteMarkTest, InitOtherCodes) {
    NoteMark* m = Fresh(0xFF);
    m->Init(0);
    EXPECT_EQ(54, m->Size());
    EXPECT_EQ(0, m->GetByte(52));
    EXPECT_EQ(0, m->GetByte(53));
    EXPECT_EQ(0x08, m->Flags()) << "only the placed-above bit stays";
    EXPECT_EQ(0, m->XOffset());
    EXPECT_EQ(0, m->YOffset());
    for (int i = 0; i < 32; ++i) EXPECT_EQ(0, m->Playback().bytes[i]) << i;
    EXPECT_EQ(0xFF, m->GetByte(40)) << "other class fields are the caller's";

    EXPECT_EQ(44, MarkFor(30)->Size());
    EXPECT_EQ(40, MarkFor(15)->Size());

    NoteMark* text = MarkFor(250);
    EXPECT_EQ(48, text->Size());
    EXPECT_EQ('x', text->Character());
    EXPECT_EQ(FontRef::kItalic, text->Font().style);

    m = Fresh(0);
    m->SetFlags(0x20);
    m->Init(5);
    EXPECT_EQ(0x10, m->Flags()) << "code 5: bit 4 set, bit 5 cleared";
    m = Fresh(0);
    m->SetFlags(0x88);
    m->Init(4);
    EXPECT_EQ(0x48, m->Flags()) << "code 4: bits 6-7 = 1";
    EXPECT_EQ(15, MarkFor(0x100 + 15)->Code()) << "the low 8 bits of the code";
}

TEST_F(NoteMarkTest, NextSkipsExtraBytes) {
    NoteMark* first = Fresh();
    first->Init(15);
    first->SetSize(44);  // four bytes beyond its class
    NoteMark* second = first->Next();
    EXPECT_EQ(buffer + 44, second->Bytes());
    second->Init(30);
    EXPECT_EQ(buffer + 88, second->Next()->Bytes());
}

TEST_F(NoteMarkTest, CodeTests) {
    struct Case {
        int code;
        const char* truths;  // one letter per test below, in order: 1 for true
    };
    // 0or1 0to2 3to5 3to6 below15 30 31to34 70to89 70to75/80/81 72/75/81 100to107 100to115 250
    const Case cases[] = {
        {0, "1100100000000"},   {1, "1100100000000"},   {2, "0100100000000"},   {3, "0011100000000"},
        {5, "0011100000000"},   {6, "0001100000000"},   {14, "0000100000000"},  {15, "0000000000000"},
        {30, "0000010000000"},  {31, "0000001000000"},  {34, "0000001000000"},  {35, "0000000000000"},
        {70, "0000000110000"},  {72, "0000000111000"},  {75, "0000000111000"},  {76, "0000000100000"},
        {80, "0000000110000"},  {81, "0000000111000"},  {89, "0000000100000"},  {90, "0000000000000"},
        {100, "0000000000110"}, {107, "0000000000110"}, {108, "0000000000010"}, {115, "0000000000010"},
        {116, "0000000000000"}, {250, "0000000000001"}, {255, "0000000000000"},
    };
    for (const Case& c : cases) {
        NoteMark* m = Fresh();
        m->SetCode(std::uint8_t(c.code));
        const bool got[] = {m->IsCode0Or1(),      m->IsCode0To2(),           m->IsCode3To5(),
                            m->IsCode3To6(),      m->IsCodeBelow15(),        m->IsCode30(),
                            m->IsCode31To34(),    m->IsCode70To89(),         m->IsCode70To75Or80Or81(),
                            m->IsCode72Or75Or81(), m->IsCode100To107(),      m->IsCode100To115(),
                            m->IsCode250()};
        for (int i = 0; i < 13; ++i) EXPECT_EQ(c.truths[i] == '1', got[i]) << "code " << c.code << " test " << i;
    }
}

TEST_F(NoteMarkTest, GlyphOfTheMarksCode) {
    struct Case {
        int code, kind, glyph;
    };
    const Case cases[] = {
        {0, 2, 161},   {16, 0, 193},  {21, 3, 194},  {30, 4, 172},  {51, 2, 235},  {70, 0, 0},
        {80, 0, 218},  {82, 2, 112},  {100, 2, 112}, {107, 2, 80},  {97, 2, 227},  {98, 2, 0},
        {250, 2, 0},   {253, 1, 0},
        // Past the end of the table: no glyph.
        {108, 0, 0},   {200, 0, 0},   {249, 0, 0},   {254, 0, 0},   {255, 0, 0},
    };
    for (const Case& c : cases) {
        NoteMark* m = Fresh();
        m->SetCode(std::uint8_t(c.code));
        EXPECT_EQ(c.kind, m->GetPlacementKind()) << c.code;
        EXPECT_EQ(c.glyph, m->GetGlyph()) << c.code;
    }
}

TEST_F(NoteMarkTest, StoredFormByteByByte) {
    // A jazz mark with two bytes beyond its class.
    NoteMark* m = Fresh();
    m->Init(72);
    m->SetSize(48);
    m->SetFlags(0x69);  // bits 0 and 3, field 4-5 = 2, field 6-7 = 1
    m->SetYOffset(-35);
    for (int i = 0; i < 24; ++i) m->Playback().bytes[i] = std::uint8_t(i);
    m->Playback().SetWord(1, 0x0102);
    m->Playback().SetWord(4, -2);
    m->SetByte(40, 0xAB);
    m->SetByte(46, 0xC1);
    m->SetByte(47, 0xC2);

    Bytes want = {0x00, 0x30, 72, 0x99, 0xFF, 0xFA, 0xFF, 0xF9};  // size, code, flags, -30 and -35 / 5
    for (int i = 0; i < 24; ++i) want.push_back(std::uint8_t(i));
    const Bytes words = {0x01, 0x02, 0, 0, 0, 0, 0xFF, 0xFE};
    want.insert(want.end(), words.begin(), words.end());
    const Bytes tail = {0xAB, 8, 0xFF, 0xDC, 0x00, 0x24, 0xC1, 0xC2};  // bytes 40-41, -180 and 180, extra
    want.insert(want.end(), tail.begin(), tail.end());
    ASSERT_EQ(48u, want.size());

    EXPECT_EQ(want, Written(*m));

    std::uint8_t copy[48];
    std::memcpy(copy, m->Bytes(), 48);
    m->ToFileOrder();
    EXPECT_EQ(want, Bytes(m->Bytes(), m->Bytes() + 48));
    ASSERT_TRUE(m->FromFileOrder(48));
    EXPECT_EQ(0, std::memcmp(copy, m->Bytes(), 48));
}

TEST_F(NoteMarkTest, EveryClassRoundTrips) {
    for (int code : {0, 2, 15, 30, 72, 81, 100, 111, 240, 250}) {
        SCOPED_TRACE(code);
        NoteMark* m = Fresh();
        g_model.noteMarkInputs.buttonIndex = 2;
        m->Init(code);
        const int size = m->Size();
        // Every byte set, with coordinates in whole fifths so that they survive.
        for (int i = 8; i < size; ++i) m->SetByte(i, std::uint8_t(0x30 + i));
        m->SetXOffset(-45);
        m->SetYOffset(1000);
        m->SetFlags(0xA5);
        if (code <= 2 || code == 30 || (code >= 70 && code <= 89)) m->SetWord(42, -600);
        if (code <= 2 || (code >= 70 && code <= 89)) m->SetWord(44, 125);
        if (code <= 2) m->SetWord(40, 5);
        if (code >= 100 || code == 240) m->SetByte(47, 0);  // the font's pad byte is stored as 0

        std::uint8_t before[64];
        std::memcpy(before, m->Bytes(), std::size_t(size));
        const Bytes stored = Written(*m);
        ASSERT_EQ(std::size_t(size), stored.size()) << "the stored size holds every byte";
        m->ToFileOrder();
        EXPECT_EQ(stored, Bytes(m->Bytes(), m->Bytes() + size)) << "stream and in-place forms agree";
        ASSERT_TRUE(m->FromFileOrder(std::size_t(size)));
        EXPECT_EQ(0, std::memcmp(before, m->Bytes(), std::size_t(size)));
    }
}

TEST_F(NoteMarkTest, FromFileOrderRefusesSizesItCannotHold) {
    struct Case {
        std::uint8_t sizeHigh, sizeLow;
        std::size_t available;
    };
    const Case cases[] = {{0, 4, 64}, {0xFF, 0xD8, 64}, {0, 60, 50}, {0, 40, 1}};
    for (const Case& c : cases) {
        NoteMark* m = Fresh(0x5C);
        m->Bytes()[0] = c.sizeHigh;
        m->Bytes()[1] = c.sizeLow;
        std::uint8_t before[64];
        std::memcpy(before, m->Bytes(), sizeof before);
        EXPECT_FALSE(m->FromFileOrder(c.available));
        EXPECT_EQ(0, std::memcmp(before, m->Bytes(), sizeof before));
    }
}

TEST_F(NoteMarkTest, OlderMarkWithoutPlaybackKeepsItsFieldsInPlace) {
    // Files before 0x300 hold marks without the playback entry: an arpeggio mark of 12 bytes,
    // its word and coordinate right after the head.
    NoteMark* m = Fresh();
    const std::uint8_t stored[12] = {0x00, 0x0C, 30, 0x80, 0x00, 0x02, 0xFF, 0xFF, 0x12, 0x34, 0xFF, 0xF6};
    std::memcpy(m->Bytes(), stored, sizeof stored);
    ASSERT_TRUE(m->FromFileOrder(12));
    EXPECT_EQ(12, m->Size());
    EXPECT_EQ(0x01, m->Flags());
    EXPECT_EQ(10, m->XOffset());
    EXPECT_EQ(-5, m->YOffset());
    EXPECT_EQ(0x1234, m->GetWord(8));
    EXPECT_EQ(-50, m->GetWord(10));

    // The same mark written back gives the stored bytes again.
    EXPECT_EQ(Bytes(stored, stored + 12), Written(*m));
}
