#include "chrome/TupletDlg.h"

#include "platform/Artist.h"
#include "platform/Port.h"
#include "view/ToolState.h"

TupletSettings g_tupletSettings;

void CTupletDlg::InitControls() {
    SetupNumericField(kCount, kFormatInteger, g_tupletDefault.count, 1, 99, false);
    SetupNumericField(kSpace, kFormatInteger, g_tupletDefault.space, 1, 99, false);
    AddDrawnControl(kStyles, 1);
    RECT r;
    GetControlRect(kStyles, &r);
    MoveControl(kStyles, RECT{r.left, r.top, r.left + kStyleCount * kCell, r.top + kCell});
    SetCheck(kShowSecond, showSecond != 0);
    SetCheck(kChangeDuration, changeDuration != 0);
}

void CTupletDlg::OnControl(int id) {
    switch (id) {
    case kStyles: {
        POINT p;
        GetPortMousePos(&p);
        RECT r;
        GetControlRect(kStyles, &r);
        const int cell = (p.x - r.left) / kCell;
        if (cell >= 0 && cell < kStyleCount) style = std::int16_t(cell);
        if (CWnd* c = GetDlgItem(kStyles)) c->Invalidate();
        break;
    }
    case kShowSecond: showSecond = GetCheck(kShowSecond) ? 1 : 0; break;
    case kChangeDuration: changeDuration = GetCheck(kChangeDuration) ? 1 : 0; break;
    case IDOK:
        g_tupletDefault.count = std::int16_t(GetNumericField(kCount));
        g_tupletDefault.space = std::int16_t(GetNumericField(kSpace));
        break;
    default: break;
    }
    CStdDlg::OnControl(id);
}

void CTupletDlg::DrawControl(int id) {
    if (id != kStyles) return CStdDlg::DrawControl(id);
    CArtist* a = GetArtist();
    if (!a) return;
    RECT r;
    GetControlRect(id, &r);
    for (int i = 0; i < kStyleCount; ++i) a->DrawStripImage(r.left + i * kCell + 3, r.top + 3, kStyleStrip, i, 13);
    const int x = r.left + style * kCell;
    a->InvertRect(RECT{x + 2, r.top + 2, x + kCell - 2, r.top + kCell - 2});
}

bool RunTupletDialog() {
    CTupletDlg dlg;
    dlg.style = g_tupletSettings.style;
    dlg.showSecond = g_tupletSettings.showSecond;
    dlg.changeDuration = g_tupletSettings.changeDuration;
    if (!dlg.RunModal(CTupletDlg::kTemplateId)) return false;
    g_tupletSettings.style = dlg.style;
    g_tupletSettings.showSecond = dlg.showSecond;
    g_tupletSettings.changeDuration = dlg.changeDuration;
    return true;
}
