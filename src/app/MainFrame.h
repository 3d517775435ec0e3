// The main frame: the program's one top-level window. It holds the client area where the score
// windows live (painted with the background pattern), the status bar at the bottom and the bars
// docked along the top; it turns navigation keys into the program's character codes, keeps its
// placement in the settings store and saves and restores the state of its bars.
#pragma once
#include <cstdint>
#include <string>

#include "framework/Window.h"

class CStatBar;

// The client area behind the score windows.
class CMDIClientWnd : public CWnd {
public:
    static constexpr unsigned kId = 0xE900;
    static constexpr unsigned kBackgroundBitmap = 336;

protected:
    BOOL OnEraseBkgnd(CDC* dc) override;
};

class CZelDesktop : public CFrameWnd {
public:
    static constexpr int kPlacementSize = 44;
    static constexpr unsigned kMainMenu = 128;  // the menu bar: File to Note, Options, View, Window, Help
    // Where the bars' state lives, below the program's key.
    static constexpr const char* kBarStateSection = "Toolbars\\Toolbar";

    CZelDesktop();
    ~CZelDesktop() override;

    // Makes the frame titled with the program's name and shows it at its stored placement, or
    // maximised when none applies. False when the window cannot be made.
    bool Create();

    // The character code of a navigation key (Page Up 11, Page Down 12, End 4, Home 1, Left 28,
    // Up 30, Right 29, Down 31, Delete 8), 0 for any other key.
    static int NavigationCode(unsigned virtualKey);

    // The placement as the 44-byte stored record and back (false for a record of another size
    // or whose length field is not 44).
    static std::string PackPlacement(const WINDOWPLACEMENT& placement);
    static bool UnpackPlacement(const std::string& bytes, WINDOWPLACEMENT* placement);
    // Pulls a stored placement onto a screen of the given size, keeping an icon's size of the
    // window on it; a minimised one restores as a normal window.
    static void ClampPlacement(WINDOWPLACEMENT* placement, int screenWidth, int screenHeight);

    void SaveWindowPlacement();
    // The menu bar's keys after the tab become the frame's accelerators, taken before the keys
    // typed into a window (but Delete, which the score window reads itself), and Ctrl+F4 closes
    // the score window as Ctrl+W does.
    void InstallAccelerators();
    // Ctrl+C during a count-in taps the tempo (a typed key) instead of copying.
    BOOL PreTranslateMessage(MSG* msg) override;
    // True when a stored placement was applied.
    bool RestoreWindowPlacement();
    // The bars' state: visibility and floating position of each bar, by control id. A stored
    // state naming a bar the frame does not have is ignored whole.
    void SaveBarState();
    bool LoadBarState();

    CStatBar* GetStatusBar() const { return statusBar_; }
    CMDIClientWnd& Client() { return client_; }

    BOOL DestroyWindow() override;

protected:
    int OnCreate(CREATESTRUCT* cs) override;
    void OnKeyDown(UINT vk, UINT repeat, UINT flags) override;
    void OnChar(UINT ch, UINT repeat, UINT flags) override;
    // Closing the frame (its close button, Alt+F4, File > Exit) first asks about every modified
    // score; a Cancel, or a save that failed, keeps the program running.
    void OnClose() override;

private:
    CMDIClientWnd client_;
    CStatBar* statusBar_ = nullptr;
};
