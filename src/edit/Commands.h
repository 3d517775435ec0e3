// The edit commands by id, as the document's command handler runs them: each makes its
// operation, attaches it with the id and runs it through the document (DoTask), or, for Copy,
// fills the clipboard.
#pragma once

class CZelDoc;

namespace edit {

enum : int { kCopy = 57634 };

// Whether an edit command has that id.
bool IsEditCommand(int id);
// Runs the command; false when no edit command has that id.
bool RunCommand(CZelDoc& doc, int id, int argument = 0);

}  // namespace edit
