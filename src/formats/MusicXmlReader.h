// The MusicXML importer's reader: two walks over the file's elements with the markup tag reader.
// The first collects the header, the part list and every part's measures (attributes, breaks);
// the empty score is built from them; the second places the notes, rests and marks of every
// measure. Ties, slurs, tuplets, beams and lyrics are noted as they close and made once the
// voices of several-staff parts have moved to the staves they sit on, and the marks that stand
// at a time once the bars are spaced (MusicXmlFinish.cpp).
#pragma once
#include <array>
#include <functional>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/ImportText.h"
#include "formats/MusicXmlImport.h"
#include "formats/ScoreBuilder.h"
#include "platform/FontRef.h"
#include "platform/Markup.h"

class CZelDoc;

namespace formats {

class MusicXmlReader {
public:
    static constexpr int kMaxParts = 64;
    static constexpr int kMaxStaves = 4;
    static constexpr int kVoices = 8;
    static constexpr int kMaxBars = 32000;
    static constexpr int kTicksPerQuarter = 480;

    explicit MusicXmlReader(CZelDoc& doc);
    ImportOutcome Run(const std::uint8_t* bytes, std::size_t size);

    // --- what the first walk collects ---
    struct MeasureEntry {
        bool implicit = false;
        int systemBreaks = 0;
        int pageBreaks = 0;
        int staves = 1;
        int divisions = 1;
        int timeSymbol = 0;     // 0 plain, 1 cut, 2 common
        bool keyGiven = false;
        int key = 0;            // key code 0-14
        int mode = 0;
        int beats = 0;
        int beatType = 0;
    };
    struct ClefChange {
        int bar = 0;
        int time = 0;
        int clef = 0;
    };
    struct Wedge {
        bool open = false;
        bool above = false;
        int bar = 0, time = 0, staff = 0, y = 0;
        bool diminuendo = false;
    };
    struct Ottava {
        int size = 0;           // 0 while none is open; negative for a shift down
        bool above = false;
        int bar = 0, time = 0, y = 0;
    };
    // A tie, slur or lyric end: where its note stands (staff and voice of the part).
    struct NotePlace {
        int staff = 0;
        int voice = 0;
        int bar = 0;
        int time = 0;
        bool grace = false;
    };
    struct OpenTie {
        bool open = false;
        NotePlace at;
        int step = 0, octave = 0, alter = 0;
        int pitch = 0;
        int direction = 0;
    };
    struct OpenSlur {
        bool started = false;
        NotePlace at;
        int direction = 0;
    };
    struct OpenTuplet {
        bool open = false;
        NotePlace at;
        int actual = 0, normal = 0;
        int kind = 0;           // CTuplet::Init's kind
    };
    struct PartRecord {
        std::string name, abbreviation, id;   // name and abbreviation in the code page
        int midiChannel = 0;    // 1-16 as read; 0 none
        int midiProgram = 0;    // 1-128 as read; 0 none
        int staffCount = 1;
        int currentClef[kMaxStaves] = {};
        int initialClef[kMaxStaves] = {};
        int lyricLineOffset[kVoices] = {};
        int firstTrack = -1;    // -1: the part has no tracks (it did not fit)
        std::vector<MeasureEntry> measures;
        std::vector<ClefChange> clefs[kMaxStaves];
        // The open beams of each voice (normal and grace notes): the notes so far.
        std::vector<NotePlace> beams[kVoices][2];
        bool beamOpen[kVoices][2] = {};
        OpenTie ties[kVoices][16];
        OpenSlur slurs[6];
        OpenTuplet tuplets[kVoices][16];
        int tupletDepth[kVoices] = {};
        Wedge wedges[16];
        Ottava ottavas[kMaxStaves];
    };
    struct PartGroup {
        int firstPart = -1, lastPart = -1;
        int symbol = 0;         // 0 none, 1 brace, 2 bracket
    };

