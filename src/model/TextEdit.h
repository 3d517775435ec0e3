// The in-place text editor: a rich-text control placed over a page pane while a text (or a
// lyric) is typed onto the page. It knows the page's sizes (a FontRef's size is pixels of the
// view here), answers its own edit commands, keeps its width fitted to the text and lets its
// frame be dragged at its edges.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/RichEdit.h"
#include "platform/FontRef.h"

class CCmdUI;

class CTextEdit : public CRichEditCtrl {
public:
    // Hit zones of the frame.
    enum : int {
        kInside = 1,
        kLeftEdge = 10,
        kRightEdge = 11,
        kTopEdge = 12,
        kTopLeft = 13,
        kTopRight = 14,
        kBottomEdge = 15,
        kBottomLeft = 16,
        kBottomRight = 17,
    };
    // The style commands the editor answers.
    enum : int {
        kPlain = 2700, kBold = 2701, kItalic = 2702, kUnderline = 2703, kTransparent = 2704, kBackground = 2705,
        kAlignLeft = 2706, kAlignCentre = 2707, kAlignRight = 2708,
    };
    // The Edit menu's ids.
    enum : int { kClear = 57632, kCopy = 57634, kCut = 57635, kPaste = 57637, kUndo = 57643, kRedo = 57644 };
    static constexpr int kUndoTextString = 1440;
    // The drawing colour of the frame (colour 10 of the drawing table).
    static constexpr int kFrameColorIndex = 10;

    // Makes the control a child of parent over rect (parent pixels): texts multi-line with
    // horizontal auto-scroll, lyrics single-line centred; the frame drawn; resizable; zone inside.
    bool Init(const RECT& rect, CWnd* parent, int edgeMargin, bool lyricMode);

    // The text in the code page, a line break read as a carriage return.
    std::string Text() const { return GetText(); }
    void SetAllText(const char* text);
    // Left, centred or right for the selection's paragraphs; the selection collapses to its start.
    void SetAlignment(int alignment);
    int GetAlignment() const { return alignment; }
    // The format at the caret as a FontRef: face by the installed-font list, size in view
    // pixels at the control's fixed resolution, the style bits.
    void GetCaretFont(FontRef& font) const;
    // The FontRef on the selection (and as the default format when the selection starts the text).
    void SetSelectionFont(const FontRef& font);
    // Length word (bytes of the code-page text with its zero, even), the text, then the run
    // table (count, runs of first character and FontRef) found by walking the caret; returns
    // the bytes written. alignment receives the editor's alignment.
    int GetStyledText(std::vector<std::uint8_t>& out, int* alignment);
    // After every edit: the width the text needs (plus 2); a lyric editor grows on both sides,
    // a text editor moves its right edge.
    void FitWidth();
    // The Edit menu and the style commands while the editor is open.
    void OnEditCommand(int id);
    void UpdateEditMenu(CCmdUI* entry);
    // The zone of a client point: edges and corners within the edge margin (and the outermost
    // pixel) of the window's rectangle shrunk by one pixel, else inside.
    int HitZoneAt(POINT client) const;

    // Text entry ends (Esc, keypad Enter): the owner's handler.
    std::function<void()> onEnd;
    // Lyric mode: the keys handed to the pane's lyric handler (true: handled there).
    std::function<bool(int key)> onLyricKey;
    // Every change of the text or its formats: the owner's handler (the style bar's state).
    std::function<void()> onChange;

    std::uint8_t lyricMode = 0;
    std::uint8_t background = 0;
    std::uint8_t resizable = 0;
    std::int32_t hitZone = kInside;
    std::int32_t edgeMargin = 0;
    std::uint8_t frameFlag = 0;
    std::uint16_t alignment = 0;

protected:
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;
    void OnLButtonDown(UINT flags, POINT pt) override;
    void OnMouseMove(UINT flags, POINT pt) override;
    void OnLButtonUp(UINT flags, POINT pt) override;
    void OnKeyDown(UINT vk, UINT repeat, UINT flags) override;
    void OnChar(UINT ch, UINT repeat, UINT flags) override;

private:
    // The dragged frame drawn on the parent by inversion (a second drawing takes it away).
    void InvertDragFrame();
    // The frame's drag: the rectangle (parent pixels) and the last pointer (screen pixels).
    bool dragging = false;
    RECT dragRect{};
    POINT dragLast{};
};
