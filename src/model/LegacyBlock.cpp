// Reading one tagged block of the older raw files.
#include "model/LegacyBlock.h"

#include <algorithm>
#include <cstring>

#include "framework/Exceptions.h"
#include "framework/File.h"

std::uint32_t ReadLegacyBlock(CFile& file, const char (&tag)[5], std::uint8_t* image, std::uint32_t room) {
    const auto endOfFile = [&] { AfxThrowFileException(CFileException::endOfFile, -1, file.GetFilePath().c_str()); };
    std::uint8_t head[8];
    if (file.Read(head, 8) < 8) endOfFile();
    const std::uint32_t length = std::uint32_t(head[4]) | (std::uint32_t(head[5]) << 8) |
                                 (std::uint32_t(head[6]) << 16) | (std::uint32_t(head[7]) << 24);
    if (length > file.GetLength() - std::min(file.GetLength(), file.GetPosition())) endOfFile();
    std::uint32_t take = 0;
    if (std::memcmp(head, tag, 4) == 0) {
        take = std::min(length, room);
        if (take && file.Read(image, take) < take) endOfFile();
    }
    if (length > take) file.Seek(std::int64_t(length - take), CFile::current);
    return take;
}
