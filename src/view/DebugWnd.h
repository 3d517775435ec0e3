// The debug window: a floating tool window that shows the inside of the bar at the active
// document's insertion point: a header with the bar's layout numbers and the column titles,
// and a list with one line per item of the insertion point's bar of a track (a note's heads a
// line each). It edits nothing.
#pragma once
#include <string>
#include <vector>

#include "platform/FloatWnd.h"

class CBar;
class CScore;
class CTrkBar;
class CZelDoc;

namespace debuglist {

// One text of a line: its x, its alignment (0 left, 1 centred, 2 right) and the text.
struct Cell {
    int x = 0;
    int align = 0;
    std::string text;
};
// One line of the list: its baseline, its colour number (1 selected, else 0), the item's type
// name and its cells (the type name first).
struct Line {
    int y = 0;
    int color = 0;
    std::string typeName;
    std::vector<Cell> cells;
};

// The header's values of a bar.
struct Header {
    int pixWidth = 0, logWidth = 0, bcWidth = 0, totalClocks = 0, space = 0;
};
Header HeaderOf(CBar& bar);

// A time as beat:tick, each the last three digits with leading zeros ("003:040").
std::string BeatTick(int time, int beatLength);
// A space in 1/120 as a number with up to two decimals, a point between ("12.50").
std::string SpaceText(int space);

// The lines of a track bar's items as the list shows them: removed items and items of voices
// the score hides get none; MIDI data items (types 170 and above) none while hideMidiData.
std::vector<Line> Lines(CScore& score, CBar& bar, CTrkBar& trkBar, bool hideMidiData);

// The column separators of the list and the header.
inline constexpr int kSeparators[6] = {100, 200, 236, 272, 300, 332};
inline constexpr int kHeaderHeight = 28, kLineHeight = 14, kFirstLine = 11;
// The list's scroll area once it shows a score.
inline constexpr int kScrollWidth = 600, kScrollHeight = 1000;

}  // namespace debuglist

class CDebugPane;
class CStdView;

class CDebugWnd : public CFloatWnd {
public:
    static constexpr UINT kTitleId = 6070;

    CDebugWnd();
    ~CDebugWnd() override;
    // Makes the window (hidden) in the main frame.
    bool Create(CFrameWnd* frame);
    void SetDocument(CZelDoc* doc);
    CZelDoc* GetDocument() const { return doc_; }
    bool IsVisible() const { return CControlBar::IsVisible(); }
    void Hide() { HideBar(); }
    CWnd* GetChildWindow() override;
    // The scrolling list under the header.
    CStdView* GetListView() const;
    // The lines the list shows now (none without a document or a bar at the insertion point).
    std::vector<debuglist::Line> CurrentLines() const;
    bool hideMidiData = false;

private:
    CZelDoc* doc_ = nullptr;
    std::unique_ptr<CDebugPane> pane_;
};
