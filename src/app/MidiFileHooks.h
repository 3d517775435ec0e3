// Start-up's wiring of the MIDI file import: the document's importer for ".mid" and ".kar",
// the import options dialog, and the transcription the import runs on each staff.
#pragma once

void RegisterMidiFileHooks();
