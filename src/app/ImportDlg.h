// The MIDI import options dialog (template 254): one row per proposed staff in a grid of nine
// columns (import, name, clef, voices, split, quantise, transcribe, pedal marks, volume), and
// the whole-file options (map channels, optimise, staff order, jazz font). It edits a copy of
// the settings and hands it back only on OK.
#pragma once
#include "midi/MidiImport.h"
#include "platform/GridList.h"
#include "platform/StdDlg.h"

class CImportDlg : public CStdDlg {
public:
    static constexpr UINT kTemplateId = 254;
    enum : int {
        kFileName = 3,
        kMapChannels = 4,
        kGrid = 5,
        kScroll = 6,
        kOrder = 7,
        kOptimise = 8,
        kJazz = 9,
        kColumns = 9,
    };
    static constexpr std::int16_t kColumnWidths[kColumns] = {38, 160, 35, 44, 40, 56, 66, 60, 60};

    // Runs the dialog over the settings (their rows proposed): true on OK, with the settings
    // copied back.
    static bool Run(MidiImportSettings& settings);

    explicit CImportDlg(const MidiImportSettings& s) : settings(s) {}

    // A click on a cell: toggling columns take the new value from the row and give it to every
    // row below it too while Alt is held; split and quantise likewise.
    void ClickCell(int row, int column, bool alt);
    // The text a cell shows.
    std::string CellText(int row, int column) const;
    // Whether any row is to be made (OK is enabled only then).
    bool AnyImport() const;

    void InitControls() override;
    void OnControl(int id) override;
    void DrawControl(int id) override;
    void DrawGridCell(int row, int column) override;
    void SetScrollPos(int id, int pos) override;

    MidiImportSettings settings;
    CDlgGrid grid;

private:
    void Rebuild();
};
