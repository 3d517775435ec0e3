#include "framework/Exceptions.h"

#include <cerrno>

#include "framework/StringTable.h"

namespace {

// The report texts of the string table (the program's code page), by cause.
enum : UINT { kNoMemoryText = 61709, kFileTexts = 61728, kArchiveTexts = 61744, kArchiveDetailText = 61752 };

// The string-table text, else the fallback.
std::string tableText(UINT id, const char* fallback) {
    std::string text;
    if (!fw::LoadStringResource(id, text) || text.empty()) text = fallback;
    return text;
}

}  // namespace

bool CMemoryException::GetErrorMessage(std::string& out) const {
    out = tableText(kNoMemoryText, "Out of Memory");
    return true;
}

int CFileException::OsErrorToCause(long e) {
    switch (e) {
    case 0: return none;
    case ENOENT: return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return badPath;
    case EMFILE:
    case ENFILE: return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return accessDenied;
    case EBADF: return invalidFile;
    case ESPIPE:
    case EINVAL: return badSeek;
    case EIO: return hardIO;
    case EBUSY:
    case ETXTBSY: return sharingViolation;
    case ENOSPC:
    case EDQUOT: return diskFull;
    default: return genericException;
    }
}

bool CFileException::GetErrorMessage(std::string& out) const {
    static const char* const texts[] = {
        "No error occurred.",
        "An unspecified error occurred.",
        "The file could not be located.",
        "All or part of the path is invalid.",
        "The permitted number of open files was exceeded.",
        "The file could not be accessed.",
        "There was an attempt to use an invalid file handle.",
        "The current working directory cannot be removed.",
        "There are no more directory entries.",
        "There was an error trying to set the file pointer.",
        "There was a hardware error.",
        "SHARE.EXE was not loaded, or a shared region was locked.",
        "There was an attempt to lock a region that was already locked.",
        "The disk is full.",
        "The end of file was reached.",
    };
    int c = (m_cause >= 0 && m_cause <= endOfFile) ? m_cause : genericException;
    out = tableText(kFileTexts + UINT(c), texts[c]);
    if (!m_strFileName.empty()) out += "\n(" + m_strFileName + ")";
    return true;
}

bool CArchiveException::GetErrorMessage(std::string& out) const {
    static const char* const texts[] = {
        "No error occurred.",
        "An unspecified error occurred.",
        "Tried to write to an archive opened for loading.",
        "An unexpected end of file was reached.",
        "Tried to read from an archive opened for storing.",
        "The file has an invalid format.",
        "The file holds an unexpected object.",
        "The file holds an object of an unexpected version.",
    };
    int c = (m_cause >= 0 && m_cause <= badSchema) ? m_cause : genericException;
    out = tableText(kArchiveTexts + UINT(c), texts[c]);
    if (!m_strDetail.empty()) {
        std::string detail = tableText(kArchiveDetailText, "Damaged or missing: %s.");
        const std::size_t at = detail.find("%s");
        if (at != std::string::npos) detail.replace(at, 2, m_strDetail);
        out += detail;
    }
    if (!m_strFileName.empty()) out += "\n(" + m_strFileName + ")";
    return true;
}

void AfxThrowMemoryException() { throw CMemoryException(); }
void AfxThrowFileException(int cause, long osError, const char* fileName) {
    throw CFileException(cause, osError, fileName ? fileName : "");
}
void AfxThrowArchiveException(int cause, const char* fileName, const char* detail) {
    throw CArchiveException(cause, fileName ? fileName : "", detail ? detail : "");
}
void AfxThrowResourceException() { throw CResourceException(); }
void AfxThrowUserException() { throw CUserException(); }
