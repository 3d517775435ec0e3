// A small numeric value field without a window of its own: a 16-bit value with a range, shown
// as an integer, a decimal with one or two fraction digits, a power of two or a note name,
// changed by dragging the mouse up and down or by typing. It draws itself through the current
// artist into a rectangle its owner gives it. Owners subclass it: dialog controls
// (CDlgNumeric, CEditNumeric) and the numeric panes of tool bars and palettes (CPaneNumeric).
#pragma once
#include <cstddef>
#include <cstdint>

#include "framework/Types.h"
#include "platform/FontRef.h"

class CStdDlg;

class CNumeric {
public:
    CNumeric();
    virtual ~CNumeric();
    CNumeric(const CNumeric&) = delete;
    CNumeric& operator=(const CNumeric&) = delete;

    // Stores value, range and rectangle; flags reset, integer display, insets 2 and 3,
    // centred, default font. With minText the minimum is shown as that text.
    virtual void Init(int value, int minimum, int maximum, const RECT& rect, const char* minText);  // 0
    // Draws the field into the current port.
    virtual void Draw();                                                        // 1
    // The mouse-drag change loop; returns the final value.
    virtual int DragChange();                                                   // 2
    // Typed entry of one key code; true when the key was used.
    virtual bool TypeKey(UINT key, UINT flags);                                 // 3
    // Ends the entry: not active, no current numeric field, redrawn.
    virtual void EndEdit();                                                     // 4
    virtual int GetClampedValue();                                              // 5
    // The shown text (size bytes with the terminator).
    virtual void Format(char* text, std::size_t size);                          // 6
    // Stores the value (power-of-two fields: the greatest power of two not above it) and redraws.
    virtual void SetValue(int value);                                           // 7
    // Stores the three without redrawing.
    virtual void SetValueAndRange(int value, int minimum, int maximum);         // 8

    void SetFont(const FontRef& ref) { fontRef = ref; }
    void SetBackColors(int normal, int active) {
        colours[0] = std::int16_t(normal);
        colours[1] = std::int16_t(active);
    }
    void SetTextColors(int normal, int active) {
        colours[2] = std::int16_t(normal);
        colours[3] = std::int16_t(active);
    }
    // Scheme 1: the theme's colour pair, exchanged while the field is active.
    void SetColorScheme(int scheme);

    template <std::size_t N>
    void Format(char (&text)[N]) { Format(text, N); }

    std::uint8_t powerOfTwo = 0;
    std::uint8_t noteName = 0;
    std::uint8_t active = 0;
    std::uint8_t changed = 0;
    std::uint8_t hasMinText = 0;
    std::uint8_t swapArrows = 0;
    std::int16_t decimals = 0;     // 0, 1 (tenths) or 2 (hundredths)
    std::int16_t value = 0;
    std::int16_t minimum = 0;
    std::int16_t maximum = 0;
    std::int16_t caret = 0;        // typing position inside a note name
    std::int16_t shownValue = 0;   // the value when the entry began
    // Typed entry: 0 nothing typed, n > 0 integer digits typed, -1 point typed, -2 and -3 one
    // and two fraction digits typed.
    std::int16_t entryState = 0;
    std::int16_t leftInset = 2;
    std::int16_t descent = 3;
    std::int16_t alignment = 1;    // 0 left, 1 centred, 2 right
    std::int16_t commandId = 0;
    char minText[32] = {};
    // Normal background, active background, normal text, active text (colour numbers).
    std::int16_t colours[4] = {7, 142, 0, 141};
    RECT rect;
    FontRef fontRef;
    // Integer digits typed before the decimal point (so that Backspace can take the point
    // away again).
    std::int16_t digitsBeforePoint = 0;

protected:
    // The unit of one whole: 1, 10 or 100.
    int Unit() const { return decimals == 1 ? 10 : decimals == 2 ? 100 : 1; }
    bool TypeNoteKey(UINT key, int& v);
    bool TypeDigitKey(UINT key, int& v);
};

// A numeric field that pops up over a dialog control and reports its value to the dialog.
class CDlgNumeric : public CNumeric {
public:
    ~CDlgNumeric() override;
    // Stores the dialog and the control and becomes the dialog's popup numeric field.
    void Attach(CStdDlg* dialog, int id);
    // Passes the value to the dialog, leaves it, ends and deletes itself.
    void EndEdit() override;

    std::int16_t controlId = 0;
    CStdDlg* dialog = nullptr;
};

// The numeric field a dialog's edit control is dragged with: it writes its text into the
// control. It lives on the stack of the drag.
class CEditNumeric : public CDlgNumeric {
public:
    void Draw() override;
    void EndEdit() override;
};
