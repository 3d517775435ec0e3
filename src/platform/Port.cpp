#include "platform/Port.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "framework/CodePage.h"
#include "framework/DC.h"
#include "framework/Globals.h"
#include "framework/Window.h"
#include "platform/Artist.h"
#include "platform/FontMap.h"

CArtist* GetArtist() { return g_draw.artist; }
void SetArtist(CArtist* artist) { g_draw.artist = artist; }

namespace {
// The installed faces are listed once in a process. A reset of the globals takes the list out
// of use, as before start-up (font references are then read and saved unmapped), and the next
// InitDrawing puts the same list back.
CFontList* g_listedFaces = nullptr;

void ForgetFontList() { SetFontList(nullptr); }
[[maybe_unused]] const bool registered = fw::RegisterGlobalsReset(&ForgetFontList);
}  // namespace

void InitDrawing() {
    if (!GetFontList()) {
        if (!g_listedFaces) g_listedFaces = new CFontList;
        SetFontList(g_listedFaces);
    }
    CFontList* list = GetFontList();
    FontRef ref;
    const char* names[5] = {"MS Sans Serif", "Times New Roman", "MS Sans Serif", "Times New Roman", "Vorlind New"};
    const std::uint16_t sizes[5] = {9, 12, 8, 10, 24};
    for (int i = 0; i < 5; ++i) {
        list->FindFace(names[i], &ref, true);
        g_draw.standardFontRefs[i] = FontRef{ref.face, sizes[i], 0, 0};
    }
    g_draw.defaultMusicFontRef = g_draw.standardFontRefs[4];
    if (!g_draw.artist) {
        static CArtist screenArtist;
        g_draw.artist = &screenArtist;
        screenArtist.InitColorTable();
    }
}

// --- the port stack ---

void SavePortState() {
    CArtist* a = g_draw.artist;
    PortState st;
    st.port = g_draw.currentPort;
    if (a) {
        st.fontRef = a->currentFont;
        st.savedFont = a->savedFont;
        st.savedPen = a->savedPen;
        a->savedFont = nullptr;
        a->savedPen = nullptr;
        a->currentFont = FontRef{FontRef::kNoFace, 9, 0, 0};
    }
    g_draw.portStack.push_back(st);
}

void PushPort(CDC* dc) {
    SavePortState();
    if (!dc) return;
    g_draw.currentPort = dc;
    if (g_draw.artist) g_draw.artist->fontDirty = 1;
    if (dc->HasDC()) {
        dc->SetBkMode(TRANSPARENT);
        dc->SetTextAlign(TA_BASELINE);
    }
}

void PopPort() {
    CArtist* a = g_draw.artist;
    CDC* port = g_draw.currentPort;
    if (port && a) {
        // The port gets back the objects it came with; nothing it owns is deleted.
        if (a->savedFont) port->SelectObject(a->savedFont);
        if (a->savedPen) port->SelectObject(a->savedPen);
    }
    if (a) a->fontDirty = 1;
    if (g_draw.portStack.empty()) return;  // an unmatched pop changes nothing more
    PortState st = g_draw.portStack.back();
    g_draw.portStack.pop_back();
    g_draw.currentPort = st.port;
    if (a) {
        a->currentFont = st.fontRef;
        a->savedFont = st.savedFont;
        a->savedPen = st.savedPen;
    }
}

void GetCurrentPort(CDC** dc) {
    if (dc) *dc = g_draw.currentPort;
}

CDC* GetCurrentPort() { return g_draw.currentPort; }

int GetPortDepth() { return int(g_draw.portStack.size()); }

void GetPortMousePos(POINT* pt) {
    if (!pt) return;
    fw::GetCursorPos(pt);
    if (g_draw.currentPort && g_draw.currentPort->GetWindow()) g_draw.currentPort->GetWindow()->ScreenToClient(pt);
}

