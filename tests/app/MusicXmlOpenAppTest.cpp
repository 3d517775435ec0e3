// Opening a MusicXML file in the running program (the main frame's Open button, the file chosen
// in the open dialog): the file is imported into a new score window and File > Save As writes it
// as a score file that reads back; a damaged file is told, opens nothing and leaves the open
// score as it was.
#include <gtest/gtest.h>

#include <string>

#include "framework/CodePage.h"
#include "framework/File.h"
#include "framework/FileDialog.h"
#include "framework/Globals.h"
#include "framework/Menu.h"
#include "framework/MessageBox.h"
#include "framework/UiTest.h"
#include "model/Score.h"
#include "model/Titles.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "app/AppGlobals.h"
#include "chrome/MainToolBar.h"
#include "support/RunningApp.h"
#include "support/TempHome.h"
#include "support/TestData.h"

namespace {

constexpr UINT kFileOpen = 57601;
constexpr UINT kFileSaveAs = 57604;

// A click on the standard tool bar's button of the command; whether the bar has it.
bool ClickToolBarButton(UINT id) {
    CStdToolBtn* button = g_app.stdToolBar ? g_app.stdToolBar->FindButton(int(id)) : nullptr;
    if (!button) return false;
    RECT r;
    button->GetClientRect(&r);
    fw::uitest::Click(button, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return true;
}

std::string ReadFile(const std::string& path) {
    std::string bytes;
    fw::ReadWholeFile(path, bytes);
    return bytes;
}

class MusicXmlOpenApp : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::EnsureGraphics();
    }
    void TearDown() override { fw::ResetAllGlobals(); }
    testsupport::TempHome home;
    testsupport::TempDir dir;
};

TEST_F(MusicXmlOpenApp, FileOpenImportsTheFileAndSaveAsWritesAScoreThatReadsBack) {
    const std::string fixture = testsupport::TestDataPath("formats/musicxml/groups.xml");
    const std::string saved = dir.path() + "/groups.zel";
    const std::string damaged = dir.path() + "/damaged.xml";
    fw::WriteFileAtomic(damaged, std::string("<score-partwise><part-list></part-list>"));
    testsupport::RunningApp app;
    struct Seen {
        bool open = false;
        fw::MenuBarEntryState saveAs;
        int documents = 0, tracks = 0, bars = 0, documentsAfterDamaged = 0;
        std::string title, firstTrack, activeAfterDamaged, bytesBefore, bytesAfter;
        bool sameDocument = false;
        std::vector<std::string> boxes;
    } seen;
    app.whileRunning = [&] {
        auto* frame = static_cast<CFrameWnd*>(app.m_pMainWnd);
        fw::filedialogtest::Script dialogs;
        fw::msgboxtest::Capture boxes;
        dialogs.Answer(fw::FromUtf8(fixture));
        seen.open = ClickToolBarButton(kFileOpen);
        fw::uitest::RunUntilIdle();
        auto* doc = dynamic_cast<CZelDoc*>(app.GetActiveDocument());
        if (!doc) return;
        seen.documents = int(app.Documents().size());
        seen.title = fw::ToUtf8(doc->GetTitle());
        seen.tracks = doc->GetScore()->GetTrackCount();
        seen.bars = doc->GetScore()->GetBarCount();
        seen.firstTrack = fw::ToUtf8(doc->GetScore()->GetTrack(0)->GetFullName());
        dialogs.Answer(fw::FromUtf8(saved));
        seen.saveAs = fw::ChooseFromMenuBar(frame, kFileSaveAs);
        fw::uitest::RunUntilIdle();
        seen.bytesBefore = ReadFile(saved);
        // A damaged file: told, nothing opened, the open score as it was.
        dialogs.Answer(fw::FromUtf8(damaged));
        ClickToolBarButton(kFileOpen);
        fw::uitest::RunUntilIdle();
        seen.documentsAfterDamaged = int(app.Documents().size());
        seen.sameDocument = app.GetActiveDocument() == doc;
        for (const auto& box : boxes.shown()) seen.boxes.push_back(fw::ToUtf8(box.text));
        doc->OnSaveDocument(fw::FromUtf8(saved).c_str());
        seen.bytesAfter = ReadFile(saved);
    };
    fw::uitest::Session session;
    testsupport::RunProgram(app);
    ASSERT_TRUE(app.started);
    EXPECT_TRUE(seen.open);
    EXPECT_TRUE(seen.saveAs.found && seen.saveAs.enabled);
    ASSERT_GE(seen.documents, 1);
    EXPECT_EQ(seen.tracks, 4);
    EXPECT_EQ(seen.bars, 1);
    EXPECT_EQ(seen.firstTrack, "Flute");
    EXPECT_EQ(seen.title, "groups") << "the import is titled by its file";
    ASSERT_FALSE(seen.bytesBefore.empty());
    EXPECT_EQ(seen.documentsAfterDamaged, seen.documents) << "the damaged file opens nothing";
    EXPECT_TRUE(seen.sameDocument);
    ASSERT_EQ(seen.boxes.size(), 1u) << "the damaged file is told";
    EXPECT_NE(seen.boxes[0].find("damaged.xml"), std::string::npos) << seen.boxes[0];
    EXPECT_TRUE(seen.bytesAfter == seen.bytesBefore) << "the open score is as it was";
    // The saved score reads back.
    CZelDoc back;
    ASSERT_TRUE(back.OnOpenDocument(fw::FromUtf8(saved).c_str()));
    EXPECT_EQ(back.GetScore()->GetTrackCount(), 4);
}

}  // namespace
