// The document made in the test: creation and titles, page geometry and zoom, the insertion
// point and scrolling against a fake view, running edit operations and the undo list.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/ZelApp.h"
#include "framework/App.h"
#include "framework/Arith.h"
#include "framework/CmdUI.h"
#include "framework/CodePage.h"
#include "framework/Dialog.h"
#include "framework/DocTemplate.h"
#include "framework/Exceptions.h"
#include "framework/Globals.h"
#include "framework/Memory.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "framework/UiTest.h"
#include "framework/View.h"
#include "framework/Window.h"
#include "model/TextTask.h"
#include "model/Bar.h"
#include "model/EditTask.h"
#include "model/EngraverSettings.h"
#include "model/ModelGlobals.h"
#include "model/NewScore.h"
#include "model/Page.h"
#include "model/PageSetup.h"
#include "model/PlaybackHooks.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Tempo.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "platform/DrawGlobals.h"
#include "platform/FontMap.h"
#include "platform/PlatformGlobals.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "support/TempHome.h"

namespace {

// A printer whose page is what the test says (no printer: the fallback page).
class FakePrinter : public PrinterSystem {
public:
    bool present = false;
    PrinterCaps caps;
    bool GetDefaultPrinter(std::vector<std::uint8_t>* mode, std::string* driver, std::string* device,
                           std::string* port) override {
        if (!present) return false;
        mode->assign(220, 0);
        *device = "Fake";
        return true;
    }
    bool GetDeviceCaps(const PrinterSetup&, PrinterCaps* out) override {
        *out = caps;
        return present;
    }
};

struct Env {
    testsupport::TempHome home;
    FakePrinter printer;
    PrinterSystem* before = nullptr;
    Env() {
        fw::ResetAllGlobals();
        before = SetPrinterSystem(&printer);
        RegisterTrackClass();
        RegisterNotationClasses();
        InitDrawing();
    }
    ~Env() {
        SetPrinterSystem(before);
        fw::ResetAllGlobals();
    }
};

std::string utf8(const char* codePage) { return fw::ToUtf8(codePage); }

TEST(DocumentTest, ANewDocumentStartsAsTheProgramDefines) {
    Env env;
    g_preferences.Engraver().SetWord(EngraverSettings::kStaffSpacing, 777);
    auto doc = std::make_unique<CZelDoc>();
    EXPECT_EQ(doc->scoreSize, 85);
    EXPECT_EQ(doc->GetZoom(), 100);
    EXPECT_EQ(doc->fitMode, 0);
    EXPECT_EQ(doc->location.allVoices, 1);
    EXPECT_EQ(doc->location.words[0], 4);
    EXPECT_EQ(doc->location.words[1], 80);
    EXPECT_EQ(doc->location.words[2], 64);
    EXPECT_EQ(doc->version, 0x410);
    EXPECT_EQ(doc->redrawIntoTask, 1);
    EXPECT_NE(doc->GetScore(), nullptr);
    EXPECT_NE(doc->GetSelection(), nullptr);
    EXPECT_EQ(doc->engraver.GetWord(EngraverSettings::kStaffSpacing), 777);

    struct Title {
        int block;
        const char* text;  // UTF-8
        int size, style, kind, alignment, yOffset;
    } titles[] = {
        {0, "标题", 24, 1, 0, 1, 0},   {1, "注解", 12, 0, 1, 0, 0},   {2, "作者", 12, 0, 2, 2, 0},
        {3, "版权所有", 12, 0, 3, 1, -360}, {4, "", 12, 0, 4, 0, 0},  {5, "", 12, 0, 4, 2, 0},
        {6, "- #P -", 12, 0, 5, 1, 0}, {7, "", 12, 0, 5, 2, 0},
    };
    for (const Title& t : titles) {
        const TitleBlock& b = doc->titles[t.block];
        EXPECT_EQ(utf8(b.lines[0].text), t.text) << "block " << t.block;
        EXPECT_EQ(b.lines[0].font.size, t.size) << "block " << t.block;
        EXPECT_EQ(b.lines[0].font.style, t.style) << "block " << t.block;
        EXPECT_EQ(b.kind, t.kind) << "block " << t.block;
        EXPECT_EQ(b.alignment, t.alignment) << "block " << t.block;
        EXPECT_EQ(b.yOffset, t.yOffset) << "block " << t.block;
    }
    // Room for the titles: the first page always; later pages when a block shows on every page.
    EXPECT_EQ(doc->GetPageTopSpace(0), 2160);
    EXPECT_EQ(doc->GetPageTopSpace(3), 1440);
    doc->titles[2].allPages = 1;
    EXPECT_EQ(doc->GetPageTopSpace(3), 2160);

    // Registered while it lives; nothing points at it afterwards.
    doc->MakeCurrent();
    EXPECT_EQ(Documents().back(), doc.get());
    EXPECT_EQ(g_model.currentDoc, doc.get());
    doc.reset();
    EXPECT_TRUE(Documents().empty());
    EXPECT_EQ(g_model.currentDoc, nullptr);
    EXPECT_EQ(g_model.currentScore, nullptr);
}

TEST(DocumentTest, PageSetupComesFromThePrinterWithMarginsOfAtLeast36Points) {
    Env env;
    // No printer: US Letter with 36-point margins.
    {
        CZelDoc doc;
        EXPECT_EQ(doc.unscaledPageSetup.GetPaperWidth(), 612);
        EXPECT_EQ(doc.unscaledPageSetup.GetPaperHeight(), 792);
        EXPECT_EQ(doc.unscaledPageSetup.GetLeftMargin(), 36);
        // In use: scaled for score size 85.
        EXPECT_EQ(doc.pageSetup.GetPaperWidth(), 720);
        EXPECT_EQ(doc.GetScaledPageRect().right, 612);
    }
    // A printer of A4 at 72 dots per inch with margins 10, 36, 37 and 50 points.
    env.printer.present = true;
    env.printer.caps = PrinterCaps{595, 842, 10, 36, 595 - 10 - 37, 842 - 36 - 50, 72, 72};
    CZelDoc doc;
    const CPageSetup& u = doc.unscaledPageSetup;
    EXPECT_EQ(u.GetPaperWidth(), 595);
    EXPECT_EQ(u.GetLeftMargin(), 36) << "10 raised";
    EXPECT_EQ(u.GetTopMargin(), 36) << "36 stays";
    EXPECT_EQ(u.GetRightMargin(), 37);
    EXPECT_EQ(u.GetBottomMargin(), 50);
    EXPECT_EQ(doc.printerPageSetup.GetLeftMargin(), 10) << "the printer's own page keeps its margins";
    // Without the clamp the unscaled setup takes the printer's margins as they are.
    doc.InitPageSetup(false);
    EXPECT_EQ(doc.unscaledPageSetup.GetLeftMargin(), 10);
}

TEST(DocumentTest, TitlesAndTheModifiedFlag) {
    Env env;
    CZelDoc doc;
    doc.SetTitle(nullptr);
    EXPECT_EQ(utf8(doc.GetTitle().c_str()), "无标题");
    struct Row {
        const char* name;
        const char* title;
    } rows[] = {{"Sonata.zel", "Sonata"}, {"op.27.no.2.zel", "op.27.no.2"}, {"plain", "plain"}, {"", ""}};
    for (const Row& r : rows) {
        doc.SetTitle(r.name);
        EXPECT_EQ(doc.GetTitle(), r.title) << r.name;
    }
    // The same value leaves the title alone; a change sets the plain title again.
    doc.CDocument::SetTitle("Song*");
    doc.SetModified(false);
    EXPECT_EQ(doc.GetTitle(), "Song*");
    doc.SetModified(true);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "Song");
    EXPECT_EQ(doc.GetPlainTitle(), "Song");
}

TEST(DocumentTest, DisplayFlagKindsAddressTheOverlaysInTheirStoredOrder) {
    Env env;
    CZelDoc doc;
    struct Row {
        int kind;
        int slot;  // -1: all, -2: none
    } rows[] = {{0, 0}, {5, 1}, {1, 2}, {2, 3}, {4, 4}, {6, -1}, {3, -2}};
    for (const Row& r : rows) {
        std::fill(std::begin(doc.location.overlays), std::end(doc.location.overlays), 0);
        doc.SetDisplayFlag(1, r.kind);
        for (int i = 0; i < 5; ++i) {
            const bool on = r.slot == -1 || r.slot == i;
            EXPECT_EQ(doc.location.overlays[i], on ? 1 : 0) << "kind " << r.kind << " overlay " << i;
        }
    }
}

// A view of a fixed window that records what the document asks of it.
class FakeView : public CZelViewBase {
public:
    SIZE client{656, 500};
    POINT scroll{};
    RECT range{0, 0, 100000, 100000};
    CPagePaneBase pane;
    std::vector<POINT> scrolls;
    int invalidated = 0, updated = 0, positioned = 0;
    SIZE GetClientSize() const override { return client; }
    POINT GetScrollPosition() const override { return scroll; }
    RECT GetScrollRange() const override { return range; }
    void ScrollTo(POINT p) override {
        scroll = p;
        scrolls.push_back(p);
    }
    void PositionPanes() override { ++positioned; }
    void Invalidate() override { ++invalidated; }
    void Update() override { ++updated; }
    CPagePaneBase* GetPagePane(int page) override { return page == pane.pageIndex ? &pane : nullptr; }
    CPagePaneBase* GetSinglePane() override { return &pane; }
};

