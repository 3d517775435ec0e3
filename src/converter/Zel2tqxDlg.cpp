// The converter's window: its buttons, links, log, context menu and dropped files.
#include "converter/Zel2tqxDlg.h"

#include "converter/Conversion.h"
#include "framework/Controls.h"
#include "framework/Exceptions.h"
#include "framework/FileDialog.h"
#include "framework/Menu.h"
#include "framework/MessageBox.h"
#include "framework/Shell.h"

CZel2tqxDlg::CZel2tqxDlg(CWnd* parent) : CDialog(kTemplateId, parent) {
    AddCommand(kBrowseButton, [this] { OnBrowse(); });
    AddCommand(kMovableDoButton, [this] { OnConvertMovableDo(); });
    AddCommand(kFixedDoButton, [this] { OnConvertFixedDo(); });
    AddCommand(kClearButton, [this] { OnClearLog(); });
    AddCommand(kForumButton, [this] { OnForumButton(); });
    AddCommandRange(kHomeLink, kForumLink, [this](UINT id) { OnClickLink(id); });
    AddCommand(kAboutCommand, [this] { OnAbout(); });
}

BOOL CZel2tqxDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    DragAcceptFiles(TRUE);
    return TRUE;
}

void CZel2tqxDlg::OnBrowse() {
    CFileDialog dialog(true, "ZEL", ".zel", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, "(*.zel)|*.zel||", this);
    if (dialog.DoModal() == IDOK) SetDlgItemText(kPathField, dialog.GetPathName().c_str());
}

void CZel2tqxDlg::Convert(zel2tqx::Mode mode) {
    using zel2tqx::Outcome;
    CString path;
    GetDlgItemText(kPathField, path);
    try {
        const zel2tqx::Conversion c = zel2tqx::ConvertFile(path.str(), mode);
        if (c.outcome == Outcome::Converted) {
            log_ += zel2tqx::LogLine(c.time) + "\r\n";
            SetDlgItemText(kLogField, log_.c_str());
            // The newest line in sight.
            if (auto* field = static_cast<CEdit*>(GetDlgItem(kLogField))) field->SetSel(int(log_.size()), int(log_.size()));
        } else if (const std::string message = zel2tqx::OutcomeMessage(c.outcome); !message.empty()) {
            AfxMessageBox(message.c_str(), MB_OK | MB_ICONEXCLAMATION);
        }
    } catch (const CException& e) {
        // The file layer's report: what went wrong and the file's name; no log line.
        std::string text;
        e.GetErrorMessage(text);
        AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
    }
}

void CZel2tqxDlg::OnClearLog() {
    log_.clear();
    SetDlgItemText(kLogField, "");
}

void CZel2tqxDlg::OnClickLink(UINT id) {
    CString address;
    GetDlgItemText(int(id), address);
    ShellExecute(this, "open", address.c_str(), nullptr, nullptr, 1);
}

void CZel2tqxDlg::OnForumButton() { OnClickLink(kForumLink); }

void CZel2tqxDlg::OnAbout() {
    CDialog about(kAboutTemplateId, this);
    about.DoModal();
}

void CZel2tqxDlg::OnContextMenu(CWnd*, POINT at) {
    CMenu menu;
    if (!menu.CreatePopupMenu()) return;
    menu.AppendMenu(MF_STRING, kAboutCommand, zel2tqx::Text(zel2tqx::kAboutItemText).c_str());
    if (at.x == -1 && at.y == -1) {
        // From the keyboard: at the window's top left corner.
        RECT r;
        GetWindowRect(&r);
        at = POINT{r.left, r.top};
    }
    if (menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, this) == kAboutCommand)
        OnAbout();
}

void CZel2tqxDlg::OnDropFiles(HDROP drop) {
    const UINT length = DragQueryFile(drop, 0, nullptr, 0);
    if (DragQueryFile(drop, 0xFFFFFFFFu, nullptr, 0) > 0) {
        std::string path(length + 1, '\0');
        DragQueryFile(drop, 0, path.data(), UINT(path.size()));
        path.resize(length);
        SetDlgItemText(kPathField, path.c_str());
    }
    DragFinish(drop);
}
