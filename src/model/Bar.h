// A bar of the score (162 bytes, type code 8), shared by all tracks: its time signature,
// barlines and tempo, its horizontal geometry on its system, the beat chart that maps time to
// position, and a small array of its own bar items (beat chart, bar number, jumpers and
// endings, tempo marks). Bars lie back to back in the score's bar array; the bar's index is
// its number from 0 and the array's last-element flag marks the score's last bar.
//
//   offset  12 bar flags        bit 0 kept; 1 shows its time signature; 2 under a multi-bar
//                               rest begun earlier; 3 short bar (pickup); 4 beat chart shown;
//                               5 courtesy signs at its end; 6 cleared by the older reader;
//                               7 spacing locked
//   offset  13 barline kinds    low nibble opening kind, high nibble closing kind
//   offset  14 meter            the 27-byte Meter record
//   offset  41 spare byte
//   offset  42 tempo            16-bit, hundredths of a beat per minute (9600)
//   offset  44 content length   16-bit ticks of the longest voice (1920)
//   offset  46 natural space    16-bit engraver units, the sum of the column spaces (1440)
//   offset  48 natural width    16-bit, the bar's weight when its system is justified (1440)
//   offset  50 key-sig width    16-bit, key signature at the bar's start
//   offset  52 trailing extra   16-bit, courtesy signs at the bar's end (bar flag 5)
//   offset  54 leading gap, 56 leading width, 58 trailing width, 60 key-sig part,
//              62 meter part, 64 width, 66 content width (16-bit page units each)
//   offset  68 left             32-bit page x
//   offset  72 bar-number link  16-bit bar index, -1 none
//   offset  74 stored coordinates A and B, 78 stored word C (kept and stored)
//   offset  80 multi-bar span   16-bit
//   offset  82 longest item span 16-bit
//   offset  84 linked jumper bar 16-bit, -1 none
//   offset  86 beat-chart staff 8-bit
//   offset  87 item array       the id of the owned CItemArray
//   offset  91 start time       32-bit milliseconds, for playback and time codes (the bar
//                               recalculation sets it)
//   offset  95 cached ending, 99 cached beat chart, 103 cached bar number: the byte offset
//              + 1 of the item in the own array (0 none)
//   offset 107 system link      the score and the system's index (never stored)
//   offset 111 step note value, 115 step dotted (32-bit each)
//   offset 119 meter display word, 121 five meter display words (12, 0, 0, 0, 0)
//   offset 131 meter offset, 133 lead-in space (16-bit each)
//   offset 135 natural space copy, 139 scaled natural space, 143 lead-in width, 147 size
//              (32-bit each)
//   offset 151 start in ticks   32-bit, from the start of the score (reindexing sets it;
//                               never stored)
//   offset 155 counted bars     16-bit, the counted bars before this one (reindexing)
//   offset 157 spare bytes up to 162
#pragma once
#include <cstdint>
#include <functional>

#include "model/ArrayItem.h"
#include "model/Jumper.h"
#include "model/Meter.h"

// A tempo in hundredths of a beat per minute kept inside the range of tempo marks
// (10.00 to 300.00).
std::uint16_t TempoInRange(int hundredths);

class CBarItem;
class CChunkStream;
class CItemArray;
class CLine;
class CPage;
class CScore;
class CStaff;
class CTrack;
class CTrkBar;
class CDragTask;
struct ScoreLocation;

