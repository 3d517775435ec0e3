// The metronome dialog (template 263): the accented and the unaccented click's device, channel,
// note, velocity and duration, edited in the live preferences (Cancel restores them), a test
// that plays one accented and three unaccented clicks (the waits on the dialog's timer), and a
// chord played on the MIDI keyboard setting the focused note or velocity field.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/StdDlg.h"

class CMetroDlg : public CStdDlg {
public:
    static constexpr UINT kTemplateId = 263;
    // Controls of the accented sound, then of the unaccented one.
    struct Ids {
        int device, channel, note, velocity, duration, label;
    };
    static constexpr Ids kAccented{4, 3, 6, 7, 8, 16}, kUnaccented{10, 9, 12, 13, 14, 17};
    static constexpr int kTest = 15;

    void InitControls() override;
    void OnControl(int id) override;
    bool OnTick() override;

    // Reads every control into the preferences.
    void ReadControls();
    // Starts the test clicks.
    void StartTest();
    bool TestRunning() const { return testNext_ < testSteps_.size(); }
    // A chord from the input queue sets the focused field (the field's id, -1: none).
    void TakeChord(int focusedId, int key, int velocity);

private:
    struct Step {
        int port, status, key, velocity, channel;
        int waitTicks;
    };
    void FillDevice(const Ids& ids, int field);
    void FillChannel(const Ids& ids, int field);
    void FillNotes(const Ids& ids, int field);
    void ShowSound(const Ids& ids, int field);

    std::vector<Step> testSteps_;
    std::size_t testNext_ = 0;
    std::int32_t testDue_ = 0;
    std::vector<int> devicePorts_;
};

// Runs the dialog on the live preferences; Cancel restores them. True on OK.
bool RunMetronomeDialog();
