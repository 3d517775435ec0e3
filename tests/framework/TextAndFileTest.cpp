#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <vector>

#include "framework/Arith.h"
#include "framework/CodePage.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/String.h"
#include "framework/StringTable.h"
#include "support/TempHome.h"

namespace {

TEST(MulDivTest, RoundsHalvesAwayFromZero) {
    struct Case {
        int a, b, c, want;
    } cases[] = {
        {5, 1, 2, 3},   {-5, 1, 2, -3}, {5, -1, 2, -3}, {7, 3, 2, 11}, {10, 3, 4, 8},
        {1, 1, 0, -1},  {100, 60, 1000, 6}, {0x40000000, 4, 2, -1},  // overflow
        {-7, 1, 3, -2}, {2000000000, 3, 3, 2000000000},
    };
    for (const auto& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.want) << c.a << "*" << c.b << "/" << c.c;
}

TEST(CodePageTest, RoundTripsChineseText) {
    const std::string utf8 = "\xE6\xA0\x87\xE9\xA2\x98";  // 标题
    std::string cp = fw::FromUtf8(utf8);
    EXPECT_EQ(cp, "\xB1\xEA\xCC\xE2");
    EXPECT_EQ(fw::ToUtf8(cp), utf8);
    EXPECT_EQ(fw::FromUtf8("abc"), "abc");
    EXPECT_EQ(fw::FromUtf8("a\xF0\x9F\x98\x80"), "a?");  // an emoji is not in the code page
    EXPECT_EQ(fw::ToUtf8("\x80"), "\xE2\x82\xAC");       // the euro sign
    EXPECT_EQ(fw::ToUtf8("a\x81"), "a\xEF\xBF\xBD");  // a lead byte without its trail byte
    // 0xFF, which the code page leaves unused, holds the no-break space both ways.
    EXPECT_EQ(fw::ToUtf8("a\xFF" "b\xFF"), "a\xC2\xA0" "b\xC2\xA0");
    EXPECT_EQ(fw::FromUtf8("\xC2\xA0" "x\xC2\xA0\xE4\xBD\xA0"), "\xFF" "x\xFF\xC4\xE3");
}

TEST(CodePageTest, CutsNeverSplitDoubleByteCharacters) {
    const std::string text = "a\xB1\xEA\xCC\xE2";  // a + two double-byte characters
    EXPECT_EQ(fw::FitBytes(text, 5), 5u);
    EXPECT_EQ(fw::FitBytes(text, 4), 3u);
    EXPECT_EQ(fw::FitBytes(text, 2), 1u);
    char buf[4];
    EXPECT_EQ(fw::CopyText(buf, sizeof buf, text), 3u);
    EXPECT_STREQ(buf, "a\xB1\xEA");
    EXPECT_EQ(fw::CharBytes("\xB1\xEA"), 2u);
    EXPECT_EQ(fw::CharBytes("\xB1"), 1u);
    EXPECT_EQ(fw::CharBytes(""), 0u);
}

TEST(CStringTest, FindAndCaseSkipTrailBytes) {
    // 0x5C ('\') can be the trail byte of a double-byte character.
    CString s("\x81\x5C" "a\\b");
    EXPECT_EQ(s.Find('\\'), 3);
    EXPECT_EQ(s.ReverseFind('\\'), 3);
    CString t("\x81\x41Z");
    t.MakeLower();
    EXPECT_EQ(t, "\x81\x41z");
    CString f;
    f.Format("%d-%s", 12, "x");
    EXPECT_EQ(f, "12-x");
    EXPECT_EQ(CString("hello").Mid(1, 3), "ell");
    EXPECT_EQ(CString("hello").Right(2), "lo");
}

TEST(FileTest, WritesReadsSeeksAndReportsMissingFiles) {
    testsupport::TempDir dir;
    std::string path = fw::FromUtf8(dir.path() + "/\xE6\xA0\x87.bin");
    {
        CFile f(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        f.Write("hello world", 11);
        EXPECT_EQ(f.GetLength(), 11u);
    }
    EXPECT_TRUE(std::filesystem::exists(dir.path() + "/\xE6\xA0\x87.bin"));
    CFile f;
    ASSERT_TRUE(f.Open(path.c_str(), CFile::modeRead));
    char buf[16] = {};
    f.Seek(6, CFile::begin);
    EXPECT_EQ(f.Read(buf, sizeof buf), 5u);
    EXPECT_STREQ(buf, "world");
    EXPECT_EQ(f.Read(buf, 4), 0u);

    CFileException err;
    CFile missing;
    EXPECT_FALSE(missing.Open((dir.path() + "/nope").c_str(), CFile::modeRead, &err));
    EXPECT_EQ(err.m_cause, CFileException::fileNotFound);
    EXPECT_THROW(CFile((dir.path() + "/nope").c_str(), CFile::modeRead), CFileException);
}

// A file opened for reading answers every read, seek, position and length as the same bytes
// held in memory do, whatever mix of small and large reads and seeks a reader makes.
TEST(FileTest, ReadingFromDiskMatchesReadingTheSameBytesFromMemory) {
    testsupport::TempDir dir;
    std::mt19937 rng(11);
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (const int size : {0, 1, 4095, 65536, 65537, 300000}) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
        for (auto& b : bytes) b = std::uint8_t(pick(0, 255));
        const std::string path = dir.path() + "/data" + std::to_string(size);
        ASSERT_TRUE(fw::WriteFileAtomic(path, std::string(bytes.begin(), bytes.end())));
        CFile disk(path.c_str(), CFile::modeRead);
        CMemFile memory(bytes);
        for (int step = 0; step < 400; ++step) {
            const int kind = pick(0, 9);
            if (kind < 5) {
                const UINT n = UINT(kind == 0 ? pick(65536, 140000) : pick(0, 300));
                std::vector<std::uint8_t> a(n, 0xAA), b(n, 0xAA);
                ASSERT_EQ(disk.Read(a.data(), n), memory.Read(b.data(), n)) << size << " step " << step;
                ASSERT_EQ(a, b) << size << " step " << step;
            } else {
                const std::int64_t here = std::int64_t(memory.GetPosition());
                const std::int64_t target = pick(0, size);
                const UINT from = UINT(pick(0, 2));
                const std::int64_t offset = from == CFile::begin ? target : from == CFile::current ? target - here : target - size;
                ASSERT_EQ(disk.Seek(offset, from), memory.Seek(offset, from)) << size << " step " << step;
            }
            ASSERT_EQ(disk.GetPosition(), memory.GetPosition()) << size << " step " << step;
            ASSERT_EQ(disk.GetLength(), memory.GetLength());
        }
    }
}

TEST(FileTest, AtomicWriteKeepsOldFileOnFailure) {
    testsupport::TempDir dir;
    std::string path = dir.path() + "/settings";
    ASSERT_TRUE(fw::WriteFileAtomic(path, "first"));
    std::string back;
    ASSERT_TRUE(fw::ReadWholeFile(path, back));
    EXPECT_EQ(back, "first");
    // A write into a folder that does not exist fails and leaves nothing behind.
    EXPECT_FALSE(fw::WriteFileAtomic(dir.path() + "/missing/settings", "x"));
    ASSERT_TRUE(fw::WriteFileAtomic(path, "second"));
    ASSERT_TRUE(fw::ReadWholeFile(path, back));
    EXPECT_EQ(back, "second");
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) (void)e, ++files;
    EXPECT_EQ(files, 1);  // no temporary left over
}

