// Minimal forms of the document, preference and view services that the score-wide structure
// and layout passes call and that come with the document and its views. Each carries the
// name its owner gives it and only the body these passes need; the owners replace them.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class CZelDoc;

// --- notation records that the bar recalculation and the new score read and write ---------------
// Minimal views of the clef and key signature records: the fields and counts the
// score-wide passes use. The notation items replace them with their full classes.
#include "model/BarItem.h"

// A clef (type 18, 20 bytes): its clef code.
class CClef : public CBarItem {
public:
    enum : int { kTypeCode = 18, kCode = 16 };
    std::uint8_t GetCode() const { return rec::Get<std::uint8_t>(this, kCode); }
};
ZEL_RECORD_VIEW(CClef);

// A key signature (type 23, 26 bytes): the key, the key it replaces, a flag byte (bit 0 the
// key starting a system, bit 1 a cautionary wanted at the end of the system before, bit 2 its
// cancelling naturals drawn before the barline, bits 3-4 the cancellation mode, bits 6-7 a key
// shown only at its bar's end) and the clef in force.
class CKeySig : public CBarItem {
public:
    enum : int { kTypeCode = 23, kKey = 16, kPreviousKey = 17, kFlags = 19, kClef = 20 };
    enum : std::uint8_t { kSystemStartBit = 0x01, kCautionaryBit = 0x02, kNaturalsBeforeBit = 0x04 };
    std::uint8_t GetKey() const { return rec::Get<std::uint8_t>(this, kKey); }
    std::uint8_t GetPreviousKey() const { return rec::Get<std::uint8_t>(this, kPreviousKey); }
    void SetPreviousKey(int key) { rec::Put(this, kPreviousKey, std::uint8_t(key)); }
    void SetClef(int clef) { rec::Put(this, kClef, std::uint8_t(clef)); }
    std::uint8_t GetFlags() const { return rec::Get<std::uint8_t>(this, kFlags); }
    void SetFlag(std::uint8_t bit, bool on) {
        rec::Put(this, kFlags, std::uint8_t(on ? GetFlags() | bit : GetFlags() & ~bit));
    }
    int GetNaturalMode() const { return (GetFlags() >> 3) & 3; }
    // A key shown only at its bar's end (bits 6-7).
    bool IsKeyFlagged() const { return GetFlags() > 63; }
    // Accidental places the signature occupies, and the naturals that cancel the key before.
    int CountPlaces() const;
    int CountNaturals() const;
};
ZEL_RECORD_VIEW(CKeySig);

// An octave line's piece in one bar (type 25, 28 bytes): the flag byte (bits 0-3 the line
// style, glyph set, line drawn and parenthesis options, bit 4 the first piece, bit 5 the last,
// bits 6-7 the kind), the identifier the pieces of one line share, the vertical offset, the
// continuation offset, the pitch shift, the end position and the end time in ticks.
class COttava : public CBarItem {
public:
    enum : int { kTypeCode = 25, kSize = 28, kFlags = 16, kIdentifier = 17, kVerticalOffset = 18,
                 kContinuationOffset = 20, kShift = 22, kEndPosition = 24, kEndTime = 26 };
    enum : std::uint8_t { kStartPieceBit = 0x10, kEndPieceBit = 0x20, kKindShift = 6 };
    std::uint8_t GetFlags() const { return rec::Get<std::uint8_t>(this, kFlags); }
    std::uint8_t GetIdentifier() const { return rec::Get<std::uint8_t>(this, kIdentifier); }
    int GetKind() const { return GetFlags() >> kKindShift; }
    std::int16_t GetShift() const { return rec::Get<std::int16_t>(this, kShift); }
    std::int16_t GetEndPosition() const { return rec::Get<std::int16_t>(this, kEndPosition); }
    std::int16_t GetEndTime() const { return rec::Get<std::int16_t>(this, kEndTime); }
    // The semitones of a kind: an octave up, an octave down, two octaves up.
    static int ShiftOfKind(int kind) { return kind == 0 ? 12 : kind == 1 ? -12 : 24; }
};
ZEL_RECORD_VIEW(COttava);

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
// `CDevices::IsPortAvailable`: whether the port is one of the chosen output ports.
bool IsPortAvailable(int port);

class CTrack;
// The add-track operation's instrument template: sets a track up from template n. The
// instrument library is not written yet, so no template can be applied: false.
inline bool ApplyInstrumentTemplate(int n, CTrack* track) { return false; }
