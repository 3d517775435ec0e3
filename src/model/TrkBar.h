// The bar of a track: one track's part of one bar of the score, the record that owns every
// item (note, rest, beam, clef, tie, text, MIDI data, ...) the track has in that bar.
//
// Record (44 bytes, code 4), after the array-item head (index = bar number, track byte):
//   offset 12  run length    32-bit, bytes of the item run, end record included; 0 without a block
//   offset 16  run handle    the movable block that holds the run
//   offset 20  run address   kept 0: the block stays locked while the bar lives and its address
//                            comes from the handle (ItemBlock)
//   offset 10  flags         bits 0-2 the array item's; bits 3-7 the voices a transcription used
//   offset 24  voice used    8 bytes, one per voice: non-zero when the voice has notes or rests
//   offset 32  side buffer   a HandleBuffer's three words (count, size, handle)
//
// The item run: item records back to back from the run's first byte, the next one at this one
// plus its 16-bit size, ending with a bare bar item of type 255 and 16 bytes (the end record).
// Every walk stops at the first end record and never reads past the run. A deleted item keeps
// its place with the removed bit (bit 1 of its byte 9) until Compact drops it. Any operation
// that grows or shrinks the run may move every record: it returns the record's new address
// (null when memory ran out, with the run unchanged) and no pointer into the run survives it.
#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

#include "framework/Types.h"
#include "model/ArrayItem.h"
#include "model/BarItem.h"
#include "model/ItemArray.h"
#include "platform/Handles.h"

class CBar;
struct SpacingColumn;
struct EntryRequest;
class CChunkStream;
class CFile;
class CFontArray;
class CLine;
class CPage;
class CStaff;
class CTrack;

// Items a finder passes over as if they were removed, without touching their removed bits: the
// items a repeated search has already found.
struct FinderSkip {
    CBarItem* const* items = nullptr;
    int count = 0;
    bool Has(const CBarItem* item) const {
        for (int i = 0; i < count; ++i)
            if (items[i] == item) return true;
        return false;
    }
};

// A note's bar and time, as GetTieChainSpan gives the ends of a tie chain (the second and third
// 16-bit words of a 6-byte reference record).
struct TieChainEnd {
    std::uint16_t reserved = 0;
    std::uint16_t bar = 0;
    std::uint16_t time = 0;
};

// What GetVoiceStats gives: the voices in use, then per voice its item count and the average
// vertical value (staff position) of its items.
struct VoiceStats {
    std::uint16_t voicesInUse = 0;
    struct Voice {
        std::uint16_t count = 0;
        std::int16_t average = 0;
    } voice[8];
};

// A performance event as recording and import hand it to AddPerformanceNote.
struct PerformanceEvent {
    std::int32_t time = 0;       // ticks from the bar's start
    std::int32_t voice = 0;      // 0-7
    std::int32_t duration = 0;   // play length in ticks
    std::uint8_t key = 0;        // MIDI key
    std::uint8_t byte9 = 0;      // the head's ninth and tenth bytes (velocities)
    std::uint8_t byte10 = 0;
};

// One entry of the old-to-new position map of RecalcPositions: the items attached to a note or
// rest (beams, ties, slurs) find their new positions by the old position, voice and grace flag.
struct PositionMapEntry {
    std::uint8_t grace = 0;
    std::int16_t oldPosition = 0;
    std::int16_t newPosition = 0;
    std::int16_t voice = 0;
};
using PositionMap = std::vector<PositionMapEntry>;

// What a gap of a voice takes from the note or rest before it (for the first gap, after it):
// its value code, tuplet numbers and whole-tick duration.
struct GapInfo {
    int value = 0;
    int tupletCount = 0;
    int tupletSpan = 0;
    int duration = 0;
};
// An empty stretch of a voice, from a tick to a tick.
struct RestGap {
    int start = 0;
    int end = 0;
    GapInfo info;
};

