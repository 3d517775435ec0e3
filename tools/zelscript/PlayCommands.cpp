// `play`: the open score played by the performer on the virtual clock into the loopback
// capture, a line per message with `log`, or rendered by the built-in synthesizer with `wav`.
#include <string>

#include "Script.h"
#include "ToolScore.h"
#include "framework/Clock.h"
#include "framework/Midi.h"
#include "midi/MidiLayer.h"
#include "midi/Performer.h"
#include "model/Bar.h"
#include "model/ItemFactory.h"
#include "model/Jumper.h"
#include "model/Playback.h"
#include "model/Preferences.h"
#include "model/Score.h"

namespace zelscript {
namespace {

// The device layer with every message going to one port, logged with the virtual clock's
// millisecond and the performer's tick.
class CaptureMidi : public CMidi {
public:
    fw::midi::PortId port = 0;
    std::FILE* out = nullptr;
    const Performer* performer = nullptr;
    std::uint32_t startMs = 0;
    int messages = 0;

    bool SendLyric(std::int32_t slot, bool noHyphen, bool end) override {
        if (out)
            std::fprintf(out, "%u\t%d\tlyric \"%s\"%s%s\n", unsigned(fw::GetTickCount() - startMs),
                         performer ? performer->GetRunningTicks() : 0, performer ? performer->LyricText(slot) : "",
                         noHyphen ? " no-hyphen" : "", end ? " end" : "");
        return true;
    }

    bool SendKeySignature(int, int key) override {
        if (out)
            std::fprintf(out, "%u\t%d\tkey %d\n", unsigned(fw::GetTickCount() - startMs),
                         performer ? performer->GetRunningTicks() : 0, key);
        return true;
    }

    bool SetTempo(int tempo, int numerator, int denominator) override {
        if (out)
            std::fprintf(out, "%u\t%d\ttempo %d %d/%d\n", unsigned(fw::GetTickCount() - startMs),
                         performer ? performer->GetRunningTicks() : 0, tempo, numerator, denominator);
        return CMidi::SetTempo(tempo, numerator, denominator);
    }

    bool SendEvent(int portId, const ChannelMessage& m) override {
        if (port) fw::midi::SendShort(port, m.status, m.data1, m.data2);
        ++messages;
        if (out) {
            const std::size_t n = fw::midi::ShortLength(m.status);
            std::fprintf(out, "%u\t%d\t%d\t%02X", unsigned(fw::GetTickCount() - startMs),
                         performer ? performer->GetRunningTicks() : 0, portId, m.status);
            if (n > 1) std::fprintf(out, " %02X", m.data1);
            if (n > 2) std::fprintf(out, " %02X", m.data2);
            std::fputc('\n', out);
        }
        return true;
    }
};

void RunPlay(Context& ctx, const Args& args) {
    static const char* usage = "play [log] [wav OUT.wav] [from B TICK] [norepeats] [click] [state N] [to B] [style N] [sync PORT]";
    bool log = false;
    std::string wav;
    int bar = 0, tick = 0, state = 1, to = 32767, style = -1, sync = -1;
    bool norepeats = false, click = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "log") log = true;
        else if (args[i] == "wav" && i + 1 < args.size()) wav = args[++i];
        else if (args[i] == "from" && i + 2 < args.size()) {
            bar = ArgIntIn(args, ++i, "bar", 0, 32767);
            tick = ArgIntIn(args, ++i, "tick", 0, 1000000);
        } else if (args[i] == "norepeats") norepeats = true;
        else if (args[i] == "click") click = true;
        else if (args[i] == "style" && i + 1 < args.size()) style = ArgIntIn(args, ++i, "style", 0, 2);
        else if (args[i] == "sync" && i + 1 < args.size()) sync = ArgIntIn(args, ++i, "port", 0, 32767);
        else if (args[i] == "to" && i + 1 < args.size()) to = ArgIntIn(args, ++i, "bar", 1, 32767);
        else if (args[i] == "state" && i + 1 < args.size()) state = ArgIntIn(args, ++i, "state", 1, 2);
        else throw ScriptError(std::string("usage: ") + usage);
    }
    CScore* score = ctx.Score().score;
    if (bar >= score->GetBarCount()) throw ScriptError("no bar " + std::to_string(bar));

    fw::midi::PortId port = 0;
    if (!wav.empty()) {
        fw::midi::Config config = fw::midi::CurrentConfig();
        config.synthWav = wav;
        fw::midi::Configure(config);
        for (const fw::midi::PortInfo& p : fw::midi::ListPorts())
            if (p.backend == fw::midi::Backend::Synth && p.kind == fw::midi::Kind::Output) {
                port = fw::midi::OpenOutput(p.name);
                break;
            }
        if (!port) throw ScriptError("the built-in synthesizer cannot open");
    } else {
        fw::midi::loopback::AddOutput("Play Capture");
        port = fw::midi::OpenOutput("Play Capture");
    }
    // The virtual clock from where the clock stands (never back: waits measure from earlier times).
    fw::clocktest::SetManual(fw::GetTickCount());
    const std::uint8_t savedRepeats = score->playRepeats;
    const std::uint8_t savedClick = g_preferences.Byte(Preferences::kClickInPlay);
    const std::uint8_t savedStyle = score->playbackStyle;
    const std::int16_t savedSync = g_preferences.Word(Preferences::kSyncDevice);
    if (norepeats) score->playRepeats = 0;
    if (style >= 0) score->playbackStyle = std::uint8_t(style);
    g_preferences.SetWord(Preferences::kSyncDevice, std::int16_t(sync));
    g_preferences.SetByte(Preferences::kClickInPlay, click ? 1 : 0);

    CaptureMidi midi;
    midi.port = port;
    midi.out = log ? ctx.out : nullptr;
    midi.startMs = fw::GetTickCount();
    auto performer = std::make_unique<Performer>(&midi);
    midi.performer = performer.get();
    SetPerformer(performer.get());
    midi.Arm();
    SetTransportState(state);
    midi.SetCountOff(0);
    performer->Start(score, 0, score->GetTrackCount() - 1, bar, tick, true, true);
    performer->StartMetronome();
    bool started = midi.StartPlayback();
    // Ten minutes of song time at most.
    for (int ms = 0; started && !performer->PlayEnded() && performer->GetPlayBar() < to && ms < 600000; ++ms) fw::clocktest::Advance(1);
    const int ticks = performer->GetRunningTicks();
    midi.StopPlayback();
    SetTransportState(0);
    SetPerformer(nullptr);
    performer.reset();
    score->playRepeats = savedRepeats;
    score->playbackStyle = savedStyle;
    g_preferences.SetWord(Preferences::kSyncDevice, savedSync);
    g_preferences.SetByte(Preferences::kClickInPlay, savedClick);
    fw::midi::Close(port);  // finishes a WAV file
    if (!started) throw ScriptError("the song clock did not start");
    std::fprintf(ctx.out, "played %d ticks, %d messages\n", ticks, midi.messages);
}

const CommandRegistrar registrar{
    {"play", "[log] [wav OUT.wav] [from B TICK] [norepeats] [click] [state N] [to B] [style N] [sync PORT]",
     "plays the open score on the virtual clock into the loopback capture (log: a line per message: millisecond, "
     "tick, port, bytes in hex) or through the built-in synthesizer into a WAV file; from chases to bar B, TICK; "
     "click sounds the metronome; state 2 plays as while recording; to stops when bar B begins to play; style sets the score's play style (0 "
     "as recorded, 1 swing, 2 as written); sync sends MIDI clock to PORT",
     RunPlay},
};

}  // namespace
}  // namespace zelscript
