// A bar's recalculation after an edit: `put` writes a raw record of a kind (tie, slur,
// glissando, tuplet, hairpin, lyric, chord symbol, ottava, ...) into a track bar with its fields
// as given, and coordinates nothing (notes and rests come from `note` and `rest`); `flag` and
// `drop` set a record's layout flag or removed bit; the recalculation's commands run one
// operation each; `print timing` shows what the re-timing and re-attaching read and write on the
// notes and rests, `print ends` the two-ended items' ends and sides. The item dump shows a hairpin's
// end.
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <string>
#include <vector>

#include "Script.h"
#include "model/Bar.h"
#include "model/Graphic.h"
#include "model/ItemFactory.h"
#include "model/ScoreLocation.h"
#include "model/Lyric.h"
#include "model/ModelGlobals.h"
#include "model/PlaybackMarks.h"
#include "model/Score.h"
#include "model/TieType.h"
#include "model/TrkBar.h"

namespace zelscript {
namespace {

// Fields the options write (the two-ended items' are model/TieType.h's).
enum : int {
    kGroupKind = 34,
};
// Fields of notes and rests that `print timing` reads.
enum : int { kTupletCount = 16, kTupletSpace = 17, kNoteFlags = 18, kRestLinks = 21, kNoteLinks = 22, kHeadCount = 23, kHeads = 24, kHeadSize = 16 };

struct Kind {
    const char* name;
    int code;
};
constexpr Kind kKinds[] = {
    {"chord", 17},  {"hairpin", 19}, {"dynamic", 20}, {"gliss", 21}, {"lyric", 24},  {"ottava", 25},
    {"slur", 27},   {"text", 29},    {"tie", 30},     {"tuplet", 31}, {"bend", 33},  {"barre", 34},
    {"pedal", 35},  {"group", 36},   {"frame", 40},   {"graphic", 64}, {"harp", 38},  {"picture", 26},
    {"controller", 171}, {"expression", 37},
};

int KindCode(const std::string& name) {
    for (const Kind& k : kKinds)
        if (name == k.name) return k.code;
    throw ScriptError("unknown kind \"" + name + "\" (chord, hairpin, dynamic, gliss, lyric, ottava, slur, text, tie, "
                      "tuplet, bend, barre, pedal, group, frame, graphic, harp, picture, controller, expression)");
}

bool IsTieType(int code) { return CTieType::IsTwoEndedCode(code); }

void Need(CBarItem* item, int at, int width, const std::string& option) {
    if (item->RecordSizeField() < at + width) throw ScriptError("option \"" + option + "\" lies past the record");
}

// put T B graphic|harp|picture TIME [shape=0-5] [place=X1,Y1,X2,Y2] [options]: the record made
// as its tool makes it and, with place=, placed through its own placement by two page points
// (the bar and time given then only name the score); without place= it stands at TIME in
// track T's bar B. Options: shape=N, filled, arrows=start|end|both, reversed, free, style=N,
// width=N (1/20), radius=N, control=I:FRACTION:DY, endbars=N, endpos=N, endstaff=N,
// dx=N, dy=N, enddx=N, enddy=N (graphics); pedals=P,P,P,P,P,P,P (each -1, 0 or 1), hstyle=N,
// shown=MASK, scale=PERCENT (harps); dy=N (pictures); selected.
void PutPlaced(Context& ctx, const Args& args, CTrkBar* trkBar, int code) {
    int shape = 0;
    std::vector<std::string> rest;
    int place[4] = {};
    bool placed = false;
    for (std::size_t i = 4; i < args.size(); ++i) {
        int v = 0;
        if (Option(args[i], "shape", &v)) {
            if (code != 64 || v < 0 || v > 5) throw ScriptError("shape is 0-5, for a graphic");
            shape = v;
        } else if (args[i].rfind("place=", 0) == 0) {
            if (std::sscanf(args[i].c_str() + 6, "%d,%d,%d,%d", &place[0], &place[1], &place[2], &place[3]) != 4)
                throw ScriptError("place=X1,Y1,X2,Y2");
            placed = true;
        } else {
            rest.push_back(args[i]);
        }
    }
    const int type = code == 64 ? CGraphic::TypeOfKind(shape) : code;
    const int size = code == 64 ? CGraphic::SizeOfKind(shape) : GetItemRecordSizeForCode(code);
    alignas(8) std::uint8_t bytes[128] = {};
    rec::Put<std::int16_t>(bytes, rec::kSize, std::int16_t(size));
    auto* item = static_cast<CBarItem*>(ConstructItem(type, bytes));
    const int time = ArgIntIn(args, 3, "time", -32767, 32767);
    item->InitNew(0, time, g_model.currentBar ? g_model.currentBar->TickToFraction(time, false) : 0);
    auto* g = CGraphic::Of(item);
    auto* harp = static_cast<CHarpPed*>(item);
    if (code == 64) {
        g->SetKind(shape);
        g->SetLineWidth(20);
    }
    for (const std::string& a : rest) {
        int v = 0, p = 0, q = 0;
        const auto graphic = [&] {
            if (code != 64) throw ScriptError("option \"" + a + "\" is a graphic's");
        };
        if (a == "selected") item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kSelectedBit));
        else if (a == "filled") graphic(), g->SetFlag(CGraphic::kFilled, true);
        else if (a == "reversed") graphic(), g->SetFlag(CGraphic::kReversed, true);
        else if (a == "free") graphic(), g->SetFlag(CGraphic::kFreeEnd, true);
        else if (a == "arrows=start" || a == "arrows=end" || a == "arrows=both") {
            graphic();
            g->SetFlag(CGraphic::kArrowStart, a != "arrows=end");
            g->SetFlag(CGraphic::kArrowEnd, a != "arrows=start");
        } else if (Option(a, "style", &v)) graphic(), g->SetLineStyle(v);
        else if (Option(a, "width", &v)) graphic(), g->SetLineWidth(v);
        else if (Option(a, "radius", &v)) graphic(), g->SetRadius(v);
        else if (Option(a, "endbars", &v)) graphic(), g->SetEndBars(v);
        else if (Option(a, "endpos", &v)) graphic(), g->SetEndPosition(v);
        else if (Option(a, "endstaff", &v)) graphic(), g->SetEndStaff(v);
        else if (Option(a, "enddx", &v)) graphic(), g->SetEndDx(v);
        else if (Option(a, "enddy", &v)) graphic(), g->SetEndDy(v);
        else if (Option(a, "dx", &v)) graphic(), g->SetStartDx(v);
        else if (Option(a, "dy", &v)) {
            if (code == 64) g->SetStartDy(v);
            else if (code == 26) static_cast<CPict*>(item)->SetYOffset(v);
            else harp->SetYOffset(v);
        } else if (a.rfind("control=", 0) == 0) {
            graphic();
            int i = 0, f = 0, d = 0;
            if (std::sscanf(a.c_str() + 8, "%d:%d:%d", &i, &f, &d) != 3 || i < 0 || i > 1) throw ScriptError("control=I:FRACTION:DY");
            g->SetControl(i, f, d);
        } else if (a.rfind("pedals=", 0) == 0 && code == 38) {
            int p7[7];
            if (std::sscanf(a.c_str() + 7, "%d,%d,%d,%d,%d,%d,%d", &p7[0], &p7[1], &p7[2], &p7[3], &p7[4], &p7[5], &p7[6]) != 7)
                throw ScriptError("pedals=P,P,P,P,P,P,P");
            for (int i = 0; i < 7; ++i) harp->SetPedal(i, std::clamp(p7[i], -1, 1));
        } else if (Option(a, "hstyle", &v) && code == 38) harp->SetStyle(v);
        else if (Option(a, "shown", &v) && code == 38) harp->SetShown(std::uint8_t(v));
        else if (Option(a, "scale", &v) && code == 38) item->CBaseItem::SetScale(v);
        else if (PairOption(a, "byte", &p, &q)) rec::Put<std::uint8_t>(item, std::size_t(p), std::uint8_t(q));
        else throw ScriptError("unknown option \"" + a + "\" for a " + args[2]);
    }
    CScore* score = g_model.currentScore;
    if (!placed) {
        if (!trkBar->InsertCopy(item)) throw ScriptError("the record could not be inserted");
        trkBar->SetCurrent();
        return;
    }
    if (!score) throw ScriptError("no score");
    ScoreLocation start, end;
    start.pointX = place[0], start.pointY = place[1];
    end.pointX = place[2], end.pointY = place[3];
    if (code == 64) {
        // The tool's first point is where the graphic is pressed: it is placed at that bar, its
        // end measured from the second point.
        ScoreLocation at;
        score->LocatePoint(place[0], place[1], &at);
        if (CTrkBar* home = score->GetTrkBar(at.trackIndex, at.barIndex)) home->SetCurrent();
    }
    CBarItem* result = item->PlaceAtPoint(start, end);
    if (!result) throw ScriptError("the item could not be placed at " + std::to_string(place[0]) + "," + std::to_string(place[1]));
    (void)ctx;
}

