#include "model/SystemStaff.h"

#include <cstring>

#include "model/EngraverSettings.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/ScoreStandIns.h"
#include "model/System.h"
#include "platform/ChunkStream.h"

namespace {

int CurrentZoomOr100() {
    const CZelDoc* doc = g_model.currentDoc;
    return (doc && doc->GetZoom() > 0) ? doc->GetZoom() : 100;
}

// Reads a stored coordinate into a 16-bit field; past the chunk's end the field keeps its value.
void ReadCoordField(CChunkStream& s, void* record, int offset) {
    std::int16_t v = rec::Get<std::int16_t>(record, offset);
    s.ReadCoordTo(&v);
    rec::Put(record, offset, v);
}

void ReadByteField(CChunkStream& s, void* record, int offset) {
    std::uint8_t v = rec::Get<std::uint8_t>(record, offset);
    s.ReadByteTo(&v);
    rec::Put(record, offset, v);
}

// Reads one stored flag byte into a bit: set when not 0, kept past the chunk's end.
void ReadFlagBit(CChunkStream& s, void* record, int offset, int bit) {
    if (s.Unread() == 0) return;
    const std::uint8_t stored = s.ReadByte();
    std::uint8_t v = rec::Get<std::uint8_t>(record, offset);
    v = stored ? std::uint8_t(v | (1u << bit)) : std::uint8_t(v & ~(1u << bit));
    rec::Put(record, offset, v);
}

}  // namespace

const EngraverSettings& CurrentEngraverSettings() {
    if (g_model.engraverSettings) return *g_model.engraverSettings;
    static const EngraverSettings defaults = [] {
        EngraverSettings e{};
        InitEngraverSettings(e);
        return e;
    }();
    return defaults;
}

CStaff* CStaff::Construct(void* record) { return static_cast<CStaff*>(ConstructClass(2, record)); }

void CStaff::SetDefaults() {
    SetKey(0);
    SetClef(0);
    CBaseItem::SetScale(100);
    rec::Put<std::int16_t>(this, kHeadWidth, 6);
    SetLineSpacing(6);
    rec::Put<std::uint8_t>(this, kPenWidth, 1);
    SetLineMask(kFiveLines);
    SetStaffFlags(std::uint8_t(GetStaffFlags() | kJoinedBarlineBit | kShownBit));
    SetDisplay(std::uint8_t((GetDisplay() | 0xF0) & ~0x0C));
    SetFontSize(24);
    rec::Put<std::int16_t>(this, kPlaceA, -480);
    rec::Put<std::int16_t>(this, kPlaceC, 480);
    rec::Put<std::int16_t>(this, kPlaceD, -240);
    rec::Put<std::int16_t>(this, kPlaceE, -720);
    for (int k = 0; k < 8; ++k) rec::Put<std::int16_t>(this, kLyricOffsets + 2 * k, std::int16_t(600 + 240 * k));
    SetSpacing(std::int16_t(CurrentEngraverSettings().GetWord(EngraverSettings::kStaffSpacing) + 480));
    SetNameIndent(60);
}

void CStaff::SetSize(int percent) {
    CBaseItem::SetScale(std::uint8_t(percent));
    UpdateSpacing();
}

void CStaff::UpdateSpacing() {
    const double exact = double(GetScalePercent()) * 6.0 * double(CurrentZoomOr100()) / 10000.0;
    rec::Put<double>(this, kExactSpace, exact);
    int space = int(exact);
    if (space < 1) space = 1;
    SetLineSpacing(std::uint8_t(space));
    std::uint8_t display = std::uint8_t(GetDisplay() & ~kRoundedUpBit);
    int font = 4 * space;
    if (font < 24 && 4.0 * exact > double(font)) {
        font += 1;
        display |= kRoundedUpBit;
    }
    SetDisplay(display);
    SetFontSize(std::int16_t(font));
    rec::Put<std::uint8_t>(this, kPenWidth, std::uint8_t(font < 72 ? 1 : font < 136 ? 2 : 3));
}

int CStaff::GetHighestLineBit() const {
    const std::uint16_t mask = GetLineMask();
    for (int b = 14; b >= 0; --b)
        if (mask & (1u << b)) return b;
    return 7;
}

int CStaff::GetLowestLineBit() const {
    const std::uint16_t mask = GetLineMask();
    for (int b = 0; b <= 14; ++b)
        if (mask & (1u << b)) return b;
    return 7;
}

void CStaff::SetPosition(int x, int y, int width) {
    const int space = GetLineSpacing();
    rec::Put<std::int16_t>(this, kMiddleY, std::int16_t(y));
    int top, bottom;
    if (GetLineMask() == kFiveLines) {
        top = y - 2 * space;
        bottom = y + 2 * space;
    } else {
        top = y - (GetHighestLineBit() - 8) * space;
        bottom = y + (8 - GetLowestLineBit()) * space;
    }
    if (top == bottom) {
        top -= 2 * space;
        bottom += 2 * space;
    }
    rec::Put<std::int32_t>(this, kRect, x);
    rec::Put<std::int32_t>(this, kRect + 4, top);
    rec::Put<std::int32_t>(this, kRect + 8, x + width);
    rec::Put<std::int32_t>(this, kRect + 12, bottom);
}

RECT CStaff::GetRect() const { return {GetLeft(), GetTopLine(), GetRight(), GetBottomLine()}; }

bool CStaff::OpensBracketGroup(int* last) const {
    for (int i = 0; i < kBracketSlots; ++i) {
        const std::uint8_t kind = GetBracketKind(i);
        if (kind >= 1 && kind <= 4) {
            if (last) *last = GetIndex() + GetBracketSpan(i);
            return true;
        }
    }
    return false;
}

