// The tests' main: headless Qt, the build's data folder, the build's pinned font set and a
// settings home of its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "framework/Midi.h"

// Leaks inside the system's font and window libraries are theirs, not ours: the leak checker
// of sanitizer builds leaves them out.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n"
           "leak:libglib\n"
           "leak:libfreetype\n";
}

// ThreadSanitizer cannot see the memory barriers of libraries built without it: JACK's
// lock-free ring buffer (one writer, one reader) and the OpenMP threads of the synthesizer.
// Narrow on purpose: a stack through JACK's process thread into our code is still checked.
extern "C" const char* __tsan_default_suppressions() {
    return "race:jack_ringbuffer_\n"
           "race:libgomp.so\n";
}

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("ZEL_BUILD_DIR", ZEL_TEST_BUILD_DIR, 0);
    ::setenv("ZEL_DATA_DIR", ZEL_TEST_DATA_DIR, 0);
    // The fonts the set-up installs and no others, for the tests and every program they start:
    // the installed-font list, and so every stored font index, is the same on any machine.
    ::setenv("FONTCONFIG_FILE", ZEL_TEST_FONTCONFIG, 1);
    // Nothing a test writes may land in the user's real homes.
    std::string home = std::string(ZEL_TEST_BUILD_DIR) + "/test-home/" + std::to_string(::getpid());
    ::setenv("ZEL_TEST_HOME", home.c_str(), 1);
    for (const char* var : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
        std::string dir = home + "/" + var;
        std::filesystem::create_directories(dir);
        // The runtime folder is the user's alone, as the system makes it.
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace);
        ::setenv(var, dir.c_str(), 1);
    }
    // The machine's MIDI devices and the built-in synthesizer stay out of the port list: tests
    // add loopback ports, and the tests of the back ends switch theirs on.
    fw::midi::Config midi;
    midi.synth = midi.alsa = midi.jack = false;
    fw::midi::Configure(midi);
    ::testing::InitGoogleTest(&argc, argv);
    int rc = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
    return rc;
}
