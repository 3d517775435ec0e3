#include "model/Track.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "framework/CodePage.h"
#include "framework/StringTable.h"
#include "model/Articulation.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "platform/ChunkStream.h"
#include "platform/DrawGlobals.h"

namespace {

constexpr std::uint32_t kTrakTag = MakeChunkTag("TRAK");
constexpr std::uint8_t kDefaultDrumKeys[8] = {35, 38, 41, 42, 46, 47, 49, 51};

void CopyName(char* dest, const char* text) {
    std::memset(dest, 0, CTrack::kNameLength);
    if (text) fw::CopyText(dest, CTrack::kNameLength, text);
}

}  // namespace

const char* DefaultTrackWord() {
    static const std::string word = [] {
        std::string s;
        if (!fw::LoadStringResource(6015, s) || s.empty()) s = "Track";
        return s;
    }();
    return word.c_str();
}

// --- class ---------------------------------------------------------------------------------

const TrackBehaviour& TrackBehaviour::Instance() {
    static const TrackBehaviour behaviour;
    return behaviour;
}

int TrackBehaviour::GetKind(CScoreItem& item) const { return static_cast<CTrack&>(item).GetStaffKind(); }

void TrackBehaviour::Read(CScoreItem& item, CChunkStream& stream) const { static_cast<CTrack&>(item).ReadChunk(stream); }

void TrackBehaviour::Write(CScoreItem& item, CChunkStream& stream) const {
    static_cast<CTrack&>(item).WriteChunk(stream);
}

void RegisterTrackClass() {
    static const bool done = ItemClasses().SetBehaviourForCode(CTrack::kTypeCode, &TrackBehaviour::Instance());
    (void)done;
}

CTrack* CTrack::Construct(void* record) {
    RegisterTrackClass();
    return static_cast<CTrack*>(ConstructClass(kTypeCode, record));
}

void CTrack::CopySettings(const CTrack& source) {
    if (&source != this) std::memmove(Bytes(), source.Bytes(), kSize);
}

// --- new track -----------------------------------------------------------------------------

void CTrack::Init(int staffKind, int clef, std::uint16_t lineMask) {
    std::uint8_t flags = GetTrackFlags();
    flags = std::uint8_t((flags | 0x10) & ~0x0A);
    SetTrackFlags(flags);
    SetHighRange(127);
    SetLowRange(0);
    SetName("");
    PutByte(kEnharmonic, 0);
    rec::Put<std::int16_t>(this, kLabelOffsets + 0, -30);
    rec::Put<std::int16_t>(this, kLabelOffsets + 2, 90);
    rec::Put<std::int16_t>(this, kLabelOffsets + 4, -30);
    rec::Put<std::int16_t>(this, kLabelOffsets + 6, 90);

    SetLineMask(lineMask);
    PutByte(kStaffSize, 100);
    SetDisplaySwitches(std::uint8_t((GetDisplaySwitches() | 0x3F) & ~0x40));

    PutByte(kClefByte, std::uint8_t(clef));
    PutByte(kTransposedClef, std::uint8_t(clef));

    std::memset(Bytes() + kVoiceDefNames, 0, kVoices * kVoiceDefNameSize);
    std::memset(Bytes() + kSlots, 0, kVoices * kSlotSize);
    for (int v = 0; v < kVoices; ++v) rec::Put<std::int32_t>(Slot(v), kSlotPatch, -1);

    SetVoiceCount(8);
    for (int v = 0; v < kVoices; ++v) rec::Put<std::uint16_t>(Slot(v), kSlotVoiceWord, 0);
    SetVoiceVolume(-1, -1, false);
    SetVoiceBank(-1, -1, false);
    SetVoiceProgram(-1, -1, false);

    // The device list is the MIDI layer's; without it the default port is taken as missing.
    SetDevice(0);

    rec::Put<std::int16_t>(this, kInputPort, -1);
    rec::Put<std::int16_t>(this, kRedirectPort, -1);

    for (int i = 0; i < 8; ++i) PutByte(kDrumKeys + i, kDefaultDrumKeys[i]);
    // The drum library's default map fills further slots when it is loaded (none here).

    if (staffKind == 2) {
        SetDisplaySwitches(std::uint8_t(GetDisplaySwitches() & ~0x29));
    } else if (staffKind == 1) {
        SetDisplaySwitches(std::uint8_t((GetDisplaySwitches() & ~0x09) | 0x40));
    }
    SetStaffKind(staffKind);

    InitMarkPlaybackTable(MarkTable());

    FontRef font;
    if (g_model.currentScore) font = g_model.currentScore->staffLabelFont;
    rec::Put(this, kFont, font);
}

// --- names ---------------------------------------------------------------------------------

