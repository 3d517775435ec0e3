// The platform layer's globals, in one place.
#pragma once
#include <cstdint>

struct PlatformGlobals {
    std::uint16_t errorCode = 0;        // the code the last coded failure carried
    std::int16_t cursorCounter = 0;     // the program's own cursor display counter
    std::uint32_t tickBase = 0;         // 0 until the first tick is taken
    bool tickBaseSet = false;
    bool waitCursorOn = false;
    bool waitCursorPhase = false;
    std::uint32_t waitCursorTime = 0;   // ticks at the last change
    std::uint8_t shiftDown = 0, capsLock = 0, ctrlDown = 0, altDown = 0;
    std::uint32_t nextUniqueId = 0;
    char unitsName[32] = {};
    char decimalSeparator[8] = ".";
};

extern PlatformGlobals g_platform;

// Start-up values again (tests).
void ResetPlatformGlobals();
