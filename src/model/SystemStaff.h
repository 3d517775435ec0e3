// The staff of one track in one system (126 bytes, type code 2), an element of the system's
// staff array: its size and lines, the clef and key that start it, its place on the page and
// its brackets, and the conversions between staff positions, label units and page y that all
// staff-relative placement goes through. The staff's drawing and drags come later.
//
// Staff positions count half spaces upward from the middle line (position 0); label units are
// 1/120 of a staff space and are scaled by the exact (unrounded) space height.
//
//   offset  7  scale percent (head byte; 100 by default)
//   offset  8  index (the staff's track; array-item head)
//   offset 12  note-head width, 16-bit (6)
//   offset 14  staff-line pen width class (1)
//   offset 15  space height in pixels (6; at least 1); half of it is a frame placement's margin
//   offset 16  key shown at the start of the system
//   offset 17  clef shown at the start of the system (13 tablature)
//   offset 18  music font size, 16-bit (24)
//   offset 20  line mask, 16-bit (bit i draws line i; 0x07C0 five lines)
//   offset 22  flags: bit 0 selected / drawn in this paint, bit 1 shown, bit 2 group
//              continuation, bit 3 joined opening barline (bits 0-3 stored)
//   offset 23  display: bit 0 font size rounded up, bit 1 key suppressed, bit 5 clef shown,
//              bit 6 time signature shown, bit 7 key signature shown (bits 2-7 stored)
//   offset 24  spacing above the staff, 16-bit twentieths of a point
//   offset 26  middle line y (staff position 0), 16-bit
//   offset 28  rectangle: left, top line, right, bottom line (32-bit each; not stored)
//   offset 44  four bracket slots of 10 bytes: kind, span, top extension, bottom extension,
//              width, x offset (the last four 16-bit twentieths of a point)
//   offset 84  vertical offsets of lyric lines 1-8 (16-bit)
//   offset 100 placement lines A (16-bit; the chord-line offset), B (staff position), C, D, E
//   offset 110 key-signature colour (not stored)
//   offset 112 text gap (not stored)
//   offset 114 name indent, 16-bit twentieths of a point (60; not stored)
//   offset 116 exact space height (double; not stored)
//   offset 124 right end of right-aligned track labels (not stored)
//
// Chunk "STAF" (no count word): size word, type byte, scale, pen width, the font size's low
// byte, space height, clef, key, placement line B, flag bits 0-3 of byte 22 and bits 2-7 of
// byte 23 one byte each, note-head width, line mask, spacing, the eight lyric offsets and
// placement line A as coordinates; from version 0x400 on placement lines C, D, E as
// coordinates and a 0 word; then each bracket slot as kind, span and four coordinates.
#pragma once
#include <cstdint>

#include "model/ArrayItem.h"

struct EngraverSettings;

// The engraver settings of the document being built or laid out; the defaults without one.
const EngraverSettings& CurrentEngraverSettings();

class CStaff : public CArrayItem {
public:
    enum : int {
        kHeadWidth = 12,
        kPenWidth = 14,
        kSpace = 15,
        kKey = 16,
        kClef = 17,
        kFontSize = 18,
        kLineMask = 20,
        kFlags = 22,
        kDisplay = 23,
        kSpacing = 24,
        kMiddleY = 26,
        kRect = 28,
        kBrackets = 44,
        kBracketSize = 10,
        kLyricOffsets = 84,
        kPlaceA = 100,
        kChordLine = kPlaceA,
        kPlaceB = 102,
        kPlaceC = 104,
        kPlaceD = 106,
        kPlaceE = 108,
        kKeyColor = 110,
        kTextGap = 112,
        kNameIndent = 114,
        kExactSpace = 116,
        kLabelRight = 124,
        kSize = 126,
    };
    // Flag byte 22.
    enum : std::uint8_t { kSelectedBit = 0x01, kShownBit = 0x02, kGroupContinuesBit = 0x04, kJoinedBarlineBit = 0x08 };
    // Display byte 23.
    enum : std::uint8_t {
        kRoundedUpBit = 0x01,
        kKeySuppressedBit = 0x02,
        kClefShownBit = 0x20,
        kMeterShownBit = 0x40,
        kKeyShownBit = 0x80,
    };
    // Bracket slot fields.
    enum : int { kBracketKind = 0, kBracketSpan = 1, kBracketTop = 2, kBracketBottom = 4, kBracketWidth = 6, kBracketX = 8 };
    static constexpr int kBracketSlots = 4;
    static constexpr int kTablatureClef = 13;
    static constexpr std::uint16_t kFiveLines = 0x07C0;

