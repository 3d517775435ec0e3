// The chord symbol and the guitar frame as bar items: drawn at the bar's x of their position
// plus their x offset (and the shared drag offset while dragged) and at the staff's y of the
// chord line plus their y offset; their rectangles (which the default hit test uses), drags and
// placement at a page point.
#include <algorithm>
#include <cstring>
#include <string>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/ChordRecords.h"
#include "model/DragTask.h"
#include "model/ModelGlobals.h"
#include "model/ScoreStandIns.h"
#include "model/ZelDoc.h"
#include "model/ScoreLocation.h"
#include "model/SystemStaff.h"
#include "notation/ChordDraw.h"
#include "notation/Chords.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/LibraryStandIns.h"
#include "platform/PlatformGlobals.h"
#include "platform/Theory.h"

namespace {

// The document's command that edits a guitar frame.
constexpr int kEditFrameCommand = 4114;

bool Highlighted(const CBarItem& item) {
    return item.IsSelectedBit() && !g_draw.printingDC && !g_draw.feedbackDrawing && !g_draw.dragInProgress;
}
int DragX(const CBarItem& item) { return g_model.dragItem == &item ? g_model.dragOffsetX : 0; }

// The item's zoom: its scale and the staff's at the artist's zoom.
int ItemZoom(CBarItem& item) { return item.ScaleToView(100); }

// The y offset that puts the item's staff y at the release y: the staff offset for it against
// the chord line, stepped by one where rounding leaves it above or below.
int OffsetForY(CStaff* staff, int y) {
    const int line = staff->GetChordLine();
    int offset = staff->YToOffset(y) - line;
    const int at = staff->OffsetToY(line + offset);
    if (at < y) ++offset;
    else if (at > y) --offset;
    return offset;
}

// Applies a drag: the x to the shared drag offset, the y to the y offset in the staff's units
// (the drag moves in page units; added as they come, a symbol would follow the pointer at a
// hundredth of its pace).
template <typename Record>
void Drag(Record* r, CDragTask* drag) {
    if (!drag) return;
    g_model.dragOffsetX = std::int16_t(g_model.dragOffsetX + drag->dx);
    const CStaff* staff = g_model.currentStaff;
    r->SetYOffset(r->GetYOffset() + (staff ? staff->UnscaleOffset(drag->dy) : drag->dy));
}

// A drop that does not place the item anew keeps the drag's x in its offset; the drag is over for
// the item.
template <typename Record>
void KeepDragX(Record* r) {
    if (g_model.dragItem == r) {
        if (g_model.dragOffsetX != 0) r->SetXOffset(r->GetXOffset() + g_model.dragOffsetX);
        g_model.dragItem = nullptr;
    }
    g_model.dragOffsetX = 0;
}

// The item takes the shared drag offset while it is dragged.
void StartDrag(CScoreItem& item) { g_model.dragItem = &static_cast<CBarItem&>(item); }

}  // namespace

// --- the chord symbol -----------------------------------------------------------------------------

void ChordBehaviour::Draw(CScoreItem& item) const {
    auto& c = *CChord::Of(&static_cast<CBarItem&>(item));
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    CArtist* a = g_draw.artist;
    if (!bar || !staff || !a || c.RecordSizeField() < CChord::kSize) return;
    a->PushFont();
    const int x = bar->PositionToItemX(c.PositionField(), c.GetXOffset() + DragX(c));
    const int y = staff->OffsetToY(staff->GetChordLine() + c.GetYOffset());
    g_model.drawnPoint = POINT{x, y};
    c.SetDrawColor(Highlighted(c));
    const int zoom = ItemZoom(c);
    const int oldZoom = a->GetZoom();
    if (zoom != oldZoom) a->SetZoom(zoom);
    a->SetPenWidth(c.ScaleToView(20));
    const int size = a->Scale(chorddraw::ChordFont().size);
    const int right = chorddraw::DrawChordSymbol(x, y, size, c.GetRootLetter(), c.GetRootAccidental(), c.GetBassLetter(),
                                                 c.GetBassAccidental(), c.HasBass(), c.IsBassBelow(), c.GetKey());
    if (c.IsParenthesised()) {
        // The bar item's bracket pair around the symbol, tall round a bass drawn below.
        a->PushFont();
        c.DrawEndGlyphs(x, right, y, chorddraw::ChordFont().size, c.HasBass() && c.IsBassBelow());
        a->PopFont();
    }
    a->SetPenWidth(20);
    if (zoom != oldZoom) a->SetZoom(oldZoom);
    c.ResetDrawColor();
    a->PopFont();
}

