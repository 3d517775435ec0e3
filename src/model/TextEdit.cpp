#include "model/TextEdit.h"

#include <algorithm>
#include <cstring>

#include "framework/CmdUI.h"
#include "framework/DC.h"
#include "framework/Gdi.h"
#include "framework/Controls.h"
#include "framework/Cursor.h"
#include "framework/Fonts.h"
#include "framework/Input.h"
#include "framework/Messages.h"
#include "framework/StringTable.h"
#include "model/Text.h"
#include "platform/Artist.h"
#include "platform/FontMap.h"

namespace {

std::vector<fw::FontFaceInfo>& Faces() {
    static std::vector<fw::FontFaceInfo> faces = fw::EnumFontFamilies(nullptr);
    return faces;
}

// Faces by the program's installed-font list (the one FontRefs index), else the system's.
int FaceIndex(const std::string& name) {
    if (const CFontList* list = GetFontList()) {
        FontRef ref;
        return list->FindFace(name.c_str(), &ref, false) ? ref.face : FontRef::kNoFace;
    }
    const auto& faces = Faces();
    for (std::size_t i = 0; i < faces.size(); ++i)
        if (faces[i].name == name) return int(i);
    return FontRef::kNoFace;
}

std::string FaceName(int face) {
    if (const CFontList* list = GetFontList(); list && list->GetCount() > 0) {
        const char* name = list->GetFaceName(face >= 0 && face < list->GetCount() ? face : 0);
        return name ? name : "";
    }
    const auto& faces = Faces();
    if (face >= 0 && std::size_t(face) < faces.size()) return faces[std::size_t(face)].name;
    return faces.empty() ? std::string() : faces.front().name;
}

}  // namespace

using textrecord::PutFont;
using textrecord::PutWord;

bool CTextEdit::Init(const RECT& rect, CWnd* parent, int margin, bool lyric) {
    lyricMode = lyric ? 1 : 0;
    edgeMargin = margin;
    const DWORD style = WS_CHILD | (lyric ? DWORD(ES_CENTER) : DWORD(ES_MULTILINE | ES_AUTOHSCROLL));
    if (!Create(style, rect, parent, 0)) return false;
    frameFlag = 1;
    resizable = 1;
    hitZone = kInside;
    SetFrame(true, ColorTable[kFrameColorIndex]);
    SetRequestResize(nullptr);
    return true;
}

void CTextEdit::SetAllText(const char* text) {
    SetSel(0, -1);
    SetText(text);
}

void CTextEdit::SetAlignment(int a) {
    alignment = std::uint16_t(std::clamp(a, 0, 2));
    SetParagraphAlignment(alignment);
    int start = 0, end = 0;
    GetSel(start, end);
    SetSel(start, start);
}

void CTextEdit::GetCaretFont(FontRef& font) const {
    const fw::CharFormat f = GetCaretFormat();
    font.face = std::uint16_t(FaceIndex(f.face));
    font.size = std::uint16_t(TwipsToPixels(f.twips));
    font.style = std::uint8_t(f.effects & 7);
    font.pad = 0;
}

void CTextEdit::SetSelectionFont(const FontRef& font) {
    fw::CharFormat f;
    f.face = FaceName(font.face);
    f.twips = PixelsToTwips(font.size);
    f.effects = font.style & 7;
    int start = 0, end = 0;
    GetSel(start, end);
    SetSelectionFormat(f);
    if (start == 0) SetDefaultFormat(f);
}

int CTextEdit::GetStyledText(std::vector<std::uint8_t>& out, int* align) {
    out.clear();
    const std::string text = GetText();
    PutWord(out, CText::EvenTextLength(int(text.size())));
    out.insert(out.end(), text.begin(), text.end());
    out.resize(2 + std::size_t(CText::EvenTextLength(int(text.size()))), 0);
    int keepStart = 0, keepEnd = 0;
    GetSel(keepStart, keepEnd);
    const std::size_t countAt = out.size();
    PutWord(out, 0);
    int runs = 0;
    FontRef last{};
    last.size = 65535;
    const int length = GetTextLength();
    for (int i = 0; i < std::max(length, 1); ++i) {
        SetSel(i, i);
        FontRef f;
        GetCaretFont(f);
        if (std::memcmp(&f, &last, sizeof f) != 0) {
            PutWord(out, std::max(0, i - 1));
            PutFont(out, f);
            ++runs;
            last = f;
        }
    }
    const auto n = std::int16_t(runs);
    std::memcpy(out.data() + countAt, &n, 2);
    SetSel(keepStart, keepEnd);
    if (align) *align = alignment;
    return int(out.size());
}

