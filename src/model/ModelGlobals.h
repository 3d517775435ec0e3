// The score model's globals, in one place.
#pragma once
#include <cstdint>

#include "framework/Types.h"
#include "platform/FontRef.h"
#include "model/NewScore.h"
#include "model/NoteMark.h"
#include "model/ScoreLocation.h"

class CBar;
class CBaseItem;
class CInstLib;
struct EngraverSettings;
class CLine;
class CPage;
class CScore;
class CScoreItem;
class CStaff;
class CTrack;
class CTrkBar;
class CZelDoc;

// What the MIDI data views show: the kind (3 controller, 4 key aftertouch, 5 channel
// pressure, 6 pitch bend, 7 program change; 0-8 in all), the controller number, the switch
// that must be on for any item to match, and the height of the data strip under a staff (in
// staff-scaled units), which both the strip's rectangle and the values drawn in it take.
struct DataViewSettings {
    std::uint8_t kind = 0;
    std::uint8_t controller = 0;
    std::uint8_t on = 0;
    std::int16_t bandHeight = 40;
};

struct ModelGlobals {
    // The version words of the score file being read (for example 0x400 or 0x410, and the word
    // that follows the version); record readers repair older layouts by them. Set them with
    // SetLoadedFileVersion, which also gives them to the platform layer's array readers.
    std::uint16_t loadedFileVersion = 0x410;
    std::uint16_t loadedFileMinor = 25;
    NoteMarkInputs noteMarkInputs;  // what a new note mark takes from the palettes

    // --- score records and the score root ---
    // The current context that drawing, hit-testing and edits read: score and document, page,
    // system, bar, staff, track and bar of a track.
    CScore* currentScore = nullptr;
    CZelDoc* currentDoc = nullptr;
    // Set by whoever changes the MIDI thru target (the current voice); the application's idle
    // work routes it and clears it.
    bool thruChangePending = false;
    // The current voice's name: what the idle work and the thru settings' follow take from the
    // current track.
    char currentVoiceName[64] = {};
    CPage* currentPage = nullptr;
    CLine* currentLine = nullptr;
    CBar* currentBar = nullptr;
    // Set while a system's first bar draws the endings of bars on earlier pages that run on into
    // it: an ending then draws only its pieces on this system.
    CLine* continuedSystem = nullptr;
    CStaff* currentStaff = nullptr;
    CTrack* currentTrack = nullptr;
    CTrkBar* currentTrkBar = nullptr;
    CTrkBar* finderBar = nullptr;       // the bar of a track in which the last finder found its item
    // The hold-timing option (menu command 36107): re-timing a bar keeps the absolute play start
    // of every head and leaves grace notes where they play.
    bool holdTiming = false;
    RECT currentItemRect{};             // the current-item rectangle (CBaseItem::SetCurrentRect)
    std::int16_t dragOffsetX = 0;       // drawing offsets of the item being dragged
    std::int16_t dragOffsetY = 0;
    std::int16_t dragEndOffsetX = 0;    // the dragged item's end, for items with two ends
    // The dragged item's own sideways move so far, in its offset units, kept apart from the
    // drag offsets that the drag itself sets at its press and clears at its release: every text
    // draws with it (one running offset for all texts); a mark only while it is g_model.dragItem.
    std::int16_t itemDragX = 0;
    CScoreItem* dragItem = nullptr;     // the item being dragged
    int hitKind = 0;                    // what the last hit test hit (0: an item's rectangle)
    // The hit record of the current tool: the part an item's hit test hit (a head index, -2 a
    // note's stem end) and the tool of that part (903 note, 906 mark, 921 accidental); the drag
    // the hit starts and the double-click hook read them.
    std::int16_t hitPart = 0;
    std::int16_t hitTool = 0;
    bool secondColorDrawing = false;    // items draw in the colour of role 8
    std::int16_t voiceColors[8] = {};   // colour index of each voice (filled at start-up)
    DataViewSettings dataView;
    // Reading: the bytes the record being read may take from its start (0: its class size),
    // and the reader's flag that MIDI data items hold their two data bytes swapped.
    std::int32_t recordRoom = 0;
    bool swappedDataBytes = false;
    // The program's option that leaves pages to one sheet each: the page layout then counts no
    // sheets (a page's columns and rows and the document's pages across and down stay as they are).
    bool noPageTiling = false;
    // The engraver settings of the document being built or laid out (null: the defaults).
    const EngraverSettings* engraverSettings = nullptr;
    // What the next new score is built from (File New; the New dialog replaces it).
    NewScoreSettings newScore;
    // The pseudo-random source that picks an octave line's identifier (null: the C library's).
    int (*randomSource)() = nullptr;
    // Told when the insertion point's bar, track, voice or page changed (the application's
    // status bar; null: nobody).
    void (*statusUpdate)() = nullptr;
    // The instrument library new tracks and the track set-up take their instruments from
    // (start-up makes it and shutdown frees it; null: no instruments).
    CInstLib* instLib = nullptr;

