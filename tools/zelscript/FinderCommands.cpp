// The finders of a bar of a track, one query each: `find KIND ...` prints what the finder found
// (its type name, its index in its bar's run and that bar, with the bar the finder names as the
// one it found in or gave up in where it does) or the ticks it worked out. `updateattached`
// drops a note's link flags that nothing backs.
#include <cstdio>
#include <string>

#include "Script.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Bar.h"
#include "model/Score.h"
#include "model/TrkBar.h"

namespace zelscript {
namespace {

// The index of a record in its bar's run (the end record excluded), -1 when it is not there.
int IndexIn(CTrkBar* bar, const CBarItem* item) {
    int k = 0;
    for (CBarItem* r = bar->GetItems(); r && r->Type() != 255; r = r->NextItem(), ++k)
        if (r == item) return k;
    return -1;
}

// The bar of the track that holds the record.
int BarOf(CTrkBar* from, const CBarItem* item) {
    CScore* score = g_model.currentScore;
    for (int b = 0; score && b < score->GetBarCount(); ++b)
        if (CTrkBar* bar = score->GetTrkBar(from->GetTrackIndex(), b); bar && IndexIn(bar, item) >= 0) return b;
    return -1;
}

// "none", or the record's type name, index and bar.
void PrintFound(Context& ctx, CTrkBar* from, CBarItem* item) {
    if (!item) {
        std::fputs("none", ctx.out);
        return;
    }
    const int bar = BarOf(from, item);
    CScore* score = g_model.currentScore;
    const int index = bar >= 0 ? IndexIn(score->GetTrkBar(from->GetTrackIndex(), bar), item) : -1;
    const ItemTypeEntry* type = FindItemType(item->TypeCode());
    std::fprintf(ctx.out, "%s %d bar %d", type ? type->typeName : "?", index, bar);
}

void Finder(Context& ctx) {
    std::fprintf(ctx.out, " finder %d", g_model.finderBar ? int(g_model.finderBar->GetBarIndex()) : -1);
}

void Beside(Context& ctx, CTrkBar* bar) { std::fprintf(ctx.out, " beside %d", bar ? int(bar->GetBarIndex()) : -1); }

void End(Context& ctx) { std::fputc('\n', ctx.out); }

struct Target {
    CTrkBar* bar;
    CBarItem* item;
};

// T B INDEX: the track bar, made current, and its record.
Target At(Context& ctx, const Args& args, std::size_t min, std::size_t max, const char* usage) {
    NeedArgs(args, min, max, usage);
    CTrkBar* bar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    g_model.finderBar = nullptr;
    return {bar, ItemAt(bar, ArgInt(args, 2, "index"))};
}

CTrkBar* BarAt(Context& ctx, const Args& args, std::size_t min, std::size_t max, const char* usage) {
    NeedArgs(args, min, max, usage);
    CTrkBar* bar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    g_model.finderBar = nullptr;
    return bar;
}

bool Flag(const Args& args, std::size_t from, const char* word) {
    for (std::size_t i = from; i < args.size(); ++i)
        if (args[i] == word) return true;
    return false;
}

// --- a record's partners -------------------------------------------------------------------------

// A partner finder: what it finds for the record (the arguments after T B INDEX are its own),
// and the bar it found in where it names one.
using PartnerFind = CBarItem* (*)(CTrkBar& bar, CBarItem* item, const Args& args, CTrkBar** beside);

// `NAME T B INDEX ...`: prints what the finder found, the bar it set as the finder's bar, and,
// with showBeside, the bar it found in.
Command PartnerCommand(const char* name, const char* usage, const char* help, PartnerFind find, bool showBeside) {
    const std::string full = std::string(name) + " " + usage;
    std::size_t words = 1;
    for (const char* c = usage; *c; ++c) words += *c == ' ';
    return {name, usage, help, [full, words, find, showBeside](Context& ctx, const Args& args) {
                Target t = At(ctx, args, words, words, full.c_str());
                CTrkBar* beside = nullptr;
                PrintFound(ctx, t.bar, find(*t.bar, t.item, args, &beside));
                Finder(ctx);
                if (showBeside) Beside(ctx, beside);
                End(ctx);
            }};
}

int HeadArg(const Args& args) { return ArgInt(args, 3, "head"); }

// --- tuplets, octave lines ---------------------------------------------------------------------------

void RunTuplet(Context& ctx, const Args& args) {
    Target t = At(ctx, args, 3, 4, "find tuplet T B INDEX [last]");
    PrintFound(ctx, t.bar, t.bar->FindTupletOfNote(t.item, Flag(args, 3, "last")));
    End(ctx);
}

// find ottava T B INDEX [in=BAR]: the record of the chain of record INDEX in bar BAR (its own
// bar unless given).
void RunOttava(Context& ctx, const Args& args) {
    Target t = At(ctx, args, 3, 4, "find ottava T B INDEX [in=BAR]");
    int in = t.bar->GetBarIndex();
    if (args.size() > 3 && !Option(args[3], "in", &in)) throw ScriptError("unknown option \"" + args[3] + "\"");
    CTrkBar* bar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), in);
    PrintFound(ctx, bar, bar->FindOttava(t.item));
    End(ctx);
}

