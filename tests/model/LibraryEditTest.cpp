// The user libraries' file and edit cycle with the spacing library: the file's bytes, a file of
// another kind refused, any version read as the library's own, the entry operations that mark
// the library changed, a copy put back, opening by name (the user's folder before the
// installed one), and the library dialog: OK, Cancel, Save, Save As, "AutoSave", the zoom.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "framework/Clock.h"
#include "framework/CodePage.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/FileDialog.h"
#include "framework/Globals.h"
#include "framework/MessageBox.h"
#include "framework/Paths.h"
#include "framework/UiTest.h"
#include "model/AllotLib.h"
#include "model/AllotmentTask.h"
#include "model/DocLayoutPasses.h"
#include "model/Preferences.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/FileNames.h"
#include "platform/FontLib.h"
#include "platform/LibraryStandIns.h"
#include "platform/PlatformGlobals.h"
#include "platform/Port.h"
#include "support/Bytes.h"
#include "support/TempHome.h"

namespace {

namespace ui = fw::uitest;

using testsupport::ReadBytes;
using testsupport::WriteBytes;

bool Exists(const std::string& path) { return std::ifstream(fw::ToUtf8(path)).good(); }

FileSpec Record(const std::string& path, const char* name = "") {
    FileSpec r;
    fw::CopyText(r.path, sizeof r.path, path);
    fw::CopyText(r.name, sizeof r.name, name);
    return r;
}

// A spacing table whose plain quarter note is `quarter`.
SpacingTable WithQuarter(int quarter) {
    SpacingTable t = BuiltInSpacingTable();
    t.values[2][0] = std::int16_t(quarter);
    return t;
}

class LibraryEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        InitDrawing();
        fw::clocktest::SetManual(1000);
        CurrentSpacingTable() = BuiltInSpacingTable();
        FileSpec::CreateFolder(CLibrary::FolderPath().c_str());
    }
    void TearDown() override {
        session.reset();
        fw::clocktest::Reset();
        CurrentSpacingTable() = BuiltInSpacingTable();
        fw::ResetAllGlobals();
    }
    std::string UserFile(const char* name) { return CLibrary::FolderPath() + name; }

    // Runs the spacing library's edit with `step` answering its dialog.
    void Edit(CAllotLib& lib, std::function<void(CAllotDlg&)> step) {
        if (!session) session = std::make_unique<ui::Session>();
        ui::OnNextModal([step](CDialog& d) {
            auto* dlg = dynamic_cast<CAllotDlg*>(&d);
            ASSERT_NE(dlg, nullptr);
            step(*dlg);
        });
        lib.Edit();
        ui::RunUntilIdle();
    }
    // A typed value for a cell, as the value field hands it over.
    static void Type(CAllotDlg& d, int row, int column, int hundredths) {
        d.row = std::int16_t(row);
        d.column = std::int16_t(column);
        d.OnNumericValue(hundredths);
    }

    testsupport::TempHome home;
    std::unique_ptr<ui::Session> session;
};

TEST_F(LibraryEditTest, ASpacingLibraryOfTwoEntriesIsWrittenAs146Bytes) {
    CAllotLib lib;
    const SpacingTable second = WithQuarter(61);
    lib.AddItem(&second);
    FileSpec record = Record("", "two.lib");
    ASSERT_TRUE(lib.Save(record, false));
    EXPECT_EQ(fw::ToUtf8(record.path), fw::ToUtf8(UserFile("two.lib")));
    const std::vector<std::uint8_t> bytes = ReadBytes(record.path);
    ASSERT_EQ(bytes.size(), 146u);
    const std::uint8_t head[] = {'Z', 'A', 'T', 'L', 0x10, 0, 'A', 'R', 'R', 'Y', 0x40, 0, 2, 0, 0x80, 0, 0, 0};
    EXPECT_TRUE(std::equal(std::begin(head), std::end(head), bytes.begin()));
    // The plain quarter note of each entry, little-endian (the first entry is the current table).
    EXPECT_EQ(bytes[18 + 16] | bytes[18 + 17] << 8, 60);
    EXPECT_EQ(bytes[18 + 64 + 16] | bytes[18 + 64 + 17] << 8, 61);
    EXPECT_FALSE(lib.IsModified());

    // Read back: the first entry becomes the current table.
    CurrentSpacingTable() = WithQuarter(10);
    CAllotLib back;
    ASSERT_TRUE(back.Load(record));
    EXPECT_EQ(back.GetCount(), 2);
    EXPECT_EQ(CurrentSpacingTable(), BuiltInSpacingTable());
}

