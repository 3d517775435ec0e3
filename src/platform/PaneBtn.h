// The small controls the program's bars and palettes are built from, all light panes that
// report a click to their owner as WM_COMMAND with their command id: image buttons (push,
// toggle, tracked or not), command buttons, drop-down menu fields, check switches with a
// caption and one-line text panes.
#pragma once
#include <cstdint>

#include "framework/ImageList.h"
#include "platform/Pane.h"

class CPaneBtn : public CPane {
public:
    // The face bitmaps (24 x 24): up, hot, down.
    static constexpr int kFaceUp = 389, kFaceHot = 390, kFaceDown = 391;
    // The hot button's timer: it asks every 100 ms whether the pointer has left.
    static constexpr UINT_PTR kHotTimer = 3;
    static constexpr UINT kHotTimerMs = 100;

    CPaneBtn();
    ~CPaneBtn() override;

    // Stores the command id, bitmap id (a 16-bit value widened with its sign) and image size;
    // image 0, enabled; creates the pane in the parent (also its owner); loads the images;
    // state 0, not hot, edge face, tracking, not momentary, not toggling; control id = command.
    BOOL Create(CWnd* parent, const RECT& rect, int commandId, std::int16_t bitmapId, int imageWidth,
                int imageHeight);
    void SetEnabled(bool on);
    void SetMomentary(bool on) { momentary = on ? 1 : 0; }
    void SetToggle(bool on) { toggle = on ? 1 : 0; }
    void SetTracking(bool on) { track = on ? 1 : 0; }
    // 1: the face is drawn from the face bitmaps.
    void SetFlag(int flag) { bitmapFace = flag == 1 ? 1 : 0; }

    virtual void DrawImage();
    virtual void DrawFace();
    virtual void TrackClick(int x, int y);
    virtual void Release();
    virtual void Press();
    virtual void ToggleState();
    virtual void SetBitmapId(int id);
    virtual void LoadImages(int index);
    virtual void SetState(int value);
    virtual int GetState();

    std::uint8_t bitmapFace = 0;
    std::uint8_t hot = 0;
    std::uint8_t btnEnabled = 0;
    std::uint8_t track = 1;
    std::uint8_t momentary = 0;
    std::uint8_t toggle = 0;
    std::int32_t bitmapId = 0;
    std::int32_t imageIndex = 0;
    std::int32_t imageWidth = 16, imageHeight = 16;
    std::int32_t state = 0;  // 0 up, 1 down, 2 disabled (menu fields)
    std::int32_t commandId = 0;
    CImageList images;

protected:
    void Paint(const RECT& client) override;
    void OnLButtonDown(UINT flags, POINT pt) override;
    void OnLButtonDblClk(UINT flags, POINT pt) override;
    void OnRButtonDown(UINT flags, POINT pt) override;
    void OnMouseMove(UINT flags, POINT pt) override;
    void OnTimer(UINT_PTR id) override;
    // Redraws at once (invalidate, erase, update now).
    void Redraw();
    // Sends WM_COMMAND (id, this button) to the owner.
    void SendCommand(int id, bool withWindow);
    // Makes the button hot (the one hot button), or no longer hot.
    void SetHot(bool on);
    // The images of the strip from `index` on, without the menu filter.
    void LoadImagesFrom(int index, bool filter);
};

// A button that only sends its command.
class CCmdBtn : public CPaneBtn {
public:
    // As CPaneBtn::Create, the bitmap id taken whole, then LoadImagesPlain (0).
    BOOL CreateCmd(CWnd* parent, const RECT& rect, int commandId, std::int32_t bitmapId, int imageWidth,
                   int imageHeight);
    // LoadImages without the menu filter.
    void LoadImagesPlain(int index) { LoadImagesFrom(index, false); }

protected:
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;
};

// A field that drops down a menu and shows the chosen item's text.
class CMenuBtn : public CCmdBtn {
public:
    static constexpr int kTextSize = 69;

    BOOL Create(CWnd* parent, const RECT& rect, int commandId, bool arrow);
    // Sets the menu resource (and whether a choice sends the item's own command id) and shows
    // the current item's text.
    void SetMenu(int menuId, bool byCommand);
    void SetCurrentItem(int position);
    // Makes the position current and copies its text (at most 31 characters, cut at its first
    // tab) into text (size bytes with the terminator).
    void GetItemText(int position, char* text, int size);
    // Copies the text (cut to the field at a character boundary) and invalidates.
    void SetText(const char* text);
    // State 0 when on, 2 when off.
    void Enable(bool on);
    void SetState(int value) override;
    void TrackClick(int x, int y) override;

    char text[kTextSize] = {};
    std::uint8_t arrow = 0;
    std::int32_t menuId = 0;
    std::int32_t current = 0;
    std::uint8_t byCommand = 0;

protected:
    void Paint(const RECT& client) override;
};

// A check box with a caption: a 10 x 10 box, crossed when checked.
class CSwitchBtn : public CPane {
public:
    static constexpr int kCaptionSize = 64;

    BOOL Create(CWnd* parent, const RECT& rect, int commandId);
    void SetText(const char* caption);
    void Toggle();

    std::int32_t commandId = 0;
    char caption[kCaptionSize] = {};
    std::uint8_t first = 1, checked = 0, last = 1;

protected:
    void Paint(const RECT& client) override;
    void OnLButtonDown(UINT flags, POINT pt) override;
    void OnLButtonDblClk(UINT flags, POINT pt) override { OnLButtonDown(flags, pt); }
};

// A one-line text field.
class CTextPane : public CPane {
public:
    static constexpr int kTextSize = 256;

    BOOL Create(CWnd* parent, const RECT& rect);
    // Copies the text (not a null one; at most 255 bytes, cut at a character boundary) and
    // redraws at once.
    void SetText(const char* value);
    void SetNumber(std::int16_t n);
    void SetFrame(bool noFrameFlag, bool centredFlag);

    std::uint8_t noFrame = 1;
    std::uint8_t centred = 0;
    char text[kTextSize] = {};

protected:
    void Paint(const RECT& client) override;
};
