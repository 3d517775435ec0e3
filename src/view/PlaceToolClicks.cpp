// The page pane's clicks with the placing tools of the palettes: which tool the click starts.
#include "model/DragTask.h"
#include "model/EndingDrag.h"
#include "model/ZelDoc.h"
#include "model/ModelGlobals.h"
#include "model/ScoreItem.h"
#include "model/Select.h"
#include "view/EditTool.h"
#include "view/BendBracketHarpTools.h"
#include "view/MarkTool.h"
#include "view/PagePane.h"
#include "view/PlaceTools.h"
#include "view/ShapeTools.h"
#include "view/ToolState.h"
#include "model/Playback.h"

namespace {
constexpr int kBarLineTool = 916;
constexpr int kArticulationTool = 923;
// The guitar palette's fingering numbers and letters, where no note is under the pointer.
constexpr int kGuitarTool = 918;
constexpr int kFingeringLetters = 230, kFingeringNumbers = 231;
constexpr int kFirstBarSymbol = 5, kLastBarSymbol = 7;
// The bar-line palette's two ending buttons, and the bar-line kinds' first command.
// The mark palettes (ornaments, articulations, jazz marks) and the jazz palette's line buttons.
constexpr int kOrnamentTool = 906, kMarkArticulationTool = 908, kJazzTool = 911;
constexpr int kFirstJazzLine = 70, kLastJazzLine = 75;
bool IsMarkPalette(int tool) { return tool == kOrnamentTool || tool == kMarkArticulationTool || tool == kJazzTool; }
constexpr int kFirstEndingButton = 8, kLastEndingButton = 9, kBarlineCommand = 2300, kEndingName = 4901;
}  // namespace

CDragTask* CPagePane::OnPlacingTool(int tool, int x, int y, CScoreItem* hitItem) {
    CEditTool* task = nullptr;
    if (tool == CGraphicTool::kToolId) return OnGraphicTool(x, y, hitItem);
    if (tool == CGroupTool::kToolId) return OnGroupTool(x, y, hitItem);
    if (tool == kArticulationTool) return OnMarkPaletteClick(x, y, hitItem);
    // The mark palettes' buttons put their mark on a note or rest clicked.
    if (CMarkTool::PlacesMarks(g_toolState) && hitItem && hitItem->IsNoteOrRest()) {
        task = new CMarkTool;
        g_viewDrag.tool = tool;
        task->Start(document, hitItem, tool);
        return task;
    }
    // Where nothing is under the pointer the mark palettes put their mark in as a free symbol
    // (the jazz palette's line buttons make nothing).
    if (IsMarkPalette(tool)) {
        if (hitItem) return nullptr;
        if (tool == kJazzTool && g_toolState.button >= kFirstJazzLine && g_toolState.button <= kLastJazzLine)
            return nullptr;
        if (document)
            if (CSelect* sel = document->GetSelection()) sel->ClearAll();
        return StartSymbolTool(x, y, nullptr);
    }
    switch (tool) {
    case CClefTool::kToolId: task = new CClefTool; break;
    case CDynamicTool::kToolId:
        task = g_toolState.button >= CDynamicTool::kFirstHairpinButton ? new CCrescTool : new CDynamicTool;
        break;
    case CExprTool::kToolId: return OnExprTool(x, y);
    case CChordTool::kToolId: return OnChordTool(hitItem);
    case kBarLineTool: return OnBarlineTool(x, y);
    case CBracketTool::kToolId: return OnStaffTool(x, y);
    case kGuitarTool:
        if (g_toolState.button == CBendTool::kBendButton || g_toolState.button == CBendTool::kBarreButton)
            return OnGuitarTool(x, y, hitItem);
        if (g_toolState.button != kFingeringLetters && g_toolState.button != kFingeringNumbers) return nullptr;
        if (hitItem && hitItem->IsNoteOrRest()) return nullptr;
        return StartSymbolTool(x, y, hitItem);
    default: return nullptr;
    }
    g_viewDrag.tool = tool;
    task->Start(document, hitItem, tool);
    return task;
}

CDragTask* CPagePane::OnBarlineTool(int x, int y) {
    // The item under the pointer plays no part: the bar clicked is the insertion point's.
    const int button = g_toolState.button;
    if (button >= kFirstBarSymbol && button <= kLastBarSymbol) return StartSymbolTool(x, y, nullptr);
    if (!document) return nullptr;
    if (button >= kFirstEndingButton && button <= kLastEndingButton) {
        document->SetCurrentBar(document->location.barIndex, true);
        auto* task = new (std::nothrow) CDragEnding;
        if (task) task->Begin(document, nullptr, kEndingName);
        return task;
    }
    // The bar-line kinds: the command of the button, on the bar clicked.
    document->OnCommandRange(kBarlineCommand + button);
    return nullptr;
}
