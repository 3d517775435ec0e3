#include "app/ImportDlg.h"

#include <algorithm>
#include <string>

#include "framework/Window.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"

namespace {

std::string Res(unsigned id, const char* fallback) {
    char buffer[256] = {};
    LoadResString(id, buffer);
    return buffer[0] ? std::string(buffer) : std::string(fallback);
}

// A key's name (C4 is key 60).
std::string KeyName(int key) {
    static const char* names[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    return std::string(names[key % 12]) + std::to_string(key / 12 - 1);
}

// The note values of the quantise column, by code (0 breve ... 7 64th).
const char* kValueNames[8] = {"1/0", "1/1", "1/2", "1/4", "1/8", "1/16", "1/32", "1/64"};

}  // namespace

bool CImportDlg::Run(MidiImportSettings& s) {
    CImportDlg dlg(s);
    if (!dlg.RunModal(kTemplateId)) return false;
    s = dlg.settings;
    return true;
}

bool CImportDlg::AnyImport() const {
    return std::any_of(settings.rows.begin(), settings.rows.end(), [](const MidiImportTrack& r) { return r.import; });
}

std::string CImportDlg::CellText(int row, int column) const {
    if (row < 0 || row >= int(settings.rows.size())) return {};
    const MidiImportTrack& r = settings.rows[std::size_t(row)];
    switch (column) {
    case 0: return std::to_string(row + 1) + (r.import ? " x" : "");
    case 1: return r.name;
    case 2: return Res(3200u + r.clefChoice, "?");
    case 3: return Res(r.severalVoices ? 3213 : 3212, r.severalVoices ? "2+" : "1");
    case 4: return r.splitKey < 0 ? "-" : KeyName(r.splitKey);
    case 5: return kValueNames[std::clamp<int>(r.quantizeValue, 0, 7)];
    case 6: return Res(r.transcribe ? 3210 : 3211, r.transcribe ? "auto" : "manual");
    case 7: return r.pedalMarks ? Res(3206, "pedal") : "-";
    case 8: return r.volumeToModulation ? Res(3205, "mod") : "-";
    default: return {};
    }
}

void CImportDlg::ClickCell(int row, int column, bool alt) {
    if (row < 0 || row >= int(settings.rows.size())) return;
    MidiImportTrack& clicked = settings.rows[std::size_t(row)];
    switch (column) {
    case 0: clicked.import = clicked.import ? 0 : 1; break;
    case 2: clicked.clefChoice = std::uint8_t((clicked.clefChoice + 1) % 5); break;
    case 3: clicked.severalVoices = clicked.severalVoices ? 0 : 1; break;
    case 4: clicked.splitKey = std::int16_t(clicked.splitKey < 0 ? 60 : -1); break;
    case 5: clicked.quantizeValue = std::int16_t((clicked.quantizeValue + 1) % 8), clicked.quantizeDots = 0; break;
    case 6: clicked.transcribe = clicked.transcribe ? 0 : 1; break;
    case 7: clicked.pedalMarks = clicked.pedalMarks ? 0 : 1; break;
    case 8: clicked.volumeToModulation = clicked.volumeToModulation ? 0 : 1; break;
    default: return;
    }
    if (alt) {
        const MidiImportTrack value = clicked;
        for (std::size_t k = std::size_t(row) + 1; k < settings.rows.size(); ++k) {
            MidiImportTrack& r = settings.rows[k];
            switch (column) {
            case 0: r.import = value.import; break;
            case 2: r.clefChoice = value.clefChoice; break;
            case 3: r.severalVoices = value.severalVoices; break;
            case 4: r.splitKey = value.splitKey; break;
            case 5: r.quantizeValue = value.quantizeValue, r.quantizeDots = 0; break;
            case 6: r.transcribe = value.transcribe; break;
            case 7: r.pedalMarks = value.pedalMarks; break;
            case 8: r.volumeToModulation = value.volumeToModulation; break;
            default: break;
            }
        }
    }
    if (IsWindow()) {
        EnableControl(IDOK, AnyImport());
        InvalidateRect(nullptr, false);
    }
}

void CImportDlg::Rebuild() {
    CMidiImport::ProposeStaves(settings, g_midiImport.instrumentOrder);
    grid.rowCount = std::int16_t(settings.rows.size());
    grid.topRow = 0;
    SetScrollRange(kScroll, 0, std::max(0, grid.rowCount - grid.visibleRows));
    SetScrollPos(kScroll, 0);
    EnableControl(IDOK, AnyImport());
    InvalidateRect(nullptr, false);
}

void CImportDlg::InitControls() {
    SetText(kFileName, settings.fileName.c_str());
    SetCheck(kMapChannels, settings.mapChannels != 0);
    SetCheck(kOptimise, settings.optimise != 0);
    SetCheck(kOrder, g_midiImport.instrumentOrder);
    SetCheck(kJazz, settings.jazz != 0);
    grid.Init(this, kGrid, kScroll, kColumns, int(settings.rows.size()), 40, 16, 1, 18);
    for (int c = 0; c < kColumns; ++c) grid.SetColumn(c, -1, 3220 + c, 0);
    grid.SetColumnWidths(kColumnWidths);
    AttachGrid(&grid, 0);
    EnableControl(IDOK, AnyImport());
}

void CImportDlg::OnControl(int id) {
    switch (id) {
    case kGrid: {
        POINT pt;
        GetPortMousePos(&pt);
        int row = -1, column = -1;
        grid.HitTest(pt.x, pt.y, &row, &column, nullptr);
        ClickCell(row, column, IsKeyDown(VK_MENU));
        return;
    }
    case kMapChannels:
        settings.mapChannels = GetCheck(kMapChannels) ? 1 : 0;
        Rebuild();
        return;
    case kOrder:
        g_midiImport.instrumentOrder = GetCheck(kOrder);
        Rebuild();
        return;
    case kOptimise: settings.optimise = GetCheck(kOptimise) ? 1 : 0; return;
    case kJazz: settings.jazz = GetCheck(kJazz) ? 1 : 0; return;
    default: CStdDlg::OnControl(id); return;
    }
}

void CImportDlg::DrawControl(int id) {
    if (id == kGrid)
        grid.Draw(1);
    else
        CStdDlg::DrawControl(id);
}

void CImportDlg::DrawGridCell(int row, int column) {
    CArtist* a = GetArtist();
    if (!a) return;
    // Column -1: the whole row.
    if (column < 0) {
        for (int c = 0; c < kColumns; ++c) DrawGridCell(row, c);
        return;
    }
    a->PushFont();
    const FontRef& ui = g_draw.standardFontRefs[0];
    a->SetFont(ui.face, ui.size, 0);
    RECT cell;
    grid.GetCellRect(row, column, &cell);
    a->DrawText(cell.left + 2, cell.bottom - 3, CellText(row, column).c_str());
    a->PopFont();
}

void CImportDlg::SetScrollPos(int id, int pos) {
    if (id == kScroll) grid.ScrollTo(pos);
    CStdDlg::SetScrollPos(id, pos);
}
