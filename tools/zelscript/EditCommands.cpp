// Edits through the program's own commands: the selection's whole-score and range forms, a
// command by its id (run as the document runs it), undo and redo, and `same`, which holds the
// score's saved form against a file's bytes.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "Script.h"
#include "app/ZelApp.h"
#include "edit/Commands.h"
#include "framework/Clipboard.h"
#include "framework/CmdUI.h"
#include "framework/Input.h"
#include "framework/CodePage.h"
#include "framework/Gdi.h"
#include "framework/Menu.h"
#include "framework/SystemClipboard.h"
#include "framework/UiTest.h"
#include "model/TextTask.h"
#include "model/ModelGlobals.h"
#include "model/Bar.h"
#include "model/EditTask.h"
#include "model/ItemArray.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/Tempo.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/RawNote.h"
#include "platform/Handles.h"
#include "view/PenTask.h"

namespace zelscript {
namespace {

constexpr UINT kMainMenu = 128;

std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ScriptError("cannot read " + path);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void RunSame(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 1, "same FILE");
    const std::vector<std::uint8_t> want = FileBytes(ctx.InputPath(args[0]));
    char temp[] = "/tmp/zelscript-same-XXXXXX";
    const int fd = mkstemp(temp);
    if (fd < 0) throw ScriptError("cannot make a temporary file");
    close(fd);
    const bool written = ctx.Score().doc->WriteNative(temp);
    const std::vector<std::uint8_t> have = written ? FileBytes(temp) : std::vector<std::uint8_t>();
    std::remove(temp);
    if (!written) throw ScriptError("the score could not be saved");
    if (have == want) {
        std::fprintf(ctx.out, "same: %s\n", args[0].c_str());
        return;
    }
    std::size_t at = 0;
    while (at < have.size() && at < want.size() && have[at] == want[at]) ++at;
    throw ScriptError("the score's saved form differs from " + args[0] + " at byte " + std::to_string(at) + " (" +
                      std::to_string(have.size()) + " bytes against " + std::to_string(want.size()) + ")");
}

// Selects tracks t1-t2 in bars b1-b2 as the selection's own gestures do (whole tracks, or the span
// from the first bar's start to the last bar's end), then the bars' own tempo marks and texts,
// and counts again.
void SelectRange(Context& ctx, int t1, int t2, int b1, int b2, bool whole) {
    tools::ToolScore& s = ctx.Score();
    CScore& score = *s.score;
    if (t1 < 0 || t2 >= score.GetTrackCount()) throw ScriptError("no tracks " + std::to_string(t1) + "-" + std::to_string(t2));
    if (b1 < 0 || b2 >= score.GetBarCount()) throw ScriptError("no bars " + std::to_string(b1) + "-" + std::to_string(b2));
    CSelect* sel = s.doc->GetSelection();
    sel->ClearAll();
    if (whole)
        sel->SelectTracks(t1, t2, false);
    else
        sel->SelectSpan(t1, b1, 0, t2, b2, 1024, true);
    for (int b = b1; b <= b2; ++b) {
        CItemArray* own = score.GetBar(b)->GetItemArray();
        for (int i = 0; own && i < own->GetCount(); ++i) {
            auto* item = static_cast<CBarItem*>(own->GetAt(i));
            if (!item || item->IsRemoved() || !(item->IsTempo() || item->IsText())) continue;
            item->Select();
        }
    }
    sel->Recount();
}

void RunSelect(Context& ctx, const Args& args) {
    static const char* usage = "select all | select range T1-T2 B1-B2";
    if (args.empty()) throw ScriptError(std::string("usage: ") + usage);
    if (args[0] == "all") {
        NeedArgs(args, 1, 1, usage);
        CScore& score = *ctx.Score().score;
        SelectRange(ctx, 0, score.GetTrackCount() - 1, 0, score.GetBarCount() - 1, true);
    } else if (args[0] == "range") {
        NeedArgs(args, 3, 3, usage);
        int t1 = 0, t2 = 0, b1 = 0, b2 = 0;
        ArgRange(args, 1, "track", &t1, &t2);
        ArgRange(args, 2, "bar", &b1, &b2);
        SelectRange(ctx, t1, t2, b1, b2, false);
    } else {
        throw ScriptError(std::string("usage: ") + usage);
    }
}

// A command as the menu bar runs it: its update handler first (with the entry's text from the
// main menu, when it has one there), printed as "ID enabled|greyed [checked] TEXT"; a greyed
// command is not run.
void RunClipboard(Context& ctx, const Args& args) {
    if (!args.empty()) {
        std::string text;
        for (std::size_t i = 0; i < args.size(); ++i) text += (i ? " " : "") + args[i];
        fw::SetClipboardText(fw::FromUtf8(text));
        return;
    }
    std::string shown;
    for (char c : fw::ToUtf8(fw::GetClipboardText()))
        shown += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);
    std::fprintf(ctx.out, "clipboard \"%s\"\n", shown.c_str());
}

