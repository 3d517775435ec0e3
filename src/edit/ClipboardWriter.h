// Copy: the selected part of the score serialised into one block, the clip block, which the
// program's own clipboard keeps under the kind "ZLCB" for paste. The block never leaves the
// process: every number is in the machine's order.
//
// Clip block = the 300-byte header, the bar stream, the track stream.
//   Header (offsets in bytes):
//     0 header size (u16, 300)      2 has items (u8)              3 has notes or rests (u8)
//     4 source version (u16)        6 required version (u16, 0x0110)
//     8 first track, 10 first bar, 12 first time, 14 first voice,
//    16 last track, 18 last bar, 20 longest end, 22 last voice (i16 each)
//    24 start, 28 note span, 32 total span (i32 each)
//    36 several voices, 100 clef, 164 key signature, 228 transposition (64 x u8 each, per track)
//   292 bar stream length, 296 track stream length (u32 each)
//   Bar stream, per bar of the extent: the bar record as it lies in memory, the number of its
//   own items (u16), their byte size (u32), their bytes.
//   Track stream, per track and bar of the extent: the track bar record with its run length
//   field holding the copied run's byte length (and no block of its own), the copied records,
//   the end record.
#pragma once
#include <cstdint>
#include <vector>

#include "framework/Clipboard.h"
#include "framework/Types.h"

class CBarItem;
class CScore;
class CZelDoc;

struct ClipHeader {
    static constexpr int kSize = 300;
    static constexpr std::uint16_t kRequiredVersion = 0x0110;
    static constexpr int kTracks = 64;
    enum : int {
        kHeaderSize = 0, kHasItems = 2, kHasNotes = 3, kSourceVersion = 4, kNeededVersion = 6,
        kFirstTrack = 8, kFirstBar = 10, kFirstTime = 12, kFirstVoice = 14, kLastTrack = 16, kLastBar = 18,
        kLongestEnd = 20, kLastVoice = 22, kStart = 24, kNoteSpan = 28, kTotalSpan = 32,
        kSeveralVoices = 36, kClef = 100, kKey = 164, kTransposition = 228, kBarStreamLength = 292,
        kTrackStreamLength = 296,
    };
};

class ClipboardWriter {
public:
    static constexpr std::uint32_t kTag = fw::CClipboard::Tag('Z', 'L', 'C', 'B');

    // Copies the document's selection to the clipboard; true when the block was stored. When
    // memory runs out the clipboard keeps the block it held and the error is reported (100).
    bool Copy(CZelDoc& document);
    // Whether a clef or key signature at (bar, position) lies inside the extent.
    bool InRange(int bar, int position) const;

private:
    bool Build(std::vector<std::uint8_t>& bars, std::vector<std::uint8_t>& tracks);
    void WriteBar(int b, std::vector<std::uint8_t>& out);
    void CopyTrackBar(int t, int b, std::int32_t barStart, std::vector<std::uint8_t>& out);
    void Note(int t, int b, std::int32_t barStart, CBarItem* item);
    template <typename T>
    void Put(int offset, T v);
    template <typename T>
    T Get(int offset) const;

    CScore* score = nullptr;
    std::int16_t lower[6] = {};
    std::int16_t upper[6] = {};
    std::uint8_t header[ClipHeader::kSize] = {};
    // Running state of the track stream.
    bool noteSeen = false;
    bool trackNoteSeen = false;
    int previousVoice = -1;
    std::int32_t latestNoteEnd = -2147483647, latestItemEnd = -2147483647;
};
