#include "platform/RvqUtil.h"

#include <cstring>
#include <string>
#include <string_view>

#include "framework/CodePage.h"
#include "platform/PlatformGlobals.h"

namespace {

// The whole value: its type and bytes. False when the key is closed or there is no value.
bool readValue(HKEY key, const char* name, DWORD& type, std::string& bytes) {
    if (!key) return false;
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        if (RegQueryValueEx(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
        bytes.assign(size, '\0');
        LSTATUS r = RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size);
        if (r == ERROR_MORE_DATA) continue;  // changed in between: ask again
        if (r != ERROR_SUCCESS) return false;
        bytes.resize(size);
        return true;
    }
    return false;
}

// The text of a value: its bytes up to the first NUL.
std::string_view textOf(const std::string& bytes) {
    std::size_t nul = bytes.find('\0');
    return std::string_view(bytes).substr(0, nul == std::string::npos ? bytes.size() : nul);
}

bool readDword(HKEY key, const char* name, DWORD& v) {
    DWORD type = 0;
    std::string bytes;
    if (!readValue(key, name, type, bytes) || type != REG_DWORD || bytes.size() != 4) return false;
    std::memcpy(&v, bytes.data(), 4);
    return true;
}

bool setValue(HKEY key, const char* name, DWORD type, const void* data, std::size_t size) {
    if (!key || size > 0xFFFFFFFFu) return false;
    return RegSetValueEx(key, name, 0, type, static_cast<const BYTE*>(data), DWORD(size)) == ERROR_SUCCESS;
}

bool setString(HKEY key, const char* name, const char* text) {
    std::string t = text ? text : "";
    return setValue(key, name, REG_SZ, t.c_str(), t.size() + 1);
}

HKEY rootOf(int root) {
    switch (root) {
    case kRegRootLocalMachine: return HKEY_LOCAL_MACHINE;
    case kRegRootCurrentUser: return HKEY_CURRENT_USER;
    case kRegRootClassesRoot: return HKEY_CLASSES_ROOT;
    default: return nullptr;
    }
}

std::string keyPath(const char* path, const char* subpath) {
    std::string p = path ? path : "";
    if (subpath && *subpath) {
        p += '\\';
        p += subpath;
    }
    return p;
}

}  // namespace

// --- CRegKeyBase --------------------------------------------------------------------------------

CRegKeyBase::CRegKeyBase(const char* path, const char* subpath, int mode, int root, bool force) : m_mode(mode) {
    if (g_platform.registryOff && !force) return;
    HKEY base = rootOf(root);
    if (!base) return;
    std::string p = keyPath(path, subpath);
    REGSAM access = mode == kRegModeWrite ? (KEY_READ | KEY_WRITE) : KEY_READ;
    HKEY key = nullptr;
    if (RegOpenKeyEx(base, p.c_str(), 0, access, &key) == ERROR_SUCCESS) {
        m_hKey = key;
        return;
    }
    if (mode != kRegModeWrite) return;
    DWORD disposition = 0;
    if (RegCreateKeyEx(base, p.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, &disposition) ==
        ERROR_SUCCESS)
        m_hKey = key;
}

CRegKeyBase::~CRegKeyBase() {
    if (m_hKey) RegCloseKey(m_hKey);
}

void CRegKeyBase::SetString(const char* name, const char* text) { setString(m_hKey, name, text); }

int CRegKeyBase::GetString(const char* name, const char* def, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    DWORD type = 0;
    std::string bytes;
    if (readValue(m_hKey, name, type, bytes) && type == REG_SZ) {
        std::string_view text = textOf(bytes);
        if (text.size() < std::size_t(size)) {
            std::memcpy(buffer, text.data(), text.size());
            buffer[text.size()] = 0;
            return int(text.size());
        }
    }
    return int(fw::CopyText(buffer, std::size_t(size), def ? def : ""));
}

void CRegKeyBase::GetStringCS(const char* name, const char* def, CString& out) {
    DWORD type = 0;
    std::string bytes;
    if (readValue(m_hKey, name, type, bytes) && type == REG_SZ)
        out = CString(std::string(textOf(bytes)));
    else
        out = def ? def : "";
}

void CRegKeyBase::SetDword(const char* name, DWORD v) { setValue(m_hKey, name, REG_DWORD, &v, 4); }

DWORD CRegKeyBase::GetDword(const char* name, DWORD def) {
    DWORD v = def;
    return readDword(m_hKey, name, v) ? v : def;
}

void CRegKeyBase::SetBinary(const char* name, const void* data, int size) {
    if (size < 0 || (!data && size > 0)) return;
    setValue(m_hKey, name, REG_BINARY, data, std::size_t(size));
}