class CTrkBar : public CArrayItem {
public:
    enum : int { kRun = 12, kRunHandle = 16, kRunAddress = 20, kVoiceUsed = 24, kSideBuffer = 32 };
    enum : int { kTranscribedVoicesShift = 3 };
    enum : std::uint8_t { kArrayFlagBits = 0x07 };
    static constexpr int kSize = 44;
    static constexpr int kTypeCode = 4;
    // The scratch record buffer of the sort: no record is larger.
    static constexpr int kScratchSize = 64000;

    // --- construction, copy and release ---
    // Builds the record in place: the array-item head, code 4, size 44, side buffer cleared.
    // The run fields are left for Init.
    static CTrkBar* Construct(void* record);
    // Sets the track and bar numbers and gives the bar an empty run (the end record alone);
    // false when the run cannot be allocated.
    bool Init(int track, int bar);
    // Deep copy into another bar of a track: a new block with a copy of the run, the bar and
    // track numbers; the target's old block is released. False (target untouched) when memory
    // runs out. The copy never shares a block with this bar.
    bool CopyTo(CTrkBar* target);
    // With freeBlock, frees the run's block and the side buffer's; in every case forgets them.
    // The run length stays as it was.
    void Release(bool freeBlock);
    using CScoreItem::Release;

    // --- the run ---
    ItemBlock* Block() { return ItemBlock::At(Bytes() + kRun); }
    const ItemBlock* Block() const { return ItemBlock::At(const_cast<std::uint8_t*>(Bytes()) + kRun); }
    std::uint32_t GetRunLength() const { return rec::Get<std::uint32_t>(this, kRun); }
    HGLOBAL GetRunHandle() const { return rec::Get<std::uint32_t>(this, kRunHandle); }
    // The first record of the run (null without a block).
    CBarItem* GetItems();
    CBarItem* FirstItem() { return GetItems(); }
    CBarItem* GetItemBuffer() { return GetItems(); }
    // The end record of the run (null when the run has none).
    CBarItem* GetEndRecord();

    // --- item-run operations ---
    // A new record of the type's class at the time; null for a code without a size or when
    // memory runs out.
    CBarItem* NewItem(int type, int time);
    // size zero bytes in front of the first live record at or after the time (the end record
    // when there is none), the time written into their time field.
    CBarItem* InsertSpace(int time, int size);
    // A copy of the record at its own time.
    CBarItem* InsertCopy(const CBarItem* record);
    // The whole content of a buffer of records at the time; returns the first copied byte.
    CBarItem* InsertBuffer(int time, const HandleBuffer& buffer);
    // Grows (zeroed bytes at the record's end) or shrinks (its last bytes cut) one record.
    CBarItem* ResizeItem(CBarItem* record, int delta);
    // An identical copy directly behind the record; returns the first of the two.
    CBarItem* DuplicateItem(CBarItem* record);
    // Grows or shrinks a note by delta 16-byte head entries, keeping its marks behind the
    // heads; new heads come from `heads` (delta x 16 bytes) or are zeroed.
    CBarItem* ResizeNote(CBarItem* note, const void* heads, int delta);
    // Drops removed records and fits every record to the size it asks for.
    void Compact();
    // Orders the run by time, and records at one time by ItemGoesAfter.
    void SortItems();
    // True when a, at the same time and in front of b, must move behind b.
    static bool ItemGoesAfter(CBarItem* a, CBarItem* b);

