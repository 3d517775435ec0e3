// The converter program: the window, or with --convert the conversion alone, without a window.
//
//   zel2tqx                                  the converter's window
//   zel2tqx --convert FILE.zel movable|fixed writes FILE_首调.zel or FILE_固定调.zel beside
//                                            FILE.zel, prints the log line and exits 0; a
//                                            failure prints its message and exits 1; wrong
//                                            arguments print the usage and exit 2
#pragma once
#include <string>
#include <vector>

#include "framework/App.h"

class CZel2tqxApp : public CWinApp {
public:
    CZel2tqxApp() : CWinApp("Zel2tqx") {}
    // Runs the window until it closes; the program then ends.
    bool InitInstance() override;
};

// The conversion of the command line: arguments after "--convert" (the system's encoding);
// what it prints goes to out and err (UTF-8). Returns the exit status.
int RunConvertCommand(const std::vector<std::string>& args, std::string* out, std::string* err);

// The program's entry: the command line's conversion or the window.
int Zel2tqxMain(int argc, char** argv);