// A document with a fake view whose window a 600 x 800 page fits at 100 % across and 50 % down.
struct ZoomEnv : Env {
    CZelDoc doc;
    FakeView view;
    ZoomEnv() {
        doc.view = &view;
        doc.pageSetup.SetPaperSizePoints(600, 800);
        view.client = SIZE{644, 444};
    }
};

TEST(DocumentTest, ZoomSetStepsFitsAndRectangles) {
    ZoomEnv env;
    CZelDoc& doc = env.doc;
    FakeView& view = env.view;

    struct Set {
        int asked, zoom, fitMode;
    } sets[] = {{900, 800, 0}, {0, 1, 0}, {-4, 1, 0}, {150, 150, 0}, {-1, 50, -1}, {-2, 100, -2}, {-3, 50, -3}, {800, 800, 0}};
    for (const Set& s : sets) {
        doc.SetZoom(s.asked, false);
        EXPECT_EQ(doc.GetZoom(), s.zoom) << "SetZoom " << s.asked;
        EXPECT_EQ(doc.fitMode, s.fitMode) << "SetZoom " << s.asked;
    }

    struct Step {
        int from;
        bool in;
        int to;  // == from: nothing happens
    } steps[] = {
        {100, true, 125}, {125, true, 150}, {150, true, 175}, {175, true, 200}, {200, true, 250}, {250, true, 300},
        {790, true, 800}, {795, true, 795}, {800, true, 800}, {10, true, 30},   {60, true, 70},   {83, true, 90},
        {300, false, 250}, {250, false, 200}, {225, false, 200}, {10, false, 10}, {100, false, 90}, {50, false, 30},
        {30, false, 10},
    };
    for (const Step& s : steps) {
        doc.zoom = std::int16_t(s.from);
        doc.ZoomStep(s.in);
        EXPECT_EQ(doc.GetZoom(), s.to) << (s.in ? "in from " : "out from ") << s.from;
    }

    // A rectangle of 250 x 200 view pixels fills a window of 532 x 432 at twice the zoom.
    view.client = SIZE{532, 432};
    doc.zoom = 100;
    doc.ZoomToRect(RECT{100, 100, 350, 300});
    EXPECT_EQ(doc.GetZoom(), 200);
    doc.ZoomToRect(RECT{5, 5, 5, 5});  // empty: one step in
    EXPECT_EQ(doc.GetZoom(), 250);

    // Conversions.
    doc.zoom = 150;
    EXPECT_EQ(doc.ScaleToView(100), 150);
    EXPECT_EQ(doc.ScaleFromView(150), 100);
    doc.zoom = 100;
    const RECT r{1, 2, 3, 4};
    EXPECT_EQ(doc.ScaleRectToView(r).right, 3);
}

struct ScoreEnv : Env {
    std::unique_ptr<CZelDoc> doc = std::make_unique<CZelDoc>();
    FakeView view;
    explicit ScoreEnv(int arrangement = 1) {
        NewScoreSettings settings;
        settings.arrangement = arrangement;
        EXPECT_TRUE(BuildNewScore(*doc->GetScore(), settings));
        doc->MakeCurrent();
    }
    CScore& score() { return *doc->GetScore(); }
};

TEST(DocumentTest, ViewExtentFollowsTheArrangement) {
    ScoreEnv env;
    CZelDoc& doc = *env.doc;
    const int pages = env.score().GetPageCount();
    ASSERT_GE(pages, 1);
    const int w = doc.viewPageSetup.GetPaperWidth() + 6, h = doc.viewPageSetup.GetPaperHeight() + 6;
    struct Row {
        int mode, width, height;
    } rows[] = {{0, w + 6, h + 6}, {1, pages * w + 6, h + 6}, {2, w + 6, pages * h + 6}};
    for (const Row& r : rows) {
        doc.SetArrangementMode(r.mode);
        EXPECT_EQ(doc.pageMode, r.mode);
        const SIZE extent = doc.GetViewExtent();
        EXPECT_EQ(extent.cx, r.width) << "mode " << r.mode;
        EXPECT_EQ(extent.cy, r.height) << "mode " << r.mode;
    }
}

// A page larger than the printer's paper prints over several sheets: each page counts the sheets
// it spans across and down, and a score that tiles its pages keeps the largest counts of all.
TEST(DocumentTest, PagesCountTheSheetsOfPaperTheySpan) {
    Env env;  // no printer: sheets of US Letter, 612 x 792 points, printing 540 x 720 inside 36
    struct Row {
        int width, height;  // the paper at score size 100, points; its margins are 36
        int scoreSize, zoom;
        int columns, rows;
        const char* why;
    } rows[] = {
        {612, 792, 85, 100, 1, 1, "the printer's own paper"},
        {612, 792, 85, 37, 1, 1, "the printer's own paper at an odd zoom"},
        {300, 400, 85, 100, 1, 1, "smaller than a sheet"},
        {918, 792, 85, 100, 2, 1, "half as wide again"},
        {1152, 1512, 100, 100, 2, 2, "printing exactly two sheets each way"},
        {1153, 1513, 100, 100, 3, 3, "a point more than two sheets"},
    };
    for (const Row& r : rows)
        for (std::uint8_t tile : {0, 1}) {
            CZelDoc doc;
            CScore& score = *doc.GetScore();
            ASSERT_TRUE(score.BuildSkeleton(40, 1));
            score.Reindex();
            ASSERT_GE(score.GetPageCount(), 2);
            score.tilePages = tile;
            doc.unscaledPageSetup.SetPaperSizePoints(r.width, r.height);
            doc.SetZoom(r.zoom, false);
            doc.SetScoreSize(r.scoreSize);
            for (int p = 0; p < score.GetPageCount(); ++p) {
                EXPECT_EQ(score.GetPage(p)->GetColumns(), r.columns) << r.why << ", page " << p;
                EXPECT_EQ(score.GetPage(p)->GetRows(), r.rows) << r.why << ", page " << p;
            }
            EXPECT_EQ(doc.pagesAcross, tile ? r.columns : 1) << r.why << ", tiling " << int(tile);
            EXPECT_EQ(doc.pagesDown, tile ? r.rows : 1) << r.why << ", tiling " << int(tile);
            // The view shows the page whole, however many sheets it spans.
            doc.SetArrangementMode(0);
            EXPECT_EQ(doc.GetViewExtent().cx, doc.viewPageSetup.GetPaperWidth() + 12) << r.why;
        }

    CZelDoc doc;
    CScore& score = *doc.GetScore();
    ASSERT_TRUE(score.BuildSkeleton(40, 1));
    score.Reindex();
    score.tilePages = 1;
    doc.SetScoreSize(doc.GetScoreSize());
    ASSERT_EQ(doc.pagesAcross, 1);
    // One page three sheets wide: laying out any page gives the document the largest count.
    RECT wide = score.GetPage(0)->GetPrintableRect();
    wide.right = wide.left + 3 * (wide.right - wide.left);
    score.GetPage(0)->SetPrintableRect(wide);
    doc.LayoutPage(0);
    doc.LayoutPage(1);
    EXPECT_EQ(score.GetPage(0)->GetColumns(), 3);
    EXPECT_EQ(score.GetPage(1)->GetColumns(), 1);
    EXPECT_EQ(doc.pagesAcross, 3);
    EXPECT_EQ(doc.pagesDown, 1);
    // The program's no-tiling option leaves every count as it stands.
    g_model.noPageTiling = true;
    doc.RecalcPageGeometry(false, false);
    EXPECT_EQ(score.GetPage(0)->GetColumns(), 3);
    EXPECT_EQ(doc.pagesAcross, 3);
    g_model.noPageTiling = false;
    doc.RecalcPageGeometry(false, false);
    EXPECT_EQ(score.GetPage(0)->GetColumns(), 1);
    EXPECT_EQ(doc.pagesAcross, 1);
}