    // --- context and accessors ---
    // Makes this bar the current bar of a track, with its track, bar, system and staff.
    void SetCurrent();
    std::uint16_t GetBarIndex() const { return GetIndex(); }
    std::uint8_t GetTrackIndex() const { return GetTrackByte(); }
    CBar* GetBar();
    CLine* GetLine();
    CPage* GetPage();
    CStaff* GetStaff();
    CTrack* GetTrack();
    int GetMeterLength();
    int GetBeatLength();
    int GetLength();
    RECT* GetBounds(RECT* rect);
    // Passes the value to every live item's ResolveFonts (slot 59).
    void ForEachItem(CFontArray* fonts);
    // Asks the processor to bring the item run into its cache (a hint only).
    void PrefetchItems() const {
        const std::uint8_t* run = Block()->Address();
        if (!run) return;
        const std::uint32_t length = std::min<std::uint32_t>(GetRunLength(), 2048);
        for (std::uint32_t at = 0; at < length; at += 64) __builtin_prefetch(run + at);
    }
    std::uint8_t VoiceUsed(int voice) const { return rec::Get<std::uint8_t>(this, std::size_t(kVoiceUsed + (voice & 7))); }
    // The voices a transcription of the bar used (bits 3-7 of the flags byte; bits 0-2 stay).
    int GetTranscribedVoices() const { return GetFlags() >> kTranscribedVoicesShift; }
    void SetTranscribedVoices(int n) {
        SetFlags(std::uint8_t((GetFlags() & kArrayFlagBits) | (std::clamp(n, 0, 31) << kTranscribedVoicesShift)));
    }
    bool HasOtherVoice(int voice) const;
    // Per-voice counts and average staff positions; returns the voices in use.
    int GetVoiceStats(VoiceStats* stats, bool notesOnly);
    bool IsSpanFree(int voice, int time, int length);
    // The rectangle of the bar's MIDI data strip on its staff.
    RECT* GetRect(RECT* rect);
    // Lets every live item recompute its rectangle with this bar current.
    void MeasureItems();
    // A tuplet at the time, a copy of the template (a tuplet record), with the live notes and
    // rests of its voice from its start to its end position marked as its members and given
    // its two numbers.
    CBarItem* AddTuplet(const CBarItem& tupletTemplate, int time);

    // --- stored form (chunk BDAT) ---
    // Appends the bar's BDAT chunk. The track index plays no part.
    void Write(CChunkStream& stream, int track = 0);
    // Reads the next chunk as this bar's BDAT chunk, replacing the run. The second argument
    // plays no part. Out of memory raises the memory failure with the run unchanged; a damaged
    // record ends the run there, with a message.
    void Read(CChunkStream& stream, int unused = 0);
    // The same for a score read track after track, whose walks go bar by bar across the
    // tracks: the run's block lies behind `neighbour` (the same bar's block of the track
    // before; 0 for none) in its shared run when there is room, else first in a new run with
    // room for the `tracksLeft - 1` runs still to come at `expected` bytes each, the average of
    // the same bar's runs read so far (0: none read; room for a few more of this run's size).
    void ReadBeside(CChunkStream& stream, HGLOBAL neighbour, int tracksLeft, std::uint32_t expected);

    // --- queries and smaller operations ---
    // The next live record of the voice (-1: any) after *item (from the first when null); false
    // at the end, with *item on the end record.
    bool NextItem(CBarItem** item, int voice);
    // As NextItem, for notes only.
    bool NextNote(CBarItem** item, int voice);
    // An array of the live records other than MIDI data, sorted by CompareItems, in a new block
    // (*handle); the count, -1 when memory runs out.
    int GetSortedItems(HGLOBAL* handle);
    static int CompareItems(CBarItem* a, CBarItem* b);
    void PlaceRestVertically(CBarItem* rest);
    bool AddPerformanceNote(const PerformanceEvent& event);
    bool IsLastBar();
    int GetPageIndex();
    bool IsFirstInLine();
    int TickToFraction(int ticks);
    // Copies the bar's meter record (seven 32-bit words) into the 28-byte buffer; returns the bar.
    CBar* GetBarMeter(void* meter);
    int GetPickupOffset();
    std::int32_t GetBarStart();
    // The bar record and then its run from a block of the undo or clipboard form.
    // The run of an older file: a record of a code that cannot stand in a bar (a score record)
    // is damage, since it could neither be used nor saved back.
    void ReadFromBlock(CFile& file);
    // The codes a bar's run holds: bar items (16-175) and the end record (255).
    static bool IsRunCode(int type) { return (type >= 16 && type <= 175) || type == 255; }
    bool SplitToNextTrack(int track, int splitKey);
    bool CollectSlursOverNote(HandleBuffer* list, CBarItem* note);
    // After a whole score is read (file version): records come to their own sizes, notes
    // without heads are dropped, older expressions and lyrics are brought up to date. True when
    // the run changed.
    bool AfterLoadFixup(int version);
    void AvoidNotes(CBarItem* item, bool snap);
    // The beam that covers a note or rest (in an earlier bar for a note whose beam began
    // there); items in `skip` are passed over as if removed.
    CBarItem* FindBeamOfNote(CBarItem* note, const FinderSkip* skip = nullptr);
    CBarItem* FindTieEndNote(CBarItem* tie, int* head, bool backwards);
    CBarItem* FindTwoEndedAtHead(CBarItem* note, int head, int type, int mode, bool flag);

