// The strips of the table, each as its own picture and all together on one labelled sheet.
#include "Strips.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "framework/DC.h"
#include "framework/Gdi.h"
#include "framework/Strips.h"
#include "platform/Artist.h"
#include "platform/Port.h"

namespace {

constexpr int kZoom = 2, kLabel = 48, kGap = 8;

}  // namespace

bool WriteImageStrips(const std::string& dir) {
    bool ok = true;
    int width = 0, height = kGap;
    for (const fw::StripDef& def : fw::StripTable()) {
        CBitmap strip;
        if (!strip.LoadBitmap(UINT(def.id)) || !strip.SavePng(dir + "/" + std::to_string(def.id) + ".png")) {
            std::fprintf(stderr, "glyphsheet: strip %d could not be written\n", def.id);
            ok = false;
        }
        width = std::max(width, kLabel + int(def.images.size()) * def.cellWidth * kZoom + kGap);
        height += def.cellHeight * kZoom + kGap;
    }
    CBitmap sheet;
    if (!sheet.CreateBitmap(width, height)) return false;
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SelectObject(&sheet);
    PushPort(&dc);
    CArtist* a = GetArtist();
    a->UseFontA();
    int y = kGap;
    for (const fw::StripDef& def : fw::StripTable()) {
        CBitmap strip;
        if (strip.LoadBitmap(UINT(def.id))) {
            const SIZE s = strip.GetSize();
            for (int py = 0; py < s.cy; ++py)
                for (int px = 0; px < s.cx; ++px) {
                    RECT r{kLabel + px * kZoom, y + py * kZoom, kLabel + (px + 1) * kZoom, y + (py + 1) * kZoom};
                    dc.FillSolidRect(&r, strip.GetPixel(px, py));
                }
            // Cell borders, so that each image shows where it lies.
            for (std::size_t i = 0; i <= def.images.size(); ++i) {
                RECT r{kLabel + int(i) * def.cellWidth * kZoom - 1, y, kLabel + int(i) * def.cellWidth * kZoom,
                       y + def.cellHeight * kZoom};
                dc.FillSolidRect(&r, RGB(255, 255, 255));
            }
        }
        a->DrawText(4, y + def.cellHeight * kZoom / 2 + 4, std::to_string(def.id).c_str());
        y += def.cellHeight * kZoom + kGap;
    }
    PopPort();
    return sheet.SavePng(dir + "/strips.png") && ok;
}
