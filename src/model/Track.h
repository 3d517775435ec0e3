// The track: one instrument part of the score (2872 bytes, type code 3), an element of the
// score's track array. The record is a packed byte image that the arrays move with memmove and
// the undo snapshots keep as bytes, so the offsets below are binding.
//
//   offset  12  full name, 32 bytes NUL-terminated (at most 31 characters)
//   offset  44  abbreviation, 32 bytes
//   offset  76  label offsets: full name x, y; abbreviation x, y (16-bit, 1/120 space)
//   offset  84  two bytes kept as stored
//   offset  86  flags: bit 0 full name shown, 1 abbreviation shown, 2 a channel per voice,
//               3 transposed display, 4 an audible voice (derived), 5 muted, 6 solo, 7 kept
//   offset  87  bit 0 key only at the start; bits 1-4 voice limit; bits 5-7 staff kind
//   offset  88  instrument byte: tracks of one instrument share a channel
//   offset  89  transposition (signed semitones), 90 highest key, 91 lowest key
//   offset  92  clef, 93 clef of the transposed display, 94 key, 95 staff size percent
//   offset  96  display switches: 0 ledger lines, 1 clef, 2 time, 3 key, 4 barlines,
//               5 fill voices with rests, 6 horizontal beams, 7 clef only at the start
//   offset  97  bits 0-3 open-string offset, bits 4-7 line count (derived from the mask)
//   offset  98  line mask (bit b: a line at staff position 2 x (b - 8))
//   offset 100  string tuning, 8 bytes (top line first)
//   offset 108  eight voice slots of 14 bytes (see kSlot*)
//   offset 220  stem direction per voice, 8 bytes
//   offset 228  drum map: positions, note heads, keys, voices (16 bytes each)
//   offset 292  accepted input port, 294 redirect output port (16-bit, -1 none)
//   offset 296  enharmonic key choice (bits 0 and 1)
//   offset 300  four bytes never stored (the owner is found through the current score)
//   offset 304  the track's mark-playback table (2050 bytes)
//   offset 2354 voice-definition names, 8 x 64 bytes
//   offset 2866 the track's font (6 bytes; size 0: not set yet)
#pragma once
#include <cstddef>
#include <cstdint>

#include "model/ArrayItem.h"
#include "platform/FontRef.h"

class CChunkStream;
class CScore;
struct MarkPlaybackTable;

class CTrack : public CArrayItem {
public:
    enum : int {
        kName = 12,
        kAbbreviation = 44,
        kNameLength = 32,
        kLabelOffsets = 76,
        kKept84 = 84,
        kKept85 = 85,
        kFlags86 = 86,
        kFlags87 = 87,
        kInstrument = 88,
        kTransposition = 89,
        kHighKey = 90,
        kLowKey = 91,
        kClefByte = 92,
        kTransposedClef = 93,
        kKeyByte = 94,
        kStaffSize = 95,
        kDisplay = 96,
        kStrings = 97,
        kLineMask = 98,
        kTuning = 100,
        kSlots = 108,
        kSlotSize = 14,
        kStems = 220,
        kDrumPositions = 228,
        kDrumHeads = 244,
        kDrumKeys = 260,
        kDrumVoices = 276,
        kInputPort = 292,
        kRedirectPort = 294,
        kEnharmonic = 296,
        kOwner = 300,
        kMarkTable = 304,
        kVoiceDefNames = 2354,
        kVoiceDefNameSize = 64,
        kFont = 2866,
        kSize = 2872,
    };
    // Voice slot fields.
    enum : int {
        kSlotVoiceWord = 0,
        kSlotPort = 2,
        kSlotMuteSolo = 4,
        kSlotChannel = 5,
        kSlotAudible = 6,
        kSlotVolume = 7,
        kSlotPitchOffset = 8,
        kSlotPan = 9,
        kSlotPatch = 10,
    };
    static constexpr int kTypeCode = 3;
    static constexpr int kVoices = 8;
    static constexpr int kDrums = 16;
    // Stored mark-playback entries: 0-31, then 61, 62 and 63.
    static constexpr int kStoredMarkEntries = 35;

