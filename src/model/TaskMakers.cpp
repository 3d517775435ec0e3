#include "model/TaskMakers.h"

#include <algorithm>
#include <map>

#include "framework/Globals.h"
#include "model/AllotmentTask.h"
#include "model/EngraverTask.h"
#include "model/ZelDoc.h"

namespace {
std::map<std::string, TaskMaker>& makers() {
    static std::map<std::string, TaskMaker> table;
    return table;
}
// The operations the model itself defines.
void registerModelMakers() {
    makers()["CAllotmentTask"] = [](CZelDoc& doc) -> CScoreTask* { return new CAllotmentTask(doc.spacing); };
    makers()["CEngraverTask"] = [](CZelDoc& doc) -> CScoreTask* { return new CEngraverTask(doc.engraver); };
}
}  // namespace

void RegisterTaskMaker(const std::string& className, TaskMaker make) {
    if (makers().empty()) registerModelMakers();
    makers()[className] = std::move(make);
}

CScoreTask* MakeTask(const std::string& className, CZelDoc& doc) {
    if (TaskMakerOverride()) return TaskMakerOverride()(className, doc);
    if (makers().empty()) registerModelMakers();
    auto it = makers().find(className);
    return it == makers().end() ? nullptr : it->second(doc);
}

bool HasTaskMaker(const std::string& className) {
    if (makers().empty()) registerModelMakers();
    return makers().count(className) != 0;
}

const std::vector<std::string>& OperationsNotYetBuilt() {
    // Named in the README's Limitations; each leaves the list when its operation is built.
    static const std::vector<std::string> kNotYetBuilt = {
        "CAddBarreTask", "CAddDrumExprTask", "CAddGroupTask", "CAddPedalTask", "CAddSlurTask",
        "CAddTempoTask", "CAddTupletTask", "CArticulationsTask", "CColorTask", "CHarpTask", "CHumanizeTask",
        "CImprovTask", "CJumperTask", "CKeySigTask", "CModifyCtrlTask", "CModifyTask", "CMoveTrackTask",
        "CMuteTask", "CNotateAsTask", "CNotateTask", "CNoteToRawTask", "CNudgeTask", "COffsetTimeTask",
        "COptimizeTask", "CPageLayoutTask", "CPageSizeTask", "CPctTask", "CPlayVoiceTask", "CQuantizeTask",
        "CRebarTask", "CRecalcLayoutTask", "CRepeatTask", "CRespaceTask", "CSetupTrackTask",
        "CSplitSystemTask", "CStemTask", "CTablatureTask", "CTimeCodeTask", "CTransposeTask", "CVisibleTask",
        "CVoiceTask", "CWrapBarTask", "CWrapLineTask",
    };
    return kNotYetBuilt;
}

bool OperationNotYetBuilt(const std::string& className) {
    const std::vector<std::string>& list = OperationsNotYetBuilt();
    return std::find(list.begin(), list.end(), className) != list.end();
}

void ClearTaskMakers() {
    makers().clear();
    registerModelMakers();
}

TaskMakerTable SaveTaskMakers() {
    if (makers().empty()) registerModelMakers();
    return TaskMakerTable{makers(), CopySelectionOperation()};
}

void RestoreTaskMakers(const TaskMakerTable& table) {
    makers() = table.makers;
    if (makers().empty()) registerModelMakers();
    CopySelectionOperation() = table.copySelection;
}

AnyTaskMaker& TaskMakerOverride() {
    static AnyTaskMaker make;
    return make;
}

std::function<bool(CZelDoc&)>& CopySelectionOperation() {
    static std::function<bool(CZelDoc&)> copy;
    return copy;
}

std::function<int()>& ChosenPaletteButton() {
    static std::function<int()> button;
    return button;
}

std::function<int()>& CurrentToolId() {
    static std::function<int()> tool;
    return tool;
}

std::function<int()>& ChosenSubTool() {
    static std::function<int()> subTool;
    return subTool;
}

StyleBarOperations& StyleBarOps() {
    static StyleBarOperations ops;
    return ops;
}

namespace {
int RefuseEveryEnding(const std::string&, CZelDoc&, CFile&) { return CZelDoc::kReadWrongMagic; }
}  // namespace

ScoreImporterFn& ScoreImporter() {
    static ScoreImporterFn importer = RefuseEveryEnding;
    return importer;
}

MidiFileExporterFn& MidiFileExporter() {
    static MidiFileExporterFn exporter;
    return exporter;
}

void ExportMidiFile(CZelDoc& doc) {
    if (MidiFileExporter()) MidiFileExporter()(doc);
}

namespace {
void ResetFileHooks() {
    ScoreImporter() = RefuseEveryEnding;
    MidiFileExporter() = nullptr;
}
const bool fileHooksReset = (fw::RegisterGlobalsReset(&ResetFileHooks), true);
}  // namespace
