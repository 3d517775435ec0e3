// Leaks inside the system's font and window libraries are theirs, not ours: the leak checker of
// sanitizer builds leaves them out of the tools' reports, as it does for the tests'.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n"
           "leak:libglib\n"
           "leak:libfreetype\n";
}

// The tools' output is compared with expected text: the leak checker keeps its statistics to
// itself.
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
