// zelscript commands of the page panes under the pointer: choose the current tool and its
// note-entry choices, and let the pointer rest at a point of the score window's view (the hover:
// what lies there, the pointer's shape and the note-entry preview).
#include <cstdio>
#include <string>

#include "Script.h"
#include "framework/Cursor.h"
#include "framework/UiTest.h"
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

const CommandRegistrar registrar{
    {"tool", "ID [sub S] [value V] [button B] [dots D] [tuplet N M] [courtesy 0|1]",
     "makes a tool current with its note-entry choices (903 the notes: sub 903 note, 922 rest, 921 accidental)",
     RunTool},
    {"hover", "X Y",
     "the pointer rests at a point of the score window's view: what lies there, the pointer's shape and the "
     "note-entry preview",
     RunHover},
};

}  // namespace
}  // namespace zelscript
