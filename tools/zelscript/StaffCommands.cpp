// Staves, track labels and title blocks: `clef`, `key`, `lines`, `scale`, `meterstyle`,
// `label` and `title` change them; `print staff` shows a system's staff. Changes are carried
// through the score at once (the bars recalculated, the systems laid out again).
#include <cstring>
#include <string>

#include "Script.h"
#include "framework/CodePage.h"
#include "framework/DC.h"
#include "framework/Gdi.h"
#include "model/Bar.h"
#include "model/Clef.h"
#include "model/KeySig.h"
#include "model/Meter.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Titles.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"

namespace zelscript {
namespace {

CTrack* TrackArg(CScore& score, const Args& args, std::size_t i) {
    return score.GetTrack(ArgIntIn(args, i, "track", 0, score.GetTrackCount() - 1));
}

// Every staff of track t, system by system.
template <typename F>
void ForEachStaff(CScore& score, int t, F&& f) {
    for (int k = 0; k < score.GetLineCount(); ++k)
        if (CLine* line = score.GetLine(k); line && t < line->GetStaffCount()) f(line->GetStaff(t));
}

void Carry(CScore& score) {
    score.RecalcBars(false);
    for (int k = 0; k < score.GetLineCount(); ++k) score.GetLine(k)->Relayout();
}

// A record of a type at time 0 of track t's bar b.
CBarItem* NewItemAt(Context& ctx, int t, int b, int type) {
    CTrkBar* tb = CurrentTrkBar(ctx, t, b);
    CBarItem* item = tb->NewItem(type, 0);
    if (!item) throw ScriptError("no room for the record");
    return item;
}

void RunClef(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 3, "clef T B CLEF");
    CScore& score = *ctx.Score().score;
    const int t = ArgIntIn(args, 0, "track", 0, score.GetTrackCount() - 1);
    const int b = ArgIntIn(args, 1, "bar", 0, score.GetBarCount() - 1);
    const int clef = ArgIntIn(args, 2, "clef", 0, 13);
    if (b == 0) {
        score.GetTrack(t)->SetClef(clef);
        ForEachStaff(score, t, [&](CStaff* st) { st->SetClef(std::uint8_t(clef)); });
    } else {
        rec::Put<std::uint8_t>(NewItemAt(ctx, t, b, CClef::kTypeCode), CClef::kCode, std::uint8_t(clef));
    }
    Carry(score);
}

void RunKey(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 5, "key T B KEY [cancel=0-2] [courtesy]");
    CScore& score = *ctx.Score().score;
    const int t = ArgIntIn(args, 0, "track", 0, score.GetTrackCount() - 1);
    const int b = ArgIntIn(args, 1, "bar", 0, score.GetBarCount() - 1);
    const int key = ArgIntIn(args, 2, "key", 0, 14);
    int cancel = 1;
    bool courtesy = false;
    for (std::size_t i = 3; i < args.size(); ++i) {
        if (args[i] == "courtesy")
            courtesy = true;
        else if (!Option(args[i], "cancel", &cancel) || cancel < 0 || cancel > 2)
            throw ScriptError("bad option " + args[i]);
    }
    if (b == 0) {
        score.GetTrack(t)->SetKey(key);
        ForEachStaff(score, t, [&](CStaff* st) { st->SetKey(std::uint8_t(key)); });
    } else {
        auto* sig = static_cast<CKeySig*>(NewItemAt(ctx, t, b, CKeySig::kTypeCode));
        rec::Put<std::uint8_t>(sig, CKeySig::kKey, std::uint8_t(key));
        rec::Put<std::uint8_t>(sig, CKeySig::kFlags,
                               std::uint8_t((cancel << 3) | (courtesy ? CKeySig::kCautionaryBit | CKeySig::kNoNaturalsBit : 0)));
    }
    Carry(score);
}

