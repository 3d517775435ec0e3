#include "midi/Performer.h"

#include <algorithm>
#include <cstring>

#include "framework/Arith.h"
#include "midi/MidiLayer.h"
#include "midi/PerformerStandIns.h"
#include "model/Articulation.h"
#include "model/Bar.h"
#include "model/ChordRecords.h"
#include "model/Data.h"
#include "model/Graphic.h"
#include "model/TieType.h"
#include "model/Jumper.h"
#include "model/Lyric.h"
#include "model/Playback.h"
#include "model/PlaybackMarks.h"
#include "model/Preferences.h"
#include "model/KeySig.h"
#include "model/Ottava.h"
#include "model/Score.h"
#include "model/Symbol.h"
#include "model/Tempo.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "notation/RawNote.h"
#include "midi/PortLists.h"
#include "platform/LibraryStandIns.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"
#include "platform/Theory.h"
#include "model/NoteMark.h"

// --- level records ---

void LevelRecord::Begin(int bar, int position, int v, int m) {
    startBar = bar;
    startPos = position;
    value[0] = v;
    mode = m;
}

void LevelRecord::End(int bar, int position, int v) {
    if (!Active()) {
        startBar = bar;
        startPos = 0;
        value[0] = v;
    }
    endBar = bar;
    endPos = position;
    value[6] = v;
}

bool LevelRecord::Covers(int bar, int position) const {
    if (!Active()) return false;
    const auto at = std::int64_t(bar) * 65536 + position;
    return at >= std::int64_t(startBar) * 65536 + startPos && at <= std::int64_t(endBar) * 65536 + endPos;
}

int LevelRecord::Interpolate(int bar, int position) const {
    const std::int64_t span = (std::int64_t(endBar) * 1024 + endPos) - (std::int64_t(startBar) * 1024 + startPos);
    std::int64_t offset = (std::int64_t(bar) * 1024 + position) - (std::int64_t(startBar) * 1024 + startPos);
    offset = std::clamp<std::int64_t>(offset, 0, span < 0 ? 0 : span);
    const std::int64_t segment = (span + 1) / 7;
    if (segment <= 0) return value[6];  // a span too short for seven points
    const std::int64_t index = offset / segment;
    if (index >= 6) return value[6];
    return value[index] + int((offset - index * segment) * (value[index + 1] - value[index]) / segment);
}

void TrackPlayState::Clear() {
    track = 0;
    plays = 0;
    notTablature = 1;
    recordReplace = 0;
    grandStaffTop = 0;
    voiceCount = 0;
    for (int i = 0; i < 7; ++i) harpStrings[i] = std::int8_t(CHarpPed::kNaturalClasses[i]);
    for (int v = 0; v < 8; ++v) {
        voicePlays[v] = 0;
        doubling[v] = 0;
        voicePort[v] = voicePortSet[v] = 0;
        voiceChannel[v] = voiceChannelSet[v] = 0;
        transpose[v] = 0;
        patch[v] = -1;
        program[v] = 0;
        keySwitchBase[v] = -1;
        voiceKeySwitch[v] = voiceProgram[v] = voiceController[v] = markKeySwitch[v] = ChannelMemo{};
        bendCurve[v] = MarkPlayback{};
        bendPending[v] = 0;
        legatoVoice[v] = legatoKeySwitch[v] = 0;
    }
    clef = 0;
    key = 0;
    for (LevelRecord& l : levels) l.Clear();
    for (int c = 0; c < 16; ++c) heldNote[c] = programRestore[c] = controllerRestore[c] = ChannelMemo{};
}

// --- the performer ---

Performer::Performer(CMidi* midi, EventPool::Sharing sharing)
    : midi_(midi), oneThread_(sharing == EventPool::Sharing::OneThread), pool_(sharing) {
    metronome_.SetMidi(midi);
}

Performer::~Performer() = default;

int Performer::GetTransportState() { return ::GetTransportState(); }

std::uint8_t& Performer::pass(int bar, int n) {
    static std::uint8_t none = 0;
    const std::size_t at = std::size_t(bar) * 8 + std::size_t(n);
    if (bar < 0 || n < 0 || n >= 8 || at >= jumperPasses_.size()) return none = 0;
    return jumperPasses_[at];
}

int Performer::JumperPass(int bar, int n) const {
    const std::size_t at = std::size_t(bar) * 8 + std::size_t(n);
    return bar >= 0 && n >= 0 && n < 8 && at < jumperPasses_.size() ? jumperPasses_[at] : 0;
}

void Performer::Start(CScore* score, int firstTrack, int lastTrack, int b, int t, bool chase, bool prepare) {
    score_ = score;
    SetPlayedScore(score);
    const int barCount = score ? score->GetBarCount() : 0;
    // 1. The play-order memory: the bars' pass counters and the jump marks' counters.
    bars_.assign(std::size_t(barCount), BarPlayInfo{});
    barPasses_.assign(std::size_t(barCount), 0);
    jumperPasses_.assign(std::size_t(barCount) * 8, 0);
    for (int i = 0; i < barCount; ++i) {
        CBar* bar = score->GetBar(i);
        BarPlayInfo& info = bars_[std::size_t(i)];
        info.length = bar->GetLength();
        info.beatLength = bar->GetBeatLength() > 0 ? bar->GetBeatLength() : 480;
        info.clickTicks = info.beatLength;
        info.pickup = bar->GetShortfall();
        info.numerator = bar->GetMeter()->GetNumerator();
        info.denominator = bar->GetMeter()->GetDenominator();
    }
    if (b < 0 || b >= barCount) b = 0;
    CBar* startBar = barCount ? score->GetBar(b) : nullptr;
    // 2. The song position.
    clockCounter_ = (startBar ? startBar->GetStartTicks() : 0) + t;
    const int sync = g_preferences.Word(Preferences::kSyncDevice);
    if (clockCounter_ != 0 && midi_) midi_->SendSongPosition(sync, clockCounter_ / 120);
    // 3. The play state.
    alCoda_ = alFine_ = 0;
    playEnded_ = false;
    tempoHold_ = false;
    beatDotted_ = false;
    barStart_ = 0;
    runningTicks_ = 0;
    beatUnit_ = 3;
    now_ = t;
    started_ = true;
    playBar_ = b;
    tickInBar_ = t;
    startBar_ = b;
    startTick_ = t;
    tempo_ = startBar ? startBar->GetTempo() : 12000;
    if (midi_ && startBar) midi_->SetTempo(tempo_, bars_[std::size_t(b)].numerator, bars_[std::size_t(b)].denominator);
    barLength_ = startBar ? bars_[std::size_t(b)].length : 1920;
    beatLength_ = startBar ? bars_[std::size_t(b)].beatLength : 480;
    firstTrack_ = firstTrack;
    lastTrack_ = lastTrack;
    // 4. The track states.
    for (TrackPlayState& s : states_) s.Clear();
    const int tracks = score ? std::min<int>(score->GetTrackCount(), kMaxTracks) : 0;
    for (int i = 0; i < tracks; ++i) {
        CTrack* track = score->GetTrack(i);
        TrackPlayState& s = states_[i];
        s.track = std::uint8_t(i);
        s.voiceCount = std::int16_t(track->GetVoiceCount());
        s.grandStaffTop = track->IsGrandStaffTop() && i + 1 < tracks;
        s.notTablature = track->IsTablatureStaff() ? 0 : 1;
        s.recordReplace = (track->GetTrackFlags() & 0x80) != 0;
        s.clef = track->GetClef();
        s.key = track->GetKey();
        for (int v = 0; v < 8; ++v) {
            s.voicePort[v] = s.voicePortSet[v] = std::int16_t(track->GetDevice());
            s.voiceChannel[v] = s.voiceChannelSet[v] = std::uint8_t(track->GetVoiceChannel(v) & 15);
            s.patch[v] = track->GetVoicePatch(v);
            s.transpose[v] = std::int8_t(track->GetVoiceTranspose(v));
            s.program[v] = track->GetVoiceProgram(v);
            s.keySwitchBase[v] = VSTDeviceDefs::GetKeySwitchBase(track->GetVoiceDefName(v));
        }
    }
    score->UpdateMuteSolo();
    RefreshVoicePlay();
    // 5-7. The pool, the channels, the chase.
    pool_.Reset();
    barsAhead_ = 0;
    if (prepare) SetupChannels(firstTrack, lastTrack);
    if (chase && (b != 0 || t != 0)) this->chase();
    // 8. Generation from the start bar's first item.
    generationEnded_ = barCount == 0;
    genBar_ = b;
    genBarStart_ = 0;
    genTarget_ = 0;
    genTrack_ = 0;
    std::fill(std::begin(resume_), std::end(resume_), 0);
    ringIndex_ = 0;
    RecordPosition(b, -t);
    generating_ = false;
    publishPosition();
    // 9-10.
    if (prepare) GenerateAhead(1920);
    if (midi_) midi_->SendRealtime(sync, clockCounter_ == 0 ? 0xFA : 0xFB);
}

void Performer::RefreshVoicePlay() {
    if (!score_) return;
    const int tracks = std::min<int>(score_->GetTrackCount(), kMaxTracks);
    for (int i = 0; i < tracks; ++i) {
        TrackPlayState& s = states_[i];
        if (!s.notTablature) continue;
        CTrack* track = score_->GetTrack(i);
        bool any = false;
        for (int v = 0; v < 8; ++v) {
            const bool plays = v < track->GetVoiceCount() && track->IsVoiceAudible(v);
            s.voicePlays[v] = plays;
            any = any || plays;
        }
        s.plays = any && (track->GetTrackFlags() & 0x10) != 0;
    }
    // A voice muted while its note sounds is silenced at once: the clock comes now.
    if (midi_) midi_->WakeClock();
}

void Performer::PlayOnly(int track) {
    for (int i = 0; i <= kMaxTracks; ++i)
        if (i != track) states_[i].plays = 0;
}

void Performer::TrackPortChanged(int track, int port) {
    if (track < 0 || track >= kMaxTracks) return;
    std::lock_guard<std::recursive_mutex> lock(playLock_);
    TrackPlayState& s = states_[track];
    for (int v = 0; v < 8; ++v) {
        if (s.voicePortSet[v] == s.voicePort[v]) s.voicePortSet[v] = std::int16_t(port);
        s.voicePort[v] = std::int16_t(port);
    }
}

void Performer::SetupChannels(int first, int last) {
    if (!score_ || !midi_) return;
    struct Entry {
        int key;
        std::int32_t patch = -1;
        int volume = -1, controller = 7, pan = -1000;
    };
    // Every pair a score can name (64 tracks x 8 voices) has room.
    std::vector<Entry> entries;
    entries.reserve(512);
    const int tracks = std::min<int>(score_->GetTrackCount(), kMaxTracks);
    for (int i = std::max(first, 0); i <= last && i < tracks; ++i) {
        CTrack* track = score_->GetTrack(i);
        const int voices = std::max(1, track->GetVoiceCount());
        for (int v = 0; v < voices && v < 8; ++v) {
            const int key = track->GetDevice() * 256 + (track->GetVoiceChannel(v) & 15);
            auto it = std::find_if(entries.begin(), entries.end(), [key](const Entry& e) { return e.key == key; });
            if (it == entries.end()) {
                entries.push_back(Entry{key});
                it = entries.end() - 1;
            }
            const std::int32_t patch = track->GetVoicePatch(v);
            states_[i].patch[v] = patch;
            const int volume = track->GetVoiceVolume(v);
            if (patch != -1) it->patch = patch;
            if (volume != 0xFF) {
                it->volume = volume;
                it->controller = track->VolumeControllerToSend(v);
            }
            it->pan = track->GetVoicePan(v);
        }
    }
    for (const Entry& e : entries) {
        const int port = e.key >> 8, channel = e.key & 255;
        if (e.patch != -1) midi_->SendPatch(port, channel, e.patch, 0);
        if (e.pan != -1000) midi_->SendMessage3(port, 0xB0 + channel, 10, std::clamp(e.pan + 64, 0, 127));
        if (e.volume >= 0 && e.controller >= 0) midi_->SendMessage3(port, 0xB0 + channel, e.controller, e.volume & 127);
    }
}