    // Builds the record in place: code 2, size 126.
    static CStaff* Construct(void* record);

    // New staff values; the spacing is the current engraver settings' staff spacing + 480.
    void SetDefaults();
    // Stores the scale (100 included) and sizes the staff for it at the current zoom.
    void SetScale(int percent);
    void SetSize(int percent) { SetScale(percent); }
    // Recomputes space height, font size and pen width class from the scale and the zoom (the
    // current document's, or the one given).
    void UpdateSpacing();
    void UpdateSpacing(int zoom);
    // Places the staff: middle line y, left and right, and its top and bottom lines.
    void SetPosition(int x, int y, int width);
    // Brings the coordinates the file stores in fifths (spacing, lyric lines, placement lines,
    // brackets) to that precision: an older raw record may hold any value.
    void KeepStoredPrecision();
    // Fills fields that older or damaged records leave at 0: font size 24, the space height
    // from the note-head width's low byte, placement lines C 480, D -240 and E -600. True when
    // it filled any.
    bool RepairDefaults();

    // --- positions, label units and y ---
    // The y of a staff position; sets the artist's half-pixel hint for odd pixel offsets.
    int PositionToY(int pos) const;
    // The nearest staff position: within a fifth of a space of a line snaps to the line.
    int YToPosition(int y) const;
    // The staff position of y, and in *steps the label units from that position's y to y.
    int YToPositionStep(int y, int* steps) const;
    // The y of a position plus a scaled label-unit offset.
    int PositionToYOffset(int pos, int offset) const { return PositionToY(pos) + ScaleOffset(offset); }
    // Label units to pixels (truncated toward zero), and the smallest-error inverse.
    int ScaleOffset(int units) const;
    int UnscaleOffset(int pixels) const;
    // The y of a vertical offset from the middle line, and back.
    int OffsetToY(int units) const { return GetMiddleY() + ScaleOffset(units); }
    int YToOffset(int y) const;
    // The next offset value in the direction (+1 or -1) whose y differs from the value's y.
    int StepToNextY(int value, int direction) const;
    int PixelsToHalfSpaces(int v) const;
    int PixelsToQuarterSpaces(int v) const;
    int HalfSpacesToPixels(int v) const;
    int ScaleQuarterSpaces(int v) const;
    // A length at the staff's scale and the document's zoom.
    int ScaleLength(int v) const;
    // Sets the artist's pen to the width scaled to the space height and returns that width.
    int SetScaledPenWidth(int w) const;

