// The makers of the operations that shape the score, put into the document's table.
#include "edit/BarTasks.h"
#include "edit/BarlineTasks.h"
#include "edit/Commands.h"
#include "edit/HeadTask.h"
#include "edit/JustifyTask.h"
#include "edit/MeterTask.h"
#include "edit/MultiBarTask.h"
#include "edit/OttavaTask.h"
#include "edit/PlaybackTask.h"
#include "edit/PropertyTasks.h"
#include "model/TaskMakers.h"

namespace edit {

void RegisterScoreShapeOperations() {
    RegisterTaskMaker("CAddBarTask", [](CZelDoc&) -> CScoreTask* { return new CAddBarTask; });
    RegisterTaskMaker("CAddPageTask", [](CZelDoc&) -> CScoreTask* { return new CAddPageTask; });
    RegisterTaskMaker("CAddMeterTask", [](CZelDoc&) -> CScoreTask* { return new CAddMeterTask; });
    RegisterTaskMaker("CBarlineTask", [](CZelDoc&) -> CScoreTask* { return new CBarlineTask; });
    RegisterTaskMaker("CMultiBarTask", [](CZelDoc&) -> CScoreTask* { return new CMultiBarTask; });
    RegisterTaskMaker("CJustifyTask", [](CZelDoc&) -> CScoreTask* { return new CJustifyTask; });
    RegisterTaskMaker("CAddOttavaTask", [](CZelDoc&) -> CScoreTask* { return new CAddOttavaTask; });
    RegisterTaskMaker("CEditDynamicTask", [](CZelDoc&) -> CScoreTask* { return new CEditDynamicTask; });
    RegisterTaskMaker("CEditCrescTask", [](CZelDoc&) -> CScoreTask* { return new CEditCrescTask; });
    RegisterTaskMaker("CEditGlissTask", [](CZelDoc&) -> CScoreTask* { return new CEditGlissTask; });
    RegisterTaskMaker("CEndingTask", [](CZelDoc&) -> CScoreTask* { return new CEndingTask; });
    RegisterTaskMaker("CEditGuitarFrameTask", [](CZelDoc&) -> CScoreTask* { return new CEditGuitarFrameTask; });
    RegisterTaskMaker("CEditPlaybackTask", [](CZelDoc&) -> CScoreTask* { return new CEditPlaybackTask; });
    RegisterTaskMaker("CEditExprTask", [](CZelDoc&) -> CScoreTask* { return new CEditExprTask; });
    RegisterTaskMaker("CCapoTask", [](CZelDoc&) -> CScoreTask* { return new CCapoTask; });
    RegisterTaskMaker("CBarNumTask", [](CZelDoc&) -> CScoreTask* { return new CBarNumTask; });
    RegisterTaskMaker("CHeadTask", [](CZelDoc&) -> CScoreTask* { return new CHeadTask; });
    RegisterTaskMaker("CBreakLineTask", [](CZelDoc&) -> CScoreTask* { return new CBreakLineTask; });
    RegisterTaskMaker("CEditEnclosureTask", [](CZelDoc&) -> CScoreTask* { return new CEditEnclosureTask; });
}

}  // namespace edit