void CTextEdit::FitWidth() {
    if (!IsWindow()) return;
    const int length = GetTextLength();
    const int x0 = PosFromChar(0).x;
    int widest = x0;
    for (int i = 0; i <= length; ++i) widest = std::max<int>(widest, PosFromChar(i).x);
    if (length == 0) widest += 1;
    const int needed = widest - x0 + 2;
    RECT r{};
    GetWindowRect(&r);
    if (CWnd* parent = GetParent()) parent->ScreenToClient(&r);
    const int width = int(r.right - r.left);
    if (needed != width) {
        if (lyricMode) {
            const int grow = needed - width;
            r.left -= grow / 2;
            r.right = r.left + needed;
        } else {
            r.right = r.left + needed;
        }
        MoveWindow(r, TRUE);
    }
    RECT client{};
    GetClientRect(&client);
    SetRect(client);
}

void CTextEdit::OnEditCommand(int id) {
    switch (id) {
    case kCut: Cut(); break;
    case kCopy: Copy(); break;
    case kClear: Clear(); break;
    case kPaste: Paste(); break;
    case kUndo: Undo(); break;
    case kRedo: Redo(); break;
    case kPlain: SetSelectionEffects(fw::CharFormat::kBold | fw::CharFormat::kItalic | fw::CharFormat::kUnderline, false); break;
    case kBold:
    case kItalic:
    case kUnderline: {
        const unsigned bit = 1u << (id - kBold);
        SetSelectionEffects(bit, (GetCaretFormat().effects & bit) == 0);
        break;
    }
    case kBackground: background ^= 1; break;
    case kAlignLeft:
    case kAlignCentre:
    case kAlignRight: SetAlignment(id - kAlignLeft); break;
    default: break;  // 2704 changes nothing in the editor
    }
    if (id == kCut || id == kCopy || id == kClear || id == kPaste || id == kUndo || id == kRedo) FitWidth();
    if (onChange) onChange();
}

void CTextEdit::UpdateEditMenu(CCmdUI* entry) {
    if (!entry) return;
    switch (entry->m_nID) {
    case kPaste: entry->Enable(CanPaste()); break;
    case kCut:
    case kCopy:
    case kClear: entry->Enable(true); break;
    case kUndo: {
        entry->Enable(CanUndo());
        std::string text;
        if (fw::LoadStringResource(kUndoTextString, text)) entry->SetText(text.c_str());
        break;
    }
    case kRedo: entry->Enable(false); break;
    default: entry->Enable(true); break;
    }
}

int CTextEdit::HitZoneAt(POINT p) const {
    RECT r{};
    GetClientRect(&r);
    // The window's rectangle shrunk by one pixel; the edge band is the margin, and at least the
    // outermost pixels.
    const int band = std::max(1, int(edgeMargin));
    const bool left = p.x <= r.left + band, right = p.x >= r.right - 1 - band;
    const bool top = p.y <= r.top + band, bottom = p.y >= r.bottom - 1 - band;
    if (left) return top ? kTopLeft : bottom ? kBottomLeft : kLeftEdge;
    if (right) return top ? kTopRight : bottom ? kBottomRight : kRightEdge;
    if (top) return kTopEdge;
    if (bottom) return kBottomEdge;
    return kInside;
}

BOOL CTextEdit::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) {
    if (!resizable) return CRichEditCtrl::OnSetCursor(wnd, hitTest, message);
    POINT p{};
    fw::GetCursorPos(&p);
    ScreenToClient(&p);
    if (!dragging) hitZone = HitZoneAt(p);
    UINT id = IDC_IBEAM;
    switch (hitZone) {
    case kLeftEdge:
    case kRightEdge: id = IDC_SIZEWE; break;
    case kTopEdge:
    case kBottomEdge: id = IDC_SIZENS; break;
    case kTopLeft:
    case kBottomRight: id = IDC_SIZENWSE; break;
    case kTopRight:
    case kBottomLeft: id = IDC_SIZENESW; break;
    default: break;
    }
    fw::SetCursor(id);
    return TRUE;
}

