// Start-up's wiring of MIDI files: the document's importer for ".mid" and ".kar", the import
// options dialog, the transcription the import runs on each staff, and the export command.
#pragma once

void RegisterMidiFileHooks();
