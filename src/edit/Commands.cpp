#include "edit/Commands.h"

#include "edit/ClipboardWriter.h"
#include "edit/DeleteTask.h"
#include "model/ZelDoc.h"

namespace edit {

bool IsEditCommand(int id) { return id == kCopy || CDeleteTask::Serves(id); }

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
    return false;
}

}  // namespace edit
