// Printing the score view: the print run's information, the layouts of sheet sides (one page
// per side with tiles and odd or even pages, two pages per side, a folded booklet) and the
// questions a manual duplex run asks.
#pragma once
#include <string>

#include "framework/Types.h"
#include <vector>

class CDC;

// What a print run knows about its sides, counted from 1.
struct CPrintInfo {
    int minPage = 1;
    int maxPage = 0;
    int curPage = 1;
    bool continuePrinting = true;
    bool preview = false;
    // Whether the print dialog is shown first (a direct print goes without it).
    bool showDialog = false;
    // The sides chosen in the dialog (0: from the first, to the last).
    int fromPage = 0, toPage = 0;
    // The printer (the program's code page), its copies, and whether the sheet lies sideways.
    std::string device;
    // The dialog's "PDF 文件" was chosen: the pages go to a file the user names.
    bool toPdf = false;
    // The run goes to a file of its own already (its dialog offers no PDF file).
    bool intoFile = false;
    int copies = 1;
    bool landscape = false;
};

// The two pages (indices from 0; outside 0..pageCount-1: a blank half) a booklet side prints,
// the left half first. Sides count from 0.
void BookletPages(int pageCount, bool blankFirst, int side, int& first, int& second);
// How many sheet sides a layout takes for pageCount pages.
int BookletSides(int pageCount, bool blankFirst);
int TwoUpSides(int pageCount);
// The pages a two-up side prints (side from 0; -1: that half stays blank), keeping only the
// pages of one parity when odd-only or even-only is chosen.
void TwoUpPages(int pageCount, int side, bool oddOnly, bool evenOnly, int& first, int& second);

// Where a printed page's window origin lies (page units): the page's paper rectangle, the tile's
// offset into the page (page units), where the page's corner goes on the sheet and the corner
// of what the printer can print (its hardware margins), both device pixels from the sheet's
// corner, at a resolution in pixels per inch of page units.
POINT PrintWindowOrigin(const RECT& paper, POINT tileOffset, POINT sheetOffset, POINT printableCorner, int resolution);

// What one printed sheet side held: the pages on it (from 0, -1 for a blank half) and the tile.
struct PrintedSide {
    std::vector<int> pages;
    int tileColumn = 0, tileRow = 0;
    bool operator==(const PrintedSide&) const = default;
};
