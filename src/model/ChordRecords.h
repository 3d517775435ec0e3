// The chord records: the chord symbol (type 17) written above a staff, the chord definition
// (type 14) that the chord library keeps and whose suffix a symbol draws, the guitar frame
// (type 40) with its fretboard diagram, and the table of instrument tunings that a frame names
// by index. One declaration of each record; every reader uses these views. Their drawing and
// stored forms are their classes' own (notation/Chords.h).
//
// Chord symbol (32 bytes):
//   16 flags: bit 0 has bass, 1 bass below, 2-4 root accidental, 5-7 bass accidental
//   17 parenthesised  18 y offset (coordinate, added to the staff's chord line)  20 chord key
//   22 root letter 0-6  23 bass letter  24 x offset (coordinate)  26 duration (ticks)
//   28 first, 29 last note offset (ticks, a strum)  30 velocity  31 reserved
// Chord definition (48 + 14 per element):
//   4 size  6 type  7 scale  8 chord key  10 root offset  11 element count  12 note count
//   13 reserved  14, 16 editor words  18 reserved  20 twelve signed intervals  32 reserved
//   48 elements: 0 dx, 2 dy (twentieths), 4 font reference, 10 code, 11 reserved
// Guitar frame (104 bytes):
//   16 root, 18 bass (spelled root indices 0-17)  17 chord type  19 tuning  20 strings
//   21 frets  22 base fret  23 bass below  24 barre frets, 40 string frets (fret + 4; 3 muted,
//   4 open), sixteen each from the highest string  56 name only  57 hide name  58 name (16)
//   74 chord key  76 x offset, 78 y offset (coordinates)  80 fingers, sixteen from the left
//   96 capo  97 bits 0-1 capo name mode, bit 2 parenthesised  98 duration
//   100 first, 101 last note offset  102 velocity  103 reserved
//
// Stored after the bar-item head: the symbol's flag byte with its fields mirrored (has bass in
// bit 7), words big-endian, coordinates divided by 5 (toward zero) and big-endian, everything
// else raw. A definition is stored as its size word (big-endian), type and scale, then the
// rest as it lies in memory.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/BarItem.h"
#include "model/BitOrder.h"
#include "model/ScoreItem.h"
#include "platform/FontRef.h"

// The letter (0-6 for C to B), accidental (0 none, 1 sharp, 2 flat) and semitone (0-11) of a
// spelled root index 0-17: C, C#, Db, D, D#, Eb, E, F, F#, Gb, G, G#, Ab, A, A#, Bb, B, Cb.
// Another index gives letter -1 and false.
bool DecodeChordRoot(int index, int* letter, int* accidental, int* semitone);
// The spelled root index of a letter and accidental (0 none, 1 sharp, 2 flat; a natural, 3,
// counts as none); B sharp stores C, E sharp F, F flat E; -1 for a letter outside 0-6.
int EncodeChordRoot(int letter, int accidental);
// The name of a spelled root index ("C", "C#", "Db", ... "Cb"); "" outside 0-17.
const char* ChordRootName(int index);
// The semitone of a letter 0-6 (0, 2, 4, 5, 7, 9, 11), 0 outside.
inline int LetterSemitone(int letter) {
    constexpr int kLetterSemitones[7] = {0, 2, 4, 5, 7, 9, 11};
    return letter >= 0 && letter < 7 ? kLetterSemitones[letter] : 0;
}

class CChord : public CBarItem {
public:
    static constexpr int kType = 17;
    static constexpr int kSize = 32;
    // Records of files before 0x400 end after the x offset.
    static constexpr int kOldSize = 26;
    enum : int {
        kFlags = 16,
        kParenthesised = 17,
        kYOffset = 18,
        kKey = 20,
        kRootLetter = 22,
        kBassLetter = 23,
        kXOffset = 24,
        kDuration = 26,
        kFirstOffset = 28,
        kLastOffset = 29,
        kVelocity = 30,
        kReserved = 31,
    };
    enum : int { kNoAccidental = 0, kSharp = 1, kFlat = 2, kNatural = 3 };
    // The flag byte's fields from bit 0: has bass, bass below, root accidental, bass accidental.
    static constexpr BitLayout kFlagLayout{1, 1, 3, 3};

