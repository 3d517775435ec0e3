// The undoable operation that changes a document's engraving values through the engraving
// dialog and lays the whole score out again.
#pragma once
#include "model/DocLayoutPasses.h"
#include "model/EditTask.h"
#include "model/EngraverSettings.h"

class CEngraverTask : public CCruise {
public:
    // record: the document's engraving values.
    explicit CEngraverTask(EngraverSettings& record);

    // Keeps a copy of the record and runs the dialog on the record; a cancelled dialog puts
    // the copy back and cancels the operation.
    bool Prepare() override;
    // Exchanges the record with the kept copy, then the base swap.
    void SwapSnapshot() override;
    // Respaces every bar, rejustifies every system and lays out every page again.
    bool Perform() override;

    EngraverSettings& record;
    EngraverSettings saved;
};
