// Accidentals, clefs and keys: `accidentals` works out a bar's accidentals again, `staffkind`
// makes a track's staff standard, percussion or tablature, `print clefkey` answers the clef
// and key in force at a column of a bar.
#include <string>

#include "Script.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"

namespace zelscript {
namespace {

void RunAccidentals(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "accidentals T B");
    CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"))->RecalcAccidentals();
}

void RunStaffKind(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "staffkind T KIND");
    CScore& score = *ctx.Score().score;
    const int t = ArgIntIn(args, 0, "track", 0, score.GetTrackCount() - 1);
    score.GetTrack(t)->SetStaffKind(ArgIntIn(args, 1, "kind", 0, 2));
}

void RunPrintClefKey(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 3, "print clefkey T B POS");
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    int clef = 0, key = 0;
    trkBar->GetClefAndKeyAt(ArgInt(args, 2, "position"), &clef, &key);
    std::fprintf(ctx.out, "clef %d key %d\n", clef, key);
}

const CommandRegistrar registrar{
    {"accidentals", "T B", "works out the accidentals of track T's bar B again", RunAccidentals},
    {"staffkind", "T KIND", "track T's staff becomes standard (0), percussion (1) or tablature (2)", RunStaffKind},
    {"print clefkey", "T B POS", "the clef and key in force in track T's bar B at column POS", RunPrintClefKey},
};

}  // namespace
}  // namespace zelscript
