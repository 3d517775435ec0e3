// The document's own commands: going back to the saved file, the autosave copy, the replies a
// script gives to the program's questions, and one line of the document's state.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Script.h"
#include "app/NewDocDlg.h"
#include "framework/CodePage.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "framework/PropertySheet.h"
#include "framework/TreeCtrl.h"
#include "framework/UiTest.h"
#include "model/NewScore.h"
#include "model/Score.h"
#include "model/Preferences.h"
#include "model/ZelDoc.h"
#include "platform/Port.h"

namespace zelscript {
namespace {

// The replies queued for the program's message boxes and file dialogs. They exist from the
// first reply on, for the rest of the run (each case of --check runs in its own process).
struct Replies {
    fw::msgboxtest::Capture boxes;
    fw::filedialogtest::Script files;
};
Replies& TheReplies() {
    static Replies replies;
    return replies;
}

CZelDoc& Doc(Context& ctx) { return *ctx.Score().doc; }

void RunRevert(Context& ctx, const Args& args) {
    NeedArgs(args, 0, 0, "revert");
    tools::ToolScore& s = ctx.Score();
    const bool done = s.doc->Revert();
    s.Refresh();
    std::fprintf(ctx.out, "revert: %s\n", done ? "done" : "not done");
}

void RunAutosave(Context& ctx, const Args& args) {
    NeedArgs(args, 0, 0, "autosave");
    CZelDoc& doc = Doc(ctx);
    const std::string path = fw::ToUtf8(doc.AutosavePath());
    if (!doc.Autosave()) throw ScriptError("the autosave copy could not be written");
    // The folder and the name: the user data folder differs from run to run.
    const std::size_t name = path.find_last_of('/');
    const std::size_t folder = name == std::string::npos || name == 0 ? std::string::npos : path.rfind('/', name - 1);
    std::fprintf(ctx.out, "autosave: %s\n", folder == std::string::npos ? path.c_str() : path.c_str() + folder + 1);
}

// The next modal dialog of the program's own: each field takes its value as the user would
// give it, then the button ends the dialog. Edit fields take the text; check boxes and radio
// buttons 0 or 1; combo and list boxes the entry's index; scroll bars the position; trees a
// folder path ("Band/Jazz"); a drawn control X,Y is a click at that point.
// What went wrong while the dialog ran (empty: nothing); the command that ran it reports it.
std::string& DialogError() {
    static std::string error;
    return error;
}

CDialog& OwnerOf(CDialog& dlg, int id) {
    if (auto* sheet = dynamic_cast<CPropertySheet*>(&dlg); sheet && !dlg.GetDlgItem(id) && sheet->GetActivePage())
        return *sheet->GetActivePage();
    return dlg;
}

void SetField(CDialog& sheetOrDialog, int id, const std::string& value) {
    // A property sheet's own controls are its tabs and buttons; the others are the shown page's.
    CDialog& dlg = OwnerOf(sheetOrDialog, id);
    CWnd* c = dlg.GetDlgItem(id);
    if (!c) throw ScriptError("the dialog has no control " + std::to_string(id));
    const std::string v = fw::FromUtf8(value);
    if (auto* tree = dynamic_cast<CTreeCtrl*>(c)) {
        HTREEITEM item = TVI_ROOT;
        std::size_t from = 0;
        while (from <= v.size()) {
            const std::size_t slash = std::min(v.find('/', from), v.size());
            const std::string name = v.substr(from, slash - from);
            HTREEITEM found = nullptr;
            for (HTREEITEM i = tree->GetChildItem(item); i && !found; i = tree->GetNextSiblingItem(i))
                if (name == static_cast<const char*>(tree->GetItemText(i))) found = i;
            if (!found) throw ScriptError("no folder \"" + value + "\" in control " + std::to_string(id));
            item = found;
            from = slash + 1;
        }
        tree->SelectItem(item);
    } else if (auto* combo = dynamic_cast<CComboBox*>(c)) {
        combo->SetCurSel(std::atoi(v.c_str()));
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), LPARAM(c));
    } else if (auto* list = dynamic_cast<CListBox*>(c)) {
        list->SetCurSel(std::atoi(v.c_str()));
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), LPARAM(c));
    } else if (auto* bar = dynamic_cast<CScrollBar*>(c)) {
        dlg.SendMessage(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, std::atoi(v.c_str())), LPARAM(bar));
    } else if (auto* button = dynamic_cast<CButton*>(c)) {
        if ((button->GetCheck() != 0) != (std::atoi(v.c_str()) != 0)) button->Click();
    } else {
        dlg.SetDlgItemText(id, v.c_str());
    }
}

