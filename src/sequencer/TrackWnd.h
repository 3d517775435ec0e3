// The track window: the floating, dockable tool window that holds the track list under its
// column header. The application makes one at start-up, shows and hides it from the Window
// menu, and hands it the active document and the document's notices.
#pragma once
#include <memory>

#include "platform/FloatWnd.h"

class CTrackView;
class CZelDoc;

class CTrackWnd : public CFloatWnd {
public:
    static constexpr UINT kTitleId = 6000, kHelpId = 37001;

    CTrackWnd();
    ~CTrackWnd() override;
    // Makes the window (hidden) in the main frame: 714 x 150 at (60, 100), dockable.
    bool Create(CFrameWnd* frame = nullptr);
    void SetDocument(CZelDoc* doc);
    CZelDoc* GetDocument() const { return document_; }
    CTrackView* GetView() const { return view_.get(); }

    void HideBar() override;
    void ShowBar() override;
    bool KeyChar(UINT key, UINT repeat, UINT flags) override;
    // The floating size range: 300 x 60 to 900 x 600.
    void UpdateFloatRange();
    void InitSizes() override { UpdateFloatRange(); }
    void OnNotify(UINT code) override;
    CWnd* GetChildWindow() override;

    // The Window menu's toggle and what the application asks of its support windows.
    bool IsVisible() const { return CControlBar::IsVisible(); }
    void Show() { ShowBar(); }
    void Hide() { HideBar(); }
    void Toggle() { IsVisible() ? HideBar() : ShowBar(); }

private:
    void CreateContent();

    CZelDoc* document_ = nullptr;
    std::unique_ptr<CTrackView> view_;
};
