#include "framework/Document.h"

#include <algorithm>

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

void CDocument::OnCloseDocument() { views_.clear(); }
