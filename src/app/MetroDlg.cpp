#include "app/MetroDlg.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/AppGlobals.h"
#include "framework/Window.h"
#include "midi/MidiLayer.h"
#include "model/MidiChoosers.h"
#include "model/Preferences.h"
#include "platform/Devices.h"
#include "platform/PortLayer.h"

namespace {
// The five words of a click sound in the preferences.
enum : int { kPitch = 0, kVelocity = 2, kDuration = 4, kDevice = 6, kChannel = 8 };
constexpr int kPause = 16;  // 1/60 s after each test click

int Field(const CMetroDlg::Ids& ids) {
    return ids.device == CMetroDlg::kAccented.device ? Preferences::kAccentedClick : Preferences::kUnaccentedClick;
}
int Word(int field, int part) { return g_preferences.Word(field + part); }
void SetWord(int field, int part, int value) { g_preferences.SetWord(field + part, std::int16_t(value)); }
}  // namespace

void CMetroDlg::FillDevice(const Ids& ids, int field) {
    ClearCombo(ids.device);
    devicePorts_.clear();
    // The combined output list, numbered; a device it does not hold selects no entry, so that
    // reading the controls keeps it.
    int current = -1;
    for (int i = 0; i < GetOutputEntryCount(); ++i) {
        char text[200] = {};
        const int id = GetOutputEntryName(i, text, sizeof text, true);
        AddComboString(ids.device, text);
        devicePorts_.push_back(id);
        if (id == Word(field, kDevice) && current < 0) current = i;
    }
    SetComboSel(ids.device, current);
}

void CMetroDlg::FillChannel(const Ids& ids, int field) {
    ClearCombo(ids.channel);
    const int port = Word(field, kDevice);
    const bool player = GetMidiOutPorts() && GetMidiOutPorts()->IsSamplePlayerPort(port);
    const int count = player ? 8 : 16;
    for (int c = 0; c < count; ++c) {
        char text[32];
        std::snprintf(text, sizeof text, player ? "Slot %d" : "%d", c + 1);
        AddComboString(ids.channel, text);
    }
    int channel = Word(field, kChannel);
    if (player && channel > 7) channel = 0;
    if (channel < 0) channel = 0;
    if (channel >= count) channel = count - 1;
    SetComboSel(ids.channel, channel);
    SetText(ids.label, player ? "Player:" : "Channel:");
}

void CMetroDlg::FillNotes(const Ids& ids, int field) {
    ClearCombo(ids.note);
    CDevices* ports = GetMidiOutPorts();
    for (int key = 0; key < 128; ++key) {
        char name[64] = {};
        if (ports) ports->GetNoteName(Word(field, kDevice), Word(field, kChannel), 0, key, name, sizeof name);
        if (!name[0]) std::snprintf(name, sizeof name, "%d", key);
        AddComboString(ids.note, name);
    }
    SetComboSel(ids.note, std::clamp(Word(field, kPitch), 0, 127));
}

void CMetroDlg::ShowSound(const Ids& ids, int field) {
    FillDevice(ids, field);
    FillChannel(ids, field);
    FillNotes(ids, field);
    SetupNumericField(ids.velocity, kFormatInteger, std::clamp(Word(field, kVelocity), 1, 127), 1, 127, false);
    SetupNumericField(ids.duration, kFormatInteger, std::clamp(Word(field, kDuration), 5, 250), 5, 250, false);
}

void CMetroDlg::InitControls() {
    ShowSound(kAccented, Preferences::kAccentedClick);
    ShowSound(kUnaccented, Preferences::kUnaccentedClick);
}

void CMetroDlg::ReadControls() {
    for (const Ids& ids : {kAccented, kUnaccented}) {
        const int field = Field(ids);
        const int device = GetComboSel(ids.device);
        if (device >= 0 && device < int(devicePorts_.size())) SetWord(field, kDevice, devicePorts_[std::size_t(device)]);
        if (GetComboSel(ids.channel) >= 0) SetWord(field, kChannel, GetComboSel(ids.channel));
        if (GetComboSel(ids.note) >= 0) SetWord(field, kPitch, GetComboSel(ids.note));
        SetWord(field, kVelocity, std::clamp<int>(GetNumericField(ids.velocity), 1, 127));
        SetWord(field, kDuration, std::clamp<int>(GetNumericField(ids.duration), 5, 250));
    }
}

void CMetroDlg::OnControl(int id) {
    for (const Ids& ids : {kAccented, kUnaccented}) {
        if (id == ids.device) {
            ReadControls();
            FillChannel(ids, Field(ids));
            FillNotes(ids, Field(ids));
        } else if (id == ids.channel) {
            ReadControls();
            FillNotes(ids, Field(ids));
        }
    }
    if (id == kTest) {
        ReadControls();
        StartTest();
    } else if (id == IDOK) {
        ReadControls();
    }
    CStdDlg::OnControl(id);
}

void CMetroDlg::StartTest() {
    testSteps_.clear();
    for (int i = 0; i < 4; ++i) {
        const int field = i == 0 ? Preferences::kAccentedClick : Preferences::kUnaccentedClick;
        const int port = Word(field, kDevice), key = Word(field, kPitch) & 127, channel = Word(field, kChannel) & 15;
        const int length = std::max(1, Word(field, kDuration) * 60 / 1000);
        testSteps_.push_back({port, 0x90, key, Word(field, kVelocity) & 127, channel, length});
        testSteps_.push_back({port, 0x80, key, 0, channel, kPause});
    }
    testNext_ = 0;
    testDue_ = GetTicks();
    OnTick();
}

void CMetroDlg::TakeChord(int focusedId, int key, int velocity) {
    for (const Ids& ids : {kAccented, kUnaccented}) {
        if (focusedId == ids.note) SetComboSel(ids.note, key & 127);
        if (focusedId == ids.velocity)
            SetupNumericField(ids.velocity, kFormatInteger, std::clamp(velocity, 1, 127), 1, 127, false);
    }
}

bool CMetroDlg::OnTick() {
    while (testNext_ < testSteps_.size() && GetTicks() >= testDue_) {
        const Step& s = testSteps_[testNext_++];
        if (g_app.midi) g_app.midi->SendMessage3(s.port, s.status | s.channel, s.key, s.velocity);
        testDue_ = GetTicks() + s.waitTicks;
    }
    std::uint8_t entries[16][4] = {};
    if (TheInputQueue().CollectChord(entries) > 0) {
        CWnd* focus = CWnd::GetFocus();
        int id = focus ? focus->GetDlgCtrlID() : -1;
        // A numeric field's edit box is a child of the field's control.
        if (focus && id != kAccented.note && id != kUnaccented.note && id != kAccented.velocity &&
            id != kUnaccented.velocity)
            if (CWnd* parent = focus->GetParent(); parent && parent != this) id = parent->GetDlgCtrlID();
        TakeChord(id, entries[0][1], entries[0][2]);
    }
    return false;
}

bool RunMetronomeDialog() {
    auto saved = std::make_unique<std::uint8_t[]>(Preferences::kSize);
    std::memcpy(saved.get(), g_preferences.bytes, Preferences::kSize);
    CMetroDlg dlg;
    if (dlg.RunModal(CMetroDlg::kTemplateId)) return true;
    std::memcpy(g_preferences.bytes, saved.get(), Preferences::kSize);
    return false;
}
