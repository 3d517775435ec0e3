#include "model/ScoreStandIns.h"

#include <algorithm>
#include <new>

#include "model/Score.h"

DrumKey* CDrumLib::GetDrumEntry(std::int16_t key) { return &keys[key >= 0 && key < 128 ? key : 0]; }

CDrumLib& DrumLib() {
    static CDrumLib library;
    return library;
}

const FontRef& GuitarLibFontRef() {
    static const FontRef font;
    return font;
}

void ReadVSTRackText(CScore&) {}

int MakeChordKey(int rootPitch, const int* pitches, int n) {
    n = std::min(n, 12);
    if (n <= 0 || !pitches) return 0;
    int key = 0;
    for (int i = 0; i < n; ++i) key |= 1 << ((((pitches[i] - rootPitch) % 12) + 144) % 12);
    if (((pitches[0] % 12) + 12) % 12 == ((pitches[n - 1] % 12) + 12) % 12) key |= 1 << 12;
    return key;
}
