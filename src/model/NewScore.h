// The new default score: its settings record and the five starting arrangements.
#pragma once
#include <cstdint>

class CScore;
struct ScoreFileDoc;

struct NewScoreSettings {
    std::int32_t arrangement = 0;   // 0 single staff, 1 piano, 2 voice and piano, 3 guitar, 4 keep tracks
    std::int32_t singleStaffChoice = 0;
    std::int32_t meterPreset = 0;
    std::int32_t tempoFlagA = 0;
    std::int32_t tempoDisplay = 2;  // the beat unit's note-value code - 1 (2: quarter)
    std::int32_t tempoFlagB = 0;
    std::uint16_t tempo = 9600;
    std::int16_t key = 0;
    std::int32_t pickup = 0;
    std::int32_t jazzFont = 0;      // the jazz text and music fonts
    char title[64] = {};
    char remark[64] = {};           // not shown in the New dialog
    char text3[64] = {};            // composer
    char text4[64] = {};            // rights notice
    std::uint8_t keepSettings = 0;
};

// Builds the score of the settings, the texts going into the document's title blocks (none
// without a document); false when memory ran out.
bool BuildNewScore(CScore& score, const NewScoreSettings& settings, ScoreFileDoc* doc = nullptr);
// Gives every track a MIDI channel per output device.
void AssignChannels(CScore& score);
