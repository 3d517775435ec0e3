#include "app/NewDocDlg.h"

#include <cstring>
#include <filesystem>

#include "app/AppGlobals.h"
#include "framework/CodePage.h"
#include "framework/Controls.h"
#include "framework/StringTable.h"
#include "framework/TreeCtrl.h"
#include "model/InstLib.h"
#include "model/ModelGlobals.h"
#include "model/Preferences.h"
#include "model/SystemStaff.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"
#include "platform/Theory.h"

namespace {

enum : UINT {
    kTitleString = 6615,
    kRemarkString = 6616,
    kComposerString = 6617,
    kRightsString = 6618,
    kTrebleStaffString = 2200,
    kBassStaffString = 2201,
    kTemplatesString = 3504,
    kMeterImages = 108,
    kBeatImages = 112,
};

std::string TableString(UINT id) {
    std::string text;
    fw::LoadStringResource(id, text);
    return text;
}

// A text into a fixed field, cut whole characters short of its size and zero-filled.
void CopyField(char* to, std::size_t size, const std::string& text) {
    std::memset(to, 0, size);
    fw::CopyText(to, size, text);
}

}  // namespace

CNewDocDlg::CNewDocDlg() = default;

CNewDocDlg::~CNewDocDlg() {
    for (TemplateList& list : lists) list.Free();
}

bool CNewDocDlg::Run() { return RunModal(kTemplateId); }

int CNewDocDlg::KeyForScrollPos(int pos) {
    if (pos == 7) return 0;
    // The score's key codes: 1-7 one to seven flats, 8-14 one to seven sharps.
    return pos < 7 ? 7 - pos : pos;
}

std::string CNewDocDlg::KeyName(int key) {
    int tonic = 0, minor = 0;
    CTheory::GetKeyTonic(key, tonic, minor);
    std::string major, relative;
    CTheory::FormatSpelledPitch(tonic, key, CTheory::kLetters, major);
    CTheory::FormatSpelledPitch(minor, key, CTheory::kLetters, relative);
    return major + fw::FromUtf8(" 大调/") + relative + fw::FromUtf8(" 小调");  // the dialog speaks the code page
}

void CNewDocDlg::LoadDefaultTexts(NewScoreSettings& settings) {
    CopyField(settings.title, sizeof settings.title, TableString(kTitleString));
    CopyField(settings.remark, sizeof settings.remark, TableString(kRemarkString));
    CopyField(settings.text3, sizeof settings.text3, TableString(kComposerString));
    CopyField(settings.text4, sizeof settings.text4, TableString(kRightsString));
}

void CNewDocDlg::InitControls() {
    settings = NewScoreSettings{};
    settings.arrangement = kPiano;
    settings.singleStaffChoice = -1;
    settings.meterPreset = 4;
    settings.tempoDisplay = 2;
    settings.tempo = 9600;
    LoadDefaultTexts(settings);

    AddDrawnControl(kMeterGrid, 1);
    AddDrawnControl(kBeatGrid, 1);
    AddDrawnControl(kKeyDisplay, 1);
    SetScrollRange(kKeyScroll, 0, 14);
    CStdDlg::SetScrollPos(kKeyScroll, 7);
    RECT r;
    GetControlRect(kMeterGrid, &r);
    MoveControl(kMeterGrid, RECT{r.left, r.top, r.left + kMeterCells * kCell, r.top + kCell});
    GetControlRect(kBeatGrid, &r);
    MoveControl(kBeatGrid, RECT{r.left, r.top, r.left + kBeatCells * kCell, r.top + kCell});

    for (int id : {kTitle, kComposer, kRights}) SendDlgItemMessage(id, EM_LIMITTEXT, 63);
    SetText(kTitle, settings.title);
    SetText(kComposer, settings.text3);
    SetText(kRights, settings.text4);
    SetupNumericField(kTempo, kFormatHundredths, settings.tempo, 10, 30000, false);

    for (int id = kSingleStaff; id <= kTemplate; ++id) SetCheck(id, id == settings.arrangement);
    SetCheck(kShowTempo, settings.tempoFlagA != 0);
    SetCheck(kPickup, settings.pickup != 0);
    openAtStartup = g_preferences.Byte(Preferences::kNewDialog) != 0;
    SetCheck(kAtStartup, openAtStartup);
    if (g_draw.jazzFace == FontRef::kNoFace) HideControl(kJazzFont);

    ClearCombo(kStaffCombo);
    AddComboString(kStaffCombo, TableString(kTrebleStaffString).c_str());
    AddComboString(kStaffCombo, TableString(kBassStaffString).c_str());
    if (CInstLib* library = g_model.instLib)
        for (int i = 0; i < library->GetCount(); ++i) AddComboString(kStaffCombo, library->GetItemName(i).c_str());
    SetComboSel(kStaffCombo, 0);

    // The template folders, scanned from inside the program folder's template folder.
    folderCount = 0;
    folderShown = -1;
    listed.clear();
    for (TemplateList& list : lists) list.Clear();
    std::error_code ec;
    const std::filesystem::path previous = std::filesystem::current_path(ec);
    FileSpec folder;
    if (folder.EnterFolder(TableString(kTemplatesString).c_str(), false)) {
        auto* tree = dynamic_cast<CTreeCtrl*>(GetDlgItem(kFolderTree));
        if (tree) {
            tree->SetIndent(3);
            ScanTemplateFolder(tree, TVI_ROOT, ".zel", nullptr, lists, &folderCount);
        }
        SendDlgItemMessage(kTemplateList, LB_SETCURSEL, 0);
        if (!ec) std::filesystem::current_path(previous, ec);
    }
}

