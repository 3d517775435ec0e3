// zelscript commands of the score window: open it over the current score (offscreen), scroll
// it, give it keys, take a picture of its client area and print it into a PDF file.
#include <cstdio>
#include <string>
#include <vector>

#include "Script.h"
#include "framework/Clock.h"
#include "framework/Input.h"
#include "framework/UiTest.h"
#include "framework/CodePage.h"
#include "model/TextTask.h"
#include "app/ZelApp.h"
#include "model/ApplicationOps.h"
#include "model/ZelDoc.h"
#include "platform/Port.h"
#include "view/PagePane.h"
#include "view/ViewGlobals.h"
#include "view/ZelView.h"
#include "view/ZelWnd.h"

namespace zelscript {
namespace {

struct Window {
    CZelWnd* wnd = nullptr;
    CZelDoc* doc = nullptr;
    bool started = false;  // the manual clock and the scripted input are set up
    // Windows of scores the script has left behind: their documents are gone, so they are
    // kept (hidden) rather than destroyed.
    std::vector<CZelWnd*> left;
};

Window& TheWindow() {
    static Window w;
    return w;
}

// The window over the current score; a ScriptError when none is open for it.
CZelView& View(Context& ctx) {
    Window& w = TheWindow();
    if (!w.wnd || w.doc != ctx.Score().doc.get()) throw ScriptError("no score window: use `window` first");
    return *w.wnd->GetView();
}

void RunWindow(Context& ctx, const Args& args) {
    CZelDoc* doc = ctx.Score().doc.get();
    int mode = doc->location.arrangementMode, zoom = doc->GetZoom();
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "mode" && i + 1 < args.size())
            mode = ArgIntIn(args, ++i, "mode", 0, 2);
        else if (args[i] == "zoom" && i + 1 < args.size())
            zoom = ArgIntIn(args, ++i, "zoom", 10, 800);
        else
            throw ScriptError("window [mode 0|1|2] [zoom Z]");
    }
    Window& w = TheWindow();
    if (!GetArtist()) InitDrawing();  // a score read from a file has not drawn yet
    if (!w.started) {
        fw::clocktest::SetManual(1000);
        UiSession();
        w.started = true;
    }
    if (w.wnd && w.doc == doc) {
        delete w.wnd;
    } else if (w.wnd) {
        w.wnd->ShowWindow(SW_HIDE);
        w.left.push_back(w.wnd);
    }
    w.wnd = nullptr;
    doc->location.arrangementMode = std::int16_t(mode);
    doc->SetZoom(zoom, false);
    auto* wnd = new CZelWnd;
    if (!wnd->Create(nullptr, RECT{0, 0, 820, 620}, doc)) throw ScriptError("the score window cannot be made");
    wnd->GetView()->ShowRulers(true);
    doc->ShowInsertCursor();  // as after the pointer's first pass over a page
    fw::uitest::RunUntilIdle();
    w.wnd = wnd;
    w.doc = doc;
    CZelView& v = *wnd->GetView();
    std::fprintf(ctx.out, "window mode %d zoom %d panes %d page %dx%d total %ldx%ld\n", mode, doc->GetZoom(),
                 v.GetPaneCount(), v.pageWidth, v.pageHeight, long(v.GetTotalRect().right),
                 long(v.GetTotalRect().bottom));
}

void RunScroll(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "X Y");
    CZelView& v = View(ctx);
    v.ScrollToPosition(POINT{ArgInt(args, 0, "X"), ArgInt(args, 1, "Y")});
    fw::uitest::RunUntilIdle();
    const POINT s = v.GetScrollPosition();
    int shown = 0;
    for (int i = 0; i < v.GetPaneCount(); ++i) shown += v.GetPane(i)->IsWindowVisible();
    std::fprintf(ctx.out, "scroll %ld %ld block %d panes shown %d\n", long(s.x), long(s.y), v.currentBlock, shown);
}

// Where keys go: the open text editor (it has the focus), else the view.
CWnd* KeyTarget(CZelView& v) {
    CZelDoc* doc = v.document;
    if (doc && doc->textTask && doc->textTask->Editor()) return doc->textTask->Editor();
    return &v;
}

void PrintEditor(Context& ctx, CZelDoc* doc) {
    CTextEdit* e = doc && doc->textTask ? doc->textTask->Editor() : nullptr;
    std::string shown;
    if (e)
        for (char c : fw::ToUtf8(e->Text())) shown += c == '\r' ? std::string("\\r") : std::string(1, c);
    if (e) std::fprintf(ctx.out, " editor \"%s\"", shown.c_str());
    else std::fprintf(ctx.out, " no editor");
}