bool Performer::insert(const PerfEvent& e) {
    if (!pool_.Insert(e)) return false;
    inserted_ = true;
    return true;
}

bool Performer::insertBarMarker(int time, int param) {
    PerfEvent e{};
    e.time = time;
    e.kind = kEventBarMarker;
    e.param = param;
    return insert(e);
}

void Performer::GenerateAhead(int n) {
    if (!score_ || generationEnded_ || barsAhead_ >= 3) return;
    if (generating_.exchange(true)) return;
    genTarget_ += n;
    std::unique_lock<std::recursive_mutex> lock;
    if (!oneThread_) {
        lock = std::unique_lock<std::recursive_mutex>(playLock_, std::try_to_lock);
        if (!lock.owns_lock()) {  // an edit holds the score: the next pass catches up
            generating_ = false;
            return;
        }
    }
    inserted_ = false;
    // Events made on another thread than the clock's may fall due before the clock's next call.
    struct WakeAfter {
        Performer& p;
        ~WakeAfter() {
            if (p.inserted_ && p.midi_) p.midi_->WakeClock();
        }
    } wakeAfter{*this};
    // Bars removed under the play (an edit, an undo) leave the generation bar behind the
    // score's end, and bars added after the start have no play record: the performance ends
    // there.
    if (genBar_ < 0 || genBar_ >= score_->GetBarCount() || genBar_ >= int(bars_.size())) {
        if (pool_.HasRoom(1)) {
            generationEnded_ = true;
            insertBarMarker(genBarStart_, -1);
            ++barsAhead_;
        }
        generating_ = false;
        return;
    }
    // Room is kept for the bar marker, so a full pool never loses one.
    bool allFinished = true;
    const int tracks = std::min<int>(score_->GetTrackCount(), kMaxTracks);
    for (genTrack_ = 0; genTrack_ < tracks; ++genTrack_) {
        if (walkTrack(genTrack_) == Walk::Stop) {
            generating_ = false;
            return;
        }
        if (resume_[genTrack_] != -1) allFinished = false;
    }
    if (allFinished && resume_[kMaxTracks] == -1 && pool_.HasRoom(1)) {
        std::fill(std::begin(resume_), std::end(resume_), 0);
        const int done = genBar_;
        ++barPasses_[std::size_t(done)];
        genTrack_ = 0;
        genBarStart_ += bars_[std::size_t(done)].length;
        const int next = NextBar(done);
        if (next < 0) generationEnded_ = true;
        else genBar_ = next;
        insertBarMarker(genBarStart_, next);
        ++barsAhead_;
    }
    generating_ = false;
}

Performer::Walk Performer::walkTrack(int track) {
    bar_ = score_->GetBar(genBar_);
    trkBar_ = score_->GetTrkBar(track, genBar_);
    state_ = &states_[track];
    // The bar's own tempo marks, with track 0.
    if (track == 0 && resume_[kMaxTracks] != -1) {
        CBarItem* item = bar_->GetFirstItem();
        const int count = bar_->GetItemCount();
        for (int i = 0; item && i < count; ++i, item = item->NextItem()) {
            const int type = item->TypeCode();
            if (i < resume_[kMaxTracks] || item->IsRemoved() || (type != CTempo::kTypeCode && type != CExpression::kType)) continue;
            if (genBarStart_ + item->TimeField() >= genTarget_ ||
                !(type == CTempo::kTypeCode ? playTempo(item, item->TimeField()) : playExpression(item))) {
                resume_[kMaxTracks] = i;
                return Walk::Stop;
            }
        }
        resume_[kMaxTracks] = -1;
    }
    if (resume_[track] == -1) return Walk::GoOn;
    if (!trkBar_ || !state_->notTablature) {
        resume_[track] = -1;
        return Walk::GoOn;
    }
    auto* run = reinterpret_cast<std::uint8_t*>(trkBar_->GetItems());
    if (!run) {
        resume_[track] = -1;
        return Walk::GoOn;
    }
    const std::uint32_t length = trkBar_->GetRunLength();
    for (std::uint32_t at = std::uint32_t(resume_[track]); at + CBarItem::kSize <= length;) {
        auto* item = reinterpret_cast<CBarItem*>(run + at);
        if (item->TypeCode() == 255 || item->Size() < CBarItem::kSize) break;
        resume_[track] = std::int32_t(at);
        if (!item->IsRemoved()) {
            if (genBarStart_ + item->TimeField() >= genTarget_) return Walk::GoOn;
            // Before the start point only notes are played again (those still sounding); the
            // chase has brought every other item's state.
            const bool chased = genBar_ == startBar_ && genBarStart_ == 0 && item->TimeField() < startTick_ &&
                                item->TypeCode() != CRawNote::kType && item->TypeCode() != 144;
            if (!chased && !playItem(item)) return Walk::Stop;
        }
        at += std::uint32_t(item->Size());
    }
    resume_[track] = -1;
    return Walk::GoOn;
}

bool Performer::playItem(CBarItem* item) {
    switch (item->TypeCode()) {
        case CRawNote::kType:
        case 144:
            return playNote(item);
        case CDynamic::kType:
            return playDynamic(item);
        case CCresc::kType:
            return playHairpin(item);
        case CExpression::kType:
            return playExpression(item);
        case CLyric::kTypeCode:
            return playLyric(item);
        case CSymbol::kTypeCode:
            return playSymbol(item);
        case COttava::kTypeCode:
            return playOttava(item);
        case CKeySig::kTypeCode:
            return playKeySignature(item);
        case CGlissando::kType:
            return playGlissando(item);
        case CPedal::kType:
            return playPedal(item);
        case CBend::kType:
            return playBend(item);
        case CSlur::kType:
            return playSlur(item);
        case CGraphic::kBaseType:
        case CGraphic::kRectType:
        case CGraphic::kRoundRectType:
        case CGraphic::kOvalType:
        case CGraphic::kLineType:
        case CGraphic::kCurveType:
        case CGraphic::kWedgeType:
            return playGraphic(item);
        case CHarpPed::kType:
            return playHarpPedal(item);
        case CChord::kType:
            return playChordSymbol(item);
        default:
            if (item->TypeCode() >= 170 && item->TypeCode() <= 175) {
                if (item->FlagsA() & 0x02) return true;
                const int v = item->VoiceField();
                PerfEvent e{};
                e.time = genBarStart_ + item->TimeField();
                e.kind = kEventChannelMessage;
                e.port = state_->voicePortSet[v];
                e.channel = state_->voiceChannelSet[v];
                e.track = state_->track;
                e.voice = std::uint8_t(v);
                e.data1 = std::uint8_t((item->TypeCode() - 160) * 16);
                e.data2 = static_cast<CData*>(static_cast<CScoreItem*>(item))->GetDataByte1() & 127;
                e.data3 = static_cast<CData*>(static_cast<CScoreItem*>(item))->GetDataByte2() & 127;
                return insert(e);
            }
            return true;  // items whose playback is not built yet make nothing
    }
}

bool Performer::playTempo(CBarItem* item, int time) {
    if (item->FlagsA() & 0x02) return true;
    const CTempo* tempo = static_cast<const CTempo*>(static_cast<CScoreItem*>(item));
    PerfEvent e{};
    e.time = genBarStart_ + time;
    e.kind = kEventTempo;
    e.param = tempo->GetQuarterTempo();
    e.data2 = bar_->GetMeter()->GetNumerator();
    e.data3 = bar_->GetMeter()->GetDenominator();
    beatUnit_ = tempo->GetBeatUnit();
    beatDotted_ = tempo->IsDotted();
    if (!insert(e)) return false;
    if (e.time <= 0) tempo_ = e.param;  // at the start it holds at once
    return true;
}

bool Performer::playDynamic(CBarItem* item) {
    const CDynamic* d = CDynamic::Of(item);
    const int v = item->VoiceField();
    const int position = item->PositionField();
    if (item->FlagsA() & 0x02) {
        // A dynamic marked not to play: no dynamic from its position on.
        LevelRecord& r = state_->levels[TrackPlayState::kDynamic];
        r.voice = d->IsAllVoices() ? -1 : v;
        r.Begin(genBar_, position, -1, 0);
        r.End(32767, 32767, -1);
        return true;
    }
    // A dynamic naming a play channel: the voices sharing this voice's port and channel take
    // that voice's channel.
    if (const int n = d->GetChannelVoice(); n >= 1 && n <= 8) {
        const int port = state_->voicePort[v], channel = state_->voiceChannel[v];
        const std::uint8_t target = state_->voiceChannel[n - 1];
        for (int w = 0; w < 8; ++w)
            if (state_->voicePort[w] == port && state_->voiceChannel[w] == channel) state_->voiceChannelSet[w] = target;
    }
    if (d->GetPlayKind() == CDynamic::kVelocityKind) {
        auto set = [&](TrackPlayState& s) {
            LevelRecord& r = s.levels[TrackPlayState::kDynamic];
            r.voice = d->IsAllVoices() ? -1 : v;
            r.Begin(genBar_, position, d->GetValue(), 0);
            r.End(32767, 32767, d->GetValue());
        };
        set(*state_);
        if (d->IsAllVoices()) {
            const int t = state_->track;
            if (state_->grandStaffTop && t + 1 < kMaxTracks) set(states_[t + 1]);
            else if (t > 0 && states_[t - 1].grandStaffTop && states_[t - 1].plays) set(states_[t - 1]);
        }
        return true;
    }
    // A controller for each distinct port and channel of the voices it reaches, on this track and
    // on its braced partner; the sforzando-piano kinds fall back to the piano level 130 ticks on.
    const std::int32_t start = std::max<std::int32_t>(genBarStart_ + item->TimeField(), now_);
    const int mark = d->GetMark();
    const bool fallBack = mark == 13 || mark == 14;
    const int targets = controllerTargets(v, d->IsAllVoices(), nullptr);
    if (!pool_.HasRoom(std::int16_t(targets * (fallBack ? 2 : 1) + 1))) return false;
    addControllers(start, v, d->IsAllVoices(), d->GetController(), d->GetValue());
    if (fallBack)
        addControllers(start + 130, v, d->IsAllVoices(), d->GetController(),
                       g_preferences.Word(Preferences::kDynamicsVelocities + 2 * kPianoMark));
    return true;
}

int Performer::controllerTargets(int v, bool all, ControllerTarget* out) {
    int keys[32];
    int count = 0;
    TrackPlayState* tracks[2] = {state_, bracedPartner()};
    for (TrackPlayState* s : tracks) {
        if (!s) continue;
        for (int w = 0; w < 8; ++w) {
            if (!all && w != v) continue;
            const int key = s->voicePortSet[w] * 16 + s->voiceChannelSet[w];
            if (std::find(keys, keys + count, key) != keys + count) continue;
            if (out) out[count] = ControllerTarget{s, w};
            keys[count++] = key;
        }
    }
    return count;
}

void Performer::addControllers(std::int32_t time, int v, bool all, int controller, int value) {
    ControllerTarget targets[32];
    const int count = controllerTargets(v, all, targets);
    for (int i = 0; i < count; ++i) {
        const TrackPlayState& s = *targets[i].state;
        const int w = targets[i].voice;
        PerfEvent e{};
        e.time = time < 0 ? 0 : time;
        e.kind = kEventChannelMessage;
        e.port = s.voicePortSet[w];
        e.channel = s.voiceChannelSet[w];
        e.track = s.track;
        e.voice = std::uint8_t(w);
        e.data1 = 0xB0;
        e.data2 = std::uint8_t(controller & 127);
        e.data3 = std::uint8_t(value & 127);
        insert(e);
    }
}

TrackPlayState* Performer::bracedPartner() {
    const int t = state_->track;
    const int tracks = score_ ? std::min<int>(score_->GetTrackCount(), kMaxTracks) : 0;
    if (state_->grandStaffTop && t + 1 < tracks) return &states_[t + 1];
    if (t > 0 && states_[t - 1].grandStaffTop && states_[t - 1].plays) return &states_[t - 1];
    return nullptr;
}

