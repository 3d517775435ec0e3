// A system: one line of music on a page (88 bytes, type code 1): a run of consecutive bars
// laid side by side and one staff per track stacked below each other, in an owned staff array.
//
//   offset 12  page index            16-bit
//   offset 14  first bar             16-bit, index in the score's bar array
//   offset 16  bar count             16-bit
//   offset 18  staff count           16-bit
//   offset 20  reserved coordinates  2 x 16-bit, kept and stored
//   offset 24  top offset            16-bit twentieths of a point below the printable top (1440)
//   offset 26  left indent           16-bit twentieths, added to the printable left
//   offset 28  right indent          16-bit twentieths, added to the printable right
//   offset 30  clef width            16-bit page units
//   offset 32  key width             16-bit page units
//   offset 34  time width            16-bit page units
//   offset 36  header width          16-bit page units (6 after Init)
//   offset 38  first bar x           16-bit page x: system left + header width
//   offset 40  end reserve           16-bit, 1/120 of a space kept free at the right end
//   offset 42  rectangle             4 x 32-bit: left, top, right, bottom
//   offset 58  space                 16-bit, the staff space of the system in page units
//   offset 60  font size             16-bit (24 after Init)
//   offset 62  layout flags          bit 1 first system of its page, bit 2 last, bit 3
//                                    over-full; bits 4-7 a field cleared at construction
//   offset 63  spare byte
//   offset 64  name indent           16-bit twentieths
//   offset 66  shown bars            16-bit, the bars not under a multi-bar rest (reindexing;
//                                    never stored)
//   offset 68  spare word
//   offset 70  layout word           16-bit (4 after Init)
//   offset 72  first bar link        the score and the first bar's index (never stored)
//   offset 76  page link             the score and the page's index (never stored)
//   offset 80  staff array           the id of the owned CStaffArray
//   offset 84  spare
//
// Chunk "LINE" (no count word): page index, first bar, bar count, staff count, then the two
// reserved coordinates, top offset, left and right indent, name indent and end reserve as
// coordinates (stored divided by 5). Each staff's "STAF" chunk follows.
#pragma once
#include <cstdint>
#include <vector>

#include "model/ArrayItem.h"
#include "model/SystemStaff.h"

class CBar;
class CPage;
class CScore;
class CStaffArray;
struct ScoreLocation;

class CLine : public CArrayItem {
public:
    enum : int {
        kPageIndex = 12,
        kFirstBar = 14,
        kBarCount = 16,
        kStaffCount = 18,
        kReserved1 = 20,
        kReserved2 = 22,
        kTopOffset = 24,
        kLeftIndent = 26,
        kRightIndent = 28,
        kClefWidth = 30,
        kKeyWidth = 32,
        kTimeWidth = 34,
        kHeaderWidth = 36,
        kFirstBarX = 38,
        kEndReserve = 40,
        kRect = 42,
        kSpace = 58,
        kFontSize = 60,
        kLayoutFlags = 62,
        kSpareByte = 63,
        kNameIndent = 64,
        kShownBars = 66,
        kSpareWord = 68,
        kLayoutWord = 70,
        kFirstBarLink = 72,
        kPageLink = 76,
        kStaffArray = 80,
        kSize = 88,
    };
    enum : std::uint8_t { kFirstOnPageBit = 0x02, kLastOnPageBit = 0x04, kOverFullBit = 0x08 };
    // GetStaff's names of the first and the last shown staff.
    static constexpr int kFirstShown = -32767;
    static constexpr int kLastShown = 32767;

    // Builds the record in place: code 1, size 88, every field after the head zero.
    static CLine* Construct(void* record);
    // Sets the record up as a new system of the page (null: none) with an empty staff array.
    void Init(CPage* page);

