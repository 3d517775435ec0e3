// The multi-bar rest dialog (template 259): how many bars a new rest gathers (field 3, hidden
// when a rest is edited), its style, ends, number and range, its length in percent of the bar
// (field 16, 10-100), the font of its number, and a preview (control 4) whose two ends and
// number can be dragged: the ends set the length, the number its distance from the bar.
#pragma once
#include <cstdint>

#include "platform/FontRef.h"
#include "platform/StdDlg.h"

class CMultiBarDlg : public CStdDlg {
public:
    static constexpr UINT kTemplateId = 259;
    enum : int {
        kCount = 3, kPreview = 4, kNormal = 5, kJazz = 6, kShowRange = 7, kBelow = 8, kThin = 9, kThick = 10,
        kNoEnds = 11, kShowCount = 12, kFont = 13, kFill = 16
    };
    // The rest record's fields the dialog edits.
    enum : int { kFlags = 16, kFillByte = 17, kNumberDistance = 18, kRecordSize = 22 };
    enum : std::uint8_t { kJazzBit = 0x01, kRangeBit = 0x02, kBelowBit = 0x04, kEndsShift = 3, kHideCountBit = 0x20 };
    static constexpr int kMaxCount = 9999;
    // The preview: half the width of its area, the ends' nearest approach to the centre, the
    // handles' half size.
    static constexpr int kHalfArea = 100, kEndGap = 5, kHandle = 4;

    void InitControls() override;
    void OnControl(int id) override;
    void DrawControl(int id) override;

    // Draws the preview over control 4 (the number kept while dragging or editing).
    void DrawPreview(bool dragging);
    // A press at `at` (client coordinates) in the preview: the handle under it follows the mouse
    // until the button is released.
    void TrackPreviewMouse(POINT at);
    // Which handle lies under a point: 0 the left end, 1 the right end, 2 the number; -1 none.
    int HitHandle(POINT at);
    // The preview's area (control 4's rectangle narrowed around its centre).
    RECT PreviewArea();

    // --- what the caller fills in and reads back ---
    std::uint8_t record[kRecordSize] = {};
    FontRef numberFont;
    FontRef rangeFont;
    bool editing = false;
    int barsToEnd = 1;
    int count = 1;
    int firstNumber = 0;   // the displayed number of the first bar, from 0

private:
    std::uint8_t Flags() const { return record[kFlags]; }
    void SetFlags(std::uint8_t v) { record[kFlags] = v; }
    int Distance() const;
    void SetDistance(int v);
    // The controls read into the record.
    void ReadControls();
    void RedrawPreview();
    // The number's baseline and the range text's, by the flags and the fonts.
    int NumberBaseline(int cy);
};
