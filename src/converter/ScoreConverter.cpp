// The numbered-notation conversion of a score file's bytes: the tag searches, the track ends
// and keys, the walk of each bar chunk's records and the rewriting of the note heads.
#include "converter/ScoreConverter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace zel2tqx {
namespace {

constexpr std::size_t kTrackCountByte = 47;
constexpr std::size_t kBarCountWord = 52;
constexpr std::int64_t kStaffKeyOffset = 16;  // from the start of a "STAF" tag
constexpr std::int64_t kRecordsOffset = 10;   // a bar chunk's first record: tag, length, count
constexpr std::int64_t kRecordHead = 3;       // size word and type byte
constexpr std::int64_t kKeySigKey = 12;
constexpr std::int64_t kNoteValue = 15;
constexpr std::int64_t kNoteHeadCount = 19;
constexpr std::int64_t kNoteHeads = 20;
constexpr std::int64_t kHeadSize = 16;
constexpr std::int64_t kHeadPosition = 5;
constexpr std::int64_t kHeadPitch = 7;
constexpr std::uint8_t kHeadFlags = 0xC0;  // a head's first byte: hidden (bit 7), selected (bit 6), its shape below

constexpr char kStaffTag[4] = {'S', 'T', 'A', 'F'};
constexpr char kBarTag[4] = {'B', 'D', 'A', 'T'};

class Walk {
public:
    Walk(std::span<std::uint8_t> bytes, ConvertState& st) : b_(bytes), size_(std::int64_t(bytes.size())), st_(st) {}

    // The offset of the first tag at or after `from`, -1 when there is none. Neither tag repeats
    // a letter, so a byte that breaks a partial match is tried again as the tag's first letter:
    // a tag right after its own first letter ("BBDAT") is found.
    std::int64_t FindTag(std::int64_t from, const char (&tag)[4]) const {
        if (from < 0) from = 0;
        const auto* data = reinterpret_cast<const char*>(b_.data());
        while (from + 4 <= size_) {
            const void* hit = std::memchr(data + from, tag[0], std::size_t(size_ - 3 - from));
            if (!hit) return -1;
            const std::int64_t at = static_cast<const char*>(hit) - data;
            if (std::memcmp(data + at, tag, 4) == 0) return at;
            from = at + 1;
        }
        return -1;
    }

    // Where track i's bar chunks end: the byte just before the first bar chunk after `barCount`
    // of them, counted from `from`; 0 when there is no such chunk (the last track's open end).
    std::int64_t FindTrackEnd(std::int64_t from) const {
        int counter = 0;
        for (std::int64_t at = FindTag(from, kBarTag); at >= 0; at = FindTag(at + 4, kBarTag)) {
            if (counter == st_.barCount) return at > 1 ? at - 1 : 0;
            ++counter;
        }
        return 0;
    }

    // Whether the record whose type byte lies at `typeAt` belongs to track i: before its end
    // (an open end holds everything) and after the end of the track before.
    bool Holds(int i, std::int64_t typeAt) const {
        const std::int64_t end = st_.trackEnds[std::size_t(i)];
        if (end != 0 && typeAt >= end) return false;
        return i == 0 || st_.trackEnds[std::size_t(i) - 1] < typeAt;
    }

    // Walks the records of the bar chunk whose tag starts at s; returns the offset just after
    // the last record walked.
    std::int64_t ConvertBarChunk(std::int64_t s) {
        ++st_.barChunks;
        const std::int64_t base = s + kRecordsOffset;
        if (s + 8 > size_) return s + 4;
        const std::int64_t walkEnd = std::int64_t(Be32(s + 4)) - 2;
        std::int64_t o = 0;
        while (o < walkEnd) {
            const std::int64_t r = base + o;
            if (r + kRecordHead > size_) break;
            const std::int64_t length = std::int64_t(Be16(r)) - 4;
            if (length < kRecordHead || o + length > walkEnd || r + length > size_) break;
            const std::int64_t typeAt = r + 2;
            const std::uint8_t type = b_[std::size_t(typeAt)];
            if (type == kNoteType) {
                for (int i = 0; i < st_.trackCount; ++i)
                    if (Holds(i, typeAt)) st_.currentKey = st_.trackKeys[std::size_t(i)];
                if (st_.mode == Mode::FixedDo) st_.currentKey = 0;
                ConvertNote(r, length);
            } else if (type == kKeySigType && st_.mode == Mode::MovableDo && length > kKeySigKey) {
                for (int i = 0; i < st_.trackCount; ++i)
                    if (Holds(i, typeAt)) st_.trackKeys[std::size_t(i)] = KeyShift(b_[std::size_t(r + kKeySigKey)]);
            }
            o += length;
        }
        if (o < walkEnd) ++st_.walksCut;
        return base + std::max<std::int64_t>(o, 0);
    }

