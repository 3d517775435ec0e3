// Standard MIDI Files: the reader that walks a whole file image one track at a time and hands
// out events already rescaled to 480 ticks per quarter, and the writer that assembles one
// track at a time and appends each finished chunk to the file's bytes.
//
// The reader trusts nothing in the image: every chunk is bounded by its own length and by the
// image (a track without End of Track ends at its chunk's end; a chunk whose length runs past
// the file's end is read up to that end, which chunkOverrun() tells), a variable-length number
// has at most four bytes, an event whose data would pass its chunk ends the track, division 0
// is refused and an SMPTE division is read at a fixed rate of 120 quarters per minute. Ticks
// are summed in 64 bits: a track whose times pass kMaxTick is refused, so a tick never wraps.
// Running status is the last channel status: meta and system-exclusive events leave it in
// force, the undefined system statuses (F1, F4-F6, F9, FD) are single bytes that cancel it.
// Each refusal gives code 101 with its problem, byte offset and track (problem(), error(),
// errorOffset(), errorTrack()); the importer writes the English text to the debug log and
// shows the program's own (ProblemStringId) to the user.
//
// The writer grows its track buffer as needed, writes every channel message with its status
// byte (no running status) and every delta in its shortest form; system exclusive goes out as
// F0, its length and the bytes after the F0.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The header chunk's fields, in host order.
struct SmfHeader {
    char tag[4] = {};
    std::uint32_t length = 0;
    std::uint16_t format = 0;
    std::uint16_t trackCount = 0;
    std::int16_t division = 0;
};

// The reading cursor of one track.
struct SmfEvent {
    std::int16_t barIndex = 0;
    std::uint16_t barLength = 1920;
    std::int32_t barStart = 0;
    std::int32_t tick = 0;         // absolute, 480 per quarter
    std::int32_t multiplier = 480;
    std::uint16_t status = 0;      // the event's status (0xFF meta, 0xF0/0xF7 system exclusive)
    std::uint16_t runningStatus = 0;  // the channel status a data byte continues (0: none)
    std::uint16_t metaType = 0;    // a meta event's type; 0 otherwise; 0x2F at the track's end
    std::uint16_t length = 0;      // data length of a meta or system-exclusive event
    std::int16_t remainder = 0;    // the rescale's carried remainder
    const std::uint8_t* data = nullptr;  // the event's first data byte in the image
    std::uint32_t offset = 0;      // the event's first data byte as an offset in the image
};

// Why a file was refused. The reader's own, and the importer's (TooManyBars).
enum class SmfProblem : std::uint8_t {
    None,
    ShortFile,       // shorter than a header
    NotMidi,         // no "MThd"
    HeaderLength,    // the header chunk's length does not fit the file
    Format,          // a format other than 0 and 1
    NoTracks,
    DivisionZero,
    SmpteNoTicks,
    TrackMissing,    // a track chunk lies past the file's end
    NotATrack,       // another chunk stands where a track should
    NumberTooLong,   // a variable-length number longer than four bytes
    NoStatus,        // a data byte with no running status in force
    TrackEndsEarly,  // an event is cut off at its track's end
    TooLong,         // the times run past kMaxTick
    TooManyBars,     // the music runs past the score's 32,000 bars
    TooLarge,        // a file larger than the importer reads (64 MB)
};

class CMidiFile {
public:
    enum : int { kDivision = 480, kBadFile = 101, kOutOfMemory = 100 };
    // The latest tick a track may reach (about 560,000 bars of 4/4, far past the 32,000 bars a
    // score holds): every sum of ticks and bar lengths stays inside 32 bits.
    static constexpr std::int64_t kMaxTick = 0x3FFFFFFF;