char* CTrack::GetName(char* buffer, bool keepEmpty) {
    std::memcpy(buffer, Bytes() + kName, kNameLength);
    buffer[kNameLength - 1] = 0;
    if (buffer[0] == 0 && !keepEmpty) std::sprintf(buffer, "%s %d", DefaultTrackWord(), GetIndex() + 1);
    return buffer;
}

void CTrack::SetName(const char* text) { CopyName(reinterpret_cast<char*>(Bytes() + kName), text); }

void CTrack::SetAbbreviation(const char* text) { CopyName(reinterpret_cast<char*>(Bytes() + kAbbreviation), text); }

int CTrack::SplitLabelLines(char* out, const char* text) {
    int lines = 1;
    for (; *text; ++text, ++out) {
        if (*text == ',') {
            *out = '\n';
            ++lines;
        } else {
            *out = *text;
        }
    }
    *out = 0;
    return lines;
}

// --- staff kind, clef, range ---------------------------------------------------------------

void CTrack::SetStaffKind(int kind) {
    if (kind == GetStaffKind()) return;
    PutByte(kFlags87, std::uint8_t((Byte(kFlags87) & 0x1F) | ((kind & 7) << 5)));
    if (kind == 2) {
        SetDefaultTuning();
    } else if (kind == 1) {
        SetTransposition(0);
        PutByte(kTransposedClef, GetClef());
    }
}

void CTrack::SetClef(int clef) {
    PutByte(kClefByte, std::uint8_t(clef));
    SetStaffKind(clef == 11 || clef == 12 ? 1 : (clef == 13 ? 2 : 0));
}

std::uint8_t CTrack::GetShownClef() const {
    return (IsTransposedDisplay() && IsStandardStaff()) ? Byte(kTransposedClef) : GetClef();
}

std::uint8_t CTrack::GetTransposedClef() const { return IsStandardStaff() ? Byte(kTransposedClef) : GetClef(); }

void CTrack::SetTransposedClef(int clef) { PutByte(kTransposedClef, IsTablatureStaff() ? 13 : std::uint8_t(clef)); }

int CTrack::GetDisplayShift() const {
    return (IsTransposedDisplay() && IsStandardStaff()) ? -GetTransposition() : 0;
}

int CTrack::GetHighRange() const {
    return Byte(kHighKey) + ((IsTransposedDisplay() && IsStandardStaff()) ? GetTransposition() : 0);
}

int CTrack::GetLowRange() const {
    return Byte(kLowKey) + ((IsTransposedDisplay() && IsStandardStaff()) ? GetTransposition() : 0);
}

bool CTrack::GetEnharmonicFlag(int which) const {
    if (which != 0 && which != 1) return false;
    return (Byte(kEnharmonic) >> which) & 1;
}

void CTrack::SetEnharmonicFlag(int which, bool on) {
    if (which != 0 && which != 1) return;
    const std::uint8_t bit = std::uint8_t(1u << which);
    PutByte(kEnharmonic, on ? std::uint8_t(Byte(kEnharmonic) | bit) : std::uint8_t(Byte(kEnharmonic) & ~bit));
}

void CTrack::GetTrackFont(FontRef* out) {
    FontRef font = rec::Get<FontRef>(this, kFont);
    if (font.size == 0 && g_model.currentScore) {
        font = g_model.currentScore->staffLabelFont;
        rec::Put(this, kFont, font);
    }
    *out = font;
}

// --- drums and strings ---------------------------------------------------------------------

int CTrack::FindDrumByKey(int key, int voice) const {
    for (int i = 0; i < kDrums; ++i)
        if (GetDrumKey(i) == key && GetDrumVoice(i) == voice) return i;
    return -1;
}

int CTrack::FindDrumByPosition(int pos, int voice) const {
    for (int i = 0; i < kDrums; ++i)
        if (GetDrumPosition(i) == pos && GetDrumVoice(i) == voice) return i;
    return -1;
}

int CTrack::GetDrumKeyAtPosition(int pos, int voice) const {
    int i = FindDrumByPosition(pos, voice);
    for (int v = 0; i < 0 && v < kVoices; ++v) i = FindDrumByPosition(pos, v);
    return i < 0 ? 0 : GetDrumKey(i);
}

int CTrack::GetLinePositions(int* out) {
    const std::uint16_t mask = GetLineMask();
    int n = 0;
    for (int b = 15; b >= 0 && n < 8; --b)
        if (mask & (1u << b)) out[n++] = 2 * (b - 8);
    PutByte(kStrings, std::uint8_t((Byte(kStrings) & 0x0F) | (n << 4)));
    return n;
}

