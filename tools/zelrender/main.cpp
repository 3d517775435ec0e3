// zelrender FILE --page N OUT.png [--zoom Z] [--ops LOG] [--display D]: draws page N (from 1) of
// a score into a picture and prints "page N: S systems, P inked pixels"; --ops writes the recorded
// drawing calls, one a line; --display D draws notes in performance display mode D (0 notation,
// 1-3 time bars); --data K shows the MIDI data values of kind K (2 velocities, 3 controllers, ...)
// as the MIDI data box shows them. zelrender FILE --pdf OUT.pdf [--ops LOG] prints every page into a
// PDF file through the printing artist; --ops then writes the drawing calls sent to its pages.
// zelrender FILE --page N --hits OUT.png draws the page faintly and colours every fourth point by
// what lies under it, asked in a page's order, and prints "kind K: N points" for each kind found.
// --chorddefs SCRIPT gives the chord library the definitions of the script's chorddef lines.
// --notenames german draws chord names as the German-naming preference does (B as H, B flat as B).
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <cstdlib>
#include <cstring>

#include "ChordDefinitions.h"
#include <fstream>
#include <string>
#include <vector>

#include "ToolScore.h"
#include "framework/DC.h"
#include "framework/Gdi.h"
#include "framework/MusicFont.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreFile.h"
#include "model/ScoreHit.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "notation/NotationGlobals.h"
#include "platform/Port.h"
#include "platform/Theory.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: zelrender FILE --page N OUT.png [--zoom Z] [--ops LOG] [--display D] [--data K] [--chorddefs SCRIPT] [--notenames german]\n"
                 "       zelrender FILE --page N --hits OUT.png [--zoom Z]\n"
                 "       zelrender FILE --pdf OUT.pdf [--ops LOG]\n");
    return 2;
}

bool ParseInt(const char* text, int low, int high, int* out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!end || *end != 0 || v < low || v > high) return false;
    *out = int(v);
    return true;
}

// Pixels that are not white.
long InkedPixels(const CBitmap& picture) {
    const SIZE size = picture.GetSize();
    long n = 0;
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x)
            if ((picture.GetPixel(x, y) & 0xFFFFFF) != 0xFFFFFF) ++n;
    return n;
}

// Lays the score out again at a zoom (percent): page rectangles, staff sizes and systems.
void LayOutAtZoom(CScore& score, CZelDoc& doc, int zoom) {
    const int old = doc.GetZoom();
    if (zoom == old || zoom <= 0 || old <= 0) return;
    doc.zoom = std::int16_t(zoom);
    const auto scale = [&](RECT r) {
        return RECT{r.left * zoom / old, r.top * zoom / old, r.right * zoom / old, r.bottom * zoom / old};
    };
    for (int p = 0; p < score.GetPageCount(); ++p) {
        CPage* page = score.GetPage(p);
        page->SetPaperRect(scale(page->GetPaperRect()));
        page->SetPrintableRect(scale(page->GetPrintableRect()));
    }
    for (int k = 0; k < score.GetLineCount(); ++k) {
        CLine* line = score.GetLine(k);
        for (int i = 0; line->GetStaffArray() && i < line->GetStaffArray()->GetCount(); ++i)
            line->GetStaff(i)->UpdateSpacing();
        line->Relayout();
        line->MeasureHeader();
        line->Justify();
    }
}

