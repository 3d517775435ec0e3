// The bar-number item's record: its defaults and its stored form.
#include "model/BarNumber.h"

#include <algorithm>
#include <cstring>

#include "framework/Arith.h"
#include "framework/Globals.h"
#include "model/Bar.h"
#include "model/DocumentStandIns.h"
#include "model/DragTask.h"
#include "model/ItemFactory.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Text.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Track.h"
#include "platform/ChunkStream.h"
#include "platform/FontRef.h"

namespace {

// The default item font of bar numbers in the program's default font table.
constexpr int kBarNumberFontSlot = 5;
constexpr std::uint8_t kRepeatedLetters = 0x04;
constexpr std::uint8_t kCentred = 1 << 3;
// The bar's own bar-number offsets (coordinates A and B).
constexpr int kBarNumberX = CBar::kCoordA;
constexpr int kBarNumberY = CBar::kCoordB;

}  // namespace

CBarNumber* CBarNumber::Construct(void* buffer) {
    auto* item = static_cast<CBarNumber*>(ConstructClass(kTypeCode, buffer));
    if (item) item->SetDefaults();
    return item;
}

void CBarNumber::SetDefaults() {
    std::memset(Bytes() + kFlags, 0, kSize - kFlags);
    rec::Put<std::uint8_t>(this, kFlags, kRepeatedLetters | kCentred);
    rec::Put<std::uint8_t>(this, kShowMode, 1);
    rec::Put<std::uint8_t>(this, kFirstLetter, 'A');
    rec::Put<std::int16_t>(this, kYOffset, -360);
    rec::Put<std::int16_t>(this, kInterval, 1);
    if (const FontRef* table = DefaultFontTable()) std::memcpy(Bytes() + kFont, &table[kBarNumberFontSlot], sizeof(FontRef));
}

const BarNumberBehaviour& BarNumberBehaviour::Instance() {
    static const BarNumberBehaviour behaviour;
    return behaviour;
}

void BarNumberBehaviour::ReadBody(CScoreItem& item, CChunkStream& s) const {
    // A record that is not a whole bar-number item is read as the bytes it says it has.
    if (item.RecordSizeField() != CBarNumber::kSize) {
        BarItemBehaviour::ReadBody(item, s);
        return;
    }
    std::uint8_t b[CBarNumber::kStoredBody];
    ReadRecordBytes(s, b, CBarNumber::kStoredBody);
    std::uint8_t* r = item.Bytes();
    const auto word = [&](int at) { return std::int16_t((b[at] << 8) | b[at + 1]); };
    r[CBarNumber::kFlags] = std::uint8_t((b[0] & 1) | (b[1] & 1) << 1 | (b[2] & 1) << 2 | (b[3] & 3) << 3 | (b[4] & 3) << 5);
    r[CBarNumber::kStaff] = b[5];
    r[CBarNumber::kShowMode] = b[8];
    r[CBarNumber::kFirstLetter] = b[9];
    rec::Put(r, CBarNumber::kXOffset, std::int16_t(word(10) * 5));
    rec::Put(r, CBarNumber::kYOffset, std::int16_t(word(12) * 5));
    rec::Put(r, CBarNumber::kNumberOffset, word(14));
    rec::Put(r, CBarNumber::kTextWidth, word(16));
    rec::Put(r, CBarNumber::kInterval, word(18));
    r[CBarNumber::kPrefix] = b[20];
    r[CBarNumber::kPrefix + 1] = b[21];
    FontRef font;
    font.face = std::uint16_t(word(22));
    font.size = std::uint16_t(word(24));
    font.style = b[26];
    font.pad = 0;
    std::memcpy(r + CBarNumber::kFont, &font, sizeof font);
    r[CBarNumber::kEnclosure] = b[28];
    r[CBarNumber::kEnclosure + 1] = b[29];
    for (int i = 0; i < 4; ++i) rec::Put(r, CBarNumber::kEnclosureCoords + 2 * i, std::int16_t(word(30 + 2 * i) * 5));
    rec::Put(r, CBarNumber::kEnclosureValue, std::int16_t(word(38) * 20 / 4));
}