class CBar : public CArrayItem {
public:
    enum : int {
        kBarFlags = 12,
        kBarlines = 13,
        kMeter = 14,
        kSpare = 41,
        kTempo = 42,
        kContentLength = 44,
        kNaturalSpace = 46,
        kNaturalWidth = 48,
        kKeySigWidth = 50,
        kTrailingExtra = 52,
        kLeadingGap = 54,
        kLeadingWidth = 56,
        kTrailingWidth = 58,
        kKeySigPart = 60,
        kMeterPart = 62,
        kWidth = 64,
        kContentWidth = 66,
        kLeft = 68,
        kBarNumberLink = 72,
        kCoordA = 74,
        kCoordB = 76,
        kWordC = 78,
        kMultiRestSpan = 80,
        kLongestItemSpan = 82,
        kLinkedJumperBar = 84,
        kBeatChartStaff = 86,
        kItemArray = 87,
        kStartTime = 91,
        kCachedEnding = 95,
        kCachedBeatChart = 99,
        kCachedBarNumber = 103,
        kSystemLink = 107,
        kStepNoteValue = 111,
        kStepDotted = 115,
        kMeterDisplayWord = 119,
        kMeterDisplayWords = 121,
        kMeterOffset = 131,
        kLeadInSpace = 133,
        kNaturalSpace32 = 135,
        kScaledNaturalSpace = 139,
        kLeadInWidth = 143,
        kSpaceSize = 147,
        kStartTicks = 151,
        kCountedBars = 155,
        kSize = 162,
    };
    enum : std::uint8_t {
        kFlag0 = 0x01,  // the time signature is shown here even where it does not change
        kShowsMeterBit = 0x02,
        kCoveredBit = 0x04,
        kShortBarBit = 0x08,
        kBeatChartShownBit = 0x10,
        kCourtesyBit = 0x20,
        kSystemBreakBit = 0x40,  // a system starts at this bar (cleared when an older record is read)
        kSpacingLockedBit = 0x80,
    };
    // Item type codes the bar keeps in its own array.
    enum : int { kBeatChartType = 9, kBarNumberType = 10, kTempoType = 28, kJumperType = CJumper::kType, kEndingType = CEnding::kType };
    // Fields of the own items that the bar reads: a jumper's kind byte and its 16-bit target
    // (an ending's bar span; model/Jumper.h).
    enum : int { kJumperKind = CJumper::kKind, kJumperTarget = CJumper::kTarget };
    // A jumper's chain count (endings that follow a first ending) and its playback pass byte.
    enum : int { kJumperChainCount = CJumper::kChainCount, kJumperPass = CJumper::kPass };
    static constexpr int kRepeatCountKind = CJumper::kRepeatCount;

    // Builds the record in place: code 8, size 162, no item array yet.
    static CBar* Construct(void* record);
    // Type and size, a new empty item array and every default; true.
    bool SetDefaults();
    // Deletes the own item array (when asked) and forgets it and the cached items.
    void FreeItems(bool deleteArray);

