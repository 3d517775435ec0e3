// A sheet of the bar controls in their states, drawn in one window: image buttons up, down, hot
// and disabled, a menu field, a switch on and off, a text pane, a number popup for -64..63, a
// menu box of 128 items and the clef picker.
#pragma once
#include <memory>
#include <string>

class CWnd;

class ControlsSheet {
public:
    ControlsSheet();
    ~ControlsSheet();
    // Makes the window and its controls (off the screen when the platform has none).
    bool Create();
    CWnd* Window();
    // Paints the sheet afresh and writes it as a PNG.
    bool Save(const std::string& path);
    // Paints the whole sheet once (for timing).
    void Paint();

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};
