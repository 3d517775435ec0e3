// Commands for octave lines, bar numbers and closing barlines: made through the score's own
// paths, and the bar numbers each bar shows.
#include <cstdio>
#include <string>

#include "Script.h"
#include "model/Bar.h"
#include "model/BarNumber.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/System.h"

namespace zelscript {
namespace {

void Relayout(CScore& score) {
    score.Reindex();
    score.RecalcBars(false);
    for (int k = 0; k < score.GetLineCount(); ++k) score.GetLine(k)->Relayout();
}

// ottava T B1 POS1 B2 POS2 KIND [y=N] [cont=N] [set1] [solid] [noline] [brackets]
void RunOttava(Context& ctx, const Args& args) {
    static const char* usage = "ottava T B1 POS1 B2 POS2 KIND [y=N] [cont=N] [set1] [solid] [noline] [brackets]";
    NeedArgs(args, 6, 12, usage);
    CScore& score = *ctx.Score().score;
    const int t = ArgIntIn(args, 0, "track", 0, score.GetTrackCount() - 1);
    const int b1 = ArgIntIn(args, 1, "first bar", 0, score.GetBarCount() - 1);
    const int p1 = ArgIntIn(args, 2, "start position", 0, 1023);
    const int b2 = ArgIntIn(args, 3, "last bar", b1, score.GetBarCount() - 1);
    const int p2 = ArgIntIn(args, 4, "end position", 0, 1023);
    const int kind = ArgIntIn(args, 5, "kind", 0, 3);
    int y = -720, cont = 0;
    bool set1 = false, solid = false, line = true, brackets = false;
    for (std::size_t i = 6; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "set1") set1 = true;
        else if (a == "solid") solid = true;
        else if (a == "noline") line = false;
        else if (a == "brackets") brackets = true;
        else if (!Option(a, "y", &y) && !Option(a, "cont", &cont)) throw ScriptError("unknown option \"" + a + "\"");
    }
    g_model.currentScore = &score;
    if (!score.ApplyOttava(b1, p1, b2, p2, t, y, kind, set1, line, solid, brackets, cont))
        throw ScriptError("the octave line could not be made");
}

// barnumber B [mode=N] [every=N] [letters] [repeated] [digits] [first=C] [enclosed] [anchor=N]
//           [align=N] [prefix=XY] [offset=N] [staff=N] [x=N] [y=N] [hidden]
void RunBarNumber(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 17, "barnumber B [mode=N] [every=N] [letters] [repeated] [digits] [first=C] [enclosed] "
                          "[anchor=N] [align=N] [prefix=XY] [offset=N] [staff=N] [x=N] [y=N] [hidden]");
    CScore& score = *ctx.Score().score;
    CBar* bar = score.GetBar(ArgIntIn(args, 0, "bar", 0, score.GetBarCount() - 1));
    std::uint8_t bytes[CBarNumber::kSize + 8] = {};
    CBarNumber* item = CBarNumber::Construct(bytes);
    if (!item) throw ScriptError("no bar-number class");
    std::uint8_t flags = item->GetFlags();
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        int v = 0;
        if (a == "letters") flags = std::uint8_t((flags | CBarNumber::kLettersBit) & ~CBarNumber::kRepeatedBit);
        else if (a == "repeated") flags |= CBarNumber::kLettersBit | CBarNumber::kRepeatedBit;
        else if (a == "digits") flags = std::uint8_t(flags & ~CBarNumber::kLettersBit);
        else if (a == "enclosed") {
            // Boxed with a new enclosure's gaps and pen, as the bar-number dialog gives them.
            flags |= CBarNumber::kEnclosedBit;
            rec::Put<std::int16_t>(item, CBarNumber::kEnclosureGapX, CBarNumber::kDefaultEnclosureGap);
            rec::Put<std::int16_t>(item, CBarNumber::kEnclosureGapY, CBarNumber::kDefaultEnclosureGap);
            rec::Put<std::int16_t>(item, CBarNumber::kEnclosureValue, CBarNumber::kDefaultEnclosurePen);
        }
        else if (a == "hidden") item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kHiddenBit));
        else if (a.rfind("first=", 0) == 0 && a.size() == 7) rec::Put<std::uint8_t>(item, CBarNumber::kFirstLetter, std::uint8_t(a[6]));
        else if (a.rfind("prefix=", 0) == 0 && a.size() >= 8 && a.size() <= 9) {
            rec::Put<std::uint8_t>(item, CBarNumber::kPrefix, std::uint8_t(a[7]));
            rec::Put<std::uint8_t>(item, CBarNumber::kPrefix + 1, std::uint8_t(a.size() == 9 ? a[8] : 0));
        } else if (Option(a, "mode", &v) && v >= 0 && v <= 3) rec::Put<std::uint8_t>(item, CBarNumber::kShowMode, std::uint8_t(v));
        else if (Option(a, "every", &v) && v >= 0) rec::Put<std::int16_t>(item, CBarNumber::kInterval, std::int16_t(v));
        else if (Option(a, "anchor", &v) && v >= 0 && v <= 2) flags = std::uint8_t((flags & ~0x60) | (v << CBarNumber::kAnchorShift));
        else if (Option(a, "align", &v) && v >= 0 && v <= 2) flags = std::uint8_t((flags & ~0x18) | (v << CBarNumber::kAlignShift));
        else if (Option(a, "offset", &v)) rec::Put<std::int16_t>(item, CBarNumber::kNumberOffset, std::int16_t(v));
        else if (Option(a, "staff", &v) && v >= 0 && v < 256) rec::Put<std::uint8_t>(item, CBarNumber::kStaff, std::uint8_t(v));
        else if (Option(a, "x", &v)) rec::Put<std::int16_t>(item, CBarNumber::kXOffset, std::int16_t(v));
        else if (Option(a, "y", &v)) rec::Put<std::int16_t>(item, CBarNumber::kYOffset, std::int16_t(v));
        else throw ScriptError("bad option \"" + a + "\"");
    }
    item->SetFlags(flags);
    if (!bar->ReplaceBarNumberItem(item)) throw ScriptError("the bar-number item could not be placed");
    Relayout(score);
}