    static CChord* Of(CBarItem* item) { return static_cast<CChord*>(item); }
    static const CChord* Of(const CBarItem* item) { return static_cast<const CChord*>(item); }

    std::uint8_t Flags() const { return Byte(kFlags); }
    bool HasBass() const { return Flags() & 0x01; }
    void SetHasBass(bool on) { SetBits(0, 1, on); }
    bool IsBassBelow() const { return Flags() & 0x02; }
    void SetBassBelow(bool on) { SetBits(1, 1, on); }
    int GetRootAccidental() const { return (Flags() >> 2) & 7; }
    void SetRootAccidental(int a) { SetBits(2, 3, a); }
    int GetBassAccidental() const { return Flags() >> 5; }
    void SetBassAccidental(int a) { SetBits(5, 3, a); }

    bool IsParenthesised() const { return Byte(kParenthesised) != 0; }
    void SetParenthesised(bool on) { PutByte(kParenthesised, on ? 1 : 0); }
    std::int16_t GetYOffset() const { return Word(kYOffset); }
    void SetYOffset(int v) { PutWord(kYOffset, v); }
    std::uint16_t GetKey() const { return std::uint16_t(Word(kKey)); }
    void SetKey(int key) { PutWord(kKey, key); }
    int GetRootLetter() const { return Byte(kRootLetter); }
    void SetRootLetter(int letter) { PutByte(kRootLetter, std::uint8_t(letter)); }
    int GetBassLetter() const { return Byte(kBassLetter); }
    void SetBassLetter(int letter) { PutByte(kBassLetter, std::uint8_t(letter)); }
    std::int16_t GetXOffset() const { return Word(kXOffset); }
    void SetXOffset(int v) { PutWord(kXOffset, v); }
    std::int16_t GetDuration() const { return Word(kDuration); }
    void SetDuration(int v) { PutWord(kDuration, v); }
    int GetFirstOffset() const { return std::int8_t(Byte(kFirstOffset)); }
    int GetLastOffset() const { return std::int8_t(Byte(kLastOffset)); }
    void SetStrum(int first, int last) {
        PutByte(kFirstOffset, std::uint8_t(first));
        PutByte(kLastOffset, std::uint8_t(last));
    }
    int GetVelocity() const { return Byte(kVelocity); }
    void SetVelocity(int v) { PutByte(kVelocity, std::uint8_t(v)); }

    // The pitch of a letter and accidental above `base` (a natural counts as none).
    static int PitchOf(int base, int letter, int accidental) {
        return base + LetterSemitone(letter) + (accidental == kSharp ? 1 : accidental == kFlat ? -1 : 0);
    }
    int GetRootPitch(int base) const { return PitchOf(base, GetRootLetter(), GetRootAccidental()); }
    int GetBassPitch(int base) const { return PitchOf(base, GetBassLetter(), GetBassAccidental()); }

    // Root, and bass when there is one, to their next enharmonic spelling.
    void Respell();
    // Moves root and bass by `amount` in the key: mode 0 an interval number, 1 diatonic steps
    // (whole octaves change nothing), 2 semitones; after modes 1 and 2 a bass whose letter
    // distance from the root disagrees with its semitone distance is respelled once.
    void Transpose(int amount, int mode, int key);
    // Root, and bass when there is one, moved from one key to the same degree of another.
    void TransposeKey(int fromKey, int toKey);

    // A new symbol as the chord tool makes it: duration 480, velocity 80, strum 4 and 4, the
    // no-playback flag set, the rest of the body as given.
    void InitNew(int key, int rootLetter, int rootAccidental, int bassLetter, int bassAccidental, bool hasBass,
                 bool bassBelow);

private:
    void SetBits(int shift, int width, int v) {
        const int mask = ((1 << width) - 1) << shift;
        PutByte(kFlags, std::uint8_t((Flags() & ~mask) | ((v << shift) & mask)));
    }
};
ZEL_RECORD_VIEW(CChord);

