// The preferences: `prefs` loads the record from the settings store as start-up does and lists
// every stored field; `prefs write` saves the record as the program does at exit.
#include <string>

#include "Script.h"
#include "app/ZelApp.h"
#include "model/Preferences.h"
#include "framework/CodePage.h"
#include "platform/FileNames.h"
#include "platform/Port.h"

namespace zelscript {
namespace {

bool g_loaded = false;

// Start-up's steps: the program folder, the font list, the defaults, then the store.
void LoadPreferences() {
    SetUpProgramFolder();
    InitDrawing();
    g_preferences.SetDefaults();
    g_preferences.SetDefaultFonts(CZelApp::LanguageFontSize(0));
    g_preferences.Init();
    g_preferences.MakeFontsCurrent();
    g_loaded = true;
}

void RunPrefs(Context& ctx, const Args& args) {
    NeedArgs(args, 0, 0, "prefs");
    LoadPreferences();
    for (const Preferences::StoredValue& v : g_preferences.DescribeStoredValues())
        std::fprintf(ctx.out, "%d\t%s\t%s\t%s\n", v.offset, fw::ToUtf8(v.key).c_str(), v.name.c_str(),
                     fw::ToUtf8(v.value).c_str());
}

void RunPrefsWrite(Context&, const Args& args) {
    NeedArgs(args, 0, 0, "prefs write");
    if (!g_loaded) LoadPreferences();
    g_preferences.Save();
}

const CommandRegistrar registrar{
    {"prefs", "",
     "loads the preferences from the settings store as start-up does; a line per stored field: offset, key, "
     "value name, value",
     RunPrefs},
    {"prefs write", "", "saves the preferences to the settings store as the program does at exit", RunPrefsWrite},
};

}  // namespace
}  // namespace zelscript
