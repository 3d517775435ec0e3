#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "model/BitOrder.h"
#include "platform/ChunkStream.h"

namespace {

struct NamedLayout {
    const char* name;
    BitLayout layout;
};

const NamedLayout kLayouts[] = {
    {"1+1+6", kLayout_1_1_6},
    {"1+1+1+1+1+3", kLayout_1_1_1_1_1_3},
    {"1+1+1+1+4", kLayout_1_1_1_1_4},
    {"1+1+1+1+1+1+2", kLayout_1_1_1_1_1_1_2},
    {"1x8", kLayout_1_1_1_1_1_1_1_1},
    {"1+7", kLayout_1_7},
    {"1+1+1+3+1+1", kLayout_1_1_1_3_1_1},
    {"1+1+1+1+2+1+1", kLayout_1_1_1_1_2_1_1},
    {"2+1+1+1+3", kLayout_2_1_1_1_3},
    {"5+3", kLayout_5_3},
    {"1+3+4", kLayout_1_3_4},
    {"1+1+1+1+2+2", kLayout_1_1_1_1_2_2},
    {"2+1+1+4", kLayout_2_1_1_4},
    {"1+1+3+3", kLayout_1_1_3_3},
    {"2+1+1+1+2+1", kLayout_2_1_1_1_2_1},
    {"3+3+1+1", kLayout_3_3_1_1},
    {"3+5", kLayout_3_5},
    {"2+3+3", kLayout_2_3_3},
    {"1+2+1+4", kLayout_1_2_1_4},
    {"1+1+1+2+3", kLayout_1_1_1_2_3},
    {"1+2+3+2", kLayout_1_2_3_2},
};

// Every layout: all 256 bytes go to stored form and back unchanged, and from stored form and
// back; the value form equals the in-place form; and each field lands where the rule puts it
// (memory bits p..p+w-1 at stored bits 8-p-w..7-p, its own bit order kept).
TEST(BitOrderTest, EveryLayoutRoundTripsAndPlacesEachField) {
    for (const auto& [name, layout] : kLayouts) {
        SCOPED_TRACE(name);
        for (int v = 0; v < 256; ++v) {
            std::uint8_t b = std::uint8_t(v);
            MirrorFieldsToFile(&b, layout);
            EXPECT_EQ(b, MirrorFields(std::uint8_t(v), layout));
            MirrorFieldsFromFile(&b, layout);
            EXPECT_EQ(b, v);
            b = std::uint8_t(v);
            MirrorFieldsFromFile(&b, layout);
            MirrorFieldsToFile(&b, layout);
            EXPECT_EQ(b, v);
        }
        int p = 0;
        for (int i = 0; i < layout.count; ++i) {
            const int w = layout.widths[i];
            const unsigned top = 1u << (w - 1);  // the field's most significant bit
            EXPECT_EQ(MirrorFields(std::uint8_t(top << p), layout), std::uint8_t(top << (8 - p - w)))
                << "field " << i;
            p += w;
        }
        EXPECT_EQ(p, 8);
        // Every byte, field by field.
        for (int v = 0; v < 256; ++v) {
            unsigned stored = 0;
            int at = 0;
            for (int i = 0; i < layout.count; ++i) {
                const int w = layout.widths[i];
                stored |= ((unsigned(v) >> at) & ((1u << w) - 1)) << (8 - at - w);
                at += w;
            }
            EXPECT_EQ(MirrorFields(std::uint8_t(v), layout), stored) << "byte " << v;
        }
    }
}

TEST(BitOrderTest, WorkedExamples) {
    struct Case {
        const char* name;
        BitLayout layout;
        std::uint8_t memory, stored;
    };
    const Case cases[] = {
        {"1+1+6", kLayout_1_1_6, 0x07, 0xC1},
        {"3+5", kLayout_3_5, 0x07, 0xE0},
        {"1+2+3+2", kLayout_1_2_3_2, 0x01, 0x80},
        {"2+1+1+4", kLayout_2_1_1_4, 0x08, 0x10},
        {"1+7 is a rotation by one bit", kLayout_1_7, 0x03, 0x81},
        {"eight flags are fully reversed", kLayout_1_1_1_1_1_1_1_1, 0x01, 0x80},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MirrorFields(c.memory, c.layout), c.stored);
        std::uint8_t b = c.memory;
        MirrorFieldsToFile(&b, c.layout);
        EXPECT_EQ(b, c.stored);
        MirrorFieldsFromFile(&b, c.layout);
        EXPECT_EQ(b, c.memory);
    }
}

TEST(BitOrderTest, KeySignatureBytesArePlainlyReversed) {
    EXPECT_EQ(ReverseBits(0x01), 0x80);
    EXPECT_EQ(ReverseBits(0x06), 0x60);
    for (int v = 0; v < 256; ++v) {
        std::uint8_t b = std::uint8_t(v);
        ReverseBitsInPlace(&b);
        EXPECT_EQ(b, MirrorFields(std::uint8_t(v), kLayout_1_1_1_1_1_1_1_1));
        ReverseBitsInPlace(&b);
        EXPECT_EQ(b, v);
    }
}

// The flag-byte helpers of the chunk stream are the same rule for their layouts.
TEST(BitOrderTest, StreamFlagHelpersAgreeWithTheirLayouts) {
    for (int v = 0; v < 256; ++v) {
        const auto b = std::uint8_t(v);
        EXPECT_EQ(MirrorBits8(b), MirrorFields(b, kLayout_1_1_1_1_1_1_1_1));
        EXPECT_EQ(MirrorBits6(b), MirrorFields(b, kLayout_1_1_1_1_1_1_2));
        EXPECT_EQ(MirrorBits5(b), MirrorFields(b, kLayout_1_1_1_1_1_3));
        EXPECT_EQ(MirrorBits4(b), MirrorFields(b, kLayout_1_1_1_1_4));
    }
}

}  // namespace
