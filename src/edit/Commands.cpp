#include "edit/Commands.h"

#include "edit/ClipboardWriter.h"
#include "edit/DeleteTask.h"
#include "edit/EraseTasks.h"
#include "edit/TrackTask.h"
#include "model/TaskMakers.h"
#include "model/ZelDoc.h"

namespace edit {

void RegisterOperations() {
    RegisterTaskMaker("CDeleteTask", [](CZelDoc&) -> CScoreTask* { return new CDeleteTask; });
    RegisterTaskMaker("CEraseTask", [](CZelDoc&) -> CScoreTask* { return new CEraseTask; });
    RegisterTaskMaker("CEraseBarTask", [](CZelDoc&) -> CScoreTask* { return new CEraseBarTask; });
    RegisterTaskMaker("CErasePageTextTask", [](CZelDoc&) -> CScoreTask* { return new CErasePageTextTask; });
    RegisterTaskMaker("CEraseBracketTask", [](CZelDoc&) -> CScoreTask* { return new CEraseBracketTask; });
    RegisterTaskMaker("CTrackTask", [](CZelDoc&) -> CScoreTask* { return new CTrackTask; });
    CopySelectionOperation() = [](CZelDoc& doc) { return ClipboardWriter().Copy(doc); };
}

}  // namespace edit
