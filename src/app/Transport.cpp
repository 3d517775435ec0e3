#include "app/Transport.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/AppGlobals.h"
#include "app/MainFrame.h"
#include "app/TapeDeck.h"
#include "framework/DC.h"
#include "framework/ToolBar.h"
#include "framework/StringTable.h"
#include "midi/MidiLayer.h"
#include "model/Bar.h"
#include "model/MidiOut.h"
#include "model/ModelGlobals.h"
#include "model/Playback.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/Devices.h"
#include "platform/DlgCombosStandIns.h"
#include "platform/Port.h"
#include "platform/StdDlgGlobals.h"
#include "model/MidiStandIns.h"
#include "view/MidiChoosers.h"
#include "view/ViewGlobals.h"

namespace {
constexpr UINT kTitle = 8000, kCountLabel = 8001;
constexpr int kButtonsBitmap = 2500, kPunchBitmap = 2605;
constexpr int kButtonSize = 24, kButtonStep = 23, kMargin = 4;
constexpr POINT kFirstFloat{560, 60};
// Floating layout: the buttons and the count-off on the first row, the punch fields on the
// second, the thru buttons on the third.
constexpr int kRow2 = 32, kRow3 = 53;
constexpr RECT kCountOffRect{276, 6, 306, 22};
constexpr RECT kPunchInRect{6, kRow2, 121, kRow2 + 16};
constexpr RECT kPunchOutRect{150, kRow2, 265, kRow2 + 16};
constexpr RECT kPunchToggleRect{276, kRow2 - 4, 300, kRow2 + 20};
constexpr RECT kThruDeviceRect{4, kRow3, 156, kRow3 + 18};
constexpr RECT kThruPatchRect{160, kRow3, 310, kRow3 + 18};
constexpr int kMaxCountBars = 8;
constexpr int kNone = 0xFF;

CMidi* Midi() { return g_app.midi; }
}  // namespace

// --- the thru buttons --------------------------------------------------------------------------

BOOL CThruBtn::CreateThru(CWnd* parent, const RECT& rect, int commandId, Kind k) {
    kind = k;
    if (!Create(parent, rect, commandId, true)) return FALSE;
    Refresh();
    return TRUE;
}

void CThruBtn::Refresh() {
    const int device = g_preferences.Word(Preferences::kThruDevice);
    const int channel = g_preferences.Word(Preferences::kThruChannel) & 15;
    char name[64] = {};
    bool found = false;
    if (kind == kDevice) {
        CDevices* ports = GetMidiOutPorts();
        const int index = ports ? ports->IndexOfId(device) : -1;
        if (index >= 0 && GetNameMgr() && GetNameMgr()->GetInstrumentName(index, channel, name, sizeof name)) found = true;
        if (!found && ports && device >= 0) {
            ports->GetPortName(device, name, sizeof name);
            found = name[0] != 0;
        }
        char text[96];
        std::snprintf(text, sizeof text, "%s-%d", name, channel + 1);
        SetText(text);
        Enable(found && index >= 0);
        return;
    }
    const std::int32_t patch = g_preferences.Dword(Preferences::kThruPatch);
    if (patch != -1 && (patch & 0xFF) != kNone) {
        char number[16] = {};
        GetPortPatchNameOrGM(device, channel, int(patch & 0xFF), name, number, sizeof name);
        found = name[0] != 0;
    }
    SetText(found ? name : "None");
    Enable(found);
}

