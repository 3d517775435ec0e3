// The page pane's clicks with the placing tools of the palettes: which tool the click starts.
#include "model/DragTask.h"
#include "model/ModelGlobals.h"
#include "model/ScoreItem.h"
#include "view/EditTool.h"
#include "view/MarkTool.h"
#include "view/PagePane.h"
#include "view/PlaceTools.h"
#include "view/ToolState.h"
#include "model/Playback.h"

namespace {
constexpr int kBarLineTool = 916;
// The guitar palette's fingering numbers and letters, where no note is under the pointer.
constexpr int kGuitarTool = 918;
constexpr int kFingeringLetters = 230, kFingeringNumbers = 231;
constexpr int kFirstBarSymbol = 5, kLastBarSymbol = 7;
}  // namespace

CDragTask* CPagePane::OnPlacingTool(int tool, int x, int y, CScoreItem* hitItem) {
    CEditTool* task = nullptr;
    // The mark palettes' buttons put their mark on a note or rest clicked.
    if (CMarkTool::PlacesMarks(g_toolState) && hitItem && hitItem->IsNoteOrRest()) {
        task = new CMarkTool;
        g_viewDrag.tool = tool;
        task->Start(document, hitItem, tool);
        return task;
    }
    switch (tool) {
    case CClefTool::kToolId: task = new CClefTool; break;
    case CDynamicTool::kToolId:
        task = g_toolState.button >= CDynamicTool::kFirstHairpinButton ? new CCrescTool : new CDynamicTool;
        break;
    case CExprTool::kToolId: return OnExprTool(x, y);
    case CChordTool::kToolId: return OnChordTool(hitItem);
    case kBarLineTool:
        if (g_toolState.button < kFirstBarSymbol || g_toolState.button > kLastBarSymbol) return nullptr;
        return StartSymbolTool(x, y, hitItem);
    case kGuitarTool:
        if (g_toolState.button != kFingeringLetters && g_toolState.button != kFingeringNumbers) return nullptr;
        if (hitItem && hitItem->IsNoteOrRest()) return nullptr;
        return StartSymbolTool(x, y, hitItem);
    default: return nullptr;
    }
    g_viewDrag.tool = tool;
    task->Start(document, hitItem, tool);
    return task;
}