void SetPortMousePos(int x, int y) {
    POINT pt{x, y};
    if (g_draw.currentPort && g_draw.currentPort->GetWindow()) g_draw.currentPort->GetWindow()->ClientToScreen(&pt);
    fw::SetCursorPos(pt.x, pt.y);
}

void PortToScreen(POINT* pt) {
    if (pt && g_draw.currentPort && g_draw.currentPort->GetWindow()) g_draw.currentPort->GetWindow()->ClientToScreen(pt);
}

int GetPortCharset() { return g_draw.currentPort ? g_draw.currentPort->GetTextCharset() : 0; }

// --- drawing helpers ---

int DrawStackedNumbers(int x, int yTop, int yBottom, int top, int bottom) {
    CArtist* a = g_draw.artist;
    if (!a) return x;
    if (top < 10 && bottom < 10 && top >= 0 && bottom >= 0) {
        a->DrawGlyph(x, yTop, '0' + top);
        a->DrawGlyph(x, yBottom, '0' + bottom);
        return x + a->GlyphWidth('0' + bottom);
    }
    char upper[16], lower[16];
    std::snprintf(upper, sizeof upper, "%d", top);
    std::snprintf(lower, sizeof lower, "%d", bottom);
    int wu = a->TextWidth(upper), wl = a->TextWidth(lower);
    int xu = x, xl = x, next;
    if (wl < wu - 1) {
        xl = x + (wu - wl) / 2;
        next = x + wu;
    } else if (wu < wl - 1) {
        xu = x + (wl - wu) / 2;
        next = x + wl;
    } else {
        next = x + wl;
    }
    for (const char* p = upper; *p; ++p) {
        a->DrawGlyph(xu, yTop, std::uint8_t(*p));
        xu += a->GlyphWidth(std::uint8_t(*p));
    }
    for (const char* p = lower; *p; ++p) {
        a->DrawGlyph(xl, yBottom, std::uint8_t(*p));
        xl += a->GlyphWidth(std::uint8_t(*p));
    }
    return next;
}

int DrawTallGlyph(int x, int yTop, int yBottom, bool alternate) {
    CArtist* a = g_draw.artist;
    if (!a) return x;
    a->PushFont();
    a->SetMusicFont((yBottom - yTop) * 5 / 4);
    int c = alternate ? 254 : 255;
    a->DrawGlyph(x, yTop + (yBottom - yTop + 1) / 2, c);
    int w = a->GlyphWidth(c);
    a->PopFont();
    return x + w;
}

void DrawNoteWithLedgers(int position, const RECT& box) {
    CArtist* a = g_draw.artist;
    if (!a) return;
    a->PushClip();
    a->SetClipRect(box);
    int y = box.top + 9;
    if (position >= 6)
        y += ((position - 5) * 3) / 2 + 1;
    else if (position < -5)
        y += ((position + 5) * 3) / 2 - 1;
    a->DrawStripImage(box.left + 4, y - 6, 104, 2, 13);
    a->DrawStripImage(box.left + 10, y - (position * 3) / 2 - 1, 104, 3, 13);
    int ly = y;
    for (int p = position; p > 5; p -= 2, ly -= 3) a->Line(box.left + 8, ly - 9, box.left + 14, ly - 9);
    ly = y;
    for (int p = position; p < -5; p += 2, ly += 3) a->Line(box.left + 8, ly + 9, box.left + 14, ly + 9);
    a->PopClip();
}

namespace {
// Byte offsets of the characters of text.
std::vector<std::size_t> CharStarts(const std::string& s) {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < s.size();) {
        out.push_back(i);
        std::size_t n = fw::CharBytes(s.c_str() + i);
        i += n ? n : 1;
    }
    return out;
}
}  // namespace