// The track's lines on every system, or (system=S) only on its staff of system S.
void RunLines(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 3, "lines T MASK [system=S]");
    CScore& score = *ctx.Score().score;
    CTrack* track = TrackArg(score, args, 0);
    const int mask = ArgIntIn(args, 1, "line mask", 1, 0x7FFF);
    int system = -1;
    if (args.size() > 2 && (!Option(args[2], "system", &system) || system < 0 || system >= score.GetLineCount()))
        throw ScriptError("bad option " + args[2]);
    if (system >= 0) {
        CLine* line = score.GetLine(system);
        if (track->GetIndex() < line->GetStaffCount()) line->GetStaff(track->GetIndex())->SetLineMask(std::uint16_t(mask));
    } else {
        track->SetLineMask(std::uint16_t(mask));
        ForEachStaff(score, track->GetIndex(), [&](CStaff* st) { st->SetLineMask(std::uint16_t(mask)); });
    }
    Carry(score);
}

void RunScale(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "scale T PERCENT");
    CScore& score = *ctx.Score().score;
    CTrack* track = TrackArg(score, args, 0);
    const int percent = ArgIntIn(args, 1, "percent", 25, 250);
    rec::Put<std::uint8_t>(track, CTrack::kStaffSize, std::uint8_t(percent));
    ForEachStaff(score, track->GetIndex(), [&](CStaff* st) { st->SetScale(percent); });
    Carry(score);
}

// The look of bar B's time signature: common or cut time, numbers, enclosed numbers, numbers
// in the score's time-signature font, or an additive meter "A+B+C/D".
void RunMeterStyle(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "meterstyle B common|cut|numbers|enclosed|text|A+B[+C]/D");
    CScore& score = *ctx.Score().score;
    CBar* bar = score.GetBar(ArgIntIn(args, 0, "bar", 0, score.GetBarCount() - 1));
    Meter* meter = bar->GetMeter();
    const std::string& style = args[1];
    std::uint8_t kind =
        std::uint8_t(meter->GetKindFlags() & ~(Meter::kCommonTime | Meter::kCutTime | Meter::kKindDisplay));
    std::uint8_t display = std::uint8_t((meter->GetDisplayFlags() & ~0x0F) | Meter::kShown);
    if (style == "common") {
        kind |= Meter::kCommonTime;
    } else if (style == "cut") {
        kind |= Meter::kCutTime;
    } else if (style == "enclosed") {
        display |= Meter::kWiden;
    } else if (style == "text") {
        kind |= Meter::kKindDisplay;
    } else if (style != "numbers") {
        int groups[3] = {}, den = 0, n = 0;
        const char* p = style.c_str();
        while (*p && n < 3) {
            char* end = nullptr;
            groups[n++] = int(std::strtol(p, &end, 10));
            if (end == p) break;
            p = end;
            if (*p == '+') ++p;
            else break;
        }
        if (*p != '/' || n < 2) throw ScriptError("bad meter style " + style);
        den = int(std::strtol(p + 1, nullptr, 10));
        for (int i = 0; i < 3; ++i) {
            meter->SetTopGroup(i, std::uint8_t(groups[i]));
            meter->SetBottomGroup(i, std::uint8_t(i == 0 ? den : 0));
        }
        display = std::uint8_t((display & ~Meter::kShown) | Meter::kAdditiveShown);
    }
    meter->SetKindFlags(kind);
    meter->SetDisplayFlags(display);
    // The derived fields (the digits' width, the groups) follow the new look, so that the bar
    // makes room for it.
    meter->Update();
    Carry(score);
}

// The score's time-signature font: the standard text face at SIZE points with the style bits,
// and the two offsets that move a text-font numerator up and its denominator down.
void RunMeterFont(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 4, "meterfont SIZE [STYLE [UP DOWN]]");
    CScore& score = *ctx.Score().score;
    fw::EnsureGraphics();
    InitDrawing();
    FontRef font = g_draw.standardFontRefs[1];
    font.size = std::uint16_t(ArgIntIn(args, 0, "size", 1, 200));
    font.style = std::uint8_t(args.size() > 1 ? ArgIntIn(args, 1, "style", 0, 7) : 0);
    score.staffLabelFont = font;
    if (args.size() > 2) {
        NeedArgs(args, 4, 4, "meterfont SIZE [STYLE [UP DOWN]]");
        score.layoutWords[1] = std::int16_t(ArgIntIn(args, 2, "up", -1000, 1000));
        score.layoutWords[2] = std::int16_t(ArgIntIn(args, 3, "down", -1000, 1000));
    }
    Carry(score);
}