void RunOttavaShift(Context& ctx, const Args& args) {
    Target t = At(ctx, args, 3, 3, "find ottavashift T B INDEX");
    std::fprintf(ctx.out, "shift %d\n", t.bar->GetOttavaShiftAt(t.item));
}

// --- ties and glissandi ----------------------------------------------------------------------------

void RunTiedNote(Context& ctx, const Args& args, bool backwards) {
    Target t = At(ctx, args, 4, 4, backwards ? "find tiedfrom T B INDEX HEAD" : "find tied T B INDEX HEAD");
    int head = ArgInt(args, 3, "head");
    CTrkBar* beside = nullptr;
    CBarItem* found = backwards ? t.bar->FindTiedFromNote(t.item, &head, &beside) : t.bar->FindTiedNote(t.item, &head, &beside);
    PrintFound(ctx, t.bar, found);
    if (found) std::fprintf(ctx.out, " head %d", head);
    Finder(ctx);
    Beside(ctx, beside);
    End(ctx);
}

void RunChainSpan(Context& ctx, const Args& args) {
    Target t = At(ctx, args, 4, 4, "find chainspan T B INDEX HEAD");
    TieChainEnd first, last;
    const int span = t.bar->GetTieChainSpan(t.item, ArgInt(args, 3, "head"), &first, &last);
    std::fprintf(ctx.out, "span %d first %d:%d last %d:%d\n", span, first.bar, first.time, last.bar, last.time);
}

void RunTiedLength(Context& ctx, const Args& args) {
    Target t = At(ctx, args, 4, 5, "find tiedlength T B INDEX HEAD [value]");
    std::fprintf(ctx.out, "length %d\n", t.bar->GetTiedLength(t.item, ArgInt(args, 3, "head"), Flag(args, 4, "value")));
}

void RunTimeToNext(Context& ctx, const Args& args) {
    Target t = At(ctx, args, 4, 4, "find timetonext T B INDEX HEAD");
    std::fprintf(ctx.out, "ticks %d\n", t.bar->GetTimeToNext(t.item, ArgInt(args, 3, "head")));
}

// --- walks over the bars ------------------------------------------------------------------------------

void PrintWalk(Context& ctx, CTrkBar* bar, CBarItem* found, int at) {
    PrintFound(ctx, bar, found);
    if (found) std::fprintf(ctx.out, " at %d", at);
    End(ctx);
}

void RunNext(Context& ctx, const Args& args) {
    Target t = At(ctx, args, 3, 3, "find next T B INDEX");
    int at = -1;
    CBarItem* found = t.bar->FindNextItemOfKind(t.item, &at);
    PrintWalk(ctx, t.bar, found, at);
}

void RunPrev(Context& ctx, const Args& args) {
    CTrkBar* bar = BarAt(ctx, args, 5, 5, "find prev T B POS VOICE TYPE");
    int at = -1;
    CBarItem* found = bar->FindPrevItemOfType(ArgInt(args, 2, "position"), ArgInt(args, 3, "voice"), ArgInt(args, 4, "type"), &at);
    PrintWalk(ctx, bar, found, at);
}

void RunAdjacent(Context& ctx, const Args& args) {
    CTrkBar* bar = BarAt(ctx, args, 4, 4, "find adjacent T B POS back|forward");
    if (args[3] != "back" && args[3] != "forward") throw ScriptError("back or forward, not \"" + args[3] + "\"");
    int at = -1;
    CBarItem* found = bar->FindAdjacentNoteOrRest(ArgInt(args, 2, "position"), &at, args[3] == "forward");
    PrintWalk(ctx, bar, found, at);
}

void RunLyric(Context& ctx, const Args& args, bool next) {
    CTrkBar* bar = BarAt(ctx, args, 5, 6, next ? "find nextlyric T B POS VOICE VERSE [skiptied]" : "find prevlyric T B POS VOICE VERSE [skiptied]");
    const int position = ArgInt(args, 2, "position"), voice = ArgInt(args, 3, "voice"), verse = ArgInt(args, 4, "verse");
    const bool skipTied = Flag(args, 5, "skiptied");
    int at = -1;
    CBarItem* found = next ? bar->FindNextLyric(position, voice, verse, &at, skipTied)
                           : bar->FindPrevLyric(position, voice, verse, &at, skipTied);
    PrintWalk(ctx, bar, found, at);
}

