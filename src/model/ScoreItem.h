// The score item: the base view of every score record (page, system, staff, track, bar of a
// track, bar, and every item in a bar), with the head accessors, the type predicates and the
// dispatch of the score item's virtual operations (slots 2-78) through the class slot.
//
// A record is revived in place by the item factory (model/ItemFactory.h); its class slot names
// an ItemClassInfo of ItemClasses() whose behaviour object derives from ScoreItemBehaviour.
#pragma once
#include <cstdint>

#include "framework/Types.h"
#include "model/ItemClass.h"
#include "platform/FontRef.h"

class CChunkStream;
class CDragTask;
class CFile;
class CFontArray;
class CScoreItem;

// The virtual operations of a score item, in slot order. Each takes the record it acts on; the
// defaults are the score item's own bodies.
class ScoreItemBehaviour : public ItemBehaviour {
public:
    // slot 1: the type code and the class size of that code.
    void SetTypeAndSize(CBaseItem& item, int type) const override;
    // slot 2: zeroes the record after the class slot, keeping size and type.
    virtual void Init(CScoreItem& item) const;
    // slot 3: frees a record copied to a block of its own (Clone).
    virtual void Release(CScoreItem& item) const;
    virtual void Draw(CScoreItem& item) const {}                            // slot 4
    virtual void Redraw(CScoreItem& item) const;                            // slot 5
    virtual void Select(CScoreItem& item) const {}                          // slot 6
    virtual void SelectPart(CScoreItem& item, int part) const {}            // slot 7
    virtual void Deselect(CScoreItem& item) const;                          // slot 8
    virtual void DeselectPart(CScoreItem& item, int part) const {}          // slot 9
    virtual void OpenProperties(CScoreItem& item, int x, int y) const {}    // slot 10
    virtual void SetDrawColor(CScoreItem& item, bool selected) const;       // slot 11
    virtual void ResetDrawColor(CScoreItem& item) const;                    // slot 12
    virtual bool CopyTo(CScoreItem& item, CScoreItem* target) const;        // slot 13
    virtual CScoreItem* Clone(CScoreItem& item) const;                      // slot 14
    virtual bool HitTest(CScoreItem& item, int x, int y) const;             // slot 15
    virtual RECT* GetBounds(CScoreItem& item, RECT* rect) const;            // slot 16
    virtual RECT* GetPartBounds(CScoreItem& item, RECT* rect, int part) const;  // slot 17
    virtual bool IntersectsRect(CScoreItem& item, const RECT& rect) const;  // slot 18
    virtual void Invalidate(CScoreItem& item) const;                        // slot 19
    virtual void InvalidateAttached(CScoreItem& item) const {}              // slot 20
    virtual std::uint16_t GetSize(CScoreItem& item) const;                  // slot 21
    virtual int GetType(CScoreItem& item) const;                            // slot 22
    virtual int GetScale(CScoreItem& item) const;                           // slot 23
    virtual std::int32_t GetRecordSize(CScoreItem& item) const;             // slot 24
    virtual char* GetTypeName(CScoreItem& item, char* buffer) const;        // slot 25
    virtual int GetTime(CScoreItem& item) const { return 32767; }           // slot 26
    virtual int GetTimeWithOffset(CScoreItem& item) const { return 0; }     // slot 27
    virtual int GetPosition(CScoreItem& item) const { return 0; }           // slot 28
    virtual int GetHeadCount(CScoreItem& item) const { return 1; }          // slot 29
    virtual int GetColorIndex(CScoreItem& item) const { return 0; }         // slot 30
    virtual int GetAuxValue(CScoreItem& item, int arg) const { return 0; }  // slot 31
    virtual void SetAuxValue(CScoreItem& item, int arg) const {}            // slot 32
    virtual int GetWantedSize(CScoreItem& item) const;                      // slot 33
    virtual int GetKind(CScoreItem& item) const { return 0; }               // slot 34
    virtual void SetSize(CScoreItem& item, int size) const;                 // slot 35
    virtual void SetType(CScoreItem& item, int type) const;                 // slot 36
    virtual void SetScale(CScoreItem& item, int percent) const;             // slot 37
    virtual void SetColorIndex(CScoreItem& item, int color) const {}        // slot 38
    virtual void UseFont(CScoreItem& item, const FontRef& font) const;      // slot 39
    virtual CDragTask* CreateDragTask(CScoreItem& item) const;              // slot 40
    virtual void BeginDrag(CScoreItem& item) const;                         // slot 41
    virtual void DragBy(CScoreItem& item, CDragTask* drag) const {}         // slot 42
    virtual void EndDrag(CScoreItem& item, CDragTask* drag) const {}        // slot 43
    virtual void DrawDragFeedback(CScoreItem& item) const;                  // slot 44
    virtual void Nudge(CScoreItem& item, int dx, int dy) const {}           // slot 45
    virtual void ReadRaw(CScoreItem& item, CFile& file) const;              // slot 46
    virtual void WriteRaw(CScoreItem& item, CFile& file, std::uint32_t tag) const;  // slot 47
    virtual int GetStoredSize(CScoreItem& item) const;                      // slot 48
    virtual void ReadHead(CScoreItem& item, CChunkStream& stream) const;    // slot 49
    virtual void WriteHead(CScoreItem& item, CChunkStream& stream) const;   // slot 50
    virtual void ReadBody(CScoreItem& item, CChunkStream& stream) const;    // slot 51
    virtual void WriteBody(CScoreItem& item, CChunkStream& stream) const;   // slot 52
    virtual void Read(CScoreItem& item, CChunkStream& stream) const;        // slot 53
    virtual void Write(CScoreItem& item, CChunkStream& stream) const;       // slot 54
    // slot 55: copies the record to dest (room for its size) and puts the copy in file order.
    virtual void CopyInFileOrder(CScoreItem& item, void* dest) const;
    virtual void ToFileOrder(CScoreItem& item) const;                       // slot 56
    virtual void FromFileOrder(CScoreItem& item) const {}                   // slot 57
    virtual void AfterLoad(CScoreItem& item, int version) const {}          // slot 58
    // A kind that maps anything here sets g_scoreFile.recordWithFonts while it reads a record
    // that may hold it: the score reader maps only the bars' runs where a record did.
    virtual void ResolveFonts(CScoreItem& item, CFontArray* fonts) const {}  // slot 59
    virtual void Reconstruct(CScoreItem& item, int type) const;             // slot 60
    virtual bool IsTwoEnded(CScoreItem& item) const { return false; }       // slot 61
    virtual bool IsLineItem(CScoreItem& item) const { return false; }       // slot 62
    virtual bool BelongsToBar(CScoreItem& item) const { return false; }     // slot 63
    virtual bool MovesOnDropByOption(CScoreItem& item) const { return false; }  // slot 64
    virtual bool IsTextKindTwo(CScoreItem& item) const { return false; }    // slot 65
    virtual bool IsTextKindOne(CScoreItem& item) const { return false; }    // slot 66
    virtual bool MovesOnDrop(CScoreItem& item) const { return false; }      // slot 67
    virtual bool ClassTestC(CScoreItem& item) const { return false; }       // slot 68
    virtual bool IsAlive(CScoreItem& item) const { return true; }           // slot 69
    virtual bool IsSameKind(CScoreItem& item, CScoreItem& other) const;     // slot 70
    virtual int ScaleToView(CScoreItem& item, int v) const;                 // slot 71
    virtual int ScaleFromView(CScoreItem& item, int v) const;               // slot 72
    virtual int TwentiethsToView(CScoreItem& item, int v) const;            // slot 73
    virtual int ViewToTwentieths(CScoreItem& item, int v) const;            // slot 74
    virtual bool CanHaveFrame(CScoreItem& item) const { return false; }     // slot 75
    virtual bool GetFrame(CScoreItem& item, int arg) const { return false; }  // slot 76
    virtual void SetFrame(CScoreItem& item, int a, int b) const {}          // slot 77
    // slot 78: frames the rectangle widened by the style's margins; the style record holds a
    // horizontal margin, a vertical margin and a line width (16-bit at bytes 6, 8 and 10).
    virtual void DrawFrame(CScoreItem& item, int left, int top, int right, int bottom,
                           std::uint8_t* style) const;
};

