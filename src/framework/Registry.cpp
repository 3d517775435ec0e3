#include "framework/Registry.h"

#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "framework/CodePage.h"
#include "framework/File.h"
#include "framework/Paths.h"

namespace fw {

struct RegKeyHandle {
    int root = 0;        // index into kRootNames
    bool isRoot = false;
    std::string path;    // code page, names joined by '\'
    REGSAM access = 0;
    std::string machineDir;  // HKEY_LOCAL_MACHINE: the configuration folder the key lies in
};

namespace {

const char* const kRootNames[3] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};
constexpr int kCurrentUser = 1;
constexpr int kLocalMachine = 2;
const char* const kValuesFile = "values.reg";

RegKeyHandle g_roots[3] = {
    {0, true, {}, KEY_ALL_ACCESS},
    {1, true, {}, KEY_ALL_ACCESS},
    {2, true, {}, KEY_ALL_ACCESS},
};

std::mutex g_mutex;

std::unordered_set<RegKeyHandle*>& liveKeys() {
    static std::unordered_set<RegKeyHandle*> keys;
    return keys;
}

RegKeyHandle* validKey(HKEY key) {
    if (!key) return nullptr;
    for (auto& r : g_roots)
        if (key == &r) return key;
    return liveKeys().count(key) ? key : nullptr;
}

// --- key paths -------------------------------------------------------------------------------

std::vector<std::string> splitPath(std::string_view path) {
    // Split at '\' bytes that are not the trail byte of a double-byte character.
    std::vector<std::string> parts;
    std::string cur;
    for (std::size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (IsLeadByte(c) && i + 1 < path.size()) {
            cur += path[i];
            cur += path[++i];
        } else if (c == '\\') {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            cur += path[i];
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    return parts;
}

std::string joinPath(const std::string& base, const char* sub) {
    std::string all = base;
    if (sub && *sub) {
        if (!all.empty()) all += '\\';
        all += sub;
    }
    std::string out;
    for (const std::string& p : splitPath(all)) {
        if (!out.empty()) out += '\\';
        out += p;
    }
    return out;
}

bool equalsNoCaseAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (IsLeadByte(x) && i + 1 < a.size()) {
            // A double-byte character compares exactly, trail byte included.
            if (x != y || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (x >= 'A' && x <= 'Z') x = x - 'A' + 'a';
        if (y >= 'A' && y <= 'Z') y = y - 'A' + 'a';
        if (x != y) return false;
    }
    return true;
}

std::string folderName(const std::string& name) {
    std::string utf8 = ToUtf8(name);
    if (utf8 == ".") return "%2E";
    if (utf8 == "..") return "%2E%2E";
    std::string out;
    for (char c : utf8) {
        if (c == '%')
            out += "%25";
        else if (c == '/')
            out += "%2F";
        else
            out += c;
    }
    return out;
}

// The folder of a key: home is the user's configuration home, or for the machine store one
// of the system's configuration folders.
std::string folderOf(int root, const std::string& path, const std::string& home) {
    std::vector<std::string> parts = splitPath(path);
    std::string folder;
    std::size_t first = 0;
    if ((root == kCurrentUser || root == kLocalMachine) && !parts.empty() && equalsNoCaseAscii(parts[0], "Software")) {
        folder = home;
        first = 1;
    } else {
        folder = home + "/Harrowick/Zelmarin/registry/" + kRootNames[root];
    }
    for (std::size_t i = first; i < parts.size(); ++i) folder += "/" + folderName(parts[i]);
    return folder;
}

bool isFolder(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

// --- the values file ---------------------------------------------------------------------------

struct Value {
    std::string name;  // code page
    DWORD type = REG_NONE;
    std::string data;
};

const char kHex[] = "0123456789ABCDEF";

void appendHexByte(std::string& out, unsigned char c) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parseHexBytes(std::string_view s, std::string& out) {
    if (s.size() % 2) return false;
    out.clear();
    for (std::size_t i = 0; i < s.size(); i += 2) {
        int hi = hexDigit(s[i]), lo = hexDigit(s[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += char(hi * 16 + lo);
    }
    return true;
}

std::string escapeBytes(std::string_view bytes, bool escapeHigh, bool lineStart) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F || (escapeHigh && c >= 0x80) || (lineStart && i == 0 && c == '#')) {
            out += "\\x";
            appendHexByte(out, c);
        } else {
            out += char(c);
        }
    }
    return out;
}

std::string encodeText(std::string_view codePage, bool lineStart) {
    std::string utf8 = ToUtf8(codePage);
    // The no-break space's byte keeps the escaped form settings files have always had.
    if (codePage.find(kNoBreakSpace[0]) == std::string_view::npos && FromUtf8(utf8) == codePage)
        return escapeBytes(utf8, false, lineStart);
    return "\\c" + escapeBytes(codePage, true, false);
}

bool unescape(std::string_view s, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (++i >= s.size()) return false;
        switch (s[i]) {
        case '\\': out += '\\'; break;
        case 't': out += '\t'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 'x': {
            if (i + 2 >= s.size()) return false;
            int hi = hexDigit(s[i + 1]), lo = hexDigit(s[i + 2]);
            if (hi < 0 || lo < 0) return false;
            out += char(hi * 16 + lo);
            i += 2;
            break;
        }
        default: return false;
        }
    }
    return true;
}

bool decodeText(std::string_view field, std::string& codePage) {
    if (field.size() >= 2 && field[0] == '\\' && field[1] == 'c') return unescape(field.substr(2), codePage);
    std::string utf8;
    if (!unescape(field, utf8)) return false;
    codePage = FromUtf8(utf8);
    return true;
}

std::string formatLine(const Value& v) {
    std::string line = encodeText(v.name, true);
    line += '\t';
    const std::string& d = v.data;
    bool oneNulAtEnd = !d.empty() && d.back() == '\0' && d.find('\0') == d.size() - 1;
    if (v.type == REG_SZ && oneNulAtEnd) {
        line += "sz\t";
        line += encodeText(std::string_view(d).substr(0, d.size() - 1), false);
    } else if (v.type == REG_DWORD && d.size() == 4) {
        DWORD n;
        std::memcpy(&n, d.data(), 4);
        line += "dword\t";
        for (int shift = 28; shift >= 0; shift -= 4) line += kHex[(n >> shift) & 15];
    } else {
        if (v.type == REG_BINARY)
            line += "binary\t";
        else
            line += "hex(" + std::to_string(v.type) + ")\t";
        for (char c : d) appendHexByte(line, static_cast<unsigned char>(c));
    }
    line += '\n';
    return line;
}

bool parseLine(std::string_view line, Value& v) {
    std::size_t t1 = line.find('\t');
    if (t1 == std::string_view::npos) return false;
    std::size_t t2 = line.find('\t', t1 + 1);
    if (t2 == std::string_view::npos) return false;
    std::string_view name = line.substr(0, t1);
    std::string_view type = line.substr(t1 + 1, t2 - t1 - 1);
    std::string_view data = line.substr(t2 + 1);
    if (data.find('\t') != std::string_view::npos) return false;
    if (!decodeText(name, v.name)) return false;
    if (type == "sz") {
        if (!decodeText(data, v.data)) return false;
        v.type = REG_SZ;
        v.data += '\0';
    } else if (type == "dword") {
        if (data.size() != 8) return false;
        DWORD n = 0;
        for (char c : data) {
            int h = hexDigit(c);
            if (h < 0) return false;
            n = (n << 4) | DWORD(h);
        }
        v.type = REG_DWORD;
        v.data.assign(reinterpret_cast<const char*>(&n), 4);
    } else if (type == "binary") {
        if (!parseHexBytes(data, v.data)) return false;
        v.type = REG_BINARY;
    } else if (type.size() > 5 && type.substr(0, 4) == "hex(" && type.back() == ')') {
        std::string_view num = type.substr(4, type.size() - 5);
        if (num.empty() || num.size() > 10) return false;
        unsigned long long t = 0;
        for (char c : num) {
            if (c < '0' || c > '9') return false;
            t = t * 10 + unsigned(c - '0');
        }
        if (t > 0xFFFFFFFFull) return false;
        if (!parseHexBytes(data, v.data)) return false;
        v.type = DWORD(t);
    } else {
        return false;
    }
    return true;
}

std::string folderOf(int root, const std::string& path) { return folderOf(root, path, ConfigHome()); }

// The machine store's key folder: the first configuration folder that holds it, or empty.
std::string machineFolderOf(const std::string& path, std::string& dirFound) {
    for (const std::string& dir : ConfigDirs()) {
        std::string folder = folderOf(kLocalMachine, path, dir);
        if (isFolder(folder)) {
            dirFound = dir;
            return folder;
        }
    }
    return {};
}

// Empty for a key whose values cannot exist (the machine root itself).
std::string valuesPath(const RegKeyHandle* key) {
    if (key->root == kLocalMachine) {
        if (key->machineDir.empty()) return {};
        return folderOf(kLocalMachine, key->path, key->machineDir) + "/" + kValuesFile;
    }
    return folderOf(key->root, key->path) + "/" + kValuesFile;
}

// Reads the key's values; a missing file is an empty key. False when the file cannot be read.
bool loadValues(const RegKeyHandle* key, std::vector<Value>& values) {
    values.clear();
    std::string path = valuesPath(key);
    if (path.empty()) return true;
    std::string text;
    if (!ReadWholeFile(path, text)) {
        std::error_code ec;
        return !std::filesystem::exists(path, ec) && !ec;
    }
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string::npos) eol = text.size();
        std::string_view line(text.data() + pos, eol - pos);
        pos = eol + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line[0] == '#') continue;
        Value v;
        if (!parseLine(line, v)) continue;  // a damaged line is dropped
        bool replaced = false;
        for (Value& old : values) {
            if (equalsNoCaseAscii(old.name, v.name)) {
                old = std::move(v);
                replaced = true;
                break;
            }
        }
        if (!replaced) values.push_back(std::move(v));
    }
    return true;
}

