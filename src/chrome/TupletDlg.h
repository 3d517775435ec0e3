// The tuplet dialog (template 234): the tuplet the notes palette's tuplet button switches on
// (count in the time of), its bracket style, whether the second number shows and whether the
// tuplet changes the playback duration.
#pragma once
#include <cstdint>

#include "platform/StdDlg.h"

// The note tools' tuplet settings beside the counts (which are g_tupletDefault).
struct TupletSettings {
    std::int16_t style = 4;
    std::uint8_t showSecond = 0;
    std::uint8_t changeDuration = 1;
};
extern TupletSettings g_tupletSettings;

class CTupletDlg : public CStdDlg {
public:
    static constexpr UINT kTemplateId = 234;
    enum : int { kCount = 3, kSpace = 4, kStyles = 5, kShowSecond = 6, kChangeDuration = 7 };
    static constexpr int kCell = 22, kStyleCount = 5, kStyleStrip = 111;

    void InitControls() override;
    void OnControl(int id) override;
    void DrawControl(int id) override;

    std::int16_t style = 4;
    std::uint8_t showSecond = 0;
    std::uint8_t changeDuration = 1;
};

// Runs the dialog on the current settings; on OK the counts go to g_tupletDefault and the
// rest to g_tupletSettings. True on OK.
bool RunTupletDialog();
