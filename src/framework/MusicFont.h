// The music face. The program draws music symbols as character codes 0-255 of its music
// face "Vorlind New"; the framework draws each code as a glyph of a SMuFL font (Bravura)
// through its own table: code point, offset and scale per code.
#pragma once
#include <string>
#include <string_view>

namespace fw {

inline constexpr const char* kMusicFaceName = "Vorlind New";

// True for the music face's name (and the short name that older files use).
bool IsMusicFaceName(std::string_view name);
// The file the music face is drawn from ("" when no SMuFL font was found). Looked up in
// $ZEL_FONT_DIR, the build's font folder, the installed data folder's fonts/ and the
// program's folder's fonts/.
std::string MusicFontFile();
bool MusicFontAvailable();
// What code shows, for labels (the SMuFL glyph name; "" for a code the face leaves empty).
const char* MusicGlyphName(int code);

}  // namespace fw
