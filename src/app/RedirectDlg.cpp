#include "app/RedirectDlg.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "app/AppGlobals.h"
#include "midi/PortLists.h"
#include "model/Record.h"
#include "model/Track.h"
#include "platform/Devices.h"

namespace {

// Fills a combo with "None" and the ports of a list; selects the entry of `current`.
void Fill(CStdDlg& dlg, int id, CDevices* ports, int current, std::vector<int>& ids) {
    dlg.ClearCombo(id);
    ids.assign(1, -1);
    dlg.AddComboString(id, "None");
    for (int i = 0; ports && i < ports->GetCount(); ++i) {
        dlg.AddComboString(id, ports->GetAt(i).name);
        ids.push_back(ports->GetIdAt(i));
    }
    const auto at = std::find(ids.begin(), ids.end(), current);
    dlg.SetComboSel(id, at == ids.end() ? 0 : int(at - ids.begin()));
}

}  // namespace

void CRedirectDlg::InitControls() {
    char name[160] = {};
    if (CDevices* ports = GetMidiOutPorts()) ports->GetDeviceName(track_.GetDevice(), name, sizeof name);
    SetText(kDevice, name);
    Fill(*this, kOutput, g_app.outPorts, rec::Get<std::int16_t>(&track_, CTrack::kRedirectPort), outputs_);
    Fill(*this, kInput, g_app.inPorts, rec::Get<std::int16_t>(&track_, CTrack::kInputPort), inputs_);
}

void CRedirectDlg::OnControl(int id) {
    if (id == kClear) {
        SetComboSel(kOutput, 0);
        SetComboSel(kInput, 0);
    } else if (id == IDOK) {
        const auto pick = [this](int combo, const std::vector<int>& ids) {
            const int sel = GetComboSel(combo);
            return std::int16_t(sel >= 0 && sel < int(ids.size()) ? ids[std::size_t(sel)] : -1);
        };
        rec::Put<std::int16_t>(&track_, CTrack::kRedirectPort, pick(kOutput, outputs_));
        rec::Put<std::int16_t>(&track_, CTrack::kInputPort, pick(kInput, inputs_));
    }
    CStdDlg::OnControl(id);
}

bool RunRedirectDialog(CTrack& track) {
    // Cancel gives the track back as it was.
    const std::int16_t output = rec::Get<std::int16_t>(&track, CTrack::kRedirectPort);
    const std::int16_t input = rec::Get<std::int16_t>(&track, CTrack::kInputPort);
    CRedirectDlg dlg(track);
    if (dlg.RunModal(CRedirectDlg::kTemplateId)) return true;
    rec::Put<std::int16_t>(&track, CTrack::kRedirectPort, output);
    rec::Put<std::int16_t>(&track, CTrack::kInputPort, input);
    return false;
}