int Performer::voiceTimeBefore(int bar, int voice, int position) {
    // The start of the voice's last note or rest before the position; without one, the position
    // as a share of the bar.
    const int length = bar >= 0 && bar < int(bars_.size()) ? bars_[std::size_t(bar)].length : 1920;
    int found = -1;
    CTrkBar* trkBar = score_->GetTrkBar(state_->track, bar);
    auto* run = trkBar ? reinterpret_cast<std::uint8_t*>(trkBar->GetItems()) : nullptr;
    if (run) {
        const std::uint32_t size = trkBar->GetRunLength();
        for (std::uint32_t at = 0; at + CBarItem::kSize <= size;) {
            auto* item = reinterpret_cast<CBarItem*>(run + at);
            if (item->TypeCode() == 255 || item->Size() < CBarItem::kSize) break;
            at += std::uint32_t(item->Size());
            const int type = item->TypeCode();
            if (item->IsRemoved() || (type != CRawNote::kType && type != 144 && type != 128)) continue;
            if (item->VoiceField() == voice && item->PositionField() < position) found = std::max(found, int(item->TimeField()));
        }
    }
    return found >= 0 ? found : std::min<int>(length, int(std::int64_t(position) * length / 1024));
}

bool Performer::playHairpin(CBarItem* item) {
    if (item->FlagsA() & 0x02) return true;
    const CCresc* h = CCresc::Of(item);
    const int v = item->VoiceField();
    if (h->GetPlayKind() != 0) {
        // Controller messages along the curve: each of the six segments in 2n + 2 steps (n the
        // bars it spans), a message 10 ticks before its step's time whenever the value changes.
        const int bars = std::max<int>(0, h->GetEndBar());
        const std::int32_t start = genBarStart_ + item->TimeField();
        int endBar = genBar_;
        std::int32_t end = genBarStart_;
        for (int b = 0; b < bars && endBar + 1 < int(bars_.size()); ++b) {
            end += bars_[std::size_t(endBar)].length;
            ++endBar;
        }
        end += voiceTimeBefore(endBar, v, h->GetEndPosition());
        const std::int32_t span = std::max<std::int32_t>(0, end - start);
        const int m = 2 * bars + 2;
        std::vector<std::pair<std::int32_t, int>> steps;
        int last = -1;
        for (int k = 0; k < 6 * (m + 1); ++k) {
            const int i = k / (m + 1), j = k % (m + 1);
            const int value = h->GetCurveValue(i) + j * (h->GetCurveValue(i + 1) - h->GetCurveValue(i)) / m;
            if (value == last) continue;
            last = value;
            steps.emplace_back(start + std::int32_t(std::int64_t(k) * span / (6 * (m + 1))) - 10, value);
        }
        const int targets = controllerTargets(v, h->IsAllVoices(), nullptr);
        // A very long curve that could never fit sends what the pool takes.
        if (!pool_.HasRoom(std::int16_t(std::min<std::size_t>(steps.size() * std::size_t(targets) + 1, 2000))))
            return false;
        for (const auto& [time, value] : steps) addControllers(time, v, h->IsAllVoices(), h->GetController(), value);
        return true;
    }
    LevelRecord r;
    r.voice = h->IsAllVoices() ? -1 : v;
    r.Begin(genBar_, item->PositionField(), h->GetCurveValue(0), 0);
    r.End(genBar_ + std::max<int>(0, h->GetEndBar()), h->GetEndPosition(), h->GetCurveValue(6));
    for (int i = 1; i <= 5; ++i) r.value[i] = h->GetCurveValue(i);
    state_->levels[TrackPlayState::kHairpin] = r;
    // Marked all: the braced partner takes the same hairpin (its hairpin record, not its dynamic).
    if (h->IsAllVoices()) {
        const int t = state_->track;
        if (state_->grandStaffTop && t + 1 < kMaxTracks) states_[t + 1].levels[TrackPlayState::kHairpin] = r;
        else if (t > 0 && states_[t - 1].grandStaffTop && states_[t - 1].plays)
            states_[t - 1].levels[TrackPlayState::kHairpin] = r;
    }
    return true;
}

bool Performer::playExpression(CBarItem* item) {
    if (item->FlagsA() & 0x02) return true;
    const CExpression* x = CExpression::Of(item);
    if (x->HasPlayback() && state_) {
        const int v = item->VoiceField();
        const int play = x->GetKeySwitchPitch();
        const std::int32_t at = genBarStart_ + item->TimeField();
        if (play == 0x7E || play == 0x7F) {
            // Doubling on (0x7E) or off (0x7F) for every voice whose next voice sounds elsewhere.
            for (int w = 0; w < 7; ++w) {
                if (state_->voicePortSet[w] == state_->voicePortSet[w + 1] &&
                    state_->voiceChannelSet[w] == state_->voiceChannelSet[w + 1])
                    continue;
                PerfEvent e{};
                e.time = at < 0 ? 0 : at;
                e.kind = kEventDoubling;
                e.track = state_->track;
                e.voice = std::uint8_t(w);
                e.sounding = play == 0x7E ? 1 : 0;
                if (!insert(e)) return false;
            }
        } else if (play > 0 && play < 128) {
            // A key switch, remembered in the mark key-switch memo (its undo goes out at the stop).
            if (!addNote(std::max(at, 0), 10, v, play, 1, keySwitchRelease(v, play), kEventHeldNote)) return false;
            ChannelMemo& memo = state_->markKeySwitch[v & 7];
            memo.port = state_->voicePortSet[v & 7];
            memo.channel = state_->voiceChannelSet[v & 7];
            memo.voice = std::uint8_t(v);
            memo.first = std::uint8_t(play + 1);
            memo.second = std::uint8_t(keySwitchRelease(v, play) + 1);
        }
    }
    if (x->GetKind() == CExpression::kChannelKind) {
        // The voices sharing this voice's port and channel take the named voice's channel.
        const int n = x->GetChannelVoice();
        const int v = item->VoiceField() & 7;
        if (n >= 1 && n <= 8) {
            const int port = state_->voicePort[v], channel = state_->voiceChannel[v];
            const std::uint8_t target = state_->voiceChannel[n - 1];
            for (int w = 0; w < 8; ++w)
                if (state_->voicePort[w] == port && state_->voiceChannel[w] == channel) state_->voiceChannelSet[w] = target;
        }
        return true;
    }
    if (x->GetKind() == CExpression::kPatchKind) return playPatchExpression(item);
    if (x->GetKind() != CExpression::kTempoKind) return true;
    const int first = TempoToQuarterTempo(x->GetStartTempo(), beatUnit_, beatDotted_);
    const int second = TempoToQuarterTempo(x->GetEndTempo(), beatUnit_, beatDotted_);
    const std::int32_t start = genBarStart_ + item->TimeField();
    const int endBars = std::max<int>(0, x->GetEndBar());
    PerfEvent e{};
    e.kind = kEventTempo;
    e.data2 = bar_->GetMeter()->GetNumerator();
    e.data3 = bar_->GetMeter()->GetDenominator();
    if (endBars == 0 && x->GetEndPosition() <= item->PositionField() && first == second) {
        e.time = start;
        e.param = first;
        return insert(e);
    }
    // The span: to the end position in the end bar, less one tick.
    std::int32_t span = 0;
    for (int b = 0; b < endBars && genBar_ + b < int(bars_.size()); ++b) span += bars_[std::size_t(genBar_ + b)].length;
    const int endBar = std::min<int>(genBar_ + endBars, int(bars_.size()) - 1);
    const int endLength = bars_[std::size_t(endBar)].length;
    span += std::min<int>(endLength, std::int64_t(x->GetEndPosition()) * endLength / 1024);
    span -= item->TimeField() + 1;
    if (span < 0) span = 0;
    const int steps = span / 120;
    if (!pool_.HasRoom(std::int16_t(std::min(steps + 2, 32767)))) return false;
    int last = -1;
    for (int k = 0; k <= steps; ++k) {
        // A ramp of no steps divides by nothing: the first tempo alone.
        const int tempo = steps == 0 ? first : first + int(std::int64_t(k) * (second - first) / steps);
        if (tempo == last) continue;
        last = tempo;
        e.time = steps == 0 ? start : start + int(std::int64_t(k) * span / steps);
        e.param = tempo;
        insert(e);
    }
    return true;
}

bool Performer::playPatchExpression(CBarItem* item) {
    // A patch (from the port's definitions, else the instrument names) with its program, or a
    // program alone; then a controller with its value. 0xFF marks a part not sent.
    const CExpression* x = CExpression::Of(item);
    const int v = item->VoiceField() & 7;
    const int program = x->GetPlayByte(0), bank = x->GetPlayByte(1);
    const int value = x->GetPlayByte(2), controller = x->GetPlayByte(3);
    if (!pool_.HasRoom(3)) return false;
    const std::int32_t at = genBarStart_ + item->TimeField();
    if (bank != 0xFF) {
        const int port = state_->voicePortSet[v];
        std::uint32_t word = PortBankWord(port, bank);
        if (program != 0xFF) word = (word & ~0xFFu) | std::uint32_t(program);
        PerfEvent e{};
        e.time = at < 0 ? 0 : at;
        e.kind = kEventPatch;
        e.port = std::int16_t(port);
        e.channel = state_->voiceChannelSet[v];
        e.track = state_->track;
        e.voice = std::uint8_t(v);
        e.param = std::int32_t(word);
        insert(e);
    } else if (program != 0xFF) {
        addMessage(at, v, 0xC0, program, 0);
    }
    if (controller != 0xFF && value != 0xFF) addMessage(at, v, 0xB0, controller, value);
    return true;
}

bool Performer::playGlissando(CBarItem* item) {
    if (item->FlagsA() & 0x02) return true;
    const CGlissando* g = static_cast<const CGlissando*>(static_cast<CScoreItem*>(item));
    // Its start note here or in the bar before, its end note in its end bar (found without the
    // model's finders, whose shared state the clock thread must not touch).
    const int voice = item->VoiceField();
    int startHead = 0, endHead = 0;
    bool fromHere = true;
    CRawNote* from = findGlissNote(genBar_, voice, item->PositionField(), g->StartY(), g->StartStaffOffset(),
                                   NoteHead::kGlissStart, &startHead);
    if (!from && genBar_ > 0) {
        from = findGlissNote(genBar_ - 1, voice, item->PositionField(), g->StartY(), g->StartStaffOffset(),
                             NoteHead::kGlissStart, &startHead);
        fromHere = false;
    }
    CRawNote* to = findGlissNote(genBar_ + std::max<int>(0, g->EndBarOffset()), voice, g->EndPositionField(), g->EndY(),
                                 g->EndStaffOffset(), NoteHead::kGlissEnd, &endHead);
    if (!from || !to || startHead >= from->HeadCountField() || endHead >= to->HeadCountField()) return true;
    const NoteHead* head = from->Head(startHead);
    const int first = head->Pitch(), last = to->Head(endHead)->Pitch();
    if (first == last) return true;
    const bool up = first < last;
    const int dir = up ? 1 : -1;
    // The start note's time in this bar (before it when it lies in the bar before).
    std::int32_t startTime = from->TimeField();
    if (!fromHere && genBar_ > 0) startTime -= bars_[std::size_t(genBar_ - 1)].length;
    std::int32_t duration = to->TimeField() - startTime;
    for (int b = 0; b < g->EndBarOffset() && genBar_ + b < int(bars_.size()); ++b) duration += bars_[std::size_t(genBar_ + b)].length;
    if (duration <= 0) return true;
    // The pitches it sweeps, from the start pitch towards (not onto) the end pitch.
    std::vector<int> pitches;
    const int kind = g->Whole() ? g->PlayKind() : 0;
    if (kind == 1 || kind == 3) {
        for (int p = first; p != last; p += dir) {
            if (kind == 3 && std::find(std::begin(state_->harpStrings), std::end(state_->harpStrings), p % 12) ==
                                 std::end(state_->harpStrings))
                continue;
            pitches.push_back(p);
        }
    } else {
        const int key = kind == 2 ? 0 : state_->key;
        pitches.push_back(first);
        for (int pos = head->Position() + dir; pitches.size() < 128; pos += dir) {
            const int p = CTheory::StaffPosToPitch(pos, state_->clef, key);
            if (up ? p >= last : p <= last) break;
            if (up ? p > pitches.back() : p < pitches.back()) pitches.push_back(p);
        }
    }
    const int count = int(pitches.size());
    if (count == 0) return true;
    const int v = voice;
    const int transpose = state_->transpose[v & 7];
    const std::int32_t start = genBarStart_ + startTime;
    for (int i = 0; i < count; ++i) {
        const std::int32_t offset = std::int32_t(std::int64_t(i) * duration / count);
        // The step's own bar and position for its velocity.
        int bar = genBar_;
        std::int32_t inBar = startTime + offset;
        while (bar + 1 < int(bars_.size()) && inBar >= bars_[std::size_t(bar)].length) inBar -= bars_[std::size_t(bar++)].length;
        const int length = bars_.empty() ? 1920 : bars_[std::size_t(bar)].length;
        const int position = int(std::int64_t(std::max(inBar, 0)) * 1024 / std::max(length, 1));
        const int velocity = noteVelocity(*state_, bar, position, v, inBar, head->Byte(NoteHead::kVelocity));
        addNote(start + offset, std::max(1, duration / count - 1), v, pitches[std::size_t(i)] + transpose + ottavaShift(*state_, bar, position),
                velocity, head->Byte(NoteHead::kRelease), kEventNote);  // never fails: a full pool drops a step
    }
    return true;
}