void AnswerNextDialog(int button, std::vector<std::pair<int, std::string>> fields) {
    UiSession();
    DialogError().clear();
    fw::uitest::OnNextModal([button, fields](CDialog& dlg) {
        for (const auto& [id, value] : fields) {
            const std::size_t comma = value.find(',');
            if (comma != std::string::npos && OwnerOf(dlg, id).GetDlgItem(id)) {
                fw::uitest::Click(OwnerOf(dlg, id).GetDlgItem(id), std::atoi(value.c_str()),
                                  std::atoi(value.c_str() + comma + 1));
                continue;
            }
            fw::uitest::Call([&dlg, id, value] {
                try {
                    SetField(dlg, id, value);
                } catch (const ScriptError& e) {
                    if (DialogError().empty()) DialogError() = e.what();
                }
            });
        }
        fw::uitest::ClickControl(&dlg, button);
    });
}

// The New dialog, as File New runs it: a new score of its record, or its template opened and
// given the record's settings.
void RunNewDialog(Context& ctx, const Args& args) {
    NeedArgs(args, 0, 0, "new dialog");
    if (!GetArtist()) InitDrawing();
    CNewDocDlg dialog;
    const bool ok = dialog.Run();
    if (!DialogError().empty()) throw ScriptError(DialogError());
    if (!ok) {
        std::fprintf(ctx.out, "new dialog: cancelled\n");
        return;
    }
    try {
        if (dialog.settings.arrangement != 4) {
            ctx.score = tools::NewScore(dialog.settings);
        } else {
            ctx.score = tools::ReadScore(fw::ToUtf8(dialog.templatePath.path));
            if (!BuildNewScore(*ctx.score->score, dialog.settings, ctx.score->doc.get()))
                throw ScriptError("the template could not take the settings");
        }
    } catch (const tools::ToolError& e) {
        throw ScriptError(e.what());
    }
    const NewScoreSettings& r = dialog.settings;
    std::fprintf(ctx.out,
                 "new dialog: kind %d staff %d meter %d key %d tempo %d unit %d dotted %d shown %d pickup %d jazz %d "
                 "title \"%s\"\n",
                 int(r.arrangement), int(r.singleStaffChoice), int(r.meterPreset), int(r.key), int(r.tempo),
                 int(r.tempoDisplay), int(r.tempoFlagB), int(r.tempoFlagA), int(r.pickup), int(r.jazzFont),
                 fw::ToUtf8(r.title).c_str());
}

void RunAnswer(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 24, "answer yes|no|cancel|ok [path=FILE] [ID=VALUE ...]");
    static const struct {
        const char* word;
        int id;
    } kReplies[] = {{"yes", IDYES}, {"no", IDNO}, {"cancel", IDCANCEL}, {"ok", IDOK}};
    int id = 0;
    for (const auto& r : kReplies)
        if (args[0] == r.word) id = r.id;
    if (!id) throw ScriptError("answer must be yes, no, cancel or ok, not \"" + args[0] + "\"");
    Replies& replies = TheReplies();
    if (args.size() == 1) {
        replies.boxes.Answer(id);
        return;
    }
    // path=FILE (or path alone) replies to the next file dialog; ID=VALUE fields to the next
    // dialog of the program's own.
    std::vector<std::pair<int, std::string>> fields;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& field = args[i];
        const std::size_t eq = field.find('=');
        const std::string name = field.substr(0, eq);
        if (name == "path") {
            if (id == IDOK) {
                if (eq == std::string::npos || eq + 1 == field.size()) throw ScriptError("path=FILE needs a file");
                replies.files.Answer(fw::FromUtf8(field.substr(eq + 1)));
            } else if (id == IDCANCEL) {
                replies.files.Cancel();
            } else {
                throw ScriptError("a file dialog answers ok or cancel");
            }
            continue;
        }
        char* end = nullptr;
        const long control = std::strtol(name.c_str(), &end, 10);
        if (name.empty() || *end || control <= 0 || control > 0xFFFF || eq == std::string::npos)
            throw ScriptError("unknown field \"" + field + "\" (path=FILE or ID=VALUE)");
        fields.emplace_back(int(control), field.substr(eq + 1));
    }
    if (!fields.empty()) AnswerNextDialog(id, std::move(fields));
}

