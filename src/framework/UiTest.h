// Scripted input for tests: mouse presses, moves and releases (with click counts and modifier
// keys), wheel turns, keys and characters sent to windows through the platform's own input
// path, so that windows, dialogs, controls, mouse loops and menus see them as a user's.
//
// Input is a script: each call below appends one step, and the steps are delivered one at a
// time by whichever event loop runs (RunUntilIdle, a modal mouse loop, a modal dialog), each
// after everything the previous step set going (posted messages, paints) is done. A mouse
// loop that is waiting when the script runs dry gets a release at the last position, and a
// modal dialog still open then is ended with IDCANCEL (counted by ForcedEnds), so a test never
// hangs. Coordinates are client coordinates of the window given.
//
// While a Session exists, the pointer position (fw::GetCursorPos, fw::SetCursorPos) is the
// script's, the double-click time is 500 ms of the script's own clock, and modal dialogs and
// pop-up menus are answered from the script.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "framework/Messages.h"
#include "framework/Types.h"

class CWnd;
class CDialog;

namespace fw::uitest {

enum Button { kLeft = 1, kRight = 2, kMiddle = 4 };
// Modifier keys held during a step.
enum Mods : UINT { kNone = 0, kShift = 1, kCtrl = 2, kAlt = 4 };

// What a pop-up menu showed.
struct MenuItem {
    std::string text;  // code page, without the "&"
    UINT id = 0;       // 0 for separators and pop-ups
    UINT flags = 0;    // MF_ bits: MF_SEPARATOR, MF_POPUP, MF_CHECKED, MF_GRAYED, the breaks
    int column = 0;    // the column it shows in
    std::vector<MenuItem> popup;  // the items of a pop-up
};
struct ShownMenu {
    int x = 0;
    int y = 0;
    UINT flags = 0;  // TPM_ flags
    std::vector<MenuItem> items;
    UINT answer = 0;  // the command id chosen (0: none)
};

class Session {
public:
    Session();
    // Drops whatever of the script was not delivered.
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
};

// --- mouse steps ---
// A press; clickCount 2 makes it the second press of a double click (the previous press must
// have been on the same window at nearly the same point).
void Press(CWnd* wnd, int x, int y, Button button = kLeft, UINT mods = kNone, int clickCount = 1);
void Release(CWnd* wnd, int x, int y, Button button = kLeft, UINT mods = kNone);
// A move, with the buttons that are down held.
void Move(CWnd* wnd, int x, int y, UINT mods = kNone);
// Press and release clickCount times at one point (2: a double click).
void Click(CWnd* wnd, int x, int y, Button button = kLeft, UINT mods = kNone, int clickCount = 1);
// Press at the first point, move through the others, release at the last.
void Drag(CWnd* wnd, const std::vector<POINT>& points, Button button = kLeft, UINT mods = kNone);
// A wheel turn: delta 120 per notch, positive away from the user.
void Wheel(CWnd* wnd, int x, int y, int delta, UINT mods = kNone);

// --- keyboard steps (the key goes to wnd, which gets the focus first) ---
// Virtual key vk (VK_..., or 'A'-'Z', '0'-'9') pressed and released, with the character it
// makes (Enter 13, Tab 9, Escape 27, Backspace 8, letters as typed); keypad: the keypad's key
// (VK_RETURN on the keypad is keypad Enter).
void Key(CWnd* wnd, int vk, UINT mods = kNone, bool keypad = false);
void KeyDown(CWnd* wnd, int vk, UINT mods = kNone, bool keypad = false);
void KeyUp(CWnd* wnd, int vk, UINT mods = kNone, bool keypad = false);
// Types a text (code page): one key per character.
void Type(CWnd* wnd, const char* text);

// --- drops ---
// Files (code page paths) dragged from the desktop and dropped at a point of wnd: the widget
// there, or the first of its parents that takes drops, gets the drag's enter, a move and the
// drop, as the platform hands them; nothing happens where no widget takes drops.
void DropFiles(CWnd* wnd, int x, int y, const std::vector<std::string>& paths);

// --- other steps ---
// One poll of a mouse loop passes with no input (MouseLoopStep's timeout runs out).
void Tick();
// Runs code as a step (after the steps before it are delivered).
void Call(std::function<void()> step);
// A press and release at the centre of control `id` of dlg.
void ClickControl(CWnd* dlg, int id, Button button = kLeft, UINT mods = kNone, int clickCount = 1);

// Delivers the script and runs the event loop until the script is empty and nothing is
// waiting (posted messages, paints, drawing of owner-drawn controls).
void RunUntilIdle();
// Steps not yet delivered.
int PendingSteps();

// --- timers ---
// The interval of a window's timer, 0 when it has none.
UINT TimerInterval(CWnd* wnd, UINT_PTR id);
// Sends WM_TIMER for the timer now, as if it were due; false when the window has no such
// timer.
bool FireTimer(CWnd* wnd, UINT_PTR id);

// --- modal dialogs ---
// The next modal dialog runs `step` once it is initialised and shown; steps the handler adds
// come before the rest of the script. A modal dialog with no handler waiting ends with
// IDCANCEL at once.
void OnNextModal(std::function<void(CDialog&)> step);
// Modal dialogs ended because the script ran dry.
int ForcedEnds();
// Template ids of the modal dialogs run in this session, in order.
const std::vector<UINT>& ModalsRun();

// --- the pointer ---
// Where the program itself put the pointer (fw::SetCursorPos), screen coordinates, in order;
// taking them empties the list.
std::vector<POINT> TakeWarps();

// --- pop-up menus ---
// The next pop-up menu answers with this command id (0: dismissed).
void AnswerMenu(UINT commandId);
// The pop-ups shown in this session, in order (also the unanswered ones, which answered 0).
const std::vector<ShownMenu>& Menus();

}  // namespace fw::uitest
