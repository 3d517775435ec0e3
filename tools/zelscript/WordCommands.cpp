// Texts, page texts, lyric lines and syllables, and symbols, made through their creation paths.
// Script texts are UTF-8; the records hold them in the program's code page.
#include <cstring>
#include <string>
#include <vector>

#include "Script.h"
#include "framework/CodePage.h"
#include "model/Bar.h"
#include "model/ItemArray.h"
#include "model/Lyric.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/Symbol.h"
#include "model/Text.h"
#include "model/TrkBar.h"

namespace zelscript {
namespace {

FontRef FontOption(const std::string& a, FontRef font) {
    int v = 0;
    if (Option(a, "face", &v)) font.face = std::uint16_t(v);
    if (Option(a, "size", &v)) font.size = std::uint16_t(v);
    if (Option(a, "style", &v)) font.style = std::uint8_t(v);
    return font;
}

bool IsFontOption(const std::string& a) {
    int v = 0;
    return Option(a, "face", &v) || Option(a, "size", &v) || Option(a, "style", &v);
}

CBarItem* Place(Context& ctx, CBarItem* record, int track, int bar, int time) {
    CTrkBar* trkBar = CurrentTrkBar(ctx, track, bar);
    record->SetTimeField(std::int16_t(time));
    CBar* b = ctx.Score().score->GetBar(bar);
    record->SetPositionField(b ? b->TickToFraction(time, false) : 0);
    CBarItem* placed = trkBar->InsertCopy(record);
    if (!placed) throw ScriptError("the record could not be inserted");
    return placed;
}

// text T B TIME "TEXT" [kind=K] [framed] [opaque] [align=A] [system] [x=X] [y=Y] [face= size= style=]
void RunText(Context& ctx, const Args& args) {
    static const char* usage = "text T B TIME \"TEXT\" [kind=K] [framed] [opaque] [align=A] [system] [x=X] [y=Y] [face=F size=S style=B]";
    NeedArgs(args, 4, 16, usage);
    const int track = ArgInt(args, 0, "track");
    const int bar = ArgInt(args, 1, "bar");
    const int time = ArgIntIn(args, 2, "time", 0, 32767);
    const std::string text = fw::FromUtf8(args[3]);
    int kind = CText::kBarText, align = 0, x = 0, y = 0, v = 0;
    bool framed = false, opaque = false, system = false;
    FontRef font{0, 12, 0, 0};
    for (std::size_t i = 4; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (Option(a, "kind", &v)) kind = v & 3;
        else if (Option(a, "align", &v)) align = v & 3;
        else if (Option(a, "x", &v)) x = v;
        else if (Option(a, "y", &v)) y = v;
        else if (a == "framed") framed = true;
        else if (a == "opaque") opaque = true;
        else if (a == "system") system = true;
        else if (IsFontOption(a)) font = FontOption(a, font);
        else throw ScriptError(std::string("usage: ") + usage);
    }
    std::vector<std::uint8_t> bytes(std::size_t(CText::PlainSize(text.c_str())) + 8);
    CText* t = CText::MakePlain(bytes.data(), int(bytes.size()), CText::kTypeCode, kind, text.c_str(), font,
                                framed || kind == CText::kMarkingText);
    if (!t) throw ScriptError("the text is too long");
    std::uint8_t flags = std::uint8_t(t->TextFlags() | (align << 3) | (opaque ? CText::kOpaqueBit : 0));
    rec::Put(t, CText::kFlags, flags);
    if (system) rec::Put(t, CText::kPlacement, CText::kSystemTextBit);
    t->SetX(x);
    t->SetY(y);
    if (!t->IsTrackText()) {
        CurrentTrkBar(ctx, 0, bar);
        t->SetTimeField(std::int16_t(time));
        CBar* b = ctx.Score().score->GetBar(bar);
        t->SetPositionField(b->TickToFraction(time, false));
        if (!b->InsertItemSorted(t)) throw ScriptError("the text could not be inserted");
        return;
    }
    Place(ctx, t, track, bar, time);
}

// pagetext "TEXT" PAGE [filter=F] [anchor=A] [bottom] [x=X] [y=Y] [framed] [face= size= style=]
void RunPageText(Context& ctx, const Args& args) {
    static const char* usage = "pagetext \"TEXT\" PAGE [filter=F] [anchor=A] [bottom] [x=X] [y=Y] [framed] [face=F size=S style=B]";
    NeedArgs(args, 2, 12, usage);
    const std::string text = fw::FromUtf8(args[0]);
    const int page = ArgIntIn(args, 1, "page", 0, 32767);
    int filter = 0, anchor = 0, x = 0, y = 0, v = 0;
    bool bottom = false, framed = false;
    FontRef font{0, 12, 0, 0};
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (Option(a, "filter", &v)) filter = v & 7;
        else if (Option(a, "anchor", &v)) anchor = v & 3;
        else if (Option(a, "x", &v)) x = v;
        else if (Option(a, "y", &v)) y = v;
        else if (a == "bottom") bottom = true;
        else if (a == "framed") framed = true;
        else if (IsFontOption(a)) font = FontOption(a, font);
        else throw ScriptError(std::string("usage: ") + usage);
    }
    std::vector<std::uint8_t> bytes(std::size_t(CText::PlainSize(text.c_str())) + 8);
    CText* t = CText::MakePlain(bytes.data(), int(bytes.size()), CText::kPageTypeCode,
                                bottom ? CText::kMarkingText : CText::kPageText, text.c_str(), font, framed);
    if (!t) throw ScriptError("the text is too long");
    rec::Put(t, CText::kPlacement, std::uint8_t((filter << 3) | (anchor << 6)));
    rec::Put(t, CText::kPageNumber, std::int16_t(page));
    t->SetX(x);
    t->SetY(y);
    if (!ctx.Score().score->GetPageTextArray()->Add(t)) throw ScriptError("the page text could not be added");
}

// lyricline "SYL SYL ..." [face= size= style=]: a lyric line whose entries are the words.
void RunLyricLine(Context& ctx, const Args& args) {
    static const char* usage = "lyricline \"SYLLABLE ...\" [face=F size=S style=B]";
    NeedArgs(args, 1, 4, usage);
    FontRef font{0, 12, 0, 0};
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (!IsFontOption(args[i])) throw ScriptError(std::string("usage: ") + usage);
        font = FontOption(args[i], font);
    }
    const std::string text = fw::FromUtf8(args[0]);
    std::vector<std::string> words;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find(' ', at);
        const std::string w = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!w.empty()) words.push_back(w);
        if (end == std::string::npos) break;
        at = end + 1;
    }
    if (words.empty()) throw ScriptError("a lyric line needs a syllable");
    std::vector<const char*> list;
    for (const std::string& w : words) list.push_back(w.c_str());
    std::vector<std::uint8_t> bytes(std::size_t(CLyricLine::kFixedSize + text.size() + 16 + 14 * words.size()));
    CLyricLine* line = CLyricLine::Make(bytes.data(), int(bytes.size()), list.data(), int(list.size()), font);
    if (!line) throw ScriptError("the lyric line is too long");
    CLyricArray* lines = ctx.Score().score->GetLyricArray();
    if (!lines->Add(line)) throw ScriptError("the lyric line could not be added");
    std::fprintf(ctx.out, "lyric line %d: %d syllables\n", lines->GetCount() - 1, int(words.size()));
}

