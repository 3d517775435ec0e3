// The bar-number dialog (template 251): the first number shown (field 3), how often numbers
// show (radios 5-8: every page, every system, every N bars with N in field 9, never), the text
// (prefix 12, box 4, justification radios 13-15, letters 16 with the first letter 17 and the
// letter style radios 18-19), font 20, colour 21, whether a section's start shows the number
// (22), and where the number stands: the sample 10 is dragged over the preview staff 11, and
// where it is let go chooses the anchor (left, centre, right) and the offsets.
#pragma once
#include <cstdint>

#include "platform/StdDlg.h"

class CBarNumDlg : public CStdDlg {
public:
    static constexpr UINT kTemplateId = 251;
    enum : int {
        kFirstNumber = 3, kBox = 4, kEveryPage = 5, kEverySystem = 6, kEveryN = 7, kNever = 8, kInterval = 9,
        kSample = 10, kPreview = 11, kPrefix = 12, kLeft = 13, kCentre = 14, kRight = 15, kLetters = 16,
        kFirstLetter = 17, kRepeatedStyle = 18, kRunningStyle = 19, kFont = 20, kColor = 21, kSectionStart = 22,
    };
    // The sample's width, and the preview's anchors: the left anchor and the left zone's limit
    // from the preview's left, the right zone's limit from its right.
    static constexpr int kSampleWidth = 9, kLeftAnchor = 16, kLeftZone = 32, kRightZone = 32;

    // record: the bar-number item edited in place (50 bytes); firstBar: the bar it starts at;
    // track: the document's current track, which the item takes.
    CBarNumDlg(std::uint8_t* record, int firstBar, int track) : record(record), firstBar(firstBar), track(track) {}

    void InitControls() override;
    void OnControl(int id) override;
    void DrawControl(int id) override;

    // Where the sample stands for the record's anchor, offsets and justification (client
    // coordinates).
    RECT SampleRect();
    // The sample follows a press until the button is released; where it is let go sets the
    // anchor and the offsets.
    void TrackSample();

private:
    std::uint8_t Flags() const { return record[16]; }
    void SetFlags(std::uint8_t v) { record[16] = v; }
    void SetFlag(std::uint8_t bit, bool on) { SetFlags(on ? std::uint8_t(Flags() | bit) : std::uint8_t(Flags() & ~bit)); }
    int Word(int at) const;
    void PutWord(int at, int v);
    void SetShowMode(int mode);
    void SetJustification(int j);
    void EnableLetterFields();
    void DrawPreview();

    std::uint8_t* record;
    int firstBar;
    int track;
    RECT templateSample{};  // the sample's place in the template
};
