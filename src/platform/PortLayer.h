// The porting layer's free services: string resources, number and date text, alerts, the
// pointer and the tick clock, input sampling, code-page text, byte order and small geometry.
//
// Text is in the program's code page. Every function that writes into a caller's buffer takes
// the buffer's size in bytes (terminator included) and never writes beyond it nor splits a
// double-byte character; with a character array the size is taken from the array.
#pragma once
#include <ctime>
#include <cstddef>
#include <cstdint>

#include "framework/Types.h"

class CBitmap;

// ---- Errors ---------------------------------------------------------------------------------

// Tells the user about a coded failure (code 100 shows the string table's out-of-memory text, the one the memory exception reports); returns code != 0.
bool ReportErrorCode(int code);

// ---- String resources -----------------------------------------------------------------------

// The string `id` (empty when there is none); returns buffer.
char* LoadResString(UINT id, char* buffer, std::size_t size);
// The string's part after its first line feed (the tooltip of a command prompt); the whole
// string when it has none; empty when the string is missing.
char* LoadStringLine(UINT id, char* buffer, std::size_t size);
// String 9000 + n.
char* LoadMessageString(int n, char* buffer, std::size_t size);
// Part n (0-based) of the colon-separated list in string 5300 + id (the built-in instrument
// list); empty when the list has fewer parts. False when the string is empty.
bool GetListPart(int id, int n, char* buffer, std::size_t size);
// The name of a playing-technique mark by its playback entry (0-31) or 61-63; true when a
// text was given.
bool GetMarkText(int code, char* buffer, std::size_t size);
// "cm." or "in." by the units setting, kept in the layer's units-name buffer.
const char* GetUnitsName();

template <std::size_t N>
char* LoadResString(UINT id, char (&buffer)[N]) { return LoadResString(id, buffer, N); }
template <std::size_t N>
char* LoadStringLine(UINT id, char (&buffer)[N]) { return LoadStringLine(id, buffer, N); }
template <std::size_t N>
char* LoadMessageString(int n, char (&buffer)[N]) { return LoadMessageString(n, buffer, N); }
template <std::size_t N>
bool GetListPart(int id, int n, char (&buffer)[N]) { return GetListPart(id, n, buffer, N); }
template <std::size_t N>
bool GetMarkText(int code, char (&buffer)[N]) { return GetMarkText(code, buffer, N); }

// ---- Date, time and numbers -----------------------------------------------------------------

// The local date as "Monday, January 05, 2004".
void FormatLongDate(char* buffer, std::size_t size);
// Fixes the time the date and time texts show (tests); 0: the system's clock again.
void SetFixedNow(std::time_t t);
// The local time as "03:07PM".
void FormatShortTime(char* buffer, std::size_t size);
// Decimal text of a 16-bit value.
void IntToStr(std::int16_t v, char* buffer, std::size_t size);
// Appends the decimal text of v to the text in buffer.
void AppendInt(char* buffer, std::size_t size, std::int32_t v);
// v in hundredths (places 2) or tenths (any other places) with the decimal separator:
// 125 gives "1.25" or "12.5".
void FormatDecimal(std::int32_t v, char* buffer, std::size_t size, int places);
// a / b as text: the whole part (left out when it is 0) and, when b does not divide a, the
// separator and two decimals (truncated). Returns the whole part.
std::int32_t FormatRatio(std::int32_t a, std::int32_t b, char* buffer, std::size_t size);
// A decimal text scaled by 10^places: "1.5" with 2 places gives 150.
std::int32_t ParseScaledDecimal(const char* text, int places);
// Twentieths of a point to hundredths of an inch, or of a centimetre with metric units.
std::int32_t TwipsToDisplayUnits(std::int32_t v);
std::int32_t DisplayUnitsToTwips(std::int32_t v);

template <std::size_t N>
void FormatLongDate(char (&buffer)[N]) { FormatLongDate(buffer, N); }
template <std::size_t N>
void FormatShortTime(char (&buffer)[N]) { FormatShortTime(buffer, N); }
template <std::size_t N>
void IntToStr(std::int16_t v, char (&buffer)[N]) { IntToStr(v, buffer, N); }
template <std::size_t N>
void AppendInt(char (&buffer)[N], std::int32_t v) { AppendInt(buffer, N, v); }
template <std::size_t N>
void FormatDecimal(std::int32_t v, char (&buffer)[N], int places) { FormatDecimal(v, buffer, N, places); }
template <std::size_t N>
std::int32_t FormatRatio(std::int32_t a, std::int32_t b, char (&buffer)[N]) { return FormatRatio(a, b, buffer, N); }