    // --- placement lines, lyric lines and labels ---
    std::int16_t GetDistanceValue() const { return GetSpacing(); }
    std::int16_t GetReferenceY() const { return GetMiddleY(); }
    std::int16_t GetPlaceA() const { return rec::Get<std::int16_t>(this, kPlaceA); }
    // Line A is the chord-line offset: chord symbols' and guitar frames' y offsets are added to it.
    std::int16_t GetChordLine() const { return GetPlaceA(); }
    std::int16_t GetPlaceB() const { return rec::Get<std::int16_t>(this, kPlaceB); }
    std::int16_t GetPlaceC() const { return rec::Get<std::int16_t>(this, kPlaceC); }
    std::int16_t GetPlaceD() const { return rec::Get<std::int16_t>(this, kPlaceD); }
    std::int16_t GetPlaceE() const { return rec::Get<std::int16_t>(this, kPlaceE); }
    void SetPlaceA(int v) { rec::Put(this, kPlaceA, std::int16_t(v)); }
    void SetPlaceB(int v) { rec::Put(this, kPlaceB, std::int16_t(v)); }
    void SetPlaceC(int v) { rec::Put(this, kPlaceC, std::int16_t(v)); }
    void SetPlaceD(int v) { rec::Put(this, kPlaceD, std::int16_t(v)); }
    void SetPlaceE(int v) { rec::Put(this, kPlaceE, std::int16_t(v)); }
    // Lyric line k (0-7); 0 outside.
    std::int16_t GetLyricOffset(int k) const { return k >= 0 && k < 8 ? rec::Get<std::int16_t>(this, kLyricOffsets + 2 * k) : 0; }
    void SetLyricOffset(int k, int v) { if (k >= 0 && k < 8) rec::Put(this, kLyricOffsets + 2 * k, std::int16_t(v)); }
    std::int16_t GetTextGap() const { return rec::Get<std::int16_t>(this, kTextGap); }
    void SetTextGap(int v) { rec::Put(this, kTextGap, std::int16_t(v)); }
    std::uint8_t GetKeyColor() const { return rec::Get<std::uint8_t>(this, kKeyColor); }
    void SetKeyColor(std::uint8_t v) { rec::Put(this, kKeyColor, v); }
    std::int16_t GetLabelRight() const { return rec::Get<std::int16_t>(this, kLabelRight); }
    void SetLabelRight(int v) { rec::Put(this, kLabelRight, std::int16_t(v)); }
    // The y of a text beside the staff from its record (16-bit size, width, offset above,
    // offset below): above the staff (below false) or below it.
    int GetTextY(const void* text, bool below) const;

    // --- drawing ---
    // The whole staff: lines, clef and key at the system's start, the placement handle of the
    // position display that is on, the track's mute or solo marks (slot 4).
    void Draw();
    // The lines (only every other line below a space of 2 pixels).
    void DrawLines();
    // The staff's lines again between two x (a key signature's clean lines).
    void DrawLinesBetween(int left, int right);
    void DrawClef(int x);
    // Ledger lines from a note at staff position pos toward the staff (none for -5 to 5).
    void DrawLedgerLines(int x, int pos);
    // A placement handle (0-12, as GetHandleRect; 5 draws one per lyric line the document
    // shows), with a dotted guide along the placement line across the staff.
    void DrawHandle(bool guide, int which);
    void DrawOneHandle(bool guide, int which);
    // Digits and "+" in the music font: their width, and drawing them from x.
    int MeasureGlyphString(const char* text);
    void DrawGlyphString(int x, int y, const char* text);
    // The drawing colour of an item drawn on the staff that is flagged for colour (bit 2 of
    // its byte 12): its own colour while the score shows colours, the default colour when the
    // score does not or the colour lies outside the document palette. An item without the
    // flag leaves the colour as it is.
    void DrawItemColour(CScoreItem* item);
    // Line thickness 0 (stems), 1 (staff lines) or 2 (ledger lines) at the staff's font size,
    // twentieths of a point.
    int Thickness(int which) const;
    // A key signature at x: the new key's accidentals and the naturals that cancel the old
    // key; right-aligned signatures end at startX.
    void DrawKeySignature(int x, int startX, int newKey, int oldKey, int clef, int cancelMode, int drawPart,
                          bool rightAligned, int colour);
    // A time signature at x; returns its width and stores x + width / 2 in the 16-bit word at
    // byte 10 of `out` (the bar's meter display words; null: nowhere).
    int DrawTimeSignature(int x, const struct Meter* meter, std::uint8_t* out);
    // The enclosure of an item's rectangle from its 12-byte enclosure record (two bytes and two
    // words kept; the horizontal and vertical gaps in twentieths at bytes 6 and 8, the pen width
    // at 10): a box, the rectangle widened by the gaps through the item's scaling, outlined with
    // the pen (at least 10). The record is read, never changed.
    static constexpr int kEnclosureSize = 12;
    void DrawEnclosure(CScoreItem& item, const RECT& box, const std::uint8_t* record) const;

