#include "platform/Popup.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "framework/App.h"
#include "framework/DC.h"
#include "framework/Screen.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/MenuFilter.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "platform/Theory.h"

namespace {

constexpr UINT kTrackPollMs = 20;
// Colour numbers: text 0 on 7; the selected cell 141 on 142; disabled content 10.
constexpr int kText = 0, kPaper = 7, kSelText = 141, kSelPaper = 142, kGrey = 10;

RECT Offset(RECT r, int dx, int dy) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
    return r;
}

}  // namespace

CPopup::CPopup() = default;

CPopup::~CPopup() {
    if (IsWindow()) DestroyWindow();
}

bool CPopup::Init(int perColumn, int n, int w, int h, int bitmap, int image) {
    if (n <= 0 || n > kMaxCells || perColumn < 1) return false;
    tearOff = 0;
    rowOrder = 0;
    subclassFlag = 0;
    textIndent = 0;
    selection = -1;
    cellsPerColumn = std::int16_t(perColumn);
    count = std::int16_t(n);
    columns = std::int16_t((n + perColumn - 1) / perColumn);
    cellWidth = std::int16_t(w);
    cellHeight = std::int16_t(h);
    bitmapId = bitmap;
    imageSize = std::int16_t(image);
    font = g_draw.standardFontRefs[0];
    selectionColor = 130;
    // The map has a place for every cell, however many (a fixed table would overrun).
    cellMap.assign(std::size_t(n), 0);
    if (bitmap) {
        for (int i = 0; i < n; ++i) cellMap[std::size_t(i)] = std::int16_t(i);
        FilterCellMap(cellMap.data(), n, bitmap);
    }
    return Create(kTemplate, nullptr) != FALSE;
}

SIZE CPopup::WindowSize() const {
    return SIZE{columns * cellWidth + 2 * kInset, cellsPerColumn * cellHeight + 2 * kInset};
}

int CPopup::GetCellItem(int cell) {
    return cell >= 0 && cell < int(cellMap.size()) ? cellMap[std::size_t(cell)] : cell;
}

void CPopup::GetItemText(int, char* text, int size) {
    if (text && size > 0) text[0] = 0;
}

int CPopup::Choose(int) { return -1; }
bool CPopup::IsCellEnabled(int) { return true; }

void CPopup::GetCellRect(int cell, RECT* rect) {
    int column, row;
    if (!rowOrder) {
        column = cell / cellsPerColumn;
        row = cell % cellsPerColumn;
    } else {
        row = cell / std::max<int>(1, columns);
        column = cell % std::max<int>(1, columns);
    }
    rect->left = column * cellWidth;
    rect->top = row * cellHeight;
    rect->right = rect->left + cellWidth;
    rect->bottom = rect->top + cellHeight;
}

int CPopup::HitTest(int x, int y) {
    for (int i = 0; i < count; ++i) {
        RECT r;
        GetCellRect(i, &r);
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return i;
    }
    return -1;
}