void RunLabel(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 4, "label T FULL [ABBREVIATION] [right]");
    CScore& score = *ctx.Score().score;
    CTrack* track = TrackArg(score, args, 0);
    std::size_t n = args.size();
    if (args.back() == "right") {
        score.trackNamesRightAligned = 1;
        --n;
    }
    track->SetName(args[1].c_str());
    std::uint8_t flags = std::uint8_t(track->GetTrackFlags() | 0x01);
    if (n > 2) {
        track->SetAbbreviation(args[2].c_str());
        flags |= 0x02;
    }
    track->SetTrackFlags(flags);
    // The names are measured in the interface font, through a port that measures.
    fw::EnsureGraphics();
    InitDrawing();
    CDC measure;
    measure.CreateIC();
    PushPort(&measure);
    for (int k = 0; k < score.GetLineCount(); ++k) score.GetLine(k)->UpdateBrackets();
    PopPort();
}

void RunTitle(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 3, "title BLOCK LINE TEXT");
    tools::ToolScore& s = ctx.Score();
    const int block = ArgIntIn(args, 0, "block", 0, TitleBlock::kBlocks - 1);
    const int line = ArgIntIn(args, 1, "line", 0, TitleBlock::kLines - 1);
    char* text = s.fileDoc.titles[block].lines[line].text;
    std::memset(text, 0, TitleLine::kTextSize);
    std::strncpy(text, args[2].c_str(), TitleLine::kTextSize - 1);
}

void RunPrintTitle(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 1, "print title BLOCK");
    tools::ToolScore& s = ctx.Score();
    const int block = ArgIntIn(args, 0, "block", 0, TitleBlock::kBlocks - 1);
    const TitleBlock& b = s.fileDoc.titles[block];
    std::fprintf(ctx.out, "title %d: kind %d align %d x %d y %d allpages %d flip %d start %d pageoffset %d", block,
                 int(b.kind), int(b.alignment), int(b.xOffset), int(b.yOffset), int(b.allPages), int(b.flip),
                 int(b.startPage), int(b.pageOffset));
    for (int i = 0; i < b.UsedLines(); ++i) std::fprintf(ctx.out, " \"%s\"/%d", fw::ToUtf8(b.lines[i].text).c_str(), int(b.lines[i].font.size));
    std::fprintf(ctx.out, "\n");
}

void RunPrintStaff(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "print staff S T");
    CScore& score = *ctx.Score().score;
    CLine* line = score.GetLine(ArgIntIn(args, 0, "system", 0, score.GetLineCount() - 1));
    const int t = ArgIntIn(args, 1, "track", 0, line->GetStaffCount() - 1);
    CStaff* st = line->GetStaff(t);
    std::fprintf(ctx.out, "staff %d of system %d: clef %d key %d lines 0x%04X scale %d space %d font %d%s\n", t,
                 line->GetIndex(), st->GetClef(), st->GetKey(), st->GetLineMask(), st->GetScalePercent(),
                 st->GetLineSpacing(), st->GetFontSize(), st->IsShown() ? "" : " hidden");
}

// print brackets S: each staff of system S with its bracket slots in use (slot:kind/span) and
// "joined" when its bar lines reach down to the next staff.
void RunPrintBrackets(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 1, "print brackets S");
    CScore& score = *ctx.Score().score;
    CLine* line = score.GetLine(ArgIntIn(args, 0, "system", 0, score.GetLineCount() - 1));
    for (int t = 0; t < line->GetStaffCount(); ++t) {
        CStaff* st = line->GetStaff(t);
        std::fprintf(ctx.out, "staff %d of system %d:", t, line->GetIndex());
        for (int slot = 0; slot < CStaff::kBracketSlots; ++slot)
            if (st->GetBracketKind(slot) != 0)
                std::fprintf(ctx.out, " %d:%d/%d", slot, st->GetBracketKind(slot), st->GetBracketSpan(slot));
        std::fprintf(ctx.out, "%s\n", (st->GetStaffFlags() & CStaff::kGroupContinuesBit) ? " joined" : "");
    }
}

