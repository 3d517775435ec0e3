// The least body of the track-name drawing that the system drawing calls, until the track
// labels draw themselves whole: the name centred on x (right-aligned there when the score
// aligns its names right), its lines split at commas.
#include <cstring>

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

void CTrack::DrawName(int x, int y, bool firstSystem) {
    CArtist* a = g_draw.artist;
    const char* text = GetLabelText(firstSystem);
    if (!a || !text[0]) return;
    a->SetFont(g_draw.standardFontRefs[1].face, a->Scale(10), 0);
    char lines[2 * kNameLength];
    const int count = SplitLabelLines(lines, text);
    const bool right = g_model.currentScore && g_model.currentScore->trackNamesRightAligned;
    const int step = a->Scale(12);
    char* line = lines;
    for (int i = 0; i < count && line; ++i) {
        char* end = std::strchr(line, '\n');
        if (end) *end = 0;
        const int ly = y + step / 3 - (count - 1) * step / 2 + i * step;
        if (right)
            a->DrawTextRight(x, ly, line);
        else
            a->DrawTextCentered(x, ly, line);
        line = end ? end + 1 : nullptr;
    }
}