int CRegKeyBase::GetBinary(const char* name, void* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    DWORD type = 0;
    std::string bytes;
    if (!readValue(m_hKey, name, type, bytes) || type != REG_BINARY || bytes.size() != std::size_t(size)) return 0;
    std::memcpy(buffer, bytes.data(), bytes.size());
    return size;
}

// --- the helpers on an open-key record ------------------------------------------------------------

void RegKeyRecord::Close() {
    if (hKey) RegCloseKey(hKey);
    hKey = nullptr;
}

bool OpenRegKey(RegKeyRecord& record, const char* path, const char* subpath, REGSAM access, HKEY root) {
    record.Close();
    std::string p = keyPath(path, subpath);
    HKEY key = nullptr;
    if (RegOpenKeyEx(root, p.c_str(), 0, access, &key) != ERROR_SUCCESS) {
        if (!(access & KEY_SET_VALUE)) return false;
        DWORD disposition = 0;
        if (RegCreateKeyEx(root, p.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                           &disposition) != ERROR_SUCCESS)
            return false;
    }
    record.hKey = key;
    return true;
}

bool SaveRegDword(const char* subkey, const char* name, DWORD v) {
    RegKeyRecord key;
    return OpenRegKey(key, g_platform.programKeyPath, subkey, KEY_WRITE, HKEY_CURRENT_USER) &&
           SetRegDword(key, name, v);
}

DWORD LoadRegDword(const char* subkey, const char* name, DWORD def) {
    RegKeyRecord key;
    DWORD v = def;
    if (!OpenRegKey(key, g_platform.programKeyPath, subkey, KEY_READ, HKEY_CURRENT_USER)) return def;
    return GetRegDword(key, name, v) ? v : def;
}

bool SaveRegString(const char* subkey, const char* name, const char* text) {
    RegKeyRecord key;
    return OpenRegKey(key, g_platform.programKeyPath, subkey, KEY_WRITE, HKEY_CURRENT_USER) &&
           SetRegString(key, name, text);
}

bool LoadRegString(const char* subkey, const char* name, char* buffer, std::size_t size) {
    RegKeyRecord key;
    if (!OpenRegKey(key, g_platform.programKeyPath, subkey, KEY_READ, HKEY_CURRENT_USER)) return false;
    return GetRegStringNoDefault(key, name, buffer, size);
}

bool QueryRegValue(RegKeyRecord& record, const char* name, void* buffer, std::size_t size) {
    DWORD type = 0;
    std::string bytes;
    if (!buffer || !readValue(record.hKey, name, type, bytes)) return false;
    std::memcpy(buffer, bytes.data(), bytes.size() < size ? bytes.size() : size);
    return true;
}

bool GetRegStringNoDefault(RegKeyRecord& record, const char* name, char* buffer, std::size_t size) {
    DWORD type = 0;
    std::string bytes;
    if (!buffer || size == 0 || !readValue(record.hKey, name, type, bytes)) return false;
    fw::CopyText(buffer, size, textOf(bytes));
    return true;
}

bool GetRegString(RegKeyRecord& record, const char* name, const char* def, char* buffer, std::size_t size) {
    if (!buffer || size == 0) return false;
    if (GetRegStringNoDefault(record, name, buffer, size)) return true;
    fw::CopyText(buffer, size, def ? def : "");
    return false;
}

bool SetRegString(RegKeyRecord& record, const char* name, const char* text) { return setString(record.hKey, name, text); }

bool SetRegBinary(RegKeyRecord& record, const char* name, const void* data, std::size_t size) {
    if (!data && size > 0) return false;
    return setValue(record.hKey, name, REG_BINARY, data, size);
}

bool SetRegDword(RegKeyRecord& record, const char* name, DWORD v) {
    return setValue(record.hKey, name, REG_DWORD, &v, 4);
}

bool GetRegBool(RegKeyRecord& record, const char* name, BYTE& flag) {
    DWORD v = 0;
    if (!readDword(record.hKey, name, v)) return false;
    flag = v != 0 ? 1 : 0;
    return true;
}

bool GetRegByte(RegKeyRecord& record, const char* name, BYTE& out) {
    DWORD v = 0;
    if (!readDword(record.hKey, name, v)) return false;
    out = BYTE(v & 0xFF);
    return true;
}

bool GetRegWord(RegKeyRecord& record, const char* name, WORD& out) {
    DWORD v = 0;
    if (!readDword(record.hKey, name, v)) return false;
    out = WORD(v & 0xFFFF);
    return true;
}

bool GetRegDword(RegKeyRecord& record, const char* name, DWORD& out) { return readDword(record.hKey, name, out); }

// ---- Window helpers -------------------------------------------------------------------------

#include <algorithm>

#include "framework/Arith.h"
#include "framework/Clock.h"
#include "framework/DC.h"
#include "framework/Gdi.h"
#include "framework/Input.h"
#include "framework/Paths.h"
#include "framework/Screen.h"
#include "framework/Window.h"
#include "platform/PortLayer.h"
#include "platform/StdDlgGlobals.h"

