// Dialogs from the program's dialog templates, the dialog manager's keys and the modal loop.
#include "framework/Dialog.h"

#include "framework/App.h"

#include <QApplication>
#include <QEventLoop>
#include <QFont>
#include <QGuiApplication>
#include <QWidget>

#include <cstdlib>
#include <string>
#include <vector>

#include "framework/Arith.h"
#include "framework/CodePage.h"
#include "framework/Controls.h"
#include "framework/Fonts.h"
#include "framework/Input.h"
#include "framework/Resources.h"
#include "framework/StringTable.h"
#include "framework/TreeCtrl.h"
#include "framework/WindowImpl.h"

namespace fw {

// ---- templates ------------------------------------------------------------------------------

struct DialogItem {
    std::string cls;
    int id = -1;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    std::string text;                  // UTF-8
    DWORD style = 0;
    DWORD exStyle = 0;
    bool defButton = false;
};

struct DialogTemplate {
    UINT id = 0;
    int cx = 0, cy = 0;
    std::string caption;  // UTF-8
    int fontSize = 9;
    std::string fontFace = "宋体";  // UTF-8
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    std::vector<DialogItem> items;
};

namespace {


bool isText(const std::string& t) { return (t.size() >= 2 && t.front() == '"') || (t.size() > 1 && t[0] == '@'); }

// A text word: "literal" or @string-id.
std::string textOf(const std::string& t) {
    if (t.size() >= 2 && t.front() == '"') return t.substr(1, t.size() - 2);
    if (t.size() > 1 && t[0] == '@') {
        std::string cp;
        LoadStringResource(UINT(std::strtoul(t.c_str() + 1, nullptr, 10)), cp);
        return ToUtf8(cp);
    }
    return t;
}

bool number(const std::string& t, int* out) {
    if (t.empty()) return false;
    char* end = nullptr;
    long v = std::strtol(t.c_str(), &end, 0);
    if (!end || *end) return false;
    *out = int(v);
    return true;
}

struct KindInfo {
    const char* name;
    const char* cls;
    DWORD style;
};

const KindInfo kKinds[] = {
    {"button", "BUTTON", DWORD(BS_PUSHBUTTON) | WS_TABSTOP},
    {"defbutton", "BUTTON", DWORD(BS_DEFPUSHBUTTON) | WS_TABSTOP},
    {"check", "BUTTON", DWORD(BS_AUTOCHECKBOX) | WS_TABSTOP},
    {"check3", "BUTTON", DWORD(BS_AUTO3STATE) | WS_TABSTOP},
    {"radio", "BUTTON", BS_AUTORADIOBUTTON},
    {"groupbox", "BUTTON", BS_GROUPBOX},
    {"owner", "BUTTON", BS_OWNERDRAW},
    {"label", "STATIC", SS_LEFT},
    {"clabel", "STATIC", SS_CENTER},
    {"rlabel", "STATIC", SS_RIGHT},
    {"link", "SysLink", SS_NOTIFY},
    {"ownerstatic", "STATIC", SS_OWNERDRAW},
    {"frame", "STATIC", SS_ETCHEDFRAME},
    {"blackframe", "STATIC", SS_BLACKFRAME},
    {"icon", "STATIC", SS_ICON},
    {"edit", "EDIT", DWORD(ES_LEFT) | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
    {"combo", "COMBOBOX", DWORD(CBS_DROPDOWNLIST) | WS_VSCROLL | WS_TABSTOP},
    {"combo-edit", "COMBOBOX", DWORD(CBS_DROPDOWN) | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP},
    {"combo-simple", "COMBOBOX", DWORD(CBS_SIMPLE) | WS_TABSTOP},
    {"list", "LISTBOX", DWORD(LBS_NOTIFY) | WS_VSCROLL | WS_BORDER | WS_TABSTOP},
    {"tree", "SysTreeView32", WS_BORDER | WS_TABSTOP},
    {"hscroll", "SCROLLBAR", SBS_HORZ},
    {"vscroll", "SCROLLBAR", SBS_VERT},
    {"slider", "msctls_trackbar32", DWORD(TBS_HORZ) | WS_TABSTOP},
    {"vslider", "msctls_trackbar32", DWORD(TBS_VERT) | WS_TABSTOP},
    {"spin", "msctls_updown32", UDS_ARROWKEYS},
    {"progress", "msctls_progress32", WS_BORDER},
};

struct FlagInfo {
    const char* name;
    DWORD set;
    DWORD clear;
};

const FlagInfo kFlags[] = {
    {"group", WS_GROUP, 0},
    {"tab", WS_TABSTOP, 0},
    {"notab", 0, WS_TABSTOP},
    {"disabled", WS_DISABLED, 0},
    {"hidden", 0, WS_VISIBLE},
    {"border", WS_BORDER, 0},
    {"noborder", 0, WS_BORDER},
    {"vscroll", WS_VSCROLL, 0},
    {"hscroll", WS_HSCROLL, 0},
    {"multiline", ES_MULTILINE | ES_AUTOVSCROLL, 0},
    {"number", ES_NUMBER, 0},
    {"readonly", ES_READONLY, 0},
    {"password", ES_PASSWORD, 0},
    {"wantreturn", ES_WANTRETURN, 0},
    {"right", ES_RIGHT, 0},
    {"center", ES_CENTER, 0},
    {"sort", CBS_SORT, 0},  // the list box's LBS_SORT is taken from the kind below
    {"autoticks", TBS_AUTOTICKS, 0},
    {"noticks", TBS_NOTICKS, 0},
    {"both", TBS_BOTH, 0},
    {"top", TBS_TOP, 0},
    {"buddy", UDS_AUTOBUDDY | UDS_SETBUDDYINT, 0},
    {"alignright", UDS_ALIGNRIGHT, 0},
    {"alignleft", UDS_ALIGNLEFT, 0},
    {"wrap", UDS_WRAP, 0},
    {"nothousands", UDS_NOTHOUSANDS, 0},
    {"notify", SS_NOTIFY, 0},
    {"sunken", SS_SUNKEN, 0},
    {"multisel", LBS_MULTIPLESEL, 0},
    {"extsel", LBS_EXTENDEDSEL, 0},
    {"nointegral", LBS_NOINTEGRALHEIGHT, 0},
    {"pushlike", BS_PUSHLIKE, 0},
    {"lefttext", BS_LEFTTEXT, 0},
    {"iconbutton", BS_ICON, 0},
    {"smooth", PBS_SMOOTH, 0},
    {"vertical", PBS_VERTICAL, 0},
};

bool parseItem(const std::vector<std::string>& t, DialogItem* item, std::string* error) {
    const KindInfo* kind = nullptr;
    for (const auto& k : kKinds)
        if (t[0] == k.name) kind = &k;
    if (!kind) {
        *error = "unknown control kind \"" + t[0] + "\"";
        return false;
    }
    if (t.size() < 6) {
        *error = t[0] + " needs an id and a rectangle";
        return false;
    }
    int v[5];
    for (int i = 0; i < 5; ++i)
        if (!number(t[std::size_t(i) + 1], &v[i])) {
            *error = "bad number \"" + t[std::size_t(i) + 1] + "\"";
            return false;
        }
    item->cls = kind->cls;
    item->id = v[0] < 0 ? 0xFFFF : v[0];
    item->x = v[1];
    item->y = v[2];
    item->cx = v[3];
    item->cy = v[4];
    item->style = WS_CHILD | WS_VISIBLE | kind->style;
    item->defButton = std::string(kind->name) == "defbutton";
    std::size_t i = 6;
    if (i < t.size() && isText(t[i])) item->text = textOf(t[i++]);
    for (; i < t.size(); ++i) {
        const std::string& f = t[i];
        if (f.rfind("style=", 0) == 0 || f.rfind("exstyle=", 0) == 0) {
            bool ex = f[0] == 'e';
            DWORD bits = DWORD(std::strtoul(f.c_str() + (ex ? 8 : 6), nullptr, 0));
            (ex ? item->exStyle : item->style) |= bits;
            continue;
        }
        if (f == "transparent") {
            item->exStyle |= WS_EX_TRANSPARENT;
            continue;
        }
        if (f == "manual") {
            // A check box or radio button that the program checks itself.
            DWORD type = item->style & BS_TYPEMASK;
            item->style &= ~BS_TYPEMASK;
            item->style |= type == BS_AUTORADIOBUTTON ? BS_RADIOBUTTON : type == BS_AUTO3STATE ? BS_3STATE : BS_CHECKBOX;
            continue;
        }
        if (f == "sort" && item->cls == "LISTBOX") {
            item->style |= LBS_SORT;
            continue;
        }
        if (f == "center" && item->cls == "STATIC") {
            item->style = (item->style & ~SS_TYPEMASK) | SS_CENTER;
            continue;
        }
        if (f == "right" && item->cls == "STATIC") {
            item->style = (item->style & ~SS_TYPEMASK) | SS_RIGHT;
            continue;
        }
        if (f == "notify" && item->cls == "LISTBOX") {
            item->style |= LBS_NOTIFY;
            continue;
        }
        const FlagInfo* flag = nullptr;
        for (const auto& fl : kFlags)
            if (f == fl.name) flag = &fl;
        if (!flag) {
            *error = "unknown flag \"" + f + "\"";
            return false;
        }
        item->style = (item->style & ~flag->clear) | flag->set;
    }
    return true;
}

}  // namespace

bool ParseDialogTemplate(const std::string& text, DialogTemplate* out, std::string* error) {
    std::string err;
    if (!error) error = &err;
    *out = DialogTemplate{};
    bool header = false;
    std::size_t pos = 0;
    int lineNo = 0;
    while (pos <= text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string::npos) eol = text.size();
        std::string line = text.substr(pos, eol - pos);
        pos = eol + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        auto t = SplitResourceLine(line);
        if (t.empty()) {
            if (eol >= text.size()) break;
            continue;
        }
        auto fail = [&](const std::string& what) {
            *error = "line " + std::to_string(lineNo) + ": " + what;
            return false;
        };
        if (t[0] == "dialog") {
            int id = 0;
            if (t.size() < 4 || !number(t[1], &id) || !number(t[2], &out->cx) || !number(t[3], &out->cy))
                return fail("dialog needs an id, a width and a height");
            out->id = UINT(id);
            header = true;
        } else if (!header) {
            return fail("the template must begin with \"dialog\"");
        } else if (t[0] == "caption") {
            if (t.size() < 2 || !isText(t[1])) return fail("caption needs a text");
            out->caption = textOf(t[1]);
        } else if (t[0] == "font") {
            if (t.size() < 3 || !number(t[1], &out->fontSize) || !isText(t[2])) return fail("font needs a size and a face");
            out->fontFace = textOf(t[2]);
        } else if (t[0] == "style") {
            for (std::size_t i = 1; i < t.size(); ++i) {
                const std::string& f = t[i];
                if (f == "child") out->style = (out->style & ~(WS_POPUP | WS_CAPTION | WS_SYSMENU)) | WS_CHILD;
                else if (f == "visible") out->style |= WS_VISIBLE;
                else if (f == "nocaption") out->style &= ~(WS_CAPTION | WS_SYSMENU);
                else if (f == "resize") out->style |= WS_THICKFRAME;
                else if (f == "border") out->style |= WS_BORDER;
                else return fail("unknown dialog style \"" + f + "\"");
            }
        } else {
            DialogItem item;
            std::string e;
            if (!parseItem(t, &item, &e)) return fail(e);
            out->items.push_back(item);
        }
        if (eol >= text.size()) break;
    }
    if (!header) {
        *error = "empty template";
        return false;
    }
    return true;
}

bool LoadDialogTemplate(UINT id, DialogTemplate* out) {
    std::string text;
    if (!LoadResourceText("dialogs", id, text)) return false;
    std::string error;
    return ParseDialogTemplate(text, out, &error);
}

// Base units of the template's font (pixels per 4 horizontal and 8 vertical dialog units).
SIZE DialogBaseUnits(int fontSize) {
    switch (fontSize) {
    case 8: return SIZE{6, 13};
    case 10: return SIZE{7, 14};
    case 11: return SIZE{7, 15};
    case 12: return SIZE{8, 16};
    default: return SIZE{6, 12};
    }
}

RECT DluToPixels(const SIZE& base, int x, int y, int cx, int cy) {
    return RECT{MulDiv(x, base.cx, 4), MulDiv(y, base.cy, 8), MulDiv(x + cx, base.cx, 4), MulDiv(y + cy, base.cy, 8)};
}

bool Headless() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app) return true;
    QString p = QGuiApplication::platformName();
    return p == QLatin1String("offscreen") || p == QLatin1String("minimal");
}

}  // namespace fw