// The view of a score record. Methods named as the virtual operations dispatch through the
// class slot; the others work on the bytes.
class CScoreItem : public CBaseItem {
public:
    // The behaviour of this record's class (the bare score item's when the slot names none).
    const ScoreItemBehaviour& Behaviour() const;

    // --- head ---
    std::int16_t RecordSizeField() const { return CBaseItem::Size(); }
    std::uint8_t TypeCode() const { return CBaseItem::Type(); }
    // The record after this one in a packed run.
    CScoreItem* NextRecord() { return reinterpret_cast<CScoreItem*>(Bytes() + CBaseItem::Size()); }
    const CScoreItem* NextRecord() const {
        return reinterpret_cast<const CScoreItem*>(Bytes() + CBaseItem::Size());
    }

    // --- virtual operations (slots 1-78) ---
    RECT* SetCurrentRect(RECT* rect) { return Behaviour().SetCurrentRect(*this, rect); }
    void SetTypeAndSize(int type) { Behaviour().SetTypeAndSize(*this, type); }
    void Init() { Behaviour().Init(*this); }
    void Release() { Behaviour().Release(*this); }
    void Draw() { Behaviour().Draw(*this); }
    void Redraw() { Behaviour().Redraw(*this); }
    void Select() { Behaviour().Select(*this); }
    void SelectPart(int part) { Behaviour().SelectPart(*this, part); }
    void Deselect() { Behaviour().Deselect(*this); }
    void DeselectPart(int part) { Behaviour().DeselectPart(*this, part); }
    void OpenProperties(int x, int y) { Behaviour().OpenProperties(*this, x, y); }
    void SetDrawColor(bool selected) { Behaviour().SetDrawColor(*this, selected); }
    void ResetDrawColor() { Behaviour().ResetDrawColor(*this); }
    bool CopyTo(CScoreItem* target) { return Behaviour().CopyTo(*this, target); }
    CScoreItem* Clone() { return Behaviour().Clone(*this); }
    bool HitTest(int x, int y) { return Behaviour().HitTest(*this, x, y); }
    RECT* GetBounds(RECT* rect) { return Behaviour().GetBounds(*this, rect); }
    RECT* GetPartBounds(RECT* rect, int part) { return Behaviour().GetPartBounds(*this, rect, part); }
    bool IntersectsRect(const RECT& rect) { return Behaviour().IntersectsRect(*this, rect); }
    void Invalidate() { Behaviour().Invalidate(*this); }
    void InvalidateAttached() { Behaviour().InvalidateAttached(*this); }
    std::uint16_t GetSize() { return Behaviour().GetSize(*this); }
    int GetType() { return Behaviour().GetType(*this); }
    int GetScale() { return Behaviour().GetScale(*this); }
    std::int32_t GetRecordSize() { return Behaviour().GetRecordSize(*this); }
    char* GetTypeName(char* buffer) { return Behaviour().GetTypeName(*this, buffer); }
    int GetTime() { return Behaviour().GetTime(*this); }
    int GetTimeWithOffset() { return Behaviour().GetTimeWithOffset(*this); }
    int GetPosition() { return Behaviour().GetPosition(*this); }
    int GetHeadCount() { return Behaviour().GetHeadCount(*this); }
    int GetColorIndex() { return Behaviour().GetColorIndex(*this); }
    int GetAuxValue(int arg) { return Behaviour().GetAuxValue(*this, arg); }
    void SetAuxValue(int arg) { Behaviour().SetAuxValue(*this, arg); }
    int GetWantedSize() { return Behaviour().GetWantedSize(*this); }
    int GetKind() { return Behaviour().GetKind(*this); }
    void SetSize(int size) { Behaviour().SetSize(*this, size); }
    void SetType(int type) { Behaviour().SetType(*this, type); }
    void SetScale(int percent) { Behaviour().SetScale(*this, percent); }
    void SetColorIndex(int color) { Behaviour().SetColorIndex(*this, color); }
    void UseFont(const FontRef& font) { Behaviour().UseFont(*this, font); }
    CDragTask* CreateDragTask() { return Behaviour().CreateDragTask(*this); }
    void BeginDrag() { Behaviour().BeginDrag(*this); }
    void DragBy(CDragTask* drag) { Behaviour().DragBy(*this, drag); }
    void EndDrag(CDragTask* drag) { Behaviour().EndDrag(*this, drag); }
    void DrawDragFeedback() { Behaviour().DrawDragFeedback(*this); }
    void Nudge(int dx, int dy) { Behaviour().Nudge(*this, dx, dy); }
    void ReadRaw(CFile& file) { Behaviour().ReadRaw(*this, file); }
    void WriteRaw(CFile& file, std::uint32_t tag) { Behaviour().WriteRaw(*this, file, tag); }
    int GetStoredSize() { return Behaviour().GetStoredSize(*this); }
    void ReadHead(CChunkStream& stream) { Behaviour().ReadHead(*this, stream); }
    void WriteHead(CChunkStream& stream) { Behaviour().WriteHead(*this, stream); }
    void ReadBody(CChunkStream& stream) { Behaviour().ReadBody(*this, stream); }
    void WriteBody(CChunkStream& stream) { Behaviour().WriteBody(*this, stream); }
    void Read(CChunkStream& stream) { Behaviour().Read(*this, stream); }
    void Write(CChunkStream& stream) { Behaviour().Write(*this, stream); }
    void CopyInFileOrder(void* dest) { Behaviour().CopyInFileOrder(*this, dest); }
    void ToFileOrder() { Behaviour().ToFileOrder(*this); }
    void FromFileOrder() { Behaviour().FromFileOrder(*this); }
    void AfterLoad(int version) { Behaviour().AfterLoad(*this, version); }
    void ResolveFonts(CFontArray* fonts) { Behaviour().ResolveFonts(*this, fonts); }
    void Reconstruct(int type) { Behaviour().Reconstruct(*this, type); }
    bool IsTwoEnded() { return Behaviour().IsTwoEnded(*this); }
    bool IsLineItem() { return Behaviour().IsLineItem(*this); }
    bool BelongsToBar() { return Behaviour().BelongsToBar(*this); }
    bool MovesOnDropByOption() { return Behaviour().MovesOnDropByOption(*this); }
    bool IsTextKindTwo() { return Behaviour().IsTextKindTwo(*this); }
    bool IsTextKindOne() { return Behaviour().IsTextKindOne(*this); }
    bool MovesOnDrop() { return Behaviour().MovesOnDrop(*this); }
    bool ClassTestC() { return Behaviour().ClassTestC(*this); }
    bool IsAlive() { return Behaviour().IsAlive(*this); }
    bool IsSameKind(CScoreItem& other) { return Behaviour().IsSameKind(*this, other); }
    int ScaleToView(int v) { return Behaviour().ScaleToView(*this, v); }
    int ScaleFromView(int v) { return Behaviour().ScaleFromView(*this, v); }
    int TwentiethsToView(int v) { return Behaviour().TwentiethsToView(*this, v); }
    int ViewToTwentieths(int v) { return Behaviour().ViewToTwentieths(*this, v); }
    bool CanHaveFrame() { return Behaviour().CanHaveFrame(*this); }
    bool GetFrame(int arg) { return Behaviour().GetFrame(*this, arg); }
    void SetFrame(int a, int b) { Behaviour().SetFrame(*this, a, b); }
    void DrawFrame(int left, int top, int right, int bottom, std::uint8_t* style) {
        Behaviour().DrawFrame(*this, left, top, right, bottom, style);
    }

