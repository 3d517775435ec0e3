#include "model/BarItem.h"

#include <cstring>

#include "model/ArrayItem.h"
#include "model/BitOrder.h"
#include "model/DragTask.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/ScoreStandIns.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "platform/ChunkStream.h"

namespace {

const BarItemBehaviour kBareBarItem;

// The first file version whose bar-item heads hold the colour and time-offset bytes.
constexpr int kColorHeadVersion = 0x400;
// Records of files older than this lack those two bytes in memory too (the oldest format).
constexpr int kOldestFormatVersion = 0x300;

void SetFlagBit(CBarItem& item, std::size_t offset, std::uint8_t bit, bool on) {
    std::uint8_t v = rec::Get<std::uint8_t>(&item, offset);
    v = on ? std::uint8_t(v | bit) : std::uint8_t(v & ~bit);
    rec::Put(&item, offset, v);
}

CBarItem& Bar(CScoreItem& item) { return static_cast<CBarItem&>(item); }

bool HasHeadType(int type) { return (type >= 8 && type <= 175) || type == 255; }

}  // namespace

const BarItemBehaviour& BarItemBehaviour::Bare() { return kBareBarItem; }

const BarItemBehaviour& CBarItem::BarBehaviour() const {
    const ItemClassInfo* info = ClassIn(ItemClasses());
    const BarItemBehaviour* b = info ? info->barItem : nullptr;
    return b ? *b : kBareBarItem;
}

CBarItem* CBarItem::Construct(void* record) {
    auto* item = ItemCast<CBarItem>(record);
    std::memset(item->Bytes() + rec::kSlotBytes, 0, kSize - rec::kSlotBytes);
    ConstructClass(255, item);
    return item;
}

// --- score-item slots -------------------------------------------------------------------------

void BarItemBehaviour::Redraw(CScoreItem& item) const { item.Draw(); }

void BarItemBehaviour::Select(CScoreItem& item) const { SetFlagBit(Bar(item), CBarItem::kFlagsB, CBarItem::kSelectedBit, true); }

void BarItemBehaviour::SelectPart(CScoreItem& item, int part) const {
    SetFlagBit(Bar(item), CBarItem::kFlagsB, CBarItem::kSelectedBit, true);
}

void BarItemBehaviour::DeselectPart(CScoreItem& item, int part) const {
    SetFlagBit(Bar(item), CBarItem::kFlagsB, CBarItem::kSelectedBit | CBarItem::kScratchBit, false);
}

void BarItemBehaviour::Invalidate(CScoreItem& item) const { ScoreItemBehaviour::Invalidate(item); }

int BarItemBehaviour::GetTime(CScoreItem& item) const { return Bar(item).TimeField(); }

int BarItemBehaviour::GetTimeWithOffset(CScoreItem& item) const {
    return Bar(item).TimeField() + Bar(item).TimeOffsetField();
}

int BarItemBehaviour::GetPosition(CScoreItem& item) const { return Bar(item).PositionField(); }

int BarItemBehaviour::GetColorIndex(CScoreItem& item) const {
    const int color = Bar(item).ColorField();
    if (color) return color - 1;
    return g_model.voiceColors[Bar(item).VoiceField()];
}

void BarItemBehaviour::SetColorIndex(CScoreItem& item, int color) const {
    rec::Put<std::uint8_t>(&item, CBarItem::kColor, std::uint8_t(color));
}

void BarItemBehaviour::BeginDrag(CScoreItem& item) const {
    SetFlagBit(Bar(item), CBarItem::kFlagsB, CBarItem::kRemovedBit, true);
    ScoreItemBehaviour::BeginDrag(item);
}

// The item moves by the drag's horizontal distance in 1/1024 of the bar.
void BarItemBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    if (!drag) return;
    Bar(item).SetPosition(GetPosition(item) + drag->positionStep);
}

void BarItemBehaviour::DrawDragFeedback(CScoreItem& item) const {
    if (g_model.dragItem != &item) return;
    Bar(item).VerifyTrack();
    item.Redraw();
}

void BarItemBehaviour::ReadHead(CScoreItem& item, CChunkStream& stream) const {
    ScoreItemBehaviour::ReadHead(item, stream);
    const int size = item.RecordSizeField();
    if (size <= 0) return;
    const bool old = g_model.loadedFileVersion < kColorHeadVersion;
    if (size < (old ? CBarItem::kColor : CBarItem::kHeadEnd)) ThrowDamagedRecord(stream);
    std::uint8_t a = stream.ReadByte();
    std::uint8_t b = stream.ReadByte();
    MirrorFieldsFromFile(&a, kLayout_1_1_6);
    MirrorFieldsFromFile(&b, kLayout_1_1_1_1_1_3);
    auto& bar = Bar(item);
    bar.SetFlagsA(a);
    // A code without a class stays marked removed whatever flags the record carried.
    if (IsBareScoreItem(&item)) b |= CBarItem::kRemovedBit;
    bar.SetFlagsB(b);
    bar.SetTimeField(std::int16_t(stream.ReadWord()));
    bar.SetPositionField(std::int16_t(stream.ReadWord()));
    if (g_model.swappedDataBytes && item.TypeCode() >= 170 && item.TypeCode() <= 175) {
        const std::uint8_t lo = rec::Get<std::uint8_t>(&item, 12);
        rec::Put(&item, 12, rec::Get<std::uint8_t>(&item, 13));
        rec::Put(&item, 13, lo);
    }
    if (!old) stream.ReadBytes(item.Bytes() + CBarItem::kColor, 2);
}