void CThruBtn::TrackClick(int, int) {
    RECT r;
    GetWindowRect(&r);
    int device = g_preferences.Word(Preferences::kThruDevice);
    int channel = g_preferences.Word(Preferences::kThruChannel) & 15;
    std::int32_t patch = g_preferences.Dword(Preferences::kThruPatch);
    // While the thru follows the current track, what is offered is that track's voice's.
    CTransport* bar = dynamic_cast<CTransport*>(GetParent());
    CZelDoc* doc = bar ? bar->Document() : nullptr;
    CTrack* track = doc && doc->GetScore() ? doc->GetScore()->GetTrack(doc->location.trackIndex) : nullptr;
    if (track && g_preferences.Byte(Preferences::kThruFollow)) {
        const int voice = std::max(0, int(doc->location.voice));
        device = track->GetDevice();
        channel = track->GetVoiceChannel(voice) & 15;
        patch = track->GetVoicePatch(voice);
    }
    if (kind == kDevice) {
        int port = device, chosenChannel = channel;
        if (!RunOutputMenu(int(r.left), int(r.bottom), &port)) return;
        if (!RunChannelMenu(int(r.left), int(r.bottom), port, &chosenChannel)) return;
        g_preferences.SetWord(Preferences::kThruDevice, std::int16_t(port));
        g_preferences.SetWord(Preferences::kThruChannel, std::int16_t(chosenChannel));
        if (CMidi* midi = Midi()) {
            midi->UpdateThruFromPreferences();
            if (g_preferences.Dword(Preferences::kThruPatch) != -1) midi->SendThruPatch();
        }
    } else if (GetMidiOutPorts() && GetMidiOutPorts()->IsSamplePlayerPort(device)) {
        // A sample player's sound is one of its slots, which its channel chooses.
        int port = device, slot = channel;
        if (!SoundSets::ChooseSlot(int(r.left), int(r.bottom), &port, &slot)) return;
        g_preferences.SetWord(Preferences::kThruDevice, std::int16_t(port));
        g_preferences.SetWord(Preferences::kThruChannel, std::int16_t(slot));
        if (CMidi* midi = Midi()) midi->UpdateThruFromPreferences();
    } else {
        std::int32_t word = patch == -1 ? kNone : patch;
        if (!RunPatchMenu(int(r.left), int(r.bottom), device, channel, &word, true)) return;
        const bool none = (word & 0xFF) == kNone;
        g_preferences.SetDword(Preferences::kThruPatch, none ? -1 : word);
        if (CMidi* midi = Midi()) {
            midi->UpdateThruFromPreferences();
            if (!none) midi->SendThruPatch();
        }
        if (g_view.numericPatches) {
            // Chosen by number: the current track's shown voices take the thru settings.
            if (g_app.mainFrame) g_app.mainFrame->SendMessage(WM_COMMAND, 4309, 0);
        } else if (track) {
            // The thru's patch now follows the current track's: the idle work does not take it
            // again until another track is current.
            g_app.lastThruTrack = std::int16_t(doc->location.trackIndex);
        }
    }
    g_model.thruChangePending = true;
    if (bar) bar->SendMessage(WM_COMMAND, 4336, 0);
}

// --- the bar -------------------------------------------------------------------------------------

CTransport::CTransport() = default;
CTransport::~CTransport() = default;

void CTransport::SetTapeDeck(CTapeDeck* deck) {
    deck_ = deck;
    if (deck_) deck_->SetDocument(document_);
}

bool CTransport::Create(CFrameWnd* frame, bool show) {
    std::string title;
    fw::LoadStringResource(kTitle, title);
    if (!CControlBar::Create(title.c_str(), frame, fw::NextControlBarId(), CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY,
                             kFloatingSize))
        return false;
    EnableDocking(CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM);
    for (int i = 0; i < kButtonCount; ++i) {
        const int x = kMargin + i * kButtonStep;
        const RECT r{x, kMargin, x + kButtonSize, kMargin + kButtonSize};
        if (!buttons[i].Create(this, r, kButtonIds[i], std::int16_t(kButtonsBitmap), 16, 16)) return false;
        buttons[i].SetFlag(1);
        buttons[i].LoadImages(i);
        if (kButtonIds[i] == kRewind) buttons[i].SetMomentary(true);
    }
    if (!countOff.Create(this, kCountOffRect, 0, 0, kMaxCountBars, kCountOff)) return false;
    countOff.SetDlgCtrlID(kCountOff);
    countOff.field.SetValueAndRange(std::clamp<int>(g_preferences.Word(Preferences::kCountBars), 0, kMaxCountBars), 0,
                                    kMaxCountBars);
    if (!punchIn.Create(this, kPunchInRect, kPunchIn, kPunchBitmap)) return false;
    if (!punchOut.Create(this, kPunchOutRect, kPunchOut, kPunchBitmap)) return false;
    punchOut.button.LoadImages(1);
    if (!punchButton.Create(this, kPunchToggleRect, kPunchToggle, std::int16_t(kButtonsBitmap), 16, 16)) return false;
    punchButton.SetToggle(true);
    punchButton.SetFlag(1);
    punchButton.LoadImages(4);
    if (!thruDevice.CreateThru(this, kThruDeviceRect, kThruDevice, CThruBtn::kDevice)) return false;
    if (!thruPatch.CreateThru(this, kThruPatchRect, kThruPatch, CThruBtn::kPatch)) return false;
    frame->FloatControlBar(this, kFirstFloat, CBRS_ALIGN_TOP);
    if (!show) frame->ShowControlBar(this, FALSE);
    SetDocument(nullptr);
    return true;
}

