#include "edit/Commands.h"

#include "edit/ClipboardWriter.h"
#include "edit/DeleteTask.h"
#include "edit/EraseTasks.h"
#include "model/ZelDoc.h"

namespace edit {

namespace {
// The erase operation of a command id (null: none).
CCruise* NewEraseTask(int id) {
    switch (id) {
    case CEraseTask::kId: return new CEraseTask;
    case CEraseBarTask::kId: return new CEraseBarTask;
    case CErasePageTextTask::kId: return new CErasePageTextTask;
    case CEraseBracketTask::kId: return new CEraseBracketTask;
    default: return nullptr;
    }
}
}  // namespace

bool IsEditCommand(int id) {
    return id == kCopy || CDeleteTask::Serves(id) || id == CEraseTask::kId || id == CEraseBarTask::kId ||
           id == CErasePageTextTask::kId || id == CEraseBracketTask::kId;
}

bool RunCommand(CZelDoc& doc, int id, int argument) {
    (void)argument;
    if (id == kCopy) {
        ClipboardWriter().Copy(doc);
        return true;
    }
    if (CDeleteTask::Serves(id)) {
        // Cut removes the selection only once its copy is on the clipboard.
        if (id == CDeleteTask::kCut && !ClipboardWriter().Copy(doc)) return true;
        auto* task = new CDeleteTask;
        task->Attach(&doc, id, id);
        doc.DoTask(task);
        return true;
    }
    // The erase commands act on the last hit; their argument is 0.
    if (CCruise* task = NewEraseTask(id)) {
        task->Attach(&doc, id, 0);
        doc.DoTask(task);
        return true;
    }
    return false;
}

}  // namespace edit
