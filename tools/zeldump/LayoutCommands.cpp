#include "LayoutCommands.h"

int RunLayoutCommand(int argc, char** argv) {
    (void)argc;
    (void)argv;
    return -1;
}