    // --- fields ---
    std::uint8_t GetBarFlags() const { return rec::Get<std::uint8_t>(this, kBarFlags); }
    void SetBarFlags(std::uint8_t v) { rec::Put(this, kBarFlags, v); }
    bool HasBarFlag(std::uint8_t bit) const { return (GetBarFlags() & bit) != 0; }
    void SetBarFlag(std::uint8_t bit, bool on) {
        SetBarFlags(on ? std::uint8_t(GetBarFlags() | bit) : std::uint8_t(GetBarFlags() & ~bit));
    }
    bool IsCovered() const { return HasBarFlag(kCoveredBit); }
    int GetOpeningKind() const { return rec::Get<std::uint8_t>(this, kBarlines) & 0x0F; }
    int GetClosingKind() const { return rec::Get<std::uint8_t>(this, kBarlines) >> 4; }
    void SetOpeningKind(int kind);
    void SetClosingKind(int kind);
    bool HasRepeatEnd() const { return GetClosingKind() == 3 || GetClosingKind() == 10; }
    bool IsRepeatStart() const { return GetOpeningKind() == 2 || GetOpeningKind() == 9; }
    Meter* GetMeter() { return reinterpret_cast<Meter*>(Bytes() + kMeter); }
    const Meter* GetMeter() const { return reinterpret_cast<const Meter*>(Bytes() + kMeter); }
    std::uint16_t GetTempo() const { return rec::Get<std::uint16_t>(this, kTempo); }
    void SetTempo(std::uint16_t v) { rec::Put(this, kTempo, v); }
    std::int16_t GetContentLength() const { return rec::Get<std::int16_t>(this, kContentLength); }
    // A new content length may change the bar's length, which the passes carry on.
    void SetContentLength(int v);
    std::int16_t GetNaturalSpace() const { return rec::Get<std::int16_t>(this, kNaturalSpace); }
    void SetNaturalSpace(int v) { rec::Put(this, kNaturalSpace, std::int16_t(v)); }
    std::int16_t GetNaturalWidth() const { return rec::Get<std::int16_t>(this, kNaturalWidth); }
    void SetNaturalWidth(int v) { rec::Put(this, kNaturalWidth, std::int16_t(v)); }
    std::int16_t GetKeySigWidth() const { return rec::Get<std::int16_t>(this, kKeySigWidth); }
    void SetKeySigWidth(int v) { rec::Put(this, kKeySigWidth, std::int16_t(v)); }
    std::int16_t GetTrailingExtra() const { return rec::Get<std::int16_t>(this, kTrailingExtra); }
    void SetTrailingExtra(int v) { rec::Put(this, kTrailingExtra, std::int16_t(v)); }
    std::int16_t GetLeadingGap() const { return rec::Get<std::int16_t>(this, kLeadingGap); }
    std::int16_t GetLeadingWidth() const { return rec::Get<std::int16_t>(this, kLeadingWidth); }
    void SetLeadingWidth(int v) { rec::Put(this, kLeadingWidth, std::int16_t(v)); }
    std::int16_t GetTrailingWidth() const { return rec::Get<std::int16_t>(this, kTrailingWidth); }
    void SetTrailingWidth(int v) { rec::Put(this, kTrailingWidth, std::int16_t(v)); }
    std::int16_t GetKeySigPart() const { return rec::Get<std::int16_t>(this, kKeySigPart); }
    std::int16_t GetMeterPart() const { return rec::Get<std::int16_t>(this, kMeterPart); }
    std::int16_t GetWidth() const { return rec::Get<std::int16_t>(this, kWidth); }
    void SetWidth(int v) { rec::Put(this, kWidth, std::int16_t(v)); }
    std::int16_t GetContentWidth() const { return rec::Get<std::int16_t>(this, kContentWidth); }
    void SetContentWidth(int v) { rec::Put(this, kContentWidth, std::int16_t(v)); }
    std::int32_t GetLeft() const { return rec::Get<std::int32_t>(this, kLeft); }
    void SetLeft(std::int32_t v) { rec::Put(this, kLeft, v); }
    std::int32_t GetRight() const { return GetLeft() + GetWidth(); }
    std::int16_t GetBarNumberLink() const { return rec::Get<std::int16_t>(this, kBarNumberLink); }
    void SetBarNumberLink(int v) { rec::Put(this, kBarNumberLink, std::int16_t(v)); }
    std::int16_t GetMultiRestSpan() const { return rec::Get<std::int16_t>(this, kMultiRestSpan); }
    // A new span changes which bars after it are covered, which the passes carry on.
    void SetMultiRestSpan(int v);
    std::int16_t GetLinkedJumperBar() const { return rec::Get<std::int16_t>(this, kLinkedJumperBar); }
    std::uint8_t GetBeatChartStaff() const { return rec::Get<std::uint8_t>(this, kBeatChartStaff); }
    void SetBeatChartStaff(int staff) { rec::Put(this, kBeatChartStaff, std::uint8_t(staff)); }
    // The start in milliseconds (playback and time codes).
    std::int32_t GetStartTime() const { return rec::Get<std::int32_t>(this, kStartTime); }
    void SetStartTime(std::int32_t v) { rec::Put(this, kStartTime, v); }
    // The start in ticks from the start of the score.
    std::int32_t GetStartTicks() const { return rec::Get<std::int32_t>(this, kStartTicks); }
    void SetStartTicks(std::int32_t v) { rec::Put(this, kStartTicks, v); }
    // The counted bars before this one (the number its bar number shows, less one).
    std::int16_t GetCountedBars() const { return rec::Get<std::int16_t>(this, kCountedBars); }
    // Whether the bar counts for numbering: unless it is excluded (a short bar) and does not
    // close a repeat; such a bar counts only with a bar-number item given whose show mode is
    // not every N bars.
    bool CountsForNumber(const CBarItem* item = nullptr) const;
    std::int16_t GetLeadInSpace() const { return rec::Get<std::int16_t>(this, kLeadInSpace); }
    void SetLeadInSpace(int v) { rec::Put(this, kLeadInSpace, std::int16_t(v)); }
    std::int32_t GetLeadInWidth() const { return rec::Get<std::int32_t>(this, kLeadInWidth); }
    void SetLeadInWidth(std::int32_t v) { rec::Put(this, kLeadInWidth, v); }
    std::uint16_t GetMeterDisplayWord(int i) const { return rec::Get<std::uint16_t>(this, kMeterDisplayWord + 2 * i); }

