#include "midi/MidiLayer.h"

#include <algorithm>

#include "framework/Midi.h"
#include "midi/ClockPerformer.h"
#include "midi/PortLists.h"
#include "model/Playback.h"
#include "model/Preferences.h"
#include "platform/EngineStandIns.h"
#include "platform/PortLayer.h"

CMidi::CMidi()
    : redirects_(std::vector<RedirectEntry>{}), thru_(std::make_shared<const ThruSettings>()) {}

CMidi::~CMidi() { Disarm(); }

namespace {
ClockPerformer g_noPerformer;
ClockPerformer* g_performer = &g_noPerformer;
}  // namespace

ClockPerformer& ThePerformer() { return *g_performer; }
void SetPerformer(ClockPerformer* performer) { g_performer = performer ? performer : &g_noPerformer; }

void CMidi::SetPorts(CMidiInPorts* in, CMidiOutPorts* out) {
    in_ = in;
    out_ = out;
}

int CMidi::Arm() {
    ClearActivity();
    armed_ = true;
    return 0;
}

void CMidi::Disarm() {
    armed_ = false;
    StopClock();
}

bool CMidi::clickFollowsPreferences() const {
    const int field = ThePerformer().GetTransportState() == 1 ? Preferences::kClickInPlay : Preferences::kClickInRecord;
    return g_preferences.Byte(field) != 0;
}

void CMidi::SetCountOff(int ticks) {
    countOff_ = ticks;
    clickOn_ = ticks != 0 || clickFollowsPreferences();
    WakeClock();
}

void CMidi::WakeClock() {
    if (!engineDrives_) clock_.Wake();
}

bool CMidi::StartClock() {
    StopClock();
    counter_ = 0;
    messageTime_ = 0;
    startOffset_ = 0;
    tapPosition_ = 0;
    engineTime_ = 0;
    blockOffset_ = 0;
    {
        std::lock_guard<std::mutex> lock(tapMutex_);
        tapTempos_.clear();
    }
    firstTick_ = true;
    if (!engineDrives_) {
        auto timer = [](void* user, std::uint32_t ms) { return static_cast<CMidi*>(user)->OnTimer(ms); };
        if (!clock_.Start(timer, this)) {
            firstTick_ = false;
            return false;  // reported to the caller; the clock is not marked running
        }
    }
    clockRunning_ = true;
    return true;
}

void CMidi::StopClock() {
    clockRunning_ = false;
    if (!engineDrives_) clock_.Stop();  // joins the clock's thread
    PlaybackRunning() = false;
    blockOffset_ = 0;
}

std::uint32_t CMidi::OnTimer(std::uint32_t ms) {
    // The milliseconds the clock let pass without a call only counted: they run now, in order.
    do {
        const std::uint32_t k = counter_++;
        Tick(k);
        if ((k + 1) % 100 == 0) ThePerformer().GenerateAhead(480);
    } while (std::int32_t(ms - counter_) >= 0);
    return NextCall();
}

std::uint32_t CMidi::NextCall() {
    const std::uint32_t last = counter_ - 1;  // the millisecond run last
    // Generation runs in every 100th millisecond; the clock sleeps no longer than kLongestSleepMs,
    // so the play position others read is never further behind.
    std::uint32_t next = std::min<std::uint32_t>(last + 100 - (last + 1) % 100, last + kLongestSleepMs);
    ClockPerformer& performer = ThePerformer();
    if (performer.GetTransportState() != 1 || countOff_ != 0) return last + 1;
    const int quiet = performer.QuietTicks(clickOn_);
    if (quiet <= 0) return last + 1;
    const std::int64_t rate = std::int64_t(performer.GetTempo()) * performer.GetTempoPercentage() / 100;
    if (rate > 0) {
        // The first tick after the quiet ones comes in the first millisecond whose tempo brings
        // the accumulator to (quiet + 1) x 12,500.
        const std::int64_t need = (std::int64_t(quiet) + 1) * 12500 - accumulator_;
        const std::int64_t ms = std::max<std::int64_t>(1, (need + rate - 1) / rate);
        if (ms < std::int64_t(next - last)) next = last + std::uint32_t(ms);
    }
    return next;
}

