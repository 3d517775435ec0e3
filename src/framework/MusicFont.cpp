// The music face: the program's character codes drawn as SMuFL glyphs.
//
// Units of the table are staff spaces (a quarter of the em, as in SMuFL), y growing
// downward. Each code is drawn as up to three parts; a part is a code point of the SMuFL
// font (or, where SMuFL has no such letter, a letter of the text face), moved, scaled and
// turned; the code's width is its advance (the parts' advances unless given).
#include "framework/MusicFont.h"

#include <QFile>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

#include "framework/GdiImpl.h"
#include "framework/Paths.h"

#ifndef ZEL_FONT_DIR
#define ZEL_FONT_DIR ""
#endif

namespace fw {
namespace {

struct Part {
    char32_t cp = 0;
    float dx = 0, dy = 0;  // staff spaces
    float sx = 1, sy = 1;
    int rot = 0;           // degrees, clockwise on the page
    int font = 0;          // 0 the SMuFL font, 1 the text face's bold italic serif
};

struct Glyph {
    const char* name = "";
    std::vector<Part> parts;
    float advance = -1;  // staff spaces; -1: the first part's advance x sx
    // Only the part of the drawing between these heights (staff spaces, y down) shows.
    float clipTop = -1e9f, clipBottom = 1e9f;
};

using Table = std::array<Glyph, 256>;

Part P(char32_t cp, float dx = 0, float dy = 0, float s = 1) {
    Part p;
    p.cp = cp;
    p.dx = dx;
    p.dy = dy;
    p.sx = p.sy = s;
    return p;
}

Table BuildTable() {
    Table t;
    auto set = [&](int code, const char* name, std::vector<Part> parts, float advance = -1) {
        t[code].name = name;
        t[code].parts = std::move(parts);
        t[code].advance = advance;
    };
    auto one = [&](int code, const char* name, char32_t cp, float dx = 0, float dy = 0, float s = 1) {
        set(code, name, {P(cp, dx, dy, s)});
    };

    // A blank as wide as a note head (tempo marks space their notes by it).
    set(32, "space", {}, 1.18f);

    // Accidentals; 38-42 the same in parentheses; 43-45 small ones above ornaments.
    one(33, "accidentalSharp", 0xE262);
    one(34, "accidentalFlat", 0xE260);
    one(35, "accidentalNatural", 0xE261);
    one(36, "accidentalDoubleSharp", 0xE263);
    one(37, "accidentalDoubleFlat", 0xE264);
    const char32_t accs[5] = {0xE262, 0xE260, 0xE261, 0xE263, 0xE264};
    const float accWidth[5] = {0.996f, 0.904f, 0.672f, 0.988f, 1.644f};
    const char* parenNames[5] = {"accidentalSharp (parenthesised)", "accidentalFlat (parenthesised)",
                                 "accidentalNatural (parenthesised)", "accidentalDoubleSharp (parenthesised)",
                                 "accidentalDoubleFlat (parenthesised)"};
    for (int i = 0; i < 5; ++i)
        set(38 + i, parenNames[i],
            {P(0xE26A), P(accs[i], 0.564f), P(0xE26B, 0.564f + accWidth[i])}, 0.564f * 2 + accWidth[i]);
    one(43, "accidentalSharp (small)", 0xE262, 0, 0, 0.6f);
    one(44, "accidentalFlat (small)", 0xE260, 0, 0, 0.6f);
    one(45, "accidentalNatural (small)", 0xE261, 0, 0, 0.6f);

    // Time-signature digits, centred on the line they stand on.
    for (int d = 0; d <= 9; ++d) one(48 + d, "timeSig digit", 0xE080 + char32_t(d));
    static const char* digitNames[10] = {"timeSig0", "timeSig1", "timeSig2", "timeSig3", "timeSig4",
                                         "timeSig5", "timeSig6", "timeSig7", "timeSig8", "timeSig9"};
    for (int d = 0; d <= 9; ++d) t[48 + d].name = digitNames[d];

    // The ends of a bracket (wings above and below a thick bar).
    one(59, "bracketTop", 0xE003);
    one(60, "bracketBottom", 0xE004);
    one(61, "staff5Lines", 0xE014);
    // The two halves of a brace: a brace four em high, its upper or lower half, each half
    // centred on the baseline and as wide as the face's average character.
    set(62, "brace (upper half)", {Part{0xE000, 0, 12, 3.66f, 4, 0, 0}}, 1.2f);
    t[62].clipBottom = 4;
    set(63, "brace (lower half)", {Part{0xE000, 0, 4, 3.66f, 4, 0, 0}}, 1.2f);
    t[63].clipTop = -4;

    // Whole notes with stems, by note value 0-8 (metronome marks, step entry).
    one(64, "noteheadDoubleWhole", 0xE0A0);  // also the head of note value 0
    one(65, "noteheadWhole", 0xE0A2);        // also the whole note's head
    one(66, "noteHalfUp", 0xE1D3);
    one(67, "noteQuarterUp", 0xE1D5);
    one(68, "note8thUp", 0xE1D7);
    one(69, "note16thUp", 0xE1D9);
    one(70, "note32ndUp", 0xE1DB);
    one(71, "note64thUp", 0xE1DD);
    one(72, "note128thUp", 0xE1DF);
    // Flags, stem up (73-77) and down (89-93); their origin lies 3.5 spaces along the stem
    // from its end.
    const char32_t upFlags[5] = {0xE240, 0xE242, 0xE244, 0xE246, 0xE248};
    const char32_t downFlags[5] = {0xE241, 0xE243, 0xE245, 0xE247, 0xE249};
    static const char* upNames[5] = {"flag8thUp", "flag16thUp", "flag32ndUp", "flag64thUp", "flag128thUp"};
    static const char* downNames[5] = {"flag8thDown", "flag16thDown", "flag32ndDown", "flag64thDown",
                                       "flag128thDown"};
    for (int i = 0; i < 5; ++i) {
        one(73 + i, upNames[i], upFlags[i], -0.06f, -3.5f);
        one(89 + i, downNames[i], downFlags[i], 0, 3.5f);
    }
    // Head shapes 2-7 (codes 80, 81, 78, 79, 94, 95): rhythmic slash, percussion cross,
    // closed rhythm, open rhythm, closed and open slash; shapes 2, 5, 6 and 7 are slashes.
    one(78, "noteheadXBlack", 0xE0A9);
    one(79, "noteheadSlashWhiteHalf", 0xE103);
    one(80, "noteheadSlashHorizontalEnds", 0xE101);
    one(81, "noteheadCircleX", 0xE0B3);
    one(94, "noteheadSlashVerticalEnds", 0xE100);
    one(95, "noteheadSlashWhiteWhole", 0xE102);

    // Rests by note value 0-8, placed so that each stands right at its default position.
    one(96, "restWhole (whole bar)", 0xE4E3, 0, -1);
    one(97, "restWhole", 0xE4E3, 0, -1);
    one(98, "restHalf", 0xE4E4);
    one(99, "restQuarter", 0xE4E5);
    one(100, "rest8th", 0xE4E6, 0, 0.5f);
    one(101, "rest16th", 0xE4E7, 0, -0.5f);
    one(102, "rest32nd", 0xE4E8, 0, -0.5f);
    one(103, "rest64th", 0xE4E9, 0, -1.5f);
    one(104, "rest128th", 0xE4EA, 0, -2);

    // A stem (its width is the stem's thickness).
    set(107, "stem", {P(0xE210, 0.06f)}, 0.12f);
    // The slash through a grace note's stem, centred on its point.
    one(111, "graceNoteSlashStemUp", 0xE564, 0, 0.8f);

    // Note heads: 0x74/0x7C the standard black and open heads, the others the seven shapes
    // (do re mi fa sol la ti) black (0x70-0x77) and open (0x78-0x7F); fa turns with the stem.
    one(0x70, "noteShapeTriangleUpBlack", 0xE1BB);
    one(0x71, "noteShapeMoonBlack", 0xE1BD);
    one(0x72, "noteShapeDiamondBlack", 0xE1B9);
    one(0x73, "noteShapeTriangleLeftBlack", 0xE1B7);
    one(0x74, "noteheadBlack", 0xE0A4);
    one(0x75, "noteShapeSquareBlack", 0xE1B3);
    one(0x76, "noteShapeTriangleRoundBlack", 0xE1BF);
    one(0x77, "noteShapeTriangleRightBlack", 0xE1B5);
    one(0x78, "noteShapeTriangleUpWhite", 0xE1BA);
    one(0x79, "noteShapeMoonWhite", 0xE1BC);
    one(0x7A, "noteShapeDiamondWhite", 0xE1B8);
    one(0x7B, "noteShapeTriangleLeftWhite", 0xE1B6);
    one(0x7C, "noteheadHalf", 0xE0A3);
    one(0x7D, "noteShapeSquareWhite", 0xE1B2);
    one(0x7E, "noteShapeTriangleRoundWhite", 0xE1BE);
    one(0x7F, "noteShapeTriangleRightWhite", 0xE1B4);

    // Clefs 128-137, each with its origin on its reference line.
    one(128, "gClef", 0xE050);
    one(129, "fClef", 0xE062);
    one(130, "cClef", 0xE05C);
    one(131, "unpitchedPercussionClef2", 0xE06A);
    one(132, "unpitchedPercussionClef1", 0xE069);
    one(133, "gClef8va", 0xE053);
    one(134, "gClef8vb", 0xE052);
    one(135, "fClef8va", 0xE065);
    one(136, "fClef8vb", 0xE064);
    one(137, "6stringTabClef", 0xE06D);
    one(138, "timeSigCommon", 0xE08A);
    one(139, "timeSigCutCommon", 0xE08B);
    // Bar repeats (a sign that fills a bar): the one-bar and the two-bar repeat.
    one(141, "repeat1Bar", 0xE500, 0, 0);
    one(142, "repeat2Bars", 0xE501, 0, 0);

    // Dynamics 0x90-0x9F.
    one(0x90, "dynamicPiano", 0xE520);
    one(0x91, "dynamicPP", 0xE52B);
    one(0x92, "dynamicPPP", 0xE52A);
    one(0x93, "dynamicPPPP", 0xE529);
    one(0x94, "dynamicMP", 0xE52C);
    one(0x95, "dynamicForte", 0xE522);
    one(0x96, "dynamicFF", 0xE52F);
    one(0x97, "dynamicFFF", 0xE530);
    one(0x98, "dynamicFFFF", 0xE531);
    one(0x99, "dynamicMF", 0xE52D);
    one(0x9A, "dynamicSforzando1", 0xE536);
    one(0x9B, "dynamicForzando", 0xE535);
    one(0x9C, "dynamicSforzato", 0xE539);
    one(0x9D, "dynamicFortePiano", 0xE534);
    one(0x9E, "dynamicSforzandoPiano", 0xE537);
    one(0x9F, "dynamicSforzatoFF", 0xE53B);

    // Ornaments.
    set(160, "ornamentTrill with wiggleTrill", {P(0xE566), P(0xEAA4, 2.084f, 0), P(0xEAA4, 2.084f + 0.948f, 0)},
        2.084f + 2 * 0.948f);
    one(161, "ornamentTrill", 0xE566);
    one(162, "wiggleTrill", 0xEAA4);
    one(163, "ornamentShortTrill", 0xE56C);
    one(164, "ornamentMordent", 0xE56D);
    one(165, "ornamentTremblement", 0xE56E);
    one(166, "ornamentTurn", 0xE567);
    one(167, "ornamentTurnInverted", 0xE568);
    one(168, "tremolo1", 0xE220, 0.6f);
    one(169, "tremolo2", 0xE221, 0.6f);
    one(170, "tremolo3", 0xE222, 0.6f);
    one(171, "tremolo4", 0xE223, 0.6f);
    // The arpeggio's wiggle, upright: one segment as high as the trill wiggle is wide,
    // standing on the baseline.
    set(172, "wiggleArpeggiatoUp (upright)", {Part{0xEAA9, 0.476f, 0, 0.929f, 1, -90, 0}}, 0.476f);
    // The lower form of 165: the long mordent with its stroke through the middle.
    set(173, "ornamentTremblement with ornamentMiddleVerticalStroke", {P(0xE56E), P(0xE59F, 1.97f)}, 3.94f);

    // Segno and coda (text jumpers).
    one(0xB0, "segno", 0xE047);
    one(0xB1, "coda", 0xE048);
    one(178, "fermataAbove", 0xE4C0);
    one(179, "fermataBelow", 0xE4C1);
    // Octave signs, centred on the line they start.
    one(180, "ottavaAlta", 0xE511, 0, 0.9f);
    one(181, "ottavaBassa", 0xE512, 0, 0.9f);
    one(182, "quindicesimaAlta", 0xE515, 0, 0.9f);
    one(183, "ottava", 0xE510, 0, 0.9f);
    one(184, "quindicesima", 0xE514, 0, 0.9f);
    one(185, "breathMarkComma", 0xE4CE);
    one(186, "caesura", 0xE4D1);

    // Bar lines: a thick bar, thin bars and the repeat dots, centred on the middle line.
    one(188, "barlineHeavy", 0xE034);
    one(189, "barlineSingle", 0xE030);
    one(190, "barlineSingle", 0xE030);
    one(191, "repeatDots", 0xE043, 0, 2);

    // Articulations.
    one(192, "articAccentAbove", 0xE4A0);
    one(193, "articAccentStaccatoAbove", 0xE4B0);
    one(194, "articMarcatoAbove", 0xE4AC);
    one(195, "articMarcatoStaccatoAbove", 0xE4AE);
    one(196, "articMarcatoBelow", 0xE4AD);
    one(197, "articMarcatoStaccatoBelow", 0xE4AF);
    one(198, "articStaccatissimoAbove", 0xE4A6);
    one(199, "augmentationDot", 0xE1E7);
    one(200, "articTenutoAbove", 0xE4A4, 0, 0.1f);
    one(201, "stringsHarmonic", 0xE614);
    one(202, "pluckedSnapPizzicatoAbove", 0xE631);
    one(203, "brassMuteClosed", 0xE5E5);
    one(204, "stringsUpBow", 0xE612);
    one(205, "stringsDownBow", 0xE610);
    one(206, "stringsUpBowTurned", 0xE613);
    one(207, "stringsDownBowTurned", 0xE611);
    one(208, "keyboardPedalPed", 0xE650);
    one(209, "keyboardPedalUp", 0xE655);
    one(210, "keyboardPedalSost", 0xE659);
    one(211, "keyboardPedalS", 0xE65A);
    one(212, "keyboardPedalHeel1", 0xE65E);
    one(213, "keyboardPedalToe1", 0xE661);
    one(214, "articTenutoAccentAbove", 0xE4B4);
    one(215, "articMarcatoTenutoAbove", 0xE4BC);
    // Jazz articulations.
    one(216, "brassBend", 0xE5E3);
    one(217, "brassDoitMedium", 0xE5D5);
    one(218, "brassPlop", 0xE5E0);
    one(219, "brassFlip", 0xE5E1);
    // Fingering letters p i m a c T H P.
    one(220, "fingeringPLower", 0xED17);
    one(221, "fingeringILower", 0xED18);
    one(222, "fingeringMLower", 0xED19);
    one(223, "fingeringALower", 0xED1A);
    one(224, "fingeringCLower", 0xED1B);
    one(225, "fingeringTUpper", 0xED16);
    set(226, "letter H (fingering)", {Part{U'H', 0, 0, 0.4f, 0.4f, 0, 1}});
    set(227, "letter P (fingering)", {Part{U'P', 0, 0, 0.4f, 0.4f, 0, 1}});
    // Wiggles of the small-symbol codes 0-5 (runs along bends and vibrato lines).
    one(228, "wiggleGlissando", 0xEAAF);
    one(229, "wiggleVibrato", 0xEAB0);
    one(230, "guitarVibratoStroke", 0xEAB2);
    one(231, "wiggleWavyNarrow", 0xEAB4);
    one(232, "guitarWideVibratoStroke", 0xEAB3);
    one(233, "wiggleVibratoWide", 0xEAB1);
    one(234, "articTenutoStaccatoAbove", 0xE4B2);
    one(235, "arrowheadBlackUp", 0xEB78);
    one(236, "brassMuteOpen", 0xE5E7);
    // Chord-symbol signs.
    one(237, "csymDiminished", 0xE870);
    one(238, "csymHalfDiminished", 0xE871);
    one(239, "csymMajorSeventh", 0xE873);
    // Fingering digits 0-9.
    const char32_t fingerDigits[10] = {0xED10, 0xED11, 0xED12, 0xED13, 0xED14,
                                       0xED15, 0xED24, 0xED25, 0xED26, 0xED27};
    static const char* fingerNames[10] = {"fingering0", "fingering1", "fingering2", "fingering3", "fingering4",
                                          "fingering5", "fingering6", "fingering7", "fingering8", "fingering9"};
    for (int d = 0; d <= 9; ++d) one(240 + d, fingerNames[d], fingerDigits[d]);
    // Grouping signs against the notes of a chord, centred on the line they start at: a brace
    // one em high (turned when it stands above), and a square bracket.
    one(250, "brace (grouping sign)", 0xE000, 0, 2);
    one(251, "csymBracketLeftTall (grouping sign)", 0xE877, 0, 2);
    // Parentheses: small ones around a head, tall ones (0.8 em, centred) that stretch.
    one(252, "accidentalParensLeft", 0xE26A);
    one(253, "accidentalParensRight", 0xE26B);
    one(254, "accidentalParensLeft (tall)", 0xE26A, 0, 0, 1.6f);
    one(255, "accidentalParensRight (tall)", 0xE26B, 0, 0, 1.6f);
    return t;
}

const Table& table() {
    static const Table t = BuildTable();
    return t;
}

// The SMuFL font, loaded once, at a large pixel size; outlines are scaled from it.
constexpr double kUnitPx = 1000.0;

struct Faces {
    QRawFont music;
    QRawFont text;
    bool loaded = false;
};

std::string FindFontFile() {
    std::vector<std::string> dirs;
    if (const char* env = std::getenv("ZEL_FONT_DIR"); env && *env) dirs.push_back(env);
    if (const char* build = std::getenv("ZEL_BUILD_DIR"); build && *build) dirs.push_back(std::string(build) + "/fonts");
    if (*ZEL_FONT_DIR) dirs.push_back(ZEL_FONT_DIR);
    dirs.push_back(InstalledDataFolder() + "/fonts");
    dirs.push_back(ExecutableFolder() + "/fonts");
    for (const auto& d : dirs) {
        std::string path = d + "/Bravura.otf";
        if (QFile::exists(QString::fromStdString(path))) return path;
    }
    return {};
}

Faces& faces() {
    // Kept until the process ends: fonts must not be released after the application object.
    static Faces& f = *new Faces;
    static std::once_flag once;
    std::call_once(once, [] {
        EnsureGraphics();
        std::string path = FindFontFile();
        if (!path.empty()) {
            f.music = QRawFont(QString::fromStdString(path), kUnitPx);
            f.loaded = f.music.isValid();
        }
        QFont serif(QStringLiteral("DejaVu Serif"));
        serif.setBold(true);
        serif.setItalic(true);
        serif.setPixelSize(int(kUnitPx));
        f.text = QRawFont::fromFont(serif);
    });
    return f;
}

// The music font's family, and whether an installed face had that name before printing
// registered ours (looked at once, before it does).
struct PrintFamily {
    QString name;
    bool installedBefore = false;
};

const PrintFamily& printFamily() {
    static const PrintFamily named = [] {
        PrintFamily n;
        if (!faces().loaded) return n;
        n.name = faces().music.familyName();
        n.installedBefore = QFontDatabase::hasFamily(n.name);
        return n;
    }();
    return named;
}

// The music font as the font database holds it, for documents that embed their fonts (a PDF): a
// font read from its bytes is written as outlines, one from the database as text of the font,
// embedded once. Registered the first time a page is printed; only the very file the outlines
// come from is used (another installed copy may differ), else printing keeps the outlines.
struct PrintFace {
    QRawFont music;
    QString family;       // registered by us, and no installed face of that name before
    bool ready = false;
    std::mutex lock;
    std::map<double, QRawFont> sized[2];  // by pixel size: the music font, the text face
};

PrintFace& printFace() {
    static PrintFace& pf = *new PrintFace;
    static std::once_flag once;
    std::call_once(once, [] {
        Faces& f = faces();
        if (!f.loaded || printFamily().name.isEmpty()) return;
        const QString path = QString::fromStdString(MusicFontFile());
        const int id = QFontDatabase::addApplicationFont(path);
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (families.isEmpty()) return;
        QFont font(families.first());
        font.setPixelSize(int(kUnitPx));
        font.setStyleStrategy(QFont::NoFontMerging);
        font.setHintingPreference(QFont::PreferNoHinting);
        QRawFont raw = QRawFont::fromFont(font);
        if (!raw.isValid() || raw.fontTable("head") != f.music.fontTable("head")) {
            QFontDatabase::removeApplicationFont(id);
            return;
        }
        pf.music = raw;
        pf.family = families.first();
        pf.ready = true;
    });
    return pf;
}

QRawFont SizedFace(PrintFace& pf, int font, double pixels) {
    std::lock_guard<std::mutex> guard(pf.lock);
    auto& sizes = pf.sized[font == 1 ? 1 : 0];
    auto it = sizes.find(pixels);
    if (it != sizes.end()) return it->second;
    if (sizes.size() >= 64) sizes.clear();
    QRawFont raw = font == 1 ? faces().text : pf.music;
    raw.setPixelSize(pixels);
    return sizes.emplace(pixels, raw).first->second;
}

quint32 PartGlyph(const Part& p) {
    const QRawFont& raw = p.font == 1 ? faces().text : faces().music;
    if (!raw.isValid()) return 0;
    const QList<quint32> idx = raw.glyphIndexesForString(QString::fromUcs4(&p.cp, 1));
    return idx.isEmpty() ? 0 : idx[0];
}

double PartAdvance(const Part& p) {
    Faces& f = faces();
    const QRawFont& raw = p.font == 1 ? f.text : f.music;
    if (!raw.isValid()) return 0;
    QList<quint32> idx = raw.glyphIndexesForString(QString::fromUcs4(&p.cp, 1));
    if (idx.isEmpty()) return 0;
    QList<QPointF> adv = raw.advancesForGlyphIndexes(idx);
    // In staff spaces: the unit font's em is four spaces.
    return adv.isEmpty() ? 0 : adv[0].x() / kUnitPx * 4.0 * p.sx;
}

}  // namespace

bool IsMusicFaceName(std::string_view name) { return name == kMusicFaceName || name == "Vorlind"; }

std::string MusicFontFile() {
    static const std::string path = FindFontFile();
    return path;
}

bool MusicFontAvailable() { return faces().loaded; }

bool IsPrintOnlyFamily(const QString& family) {
    const PrintFamily& named = printFamily();
    return !named.name.isEmpty() && !named.installedBefore && family.compare(named.name, Qt::CaseInsensitive) == 0;
}

const char* MusicGlyphName(int code) {
    if (code < 0 || code > 255) return "";
    return table()[code].name;
}

namespace music {

bool Loaded() { return faces().loaded; }

double Advance(int code, double em, double xscale) {
    if (code < 0 || code > 255) return 0;
    // The advance in spaces does not depend on the size: measured once per code.
    static std::mutex lock;
    static double measured[256];
    static bool known[256] = {};
    double spaces;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!known[code]) {
            const Glyph& g = table()[code];
            if (g.advance >= 0)
                measured[code] = g.advance;
            else if (!g.parts.empty())
                measured[code] = PartAdvance(g.parts[0]);
            else
                measured[code] = 0.5;  // a code the face leaves empty
            known[code] = true;
        }
        spaces = measured[code];
    }
    return spaces * em / 4.0 * xscale;
}