TEST(DocumentTest, InsertionPointMovesAndKeepsItsPointersConsistent) {
    ScoreEnv env;
    CZelDoc& doc = *env.doc;
    CScore& score = env.score();
    const int last = score.GetBarCount() - 1;
    ASSERT_GT(last, 2);

    // A bar past the last goes to the last; the pointers follow the indices.
    doc.location.trackIndex = 1;
    doc.SetCurrentBar(last + 50, false);
    EXPECT_EQ(doc.location.barIndex, last);
    EXPECT_EQ(doc.location.bar, score.GetBar(last));
    EXPECT_EQ(doc.location.system, score.GetBar(last)->GetLine());
    EXPECT_EQ(doc.location.trkBar, score.GetTrkBar(1, last));
    EXPECT_EQ(doc.location.track, score.GetTrack(1));

    // A system with every staff hidden: the staff reached is shown and its track current.
    CLine* system = score.GetBar(0)->GetLine();
    for (int s = 0; s < system->GetStaffCount(); ++s) system->GetStaff(s)->SetShown(false);
    doc.location.trackIndex = 0;
    doc.SetCurrentBar(0, true);
    const int reached = system->GetStaffCount() - 1;
    EXPECT_TRUE(system->GetStaff(reached)->IsShown());
    EXPECT_EQ(doc.location.trackIndex, reached);
    // A hidden current staff moves to the shown one before it.
    system->GetStaff(0)->SetShown(true);
    system->GetStaff(reached)->SetShown(false);
    doc.SetCurrentBar(0, true);
    EXPECT_EQ(doc.location.trackIndex, 0);

    // Voices: -1 is every voice and asks for the thru target to follow.
    std::vector<int> graphic;
    DocumentHintTargets()[1] = [&graphic](int code) { graphic.push_back(code); };
    doc.SetCurrentVoice(2);
    EXPECT_EQ(doc.location.voice, 2);
    EXPECT_EQ(doc.location.allVoices, 0);
    EXPECT_FALSE(score.IsVoiceShown(1));
    g_model.thruChangePending = false;
    doc.SetCurrentVoice(-1);
    EXPECT_EQ(doc.location.voice, 0);
    EXPECT_EQ(doc.location.allVoices, 1);
    EXPECT_TRUE(g_model.thruChangePending);
    EXPECT_TRUE(score.IsVoiceShown(5));
    EXPECT_EQ(graphic.back(), 4332);

    // Bars, beats and ticks against absolute time.
    int bar = 0, beat = 0, tick = 0;
    doc.BarBeatFromTime(0, &bar, &beat, &tick);
    EXPECT_EQ(bar, 1);
    EXPECT_EQ(beat, 1);
    EXPECT_EQ(tick, 0);
    const long length = score.GetBar(0)->GetLength();
    const int beatLength = score.GetBar(0)->GetBeatLength();
    for (long t : {0L, 1L, long(beatLength) - 1, long(beatLength), length - 1, length, 2 * length + beatLength + 7}) {
        doc.BarBeatFromTime(t, &bar, &beat, &tick);
        EXPECT_EQ(doc.TimeFromBarBeat(bar, beat, tick), t) << t << " ticks";
    }
    EXPECT_EQ(doc.GetScoreLength(), length * score.GetBarCount());
    doc.LocateTime(2 * length + beatLength);
    EXPECT_EQ(doc.location.barIndex, 2);
    EXPECT_EQ(long(doc.location.time), beatLength);
    EXPECT_EQ(doc.GetInsertionTime(), 2 * length + beatLength);
}

// A layout takes its bars per system, systems per page and system spacing from the document's
// engraver settings, its pages from the document's page setup at its score size, and what an
// overfull page does from the wrap option.
TEST(DocumentTest, LayoutFollowsTheDocumentsValuesAndTheWrapOption) {
    Env env;
    struct Row {
        int barsPerSystem, systemsPerPage, bars, tracks;
        int wantBars, wantSystems, wantPages;
    } rows[] = {
        {4, 5, 40, 1, 40, 10, 2},  // the defaults
        {3, 5, 12, 1, 12, 4, 1},
        {3, 2, 12, 1, 12, 4, 2},
        {4, 5, 10, 1, 8, 2, 1},    // cut to whole systems
        {4, 5, 40, 4, 40, 10, 4},  // 12 / 4 tracks: three systems a page
    };
    for (const Row& r : rows) {
        CZelDoc doc;
        doc.engraver.SetWord(EngraverSettings::kBarsPerSystem, std::int16_t(r.barsPerSystem));
        doc.engraver.SetWord(EngraverSettings::kGroupsPerPage, std::int16_t(r.systemsPerPage));
        CScore& score = *doc.GetScore();
        ASSERT_TRUE(score.BuildSkeleton(r.bars, r.tracks));
        score.Reindex();
        EXPECT_EQ(score.GetBarCount(), r.wantBars) << r.barsPerSystem << "/" << r.systemsPerPage;
        EXPECT_EQ(score.GetLineCount(), r.wantSystems) << r.barsPerSystem << "/" << r.systemsPerPage;
        EXPECT_EQ(score.GetPageCount(), r.wantPages) << r.barsPerSystem << "/" << r.systemsPerPage;
    }

    // A system added below another stands the document's system spacing under it.
    for (int spacing : {1080, 2000}) {
        CZelDoc doc;
        doc.engraver.SetWord(EngraverSettings::kStaffGroupSpacing, std::int16_t(spacing));
        CScore& score = *doc.GetScore();
        ASSERT_TRUE(score.BuildSkeleton(4, 1));
        score.Reindex();
        CLine* added = score.AddSystem(0, false);
        ASSERT_NE(added, nullptr);
        CLine* above = score.GetLine(added->GetIndex() - 1);
        EXPECT_EQ(added->GetTopOffset(), score.GetPage(0)->TopFromPage(above->GetBottom()) + spacing) << spacing;
    }

    // The page in use is the page at score size 100 scaled by the score size; the pages follow.
    {
        CZelDoc doc;
        const CPageSetup unscaled = doc.unscaledPageSetup;
        ASSERT_TRUE(doc.GetScore()->BuildSkeleton(8, 1));
        for (int size : {100, 85, 50}) {
            doc.SetScoreSize(size);
            EXPECT_EQ(doc.GetScoreSize(), size);
            EXPECT_EQ(doc.pageSetup.GetPaperWidth(), MulDiv(unscaled.GetPaperWidth(), 100, size)) << size;
            EXPECT_NEAR(doc.pageSetup.GetMarginRect().bottom, MulDiv(unscaled.GetMarginRect().bottom, 100, size), 1) << size;
            EXPECT_EQ(doc.GetScore()->GetPage(0)->GetPaperRect().right, doc.pageSetup.GetPaperWidth()) << size;
            EXPECT_EQ(doc.GetScore()->GetPage(0)->GetPrintableRect().bottom, doc.pageSetup.GetMarginRect().bottom) << size;
        }
    }

    // Pages that run past their bottom: with the wrap option on, systems move on to pages of
    // their own; with it off, the page keeps them and its staves are respaced.
    for (bool wrap : {true, false}) {
        g_preferences.SetByte(Preferences::kWrap, wrap ? 1 : 0);
        CZelDoc doc;
        doc.SetScoreSize(100);
        CScore& score = *doc.GetScore();
        ASSERT_TRUE(score.BuildSkeleton(20, 2));
        score.Reindex();
        for (int s = 0; s < score.GetLineCount(); ++s) score.GetLine(s)->Relayout();
        const int pages = score.GetPageCount();
        doc.pageSetup.SetMarginsPoints(36, 36, 36, 500);
        doc.RecalcPageGeometry(false, false);
        fw::msgboxtest::Capture boxes;
        ASSERT_TRUE(score.ReflowFromPage(0));
        if (wrap)
            EXPECT_GT(score.GetPageCount(), pages);
        else
            EXPECT_EQ(score.GetPageCount(), pages);
    }
}

// Bars going in and out of the score keep the insertion point on a live bar: an inserted bar
// becomes current, and an insertion that runs out of memory leaves the point where it was.
TEST(DocumentTest, InsertedBarsCarryTheInsertionPoint) {
    ScoreEnv env;
    CZelDoc& doc = *env.doc;
    CScore& score = env.score();
    auto consistent = [&](const char* what) {
        const int b = doc.location.barIndex;
        EXPECT_EQ(doc.location.bar, score.GetBar(b)) << what;
        EXPECT_EQ(doc.location.system, score.GetBar(b)->GetLine()) << what;
        EXPECT_EQ(doc.location.trkBar, score.GetTrkBar(doc.location.trackIndex, b)) << what;
    };

    doc.SetCurrentBar(2, false);
    ASSERT_NE(score.InsertBar(1), nullptr);
    EXPECT_EQ(doc.location.barIndex, 1);
    consistent("inserted in the middle");

    ASSERT_NE(score.AppendBar(false), nullptr);
    EXPECT_EQ(doc.location.barIndex, score.GetBarCount() - 1);
    consistent("appended");

    // Every failing allocation of an insertion at the start leaves bar 2 current.
    bool succeeded = false;
    int failures = 0;
    for (int allowed = 0; allowed < 400 && !succeeded; ++allowed) {
        doc.SetCurrentBar(2, false);
        const int bars = score.GetBarCount();
        fw::memtest::FailAfter(allowed);
        CBar* bar = score.InsertBar(0);
        fw::memtest::Reset();
        if (bar) {
            succeeded = true;
            EXPECT_EQ(doc.location.barIndex, 0);
        } else {
            ++failures;
            EXPECT_EQ(score.GetBarCount(), bars) << "allowed " << allowed;
            EXPECT_EQ(doc.location.barIndex, 2) << "allowed " << allowed;
        }
        consistent("after an insertion");
    }
    EXPECT_TRUE(succeeded);
    EXPECT_GT(failures, 0);
}