// --- "STAF" ---------------------------------------------------------------------------------

const StaffBehaviour& StaffBehaviour::Instance() {
    static const StaffBehaviour behaviour;
    return behaviour;
}

void StaffBehaviour::Write(CScoreItem& item, CChunkStream& s) const {
    auto& staff = static_cast<CStaff&>(item);
    s.BeginChunk(MakeChunkTag("STAF"), -1);
    s.WriteWord(staff.RecordSizeField());
    s.WriteByte(staff.TypeCode());
    s.WriteByte(staff.CBaseItem::Scale());
    s.WriteByte(staff.GetPenWidth());
    s.WriteByte(std::uint8_t(staff.GetFontSize()));
    s.WriteByte(staff.GetLineSpacing());
    s.WriteByte(staff.GetClef());
    s.WriteByte(staff.GetKey());
    s.WriteByte(std::uint8_t(rec::Get<std::int16_t>(&staff, CStaff::kPlaceB)));
    for (int bit = 0; bit <= 3; ++bit) s.WriteByte((staff.GetStaffFlags() >> bit) & 1);
    for (int bit = 2; bit <= 7; ++bit) s.WriteByte((staff.GetDisplay() >> bit) & 1);
    s.WriteWord(staff.GetHeadWidth());
    s.WriteWord(staff.GetLineMask());
    s.WriteCoord(staff.GetSpacing());
    for (int k = 0; k < 8; ++k) s.WriteCoord(rec::Get<std::int16_t>(&staff, CStaff::kLyricOffsets + 2 * k));
    s.WriteCoord(rec::Get<std::int16_t>(&staff, CStaff::kPlaceA));
    s.WriteCoord(rec::Get<std::int16_t>(&staff, CStaff::kPlaceC));
    s.WriteCoord(rec::Get<std::int16_t>(&staff, CStaff::kPlaceD));
    s.WriteCoord(rec::Get<std::int16_t>(&staff, CStaff::kPlaceE));
    s.WriteWord(0);
    for (int i = 0; i < CStaff::kBracketSlots; ++i) {
        const std::uint8_t* b = staff.Bracket(i);
        s.WriteByte(b[CStaff::kBracketKind]);
        s.WriteByte(b[CStaff::kBracketSpan]);
        for (int f = CStaff::kBracketTop; f <= CStaff::kBracketX; f += 2) s.WriteCoord(rec::Get<std::int16_t>(b, f));
    }
    s.EndChunk(-1);
}

void StaffBehaviour::Read(CScoreItem& item, CChunkStream& s) const {
    auto& staff = static_cast<CStaff&>(item);
    // An empty chunk leaves the record as it was (reads outside a chunk would take the file's
    // next bytes).
    if (s.BeginReadChunk(MakeChunkTag("STAF")) == 0) {
        s.EndReadChunk();
        return;
    }
    s.ReadWord();  // the record size and the type code are the class's own
    s.ReadByte();
    std::uint8_t scale = staff.CBaseItem::Scale();
    s.ReadByteTo(&scale);
    staff.CBaseItem::SetScale(scale);
    ReadByteField(s, &staff, CStaff::kPenWidth);
    std::uint8_t font = std::uint8_t(staff.GetFontSize());
    if (s.Unread() > 0) {
        s.ReadByteTo(&font);
        staff.SetFontSize(font);
    }
    ReadByteField(s, &staff, CStaff::kSpace);
    ReadByteField(s, &staff, CStaff::kClef);
    ReadByteField(s, &staff, CStaff::kKey);
    if (s.Unread() > 0) rec::Put<std::int16_t>(&staff, CStaff::kPlaceB, std::int8_t(s.ReadByte()));
    for (int bit = 0; bit <= 3; ++bit) ReadFlagBit(s, &staff, CStaff::kFlags, bit);
    for (int bit = 2; bit <= 7; ++bit) ReadFlagBit(s, &staff, CStaff::kDisplay, bit);
    std::int16_t word = staff.GetHeadWidth();
    s.ReadWordTo(&word);
    rec::Put(&staff, CStaff::kHeadWidth, word);
    std::uint16_t mask = staff.GetLineMask();
    s.ReadWordTo(&mask);
    staff.SetLineMask(mask);
    ReadCoordField(s, &staff, CStaff::kSpacing);
    for (int k = 0; k < 8; ++k) ReadCoordField(s, &staff, CStaff::kLyricOffsets + 2 * k);
    ReadCoordField(s, &staff, CStaff::kPlaceA);
    if (g_model.loadedFileVersion >= 0x400) {
        ReadCoordField(s, &staff, CStaff::kPlaceC);
        ReadCoordField(s, &staff, CStaff::kPlaceD);
        ReadCoordField(s, &staff, CStaff::kPlaceE);
        s.ReadWord();
    }
    for (int i = 0; i < CStaff::kBracketSlots; ++i) {
        const int at = CStaff::kBrackets + i * CStaff::kBracketSize;
        ReadByteField(s, &staff, at + CStaff::kBracketKind);
        ReadByteField(s, &staff, at + CStaff::kBracketSpan);
        for (int f = CStaff::kBracketTop; f <= CStaff::kBracketX; f += 2) ReadCoordField(s, &staff, at + f);
    }
    s.EndReadChunk();
    rec::Put<double>(&staff, CStaff::kExactSpace,
                     double(staff.GetScalePercent()) * 6.0 * double(CurrentZoomOr100()) / 10000.0);
}
