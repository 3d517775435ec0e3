#include "edit/Commands.h"

#include "edit/BeamTask.h"
#include "edit/ClipboardWriter.h"
#include "edit/DeleteTask.h"
#include "edit/EraseTasks.h"
#include "edit/IntervalTasks.h"
#include "edit/MarkTasks.h"
#include "edit/NoteChangeTasks.h"
#include "edit/PasteTask.h"
#include "edit/TieTask.h"
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
    RegisterTaskMaker("CIntervalTask", [](CZelDoc&) -> CScoreTask* { return new CIntervalTask; });
    RegisterTaskMaker("CNewPitchTask", [](CZelDoc&) -> CScoreTask* { return new CNewPitchTask; });
    RegisterTaskMaker("CNewStaffTask", [](CZelDoc&) -> CScoreTask* { return new CNewStaffTask; });
    RegisterTaskMaker("CAddAcciTask", [](CZelDoc&) -> CScoreTask* { return new CAddAcciTask; });
    RegisterTaskMaker("CAddDotTask", [](CZelDoc&) -> CScoreTask* { return new CAddDotTask; });
    RegisterTaskMaker("CAddMarkTask", [](CZelDoc&) -> CScoreTask* { return new CAddMarkTask; });
    RegisterTaskMaker("CAddTieTask", [](CZelDoc&) -> CScoreTask* { return new CAddTieTask; });
    RegisterTaskMaker("CAddBeamTask", [](CZelDoc&) -> CScoreTask* { return new CAddBeamTask; });
    RegisterTaskMaker("CEnharmonicTask", [](CZelDoc&) -> CScoreTask* { return new CEnharmonicTask; });
    RegisterTaskMaker("CFlipTask", [](CZelDoc&) -> CScoreTask* { return new CFlipTask; });
    RegisterTaskMaker("CChangeDrumPitchTask", [](CZelDoc&) -> CScoreTask* { return new CChangeDrumPitchTask; });
    RegisterTaskMaker("CFillRestTask", [](CZelDoc&) -> CScoreTask* { return new CFillRestTask; });
    RegisterTaskMaker("CDurationTask", [](CZelDoc&) -> CScoreTask* { return new CDurationTask; });
    RegisterTaskMaker("CDrumTask", [](CZelDoc&) -> CScoreTask* { return new CDrumTask; });
    RegisterTaskMaker("CGlissTask", [](CZelDoc&) -> CScoreTask* { return new CGlissTask; });
    RegisterTaskMaker("CGraceTask", [](CZelDoc&) -> CScoreTask* { return new CGraceTask; });
    RegisterTaskMaker("CGroupBeamTask", [](CZelDoc&) -> CScoreTask* { return new CGroupBeamTask; });
    RegisterTaskMaker("CPasteTask", [](CZelDoc&) -> CScoreTask* { return new CPasteTask; });
    RegisterScoreShapeOperations();
    CopySelectionOperation() = [](CZelDoc& doc) { return ClipboardWriter().Copy(doc); };
}

}  // namespace edit
