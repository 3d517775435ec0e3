#include "formats/ImportText.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "framework/CodePage.h"

namespace formats {
namespace {

bool StartsWith(const std::uint8_t* bytes, std::size_t size, std::initializer_list<std::uint8_t> prefix) {
    if (size < prefix.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), bytes);
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The encoding the declaration at the start of an 8-bit text names ("" when none).
std::string DeclaredEncoding(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view head(reinterpret_cast<const char*>(bytes), std::min<std::size_t>(size, 256));
    if (head.substr(0, 5) != "<?xml") return {};
    const std::size_t end = head.find("?>");
    const std::string_view decl = head.substr(0, end);
    const std::size_t at = decl.find("encoding");
    if (at == std::string_view::npos) return {};
    std::size_t q = decl.find_first_of("\"'", at);
    if (q == std::string_view::npos) return {};
    const std::size_t close = decl.find(decl[q], q + 1);
    if (close == std::string_view::npos) return {};
    return Lower(decl.substr(q + 1, close - q - 1));
}

struct Entity {
    const char* name;  // after the "&", with its ";"
    const char* text;
};
const Entity kEntities[] = {
    {"quot;", "\""}, {"amp;", "&"}, {"frasl;", "/"}, {"lt;", "<"},
    {"gt;", ">"},    {"ndash;", "-"}, {"mdash;", "_"}, {"apos;", "'"},
};

}  // namespace

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

void ImportText::Note(std::size_t decoded, std::uint64_t file, std::uint8_t unit) {
    if (!marks_.empty()) {
        const Mark& last = marks_.back();
        // A mark that continues the run before it at the same rate adds nothing.
        if (unit != 0 && last.unit == unit && last.file + (decoded - last.decoded) * unit == file) return;
        if (last.decoded == decoded) {
            marks_.back() = Mark{decoded, file, unit};
            return;
        }
    }
    marks_.push_back(Mark{decoded, file, unit});
}

void ImportText::Decode(const std::uint8_t* bytes, std::size_t size) {
    text_.clear();
    marks_.clear();
    fileSize_ = size;
    if (StartsWith(bytes, size, {0xFF, 0xFE})) {
        DecodeUtf16(bytes, size, 2, false);
    } else if (StartsWith(bytes, size, {0xFE, 0xFF})) {
        DecodeUtf16(bytes, size, 2, true);
    } else if (StartsWith(bytes, size, {'<', 0x00})) {
        DecodeUtf16(bytes, size, 0, false);
    } else if (StartsWith(bytes, size, {0x00, '<'})) {
        DecodeUtf16(bytes, size, 0, true);
    } else {
        const std::string encoding = DeclaredEncoding(bytes, size);
        if (encoding == "gb2312" || encoding == "gbk" || encoding == "gb18030" || encoding == "cp936" ||
            encoding == "windows-936" || encoding == "x-gbk") {
            source_ = Source::kCodePage;
            text_.assign(reinterpret_cast<const char*>(bytes), size);
            Note(0, 0, 1);
        } else if (encoding == "iso-8859-1" || encoding == "latin1" || encoding == "latin-1" ||
                   encoding == "windows-1252" || encoding == "cp1252") {
            DecodeLatin1(bytes, size);
        } else {
            source_ = Source::kUtf8;
            const std::size_t skip = StartsWith(bytes, size, {0xEF, 0xBB, 0xBF}) ? 3 : 0;
            text_.assign(reinterpret_cast<const char*>(bytes) + skip, size - skip);
            Note(0, skip, 1);
        }
    }
    if (marks_.empty()) Note(0, 0, 1);
}

void ImportText::DecodeUtf16(const std::uint8_t* bytes, std::size_t size, std::size_t from, bool bigEndian) {
    source_ = bigEndian ? Source::kUtf16BE : Source::kUtf16LE;
    text_.reserve((size - from) / 2);
    const auto unitAt = [&](std::size_t at) {
        return bigEndian ? std::uint32_t(bytes[at] << 8 | bytes[at + 1]) : std::uint32_t(bytes[at + 1] << 8 | bytes[at]);
    };
    std::size_t at = from;
    Note(0, at, 2);
    while (at + 1 < size) {
        const std::size_t start = at;
        std::uint32_t c = unitAt(at);
        at += 2;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (at + 1 < size) {
                const std::uint32_t low = unitAt(at);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    at += 2;
                } else {
                    c = 0xFFFD;
                }
            } else {
                c = 0xFFFD;
            }
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            Note(text_.size(), start, 2);
            text_ += char(c);
        } else {
            Note(text_.size(), start, 0);
            AppendUtf8(text_, c);
        }
    }
    if (at < size) {
        // An odd last byte: half a character.
        Note(text_.size(), at, 0);
        AppendUtf8(text_, 0xFFFD);
    }
}

void ImportText::DecodeLatin1(const std::uint8_t* bytes, std::size_t size) {
    source_ = Source::kLatin1;
    text_.reserve(size);
    for (std::size_t at = 0; at < size; ++at) {
        const std::uint8_t c = bytes[at];
        if (c < 0x80) {
            Note(text_.size(), at, 1);
            text_ += char(c);
        } else {
            Note(text_.size(), at, 0);
            AppendUtf8(text_, c);
        }
    }
}

std::uint64_t ImportText::FileOffset(std::size_t at) const {
    if (at >= text_.size()) return fileSize_;
    auto it = std::upper_bound(marks_.begin(), marks_.end(), at,
                               [](std::size_t value, const Mark& m) { return value < m.decoded; });
    if (it == marks_.begin()) return 0;
    const Mark& m = *(it - 1);
    return m.unit == 0 ? m.file : m.file + std::uint64_t(at - m.decoded) * m.unit;
}

std::string ImportText::ToCodePage(std::string_view raw) const {
    std::string decoded;
    decoded.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size();) {
        if (raw[i] != '&') {
            decoded += raw[i++];
            continue;
        }
        const std::string_view rest = raw.substr(i + 1);
        bool done = false;
        for (const Entity& e : kEntities) {
            const std::size_t n = std::strlen(e.name);
            if (rest.substr(0, n) == e.name) {
                decoded += e.text;
                i += 1 + n;
                done = true;
                break;
            }
        }
        if (!done && !rest.empty() && rest[0] == '#') {
            // A numeric reference: decimal, or hexadecimal after "x".
            const bool hex = rest.size() > 1 && (rest[1] == 'x' || rest[1] == 'X');
            std::size_t k = hex ? 2 : 1;
            std::uint32_t code = 0;
            bool digits = false;
            for (; k < rest.size() && k < 12; ++k) {
                const char c = rest[k];
                int d = -1;
                if (c >= '0' && c <= '9') d = c - '0';
                else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
                else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
                if (d < 0) break;
                code = code * (hex ? 16 : 10) + std::uint32_t(d);
                digits = true;
            }
            if (digits && k < rest.size() && rest[k] == ';') {
                std::string utf8;
                AppendUtf8(utf8, code == 0 ? 0xFFFD : code);
                decoded += source_ == Source::kCodePage ? fw::FromUtf8(utf8) : utf8;
                i += 1 + k + 1;
                done = true;
            }
        }
        if (!done) decoded += raw[i++];
    }
    if (source_ == Source::kCodePage) return decoded;
    return fw::FromUtf8(decoded);
}

}  // namespace formats
