// The text of an imported markup file at the boundary: the file's bytes decoded whole (by its
// byte order mark, or for 8-bit text by the encoding its declaration names) into one text the
// markup reader walks, with the way back from every byte of it to the file's own byte offset,
// and the element texts taken from it into the program's code page.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace formats {

class ImportText {
public:
    enum class Source { kUtf8, kUtf16LE, kUtf16BE, kLatin1, kCodePage };

    // Decodes a file image. UTF-16 (either byte order, with its mark or starting "<") is decoded
    // unit by unit into UTF-8, a broken surrogate or odd last byte giving U+FFFD; 8-bit text
    // stays as it is when it is UTF-8 (the default, its mark skipped) or names the program's own
    // code page, and Latin-1 text becomes UTF-8.
    void Decode(const std::uint8_t* bytes, std::size_t size);

    // The decoded text (ASCII-compatible: every tag reads as it would in the file).
    const std::string& Text() const { return text_; }
    Source GetSource() const { return source_; }
    // The file's byte offset of the decoded text's byte `at` (the start of its character; the
    // file's length at or past the text's end).
    std::uint64_t FileOffset(std::size_t at) const;

    // An element's text (the characters between two tags, entities undecoded) in the code page:
    // the entities quot, amp, apos, lt, gt, frasl, ndash, mdash and numeric character
    // references decoded, then converted; a character the code page lacks becomes "?".
    std::string ToCodePage(std::string_view raw) const;

private:
    // Where the offsets change their rate: from `decoded` on, a character of the text lies at
    // `file` + (at - decoded) x `unit` (unit 0: every byte up to the next mark is one character
    // that starts at `file`).
    struct Mark {
        std::size_t decoded;
        std::uint64_t file;
        std::uint8_t unit;
    };
    void Note(std::size_t decoded, std::uint64_t file, std::uint8_t unit);
    void DecodeUtf16(const std::uint8_t* bytes, std::size_t size, std::size_t from, bool bigEndian);
    void DecodeLatin1(const std::uint8_t* bytes, std::size_t size);

    std::string text_;
    std::vector<Mark> marks_;
    std::uint64_t fileSize_ = 0;
    Source source_ = Source::kUtf8;
};

// Appends the UTF-8 form of a code point (U+FFFD for one outside Unicode or a surrogate).
void AppendUtf8(std::string& out, std::uint32_t code);

}  // namespace formats
