#include "view/MenuBox.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "framework/CodePage.h"
#include "framework/DC.h"
#include "framework/Fonts.h"
#include "framework/Screen.h"
#include "model/MidiOut.h"
#include "platform/Devices.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"
#include "platform/StdDlgGlobals.h"

namespace {

// Colour numbers: text 0 on 7, the highlighted item 141 on 142.
constexpr int kText = 0, kPaper = 7, kHiText = 141, kHiPaper = 142;
// One row scrolls every 5/60 second while the pointer rests on an arrow row.
constexpr UINT kScrollMs = 5000 / 60;
constexpr int kVelocity = 64;

int RowsFor(int n, int columns) { return n / columns + (n % columns ? 1 : 0); }

}  // namespace

CMenuBox::CMenuBox() { font = g_draw.standardFontRefs[0]; }

CMenuBox::~CMenuBox() {
    StopNote();
    if (IsWindow()) DestroyWindow();
}

bool CMenuBox::SetItemCount(int n) {
    if (n < 0 || n > kMaxItems) return false;
    try {
        std::vector<Item> fresh(static_cast<std::size_t>(n));
        items.swap(fresh);
    } catch (const std::bad_alloc&) {
        return false;
    }
    count = std::int16_t(n);
    return true;
}

void CMenuBox::SetItemText(int i, const char* text) {
    if (i < 0 || i >= count) return;
    fw::CopyText(items[std::size_t(i)].text, sizeof(Item::text), text ? text : "");
}

const char* CMenuBox::GetItemText(int i) {
    if (i < 0 || i >= count || items.empty()) return "";
    return items[std::size_t(i)].text;
}

bool CMenuBox::IsEnabled(int i) {
    if (items.empty() || i < 0 || i >= count) return true;
    return items[std::size_t(i)].enabled != 0;
}

int CMenuBox::TextWidth(const char* text) {
    CWnd* on = IsWindow() ? static_cast<CWnd*>(this) : nullptr;
    if (!on) return int(std::strlen(text)) * 6;
    CClientDC dc(on);
    PushPort(&dc);
    CArtist* a = GetArtist();
    if (font.face != FontRef::kNoFace)
        a->SetFontRef(font);
    else
        a->UseFontA();
    const int w = a->TextWidth(text);
    PopPort();
    return w;
}

void CMenuBox::NumberText(char* text, int size, int number, int limit) {
    if (!text || size <= 0) return;
    std::string body = text;
    if (int(body.size()) > limit - 6) {
        body = body.substr(0, fw::FitBytes(body, 24));
        body += "...";
    }
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%3d. ", number);
    fw::CopyText(text, std::size_t(size), std::string(prefix) + body);
}

void CMenuBox::Measure() {
    numberWidth = 0;
    int widest = 0;
    for (int i = 0; i < count; ++i) {
        const char* t = GetItemText(i);
        if (numberPrefix > 0) {
            std::string head(t, std::min<std::size_t>(std::strlen(t), std::size_t(numberPrefix)));
            numberWidth = std::int16_t(std::max<int>(numberWidth, TextWidth(head.c_str())));
        }
        widest = std::max(widest, TextWidth(t));
    }
    columnWidth = std::int16_t(widest + ((columns == 1 || widest == 0) ? 4 : 10));
    totalWidth = std::int16_t(columns * columnWidth + (numberPrefix > 0 ? 10 : 0));
    totalHeight = std::int16_t(rows * rowHeight);
}