    // --- type predicates ---
    bool IsStaff() const { return TypeCode() == 2; }
    bool IsTrack() const { return TypeCode() == 3; }
    bool IsBeatChart() const { return TypeCode() == 9; }
    bool IsBarNumber() const { return TypeCode() == 10; }
    bool IsPageText() const { return TypeCode() == 12; }
    bool IsBeam() const { return TypeCode() == 16; }
    bool IsChord() const { return TypeCode() == 17; }
    bool IsClef() const { return TypeCode() == 18; }
    bool IsCresc() const { return TypeCode() == 19; }
    bool IsDynamic() const { return TypeCode() == 20; }
    bool IsGlissando() const { return TypeCode() == 21; }
    bool IsSymbol() const { return TypeCode() == 22; }
    bool IsKeySig() const { return TypeCode() == 23; }
    bool IsLyric() const { return TypeCode() == 24; }
    bool IsOttava() const { return TypeCode() == 25; }
    bool IsPict() const { return TypeCode() == 26; }
    bool IsSlur() const { return TypeCode() == 27; }
    bool IsTempo() const { return TypeCode() == 28; }
    bool IsText() const { return TypeCode() == 29 || TypeCode() == 12; }
    bool IsTie() const { return TypeCode() == 30; }
    bool IsTuplet() const { return TypeCode() == 31; }
    bool IsBend() const { return TypeCode() == 33; }
    bool IsBarre() const { return TypeCode() == 34; }
    bool IsPedal() const { return TypeCode() == 35; }
    bool IsGroup() const { return TypeCode() == 36; }
    bool IsExpression() const { return TypeCode() == 37; }
    bool IsHarpPed() const { return TypeCode() == 38; }
    bool IsMultiRest() const { return TypeCode() == 39; }
    bool IsGuitarFrame() const { return TypeCode() == 40; }
    bool IsEnding() const { return TypeCode() == 50; }
    bool IsJumperOrEnding() const { return TypeCode() >= 48 && TypeCode() <= 50; }
    bool IsGraphic() const { return TypeCode() >= 64 && TypeCode() <= 70; }
    bool IsRawNote() const { return TypeCode() == 112; }
    bool IsRest() const { return TypeCode() == 128; }
    bool IsNote() const { return TypeCode() == 144; }
    bool IsNoteOrRest() const { return TypeCode() == 144 || TypeCode() == 128; }
    bool IsNoteOrRawNote() const { return TypeCode() == 144 || TypeCode() == 112; }
    bool IsNoteRestOrRawNote() const { return IsNoteOrRawNote() || TypeCode() == 128; }
    bool IsNoteFamily() const;
    // Every code above 169: the MIDI data items and the end record.
    bool IsData() const { return TypeCode() > 169; }
    bool IsController() const { return TypeCode() == 171; }
    bool IsPatchChange() const { return TypeCode() == 172; }
    bool IsChannelPressure() const { return TypeCode() == 173; }
    bool IsPitchBend() const { return TypeCode() == 174; }
    // A key signature whose key flag is clear (an ordinary key change, not a warning only).
    bool IsPlainKeySig() const;
    bool IsKeySigNotWarning() const { return IsPlainKeySig(); }
};
ZEL_RECORD_VIEW(CScoreItem);