TEST(DocumentTest, SinglePageScrollKeepsTheCursorInSight) {
    // A window of 600 x 400 visible pixels at (sx, sy); a system of 2,000 x 300 at (0, 1000); the
    // bar from 800 to 1,000; a staff of 40.
    CZelDoc::ScrollScene base;
    base.visible = RECT{0, 1000, 600, 1400};
    base.scroll = POINT{0, 1000};
    base.system = RECT{0, 1000, 2000, 1300};
    base.barLeft = 800;
    base.barRight = 1000;
    base.staffHeight = 40;
    base.cursor = POINT{300, 1100};
    auto with = [&base](auto change) {
        CZelDoc::ScrollScene s = base;
        change(s);
        return s;
    };
    struct Row {
        const char* what;
        CZelDoc::ScrollScene scene;
        POINT expected;
    } rows[] = {
        {"cursor in view: nothing moves", base, {0, 1000}},
        {"system narrower than the window less 36", with([](auto& s) { s.system.right = 564; }), {0, 1000}},
        {"bar left of the view, not its system's first",
         with([](auto& s) {
             s.visible = RECT{1200, 1000, 1800, 1400};
             s.scroll = POINT{1200, 1000};
             s.cursor.x = 850;
         }),
         {800, 1000}},
        {"bar left of the view, first of its system",
         with([](auto& s) {
             s.visible = RECT{1200, 1000, 1800, 1400};
             s.scroll = POINT{1200, 1000};
             s.cursor.x = 850;
             s.firstBarOfSystem = true;
         }),
         {0, 1000}},
        {"bar left of the view, ending inside the window width",
         with([](auto& s) {
             s.visible = RECT{700, 1000, 1300, 1400};
             s.scroll = POINT{700, 1000};
             s.barLeft = 300;
             s.barRight = 500;
             s.cursor.x = 400;
         }),
         {0, 1000}},
        {"cursor past the 36-pixel margin: to the bar", with([](auto& s) { s.cursor.x = 580; }), {800, 1000}},
        {"cursor near the system's end: the end in view",
         with([](auto& s) {
             s.barLeft = 1800;
             s.barRight = 1990;
             s.cursor.x = 1900;
         }),
         {1436, 1000}},
        {"transport running, bar beyond the window: to the bar",
         with([](auto& s) { s.transportRunning = true; }), {800, 1000}},
        {"staff below the window: to the system's top",
         with([](auto& s) {
             s.visible = RECT{0, 0, 600, 400};
             s.scroll = POINT{0, 0};
         }),
         {0, 1000}},
        {"staff below, first system of its page: the page top",
         with([](auto& s) {
             s.visible = RECT{0, 0, 600, 400};
             s.scroll = POINT{0, 0};
             s.system = RECT{0, 100, 2000, 400};
             s.cursor.y = 380;
             s.firstOnPage = true;
         }),
         {0, 0}},
        {"system taller than the window, staff below it",
         with([](auto& s) {
             s.system = RECT{0, 1000, 2000, 2500};
             s.cursor.y = 1700;
         }),
         {0, 1660}},
        {"system taller than the window, staff in view", with([](auto& s) { s.system.bottom = 2500; }), {0, 1000}},
        {"system taller than the window, staff above it",
         with([](auto& s) {
             s.system = RECT{0, 1000, 2000, 2500};
             s.visible = RECT{0, 1500, 600, 1900};
             s.scroll = POINT{0, 1500};
             s.cursor.y = 1200;
         }),
         {0, 1160}},
    };
    for (const Row& r : rows) {
        const POINT to = CZelDoc::ChooseScroll(r.scene);
        EXPECT_EQ(to.x, r.expected.x) << r.what;
        EXPECT_EQ(to.y, r.expected.y) << r.what;
    }
}

TEST(DocumentTest, ShowInsertionPointScrollsOnlyWhenItMust) {
    ScoreEnv env;
    CZelDoc& doc = *env.doc;
    doc.view = &env.view;
    doc.SetCurrentBar(0, true);
    CBar* bar = env.score().GetBar(0);
    const int y = doc.location.staff->GetTopLine();
    // The cursor in view: no change, false.
    env.view.scroll = POINT{0, std::max(0, y - 100)};
    env.view.client = SIZE{4000, 4000};
    EXPECT_FALSE(doc.ShowInsertionPoint(0, true));
    EXPECT_TRUE(env.view.scrolls.empty());
    // Scrolled far away: the view comes back and, forced, repaints.
    env.view.scroll = POINT{0, y + 20000};
    env.view.client = SIZE{2000, 300};
    EXPECT_TRUE(doc.ShowInsertionPoint(0, true));
    ASSERT_EQ(env.view.scrolls.size(), 1u);
    EXPECT_LT(env.view.scrolls[0].y, y + 20000);
    EXPECT_GT(env.view.invalidated, 0);
    EXPECT_EQ(doc.currentPane, &env.view.pane);
    (void)bar;
}

// Over pages side by side, an insertion point on the second page that the window shows already
// moves nothing (the cursor's place is taken where the view shows that page, not as if it were
// the first page's).
TEST(DocumentTest, ShowInsertionPointOnALaterPageInSightDoesNotScroll) {
    ScoreEnv env(1);
    CZelDoc& doc = *env.doc;
    CScore& score = env.score();
    for (int guard = 0; score.GetPageCount() < 2 && guard < 400; ++guard) ASSERT_TRUE(score.AppendBar(false));
    ASSERT_GE(score.GetPageCount(), 2);
    doc.location.arrangementMode = 1;
    doc.view = &env.view;
    // The first bar of the second page.
    int bar = 0;
    while (bar < score.GetBarCount() && score.GetBar(bar)->GetLine()->GetPage()->GetIndex() < 1) ++bar;
    ASSERT_LT(bar, score.GetBarCount());
    doc.SetCurrentBar(bar, true);
    doc.location.position = 0;
    const int pageStep = doc.viewPageSetup.GetPaperWidth() + 6;
    const int y = doc.location.staff->GetTopLine();
    env.view.pane.pageIndex = 1;
    env.view.scroll = POINT{pageStep, std::max(0, y + 6 - 100)};
    env.view.client = SIZE{pageStep, 500};
    EXPECT_FALSE(doc.ShowInsertionPoint(bar, false));
    EXPECT_TRUE(env.view.scrolls.empty()) << "scrolled to x " << (env.view.scrolls.empty() ? 0 : env.view.scrolls[0].x);
    // Seen from the first page, the same point is brought into sight.
    env.view.scroll = POINT{0, std::max(0, y + 6 - 100)};
    doc.ShowInsertionPoint(bar, false);
    ASSERT_EQ(env.view.scrolls.size(), 1u);
    EXPECT_GE(env.view.scrolls[0].x, pageStep) << "onto the second page";
    EXPECT_LT(env.view.scrolls[0].x, 2 * pageStep);
}

// An operation that records what the document does with it.
struct Log {
    std::vector<std::string> steps;
    int deleted = 0;
};

class RecordingTask : public CScoreTask {
public:
    RecordingTask(Log& log, int id, bool prepare = true) : log(log), prepare(prepare) { name = id; }
    ~RecordingTask() override { ++log.deleted; }
    bool Prepare() override {
        log.steps.push_back("prepare" + std::string(g_platform.waitCursorOn ? " waiting" : ""));
        if (failIn == "prepare") throwIt();
        return prepare;
    }
    bool Perform() override {
        log.steps.push_back(g_platform.waitCursorOn ? "perform waiting" : "perform");
        if (failIn == "perform") throwIt();
        return true;
    }
    void SwapSnapshot() override { log.steps.push_back("swap " + std::to_string(name)); }
    void Redraw() override { log.steps.push_back("redraw"); }
    void throwIt() {
        g_platform.errorCode = std::uint16_t(code);
        throw CUserException();
    }
    Log& log;
    bool prepare;
    std::string failIn;
    int code = 100;
};

std::string joined(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& x : v) s += (s.empty() ? "" : ", ") + x;
    return s;
}

TEST(DocumentTest, DoTaskRunsPreparesPerformsAndStoresUndoableOperations) {
    Env env;
    CZelDoc doc;
    std::vector<int> heard;
    DocumentHintTargets()[1] = [&heard](int code) { heard.push_back(code); };
    fw::msgboxtest::Capture boxes;
    Log log;

    // A cancelled dialog: deleted, no redraw, no wait cursor.
    auto* cancelled = new RecordingTask(log, 1);
    cancelled->Attach(&doc, 57643);
    cancelled->prepare = false;
    doc.DoTask(cancelled);
    EXPECT_EQ(joined(log.steps), "prepare");
    EXPECT_EQ(log.deleted, 1);
    EXPECT_EQ(doc.GetUndoCount(), 0);
    EXPECT_FALSE(g_platform.waitCursorOn);

    // Performed, undoable with a snapshot: pushed, target 1 told 4332, the document modified.
    log = Log{};
    auto* kept = new RecordingTask(log, 2);
    kept->Attach(&doc, 2);
    doc.DoTask(kept);
    EXPECT_EQ(joined(log.steps), "prepare, perform waiting, redraw");
    EXPECT_EQ(log.deleted, 0);
    EXPECT_EQ(doc.GetUndoCount(), 1);
    EXPECT_EQ(doc.GetLastDoneTask(), kept);
    EXPECT_EQ(doc.currentTask, kept);
    EXPECT_EQ(heard, std::vector<int>{4332});
    EXPECT_TRUE(doc.IsModified());
    EXPECT_FALSE(g_platform.waitCursorOn);

    // Not undoable, or without a snapshot: performed, then deleted.
    for (int variant = 0; variant < 2; ++variant) {
        log = Log{};
        auto* once = new RecordingTask(log, 3);
        once->Attach(&doc, 3);
        (variant == 0 ? once->undoable : once->hasSnapshot) = 0;
        doc.DoTask(once);
        EXPECT_EQ(log.deleted, 1);
        EXPECT_EQ(doc.GetUndoCount(), 1);
    }

    // A failure while performing: the snapshot goes back, the operation is deleted, its code is
    // reported (100 is out of memory); code 1 is not reported again.
    struct Failure {
        const char* in;
        int code;
        const char* steps;
        std::size_t boxes;
    } failures[] = {
        {"perform", 100, "prepare, perform waiting, swap 4", 1},
        {"perform", 1, "prepare, perform waiting, swap 4", 1},
        {"prepare", 100, "prepare", 2},  // no snapshot was taken yet: nothing swapped in
    };
    for (const Failure& f : failures) {
        log = Log{};
        auto* failing = new RecordingTask(log, 4);
        failing->Attach(&doc, 4);
        failing->failIn = f.in;
        failing->code = f.code;
        doc.DoTask(failing);
        EXPECT_EQ(joined(log.steps), f.steps) << f.in << " " << f.code;
        EXPECT_EQ(log.deleted, 1) << f.in;
        EXPECT_EQ(doc.GetUndoCount(), 1) << f.in;
        EXPECT_EQ(boxes.shown().size(), f.boxes) << f.in << " " << f.code;
        EXPECT_FALSE(g_platform.waitCursorOn);
    }
    EXPECT_EQ(fw::ToUtf8(boxes.shown().front().text), "内存不足。");
}