bool saveValues(const RegKeyHandle* key, const std::vector<Value>& values) {
    std::string text = "# Settings: one value a line, name<TAB>type<TAB>data\n";
    for (const Value& v : values) text += formatLine(v);
    return WriteFileAtomic(valuesPath(key), text);
}

Value* findValue(std::vector<Value>& values, const char* name) {
    std::string_view n = name ? name : "";
    for (Value& v : values)
        if (equalsNoCaseAscii(v.name, n)) return &v;
    return nullptr;
}

HKEY newHandle(int root, std::string path, REGSAM access, std::string machineDir = {}) {
    auto* h = new RegKeyHandle{root, false, std::move(path), access, std::move(machineDir)};
    liveKeys().insert(h);
    return h;
}

// A key of the machine store: below an open key it lies in that key's folder, below the root
// in the first configuration folder that holds it.
LSTATUS openMachineKey(const RegKeyHandle* base, std::string path, bool self, REGSAM access, PHKEY result) {
    std::string dir = base->machineDir;
    if (!self || base->isRoot) {
        if (dir.empty()) {
            if (machineFolderOf(path, dir).empty()) return ERROR_FILE_NOT_FOUND;
        } else if (!isFolder(folderOf(kLocalMachine, path, dir))) {
            return ERROR_FILE_NOT_FOUND;
        }
    }
    *result = newHandle(kLocalMachine, std::move(path), access, std::move(dir));
    return ERROR_SUCCESS;
}

}  // namespace