    // --- drawing of pages, systems and bars ---
    RECT updateRect{};                  // the area the current paint redraws (page units)
    bool showHandles = false;           // handles are drawn in this paint
    std::uint8_t highlightMode = 0;     // 0 none; else the playback highlight (8: first track only)
    std::int16_t highlightColor = 0;    // the colour index of the highlight
    std::uint8_t printing = 0;          // a print job is under way (the view sets it)
    std::uint8_t dataDisplayKind = 0;   // the kind the MIDI data box shows in the score (0 hidden)
    std::uint8_t recordingMode = 0;     // the data box's recording mode (8: tempo on the first staff)
    std::uint8_t playbackDisplayMode = 0;  // continued items draw as data while it is not 0
    bool stepEntry = false;             // the step note value is shown along data grids
    bool clipTest = false;              // items are drawn only when they meet the update rectangle
    bool barNumberOverlapped = false;   // the bar-number drawing's overlapped-bar flag
    bool multiRestSeen = false;         // a drawn multi-bar rest asked for its numbers
    int currentBracketSlot = 0;         // the slot HitTestBracket found
    int currentMeterPart = 0;           // the part HitTestMeter found (0-3)
    POINT drawnPoint{};                 // where the item drawn last stands (drag feedback reads it)

    // --- what lies under the mouse ---
    // The last hit of a bar or of the score, besides hitKind: the staff or beat-chart column hit
    // (else 0), the bar hit (for a jumper of a linked bar, the bar that owns it), the item hit
    // (the bar itself for its barlines), the bar of track 0 (or of the hit item's track) at the
    // hit bar, the position-handle kind hit (-1 none) and the title block hit (0-7).
    std::int16_t hitIndex = 0;
    CBar* hitBar = nullptr;
    CBaseItem* hitItem = nullptr;
    CTrkBar* hitTrkBar = nullptr;
    std::int16_t hitHandleKind = -1;
    std::int16_t hitTitle = 0;
    // Typed keys' erase next to the insertion point: the erase-mode word (0x8001) and its
    // companion word.
    std::uint16_t eraseMode = 0;
    std::uint16_t eraseModeExtra = 0;
    // Note > Adjust Pitch: the selected note takes the pitches played on the MIDI keyboard, and
    // the left and right arrows step through the items selecting each.
    std::uint8_t repitch = 0;
    // Where the drag that runs began (the drag task fills it as the mouse goes down).
    ScoreLocation dragStart;
    // The graphic tool's current pen: line width, pen style, a one-bit and a two-bit option (the
    // palettes set them; selecting one graphic takes its own).
    struct GraphicPen {
        std::int16_t lineWidth = 0;
        std::int16_t penStyle = 0;
        std::uint8_t option1 = 0;
        std::uint8_t option2 = 0;
    } graphicPen;
};

extern ModelGlobals g_model;

// Sets the version words of the file being read, here and in the platform layer.
void SetLoadedFileVersion(std::uint16_t version, std::uint16_t minor);

// Start-up values again (tests).
void ResetModelGlobals();

// The program-wide default text fonts: the preferences' sixteen font references, copied in by
// start-up once the preferences are loaded (all zero until then).
FontRef* DefaultFontTable();