TEST(DocumentTest, UndoListKeeps32AndDropsTheRedoTail) {
    Env env;
    CZelDoc doc;
    Log log;
    auto push = [&](int id) {
        auto* t = new RecordingTask(log, id);
        t->Attach(&doc, id);
        doc.PushUndo(t);
    };
    for (int i = 1; i <= 33; ++i) push(i);
    EXPECT_EQ(doc.GetUndoCount(), 32);
    EXPECT_EQ(doc.GetUndoPosition(), 32);
    EXPECT_EQ(log.deleted, 1);
    EXPECT_EQ(doc.GetUndoEntry(0)->name, 2) << "the first was dropped";

    doc.ClearUndo();
    EXPECT_EQ(log.deleted, 33);
    EXPECT_EQ(doc.GetUndoCount(), 0);
    EXPECT_EQ(doc.GetLastDoneTask(), nullptr);

    // Undo at 0 and redo at the end do nothing.
    log = Log{};
    doc.Undo();
    doc.Redo();
    EXPECT_TRUE(log.steps.empty());
    for (int i = 1; i <= 10; ++i) push(i);
    doc.Redo();
    EXPECT_TRUE(log.steps.empty());

    // Undo three from ten, then a push: the three undone entries go first.
    doc.Undo();
    doc.Undo();
    doc.Undo();
    EXPECT_EQ(joined(log.steps), "swap 10, swap 9, swap 8");
    EXPECT_EQ(doc.GetUndoEntry(9)->undone, 1);
    EXPECT_EQ(doc.GetUndoPosition(), 7);
    doc.Redo();
    EXPECT_EQ(doc.GetUndoEntry(7)->undone, 0);
    EXPECT_EQ(doc.GetUndoPosition(), 8);
    doc.Undo();
    push(11);
    EXPECT_EQ(doc.GetUndoCount(), 8);
    EXPECT_EQ(doc.GetUndoPosition(), 8);
    EXPECT_EQ(log.deleted, 3);
    EXPECT_EQ(doc.GetLastDoneTask()->name, 11);

    // An operation that is performed but not stored drops the redo tail, the entries below stay.
    doc.Undo();
    doc.Undo();
    auto* once = new RecordingTask(log, 12);
    once->Attach(&doc, 12);
    once->undoable = 0;
    doc.DoTask(once);
    EXPECT_EQ(doc.GetUndoCount(), 6);
    EXPECT_EQ(doc.GetUndoPosition(), 6);

    // The newest entry withdrawn.
    doc.DropNewestUndo();
    EXPECT_EQ(doc.GetUndoCount(), 5);
    EXPECT_EQ(doc.GetUndoPosition(), 5);
    const int deletedBefore = log.deleted;
    doc.ClearUndo();
    EXPECT_EQ(log.deleted, deletedBefore + 5);
}

TEST(DocumentTest, NoticesReachTheirWindowsOnly) {
    Env env;
    CZelDoc doc;
    std::map<int, std::vector<int>> heard;
    for (int t = 0; t < 6; ++t) DocumentHintTargets()[std::size_t(t)] = [&heard, t](int code) { heard[t].push_back(code); };
    for (int target : {-1, 0, 1, 2, 3, 4, 5, 6, 7}) doc.NotifyWindows(target, 4300 + target);
    EXPECT_EQ(heard.size(), 4u);
    for (int t : {0, 1, 4, 5}) EXPECT_EQ(heard[t], std::vector<int>{4300 + t}) << "target " << t;
    // Deselecting tells the graphic window.
    doc.DeselectAll();
    EXPECT_EQ(heard[1].back(), 4314);
}

TEST(DocumentTest, ViewEnumerationKeepsItsStateInThePosition) {
    Env env;
    CZelDoc doc;
    CView a, b, c;
    EXPECT_EQ(doc.GetFirstViewPosition(), 0) << "no score view: nothing";
    FakeView scoreView;
    doc.view = &scoreView;
    doc.AddView(&a);
    doc.pianoRollPanes = {&b};
    doc.trackView = &c;
    POSITION outer = doc.GetFirstViewPosition();
    std::vector<CView*> seen;
    while (outer) {
        seen.push_back(doc.GetNextView(outer));
        // A whole enumeration inside does not disturb the outer one.
        POSITION inner = doc.GetFirstViewPosition();
        int n = 0;
        while (inner) doc.GetNextView(inner), ++n;
        EXPECT_EQ(n, 3);
    }
    EXPECT_EQ(seen, (std::vector<CView*>{&a, &b, &c}));
}

TEST(DocumentTest, TheTemplateMakesANewScoreOfTheProgramsSettingsOrReadsAFile) {
    Env env;
    const CDocTemplate scores(129, [] { return CZelDoc::CreateObject(); });
    std::string untitled;
    fw::LoadStringResource(61440, untitled);
    for (const auto& [arrangement, tracks] : {std::pair{0, 1}, std::pair{1, 2}}) {
        g_model.newScore.arrangement = arrangement;
        std::unique_ptr<CDocument> made = scores.OpenDocumentFile(nullptr);
        auto* doc = dynamic_cast<CZelDoc*>(made.get());
        ASSERT_NE(doc, nullptr) << "arrangement " << arrangement;
        EXPECT_EQ(doc->GetPlainTitle(), untitled);
        EXPECT_TRUE(doc->GetPathName().empty());
        EXPECT_FALSE(doc->IsModified());
        EXPECT_EQ(doc->GetScore()->GetTrackCount(), tracks) << "arrangement " << arrangement;
        EXPECT_EQ(doc->location.bar, doc->GetScore()->GetBar(0));
    }
    // A file that cannot be read: the user is told and no document is left.
    fw::msgboxtest::Capture boxes;
    const std::size_t before = Documents().size();
    EXPECT_EQ(scores.OpenDocumentFile("/nonexistent/score.zel"), nullptr);
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(Documents().size(), before);
}

TEST(DocumentTest, TheZoomDialogShowsTheZoomAndSetsTheOneGiven) {
    Env env;
    fw::uitest::Session session;
    CZelDoc doc;
    FakeView view;
    doc.view = &view;
    struct Row {
        int from;
        const char* typed;
        int button;
        const char* shown;
        int zoom;
    } rows[] = {
        {150, "300", IDOK, "150", 300},   {150, "900", IDOK, "150", 800}, {150, "5", IDOK, "150", 10},
        {150, "40", IDCANCEL, "150", 150}, {5, "", IDCANCEL, "10", 5},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.typed) + (r.button == IDOK ? " OK" : " Cancel"));
        doc.zoom = std::int16_t(r.from);
        std::string shown;
        fw::uitest::OnNextModal([&](CDialog& d) {
            char text[16] = {};
            d.GetDlgItemText(3, text, sizeof text);
            shown = text;
            if (*r.typed) d.SetDlgItemText(3, r.typed);
            fw::uitest::ClickControl(&d, r.button);
        });
        const int positioned = view.positioned;
        doc.AskZoom();
        EXPECT_EQ(shown, r.shown);
        EXPECT_EQ(doc.GetZoom(), r.zoom);
        EXPECT_EQ(view.positioned, positioned + (r.button == IDOK ? 1 : 0)) << "drawn again at the new zoom";
    }
    EXPECT_EQ(fw::uitest::ModalsRun(), std::vector<UINT>(std::size(rows), 257));
}