SIZE CTransport::CalcFixedLayout(BOOL, BOOL) {
    const bool floating = IsFloating();
    ShowFloatingControls(floating);
    return floating ? kFloatingSize : kDockedSize;
}

SIZE CTransport::CalcDynamicLayout(int, DWORD mode) {
    const bool docked = (mode & (LM_HORZDOCK | LM_VERTDOCK)) != 0 || !IsFloating();
    ShowFloatingControls(!docked);
    return docked ? kDockedSize : kFloatingSize;
}

void CTransport::ShowFloatingControls(bool show) {
    if (show == floatingShown_) return;
    floatingShown_ = show;
    punchIn.Show(show);
    punchOut.Show(show);
    for (CWnd* w : {static_cast<CWnd*>(&punchButton), static_cast<CWnd*>(&thruDevice), static_cast<CWnd*>(&thruPatch),
                    static_cast<CWnd*>(&countOff)})
        if (w->IsWindow()) w->ShowWindow(show ? SW_SHOW : SW_HIDE);
    if (IsWindow()) Invalidate();
}

CPaneBtn* CTransport::Button(int id) {
    for (int i = 0; i < kButtonCount; ++i)
        if (kButtonIds[i] == id) return &buttons[i];
    return nullptr;
}

void CTransport::SetDocument(CZelDoc* document) {
    document_ = document;
    CScore* score = document ? document->GetScore() : nullptr;
    punchIn.SetScore(score);
    punchOut.SetScore(score);
    for (CPaneBtn& b : buttons)
        if (b.IsWindow()) b.SetEnabled(document != nullptr);
    if (punchButton.IsWindow()) punchButton.SetEnabled(document != nullptr);
    if (deck_) deck_->SetDocument(document);
    if (thruDevice.IsWindow()) thruDevice.Refresh();
    if (thruPatch.IsWindow()) thruPatch.Refresh();
}

void CTransport::TakeInsertionPoint(TransportPosition& field) {
    if (!document_ || !document_->GetScore()) return;
    CScore* score = document_->GetScore();
    int bar = document_->location.barIndex;
    int tick = int(document_->location.time);
    if (const CBar* b = score->GetBar(bar); b && tick >= b->GetMeterLength()) {
        ++bar;
        tick = 0;
    }
    field.SetPosition(bar, tick);
}

void CTransport::SendTransportCommand(int id) {
    if (document_) document_->OnCommandRange(id);
    if (GetTransportState() == 0) {
        g_preferences.SetWord(Preferences::kCountBars, std::int16_t(countOff.GetClampedValue()));
        PlayRange range;
        if (!punch) {
            range.fromBar = range.fromTick = 0;
            range.toBar = range.toTick = 32767;
        } else {
            int bar = 0, tick = 0;
            punchIn.GetPosition(&bar, &tick);
            range.fromBar = std::int16_t(bar);
            range.fromTick = std::int16_t(tick);
            punchOut.GetPosition(&bar, &tick);
            range.toBar = std::int16_t(bar);
            range.toTick = std::int16_t(tick);
            if (range.fromBar > range.toBar || (range.fromBar == range.toBar && range.fromTick >= range.toTick))
                range.toBar = range.toTick = 32767;
            if (document_) {
                document_->SetCurrentBar(std::max<int>(0, range.fromBar), false);
                document_->location.time = range.fromTick;
            }
        }
        if (deck_) {
            deck_->SetPunch(punch);
            deck_->SetPlayRange(range);
        }
    } else {
        id = kStop;
    }
    auto press = [this](int which, bool down) {
        if (CPaneBtn* b = Button(which)) down ? b->Press() : b->Release();
    };
    switch (id) {
    case kRecord: press(punch ? kPlay : kRecord, true); break;
    case kPlay: press(kPlay, true); break;
    case kPlayFromStart: press(kPlayFromStart, true); break;
    case kStop:
        for (int b : {kPlay, kPlayFromStart, kStop, kRecord}) press(b, false);
        break;
    default: break;
    }
    if (IsWindow()) Invalidate();
    if (deck_) deck_->OnCommand(id);
    RefreshButtons();
}