    // Builds the record in place: code 3, size 2872; the other bytes are left as they are.
    static CTrack* Construct(void* record);
    // Makes this record a copy of another, every byte of it: head, names, label offsets,
    // staff, voices, drums, mark playback table, voice-definition names and font.
    void CopySettings(const CTrack& source);

    // --- record and chunk ---
    // The defaults of a new track over a record whose bytes after the head are zero.
    void Init(int staffKind, int clef, std::uint16_t lineMask);
    void WriteChunk(CChunkStream& stream);
    // Reads "TRAK" by the version and revision of the file being read.
    void ReadChunk(CChunkStream& stream);

    // --- names ---
    // The full name; an empty one, unless keepEmpty, gives the default track word and the
    // 1-based track number.
    char* GetName(char* buffer, bool keepEmpty);
    const char* GetFullName() const { return reinterpret_cast<const char*>(Bytes() + kName); }
    const char* GetAbbreviation() const { return reinterpret_cast<const char*>(Bytes() + kAbbreviation); }
    void SetName(const char* text);
    void SetAbbreviation(const char* text);
    const char* GetLabelText(bool firstSystem) const { return firstSystem ? GetFullName() : GetAbbreviation(); }
    // The label of the current system (full name on the first, abbreviation elsewhere) in
    // view pixels; empty when the staff is hidden here or this label is switched off.
    RECT* GetLabelRect(RECT* rect, bool firstSystem);
    // The width of the widest line of a label text in the label's font at the view's scale, in
    // view pixels, as DrawLabel draws it (the system layout keeps room for it).
    int MeasureLabel(const char* text, bool firstSystem);
    // Draws the label at its offsets from (x, y): the label anchor and the staff's reference y.
    void DrawLabel(int x, int y, bool firstSystem);
    // The upper staff of a grand staff: a brace on the first system, not the last track, clef 0
    // over a next track with clef 1.
    bool IsGrandStaffTop();
    void SetLabelOffsets(bool firstSystem, int x, int y) {
        rec::Put(this, kLabelOffsets + (firstSystem ? 0 : 4), std::int16_t(x));
        rec::Put(this, kLabelOffsets + (firstSystem ? 2 : 6), std::int16_t(y));
    }
    std::int16_t GetLabelOffsetX(bool firstSystem) const { return Word(kLabelOffsets + (firstSystem ? 0 : 4)); }
    std::int16_t GetLabelOffsetY(bool firstSystem) const { return Word(kLabelOffsets + (firstSystem ? 2 : 6)); }
    // Copies the text with each comma turned into a line end; the number of lines.
    static int SplitLabelLines(char* out, const char* text);

    // --- flags ---
    std::uint8_t GetTrackFlags() const { return Byte(kFlags86); }
    void SetTrackFlags(std::uint8_t v) { PutByte(kFlags86, v); }
    std::uint8_t GetDisplaySwitches() const { return Byte(kDisplay); }
    void SetDisplaySwitches(std::uint8_t v) { PutByte(kDisplay, v); }
    bool IsTransposedDisplay() const { return (GetTrackFlags() & 0x08) != 0; }
    bool HasHorizontalBeams() const { return (GetDisplaySwitches() & 0x40) != 0; }
    bool IsKeyOnlyAtStart() const { return (Byte(kFlags87) & 1) != 0; }
    // The instrument byte, by which tracks of one instrument share a MIDI channel.
    int GetInstrument() const { return Byte(kInstrument); }
    void SetInstrument(int instrument) { PutByte(kInstrument, std::uint8_t(instrument)); }
    // The meter-group flag that time-signature rules and hits read (bit 2 of byte 87).
    bool IsMeterGroup() const { return (Byte(kFlags87) & 0x04) != 0; }