HKEY const HKEY_CLASSES_ROOT = &g_roots[0];
HKEY const HKEY_CURRENT_USER = &g_roots[1];
HKEY const HKEY_LOCAL_MACHINE = &g_roots[2];

LSTATUS RegOpenKeyEx(HKEY key, const char* subKey, DWORD, REGSAM access, PHKEY result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::lock_guard lock(g_mutex);
    RegKeyHandle* base = validKey(key);
    if (!base) return ERROR_INVALID_HANDLE;
    std::string path = joinPath(base->path, subKey);
    bool self = !subKey || !*subKey;
    if (base->root == kLocalMachine) return openMachineKey(base, std::move(path), self, access, result);
    if (!self && !isFolder(folderOf(base->root, path))) return ERROR_FILE_NOT_FOUND;
    *result = newHandle(base->root, std::move(path), access);
    return ERROR_SUCCESS;
}

LSTATUS RegCreateKeyEx(HKEY key, const char* subKey, DWORD, char*, DWORD, REGSAM access, void*, PHKEY result,
                       DWORD* disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::lock_guard lock(g_mutex);
    RegKeyHandle* base = validKey(key);
    if (!base) return ERROR_INVALID_HANDLE;
    std::string path = joinPath(base->path, subKey);
    if (base->root == kLocalMachine) {
        // The machine store is read-only: an existing key opens, a missing one is refused.
        LSTATUS st = openMachineKey(base, std::move(path), !subKey || !*subKey, access, result);
        if (st == ERROR_FILE_NOT_FOUND) return ERROR_ACCESS_DENIED;
        if (st == ERROR_SUCCESS && disposition) *disposition = REG_OPENED_EXISTING_KEY;
        return st;
    }
    std::string folder = folderOf(base->root, path);
    bool existed = isFolder(folder);
    if (!existed && !MakeFolders(folder)) return ERROR_CANTWRITE;
    if (disposition) *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    *result = newHandle(base->root, std::move(path), access);
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key) {
    std::lock_guard lock(g_mutex);
    RegKeyHandle* k = validKey(key);
    if (!k) return ERROR_INVALID_HANDLE;
    if (k->isRoot) return ERROR_SUCCESS;
    liveKeys().erase(k);
    delete k;
    return ERROR_SUCCESS;
}