bool GetModulePath(const void*, char* buffer, std::size_t size, const char* name) {
    if (!buffer || size == 0) return false;
    const std::string path = fw::FromUtf8(fw::ExecutablePath());
    std::size_t cut = path.rfind('/');
    std::string result;
    if (cut == std::string::npos) {
        result = name ? name : "";
    } else {
        result = path.substr(0, cut + 1);
        if (name) result += name;
    }
    if (name && result.size() + 1 > size) {
        fw::CopyText(buffer, size, path);
        return false;
    }
    fw::CopyText(buffer, size, result);
    return true;
}

void GetWorkArea(RECT* rect) {
    if (!rect) return;
    rect->left = 0;
    rect->top = 0;
    rect->right = fw::GetSystemMetrics(SM_CXFULLSCREEN);
    rect->bottom = fw::GetSystemMetrics(SM_CYFULLSCREEN) + fw::GetSystemMetrics(SM_CYCAPTION);
    if (rect->right <= 0 || rect->bottom <= 0) {
        rect->right = fw::GetSystemMetrics(SM_CXSCREEN);
        rect->bottom = fw::GetSystemMetrics(SM_CYSCREEN);
    }
}

DWORD GetColorCount() {
    if (g_ui.colorCount == 0) {
        CDC ic;
        ic.CreateIC();
        const int bits = std::clamp(ic.GetDeviceCaps(BITSPIXEL) * std::max(1, ic.GetDeviceCaps(PLANES)), 1, 31);
        g_ui.colorCount = DWORD(1) << bits;
    }
    return g_ui.colorCount;
}

bool IsHighColor() { return GetColorCount() > 255; }

void GradientFill(CDC* dc, const RECT& rect, COLORREF from, COLORREF to, COLORREF solid) {
    if (!dc) return;
    if (!g_ui.gradientFill || !IsHighColor()) {
        dc->FillSolidRect(&rect, solid == COLORREF(-1) ? from : solid);
        return;
    }
    const int height = rect.bottom - rect.top;
    for (int row = 0; row < height; ++row) {
        auto channel = [&](int a, int b) { return a + MulDiv(row, b - a, height); };
        const COLORREF c = RGB(channel(GetRValue(from), GetRValue(to)), channel(GetGValue(from), GetGValue(to)),
                               channel(GetBValue(from), GetBValue(to)));
        const RECT line{rect.left, rect.top + row, rect.right, rect.top + row + 1};
        dc->FillSolidRect(&line, c);
    }
}

std::unique_ptr<CBitmap> LoadSysColorBitmap(const void*, UINT id, int mode, COLORREF from, int sysColor,
                                            int otherSysColor) {
    CBitmap source;
    if (!source.LoadBitmap(id)) return nullptr;
    const SIZE s = source.GetSize();
    if (s.cx <= 0 || s.cy <= 0) return nullptr;
    auto made = std::make_unique<CBitmap>();
    if (!made->CreateBitmap(s.cx, s.cy)) return nullptr;
    // The four fixed colours of mode 0 and their system colours.
    static const struct {
        COLORREF colour;
        int sys;
    } kFixed[] = {{RGB(0, 0, 0), COLOR_BTNTEXT},
                  {RGB(128, 128, 128), COLOR_BTNSHADOW},
                  {RGB(192, 192, 192), COLOR_BTNFACE},
                  {RGB(255, 255, 255), COLOR_BTNHIGHLIGHT}};
    for (int y = 0; y < s.cy; ++y) {
        for (int x = 0; x < s.cx; ++x) {
            COLORREF c = source.GetPixel(x, y) & 0xFFFFFF;
            if (mode == 0) {
                for (const auto& f : kFixed)
                    if (c == f.colour) {
                        c = GetSysColor(f.sys);
                        break;
                    }
            } else {
                c = GetSysColor(c == (from & 0xFFFFFF) ? sysColor : otherSysColor);
            }
            made->SetPixel(x, y, c);
        }
    }
    return made;
}

RECT GetWindowRectOf(CWnd* window) {
    RECT r{};
    if (window) window->GetWindowRect(&r);
    return r;
}

void DetectMouseHold(CWnd* window, CWnd* other, UINT delay) {
    if (other && other->IsWindowVisible()) other->UpdateWindow();
    const DWORD start = fw::GetTickCount();
    bool down = IsKeyDown(VK_LBUTTON);
    while (down) {
        const DWORD elapsed = fw::GetTickCount() - start;
        if (elapsed >= delay) break;
        fw::MouseLoopStep(delay - elapsed);
        down = IsKeyDown(VK_LBUTTON);
    }
    if (!down || !window) return;
    POINT pt;
    fw::GetCursorPos(&pt);
    window->ScreenToClient(&pt);
    window->PostMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
}
