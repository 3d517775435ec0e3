// Image strips by resource id, made by the program itself: a declarative table per strip (the
// cell size and, for each image, what it shows), rendered on first use at the pixel ratio of
// the window pictures and cached. Light grey (192, 192, 192) is the mask: what an image leaves
// undrawn stays that grey, and ink that would come out as that very grey is moved off it.
// CBitmap::LoadBitmap takes a strip from here before it looks for a picture file.
#pragma once
#include <string>
#include <vector>

namespace fw {

// One image of a strip. Glyph images (music face codes, SMuFL code points, text) are rows of
// characters stacked one under the other and centred; every glyph image of a strip is drawn at
// one size, the largest at which each fits its cell with a pixel to spare, times its grow
// factor; a space in a row leaves a fifth of an em between glyphs. An SVG image is a file of resources/strips/ drawn to fill its cell.
struct StripImage {
    enum Kind { kBlank, kFace, kSmufl, kText, kSvg };
    Kind kind = kBlank;
    std::vector<std::u32string> rows;  // kFace: music face codes; kSmufl: code points; kText: characters
    std::string svg;                   // kSvg: file name under resources/strips/
    float grow = 1;
};

struct StripDef {
    int id = 0;
    int cellWidth = 16, cellHeight = 16;
    const char* what = "";
    std::vector<StripImage> images;
};

// Every strip of the program, by rising id.
const std::vector<StripDef>& StripTable();
const StripDef* FindStrip(int id);
// The pixel ratio strips are rendered at: that of the window pictures.
int StripPixelRatio();
// Renders every strip afresh at the ratio (the cache is not used or filled); the number of
// strips built.
int BuildAllStrips(int ratio);
// Empties the cache (a changed music font, tests).
void ForgetStrips();

}  // namespace fw