// put T B KIND TIME [options]: a new raw record of the kind at TIME, its position the time's
// column unless pos= gives one.
void RunPut(Context& ctx, const Args& args) {
    static const char* usage = "put T B KIND TIME [options]";
    NeedArgs(args, 4, 30, usage);
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    const int code = KindCode(args[2]);
    if (code == 64 || code == 38 || code == 26) {
        PutPlaced(ctx, args, trkBar, code);
        return;
    }
    const int time = ArgIntIn(args, 3, "time", -32767, 32767);
    CBarItem* item = trkBar->NewItem(code, time);
    if (!item) throw ScriptError("the record could not be made");
    CBar* bar = g_model.currentBar;
    item->SetPositionField(bar ? bar->TickToFraction(time, false) : 0);
    for (std::size_t i = 4; i < args.size(); ++i) {
        const std::string& a = args[i];
        int v = 0, p = 0, q = 0;
        if (Option(a, "pos", &v)) {
            item->SetPositionField(std::int16_t(v));
        } else if (Option(a, "voice", &v)) {
            item->SetFlagsB(std::uint8_t((item->FlagsB() & 0x1F) | ((v & 7) << CBarItem::kVoiceShift)));
        } else if (a == "relayout") {
            item->SetFlagsA(std::uint8_t(item->FlagsA() | CBarItem::kRelayoutBit));
        } else if (a == "hidden") {
            item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kHiddenBit));
        } else if (a == "removed") {
            item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kRemovedBit));
        } else if (a == "above" && IsTieType(code)) {
            CTieType::Of(item)->SetAboveBit(true);
        } else if (PairOption(a, "end", &p, &q)) {
            const bool hairpin = code == 19;
            if (!hairpin && !IsTieType(code)) throw ScriptError("a " + args[2] + " has no end");
            if (hairpin) {
                CCresc::Of(item)->SetEnd(p, q);
            } else {
                CTieType::Of(item)->SetEndBarOffset(p);
                CTieType::Of(item)->SetEndPositionField(q);
            }
        } else if (PairOption(a, "y", &p, &q) && IsTieType(code)) {
            CTieType::Of(item)->SetStartY(p);
            CTieType::Of(item)->SetEndY(q);
        } else if (PairOption(a, "staves", &p, &q) && IsTieType(code)) {
            CTieType::Of(item)->SetStartStaffOffset(p);
            CTieType::Of(item)->SetEndStaffOffset(q);
        } else if (Option(a, "pitch", &v) && IsTieType(code)) {
            CTieType::Of(item)->SetPitch(v);
        } else if (Option(a, "height", &v) && code == 30) {
            static_cast<CTie*>(item)->SetHeight(v);
        } else if (Option(a, "kind", &v) && code == 36) {
            rec::Put<std::uint8_t>(item, kGroupKind, std::uint8_t(v));
        } else if (PairOption(a, "ratio", &p, &q) && code == 31) {
            static_cast<CTuplet*>(item)->SetNumbers(p, q);
        } else if (Option(a, "verse", &v) && code == 24) {
            rec::Put<std::int16_t>(item, CLyric::kVerse, std::int16_t(v));
        } else if (PairOption(a, "byte", &p, &q)) {
            Need(item, p, 1, a);
            rec::Put<std::uint8_t>(item, std::size_t(p), std::uint8_t(q));
        } else if (PairOption(a, "word", &p, &q)) {
            Need(item, p, 2, a);
            rec::Put<std::int16_t>(item, std::size_t(p), std::int16_t(q));
        } else {
            throw ScriptError("unknown option \"" + a + "\" for a " + args[2]);
        }
    }
}

