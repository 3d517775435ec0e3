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

StripImage Smufl(std::u32string codes) {
    StripImage i;
    i.kind = StripImage::kSmufl;
    i.rows = {std::move(codes)};
    return i;
}

StripImage Svg(const char* file) {
    StripImage i;
    i.kind = StripImage::kSvg;
    i.svg = file;
    return i;
}

StripImage Blank() { return StripImage{}; }

// Music face codes: the time-signature digits, common and cut time, the note values from the
// double whole note (64) down to the 64th (71), the dot.
constexpr char32_t kDigit0 = 48, kCommonTime = 138, kCutTime = 139, kDoubleWhole = 64, kWhole = 65, kDot = 199;

std::u32string Digits(int n) {
    std::u32string s;
    for (char c : std::to_string(n)) s += char32_t(kDigit0 + (c - '0'));
    return s;
}

std::vector<StripDef> Build() {
    std::vector<StripDef> t;

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

    // 1000: the notes palette: double whole note down to the 64th.
    {
        StripDef s{1000, 16, 16, "notes", {}};
        for (int i = 0; i < 8; ++i) s.images.push_back(Face(std::u32string(1, char32_t(kDoubleWhole + i))));
        t.push_back(std::move(s));
    }
    return t;
}

}  // namespace

const std::vector<StripDef>& StripTable() {
    static const std::vector<StripDef> table = Build();
    return table;
}

}  // namespace fw
