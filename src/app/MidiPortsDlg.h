// The MIDI ports dialog (template 278): which input and output devices the program opens, the
// order of the outputs, and MIDI thru. OK closes both port lists and opens the selected
// devices (staying open when one cannot be opened) and saves the choice; Cancel reopens
// exactly the ports that were open before. Beside each output row a test button plays four
// notes on it; the notes' waits run on the dialog's timer.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/StdDlg.h"

class CMidiInPorts;
class CMidiOutPorts;
class CSystemDevices;

class CMidiPortsDlg : public CStdDlg {
public:
    static constexpr UINT kTemplateId = 278;
    enum : int { kInputs = 3, kOutputs = 4, kMoveToTop = 5, kThru = 6, kLights = 100, kTests = 101 };
    static constexpr UINT kNoOutput = 279, kNoInput = 280;

    CMidiPortsDlg(CSystemDevices& system, CMidiInPorts& in, CMidiOutPorts& out);

    void InitControls() override;
    void OnControl(int id) override;
    bool OnTick() override;
    void DrawControl(int id) override;

    // Opens the selected devices of both lists; false (the dialog stays open) when a device
    // could not be opened or the user chose to pick ports after all.
    bool ApplySelection();
    // Starts the test notes on an output port (the steps run on the dialog's timer).
    void StartTest(int portId);
    bool TestRunning() const { return !testSteps_.empty(); }
    // The input row whose light is lit (-1: none); a message lights its port's row for 5/60 s.
    int LitRow() const { return litRow_; }

    std::uint8_t thru = 0;

private:
    struct Step {
        int status, key, velocity;
        int waitTicks;  // 1/60 s after the send
    };
    std::vector<std::string> ListNames(int listId, bool selectedOnly);

    CSystemDevices& system_;
    CMidiInPorts& in_;
    CMidiOutPorts& out_;
    std::vector<Step> testSteps_;
    std::size_t testNext_ = 0;
    int testPort_ = -1;
    std::int32_t testDue_ = 0;
    int litRow_ = -1;
    std::int32_t litUntil_ = 0;
};

// Runs the dialog over the application's port lists: true on OK (the choice saved, inputs
// started, thru taken from the dialog), false on Cancel (the ports open before reopened).
bool RunPortsDialog();