int FilesIn(const std::string& folder) {
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(folder)) (void)e, ++files;
    return files;
}

TEST(FileTest, AtomicWriteKeepsTheFilesModeAndFollowsSymbolicLinks) {
    testsupport::TempDir dir;
    const std::string path = dir.path() + "/score.zel";
    struct Case {
        const char* name;
        mode_t mode;
    } cases[] = {{"private file", 0600}, {"group-readable file", 0640}, {"executable file", 0755}};
    for (const auto& c : cases) {
        ASSERT_TRUE(fw::WriteFileAtomic(path, "old"));
        ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
        int error = -1;
        ASSERT_TRUE(fw::WriteFileAtomic(path, "new", &error)) << c.name;
        EXPECT_EQ(error, 0) << c.name;
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.mode) << c.name;
    }

    // Saving through a link (relative, and a link to a link) writes the file it points to.
    std::filesystem::create_directory(dir.path() + "/real");
    const std::string real = dir.path() + "/real/piece.zel";
    ASSERT_TRUE(fw::WriteFileAtomic(real, "first"));
    std::filesystem::create_symlink("real/piece.zel", dir.path() + "/link.zel");
    std::filesystem::create_symlink(dir.path() + "/link.zel", dir.path() + "/link2.zel");
    for (const char* via : {"/link.zel", "/link2.zel"}) {
        ASSERT_TRUE(fw::WriteFileAtomic(dir.path() + via, via));
        EXPECT_TRUE(std::filesystem::is_symlink(std::filesystem::symlink_status(dir.path() + via))) << via;
        std::string back;
        ASSERT_TRUE(fw::ReadWholeFile(real, back));
        EXPECT_EQ(back, via);
    }
    EXPECT_EQ(FilesIn(dir.path() + "/real"), 1);
}