TEST_F(LibraryEditTest, AnyVersionReadsAsTheLibrarysOwnAndAFileOfAnotherKindOrShapeIsRefused) {
    CurrentSpacingTable() = WithQuarter(77);
    CAllotLib source;
    FileSpec record = Record("", "s.lib");
    ASSERT_TRUE(source.Save(record, false));
    const std::vector<std::uint8_t> good = ReadBytes(record.path);
    CurrentSpacingTable() = BuiltInSpacingTable();

    auto with = [&](std::function<void(std::vector<std::uint8_t>&)> change) {
        std::vector<std::uint8_t> b = good;
        change(b);
        return b;
    };
    struct Row {
        const char* why;
        std::vector<std::uint8_t> bytes;
        bool loads;
    } rows[] = {
        {"version 17", with([](auto& b) { b[4] = 17; }), true},
        {"version 2", with([](auto& b) { b[4] = 2; }), true},
        {"no entry", with([](auto& b) { b[12] = 0, b[14] = 0, b.resize(18); }), false},
        {"entries of another size", with([](auto& b) { b[10] = 32, b[12] = 2; }), false},
        {"cut inside its entries", with([](auto& b) { b.resize(60); }), false},
        {"only a header", with([](auto& b) { b.resize(6); }), false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.why);
        WriteBytes(record.path, r.bytes);
        CAllotLib lib;
        const SpacingTable other = WithQuarter(99);
        lib.AddItem(&other);
        EXPECT_EQ(lib.Load(record), r.loads);
        EXPECT_EQ(lib.GetVersion(), 16);
        EXPECT_EQ(lib.GetCount(), r.loads ? 1 : 2);
        EXPECT_EQ(CurrentSpacingTable().values[2][0], r.loads ? 77 : 60);
        CurrentSpacingTable() = BuiltInSpacingTable();
        // The next save writes version 16.
        FileSpec again = Record("", "again.lib");
        ASSERT_TRUE(lib.Save(again, false));
        EXPECT_EQ(ReadBytes(again.path)[4], 16);
    }

    // A spacing file given to the chord library: message 10011, the chord entries as they were.
    WriteBytes(record.path, good);
    CChordLib chords;
    std::uint8_t entry[CChordLib::kEntrySize] = {7};
    chords.AddItem(entry);
    fw::msgboxtest::Capture boxes;
    EXPECT_FALSE(chords.Load(record));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(fw::ToUtf8(boxes.shown()[0].text).rfind("指定的库类型不对。", 0), 0u);
    EXPECT_EQ(boxes.shown()[0].type & MB_ICONEXCLAMATION, UINT(MB_ICONEXCLAMATION));
    ASSERT_EQ(chords.GetCount(), 1);
    EXPECT_EQ(static_cast<std::uint8_t*>(chords.GetItem(0))[0], 7);
}

