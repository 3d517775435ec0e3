// The File New dialog: the kind of score or a template file, the titles, the key, the meter,
// the tempo mark, a pickup bar and the jazz font of the next new score.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/TemplateFolderScan.h"
#include "model/NewScore.h"
#include "platform/FileNames.h"
#include "platform/StdDlg.h"

class CNewDocDlg : public CStdDlg {
public:
    static constexpr UINT kTemplateId = 305;
    enum : int {
        kSingleStaff = 3,
        kPiano = 4,
        kVoiceAndPiano = 5,
        kGuitar = 6,
        kTemplate = 7,
        kStaffCombo = 8,
        kTemplateList = 9,
        kFolderTree = 10,
        kTitle = 11,
        kComposer = 12,
        kRights = 13,
        kKeyDisplay = 14,
        kKeyScroll = 15,
        kKeyName = 16,
        kMeterGrid = 17,
        kShowTempo = 18,
        kBeatGrid = 19,
        kTempo = 20,
        kPickup = 21,
        kAtStartup = 22,
        kJazzFont = 23,
    };
    static constexpr int kCell = 22;
    // The four texts of a new score from the string table: title, remark, composer and rights
    // notice (the dialog's defaults, and the application's at start-up).
    static void LoadDefaultTexts(NewScoreSettings& settings);
    static constexpr int kMeterCells = 11;
    static constexpr int kBeatCells = 7;

    CNewDocDlg();
    ~CNewDocDlg() override;

    // Runs the dialog; true on OK, with the record's kind counted from 0 (single staff) to 4
    // (template).
    bool Run();

    // The result record. While the dialog runs its kind is the chosen radio button's id.
    NewScoreSettings settings;
    // The chosen template file (kind 4).
    FileSpec templatePath;
    // Whether the dialog opens at start-up.
    bool openAtStartup = true;
    // The template lists (one per top-level folder), how many folders were scanned, the
    // index of the folder shown (-1: none) and the paths listed for it, in list order.
    TemplateList lists[kTemplateListCount];
    std::int32_t folderCount = 0;
    int folderShown = -1;
    std::vector<std::string> listed;

    void InitControls() override;
    void OnControl(int id) override;
    void DrawControl(int id) override;
    bool OnTick() override;
    void SetScrollPos(int id, int pos) override;

    // The key of a key scroll position: 7 is C major, below it flats, above it sharps.
    static int KeyForScrollPos(int pos);
    // The name the dialog shows for a key: "G 大调/E 小调".
    static std::string KeyName(int key);

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void ChooseKind(int id);
    void ShowFolder();
    void CollectResults();
    void DrawGrid(int id, int bitmap, int cells);
    void DrawKey();
};
