// Least forms of what the palettes and bars call in code that is not written yet: the
// expression library's entry editor. Each carries its owner's name and only what the caller
// needs.
#pragma once

// `CExprLib::EditEntry` (index): edits one expression library entry with the expression dialog;
// true when the entry changed. Until it is written nothing changes (false).
bool EditExpressionEntry(int index);
