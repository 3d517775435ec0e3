// Running scripts: one script, and a folder of script cases against their expected output.
#pragma once
#include <cstdio>
#include <istream>
#include <string>
#include <vector>

namespace zelscript {

std::vector<std::string> SplitLine(const std::string& line);
void PrintHelp(std::FILE* out);
// Runs the script's lines; with outPath, saves the score there at the end. 0, or 1 after
// printing the failing line's number and reason.
int RunScript(std::istream& in, const std::string& folder, const std::string& outPath);
// Runs every NAME.zs of the folder in a fresh process (its own temporary settings homes and
// working folder; files it opens are found there or beside the script) and compares its output (standard output, then standard error, then
// "exit N" when N is not 0) with NAME.out. Prints one line per case and a summary; 0 when all
// match. With ZEL_UPDATE_REFERENCES=1 it writes NAME.out instead.
int RunCheck(const char* self, const std::string& folder);

}  // namespace zelscript
