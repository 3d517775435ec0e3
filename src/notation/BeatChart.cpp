#include "notation/BeatChart.h"

#include <algorithm>
#include <cstdlib>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "notation/NoteStandIns.h"
#include "platform/Artist.h"
#include "platform/ChunkStream.h"
#include "platform/DrawGlobals.h"

namespace {

const BeatChartBehaviour kBeatChart;

CBeatChart& Chart(CScoreItem& item) { return static_cast<CBeatChart&>(item); }

constexpr int kColumnSize = 12;
constexpr int kBarWidth = 1024;

}  // namespace

const BeatChartBehaviour& BeatChartBehaviour::Instance() { return kBeatChart; }

CBeatChart* CBeatChart::Construct(void* record) {
    CBarItem::Construct(record);
    return static_cast<CBeatChart*>(ConstructClass(kType, record));
}

int CBeatChart::WholeEntries() const {
    const int room = (RecordSizeField() - kEntries) / kEntrySize;
    return std::clamp(int(Count()), 0, std::max(room, 0));
}

int BeatChartBehaviour::GetWantedSize(CScoreItem& item) const {
    return CBeatChart::kEntries + CBeatChart::kEntrySize * Chart(item).WholeEntries();
}

void BeatChartBehaviour::ReadBody(CScoreItem& item, CChunkStream& stream) const {
    auto& chart = Chart(item);
    const int size = item.RecordSizeField();
    if (size <= CBarItem::kHeadEnd) return;
    const auto body = std::uint32_t(size - CBarItem::kHeadEnd);
    if (stream.InChunk() && stream.Unread() < body) ThrowDamagedRecord(stream);
    // The count must fit the record the stored size gives.
    const int n = std::int16_t(stream.ReadWord());
    if (n < 0 || CBeatChart::kEntries + CBeatChart::kEntrySize * n > size) ThrowDamagedRecord(stream);
    chart.SetCount(std::int16_t(n));
    for (int i = 0; i < n; ++i) {
        chart.SetField(i, CBeatChart::kPosition, std::int16_t(stream.ReadWord()));
        chart.SetField(i, CBeatChart::kWidth, std::int16_t(stream.ReadWord()));
        chart.SetField(i, CBeatChart::kSpace, std::int16_t(std::int16_t(stream.ReadWord()) * 5));
        chart.SetField(i, CBeatChart::kTime, std::int16_t(stream.ReadWord()));
    }
    // Bytes the record holds beyond its entries are passed over.
    for (int skip = size - (CBeatChart::kEntries + CBeatChart::kEntrySize * n); skip > 0; --skip) stream.ReadByte();
    chart.CBaseItem::SetSize(std::int16_t(CBeatChart::kEntries + CBeatChart::kEntrySize * n));
}

void BeatChartBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    auto& chart = Chart(item);
    const int n = chart.WholeEntries();
    stream.WriteWord(n);
    for (int i = 0; i < n; ++i) {
        stream.WriteWord(chart.Field(i, CBeatChart::kPosition));
        stream.WriteWord(chart.Field(i, CBeatChart::kWidth));
        stream.WriteCoord(chart.Field(i, CBeatChart::kSpace));
        stream.WriteWord(chart.Field(i, CBeatChart::kTime));
    }
    // The stored record is as long as its size says.
    for (int pad = chart.RecordSizeField() - (CBeatChart::kEntries + CBeatChart::kEntrySize * n); pad > 0; --pad)
        stream.WriteByte(0);
}

void CBeatChart::BuildFromColumns(const std::uint8_t* columns, int totalWidth) {
    const int n = WholeEntries();
    if (n < 1) return;
    int acc = 0;
    for (int i = 0; i < n; ++i) {
        const std::uint8_t* c = columns + kColumnSize * i;
        const int time = rec::Get<std::int16_t>(c, 2);
        const int width = rec::Get<std::int16_t>(c, 4);
        const int lead = rec::Get<std::int16_t>(c, 6);
        // A bar of no width puts every column at its start.
        const int position = totalWidth != 0 ? (acc + lead) * kBarWidth / totalWidth : 0;
        SetField(i, kPosition, position);
        SetField(i, kSpace, width);
        SetField(i, kTime, time);
        acc += width + lead;
        if (i > 0) {
            SetField(i - 1, kSpace, Field(i - 1, kSpace) + lead);
            SetField(i - 1, kWidth, Field(i, kPosition) - Field(i - 1, kPosition));
        }
    }
    SetField(n - 1, kWidth, kBarWidth - Field(n - 1, kPosition));
    if (rec::Get<std::int16_t>(columns, 10) != 0 && n >= 2 && Field(n - 2, kWidth) < Field(n - 1, kWidth))
        SetField(n - 1, kWidth, Field(n - 2, kWidth));
}

void CBeatChart::BuildUniform(int valueClass, int ticksPerBeat) { beatchart::BuildUniform(this, valueClass, ticksPerBeat); }

int CBeatChart::PositionToTick(int p, int barLength) const { return beatchart::PositionToTick(this, p, barLength); }

// --- drawing ----------------------------------------------------------------------------------

int CBeatChart::ChartLineY(CBar& bar) { return bar.GetBeatChartY(); }

void BeatChartBehaviour::Draw(CScoreItem& item) const {
    auto& chart = static_cast<CBeatChart&>(item);
    CArtist* a = g_draw.artist;
    CBar* bar = g_model.currentBar;
    if (!a || !bar || !bar->HasBarFlag(CBar::kBeatChartShownBit)) return;
    const int y0 = CBeatChart::ChartLineY(*bar);
    const int h = chart.ScaleToView(6);
    const RECT strip{bar->GetLeft(), y0 - h, bar->GetRight() - 2, y0 + 2 * h};
    a->EraseRect(strip);
    a->FrameRect(strip);
    const int beat = bar->GetBeatLength();
    const int n = chart.WholeEntries();
    for (int i = 0; i < n; ++i) {
        const int time = chart.Field(i, CBeatChart::kTime);
        const bool onBeat = beat > 0 && time % beat == 0;
        a->DrawHandle(bar->FractionToX(chart.Field(i, CBeatChart::kPosition)), onBeat ? y0 : y0 + h, false);
    }
}
