#include "platform/PortLayer.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "framework/Arith.h"
#include "framework/Clock.h"
#include "framework/CodePage.h"
#include "framework/Cursor.h"
#include "framework/Gdi.h"
#include "framework/Input.h"
#include "framework/MessageBox.h"
#include "framework/Screen.h"
#include "framework/StringTable.h"
#include "platform/Handles.h"
#include "platform/PlatformGlobals.h"

namespace {

constexpr UINT kFirstMessageString = 9000;
constexpr UINT kFirstListString = 5300;
constexpr UINT kFirstMarkName = 1300;       // playback entries 0-19
constexpr UINT kFirstJazzMarkName = 1680;   // playback entries 20-31 (strings 1700-1711)
constexpr UINT kCentimetresName = 3600;
constexpr UINT kInchesName = 3601;
constexpr UINT kAlertCaptions[3] = {10028, 10029, 10030};
constexpr UINT kNoMemoryText = 61709;          // the memory exception's report text
constexpr UINT kAlertIcons[3] = {MB_ICONASTERISK, MB_ICONHAND, MB_ICONEXCLAMATION};
constexpr std::int32_t kWaitCursorTicks = 8;

// Copies text into a caller's buffer of `size` bytes, cut without splitting a character.
void put(char* buffer, std::size_t size, std::string_view text) {
    if (buffer && size) fw::CopyText(buffer, size, text);
}

std::string loadString(UINT id) {
    std::string s;
    fw::LoadStringResource(id, s);
    return s;
}

std::string decimal(long long v) { return std::to_string(v); }

}  // namespace

// ---- Errors ---------------------------------------------------------------------------------

bool ReportErrorCode(int code) {
    if (code == kErrOutOfMemory) AfxMessageBox(loadString(kNoMemoryText).c_str());
    return code != 0;
}

// ---- String resources -----------------------------------------------------------------------

char* LoadResString(UINT id, char* buffer, std::size_t size) {
    put(buffer, size, loadString(id));
    return buffer;
}

char* LoadStringLine(UINT id, char* buffer, std::size_t size) {
    std::string s = loadString(id);
    std::size_t lf = s.find('\n');
    put(buffer, size, lf == std::string::npos ? std::string_view(s) : std::string_view(s).substr(lf + 1));
    return buffer;
}

char* LoadMessageString(int n, char* buffer, std::size_t size) {
    return LoadResString(kFirstMessageString + UINT(n), buffer, size);
}

bool GetListPart(int id, int n, char* buffer, std::size_t size) {
    std::string s = loadString(kFirstListString + UINT(id));
    put(buffer, size, "");
    if (s.empty()) return false;
    int part = 0;
    std::size_t start = 0;
    const char* text = s.c_str();
    std::size_t i = 0;
    while (i < s.size()) {
        if (text[i] == ':') {
            if (part == n) break;
            ++part;
            start = i + 1;
            ++i;
            continue;
        }
        i += fw::CharBytes(text + i);
    }
    if (part == n) put(buffer, size, std::string_view(s).substr(start, i - start));
    return true;
}

bool GetMarkText(int code, char* buffer, std::size_t size) {
    put(buffer, size, "");
    switch (code) {
    case 61: put(buffer, size, "legato"); break;
    case 62: put(buffer, size, "arco"); break;
    case 63: put(buffer, size, "pizz"); break;
    default:
        if (code >= 0 && code <= 19)
            LoadResString(kFirstMarkName + UINT(code), buffer, size);
        else if (code >= 20 && code <= 31)
            LoadResString(kFirstJazzMarkName + UINT(code), buffer, size);
        break;
    }
    return buffer && size && buffer[0] != 0;
}

const char* GetUnitsName() {
    LoadResString(MetricUnits() ? kCentimetresName : kInchesName, g_platform.unitsName);
    return g_platform.unitsName;
}

// ---- Date, time and numbers -----------------------------------------------------------------

