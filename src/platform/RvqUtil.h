// Settings keys and values (over the framework's settings store), and window helpers.
// Texts are in the program's code page; key paths use "\" between key names.
#pragma once
#include <cstddef>
#include <memory>

#include "framework/Registry.h"
#include "framework/String.h"
#include "framework/Types.h"

// Roots and modes of CRegKeyBase.
enum : int {
    kRegRootLocalMachine = -1,
    kRegRootCurrentUser = -2,
    kRegRootClassesRoot = -3,
};
enum : int {
    kRegModeRead = 0,
    kRegModeWrite = 1,
};

// One key opened by path under a root, reading and writing typed values with defaults.
// Nothing throws: a closed key, a missing value or one of another type gives the default;
// failed writes are silent.
class CRegKeyBase {
public:
    // Opens root\path[\subpath] when settings are on (or force is set). Root -1, -2, -3 (any
    // other root leaves the key closed). A key that does not exist is created in write mode
    // and stays closed in read mode.
    CRegKeyBase(const char* path, const char* subpath, int mode, int root, bool force);
    virtual ~CRegKeyBase();
    CRegKeyBase(const CRegKeyBase&) = delete;
    CRegKeyBase& operator=(const CRegKeyBase&) = delete;

    bool IsOpen() const { return m_hKey != nullptr; }

    // A REG_SZ value with its terminating NUL.
    void SetString(const char* name, const char* text);
    // The REG_SZ value into buffer (size bytes with the terminator), returning its length;
    // when the key is closed, the value is missing, does not fit or is of another type, the
    // default is copied instead (cut to the buffer without splitting a character).
    int GetString(const char* name, const char* def, char* buffer, int size);
    // The REG_SZ value of any length, else the default.
    void GetStringCS(const char* name, const char* def, CString& out);
    void SetDword(const char* name, DWORD v);
    // The REG_DWORD value; the default when missing or of another type.
    DWORD GetDword(const char* name, DWORD def);
    void SetBinary(const char* name, const void* data, int size);
    // A REG_BINARY value of exactly size bytes into buffer; returns size, else 0 (buffer
    // untouched).
    int GetBinary(const char* name, void* buffer, int size);

protected:
    HKEY m_hKey = nullptr;  // null while no key is open
    int m_mode = kRegModeRead;
};

// An open key of the helpers below; the key is closed with the record.
struct RegKeyRecord {
    HKEY hKey = nullptr;

    RegKeyRecord() = default;
    ~RegKeyRecord() { Close(); }
    RegKeyRecord(const RegKeyRecord&) = delete;
    RegKeyRecord& operator=(const RegKeyRecord&) = delete;
    void Close();
};

// Opens root\path[\subpath] with the access mask; with write access (KEY_SET_VALUE) a missing
// key is created. A key the record held before is closed first. True on success.
bool OpenRegKey(RegKeyRecord& record, const char* path, const char* subpath, REGSAM access, HKEY root);

// One value under HKEY_CURRENT_USER\<program key>\subkey.
bool SaveRegDword(const char* subkey, const char* name, DWORD v);
DWORD LoadRegDword(const char* subkey, const char* name, DWORD def);
bool SaveRegString(const char* subkey, const char* name, const char* text);
// The buffer's text (size bytes with the terminator) is the default and stays when the key
// or value is missing; a value too long for it is cut without splitting a character.
bool LoadRegString(const char* subkey, const char* name, char* buffer, std::size_t size);

// A value of any type; a larger value keeps only its first size bytes. True on success.
bool QueryRegValue(RegKeyRecord& record, const char* name, void* buffer, std::size_t size);
// The value as text into buffer (size bytes with the terminator, cut without splitting a
// character); on failure the first copies the default, the second leaves the buffer alone.
bool GetRegString(RegKeyRecord& record, const char* name, const char* def, char* buffer, std::size_t size);
bool GetRegStringNoDefault(RegKeyRecord& record, const char* name, char* buffer, std::size_t size);
bool SetRegString(RegKeyRecord& record, const char* name, const char* text);
bool SetRegBinary(RegKeyRecord& record, const char* name, const void* data, std::size_t size);
bool SetRegDword(RegKeyRecord& record, const char* name, DWORD v);
// A 4-byte REG_DWORD value into a flag (1 when not 0) or the low 8, 16 or 32 bits; the
// variable keeps its value when there is none.
bool GetRegBool(RegKeyRecord& record, const char* name, BYTE& flag);
bool GetRegByte(RegKeyRecord& record, const char* name, BYTE& v);
bool GetRegWord(RegKeyRecord& record, const char* name, WORD& v);
bool GetRegDword(RegKeyRecord& record, const char* name, DWORD& v);

// ---- Window helpers -------------------------------------------------------------------------

class CBitmap;
class CDC;
class CWnd;

// The running program's file path (module null: the program itself). With a name, the file
// name is replaced by it (false when the result does not fit in size bytes; the buffer then
// holds the program's path); without one the path is cut after its last "/" (a root keeps its
// "/"). A path without "/" becomes name (or empty).
bool GetModulePath(const void* module, char* buffer, std::size_t size, const char* name);
// The desktop's work area.
void GetWorkArea(RECT* rect);
// 2 to the power of bits per pixel times planes of the display (at most 2^31), found once.
DWORD GetColorCount();
// More than 255 colours.
bool IsHighColor();
// With the gradient switch on and more than 255 colours: one-pixel rows from top to bottom,
// each channel going from `from` to `to`; otherwise a fill with solid (-1: from).
void GradientFill(CDC* dc, const RECT& rect, COLORREF from, COLORREF to, COLORREF solid);
// A bitmap resource with its colours replaced by system colours: mode 0 maps black, dark
// grey, light grey and white to the button text, shadow, face and highlight colours; another
// mode maps `from` to system colour `sysColor` and every other colour to `otherSysColor`.
// Null on any failure.
std::unique_ptr<CBitmap> LoadSysColorBitmap(const void* module, UINT id, int mode, COLORREF from = 0,
                                            int sysColor = 0, int otherSysColor = 0);
RECT GetWindowRectOf(CWnd* window);
// Updates `other` when it is visible, then waits while the left button is down until delay
// milliseconds have passed; when the button is still down, posts a mouse move with the left
// button at the pointer's position to window.
void DetectMouseHold(CWnd* window, CWnd* other, UINT delay);
