// The New dialog's image strips, drawn from the music font: each picture is drawn large enough
// on a scratch picture, its ink found and copied centred into its 16 x 16 cell. One font size
// serves a whole strip: the largest at which every picture of it fits.
#include "Strips.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/DC.h"
#include "framework/Gdi.h"
#include "platform/Artist.h"
#include "platform/Port.h"

namespace {

constexpr int kCell = 16;
constexpr int kScratch = 96;
constexpr COLORREF kClear = RGB(192, 192, 192);
constexpr COLORREF kPaper = RGB(255, 255, 255);

// Music-font characters.
constexpr int kCommonTime = 138, kCutTime = 139, kDot = 199;
constexpr int kWholeNote = 65;   // then half, quarter, eighth, 16th and 32nd note

// Draws one picture with the music font at a size, its reference point at (x, y).
using Picture = std::function<void(CArtist& a, int size, int x, int y)>;

struct Ink {
    std::unique_ptr<CBitmap> picture;
    RECT box{kScratch, kScratch, 0, 0};   // empty when nothing was drawn
    int Width() const { return box.right - box.left; }
    int Height() const { return box.bottom - box.top; }
};

// A shade of the anti-aliased ink, made darker so that the small pictures read clearly; paper
// and what is almost paper stay clear.
bool Shade(COLORREF c, COLORREF* out) {
    const int v = (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3;
    const int dark = std::min(255, (255 - v) * 2);
    if (dark < 24) return false;
    int shade = 255 - dark;
    // A shade that happens to be the transparent grey stays visible.
    if (shade == 192) shade = 191;
    *out = RGB(shade, shade, shade);
    return true;
}

// The picture drawn on white at the size, with the rectangle its ink covers.
void Render(const Picture& draw, int size, Ink* ink) {
    ink->picture = std::make_unique<CBitmap>();
    ink->picture->CreateBitmap(kScratch, kScratch);
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SelectObject(ink->picture.get());
    RECT all{0, 0, kScratch, kScratch};
    dc.FillSolidRect(&all, kPaper);
    PushPort(&dc);
    CArtist* a = GetArtist();
    a->PushColor();
    a->SetColor(0);
    draw(*a, size, kScratch / 3, kScratch * 2 / 3);
    a->PopColor();
    PopPort();
    ink->box = RECT{kScratch, kScratch, 0, 0};
    for (int y = 0; y < kScratch; ++y)
        for (int x = 0; x < kScratch; ++x)
            if (COLORREF c = 0; Shade(ink->picture->GetPixel(x, y), &c)) {
                ink->box.left = std::min<LONG>(ink->box.left, x);
                ink->box.top = std::min<LONG>(ink->box.top, y);
                ink->box.right = std::max<LONG>(ink->box.right, x + 1);
                ink->box.bottom = std::max<LONG>(ink->box.bottom, y + 1);
            }
}

// A picture's rows stacked one pixel apart, each centred under the one above: the cell's ink.
struct Cell {
    std::vector<Ink> rows;
    int Width() const {
        int w = 0;
        for (const Ink& r : rows) w = std::max(w, r.Width());
        return w;
    }
    int Height() const {
        int h = 0;
        for (const Ink& r : rows) h += r.Height();
        return h + int(rows.size()) - 1;
    }
};

// The cells side by side in a strip of 16-pixel cells, each centred in its cell.
bool WriteStrip(const std::string& path, const std::vector<std::vector<Picture>>& pictures) {
    // The largest size at which every picture keeps a pixel of room in its cell.
    std::vector<Cell> cells(pictures.size());
    for (int size = 48; size > 4; --size) {
        bool fits = true;
        for (std::size_t i = 0; i < pictures.size() && fits; ++i) {
            cells[i].rows.resize(pictures[i].size());
            for (std::size_t k = 0; k < pictures[i].size(); ++k) Render(pictures[i][k], size, &cells[i].rows[k]);
            fits = cells[i].Width() <= kCell - 1 && cells[i].Height() <= kCell - 1;
        }
        if (fits) break;
    }
    CBitmap strip;
    if (!strip.CreateBitmap(kCell * int(pictures.size()), kCell)) return false;
    for (int y = 0; y < kCell; ++y)
        for (int x = 0; x < strip.GetSize().cx; ++x) strip.SetPixel(x, y, kClear);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const Cell& cell = cells[i];
        int top = (kCell - cell.Height()) / 2;
        for (const Ink& ink : cell.rows) {
            if (ink.Width() <= 0) continue;
            const int left = int(i) * kCell + (kCell - ink.Width()) / 2;
            for (int y = 0; y < ink.Height(); ++y)
                for (int x = 0; x < ink.Width(); ++x) {
                    COLORREF c = 0;
                    if (Shade(ink.picture->GetPixel(ink.box.left + x, ink.box.top + y), &c))
                        strip.SetPixel(left + x, top + y, c);
                }
            top += ink.Height() + 1;
        }
    }
    return strip.SavePng(path);
}

// A number in time-signature digits.
Picture Number(int n) {
    return [n](CArtist& a, int size, int x, int y) {
        a.SetMusicFont(size);
        for (char ch : std::to_string(n)) {
            a.DrawGlyph(x, y, std::uint8_t(ch));
            x += a.GlyphWidth(std::uint8_t(ch));
        }
    };
}

// A music character, at `scale` times the strip's size (the dot would be a speck at the notes' size).
Picture Glyph(int c, int scale = 1) {
    return [c, scale](CArtist& a, int size, int x, int y) {
        a.SetMusicFont(size * scale);
        a.DrawGlyph(x, y, c);
    };
}

}  // namespace

bool WriteImageStrips(const std::string& dir) {
    // The meters in the order of the new score's meter choices: a sign, or two numbers stacked.
    std::vector<std::vector<Picture>> meters{{Glyph(kCommonTime)}, {Glyph(kCutTime)}};
    for (int beats = 2; beats <= 6; ++beats) meters.push_back({Number(beats), Number(4)});
    for (int groups = 1; groups <= 4; ++groups) meters.push_back({Number(groups * 3), Number(8)});
    // The beat units from the whole note down to the 32nd, then the dot.
    std::vector<std::vector<Picture>> beats;
    for (int i = 0; i < 6; ++i) beats.push_back({Glyph(kWholeNote + i)});
    beats.push_back({Glyph(kDot, 2)});
    const bool a = WriteStrip(dir + "/108.png", meters);
    const bool b = WriteStrip(dir + "/112.png", beats);
    return a && b;
}
