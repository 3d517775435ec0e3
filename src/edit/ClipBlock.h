// The paste side of the clipboard: a clip block (layout in edit/ClipboardWriter.h) checked
// whole and bound in a copy of its own, so that paste reads live item records and the
// clipboard's block stays as it was (one copy pastes many times).
//
// Before anything is bound the block is checked: the header's size, the two stream lengths
// against the block, the track, bar and voice ranges, the spans, and every record of both
// streams (its size against what is left of its bar or run, a note's heads and marks inside
// it, a bar's item count against its byte length). A block that fails any check binds
// nothing.
#pragma once
#include <cstdint>
#include <vector>

#include "edit/ClipboardWriter.h"
#include "framework/Types.h"

class CBar;
class CBarItem;
class CTrkBar;

class ClipBlock {
public:
    enum Result : int {
        kBound,       // checked and bound
        kNoBlock,     // the clipboard holds no block of the clip kind
        kNothing,     // no content, or the document is older than the block needs
        kDamaged,     // a check failed: nothing may be pasted
    };

    // Copies the block, checks it and binds its records; the document's version word decides
    // whether the block may be read at all.
    Result Load(HGLOBAL block, int documentVersion);
    Result Load(const std::uint8_t* bytes, std::size_t length, int documentVersion);

    // Header fields.
    int Word(int offset) const;           // signed 16 bits
    std::int32_t Long(int offset) const;  // signed 32 bits
    std::uint8_t Byte(int offset) const;
    int FirstTrack() const { return Word(ClipHeader::kFirstTrack); }
    int LastTrack() const { return Word(ClipHeader::kLastTrack); }
    int FirstBar() const { return Word(ClipHeader::kFirstBar); }
    int LastBar() const { return Word(ClipHeader::kLastBar); }
    int FirstVoice() const { return Word(ClipHeader::kFirstVoice); }
    int LastVoice() const { return Word(ClipHeader::kLastVoice); }
    int FirstTime() const { return Word(ClipHeader::kFirstTime); }
    std::int32_t Start() const { return Long(ClipHeader::kStart); }
    std::int32_t NoteSpan() const { return Long(ClipHeader::kNoteSpan); }
    std::int32_t TotalSpan() const { return Long(ClipHeader::kTotalSpan); }
    bool HasNotes() const { return Byte(ClipHeader::kHasNotes) != 0; }
    bool StartsAtVoiceNote() const { return HasNotes(); }
    std::uint8_t SeveralVoices(int track) const { return Byte(ClipHeader::kSeveralVoices + track); }
    std::uint8_t Clef(int track) const { return Byte(ClipHeader::kClef + track); }
    std::uint8_t Key(int track) const { return Byte(ClipHeader::kKey + track); }
    std::int8_t Transposition(int track) const { return std::int8_t(Byte(ClipHeader::kTransposition + track)); }

    // The copied bars, first bar to last: the bar record (its time signature; nothing it
    // points to may be followed) and its own items.
    struct Bar {
        CBar* record = nullptr;
        std::vector<CBarItem*> items;
        int length = 0;  // ticks of its time signature
    };
    int BarCount() const { return int(bars.size()); }
    const Bar& GetBar(int i) const { return bars[std::size_t(i)]; }
    // A copied track's bar: its records up to the end record (type 255).
    struct TrackBar {
        CTrkBar* record = nullptr;
        std::vector<CBarItem*> items;
    };
    // The streams cover the copied extent, which may be wider than the header's ranges (they
    // name only the tracks and bars that hold copied items): stream bar 0 is the header's first
    // bar, stream track 0 the track its first track bar names.
    int TrackCount() const { return trackCount; }
    int StreamFirstTrack() const { return streamFirstTrack; }
    // The copied bar of track `track` (a score track number), bar b (from the first bar).
    const TrackBar& GetTrackBar(int track, int b) const {
        return trackBars[std::size_t((track - streamFirstTrack) * int(bars.size()) + b)];
    }

private:
    Result Check();
    bool CheckBarStream(std::size_t at, std::size_t end);
    bool CheckTrackStream(std::size_t at, std::size_t end);
    // The record at `at` lies whole before `end` and is of a size its kind can hold.
    bool CheckRecord(std::size_t at, std::size_t end) const;
    bool MarksFit(std::size_t at, int marks, int size) const;

    std::vector<std::uint8_t> bytes;
    std::vector<Bar> bars;
    std::vector<TrackBar> trackBars;
    int trackCount = 0;
    int streamFirstTrack = 0;
};
