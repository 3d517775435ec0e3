#include "model/EngraverDlg.h"

#include <algorithm>

#include "framework/Controls.h"
#include "framework/MessageBox.h"
#include "model/EngraverSettings.h"

// Word, edit field, spin button, spin range, display.
const CEngraverDlg::Field CEngraverDlg::kFields[] = {
    {EngraverSettings::kBarsPerSystem, 11, 12, 1, 100, kAsIs},
    {EngraverSettings::kGroupsPerPage, 9, 10, 1, 100, kAsIs},
    {EngraverSettings::kStaffSpacing, 3, 4, 1, 100, kSpaces},
    {EngraverSettings::kStaffGroupSpacing, 5, 6, 1, 100, kSpaces},
    {EngraverSettings::kGroupSpacing, 7, 8, 1, 100, kSpaces},
    {EngraverSettings::kClefMargin, 13, 14, 0, 100, kEighths},
    {EngraverSettings::kNoteMargin, 15, 16, 0, 100, kEighths},
    {EngraverSettings::kClefToNote, 17, 18, 0, 100, kEighths},
    {EngraverSettings::kClefToOther, 19, 20, 0, 100, kEighths},
    {EngraverSettings::kKeySigToOther, 21, 22, 0, 100, kEighths},
    {EngraverSettings::kTimeSigToOther, 23, 24, 0, 100, kEighths},
    {EngraverSettings::kBarlineWidth, 25, 26, 0, 100, kQuarters},
    {EngraverSettings::kBeamWidth, 27, 28, 1, 32, kQuarters},
    {EngraverSettings::kStaffLineWidth, 29, 30, 1, 8, kQuarters},
    {EngraverSettings::kStemWidth, 31, 32, 1, 8, kQuarters},
    {EngraverSettings::kLedgerLineWidth, 33, 34, 1, 8, kQuarters},
    {EngraverSettings::kSlurWidth, 35, 36, 1, 8, kQuarters},
    {EngraverSettings::kTieWidth, 37, 38, 1, 8, kQuarters},
    {EngraverSettings::kFinalBarMargin, 39, 40, 0, 32, kEighths},
    {EngraverSettings::kAccidentalToNote, 41, 42, 0, 32, kEighths},
};
const int CEngraverDlg::kFieldCount = int(sizeof kFields / sizeof kFields[0]);

CEngraverDlg::CEngraverDlg(EngraverSettings* r) : record(r) { subject = r; }

int CEngraverDlg::ToDisplay(const Field& f, std::int16_t v) {
    switch (f.display) {
    case kSpaces: return v / 120;
    case kEighths: return v * 8 / 120;
    case kQuarters: return v * 4 / 20;
    default: return v;
    }
}

std::int16_t CEngraverDlg::FromDisplay(const Field& f, int shown) {
    switch (f.display) {
    case kSpaces: return std::int16_t(shown * 120);
    case kEighths: return std::int16_t(shown * 120 / 8);
    case kQuarters: return std::int16_t(shown * 20 / 4);
    default: return std::int16_t(shown);
    }
}

void CEngraverDlg::InitControls() {
    if (!record) return;
    if (record->GetWord(EngraverSettings::kTieWidth) == 0) record->SetWord(EngraverSettings::kTieWidth, 20);
    if (record->GetWord(EngraverSettings::kSlurWidth) == 0) record->SetWord(EngraverSettings::kSlurWidth, 20);
    for (int i = 0; i < kFieldCount; ++i) {
        const Field& f = kFields[i];
        SendDlgItemMessage(f.spin, UDM_SETRANGE, 0, MAKELPARAM(f.maximum, f.minimum));
        shown_[i] = ToDisplay(f, record->GetWord(f.word));
        SetInt(f.edit, shown_[i]);
    }
}

void CEngraverDlg::OnControl(int id) {
    if (id == IDOK && record) {
        for (int i = 0; i < kFieldCount; ++i) {
            const Field& f = kFields[i];
            const int typed = GetInt(f.edit);
            // A field left as it was keeps its exact value: the display rounds.
            if (typed == shown_[i]) continue;
            record->SetWord(f.word, FromDisplay(f, std::clamp(typed, f.minimum, f.maximum)));
        }
    }
    CStdDlg::OnControl(id);
}
