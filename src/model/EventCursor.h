// A cursor over the items of one track, bar after bar in stored order, or over the items that
// each bar keeps in its own item array (track -1). It keeps the start time of the bar it is in,
// so that a caller gets absolute times: bar start + the item's time. The controller view, its
// value tools and the piano-roll selection use it.
#pragma once
#include <cstdint>

class CBar;
class CBarItem;
class CScore;
class CTrkBar;

class CEventCursor {
public:
    CEventCursor();
    // Forgets the record and the position (the score, track and bar stay).
    void Reset();
    // Stands on the first record of the bar of the track (track -1: of the bar's own item
    // array). A bar or track the score lacks leaves the cursor with nothing to return.
    void Seek(CScore* score, int track, int bar);
    // The next record: in track mode every live record of a shown voice, in bar-array mode every
    // record not marked removed (any voice); null past the score's last bar.
    CBarItem* Next();
    // Goes back to bar 0 of the same track (or the bar arrays) and stands on the first record
    // whose absolute time (bar start + item time) is at or after the time.
    void SeekToTime(std::int32_t time);
    // The index of the current bar (-1 when there is none).
    std::int16_t GetBarIndex() const;

    std::int32_t GetBarStart() const { return barStart; }
    CBarItem* GetItem() const { return item; }
    CTrkBar* GetTrkBar() const { return trkBar; }
    CBar* GetBar() const { return bar; }
    int GetTrack() const { return track; }
    int GetPosition() const { return position; }

private:
    // The record at the cursor, crossing to following bars while the current one is used up
    // (end records and spent arrays are passed); null past the last bar. Takes no record.
    CBarItem* Current();
    // Moves past the record at the cursor without looking at it.
    void Step();
    // Moves to the following bar; false at the score's last bar.
    bool NextBar();
    // The first byte after the current bar's records.
    const std::uint8_t* RecordsEnd() const;

    std::int32_t track = 0;
    std::int32_t position = 0;     // records passed in the bar's own item array
    std::int32_t barStart = 0;     // ticks
    CScore* score = nullptr;
    CBarItem* item = nullptr;      // the next record to look at
    CTrkBar* trkBar = nullptr;     // track mode only
    CBar* bar = nullptr;
};