bool Performer::SettingAsksForAnything(const MarkPlayback& pb) {
    // A key switch alone needs its controllers, its play voice or its own flags.
    const int flags = pb.GetSetting(0);
    const bool keySwitch = pb.GetSetting(2) || pb.GetSetting(3);
    const bool controllers = pb.GetSetting(4) || pb.GetSetting(5);
    const bool anything = flags || keySwitch || controllers || pb.GetSetting(1) || pb.GetSetting(13) || pb.GetSetting(14);
    return anything && !(keySwitch && !controllers && !pb.GetSetting(1) && !flags);
}

void Performer::spanEnd(int endBars, int fraction, int* endBar, std::int32_t* endInBar, std::int32_t* end) const {
    int b = genBar_;
    std::int32_t offset = 0;
    for (int k = 0; k < endBars && b + 1 < int(bars_.size()); ++k) offset += bars_[std::size_t(b++)].length;
    const int length = bars_[std::size_t(b)].length;
    *endBar = b;
    *endInBar = std::clamp<std::int32_t>(std::int32_t(std::int64_t(fraction) * length / 1024), 0, length);
    *end = genBarStart_ + offset + *endInBar;
}

bool Performer::playPedal(CBarItem* item) {
    if (item->FlagsA() & 0x02) return true;
    const CPedal* pedal = static_cast<const CPedal*>(static_cast<CScoreItem*>(item));
    MarkPlayback pb{};
    if (!pedal->GetPlayback(pb.bytes) || !SettingAsksForAnything(pb)) return true;
    const int v = item->VoiceField() & 7;
    // The span: from its time to its end position in its end bar.
    const std::int32_t startInBar = item->TimeField();
    int endBar = 0;
    std::int32_t endInBar = 0, end = 0;
    spanEnd(pedal->EndBarOffset(), pedal->EndPositionField(), &endBar, &endInBar, &end);
    applySetting(pb, v, genBar_, startInBar, endBar, endInBar, genBarStart_ + startInBar, end, true, true);
    return true;  // never fails: a full pool drops a message
}

bool Performer::playGraphic(CBarItem* item) {
    if (item->FlagsA() & 0x02) return true;
    const CGraphic* g = CGraphic::Of(item);
    MarkPlayback pb{};
    g->GetPlayback(pb.bytes);
    if (!SettingAsksForAnything(pb)) return true;
    const int v = item->VoiceField() & 7;
    // Its span: from its time to its end position, its end bar distance bars on.
    const std::int32_t startInBar = item->TimeField();
    int endBar = 0;
    std::int32_t endInBar = 0, end = 0;
    spanEnd(std::max(0, g->EndBars()), g->EndPosition(), &endBar, &endInBar, &end);
    applySetting(pb, v, genBar_, startInBar, endBar, endInBar, genBarStart_ + startInBar, end, false, true);
    return true;  // never fails: a full pool drops a message
}

bool Performer::playBend(CBarItem* item) {
    if (item->FlagsA() & 0x02) return true;
    const CBend* bend = static_cast<const CBend*>(static_cast<CScoreItem*>(item));
    const int v = item->VoiceField() & 7;
    MarkPlayback& curve = state_->bendCurve[v];
    if (!bend->GetPlayback(curve.bytes)) return true;
    // Both action offsets become the bend's own time offset; its voice's next note applies it.
    curve.SetSetting(11, std::uint8_t(item->TimeOffsetField()));
    curve.SetSetting(12, std::uint8_t(item->TimeOffsetField()));
    state_->bendPending[v] = 1;
    return true;  // never fails
}

bool Performer::playSlur(CBarItem* item) {
    if (item->FlagsA() & 0x02) return true;
    if (item->RecordSizeField() < CSlur::kSize) return true;  // an older record holds no setting
    const CSlur* slur = static_cast<const CSlur*>(static_cast<CScoreItem*>(item));
    MarkPlayback pb{};
    std::memcpy(pb.bytes, slur->Bytes() + CSlur::kPlayback, CSlur::kPlaybackSize);
    // Enabled: a first byte and a play voice, no key switch, or controllers (the voice's sound
    // has no legato of its own without device definitions).
    const bool enabled = pb.GetSetting(0) && (pb.GetSetting(1) || !pb.GetSetting(2) || pb.GetSetting(4) || pb.GetSetting(5));
    if (!enabled) return true;
    const int v = item->VoiceField() & 7;
    // A play voice makes the voice's next note copied, legato, to that voice with the start key
    // switch; both leave the action.
    if (const int playVoice = pb.GetSetting(1); playVoice >= 1 && playVoice <= 8) {
        state_->legatoVoice[v] = std::uint8_t(playVoice);
        state_->legatoKeySwitch[v] = pb.GetSetting(2);
        pb.SetSetting(1, 0);
        pb.SetSetting(2, 0);
    }
    // Its span: to the voice's last note before its end position in its end bar, moved by its
    // end adjustment.
    const std::int32_t startInBar = item->TimeField();
    int endBar = 0;
    std::int32_t endInBar = 0, end = 0;
    spanEnd(std::max(0, int(slur->EndBarOffset())), slur->EndPositionField(), &endBar, &endInBar, &end);
    const std::int32_t voiceEnd = voiceTimeBefore(endBar, v, slur->EndPositionField());
    end += voiceEnd - endInBar + slur->Word(CSlur::kEndTimeAdjust);
    endInBar = voiceEnd;
    applySetting(pb, v, genBar_, startInBar, endBar, endInBar, genBarStart_ + startInBar, std::max(end, genBarStart_ + startInBar),
                 false, true);
    return true;  // never fails
}

void Performer::applySetting(const MarkPlayback& pb, int v, int startBar, int startInBar, int endBar, int endInBar,
                             std::int32_t start, std::int32_t end, bool liftSustain, bool itemAction) {
    const int flags = pb.GetSetting(0);
    // A play voice: the voice's notes over the span play on that voice (ticks in their bars).
    if (const int playVoice = pb.GetSetting(1); itemAction && playVoice >= 1 && playVoice <= 8) {
        LevelRecord& r = state_->levels[TrackPlayState::kPlayVoice];
        r.Clear();
        r.voice = v;
        r.Begin(startBar, startInBar, playVoice - 1, 0);
        r.End(endBar, endInBar, playVoice - 1);
    }
    // The velocity change: the mark-modifier record over the span (positions in ticks).
    if (flags & 0x04) {
        const int mode = pb.GetSetting(9), value = pb.GetWord(4);
        if (value != 0 || mode == 0) {
            LevelRecord& r = state_->levels[TrackPlayState::kModifier];
            r.Clear();
            r.voice = v;
            r.Begin(startBar, startInBar, value, mode);
            r.End(endBar, endInBar, value);
            r.mode = mode;
        }
    }
    if (flags & 0x20) AddTempoHold(start, pb.GetSetting(8));
    // The start phase and the end phase, each at its own offset; a sustain pedal (controller 64)
    // lifts at its end when asked.
    for (int phase = 0; phase < 2; ++phase) {
        const std::int32_t at = std::max<std::int32_t>(0, (phase ? end : start) + std::int8_t(pb.GetSetting(11 + phase)));
        int controller = pb.GetSetting(4 + phase), value = pb.GetSetting(6 + phase);
        if (phase == 1 && liftSustain && pb.GetSetting(4) == 65) {
            controller = 65;
            value = 0;
        }
        if (const int ks = pb.GetSetting(2 + phase))
            addNote(at, 10, v, ks - 1, 1, keySwitchRelease(v, ks - 1), kEventHeldNote);
        if (controller) addMessage(at, v, 0xB0, controller - 1, value);
        if (const int program = pb.GetSetting(13 + phase)) addMessage(at, v, 0xC0, program - 1, 0);
    }
}

CRawNote* Performer::findGlissNote(int bar, int voice, int position, int staffPos, int cross, std::uint8_t flag, int* head) {
    if (bar < 0 || bar >= int(bars_.size())) return nullptr;
    CTrkBar* trkBar = score_->GetTrkBar(state_->track, bar);
    auto* run = trkBar ? reinterpret_cast<std::uint8_t*>(trkBar->GetItems()) : nullptr;
    if (!run) return nullptr;
    const std::uint32_t length = trkBar->GetRunLength();
    for (std::uint32_t at = 0; at + CBarItem::kSize <= length;) {
        auto* item = reinterpret_cast<CBarItem*>(run + at);
        if (item->TypeCode() == 255 || item->Size() < CBarItem::kSize) break;
        at += std::uint32_t(item->Size());
        const int type = item->TypeCode();
        if (item->IsRemoved() || (type != CRawNote::kType && type != 144) || item->VoiceField() != voice ||
            item->PositionField() != position)
            continue;
        auto* note = static_cast<CRawNote*>(static_cast<CScoreItem*>(item));
        for (int h = 0; h < note->HeadCountField(); ++h) {
            const NoteHead* n = note->Head(h);
            if (n->Position() == staffPos && (std::int8_t(n->Byte(NoteHead::kStaffByte)) >> 5) == cross &&
                (n->Byte(NoteHead::kLinkByte) & flag)) {
                *head = h;
                return note;
            }
        }
    }
    return nullptr;
}

bool Performer::playHarpPedal(CBarItem* item) {
    if (item->FlagsA() & 0x02) return true;
    const CHarpPed* pedals = static_cast<const CHarpPed*>(static_cast<CScoreItem*>(item));
    for (int i = 0; i < CHarpPed::kPedalCount; ++i) state_->harpStrings[i] = std::int8_t(pedals->GetPitchClass(i));
    return true;
}

bool Performer::playChordSymbol(CBarItem* item) {
    if (item->FlagsA() & 0x02) return true;
    const CChord* chord = CChord::Of(item);
    const CChordLib* lib = g_platform.chordLib;
    const std::uint8_t* record = lib ? lib->FindDefinition(chord->GetKey()) : nullptr;
    if (!record) return true;  // a chord the library does not define plays nothing
    const CSuffix* entry = CSuffix::Of(reinterpret_cast<const CScoreItem*>(record));
    const int v = item->VoiceField() & 7;
    // An untransposed voice sounds the chord from C3, a transposed one from C4.
    const int base = state_->transpose[v] == 0 ? 48 : 60;
    const int root = chord->GetRootPitch(0);
    int pitches[CSuffix::kMaxNotes + 1] = {};
    int count = entry->GetNoteCount();
    for (int i = 0; i < count; ++i) pitches[i] = base + root + entry->GetInterval(i);
    // A slash bass of another pitch class is one more note, the last, below the root.
    if (chord->HasBass()) {
        int bass = chord->GetBassPitch(0);
        if (((bass - root) % 12 + 12) % 12 != 0) {
            if (bass > root) bass -= 12;
            pitches[count++] = base + bass;
        }
    }
    if (count == 0) return true;
    // The whole chord or none of it: with no room it is generated on a later pass.
    if (!pool_.HasRoom(std::int16_t(count + 1))) return false;
    const int start = genBarStart_ + item->TimeField();
    const int first = chord->GetFirstOffset(), last = chord->GetLastOffset();
    for (int i = 0; i < count; ++i)
        addNote(start + first + MulDiv(i, last - first, count), chord->GetDuration(), v, pitches[i],
                chord->GetVelocity(), 80, kEventNote);
    return true;
}

