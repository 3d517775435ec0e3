// How a page draws itself: its background, each system that meets the update rectangle and
// its bars, then the titles, the texts, pictures and graphics the bars left for last, and the
// page texts; and drawing into the page's pane outside a paint.
#include <algorithm>

#include "framework/Arith.h"
#include "framework/DC.h"
#include "framework/Globals.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreStandIns.h"
#include "model/ZelDoc.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Titles.h"
#include "model/TrkBar.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "platform/PrArtist.h"

void PageBehaviour::Draw(CScoreItem& item) const { static_cast<CPage&>(item).Draw(); }

namespace {

RECT Widened(RECT r, int d) { return RECT{r.left - d, r.top - d, r.right + d, r.bottom + d}; }

// The separator between two systems: two parallel slanted strokes.
void DrawSeparator(CArtist* a, int x, int y, int space) {
    const int thick = std::max(1, space / 2);
    for (int k = 0; k < 2; ++k) {
        const int dy = k * (space + thick);
        a->LineWidth(x, y + space + dy - space / 2, x + 3 * space, y - space + dy - space / 2,
                     std::max(20, thick * 2000 / std::max(1, a->GetZoom())));
    }
}

// Keeps the colour stack, the current line, bar and page and the document's drawing state of a
// page drawing, and puts them back however the drawing ends.
struct PageDrawState {
    PageDrawState(CArtist* artist, CZelDoc* document) : a(artist), doc(document) {
        a->PushColor();
        a->SetColor(0);
    }
    ~PageDrawState() {
        if (doc) doc->drawingPage = false;
        a->PopColor();
    }
    CArtist* a;
    CZelDoc* doc;
    fw::ScopedGlobal<CLine*> line{g_model.currentLine};
    fw::ScopedGlobal<CBar*> bar{g_model.currentBar};
    fw::ScopedGlobal<CPage*> page{g_model.currentPage};
    fw::ScopedGlobal<RECT> update{g_model.updateRect};
    fw::ScopedGlobal<bool> handles{g_model.showHandles};
};

}  // namespace