// One element of a chord definition's suffix.
struct SuffixElement {
    static constexpr int kSize = 14;
    enum : int { kDx = 0, kDy = 2, kFont = 4, kCode = 10 };
    std::uint8_t bytes[kSize];

    std::int16_t Dx() const { return Get16(kDx); }
    void SetDx(int v) { Put16(kDx, v); }
    std::int16_t Dy() const { return Get16(kDy); }
    void SetDy(int v) { Put16(kDy, v); }
    FontRef Font() const;
    void SetFont(const FontRef& font);
    int Code() const { return bytes[kCode]; }
    void SetCode(int code) { bytes[kCode] = std::uint8_t(code); }

private:
    std::int16_t Get16(int at) const { return std::int16_t(bytes[at] | (bytes[at + 1] << 8)); }
    void Put16(int at, int v) {
        bytes[at] = std::uint8_t(v);
        bytes[at + 1] = std::uint8_t(v >> 8);
    }
};
static_assert(sizeof(SuffixElement) == SuffixElement::kSize);

class CSuffix : public CScoreItem {
public:
    static constexpr int kType = 14;
    static constexpr int kHeadSize = 48;
    static constexpr int kNewSize = 62;  // room for one element
    static constexpr int kMaxNotes = 12;
    enum : int {
        kKey = 8,
        kRootOffset = 10,
        kElementCount = 11,
        kNoteCount = 12,
        kEditorWordA = 14,
        kEditorWordB = 16,
        kIntervals = 20,
        kElements = 48,
    };

    static CSuffix* Of(CScoreItem* item) { return static_cast<CSuffix*>(item); }
    static const CSuffix* Of(const CScoreItem* item) { return static_cast<const CSuffix*>(item); }

    // --- drawing (notation/ChordDraw.cpp), in the current artist ---
    // The suffix drawn with its left at x on the base line y; its right edge (x + 1 with no
    // elements).
    int Draw(int x, int y) const;
    // The largest running sum of scaled offsets and element widths; 0 with no elements.
    int GetWidth() const;
    // Element n's rectangle relative to the suffix origin.
    void GetElementRect(RECT* out, int n) const;
    // The text an element draws after its first character is mapped to a music glyph (a glyph
    // element holds that one character); empty for code 21.
    static std::string ElementText(int code);
    static bool IsGlyphText(const std::string& text);

    // The elements that the record's size holds room for.
    int ElementRoom() const { return RecordSizeField() < kHeadSize ? 0 : (RecordSizeField() - kHeadSize) / SuffixElement::kSize; }
    // The element count, never more than the record holds.
    int GetElementCount() const { return std::min(int(Byte(kElementCount)), ElementRoom()); }
    // Whether the element count and the size agree (48 + 14 n).
    bool IsWhole() const { return RecordSizeField() >= kHeadSize && Byte(kElementCount) * SuffixElement::kSize + kHeadSize == RecordSizeField(); }
    std::uint16_t GetKey() const { return std::uint16_t(Word(kKey)); }
    void SetKey(int key) { PutWord(kKey, key); }
    int GetRootOffset() const { return Byte(kRootOffset); }
    void SetRootOffset(int v) { PutByte(kRootOffset, std::uint8_t(((v % 12) + 144) % 12)); }
    bool IsInverted() const { return GetRootOffset() != 0; }
    int GetNoteCount() const { return std::min(int(Byte(kNoteCount)), kMaxNotes); }
    int GetInterval(int i) const { return i >= 0 && i < kMaxNotes ? std::int8_t(Byte(kIntervals + i)) : 0; }
    // The note count (at most 12) and the intervals above the lowest note; the key stays.
    void SetIntervals(int n, const int* intervals);
    // Copies the note count's intervals; returns the note count.
    int CopyIntervals(int* dest) const;
    void SetEditorWordA(int v) { PutWord(kEditorWordA, v); }
    void SetEditorWordB(int v) { PutWord(kEditorWordB, v); }
    std::int16_t GetEditorWordA() const { return Word(kEditorWordA); }
    std::int16_t GetEditorWordB() const { return Word(kEditorWordB); }