void CMidi::Tick(std::uint32_t) {
    ClockPerformer& performer = ThePerformer();
    if (firstTick_.exchange(false)) {
        accumulator_ = 0;
        PlaybackRunning() = true;
    }
    accumulator_ += std::int32_t(std::int64_t(performer.GetTempo()) * performer.GetTempoPercentage() / 100);
    while (accumulator_ >= 12500) {
        accumulator_ -= 12500;
        const bool tapping = performer.GetTransportState() == 3 && tapPosition_ != 0;
        if (clickOn_ && !tapping) performer.ClickTick();
        if (countOff_ != 0 && !tapping) {
            if (--countOff_ == 0) clickOn_ = clickFollowsPreferences();
        } else if (performer.GetTransportState() == 3) {
            if (performer.GetCurrentTick() < tapPosition_) performer.PlayTick();
        } else {
            performer.PlayTick();
        }
    }
}

void CMidi::EngineTick(double elapsed) {
    if (!engineDrives_ || !clockRunning_) return;
    blockOffset_ = 0;
    engineTime_ += elapsed;
    while (double(counter_) < engineTime_) {
        Tick(counter_);
        ++counter_;
        blockOffset_ = blockOffset_ + 1;
    }
    blockOffset_ = 0;
}

void CMidi::TapTempo(std::uint32_t nowMs) {
    ClockPerformer& performer = ThePerformer();
    int barLength = 0;
    if (tapPosition_ == 0) {
        performer.GetBarTicks(false, &barLength, &tapBeat_);
        tapBarEnd_ = barLength;
    } else {
        const std::uint32_t interval = nowMs - lastTap_;
        // A zero interval gives no tempo: the tempo stays.
        if (interval != 0) {
            const auto bpm100 = std::int64_t(6000000 / interval);
            const auto tempo = std::uint32_t(bpm100 * tapBeat_ / 480);
            performer.SetTempo(int(tempo));
            std::lock_guard<std::mutex> lock(tapMutex_);
            tapTempos_.push_back(tempo);
        }
    }
    if (tapPosition_ >= tapBarEnd_) {
        int beat = tapBeat_;
        if (performer.GetBarTicks(true, &barLength, &beat)) {
            tapBarEnd_ += barLength;
            tapBeat_ = beat;
        }
    }
    tapPosition_ = tapPosition_ + tapBeat_;
    lastTap_ = nowMs;
}

std::vector<std::uint32_t> CMidi::TapTempos() const {
    std::lock_guard<std::mutex> lock(tapMutex_);
    return tapTempos_;
}

void CMidi::ClearTapTempos() {
    std::lock_guard<std::mutex> lock(tapMutex_);
    tapTempos_.clear();
}

bool CMidi::StartPlayback() {
    if (!armed_) return false;
    TheInputQueue().Clear();
    return StartClock();
}

void CMidi::StopPlayback() {
    if (!armed_) return;
    StopClock();
    SendRealtime(g_preferences.Word(Preferences::kSyncDevice), 0xFC);
    ThePerformer().StopClick();
    ThePerformer().Stop();
    WaitTicks(30);  // half a second, sleeping
}

void CMidi::SetRedirects(std::vector<RedirectEntry> entries) {
    if (entries.size() > 256) entries.resize(256);
    redirects_.store(std::move(entries));
}

void CMidi::SetThru(const ThruSettings& thru) { thru_.store(std::make_shared<const ThruSettings>(thru)); }

void CMidi::UpdateThruFromPreferences() {
    ThruSettings t;
    t.enabled = g_preferences.Byte(Preferences::kThruEnabled) != 0;
    t.channel = g_preferences.Word(Preferences::kThruChannel) & 15;
    t.device = g_preferences.Word(Preferences::kThruDevice);
    t.patch = g_preferences.Dword(Preferences::kThruPatch);
    t.transpose = g_preferences.Word(Preferences::kThruTranspose);
    SetThru(t);
}