// barline B KIND: bar B's closing barline (3: a repeat end).
void RunBarline(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "barline B KIND");
    CScore& score = *ctx.Score().score;
    CBar* bar = score.GetBar(ArgIntIn(args, 0, "bar", 0, score.GetBarCount() - 1));
    bar->SetClosingKind(ArgIntIn(args, 1, "kind", 0, 10));
    Relayout(score);
}

// print barnumbers: each bar whose number shows, with its text.
void RunPrintBarNumbers(Context& ctx, const Args& args) {
    NeedArgs(args, 0, 0, "print barnumbers");
    CScore& score = *ctx.Score().score;
    for (int b = 0; b < score.GetBarCount(); ++b) {
        CBar* bar = score.GetBar(b);
        auto* item = static_cast<CBarNumber*>(bar->GetBarNumberItem(false));
        if (!item || item->IsRemoved() || !item->ShowsAt(bar)) continue;
        CBarItem* own = bar->GetBarNumberItem(true);
        std::fprintf(ctx.out, "bar %d: %s%s\n", b, item->TextFor(bar).c_str(), own && own->IsHidden() ? " (hidden)" : "");
    }
}

// random N | off: every draw of the model's random source (an octave line's pairing byte) answers
// N from now on; off gives the C library's back.
int g_fixedDraw = 0;
int FixedDraw() { return g_fixedDraw; }
void RunRandom(Context&, const Args& args) {
    NeedArgs(args, 1, 1, "random N|off");
    if (args[0] == "off") {
        g_model.randomSource = nullptr;
        return;
    }
    g_fixedDraw = ArgIntIn(args, 0, "draw", 0, 32767);
    g_model.randomSource = &FixedDraw;
}

const CommandRegistrar registrar{
    {"random", "N|off", "every draw of the random source (an octave line's pairing byte) answers N; off: the C "
     "library's again", RunRandom},
    {"ottava", "T B1 POS1 B2 POS2 KIND [y=N] [cont=N] [set1] [solid] [noline] [brackets]",
     "an octave line on track T from POS1 of bar B1 to POS2 of bar B2 (kind 0 up, 1 down, 2 two up)", RunOttava},
    {"barnumber", "B [mode=N] [every=N] [letters] [repeated] [digits] [first=C] [enclosed] [anchor=N] [align=N] "
                  "[prefix=XY] [offset=N] [staff=N] [x=N] [y=N] [hidden]",
     "bar B's own bar-number item (its defaults, then the options)", RunBarNumber},
    {"barline", "B KIND", "bar B's closing barline kind (3 a repeat end)", RunBarline},
    {"print barnumbers", "", "each bar whose number shows, with its text", RunPrintBarNumbers},
};

}  // namespace
}  // namespace zelscript
