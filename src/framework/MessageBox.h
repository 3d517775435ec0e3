// Message boxes and the warning beep.
//
// Texts and captions are in the program's code page. Without a visible display (no
// application object, or a headless platform) a box is not shown and answers with its
// default button, so nothing ever waits for a user who is not there.
#pragma once
#include <string>
#include <vector>

#include "framework/Types.h"

enum : UINT {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_ABORTRETRYIGNORE = 0x2,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_RETRYCANCEL = 0x5,
    MB_ICONHAND = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONASTERISK = 0x40,
    MB_ICONSTOP = MB_ICONHAND,
    MB_ICONERROR = MB_ICONHAND,
    MB_ICONWARNING = MB_ICONEXCLAMATION,
    MB_ICONINFORMATION = MB_ICONASTERISK,
    MB_DEFBUTTON1 = 0x0,
    MB_DEFBUTTON2 = 0x100,
    MB_DEFBUTTON3 = 0x200,
    MB_APPLMODAL = 0x0,
    MB_SYSTEMMODAL = 0x1000,
    MB_TASKMODAL = 0x2000,
    MB_TYPEMASK = 0xF,
    MB_ICONMASK = 0xF0,
    MB_DEFMASK = 0xF00,
};

enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

// An owner-less box with the buttons and icon of `type`; returns the button pressed (ID...).
int MessageBox(const char* text, const char* caption, UINT type);
// A box with the application's name as caption.
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
// The system sound of an alert kind (MB_ICON...).
void MessageBeep(UINT type);
// Draws the user's eye to the main window for a while (ticks of 1/60 s).
void FlashMainWindow(int ticks);

namespace fw::msgboxtest {

struct Shown {
    std::string text;
    std::string caption;
    UINT type = 0;
    int answer = 0;
};

// While one exists, boxes are recorded and answered from the script instead of shown, and
// beeps are counted.
class Capture {
public:
    Capture();
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    // Answers for the next boxes, in order; a box without one gets its default button.
    void Answer(int id);
    const std::vector<Shown>& shown() const;
    int beeps() const;
    // Flashes of the main window asked for meanwhile.
    int flashes() const;
    UINT lastBeep() const;
};

}  // namespace fw::msgboxtest
