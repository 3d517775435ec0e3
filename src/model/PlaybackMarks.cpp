#include "model/PlaybackMarks.h"

#include <algorithm>
#include <cstring>

#include "model/Articulation.h"
#include "model/BitOrder.h"
#include "model/Preferences.h"
#include "model/Track.h"
#include "platform/DrawGlobals.h"
#include "platform/PortLayer.h"

namespace {

// The flag-byte layouts, by MarkField::layout.
inline constexpr BitLayout kDynamicFlags{1, 2, 1, 4};
const BitLayout* const kLayouts[] = {&kDynamicFlags, &kLayout_2_1_1_1_2_1, &kLayout_2_1_1_4, &kLayout_1_1_3_3};

std::int16_t Swapped(std::int16_t v) {
    const auto u = std::uint16_t(v);
    return std::int16_t(std::uint16_t(u << 8 | u >> 8));
}

std::uint32_t Swapped32(std::uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

bool Holds(const CBarItem* item, int at, int width) { return item->RecordSizeField() >= at + width; }

void Convert(CBarItem* item, const MarkField* fields, int n, bool toFile) {
    for (int i = 0; i < n; ++i) {
        const MarkField& f = fields[i];
        const auto at = std::size_t(f.at);
        switch (f.kind) {
            case MarkField::Word:
                if (Holds(item, f.at, 2)) rec::Put(item, at, Swapped(rec::Get<std::int16_t>(item, at)));
                break;
            case MarkField::Coord:
                if (!Holds(item, f.at, 2)) break;
                if (toFile)
                    rec::Put(item, at, Swapped(std::int16_t(rec::Get<std::int16_t>(item, at) / 5)));
                else
                    rec::Put(item, at, std::int16_t(Swapped(rec::Get<std::int16_t>(item, at)) * 5));
                break;
            case MarkField::Long:
                if (Holds(item, f.at, 4)) rec::Put(item, at, Swapped32(rec::Get<std::uint32_t>(item, at)));
                break;
            case MarkField::Font:
                if (!Holds(item, f.at, 6)) break;
                rec::Put(item, at, Swapped(rec::Get<std::int16_t>(item, at)));
                rec::Put(item, at + 2, Swapped(rec::Get<std::int16_t>(item, at + 2)));
                if (toFile) rec::Put<std::uint8_t>(item, at + 5, 0);
                break;
            case MarkField::Flags:
                if (!Holds(item, f.at, 1)) break;
                if (toFile)
                    MirrorFieldsToFile(item->Bytes() + f.at, *kLayouts[f.layout]);
                else
                    MirrorFieldsFromFile(item->Bytes() + f.at, *kLayouts[f.layout]);
                break;
        }
    }
}

// The text of a field of `size` bytes at `at`, ended at its first zero or the field's end.
std::string_view FieldText(const CBarItem* item, int at, int size) {
    const int room = std::min(size, int(item->RecordSizeField()) - at);
    if (room <= 0) return {};
    const char* p = reinterpret_cast<const char*>(item->Bytes() + at);
    return std::string_view(p, ::strnlen(p, std::size_t(room)));
}

void PutFieldText(CBarItem* item, int at, int size, std::string_view text) {
    const int room = std::min(size, int(item->RecordSizeField()) - at);
    if (room <= 0) return;
    const std::size_t n = std::min(text.size(), std::size_t(room - 1));
    std::memset(item->Bytes() + at, 0, std::size_t(room));
    if (n) std::memcpy(item->Bytes() + at, text.data(), n);
}

}  // namespace

namespace marks {

void FieldsToFile(CBarItem* item, const MarkField* fields, int n) { Convert(item, fields, n, true); }
void FieldsFromFile(CBarItem* item, const MarkField* fields, int n) { Convert(item, fields, n, false); }

int ConvertOldPlayKind(int old, int* controller) {
    static constexpr int kControllers[4] = {7, 7, 1, 11};
    *controller = kControllers[old & 3];
    return (old & 3) == 1 ? 0 : 1;
}

int PlayKindForTrack(CTrack* track, int voice, int* controller) {
    const int volume = track ? track->GetVolumeController(voice) : -1;
    if (volume < 0 || volume > 127) {
        *controller = 7;
        return 0;
    }
    *controller = volume;
    return 1;
}

std::string_view TextIn(const CBarItem* item, int at, int size) { return FieldText(item, at, size); }
void PutTextIn(CBarItem* item, int at, int size, std::string_view text) { PutFieldText(item, at, size, text); }

}  // namespace marks

// --- the dynamic ---------------------------------------------------------------------------------

const DynamicMark kDynamicMarks[kDynamicMarkCount] = {
    {0x93, 4, 2}, {0x92, 4, 2}, {0x91, 4, 2}, {0x90, 4, 2}, {0x94, 4, 2}, {0x99, 6, 2}, {0x95, 6, 2}, {0x96, 6, 2},
    {0x97, 6, 2}, {0x98, 6, 2}, {0x9A, 6, 2}, {0x9B, 6, 2}, {0x9C, 6, 2}, {0x9F, 6, 2}, {0x9D, 6, 2}, {0x9E, 6, 2},
};

const MarkField CDynamic::kFields[] = {
    {kVerticalOffset, MarkField::Coord},
    {kFlags, MarkField::Flags, 0},
    {kHorizontalOffset, MarkField::Coord},
};
const int CDynamic::kFieldCount = 3;

void CDynamic::InitMark(int mark, CTrack* track) {
    SetMark(mark & 15);
    SetValue(g_preferences.Word(Preferences::kDynamicsVelocities + 2 * (mark & 15)));
    SetVerticalOffset(480);
    SetAllVoices(true);
    SetTimeOffsetField(-10);
    SetFlagsA(std::uint8_t(FlagsA() & ~kFlag8Bit1));
    int controller = 7;
    const int kind = marks::PlayKindForTrack(track, 0, &controller);
    SetPlayKind(kind);
    SetController(controller);
}

void CDynamic::AttachToTrack(CTrack* track) {
    int controller = 7;
    const int kind = marks::PlayKindForTrack(track, VoiceField(), &controller);
    SetPlayKind(kind);
    SetController(controller);
}

void CDynamic::ConvertOldPlayKind() {
    int controller = 7;
    const int kind = marks::ConvertOldPlayKind(GetPlayKind(), &controller);
    SetPlayKind(kind);
    SetController(controller);
}

// --- the hairpin ---------------------------------------------------------------------------------

const MarkField CCresc::kFields[] = {
    {kFlags, MarkField::Flags, 1},  {kCentre, MarkField::Coord},     {kUpper, MarkField::Coord},
    {kLower, MarkField::Coord},     {kEndBar, MarkField::Word},      {kEndPosition, MarkField::Word},
    {kStartOffset, MarkField::Coord}, {kEndOffset, MarkField::Coord}, {kFont, MarkField::Font},
    {kReserved, MarkField::Coord},  {kReserved + 2, MarkField::Coord}, {kReserved + 4, MarkField::Coord},
    {kReserved + 6, MarkField::Coord}, {kReserved + 8, MarkField::Coord}, {kReserved + 10, MarkField::Coord},
};
const int CCresc::kFieldCount = int(sizeof kFields / sizeof kFields[0]);

void CCresc::InitCurve() {
    const bool rising = GetShape() == kCrescendo;
    for (int i = 0; i < kCurvePoints; ++i) SetCurveValue(i, rising ? 50 + 10 * i : 110 - 10 * i);
    if (IsDouble())
        for (int i = 4; i < kCurvePoints; ++i) SetCurveValue(i, GetCurveValue(6 - i));
}

void CCresc::FlipShape() {
    SetShape(GetShape() == kCrescendo ? kDecrescendo : kCrescendo);
    int old[kCurvePoints];
    for (int i = 0; i < kCurvePoints; ++i) old[i] = GetCurveValue(i);
    static constexpr int kSingle[kCurvePoints] = {6, 5, 4, 3, 2, 1, 0};
    static constexpr int kDouble[kCurvePoints] = {3, 2, 1, 0, 5, 4, 3};
    const int* from = IsDouble() ? kDouble : kSingle;
    for (int i = 0; i < kCurvePoints; ++i) SetCurveValue(i, old[from[i]]);
}

void CCresc::SwapMarks() {
    const int start = GetMark(0);
    SetMark(0, GetMark(2));
    SetMark(2, start);
}

void CCresc::UncrossOpenings() {
    const int upper = GetUpper(), lower = GetLower();
    if (-upper < lower) return;  // the upper edge still lies above the lower one
    SetUpper(-lower);
    SetLower(-upper);
}

void CCresc::ClampEnd(int startBar, int barCount) {
    if (startBar + GetEndBar() < barCount) return;
    SetEnd(std::max(0, barCount - startBar - 1), 1023);
    SetEndOffset(0);
}

void CCresc::GetCurvePoints(int start, int length, int* ticks, int* values) const {
    for (int i = 0; i < kCurvePoints; ++i) {
        ticks[i] = start + i * length / 6;
        values[i] = GetCurveValue(i);
    }
}

FontRef CCresc::GetFont() const {
    FontRef font;
    if (RecordSizeField() >= kFont + 6) std::memcpy(&font, Bytes() + kFont, sizeof font);
    return font;
}

void CCresc::SetFont(const FontRef& font) {
    if (RecordSizeField() >= kFont + 6) std::memcpy(Bytes() + kFont, &font, sizeof font);
}

std::string_view CCresc::GetText() const { return FieldText(this, kText, kTextSize); }
void CCresc::SetText(std::string_view text) { PutFieldText(this, kText, kTextSize, text); }

void CCresc::AttachToTrack(CTrack* track) {
    int controller = 7;
    const int kind = marks::PlayKindForTrack(track, VoiceField(), &controller);
    SetPlayKind(kind);
    SetController(controller);
}

void CCresc::ConvertOldPlayKind() {
    int controller = 7;
    const int kind = marks::ConvertOldPlayKind(GetPlayKind(), &controller);
    SetPlayKind(kind);
    SetController(controller);
}

// --- the expression ------------------------------------------------------------------------------

const MarkField CExpression::kFields[] = {
    {kStartOffset, MarkField::Coord}, {kBaseline, MarkField::Coord},    {kEndBar, MarkField::Word},
    {kEndPosition, MarkField::Word},  {kEndOffset, MarkField::Coord},   {kEndHeight, MarkField::Coord},
    {kFlags1, MarkField::Flags, 2},   {kFlags2, MarkField::Flags, 3},   {kPlayValue, MarkField::Long},
    {kFont, MarkField::Font},
};
const int CExpression::kFieldCount = int(sizeof kFields / sizeof kFields[0]);

int CExpression::GetValue() const {
    if (IsKind1()) return GetStartTempo();
    if (IsPlayKind2()) return GetPlayByte(2);
    return 65535;
}

void CExpression::SetValue(int v) {
    if (IsKind1())
        SetTempi(v, GetEndTempo());
    else if (IsPlayKind2())
        StoreByte(2, v);
}

FontRef CExpression::GetFont() const {
    FontRef font;
    if (RecordSizeField() >= kFont + 6) std::memcpy(&font, Bytes() + kFont, sizeof font);
    return font;
}

void CExpression::SetFont(const FontRef& font) {
    if (RecordSizeField() >= kFont + 6) std::memcpy(Bytes() + kFont, &font, sizeof font);
}

std::string_view CExpression::GetText() const {
    if (!HasOwnText()) return {};
    return FieldText(this, kText, RecordSizeField() - kText);
}

int CExpression::GetWantedSize() const {
    if (!HasOwnText()) return kFixedSize;
    const int n = int(GetText().size()) + 1;
    return kFixedSize + (n + 1) / 2 * 2;
}

std::string CExpression::GetDisplayText() const {
    if (HasOwnText()) return std::string(GetText());
    char text[256];
    return LoadResString(UINT(kKindNameString + GetKind()), text);
}

int CExpression::MatchArticulation() const {
    static constexpr std::string_view kWords[5] = {"Marcato", "Staccato", "arco", "pizz", "legato"};
    const std::string text = GetDisplayText();
    for (int i = 0; i < 5; ++i)
        if (text.compare(0, kWords[i].size(), kWords[i]) == 0) return i;
    return 5;
}

void CExpression::Init(int kind, std::uint32_t value) {
    SetKind(kind);
    SetPlayValue(value);
    SetEraseBackground(false);
    SetPlayMode(0);
    SetOwnTextBit(false);
    PutByte(kFlags2, std::uint8_t(Byte(kFlags2) & ~0x03));
    FontRef font = g_draw.standardFontRefs[0];
    font.size = 9;
    SetFont(font);
    SetVerticalOffset(-360);
    SetEnd(GetEndBar(), PositionField());
    SetLineStyle(0);
    SetEndHook(0);
    SetKeySwitchPitch(45);
}

void CExpression::AttachToTrack(CTrack* track) {
    if (!track) return;
    MarkPlayback entry{};
    if (!track->GetMarkPlayback(VoiceField(), 1000 + MatchArticulation(), entry.bytes)) return;
    // The entry's play voice, key switch and program, each stored + 1 (0 none).
    const int channelVoice = entry.GetSetting(1), keySwitch = entry.GetSetting(2), program = entry.GetSetting(13);
    if (channelVoice == 0 && keySwitch == 0 && program == 0) return;
    if (channelVoice != 0) {
        SetKind(kChannelKind);
        StoreByte(2, channelVoice);
    } else if (program != 0) {
        SetKind(kPatchKind);
        SetPlayValue(0xFFFFFF00u | std::uint32_t(program - 1));
    } else {
        SetKind(kNoKind);
        SetPlayValue(0);
    }
    SetPlayMode(keySwitch != 0 ? 1 : 0);
    SetKeySwitchPitch(keySwitch - 1);
}