    // --- hit areas and handles ---
    // A shown staff is hit within a third of a space of its left or right edge.
    bool HitTest(int x, int y) const;
    // The rectangle of placement handle `which`: 0 A, 1 B, 2 C, 3 D, 4 E, 5-12 lyric lines 1-8.
    RECT* GetHandleRect(RECT* rect, int which) const;
    bool HitHandle(int x, int y, int which) const;

    std::uint8_t GetScalePercent() const { return Scale() ? Scale() : 100; }
    std::int16_t GetHeadWidth() const { return rec::Get<std::int16_t>(this, kHeadWidth); }
    std::uint8_t GetPenWidth() const { return rec::Get<std::uint8_t>(this, kPenWidth); }
    // The margin a guitar frame's placement adds to the press x: half the space-height byte
    // (rounded up), the distance from a frame's x to its diagram's centre, so that a frame
    // dropped where it stood keeps its place.
    int GetFrameMargin() const { return (GetLineSpacing() + 1) / 2; }
    std::uint8_t GetLineSpacing() const { return rec::Get<std::uint8_t>(this, kSpace); }
    void SetLineSpacing(std::uint8_t v) { rec::Put(this, kSpace, v); }
    std::uint8_t GetKey() const { return rec::Get<std::uint8_t>(this, kKey); }
    void SetKey(std::uint8_t v) { rec::Put(this, kKey, v); }
    std::uint8_t GetClef() const { return rec::Get<std::uint8_t>(this, kClef); }
    void SetClef(std::uint8_t v) { rec::Put(this, kClef, v); }
    std::int16_t GetFontSize() const { return rec::Get<std::int16_t>(this, kFontSize); }
    void SetFontSize(std::int16_t v) { rec::Put(this, kFontSize, v); }
    std::uint16_t GetLineMask() const { return rec::Get<std::uint16_t>(this, kLineMask); }
    void SetLineMask(std::uint16_t v) { rec::Put(this, kLineMask, v); }
    std::uint8_t GetStaffFlags() const { return rec::Get<std::uint8_t>(this, kFlags); }
    void SetStaffFlags(std::uint8_t v) { rec::Put(this, kFlags, v); }
    std::uint8_t GetDisplay() const { return rec::Get<std::uint8_t>(this, kDisplay); }
    void SetDisplay(std::uint8_t v) { rec::Put(this, kDisplay, v); }
    bool IsShown() const { return (GetStaffFlags() & kShownBit) != 0; }
    void SetShown(bool on) { SetFlagBit(kShownBit, on); }
    bool IsSelected() const { return (GetStaffFlags() & kSelectedBit) != 0; }
    void SetSelected(bool on) { SetFlagBit(kSelectedBit, on); }
    std::int16_t GetSpacing() const { return rec::Get<std::int16_t>(this, kSpacing); }
    void SetSpacing(std::int16_t v) { rec::Put(this, kSpacing, v); }
    std::int16_t GetMiddleY() const { return rec::Get<std::int16_t>(this, kMiddleY); }
    RECT GetRect() const;
    std::int32_t GetLeft() const { return rec::Get<std::int32_t>(this, kRect); }
    std::int32_t GetRight() const { return rec::Get<std::int32_t>(this, kRect + 8); }
    std::int32_t GetTopLine() const { return rec::Get<std::int32_t>(this, kRect + 4); }
    std::int32_t GetBottomLine() const { return rec::Get<std::int32_t>(this, kRect + 12); }
    std::int16_t GetNameIndent() const { return rec::Get<std::int16_t>(this, kNameIndent); }
    void SetNameIndent(std::int16_t v) { rec::Put(this, kNameIndent, v); }
    double GetExactSpace() const { return rec::Get<double>(this, kExactSpace); }
    // The space height the conversions divide by: never below 1.
    int Space() const { return GetLineSpacing() ? GetLineSpacing() : 1; }
    // The exact space height the label units scale by; the whole space height while the staff
    // has not been measured yet.
    double Exact() const { return GetExactSpace() > 0 ? GetExactSpace() : double(Space()); }

