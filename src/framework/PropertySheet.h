// A property sheet: a modal dialog of pages, each a child dialog made from its own template,
// with a row of tabs (one per page, named by the page template's caption) above them and OK,
// Cancel and Apply below, as the platform's property sheet has them.
//
// A page is made the first time it is shown. OK asks the shown page to let go
// (OnKillActive), then gives every page made so far OnOK and ends with IDOK; Cancel gives them
// OnCancel and ends with IDCANCEL; Apply gives them OnApply and keeps the sheet open. Apply is
// greyed until a page calls SetModified. The keys Enter and Escape typed in a page act on the
// sheet's buttons.
//
// Scripted input reaches the tabs as buttons (kFirstTab + page index: a click shows that page)
// and the shown page's controls through GetActivePage.
#pragma once
#include <vector>

#include "framework/Dialog.h"

class CPropertySheet;

class CPropertyPage : public CDialog {
public:
    explicit CPropertyPage(UINT templateId);

    // The page becomes the shown one (TRUE) and stops being it (FALSE keeps it shown).
    virtual BOOL OnSetActive();
    virtual BOOL OnKillActive();
    // Apply: OnOK, and the page is no longer modified.
    virtual BOOL OnApply();
    // OK and Cancel of the sheet; a page never ends itself.
    void OnOK() override {}
    void OnCancel() override {}
    // Greys or enables the sheet's Apply by whether any page is modified.
    void SetModified(BOOL changed = TRUE);
    bool IsModified() const { return modified_; }

    CPropertySheet* GetSheet() const { return sheet_; }

protected:
    // The sheet's dialog manager takes Enter, Escape and Tab.
    BOOL PreTranslateMessage(MSG*) override { return FALSE; }

private:
    friend class CPropertySheet;
    CPropertySheet* sheet_ = nullptr;
    bool modified_ = false;
};

class CPropertySheet : public CDialog {
public:
    static constexpr UINT kApply = 0x3021;     // the Apply button
    static constexpr UINT kFirstTab = 0x3030;  // the tab of page 0; page i is kFirstTab + i

    // captionId: the string of the sheet's caption; selectPage: the page shown first.
    explicit CPropertySheet(UINT captionId, CWnd* parent = nullptr, UINT selectPage = 0);

    // Pages stay the caller's; add them before DoModal.
    void AddPage(CPropertyPage* page);
    int GetPageCount() const { return int(pages_.size()); }
    CPropertyPage* GetPage(int index) const;
    CPropertyPage* GetActivePage() const { return GetPage(active_); }
    int GetActiveIndex() const { return active_; }
    // Shows a page (made on first showing); FALSE when the shown page does not let go or the
    // index is outside.
    BOOL SetActivePage(int index);
    BOOL SetActivePage(CPropertyPage* page);

    // Lays the sheet out from the largest page and runs it; IDOK or IDCANCEL (-1 without pages
    // or when a page template is missing).
    INT_PTR DoModal() override;

    void OnOK() override;
    void OnCancel() override;
    void OnApply();

    // A page's modified flag changed: Apply follows the pages.
    void PageModified();

protected:
    BOOL OnInitDialog() override;
    BOOL OnCmdMsg(UINT id, int code) override;

private:
    UINT captionId_;
    std::vector<CPropertyPage*> pages_;
    int active_ = 0;
    RECT pageRect_{};  // dialog units
};
