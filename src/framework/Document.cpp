#include "framework/Document.h"

#include <unistd.h>

#include <algorithm>

#include "framework/App.h"
#include "framework/CodePage.h"
#include "framework/Exceptions.h"
#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "framework/View.h"

CDocument::CDocument() = default;
CDocument::~CDocument() = default;

void CDocument::SetTitle(const char* title) { title_ = title ? title : ""; }

void CDocument::SetPathName(const char* path, bool addToRecent) {
    pathName_ = path ? path : "";
    if (!addToRecent) return;
    const std::size_t slash = pathName_.find_last_of('/');
    SetTitle((slash == std::string::npos ? pathName_ : pathName_.substr(slash + 1)).c_str());
}

void CDocument::AddView(CView* view) {
    if (view && std::find(views_.begin(), views_.end(), view) == views_.end()) views_.push_back(view);
}

void CDocument::RemoveView(CView* view) { views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end()); }

POSITION CDocument::GetFirstViewPosition() const { return views_.empty() ? 0 : 1; }

CView* CDocument::GetNextView(POSITION& pos) const {
    if (pos <= 0 || pos > POSITION(views_.size())) {
        pos = 0;
        return nullptr;
    }
    CView* v = views_[std::size_t(pos - 1)];
    pos = pos < POSITION(views_.size()) ? pos + 1 : 0;
    return v;
}

void CDocument::UpdateAllViews(CView* sender, LPARAM hint, void* hintObject) {
    POSITION pos = GetFirstViewPosition();
    while (pos) {
        CView* v = GetNextView(pos);
        if (v && v != sender) v->OnUpdate(sender, hint, hintObject);
    }
}

bool CDocument::OnNewDocument() {
    SetModifiedFlag(false);
    pathName_.clear();
    return true;
}

bool CDocument::OnOpenDocument(const char* path) {
    SetPathName(path);
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnSaveDocument(const char* path) { return false; }

std::string CDocument::ReportSaveLoadException(const char* path, const CException* e, bool saving, UINT defaultId) {
    enum : UINT { kOpenFailed = 61697, kBadFormat = 61704, kSaveFailed = 61705, kNoMemory = 61709 };
    if (dynamic_cast<const CUserException*>(e)) return {};
    const std::string where = path && *path ? std::string("\n(") + path + ")" : std::string();
    std::string text;
    if (dynamic_cast<const CMemoryException*>(e)) {
        fw::LoadStringResource(kNoMemory, text);
    } else if (auto* archive = dynamic_cast<const CArchiveException*>(e);
               archive && !saving && archive->m_cause == CArchiveException::badIndex) {
        fw::LoadStringResource(kBadFormat, text);
        text += where;
    } else if (!e || !e->GetErrorMessage(text) || text.empty()) {
        fw::LoadStringResource(defaultId ? defaultId : saving ? kSaveFailed : kOpenFailed, text);
        text += where;
    }
    AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
    return text;
}

void CDocument::OnCloseDocument() {
    views_.clear();
    if (CWinApp* app = AfxGetApp()) app->RemoveDocument(this);
}

bool CDocument::DoSave(const char* path, bool replace) {
    std::string name = path ? path : "";
    if (name.empty()) {
        std::string proposed = pathName_;
        const std::string ext = GetDefaultExtension();
        if (proposed.empty()) {
            proposed = title_;
            if (!proposed.empty() && proposed.back() == '*') proposed.pop_back();
            if (!ext.empty()) proposed += "." + ext;
        }
        const std::string filter = GetFileFilter();
        CFileDialog dialog(false, ext.empty() ? nullptr : ext.c_str(), proposed.c_str(),
                           OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST,
                           filter.empty() ? nullptr : filter.c_str());
        if (dialog.DoModal() != IDOK) return false;
        name = dialog.GetPathName().str();
        if (name.empty()) return false;
    }
    // A failed save leaves the previous file as it was (the document's save writes atomically).
    if (!OnSaveDocument(name.c_str())) return false;
    if (replace) {
        SetPathName(name.c_str());
        if (CWinApp* app = AfxGetApp()) app->AddToRecentFileList(name.c_str());
    }
    return true;
}

bool CDocument::DoFileSave() {
    const bool readOnly =
        !pathName_.empty() && ::access(fw::ToUtf8(pathName_).c_str(), F_OK) == 0 &&
        ::access(fw::ToUtf8(pathName_).c_str(), W_OK) != 0;
    if (pathName_.empty() || readOnly) return DoSave(nullptr);
    return DoSave(pathName_.c_str());
}

bool CDocument::SaveModified() {
    if (!IsModified()) return true;
    std::string question;
    fw::LoadStringResource(askToSaveString, question);
    std::string name = pathName_.empty() ? title_ : pathName_.substr(pathName_.find_last_of('/') + 1);
    const std::size_t at = question.find("%s");
    if (at != std::string::npos) question.replace(at, 2, name);
    switch (AfxMessageBox(question.c_str(), MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDCANCEL: return false;
        case IDNO: return true;
        default: return DoFileSave();
    }
}
