// Reading whole score files that may be damaged: the fixtures of tests/data/model/hostile, one
// read with its outcome, and the round trip every accepted file must pass (read, save, read,
// save: the second save gives the first save's bytes).
#pragma once
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/File.h"
#include "model/Bar.h"
#include "model/ItemArray.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/Handles.h"

namespace hostile {

inline std::string FixturePath(const std::string& name);

inline std::vector<std::uint8_t> Fixture(const std::string& name) {
    std::ifstream in(FixturePath(name), std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// One score read from bytes, kept for the checks that follow.
struct Loaded {
    CZelDoc doc;
    std::unique_ptr<CScore> score = std::make_unique<CScore>(&doc);
    ScoreFileDoc fileDoc;
    std::string error;        // what stopped the read, empty when it succeeded
    bool outOfMemory = false;

    // True when the file was read; else `error` says how it was refused.
    bool Open(const std::vector<std::uint8_t>& bytes) {
        CMemFile file(bytes);
        SetErrorCode(0);
        try {
            ScoreFile::Open(*score, fileDoc, file);
            return true;
        } catch (const CMemoryException&) {
            error = "out of memory";
            outOfMemory = true;
        } catch (const CUserException&) {
            error = "code " + std::to_string(GetErrorCode());
            outOfMemory = GetErrorCode() == kErrOutOfMemory;
            if (GetErrorCode() == 0) error = "a user exception without a code";
        } catch (const CArchiveException& e) {
            error = "archive exception " + std::to_string(e.m_cause) + (e.m_strDetail.empty() ? "" : ": " + e.m_strDetail);
        } catch (const CFileException& e) {
            error = "file exception " + std::to_string(e.m_cause);
        }
        return false;
    }
    std::vector<std::uint8_t> Save() { return ScoreFile::WriteToBytes(*score, fileDoc); }
};

struct Outcome {
    bool damaged = false;      // the first read refused the file
    bool outOfMemory = false;  // ... and said it ran out of memory
    bool sameBytes = false;    // accepted: the second save equals the first
    bool reread = false;       // accepted: the first save read back
    std::string error;
};

inline Outcome ReadSaveReadSave(const std::vector<std::uint8_t>& bytes) {
    Outcome o;
    std::vector<std::uint8_t> first;
    {
        Loaded a;
        if (!a.Open(bytes)) {
            o.damaged = true;
            o.outOfMemory = a.outOfMemory;
            o.error = a.error;
            return o;
        }
        first = a.Save();
    }
    Loaded b;
    if (!b.Open(first)) {
        o.error = "its own save does not read back: " + b.error;
        return o;
    }
    o.reread = true;
    o.sameBytes = b.Save() == first;
    return o;
}

// Runs build/zeldump with its arguments: its exit status (-1 when it could not run or did not
// exit), its standard output and error in `out`.
inline int RunZeldump(const std::string& args, std::string& out) {
    const char* build = std::getenv("ZEL_BUILD_DIR");
    if (!build) return -1;
    const std::string command = std::string(build) + "/zeldump " + args + " 2>&1";
    FILE* p = popen(command.c_str(), "r");
    if (!p) return -1;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
    const int status = pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The path of a fixture file.
inline std::string FixturePath(const std::string& name) {
    std::filesystem::path here(__FILE__);
    if (here.is_relative())
        if (const char* build = std::getenv("ZEL_BUILD_DIR")) here = std::filesystem::path(build) / here;
    return (here.parent_path().parent_path() / "data" / "model" / "hostile" / (name + ".zel")).string();
}

// Items of a bar's conductor run that are not marked removed.
inline int LiveConductorItems(CBar& bar) {
    CItemArray* a = bar.GetItemArray();
    int n = 0;
    for (int i = 0; a && i < a->GetCount(); ++i)
        if (!rec::IsRemoved(a->GetAt(i))) ++n;
    return n;
}

}  // namespace hostile
