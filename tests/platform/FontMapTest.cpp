#include <gtest/gtest.h>

#include <cstring>

#include "framework/File.h"
#include "platform/ChunkStream.h"
#include "platform/FontMap.h"

TEST(FontMapStore, ChunkRoundTripAndOldRawBlock) {
    FontMap map{};
    map.musicFace = 7;
    map.musicSize = 24;
    map.slots[0x41] = FontMapSlot{1, 2, 0x42, 3, 48, -96};
    CMemFile out;
    {
        CChunkStream s;
        s.SetFile(&out);
        map.Write(s);
    }
    auto bytes = out.Data();
    ASSERT_EQ(bytes.size(), 8u + 6 + 2560);  // tag, length, header, slots
    EXPECT_EQ(std::memcmp(bytes.data(), "FMAP", 4), 0);
    // x offset 48 is stored divided by 5
    EXPECT_EQ(bytes[8 + 6 + 0x41 * 10 + 6], 0);
    EXPECT_EQ(bytes[8 + 6 + 0x41 * 10 + 7], 9);

    FontMap back;
    back.Init();
    CMemFile in(bytes);
    CChunkStream r;
    r.SetFile(&in);
    back.Read(r);
    EXPECT_EQ(back.musicFace, 7);
    EXPECT_EQ(back.slots[0x41].character, 0x42);
    EXPECT_EQ(back.slots[0x41].face, 3);
    EXPECT_EQ(back.slots[0x41].dx, 45);  // coordinates come back as stored x 5
    EXPECT_EQ(back.slots[0x41].dy, -95);

    back.Remap([](std::uint16_t f) { return std::uint16_t(f + 10); });
    EXPECT_EQ(back.musicFace, 17);
    EXPECT_EQ(back.slots[0x41].face, 13);

    // The older raw block: host order, with extra bytes skipped, and a block of another tag.
    std::vector<std::uint8_t> raw(8 + 2568 + 4 + 8 + 3);
    std::memcpy(raw.data(), "FMAP", 4);
    std::uint32_t len = 2572;
    std::memcpy(raw.data() + 4, &len, 4);
    std::uint16_t face = 5;
    std::memcpy(raw.data() + 8, &face, 2);
    std::memcpy(raw.data() + 8 + 8, map.slots, sizeof map.slots);
    std::memcpy(raw.data() + 8 + 2572, "XXXX", 4);
    std::uint32_t three = 3;
    std::memcpy(raw.data() + 8 + 2572 + 4, &three, 4);
    CMemFile old(raw);
    FontMap legacy;
    ASSERT_TRUE(legacy.ReadOldRaw(old));
    EXPECT_EQ(legacy.musicFace, 5);
    EXPECT_EQ(legacy.slots[0x41].dx, 48);
    EXPECT_EQ(old.GetPosition(), 8u + 2572);
    ASSERT_TRUE(legacy.ReadOldRaw(old));  // skips the other block
    EXPECT_EQ(old.GetPosition(), raw.size());
    EXPECT_FALSE(legacy.ReadOldRaw(old));
}