    std::uint8_t ByteOr0(std::int64_t at) const { return at >= 0 && at < size_ ? b_[std::size_t(at)] : 0; }

private:
    std::uint32_t Be32(std::int64_t at) const {
        const std::uint8_t* p = b_.data() + at;
        return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
    }
    std::uint16_t Be16(std::int64_t at) const {
        return std::uint16_t(b_[std::size_t(at)] << 8 | b_[std::size_t(at) + 1]);
    }

    // Rewrites the shape code of each head that lies whole inside the note record.
    void ConvertNote(std::int64_t r, std::int64_t length) {
        if (length < kNoteHeads) return;
        const int value = b_[std::size_t(r + kNoteValue)] & 0x0F;
        const std::array<std::uint8_t, 7>* codes = nullptr;
        if (value == 1 || value == 2) codes = &kOpenCodes;
        else if (value >= 3 && value <= 8) codes = &kFilledCodes;
        else return;
        const int heads = b_[std::size_t(r + kNoteHeadCount)];
        std::uint8_t code = 0;
        for (int k = 0; k < heads; ++k) {
            const std::int64_t h = r + kNoteHeads + kHeadSize * k;
            if (h + kHeadSize > r + length) break;
            const std::uint8_t stored = b_[std::size_t(h + kHeadPosition)];
            const int position = std::int8_t(stored);
            st_.clefShift = ClefShift(position, b_[std::size_t(h + kHeadPitch)]);
            // Positions -41 to +32 have a degree; a head elsewhere takes the code of the head
            // before it.
            if (stored <= 0x20 || stored >= 0xD7)
                code = (*codes)[std::size_t(DegreeIndex(position, st_.currentKey, st_.clefShift))];
            // The code is the head's shape; the head stays hidden or selected as it was.
            b_[std::size_t(h)] = std::uint8_t((b_[std::size_t(h)] & kHeadFlags) | code);
            ++st_.headsRewritten;
        }
        ++st_.notesConverted;
    }

    std::span<std::uint8_t> b_;
    std::int64_t size_;
    ConvertState& st_;
};

}  // namespace

int KeyShift(int keyCode) {
    if (keyCode >= 1 && keyCode <= 7) return (4 * keyCode) % 7;         // flats: F, Bb, Eb ... Cb
    if (keyCode >= 8 && keyCode <= 14) return (3 * (keyCode - 7)) % 7;  // sharps: G, D, A ... C#
    return 0;
}

int TreblePitch(int position) {
    static constexpr int kSteps[7] = {0, 2, 4, 5, 7, 9, 11};
    if (position < -41 || position > 33) return 0;
    const int d = position + 41;
    return 12 * (d / 7) + kSteps[d % 7];
}

int ClefShift(int position, int pitch) { return std::abs(pitch - TreblePitch(position)) < 4 ? 0 : 2; }

int DegreeIndex(int position, int keyShift, int clefShift) {
    const int sum = position + 6 + keyShift + clefShift;
    return ((sum % 7) + 7) % 7;
}

ConvertResult ConvertScoreBytes(std::span<std::uint8_t> bytes, Mode mode, ConvertState* out) {
    ConvertState st;
    st.mode = mode;
    Walk walk(bytes, st);
    st.trackCount = walk.ByteOr0(kTrackCountByte);
    if (st.trackCount > kMaxTracks) {
        if (out) *out = st;
        return ConvertResult::TooManyTracks;
    }
    st.barCount = walk.ByteOr0(kBarCountWord) << 8 | walk.ByteOr0(kBarCountWord + 1);

    // Each track's end; a search that finds none starts the next one from the top again.
    std::int64_t p = 0;
    for (int i = 0; i < st.trackCount; ++i) {
        p = walk.FindTrackEnd(p);
        if (p != 0) st.trackEnds[std::size_t(i)] = p;
    }
    // Each track's key from its staff chunk, in order.
    p = 0;
    for (int i = 0; i < st.trackCount; ++i) {
        const std::int64_t at = walk.FindTag(p, kStaffTag);
        if (at < 0) {
            p = 0;
            continue;
        }
        st.trackKeys[std::size_t(i)] = KeyShift(walk.ByteOr0(at + kStaffKeyOffset));
        p = at + 3;
    }
    // Every bar chunk after the staves.
    for (std::int64_t at = walk.FindTag(p, kBarTag); at >= 0; at = walk.FindTag(p, kBarTag))
        p = walk.ConvertBarChunk(at);
    if (out) *out = st;
    return ConvertResult::Converted;
}

}  // namespace zel2tqx
