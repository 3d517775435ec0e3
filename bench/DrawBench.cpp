// Page drawing of a large score: a late page of 64 tracks x 1,000 bars, four quarter notes in
// every bar of every track, drawn into a memory port. The median of five drawings, in ms. With
// --lines every bar also holds a bend of two points and a glissando with its text; with
// --graphics a filled rectangle with a line style; with --chords a parenthesised chord symbol
// with its suffix and slash bass and a barred guitar frame with its name; with --text the same page in a score window:
// the text tool's click that opens the in-place text editor and the end of that (empty) entry,
// and a repaint of the page pane without and with the editor open.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/Gdi.h"
#include "model/ChordRecords.h"
#include "model/Graphic.h"
#include "model/ItemFactory.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/TieType.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "model/Bar.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TextTask.h"
#include "notation/NotationClasses.h"
#include "notation/Note.h"
#include "platform/DrawGlobals.h"
#include "platform/LibraryStandIns.h"
#include "platform/PlatformGlobals.h"
#include "platform/Port.h"
#include "framework/Clock.h"
#include "framework/UiTest.h"
#include "view/PagePane.h"
#include "view/ToolState.h"
#include "view/ZelView.h"
#include "view/ZelWnd.h"
#include <memory>

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

double Ms(std::chrono::steady_clock::time_point a) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - a).count();
}

