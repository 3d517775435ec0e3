// The edits a user makes on notes by hand: `select note` marks a note and its heads as
// selected (`select note none` clears every mark), `respell` gives the selected heads their
// next enharmonic spelling, `transpose` moves them by an interval, by steps of the key or by
// semitones, `transposeall` writes every head again for a change of key, and `nudge` is an
// arrow-key move. `print heads` shows what these change: each head's staff position, pitch,
// accidental, shape and tie and selection flags. `drum` fills an entry of a track's drum map and
// `prefs byte` sets a byte of the preferences record (the chromatic-step preference, ...).
#include <string>

#include "Script.h"
#include "model/ModelGlobals.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/RawNote.h"

namespace zelscript {
namespace {

// Record INDEX of track T's bar B as a note (the track bar made current); a ScriptError when the
// record is not a note.
CRawNote* NoteAt(Context& ctx, const Args& args, std::size_t from) {
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, from, "track"), ArgInt(args, from + 1, "bar"));
    CBarItem* item = ItemAt(trkBar, ArgInt(args, from + 2, "index"));
    if (!item->IsNoteOrRawNote()) throw ScriptError("item " + args[from + 2] + " is not a note");
    return static_cast<CRawNote*>(item);
}

void ClearSelection(CScore& score) {
    for (int t = 0; t < score.GetTrackCount(); ++t)
        for (int b = 0; b < score.GetBarCount(); ++b) {
            CTrkBar* trkBar = score.GetTrkBar(t, b);
            if (!trkBar) continue;
            for (CBarItem* item = trkBar->GetItems(); item && item->Type() != 255; item = item->NextItem()) {
                if (item->RecordSizeField() < CBarItem::kHeadEnd) break;
                item->SetFlagsB(std::uint8_t(item->FlagsB() & ~CBarItem::kSelectedBit));
                if (item->IsNoteOrRawNote()) {
                    auto* note = static_cast<CRawNote*>(item);
                    for (int h = 0; h < note->HeadCountField(); ++h)
                        note->Head(h)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, false);
                }
            }
        }
}

// select note T B INDEX [HEAD ...] | select note none
void RunSelectNote(Context& ctx, const Args& args) {
    static const char* usage = "select note T B INDEX [HEAD ...] | select note none";
    CSelect* sel = ctx.Score().doc->GetSelection();
    if (args.size() == 1 && args[0] == "none") {
        ClearSelection(*ctx.Score().score);
        sel->Reset();
        return;
    }
    NeedArgs(args, 3, 258, usage);
    CRawNote* note = NoteAt(ctx, args, 0);
    CTrkBar* trkBar = ctx.Score().score->GetTrkBar(ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    note->DeselectPart(CRawNote::kAllHeads);
    if (args.size() == 3) {
        sel->MarkItem(note, CSelect::kWhole, trkBar);
        return;
    }
    // The note counts once; its further heads are marked on it.
    sel->MarkItem(note, ArgIntIn(args, 3, "head", 0, note->HeadCountField() - 1), trkBar);
    for (std::size_t i = 4; i < args.size(); ++i)
        note->SelectPart(ArgIntIn(args, i, "head", 0, note->HeadCountField() - 1));
}

void RunRespell(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 3, "respell T B INDEX");
    NoteAt(ctx, args, 0)->RespellSelected();
}

void RunTranspose(Context& ctx, const Args& args) {
    NeedArgs(args, 5, 5, "transpose T B INDEX AMOUNT MODE");
    CRawNote* note = NoteAt(ctx, args, 0);
    note->TransposeSelected(ArgIntIn(args, 3, "amount", -127, 127), ArgIntIn(args, 4, "mode", 0, 2));
}

void RunTransposeAll(Context& ctx, const Args& args) {
    NeedArgs(args, 7, 7, "transposeall T B INDEX FROMKEY TOKEY CLEF SEMITONES");
    CRawNote* note = NoteAt(ctx, args, 0);
    note->TransposeAll(ArgIntIn(args, 3, "from key", 0, 14), ArgIntIn(args, 4, "to key", 0, 14),
                       ArgIntIn(args, 5, "clef", 0, 13), ArgIntIn(args, 6, "semitones", -127, 127));
}

void RunNudge(Context& ctx, const Args& args) {
    NeedArgs(args, 5, 5, "nudge T B INDEX DX DY");
    CRawNote* note = NoteAt(ctx, args, 0);
    note->Nudge(ArgIntIn(args, 3, "dx", -1024, 1024), ArgIntIn(args, 4, "dy", -127, 127));
}

