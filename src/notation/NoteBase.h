// The note and rest base: what the rhythmic items of a bar share. A rest, a performance note
// and a notated note all start with these bytes after the bar-item head:
//
//   offset 16  tuplet count      8-bit: notes that make up the tuplet group (0: no ratio)
//   offset 17  tuplet space      8-bit: notes of this value the group's time equals
//   offset 18  flags             layout 1+1+1+1+1+1+2: bit 0 slash head, bit 1 grace, bit 2 the
//                                item continues a beam of an earlier bar, bit 3 beamed, bit 4
//                                tuplet member, bit 5 a head of the chord right of the stem;
//                                bits 6-7 dot count 0-3
//   offset 19  value             layout 1+3+4: bit 0 half flag, bits 1-3 mark count 0-7,
//                                bits 4-7 note-value code 0-8
//
// The class's own bytes follow from offset 20; after them lie up to seven NoteMark records,
// back to back, covered by the record size. Stored: bytes 16 and 17 raw, 18 and 19 in stored
// bit order, then the class's bytes, then the marks.
//
// The base adds the operations of slots 149-175 to the bar item's.
#pragma once
#include <cstdint>

#include "framework/Types.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/NoteMark.h"
#include "model/NoteSize.h"

class CChunkStream;
class CRawHead;
class CStaff;
class CTrkBar;
struct MarkPlaybackTable;

// The items attached to a note as the note collects them: up to 256 items, none twice, each
// with the index of the head it is attached to (0 for an item of the whole note) and the bar of
// the track where it was found. What is listed is passed over by the searches that follow.
struct AttachedItemList {
    static constexpr int kCapacity = 256;
    CBarItem* items[kCapacity] = {};
    int heads[kCapacity] = {};
    CTrkBar* bars[kCapacity] = {};
    int count = 0;
    bool Contains(const CBarItem* item) const;
    // Lists the item unless it is listed already; false when the list is full.
    bool Add(CBarItem* item, int head, CTrkBar* bar);
};

// The operations the note and rest base adds (slots 149-175) and its overrides, and what the
// model asks of notes and rests through the class table.
class RawHeadBehaviour : public BarItemBehaviour, public NoteRecordBehaviour {
public:
    // --- what the model asks ---
    double NoteOnset(const CBarItem& item) const override { return item.TimeField(); }
    double NoteLength(const CBarItem& item) const override;
    double NoteEnd(const CBarItem& item) const override;
    void NoteUpdateStem(CBarItem& item, int mode, bool propagate) const override;
    void NoteSetLink(CBarItem& item, int link, bool on) const override;
    void NoteSpellHead(CTrkBar* trkBar, CBarItem& item, int head) const override;
    void NoteMoveHead(CBarItem& item, int head, int delta) const override;
    void NoteHeadFromPosition(CBarItem& item, int head, int accidental, int clef, int key) const override;
    bool NoteStepHead(CBarItem& item, int head, int clef, int key, bool up, bool chromatic) const override;
    void NoteApplyAccidental(CBarItem& item, int head, int accidental, int clef, int key) const override;
    void NotePlaceTies(CBarItem& item, int track) const override;
    int NoteAttachY(CBarItem& item, bool above) const override;
    bool NoteHasLink(CBarItem& item, int link) const override;

    // The behaviour of a bare note-and-rest base (a record whose class has none of its own).
    static const RawHeadBehaviour& Bare();

    // --- overrides ---
    void ReadBody(CScoreItem& item, CChunkStream& stream) const override;   // slot 51
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;  // slot 52
    void FromFileOrder(CScoreItem& item) const override;                     // slot 57
    void AfterLoad(CScoreItem& item, int version) const override;            // slot 58
    void MoveToPosition(CBarItem& item, int position) const override;        // slot 145

