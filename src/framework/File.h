// Files: CFile over the operating system's files, CMemFile over a growable memory buffer.
// File names are in the program's code page and are converted to UTF-8 when opened.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Types.h"

class CFileException;

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

    CFile();
    // Opens or throws CFileException.
    CFile(const char* fileName, UINT flags);
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // False on failure; the cause goes into *error when given.
    virtual bool Open(const char* fileName, UINT flags, CFileException* error = nullptr);
    // Bytes read (fewer at the end of the file). Throws CFileException on an I/O error.
    virtual UINT Read(void* buffer, UINT count);
    // Writes all bytes or throws CFileException.
    virtual void Write(const void* buffer, UINT count);
    virtual std::int64_t Seek(std::int64_t offset, UINT from);
    void SeekToBegin() { Seek(0, begin); }
    std::int64_t SeekToEnd() { return Seek(0, end); }
    virtual std::uint64_t GetLength() const;
    virtual std::uint64_t GetPosition() const;
    virtual void SetLength(std::uint64_t length);
    virtual void Flush();
    virtual void Close();
    // Closes without throwing.
    virtual void Abort();
    virtual bool IsOpen() const { return fd_ >= 0; }

    const std::string& GetFilePath() const { return path_; }
    std::string GetFileName() const;

    static void Remove(const char* fileName);
    static void Rename(const char* oldName, const char* newName);

protected:
    int fd_ = -1;
    std::string path_;  // code page

private:
    // A file opened for reading only is read through a buffer of its own, and its length is
    // taken when it is opened: a reader's many small reads, positions and lengths then cost
    // no system call each.
    bool Buffered() const { return readOnly_; }
    void DropReadBuffer();
    bool readOnly_ = false;
    std::vector<std::uint8_t> readBuffer_;
    std::uint64_t bufferStart_ = 0;  // file offset of readBuffer_[0]
    std::uint32_t bufferFill_ = 0;
    std::uint32_t bufferAt_ = 0;
    std::uint64_t length_ = 0;
};

// A file held in memory; reads and writes never touch the disk.
class CMemFile : public CFile {
public:
    CMemFile() = default;
    explicit CMemFile(std::vector<std::uint8_t> bytes) : data_(std::move(bytes)) {}

    bool Open(const char*, UINT, CFileException* = nullptr) override { return true; }
    UINT Read(void* buffer, UINT count) override;
    void Write(const void* buffer, UINT count) override;
    std::int64_t Seek(std::int64_t offset, UINT from) override;
    std::uint64_t GetLength() const override { return data_.size(); }
    std::uint64_t GetPosition() const override { return pos_; }
    void SetLength(std::uint64_t length) override;
    void Flush() override {}
    void Close() override {}
    void Abort() override {}
    bool IsOpen() const override { return true; }

    const std::vector<std::uint8_t>& Data() const { return data_; }
    std::vector<std::uint8_t>& Data() { return data_; }

private:
    std::vector<std::uint8_t> data_;
    std::uint64_t pos_ = 0;
};

namespace fw {

// Writes bytes to a temporary file beside path (UTF-8) and renames it over path only when
// the whole write reached the disk; then the folder is synced too. The new file keeps the old
// file's mode; a path that is a symbolic link writes the file it points to and keeps the link.
// False on failure, with the system's error in *osError (when given); no temporary file is
// left, and the old file is untouched unless only the last step, the folder's sync, failed.
bool WriteFileAtomic(const std::string& utf8Path, std::string_view bytes, int* osError = nullptr);
// Reads a whole file (UTF-8 path); false when it cannot be read.
bool ReadWholeFile(const std::string& utf8Path, std::string& out);
// Creates a folder and its parents (UTF-8 path).
bool MakeFolders(const std::string& utf8Path);

}  // namespace fw