bool fw::HasDialogTemplate(UINT templateId) {
    fw::DialogTemplate t;
    return fw::LoadDialogTemplate(templateId, &t);
}

bool fw::GetDialogTemplateInfo(UINT templateId, SIZE* units, std::string* caption) {
    fw::DialogTemplate t;
    if (!fw::LoadDialogTemplate(templateId, &t)) return false;
    if (units) *units = SIZE{t.cx, t.cy};
    if (caption) *caption = fw::FromUtf8(t.caption);
    return true;
}

bool fw::GetDialogTemplateSize(UINT templateId, SIZE* size) {
    fw::DialogTemplate t;
    if (!fw::LoadDialogTemplate(templateId, &t)) return false;
    SIZE base = fw::DialogBaseUnits(t.fontSize);
    RECT r = fw::DluToPixels(base, 0, 0, t.cx, t.cy);
    if (size) *size = SIZE{r.right, r.bottom};
    return true;
}

// ---- the dialog -----------------------------------------------------------------------------

struct CDialog::DlgState {
    bool modal = false;
    bool ended = false;
    int result = IDCANCEL;
    UINT defId = IDOK;
    SIZE base{6, 12};
    UINT templateId = 0;
    std::string templateText;  // made at run time (SetTemplateText), used in place of the file
};