void BarNumberBehaviour::WriteBody(CScoreItem& item, CChunkStream& s) const {
    if (item.RecordSizeField() != CBarNumber::kSize) {
        BarItemBehaviour::WriteBody(item, s);
        return;
    }
    const std::uint8_t* r = item.Bytes();
    const auto word = [&](int at) { return rec::Get<std::int16_t>(r, std::size_t(at)); };
    const std::uint8_t flags = r[CBarNumber::kFlags];
    s.WriteByte(flags & 1);
    s.WriteByte((flags >> 1) & 1);
    s.WriteByte((flags >> 2) & 1);
    s.WriteByte((flags >> 3) & 3);
    s.WriteByte((flags >> 5) & 3);
    s.WriteByte(r[CBarNumber::kStaff]);
    s.WriteByte(0);
    s.WriteByte(0);
    s.WriteByte(r[CBarNumber::kShowMode]);
    s.WriteByte(r[CBarNumber::kFirstLetter]);
    s.WriteCoord(word(CBarNumber::kXOffset));
    s.WriteCoord(word(CBarNumber::kYOffset));
    s.WriteWord(word(CBarNumber::kNumberOffset));
    s.WriteWord(word(CBarNumber::kTextWidth));
    s.WriteWord(word(CBarNumber::kInterval));
    s.WriteBytes(r + CBarNumber::kPrefix, 2);
    FontRef font;
    std::memcpy(&font, r + CBarNumber::kFont, sizeof font);
    s.WriteFontRef(font);
    s.WriteBytes(r + CBarNumber::kEnclosure, 2);
    for (int i = 0; i < 4; ++i) s.WriteCoord(word(CBarNumber::kEnclosureCoords + 2 * i));
    s.WriteWord(word(CBarNumber::kEnclosureValue) * 4 / 20);
}

// --- what a bar shows ---------------------------------------------------------------------------

std::string CBarNumber::Letters(int n, char base, bool repeated) {
    if (n < 0) n = 0;
    if (repeated) return std::string(std::size_t(n / 26 + 1), char(base + n % 26));
    std::string out;
    // Bijective base 26: A is 0, Z 25, AA 26, ZZ 701, AAA 702.
    for (int v = n + 1; v > 0; v = (v - 1) / 26) out.insert(out.begin(), char(base + (v - 1) % 26));
    return out;
}

bool CBarNumber::ShowsAt(int barIndex, int start, bool firstInSystem, bool firstOnPage) const {
    switch (GetShowMode()) {
    case kPageStarts:
        return firstInSystem && firstOnPage;
    case kSystemStarts:
        return firstInSystem;
    case kEveryN: {
        const int n = GetInterval();
        const int d = barIndex - start;
        return d == 0 || (n > 0 && d % n == 0);
    }
    default:
        return false;
    }
}

std::string CBarNumber::TextFor(int barIndex, int start, int countedBars) const {
    std::string text;
    for (int i = 0; i < 2; ++i)
        if (const char c = char(rec::Get<std::uint8_t>(this, std::size_t(kPrefix + i)))) text += c;
    if (GetFlags() & kLettersBit) {
        const std::uint8_t first = GetFirstLetter();
        const char base = first >= 'A' && first <= 'Z' ? 'A' : 'a';
        const int from = base == 'A' ? first - 'A' : (first >= 'a' && first <= 'z' ? first - 'a' : 0);
        text += Letters(barIndex - start + from, base, (GetFlags() & kRepeatedBit) != 0);
    } else {
        text += std::to_string(countedBars + GetNumberOffset() + 1);
    }
    return text;
}

namespace {

int NumberingStart(CBar* bar) {
    if (bar->GetBarNumberItem(true) && bar->GetBarNumberItem(true) == bar->GetBarNumberItem(false)) return bar->GetIndex();
    const int link = bar->GetBarNumberLink();
    return link >= 0 ? link : bar->GetIndex();
}

// The system's flag that numbers in show mode 0 follow: the first system of its page.
bool FirstOnPage(CBar* bar) {
    CLine* line = bar->GetLine();
    return line && (line->GetLayoutFlags() & CLine::kFirstOnPageBit) != 0;
}

}  // namespace

bool CBarNumber::ShowsAt(CBar* bar) const {
    return bar && ShowsAt(bar->GetIndex(), NumberingStart(bar), bar->IsFirstInLine(), FirstOnPage(bar));
}