void CMenuBox::Layout() {
    const int n = count;
    int c;
    if (n < 17)
        c = 1;
    else if (n < 73)
        c = std::max(2, n / 16);
    else if (n < 128)
        c = std::clamp(n % 16 == 0 ? n / 16 : n / 24, 2, 8);
    else
        c = std::min(6, n / 32);
    columns = std::int16_t(std::max(1, c));
    rows = std::int16_t(RowsFor(n, columns));
    const int size = font.size ? font.size : g_ui.interfaceTextSize;
    rowHeight = std::int16_t(size + 6);
    Measure();

    int left, top, right, bottom;
    fw::GetWorkArea(&left, &top, &right, &bottom);
    screen = RECT{left, top + rowHeight, right, bottom - rowHeight};
    const int screenWidth = screen.right - screen.left, screenHeight = screen.bottom - screen.top;
    scrolling_ = false;
    int height = totalHeight;
    // Too wide: fewer columns, and scrolling. At least one column stays.
    while (totalWidth > screenWidth - 200 && columns > 1) {
        --columns;
        rows = std::int16_t(RowsFor(n, columns));
        totalWidth = std::int16_t(columns * columnWidth + (numberPrefix > 0 ? 10 : 0));
        height = rows * rowHeight - rowHeight;
        scrolling_ = true;
    }
    // Too tall but room for another column: one more.
    if (!scrolling_ && height >= screenHeight && totalWidth + columnWidth <= screenWidth - 200) {
        ++columns;
        rows = std::int16_t(RowsFor(n, columns));
        totalWidth = std::int16_t(columns * columnWidth + (numberPrefix > 0 ? 10 : 0));
        height = rows * rowHeight;
    }
    while (height >= screenHeight && height > rowHeight) {
        height -= rowHeight;
        scrolling_ = true;
    }
    totalHeight = std::int16_t(height);
    visibleRows = std::int16_t(std::max(1, height / std::max<int>(1, rowHeight)));
    firstRow = 0;
    scrollUp = 0;
    scrollDown = scrolling_ && rows > visibleRows ? 1 : 0;
    openedPaged_ = false;
    if (scrolling_ && current >= 0 && current < count) {
        const int row = rowOrder ? current / columns : current % rows;
        const int lastPage = std::max(0, rows - visibleRows);
        while (row >= firstRow + visibleRows - 1 && firstRow < lastPage) {
            firstRow = std::int16_t(std::min(lastPage, firstRow + std::max(1, visibleRows - 1)));
            scrollUp = 1;
            openedPaged_ = true;
        }
        if (firstRow >= lastPage) scrollDown = 0;
    }
}

void CMenuBox::GetItemRect(int i, RECT* rect) {
    int column, row;
    if (!rowOrder) {
        column = i / std::max<int>(1, rows);
        row = i % std::max<int>(1, rows) - firstRow;
    } else {
        row = i / columns - firstRow;
        column = i % columns;
    }
    rect->left = column * columnWidth;
    rect->top = row * rowHeight;
    rect->right = rect->left + columnWidth;
    rect->bottom = rect->top + rowHeight;
}

int CMenuBox::ItemAt(int x, int y) {
    if (x < 0 || y < 0 || columnWidth <= 0 || rowHeight <= 0) return -1;
    const int column = x / columnWidth, row = firstRow + y / rowHeight;
    if (column >= columns || row >= rows) return -1;
    const int i = rowOrder ? row * columns + column : column * rows + row;
    return i < count ? i : -1;
}

