// A list of equal-sized images cut from one bitmap resource (an image strip), drawn with the
// mask colour left out.
#pragma once
#include <vector>

#include "framework/Gdi.h"

class CDC;

class CImageList {
public:
    // The strip of resource bitmapId cut into images width pixels wide (the strip's height
    // high); growth is kept for the caller's sake (the list never grows). False when the
    // bitmap cannot be had or is narrower than one image.
    bool Create(UINT bitmapId, int width, int growth, COLORREF mask);
    void DeleteImageList();
    bool IsValid() const { return valid_; }
    int GetImageCount() const { return int(cells_.size()); }
    // Removes image i (the ones after it move up); false when there is none.
    bool Remove(int i);
    COLORREF SetBkColor(COLORREF c);
    COLORREF GetBkColor() const { return bk_; }
    SIZE GetImageSize() const { return SIZE{cx_, cy_}; }
    // Draws image i at (x, y) with the mask colour left out; false when there is none.
    bool Draw(CDC* dc, int i, int x, int y) const;

private:
    CBitmap strip_;
    std::vector<int> cells_;  // the strip cell each image shows
    int cx_ = 0, cy_ = 0;
    COLORREF mask_ = 0, bk_ = 0xFFFFFFFF;
    bool valid_ = false;
};
