// Rests, multi-bar rests, beams and the beat chart: `rest` puts a rest into a track bar,
// `multirest` a multi-bar rest into the first bar of its span, `multirests` gathers the score's
// empty bars into multi-bar rests, `beam` a beam record with its
// segments as they are stored (the notes it joins are put with `note ... beamed`), `beatchart`
// shows or hides a bar's beat chart. The item dump shows each kind's own fields.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Script.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/TrkBar.h"
#include "notation/Beam.h"
#include "notation/MultiRest.h"
#include "notation/Rest.h"

namespace zelscript {
namespace {

std::vector<int> Numbers(const std::string& text, const std::string& whole) {
    std::vector<int> out;
    const char* p = text.c_str();
    while (*p) {
        char* end = nullptr;
        out.push_back(int(std::strtol(p, &end, 10)));
        if (end == p || (*end && *end != ',')) throw ScriptError("bad segment \"" + whole + "\"");
        p = *end ? end + 1 : end;
    }
    return out;
}

// The position of a time in the bar `bars` after the current one.
int PositionOf(CScore& score, int bar, int time) {
    CBar* b = score.GetBar(bar);
    if (!b) throw ScriptError("no bar " + std::to_string(bar));
    return b->TickToFraction(time, false);
}

void RunRest(Context& ctx, const Args& args) {
    static const char* usage = "rest T B TIME VALUE POS [options]";
    NeedArgs(args, 5, 20, usage);
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    const int time = ArgIntIn(args, 2, "time", 0, 32767);
    std::uint8_t bytes[CRest::kSize] = {};
    CRest* rest = CRest::Construct(bytes);
    rest->SetNoteValue(ArgIntIn(args, 3, "value", 0, 8));
    rest->SetStaffPos(ArgIntIn(args, 4, "staff position", -127, 127));
    rest->SetTimeField(std::int16_t(time));
    rest->SetPositionField(g_model.currentBar->TickToFraction(time, false));
    for (std::size_t i = 5; i < args.size(); ++i) {
        const std::string& a = args[i];
        int v = 0;
        if (a == "beamed") rest->SetFlagBit(CRawHead::kBeamedBit, true);
        else if (a == "grace") rest->SetFlagBit(CRawHead::kGraceBit, true);
        else if (a == "hidden") rest->SetFlagsB(std::uint8_t(rest->FlagsB() | CBarItem::kHiddenBit));
        else if (a == "selected") rest->SetFlagsB(std::uint8_t(rest->FlagsB() | CBarItem::kSelectedBit));
        else if (Option(a, "dots", &v)) rest->SetDotCount(v);
        else if (Option(a, "voice", &v)) rest->SetVoice(v & 7);
        else if (Option(a, "offset", &v)) rest->SetStartStaffOffset(v);
        else if (Option(a, "scale", &v)) rest->CBaseItem::SetScale(std::uint8_t(v));
        else throw ScriptError("unknown option \"" + a + "\"");
    }
    if (!trkBar->InsertCopy(rest)) throw ScriptError("the rest could not be inserted");
}

void RunMultiRest(Context& ctx, const Args& args) {
    static const char* usage = "multirest T B SPAN [options]";
    NeedArgs(args, 3, 20, usage);
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    std::uint8_t bytes[CMultiRest::kSize] = {};
    CMultiRest* m = CMultiRest::Construct(bytes);
    std::uint8_t flags = 0;
    for (std::size_t i = 3; i < args.size(); ++i) {
        const std::string& a = args[i];
        int v = 0;
        if (a == "slanted") flags |= CMultiRest::kSlanted;
        else if (a == "range") flags |= CMultiRest::kShowRange;
        else if (a == "below") flags |= CMultiRest::kCountBelow;
        else if (a == "hidecount") flags |= CMultiRest::kHideCount;
        else if (Option(a, "style", &v)) flags = std::uint8_t((flags & ~0x18) | ((v & 3) << CMultiRest::kStyleShift));
        else if (Option(a, "percent", &v)) m->SetPercent(std::uint8_t(v));
        else if (Option(a, "count", &v)) m->SetCountOffset(std::int16_t(v));
        else throw ScriptError("unknown option \"" + a + "\"");
    }
    m->SetFlags(flags);
    g_model.currentBar->SetMultiRestSpan(ArgIntIn(args, 2, "span", 1, 32767));
    if (!trkBar->InsertCopy(m)) throw ScriptError("the multi-bar rest could not be inserted");
}

// Every multi-bar rest of the score: its first bar and span.
void PrintRests(Context& ctx, CScore& score) {
    for (int b = 0; b < score.GetBarCount(); ++b)
        if (const int span = score.GetBar(b)->GetMultiRestSpan(); span > 0)
            std::fprintf(ctx.out, "rest at bar %d: %d bars\n", b, span);
}

void RunMultiRests(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "multirests MIN MAX");
    const int minRun = ArgIntIn(args, 0, "minimum", 2, 9999);
    const int maxRun = ArgIntIn(args, 1, "maximum", minRun, 9999);
    CScore& score = *ctx.Score().score;
    if (!score.BuildMultiRests(0, score.GetBarCount(), minRun, maxRun, nullptr))
        throw ScriptError("a multi-bar rest could not be inserted");
    PrintRests(ctx, score);
}

void RunPrintRests(Context& ctx, const Args& args) {
    NeedArgs(args, 0, 0, "print multirests");
    CScore& score = *ctx.Score().score;
    PrintRests(ctx, score);
    std::fprintf(ctx.out, "covered:");
    for (int b = 0; b < score.GetBarCount(); ++b)
        if (score.GetBar(b)->IsCovered()) std::fprintf(ctx.out, " %d", b);
    std::fputc('\n', ctx.out);
}

// Segment flags as letters: p partial, l stub left, u first stem up, U last stem up, r drawn the
// other way; then the level's digit.
std::uint8_t SegmentFlags(const std::string& text, const std::string& whole) {
    std::uint8_t f = 0;
    for (char c : text) {
        switch (c) {
        case 'p': f |= BeamSegment::kPartial; break;
        case 'l': f |= BeamSegment::kStubLeft; break;
        case 'u': f |= BeamSegment::kFirstUp; break;
        case 'U': f |= BeamSegment::kLastUp; break;
        case 'r': f |= BeamSegment::kReversed; break;
        default:
            if (c < '1' || c > '7') throw ScriptError("bad segment \"" + whole + "\"");
            f = std::uint8_t((f & 0x1F) | ((c - '0') << BeamSegment::kLevelShift));
        }
    }
    return f;
}

void RunBeam(Context& ctx, const Args& args) {
    static const char* usage = "beam T B seg=FLAGS,NUMBER,STARTBAR,ENDBARS,START,END[,INSETS,INSETE,FINES,FINEE] ... [options]";
    NeedArgs(args, 3, 40, usage);
    const int track = ArgInt(args, 0, "track");
    const int barIndex = ArgInt(args, 1, "bar");
    CTrkBar* trkBar = CurrentTrkBar(ctx, track, barIndex);
    CScore& score = *ctx.Score().score;
    std::vector<std::string> segs;
    for (std::size_t i = 2; i < args.size(); ++i)
        if (args[i].rfind("seg=", 0) == 0) segs.push_back(args[i].substr(4));
    if (segs.empty() || segs.size() > 64) throw ScriptError("a beam needs 1 to 64 segments");
    std::vector<std::uint8_t> bytes(CBeam::kSize + BeamSegment::kSize * (segs.size() - 1), 0);
    CBeam* beam = CBeam::Construct(bytes.data());
    beam->CBaseItem::SetSize(std::int16_t(bytes.size()));
    beam->SetSegmentCount(int(segs.size()));
    rec::Put<std::uint8_t>(beam, CBeam::kGroups, 1);
    for (std::size_t k = 0; k < segs.size(); ++k) {
        const std::string& whole = segs[k];
        const std::size_t comma = whole.find(',');
        if (comma == std::string::npos) throw ScriptError("bad segment \"" + whole + "\"");
        const std::vector<int> v = Numbers(whole.substr(comma + 1), whole);
        if (v.size() != 5 && v.size() != 9) throw ScriptError("bad segment \"" + whole + "\"");
        BeamSegment s = beam->Segment(int(k));
        s.SetFlags(SegmentFlags(whole.substr(0, comma), whole));
        s.Bytes()[BeamSegment::kNumber] = std::uint8_t(v[0]);
        s.Bytes()[BeamSegment::kStartBar] = std::uint8_t(v[1]);
        s.Bytes()[BeamSegment::kEndBar] = std::uint8_t(v[2]);
        // Times in their bars; an end bar past the score keeps its time as a raw position.
        const int startBar = barIndex + v[1], endBar = startBar + v[2];
        s.SetStartPosition(std::int16_t(startBar < score.GetBarCount() ? PositionOf(score, startBar, v[3]) : v[3]));
        s.SetEndPosition(std::int16_t(endBar < score.GetBarCount() ? PositionOf(score, endBar, v[4]) : v[4]));
        if (v.size() == 9)
            for (int w = 0; w < 4; ++w) s.SetWord(BeamSegment::kStartInset + 2 * w, std::int16_t(v[std::size_t(5 + w)]));
    }
    beam->SetPositionField(beam->StartPositionField());
    // The beam stands in the run at its first note's time.
    const std::size_t comma = segs[0].find(',');
    beam->SetTimeField(std::int16_t(Numbers(segs[0].substr(comma + 1), segs[0])[3]));
    std::uint8_t flags = 0;
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& a = args[i];
        int v = 0, w = 0;
        if (a.rfind("seg=", 0) == 0) continue;
        if (a == "grace") flags |= CBeam::kGraceBeam;
        else if (a == "tremolo") flags |= CBeam::kTremolo;
        else if (a == "long") flags |= CBeam::kLongTremolo;
        else if (a == "hideinner") flags |= CBeam::kHideInner;
        else if (a == "nonumber") beam->SetOffsetsByte(std::uint8_t(beam->OffsetsByte() | CBeam::kNoNumber));
        else if (a == "fullfirst") beam->SetOffsetsByte(std::uint8_t(beam->OffsetsByte() | CBeam::kFullFirstSegments));
        else if (a == "selected") beam->SetFlagsB(std::uint8_t(beam->FlagsB() | CBarItem::kSelectedBit));
        else if (PairOption(a, "pos", &v, &w)) {
            rec::Put<std::int8_t>(beam, CBeam::kStartStaffPos, std::int8_t(v));
            rec::Put<std::int8_t>(beam, CBeam::kEndStaffPos, std::int8_t(w));
        } else if (PairOption(a, "staves", &v, &w)) {
            beam->SetStartStaffOffset(v);
            beam->SetEndStaffOffset(w);
        } else if (Option(a, "voice", &v)) beam->SetVoice(v & 7);
        else if (Option(a, "strokes", &v)) rec::Put<std::uint8_t>(beam, CBeam::kTremoloStrokes, std::uint8_t(v));
        else if (Option(a, "first", &v)) rec::Put<std::uint8_t>(beam, CBeam::kGroups, std::uint8_t(v));
        else if (Option(a, "scale", &v)) beam->CBaseItem::SetScale(std::uint8_t(v));
        else throw ScriptError("unknown option \"" + a + "\"");
    }
    beam->SetBeamFlags(flags);
    if (!trkBar->InsertCopy(beam)) throw ScriptError("the beam could not be inserted");
}