void CPage::Draw() {
    CArtist* a = g_draw.artist;
    CScore* score = GetScore();
    CZelDoc* doc = GetDocument();
    if (!a || !score) return;
    const bool printing = g_draw.printingDC;
    if (!printing) {
        if (score->showPageMargins) a->FrameRect(GetPrintableRect());
        RECT paper = GetPaperRect();
        paper.right -= 1;
        paper.bottom -= 1;
        a->FrameRect(paper);
        // A page printed over several sheets shows where they meet: a seam every sheet's
        // printable width and height from the printable area's corner.
        if (doc && score->tilePages && (GetColumns() > 1 || GetRows() > 1)) {
            const SIZE sheet = doc->GetSheetPrintableSize();
            const RECT area = GetPrintableRect();
            for (int c = 1; c < GetColumns(); ++c)
                a->Line(area.left + c * sheet.cx, paper.top, area.left + c * sheet.cx, paper.bottom);
            for (int r = 1; r < GetRows(); ++r)
                a->Line(paper.left, area.top + r * sheet.cy, paper.right, area.top + r * sheet.cy);
        }
    }
    PageDrawState state(a, doc);
    MakeCurrent();
    if (doc) {
        doc->deferred.clear();
        doc->drawingPage = true;
    }
    g_model.showHandles = doc && doc->location.handles && !printing && !doc->handlesHidden;
    a->SetMusicFont(24);
    CLine* first = GetLine(0);
    if (first) g_model.updateRect = Widened(g_model.updateRect, 12 * first->GetSpace());
    const RECT update = g_model.updateRect;
    const int systems = GetSystemCount();
    for (int k = 0; k < systems; ++k) {
        CLine* line = GetLine(k);
        if (!line) break;
        CBar* bar = line->GetFirstBar();
        if (bar) bar->MakeCurrent();
        line->MakeCurrent();
        CLine* previous = k > 0 ? GetLine(k - 1) : nullptr;
        CLine* next = k + 1 < systems ? GetLine(k + 1) : nullptr;
        if (previous && score->staffGroupSeparators) {
            CStaff* top = line->GetStaff(CLine::kFirstShown);
            const int space = top ? top->Space() : line->GetSpace();
            const int y = (previous->GetBottom() + line->GetTop()) / 2;
            DrawSeparator(a, std::max<int>(GetPrintableRect().left + space, line->GetLeft()), y, space);
            if (score->staffGroupSeparators == 2) DrawSeparator(a, line->GetRight() - 3 * space, y, space);
        }
        bool whole = true;
        const RECT rect = line->GetRect();
        if (!RectsIntersect(rect, update) && !(rect.left > update.right)) {
            // Only the staves next to the update rectangle show the items that reach into it.
            whole = false;
            const int n = line->GetStaffArray() ? line->GetStaffArray()->GetCount() : 0;
            for (int i = 0; i < n; ++i) line->GetStaff(i)->SetSelected(false);
            const int top = previous ? previous->GetBottom() : rect.top;
            if (k == 0 || RectsIntersect(RECT{rect.left, top, rect.right, rect.bottom}, update)) {
                line->GetStaff(CLine::kFirstShown)->SetSelected(true);
                whole = true;
            }
            const int bottom = next ? next->GetTop() : rect.bottom;
            if (k == systems - 1 || RectsIntersect(RECT{rect.left, rect.top, rect.right, bottom}, update)) {
                line->GetStaff(CLine::kLastShown)->SetSelected(true);
                whole = true;
            }
        } else {
            line->Draw();
        }
        for (int b = 0; bar && b < line->GetBarCount(); ++b) {
            RECT r;
            if (whole || RectsIntersect(*bar->GetBounds(&r), update)) bar->Draw();
            bar = static_cast<CBar*>(bar->NextOrNull());
        }
    }
    DrawTitles();
    if (CPageTextArray* texts = score->GetPageTextArray())
        for (int i = 0; i < texts->GetCount(); ++i)
            if (CScoreItem* text = texts->GetItem(i); text && PageTextOnPage(text, GetIndex())) text->Draw();
}

void CPage::DrawTitles() {
    CArtist* a = g_draw.artist;
    CZelDoc* doc = GetDocument();
    CScore* score = GetScore();
    if (!a || !doc || !score) return;
    const int page = GetIndex();
    const RECT printable = GetPrintableRect();
    {
        TitleBlock* blocks = doc->titles;
        const auto shows = [&](int k) { return page == 0 || blocks[k].allPages; };
        if (shows(0)) {
            RECT area = printable;
            blocks[0].Draw(area, this);
        }
        if (g_model.highlightMode) return;
        RECT band = printable;
        band.top = printable.top + TwentiethsToView(480);
        if (CLine* first = score->GetLine(0)) {
            if (CStaff* staff = first->GetStaff(CLine::kFirstShown))
                band.bottom = staff->GetMiddleY() - 2 * staff->Space();
        }
        for (int k = 1; k <= 2; ++k)
            if (shows(k)) blocks[k].Draw(band, this);
        if (shows(3)) {
            RECT area = printable;
            blocks[3].Draw(area, this);
        }
        for (int k = 4; k < TitleBlock::kBlocks; ++k) {
            RECT area = printable;
            blocks[k].Draw(area, this);
        }
    }
    // Every deferred item is drawn, however many the bars left.
    const std::vector<CZelDoc::DeferredItem> deferred = doc->deferred;
    for (const CZelDoc::DeferredItem& d : deferred) {
        if (!d.item || !d.trkBar) continue;
        d.trkBar->SetCurrent();
        DrawItemGreyed(*d.item, !g_draw.printingDC && !score->IsVoiceShown(d.item->VoiceField()));
    }
}

void CPage::SetClipToPage() { g_model.updateRect = GetPaperRect(); }

