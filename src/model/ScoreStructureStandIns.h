// Minimal forms of the document, preference and view services that the score-wide structure
// and layout passes call and that come with the document and its views. Each carries the
// name its owner gives it and only the body these passes need; the owners replace them.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class CZelDoc;

#include "model/Tempo.h"

// --- services a new score calls on the MIDI layer, the track bars and the score's devices -------
class CTrkBar;

// The MIDI object with its flag that asks for the MIDI setup to be sent again.
struct MidiOutPortsState {
    bool midiExists = true;
    bool resendSetup = false;
};
MidiOutPortsState& MidiOutPorts();
// The chosen MIDI output ports, port ids in list order: the application's one list
// (`CMidiOutPorts`), which it registers at start-up; none until then.
using ChosenOutputPortsFn = std::function<std::vector<int>()>;
ChosenOutputPortsFn& ChosenOutputPorts();

