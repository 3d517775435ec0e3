#include "model/AllotLib.h"

#include <cstring>

#include "framework/File.h"
#include "model/Preferences.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Numeric.h"
#include "platform/PlatformGlobals.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"

namespace {
constexpr int kColumnWidth = 32;
constexpr int kRowHeight = 18;
constexpr int kHeaderHeight = 20;
constexpr int kFirstClassTitle = 20101;  // the column headings: "1/1" ... "1/64"
}  // namespace

// --- the library --------------------------------------------------------------------------------

CAllotLib::CAllotLib() {
    SetTag(Tag("ZATL"));
    SetItemSize(SpacingTable::kBytes);
    SpacingTable current;
    GetCurrentSpacing(current);
    items->InsertAt(0, &current);
}

bool CAllotLib::AcceptsItems(CStdArray& loaded) {
    return loaded.GetElementSize() == SpacingTable::kBytes && loaded.GetCount() >= 1;
}

bool CAllotLib::Load(const FileSpec& record) {
    if (!CLibrary::Load(record)) return false;
    if (const SpacingTable* first = First()) CurrentSpacingTable() = *first;
    return true;
}

void CAllotLib::LoadDefault() {
    Open(g_platform.libraryFiles.spacing, g_preferences.Text(Preferences::kLibraryNames));
    if (const SpacingTable* first = First()) CurrentSpacingTable() = *first;
}

void CAllotLib::WriteItems(CFile& file) {
    if (SpacingTable* first = First()) *first = CurrentSpacingTable();
    CLibrary::WriteItems(file);
}

void CAllotLib::Edit() {
    CAllotDlg dialog(&CurrentSpacingTable(), true);
    const SpacingTable kept = CurrentSpacingTable();
    if (!dialog.Run(*this, CAllotDlg::kTemplateId, g_platform.libraryFiles.spacing)) CurrentSpacingTable() = kept;
}

// --- the dialog ---------------------------------------------------------------------------------

CAllotDlg::CAllotDlg(SpacingTable* t, bool library) : libraryMode(library ? 1 : 0), table(t) { subject = t; }

std::int16_t CAllotDlg::Stored(int shown) {
    int cell = shown * 20 / 100;
    while (Shown(cell) < shown) ++cell;
    return std::int16_t(cell);
}

void CAllotDlg::InitControls() {
    row = 0;
    column = -1;
    grid.Init(this, kGrid, 0, kClasses, kKinds, kColumnWidth, kRowHeight, 1, kHeaderHeight);
    for (int c = 0; c < kClasses; ++c) grid.SetColumn(c, 0, kFirstClassTitle + c, 0);
    AttachGrid(&grid, 20);
    if (libraryMode) {
        if (title[0]) SetText(kName, title);
    } else {
        for (int id : {int(kNameLabel), int(kName), int(kSave), int(kSaveAs)}) HideControl(id);
    }
}

void CAllotDlg::DrawControl(int id) {
    if (id != kGrid) {
        CLibDlg::DrawControl(id);
        return;
    }
    CArtist* a = GetArtist();
    if (!a || !table) return;
    a->PushFont();
    const FontRef& ui = g_draw.standardFontRefs[0];
    a->SetFont(ui.face, ui.size, 0);
    grid.Draw(0);
    for (int c = 0; c < kClasses; ++c) {
        RECT cell;
        const int x = grid.GetCellRect(0, c, &cell);
        int y = cell.top + 14;
        for (int kind = 0; kind < kKinds; ++kind, y += kRowHeight) {
            char text[16];
            FormatDecimal(Shown(table->values[c][kind]), text, 2);
            a->DrawTextCentered(x, y, text);
        }
    }
    a->PopFont();
}

void CAllotDlg::OnControl(int id) {
    if (id == kGrid) {
        POINT pt;
        GetPortMousePos(&pt);
        int r = -1, c = -1;
        grid.HitTest(pt.x, pt.y, &r, &c, nullptr);
        EditCell(r, c);
    } else if (id == kTitleChanged) {
        SetText(kName, title);
    }
    CLibDlg::OnControl(id);
}

void CAllotDlg::EditCell(int r, int c) {
    if (r < 0 || r >= grid.rowCount || c < 0 || c >= kClasses || !table) return;
    row = std::int16_t(r);
    column = std::int16_t(c);
    RECT cell;
    grid.GetCellRect(r, c, &cell);
    auto* popup = new CDlgNumeric;
    popup->Init(Shown(table->values[c][r]), kMinimum, kMaximum, cell, nullptr);
    popup->decimals = 2;
    popup->SetFont(g_draw.standardFontRefs[0]);
    popup->Attach(this, kGrid);
    popup->DragChange();
}

void CAllotDlg::OnNumericValue(int value) {
    if (!table || column < 0 || column >= kClasses || row < 0 || row >= kKinds) return;
    std::int16_t& cell = table->values[column][row];
    const std::int16_t old = cell;
    cell = Stored(value);
    if (libraryMode && library && cell != old) library->SetModified(1);
    InvalidateRect(nullptr, false);
}

bool CAllotDlg::OnKey(UINT key, UINT flags) {
    if (CLibDlg::OnKey(key, flags)) return true;
    int r = row, c = column;
    switch (key) {
    case 28:
        if (--c < 0) {
            c = kClasses - 1;
            r = r > 0 ? r - 1 : 0;
        }
        break;
    case 29:
        if (++c >= kClasses) {
            c = 0;
            r = (r + 1) % kKinds;
        }
        break;
    case 30: r = r > 0 ? r - 1 : 0; break;
    case 31: r = r < kKinds - 1 ? r + 1 : kKinds - 1; break;
    default: return false;
    }
    EndNumericEntry();
    EditCell(r, c < 0 ? 0 : c);
    return true;
}
