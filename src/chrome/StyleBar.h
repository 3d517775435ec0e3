// The text style bar: bold, italic and underline toggles, the three alignments, the show
// toggle, the font name, font size and lyric verse fields. It acts on one target, the in-place
// text entry of the score view; without one every style control is greyed.
#pragma once
#include <cstdint>

#include "chrome/ToolBox.h"
#include "platform/PaneBtn.h"

class CTextTask;
struct FontRef;

class CStyleBar : public CToolBox {
public:
    static constexpr int kImageButtons = 7;
    static constexpr int kButtonCommands[kImageButtons] = {2701, 2702, 2703, 2706, 2707, 2708, 2705};
    static constexpr int kSizes[11] = {9, 10, 12, 14, 16, 18, 20, 24, 36, 48, 72};
    static constexpr int kFirstSize = 2611, kFirstVerse = 2650;
    static constexpr int kSizeMenu = 333, kVerseMenu = 334;

    bool Create(CFrameWnd* frame, POINT at);
    void SetVerseMode(bool on);
    // Shows the face's name and the size's entry (the last entry for a size not in the table).
    void ShowFont(const FontRef& font);
    int GetMenuChoice() const { return verseField.current; }
    void SetMenuChoice(int verse) { verseField.SetCurrentItem(verse); }
    // The text being edited (null: none); the controls follow it.
    void SetTarget(CTextTask* task);
    CTextTask* GetTarget() const { return target; }
    // Greys or enables, checks and unchecks the controls by the target.
    void UpdateControls();
    void HandleCommand(int id);
    SIZE CalcFixedLayout(BOOL stretch, BOOL horz) override;

    std::uint8_t verseMode = 0;
    CPaneBtn buttons[kImageButtons];
    CMenuBtn fontField, sizeField, verseField;
    CTextTask* target = nullptr;
    int fontFace = 0;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnPaint() override;
};

// Makes the style bar (the next control-bar id) floating at the point; false when it cannot.
bool CreateStyleBar(CFrameWnd* frame, POINT at);
CStyleBar& StyleBarObject();
// Frees the style bar (its window with it); the next use makes a fresh one.
void ResetStyleBar();
