#include "sequencer/SequencerGlobals.h"

#include "framework/Globals.h"

SequencerGlobals g_sequencer;

void ResetSequencerGlobals() { g_sequencer = SequencerGlobals{}; }

namespace {
const bool registered = (fw::RegisterGlobalsReset(&ResetSequencerGlobals), true);
}  // namespace
