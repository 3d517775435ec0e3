// The score view's print run: the zoom at 100 % while it prints, one page per sheet side with
// tiles and odd or even pages, two pages per side, the folded booklet, and the prompt to turn
// the paper over for the back sides.
#include <algorithm>
#include <cstdio>

#include "framework/Arith.h"
#include "framework/CodePage.h"
#include "framework/DC.h"
#include "framework/FileDialog.h"
#include "framework/StringTable.h"
#include "framework/Globals.h"
#include "framework/MessageBox.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/PageSetup.h"
#include "model/Score.h"
#include "model/ZelDoc.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"
#include "platform/PrArtist.h"
#include "view/ViewGlobals.h"
#include "view/ViewPrintDialog.h"
#include "view/ViewPreview.h"
#include "view/ZelView.h"

namespace {
constexpr int kTwoUpOverlap = 36;  // points two-up tiles overlap
constexpr const char* kLaserJet = "HP LaserJet";  // printers whose drawing needs the quirk
enum : UINT { kPdfFilterString = 6062, kCannotWriteString = 6063, kCannotOpenPrinterString = 6064,
              kNoPrinterString = 6066, kTurnOverString = 6067 };

// A message with the path or name in place of "%s".
void Tell(UINT id, const std::string& name) {
    std::string text;
    fw::LoadStringResource(id, text);
    if (const std::size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, name);
    AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

int Pages(CScore* score) { return score ? int(score->GetPageCount()) : 0; }
}  // namespace

void BookletPages(int pageCount, bool blankFirst, int side, int& first, int& second) {
    const int n = pageCount + (blankFirst ? 1 : 0);
    const int rounded = (n + 3) / 4 * 4;
    if (side % 2 == 0) {
        first = rounded - 1 - side;
        second = side;
    } else {
        first = side;
        second = rounded - 1 - side;
    }
    if (blankFirst) {
        --first;
        --second;
    }
    if (first < 0 || first >= pageCount) first = -1;
    if (second < 0 || second >= pageCount) second = -1;
}

int BookletSides(int pageCount, bool blankFirst) { return (pageCount + (blankFirst ? 1 : 0) + 3) / 4 * 2; }
int TwoUpSides(int pageCount) { return (pageCount + 1) / 2; }

void TwoUpPages(int pageCount, int side, bool oddOnly, bool evenOnly, int& first, int& second) {
    // Both parities chosen leave out nothing.
    if (oddOnly && evenOnly) oddOnly = evenOnly = false;
    first = 2 * side;
    second = 2 * side + 1;
    // Page numbers count from 1: index 0 is page 1, an odd page.
    auto keep = [&](int index) {
        if (index >= pageCount) return -1;
        if (oddOnly && index % 2 != 0) return -1;
        if (evenOnly && index % 2 == 0) return -1;
        return index;
    };
    first = keep(first);
    second = keep(second);
}

POINT PrintWindowOrigin(const RECT& paper, POINT tileOffset, POINT sheetOffset, POINT printableCorner, int resolution) {
    // The printer's origin lies at the corner of what it can print, its hardware margins inside
    // the sheet: the page's corner goes that far up and left of it.
    const int ox = MulDiv(sheetOffset.x - printableCorner.x, 72, resolution);
    const int oy = MulDiv(sheetOffset.y - printableCorner.y, 72, resolution);
    return POINT{paper.left + tileOffset.x - ox, paper.top + tileOffset.y - oy};
}

// --- the run --------------------------------------------------------------------------------------

bool CZelView::OnPreparePrinting(CPrintInfo& info) {
    tileCounter = 0;
    tilesPerPage = 1;
    g_view.duplexPrompt = 0;
    if (!document) return false;
    // The score's own printer becomes the current one.
    PrinterSettings* own = document->printer;
    const std::string scorePrinter = own ? own->GetDevNamesDevice() : std::string();
    if (!scorePrinter.empty() && scorePrinter != g_view.currentPrinter) g_view.currentPrinter = scorePrinter;
    info.device = g_view.currentPrinter;
    const int n = Pages(score);
    if (n <= 0) return false;
    info.minPage = 1;
    info.maxPage = n;
    if (info.showDialog) {
        CMyPrintDialog dialog(g_view.print);
        dialog.device = info.device;
        dialog.landscape = own && own->GetPrintOrientation() == 1;
        dialog.minPage = 1;
        dialog.maxPage = n;
        dialog.fromPage = 1;
        dialog.toPage = n;
        dialog.toPdf = g_view.printToPdf != 0;
        dialog.offerPdf = !info.intoFile;
        if (dialog.DoModal() != IDOK) return false;
        g_view.printToPdf = dialog.toPdf ? 1 : 0;
        if (dialog.toPdf) {
            info.toPdf = true;
            return true;
        }
        info.copies = dialog.copies;
        if (!dialog.allPages) {
            info.fromPage = dialog.fromPage;
            info.toPage = dialog.toPage;
        }
        // The printer chosen goes back to the score.
        if (!dialog.device.empty()) {
            info.device = g_view.currentPrinter = dialog.device;
            if (own && dialog.device != scorePrinter) own->SelectDevice(dialog.device);
        }
    }
    if (document->GetZoom() != 100) InvalidatePanes();
    const PrintOptions& o = g_view.print;
    if (o.booklet || o.twoUp) {
        // Two pages on a sheet: the printer's paper lies sideways while the run goes.
        g_view.savedPaperSetting = own ? own->GetPrintOrientation() : -1;
        g_view.paperTurned = 1;
        if (own) own->SetPrintOrientation(1);
        info.landscape = true;
        info.maxPage = o.twoUp ? TwoUpSides(n) : BookletSides(n, o.blankFirst);
    }
    return true;
}

void CZelView::RestorePaperSetting() {
    if (!g_view.paperTurned) return;
    g_view.paperTurned = 0;
    if (document && document->printer && g_view.savedPaperSetting >= 0)
        document->printer->SetPrintOrientation(g_view.savedPaperSetting);
}

void CZelView::OnBeginPrinting(CDC*, CPrintInfo& info) {
    g_model.printing = 1;
    g_view.stopRequested = 0;
    printZoomSaved = document->GetZoom();
    document->savedZoom = std::uint16_t(printZoomSaved);
    document->SetZoom(100, false);
    rulersShownBeforePreview = rulersShown;
    if (info.preview) {
        g_view.printPreview = 1;
        ShowRulers(false);
    }
    tileCounter = 0;
    const int across = std::max<int>(1, document->pagesAcross), down = std::max<int>(1, document->pagesDown);
    tilesPerPage = info.preview ? 1 : across * down;
}

void CZelView::OnPrepareDC(CDC* dc, void* printInfo) {
    g_draw.printingDC = dc && dc->IsPrinting();
    CScrollView32::OnPrepareDC(dc, nullptr);
    auto* info = static_cast<CPrintInfo*>(printInfo);
    if (!info) return;
    if (g_view.stopRequested) info->continuePrinting = false;
    // One page per side with odd or even pages only: a side of the other parity is passed over
    // before its sheet starts, so no blank sheet comes out. Both parities chosen leave out nothing.
    const PrintOptions& o = g_view.print;
    const bool oddOnly = o.oddOnly && !o.evenOnly, evenOnly = o.evenOnly && !o.oddOnly;
    if (!o.booklet && !o.twoUp && tileCounter == 0 &&
        ((oddOnly && info->curPage % 2 == 0) || (evenOnly && info->curPage % 2 != 0))) {
        ++info->curPage;
        if (info->curPage > (info->toPage > 0 ? info->toPage : info->maxPage)) info->continuePrinting = false;
    }
    if (g_view.print.manualDuplex && g_view.duplexPrompt && !info->preview && info->curPage % 2 == 0) {
        std::string text;
        fw::LoadStringResource(kTurnOverString, text);
        if (const std::size_t at = text.find("%d"); at != std::string::npos)
            text.replace(at, 2, std::to_string(info->curPage - 1));
        if (AfxMessageBox(text.c_str(), MB_OKCANCEL) == IDCANCEL) {
            info->continuePrinting = false;
            g_view.stopRequested = 1;
        }
    }
    g_view.duplexPrompt = 0;
}

void CZelView::OnPrint(CDC* dc, CPrintInfo& info) {
    if (g_view.print.booklet)
        PrintBooklet(dc, info);
    else if (g_view.print.twoUp)
        PrintTwoUp(dc, info);
    else
        PrintPage(dc, info);
    g_view.duplexPrompt = 1;
    g_draw.printingDC = false;
    if (!info.preview && info.curPage >= info.maxPage) info.continuePrinting = false;
}

void CZelView::OnEndPrinting(CDC*, CPrintInfo& info) {
    g_model.printing = 0;
    if (!document) {
        g_view.printPreview = 0;
        g_draw.printingDC = false;
        return;
    }
    if (printZoomSaved && printZoomSaved != 100) document->SetZoom(printZoomSaved, false);
    document->RecalcPageGeometry(true, true);
    if (info.preview && rulersShownBeforePreview) ShowRulers(true);
    RestorePaperSetting();
    g_view.printPreview = 0;
    g_draw.printingDC = false;
}

// --- layouts --------------------------------------------------------------------------------------

void CZelView::DrawPrintedPage(CDC* dc, int index, int resolution, POINT deviceOffset, POINT pageOffset) {
    CPage* page = score ? score->GetPage(index) : nullptr;
    if (!page || resolution <= 0) return;
    CPrArtist printer;
    printer.SetPrinterResolution(resolution, resolution);
    printer.InitColorTable();
    CArtist* screen = GetArtist();
    SetArtist(&printer);
    fw::ScopedGlobal<bool> printing(g_draw.printingDC);
    fw::ScopedGlobal<bool> job(g_draw.printJob);
    g_draw.printingDC = true;
    g_draw.printJob = true;
    PushPort(dc);
    const POINT origin = PrintWindowOrigin(page->GetPaperRect(), pageOffset, deviceOffset,
                                           POINT{dc->GetDeviceCaps(PHYSICALOFFSETX), dc->GetDeviceCaps(PHYSICALOFFSETY)},
                                           resolution);
    printer.SetWindowOrg(origin.x, origin.y);
    {
        fw::ScopedGlobal<RECT> keepUpdate(g_model.updateRect);
        g_model.updateRect = page->GetPaperRect();
        page->Draw();
    }
    printer.SetWindowOrg(0, 0);
    printer.SetPrinterResolution(72, 72);
    PopPort();
    SetArtist(screen);
}

void CZelView::PrintPage(CDC* dc, CPrintInfo& info) {
    const int n = Pages(score);
    const int across = std::max<int>(1, document->pagesAcross);
    if (info.curPage > info.maxPage || info.curPage > n) {
        info.continuePrinting = false;
        return;
    }
    const int index = info.curPage - 1;
    const int column = tileCounter % across, row = tileCounter / across;
    if (++tileCounter >= tilesPerPage)
        tileCounter = 0;
    else
        --info.curPage;  // the run comes back to this page for its next tile
    const int dpi = dc->GetDeviceCaps(LOGPIXELSX);
    const int size = std::max<int>(1, document->GetScoreSize());
    const int resolution = MulDiv(dpi, size, 100);
    const RECT margins = document->pageSetup.GetMarginRect();
    const int printableW = document->pageSetup.GetPaperWidth() - int(margins.left) - int(margins.right);
    const int printableH = document->pageSetup.GetPaperHeight() - int(margins.top) - int(margins.bottom);
    const POINT tile{column * std::max(1, printableW), row * std::max(1, printableH)};
    DrawPrintedPage(dc, index, resolution, POINT{0, 0}, tile);
    printedSides.push_back(PrintedSide{{index}, column, row});
}

namespace {
// A page scaled into half a landscape sheet: the scale in percent and the page's vertical offset
// there, device pixels.
struct HalfSheet {
    int scale;
    int top;
    int half;
};

HalfSheet FitHalf(CDC* dc, int pageW, int pageH, int dpi, int size) {
    const int sheetW = dc->GetDeviceCaps(PHYSICALWIDTH), sheetH = dc->GetDeviceCaps(PHYSICALHEIGHT);
    const int half = sheetW / 2;
    const int w = MulDiv(pageW, MulDiv(dpi, size, 100), 72), h = MulDiv(pageH, MulDiv(dpi, size, 100), 72);
    const int scale = std::max(1, std::min(MulDiv(half, 100, std::max(1, w)), MulDiv(sheetH, 100, std::max(1, h))));
    const int drawnH = MulDiv(h, scale, 100);
    return {scale, std::max(0, (sheetH - drawnH) / 2), half};
}
}  // namespace

void CZelView::PrintTwoUp(CDC* dc, CPrintInfo& info) {
    const int n = Pages(score);
    const int side = info.curPage - 1;
    int first, second;
    TwoUpPages(n, side, g_view.print.oddOnly, g_view.print.evenOnly, first, second);
    const int dpi = dc->GetDeviceCaps(LOGPIXELSX);
    const int size = std::max<int>(1, document->GetScoreSize());
    const HalfSheet h = FitHalf(dc, document->pageSetup.GetPaperWidth(), document->pageSetup.GetPaperHeight(), dpi, size);
    const int resolution = MulDiv(MulDiv(dpi, size, 100), h.scale, 100);
    const int across = std::max<int>(1, document->pagesAcross);
    const int column = tileCounter % across, row = tileCounter / across;
    if (++tileCounter >= tilesPerPage)
        tileCounter = 0;
    else
        --info.curPage;
    const POINT tile{column ? column * (document->pageSetup.GetPaperWidth() - kTwoUpOverlap) : 0,
                     row ? row * (document->pageSetup.GetPaperHeight() - kTwoUpOverlap) : 0};
    if (first >= 0) DrawPrintedPage(dc, first, resolution, POINT{0, h.top}, tile);
    if (second >= 0) DrawPrintedPage(dc, second, resolution, POINT{h.half, h.top}, tile);
    printedSides.push_back(PrintedSide{{first, second}, column, row});
}

void CZelView::PrintBooklet(CDC* dc, CPrintInfo& info) {
    const int n = Pages(score);
    int first, second;
    BookletPages(n, g_view.print.blankFirst, info.curPage - 1, first, second);
    const int dpi = dc->GetDeviceCaps(LOGPIXELSX);
    const int size = std::max<int>(1, document->GetScoreSize());
    const HalfSheet h = FitHalf(dc, document->pageSetup.GetPaperWidth(), document->pageSetup.GetPaperHeight(), dpi, size);
    const int resolution = MulDiv(MulDiv(dpi, size, 100), h.scale, 100);
    if (first >= 0) DrawPrintedPage(dc, first, resolution, POINT{0, h.top}, POINT{0, 0});
    if (second >= 0) DrawPrintedPage(dc, second, resolution, POINT{h.half, h.top}, POINT{0, 0});
    printedSides.push_back(PrintedSide{{first, second}, 0, 0});
}

bool CZelView::PrintPreview() {
    if (preview && preview->IsWindow()) return true;
    preview = std::make_unique<CPreviewWnd>();
    if (preview->Start(this)) return true;
    preview.reset();
    return false;
}

bool CZelView::PrintToPdf(const std::string& utf8Path, int dpi, bool showDialog) {
    printedSides.clear();
    CPrintInfo info;
    info.showDialog = showDialog;
    info.intoFile = true;
    if (!OnPreparePrinting(info)) return false;
    const int w = document->unscaledPageSetup.GetPaperWidth(), h = document->unscaledPageSetup.GetPaperHeight();
    CPrinterDC dc;
    if (!dc.CreatePdf(utf8Path, dpi, info.landscape ? h : w, info.landscape ? w : h, 0)) {
        RestorePaperSetting();
        return false;
    }
    fw::ScopedGlobal<bool> quirk(g_draw.laserJetQuirk);
    g_draw.laserJetQuirk = false;
    return RunPrint(dc, info);
}

bool CZelView::PrintPdfFile() {
    if (!document || !score) return false;
    std::string filter;
    fw::LoadStringResource(kPdfFilterString, filter);
    const std::string proposed = document->GetPlainTitle() + ".pdf";
    CFileDialog dialog(false, "pdf", proposed.c_str(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST,
                       filter.c_str());
    if (dialog.DoModal() != IDOK) return false;
    const std::string path = dialog.GetPathName().str();
    if (path.empty()) return false;
    // The pages as the PDF of the developer tools writes them, drawn at 100 % as every print is.
    const int zoom = document->GetZoom();
    if (zoom != 100) document->SetZoom(100, false);
    // The pages start from the drawing state of a program that has drawn nothing yet, not from
    // what the last paint of the screen left (its barlines' thin-line width).
    fw::ScopedGlobal<std::int16_t> thinLine(g_draw.thinLineWidth);
    g_draw.thinLineWidth = DrawGlobals{}.thinLineWidth;
    const bool written = PrintScoreToPdf(*score, fw::ToUtf8(path), g_view.pdfCalls);
    if (zoom != 100) document->SetZoom(zoom, false);
    document->RecalcPageGeometry(true, true);
    InvalidatePanes();
    if (!written) Tell(kCannotWriteString, path);
    return written;
}

bool CZelView::PrintToPrinter(bool showDialog) {
    printedSides.clear();
    CPrintInfo info;
    info.showDialog = showDialog;
    if (!OnPreparePrinting(info)) return false;
    if (info.toPdf) return PrintPdfFile();
    if (info.device.empty() && fw::PrinterNames().empty()) {
        // A direct print with no printer on the system: the print dialog offers the PDF file.
        RestorePaperSetting();
        Tell(kNoPrinterString, std::string());
        return false;
    }
    CPrinterDC dc;
    if (!dc.CreatePrinter(fw::ToUtf8(info.device))) {
        RestorePaperSetting();
        Tell(kCannotOpenPrinterString, info.device);
        return false;
    }
    dc.SetLandscape(info.landscape);
    dc.SetCopies(info.copies);
    fw::ScopedGlobal<bool> quirk(g_draw.laserJetQuirk);
    g_draw.laserJetQuirk = document->printer ? document->printer->IsLaserJetPrinter()
                                             : info.device.find(kLaserJet) != std::string::npos;
    return RunPrint(dc, info);
}

bool CZelView::RunPrint(CPrinterDC& dc, CPrintInfo& info) {
    if (!dc.StartDoc("zelmarin")) {
        RestorePaperSetting();
        return false;
    }
    OnBeginPrinting(&dc, info);
    const int first = std::clamp(info.fromPage > 0 ? info.fromPage : info.minPage, info.minPage, info.maxPage);
    const int last = std::clamp(info.toPage > 0 ? info.toPage : info.maxPage, first, info.maxPage);
    info.toPage = last;
    bool ok = true;
    for (info.curPage = first; info.curPage <= last; ++info.curPage) {
        info.continuePrinting = true;
        OnPrepareDC(&dc, &info);
        if (!info.continuePrinting) break;
        ok = dc.StartPage() && ok;
        OnPrint(&dc, info);
        ok = dc.EndPage() && ok;
        if (!info.continuePrinting || info.curPage >= last) break;
    }
    OnEndPrinting(&dc, info);
    return dc.EndDoc() && ok;
}
