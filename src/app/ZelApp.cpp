#include "app/ZelApp.h"

#include <cctype>
#include <string>

#include "model/Preferences.h"
#include "platform/FileNames.h"
#include "platform/PlatformGlobals.h"
#include "platform/Port.h"
#include "platform/RvqUtil.h"

#include "framework/Window.h"
#include "model/Track.h"
#include "notation/NotationClasses.h"

CZelApp::CZelApp() : CWinApp(kProgramName) {}

CZelApp::~CZelApp() = default;

bool CZelApp::InitInstance() {
    // Record classes whose behaviour lives outside the item factory's own table.
    RegisterTrackClass();
    RegisterNotationClasses();
    SetUpProgramFolder();
    InitDrawing();
    g_preferences.SetDefaultFonts(LanguageFontSize(0));
    g_preferences.Init();
    mainFrame_ = std::make_unique<CFrameWnd>();
    if (!mainFrame_->Create(kProgramName)) return false;
    m_pMainWnd = mainFrame_.get();
    mainFrame_->ShowWindow(SW_SHOW);
    return true;
}

int CZelApp::ExitInstance() {
    g_preferences.Save();
    m_pMainWnd = nullptr;
    mainFrame_.reset();
    return 0;
}

int CZelApp::GetLanguage() {
    static const char* const kLanguages[] = {"English", "Japanese", "German", "French", "Spanish", "Portuguese"};
    RegKeyRecord key;
    char name[64] = "English";
    if (!OpenRegKey(key, g_platform.programKeyPath, nullptr, KEY_READ, HKEY_LOCAL_MACHINE)) return 0;
    GetRegString(key, "Language", "English", name, sizeof name);
    for (int i = 0; i < 6; ++i) {
        const std::string_view want = kLanguages[i];
        const std::string_view have = name;
        if (want.size() != have.size()) continue;
        bool same = true;
        for (std::size_t c = 0; c < want.size() && same; ++c)
            same = std::tolower(static_cast<unsigned char>(want[c])) == std::tolower(static_cast<unsigned char>(have[c]));
        if (same) return i;
    }
    return 0;
}

int CZelApp::LanguageFontSize(int size) { return size + (GetLanguage() == 1 ? 2 : 0); }
