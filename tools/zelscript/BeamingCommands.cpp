// Beaming: `meter` and `beamgroups` set a bar's time signature and its beam grouping and break
// flags, `tuplet` gives notes and rests a tuplet ratio, `autobeam` beams a voice by the meter,
// `beamnotes` beams listed notes and rests by hand, `tremolo` makes a tremolo beam, `makebeam` lays a
// beam out again and `dissolve` removes one. `print beaming` shows the beam fields of the notes
// and rests of a bar.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Script.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "notation/Beam.h"
#include "notation/Beaming.h"
#include "notation/Note.h"

namespace zelscript {
namespace {

int ToInt(const std::string& text, const std::string& whole) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || !end || *end) throw ScriptError("bad number \"" + whole + "\"");
    return int(v);
}

// "B:I" (record I of bar B) or "I" (of the given bar).
void ItemRef(const std::string& text, int bar, int* outBar, int* outIndex) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        *outBar = bar;
        *outIndex = ToInt(text, text);
    } else {
        *outBar = ToInt(text.substr(0, colon), text);
        *outIndex = ToInt(text.substr(colon + 1), text);
    }
}

// A time signature change at bar B, as the time-signature command makes it without a selection:
// the bar and the bars after it that had the same time signature (up to a bar that shows a change
// of its own) take NUM/DEN in numbers, shown at B; a later bar that already has NUM/DEN shows none.
// The bars are measured, recalculated, respaced and re-timed afterwards.
void RunMeter(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 3, "meter B NUM DEN");
    CScore& score = *ctx.Score().score;
    const int first = ArgIntIn(args, 0, "bar", 0, score.GetBarCount() - 1);
    const int num = ArgIntIn(args, 1, "numerator", 1, 99);
    const int den = ArgInt(args, 2, "denominator");
    if (den != 1 && den != 2 && den != 4 && den != 8 && den != 16 && den != 32 && den != 64 && den != 128)
        throw ScriptError("bad denominator " + args[2]);

    const Meter old = *score.GetBar(first)->GetMeter();
    Meter working = old;
    working.SetNumerator(std::uint8_t(num));
    working.SetDenominator(std::uint8_t(den));
    // Numbers: neither common nor cut time, no additive groups.
    working.SetKindFlags(std::uint8_t(working.GetKindFlags() & ~(Meter::kCommonTime | Meter::kCutTime)));
    for (int i = 0; i < 3; ++i) {
        working.SetTopGroup(i, 0);
        working.SetBottomGroup(i, 0);
    }
    working.SetDisplayFlags(std::uint8_t((working.GetDisplayFlags() & ~Meter::kAdditiveShown) | Meter::kShown));
    working.SetGroupCount(0);
    working.SetDefaultBeamGroups();
    if (!working.Update()) throw ScriptError("the meter could not be updated");

    int last = first;
    while (last + 1 < score.GetBarCount()) {
        const CBar* next = score.GetBar(last + 1);
        if (next->HasBarFlag(CBar::kShowsMeterBit) || !next->GetMeter()->Matches(old)) break;
        ++last;
    }
    constexpr std::uint8_t kCourtesy = 0x10;
    for (int b = first; b <= last; ++b) {
        CBar* bar = score.GetBar(b);
        Meter* meter = bar->GetMeter();
        *meter = working;
        if (b != first) meter->SetDisplayFlags(std::uint8_t(meter->GetDisplayFlags() & ~kCourtesy));
        bar->MeasureContents();
    }
    if (last + 1 < score.GetBarCount()) {
        Meter* after = score.GetBar(last + 1)->GetMeter();
        if (after->Matches(working))
            after->SetDisplayFlags(std::uint8_t(after->GetDisplayFlags() & ~(Meter::kShown | kCourtesy)));
    }

    score.Reindex();
    score.RecalcBars(false);
    const bool changed = old.GetNumerator() != working.GetNumerator() ||
                         old.GetDenominator() != working.GetDenominator() ||
                         old.GetGroupCount() != working.GetGroupCount();
    for (int b = first; b <= last; ++b) {
        CBar* bar = score.GetBar(b);
        if (changed && bar->Respace()) {
            if (CLine* line = bar->GetLine()) line->Rejustify(false);
            for (int t = 0; t < score.GetTrackCount(); ++t)
                if (CTrkBar* trkBar = score.GetTrkBar(t, b)) trkBar->RecalcPositions(-1);
        }
        for (int t = 0; t < score.GetTrackCount(); ++t)
            if (CTrkBar* trkBar = score.GetTrkBar(t, b)) trkBar->RecalcTimes(nullptr, nullptr);
    }
}

