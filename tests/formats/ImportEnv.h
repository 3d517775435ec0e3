// What the import tests share: a fresh program state with the notation's classes, the drawing
// and the score formats registered, a temporary home and folder, and captured message boxes.
#pragma once

#include <string>

#include "formats/MusicXmlImport.h"
#include "framework/File.h"
#include "framework/Globals.h"
#include "framework/MessageBox.h"
#include "model/Preferences.h"
#include "model/Track.h"
#include "notation/NotationClasses.h"
#include "platform/Port.h"
#include "support/TempHome.h"

namespace formatstest {

inline std::string ReadFile(const std::string& path) {
    std::string bytes;
    fw::ReadWholeFile(path, bytes);
    return bytes;
}

struct ImportEnv {
    testsupport::TempHome home;
    testsupport::TempDir dir;
    fw::msgboxtest::Capture boxes;
    ImportEnv() {
        fw::ResetAllGlobals();
        RegisterTrackClass();
        RegisterNotationClasses();
        InitDrawing();
        g_preferences.SetDefaultFonts(0);
        g_preferences.MakeFontsCurrent();
        formats::RegisterScoreFormats();
    }
    ~ImportEnv() { fw::ResetAllGlobals(); }
    std::string Path(const std::string& name) const { return dir.path() + "/" + name; }
};

}  // namespace formatstest
