#include "app/MidiPortsDlg.h"

#include <algorithm>

#include "app/AppGlobals.h"
#include "app/MainFrame.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/StringTable.h"
#include "midi/MidiLayer.h"
#include "midi/PortLists.h"
#include "model/Preferences.h"
#include "platform/Artist.h"
#include "platform/PlatformGlobals.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"

namespace {
constexpr UINT kNotAvailable = 10026, kInUse = 10024;
constexpr int kTestKey = 67, kLastKey = 63, kTestVelocity = 64;
constexpr int kLightTicks = 5;  // 1/60 s a message lights its input

std::vector<std::string> NamesOf(const CDevices& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.GetCount(); ++i) names.emplace_back(list.GetAt(i).name);
    return names;
}
}  // namespace

CMidiPortsDlg::CMidiPortsDlg(CSystemDevices& system, CMidiInPorts& in, CMidiOutPorts& out)
    : system_(system), in_(in), out_(out) {}

void CMidiPortsDlg::InitControls() {
    AddDrawnControl(kLights, 0);
    AddDrawnControl(kTests, 0);
    // Each list: the chosen ports first (selected), then the other devices of its kind.
    for (const auto& [id, kind, chosen] : {std::tuple{kInputs, int(CDevices::kInput), static_cast<CDevices*>(&in_)},
                                           std::tuple{kOutputs, int(CDevices::kOutput), static_cast<CDevices*>(&out_)}}) {
        auto* list = static_cast<CListBox*>(GetDlgItem(id));
        if (!list) continue;
        list->ResetContent();
        const std::vector<std::string> names = NamesOf(*chosen);
        for (const std::string& n : names) list->SetSel(list->AddString(n.c_str()), TRUE);
        for (int i = 0; i < system_.GetCount(); ++i) {
            const DeviceRecord& r = system_.GetAt(i);
            if (r.kind != kind || std::find(names.begin(), names.end(), std::string(r.name)) != names.end()) continue;
            list->AddString(r.name);
        }
    }
    SetCheck(kThru, thru != 0);
}

std::vector<std::string> CMidiPortsDlg::ListNames(int listId, bool selectedOnly) {
    std::vector<std::string> out;
    auto* list = static_cast<CListBox*>(GetDlgItem(listId));
    if (!list) return out;
    for (int i = 0; i < list->GetCount(); ++i) {
        if (selectedOnly && list->GetSel(i) <= 0) continue;
        CString text;
        list->GetText(i, text);
        out.emplace_back(text.c_str());
    }
    return out;
}

bool CMidiPortsDlg::ApplySelection() {
    StartWaitCursor(true);
    const std::vector<std::string> inputs = ListNames(kInputs, true), outputs = ListNames(kOutputs, true);
    bool opened = true;
    in_.RemoveAll();
    for (const std::string& n : inputs)
        if (!in_.OpenByName(system_, n.c_str()) && opened) {
            std::string text;
            fw::LoadStringResource(kNotAvailable, text);
            ShowAlert(kAlertStop, (n + text).c_str());
            opened = false;
        }
    const bool inputsOpened = opened;
    out_.RemoveAll();
    for (const std::string& n : outputs)
        if (!out_.OpenByName(system_, n.c_str()) && opened) {
            std::string text;
            fw::LoadStringResource(kNotAvailable, text);
            if (inputsOpened) ShowAlert(kAlertStop, (n + text).c_str());
            opened = false;
        }
    StartWaitCursor(false);
    if (!opened) return false;
    auto asks = [this](int listId, UINT dialogId) {
        auto* list = static_cast<CListBox*>(GetDlgItem(listId));
        if (!list || list->GetCount() == 0 || list->GetSelCount() > 0) return false;
        CDialog ask(dialogId, this);
        return ask.DoModal() != IDOK;  // choose ports now: the dialog stays
    };
    if (asks(kInputs, kNoInput) || asks(kOutputs, kNoOutput)) return false;
    g_preferences.SetWord(Preferences::kDefaultDevice, std::int16_t(out_.GetCount() > 0 ? out_.GetIdAt(0) : 0));
    g_preferences.SetWord(Preferences::kDefaultDeviceChannel, 0);
    return true;
}

void CMidiPortsDlg::OnControl(int id) {
    switch (id) {
    case kThru: thru = GetCheck(kThru) ? 1 : 0; break;
    case kMoveToTop: {
        auto* list = static_cast<CListBox*>(GetDlgItem(kOutputs));
        if (!list) break;
        const std::vector<std::string> all = ListNames(kOutputs, false), chosen = ListNames(kOutputs, true);
        list->ResetContent();
        for (const std::string& n : chosen) list->SetSel(list->AddString(n.c_str()), TRUE);
        for (const std::string& n : all)
            if (std::find(chosen.begin(), chosen.end(), n) == chosen.end()) list->AddString(n.c_str());
        break;
    }
    case kTests: {
        auto* list = static_cast<CListBox*>(GetDlgItem(kOutputs));
        if (!list) break;
        POINT p;
        GetPortMousePos(&p);
        RECT column;
        GetControlRect(kTests, &column);
        RECT listRect;
        GetControlRect(kOutputs, &listRect);
        const int height = std::max(1, list->GetItemHeight(0));
        const int row = list->GetTopIndex() + (p.y - listRect.top) / height;
        if (row < 0 || row >= list->GetCount()) break;
        CString name;
        list->GetText(row, name);
        const int port = out_.FindIdByName(name.c_str());
        if (port < 0 || out_.GetHandle(port) == 0) {
            ShowAlertById(kAlertStop, kInUse);
            break;
        }
        StartTest(port);
        break;
    }
    case IDOK:
        if (!ApplySelection()) {
            exitCode = 0;
            return;
        }
        break;
    default: break;
    }
    CStdDlg::OnControl(id);
}

