// The document's side of every file operation: a file opens by its name's ending into the
// native reader, the MIDI import or an importer; failures reach the user in the program's
// words; saving writes the view state with the score and never destroys the previous file;
// revert and the autosave copy.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <memory>
#include <string>

#include "framework/CodePage.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "model/TaskMakers.h"
#include "model/EditTask.h"
#include "model/ItemFactory.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/ZelDoc.h"
#include "platform/DebugLog.h"
#include "platform/Handles.h"
#include "platform/PortLayer.h"

namespace {

constexpr UINT kNewerVersionString = 10022;
constexpr UINT kUnconvertibleString = 10023;
constexpr UINT kReadOnlyString = 10009;
constexpr UINT kRevertString = 10016;
// The framework's own reports of its failures.
constexpr UINT kOpenFailedString = 61697;
constexpr UINT kBadFormatString = 61704;
constexpr UINT kNoMemoryString = 61709;
constexpr UINT kSaveFailedString = 61705;

std::string loadString(UINT id) {
    std::string s;
    fw::LoadStringResource(id, s);
    return s;
}

std::string lowerEnding(const std::string& path) {
    std::string end = path.size() >= 4 ? path.substr(path.size() - 4) : path;
    for (char& c : end) c = char(std::tolower(static_cast<unsigned char>(c)));
    return end;
}

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A file that is read-only (its mode has no write bit, whoever runs the program) or that this
// user may not write, as the system answers for the program's own identity. Saving replaces
// the file through a rename in its folder, which a writable folder would allow even then.
bool isReadOnlyFile(const std::string& utf8Path) {
    struct stat st {};
    if (::stat(utf8Path.c_str(), &st) != 0) return false;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
    return ::faccessat(AT_FDCWD, utf8Path.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT;
}

}  // namespace

std::string CZelDoc::ReportOpenFailure(int code, const std::string& path, const std::string& reason) {
    switch (code) {
        case kReadCancelled: return {};
        case kReadNewerVersion:
        case kReadUnconvertible: {
            const std::string text = loadString(code == kReadNewerVersion ? kNewerVersionString : kUnconvertibleString);
            AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
            return text;
        }
        // The framework's own reports: the wrong format, a failed read, and memory for the rest.
        case kReadWrongMagic: {
            if (!reason.empty()) {
                const std::string text = loadString(kBadFormatString) + "\n(" + path + ")\n" + reason;
                AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
                return text;
            }
            const CArchiveException wrongFormat(CArchiveException::badIndex, path);
            return ReportSaveLoadException(path.c_str(), &wrongFormat, false);
        }
        case kReadNoMemory: return ReportSaveLoadException(path.c_str(), nullptr, false, kOpenFailedString);
        default: {
            const CMemoryException memory;
            return ReportSaveLoadException(path.c_str(), &memory, false);
        }
    }
}

int CZelDoc::ReadNative(CFile& file) {
    SetErrorCode(0);
    bool ok = false;
    try {
        // Fewer than four bytes hold no magic: not a score file.
        char magic[4];
        if (file.Read(magic, 4) < 4) return kReadWrongMagic;
        file.Seek(0, CFile::begin);
        ok = ScoreFile::Open(*score, *this, file);
    } catch (const CArchiveException&) {
        // Damage the reader found is reported as a file it cannot read, not as lack of memory.
        const int code = GetErrorCode();
        return code ? code : kReadWrongMagic;
    } catch (const CFileException&) {
        const int code = GetErrorCode();
        return code ? code : kReadNoMemory;
    } catch (const CException&) {
        const int code = GetErrorCode();
        // A record whose data end early is a damaged file, not a lack of memory.
        if (code == std::uint16_t(kErrEndOfFileRead)) return kReadWrongMagic;
        return code ? code : -1;
    }
    if (ok) FixPageSetup();
    if (pageMode < 0) pageMode = 0;
    SetArrangementMode(pageMode);
    SetZoom(zoom, false);
    return kReadOk;
}

int CZelDoc::ReadFile(const std::string& path, CFile& file) {
    const std::string ending = lowerEnding(path);
    const std::string name = fileNameOf(path);
    int code;
    if (ending == ".mid" || ending == ".kar" || ending == ".enc" || ending == ".mus" || ending == ".xml" ||
        ending == ".etf") {
        // An imported score is titled by its file's name without the ending.
        fw::CopyText(titles[0].lines[0].text, TitleLine::kTextSize, name.substr(0, name.size() - 4));
        SetErrorCode(0);
        try {
            code = ScoreImporter()(ending, *this, file);
        } catch (const CException&) {
            code = GetErrorCode() ? GetErrorCode() : -1;
        }
    } else {
        StartWaitCursor(true);
        code = ReadNative(file);
    }
    LogText("File Closed", true);
    StartWaitCursor(false);
    return code;
}

bool CZelDoc::OnOpenDocument(const char* path) {
    const std::string p = path ? path : "";
    lastReadMessage.clear();
    lastReadReason.clear();
    lastReadDetail.clear();
    CFile file;
    if (!file.Open(p.c_str(), CFile::modeRead | CFile::typeBinary)) {
        lastReadCode = kReadNoMemory;
        lastReadMessage = ReportOpenFailure(kReadNoMemory, p);
        return false;
    }
    lastReadCode = ReadFile(p, file);
    file.Close();
    if (lastReadCode != kReadOk) {
        lastReadMessage = ReportOpenFailure(lastReadCode, p, lastReadReason);
        return false;
    }
    if (!score || score->GetBarCount() <= 0) {
        lastReadCode = kReadWrongMagic;
        lastReadMessage = ReportOpenFailure(kReadWrongMagic, p);
        return false;
    }
    this->file = FileSpec{};
    fw::CopyText(this->file.path, sizeof this->file.path, p);
    SetPathName(p.c_str());
    SetModifiedFlag(false);
    ResetInsertionPoint();
    return true;
}

bool CZelDoc::WriteNative(const std::string& path, int* osError) {
    pageMode = location.arrangementMode;
    const std::int16_t userZoom = zoom;
    if (userZoom != 100) {
        SetZoom(100, false);
        zoom = userZoom;  // the file keeps the user's zoom; the pages are written at 100
    }
    // The score window's placement goes with the score.
    bool windowMaximised = false;
    RECT placement{};
    if (view && view->GetWindowPlacement(windowMaximised, placement)) {
        maximised = windowMaximised ? 1 : 0;
        windowRect[0] = placement.left;
        windowRect[1] = placement.top;
        windowRect[2] = placement.right;
        windowRect[3] = placement.bottom;
    }
    SetErrorCode(0);
    bool ok = false;
    try {
        ok = ScoreFile::Save(*score, *this, path, osError);
    } catch (const CException&) {
        ok = false;
    }
    if (userZoom != 100) SetZoom(userZoom, false);
    return ok;
}

bool CZelDoc::OnSaveDocument(const char* path) {
    const std::string p = path ? path : "";
    if (isReadOnlyFile(fw::ToUtf8(p))) {
        const std::string text = loadString(kReadOnlyString) + "(" + p + ")";
        AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    if (selection && view) selection->ClearAll();
    StartWaitCursor(true);
    const bool ok = WriteNative(fw::ToUtf8(p));
    StartWaitCursor(false);
    if (!ok) {
        AfxMessageBox(loadString(kSaveFailedString).c_str(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    SetPathName(p.c_str());
    SetModified(false);
    return true;
}

namespace {

bool endsWithZel(const std::string& path) { return lowerEnding(path) == ".zel"; }

// The path with ".zel" in place of a three-letter extension, or appended.
std::string withZelExtension(const std::string& path) {
    if (path.size() >= 4 && path[path.size() - 4] == '.') return path.substr(0, path.size() - 3) + "zel";
    return path + ".zel";
}

}  // namespace

bool CZelDoc::OnFileSave() {
    const bool saved = endsWithZel(GetPathName()) && !loadedFromLegacy ? DoFileSave() : OnFileSaveAs();
    loadedFromLegacy = false;
    return saved;
}

bool CZelDoc::OnFileSaveAs() {
    if (GetPathName().empty()) {
        const char* folder = g_preferences.Text(Preferences::kDefaultFolder);
        if (folder[0]) {
            std::string start = folder;
            if (start.back() != '/') start += '/';
            SetPathName((start + "*.zel").c_str(), false);
        }
    }
    bool saved;
    const std::string path = GetPathName();
    if (path.empty() || endsWithZel(path)) {
        saved = DoSave(nullptr);
    } else if (path.size() >= 4 && path[path.size() - 4] == '.') {
        // An imported or foreign file: its name is proposed with ".zel".
        SetPathName(withZelExtension(path).c_str(), false);
        saved = DoSave(nullptr);
        if (!saved) SetPathName(path.c_str(), false);
    } else {
        saved = DoSave(nullptr);
    }
    loadedFromLegacy = false;
    return saved;
}

bool CZelDoc::SaveModified() {
    if (!IsModified()) return true;
    const std::string path = GetPathName();
    if (endsWithZel(path)) return CDocument::SaveModified();
    std::string question = loadString(askToSaveString);
    const std::size_t at = question.find("%s");
    if (at != std::string::npos) question.replace(at, 2, GetPlainTitle());
    const int answer = AfxMessageBox(question.c_str(), MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return false;
    if (answer == IDNO) return true;
    if (!path.empty()) SetPathName(withZelExtension(path).c_str(), false);
    if (!DoSave(nullptr)) {
        SetPathName(path.c_str(), false);
        return false;
    }
    loadedFromLegacy = false;
    return true;
}

bool CZelDoc::Revert() {
    std::string question = loadString(kRevertString);
    const std::size_t at = question.find("%s");
    if (at != std::string::npos) question.replace(at, 2, GetPlainTitle());
    if (AfxMessageBox(question.c_str(), MB_YESNOCANCEL | MB_ICONQUESTION) != IDYES) return false;
    HideInsertCursor();
    ClearUndo();
    const int bar = location.barIndex;
    const int userZoom = zoom;

    // The file is read into a new score and new printer settings; they replace the old ones
    // only when it was read. The document's share of the file (zoom, arrangement, window,
    // titles, engraver settings, font map, spacing table) is kept aside and put back when it
    // was not.
    CFile file;
    if (!file.Open(GetPathName().c_str(), CFile::modeRead | CFile::typeBinary)) return false;
    const ScoreFileDoc keptShare = *this;
    const SpacingTable keptSpacing = spacing;
    auto newPrinter = std::make_unique<PrinterSettings>();
    printer = newPrinter.get();
    CScore* old = score;
    score = new CScore(this);
    int code = ReadNative(file);
    file.Close();
    if (code == kReadOk && score->GetBarCount() <= 0) code = kReadWrongMagic;
    if (code != kReadOk) {
        delete score;
        score = old;
        static_cast<ScoreFileDoc&>(*this) = keptShare;
        spacing = keptSpacing;
        printer = ownPrinter.get();
        MakeCurrent();
        lastReadCode = code;
        lastReadMessage = ReportOpenFailure(code, GetPathName());
        return false;
    }
    delete old;
    ownPrinter = std::move(newPrinter);
    printer = ownPrinter.get();
    MakeCurrent();
    LayoutViewPanes();
    RecalcPageGeometry(true, false);
    if (selection) selection->ClearAll();
    ResetInsertionPoint();
    ShowInsertionPoint(std::min(bar, score->GetBarCount() - 1), false);
    SetZoom(userZoom, true);
    SetModified(false);
    return true;
}

std::string CZelDoc::AutosavePath() const {
    // Open documents with the same plain title get distinct names: "<title> (2)" for the second.
    const std::string title = GetPlainTitle();
    int same = 0, mine = 0;
    for (const CZelDoc* d : Documents()) {
        if (d->GetPlainTitle() != title) continue;
        ++same;
        if (d == this) mine = same;
    }
    std::string name = mine > 1 ? title + " (" + std::to_string(mine) + ")" : title;
    char path[FileSpec::kPathSize] = {};
    fw::CopyText(path, sizeof path, UserDataPath("Auto Save") + "/" + name);
    FileSpec::SetExtension(path, "zel");
    return path;
}

bool CZelDoc::Autosave() {
    const std::string path = AutosavePath();
    const std::string folder = path.substr(0, path.find_last_of('/'));
    if (!fw::MakeFolders(fw::ToUtf8(folder))) return false;
    // Written through a temporary file; a document that cannot be written is skipped, and the
    // document's flag, path and title stay as they were.
    try {
        return WriteNative(fw::ToUtf8(path));
    } catch (...) {
        return false;
    }
}
