// The page pane's side of text entry: the text tool's click, the end of entry and the editor's
// request to resize.
#include <algorithm>

#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/Text.h"
#include "model/TextTask.h"
#include "model/ZelDoc.h"
#include "view/PagePane.h"
#include "view/ToolState.h"
#include "view/ZelView.h"

CDragTask* CPagePane::OnTextTool(int x, int y, CScoreItem* hitItem) {
    HideCaret();
    if (!document || !location) return nullptr;
    // Lyric entry (the lyric palette button, or a lyric or note hit) belongs to lyric entry.
    if (g_toolState.button == 4) return nullptr;
    if (hitItem && (hitItem->IsLyric() || hitItem->IsNoteOrRawNote())) return nullptr;
    g_toolState.tool = ToolState::kText;
    if (CBar* bar = score ? score->GetBar(location->barIndex) : nullptr) bar->MakeCurrent();
    if (textEditor || document->textTask) return nullptr;
    auto* barHit = hitItem && hitItem->IsText() ? static_cast<CBarItem*>(hitItem) : nullptr;
    auto* task = new CTextTask;
    task->textKind = std::clamp<int>(g_toolState.button, 0, 3);
    document->currentPane = this;
    if (task->Start(document, barHit, x, y, false)) textEditor = task;
    return nullptr;
}

void CPagePane::CloseTextEditor() {
    CTextTask* task = document ? document->textTask : nullptr;
    textEditor = nullptr;
    hitKind = 0;
    if (document) document->textTask = nullptr;
    g_model.hitItem = nullptr;
    if (task) task->Finish();
    if (IsWindow()) InvalidateAll();
    // The keys go to the score window again.
    if (task && view && view->IsWindow()) view->SetFocus();
}

void CPagePane::OnRequestResize(const RECT& rect) {
    if (CTextTask* task = document ? document->textTask : textEditor) task->ResizeEditor(rect);
}
