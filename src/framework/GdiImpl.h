// Private to the framework: what the drawing objects and device contexts hold of Qt.
#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <memory>

#include "framework/DC.h"
#include "framework/Gdi.h"

class QPainter;
class QPrinter;

inline QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
inline COLORREF FromQRgb(QRgb c) { return RGB(qRed(c), qGreen(c), qBlue(c)); }

// A font as the device context uses it: either a text face through Qt, or the music face.
struct ResolvedFont {
    bool music = false;
    QFont qfont;           // text faces
    double em = 12;        // character height in pixels
    double xscale = 1.0;   // horizontal stretch from the requested width
    int escapement = 0;    // tenths of a degree
    bool bold = false, italic = false, underline = false;
    std::string face;      // the requested face name (code page)
    int charset = 1;
};

struct CGdiObject::Data {
    Kind kind = Kind::None;
    // pen
    int penStyle = PS_SOLID;
    int penWidth = 1;
    COLORREF color = 0;  // pen and solid brush colour
    // brush
    bool hollow = false;
    bool pattern = false;
    QImage patternImage;
    // font
    LOGFONT logFont;
    ResolvedFont font;
    // bitmap
    QImage image;
    // region
    QRegion region;
};

// Resolves a LOGFONT for a device of the given resolution (pixels per inch).
ResolvedFont ResolveFont(const LOGFONT& lf);
// The text metrics of a resolved font, in device pixels.
TEXTMETRIC FontTextMetrics(const ResolvedFont& f);
// Advance width of one character (code page code) in pixels, rounded as the device reports it.
int FontCharWidth(const ResolvedFont& f, unsigned code);
// Width of a code page text in pixels.
int FontTextWidth(const ResolvedFont& f, const char* text, int length);
// Draws text with its reference point (x, baseline) at the painter's origin.
void FontDrawText(QPainter& p, const ResolvedFont& f, double x, double baseline, const char* text, int length,
                  const QColor& color, bool antialias);

namespace fw::music {
// Width of music code c at em pixels and horizontal stretch, in pixels (unrounded).
double Advance(int code, double em, double xscale);
// The outline of code c with its origin at (0, 0), in pixels.
QPainterPath Outline(int code, double em, double xscale);
// Whether the font file could be loaded.
bool Loaded();
// Draws codes as glyphs of the music font as text, for a painter that writes a document (a PDF
// embeds the font once and refers to its glyphs), each code's origin at its point; the pen
// gives the colour. False, drawing nothing, when the font cannot be had as text: then the
// outlines are drawn instead.
struct PlacedCode {
    int code;
    QPointF origin;
};
bool DrawAsText(QPainter& p, const PlacedCode* codes, int count, double em, double xscale);
// A glyph of the SMuFL font by code point, its origin at (0, 0), in pixels at em; with its
// advance. Empty when the font or the glyph is missing.
QPainterPath SmuflOutline(char32_t cp, double em, double* advance);
}  // namespace fw::music

namespace fw {
// Strip id of the strip table, rendered once and cached; false when the table has none.
bool CachedStrip(int id, QImage* out);
// The system font's face when the program asks for one by an older platform's name.
QString SubstituteFace(const std::string& utf8Name);
// The music font's family that printing registers in the font database, which the installed
// faces do not show (false for a family that was installed before).
bool IsPrintOnlyFamily(const QString& family);
}  // namespace fw
