// Score windows as child frames of the main window's area: the click that activates a window
// makes its score the current one and is not to act in a page; closing a window asks about
// unsaved changes, closes its document and lets the application drop it; a window takes the
// placement stored with its score.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <memory>
#include <vector>

#include "framework/App.h"
#include "framework/Dialog.h"
#include "framework/File.h"
#include "framework/MessageBox.h"
#include "model/ApplicationOps.h"
#include "model/ModelGlobals.h"
#include "view/ViewFixture.h"

namespace {

namespace ui = fw::uitest;

// The application's side of documents, written down.
class DocumentsApp : public CWinApp {
public:
    DocumentsApp() : CWinApp("test") {}
    void ActivateDocument(CDocument* doc) override { activated.push_back(doc); }
    void RemoveDocument(CDocument* doc) override { removed.push_back(doc); }
    std::vector<CDocument*> activated, removed;
};

class ScoreWindowTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        ASSERT_TRUE(frame.Create(nullptr, "Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 1300, 700}, nullptr, 0));
        ASSERT_TRUE(area.Create(nullptr, "", WS_CHILD | WS_VISIBLE, RECT{0, 0, 1280, 660}, &frame, 0xE900));
    }
    void TearDown() override {
        windows.clear();
        docs.clear();
        area.DestroyWindow();
        frame.DestroyWindow();
        ViewTest::TearDown();
    }
    // A one-page score in a window of the area at rect (the placement stored with the score
    // unless another is given), at a zoom.
    CZelWnd* Add(const char* title, RECT rect, std::int32_t storedRect[4] = nullptr, int maximised = 0,
                 int zoom = 100) {
        auto d = std::make_unique<CZelDoc>();
        d->SetTitle(title);
        CDC measure;
        measure.CreateIC();
        PushPort(&measure);
        NewScoreSettings settings;
        EXPECT_TRUE(BuildNewScore(*d->GetScore(), settings));
        PopPort();
        const std::int32_t placed[4] = {rect.left, rect.top, rect.right, rect.bottom};
        std::copy(storedRect ? storedRect : placed, (storedRect ? storedRect : placed) + 4, d->windowRect);
        d->SetZoom(zoom, false);
        d->maximised = std::int16_t(maximised);
        auto w = std::make_unique<CZelWnd>();
        EXPECT_TRUE(w->Create(&area, rect, d.get()));
        docs.push_back(std::move(d));
        windows.push_back(std::move(w));
        ui::RunUntilIdle();
        return windows.back().get();
    }
    static RECT InArea(CWnd* w) {
        RECT r;
        w->GetWindowRect(&r);
        w->GetParent()->ScreenToClient(&r);
        return r;
    }

    DocumentsApp app;
    CFrameWnd frame;
    CWnd area;
    std::vector<std::unique_ptr<CZelDoc>> docs;
    std::vector<std::unique_ptr<CZelWnd>> windows;
};

TEST_F(ScoreWindowTest, TheActivatingClickMakesItsScoreCurrentAndIsNotForThePage) {
    CZelWnd* first = Add("One", RECT{0, 0, 620, 640});
    CZelWnd* second = Add("Two", RECT{640, 0, 1260, 640});
    first->MDIActivate();
    EXPECT_EQ(g_model.currentDoc, docs[0].get());
    EXPECT_EQ(first->ignoreNextClick, 0) << "activated without a click";
    app.activated.clear();

    // A press on the gap beside the first page (a page would take the mark up itself).
    CZelView* view2 = second->GetView();
    ui::Press(view2, 2, 2);
    ui::Release(view2, 2, 2);
    ui::RunUntilIdle();
    EXPECT_EQ(second->ignoreNextClick, 1) << "the activating press";
    EXPECT_TRUE(second->IsActive());
    EXPECT_FALSE(first->IsActive());
    EXPECT_EQ(g_model.currentDoc, docs[1].get());
    EXPECT_EQ(app.activated, (std::vector<CDocument*>{docs[1].get()})) << "the application is told";

    // Keys reach the document of the window activated by the click.
    std::vector<int> typed;
    AppOps().supportWindowKey = [&typed](int ch, int) {
        typed.push_back(ch);
        return true;
    };
    ui::Key(second->GetView(), VK_LEFT);
    ui::RunUntilIdle();
    AppOps() = {};
    EXPECT_EQ(typed, (std::vector<int>{28}));
    EXPECT_EQ(second->GetView()->document, docs[1].get());
}

TEST_F(ScoreWindowTest, ClosingAWindowAsksAboutChangesThenClosesItsDocument) {
    CZelWnd* first = Add("One", RECT{0, 0, 620, 640});
    CZelWnd* second = Add("Two", RECT{640, 0, 1260, 640});
    second->MDIActivate();
    docs[1]->SetModified(true);
    struct Row {
        const char* why;
        int answer;
        bool closes;
    } rows[] = {{"Cancel keeps the window and its changes", IDCANCEL, false},
                {"No closes without saving", IDNO, true}};
    for (const Row& r : rows) {
        fw::msgboxtest::Capture boxes;
        boxes.Answer(r.answer);
        second->SendMessage(WM_CLOSE);
        ui::RunUntilIdle();
        EXPECT_EQ(boxes.shown().size(), 1u) << r.why;
        EXPECT_EQ(!second->IsWindow(), r.closes) << r.why;
        EXPECT_EQ(app.removed.size(), r.closes ? 1u : 0u) << r.why;
    }
    EXPECT_EQ(app.removed.front(), docs[1].get());
    EXPECT_EQ(docs[1]->view, nullptr) << "the closed document keeps no view";
    EXPECT_TRUE(first->IsActive()) << "the window left comes active";
    EXPECT_EQ(app.activated.back(), nullptr) << "closing makes no document active";
    EXPECT_EQ(g_model.currentDoc, nullptr) << "nothing current points at the closed document";
    EXPECT_EQ(g_model.currentScore, nullptr);
    // The idle pass: the active window's document does its idle work and is current again.
    auto* active = dynamic_cast<CZelWnd*>(CMDIChildWnd::MDIGetActive(&area));
    ASSERT_EQ(active, first);
    active->document->DoIdleWork();
    EXPECT_EQ(g_model.currentDoc, docs[0].get());
    EXPECT_EQ(g_model.currentScore, docs[0]->GetScore());

    // An unchanged score closes without a question.
    fw::msgboxtest::Capture boxes;
    first->SendMessage(WM_CLOSE);
    ui::RunUntilIdle();
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_FALSE(first->IsWindow());
    EXPECT_EQ(app.removed.back(), docs[0].get());
    EXPECT_EQ(CMDIChildWnd::MDIGetActive(&area), nullptr);
}

TEST_F(ScoreWindowTest, AWindowTakesThePlacementStoredWithItsScore) {
    std::int32_t stored[4] = {-30, 20, 400, 300};
    CZelWnd* normal = Add("Stored", RECT{0, 0, 620, 640}, stored, 0);
    RECT r = InArea(normal);
    EXPECT_EQ(r.left, 0) << "the left edge is kept at 0";
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right - r.left, 430) << "the stored width";
    EXPECT_EQ(r.bottom, 300);
    bool maximised = true;
    RECT got{};
    normal->GetPlacement(maximised, got);
    EXPECT_FALSE(maximised);

