// The stored forms of the marks a new score puts into its first bar: the tempo mark and the
// bar-number item, byte for byte in the bar's "COND" chunk, read back, and the tempo mark of
// files that kept whole beats per minute.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "RecordTestSupport.h"
#include "model/Bar.h"
#include "model/BarNumber.h"
#include "model/ItemArray.h"
#include "model/ModelGlobals.h"
#include "model/NewScore.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/Tempo.h"
#include "model/Track.h"
#include "model/ZelDoc.h"

namespace {

using recordtest::Bytes;
using recordtest::Concat;

struct Fixture {
    recordtest::CleanGlobals clean;
    CZelDoc doc;
    std::unique_ptr<CScore> score;
    FontRef savedNumberFont, savedTempoFont;
    Fixture() {
        RegisterTrackClass();
        savedNumberFont = DefaultFontTable()[5];
        savedTempoFont = DefaultFontTable()[10];
        DefaultFontTable()[5] = FontRef{3, 10, FontRef::kItalic, 0};
        DefaultFontTable()[10] = FontRef{2, 14, FontRef::kBold, 0};
        score = std::make_unique<CScore>(&doc);
    }
    ~Fixture() {
        DefaultFontTable()[5] = savedNumberFont;
        DefaultFontTable()[10] = savedTempoFont;
    }
};

CBarItem* FirstOfType(CBar* bar, int type) {
    CItemArray* items = bar->GetItemArray();
    for (int i = 0; i < items->GetCount(); ++i) {
        auto* item = static_cast<CBarItem*>(items->GetAt(i));
        if (item->TypeCode() == type && !item->IsRemoved()) return item;
    }
    return nullptr;
}

// The stored head of a bar item: size, type, scale, the two flag bytes (already mirrored),
// time, position, colour and time offset.
Bytes Head(int size, int type, std::uint8_t storedFlagsB) {
    return {std::uint8_t(size >> 8), std::uint8_t(size), std::uint8_t(type), 0, 0, storedFlagsB, 0, 0, 0, 0, 0, 0};
}

Bytes Zeros(int n) { return Bytes(std::size_t(n), 0); }

TEST(SystemMarkStorageTest, NewScoresFirstBarStoresItsMarksByteForByte) {
    Fixture f;
    NewScoreSettings settings;
    settings.tempo = 12000;
    settings.tempoFlagA = 1;  // metronome mark shown; quarter-note beat (display code 2 + 1)
    ASSERT_TRUE(BuildNewScore(*f.score, settings));
    CBar* bar = f.score->GetBar(0);
    CBarItem* chart = FirstOfType(bar, CBar::kBeatChartType);
    ASSERT_NE(chart, nullptr);

    const Bytes number = Concat({
        Head(50, 10, 0x08),  // hidden at the start of the score: memory bit 4, stored bit 3
        {0, 0, 1, 1, 0},     // not enclosed, digits, repeated letters, centred, anchored left
        {0, 0, 0},           // staff 0 and two zero bytes
        {1, 'A'},            // shown at each system's first bar, first letter A
        {0, 0, 0xFF, 0xB8},  // x offset 0, y offset -360 / 5
        {0, 0, 0, 0, 0, 1},  // number offset, text width, interval 1
        {0, 0},              // no prefix
        {0, 3, 0, 10, FontRef::kItalic, 0},
        Zeros(2 + 8 + 2),    // the enclosure
    });
    const Bytes tempo = Concat({
        Head(106, 28, 0),
        {0x43, 16},          // metronome shown (stored bit 6), beat code 3 in the low nibble; 16 pt
        {0, 0, 0x2E, 0xE0},  // reserved word, 120.00 beats per minute
        {0, 0, 0xFF, 0xA0},  // x offset 0, y offset -480 / 5
        {0, 2, 0, 14, FontRef::kBold, 0},
        {0, 0, 0, 0},        // metronome part offsets
        {0, 2, 0, 14, FontRef::kBold, 0},
        Zeros(31),           // no text
        {0x84},              // system mark (stored bit 7), second note value code 4
        Zeros(31 + 1),       // no number text, number kind 0
    });
    ASSERT_EQ(number.size(), 52u);
    ASSERT_EQ(tempo.size(), 102u);

    const Bytes want = recordtest::Written([&](CChunkStream& s) {
        s.BeginChunk(MakeChunkTag("COND"), 0);
        bar->GetMeter()->Write(s);
        // In the bar's own order; the beat chart is not what this test checks.
        CItemArray* items = bar->GetItemArray();
        ASSERT_EQ(items->GetCount(), 3);
        for (int i = 0; i < 3; ++i) {
            auto* item = static_cast<CBarItem*>(items->GetAt(i));
            const Bytes* fixture = item->TypeCode() == CBarNumber::kTypeCode ? &number
                                   : item->TypeCode() == CTempo::kTypeCode   ? &tempo
                                                                             : nullptr;
            if (fixture)
                s.WriteBytes(fixture->data(), std::uint32_t(fixture->size()));
            else
                chart->Write(s);
        }
        s.EndChunk(3);
    });
    const Bytes got = recordtest::Written([&](CChunkStream& s) { bar->WriteConductor(s); });
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(int(got[i]), int(want[i])) << "byte " << i;

    // Read back into another bar, each record is the record it was.
    CBar* other = f.score->GetBar(1);
    recordtest::Reader r(got);
    other->ReadConductor(r.stream);
    for (int type : {int(CBarNumber::kTypeCode), int(CTempo::kTypeCode)}) {
        CBarItem* a = FirstOfType(bar, type);
        CBarItem* b = FirstOfType(other, type);
        ASSERT_NE(b, nullptr) << type;
        EXPECT_EQ(0, std::memcmp(a->Bytes() + 4, b->Bytes() + 4, std::size_t(a->RecordSizeField() - 4))) << type;
    }
}

TEST(SystemMarkStorageTest, OlderFilesTempoBecomesHundredths) {
    const struct {
        const char* name;
        std::uint16_t version;
        std::uint16_t stored;
        std::uint8_t storedEquation;
        int tempo, numberKind;
        std::uint8_t equation;
    } cases[] = {
        {"whole beats with the old equation flag", 0x3FF, 120, 0xA4, 12000, 1, 0x41},
        {"whole beats without it", 0x3FF, 90, 0x84, 9000, 0, 0x41},
        {"a tempo that would wrap 16 bits is held at 300", 0x3FF, 700, 0x84, 30000, 0, 0x41},
        {"hundredths already", 0x400, 12000, 0xA4, 12000, 0, 0x45},
    };
    for (const auto& c : cases) {
        recordtest::CleanGlobals clean;
        g_model.loadedFileVersion = c.version;
        Bytes body = Concat({{0x43, 16, 0, 0, std::uint8_t(c.stored >> 8), std::uint8_t(c.stored)}, Zeros(4 + 6 + 4 + 6)});
        body = Concat({body, Bytes(31, 'x'), {c.storedEquation}, Bytes(31, '9'), {0}});
        // Files before 0x400 have no colour bytes in the head.
        Bytes head = Head(106, 28, 0);
        if (c.version < 0x400) {
            head.resize(10);
            head[1] = 104;
        }
        recordtest::Reader r(Concat({head, body}));
        std::uint8_t buffer[512] = {};
        CBarItem* item = CBarItem::Construct(buffer);
        {
            fw::ScopedGlobal<std::int32_t> room(g_model.recordRoom, 512);
            item->Read(r.stream);
        }
        ASSERT_EQ(item->TypeCode(), 28) << c.name;
        auto* mark = static_cast<CTempo*>(item);
        EXPECT_EQ(mark->GetValue(), c.tempo) << c.name;
        EXPECT_EQ(mark->GetBeatUnit(), 3) << c.name;
        EXPECT_EQ(rec::Get<std::uint8_t>(mark, CTempo::kNumberKind), c.numberKind) << c.name;
        EXPECT_EQ(rec::Get<std::uint8_t>(mark, CTempo::kEquation), c.equation) << c.name;
        EXPECT_EQ(mark->Bytes()[CTempo::kNumberText], c.version < 0x400 ? 0 : '9') << c.name;
    }
}

TEST(SystemMarkStorageTest, QuarterTempoOfEachBeatUnit) {
    const struct {
        const char* name;
        int tempo, unit;
        bool dotted;
        int quarter;
    } cases[] = {
        {"a half-note beat at 60 is a quarter at 120", 6000, 2, false, 12000},
        {"a dotted quarter at 80 is a quarter at 120", 8000, 3, true, 12000},
        {"a dotted eighth at 120 is a quarter at 90", 12000, 4, true, 9000},
        {"a double whole at 10 is a quarter at 80", 1000, 0, false, 8000},
        {"a tempo below 10 is held at 10", 999, 3, false, 1000},
        {"a tempo above 300 is held at 300", 30001, 3, false, 30000},
    };
    for (const auto& c : cases) EXPECT_EQ(TempoToQuarterTempo(c.tempo, c.unit, c.dotted), c.quarter) << c.name;
}

}  // namespace
