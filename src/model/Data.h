// MIDI data items: MIDI channel messages other than notes in the item run of a bar of a track.
// A data item is a bare bar item (16 bytes) whose type code tells the message kind (0xA0 plus
// the high nibble of the status byte) and whose position field holds the two data bytes:
// data byte 1 at 12, data byte 2 at 13 (stored as the 16-bit field at 12, big-endian, so
// byte 2 comes first on file).
//
//   170 key aftertouch     key, pressure            value: byte 1
//   171 controller         number, value            value: byte 2
//   172 program change     program                  value: byte 1
//   173 channel pressure   pressure                 value: byte 1
//   174 pitch bend         low 7 bits, high 7 bits  value: byte 2 x 128 + (byte 1 & 127) - 8192
//   175 (no kind)          data, data               value: byte 1
#pragma once
#include <cstdint>

#include "model/BarItem.h"

class DataBehaviour : public BarItemBehaviour {
public:
    static const DataBehaviour& Instance();
    void Draw(CScoreItem& item) const override;                   // slot 4
    int GetValue(CBarItem& item) const override;                  // slot 94
    void SetValue(CBarItem& item, int value) const override;      // slot 114
};

class CData : public CBarItem {
public:
    enum : int { kDataByte1 = 12, kDataByte2 = 13 };
    enum : int {
        kKeyAftertouch = 170,
        kController = 171,
        kProgramChange = 172,
        kChannelPressure = 173,
        kPitchBend = 174,
        kAnyData = 175,
    };

    // Builds a data item in place: code 170, size 16, head cleared.
    static CData* Construct(void* record);

    std::uint8_t GetDataByte1() const { return rec::Get<std::uint8_t>(this, kDataByte1); }
    void SetDataByte1(int v) { rec::Put<std::uint8_t>(this, kDataByte1, std::uint8_t(v)); }
    std::uint8_t GetDataByte2() const { return rec::Get<std::uint8_t>(this, kDataByte2); }
    void SetDataByte2(int v) { rec::Put<std::uint8_t>(this, kDataByte2, std::uint8_t(v)); }
    void SetDataBytes(int byte1, int byte2) {
        SetDataByte1(byte1);
        SetDataByte2(byte2);
    }
    // True when the data view is on and shows this item's kind (and, for controllers, its
    // controller number).
    bool MatchesDataView() const;
};
ZEL_RECORD_VIEW(CData);
