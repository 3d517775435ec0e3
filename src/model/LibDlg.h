// The base of the dialogs that edit a user library. Run is the one way a library's Edit shows
// its dialog: the dialog edits the library object in place, and a copy taken before it opens
// is put back when the user cancels. Every library dialog template has OK (1), Cancel (2),
// Save As (3) and Save (4, enabled while the file record has a name).
#pragma once
#include <cstdint>
#include <memory>

#include "platform/FileNames.h"
#include "platform/StdDlg.h"

class CLibrary;

class CLibDlg : public CStdDlg {
public:
    enum : int { kSaveAs = 3, kSave = 4, kTitleChanged = -1 };
    static constexpr std::size_t kTitleSize = 64;

    // Runs the dialog from the template on the library with the kind's file record:
    // OK saves a changed library when the preferences' library "AutoSave" is on; Cancel puts
    // the copy back. Either way the dialog's record (Save As may have changed it) goes back to
    // fileRecord. The drawing zoom is 100 meanwhile. True when the user chose OK; false also
    // when no copy could be made (then nothing is shown).
    bool Run(CLibrary& library, UINT templateId, FileSpec& fileRecord);
    // Save As (3) and Save (4), then every id to the base; -1 tells the subclass that the
    // record and title changed.
    void OnControl(int id) override;
    // Save is enabled exactly while the record has a name.
    bool OnTick() override;
    // Lets the user load another library file into the library; true when one loaded (the
    // record and title name it).
    bool BrowseLibrary();

    FileSpec record;
    char title[kTitleSize] = {};
    CLibrary* library = nullptr;

protected:
    void TakeRecord(const FileSpec& chosen);
};
