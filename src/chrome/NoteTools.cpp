// The notes palette: how a button chooses the note value, rest, dots, tuplet, grace flag and
// pending accidental of note entry, and the palette's keys.
#include <algorithm>

#include "chrome/MainToolBar.h"
#include "chrome/ToolBox.h"
#include "chrome/TupletDlg.h"
#include "framework/Window.h"
#include "model/Preferences.h"
#include "platform/StdDlgGlobals.h"
#include "view/ToolState.h"

namespace {

constexpr int kNoteTool = 903;

bool AccidentalSticky() { return g_preferences.Byte(Preferences::kAccidentalSticky) != 0; }

void SelectNoteTool() {
    if (g_chrome.mainToolBar)
        g_chrome.mainToolBar->SelectTool(kNoteTool);
    else
        NoteTools().Activate();
}

std::int16_t AccidentalCode(int button) { return kAccidentalCodes[(button - CNoteTools::kFirstAccidental) % 5]; }

// The sub-tool of a value button: note, rest or accidental.
int SubToolOf(int button) {
    if (button >= 0 && button <= 8) return ToolState::kNoteSub;
    if (button >= CNoteTools::kFirstRest && button <= 19) return ToolState::kRestSub;
    if (button >= CNoteTools::kFirstAccidental && button <= 31) return ToolState::kAccidentalSub;
    return 0;
}

}  // namespace

void CNoteTools::SelectButton(int index) {
    if (index < 0 || index >= count) return;
    ToolState& t = g_toolState;
    const bool sticky = AccidentalSticky();

    // 1. A pending accidental: the same accidental again takes it back.
    if (t.accidental != 0) {
        if (sticky) {
            t.courtesy = 0;
            for (int i = kFirstAccidental; i <= 31; ++i) SetButtonState(i, false);
            if (index - 21 == t.accidental) {
                t.accidental = 0;
                SelectNoteTool();
                return;
            }
        }
        t.accidental = 0;
    }

    // 2. The button's own meaning.
    auto toggleDots = [&](int n) {
        t.dots = std::int16_t(t.dots == n ? 0 : n);
        t.grace = 0;
    };
    switch (index) {
    case kDot: toggleDots(1); break;
    case kDoubleDot: toggleDots(2); break;
    case kTripleDot: toggleDots(3); break;
    case kTuplet:
        t.dots = 0;
        if (g_ui.clickCount == 2 && RunTupletDialog()) t.tupletNumber = t.tupletSpace = 0;
        if (t.tupletNumber == 0) {
            t.tupletNumber = g_tupletDefault.count;
            t.tupletSpace = g_tupletDefault.space;
        } else {
            t.tupletNumber = t.tupletSpace = 0;
        }
        break;
    case kGrace:
        t.grace = t.grace ? 0 : 1;
        // Grace applies to notes only: a rest becomes the note of its value.
        if (t.subTool == ToolState::kRestSub) {
            SetButtonState(current, false);
            t.value = std::int16_t(t.value - kFirstRest);
            t.subTool = ToolState::kNoteSub;
            current = t.value;
            SetButtonState(current, true);
        }
        break;
    default:
        if (index >= kFirstAccidental && index <= 31 && sticky && t.subTool == ToolState::kNoteSub) {
            // The note value stays; the accidental waits for the next entered note.
            t.accidental = std::uint8_t(AccidentalCode(index));
            SetButtonState(index, true);
            t.courtesy = index >= kFirstCourtesy ? 1 : 0;
            t.subTool = ToolState::kAccidentalSub;
            break;
        }
        current = std::int16_t(index);
        t.grace = 0;
        t.dots = 0;
        t.tupletNumber = t.tupletSpace = 0;
        if (index != t.value) {
            SetButtonState(t.value, false);
            t.value = std::int16_t(index);
        }
        t.subTool = std::int16_t(SubToolOf(index));
        if (t.subTool == ToolState::kAccidentalSub) t.courtesy = index >= kFirstCourtesy ? 1 : 0;
        break;
    }

    // 3. A dot leaves the accidental sub-tool for the quarter note.
    if (t.subTool == ToolState::kAccidentalSub && (index == kDot || index == kDoubleDot || index == kTripleDot)) {
        SetButtonState(current, false);
        t.courtesy = 0;
        current = 3;
        t.subTool = ToolState::kNoteSub;
        t.value = 3;
        SetButtonState(3, true);
    }
    // 4. Dots and a tuplet exclude each other.
    if (t.dots != 0) t.tupletNumber = t.tupletSpace = 0;
    // 5. The notes button shows the choice; the note tool becomes current (Activate).
    if (toolButton) toolButton->ShowImage(current);
    SelectNoteTool();
}

void CNoteTools::Activate() {
    ToolState& t = g_toolState;
    t.tool = kNoteTool;
    t.button = current;
    SetButtonState(current, true);
    SetButtonState(kDot, t.dots == 1);
    SetButtonState(kDoubleDot, t.dots == 2);
    SetButtonState(kTripleDot, t.dots == 3);
    SetButtonState(kGrace, t.grace != 0);
    SetButtonState(kTuplet, t.tupletNumber != 0);
    t.subTool = std::int16_t(SubToolOf(current));
    if (t.subTool == ToolState::kAccidentalSub) {
        t.courtesy = current >= kFirstCourtesy ? 1 : 0;
        t.button = AccidentalCode(current);
    }
    if (toolButton) toolButton->Invalidate();
}

bool CNoteTools::HandleKey(int key) {
    int button = -1;
    switch (key) {
    case '.': button = kDot; break;
    case '0': button = 0; break;
    case '1': button = 1; break;
    case '2': button = 2; break;
    case '4': button = 3; break;
    case '8': button = 4; break;
    case '6': button = 5; break;
    case '5': button = 6; break;
    case '3':
    case 'T': button = kTuplet; break;
    case 'F': button = 23; break;
    case 'S': button = 22; break;
    case 'N': button = 24; break;
    case 'G': button = kGrace; break;
    case 'R': button = g_toolState.value >= kFirstRest ? g_toolState.value - kFirstRest : g_toolState.value + kFirstRest; break;
    case 'P': {
        // The palette floats centred on the pointer.
        if (!IsWindow() || !GetDockingFrame()) return true;
        POINT p;
        fw::GetCursorPos(&p);
        const SIZE s = LayoutSize();
        GetDockingFrame()->FloatControlBar(this, POINT{p.x - s.cx / 2, p.y - s.cy / 2}, CBRS_ALIGN_TOP);
        Show();
        return true;
    }
    default: return false;
    }
    SelectButton(button);
    return true;
}

void CNoteTools::ClearAccidentals() {
    g_toolState.courtesy = 0;
    for (int i = kFirstAccidental; i <= 31; ++i) SetButtonState(i, false);
}
