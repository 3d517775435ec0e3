// The program's string table: texts by id, kept in a UTF-8 resource and handed out in the
// program's code page.
#pragma once
#include <string>

#include "framework/Types.h"

namespace fw {

// The text of a string id in the code page; false (and an empty text) when there is none.
bool LoadStringResource(UINT id, std::string& out);

}  // namespace fw
