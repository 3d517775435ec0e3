#include "platform/Markup.h"

#include "platform/FontMap.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "framework/CodePage.h"
#include "platform/Theory.h"

namespace {

constexpr std::size_t kValueBuffer = 256;

// atoi rules (leading blanks, sign, digits, anything after ignored), without overflow.
int AtoI(const char* s) {
    long long v = std::strtoll(s, nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return int(v);
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// Length of the first n bytes of s with a double-byte character cut in two dropped.
std::size_t WholeChars(const char* s, std::size_t n) {
    std::size_t i = 0;
    while (i < n) {
        if (fw::IsLeadByte(static_cast<unsigned char>(s[i]))) {
            if (i + 1 >= n) break;
            i += 2;
        } else {
            ++i;
        }
    }
    return i;
}

bool IsContinuation(unsigned char b) { return b >= 0x80 && b <= 0xBF; }

// The UTF-8 sequences that text in markup files uses for letters and punctuation of the
// Latin range (0xC2 xx, 0xC3 xx) and the right single quotation mark, in the code page.
// Other bytes stay as they are.
std::string ConvertLetters(const std::string& raw) {
    std::string out;
    out.reserve(raw.size());
    const std::size_t n = raw.size();
    for (std::size_t i = 0; i < n;) {
        unsigned char b = static_cast<unsigned char>(raw[i]);
        unsigned char b1 = i + 1 < n ? static_cast<unsigned char>(raw[i + 1]) : 0;
        unsigned char b2 = i + 2 < n ? static_cast<unsigned char>(raw[i + 2]) : 0;
        if ((b == 0xC2 || b == 0xC3) && IsContinuation(b1)) {
            if (b == 0xC2 && b1 == 0xA0) out += ' ';  // no-break space
            else out += fw::FromUtf8(std::string_view(raw.data() + i, 2));
            i += 2;
        } else if (b == 0xE2 && b1 == 0x80 && b2 == 0x99) {
            out += fw::FromUtf8(std::string_view(raw.data() + i, 3));
            i += 3;
        } else {
            out += char(b);
            ++i;
        }
    }
    return out;
}

struct Entity {
    const char* name;  // after the "&", with its ";"
    char ch;
};
const Entity kEntities[] = {
    {"quot;", '"'}, {"amp;", '&'}, {"frasl;", '/'}, {"lt;", '<'},
    {"gt;", '>'},   {"ndash;", '-'}, {"mdash;", '_'}, {"apos;", '\''},
};

}  // namespace

// --- MarkupTag: attributes ---------------------------------------------------------------------

const char* MarkupTag::FindAttr(const char* name) const {
    if (!name) return nullptr;
    std::string needle = std::string(name) + "=";
    const char* p = std::strstr(text, needle.c_str());
    if (!p) return nullptr;
    p += needle.size();
    return *p == '"' ? p + 1 : nullptr;
}

bool MarkupTag::GetAttr(const char* name, char* out, std::size_t outSize) const {
    const char* v = FindAttr(name);
    if (!v) return false;
    const char* q = std::strchr(v, '"');
    if (!q) {
        if (out && outSize) out[0] = 0;
        return false;
    }
    fw::CopyText(out, outSize, std::string_view(v, std::size_t(q - v)));
    return true;
}

bool MarkupTag::GetIntAttr(const char* name, std::int16_t& v) const {
    char buf[kValueBuffer];
    if (!GetAttr(name, buf)) return false;
    v = std::int16_t(AtoI(buf));
    return true;
}

bool MarkupTag::GetByteAttr(const char* name, std::int8_t& v) const {
    char buf[kValueBuffer];
    if (!GetAttr(name, buf)) return false;
    v = std::int8_t(AtoI(buf));
    return true;
}

bool MarkupTag::GetU8Attr(const char* name, std::uint8_t& v) const {
    char buf[kValueBuffer];
    if (!GetAttr(name, buf)) return false;
    v = std::uint8_t(AtoI(buf));
    return true;
}

bool MarkupTag::GetLongAttr(const char* name, std::int32_t& v) const {
    char buf[kValueBuffer];
    if (!GetAttr(name, buf)) return false;
    v = std::int32_t(AtoI(buf));
    return true;
}

bool MarkupTag::GetNoteAttr(const char* name, std::int16_t& v, std::int16_t defaultValue) const {
    char buf[kValueBuffer];
    if (!GetAttr(name, buf)) {
        v = defaultValue;
        return false;
    }
    v = std::int16_t(CTheory::ParseNoteName(buf, CTheory::kLetters));
    return true;
}

bool MarkupTag::GetNoteAttrByte(const char* name, std::uint8_t& v, std::uint8_t defaultValue) const {
    char buf[kValueBuffer];
    if (!GetAttr(name, buf)) {
        v = defaultValue;
        return false;
    }
    v = std::uint8_t(CTheory::ParseNoteName(buf, CTheory::kLetters));
    return true;
}

bool MarkupTag::GetBoolAttr(const char* name, BYTE& v) const {
    char buf[kValueBuffer];
    if (!GetAttr(name, buf)) return false;
    if (!std::strcmp(buf, "on") || !std::strcmp(buf, "yes")) v = 1;
    else if (!std::strcmp(buf, "off") || !std::strcmp(buf, "no")) v = 0;
    return true;
}

bool MarkupTag::AttrEquals(const char* name, const char* value) const {
    char buf[kValueBuffer];
    return value && GetAttr(name, buf) && std::strcmp(buf, value) == 0;
}

bool MarkupTag::StartsWith(const char* word) const {
    if (!word) return false;
    for (std::size_t i = 0; word[i]; ++i)
        if (LowerAscii(text[i]) != LowerAscii(word[i])) return false;  // stops at text's NUL too
    return true;
}

bool MarkupTag::HasImplicit(const char* word) const {
    const char* p = std::strstr(text, "implicit=");
    if (!p || !word) return false;
    std::size_t from = std::size_t(p - text) + 10;  // past `implicit="`
    if (from > std::strlen(text)) return false;
    return std::strstr(text + from, word) != nullptr;
}

// --- MarkupTag: line helpers -------------------------------------------------------------------

std::size_t MarkupTag::Pos() const {
    std::size_t len = std::strlen(text);
    return flagOrPos < len ? flagOrPos : len;
}

void MarkupTag::Set(const char* line) {
    fw::CopyText(text, kTextSize, line ? line : "");
    flagOrPos = 0;
}

bool MarkupTag::SkipPast(const char* word) {
    if (!word) return false;
    const char* f = std::strstr(text + Pos(), word);
    if (!f) return false;
    flagOrPos = std::uint32_t(f - text + std::strlen(word));
    return true;
}

void MarkupTag::SkipWord() {
    std::size_t p = Pos();
    const char* f = std::strchr(text + p, ' ');
    flagOrPos = std::uint32_t(f ? std::size_t(f - text) + 1 : std::strlen(text));
}

bool MarkupTag::HasNumber() const {
    std::size_t p = Pos();
    if (text[p] == ' ') ++p;  // as ReadNumber
    for (; (text[p] >= '0' && text[p] <= '9') || text[p] == '-'; ++p)
        if (text[p] != '-') return true;
    return false;
}

int MarkupTag::ReadNumber() {
    std::size_t p = Pos();
    if (text[p] == ' ') ++p;
    std::size_t q = p;
    while (text[q] && text[q] != ' ' && text[q] != ')' && text[q] != ',') ++q;
    std::string digits(text + p, q - p);
    if (text[q]) ++q;  // the character that ended the number
    flagOrPos = std::uint32_t(q);
    return AtoI(digits.c_str());
}

int MarkupTag::SplitNumbers() {
    std::memset(numbers, 0, sizeof numbers);
    text[kTextSize - 1] = 0;
    char* save = nullptr;
    if (!strtok_r(text, " ", &save)) return 0;  // the first token is not a number
    int count = 0;
    while (count < int(kMaxNumbers)) {
        char* tok = strtok_r(nullptr, " ", &save);
        if (!tok) break;
        numbers[count++] = std::uint16_t(AtoI(tok));
    }
    return count;
}

void MarkupTag::CopyInner(char* out, std::size_t outSize) const {
    if (!out || !outSize) return;
    std::size_t len = std::strlen(text);
    std::size_t from = Pos() + 2;
    if (from >= len) {
        out[0] = 0;
        return;
    }
    fw::CopyText(out, outSize, std::string_view(text + from, len - 1 - from));
}

bool ReadEtfBlockText(const MarkupTag& tag, char* out, std::size_t outSize, const char* name) {
    const char* found = std::strstr(tag.text, name ? name : "^efx");
    if (!found) return false;
    std::string_view value;
    if (!name) {
        const char* open = std::strchr(found, ')');
        if (open) {
            const char* s = open + 1;
            const char* e = std::strstr(s, "^end");
            value = std::string_view(s, e ? std::size_t(e - s) : std::strlen(s));
        }
    } else {
        const char* open = std::strchr(found + std::strlen(name), '(');
        if (open) {
            const char* s = open + 1;
            const char* e = std::strchr(s, ')');
            value = std::string_view(s, e ? std::size_t(e - s) : std::strlen(s));
        }
    }
    fw::CopyText(out, outSize, value);
    return true;
}

// --- CMarkupReader -----------------------------------------------------------------------------

CMarkupReader::CMarkupReader(const char* text, std::int16_t step_)
    : pos(text), start(text), step(step_ > 0 ? step_ : 1), end_(nullptr) {}

CMarkupReader::CMarkupReader(const char* text, const char* end, std::int16_t step_)
    : pos(text), start(text), step(step_ > 0 ? step_ : 1), end_(text ? end : nullptr) {}

unsigned char CMarkupReader::Peek() const {
    if (!pos || (end_ && pos >= end_)) return 0;
    return static_cast<unsigned char>(*pos);
}

unsigned char CMarkupReader::Next() {
    unsigned char c = Peek();
    if (!c) return 0;
    if (end_ && end_ - pos < step) pos = end_;
    else pos += step;
    return c;
}

bool CMarkupReader::ReadTag(MarkupTag& tag, const char* name) {
    tag.flagOrPos = 0;
    tag.text[0] = 0;
    unsigned char c;
    do {
        c = Next();
        if (!c) return false;
    } while (c != '<');

    constexpr std::size_t kMax = MarkupTag::kTextSize - 1;
    std::size_t n = 0;
    bool cut = false;
    auto store = [&](unsigned char ch) {
        if (n < kMax) tag.text[n++] = char(ch);
        else cut = true;
    };
    store('<');
    unsigned char quote = 0;     // the quote character of the value being read
    bool comment = false;        // "<!--" ... "-->": quotes mean nothing inside
    int dashes = 0;
    unsigned char prev = '<';
    bool closed = false;
    while ((c = Next()) != 0) {
        store(c);
        if (!comment && n == 4 && std::memcmp(tag.text, "<!--", 4) == 0) {
            comment = true;
            dashes = 0;
            prev = c;
            continue;
        }
        if (comment) {
            if (c == '>' && dashes >= 2) {
                closed = true;
                break;
            }
            dashes = c == '-' ? dashes + 1 : 0;
        } else if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            closed = true;
            break;
        }
        prev = c;
    }
    if (cut) n = WholeChars(tag.text, n);
    tag.text[n] = 0;
    if (!closed) return false;  // the text ended inside the tag
    if (prev == '/') tag.flagOrPos = 1;
    if (!name) return true;
    return std::strncmp(tag.text, name, std::strlen(name)) != 0;
}

void CMarkupReader::ReadText(char* out, std::size_t outSize) {
    std::string raw;
    for (unsigned char c = Peek(); c && c != '<'; c = Peek()) {
        raw += char(c);
        Next();
    }
    std::string text = ConvertLetters(raw);
    DecodeEntities(text.data());
    text.resize(std::strlen(text.c_str()));
    fw::CopyText(out, outSize, text);
}

std::int16_t CMarkupReader::ReadTextInt(std::int16_t& v) {
    char buf[kTextBufferSize];
    ReadText(buf, sizeof buf);
    v = std::int16_t(AtoI(buf));
    return v;
}

std::int32_t CMarkupReader::ReadTextLong(std::int32_t& v) {
    char buf[kTextBufferSize];
    ReadText(buf, sizeof buf);
    v = std::int32_t(AtoI(buf));
    return v;
}

void CMarkupReader::DecodeEntities(char* text) {
    if (!text) return;
    char* w = text;
    const char* r = text;
    while (*r) {
        if (*r == '&') {
            const Entity* hit = nullptr;
            for (const Entity& e : kEntities)
                if (std::strncmp(r + 1, e.name, std::strlen(e.name)) == 0) {
                    hit = &e;
                    break;
                }
            if (hit) {
                *w++ = hit->ch;
                r += 1 + std::strlen(hit->name);
                continue;
            }
        }
        *w++ = *r++;
    }
    *w = 0;
}

bool CMarkupReader::GetAttrDecoded(const MarkupTag& tag, const char* name, char* out, std::size_t outSize) {
    const char* v = tag.FindAttr(name);
    const char* q = v ? std::strchr(v, '"') : nullptr;
    if (!q) {
        if (out && outSize) out[0] = 0;
        return false;
    }
    std::string value(v, std::size_t(q - v));
    DecodeEntities(value.data());
    value.resize(std::strlen(value.c_str()));
    fw::CopyText(out, outSize, value);
    return true;
}

bool CMarkupReader::IsPlacementAbove(const MarkupTag& tag) {
    char buf[kValueBuffer];
    return GetAttrDecoded(tag, "placement", buf, sizeof buf) &&
           (!std::strcmp(buf, "over") || !std::strcmp(buf, "above"));
}

bool CMarkupReader::IsPlacementBelow(const MarkupTag& tag) {
    char buf[kValueBuffer];
    return GetAttrDecoded(tag, "placement", buf, sizeof buf) &&
           (!std::strcmp(buf, "under") || !std::strcmp(buf, "below"));
}

void CMarkupReader::ListQuotedValues(const char* text, char* out, std::size_t outSize) {
    if (!out || !outSize) return;
    const std::size_t limit = outSize - 1;  // room for the empty value that ends the list
    std::size_t n = 0;
    const char* p = text ? text : "";
    while (*p && *p != '/') {
        if (*p != '"' && *p != '\'') {
            ++p;
            continue;
        }
        const char quote = *p++;
        const char* s = p;
        while (*p && *p != quote) ++p;
        std::string_view value(s, std::size_t(p - s));
        if (n >= limit) break;
        std::size_t take = fw::FitBytes(value, limit - n - 1);
        std::memcpy(out + n, s, take);
        n += take;
        out[n++] = 0;
        if (take < value.size()) break;  // full
        if (*p) ++p;
    }
    out[n] = 0;
}

bool CMarkupReader::FirstQuotedInt(const char* text, std::int16_t& v) {
    if (!text) return false;
    const char* p = std::strpbrk(text, "\"'");
    if (!p) return false;
    const char* e = std::strchr(p + 1, *p);
    std::string value(p + 1, e ? std::size_t(e - p - 1) : std::strlen(p + 1));
    v = std::int16_t(AtoI(value.c_str()));
    return true;
}

bool CMarkupReader::GetNamedNumber(const char* text, const char* name, std::int16_t& v) {
    if (!text || !name) return false;
    std::string needle = std::string(name) + "=";
    const char* f = std::strstr(text, needle.c_str());
    if (!f) return false;
    const char* q = std::strchr(f + needle.size(), '"');
    if (!q) {
        v = 0;
        return true;
    }
    const char* s = q + 1;
    const char* e = std::strchr(s, '"');
    std::size_t len = e ? std::size_t(e - s) : std::strlen(s);
    if (len >= 255) return false;
    v = std::int16_t(AtoI(std::string(s, len).c_str()));
    return true;
}

void CMarkupReader::ReadFontAttrs(const MarkupTag& tag, FontRef& ref) {
    char buf[kValueBuffer];
    if (tag.GetAttr("font-size", buf)) {
        double size = std::atof(buf) * 1.34 + 0.5;
        if (!(size >= 0)) size = 0;
        if (size > 65535) size = 65535;
        ref.size = WORD(size);
    }
    // The family is looked up in the installed-font list; a family that is not installed
    // leaves no face (65535), and the first face of the list is a face like any other.
    if (GetAttrDecoded(tag, "font-family", buf, sizeof buf)) {
        FontRef found;
        if (const CFontList* list = GetFontList()) list->FindFace(buf, &found, false);
        ref.face = found.face;
    }
    if (tag.AttrEquals("weight", "bold")) ref.style |= 1;
    if (tag.AttrEquals("style", "italic")) ref.style |= 2;
}
