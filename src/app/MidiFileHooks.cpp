#include "app/MidiFileHooks.h"

#include "app/ImportDlg.h"

#include "edit/Transcriber.h"
#include "midi/MidiExport.h"
#include "midi/MidiImport.h"
#include "model/Score.h"

void RegisterMidiFileHooks() {
    RegisterMidiImport();
    RegisterMidiExport();
    g_midiImport.optionsDialog = [](MidiImportSettings& s) { return CImportDlg::Run(s); };
    g_midiImport.transcribe = [](CScore& score, int track, int lastBar, int voice, int grid, bool voices) {
        Transcriber& t = g_edit.transcriber;
        t.Setup(&score, grid, true, true, voices);
        int code = t.Run(track, 0, lastBar, voice);
        // With several voices, the voices that channels were mapped to are transcribed too.
        for (int v = voice + 1; code == 0 && voices && v < 8; ++v) code = t.Run(track, 0, lastBar, v);
        return code;
    };
}
