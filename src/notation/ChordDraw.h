// The chord library's side of drawing chord records, as far as the chord records need it: its
// fonts, its definition lookup, and a chord symbol drawn and measured at a point.
#pragma once
#include "platform/FontRef.h"

class CSuffix;

namespace chorddraw {
// The frame font: the library's, else the default text face at 16 points, bold.
FontRef FrameFont();
// The chord symbols' font (the frame font until the chord library names its own).
FontRef ChordFont();
// The chord library's definition with this key; null when none.
const CSuffix* FindDefinition(int key);
// Root, accidental, suffix (or "?" and no bass without a definition) and bass at (x, y) in the
// chord font at `size`; the right edge.
int DrawChordSymbol(int x, int y, int size, int rootLetter, int rootAccidental, int bassLetter, int bassAccidental,
                    bool hasBass, bool bassBelow, int key);
// The symbol's measured width as its rectangle takes it ("C" for the root, "#" for an
// accidental, the suffix or "?", and a bass after a slash with `slashSpace`).
int ChordSymbolWidth(int size, int rootAccidental, int bassAccidental, bool hasBass, bool bassBelow, int key,
                     int slashSpace);
}  // namespace chorddraw
