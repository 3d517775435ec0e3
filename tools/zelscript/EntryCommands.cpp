// Entering notes and rests and what follows an entry: `enter note` and `enter rest` enter one as
// the note tool does, `option` sets the automatic options,
// `fillgaps` fills a voice's gaps with rests, `columns` measures one track bar's column widths,
// `positions` recomputes its item positions.
#include <algorithm>
#include <string>
#include <vector>

#include "Script.h"
#include "model/Bar.h"
#include "model/BarSpacing.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntry.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"

namespace zelscript {
namespace {

// The bar's onset columns as respacing gathers them: the times of every track's notes and rests
// (grace notes left out), or one column at 0 when it has none.
std::vector<SpacingColumn> OnsetColumns(CScore& score, int bar) {
    std::vector<int> times;
    for (int t = 0; t < score.GetTrackCount(); ++t)
        trkbar::ForEachLiveItem(score.GetTrkBar(t, bar), [&](CBarItem* item) {
            if (item->IsNoteOrRest() && !entry::IsGrace(item)) times.push_back(item->TimeField());
        });
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    if (times.empty()) times.push_back(0);
    std::vector<SpacingColumn> columns(times.size());
    for (std::size_t i = 0; i < times.size(); ++i) {
        columns[i].index = std::int16_t(i);
        columns[i].time = std::int16_t(times[i]);
    }
    return columns;
}

void RunColumns(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "columns T B");
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    std::vector<SpacingColumn> columns = OnsetColumns(*ctx.Score().score, trkBar->GetBarIndex());
    trkBar->MeasureColumns(columns.data(), int(columns.size()));
    for (const SpacingColumn& c : columns)
        std::fprintf(ctx.out, "column %d time %d width %d before %d\n", c.index, c.time, c.space, c.preSpace);
    std::fprintf(ctx.out, "end space %d\n", columns[0].endSpace);
}

// Recomputes the positions, then prints each note and rest: its time, voice and position, and
// "right" when its heads are drawn one head width right.
void RunPositions(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 3, "positions T B [VOICE]");
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    trkBar->RecalcPositions(args.size() > 2 ? ArgIntIn(args, 2, "voice", -1, 7) : -1);
    int index = 0;
    for (CBarItem* item = trkBar->GetItems(); item && item->Type() != 255; item = item->NextItem(), ++index) {
        if (item->IsRemoved() || !item->IsNoteOrRest()) continue;
        std::fprintf(ctx.out, "%d %s time %d voice %d pos %d%s%s\n", index, item->IsRest() ? "rest" : "note",
                     item->TimeField(), item->VoiceField(), item->PositionField(),
                     entry::IsGrace(item) ? " grace" : "", entry::IsShiftedRight(item) ? " right" : "");
    }
}

// Where the last entry left the insertion point: `next` as an entry's time goes on from there.
struct InsertionPoint {
    double time = 0;
    int position = 0;
};
InsertionPoint g_next;

// enter note|rest T B TIME STAFFPOS VALUE [options]: the request's fields as options; prints
// where the insertion point and the voice ended. TIME `next` goes on where the last entry left.
void RunEnter(Context& ctx, const Args& args, bool rest) {
    const char* usage = rest ? "enter rest T B TIME STAFFPOS VALUE [options]" : "enter note T B TIME STAFFPOS VALUE [options]";
    NeedArgs(args, 5, 20, usage);
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    EntryRequest r;
    const bool next = args[2] == "next";
    r.time = next ? g_next.time : ArgIntIn(args, 2, "time", 0, 32767);
    r.staffPosition = ArgIntIn(args, 3, "staff position", -60, 60);
    r.value = ArgIntIn(args, 4, "value", rest ? 0 : 1, 8);
    r.position = next ? g_next.position : trkBar->TickToFraction(int(r.time));
    r.midiPitch = 60 + r.staffPosition;
    bool allowChord = true;
    int cross = 0;
    bool insertedGiven = false;
    for (std::size_t i = 5; i < args.size(); ++i) {
        const std::string& a = args[i];
        int v = 0, p = 0, q = 0;
        if (a == "grace") r.grace = true;
        else if (a == "nochord") allowChord = false;
        else if (a == "up") r.stem = 1;
        else if (a == "down") r.stem = 2;
        else if (Option(a, "voice", &v)) r.voice = v & 7;
        else if (Option(a, "dots", &v)) r.dots = v & 3;
        else if (PairOption(a, "tuplet", &p, &q)) {
            r.tupletCount = p;
            r.tupletSpan = q;
        } else if (Option(a, "search", &v)) r.chordSearch = v;
        else if (Option(a, "acc", &v)) r.accidental = v;
        else if (Option(a, "pos", &v)) r.position = v;
        else if (Option(a, "cross", &v)) cross = v;
        else if (Option(a, "inserted", &v)) {
            r.insertedDuration = v;
            insertedGiven = true;
        } else throw ScriptError("unknown option \"" + a + "\"");
    }
    r.dots = std::min(r.dots, 2);
    // By default later notes move on by the entry's own length.
    if (!insertedGiven) {
        double ticks = r.value == 0 ? trkBar->GetMeterLength() : 3840 >> r.value;
        for (int d = 0, half = int(ticks) / 2; d < r.dots; ++d, half /= 2) ticks += half;
        if (r.tupletCount && r.tupletSpan) ticks = ticks * r.tupletSpan / r.tupletCount;
        r.insertedDuration = ticks;
    }
    r.headDuration = int(r.insertedDuration);
    const bool ok = rest ? trkBar->InsertRest(r) : trkBar->InsertNote(r, allowChord, cross);
    if (!ok) {
        std::fprintf(ctx.out, "enter: refused\n");
        return;
    }
    g_next = {r.time, r.position};
    std::fprintf(ctx.out, "enter: voice %d time %g pos %d stem %d\n", r.voice, r.time, r.position, r.stem);
}

