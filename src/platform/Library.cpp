#include "platform/Library.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "framework/CodePage.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "platform/FileNames.h"
#include "platform/Handles.h"

namespace {
constexpr UINT kLibraryFolderString = 3500;
constexpr UINT kLibraryFilterString = 3501;
constexpr UINT kLibraryExtString = 3502;
constexpr UINT kWrongTypeMessage = 10011;
constexpr int kCannotOpen = -43;
constexpr int kWrongType = 101;

std::string LibraryFolderName() {
    std::string folder;
    fw::LoadStringResource(kLibraryFolderString, folder);
    return folder;
}

bool Readable(const std::string& path) {
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeRead | CFile::typeBinary)) return false;
    file.Close();
    return true;
}
}  // namespace

CLibrary::CLibrary() : items(std::make_unique<CStdArray>()) {}
CLibrary::~CLibrary() = default;

CLibrary::CLibrary(const CLibrary& from) : modified(from.modified), version(from.version), tag(from.tag) {
    items.reset(from.items->Clone());
    if (!items) throw std::bad_alloc();
    if (from.fonts) {
        fonts = std::make_unique<CFontArray>();
        if (!from.fonts->CopyTo(fonts.get())) throw std::bad_alloc();
    }
}

CLibrary& CLibrary::operator=(const CLibrary& from) {
    if (this == &from) return *this;
    modified = from.modified;
    version = from.version;
    tag = from.tag;
    if (from.fonts) {
        if (!fonts) fonts = std::make_unique<CFontArray>();
        if (!from.fonts->CopyTo(fonts.get())) throw std::bad_alloc();
    }
    if (!from.items->CopyTo(items.get())) throw std::bad_alloc();
    return *this;
}

std::string CLibrary::FolderPath() { return UserDataPath(LibraryFolderName().c_str()) + '/'; }

std::string CLibrary::InstalledFolderPath() {
    FileSpec program;
    FileSpec::GetProgramFolder(program);
    if (!program.path[0]) return {};
    std::string path = program.path;
    if (path.back() != '/') path += '/';
    return path + LibraryFolderName() + '/';
}

std::string CLibrary::FindFile(const char* name) {
    std::string file = name ? name : "";
    std::string ext;
    fw::LoadStringResource(kLibraryExtString, ext);
    if (!ext.empty()) file += "." + ext;
    const std::string user = FolderPath() + file;
    if (Readable(user)) return user;
    const std::string installed = InstalledFolderPath();
    return installed.empty() ? user : installed + file;
}

void CLibrary::Open(FileSpec& record, const char* name) {
    if (!name) return;
    const std::string path = FindFile(name);
    if (path.empty() || path.size() >= sizeof record.path) return;
    fw::CopyText(record.name, sizeof record.name, name);
    fw::CopyText(record.path, sizeof record.path, path);
    if (!Load(record)) record.name[0] = 0;
}

bool CLibrary::Load(const FileSpec& record) {
    const std::uint16_t keptVersion = version;
    const std::uint32_t keptTag = tag;
    CFile file;
    try {
        if (!file.Open(record.path, CFile::modeRead | CFile::typeBinary)) ThrowErrorCode(kCannotOpen);
        std::uint8_t head[6];
        if (file.Read(head, sizeof head) < sizeof head) ThrowErrorCode(kWrongType);
        std::uint32_t fileTag;
        std::memcpy(&fileTag, head, 4);
        if (fileTag != tag) {
            std::string text;
            fw::LoadStringResource(kWrongTypeMessage, text);
            AfxMessageBox(text.c_str(), MB_ICONEXCLAMATION);
            ThrowErrorCode(kWrongType);
        }
        version = std::uint16_t(head[4] | head[5] << 8);
        // The entries go into an array of their own, so a refused or failed read leaves the
        // library's entries as they were.
        auto loaded = std::make_unique<CStdArray>();
        loaded->SetElemSize(items->GetElementSize());
        loaded->LoadRaw(file);
        if (!AcceptsItems(*loaded)) ThrowErrorCode(kWrongType);
        std::unique_ptr<CFontArray> table;
        if (fonts) {
            std::uint8_t next[8];
            const UINT got = file.Read(next, sizeof next);
            if (got == sizeof next && std::memcmp(next, "FNTS", 4) == 0) {
                file.Seek(-std::int64_t(sizeof next), CFile::current);
                table = std::make_unique<CFontArray>();
                table->LoadRaw(file);
            }
        }
        // Nothing is taken before the whole file has been read.
        items = std::move(loaded);
        if (table) fonts = std::move(table);
        MapFonts(false);
        file.Close();
    } catch (const CException&) {
        file.Abort();
        version = keptVersion;
        tag = keptTag;
        return false;
    }
    version = keptVersion;
    return true;
}

