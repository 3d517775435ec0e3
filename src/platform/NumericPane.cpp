#include "platform/NumericPane.h"

#include "platform/Artist.h"
#include "platform/Port.h"

void CPaneNumeric::Draw() {
    if (!pane || !pane->IsWindow()) return;
    CClientDC dc(pane);
    PushPort(&dc);
    RECT client;
    pane->GetClientRect(&client);
    pane->Paint(client);
    PopPort();
}

int CPaneNumeric::DragChange() {
    if (pane) commandId = std::int16_t(pane->GetDlgCtrlID());
    return CNumeric::DragChange();
}

void CPaneNumeric::EndEdit() {
    if (pane)
        if (CWnd* parent = pane->GetParent()) parent->SendMessage(WM_COMMAND, kNumericEntryEnded, LPARAM(pane));
    CNumeric::EndEdit();
}

void CPaneNumeric::SetValue(int v) {
    CNumeric::SetValue(v);
    if (pane)
        if (CWnd* parent = pane->GetParent()) parent->SendMessage(WM_COMMAND, kNumericValueChanged, LPARAM(pane));
}

CNumericPane::CNumericPane() = default;
CNumericPane::~CNumericPane() = default;

BOOL CNumericPane::Create(CWnd* parent, const RECT& rect, int value, int minimum, int maximum, int commandId) {
    if (!CPane::Create(parent, 0, rect, kAnchorFixed, kAnchorFixed)) return FALSE;
    const RECT inner{2, 2, rect.right - rect.left - 2, rect.bottom - rect.top - 2};
    field.Init(value, minimum, maximum, inner, nullptr);
    field.commandId = std::int16_t(commandId);
    return TRUE;
}

int CNumericPane::SetDlgCtrlID(int id) {
    field.commandId = std::int16_t(id);
    return CWnd::SetDlgCtrlID(id);
}

void CNumericPane::Paint(const RECT& client) {
    CArtist* a = GetArtist();
    if (!a) return;
    a->DrawButtonEdge(client, false);
    RECT inner{client.left + 2, client.top + 2, client.right - 2, client.bottom - 2};
    a->FillRectColor(inner, enabled ? field.colours[field.active ? 1 : 0] : 10);
    char text[40];
    field.Format(text);
    a->SetFontRef(field.fontRef);
    a->SetColor(field.colours[field.active ? 3 : 2]);
    int x = inner.left + field.leftInset;
    if (field.alignment != 0) {
        const int w = a->TextWidth(text);
        x = field.alignment == 1 ? (inner.left + inner.right) / 2 - w / 2 : inner.right - w;
    }
    a->DrawText(x, inner.bottom - field.descent, text);
}

void CNumericPane::MouseDown(POINT, UINT) { field.DragChange(); }

void CNumericPane::OnChar(UINT ch, UINT, UINT flags) { field.TypeKey(ch, flags); }
