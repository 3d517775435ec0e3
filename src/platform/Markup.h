// A small, forgiving reader for XML-like text held whole in memory: the next tag, the text up
// to the next tag, and attribute values of a tag, with a fixed set of character entities and
// the common UTF-8 letters turned into the program's code page. No tree, no namespaces, no
// nesting check: callers walk tags in order and compare names themselves. The tag buffer
// also serves line formats (transportable-file lines), with helpers that read numbers from a
// parse position.
#pragma once
#include <cstddef>
#include <cstdint>

#include "framework/Types.h"
#include "platform/FontRef.h"

// One tag ("<" ... ">") or one line of text.
struct MarkupTag {
    static constexpr std::size_t kTextSize = 256;   // 255 characters and the terminator
    static constexpr std::size_t kMaxNumbers = 128; // a 255-character line holds no more tokens

    char text[kTextSize] = {};
    // After CMarkupReader::ReadTag: 1 when the tag closes itself ("/" right before ">").
    // For the line helpers: the parse position, a byte index into text.
    std::uint32_t flagOrPos = 0;
    std::uint16_t numbers[kMaxNumbers] = {};

    // --- attributes: name + "=" found as its first occurrence anywhere in the tag, directly
    // followed by a double quote (single-quoted values are not found) ---
    // Address just after the opening quote of the value, or null.
    const char* FindAttr(const char* name) const;
    // Copies the value up to its closing quote into out (outSize bytes with the terminator;
    // a longer value is cut). Absent: false, out unchanged. No closing quote: false, out empty.
    bool GetAttr(const char* name, char* out, std::size_t outSize) const;
    template <std::size_t N>
    bool GetAttr(const char* name, char (&out)[N]) const { return GetAttr(name, out, N); }
    // Decimal values (atoi rules); false when absent.
    bool GetIntAttr(const char* name, std::int16_t& v) const;
    bool GetByteAttr(const char* name, std::int8_t& v) const;
    bool GetU8Attr(const char* name, std::uint8_t& v) const;
    bool GetLongAttr(const char* name, std::int32_t& v) const;
    // The value read as a note name (letters, with octave) into a MIDI key; the default when
    // the attribute is absent (then false).
    bool GetNoteAttr(const char* name, std::int16_t& v, std::int16_t defaultValue) const;
    bool GetNoteAttrByte(const char* name, std::uint8_t& v, std::uint8_t defaultValue) const;
    // "on"/"yes" give 1, "off"/"no" 0, any other value leaves v; true when the attribute exists.
    bool GetBoolAttr(const char* name, BYTE& v) const;
    bool AttrEquals(const char* name, const char* value) const;
    // The tag text begins with word, ignoring case.
    bool StartsWith(const char* word) const;
    // "implicit=" occurs in the tag and word occurs after its quoted value begins.
    bool HasImplicit(const char* word) const;

    // --- line helpers, working from the parse position ---
    // Copies a line (cut at 255 bytes without splitting a double-byte character); position 0.
    void Set(const char* line);
    // Finds word from the position on; when found the position moves just past it.
    bool SkipPast(const char* word);
    // Moves the position past the next space (or to the end).
    void SkipWord();
    // A digit occurs in the run of digits and "-" at the position (after one space, as
    // ReadNumber skips it): whether ReadNumber would read a number.
    bool HasNumber() const;
    // Skips one space, reads the number up to a space, ")", "," or the end, and moves the
    // position past it and the character that ended it.
    int ReadNumber();
    // Splits the text at spaces (the text is changed); the second token becomes number 0, the
    // third number 1, ... (atoi, 16-bit). Unused numbers are 0. Returns how many were stored.
    int SplitNumbers();
    // Copies the text from the position + 2 on, without its last character.
    void CopyInner(char* out, std::size_t outSize) const;

private:
    std::size_t Pos() const;
};

// Without a name: finds "^efx" in the line and copies what follows the next ")" into out, cut
// at "^end". With a name: finds it and copies what follows the next "(" into out, cut at the
// first ")". False when the name (or "^efx") is absent.
bool ReadEtfBlockText(const MarkupTag& tag, char* out, std::size_t outSize, const char* name = nullptr);

// The cursor over a NUL-terminated text (or a text of a given length) that the caller owns.
class CMarkupReader {
public:
    static constexpr std::size_t kTextBufferSize = 256;

    // step 1 reads 8-bit text; a larger step reads only the first byte of each character
    // (2: the low bytes of 16-bit little-endian text).
    explicit CMarkupReader(const char* text, std::int16_t step = 1);
    // A text that ends at `end` (or at a NUL before it): nothing at or beyond end is read.
    CMarkupReader(const char* text, const char* end, std::int16_t step = 1);

    // Reads the next tag. Without a name: true when a tag was read, false at the end of the
    // text (a tag cut off by the end counts as none). With a name: true while the tag read
    // does NOT begin with it (case-sensitive), false when it does or at the end.
    bool ReadTag(MarkupTag& tag, const char* name = nullptr);
    // Text up to the next "<" (or the end), UTF-8 letters turned into the code page and
    // entities decoded, cut to outSize bytes with the terminator. The cursor stops on the "<".
    void ReadText(char* out, std::size_t outSize = kTextBufferSize);
    // ReadText, then the decimal number at its start (atoi rules); also returned.
    std::int16_t ReadTextInt(std::int16_t& v);
    std::int32_t ReadTextLong(std::int32_t& v);

    // GetAttr, then entity decoding; on failure out is empty and false is returned.
    static bool GetAttrDecoded(const MarkupTag& tag, const char* name, char* out, std::size_t outSize);
    static bool IsPlacementAbove(const MarkupTag& tag);
    static bool IsPlacementBelow(const MarkupTag& tag);
    // Copies every value standing in double or single quotes, each followed by a NUL, until a
    // "/" outside quotes or the end; the list ends with an empty value. At most outSize bytes.
    static void ListQuotedValues(const char* text, char* out, std::size_t outSize = kTextBufferSize);
    // The first quoted value as a decimal number; false (v unchanged) when there is none.
    static bool FirstQuotedInt(const char* text, std::int16_t& v);
    // Finds name + "=" anywhere in the text (false when absent); the value between the next
    // two double quotes becomes v (atoi). A value of 255 characters or more gives false; no
    // quote after the name gives v = 0.
    static bool GetNamedNumber(const char* text, const char* name, std::int16_t& v);
    // "font-size", "font-family", "weight" and "style" into a font reference; absent
    // attributes (and a face not installed) leave it as it is.
    static void ReadFontAttrs(const MarkupTag& tag, FontRef& ref);

    // Replaces the entities quot, amp, frasl, lt, gt, ndash, mdash and apos in place.
    static void DecodeEntities(char* text);

    const char* pos;     // the next character to read
    const char* start;   // the start of the text
    std::int16_t step;   // bytes per character

private:
    // The next character's first byte, advancing; 0 at the end.
    unsigned char Next();
    // The next character's first byte without advancing; 0 at the end.
    unsigned char Peek() const;

    const char* end_;    // null: the text ends at its NUL only
};
