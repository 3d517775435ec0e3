// The title sheet: six property pages over the document's eight title blocks (the title, the
// annotation, the author and the notice blocks a page each; the two headers and the two
// footers a page each, showing one of the two at a time), and the undoable edit it makes.
#pragma once
#include "framework/PropertySheet.h"
#include "model/EditTask.h"
#include "model/Titles.h"

class CTitlePage : public CPropertyPage {
public:
    // Controls of the pages of kinds 0-3.
    enum : int { kFirstText = 3, kXOffset = 7, kYOffset = 8, kXSpin = 9, kYSpin = 10, kAllPages = 11, kFirstFont = 100 };
    // Controls of the header and footer pages.
    enum : int {
        kText = 3, kStartPage = 10, kPageOffset = 11, kStartSpin = 12, kOffsetSpin = 13, kFont = 100,
        kFirstBlock = 200, kSecondBlock = 201, kLeft = 202, kCentre = 203, kRight = 204, kFlip = 205,
    };
    // The page template of a kind (0 title ... 5 footer).
    static UINT TemplateOf(int kind);

    explicit CTitlePage(int kind);
    // The blocks the page edits: one for kinds 0-3, two for headers and footers (shown: which
    // of them the page shows first).
    void SetBlocks(TitleBlock* first, TitleBlock* second = nullptr, int shown = 0);

    BOOL OnInitDialog() override;
    void OnOK() override;

    int kind = 0;
    int shownIndex = 0;                       // 0 or 1: the block shown
    int lineCount = TitleBlock::kLines;       // 1 for headers and footers
    TitleBlock* blocks[2] = {nullptr, nullptr};
    TitleBlock* block = nullptr;              // the block shown

protected:
    BOOL OnCmdMsg(UINT id, int code) override;

private:
    void ShowBlock();
    // The header's or footer's start page, page offset and text into the block shown.
    void StoreSingleLine();
    void StoreText(int control, int line);
};

// The title sheet's undoable step: the eight blocks as they were before it (copies); undo and
// redo both exchange them with the document's and redraw the page panes.
class CTPTask : public CScoreTask {
public:
    explicit CTPTask(CZelDoc& doc);
    void SwapSnapshot() override;
    // The document's blocks take the kept copies back (a cancelled sheet).
    void Restore();

    TitleBlock saved[TitleBlock::kBlocks];
};

// On a confirmed sheet: a notice block (of blocks 0-3) with text and y offset 0 moves up by one
// and a half times the font size of each footer with text, y offset 0 and the notice's
// alignment, so that the two do not print over each other.
void KeepNoticeOffFooters(TitleBlock (&blocks)[TitleBlock::kBlocks]);