    // --- own items ---
    CItemArray* GetItemArray() const;
    void SetItemArray(CItemArray* items);
    CBarItem* GetFirstItem() const;
    int GetItemCount() const;
    // Inserts a copy of the item before the first live item with a later time; the copy, or
    // null when memory ran out.
    CBarItem* InsertItemSorted(const CBarItem* item);
    CBarItem* AddItem(const CBarItem* item) { return InsertItemSorted(item); }
    CBarItem* GetBeatChart();
    void RefreshItemCache();
    int CountJumpers() const;
    CBarItem* GetJumper(int n) const;
    CBarItem* GetEnding() const;
    void RemoveItem(CBarItem* item);
    void RemoveJumper(int kind);
    bool SetRepeatEnd();
    // Takes the repeat structure out: a repeat start's opening bar line goes when `opening`,
    // the repeat-count jumper goes and the closing bar line becomes `closingKind`.
    void RemoveRepeat(bool opening, int closingKind);
    void SortItems();
    // Replaces the beat chart by one of n columns (laid out evenly when asked); false when
    // the chart cannot be inserted.
    bool ResetBeatChart(int n, bool even);
    CBarItem* GetBarNumberItem(bool noLink);
    void RemoveBarNumberItem();
    bool ReplaceBarNumberItem(const CBarItem* item);
    int GetDisplayNumber();

    // --- context ---
    void MakeCurrent();
    CLine* GetLine() const;
    void SetLine(CScore* score, int lineIndex);
    CPage* GetPage() const;
    CScore* GetScore() const;
    CStaff* GetStaff(int i) const;
    CTrack* GetTrack(int i) const;
    bool IsFirstInLine() const;
    bool IsLastInLine() const;

    // --- geometry ---
    int GetMeterX() const { return GetLeft() + GetLeadingGap() + GetKeySigPart(); }
    int GetCenterX() const;

    // --- time ---
    int GetMeterLength() const { return GetMeter()->GetTicksPerBar(); }
    int GetBeatLength() const { return GetMeter()->GetTicksPerBeat(); }
    int GetLength() const;
    int GetShortfall() const;

    // --- time and position (1/1024 of the content width) ---
    std::int16_t TickToFraction(int tick, bool snap);
    std::int16_t FractionToTick(int position);
    std::int16_t XToFraction(int x);
    std::int32_t FractionToX(int position);
    std::int32_t PositionToItemX(int position, int offset);
    int XToItemOffset(int x, int position, CScoreItem* context);
    std::int16_t WidthToFraction(int d) const;
    std::int16_t FractionToMeterTick(int position) const;
    std::int16_t TickToLinearFraction(int tick) const;
    std::int32_t FractionToLinearX(int position) const;
    std::int16_t LinearXToFraction(int x) const;
    std::int32_t TickToLinearX(int tick) const { return FractionToLinearX(TickToLinearFraction(tick)); }
    std::int32_t SpanPositionToX(int n, int position, int offset, bool acrossSystems);
    std::int16_t StepX(int position, int step);
    int GetVoiceTimeBefore(int track, int voice, int limit);