CDialog::CDialog() : dlg_(std::make_unique<DlgState>()) { impl_->kind = fw::WndKind::Dialog; }

CDialog::CDialog(UINT templateId, CWnd* parent) : CDialog() {
    m_nTemplateId = templateId;
    m_nIDHelp = templateId;
    m_pParentWnd = parent;
}

CDialog::~CDialog() { DestroyWindow(); }

void CDialog::SetTemplateText(std::string text) { dlg_->templateText = std::move(text); }

BOOL CDialog::CreateAsChild(UINT templateId, CWnd* parent) {
    if (!parent) return FALSE;
    m_nTemplateId = templateId;
    return createFromTemplate(templateId, parent, false, true);
}

BOOL CDialog::createFromTemplate(UINT templateId, CWnd* parent, bool modal, bool asChild) {
    if (impl_->widget) return FALSE;
    fw::EnsureGraphics();
    fw::DialogTemplate t;
    if (!dlg_->templateText.empty()) {
        std::string error;
        if (!fw::ParseDialogTemplate(dlg_->templateText, &t, &error)) return FALSE;
    } else if (!fw::LoadDialogTemplate(templateId, &t)) {
        return FALSE;
    }
    if (asChild) t.style = (t.style & ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE)) | WS_CHILD;
    impl_->kind = fw::WndKind::Dialog;
    dlg_->modal = modal;
    dlg_->ended = false;
    dlg_->result = IDCANCEL;
    dlg_->templateId = templateId;
    dlg_->base = fw::DialogBaseUnits(t.fontSize);
    dlg_->defId = IDOK;
    for (const auto& item : t.items)
        if (item.defButton) {
            dlg_->defId = UINT(item.id);
            break;
        }
    bool child = (t.style & WS_CHILD) != 0;
    CWnd* owner = parent;
    if (!owner && !child) owner = AfxGetMainWnd();
    if (owner && !owner->IsWindow()) owner = nullptr;
    RECT size = fw::DluToPixels(dlg_->base, 0, 0, t.cx, t.cy);
    std::string caption = fw::FromUtf8(t.caption);
    if (!CWnd::CreateEx(0, nullptr, caption.c_str(), t.style & ~WS_VISIBLE, size, child ? parent : owner, 0)) return FALSE;
    QWidget* w = impl_->widget;
    if (!child && !(t.style & WS_CAPTION)) {
        // A caption-less popup (a grid or list of choices): no frame, never activated, sized
        // and placed by its owner.
        w->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
        w->setAttribute(Qt::WA_ShowWithoutActivating);
        if (owner && owner->impl()->widget) w->setParent(owner->impl()->widget->window(), w->windowFlags());
        w->resize(size.right, size.bottom);
    } else if (!child) {
        w->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
        if (owner && owner->impl()->widget) w->setParent(owner->impl()->widget->window(), w->windowFlags());
        if (modal) w->setWindowModality(Qt::ApplicationModal);
        w->setFixedSize(size.right, size.bottom);
    }
    QFont font(QString::fromStdString(fw::ResolvedFamily(fw::FromUtf8(t.fontFace).c_str())));
    font.setPixelSize(std::max(8, MulDiv(t.fontSize, 96, 72)));
    w->setFont(font);
    for (const auto& item : t.items) {
        CWnd* c = nullptr;
        if (item.cls == "BUTTON") c = new CButton;
        else if (item.cls == "EDIT") c = new CEdit;
        else if (item.cls == "STATIC") c = new CStatic;
        else if (item.cls == "COMBOBOX") c = new CComboBox;
        else if (item.cls == "LISTBOX") c = new CListBox;
        else if (item.cls == "SCROLLBAR") c = new CScrollBar;
        else if (item.cls == "msctls_trackbar32") c = new CSliderCtrl;
        else if (item.cls == "msctls_updown32") c = new CSpinButtonCtrl;
        else if (item.cls == "msctls_progress32") c = new CProgressCtrl;
        else if (item.cls == "SysTreeView32") c = new CTreeCtrl;
        else c = new CWnd;
        RECT r = fw::DluToPixels(dlg_->base, item.x, item.y, item.cx, item.cy);
        std::string text = fw::FromUtf8(item.text);
        if (!c->CreateEx(item.exStyle, item.cls.c_str(), text.c_str(), item.style, r, this, UINT(item.id))) {
            delete c;
            continue;
        }
        c->impl()->frameworkOwned = true;
    }
    // The dialog's own initialisation; TRUE puts the focus on the first control that takes it.
    BOOL focusFirst = BOOL(SendMessage(WM_INITDIALOG, 0, 0));
    if (!impl_->widget) return FALSE;
    if (focusFirst) {
        for (CWnd* c : impl_->children) {
            if ((c->GetStyle() & (WS_TABSTOP | WS_VISIBLE | WS_DISABLED)) == (WS_TABSTOP | WS_VISIBLE)) {
                GotoDlgCtrl(c);
                break;
            }
        }
    }
    return TRUE;
}

