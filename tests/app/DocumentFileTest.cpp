// Opening and saving documents with files built by the tests: the native round trip with the
// view state, dispatch by ending, result codes and their messages, read-only targets and failed
// writes, revert and autosave.
#include <gtest/gtest.h>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "framework/CodePage.h"
#include "framework/File.h"
#include "framework/FileDialog.h"
#include "framework/Globals.h"
#include "framework/Memory.h"
#include "framework/MessageBox.h"
#include "model/EditTask.h"
#include "model/NewScore.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/TaskMakers.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "support/TestData.h"
#include "platform/Port.h"
#include "support/TempHome.h"

namespace {

class NoPrinter : public PrinterSystem {
public:
    bool GetDefaultPrinter(std::vector<std::uint8_t>*, std::string*, std::string*, std::string*) override { return false; }
};

struct Env {
    testsupport::TempHome home;
    testsupport::TempDir dir;
    NoPrinter printer;
    PrinterSystem* before = nullptr;
    fw::msgboxtest::Capture boxes;
    // The importer a test puts in may capture its locals: the one found is put back.
    ScoreImporterFn importer = ScoreImporter();
    Env() {
        fw::ResetAllGlobals();
        before = SetPrinterSystem(&printer);
        RegisterTrackClass();
        RegisterNotationClasses();
        InitDrawing();
    }
    ~Env() {
        ScoreImporter() = importer;
        SetPrinterSystem(before);
        fw::ResetAllGlobals();
    }
    std::string path(const std::string& name) const { return dir.path() + "/" + name; }
    std::unique_ptr<CZelDoc> newDocument(int arrangement = 1) {
        auto doc = std::make_unique<CZelDoc>();
        NewScoreSettings settings;
        settings.arrangement = arrangement;
        EXPECT_TRUE(BuildNewScore(*doc->GetScore(), settings));
        doc->MakeCurrent();
        return doc;
    }
    std::string lastBox() const { return boxes.shown().empty() ? "" : fw::ToUtf8(boxes.shown().back().text); }
};

std::string fileText(const std::string& path) {
    std::string s;
    fw::ReadWholeFile(path, s);
    return s;
}

// The offset of the first byte that differs (-1: none).
long firstDifference(const std::string& x, const std::string& y) {
    const std::size_t n = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < n; ++i)
        if (x[i] != y[i]) return long(i);
    return x.size() == y.size() ? -1 : long(n);
}

void writeFile(const std::string& path, const std::string& bytes) {
    CFile f;
    ASSERT_TRUE(f.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary));
    f.Write(bytes.data(), UINT(bytes.size()));
    f.Close();
}

TEST(DocumentFileTest, ASavedScoreOpensAndSavesToTheSameBytesWithItsZoom) {
    Env env;
    auto first = env.newDocument(1);
    CScore& score = *first->GetScore();
    ASSERT_GT(score.GetLineCount(), 1);
    ASSERT_GT(score.GetLine(0)->GetBarCount(), 1) << "several bars per system";
    first->SetZoom(150, false);
    const RECT pageAt150 = score.GetPage(0)->GetPaperRect();
    const std::string a = env.path("a.zel"), b = env.path("b.zel");
    first->SetModified(true);
    ASSERT_TRUE(first->OnSaveDocument(a.c_str()));
    EXPECT_FALSE(first->IsModified());
    EXPECT_EQ(first->GetTitle(), "a");
    EXPECT_EQ(first->GetZoom(), 150) << "the view is back at 150 after the save";
    EXPECT_EQ(score.GetPage(0)->GetPaperRect().right, pageAt150.right);

    auto second = std::make_unique<CZelDoc>();
    ASSERT_TRUE(second->OnOpenDocument(a.c_str())) << env.lastBox();
    EXPECT_EQ(second->GetZoom(), 150) << "the file stores the user's zoom";
    EXPECT_EQ(second->GetPathName(), a);
    CScore& read = *second->GetScore();
    ASSERT_EQ(read.GetLineCount(), score.GetLineCount());
    for (int i = 0; i < score.GetLineCount(); ++i) {
        EXPECT_EQ(read.GetLine(i)->GetFirstBarIndex(), score.GetLine(i)->GetFirstBarIndex()) << "system " << i;
        EXPECT_EQ(read.GetLine(i)->GetBarCount(), score.GetLine(i)->GetBarCount()) << "system " << i;
    }
    ASSERT_TRUE(second->OnSaveDocument(b.c_str()));
    EXPECT_EQ(firstDifference(fileText(b), fileText(a)), -1);
}

