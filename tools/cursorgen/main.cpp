// cursorgen DIR: draws the program's own pointer shapes, 32 x 32 pixels each, black with a
// white outline on a transparent background, as DIR/<id>.png, and writes their hot spots to
// DIR/hotspots.txt ("id x y" a line).
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "framework/Cursor.h"
#include "framework/DC.h"
#include "framework/File.h"
#include "framework/Gdi.h"

namespace {

constexpr int kSize = 32;
constexpr COLORREF kClear = RGB(255, 0, 255);  // becomes transparent
constexpr COLORREF kInk = RGB(0, 0, 0);
constexpr COLORREF kPaper = RGB(255, 255, 255);

// A 32 x 32 picture being drawn: GDI-style shapes, then a white outline round the ink.
class Canvas {
public:
    Canvas() {
        bmp_.CreateBitmap(kSize, kSize);
        dc_.CreateCompatibleDC(nullptr);
        dc_.SelectObject(&bmp_);
        RECT all{0, 0, kSize, kSize};
        dc_.FillSolidRect(&all, kClear);
    }

    // A filled polygon with a one-pixel edge.
    void Poly(std::initializer_list<POINT> pts, COLORREF fill = kInk, COLORREF edge = kInk) {
        std::vector<POINT> v(pts);
        Shape(fill, edge, 1, [&] { dc_.Polygon(v.data(), int(v.size())); });
    }
    // A line from (x1, y1) to (x2, y2), both ends included.
    void Line(int x1, int y1, int x2, int y2, int width = 1, COLORREF c = kInk) {
        Shape(c, c, width, [&] {
            dc_.MoveTo(x1, y1);
            dc_.LineTo(x2, y2);
        });
        if (width <= 1) dc_.SetPixel(x2, y2, c);
    }
    // Pixels l..r-1, t..b-1.
    void Fill(int l, int t, int r, int b, COLORREF c = kInk) {
        RECT rc{l, t, r, b};
        dc_.FillSolidRect(&rc, c);
    }
    void Box(int l, int t, int r, int b, COLORREF fill = kPaper, COLORREF edge = kInk) {
        Shape(fill, edge, 1, [&] { dc_.Rectangle(l, t, r, b); });
    }
    void Rounded(int l, int t, int r, int b, int round, COLORREF fill = kPaper, COLORREF edge = kInk) {
        Shape(fill, edge, 1, [&] { dc_.RoundRect(l, t, r, b, round, round); });
    }
    void Oval(int l, int t, int r, int b, COLORREF fill = kInk, COLORREF edge = kInk) {
        Shape(fill, edge, 1, [&] { dc_.Ellipse(l, t, r, b); });
    }
    void Arc(int l, int t, int r, int b, int x1, int y1, int x2, int y2, int width) {
        Shape(kInk, kInk, width, [&] { dc_.Arc(l, t, r, b, x1, y1, x2, y2); });
    }

    // Whitens every clear pixel that touches ink, then writes the picture.
    bool Save(const std::string& path) {
        std::vector<POINT> edge;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) {
                if (Px(x, y) != kClear) continue;
                bool touches = false;
                for (int dy = -1; dy <= 1 && !touches; ++dy)
                    for (int dx = -1; dx <= 1 && !touches; ++dx)
                        if (Px(x + dx, y + dy) == kInk) touches = true;
                if (touches) edge.push_back(POINT{x, y});
            }
        for (const POINT& p : edge) bmp_.SetPixel(p.x, p.y, kPaper);
        return fw::SaveCursorPicture(bmp_, kClear, path);
    }

private:
    template <typename F>
    void Shape(COLORREF fill, COLORREF edge, int width, F draw) {
        CPen pen(PS_SOLID, width, edge);
        CBrush brush(fill);
        CPen* oldPen = dc_.SelectObject(&pen);
        CBrush* oldBrush = dc_.SelectObject(&brush);
        draw();
        dc_.SelectObject(oldPen);
        dc_.SelectObject(oldBrush);
    }
    COLORREF Px(int x, int y) const {
        if (x < 0 || y < 0 || x >= kSize || y >= kSize) return kClear;
        return bmp_.GetPixel(x, y) & 0xFFFFFF;
    }