    // --- fields ---
    std::int16_t GetPageIndex() const { return rec::Get<std::int16_t>(this, kPageIndex); }
    void SetPageIndex(int v) { rec::Put(this, kPageIndex, std::int16_t(v)); }
    std::int16_t GetFirstBarIndex() const { return rec::Get<std::int16_t>(this, kFirstBar); }
    void SetFirstBarIndex(int v) { rec::Put(this, kFirstBar, std::int16_t(v)); }
    std::int16_t GetBarCount() const { return rec::Get<std::int16_t>(this, kBarCount); }
    // The index of the system's last bar.
    int GetLastBar() const { return GetFirstBarIndex() + GetBarCount() - 1; }
    std::int16_t GetShownBarCount() const { return rec::Get<std::int16_t>(this, kShownBars); }
    void SetShownBarCount(int n) { rec::Put(this, kShownBars, std::int16_t(n)); }
    void SetBarCount(int v) { rec::Put(this, kBarCount, std::int16_t(v)); }
    std::int16_t GetStaffCount() const { return rec::Get<std::int16_t>(this, kStaffCount); }
    void SetStaffCount(int v) { rec::Put(this, kStaffCount, std::int16_t(v)); }
    std::int16_t GetTopOffset() const { return rec::Get<std::int16_t>(this, kTopOffset); }
    void SetTopOffset(int v) { rec::Put(this, kTopOffset, std::int16_t(v)); }
    std::int16_t GetLeftIndent() const { return rec::Get<std::int16_t>(this, kLeftIndent); }
    void SetLeftIndent(int v) { rec::Put(this, kLeftIndent, std::int16_t(v)); }
    std::int16_t GetRightIndent() const { return rec::Get<std::int16_t>(this, kRightIndent); }
    void SetRightIndent(int v) { rec::Put(this, kRightIndent, std::int16_t(v)); }
    std::int16_t GetClefWidth() const { return rec::Get<std::int16_t>(this, kClefWidth); }
    std::int16_t GetKeyWidth() const { return rec::Get<std::int16_t>(this, kKeyWidth); }
    std::int16_t GetTimeWidth() const { return rec::Get<std::int16_t>(this, kTimeWidth); }
    std::int16_t GetHeaderWidth() const { return rec::Get<std::int16_t>(this, kHeaderWidth); }
    std::int16_t GetFirstBarX() const { return rec::Get<std::int16_t>(this, kFirstBarX); }
    void SetFirstBarX(int v) { rec::Put(this, kFirstBarX, std::int16_t(v)); }
    std::int16_t GetEndReserve() const { return rec::Get<std::int16_t>(this, kEndReserve); }
    void SetEndReserve(int v) { rec::Put(this, kEndReserve, std::int16_t(v)); }
    RECT GetRect() const;
    void SetRect(const RECT& r);
    std::int32_t GetLeft() const { return rec::Get<std::int32_t>(this, kRect); }
    std::int32_t GetTop() const { return rec::Get<std::int32_t>(this, kRect + 4); }
    std::int32_t GetRight() const { return rec::Get<std::int32_t>(this, kRect + 8); }
    std::int32_t GetBottom() const { return rec::Get<std::int32_t>(this, kRect + 12); }
    std::int16_t GetSpace() const { return rec::Get<std::int16_t>(this, kSpace); }
    void SetSpace(int v) { rec::Put(this, kSpace, std::int16_t(v)); }
    std::int16_t GetFontSize() const { return rec::Get<std::int16_t>(this, kFontSize); }
    void SetFontSize(int v) { rec::Put(this, kFontSize, std::int16_t(v)); }
    std::uint8_t GetLayoutFlags() const { return rec::Get<std::uint8_t>(this, kLayoutFlags); }
    void SetLayoutFlags(std::uint8_t v) { rec::Put(this, kLayoutFlags, v); }
    bool IsOverFull() const { return (GetLayoutFlags() & kOverFullBit) != 0; }
    std::int16_t GetNameIndent() const { return rec::Get<std::int16_t>(this, kNameIndent); }
    void SetNameIndent(int v) { rec::Put(this, kNameIndent, std::int16_t(v)); }
    std::int16_t GetLayoutWord() const { return rec::Get<std::int16_t>(this, kLayoutWord); }

    // --- links ---
    CPage* GetPage() const;
    void SetPage(CScore* score, int pageIndex);
    // The record of the first bar (set by the score's reindexing).
    CBar* GetFirstBar() const;
    void SetFirstBar(CScore* score, int barIndex);
    // The score the system's page belongs to (null without a page link).
    CScore* GetScore() const;