LSTATUS RegQueryValueEx(HKEY key, const char* name, DWORD*, DWORD* type, BYTE* data, DWORD* size) {
    std::lock_guard lock(g_mutex);
    RegKeyHandle* k = validKey(key);
    if (!k) return ERROR_INVALID_HANDLE;
    if (!(k->access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    if (data && !size) return ERROR_INVALID_PARAMETER;
    std::vector<Value> values;
    if (!loadValues(k, values)) return ERROR_CANTREAD;
    const Value* v = findValue(values, name);
    if (!v) return ERROR_FILE_NOT_FOUND;
    if (type) *type = v->type;
    DWORD n = DWORD(v->data.size());
    if (data) {
        if (*size < n) {
            *size = n;
            return ERROR_MORE_DATA;
        }
        if (n) std::memcpy(data, v->data.data(), n);
    }
    if (size) *size = n;
    return ERROR_SUCCESS;
}

LSTATUS RegSetValueEx(HKEY key, const char* name, DWORD, DWORD type, const BYTE* data, DWORD size) {
    std::lock_guard lock(g_mutex);
    RegKeyHandle* k = validKey(key);
    if (!k) return ERROR_INVALID_HANDLE;
    if (!(k->access & KEY_SET_VALUE) || k->root == kLocalMachine) return ERROR_ACCESS_DENIED;
    if (!data && size) return ERROR_INVALID_PARAMETER;
    std::vector<Value> values;
    if (!loadValues(k, values)) return ERROR_CANTREAD;  // never overwrite what could not be read
    Value v;
    v.name = name ? name : "";
    v.type = type;
    if (size) v.data.assign(reinterpret_cast<const char*>(data), size);
    if (Value* old = findValue(values, name))
        *old = std::move(v);
    else
        values.push_back(std::move(v));
    return saveValues(k, values) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

LSTATUS RegSetValues(HKEY key, const std::vector<RegValueData>& given) {
    std::lock_guard lock(g_mutex);
    RegKeyHandle* k = validKey(key);
    if (!k) return ERROR_INVALID_HANDLE;
    if (!(k->access & KEY_SET_VALUE) || k->root == kLocalMachine) return ERROR_ACCESS_DENIED;
    std::vector<Value> values;
    if (!loadValues(k, values)) return ERROR_CANTREAD;
    for (const RegValueData& g : given) {
        Value v{g.name, g.type, g.data};
        if (Value* old = findValue(values, g.name.c_str()))
            *old = std::move(v);
        else
            values.push_back(std::move(v));
    }
    return saveValues(k, values) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

LSTATUS RegDeleteValue(HKEY key, const char* name) {
    std::lock_guard lock(g_mutex);
    RegKeyHandle* k = validKey(key);
    if (!k) return ERROR_INVALID_HANDLE;
    if (!(k->access & KEY_SET_VALUE) || k->root == kLocalMachine) return ERROR_ACCESS_DENIED;
    std::vector<Value> values;
    if (!loadValues(k, values)) return ERROR_CANTREAD;
    Value* v = findValue(values, name);
    if (!v) return ERROR_FILE_NOT_FOUND;
    values.erase(values.begin() + (v - values.data()));
    return saveValues(k, values) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

}  // namespace fw