void CMenuBox::DrawItem(int i) {
    if (i < 0 || i >= count) return;
    CArtist* a = GetArtist();
    RECT r;
    GetItemRect(i, &r);
    if (font.face != FontRef::kNoFace)
        a->SetFontRef(font);
    else
        a->UseFontA();
    const char* text = GetItemText(i);
    const int baseline = r.top + 11;
    int x = r.left + 2;
    std::string rest = text;
    if (numberPrefix > 0) {
        const std::size_t n = std::min<std::size_t>(rest.size(), std::size_t(numberPrefix));
        a->DrawTextRight(r.left + numberWidth, baseline, rest.substr(0, n).c_str());
        x = r.left + numberWidth + 1;
        rest = rest.substr(n);
    }
    if (preview && (rest.find('#') != std::string::npos || rest.find('b') != std::string::npos)) {
        // A note name: the accidental in the music font.
        for (char ch : rest) {
            const char one[2] = {ch, 0};
            if (ch == '#' || ch == 'b') {
                x += 4;
                a->PushColor();
                a->SetMusicFont(12);
                a->DrawGlyph(x, baseline + (ch == '#' ? 8 : 10) - 8, ch == '#' ? 33 : 34);
                x += a->GlyphWidth(ch == '#' ? 33 : 34);
                a->PopColor();
                if (font.face != FontRef::kNoFace)
                    a->SetFontRef(font);
                else
                    a->UseFontA();
            } else {
                a->DrawText(x, baseline, one);
                x += a->TextWidth(one);
            }
        }
        return;
    }
    a->DrawText(x, baseline, rest.c_str());
}

void CMenuBox::Highlight(int i, bool on) {
    if (i < 0 || i >= count) return;
    CArtist* a = GetArtist();
    RECT r;
    GetItemRect(i, &r);
    if (r.top < 0 || r.top >= visibleRows * rowHeight) return;
    a->PushColor();
    a->FillRectColor(r, on ? kHiPaper : kPaper);
    a->SetColor(on ? kHiText : kText);
    DrawItem(i);
    a->PopColor();
    highlighted_ = on ? i : (highlighted_ == i ? -1 : highlighted_);
}

void CMenuBox::DrawRow(int row) {
    CArtist* a = GetArtist();
    const int y = (row - firstRow) * rowHeight;
    RECT band{0, y, columns * columnWidth + 5, y + rowHeight};
    a->FillRectColor(band, kPaper);
    const int middle = (columns * columnWidth) / 2 - 8;
    if (row == firstRow && scrollUp) {
        a->DrawStripImage(middle, y + 2, kArrows, 1, 13);
        return;
    }
    if (row == firstRow + visibleRows - 1 && scrollDown) {
        a->DrawStripImage(middle, y + 4, kArrows, 0, 13);
        return;
    }
    a->PushColor();
    a->SetColor(kText);
    for (int c = 0; c < columns; ++c) {
        const int i = rowOrder ? row * columns + c : c * rows + row;
        if (i < count) DrawItem(i);
    }
    a->PopColor();
}

void CMenuBox::DrawAll() {
    RECT client;
    GetClientRect(&client);
    GetArtist()->FillRectColor(client, kPaper);
    for (int r = firstRow; r < firstRow + visibleRows && r < rows; ++r) DrawRow(r);
    if (current >= 0) Highlight(current, true);
}

void CMenuBox::OnPaint() {
    CPaintDC dc(this);
    PushPort(&dc);
    DrawAll();
    PopPort();
}

void CMenuBox::StopNote() {
    if (sounding < 0 || previewPort < 0) return;
    TheMidi().SendMessage3(previewPort, 0x80 | (previewChannel & 15), sounding, kVelocity);
    sounding = -1;
}

void CMenuBox::ScrollBy(int step) {
    const int lastPage = std::max(0, rows - visibleRows);
    const int next = std::clamp(firstRow + step, 0, lastPage);
    if (next == firstRow) return;
    if (highlighted_ >= 0) Highlight(highlighted_, false);
    firstRow = std::int16_t(next);
    scrollUp = firstRow > 0 ? 1 : 0;
    scrollDown = firstRow < lastPage ? 1 : 0;
    DrawAll();
}

