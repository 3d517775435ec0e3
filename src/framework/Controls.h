// The standard controls: buttons, check boxes, radio buttons, labels, edit fields, combo
// boxes, list boxes, scroll bars, sliders, spin buttons and progress bars.
//
// Each is a CWnd made with Create (or by a dialog template) and driven by its messages
// (BM_..., EM_..., CB_..., LB_..., SBM_..., TBM_..., UDM_..., PBM_...); the member functions
// send those messages. Controls tell their parent what the user did: WM_COMMAND with the
// control id in the low word and the notification code (BN_CLICKED, EN_CHANGE,
// CBN_SELCHANGE, LBN_DBLCLK, ...) in the high word, lParam the control (CWnd*); scroll bars
// and sliders send WM_HSCROLL/WM_VSCROLL with the control as lParam. As on the original
// platform, changing a control from code sends no notification, except the text of an edit
// field (EN_CHANGE).
//
// Owner-drawn controls (BS_OWNERDRAW, SS_OWNERDRAW) draw nothing themselves: their parent gets
// WM_DRAWITEM (OnDrawItem) whenever they must be drawn, with a DC on the parent whose origin is
// the control's top-left corner; the control shows what the parent drew there.
#pragma once
#include "framework/Window.h"

// Button styles.
enum : DWORD {
    BS_PUSHBUTTON = 0x0,
    BS_DEFPUSHBUTTON = 0x1,
    BS_CHECKBOX = 0x2,
    BS_AUTOCHECKBOX = 0x3,
    BS_RADIOBUTTON = 0x4,
    BS_3STATE = 0x5,
    BS_AUTO3STATE = 0x6,
    BS_GROUPBOX = 0x7,
    BS_AUTORADIOBUTTON = 0x9,
    BS_OWNERDRAW = 0xB,
    BS_TYPEMASK = 0xF,
    BS_LEFTTEXT = 0x20,
    BS_ICON = 0x40,
    BS_BITMAP = 0x80,
    BS_LEFT = 0x100,
    BS_RIGHT = 0x200,
    BS_CENTER = 0x300,
    BS_PUSHLIKE = 0x1000,
};
// What a control asks of the dialog manager (WM_GETDLGCODE).
enum : LRESULT { DLGC_WANTARROWS = 0x1, DLGC_WANTTAB = 0x2, DLGC_WANTALLKEYS = 0x4, DLGC_RADIOBUTTON = 0x40,
                 DLGC_WANTCHARS = 0x80, DLGC_BUTTON = 0x2000 };
// Edit styles.
enum : DWORD {
    ES_LEFT = 0x0,
    ES_CENTER = 0x1,
    ES_RIGHT = 0x2,
    ES_MULTILINE = 0x4,
    ES_PASSWORD = 0x20,
    ES_AUTOVSCROLL = 0x40,
    ES_AUTOHSCROLL = 0x80,
    ES_READONLY = 0x800,
    ES_WANTRETURN = 0x1000,
    ES_NUMBER = 0x2000,
};
// Static styles.
enum : DWORD {
    SS_LEFT = 0x0,
    SS_CENTER = 0x1,
    SS_RIGHT = 0x2,
    SS_ICON = 0x3,
    SS_BLACKRECT = 0x4,
    SS_BLACKFRAME = 0x7,
    SS_OWNERDRAW = 0xD,
    SS_ETCHEDFRAME = 0x12,
    SS_TYPEMASK = 0x1F,
    SS_NOTIFY = 0x100,
    SS_SUNKEN = 0x1000,
};
// Combo box styles.
enum : DWORD {
    CBS_SIMPLE = 0x1,
    CBS_DROPDOWN = 0x2,
    CBS_DROPDOWNLIST = 0x3,
    CBS_OWNERDRAWFIXED = 0x10,
    CBS_AUTOHSCROLL = 0x40,
    CBS_SORT = 0x100,
    CBS_HASSTRINGS = 0x200,
    CBS_NOINTEGRALHEIGHT = 0x400,
};
// List box styles.
enum : DWORD {
    LBS_NOTIFY = 0x1,
    LBS_SORT = 0x2,
    LBS_MULTIPLESEL = 0x8,
    LBS_OWNERDRAWFIXED = 0x10,
    LBS_HASSTRINGS = 0x40,
    LBS_NOINTEGRALHEIGHT = 0x100,
    LBS_EXTENDEDSEL = 0x800,
    LBS_NOSEL = 0x4000,
};
// Scroll-bar styles.
enum : DWORD { SBS_HORZ = 0x0, SBS_VERT = 0x1 };
// Slider styles.
enum : DWORD { TBS_AUTOTICKS = 0x1, TBS_HORZ = 0x0, TBS_VERT = 0x2, TBS_TOP = 0x4, TBS_LEFT = 0x4, TBS_BOTH = 0x8, TBS_NOTICKS = 0x10 };
// Spin-button styles.
enum : DWORD {
    UDS_WRAP = 0x1,
    UDS_SETBUDDYINT = 0x2,
    UDS_ALIGNRIGHT = 0x4,
    UDS_ALIGNLEFT = 0x8,
    UDS_AUTOBUDDY = 0x10,
    UDS_ARROWKEYS = 0x20,
    UDS_HORZ = 0x40,
    UDS_NOTHOUSANDS = 0x80,
};
// Progress-bar styles.
enum : DWORD { PBS_SMOOTH = 0x1, PBS_VERTICAL = 0x4 };