namespace {
constexpr int kOneBarRepeat = 0x8D, kTwoBarRepeat = 0x8E;

bool IsRepeatSign(CBarItem* item, int code) {
    if (item->IsRemoved() || item->TypeCode() != CSymbol::kTypeCode) return false;
    const CSymbol* symbol = static_cast<const CSymbol*>(static_cast<CScoreItem*>(item));
    return symbol->IsMusicFont() && symbol->GetCharacter() == code;
}
}  // namespace

bool Performer::barHasRepeatSign(int track, int bar, int code) {
    CTrkBar* trkBar = score_->GetTrkBar(track, bar);
    auto* run = trkBar ? reinterpret_cast<std::uint8_t*>(trkBar->GetItems()) : nullptr;
    if (!run) return false;
    const std::uint32_t length = trkBar->GetRunLength();
    for (std::uint32_t at = 0; at + CBarItem::kSize <= length;) {
        auto* item = reinterpret_cast<CBarItem*>(run + at);
        if (item->TypeCode() == 255 || item->Size() < CBarItem::kSize) break;
        if (IsRepeatSign(item, code)) return true;
        at += std::uint32_t(item->Size());
    }
    return false;
}

void Performer::replayBar(int source, std::int32_t start) {
    CTrkBar* trkBar = score_->GetTrkBar(state_->track, source);
    auto* run = trkBar ? reinterpret_cast<std::uint8_t*>(trkBar->GetItems()) : nullptr;
    if (!run) return;
    CTrkBar* savedTrkBar = trkBar_;
    const std::int32_t savedStart = genBarStart_;
    trkBar_ = trkBar;
    genBarStart_ = start;
    const std::uint32_t length = trkBar->GetRunLength();
    for (std::uint32_t at = 0; at + CBarItem::kSize <= length;) {
        auto* item = reinterpret_cast<CBarItem*>(run + at);
        if (item->TypeCode() == 255 || item->Size() < CBarItem::kSize) break;
        at += std::uint32_t(item->Size());
        if (item->IsRemoved() || item->TypeCode() == CSymbol::kTypeCode) continue;
        playItem(item);  // an event with no room is dropped
    }
    trkBar_ = savedTrkBar;
    genBarStart_ = savedStart;
}

bool Performer::playSymbol(CBarItem* item) {
    if (item->FlagsA() & 0x02) return true;
    const int track = state_->track;
    if (IsRepeatSign(item, kOneBarRepeat) && genBar_ >= 1) {
        // The written bar it repeats: back over a chain of one-bar repeats, without recursion.
        int source = genBar_ - 1;
        while (source > 0 && barHasRepeatSign(track, source, kOneBarRepeat)) --source;
        if (!barHasRepeatSign(track, source, kOneBarRepeat)) replayBar(source, genBarStart_);
    } else if (IsRepeatSign(item, kTwoBarRepeat) && genBar_ >= 2) {
        replayBar(genBar_ - 2, genBarStart_);
        replayBar(genBar_ - 1, genBarStart_ + bars_[std::size_t(genBar_ - 2)].length);
    }
    // Its playback setting at its time: a voice's channel taken by the voices sharing this one's,
    // then the setting's actions (both phases at its time and their offsets).
    MarkPlayback pb{};
    if (!static_cast<const CSymbol*>(static_cast<CScoreItem*>(item))->GetPlayback(pb.bytes)) return true;
    const int v = item->VoiceField() & 7;
    if (const int n = pb.GetSetting(1); n >= 1 && n <= 8) {
        const int port = state_->voicePort[v], channel = state_->voiceChannel[v];
        const std::uint8_t target = state_->voiceChannel[n - 1];
        for (int w = 0; w < 8; ++w)
            if (state_->voicePort[w] == port && state_->voiceChannel[w] == channel) state_->voiceChannelSet[w] = target;
    }
    const std::int32_t time = item->TimeField();
    applySetting(pb, v, genBar_, time, genBar_, time, genBarStart_ + time, genBarStart_ + time, false);
    return true;  // never fails: a full pool drops a message
}

bool Performer::playOttava(CBarItem* item) {
    if (item->FlagsA() & 0x02) return true;
    const COttava* ottava = static_cast<const COttava*>(static_cast<CScoreItem*>(item));
    LevelRecord& r = state_->levels[TrackPlayState::kOttava];
    // A record that only continues the line while the ottava is in force changes nothing.
    if (ottava->IsStart() || !r.Active()) {
        r.Clear();
        r.Begin(genBar_, item->PositionField(), ottava->GetShift(), 0);
        r.End(32767, 32767, ottava->GetShift());
    }
    if (ottava->IsEnd()) r.End(genBar_, rec::Get<std::int16_t>(item, COttava::kEndPosition), ottava->GetShift());
    return true;
}

bool Performer::playKeySignature(CBarItem* item) {
    if (item->FlagsA() & 0x02) return true;
    PerfEvent e{};
    e.time = genBarStart_ + item->TimeField();
    e.kind = kEventKeySignature;
    e.track = state_->track;
    e.data1 = static_cast<const CKeySig*>(static_cast<CScoreItem*>(item))->GetKey();
    insert(e);  // never fails: a full pool drops it
    return true;
}

bool Performer::playLyric(CBarItem* item) {
    if (item->FlagsA() & 0x02) return true;
    const CLyric* lyric = static_cast<const CLyric*>(static_cast<CScoreItem*>(item));
    const char* text = lyric->GetText();
    if (!text || !*text || std::size_t(genBar_) >= barPasses_.size() || lyric->GetVerse() != int(barPasses_[std::size_t(genBar_)]))
        return true;
    // The text goes into the performer's ring of syllables; the event names its slot.
    const int slot = lyricNext_;
    lyricNext_ = (lyricNext_ + 1) % kLyricSlots;
    std::strncpy(lyricTexts_[slot], text, sizeof lyricTexts_[slot] - 1);
    lyricTexts_[slot][sizeof lyricTexts_[slot] - 1] = 0;
    PerfEvent e{};
    e.time = genBarStart_ + item->TimeField();
    e.kind = kEventLyric;
    e.track = state_->track;
    e.voice = std::uint8_t(item->VoiceField());
    e.data2 = lyric->LyricFlags() & 1;
    e.data3 = (lyric->LyricFlags() >> 1) & 1;
    e.param = slot;
    insert(e);
    return true;
}

int Performer::noteVelocity(TrackPlayState& s, int bar, int position, int voice, int time, int base, int mode, int value) {
    const LevelRecord& modifier = s.levels[TrackPlayState::kModifier];
    if (modifier.Active() && modifier.AppliesTo(voice) && modifier.Covers(bar, time)) {
        mode = modifier.mode;
        value = modifier.value[0];
    }
    int velocity = base;
    const LevelRecord& dynamic = s.levels[TrackPlayState::kDynamic];
    if (dynamic.Active() && dynamic.AppliesTo(voice) && dynamic.Covers(bar, position) && dynamic.value[0] >= 0)
        velocity = dynamic.value[0];
    const LevelRecord& hairpin = s.levels[TrackPlayState::kHairpin];
    if (hairpin.Active() && hairpin.AppliesTo(voice) && hairpin.Covers(bar, position))
        velocity = hairpin.Interpolate(bar, position);
    if (value != 0) {
        if (mode == 0) velocity += value;
        else if (mode == 1) velocity = value;
        else velocity = velocity * value / 100;
    }
    return std::clamp(velocity, 1, 127);
}

int Performer::ottavaShift(TrackPlayState& s, int bar, int position) const {
    const LevelRecord& r = s.levels[TrackPlayState::kOttava];
    return r.Active() && r.Covers(bar, position) ? r.value[0] : 0;
}

namespace {
// What a note's marks ask of it.
struct NoteMarks {
    bool offsets = false;
    int startOffset = 0, endOffset = 0;
    int lengthPercent = -1;
    int velocityMode = 0, velocityValue = 0;
    int playVoice = -1;
    int forcedStrokes = 0;
    int ornament = -1, variant = 0;
    bool inverted = false;
    int upperShift = -100;  // codes 12-14: the plain staff step above, moved by -1, 0 or +1
    bool usedMemo[3] = {};
};

// The ornaments' notes: pitch (0 main, 1 upper, 2 lower) and share, over the divisor.
struct OrnamentShape {
    int count;
    int pitch[5];
    int share[5];
    int divisor;
};
constexpr OrnamentShape kTurns[4] = {
    {4, {1, 0, 2, 0}, {1, 1, 1, 1}, 4},
    {5, {0, 1, 0, 2, 0}, {4, 1, 1, 1, 1}, 8},
    {4, {0, 1, 0, 2}, {3, 1, 1, 1}, 6},
    {4, {1, 0, 2, 0}, {1, 1, 1, 5}, 8},
};
constexpr OrnamentShape kShortOrnaments[2] = {
    {3, {0, 1, 0}, {1, 1, 6}, 8},
    {5, {0, 1, 0, 1, 0}, {1, 1, 1, 1, 4}, 8},
};
}  // namespace

bool Performer::addNote(int time, int length, int v, int pitch, int velocity, int release, std::uint8_t kind) {
    if (pitch < 0 || pitch > 127) return true;
    PerfEvent e{};
    e.time = time < 0 ? 0 : time;
    e.kind = kind;
    e.port = state_->voicePortSet[v & 7];
    e.channel = state_->voiceChannelSet[v & 7];
    e.track = state_->track;
    e.voice = std::uint8_t(v & 7);
    e.data1 = std::uint8_t(pitch);
    e.data2 = std::uint8_t(std::clamp(velocity, 1, 127));
    e.data3 = std::uint8_t(release & 127);
    e.param = time + std::max(length, 1);
    return insert(e);
}

bool Performer::addMessage(int time, int v, int status, int data1, int data2) {
    PerfEvent e{};
    e.time = time < 0 ? 0 : time;
    e.kind = kEventChannelMessage;
    e.port = state_->voicePortSet[v & 7];
    e.channel = state_->voiceChannelSet[v & 7];
    e.track = state_->track;
    e.voice = std::uint8_t(v & 7);
    e.data1 = std::uint8_t(status & 0xF0);
    e.data2 = std::uint8_t(data1 & 127);
    e.data3 = std::uint8_t(data2 & 127);
    return insert(e);
}

void Performer::AddTempoHold(int time, int length) {
    if (length == 0) return;
    PerfEvent e{};
    e.time = time < 0 ? 0 : time;
    e.kind = kEventTempoHold;
    e.param = time + length;
    e.data2 = bar_ ? bar_->GetMeter()->GetNumerator() : 4;
    e.data3 = bar_ ? bar_->GetMeter()->GetDenominator() : 4;
    insert(e);
}

int Performer::keySwitchRelease(int v, int key) const {
    const int base = state_->keySwitchBase[v & 7];
    return base >= 0 ? base : key - key % 12;
}

