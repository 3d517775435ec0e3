// The score view: a 32-bit scroll view whose client area holds one page pane per page of the
// score, laid out one at a time, side by side or one below another, with the rulers and their
// corner along the score window's top and left edges. It places the panes (parking those of
// far-away blocks when a page row is longer than window coordinates can hold), scrolls, turns
// keys into the document's characters, paints the gaps between pages and prints.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/ViewInterface.h"
#include "platform/ScrollView32.h"
#include "view/ViewPrint.h"

class CZelDoc;
class CScore;
class CPagePane;
class CRuler;
class CZelWnd;
class CPrinterDC;
class CPreviewWnd;
struct ScoreLocation;

class CZelView : public CScrollView32, public CZelViewBase {
public:
    static constexpr int kRulerSize = 16;      // the rulers' and the corner's thickness
    static constexpr int kPageGap = 6;         // before the first page and between pages
    static constexpr int kMaxBlock = 30000;    // no pane lies further out than this
    static constexpr int kParked = -16384;     // where the panes of other blocks wait
    static constexpr int kGapColor = 10;       // the colour of the strips between pages

    CZelView();
    ~CZelView() override;
    // The score's document: it takes the commands the view does not.
    CDocument* GetDocument() const override;

    // Pages per block for an arrangement mode and a page size in pixels.
    static int PagesPerBlock(int mode, int pageWidth, int pageHeight);

    // Binds the view to its document (and the score window holding it, null when none): links
    // them, makes the rulers and lays the panes out.
    void AttachDocument(CZelDoc* doc, CZelWnd* frame);
    void OnInitialUpdate() override;
    // The score window was activated: the application's current document becomes this view's.
    void OnActivateView(BOOL activate, CView* activateView, CView* deactivateView) override;
    // Positions the page panes; false when a pane could not be made.
    bool LayoutPanes();
    void ShowPage(int page);
    void SetTotalSize();
    CPagePane* GetPane(int i) const;
    CPagePane* GetShownPane(int page) const;
    CPagePane* GetVisiblePane(int page) const;
    int GetPaneCount() const { return int(panes.size()); }
    void InvalidatePanes();
    void ScrollToPosition(POINT pt) override;
    // One step of scrolling while a drag nears the edge; true when the view scrolled.
    bool AutoScroll(POINT pt);
    // Scrolls while the left button is down, against each move of the pointer (the hand tool
    // outside a page's frame); every step shows at once.
    void HandScroll();
    BOOL OnScroll(UINT scrollCode, UINT pos, BOOL doScroll = TRUE) override;
    // Scroll bars, keys and the wheel scroll through ScrollToPosition, so that a long row or
    // column of pages changes blocks whichever way it scrolls.
    BOOL OnScrollBy(SIZE scrollSize, BOOL doScroll = TRUE) override;
    void CalcWindowRect(RECT* rect, bool adjustOutside) override;
    // The rulers: shown or hidden, their marks at the pointer (or cleared), repainted.
    void ShowRulers(bool on) override;
    void UpdateRulerMarks(bool show, POINT viewPoint = POINT{});
    void RedrawRulers();
    // Where the page area lies: the whole rectangle in view coordinates.
    RECT GetTotalRect() const { return totalRect; }
    // The part of the page area shown, in view coordinates.
    RECT GetVisibleRect() const;
    // --- printing (ViewPrint.cpp) ---
    bool OnPreparePrinting(CPrintInfo& info);
    void OnBeginPrinting(CDC* dc, CPrintInfo& info);
    void OnPrepareDC(CDC* dc, void* printInfo = nullptr) override;
    void OnPrint(CDC* dc, CPrintInfo& info);
    void OnEndPrinting(CDC* dc, CPrintInfo& info);
    void PrintPage(CDC* dc, CPrintInfo& info);
    void PrintTwoUp(CDC* dc, CPrintInfo& info);
    void PrintBooklet(CDC* dc, CPrintInfo& info);
    // The print command's run into a PDF file at a resolution: prepare, begin, each side
    // (prepare the context, print), end. False when the file cannot be made or the run was
    // refused.
    // With showDialog the print dialog comes first (its printer and copies do not reach a file).
    bool PrintToPdf(const std::string& utf8Path, int dpi = 600, bool showDialog = false);
    // The same run on the current printer (the score's own), the print dialog first with
    // showDialog; false without a printer or when the dialog is cancelled.
    bool PrintToPrinter(bool showDialog);
    // The print dialog's PDF file: asks for the file's name and writes every page to it as the
    // developer tools' PDF does; false when cancelled or not written (the user is told why).
    bool PrintPdfFile();
    // The print preview over the score window (ViewPreview.h); false when nothing can be shown.
    bool PrintPreview();
    CPreviewWnd* GetPreview() const { return preview.get(); }
    // What the last run put on each side, in order.
    std::vector<PrintedSide> printedSides;