bool CLibrary::Save(FileSpec& record, bool askName) {
    const std::string folder = FolderPath();
    FileSpec::CreateFolder(folder.c_str());
    FileSpec target = record;
    if (!target.name[0] || askName) {
        // The dialog starts in the user's library folder with the record's name proposed.
        fw::CopyText(target.path, sizeof target.path, folder);
        if (!FileSpec::AskSave(target, 0, kLibraryFilterString, kLibraryExtString)) return false;
    } else {
        // A file is written in the user's library folder, whichever folder it was read from.
        const std::string path = folder + target.name;
        if (path.size() >= sizeof target.path) return false;
        fw::CopyText(target.path, sizeof target.path, path);
    }
    MapFonts(true);
    CFile file;
    try {
        CFile::Remove(target.path);
    } catch (const CException&) {
    }
    try {
        if (!file.Open(target.path, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary))
            ThrowErrorCode(kCannotOpen);
        WriteHeader(file);
        WriteItems(file);
        if (fonts) fonts->SaveRaw(file, Tag("FNTS"));
        file.Close();
    } catch (const CException&) {
        file.Abort();
        MapFonts(false);
        return false;
    }
    MapFonts(false);
    modified = 0;
    record = target;
    return true;
}

bool CLibrary::Browse(FileSpec& record) {
    FileSpec chosen = record;
    fw::CopyText(chosen.path, sizeof chosen.path, FolderPath());
    if (!FileSpec::AskOpen(chosen, 0, kLibraryFilterString, kLibraryExtString)) return false;
    record = chosen;
    return Load(record);
}

void CLibrary::WriteHeader(CFile& file) {
    std::uint8_t head[6];
    std::memcpy(head, &tag, 4);
    head[4] = std::uint8_t(version);
    head[5] = std::uint8_t(version >> 8);
    file.Write(head, sizeof head);
}

void CLibrary::WriteItems(CFile& file) { items->SaveRaw(file, Tag("ARRY")); }

// --- entries ------------------------------------------------------------------------------------

bool CLibrary::CopyItem(int index, void* buffer) {
    if (index < 0 || index >= items->GetCount() || !buffer) return false;
    items->CopyOut(index, buffer);
    return true;
}

void CLibrary::InsertItem(int index, const void* entry) {
    if (index < 0 || index > items->GetCount()) return;
    // The entry may lie inside the array, which the insertion moves.
    std::vector<std::uint8_t> copy(static_cast<const std::uint8_t*>(entry),
                                   static_cast<const std::uint8_t*>(entry) + items->GetElementSize());
    if (items->InsertAt(index, copy.data())) modified = 1;
}

void CLibrary::InsertEmptyItem(int index) {
    if (index < 0 || index > items->GetCount()) return;
    if (items->InsertEmpty(index)) modified = 1;
}

void CLibrary::RemoveItem(int index) {
    if (index < 0 || index >= items->GetCount()) return;
    items->RemoveAt(index);
    modified = 1;
}

void CLibrary::ReplaceItem(int index, const void* entry) {
    if (index < 0 || index >= items->GetCount()) return;
    std::vector<std::uint8_t> copy(static_cast<const std::uint8_t*>(entry),
                                   static_cast<const std::uint8_t*>(entry) + items->GetElementSize());
    if (!items->InsertAt(index, copy.data())) return;
    items->RemoveAt(index + 1);
    modified = 1;
}

void CLibrary::RemoveAllItems() {
    items->RemoveAll();
    modified = 1;
}