// lyric T B TIME LINE INDEX [verse=V] [hyphen] [extender] [left] [number]: a syllable without
// text of its own, filled from its line as a read score's are.
void RunLyric(Context& ctx, const Args& args) {
    static const char* usage = "lyric T B TIME LINE INDEX [verse=V] [voice=V] [hyphen] [extender] [left] [number]";
    NeedArgs(args, 5, 11, usage);
    const int track = ArgInt(args, 0, "track");
    const int bar = ArgInt(args, 1, "bar");
    const int time = ArgIntIn(args, 2, "time", 0, 32767);
    const int line = ArgIntIn(args, 3, "line", 0, 32767);
    const int index = ArgIntIn(args, 4, "index", 0, 32767);
    int verse = 0, voice = 0, v = 0;
    std::uint8_t flags = 0;
    for (std::size_t i = 5; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (Option(a, "verse", &v)) verse = v;
        else if (Option(a, "voice", &v)) voice = v & 7;
        else if (a == "hyphen") flags |= CLyric::kHyphenBit;
        else if (a == "extender") flags |= CLyric::kExtenderBit;
        else if (a == "left") flags |= CLyric::kLeftAlignedBit;
        else if (a == "number") flags |= CLyric::kVerseNumberBit;
        else throw ScriptError(std::string("usage: ") + usage);
    }
    std::uint8_t bytes[CLyric::kFixedSize + 2] = {};
    CLyric* l = CLyric::Make(bytes, line, index, verse, "", FontRef{});
    l->SetLyricFlags(flags);
    l->SetFlagsB(std::uint8_t(voice << CBarItem::kVoiceShift));
    auto* placed = static_cast<CLyric*>(Place(ctx, l, track, bar, time));
    CTrkBar* trkBar = CurrentTrkBar(ctx, track, bar);
    placed = CLyric::SyncFromLine(placed, trkBar, ctx.Score().score->GetLyricArray());
    if (!placed) throw ScriptError("the syllable could not be filled");
    if (placed->IsRemoved()) std::fprintf(ctx.out, "syllable removed\n");
}