// The behaviour of bare score items: records revived from codes without a class, and classes
// with no operation of their own yet.
const ScoreItemBehaviour& BareScoreItemBehaviour();

inline const ScoreItemBehaviour& CScoreItem::Behaviour() const {
    const ItemClassInfo* info = ClassIn(ItemClasses());
    return info ? static_cast<const ScoreItemBehaviour&>(*info->behaviour) : BareScoreItemBehaviour();
}

// Draws the item; with grey, in the colour of role 8 with the second-colour switch on (put back
// afterwards, also when the drawing throws), and the artist's colour black again after.
void DrawItemGreyed(CScoreItem& item, bool grey);

// The record head (class slot, size, type, scale) and the slot, as plain numbers.
inline constexpr int kRecordHeadSize = int(rec::kHeadEnd);
inline constexpr int kClassSlotSize = rec::kSlotBytes;

// Size of the end record of an item run (a bare bar item).
inline constexpr int kEndRecordSize = 16;

// Reading records from a chunk stream. A reader that reads records into a block of its own sets
// g_model.recordRoom to the bytes the record may take from its start (fw::ScopedGlobal); without
// it a record takes at most its class's size (or its present size, when that is larger). A
// record whose stored size is below the head or beyond that room is damage: the archive
// failure (badIndex) is raised before anything is read into it.
int RecordReadRoom(CScoreItem& item);
[[noreturn]] void ThrowDamagedRecord(CChunkStream& stream);
// Reads n raw bytes of a record's body; a chunk that holds fewer is damage.
void ReadRecordBytes(CChunkStream& stream, std::uint8_t* dest, int n);
// After a body read: the record takes the larger of its class size and the size it asks for
// (slot 33), which may also be smaller than the size read; bytes gained are zeroed. Growth
// beyond the room is damage.
void GrowToWantedSize(CScoreItem& item, int room, CChunkStream& stream);

// Removed-record flag shared by every record (bit 1 of the byte at 9).
namespace rec {
enum : int { kFlagsB = 9 };
enum : std::uint8_t { kRemovedBit = 0x02 };
inline bool IsRemoved(const void* record) { return (Get<std::uint8_t>(record, kFlagsB) & kRemovedBit) != 0; }
}  // namespace rec