namespace {

constexpr const char* kDays[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                     "July",    "August",   "September", "October", "November", "December"};

std::time_t g_fixedNow = 0;

std::tm localNow() {
    std::time_t t = g_fixedNow ? g_fixedNow : std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

}  // namespace

void SetFixedNow(std::time_t t) { g_fixedNow = t; }

void FormatLongDate(char* buffer, std::size_t size) {
    std::tm tm = localNow();
    char text[64];
    std::snprintf(text, sizeof text, "%s, %s %02d, %d", kDays[tm.tm_wday % 7], kMonths[tm.tm_mon % 12], tm.tm_mday,
                  tm.tm_year + 1900);
    put(buffer, size, text);
}

void FormatShortTime(char* buffer, std::size_t size) {
    std::tm tm = localNow();
    int hour = tm.tm_hour % 12;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d%s", hour == 0 ? 12 : hour, tm.tm_min, tm.tm_hour < 12 ? "AM" : "PM");
    put(buffer, size, text);
}

void IntToStr(std::int16_t v, char* buffer, std::size_t size) { put(buffer, size, decimal(v)); }

void AppendInt(char* buffer, std::size_t size, std::int32_t v) {
    if (!buffer || size == 0) return;
    std::size_t used = strnlen(buffer, size);
    if (used >= size) return;
    put(buffer + used, size - used, decimal(v));
}

void FormatDecimal(std::int32_t v, char* buffer, std::size_t size, int places) {
    // The sign goes in front of the whole number, not in front of each part.
    long long m = v < 0 ? -static_cast<long long>(v) : v;
    std::string text = v < 0 ? "-" : "";
    if (places == 2) {
        char frac[4];
        std::snprintf(frac, sizeof frac, "%02d", int(m % 100));
        text += decimal(m / 100) + g_platform.decimalSeparator + frac;
    } else {
        text += decimal(m / 10) + g_platform.decimalSeparator + decimal(m % 10);
    }
    put(buffer, size, text);
}

std::int32_t FormatRatio(std::int32_t a, std::int32_t b, char* buffer, std::size_t size) {
    put(buffer, size, "");
    if (b == 0) return 0;
    long long ma = a < 0 ? -static_cast<long long>(a) : a;
    long long mb = b < 0 ? -static_cast<long long>(b) : b;
    long long whole = ma / mb;
    long long rest = ma % mb;
    std::string text = (a != 0 && (a < 0) != (b < 0)) ? "-" : "";
    if (whole != 0) text += decimal(whole);
    if (rest != 0) {
        long long hundredths = rest * 100 / mb;
        if (hundredths > 99) hundredths = 99;
        char frac[4];
        std::snprintf(frac, sizeof frac, "%02d", int(hundredths));
        text += std::string(g_platform.decimalSeparator) + frac;
    }
    put(buffer, size, text);
    return std::int32_t(static_cast<long long>(a) / b);
}

std::int32_t ParseScaledDecimal(const char* text, int places) {
    if (places < 0) places = 0;
    long long v = 0;
    int after = 0;
    bool point = false;
    const char* p = text ? text : "";
    while (*p == '0') ++p;
    for (;; ++p) {
        char c = *p;
        if (c >= '0' && c <= '9') {
            if (point && after >= places) break;
            v = v * 10 + (c - '0');
            if (v > INT32_MAX) v = INT32_MAX;
            if (point) ++after;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    for (; after < places; ++after) {
        v *= 10;
        if (v > INT32_MAX) v = INT32_MAX;
    }
    return std::int32_t(v);
}

std::int32_t TwipsToDisplayUnits(std::int32_t v) {
    std::int32_t inches = MulDiv(v, 100, 1440);
    return MetricUnits() ? MulDiv(inches, 254, 100) : inches;
}

std::int32_t DisplayUnitsToTwips(std::int32_t v) {
    return MetricUnits() ? MulDiv(v, 1440, 254) : MulDiv(v, 1440, 100);
}

// ---- Alerts ---------------------------------------------------------------------------------

int ShowAlert(int kind, const char* text, UINT style) {
    if (kind < 0 || kind > 2) kind = kAlertNote;
    std::string caption = loadString(kAlertCaptions[kind]);
    return MessageBox(text, caption.c_str(), style | kAlertIcons[kind]);
}

int ShowAlertById(int kind, UINT id, UINT style) { return ShowAlert(kind, loadString(id).c_str(), style); }

void WarningBeep() { MessageBeep(MB_ICONEXCLAMATION); }

// ---- Cursors and time -----------------------------------------------------------------------

void SetArrowCursor() { fw::SetCursor(IDC_ARROW); }

void SetCursorById(UINT id) { fw::SetCursor(id); }

void ForceShowCursor() {
    while (g_platform.cursorCounter < 0) {
        fw::ShowCursor(true);
        ++g_platform.cursorCounter;
    }
}

void ForceHideCursor() {
    while (g_platform.cursorCounter >= 0) {
        fw::ShowCursor(false);
        --g_platform.cursorCounter;
    }
}

std::int32_t GetTicks() {
    DWORD now = fw::GetTickCount();
    if (!g_platform.tickBaseSet) {
        g_platform.tickBase = now;
        g_platform.tickBaseSet = true;
    }
    // Milliseconds to sixtieths, rounded; 64-bit so that a long run cannot overflow.
    std::uint64_t ms = std::uint32_t(now - g_platform.tickBase);
    return std::int32_t((ms * 60 + 500) / 1000);
}

std::int32_t GetDoubleClickTicks() { return MulDiv(std::int32_t(fw::GetDoubleClickTime()), 60, 1000); }

void WaitTicks(std::int32_t n) {
    std::int32_t start = GetTicks();
    // The event loop runs meanwhile (paints and timers keep going), waiting for what is left in
    // one go (a second round only when the wait came up short).
    for (std::int32_t done = 0; done < n; done = GetTicks() - start)
        fw::WaitRunningEvents(DWORD(((n - done) * 1000 + 59) / 60));
}

void StartWaitCursor(bool on) {
    g_platform.waitCursorOn = on;
    g_platform.waitCursorPhase = false;
    g_platform.waitCursorTime = std::uint32_t(GetTicks());
}

void AnimateWaitCursor() {
    if (!g_platform.waitCursorOn) return;
    std::int32_t now = GetTicks();
    if (now - std::int32_t(g_platform.waitCursorTime) <= kWaitCursorTicks) return;
    g_platform.waitCursorPhase = !g_platform.waitCursorPhase;
    fw::SetCursor(IDC_WAIT);
    g_platform.waitCursorTime = std::uint32_t(now);
}

// ---- Pictures -------------------------------------------------------------------------------

bool LoadBitmapFile(CBitmap* bitmap, const char* path) {
    if (!bitmap) return false;
    bitmap->DeleteObject();
    if (!path || !*path) return false;
    return bitmap->LoadFile(fw::ToUtf8(path));
}

// ---- Input sampling -------------------------------------------------------------------------

bool IsKeyDown(int vk) { return (fw::GetAsyncKeyState(vk) & 0x8000) != 0; }

bool IsMouseDown() { return IsKeyDown(VK_LBUTTON) || IsKeyDown(VK_RBUTTON); }

void ReadModifierKeys() {
    g_platform.shiftDown = IsKeyDown(VK_SHIFT) ? 1 : 0;
    g_platform.capsLock = (fw::GetKeyState(VK_CAPITAL) & 1) ? 1 : 0;
    g_platform.ctrlDown = IsKeyDown(VK_CONTROL) ? 1 : 0;
    g_platform.altDown = IsKeyDown(VK_MENU) ? 1 : 0;
}

bool IsCtrlDown() { return IsKeyDown(VK_CONTROL); }

bool IsShiftDown() { return IsKeyDown(VK_SHIFT); }

// ---- Code-page text -------------------------------------------------------------------------

int CopyMbChar(const char* text, char* out) {
    std::size_t n = fw::CharBytes(text);
    if (n) std::memcpy(out, text, n);
    out[n] = 0;
    return int(n);
}

bool IsSpaceChar(const char* text) {
    if (!text) return false;
    unsigned char c = static_cast<unsigned char>(*text);
    return c == ' ' || (c >= '\t' && c <= '\r');
}

void LowerCaseText(char* text) {
    if (!text) return;
    while (*text) {
        std::size_t n = fw::CharBytes(text);
        if (n == 1 && *text >= 'A' && *text <= 'Z') *text = char(*text - 'A' + 'a');
        text += n;
    }
}

// ---- Byte order -----------------------------------------------------------------------------

namespace {

std::uint16_t load16(const void* p) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
void store16(void* p, std::uint16_t v) { std::memcpy(p, &v, 2); }
std::uint32_t load32(const void* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
void store32(void* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

std::uint16_t flip16(std::uint16_t v) {
    if constexpr (std::endian::native == std::endian::big) return v;
    return std::uint16_t((v >> 8) | (v << 8));
}
std::uint32_t flip32(std::uint32_t v) {
    if constexpr (std::endian::native == std::endian::big) return v;
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

}  // namespace

void SwapWord(void* p) { store16(p, flip16(load16(p))); }

void SwapWords(void* p, std::size_t n) {
    auto* b = static_cast<std::uint8_t*>(p);
    for (std::size_t i = 0; i < n; ++i) SwapWord(b + 2 * i);
}

void SwapCoord(void* p) { store16(p, std::uint16_t(flip16(load16(p)) * 5u)); }

void SwapCoords(void* p, std::size_t n) {
    auto* b = static_cast<std::uint8_t*>(p);
    for (std::size_t i = 0; i < n; ++i) SwapCoord(b + 2 * i);
}

void SwapLong(void* p) { store32(p, flip32(load32(p))); }

void SwapLongCoords(void* p, std::size_t n) {
    auto* b = static_cast<std::uint8_t*>(p);
    for (std::size_t i = 0; i < n; ++i) store32(b + 4 * i, flip32(load32(b + 4 * i)) * 5u);
}

void SwapPoint(void* p) { SwapWords(p, 2); }

// ---- Geometry and small helpers -------------------------------------------------------------

std::int16_t InterpolateShort(std::int16_t x0, std::int16_t y0, std::int16_t x1, std::int16_t y1, std::int16_t x) {
    return std::int16_t(Interpolate(x0, y0, x1, y1, x));
}

std::int32_t Interpolate(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, std::int32_t x) {
    if (x1 == x0) return x == x0 ? y0 : y1;
    long long dx = static_cast<long long>(x1) - x0;
    long long num = (static_cast<long long>(y1) - y0) * (static_cast<long long>(x) - x0) + dx / 2 - 1;
    return std::int32_t(static_cast<std::uint32_t>(y0 + num / dx));
}

int PointAngle(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
    double a = std::atan2(double(y0) - double(y1), double(x1) - double(x0));
    return int(a * 180.0 / 3.14159);
}

std::int32_t PointDistance(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
    double dx = double(x1) - double(x0);
    double dy = double(y1) - double(y0);
    double d = std::sqrt(dx * dx + dy * dy);
    return d >= 2147483647.0 ? INT32_MAX : std::int32_t(d);
}

int FlattenBezier(const POINT* points, POINT* out, int n) {
    if (n < 1) n = 1;
    out[0] = points[0];
    for (int k = 1; k < n; ++k) {
        double t = double(k) / n;
        double u = 1.0 - t;
        double w0 = u * u * u, w1 = 3 * t * u * u, w2 = 3 * t * t * u, w3 = t * t * t;
        double x = w0 * points[0].x + w1 * points[1].x + w2 * points[2].x + w3 * points[3].x;
        double y = w0 * points[0].y + w1 * points[1].y + w2 * points[2].y + w3 * points[3].y;
        // Rounded by adding a half and truncating, kept to 16 bits.
        out[k].x = std::int16_t(static_cast<std::uint16_t>(static_cast<long long>(x + 0.5)));
        out[k].y = std::int16_t(static_cast<std::uint16_t>(static_cast<long long>(y + 0.5)));
    }
    out[n] = points[3];
    return n + 1;
}

void SetRectNormalized(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b, RECT* rect) {
    rect->left = l < r ? l : r;
    rect->right = l < r ? r : l;
    rect->top = t < b ? t : b;
    rect->bottom = t < b ? b : t;
}

bool RectsIntersect(const RECT& a, const RECT& b) {
    LONG l = a.left > b.left ? a.left : b.left;
    LONG r = a.right < b.right ? a.right : b.right;
    LONG t = a.top > b.top ? a.top : b.top;
    LONG bt = a.bottom < b.bottom ? a.bottom : b.bottom;
    return l < r && t < bt;
}

void ClipPointToRect(const RECT& rect, POINT* point) {
    if (point->x < rect.left) point->x = rect.left;
    if (point->x > rect.right) point->x = rect.right;
    if (point->y < rect.top) point->y = rect.top;
    if (point->y > rect.bottom) point->y = rect.bottom;
}

void UnscaleRect(RECT* rect, int pct) {
    if (pct == 0) return;
    rect->left = MulDiv(rect->left, 100, pct);
    rect->top = MulDiv(rect->top, 100, pct);
    rect->right = MulDiv(rect->right, 100, pct);
    rect->bottom = MulDiv(rect->bottom, 100, pct);
}

void SwapLongs(std::int32_t* a, std::int32_t* b) {
    std::int32_t t = *a;
    *a = *b;
    *b = t;
}

void SwapBlocks(void* a, void* b, std::size_t n) {
    auto* p = static_cast<std::uint8_t*>(a);
    auto* q = static_cast<std::uint8_t*>(b);
    for (std::size_t i = 0; i < n; ++i) {
        std::uint8_t t = p[i];
        p[i] = q[i];
        q[i] = t;
    }
}

std::uint32_t NewUniqueId() { return g_platform.nextUniqueId++; }

void GetScreenRect(RECT* rect) {
    rect->left = 0;
    rect->top = fw::GetSystemMetrics(SM_CYBORDER);
    rect->right = fw::GetSystemMetrics(SM_CXFULLSCREEN);
    rect->bottom = fw::GetSystemMetrics(SM_CYFULLSCREEN);
}

void GetScreenRectBelowCaption(RECT* rect) {
    int caption = fw::GetSystemMetrics(SM_CYCAPTION);
    rect->left = 0;
    rect->top = caption;
    rect->right = fw::GetSystemMetrics(SM_CXFULLSCREEN);
    rect->bottom = caption + fw::GetSystemMetrics(SM_CYFULLSCREEN);
}

int GetMenuBarHeight() { return fw::GetSystemMetrics(SM_CYMENU); }
