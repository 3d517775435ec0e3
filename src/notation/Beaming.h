// The beaming work object: every beam of the score is made or renewed through the one
// BeamContext. A caller prepares it for a bar of a track (Init), then beams one voice by the
// meter between two times (AutoBeam), beams a chosen set of notes (AddNote, then BeamNotes), or
// lays one existing beam out again (MakeBeam). Grouping by the meter, the beam record's building
// and its re-layout live in Beaming.cpp; the stems, end heights, slope and segments of a group
// in BeamLayout.cpp.
#pragma once
#include <cstdint>
#include <vector>

class CBar;
class CBarItem;
class CBeam;
class CLine;
class CRawHead;
class CRawNote;
class CTrkBar;
class BeamSegment;

class BeamContext {
public:
    static constexpr int kMaxItems = 256;
    // A beam's segment count is one byte.
    static constexpr int kMaxSegments = 255;
    // Layout's answer when the beam would need more segments than its count can hold.
    static constexpr int kTooManySegments = -2;

    // --- the record's fields, in their order ---
    std::uint8_t autoStem = 0;
    std::uint8_t beatMode = 0;
    std::uint8_t twoLevel = 0;
    std::int32_t beatLength = 0;
    std::int32_t spanLength = 0;
    std::int32_t subGroupLength = 0;
    std::int32_t workCount = 0;
    std::int32_t inputCursor = 0;
    std::int32_t inputCount = 0;
    std::int32_t tremoloStrokes = 0;
    std::int32_t track = 0;
    std::int32_t groupIndex = 0;
    std::int32_t groupUnits = 0;
    std::int32_t unit = 240;
    std::int32_t unitLevels = 1;
    std::int32_t windowStart = 0, windowEnd = 0;
    std::int32_t firstGroupLength = 0;
    std::int32_t level2Interval = 0, level2End = 0;
    std::int32_t level3Interval = 0, level3End = 0;
    CTrkBar* workBars[kMaxItems] = {};
    CBarItem* workItems[kMaxItems] = {};
    struct Pair {
        CBarItem* item = nullptr;
        CTrkBar* trkBar = nullptr;
    } input[kMaxItems];
    CBar* bar = nullptr;
    CTrkBar* trkBar = nullptr;
    CLine* line = nullptr;

    // --- preparing and feeding ---
    void Init(CTrkBar* trkBar, int beatMode, int tremoloStrokes);
    void AddNote(CBarItem* item, CTrkBar* trkBar);
    void AddItem(CTrkBar* trkBar, CBarItem* item);
    CBarItem* GetItem(int i, int* barOut);

    // --- beaming ---
    // Beams the input pairs; false when memory ran out (beams already inserted stay).
    bool BeamNotes(bool redraw);
    // Beams one voice of the current bar between two times (to of 32767 or more: the bar's end).
    void AutoBeam(int track, int voice, int fromTime, int toTime);
    // Lays an existing beam out again; mode bit 0 decides the stems and end heights afresh.
    // Returns the beam's address (it moves when its size changes).
    CBarItem* MakeBeam(CBarItem* beam, int mode);
    // Builds a beam record from the work list into the buffer (resized to hold it); returns the
    // segments laid out, 0 or less when no beam results.
    int Build(std::vector<std::uint8_t>* buffer);

    // --- the meter's windows ---
    void SetWindows(int time);
    void NextWindow();
    void AdvanceSubWindows(CBarItem* item);

    // --- grouping ---
    int TakeBeatGroup();
    int TakeGroup(bool gracePass);
    int CollectBeamItems(CBeam* beam);
    void ChooseSubGroups(CBeam* beam);
    int LevelsOf(int i);

    // --- layout (BeamLayout.cpp) ---
    void SetStemsAndSlope(CBeam* beam, CRawNote* firstNote, CRawNote* lastNote, bool autoAllowed);
    int Layout(CBeam* beam);
    bool FindSegmentEnd(int* index, BeamSegment& segment, int segmentIndex, int level, double* accumulated,
                        int barNumber, CBeam* beam);
    void SetStubDirection(int start, int end, BeamSegment& segment, CBeam* beam, int item);
    void SetPartialFlags(int start, int end, int segmentIndex, CBeam* beam, bool firstStemUp);
    void CrossStaffEnds(CBeam* beam, CRawNote* firstNote, CRawNote* lastNote, int* startOut, int* endOut,
                        bool stemsUp);

    // The bar number of work entry i's track bar.
    int WorkBarNumber(int i) const;
    // Work entry i's position counted from the context's bar (1024 per bar on).
    int WorkPosition(int i) const;
};

extern BeamContext g_beamContext;
// Set while a beam layout re-lays out the notes it spans.
extern bool g_beamLayoutRunning;

// Saves the context's bar, track bar and beat mode and puts them back (nested re-layouts).
class BeamContextSave {
public:
    BeamContextSave();
    ~BeamContextSave();
    BeamContextSave(const BeamContextSave&) = delete;
    BeamContextSave& operator=(const BeamContextSave&) = delete;

private:
    CBar* bar_;
    CTrkBar* trkBar_;
    CLine* line_;
    std::uint8_t beatMode_;
    std::int32_t track_;
    std::int32_t strokes_;
};

// Puts the beaming into the model's hooks (start-up calls it with the class registration).
void RegisterBeaming();
