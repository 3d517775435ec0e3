// The spacing library (type tag "ZATL"): entries of one spacing table each, of which only the
// first is used: it is the library's image of the program's current spacing table. Its dialog
// (template 201) edits a spacing table in staff spaces, for the library (File > Edit Library)
// or, without the library's name and save buttons, for a document.
#pragma once
#include <cstdint>

#include "model/LibDlg.h"
#include "model/SpacingTable.h"
#include "platform/GridList.h"
#include "platform/Library.h"

class CAllotLib : public CLibrary {
public:
    static constexpr const char* kTag = "ZATL";

    // One entry: a copy of the current spacing table.
    CAllotLib();
    std::unique_ptr<CLibrary> Clone() override { return CloneOf(*this); }
    bool CopyTo(CLibrary& dest) override { return CopyOf(*this, dest); }
    // A file that loads gives its first entry to the current spacing table.
    bool Load(const FileSpec& record) override;
    // Opens the library the preferences name and takes its first entry as the current table
    // (the built-in or last loaded one when the file did not load).
    void LoadDefault() override;
    // The spacing dialog on the current spacing table; Cancel puts the table back.
    void Edit() override;

    // The first entry (null when the library has none).
    SpacingTable* First() { return static_cast<SpacingTable*>(GetItem(0)); }

protected:
    // Entries of one spacing table each, at least one.
    bool AcceptsItems(CStdArray& loaded) override;
    // Every save writes the current spacing table as the first entry.
    void WriteItems(CFile& file) override;
};

class CAllotDlg : public CLibDlg {
public:
    static constexpr UINT kTemplateId = 201;
    enum : int { kGrid = 5, kName = 6, kNameLabel = 7 };
    static constexpr int kClasses = 7;  // columns: duration classes 1-7
    static constexpr int kKinds = 3;    // rows: plain, dotted, triplet
    // Shown values are hundredths of a staff space.
    static constexpr int kMinimum = 25;
    static constexpr int kMaximum = 1600;

    // The table edited (not owned); library mode shows the name and the save buttons.
    CAllotDlg(SpacingTable* table, bool libraryMode);

    void InitControls() override;
    void OnControl(int id) override;
    void DrawControl(int id) override;
    bool OnKey(UINT key, UINT flags) override;
    bool WantsArrowKeys() override { return true; }
    // A typed value (hundredths of a space) for the current cell: the smallest twentieth of a
    // space that shows at least the value; a changed cell marks the library modified.
    void OnNumericValue(int value) override;
    // Opens the value popup on a cell (row: kind 0-2, column: class - 1).
    void EditCell(int row, int column);

    // What a cell shows of a stored value (hundredths) and what a typed value stores.
    static int Shown(int stored) { return stored * 100 / 20; }
    static std::int16_t Stored(int shown);

    std::int16_t row = 0;
    std::int16_t column = -1;
    CDlgGrid grid;
    std::uint8_t libraryMode = 0;
    SpacingTable* table = nullptr;
};
