#include "edit/BarNumDlg.h"

#include <algorithm>
#include <cstring>

#include "edit/EditStandIns.h"
#include "framework/Window.h"
#include "model/BarNumber.h"
#include "model/BarItem.h"
#include "model/Record.h"
#include "platform/Artist.h"
#include "platform/Port.h"

namespace {
// The preview staff: five lines this far apart around the preview's middle.
constexpr int kLineGap = 7;
// The sample stands this much lower than its place in the template, and moves 20 offset
// units for each pixel.
constexpr int kSampleDrop = 14, kUnitsPerPixel = 20;
// The frame that follows the pointer while the sample is dragged: its palette colour.
constexpr int kFeedbackColor = 142;
constexpr int kMaxFirstNumber = 999, kMaxInterval = 99;
// The enclosure's gaps and pen, set when the item has none yet.
constexpr int kDefaultGap = CBarNumber::kDefaultEnclosureGap, kDefaultPen = CBarNumber::kDefaultEnclosurePen;
}  // namespace

int CBarNumDlg::Word(int at) const { return rec::Get<std::int16_t>(record, std::size_t(at)); }
void CBarNumDlg::PutWord(int at, int v) { rec::Put<std::int16_t>(record, std::size_t(at), std::int16_t(v)); }

void CBarNumDlg::InitControls() {
    if (Word(CBarNumber::kEnclosureValue) == 0) {
        PutWord(CBarNumber::kEnclosureGapX, kDefaultGap);
        PutWord(CBarNumber::kEnclosureGapY, kDefaultGap);
        PutWord(CBarNumber::kEnclosureValue, kDefaultPen);
        record[CBarNumber::kEnclosure] = record[CBarNumber::kEnclosure + 1] = 0;
    }
    record[CBarNumber::kStaff] = std::uint8_t(track);
    SetupNumericField(kFirstNumber, kFormatInteger,
                      std::clamp(Word(CBarNumber::kNumberOffset) + firstBar + 1, 1, kMaxFirstNumber), 1, kMaxFirstNumber,
                      false);
    SetupNumericField(kInterval, kFormatInteger, std::clamp(Word(CBarNumber::kInterval), 1, kMaxInterval), 1,
                      kMaxInterval, false);
    const std::uint8_t f = Flags();
    SetCheck(kBox, (f & CBarNumber::kEnclosedBit) != 0);
    const int mode = std::min<int>(record[CBarNumber::kShowMode], 3);
    for (int i = 0; i < 4; ++i) SetCheck(kEveryPage + i, i == mode);
    EnableControl(kInterval, mode == CBarNumber::kEveryN);
    const int justification = (f >> CBarNumber::kAlignShift) & 3;
    for (int i = 0; i < 3; ++i) SetCheck(kLeft + i, i == justification);
    SetCheck(kLetters, (f & CBarNumber::kLettersBit) != 0);
    SetCheck(kRepeatedStyle, (f & CBarNumber::kRepeatedBit) != 0);
    SetCheck(kRunningStyle, (f & CBarNumber::kRepeatedBit) == 0);
    EnableLetterFields();
    SetCheck(kSectionStart, (record[CBarItem::kFlagsB] & CBarItem::kHiddenBit) == 0);
    char prefix[3] = {char(record[CBarNumber::kPrefix]), char(record[CBarNumber::kPrefix + 1]), 0};
    SetText(kPrefix, prefix);
    const char letter[2] = {char(record[CBarNumber::kFirstLetter] ? record[CBarNumber::kFirstLetter] : 'A'), 0};
    SetText(kFirstLetter, letter);
    GetControlRect(kSample, &templateSample);
    // The sample first: it lies over the preview and takes the presses there.
    AddDrawnControl(kSample, 0);
    AddDrawnControl(kPreview, 1);
    AddDrawnControl(kColor, 0);
    MoveControl(kSample, SampleRect());
    GotoControl(kFirstNumber);
}

