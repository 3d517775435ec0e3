// Commands of zeldump that work on a score's structure and layout.
#pragma once

// Runs a layout command when argv names one; -1 when the command is not one of these.
int RunLayoutCommand(int argc, char** argv);
