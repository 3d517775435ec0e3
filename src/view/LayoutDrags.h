// Drags of the layout rather than of the music: a staff's bracket sideways, a staff's placement
// handles (the chord, dynamics and lyric lines and the other placement words), and a title
// block of the page. The bracket and the handles reach, on request, more systems than the one
// hit: with Ctrl every system from it to the score's end, with Alt those to the end of its page.
#pragma once
#include <cstdint>

#include "model/DragTask.h"
#include "model/Titles.h"

class CBar;
class CLine;
class CStaff;

// How many systems from `line` on take a layout drag's result: Ctrl every later one, Alt those
// of its page, else the one.
int LayoutDragRange(CScore& score, int line);

class CDragBracket : public CDragTask {
public:
    void Begin(CZelDoc* doc, CScoreItem* item, int nameId) override;
    void SetContext() override {}
    void BeginItemDrag() override;
    void MoveItemDrag() override;
    void EndItemDrag() override;
    void DrawDragImage() override {}
    void DrawFeedback() override {}

private:
    int line = 0, staff = 0, slot = 0;
};

class CDragIndicator : public CDragTask {
public:
    // The staff's placement words by handle: 0, 2, 4 three distances, 1 the staff position of
    // line B, 3 a distance that stays at most -240, 5-12 the eight lyric lines.
    static std::int16_t Word(const CStaff& staff, int handle);
    static void SetWord(CStaff& staff, int handle, int value);
    static constexpr int kLyricGap = 180;

    void Begin(CZelDoc* doc, CScoreItem* item, int nameId) override;
    void SetContext() override;
    void BeginItemDrag() override {}
    void MoveItemDrag() override;
    void EndItemDrag() override;
    void DrawDragImage() override {}
    void DrawFeedback() override {}

private:
    CStaff* Staff() const;
    int handle = -1, line = 0, staff = 0;
};

// The handles of a bar's large ("Hollywood") time signature: 0 and 1 move it (with Shift widen
// it), 2 and 3 space its upper and lower figure when the bar's signature allows it. With Ctrl the
// result goes to every bar.
class CDragHollywood : public CDragTask {
public:
    // The bar's five display words: width, horizontal, vertical, upper and lower spacing.
    enum : int { kWidth = 0, kHorizontal = 1, kVertical = 2, kUpperSpacing = 3, kLowerSpacing = 4 };
    static int Word(const CBar& bar, int which);
    static void SetWord(CBar& bar, int which, int value);

    void Begin(CZelDoc* doc, CScoreItem* item, int nameId) override;
    void SetContext() override {}
    void BeginItemDrag() override {}
    void MoveItemDrag() override;
    void EndItemDrag() override;
    void DrawDragImage() override {}
    void DrawFeedback() override {}

private:
    CBar* Bar() const;
    int handle = 0, bar = 0;
    bool noSnapshot = false;
};

class CDragTitleItem : public CDragTask {
public:
    // Begins the drag of title block `index` (0-7) of the document.
    void BeginTitle(CZelDoc* doc, int index);
    void SetContext() override {}
    void BeginItemDrag() override {}
    void MoveItemDrag() override;
    void EndItemDrag() override;
    void DrawDragImage() override {}
    void DrawFeedback() override {}
    // Undo and redo exchange the kept copy and the live block.
    void SwapSnapshot() override;

    std::int32_t index = 0;
    TitleBlock copy;
};
