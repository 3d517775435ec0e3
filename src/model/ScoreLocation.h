// A place in the score: the document's insertion point (and the other locations that tools
// and the page panes keep), with the view flags of the score window that ride along with it.
// It lives only in memory.
#pragma once
#include <cstdint>

class CBar;
class CBaseItem;
class CLine;
class CPage;
class CStaff;
class CTrack;
class CTrkBar;

struct ScoreLocation {
    // View flags: bytes holding 0 or 1.
    std::uint8_t handles = 0;          // item handles drawn on the pages
    std::uint8_t cursorDrawn = 0;      // the blinking insertion cursor is drawn now
    std::uint8_t insertionPlaced = 0;  // the insertion cursor is switched on
    std::uint8_t hiddenObjects = 0;    // hidden items are drawn
    // Position overlays, in this order: chord, lyric, slash-note, dynamics, time-code positions.
    std::uint8_t overlays[5] = {};
    std::uint8_t allVoices = 0;        // every voice is shown and edited

    std::uint16_t voice = 0;
    std::uint16_t pageIndex = 0;
    std::int32_t trackIndex = 0;
    std::int32_t systemIndex = 0;
    std::int16_t barIndex = 0;
    std::int16_t position = 0;         // 1/1024 of the bar
    double time = 0;                   // ticks into the bar; readers truncate toward zero
    std::int16_t verse = 0;            // the lyric line (verse) that lyric entry edits
    std::int32_t drumEntry = 0;        // the drum-map entry the page pane's menu recorded
    std::int32_t staffPosition = 0;    // half-space steps
    std::int16_t words[3] = {};        // set to 4, 80 and 64 for a new document
    std::int16_t arrangementMode = 0;  // 0 single page, 1 pages side by side, 2 pages stacked
    std::int32_t verticalOffset = 0;
    std::int32_t stemDirection = 0;    // the voice's stem setting
    // What a rest's placement reads: the palette's note-value index (rests 11-19), the dots,
    // the two tuplet numbers, and the flag that keeps the pointer's staff position.
    std::int16_t noteValueIndex = 0;
    std::int16_t dots = 0;
    std::int16_t tupletCount = 0;
    std::int16_t tupletSpace = 0;
    std::uint8_t placementFlag = 0;
    // What a note's placement reads besides: the head's pitch and accidental code, the note-value
    // code, the slash-head, rhythm-slash and small-note requests, and the head's velocity,
    // release and play duration.
    std::int16_t pitch = 60;
    std::int16_t accidental = 0;
    std::int16_t noteValue = 3;
    std::uint8_t slashRequest = 0;
    std::uint8_t rhythmRequest = 0;
    std::uint8_t smallNote = 0;
    std::uint8_t velocity = 64;
    std::uint8_t release = 64;
    std::uint16_t playDuration = 480;

    // A page point the location was made for, the item's horizontal offset there, and the flag
    // a drag sets when it continues an item across systems.
    std::int32_t pointX = 0, pointY = 0;
    std::int32_t xOffset = 0;
    std::uint8_t continuation = 0;

    CBar* bar = nullptr;
    CLine* system = nullptr;
    CPage* page = nullptr;
    CStaff* staff = nullptr;
    CTrack* track = nullptr;
    CTrkBar* trkBar = nullptr;
    CBaseItem* item = nullptr;
};
