// A score window under scripted input on the virtual clock: a document with a new score of as
// many pages as the test asks, its window with the view, rulers and page panes.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Clock.h"
#include "framework/Globals.h"
#include "framework/UiTest.h"
#include "model/NewScore.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "platform/Port.h"
#include "support/TempHome.h"
#include "view/PagePane.h"
#include "view/ZelView.h"
#include "view/ZelWnd.h"

// The colours of a rectangle of a window's client area, row by row.
inline std::vector<COLORREF> Pixels(CWnd* wnd, const RECT& r) {
    CClientDC dc(wnd);
    std::vector<COLORREF> out;
    for (int y = int(r.top); y < r.bottom; ++y)
        for (int x = int(r.left); x < r.right; ++x) out.push_back(dc.GetPixel(x, y));
    return out;
}

// How many pixels differ.
inline int Differ(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
    int n = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
    return n + int(a.size() > b.size() ? a.size() - b.size() : b.size() - a.size());
}

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        RegisterTrackClass();
        RegisterNotationClasses();
        InitDrawing();
        fw::clocktest::SetManual(1000);
        session = std::make_unique<fw::uitest::Session>();
    }
    void TearDown() override {
        fw::uitest::RunUntilIdle();
        wnd.reset();
        doc.reset();
        session.reset();
        fw::clocktest::Reset();
        fw::ResetAllGlobals();
    }
    // A new score with at least `pages` pages (0: an empty score without any), its view in arrangement mode at zoom.
    // arrangement: that of the new-score settings (0 a single staff, 1 piano).
    void Open(int pages, int mode = 1, int zoom = 100, RECT rect = RECT{0, 0, 820, 620}, int arrangement = 0) {
        // A window opened before goes first: its view still reads its document as it closes.
        view = nullptr;
        wnd.reset();
        doc = std::make_unique<CZelDoc>();
        doc->SetTitle("Song");
        CScore* score = doc->GetScore();
        if (pages > 0) {
            CDC measure;
            measure.CreateIC();
            PushPort(&measure);
            NewScoreSettings settings;
            settings.arrangement = arrangement;
            ASSERT_TRUE(BuildNewScore(*score, settings));
            PopPort();
        }
        while (score->GetPageCount() < pages) ASSERT_NE(score->InsertPage(score->GetPageCount()), nullptr);
        doc->location.arrangementMode = std::int16_t(mode);
        doc->SetZoom(zoom, false);
        wnd = std::make_unique<CZelWnd>();
        ASSERT_TRUE(wnd->Create(nullptr, rect, doc.get()));
        view = wnd->GetView();
        fw::uitest::RunUntilIdle();
    }
    // A committed score opened as the program opens it, its window in mode at zoom 100.
    void OpenFile(const std::string& path, int mode) {
        view = nullptr;
        wnd.reset();
        doc = std::make_unique<CZelDoc>();
        ASSERT_TRUE(doc->OnOpenDocument(path.c_str()));
        doc->location.arrangementMode = std::int16_t(mode);
        doc->SetZoom(100, false);
        wnd = std::make_unique<CZelWnd>();
        ASSERT_TRUE(wnd->Create(nullptr, RECT{0, 0, 820, 620}, doc.get()));
        view = wnd->GetView();
        view->ShowRulers(true);
        fw::uitest::RunUntilIdle();
    }
    // A pane's place in the view's client area.
    static RECT PlaceOf(CPagePane* pane) {
        RECT r;
        pane->GetWindowRect(&r);
        pane->GetParent()->ScreenToClient(&r);
        return r;
    }

    testsupport::TempHome home;
    std::unique_ptr<fw::uitest::Session> session;
    std::unique_ptr<CZelDoc> doc;
    std::unique_ptr<CZelWnd> wnd;
    CZelView* view = nullptr;
};
