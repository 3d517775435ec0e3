// Marks on a note or rest (articulations, ornaments, fingerings, ties and the like). Each mark
// is a NoteMark record inside the note's own record, after its heads, at most seven per note,
// back to back: the next mark begins at this one's address plus its size. A mark has no class
// slot, so its offsets are the same in memory and in the stored form:
//
//   offset 0   size          16-bit signed: the class size below, or more when the mark keeps
//                            further bytes
//   offset 2   code          8-bit mark code
//   offset 3   flags         layout 1+1+1+1+2+2: bits 0-3 one-bit flags, bits 4-5 and 6-7
//                            two-bit fields
//   offset 4   x offset      16-bit signed coordinate
//   offset 6   y offset      16-bit signed coordinate
//   offset 8   playback      the mark's own MarkPlayback entry (32 bytes)
//   offset 40  class fields  by code:
//     70-89          size 46  byte 40, byte 41 (a setting), coordinates at 42 and 44 (extent)
//     30             size 44  word 40, coordinate at 42
//     0-2            size 54  coordinates at 40 and 42, words 44 and 46, bytes 48-53
//     250, 240,
//     100-115        size 48  character word at 40, FontRef at 42 (6 bytes)
//     any other      size 40  none
//
// Stored form: size big-endian; code; flags in stored bit order; x and y as coordinates; the
// playback entry (24 raw bytes, four words big-endian); the class fields (words big-endian,
// coordinates divided by 5, the FontRef as face and size words, style and a 0 pad byte, bytes
// raw); then the bytes beyond the class size raw.
//
// Each mark code's placement and music-font characters come from the mark glyph table
// (GetMarkGlyphs).
#pragma once
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "model/Articulation.h"
#include "model/Record.h"
#include "platform/FontRef.h"

class CChunkStream;

// What a new mark takes from outside the score. The palettes' tool state and the start-up of
// the application set these.
struct NoteMarkInputs {
    std::int16_t buttonIndex = 0;          // the current palette button
    FontRef textFont{};                    // the mark tool's text font
    std::uint16_t textChar = ' ';          // the mark tool's text character
    FontRef fingeringFont{};               // the font of numbered fingerings
    std::uint16_t letterFace = 0;          // the face of fingering letters
    std::int16_t ornamentSetting = 6;      // the program's ornament setting
};

class NoteMark {
public:
    enum : int {
        kSizeField = 0,
        kCode = 2,
        kFlags = 3,
        kXOffset = 4,
        kYOffset = 6,
        kPlayback = 8,
        kClassFields = 40,
        kCharacter = 40,
        kFont = 42,
        kExtentStart = 42,
        kExtentEnd = 44,
        kSetting41 = 41,
        kByte52 = 52,
        kByte53 = 53,
    };
    // Flag bits and fields.
    enum : std::uint8_t { kPlacedAbove = 0x08, kField45 = 0x30, kField67 = 0xC0 };

    std::uint8_t* Bytes() { return reinterpret_cast<std::uint8_t*>(this); }
    const std::uint8_t* Bytes() const { return reinterpret_cast<const std::uint8_t*>(this); }

