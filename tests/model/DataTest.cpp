// MIDI data items: values by kind, the data-view match, and their stored form.
#include <gtest/gtest.h>

#include <vector>

#include "RecordTestSupport.h"
#include "model/Data.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"

using namespace recordtest;

namespace {

struct DataBuf {
    explicit DataBuf(int code) : bytes(32, 0) {
        item = CData::Construct(bytes.data());
        item->CBaseItem::SetType(std::uint8_t(code));
    }
    std::vector<std::uint8_t> bytes;
    CData* item;
};

}  // namespace

TEST(DataTest, ConstructedDataIsAKeyAftertouchOf16Bytes) {
    std::vector<std::uint8_t> bytes(32, 0xEE);
    CData* item = CData::Construct(bytes.data());
    EXPECT_EQ(item->TypeCode(), 170);
    EXPECT_EQ(item->RecordSizeField(), 16);
    EXPECT_EQ(item->FlagsB(), 0);
    EXPECT_EQ(bytes[16], 0xEE);
}

TEST(DataTest, PitchBendValuesAndDataBytes) {
    struct Case {
        int value, byte1, byte2;
    };
    const Case cases[] = {{0, 0, 64}, {-8192, 0, 0}, {8191, 127, 127}, {100, 100, 64}, {-100, 28, 63}, {1, 1, 64}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        DataBuf d(CData::kPitchBend);
        d.item->SetValue(c.value);
        EXPECT_EQ(d.item->GetDataByte1(), c.byte1);
        EXPECT_EQ(d.item->GetDataByte2(), c.byte2);
        EXPECT_EQ(d.item->GetValue(), c.value);
    }
}

TEST(DataTest, ValuesOfTheOtherKinds) {
    DataBuf controller(CData::kController);
    controller.item->SetDataByte1(7);
    controller.item->SetValue(99);
    EXPECT_EQ(controller.item->GetDataByte1(), 7) << "the controller number stays";
    EXPECT_EQ(controller.item->GetValue(), 99);
    for (int code : {170, 172, 173, 175}) {
        DataBuf d(code);
        d.item->SetDataByte2(5);
        d.item->SetValue(33);
        EXPECT_EQ(d.item->GetDataByte1(), 33) << code;
        EXPECT_EQ(d.item->GetValue(), 33) << code;
    }
}

TEST(DataTest, DataViewMatchesTheSelectedKind) {
    CleanGlobals clean;
    DataBuf pressure(CData::kChannelPressure), touch(CData::kKeyAftertouch), cc(CData::kController);
    cc.item->SetDataByte1(11);
    g_model.dataView.kind = 5;
    EXPECT_FALSE(pressure.item->MatchesDataView()) << "the switch is off";
    g_model.dataView.on = 1;
    EXPECT_TRUE(pressure.item->MatchesDataView());
    EXPECT_FALSE(touch.item->MatchesDataView());
    g_model.dataView.kind = 3;
    g_model.dataView.controller = 11;
    EXPECT_TRUE(cc.item->MatchesDataView());
    g_model.dataView.controller = 10;
    EXPECT_FALSE(cc.item->MatchesDataView());
    g_model.dataView.kind = 8;
    EXPECT_FALSE(cc.item->MatchesDataView());
}

TEST(DataTest, RoundTripThroughTheChunkStream) {
    CleanGlobals clean;
    DataBuf d(CData::kController);
    d.item->SetVoice(3);
    d.item->SetTime(960);
    d.item->SetDataBytes(7, 100);
    d.item->SetTimeOffsetField(-3);
    const Bytes out = Written([&](CChunkStream& s) { d.item->Write(s); });
    // Size (counting the slot), type, scale, flags A, flags B (voice in the low bits),
    // time, data byte 2 then data byte 1, colour, time offset.
    EXPECT_EQ(out, Bytes({0, 16, 171, 0, 0, 0x03, 0x03, 0xC0, 100, 7, 0, 0xFD}));

    std::vector<std::uint8_t> back(32, 0xCC);
    ConstructClass(255, back.data());
    Reader r(out);
    ItemCast<CScoreItem>(back.data())->Read(r.stream);
    auto* item = ItemCast<CData>(back.data());
    EXPECT_EQ(std::vector<std::uint8_t>(back.begin() + 4, back.begin() + 16),
              std::vector<std::uint8_t>(d.bytes.begin() + 4, d.bytes.begin() + 16));
    EXPECT_STREQ(item->ClassIn(ItemClasses())->className, "CData");
    EXPECT_EQ(item->GetValue(), 100);
    EXPECT_EQ(back[16], 0xCC) << "nothing past the record";

    // A file whose data bytes are swapped.
    g_model.swappedDataBytes = true;
    Reader swapped(out);
    ItemCast<CScoreItem>(back.data())->Read(swapped.stream);
    EXPECT_EQ(item->GetDataByte1(), 100);
    EXPECT_EQ(item->GetDataByte2(), 7);
}