void ChordBehaviour::OpenProperties(CScoreItem& item, int, int) const {
    auto& c = *CChord::Of(&static_cast<CBarItem&>(item));
    if (c.RecordSizeField() < CChord::kSize) return;
    // At most the bass and sixteen notes.
    int notes[1 + 16];
    int n = 0;
    const int root = c.GetRootPitch(60);
    const int bass = c.GetBassPitch(60);
    if (c.HasBass()) notes[n++] = bass;
    const CSuffix* entry = chorddraw::FindDefinition(c.GetKey());
    if (entry) {
        // The entry's notes above the root follow the bass (the entry's intervals stacked on the
        // bass would spell another chord).
        for (int i = 0; i < entry->GetNoteCount(); ++i) notes[n++] = root + entry->GetInterval(i);
    } else {
        for (int i = 0; i < 16; ++i)
            if (c.GetKey() & (1u << i)) notes[n++] = root + i;
    }
    CChordLib* lib = g_platform.chordLib;
    if (!lib) return;
    lib->EditWithNotes(n, notes, false);
    if (entry) return;
    const int key = MakeChordKey(root, notes, n);
    if (chorddraw::FindDefinition(key)) c.SetKey(key);
}

RECT* ChordBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    if (!rect) return rect;
    *rect = RECT{};
    auto& c = *CChord::Of(&static_cast<CBarItem&>(item));
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    CArtist* a = g_draw.artist;
    if (!bar || !staff || !a || c.RecordSizeField() < CChord::kSize) return rect;
    const int left = bar->PositionToItemX(c.PositionField(), c.GetXOffset() + DragX(c));
    const int size = c.ScaleToView(chorddraw::ChordFont().size);
    const int oldZoom = a->SetZoom(ItemZoom(c));
    const int width = chorddraw::ChordSymbolWidth(size, c.GetRootAccidental(), c.GetBassAccidental(), c.HasBass(),
                                                  c.IsBassBelow(), c.GetKey(), c.ScaleToView(5));
    a->SetZoom(oldZoom);
    const int bottom = staff->OffsetToY(staff->GetChordLine() + c.GetYOffset());
    *rect = RECT{left, bottom - std::max(1, size * 2 / 3), left + width, bottom};
    return rect;
}

void ChordBehaviour::BeginDrag(CScoreItem& item) const {
    BarItemBehaviour::BeginDrag(item);
    StartDrag(item);
}

void ChordBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const { Drag(CChord::Of(&static_cast<CBarItem&>(item)), drag); }

void ChordBehaviour::EndDrag(CScoreItem& item, CDragTask* drag) const {
    BarItemBehaviour::EndDrag(item, drag);
    KeepDragX(CChord::Of(&static_cast<CBarItem&>(item)));
}

CBarItem* ChordBehaviour::PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const {
    g_model.dragOffsetX = 0;
    start.pointY += (end.pointY - start.pointY) / 2;
    CBarItem* placed = BarItemBehaviour::PlaceAtPoint(item, start, end);
    if (placed && start.staff && placed->TypeCode() == CChord::kType)
        CChord::Of(placed)->SetYOffset(OffsetForY(start.staff, end.pointY));
    return placed;
}

// --- the guitar frame ------------------------------------------------------------------------------

