// The drawing defaults of bar items: getting the staff ready, drawing inside the item's own
// system (clipped when it reaches into another), the placeholder of classes without a drawing
// of their own, a value stalk in the MIDI data display, and the glyphs at a span's two ends.
#include <algorithm>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/Tempo.h"
#include "model/Data.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"

namespace {


// The staff an item draws on: its track's staff in the current system, or the system's first
// shown staff for items of the bar itself.
CStaff* ItemStaff(CBarItem& item) {
    CLine* line = g_model.currentLine;
    if (!line) return nullptr;
    if (item.IsTrackItem() && g_model.currentTrkBar) return line->GetStaff(g_model.currentTrkBar->GetTrackIndex());
    return line->GetStaff(CLine::kFirstShown);
}

}  // namespace

bool BarItemBehaviour::IsShownOnStaff(CBarItem& item) const {
    // Without a current system there is no staff to ask.
    if (CStaff* staff = ItemStaff(item); staff && !staff->IsShown()) return false;
    const CZelDoc* doc = g_model.currentDoc;
    return !item.IsHidden() || (doc && doc->location.hiddenObjects);
}

void BarItemBehaviour::VerifyTrack(CBarItem& item) const {
    CStaff* staff = ItemStaff(item);
    if (!staff) return;
    g_model.currentStaff = staff;
    if (CArtist* a = g_draw.artist) {
        const int size = staff->GetFontSize() ? staff->GetFontSize() : 24;
        a->SetMusicFont(item.Scale() ? MulDiv(size, item.Scale(), 100) : size);
    }
}

void BarItemBehaviour::Draw(CScoreItem& scoreItem) const {
    auto& item = static_cast<CBarItem&>(scoreItem);
    CBar* bar = g_model.currentBar;
    CLine* line = g_model.currentLine;
    CScore* score = bar ? bar->GetScore() : nullptr;
    CArtist* a = g_draw.artist;
    if (!bar || !line || !score || !a) {
        item.DrawShape();
        return;
    }
    CBar* end = score->GetBar(std::min<int>(bar->GetIndex() + item.GetBarSpan(), score->GetBarCount() - 1));
    if (end && end->GetLine() == bar->GetLine() && line->GetFirstBarIndex() <= bar->GetIndex()) {
        item.DrawShape();
        return;
    }
    // The item reaches into another system: draw only what lies on the current one.
    a->PushClip();
    RECT clip;
    a->GetClipRect(&clip);
    const int allowance = g_model.dataDisplayKind <= 1 ? 2 * line->GetSpace() : 0;
    clip.left = std::max<int>(clip.left, line->GetFirstBarX() - allowance);
    if (CPage* page = g_model.currentPage) clip.left = std::max<int>(clip.left, page->GetPrintableRect().left);
    clip.right = std::min<int>(clip.right, line->GetRight());
    a->SetClipRect(clip);
    struct ClipGuard {
        CArtist* a;
        ~ClipGuard() { a->PopClip(); }
    } guard{a};
    item.DrawShape();
    if (g_draw.dragInProgress) {
        const POINT p = g_model.drawnPoint;
        item.ShowDragFeedback(p.x, p.y);
    }
}

void BarItemBehaviour::DrawShape(CBarItem& item) const {
    CArtist* a = g_draw.artist;
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    if (!a || !bar || !staff || g_draw.printingDC) return;
    const int x = bar->FractionToX(item.PositionField());
    const RECT r{x, staff->GetTopLine() + 2, x + staff->TwentiethsToView(360), staff->GetBottomLine() - 2};
    a->FrameRect(r);
    a->Line(r.left, r.top, r.right, r.bottom);
    a->Line(r.left, r.bottom, r.right, r.top);
}

// A value stalk in the MIDI data display: a line from the band's base up to the value and a
// small square at its top; v counts in full-scale steps.
void DrawDataStalk(CBarItem& item, int v, int fullScale) {
    CArtist* a = g_draw.artist;
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    if (!a || !bar || !staff || fullScale <= 0) return;
    const int t = item.GetTimeWithOffset();
    const int y0 = staff->OffsetToY(staff->GetPlaceC()) - 2;
    const int x = bar->TickToLinearX(t);
    const int h = MulDiv(v, staff->ScaleLength(g_model.dataView.bandHeight), fullScale);
    int y = y0 - h;
    if (y == y0) y = y0 - 1;
    g_model.drawnPoint = POINT{x, y};
    a->PushColor();
    if (g_model.secondColorDrawing)
        a->SetRoleColor(8);
    else if (item.IsSelectedBit() && !g_draw.printingDC && !g_draw.dragInProgress)
        a->SetRoleColor(9);
    else
        a->SetRoleColor(item.VoiceField());
    a->Line(x, y, x, y0);
    a->FrameRect(RECT{x - 2, y - 2, x + 2, y + 2});
    a->PopColor();
}

void BarItemBehaviour::DrawDataValue(CBarItem& item) const {
    const int full = item.TypeCode() == CTempo::kTypeCode ? 30000 : 128;
    item.VerifyTrack();
    DrawDataStalk(item, item.GetValue(), full);
}

void DataBehaviour::Draw(CScoreItem& scoreItem) const {
    auto& item = static_cast<CBarItem&>(scoreItem);
    int v = item.GetValue();
    // A pitch bend's 16,384 steps are drawn in 128.
    if (item.TypeCode() == CData::kPitchBend) v = (v + 8192) / 128;
    DrawDataStalk(item, v, 128);
}

void BarItemBehaviour::DrawEndGlyphs(CBarItem& item, int x1, int x2, int y, int size, bool alternate) const {
    CArtist* a = g_draw.artist;
    if (!a) return;
    const int s = item.ScaleToPage(size) * 5 / 2;
    a->SetMusicFont(s);
    if (!alternate) {
        const int yy = y - s / 8 - item.ScaleToPage(1);
        a->DrawGlyph(x1 - a->GlyphWidth(252), yy, 252);
        a->DrawGlyph(x2, yy, 253);
    } else {
        const int yy = y + item.ScaleToPage(2);
        a->DrawGlyph(x1 - a->GlyphWidth(254), yy, 254);
        a->DrawGlyph(x2, yy, 255);
    }
}