TEST(FileTest, AFailedAtomicWriteGivesItsCauseAndLeavesNothingBehind) {
    testsupport::TempDir dir;
    const std::string path = dir.path() + "/score.zel";
    ASSERT_TRUE(fw::WriteFileAtomic(path, "the old score"));
    int error = 0;
    EXPECT_FALSE(fw::WriteFileAtomic(dir.path() + "/missing/score.zel", "x", &error));
    EXPECT_EQ(error, ENOENT);

    // The disk runs full: a file-size limit makes the write fail with the system's error.
    const std::string big(1 << 16, 'x');
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    error = 0;
    const bool written = fw::WriteFileAtomic(path, big, &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(error, EFBIG) << std::strerror(error);
    std::string back;
    ASSERT_TRUE(fw::ReadWholeFile(path, back));
    EXPECT_EQ(back, "the old score");
    EXPECT_EQ(FilesIn(dir.path()), 1);  // no temporary left over
}

TEST(FileTest, MemFileGrowsAndSeeks) {
    CMemFile m;
    m.Write("abc", 3);
    m.Seek(1, CFile::begin);
    m.Write("XYZ", 3);
    EXPECT_EQ(m.GetLength(), 4u);
    m.SeekToBegin();
    char buf[5] = {};
    EXPECT_EQ(m.Read(buf, 10), 4u);
    EXPECT_STREQ(buf, "aXYZ");
    EXPECT_THROW(m.Seek(-1, CFile::begin), CFileException);
}

TEST(StringTableTest, LoadsTextsByIdInCodePage) {
    std::string s;
    ASSERT_TRUE(fw::LoadStringResource(10029, s));
    EXPECT_EQ(fw::ToUtf8(s), "停止");
    EXPECT_FALSE(fw::LoadStringResource(1, s));
    EXPECT_TRUE(s.empty());
}

TEST(StringTableTest, EveryIdHasOneTextInAllTheFiles) {
    // The files are one table: an id in two of them would give one of the texts to both users.
    std::map<unsigned long, std::string> owner;
    std::string twice;
    const std::filesystem::path folder = std::filesystem::path(ZEL_TEST_SOURCE_DIR).parent_path() / "resources" / "strings";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".txt") continue;
        ++files;
        std::ifstream in(entry.path());
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#' || line.find('\t') == std::string::npos) continue;
            const unsigned long id = std::strtoul(line.c_str(), nullptr, 10);
            const std::string where = entry.path().filename().string();
            if (!owner.emplace(id, where).second) twice += " " + std::to_string(id) + " (" + owner[id] + ", " + where + ")";
        }
    }
    EXPECT_GT(files, 10);
    EXPECT_EQ(twice, "");
}

}  // namespace