    // The document's periodic tick (a timer of 1/60 s): the current pane's tick.
    static constexpr UINT_PTR kTickTimer = 1;
    // The tick runs 60 times a second while playback runs or the pointer is over a page, else
    // twice in each blink of the caret.
    void OnTick();
    void SetTickInterval(UINT ms);
    UINT tickMs = 0;
    // Every score window's tick at 60 a second (playback has started).
    static void QuickenTicks();

    // A typed character on its way to the numeric field, the document or the application.
    void CharPath(UINT ch, UINT flags);

    // --- the document's side ---
    SIZE GetClientSize() const override;
    // In the one-page arrangement of a score of several pages, the position inside the page shown.
    POINT GetScrollPosition() const override;
    RECT GetScrollRange() const override;
    void ScrollTo(POINT position) override { ScrollToPosition(position); }
    void PositionPanes() override { LayoutPanes(); }
    void Invalidate() override { CWnd::Invalidate(); }
    void Update() override { UpdateWindow(); }
    CPagePaneBase* GetPagePane(int page) override;
    CPagePaneBase* GetSinglePane() override;
    void TitleChanged() override;
    bool GetWindowPlacement(bool& maximised, RECT& rect) const override;
    void SetWindowPlacement(bool maximised, const RECT& rect) override;

    std::uint8_t rulersShown = 0;
    std::uint8_t rulersShownBeforePreview = 0;
    std::int32_t tileCounter = 0;
    std::int32_t tilesPerPage = 1;
    std::int32_t pageCount = 0;
    std::int32_t pageWidth = 0, pageHeight = 0;
    std::int32_t pagesPerBlock = 1;
    std::int32_t blockWidth = 0, blockHeight = 0;
    std::int32_t currentBlock = -1;
    CZelDoc* document = nullptr;
    CScore* score = nullptr;
    ScoreLocation* location = nullptr;
    CRuler* hRuler = nullptr;
    CRuler* vRuler = nullptr;
    CZelWnd* frame = nullptr;
    std::vector<std::unique_ptr<CPagePane>> panes;
    RECT totalRect{};
    // The one-page arrangement of a score of several pages lines its pages up along the vertical
    // scroll bar, each taking the range that scrolls it from top to bottom (pageStep positions;
    // 0 when the bar holds one page), so that the bar and End reach every page. pageScrollY is
    // the position inside the page shown.
    std::int32_t pageStep = 0;
    std::int32_t pageScrollY = 0;

protected:
    void OnKeyDown(UINT vk, UINT repeat, UINT flags) override;
    void OnChar(UINT ch, UINT repeat, UINT flags) override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnDraw(CDC* dc) override;
    void OnTimer(UINT_PTR id) override;

    void OnSize(UINT type, int cx, int cy) override;

private:
    int Mode() const;
    // One-page arrangement: the page shown becomes page (the document's current page too).
    void ShowSinglePage(int page);
    // Draws a page through the printing artist at a resolution (pixels per inch of page units)
    // with the page's top-left at a device offset.
    void DrawPrintedPage(CDC* dc, int page, int resolution, POINT deviceOffset, POINT pageOffset);
    int printZoomSaved = 0;
    std::unique_ptr<CPreviewWnd> preview;
    // The run itself on a printer context made for it.
    bool RunPrint(CPrinterDC& dc, CPrintInfo& info);
    // The printer's paper setting as it was before a two-page layout turned it.
    void RestorePaperSetting();
    // Puts the panes of a block at their places (the others parked).
    void PlaceBlock(int block, int offsetInBlock, POINT scroll);
    void ParkHiddenPanes();
};