RECT CBarNumDlg::SampleRect() {
    RECT preview;
    GetControlRect(kPreview, &preview);
    const int offset = Word(CBarNumber::kXOffset) / kUnitsPerPixel;
    const int anchor = (Flags() >> CBarNumber::kAnchorShift) & 3;
    int x = anchor == 0   ? preview.left + kLeftAnchor + offset
            : anchor == 1 ? (preview.left + preview.right) / 2 + offset
                          : preview.right - kRightZone + 16 - offset;
    x -= kSampleWidth / 2;
    const int justification = (Flags() >> CBarNumber::kAlignShift) & 3;
    if (justification == 1) x -= 2;
    if (justification == 2) x -= 7;
    const int y = templateSample.top + Word(CBarNumber::kYOffset) / kUnitsPerPixel + kSampleDrop;
    return RECT{x, y, x + kSampleWidth, y + (templateSample.bottom - templateSample.top)};
}

void CBarNumDlg::SetShowMode(int mode) {
    record[CBarNumber::kShowMode] = std::uint8_t(mode);
    for (int i = 0; i < 4; ++i) SetCheck(kEveryPage + i, i == mode);
    EnableControl(kInterval, mode == CBarNumber::kEveryN);
}

void CBarNumDlg::SetJustification(int j) {
    SetFlags(std::uint8_t((Flags() & ~(3 << CBarNumber::kAlignShift)) | (j << CBarNumber::kAlignShift)));
    for (int i = 0; i < 3; ++i) SetCheck(kLeft + i, i == j);
    MoveControl(kSample, SampleRect());
}

void CBarNumDlg::EnableLetterFields() {
    const bool on = (Flags() & CBarNumber::kLettersBit) != 0;
    for (int id : {int(kFirstLetter), int(kRepeatedStyle), int(kRunningStyle)}) EnableControl(id, on);
}

void CBarNumDlg::OnControl(int id) {
    switch (id) {
    case IDOK: {
        char letter[2] = {};
        GetText(kFirstLetter, letter);
        if (letter[0]) record[CBarNumber::kFirstLetter] = std::uint8_t(letter[0]);
        char prefix[3] = {};
        GetText(kPrefix, prefix);
        record[CBarNumber::kPrefix] = std::uint8_t(prefix[0]);
        record[CBarNumber::kPrefix + 1] = std::uint8_t(prefix[0] ? prefix[1] : 0);
        PutWord(CBarNumber::kNumberOffset, GetNumericField(kFirstNumber) - firstBar - 1);
        PutWord(CBarNumber::kInterval, std::max(1, GetNumericField(kInterval)));
        break;
    }
    case kBox: SetFlag(CBarNumber::kEnclosedBit, GetCheck(kBox)); break;
    case kLetters:
        SetFlag(CBarNumber::kLettersBit, GetCheck(kLetters));
        EnableLetterFields();
        if (GetCheck(kLetters)) {
            GotoControl(kFirstLetter);
            SelectAllText(kFirstLetter);
        }
        break;
    case kRepeatedStyle:
    case kRunningStyle:
        SetFlag(CBarNumber::kRepeatedBit, id == kRepeatedStyle);
        SetCheck(kRepeatedStyle, id == kRepeatedStyle);
        SetCheck(kRunningStyle, id == kRunningStyle);
        break;
    case kEveryPage:
    case kEverySystem:
    case kEveryN:
    case kNever: SetShowMode(id - kEveryPage); break;
    case kInterval:
        SetShowMode(CBarNumber::kEveryN);
        PutWord(CBarNumber::kInterval, std::max(1, GetNumericField(kInterval)));
        break;
    case kLeft:
    case kCentre:
    case kRight: SetJustification(id - kLeft); break;
    case kSectionStart:
        record[CBarItem::kFlagsB] ^= CBarItem::kHiddenBit;
        SetCheck(kSectionStart, (record[CBarItem::kFlagsB] & CBarItem::kHiddenBit) == 0);
        break;
    case kFont: {
        FontRef font;
        std::memcpy(&font, record + CBarNumber::kFont, sizeof font);
        if (ChooseFontRef(&font)) std::memcpy(record + CBarNumber::kFont, &font, sizeof font);
        break;
    }
    case kColor: {
        CColorDlg colors(&record[CBarItem::kColor]);
        if (colors.RunModal())
            if (CWnd* c = GetDlgItem(kColor)) c->Invalidate();
        break;
    }
    case kSample: TrackSample(); return;
    default: break;
    }
    CStdDlg::OnControl(id);
}