void CTrack::SetDefaultTuning() {
    const std::uint16_t mask = GetLineMask();
    int n = 0;
    for (int b = 15; b >= 0 && n < 8; --b)
        if (mask & (1u << b)) ++n;
    static const std::uint8_t six[] = {76, 71, 67, 62, 57, 52};
    static const std::uint8_t five[] = {55, 50, 45, 40, 35};
    if (n == 6) {
        for (int i = 0; i < 6; ++i) SetStringTuning(i, six[i]);
    } else if (n == 4) {
        for (int i = 0; i < 4; ++i) SetStringTuning(i, five[i]);
    } else if (n == 5) {
        for (int i = 0; i < 5; ++i) SetStringTuning(i, five[i]);
    } else {
        for (int i = 0; i < 8; ++i) SetStringTuning(i, 60);
    }
}

// --- "TRAK" --------------------------------------------------------------------------------

void CTrack::WriteChunk(CChunkStream& s) {
    s.BeginChunk(kTrakTag, -1);
    s.WriteBytes(Bytes() + kName, kNameLength);
    s.WriteBytes(Bytes() + kAbbreviation, kNameLength);
    for (int i = 0; i < 4; ++i) s.WriteCoord(Word(kLabelOffsets + 2 * i));
    s.WriteByte(Byte(kKept84));
    s.WriteByte(Byte(kKept85));
    for (int bit = 0; bit < 8; ++bit) s.WriteByte((GetTrackFlags() >> bit) & 1);
    s.WriteByte(IsKeyOnlyAtStart() ? 1 : 0);
    s.WriteByte(std::uint8_t(GetVoiceCount()));
    s.WriteByte(std::uint8_t(GetStaffKind()));
    s.WriteByte(Byte(kEnharmonic));
    s.WriteByte(Byte(kInstrument));
    s.WriteByte(Byte(kTransposition));
    s.WriteByte(Byte(kHighKey));
    s.WriteByte(Byte(kLowKey));
    s.WriteByte(Byte(kClefByte));
    s.WriteByte(Byte(kTransposedClef));
    s.WriteByte(Byte(kKeyByte));
    s.WriteByte(Byte(kStaffSize));
    for (int bit = 0; bit < 8; ++bit) s.WriteByte((GetDisplaySwitches() >> bit) & 1);
    s.WriteByte(Byte(kStrings) & 0x0F);
    s.WriteByte(Byte(kStrings) >> 4);
    s.WriteWord(GetLineMask());
    s.WriteBytes(Bytes() + kTuning, 8);
    const std::uint16_t port = rec::Get<std::uint16_t>(Slot(0), kSlotPort);
    for (int v = 0; v < kVoices; ++v) {
        const std::uint8_t* slot = Slot(v);
        s.WriteWord(rec::Get<std::uint16_t>(slot, kSlotVoiceWord));
        s.WriteWord(port);
        s.WriteByte(0);
        s.WriteByte(slot[kSlotChannel]);
        s.WriteByte(slot[kSlotVolume]);
        s.WriteByte(slot[kSlotPitchOffset]);
        s.WriteByte(slot[kSlotPan]);
        s.WriteByte(0);
        s.WriteByte(0);
        s.WriteByte(0);
        s.WriteLong(rec::Get<std::uint32_t>(slot, kSlotPatch));
    }
    s.WriteBytes(Bytes() + kStems, 8);
    s.WriteBytes(Bytes() + kDrumPositions, kDrums);
    s.WriteBytes(Bytes() + kDrumHeads, kDrums);
    s.WriteBytes(Bytes() + kDrumKeys, kDrums);
    s.WriteBytes(Bytes() + kDrumVoices, kDrums);
    for (int v = 0; v < kVoices; ++v) s.WriteString(GetVoiceDefName(v));
    s.WriteWord(Word(kInputPort));
    s.WriteWord(Word(kRedirectPort));
    MarkPlaybackTable& table = MarkTable();
    s.WriteWord(table.GetHeadWord());
    s.WriteWord(kStoredMarkEntries);
    for (int i = 0; i < MarkPlaybackTable::kEntries; ++i) {
        if (i >= 32 && i < 61) continue;
        table.Entry(i).bytes[MarkPlayback::kIndexByte] = std::uint8_t(i);
        WriteMarkPlayback(table.Entry(i), s);
    }
    s.EndChunk(-1);
}

