#include "app/ZelApp.h"

#include "framework/Window.h"

CZelApp::CZelApp() : CWinApp(kProgramName) {}

CZelApp::~CZelApp() = default;

bool CZelApp::InitInstance() {
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