INT_PTR CDialog::DoModal() {
    UINT templateId = m_nTemplateId;
    if (!createFromTemplate(templateId, m_pParentWnd, true)) return -1;
    fw::UiTestNoteModal(templateId);
    if (!dlg_->ended && impl_->widget) ShowWindow(SW_SHOW);
    if (!dlg_->ended && impl_->widget) {
        if (fw::UiTestActive()) {
            fw::RunUntilFrameworkIdle();
            if (!dlg_->ended && impl_->widget && !fw::UiTestRunModalHandler(*this)) EndDialog(IDCANCEL);
        } else if (fw::Headless()) {
            EndDialog(IDCANCEL);
        }
    }
    while (!dlg_->ended && impl_->widget) {
        // A stop signal ends the dialog as cancelled; the program then ends from its own loop.
        if (fw::StopRequested()) {
            EndDialog(IDCANCEL);
            break;
        }
        if (fw::UiTestActive()) {
            fw::RunUntilFrameworkIdle();
            if (dlg_->ended || !impl_->widget) break;
            if (fw::StopRequested()) continue;
            bool ticked = false;
            if (!fw::UiTestFeedStep(false, &ticked)) {
                fw::RunUntilFrameworkIdle();
                if (!dlg_->ended && impl_->widget) {
                    fw::UiTestForcedEnd();
                    EndDialog(IDCANCEL);
                }
            }
        } else {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }
    int result = dlg_->result;
    DestroyWindow();
    return result;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
    fw::DialogTemplate t;
    if (!fw::LoadDialogTemplate(templateId, &t)) return FALSE;
    m_nTemplateId = templateId;
    if (!createFromTemplate(templateId, parent, false)) return FALSE;
    if (t.style & WS_VISIBLE) ShowWindow(SW_SHOW);
    return TRUE;
}

void CDialog::EndDialog(int result) {
    dlg_->result = result;
    dlg_->ended = true;
    if (impl_->widget) impl_->widget->hide();
}

bool CDialog::IsModal() const { return dlg_->modal; }

void CDialog::MapDialogRect(RECT* rect) const {
    if (!rect) return;
    *rect = fw::DluToPixels(dlg_->base, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
}

void CDialog::GotoDlgCtrl(CWnd* control) {
    if (!control || !control->IsWindow()) return;
    control->SetFocus();
    if (control->impl()->kind == fw::WndKind::Edit) control->SendMessage(EM_SETSEL, 0, -1);
}

void CDialog::NextDlgCtrl() const {
    if (QWidget* f = QApplication::focusWidget(); f && impl_->widget && impl_->widget->isAncestorOf(f))
        f->nextInFocusChain()->setFocus(Qt::TabFocusReason);
}

void CDialog::PrevDlgCtrl() const {
    if (QWidget* f = QApplication::focusWidget(); f && impl_->widget && impl_->widget->isAncestorOf(f))
        f->previousInFocusChain()->setFocus(Qt::BacktabFocusReason);
}

UINT CDialog::GetDefID() const { return dlg_->defId; }
void CDialog::SetDefID(UINT id) { dlg_->defId = id; }

BOOL CDialog::OnInitDialog() { return TRUE; }
void CDialog::OnOK() { EndDialog(IDOK); }
void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::OnCmdMsg(UINT id, int code) {
    if (CWnd::OnCmdMsg(id, code)) return TRUE;
    if (code != BN_CLICKED) return FALSE;
    if (id == IDOK) {
        OnOK();
        return TRUE;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_CLOSE: {
        CWnd* cancel = GetDlgItem(IDCANCEL);
        SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(cancel));
        return 0;
    }
    default: return CWnd::DefWindowProc(message, wParam, lParam);
    }
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    if (!msg || msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return FALSE;
    return IsDialogMessage(msg);
}

BOOL CDialog::IsDialogMessage(MSG* msg) {
    if (!msg || msg->message != WM_KEYDOWN || !impl_->widget) return FALSE;
    CWnd* focus = msg->hwnd;
    auto press = [this](UINT id) {
        CWnd* ctl = GetDlgItem(int(id));
        if (ctl && !ctl->IsWindowEnabled()) return;
        SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(ctl));
    };
    switch (msg->wParam) {
    case VK_RETURN: {
        if (focus && focus != this && focus->impl()->kind == fw::WndKind::Edit &&
            (focus->GetStyle() & (ES_MULTILINE | ES_WANTRETURN)) == (ES_MULTILINE | ES_WANTRETURN))
            return FALSE;
        if (focus && focus != this && focus->impl()->kind == fw::WndKind::Button) {
            DWORD type = focus->impl()->control ? (focus->GetStyle() & BS_TYPEMASK) : 0;
            if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
                press(UINT(focus->GetDlgCtrlID()));
                return TRUE;
            }
        }
        press(GetDefID());
        return TRUE;
    }
    case VK_ESCAPE: press(IDCANCEL); return TRUE;
    default: return FALSE;
    }
}
