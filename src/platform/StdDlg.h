// The base of every dialog of the program. A dialog fills its controls in InitControls,
// receives every control action as one OnControl(id) call, draws owner-drawn controls and grid
// cells through the current artist, gets typed keys as the program's key codes through OnKey
// and a 60 ms tick through OnTick. Every call into these hooks happens with a client device
// context of the dialog as the current drawing port.
//
// Key codes: 28 Left, 29 Right, 30 Up, 31 Down, 127 Delete, 3 keypad Enter, 13 Enter, other
// keys as their characters.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/Dialog.h"
#include "platform/FontRef.h"

class CDlgEdit;
class CDlgGrid;
class CDlgNumeric;
class CEditBox;

class CStdDlg : public CDialog {
public:
    // Numeric field formats.
    enum NumericFormat : int {
        kFormatInteger = 0,
        kFormatNoteName = 1,
        kFormatPowerOfTwo = 2,
        kFormatTenths = 3,
        kFormatHundredths = 4,
    };
    // An owner-drawn control; kind 1 is filled white before it is drawn (grid lists).
    struct DrawnControl {
        std::int16_t id = 0;
        std::int16_t kind = 0;
    };

    CStdDlg();
    ~CStdDlg() override;

    // Runs the dialog modally from a template; true when it ended with OK.
    bool RunModal(UINT templateId);

    // --- hooks ---
    virtual void InitControls();                                                     // 54
    virtual void OnControl(int id);                                                  // 55
    virtual void OnControlTrack(int id);                                             // 56
    virtual void DrawControl(int id);                                                // 57
    virtual void DrawGridCell(int row, int column);                                  // 58
    virtual bool OnKey(UINT key, UINT flags);                                        // 59
    virtual bool OnTick();                                                           // 60
    virtual void OnNumericValue(int value);                                          // 61
    virtual void EndNumericEntry();                                                  // 62
    virtual bool OnSetCursorAt(int x, int y);                                        // 63
    virtual bool WantsArrowKeys();                                                   // 64
    virtual std::int16_t GetScrollPageStep(int id);                                  // 65
    virtual std::int16_t GetScrollLineStep(int id);                                  // 66
    virtual std::int16_t GetScrollMin(int id);                                       // 67
    virtual std::int16_t GetScrollMax(int id);                                       // 68
    virtual std::int16_t GetScrollPos(int id);                                       // 69
    virtual void SetScrollMin(int id, int minimum);                                  // 70
    virtual void SetScrollMax(int id, int maximum);                                  // 71
    virtual void SetScrollRange(int id, int minimum, int maximum);                   // 72
    virtual void SetScrollPos(int id, int pos);                                      // 73
    virtual int GetSliderTicPos(int id, int tick);                                   // 74
    virtual int GetSliderMin(int id);                                                // 75
    virtual int GetSliderMax(int id);                                                // 76
    virtual int GetSliderPos(int id);                                                // 77
    virtual void SetSliderMin(int id, int minimum);                                  // 78
    virtual void SetSliderMax(int id, int maximum);                                  // 79
    virtual void SetupSlider(int id, int minimum, int maximum, int ticFrequency);    // 80
    virtual void SetSliderPos(int id, int pos);                                      // 81
    // Combo fillers: each empties the combo, puts "None" first when asked and records the
    // value of every entry in the combo's map.
    virtual void FillControllerCombo(int id, int port, const char* instrument, bool withNone);  // 82
    virtual void FillKeyCombo(int id, int port, const char* instrument, bool withNone);         // 83
    virtual void FillPatchCombo(int id, int port, std::uint32_t patchWord, const char* instrument,
                                bool withNone);                                               // 84
    virtual void FillVoiceCombo(int id, bool useNames, bool withNone);                         // 85
    virtual int GetControllerComboValue(int id);                                     // 86
    virtual int GetKeyComboValue(int id);                                            // 87
    virtual int GetPatchComboValue(int id);                                          // 88
    virtual void SelectControllerValue(int id, int value);                           // 89
    virtual void SelectKeyValue(int id, int value);                                  // 90
    virtual void SelectPatchValue(int id, int value);                                // 91
    virtual void OnEditChange(int id);                                               // 92
    virtual void OnEditKillFocus(int id);                                            // 93