TEST(DocumentTest, ViewCommandsSetTheZoomAndTheArrangement) {
    ZoomEnv env;
    fw::uitest::Session session;
    CZelDoc& doc = env.doc;
    struct Row {
        int id, zoom, fitMode;
    } zooms[] = {{38000, 250, 0}, {38001, 200, 0}, {38002, 150, 0}, {38003, 125, 0}, {38004, 100, 0},
                 {38012, 75, 0},  {38013, 50, 0},  {38010, 50, -1}, {33310, 100, -2}, {33312, 50, -3},
                 {38008, 125, 0}, {38009, 90, 0}};
    for (const Row& r : zooms) {
        doc.zoom = 100;
        EXPECT_TRUE(doc.OnViewCommand(r.id));
        EXPECT_EQ(doc.GetZoom(), r.zoom) << r.id;
        EXPECT_EQ(doc.fitMode, r.fitMode) << r.id;
    }
    for (int mode : {2, 1, 0}) {
        EXPECT_TRUE(doc.OnViewCommand(38005 + mode));
        EXPECT_EQ(doc.GetArrangementMode(), mode);
    }
    EXPECT_TRUE(doc.OnViewCommand(38011));  // the dialog, cancelled
    EXPECT_EQ(fw::uitest::ModalsRun(), std::vector<UINT>{257});
    EXPECT_FALSE(doc.OnViewCommand(38014));
}

TEST(DocumentTest, ASelectionInAnotherViewRedrawsTheScoresAndThePianoRollsPanes) {
    Env env;
    CZelDoc doc;
    struct PaneView : CView, FakeView {
        CPagePaneBase* page = nullptr;
        CPagePaneBase* GetPagePane(int p) override { return p == 0 ? page : nullptr; }
    };
    class RectPane : public CPagePaneBase {
    public:
        std::vector<RECT> rects;
        void InvalidatePageRect(const RECT& r) override { rects.push_back(r); }
    } pane;
    PaneView scoreView;
    scoreView.page = &pane;
    doc.view = &scoreView;
    CView rolls[3];
    for (CView& roll : rolls) {
        ASSERT_TRUE(roll.Create(nullptr, "", WS_OVERLAPPED | WS_VISIBLE, RECT{0, 0, 60, 40}, nullptr, 0));
        doc.pianoRollPanes.push_back(&roll);
    }
    const auto redrawn = [&rolls] {
        std::vector<bool> out;
        for (CView& roll : rolls) out.push_back(roll.GetUpdateRect(nullptr) != FALSE), roll.ValidateRect(nullptr);
        return out;
    };
    redrawn();

    // From a piano-roll pane: the score's selection redraws in its page, made current first.
    doc.GetSelection()->AddDirtyRect(RECT{100, 200, 150, 260}, 0);
    CZelDoc other;
    other.MakeCurrent();
    doc.SetSelectionView(&rolls[1]);
    EXPECT_EQ(g_model.currentDoc, &doc);
    ASSERT_EQ(pane.rects.size(), 1u);
    EXPECT_EQ(pane.rects[0].left, 70) << "grown by 30 at the zoom";
    EXPECT_EQ(pane.rects[0].bottom, 290);
    EXPECT_EQ(redrawn(), (std::vector<bool>{true, false, true}));

    // From the score view: nothing of the score, every pane.
    pane.rects.clear();
    doc.SetSelectionView(&scoreView);
    EXPECT_TRUE(pane.rects.empty());
    EXPECT_EQ(redrawn(), (std::vector<bool>{true, true, true}));
    for (CView& roll : rolls) roll.DestroyWindow();
    doc.view = nullptr;
}

TEST(DocumentTest, TheStyleBarFollowsTheTextBeingEdited) {
    Env env;
    CZelDoc doc;
    // Every command as the handler leaves it, from enabled and checked: 'e' enabled, '-'
    // disabled; then '1' checked, '0' unchecked.
    const auto states = [&doc] {
        std::string out;
        for (UINT id = 2700; id <= 2708; ++id) {
            CCmdUI state(id);
            state.SetCheck(1);
            doc.OnUpdateStyleBar(&state);
            out += state.enabled ? 'e' : '-';
            out += char('0' + state.checked);
            out += ' ';
        }
        return out;
    };
    EXPECT_EQ(states(), "-1 -1 -1 -1 -0 -0 -1 -1 -1 ") << "no text editor";

    CTextTask text;
    doc.textTask = &text;
    struct Row {
        std::uint8_t flags[2];
        int alignment;
        std::uint8_t style;
        const char* states;  // 2700 ... 2708
    } rows[] = {
        {{0, 0}, 0, 0, "e1 e0 e0 e0 -1 -0 e1 e0 e0 "},
        {{1, 1}, 2, 5, "e0 e1 e0 e1 e1 e1 e0 e0 e1 "},
        {{1, 0}, 1, 2, "e0 e0 e1 e0 e1 e0 e0 e1 e0 "},
    };
    for (const Row& r : rows) {
        std::copy(std::begin(r.flags), std::end(r.flags), text.flags);
        text.alignment = r.alignment;
        text.styleBits = r.style;
        EXPECT_EQ(states(), r.states) << "alignment " << r.alignment << ", style " << int(r.style);
    }
    doc.textTask = nullptr;
}

}  // namespace

// A pane that keeps the page rectangles it is asked to draw again.
class RecordingPane : public CPagePaneBase {
public:
    std::vector<RECT> rects;
    int cursorOffs = 0;
    void InvalidatePageRect(const RECT& r) override { rects.push_back(r); }
    void CursorOff() override { ++cursorOffs; }
};

// The document's services of its score: names, the selected bars, the recalculation after an
// edit, a new score of the settings, the beat points, redrawing bars of a track and page
// rectangles, and the page setups the page dialog writes.
TEST(DocumentTest, ServicesOfTheScoreAndThePage) {
    ScoreEnv env;
    CZelDoc& doc = *env.doc;
    CScore& score = env.score();

    char name[64] = {};
    EXPECT_TRUE(doc.GetTrackName(0, name));
    EXPECT_NE(name[0], 0);
    EXPECT_FALSE(doc.GetTrackName(score.GetTrackCount(), name));

    int first = -1, last = -1;
    EXPECT_FALSE(doc.GetSelectedBarRange(&first, &last));
    CSelect* sel = doc.GetSelection();
    sel->lower[1] = 0, sel->upper[1] = 1, sel->lower[3] = 2, sel->upper[3] = 5;
    EXPECT_TRUE(doc.GetSelectedBarRange(&first, &last));
    EXPECT_EQ(first, 2);
    EXPECT_EQ(last, 5);

    // The recalculation keeps the program's current bar of a track and tells the operation.
    CTrkBar* current = score.GetTrkBar(1, 3);
    current->SetCurrent();
    Log log;
    RecordingTask task(log, 1);
    doc.currentTask = &task;
    doc.RecalcAfterEdit();
    EXPECT_EQ(g_model.currentTrkBar, current);
    EXPECT_EQ(task.layoutChanged, 1);
    doc.currentTask = nullptr;

    // The beat points: one bar flips and remembers its track; all bars follow the one asked.
    struct Flip {
        int value, bar;
        bool all;
        std::vector<int> shown;  // bars 0-3 with the flag set
        int staffOf2;
    } flips[] = {
        {1, 2, false, {2}, 1},
        {0, 2, false, {}, 0},
        {1, 1, true, {0, 1, 2, 3}, 1},
        {0, 1, true, {}, 1},  // flag off everywhere: the other bars keep their track
    };
    for (const Flip& f : flips) {
        doc.SetBarByte(f.value, f.bar, f.all);
        std::vector<int> shown;
        for (int b = 0; b < 4; ++b)
            if (score.GetBar(b)->HasBarFlag(CBar::kBeatChartShownBit)) shown.push_back(b);
        EXPECT_EQ(shown, f.shown) << "value " << f.value << " bar " << f.bar << (f.all ? " all" : "");
        EXPECT_EQ(score.GetBar(2)->GetBeatChartStaff(), f.staffOf2) << "value " << f.value << " bar " << f.bar;
    }

    // Redrawing: a bar of a track in the pane of its page (none when the page has no pane),
    // and page rectangles grown by 30 at the zoom.
    RecordingPane pane;
    struct PaneView : FakeView {
        CPagePaneBase* p = nullptr;
        CPagePaneBase* GetPagePane(int page) override { return page == 0 ? p : nullptr; }
    } paneView;
    paneView.p = &pane;
    doc.view = &paneView;
    doc.currentPane = &pane;
    CBar* bar1 = score.GetBar(1);
    doc.RedrawTrackBar(1, 0, CZelDoc::kTrackBarStaff);
    ASSERT_EQ(pane.rects.size(), 1u);
    EXPECT_EQ(pane.rects[0].left, bar1->GetLeft());
    EXPECT_EQ(pane.rects[0].right, bar1->GetLeft() + bar1->GetWidth());
    EXPECT_EQ(pane.rects[0].top, score.GetTrkBar(0, 1)->GetStaff()->GetRect().top);
    EXPECT_EQ(pane.cursorOffs, 1);
    EXPECT_EQ(g_model.currentTrkBar, score.GetTrkBar(0, 1));
    pane.rects.clear();
    const int lastBar = score.GetBarCount() - 1;
    if (score.GetBar(lastBar)->GetLine()->GetPage()->GetIndex() != 0) {
        doc.InvalidateTrackBar(lastBar, 0, CZelDoc::kTrackBarDataStrip);
        EXPECT_TRUE(pane.rects.empty()) << "a page without a pane";
    }
    doc.zoom = 200;
    const PageDirtyRect list[] = {{0, RECT{10, 20, 30, 40}}, {7, RECT{0, 0, 5, 5}}};
    doc.InvalidatePageRects(list, 2);
    ASSERT_EQ(pane.rects.size(), 1u);
    EXPECT_EQ(pane.rects[0].left, 10 - 60);
    EXPECT_EQ(pane.rects[0].bottom, 40 + 60);
    doc.zoom = 100;
    doc.view = nullptr;
    doc.currentPane = nullptr;

    // The page dialog's values: margins of the page in use, paper and margins kept at 100 %.
    doc.SetScoreSize(50);
    doc.SetMargins(400, 500, 600, 700);
    EXPECT_EQ(doc.GetMargins().left, 400);
    EXPECT_EQ(doc.GetMargins().bottom, 700);
    EXPECT_EQ(score.GetPage(0)->GetPrintableRect().left, 20);  // 400 twentieths at zoom 100
    doc.SetPaperSize(RECT{0, 0, 6000, 8000});
    EXPECT_EQ(doc.unscaledPageSetup.paperWidth, 12000);
    EXPECT_EQ(doc.unscaledPageSetup.paperHeight, 16000);
    doc.SetUnscaledMargins(360, 360, 720, 720);
    EXPECT_EQ(doc.unscaledPageSetup.leftMargin, 720);
    EXPECT_EQ(doc.unscaledPageSetup.bottomMargin, 1440);

    // A new score of the settings: untitled, bar 0 current.
    CZelDoc fresh;
    fresh.SetTitle("Old.zel");
    NewScoreSettings settings;
    settings.arrangement = 1;
    ASSERT_TRUE(fresh.ApplyNewScoreSettings(settings));
    std::string untitled;
    fw::LoadStringResource(61440, untitled);
    EXPECT_EQ(fresh.GetPlainTitle(), untitled);
    EXPECT_EQ(fresh.GetScore()->GetTrackCount(), 2);
    EXPECT_EQ(fresh.location.barIndex, 0);
    EXPECT_EQ(fresh.location.bar, fresh.GetScore()->GetBar(0));
}

