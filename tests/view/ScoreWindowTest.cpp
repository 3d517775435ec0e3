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
#include "framework/MessageBox.h"
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
    // A one-page score in a window of the area at rect.
    CZelWnd* Add(const char* title, RECT rect, std::int32_t storedRect[4] = nullptr, int maximised = 0) {
        auto d = std::make_unique<CZelDoc>();
        d->SetTitle(title);
        CDC measure;
        measure.CreateIC();
        PushPort(&measure);
        NewScoreSettings settings;
        EXPECT_TRUE(BuildNewScore(*d->GetScore(), settings));
        PopPort();
        if (storedRect) std::copy(storedRect, storedRect + 4, d->windowRect);
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

    // Keys reach the view of the window activated by the click.
    docs[1]->keys.clear();
    ui::Key(second->GetView(), VK_LEFT);
    ui::RunUntilIdle();
    EXPECT_EQ(docs[1]->keys, (std::vector<int>{28}));
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

    std::int32_t none[4] = {0, 0, 0, 0};
    CZelWnd* plain = Add("None", RECT{100, 50, 500, 450}, none, 0);
    r = InArea(plain);
    EXPECT_EQ(r.left, 100) << "without a stored placement the window stays where it was made";
    EXPECT_EQ(r.bottom, 450);
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

}  // namespace
