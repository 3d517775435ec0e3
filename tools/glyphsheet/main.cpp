// glyphsheet DIR: writes DIR/glyphs.png (every music character the program draws, labelled
// with its code), DIR/shapes.png (bar lines, staff lines, brace, ties, beams, lines, frames and
// fills at zoom 100 and 200), DIR/keys.png (every key signature on every clef) and DIR/sheet.pdf (the same through the printing artist: the glyph sheet as wide as the page over as many pages as it needs, then the shapes).
// glyphsheet --strips DIR: writes every image strip of the program's strip table as
// DIR/<id>.png and all of them, labelled by id, as DIR/strips.png.
#include <algorithm>
#include <cstdio>
#include <string>

#include "Sheets.h"
#include "Strips.h"
#include "framework/DC.h"
#include "framework/File.h"
#include "framework/MusicFont.h"
#include "platform/Artist.h"
#include "platform/Port.h"
#include "platform/PrArtist.h"

namespace {

bool DrawToPng(const std::string& path, int w, int h, void (*draw)(CArtist&, int), int arg) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap bmp;
    if (!bmp.CreateBitmap(w, h)) return false;
    dc.SelectObject(&bmp);
    PushPort(&dc);
    draw(*GetArtist(), arg);
    PopPort();
    return bmp.SavePng(path);
}

}  // namespace

constexpr const char* kUsage = "usage: glyphsheet DIR | glyphsheet --strips DIR\n";

int main(int argc, char** argv) {
    const std::string first = argc >= 2 ? argv[1] : "";
    if (first == "--help" || first == "-h") {
        std::printf("%s", kUsage);
        return 0;
    }
    const bool strips = argc >= 3 && first == "--strips";
    // A folder is never named by an option: anything else that starts with "-" is a mistake.
    const bool badOption = !first.empty() && first[0] == '-' && !strips;
    if (argc < 2 || argc > 3 || (argc == 3 && !strips) || badOption) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    std::string dir = argv[strips ? 2 : 1];
    fw::MakeFolders(dir);
    InitDrawing();
    if (!fw::MusicFontAvailable()) {
        std::fprintf(stderr, "glyphsheet: no music font found (run scripts/setup.sh)\n");
        if (strips) return 1;
    }
    if (strips) {
        if (!WriteImageStrips(dir)) return 1;
        std::printf("%s/strips.png and one picture per strip\n", dir.c_str());
        return 0;
    }

    int w, h;
    GlyphSheetSize(&w, &h);
    bool ok = DrawToPng(dir + "/glyphs.png", w, h, [](CArtist& a, int) { DrawGlyphSheet(a); }, 0);
    int w1, h1, w2, h2;
    ShapeSheetSize(100, &w1, &h1);
    ShapeSheetSize(200, &w2, &h2);
    ok = DrawToPng(dir + "/shapes.png", w2, h1 + h2, [](CArtist& a, int) {
             int w100, h100;
             ShapeSheetSize(100, &w100, &h100);
             DrawShapeSheet(a, 100);
             a.SetWindowOrg(0, -h100);
             DrawShapeSheet(a, 200);
             a.SetWindowOrg(0, 0);
         }, 0) && ok;

    int wk, hk;
    KeySheetSize(&wk, &hk);
    ok = DrawToPng(dir + "/keys.png", wk, hk, [](CArtist& a, int) { DrawKeySheet(a); }, 0) && ok;

    // The printed sheets, the same calls through the printing artist: the glyph sheet as wide as
    // the page, its rows over as many pages as they need, then the shapes at 600 dpi.
    CPrinterDC pdc;
    pdc.CreatePdf(dir + "/sheet.pdf", 600, 0, 0, 18);
    if (pdc.StartDoc("glyphsheet")) {
        CPrArtist printer;
        printer.InitColorTable();
        CArtist* screen = GetArtist();
        SetArtist(&printer);
        PushPort(&pdc);
        const int dpi = std::min(600, pdc.GetDeviceCaps(HORZRES) * 72 / w);
        const int row = GlyphSheetRowHeight();
        const int rows = std::max(1, (pdc.GetDeviceCaps(VERTRES) * 72 / dpi - 10) / row);
        printer.SetPrinterResolution(dpi, dpi);
        for (int top = 0; top + 10 < h; top += rows * row) {
            pdc.StartPage();
            printer.SetWindowOrg(0, top);
            printer.PushClip();
            printer.SetClipRect(RECT{0, top + 9, w, top + 9 + rows * row});
            DrawGlyphSheet(printer);
            printer.PopClip();
            pdc.EndPage();
        }
        printer.SetPrinterResolution(600, 600);
        printer.SetWindowOrg(0, 0);
        pdc.StartPage();
        DrawShapeSheet(printer, 100);
        pdc.EndPage();
        PopPort();
        SetArtist(screen);
        ok = pdc.EndDoc() && ok;
    } else {
        ok = false;
    }
    std::printf("%s/glyphs.png, %s/shapes.png, %s/keys.png, %s/sheet.pdf\n", dir.c_str(), dir.c_str(), dir.c_str(),
                dir.c_str());
    return ok ? 0 : 1;
}