    // --- staves ---
    CStaffArray* GetStaffArray() const;
    void SetStaffArray(CStaffArray* staves);
    // Staff i; kFirstShown and kLastShown name the first and last shown staff; other indexes
    // are clamped to the staves. Null without staves.
    CStaff* GetStaff(int i);
    int GetFirstShownStaff();
    int GetLastShownStaff();
    int CountShownStaves();
    // Opens a default staff at i; 1, or 0 when the array refuses.
    int InsertStaff(int i);
    int RemoveStaff(int i);
    void RenumberStaves();
    // Selects staff i (every staff for -1) and clears the others.
    void SelectStaff(int i);
    CStaff* FindStaffAt(int x, int y);
    void GetStaffClefKey(int i, std::int16_t* clef, std::int16_t* key);
    // Sets a staff's spacing; cross-staff beams between the staff and the one above follow.
    void SetStaffSpacing(int i, int twips);

    // --- geometry ---
    bool IsLastOnPage() const { return (GetLayoutFlags() & kLastOnPageBit) != 0; }
    int GetContentLeft() const { return GetLeft() + GetClefWidth() + GetKeyWidth(); }
    int GetNameX(CStaff* staff);
    // Twentieths of a point.
    int SumStaffSpacing();
    // What the next system's first bar announces at the end of this one (1/120 of a space).
    int GetCautionaryWidth();
    void MakeCurrent();
    int CountShownBars(bool all);
    void LocatePoint(int x, ScoreLocation* location);

    // --- layout ---
    void Relayout();
    // Relayout without the justification, for a pass that justifies the system afterwards.
    void PlaceOnPage();
    void MeasureHeader();
    void PlaceStaves();
    void RefitStaves(int size);
    void UpdateShownStaves();
    // Spreads the width between the first bar x and the system right over the bars.
    void Justify();
    int Rejustify(bool redraw);
    void SpreadStaves();
    // The extent of staff i with its items: the bottom, or the top for kFirstShown. Each
    // rectangle taken is also handed to the collector when there is one (it is emptied first).
    int GetStaffExtent(int i, std::vector<RECT>* collector);
    // Recomputes name indents and the left indent from brackets and names, then Relayout.
    void UpdateBrackets();

    // --- drawing, brackets and hit tests ---
    // The system on its page: opening barline, brackets, staves, track names and the time
    // signatures of its start (slot 4).
    void Draw();
    void DrawStaves();
    void DrawBrackets(int staff);
    void DrawBracket(int staff, int slot);
    // The rectangle of one bracket slot (empty when it covers no shown staff, or one under a
    // span above 0); sets the covered staves' name indents.
    RECT GetBracketRect(int staff, int slot);
    // A bracket of a kind over staves first .. last (127: the group-continuation bits of that
    // run). False when the staves are out of range or the first staff's four slots are full.
    bool SetBracket(int kind, int first, int last, bool relayout);
    void DrawMeterRules(CBar* bar);
    bool HitTestBracket(int x, int y, int* staff);
    bool HitTestTrackName(int x, int y, int* track);
    bool HitTestMeter(int x, int y, int* staff);

    // --- stored forms ---
    void ReadLine(CChunkStream& stream);
    void WriteLine(CChunkStream& stream);
    // After a whole score is read (file version): staves that the file left with zero fields
    // get their defaults back (CStaff::RepairDefaults). True when any staff was repaired.
    bool AfterLoadFixup(int version);
};
ZEL_RECORD_VIEW(CLine);

class LineBehaviour : public ArrayItemBehaviour {
public:
    static const LineBehaviour& Instance();
    void Release(CScoreItem& item) const override;                            // slot 3
    bool CopyTo(CScoreItem& item, CScoreItem* target) const override;         // slot 13
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;             // slot 16
    void Draw(CScoreItem& item) const override;                               // slot 4
    void Invalidate(CScoreItem& item) const override;                         // slot 19
    std::int32_t GetRecordSize(CScoreItem& item) const override;              // slot 24
    void ReadRaw(CScoreItem& item, CFile& file) const override;               // slot 46
    void Read(CScoreItem& item, CChunkStream& stream) const override;         // slot 53
    void Write(CScoreItem& item, CChunkStream& stream) const override;        // slot 54
};

// The bar's meter asks for the rules that join time signatures across staves.
bool BarAsksMeterRules(const CBar* bar);
