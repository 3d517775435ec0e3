#include "edit/AddTrackDlg.h"

#include <algorithm>
#include <string>

#include "framework/StringTable.h"
#include "model/InstLib.h"
#include "model/MidiChoosers.h"
#include "model/ModelGlobals.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/Track.h"
#include "platform/Artist.h"
#include "platform/Devices.h"
#include "platform/DlgCombosStandIns.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"

namespace {

constexpr UINT kTrebleStaffString = 2200;
constexpr UINT kBassStaffString = 2201;
constexpr std::uint16_t kFiveLines = 1984;

std::string TableString(UINT id) {
    std::string text;
    fw::LoadStringResource(id, text);
    return text;
}

}  // namespace

void CAddTrackDlg::InitControls() {
    SetCheck(kSingleStaff, true);
    SetCheck(kBefore, true);

    ClearCombo(kStaffCombo);
    AddComboString(kStaffCombo, TableString(kTrebleStaffString).c_str());
    AddComboString(kStaffCombo, TableString(kBassStaffString).c_str());
    if (CInstLib* library = g_model.instLib)
        for (int i = 0; i < library->GetCount(); ++i) AddComboString(kStaffCombo, library->GetItemName(i).c_str());
    SetComboSel(kStaffCombo, 0);

    // The devices, at the preferences' default port.
    ClearCombo(kDeviceCombo);
    ports.clear();
    const int wanted = g_preferences.Word(Preferences::kDefaultDevice);
    int chosen = -1;
    for (int i = 0; i < GetOutputEntryCount(); ++i) {
        char text[200] = {};
        const int port = GetOutputEntryName(i, text, sizeof text, false);
        AddComboString(kDeviceCombo, text);
        ports.push_back(port);
        if (port == wanted) chosen = i;
    }
    if (chosen < 0 && !ports.empty()) chosen = 0;
    SetComboSel(kDeviceCombo, chosen);
    if (chosen >= 0) templ.SetDevice(ports[std::size_t(chosen)]);
    templ.SetVoiceProgram(-1, -1, false);
    TakeFreeChannel();
    templ.SetStaffKind(0);
    templ.SetLineMask(kFiveLines);
    FillBanks();

    grid.Init(this, kGrid, 0, kColumns, kRows, 60, 18, 1, 0);
    for (int c = 0; c < kColumns; ++c) grid.separatorKinds[c] = CDlgGrid::kSeparatorLine;
    grid.SetColumnWidths(kColumnWidths);
    AttachGrid(&grid, 0);
}

void CAddTrackDlg::FillBanks() {
    ClearCombo(kBankCombo);
    banks.clear();
    AddComboString(kBankCombo, "None");
    banks.push_back(-1);
    const int port = templ.GetDevice();
    const int device = GetMidiOutPorts() ? GetMidiOutPorts()->IndexOfId(port) : -1;
    const int channel = templ.GetVoiceChannel(0);
    char own[96] = {};
    templ.GetVoiceBankName(0, own, sizeof own);
    int chosen = 0;
    for (int b = 0; b < 128; ++b) {
        char name[96] = {};
        const std::uint32_t word = GetNameMgr()->MakeBankWord(device, channel, b, 0);
        if (!GetNameMgr()->AppendBankName(device, channel, word, name, sizeof name) || !name[0]) continue;
        AddComboString(kBankCombo, name);
        banks.push_back(b);
        if (std::string(name) == own) chosen = int(banks.size()) - 1;
    }
    SetComboSel(kBankCombo, chosen);
}

void CAddTrackDlg::TakeFreeChannel() {
    const int channel = score.FindFreeChannel(-1, templ.GetDevice(), nullptr);
    if (channel >= 0) templ.SetVoiceChannel(-1, channel);
}

void CAddTrackDlg::ChangeDevice() {
    const int i = GetComboSel(kDeviceCombo);
    if (i < 0 || i >= int(ports.size())) return;
    templ.SetDevice(ports[std::size_t(i)]);
    templ.SetVoiceBank(-1, -1, false);
    FillBanks();
    TakeFreeChannel();
    for (int v = 0; v < CTrack::kVoices; ++v) templ.SetVoiceDefName(v, "");
    Redraw();
}

