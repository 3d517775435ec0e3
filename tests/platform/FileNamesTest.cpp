#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "framework/FileDialog.h"
#include "platform/FileNames.h"
#include "platform/PlatformGlobals.h"
#include "support/TempHome.h"

namespace {

namespace fs = std::filesystem;

void touch(const fs::path& p, const std::string& bytes = "x") { std::ofstream(p, std::ios::binary) << bytes; }

// Keeps the current directory and the platform globals of the process as they were.
struct FileSpecTest : ::testing::Test {
    testsupport::TempDir dir;
    fs::path savedCwd = fs::current_path();
    void SetUp() override {
        ResetPlatformGlobals();
        std::strcpy(g_platform.programFolder.path, dir.path().c_str());
    }
    void TearDown() override {
        fs::current_path(savedCwd);
        ResetPlatformGlobals();
    }
};

TEST(FileSpecText, SetExtension) {
    struct Case {
        const char* path;
        const char* ext;
        const char* want;
    } cases[] = {
        {"score.ZEL", "zel", "score.ZEL"},           // the same extension in other case stays
        {"score.mid", "zel", "score.mid.zel"},       // an imported format's name stays in the name
        {"score", ".zel", "score.zel"},
        {"score.abc", "zel", "score.zel"},           // any other extension of that length is replaced
        {"score.abc", ".zel", "score.zel"},
        {"Song.XML", "lib", "Song.XML.lib"},
        {"Song.Kar", "zel", "Song.Kar.zel"},
        {"score.ab", "zel", "score.ab.zel"},         // another length: appended
        {"dir.abc/score", "zel", "dir.abc/score.zel"},
        {"a.b.cde", "zel", "a.b.zel"},
        {"/s/Song-Flute", ".zel", "/s/Song-Flute.zel"},
        {"", "zel", ""},
        {"score", "", "score"},
        {"score", ".", "score"},
    };
    for (const Case& c : cases) {
        char path[FileSpec::kPathSize];
        std::strcpy(path, c.path);
        EXPECT_TRUE(FileSpec::SetExtension(path, c.ext));
        EXPECT_STREQ(path, c.want) << c.path << " + " << c.ext;
    }
    // A result that would not fit leaves the path as it was.
    char small[10] = "abcdefgh";
    EXPECT_FALSE(FileSpec::SetExtension(small, "zel", sizeof small));
    EXPECT_STREQ(small, "abcdefgh");
    char exact[10] = "abcd";
    EXPECT_TRUE(FileSpec::SetExtension(exact, "zel", sizeof exact));
    EXPECT_STREQ(exact, "abcd.zel");
}

TEST(FileSpecText, AppendFolderAndCutAt) {
    FileSpec r;
    std::strcpy(r.path, "/opt/zel");
    EXPECT_TRUE(FileSpec::AppendFolder(r, "Themes"));
    EXPECT_STREQ(r.path, "/opt/zel/Themes/");
    EXPECT_TRUE(FileSpec::AppendFolder(r, "Dark"));  // no second separator
    EXPECT_STREQ(r.path, "/opt/zel/Themes/Dark/");
    FileSpec empty;
    EXPECT_TRUE(FileSpec::AppendFolder(empty, "Library"));
    EXPECT_STREQ(empty.path, "Library/");  // stays relative
    FileSpec full;
    std::memset(full.path, 'a', sizeof full.path - 3);
    full.path[sizeof full.path - 3] = 0;
    EXPECT_FALSE(FileSpec::AppendFolder(full, "b"));
    EXPECT_EQ(std::strlen(full.path), sizeof full.path - 3);

    char text[64] = "Strings/Solo.zel.zel";
    FileSpec::CutAt(text, ".zel");
    EXPECT_STREQ(text, "Strings/Solo");
    FileSpec::CutAt(text, "none");
    EXPECT_STREQ(text, "Strings/Solo");
    // A match must start on a character, not on the trail byte of a double-byte one.
    char dbcs[16] = "\x81" "ab" "ab";
    FileSpec::CutAt(dbcs, "ab");
    EXPECT_STREQ(dbcs, "\x81" "ab");
}

TEST_F(FileSpecTest, FoldersUnderTheProgramFolder) {
    FileSpec copy;
    FileSpec::GetProgramFolder(copy);
    EXPECT_STREQ(copy.path, dir.path().c_str());

    EXPECT_TRUE(FileSpec::CreateFolder("Auto Save"));
    EXPECT_TRUE(fs::is_directory(dir.path() + "/Auto Save"));
    EXPECT_TRUE(FileSpec::CreateFolder("Auto Save"));  // already there

    FileSpec r;
    std::strcpy(r.name, "old");
    EXPECT_FALSE(r.EnterFolder("Templates", false));
    EXPECT_STREQ(r.path, dir.path().c_str());  // reset to the program folder
    EXPECT_STREQ(r.name, "");
    EXPECT_FALSE(fs::exists(dir.path() + "/Templates"));
    EXPECT_TRUE(r.EnterFolder("Templates", true));
    EXPECT_EQ(fs::current_path(), fs::path(dir.path() + "/Templates"));
    EXPECT_TRUE(r.EnterFolder((dir.path() + "/Auto Save").c_str(), false));  // absolute
    EXPECT_EQ(fs::current_path(), fs::path(dir.path() + "/Auto Save"));

    EXPECT_TRUE(g_platform.programFolder.MakeCurrentFolder());
    EXPECT_EQ(fs::current_path(), fs::path(dir.path()));
    FileSpec none;
    EXPECT_FALSE(none.MakeCurrentFolder());

    touch(dir.path() + "/old.tmp");
    fs::current_path("/");
    EXPECT_TRUE(FileSpec::DeleteInProgramFolder("old.tmp"));
    EXPECT_FALSE(fs::exists(dir.path() + "/old.tmp"));
    EXPECT_FALSE(FileSpec::DeleteInProgramFolder("old.tmp"));
    EXPECT_FALSE(FileSpec::DeleteInProgramFolder("Templates"));  // folders are not deleted
}

TEST_F(FileSpecTest, ProgramFolderSetUp) {
    SetUpProgramFolder();
    EXPECT_STRNE(g_platform.programFolder.path, "");
    EXPECT_TRUE(fs::is_directory(g_platform.programFolder.path));
    fs::current_path(dir.path());
    SetUpProgramFolderFromCurrentDirectory();
    EXPECT_EQ(fs::path(g_platform.programFolder.path), fs::current_path());
}

TEST_F(FileSpecTest, FindFirstAndNext) {
    fs::create_directories(dir.path() + "/Library/Sub");
    touch(dir.path() + "/Library/b.lib", "12345");
    touch(dir.path() + "/Library/A.LIB");
    touch(dir.path() + "/Library/c.txt");
    touch(dir.path() + "/Library/noext");
    FileSpec lib;
    FileSpec::GetProgramFolder(lib);
    ASSERT_TRUE(FileSpec::AppendFolder(lib, "Library"));

    FileFindData d;
    HFIND h = FileSpec::FindFirst(lib, "*.lib", &d);
    ASSERT_GT(h, 0);
    std::vector<std::string> names{d.cFileName};
    while (FileSpec::FindNext(h, &d)) names.push_back(d.cFileName);
    EXPECT_EQ(names, (std::vector<std::string>{"A.LIB", "b.lib"}));
    EXPECT_EQ(d.nFileSizeLow, 5u);
    EXPECT_TRUE(FileSpec::FindClose(h));
    EXPECT_FALSE(FileSpec::FindNext(h, &d));

    h = FileSpec::FindFirst(lib, "*.*", &d);
    ASSERT_GT(h, 0);
    int count = 1, folders = (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
    while (FileSpec::FindNext(h, &d)) {
        ++count;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ++folders;
    }
    FileSpec::FindClose(h);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(folders, 1);

    EXPECT_EQ(FileSpec::FindFirst(lib, "?.t*", &d) > 0, true);
    EXPECT_EQ(FileSpec::FindFirst(lib, "*.bmp", &d), kFindNothing);
    FileSpec missing;
    std::strcpy(missing.path, (dir.path() + "/nowhere").c_str());
    EXPECT_EQ(FileSpec::FindFirst(missing, "*.*", &d), 0);
}

TEST_F(FileSpecTest, DialogsFillTheRecord) {
    fw::filedialogtest::Script script;
    FileSpec r;
    std::strcpy(r.name, "Song.zel");
    std::strcpy(r.path, (dir.path() + "/Song.zel").c_str());

    script.Cancel();
    EXPECT_FALSE(FileSpec::AskSave(r, 0, 0, 0));
    EXPECT_STREQ(r.name, "Song.zel");

    const std::string chosen = dir.path() + "/Library/Strings.abc";
    script.Answer(chosen);
    EXPECT_TRUE(FileSpec::AskOpen(r, 0, 0, 0));
    EXPECT_STREQ(r.name, "Strings.abc");
    EXPECT_STREQ(r.path, chosen.c_str());

    // Every dialog started in the record's folder; the save dialog proposed its name.
    ASSERT_EQ(script.asked().size(), 2u);
    EXPECT_FALSE(script.asked()[0].open);
    EXPECT_EQ(script.asked()[0].fileName, "Song.zel");
    EXPECT_EQ(script.asked()[0].initialDir, dir.path());
    EXPECT_TRUE(script.asked()[1].open);
    EXPECT_TRUE(script.asked()[1].flags & OFN_FILEMUSTEXIST);

    // A path longer than the record holds is refused.
    script.Answer(dir.path() + "/" + std::string(300, 'x'));
    EXPECT_FALSE(FileSpec::AskOpen(r, 0, 0, 0));
    EXPECT_STREQ(r.name, "Strings.abc");
    // Nothing scripted: cancel, never a dialog.
    EXPECT_FALSE(FileSpec::AskOpen(r, 0, 0, 0));
}

TEST(FileDialogTest, HeadlessDialogCancelsAndNamesSplit) {
    CFileDialog dlg(true, nullptr, nullptr, OFN_FILEMUSTEXIST, "Scores (*.zel)|*.zel||");
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    fw::filedialogtest::Script script;
    script.Answer("/a/b.c/Song.Flute.zel");
    CFileDialog save(false, "zel", "Song");
    ASSERT_EQ(save.DoModal(), IDOK);
    EXPECT_EQ(save.GetPathName(), "/a/b.c/Song.Flute.zel");
    EXPECT_EQ(save.GetFileName(), "Song.Flute.zel");
    EXPECT_EQ(save.GetFileTitle(), "Song.Flute");
    EXPECT_EQ(save.GetFileExt(), "zel");
    script.Answer("/a/Untitled");  // a typed name without extension gets the default one
    ASSERT_EQ(save.DoModal(), IDOK);
    EXPECT_EQ(save.GetPathName(), "/a/Untitled.zel");
}

}  // namespace