class CStatic : public CWnd {
public:
    BOOL Create(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF);
};

class CButton : public CWnd {
public:
    BOOL Create(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    int GetCheck() const;  // BST_...
    void SetCheck(int check);
    UINT GetState() const;  // bit 2 (0x4) while pushed, low bits the check
    void SetState(BOOL pushed);
    UINT GetButtonStyle() const;
    // Shows an icon of the program's resources (resources/icons/<id>.png) on the button;
    // false when there is none.
    BOOL SetIcon(UINT iconId);
    // Presses the button as the user would (BN_CLICKED to the parent).
    void Click();
};

class CEdit : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    // Selects the characters [start, end) (byte offsets in the code-page text; end -1: to the
    // end).
    void SetSel(int start, int end, BOOL noScroll = FALSE);
    void GetSel(int& start, int& end) const;
    void ReplaceSel(const char* text, BOOL canUndo = FALSE);
    void LimitText(int maxBytes = 0);
    BOOL SetReadOnly(BOOL readOnly = TRUE);
    void Clear();
    void Copy();
    void Cut();
    void Paste();
};

class CComboBox : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    int AddString(const char* text);
    int InsertString(int index, const char* text);
    int DeleteString(UINT index);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);
    int GetLBText(int index, char* buffer) const;  // buffer holds GetLBTextLen + 1 bytes
    void GetLBText(int index, CString& text) const;
    int GetLBTextLen(int index) const;
    // The first entry after `after` (-1: from the start) whose text begins with text, case
    // blind; CB_ERR when none.
    int FindString(int after, const char* text) const;
    int FindStringExact(int after, const char* text) const;
    int SelectString(int after, const char* text);
    int SetItemData(int index, DWORD_PTR data);
    DWORD_PTR GetItemData(int index) const;
    void ShowDropDown(BOOL show = TRUE);
    BOOL GetDroppedState() const;
    // The height of the selection field (index -1) or of the list's entries (index 0).
    int SetItemHeight(int index, UINT height);
    int GetItemHeight(int index) const;
    void GetDroppedControlRect(RECT* rect) const;
};

class CListBox : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    int AddString(const char* text);
    int InsertString(int index, const char* text);
    int DeleteString(UINT index);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);
    int GetText(int index, char* buffer) const;
    void GetText(int index, CString& text) const;
    int GetTextLen(int index) const;
    int FindString(int after, const char* text) const;
    int FindStringExact(int after, const char* text) const;
    int SelectString(int after, const char* text);
    int SetItemData(int index, DWORD_PTR data);
    DWORD_PTR GetItemData(int index) const;
    int GetTopIndex() const;
    int SetTopIndex(int index);
    int GetItemRect(int index, RECT* rect) const;
    int GetItemHeight(int index) const;
    int SetItemHeight(int index, UINT height);
    // Multiple-selection lists.
    int GetSel(int index) const;
    int SetSel(int index, BOOL select = TRUE);
    int GetSelCount() const;
    int GetSelItems(int maxItems, int* items) const;
};

class CScrollBar : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    int GetScrollPos() const;
    int SetScrollPos(int pos, BOOL redraw = TRUE);
    void GetScrollRange(int* minPos, int* maxPos) const;
    void SetScrollRange(int minPos, int maxPos, BOOL redraw = TRUE);
    BOOL SetScrollInfo(const SCROLLINFO* info, BOOL redraw = TRUE);
    BOOL GetScrollInfo(SCROLLINFO* info, UINT mask = SIF_ALL) const;
    int GetScrollLimit() const;
    void ShowScrollBar(BOOL show = TRUE);
};

class CSliderCtrl : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    int GetPos() const;
    void SetPos(int pos);
    void GetRange(int& minPos, int& maxPos) const;
    int GetRangeMin() const;
    int GetRangeMax() const;
    void SetRange(int minPos, int maxPos, BOOL redraw = FALSE);
    void SetRangeMin(int minPos, BOOL redraw = FALSE);
    void SetRangeMax(int maxPos, BOOL redraw = FALSE);
    void SetTicFreq(int freq);
    // The pixel position of tick `index` (in the control's client coordinates), -1 when none.
    int GetTicPos(int index) const;
    UINT GetNumTics() const;
    int SetPageSize(int size);
    int SetLineSize(int size);
};

class CSpinButtonCtrl : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    // The value at the top arrow is upper; the default range is 100 (bottom) to 0 (top).
    void SetRange(short lower, short upper);
    void SetRange32(int lower, int upper);
    void GetRange32(int& lower, int& upper) const;
    int SetPos(int pos);
    int GetPos() const;
    CWnd* SetBuddy(CWnd* buddy);
    CWnd* GetBuddy() const;
};

class CProgressCtrl : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    void SetRange(short lower, short upper);
    void SetRange32(int lower, int upper);
    int SetPos(int pos);
    int GetPos() const;
    int OffsetPos(int delta);
    int SetStep(int step);
    int StepIt();
};