TEST(DocumentTest, ADeletedCurrentDocumentLeavesNothingPointingIntoIt) {
    Env env;
    auto doc = std::make_unique<CZelDoc>();
    doc->MakeCurrent();
    ASSERT_EQ(g_model.engraverSettings, &doc->engraver);
    doc.reset();
    EXPECT_EQ(g_model.currentDoc, nullptr);
    EXPECT_EQ(g_model.currentScore, nullptr);
    EXPECT_EQ(g_model.engraverSettings, nullptr) << "the engraver settings fall back to the defaults";
    EXPECT_EQ(g_draw.fontMap, nullptr);
}

// The application's side of closing, written down.
class ClosingApp : public CWinApp {
public:
    ClosingApp() : CWinApp("test") {}
    void ActivateDocument(CDocument* doc) override { log.push_back({'A', doc, g_model.currentDoc}); }
    void RemoveDocument(CDocument* doc) override { log.push_back({'R', doc, g_model.currentDoc}); }
    struct Call {
        char what;
        CDocument* doc;
        CZelDoc* currentThen;
    };
    std::vector<Call> log;
};

TEST(DocumentTest, ClosingLeavesNoDocumentCurrentUntilTheIdlePassOfAViewedOne) {
    ScoreEnv env;
    ClosingApp app;
    CZelDoc& closing = *env.doc;
    CZelDoc other;
    other.MakeCurrent();
    closing.OnCloseDocument();
    ASSERT_EQ(app.log.size(), 2u);
    EXPECT_EQ(app.log[0].what, 'A');
    EXPECT_EQ(app.log[0].doc, nullptr) << "the application makes no document active";
    EXPECT_EQ(app.log[0].currentThen, &closing) << "made current for its last steps";
    EXPECT_EQ(app.log[1].what, 'R');
    EXPECT_EQ(app.log[1].doc, &closing);
    EXPECT_EQ(app.log[1].currentThen, nullptr) << "none current before the application drops it";
    EXPECT_EQ(g_model.currentScore, nullptr);
    EXPECT_EQ(g_model.currentPage, nullptr);
    EXPECT_EQ(g_model.engraverSettings, &g_preferences.Engraver());

    // Idle work: a document without a view does nothing; with one it becomes current with its page.
    other.DoIdleWork();
    EXPECT_EQ(g_model.currentDoc, nullptr);
    FakeView view;
    CZelDoc viewed;
    NewScoreSettings settings;
    ASSERT_TRUE(viewed.ApplyNewScoreSettings(settings));
    viewed.view = &view;
    ASSERT_NE(viewed.location.page, nullptr);
    other.MakeCurrent();  // another document is current
    viewed.DoIdleWork();
    EXPECT_EQ(g_model.currentDoc, &viewed);
    EXPECT_EQ(g_model.currentScore, viewed.GetScore());
    EXPECT_EQ(g_model.currentPage, viewed.location.page);
    EXPECT_EQ(g_model.engraverSettings, &viewed.engraver);
    viewed.view = nullptr;
}

// A new score is built with the main window's client area as the drawing port (a screen context
// without a main window); the document becomes the active one while that port is still in use,
// and the port stack is as it was on every way out.
TEST(DocumentTest, ANewScoreIsBuiltOverTheMainWindowAndBecomesTheActiveDocument) {
    struct Activation {
        CDocument* doc;
        CDC* port;
        CWnd* portWindow;
        bool portDraws;
        int depth;
    };
    struct WatchingApp : CWinApp {
        WatchingApp() : CWinApp("test") {}
        void ActivateDocument(CDocument* doc) override {
            CDC* port = GetCurrentPort();
            seen.push_back({doc, port, port ? port->GetWindow() : nullptr, port && port->HasDC(), GetPortDepth()});
        }
        void RemoveDocument(CDocument*) override {}
        std::vector<Activation> seen;
    };
    struct Row {
        bool mainWindow;
        int arrangement;
        bool built;
    } rows[] = {
        {true, 1, true},
        {false, 1, true},
        {true, 5, false},  // an arrangement the program does not know
        {false, 5, false},
    };
    Env env;
    fw::EnsureGraphics();
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "main window " << r.mainWindow << ", arrangement " << r.arrangement);
        WatchingApp app;
        CFrameWnd frame;
        if (r.mainWindow) {
            ASSERT_TRUE(frame.Create("Main"));
            frame.ShowWindow(SW_SHOW);
            app.m_pMainWnd = &frame;
        }
        CDC outer;
        outer.CreateIC();
        PushPort(&outer);
        const int depth = GetPortDepth();
        CZelDoc doc;
        NewScoreSettings settings;
        settings.arrangement = r.arrangement;
        EXPECT_EQ(doc.ApplyNewScoreSettings(settings), r.built);
        EXPECT_EQ(GetPortDepth(), depth);
        EXPECT_EQ(GetCurrentPort(), &outer);
        if (r.built) {
            ASSERT_EQ(app.seen.size(), 1u);
            EXPECT_EQ(app.seen[0].doc, &doc);
            EXPECT_EQ(app.seen[0].depth, depth + 1);
            EXPECT_NE(app.seen[0].port, &outer);
            EXPECT_TRUE(app.seen[0].portDraws);
            EXPECT_EQ(app.seen[0].portWindow, r.mainWindow ? static_cast<CWnd*>(&frame) : nullptr);
        } else {
            EXPECT_TRUE(app.seen.empty()) << "a score that could not be built is not made active";
        }
        PopPort();
        app.m_pMainWnd = nullptr;
        if (r.mainWindow) frame.DestroyWindow();
    }

    // The program's application without windows: the new document is active once it is built,
    // before the application holds it in its list, and so is one the template makes.
    CZelApp app;
    CZelDoc made;
    ASSERT_TRUE(made.ApplyNewScoreSettings(NewScoreSettings{}));
    EXPECT_EQ(app.GetActiveDocument(), &made);
    EXPECT_EQ(g_model.currentDoc, &made);
    CZelDoc* listed = app.NewDocument();
    ASSERT_NE(listed, nullptr);
    EXPECT_EQ(app.GetActiveDocument(), listed);
    EXPECT_EQ(g_model.currentDoc, listed);
    app.ActivateDocument(nullptr);
}