// "bar 3: 3/4 numbers length 1440 shown 1 shows 1": the look is common, cut or numbers; shown is
// the time signature's own shown bit, shows whether the bar draws it (inside a system, or as the
// start of a system whose staves show it).
void RunPrintMeter(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 1, "print meter B1-B2");
    CScore& score = *ctx.Score().score;
    int from = 0, to = 0;
    ArgRange(args, 0, "bars", &from, &to);
    if (from < 0 || to >= score.GetBarCount() || from > to) throw ScriptError("bad bars " + args[0]);
    for (int b = from; b <= to; ++b) {
        CBar* bar = score.GetBar(b);
        const Meter* m = bar->GetMeter();
        bool shows = bar->HasBarFlag(CBar::kShowsMeterBit);
        if (CLine* line = bar->GetLine(); line && line->GetFirstBarIndex() == b)
            for (int t = 0; t < score.GetTrackCount(); ++t)
                if (CStaff* staff = line->GetStaff(t); staff && (staff->GetDisplay() & CStaff::kMeterShownBit)) shows = true;
        std::fprintf(ctx.out, "bar %d: %d/%d %s length %d shown %d shows %d\n", b, m->GetNumerator(), m->GetDenominator(),
                     m->IsCommonTime() ? "common" : m->IsCutTime() ? "cut" : "numbers", int(bar->GetMeterLength()),
                     (m->GetDisplayFlags() & Meter::kShown) ? 1 : 0, shows ? 1 : 0);
    }
}

void RunBeamGroups(Context& ctx, const Args& args) {
    static const char* usage = "beamgroups B G1 G2 G3 G4 [second=N] [third=N] [beats=N]";
    NeedArgs(args, 5, 8, usage);
    CScore& score = *ctx.Score().score;
    CBar* bar = score.GetBar(ArgIntIn(args, 0, "bar", 0, score.GetBarCount() - 1));
    Meter* meter = bar->GetMeter();
    for (int i = 0; i < 4; ++i) meter->SetBeamGroup(i, std::uint8_t(ArgIntIn(args, std::size_t(1 + i), "group", 0, 255)));
    std::uint8_t display = std::uint8_t(meter->GetDisplayFlags() & ~0x60);
    for (std::size_t i = 5; i < args.size(); ++i) {
        int v = 0;
        if (Option(args[i], "second", &v)) {
            meter->bytes[Meter::kBeamUnit] = std::uint8_t(v);
            display |= 0x20;
        } else if (Option(args[i], "third", &v)) {
            meter->bytes[Meter::kSpare] = std::uint8_t(v);
            display |= 0x40;
        } else if (Option(args[i], "beats", &v)) {
            meter->SetGroupCount(std::uint8_t(v));
        } else {
            throw ScriptError("unknown option \"" + args[i] + "\"");
        }
    }
    meter->SetDisplayFlags(display);
}

// Tuplet ratio C:S on records FROM-TO of a bar (members), with their times run on from the first.
void RunTuplet(Context& ctx, const Args& args) {
    NeedArgs(args, 5, 5, "tuplet T B FROM-TO COUNT SPACE");
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    int from = 0, to = 0;
    ArgRange(args, 2, "records", &from, &to);
    const int count = ArgIntIn(args, 3, "count", 1, 255), space = ArgIntIn(args, 4, "space", 1, 255);
    for (int k = from; k <= to; ++k) {
        CBarItem* item = ItemAt(trkBar, k);
        if (!item->IsNoteOrRest()) throw ScriptError("item " + std::to_string(k) + " is not a note or rest");
        auto* head = static_cast<CRawHead*>(item);
        head->SetTupletCount(std::uint8_t(count));
        head->SetTupletSpace(std::uint8_t(space));
        head->SetFlagBit(CRawHead::kTupletBit, true);
    }
}

void RunAutoBeam(Context& ctx, const Args& args) {
    NeedArgs(args, 5, 5, "autobeam T B VOICE FROM TO");
    const int track = ArgInt(args, 0, "track");
    CTrkBar* trkBar = CurrentTrkBar(ctx, track, ArgInt(args, 1, "bar"));
    g_beamContext.Init(trkBar, 1, 0);
    g_beamContext.AutoBeam(track, ArgIntIn(args, 2, "voice", 0, 7), ArgIntIn(args, 3, "from", 0, 32767),
                           ArgIntIn(args, 4, "to", 0, 32767));
}

// A beam by hand (strokes 0) or a tremolo over the listed records ("I" or "BAR:I").
void BeamListed(Context& ctx, const Args& args, std::size_t firstRef, int strokes, int beatMode) {
    const int track = ArgInt(args, 0, "track");
    const int barNumber = ArgInt(args, 1, "bar");
    CTrkBar* trkBar = CurrentTrkBar(ctx, track, barNumber);
    g_beamContext.Init(trkBar, beatMode, strokes);
    for (std::size_t i = firstRef; i < args.size(); ++i) {
        int b = 0, index = 0;
        ItemRef(args[i], barNumber, &b, &index);
        CTrkBar* tb = CurrentTrkBar(ctx, track, b);
        CBarItem* item = ItemAt(tb, index);
        if (!item->IsNoteOrRest()) throw ScriptError("item " + args[i] + " is not a note or rest");
        g_beamContext.AddNote(item, tb);
    }
    trkBar->SetCurrent();
    if (!g_beamContext.BeamNotes(false)) throw ScriptError("out of memory");
}