    // --- finders of an item's partners (TrkBarFinders*.cpp) ---
    // Every finder reads live records only and writes no removed bit. g_model.finderBar names
    // the bar of a track in which the last finder that says so found its item (or searched
    // last); the finders that may leave this bar also give that bar through `foundBar`.
    //
    // Selectors of the two-ended finders: a type code; -1 a slur or any line item; -2 any line
    // item. A hairpin matches every selector.
    //
    // The tie or glissando that starts at a head, in this bar.
    CBarItem* FindTieFrom(CBarItem* note, int head);
    CBarItem* FindGlissFrom(CBarItem* note, int head);
    // The tie that ends at a head: in this bar with no bar offset, else (not in bar 0) in the
    // previous bar with one. A glissando likewise, except that a note at time 0 is looked for
    // in the previous bar only.
    CBarItem* FindTieInto(CBarItem* note, int head) { return FindTieInto(note, head, nullptr); }
    CBarItem* FindTieInto(CBarItem* note, int head, CTrkBar** foundBar);
    CBarItem* FindGlissInto(CBarItem* note, int head) { return FindGlissInto(note, head, nullptr); }
    CBarItem* FindGlissInto(CBarItem* note, int head, CTrkBar** foundBar);
    // The note the head's tie goes to (or comes from), *head becoming that note's head.
    CBarItem* FindTiedNote(CBarItem* note, int* head, CTrkBar** foundBar = nullptr);
    CBarItem* FindTiedFromNote(CBarItem* note, int* head, CTrkBar** foundBar = nullptr);
    // The beam that starts on a note whose beam did not begin in an earlier bar (its time and
    // first-note position the note's), in this bar; the beam whose last-note position is the
    // note's (for a note whose beam began earlier, the beam that covers it).
    CBarItem* FindBeamStartingAt(CBarItem* note);
    CBarItem* FindBeamEndingAt(CBarItem* note);
    // An item of the selector and the note's voice that ends on the note's position in this bar:
    // looked for in this bar and then in the earlier bars back to bar 0.
    CBarItem* FindLineEndingAt(CBarItem* note, int kind, CTrkBar** foundBar = nullptr, const FinderSkip* skip = nullptr);
    // An item of the selector and the note's voice that starts at the note's position, in this bar.
    CBarItem* FindLineStartingAt(CBarItem* note, int kind, const FinderSkip* skip = nullptr);
    // The note or rest an item's start (in this bar) or end (in the bar its end bar offset names)
    // rests on: of its voice, at that position and staff offset, and taken by the item.
    CBarItem* FindLineStartNote(CBarItem* item);
    CBarItem* FindLineEndNote(CBarItem* item, CTrkBar** foundBar = nullptr);
    // The times of an item's ends in ticks from this (its own) bar's start, by the notes and
    // rests of its voice: the start at the one at its start position (else the end of the last
    // before it), the end at the one at its end position in its end bar (else the end of the
    // last before it there, else its end position's time in that bar). A two-ended item that
    // starts on a note ends where that note ends. A walk that runs past the last bar ends there.
    void GetLineSpanTimes(CBarItem* item, int* start, int* end);
    // The first (with last, the last) tuplet of the note's voice in this bar whose span of time
    // holds the note's time.
    CBarItem* FindTupletOfNote(CBarItem* note, bool last, const FinderSkip* skip = nullptr);
    // The first octave line of this bar, live or the given one itself, of the same vertical
    // offset and byte 17 as the given one: the record of the given one's chain in this bar.
    CBarItem* FindOttava(CBarItem* ottava);
    // The pitch shift in semitones that the first octave line of the item's voice in this bar
    // gives at the item's position (0 before a chain's start and after its end).
    int GetOttavaShiftAt(CBarItem* item);
    // The next record of the item's type and voice (a note of the same grace kind) after the
    // item's position, in this bar and then in the later bars; *bar gets its bar number.
    CBarItem* FindNextItemOfKind(CBarItem* item, int* bar);
    // The last record of the type and voice (-1: any) before the position, in this bar and then
    // in the earlier bars (whole); *bar gets its bar number.
    CBarItem* FindPrevItemOfType(int position, int voice, int type, int* bar);
    // The note or rest of a shown voice next to the position: backwards the last one before it,
    // else the last one of the previous bar; forwards the first one after it, else the first one
    // of the next bar. *bar gets its bar number.
    CBarItem* FindAdjacentNoteOrRest(int position, int* bar, bool forward);
    // The lyric of the verse on the next (previous) note after (before) the position, or the next
    // (previous) note that has none, in this bar and then the following (earlier) bars; with
    // skipTied notes tied into are passed over. *bar gets its bar number.
    CBarItem* FindNextLyric(int position, int voice, int verse, int* bar, bool skipTied);
    CBarItem* FindPrevLyric(int position, int voice, int verse, int* bar, bool skipTied);
    // The ticks from the start of the first note of the head's tie chain to the end of its last
    // note, and where the chain begins and ends.
    int GetTieChainSpan(CBarItem* note, int head, TieChainEnd* first, TieChainEnd* last);
    // The ticks from the note's time to the end of the last note its head is tied on to (by
    // written durations with useNoteValue, else by the heads' play durations).
    int GetTiedLength(CBarItem* note, int head, bool useNoteValue);
    // The ticks from the head's play start (-32767: the average of the heads') to the next sound
    // of the note's voice: the next rest, or the first later head play start of the next notes.
    int GetTimeToNext(CBarItem* note, int head);
    // The items of a kind attached to a note into out (at most `capacity`): 0 the slurs and line
    // items that end on it, 1 those that start on it, 4 its tuplets, 5 its beam. Returns their
    // count. No removed bit is written: each search passes over the items already found.
    int GetAttachedItems(CBarItem* note, CBarItem** out, int capacity, int kind);
    // Clears the note's link flags, in-tuplet and beamed bits that no item backs any more.
    void UpdateAttachedItems(CBarItem* note);
    // The live note or rest of the voice (-1: any) nearest the position: with atOrAfter the
    // first at or after it; else the nearest, the earlier of equally near ones.
    CBarItem* FindNearestNoteOrRest(int voice, int position, bool atOrAfter, bool notesOnly);
    // The first live note or rest of the voice (-1: any) whose position lies from position -
    // width / 2 to position + width x 3 / 2 (a note drawn shifted right also one staff space
    // further on).
    CBarItem* FindNoteOrRestAtX(int voice, int position, int width);
    // The first live record of the voice, time and type (a lyric only of the verse, -1 any).
    CBarItem* FindItemOfKindAt(int voice, int time, int type, int verse);
    // The time at a page x: a note's or rest's own time on its position, else the time between
    // its neighbours in proportion.
    int XToTick(int x);

