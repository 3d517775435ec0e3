// Running an edit operation (DoTask), the undo list that keeps performed operations, and the
// notices the document sends to its support windows.
#include <algorithm>

#include "framework/Exceptions.h"
#include "model/EditTask.h"
#include "model/PlaybackHooks.h"
#include "model/ZelDoc.h"
#include "platform/PlatformGlobals.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"

namespace {
constexpr int kSilentErrorCode = 1;  // a failure the user has already been told about
}

void CZelDoc::DoTask(CScoreTask* task) {
    if (!task) return;
    PushPort(nullptr);
    bool waiting = false;
    bool prepared = false;
    try {
        if (!task->Prepare()) {
            delete task;
        } else {
            prepared = true;
            StartWaitCursor(true);
            waiting = true;
            if (selection) selection->EmptyRedrawList();
            {
                PlayLockGuard playLock;
                task->Perform();
            }
            if (!ShowInsertionPoint(location.barIndex, true)) task->Redraw();
            if (task->IsUndoable() && task->HasSnapshot()) {
                NotifyWindows(1, kHintTaskDone);
                PushUndo(task);
            } else {
                // The score changed without an entry: what the redo tail would swap in no
                // longer fits it, so the tail goes (the entries below stay).
                while (int(undoList.size()) > undoPosition) {
                    delete undoList.back();
                    undoList.pop_back();
                }
                delete task;
            }
        }
    } catch (const CException&) {
        // An operation that failed before it could take its snapshot has nothing to put back.
        if (prepared && task->HasSnapshot()) task->SwapSnapshot();
        // A task that was pushed before the failure stays owned by the list.
        if (std::find(undoList.begin(), undoList.end(), task) == undoList.end()) delete task;
        InvalidatePanes();
        if (g_platform.errorCode != kSilentErrorCode) ReportErrorCode(g_platform.errorCode);
    }
    PopPort();
    if (waiting) StartWaitCursor(false);
}

void CZelDoc::PushUndo(CScoreTask* task) {
    while (int(undoList.size()) > undoPosition) {
        delete undoList.back();
        undoList.pop_back();
    }
    if (undoPosition == kMaxUndo) {
        delete undoList.front();
        undoList.erase(undoList.begin());
        --undoPosition;
    }
    undoList.insert(undoList.begin() + undoPosition, task);
    ++undoPosition;
    currentTask = task;
    SetModified(true);
}

void CZelDoc::Undo() {
    if (undoPosition <= 0) return;
    CScoreTask* task = undoList[std::size_t(--undoPosition)];
    PlayLockGuard playLock;
    task->SwapSnapshot();
    task->undone ^= 1;
}

void CZelDoc::Redo() {
    if (undoPosition >= int(undoList.size())) return;
    CScoreTask* task = undoList[std::size_t(undoPosition++)];
    PlayLockGuard playLock;
    task->SwapSnapshot();
    task->undone ^= 1;
}

CScoreTask* CZelDoc::GetLastDoneTask() const {
    if (undoPosition <= 0 || undoList.empty()) return nullptr;
    return undoList[std::size_t(undoPosition - 1)];
}

void CZelDoc::DropNewestUndo() {
    if (undoList.empty()) return;
    CScoreTask* task = undoList.back();
    undoList.pop_back();
    undoPosition = std::min(undoPosition, int(undoList.size()));
    delete task;
}

void CZelDoc::ClearUndo() {
    std::vector<CScoreTask*> gone;
    gone.swap(undoList);
    undoPosition = 0;
    for (CScoreTask* task : gone) delete task;
}

void CZelDoc::NotifyWindows(int target, int code) {
    // Targets 2 and 3 have no receiver; numbers outside 0-5 reach nobody.
    if (target < 0 || target > 5 || target == 2 || target == 3) return;
    if (const DocumentHintReceiver& receiver = DocumentHintTargets()[std::size_t(target)]) receiver(code);
}