    // --- slots 149-175 ---
    virtual void CycleDots(CRawHead& item) const;                                              // 149
    virtual CRawHead* AddMark(CRawHead& item, const NoteMark& mark) const;                     // 150
    virtual CRawHead* RemoveMark(CRawHead& item, int i) const;                                 // 151
    virtual void DrawMarks(CRawHead& item) const;                                              // 152
    virtual void DrawMark(CRawHead& item, int x, NoteMark* mark) const;                        // 153
    virtual NoteMark* GetMark(CRawHead& item, int i) const;                                    // 154
    virtual RECT* GetMarkRect(CRawHead& item, RECT* rect, int i) const;                        // 155
    virtual POINT PlaceMark(CRawHead& item, int x, NoteMark* mark) const;                      // 156
    virtual int GetTopHeadPos(CRawHead& item) const;                                           // 157
    virtual int GetBottomHeadPos(CRawHead& item) const;                                        // 158
    virtual int GetAttachPos(CRawHead& item, CTrkBar* trkBar, bool above, bool skipMarks) const;  // 159
    virtual void InitMark(CRawHead& item, NoteMark* mark, int code, int arg, bool onStemSide) const;  // 160
    virtual bool HitTestMarks(CRawHead& item, int x, int y) const;                             // 161
    virtual bool GetFlag6(CRawHead& item) const { return false; }                              // 162
    virtual double GetEndTime(CRawHead& item) const;                                           // 163
    virtual double GetDuration(CRawHead& item) const;                                          // 164
    virtual int GetFlagCount(CRawHead& item) const;                                            // 165
    virtual void CollectAttached(CRawHead& item, CTrkBar* trkBar, AttachedItemList* list, int head) const {}  // 166
    virtual void SetBeamed(CRawHead& item, int on) const;                                      // 167
    virtual CRawHead* SetSlurEnd(CRawHead& item, int on) const { return &item; }               // 168
    virtual CRawHead* SetSlurStart(CRawHead& item, int on) const { return &item; }             // 169
    virtual CRawHead* SetLineEnd(CRawHead& item, int on) const { return &item; }               // 170
    virtual CRawHead* SetLineStart(CRawHead& item, int on) const { return &item; }             // 171
    virtual bool HasSlurEnd(CRawHead& item) const { return false; }                            // 172
    virtual bool HasSlurStart(CRawHead& item) const { return false; }                          // 173
    virtual bool HasLineEnd(CRawHead& item) const { return false; }                            // 174
    virtual bool HasLineStart(CRawHead& item) const { return false; }                          // 175
};

class CRawHead : public CBarItem {
public:
    enum : int { kTupletCount = 16, kTupletSpace = 17, kFlags = 18, kValue = 19, kOwnBytes = 20 };
    enum : std::uint8_t {
        kSlashBit = 0x01,
        kGraceBit = 0x02,
        kContinuesBeamBit = 0x04,
        kBeamedBit = 0x08,
        kTupletBit = 0x10,
        kRightOfStemBit = 0x20,
        kDotShift = 6,
        kHalfBit = 0x01,
        kMarkCountShift = 1,
        kValueShift = 4,
    };
    static constexpr int kMaxMarks = 7;
    // The tick value of each note-value code (code 0, the whole bar, does not use it).
    static constexpr const int (&kValueTicks)[9] = notesize::kValueTicks;

    // The note-and-rest operations of this record's class (the bare base's when it has none).
    const RawHeadBehaviour& HeadBehaviour() const;

    // --- fields ---
    std::uint8_t TupletCount() const { return rec::Get<std::uint8_t>(this, kTupletCount); }
    void SetTupletCount(std::uint8_t v) { rec::Put(this, kTupletCount, v); }
    std::uint8_t TupletSpace() const { return rec::Get<std::uint8_t>(this, kTupletSpace); }
    void SetTupletSpace(std::uint8_t v) { rec::Put(this, kTupletSpace, v); }
    std::uint8_t Flags() const { return rec::Get<std::uint8_t>(this, kFlags); }
    void SetFlags(std::uint8_t v) { rec::Put(this, kFlags, v); }
    std::uint8_t ValueByte() const { return rec::Get<std::uint8_t>(this, kValue); }
    void SetValueByte(std::uint8_t v) { rec::Put(this, kValue, v); }

    bool IsSlash() const { return (Flags() & kSlashBit) != 0; }
    bool IsGrace() const { return (Flags() & kGraceBit) != 0; }
    bool ContinuesBeam() const { return (Flags() & kContinuesBeamBit) != 0; }
    bool IsBeamed() const { return (Flags() & kBeamedBit) != 0; }
    bool IsTupletMember() const { return (Flags() & kTupletBit) != 0; }
    bool HasHeadRightOfStem() const { return (Flags() & kRightOfStemBit) != 0; }
    void SetFlagBit(std::uint8_t bit, bool on) { SetFlags(on ? std::uint8_t(Flags() | bit) : std::uint8_t(Flags() & ~bit)); }
    int DotCount() const { return Flags() >> kDotShift; }
    void SetDotCount(int dots) { SetFlags(std::uint8_t((Flags() & 0x3F) | ((dots & 3) << kDotShift))); }
    bool HasHalfFlag() const { return (ValueByte() & kHalfBit) != 0; }
    void SetHalfFlag(bool on) { SetValueByte(on ? std::uint8_t(ValueByte() | kHalfBit) : std::uint8_t(ValueByte() & ~kHalfBit)); }
    int MarkCount() const { return (ValueByte() >> kMarkCountShift) & 7; }
    void SetMarkCount(int n) { SetValueByte(std::uint8_t((ValueByte() & 0xF1) | ((n & 7) << kMarkCountShift))); }
    int NoteValue() const { return ValueByte() >> kValueShift; }
    void SetNoteValue(int code) { SetValueByte(std::uint8_t((ValueByte() & 0x0F) | ((code & 15) << kValueShift))); }