void CTransport::RefreshButtons() {
    const int state = GetTransportState();
    if (state == 0) {
        for (int id : {kPlay, kPlayFromStart, kStop, kRecord})
            if (CPaneBtn* b = Button(id); b && b->GetState() != 0) b->Release();
    } else if ((state == 2 || state == 3) && !punch) {
        if (CPaneBtn* b = Button(kRecord); b && b->GetState() == 0) b->Press();
    }
}

void CTransport::OnTransportCommand(int id) {
    switch (id) {
    case kRecord:
    case kStop:
    case kPlay:
    case kPlayFromStart: SendTransportCommand(id); return;
    case kRewind:
        if (document_) {
            document_->SetCurrentBar(0, false);
            document_->location.time = 0;
            document_->ShowInsertionPoint(0, false);
        }
        return;
    case kPunchInReached:
        if (CPaneBtn* b = Button(kRecord)) b->Press();
        return;
    case kPunchOutReached:
        if (CPaneBtn* b = Button(kRecord)) b->Release();
        return;
    case kRefresh: {
        const int state = GetTransportState();
        if (CPaneBtn* b = Button(kRecord)) (state == 2 || state == 3) ? b->Press() : b->Release();
        return;
    }
    case kPunchIn: TakeInsertionPoint(punchIn); return;
    case kPunchOut: TakeInsertionPoint(punchOut); return;
    case kPunchToggle: punch = punchButton.GetState() != 0; return;
    case kCountOff:
        if (CNumeric* numeric = g_ui.currentNumeric) countOff.field.SetValue(numeric->GetClampedValue());
        return;
    case 4316:
    case 4332:
        if (IsWindow()) Invalidate();
        return;
    case 4336:
        if (g_preferences.Dword(Preferences::kThruPatch) != -1)
            if (CMidi* midi = Midi()) midi->SendThruPatch();
        thruDevice.Refresh();
        thruPatch.Refresh();
        if (IsWindow()) Invalidate();
        return;
    default: return;
    }
}

BOOL CTransport::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = int(LOWORD(wParam));
    if (id == kNumericEntryEnded || id == kNumericValueChanged) {
        auto* pane = reinterpret_cast<CNumericPane*>(lParam);
        for (TransportPosition* field : {&punchIn, &punchOut}) {
            if (pane == &field->barPane) field->Normalize(TransportPosition::kBarField);
            if (pane == &field->beatPane) field->Normalize(TransportPosition::kBeatField);
            if (pane == &field->tickPane) field->Normalize(TransportPosition::kTickField);
        }
        return TRUE;
    }
    if (id >= 2500 && id <= 2599) {
        OnTransportCommand(id);
        return TRUE;
    }
    return CControlBar::OnCommand(wParam, lParam);
}

void CTransport::OnPaint() {
    CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);
    dc.FillSolidRect(&client, fw::GetSysColor(COLOR_BTNFACE));
    if (!IsFloating()) return;
    std::string label;
    fw::LoadStringResource(kCountLabel, label);
    if (CArtist* a = GetArtist()) {
        PushPort(&dc);
        a->SetTextAndPenColor(RGB(0, 0, 0));
        a->DrawTextRight(int(kCountOffRect.left) - 4, int(kCountOffRect.bottom) - 4, label.c_str());
        PopPort();
    }
}
