// The open-file and save-file dialogs. Texts and paths are in the program's code page; the
// filter is "Name|*.ext;*.ext2|Name 2|*.x||".
//
// Without a visible display (no application object, or a headless platform) a dialog is not
// shown and answers cancel, so nothing ever waits for a user who is not there; tests script
// the answers with filedialogtest::Script.
#pragma once
#include <string>
#include <vector>

#include "framework/MessageBox.h"
#include "framework/String.h"
#include "framework/Types.h"

class CWnd;

enum : DWORD {
    OFN_READONLY = 0x0001,
    OFN_OVERWRITEPROMPT = 0x0002,
    OFN_HIDEREADONLY = 0x0004,
    OFN_SHOWHELP = 0x0010,
    OFN_PATHMUSTEXIST = 0x0800,
    OFN_FILEMUSTEXIST = 0x1000,
};

class CFileDialog {
public:
    CFileDialog(bool openFileDialog, const char* defExt = nullptr, const char* fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const char* filter = nullptr,
                CWnd* parent = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // IDOK when a file was chosen, else IDCANCEL.
    int DoModal();

    CString GetPathName() const;   // the chosen file's full path
    CString GetFileName() const;   // its name with extension
    CString GetFileTitle() const;  // its name without extension
    CString GetFileExt() const;    // its extension without the "."

    struct OpenFileName {
        DWORD Flags = 0;
        const char* lpstrTitle = nullptr;       // null: the platform's own title
        const char* lpstrInitialDir = nullptr;  // null: the current directory
    } m_ofn;

private:
    bool open_;
    std::string defExt_;
    std::string fileName_;
    std::string filter_;
    std::string chosen_;  // code page
};

namespace fw::filedialogtest {

// What a dialog was asked (code page texts).
struct Request {
    bool open = false;
    DWORD flags = 0;
    std::string title;
    std::string initialDir;
    std::string fileName;
    std::string filter;
    std::string defExt;
};

// While one exists, dialogs are recorded and answered from the script instead of shown; a
// dialog without a scripted answer is cancelled.
class Script {
public:
    Script();
    ~Script();
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    // The next dialog answers OK with this path (code page).
    void Answer(const std::string& path);
    // The next dialog answers cancel.
    void Cancel();
    const std::vector<Request>& asked() const;
};

}  // namespace fw::filedialogtest
