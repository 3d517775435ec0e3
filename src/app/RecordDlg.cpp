#include "app/RecordDlg.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "midi/MidiLayer.h"
#include "model/Preferences.h"

namespace {
using P = Preferences;
}  // namespace

void CRecordDlg::InitControls() {
    SetCheck(kSplit, g_preferences.Byte(P::kSplitEnabled) != 0);
    SetupNumericField(kSplitKey, kFormatNoteName, std::clamp<int>(g_preferences.Byte(P::kSplitPitch), 1, 127), 1, 127,
                      false);
    SetCheck(kTranscribe, g_preferences.Byte(P::kTranscribe) != 0);
    SetCheck(kOneVoice, g_preferences.Byte(P::kOneVoice) != 0);
    const int type = std::clamp<int>(g_preferences.Byte(P::kFilterType), 0, 2);
    for (int id = kAll; id <= kExcept; ++id) SetCheck(id, id - kAll == type);
    for (int id = kFirstKind; id <= kLastKind; ++id) SetCheck(id, g_preferences.Byte(P::kFilterFlags + id - kFirstKind) != 0);
    SetCheck(kTuplets, g_preferences.Byte(P::kTuplets) != 0);
    SetCheck(kStaccato, (g_preferences.Byte(P::kRecordFlags) & 1) != 0);
    SetCheck(kTenuto, (g_preferences.Byte(P::kRecordFlags) & 2) != 0);
    SetupNumericField(kStaccatoValue, kFormatInteger, std::clamp<int>(g_preferences.Byte(P::kStaccatoValue), 1, 100), 1,
                      100, false);
    SetupNumericField(kTenutoValue, kFormatInteger, std::clamp<int>(g_preferences.Byte(P::kTenutoValue), 1, 100), 1, 100,
                      false);
    UpdateEnabled();
}

void CRecordDlg::UpdateEnabled() {
    EnableControl(kSplitKey, GetCheck(kSplit));
    const bool kinds = g_preferences.Byte(P::kFilterType) != 0;
    for (int id = kFirstKind; id <= kLastKind; ++id) EnableControl(id, kinds);
}

void CRecordDlg::OnControl(int id) {
    if (id == kSplit) {
        g_preferences.SetByte(P::kSplitEnabled, GetCheck(kSplit) ? 1 : 0);
        if (GetCheck(kSplit)) GotoControl(kSplitKey);
    } else if (id == kTranscribe) {
        g_preferences.SetByte(P::kTranscribe, GetCheck(kTranscribe) ? 1 : 0);
    } else if (id == kOneVoice) {
        g_preferences.SetByte(P::kOneVoice, GetCheck(kOneVoice) ? 1 : 0);
        // One voice per staff is a way of transcribing: it switches the transcription on.
        g_preferences.SetByte(P::kTranscribe, 1);
        SetCheck(kTranscribe, true);
    } else if (id >= kAll && id <= kExcept) {
        g_preferences.SetByte(P::kFilterType, std::uint8_t(id - kAll));
        for (int r = kAll; r <= kExcept; ++r) SetCheck(r, r == id);
    } else if (id >= kFirstKind && id <= kLastKind) {
        g_preferences.SetByte(P::kFilterFlags + id - kFirstKind, GetCheck(id) ? 1 : 0);
    } else if (id == kTuplets) {
        g_preferences.SetByte(P::kTuplets, GetCheck(kTuplets) ? 1 : 0);
    } else if (id == kStaccato || id == kTenuto) {
        const std::uint8_t bit = id == kStaccato ? 1 : 2;
        const std::uint8_t flags = g_preferences.Byte(P::kRecordFlags);
        g_preferences.SetByte(P::kRecordFlags, GetCheck(id) ? std::uint8_t(flags | bit) : std::uint8_t(flags & ~bit));
    } else if (id == IDOK) {
        g_preferences.SetByte(P::kSplitPitch, std::uint8_t(std::clamp<int>(GetNumericField(kSplitKey), 1, 127)));
        g_preferences.SetByte(P::kStaccatoValue, std::uint8_t(std::clamp<int>(GetNumericField(kStaccatoValue), 1, 100)));
        g_preferences.SetByte(P::kTenutoValue, std::uint8_t(std::clamp<int>(GetNumericField(kTenutoValue), 1, 100)));
        for (int k = kFirstKind; k <= kLastKind; ++k)
            g_preferences.SetByte(P::kFilterFlags + k - kFirstKind, GetCheck(k) ? 1 : 0);
    }
    if (id != IDOK && id != IDCANCEL) UpdateEnabled();
    CStdDlg::OnControl(id);
}

void CRecordDlg::TakeChord(int key) {
    SetupNumericField(kSplitKey, kFormatNoteName, std::clamp(key, 1, 127), 1, 127, false);
    g_preferences.SetByte(P::kSplitPitch, std::uint8_t(std::clamp(key, 1, 127)));
    GotoControl(kSplitKey);
}

bool CRecordDlg::OnTick() {
    std::uint8_t entries[16][4] = {};
    if (TheInputQueue().CollectChord(entries) > 0) TakeChord(entries[0][1]);
    return false;
}

bool RunRecordDialog() {
    auto saved = std::make_unique<std::uint8_t[]>(Preferences::kSize);
    std::memcpy(saved.get(), g_preferences.bytes, Preferences::kSize);
    CRecordDlg dlg;
    if (dlg.RunModal(CRecordDlg::kTemplateId)) return true;
    std::memcpy(g_preferences.bytes, saved.get(), Preferences::kSize);
    return false;
}