    // Element i (null past the count).
    SuffixElement* GetElement(int i);
    const SuffixElement* GetElement(int i) const;
    // The element copied after the last one; the record must have room for it (14 bytes past
    // its size). Returns the new element.
    SuffixElement* AppendElement(const SuffixElement& element);
    void RemoveElement(int i);
    void ClearElements();
    // Every element with this code moved down by delta twentieths; a glyph element's face becomes
    // the music face, a text element in the music face takes `face`.
    void ShiftElements(int code, int delta, int face);
    // The intervals above the lowest of n pitches (at most 12), the key with the lowest as its
    // reference and the root's pitch class above the lowest.
    void InitFromNotes(int rootPitch, int n, const int* pitches);
    // A new, empty definition (48 bytes, no elements).
    void InitEmpty();

private:
    // A definition is a score record, not a bar item: its own fields held to its size field.
    bool Holds(int at, int width) const { return RecordSizeField() >= at + width; }
    std::uint8_t Byte(int at) const { return Holds(at, 1) ? rec::Get<std::uint8_t>(this, std::size_t(at)) : 0; }
    void PutByte(int at, std::uint8_t v) {
        if (Holds(at, 1)) rec::Put(this, std::size_t(at), v);
    }
    std::int16_t Word(int at) const { return Holds(at, 2) ? rec::Get<std::int16_t>(this, std::size_t(at)) : std::int16_t(0); }
    void PutWord(int at, int v) {
        if (Holds(at, 2)) rec::Put<std::int16_t>(this, std::size_t(at), std::int16_t(v));
    }
};
ZEL_RECORD_VIEW(CSuffix);

class CGuitarFrame : public CBarItem {
public:
    static constexpr int kType = 40;
    static constexpr int kSize = 104;
    // Records of files before 0x400 end before the fingers.
    static constexpr int kOldSize = 80;
    static constexpr int kMaxStrings = 16;
    static constexpr int kNameSize = 16;
    enum : int {
        kRoot = 16,
        kChordType = 17,
        kBass = 18,
        kTuning = 19,
        kStrings = 20,
        kFrets = 21,
        kBaseFret = 22,
        kBassBelow = 23,
        kBarres = 24,
        kStringFrets = 40,
        kNameOnly = 56,
        kHideName = 57,
        kName = 58,
        kKey = 74,
        kXOffset = 76,
        kYOffset = 78,
        kFingers = 80,
        kCapo = 96,
        kCapoFlags = 97,
        kDuration = 98,
        kFirstOffset = 100,
        kLastOffset = 101,
        kVelocity = 102,
        kReserved = 103,
    };
    // Stored string fret values: the fret plus this.
    static constexpr int kFretBias = 4;
    // The chord types of files before 0x400, by their old index.
    static constexpr std::uint8_t kOldChordTypes[13] = {0, 1, 5, 6, 14, 40, 16, 42, 51, 26, 9, 2, 3};

    static CGuitarFrame* Of(CBarItem* item) { return static_cast<CGuitarFrame*>(item); }
    static const CGuitarFrame* Of(const CBarItem* item) { return static_cast<const CGuitarFrame*>(item); }

