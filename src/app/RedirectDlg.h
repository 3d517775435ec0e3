// The MIDI redirect dialog of a track (template 273): the track's output device, the output its
// playing is redirected to and the input whose playing is accepted for it, each "None" or one of
// the chosen ports. A redirect takes effect only with both set (the application's idle work
// builds the redirect table from the tracks that have both).
#pragma once
#include <vector>

#include "platform/StdDlg.h"

class CTrack;

class CRedirectDlg : public CStdDlg {
public:
    static constexpr UINT kTemplateId = 273;
    enum : int { kDevice = 3, kOutput = 4, kInput = 5, kClear = 6 };

    explicit CRedirectDlg(CTrack& track) : track_(track) {}
    void InitControls() override;
    void OnControl(int id) override;

private:
    CTrack& track_;
    std::vector<int> outputs_, inputs_;  // the port id of each combo entry ("None" is -1)
};

// Runs the dialog on a track: OK stores the redirect output and the accepted input (-1 for
// "None"); Cancel leaves the track as it was. True on OK.
bool RunRedirectDialog(CTrack& track);