void CMidiPortsDlg::StartTest(int portId) {
    testPort_ = portId;
    testSteps_.clear();
    for (int i = 0; i < 3; ++i) {
        testSteps_.push_back({0x90, kTestKey, kTestVelocity, 4});
        testSteps_.push_back({0x80, kTestKey, 0, 4});
    }
    testSteps_.push_back({0x90, kLastKey, kTestVelocity, 20});
    testSteps_.push_back({0x80, kLastKey, 0, 0});
    testNext_ = 0;
    testDue_ = GetTicks();
    OnTick();
}

bool CMidiPortsDlg::OnTick() {
    while (testNext_ < testSteps_.size() && GetTicks() >= testDue_) {
        const Step& s = testSteps_[testNext_++];
        if (g_app.midi) g_app.midi->SendMessage3(testPort_, s.status, s.key, s.velocity);
        testDue_ = GetTicks() + s.waitTicks;
    }
    if (testNext_ >= testSteps_.size()) testSteps_.clear();
    // The activity light of the input that delivered last.
    const int lit = litRow_;
    if (g_app.midi && g_app.midi->TakeInputActivity()) {
        const std::uint32_t handle = g_app.midi->LastInputHandle();
        const std::vector<std::string> rows = ListNames(kInputs, false);
        for (int i = 0; i < in_.GetCount(); ++i) {
            if (in_.GetAt(i).handle != handle || handle == 0) continue;
            const auto row = std::find(rows.begin(), rows.end(), std::string(in_.GetAt(i).name));
            if (row != rows.end()) {
                litRow_ = int(row - rows.begin());
                litUntil_ = GetTicks() + kLightTicks;
            }
        }
    } else if (litRow_ >= 0 && GetTicks() >= litUntil_) {
        litRow_ = -1;
    }
    if (lit != litRow_)
        if (CWnd* lights = GetDlgItem(kLights)) lights->Invalidate();
    return false;
}

void CMidiPortsDlg::DrawControl(int id) {
    if (id != kLights && id != kTests) return CStdDlg::DrawControl(id);
    CArtist* a = GetArtist();
    auto* list = static_cast<CListBox*>(GetDlgItem(id == kLights ? kInputs : kOutputs));
    if (!a || !list) return;
    RECT column, listRect;
    GetControlRect(id, &column);
    GetControlRect(id == kLights ? kInputs : kOutputs, &listRect);
    const int height = std::max(1, list->GetItemHeight(0));
    for (int i = list->GetTopIndex(); i < list->GetCount(); ++i) {
        const int top = int(listRect.top) + 2 + (i - list->GetTopIndex()) * height;
        if (top + height > column.bottom) break;
        // A light: a small square, red while lit; a test button: a raised square.
        const RECT r{column.left + 2, top + 2, column.right - 2, top + height - 2};
        a->FillRectRGB(r, id == kLights && i == litRow_ ? RGB(255, 0, 0) : RGB(192, 192, 192));
        a->FrameRectangle(r);
    }
}

bool RunPortsDialog() {
    if (!g_app.devices || !g_app.inPorts || !g_app.outPorts) return false;
    CSystemDevices* system = g_app.devices;
    const std::vector<std::string> inputs = NamesOf(*g_app.inPorts), outputs = NamesOf(*g_app.outPorts);
    CMidiPortsDlg dlg(*system, *g_app.inPorts, *g_app.outPorts);
    dlg.thru = g_preferences.Byte(Preferences::kThruEnabled);
    if (dlg.RunModal(CMidiPortsDlg::kTemplateId)) {
        g_app.inPorts->Save(g_platform.programKeyPath);
        g_app.outPorts->Save(g_platform.programKeyPath);
        if (g_app.midi) g_app.midi->StartInputs(false);
        if (g_app.outPorts->GetCount() == 1) {
            const int id = g_app.outPorts->GetIdAt(0);
            g_preferences.SetWord(Preferences::kAccentedClick + 6, std::int16_t(id));
            g_preferences.SetWord(Preferences::kUnaccentedClick + 6, std::int16_t(id));
            g_preferences.SetWord(Preferences::kThruDevice, std::int16_t(id));
        }
        g_preferences.SetByte(Preferences::kThruEnabled, dlg.thru);
        if (g_app.midi) g_app.midi->UpdateThruFromPreferences();
        if (g_app.mainFrame) g_app.mainFrame->Invalidate();
        return true;
    }
    g_app.inPorts->RemoveAll();
    for (const std::string& n : inputs) g_app.inPorts->OpenByName(*system, n.c_str());
    g_app.outPorts->RemoveAll();
    for (const std::string& n : outputs) g_app.outPorts->OpenByName(*system, n.c_str());
    if (g_app.midi) g_app.midi->StartInputs(false);
    return false;
}