// The layout flag of record INDEX, or its removed bit.
void RunFlag(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 3, "flag T B INDEX");
    CBarItem* item = ItemAt(CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar")), ArgInt(args, 2, "index"));
    item->SetFlagsA(std::uint8_t(item->FlagsA() | CBarItem::kRelayoutBit));
}

void RunDrop(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 3, "drop T B INDEX");
    CBarItem* item = ItemAt(CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar")), ArgInt(args, 2, "index"));
    item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kRemovedBit));
}

void RunCompact(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "compact T B");
    CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"))->Compact();
}

void RunRecalc(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 3, "recalc T B MODE");
    CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"))->Recalc(ArgIntIn(args, 2, "mode", 0, 3));
}

// Prints the overflow (positive) or shortfall (negative) and the voice it belongs to.
void RunRecalcTimes(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "recalctimes T B");
    int track = -1, voice = -1;
    const int result = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"))->RecalcTimes(&track, &voice);
    std::fprintf(ctx.out, "recalctimes: %d track %d voice %d\n", result, track, voice);
}

void RunRefit(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 3, "refit T B VOICE");
    CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"))->RefitTuplets(ArgIntIn(args, 2, "voice", 0, 7));
}

void RunUpdateTies(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "updateties T B");
    CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"))->UpdateTies();
}