void CNewDocDlg::ChooseKind(int id) {
    settings.arrangement = id;
    for (int r = kSingleStaff; r <= kTemplate; ++r) SetCheck(r, r == id);
}

void CNewDocDlg::OnControl(int id) {
    switch (id) {
    case kSingleStaff:
    case kPiano:
    case kVoiceAndPiano:
    case kGuitar:
    case kTemplate: ChooseKind(id); break;
    case kStaffCombo: ChooseKind(kSingleStaff); break;
    case kTemplateList: ChooseKind(kTemplate); break;
    case kMeterGrid:
    case kBeatGrid: {
        POINT p;
        GetPortMousePos(&p);
        RECT r;
        GetControlRect(id, &r);
        const int cell = (p.x - r.left) / kCell;
        if (id == kMeterGrid) {
            if (cell >= 0 && cell < kMeterCells) settings.meterPreset = cell;
        } else if (cell == kBeatCells - 1) {
            settings.tempoFlagB = !settings.tempoFlagB;
        } else if (cell >= 0 && cell < kBeatCells - 1) {
            settings.tempoDisplay = cell;
        }
        if (CWnd* c = GetDlgItem(id)) c->Invalidate();
        break;
    }
    case kShowTempo: settings.tempoFlagA = !settings.tempoFlagA; break;
    case kPickup: settings.pickup = !settings.pickup; break;
    case kJazzFont: settings.jazzFont = !settings.jazzFont; break;
    case IDOK:
        CollectResults();
        settings.arrangement -= kSingleStaff;
        break;
    default: break;
    }
    CStdDlg::OnControl(id);
}

void CNewDocDlg::CollectResults() {
    openAtStartup = GetCheck(kAtStartup);
    g_preferences.SetByte(Preferences::kNewDialog, openAtStartup ? 1 : 0);
    if (settings.arrangement == kSingleStaff) settings.singleStaffChoice = GetComboSel(kStaffCombo);
    if (settings.arrangement == kTemplate) {
        const int chosen = int(SendDlgItemMessage(kTemplateList, LB_GETCURSEL));
        std::string path;
        FileSpec program;
        FileSpec::GetProgramFolder(program);
        path = std::string(program.path) + "/" + TableString(kTemplatesString) + "/";
        if (chosen >= 0 && chosen < int(listed.size())) {
            std::string relative = listed[std::size_t(chosen)];
            for (char& c : relative)
                if (c == '\\') c = '/';
            path += relative + ".zel";
        }
        templatePath = FileSpec{};
        CopyField(templatePath.path, sizeof templatePath.path, path);
        const std::size_t slash = path.find_last_of('/');
        CopyField(templatePath.name, sizeof templatePath.name, path.substr(slash + 1));
    }
    GetText(kTitle, settings.title, 64);
    GetText(kComposer, settings.text3, 64);
    GetText(kRights, settings.text4, 64);
    settings.tempo = std::uint16_t(GetNumericField(kTempo));
}

BOOL CNewDocDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(DWORD(wParam)) == kFolderTree && HIWORD(DWORD(wParam)) == TVN_SELCHANGED) {
        ShowFolder();
        return TRUE;
    }
    return CStdDlg::OnCommand(wParam, lParam);
}