    // --- reading ---
    // Takes the file image.
    void Attach(std::vector<std::uint8_t> image);
    std::size_t FileSize() const { return image.size(); }
    // The image's byte at an offset; -1 past its end.
    int ByteAt(std::size_t offset) const { return offset < image.size() ? image[offset] : -1; }
    // Reads and checks the header ("MThd", format 0 or 1, at least one track, a division it can
    // read): 0, or 101 with the reason.
    int ReadHeader(SmfHeader* out);
    // Places the cursor on track n's first event (its chunk and every one before it "MTrk" and
    // inside the image, track n itself allowed to run past the image's end); false (101 with
    // the reason) when it cannot be reached.
    bool SeekTrack(int n, SmfEvent* event);
    // How many bytes the chunk of the track last sought claims beyond the file's end (0 when it
    // lies inside); the track is read up to the end.
    std::uint32_t chunkOverrun() const { return overrun; }
    // The next event of the track: true while the track goes on, false after End of Track or
    // at the end of its chunk (metaType 0x2F) and after damage (then error() says what).
    bool ReadEvent(SmfEvent* event);
    // A variable-length number at the cursor (at most four bytes, inside the chunk).
    bool ReadVarLen(std::uint32_t* value);
    // Whether the chunk at an offset has the tag "MTrk" and lies inside the image.
    bool IsTrackChunk(std::size_t offset) const;
    // The division's ticks per quarter as the reader uses it.
    int Division() const { return division; }
    // The event's two data bytes (0 past the event's data).
    static int Data1(const SmfEvent& e) { return e.length > 0 && e.data ? e.data[0] : 0; }
    static int Data2(const SmfEvent& e) { return e.length > 1 && e.data ? e.data[1] : 0; }

    // What went wrong last (empty: nothing), and where: the byte and the track (-1: the header).
    const std::string& error() const { return errorText; }
    std::size_t errorOffset() const { return errorAt; }
    SmfProblem problem() const { return errorProblem; }
    int errorTrack() const { return errorTrackIndex; }
    // Records a refusal found by the caller (the importer's own problems).
    void Refuse(SmfProblem why, std::size_t at, int track = -1);
    // A problem's text in English (the log and the tools) and its string in the program's
    // language (3240 and on; the format's takes the format number as %d).
    static const char* ProblemText(SmfProblem why);
    static unsigned ProblemStringId(SmfProblem why);

    // --- writing ---
    // The header chunk of a format-1 file of `tracks` chunks at 480 per quarter.
    void WriteHeader(int tracks);
    // Starts a track: the buffer empties and the current and last ticks go to 0.
    void BeginTrack();
    // Delta (current tick - last tick) and the bytes as they stand.
    void WriteEvent(const std::uint8_t* bytes, std::size_t n);
    // A channel message with its status: one data byte for program change and channel
    // pressure, two otherwise.
    void WriteChannel(int status, int data1, int data2);
    void WriteDelta();
    void WriteVarLen(std::uint32_t value);
    // A meta event of a type with its data.
    void WriteMeta(int type, const std::uint8_t* data, std::size_t n);
    void WriteText(int type, std::string_view text);
    // FF 58 04 nn dd cc 08: dd the power of two of the denominator, cc the click ticks / 20.
    void WriteTimeSignature(int numerator, int denominator, int clickTicks);
    // FF 51 03: microseconds per quarter = (600,000,000 / quarterTempo) x 10.
    void WriteTempo(int quarterTempo);
    // FF 59 02 sf 00 from the key code (0 none, 1-7 flats, 8-14 sharps as code - 7).
    void WriteKeySignature(int keyCode);
    // FF 05: the syllable (at most 250 characters), a space when it ends a word, then an empty
    // lyric when it carries an extender.
    void WriteLyric(std::string_view text, bool wordContinues, bool extender);
    // F0, the length of what follows the F0, and those bytes.
    void WriteSysex(const std::uint8_t* bytes, std::size_t n);
    // FF 2F 00, then the chunk ("MTrk", its length, the events) appended to the file's bytes.
    void EndTrack();
    // The file's bytes so far.
    const std::vector<std::uint8_t>& Bytes() const { return out; }

    std::int32_t currentTick = 0;
    std::int32_t lastTick = 0;

private:
    bool Fail(SmfProblem why, std::size_t at);

    std::vector<std::uint8_t> image;
    std::size_t position = 0;
    std::size_t chunkEnd = 0;
    std::uint32_t overrun = 0;
    int currentTrack = -1;
    int division = 480;
    SmfHeader header;
    std::string errorText;
    std::size_t errorAt = 0;
    SmfProblem errorProblem = SmfProblem::None;
    int errorTrackIndex = -1;

    std::vector<std::uint8_t> track;
    std::vector<std::uint8_t> out;
};
