#include "BarShots.h"

#include <cstdio>
#include <memory>

#include "app/StatBar.h"
#include "chrome/MainToolBar.h"
#include "chrome/StyleBar.h"
#include "chrome/ToolBox.h"
#include "framework/App.h"
#include "framework/ControlBar.h"
#include "framework/DC.h"
#include "model/NewScore.h"
#include "model/Score.h"
#include "model/ZelDoc.h"
#include "platform/Port.h"
#include "view/DebugWnd.h"
#include "app/Transport.h"

namespace {

// The score of the picture: the file, or a new score.
std::unique_ptr<CZelDoc> OpenScore(const std::string& path) {
    auto doc = std::make_unique<CZelDoc>();
    if (!path.empty()) {
        if (!doc->OnOpenDocument(path.c_str())) return nullptr;
    } else {
        CDC measure;
        measure.CreateIC();
        PushPort(&measure);
        NewScoreSettings settings;
        const bool made = BuildNewScore(*doc->GetScore(), settings);
        PopPort();
        if (!made) return nullptr;
    }
    doc->SetCurrentBar(0, false);
    return doc;
}

bool MakeFrame(CFrameWnd& frame, int w, int h) {
    if (!frame.Create("Zelmarin")) return false;
    frame.MoveWindow(0, 0, w, h, TRUE);
    frame.EnableDocking(CBRS_ALIGN_ANY);
    frame.ShowWindow(SW_SHOW);
    return true;
}

}  // namespace

int ShotStatusBar(const std::string& out, const std::string& score) {
    CFrameWnd frame;
    if (!MakeFrame(frame, 820, 90)) return 1;
    auto doc = OpenScore(score);
    if (!doc) {
        std::fprintf(stderr, "dlgshot: cannot open %s\n", score.c_str());
        return 1;
    }
    CStatBar bar;
    if (!bar.Create(&frame)) return 1;
    frame.DockControlBar(&bar);
    fw::PumpMessages();
    bar.Init();
    bar.SetDocument(doc.get());
    bar.SetMessage("CPU: 12.50 %");
    fw::PumpMessages();
    const bool saved = bar.SaveImage(out);
    bar.SetDocument(nullptr);
    frame.DestroyWindow();
    if (!saved) std::fprintf(stderr, "dlgshot: cannot write %s\n", out.c_str());
    return saved ? 0 : 1;
}

int ShotDebugWindow(const std::string& out, const std::string& score) {
    CWinApp app("dlgshot");
    CFrameWnd frame;
    if (!MakeFrame(frame, 900, 600)) return 1;
    app.m_pMainWnd = &frame;
    auto doc = OpenScore(score);
    if (!doc) {
        std::fprintf(stderr, "dlgshot: cannot open %s\n", score.c_str());
        return 1;
    }
    int status = 1;
    {
        CDebugWnd wnd;
        if (wnd.Create(&frame)) {
            wnd.SetDocument(doc.get());
            wnd.ShowBar();
            fw::PumpMessages();
            status = wnd.SaveImage(out) ? 0 : 1;
            if (status) std::fprintf(stderr, "dlgshot: cannot write %s\n", out.c_str());
        }
    }
    app.m_pMainWnd = nullptr;
    frame.DestroyWindow();
    return status;
}

int ShotToolWindow(const std::string& name, const std::string& out) {
    const bool isPalette = name.rfind("palette:", 0) == 0;
    const int palette = isPalette ? FindPaletteByName(name.c_str() + 8) : -1;
    if (!(name == "stdtoolbar" || name == "maintoolbar" || name == "stylebar" || palette >= 0)) {
        if (isPalette) {
            std::fprintf(stderr, "dlgshot: no palette \"%s\"; palettes:", name.c_str() + 8);
            for (int i = 0; i < kPaletteCount; ++i) std::fprintf(stderr, " %s", GetPaletteDef(i).name);
            std::fprintf(stderr, "\n");
        }
        return 2;
    }
    CWinApp app("dlgshot");
    CFrameWnd frame;
    if (!MakeFrame(frame, 900, 600)) return 1;
    app.m_pMainWnd = &frame;
    int status = 1;
    {
        CStdToolBar standard;
        CMainToolBar tools;
        CTransport transport;
        if (standard.Create(&frame) && tools.Create(&frame, [&transport](CFrameWnd* f) { return transport.Create(f); })) {
            frame.DockControlBar(&standard);
            frame.DockControlBar(&tools);
            auto doc = OpenScore("");
            tools.SetDocument(doc.get());
            CWnd* shown = &tools;
            if (name == "stdtoolbar") {
                shown = &standard;
            } else if (name == "stylebar") {
                shown = &StyleBarObject();
                StyleBarObject().Show();
            } else if (palette >= 0) {
                shown = &Palette(palette);
                Palette(palette).Show();
            }
            fw::PumpMessages();
            shown->UpdateWindow();
            status = shown->SaveImage(out) ? 0 : 1;
            if (status) std::fprintf(stderr, "dlgshot: cannot write %s\n", out.c_str());
            tools.SetDocument(nullptr);
        }
    }
    app.m_pMainWnd = nullptr;
    frame.DestroyWindow();
    return status;
}
