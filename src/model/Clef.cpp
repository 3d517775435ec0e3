// The clef change: its stored form, values, range, drawing and removal.
#include "model/Clef.h"

#include <algorithm>
#include <utility>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "platform/Artist.h"
#include "platform/ChunkStream.h"
#include "platform/DrawGlobals.h"
#include "platform/Theory.h"

namespace {

const ClefBehaviour kClef;
CClef& Clef(CScoreItem& item) { return static_cast<CClef&>(item); }

constexpr int kCClefCodes[5] = {4, 5, 2, 3, 6};
constexpr int kPaletteCodes[9] = {0, 1, 2, 7, 8, 9, 10, 11, 12};

// A 16-bit field between memory and stored order, the value scaled (coordinates).
void SwapWord(std::uint8_t* p) { std::swap(p[0], p[1]); }

int MusicSize(const CStaff& staff, const CScoreItem& item) {
    const int size = staff.GetFontSize();
    return item.Scale() ? MulDiv(size, item.Scale(), 100) : size;
}

// Where the glyph's right edge stands and the y of its staff position.
bool Place(CClef& c, int* right, int* y) {
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    if (!bar || !staff) return false;
    *right = bar->FractionToX(c.PositionField()) + staff->ScaleOffset(c.GetXOffset());
    *y = staff->PositionToY(c.GetClefStaffPos());
    return true;
}

}  // namespace

const ClefBehaviour& ClefBehaviour::Instance() { return kClef; }

CClef* CClef::Construct(void* buffer) {
    CBarItem::Construct(buffer);
    auto* clef = static_cast<CClef*>(ConstructClass(kTypeCode, buffer));
    if (clef) std::fill(clef->Bytes() + kCode, clef->Bytes() + kSize, std::uint8_t(0));
    return clef;
}

bool CClef::IsCClefCode(int code) { return code >= 2 && code <= 6; }

int CClef::CClefCodeForPosition(int pos) {
    const int row = pos + 4 >= 0 ? (pos + 4) / 2 : -1;
    return kCClefCodes[std::clamp(row, 0, 4)];
}

int CClef::CodeForPaletteButton(int button) { return button >= 0 && button < 9 ? kPaletteCodes[button] : -1; }

bool CClef::DragStaffPos(int d, int* pos) {
    if (d <= -5 || d >= 5) return false;
    *pos = d & ~1;
    return true;
}

void ClefBehaviour::Draw(CScoreItem& item) const {
    auto& c = Clef(item);
    CArtist* a = g_draw.artist;
    int right = 0, y = 0;
    if (!a || c.GetCode() >= CTheory::kClefCount || !Place(c, &right, &y)) return;
    a->PushFont();
    a->SetMusicFont(MusicSize(*g_model.currentStaff, c));
    const int glyph = CTheory::GetClefGlyph(c.GetCode());
    const int x = right - a->GlyphWidth(glyph);
    c.SetDrawColor(c.IsSelectedBit() && !g_draw.dragInProgress && !g_draw.printingDC);
    a->DrawGlyph(x, y, glyph);
    c.ResetDrawColor();
    g_model.drawnPoint = POINT{x, y};
    a->PopFont();
}

RECT* ClefBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    auto& c = Clef(item);
    *rect = RECT{};
    int right = 0, y = 0;
    if (!Place(c, &right, &y)) return rect;
    const CStaff& staff = *g_model.currentStaff;
    const int s = staff.Space();
    int width = s * 2;
    if (CArtist* a = g_draw.artist; a && c.GetCode() < CTheory::kClefCount) {
        a->PushFont();
        a->SetMusicFont(MusicSize(staff, c));
        width = a->GlyphWidth(CTheory::GetClefGlyph(c.GetCode()));
        a->PopFont();
    }
    rect->right = right;
    rect->left = right - width;
    rect->bottom = y + s;
    rect->top = rect->bottom - 2 * s - (c.GetCode() == 0 ? s : 0);
    return rect;
}

void ClefBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    auto& c = Clef(item);
    if (c.RecordSizeField() < CClef::kSize) return BarItemBehaviour::WriteBody(item, stream);
    stream.WriteByte(c.GetCode());
    stream.WriteByte(std::uint8_t(c.GetClefStaffPos()));
    stream.WriteCoord(c.GetXOffset());
}

void ClefBehaviour::ToFileOrder(CScoreItem& item) const {
    BarItemBehaviour::ToFileOrder(item);
    auto& c = Clef(item);
    if (c.RecordSizeField() < CClef::kSize) return;
    c.SetXOffset(c.GetXOffset() / 5);
    SwapWord(c.Bytes() + CClef::kXOffset);
}

void ClefBehaviour::FromFileOrder(CScoreItem& item) const {
    auto& c = Clef(item);
    if (c.RecordSizeField() < CClef::kSize) return;
    SwapWord(c.Bytes() + CClef::kXOffset);
    c.SetXOffset(c.GetXOffset() * 5);
}

void ClefBehaviour::MarkRemoved(CBarItem& item) const {
    BarItemBehaviour::MarkRemoved(item);
    auto& c = Clef(item);
    if (CTrkBar* tb = g_model.currentTrkBar) tb->RepositionForClef(c.PositionField(), c.GetCode());
}

int ClefBehaviour::GetBarRange(CBarItem& item, int* first, int* last, CTrkBar* trkBar) const {
    const int bar = trkBar ? trkBar->GetBarIndex() : 0;
    int end = bar;
    int found = bar;
    if (trkBar && trkBar->FindNextItemOfKind(&item, &found))
        end = found;
    else if (g_model.currentScore)
        end = std::max(bar, g_model.currentScore->GetBarCount() - 1);
    if (first) *first = bar;
    if (last) *last = end;
    return end - bar;
}

std::int16_t ClefBehaviour::GetStaffPos(CBarItem& item, int) const { return Clef(item).GetClefStaffPos(); }
int ClefBehaviour::GetValue(CBarItem& item) const { return Clef(item).GetCode(); }
void ClefBehaviour::SetVoice(CBarItem& item, int) const { BarItemBehaviour::SetVoice(item, 0); }
void ClefBehaviour::SetValue(CBarItem& item, int value) const { Clef(item).SetCode(value); }