    // --- slots 149-175 ---
    void CycleDots() { HeadBehaviour().CycleDots(*this); }
    // Returns the item's new address (the run may have moved), or null when nothing changed.
    CRawHead* AddMark(const NoteMark& mark) { return HeadBehaviour().AddMark(*this, mark); }
    CRawHead* RemoveMark(int i) { return HeadBehaviour().RemoveMark(*this, i); }
    void DrawMarks() { HeadBehaviour().DrawMarks(*this); }
    void DrawMark(int x, NoteMark* mark) { HeadBehaviour().DrawMark(*this, x, mark); }
    // Mark i (i from 0; the count itself gives the place of a new mark). The index is trusted.
    NoteMark* GetMark(int i) { return HeadBehaviour().GetMark(*this, i); }
    RECT* GetMarkRect(RECT* rect, int i) { return HeadBehaviour().GetMarkRect(*this, rect, i); }
    POINT PlaceMark(int x, NoteMark* mark) { return HeadBehaviour().PlaceMark(*this, x, mark); }
    int GetTopHeadPos() { return HeadBehaviour().GetTopHeadPos(*this); }
    int GetBottomHeadPos() { return HeadBehaviour().GetBottomHeadPos(*this); }
    int GetAttachPos(CTrkBar* trkBar, bool above, bool skipMarks) {
        return HeadBehaviour().GetAttachPos(*this, trkBar, above, skipMarks);
    }
    void InitMark(NoteMark* mark, int code, int arg, bool onStemSide) {
        HeadBehaviour().InitMark(*this, mark, code, arg, onStemSide);
    }
    bool HitTestMarks(int x, int y) { return HeadBehaviour().HitTestMarks(*this, x, y); }
    bool GetFlag6() { return HeadBehaviour().GetFlag6(*this); }
    double GetEndTime() { return HeadBehaviour().GetEndTime(*this); }
    double GetDuration() { return HeadBehaviour().GetDuration(*this); }
    int GetFlagCount() { return HeadBehaviour().GetFlagCount(*this); }
    void CollectAttached(CTrkBar* trkBar, AttachedItemList* list, int head) {
        HeadBehaviour().CollectAttached(*this, trkBar, list, head);
    }
    void SetBeamed(int on) { HeadBehaviour().SetBeamed(*this, on); }
    CRawHead* SetSlurEnd(int on) { return HeadBehaviour().SetSlurEnd(*this, on); }
    CRawHead* SetSlurStart(int on) { return HeadBehaviour().SetSlurStart(*this, on); }
    CRawHead* SetLineEnd(int on) { return HeadBehaviour().SetLineEnd(*this, on); }
    CRawHead* SetLineStart(int on) { return HeadBehaviour().SetLineStart(*this, on); }
    bool HasSlurEnd() { return HeadBehaviour().HasSlurEnd(*this); }
    bool HasSlurStart() { return HeadBehaviour().HasSlurStart(*this); }
    bool HasLineEnd() { return HeadBehaviour().HasLineEnd(*this); }
    bool HasLineStart() { return HeadBehaviour().HasLineStart(*this); }

    // --- marks ---
    // Copies the playback setting of each mark that has an entry in the table (codes 0 and 1
    // excepted) from the table. With a track index: that track's table.
    void ApplyTrackMarkPlayback(int track);
    void ApplyMarkPlayback(const MarkPlaybackTable& table);
    // Writes the marks in their stored form (after the class's own bytes), then whatever the
    // record holds after them raw, so that the stored record is as long as its size says.
    void WriteMarks(CChunkStream& stream);
    // Writes the record's bytes from `from` to its end raw.
    void WriteTail(CChunkStream& stream, int from);
    // Converts the marks from their stored form in place. Marks of files older than 0x400 that
    // are smaller than their class grow to it (zero bytes at mark byte 8) when the record has
    // the room; tremolo marks of such files take the note's old stroke field.
    void MarksFromFileOrder();
    // Where mark 0 lies, from the record's start.
    int MarksOffset() { return int(reinterpret_cast<std::uint8_t*>(GetMark(0)) - Bytes()); }
    // The number of the item's marks (at most its mark count) that lie whole inside the
    // record, each at least a mark head long; sizes read in stored byte order with `stored`.
    int WholeMarks(bool stored);
};
ZEL_RECORD_VIEW(CRawHead);

// The duration in ticks of a note or rest in a bar of barLength ticks: the value's ticks (the
// bar's length for code 0), lengthened by the dots, scaled by the tuplet ratio and halved by
// the half flag.
double NoteDuration(const CRawHead& item, int barLength);

// The hit test of a note's or rest's marks at a page point: every mark (side 0), only those
// standing over the staff (1: vertical position above 1440) or only those under it (2: below).
// A hit leaves the mark's index as the hit part and the mark tool (906) as the hit tool.
bool HitTestMarksOnSide(CRawHead& item, int x, int y, int side);

// The version and build of the file being read compare below (version, build).
bool LoadedFileBefore(int version, int build);
// The face index of the music font.
int MusicFontFace();
// The staff of the current system that lies `offset` staves from the current track's own
// staff; null when the system has no staff there (an offset from a file is never trusted).
CStaff* StaffAtOffset(int offset);
