#include "platform/Library.h"

#include <cstring>
#include <string>

#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "platform/FileNames.h"
#include "platform/Handles.h"

namespace {
constexpr UINT kLibraryFolderString = 3500;
constexpr UINT kWrongTypeMessage = 10011;
constexpr int kCannotOpen = -43;
constexpr int kWrongType = 101;
}  // namespace

CLibrary::CLibrary() : items(std::make_unique<CStdArray>()) {}
CLibrary::~CLibrary() = default;

std::string CLibrary::FolderPath() {
    FileSpec program;
    FileSpec::GetProgramFolder(program);
    if (!program.path[0]) return {};
    std::string folder;
    fw::LoadStringResource(kLibraryFolderString, folder);
    std::string path = program.path;
    if (path.back() != '/') path += '/';
    return path + folder + '/';
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
        if (fonts) {
            std::uint8_t next[8];
            const UINT got = file.Read(next, sizeof next);
            if (got == sizeof next && std::memcmp(next, "FNTS", 4) == 0) {
                file.Seek(-std::int64_t(sizeof next), CFile::current);
                auto table = std::make_unique<CFontArray>();
                table->LoadRaw(file);
                fonts = std::move(table);
            }
        }
        items = std::move(loaded);
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
