#include "midi/MidiFile.h"

#include <algorithm>
#include <cstring>

namespace {

std::uint32_t Be32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
std::uint16_t Be16(const std::uint8_t* p) { return std::uint16_t(p[0] << 8 | p[1]); }
void PutBe32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    v.push_back(std::uint8_t(x >> 24));
    v.push_back(std::uint8_t(x >> 16));
    v.push_back(std::uint8_t(x >> 8));
    v.push_back(std::uint8_t(x));
}
void PutBe16(std::vector<std::uint8_t>& v, std::uint16_t x) {
    v.push_back(std::uint8_t(x >> 8));
    v.push_back(std::uint8_t(x));
}

}  // namespace

// --- reading ----------------------------------------------------------------------------------------

namespace {

struct ProblemEntry {
    SmfProblem problem;
    unsigned stringId;
    const char* text;
};
constexpr ProblemEntry kProblems[] = {
    {SmfProblem::ShortFile, 3240, "the file is shorter than a header"},
    {SmfProblem::NotMidi, 3241, "the file does not start with MThd"},
    {SmfProblem::HeaderLength, 3242, "the header chunk's length does not fit the file"},
    {SmfProblem::Format, 3243, "only formats 0 and 1 are read"},
    {SmfProblem::NoTracks, 3244, "the file has no tracks"},
    {SmfProblem::DivisionZero, 3245, "division 0"},
    {SmfProblem::SmpteNoTicks, 3246, "an SMPTE division of no ticks"},
    {SmfProblem::TrackMissing, 3247, "a track chunk lies past the file's end"},
    {SmfProblem::NotATrack, 3248, "a chunk that is not a track stands where a track should"},
    {SmfProblem::NumberTooLong, 3249, "a variable-length number longer than four bytes"},
    {SmfProblem::NoStatus, 3250, "a data byte with no status in force"},
    {SmfProblem::TrackEndsEarly, 3251, "the track ends inside an event"},
    {SmfProblem::TooLong, 3252, "the times run past the longest score"},
    {SmfProblem::TooManyBars, 3253, "the music runs past 32,000 bars"},
    {SmfProblem::TooLarge, 3257, "the file is larger than 64 MB"},
};

const ProblemEntry* EntryOf(SmfProblem why) {
    for (const ProblemEntry& e : kProblems)
        if (e.problem == why) return &e;
    return nullptr;
}

// The system statuses that have no defined data: skipped as single bytes.
bool IsUndefinedSystemStatus(int status) {
    return status == 0xF1 || status == 0xF4 || status == 0xF5 || status == 0xF6 || status == 0xF9 || status == 0xFD;
}

}  // namespace

const char* CMidiFile::ProblemText(SmfProblem why) {
    const ProblemEntry* e = EntryOf(why);
    return e ? e->text : "";
}

unsigned CMidiFile::ProblemStringId(SmfProblem why) {
    const ProblemEntry* e = EntryOf(why);
    return e ? e->stringId : 0;
}

void CMidiFile::Attach(std::vector<std::uint8_t> bytes) {
    image = std::move(bytes);
    position = chunkEnd = 0;
    overrun = 0;
    currentTrack = -1;
    errorText.clear();
    errorAt = 0;
    errorProblem = SmfProblem::None;
    errorTrackIndex = -1;
}

bool CMidiFile::Fail(SmfProblem why, std::size_t at) {
    Refuse(why, at, currentTrack);
    return false;
}

void CMidiFile::Refuse(SmfProblem why, std::size_t at, int track) {
    errorProblem = why;
    errorText = ProblemText(why);
    errorAt = at;
    errorTrackIndex = track;
}

int CMidiFile::ReadHeader(SmfHeader* result) {
    currentTrack = -1;
    if (image.size() < 14) return Fail(SmfProblem::ShortFile, 0), kBadFile;
    std::memcpy(header.tag, image.data(), 4);
    header.length = Be32(image.data() + 4);
    header.format = Be16(image.data() + 8);
    header.trackCount = Be16(image.data() + 10);
    header.division = std::int16_t(Be16(image.data() + 12));
    if (result) *result = header;
    if (std::memcmp(header.tag, "MThd", 4) != 0) return Fail(SmfProblem::NotMidi, 0), kBadFile;
    if (header.length < 6 || header.length > image.size() - 8) return Fail(SmfProblem::HeaderLength, 4), kBadFile;
    if (header.format > 1) return Fail(SmfProblem::Format, 8), kBadFile;
    if (header.trackCount < 1) return Fail(SmfProblem::NoTracks, 10), kBadFile;
    if (header.division == 0) return Fail(SmfProblem::DivisionZero, 12), kBadFile;
    if (header.division < 0) {
        // SMPTE: frames per second (negative high byte) times ticks per frame per second, read
        // at 120 quarters per minute (a quarter is half a second).
        const int fps = -std::int8_t(std::uint16_t(header.division) >> 8);
        const int perFrame = std::uint16_t(header.division) & 0xFF;
        division = fps * perFrame / 2;
        if (division <= 0) return Fail(SmfProblem::SmpteNoTicks, 12), kBadFile;
    } else {
        division = header.division;
    }
    return 0;
}