TEST(DocumentFileTest, TheEndingChoosesTheReader) {
    Env env;
    std::vector<std::string> endings;
    ScoreImporter() = [&endings](const std::string& ending, CZelDoc& doc, CFile&) {
        endings.push_back(ending);
        NewScoreSettings settings;
        return BuildNewScore(*doc.GetScore(), settings) ? 0 : 100;
    };
    auto saved = env.newDocument(0);
    const std::string native = env.path("native.zel");
    ASSERT_TRUE(saved->OnSaveDocument(native.c_str()));
    const std::string bytes = fileText(native);

    struct Row {
        const char* name;
        const char* importer;  // null: the native reader
        const char* title;
    } rows[] = {
        {"Song.MID", ".mid", "Song"}, {"karaoke.kar", ".kar", "karaoke"}, {"old.Enc", ".enc", "old"},
        {"tune.mus", ".mus", "tune"}, {"part.xml", ".xml", "part"},      {"piece.etf", ".etf", "piece"},
        {"copy.zel", nullptr, nullptr}, {"copy.qnw", nullptr, nullptr}, {"noending", nullptr, nullptr},
    };
    for (const Row& r : rows) {
        endings.clear();
        writeFile(env.path(r.name), bytes);
        CZelDoc doc;
        EXPECT_TRUE(doc.OnOpenDocument(env.path(r.name).c_str())) << r.name << ": " << env.lastBox();
        if (r.importer) {
            EXPECT_EQ(endings, std::vector<std::string>{r.importer}) << r.name;
            EXPECT_EQ(std::string(doc.titles[0].lines[0].text), r.title) << r.name;
        } else {
            EXPECT_TRUE(endings.empty()) << r.name;
        }
    }
}

TEST(DocumentFileTest, ResultCodesReachTheUserInTheProgramsWords) {
    Env env;
    int answer = 0;
    bool build = false;
    ScoreImporter() = [&](const std::string&, CZelDoc& doc, CFile&) {
        if (build) BuildNewScore(*doc.GetScore(), NewScoreSettings{});
        return answer;
    };
    const std::string xml = env.path("in.xml");
    writeFile(xml, "<score/>");
    struct Row {
        int code;
        bool bars;
        bool opens;
        const char* message;  // UTF-8; null: no message
    } rows[] = {
        {0, true, true, nullptr},
        {1, false, false, nullptr},
        {100, false, false, "打开文档失败。"},
        {101, false, false, "文件格式不正确，无法打开。"},
        {103, false, false, "此琴谱由较新版本的程序保存，本版本无法打开。"},
        {105, false, false, "只有Encore 4.0， MusicTime 3.5或以上版本琴谱能被转换"},
        {-1, false, false, "内存不足。"},
        {42, false, false, "内存不足。"},
        {0, false, false, "文件格式不正确，无法打开。"},  // read without bars: refused
    };
    for (const Row& r : rows) {
        answer = r.code;
        build = r.bars;
        const std::size_t before = env.boxes.shown().size();
        CZelDoc doc;
        EXPECT_EQ(doc.OnOpenDocument(xml.c_str()), r.opens) << r.code;
        if (r.message) {
            ASSERT_EQ(env.boxes.shown().size(), before + 1) << r.code;
            EXPECT_EQ(env.lastBox().substr(0, std::string(r.message).size()), r.message) << r.code;
        } else {
            EXPECT_EQ(env.boxes.shown().size(), before) << r.code;
        }
    }

    // Native files: too short for a magic, or another magic, are not score files.
    for (const char* bytes : {"", "ZL", "ZLS", "RIFF0000"}) {
        const std::string p = env.path("bad.zel");
        writeFile(p, bytes);
        CZelDoc doc;
        EXPECT_FALSE(doc.OnOpenDocument(p.c_str())) << '"' << bytes << '"';
        EXPECT_EQ(doc.lastReadCode, 101) << '"' << bytes << '"';
    }

    // Damage the reader finds is a file it cannot read (101), a file that ends too early one it
    // could not open (100): neither is lack of memory.
    const struct {
        const char* fixture;
        int code;
    } damaged[] = {{"model/hostile/justify-heap-overflow.zel", 101},
                   {"model/hostile/legacy-short-trackbars.zel", 101},
                   {"model/hostile/truncated-abort.zel", 100},
                   // An older track bar whose records end early: damage, not lack of memory.
                   {"model/hostile/legacy-record-eof-reported-as-out-of-memory.zel", 101}};
    for (const auto& d : damaged) {
        const std::string p = testsupport::TestDataPath(d.fixture);
        const std::size_t before = env.boxes.shown().size();
        CZelDoc doc;
        EXPECT_FALSE(doc.OnOpenDocument(p.c_str())) << d.fixture;
        EXPECT_EQ(doc.lastReadCode, d.code) << d.fixture;
        EXPECT_EQ(env.boxes.shown().size(), before + 1) << d.fixture;
    }
}