// The internal clipboard's block (what the last copy made) written to a file as it lies: a seed
// for the clip block fuzzer.
void RunClipBlock(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 1, "clipblock FILE");
    const HGLOBAL h = fw::TheClipboard().GetData();
    if (!h) throw ScriptError("the clipboard holds no block");
    const auto* p = static_cast<const char*>(LockHandle(h));
    const std::size_t size = GetHandleSize(h);
    std::ofstream out(args[0], std::ios::binary);
    out.write(p, std::streamsize(size));
    UnlockHandle(h);
    if (!out) throw ScriptError("cannot write " + args[0]);
    std::fprintf(ctx.out, "clipblock: %zu bytes\n", size);
}

void RunCmd(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 4, "cmd ID [ctrl] [alt] [shift]");
    const int id = ArgIntIn(args, 0, "command id", 1, 65535);
    // The keys held while the command runs, as a palette click with them held sends it.
    fw::inputtest::Script keys;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "ctrl") keys.SetDown(VK_CONTROL, true);
        else if (args[i] == "alt") keys.SetDown(VK_MENU, true);
        else if (args[i] == "shift") keys.SetDown(VK_SHIFT, true);
        else throw ScriptError("unknown key \"" + args[i] + "\" (ctrl, alt, shift)");
    }
    tools::ToolScore& s = ctx.Score();
    edit::RegisterOperations();
    RegisterViewOperations();
    s.doc->MakeCurrent();
    // The lyric menu's commands go to the open lyric entry, as the style bar sends them (the
    // document's dispatch would end entry first).
    if (id >= 2650 && id <= 2666 && s.doc->textTask) {
        s.doc->textTask->OnCommand(id);
        fw::uitest::RunUntilIdle();
        std::fprintf(ctx.out, "%d to the lyric entry\n", id);
        s.Refresh();
        return;
    }
    CCmdUI ui{UINT(id)};
    CMenu menu;
    if (menu.LoadMenu(kMainMenu)) {
        CString text;
        if (menu.GetMenuString(UINT(id), text, MF_BYCOMMAND) >= 0) ui.text = text.c_str();
    }
    // The document's update handler first, then the application's.
    if (!ui.DoUpdate(s.doc.get(), false)) CZelApp::UpdateOwnCommand(&ui);
    std::string text = ui.text;
    if (const std::size_t tab = text.find('\t'); tab != std::string::npos) text = text.substr(0, tab) + " " + text.substr(tab + 1);
    std::fprintf(ctx.out, "%d %s%s%s%s\n", id, ui.enabled ? "enabled" : "greyed", ui.checked ? " checked" : "",
                 text.empty() ? "" : " ", fw::ToUtf8(text).c_str());
    // The application's routing first; what it leaves goes to the document.
    CZelApp::RegisterApplicationOps();
    if (ui.enabled && !CZelApp::RouteOwnCommand(UINT(id), s.doc.get()) && !s.doc->OnCmdMsg(UINT(id), 0))
        s.doc->OnCommandRange(id);
    s.Refresh();
}

// A tempo mark among bar B's own items at TIME ticks, then every bar's running state again.
void RunTempo(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 3, "tempo B TIME BPM");
    CScore& score = *ctx.Score().score;
    const int b = ArgIntIn(args, 0, "bar", 0, score.GetBarCount() - 1);
    const int time = ArgIntIn(args, 1, "time", 0, 32767);
    const int bpm = ArgIntIn(args, 2, "beats per minute", 10, 300);
    CurrentTrkBar(ctx, 0, b);
    std::uint8_t bytes[CTempo::kSize] = {};
    CTempo* tempo = MakeTempoItem(bytes, bpm * 100);
    tempo->SetTimeField(std::int16_t(time));
    tempo->SetPositionField(score.GetBar(b)->TickToFraction(time, false));
    if (!score.GetBar(b)->InsertItemSorted(tempo)) throw ScriptError("the tempo mark could not be inserted");
    score.RecalcBars(false);
}