void RunBeatChart(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "beatchart B on|off");
    CScore& score = *ctx.Score().score;
    CBar* bar = score.GetBar(ArgIntIn(args, 0, "bar", 0, score.GetBarCount() - 1));
    if (args[1] != "on" && args[1] != "off") throw ScriptError("usage: beatchart B on|off");
    bar->SetBarFlag(CBar::kBeatChartShownBit, args[1] == "on");
}

const CommandRegistrar registrar{
    {"rest", "T B TIME VALUE POS [options]",
     "a rest in track T's bar B at TIME ticks of value code VALUE (0 the whole bar) at staff position POS; options "
     "dots=N, voice=N, offset=N (staves), scale=N, beamed, grace, hidden, selected",
     RunRest},
    {"multirest", "T B SPAN [options]",
     "a multi-bar rest of SPAN bars in track T's bar B; options slanted, range, below, hidecount, style=N (0 thin, 1 "
     "thick, 2 none), percent=N, count=N (label units)",
     RunMultiRest},
    {"multirests", "MIN MAX",
     "gathers the score's runs of empty bars into multi-bar rests of MIN to MAX bars and prints each rest",
     RunMultiRests},
    {"print multirests", "", "each multi-bar rest (first bar and span) and the bars covered", RunPrintRests},
    {"beam", "T B seg=FLAGS,NUMBER,STARTBAR,ENDBARS,START,END[,INSETS,INSETE,FINES,FINEE] ... [options]",
     "a beam record in track T's bar B, segment 0 first: FLAGS letters p (stub), l (stub left), u/U (first/last "
     "stem up), r (the other way) and the level's digit, START and END times in their bars; options pos=A:B "
     "(staff positions), staves=A:B, grace, tremolo, long, hideinner, nonumber, fullfirst, strokes=N, first=N, "
     "voice=N, scale=N, selected",
     RunBeam},
    {"beatchart", "B on|off", "shows or hides bar B's beat chart", RunBeatChart},
};


}  // namespace
}  // namespace zelscript