bool Performer::playNote(CBarItem* item) {
    if (item->FlagsA() & 0x02) return true;  // not played
    auto* note = static_cast<CRawNote*>(static_cast<CScoreItem*>(item));
    const int heads = note->HeadCountField();
    if (heads <= 0) return true;
    if (!pool_.HasRoom(std::int16_t(heads + 1))) return false;  // the last node stays for a bar marker
    TrackPlayState& s = *state_;
    const int v = item->VoiceField();
    const int time = item->TimeField();
    std::int32_t start = genBarStart_ + time;
    const int style = score_->playbackStyle;
    // Swing: an eighth off the beat in a meter of quarter beats (or a compound meter).
    const Meter* meter = bar_->GetMeter();
    const bool compound = meter->GetNumerator() % 3 == 0 && meter->GetDenominator() == 8 && meter->GetNumerator() > 3;
    const int beat = compound ? 480 : std::max<int>(1, meter->GetTicksPerBeat());
    const bool swung = style == 1 && note->NoteValue() == 4 && (meter->GetDenominator() == 4 || compound) && time % beat != 0;
    const bool firstBar = genBar_ == startBar_ && genBarStart_ == 0;

    // The marks, each applied from its own playback setting.
    NoteMarks m;
    int markCount = 0;
    while (markCount < note->MarkCount() && note->GetMark(markCount)) ++markCount;
    // A pending bend of the voice is walked last, as one more mark, and is then done.
    const bool bent = s.bendPending[v & 7] != 0;
    s.bendPending[v & 7] = 0;
    for (int i = 0; i < markCount + (bent ? 1 : 0); ++i) {
        const NoteMark* mark = i < markCount ? note->GetMark(i) : nullptr;
        const MarkPlayback& pb = mark ? mark->Playback() : s.bendCurve[v & 7];
        const int flags = pb.GetSetting(0);
        if (pb.GetSetting(1)) m.playVoice = (pb.GetSetting(1) - 1) & 7;
        const int placement = mark ? (mark->Flags() >> 4) & 3 : 2;
        if (flags & 0x01) {
            int a = pb.GetWord(1), b = pb.GetWord(2);
            if (mark && placement != 2 && (placement == 1 || !note->IsStemUp())) std::swap(a, b);
            const int low = std::min(a, b);
            if (start + low < 0) {
                a -= start + low;
                b -= start + low;
            }
            m.offsets = true;
            m.startOffset = a;
            m.endOffset = b;
        }
        if (flags & 0x02) m.lengthPercent = pb.GetWord(3);
        if (flags & 0x04) {
            m.velocityMode = pb.GetSetting(9);
            m.velocityValue = pb.GetWord(4);
        }
        const int actionAt = start + std::int8_t(pb.GetSetting(11));
        if (flags & 0x20) AddTempoHold(actionAt, pb.GetSetting(8));
        // A key switch, controller or program: sent unless the voice has it in force already.
        const int voice = m.playVoice >= 0 ? m.playVoice : v;
        if (const int ks = pb.GetSetting(2)) {
            ChannelMemo& memo = s.voiceKeySwitch[v & 7];
            m.usedMemo[0] = true;
            if (!(memo.first == ks && memo.port == s.voicePortSet[voice] && memo.channel == s.voiceChannelSet[voice] &&
                  memo.voice == voice)) {
                addNote(std::max(actionAt, 0), 10, voice, ks - 1, 1, keySwitchRelease(voice, ks - 1), kEventHeldNote);
                memo.port = s.voicePortSet[voice];
                memo.channel = s.voiceChannelSet[voice];
                memo.voice = std::uint8_t(voice);
                memo.first = std::uint8_t(ks);
                memo.second = pb.GetSetting(3) ? pb.GetSetting(3) : std::uint8_t(keySwitchRelease(voice, ks - 1) + 1);
            }
        }
        if (const int controller = pb.GetSetting(4)) {
            ChannelMemo& memo = s.voiceController[v & 7];
            m.usedMemo[2] = true;
            const int value = pb.GetSetting(6);
            if (!(memo.first == controller && memo.second == pb.GetSetting(7) + 1 && memo.voice == voice)) {
                addMessage(std::max(actionAt, 0), voice, 0xB0, controller - 1, value);
                memo.port = s.voicePortSet[voice];
                memo.channel = s.voiceChannelSet[voice];
                memo.voice = std::uint8_t(voice);
                memo.first = std::uint8_t(controller);
                memo.second = std::uint8_t(pb.GetSetting(7) + 1);
                s.controllerRestore[memo.channel & 15] = memo;
            }
        }
        if (const int program = pb.GetSetting(13)) {
            ChannelMemo& memo = s.voiceProgram[v & 7];
            m.usedMemo[1] = true;
            if (!(memo.first == program && memo.voice == voice)) {
                addMessage(std::max(actionAt, 0), voice, 0xC0, program - 1, 0);
                memo.port = s.voicePortSet[voice];
                memo.channel = s.voiceChannelSet[voice];
                memo.voice = std::uint8_t(voice);
                memo.first = std::uint8_t(program);
                memo.second = pb.GetSetting(14) ? pb.GetSetting(14) : std::uint8_t((s.program[voice] & 127) + 1);
                s.programRestore[memo.channel & 15] = memo;
            }
        }
        if (const int strokes = std::int8_t(pb.GetSetting(10))) {
            m.forcedStrokes = strokes;
        } else if (!mark) {
            continue;
        } else if (mark->Code() >= 3 && mark->Code() <= 6 && heads == 1 && placement != 2 && placement != 3) {
            m.ornament = mark->Code();
            m.variant = (mark->Flags() >> 6) & 3;
            m.inverted = (mark->Flags() & 0x10) != 0;
        } else if (mark->Code() == 12 || mark->Code() == 14 || mark->Code() == 13) {
            m.upperShift = mark->Code() == 12 ? -1 : mark->Code() == 14 ? 0 : 1;
        }
    }
    // Memos this note did not use are undone 15 ticks before it (a forced tremolo undoes all).
    ChannelMemo* memos[3] = {&s.voiceKeySwitch[v & 7], &s.voiceProgram[v & 7], &s.voiceController[v & 7]};
    for (int k = 0; k < 3; ++k) {
        ChannelMemo& memo = *memos[k];
        if (!memo.first || (m.usedMemo[k] && m.forcedStrokes == 0)) continue;
        const int at = start - 15;
        const int voice = memo.voice & 7;
        if (k == 0) addNote(std::max(at, 0), 10, voice, (memo.second - 1) & 127, 1, keySwitchRelease(voice, memo.second - 1), kEventHeldNote);
        else if (k == 1) addMessage(at, voice, 0xC0, (memo.second - 1) & 127, 0);
        else addMessage(at, voice, 0xB0, (memo.first - 1) & 127, (memo.second - 1) & 127);
        memo = ChannelMemo{};
    }

    // The voice whose channel and transposition the note uses: an item's play-voice record over
    // the note, else a mark's play voice, else its own.
    int playVoice = m.playVoice >= 0 ? m.playVoice : v;
    if (const LevelRecord& pv = s.levels[TrackPlayState::kPlayVoice]; pv.Active() && pv.AppliesTo(v) && pv.Covers(genBar_, time))
        playVoice = pv.value[0] & 7;
    auto headLength = [&](int h) {
        const NoteHead* head = note->Head(h);
        int length = head->Duration();
        if (head->HasTieStart()) {
            const int tied = tiedLength(note, h);
            if (tied > 0) length = tied - (style == 0 ? head->StartOffset() : 0);
        }
        return std::max(length, 1);
    };
    auto velocityAt = [&](int h, int position, int at) {
        return noteVelocity(s, genBar_, position, v, at, note->Head(h)->Byte(NoteHead::kVelocity), m.velocityMode, m.velocityValue);
    };

    // A tremolo: strokes over the longest head's duration.
    if (m.forcedStrokes != 0) {
        int d = 0;
        for (int h = 0; h < heads; ++h) d = std::max(d, headLength(h));
        int stroke = m.forcedStrokes > 0 ? 480 >> std::min(m.forcedStrokes, 5) : d / -m.forcedStrokes;
        if (stroke <= 0) stroke = 1;  // a stroke of no ticks divides by nothing
        const int count = (d + stroke - 1) / stroke;
        if (!pool_.HasRoom(std::int16_t(std::min(count * heads + 1, 32767)))) {
            s.bendPending[v & 7] = bent ? 1 : 0;  // the retry walks the bend again
            return false;
        }
        for (int h = 0; h < heads; ++h) {
            const NoteHead* head = note->Head(h);
            const int pitch = head->Pitch() + s.transpose[playVoice] + ottavaShift(s, genBar_, item->PositionField());
            std::int32_t at = start + (style == 0 ? head->StartOffset() : 0);
            int remaining = d;
            for (int k = 0; k < count && remaining > stroke; ++k) {
                addNote(at, stroke - 4, playVoice, pitch, velocityAt(h, item->PositionField(), time + (at - start)),
                        head->Byte(NoteHead::kRelease), kEventNote);
                at += stroke;
                remaining -= stroke;
            }
            addNote(at, remaining, playVoice, pitch, velocityAt(h, item->PositionField(), time + (at - start)),
                    head->Byte(NoteHead::kRelease), kEventNote);
        }
        return true;
    }

    // An ornament on a single head: its notes share the head's duration.
    if (m.ornament >= 0) {
        const NoteHead* head = note->Head(0);
        const int d = headLength(0);
        const OrnamentShape& shape = m.ornament == 6 ? kTurns[m.variant] : kShortOrnaments[m.variant == 0 ? 0 : 1];
        if (!pool_.HasRoom(std::int16_t(shape.count + 1))) {
            s.bendPending[v & 7] = bent ? 1 : 0;  // the retry walks the bend again
            return false;
        }
        const int main = head->Pitch();
        const int clef = s.clef, key = s.key;
        const int pos = head->Position();
        const int here = CTheory::StaffPosToPitch(pos, clef, key);
        int upper = main + CTheory::StaffPosToPitch(pos + 1, clef, key) - here;
        int lower = main + CTheory::StaffPosToPitch(pos - 1, clef, key) - here;
        if (m.upperShift != -100)
            upper = main + CTheory::StaffPosToPitch(pos + 1, clef, 0) - CTheory::StaffPosToPitch(pos, clef, 0) + m.upperShift;
        if (m.inverted) std::swap(upper, lower);
        const int transpose = s.transpose[playVoice] + ottavaShift(s, genBar_, item->PositionField());
        const std::int32_t base = start + (style == 0 ? head->StartOffset() : 0);
        int at = 0;
        for (int k = 0; k < shape.count; ++k) {
            const int length = shape.share[k] * d / shape.divisor;
            const int pitch = (shape.pitch[k] == 0 ? main : shape.pitch[k] == 1 ? upper : lower) + transpose;
            addNote(base + at, length - 1, playVoice, pitch, velocityAt(0, item->PositionField(), time + at),
                    head->Byte(NoteHead::kRelease), kEventNote);
            at += length;
        }
        return true;
    }

    // An ordinary note: an event per head.
    for (int h = 0; h < heads; ++h) {
        const NoteHead* head = note->Head(h);
        // A head tied from the note before sounds on in that note's event.
        if (head->HasTieEnd() && !(firstBar && time == 0)) continue;
        std::int32_t at = start;
        if (style == 0) at = start + head->StartOffset();
        else if (swung) at = start - time % beat + 302;
        if (m.offsets) {
            if (heads == 1) at += m.startOffset;
            else at += m.startOffset + (m.endOffset - m.startOffset) * (h + 1) / heads;
        }
        int length = headLength(h);
        if (m.lengthPercent >= 0 && !head->HasTieStart()) length = std::max(1, head->Duration() * m.lengthPercent / 100);
        const int pitch = head->Pitch() + s.transpose[playVoice] + ottavaShift(s, genBar_, item->PositionField());
        addNote(at, length, playVoice, pitch, velocityAt(h, item->PositionField(), time), head->Byte(NoteHead::kRelease), kEventNote);
        // A slur's legato copy: the same note, velocity 1, on the legato voice's channel, and its
        // key switch from 10 ticks before for half the note (a copy without room is dropped).
        if (const int legato = s.legatoVoice[v & 7]) {
            addNote(at, length, (legato - 1) & 7, pitch, 1, 0, kEventNote);
            if (const int ks = s.legatoKeySwitch[v & 7])
                addNote(std::max(at - 10, 0), std::max(1, length / 2), (legato - 1) & 7, ks - 1, 1, keySwitchRelease((legato - 1) & 7, ks - 1),
                        kEventHeldNote);
        }
    }
    s.legatoVoice[v & 7] = s.legatoKeySwitch[v & 7] = 0;  // the copy is consumed
    return true;
}