int CPage::DrawInPane(CScoreItem* item, int (*callback)(CScoreItem*, void*), void* arg) {
    CZelDoc* doc = GetDocument();
    CPagePaneBase* pane = doc ? doc->GetPagePane(GetIndex()) : nullptr;
    CArtist* a = g_draw.artist;
    if (!pane || !a || !callback) return 0;
    CDC dc;
    if (!pane->AttachDrawing(dc)) return 0;
    const RECT paper = GetPaperRect();
    fw::ScopedGlobal<RECT> keepUpdate(g_model.updateRect);
    SetClipToPage();
    struct PortGuard {
        explicit PortGuard(CDC* dc) { PushPort(dc); }
        ~PortGuard() { PopPort(); }
    } port(&dc);
    a->SetWindowOrg(paper.left, paper.top);
    a->SetCopyMode();
    if (item && item->TypeCode() == 8) static_cast<CBar*>(item)->MakeCurrent();
    const int result = callback(item, arg);
    a->SetWindowOrg(0, 0);
    return result;
}

// --- pictures and prints of whole pages ----------------------------------------------------------

bool DrawPageToPicture(CPage* page, CBitmap& picture, std::vector<std::string>* ops, const RECT* update) {
    CArtist* a = g_draw.artist;
    if (!page || !a) return false;
    const RECT paper = page->GetPaperRect();
    if (!picture.CreateBitmap(int(paper.right - paper.left), int(paper.bottom - paper.top))) return false;
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SelectObject(&picture);
    PushPort(&dc);
    a->SetCopyMode();
    a->SetWindowOrg(paper.left, paper.top);
    a->FillRectColor(paper, 7);
    fw::ScopedGlobal<RECT> keepUpdate(g_model.updateRect);
    g_model.updateRect = update ? *update : paper;
    if (update) {
        a->PushClip();
        a->SetClipRect(*update);
    }
    if (ops) dc.StartRecording();
    page->Draw();
    if (ops) *ops = dc.TakeRecording();
    if (update) a->PopClip();
    a->SetWindowOrg(0, 0);
    PopPort();
    return true;
}

bool PrintScoreToPdf(CScore& score, const std::string& path, std::vector<std::string>* ops) {
    CPage* first = score.GetPage(0);
    if (!first) return false;
    const RECT paper = first->GetPaperRect();
    // The pages are laid out at the score size: the sheet is the paper itself, and the drawing
    // is scaled by the score size as the printing view does.
    const CZelDoc* doc = score.GetDocument();
    const int size = std::max(1, doc ? doc->GetScoreSize() : 100);
    constexpr int kDpi = 600;
    CPrinterDC pdc;
    if (!pdc.CreatePdf(path, kDpi, MulDiv(int(paper.right - paper.left), size, 100),
                       MulDiv(int(paper.bottom - paper.top), size, 100), 0))
        return false;
    if (!pdc.StartDoc("zelmarin")) return false;
    CPrArtist printer;
    const int resolution = MulDiv(kDpi, size, 100);
    printer.SetPrinterResolution(resolution, resolution);
    printer.InitColorTable();
    CArtist* screen = GetArtist();
    SetArtist(&printer);
    fw::ScopedGlobal<bool> printing(g_draw.printingDC);
    g_draw.printingDC = true;
    PushPort(&pdc);
    if (ops) pdc.StartRecording();
    bool ok = true;
    for (int p = 0; p < score.GetPageCount(); ++p) {
        CPage* page = score.GetPage(p);
        const RECT r = page->GetPaperRect();
        ok = pdc.StartPage() && ok;
        printer.SetWindowOrg(r.left, r.top);
        fw::ScopedGlobal<RECT> keepUpdate(g_model.updateRect);
        g_model.updateRect = r;
        page->Draw();
        ok = pdc.EndPage() && ok;
    }
    if (ops) *ops = pdc.TakeRecording();
    PopPort();
    SetArtist(screen);
    return pdc.EndDoc() && ok;
}