    int GetRoot() const { return Byte(kRoot); }
    void SetRoot(int index) { PutByte(kRoot, std::uint8_t(index)); }
    int GetBass() const { return Byte(kBass); }
    void SetBass(int index) { PutByte(kBass, std::uint8_t(index)); }
    int GetChordType() const { return Byte(kChordType); }
    void SetChordType(int t) { PutByte(kChordType, std::uint8_t(t)); }
    int GetTuning() const { return Byte(kTuning); }
    void SetTuning(int t) { PutByte(kTuning, std::uint8_t(t)); }
    // The strings drawn, held to the 16 that the arrays have.
    int GetStrings() const { return std::min(int(Byte(kStrings)), kMaxStrings); }
    int GetStringsByte() const { return Byte(kStrings); }
    void SetStrings(int n) { PutByte(kStrings, std::uint8_t(n)); }
    int GetFrets() const { return Byte(kFrets); }
    void SetFrets(int n) { PutByte(kFrets, std::uint8_t(n)); }
    int GetBaseFret() const { return Byte(kBaseFret); }
    void SetBaseFret(int n) { PutByte(kBaseFret, std::uint8_t(n)); }
    bool IsBassBelow() const { return Byte(kBassBelow) != 0; }
    void SetBassBelow(int v) { PutByte(kBassBelow, std::uint8_t(v)); }
    // Per string from the highest: the barre fret (0 none) and the fret (stored value - 4).
    int GetBarreFret(int i) const { return i >= 0 && i < kMaxStrings ? Byte(kBarres + i) : 0; }
    void SetBarreFret(int i, int f) {
        if (i >= 0 && i < kMaxStrings) PutByte(kBarres + i, std::uint8_t(f));
    }
    int GetStringFret(int i) const { return i >= 0 && i < kMaxStrings ? Byte(kStringFrets + i) - kFretBias : -kFretBias; }
    void SetStringFret(int i, int fret) {
        if (i >= 0 && i < kMaxStrings) PutByte(kStringFrets + i, std::uint8_t(fret + kFretBias));
    }
    bool IsNameOnly() const { return Byte(kNameOnly) != 0; }
    void SetNameOnly(int v) { PutByte(kNameOnly, std::uint8_t(v)); }
    bool IsNameHidden() const { return Byte(kHideName) != 0; }
    void SetHideName(int v) { PutByte(kHideName, std::uint8_t(v)); }
    // The name, ended within its 16 bytes (at most 15 characters).
    std::string_view GetName() const;
    // At most 15 characters, terminated, the rest of the field cleared.
    void SetName(std::string_view name);
    std::uint16_t GetKey() const { return std::uint16_t(Word(kKey)); }
    void SetKey(int key) { PutWord(kKey, key); }
    std::int16_t GetXOffset() const { return Word(kXOffset); }
    void SetXOffset(int v) { PutWord(kXOffset, v); }
    std::int16_t GetYOffset() const { return Word(kYOffset); }
    void SetYOffset(int v) { PutWord(kYOffset, v); }
    // Per string from the left of the diagram: 0 none, 1-4 the digit, 5 the thumb.
    int GetFinger(int k) const { return k >= 0 && k < kMaxStrings ? Byte(kFingers + k) : 0; }
    void SetFinger(int k, int f) {
        if (k >= 0 && k < kMaxStrings) PutByte(kFingers + k, std::uint8_t(f));
    }
    int GetCapo() const { return Byte(kCapo); }
    void SetCapo(int c) { PutByte(kCapo, std::uint8_t(c)); }
    int GetCapoMode() const { return Byte(kCapoFlags) & 3; }
    void SetTabMode(int mode) { PutByte(kCapoFlags, std::uint8_t((Byte(kCapoFlags) & ~3) | (mode & 3))); }
    bool IsParenthesised() const { return Byte(kCapoFlags) & 4; }
    void SetParenthesised(bool on) { PutByte(kCapoFlags, std::uint8_t((Byte(kCapoFlags) & ~4) | (on ? 4 : 0))); }
    std::int16_t GetDuration() const { return Word(kDuration); }
    void SetDuration(int v) { PutWord(kDuration, v); }
    int GetFirstOffset() const { return std::int8_t(Byte(kFirstOffset)); }
    int GetLastOffset() const { return std::int8_t(Byte(kLastOffset)); }
    void SetStrum(int first, int last) {
        PutByte(kFirstOffset, std::uint8_t(first));
        PutByte(kLastOffset, std::uint8_t(last));
    }
    int GetVelocity() const { return Byte(kVelocity); }
    void SetVelocity(int v) { PutByte(kVelocity, std::uint8_t(v)); }

    // The name's root (first character) and bass (after the first "/") respelled: a following
    // "b" becomes "#" with the letter one lower, a "#" becomes "b" with the letter one higher;
    // with German names a name beginning "B" then shows "H", or "Bb" loses its flat. The root
    // and bass indices are kept.
    void Respell(bool german);