namespace {
QPainterPath BuildOutline(int code, double em, double xscale);
}

QPainterPath Outline(int code, double em, double xscale) {
    if (code < 0 || code > 255) return QPainterPath();
    // Outlines are built once per code, size and width: drawing a page repeats a few of them.
    struct Key {
        int code;
        double em, xscale;
        bool operator<(const Key& o) const {
            return std::tie(code, em, xscale) < std::tie(o.code, o.em, o.xscale);
        }
    };
    static std::mutex lock;
    static std::map<Key, QPainterPath> cache;
    const Key key{code, em, xscale};
    {
        std::lock_guard<std::mutex> guard(lock);
        auto it = cache.find(key);
        if (it != cache.end()) return it->second;
    }
    QPainterPath out = BuildOutline(code, em, xscale);
    std::lock_guard<std::mutex> guard(lock);
    if (cache.size() >= 4096) cache.clear();
    cache.emplace(key, out);
    return out;
}

namespace {
QPainterPath BuildOutline(int code, double em, double xscale) {
    QPainterPath out;
    const Glyph& g = table()[code];
    Faces& f = faces();
    const double sp = em / 4.0;
    for (const Part& p : g.parts) {
        const QRawFont& raw = p.font == 1 ? f.text : f.music;
        if (!raw.isValid()) continue;
        QList<quint32> idx = raw.glyphIndexesForString(QString::fromUcs4(&p.cp, 1));
        if (idx.isEmpty() || idx[0] == 0) continue;
        QPainterPath path = raw.pathForGlyph(idx[0]);
        QTransform tr;
        tr.translate(p.dx * sp * xscale, p.dy * sp);
        tr.rotate(p.rot);
        tr.scale(p.sx * em / kUnitPx * xscale, p.sy * em / kUnitPx);
        out.addPath(tr.map(path));
    }
    if (g.clipTop > -1e8f || g.clipBottom < 1e8f) {
        QPainterPath keep;
        double top = std::max<double>(g.clipTop * sp, -1e6);
        double bottom = std::min<double>(g.clipBottom * sp, 1e6);
        keep.addRect(QRectF(-1e6, top, 2e6, bottom - top));
        out = out.intersected(keep);
    }
    out.setFillRule(Qt::WindingFill);
    return out;
}
}  // namespace

