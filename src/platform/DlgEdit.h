// The edit controls of the dialog base: CDlgEdit, the control a dialog's numeric field is
// subclassed with (dragging the mouse up and down over it changes the value), and CEditBox,
// an in-place edit box placed over a row of a grid list to type a name.
#pragma once
#include <cstddef>
#include <cstdint>

#include "framework/Controls.h"
#include "framework/Gdi.h"

class CStdDlg;

class CDlgEdit : public CEdit {
public:
    std::int16_t id = 0;
    std::int16_t format = 0;
    std::int16_t minimum = 0;
    std::int16_t maximum = 0;
    std::int16_t minAsEmpty = 0;
    CStdDlg* dialog = nullptr;

protected:
    void OnLButtonDown(UINT flags, POINT pt) override;
};

class CEditBox : public CEdit {
public:
    static constexpr int kTextMax = 32;
    // How far a box whose row left its list is moved out of sight.
    static constexpr int kHiddenOffset = 9000;

    // A child edit control at rect over the list at listRect (the parent's client area when
    // not given), on top and shown, in the font of the current drawing port; takes the focus.
    BOOL Create(CWnd* parent, int id, const RECT& rect, const RECT* listRect = nullptr);
    void SetText(const char* text);
    // At most 32 characters (and size - 1 bytes), terminated.
    void GetText(char* text, std::size_t size);
    bool SendChar(UINT ch, UINT flags);
    // Moves the box with its list by dy.
    void ScrollBy(int dy);
    void Refresh();

    RECT boxRect;     // where the box is while its row shows
    RECT listRect;    // the list it edits over
    bool hidden = false;

private:
    CFont font_;
};
