// MIDI file export: the score as a format-1 Standard MIDI File. The conductor track takes the
// title, the time signatures and the tempi of the bars and their tempo marks; every playing
// track (the solo and mute settings decide) is played through the performer into a capturing
// device layer (CMidiRedirect), so what is heard is what is written.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "midi/MidiFile.h"
#include "midi/MidiLayer.h"

class CScore;
class Performer;
class CZelDoc;

// The device layer that export puts in the live one's place while the performer plays one
// track: every message lands in the track being built at the current tick; the port is ignored.
// Clock, song position, real-time bytes, channel resets and tempo (the conductor track holds it)
// write nothing.
class CMidiRedirect : public CMidi {
public:
    explicit CMidiRedirect(CMidiFile& file) : file_(file) {}
    // The performer whose lyric slots SendLyric reads (none: lyrics are not written).
    void SetPerformer(const Performer* performer) { performer_ = performer; }
    bool SendEvent(int port, const ChannelMessage& record) override;
    bool SendPatch(int port, int channel, std::int32_t word, int force) override;
    bool SendRecord(int port, int status, int data1, int data2) override;
    bool SendMessage3(int port, int status, int data1, int data2) override;
    bool ResetChannel(int, int) override { return true; }
    bool SendClock(int) override { return true; }
    bool SendSongPosition(int, int) override { return true; }
    bool SendRealtime(int, std::uint8_t) override { return true; }
    bool SetTempo(int, int, int) override { return true; }
    // The lyric meta event of the performer's slot (and an empty one for an extender).
    bool SendLyric(std::int32_t slot, bool noHyphen, bool extender) override;
    // The key-signature meta event, major.
    bool SendKeySignature(int unused, int keyCode) override;

private:
    CMidiFile& file_;
    const Performer* performer_ = nullptr;
};

// The progress dialog of an export (the track being written, its bars, Cancel).
constexpr unsigned kExportProgressTemplate = 268;
// The file's bytes for the score: 0, or 1 when cancelled in the progress dialog.
int ExportMidiBytes(CZelDoc& doc, std::vector<std::uint8_t>* out);
// Writes the file through a temporary one, so a failed or cancelled export leaves an existing
// file as it was: 0, 1 cancelled, 100 out of memory, or the system's error number.
int ExportMidiFileTo(CZelDoc& doc, const std::string& path);
// Puts the export into the document's File > Export command.
void RegisterMidiExport();