void RunVoiceCount(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "voicecount T N");
    CScore& score = *ctx.Score().score;
    const int t = ArgIntIn(args, 0, "track", 0, score.GetTrackCount() - 1);
    score.GetTrack(t)->SetVoiceCount(ArgIntIn(args, 1, "voices", 1, 8));
}

// option NAME on|off: beam (36100), spacing (36101), rests (36102), advance.
void RunOption(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "option beam|spacing|rests|advance on|off");
    if (args[1] != "on" && args[1] != "off") throw ScriptError("on or off, not \"" + args[1] + "\"");
    const bool on = args[1] == "on";
    if (args[0] == "beam") g_entry.autoBeam = on;
    else if (args[0] == "spacing") g_entry.autoSpacing = on;
    else if (args[0] == "rests") g_entry.autoRests = on;
    else if (args[0] == "advance") g_entry.advance = on;
    else throw ScriptError("no option \"" + args[0] + "\"");
}

// fillgaps T B VOICE [remove] [hidden] [finish] [last=TICKS]: the voice's gaps filled with rests.
void RunFillGaps(Context& ctx, const Args& args) {
    static const char* usage = "fillgaps T B VOICE [remove] [hidden] [finish] [last=TICKS]";
    NeedArgs(args, 3, 7, usage);
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    const int voice = ArgIntIn(args, 2, "voice", 0, 7);
    bool remove = false, hidden = false, finish = false;
    for (std::size_t i = 3; i < args.size(); ++i) {
        int v = 0;
        if (args[i] == "remove") remove = true;
        else if (args[i] == "hidden") hidden = true;
        else if (args[i] == "finish") finish = true;
        else if (Option(args[i], "last", &v)) g_entry.lastEntryTime = v;
        else throw ScriptError("unknown option \"" + args[i] + "\"");
    }
    if (!trkBar->FillGaps(voice, remove, hidden, finish)) throw ScriptError("a rest could not be made");
}

// print rhythm T B: each live note and rest of the bar with what its time in the voice depends
// on: voice, time, value, dots, tuplet numbers, duration, and the grace, hidden and new marks.
void RunPrintRhythm(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "print rhythm T B");
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    int index = 0;
    for (CBarItem* item = trkBar->GetItems(); item && item->Type() != 255; item = item->NextItem(), ++index) {
        if (item->IsRemoved() || !item->IsNoteOrRest()) continue;
        std::fprintf(ctx.out, "%d %s voice %d time %d pos %d value %d", index, item->IsRest() ? "rest" : "note",
                     item->VoiceField(), item->TimeField(), item->PositionField(), entry::ValueCode(item));
        if (entry::Dots(item)) std::fprintf(ctx.out, " dots %d", entry::Dots(item));
        if (entry::TupletCount(item))
            std::fprintf(ctx.out, " tuplet %d:%d", entry::TupletCount(item), entry::Byte(item, entry::kTupletSpan));
        std::fprintf(ctx.out, " length %g%s%s%s\n", NoteDuration(*item), entry::IsGrace(item) ? " grace" : "",
                     item->IsHidden() ? " hidden" : "", (item->FlagsA() & entry::kNewItemBit) ? " new" : "");
    }
}

const CommandRegistrar registrar{
    {"enter note", "T B TIME STAFFPOS VALUE [options]",
     "enters a note as the note tool does: options voice=N, dots=N, tuplet=C:S, up, down, grace, search=N (-60: "
     "no chord search), nochord, acc=N (the tool's accidental), pos=N (the click's position), cross=N, inserted=N "
     "(ticks later notes move by; default the entry's length)",
     [](Context& ctx, const Args& args) { RunEnter(ctx, args, false); }},
    {"voicecount", "T N", "track T has N voices (1-8)", RunVoiceCount},
    {"enter rest", "T B TIME STAFFPOS VALUE [options]", "enters a rest as the rest tool does; options as enter note",
     [](Context& ctx, const Args& args) { RunEnter(ctx, args, true); }},
    {"print rhythm", "T B", "the live notes and rests of track T's bar B: voice, time, position, value, dots, tuplet, "
     "length and the grace, hidden and new marks", RunPrintRhythm},
    {"option", "beam|spacing|rests|advance on|off",
     "the automatic options: re-beaming, respacing and rests after an entry, and the insertion point moving past "
     "a new note",
     RunOption},
    {"fillgaps", "T B VOICE [remove] [hidden] [finish] [last=TICKS]",
     "fills VOICE's gaps in track T's bar B with rests; remove rebuilds the voice's rests, hidden hides new rests "
     "before the last entry time (last=TICKS sets it), finish re-times, sorts and respaces",
     RunFillGaps},
    {"columns", "T B",
     "measures track T's bar B against the bar's onset columns and prints each column's width after and space "
     "before, and the end space",
     RunColumns},
    {"positions", "T B [VOICE]", "recomputes the positions of VOICE's items in track T's bar B (every voice: -1)",
     RunPositions},
};

}  // namespace
}  // namespace zelscript
