// A page of the laid-out score (68 bytes, type code 0): a run of consecutive systems, the
// paper and printable rectangles, and the vertical spacing values of its staves.
//
//   offset 12  first system        16-bit, index in the score's system array
//   offset 14  system count        16-bit
//   offset 16  columns, rows       2 x 16-bit: how many sheets of the printer's paper the page
//                                  spans across and down (1 and 1 when it fits on one)
//   offset 20  paper rectangle     4 x 32-bit page units (left, top, right, bottom)
//   offset 36  printable rectangle 4 x 32-bit page units
//   offset 52  group gap           16-bit twentieths (+480 above a staff that opens a bracket
//                                  group or follows one; 840)
//   offset 54  system gap          16-bit twentieths (+480 after a system's last staff; 1080)
//   offset 56  staff gap           16-bit twentieths (+480 above other staves; 720)
//   offset 58  layout words        2 x 16-bit (4, 5), kept and stored
//   offset 62  score link          the score (never stored)
//   offset 66  spare
//
// Chunk "PAGE" (no count word): first system, system count, columns and rows, the three gaps
// as coordinates (stored divided by 5), the layout words, then the four margins and the paper
// width and height as 32-bit values times 4. A page read back has the printable rectangle's
// top-left corner as its origin.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "model/ArrayItem.h"

class CBitmap;
class CLine;
class CScore;
class CZelDoc;
class CPageSetup;

class CPage : public CArrayItem {
public:
    enum : int {
        kFirstSystem = 12,
        kSystemCount = 14,
        kColumns = 16,
        kRows = 18,
        kPaperRect = 20,
        kPrintableRect = 36,
        kGroupGap = 52,
        kSystemGap = 54,
        kStaffGap = 56,
        kLayoutWord1 = 58,
        kLayoutWord2 = 60,
        kScoreLink = 62,
        kSize = 68,
    };

    // Builds the record in place: code 0, size 68, both rectangles empty.
    static CPage* Construct(void* record);
    // Sets the record up as a page of the score (null: none): no systems; with a score, the
    // rectangles of the document's page setup; the gaps and layout words from the engraver
    // settings.
    void Init(CScore* score);

    // --- fields ---
    std::int16_t GetFirstSystem() const { return rec::Get<std::int16_t>(this, kFirstSystem); }
    void SetFirstSystem(int v) { rec::Put(this, kFirstSystem, std::int16_t(v)); }
    std::int16_t GetSystemCount() const { return rec::Get<std::int16_t>(this, kSystemCount); }
    void SetSystemCount(int v) { rec::Put(this, kSystemCount, std::int16_t(v)); }
    RECT GetPaperRect() const { return GetRectAt(kPaperRect); }
    void SetPaperRect(const RECT& r) { SetRectAt(kPaperRect, r); }
    RECT GetPrintableRect() const { return GetRectAt(kPrintableRect); }
    void SetPrintableRect(const RECT& r) { SetRectAt(kPrintableRect, r); }
    std::int16_t GetGroupGap() const { return rec::Get<std::int16_t>(this, kGroupGap); }
    std::int16_t GetSystemGap() const { return rec::Get<std::int16_t>(this, kSystemGap); }
    std::int16_t GetStaffGap() const { return rec::Get<std::int16_t>(this, kStaffGap); }
    void SetGaps(int group, int system, int staff);
    // How many sheets of paper the page spans across and down (the document's layout sets them).
    std::int16_t GetColumns() const { return rec::Get<std::int16_t>(this, kColumns); }
    std::int16_t GetRows() const { return rec::Get<std::int16_t>(this, kRows); }
    void SetColumnsAndRows(int columns, int rows) {
        rec::Put(this, kColumns, std::int16_t(columns));
        rec::Put(this, kRows, std::int16_t(rows));
    }

    // --- links ---
    CScore* GetScore() const;
    void SetScore(CScore* score);
    CZelDoc* GetDocument() const;
    // System i of the page (0 = its first); null outside the page's systems.
    CLine* GetLine(int i) const;

    // --- geometry ---
    void MakeCurrent();
    void SetClipToPage();
    int TopToPage(int twips);
    int LeftFromPage(int x);
    int TopFromPage(int y);
    int StepTwips(int twips, int step);
    int GetContentBottom();
    void RefitStaves(int size);
    void UpdateShownStaves();
    // Calls callback(item, arg) with the page's pane ready for drawing; 0 without a pane.
    int DrawInPane(CScoreItem* item, int (*callback)(CScoreItem*, void*), void* arg);
    // The page texts above the first system (top set) or below the last one; each rectangle
    // is also handed to the collector.
    int PageTextExtent(std::vector<RECT>* collector, bool top);

    // --- drawing ---
    // The page: background, systems, bars, titles, deferred items and page texts (slot 4).
    void Draw();
    // The title blocks that show on this page, then the deferred items.
    void DrawTitles();

    // --- vertical layout ---
    void SpaceStaves(bool keep);
    void AvoidCollisions();
    void StretchToBottom();

    // --- stored forms ---
    void ReadPage(CChunkStream& stream);
    void WritePage(CChunkStream& stream);

private:
    RECT GetRectAt(int offset) const;
    void SetRectAt(int offset, const RECT& r);
};
ZEL_RECORD_VIEW(CPage);

class PageBehaviour : public ArrayItemBehaviour {
public:
    static const PageBehaviour& Instance();
    void Draw(CScoreItem& item) const override;                          // slot 4
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;        // slot 16
    void Invalidate(CScoreItem& item) const override;                    // slot 19
    void Read(CScoreItem& item, CChunkStream& stream) const override;    // slot 53
    void Write(CScoreItem& item, CChunkStream& stream) const override;   // slot 54
};

// A page text's own page test: true when the text shows on page `page` (index from 0).
bool PageTextOnPage(CScoreItem* text, int page);

// Draws the page into a picture of its paper size (white first) through the current artist;
// the drawing calls go to ops when asked. With an update rectangle only that area is drawn.
bool DrawPageToPicture(CPage* page, CBitmap& picture, std::vector<std::string>* ops = nullptr,
                       const RECT* update = nullptr);
// Prints every page of the score into a PDF file through the printing artist; the drawing
// calls sent to the file's pages go to ops when asked.
bool PrintScoreToPdf(CScore& score, const std::string& path, std::vector<std::string>* ops = nullptr);
