// Dialogs made from the program's dialog templates (resources/dialogs/<id>.dlg, described in
// docs/architecture.md under "Dialog templates").
//
// A modal dialog runs in DoModal until EndDialog; a modeless one is made by Create and lives
// until DestroyWindow. The dialog's controls get their ids from the template and are reached
// with GetDlgItem; their notifications arrive as WM_COMMAND (OnCommand, then OnCmdMsg: IDOK
// calls OnOK, IDCANCEL OnCancel). Enter presses the default button (IDOK unless the template
// marks another), Escape is IDCANCEL, Tab moves between the controls with WS_TABSTOP.
//
// Without a visible display (a headless platform), a modal dialog that no uitest script
// answers ends with IDCANCEL right after OnInitDialog, so nothing waits for a user who is not
// there.
#pragma once
#include <memory>
#include <string>

#include "framework/MessageBox.h"  // IDOK, IDCANCEL
#include "framework/Window.h"

class CDialog : public CWnd {
public:
    CDialog();
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Runs the dialog modally from template m_nTemplateId; returns the EndDialog result, or
    // -1 when the template does not exist or the dialog cannot be made.
    virtual INT_PTR DoModal();
    // Makes the dialog modeless from a template (shown when the template says visible).
    BOOL Create(UINT templateId, CWnd* parent = nullptr);
    // Ends the dialog: DoModal returns result; a modeless dialog is hidden.
    void EndDialog(int result);
    bool IsModal() const;

    // Maps a rectangle in dialog units to pixels.
    void MapDialogRect(RECT* rect) const;
    // Moves the focus to a control (and selects an edit field's text).
    void GotoDlgCtrl(CWnd* control);
    void NextDlgCtrl() const;
    void PrevDlgCtrl() const;
    // The default push button's id (IDOK unless the template marks another).
    UINT GetDefID() const;
    void SetDefID(UINT id);

    // The template, parent and help id of the next DoModal.
    UINT m_nTemplateId = 0;
    UINT m_nIDHelp = 0;
    CWnd* m_pParentWnd = nullptr;

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    // The dialog manager's handling of keys: Enter, Escape, Tab; true when it took the
    // message.
    BOOL IsDialogMessage(MSG* msg);

protected:
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnCmdMsg(UINT id, int code) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Makes the dialog a child window of parent from a template, whatever the template's own
    // style says (a property sheet's pages); hidden until shown.
    BOOL CreateAsChild(UINT templateId, CWnd* parent);
    // The next DoModal makes the dialog from this template text instead of a template file (a
    // dialog whose layout is made at run time, such as a property sheet).
    void SetTemplateText(std::string text);

private:
    BOOL createFromTemplate(UINT templateId, CWnd* parent, bool modal, bool asChild = false);
    struct DlgState;
    std::unique_ptr<DlgState> dlg_;
};

namespace fw {

// Whether a dialog template exists.
bool HasDialogTemplate(UINT templateId);
// The size of a template in pixels (false when it does not exist).
bool GetDialogTemplateSize(UINT templateId, SIZE* size);
// A template's size in dialog units and its caption (code page); false when it does not exist.
bool GetDialogTemplateInfo(UINT templateId, SIZE* units, std::string* caption);

}  // namespace fw
