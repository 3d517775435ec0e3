// One conversion of a score file, from its path to the copy beside it.
#include "converter/Conversion.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string_view>
#include <vector>

#include "framework/CodePage.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/StringTable.h"

namespace zel2tqx {
namespace {

constexpr std::string_view kEnding = ".zel";

// Every byte of the file, however long (its length is only a first guess: a file that grows
// while it is read is read to its end).
std::vector<std::uint8_t> ReadWhole(const std::string& path) {
    CFile file;
    CFileException error;
    if (!file.Open(path.c_str(), CFile::modeRead | CFile::typeBinary, &error)) throw error;
    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(std::size_t(file.GetLength()) + 1);
        std::size_t filled = 0;
        for (;;) {
            if (filled == bytes.size()) bytes.resize(bytes.size() * 2);
            const UINT want = UINT(std::min<std::size_t>(bytes.size() - filled, 1u << 30));
            const UINT got = file.Read(bytes.data() + filled, want);
            if (got == 0) break;
            filled += got;
        }
        bytes.resize(filled);
    } catch (const std::bad_alloc&) {
        AfxThrowMemoryException();
    }
    return bytes;
}

}  // namespace

std::string Text(UINT id) {
    std::string text;
    fw::LoadStringResource(id, text);
    return text;
}

std::string OutputPath(const std::string& path, Mode mode) {
    const std::size_t cut = path.size() >= kEnding.size() ? path.size() - kEnding.size() : 0;
    return path.substr(0, cut) + Text(mode == Mode::MovableDo ? kMovableSuffixText : kFixedSuffixText) +
           path.substr(cut);
}

std::string OutcomeMessage(Outcome outcome) {
    switch (outcome) {
    case Outcome::EmptyPath: return Text(kEmptyPathText);
    case Outcome::WrongEnding: return Text(kWrongEndingText);
    case Outcome::TooManyTracks: {
        const std::string format = Text(kTooManyTracksText);
        char text[256];
        std::snprintf(text, sizeof text, format.c_str(), kMaxTracks);
        return text;
    }
    default: return {};
    }
}

std::string LogLine(const SYSTEMTIME& t) {
    const std::string format = Text(kConvertedLineText);
    char text[256];
    std::snprintf(text, sizeof text, format.c_str(), int(t.wYear), int(t.wMonth), int(t.wDay), int(t.wHour),
                  int(t.wMinute), int(t.wSecond));
    return text;
}

Conversion ConvertFile(const std::string& path, Mode mode) {
    Conversion c;
    if (path.empty()) {
        c.outcome = Outcome::EmptyPath;
        return c;
    }
    if (path.size() < kEnding.size() || std::string_view(path).substr(path.size() - kEnding.size()) != kEnding) {
        c.outcome = Outcome::WrongEnding;
        return c;
    }
    std::vector<std::uint8_t> bytes = ReadWhole(path);
    if (bytes.empty()) {
        c.outcome = Outcome::EmptyFile;
        return c;
    }
    if (ConvertScoreBytes(bytes, mode, &c.state) == ConvertResult::TooManyTracks) {
        c.outcome = Outcome::TooManyTracks;
        return c;
    }
    fw::GetLocalTime(&c.time);
    c.outputPath = OutputPath(path, mode);
    int osError = 0;
    const std::string_view image(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!fw::WriteFileAtomic(fw::ToUtf8(c.outputPath), image, &osError)) {
        const int cause = osError ? CFileException::OsErrorToCause(osError) : int(CFileException::genericException);
        throw CFileException(cause, osError, c.outputPath);
    }
    c.outcome = Outcome::Converted;
    return c;
}

}  // namespace zel2tqx