// ---- Alerts ---------------------------------------------------------------------------------

enum AlertKind { kAlertNote = 0, kAlertStop = 1, kAlertCaution = 2 };

// A message box captioned "Note", "Stop" or "Caution" by kind, with that kind's icon and the
// caller's buttons; returns the button pressed.
int ShowAlert(int kind, const char* text, UINT style = 0);
int ShowAlertById(int kind, UINT id, UINT style = 0);
void WarningBeep();

// ---- Cursors and time -----------------------------------------------------------------------

void SetArrowCursor();
// One of the program's cursors by resource id.
void SetCursorById(UINT id);
// Shows the pointer however often it was hidden / hides it however often it was shown.
void ForceShowCursor();
void ForceHideCursor();
// Sixtieths of a second since the first call (which returns 0).
std::int32_t GetTicks();
std::int32_t GetDoubleClickTicks();
// Waits until n ticks have passed, the event loop running meanwhile.
void WaitTicks(std::int32_t n);
// Turns the animated wait cursor on or off, restarting its phase and timer.
void StartWaitCursor(bool on);
// While the wait cursor is on, sets it again when more than 8 ticks have passed.
void AnimateWaitCursor();

// ---- Pictures -------------------------------------------------------------------------------

// Deletes the bitmap's object, then loads the picture file (path in the code page) at its own
// size into it; true on success, false with the bitmap left empty otherwise.
bool LoadBitmapFile(CBitmap* bitmap, const char* path);

// ---- Input sampling -------------------------------------------------------------------------

bool IsMouseDown();
// Samples Shift, Caps Lock (toggled), Ctrl and Alt into the layer's modifier flags.
void ReadModifierKeys();
bool IsCtrlDown();
bool IsShiftDown();
bool IsKeyDown(int vk);

// ---- Code-page text -------------------------------------------------------------------------

// Copies the first character of text (one or two bytes) into out (3 bytes at least) and ends
// it; returns its length, 0 at the end of the text.
int CopyMbChar(const char* text, char* out);
bool IsSpaceChar(const char* text);
// Lower-cases the single-byte letters in place; double-byte characters stay as they are.
void LowerCaseText(char* text);

// ---- Byte order: big-endian stored values to and from this machine's order -------------------

void SwapWord(void* p);
void SwapWords(void* p, std::size_t n);
// Swapped, then times 5 (a stored coordinate into drawing units), in 16 bits.
void SwapCoord(void* p);
void SwapCoords(void* p, std::size_t n);
void SwapLong(void* p);
// Swapped 32-bit values, each then times 5.
void SwapLongCoords(void* p, std::size_t n);
// Both 16-bit words of a stored point.
void SwapPoint(void* p);

// ---- Geometry and small helpers -------------------------------------------------------------

// y on the line through (x0, y0) and (x1, y1) at x; when x1 = x0: y0 at x0, else y1.
std::int16_t InterpolateShort(std::int16_t x0, std::int16_t y0, std::int16_t x1, std::int16_t y1, std::int16_t x);
std::int32_t Interpolate(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, std::int32_t x);
// Whole degrees, counter-clockwise on the screen (y grows downward).
int PointAngle(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1);
std::int32_t PointDistance(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1);
// The cubic curve of points[0..3] as n + 1 points (n at least 1) into out; returns their number.
int FlattenBezier(const POINT* points, POINT* out, int n);
void SetRectNormalized(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b, RECT* rect);
bool RectsIntersect(const RECT& a, const RECT& b);
void ClipPointToRect(const RECT& rect, POINT* point);
// Each side times 100 / pct; a percentage of 0 leaves the rectangle as it is.
void UnscaleRect(RECT* rect, int pct);
void SwapLongs(std::int32_t* a, std::int32_t* b);
void SwapBlocks(void* a, void* b, std::size_t n);
std::uint32_t NewUniqueId();
void GetScreenRect(RECT* rect);
void GetScreenRectBelowCaption(RECT* rect);
int GetMenuBarHeight();

template <typename T>
inline void IgnoreValue(const T&) {}