    // The bar of the same track `step` bars away in the track's array (null outside it).
    CTrkBar* Neighbour(int step);

    // --- recalculation after an edit (TrkBarRecalc.cpp, TrkBarRecalcTimes.cpp) ---
    // Lays out the beams, tuplets, slurs and groups flagged for layout (mode: the beams' layout
    // mode), unbeams notes no beam covers, re-attaches the slurs and re-times the bar when a
    // tuplet changed.
    void Recalc(int mode);
    // Derives every item's time again from the durations of its voice, sorts the run and renews
    // the bar's content length (and the score's bar start times when it changed); a pickup bar's
    // contents are moved to end at the bar line. Returns the ticks by which the first voice that
    // does not fill the bar overflows (positive) or falls short (negative), with its track and
    // voice written through the pointers given; 0 when every voice fits.
    int RecalcTimes(int* track, int* voice);
    // Fits every tuplet of the voice to the notes and rests under it; one over nothing goes.
    void RefitTuplets(int voice);
    // Re-attaches the two-ended items to their end notes, flags the beams of beamed slash notes
    // for layout, then Recalc(1).
    void UpdateTies();
    // Tells every two-ended item the note or rest it starts and ends on.
    void AttachLineEnds();
    // Stems by the voices: fixed gives voices 0, 3, 5 up and 1, 4, 7 down (2 and 6 automatic);
    // else the highest voice up and the lowest down when two or more voices are in use.
    void ApplyVoiceStems(bool fixed);
    // Beams one voice by the meter from a time to the bar's end.
    void Rebeam(int voice, int from);
    // The time of the first note or rest of the voice (-1: any) at or after a position (a staff
    // space of slack), else the end of the last one before it, else 0.
    int PositionToVoiceTime(int voice, int position);
    // True when a note of the slur's voice with its stem down lies under the slur (from its start
    // to its end when it ends in its own bar, else to the end of the bars it reaches).
    bool HasStemDownUnderSlur(CBarItem* slur);
    // Gives a run of grace notes consecutive play starts ending at their main note's, when any
    // of them would not play after the one before.
    void SpreadGraceNotes(CBarItem** notes, int count, int mainOffset);
    // Puts the chord symbols and guitar frames on the beats.
    void SpaceChordSymbols();
    // Lays the chords of the voice out again from a position on.
    void ArrangeNotesFrom(int voice, int position);

