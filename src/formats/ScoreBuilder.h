// Building a new score from what an importer of another format read, in the document's empty
// score: the empty score itself (titles, staves with their names and sounds, bars with their
// time signatures, systems and pages, key signatures, braces and brackets), the items put into
// its bars of tracks (notes and rests, marks, clefs, ties, slurs, tuplets, beams, dynamics,
// hairpins, octave lines, symbols, texts, lyrics, tempo marks) and the finishing (voices moved to
// the staff they sit on, grace notes timed, rests in the gaps, accidentals, spacing and the page
// layout). Every importer builds through it; what it puts in is the program's own records made
// by their own constructors, as the tools make them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/FontRef.h"

class CBar;
class CBarItem;
class CScore;
class CTrkBar;
class CZelDoc;

namespace formats {

// One staff (a track) of a new score.
struct StaffSetup {
    int clef = 0;               // clef code (platform/Theory.h)
    std::string name;           // code page; on the first system
    std::string abbreviation;   // code page; on the later systems
    bool showName = true;
    int channel = 0;            // 0-15, every voice
    int program = 0;            // 0-127, every voice, sent to no device
};

// One bar of a new score.
struct BarSetup {
    int numerator = 4;
    int denominator = 4;        // 1-64, a power of two
    bool common = false;
    bool cut = false;
    bool pickup = false;        // a short bar that does not count for numbering
    bool meterShown = false;    // the bar shows its time signature (the first bar always does)
};

struct ScoreSetup {
    std::vector<StaffSetup> staves;   // 1-64
    std::vector<BarSetup> bars;       // at least one
    // The first bar of each system after the first, in order (empty: the document's bars per
    // system), and the first system of each page after the first (empty with it: the document's
    // systems per page).
    std::vector<int> systemBreaks;
    std::vector<int> pageBreaks;
    int staffSpacing = 0;             // the first system's distance between staves (0: as laid out)
    int leftIndent = 1440;            // the first system's left indent
};

// A note's head or a rest put into a bar of a track.
struct NotePlan {
    int voice = 0;              // 0-7
    int time = 0;               // ticks from the bar's start
    int value = 3;              // note-value code 0-8 (breve ... 128th)
    int dots = 0;
    int tupletActual = 0;       // the tuplet ratio (0: none)
    int tupletNormal = 0;
    bool rest = false;
    bool grace = false;
    bool cue = false;
    int stem = 0;               // 0 automatic, 1 up, 2 down
    int crossStaff = 0;         // the staff it stands on, counted from its own track's (0-3)
    int staffPos = 0;           // heads
    int pitch = 60;
    int accidental = 0;         // accidental code (platform/Theory.h)
    bool accidentalShown = false;
    int duration = 480;         // play duration in ticks
    bool tieStart = false;
    bool tieEnd = false;
    int velocity = 80;
};

// Where a note of a bar of a track is found again after later items moved it: its voice, time
// and grace kind.
struct NoteKey {
    int track = 0;
    int bar = 0;
    int voice = 0;
    int time = 0;
    bool grace = false;
};

class ScoreBuilder {
public:
    explicit ScoreBuilder(CZelDoc& doc);

    CZelDoc& Document() { return doc_; }
    CScore& Score() { return *score_; }

    // The empty score of the setup: false when an array cannot be sized (what was made stays).
    bool Build(const ScoreSetup& setup);
    // A line of a title block (0-7, line 0-3), cut to the line.
    void SetTitleLine(int block, int line, const std::string& text);
    // A key signature (key code 0-14) at the start of a bar of a track (a standard staff); in bar
    // 0 it becomes the track's key. Raises the out-of-memory error when it cannot be made.
    void PutKey(int track, int bar, int key);
    // A brace (1) or bracket (2) over tracks first-last in every system; with `replace`, any
    // bracket over exactly those staves goes first.
    void PutBracket(int kind, int first, int last, bool replace);