int Performer::tiedLength(CRawNote* note, int head) {
    // From the note's time to the end of the last note the head is tied on to: the rest of this
    // bar, then the following bars, through heads of the same voice, staff and pitch.
    const int start = note->TimeField();
    int end = start + note->Head(head)->Duration();
    CRawNote* current = note;
    int h = head;
    int barIndex = genBar_;
    int offset = 0;
    for (int guard = 0; guard < 64 && current->Head(h)->HasTieStart(); ++guard) {
        const NoteHead* from = current->Head(h);
        CRawNote* found = nullptr;
        int foundHead = 0;
        for (int pass = 0; pass < 2 && !found; ++pass) {
            if (pass == 1) {
                if (barIndex + 1 >= int(bars_.size())) break;
                offset += bars_[std::size_t(barIndex)].length;
                ++barIndex;
            }
            CTrkBar* trkBar = score_->GetTrkBar(state_->track, barIndex);
            auto* run = trkBar ? reinterpret_cast<std::uint8_t*>(trkBar->GetItems()) : nullptr;
            if (!run) break;
            bool after = pass == 1;
            const std::uint32_t length = trkBar->GetRunLength();
            for (std::uint32_t at = 0; at + CBarItem::kSize <= length && !found;) {
                auto* item = reinterpret_cast<CBarItem*>(run + at);
                if (item->TypeCode() == 255 || item->Size() < CBarItem::kSize) break;
                at += std::uint32_t(item->Size());
                if (!after) {
                    after = item == current;
                    continue;
                }
                if (item->IsRemoved() || (item->TypeCode() != CRawNote::kType && item->TypeCode() != 144) ||
                    item->VoiceField() != current->VoiceField())
                    continue;
                auto* next = static_cast<CRawNote*>(static_cast<CScoreItem*>(item));
                for (int i = 0; i < next->HeadCountField(); ++i) {
                    const NoteHead* to = next->Head(i);
                    if (to->HasTieEnd() && to->Pitch() == from->Pitch() && to->Position() == from->Position() &&
                        to->CrossStaffOffset() == from->CrossStaffOffset()) {
                        found = next;
                        foundHead = i;
                        break;
                    }
                }
            }
        }
        if (!found) break;
        current = found;
        h = foundHead;
        end = offset + found->TimeField() + found->Head(h)->Duration();
    }
    return end - start;
}

int Performer::NextBar(int barIndex) {
    const int count = score_ ? std::min<int>(score_->GetBarCount(), int(bars_.size())) : 0;
    if (barIndex < 0 || barIndex >= count) return -1;
    CBar* bar = score_->GetBar(barIndex);
    const bool last = barIndex + 1 >= count || bar->IsLast();
    if (!score_->playRepeats || GetTransportState() != 1) return last ? -1 : barIndex + 1;
    // The first sweep: the bar's own jump marks.
    int target = -2;
    const int marks = std::min(bar->CountJumpers(), 8);
    for (int n = 0; n < marks && target == -2; ++n) {
        const CJumper* j = CJumper::Of(bar->GetJumper(n));
        const int to = j->Word(CJumper::kTarget);
        std::uint8_t& counter = pass(barIndex, n);
        switch (j->GetKind()) {
            case CJumper::kRepeatCount:
                if (counter < j->GetCount()) {
                    ++counter;
                    target = to;
                } else {
                    counter = 0;
                }
                break;
            case CJumper::kDsAlCoda:
            case CJumper::kDcAlCoda:
                if (alCoda_ == 0) {
                    ++alCoda_;
                    target = to;
                } else {
                    alCoda_ = 0;
                }
                break;
            case CJumper::kDsAlFine:
            case CJumper::kDcAlFine:
                if (alFine_ == 0) {
                    ++alFine_;
                    target = to;
                } else {
                    alFine_ = 0;
                }
                break;
            case CJumper::kFine:
                if (alFine_ > 0) {
                    alFine_ = 0;
                    return -1;
                }
                break;
            case CJumper::kToCoda:
                if (alCoda_ > 0) {
                    alCoda_ = 0;
                    target = to;
                }
                break;
            default:
                break;
        }
    }
    int answer;
    if (target != -2) {
        if (target < 0 || target >= count) return -1;
        answer = target;
    } else {
        if (last) return -1;
        answer = barIndex + 1;
    }
    // Further sweeps: the endings of the bar reached. Each sweep moves forward or ends, so a
    // chain of endings resolves without recursion.
    for (int guard = 0; guard < count; ++guard) {
        CBar* b = score_->GetBar(answer);
        int jump = -1;
        const int n2 = std::min(b->CountJumpers(), 8);
        for (int n = 0; n < n2 && jump < 0; ++n) {
            const CJumper* j = CJumper::Of(b->GetJumper(n));
            if (!j->IsEnding()) continue;
            const int mask = j->GetCount();
            const int span = j->Word(CJumper::kTarget);
            std::uint8_t& counter = pass(answer, n);
            if (mask == 0) {
                counter = 0;
            } else if (counter < 8 && (mask >> counter) & 1) {
                ++counter;
                const int lastBar = answer + span - 1;
                if (lastBar >= 0 && lastBar < count && !score_->GetBar(lastBar)->HasRepeatEnd()) counter = 0;
            } else {
                const int to = answer + span;
                if (to < 0 || to >= count || span <= 0) {
                    counter = 0;
                } else if (score_->GetBar(to - 1)->HasRepeatEnd()) {
                    jump = to;
                } else {
                    counter = 0;
                }
            }
        }
        if (jump < 0) break;
        answer = jump;
    }
    return answer;
}

// --- playing ---

bool Performer::sendEvent(const PerfEvent& e, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    if (!midi_) return true;
    ChannelMessage m{};
    m.time = std::uint32_t(now_.load());
    m.status = status;
    m.data1 = data1;
    m.data2 = data2;
    if (!midi_->SendEvent(e.port, m)) return false;
    const TrackPlayState& s = states_[e.track % (kMaxTracks + 1)];
    if (e.voice < 7 && s.doubling[e.voice]) {
        m.status = std::uint8_t((status & 0xF0) | (s.voiceChannel[e.voice + 1] & 15));
        return midi_->SendEvent(s.voicePort[e.voice + 1], m);
    }
    return true;
}

void Performer::publishPosition() {
    const int beat = beatLength_ > 0 ? beatLength_ : 480;
    SetPlayPosition(playBar_, tickInBar_ / beat, tickInBar_ % beat);
}

bool Performer::PlayTickResult() {
    if (playEnded_) {
        if (tickInBar_ >= barLength_) {
            ++playBar_;
            tickInBar_ = 0;
            RecordPosition(playBar_, runningTicks_);
        }
    } else {
        const std::int32_t counter = clockCounter_++;
        if (counter % 20 == 0 && midi_) midi_->SendClock(g_preferences.Word(Preferences::kSyncDevice));
        pool_.Rewind();
        for (PerfEvent* e = pool_.PeekAtCursor(); e && e->time <= now_; e = pool_.PeekAtCursor()) {
            TrackPlayState& s = states_[e->track % (kMaxTracks + 1)];
            const bool audible = s.plays && s.voicePlays[e->voice & 7];
            switch (e->kind) {
                case kEventNote:
                case kEventHeldNote: {
                    const bool ended = e->param <= now_ && e->kind != kEventHeldNote;
                    if (ended || (e->sounding && !audible)) {
                        if (e->sounding) {
                            if (!sendEvent(*e, std::uint8_t(0x80 | e->channel), e->data1, e->data3)) return false;
                            e->sounding = 0;
                        }
                        if (e->param <= now_) pool_.RemoveAtCursor();
                        else pool_.AdvanceCursor();
                        continue;
                    }
                    if (audible && !e->sounding) {
                        bool down = false;
                        if (e->kind == kEventHeldNote) {
                            e->kind = kEventNote;
                            ChannelMemo& memo = s.heldNote[e->channel & 15];
                            if (e->data3 == 0) {
                                memo = ChannelMemo{};
                            } else if (memo.first == e->data1 + 1 && memo.port == e->port && memo.channel == e->channel) {
                                down = true;
                            } else {
                                memo.port = e->port;
                                memo.channel = e->channel;
                                memo.first = std::uint8_t(e->data1 + 1);
                                memo.second = e->data3;
                            }
                        }
                        if (down) {
                            pool_.RemoveAtCursor();
                            continue;
                        }
                        if (!sendEvent(*e, std::uint8_t(0x90 | e->channel), e->data1, e->data2)) return false;
                        e->sounding = 1;
                    }
                    pool_.AdvanceCursor();
                    continue;
                }
                case kEventChannelMessage:
                    if (s.plays && midi_) {
                        ChannelMessage m{};
                        m.time = std::uint32_t(now_.load());
                        m.status = std::uint8_t(e->data1 | (e->channel & 15));
                        m.data1 = e->data2;
                        m.data2 = e->data3;
                        if (!midi_->SendEvent(e->port, m)) return false;
                        ChannelMemo& restore = s.programRestore[e->channel & 15];
                        if (e->data1 == 0xC0 && restore.first && restore.port == e->port && restore.first == e->data2 + 1 &&
                            restore.channel != e->channel)
                            restore.first = 0;
                        // The controller's restore is dropped when the message sets that controller.
                        ChannelMemo& ctl = s.controllerRestore[e->channel & 15];
                        if (e->data1 == 0xB0 && ctl.first && ctl.port == e->port && ctl.first == e->data2 + 1 &&
                            ctl.channel != e->channel)
                            ctl.first = 0;
                    }
                    break;
                case kEventPatch:
                    if (s.plays && midi_ && !midi_->SendPatch(e->port, e->channel, e->param, 1)) return false;
                    break;
                case kEventLyric:
                    if (s.plays && midi_ && !midi_->SendLyric(e->param, e->data2 != 0, e->data3 != 0)) return false;
                    break;
                case kEventTempo:
                    if (midi_ && !midi_->SetTempo(e->param, e->data2, e->data3)) return false;
                    if (!midi_) tempo_ = e->param;
                    break;
                case kEventDoubling:
                    s.doubling[e->voice & 7] = e->sounding;
                    break;
                case kEventTempoHold:
                    if (std::uint8_t(tempoHold_) == e->sounding) {
                        if (!e->sounding) {
                            tempoHold_ = true;
                            e->sounding = 1;
                            e->port = std::int16_t(std::min<int>(tempo_, 32767));
                            if (midi_) midi_->SetTempo(123, e->data2, e->data3);
                            else tempo_ = 123;
                            pool_.AdvanceCursor();
                            continue;
                        }
                        if (e->param <= now_) {
                            tempoHold_ = false;
                            if (midi_) midi_->SetTempo(e->port, e->data2, e->data3);
                            else tempo_ = e->port;
                            break;
                        }
                        pool_.AdvanceCursor();
                        continue;
                    }
                    break;
                case kEventKeySignature:
                    if (s.plays && midi_) midi_->SendKeySignature(0, e->data1);
                    break;
                case kEventBarMarker:
                    --barsAhead_;
                    if (e->param < 0) {
                        playEnded_ = true;
                        tickInBar_ = 0;
                        playBar_ = score_ ? score_->GetBarCount() : 0;
                        RecordPosition(playBar_, runningTicks_);
                    } else if (std::size_t(e->param) < bars_.size()) {
                        const BarPlayInfo& info = bars_[std::size_t(e->param)];
                        playBar_ = e->param;
                        tickInBar_ = info.pickup;
                        now_ += info.pickup;
                        barStart_ = now_;
                        barLength_ = info.length;
                        beatLength_ = info.beatLength;
                        // The click of this tick has run already (the clock clicks before it
                        // plays): the metronome follows the bar from the next tick, so the bar's
                        // first click is not struck twice.
                        if (clickedAt_ == runningTicks_) metronome_.Follow(info.length, info.clickTicks, info.pickup + 1);
                        else metronome_.Start(info.length, info.clickTicks, info.pickup);
                        RecordPosition(playBar_, runningTicks_);
                    }
                    break;
                default:
                    break;
            }
            pool_.RemoveAtCursor();
        }
    }
    ++now_;
    ++tickInBar_;
    ++runningTicks_;
    publishPosition();
    return true;
}