bool CMidiFile::IsTrackChunk(std::size_t at) const {
    if (at > image.size() || image.size() - at < 8) return false;
    if (std::memcmp(image.data() + at, "MTrk", 4) != 0) return false;
    return Be32(image.data() + at + 4) <= image.size() - at - 8;
}

bool CMidiFile::SeekTrack(int n, SmfEvent* event) {
    currentTrack = n;
    overrun = 0;
    std::size_t at = 8 + std::size_t(header.length);
    for (int k = 0;; ++k) {
        if (at > image.size() || image.size() - at < 8) return Fail(SmfProblem::TrackMissing, std::min(at, image.size()));
        if (std::memcmp(image.data() + at, "MTrk", 4) != 0) return Fail(SmfProblem::NotATrack, at);
        const std::uint32_t length = Be32(image.data() + at + 4);
        const std::size_t room = image.size() - at - 8;
        if (k == n) {
            // A chunk that claims more than the file holds is read up to the file's end.
            position = at + 8;
            chunkEnd = position + std::min<std::size_t>(length, room);
            overrun = length > room ? std::uint32_t(length - room) : 0;
            break;
        }
        // A chunk passed over must lie inside the file, or the track after it is not there.
        if (length > room) return Fail(SmfProblem::TrackMissing, image.size());
        at += 8 + std::size_t(length);
    }
    *event = SmfEvent{};
    event->multiplier = kDivision;
    return true;
}

bool CMidiFile::ReadVarLen(std::uint32_t* value) {
    std::uint32_t v = 0;
    for (int k = 0; k < 4; ++k) {
        if (position >= chunkEnd) return Fail(SmfProblem::TrackEndsEarly, position);
        const std::uint8_t b = image[position++];
        v = v << 7 | (b & 0x7F);
        if (!(b & 0x80)) {
            *value = v;
            return true;
        }
    }
    return Fail(SmfProblem::NumberTooLong, position - 4);
}

bool CMidiFile::ReadEvent(SmfEvent* e) {
    auto end = [e] {
        e->metaType = 0x2F;
        e->length = 0;
        e->data = nullptr;
        return false;
    };
    if (position >= chunkEnd) return end();
    const std::size_t eventAt = position;
    std::uint32_t delta = 0;
    if (!ReadVarLen(&delta)) return end();
    // Rescale to 480 per quarter, the remainder carried so that times never drift; the sum is
    // taken in 64 bits and a time past the longest score refuses the track.
    const std::int64_t scaled = std::int64_t(delta) * e->multiplier;
    std::int64_t tick = std::int64_t(e->tick) + scaled / division;
    std::int64_t rem = e->remainder + scaled % division;
    if (rem >= division) {
        ++tick;
        rem -= division;
    }
    if (tick > kMaxTick) return Fail(SmfProblem::TooLong, eventAt), end();
    e->tick = std::int32_t(tick);
    e->remainder = std::int16_t(rem);
    if (position >= chunkEnd) return Fail(SmfProblem::TrackEndsEarly, position), end();
    if (image[position] & 0x80) {
        e->status = image[position++];
        if (e->status < 0xF0) e->runningStatus = e->status;
    } else {
        // A data byte continues the last channel status, also after a meta or system-exclusive
        // event.
        if (e->runningStatus == 0) return Fail(SmfProblem::NoStatus, position), end();
        e->status = e->runningStatus;
    }
    e->metaType = 0;
    if (e->status == 0xFF) {
        if (position >= chunkEnd) return Fail(SmfProblem::TrackEndsEarly, position), end();
        e->metaType = image[position++];
        std::uint32_t length = 0;
        if (!ReadVarLen(&length)) return end();
        if (length > chunkEnd - position) return Fail(SmfProblem::TrackEndsEarly, position), end();
        e->length = std::uint16_t(std::min<std::uint32_t>(length, 0xFFFF));
        e->data = image.data() + position;
        e->offset = std::uint32_t(position);
        position += length;
        if (e->metaType == 0x2F) {
            e->length = 0;
            return false;
        }
        return true;
    }
    if (e->status == 0xF0 || e->status == 0xF7) {
        std::uint32_t length = 0;
        if (!ReadVarLen(&length)) return end();
        if (length > chunkEnd - position) return Fail(SmfProblem::TrackEndsEarly, position), end();
        e->length = std::uint16_t(std::min<std::uint32_t>(length, 0xFFFF));
        e->data = image.data() + position;
        e->offset = std::uint32_t(position);
        position += length;
        return true;
    }
    if (IsUndefinedSystemStatus(e->status)) {
        // A single byte with no data; what follows it needs a status of its own.
        e->runningStatus = 0;
        e->length = 0;
        e->data = nullptr;
        e->offset = std::uint32_t(position);
        return true;
    }
    const std::size_t n = (e->status & 0xE0) == 0xC0 ? 1 : 2;
    if (n > chunkEnd - position) return Fail(SmfProblem::TrackEndsEarly, position), end();
    e->length = std::uint16_t(n);
    e->data = image.data() + position;
    e->offset = std::uint32_t(position);
    position += n;
    return true;
}

