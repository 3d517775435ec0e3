// CString: a growable text in the program's code page.
#pragma once
#include <cstdarg>
#include <string>
#include <string_view>

class CString {
public:
    CString() = default;
    CString(const char* s) : s_(s ? s : "") {}
    CString(std::string s) : s_(std::move(s)) {}
    CString(std::string_view s) : s_(s) {}
    CString(char c, int count) : s_(count > 0 ? std::size_t(count) : 0, c) {}

    int GetLength() const { return int(s_.size()); }
    bool IsEmpty() const { return s_.empty(); }
    void Empty() { s_.clear(); }
    operator const char*() const { return s_.c_str(); }
    const char* c_str() const { return s_.c_str(); }
    const std::string& str() const { return s_; }
    char GetAt(int i) const { return s_[std::size_t(i)]; }
    void SetAt(int i, char c) { s_[std::size_t(i)] = c; }
    char operator[](int i) const { return s_[std::size_t(i)]; }

    CString& operator=(const char* s) {
        s_ = s ? s : "";
        return *this;
    }
    CString& operator+=(const CString& o) {
        s_ += o.s_;
        return *this;
    }
    CString& operator+=(const char* s) {
        if (s) s_ += s;
        return *this;
    }
    CString& operator+=(char c) {
        s_ += c;
        return *this;
    }
    friend CString operator+(const CString& a, const CString& b) { return CString(a.s_ + b.s_); }
    friend CString operator+(const CString& a, const char* b) { return CString(a.s_ + (b ? b : "")); }
    friend CString operator+(const char* a, const CString& b) { return CString((a ? a : "") + b.s_); }
    friend bool operator==(const CString& a, const CString& b) { return a.s_ == b.s_; }
    friend bool operator==(const CString& a, const char* b) { return a.s_ == (b ? b : ""); }
    friend bool operator<(const CString& a, const CString& b) { return a.s_ < b.s_; }

    int Compare(const char* s) const { return s_.compare(s ? s : ""); }
    int CompareNoCase(const char* s) const;
    int Find(char c, int start = 0) const;
    int Find(const char* s, int start = 0) const;
    int ReverseFind(char c) const;
    CString Left(int n) const;
    CString Mid(int first, int count = -1) const;
    CString Right(int n) const;
    void MakeLower();
    void MakeUpper();
    void TrimLeft();
    void TrimRight();
    void Format(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char* fmt, va_list args);

    // Room for n bytes plus a terminator; ReleaseBuffer takes the length up to the terminator
    // (or n when given).
    char* GetBuffer(int n);
    void ReleaseBuffer(int n = -1);

private:
    std::string s_;
};
