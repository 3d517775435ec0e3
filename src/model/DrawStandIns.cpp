// Least bodies of the staff, track-label and title drawing that the page, system and bar
// drawing call, until those draw themselves whole: staff lines, a stacked time signature, a
// right-aligned track name; title blocks and key signatures draw nothing yet.
#include "framework/Gdi.h"
#include "model/Meter.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/Titles.h"
#include "model/Track.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"

void StaffBehaviour::Draw(CScoreItem& item) const { static_cast<CStaff&>(item).Draw(); }

void CStaff::Draw() { DrawLines(); }

void CStaff::DrawLines() {
    CArtist* a = g_draw.artist;
    if (!a) return;
    a->DrawStaffLines(GetLeft(), GetMiddleY(), GetRight(), GetLineMask(), Space(), 20);
}

void CStaff::DrawKeySignature(int, int, int, int, int, int, int, bool, int) {}

int CStaff::DrawTimeSignature(int x, const Meter* meter, std::uint8_t* out) {
    CArtist* a = g_draw.artist;
    if (!a || !meter) return 0;
    a->SetMusicFont(GetFontSize() ? GetFontSize() : 24);
    const int end = DrawStackedNumbers(x, PositionToY(2), PositionToY(-2), meter->GetNumerator(),
                                       meter->GetDenominator());
    const int width = end - x;
    if (out) rec::Put<std::int16_t>(out, 10, std::int16_t(x + width / 2));
    return width;
}

void CTrack::DrawName(int x, int y, bool firstSystem) {
    CArtist* a = g_draw.artist;
    const char* text = GetLabelText(firstSystem);
    if (!a || !text[0]) return;
    a->SetFont(g_draw.standardFontRefs[1].face, a->Scale(10), 0);
    a->DrawTextRight(x, y, text);
}

void TitleBlock::Draw(const RECT&, int) {}
