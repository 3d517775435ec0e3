// What the document asks of the application, which lives above the model: its command routing
// (transport, palettes, windows), its key handler for the characters the document does not use,
// the support windows that read keys first, the transport's tempo tap, the tool bar's tool
// choice and the MIDI data box's field step. Start-up puts them in (RegisterApplicationOps);
// without them a command or key goes nowhere and the document's own share still works.
#pragma once
#include <cstdint>
#include <functional>

class CZelDoc;

struct ApplicationOps {
    // The application's command routing (CZelApp::OnCommandRange).
    std::function<void(int id)> command;
    // The application's key handler (CZelApp::HandleKey): true when the key was used.
    std::function<bool(int ch, int scanCode)> handleKey;
    // The step-time entry window (when shown), then the chord window: true when one took the key.
    std::function<bool(int ch, int scanCode)> supportWindowKey;
    // A tempo tap while the transport records in its second mode.
    std::function<void()> tempoTap;
    // The current tool becomes the tool of the id (800: the selection tool).
    std::function<void(int tool)> selectTool;
    // The MIDI data box is shown when hidden and moves to its next field (Tab).
    std::function<void()> dataBoxNextField;
    // Empties the MIDI input queue (Adjust Pitch).
    std::function<void()> clearInputQueue;
    // Takes the chord waiting in the MIDI input queue into the entries (4 bytes each, the note
    // number in the second byte): how many notes it holds, 0 when none came.
    std::function<int(std::uint8_t (*entries)[4])> collectChord;
    // The step-time entry window exists (Adjust Pitch is greyed meanwhile).
    std::function<bool()> stepWindowExists;

    // The open document whose score the performer plays, null when none.
    std::function<CZelDoc*()> playingDocument;

    // Told every id the document's dispatch receives (the tools print what a key ran).
    std::function<void(int id)> commandObserver;

    void Command(int id) const {
        if (command) command(id);
    }
};

ApplicationOps& AppOps();