    CBitmap bmp_;
    CDC dc_;
};

// The arrow, its tip (the hot spot) at (1, 1).
void Arrow(Canvas& c) { c.Poly({{1, 1}, {1, 17}, {5, 13}, {8, 20}, {10, 19}, {7, 12}, {12, 12}}); }

// A rubber block lying from the lower left (its working end) to the upper right.
void Eraser(Canvas& c) {
    c.Poly({{8, 18}, {14, 24}, {28, 10}, {22, 4}});
    c.Poly({{2, 24}, {8, 30}, {14, 24}, {8, 18}}, kPaper);
}

// A circle with a slash: "not here".
void NoSign(Canvas& c, int l, int t, int r, int b) {
    c.Oval(l, t, r, b);
    c.Oval(l + 2, t + 2, r - 2, b - 2, kPaper, kPaper);
    c.Line(l + 3, b - 4, r - 4, t + 3, 2);
}

// A cross-hair centred on (8, 8).
void CrossHair(Canvas& c) {
    c.Line(1, 8, 6, 8);
    c.Line(10, 8, 15, 8);
    c.Line(8, 1, 8, 6);
    c.Line(8, 10, 8, 15);
}

// A crotchet, lower right.
void Crotchet(Canvas& c) {
    c.Poly({{15, 27}, {17, 24}, {21, 22}, {24, 23}, {24, 25}, {22, 28}, {18, 30}, {15, 29}});
    c.Fill(22, 11, 24, 25);
}

void Magnifier(Canvas& c, bool plus) {
    c.Poly({{17, 20}, {20, 17}, {30, 27}, {27, 30}});
    c.Oval(1, 1, 23, 23);
    c.Oval(4, 4, 20, 20, kPaper, kPaper);
    c.Fill(7, 11, 17, 13);
    if (plus) c.Fill(11, 7, 13, 17);
}

struct Cursor {
    unsigned id;
    int x, y;  // hot spot
    void (*draw)(Canvas&);
};