    // --- staff kind, clef, range, key ---
    int GetStaffKind() const { return Byte(kFlags87) >> 5; }
    bool IsStandardStaff() const { return GetStaffKind() == 0; }
    bool IsPercussionStaff() const { return GetStaffKind() == 1; }
    bool IsTablatureStaff() const { return GetStaffKind() == 2; }
    void SetStaffKind(int kind);
    std::uint8_t GetClef() const { return Byte(kClefByte); }
    void SetClef(int clef);
    std::uint8_t GetShownClef() const;
    std::uint8_t GetTransposedClef() const;
    void SetTransposedClef(int clef);
    int GetTransposition() const { return IsStandardStaff() ? std::int8_t(Byte(kTransposition)) : 0; }
    void SetTransposition(int t) { PutByte(kTransposition, std::uint8_t(t)); }
    int GetDisplayShift() const;
    int GetHighRange() const;
    int GetLowRange() const;
    void SetHighRange(int key) { PutByte(kHighKey, std::uint8_t(key)); }
    void SetLowRange(int key) { PutByte(kLowKey, std::uint8_t(key)); }
    std::uint8_t GetKey() const { return Byte(kKeyByte); }
    void SetKey(int key) { PutByte(kKeyByte, std::uint8_t(key)); }
    bool GetEnharmonicFlag(int which) const;
    void SetEnharmonicFlag(int which, bool on);
    // The track font; a font of size 0 is first filled from the score's default track font.
    void GetTrackFont(FontRef* out);
    std::uint16_t GetLineMask() const { return rec::Get<std::uint16_t>(this, kLineMask); }
    void SetLineMask(std::uint16_t mask) { rec::Put(this, kLineMask, mask); }

    // --- drums and strings ---
    int GetDrumPosition(int i) const { return InDrums(i) ? std::int8_t(Byte(kDrumPositions + i)) : 0; }
    int GetDrumHead(int i) const { return InDrums(i) ? Byte(kDrumHeads + i) : 0; }
    int GetDrumKey(int i) const { return InDrums(i) ? Byte(kDrumKeys + i) : 0; }
    int GetDrumVoice(int i) const { return InDrums(i) ? Byte(kDrumVoices + i) : 0; }
    int FindDrumByKey(int key, int voice) const;
    int FindDrumByPosition(int pos, int voice) const;
    int GetDrumKeyAtPosition(int pos, int voice) const;
    // Staff positions of the lines from the top; the line count (at most 8), also stored.
    int GetLinePositions(int* out);
    int GetStringTuning(int i) const { return i >= 0 && i < 8 ? Byte(kTuning + i) : 0; }
    void SetStringTuning(int i, int key) {
        if (i >= 0 && i < 8) PutByte(kTuning + i, std::uint8_t(key));
    }
    int GetOpenStringOffset() const { return Byte(kStrings) & 0x0F; }
    int GetOpenStringKey(int i) const { return GetStringTuning(i) + GetOpenStringOffset(); }
    void SetDefaultTuning();
    // The line at a staff position (0 when no line is there).
    int GetStringOfPosition(int pos);

    // --- played keys and written positions ---
    // Percussion: the drum of the key in this voice, else in any voice, gives its position
    // (0 when none). Tablature: a value below the line count is a line index, giving that
    // line's position. Otherwise the key's staff position under the clef and key signature.
    int PlayedToWrittenPitch(int key, int voice, int clef, int keySig);
    // Percussion: the drum at the position in this voice, else in voice 0, gives its key.
    // Tablature: on line i, the open key of i + the fret + the open-string offset (the offset
    // counts twice). Otherwise, and when neither finds anything, the position's pitch under the
    // clef and key signature.
    int WrittenToPlayedPitch(int pos, int voice, int clefOrFret, int keySig);
    // Percussion: the head of the drum of the key in this voice, else in voice 0, else 0.
    // Tablature: the written fret position (32 the open string) when it lies in 32-57, else 0.
    // A standard staff: 0.
    int GetNoteHeadForKey(int key, int voice, int string);

    // --- the drum map and the track's notes ---
    // Builds the drum map from the keys the track's notes play (at most 16, highest first);
    // returns how many (0: the map is unchanged).
    int CollectDrumMap(CScore* score);
    // Moves every head of the track's notes to its drum's position with its drum's head.
    void ApplyDrumMap(CScore* score);
    // Every performance note takes the voice of the drum of its first head that has one.
    void ApplyDrumVoices(CScore* score);