bool CMidi::SendEvent(int port, const ChannelMessage& record) {
    for (const RedirectEntry& e : redirects_.load()) {
        if (e.device == port) {
            port = e.redirect;
            break;
        }
        if (e.redirect == port) {
            port = e.device;
            break;
        }
    }
    if (port >= 0 && port < kFirstEnginePortId) {
        if (out_ && out_->IsPortAvailable(port))
            if (const std::uint32_t handle = out_->GetHandle(port))
                if (fw::midi::SendShort(handle, record.status, record.data1, record.data2)) NoteActivity(false);
        return true;
    }
    if (port < kFirstEnginePortId) return true;
    // An instrument of the audio engine: the slot carrying the port, else nothing. A muted
    // instrument gets a note-on as a note-off, so that it still releases its notes.
    const PlugInSlot* slot = PlugInTable::GetSlot(PlugInTable::IndexOfPort(port));
    if (!slot) return true;
    std::uint8_t bytes[3] = {record.status, record.data1, record.data2};
    if (slot->IsMuted() && (bytes[0] & 0xF0) == 0x90) bytes[0] = std::uint8_t(0x80 | (bytes[0] & 0x0F));
    EngineHost::QueueEvent(slot->GetEngineHandle(), blockOffset_.load(), bytes);
    NoteActivity(false);
    return true;
}

bool CMidi::sendBytes(int port, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    ChannelMessage r{};
    r.time = messageTime_;
    r.status = status;
    r.data1 = data1;
    r.data2 = data2;
    return SendEvent(port, r);
}

bool CMidi::SendMessage3(int port, int status, int data1, int data2) {
    return sendBytes(port, std::uint8_t(status), std::uint8_t(data1), std::uint8_t(data2));
}

bool CMidi::SendRecord(int port, int status, int data1, int data2) { return SendMessage3(port, status, data1, data2); }

bool CMidi::SendPatch(int port, int channel, std::int32_t word, int force) {
    if (word == -1) return true;
    const auto w = std::uint32_t(word);
    const std::uint8_t program = w & 0xFF;
    if (program >= 128) return true;
    std::uint8_t triple[4] = {0xFF, 0xFF, 0xFF, program};
    if (force || (w & 0xFFFF0000u)) {
        triple[1] = std::uint8_t(w >> 24);
        triple[2] = std::uint8_t(w >> 16);
    }
    return SendMessageList(port, channel, triple);
}

bool CMidi::SendMessageList(int port, int channel, const std::uint8_t* list) {
    if (!list) return false;
    const auto ch = std::uint8_t(channel & 15);
    if (list[0] == 0xFF) {
        if (list[1] != 0xFF && !SendMessage3(port, 0xB0 | ch, 0, list[1])) return false;
        if (list[2] != 0xFF && !SendMessage3(port, 0xB0 | ch, 32, list[2])) return false;
        if (list[3] != 0xFF && !SendMessage3(port, 0xC0 | ch, list[3], 0)) return false;
        return true;
    }
    for (const std::uint8_t* p = list;;) {
        const std::uint8_t status = std::uint8_t(p[0] + ch);
        const bool twoBytes = (p[0] & 0xE0) == 0xC0;
        const std::uint8_t data1 = p[1];
        const std::uint8_t data2 = twoBytes ? 0 : p[2];
        p += twoBytes ? 2 : 3;
        if (!SendMessage3(port, status, data1, data2)) return false;
        const std::uint8_t pause = *p++;
        if (pause == 0xFF) return true;
        if (pause) WaitTicks(pause);
    }
}

bool CMidi::ResetChannel(int port, int channel) {
    const auto ch = std::uint8_t(channel & 15);
    if (!SendMessage3(port, 0xB0 | ch, 123, 0)) return false;
    if (!SendMessage3(port, 0xE0 | ch, 0x00, 0x40)) return false;
    const bool samplePlayer = out_ && out_->IsSamplePlayerPort(port);
    if (!samplePlayer) {
        if (!SendMessage3(port, 0xB0 | ch, 64, 0)) return false;
    } else if (g_preferences.Byte(Preferences::kResetModWheel)) {
        if (!SendMessage3(port, 0xB0 | ch, 1, 96)) return false;
    }
    if (!SendMessage3(port, 0xD0 | ch, 0, 0)) return false;
    return SendMessage3(port, 0xA0 | ch, 0, 0);
}

bool CMidi::SendClock(int port) { return port < 0 || SendMessage3(port, 0xF8, 0, 0); }

bool CMidi::SendSongPosition(int port, int sixteenths) {
    return port < 0 || SendMessage3(port, 0xF2, sixteenths & 127, (sixteenths >> 7) & 127);
}

bool CMidi::SendRealtime(int port, std::uint8_t byte) { return port < 0 || SendMessage3(port, byte, 0, 0); }

bool CMidi::SendThruPatch() {
    const std::shared_ptr<const ThruSettings> thru = thru_.load();
    return SendPatch(thru->device, thru->channel, thru->patch, 0);
}