    // --- spacing ---
    std::int16_t MeasureContents();
    // A track bar's items changed while its bar respaces: its share of the contents is measured again.
    static void ForgetContentShare(const CTrkBar* trackBar);
    bool Respace();
    std::int32_t CalcLeadingWidths();
    std::int32_t GetMeterWidth() const;
    std::int32_t GetCourtesyWidth();
    void RecalcTrackBars(int flag);

    // --- drawing ---
    // The bar on its system: time codes, time signatures, barlines, the tracks' items, its own
    // items and the courtesy signs at its end (slot 4).
    void Draw();
    // The bar's items again, on their own (its bounds grown by 60 on every side, through a memory
    // buffer when one can be made, else erased and drawn in place), then the system's shown
    // staves over them.
    void RedrawContents();
    // One barline of a kind at page x over the system's staves, group by group.
    void DrawBarline(int x, int kind);
    void DrawTracks();
    void DrawOwnItems();
    // Items of earlier systems continued on this bar's system (the first bar of a system).
    void DrawContinuations();
    // Draws one item of this (the current) bar on system `system` when its span reaches it.
    void DrawSpanningItem(CBarItem* item, int system);
    // The walk over the systems after this bar's own that a span of n bars reaches, up to the
    // system of the bar n after this one: for each system, the bars from this one up to its first
    // bar move left by the distance `advance` gives (from the system before and the system) and
    // onto it, it and its page become current and `visit` runs; a true answer ends the walk.
    // Every bar's left and system and the current objects come back on every exit, an exception
    // included. The answer is visit's last (false when none ran).
    bool WalkSpanSystems(int n, const std::function<std::int32_t(CLine* before, CLine* system)>& advance,
                         const std::function<bool(CLine* system)>& visit);
    // The next bar's courtesy key and time signatures at this bar's end.
    void DrawCourtesySigns();
    void DrawDataView();
    void DrawDataItem(CBarItem* item);
    void DrawDataGrid(CTrkBar* trkBar);
    // Symbols, texts and barres drawn on top of everything near the rectangle.
    void DrawOverlays(const RECT& rect);
    // Time code text "HH:MM:SS:FF" of offset + time (ms) at the frame-rate code (0 24, 1 25,
    // 2 30 drop-frame, else 30 frames a second); text holds at least 32 bytes.
    static void FormatTimeCode(int mode, std::int32_t offset, std::int32_t time, char* text);

    // --- what lies under the mouse ---
    // The part of the bar under a page point, in this order: the edge handle of a shown staff
    // (kind 0, index the staff), a beat-chart column (1, the column), a text of the bar's own
    // items (5), the bar number (3), then also under a multi-bar rest a jumper (2, an ending 4)
    // of this bar or of its linked jumper bar, and the repeat-start barline (8). A hit leaves
    // kind, index, bar, item and the bar of track 0 in the hit globals (slot 15).
    bool HitTest(int x, int y);
    // Acts on the last hit: jumpers and endings move the insertion point to their bar, an item
    // hit opens its own editing, the repeat-start barline runs its command (slot 10).
    void Edit(int x, int y);
    // A new drag task for a hit kind (0, 2, 3 plain; 1 the beat chart's; 4 the ending's), null
    // for any other kind or when memory ran out (slot 40 asks it for the last hit).
    CDragTask* CreateDrag(int kind);
    // The item of a track (or the bar's own tempo mark or expression) under a page point, the
    // location holding the page, system and bar of the click; a hit fills the hit globals and
    // the location's track, staff, bar, bar of a track and system.
    CBarItem* HitItems(int x, int y, ScoreLocation* location);
    // The clef and key areas of a system's start and the time signature area, on one staff.
    bool HitClefArea(int x, int y, CStaff* staff);
    bool HitKeySigArea(int x, int y, CStaff* staff);
    bool HitMeterArea(int x, int y, CStaff* staff);
    // The y of the beat chart's handles: three spaces under its staff.
    int GetBeatChartY();

