// The converter's window: a score's path (typed, browsed for or dropped on the window), the two
// conversions, the log of what was converted, and the links to the program's pages. Its context
// menu offers the About box.
#pragma once
#include <string>

#include "converter/ScoreConverter.h"
#include "framework/Dialog.h"

class CZel2tqxDlg : public CDialog {
public:
    static constexpr UINT kTemplateId = 102;
    static constexpr UINT kAboutTemplateId = 100;
    enum : UINT {
        kPathField = 1000,
        kBrowseButton = 1001,
        kMovableDoButton = 1002,
        kLogField = 1003,
        kClearButton = 1004,
        kFixedDoButton = 1005,
        kForumButton = 1008,
        kHomeLink = 1009,
        kForumLink = 1010,
    };
    // The context menu's command that shows the About box.
    static constexpr UINT kAboutCommand = 16;

    explicit CZel2tqxDlg(CWnd* parent = nullptr);

    // All log lines so far, each ending in "\r\n".
    const std::string& LogText() const { return log_; }

    void OnBrowse();
    void OnConvertMovableDo() { Convert(zel2tqx::Mode::MovableDo); }
    void OnConvertFixedDo() { Convert(zel2tqx::Mode::FixedDo); }
    void OnClearLog();
    void OnClickLink(UINT id);
    void OnForumButton();
    void OnAbout();

protected:
    BOOL OnInitDialog() override;
    // Enter in the path field does not close the window.
    void OnOK() override {}
    void OnContextMenu(CWnd* wnd, POINT screenPt) override;
    void OnDropFiles(HDROP drop) override;

private:
    void Convert(zel2tqx::Mode mode);
    std::string log_;
};