int Performer::IdleTicks() const {
    // After the end only the position counts on, to the end of each bar.
    if (playEnded_) return std::clamp(barLength_ - tickInBar_.load(), 0, kManyTicks);
    int idle = kManyTicks;
    // MIDI clock goes out on every 20th tick of the clock counter.
    if (midi_ && g_preferences.Word(Preferences::kSyncDevice) >= 0) idle = (20 - clockCounter_ % 20) % 20;
    const std::int32_t now = now_;
    // The list is sorted by time: the nodes already due come first (sounding notes wait there
    // for their ends), then the first one still to come ends the walk.
    pool_.VisitFromHead([&](const PerfEvent& e) {
        if (idle == 0) return false;
        if (e.time > now) {
            idle = std::min(idle, e.time - now);
            return false;
        }
        const TrackPlayState& s = states_[e.track % (kMaxTracks + 1)];
        const bool audible = s.plays && s.voicePlays[e.voice & 7];
        switch (e.kind) {
            case kEventNote:
                // A note waits quietly while it sounds and is heard, or is silent and not heard,
                // until its end.
                if (e.param <= now || (e.sounding != 0) != audible) idle = 0;
                else idle = std::min(idle, e.param - now);
                return true;
            case kEventHeldNote:
                if ((e.sounding != 0) != audible) idle = 0;
                return true;
            case kEventTempoHold:
                // A hold that has begun waits for its end.
                if (e.sounding && tempoHold_ && e.param > now) idle = std::min(idle, e.param - now);
                else idle = 0;
                return true;
            default:
                idle = 0;  // every other kind plays when due
                return false;
        }
    });
    return idle;
}

void Performer::SkipIdleTicks(int n) {
    if (n <= 0) return;
    if (!playEnded_) clockCounter_ += n;
    now_ += n;
    tickInBar_ += n;
    runningTicks_ += n;
    publishPosition();
}

int Performer::QuietTicks(bool click) {
    int quiet = IdleTicks();
    if (click) quiet = std::min(quiet, metronome_.QuietTicks());
    // The tick that moves the play position to the next beat is made on time.
    const int beat = beatLength_ > 0 ? beatLength_ : 480;
    const int into = ((tickInBar_ % beat) + beat) % beat;
    return std::min(quiet, beat - 1 - into);
}

void Performer::Silence(int track, bool keepVolume) {
    if (!midi_) return;
    pool_.Rewind();
    for (PerfEvent* e = pool_.PeekAtCursor(); e; e = pool_.PeekAtCursor()) {
        if (e->kind == kEventNote && e->sounding) {
            sendEvent(*e, std::uint8_t(0x80 | e->channel), e->data1, 0);
            e->sounding = 0;
        }
        pool_.AdvanceCursor();
    }
    const int tracks = score_ ? std::min<int>(score_->GetTrackCount(), kMaxTracks) : 0;
    std::vector<int> done;
    for (int t = 0; t < tracks; ++t) {
        if (track >= 0 && t != track) continue;
        TrackPlayState& s = states_[t];
        for (int c = 0; c < 16; ++c) {
            ChannelMemo& held = s.heldNote[c];
            // A data byte never goes above 127.
            if (held.first) midi_->SendMessage3(held.port, 0x80 | c, held.second & 127, 0);  // the release note it keeps
            held = ChannelMemo{};
            const ChannelMemo& ctl = s.controllerRestore[c];
            if (ctl.first) midi_->SendMessage3(ctl.port, 0xB0 | c, (ctl.first - 1) & 127, ctl.second & 127);
            const ChannelMemo& prg = s.programRestore[c];
            if (prg.first && prg.second) midi_->SendMessage3(prg.port, 0xC0 | c, (prg.second - 1) & 127, 0);
        }
        // The key switches marks left: their undo notes, struck silent twice.
        for (int slot = 0; slot < 8; ++slot) {
            const ChannelMemo& ks = s.markKeySwitch[slot];
            if (!ks.first) continue;
            for (int k = 0; k < 2; ++k) midi_->SendMessage3(ks.port, 0x90 | (ks.channel & 15), (ks.second - 1) & 127, 0);
        }
        if (keepVolume) continue;
        for (int v = 0; v < 8; ++v) {
            const int key = s.voicePort[v] * 16 + s.voiceChannel[v];
            if (std::find(done.begin(), done.end(), key) != done.end()) continue;
            done.push_back(key);
            const int controller = score_->GetTrack(t)->VolumeControllerToSend(v);
            if (controller >= 0) midi_->SendMessage3(s.voicePort[v], 0xB0 | s.voiceChannel[v], controller & 127, 80);
            midi_->ResetChannel(s.voicePort[v], s.voiceChannel[v]);
        }
    }
}

void Performer::Stop() {
    Silence(-1, false);
    started_ = false;
    SetPlayPosition(-1, 0, 0);
    SetPlayedScore(nullptr);
}

void Performer::StartMetronome() {
    const int click = std::size_t(playBar_) < bars_.size() ? bars_[std::size_t(playBar_)].clickTicks : 480;
    metronome_.Start(barLength_, click, tickInBar_);
}

void Performer::RecordPosition(int bar, int runningTick) {
    ringBars_[ringIndex_] = bar;
    ringTicks_[ringIndex_] = runningTick;
    ringIndex_ = (ringIndex_ + 1) % 16;
    ringBars_[ringIndex_] = bar + 1;
    ringTicks_[ringIndex_] = runningTick + barLength_;
}

void Performer::FindPosition(int* bar, int* tick) const {
    const int at = *tick + (tempo_ < 96 ? 10 : 15);
    for (int i = 0; i < 16; ++i) {
        const int next = (i + 1) % 16;
        if (ringTicks_[i] <= at && ringTicks_[next] > at) {
            *bar = ringBars_[i];
            *tick = at - ringTicks_[i];
            return;
        }
    }
    *bar = playBar_;
    *tick = now_;
}

bool Performer::GetBarTicks(bool next, int* barLength, int* beatLength) {
    if (next) {
        if (playBar_ + 1 >= int(bars_.size())) return false;
        const BarPlayInfo& info = bars_[std::size_t(playBar_ + 1)];
        *barLength = info.length;
        *beatLength = info.beatLength;
        return true;
    }
    *barLength = barLength_;
    *beatLength = beatLength_;
    return true;
}

// --- chase ---

namespace {
struct ChaseEntry {
    std::uint32_t key;
    std::int16_t bar;
    std::int16_t track;  // -1: the bar's own items
    std::int32_t offset;  // byte offset in the track bar's run, or the own item's index
};
}  // namespace

void Performer::preRunJumps(int barIndex, int endBar) {
    CBar* bar = score_->GetBar(barIndex);
    const int count = score_->GetBarCount();
    const int marks = std::min(bar->CountJumpers(), 8);
    for (int n = 0; n < marks; ++n) {
        const CJumper* j = CJumper::Of(bar->GetJumper(n));
        std::uint8_t& counter = pass(barIndex, n);
        const int kind = j->GetKind();
        if (kind == CJumper::kRepeatCount) {
            if (j->Word(CJumper::kTarget) > endBar) counter = 1;
        } else if (j->IsEnding()) {
            const int mask = j->GetCount();
            if (mask == 0) {
                counter = 0;
            } else if (counter < 8 && (mask >> counter) & 1) {
                ++counter;
                const int after = barIndex + j->Word(CJumper::kTarget);
                if (after >= 0 && after < count && !score_->GetBar(after)->HasRepeatEnd()) counter = 0;
            }
        } else if (barIndex < endBar && (kind == CJumper::kDsAlCoda || kind == CJumper::kDcAlCoda)) {
            alCoda_ = 1;
        } else if (barIndex < endBar && (kind == CJumper::kDsAlFine || kind == CJumper::kDcAlFine)) {
            alFine_ = 1;
        }
    }
}

void Performer::chase() {
    std::vector<ChaseEntry> table;
    table.reserve(kChaseEntries);
    auto note = [&table](std::uint32_t key, int bar, int track, int offset) {
        for (ChaseEntry& e : table)
            if (e.key == key) {  // the later item wins
                e.bar = std::int16_t(bar);
                e.track = std::int16_t(track);
                e.offset = offset;
                return;
            }
        if (table.size() < std::size_t(kChaseEntries)) table.push_back({key, std::int16_t(bar), std::int16_t(track), offset});
    };
    const int endBar = playBar_;
    const int startTick = tickInBar_;
    const int tracks = std::min<int>(score_->GetTrackCount(), kMaxTracks);
    for (int i = 0; i <= endBar; ++i) {
        if (score_->playRepeats && GetTransportState() == 1) preRunJumps(i, endBar);
        CBar* bar = score_->GetBar(i);
        CBarItem* own = bar->GetFirstItem();
        for (int k = 0; own && k < bar->GetItemCount(); ++k, own = own->NextItem()) {
            const int type = own->TypeCode();
            if (own->IsRemoved() || (type != CTempo::kTypeCode && type != CExpression::kType)) continue;
            if (i == endBar && own->TimeField() >= startTick) continue;
            const std::uint32_t voice = type == CTempo::kTypeCode ? std::uint32_t(own->VoiceField()) : 0x7F;
            note(std::uint32_t(type) << 8 | voice << 16, i, -1, k);
        }
        for (int t = 0; t < tracks; ++t) {
            if (!states_[t].notTablature) continue;
            CTrkBar* trkBar = score_->GetTrkBar(t, i);
            auto* run = trkBar ? reinterpret_cast<std::uint8_t*>(trkBar->GetItems()) : nullptr;
            if (!run) continue;
            const std::uint32_t length = trkBar->GetRunLength();
            for (std::uint32_t at = 0; at + CBarItem::kSize <= length;) {
                auto* item = reinterpret_cast<CBarItem*>(run + at);
                if (item->TypeCode() == 255 || item->Size() < CBarItem::kSize) break;
                if (!item->IsRemoved()) {
                    if (i == endBar && item->TimeField() >= startTick) break;
                    const int type = item->TypeCode();
                    const bool data = type >= 170 && type <= 175;
                    const bool expression = type == CExpression::kType &&
                                            (CExpression::Of(item)->GetKind() > 0 || CExpression::Of(item)->GetPlayMode() != 0);
                    if (data || expression || type == CDynamic::kType || type == CCresc::kType || type == COttava::kTypeCode ||
                        type == CHarpPed::kType || type == CSymbol::kTypeCode) {
                        std::uint32_t fourth = 0;
                        if (type == 171) fourth = static_cast<CData*>(static_cast<CScoreItem*>(item))->GetDataByte1();
                        if (expression) fourth = std::uint32_t(CExpression::Of(item)->GetKind());
                        note(std::uint32_t(t) | std::uint32_t(type) << 8 | std::uint32_t(item->VoiceField()) << 16 | fourth << 24,
                             i, t, int(at));
                    }
                }
                at += std::uint32_t(item->Size());
            }
        }
    }
    // Replay: every event falls due on the first tick.
    for (const ChaseEntry& e : table) {
        genBar_ = e.bar;
        bar_ = score_->GetBar(e.bar);
        genBarStart_ = bar_->GetStartTicks() - clockCounter_;
        if (e.track < 0) {
            state_ = &states_[0];
            CBarItem* own = bar_->GetFirstItem();
            for (int k = 0; own && k < e.offset; ++k) own = own->NextItem();
            if (own && own->TypeCode() == CTempo::kTypeCode) playTempo(own, own->TimeField());
            else if (own) playExpression(own);
            continue;
        }
        genTrack_ = e.track;
        state_ = &states_[e.track];
        trkBar_ = score_->GetTrkBar(e.track, e.bar);
        if (!trkBar_) continue;
        auto* run = reinterpret_cast<std::uint8_t*>(trkBar_->GetItems());
        if (run) playItem(reinterpret_cast<CBarItem*>(run + e.offset));
    }
    // The chased tempo holds at once; tempo events before the start are dropped.
    pool_.Rewind();
    for (PerfEvent* e = pool_.PeekAtCursor(); e; e = pool_.PeekAtCursor()) {
        if (e->kind == kEventTempo) {
            tempo_ = e->param;
            if (e->time >= 0) break;
            pool_.RemoveAtCursor();
            continue;
        }
        pool_.AdvanceCursor();
    }
}