    // --- stored forms ---
    void WriteMeasure(CChunkStream& stream);
    void ReadMeasure(CChunkStream& stream);
    void WriteConductor(CChunkStream& stream);
    // A conductor run holding a code that does not live in a bar's own run (a score record, a
    // note, a classless code) is damage.
    void ReadConductor(CChunkStream& stream);
    // The type codes a bar's own run holds: beat chart, bar number, page-level and system
    // texts, bar-line symbols, tempo marks, expressions, jumpers and endings.
    static bool IsConductorCode(int code);
    void ReadLegacy(CFile& file);
    void AfterRead();

private:
    void DrawMeters();
    // The items of the tracks and, with the MIDI data display off, the bar's own items.
    void DrawContents();
    CBarItem* CachedItem(int field) const;
    void SetCachedItem(int field, const CBarItem* item);
    // The staff-space size of the bar's system (6 without one).
    int SystemSpace() const;
};
ZEL_RECORD_VIEW(CBar);

class BarBehaviour : public ArrayItemBehaviour {
public:
    static const BarBehaviour& Instance();
    void Release(CScoreItem& item) const override;                         // slot 3
    bool CopyTo(CScoreItem& item, CScoreItem* target) const override;      // slot 13
    void Draw(CScoreItem& item) const override;                             // slot 4
    void OpenProperties(CScoreItem& item, int x, int y) const override;    // slot 10: Edit
    bool HitTest(CScoreItem& item, int x, int y) const override;           // slot 15
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;          // slot 16
    std::int32_t GetRecordSize(CScoreItem& item) const override;           // slot 24
    CDragTask* CreateDragTask(CScoreItem& item) const override;            // slot 40: CreateDrag
    // slots 41-44: the drag of the bar's right edge (with the score's drags).
    void BeginDrag(CScoreItem& item) const override {}
    void DragBy(CScoreItem& item, CDragTask* drag) const override {}
    void EndDrag(CScoreItem& item, CDragTask* drag) const override {}
    void DrawDragFeedback(CScoreItem& item) const override {}
    void ReadRaw(CScoreItem& item, CFile& file) const override;            // slot 46
    void Read(CScoreItem& item, CChunkStream& stream) const override;      // slot 53
    void Write(CScoreItem& item, CChunkStream& stream) const override;     // slot 54
    void ResolveFonts(CScoreItem& item, CFontArray* fonts) const override;  // slot 59
};

// --- the beat chart record (type 9) -----------------------------------------------------------
// A 16-bit column count at 16, then per column at 18 + 8i: position (1/1024 of the bar), span
// to the next column, allotted space (a stored coordinate) and time in ticks. Its size is
// 18 + 8 n.
namespace beatchart {
enum : int { kCount = 16, kColumns = 18, kColumnSize = 8, kPosition = 0, kSpan = 2, kSpace = 4, kTime = 6 };
inline int Count(const void* chart) { return rec::Get<std::int16_t>(chart, kCount); }
inline int Field(const void* chart, int column, int field) {
    return rec::Get<std::int16_t>(chart, kColumns + kColumnSize * column + field);
}
inline void SetField(void* chart, int column, int field, int v) {
    rec::Put<std::int16_t>(chart, kColumns + kColumnSize * column + field, std::int16_t(v));
}
// The number of columns a chart record of its size holds (never more than its count says).
int UsableCount(const void* chart);
// The time of a position (1/1024) in a bar of the given length, snapped to its columns and to
// a grid of the segment's duration.
int PositionToTick(const void* chart, int position, int barLength);
// Lays the chart's columns out as equal beats of ticksPerBeat across the bar, each allotted
// the document's space for the duration class; the last column runs to 1024.
void BuildUniform(void* chart, int durationClass, int ticksPerBeat);
}  // namespace beatchart

// The space the current document allots to a note of a duration class (1 whole ... 7 64th),
// dotted or triplet: its spacing table's value x 120 / 20. Without a current document the
// program's current spacing table answers.
int GetAllotSpace(int durationClass, int dotted, int triplet);