    // --- voices: the eight slots, one voice or all (voice -1); getters read a negative voice
    // as 0. Setters with a send flag send what they change through the MIDI layer when asked,
    // and tell the track's score which patches are in use.
    std::uint8_t* Slot(int voice) { return Bytes() + kSlots + kSlotSize * ClampVoice(voice); }
    const std::uint8_t* Slot(int voice) const { return Bytes() + kSlots + kSlotSize * ClampVoice(voice); }
    int GetVoiceCount() const { return (Byte(kFlags87) >> 1) & 0x0F; }
    void SetVoiceCount(int n);
    // True when the voice is below the voice limit; else shows string 10006 and refuses it.
    bool CheckVoice(int voice) const;
    // The stem-direction setting of a voice (0 automatic).
    std::int8_t GetVoiceStem(int voice) const { return std::int8_t(Byte(kStems + ClampVoice(voice))); }
    void SetVoiceStem(int voice, int value);
    bool IsVoiceStemAuto(int voice) const { return GetVoiceStem(voice) == 0; }
    void SetVoiceWord(int voice, int value);
    int GetDevice() const { return std::int16_t(rec::Get<std::uint16_t>(Slot(0), kSlotPort)); }
    void SetDevice(int port);
    // The voice-setup refresh after a port change: every voice takes voice 0's port, and the
    // performer's channel table of the track follows it.
    void RefreshVoiceSetup();
    bool IsDeviceAvailable() const;
    bool IsSamplePlayerTrack() const;
    int GetVoiceChannel(int voice) const { return Slot(voice)[kSlotChannel]; }
    void SetVoiceChannel(int voice, int channel);
    std::int32_t GetVoicePatch(int voice) const { return rec::Get<std::int32_t>(Slot(voice), kSlotPatch); }
    void SetVoicePatch(int voice, std::int32_t word, bool send);
    int GetVoiceProgram(int voice) const;
    void SetVoiceProgram(int voice, int program, bool send);
    int GetVoiceBank(int voice) const;
    void SetVoiceBank(int voice, int bank, bool send);
    int GetVoiceVolume(int voice) const { return Slot(voice)[kSlotVolume]; }
    void SetVoiceVolume(int voice, int volume, bool send);
    int GetVoicePan(int voice) const { return std::int8_t(Slot(voice)[kSlotPan]); }
    void SetVoicePan(int voice, int pan, bool send);
    // The semitones a voice is played above its notes.
    int GetVoiceTranspose(int voice) const { return std::int8_t(Slot(voice)[kSlotPitchOffset]); }
    void SetVoiceTranspose(int voice, int semitones);
    // Voice -1: the track's own mute or solo bit; a voice below the limit: its own bit.
    bool IsMuted(int voice) const;
    bool IsSolo(int voice) const;
    // Mute and solo never hold together on one target; the score then works out who sounds.
    void SetMuted(int voice, bool on);
    void SetSolo(int voice, bool on);
    bool IsVoiceAudible(int voice) const { return Slot(voice)[kSlotAudible] != 0; }
    void SetVoiceAudible(int voice, bool on) { Slot(voice)[kSlotAudible] = on ? 1 : 0; }
    // Decimal texts of the values (a volume not set gives "-"); text holds at least 16 bytes.
    void FormatVoiceVolume(int voice, char* text) const;
    void FormatVoicePan(int voice, char* text) const;
    void FormatVoiceTranspose(int voice, char* text) const;
    const char* GetVoiceDefName(int voice) const;
    // Copies the voice's definition name (64 bytes) out and all eight into the current-track
    // name table.
    void GetVoiceDefName(int voice, char* out) const;
    void SetVoiceDefName(int voice, const char* name);
    // Names for the user: the device, the voice's bank and patch ("None" without a port or
    // value).
    void GetDeviceName(char* out, std::size_t size) const;
    void GetVoiceBankName(int voice, char* out, std::size_t size) const;
    void GetVoicePatchName(int voice, char* out, std::size_t size) const;
    // Sends every voice's patch once per port, channel and patch (and a sample player's
    // volumes).
    void SendVoicePatches() const;
    // Sounds a key on a voice (shifted by the display and the voice's offset); with
    // endAfterWait the note is ended 4 ticks later.
    void SoundNote(int key, int velocity, int voice, bool endAfterWait) const;
    // The popups by which the user chooses a voice's channel, bank, the track's port, a voice's
    // volume, pan, sound or patch at a screen point; each stores a choice with sending on and
    // returns true when something changed. PopupPatch writes the chosen name into nameOut
    // (kPatchNameSize bytes, cleared first) when it is given.
    static constexpr int kPatchNameSize = 338;
    bool PopupChannel(int x, int y, int voice);
    bool PopupBank(int x, int y, int voice);
    bool PopupDevice(int x, int y);
    bool PopupVolume(int x, int y, int voice);
    bool PopupPan(int x, int y, int voice);
    bool PopupSound(int x, int y, int voice);
    bool PopupPatch(int x, int y, int voice, char* nameOut);
    // The sound clipboard: false when nothing would change.
    bool CopySound(int voice) const;
    bool PasteSound(int voice);
    // What the voice's sound plays for a mark (entry out, 32 bytes); false when nothing.
    bool GetMarkPlayback(int voice, int index, std::uint8_t* out);
    // The volume controller the device definitions give the voice's sound, -1 when none.
    int GetVolumeController(int voice) const;
    // The controller the voice's volume is sent on: the definitions' volume controller, else
    // 7 (the MIDI volume).
    int VolumeControllerToSend(int voice) const;
    int GetVoiceDefValue(int voice, int which);
    int GetVoiceDefByte(int voice, int which);
    bool VoiceSoundHasLegato(int voice) const;
    int GetSoundSetupValue(int voice) const;
    int GetSoundNameValue(int voice) const;

