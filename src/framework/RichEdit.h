// The rich-text control: a child window that edits a text with its own character formats
// (face, size, bold, italic, underline) and paragraph alignments, for text typed straight onto a
// page. Multi-line with horizontal auto-scroll (no wrapping), or single-line centred.
//
// Counting: a position is a character as the control counts it: one for every character (a
// double-byte character of the code page is one), one for every line break. Texts go in and
// come out in the code page, a line break reading as a carriage return ("\r"); the control and
// the system clipboard hold them as Unicode.
//
// Sizes: a character height is in twips (1/1440 inch) and reaches the screen at one fixed
// logical resolution, kLogicalDpi, so a size read back never depends on the screen.
#pragma once
#include <functional>
#include <string>

#include "framework/Window.h"

namespace fw {

// A character format: face name (code page), height in twips and the three effects.
struct CharFormat {
    enum : unsigned { kBold = 1, kItalic = 2, kUnderline = 4 };
    std::string face;
    int twips = 0;
    unsigned effects = 0;
    bool operator==(const CharFormat&) const = default;
};

}  // namespace fw

class CRichEditCtrl : public CWnd {
public:
    static constexpr int kLogicalDpi = 96;

    // style: WS_CHILD and friends; ES_MULTILINE (else single-line), ES_CENTER.
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    // --- the text ---
    std::string GetText() const;
    // Replaces the whole text (the control's undo forgets what was before).
    void SetText(const char* text);
    int GetTextLength() const;
    // Selects [start, end) (end -1: to the end); start == end puts the caret there.
    void SetSel(int start, int end);
    void GetSel(int& start, int& end) const;
    // Replaces the selection with text (line breaks "\r" or "\n"), in the caret's format.
    void ReplaceSel(const char* text);

    // --- formats ---
    // The format at the caret: with no selection the one typing would take (the character
    // before the caret's), else the selection's first character's.
    fw::CharFormat GetCaretFormat() const;
    // Applies a format to the selection; with no selection it becomes the format typing takes.
    void SetSelectionFormat(const fw::CharFormat& format);
    // Sets (on) or clears the effects in mask over the selection (or for typing).
    void SetSelectionEffects(unsigned mask, bool on);
    // The format of an empty control and of text typed at its start.
    void SetDefaultFormat(const fw::CharFormat& format);
    // Left (0), centred (1) or right (2) alignment of the paragraphs the selection touches.
    void SetParagraphAlignment(int alignment);
    int GetParagraphAlignment() const;

    // --- geometry (client pixels) ---
    // The top-left of the character at index (the position past the end included).
    POINT PosFromChar(int index) const;
    // The character nearest a client point (the caret's place for a click there).
    int CharFromPos(POINT client) const;
    int LineFromChar(int index) const;
    int GetLineCount() const;
    // The first character of a line, -1 past the last.
    int LineIndex(int line) const;
    // A line's measures: its width, its ascent and its height (pixels).
    struct LineMetrics {
        int width = 0;
        int ascent = 0;
        int height = 0;
    };
    LineMetrics GetLineMetrics(int line) const;
    // The formatting rectangle: the part of the client area the text is laid out in.
    RECT GetRect() const;
    void SetRect(const RECT& rect);
    // The size the text wants (the widest line and the lines' heights, with the rectangle's
    // margins); the request-resize listener hears it after every change when turned on.
    SIZE GetWantedSize() const;
    void SetRequestResize(std::function<void(const RECT& wanted)> listener);

    // --- editing ---
    bool CanUndo() const;
    void Undo();
    void Redo();
    void Cut();
    void Copy();
    void Paste();
    void Clear();
    // Whether the system clipboard holds anything at all.
    static bool CanPaste();

    // --- looks ---
    // A frame of this colour around the client area after every paint (on false: none).
    void SetFrame(bool on, COLORREF color = 0);
    // The background behind the text.
    void SetBackgroundColor(COLORREF color);

    // Sizes: twips to pixels at the logical resolution (rounded down), and the smallest twips
    // that reach a pixel height.
    static int TwipsToPixels(int twips) { return twips * kLogicalDpi / 1440; }
    static int PixelsToTwips(int pixels) { return (pixels * 1440 + kLogicalDpi - 1) / kLogicalDpi; }
};
