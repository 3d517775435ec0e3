// The document's own commands: going back to the saved file, the autosave copy, the replies a
// script gives to the program's questions, and one line of the document's state.
#include <cstdio>
#include <memory>
#include <string>

#include "Script.h"
#include "framework/CodePage.h"
#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "model/Score.h"
#include "model/ZelDoc.h"

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

void RunAnswer(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 16, "answer yes|no|cancel|ok [path=FILE]");
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
    // With fields the reply goes to the next file dialog.
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& field = args[i];
        const std::size_t eq = field.find('=');
        const std::string name = field.substr(0, eq);
        if (name != "path") throw ScriptError("unknown field \"" + name + "\" (path=FILE)");
        if (id == IDOK) {
            if (eq == std::string::npos || eq + 1 == field.size()) throw ScriptError("path=FILE needs a file");
            replies.files.Answer(fw::FromUtf8(field.substr(eq + 1)));
        } else if (id == IDCANCEL) {
            replies.files.Cancel();
        } else {
            throw ScriptError("a file dialog answers ok or cancel");
        }
    }
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

const CommandRegistrar registrar{
    {"revert", "", "asks, then reads the saved file again (prints whether it did)", RunRevert},
    {"autosave", "", "writes the autosave copy (prints its folder and name)", RunAutosave},
    {"answer", "yes|no|cancel|ok [path=FILE]",
     "the reply to the next message box; with path=FILE (ok) or path (cancel), to the next file dialog",
     RunAnswer},
    {"state", "",
     "one line: title, modified, zoom, mode, tracks, bars, systems, pages, page, bar, track, voice, "
     "undo=count/position",
     RunState},
};

}  // namespace
}  // namespace zelscript