    // --- what the second walk notes for the finish ---
    struct PendingTie {
        int part;
        NotePlace from, to;
        int pitch;
        int direction;
    };
    struct PendingSlur {
        int part;
        NotePlace from, to;
        int direction;          // 1 above, -1 below, 0 by the stems
    };
    struct PendingTuplet {
        int part;
        NotePlace from, to;
        int actual, normal, kind;
    };
    struct PendingBeam {
        int part;
        std::vector<NotePlace> notes;
    };
    struct PendingLyric {
        int part;
        NotePlace at;
        int verse;
        std::string text;
        FontRef font;
        bool hyphen, extender;
        int y;                  // placement from the file (tenths turned by the y rules)
    };

private:
    // --- text ---
    bool ReadTag(MarkupTag& tag, const char* end = nullptr) { return reader_.ReadTag(tag, end); }
    // The element text after the last tag read, in the code page; as a number (atoi rules).
    std::string ReadText();
    int ReadNumber();
    // A 32-bit number of an attribute (false when absent), whole.
    static bool AttrNumber(const MarkupTag& tag, const char* name, long* v);
    static bool Begins(const MarkupTag& tag, const char* word);
    std::size_t Offset() const { return std::size_t(reader_.pos - text_.Text().data()); }
    void Rewind();
    void Fail(const std::string& reason, std::size_t at);
    // Font attributes (font-family in the code page) over a font.
    void ReadFont(const MarkupTag& tag, FontRef& font) const;

    // --- the frame (MusicXmlReader.cpp) ---
    void ReadDocument();
    void ReadScorePartwise(const MarkupTag& root);
    void ReadDefaults();
    void ReadPartList();
    void ReadScorePart(const MarkupTag& tag);
    void ReadPartGroup(const MarkupTag& tag);
    void ReadPart(const MarkupTag& tag);
    bool ReadMeasure(const MarkupTag& tag);
    void SkipElement(const char* end);

    // --- notes and attributes (MusicXmlNotes.cpp) ---
    void ReadAttributes();
    void ReadClef(const MarkupTag& tag);
    bool ReadNote();
    int ReadDuration();
    void ReadBackupForward(bool backup);
    int ClefAt(int staff, int bar, int time) const;

    // --- directions and barlines (MusicXmlDirections.cpp) ---
    void ReadBarline(const MarkupTag& tag);
    void ReadDirection(const MarkupTag& tag);
    static int ReadDefaultY(const MarkupTag& tag, bool above, int y);
    static int ReadRelativeY(const MarkupTag& tag, int y);

    // --- building and finishing (MusicXmlFinish.cpp) ---
    bool BuildScore();
    void FinishScore();
    int TrackOf(int part, int staff) const;

    CZelDoc& doc_;
    ImportText text_;
    CMarkupReader reader_{""};
    ScoreBuilder builder_;
    ImportOutcome outcome_;

    int pass_ = 0;              // 0 collect, 1 place
    bool sawRoot_ = false;
    bool closedRoot_ = false;
    std::size_t rootAt_ = 0;
    std::size_t firstElementAt_ = std::size_t(-1);
    int partCount_ = 0;
    int groupCount_ = 0;
    int staffDistance_ = 2160;
    int leftMargin_ = 1440;
    int barCount_ = 0;
    int measureIndex_ = 0;
    int systemBreaks_ = 0;
    int pageBreaks_ = 0;
    int time_ = 0;
    int lastDuration_ = 0;
    int graceOffset_ = 0;
    int directionOffset_ = 0;
    int divisions_ = 1;
    std::string title_, number_, composer_, poet_, rights_;
    FontRef wordFont_, lyricFont_, metronomeFont_;
    std::array<PartGroup, 64> groups_{};
    std::vector<PartRecord> parts_;
    PartRecord* part_ = nullptr;
    int partIndex_ = -1;
    std::vector<PendingTie> ties_;
    std::vector<PendingSlur> slurs_;
    std::vector<PendingTuplet> tuplets_;
    std::vector<PendingBeam> beams_;
    std::vector<PendingLyric> lyrics_;
    // The marks that stand at a time of a bar (dynamics, hairpins, octave lines, pedal marks,
    // words, tempo marks), made once the bars are spaced, so that they take the columns of their
    // times as the notes have them.
    std::vector<std::function<void()>> marks_;
    int pedalSymbol_ = 208;

    friend struct NoteReading;
};

}  // namespace formats