// press [ctrl+][shift+][alt+]K: the key goes through the input path to the score window; prints
// the ids it ran (the document's dispatch and the application's routing) and the insertion point.
void RunKey(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 1, "[ctrl+][shift+][alt+]K");
    CZelView& v = View(ctx);
    struct Named {
        const char* name;
        int vk;
        bool keypad;
    } names[] = {{"Left", VK_LEFT, false},     {"Right", VK_RIGHT, false},   {"Up", VK_UP, false},
                 {"Down", VK_DOWN, false},     {"Delete", VK_DELETE, false}, {"Enter", VK_RETURN, false},
                 {"KeypadEnter", VK_RETURN, true}, {"PgUp", VK_PRIOR, false}, {"PgDn", VK_NEXT, false},
                 {"Home", VK_HOME, false},     {"End", VK_END, false},       {"Backspace", VK_BACK, false},
                 {"Space", VK_SPACE, false},   {"Escape", VK_ESCAPE, false}, {"Esc", VK_ESCAPE, false},
                 {"Tab", VK_TAB, false},       {"F1", VK_F1, false},         {"F10", VK_F1 + 9, false}};
    std::string key = args[0];
    UINT mods = fw::uitest::kNone;
    for (;;) {
        const std::size_t plus = key.find('+');
        if (plus == std::string::npos || plus + 1 >= key.size()) break;
        const std::string word = key.substr(0, plus);
        if (word == "ctrl") mods |= fw::uitest::kCtrl;
        else if (word == "shift") mods |= fw::uitest::kShift;
        else if (word == "alt") mods |= fw::uitest::kAlt;
        else throw ScriptError("press: unknown modifier \"" + word + "\" (ctrl, shift, alt)");
        key = key.substr(plus + 1);
    }
    CZelDoc* doc = v.document;
    const bool editing = doc->textTask != nullptr;
    CWnd* target = KeyTarget(v);
    CZelApp::RegisterApplicationOps();
    std::vector<int> ran;
    ApplicationOps& ops = AppOps();
    const auto command = ops.command;
    ops.commandObserver = [&ran](int id) { ran.push_back(id); };
    ops.command = [&ran, doc](int id) {
        ran.push_back(id);
        // The application's routing over this document (the tool has no application object).
        if (!CZelApp::RouteOwnCommand(unsigned(id), nullptr)) doc->OnCommandRange(id);
    };
    bool found = false;
    for (const Named& n : names)
        if (key == n.name) {
            fw::uitest::Key(target, n.vk, mods, n.keypad);
            found = true;
        }
    if (!found) {
        if (key.size() != 1) throw ScriptError("press: a key name or one character");
        const char c = key[0];
        if (mods != fw::uitest::kNone && c >= 'a' && c <= 'z')
            fw::uitest::Key(target, c - 'a' + 'A', mods);
        else
            fw::uitest::Type(target, key.c_str());
    }
    fw::uitest::RunUntilIdle();
    ops.commandObserver = nullptr;
    ops.command = command;
    std::fprintf(ctx.out, "press %s:", args[0].c_str());
    for (int id : ran) std::fprintf(ctx.out, " %d", id);
    const ScoreLocation& at = doc->location;
    const POINT scroll = v.GetScrollPosition();
    // The insertion point while the score takes the keys; the editor's text while one is open.
    if (!editing)
        std::fprintf(ctx.out, " insertion track %d bar %d time %d position %d", int(at.trackIndex), int(at.barIndex),
                     int(at.time), int(at.position));
    std::fprintf(ctx.out, " scroll %ld %ld", long(scroll.x), long(scroll.y));
    if (editing) PrintEditor(ctx, doc);
    std::fprintf(ctx.out, "\n");
}

void RunType(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 64, "TEXT");
    CZelView& v = View(ctx);
    std::string text;
    for (std::size_t i = 0; i < args.size(); ++i) text += (i ? " " : "") + args[i];
    // Character by character to whatever takes the keys now: lyric entry moves to a new editor
    // at each separator.
    const std::string typed = fw::FromUtf8(text);
    for (std::size_t i = 0; i < typed.size();) {
        const std::size_t n = fw::IsLeadByte(std::uint8_t(typed[i])) && i + 1 < typed.size() ? 2 : 1;
        fw::uitest::Type(KeyTarget(v), typed.substr(i, n).c_str());
        fw::uitest::RunUntilIdle();
        i += n;
    }
    std::fprintf(ctx.out, "type:");
    PrintEditor(ctx, v.document);
    std::fprintf(ctx.out, "\n");
}

