// The document's insertion point: `at` puts it in a bar (with a track, voice and position),
// `print insertion` shows where it stands and the item it holds, `step` moves it item by item,
// `problem` looks for the next bar that needs attention from there (`range` sets the playable
// range it checks).
#include <cstdio>
#include <string>

#include "Script.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"

namespace zelscript {
namespace {

// The run index of the item in its track bar, -1 when it is not there.
int RunIndex(CTrkBar* tb, const CBaseItem* item) {
    int i = 0;
    for (CBarItem* r = tb ? tb->GetItems() : nullptr; r && r->Type() != 255; r = r->NextItem(), ++i)
        if (r == item) return i;
    return -1;
}

void PrintInsertion(Context& ctx) {
    const ScoreLocation& at = ctx.Score().doc->location;
    std::fprintf(ctx.out, "insertion: bar %d track %d voice %d%s position %d time %d item ", at.barIndex, at.trackIndex,
                 at.voice, at.allVoices ? " (all)" : "", at.position, int(at.time));
    if (!at.item)
        std::fprintf(ctx.out, "none\n");
    else
        std::fprintf(ctx.out, "%d\n", RunIndex(at.trkBar, at.item));
}

void RunAt(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 5, "at B [track=T] [voice=V] [pos=P] [time=TICKS]");
    CZelDoc& doc = *ctx.Score().doc;
    const int bar = ArgInt(args, 0, "bar");
    int pos = -1, time = -1;
    for (std::size_t i = 1; i < args.size(); ++i) {
        int v = 0;
        if (Option(args[i], "track", &v))
            doc.location.trackIndex = v;
        else if (Option(args[i], "voice", &v))
            doc.SetCurrentVoice(v);
        else if (Option(args[i], "pos", &v))
            pos = v;
        else if (Option(args[i], "time", &v))
            time = v;
        else
            throw ScriptError("unknown option \"" + args[i] + "\" (track=T, voice=V, pos=P, time=TICKS)");
    }
    doc.SetCurrentBar(bar, true);
    // The point is placed, as a click on the page places it: paste and the entry commands work at it.
    doc.location.insertionPlaced = 1;
    CBar* b = ctx.Score().score->GetBar(doc.location.barIndex);
    if (pos >= 0) doc.location.position = std::int16_t(pos);
    if (time >= 0) {
        doc.location.time = time;
        if (b && pos < 0) doc.location.position = b->TickToFraction(time, false);
    }
}

void RunPrintInsertion(Context& ctx, const Args& args) {
    NeedArgs(args, 0, 0, "print insertion");
    PrintInsertion(ctx);
}

void RunStep(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 3, "step forward|back [voice] [select]");
    if (args[0] != "forward" && args[0] != "back") throw ScriptError("step takes forward or back");
    bool byVoice = false, select = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "voice")
            byVoice = true;
        else if (args[i] == "select")
            select = true;
        else
            throw ScriptError("unknown option \"" + args[i] + "\" (voice, select)");
    }
    CZelDoc& doc = *ctx.Score().doc;
    CBaseItem* item = doc.StepToItem(args[0] == "forward", byVoice, select);
    std::fprintf(ctx.out, "step: %s, %d selected\n", item ? "reached" : "nothing", doc.GetSelection() ? doc.GetSelection()->GetItemCount() : 0);
    PrintInsertion(ctx);
    auto* note = static_cast<CBarItem*>(item);
    if (!note || !note->IsNote()) return;
    std::fprintf(ctx.out, "heads selected:");
    for (int h = 0; h < note->Bytes()[23] && 24 + 16 * (h + 1) <= note->RecordSizeField(); ++h)
        std::fprintf(ctx.out, " %d", (note->Bytes()[24 + 16 * h] & CZelDoc::kSelectedHeadBit) ? 1 : 0);
    std::fprintf(ctx.out, "\n");
}

void RunRange(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 4, "range T LOW HIGH [voice=V:SEMITONES]");
    CTrack* track = ctx.Score().score->GetTrack(ArgInt(args, 0, "track"));
    if (!track) throw ScriptError("no such track");
    track->SetLowRange(ArgIntIn(args, 1, "low key", 0, 127));
    track->SetHighRange(ArgIntIn(args, 2, "high key", 0, 127));
    int voice = 0, semitones = 0;
    if (args.size() == 4 && !PairOption(args[3], "voice", &voice, &semitones))
        throw ScriptError("unknown option \"" + args[3] + "\" (voice=V:SEMITONES)");
    if (args.size() == 4) track->SetVoiceTranspose(voice, semitones);
}

void RunProblem(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 1, "problem 0|1");
    const bool found = ctx.Score().doc->FindNextProblem(ArgIntIn(args, 0, "mode", 0, 1));
    std::fprintf(ctx.out, "problem: %s\n", found ? "found" : "none");
    PrintInsertion(ctx);
}

const CommandRegistrar registrar{
    {"at", "B [track=T] [voice=V] [pos=P] [time=TICKS]",
     "puts the insertion point in bar B (with the track, the voice (-1 every voice) and the position in 1/1024 "
     "of the bar; time= sets the time in ticks and the position with it), a hidden staff giving way to a shown "
     "one; the point is placed, so paste works at it",
     RunAt},
    {"print insertion", "", "the insertion point: bar, track, voice, position, time and the run index of its item",
     RunPrintInsertion},
    {"step", "forward|back [voice] [select]",
     "steps the insertion point to the next or previous note or rest, or with voice to the next head of the current "
     "voice's chord at it; prints what it reached, the insertion point and the note's selected heads",
     RunStep},
    {"range", "T LOW HIGH [voice=V:SEMITONES]",
     "track T plays keys LOW to HIGH; the option gives voice V (-1 every voice) a playback transposition", RunRange},
    {"problem", "0|1",
     "from the insertion point's bar on, the next bar whose voices do not fill it (0) or with a note of the current "
     "track outside its range (1); prints whether one was found and the insertion point",
     RunProblem},
};

}  // namespace
}  // namespace zelscript