void CAddTrackDlg::Redraw() {
    if (IsWindow()) InvalidateRect(nullptr, false);
}

void CAddTrackDlg::ClickCell(int row, int column, int x, int y) {
    if (row < 0 || row >= kRows) return;
    if (column == 1) {
        const int old = templ.GetVoiceChannel(row);
        // The dialog's voices each keep their own channel while one is chosen.
        const std::uint8_t flags = templ.GetTrackFlags();
        templ.SetTrackFlags(std::uint8_t(flags | 0x04));
        const bool chosen = templ.PopupChannel(x, y, row);
        templ.SetTrackFlags(flags);
        if (!chosen) return;
        const int now = templ.GetVoiceChannel(row);
        // The voices below that followed it follow it still.
        for (int v = row + 1; v < kRows && templ.GetVoiceChannel(v) == old; ++v) templ.SetVoiceChannel(v, now);
    } else if (column == 2) {
        const bool ownPatch = templ.GetVoicePatch(row) != -1;
        const int oldChannel = templ.GetVoiceChannel(row);
        if (!ownPatch) {
            const int free = score.FindFreeChannel(-1, templ.GetDevice(), nullptr);
            if (free >= 0) templ.SetVoiceChannel(row, free);
        }
        if (!templ.PopupPatch(x, y, row, nullptr)) {
            templ.SetVoiceChannel(row, oldChannel);
            return;
        }
        if (row > 3) templ.SetStaffKind(1);
        const int channel = templ.GetVoiceChannel(row);
        for (int v = row + 1; v < kRows && templ.GetVoicePatch(v) == -1; ++v) templ.SetVoiceChannel(v, channel);
    } else {
        return;
    }
    Redraw();
}

void CAddTrackDlg::OnControl(int id) {
    switch (id) {
    case kGrid: {
        POINT pt;
        GetPortMousePos(&pt);
        int row = -1, column = -1;
        grid.HitTest(pt.x, pt.y, &row, &column, nullptr);
        POINT screen = pt;
        ClientToScreen(&screen);
        ClickCell(row, column, screen.x, screen.y);
        return;
    }
    case kStaffCombo:
        for (int r = kSingleStaff; r <= kTablature; ++r) SetCheck(r, r == kSingleStaff);
        return;
    case kDeviceCombo: ChangeDevice(); return;
    case kBankCombo: {
        const int i = GetComboSel(kBankCombo);
        if (i < 0 || i >= int(banks.size())) return;
        templ.SetVoiceBank(-1, banks[std::size_t(i)], false);
        TakeFreeChannel();
        Redraw();
        return;
    }
    case IDOK: {
        kind = 0;
        for (int r = kSingleStaff; r <= kTablature; ++r)
            if (GetCheck(r)) kind = kKindOfRadio[r - kSingleStaff];
        staffChoice = std::max(0, GetComboSel(kStaffCombo));
        if (kind == 0 && staffChoice < 2) {
            templ.SetClef(staffChoice);
            templ.SetTransposedClef(staffChoice);
        }
        after = GetCheck(kAfter);
        break;
    }
    default: break;
    }
    CStdDlg::OnControl(id);
}

void CAddTrackDlg::DrawControl(int id) {
    if (id == kGrid)
        grid.Draw(1);
    else
        CStdDlg::DrawControl(id);
}

void CAddTrackDlg::DrawGridCell(int row, int column) {
    CArtist* a = GetArtist();
    if (!a) return;
    if (column < 0) {
        for (int c = 0; c < kColumns; ++c) DrawGridCell(row, c);
        return;
    }
    std::string text;
    if (column == 0) {
        text = std::to_string(row + 1);
    } else if (column == 1) {
        text = std::to_string(templ.GetVoiceChannel(row) + 1);
    } else {
        char name[CTrack::kPatchNameSize] = {};
        templ.GetVoicePatchName(row, name, sizeof name);
        text = name;
    }
    a->PushFont();
    const FontRef& ui = g_draw.standardFontRefs[0];
    a->SetFont(ui.face, ui.size, 0);
    RECT cell;
    grid.GetCellRect(row, column, &cell);
    a->DrawText(cell.left + 2, cell.bottom - 3, text.c_str());
    a->PopFont();
}
