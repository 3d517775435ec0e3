// The application object: start-up loads the preferences and shows the main window; the
// preferences are saved at exit.
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

    // The interface language from the machine's settings ("Language" under the program's
    // key): English 0, Japanese 1, German 2, French 3, Spanish 4, Portuguese 5; 0 when there
    // is none or the name is not one of these.
    static int GetLanguage();
    // A text size adjusted for the language: 2 points more for Japanese.
    static int LanguageFontSize(int size);

private:
    std::unique_ptr<CFrameWnd> mainFrame_;
};
