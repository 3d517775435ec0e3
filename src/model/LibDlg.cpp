#include "model/LibDlg.h"

#include "framework/CodePage.h"
#include "model/Preferences.h"
#include "platform/Artist.h"
#include "platform/Library.h"
#include "platform/Port.h"

namespace {
constexpr int kDialogZoom = 100;
}  // namespace

bool CLibDlg::Run(CLibrary& lib, UINT templateId, FileSpec& fileRecord) {
    library = &lib;
    record = fileRecord;
    std::unique_ptr<CLibrary> copy = lib.Clone();
    if (!copy) return false;
    fw::CopyText(title, sizeof title, record.name);
    CArtist* artist = GetArtist();
    const int keptZoom = artist ? artist->GetZoom() : 0;
    if (artist) artist->SetZoom(kDialogZoom);
    const bool confirmed = RunModal(templateId);
    if (confirmed) {
        // The automatic save's result changes nothing: the library keeps its changes.
        if (lib.IsModified() && g_preferences.Byte(Preferences::kLibraryAutoSave)) lib.Save(record, false);
    } else {
        copy->CopyTo(lib);
    }
    fileRecord = record;
    if (artist) artist->SetZoom(keptZoom);
    return confirmed;
}

void CLibDlg::TakeRecord(const FileSpec& chosen) {
    record = chosen;
    fw::CopyText(title, sizeof title, record.name);
    OnControl(kTitleChanged);
}

void CLibDlg::OnControl(int id) {
    FileSpec copy = record;
    if (library && id == kSaveAs) {
        if (library->Save(copy, true)) TakeRecord(copy);
    } else if (library && id == kSave) {
        library->Save(copy, false);
    }
    CStdDlg::OnControl(id);
}

bool CLibDlg::OnTick() {
    EnableControl(kSave, record.name[0] != 0);
    return false;
}

bool CLibDlg::BrowseLibrary() {
    if (!library) return false;
    FileSpec copy = record;
    if (!library->Browse(copy)) return false;
    TakeRecord(copy);
    return true;
}
