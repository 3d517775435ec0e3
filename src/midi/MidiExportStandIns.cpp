// The least bodies of what export asks of the performer (midi/MidiStandIns.h).
#include "midi/MidiStandIns.h"
#include "model/Score.h"

void ExportPerformer::Start(CScore&, int, bool) {}
int ExportPerformer::GetCurrentBar(CScore& score) { return score.GetBarCount(); }
int ExportPerformer::GetTickCounter() { return 0; }
void ExportPerformer::GenerateAhead(int) {}
void ExportPerformer::PlayTick() {}
void ExportPerformer::Silence(int) {}