    // --- items of a bar of a track; null or false when no room could be made ---
    // A note or rest; with `chord` a note of the voice and grace kind at the time (not a rest)
    // takes it as one more head. The record (valid until the run changes again).
    CBarItem* PutNote(int track, int bar, const NotePlan& plan, bool chord);
    // A mark on a note or rest: placement 1 above, -1 below, 0 its own side. The record again.
    CBarItem* PutMark(CBarItem* note, int track, int bar, int code, int placement);
    // A clef change at a time (code 0-13).
    bool PutClef(int track, int bar, int time, int clef);
    // A tie from the head of `pitch` of the note at `from` to the note at `to` (the same or the
    // next bar): direction 1 above, -1 below, 0 the tie's own rule. True when either note is not
    // found (nothing made).
    bool PutTie(const NoteKey& from, int pitch, const NoteKey& to, int direction);
    // A slur from a note or rest to a later one (the same track): above or below, shaped by its
    // notes. True when either end is not found.
    bool PutSlur(const NoteKey& from, const NoteKey& to, bool above);
    // A tuplet over the notes and rests of a voice from `from` to `to` (in from's bar): kind as
    // CTuplet::Init (0 the number alone, 4 a bracket with the number in it).
    bool PutTuplet(const NoteKey& from, const NoteKey& to, int actual, int normal, int kind);
    // A beam over notes (in order, across bars of one track); fewer than two found: nothing.
    bool PutBeam(const std::vector<NoteKey>& notes);
    // A dynamic mark (0-15) of a voice; velocity 0 takes the mark's own.
    bool PutDynamic(int track, int bar, int time, int voice, int mark, int velocity, int dx, int dy);
    // A hairpin to a position (1/1024) `endBars` bars on; a crescendo or decrescendo.
    bool PutHairpin(int track, int bar, int time, int endBars, int endPosition, bool decrescendo, int dy);
    // A music-font symbol (a pedal mark) of voice 0.
    bool PutSymbol(int track, int bar, int time, int character, int dy);
    // A text (code page) in a font at offsets.
    bool PutText(int track, int bar, int time, const std::string& text, const FontRef& font, int dx, int dy);
    // A lyric syllable under a note of a voice: verse 0-7, the syllable (code page) holding its
    // own text, hyphen and extender after it.
    bool PutLyric(int track, int bar, int time, int voice, int verse, const std::string& text, const FontRef& font,
                  bool hyphen, bool extender);
    // A tempo mark in the bar's own items: tempo in hundredths of a beat per minute, the mark's
    // flags byte (text shown, metronome shown, dotted, parentheses, beat unit), its text.
    bool PutTempo(int bar, int time, int tempo, std::uint8_t unitFlags, const std::string& text, const FontRef& font,
                  int dx, int dy);

    // --- finishing ---
    // The voices of a part whose notes sit mostly on another of its staves (cross-staff offset)
    // move whole to that staff's track, their offsets counted from there; the voices moved to one
    // track are numbered from the lowest of them.
    struct VoiceMoves {
        int offset[8] = {};         // the staff each voice moved to (0: it stayed)
        int voice[8] = {};          // its voice there
    };
    VoiceMoves MoveStaffVoices(int firstTrack, int staves);
    // The track and voice that a voice of a part's first track ended up in.
    static void MapVoice(const VoiceMoves& moves, int firstTrack, int* track, int* voice);
    // Runs of grace notes play before their main note (spread when they would not follow each
    // other), and a note sounding into the first of them ends there.
    void TimeGraceNotes();
    // Bars that are not pickups get rests in their voices' gaps; every run is sorted, its
    // accidentals worked out, its beams and slurs laid out again.
    bool FillAndTidy(const std::vector<bool>& pickup);
    // The bars' running state renewed from bar 0 and every bar spaced, so that a time's column
    // (CBar::TickToFraction) is where its notes stand.
    bool SpaceBars();
    // The score laid out: every bar spaced, the systems reflowed onto pages, the staff size
    // fitted to the pages. False when a bar cannot be spaced.
    bool LayOut();

private:
    CTrkBar* TrkBar(int track, int bar);
    CBarItem* FindNote(const NoteKey& key, bool notesOnly);

    CZelDoc& doc_;
    CScore* score_;
    int ottavaDraws_ = 0;
};

}  // namespace formats
