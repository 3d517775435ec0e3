// The marks that shape playback, made the way the program makes them: `dynamic T B` through
// the dynamic's mark defaults (value from the preferences, play kind from the track), `hairpin
// T B` with its curve initialised by its shape, `expr T B` through the expression's Init and
// AttachToTrack, and `jumper B` / `ending B` through the jumper's SetKind into the bar's own
// items (the score then links its jumps).
#include <cstdio>
#include <cstring>
#include <string>

#include "Script.h"
#include "model/Bar.h"
#include "model/ItemFactory.h"
#include "model/Jumper.h"
#include "model/ModelGlobals.h"
#include "model/PlaybackMarks.h"
#include "model/Score.h"
#include "model/TrkBar.h"
#include "platform/PortLayer.h"

namespace zelscript {
namespace {

void SetSelected(CBarItem* item, bool on) {
    item->SetFlagsB(std::uint8_t(on ? item->FlagsB() | CBarItem::kSelectedBit : item->FlagsB() & ~CBarItem::kSelectedBit));
}

int PositionArg(const Args& args, std::size_t i) { return ArgIntIn(args, i, "position", 0, 1023); }

CBarItem* Insert(CTrkBar* trkBar, CBarItem* item) {
    CBarItem* placed = trkBar->InsertCopy(item);
    if (!placed) throw ScriptError("the mark could not be inserted");
    trkBar->SetCurrent();
    return placed;
}

int TimeAt(CTrkBar* trkBar, int position) {
    CScore* score = g_model.currentScore;
    CBar* bar = score ? score->GetBar(trkBar->GetBarIndex()) : nullptr;
    return bar ? bar->FractionToTick(position) : 0;
}

// dynamic T B POS MARK [selected] [erase]
void MakeDynamic(const Args& args, CTrkBar* trkBar) {
    NeedArgs(args, 5, 7, "dynamic T B POS MARK [selected] [erase]");
    const int position = PositionArg(args, 3);
    const int mark = ArgIntIn(args, 4, "mark", 0, kDynamicMarkCount - 1);
    alignas(8) std::uint8_t bytes[CDynamic::kSize] = {};
    rec::Put<std::int16_t>(bytes, rec::kSize, std::int16_t(CDynamic::kSize));
    auto* d = static_cast<CDynamic*>(ConstructItem(CDynamic::kType, bytes));
    d->InitNew(0, TimeAt(trkBar, position), position);
    d->InitMark(mark, trkBar->GetTrack());
    for (std::size_t i = 5; i < args.size(); ++i) {
        if (args[i] == "selected") SetSelected(d, true);
        else if (args[i] == "erase") d->SetEraseBackground(true);
        else throw ScriptError("unknown option \"" + args[i] + "\" for a dynamic");
    }
    Insert(trkBar, d);
}

// hairpin T B POS BARS ENDPOS [decresc] [double] [text[=TEXT]] [marks=S:M:E] [y=N]
//   [open=N] [selected]
void MakeHairpin(const Args& args, CTrkBar* trkBar) {
    NeedArgs(args, 6, 14, "hairpin T B POS BARS ENDPOS [decresc] [double] [text[=TEXT]] [start=M] [middle=M] [end=M] [y=N] [open=N] [selected]");
    const int position = PositionArg(args, 3);
    const int bars = ArgIntIn(args, 4, "bars", 0, 999);
    const int endPosition = PositionArg(args, 5);
    alignas(8) std::uint8_t bytes[CCresc::kSize] = {};
    rec::Put<std::int16_t>(bytes, rec::kSize, std::int16_t(CCresc::kSize));
    auto* h = static_cast<CCresc*>(ConstructItem(CCresc::kType, bytes));
    h->InitNew(0, TimeAt(trkBar, position), position);
    h->SetEnd(bars, endPosition);
    int y = 420, open = 60, mark = 0;
    bool selected = false;
    for (std::size_t i = 6; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "decresc") h->SetShape(CCresc::kDecrescendo);
        else if (a == "double") h->SetDouble(true);
        else if (a == "text") h->SetTextForm(true);
        else if (a.rfind("text=", 0) == 0) {
            h->SetTextForm(true);
            h->SetText(a.substr(5));
        } else if (Option(a, "start", &mark)) h->SetMark(0, mark + 1);
        else if (Option(a, "middle", &mark)) h->SetMark(1, mark + 1);
        else if (Option(a, "end", &mark)) h->SetMark(2, mark + 1);
        else if (Option(a, "y", &y)) continue;
        else if (Option(a, "open", &open)) continue;
        else if (a == "selected") selected = true;
        else throw ScriptError("unknown option \"" + a + "\" for a hairpin");
    }
    h->SetVerticalPosition(y);
    h->SetUpper(open);
    h->SetLower(open);
    h->InitCurve();
    h->AttachToTrack(trkBar->GetTrack());
    SetSelected(h, selected);
    if (h->IsTextForm()) {
        // The text form's font and, without a text of its own, the default of its shape: as a
        // read record gets them.
        h->SetTransient(false);
        h->AfterLoad(0x400);
    }
    Insert(trkBar, h);
}

// expr T B POS TEXT [kind=K] [style=N] [hook=N] [bars=N] [end=POS] [printed] [erase]
//   [selected] ("-" as TEXT: the kind's own name)
void MakeExpression(const Args& args, CTrkBar* trkBar) {
    NeedArgs(args, 5, 14, "expr T B POS TEXT [kind=K] [style=N] [hook=N] [bars=N] [end=POS] [printed] [erase] [selected]");
    const int position = PositionArg(args, 3);
    const std::string text = args[4] == "-" ? std::string() : args[4];
    if (text.size() > 200) throw ScriptError("an expression's text is at most 200 characters");
    alignas(8) std::uint8_t bytes[256] = {};
    rec::Put<std::int16_t>(bytes, rec::kSize, std::int16_t(CExpression::kFixedSize));
    auto* e = static_cast<CExpression*>(ConstructItem(CExpression::kType, bytes));
    e->InitNew(0, TimeAt(trkBar, position), position);
    int kind = 0, style = 0, hook = 0, bars = 0, end = position;
    bool printed = false, erase = false, selected = false;
    for (std::size_t i = 5; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (Option(a, "kind", &kind) || Option(a, "style", &style) || Option(a, "hook", &hook) || Option(a, "bars", &bars) ||
            Option(a, "end", &end))
            continue;
        if (a == "printed") printed = true;
        else if (a == "erase") erase = true;
        else if (a == "selected") selected = true;
        else throw ScriptError("unknown option \"" + a + "\" for an expression");
    }
    if (kind < 0 || kind > 15 || style < 0 || style > 7 || hook < 0 || hook > 3) throw ScriptError("kind 0-15, style 0-7, hook 0-3");
    e->Init(kind, 0);
    if (!text.empty()) {
        std::memcpy(bytes + CExpression::kText, text.data(), text.size());
        e->SetOwnTextBit(true);
        // The fixed part, then the text with its terminator made even.
        rec::Put<std::int16_t>(bytes, rec::kSize, std::int16_t(CExpression::kFixedSize + ((text.size() + 2) & ~std::size_t(1))));
    }
    e->SetEnd(bars, end);
    e->SetLineStyle(style);
    e->SetEndHook(hook);
    e->SetPrinted(printed);
    e->SetEraseBackground(erase);
    SetSelected(e, selected);
    e->AttachToTrack(trkBar->GetTrack());
    Insert(trkBar, e);
}

// The three commands take "T B" then their own arguments; the makers read them from index 3
// (index 2 holds the command's name).
template <void (*Make)(const Args&, CTrkBar*)>
void RunTrackMark(Context& ctx, const Args& args, const char* name) {
    NeedArgs(args, 2, 16, "T B ...");
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    Args full = args;
    full.insert(full.begin() + 2, name);
    Make(full, trkBar);
}

CBar* BarArg(Context& ctx, const Args& args) {
    CScore* score = ctx.Score().score;
    CBar* bar = score ? score->GetBar(ArgInt(args, 0, "bar")) : nullptr;
    if (!bar) throw ScriptError("no bar " + args[0]);
    return bar;
}

CBarItem* AddOwn(Context& ctx, CBar* bar, CBarItem* item) {
    CBarItem* placed = bar->AddItem(item);
    if (!placed) throw ScriptError("the jumper could not be added");
    bar->SortItems();
    ctx.Score().score->Reindex();
    return placed;
}

// jumper B KIND [TEXT] [count=N] [target=N] [selected]: a text jumper of kind 0-7 with its
// default text (or TEXT), or kind 8 a repeat count (COUNT more passes, back to bar TARGET; the
// bar closes with a repeat end). The score links its jumps first; a target given stands.
void RunJumper(Context& ctx, const Args& args) {
    static const char* usage = "jumper B KIND [TEXT] [count=N] [target=N] [selected]";
    NeedArgs(args, 2, 6, usage);
    CBar* bar = BarArg(ctx, args);
    const int kind = ArgIntIn(args, 1, "kind", 0, CJumper::kRepeatCount);
    const bool repeat = kind == CJumper::kRepeatCount;
    alignas(8) std::uint8_t bytes[CTextJumper::kSize] = {};
    if (!repeat) rec::Put<std::int16_t>(bytes, rec::kSize, std::int16_t(CTextJumper::kSize));
    auto* j = static_cast<CJumper*>(
        repeat ? ConstructClass(CJumper::kType, bytes) : ConstructItem(CTextJumper::kType, bytes));
    if (!j) throw ScriptError("the jumper cannot be made");
    j->SetKind(kind);
    char text[CJumper::kMaxText + 1] = {};
    if (!repeat) j->SetText(LoadResString(UINT(CJumper::kKindTextString + kind), text));
    j->SetTarget(-1);
    int count = 0, target = -1;
    bool selected = false;
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (Option(args[i], "count", &count) || Option(args[i], "target", &target)) continue;
        if (args[i] == "selected") selected = true;
        else if (!repeat) j->SetText(args[i].substr(0, CJumper::kMaxText));
        else throw ScriptError(std::string("usage: ") + usage);
    }
    j->SetCount(count);
    SetSelected(j, selected);
    if (repeat) bar->SetClosingKind(3);
    CBarItem* placed = AddOwn(ctx, bar, j);
    if (target >= 0) CJumper::Of(placed)->SetTarget(target);
}

