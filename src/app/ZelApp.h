// The application object: start-up shows the main window.
#pragma once
#include <memory>

#include "framework/App.h"

class CFrameWnd;

inline constexpr const char* kProgramName = "Zelmarin";

class CZelApp : public CWinApp {
public:
    CZelApp();
    ~CZelApp() override;
    bool InitInstance() override;
    int ExitInstance() override;

private:
    std::unique_ptr<CFrameWnd> mainFrame_;
};