void BarItemBehaviour::WriteHead(CScoreItem& item, CChunkStream& stream) const {
    ScoreItemBehaviour::WriteHead(item, stream);
    auto& bar = Bar(item);
    stream.WriteByte(MirrorFields(bar.FlagsA(), kLayout_1_1_6));
    stream.WriteByte(MirrorFields(bar.FlagsB(), kLayout_1_1_1_1_1_3));
    stream.WriteWord(bar.TimeField());
    stream.WriteWord(bar.PositionField());
    stream.WriteBytes(item.Bytes() + CBarItem::kColor, 2);
}

void BarItemBehaviour::ReadBody(CScoreItem& item, CChunkStream& stream) const {
    const int size = item.RecordSizeField();
    if (size > CBarItem::kHeadEnd) {
        ReadRecordBytes(stream, item.Bytes() + CBarItem::kHeadEnd, size - CBarItem::kHeadEnd);
        item.FromFileOrder();
    }
}

void BarItemBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    const int size = item.RecordSizeField();
    if (size > CBarItem::kHeadEnd) stream.WriteBytes(item.Bytes() + CBarItem::kHeadEnd, std::uint32_t(size - CBarItem::kHeadEnd));
}

void BarItemBehaviour::Read(CScoreItem& item, CChunkStream& stream) const {
    const int room = RecordReadRoom(item);
    item.ReadHead(stream);
    const int size = item.RecordSizeField();
    const int type = item.TypeCode();
    if (size <= 0 || !HasHeadType(type)) return;
    const bool old = g_model.loadedFileVersion < kColorHeadVersion;
    if (old && type != 255) {
        if (size + 2 > room) ThrowDamagedRecord(stream);
        item.CBaseItem::SetSize(std::int16_t(size + 2));
        rec::Put<std::uint8_t>(&item, CBarItem::kColor, 0);
        rec::Put<std::uint8_t>(&item, CBarItem::kTimeOffset, 0);
    }
    // The body follows the bar-item head that was read; a record revived as a class that is
    // no bar item (a code without a class) takes it as a bar item would, so that the stream
    // stays in step.
    if (item.Behaviour().AsBarItem())
        item.ReadBody(stream);
    else
        BarItemBehaviour::ReadBody(item, stream);
    item.AfterLoad(old ? 0x300 : 0x400);
    GrowToWantedSize(item, room, stream);
}

void BarItemBehaviour::ToFileOrder(CScoreItem& item) const {
    ScoreItemBehaviour::ToFileOrder(item);
    auto& bar = Bar(item);
    MirrorFieldsToFile(bar.Bytes() + CBarItem::kFlagsA, kLayout_1_1_6);
    MirrorFieldsToFile(bar.Bytes() + CBarItem::kFlagsB, kLayout_1_1_1_1_1_3);
    for (std::size_t at : {std::size_t(CBarItem::kTime), std::size_t(CBarItem::kPosition)}) {
        const std::uint8_t lo = rec::Get<std::uint8_t>(&item, at);
        rec::Put(&item, at, rec::Get<std::uint8_t>(&item, at + 1));
        rec::Put(&item, at + 1, lo);
    }
}

void BarItemBehaviour::AfterLoad(CScoreItem& item, int version) const {
    if (version >= kOldestFormatVersion) return;
    // A record too short to reach the colour byte is no bar item of that format.
    if (item.TypeCode() < 255 && !item.IsData() && item.RecordSizeField() >= CBarItem::kColor)
        Bar(item).GrowAt(item.Bytes() + CBarItem::kColor, 2);
    if (item.IsTempo() && item.RecordSizeField() > 73)
        rec::Put<std::uint8_t>(&item, 73, rec::Get<std::uint8_t>(&item, 73) & std::uint8_t(~0x02));
}

bool BarItemBehaviour::IsAlive(CScoreItem& item) const { return !Bar(item).IsRemoved(); }

int BarItemBehaviour::ScaleToView(CScoreItem& item, int v) const {
    const int scale = item.CBaseItem::Scale();
    if (scale) v = v * scale / 100;
    CScoreItem* staff = g_model.currentStaff;
    return staff ? staff->ScaleToView(v) : v;
}

// --- slots 79-148 -----------------------------------------------------------------------------