// symbol T B TIME CHAR [music] [centred] [barline] [x=X] [y=Y] [face= size= style=]
void RunSymbol(Context& ctx, const Args& args) {
    static const char* usage = "symbol T B TIME CHAR [music] [centred] [barline] [x=X] [y=Y] [face=F size=S style=B]";
    NeedArgs(args, 4, 12, usage);
    const int track = ArgInt(args, 0, "track");
    const int bar = ArgInt(args, 1, "bar");
    const int time = ArgIntIn(args, 2, "time", 0, 32767);
    const int character = ArgIntIn(args, 3, "character", 0, 255);
    std::uint8_t flags = 0;
    int x = 0, y = 0, v = 0;
    FontRef font{0, 24, 0, 0};
    for (std::size_t i = 4; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "music") flags |= CSymbol::kMusicFontBit;
        else if (a == "centred") flags |= CSymbol::kCentredBit;
        else if (a == "barline") flags |= CSymbol::kBarLineBit;
        else if (Option(a, "x", &v)) x = v;
        else if (Option(a, "y", &v)) y = v;
        else if (IsFontOption(a)) font = FontOption(a, font);
        else throw ScriptError(std::string("usage: ") + usage);
    }
    std::uint8_t bytes[CSymbol::kSize] = {};
    CSymbol* s = CSymbol::Make(bytes, character, font, flags);
    s->SetX(x);
    s->SetY(y);
    if (s->IsBarLineMark()) {
        CurrentTrkBar(ctx, 0, bar);
        s->SetTimeField(std::int16_t(time));
        CBar* b = ctx.Score().score->GetBar(bar);
        s->SetPositionField(b->TickToFraction(time, false));
        if (!b->InsertItemSorted(s)) throw ScriptError("the symbol could not be inserted");
        return;
    }
    Place(ctx, s, track, bar, time);
}

const CommandRegistrar registrar{
    {"text", "T B TIME \"TEXT\" [kind=K] [framed] [opaque] [align=A] [system] [x=X] [y=Y] [face=F size=S style=B]",
     "a single-font text of kind K (0 bar, 1 staff, 2 marking: framed) in track T's bar B at TIME; a staff or marking "
     "text with system goes among the bar's own items",
     RunText},
    {"pagetext", "\"TEXT\" PAGE [filter=F] [anchor=A] [bottom] [x=X] [y=Y] [framed] [face=F size=S style=B]",
     "a page text for page number PAGE shown by filter F (0 that page, 1 every, 2 odd, 3 even, 4 from it on), anchored "
     "left, centred or right (0-2), measured from the margin's bottom with bottom",
     RunPageText},
    {"lyricline", "\"SYLLABLE ...\" [face=F size=S style=B]",
     "a lyric line of the score whose syllables are the words (\"-\" and \"_\" entries give hyphens and extenders); "
     "prints its index",
     RunLyricLine},
    {"lyric", "T B TIME LINE INDEX [verse=V] [voice=V] [hyphen] [extender] [left] [number]",
     "a syllable of entry INDEX of lyric line LINE in track T's bar B at TIME, filled from its line as after a read",
     RunLyric},
    {"symbol", "T B TIME CHAR [music] [centred] [barline] [x=X] [y=Y] [face=F size=S style=B]",
     "a symbol of character CHAR (music: a music-font glyph; barline: a bar-line mark among the bar's own items)",
     RunSymbol},
};

}  // namespace
}  // namespace zelscript
