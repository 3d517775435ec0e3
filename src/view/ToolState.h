// The current tool and the note-entry choices of the tool palettes: which mouse tool is current,
// with which palette item, and the note value, dots, tuplet, grace flag and pending accidental
// the next entered note takes. The palettes write it; the page panes and the placing tools read
// it when the user points at or clicks into the score.
#pragma once
#include <cstdint>
#include <functional>

// The size of a guitar-frame record, which the chord tool's own frame holds whole.
inline constexpr int kChordFrameSize = 104;

struct ToolState {
    // Tool ids: the mouse tools, and the palettes' tools that the page panes treat apart.
    enum : int {
        kSelect = 800, kErase = 801, kScale = 802, kHand = 803, kZoom = 804, kScrub = 805,
        kNote = 903, kGroup = 905, kGraphic = 909, kText = 913, kChord = 920,
    };
    // The notes palette's sub-tools.
    enum : int { kNoteSub = 903, kAccidentalSub = 921, kRestSub = 922 };

    std::int16_t tool = 0;          // the current tool id
    std::int16_t button = 0;        // the palette's chosen item; the accidental code 1-5 under the accidental sub-tool
    std::int16_t subTool = 0;       // notes palette: 903 note, 922 rest, 921 accidental
    std::int16_t value = 0;         // notes palette: 0-8 note values, 11-19 rests, 22-31 accidentals
    std::int16_t dots = 0;          // 0-3
    std::int16_t tupletNumber = 0;  // tuplet count, 0 = no tuplet
    std::int16_t tupletSpace = 0;   // in the time of
    std::uint8_t courtesy = 0;      // the chosen accidental is a reminder (drawn in parentheses)
    std::uint8_t grace = 0;         // the next note is a grace note
    std::uint8_t accidental = 0;    // pending accidental: 0 none, 1 sharp, 2 flat, 3 natural, 4 double sharp, 5 double flat
    std::int16_t symbolCode = 0;    // the palettes' small-symbol choice
    // The chord palette's choice: the chord library's index of the current chord (-1 none), its
    // spelled root and bass (0-17, Db = 2 ...; bass -1 none), chord key, bass-below flag, the
    // display byte (nonzero: symbols in parentheses) and the text-only flag (frames show their
    // name alone).
    std::int16_t chordIndex = -1;
    std::int16_t chordRoot = 0;
    std::int16_t chordBass = -1;
    std::uint16_t chordKey = 0;
    std::uint8_t chordBassBelow = 0;
    std::uint8_t chordDisplay = 0;
    std::uint8_t chordTextOnly = 0;
    // The chord tool's own frame: a whole guitar-frame record that the chord window works out
    // for a chord no library frame fits. While chordFramePending is set the chord tool places
    // this frame in diagram mode in place of the library's.
    std::uint8_t chordFramePending = 0;
    std::uint8_t chordFrame[kChordFrameSize] = {};
};

// The tuplet the tuplet button switches on (3 in the time of 2 at start).
struct TupletDefault {
    std::int16_t count = 3;
    std::int16_t space = 2;
};

// Zero at start; the main tool bar makes the select tool and the quarter note current when it
// is made.
extern ToolState g_toolState;
extern TupletDefault g_tupletDefault;

// The accidental code of an accidental button (22-31): (button - 22) mod 5 indexes it.
inline constexpr std::int16_t kAccidentalCodes[5] = {1, 2, 3, 4, 5};

// The choices the palettes' pop-ups make, which the tools that place those items read: the
// vibrato and jazz line shapes (0-6), the drum grace-note choice (1-8) and the graphic
// defaults (arrow style, fill mode, line style, line width). Zero at start.
struct ToolDefaults {
    std::int16_t vibratoShape = 0;
    std::int16_t jazzLineShape = 0;
    std::int16_t drumGraceChoice = 0;
    std::int16_t arrowStyle = 0;
    std::int16_t fillMode = 0;
    std::int16_t lineStyle = 0;
    std::int16_t lineWidth = 0;
};
extern ToolDefaults g_toolDefaults;

// The tool keys: a typed character that the main tool bar takes (true when it took it), asked
// before the document's key handling. Start-up sets it; empty: no key is a tool key.
std::function<bool(int ch)>& ToolKeyHandler();
