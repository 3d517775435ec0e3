#include "platform/FileNames.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "framework/CodePage.h"
#include "framework/File.h"
#include "framework/FileDialog.h"
#include "framework/Paths.h"
#include "framework/StringTable.h"
#include "platform/PlatformGlobals.h"

namespace fs = std::filesystem;

namespace {

fs::path osPath(std::string_view codePage) { return fs::path(fw::ToUtf8(codePage)); }

bool changeFolder(std::string_view codePage) {
    if (codePage.empty()) return false;
    std::error_code ec;
    fs::current_path(osPath(codePage), ec);
    return !ec;
}

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldAscii(a[i]) != foldAscii(b[i])) return false;
    return true;
}

// Characters of a code-page text: one or two bytes each.
std::vector<std::string_view> charsOf(std::string_view s) {
    std::vector<std::string_view> out;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t n = (fw::IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
        out.push_back(s.substr(i, n));
        i += n;
    }
    return out;
}

bool sameChar(std::string_view a, std::string_view b) {
    if (a.size() == 1 && b.size() == 1) return foldAscii(a[0]) == foldAscii(b[0]);
    return a == b;
}

// Wildcard match by characters: '*' any run, '?' one character, letter case ignored.
bool wildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*" || pattern == "*") return true;
    std::vector<std::string_view> p = charsOf(pattern), n = charsOf(name);
    std::size_t pi = 0, ni = 0, star = std::string::npos, mark = 0;
    while (ni < n.size()) {
        if (pi < p.size() && p[pi] == "*") {
            star = pi++;
            mark = ni;
        } else if (pi < p.size() && (p[pi] == "?" || sameChar(p[pi], n[ni]))) {
            ++pi;
            ++ni;
        } else if (star != std::string::npos) {
            pi = star + 1;
            ni = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == "*") ++pi;
    return pi == p.size();
}

struct Search {
    std::vector<FileFindData> entries;
    std::size_t next = 0;
};

std::map<HFIND, Search>& searches() {
    static std::map<HFIND, Search> s;
    return s;
}
HFIND g_nextSearch = 1;

// The extensions of the score formats the program imports: a name that carries one keeps it
// when it gets another extension, so a score taken from such a file never takes its name.
bool isImportExtension(std::string_view ext) {
    for (const char* e : {"mid", "kar", "enc", "mus", "xml", "etf"})
        if (equalsNoCase(ext, e)) return true;
    return false;
}

std::string programFolderPath() { return g_platform.programFolder.path; }

std::string inProgramFolder(std::string_view name) {
    std::string base = programFolderPath();
    if (!name.empty() && name[0] == '/') return std::string(name);
    if (base.empty()) return std::string(name);
    if (base.back() != '/') base += '/';
    return base + std::string(name);
}

bool setProgramFolder(const std::string& utf8) {
    std::string cp = fw::FromUtf8(utf8);
    FileSpec& pf = g_platform.programFolder;
    if (cp.size() >= FileSpec::kPathSize || fw::ToUtf8(cp) != utf8) {
        pf.path[0] = 0;
        return false;
    }
    fw::CopyText(pf.path, sizeof pf.path, cp);
    return true;
}

bool askFile(bool open, FileSpec& record, UINT titleId, UINT filterId, UINT extId) {
    std::string title, filter, ext;
    if (titleId) fw::LoadStringResource(titleId, title);
    if (filterId) fw::LoadStringResource(filterId, filter);
    if (extId) fw::LoadStringResource(extId, ext);

    // Start in the record's folder: its path when that is a folder, else the path's folder.
    std::string start = record.path;
    std::error_code ec;
    if (!start.empty() && !fs::is_directory(osPath(start), ec)) {
        std::size_t slash = start.find_last_of('/');
        start = slash == std::string::npos ? std::string() : start.substr(0, slash == 0 ? 1 : slash);
    }
    DWORD flags = open ? (OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_SHOWHELP)
                       : (OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_SHOWHELP);
    CFileDialog dlg(open, nullptr, open ? nullptr : record.name, flags, filter.c_str());
    if (!title.empty()) dlg.m_ofn.lpstrTitle = title.c_str();
    if (!start.empty()) dlg.m_ofn.lpstrInitialDir = start.c_str();
    if (dlg.DoModal() != IDOK) return false;

    CString path = dlg.GetPathName();
    CString name = dlg.GetFileName();
    FileSpec result = record;
    if (std::size_t(path.GetLength()) >= sizeof result.path || std::size_t(name.GetLength()) >= sizeof result.name)
        return false;
    fw::CopyText(result.name, sizeof result.name, name.str());
    fw::CopyText(result.path, sizeof result.path, path.str());
    if (!ext.empty() && !FileSpec::SetExtension(result.path, ext.c_str(), sizeof result.path)) return false;
    record = result;
    return true;
}

}  // namespace

// --- the wildcard search ------------------------------------------------------------------------