    // --- controls ---
    bool GetCheck(int id);
    void SetCheck(int id, bool on);
    void ToggleCheck(int id);
    void EnableControl(int id, bool enable);
    void ShowControl(int id);
    void HideControl(int id);
    void SetButtonIcon(int id, UINT iconId);
    // At most size - 1 bytes, always terminated.
    void GetText(int id, char* buffer, std::size_t size);
    void SetText(int id, const char* text);
    void SetInt(int id, int value);
    int GetInt(int id);
    // The control's window rectangle in the dialog's client coordinates.
    void GetControlRect(int id, RECT* rect);
    void MoveControl(int id, const RECT& rect);
    void OffsetControl(int id, int dx, int dy);
    void SelectAllText(int id);
    void GotoControl(int id);
    // Registers an owner-drawn control (once per id).
    void AddDrawnControl(int id, int kind);
    void PlaceScrollBar(int listId, int scrollId, int overlap);
    void AttachGrid(CDlgGrid* grid, int overlap);
    void GetComboText(int id, int index, char* buffer, std::size_t size);
    int GetComboSel(int id);
    void SetComboSel(int id, int index);
    int GetComboCount(int id);
    void ClearCombo(int id);
    int AddComboString(int id, const char* text);
    // Index -1 empties the combo.
    void DeleteComboString(int id, int index);
    void SizeComboDropDown(int id, const RECT* rect);
    void DrawTextField(int id, int style, const char* text);
    // Acts on a control from code, unless the dialog is initialising.
    void PerformControl(int id);
    void DispatchControl(int id);
    void DispatchControlTrack(int id);

    // --- numeric fields ---
    void SetupNumericField(int id, int format, int value, int minimum, int maximum, bool minAsEmpty);
    std::int32_t GetNumericField(int id);
    // The index of the numeric field with the id, -1 when there is none.
    int FindNumericField(int id) const;
    void SetNoteField(int id, int pitch);
    int GetNoteField(int id);
    void SetupMeasureField(int id, std::int32_t twips, std::int32_t minTwips, std::int32_t maxTwips);
    std::int32_t GetMeasureField(int id);
    bool IsFieldOutOfRange(int id, int low, int high);
    bool DragNumericField(int id, int format, int minimum, int maximum, bool minAsEmpty);

    // --- font combos ---
    void FillFontCombo(int id);
    int GetFontComboFace(int id);
    int GetSizeComboValue(int id);
    int GetStyleComboValue(int id);
    void SelectFontInCombo(int id, int face);
    void SelectSizeInCombo(int id, int size);
    void SelectStyleInCombo(int id, int style);
    bool ChooseFontRef(FontRef* ref);

    template <std::size_t N>
    void GetText(int id, char (&buffer)[N]) { GetText(id, buffer, N); }

    // --- state ---
    std::uint8_t dispatching = 0;
    std::uint8_t initialising = 0;
    std::uint32_t tickTimer = std::uint32_t(-1);
    bool noTick_ = false;  // the base OnTick ran: the dialog has no tick of its own
    std::int16_t exitCode = -1;
    std::int16_t ready = 0;
    // The three tables grow as the dialog adds entries.
    std::vector<std::int16_t> sliderIds;
    std::vector<DrawnControl> drawnControls;
    std::vector<std::unique_ptr<CDlgEdit>> numericFields;
    std::uint8_t keyComboMap[256] = {};
    std::uint8_t controllerComboMap[256] = {};
    std::uint8_t patchComboMap[256] = {};
    CEditBox* activeEditBox = nullptr;
    CDlgNumeric* activeNumeric = nullptr;
    void* subject = nullptr;

    int NumericCount() const { return int(numericFields.size()); }
    int DrawnCount() const { return int(drawnControls.size()); }
    int SliderCount() const { return int(sliderIds.size()); }

    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnDestroy() override;
    void OnTimer(UINT_PTR id) override;
    void OnDrawItem(int id, DRAWITEMSTRUCT* dis) override;
    void OnHScroll(UINT code, UINT pos, CScrollBar* bar) override;
    void OnVScroll(UINT code, UINT pos, CScrollBar* bar) override;
    void OnKeyDown(UINT vk, UINT repeat, UINT flags) override;
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;

    // Fills a combo's map entry for an entry just added (entries past the map are refused).
    bool AddMappedEntry(int id, std::uint8_t* map, const char* text, int value);
    static int MapValue(const std::uint8_t* map, int index);
    void SelectMapValue(int id, const std::uint8_t* map, int value);

private:
    BOOL PassCommand(WPARAM wParam, LPARAM lParam);
    void ScrollBarAction(int id, UINT code, UINT pos);
    bool IsSlider(int id) const;
    void RegisterSlider(int id);
};

// A modeless dialog with a progress bar (control 5), a title (control 3), a message
// (control 4) and Cancel (control 2).
class CProgressDlg : public CStdDlg {
public:
    ~CProgressDlg() override;

    bool Open(UINT templateId);
    void Close();
    void SetRange(int low, int high);
    void SetTitle(const char* text);
    void SetTitleString(UINT stringId);
    void SetMessage(const char* text);
    void SetMessageString(UINT stringId);
    void SetMessageInt(int n);
    // False when the user cancels.
    bool Step();
    bool SetPos(int pos);
    // Steps the current progress dialog; true when none is open.
    static bool StepCurrent();
    static CProgressDlg* Current();

    CWnd* progressBar = nullptr;

private:
    bool IsCancelled();
};