void CTextEdit::InvertDragFrame() {
    CWnd* parent = GetParent();
    if (!parent) return;
    RECT r = dragRect;
    parent->ScreenToClient(&r);
    CClientDC dc(parent);
    const int old = dc.SetROP2(R2_NOT);
    const POINT frame[5] = {{r.left, r.top}, {r.right - 1, r.top}, {r.right - 1, r.bottom - 1}, {r.left, r.bottom - 1},
                            {r.left, r.top}};
    dc.Polyline(frame, 5);
    dc.SetROP2(old);
}

void CTextEdit::OnLButtonDown(UINT flags, POINT pt) {
    if (resizable) hitZone = HitZoneAt(pt);
    if (!resizable || hitZone == kInside) {
        CRichEditCtrl::OnLButtonDown(flags, pt);
        return;
    }
    dragging = true;
    GetWindowRect(&dragRect);
    dragLast = pt;
    ClientToScreen(&dragLast);
    SetCapture();
    InvertDragFrame();
}

void CTextEdit::OnMouseMove(UINT flags, POINT pt) {
    if (!dragging) {
        CRichEditCtrl::OnMouseMove(flags, pt);
        return;
    }
    POINT s = pt;
    ClientToScreen(&s);
    const int dx = int(s.x - dragLast.x), dy = int(s.y - dragLast.y);
    dragLast = s;
    const int z = hitZone;
    InvertDragFrame();
    if (z == kLeftEdge || z == kTopLeft || z == kBottomLeft) dragRect.left += dx;
    if (z == kRightEdge || z == kTopRight || z == kBottomRight) dragRect.right += dx;
    if (z == kTopEdge || z == kTopLeft || z == kTopRight) dragRect.top += dy;
    if (z == kBottomEdge || z == kBottomLeft || z == kBottomRight) dragRect.bottom += dy;
    InvertDragFrame();
}

void CTextEdit::OnLButtonUp(UINT flags, POINT pt) {
    if (!dragging) {
        CRichEditCtrl::OnLButtonUp(flags, pt);
        return;
    }
    OnMouseMove(flags, pt);
    InvertDragFrame();
    dragging = false;
    ReleaseCapture();
    RECT r = dragRect;
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    if (CWnd* parent = GetParent()) parent->ScreenToClient(&r);
    MoveWindow(r, TRUE);
    RECT client{};
    GetClientRect(&client);
    client.left += edgeMargin;
    client.top += edgeMargin;
    client.right -= edgeMargin;
    client.bottom -= edgeMargin;
    SetRect(client);
    hitZone = kInside;
}

void CTextEdit::OnKeyDown(UINT vk, UINT repeat, UINT flags) {
    const bool extended = (flags & 0x0100) != 0;
    if (!lyricMode) {
        if (vk == VK_ESCAPE || (vk == VK_RETURN && extended)) {
            // The end of entry deletes this editor: nothing of it is touched afterwards.
            const std::function<void()> end = onEnd;
            if (end) end();
            return;
        }
        CRichEditCtrl::OnKeyDown(vk, repeat, flags);
        return;
    }
    if (vk == VK_ESCAPE) {
        // Esc ends lyric entry too (the syllable as typed is stored).
        const std::function<void()> end = onEnd;
        if (end) end();
        return;
    }
    int key = 0;
    if (vk == VK_UP) key = 30;
    else if (vk == VK_DOWN) key = 31;
    else if (vk == VK_LEFT) key = 28;
    else if (vk == VK_RIGHT) key = 29;
    else if (vk == VK_TAB) key = 9;
    else if (vk == VK_BACK && GetTextLength() == 0) key = 8;
    // The handler may end entry, deleting this editor: it runs from a copy.
    if (const std::function<bool(int)> handler = onLyricKey; key && handler && handler(key)) return;
    CRichEditCtrl::OnKeyDown(vk, repeat, flags);
}

void CTextEdit::OnChar(UINT ch, UINT repeat, UINT flags) {
    if (ch == 27) return;
    CRichEditCtrl::OnChar(ch, repeat, flags);
    if (const std::function<bool(int)> handler = onLyricKey; lyricMode && ch != 8 && ch != 9 && handler && handler(int(ch)))
        return;
    FitWidth();
    if (onChange) onChange();
}