bool DrawAsText(QPainter& p, const PlacedCode* codes, int count, double em, double xscale) {
    PrintFace& pf = printFace();
    if (!pf.ready || !faces().text.isValid()) return false;
    // Each code's glyph indices, looked up once.
    static std::mutex lock;
    static std::array<std::vector<quint32>, 256> glyphs;
    static std::array<bool, 256> known{};
    const double sp = em / 4.0;
    // Parts upright at the same scale in both directions are positioned glyphs of one run per
    // font and size; a turned or stretched part is drawn alone under its transform.
    QGlyphRun run;
    QList<quint32> runGlyphs;
    QList<QPointF> runPositions;
    int runFont = -1;
    double runPixels = 0;
    const auto flush = [&] {
        if (runGlyphs.isEmpty()) return;
        run.setRawFont(SizedFace(pf, runFont, runPixels));
        run.setGlyphIndexes(runGlyphs);
        run.setPositions(runPositions);
        p.drawGlyphRun(QPointF(0, 0), run);
        runGlyphs.clear();
        runPositions.clear();
    };
    for (int i = 0; i < count; ++i) {
        const int code = codes[i].code;
        if (code < 0 || code > 255) continue;
        const Glyph& g = table()[code];
        {
            std::lock_guard<std::mutex> guard(lock);
            if (!known[code]) {
                for (const Part& part : g.parts) glyphs[code].push_back(PartGlyph(part));
                known[code] = true;
            }
        }
        const QPointF origin = codes[i].origin;
        const bool clipped = g.clipTop > -1e8f || g.clipBottom < 1e8f;
        if (clipped) {
            flush();
            p.save();
            const double top = std::max<double>(g.clipTop * sp, -1e5);
            const double bottom = std::min<double>(g.clipBottom * sp, 1e5);
            p.setClipRect(QRectF(origin.x() - 1e5, origin.y() + top, 2e5, bottom - top), Qt::IntersectClip);
        }
        for (std::size_t k = 0; k < g.parts.size(); ++k) {
            const Part& part = g.parts[k];
            const quint32 glyph = glyphs[code][k];
            if (glyph == 0) continue;
            const QPointF at = origin + QPointF(part.dx * sp * xscale, part.dy * sp);
            const double sx = part.sx * xscale, sy = part.sy;
            if (part.rot == 0 && std::abs(sx - sy) < 1e-6) {
                const double pixels = em * sy;
                if (part.font != runFont || pixels != runPixels) {
                    flush();
                    runFont = part.font;
                    runPixels = pixels;
                }
                runGlyphs.append(glyph);
                runPositions.append(at);
                continue;
            }
            flush();
            const QTransform keep = p.worldTransform();
            p.translate(at);
            p.rotate(part.rot);
            p.scale(sx, sy);
            QGlyphRun alone;
            alone.setRawFont(SizedFace(pf, part.font, em));
            alone.setGlyphIndexes({glyph});
            alone.setPositions({QPointF(0, 0)});
            p.drawGlyphRun(QPointF(0, 0), alone);
            p.setWorldTransform(keep);
        }
        if (clipped) {
            flush();
            p.restore();
        }
    }
    flush();
    return true;
}

QPainterPath SmuflOutline(char32_t cp, double em, double* advance) {
    if (advance) *advance = 0;
    const QRawFont& raw = faces().music;
    if (!raw.isValid()) return QPainterPath();
    QList<quint32> idx = raw.glyphIndexesForString(QString::fromUcs4(&cp, 1));
    if (idx.isEmpty() || idx[0] == 0) return QPainterPath();
    QTransform tr;
    tr.scale(em / kUnitPx, em / kUnitPx);
    if (advance) {
        QList<QPointF> adv = raw.advancesForGlyphIndexes(idx);
        if (!adv.isEmpty()) *advance = adv[0].x() * em / kUnitPx;
    }
    QPainterPath out = tr.map(raw.pathForGlyph(idx[0]));
    out.setFillRule(Qt::WindingFill);
    return out;
}

}  // namespace music
}  // namespace fw
