// Transcription: `transcribe` turns the performance notes of a voice of a track, over a range of
// bars, into notation, as recording and import do.
#include <string>

#include "Script.h"
#include "edit/Transcriber.h"
#include "model/Score.h"
#include "model/TrkBar.h"

namespace zelscript {
namespace {

// transcribe T B1 B2 V [grid G] [voices] [all] [beam] [notuplets]: grid in ticks (120 unless
// given); all takes every performance note of the voice, not only the selected ones.
void RunTranscribe(Context& ctx, const Args& args) {
    static const char* usage = "transcribe T B1 B2 V [grid G] [voices] [all] [beam] [notuplets]";
    NeedArgs(args, 4, 12, usage);
    CScore& score = *ctx.Score().score;
    const int track = ArgIntIn(args, 0, "track", 0, score.GetTrackCount() - 1);
    const int first = ArgIntIn(args, 1, "first bar", 0, score.GetBarCount() - 1);
    const int last = ArgIntIn(args, 2, "last bar", first, 32767);
    const int voice = ArgIntIn(args, 3, "voice", 0, 7);
    int grid = 120;
    bool voices = false, all = false, beam = false, tuplets = true;
    for (std::size_t i = 4; i < args.size(); ++i) {
        if (args[i] == "grid") {
            if (i + 1 >= args.size()) throw ScriptError(usage);
            grid = ArgIntIn(args, i + 1, "grid", 2, 3840);
            ++i;
        } else if (args[i] == "voices") {
            voices = true;
        } else if (args[i] == "all") {
            all = true;
        } else if (args[i] == "beam") {
            beam = true;
        } else if (args[i] == "notuplets") {
            tuplets = false;
        } else {
            throw ScriptError("unknown option \"" + args[i] + "\"");
        }
    }
    CTrkBar* trkBar = CurrentTrkBar(ctx, track, first);
    (void)trkBar;
    Transcriber& t = g_edit.transcriber;
    t.Setup(&score, grid, all, beam, voices);
    if (!tuplets) t.tuplets = false;
    const int result = t.Run(track, first, last, voice);
    if (result != Transcriber::kDone) throw ScriptError("transcription ended with " + std::to_string(result));
}

const CommandRegistrar registrar{
    {"transcribe", "T B1 B2 V [grid G] [voices] [all] [beam] [notuplets]",
     "the performance notes of voice V of track T in bars B1-B2 become notation (grid in ticks, 120 unless given; "
     "voices spreads unequal notes over voices; all takes unselected notes too; beam beams the bars)",
     RunTranscribe},
};

}  // namespace
}  // namespace zelscript