void FitTextToWidth(char* text, int width, bool cutEnd) {
    CArtist* a = g_draw.artist;
    if (!text || !a) return;
    std::string s(text);
    if (a->TextWidth(s.c_str()) <= width) return;
    auto fits = [&](const std::string& t) { return a->TextWidth((t + "...").c_str()) <= width; };
    for (;;) {
        auto starts = CharStarts(s);
        if (starts.size() <= 1 || fits(s)) break;
        std::size_t which = starts.size() - 1;
        if (!cutEnd) {
            // the character that holds the middle byte
            std::size_t mid = s.size() / 2;
            which = 0;
            for (std::size_t i = 0; i < starts.size(); ++i)
                if (starts[i] <= mid) which = i;
        }
        std::size_t from = starts[which];
        std::size_t to = which + 1 < starts.size() ? starts[which + 1] : s.size();
        s.erase(from, to - from);
    }
    if (cutEnd) {
        s += "...";
    } else {
        std::size_t mid = s.size() / 2;
        std::size_t at = 0;
        for (std::size_t st : CharStarts(s))
            if (st <= mid) at = st;
        if (mid >= s.size()) at = s.size();
        s.insert(at, "...");
    }
    std::memcpy(text, s.c_str(), s.size() + 1);
}

bool HitHandleSquare(int x, int y, int cx, int cy) {
    int d = g_draw.artist ? g_draw.artist->Scale(2) : 2;
    return x >= cx - d && x <= cx + d && y >= cy - d && y <= cy + d;
}

namespace {
// The mark glyph records: placement kind, centred, stem-aligned, staff rule, glyph above,
// glyph below, extent above and extent below (quarter spaces).
const BYTE kMarkGlyphs[84][8] = {
    {2, 1, 0, 2, 161, 161, 4, 1}, {2, 1, 0, 2, 160, 160, 4, 1}, {2, 1, 0, 2, 162, 162, 2, 1},
    {2, 1, 0, 2, 163, 163, 4, 1}, {2, 1, 0, 2, 165, 165, 4, 1}, {2, 1, 0, 2, 164, 164, 4, 1},
    {2, 1, 0, 2, 166, 166, 2, 2}, {2, 0, 0, 0, 241, 241, 4, 1}, {2, 0, 0, 0, 242, 242, 4, 1},
    {2, 0, 0, 0, 243, 243, 4, 1}, {2, 0, 0, 0, 244, 244, 4, 1}, {2, 0, 0, 0, 245, 245, 4, 1},
    {2, 1, 0, 2, 44, 44, 2, 1},   {2, 1, 0, 2, 43, 43, 2, 1},   {2, 1, 0, 2, 45, 45, 2, 1},
    {0, 1, 0, 2, 192, 192, 5, 1}, {0, 1, 1, 2, 193, 193, 5, 1}, {0, 1, 0, 2, 214, 214, 5, 1},
    {2, 1, 0, 2, 194, 196, 6, 1}, {2, 1, 1, 2, 195, 197, 6, 1}, {2, 1, 0, 2, 215, 215, 7, 1},
    {3, 1, 0, 2, 194, 196, 6, 1}, {3, 1, 1, 2, 195, 197, 6, 1}, {0, 1, 0, 2, 198, 198, 4, 1},
    {0, 1, 1, 1, 199, 199, 1, 1}, {0, 1, 1, 1, 200, 200, 2, 1}, {2, 1, 0, 2, 204, 204, 7, 1},
    {2, 1, 0, 2, 205, 205, 7, 1}, {3, 1, 0, 2, 206, 206, 7, 1}, {3, 1, 0, 2, 207, 207, 7, 1},
    {4, 0, 0, 0, 172, 172, 10, 1}, {1, 1, 1, 0, 168, 168, 4, 0}, {1, 1, 1, 0, 169, 169, 6, 0},
    {1, 1, 1, 0, 170, 170, 8, 0}, {1, 1, 1, 0, 171, 171, 10, 0}, {0, 1, 0, 1, 201, 201, 2, 1},
    {0, 1, 0, 1, 202, 202, 2, 1}, {0, 1, 0, 2, 203, 203, 2, 2}, {2, 1, 0, 2, 178, 179, 6, 0},
    {3, 1, 0, 2, 178, 179, 0, 6}, {3, 1, 0, 2, 208, 208, 8, 1}, {3, 1, 0, 2, 209, 209, 7, 1},
    {2, 1, 0, 2, 185, 185, 1, 2}, {2, 1, 0, 2, 186, 186, 6, 1}, {3, 1, 0, 2, 210, 210, 7, 1},
    {3, 1, 0, 2, 211, 211, 7, 1}, {3, 1, 0, 2, 212, 212, 10, 1}, {3, 1, 0, 2, 213, 213, 10, 1},
    {2, 0, 0, 0, 240, 240, 2, 1}, {0, 0, 0, 1, 234, 234, 2, 2}, {2, 1, 1, 2, 235, 235, 5, 5},
    {2, 1, 1, 2, 235, 235, 5, 5}, {0, 0, 0, 0, 0, 0, 0, 0},       {0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0},     {0, 0, 0, 0, 0, 0, 0, 0},     {0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0},     {2, 0, 0, 0, 219, 219, 4, 0}, {2, 1, 0, 0, 232, 232, 4, 0},
    {2, 1, 0, 0, 216, 216, 4, 0}, {2, 1, 0, 0, 217, 217, 4, 0}, {0, 1, 0, 0, 218, 218, 4, 0},
    {2, 1, 0, 0, 233, 233, 4, 0}, {2, 1, 0, 2, 112, 112, 4, 0}, {2, 1, 0, 2, 105, 105, 4, 0},
    {2, 1, 0, 2, 109, 109, 4, 0}, {2, 1, 0, 2, 97, 97, 4, 0},   {2, 1, 0, 2, 99, 99, 4, 0},
    {2, 1, 0, 2, 84, 84, 4, 0},   {2, 1, 0, 2, 72, 72, 4, 0},   {2, 1, 0, 2, 80, 80, 4, 0},
    {2, 1, 0, 2, 220, 220, 4, 0}, {2, 1, 0, 2, 221, 221, 4, 0}, {2, 1, 0, 2, 222, 222, 4, 0},
    {2, 1, 0, 2, 223, 223, 4, 0}, {2, 1, 0, 2, 224, 224, 4, 0}, {2, 1, 0, 2, 225, 225, 4, 0},
    {2, 1, 0, 2, 226, 226, 4, 0}, {2, 1, 0, 2, 227, 227, 4, 0}, {2, 1, 0, 0, 0, 0, 4, 1},
    {3, 1, 0, 0, 0, 0, 4, 1},     {0, 1, 0, 0, 0, 0, 4, 1},     {1, 1, 1, 0, 0, 0, 4, 0},
};
const BYTE kNoMark[8] = {};
}  // namespace

