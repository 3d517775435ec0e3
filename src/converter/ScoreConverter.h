// The numbered-notation conversion of a score file's bytes: every note head's shape code is
// replaced by the code of its scale degree (1 to 7), worked out from the head's staff position,
// the clef it sits in and, in movable-do mode, the key of its track.
//
// The converter never reads the score as a whole. It finds the chunks it needs by their tags
// ("STAF" for each track's staff and key, "BDAT" for the bars of the tracks) anywhere in the
// bytes, walks the item records of each bar chunk, and rewrites only the shape of each note head,
// so the copy has the input's length and differs only there. What it relies on:
//
//   byte 47            number of tracks (the low byte of the header's track count)
//   bytes 52-53        number of bars, big-endian
//   "STAF" chunk i     track i's staff; its key code (0 none, 1-7 flats, 8-14 sharps) 16 bytes
//                      after the tag's start
//   "BDAT" chunks      one per bar and track, the tracks one after another; tag, length L
//                      (32-bit big-endian), a 16-bit count, then records filling L - 2 bytes
//   item record        16-bit big-endian size (the stored length plus 4) at +0, type at +2;
//                      type 144 a note, 23 a key change (its key code at +12)
//   note record        low 4 bits of byte 15 the note value (1-2 take the open heads' codes,
//                      3-8 the filled heads'; others are left alone); byte 19 the number of
//                      heads; from byte 20 one 16-byte head after another: its shape code in
//                      the low 6 bits of +0 (bit 7 hides the head, bit 6 selects it), its staff
//                      position (signed, 0 the middle line of a treble staff) at +5, its MIDI
//                      pitch at +7
//
// Every conversion starts from a fresh state. Walks never leave their chunk or the bytes: a
// record too short for its own head, or one that runs past its chunk or the file, ends its
// chunk's walk.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace zel2tqx {

enum class Mode : int { MovableDo = 0, FixedDo = 1 };

inline constexpr int kMaxTracks = 20;
inline constexpr std::uint8_t kNoteType = 144;
inline constexpr std::uint8_t kKeySigType = 23;

// The head-shape codes of scale degrees 1 to 7: open heads (whole and half notes) and filled
// heads (quarter notes and shorter).
inline constexpr std::array<std::uint8_t, 7> kOpenCodes = {17, 23, 20, 10, 22, 21, 11};
inline constexpr std::array<std::uint8_t, 7> kFilledCodes = {12, 13, 14, 15, 18, 19, 16};

// The key shift of a key code: the diatonic steps from the major tonic of the key down to C
// (0-6), which moves the tonic onto degree 1; 0 for codes outside 0-14.
int KeyShift(int keyCode);
// The clef shift of a head: 0 when its MIDI pitch lies within three semitones of the natural
// pitch its staff position has on a treble staff, else 2 (a bass staff).
int ClefShift(int position, int pitch);
// The natural pitch of a staff position on a treble staff (B4 at 0), 0 outside -41 to +33.
int TreblePitch(int position);
// The index (0-6, degree - 1) of a staff position under a key shift and clef shift.
int DegreeIndex(int position, int keyShift, int clefShift);

// What a conversion found and left behind: the track count and bar count of the header, where
// each track's bar chunks end (0: open, the last track's), each track's key shift, and the
// counts of what was rewritten.
struct ConvertState {
    Mode mode = Mode::MovableDo;
    int trackCount = 0;
    int barCount = 0;
    std::array<std::int64_t, kMaxTracks> trackEnds{};  // byte offset just before the next track's first bar chunk
    std::array<int, kMaxTracks> trackKeys{};           // key shifts, 0-6
    int currentKey = 0;
    int clefShift = 0;
    int barChunks = 0;     // bar chunks walked
    int notesConverted = 0;
    int headsRewritten = 0;
    int walksCut = 0;      // bar chunks whose walk ended at a damaged record
};

enum class ConvertResult { Converted, TooManyTracks };

// Converts a whole score file's bytes in place. TooManyTracks (more than kMaxTracks) leaves the
// bytes as they were.
ConvertResult ConvertScoreBytes(std::span<std::uint8_t> bytes, Mode mode, ConvertState* state = nullptr);

}  // namespace zel2tqx