const Cursor kCursors[] = {
    // Dragging a copy: the arrow with a box and a plus.
    {198, 1, 1, [](Canvas& c) {
         Arrow(c);
         c.Box(14, 17, 30, 31);
         c.Fill(18, 23, 27, 25);
         c.Fill(21, 20, 23, 28);
     }},
    // Dragging (moving): the arrow with a box.
    {199, 1, 1, [](Canvas& c) {
         Arrow(c);
         c.Box(14, 17, 30, 31);
         c.Box(17, 20, 27, 28, kInk, kInk);
     }},
    // Erasing.
    {200, 5, 27, Eraser},
    // Erasing not possible here: the eraser with a "not" sign.
    {201, 5, 27, [](Canvas& c) {
         Eraser(c);
         NoSign(c, 17, 17, 31, 31);
     }},
    // Drawing: a pencil, its point lower left.
    {202, 2, 29, [](Canvas& c) {
         c.Poly({{5, 22}, {23, 4}, {27, 8}, {9, 26}});
         c.Line(19, 8, 23, 12, 1, kPaper);
         c.Poly({{2, 29}, {5, 22}, {9, 26}}, kPaper);
         c.Poly({{2, 29}, {3, 26}, {5, 28}});
     }},
    // Listening (scrubbing): a loudspeaker with sound waves.
    {203, 3, 16, [](Canvas& c) {
         c.Fill(3, 12, 8, 21);
         c.Poly({{7, 12}, {13, 6}, {13, 26}, {7, 20}});
         c.Arc(10, 10, 20, 22, 19, 22, 19, 10, 2);
         c.Arc(11, 6, 25, 26, 24, 26, 24, 6, 2);
         c.Arc(12, 2, 30, 30, 29, 30, 29, 2, 2);
     }},
    // Entering a note on the staff.
    {501, 8, 8, [](Canvas& c) {
         CrossHair(c);
         Crotchet(c);
     }},
    // Selecting an item instead: the arrow with a four-way move mark.
    {502, 1, 1, [](Canvas& c) {
         Arrow(c);
         c.Line(17, 23, 29, 23);
         c.Line(23, 17, 23, 29);
         c.Poly({{23, 14}, {26, 17}, {20, 17}});
         c.Poly({{23, 31}, {26, 28}, {20, 28}});
         c.Poly({{14, 23}, {17, 20}, {17, 26}});
         c.Poly({{31, 23}, {28, 20}, {28, 26}});
     }},
    // Erasing in the score.
    {503, 5, 27, Eraser},
    // Scaling: a box with a double arrow across its corner.
    {504, 16, 16, [](Canvas& c) {
         c.Box(2, 2, 17, 17);
         c.Line(6, 6, 25, 25, 2);
         c.Poly({{4, 4}, {12, 5}, {5, 12}});
         c.Poly({{28, 28}, {20, 27}, {27, 20}});
     }},
    // Entering a note below the staff.
    {507, 8, 8, [](Canvas& c) {
         CrossHair(c);
         Crotchet(c);
         c.Poly({{8, 28}, {3, 21}, {13, 21}});
     }},
    // Entering a note above the staff.
    {508, 8, 8, [](Canvas& c) {
         CrossHair(c);
         Crotchet(c);
         c.Poly({{8, 21}, {3, 28}, {13, 28}});
     }},
    // Zooming in.
    {509, 11, 11, [](Canvas& c) { Magnifier(c, true); }},
    // Zooming out.
    {510, 11, 11, [](Canvas& c) { Magnifier(c, false); }},
    // Scrolling by hand: an open hand.
    {511, 15, 15, [](Canvas& c) {
         c.Poly({{8, 23}, {2, 16}, {4, 13}, {10, 18}}, kPaper);
         c.Rounded(7, 13, 26, 29, 8);
         c.Rounded(8, 4, 12, 18, 4);
         c.Rounded(12, 2, 16, 18, 4);
         c.Rounded(16, 3, 20, 18, 4);
         c.Rounded(20, 6, 24, 18, 4);
         c.Fill(9, 16, 23, 19, kPaper);
     }},
    // Text: an I-beam.
    {512, 15, 16, [](Canvas& c) {
         c.Fill(11, 3, 21, 5);
         c.Fill(15, 5, 17, 27);
         c.Fill(11, 27, 21, 29);
     }},
    // Resizing a column: a bar with arrows left and right.
    {513, 15, 15, [](Canvas& c) {
         c.Fill(14, 4, 17, 28);
         c.Poly({{2, 15}, {7, 10}, {7, 14}, {11, 14}, {11, 16}, {7, 16}, {7, 20}});
         c.Poly({{28, 15}, {23, 10}, {23, 14}, {19, 14}, {19, 16}, {23, 16}, {23, 20}});
     }},
    // The hand tool over the page: a pointing hand, the finger tip the hot spot.
    {515, 13, 1, [](Canvas& c) {
         c.Poly({{10, 25}, {4, 18}, {6, 15}, {12, 20}}, kPaper);
         c.Rounded(9, 14, 27, 30, 8);
         c.Rounded(11, 1, 16, 20, 5);
         c.Rounded(15, 10, 19, 19, 4);
         c.Rounded(18, 11, 22, 19, 4);
         c.Rounded(21, 12, 25, 20, 4);
         c.Fill(12, 17, 24, 20, kPaper);
     }},
    // Note entry while the preview shows the note: the cross-hair alone.
    {516, 8, 8, CrossHair},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: cursorgen DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    fw::MakeFolders(dir);
    std::string spots = "# id x y: the hot spot of cursors/<id>.png (written by cursorgen)\n";
    int failures = 0;
    for (const Cursor& cur : kCursors) {
        Canvas canvas;
        cur.draw(canvas);
        std::string path = dir + "/" + std::to_string(cur.id) + ".png";
        if (!canvas.Save(path)) {
            std::fprintf(stderr, "cursorgen: cannot write %s\n", path.c_str());
            ++failures;
        }
        spots += std::to_string(cur.id) + " " + std::to_string(cur.x) + " " + std::to_string(cur.y) + "\n";
    }
    std::FILE* f = std::fopen((dir + "/hotspots.txt").c_str(), "w");
    if (!f) return 1;
    std::fputs(spots.c_str(), f);
    std::fclose(f);
    return failures ? 1 : 0;
}
