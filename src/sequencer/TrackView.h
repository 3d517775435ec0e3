// The track list: one row per track of the current document and, for a track whose voices are
// expanded, one row per voice, with fourteen columns of playback settings (number, expand box,
// name, mute, solo, volume, pan, transposition, output device, channel, bank, patch, voices,
// stem). Values change in place: icons toggle, a short click opens an inline numeric field, a
// press held 10 ticks opens a chooser, and dragging paints mute and solo over several tracks.
// Its header (CTVLabels) shows the column labels and resizes and reorders the columns.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Numeric.h"
#include "platform/StdView.h"
#include "sequencer/SequencerGlobals.h"

class CScore;
class CTrack;
class CTrackView;
class CZelDoc;

namespace trackcols {

// The column kinds.
enum : int {
    kNumber = 0, kExpand = 1, kName = 2, kMute = 3, kSolo = 4, kVolume = 5, kPan = 6, kTranspose = 7,
    kDevice = 8, kChannel = 9, kBank = 10, kPatch = 11, kVoices = 12, kStem = 13
};

// The left edge of column i (the sum of the widths before it).
int Left(int i);
// The sum of all widths.
int TotalWidth();
// The position of the column of a kind (-1 when none has it).
int PositionOfKind(int kind);
// The column whose span [left, right) holds x (-1 when none does).
int ColumnAt(int x);
// Takes the column at position from (2 or later) out and puts it where the header drops it:
// the first of the first thirteen whose span holds x (the fourteenth when none; the third when
// x <= 0), never before the third. Returns the new position (from itself when it cannot move).
int MoveColumn(int from, int x);
// The width of column i after a resize to width, never below minimum.
void ResizeColumn(int i, int width, int minimum);

}  // namespace trackcols

// The header over the track list: the labels; presses resize and move the columns.
class CTVLabels : public CWnd {
public:
    explicit CTVLabels(CTrackView* owner) : view(owner) {}
    CTrackView* view;
    // A press at x in content coordinates (the view's horizontal scroll added).
    void Press(int x);
    // The resize zone's column at content x (from a column's right edge to 2 pixels right of
    // it, columns after the first two); -1 when x is not in one.
    static int ResizeZoneAt(int x);
    // The narrowest width column i may have: its label's text width + 4.
    int MinimumWidth(int i);

protected:
    void OnPaint() override;
    void OnLButtonDown(UINT flags, POINT pt) override;
    void OnMouseMove(UINT flags, POINT pt) override;
};

// An inline numeric field over a cell of the track list: every change is applied at once; the
// end of the entry applies the value and deletes the field.
class CTVNumeric : public CNumeric {
public:
    CTVNumeric(CTrackView* owner, int track, int voice, int column)
        : view(owner), trackIndex(track), voiceIndex(voice), columnKind(column) {}
    ~CTVNumeric() override;
    void Draw() override;
    bool TypeKey(UINT key, UINT flags) override;
    void EndEdit() override;
    // Writes the field's value into the track (by the column it edits).
    void Apply();

    CTrackView* view;
    int trackIndex;
    int voiceIndex;  // -1: all voices
    int columnKind;
};

// The patch field: shows the patch name of the number as its text.
class CPatchNumeric : public CTVNumeric {
public:
    using CTVNumeric::CTVNumeric;
    void Format(char* text, std::size_t size) override;
};

class CTrackView : public CStdView {
public:
    static constexpr int kRowHeight = 16, kMaxRows = 513, kHeaderHeight = 18;
    // The row marks.
    enum : std::uint8_t { kExpandedRow = 1, kFirstRow = 2 };
    struct Row {
        std::int8_t voice = 0;      // 0 on a track's own row
        std::uint8_t track = 0;
        std::uint8_t marks = 0;     // kExpandedRow, kFirstRow
        std::uint8_t spare = 0;
    };
    // The track flags' bits this view reads and writes.
    static constexpr std::uint8_t kExpandedBit = 0x04;

    CTrackView();
    ~CTrackView() override;

    // Makes the view below the header in parent and the header above it: no document.
    bool Initialize(CWnd* parentWnd);
    void SetDocument(CZelDoc* doc);
    CZelDoc* GetZelDocument() const { return document; }
    void RebuildRows();
    // Redraws a track's rows: with 4321 the mute and solo cells, else the device, channel, bank
    // and patch cells.
    void RedrawRow(int track, int hint);
    void DrawArea(const RECT& rect);
    void Click(int x, int y);
    // A typed key: Space ends the open field; a key goes to the open field, else to the
    // document. False with no document.
    bool KeyChar(UINT key, UINT flags);

    int RowCount() const { return rowCount; }
    const Row& RowAt(int i) const { return rows[std::size_t(i)]; }
    CTVLabels* Header() { return header.get(); }
    // The voice an edit on row r applies to: the row's voice on an expanded track, else -1.
    int EditVoice(int r) const;
    // The content rectangle of the cell of row r in column position c.
    static RECT CellRect(int r, int c);
    // Ends the open inline field, if any.
    static void EndField();
    // Redraws the cell at column kind of every row of a track, at once.
    void RedrawCells(int track, std::initializer_list<int> kinds);
    // The screen point of a content point.
    POINT ToScreen(int x, int y);
    // Every other voice of every track on the edited voice's channel takes its patch, bank,
    // volume and pan where both values are set and differ; the tracks so changed are redrawn.
    void ShareChannelSettings(int track, int voice);

    void DrawContent(const RECT& rect) override { DrawArea(rect); }
    void OnMouseDown(int x, int y, UINT flags) override { Click(x, y); }
    void ScrollWindowBy(int dx, int dy) override;
    // The document's views are updated: the rows follow the score.
    void OnUpdate(CView* sender, LPARAM hint, void* hintObject) override;

    CZelDoc* document = nullptr;
    CScore* score = nullptr;
    std::uint8_t attached = 0;
    Row rows[kMaxRows] = {};
    std::int16_t rowCount = 0;
    std::int16_t clickedTrack = 0, clickedVoice = 0, clickedColumn = 0;

private:
    void DrawCell(int r, int c);
    void ClickNumber(int r, int x, int y);
    void ClickMuteSolo(int r, bool mute);
    void ClickValue(int r, int kind, int x, int y);
    bool OpenChooser(int r, int kind, int x, int y);
    void OpenField(int r, int c, int kind);
    void ClickDevice(int r, int c, int x, int y);
    void ClickBank(int r, int x, int y);
    void Modified();
    CTrack* TrackOfRow(int r);
    // The content point of the mouse now.
    POINT MouseInContent();

    std::unique_ptr<CTVLabels> header;
};