// The map of what lies under every fourth point over the page drawn faintly; prints the count
// of points of each kind found.
void ColourHits(CScore& score, int pageIndex, CBitmap& picture) {
    constexpr int kStep = 4;
    // Kinds 1-11: item, bar, bracket, handle, name, staff, title, time signature, key, clef,
    // time-signature area.
    static const COLORREF kColours[12] = {0,        0x0000E0, 0xE00000, 0x00A000, 0xC000C0, 0x00A0C0,
                                          0x808000, 0x0060FF, 0xFF8000, 0x8000FF, 0x00C080, 0x804000};
    const SIZE size = picture.GetSize();
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x) {
            const COLORREF c = picture.GetPixel(x, y);
            const auto faint = [](int v) { return 255 - (255 - v) / 4; };
            picture.SetPixel(x, y, RGB(faint(GetRValue(c)), faint(GetGValue(c)), faint(GetBValue(c))));
        }
    // Measuring (brackets, names) asks a port, as a page pane gives one.
    CBitmap scratch;
    scratch.CreateBitmap(size.cx, size.cy);
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SelectObject(&scratch);
    PushPort(&dc);
    const std::vector<std::uint8_t> map = MapPageHits(score, pageIndex, kStep);
    PopPort();
    const int across = (size.cx + kStep - 1) / kStep;
    long counts[256] = {};
    for (std::size_t i = 0; i < map.size(); ++i) {
        const int kind = map[i];
        ++counts[kind];
        if (kind == 0) continue;
        const int x = int(i % std::size_t(across)) * kStep, y = int(i / std::size_t(across)) * kStep;
        const COLORREF c = kind < 12 ? kColours[kind] : 0;
        for (int dy = 0; dy < 2 && y + dy < size.cy; ++dy)
            for (int dx = 0; dx < 2 && x + dx < size.cx; ++dx) picture.SetPixel(x + dx, y + dy, c);
    }
    for (int k = 1; k < 256; ++k)
        if (counts[k]) std::printf("kind %d: %ld points\n", k, counts[k]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return Usage();
    const std::string path = argv[1];
    int pageNumber = 0, zoom = 100;
    std::string png, pdf, ops, chordDefs;
    int noteNames = 0;  // the note-name style chords are drawn in
    bool hits = false;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--page" && i + 2 < argc) {
            if (!ParseInt(argv[++i], 1, 32767, &pageNumber)) return Usage();
            if (std::string(argv[i + 1]) == "--hits") {
                if (i + 2 >= argc) return Usage();
                ++i;
                hits = true;
            }
            png = argv[++i];
        } else if (arg == "--zoom" && i + 1 < argc) {
            if (!ParseInt(argv[++i], 25, 800, &zoom)) return Usage();
        } else if (arg == "--ops" && i + 1 < argc) {
            ops = argv[++i];
        } else if (arg == "--display" && i + 1 < argc) {
            int mode = 0;
            if (!ParseInt(argv[++i], 0, 3, &mode)) return Usage();
            g_notation.performanceDisplay = std::uint8_t(mode);
        } else if (arg == "--data" && i + 1 < argc) {
            int kind = 0;
            if (!ParseInt(argv[++i], 0, 8, &kind)) return Usage();
            g_model.dataView.kind = std::uint8_t(kind);
            g_model.dataDisplayKind = std::uint8_t(kind);
        } else if (arg == "--chorddefs" && i + 1 < argc) {
            chordDefs = argv[++i];
        } else if (arg == "--notenames" && i + 1 < argc) {
            const std::string style = argv[++i];
            if (style != "german" && style != "standard") return Usage();
            noteNames = style == "german" ? CTheory::kGerman : 0;
        } else if (arg == "--pdf" && i + 1 < argc) {
            pdf = argv[++i];
        } else {
            return Usage();
        }
    }
    if (png.empty() == pdf.empty()) return Usage();
    fw::EnsureGraphics();
    InitDrawing();
    if (!fw::MusicFontAvailable()) std::fprintf(stderr, "zelrender: no music font found (run scripts/setup.sh)\n");
    std::unique_ptr<tools::ToolScore> s;
    try {
        if (!chordDefs.empty()) tools::AddChordDefinitionsFrom(chordDefs);
        s = tools::ReadScore(path);
    } catch (const tools::ToolError& e) {
        std::fprintf(stderr, "zelrender: %s\n", e.what());
        return 1;
    }
    // The preference, as the preferences sheet sets it.
    g_preferences.SetByte(Preferences::kNoteNameType, std::uint8_t(noteNames));
    CScore& score = *s->score;
    const auto writeOps = [&](const std::vector<std::string>& calls) {
        std::ofstream log(ops);
        for (const std::string& line : calls) log << line << '\n';
        if (log) return true;
        std::fprintf(stderr, "zelrender: cannot write %s\n", ops.c_str());
        return false;
    };
    if (!pdf.empty()) {
        std::vector<std::string> printed;
        if (!PrintScoreToPdf(score, pdf, ops.empty() ? nullptr : &printed)) {
            std::fprintf(stderr, "zelrender: cannot write %s\n", pdf.c_str());
            return 1;
        }
        if (!ops.empty() && !writeOps(printed)) return 1;
        std::printf("%s: %d pages\n", pdf.c_str(), score.GetPageCount());
        return 0;
    }
    if (pageNumber > score.GetPageCount()) {
        std::fprintf(stderr, "zelrender: the score has %d pages\n", score.GetPageCount());
        return 1;
    }
    LayOutAtZoom(score, *s->doc, zoom);
    CPage* page = score.GetPage(pageNumber - 1);
    CBitmap picture;
    std::vector<std::string> calls;
    if (!DrawPageToPicture(page, picture, ops.empty() ? nullptr : &calls) || !picture.SavePng(png)) {
        std::fprintf(stderr, "zelrender: cannot write %s\n", png.c_str());
        return 1;
    }
    if (!ops.empty() && !writeOps(calls)) return 1;
    if (hits) {
        ColourHits(score, pageNumber - 1, picture);
        if (!picture.SavePng(png)) {
            std::fprintf(stderr, "zelrender: cannot write %s\n", png.c_str());
            return 1;
        }
        return 0;
    }
    std::printf("page %d: %d systems, %ld inked pixels\n", pageNumber, page->GetSystemCount(), InkedPixels(picture));
    return 0;
}
