// The application object and its event loop.
#pragma once

#include "framework/Window.h"

// The application is a command target: commands no window takes come to it.
class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(const char* appName);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual bool InitInstance() { return true; }
    virtual int ExitInstance() { return 0; }

    // Runs the event loop until the main window closes or Quit is called.
    int Run();
    void Quit(int code = 0);

    const char* m_pszAppName;
    CWnd* m_pMainWnd = nullptr;
};

CWinApp* AfxGetApp();

// Starts the platform's application for argc/argv, calls InitInstance, runs the event loop
// and ExitInstance, and returns the exit code. SIGINT and SIGTERM end the loop cleanly.
int AfxWinMain(CWinApp& app, int argc, char** argv);
