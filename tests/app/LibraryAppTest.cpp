// The user libraries in the running program (the real start-up in process, offscreen, a score
// with notes): File > Edit Library > spacing chosen from the menu bar opens the spacing dialog
// with the drawing zoom at 100, OK with "AutoSave" writes the library, Cancel takes the
// dialog's changes back; File > Load Library gives a spacing library's table to the score and
// tells the chord window and the score about a chord or guitar-frame library.
#include <gtest/gtest.h>

#include <signal.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/AppStandIns.h"
#include "app/MainFrame.h"
#include "app/ZelApp.h"
#include "framework/App.h"
#include "framework/CodePage.h"
#include "framework/Dialog.h"
#include "framework/FileDialog.h"
#include "framework/Globals.h"
#include "framework/Menu.h"
#include "framework/MessageBox.h"
#include "framework/UiTest.h"
#include "framework/View.h"
#include "model/AllotLib.h"
#include "model/ApplicationOps.h"
#include "model/DocumentStandIns.h"
#include "model/Preferences.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/LibraryStandIns.h"
#include "platform/PlatformGlobals.h"
#include "platform/Port.h"
#include "platform/RvqUtil.h"
#include "support/RunningApp.h"
#include "support/Bytes.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "view/ZelWnd.h"

namespace {

using testsupport::ReadBytes;
using testsupport::WriteBytes;

class LibraryAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::EnsureGraphics();
        ASSERT_TRUE(SaveRegDword("Preferences\\Auto Flags", "New Dialog", 0));
    }
    void TearDown() override {
        CurrentSpacingTable() = BuiltInSpacingTable();
        fw::ResetAllGlobals();
    }
    static void Run(const std::function<void(CFrameWnd*, CZelDoc*)>& body) { testsupport::RunOnScore(body); }
    void Choose(CFrameWnd* frame, UINT id) {
        fw::ChooseFromMenuBar(frame, id);
        fw::uitest::RunUntilIdle();
    }
    testsupport::TempHome home;
};

TEST_F(LibraryAppTest, EditLibrarySpacingSavesOnOkWithAutoSaveAndTakesCancelBack) {
    Run([this](CFrameWnd* frame, CZelDoc*) {
        ASSERT_NE(g_app.allotLib, nullptr);
        g_preferences.SetByte(Preferences::kLibraryAutoSave, 1);
        FileSpec& record = g_platform.libraryFiles.spacing;
        fw::CopyText(record.name, sizeof record.name, "Mine.lib");
        const std::string path = CLibrary::FolderPath() + "Mine.lib";
        GetArtist()->SetZoom(150);

        int zoom = 0;
        fw::uitest::OnNextModal([&zoom](CDialog& d) {
            zoom = GetArtist()->GetZoom();
            auto* dlg = dynamic_cast<CAllotDlg*>(&d);
            ASSERT_NE(dlg, nullptr);
            // 1.33 spaces typed for the plain quarter note.
            dlg->row = 0;
            dlg->column = 2;
            dlg->OnNumericValue(133);
            fw::uitest::ClickControl(&d, IDOK);
        });
        Choose(frame, 32810);
        ASSERT_FALSE(fw::uitest::ModalsRun().empty());
        EXPECT_EQ(fw::uitest::ModalsRun().back(), 201u);
        EXPECT_EQ(zoom, 100);
        EXPECT_EQ(GetArtist()->GetZoom(), 150);
        EXPECT_EQ(CurrentSpacingTable().values[2][0], 27);
        const std::vector<std::uint8_t> saved = ReadBytes(path);
        ASSERT_EQ(saved.size(), 4u + 2 + 12 + 64);
        EXPECT_EQ(saved[18 + 16], 27);
        EXPECT_FALSE(g_app.allotLib->IsModified());

        // Changed again and cancelled: the table and the library as before, the file as saved.
        fw::uitest::OnNextModal([](CDialog& d) {
            auto* dlg = dynamic_cast<CAllotDlg*>(&d);
            ASSERT_NE(dlg, nullptr);
            dlg->row = 1;
            dlg->column = 0;
            dlg->OnNumericValue(300);
            fw::uitest::ClickControl(&d, IDCANCEL);
        });
        Choose(frame, 32810);
        EXPECT_EQ(CurrentSpacingTable().values[0][1], 120);
        EXPECT_EQ(CurrentSpacingTable().values[2][0], 27);
        EXPECT_EQ(g_app.allotLib->First()->values[0][1], 120);
        EXPECT_FALSE(g_app.allotLib->IsModified());
        EXPECT_EQ(ReadBytes(path), saved);
    });
}

