// The application object and its event loop.
#pragma once

#include <string>
#include <vector>

#include "framework/Window.h"

class CDocument;

// The application is a command target: commands no window takes come to it.
class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(const char* appName);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual bool InitInstance() { return true; }
    virtual int ExitInstance() { return 0; }
    // Called while the event queue is empty, count 0 first and rising while it returns true
    // (the loop then turns again before it waits); the base has nothing to do.
    virtual bool OnIdle(long count);
    // The application became active (true) or inactive (false) among the desktop's windows.
    virtual void OnActivateApp(bool active);
    // The documents the application keeps: a view over doc became active (its frame was
    // activated; null: no document is active); doc closed (CDocument::OnCloseDocument), so the
    // application lets go of it.
    // The base keeps no documents.
    virtual void ActivateDocument(CDocument* doc);
    virtual void RemoveDocument(CDocument* doc);
    // A document was opened from or saved under path: it heads the recent-file list (the base
    // keeps none).
    virtual void AddToRecentFileList(const char* path);

    // Runs the event loop until the main window closes or Quit is called.
    int Run();
    void Quit(int code = 0);

    const char* m_pszAppName;
    CWnd* m_pMainWnd = nullptr;
    // The command line's words after the program's name (the system's encoding).
    std::vector<std::string> m_args;
};

CWinApp* AfxGetApp();

// Starts the platform's application for argc/argv, calls InitInstance, runs the event loop
// and ExitInstance, and returns the exit code. While the loop runs, OnIdle is called whenever
// the queue has run empty. SIGINT and SIGTERM end the loop cleanly, also while a modal dialog
// or a mouse loop runs: those end (a dialog as cancelled) and the program goes on to its end.
int AfxWinMain(CWinApp& app, int argc, char** argv);

namespace fw {
// Whether a stop signal came since AfxWinMain began: the loops inside the event loop (modal
// dialogs, mouse loops) end when it did.
bool StopRequested();
// The platform's own dialogs (files, printing, colours, message-box buttons) speak the
// program's language: the platform's Chinese translation is installed with the application
// object (false when the system lacks it). A text of those dialogs as they show it (UTF-8).
bool InstallStandardDialogTranslation();
std::string StandardDialogText(const char* context, const char* text);
}  // namespace fw
