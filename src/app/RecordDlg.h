// The recording options dialog (template 261): the split over a grand staff and its key, the
// transcription after recording (and one voice per staff), the record filter's type and its
// fourteen kinds, and the transcription's tuplets, shorter staccato and longer tenuto. It edits
// the live preferences; Cancel restores them. A chord played on the MIDI keyboard sets the
// split key.
#pragma once
#include "platform/StdDlg.h"

class CRecordDlg : public CStdDlg {
public:
    static constexpr UINT kTemplateId = 261;
    enum : int {
        kSplit = 3, kSplitKey = 4, kTranscribe = 5, kOneVoice = 6, kAll = 7, kOnly = 8, kExcept = 9,
        kFirstKind = 10, kLastKind = 23, kTuplets = 24, kStaccato = 25, kStaccatoValue = 26, kTenuto = 27,
        kTenutoValue = 28,
    };

    void InitControls() override;
    void OnControl(int id) override;
    bool OnTick() override;
    // Greys the controls that their switches turn off.
    void UpdateEnabled();
    // A played chord: the split key takes its first key.
    void TakeChord(int key);
};

// Runs the dialog on the live preferences; Cancel restores them. True on OK.
bool RunRecordDialog();
