// The numeric pane of tool bars and palettes: a pane that shows one numeric field, changed by
// dragging or typing, and tells its parent window of every change.
#pragma once
#include <cstddef>

#include "platform/Numeric.h"
#include "platform/Pane.h"

class CNumericPane;

// Commands a numeric pane sends its parent: the entry ended, the value changed.
enum : UINT { kNumericEntryEnded = 928, kNumericValueChanged = 929 };

class CPaneNumeric : public CNumeric {
public:
    explicit CPaneNumeric(CNumericPane* owner) : pane(owner) {}
    void Draw() override;
    int DragChange() override;
    void EndEdit() override;
    void SetValue(int value) override;

    CNumericPane* pane = nullptr;
};

class CNumericPane : public CPane {
public:
    CNumericPane();
    ~CNumericPane() override;

    BOOL Create(CWnd* parent, const RECT& rect, int value, int minimum, int maximum, int commandId);
    int SetDlgCtrlID(int id);
    void Format(char* text, std::size_t size) { field.Format(text, size); }
    int GetClampedValue() { return field.GetClampedValue(); }

    void Paint(const RECT& client) override;
    void MouseDown(POINT pt, UINT flags) override;

    CPaneNumeric field{this};

protected:
    void OnChar(UINT ch, UINT repeat, UINT flags) override;
};
