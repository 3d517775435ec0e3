// How a title block draws itself on a page: titles, annotations, authors and notices as
// centred lines inside an area; headers and footers as one line with the page number, the date
// and the time put in.
#include <algorithm>
#include <string>

#include "framework/CodePage.h"
#include "model/Page.h"
#include "model/Titles.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/PortLayer.h"

namespace {

struct FontPush {
    explicit FontPush(CArtist* a) : a(a) { a->PushFont(); }
    ~FontPush() { a->PopFont(); }
    CArtist* a;
};

FontRef Scaled(const FontRef& font, CPage* page) {
    FontRef f = font;
    f.size = std::uint16_t(page->ScaleToView(font.size));
    return f;
}

}  // namespace

std::string ExpandTitleText(const char* text, int pageNumber) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        // A double-byte character is copied whole: its trail byte is never read as "#".
        if (fw::IsLeadByte(std::uint8_t(*p)) && p[1]) {
            out += p[0];
            out += p[1];
            ++p;
            continue;
        }
        if (*p == '#' && p[1]) {
            char buffer[64] = {};
            switch (p[1]) {
                case 'P':
                case 'p': out += std::to_string(pageNumber); ++p; continue;
                case 'D':
                case 'd': FormatLongDate(buffer); out += buffer; ++p; continue;
                case 'T':
                case 't': FormatShortTime(buffer); out += buffer; ++p; continue;
                default: break;
            }
        }
        out += *p;
    }
    return out;
}

int TitleBlock::GetHeight() const {
    CArtist* a = g_draw.artist;
    if (!a) return 0;
    FontPush keep(a);
    int height = 0;
    for (const TitleLine& line : lines) {
        if (!line.text[0]) continue;
        a->SetFontRef(line.font);
        FontMetrics16 m;
        a->GetFontMetrics(&m);
        height += m.ascent + m.descent + m.leading;
    }
    return height;
}

void TitleBlock::Draw(RECT& area, CPage* page) {
    CArtist* a = g_draw.artist;
    if (!a || !page) return;
    const int pageIndex = page->GetIndex();
    if (IsSingleLine()) {
        bounds[0] = bounds[1] = bounds[2] = bounds[3] = 0;
        if (!lines[0].text[0] || pageIndex < startPage) return;
        const std::string text = ExpandTitleText(lines[0].text, pageIndex + pageOffset + 1);
        FontPush keep(a);
        a->SetFontRef(Scaled(lines[0].font, page));
        FontMetrics16 m;
        a->GetFontMetrics(&m);
        const int w = a->TextWidth(text.c_str());
        const RECT printable = page->GetPrintableRect();
        int y = IsHeader() ? printable.top + m.ascent : printable.bottom - m.descent;
        y += page->TwentiethsToView(yOffset);
        bounds[1] = y - m.ascent;
        bounds[3] = y + m.descent;
        const int offset = page->TwentiethsToView(xOffset);
        if (alignment == 1) {
            const int x = (area.left + area.right) / 2 + offset;
            a->DrawTextCentered(x, y, text.c_str());
            bounds[0] = x - (w + 1) / 2;
            bounds[2] = x + (w + 1) / 2;
            return;
        }
        bool right = alignment == 2;
        int off = offset;
        if (flip && ((pageIndex - startPage) & 1)) {
            right = !right;
            off = -off;
        }
        if (right) {
            const int x = area.right + off - 1;
            a->DrawTextRight(x, y, text.c_str());
            bounds[0] = x - w;
            bounds[2] = x;
        } else {
            const int x = area.left + off + 1;
            a->DrawText(x, y, text.c_str());
            bounds[0] = x;
            bounds[2] = x + w;
        }
        return;
    }
    bounds[0] = bounds[1] = bounds[2] = bounds[3] = 0;
    FontPush keep(a);
    struct Taken {
        const TitleLine* line;
        FontMetrics16 m;
    };
    Taken taken[kLines];
    int count = 0, width = 0, height = 0;
    for (const TitleLine& line : lines) {
        if (!line.text[0]) continue;
        a->SetFontRef(Scaled(line.font, page));
        Taken& t = taken[count++];
        t.line = &line;
        a->GetFontMetrics(&t.m);
        width = std::max(width, a->TextWidth(line.text));
        height += t.m.ascent + t.m.descent + t.m.leading;
    }
    if (count == 0) return;
    int y = kind == kTitle ? area.top : kind == kNotice ? area.bottom - height : (area.top + area.bottom) / 2 - height / 2;
    const int half = (width + 1) / 2;
    int x = alignment == 1 ? (area.left + area.right) / 2 : alignment == 2 ? area.right - half - 1 : area.left + half + 1;
    x += page->TwentiethsToView(xOffset);
    y += page->TwentiethsToView(yOffset);
    bounds[0] = x - half;
    bounds[1] = y;
    bounds[2] = x + half;
    bounds[3] = y;
    for (int i = 0; i < count; ++i) {
        a->SetFontRef(Scaled(taken[i].line->font, page));
        y += taken[i].m.ascent;
        a->DrawTextCentered(x, y, taken[i].line->text);
        y += taken[i].m.descent;
        bounds[3] = y;
        y += taken[i].m.leading;
    }
    if (kind == kTitle) area.bottom = bounds[3];
}
