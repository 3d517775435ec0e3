// Plain integer and geometry types shared by the framework and the program.
#pragma once
#include <cstddef>
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using BOOL = int;
using COLORREF = std::uint32_t;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// A relocatable memory block: a 32-bit id into the framework's handle table (0 = none).
using HGLOBAL = std::uint32_t;

struct POINT {
    LONG x = 0;
    LONG y = 0;
};

struct SIZE {
    LONG cx = 0;
    LONG cy = 0;
};

struct RECT {
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
};

inline constexpr COLORREF RGB(int r, int g, int b) {
    return COLORREF(r & 0xFF) | (COLORREF(g & 0xFF) << 8) | (COLORREF(b & 0xFF) << 16);
}
inline constexpr int GetRValue(COLORREF c) { return int(c & 0xFF); }
inline constexpr int GetGValue(COLORREF c) { return int((c >> 8) & 0xFF); }
inline constexpr int GetBValue(COLORREF c) { return int((c >> 16) & 0xFF); }

inline constexpr WORD LOWORD(DWORD v) { return WORD(v & 0xFFFF); }
inline constexpr WORD HIWORD(DWORD v) { return WORD((v >> 16) & 0xFFFF); }
inline constexpr DWORD MAKELONG(WORD lo, WORD hi) { return DWORD(lo) | (DWORD(hi) << 16); }