HFIND FindFirstFile(const char* pattern, FileFindData* data) {
    if (!pattern || !data) return kFindNothing;
    std::string_view pat(pattern);
    std::string folder = ".";
    std::size_t slash = pat.find_last_of('/');
    if (slash != std::string_view::npos) {
        folder = slash == 0 ? "/" : std::string(pat.substr(0, slash));
        pat = pat.substr(slash + 1);
    }
    Search search;
    std::error_code ec;
    for (fs::directory_iterator it(osPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
        std::string utf8 = it->path().filename().string();
        std::string name = fw::FromUtf8(utf8);
        // A name the code page cannot hold could not be opened again: leave it out.
        if (fw::ToUtf8(name) != utf8 || name.size() >= sizeof FileFindData::cFileName) continue;
        if (!wildcardMatch(pat, name)) continue;
        FileFindData d;
        std::error_code e2;
        bool dir = it->is_directory(e2);
        d.dwFileAttributes = dir ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
        if (!dir) {
            std::uintmax_t size = it->file_size(e2);
            if (!e2) {
                d.nFileSizeHigh = DWORD(std::uint64_t(size) >> 32);
                d.nFileSizeLow = DWORD(size & 0xFFFFFFFFu);
            }
        }
        fw::CopyText(d.cFileName, sizeof d.cFileName, name);
        search.entries.push_back(d);
    }
    if (ec || search.entries.empty()) return kFindNothing;
    std::sort(search.entries.begin(), search.entries.end(), [](const FileFindData& a, const FileFindData& b) {
        std::string_view x(a.cFileName), y(b.cFileName);
        for (std::size_t i = 0; i < x.size() && i < y.size(); ++i) {
            char p = foldAscii(x[i]), q = foldAscii(y[i]);
            if (p != q) return static_cast<unsigned char>(p) < static_cast<unsigned char>(q);
        }
        if (x.size() != y.size()) return x.size() < y.size();
        return x < y;
    });
    *data = search.entries[0];
    search.next = 1;
    HFIND h = g_nextSearch++;
    if (g_nextSearch <= 0) g_nextSearch = 1;
    searches()[h] = std::move(search);
    return h;
}

bool FindNextFile(HFIND handle, FileFindData* data) {
    auto it = searches().find(handle);
    if (it == searches().end() || !data) return false;
    Search& s = it->second;
    if (s.next >= s.entries.size()) return false;
    *data = s.entries[s.next++];
    return true;
}

bool FindClose(HFIND handle) { return searches().erase(handle) > 0; }

// --- FileSpec -----------------------------------------------------------------------------------

void FileSpec::GetProgramFolder(FileSpec& record) { record = g_platform.programFolder; }

bool FileSpec::CreateFolder(const char* name) {
    if (!name || !*name) return false;
    return fw::MakeFolders(fw::ToUtf8(inProgramFolder(name)));
}

bool FileSpec::EnterFolder(const char* name, bool create) {
    *this = g_platform.programFolder;
    if (!name || !*name) return false;
    std::string target = inProgramFolder(name);
    if (changeFolder(target)) return true;
    if (!create || !fw::MakeFolders(fw::ToUtf8(target))) return false;
    return changeFolder(target);
}

bool FileSpec::MakeCurrentFolder() const { return changeFolder(path); }

bool FileSpec::SetExtension(char* path, const char* ext, std::size_t size) {
    if (!path || !ext || !*path || !*ext) return true;
    std::string_view e = ext[0] == '.' ? ext + 1 : ext;
    if (e.empty()) return true;
    std::size_t n = std::strlen(path), k = e.size();
    if (n > k && path[n - k - 1] == '.') {
        std::string_view old(path + n - k, k);
        if (old.find_first_of("./") == std::string_view::npos) {
            if (equalsNoCase(old, e)) return true;
            if (!isImportExtension(old)) {
                std::memcpy(path + n - k, e.data(), k);
                return true;
            }
        }
    }
    if (n + 1 + k + 1 > size) return false;
    path[n] = '.';
    std::memcpy(path + n + 1, e.data(), k);
    path[n + 1 + k] = 0;
    return true;
}

bool FileSpec::AppendFolder(FileSpec& record, const char* name) {
    std::string p = record.path;
    std::string_view add = name ? name : "";
    if (!p.empty() && p.back() != '/') p += '/';
    p += add;
    if (!add.empty() && add.back() != '/') p += '/';
    if (p.size() >= sizeof record.path) return false;
    std::memcpy(record.path, p.c_str(), p.size() + 1);
    return true;
}

void FileSpec::CutAt(char* text, const char* what) {
    if (!text || !what || !*what) return;
    std::size_t n = std::strlen(text), w = std::strlen(what);
    for (std::size_t i = 0; i + w <= n; i += fw::CharBytes(text + i)) {
        if (std::memcmp(text + i, what, w) == 0) {
            text[i] = 0;
            return;
        }
    }
}

bool FileSpec::AskOpen(FileSpec& record, UINT titleId, UINT filterId, UINT extId) {
    return askFile(true, record, titleId, filterId, extId);
}

bool FileSpec::AskSave(FileSpec& record, UINT titleId, UINT filterId, UINT extId) {
    return askFile(false, record, titleId, filterId, extId);
}

HFIND FileSpec::FindFirst(const FileSpec& record, const char* pattern, FileFindData* data) {
    if (!record.MakeCurrentFolder()) return 0;
    return FindFirstFile(pattern, data);
}

bool FileSpec::FindNext(HFIND handle, FileFindData* data) { return FindNextFile(handle, data); }

bool FileSpec::FindClose(HFIND handle) { return ::FindClose(handle); }

bool FileSpec::DeleteInProgramFolder(const char* name) {
    if (!name || !*name || !g_platform.programFolder.MakeCurrentFolder()) return false;
    std::error_code ec;
    fs::path p = osPath(name);
    if (fs::is_directory(p, ec)) return false;
    return fs::remove(p, ec) && !ec;
}

void SetUpProgramFolderFromCurrentDirectory() {
    std::error_code ec;
    fs::path cwd = fs::current_path(ec);
    setProgramFolder(ec ? std::string() : cwd.string());
}

void SetUpProgramFolder() { setProgramFolder(fw::InstalledDataFolder()); }

std::string UserDataPath(const char* name) {
    std::string path = fw::FromUtf8(fw::UserDataFolder());
    if (name && *name) path += std::string("/") + name;
    return path;
}
