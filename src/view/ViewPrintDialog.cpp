// The print dialog: the system's printers, the page range and copies, and the layout buttons.
#include "view/ViewPrintDialog.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/CodePage.h"
#include "framework/DC.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"

namespace {
constexpr int kFrameWider = 80;   // pixels the printer frame grows when the dialog opens
constexpr int kFrameTaller = 10;
}  // namespace

CMyPrintDialog::CMyPrintDialog(PrintOptions& options) : CDialog(kTemplateId), options_(options) {
    options_.booklet = 0;
    options_.twoUp = 0;
    options_.oddOnly = 0;
    options_.evenOnly = 0;
    AddCommandRange(kNormal, kManualDuplex, [this](UINT id) { OnLayout(id); });
    AddCommand(kAllPages, [this] { CheckRadioButton(kAllPages, kPageRange, kAllPages); });
    AddCommand(kPageRange, [this] { CheckRadioButton(kAllPages, kPageRange, kPageRange); });
    AddNotify(kPrinterList, CBN_SELCHANGE, [this] { ShowForDestination(); });
}

BOOL CMyPrintDialog::OnInitDialog() {
    // Manual duplex, booklet and two-up start cleared; starting on the inside is kept from the
    // run before.
    options_.manualDuplex = 0;
    options_.booklet = 0;
    options_.twoUp = 0;
    // Two pages on a sheet need the paper upright.
    if (landscape) {
        if (CWnd* c = GetDlgItem(kBooklet)) c->EnableWindow(FALSE);
        if (CWnd* c = GetDlgItem(kTwoUp)) c->EnableWindow(FALSE);
    }
    ShowOptions();
    if (CWnd* frame = GetDlgItem(kPrinterFrame)) {
        RECT r;
        frame->GetWindowRect(&r);
        ScreenToClient(&r);
        frame->MoveWindow(r.left, r.top, r.right - r.left + kFrameWider, r.bottom - r.top + kFrameTaller);
    }

    int chosen = 0;
    const std::vector<std::string> names = fw::PrinterNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string name = fw::FromUtf8(names[i]);
        SendDlgItemMessage(kPrinterList, CB_ADDSTRING, 0, LPARAM(name.c_str()));
        if (name == device) chosen = int(i);
    }
    // Beside the printers, a PDF file: chosen when there is no printer, or when it was last.
    if (offerPdf) {
        std::string pdf;
        fw::LoadStringResource(kPdfEntryString, pdf);
        pdfIndex_ = int(names.size());
        SendDlgItemMessage(kPrinterList, CB_ADDSTRING, 0, LPARAM(pdf.c_str()));
        if (names.empty() || toPdf) chosen = pdfIndex_;
    }
    if (offerPdf || !names.empty()) SendDlgItemMessage(kPrinterList, CB_SETCURSEL, WPARAM(chosen));
    ShowForDestination();
    CheckRadioButton(kAllPages, kPageRange, allPages ? kAllPages : kPageRange);
    SetDlgItemInt(kFromPage, UINT(std::max(minPage, fromPage)));
    SetDlgItemInt(kToPage, UINT(std::clamp(toPage, minPage, std::max(minPage, maxPage))));
    SetDlgItemInt(kCopies, UINT(std::max(1, copies)));
    return CDialog::OnInitDialog();
}

void CMyPrintDialog::OnLayout(UINT id) {
    switch (id) {
    case kNormal:
    case kOddPages:
    case kEvenPages:
        options_.booklet = 0;
        options_.twoUp = 0;
        if (id == kOddPages) options_.oddOnly ^= 1;
        if (id == kEvenPages) options_.evenOnly ^= 1;
        break;
    case kBooklet:
    case kStartInside:
        options_.oddOnly = 0;
        options_.evenOnly = 0;
        options_.booklet = 1;
        options_.twoUp = 0;
        if (id == kStartInside) options_.blankFirst ^= 1;
        break;
    case kTwoUp:
        options_.oddOnly = 0;
        options_.evenOnly = 0;
        options_.twoUp = 1;
        options_.booklet = 0;
        break;
    case kManualDuplex: options_.manualDuplex ^= 1; break;
    default: return;
    }
    ShowOptions();
}

void CMyPrintDialog::ShowOptions() {
    CheckDlgButton(kNormal, !options_.booklet && !options_.twoUp);
    CheckDlgButton(kOddPages, options_.oddOnly);
    CheckDlgButton(kEvenPages, options_.evenOnly);
    CheckDlgButton(kBooklet, options_.booklet);
    CheckDlgButton(kStartInside, options_.blankFirst);
    CheckDlgButton(kTwoUp, options_.twoUp);
    CheckDlgButton(kManualDuplex, options_.manualDuplex);
}

bool CMyPrintDialog::PdfChosen() {
    return pdfIndex_ >= 0 && int(SendDlgItemMessage(kPrinterList, CB_GETCURSEL)) == pdfIndex_;
}

void CMyPrintDialog::ShowForDestination() {
    const BOOL printer = PdfChosen() ? FALSE : TRUE;
    for (int id : {kAllPages, kPageRange, kFromPage, kToPage, kCopies, kNormal, kOddPages, kEvenPages, kBooklet,
                   kStartInside, kTwoUp, kManualDuplex})
        if (CWnd* c = GetDlgItem(id)) c->EnableWindow(printer && !(landscape && (id == kBooklet || id == kTwoUp)));
}

void CMyPrintDialog::OnOK() {
    const int at = int(SendDlgItemMessage(kPrinterList, CB_GETCURSEL));
    if (at < 0 && offerPdf) {
        // Nothing to print to: the user is told, and the dialog stays.
        std::string why;
        fw::LoadStringResource(kNothingChosenString, why);
        AfxMessageBox(why.c_str(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    toPdf = at >= 0 && at == pdfIndex_;
    if (toPdf) {
        // A file holds every page, one a sheet, as they lie.
        options_.booklet = options_.twoUp = options_.oddOnly = options_.evenOnly = options_.manualDuplex = 0;
        allPages = true;
        copies = 1;
        CDialog::OnOK();
        return;
    }
    const int length = at >= 0 ? int(SendDlgItemMessage(kPrinterList, CB_GETLBTEXTLEN, WPARAM(at))) : -1;
    if (length >= 0) {
        std::string name(std::size_t(length) + 1, '\0');
        SendDlgItemMessage(kPrinterList, CB_GETLBTEXT, WPARAM(at), LPARAM(name.data()));
        name.resize(std::strlen(name.c_str()));
        device = name;
    }
    allPages = IsDlgButtonChecked(kPageRange) == 0;
    const int last = std::max(minPage, maxPage);
    BOOL ok = FALSE;
    const int from = int(GetDlgItemInt(kFromPage, &ok, FALSE));
    fromPage = ok ? std::clamp(from, minPage, last) : minPage;
    const int to = int(GetDlgItemInt(kToPage, &ok, FALSE));
    toPage = ok ? std::clamp(to, fromPage, last) : last;
    const int n = int(GetDlgItemInt(kCopies, &ok, FALSE));
    copies = ok ? std::max(1, n) : 1;
    CDialog::OnOK();
}
