// The program's image strips: one entry per strip id, rising. A strip that a later part of the
// program needs is added here, never as a picture file.
#include <string>

#include "framework/Strips.h"

namespace fw {
namespace {

StripImage Face(std::u32string codes, float grow = 1) {
    StripImage i;
    i.kind = StripImage::kFace;
    i.rows = {std::move(codes)};
    i.grow = grow;
    return i;
}

// Rows of music face codes stacked (a meter's two numbers).
StripImage Stack(std::u32string top, std::u32string bottom) {
    StripImage i;
    i.kind = StripImage::kFace;
    i.rows = {std::move(top), std::move(bottom)};
    return i;
}

StripImage Smufl(std::u32string codes, float grow = 1) {
    StripImage i;
    i.kind = StripImage::kSmufl;
    i.rows = {std::move(codes)};
    i.grow = grow;
    return i;
}

StripImage Svg(const char* file) {
    StripImage i;
    i.kind = StripImage::kSvg;
    i.svg = file;
    return i;
}

StripImage Blank() { return StripImage{}; }

StripImage Text(std::u32string chars) {
    StripImage i;
    i.kind = StripImage::kText;
    i.rows = {std::move(chars)};
    return i;
}

// A strip of SMuFL images, one code point string each.
StripDef SmuflStrip(int id, const char* what, std::initializer_list<std::u32string> codes) {
    StripDef s{id, 16, 16, what, {}};
    for (const std::u32string& c : codes) s.images.push_back(Smufl(c));
    return s;
}
// A strip of text images.
StripDef TextStrip(int id, const char* what, std::initializer_list<std::u32string> texts) {
    StripDef s{id, 16, 16, what, {}};
    for (const std::u32string& c : texts) s.images.push_back(Text(c));
    return s;
}

// Music face codes: the time-signature digits, common and cut time, the whole note (65) and the
// note values under it, the dot.
constexpr char32_t kDigit0 = 48, kCommonTime = 138, kCutTime = 139, kWhole = 65, kDot = 199;

std::u32string Digits(int n) {
    std::u32string s;
    for (char c : std::to_string(n)) s += char32_t(kDigit0 + (c - '0'));
    return s;
}

std::vector<StripDef> Build() {
    std::vector<StripDef> t;

    // 103: the main tool bar's tools: select, erase, scale, hand, zoom, scrub.
    t.push_back({103, 16, 16, "tools",
                 {Svg("tool-select.svg"), Svg("tool-erase.svg"), Svg("tool-scale.svg"), Svg("tool-hand.svg"),
                  Svg("tool-zoom.svg"), Svg("tool-scrub.svg")}});

    // 107: the interface's small images (16 x 15): the scroll arrows of the menu box, the
    // list header, staff lines, the expression button, the drop-down arrow (its pure green
    // is the field, recoloured when drawn), the output device, the palette mark.
    {
        StripDef s{107, 16, 15, "interface images", {}};
        s.images.assign(18, Blank());
        s.images[0] = Svg("scroll-down.svg");
        s.images[1] = Svg("scroll-up.svg");
        s.images[10] = Svg("list-header.svg");
        s.images[11] = Svg("staff-lines.svg");
        s.images[12] = Smufl(U"\uE52D");  // the dynamic mf
        s.images[14] = Svg("drop-down.svg");
        s.images[16] = Svg("device.svg");
        s.images[17] = Svg("palette.svg");
        t.push_back(std::move(s));
    }

    // 108: the New dialog's meters: common time, cut time, 2/4 to 6/4, 3/8 to 12/8.
    {
        StripDef s{108, 16, 16, "meters", {}};
        s.images.push_back(Face(std::u32string(1, kCommonTime)));
        s.images.push_back(Face(std::u32string(1, kCutTime)));
        for (int beats = 2; beats <= 6; ++beats) s.images.push_back(Stack(Digits(beats), Digits(4)));
        for (int groups = 1; groups <= 4; ++groups) s.images.push_back(Stack(Digits(groups * 3), Digits(8)));
        t.push_back(std::move(s));
    }

    // 111: the tuplet dialog's styles: the number, the number bracketed, the ratio, the ratio
    // bracketed, the number over a slur.
    t.push_back(TextStrip(111, "tuplet styles", {U"3", U"[3]", U"3:2", U"[3:2]", U"\u23DC3"}));

    // 112: the New dialog's beat units: whole to 32nd note, then the dot.
    {
        StripDef s{112, 16, 16, "beat units", {}};
        for (int i = 0; i < 6; ++i) s.images.push_back(Face(std::u32string(1, char32_t(kWhole + i))));
        s.images.push_back(Face(std::u32string(1, kDot), 2));
        t.push_back(std::move(s));
    }

    // 113, 114: the status bar's previous-page and next-page buttons.
    t.push_back({113, 16, 16, "previous page", {Svg("page-prev.svg")}});
    t.push_back({114, 16, 16, "next page", {Svg("page-next.svg")}});

    // 116: the track images: closed, open, stem settings, two voice notes, muted, solo.
    t.push_back({116, 16, 16, "track images",
                 {Svg("track-closed.svg"), Svg("track-open.svg"), Svg("track-stems.svg"), Svg("track-voice-a.svg"),
                  Svg("track-voice-b.svg"), Svg("track-muted.svg"), Svg("track-solo.svg")}});

    // 118: the note values whole to 64th, then the same seven dotted.
    {
        StripDef s{118, 16, 16, "note values", {}};
        // The metronome-mark notes of SMuFL (whole, then stem up), which take a dot after them.
        const char32_t notes[7] = {0xECA2, 0xECA3, 0xECA5, 0xECA7, 0xECA9, 0xECAB, 0xECAD};
        constexpr char32_t kMetDot = 0xECB7;
        for (char32_t n : notes) s.images.push_back(Smufl(std::u32string(1, n)));
        for (char32_t n : notes) s.images.push_back(Smufl(std::u32string{n, U' ', kMetDot}));
        t.push_back(std::move(s));
    }

    // 121: the seven line shapes (32 x 16): straight, gentle and wide waves, zigzag, fine
    // zigzag, dotted, dashed.
    t.push_back({121, 32, 16, "line shapes",
                 {Svg("line-0.svg"), Svg("line-1.svg"), Svg("line-2.svg"), Svg("line-3.svg"), Svg("line-4.svg"),
                  Svg("line-5.svg"), Svg("line-6.svg")}});

    // 122: the MIDI activity light: idle, sending, receiving, both.
    t.push_back({122, 16, 16, "MIDI activity",
                 {Svg("midi-idle.svg"), Svg("midi-out.svg"), Svg("midi-in.svg"), Svg("midi-both.svg")}});

    // 389, 390, 391: the pane buttons' faces (24 x 24): up, hot, down.
    t.push_back({389, 24, 24, "button face", {Svg("face-up.svg")}});
    t.push_back({390, 24, 24, "button face, hot", {Svg("face-hot.svg")}});
    t.push_back({391, 24, 24, "button face, down", {Svg("face-down.svg")}});

    // 1000: the notes palette: the note values double whole to 128th, tuplet, dot, the rests,
    // grace note, double dot, the five accidentals, the same as reminders, triple dot. The
    // quantise picker takes the note values from here too.
    {
        StripDef s{1000, 16, 16, "notes", {}};
        for (char32_t n : {0xECA0, 0xECA2, 0xECA3, 0xECA5, 0xECA7, 0xECA9, 0xECAB, 0xECAD, 0xECAF})
            s.images.push_back(Smufl(std::u32string(1, n)));
        s.images.push_back(Smufl(U"\uE883"));
        s.images.push_back(Smufl(U"\uE1E7", 3));
        for (char32_t r = 0xE4E2; r <= 0xE4EA; ++r) s.images.push_back(Smufl(std::u32string(1, r)));
        s.images.push_back(Smufl(U"\uE560"));
        s.images.push_back(Smufl(U"\uE1E7\uE1E7", 2));
        const char32_t accidentals[5] = {0xE262, 0xE260, 0xE261, 0xE263, 0xE264};
        for (char32_t a : accidentals) s.images.push_back(Smufl(std::u32string(1, a)));
        for (char32_t a : accidentals) s.images.push_back(Smufl(std::u32string{0xE26A, a, 0xE26B}));
        s.images.push_back(Smufl(U"\uE1E7\uE1E7\uE1E7", 2));
        t.push_back(std::move(s));
    }

    // 1100: the groups palette: ties and slurs (dotted and solid), glissandi, triplets, octave
    // lines, pedals, parentheses, harp pedals, brace, bracket.
    {
        StripDef s{1100, 16, 16, "groups", {}};
        for (const char32_t* c : {U"\u203F\u00B7", U"\u203F", U"\u2322\u00B7", U"\u2322", U"\u2571", U"\u223F"})
            s.images.push_back(Text(c));
        for (const char32_t* c : {U"\uE883", U"\uE883\uE88A\uE882", U"\uE511", U"\uE51C", U"\uE650", U"\uE656"})
            s.images.push_back(Smufl(c));
        s.images.push_back(Text(U"( )"));
        for (const char32_t* c : {U"\uE683\uE680", U"\uE000", U"\uE002"}) s.images.push_back(Smufl(c));
        t.push_back(std::move(s));
    }

    // 1200: the ornaments palette: trills, mordents, turn, open string, fingers 1-5, the trill's
    // flat, sharp and natural.
    t.push_back(SmuflStrip(1200, "ornaments",
                           {U"\uE566", U"\uE566\uE260", U"\uE59D\uE59D", U"\uE56D", U"\uE56E", U"\uE56C", U"\uE567",
                            U"\uED10", U"\uED11", U"\uED12", U"\uED13", U"\uED14", U"\uED15", U"\uE260", U"\uE262",
                            U"\uE261"}));

    // 1300: the performance marks palette.
    {
        StripDef s = SmuflStrip(1300, "performance marks",
                                {U"\uE4AC", U"\uE4AE", U"\uE4BC", U"\uE4A0", U"\uE4B0", U"\uE4B4", U"\uE4A1", U"\uE4B1",
                                 U"\uE4A6", U"\uE4A2", U"\uE4A4", U"\uE612", U"\uE610", U"\uE613", U"\uE611", U"\uEAA9",
                                 U"\uE220", U"\uE221", U"\uE222", U"\uE223", U"\uE614", U"\uE0D8", U"\uE633", U"\uE4C0",
                                 U"\uE4C1", U"\uE650", U"\uE655", U"\uE4CE", U"\uE4D1", U"\uE664", U"\uE661",
                                 U"\uE664\uE661", U"\uE661\uE664", U"\uE4B2"});
        // The staccato dot and the small marks drawn larger than the shared size.
        for (int small : {8, 10, 33}) s.images[std::size_t(small)].grow = 2;
        s.images[9].grow = 3;
        t.push_back(std::move(s));
    }

    // 1400: the note heads palette: standard, invisible, slashes, percussion, the shape notes.
    {
        StripDef s = SmuflStrip(1400, "note heads",
                                {U"\uE0A4", U"\uE0A5", U"\uE101", U"\uE0A9", U"\uE100", U"\uE102", U"\uE101", U"\uE103",
                                 U"\uE1BB", U"\uE1BA", U"\uE1BD", U"\uE1BC", U"\uE1B9", U"\uE1B8", U"\uE1B5", U"\uE1B4",
                                 U"\uE1B1", U"\uE1B0", U"\uE1B3", U"\uE1B2", U"\uE1BF", U"\uE1BE"});
        // The invisible head: a dotted outline where the head would be.
        s.images[1] = Text(U"\u25CC");
        t.push_back(std::move(s));
    }

    // 1500: the tablature palette: frets 0 to 25 (also the tuplet numbers of the notes button).
    {
        StripDef s{1500, 16, 16, "frets", {}};
        for (int fret = 0; fret <= 25; ++fret) {
            std::u32string digits;
            for (char c : std::to_string(fret)) digits += char32_t(c);
            s.images.push_back(Text(digits));
        }
        t.push_back(std::move(s));
    }

    // 1600: the guitar palette: right-hand fingers, tap, hammer, pluck, strings 1-8, bends,
    // tremolo, vibrato, barre, continuation.
    t.push_back(TextStrip(1600, "guitar",
                          {U"p", U"i", U"m", U"a", U"c", U"T", U"H", U"P", U"\u2460", U"\u2461", U"\u2462", U"\u2463",
                           U"\u2464", U"\u2465", U"\u2466", U"\u2467", U"\u2191", U"\u2197", U"\u2193", U"\u2197\u2198",
                           U"\u21A7", U"\u2934", U"\u2248", U"\u223F", U"B", U"\u2504"}));

    // 1700: the jazz palette: the brass techniques.
    t.push_back(SmuflStrip(1700, "jazz",
                           {U"\uE5D1", U"\uE5D0", U"\uE5D2", U"\uE5DC", U"\uE5E0", U"\uE5E3", U"\uE5E7", U"\uE5E8",
                            U"\uE5E9", U"\uE5D8", U"\uE5E6", U"\uE5EA"}));

    // 1800: the dynamics palette: pppp to ffff, the accented dynamics, hairpins.
    {
        StripDef s = SmuflStrip(1800, "dynamics",
                                {U"\uE529", U"\uE52A", U"\uE52B", U"\uE520", U"\uE52C", U"\uE52D", U"\uE522", U"\uE52F",
                                 U"\uE530", U"\uE531", U"\uE539", U"\uE535", U"\uE536", U"\uE53B", U"\uE534", U"\uE537",
                                 U"\uE53E", U"\uE53E\uE53F", U"\uE53E", U"\uE53F"});
        s.images[16] = Text(U"<");
        s.images[17] = Text(U"<>");
        t.push_back(std::move(s));
    }

    // 1900: the text palette: bar, staff, performance-mark, page and lyric texts.
    t.push_back(TextStrip(1900, "texts", {U"T", U"T\u2261", U"T\u203A", U"T\u25AF", U"la"}));

    // 2000: the graphics palette: rectangle, rounded rectangle, ellipse, line, curve, wedge,
    // marker text, line style, line width, fill, arrows.
    t.push_back(TextStrip(2000, "graphics",
                          {U"\u25AD", U"\u25A2", U"\u25EF", U"\u2571", U"\u223D", U"\u25FA", U"A", U"\u2504",
                           U"\u2501", U"\u25E7", U"\u2194"}));

    // 2100: the clefs palette.
    t.push_back(SmuflStrip(2100, "clefs",
                           {U"\uE050", U"\uE062", U"\uE05C", U"\uE053", U"\uE064", U"\uE05C", U"\uE052", U"\uE06A",
                            U"\uE069"}));

    // 2200: the staves palette.
    {
        StripDef s = SmuflStrip(2200, "staves",
                                {U"\uE050", U"\uE062", U"\uE05C", U"\uE05C", U"\uE069", U"\uE06D", U"\uE000\uE050",
                                 U"\uE000\uE062", U"\uE002", U"\uE002", U"\uE000", U"\uE030\uE030"});
        s.images[8] = Text(U"\u2261");
        t.push_back(std::move(s));
    }

    // 2300: the barlines palette: single, double, repeats, repeat both ways, dotted, bar repeats,
    // endings.
    {
        StripDef s = SmuflStrip(2300, "barlines",
                                {U"\uE030", U"\uE031", U"\uE040", U"\uE041", U"\uE042", U"\uE037", U"\uE500", U"\uE501",
                                 U"\uE030", U"\uE030"});
        s.images[8] = Text(U"1.");
        s.images[9] = Text(U"2.");
        t.push_back(std::move(s));
    }

    // 2400: the expression palette's scroll buttons (the items show library names).
    {
        StripDef s{2400, 16, 16, "expressions", {}};
        s.images.assign(18, Blank());
        s.images[0] = Svg("scroll-up.svg");
        s.images[17] = Svg("scroll-down.svg");
        t.push_back(std::move(s));
    }

    // 2500: the transport bar: rewind, play from start, stop, play, record.
    t.push_back(TextStrip(2500, "transport", {U"\u25C0\u25C0", U"|\u25B6", U"\u25A0", U"\u25B6", U"\u25CF"}));

    // 2600: the text style bar: bold, italic, underline, the alignments, show.
    t.push_back(TextStrip(2600, "text style", {U"B", U"I", U"U", U"\u21E4", U"\u2194", U"\u21E5", U"\u25C9"}));

    // 2604: the standard tool bar: new, open, save, cut, copy, paste, print.
    t.push_back({2604, 16, 16, "file commands",
                 {Svg("file-new.svg"), Svg("file-open.svg"), Svg("file-save.svg"), Svg("edit-cut.svg"),
                  Svg("edit-copy.svg"), Svg("edit-paste.svg"), Svg("file-print.svg")}});

    // 2605: the transport bar's punch-in and punch-out marks.
    t.push_back(TextStrip(2605, "punch in and out", {U"\u21E5", U"\u21E4"}));

    // 2900: the drums palette: grace note, ghost note, circle, plus, left, right, up, down.
    {
        StripDef s = TextStrip(2900, "drums",
                               {U"g", U"( )", U"\u25CB", U"+", U"\u2190", U"\u2192", U"\u2191", U"\u2193"});
        t.push_back(std::move(s));
    }

    // 2901: the drum grace-note choices.
    t.push_back(SmuflStrip(2901, "drum grace notes",
                           {U"\uE560", U"\uE562", U"\uE560\uE560", U"\uE562\uE562", U"\uE560\uE560\uE560",
                            U"\uE562\uE562\uE562", U"\uE564", U"\uE566"}));
    return t;
}

}  // namespace

const std::vector<StripDef>& StripTable() {
    static const std::vector<StripDef> table = Build();
    return table;
}

}  // namespace fw
