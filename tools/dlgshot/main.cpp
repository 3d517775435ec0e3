// dlgshot ID OUT.png: opens the dialog with template ID off the screen, filled with default
// data, and writes a picture of it.
// dlgshot --window NAME OUT.png: a picture of one of the program's own windows (controls: a
// sheet of the bar controls in their states; status: the status bar; debug: the debug window;
// stdtoolbar, maintoolbar, stylebar: the tool bars; palette:NAME: a tool palette),
// status and debug bound to the score file SCORE when one follows; an unknown name lists the
// known ones.
// dlgshot --help: the usage and the dialog templates it can draw.
#include <cstdio>
#include <array>
#include <cstdlib>
#include <memory>
#include <string>

#include "BarShots.h"
#include "ControlsSheet.h"
#include "app/AboutDlg.h"
#include "app/ImportDlg.h"
#include "app/NewDocDlg.h"
#include "chrome/TupletDlg.h"
#include "edit/BarNumDlg.h"
#include "edit/AddTrackDlg.h"
#include "edit/PasteDlg.h"
#include "edit/MultiBarDlg.h"
#include "framework/Resources.h"
#include "framework/Window.h"
#include "model/BarNumber.h"
#include "model/AllotLib.h"
#include "model/EngraverDlg.h"
#include "model/EngraverSettings.h"
#include "model/LyricWnd.h"
#include "model/Record.h"
#include "model/Score.h"
#include "model/Track.h"
#include "platform/Port.h"
#include "platform/StdDlg.h"
#include "view/MidiChoosers.h"

namespace {

// The dialog class of a template, with its default data.
struct Shown {
    EngraverSettings engraver;
    SpacingTable spacing = BuiltInSpacingTable();
    MidiImportSettings import;
    alignas(8) std::uint8_t barNumber[CBarNumber::kSize] = {};
    std::unique_ptr<CScore> score;
    alignas(8) std::array<std::uint8_t, CTrack::kSize> track{};
    std::unique_ptr<CDialog> dialog;
};

void MakeDialog(UINT id, Shown& s) {
    switch (id) {
    case CEngraverDlg::kTemplateId:
        InitEngraverSettings(s.engraver);
        s.dialog = std::make_unique<CEngraverDlg>(&s.engraver);
        break;
    case CAllotDlg::kTemplateId: {
        auto d = std::make_unique<CAllotDlg>(&s.spacing, true);
        std::snprintf(d->title, sizeof d->title, "Medium Allotments.lib");
        s.dialog = std::move(d);
        break;
    }
    case CNewDocDlg::kTemplateId: s.dialog = std::make_unique<CNewDocDlg>(); break;
    case CAboutDlg::kTemplateId: s.dialog = std::make_unique<CAboutDlg>(); break;
    // Bank select 0 and a program, the second select blank.
    case CBankDlg::kTemplateId: s.dialog = std::make_unique<CBankDlg>(0x00FF05FFu); break;
    case CTupletDlg::kTemplateId: s.dialog = std::make_unique<CTupletDlg>(); break;
    case CPasteDlg::kTemplateId: s.dialog = std::make_unique<CPasteDlg>(); break;
    // The lyric window with its editor in the placeholder's place.
    case CLyricWnd::kTemplateId: s.dialog = std::make_unique<CLyricWnd>(); break;
    case CBarNumDlg::kTemplateId:
        // A new bar number from bar 1: its defaults (centred, every system, above the staff).
        rec::Put<std::int16_t>(s.barNumber, rec::kSize, std::int16_t(CBarNumber::kSize));
        CBarNumber::Construct(s.barNumber);
        s.dialog = std::make_unique<CBarNumDlg>(s.barNumber, 1, 0);
        break;
    case CMultiBarDlg::kTemplateId: {
        // A new rest of four bars from bar 9, thin ends, its number above the staff and the
        // range of bars below.
        auto dlg = std::make_unique<CMultiBarDlg>();
        dlg->record[CMultiBarDlg::kFillByte] = 80;
        dlg->record[CMultiBarDlg::kFlags] = CMultiBarDlg::kRangeBit;
        rec::Put<std::int16_t>(dlg->record, CMultiBarDlg::kNumberDistance, 240);
        dlg->count = 4;
        dlg->firstNumber = 8;
        dlg->numberFont = FontRef{0, 12, 0, 0};
        dlg->rangeFont = FontRef{0, 10, 0, 0};
        s.dialog = std::move(dlg);
        break;
    }
    case CImportDlg::kTemplateId: {
        // Three proposed staves of a format 0 file: a melody, a bass part and drums.
        s.import.fileName = "song.mid";
        s.import.format = 0;
        s.import.mapChannels = 1;
        s.import.staffCount = 1;
        MidiImportTrack& t = s.import.entries[0];
        t.trackNumber = 0;
        const int channels[3] = {0, 1, 9}, low[3] = {60, 36, 35}, high[3] = {79, 52, 49}, programs[3] = {73, 33, -1};
        for (int k = 0; k < 3; ++k) {
            MidiChannelStats& c = t.stats[channels[k]];
            c.used = 1;
            c.lowest = std::uint8_t(low[k]);
            c.highest = std::uint8_t(high[k]);
            c.notes = 20;
            c.firstProgram = std::int16_t(programs[k]);
        }
        CMidiImport::ProposeStaves(s.import, false);
        s.dialog = std::make_unique<CImportDlg>(s.import);
        break;
    }
    case CAddTrackDlg::kTemplateId: {
        // A treble staff made from a new track, for a score of no tracks.
        s.score = std::make_unique<CScore>(nullptr);
        CTrack* t = CTrack::Construct(s.track.data());
        t->Init(0, 0, 1984);
        s.dialog = std::make_unique<CAddTrackDlg>(*s.score, *t);
        break;
    }
    default: s.dialog = std::make_unique<CStdDlg>(); break;
    }
}

// The usage, then every dialog template the program holds: its id and the comment that names it.
void PrintUsage(std::FILE* to) {
    std::fprintf(to, "usage: dlgshot ID OUT.png | dlgshot --window NAME OUT.png [SCORE]\ndialog templates:\n");
    for (const UINT id : fw::ListResources("dialogs")) {
        std::string text, name;
        fw::LoadResourceText("dialogs", id, text);
        if (text.rfind("# ", 0) == 0) name = text.substr(2, text.find('\n') - 2);
        std::fprintf(to, "  %u  %s\n", id, name.c_str());
    }
}

}  // namespace