    // --- fields ---
    // The size field (GetSize is the size the code's class asks for).
    std::int16_t Size() const { return rec::Get<std::int16_t>(this, kSizeField); }
    void SetSize(std::int16_t v) { rec::Put(this, kSizeField, v); }
    std::uint8_t Code() const { return rec::Get<std::uint8_t>(this, kCode); }
    void SetCode(std::uint8_t v) { rec::Put(this, kCode, v); }
    std::uint8_t Flags() const { return rec::Get<std::uint8_t>(this, kFlags); }
    void SetFlags(std::uint8_t v) { rec::Put(this, kFlags, v); }
    std::int16_t XOffset() const { return rec::Get<std::int16_t>(this, kXOffset); }
    void SetXOffset(std::int16_t v) { rec::Put(this, kXOffset, v); }
    std::int16_t YOffset() const { return rec::Get<std::int16_t>(this, kYOffset); }
    void SetYOffset(std::int16_t v) { rec::Put(this, kYOffset, v); }
    MarkPlayback& Playback() { return *reinterpret_cast<MarkPlayback*>(Bytes() + kPlayback); }
    const MarkPlayback& Playback() const { return *reinterpret_cast<const MarkPlayback*>(Bytes() + kPlayback); }
    std::uint8_t GetByte(int offset) const { return rec::Get<std::uint8_t>(this, offset); }
    void SetByte(int offset, std::uint8_t v) { rec::Put(this, offset, v); }
    std::int16_t GetWord(int offset) const { return rec::Get<std::int16_t>(this, offset); }
    void SetWord(int offset, std::int16_t v) { rec::Put(this, offset, v); }
    // Text and letter marks: the character and its font.
    std::uint16_t Character() const { return rec::Get<std::uint16_t>(this, kCharacter); }
    void SetCharacter(std::uint16_t v) { rec::Put(this, kCharacter, v); }
    FontRef Font() const { return rec::Get<FontRef>(this, kFont); }
    void SetFont(const FontRef& f) { rec::Put(this, kFont, f); }
    void SetByte52(std::uint8_t v) { SetByte(kByte52, v); }

    // Initialises the mark at this address for a new mark of the code, with what the palettes
    // and the application hold (g_model.noteMarkInputs), and sets its size. Codes 230 and 231
    // (a fingering letter, a numbered fingering) become 100 + and 108 + the palette button.
    void Init(int code);
    // The size the mark's code asks for: 46, 44, 54, 48 or 40.
    int GetSize() const { return ClassSize(Code()); }
    static int ClassSize(int code);
    // The mark after this one.
    NoteMark* Next() { return reinterpret_cast<NoteMark*>(Bytes() + Size()); }
    const NoteMark* Next() const { return reinterpret_cast<const NoteMark*>(Bytes() + Size()); }

    // Byte 0 (placement kind) and byte 4 (the character drawn) of the code's glyph record; 0
    // for codes past the end of the table.
    int GetPlacementKind() const;
    int GetGlyph() const;

    bool IsCode0Or1() const { return Code() <= 1; }
    bool IsCode0To2() const { return Code() <= 2; }
    bool IsCode3To5() const { return Code() >= 3 && Code() <= 5; }
    bool IsCode3To6() const { return Code() >= 3 && Code() <= 6; }
    bool IsCodeBelow15() const { return Code() < 15; }
    bool IsCode30() const { return Code() == 30; }
    bool IsCode31To34() const { return Code() >= 31 && Code() <= 34; }
    bool IsCode70To89() const { return Code() >= 70 && Code() <= 89; }
    bool IsCode70To75Or80Or81() const { return (Code() >= 70 && Code() <= 75) || Code() == 80 || Code() == 81; }
    bool IsCode72Or75Or81() const { return Code() == 72 || Code() == 75 || Code() == 81; }
    bool IsCode100To107() const { return Code() >= 100 && Code() <= 107; }
    bool IsCode100To115() const { return Code() >= 100 && Code() <= 115; }
    bool IsCode250() const { return Code() == 250; }

    // --- stored form ---
    // A mark smaller than its class (older files) lacks the bytes from offset 8 on: the fields
    // after offset 8 are taken where they lie, ready for the missing bytes to be inserted at 8.
    // Bytes beyond the last whole field, up to the mark's size, go raw.
    void Write(CChunkStream& s) const;
    // The mark in place, memory to stored form.
    void ToFileOrder();
    // The mark in place, stored to memory form. False, and the mark untouched, when its stored
    // size is below 8 or above the `available` bytes that hold it.
    bool FromFileOrder(std::size_t available);
};
ZEL_RECORD_VIEW(NoteMark);