// --- inside one bar -----------------------------------------------------------------------------------

void RunNearest(Context& ctx, const Args& args) {
    CTrkBar* bar = BarAt(ctx, args, 4, 6, "find nearest T B VOICE POS [after] [notes]");
    PrintFound(ctx, bar, bar->FindNearestNoteOrRest(ArgInt(args, 2, "voice"), ArgInt(args, 3, "position"), Flag(args, 4, "after"),
                                                   Flag(args, 4, "notes")));
    End(ctx);
}

void RunAtX(Context& ctx, const Args& args) {
    CTrkBar* bar = BarAt(ctx, args, 5, 5, "find atx T B VOICE POS WIDTH");
    PrintFound(ctx, bar, bar->FindNoteOrRestAtX(ArgInt(args, 2, "voice"), ArgInt(args, 3, "position"), ArgInt(args, 4, "width")));
    End(ctx);
}

void RunKind(Context& ctx, const Args& args) {
    CTrkBar* bar = BarAt(ctx, args, 5, 6, "find kind T B VOICE TIME TYPE [VERSE]");
    const int verse = args.size() > 5 ? ArgInt(args, 5, "verse") : -1;
    PrintFound(ctx, bar, bar->FindItemOfKindAt(ArgInt(args, 2, "voice"), ArgInt(args, 3, "time"), ArgInt(args, 4, "type"), verse));
    End(ctx);
}

// find xtotick T B X [pos]: the time at page x X (with pos, X is a position of the bar and the
// page x is its own).
void RunXToTick(Context& ctx, const Args& args) {
    CTrkBar* bar = BarAt(ctx, args, 3, 4, "find xtotick T B X [pos]");
    int x = ArgInt(args, 2, "x");
    if (Flag(args, 3, "pos")) {
        CBar* b = bar->GetBar();
        if (!b) throw ScriptError("the bar has no bar record");
        x = b->FractionToX(x);
    }
    CBar* b = bar->GetBar();
    std::fprintf(ctx.out, "x %d at %d ticks %d\n", x, b ? int(b->XToFraction(x)) : 0, bar->XToTick(x));
}

// --- the items attached to a note ----------------------------------------------------------------------

void RunAttached(Context& ctx, const Args& args) {
    Target t = At(ctx, args, 4, 5, "find attached T B INDEX KIND [max=N]");
    int capacity = 256;
    if (args.size() > 4 && !Option(args[4], "max", &capacity)) throw ScriptError("unknown option \"" + args[4] + "\"");
    if (capacity < 0 || capacity > 256) throw ScriptError("max lies outside 0-256");
    CBarItem* found[256];
    const int n = t.bar->GetAttachedItems(t.item, found, capacity, ArgInt(args, 3, "kind"));
    std::fprintf(ctx.out, "%d", n);
    for (int i = 0; i < n; ++i) {
        std::fputs(i ? ", " : ": ", ctx.out);
        PrintFound(ctx, t.bar, found[i]);
    }
    End(ctx);
}

void RunUpdateAttached(Context& ctx, const Args& args) {
    Target t = At(ctx, args, 3, 3, "updateattached T B INDEX");
    t.bar->UpdateAttachedItems(t.item);
}

