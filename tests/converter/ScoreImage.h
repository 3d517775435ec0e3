// Score files made by hand, byte by byte, as the converter reads them: a header with the track
// and bar counts, staff chunks with their keys, and bar chunks of item records, any of which a
// test can damage.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace convertertest {

using Bytes = std::vector<std::uint8_t>;

inline void PutBe16(Bytes& b, std::size_t at, unsigned v) {
    b[at] = std::uint8_t(v >> 8);
    b[at + 1] = std::uint8_t(v);
}

// An item record: its size word says `sizeWord` (the stored length plus 4), whatever its real
// length is.
inline Bytes Record(int type, std::size_t length, unsigned sizeWord) {
    Bytes r(length, 0);
    if (length >= 2) PutBe16(r, 0, sizeWord);
    if (length >= 3) r[2] = std::uint8_t(type);
    return r;
}
inline Bytes Record(int type, std::size_t length) { return Record(type, length, unsigned(length + 4)); }

// A note of a value code with heads (staff position, pitch), each of shape `shape`; `room`
// heads' worth of bytes (default: as many as it has).
inline Bytes NoteRecord(int value, const std::vector<std::pair<int, int>>& heads, int shape = 0, int room = -1) {
    const std::size_t n = room < 0 ? heads.size() : std::size_t(room);
    Bytes r = Record(144, 20 + 16 * n);
    r[15] = std::uint8_t(value);
    r[19] = std::uint8_t(heads.size());
    for (std::size_t k = 0; k < heads.size() && k < n; ++k) {
        r[20 + 16 * k] = std::uint8_t(shape);
        r[20 + 16 * k + 5] = std::uint8_t(std::int8_t(heads[k].first));
        r[20 + 16 * k + 7] = std::uint8_t(heads[k].second);
    }
    return r;
}

inline Bytes KeyRecord(int key, std::size_t length = 22) {
    Bytes r = Record(23, length);
    if (length > 12) r[12] = std::uint8_t(key);
    return r;
}

inline Bytes EndRecord() { return Record(255, 6); }

class ScoreImage {
public:
    // The header: "ZLSC", its length, the track count at byte 47 and the bar count at 52-53.
    ScoreImage(int tracks, int bars) : bytes(54, 0) {
        std::memcpy(bytes.data(), "ZLSC", 4);
        bytes[7] = 46;
        PutBe16(bytes, 46, unsigned(tracks));
        PutBe16(bytes, 52, unsigned(bars));
    }
    // A staff chunk whose key code lies 16 bytes after its tag.
    void Staff(int key) {
        Bytes chunk = {'S', 'T', 'A', 'F', 0, 0, 0, 12};
        chunk.resize(20, 0);
        chunk[10] = 2;
        chunk[16] = std::uint8_t(key);
        Raw(chunk);
    }
    // A bar chunk of the records, its length counting them (or `length`); returns the offset of
    // each record.
    std::vector<std::size_t> Bar(const std::vector<Bytes>& records, long long length = -1) {
        std::size_t total = 2;
        for (const Bytes& r : records) total += r.size();
        const auto l = std::uint32_t(length < 0 ? (long long)total : length);
        Raw({'B', 'D', 'A', 'T', std::uint8_t(l >> 24), std::uint8_t(l >> 16), std::uint8_t(l >> 8), std::uint8_t(l),
             0, std::uint8_t(records.size())});
        std::vector<std::size_t> at;
        for (const Bytes& r : records) {
            at.push_back(bytes.size());
            Raw(r);
        }
        return at;
    }
    void Raw(const Bytes& b) { bytes.insert(bytes.end(), b.begin(), b.end()); }

    Bytes bytes;
};

}  // namespace convertertest
