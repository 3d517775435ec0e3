#include "model/SystemStaff.h"
#include "model/RecordFields.h"

#include <algorithm>
#include <cstring>

#include "framework/Arith.h"
#include "model/EngraverSettings.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/System.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/ChunkStream.h"
#include "platform/DrawGlobals.h"

namespace {

int CurrentZoomOr100() {
    const CZelDoc* doc = g_model.currentDoc;
    return (doc && doc->GetZoom() > 0) ? doc->GetZoom() : 100;
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

void CStaff::SetScale(int percent) {
    CBaseItem::SetScale(std::uint8_t(percent));
    UpdateSpacing();
}

void CStaff::KeepStoredPrecision() {
    // What the file cannot hold would otherwise come back changed after one save: a coordinate
    // below 5 saves as 0, and the next read repairs it to its default.
    const auto keepFifths = [&](int at) { rec::Put(this, at, std::int16_t(rec::Get<std::int16_t>(this, at) / 5 * 5)); };
    keepFifths(kSpacing);
    for (int k = 0; k < 8; ++k) keepFifths(kLyricOffsets + 2 * k);
    for (int at : {kPlaceA, kPlaceC, kPlaceD, kPlaceE}) keepFifths(at);
    for (int i = 0; i < kBracketSlots; ++i)
        for (int f = kBracketTop; f <= kBracketX; f += 2) keepFifths(kBrackets + i * kBracketSize + f);
}

bool CStaff::RepairDefaults() {
    bool repaired = false;
    // The stored form holds the font size in one byte: a size it cannot hold (an older raw
    // record may bring one) counts as none.
    if (GetFontSize() <= 0 || GetFontSize() > 255) {
        SetFontSize(24);
        repaired = true;
    }
    if (GetLineSpacing() == 0) {
        const std::uint8_t fromHead = std::uint8_t(GetHeadWidth() & 0xFF);
        SetLineSpacing(fromHead ? fromHead : 1);
        repaired = true;
    }
    if (GetPlaceC() == 0) SetPlaceC(480), repaired = true;
    if (GetPlaceD() == 0) SetPlaceD(-240), repaired = true;
    if (GetPlaceE() == 0) SetPlaceE(-600), repaired = true;
    return repaired;
}

// --- positions, label units and y -----------------------------------------------------------

int CStaff::PositionToY(int pos) const {
    const std::int16_t p = std::int16_t(pos * Space());
    if (CArtist* a = g_draw.artist) a->halfPixelHint = p % 2 == 0 ? 0 : pos < 1 ? 1 : -1;
    return GetMiddleY() - p / 2;
}

int CStaff::YToPosition(int y) const {
    const int space = Space();
    const int t = space / 5;
    const int ref = GetMiddleY();
    if (y > ref) {
        const int k = (y - ref + t) / space;
        return y > ref + space * k + t ? -2 * k - 1 : -2 * k;
    }
    const int k = (ref - y + t) / space;
    return y < ref - space * k - t ? 2 * k + 1 : 2 * k;
}

int CStaff::YToPositionStep(int y, int* steps) const {
    const int pos = YToPosition(y);
    const int base = PositionToY(pos);
    int n = 0;
    // ScaleOffset grows with its argument, so each loop ends; the bound only guards overflow.
    if (base < y)
        while (n < 0x7FFF && base + ScaleOffset(n) < y) ++n;
    else if (y < base)
        while (n > -0x7FFF && base + ScaleOffset(n) > y) --n;
    if (steps) *steps = n;
    return pos;
}

int CStaff::ScaleOffset(int units) const { return int(double(units) * Exact() / 120.0); }

int CStaff::UnscaleOffset(int pixels) const {
    int k = int(double(pixels) * 120.0 / Exact());
    for (int i = 0; i < 1 << 16 && ScaleOffset(k) < pixels; ++i) ++k;
    for (int i = 0; i < 1 << 16 && ScaleOffset(k) > pixels; ++i) --k;
    return k;
}

int CStaff::YToOffset(int y) const {
    int k = UnscaleOffset(y - GetMiddleY());
    for (int i = 0; i < 1 << 16 && OffsetToY(k) < y; ++i) ++k;
    for (int i = 0; i < 1 << 16 && OffsetToY(k) > y; ++i) --k;
    return k;
}

int CStaff::StepToNextY(int value, int direction) const {
    if (direction == 0) return value;
    const int start = OffsetToY(value);
    int v = value;
    for (int i = 0; i < 1 << 16; ++i) {
        v += direction;
        if (OffsetToY(v) != start) break;
    }
    return v;
}

int CStaff::PixelsToHalfSpaces(int v) const { return MulDiv(v, 2, Space()); }
int CStaff::PixelsToQuarterSpaces(int v) const { return MulDiv(v, 4, Space()); }
int CStaff::HalfSpacesToPixels(int v) const { return MulDiv(v, Space(), 2); }
int CStaff::ScaleQuarterSpaces(int v) const { return MulDiv(v, Space(), 4); }

int CStaff::ScaleLength(int v) const {
    const int scale = GetScalePercent();
    const int zoom = CurrentZoomOr100();
    if (scale == 100) return zoom == 100 ? v : MulDiv(v, zoom, 100);
    return MulDiv(v, scale * zoom, 10000);
}

int CStaff::SetScaledPenWidth(int w) const {
    const int width = w * (6 - (6 - GetLineSpacing()) / 2) / 6;
    if (CArtist* artist = g_draw.artist) artist->SetPenWidth(width);
    return width;
}

int CStaff::GetTextY(const void* text, bool below) const {
    const int size = rec::Get<std::int16_t>(text, 0);
    const int width = rec::Get<std::int16_t>(text, 2);
    const int offsetAbove = rec::Get<std::int16_t>(text, 4);
    const int offsetBelow = rec::Get<std::int16_t>(text, 6);
    const int zoom = CurrentZoomOr100();
    const int h = MulDiv(std::max(1, size / 4), zoom, 100);
    const int w = MulDiv(width, zoom, 100) / 4;
    if (!below) return GetMiddleY() + GetTextGap() + h / 2 + w + ScaleOffset(offsetBelow * 5);
    return GetMiddleY() - GetTextGap() - h / 2 - w - ScaleOffset(offsetAbove * 5);
}

// --- hit areas and handles --------------------------------------------------------------------

namespace {
bool InRect(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }
}  // namespace

bool CStaff::HitTest(int x, int y) const {
    if (!IsShown()) return false;
    const int t = Space() / 3;
    for (const int edge : {GetLeft(), GetRight()}) {
        const RECT r{edge - t, GetTopLine() - 1, edge + t, GetBottomLine() + 1};
        if (InRect(r, x, y)) {
            g_staffDrag.hitX = x;
            return true;
        }
    }
    return false;
}

RECT* CStaff::GetHandleRect(RECT* rect, int which) const {
    const int h = std::max(4, ScaleLength(4));
    int centre = GetMiddleY();
    switch (which) {
        case 0: centre = OffsetToY(GetPlaceA()); break;
        case 1: centre = PositionToY(GetPlaceB()); break;
        case 2: centre = OffsetToY(GetPlaceC()); break;
        case 3: centre = OffsetToY(GetPlaceD()); break;
        case 4: centre = OffsetToY(GetPlaceE()); break;
        default:
            if (which >= 5 && which <= 12) centre = OffsetToY(GetLyricOffset(which - 5));
            break;
    }
    rect->left = GetLeft() - 4 * h;
    rect->right = rect->left + 2 * h;
    rect->top = centre - h;
    rect->bottom = centre + h;
    return rect;
}

bool CStaff::HitHandle(int x, int y, int which) const {
    RECT r;
    return InRect(*GetHandleRect(&r, which), x, y);
}

void CStaff::UpdateSpacing() { UpdateSpacing(CurrentZoomOr100()); }

void CStaff::UpdateSpacing(int zoom) {
    const double exact = double(GetScalePercent()) * 6.0 * double(zoom > 0 ? zoom : 100) / 10000.0;
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

bool StaffBehaviour::HitTest(CScoreItem& item, int x, int y) const { return static_cast<CStaff&>(item).HitTest(x, y); }
void StaffBehaviour::SetScale(CScoreItem& item, int percent) const { static_cast<CStaff&>(item).SetScale(percent); }
int StaffBehaviour::ScaleToView(CScoreItem& item, int v) const { return static_cast<CStaff&>(item).ScaleLength(v); }
int StaffBehaviour::TwentiethsToView(CScoreItem& item, int v) const { return static_cast<CStaff&>(item).ScaleOffset(v); }
int StaffBehaviour::ViewToTwentieths(CScoreItem& item, int v) const { return static_cast<CStaff&>(item).UnscaleOffset(v); }

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
    // Bit 0 marks the staves a paint or a selection walk is working on: it is not saved.
    for (int bit = 0; bit <= 3; ++bit) s.WriteByte(bit == 0 ? 0 : (staff.GetStaffFlags() >> bit) & 1);
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
    rec::ReadByteField(s, &staff, CStaff::kPenWidth);
    std::uint8_t font = std::uint8_t(staff.GetFontSize());
    if (s.Unread() > 0) {
        s.ReadByteTo(&font);
        staff.SetFontSize(font);
    }
    rec::ReadByteField(s, &staff, CStaff::kSpace);
    rec::ReadByteField(s, &staff, CStaff::kClef);
    rec::ReadByteField(s, &staff, CStaff::kKey);
    if (s.Unread() > 0) rec::Put<std::int16_t>(&staff, CStaff::kPlaceB, std::int8_t(s.ReadByte()));
    for (int bit = 0; bit <= 3; ++bit) ReadFlagBit(s, &staff, CStaff::kFlags, bit);
    for (int bit = 2; bit <= 7; ++bit) ReadFlagBit(s, &staff, CStaff::kDisplay, bit);
    std::int16_t word = staff.GetHeadWidth();
    s.ReadWordTo(&word);
    rec::Put(&staff, CStaff::kHeadWidth, word);
    std::uint16_t mask = staff.GetLineMask();
    s.ReadWordTo(&mask);
    staff.SetLineMask(mask);
    rec::ReadCoordField(s, &staff, CStaff::kSpacing);
    for (int k = 0; k < 8; ++k) rec::ReadCoordField(s, &staff, CStaff::kLyricOffsets + 2 * k);
    rec::ReadCoordField(s, &staff, CStaff::kPlaceA);
    if (g_model.loadedFileVersion >= 0x400) {
        rec::ReadCoordField(s, &staff, CStaff::kPlaceC);
        rec::ReadCoordField(s, &staff, CStaff::kPlaceD);
        rec::ReadCoordField(s, &staff, CStaff::kPlaceE);
        s.ReadWord();
    }
    for (int i = 0; i < CStaff::kBracketSlots; ++i) {
        const int at = CStaff::kBrackets + i * CStaff::kBracketSize;
        rec::ReadByteField(s, &staff, at + CStaff::kBracketKind);
        rec::ReadByteField(s, &staff, at + CStaff::kBracketSpan);
        for (int f = CStaff::kBracketTop; f <= CStaff::kBracketX; f += 2) rec::ReadCoordField(s, &staff, at + f);
    }
    s.EndReadChunk();
    rec::Put<double>(&staff, CStaff::kExactSpace,
                     double(staff.GetScalePercent()) * 6.0 * double(CurrentZoomOr100()) / 10000.0);
}
