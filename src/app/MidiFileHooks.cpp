#include "app/MidiFileHooks.h"

#include "app/ImportDlg.h"

#include "edit/Transcriber.h"
#include "midi/MidiExport.h"
#include "midi/MidiImport.h"
#include "model/BarItem.h"
#include "model/Score.h"
#include "model/TrkBar.h"

namespace {

// Whether a voice of a track still holds performance notes (notes not yet transcribed).
bool HoldsPerformanceNotes(CScore& score, int track, int lastBar, int voice) {
    for (int b = 0; b <= lastBar && b < score.GetBarCount(); ++b) {
        CTrkBar* tb = score.GetTrkBar(track, b);
        for (CBarItem* i = tb ? tb->GetItems() : nullptr; i && i->TypeCode() != 255; i = i->NextItem())
            if (!i->IsRemoved() && i->TypeCode() == 112 && i->VoiceField() == voice) return true;
    }
    return false;
}

}  // namespace

void RegisterMidiFileHooks() {
    RegisterMidiImport();
    RegisterMidiExport();
    g_midiImport.optionsDialog = [](MidiImportSettings& s) { return CImportDlg::Run(s); };
    g_midiImport.transcribe = [](CScore& score, int track, int lastBar, int voice, int grid, bool voices) {
        Transcriber& t = g_edit.transcriber;
        t.Setup(&score, grid, true, true, voices);
        int code = t.Run(track, 0, lastBar, voice);
        // With several voices, the voices that channels were mapped to are transcribed too
        // (those the first run left performance notes in).
        for (int v = voice + 1; code == 0 && voices && v < 8; ++v)
            if (HoldsPerformanceNotes(score, track, lastBar, v)) code = t.Run(track, 0, lastBar, v);
        return code;
    };
}
