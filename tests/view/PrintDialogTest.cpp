// The print dialog's layout buttons and page range, the score's own printer, the printer's paper
// turned sideways for two pages on a sheet, and the printer's hardware margins.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ViewFixture.h"
#include "framework/Dialog.h"
#include "model/PageSetup.h"
#include "support/TestData.h"
#include "view/ViewGlobals.h"
#include "view/ViewPrint.h"
#include "view/ViewPrintDialog.h"

namespace {

namespace ui = fw::uitest;
using D = CMyPrintDialog;

// The layout buttons' checks, 3000 to 3006, as a string of 0s and 1s.
std::string Checks(CDialog& dlg) {
    std::string s;
    for (int id = D::kNormal; id <= D::kManualDuplex; ++id) s += dlg.IsDlgButtonChecked(id) ? '1' : '0';
    return s;
}

class PrintDialogTest : public ViewTest {
protected:
    std::string Pdf(const char* name) { return dir.path() + "/" + name; }
    testsupport::TempDir dir;
};

TEST_F(PrintDialogTest, LayoutButtonsKeepTheOptionsConsistent) {
    PrintOptions options{1, 1, 1, 1, 1, 1};
    D dialog(options);
    // As a run into a file of its own shows it: the machine may have no printer, and the PDF file
    // entry chosen then greys the layouts.
    dialog.offerPdf = false;
    EXPECT_EQ(options.booklet + options.twoUp + options.oddOnly + options.evenOnly, 0) << "cleared when made";
    struct Row {
        int press;
        const char* checks;  // normal, odd, even, booklet, inside, 2-up, duplex
        const char* why;
    } rows[] = {
        {0, "1000100", "manual duplex starts cleared; start on inside is kept from the last run"},
        {D::kOddPages, "1100100", "odd pages"},
        {D::kEvenPages, "1110100", "even pages too"},
        {D::kBooklet, "0001100", "a booklet clears odd and even"},
        {D::kNormal, "1000100", "normal afterwards keeps them cleared"},
        {D::kStartInside, "0001000", "start on inside chooses the booklet and toggles"},
        {D::kTwoUp, "0000010", "two-up leaves the booklet"},
        {D::kOddPages, "1100000", "a parity goes back to one page per side"},
        {D::kManualDuplex, "1100001", "manual duplex toggles on its own"},
    };
    std::vector<std::string> seen;
    ui::OnNextModal([&](CDialog& dlg) {
        for (const Row& r : rows) {
            if (r.press) ui::ClickControl(&dlg, r.press);
            ui::Call([&dlg, &seen] { seen.push_back(Checks(dlg)); });
        }
        ui::ClickControl(&dlg, IDCANCEL);
    });
    dialog.DoModal();
    ASSERT_EQ(seen.size(), std::size(rows));
    for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], rows[i].checks) << rows[i].why;
    EXPECT_EQ(options.oddOnly, 1);
    EXPECT_EQ(options.manualDuplex, 1);
    EXPECT_EQ(options.blankFirst, 0);
}

TEST_F(PrintDialogTest, ALandscapePrinterCannotTakeTwoPagesOnASheetAndThePrinterFrameGrows) {
    PrintOptions options;
    D dialog(options);
    dialog.landscape = true;
    bool bookletOn = true, twoUpOn = true;
    RECT frame{};
    ui::OnNextModal([&](CDialog& dlg) {
        bookletOn = dlg.GetDlgItem(D::kBooklet)->IsWindowEnabled();
        twoUpOn = dlg.GetDlgItem(D::kTwoUp)->IsWindowEnabled();
        dlg.GetDlgItem(D::kPrinterFrame)->GetWindowRect(&frame);
        ui::ClickControl(&dlg, IDCANCEL);
    });
    dialog.DoModal();
    EXPECT_FALSE(bookletOn);
    EXPECT_FALSE(twoUpOn);
    // The template's frame is 153 x 37 dialog units from (7, 4): 229 x 56 pixels at 6 x 12 per 4 x 8.
    EXPECT_EQ(frame.right - frame.left, 229 + 80);
    EXPECT_EQ(frame.bottom - frame.top, 56 + 10);
}

