// What entry, gap filling, column widths and positions read of the records in a bar's run: the
// note-and-rest base, the note's heads and marks, the rest's staff position and the beam's
// segments (the two-ended items' fields are model/TieType.h's). The records' own classes live above the model; these
// are their stored offsets, read and written through rec::Get/Put on any address of the run.
#pragma once
#include <algorithm>
#include <cstdint>

#include "model/BarItem.h"
#include "model/ChordRecords.h"
#include "model/Clef.h"
#include "model/TieType.h"

namespace entry {

enum : int { kNoteType = 144, kRestType = 128, kRawNoteType = 112, kBeamType = 16, kDynamicType = 20,
             kLyricType = 24, kChordType = CChord::kType, kGuitarFrameType = CGuitarFrame::kType };

// The note-and-rest base.
enum : int { kTupletCount = 16, kTupletSpan = 17, kBaseFlags = 18, kValue = 19 };
enum : std::uint8_t { kSlashBit = 0x01, kGraceBit = 0x02, kBeamedBit = 0x08, kTupletBit = 0x10, kRightOfStemBit = 0x20 };
// The note: stem byte (bit 0 up), note flags (bit 2 heads drawn one head width right), links
// (bits 4-7 free for a pass's scratch marks), head count and heads.
enum : int { kStem = 20, kNoteFlags = 21, kLinks = 22, kHeadCount = 23, kHeads = 24, kHeadSize = 16 };
enum : std::uint8_t { kStemUpBit = 0x01, kShiftedRightBit = 0x04 };
// A head's bytes: shape (bits 2-7), links (bits 4-5 the head column), cross-staff offset (bits
// 5-7), accidental byte (bits 0-1 dot offset, bit 2 shown, bit 4 parentheses, bits 5-7 code),
// accidental offset, staff position, scale, pitch, play duration and play offset.
enum : int { kHeadShape = 0, kHeadLinks = 1, kHeadCross = 2, kHeadAcc = 3, kHeadAccOffset = 4, kHeadPos = 5,
             kHeadScale = 6, kHeadPitch = 7, kHeadDuration = 12, kHeadPlayOffset = 14 };
// The rest: staff position and flags (bit 4 kept as it is: tablature).
enum : int { kRestStaffPos = 20, kRestFlags = 21, kRestMarks = 22 };
// The beam: flags (bit 1 a grace beam), segment count and the segments.
enum : int { kBeamFlags = 16, kBeamSegments = 18, kBeamSegment0 = 30, kSegmentSize = 16, kSegStartBar = 2,
             kSegEndBars = 3, kSegStart = 4, kSegEnd = 6 };
// A mark: size, code, x offset.
enum : int { kMarkSize = 0, kMarkCode = 2, kMarkX = 4, kMarkHead = 8 };

// The flag that marks an item an entry has just made (bit 2 of the flag byte).
constexpr std::uint8_t kNewItemBit = 0x04;
// A rest's staff position by its value code when nothing moves it.
constexpr std::int8_t kRestDefaultStaffPos[9] = {0, 0, 0, 0, 1, -1, -1, -3, -4};

inline std::uint8_t Byte(const CBarItem* r, int at) { return rec::Get<std::uint8_t>(r, std::size_t(at)); }
inline void PutByte(CBarItem* r, int at, std::uint8_t v) { rec::Put<std::uint8_t>(r, std::size_t(at), v); }
inline int ValueCode(const CBarItem* r) { return Byte(r, kValue) >> 4; }
inline int Dots(const CBarItem* r) { return Byte(r, kBaseFlags) >> 6; }
inline int TupletCount(const CBarItem* r) { return Byte(r, kTupletCount); }
inline bool IsGrace(const CBarItem* r) { return (Byte(r, kBaseFlags) & kGraceBit) != 0; }
inline bool IsBeamed(const CBarItem* r) { return (Byte(r, kBaseFlags) & kBeamedBit) != 0; }
inline bool IsSlash(const CBarItem* r) { return (Byte(r, kBaseFlags) & kSlashBit) != 0; }
inline bool IsNoteRecord(const CBarItem* r) { return r->TypeCode() == kNoteType; }
inline bool IsStemUp(const CBarItem* r) { return (Byte(r, kStem) & kStemUpBit) != 0; }
inline void SetFlag(CBarItem* r, int at, std::uint8_t bit, bool on) {
    PutByte(r, at, on ? std::uint8_t(Byte(r, at) | bit) : std::uint8_t(Byte(r, at) & ~bit));
}

// The heads a note's record holds whole (0 for anything else).
inline int HeadCount(const CBarItem* r) {
    if (r->TypeCode() != kNoteType && r->TypeCode() != kRawNoteType) return 0;
    const int room = (r->RecordSizeField() - kHeads) / kHeadSize;
    return std::max(0, std::min<int>(Byte(r, kHeadCount), room));
}
inline std::uint8_t* HeadAt(CBarItem* r, int i) { return r->Bytes() + kHeads + kHeadSize * i; }
inline const std::uint8_t* HeadAt(const CBarItem* r, int i) {
    return const_cast<CBarItem*>(r)->Bytes() + kHeads + kHeadSize * i;
}
inline bool HeadAccidentalShown(const std::uint8_t* h) { return (h[kHeadAcc] & 0xE0) != 0 && (h[kHeadAcc] & 0x04) != 0; }
inline int HeadColumn(const std::uint8_t* h) { return std::int8_t(std::uint8_t(h[kHeadLinks] << 2)) >> 6; }
inline int HeadCross(const std::uint8_t* h) { return std::int8_t(h[kHeadCross]) >> 5; }
inline int HeadPos(const std::uint8_t* h) { return std::int8_t(h[kHeadPos]); }

// Heads drawn one head width right: forced, or a stem-down note whose first head stands right.
inline bool IsShiftedRight(const CBarItem* r) {
    if (!IsNoteRecord(r) && r->TypeCode() != kRawNoteType) return false;
    if (Byte(r, kNoteFlags) & kShiftedRightBit) return true;
    return HeadCount(r) > 0 && HeadColumn(HeadAt(r, 0)) == 1 && !IsStemUp(r);
}

// The room in front of the heads (1/120 space): 120 for a head left of the stem, 120 + 5 x the
// accidental offset for a head with a shown accidental; the largest over the heads.
inline int HeadRoom(const CBarItem* r) {
    int room = 0;
    for (int i = 0; i < HeadCount(r); ++i) {
        const std::uint8_t* h = HeadAt(r, i);
        if (h[kHeadLinks] & 0x20) room = std::max(room, 120);
        if (HeadAccidentalShown(h)) room = std::max(room, 120 + 5 * h[kHeadAccOffset]);
    }
    return room;
}

// What one grace note claims in front of the note it leads to: 150 (180 when drawn larger than
// 65 percent), 60 more for an unbeamed stem-up grace note shorter than a quarter, and the
// largest accidental room of its heads (60 + 5 x the offset).
inline int GraceWidth(const CBarItem* g) {
    int w = g->Scale() > 65 ? 180 : 150;
    if (!IsBeamed(g) && IsStemUp(g) && ValueCode(g) > 3) w += 60;
    return w;
}
inline int GraceAccidentalRoom(const CBarItem* g) {
    int room = 0;
    for (int i = 0; i < HeadCount(g); ++i) {
        const std::uint8_t* h = HeadAt(g, i);
        if (HeadAccidentalShown(h)) room = std::max(room, 60 + 5 * h[kHeadAccOffset]);
    }
    return room;
}

// Calls f(mark) for each mark of a note or rest that lies whole inside the record.
template <typename F>
void ForEachMark(CBarItem* r, F&& f) {
    const int size = r->RecordSizeField();
    int at = r->TypeCode() == kRestType ? kRestMarks : kHeads + kHeadSize * HeadCount(r);
    const int count = (Byte(r, kValue) >> 1) & 7;
    for (int k = 0; k < count; ++k) {
        if (at + kMarkHead > size) return;
        const int markSize = rec::Get<std::int16_t>(r, std::size_t(at + kMarkSize));
        if (markSize < kMarkHead || at + markSize > size) return;
        f(r->Bytes() + at);
        at += markSize;
    }
}

}  // namespace entry