void GuitarFrameBehaviour::Draw(CScoreItem& item) const {
    auto& f = *CGuitarFrame::Of(&static_cast<CBarItem&>(item));
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    CArtist* a = g_draw.artist;
    if (!bar || !staff || !a || f.RecordSizeField() < CGuitarFrame::kSize) return;
    const int x = bar->PositionToItemX(f.PositionField(), f.GetXOffset() + DragX(f));
    const int y = staff->OffsetToY(staff->GetChordLine() + f.GetYOffset());
    f.SetDrawColor(Highlighted(f));
    const int cx = f.DrawDiagram(x, y, f.ScaleToView(100), staff->GetLineSpacing(), !f.IsNameHidden());
    g_model.drawnPoint = POINT{cx, y};
    f.ResetDrawColor();
}

void GuitarFrameBehaviour::OpenProperties(CScoreItem&, int, int) const {
    if (CZelDoc* doc = g_model.currentDoc) doc->OnCommandRange(kEditFrameCommand);
}

RECT* GuitarFrameBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    if (!rect) return rect;
    *rect = RECT{};
    auto& f = *CGuitarFrame::Of(&static_cast<CBarItem&>(item));
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    CArtist* a = g_draw.artist;
    if (!bar || !staff || f.RecordSizeField() < CGuitarFrame::kSize) return rect;
    const int S = f.ScaleToView(5);
    const int N = f.ScaleToView(chorddraw::FrameFont().size);
    const std::string name(f.GetName());
    const int bottom = staff->OffsetToY(staff->GetChordLine() + f.GetYOffset());
    int top, width;
    if (!f.IsNameOnly()) {
        top = bottom - (f.GetFrets() + 1) * S;
        width = std::max(0, f.GetStrings() - 1) * S;
    } else {
        width = name.empty() ? staff->GetLineSpacing() : 0;
        top = bottom - MulDiv(N, 7, 8);
    }
    int left = bar->PositionToItemX(f.PositionField(), f.GetXOffset() + DragX(f)) - width / 2;
    int right = left + width;
    if (!name.empty()) {
        if (!f.IsNameOnly()) top -= N;
        if (f.IsBassBelow()) top -= N;
        int nameWidth = 0;
        if (a) {
            a->PushFont();
            FontRef font = chorddraw::FrameFont();
            font.size = std::uint16_t(std::max(1, N));
            a->SetFontRef(font);
            const std::string measured = f.IsBassBelow() ? name.substr(0, name.find('/')) : name;
            nameWidth = a->TextWidth(measured.c_str());
            a->PopFont();
        }
        if (nameWidth > width) {
            left -= (nameWidth - width) / 2;
            right = left + nameWidth;
        }
    }
    const int v = f.ScaleToView(1);
    *rect = RECT{left - S / 2, top - v, right + S / 2, bottom + v};
    return rect;
}

void GuitarFrameBehaviour::BeginDrag(CScoreItem& item) const {
    BarItemBehaviour::BeginDrag(item);
    StartDrag(item);
}

void GuitarFrameBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    Drag(CGuitarFrame::Of(&static_cast<CBarItem&>(item)), drag);
}

void GuitarFrameBehaviour::EndDrag(CScoreItem& item, CDragTask* drag) const {
    BarItemBehaviour::EndDrag(item, drag);
    KeepDragX(CGuitarFrame::Of(&static_cast<CBarItem&>(item)));
}

CBarItem* GuitarFrameBehaviour::PlaceAtPoint(CBarItem& item, ScoreLocation& start, ScoreLocation& end) const {
    g_model.dragOffsetX = 0;
    RECT r;
    item.GetBounds(&r);
    CStaff* staff = g_model.currentStaff;
    start.pointY = r.bottom;
    if (staff) start.pointX += ((r.right - r.left) - staff->GetLineSpacing()) / 2 + staff->GetFrameMargin();
    else start.pointX += (r.right - r.left) / 2;
    CBarItem* placed = BarItemBehaviour::PlaceAtPoint(item, start, end);
    if (placed && start.staff && placed->TypeCode() == CGuitarFrame::kType)
        CGuitarFrame::Of(placed)->SetYOffset(OffsetForY(start.staff, end.pointY));
    return placed;
}
