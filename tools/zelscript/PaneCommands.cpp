// zelscript commands of the page panes under the pointer: choose the current tool and its
// note-entry choices, let the pointer rest at a point of the score window's view (the hover:
// what lies there, the pointer's shape and the note-entry preview), click and drag there, and
// list what the clicks sounded.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Script.h"
#include "framework/Cursor.h"
#include "framework/Menu.h"
#include "framework/UiTest.h"
#include "edit/Commands.h"
#include "model/Bar.h"
#include "model/MidiOut.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "view/PagePane.h"
#include "view/ToolState.h"
#include "view/ViewGlobals.h"
#include "view/ZelView.h"

namespace zelscript {
namespace {

void RunTool(Context& ctx, const Args& args) {
    const char* usage = "ID [sub S] [value V] [button B] [dots D] [tuplet N M] [courtesy 0|1]";
    if (args.empty()) throw ScriptError(std::string("tool ") + usage);
    ToolState t = g_toolState;
    t.tool = std::int16_t(ArgIntIn(args, 0, "ID", 800, 925));
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (i + 1 >= args.size()) throw ScriptError(std::string("tool ") + usage);
        if (a == "sub")
            t.subTool = std::int16_t(ArgIntIn(args, ++i, "sub", 0, 925));
        else if (a == "value")
            t.value = std::int16_t(ArgIntIn(args, ++i, "value", 0, 31));
        else if (a == "button")
            t.button = std::int16_t(ArgIntIn(args, ++i, "button", 0, 999));
        else if (a == "dots")
            t.dots = std::int16_t(ArgIntIn(args, ++i, "dots", 0, 3));
        else if (a == "courtesy")
            t.courtesy = std::uint8_t(ArgIntIn(args, ++i, "courtesy", 0, 1));
        else if (a == "chord" && i + 4 < args.size()) {
            // The chord palette's root, bass (-1 none), key and bass-below choice.
            t.chordRoot = std::int16_t(ArgIntIn(args, ++i, "root", 0, 17));
            t.chordBass = std::int16_t(ArgIntIn(args, ++i, "bass", -1, 17));
            t.chordKey = std::uint16_t(ArgIntIn(args, ++i, "key", 0, 65535));
            t.chordBassBelow = std::uint8_t(ArgIntIn(args, ++i, "below", 0, 1));
        } else if (a == "paren")
            t.chordDisplay = std::uint8_t(ArgIntIn(args, ++i, "paren", 0, 1));
        else if (a == "index")
            t.chordIndex = std::int16_t(ArgIntIn(args, ++i, "index", -1, 32767));
        else if (a == "below")
            t.chordBassBelow = std::uint8_t(ArgIntIn(args, ++i, "below", 0, 1));
        else if (a == "textonly")
            t.chordTextOnly = std::uint8_t(ArgIntIn(args, ++i, "textonly", 0, 1));
        else if (a == "pending")
            t.chordFramePending = std::uint8_t(ArgIntIn(args, ++i, "pending", 0, 0));
        else if (a == "tuplet" && i + 2 < args.size()) {
            t.tupletNumber = std::int16_t(ArgIntIn(args, ++i, "tuplet", 0, 99));
            t.tupletSpace = std::int16_t(ArgIntIn(args, ++i, "tuplet space", 0, 99));
        } else
            throw ScriptError("tool: unknown choice " + a);
    }
    g_toolState = t;
    std::fprintf(ctx.out, "tool %d sub %d value %d button %d dots %d tuplet %d:%d\n", t.tool, t.subTool, t.value,
                 t.button, t.dots, t.tupletNumber, t.tupletSpace);
}

void RunHover(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "X Y");
    auto* view = dynamic_cast<CZelView*>(ctx.Score().doc->view);
    if (!view) throw ScriptError("no score window: use `window` first");
    const POINT at{ArgInt(args, 0, "X"), ArgInt(args, 1, "Y")};
    CPagePane* pane = nullptr;
    RECT place{};
    for (int i = 0; i < view->GetPaneCount() && !pane; ++i) {
        CPagePane* p = view->GetPane(i);
        if (!p->IsWindowVisible()) continue;
        p->GetWindowRect(&place);
        view->ScreenToClient(&place);
        if (at.x >= place.left && at.x < place.right && at.y >= place.top && at.y < place.bottom) pane = p;
    }
    if (!pane) {
        std::fprintf(ctx.out, "hover %ld %ld: no page\n", long(at.x), long(at.y));
        return;
    }
    pane->OnMouseMove(int(at.x - place.left), int(at.y - place.top));
    fw::uitest::RunUntilIdle();
    std::fprintf(ctx.out, "hover %ld %ld: page %d kind %d cursor %u select %d", long(at.x), long(at.y),
                 pane->GetPageNumber(), pane->hitKind, fw::CurrentCursor(), pane->selectInstead);
    if (g_view.previewShown)
        std::fprintf(ctx.out, " preview bar %d staff %d position %d", pane->previewBar, pane->previewStaff,
                     pane->previewStaffPosition);
    std::fprintf(ctx.out, "\n");
}

