#include "model/ScoreStandIns.h"

FontRef* DefaultFontTable() {
    static FontRef table[16];
    return table;
}

const FontRef& GuitarLibFontRef() {
    static const FontRef font;
    return font;
}
