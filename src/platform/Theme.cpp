#include "platform/Theme.h"

#include <string>

#include "framework/Globals.h"
#include "platform/DrawGlobals.h"
#include "platform/FileNames.h"
#include "platform/PortLayer.h"

Theme g_theme;

namespace {

[[maybe_unused]] const bool registered = fw::RegisterGlobalsReset(&ResetTheme);

// The named file of the program folder's "Themes" into the bitmap, else the default picture.
void loadBackground(CBitmap& bitmap, const char* name) {
    bitmap.DeleteObject();
    if (name && *name) {
        FileSpec folder;
        FileSpec::GetProgramFolder(folder);
        std::string path = folder.path;
        if (!path.empty() && path.back() != '/') path += '/';
        path += "Themes/";
        path += name;
        LoadBitmapFile(&bitmap, path.c_str());
    }
    if (!bitmap.IsValid()) bitmap.LoadBitmap(Theme::kDefaultBitmap);
}

}  // namespace

void Theme::Load(const char* panelName, const char* dockName, int cellBodyColor, int cellTextColor,
                 int menuBodyColor, int menuTextColor) {
    loadBackground(panelBitmap, panelName);
    loadBackground(dockBitmap, dockName);
    cellBody = menuBody = std::int16_t(cellBodyColor);
    cellText = menuText = std::int16_t(cellTextColor);
    if (menuBodyColor != -1) menuBody = std::int16_t(menuBodyColor);
    if (menuTextColor != -1) menuText = std::int16_t(menuTextColor);
    // The swatches and numeric panes of the lower layers paint in the cell colours.
    g_draw.themeColorA = std::uint16_t(cellBody);
    g_draw.themeColorB = std::uint16_t(cellText);
}

void ResetTheme() {
    g_theme.panelBitmap.DeleteObject();
    g_theme.dockBitmap.DeleteObject();
    g_theme.cellBody = g_theme.cellText = g_theme.menuBody = g_theme.menuText = 0;
}