// ending B SPAN [TEXT] [after] [mask=N] [open] [selected]: an ending over SPAN bars.
void RunEnding(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 7, "ending B SPAN [TEXT] [after] [mask=N] [open] [selected]");
    CBar* bar = BarArg(ctx, args);
    const int span = ArgIntIn(args, 1, "span", 1, 999);
    alignas(8) std::uint8_t bytes[CEnding::kSize] = {};
    rec::Put<std::int16_t>(bytes, rec::kSize, std::int16_t(CEnding::kSize));
    auto* e = static_cast<CJumper*>(ConstructItem(CEnding::kType, bytes));
    e->SetKind(CJumper::kEndingBefore);
    e->SetTarget(span);
    int mask = 1;
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (Option(args[i], "mask", &mask)) continue;
        if (args[i] == "after") rec::Put<std::uint8_t>(e, CJumper::kKind, std::uint8_t(CJumper::kEndingAfter));
        else if (args[i] == "open") e->PutWord(CEnding::kRightHook, 0);
        else if (args[i] == "selected") SetSelected(e, true);
        else e->SetText(args[i].substr(0, CJumper::kMaxText));
    }
    e->SetCount(mask);
    AddOwn(ctx, bar, e);
}

// print jumpers: every bar's jumpers, text jumpers and endings with their fields, after the
// score linked its jumps.
void RunPrintJumpers(Context& ctx, const Args& args) {
    NeedArgs(args, 0, 0, "print jumpers");
    CScore& score = *ctx.Score().score;
    score.Reindex();
    for (int b = 0; b < score.GetBarCount(); ++b) {
        CBar* bar = score.GetBar(b);
        for (int k = 0, n = bar->CountJumpers(); k < n; ++k) {
            CBarItem* j = bar->GetJumper(k);
            if (!j) break;
            char name[64] = {};
            j->GetTypeName(name);
            std::fprintf(ctx.out, "bar %d: %s", b, name);
            tools::PrintItemFields(ctx.out, j);
            std::fputc('\n', ctx.out);
        }
    }
}