void CBarNumDlg::DrawControl(int id) {
    CArtist* a = GetArtist();
    if (!a) return;
    RECT r;
    GetControlRect(id, &r);
    if (id == kPreview) {
        DrawPreview();
    } else if (id == kSample) {
        a->EraseRect(r);
        const bool letters = (Flags() & CBarNumber::kLettersBit) != 0;
        const char text[2] = {letters ? char(record[CBarNumber::kFirstLetter] ? record[CBarNumber::kFirstLetter] : 'A') : '1', 0};
        a->DrawTextCentered((r.left + r.right) / 2, r.bottom - 1, text);
    } else if (id == kColor) {
        a->FrameRect(r);
        const RECT inner{r.left + 4, r.top + 4, r.right - 4, r.bottom - 4};
        if (const int c = record[CBarItem::kColor]; c != 0) a->FillRectColor(inner, c - 1);
        else a->FillRectRgn(inner);
    } else {
        CStdDlg::DrawControl(id);
    }
}

void CBarNumDlg::DrawPreview() {
    CArtist* a = GetArtist();
    RECT r;
    GetControlRect(kPreview, &r);
    a->EraseRect(r);
    const int cy = (r.top + r.bottom) / 2;
    for (int line = -2; line <= 2; ++line) a->Line(r.left, cy + line * kLineGap, r.right, cy + line * kLineGap);
    // The bar's lines where the left and right anchors measure from.
    a->Line(r.left + kLeftAnchor, cy - 2 * kLineGap, r.left + kLeftAnchor, cy + 2 * kLineGap);
    a->Line(r.right - kRightZone + 16, cy - 2 * kLineGap, r.right - kRightZone + 16, cy + 2 * kLineGap);
}

void CBarNumDlg::TrackSample() {
    CArtist* a = GetArtist();
    RECT preview, frame;
    GetControlRect(kPreview, &preview);
    GetControlRect(kSample, &frame);
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    POINT start;
    fw::GetCursorPos(&start);
    ScreenToClient(&start);
    int lastY = start.y;
    int cx = (frame.left + frame.right) / 2;
    bool shown = false;
    const auto invert = [&] {
        if (!a) return;
        a->SetROP2(R2_NOT);
        a->SetColor(kFeedbackColor);
        a->FrameRect(frame);
        a->SetROP2(R2_COPYPEN);
        a->SetColor(0);
    };
    SetCapture();
    while (fw::MouseLoopStep()) {
        POINT p;
        fw::GetCursorPos(&p);
        ScreenToClient(&p);
        if (shown) invert();
        cx = std::clamp<int>(p.x, preview.left, preview.right);
        const int cy = std::clamp<int>(p.y, preview.top + h / 2, preview.bottom - h / 2);
        PutWord(CBarNumber::kYOffset, Word(CBarNumber::kYOffset) + (cy - lastY) * kUnitsPerPixel);
        lastY = cy;
        frame = RECT{cx - w / 2, cy - h / 2, cx - w / 2 + w, cy - h / 2 + h};
        invert();
        shown = true;
    }
    if (shown) invert();
    if (CWnd::GetCapture() == this) ReleaseCapture();
    // Where it was let go chooses the anchor.
    const int leftAnchor = preview.left + kLeftAnchor, leftZone = preview.left + kLeftZone;
    const int rightZone = preview.right - kRightZone, centre = (preview.left + preview.right) / 2;
    int anchor = 1, offset = cx - centre;
    if (cx > rightZone) {
        anchor = 2;
        offset = rightZone + 16 - cx;
    } else if (cx < leftZone) {
        anchor = 0;
        offset = cx - leftAnchor;
    }
    SetFlags(std::uint8_t((Flags() & ~(3 << CBarNumber::kAnchorShift)) | (anchor << CBarNumber::kAnchorShift)));
    PutWord(CBarNumber::kXOffset, offset * kUnitsPerPixel);
    MoveControl(kSample, SampleRect());
    if (CWnd* c = GetDlgItem(kPreview)) c->Invalidate();
}