TEST_F(LibraryEditTest, TheEntryOperationsThatChangeEntriesMarkTheLibrary) {
    const SpacingTable t = WithQuarter(50);
    struct Row {
        const char* what;
        std::function<void(CAllotLib&)> run;
        bool marks;
        int count;  // entries afterwards (one to begin with)
    } rows[] = {
        {"AddItem", [&](CAllotLib& l) { l.AddItem(&t); }, false, 2},
        {"SetItemSize", [](CAllotLib& l) { l.SetItemSize(SpacingTable::kBytes); }, false, 1},
        {"InsertItem", [&](CAllotLib& l) { l.InsertItem(0, &t); }, true, 2},
        {"InsertEmptyItem", [](CAllotLib& l) { l.InsertEmptyItem(1); }, true, 2},
        {"RemoveItem", [](CAllotLib& l) { l.RemoveItem(0); }, true, 0},
        {"ReplaceItem", [&](CAllotLib& l) { l.ReplaceItem(0, &t); }, true, 1},
        {"ReplaceItem with its own entry", [](CAllotLib& l) { l.ReplaceItem(0, l.GetItem(0)); }, true, 1},
        {"RemoveAllItems", [](CAllotLib& l) { l.RemoveAllItems(); }, true, 0},
        {"RemoveItem past the entries", [](CAllotLib& l) { l.RemoveItem(1); }, false, 1},
        {"InsertItem past the entries", [&](CAllotLib& l) { l.InsertItem(3, &t); }, false, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        CAllotLib lib;
        r.run(lib);
        EXPECT_EQ(lib.IsModified(), r.marks);
        EXPECT_EQ(lib.GetCount(), r.count);
    }
    CAllotLib lib;
    lib.ReplaceItem(0, &t);
    EXPECT_EQ(lib.First()->values[2][0], 50);
    SpacingTable out;
    EXPECT_TRUE(lib.CopyItem(0, &out));
    EXPECT_EQ(out, t);
    EXPECT_FALSE(lib.CopyItem(1, &out));
}

TEST_F(LibraryEditTest, ACopyPutBackRestoresTheEntriesAndTheFontTable) {
    CAllotLib lib;
    std::unique_ptr<CLibrary> copy = lib.Clone();
    ASSERT_NE(copy, nullptr);
    const SpacingTable t = WithQuarter(50);
    lib.ReplaceItem(0, &t);
    lib.AddItem(&t);
    ASSERT_TRUE(copy->CopyTo(lib));
    EXPECT_EQ(lib.GetCount(), 1);
    EXPECT_EQ(*lib.First(), BuiltInSpacingTable());
    EXPECT_FALSE(lib.IsModified());
    // Another kind is not a copy's destination.
    CChordLib chords;
    EXPECT_FALSE(copy->CopyTo(chords));

    // The symbol-map library's slots and font table.
    CFontLib map;
    FontRef ref{3, 12, 0, 0};
    {
        fw::ScopedGlobal<bool> saving(g_draw.fontsForSave, true);
        map.GetFontTable()->ResolveFont(&ref);
    }
    std::unique_ptr<CLibrary> mapCopy = map.Clone();
    ASSERT_NE(mapCopy, nullptr);
    const int fonts = map.GetFontTable()->GetCount();
    ASSERT_GT(fonts, 0);
    map.Slots()['A'].character = 'Z';
    map.GetFontTable()->RemoveAll();
    map.defaultSize = 99;
    ASSERT_TRUE(mapCopy->CopyTo(map));
    EXPECT_EQ(map.Slots()['A'].character, 0);
    EXPECT_EQ(map.GetFontTable()->GetCount(), fonts);
    EXPECT_NE(map.defaultSize, 99);
}

TEST_F(LibraryEditTest, OpeningByNameReadsTheUsersFolderBeforeTheInstalledOne) {
    testsupport::TempDir installed;
    fw::CopyText(g_platform.programFolder.path, sizeof g_platform.programFolder.path, fw::FromUtf8(installed.path()));
    ASSERT_TRUE(FileSpec::CreateFolder(CLibrary::InstalledFolderPath().c_str()));
    auto write = [](const std::string& path, int quarter) {
        CurrentSpacingTable() = WithQuarter(quarter);
        CAllotLib lib;
        // Written through the library into the user's folder, then moved where wanted.
        FileSpec tmp = Record("", "tmp.lib");
        ASSERT_TRUE(lib.Save(tmp, false));
        WriteBytes(path, ReadBytes(tmp.path));
        std::remove(fw::ToUtf8(tmp.path).c_str());
    };
    write(CLibrary::InstalledFolderPath() + "Wide.lib", 90);
    CurrentSpacingTable() = BuiltInSpacingTable();

    CAllotLib lib;
    FileSpec record;
    lib.Open(record, "Wide");
    EXPECT_STREQ(record.name, "Wide");
    EXPECT_EQ(fw::ToUtf8(record.path), fw::ToUtf8(CLibrary::InstalledFolderPath() + "Wide.lib"));
    EXPECT_EQ(CurrentSpacingTable().values[2][0], 90);

    write(UserFile("Wide.lib"), 95);
    CurrentSpacingTable() = BuiltInSpacingTable();
    lib.Open(record, "Wide");
    EXPECT_EQ(fw::ToUtf8(record.path), fw::ToUtf8(UserFile("Wide.lib")));
    EXPECT_EQ(CurrentSpacingTable().values[2][0], 95);

    // A missing file leaves the record without a name: the next save asks for one.
    lib.Open(record, "Missing");
    EXPECT_STREQ(record.name, "");
    EXPECT_EQ(CurrentSpacingTable().values[2][0], 95);
    fw::filedialogtest::Script files;
    EXPECT_FALSE(lib.Save(record, false));
    ASSERT_EQ(files.asked().size(), 1u);
    EXPECT_FALSE(files.asked()[0].open);

    // The start-up load takes the preferences' name.
    g_preferences.SetText(Preferences::kLibraryNames, "Wide");
    CurrentSpacingTable() = BuiltInSpacingTable();
    CAllotLib started;
    started.LoadDefault();
    EXPECT_STREQ(g_platform.libraryFiles.spacing.name, "Wide");
    EXPECT_EQ(CurrentSpacingTable().values[2][0], 95);
}

TEST_F(LibraryEditTest, OkSavesAChangedLibraryOnlyWithAutoSave) {
    const struct {
        bool change, autoSave, written;
    } rows[] = {{false, true, false}, {true, false, false}, {true, true, true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << "change " << r.change << " auto-save " << r.autoSave);
        g_preferences.SetByte(Preferences::kLibraryAutoSave, r.autoSave);
        CAllotLib lib;
        FileSpec& record = g_platform.libraryFiles.spacing;
        record = Record("", "Kept.lib");
        ASSERT_TRUE(lib.Save(record, false));
        const std::vector<std::uint8_t> before = ReadBytes(record.path);
        Edit(lib, [&](CAllotDlg& d) {
            if (r.change) Type(d, 0, 2, 133);
            ui::ClickControl(&d, IDOK);
        });
        // The library and the current table keep the change for the rest of the run.
        EXPECT_EQ(CurrentSpacingTable().values[2][0], r.change ? 27 : 60);
        const std::vector<std::uint8_t> after = ReadBytes(record.path);
        if (r.written) {
            EXPECT_EQ(after[18 + 16], 27);
            EXPECT_FALSE(lib.IsModified());
        } else {
            EXPECT_EQ(after, before);
            EXPECT_EQ(lib.IsModified(), r.change);
        }
        CurrentSpacingTable() = BuiltInSpacingTable();
    }
}

TEST_F(LibraryEditTest, CancelAfterSaveAsPutsTheLibraryBackAndKeepsTheNewFile) {
    g_preferences.SetByte(Preferences::kLibraryAutoSave, 1);
    CAllotLib lib;
    g_platform.libraryFiles.spacing = Record("", "Old.lib");
    ASSERT_TRUE(lib.Save(g_platform.libraryFiles.spacing, false));
    const std::string chosen = UserFile("New.lib");
    fw::filedialogtest::Script files;
    files.Answer(chosen);
    std::string shownName;
    Edit(lib, [&](CAllotDlg& d) {
        Type(d, 0, 2, 133);
        EXPECT_TRUE(lib.IsModified());
        ui::ClickControl(&d, CLibDlg::kSaveAs);
        ui::Call([&] {
            char text[64];
            d.GetText(CAllotDlg::kName, text);
            shownName = text;
            EXPECT_FALSE(lib.IsModified());
        });
        ui::ClickControl(&d, IDCANCEL);
    });
    EXPECT_EQ(shownName, "New.lib");
    EXPECT_EQ(CurrentSpacingTable(), BuiltInSpacingTable());
    EXPECT_EQ(*lib.First(), BuiltInSpacingTable());
    EXPECT_STREQ(g_platform.libraryFiles.spacing.name, "New.lib");
    EXPECT_EQ(ReadBytes(chosen)[18 + 16], 27);
    EXPECT_EQ(ReadBytes(UserFile("Old.lib"))[18 + 16], 60);
}

TEST_F(LibraryEditTest, SaveIsEnabledOnlyWithANameAndTheZoomIs100Meanwhile) {
    GetArtist()->SetZoom(200);
    for (const char* name : {"", "Named.lib"}) {
        SCOPED_TRACE(name);
        CAllotLib lib;
        g_platform.libraryFiles.spacing = Record(name[0] ? UserFile(name) : "", name);
        int zoom = 0;
        bool saveEnabled = true, nameShown = false;
        Edit(lib, [&](CAllotDlg& d) {
            zoom = GetArtist()->GetZoom();
            d.OnTick();
            saveEnabled = d.GetDlgItem(CLibDlg::kSave)->IsWindowEnabled();
            char text[64];
            d.GetText(CAllotDlg::kName, text);
            nameShown = std::string(text) == name;
            ui::ClickControl(&d, IDCANCEL);
        });
        EXPECT_EQ(zoom, 100);
        EXPECT_EQ(saveEnabled, name[0] != 0);
        EXPECT_TRUE(nameShown);
        EXPECT_EQ(GetArtist()->GetZoom(), 200);
    }
    // Save without a name asks for one; cancelled, nothing is written and the dialog stays.
    CAllotLib lib;
    g_platform.libraryFiles.spacing = Record("", "");
    fw::filedialogtest::Script files;
    files.Cancel();
    Edit(lib, [&](CAllotDlg& d) {
        ui::ClickControl(&d, CLibDlg::kSave);
        ui::Call([&] { EXPECT_TRUE(d.IsWindowVisible()); });
        ui::ClickControl(&d, IDCANCEL);
    });
    EXPECT_EQ(files.asked().size(), 1u);
}

TEST_F(LibraryEditTest, TypedValuesAndArrowKeysInTheSpacingGrid) {
    // A typed value stores the smallest twentieth that shows at least what was typed.
    const struct {
        int typed, stored;
    } values[] = {{133, 27}, {25, 5}, {1600, 320}, {101, 21}, {100, 20}};
    for (const auto& v : values) EXPECT_EQ(CAllotDlg::Stored(v.typed), v.stored) << v.typed;
    EXPECT_EQ(CAllotDlg::Shown(27), 135);

    CAllotLib lib;
    struct Move {
        int row, column;
        UINT key;
        int toRow, toColumn;
    } moves[] = {
        {2, 6, 29, 0, 0},  // right on the triplet row's last class: the plain row's first
        {0, 0, 28, 0, 6},  // left on the plain row's first class: its last class
        {1, 0, 28, 0, 6},  // left on the dotted row's first class: the plain row's last
        {0, 3, 30, 0, 3},  // up on the plain row stays
        {2, 3, 31, 2, 3},  // down on the triplet row stays
        {0, 3, 31, 1, 3},
    };
    Edit(lib, [&](CAllotDlg& d) {
        for (const Move& m : moves) {
            d.row = std::int16_t(m.row);
            d.column = std::int16_t(m.column);
            EXPECT_TRUE(d.OnKey(m.key, 0));
            d.EndNumericEntry();
            EXPECT_EQ(d.row, m.toRow) << m.row << "," << m.column << " key " << m.key;
            EXPECT_EQ(d.column, m.toColumn) << m.row << "," << m.column << " key " << m.key;
        }
        EXPECT_FALSE(d.OnKey('a', 0));
        // A value typed into the popup of the dotted eighth.
        d.EditCell(1, 3);
        ui::Type(&d, "1.33");
        ui::Key(&d, VK_RETURN);
        ui::ClickControl(&d, IDOK);
    });
    EXPECT_EQ(CurrentSpacingTable().values[3][1], 27);
    EXPECT_TRUE(lib.IsModified());
}

// The document's spacing edit: the dialog without the library's controls; Cancel puts the table
// back and nothing runs; OK lays the score out again, and undo and redo swap the table.
TEST_F(LibraryEditTest, TheDocumentsSpacingEditIsOneUndoableLayoutChange) {
    struct Passes : DocLayoutPasses {
        int runs = 0;
        bool RespaceAllBars(CZelDoc*) override { return ++runs, true; }
        bool RejustifyAllSystems(CZelDoc*) override { return ++runs, true; }
        bool LayoutAllPages(CZelDoc*) override { return ++runs, true; }
    } passes;
    SetDocLayoutPasses(&passes);
    SpacingTable table = BuiltInSpacingTable();
    session = std::make_unique<ui::Session>();
    for (int button : {IDCANCEL, IDOK}) {
        CAllotmentTask task(table);
        bool hidden = false;
        ui::OnNextModal([&](CDialog& d) {
            auto& dlg = dynamic_cast<CAllotDlg&>(d);
            hidden = !d.GetDlgItem(CLibDlg::kSave)->IsWindowVisible() &&
                     !d.GetDlgItem(CLibDlg::kSaveAs)->IsWindowVisible() &&
                     !d.GetDlgItem(CAllotDlg::kName)->IsWindowVisible();
            Type(dlg, 0, 2, 133);
            ui::ClickControl(&d, button);
        });
        EXPECT_EQ(task.Prepare(), button == IDOK);
        EXPECT_TRUE(hidden);
        if (button == IDCANCEL) {
            EXPECT_EQ(table, BuiltInSpacingTable());
            continue;
        }
        EXPECT_EQ(table.values[2][0], 27);
        ASSERT_TRUE(task.Perform());
        EXPECT_EQ(passes.runs, 3);
        EXPECT_EQ(task.layoutChanged, 1);
        task.SwapSnapshot();  // undo
        EXPECT_EQ(table, BuiltInSpacingTable());
        task.SwapSnapshot();  // redo
        EXPECT_EQ(table.values[2][0], 27);
    }
    SetDocLayoutPasses(nullptr);
}

}  // namespace