// What the clicks sounded: the note messages of the model's sends, in order.
class SoundLog : public MidiSender {
public:
    bool SendPatch(int, int, std::int32_t, int) override { return true; }
    bool SendRecord(int, int, int, int) override { return true; }
    bool SendMessage3(int, int status, int data1, int data2) override {
        if ((status & 0xE0) == 0x80) notes.push_back({(status & 0xF0) == 0x90 && data2 > 0, data1, data2});
        return true;
    }
    struct Note {
        bool on;
        int pitch, velocity;
    };
    std::vector<Note> notes;
};
SoundLog& Sounds() {
    static SoundLog log;
    static const bool installed = (SetTheMidi(&log), true);
    (void)installed;
    return log;
}

CZelView& ViewOf(Context& ctx) {
    auto* view = dynamic_cast<CZelView*>(ctx.Score().doc->view);
    if (!view) throw ScriptError("no score window: use `window` first");
    return *view;
}

// A place of the score as a pane and a point in it: T:B:P:S (track, bar, P a position 0-1023
// or tN the x of time N ticks, S a staff position) or @X:Y (a point of the view).
struct Place {
    CPagePane* pane = nullptr;
    POINT at{};
};

Place ParsePlace(Context& ctx, const std::string& text) {
    CZelView& view = ViewOf(ctx);
    Place out;
    if (!text.empty() && text[0] == '@') {
        int x = 0, y = 0;
        if (std::sscanf(text.c_str() + 1, "%d:%d", &x, &y) != 2) throw ScriptError("place: @X:Y, got " + text);
        for (int i = 0; i < view.GetPaneCount() && !out.pane; ++i) {
            CPagePane* p = view.GetPane(i);
            if (!p->IsWindowVisible()) continue;
            RECT r;
            p->GetWindowRect(&r);
            view.ScreenToClient(&r);
            if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
                out.pane = p;
                out.at = POINT{LONG(x - r.left), LONG(y - r.top)};
            }
        }
        if (!out.pane) throw ScriptError("place " + text + ": no page there");
        return out;
    }
    int t = 0, b = 0, s = 0;
    char p[32] = {};
    if (std::sscanf(text.c_str(), "%d:%d:%31[^:]:%d", &t, &b, p, &s) != 4)
        throw ScriptError("place: T:B:P:S or @X:Y, got " + text);
    CScore& score = *ctx.Score().score;
    CBar* bar = score.GetBar(b);
    CTrkBar* tb = score.GetTrkBar(t, b);
    CStaff* staff = tb ? tb->GetStaff() : nullptr;
    if (!bar || !tb || !staff) throw ScriptError("place " + text + ": no such track or bar");
    const int position = p[0] == 't' ? bar->TickToFraction(std::atoi(p + 1), false) : std::atoi(p);
    CPage* page = bar->GetPage();
    for (int i = 0; i < view.GetPaneCount() && !out.pane; ++i)
        if (page && view.GetPane(i)->GetPageNumber() == page->GetIndex()) out.pane = view.GetPane(i);
    if (!out.pane) throw ScriptError("place " + text + ": its page is not shown");
    const RECT paper = page->GetPaperRect();
    out.at = POINT{LONG(bar->FractionToX(position) - paper.left), LONG(staff->PositionToY(s) - paper.top)};
    return out;
}

UINT Mods(const Args& args, std::size_t from, int* clicks) {
    UINT mods = fw::uitest::kNone;
    for (std::size_t i = from; i < args.size(); ++i) {
        if (args[i] == "shift") mods |= fw::uitest::kShift;
        else if (args[i] == "ctrl") mods |= fw::uitest::kCtrl;
        else if (args[i] == "alt") mods |= fw::uitest::kAlt;
        else if (args[i] == "double" && clicks) *clicks = 2;
        else throw ScriptError("unknown key " + args[i]);
    }
    return mods;
}

void PrintClick(Context& ctx, const char* what, const Place& p) {
    CZelDoc& doc = *ctx.Score().doc;
    std::fprintf(ctx.out, "%s page %d at %ld %ld: insertion track %d bar %d time %g voice %d, undo %d\n", what,
                 p.pane->GetPageNumber(), long(p.at.x), long(p.at.y), doc.location.trackIndex, doc.location.barIndex,
                 doc.location.time, doc.location.voice, doc.GetUndoPosition());
}

void RunClick(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 5, "PLACE [shift] [ctrl] [alt] [double]");
    const Place p = ParsePlace(ctx, args[0]);
    int clicks = 1;
    const UINT mods = Mods(args, 1, &clicks);
    Sounds();
    // The tools' clicks run the document's commands, as in the program.
    edit::RegisterOperations();
    // The pointer comes to rest there first, as a user's does.
    fw::uitest::Move(p.pane, int(p.at.x), int(p.at.y), mods);
    fw::uitest::Click(p.pane, int(p.at.x), int(p.at.y), fw::uitest::kLeft, mods, clicks);
    fw::uitest::RunUntilIdle();
    PrintClick(ctx, "click", p);
}