const BYTE* GetMarkGlyphs(int code) {
    int index = -1;
    if (code >= 0 && code <= 51)
        index = code;
    else if (code >= 70 && code <= 99)
        index = code - 18;
    else if (code >= 100 && code <= 107)
        index = code - 36;
    else if (code >= 250 && code <= 253)
        index = code - 170;
    return index >= 0 ? kMarkGlyphs[index] : kNoMark;
}

int GetSymbolGlyph(int code) { return code == 6 ? 162 : code + 228; }

int GetKindSpacing(int kind) {
    switch (kind) {
    case 0: return 0;
    case 1: return 60;
    case 4:
    case 7: return 120;
    default: return 180;
    }
}

int AdjustForSize(int value, int size) {
    int steps = size / 24;
    if (steps >= 2) return value + 10 * steps;
    return size < 18 ? value - 5 : value;
}

void SetArtistColor(int c) {
    if (g_draw.artist) g_draw.artist->SetColor(c);
}

ArtistColorScope::ArtistColorScope() {
    if (g_draw.artist) {
        g_draw.artist->PushBackColor();
        g_draw.artist->PushColor();
    }
}

ArtistColorScope::~ArtistColorScope() {
    if (g_draw.artist) {
        g_draw.artist->PopColor();
        g_draw.artist->PopBackColor();
    }
}
