// The scrub tool's walk: while the button is held, the notes of one track (or of both staves of
// a grand staff) that sound at the time under the pointer. The range is the bars from eight
// before the pressed one to the end of its system; each pointer step sends a note-on to the
// heads its time enters and a note-off to those it leaves, and the release ends every head in
// the range.
#pragma once
#include <climits>

#include "framework/Types.h"
#include "model/ScoreLocation.h"
#include "platform/Pane.h"

class CBarItem;
class CScore;
class CTrkBar;

class ScrubNotes : public CMouseTask {
public:
    // From the pressed place; origin turns the mouse loop's points into page points.
    ScrubNotes(CScore& score, const ScoreLocation& from, POINT origin, int tracks);
    void MouseDown(POINT p) override { Step(p); }
    void MouseMove(POINT c, POINT, POINT) override { Step(c); }
    void MouseUp(POINT, POINT, POINT) override { Walk(true); }

    // One pointer step: the time under a point that moved sideways, and the heads it starts
    // and stops.
    void Step(POINT p);
    // Every head of the range: its start or stop as the time changed, or (release) its stop.
    void Walk(bool release);

private:
    // The end of the tie chain that starts at head h of the note (ticks from the score's start).
    int ChainEnd(CTrkBar* tb, CBarItem* note, int h, int end);

    CScore& score;
    ScoreLocation scratch;
    POINT origin;
    int tracks = 1, track = 0;
    int firstBar = 0, lastBar = 0;
    int rangeStart = 0, rangeEnd = 0;
    int previous = INT_MAX, now = INT_MAX;
    int previousX = -1;
};
