#include "app/ZelApp.h"

#include "framework/Window.h"
#include "model/Track.h"
#include "notation/NotationClasses.h"

CZelApp::CZelApp() : CWinApp(kProgramName) {}

CZelApp::~CZelApp() = default;

bool CZelApp::InitInstance() {
    // Record classes whose behaviour lives outside the item factory's own table.
    RegisterTrackClass();
    RegisterNotationClasses();
    mainFrame_ = std::make_unique<CFrameWnd>();
    if (!mainFrame_->Create(kProgramName)) return false;
    m_pMainWnd = mainFrame_.get();
    mainFrame_->ShowWindow(SW_SHOW);
    return true;
}

int CZelApp::ExitInstance() {
    m_pMainWnd = nullptr;
    mainFrame_.reset();
    return 0;
}