    // --- clefs, keys and accidentals (TrkBarKeyClef.cpp) ---
    // The clef code and key in force in this track at a column position of this bar: the
    // system staff's clef and key, then every live clef and counting key signature from the
    // system's first bar up to this bar, in this bar those at or before the position.
    void GetClefAndKeyAt(int position, int* clef, int* key);
    // Works out the accidental code and shown flag of every head standing on this bar's staff,
    // with the heads of the two tracks before and after it feeding the per-step state.
    void RecalcAccidentals();
    // Replaces the key signatures at the column with a new one (written key `key`; flag1,
    // flag2 and flags34 its display options, keep a key shown only at the bar's end, option its
    // colour) and, unless keep, respells this bar from the column and the following bars up to
    // lastBar (-1: the last bar). Nothing changes on a staff that is not standard (true); false
    // when the key signature could not be made.
    bool InsertKeySig(int position, int lastBar, int key, int respellMode, bool flag2, int flags34, bool flag1,
                      int keep, int option);
    // Writes the notes of this bar from the column, and of the following bars up to lastBar
    // (-1: the last bar), again for a key change from oldKey to key; respellMode 0 keeps what
    // sounds, 1 and -1 move the notes with the key up or down. Key signatures met after this bar
    // go. Nothing changes on a percussion staff.
    void RespellForKey(int position, int lastBar, int key, int oldKey, int respellMode);
    // Moves the heads standing on this staff from the column up to the next clef for a clef
    // change to `clef`, keeping what they sound; heads tied over from before keep the whole note
    // where it is. Nothing changes on a percussion staff.
    void RepositionForClef(int position, int clef);
    // After a key signature's edit: the score's bars, this bar's times and its accidentals again.
    void RecalcAfterKeyChange();

    // --- notes across bar lines (TrkBarAcross.cpp) ---
    // Places a note or rest record of this bar's run where its time says: a time past the bar's
    // end moves it on to the bar it falls in, and a note or rest running over the bar line is
    // cut there and goes on, tied, at the start of the next bar (as often as it needs). False,
    // with the record left where it was, when its time lies beyond the last bar or memory runs
    // out; a piece that would run past the last bar ends at its bar line.
    bool InsertAcrossBars(CBarItem* record);
    // Puts a note sounding `length` ticks into this bar, its heads spelled for the clef and key
    // at its column: into the given voice or, for voice -1, a rest's voice that holds it or the
    // first voice free at its time; a note of that time that reaches as far (or has the same
    // value) takes its heads as a chord instead. Returns the note placed or merged into, null
    // when memory ran out.
    CBarItem* MergeNote(const CBarItem* note, int length, int voice);