int ShowWindowByName(const std::string& name, const char* out, const std::string& score) {
    const char* known[] = {"controls", "status", "debug", "stdtoolbar", "maintoolbar", "stylebar", "palette:NAME"};
    if (name == "status") return ShotStatusBar(out, score);
    if (const int shot = ShotToolWindow(name, out); shot != 2) return shot;
    if (name == "debug") return ShotDebugWindow(out, score);
    if (name != known[0]) {
        std::fprintf(stderr, "dlgshot: no window \"%s\"; known windows:", name.c_str());
        for (const char* k : known) std::fprintf(stderr, " %s", k);
        std::fprintf(stderr, "\n");
        return 2;
    }
    ControlsSheet sheet;
    if (!sheet.Create()) {
        std::fprintf(stderr, "dlgshot: the controls sheet could not be made\n");
        return 1;
    }
    if (!sheet.Save(out)) {
        std::fprintf(stderr, "dlgshot: cannot write %s\n", out);
        return 1;
    }
    return 0;
}

int main(int argc, char** argv) {
    const std::string first = argc >= 2 ? argv[1] : "";
    if (first == "--help" || first == "-h") {
        PrintUsage(stdout);
        return 0;
    }
    if (argc < 3 || (first == "--window" && argc < 4)) {
        PrintUsage(stderr);
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (std::string(argv[1]) == "--window") {
        InitDrawing();
        return ShowWindowByName(argv[2], argv[3], argc > 4 ? argv[4] : "");
    }
    const UINT id = UINT(std::strtoul(argv[1], nullptr, 10));
    InitDrawing();
    Shown shown;
    MakeDialog(id, shown);
    if (!shown.dialog->Create(id, nullptr)) {
        std::fprintf(stderr, "dlgshot: no dialog template %u\n", id);
        return 1;
    }
    shown.dialog->ShowWindow(SW_SHOW);
    fw::PumpMessages();
    shown.dialog->UpdateWindow();
    if (!shown.dialog->SaveImage(argv[2])) {
        std::fprintf(stderr, "dlgshot: cannot write %s\n", argv[2]);
        return 1;
    }
    shown.dialog->DestroyWindow();
    return 0;
}
