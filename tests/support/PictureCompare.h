// Pictures against their committed references. A reference is a claim: it is written only by
// the update switch (ZEL_UPDATE_REFERENCES=1, and each one written is looked at before it is
// committed); a missing one fails. The comparison lets through antialiasing that differs
// between library versions, never a missing sign: a pixel counts as changed when a channel
// moves by more than `channel`, and the picture matches when at most `total` pixels changed in
// all and at most `perSquare` within any square of `square` x `square` pixels.
#pragma once
#include <string>

class CBitmap;

namespace testsupport {

struct PictureTolerance {
    int channel = 96;
    long total = 24;
    int square = 8;
    long perSquare = 6;
};

// What a comparison found: the changed pixels in all, the most within one square, and where
// that square's top left corner lies.
struct PictureDifference {
    bool sameSize = true;
    long total = 0;
    long mostInSquare = 0;
    int x = 0, y = 0;
    bool Within(const PictureTolerance& t) const { return sameSize && total <= t.total && mostInSquare <= t.perSquare; }
};

PictureDifference ComparePictures(const CBitmap& picture, const CBitmap& reference, const PictureTolerance& t = {});

// The picture against the reference file (absolute path): a failure of the running test when
// they differ beyond the tolerance or the reference is missing; with the update switch the
// picture is written as the reference and the test reports itself skipped. A picture that
// fails is kept in the build's test-pictures folder to be looked at.
void ExpectPictureMatches(const CBitmap& picture, const std::string& referencePath, const PictureTolerance& t = {});

}  // namespace testsupport
