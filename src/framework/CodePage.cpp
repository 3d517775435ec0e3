#include "framework/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace fw {
namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts in; on a byte it cannot take, appends `replacement` and skips `skip` bytes
    // (or one whole UTF-8 character when skipUtf8 is set).
    std::string run(std::string_view in, std::string_view replacement, bool skipUtf8) {
        std::string out;
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return std::string(in);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        std::size_t left = in.size();
        char buf[512];
        while (left > 0) {
            char* dst = buf;
            std::size_t room = sizeof buf;
            std::size_t r = iconv(cd_, &src, &left, &dst, &room);
            out.append(buf, std::size_t(dst - buf));
            if (r == static_cast<std::size_t>(-1)) {
                if (errno == E2BIG) continue;
                // EILSEQ or EINVAL: an unconvertible or incomplete sequence.
                out.append(replacement);
                std::size_t skip = 1;
                if (skipUtf8) {
                    unsigned char c = static_cast<unsigned char>(*src);
                    skip = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
                } else if (IsLeadByte(static_cast<unsigned char>(*src)) && left >= 2) {
                    skip = 2;
                }
                if (skip > left) skip = left;
                src += skip;
                left -= skip;
                iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            }
        }
        char* dst = buf;
        std::size_t room = sizeof buf;
        iconv(cd_, nullptr, nullptr, &dst, &room);
        out.append(buf, std::size_t(dst - buf));
        return out;
    }

private:
    iconv_t cd_;
};

}  // namespace

std::size_t CharBytes(const char* text) {
    if (!text || !*text) return 0;
    if (IsLeadByte(static_cast<unsigned char>(text[0])) && text[1] != 0) return 2;
    return 1;
}

std::size_t FitBytes(std::string_view text, std::size_t maxBytes) {
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t n = (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
        if (i + n > maxBytes) break;
        i += n;
    }
    return i;
}

std::size_t CopyText(char* dest, std::size_t size, std::string_view src) {
    if (!dest || size == 0) return 0;
    std::size_t n = FitBytes(src, size - 1);
    std::memcpy(dest, src.data(), n);
    dest[n] = 0;
    return n;
}

std::string ToUtf8(std::string_view text) {
    bool ascii = true;
    for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return std::string(text);
    thread_local Converter conv("UTF-8", "CP936");
    // 0xFF, never a lead or trail byte of the code page, is the no-break space.
    std::string out;
    for (std::size_t from = 0;;) {
        const std::size_t at = text.find(kNoBreakSpace[0], from);
        out += conv.run(text.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from),
                        "\xEF\xBF\xBD", false);
        if (at == std::string_view::npos) return out;
        out += "\xC2\xA0";
        from = at + 1;
    }
}

std::string FromUtf8(std::string_view text) {
    bool ascii = true;
    for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return std::string(text);
    thread_local Converter conv("CP936", "UTF-8");
    std::string out;
    for (std::size_t from = 0;;) {
        const std::size_t at = text.find("\xC2\xA0", from);
        out += conv.run(text.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from), "?", true);
        if (at == std::string_view::npos) return out;
        out += kNoBreakSpace;
        from = at + 2;
    }
}

}  // namespace fw
