// The template folder scan of the New dialog: the folders below the template folder become a
// tree, and the templates of each top-level folder one list of names.
#pragma once
#include <cstdint>

#include "framework/TreeCtrl.h"
#include "platform/Handles.h"

// The templates of one top-level template folder: zero-terminated texts back to back.
using TemplateList = HandleBuffer;
// How many top-level folders the new-score dialog keeps lists for.
inline constexpr int kTemplateListCount = 256;
// Walks the folder (relative to the current folder; null: the current folder itself) and
// below: every folder becomes a tree item under parent (sorted among its siblings), its data
// the index of its top-level folder's list; every file whose name holds pattern, in a folder,
// is appended to the list as its path (folders joined by a backslash) cut at the pattern. At the root
// each top-level folder moves on to the next list and counts in *counter; folders past the
// last list are left out.
void ScanTemplateFolder(CTreeCtrl* tree, HTREEITEM parent, const char* pattern, const char* folder, TemplateList* list,
                        std::int32_t* counter);