    MarkPlaybackTable& MarkTable() { return *reinterpret_cast<MarkPlaybackTable*>(Bytes() + kMarkTable); }

private:
    static bool InDrums(int i) { return i >= 0 && i < kDrums; }
    static int ClampVoice(int v) { return v < 0 ? 0 : (v > 7 ? 7 : v); }
    std::uint8_t Byte(int at) const { return rec::Get<std::uint8_t>(this, at); }
    void PutByte(int at, std::uint8_t v) { rec::Put(this, at, v); }
    std::int16_t Word(int at) const { return rec::Get<std::int16_t>(this, at); }
};
ZEL_RECORD_VIEW(CTrack);

// Sets a track up from entry `entry` of the instrument library: names, sound of voice 0, the
// channel and playback transposition of every voice, transposition, range, clefs and voice
// count (at most 8), staff options; a tablature entry takes its lines from `lines` (six lines
// when none), a percussion entry its drum map (the drum library's when it has none). False,
// with the track untouched, when the library has no such entry.
bool ApplyInstrumentTemplate(int entry, CTrack* track, const CTrack* lines = nullptr);

class TrackBehaviour : public ArrayItemBehaviour {
public:
    static const TrackBehaviour& Instance();
    int GetKind(CScoreItem& item) const override;                            // slot 34: staff kind
    void Read(CScoreItem& item, CChunkStream& stream) const override;        // slot 53: "TRAK"
    void Write(CScoreItem& item, CChunkStream& stream) const override;       // slot 54
    bool HitTest(CScoreItem& item, int x, int y) const override;             // slot 15: the label
    // slot 40: the label's drag, its steps in label units of the staff pressed on.
    CDragTask* CreateDragTask(CScoreItem& item) const override;
    void DragBy(CScoreItem& item, CDragTask* drag) const override;           // slot 42: moves the label
    void EndDrag(CScoreItem& item, CDragTask* drag) const override;          // slot 43
    void DrawDragFeedback(CScoreItem& item) const override;                  // slot 44
};

// What the label hits and drags read beside the track: the program's mode byte (no label is
// hit while it is not 0) and the running totals of the label drag that runs.
struct TrackLabelGlobals {
    std::uint8_t mode = 0;
    int dragTotalX = 0;
    int dragTotalY = 0;
    // The display option that shows the current voice's sound name under each label, and the
    // document switch that holds it back while on.
    bool showSoundNames = false;
    bool soundNamesHeld = false;
};
extern TrackLabelGlobals g_trackLabels;

// The names of the current track's voice sounds, filled by CTrack::GetVoiceDefName.
using VoiceNameTable = char[CTrack::kVoices][CTrack::kVoiceDefNameSize];
VoiceNameTable& CurrentTrackVoiceNames();

// The score the track belongs to: the current score when it holds this very record, else null.
CScore* TrackOwningScore(const CTrack& track);

// Gives the track class its own operations in the class table (once; later calls do nothing).
void RegisterTrackClass();

// The default track word of string 6015, without a string table at hand.
const char* DefaultTrackWord();
