// The insert-track dialog (template 304): the kind of the new track (a single staff, from the
// treble or bass clef or an instrument of the instrument library; a piano; percussion;
// tablature), whether it goes before or after the current track, and the set-up of a template
// track the new track is made from: its output device, the bank of its voices and each voice's
// channel and patch, in a grid of eight rows.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/GridList.h"
#include "platform/StdDlg.h"

class CScore;
class CTrack;

class CAddTrackDlg : public CStdDlg {
public:
    static constexpr UINT kTemplateId = 304;
    enum : int {
        kSingleStaff = 3,
        kPiano = 4,
        kPercussion = 5,
        kTablature = 6,
        kStaffCombo = 7,
        kDeviceCombo = 8,
        kBankCombo = 9,
        kGrid = 10,
        kBefore = 11,
        kAfter = 12,
        kColumns = 3,
        kRows = 8,
    };
    static constexpr std::int16_t kColumnWidths[kColumns] = {63, 64, 302};
    // The track kind of each kind radio, from the single staff on.
    static constexpr int kKindOfRadio[4] = {0, 6, 4, 5};

    // The dialog edits the template track; the score gives the channels other tracks use.
    CAddTrackDlg(CScore& score, CTrack& templ) : score(score), templ(templ) {}

    void InitControls() override;
    void OnControl(int id) override;
    void DrawControl(int id) override;
    void DrawGridCell(int row, int column) override;

    // A click on a voice's cell: column 1 its channel, column 2 its patch (x, y on the screen).
    void ClickCell(int row, int column, int x, int y);

    // The choices, set on OK.
    int kind = 0;            // the track kind
    int staffChoice = 0;     // the single staff's entry: 0 treble, 1 bass, 2 and up the library's
    bool after = false;      // after the current track

    CDlgGrid grid;

private:
    void FillBanks();
    void ChangeDevice();
    // The first channel no other track uses on the template's port (never channel 10), for
    // every voice.
    void TakeFreeChannel();
    void Redraw();

    CScore& score;
    CTrack& templ;
    std::vector<int> ports;   // device combo entries' port ids
    std::vector<int> banks;   // bank combo entries' bank numbers (-1 the first, fixed entry)
};