    std::int32_t large[4] = {10, 10, 5000, 5000};
    CZelWnd* max = Add("Maximised", RECT{0, 0, 620, 640}, large, 1);
    r = InArea(max);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 1280) << "a maximised window fills the area";
    EXPECT_EQ(r.bottom, 660);
    max->GetPlacement(maximised, got);
    EXPECT_TRUE(maximised);
    EXPECT_LE(got.right - got.left, 1280) << "the normal size is held to the area";

}

TEST_F(ScoreWindowTest, WithoutAStoredPlacementAWindowFitsItsPaper) {
    // Around the paper in the view: its gaps (12), the vertical scroll bar (16), twice the frame
    // (4) and twice the edge (2). A new score's letter page at score size 85 is 720 x 932 at 100 %.
    constexpr int kAround = 12 + 16 + 2 * 4 + 2 * 2;
    struct Row {
        const char* why;
        std::int32_t stored[4];
        int maximised;
        int zoom;
        RECT normal;  // the window's normal rectangle in the area
    } rows[] = {
        {"zoom 100: held to the area's height", {0, 0, 0, 0}, 0, 100, RECT{0, 0, 720 + kAround, 660}},
        {"zoom 50", {0, 0, 0, 0}, 0, 50, RECT{0, 0, 360 + kAround, 466 + kAround}},
        {"an empty rectangle keeps its corner", {30, 40, 30, 900}, 0, 50,
         RECT{30, 40, 30 + 360 + kAround, 40 + 466 + kAround}},
        {"maximised, over the default normal size", {0, 0, 0, 0}, 1, 50, RECT{0, 0, 360 + kAround, 466 + kAround}},
    };
    for (auto& row : rows) {
        SCOPED_TRACE(row.why);
        CZelWnd* wnd = Add("Default", RECT{100, 50, 500, 450}, row.stored, row.maximised, row.zoom);
        bool maximised = !row.maximised;
        RECT normal{};
        wnd->GetPlacement(maximised, normal);
        EXPECT_EQ(maximised, row.maximised != 0);
        EXPECT_EQ(normal.left, row.normal.left);
        EXPECT_EQ(normal.top, row.normal.top);
        EXPECT_EQ(normal.right, row.normal.right);
        EXPECT_EQ(normal.bottom, row.normal.bottom);
        const RECT r = InArea(wnd);
        if (row.maximised) {
            EXPECT_EQ(r.right, 1280) << "a maximised window fills the area";
        } else {
            EXPECT_EQ(r.left, row.normal.left);
            EXPECT_EQ(r.bottom, row.normal.bottom);
        }
        // The document keeps the default size as its window rectangle.
        EXPECT_EQ(wnd->document->windowRect[2] - wnd->document->windowRect[0],
                  (row.zoom == 100 ? 720 : 360) + kAround);
    }
}

