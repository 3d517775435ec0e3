// The picture comparison of the reference-picture tests: what it lets through (antialiasing
// that moves a channel by up to 96, a few scattered pixels) and what it never does (a small sign
// gone: a handful of pixels together, or more than 24 anywhere).
#include <gtest/gtest.h>

#include <string>

#include "framework/Gdi.h"
#include "support/PictureCompare.h"

namespace {

// A new bitmap is white.
void White(CBitmap& b, int w, int h) {
    fw::EnsureGraphics();
    b.CreateBitmap(w, h);
}

TEST(PictureCompare, LetsThroughShadingAndStrayPixelsButNoMissingSign) {
    using testsupport::ComparePictures;
    using testsupport::PictureTolerance;
    const PictureTolerance t;
    struct Row {
        const char* what;
        int blackSquare;   // a black square of this side at (40, 40), 0 for none
        int scattered;     // black pixels 20 apart along a row
        int shade;         // every pixel darkened by this much
        bool within;
    } rows[] = {
        {"the same picture", 0, 0, 0, true},
        {"antialiasing: every pixel moved by 96", 0, 0, 96, true},
        {"every pixel moved by 97", 0, 0, 97, false},
        {"24 scattered pixels", 0, 24, 0, true},
        {"25 scattered pixels", 0, 25, 0, false},
        {"a dot of 2x3 pixels (6)", 0, 0, 0, true},
        {"a dot of 3x3 pixels (9)", 3, 0, 0, false},
        {"a sign of 7x7 pixels", 7, 0, 0, false},
    };
    for (const Row& r : rows) {
        CBitmap ref, pic;
        White(ref, 600, 120);
        White(pic, 600, 120);
        if (std::string(r.what).find("2x3") != std::string::npos)
            for (int y = 40; y < 43; ++y)
                for (int x = 40; x < 42; ++x) pic.SetPixel(x, y, RGB(0, 0, 0));
        for (int y = 40; y < 40 + r.blackSquare; ++y)
            for (int x = 40; x < 40 + r.blackSquare; ++x) pic.SetPixel(x, y, RGB(0, 0, 0));
        for (int i = 0; i < r.scattered; ++i) pic.SetPixel(5 + 20 * (i % 29), 5 + 20 * (i / 29), RGB(0, 0, 0));
        if (r.shade)
            for (int y = 0; y < 120; ++y)
                for (int x = 0; x < 600; ++x) pic.SetPixel(x, y, RGB(255 - r.shade, 255 - r.shade, 255 - r.shade));
        EXPECT_EQ(ComparePictures(pic, ref, t).Within(t), r.within) << r.what;
    }
    // A picture of another size never matches.
    CBitmap taller, ref;
    White(taller, 600, 121);
    White(ref, 600, 120);
    EXPECT_FALSE(ComparePictures(taller, ref, t).Within(t));
}

}  // namespace