// One line per head: its index, staff position, pitch, accidental code (+ shown), shape, cross
// staff offset, then sel (selected), tie> (a tie starts here) where set.
void RunPrintHeads(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 3, "print heads T B INDEX");
    CRawNote* note = NoteAt(ctx, args, 0);
    std::fprintf(ctx.out, "note pos %d %s%s\n", int(note->PositionField()), note->IsStemUp() ? "up" : "down",
                 (note->FlagsA() & CBarItem::kRelayoutBit) ? " relayout" : "");
    for (int h = 0; h < note->HeadCountField(); ++h) {
        const NoteHead* head = note->Head(h);
        std::fprintf(ctx.out, "  head %d pos %d pitch %d acc %d%s shape %d", h, int(head->Position()),
                     int(head->Pitch()), head->Accidental(), head->IsAccidentalShown() ? "+" : "", head->Shape());
        if (head->CrossStaffOffset()) std::fprintf(ctx.out, " x%d", head->CrossStaffOffset());
        if (head->IsSelected()) std::fputs(" sel", ctx.out);
        if (head->HasTieStart()) std::fputs(" tie>", ctx.out);
        std::fputc('\n', ctx.out);
    }
}

// drum T I POS HEAD KEY [VOICE] | drum T clear
void RunDrum(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 6, "drum T I POS HEAD KEY [VOICE] | drum T clear");
    CScore& score = *ctx.Score().score;
    CTrack* track = score.GetTrack(ArgIntIn(args, 0, "track", 0, score.GetTrackCount() - 1));
    if (args.size() == 2 && args[1] == "clear") {
        for (int at : {CTrack::kDrumPositions, CTrack::kDrumHeads, CTrack::kDrumKeys, CTrack::kDrumVoices})
            for (int i = 0; i < CTrack::kDrums; ++i) rec::Put<std::uint8_t>(track, std::size_t(at + i), 0);
        return;
    }
    NeedArgs(args, 5, 6, "drum T I POS HEAD KEY [VOICE] | drum T clear");
    const int i = ArgIntIn(args, 1, "entry", 0, CTrack::kDrums - 1);
    rec::Put<std::uint8_t>(track, std::size_t(CTrack::kDrumPositions + i), std::uint8_t(ArgIntIn(args, 2, "position", -128, 127)));
    rec::Put<std::uint8_t>(track, std::size_t(CTrack::kDrumHeads + i), std::uint8_t(ArgIntIn(args, 3, "head", 0, 63)));
    rec::Put<std::uint8_t>(track, std::size_t(CTrack::kDrumKeys + i), std::uint8_t(ArgIntIn(args, 4, "key", 0, 127)));
    rec::Put<std::uint8_t>(track, std::size_t(CTrack::kDrumVoices + i), std::uint8_t(args.size() > 5 ? ArgIntIn(args, 5, "voice", 0, 7) : 0));
}

void RunPrefsByte(Context&, const Args& args) {
    NeedArgs(args, 2, 2, "prefs byte OFFSET VALUE");
    g_preferences.SetByte(ArgIntIn(args, 0, "offset", 0, Preferences::kSize - 1), std::uint8_t(ArgIntIn(args, 1, "value", 0, 255)));
}

const CommandRegistrar registrar{
    {"select note", "T B INDEX [HEAD ...] | none",
     "selects record INDEX of track T's bar B with all its heads or the heads listed (its other heads "
     "deselected); none: nothing in the score stays selected",
     RunSelectNote},
    {"respell", "T B INDEX", "the selected heads of note INDEX take their next enharmonic spelling", RunRespell},
    {"transpose", "T B INDEX AMOUNT MODE",
     "moves the selected heads of note INDEX: mode 0 by interval number AMOUNT, 1 by AMOUNT steps of the key, "
     "2 by AMOUNT semitones",
     RunTranspose},
    {"transposeall", "T B INDEX FROMKEY TOKEY CLEF SEMITONES",
     "writes every head of note INDEX again for a change from key FROMKEY to TOKEY, moving it SEMITONES",
     RunTransposeAll},
    {"nudge", "T B INDEX DX DY", "an arrow-key move of note INDEX (DY up, DX right)", RunNudge},
    {"print heads", "T B INDEX", "each head of note INDEX: staff position, pitch, accidental, shape, flags",
     RunPrintHeads},
    {"drum", "T I POS HEAD KEY [VOICE] | T clear",
     "entry I of track T's drum map: staff position, note head, key, voice; clear: every entry zero",
     RunDrum},
    {"prefs byte", "OFFSET VALUE", "sets the preferences byte at OFFSET (16 chromatic steps, ...)", RunPrefsByte},
};

}  // namespace
}  // namespace zelscript
