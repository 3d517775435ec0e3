// Where the program finds and keeps its files (UTF-8 paths, no trailing slash).
#pragma once
#include <string>
#include <vector>

namespace fw {

std::string ConfigHome();  // $XDG_CONFIG_HOME, else ~/.config
std::string StateHome();   // $XDG_STATE_HOME, else ~/.local/state
std::string DataHome();    // $XDG_DATA_HOME, else ~/.local/share
// The system's configuration folders, most important first: $XDG_CONFIG_DIRS (absolute
// entries only), else /etc/xdg. The machine settings store reads them, never writes.
std::vector<std::string> ConfigDirs();
// What the program writes: libraries, "Auto Save", MASTER.INS, INSTRMAP.INI. Read first.
std::string UserDataFolder();  // DataHome()/Harrowick/Zelmarin
// The program's own installed data: themes, templates, default libraries.
std::string InstalledDataFolder();  // $ZEL_DATA_DIR, else the folder chosen at build time
// The running program's file and folder.
std::string ExecutablePath();
std::string ExecutableFolder();

}  // namespace fw
