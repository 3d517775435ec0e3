#include "framework/ImageList.h"

#include "framework/DC.h"

bool CImageList::Create(UINT bitmapId, int width, int, COLORREF mask) {
    DeleteImageList();
    if (width <= 0 || !strip_.LoadBitmap(bitmapId)) return false;
    const SIZE s = strip_.GetSize();
    const int n = s.cx / width;
    if (n <= 0) {
        DeleteImageList();
        return false;
    }
    cx_ = width;
    cy_ = s.cy;
    mask_ = mask;
    for (int i = 0; i < n; ++i) cells_.push_back(i);
    valid_ = true;
    return true;
}

void CImageList::DeleteImageList() {
    strip_.DeleteObject();
    cells_.clear();
    cx_ = cy_ = 0;
    valid_ = false;
}

bool CImageList::Remove(int i) {
    if (i < 0 || i >= int(cells_.size())) return false;
    cells_.erase(cells_.begin() + i);
    return true;
}

COLORREF CImageList::SetBkColor(COLORREF c) {
    COLORREF old = bk_;
    bk_ = c;
    return old;
}

bool CImageList::Draw(CDC* dc, int i, int x, int y) const {
    if (!dc || i < 0 || i >= int(cells_.size())) return false;
    return dc->DrawBitmapTransparent(x, y, strip_, cells_[i] * cx_, 0, cx_, cy_, mask_);
}
