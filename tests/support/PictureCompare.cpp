#include "support/PictureCompare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "framework/Gdi.h"

namespace testsupport {

PictureDifference ComparePictures(const CBitmap& picture, const CBitmap& reference, const PictureTolerance& t) {
    PictureDifference d;
    const SIZE size = picture.GetSize(), refSize = reference.GetSize();
    if (size.cx != refSize.cx || size.cy != refSize.cy) {
        d.sameSize = false;
        d.total = long(refSize.cx) * refSize.cy;
        return d;
    }
    const int w = int(size.cx), h = int(size.cy);
    // Changed pixels counted over the rectangle from the origin to each point, so any square's
    // count is four look-ups.
    std::vector<long> sums(std::size_t(w + 1) * std::size_t(h + 1), 0);
    const auto at = [&](int x, int y) -> long& { return sums[std::size_t(y) * std::size_t(w + 1) + std::size_t(x)]; };
    for (int y = 0; y < h; ++y) {
        long row = 0;
        for (int x = 0; x < w; ++x) {
            const COLORREF a = picture.GetPixel(x, y), b = reference.GetPixel(x, y);
            const bool changed = std::abs(int(GetRValue(a)) - int(GetRValue(b))) > t.channel ||
                                 std::abs(int(GetGValue(a)) - int(GetGValue(b))) > t.channel ||
                                 std::abs(int(GetBValue(a)) - int(GetBValue(b))) > t.channel;
            row += changed ? 1 : 0;
            at(x + 1, y + 1) = at(x + 1, y) + row;
        }
    }
    d.total = at(w, h);
    const int n = std::max(1, t.square);
    for (int y = 0; y + n <= h || (y == 0 && h < n); ++y)
        for (int x = 0; x + n <= w || (x == 0 && w < n); ++x) {
            const int x2 = std::min(w, x + n), y2 = std::min(h, y + n);
            const long inSquare = at(x2, y2) - at(x, y2) - at(x2, y) + at(x, y);
            if (inSquare > d.mostInSquare) {
                d.mostInSquare = inSquare;
                d.x = x;
                d.y = y;
            }
        }
    return d;
}

void ExpectPictureMatches(const CBitmap& picture, const std::string& referencePath, const PictureTolerance& t) {
    namespace fs = std::filesystem;
    if (std::getenv("ZEL_UPDATE_REFERENCES")) {
        fs::create_directories(fs::path(referencePath).parent_path());
        ASSERT_TRUE(picture.SavePng(referencePath));
        GTEST_SKIP() << "wrote the reference " << referencePath << ": look at it before committing it";
    }
    CBitmap reference;
    ASSERT_TRUE(fs::exists(referencePath)) << "no reference picture " << referencePath
                                           << " (ZEL_UPDATE_REFERENCES=1 writes it)";
    ASSERT_TRUE(reference.LoadFile(referencePath)) << referencePath;
    const PictureDifference d = ComparePictures(picture, reference, t);
    if (d.Within(t)) return;
    const fs::path kept = fs::path(ZEL_TEST_BUILD_DIR) / "test-pictures" / fs::path(referencePath).filename();
    std::error_code ec;
    fs::create_directories(kept.parent_path(), ec);
    picture.SavePng(kept.string());
    if (!d.sameSize) {
        ADD_FAILURE() << referencePath << ": the picture's size differs from the reference's (picture kept as "
                      << kept.string() << ")";
        return;
    }
    ADD_FAILURE() << referencePath << ": " << d.total << " pixels changed (at most " << t.total << "), " << d.mostInSquare
                  << " within the " << t.square << "x" << t.square << " square at " << d.x << "," << d.y << " (at most "
                  << t.perSquare << "); the picture is kept as " << kept.string();
}

}  // namespace testsupport