void BarItemBehaviour::InitNew(CBarItem& item, int voice, int time, int position) const {
    item.CBaseItem::SetScale(0);
    item.SetFlagsA(0);
    item.SetFlagsB(0);
    item.SetVoice(voice);
    item.SetTime(time);
    item.SetPosition(position);
    item.CBaseItem::SetSize(std::int16_t(GetItemRecordSize(&item)));
}

void BarItemBehaviour::PlaceAt(CBarItem& item, const ScoreLocation& location) const {
    item.InitNew(location.voice, int(location.time), location.position);
    rec::Put<std::uint8_t>(&item, CBarItem::kColor, 0);
    item.SetTimeOffsetField(0);
}

void BarItemBehaviour::Delete(CBarItem& item) const { item.MarkRemoved(); }

void BarItemBehaviour::MarkRemoved(CBarItem& item) const {
    SetFlagBit(item, CBarItem::kFlagsB, CBarItem::kRemovedBit, true);
}

bool BarItemBehaviour::HitTestShape(CBarItem& item, int x, int y) const {
    g_model.hitKind = 0;
    RECT r;
    item.GetBounds(&r);
    const LONG left = r.left < r.right ? r.left : r.right, right = r.left < r.right ? r.right : r.left;
    const LONG top = r.top < r.bottom ? r.top : r.bottom, bottom = r.top < r.bottom ? r.bottom : r.top;
    return x >= left && x < right && y >= top && y < bottom;
}

int BarItemBehaviour::GetPlayStart(CBarItem& item, int head) const { return item.TimeField(); }
int BarItemBehaviour::GetPlayEnd(CBarItem& item, int head) const { return item.TimeField(); }

int BarItemBehaviour::GetBarRange(CBarItem& item, int* first, int* last, CTrkBar* trkBar) const {
    const int span = item.GetBarSpan();
    const int bar = trkBar ? trkBar->GetBarIndex() : 0;
    if (first) *first = bar;
    if (last) *last = bar + span;
    return span;
}

int BarItemBehaviour::GetVoice(CBarItem& item) const { return item.VoiceField(); }

int BarItemBehaviour::GetEndPosition(CBarItem& item) const { return item.PositionField(); }

void BarItemBehaviour::SetTime(CBarItem& item, int time) const { item.SetTimeField(std::int16_t(time)); }

void BarItemBehaviour::SetPosition(CBarItem& item, int position) const {
    item.SetPositionField(std::int16_t(position));
}

void BarItemBehaviour::SetVoice(CBarItem& item, int voice) const {
    item.SetFlagsB(std::uint8_t((item.FlagsB() & 0x1F) | ((voice & 7) << CBarItem::kVoiceShift)));
}

void BarItemBehaviour::SetFlag8Bit1(CBarItem& item, bool on) const {
    SetFlagBit(item, CBarItem::kFlagsA, CBarItem::kFlag8Bit1, on);
}

void BarItemBehaviour::GetEndPoints(CBarItem& item, POINT* start, POINT* end) const {
    RECT r;
    item.GetBounds(&r);
    if (start) *start = POINT{r.left, r.top};
    if (end) *end = POINT{r.right, r.bottom};
}

bool BarItemBehaviour::IsSelected(CBarItem& item, int part) const {
    if (item.IsNoteOrRawNote() && part != -32767) {
        if (!item.IsSelectedBit()) return false;
        // Head entries of 16 bytes from offset 24; an index outside the record selects nothing.
        const long at = 24L + 16L * part;
        if (part < 0 || at >= item.RecordSizeField()) return false;
        return (rec::Get<std::uint8_t>(&item, std::size_t(at)) & 0x02) != 0;
    }
    return item.IsSelectedBit();
}

bool BarItemBehaviour::GetFlag8Bit1(CBarItem& item) const { return (item.FlagsA() & CBarItem::kFlag8Bit1) != 0; }

void BarItemBehaviour::MoveToPosition(CBarItem& item, int position) const {
    item.SetPositionField(std::int16_t(position));
}

void BarItemBehaviour::SaveSpannedBars(CBarItem& item) const {
    CZelDoc* doc = g_model.currentDoc;
    CTrkBar* trkBar = g_model.currentTrkBar;
    if (!doc || !trkBar) return;
    const int span = item.GetBarSpan();
    for (int i = 1; i <= span; ++i) doc->SaveBarForUndo(trkBar->GetTrackByte(), trkBar->GetIndex() + i);
}

int BarItemBehaviour::GrowAt(CBarItem& item, std::uint8_t* at, int n) const {
    const int size = item.RecordSizeField();
    std::uint8_t* end = item.Bytes() + size;
    if (end > at) std::memmove(at + n, at, std::size_t(end - at));
    std::memset(at, 0, std::size_t(n));
    item.CBaseItem::SetSize(std::int16_t(size + n));
    return size + n;
}
