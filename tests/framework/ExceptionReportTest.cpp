// The framework's reports of its exceptions: the texts of the string table, the file's name
// after them, and what a failed open or save shows.
#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>

#include "framework/CodePage.h"
#include "framework/Document.h"
#include "framework/Exceptions.h"
#include "framework/MessageBox.h"

namespace {

std::string Cp(const char* utf8) { return fw::FromUtf8(utf8); }

TEST(ExceptionReport, EachExceptionReportsInTheStringTablesWords) {
    struct Case {
        const char* name;
        std::shared_ptr<CException> e;
        bool has;
        const char* want;  // UTF-8
    } cases[] = {
        {"memory", std::make_shared<CMemoryException>(), true, "内存不足。"},
        {"missing file", std::make_shared<CFileException>(CFileException::fileNotFound, ENOENT, "a.zel"), true,
         "找不到该文件。\n(a.zel)"},
        {"disk full, no name", std::make_shared<CFileException>(CFileException::diskFull), true, "磁盘已满。"},
        {"cause out of range", std::make_shared<CFileException>(99), true, "访问文件时发生未知错误。"},
        {"end of archive", std::make_shared<CArchiveException>(CArchiveException::endOfFile, "b.zel"), true,
         "意外到达文件末尾。\n(b.zel)"},
        {"damaged part", std::make_shared<CArchiveException>(CArchiveException::badIndex, "", "TRAK"), true,
         "文件格式不正确。损坏或缺失：TRAK。"},
        {"user", std::make_shared<CUserException>(), false, ""},
    };
    for (const Case& c : cases) {
        std::string text = "stale";
        EXPECT_EQ(c.e->GetErrorMessage(text), c.has) << c.name;
        EXPECT_EQ(text, Cp(c.want)) << c.name;
    }
}

TEST(ExceptionReport, AFailedOpenOrSaveShowsTheFrameworksReport) {
    const CMemoryException memory;
    const CUserException user;
    const CArchiveException wrongFormat(CArchiveException::badIndex, "s.zel");
    const CFileException full(CFileException::diskFull, ENOSPC, "s.zel");
    struct Case {
        const char* name;
        const CException* e;
        bool saving;
        unsigned defaultId;
        const char* want;  // UTF-8; empty: nothing shown
    } cases[] = {
        {"the user was told", &user, false, 0, ""},
        {"memory", &memory, true, 0, "内存不足。"},
        {"wrong format read", &wrongFormat, false, 0, "文件格式不正确，无法打开。\n(s.zel)"},
        {"wrong format written", &wrongFormat, true, 0, "文件格式不正确。\n(s.zel)"},
        {"disk full", &full, true, 0, "磁盘已满。\n(s.zel)"},
        {"no exception, open", nullptr, false, 0, "打开文档失败。\n(s.zel)"},
        {"no exception, save", nullptr, true, 0, "保存文档失败。\n(s.zel)"},
        {"no exception, own text", nullptr, false, 61709, "内存不足。\n(s.zel)"},
    };
    for (const Case& c : cases) {
        fw::msgboxtest::Capture boxes;
        const std::string shown = CDocument::ReportSaveLoadException("s.zel", c.e, c.saving, c.defaultId);
        EXPECT_EQ(shown, Cp(c.want)) << c.name;
        ASSERT_EQ(boxes.shown().size(), *c.want ? 1u : 0u) << c.name;
        if (*c.want) EXPECT_EQ(boxes.shown()[0].text, Cp(c.want)) << c.name;
    }
}

}  // namespace
