// The graphic's, the harp pedal marking's and the picture's record operations: the graphic's
// fields between memory and file order, its playback setting, the harp's pitch classes.
#include "model/Graphic.h"

#include <cstring>

#include "model/BitOrder.h"

namespace {

std::int16_t Swapped(std::int16_t v) {
    const auto u = std::uint16_t(v);
    return std::int16_t(std::uint16_t(u << 8 | u >> 8));
}

}  // namespace

int CGraphic::GetPlayback(std::uint8_t out[kPlaybackSize]) const {
    if (Holds(kPlayback, kPlaybackSize)) std::memcpy(out, Bytes() + kPlayback, kPlaybackSize);
    else std::memset(out, 0, kPlaybackSize);
    return 2;
}

void CGraphic::SetPlayback(const std::uint8_t in[kPlaybackSize]) {
    if (Holds(kPlayback, kPlaybackSize)) std::memcpy(Bytes() + kPlayback, in, kPlaybackSize);
}

int CGraphic::GetPlaybackController(int i) const {
    if (i < 0 || i >= kPlaybackValue - kPlaybackControllers) return -1;
    const int c = Byte(kPlayback + kPlaybackControllers + i);
    return c == 0 ? -1 : c - 1;
}

int CGraphic::GetPlaybackValue() const {
    const int v = Word(kPlayback + kPlaybackValue);
    return v > 0 && Byte(kPlayback + kPlaybackMode) == 1 ? v : -1;
}

void CGraphic::FieldsToFileOrder() {
    const int type = TypeCode();
    const int kind = Kind();
    if (Holds(kFlags, 1)) MirrorFieldsToFile(Bytes() + kFlags, kLayout_1_1_1_1_1_3);
    PutWord(kLineWidth, WidthToFile(LineWidth()));
    for (int at : {kStartDx, kStartDy, kEndDx, kEndDy}) PutWord(at, Word(at) / 5);
    for (int at : {kLineStyle, kLineWidth, kStartDx, kStartDy, kEndBars, kEndPosition, kEndDx, kEndDy, kEndStaff})
        PutWord(at, Swapped(Word(at)));
    for (int w = 0; w < 4; ++w) PutWord(kPlaybackWords + 2 * w, Swapped(Word(kPlaybackWords + 2 * w)));
    if (type == kRoundRectType || (type == kBaseType && kind == kRoundRect)) PutWord(kRadius, Swapped(Word(kRadius)));
    if (type == kCurveType || (type == kBaseType && kind == kCurve)) {
        for (int i = 0; i < 2; ++i) {
            PutWord(kControlX + 2 * i, Swapped(Word(kControlX + 2 * i)));
            PutWord(kControlY + 2 * i, Swapped(std::int16_t(Word(kControlY + 2 * i) / 5)));
        }
    }
}

void CGraphic::FieldsFromFileOrder() {
    if (Holds(kFlags, 1)) MirrorFieldsFromFile(Bytes() + kFlags, kLayout_1_1_1_1_1_3);
    for (int at : {kLineStyle, kLineWidth, kStartDx, kStartDy, kEndBars, kEndPosition, kEndDx, kEndDy, kEndStaff})
        PutWord(at, Swapped(Word(at)));
    PutWord(kLineWidth, WidthFromFile(LineWidth()));
    for (int at : {kStartDx, kStartDy, kEndDx, kEndDy}) PutWord(at, Word(at) * 5);
    for (int w = 0; w < 4; ++w) PutWord(kPlaybackWords + 2 * w, Swapped(Word(kPlaybackWords + 2 * w)));
    const int type = TypeCode(), kind = Kind();
    if (type == kRoundRectType || (type == kBaseType && kind == kRoundRect)) PutWord(kRadius, Swapped(Word(kRadius)));
    if (type == kCurveType || (type == kBaseType && kind == kCurve)) {
        for (int i = 0; i < 2; ++i) {
            PutWord(kControlX + 2 * i, Swapped(Word(kControlX + 2 * i)));
            PutWord(kControlY + 2 * i, Swapped(Word(kControlY + 2 * i)) * 5);
        }
    }
}

int CHarpPed::GetPitchClass(int i) const {
    if (i < 0 || i >= kPedalCount) return 0;
    return (kNaturalClasses[i] + 12 + Pedal(i)) % 12;
}