void RunState(Context& ctx, const Args& args) {
    NeedArgs(args, 0, 0, "state");
    tools::ToolScore& s = ctx.Score();
    CZelDoc& doc = *s.doc;
    CScore& score = *s.score;
    const ScoreLocation& at = doc.location;
    const int voice = at.allVoices ? -1 : int(at.voice);
    std::fprintf(ctx.out,
                 "title=\"%s\" modified=%d zoom=%d mode=%d tracks=%d bars=%d systems=%d pages=%d page=%d bar=%d "
                 "track=%d voice=%d undo=%d/%d\n",
                 fw::ToUtf8(doc.GetPlainTitle()).c_str(), doc.IsModified() ? 1 : 0, doc.GetZoom(),
                 doc.GetArrangementMode(), score.GetTrackCount(), score.GetBarCount(), score.GetLineCount(),
                 score.GetPageCount(), int(at.pageIndex), int(at.barIndex), int(at.trackIndex), voice,
                 doc.GetUndoCount(), doc.GetUndoPosition());
}

// print display: the display flags of the insertion point, the score and the preferences.
void RunPrintDisplay(Context& ctx, const Args& args) {
    NeedArgs(args, 0, 0, "print display");
    tools::ToolScore& s = ctx.Score();
    const ScoreLocation& at = s.doc->location;
    const CScore& score = *s.score;
    std::fprintf(ctx.out,
                 "handles=%d hidden=%d chord=%d lyric=%d slash=%d dynamics=%d timecode=%d margins=%d rulers=%d "
                 "grid=%d voicenames=%d fullrests=%d staffspacing=%d colours=%d transposed=%d playback=%d "
                 "repeats=%d\n",
                 at.handles, at.hiddenObjects, at.overlays[0], at.overlays[1], at.overlays[2], at.overlays[3],
                 at.overlays[4], score.showPageMargins, score.showRulers,
                 g_preferences.Byte(Preferences::kGridDisplay), g_preferences.Byte(Preferences::kShowTrackVoiceNames),
                 score.fillWithWholeRests, score.staffGroupSeparators, score.showColors, score.transposedDisplay,
                 score.playbackStyle, score.playRepeats);
}

const CommandRegistrar registrar{
    {"revert", "", "asks, then reads the saved file again (prints whether it did)", RunRevert},
    {"autosave", "", "writes the autosave copy (prints its folder and name)", RunAutosave},
    {"answer", "yes|no|cancel|ok [path=FILE] [ID=VALUE ...]",
     "the reply to the next message box; with path=FILE (ok) or path (cancel), to the next file dialog; "
     "with ID=VALUE fields, to the next dialog (a property sheet: its tabs are 12336 on, the other ids "
     "the shown page's): control ID takes VALUE (a text, 0/1 for check boxes and "
     "radio buttons, an index for lists and combos, a position for scroll bars, a folder a/b for trees, "
     "X,Y for a click on a drawn control), then the button ends it",
     RunAnswer},
    {"new dialog", "", "runs the New dialog (reply with answer first) and makes its new score", RunNewDialog},
    {"print display", "",
     "the display flags: handles, hidden objects, the five position overlays, margins, rulers, grid, track voice "
     "names, full rests, staff spacing, colours, transposed tracks, playback type and repeats",
     RunPrintDisplay},
    {"state", "",
     "one line: title, modified, zoom, mode, tracks, bars, systems, pages, page, bar, track, voice, "
     "undo=count/position",
     RunState},
};

}  // namespace
}  // namespace zelscript