// Closing also ends what runs on the document, while it is still current and before the
// application lets it go: an in-place text editor of its current pane, and a performer that plays
// its score (and no other).
TEST(DocumentTest, ClosingEndsItsTextEntryAndThePlaybackOfItsScore) {
    enum Plays { kNone, kThis, kOther };
    struct Row {
        bool editing, running;
        Plays plays;
        const char* want;  // the calls, in order: E closes the editor, S stops, A the application
        const char* why;
    } rows[] = {
        {false, false, kNone, "A", "nothing runs"},
        {true, false, kNone, "EA", "text entry in the current pane"},
        {false, true, kThis, "SA", "the performer plays this score"},
        {true, true, kThis, "ESA", "both"},
        {false, true, kOther, "A", "the performer plays another score"},
        {false, false, kThis, "A", "the performer holds this score but does not play"},
    };
    struct EditorPane : CPagePaneBase {
        std::string* log = nullptr;
        CZelDoc* doc = nullptr;
        void CloseTextEditor() override {
            *log += 'E';
            doc->textTask = nullptr;
        }
    };
    struct LoggingApp : CWinApp {
        std::string* log = nullptr;
        LoggingApp() : CWinApp("test") {}
        void ActivateDocument(CDocument*) override { *log += 'A'; }
        void RemoveDocument(CDocument*) override {}
    };
    const PlaybackHooks saved = g_playbackHooks;
    for (const Row& r : rows) {
        ScoreEnv env;
        CZelDoc other;
        std::string log;
        LoggingApp app;
        app.log = &log;
        EditorPane pane;
        pane.log = &log;
        pane.doc = env.doc.get();
        env.doc->currentPane = &pane;
        int editor = 0;
        if (r.editing) env.doc->textTask = reinterpret_cast<CTextTask*>(&editor);
        PlaybackRunning() = r.running;
        CScore* played = r.plays == kThis ? env.doc->GetScore() : r.plays == kOther ? other.GetScore() : nullptr;
        std::vector<int> commands;
        g_playbackHooks.playedScore = [&] { return played; };
        g_playbackHooks.transportCommand = [&](int id) {
            log += 'S';
            commands.push_back(id);
            EXPECT_EQ(g_model.currentDoc, env.doc.get()) << r.why << ": stopped while current";
        };
        env.doc->OnCloseDocument();
        EXPECT_EQ(log, r.want) << r.why;
        for (int id : commands) EXPECT_EQ(id, 2501) << r.why;
        EXPECT_EQ(env.doc->textTask, nullptr) << r.why;
        env.doc->currentPane = nullptr;
    }
    g_playbackHooks = saved;
}

// Playback that starts inside a bar tells the items before the start that they were played: the
// bar's own items and those of every track, live ones only, and only in that bar.
TEST(DocumentTest, PlaybackStartingInsideABarMarksTheItemsBeforeItPlayed) {
    ScoreEnv env;
    CScore& score = env.score();
    ASSERT_GE(score.GetBarCount(), 2);
    ASSERT_GE(score.GetTrackCount(), 1);
    constexpr int kMark = 20;  // a kind of track item
    struct Told : BarItemBehaviour {
        mutable std::vector<std::pair<int, int>> items;  // type and time of each item told
        void MarkPlayed(CBarItem& item) const override { items.push_back({item.Type(), item.GetTime()}); }
    } told;
    const int last = score.GetTrackCount() - 1;
    for (int time : {0, 240, 480, 960}) ASSERT_NE(score.GetTrkBar(last, 1)->NewItem(kMark, time), nullptr);
    CBarItem* removed = score.GetTrkBar(0, 1)->NewItem(kMark, 120);
    ASSERT_NE(removed, nullptr);
    removed->SetFlagsB(std::uint8_t(removed->FlagsB() | CBarItem::kRemovedBit));
    ASSERT_NE(score.GetTrkBar(0, 0)->NewItem(kMark, 0), nullptr);  // another bar
    for (int time : {0, 720}) {
        std::uint8_t buffer[CTempo::kSize] = {};
        CTempo* mark = MakeTempoItem(buffer, 12000);
        mark->SetTimeField(std::int16_t(time));
        ASSERT_NE(score.GetBar(1)->InsertItemSorted(mark), nullptr);
    }
    const ItemBehaviour* before[2] = {ItemClasses().ByIndex(ItemClasses().IndexForCode(kMark))->behaviour,
                                      ItemClasses().ByIndex(ItemClasses().IndexForCode(CTempo::kTypeCode))->behaviour};
    ASSERT_TRUE(ItemClasses().SetBehaviourForCode(kMark, &told));
    ASSERT_TRUE(ItemClasses().SetBehaviourForCode(CTempo::kTypeCode, &told));
    env.doc->MarkPlayedItems(1, 480);
    env.doc->MarkPlayedItems(score.GetBarCount(), 480);  // no such bar: nothing
    ItemClasses().SetBehaviourForCode(kMark, before[0]);
    ItemClasses().SetBehaviourForCode(CTempo::kTypeCode, before[1]);
    const std::vector<std::pair<int, int>> want = {{CTempo::kTypeCode, 0}, {kMark, 0}, {kMark, 240}};
    EXPECT_EQ(told.items, want);
}

// The jazz look of a new score: the font map takes the slots of the "JazzFontMap" symbol-map
// library in the library folder, whose faces come back by name through the library's font table;
// a library that is missing, of another kind or not a whole map changes nothing; the title
// blocks take the "JazzText" face only where it is installed.
TEST(DocumentTest, TheJazzLookTakesTheSymbolMapLibraryOfTheLibraryFolder) {
    Env env;
    testsupport::TempDir folder;
    std::strcpy(g_platform.programFolder.path, folder.path().c_str());
    const std::filesystem::path libraries = std::filesystem::path(folder.path()) / "库";
    std::filesystem::create_directories(libraries);
    const CFontList& list = *GetFontList();
    ASSERT_GE(list.GetCount(), 4);
    // A library file: tag, version, the slots, then the font table naming face 3.
    const auto library = [&](const char* tag, int slots) {
        std::vector<std::uint8_t> b(tag, tag + 4);
        const auto le16 = [&](int v) { b.push_back(std::uint8_t(v)); b.push_back(std::uint8_t(v >> 8)); };
        const auto le32 = [&](std::uint32_t v) { le16(int(v & 0xFFFF)); le16(int(v >> 16)); };
        le16(16);
        b.insert(b.end(), {'A', 'R', 'R', 'Y'});
        le16(10), le16(slots), le32(std::uint32_t(10 * slots));
        for (int i = 0; i < slots; ++i) {
            const bool mapped = i == 'A';
            b.insert(b.end(), {std::uint8_t(mapped), 0});
            le16(mapped ? 'B' : 0), le16(3), le16(mapped ? 48 : 0), le16(0);
        }
        b.insert(b.end(), {'F', 'N', 'T', 'S'});
        le16(34), le16(1), le32(34);
        le16(3);
        char name[32] = {};
        std::strncpy(name, list.GetFaceName(3), 31);
        b.insert(b.end(), name, name + 32);
        return b;
    };
    const std::string path = (libraries / "JazzFontMap.lib").string();
    const auto write = [&](const std::vector<std::uint8_t>& bytes) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    };
    struct Row {
        const char* tag;
        int slots;
        bool write, applied, warned;
        const char* why;
    } rows[] = {
        {"FMAP", 256, false, false, false, "no library file"},
        {"ZATL", 256, true, false, true, "a library of another kind"},
        {"FMAP", 255, true, false, false, "not a whole map"},
        {"FMAP", 256, true, true, false, "the symbol map"},
    };
    FontRef jazzText;
    const bool jazzTextInstalled = list.FindFace("JazzText", &jazzText, false);
    for (const Row& r : rows) {
        std::filesystem::remove(path);
        if (r.write) write(library(r.tag, r.slots));
        g_draw.jazzFace = 2;
        fw::msgboxtest::Capture boxes;
        CZelDoc doc;
        const std::uint16_t titleFace = doc.titles[1].lines[2].font.face;
        NewScoreSettings settings;
        settings.jazzFont = 1;
        ASSERT_TRUE(doc.ApplyNewScoreSettings(settings)) << r.why;
        EXPECT_EQ(doc.fontMap.musicFace, 2) << r.why << ": the music face is the jazz face";
        const FontMapSlot& a = doc.fontMap.slots['A'];
        EXPECT_EQ(a.on, r.applied ? 1 : 0) << r.why;
        if (r.applied) {
            EXPECT_EQ(a.character, 'B') << r.why;
            EXPECT_EQ(a.face, 3) << r.why << ": the face comes back by its name";
            EXPECT_EQ(a.dx, 48) << r.why;
        }
        EXPECT_EQ(boxes.shown().size(), r.warned ? 1u : 0u) << r.why;
        EXPECT_EQ(doc.titles[1].lines[2].font.face, r.applied && jazzTextInstalled ? jazzText.face : titleFace) << r.why;
    }
}

// A document that closes takes with it the current bar, system, page and hit that point into its
// score: the next score built measures its bars against none of them.
TEST(DocumentTest, ClosingADocumentForgetsTheCurrentPlaceInItsScore) {
    fw::ResetAllGlobals();
    for (int round = 0; round < 2; ++round) {
        auto doc = std::make_unique<CZelDoc>();
        NewScoreSettings settings;
        ASSERT_TRUE(BuildNewScore(*doc->GetScore(), settings)) << round;
        CBar* bar = doc->GetScore()->GetBar(0);
        bar->MakeCurrent();
        g_model.hitBar = bar;
        ASSERT_EQ(g_model.currentBar, bar);
        doc.reset();
        EXPECT_EQ(g_model.currentBar, nullptr);
        EXPECT_EQ(g_model.currentLine, nullptr);
        EXPECT_EQ(g_model.currentPage, nullptr);
        EXPECT_EQ(g_model.hitBar, nullptr);
    }
    fw::ResetAllGlobals();
}