void CMenuBox::TrackMove(int x, int y, int* choice) {
    const bool onUpRow = scrollUp && y < rowHeight;
    const bool onDownRow = scrollDown && y >= (visibleRows - 1) * rowHeight;
    if (!onUpRow) leftUpRow_ = true;
    if (onUpRow || onDownRow) {
        if (onUpRow && openedPaged_ && !leftUpRow_) return;
        ScrollBy(onUpRow ? -1 : 1);
        return;
    }
    if (!noted_) {
        // The first call: the current item is the choice until the pointer moves.
        noted_ = true;
        lastX = x;
        lastY = y;
        if (current >= 0) {
            *choice = current;
            current = -1;
        }
        return;
    }
    if (!free_) {
        if (std::abs(x - lastX) < 2 && std::abs(y - lastY) < 2) return;
        free_ = true;  // from now on every move counts
    }
    const int under = ItemAt(x, y);
    if (under >= 0 && under == highlighted_) {
        *choice = under;
        return;
    }
    if (highlighted_ >= 0) Highlight(highlighted_, false);
    if (under >= 0 && IsEnabled(under)) {
        Highlight(under, true);
        *choice = under;
    } else {
        *choice = -1;
    }
    if (preview && previewPort >= 0) {
        StopNote();
        if (*choice >= 0) {
            TheMidi().SendMessage3(previewPort, 0x90 | (previewChannel & 15), *choice, kVelocity);
            sounding = std::int16_t(*choice);
        }
    }
}

int CMenuBox::Run(int x, int y) {
    int w = 5 + columns * columnWidth, h = 5 + visibleRows * rowHeight;
    int left, top, right, bottom;
    fw::GetWorkArea(&left, &top, &right, &bottom);
    left += 2;
    top += 2;
    right -= 2;
    bottom -= 2;
    if (x < left) x = left;
    if (y < top) y = top;
    if (x + w > right) x = right - w;
    if (y + h > bottom) y = bottom - h;
    SetWindowPos(nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(SW_SHOWNOACTIVATE);
    CClientDC dc(this);
    PushPort(&dc);
    DrawAll();
    SetCapture();
    int choice = -1;
    beenInside_ = false;
    leftUpRow_ = false;
    noted_ = false;
    free_ = false;
    // Opened without a button held (by a click, or right after another box): the next press
    // chooses, where it falls; the box waits for it.
    if (!fw::MouseButtonsDown()) {
        if (!fw::WaitMousePress()) {
            ReleaseCapture();
            PopPort();
            ShowWindow(SW_HIDE);
            return -1;
        }
        noted_ = true;
        free_ = true;
    }
    auto follow = [&] {
        POINT pt;
        fw::GetCursorPos(&pt);
        ScreenToClient(&pt);
        RECT client;
        GetClientRect(&client);
        if (pt.x >= 0 && pt.y >= 0 && pt.x < client.right && pt.y < client.bottom) {
            beenInside_ = true;
            TrackMove(pt.x, pt.y, &choice);
        } else {
            leftUpRow_ = true;
            if (highlighted_ >= 0 && beenInside_ && IsEnabled(highlighted_)) Highlight(highlighted_, false);
            choice = -1;
        }
    };
    follow();
    while (fw::MouseLoopStep(kScrollMs)) follow();
    follow();
    ReleaseCapture();
    PopPort();
    // The note being previewed stops when the box closes.
    StopNote();
    return choice;
}

bool CMenuBox::Popup(int x, int y, int* cur) {
    lastX = x;
    lastY = y;
    if (preview == 1) sounding = -1;
    current = std::int16_t(cur && *cur >= 0 && *cur < count ? *cur : -1);
    if (!IsWindow() && !Create(kTemplate, nullptr)) return false;
    Layout();
    const int chosen = Run(x, y);
    ShowWindow(SW_HIDE);
    if (chosen >= 0 && cur) *cur = chosen;
    return chosen >= 0;
}

bool CMenuFontBox::Popup(int x, int y, int* cur) {
    const std::vector<fw::FontFaceInfo> faces = fw::EnumFontFamilies(nullptr);
    if (!SetItemCount(int(faces.size()))) return false;
    for (std::size_t i = 0; i < faces.size(); ++i) SetItemText(int(i), faces[i].name.c_str());
    return CMenuBox::Popup(x, y, cur);
}