    // Bracket slot i (0-3).
    std::uint8_t* Bracket(int i) { return Bytes() + kBrackets + i * kBracketSize; }
    const std::uint8_t* Bracket(int i) const { return Bytes() + kBrackets + i * kBracketSize; }
    std::uint8_t GetBracketKind(int i) const { return Bracket(i)[kBracketKind]; }
    std::uint8_t GetBracketSpan(int i) const { return Bracket(i)[kBracketSpan]; }
    void SetBracketSpan(int i, std::uint8_t v) { Bracket(i)[kBracketSpan] = v; }

    // True when one of the bracket slots has kind 1 to 4; *last receives the staff index plus
    // that slot's span.
    bool OpensBracketGroup(int* last) const;
    bool GetBracketEnd(int* last) const { return OpensBracketGroup(last); }
    // The highest and lowest line bit of the mask among bits 0-14 (7 when none is set).
    int GetHighestLineBit() const;
    int GetLowestLineBit() const;
    // A staff of one line: its top and bottom lines coincide.
    bool IsOneLine() const { return GetHighestLineBit() == GetLowestLineBit(); }

private:
    void SetFlagBit(std::uint8_t bit, bool on) { SetStaffFlags(on ? std::uint8_t(GetStaffFlags() | bit) : std::uint8_t(GetStaffFlags() & ~bit)); }
};
ZEL_RECORD_VIEW(CStaff);

class StaffBehaviour : public ArrayItemBehaviour {
public:
    static const StaffBehaviour& Instance();
    void Draw(CScoreItem& item) const override;                             // slot 4
    // Asks the document for the track setup (command 33009).
    void OpenProperties(CScoreItem& item, int x, int y) const override;    // slot 10
    bool HitTest(CScoreItem& item, int x, int y) const override;           // slot 15
    void SetScale(CScoreItem& item, int percent) const override;           // slot 37
    void Read(CScoreItem& item, CChunkStream& stream) const override;     // slot 53: "STAF"
    void Write(CScoreItem& item, CChunkStream& stream) const override;    // slot 54
    int ScaleToView(CScoreItem& item, int v) const override;               // slot 71: ScaleLength
    int TwentiethsToView(CScoreItem& item, int v) const override;          // slot 73: ScaleOffset
    int ViewToTwentieths(CScoreItem& item, int v) const override;          // slot 74: UnscaleOffset
    // Staff drags (the current system's staff): sideways from the left half the system's left
    // indent, from the right half its right indent; up and down the staff itself, never onto
    // the staff shown above it. The end carries the move into the placement of the staves.
    void BeginDrag(CScoreItem& item) const override;                        // slot 41
    void DragBy(CScoreItem& item, CDragTask* drag) const override;          // slot 42
    void EndDrag(CScoreItem& item, CDragTask* drag) const override;         // slot 43
    void DrawDragFeedback(CScoreItem& item) const override;                 // slot 44
};

// The record of the staff drag that runs: where it began (the staff hit test notes the point),
// the staff's rectangle then, and how far it has moved.
struct StaffDragState {
    int hitX = 0;                 // where the last staff hit test hit
    bool leftHalf = false;        // the drag began left of the staff's middle
    int startTop = 0;             // the staff's top line as the drag began
    int movedX = 0, movedY = 0;   // the move so far, drawing units
    bool wholeScore = false;      // carry the end to every later system, not only the page's
};
extern StaffDragState g_staffDrag;