void CPopup::Place(int x, int y) {
    // The cells grow to the widest text, then by the indent's column.
    if (!bitmapId) {
        if (CWnd* main = AfxGetApp() ? AfxGetApp()->m_pMainWnd : nullptr; main && main->IsWindow()) {
            CClientDC dc(main);
            PushPort(&dc);
            CArtist* a = GetArtist();
            a->SetFontRef(font);
            int widest = 0;
            for (int i = 0; i < count; ++i) {
                char text[256] = {};
                GetItemText(i, text, sizeof text);
                if (*text) widest = std::max(widest, a->TextWidth(text) + 4);
            }
            PopPort();
            cellWidth = std::int16_t(std::max<int>(cellWidth, widest));
        }
        cellWidth = std::int16_t(cellWidth + 6 * textIndent);
    }
    RECT r{x, y, x + columns * cellWidth + 2 * kInset, y + cellsPerColumn * cellHeight + 2 * kInset};
    int left, top, right, bottom;
    fw::GetWorkArea(&left, &top, &right, &bottom);
    left += 2;
    top += 2;
    right -= 2;
    bottom -= 2;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (r.left < left) r = Offset(r, left - r.left, 0);
    if (r.top < top) r = Offset(r, 0, top - r.top);
    if (r.right > right) r = Offset(r, right - r.right, 0);
    if (r.bottom > bottom) r = Offset(r, 0, bottom - r.bottom);
    origin_ = POINT{r.left, r.top};
    SetWindowPos(nullptr, r.left, r.top, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(SW_SHOWNOACTIVATE);
}

void CPopup::DrawCellContent(int cell, const RECT& rect) {
    CArtist* a = GetArtist();
    if (bitmapId) {
        a->DrawStripImage(rect.left + (rect.right - rect.left - imageSize) / 2,
                          rect.top + (rect.bottom - rect.top - imageSize) / 2, bitmapId, GetCellItem(cell), 13);
        return;
    }
    char text[256] = {};
    GetItemText(cell, text, sizeof text);
    a->SetFontRef(font);
    const int baseline = rect.bottom - 4;
    int x = rect.left + 2;
    const int indent = std::min<int>(textIndent, int(std::strlen(text)));
    if (indent > 0) {
        std::string head(text, std::size_t(indent));
        a->DrawTextRight(x + 6 * textIndent, baseline, head.c_str());
        x += 6 * textIndent + 2;
    }
    a->DrawText(x, baseline, text + indent);
}

void CPopup::DrawCell(int cell) {
    if (cell < 0 || cell >= count) return;
    CArtist* a = GetArtist();
    CDC* dc = GetCurrentPort();
    if (!dc) return;
    RECT r;
    GetCellRect(cell, &r);
    const bool selected = cell == selection;
    const bool enabled = IsCellEnabled(cell);
    a->PushColor();
    if (themed) {
        a->FillRectColor(r, kPaper);
    } else if (!tearOff && selected) {
        a->FillRectColor(r, kSelPaper);
    } else {
        a->FillRectColor(r, kPaper);
    }
    a->SetColor(!enabled ? kGrey : (selected && !tearOff && !themed) ? kSelText : kText);
    DrawCellContent(cell, r);
    if (selected && (themed || tearOff)) {
        RECT e = r;
        if (tearOff) {
            e.left += 1;
            e.top += 1;
            e.right -= 1;
            e.bottom -= 1;
        }
        dc->DrawEdge(&e, EDGE_RAISED, BF_RECT);
    }
    a->PopColor();
}

void CPopup::DrawAll() {
    CDC* dc = GetCurrentPort();
    if (!dc) return;
    RECT client;
    GetClientRect(&client);
    // The frame around the cells, then the cells inside it (the origin stays moved in by the
    // inset for the cells drawn while tracking).
    GetArtist()->FillRectColor(client, kPaper);
    RECT edge = client;
    dc->DrawEdge(&edge, EDGE_RAISED, BF_RECT);
    const POINT org = dc->GetWindowOrg();
    dc->SetWindowOrg(org.x - kInset, org.y - kInset);
    for (int i = 0; i < count; ++i) DrawCell(i);
}

void CPopup::OnPaint() {
    CPaintDC dc(this);
    PushPort(&dc);
    DrawAll();
    PopPort();
}

void CPopup::InvertDragFrame(const RECT& screen) {
    CWnd* main = AfxGetApp() ? AfxGetApp()->m_pMainWnd : nullptr;
    if (!main || !main->IsWindow()) return;
    RECT r = screen;
    main->ScreenToClient(&r);
    CClientDC dc(main);
    const RECT sides[4] = {{r.left, r.top, r.right, r.top + 1},
                           {r.left, r.bottom - 1, r.right, r.bottom},
                           {r.left, r.top + 1, r.left + 1, r.bottom - 1},
                           {r.right - 1, r.top + 1, r.right, r.bottom - 1}};
    for (const RECT& s : sides) dc.InvertRect(&s);
}

bool CPopup::Track(int x, int y, int* sel, bool themedCells) {
    themed = themedCells ? 1 : 0;
    selection = std::int16_t(sel ? *sel : -1);
    if (selection >= count) selection = -1;
    Place(x, y);
    CClientDC dc(this);
    PushPort(&dc);
    DrawAll();
    SetCapture();
    POINT start;
    fw::GetCursorPos(&start);
    bool moved = false, dragShown = false, done = false;
    RECT drag{};
    RECT client;
    GetClientRect(&client);
    const int width = client.right - client.left, height = client.bottom - client.top;
    auto follow = [&] {
        POINT screen;
        fw::GetCursorPos(&screen);
        if (screen.x != start.x || screen.y != start.y) moved = true;
        POINT pt = screen;
        ScreenToClient(&pt);
        const bool inside = pt.x >= 0 && pt.y >= 0 && pt.x < width && pt.y < height;
        if (!inside) {
            if (tearOff && moved && (pt.x > kTearOff || pt.y > kTearOff)) {
                const RECT next{screen.x, screen.y, screen.x + width, screen.y + height};
                if (dragShown) InvertDragFrame(drag);
                drag = next;
                InvertDragFrame(drag);
                dragShown = true;
            }
            if (moved && selection >= 0) {
                const int old = selection;
                selection = -1;
                DrawCell(old);
            }
            return;
        }
        if (dragShown) {
            InvertDragFrame(drag);
            dragShown = false;
        }
        if (!moved) return;
        const int cell = HitTest(pt.x - kInset, pt.y - kInset);
        if (cell < 0 || cell == selection || cell >= count || !IsCellEnabled(cell)) return;
        const int old = selection;
        selection = std::int16_t(cell);
        DrawCell(old);
        DrawCell(cell);
        const int chosen = Choose(cell);
        if (chosen != -1) {
            selection = std::int16_t(chosen);
            done = true;
        }
    };
    follow();
    while (!done && fw::MouseLoopStep(kTrackPollMs)) follow();
    if (!done) follow();
    PopPort();
    ReleaseCapture();
    if (dragShown) {
        dropPoint = POINT{drag.left, drag.top};
        InvertDragFrame(drag);
        return false;
    }
    // Released over a cell that cannot be chosen: nothing is chosen (the highlight left on
    // the cell before is not what the user pointed at).
    POINT last;
    fw::GetCursorPos(&last);
    ScreenToClient(&last);
    const int under = HitTest(last.x - kInset, last.y - kInset);
    if (!done && under >= 0 && under < count && !IsCellEnabled(under)) return false;
    if (selection >= 0 && sel) *sel = selection;
    return moved && selection >= 0;
}

// --- the number chooser ---

void CNumMenu::GetItemText(int cell, char* text, int size) {
    if (!text || size <= 0) return;
    if (none && cell == 0)
        std::snprintf(text, std::size_t(size), "-");
    else
        std::snprintf(text, std::size_t(size), "%d", (none ? cell - 1 : cell) + minimum);
}

int NumberPopupCellsPerColumn(int minimum, int maximum, bool allowNone) {
    if (minimum == -64 && maximum == 63) return 16;
    if (minimum == -36 && maximum == 36) return 12;
    const int n = maximum - minimum + 1 + (allowNone ? 1 : 0);
    return std::max(1, std::min(n, 20));
}

bool PickNumberPopup(int x, int y, int minimum, int maximum, int* value, bool allowNone) {
    if (!value || maximum < minimum) return false;
    const int n = maximum - minimum + 1 + (allowNone ? 1 : 0);
    CNumMenu menu;
    menu.none = allowNone ? 1 : 0;
    menu.minimum = std::int16_t(minimum);
    if (!menu.Init(NumberPopupCellsPerColumn(minimum, maximum, allowNone), n, 32, 16, 0, 16)) return false;
    int sel = *value + (allowNone ? 1 : 0);
    if (!menu.Track(x, y, &sel, false)) return false;
    *value = sel - (allowNone ? 1 : 0);
    return true;
}

bool PickImagePopup(int x, int y, int* selection) {
    POINT pt{x, y};
    if (CDC* dc = GetCurrentPort(); dc && dc->GetWindow()) dc->GetWindow()->ClientToScreen(&pt);
    CPopup popup;
    if (!popup.Init(7, 7, 32, 16, 121, 32)) return false;
    return popup.Track(pt.x, pt.y, selection, false);
}

// --- the clef and quantise pickers ---

bool CClefMenu::Setup(bool allowAllClefs) {
    if (!Init(2, kClefs, 44, 64, 0, 16)) return false;
    font = g_draw.standardFontRefs[4];
    allowAll = allowAllClefs ? 1 : 0;
    return true;
}

bool CClefMenu::Run(int x, int y, int* clef, bool allowAllClefs) {
    return Setup(allowAllClefs) && Track(x, y, clef, false);
}

bool CClefMenu::IsCellEnabled(int cell) { return allowAll || cell < 11 || cell > 13; }

void CClefMenu::DrawCellContent(int cell, const RECT& rect) {
    CArtist* a = GetArtist();
    a->SetFontRef(font);
    const int y = (rect.top + rect.bottom) / 2;
    const int w = a->GlyphWidth(61);
    const int x = rect.left + (rect.right - rect.left - w) / 2;
    a->DrawStaffLines(x, y, x + w, 0x7C0, 6, 20);
    a->DrawGlyph(x + 4, y - 3 * CTheory::GetClefSymbolPos(cell), CTheory::GetClefGlyph(cell));
}

bool CQuantizeMenu::Run(int x, int y, int* value) {
    if (!value) return false;
    if (!Init(1, 6, 20, 20, kNotesStrip, 16)) return false;
    int cell = *value - 2;
    if (!Track(x, y, &cell, false)) return false;
    *value = cell + 2;
    return true;
}