void CTrack::ReadChunk(CChunkStream& s) {
    const int v = g_model.loadedFileVersion;
    const int r = g_model.loadedFileMinor;
    const bool headed = v >= 1024 || v == 921;
    if (headed) s.BeginReadChunk(kTrakTag);

    auto byte = [&](int at) {
        std::uint8_t b = Byte(at);
        s.ReadByteTo(&b);
        PutByte(at, b);
    };
    auto bits = [&](int at) {
        std::uint8_t value = Byte(at);
        for (int bit = 0; bit < 8; ++bit) {
            std::uint8_t b = (value >> bit) & 1;
            s.ReadByteTo(&b);
            value = b ? std::uint8_t(value | (1u << bit)) : std::uint8_t(value & ~(1u << bit));
        }
        PutByte(at, value);
    };

    s.ReadBytes(Bytes() + kName, kNameLength);
    s.ReadBytes(Bytes() + kAbbreviation, kNameLength);
    Bytes()[kName + kNameLength - 1] = 0;
    Bytes()[kAbbreviation + kNameLength - 1] = 0;
    for (int i = 0; i < 4; ++i) {
        std::int16_t c = Word(kLabelOffsets + 2 * i);
        s.ReadCoordTo(&c);
        rec::Put(this, kLabelOffsets + 2 * i, c);
    }
    byte(kKept84);
    byte(kKept85);
    bits(kFlags86);
    std::uint8_t keyStart = Byte(kFlags87) & 1, voiceLimit = std::uint8_t(GetVoiceCount()),
                 kind = std::uint8_t(GetStaffKind());
    s.ReadByteTo(&keyStart);
    s.ReadByteTo(&voiceLimit);
    s.ReadByteTo(&kind);
    PutByte(kFlags87, std::uint8_t((keyStart ? 1 : 0) | ((voiceLimit & 0x0F) << 1) | ((kind & 7) << 5)));
    byte(kEnharmonic);
    if ((v < 1040 || (v == 1040 && r < 21)) && (Byte(kEnharmonic) & 1))
        PutByte(kEnharmonic, std::uint8_t(Byte(kEnharmonic) | 2));
    byte(kInstrument);
    byte(kTransposition);
    byte(kHighKey);
    byte(kLowKey);
    byte(kClefByte);
    byte(kTransposedClef);
    byte(kKeyByte);
    byte(kStaffSize);
    bits(kDisplay);
    std::uint8_t offset = Byte(kStrings) & 0x0F, lines = Byte(kStrings) >> 4;
    s.ReadByteTo(&offset);
    s.ReadByteTo(&lines);
    PutByte(kStrings, std::uint8_t((offset & 0x0F) | ((lines & 0x0F) << 4)));
    std::uint16_t mask = GetLineMask();
    s.ReadWordTo(&mask);
    SetLineMask(mask);
    s.ReadBytes(Bytes() + kTuning, 8);
    for (int voice = 0; voice < kVoices; ++voice) {
        std::uint8_t* slot = Slot(voice);
        std::uint16_t word = rec::Get<std::uint16_t>(slot, kSlotVoiceWord);
        std::uint16_t port = rec::Get<std::uint16_t>(slot, kSlotPort);
        s.ReadWordTo(&word);
        s.ReadWordTo(&port);
        rec::Put(slot, kSlotVoiceWord, word);
        rec::Put(slot, kSlotPort, port);
        s.ReadByte();
        s.ReadByteTo(&slot[kSlotChannel]);
        s.ReadByteTo(&slot[kSlotVolume]);
        s.ReadByteTo(&slot[kSlotPitchOffset]);
        s.ReadByteTo(&slot[kSlotPan]);
        s.ReadByte();
        s.ReadByte();
        s.ReadByte();
        std::uint32_t patch = rec::Get<std::uint32_t>(slot, kSlotPatch);
        s.ReadLongTo(&patch);
        rec::Put(slot, kSlotPatch, patch);
    }
    s.ReadBytes(Bytes() + kStems, 8);
    s.ReadBytes(Bytes() + kDrumPositions, kDrums);
    s.ReadBytes(Bytes() + kDrumHeads, kDrums);
    s.ReadBytes(Bytes() + kDrumKeys, kDrums);
    s.ReadBytes(Bytes() + kDrumVoices, kDrums);

    rec::Put<std::int16_t>(this, kInputPort, -1);
    rec::Put<std::int16_t>(this, kRedirectPort, -1);
    std::memset(Bytes() + kVoiceDefNames, 0, kVoices * kVoiceDefNameSize);
    InitMarkPlaybackTable(MarkTable());

    if (v == 921) {
        s.EndReadChunk();
        return;
    }
    if (v < 1024) return;

    for (int voice = 0; voice < kVoices; ++voice)
        s.ReadString(reinterpret_cast<char*>(Bytes() + kVoiceDefNames + voice * kVoiceDefNameSize), kVoiceDefNameSize);
    std::int16_t port = -1;
    s.ReadWordTo(&port);
    rec::Put(this, kInputPort, port);
    port = -1;
    s.ReadWordTo(&port);
    rec::Put(this, kRedirectPort, port);
    if (v >= 1026) {
        MarkPlaybackTable& table = MarkTable();
        std::uint16_t head = table.GetHeadWord();
        s.ReadWordTo(&head);
        table.SetHeadWord(head);
        ReadMarkPlaybackEntries(table, s, v > 1026 || r > 5);
    }
    // Files of 0x400 and 0x401 fill the table from the audio engine's sound definitions, which
    // are not part of the score model; they keep the defaults here.
    s.EndReadChunk();
}