TEST_F(PrintDialogTest, TheDialogsChoicesDriveTheRun) {
    OpenFile(testsupport::TestDataPath("view/eight-pages.zel"), 1);
    struct Row {
        std::vector<int> presses;
        const char* from;  // null: all pages
        const char* to;
        std::vector<std::vector<int>> sides;
        const char* why;
    } rows[] = {
        {{D::kBooklet}, nullptr, nullptr, {{7, 0}, {1, 6}, {5, 2}, {3, 4}}, "a booklet"},
        {{D::kPageRange}, "3", "5", {{2}, {3}, {4}}, "pages 3 to 5"},
        {{D::kPageRange}, "7", "99", {{6}, {7}}, "a range past the end stops at the last page"},
        {{D::kTwoUp, D::kPageRange}, "2", "2", {{2, 3}}, "the second side of two-up"},
    };
    for (const Row& r : rows) {
        ui::OnNextModal([&](CDialog& dlg) {
            for (int id : r.presses) ui::ClickControl(&dlg, id);
            if (r.from) {
                ui::Call([&dlg, &r] {
                    dlg.SetDlgItemText(D::kFromPage, r.from);
                    dlg.SetDlgItemText(D::kToPage, r.to);
                });
            }
            ui::ClickControl(&dlg, IDOK);
        });
        ASSERT_TRUE(view->PrintToPdf(Pdf("chosen.pdf"), 600, true)) << r.why;
        std::vector<std::vector<int>> sides;
        for (const PrintedSide& s : view->printedSides) sides.push_back(s.pages);
        EXPECT_EQ(sides, r.sides) << r.why;
    }
    // Cancel prints nothing.
    ui::OnNextModal([](CDialog& dlg) { ui::ClickControl(&dlg, IDCANCEL); });
    EXPECT_FALSE(view->PrintToPdf(Pdf("cancelled.pdf"), 600, true));
    EXPECT_TRUE(view->printedSides.empty());
}

TEST_F(PrintDialogTest, TheScoresPrinterIsChosenAndItsPaperTurnsForTwoPagesOnASheet) {
    Open(4, 1);
    PrinterSettings* printer = doc->printer;
    ASSERT_NE(printer, nullptr);
    ASSERT_TRUE(printer->SelectDevice("Office Laser"));
    printer->SetPrintOrientation(0);
    g_view.currentPrinter = "Other";
    struct Row {
        PrintOptions options;
        bool turned;
        int sides;
    } rows[] = {{{0, 0, 0, 0, 0, 0}, false, 4}, {{1, 0, 0, 0, 0, 0}, true, 2}, {{0, 1, 0, 0, 0, 0}, true, 2}};
    for (const Row& r : rows) {
        g_view.print = r.options;
        CPrintInfo info;
        ASSERT_TRUE(view->OnPreparePrinting(info));
        EXPECT_EQ(info.device, "Office Laser") << "the score's own printer";
        EXPECT_EQ(g_view.currentPrinter, "Office Laser");
        EXPECT_EQ(info.landscape, r.turned);
        EXPECT_EQ(printer->GetPrintOrientation(), r.turned ? 1 : 0) << "sideways while the run goes";
        EXPECT_EQ(info.maxPage, r.sides);
        CDC dc;
        dc.CreateIC();
        view->OnBeginPrinting(&dc, info);
        view->OnEndPrinting(&dc, info);
        EXPECT_EQ(printer->GetPrintOrientation(), 0) << "upright again afterwards";
    }
    // A run that cannot start puts the paper back too.
    g_view.print = PrintOptions{1, 0, 0, 0, 0, 0};
    EXPECT_FALSE(view->PrintToPdf(dir.path() + "/missing/folder/out.pdf"));
    EXPECT_EQ(printer->GetPrintOrientation(), 0);
}

TEST(PrintOrigin, PagesLandOnTheSheetWhateverTheHardwareMargins) {
    // A page is drawn with its paper corner at the window origin; device pixel 0 is the corner of
    // what the printer can print.
    const RECT paper{0, 0, 612, 792};
    struct Row {
        POINT tile, sheet, printable;
        int resolution;
        POINT origin;
        const char* why;
    } rows[] = {
        {{0, 0}, {0, 0}, {0, 0}, 600, {0, 0}, "a sheet printed to its edges"},
        {{0, 0}, {0, 0}, {300, 150}, 600, {36, 18}, "margins of 36 and 18 points at 600 dpi"},
        {{0, 0}, {0, 0}, {300, 150}, 300, {72, 36}, "the same pixels at half the resolution"},
        {{540, 0}, {0, 0}, {300, 300}, 600, {576, 36}, "the second tile across"},
        {{0, 0}, {3300, 600}, {300, 300}, 600, {-360, -36}, "the right half of a sideways sheet"},
    };
    for (const Row& r : rows) {
        const POINT o = PrintWindowOrigin(paper, r.tile, r.sheet, r.printable, r.resolution);
        EXPECT_EQ(o.x, r.origin.x) << r.why;
        EXPECT_EQ(o.y, r.origin.y) << r.why;
    }
}

}  // namespace