void RunBeam(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 300, "beamnotes T B [beat] I|BAR:I ...");
    const bool beat = args[2] == "beat";
    BeamListed(ctx, args, beat ? 3 : 2, 0, beat ? 1 : 0);
}

void RunTremolo(Context& ctx, const Args& args) {
    NeedArgs(args, 4, 300, "tremolo T B STROKES I|BAR:I ...");
    BeamListed(ctx, args, 3, ArgIntIn(args, 2, "strokes", 1, 4), 0);
}

CBeam* BeamAt(Context& ctx, const Args& args, CTrkBar** trkBar) {
    *trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    CBarItem* item = ItemAt(*trkBar, ArgInt(args, 2, "index"));
    if (!item->IsBeam() || item->RecordSizeField() < CBeam::kSize) throw ScriptError("item " + args[2] + " is not a beam");
    return static_cast<CBeam*>(item);
}

void RunMakeBeam(Context& ctx, const Args& args) {
    NeedArgs(args, 4, 4, "makebeam T B INDEX MODE");
    CTrkBar* trkBar = nullptr;
    CBeam* beam = BeamAt(ctx, args, &trkBar);
    g_beamContext.Init(trkBar, 0, 0);
    g_beamContext.MakeBeam(beam, ArgIntIn(args, 3, "mode", 0, 3));
}

void RunDissolve(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 3, "dissolve T B INDEX");
    CTrkBar* trkBar = nullptr;
    CBeam* beam = BeamAt(ctx, args, &trkBar);
    beam->MarkRemoved();
}

// Per live note or rest: index, beamed (b), continues a beam (c), tuplet member (t), half flag
// (h), the stem and the levels a reversed stem reaches past.
void RunPrintBeaming(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "print beaming T B");
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    int k = 0;
    std::string line;
    for (CBarItem* item = trkBar->GetItems(); item && item->Type() != 255; item = item->NextItem(), ++k) {
        if (item->IsRemoved() || !item->IsNoteOrRest()) continue;
        auto* head = static_cast<CRawHead*>(item);
        line += std::to_string(k) + (item->IsRest() ? "r" : "") + "[";
        if (head->IsBeamed()) line += "b";
        if (head->ContinuesBeam()) line += "c";
        if (head->IsTupletMember()) line += "t";
        if (head->HasHalfFlag()) line += "h";
        if (item->GetFlag8Bit1()) line += "s";
        if (item->IsNote()) {
            auto* note = static_cast<CRawNote*>(item);
            line += note->IsStemUp() ? "U" : "D";
            const int reach = (note->NoteFlags() >> 3) & 7;
            if (reach) line += std::to_string(reach);
            for (int h = 0; h < note->HeadCountField(); ++h)
                if (note->Head(h)->Byte(NoteHead::kLinkByte) & NoteHead::kBeyondBeam) line += "x" + std::to_string(h);
            if (note->MarkCount()) line += "m" + std::to_string(note->GetMark(0)->Code());
        }
        line += "] ";
    }
    if (!line.empty()) line.pop_back();
    std::fprintf(ctx.out, "%s\n", line.c_str());
}

const CommandRegistrar registrar{
    {"meter", "B NUM DEN",
     "a time signature change to NUM/DEN (numbers, the denominator's beam groups) at bar B, carried to the "
     "following bars that had bar B's old one",
     RunMeter},
    {"print meter", "B1-B2", "each bar's time signature, its look, its length, its shown bit and whether it shows it",
     RunPrintMeter},
    {"beamgroups", "B G1 G2 G3 G4 [second=N] [third=N] [beats=N]",
     "bar B's four beam-grouping bytes; second= and third= set the second- and third-level break bytes and "
     "flags, beats= the beat count",
     RunBeamGroups},
    {"tuplet", "T B FROM-TO COUNT SPACE", "records FROM-TO become members of a COUNT:SPACE tuplet", RunTuplet},
    {"autobeam", "T B VOICE FROM TO", "beams VOICE of track T's bar B by the meter from FROM to TO ticks (32767: the end)",
     RunAutoBeam},
    {"beamnotes", "T B [beat] I|BAR:I ...", "beams the listed records by hand (beat: by the beat)", RunBeam},
    {"tremolo", "T B STROKES I|BAR:I ...", "a tremolo of 1-4 strokes over the listed records", RunTremolo},
    {"makebeam", "T B INDEX MODE", "lays beam INDEX out again (mode 3 decides stems and heights afresh)", RunMakeBeam},
    {"dissolve", "T B INDEX", "removes beam INDEX and unbeams its notes", RunDissolve},
    {"print beaming", "T B", "the beam flags of each live note and rest of track T's bar B", RunPrintBeaming},
};

}  // namespace
}  // namespace zelscript