TEST_F(ScoreWindowTest, TheViewCommandsReachTheWindowsScore) {
    CZelWnd* wnd = Add("Zoomed", RECT{0, 0, 620, 640});
    EXPECT_TRUE(wnd->OnCmdMsg(38001, 0));
    EXPECT_EQ(docs[0]->GetZoom(), 200);
    EXPECT_TRUE(wnd->OnCmdMsg(38007, 0));
    EXPECT_EQ(docs[0]->GetArrangementMode(), 2);
    ui::OnNextModal([](CDialog& d) {
        d.SetDlgItemText(3, "60");
        ui::ClickControl(&d, IDOK);
    });
    EXPECT_TRUE(wnd->OnCmdMsg(38011, 0));
    EXPECT_EQ(docs[0]->GetZoom(), 60);
    EXPECT_EQ(ui::ModalsRun(), std::vector<UINT>{257});
}

TEST_F(ScoreWindowTest, ASavedScoreKeepsItsWindowsPlacement) {
    struct Row {
        bool maximised;
        RECT rect;
    } rows[] = {{false, RECT{30, 20, 530, 420}}, {true, RECT{60, 50, 700, 600}}};
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("placement-" + std::to_string(::getpid()) + ".zel")).string();
    for (const Row& r : rows) {
        CZelWnd* wnd = Add("Placed", RECT{0, 0, 620, 640});
        wnd->SetPlacement(r.maximised, r.rect);
        ASSERT_TRUE(wnd->document->WriteNative(path));

        auto reopened = std::make_unique<CZelDoc>();
        ASSERT_TRUE(reopened->OnOpenDocument(path.c_str()));
        EXPECT_EQ(reopened->maximised, r.maximised ? 1 : 0);
        EXPECT_EQ(reopened->windowRect[0], r.rect.left);
        EXPECT_EQ(reopened->windowRect[1], r.rect.top);
        EXPECT_EQ(reopened->windowRect[2], r.rect.right);
        EXPECT_EQ(reopened->windowRect[3], r.rect.bottom);

        // A window made for the reopened score takes the placement back.
        auto w = std::make_unique<CZelWnd>();
        ASSERT_TRUE(w->Create(&area, RECT{0, 0, 300, 300}, reopened.get()));
        docs.push_back(std::move(reopened));
        windows.push_back(std::move(w));
        ui::RunUntilIdle();
        bool maximised = !r.maximised;
        RECT got{};
        windows.back()->GetPlacement(maximised, got);
        EXPECT_EQ(maximised, r.maximised);
        EXPECT_EQ(got.left, r.rect.left);
        EXPECT_EQ(got.top, r.rect.top);
        EXPECT_EQ(got.right, r.rect.right);
        EXPECT_EQ(got.bottom, r.rect.bottom);
    }
    std::filesystem::remove(path);
}

// A score opened in a window and saved unchanged keeps its bytes, but for what a save records
// of the window: its show state, its rectangle and the option byte that goes with them.
TEST_F(ScoreWindowTest, OpeningAndSavingUnchangedKeepsAllButTheWindowsRecord) {
    testsupport::TempDir dir;
    const std::string original = dir.path() + "/original.zel";
    {
        // A score saved without a window.
        auto first = std::make_unique<CZelDoc>();
        CDC measure;
        measure.CreateIC();
        PushPort(&measure);
        NewScoreSettings settings;
        settings.arrangement = 1;
        ASSERT_TRUE(BuildNewScore(*first->GetScore(), settings));
        PopPort();
        ASSERT_TRUE(first->OnSaveDocument(original.c_str()));
    }
    auto d = std::make_unique<CZelDoc>();
    ASSERT_TRUE(d->OnOpenDocument(original.c_str()));
    auto w = std::make_unique<CZelWnd>();
    ASSERT_TRUE(w->Create(&area, RECT{10, 10, 700, 600}, d.get()));
    CZelDoc* doc = d.get();
    docs.push_back(std::move(d));
    windows.push_back(std::move(w));
    ui::RunUntilIdle();
    const std::string saved = dir.path() + "/saved.zel";
    ASSERT_TRUE(doc->OnSaveDocument(saved.c_str()));
    std::string a, b;
    ASSERT_TRUE(fw::ReadWholeFile(original, a));
    ASSERT_TRUE(fw::ReadWholeFile(saved, b));
    ASSERT_EQ(a.size(), b.size());
    // The header: magic and length (8), versions (5), a zero, the 16 option bytes from 14, zoom,
    // arrangement and score size, then the show state (36) and the rectangle (38-45).
    auto windowsRecord = [](std::size_t at) { return at == 14 + 8 || (at >= 36 && at < 46); };
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && !windowsRecord(i)) changed.push_back(i);
    std::string offsets;
    for (std::size_t i : changed) offsets += " " + std::to_string(i);
    EXPECT_TRUE(changed.empty()) << changed.size() << " other bytes changed, at" << offsets;
}

}  // namespace