TEST(DocumentFileTest, ReadOnlyTargetsAndFailedWritesLeaveTheFileAndTheFlag) {
    Env env;
    auto doc = env.newDocument(0);
    const std::string p = env.path("kept.zel");
    ASSERT_TRUE(doc->OnSaveDocument(p.c_str()));
    const std::string before = fileText(p);

    doc->titles[0].lines[0].text[0] = 'X';
    doc->SetModified(true);
    ::chmod(p.c_str(), 0444);
    EXPECT_FALSE(doc->OnSaveDocument(p.c_str()));
    EXPECT_EQ(env.lastBox(), "文件为只读，请\"另存为\"其他文件名。\n(" + p + ")");
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(fileText(p), before);

    ::chmod(p.c_str(), 0644);
    fw::memtest::FailAfter(0);
    EXPECT_FALSE(doc->OnSaveDocument(p.c_str()));
    fw::memtest::Reset();
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(fileText(p), before) << "the previous file stays whole";
    EXPECT_EQ(env.lastBox(), "保存文档失败。");
}

// Save asks the system whether this user may write the file itself: a folder anyone may write to
// would let the new file's rename replace another user's file.
TEST(DocumentFileTest, AFileThisUserMayNotWriteIsNeverReplaced) {
    Env env;
    auto doc = env.newDocument(0);
    const std::string p = env.path("theirs.zel");
    ASSERT_TRUE(doc->OnSaveDocument(p.c_str()));
    const std::string before = fileText(p);
    struct stat owner {};
    ASSERT_EQ(::stat(p.c_str(), &owner), 0);
    doc->titles[0].lines[0].text[0] = 'X';
    doc->SetModified(true);
    ASSERT_EQ(::chmod(env.dir.path().c_str(), 0777), 0);

    bool saved = true;
    if (::geteuid() == 0) {
        // The file stays the administrator's (0644); the program runs as another user.
        ASSERT_EQ(::chmod(p.c_str(), 0644), 0);
        ::setfsgid(65534);
        ::setfsuid(65534);
        ASSERT_EQ(::setfsuid(uid_t(-1)), uid_t(65534));
        saved = doc->OnSaveDocument(p.c_str());
        ::setfsuid(0);
        ::setfsgid(0);
    } else {
        // The owner may not write; the group may.
        ASSERT_EQ(::chmod(p.c_str(), 0464), 0);
        saved = doc->OnSaveDocument(p.c_str());
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(env.lastBox(), "文件为只读，请\"另存为\"其他文件名。\n(" + p + ")");
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(fileText(p) == before) << "the file keeps its bytes";
    struct stat after {};
    ASSERT_EQ(::stat(p.c_str(), &after), 0);
    EXPECT_EQ(after.st_uid, owner.st_uid);
    EXPECT_EQ(after.st_ino, owner.st_ino) << "the file was not replaced";
    ::chmod(p.c_str(), 0644);
}

// An operation that only sits in the undo list.
class Entry : public CScoreTask {};

TEST(DocumentFileTest, RevertReadsTheSavedFileOnlyWhenAskedAndWhenItReads) {
    Env env;
    auto doc = env.newDocument(1);
    const std::string p = env.path("rev.zel");
    ASSERT_TRUE(doc->OnSaveDocument(p.c_str()));
    const int bars = doc->GetScore()->GetBarCount();
    doc->GetScore()->AppendBar(false);
    doc->SetModified(true);
    auto* entry = new Entry;
    entry->Attach(doc.get(), 1);
    doc->PushUndo(entry);

    for (int answer : {IDNO, IDCANCEL}) {
        env.boxes.Answer(answer);
        EXPECT_FALSE(doc->Revert());
        EXPECT_EQ(doc->GetScore()->GetBarCount(), bars + 1);
        EXPECT_EQ(doc->GetUndoCount(), 1);
    }

    // A file that no longer reads: the score stays as it was and the failure is shown.
    writeFile(p, "ZLSC and nothing more");
    CScore* kept = doc->GetScore();
    env.boxes.Answer(IDYES);
    EXPECT_FALSE(doc->Revert());
    EXPECT_EQ(doc->GetScore(), kept);
    EXPECT_EQ(doc->GetScore()->GetBarCount(), bars + 1);
    EXPECT_EQ(doc->GetUndoCount(), 0);
    EXPECT_TRUE(doc->IsModified());

    // The saved file: read back, clean.
    ASSERT_TRUE(doc->OnSaveDocument(env.path("other.zel").c_str()));
    auto fresh = env.newDocument(1);
    ASSERT_TRUE(fresh->OnSaveDocument(p.c_str()));
    doc->SetPathName(p.c_str());
    doc->SetModified(true);
    env.boxes.Answer(IDYES);
    EXPECT_TRUE(doc->Revert()) << env.lastBox();
    EXPECT_EQ(doc->GetScore()->GetBarCount(), bars);
    EXPECT_FALSE(doc->IsModified());
}

// A revert whose file fails past its header leaves the document's share of the file as it was:
// the view's zoom and arrangement, the titles, the engraver settings and the font map that a
// later save writes.
TEST(DocumentFileTest, ARevertThatFailsInsideTheFileKeepsTheDocumentsOwnState) {
    Env env;
    auto doc = env.newDocument(1);
    doc->SetZoom(150, false);
    doc->SetArrangementMode(2);
    doc->titles[0].lines[0].text[0] = 'K';
    const std::string before = env.path("before.zel");
    ASSERT_TRUE(doc->OnSaveDocument(before.c_str()));

    // Another score, of other view settings, titles and engraver settings, cut inside its font map.
    auto other = env.newDocument(0);
    other->SetZoom(70, false);
    other->titles[0].lines[0].text[0] = 'D';
    other->engraver.SetWord(EngraverSettings::kBarsPerSystem, 7);
    const std::string damaged = env.path("damaged.zel");
    ASSERT_TRUE(other->OnSaveDocument(damaged.c_str()));
    std::string bytes = fileText(damaged);
    const std::size_t fontMapAt = bytes.rfind("FMAP");
    ASSERT_NE(fontMapAt, std::string::npos);
    ASSERT_GT(fontMapAt, ScoreFile::kHeaderLength);
    writeFile(damaged, bytes.substr(0, fontMapAt + 12));

    doc->SetPathName(damaged.c_str());
    doc->SetModified(true);
    env.boxes.Answer(IDYES);
    EXPECT_FALSE(doc->Revert());
    EXPECT_EQ(doc->GetZoom(), 150);
    EXPECT_EQ(doc->pageMode, 2);
    EXPECT_EQ(doc->titles[0].lines[0].text[0], 'K');
    EXPECT_TRUE(doc->IsModified());
    const std::string after = env.path("after.zel");
    ASSERT_TRUE(doc->OnSaveDocument(after.c_str()));
    EXPECT_EQ(firstDifference(fileText(after), fileText(before)), -1) << "a later save writes what was there";
}

TEST(DocumentFileTest, AutosaveWritesACopyAndTouchesNothingElse) {
    Env env;
    auto doc = env.newDocument(0);
    doc->SetTitle("Etude.zel");
    doc->SetPathName(env.path("Etude.zel").c_str(), false);
    doc->SetModified(true);
    ASSERT_TRUE(doc->Autosave());
    const std::string copy = env.home.data() + "/Harrowick/Zelmarin/Auto Save/Etude.zel";
    EXPECT_TRUE(std::filesystem::exists(copy));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(doc->GetPathName(), env.path("Etude.zel"));
    EXPECT_EQ(doc->GetTitle(), "Etude");
    EXPECT_FALSE(std::filesystem::exists(env.path("Etude.zel")));

    // A second document of the same title gets its own name.
    auto other = env.newDocument(0);
    other->SetTitle("Etude");
    EXPECT_TRUE(other->Autosave());
    EXPECT_TRUE(std::filesystem::exists(env.home.data() + "/Harrowick/Zelmarin/Auto Save/Etude (2).zel"));
    EXPECT_EQ(doc->AutosavePath(), fw::FromUtf8(copy));

    auto reader = std::make_unique<CZelDoc>();
    EXPECT_TRUE(reader->OnOpenDocument(copy.c_str()));
}

// File Save, Save As and the question before closing, each from a document in a given state,
// with the replies to the message box and the save dialog scripted.
TEST(DocumentFileTest, SaveSaveAsAndCloseFollowTheFilesKind) {
    enum Op { kSave, kSaveAs, kClose };
    struct Case {
        const char* name;
        const char* path;       // the document's path name (in the test's folder), "" none
        bool legacy;            // read from a legacy file: it needs a new name
        Op op;
        int box;                // the reply to the message box (0: none expected)
        const char* chosen;     // the save dialog's reply ("" cancel; nullptr: no dialog expected)
        bool result;
        const char* proposed;   // the name the dialog proposes
        const char* pathAfter;  // "" none
        bool written;           // the file under pathAfter was written
    };
    const Case cases[] = {
        {"a score file saves in place", "a.zel", false, kSave, 0, nullptr, true, "", "a.zel", true},
        {"a legacy file asks for a name", "old.zel", true, kSave, 0, "new.zel", true, "old.zel", "new.zel", true},
        {"a legacy file's name cancelled", "old.zel", true, kSave, 0, "", false, "old.zel", "old.zel", false},
        {"an import proposes .zel", "song.xml", false, kSaveAs, 0, "song.zel", true, "song.zel", "song.zel", true},
        {"an import's save cancelled keeps its path", "song.xml", false, kSaveAs, 0, "", false, "song.zel",
         "song.xml", false},
        {"an import saved by File Save asks too", "tune.MID", false, kSave, 0, "", false, "tune.zel", "tune.MID",
         false},
        {"an untitled score asks", "", false, kSave, 0, "first.zel", true, "无标题.zel", "first.zel", true},
        {"close, keep the changes", "a.zel", false, kClose, IDCANCEL, nullptr, false, "", "a.zel", false},
        {"close, drop the changes", "a.zel", false, kClose, IDNO, nullptr, true, "", "a.zel", false},
        {"close, save in place", "a.zel", false, kClose, IDYES, nullptr, true, "", "a.zel", true},
        {"close an import: saved as .zel", "song.xml", false, kClose, IDYES, "song.zel", true, "song.zel",
         "song.zel", true},
        {"close an import: cancelled keeps it open", "song.xml", false, kClose, IDYES, "", false, "song.zel",
         "song.xml", false},
        {"close an import without a dot: .zel appended", "dance", false, kClose, IDYES, "dance.zel", true,
         "dance.zel", "dance.zel", true},
        {"close an import, drop the changes", "song.xml", false, kClose, IDNO, nullptr, true, "", "song.xml",
         false},
    };
    for (const Case& c : cases) {
        Env env;
        fw::filedialogtest::Script dialogs;
        auto doc = env.newDocument(0);
        const std::string path = c.path[0] ? env.path(c.path) : "";
        if (!path.empty())
            doc->SetPathName(path.c_str());
        else
            doc->SetTitle(nullptr);  // as a new document is titled
        doc->loadedFromLegacy = c.legacy;
        doc->SetModified(true);
        if (c.box) env.boxes.Answer(c.box);
        if (c.chosen) {
            if (c.chosen[0])
                dialogs.Answer(env.path(c.chosen));
            else
                dialogs.Cancel();
        }
        const bool result = c.op == kSave ? doc->OnFileSave() : c.op == kSaveAs ? doc->OnFileSaveAs()
                                                                                 : doc->SaveModified();
        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_EQ(int(env.boxes.shown().size()), c.box ? 1 : 0) << c.name;
        ASSERT_EQ(dialogs.asked().size(), c.chosen ? 1u : 0u) << c.name;
        if (c.chosen) {
            const std::string asked = fw::ToUtf8(dialogs.asked()[0].fileName);
            EXPECT_EQ(asked, c.path[0] ? env.path(c.proposed) : std::string(c.proposed)) << c.name;
        }
        EXPECT_EQ(doc->GetPathName(), c.pathAfter[0] ? env.path(c.pathAfter) : "") << c.name;
        EXPECT_EQ(std::filesystem::exists(env.path(c.pathAfter)), c.written) << c.name;
        if (c.op != kClose) {
            EXPECT_FALSE(doc->loadedFromLegacy) << c.name << ": every save path clears the flag";
        }
        if (c.written) {
            EXPECT_FALSE(doc->IsModified()) << c.name;
        }
    }
}

}  // namespace