void RunDrag(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 5, "PLACE PLACE [shift] [ctrl] [alt]");
    const Place from = ParsePlace(ctx, args[0]);
    const Place to = ParsePlace(ctx, args[1]);
    if (from.pane != to.pane) throw ScriptError("drag: both places must lie on one page");
    const UINT mods = Mods(args, 2, nullptr);
    Sounds();
    edit::RegisterOperations();
    // In steps of at most 4 units, so that the drag follows the way.
    std::vector<POINT> way{from.at};
    const int steps = std::max(1L, std::max(std::labs(to.at.x - from.at.x), std::labs(to.at.y - from.at.y)) / 4);
    for (int i = 1; i <= steps; ++i)
        way.push_back(POINT{from.at.x + (to.at.x - from.at.x) * i / steps, from.at.y + (to.at.y - from.at.y) * i / steps});
    fw::uitest::Move(from.pane, int(from.at.x), int(from.at.y), mods);
    fw::uitest::TakeWarps();
    fw::uitest::Drag(from.pane, way, fw::uitest::kLeft, mods);
    fw::uitest::RunUntilIdle();
    PrintClick(ctx, "drag", to);
    // Where the drag put the pointer itself (the last time), in the page's pane.
    const std::vector<POINT> warps = fw::uitest::TakeWarps();
    if (!warps.empty()) {
        POINT p = warps.back();
        from.pane->ScreenToClient(&p);
        std::fprintf(ctx.out, "pointer put %zu times, last at %ld %ld\n", warps.size(), long(p.x), long(p.y));
    }
}

void RunRightClick(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "PLACE ID");
    const Place p = ParsePlace(ctx, args[0]);
    const int id = ArgIntIn(args, 1, "ID", 0, 65535);
    const std::size_t before = fw::uitest::Menus().size();
    fw::uitest::Move(p.pane, int(p.at.x), int(p.at.y));
    fw::uitest::AnswerMenu(UINT(id));
    fw::uitest::Click(p.pane, int(p.at.x), int(p.at.y), fw::uitest::kRight);
    fw::uitest::RunUntilIdle();
    if (fw::uitest::Menus().size() == before) {
        std::fprintf(ctx.out, "rclick: no menu\n");
        return;
    }
    // The menu as it showed: each item's id and state (grey, checked).
    for (const fw::uitest::MenuItem& item : fw::uitest::Menus().back().items) {
        if (item.flags & MF_SEPARATOR) continue;
        std::fprintf(ctx.out, "  %u%s%s\n", item.id, (item.flags & MF_GRAYED) ? " grey" : "",
                     (item.flags & MF_CHECKED) ? " checked" : "");
    }
    PrintClick(ctx, "rclick", p);
}

void RunMidi(Context& ctx, const Args& args) {
    NeedArgs(args, 0, 0, "midi");
    SoundLog& log = Sounds();
    for (const SoundLog::Note& n : log.notes)
        std::fprintf(ctx.out, "%s %d %d\n", n.on ? "on" : "off", n.pitch, n.velocity);
    if (log.notes.empty()) std::fprintf(ctx.out, "midi: nothing sounded\n");
    log.notes.clear();
}

const CommandRegistrar registrar{
    {"tool", "ID [sub S] [value V] [button B] [dots D] [tuplet N M] [courtesy 0|1] [chord ROOT BASS KEY BELOW] [paren 0|1] [index I] "
     "[below 0|1] [textonly 0|1] [pending 0]",
     "makes a tool current with its note-entry choices (903 the notes: sub 903 note, 922 rest, 921 accidental; 920 "
     "the chords: spelled root and bass 0-17, bass -1 none, chord key, bass below 0|1, symbols in parentheses, the "
     "library's frame index, frames with the bass below or their name alone, no own frame pending)",
     RunTool},
    {"hover", "X Y",
     "the pointer rests at a point of the score window's view: what lies there, the pointer's shape and the "
     "note-entry preview",
     RunHover},
    {"click", "PLACE [shift] [ctrl] [alt] [double]",
     "the pointer rests at PLACE and the left button clicks there with the current tool; PLACE is T:B:P:S (track, "
     "bar, P a position 0-1023 or tN the x of time N ticks, S a staff position) or @X:Y (a point of the view)",
     RunClick},
    {"drag", "PLACE PLACE [shift] [ctrl] [alt]",
     "the left button pressed at the first place, moved to the second in small steps and released there; "
     "prints where the drag put the pointer itself, if it did", RunDrag},
    {"rclick", "PLACE ID", "the right button clicks at PLACE and ID is chosen from the context menu (0: none); "
     "prints the menu's items (id, grey, checked) as they showed", RunRightClick},
    {"midi", "", "prints and clears what the clicks and drags sounded, as on|off PITCH VELOCITY", RunMidi},
};

}  // namespace
}  // namespace zelscript
