// The exceptions the program raises and catches: memory, file, archive, resource and user.
#pragma once
#include <exception>
#include <string>

class CException : public std::exception {
public:
    ~CException() override = default;
    const char* what() const noexcept override { return "framework exception"; }
    // Text for a message box; false when the exception has none.
    virtual bool GetErrorMessage(std::string& out) const {
        out.clear();
        return false;
    }
};

class CMemoryException : public CException {
public:
    const char* what() const noexcept override { return "out of memory"; }
    bool GetErrorMessage(std::string& out) const override;
};

class CFileException : public CException {
public:
    enum Cause {
        none = 0,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
    };
    explicit CFileException(int cause = none, long osError = -1, std::string fileName = {})
        : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)) {}
    const char* what() const noexcept override { return "file error"; }
    bool GetErrorMessage(std::string& out) const override;
    // Maps an errno value to a cause.
    static int OsErrorToCause(long osError);

    int m_cause;
    long m_lOsError;
    std::string m_strFileName;  // in the program's code page
};

class CArchiveException : public CException {
public:
    enum Cause { none = 0, genericException, readOnly, endOfFile, writeOnly, badIndex, badClass, badSchema };
    explicit CArchiveException(int cause = none, std::string fileName = {}, std::string detail = {})
        : m_cause(cause), m_strFileName(std::move(fileName)), m_strDetail(std::move(detail)) {}
    const char* what() const noexcept override { return "archive error"; }
    bool GetErrorMessage(std::string& out) const override;
    int m_cause;
    std::string m_strFileName;
    // What the reader found damaged or missing ("the end mark"), empty when not known.
    std::string m_strDetail;
};

class CResourceException : public CException {
public:
    const char* what() const noexcept override { return "resource error"; }
};

// Raised after the user has been told; the coded reason sits in the error-code slot.
class CUserException : public CException {
public:
    const char* what() const noexcept override { return "user exception"; }
};

[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowFileException(int cause, long osError = -1, const char* fileName = nullptr);
[[noreturn]] void AfxThrowArchiveException(int cause, const char* fileName = nullptr, const char* detail = nullptr);
[[noreturn]] void AfxThrowResourceException();
[[noreturn]] void AfxThrowUserException();
