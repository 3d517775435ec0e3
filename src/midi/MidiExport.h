// MIDI file export: the score as a format-1 Standard MIDI File. The conductor track takes the
// title, the time signatures and the tempi of the bars and their tempo marks; every playing
// track (the solo and mute settings decide) is played through the performer into a capturing
// device layer (CMidiRedirect), so what is heard is what is written.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "midi/MidiFile.h"
#include "model/MidiOut.h"

class CScore;
class CZelDoc;

// The device layer that export puts in the live one's place: every message lands in the track
// being built at the current tick; the port is ignored.
class CMidiRedirect : public MidiSender {
public:
    explicit CMidiRedirect(CMidiFile& file) : file_(file) {}
    bool SendPatch(int port, int channel, std::int32_t word, int force) override;
    bool SendRecord(int port, int status, int data1, int data2) override;
    bool SendMessage3(int port, int status, int data1, int data2) override;
    // The lyric meta event (and an empty one for an extender) and the key signature, major.
    void SendLyric(const std::string& text, bool wordContinues, bool extender);
    void SendKeySignature(int keyCode);

private:
    CMidiFile& file_;
};

// The file's bytes for the score: 0, or 1 when cancelled in the progress dialog.
int ExportMidiBytes(CZelDoc& doc, std::vector<std::uint8_t>* out);
// Writes the file through a temporary one, so a failed or cancelled export leaves an existing
// file as it was: 0, 1 cancelled, 100 out of memory, or the system's error number.
int ExportMidiFileTo(CZelDoc& doc, const std::string& path);
// Puts the export into the document's File > Export command.
void RegisterMidiExport();
