// The property sheet and its pages.
#include "framework/PropertySheet.h"

#include <algorithm>
#include <string>

#include "framework/CodePage.h"
#include "framework/Controls.h"
#include "framework/StringTable.h"

namespace {

// A text word of a template: "literal" with its quotes and backslashes escaped.
std::string Quoted(const std::string& utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

// --- the page ---------------------------------------------------------------------------------

CPropertyPage::CPropertyPage(UINT templateId) : CDialog(templateId) {}

BOOL CPropertyPage::OnSetActive() { return TRUE; }
BOOL CPropertyPage::OnKillActive() { return TRUE; }

BOOL CPropertyPage::OnApply() {
    OnOK();
    modified_ = false;
    return TRUE;
}

void CPropertyPage::SetModified(BOOL changed) {
    modified_ = changed != FALSE;
    if (sheet_) sheet_->PageModified();
}

// --- the sheet --------------------------------------------------------------------------------

CPropertySheet::CPropertySheet(UINT captionId, CWnd* parent, UINT selectPage)
    : captionId_(captionId), active_(int(selectPage)) {
    m_pParentWnd = parent;
}

void CPropertySheet::AddPage(CPropertyPage* page) {
    if (!page) return;
    page->sheet_ = this;
    pages_.push_back(page);
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
    return index >= 0 && index < int(pages_.size()) ? pages_[std::size_t(index)] : nullptr;
}

INT_PTR CPropertySheet::DoModal() {
    if (pages_.empty()) return -1;
    // The page area holds the largest page; the tabs share the width above it.
    int width = 0, height = 0;
    std::vector<std::string> captions;
    for (CPropertyPage* page : pages_) {
        SIZE units{};
        std::string caption;
        if (!fw::GetDialogTemplateInfo(page->m_nTemplateId, &units, &caption)) return -1;
        width = std::max(width, int(units.cx));
        height = std::max(height, int(units.cy));
        captions.push_back(fw::ToUtf8(caption));
    }
    const int n = int(pages_.size());
    const int tabWidth = std::clamp((width - 4) / n, 20, 60);
    width = std::max(width, tabWidth * n + 4);
    constexpr int kMargin = 4, kTabTop = 4, kTabHeight = 14, kButtonWidth = 50, kButtonHeight = 14;
    const int pageTop = kTabTop + kTabHeight + 2;
    pageRect_ = RECT{kMargin, pageTop, kMargin + width, pageTop + height};
    const int buttonTop = pageTop + height + 4;
    const int sheetWidth = width + 2 * kMargin;
    const int sheetHeight = buttonTop + kButtonHeight + 6;

    std::string text = "dialog 0 " + std::to_string(sheetWidth) + " " + std::to_string(sheetHeight) + "\n";
    std::string caption;
    fw::LoadStringResource(captionId_, caption);
    text += "caption " + Quoted(fw::ToUtf8(caption)) + "\n";
    for (int i = 0; i < n; ++i) {
        text += "radio " + std::to_string(kFirstTab + UINT(i)) + " " + std::to_string(kMargin + i * tabWidth) + " " +
                std::to_string(kTabTop) + " " + std::to_string(tabWidth) + " " + std::to_string(kTabHeight) + " " +
                Quoted(captions[std::size_t(i)]) + " pushlike manual notab" + (i == 0 ? " group" : "") + "\n";
    }
    const int applyLeft = sheetWidth - kMargin - kButtonWidth;
    const int cancelLeft = applyLeft - 4 - kButtonWidth;
    const int okLeft = cancelLeft - 4 - kButtonWidth;
    auto button = [&](const char* kind, UINT id, int left, const char* label, const char* flags) {
        text += std::string(kind) + " " + std::to_string(id) + " " + std::to_string(left) + " " +
                std::to_string(buttonTop) + " " + std::to_string(kButtonWidth) + " " + std::to_string(kButtonHeight) +
                " " + Quoted(label) + flags + " group\n";
    };
    button("defbutton", IDOK, okLeft, "确定", "");
    button("button", IDCANCEL, cancelLeft, "取消", "");
    button("button", kApply, applyLeft, "应用(&A)", " disabled");
    SetTemplateText(text);
    if (active_ < 0 || active_ >= n) active_ = 0;
    return CDialog::DoModal();
}

BOOL CPropertySheet::OnInitDialog() {
    const int first = active_;
    active_ = -1;
    if (!SetActivePage(first)) SetActivePage(0);
    return TRUE;
}

BOOL CPropertySheet::SetActivePage(CPropertyPage* page) {
    auto at = std::find(pages_.begin(), pages_.end(), page);
    return at != pages_.end() && SetActivePage(int(at - pages_.begin()));
}

BOOL CPropertySheet::SetActivePage(int index) {
    CPropertyPage* next = GetPage(index);
    if (!next) return FALSE;
    if (!IsWindow()) {
        active_ = index;
        return TRUE;
    }
    if (index == active_) return TRUE;
    CPropertyPage* shown = GetActivePage();
    if (shown && shown->IsWindow()) {
        if (!shown->OnKillActive()) {
            CheckRadioButton(int(kFirstTab), int(kFirstTab) + GetPageCount() - 1, int(kFirstTab) + active_);
            return FALSE;
        }
        shown->ShowWindow(SW_HIDE);
    }
    if (!next->IsWindow()) {
        if (!next->CreateAsChild(next->m_nTemplateId, this)) return FALSE;
        RECT r = pageRect_;
        MapDialogRect(&r);
        next->MoveWindow(r, FALSE);
    }
    active_ = index;
    next->OnSetActive();
    next->ShowWindow(SW_SHOW);
    CheckRadioButton(int(kFirstTab), int(kFirstTab) + GetPageCount() - 1, int(kFirstTab) + index);
    return TRUE;
}

void CPropertySheet::PageModified() {
    if (!IsWindow()) return;
    const bool any = std::any_of(pages_.begin(), pages_.end(), [](CPropertyPage* p) { return p->IsModified(); });
    if (CWnd* apply = GetDlgItem(int(kApply))) apply->EnableWindow(any);
}

void CPropertySheet::OnOK() {
    if (CPropertyPage* shown = GetActivePage(); shown && shown->IsWindow() && !shown->OnKillActive()) return;
    for (CPropertyPage* page : pages_)
        if (page->IsWindow()) page->OnOK();
    EndDialog(IDOK);
}

void CPropertySheet::OnCancel() {
    for (CPropertyPage* page : pages_)
        if (page->IsWindow()) page->OnCancel();
    EndDialog(IDCANCEL);
}

void CPropertySheet::OnApply() {
    if (CPropertyPage* shown = GetActivePage(); shown && shown->IsWindow() && !shown->OnKillActive()) return;
    for (CPropertyPage* page : pages_)
        if (page->IsWindow()) page->OnApply();
    PageModified();
}

BOOL CPropertySheet::OnCmdMsg(UINT id, int code) {
    if (code == BN_CLICKED && id >= kFirstTab && id < kFirstTab + UINT(GetPageCount())) {
        SetActivePage(int(id - kFirstTab));
        return TRUE;
    }
    if (code == BN_CLICKED && id == kApply) {
        OnApply();
        return TRUE;
    }
    return CDialog::OnCmdMsg(id, code);
}
