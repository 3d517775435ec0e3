// The splash: a borderless window that stays on top while the program starts, showing the
// picture "zlsplash.bmp" from the program folder. It stays up at least a minimum time unless it
// is closed at once (before a warning box, or when start-up is done).
#pragma once
#include <memory>

#include "framework/Gdi.h"
#include "framework/Types.h"
#include "framework/Window.h"

class CSplashWnd : public CWnd {
public:
    static constexpr const char* kPictureName = "zlsplash.bmp";

    // Shows the splash for at least minimumMs milliseconds; false when none is shown (a screen
    // of fewer than 256 colours, or no picture).
    static bool Show(DWORD minimumMs);
    // Closes the splash when one is shown: unless immediately, first waits out its minimum
    // time. Then the main window gets the keyboard focus.
    static void Close(bool immediately);
    // The splash shown, or null.
    static CSplashWnd* Current();
    void SetTopmost(bool on);

protected:
    int OnCreate(CREATESTRUCT* cs) override;
    void OnPaint() override;

private:
    CBitmap picture_;
};
