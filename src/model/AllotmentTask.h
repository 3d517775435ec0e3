// The undoable operation that changes a document's spacing table through the spacing dialog
// (without the library's name and save buttons) and lays the whole score out again.
#pragma once
#include "model/DocLayoutPasses.h"
#include "model/EditTask.h"
#include "model/SpacingTable.h"

class CAllotmentTask : public CCruise {
public:
    // table: the document's spacing table.
    explicit CAllotmentTask(SpacingTable& table);

    // Keeps a copy of the table and runs the dialog on the table; a cancelled dialog puts the
    // copy back and cancels the operation.
    bool Prepare() override;
    // Exchanges the table with the kept copy, then the base swap.
    void SwapSnapshot() override;
    // Respaces every bar, rejustifies every system and lays out every page again.
    bool Perform() override;

    SpacingTable& table;
    SpacingTable saved;
};