// The late page in a score window: the text tool's click opening the editor, the end of the
// entry, and repaints of the pane without and with the editor open.
int TextEditorBench(CZelDoc& doc, int pageIndex) {
    fw::clocktest::SetManual(1000);
    fw::uitest::Session session;
    CScore* score = doc.GetScore();
    doc.location.arrangementMode = 0;
    doc.SetZoom(100, false);
    auto wnd = std::make_unique<CZelWnd>();
    if (!wnd->Create(nullptr, RECT{0, 0, 820, 620}, &doc)) {
        std::fprintf(stderr, "bench_draw: the score window could not be made\n");
        return 1;
    }
    fw::uitest::RunUntilIdle();
    doc.SetCurrentPage(pageIndex);
    fw::uitest::RunUntilIdle();
    CPagePane* pane = wnd->GetView()->GetPane(0);
    if (pane->GetPageNumber() != pageIndex) {
        pane->SetPageNumber(pageIndex);
        pane->InvalidateAll();
        fw::uitest::RunUntilIdle();
    }
    CPage* page = score->GetPage(pane->GetPageNumber());
    CLine* line = page && page->GetSystemCount() > 0 ? page->GetLine(0) : nullptr;
    CStaff* staff = line ? line->GetStaff(0) : nullptr;
    if (!staff) return 1;
    const RECT paper = page->GetPaperRect();
    const int x = line->GetRect().left + 40 - paper.left;
    const int y = staff->PositionToY(12) - paper.top;
    g_toolState.tool = ToolState::kText;
    g_toolState.button = 0;
    RECT client{};
    pane->GetClientRect(&client);
    std::vector<double> open, close, plain, withEditor;
    for (int run = 0; run < 5; ++run) {
        auto a = std::chrono::steady_clock::now();
        pane->RedrawRect(client);
        plain.push_back(Ms(a));
        fw::uitest::Move(pane, x + 3 + run, y + 2);
        fw::uitest::RunUntilIdle();
        fw::uitest::Move(pane, x, y);
        fw::uitest::Click(pane, x, y);
        a = std::chrono::steady_clock::now();
        fw::uitest::RunUntilIdle();
        open.push_back(Ms(a));
        if (!doc.textTask) {
            std::fprintf(stderr, "bench_draw: the click opened no editor\n");
            return 1;
        }
        a = std::chrono::steady_clock::now();
        pane->RedrawRect(client);
        withEditor.push_back(Ms(a));
        a = std::chrono::steady_clock::now();
        pane->CloseTextEditor();
        fw::uitest::RunUntilIdle();
        close.push_back(Ms(a));
        fw::clocktest::Advance(1000);
    }
    std::printf("Text editor on page %d of %d: click to open %.2f ms, end of entry %.2f ms; pane repaint %.2f ms "
                "without, %.2f ms with the editor open\n",
                pane->GetPageNumber() + 1, score->GetPageCount(), Median(open), Median(close), Median(plain),
                Median(withEditor));
    wnd.reset();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool lines = argc > 1 && std::string(argv[1]) == "--lines";
    const bool graphics = argc > 1 && std::string(argv[1]) == "--graphics";
    const bool text = argc > 1 && std::string(argv[1]) == "--text";
    const bool chords = argc > 1 && std::string(argv[1]) == "--chords";
    fw::EnsureGraphics();
    InitDrawing();
    RegisterTrackClass();
    RegisterNotationClasses();
    // The dominant seventh's definition: its "7" raised.
    CChordLib chordLib;
    g_platform.chordLib = &chordLib;
    {
        alignas(8) std::uint8_t record[CSuffix::kHeadSize + SuffixElement::kSize] = {};
        rec::Put<std::int16_t>(record, rec::kSize, std::int16_t(CSuffix::kHeadSize));
        auto* d = CSuffix::Of(reinterpret_cast<CScoreItem*>(record));
        d->SetKey(1169);
        SuffixElement e{};
        FontRef f = g_draw.standardFontRefs[0];
        f.size = 9;
        e.SetFont(f);
        e.SetCode(16);
        e.SetDy(-60);
        d->AppendElement(e);
        chordLib.AddDefinition(record, d->RecordSizeField());
    }
    CZelDoc doc;
    std::unique_ptr<CScore> own = text ? nullptr : std::make_unique<CScore>(&doc);
    CScore& score = text ? *doc.GetScore() : *own;
    if (!score.BuildSkeleton(1000, 64)) {
        std::fprintf(stderr, "bench_draw: the score could not be built\n");
        return 1;
    }
    for (int t = 0; t < score.GetTrackCount(); ++t)
        for (int b = 0; b < score.GetBarCount(); ++b) {
            CTrkBar* tb = score.GetTrkBar(t, b);
            for (int q = 0; q < 4; ++q) {
                auto* note = static_cast<CNote*>(tb->NewItem(CNote::kType, q * 480));
                if (!note) continue;
                note->SetHeadCountField(1);
                note->SetNoteValue(3);
                note->SetPositionField(std::int16_t(q * 256));
                note->Head(0)->SetPosition(q - 2);
            }
            if (graphics) {
                tb->SetCurrent();
                alignas(8) std::uint8_t graphicBytes[CGraphic::kSize] = {};
                rec::Put<std::int16_t>(graphicBytes, rec::kSize, std::int16_t(CGraphic::kSize));
                auto* g = static_cast<CGraphic*>(ConstructItem(CGraphic::kRectType, graphicBytes));
                g->InitNew(0, 0, 100);
                g->SetFlags(CGraphic::kFilled);
                g->SetLineStyle(1);
                g->SetLineWidth(20);
                g->SetStartDy(-360);
                g->SetEndPosition(600);
                g->SetEndDy(-120);
                tb->InsertCopy(g);
            }
            if (chords) {
                tb->SetCurrent();
                alignas(8) std::uint8_t chordBytes[CChord::kSize] = {};
                rec::Put<std::int16_t>(chordBytes, rec::kSize, std::int16_t(CChord::kSize));
                auto* c = static_cast<CChord*>(static_cast<CBarItem*>(ConstructItem(CChord::kType, chordBytes)));
                c->CBarItem::InitNew(0, 0, 0);
                c->InitNew(1169, 4, CChord::kNoAccidental, 6, CChord::kNoAccidental, true, false);
                c->SetParenthesised(true);
                tb->InsertCopy(c);
                alignas(8) std::uint8_t frameBytes[CGuitarFrame::kSize] = {};
                rec::Put<std::int16_t>(frameBytes, rec::kSize, std::int16_t(CGuitarFrame::kSize));
                auto* f = static_cast<CGuitarFrame*>(static_cast<CBarItem*>(ConstructItem(CGuitarFrame::kType, frameBytes)));
                f->CBarItem::InitNew(0, 960, 512);
                f->InitDefault();
                f->SetName("F7");
                f->SetRoot(7);
                const int frets[6] = {1, 1, 2, 1, 3, 1};
                for (int k = 0; k < 6; ++k) {
                    f->SetStringFret(k, frets[k]);
                    f->SetBarreFret(k, 1);
                    f->SetFinger(k, k % 4 + 1);
                }
                f->SetParenthesised(true);
                tb->InsertCopy(f);
            }
            if (!lines) continue;
            tb->SetCurrent();
            alignas(8) std::uint8_t bytes[CBend::kPoints + 2 * CBend::kPointSize] = {};
            rec::Put<std::int16_t>(bytes, rec::kSize, std::int16_t(CBend::kSize));
            auto* bend = static_cast<CBend*>(ConstructItem(CBend::kType, bytes));
            bend->InitNew(0, 0, 0);
            bend->SetKind(5);
            bend->SetEndLabel(2);
            bend->SetEndPositionField(256);
            bend->AppendPoint(85, -360);
            bend->AppendPoint(170, -360);
            tb->InsertCopy(bend);
            alignas(8) std::uint8_t glissBytes[CGlissando::kSize] = {};
            rec::Put<std::int16_t>(glissBytes, rec::kSize, std::int16_t(CGlissando::kSize));
            auto* gliss = static_cast<CGlissando*>(ConstructItem(CGlissando::kType, glissBytes));
            gliss->InitNew(0, 960, 512);
            gliss->SetEndPositionField(768);
            gliss->SetEndY(1);
            gliss->SetWaveSize(8);
            gliss->SetShowsText(true);
            gliss->SetText("gliss.");
            tb->InsertCopy(gliss);
        }
    score.RecalcLayout(0);
    const int pageIndex = std::max(0, score.GetPageCount() - 2);
    if (text) return TextEditorBench(doc, pageIndex);
    CPage* page = score.GetPage(pageIndex);
    std::vector<double> times;
    long systems = page ? page->GetSystemCount() : 0;
    for (int run = 0; run < 5 && page; ++run) {
        CBitmap picture;
        const auto start = std::chrono::steady_clock::now();
        DrawPageToPicture(page, picture);
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("DrawPage, 64 tracks x 1000 bars%s, page %d of %d (%ld systems): %.2f ms\n",
                lines      ? " with a bend and a glissando per bar"
                : graphics ? " with a graphic per bar"
                : chords   ? " with a chord symbol and a guitar frame per bar"
                           : "",
                pageIndex + 1,
                score.GetPageCount(), systems, times.empty() ? 0.0 : times[times.size() / 2]);
    return 0;
}
