// The system's fonts as the program sees them: face names in the code page, older
// platforms' face names resolved through a substitution table, and the music face.
#pragma once
#include <string>
#include <vector>

#include "framework/Gdi.h"

namespace fw {

struct FontFaceInfo {
    std::string name;  // code page, at most 31 bytes
    WORD fontType = 0;  // TRUETYPE_FONTTYPE for outline faces
    LOGFONT logFont;
};

// With a name: that face, when the system has it or the substitution table knows it (the
// music face counts as installed when its SMuFL font was found). Empty or null: every
// family installed on the system.
std::vector<FontFaceInfo> EnumFontFamilies(const char* name);

// Whether a face is a Japanese one: the family it draws with writes Japanese but not
// simplified Chinese.
bool IsJapaneseFace(const char* name);

// The installed family that a face name draws with (UTF-8; the name itself when installed).
std::string ResolvedFamily(const char* name);

}  // namespace fw

namespace fw {
// The font dialog, starting from a face (code page), a size in points and style bits (1 bold,
// 2 italic, 4 underline); false when cancelled. The size comes back in tenths of a point.
bool RunFontDialog(const char* face, int size, int style, std::string* faceOut, int* tenthsOut, int* styleOut);
}  // namespace fw