bool CMidi::SendSysex(int port, const std::uint8_t* bytes, int count) {
    if (!bytes || count <= 0 || count > 6) return false;  // the message record holds six bytes
    return SendRecord(port, bytes[0], count > 1 ? bytes[1] : 0, count > 2 ? bytes[2] : 0);
}

bool CMidi::SendLyric(std::int32_t, bool, bool) { return true; }

bool CMidi::SendKeySignature(int, int) { return true; }

bool CMidi::SetTempo(int tempo, int, int) {
    ThePerformer().SetTempo(tempo);
    return true;
}

bool CMidi::SetTempoUnlessRecording(int tempo) {
    if (ThePerformer().GetTransportState() != 3) ThePerformer().SetTempo(tempo);
    return true;
}

int CMidi::GetSongTicks() const { return ThePerformer().GetCurrentTick(); }

void CMidi::GetPosition(int* bar, int* tick) const {
    int song = ThePerformer().GetCurrentTick() - startOffset_;
    if (song < 0) song = 0;
    *tick = song;
    ThePerformer().FindPosition(bar, tick);
}

void CMidi::CloseAllPorts() {
    if (in_) in_->CloseAll();
    if (out_) out_->CloseAll();
}

bool CMidi::StartInputs(bool) { return in_ && in_->AnyOpen(); }

void CMidi::RemapInput(ChannelMessage record) {
    if (inputMuted_ || !inputAccepted_) return;
    if (record.status < 0x80 || record.status >= 0xF0) return;
    const int tick = ThePerformer().GetCurrentTick();
    record.time = std::uint32_t(tick < 0 ? 0 : tick);
    if (ThePerformer().GetTransportState() == 3) {
        // In tempo recording a struck key is a tap; nothing else happens.
        if ((record.status & 0xF0) == 0x90 && record.data2 != 0) TapTempo(fw::GetTickCount());
        return;
    }
    TheInputQueue().Accept(record);
    NoteActivity(true);
    const std::shared_ptr<const ThruSettings> thru = thru_.load();
    if (!thru->enabled) return;
    ChannelMessage echo = record;
    echo.time = 0;
    echo.status = std::uint8_t((record.status & 0xF0) | (thru->channel & 15));
    const std::uint8_t kind = record.status & 0xF0;
    if (kind == 0x90 || kind == 0x80) {
        const int key = record.data1 + thru->transpose;
        if (key < 0 || key > 127) return;  // a key outside the range is no echo
        echo.data1 = std::uint8_t(key);
    }
    SendEvent(thru->device, echo);
}

void CMidi::Receive(std::uint32_t inputHandle, const std::uint8_t* bytes, std::size_t count) {
    if (!armed_ || !bytes || count == 0) return;
    lastInput_ = inputHandle;
    ChannelMessage r{};
    r.status = bytes[0];
    r.data1 = count > 1 ? bytes[1] : 0;
    r.data2 = count > 2 ? bytes[2] : 0;
    if (r.status < 0x80 || r.status >= 0xF0) return;  // data bytes, system messages
    for (const RedirectEntry& e : redirects_.load())
        if (e.input >= 0 && in_ && in_->GetHandle(e.input) == inputHandle) {
            if (inputMuted_ || !inputAccepted_) return;
            r.time = 0;
            SendEvent(e.redirect, r);
            return;
        }
    RemapInput(r);
}

CQueue& TheInputQueue() {
    static CQueue queue;
    return queue;
}

namespace {
void OnInput(void* user, fw::midi::PortId port, const std::uint8_t* bytes, std::size_t count) {
    static_cast<CMidi*>(user)->Receive(port, bytes, count);
}
}  // namespace

CMidi* CreateMidi() {
    TheInputQueue().Init(16000);
    auto* midi = new CMidi;
    midi->UpdateThruFromPreferences();
    midi->Arm();
    fw::midi::SetInputHandler(OnInput, midi);
    SetTheMidi(midi);
    return midi;
}

void DestroyMidi(CMidi* midi) {
    if (!midi) return;
    midi->SetInputAccepted(false);
    midi->Disarm();
    midi->CloseAllPorts();
    fw::midi::SetInputHandler(nullptr, nullptr);
    if (&TheMidi() == midi) SetTheMidi(nullptr);
    delete midi;
}
