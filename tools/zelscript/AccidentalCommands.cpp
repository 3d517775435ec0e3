// Accidentals, clefs and keys: `accidentals` works out a bar's accidentals again, `keysig`
// puts a key signature in and respells the bars it governs, `clefchange` moves the heads for a
// new clef and puts the clef in, `staffkind` makes a track's staff standard, percussion or
// tablature, `print clefkey` answers the clef and key in force at a column of a bar, `across`
// places a record over the bar lines its time and length reach, `print attachy` answers where
// curves over and under a note meet it, `merge` puts a note in as MergeNote does.
#include <string>
#include <vector>

#include "Script.h"
#include "model/Clef.h"
#include "model/ModelGlobals.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/Score.h"
#include "model/ScoreStructureStandIns.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "notation/NoteStandIns.h"
#include "notation/RawNote.h"

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

// keysig T B POS KEY [last=N] [mode=N] [flag1] [flag2] [cancel=N] [keep=N] [color=N]
void RunKeySig(Context& ctx, const Args& args) {
    static const char* usage = "keysig T B POS KEY [last=N] [mode=N] [flag1] [flag2] [cancel=N] [keep=N] [color=N]";
    NeedArgs(args, 4, 11, usage);
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    const int position = ArgInt(args, 2, "position");
    const int key = ArgIntIn(args, 3, "key", 0, 14);
    int last = -1, mode = 0, cancel = 0, keep = 0, color = 0;
    bool flag1 = false, flag2 = false;
    for (std::size_t i = 4; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "flag1") flag1 = true;
        else if (a == "flag2") flag2 = true;
        else if (!Option(a, "last", &last) && !Option(a, "mode", &mode) && !Option(a, "cancel", &cancel) &&
                 !Option(a, "keep", &keep) && !Option(a, "color", &color))
            throw ScriptError("unknown option \"" + a + "\"");
    }
    if (!trkBar->InsertKeySig(position, last, key, mode, flag2, cancel, flag1, keep, color))
        throw ScriptError("the key signature could not be made");
}

// clefchange T B POS CLEF: the clef goes in at the column, then the heads from it to the next
// clef move for it.
void RunClefChange(Context& ctx, const Args& args) {
    NeedArgs(args, 4, 4, "clefchange T B POS CLEF");
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    const int position = ArgInt(args, 2, "position");
    const int clef = ArgIntIn(args, 3, "clef", 0, 13);
    CBar* bar = trkBar->GetBar();
    const int time = bar ? bar->FractionToTick(position) : 0;
    CBarItem* item = trkBar->NewItem(CClef::kTypeCode, time);
    if (!item) throw ScriptError("the clef could not be made");
    item->InitNew(0, time, position);
    rec::Put<std::uint8_t>(item, CClef::kCode, std::uint8_t(clef));
    trkBar->RepositionForClef(position, clef);
    // The bars are not recalculated here: the next recalculation walks the whole score.
    ctx.Score().score->ForgetRecalcStarts();
}

void RunAcross(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 3, "across T B INDEX");
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    CBarItem* item = ItemAt(trkBar, ArgInt(args, 2, "index"));
    if (!item->IsNoteRestOrRawNote()) throw ScriptError("item " + args[2] + " is not a note or rest");
    std::fprintf(ctx.out, "across: %s\n", trkBar->InsertAcrossBars(item) ? "placed" : "refused");
}

void RunPrintAttachY(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 3, "print attachy T B INDEX");
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    CBarItem* item = ItemAt(trkBar, ArgInt(args, 2, "index"));
    if (!item->IsNoteOrRawNote()) throw ScriptError("item " + args[2] + " is not a note");
    auto* note = static_cast<CRawNote*>(item);
    std::fprintf(ctx.out, "above %d below %d above at heads %d below at heads %d\n", note->GetAttachY(true, false),
                 note->GetAttachY(false, false), note->GetAttachY(true, true),
                 note->GetAttachY(false, true));
}

// merge T B INDEX LENGTH VOICE: record INDEX (a note) is taken out and merged back in with the
// sounding length and voice (-1: a free one).
void RunMerge(Context& ctx, const Args& args) {
    NeedArgs(args, 5, 5, "merge T B INDEX LENGTH VOICE");
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    CBarItem* item = ItemAt(trkBar, ArgInt(args, 2, "index"));
    if (!item->IsNote()) throw ScriptError("item " + args[2] + " is not a note");
    const int length = ArgIntIn(args, 3, "length", 1, 32767);
    const int voice = ArgIntIn(args, 4, "voice", -1, 7);
    std::vector<std::uint8_t> copy(item->Bytes(), item->Bytes() + item->RecordSizeField());
    item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kRemovedBit));
    trkBar->Compact();
    if (!trkBar->MergeNote(reinterpret_cast<CBarItem*>(copy.data()), length, voice))
        throw ScriptError("the note could not be merged");
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
    {"keysig", "T B POS KEY [last=N] [mode=N] [flag1] [flag2] [cancel=N] [keep=N] [color=N]",
     "a key signature of KEY at column POS of track T's bar B, respelling up to bar `last` (mode 0 keeps the "
     "pitches, 1 and -1 move them with the key)",
     RunKeySig},
    {"clefchange", "T B POS CLEF", "puts clef CLEF in at column POS of track T's bar B and moves the heads after it for it", RunClefChange},
    {"across", "T B INDEX", "places record INDEX of track T's bar B over the bar lines it reaches", RunAcross},
    {"merge", "T B INDEX LENGTH VOICE", "takes note INDEX out and merges it back in, sounding LENGTH ticks, into VOICE (-1: a free one)", RunMerge},
    {"staffkind", "T KIND", "track T's staff becomes standard (0), percussion (1) or tablature (2)", RunStaffKind},
    {"print attachy", "T B INDEX", "where curves over and under note INDEX meet it, at the stem end and at the heads",
     RunPrintAttachY},
    {"print clefkey", "T B POS", "the clef and key in force in track T's bar B at column POS", RunPrintClefKey},
};

}  // namespace
}  // namespace zelscript