void RunInsertTrack(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 3, "inserttrack I KIND [FIRST-SHOWN-SYSTEM]");
    CScore& score = *ctx.Score().score;
    const int i = ArgIntIn(args, 0, "index", 0, score.GetTrackCount());
    const int kind = ArgIntIn(args, 1, "kind", 0, 7);
    const int shown = args.size() > 2 ? ArgIntIn(args, 2, "system", 0, 32767) : 0;
    if (!score.InsertTrack(i, kind, shown)) throw ScriptError("the track could not be inserted");
}

void RunDeleteTrack(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 1, "deletetrack I");
    CScore& score = *ctx.Score().score;
    score.DeleteTrack(ArgIntIn(args, 0, "index", 0, score.GetTrackCount() - 1));
}

void RunMoveTrack(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "movetrack FROM TO");
    CScore& score = *ctx.Score().score;
    const int from = ArgIntIn(args, 0, "from", 0, score.GetTrackCount() - 1);
    score.MoveTrack(from, ArgIntIn(args, 1, "to", 0, score.GetTrackCount() - 1));
}

void RunTransposed(Context& ctx, const Args& args) {
    NeedArgs(args, 0, 2, "transposed [T on|off]");
    CScore& score = *ctx.Score().score;
    if (args.empty()) {
        score.ToggleTransposedDisplay();
        return;
    }
    NeedArgs(args, 2, 2, "transposed [T on|off]");
    const int t = ArgIntIn(args, 0, "track", 0, score.GetTrackCount() - 1);
    if (args[1] != "on" && args[1] != "off") throw ScriptError("on or off, not " + args[1]);
    score.SetTrackTransposedDisplay(t, args[1] == "on" ? 1 : 0);
    score.RecalcBars(false);
}

const CommandRegistrar registrar{
    {"inserttrack", "I KIND [FIRST-SHOWN-SYSTEM]",
     "inserts tracks of a kind at index I (0-3 treble, bass, alto, tenor; 4 percussion; 5 tablature; 6 piano; "
     "7 melody and piano), hidden in the systems before the one given",
     RunInsertTrack},
    {"deletetrack", "I", "removes track I (the only track stays)", RunDeleteTrack},
    {"movetrack", "FROM TO", "moves a track to another index", RunMoveTrack},
    {"transposed", "[T on|off]", "the score's transposed display flipped, or track T's switched", RunTransposed},
    {"clef", "T B CLEF", "track T's clef from bar B (0: the track's own clef; later: a clef change)", RunClef},
    {"key", "T B KEY [cancel=0-2] [courtesy]",
     "track T's key from bar B (codes 1-7 flats, 8-14 sharps; 0: the track's own key; later: a key change)", RunKey},
    {"lines", "T MASK [system=S]", "track T's staff lines (bit b: a line at staff position 2 x (b - 8)); system=S: only on system S", RunLines},
    {"scale", "T PERCENT", "track T's staff size", RunScale},
    {"meterstyle", "B common|cut|numbers|enclosed|text|A+B[+C]/D", "how bar B's time signature looks",
     RunMeterStyle},
    {"meterfont", "SIZE [STYLE [UP DOWN]]", "the score's time-signature font and its numerator and denominator offsets",
     RunMeterFont},
    {"label", "T FULL [ABBREVIATION] [right]", "track T's names, shown left of its staves", RunLabel},
    {"title", "BLOCK LINE TEXT", "a line of a title block (0 title ... 4-5 headers, 6-7 footers)", RunTitle},
    {"print title", "BLOCK", "a title block: kind, alignment, offsets, flags, start page, page offset, its lines' texts/sizes",
     RunPrintTitle},
    {"print staff", "S T", "system S's staff of track T", RunPrintStaff},
    {"print brackets", "S", "system S's staves with their brackets (slot:kind/span) and joined bar lines",
     RunPrintBrackets},
};

}  // namespace
}  // namespace zelscript
