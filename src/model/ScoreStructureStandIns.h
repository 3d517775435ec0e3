// Minimal forms of the document, preference and view services that the score-wide structure
// and layout passes call and that come with the document and its views. Each carries the
// name its owner gives it and only the body these passes need; the owners replace them.
#pragma once
#include <cstdint>

class CZelDoc;

// The layout values of the preferences and the document: bars per system and systems per
// page for new layouts, the automatic-wrapping option, the document's current page and bar,
// the system spacing and the score size (percent) that staff-size fitting sets.
struct LayoutPreferences {
    int barsPerSystem = 4;
    int systemsPerPage = 5;
    bool autoWrap = false;
    int currentPage = 0;
    int currentBar = 0;
    int systemSpacing = 720;
    int scoreSize = 100;
    // Progress steps that succeed before the user cancels (-1: never cancels).
    int cancelProgressAfter = -1;
    // Counts of the view services called (tests read them).
    int pageLayouts = 0;
    int alertsShown = 0;
};
LayoutPreferences& LayoutPrefs();

// The document's top of the first system of a page (twentieths of a point): 2160 on page 0
// (the title blocks' room), 1440 on later pages.
int DocTopOfFirstSystem(CZelDoc* doc, int page);
// The document's bars per system.
int DocBarsPerSystem(CZelDoc* doc);
// Lays out all pages (and, when asked, the view's page panes); true when the panes could be
// placed.
bool DocLayOutPages(CZelDoc* doc, bool panes);
bool DocLayOutPagePanes(CZelDoc* doc);
// Makes a bar the document's current bar, the views following it.
void DocSetCurrentBar(CZelDoc* doc, int bar);
// Shows a message by its string number.
void DocShowMessage(CZelDoc* doc, int id);
// Steps the progress dialog; false when the user cancelled.
bool ProgressStepCurrent();
// Steps the wait-cursor animation.
void StepWaitCursor();
// Renews the repeat and jump links of the bars.
void RelinkJumps(class CScore* score);
// The tempo in quarter notes per minute (x100) for a tempo marked in beat units of the
// note-value code (3 = quarter) and dotted flag.
int TempoToQuarterTempo(int tempo, int unitCode, bool dotted);

class CPageSetup;
class CStaff;
// The document's second page setup (the working copy that staff-size fitting reads).
CPageSetup& DocumentSecondPageSetup(CZelDoc* doc);
// Sets the document's score size (percent), which rescales the page geometry.
void DocSetScoreSize(CZelDoc* doc, int percent);
// The staff's conversion of a page y to a staff position: half-space steps below the top line
// (0 on the top line, 1 in the space under it), rounded to the nearest line or space.
int StaffYToPosition(CStaff* staff, int y);
// The staff's conversion of a page y to a vertical offset from the staff's top line.
int StaffYToOffset(CStaff* staff, int y);