    // The body cleared (head kept), 4 frets and 6 strings.
    void InitDefault();
    // Barre and string frets of both frames equal.
    bool SameFingering(const CGuitarFrame& other) const;
    // Offsets 16-55, the name, the fingers and the chord key of another frame.
    void CopyShape(const CGuitarFrame& other);
    // Splits a name at the first "/" followed by a letter; the slash goes with the bass.
    static bool SplitSlashName(std::string_view name, std::string* main, std::string* bass);

    // The shape of the library frame for a new root and bass (same chord type and tuning): the
    // nearest base fret within 3 when this frame has one, else the same ordinal shape, else the
    // first. With none, root and bass stored, the name rebuilt with their names, and the
    // fingering cleared.
    void ReplaceFromLibrary(int root, int bass, const std::vector<const CGuitarFrame*>& library);
    // Root and bass moved by interval (mode 0), diatonic steps (1) or semitones (2) in `key`,
    // then the library's shape for them.
    void Transpose(int amount, int mode, int key, const std::vector<const CGuitarFrame*>& library);
    // Root and bass moved from one key to the same degree of another, then the library's shape
    // for them.
    void TransposeKey(int fromKey, int toKey, const std::vector<const CGuitarFrame*>& library);

    // --- drawing (notation/ChordDraw.cpp), in the current artist ---
    // The diagram and its name with the reference point (x, y) at `percent` size; the
    // diagram's centre x.
    int DrawDiagram(int x, int y, int percent, int lineSpacing, bool showName) const;
    // A name centred on cx, smaller raised digits after the first digit, music accidentals; its
    // measured width.
    static int DrawName(int cx, int y, int lineWidth, int size, const std::string& text);
    // A slash name in two rows (bass at y, main above, a line between); half its width.
    static int DrawStackedName(int cx, int y, int lineWidth, int size, const std::string& main, const std::string& bass);
    // The name as shown: with a capo, its root and bass moved up by it (spelled in C major).
    std::string GetDisplayName(bool german) const;

};
ZEL_RECORD_VIEW(CGuitarFrame);

// One row of the tuning table (50 bytes).
struct GuitarTuning {
    std::uint8_t strings;
    std::uint8_t reserved;
    std::uint8_t pitches[16];  // open strings, highest first
    char name[32];
};
static_assert(sizeof(GuitarTuning) == 50);

// The guitar-frame library's tuning table and the questions frames ask of it: pitches, chord
// key, key bytes and display options.
class CGuitarTunings {
public:
    static constexpr int kCount = 13;
    static constexpr int kMaxPitches = 16;

    // The 13 tunings, count 13.
    void FillTunings();
    int GetCount() const { return count; }
    const GuitarTuning* GetTuning(int i) const { return i >= 0 && i < count && i < kCount ? &tunings[i] : nullptr; }
    // The sounding pitches of a frame (without capo) into `out` (room for 16); their count.
    int GetFramePitches(const CGuitarFrame& frame, int* out) const;
    // The pitches each raised by the frame's capo (what the frame sounds); their count.
    int GetSoundingPitches(const CGuitarFrame& frame, int* out) const;
    // The frame's chord key from its pitches and root, stored in the frame; 0 (nothing stored)
    // when its tuning is outside the table.
    int ComputeFrameKey(CGuitarFrame& frame) const;
    // The frame's place among the library's frames of its chord (same root, bass, chord type and
    // tuning, in library order) whose fingering equals its own; -1 when none does.
    static int FindShapeIndex(const CGuitarFrame& frame, const std::vector<const CGuitarFrame*>& library);
    // The index of the first key byte equal to k, 0 when none.
    int FindKey(int k) const;
    int GetKey(int i) const { return i >= 0 && i < keyCount ? keys[i] : 0; }
    void SetKeys(const std::uint8_t* bytes, int n);
    // Display option i (0-2; any other index gives the fourth).
    int GetDisplayOption(int i) const { return displayOptions[i >= 0 && i < 3 ? i : 3]; }
    void SetDisplayOption(int i, int v) {
        if (i >= 0 && i < 4) displayOptions[i] = std::uint8_t(v);
    }

private:
    GuitarTuning tunings[kCount] = {};
    std::int16_t count = 0;
    std::uint8_t displayOptions[4] = {};
    int keyCount = 0;
    std::uint8_t keys[256] = {};
};
