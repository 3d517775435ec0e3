// The chord library's definitions as the developer tools give them: "chorddef KEY
// [styles=A,B,C,D] CODE[:DX:DY[:SIZE]]..." lines (zelscript's command, and zelrender's
// --chorddefs reading those lines of a script), made into definition records of the program's
// chord library.
#pragma once
#include <string>
#include <vector>

namespace tools {
// One definition from the words after "chorddef"; its element count. Throws ToolError on bad
// words.
int AddChordDefinition(const std::vector<std::string>& words);
// Every "chorddef" line of a script file; their count. Throws ToolError when it cannot be read.
int AddChordDefinitionsFrom(const std::string& path);
}  // namespace tools
