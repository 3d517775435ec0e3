// The print dialog of the score view: the printer, the pages and the copies, and how pages are
// laid on the paper (one page per side with odd or even pages only, a folded booklet that may
// start on the inside, two pages per side, manual duplex). The layout choices live in the print
// options between runs.
#pragma once
#include <string>

#include "framework/Dialog.h"
#include "view/ViewGlobals.h"

class CMyPrintDialog : public CDialog {
public:
    static constexpr UINT kTemplateId = 343;
    enum : int {
        kNormal = 3000,
        kOddPages = 3001,
        kEvenPages = 3002,
        kBooklet = 3003,
        kStartInside = 3004,
        kTwoUp = 3005,
        kManualDuplex = 3006,
        kPrinterFrame = 1086,
        kPrinterList = 1136,
        kAllPages = 1056,
        kPageRange = 1058,
        kFromPage = 1152,
        kToPage = 1153,
        kCopies = 1154,
    };

    // Booklet, two-up, odd pages and even pages start cleared.
    explicit CMyPrintDialog(PrintOptions& options);

    // In: the printer (the program's code page; empty: the first the system has), whether its
    // paper lies landscape, and the pages (minPage to maxPage). Out, on OK: the printer chosen,
    // or toPdf when the entry after the system's printers, "PDF 文件", was (it is chosen when the
    // system has none, and writes every page to a file: pages, copies and layouts are greyed);
    // all pages or fromPage to toPage (within the pages), and the copies (at least 1). OK with
    // nothing chosen says why and keeps the dialog open.
    std::string device;
    bool toPdf = false;
    // Whether the list offers the PDF file (not when the run writes a file of its own).
    bool offerPdf = true;
    static constexpr UINT kPdfEntryString = 6061, kNothingChosenString = 6065;
    bool landscape = false;
    int minPage = 1, maxPage = 1;
    bool allPages = true;
    int fromPage = 1, toPage = 1;
    int copies = 1;

    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    // A layout button: the options change as the button says, then every button shows them.
    void OnLayout(UINT id);
    void ShowOptions();
    // The page, copy and layout controls are greyed while the PDF file is chosen.
    void ShowForDestination();
    bool PdfChosen();
    int pdfIndex_ = -1;
    PrintOptions& options_;
};