// The hit record the erase commands read, as the hit tests leave it: bar B, record INDEX of
// track T's bar B (or own=N: the bar's own item N; neither: the bar itself), and the part, kind
// and tool of the hit.
void RunHit(Context& ctx, const Args& args) {
    static const char* usage = "hit B [T INDEX | own=N] [part=N] [kind=N] [tool=N]";
    NeedArgs(args, 1, 6, usage);
    CScore& score = *ctx.Score().score;
    const int b = ArgIntIn(args, 0, "bar", 0, score.GetBarCount() - 1);
    CBar* bar = score.GetBar(b);
    CBarItem* item = nullptr;
    CTrkBar* trkBar = score.GetTrkBar(0, b);
    int part = CRawNote::kAllHeads, kind = 0, tool = 0, own = -1;
    std::size_t i = 1;
    if (args.size() >= 3 && args[1].find('=') == std::string::npos) {
        trkBar = CurrentTrkBar(ctx, ArgInt(args, 1, "track"), b);
        item = ItemAt(trkBar, ArgInt(args, 2, "index"));
        i = 3;
    }
    for (; i < args.size(); ++i) {
        if (Option(args[i], "part", &part) || Option(args[i], "kind", &kind) || Option(args[i], "tool", &tool)) continue;
        if (Option(args[i], "own", &own)) {
            CItemArray* items = bar->GetItemArray();
            if (!items || own < 0 || own >= items->GetCount()) throw ScriptError("bar " + args[0] + " has no own item " + std::to_string(own));
            item = static_cast<CBarItem*>(items->GetAt(own));
            continue;
        }
        throw ScriptError(std::string("usage: ") + usage);
    }
    bar->MakeCurrent();
    g_model.hitBar = bar;
    g_model.hitItem = item ? static_cast<CBaseItem*>(item) : static_cast<CBaseItem*>(bar);
    g_model.hitTrkBar = trkBar;
    g_model.hitPart = std::int16_t(part);
    g_model.hitKind = kind;
    g_model.hitTool = std::int16_t(tool);
}

void RunPrintBar(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 1, "print bar B");
    CScore& score = *ctx.Score().score;
    CBar* bar = score.GetBar(ArgIntIn(args, 0, "bar", 0, score.GetBarCount() - 1));
    std::fprintf(ctx.out, "bar %s: opening %d closing %d tempo %d own", args[0].c_str(), bar->GetOpeningKind(),
                 bar->GetClosingKind(), int(bar->GetTempo()));
    CItemArray* own = bar->GetItemArray();
    for (int i = 0; own && i < own->GetCount(); ++i) {
        auto* item = static_cast<CBarItem*>(own->GetAt(i));
        char name[64] = {};
        item->GetTypeName(name);
        std::fprintf(ctx.out, " %s%s", name, item->IsRemoved() ? "(removed)" : "");
    }
    std::fputc('\n', ctx.out);
}

// Every page drawn as the score window draws it: what drawing writes into the records (the
// places the layout finds while it draws) is then in the score, as in the running program.
// `ops LOG` writes the drawing calls, each page's after a line "page N"; `pdf OUT.pdf` prints
// every page into a PDF file through the printing artist instead (as zelrender --pdf does), and
// `ops LOG` then holds the calls sent to its pages: a score's unsaved state (pictures, which a
// saved score drops) is drawn on screen and in print in the run that made it.
void RunPaint(Context& ctx, const Args& args) {
    static const char* usage = "paint [ops LOG] | paint pdf OUT.pdf [ops LOG]";
    std::string pdf, ops;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "pdf" && i + 1 < args.size() && pdf.empty()) pdf = args[++i];
        else if (args[i] == "ops" && i + 1 < args.size() && ops.empty()) ops = args[++i];
        else throw ScriptError(usage);
    }
    tools::ToolScore& s = ctx.Score();
    s.doc->MakeCurrent();
    std::vector<std::string> calls;
    if (!pdf.empty()) {
        if (!PrintScoreToPdf(*s.score, pdf, ops.empty() ? nullptr : &calls)) throw ScriptError("cannot print to " + pdf);
    } else {
        for (int p = 0; p < s.score->GetPageCount(); ++p) {
            CBitmap picture;
            std::vector<std::string> page;
            if (!DrawPageToPicture(s.score->GetPage(p), picture, ops.empty() ? nullptr : &page))
                throw ScriptError("page " + std::to_string(p) + " could not be drawn");
            if (ops.empty()) continue;
            calls.push_back("page " + std::to_string(p + 1));
            calls.insert(calls.end(), page.begin(), page.end());
        }
    }
    if (ops.empty()) return;
    std::ofstream log(ops);
    for (const std::string& line : calls) log << line << '\n';
    if (!log) throw ScriptError("cannot write " + ops);
}

