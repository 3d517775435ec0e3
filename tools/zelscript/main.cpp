// build/zelscript SCRIPT [-o OUT.zel]: runs a line-based script on a score and prints what its
// print commands ask; build/zelscript --check DIR runs a folder of script cases. --help lists
// every command.
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "ScriptRun.h"

int main(int argc, char** argv) {
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        zelscript::PrintHelp(stdout);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--check") == 0) return zelscript::RunCheck(argv[0], argv[2]);
    std::string script, out;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
            out = argv[++i];
        } else if (script.empty()) {
            script = argv[i];
        } else {
            script.clear();
            break;
        }
    }
    if (script.empty()) {
        std::fprintf(stderr, "usage: zelscript SCRIPT [-o OUT.zel] | --check DIR | --help\n");
        return 2;
    }
    if (script == "-") return zelscript::RunScript(std::cin, ".", out);
    std::ifstream in(script);
    if (!in) {
        std::fprintf(stderr, "zelscript: cannot open %s\n", script.c_str());
        return 2;
    }
    const std::size_t slash = script.rfind('/');
    return zelscript::RunScript(in, slash == std::string::npos ? "." : script.substr(0, slash), out);
}