const CommandRegistrar registrar{
    {"print jumpers", "", "every bar's jumpers and endings with their kind, count, target and text", RunPrintJumpers},
    {"dynamic", "T B POS MARK [selected] [erase]",
     "a dynamic of mark 0-15 at POS (1/1024 of the bar): value from the preferences, play kind from the track",
     [](Context& ctx, const Args& args) { RunTrackMark<MakeDynamic>(ctx, args, "dynamic"); }},
    {"hairpin", "T B POS BARS ENDPOS [decresc] [double] [text[=TEXT]] [start=M] [middle=M] [end=M] [y=N] [open=N] [selected]",
     "a hairpin from POS to ENDPOS of bar B + BARS, its curve initialised by its shape, with dynamic marks",
     [](Context& ctx, const Args& args) { RunTrackMark<MakeHairpin>(ctx, args, "hairpin"); }},
    {"expr", "T B POS TEXT [kind=K] [style=0-7] [hook=0-3] [bars=N] [end=POS] [printed] [erase] [selected]",
     "an expression through its Init and AttachToTrack (TEXT \"-\": the kind's name)",
     [](Context& ctx, const Args& args) { RunTrackMark<MakeExpression>(ctx, args, "expr"); }},
    {"jumper", "B KIND [TEXT] [count=N] [target=N] [selected]",
     "a text jumper of kind 0-7 (segno, coda, to coda, D.S./D.C. al Coda/Fine, Fine) in bar B, with its default text "
     "unless TEXT, or kind 8 a repeat count (COUNT more passes back to bar TARGET); a TARGET given overrides the "
     "score's linking", RunJumper},
    {"ending", "B SPAN [TEXT] [after] [mask=N] [open] [selected]",
     "an ending over SPAN bars from bar B (\"1.\" unless TEXT; after: the bracket starts after the bar line)", RunEnding},
};

}  // namespace
}  // namespace zelscript