// Score > Note Spacing edits the score's own table: the dialog without the library's controls,
// one undoable step.
TEST_F(LibraryAppTest, NoteSpacingChangesTheScoresTableUndoably) {
    Run([this](CFrameWnd* frame, CZelDoc* doc) {
        const SpacingTable before = doc->spacing;
        fw::uitest::OnNextModal([](CDialog& d) {
            auto* dlg = dynamic_cast<CAllotDlg*>(&d);
            ASSERT_NE(dlg, nullptr);
            EXPECT_FALSE(d.GetDlgItem(CLibDlg::kSaveAs)->IsWindowVisible());
            dlg->row = 0;
            dlg->column = 2;
            dlg->OnNumericValue(133);
            fw::uitest::ClickControl(&d, IDOK);
        });
        Choose(frame, 33013);
        EXPECT_EQ(doc->spacing.values[2][0], 27);
        EXPECT_EQ(CurrentSpacingTable(), BuiltInSpacingTable());
        Choose(frame, 57643);  // Edit > Undo
        EXPECT_EQ(doc->spacing, before);
    });
}

TEST_F(LibraryAppTest, LoadLibraryGivesTheSpacingToTheScoreAndTellsTheChordWindowAndTheScore) {
    Run([this](CFrameWnd* frame, CZelDoc* doc) {
        // A spacing library whose plain quarter note is 3 spaces.
        CurrentSpacingTable().values[2][0] = 60;
        SpacingTable wide = BuiltInSpacingTable();
        wide.values[2][0] = 60;
        CAllotLib source;
        source.ReplaceItem(0, &wide);
        CurrentSpacingTable() = wide;
        FileSpec spacingFile;
        fw::CopyText(spacingFile.name, sizeof spacingFile.name, "Wide.lib");
        ASSERT_TRUE(source.Save(spacingFile, false));
        CurrentSpacingTable() = BuiltInSpacingTable();
        doc->spacing = BuiltInSpacingTable();

        // A chord library and a guitar-frame library: their tags and empty entry blocks.
        auto library = [](const char* tag, const char* name, int entrySize) {
            std::vector<std::uint8_t> b(tag, tag + 4);
            b.insert(b.end(), {16, 0, 'A', 'R', 'R', 'Y', std::uint8_t(entrySize), 0, 0, 0, 0, 0, 0, 0});
            const std::string path = CLibrary::FolderPath() + name;
            WriteBytes(path, b);
            return path;
        };
        const std::string chordFile = library("ZCSL", "Chords.lib", CChordLib::kEntrySize);
        const std::string guitarFile = library("ZLGU", "Frames.lib", CGuitarLib::kEntrySize);

        std::vector<int> toDocument, chordWindow;
        AppOps().commandObserver = [&toDocument](int id) { toDocument.push_back(id); };
        DocumentHintTargets()[0] = [&chordWindow](int code) { chordWindow.push_back(code); };
        fw::filedialogtest::Script files;

        files.Answer(spacingFile.path);
        Choose(frame, 32801);
        EXPECT_EQ(doc->spacing.values[2][0], 60);
        EXPECT_EQ(CurrentSpacingTable().values[2][0], 60);
        EXPECT_STREQ(g_platform.libraryFiles.spacing.name, "Wide.lib");
        ASSERT_FALSE(files.asked().empty());
        EXPECT_EQ(fw::ToUtf8(files.asked().back().initialDir), fw::ToUtf8(CLibrary::FolderPath()));

        toDocument.clear();
        files.Answer(chordFile);
        Choose(frame, 32801);
        EXPECT_EQ(chordWindow, std::vector<int>{4332});
        EXPECT_EQ(toDocument, std::vector<int>{33012});
        EXPECT_STREQ(g_platform.libraryFiles.chord.name, "Chords.lib");

        toDocument.clear();
        chordWindow.clear();
        files.Answer(guitarFile);
        Choose(frame, 32801);
        EXPECT_TRUE(chordWindow.empty());
        EXPECT_EQ(toDocument, std::vector<int>{33012});

        // Not a library: alert 10008, nothing loaded.
        const std::string other = CLibrary::FolderPath() + "Other.lib";
        WriteBytes(other, {'N', 'O', 'P', 'E', 16, 0});
        fw::msgboxtest::Capture boxes;
        toDocument.clear();
        files.Answer(other);
        Choose(frame, 32801);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(fw::ToUtf8(boxes.shown()[0].text), "指定的文件不是 Zelmarin 库。");
        EXPECT_TRUE(toDocument.empty());
        AppOps().commandObserver = nullptr;
        DocumentHintTargets()[0] = nullptr;
    });
}

}  // namespace