void RunTick(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 1, "N");
    CZelView& v = View(ctx);
    const int n = ArgIntIn(args, 0, "N", 0, 60 * 3600);
    static long ticks = 0;
    static const DWORD start = fw::GetTickCount();
    int blinks = 0;
    for (int i = 0; i < n; ++i) {
        ++ticks;
        // Each tick's first millisecond.
        const DWORD target = start + DWORD((ticks * 1000 + 59) / 60);
        if (target > fw::GetTickCount()) fw::clocktest::Advance(target - fw::GetTickCount());
        const int before = v.document->location.cursorDrawn;
        v.OnTick();
        blinks += v.document->location.cursorDrawn != before;
    }
    std::fprintf(ctx.out, "tick %d: caret %s, %d blinks\n", n, v.document->location.cursorDrawn ? "shown" : "hidden",
                 blinks);
}

void RunShot(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 1, "OUT.png");
    View(ctx);
    fw::uitest::RunUntilIdle();
    if (!TheWindow().wnd->SaveImage(args[0])) throw ScriptError("cannot write " + args[0]);
    std::fprintf(ctx.out, "shot %s\n", args[0].c_str());
}

void RunPrintPdf(Context& ctx, const Args& args) {
    if (args.empty()) throw ScriptError("printpdf OUT.pdf [booklet] [blankfirst] [twoup] [odd|even] [tiles AxD] [duplex]");
    CZelView& v = View(ctx);
    PrintOptions o;
    int across = 1, down = 1;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "booklet")
            o.booklet = 1;
        else if (a == "blankfirst")
            o.blankFirst = 1;
        else if (a == "twoup")
            o.twoUp = 1;
        else if (a == "odd")
            o.oddOnly = 1;
        else if (a == "even")
            o.evenOnly = 1;
        else if (a == "duplex")
            o.manualDuplex = 1;
        else if (a == "tiles" && i + 1 < args.size() && std::sscanf(args[i + 1].c_str(), "%dx%d", &across, &down) == 2 &&
                 across >= 1 && down >= 1 && across <= 16 && down <= 16)
            ++i;
        else
            throw ScriptError("printpdf: unknown option " + a);
    }
    g_view.print = o;
    v.document->pagesAcross = std::int16_t(across);
    v.document->pagesDown = std::int16_t(down);
    if (!v.PrintToPdf(args[0])) throw ScriptError("cannot print to " + args[0]);
    int n = 0;
    for (const PrintedSide& s : v.printedSides) {
        std::fprintf(ctx.out, "side %d:", ++n);
        for (int p : s.pages) std::fprintf(ctx.out, " %d", p + 1);
        if (across * down > 1) std::fprintf(ctx.out, " tile %d,%d", s.tileColumn, s.tileRow);
        std::fprintf(ctx.out, "\n");
    }
    std::fprintf(ctx.out, "zoom %d\n", v.document->GetZoom());
}

const CommandRegistrar registrar{
    {"window", "[mode 0|1|2] [zoom Z]", "opens the score window over the current score (offscreen)", RunWindow},
    {"scroll", "X Y", "scrolls the score window's view", RunScroll},
    {"press", "[ctrl+][shift+][alt+]K",
     "a key through the input path to the score window, or to the open text editor (Left, Right, Up, Down, Delete, "
     "Backspace, Enter, KeypadEnter, Space, Escape or Esc, Tab, PgUp, PgDn, Home, End, F1, F10, or one character); "
     "prints the command ids it ran and the insertion point, or the editor's text",
     RunKey},
    {"type", "TEXT", "types a text (UTF-8, the words joined by one space) into the open text editor, else the view",
     RunType},
    {"tick", "N", "N sixtieths of a second of virtual time, each with the document's tick", RunTick},
    {"shot", "OUT.png", "a picture of the score window's client area: the view with its rulers", RunShot},
    {"printpdf", "OUT.pdf [booklet] [blankfirst] [twoup] [odd|even] [tiles AxD] [duplex]",
     "prints the score window into a PDF file at 600 dpi; a line per sheet side with its pages (0: blank)",
     RunPrintPdf},
};

}  // namespace
}  // namespace zelscript