void CNewDocDlg::ShowFolder() {
    auto* tree = dynamic_cast<CTreeCtrl*>(GetDlgItem(kFolderTree));
    SendDlgItemMessage(kTemplateList, LB_RESETCONTENT);
    listed.clear();
    folderShown = -1;
    HTREEITEM item = tree ? tree->GetSelectedItem() : nullptr;
    if (!item) return;
    // The folder's path from the top-level folder down.
    std::string folder;
    for (HTREEITEM i = item; i; i = tree->GetParentItem(i)) {
        const std::string name = static_cast<const char*>(tree->GetItemText(i));
        folder = folder.empty() ? name : name + "\\" + folder;
    }
    const std::int32_t index = std::int32_t(tree->GetItemData(item));
    if (index < 0 || index >= folderCount || index >= kTemplateListCount) return;
    folderShown = index;
    const TemplateList& list = lists[index];
    const char* text = static_cast<const char*>(list.GetData());
    const std::string prefix = folder + "\\";
    for (std::uint32_t n = 0, at = 0; text && n < list.GetCount() && at < list.GetSize(); ++n) {
        const std::string entry(text + at, strnlen(text + at, list.GetSize() - at));
        at += std::uint32_t(entry.size() + 1);
        // The templates of the folder and of the folders below it.
        if (entry.compare(0, prefix.size(), prefix) != 0) continue;
        const std::size_t slash = entry.find_last_of('\\');
        SendDlgItemMessage(kTemplateList, LB_ADDSTRING, 0, LPARAM(entry.c_str() + slash + 1));
        listed.push_back(entry);
    }
}

bool CNewDocDlg::OnTick() {
    bool enable = true;
    if (settings.arrangement == kSingleStaff && GetComboSel(kStaffCombo) < 0) enable = false;
    if (settings.arrangement == kTemplate &&
        (folderShown < 0 || int(SendDlgItemMessage(kTemplateList, LB_GETCURSEL)) < 0))
        enable = false;
    if (CWnd* ok = GetDlgItem(IDOK); ok && bool(ok->IsWindowEnabled()) != enable) ok->EnableWindow(enable);
    return false;
}

void CNewDocDlg::SetScrollPos(int id, int pos) {
    CStdDlg::SetScrollPos(id, pos);
    if (id != kKeyScroll) return;
    const int key = KeyForScrollPos(GetScrollPos(id));
    if (key == settings.key) return;
    settings.key = std::int16_t(key);
    if (CWnd* c = GetDlgItem(kKeyDisplay)) c->Invalidate();
    SetDlgItemText(kKeyName, KeyName(key).c_str());
}

void CNewDocDlg::DrawControl(int id) {
    switch (id) {
    case kMeterGrid: DrawGrid(id, kMeterImages, kMeterCells); break;
    case kBeatGrid: DrawGrid(id, kBeatImages, kBeatCells); break;
    case kKeyDisplay: DrawKey(); break;
    default: CStdDlg::DrawControl(id); break;
    }
}

void CNewDocDlg::DrawGrid(int id, int bitmap, int cells) {
    CArtist* a = GetArtist();
    if (!a) return;
    RECT r;
    GetControlRect(id, &r);
    for (int i = 0; i < cells; ++i) a->DrawStripImage(r.left + i * kCell + 2, r.top + 3, bitmap, i, 13);
    const auto frame = [&](int cell) {
        const int x = r.left + cell * kCell;
        const RECT box{x + 2, r.top + 2, x + 23 - 2, r.top + kCell - 2};
        a->InvertRect(RECT{box.left, box.top, box.right, box.top + 1});
        a->InvertRect(RECT{box.left, box.bottom - 1, box.right, box.bottom});
        a->InvertRect(RECT{box.left, box.top + 1, box.left + 1, box.bottom - 1});
        a->InvertRect(RECT{box.right - 1, box.top + 1, box.right, box.bottom - 1});
    };
    if (id == kMeterGrid) {
        frame(settings.meterPreset);
    } else {
        frame(settings.tempoDisplay);
        if (settings.tempoFlagB) frame(kBeatCells - 1);
    }
}

void CNewDocDlg::DrawKey() {
    CArtist* a = GetArtist();
    if (!a) return;
    RECT r;
    GetControlRect(kKeyDisplay, &r);
    // A treble staff across the control, drawn by the staff's own key-signature drawing.
    alignas(8) std::uint8_t bytes[CStaff::kSize + 8] = {};
    auto* staff = reinterpret_cast<CStaff*>(bytes);
    staff->SetScale(100);
    staff->SetLineSpacing(6);
    staff->SetFontSize(24);
    staff->SetLineMask(1984);
    const int middle = (r.top + r.bottom) / 2;
    rec::Put<std::int16_t>(staff, CStaff::kMiddleY, std::int16_t(middle));
    rec::Put<std::int32_t>(staff, CStaff::kRect, r.left + 2);
    rec::Put<std::int32_t>(staff, CStaff::kRect + 4, middle - 12);
    rec::Put<std::int32_t>(staff, CStaff::kRect + 8, r.right - 2);
    rec::Put<std::int32_t>(staff, CStaff::kRect + 12, middle + 12);
    staff->DrawLines();
    staff->DrawClef(r.left + 6);
    a->SetMusicFont(24);
    staff->DrawKeySignature(r.left + 24, r.left + 24, settings.key, 0, 0, 0, 2, false, 0);
}