// What the model asks of a note or rest: its onset, duration and written end (ticks, as
// floating values), its stem, the spelling of a head for the clef and key in force in its bar of
// a track, and a head's move by staff steps. The behaviour objects of the note family, bound
// to their type codes in the class table at start-up, answer them.
class NoteRecordBehaviour {
public:
    virtual ~NoteRecordBehaviour() = default;
    virtual double NoteOnset(const CBarItem& item) const = 0;
    virtual double NoteLength(const CBarItem& item) const = 0;
    virtual double NoteEnd(const CBarItem& item) const = 0;
    // mode 1 up, 2 down, 3 from the voice's setting, else automatic; propagate re-sides the
    // note's ties and marks its attached items when the direction changed.
    virtual void NoteUpdateStem(CBarItem& item, int mode, bool propagate) const = 0;
    virtual void NoteSpellHead(CTrkBar* trkBar, CBarItem& item, int head) const = 0;
    virtual void NoteMoveHead(CBarItem& item, int head, int delta) const = 0;
    // Reads and sets or clears one of the note's or rest's link flags (NoteLink), each through
    // the record's own operation; a class without them has none.
    virtual bool NoteHasLink(CBarItem& item, int link) const { return false; }
    virtual void NoteSetLink(CBarItem& item, int link, bool on) const = 0;
    // Head i's pitch from its staff position under the clef and key, with the accidental code
    // given (0: the key's pitch).
    virtual void NoteHeadFromPosition(CBarItem& item, int head, int accidental, int clef, int key) const {}
    // Head i one step up or down, chromatic (a semitone, spelt in the key) or diatonic (the next
    // staff position); whether the pitch changed.
    virtual bool NoteStepHead(CBarItem& item, int head, int clef, int key, bool up, bool chromatic) const { return false; }
    // The user's accidental (code 1-5) on head i under the clef and key.
    virtual void NoteApplyAccidental(CBarItem& item, int head, int accidental, int clef, int key) const {}
    // Shapes the ties that begin on the note's heads for the track (a record without ties: nothing).
    virtual void NotePlaceTies(CBarItem& item, int track) const {}
    // The staff position where a curve above or below the note meets it (a rest: 0).
    virtual int NoteAttachY(CBarItem& item, bool above) const { return 0; }
};
// The link flags of a note or rest: a slur ends or starts on it, another two-ended item ends or
// starts on it.
enum NoteLink : int { kSlurEndLink = 0, kSlurStartLink = 1, kLineEndLink = 2, kLineStartLink = 3 };
// The note family's answers for a record; a record whose class gives none (no note behaviour
// registered) has its time field as onset and end, no duration, and the rest do nothing.
double NoteOnsetTime(const CBarItem& item);
double NoteDuration(const CBarItem& item);
double NoteEndTime(const CBarItem& item);
void NoteUpdateStem(CBarItem& item, int mode, bool propagate = false);
void NoteSetLink(CBarItem& item, int link, bool on);
void NoteSpellHead(CTrkBar* trkBar, CBarItem& item, int head);
void NoteMoveHead(CBarItem& item, int head, int delta);
void NoteHeadFromPosition(CBarItem& item, int head, int accidental, int clef, int key);
bool NoteStepHead(CBarItem& item, int head, int clef, int key, bool up, bool chromatic);
void NoteApplyAccidental(CBarItem& item, int head, int accidental, int clef, int key);
void NotePlaceTies(CBarItem& item, int track);
bool NoteHasLink(CBarItem& item, int link);
int NoteAttachY(CBarItem& item, bool above);

// What the model asks of a two-ended item (a tie, slur, glissando, tuplet, group, bend, barre or
// pedal line): whether its curve or bracket lies above its notes. Their behaviour objects answer;
// without one the item's above flag (bit 0 of byte 16) does.
class LineRecordBehaviour {
public:
    virtual ~LineRecordBehaviour() = default;
    virtual bool LineIsAbove(const CBarItem& item) const = 0;
};
bool LineIsAbove(const CBarItem& item);
