// The beat chart (code 9), kept in a bar's own item array: maps positions in the bar to time,
// one entry per spacing column.
//
//   offset 16      entry count n    16-bit signed (at least 1)
//   offset 18+8i   entry i          start position (1/1024 of the bar, rising), width to the
//                                   next entry's start (the last: to 1024), space allotted to
//                                   the column (a coordinate), time in ticks; 16-bit each
//
// The record is 18 + 8n bytes. Stored: the count, then per entry the position, the width, the
// space as a coordinate and the time, all big-endian.
#pragma once
#include <cstdint>

#include "model/BarItem.h"

class CBar;

class BeatChartBehaviour : public BarItemBehaviour {
public:
    static const BeatChartBehaviour& Instance();

    // The strip of handles at the bar's chart line, while the bar shows its chart.
    void Draw(CScoreItem& item) const override;                              // slot 4
    // The head and the entries the count names: a record read from a chunk has that size, and
    // an older raw record is brought to it, so the chart saves back the same from either.
    int GetWantedSize(CScoreItem& item) const override;                      // slot 33

    void ReadBody(CScoreItem& item, CChunkStream& stream) const override;    // slot 51
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;   // slot 52
    void FromFileOrder(CScoreItem& item) const override {}                   // slot 57
};

class CBeatChart : public CBarItem {
public:
    enum : int { kCount = 16, kEntries = 18, kEntrySize = 8 };
    enum : int { kPosition = 0, kWidth = 2, kSpace = 4, kTime = 6 };
    static constexpr int kType = 9;
    static constexpr int kSize = 26;
    // Positions closer than this to an entry snap to it.
    static constexpr int kSnapDistance = 65;

    static CBeatChart* Construct(void* record);

    std::int16_t Count() const { return rec::Get<std::int16_t>(this, kCount); }
    void SetCount(std::int16_t n) { rec::Put(this, kCount, n); }
    // The entries that lie whole inside the record (at most the count).
    int WholeEntries() const;
    std::int16_t Field(int i, int field) const { return rec::Get<std::int16_t>(this, std::size_t(kEntries + kEntrySize * i + field)); }
    void SetField(int i, int field, int v) { rec::Put(this, std::size_t(kEntries + kEntrySize * i + field), std::int16_t(v)); }

    // Fills the entries from as many 12-byte spacing columns (time at 2, width at 4, leading
    // space at 6, flag at 10), positions scaled to totalWidth.
    void BuildFromColumns(const std::uint8_t* columns, int totalWidth);
    // Fills the entries as equal beats of ticksPerBeat, each allotted the document's space for
    // the value class.
    void BuildUniform(int valueClass, int ticksPerBeat);
    // The time of a position in a bar of barLength ticks, snapped to the columns.
    int PositionToTick(int position, int barLength) const;

    // The y of the bar's chart line: three spaces below the bottom line of the staff the bar
    // names for its chart (the current staff when the system has no such staff).
    static int ChartLineY(CBar& bar);
};
ZEL_RECORD_VIEW(CBeatChart);