void RunUndo(Context& ctx, const Args& args) {
    NeedArgs(args, 0, 0, "undo");
    tools::ToolScore& s = ctx.Score();
    if (s.doc->GetUndoPosition() == 0) throw ScriptError("nothing to undo");
    s.doc->Undo();
}

void RunRedo(Context& ctx, const Args& args) {
    NeedArgs(args, 0, 0, "redo");
    tools::ToolScore& s = ctx.Score();
    if (s.doc->GetUndoPosition() >= s.doc->GetUndoCount()) throw ScriptError("nothing to redo");
    s.doc->Redo();
}

// dragtrack FROM TO: the document moves a track as the track window's drag does (undoable).
void RunMoveTrack(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "dragtrack FROM TO");
    tools::ToolScore& s = ctx.Score();
    const int last = s.score->GetTrackCount() - 1;
    const int from = ArgIntIn(args, 0, "from", 0, last), to = ArgIntIn(args, 1, "to", 0, last);
    std::fprintf(ctx.out, "dragtrack %d %d: %s\n", from, to, s.doc->MoveTrack(from, to) ? "moved" : "refused");
    s.Refresh();
}

const CommandRegistrar registrar{
    {"same", "FILE", "fails unless the score's saved form is FILE's bytes", RunSame},
    {"select", "all | range T1-T2 B1-B2",
     "selects every live record (a note with all its heads) of the whole score or of tracks T1-T2 in bars B1-B2, "
     "with the bars' own tempo marks and texts, and makes that the selection's extent",
     RunSelect},
    {"cmd", "ID [ctrl] [alt] [shift]", "runs command ID (with those keys held) through the application's routing, then the document's (57632 clear, 57634 copy, 57635 cut, 35100-35102 delete marks, "
                        "beams, duplicate heads; 4207 erase the hit, 4203 "
                        "its bar's ending, repeat or bar line, 4205 its page text, 4202 a bracket) as the document runs it",
     RunCmd},
    {"tempo", "B TIME BPM", "a tempo mark of BPM quarters a minute among bar B's own items at TIME ticks", RunTempo},
    {"hit", "B [T INDEX | own=N] [part=N] [kind=N] [tool=N]",
     "the hit the erase commands act on: bar B, a record of track T's bar B or the bar's own item N, the part "
     "(a head or mark index; the whole item when left out), the kind and the tool (906: a note's mark)",
     RunHit},
    {"print bar", "B", "bar B's opening and closing bar line kinds, its tempo and its own items", RunPrintBar},
    {"paint", "[ops LOG] | pdf OUT.pdf [ops LOG]",
     "draws every page as the score window does (what drawing writes is then in the score); ops LOG writes the "
     "drawing calls, each page's after a line \"page N\"; pdf OUT.pdf prints every page into a PDF file through "
     "the printing artist instead, ops LOG then holding the calls sent to its pages",
     RunPaint},
    {"dragtrack", "FROM TO", "the document moves track FROM to index TO, as the track window's drag does, as one "
                             "undoable operation (refused when an item crossing staves touches either track)",
     RunMoveTrack},
    {"clipboard", "[TEXT]", "prints the system clipboard's plain text, or sets it to TEXT (UTF-8, the words joined by one space)",
     RunClipboard},
    {"clipblock", "FILE", "writes the internal clipboard's block (what the last copy made) to FILE as it lies", RunClipBlock},
    {"undo", "", "undoes the last operation", RunUndo},
    {"redo", "", "does the last undone operation again", RunRedo},
};

}  // namespace
}  // namespace zelscript