// --- writing ----------------------------------------------------------------------------------------

void CMidiFile::WriteHeader(int tracks) {
    out.insert(out.end(), {'M', 'T', 'h', 'd'});
    PutBe32(out, 6);
    PutBe16(out, 1);
    PutBe16(out, std::uint16_t(tracks));
    PutBe16(out, kDivision);
}

void CMidiFile::BeginTrack() {
    track.clear();
    currentTick = lastTick = 0;
}

void CMidiFile::WriteVarLen(std::uint32_t value) {
    std::uint8_t bytes[5];
    int n = 0;
    bytes[n++] = std::uint8_t(value & 0x7F);
    while (value >>= 7) bytes[n++] = std::uint8_t(0x80 | (value & 0x7F));
    while (n) track.push_back(bytes[--n]);
}

void CMidiFile::WriteDelta() {
    const std::int32_t delta = std::max(0, currentTick - lastTick);
    WriteVarLen(std::uint32_t(delta));
    lastTick = std::max(lastTick, currentTick);
}

void CMidiFile::WriteEvent(const std::uint8_t* bytes, std::size_t n) {
    WriteDelta();
    track.insert(track.end(), bytes, bytes + n);
}

void CMidiFile::WriteChannel(int status, int data1, int data2) {
    const std::uint8_t bytes[3] = {std::uint8_t(status), std::uint8_t(data1 & 0x7F), std::uint8_t(data2 & 0x7F)};
    WriteEvent(bytes, (status & 0xE0) == 0xC0 ? 2 : 3);
}

void CMidiFile::WriteMeta(int type, const std::uint8_t* data, std::size_t n) {
    WriteDelta();
    track.push_back(0xFF);
    track.push_back(std::uint8_t(type));
    WriteVarLen(std::uint32_t(n));
    if (n) track.insert(track.end(), data, data + n);
}

void CMidiFile::WriteText(int type, std::string_view text) {
    WriteMeta(type, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

void CMidiFile::WriteTimeSignature(int numerator, int denominator, int clickTicks) {
    int power = 0;
    while (power < 7 && (1 << power) < denominator) ++power;
    const std::uint8_t data[4] = {std::uint8_t(numerator), std::uint8_t(power), std::uint8_t(clickTicks / 20), 8};
    WriteMeta(0x58, data, 4);
}

void CMidiFile::WriteTempo(int quarterTempo) {
    if (quarterTempo <= 0) return;
    const std::uint32_t us = std::uint32_t(600000000 / quarterTempo) * 10;
    const std::uint8_t data[3] = {std::uint8_t(us >> 16), std::uint8_t(us >> 8), std::uint8_t(us)};
    WriteMeta(0x51, data, 3);
}

void CMidiFile::WriteKeySignature(int code) {
    int sf = 0;
    if (code >= 8 && code <= 14)
        sf = code - 7;
    else if (code >= 1 && code <= 7)
        sf = -code;
    const std::uint8_t data[2] = {std::uint8_t(std::int8_t(sf)), 0};
    WriteMeta(0x59, data, 2);
}

void CMidiFile::WriteLyric(std::string_view text, bool wordContinues, bool extender) {
    std::string t(text.substr(0, 250));
    if (!wordContinues) t += ' ';
    WriteText(0x05, t);
    if (extender) WriteMeta(0x05, nullptr, 0);
}

void CMidiFile::WriteSysex(const std::uint8_t* bytes, std::size_t n) {
    if (n && bytes[0] == 0xF0) {
        ++bytes;
        --n;
    }
    WriteDelta();
    track.push_back(0xF0);
    WriteVarLen(std::uint32_t(n));
    track.insert(track.end(), bytes, bytes + n);
}

void CMidiFile::EndTrack() {
    WriteMeta(0x2F, nullptr, 0);
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    PutBe32(out, std::uint32_t(track.size()));
    out.insert(out.end(), track.begin(), track.end());
    track.clear();
}