void RunAttachEnds(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "attachends T B");
    CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"))->AttachLineEnds();
}

void RunVoiceStems(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 3, "voicestems T B fixed|auto");
    if (args[2] != "fixed" && args[2] != "auto") throw ScriptError("voicestems takes fixed or auto");
    CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"))->ApplyVoiceStems(args[2] == "fixed");
}

void RunSpaceChords(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "spacechords T B");
    CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"))->SpaceChordSymbols();
}

void RunArrange(Context& ctx, const Args& args) {
    NeedArgs(args, 4, 4, "arrange T B VOICE POS");
    CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"))
        ->ArrangeNotesFrom(ArgIntIn(args, 2, "voice", 0, 7), ArgInt(args, 3, "position"));
}

void RunRebeam(Context& ctx, const Args& args) {
    NeedArgs(args, 4, 4, "rebeam T B VOICE FROM");
    CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"))
        ->Rebeam(ArgIntIn(args, 2, "voice", 0, 7), ArgIntIn(args, 3, "from", 0, 32767));
}

// The time of the first note or rest of VOICE (-1: any) at or after column POS.
void RunPrintVoiceTime(Context& ctx, const Args& args) {
    NeedArgs(args, 4, 4, "print voicetime T B VOICE POS");
    const int voice = ArgIntIn(args, 2, "voice", -1, 7);
    const int position = ArgInt(args, 3, "position");
    std::fprintf(ctx.out, "voicetime %d %d: %d\n", voice, position,
                 CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"))->PositionToVoiceTime(voice, position));
}

void RunPrintStemUnder(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 3, "print stemunder T B INDEX");
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    CBarItem* slur = ItemAt(trkBar, ArgInt(args, 2, "index"));
    if (!slur->IsSlur()) throw ScriptError("item " + args[2] + " is not a slur");
    std::fprintf(ctx.out, "stem down under slur %s: %s\n", args[2].c_str(), trkBar->HasStemDownUnderSlur(slur) ? "yes" : "no");
}

void RunPrintSpanTimes(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 3, "print spantimes T B INDEX");
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    CBarItem* item = ItemAt(trkBar, ArgInt(args, 2, "index"));
    int start = 0, end = 0;
    trkBar->GetLineSpanTimes(item, &start, &end);
    std::fprintf(ctx.out, "span of %s: start %d end %d\n", args[2].c_str(), start, end);
}

// Bar B becomes a pickup bar (its contents end at the bar line) or an ordinary one.
void RunPickup(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "pickup B on|off");
    if (args[1] != "on" && args[1] != "off") throw ScriptError("pickup takes on or off");
    CScore& score = *ctx.Score().score;
    const int b = ArgIntIn(args, 0, "bar", 0, score.GetBarCount() - 1);
    CBar* bar = score.GetBar(b);
    if (!bar) throw ScriptError("no bar " + args[0]);
    const std::uint8_t flags = bar->GetBarFlags();
    bar->SetBarFlags(args[1] == "on" ? std::uint8_t(flags | CBar::kShortBarBit) : std::uint8_t(flags & ~CBar::kShortBarBit));
}

