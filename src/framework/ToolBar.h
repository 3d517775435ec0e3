// Tool bars: a control bar of buttons laid out in rows, each button a command id with an image of
// the strip of the bar's resource id. A press and release on an enabled button sends its command
// to the frame as WM_COMMAND. Buttons keep checked, enabled, pressed and hot states; a separator
// takes the width it is given. The tool-bar resources are the framework's own table (the command
// ids of a bar in button order, 0 for a separator), as the image strips are.
#pragma once
#include <string>
#include <vector>

#include "framework/ControlBar.h"
#include "framework/ImageList.h"

// Button styles.
enum : UINT { TBBS_BUTTON = 0x0000, TBBS_SEPARATOR = 0x0001 };
// Tool-bar control styles.
enum : DWORD { TBSTYLE_FLAT = 0x0800, TBSTYLE_TRANSPARENT = 0x8000 };

namespace fw {
// A tool-bar resource: command ids in button order, 0 for a separator; null when there is none.
const std::vector<UINT>* FindToolBarResource(UINT id);
// Registers a tool-bar resource (the program's bars register theirs at start-up); a later
// registration under the same id replaces the earlier one.
void AddToolBarResource(UINT id, std::vector<UINT> commands);
// The next free control-bar id: 59424 for the first bar made, then one up per call, so the ids
// follow the creation order and stay the same from run to run.
UINT NextControlBarId();
// Starts the count again at 59424 (a new main frame, tests).
void ResetControlBarIds();
}  // namespace fw

class CToolBar : public CControlBar {
public:
    static constexpr UINT kFirstBarId = 59424;

    CToolBar();
    ~CToolBar() override;

    // Makes the bar (hidden until docked or floated) with the next control-bar id unless one is
    // given; ctrlStyle takes TBSTYLE_ bits.
    BOOL CreateEx(CFrameWnd* frame, DWORD ctrlStyle, DWORD barStyle, const RECT& borders, UINT id = 0);
    // Loads the resource's buttons and the image strip of the same id (16 x 16 images); false
    // when the resource does not exist (a missing strip only leaves the buttons blank).
    BOOL LoadToolBar(UINT resourceId);
    // The button size (default 23 x 23) and image size (16 x 16).
    void SetSizes(SIZE button, SIZE image);
    SIZE GetButtonSize() const { return button_; }
    void SetBorders(int left, int top, int right, int bottom);

    int GetCount() const { return int(items_.size()); }
    // The index of the first button with the command, -1 when none.
    int CommandToIndex(UINT id) const;
    UINT GetItemID(int index) const;
    // The button's rectangle in the bar's client coordinates (empty outside 0..count-1).
    void GetItemRect(int index, RECT* rect) const;
    UINT GetButtonStyle(int index) const;
    // Changes a button's command, style and (for a separator) width.
    void SetButtonInfo(int index, UINT id, UINT style, int widthOrImage);
    // Lays the buttons out in that many rows (at least 1); the bar's rectangle of that layout
    // into rect when given.
    void SetRows(int rows, BOOL larger, RECT* rect);
    int GetRows() const { return rows_; }
    // The size of the laid-out bar (the buttons and the borders).
    SIZE LayoutSize() const;

    // Button states; an index outside 0..count-1 is ignored (queries answer false).
    void CheckButton(int index, bool on);
    void EnableButton(int index, bool on);
    void PressButton(int index, bool on);
    bool IsButtonChecked(int index) const;
    bool IsButtonEnabled(int index) const;
    bool IsButtonPressed(int index) const;
    int GetHotItem() const { return hot_; }
    void SetHotItem(int index);
    // The index of the first button whose rectangle holds the point, -1 when none.
    int HitTestButton(POINT pt) const;
    // The image of the strip a button shows (its index unless changed).
    int GetButtonImage(int index) const;
    void SetButtonImage(int index, int image);
    const CImageList& Images() const { return images_; }

    // The tooltip: the part after the first line feed of the string-table entry under the
    // button's command id (empty when none).
    virtual std::string GetToolTipText(int index) const;
    // The status prompt: the part before the first line feed.
    virtual std::string GetPromptText(int index) const;

    SIZE CalcFixedLayout(BOOL stretch, BOOL horz) override;
    SIZE CalcDynamicLayout(int length, DWORD mode) override;

protected:
    // Draws one button (its background, image and edge) into the bar's picture.
    virtual void DrawButton(CDC* dc, int index, const RECT& rect);
    // Fills the bar's background.
    virtual void DrawBackground(CDC* dc, const RECT& client);
    // The tool bar's own press handling at a point: the button is shown pressed while the
    // pointer stays on it and its command is sent when the button is released over it (a double
    // click sends it as well).
    void TrackPress(POINT pt, bool doubleClick);
    // Sends the button's command to the frame (WM_COMMAND).
    void SendButtonCommand(int index);
    void RedrawButton(int index);

    void OnPaint() override;
    BOOL OnEraseBkgnd(CDC*) override { return TRUE; }
    void OnLButtonDown(UINT flags, POINT pt) override;
    void OnLButtonDblClk(UINT flags, POINT pt) override;
    void OnMouseMove(UINT flags, POINT pt) override;

private:
    struct Item {
        UINT id = 0;
        UINT style = TBBS_BUTTON;
        int image = 0;
        int width = 8;  // a separator's width
        bool checked = false, enabled = true, pressed = false;
        RECT rect{};
    };
    void Layout();
    std::vector<Item> items_;
    CImageList images_;
    SIZE button_{23, 23};
    SIZE image_{16, 16};
    RECT borders_{0, 0, 0, 0};
    int rows_ = 1;
    int hot_ = -1;
    DWORD ctrlStyle_ = 0;
};