const CommandRegistrar registrar{
    PartnerCommand("find beamstart", "T B INDEX", "the beam that starts on note INDEX",
                   [](CTrkBar& bar, CBarItem* item, const Args&, CTrkBar**) { return bar.FindBeamStartingAt(item); }, false),
    PartnerCommand("find beamend", "T B INDEX", "the beam that ends on note INDEX",
                   [](CTrkBar& bar, CBarItem* item, const Args&, CTrkBar**) { return bar.FindBeamEndingAt(item); }, false),
    PartnerCommand("find lineend", "T B INDEX KIND",
                   "the item of KIND (a type code; -1 slurs and line items; -2 line items) that ends on note INDEX, from "
                   "this bar back to bar 0",
                   [](CTrkBar& bar, CBarItem* item, const Args& args, CTrkBar** beside) {
                       return bar.FindLineEndingAt(item, ArgInt(args, 3, "kind"), beside);
                   },
                   true),
    PartnerCommand("find linestart", "T B INDEX KIND", "the item of KIND that starts on note INDEX",
                   [](CTrkBar& bar, CBarItem* item, const Args& args, CTrkBar**) {
                       return bar.FindLineStartingAt(item, ArgInt(args, 3, "kind"));
                   },
                   false),
    PartnerCommand("find startnote", "T B INDEX", "the note or rest the start of item INDEX rests on",
                   [](CTrkBar& bar, CBarItem* item, const Args&, CTrkBar**) { return bar.FindLineStartNote(item); }, false),
    PartnerCommand("find endnote", "T B INDEX", "the note or rest the end of item INDEX rests on, in its end bar",
                   [](CTrkBar& bar, CBarItem* item, const Args&, CTrkBar** beside) { return bar.FindLineEndNote(item, beside); },
                   true),
    PartnerCommand("find tiefrom", "T B INDEX HEAD", "the tie that starts at head HEAD of note INDEX",
                   [](CTrkBar& bar, CBarItem* item, const Args& args, CTrkBar**) { return bar.FindTieFrom(item, HeadArg(args)); },
                   false),
    PartnerCommand("find tieinto", "T B INDEX HEAD", "the tie that ends at head HEAD (this bar, then the previous one)",
                   [](CTrkBar& bar, CBarItem* item, const Args& args, CTrkBar** beside) {
                       return bar.FindTieInto(item, HeadArg(args), beside);
                   },
                   true),
    PartnerCommand("find glissfrom", "T B INDEX HEAD", "the glissando that starts at head HEAD",
                   [](CTrkBar& bar, CBarItem* item, const Args& args, CTrkBar**) { return bar.FindGlissFrom(item, HeadArg(args)); },
                   false),
    PartnerCommand("find glissinto", "T B INDEX HEAD",
                   "the glissando that ends at head HEAD (a note at time 0: the previous bar)",
                   [](CTrkBar& bar, CBarItem* item, const Args& args, CTrkBar** beside) {
                       return bar.FindGlissInto(item, HeadArg(args), beside);
                   },
                   true),
    {"find tied", "T B INDEX HEAD", "the note head HEAD is tied on to, and its head",
     [](Context& ctx, const Args& args) { RunTiedNote(ctx, args, false); }},
    {"find tiedfrom", "T B INDEX HEAD", "the note head HEAD is tied from, and its head",
     [](Context& ctx, const Args& args) { RunTiedNote(ctx, args, true); }},
    {"find tuplet", "T B INDEX [last]", "the first (last) tuplet whose span of time holds note INDEX", RunTuplet},
    {"find ottava", "T B INDEX [in=BAR]", "the octave line of record INDEX's chain in bar BAR", RunOttava},
    {"find ottavashift", "T B INDEX", "the semitones the bar's first octave line of the voice gives record INDEX",
     RunOttavaShift},
    {"find chainspan", "T B INDEX HEAD", "the ticks of head HEAD's whole tie chain, and where it begins and ends",
     RunChainSpan},
    {"find tiedlength", "T B INDEX HEAD [value]",
     "the ticks note INDEX sounds with the notes it is tied on to (value: by written durations)", RunTiedLength},
    {"find timetonext", "T B INDEX HEAD", "the ticks from head HEAD's play start to the voice's next sound", RunTimeToNext},
    {"find next", "T B INDEX", "the next record of record INDEX's kind and voice, here or in a later bar", RunNext},
    {"find prev", "T B POS VOICE TYPE", "the last record of TYPE and VOICE (-1 any) before POS, here or earlier", RunPrev},
    {"find adjacent", "T B POS back|forward", "the note or rest of a shown voice beside POS, here or in the bar beside",
     RunAdjacent},
    {"find nextlyric", "T B POS VOICE VERSE [skiptied]", "the lyric of VERSE on the next note after POS, or the next note without one",
     [](Context& ctx, const Args& args) { RunLyric(ctx, args, true); }},
    {"find prevlyric", "T B POS VOICE VERSE [skiptied]", "the lyric of VERSE or note before POS",
     [](Context& ctx, const Args& args) { RunLyric(ctx, args, false); }},
    {"find nearest", "T B VOICE POS [after] [notes]", "the note or rest of VOICE (-1 any) nearest POS", RunNearest},
    {"find atx", "T B VOICE POS WIDTH", "the first note or rest of VOICE in the window WIDTH wide around POS", RunAtX},
    {"find kind", "T B VOICE TIME TYPE [VERSE]", "the first record of VOICE, TIME and TYPE (a lyric of VERSE)", RunKind},
    {"find xtotick", "T B X [pos]", "the time at page x X (pos: X is a position of the bar)", RunXToTick},
    {"find attached", "T B INDEX KIND [max=N]",
     "the items attached to note INDEX (0 ending on it, 1 starting on it, 4 its tuplets, 5 its beam), at most N", RunAttached},
    {"updateattached", "T B INDEX", "drops the link flags of note INDEX that no item backs", RunUpdateAttached},
};

}  // namespace
}  // namespace zelscript