void RunHoldTiming(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 1, "holdtiming on|off");
    if (args[0] != "on" && args[0] != "off") throw ScriptError("holdtiming takes on or off");
    g_model.holdTiming = args[0] == "on";
}

// Per live note and rest: index, time, position, voice, then grace, beamed, the tuplet bit and
// numbers, the link flags (slur end, slur start, line end, line start as "se ss le ls"), and for
// a note each head's play start offset.
void RunPrintTiming(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "print timing T B");
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    int index = 0;
    for (CBarItem* r = trkBar->GetItems(); r && r->Type() != 255; r = r->NextItem(), ++index) {
        if (r->IsRemoved() || !r->IsNoteOrRest() || r->RecordSizeField() <= (r->IsNote() ? kHeadCount : kRestLinks)) continue;
        const std::uint8_t flags = rec::Get<std::uint8_t>(r, kNoteFlags);
        std::fprintf(ctx.out, "%d %s time %d pos %d voice %d", index, r->IsNote() ? "note" : "rest", int(r->TimeField()),
                     int(r->PositionField()), r->VoiceField());
        if (flags & 0x02) std::fputs(" grace", ctx.out);
        if (flags & 0x08) std::fputs(" beamed", ctx.out);
        if (flags & 0x10 || rec::Get<std::uint8_t>(r, kTupletCount))
            std::fprintf(ctx.out, " tuplet%s %d:%d", flags & 0x10 ? "" : "(bit clear)", rec::Get<std::uint8_t>(r, kTupletCount),
                         rec::Get<std::uint8_t>(r, kTupletSpace));
        const std::uint8_t links = rec::Get<std::uint8_t>(r, r->IsNote() ? kNoteLinks : kRestLinks);
        static const char* kLinkNames[] = {" se", " ss", " le", " ls"};
        for (int k = 0; k < 4; ++k)
            if (links & (1 << k)) std::fputs(kLinkNames[k], ctx.out);
        if (r->IsNote()) {
            const int n = rec::Get<std::uint8_t>(r, kHeadCount);
            std::fputs(" offsets", ctx.out);
            for (int h = 0; h < n && kHeads + kHeadSize * (h + 1) <= r->RecordSizeField(); ++h)
                std::fprintf(ctx.out, "%s%d", h ? "," : " ", int(rec::Get<std::int16_t>(r->Bytes() + kHeads + kHeadSize * h, 14)));
        }
        std::fputc('\n', ctx.out);
    }
}

// Per live two-ended item: index, kind, its end (bars on : position), side, fixed flag and
// hidden bit; a tuplet adds its ratio, a tie its height and end offsets, a group its kind.
void RunPrintEnds(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "print ends T B");
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    int index = 0;
    for (CBarItem* r = trkBar->GetItems(); r && r->Type() != 255; r = r->NextItem(), ++index) {
        if (r->IsRemoved() || !r->IsTwoEnded()) continue;
        std::fprintf(ctx.out, "%d %s end %d:%d %s", index, r->IsTie() ? "tie" : r->IsSlur() ? "slur" : r->IsTuplet() ? "tuplet" : r->IsGlissando() ? "gliss" : "line",
                     r->GetBarSpan(), r->GetEndPosition(), LineIsAbove(*r) ? "above" : "below");
        const auto* ends = CTieType::Of(r);
        if (ends->HasFixedPosition()) std::fputs(" fixed", ctx.out);
        if (r->IsHidden()) std::fputs(" hidden", ctx.out);
        if (r->IsTuplet() && ends->Holds(CTuplet::kSecondNumber, 1)) {
            const auto* tuplet = static_cast<const CTuplet*>(ends);
            std::fprintf(ctx.out, " ratio %d:%d", tuplet->Number(), tuplet->SecondNumber());
        }
        if (r->IsTie() && ends->Holds(CTie::kHeight, 2))
            std::fprintf(ctx.out, " height %d dy %d:%d", int(static_cast<const CTie*>(ends)->Height()), int(ends->StartDy()),
                         int(ends->EndDy()));
        if (r->IsGroup() && r->RecordSizeField() > kGroupKind) std::fprintf(ctx.out, " kind %d", rec::Get<std::uint8_t>(r, kGroupKind));
        std::fputc('\n', ctx.out);
    }
}

