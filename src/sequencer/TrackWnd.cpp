#include "sequencer/TrackWnd.h"

#include <string>

#include "model/ZelDoc.h"
#include "platform/PortLayer.h"
#include "sequencer/TrackView.h"

namespace {

constexpr UINT kTaskDoneHint = 4332, kVoicesChangedHint = 4316, kMuteSoloHint = 4321, kThruHint = 4336;

}  // namespace

CTrackWnd::CTrackWnd() = default;

CTrackWnd::~CTrackWnd() = default;

bool CTrackWnd::Create(CFrameWnd*) {
    if (!SetupDocking(kTitleId, 0, RECT{60, 100, 60 + 714, 100 + 150}, true)) return false;
    CreateContent();
    HideBar();
    return view_ != nullptr;
}

void CTrackWnd::CreateContent() {
    view_ = std::make_unique<CTrackView>();
    if (!view_->Initialize(this)) {
        view_.reset();
        return;
    }
    child = view_.get();
}

CWnd* CTrackWnd::GetChildWindow() { return view_.get(); }

void CTrackWnd::SetDocument(CZelDoc* doc) {
    document_ = doc;
    char title[256];
    LoadResString(kTitleId, title);
    std::string text = title;
    if (doc) text += doc->GetTitle();
    if (view_) view_->SetDocument(doc);
    if (IsWindow()) SetWindowText(text.c_str());
}

void CTrackWnd::ShowBar() {
    if (view_) view_->RebuildRows();
    UpdateFloatRange();
    CFloatWnd::ShowBar();
}

void CTrackWnd::HideBar() { CFloatWnd::HideBar(); }

bool CTrackWnd::KeyChar(UINT key, UINT, UINT flags) { return view_ && view_->KeyChar(key, flags); }

void CTrackWnd::UpdateFloatRange() {
    minTrackWidth = 300;
    minTrackHeight = 60;
    maxTrackWidth = 900;
    maxTrackHeight = 600;
    if (IsWindow()) ApplySizeLimits();
}

void CTrackWnd::OnNotify(UINT code) {
    switch (code) {
    case kTaskDoneHint:
        if (!view_) return;
        view_->RebuildRows();
        view_->Invalidate();
        UpdateFloatRange();
        return;
    case kVoicesChangedHint:
    case kMuteSoloHint:
    case kThruHint:
        if (view_ && IsVisible() && document_ && view_->attached)
            view_->RedrawRow(document_->location.trackIndex, int(code));
        return;
    default: return;
    }
}
