#include "framework/String.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "framework/CodePage.h"

int CString::CompareNoCase(const char* s) const { return ::strcasecmp(s_.c_str(), s ? s : ""); }

int CString::Find(char c, int start) const {
    if (start < 0 || std::size_t(start) > s_.size()) return -1;
    for (std::size_t i = std::size_t(start); i < s_.size();) {
        if (s_[i] == c) return int(i);
        i += fw::IsLeadByte(static_cast<unsigned char>(s_[i])) && i + 1 < s_.size() ? 2 : 1;
    }
    return -1;
}

int CString::Find(const char* s, int start) const {
    if (start < 0 || std::size_t(start) > s_.size()) return -1;
    std::size_t r = s_.find(s ? s : "", std::size_t(start));
    return r == std::string::npos ? -1 : int(r);
}

int CString::ReverseFind(char c) const {
    int last = -1;
    for (std::size_t i = 0; i < s_.size();) {
        if (s_[i] == c) last = int(i);
        i += fw::IsLeadByte(static_cast<unsigned char>(s_[i])) && i + 1 < s_.size() ? 2 : 1;
    }
    return last;
}

CString CString::Left(int n) const {
    if (n <= 0) return {};
    return CString(s_.substr(0, std::size_t(n)));
}

CString CString::Mid(int first, int count) const {
    if (first < 0) first = 0;
    if (std::size_t(first) >= s_.size()) return {};
    if (count < 0) return CString(s_.substr(std::size_t(first)));
    return CString(s_.substr(std::size_t(first), std::size_t(count)));
}

CString CString::Right(int n) const {
    if (n <= 0) return {};
    if (std::size_t(n) >= s_.size()) return *this;
    return CString(s_.substr(s_.size() - std::size_t(n)));
}

// Case changes touch single-byte letters only, never the bytes of a double-byte character.
void CString::MakeLower() {
    for (std::size_t i = 0; i < s_.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s_[i]);
        if (fw::IsLeadByte(c) && i + 1 < s_.size()) {
            ++i;
            continue;
        }
        if (c < 0x80) s_[i] = char(std::tolower(c));
    }
}

void CString::MakeUpper() {
    for (std::size_t i = 0; i < s_.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s_[i]);
        if (fw::IsLeadByte(c) && i + 1 < s_.size()) {
            ++i;
            continue;
        }
        if (c < 0x80) s_[i] = char(std::toupper(c));
    }
}

void CString::TrimLeft() {
    std::size_t i = 0;
    while (i < s_.size() && (s_[i] == ' ' || s_[i] == '\t' || s_[i] == '\r' || s_[i] == '\n')) ++i;
    s_.erase(0, i);
}

void CString::TrimRight() {
    while (!s_.empty() && (s_.back() == ' ' || s_.back() == '\t' || s_.back() == '\r' || s_.back() == '\n'))
        s_.pop_back();
}

void CString::Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    FormatV(fmt, args);
    va_end(args);
}

void CString::FormatV(const char* fmt, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (n < 0) {
        s_.clear();
        return;
    }
    std::string out(std::size_t(n) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), fmt, args);
    out.resize(std::size_t(n));
    s_ = std::move(out);
}

char* CString::GetBuffer(int n) {
    if (n < 0) n = 0;
    if (s_.size() < std::size_t(n)) s_.resize(std::size_t(n));
    s_.reserve(std::size_t(n) + 1);
    return s_.data();
}

void CString::ReleaseBuffer(int n) {
    if (n < 0) n = int(std::strlen(s_.c_str()));
    if (std::size_t(n) < s_.size()) s_.resize(std::size_t(n));
}