const CommandRegistrar registrar{
    {"put", "T B KIND TIME [options]",
     "a raw record of KIND (chord, hairpin, dynamic, gliss, lyric, ottava, slur, text, tie, tuplet, bend, barre, "
     "pedal, group, frame, controller, expression) in track T's bar B at TIME, nothing else changed; options pos=N, "
     "voice=N, relayout, "
     "hidden, removed, end=BARS:POS, and for two-ended kinds above, y=START:END, staves=S:E, pitch=N, "
     "height=N (tie), kind=N (group), ratio=A:B (tuplet); verse=N (lyric); byte=OFF:V, word=OFF:V (raw fields). "
     "graphic (shape=0-5), harp and picture are made as their tools make them and, with place=X1,Y1,X2,Y2 (page "
     "points), placed through their own placement; options filled, arrows=start|end|both, reversed, free, style=N, "
     "width=N, radius=N, control=I:F:DY, endbars=N, endpos=N, endstaff=N, dx=N, dy=N, enddx=N, enddy=N, "
     "pedals=P,...(7), hstyle=N, shown=MASK, scale=N, selected",
     RunPut},
    {"flag", "T B INDEX", "flags record INDEX of track T's bar B for layout", RunFlag},
    {"drop", "T B INDEX", "marks record INDEX of track T's bar B removed (it stays in the run until compact)", RunDrop},
    {"compact", "T B", "drops the removed records of track T's bar B", RunCompact},
    {"recalc", "T B MODE", "recalculates track T's bar B after an edit (MODE: the beams' layout mode)", RunRecalc},
    {"recalctimes", "T B", "times track T's bar B again from its voices and prints the overflow and its voice", RunRecalcTimes},
    {"refit", "T B VOICE", "fits VOICE's tuplets in track T's bar B to the notes under them", RunRefit},
    {"updateties", "T B", "re-attaches the two-ended items of track T's bar B to their end notes", RunUpdateTies},
    {"attachends", "T B", "tells the two-ended items of track T's bar B which notes they start and end on", RunAttachEnds},
    {"voicestems", "T B fixed|auto", "sets the stems of track T's bar B by the voices", RunVoiceStems},
    {"spacechords", "T B", "puts the chord symbols and guitar frames of track T's bar B on the beats", RunSpaceChords},
    {"arrange", "T B VOICE POS", "lays the chords of VOICE in track T's bar B out again from column POS", RunArrange},
    {"rebeam", "T B VOICE FROM", "beams VOICE of track T's bar B by the meter from FROM ticks to the bar's end", RunRebeam},
    {"print voicetime", "T B VOICE POS",
     "the time of the first note or rest of VOICE (-1: any) at or after column POS of track T's bar B (a staff space of "
     "slack), else the end of the last before it",
     RunPrintVoiceTime},
    {"print stemunder", "T B INDEX", "whether a note with its stem down lies under slur INDEX of track T's bar B",
     RunPrintStemUnder},
    {"print spantimes", "T B INDEX",
     "the times of the ends of item INDEX of track T's bar B, in ticks from that bar's start, by the notes and rests "
     "of its voice",
     RunPrintSpanTimes},
    {"pickup", "B on|off", "bar B becomes a pickup bar, whose contents end at the bar line, or an ordinary one", RunPickup},
    {"holdtiming", "on|off", "the option that keeps the heads' play starts when a bar is timed again", RunHoldTiming},
    {"print timing", "T B",
     "per live note and rest of track T's bar B: time, position, voice, grace, beamed, tuplet numbers, link flags "
     "(se ss le ls) and the heads' play start offsets",
     RunPrintTiming},
    {"print ends", "T B",
     "per live two-ended item of track T's bar B: its end, side, fixed and hidden flags, a tuplet's ratio, a tie's "
     "height and end offsets, a group's kind",
     RunPrintEnds},
};


}  // namespace
}  // namespace zelscript