std::string CBarNumber::TextFor(CBar* bar) const {
    return bar ? TextFor(bar->GetIndex(), NumberingStart(bar), bar->GetCountedBars()) : std::string();
}

int CBarNumber::AvoidClef(int y, int top, int bottom, int space, int clef) {
    if (y > top && y <= bottom) {
        if (clef == 0 || clef == 4 || clef == 5 || clef == 7) return y + 3 * space / 2;
        if (clef == 9) return y + 3 * space;
    } else if (y < top) {
        if (clef == 0 || clef == 3 || clef == 6 || clef == 8 || clef == 9) return y - 3 * space / 2;
        if (clef == 7) return y - 2 * space;
    }
    return y;
}

CStaff* CBarNumber::ChooseStaff() const {
    CLine* line = g_model.currentLine;
    if (!line || line->GetStaffCount() <= 0) return nullptr;
    int count = line->GetStaffCount();
    if (CScore* score = g_model.currentScore) count = std::min<int>(count, std::max<int>(1, score->GetTrackCount()));
    const int wanted = std::min(GetStaffIndex(), count - 1);
    for (int i = wanted; i < count; ++i)
        if (CStaff* s = line->GetStaff(i); s && s->IsShown()) return s;
    for (int i = wanted - 1; i >= 0; --i)
        if (CStaff* s = line->GetStaff(i); s && s->IsShown()) return s;
    return line->GetStaff(wanted);
}

RECT CBarNumber::Rect(CBar* bar, int* measured) {
    RECT r{};
    if (!bar || !ShowsAt(bar)) return r;
    fw::ScopedGlobal<CLine*> keepLine(g_model.currentLine, bar->GetLine());
    CStaff* staff = ChooseStaff();
    CArtist* a = g_draw.artist;
    if (!staff || !a) return r;
    const int s = staff->Space();
    const std::string text = TextFor(bar);
    FontRef font;
    std::memcpy(&font, Bytes() + kFont, sizeof font);
    a->PushFont();
    UseFont(font);
    const int width = a->TextWidth(text.c_str());
    a->PopFont();
    // The width is not stored: drawing an unchanged score leaves its file unchanged.
    if (measured) *measured = width;
    const int x0 = staff->ScaleOffset(GetXOffset() + rec::Get<std::int16_t>(bar, kBarNumberX));
    int y = staff->OffsetToY(GetYOffset() + rec::Get<std::int16_t>(bar, kBarNumberY));
    int x = 0;
    if (bar->IsFirstInLine() && GetAnchor() == 0) {
        x = x0 + staff->GetLeft() + s;
        y = AvoidClef(y, staff->GetTopLine(), staff->GetBottomLine(), s, staff->GetClef());
    } else if (GetAnchor() == 1) {
        x = (bar->GetLeft() + bar->GetRight()) / 2 + x0;
    } else if (GetAnchor() == 2) {
        x = bar->GetRight() - x0;
    } else {
        x = bar->GetLeft() + x0;
    }
    if (GetAlignment() == 1) x -= width / 2;
    else if (GetAlignment() == 2) x -= width;
    r = RECT{x, y - ScaleToView(font.size), x + width, y};
    if (IsEnclosed()) {
        r.left -= s / 3;
        r.right += s / 3;
    }
    return r;
}

