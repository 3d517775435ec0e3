// The key change (type 23, 26 bytes): a new key inside a track bar, the key it replaces, the
// clef in force (which fixes where the accidentals stand) and how the old key is cancelled.
// The staff draws the accidentals. Always in voice 0; it cannot be dragged.
//
//   offset 16  key            key code: 0 none, 1-7 one to seven flats, 8-14 one to seven sharps
//   offset 17  previous key   the key code it replaces
//   offset 18  playback key   handed unchanged to the performer's key event
//   offset 19  flags          bit 0 hidden (the recalculation sets it on a key that starts a
//                             system: the staff shows that one), bit 1 a courtesy key wanted at
//                             the end of the system before, bit 2 no cancelling naturals (the
//                             recalculation sets it when they stand before the barline), bits
//                             3-4 cancellation mode 0-2, bit 5 patch the staff lines even while
//                             a drag runs, bits 6-7 placed at the bar's end
//   offset 20  clef           the clef code in force
//   offset 21  width          the signature's width in line spacings
//   offset 22  x offset       coordinate, 1/120 of the line spacing, from the bar's key place
//   offset 24  second offset  coordinate, kept
//
// Stored: bytes 16-18 raw, 19 with its eight bits reversed, 20 and 21 raw, 22 and 24 as
// coordinates (divided by 5), big-endian.
#pragma once
#include <cstdint>

#include "model/BarItem.h"

class CKeySig : public CBarItem {
public:
    enum : int { kTypeCode = 23, kSize = 26, kKey = 16, kPreviousKey = 17, kPlaybackKey = 18, kFlags = 19,
                 kClef = 20, kWidth = 21, kXOffset = 22, kSecondOffset = 24 };
    enum : std::uint8_t { kHiddenBit = 0x01, kCautionaryBit = 0x02, kNoNaturalsBit = 0x04, kModeShift = 3,
                          kPatchLinesBit = 0x20, kBarEndBits = 0xC0 };
    // The document command that edits a key signature.
    static constexpr int kEditCommand = 34005;

    static CKeySig* Construct(void* buffer);

    std::uint8_t GetKey() const { return rec::Get<std::uint8_t>(this, kKey); }
    void SetKey(int key) { rec::Put(this, kKey, std::uint8_t(key)); }
    std::uint8_t GetPreviousKey() const { return rec::Get<std::uint8_t>(this, kPreviousKey); }
    void SetPreviousKey(int key) { rec::Put(this, kPreviousKey, std::uint8_t(key)); }
    std::uint8_t GetPlaybackKey() const { return rec::Get<std::uint8_t>(this, kPlaybackKey); }
    std::uint8_t GetClef() const { return rec::Get<std::uint8_t>(this, kClef); }
    void SetClef(int clef) { rec::Put(this, kClef, std::uint8_t(clef)); }
    std::uint8_t GetWidth() const { return rec::Get<std::uint8_t>(this, kWidth); }
    std::int16_t GetXOffset() const { return rec::Get<std::int16_t>(this, kXOffset); }
    std::int16_t GetSecondOffset() const { return rec::Get<std::int16_t>(this, kSecondOffset); }
    std::uint8_t GetFlags() const { return rec::Get<std::uint8_t>(this, kFlags); }
    void SetFlags(std::uint8_t v) { rec::Put(this, kFlags, v); }
    void SetFlag(std::uint8_t bit, bool on) { SetFlags(std::uint8_t(on ? GetFlags() | bit : GetFlags() & ~bit)); }
    bool IsHiddenKey() const { return (GetFlags() & kHiddenBit) != 0; }
    int GetNaturalMode() const { return (GetFlags() >> kModeShift) & 3; }
    // Placed at its bar's end (any of bits 6-7).
    bool IsKeyFlagged() const { return (GetFlags() & kBarEndBits) != 0; }
    // Accidental places the signature occupies (naturals and accidentals), and the naturals
    // that cancel the key before.
    int CountPlaces() const;
    int CountNaturals() const;
    // The x of the first accidental place in the current bar on the current staff; clears
    // bit 2 for a signature placed at the bar's end.
    int PlaceX();
};
ZEL_RECORD_VIEW(CKeySig);

class KeySigBehaviour : public BarItemBehaviour {
public:
    static const KeySigBehaviour& Instance();
    void Draw(CScoreItem& item) const override;
    void OpenProperties(CScoreItem& item, int x, int y) const override;
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;
    CDragTask* CreateDragTask(CScoreItem& item) const override { return nullptr; }
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;
    void ToFileOrder(CScoreItem& item) const override;
    void FromFileOrder(CScoreItem& item) const override;
    void MarkRemoved(CBarItem& item) const override;
    int GetBarRange(CBarItem& item, int* first, int* last, CTrkBar* trkBar) const override;
    int GetValue(CBarItem& item) const override;
    void SetVoice(CBarItem& item, int voice) const override;
    void SetValue(CBarItem& item, int value) const override;
};