    // --- column widths and positions (TrkBarColumns*.cpp) ---
    // Raises the width after and the space before of each of the caller's columns (and the
    // first column's end space) to what this bar's items need.
    void MeasureColumns(SpacingColumn* columns, int count);
    // The needs of one note or rest at its column, after the previous note or rest of its voice.
    void MeasureNoteColumn(CBarItem* item, CBarItem* previous, SpacingColumn* column, bool firstColumn);
    // From column `from` on, while a column starts before its time + duration and is not the
    // last, its width after rises to its share of width by time.
    static void SpreadColumnWidth(SpacingColumn* columns, int from, int count, int width, int duration);
    // Per column: the index copied, the larger width after and space before kept.
    static void MergeColumns(SpacingColumn* target, const SpacingColumn* source, int count);
    // The positions of one voice's items (every voice for -1) from their times: see
    // TrkBarColumnsPositions.cpp.
    void RecalcPositions(int voice);
    // The new position of an old position of the item's voice and grace flag (the old one when
    // the map has none).
    static int MapPosition(const PositionMap& map, CBarItem* item, int oldPosition, bool grace);

    // --- entering notes and rests (TrkBarEntry.cpp) ---
    // Enters the request's note as a new note or, with allowChord, as one more head of a note
    // near it (crossOffset: the new head's cross-staff offset), then makes the bar whole by the
    // automatic options. Updates the request's time, position, voice and stem. False when no
    // room could be made: removals already marked stay, for the caller's undo to give back.
    bool InsertNote(EntryRequest& request, bool allowChord, int crossOffset);
    // Enters the request's rest, replacing a note or rest at the click or going to the
    // neighbouring voice; false when no room could be made.
    bool InsertRest(EntryRequest& request);

    // --- gaps filled with rests (TrkBarEntryGaps.cpp) ---
    // Fills the voice's gaps with rests that follow the meter. removeRests first takes every
    // rest of the voice away; markHidden hides the new rests before the last entry's time;
    // finish re-times and sorts the bar afterwards (and respaces the voice with automatic
    // spacing). False when a rest could not be made (those made stay).
    bool FillGaps(int voice, bool removeRests, bool markHidden, bool finish);
    // The voice's gaps, in time order; the count.
    int FindGaps(int voice, std::vector<RestGap>* gaps, bool removeRests);
    // Rests for one gap, each with the default staff position of its value + verticalOffset.
    bool FillGap(int voice, int start, int end, int verticalOffset, bool markHidden, const GapInfo& info);

private:
    void SetRunLength(std::uint32_t n) { rec::Put<std::uint32_t>(this, kRun, n); }
    void SetVoiceUsed(int voice, std::uint8_t v) { rec::Put<std::uint8_t>(this, std::size_t(kVoiceUsed + voice), v); }
};
ZEL_RECORD_VIEW(CTrkBar);

// The bar of a track's operations on the class slots.
class TrkBarBehaviour : public ArrayItemBehaviour {
public:
    static const TrkBarBehaviour& Instance();
    void Release(CScoreItem& item) const override;                            // slot 3
    bool CopyTo(CScoreItem& item, CScoreItem* target) const override;        // slot 13
    CScoreItem* Clone(CScoreItem& item) const override;                      // slot 14
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;            // slot 16
    std::int32_t GetRecordSize(CScoreItem& item) const override;             // slot 24
    void ReadRaw(CScoreItem& item, CFile& file) const override;              // slot 46
    void Read(CScoreItem& item, CChunkStream& stream) const override;        // slot 53
    void Write(CScoreItem& item, CChunkStream& stream) const override;       // slot 54
    void ResolveFonts(CScoreItem& item, CFontArray* fonts) const override;   // slot 59
};

// A growable list of 28-byte point records (seven 32-bit values; the fourth and fifth are a
// point's x and y).
class PointList {
public:
    PointList();
    ~PointList();
    PointList(const PointList&) = delete;
    PointList& operator=(const PointList&) = delete;
    bool Add(std::int32_t v0, std::int32_t v1, std::int32_t v2, std::int32_t x, std::int32_t y, std::int32_t v5,
             std::int32_t v6);
    // The first record whose point lies within 2 of (x, y) in both coordinates.
    std::int32_t* FindNear(int x, int y);
    int Count() const;

private:
    HandleBuffer buffer;
};