bool CBarNumber::HitTest(CBar* bar, int x, int y) {
    if (!bar) return false;
    CBarItem* own = bar->GetBarNumberItem(true);
    if (own && own->IsHidden()) return false;
    auto* item = static_cast<CBarNumber*>(bar->GetBarNumberItem(false));
    if (!item || item->IsRemoved()) return false;
    fw::ScopedGlobal<CBar*> keepBar(g_model.currentBar, bar);
    const RECT r = item->Rect(bar);
    return r.right > r.left && x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// --- drawing, editing and dragging --------------------------------------------------------------

void BarNumberBehaviour::Draw(CScoreItem& item) const {
    auto& n = static_cast<CBarNumber&>(item);
    CBar* bar = g_model.currentBar;
    CArtist* a = g_draw.artist;
    if (!a || !bar) return;
    // A hidden item leaves its own bar without a number; the bars it governs show theirs.
    if (n.IsHidden() && bar->GetBarNumberItem(true) == &n) return;
    int width = 0;
    const RECT r = n.Rect(bar, &width);
    if (r.right <= r.left) return;
    FontRef font;
    std::memcpy(&font, n.Bytes() + CBarNumber::kFont, sizeof font);
    // The staff the number stands on, whose space widened its rectangle.
    CStaff* staff = nullptr;
    {
        fw::ScopedGlobal<CLine*> keepLine(g_model.currentLine, bar->GetLine());
        staff = n.ChooseStaff();
    }
    const int s = staff ? staff->Space() : 6;
    const int x = n.IsEnclosed() ? r.left + s / 3 : r.left;
    a->PushFont();
    n.UseFont(font);
    a->DrawText(x, r.bottom, n.TextFor(bar).c_str());
    if (n.IsEnclosed() && staff) {
        // The text's box, from the font's ascent to the baseline, one unit larger all round,
        // goes with the enclosure record to the staff's enclosure drawing.
        FontMetrics16 metrics{};
        a->GetFontMetrics(&metrics);
        const int unit = n.ScaleToView(1);
        const RECT box{x - unit, r.bottom - metrics.ascent - unit, x + width + unit, r.bottom + unit};
        staff->DrawEnclosure(n, box, n.Bytes() + CBarNumber::kEnclosure);
    }
    a->PopFont();
    g_model.drawnPoint = POINT{x, r.bottom};
}

void BarNumberBehaviour::OpenProperties(CScoreItem&, int, int) const {
    if (CZelDoc* doc = g_model.currentDoc) doc->OnCommandRange(CBarNumber::kEditCommand);
}

RECT* BarNumberBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    *rect = static_cast<CBarNumber&>(item).Rect(g_model.currentBar);
    return rect;
}

void BarNumberBehaviour::Drag(CBar* bar, CBarNumber& item, int dx, int dy, bool modifier) {
    if (modifier) {
        for (auto [at, d] : {std::pair{CBarNumber::kEnclosureGapX, dx}, std::pair{CBarNumber::kEnclosureGapY, dy}})
            rec::Put(&item, std::size_t(at), std::int16_t(rec::Get<std::int16_t>(&item, std::size_t(at)) + d));
        return;
    }
    if (!bar) return;
    const int x = rec::Get<std::int16_t>(bar, kBarNumberX) + (item.GetAnchor() == 2 ? -dx : dx);
    const int y = std::clamp(rec::Get<std::int16_t>(bar, kBarNumberY) + dy, -CBarNumber::kDragLimit, CBarNumber::kDragLimit);
    rec::Put(bar, kBarNumberX, std::int16_t(x));
    rec::Put(bar, kBarNumberY, std::int16_t(y));
}

void BarNumberBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    if (!drag) return;
    CStaff* staff = g_model.currentStaff;
    const int dx = staff ? staff->UnscaleOffset(drag->dx) : drag->dx;
    const int dy = staff ? staff->UnscaleOffset(drag->dy) : drag->dy;
    Drag(g_model.currentBar, static_cast<CBarNumber&>(item), dx, dy, g_viewDrag.modifierFlagA);
    if (dx || dy) drag->moved = 1;
}

void BarNumberBehaviour::EndDrag(CScoreItem& item, CDragTask*) const {
    auto& n = static_cast<CBarNumber&>(item);
    n.SetFlagsB(std::uint8_t(n.FlagsB() & ~CBarItem::kRemovedBit));
}

int BarNumberBehaviour::GetVerticalOffset(CBarItem& item) const { return static_cast<CBarNumber&>(item).GetYOffset(); }
void BarNumberBehaviour::SetHorizontalOffset(CBarItem& item, int offset) const {
    rec::Put(&item, CBarNumber::kXOffset, std::int16_t(offset));
}
void BarNumberBehaviour::SetVerticalOffset(CBarItem& item, int offset) const {
    rec::Put(&item, CBarNumber::kYOffset, std::int16_t(offset));
}

void BarNumberBehaviour::ResolveFonts(CScoreItem& item, CFontArray* fonts) const {
    if (item.RecordSizeField() >= CBarNumber::kFont + int(sizeof(FontRef)))
        ResolveFontAt(fonts, item.Bytes() + CBarNumber::kFont);
}
