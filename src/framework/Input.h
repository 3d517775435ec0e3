// Sampling the keyboard and the mouse buttons outside of their events.
//
// The state is what the application has seen so far: the modifier keys are asked of the
// window system, other keys and the mouse buttons follow the input events the application
// has processed. Without an application object nothing is down.
#pragma once
#include "framework/Types.h"

// Virtual key codes. Digits and letters are their upper-case characters ('0'-'9', 'A'-'Z').
enum : int {
    VK_LBUTTON = 0x01,
    VK_RBUTTON = 0x02,
    VK_MBUTTON = 0x04,
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_PAUSE = 0x13,
    VK_CAPITAL = 0x14,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    VK_NUMPAD0 = 0x60,  // to VK_NUMPAD9 = 0x69
    VK_MULTIPLY = 0x6A,
    VK_ADD = 0x6B,
    VK_SUBTRACT = 0x6D,
    VK_DECIMAL = 0x6E,
    VK_DIVIDE = 0x6F,
    VK_F1 = 0x70,  // to VK_F12 = 0x7B
};

namespace fw {

// Bit 15 set while the key or button is down.
SHORT GetAsyncKeyState(int vk);
// Bit 15 set while down; bit 0 set while a toggle key (Caps Lock) is on.
SHORT GetKeyState(int vk);
// The longest time between the clicks of a double click, in milliseconds.
UINT GetDoubleClickTime();

namespace inputtest {

// While one exists, the state comes from this script alone: nothing down, nothing toggled,
// a 500 ms double-click time, until set otherwise.
class Script {
public:
    Script();
    ~Script();
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    void SetDown(int vk, bool down);
    void SetToggled(int vk, bool on);
    void SetDoubleClickTime(UINT ms);
};

}  // namespace inputtest

}  // namespace fw
