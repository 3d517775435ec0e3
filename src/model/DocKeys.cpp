// Typed keys: a character becomes a transport command, a document command, a move of the
// insertion point or a step through the items; what the document does not use goes to the
// application's key handler.
#include <algorithm>
#include <cctype>

#include "model/ApplicationOps.h"
#include "model/ModelGlobals.h"
#include "model/Playback.h"
#include "model/Score.h"
#include "model/Select.h"
#include "model/TaskMakers.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Numeric.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"
#include "platform/StdDlgGlobals.h"

ApplicationOps& AppOps() {
    static ApplicationOps ops;
    return ops;
}

namespace {

constexpr int kBackspaceScanCode = 14;
constexpr int kTransportRecordSecondMode = 3;
// Erasing a note or rest takes all of its heads.
constexpr int kWholeItem = -32767;

// The note table: a character (upper-cased) of a selection of notes and rests and its command.
int NoteTableCommand(int ch) {
    switch (ch) {
    case '@': return 35017;
    case '#': return 35016;
    case '$': return 35015;
    case '%': return 35014;
    case '^': return 35013;
    case '&': return 35012;
    case '*': return 35011;
    case '(': return 35010;
    case '.': return 4004;
    case '0': return 1000;
    case '1': return 1001;
    case '2': return 1002;
    case '4': return 1003;
    case '8': return 1004;
    case '6': return 1005;
    case '5': return 1006;
    case '3':
    case 'T': return 1106;
    case 'G': return 1020;
    case 'S': return 1022;
    case 'F': return 1023;
    case 'N': return 1024;
    case 'R': return 4908;
    case 'O': return g_platform.shiftDown ? 4913 : 4912;
    default: return 0;
    }
}

}  // namespace

bool CZelDoc::OnKeyChar(int ch, int scanCode) {
    HideInsertCursor();
    ReadModifierKeys();
    // The Delete key and Ctrl+H act as Delete, the Backspace key as Backspace.
    if (ch == 8 && scanCode != kBackspaceScanCode) ch = 127;
    if (CNumeric* numeric = g_ui.currentNumeric) {
        numeric->TypeKey(UINT(ch), UINT(scanCode));
        return true;
    }
    const ApplicationOps& app = AppOps();
    if (app.supportWindowKey && app.supportWindowKey(ch, scanCode)) return true;

    const bool ctrl = g_platform.ctrlDown != 0;
    const bool selected = selection && selection->GetItemCount() > 0;
    const int transport = GetTransportState();
    switch (ch) {
    case 27:
        if (ctrl) {
            OnCommandRange(38008);
            return true;
        }
        break;
    case 29:
        if (ctrl) {
            OnCommandRange(38009);
            return true;
        }
        break;
    default: break;
    }
    switch (ch) {
    case ' ': app.Command(ctrl ? 2504 : 2502); return true;
    case 13:
        if (transport == kTransportRecordSecondMode) {
            if (app.tempoTap) app.tempoTap();
            return true;
        }
        if (transport != 0) {
            app.Command(2501);
            return true;
        }
        break;
    case 3:
        if (transport == kTransportRecordSecondMode) {
            if (app.tempoTap) app.tempoTap();
        } else {
            app.Command(2500);
        }
        return true;
    case 'w':
    case 'W': app.Command(2505); return true;
    case 27:
        if (!location.allVoices)
            SetCurrentVoice(-1);
        else if (app.selectTool)
            app.selectTool(800);
        DeselectAll();
        return true;
    case 9:
        if (app.dataBoxNextField) app.dataBoxNextField();
        return true;
    case 28:
    case 29:
        if (selected && !g_model.repitch) {
            if (!CommandBuilt(1530)) break;  // no nudge yet: the key is not used here
            OnCommandRange(ch == 28 ? 1530 : 1531);
        } else {
            StepToItem(ch == 29, false, g_model.repitch != 0);
            ShowInsertCursor();
        }
        return true;
    case 30:
    case 31:
        if (!selected) {
            const int last = score ? score->GetTrackCount() - 1 : 0;
            const int track = std::clamp<int>(location.trackIndex + (ch == 30 ? -1 : 1), 0, std::max(0, last));
            if (track != location.trackIndex) SetCurrentTrack(track);
            ShowInsertionPoint(location.barIndex, false);
            ShowInsertCursor();
        } else {
            const int command = ch == 30 ? (ctrl ? 4912 : 1532) : (ctrl ? 4913 : 1533);
            if (!CommandBuilt(command)) break;
            OnCommandRange(command);
        }
        return true;
    case 'x':
    case 'X':
        if (selected) {
            OnCommandRange(35400);
            return true;
        }
        break;
    case 8:
    case 127:
        if (selected)
            OnCommandRange(57632);
        else
            EraseNextToInsertion(ch == 8);
        return true;
    default: break;
    }

    int command = 0;
    if (selection && selection->noteCount + selection->specialNoteCount > 0)
        command = NoteTableCommand(std::toupper(ch & 0xFF));
    else if (selection && selection->beamCount > 0 && ch >= '1' && ch <= '8')
        command = 4119 + (ch - '0');
    // A key whose operation is not in the program yet is not used here.
    if (command && CommandBuilt(command)) {
        OnCommandRange(command);
        return true;
    }
    return app.handleKey ? app.handleKey(ch, scanCode) : false;
}

void CZelDoc::EraseNextToInsertion(bool before) {
    const ScoreLocation kept = location;
    CTrkBar* trkBar = location.trkBar;
    int barIndex = location.barIndex;
    CBarItem* item = trkBar ? trkBar->FindAdjacentNoteOrRest(location.position, &barIndex, !before) : nullptr;
    if (!item || !score) {
        location = kept;
        location.position = 0;
        SetCurrentBar(location.barIndex, false);
    } else {
        const double time = item->TimeField();
        const int position = item->PositionField();
        g_model.hitItem = item;
        g_model.hitBar = score->GetBar(barIndex);
        g_model.hitTrkBar = score->GetTrkBar(location.trackIndex, barIndex);
        g_model.hitPart = std::int16_t(kWholeItem);
        g_model.hitTool = 0;
        g_model.hitKind = 0;
        g_model.eraseMode = 0x8001;
        g_model.eraseModeExtra = 0;
        OnCommandRange(4207);
        SetCurrentBar(barIndex, false);
        location.time = time;
        location.position = std::int16_t(position);
    }
    ShowInsertionPoint(location.barIndex, false);
}
