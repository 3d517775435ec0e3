// A page pane: the child window of the score view that shows one page. It paints its page,
// repaints an edited rectangle through a memory bitmap and one copy, and keeps the marks drawn
// over the page without repainting it: the blinking caret, the playback cursor and the
// note-entry preview, all drawn by inversion so that a second drawing takes them away.
#pragma once
#include <cstdint>
#include <memory>

#include "model/ViewInterface.h"
#include "framework/DC.h"
#include "platform/Pane.h"

class CDragTask;
class CTextTask;
class CPage;
class CScoreItem;
class CTrkBar;
class CZelDoc;
class CScore;
class CZelView;
struct ScoreLocation;

class CPagePane : public CPane, public CPagePaneBase {
public:
    static constexpr int kPaperColor = 7;

    CPagePane();
    ~CPagePane() override;

    // Makes the pane window as a child of the view over rect with a 2-pixel inset kept for
    // nothing, stores the page number and starts without a preview or a text editor.
    bool SetPage(CZelView* view, CZelDoc* doc, const RECT& rect, int id, int page);
    // Binds the pane to a document: its score and its insertion point.
    void Attach(CZelDoc* doc);
    int GetPageNumber() const { return pageNumber; }
    void SetPageNumber(int page) { pageNumber = std::int16_t(page); }

    // Paints the whole page (the paint message's work).
    void Paint(const RECT& client) override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    void InvalidateAll();
    // Repaints rect (client coordinates) through a memory bitmap copied in one piece.
    void RedrawRect(const RECT& rect);
    // In the one-page arrangement, whether the pane shows the current page; else whether the
    // pane meets the view's client area.
    bool IsVisible() const;

    // --- the document's side ---
    int GetPageIndex() const override { return pageNumber; }
    void SetPage(int page) override { pageNumber = std::int16_t(page); }
    void CursorOff() override;
    void Invalidate() override { CWnd::Invalidate(); }
    bool IsShown() const override { return IsWindow() && IsWindowVisible(); }
    int GetTop() const override;
    bool AttachDrawing(CDC& dc) override;
    // The zoom tool's press: the insertion point goes to the press, then the band zooms.
    void SelectAtPress(int x, int y, bool zoom);
    // The select tool's click at a page point on what the hover found (null: nothing): extends
    // the selection with Shift, marks bars with Ctrl, opens properties on a double click, or
    // returns the drag of what was pressed (the whole selection's when one of several selected
    // items was), else selects at the point and returns null.
    CDragTask* OnSelectTool(int x, int y, CScoreItem* item);
    // A double click's properties of what lies at a page point: the bar's, the key signature's,
    // the track's, the time signature's, a title block's or the item's own; false when nothing
    // there has any.
    bool ShowItemProperties(int x, int y, CScoreItem* item);
    // Before a tool other than the select tool: nothing stays selected, and the insertion
    // point's bar and bar of its track are current.
    void PrepareForTool();
    // The notes palette's click (page coordinates): the note tool's task, or null (a voice
    // beyond the track's limit is refused with an alert; the accidental sub-tool adds the
    // accidental to a hit note at once).
    CDragTask* OnNoteTool(int x, int y, CScoreItem* hitItem);
    // The placing tools' clicks (page coordinates): the clef tool (914), the dynamics palette
    // (904: a dynamic, or a hairpin from button 16 on), the expression palette (919), the chord
    // palette (920), the bar-line palette's bar symbols (916, buttons 5-7), the guitar
    // palette's fingerings off the notes (918), the graphics (909), group (905) and articulation
    // (923) palettes; null for any other tool.
    CDragTask* OnPlacingTool(int tool, int x, int y, CScoreItem* hitItem);
    // The bar-line palette's click: a symbol's tool, an ending's drag, or the bar-line kind's
    // command on the bar clicked.
    CDragTask* OnBarlineTool(int x, int y);
    // The expression palette's click: the library entry of the palette button or, with Shift
    // held, of the choice from the popup of all entries (which becomes the button); null when
    // the popup was dismissed.
    CDragTask* OnExprTool(int x, int y);
    // The chord palette's click: names the chord of a clicked note, then starts the chord tool.
    CDragTask* OnChordTool(CScoreItem* hitItem);
    // The graphics palette's click (909): a shape drawn with the drag, or for the symbol button
    // the symbol dialog, then the symbol tool (nothing hit) or a mark on a hit note or rest.
    CDragTask* OnGraphicTool(int x, int y, CScoreItem* hitItem);
    // The group palette's click (905): its command on what the click selects, else the group
    // tool's drag; parentheses toggled on a note's head, a chord symbol or a guitar frame.
    CDragTask* OnGroupTool(int x, int y, CScoreItem* hitItem);
    // The articulation palette's click (923): commands 2900-2907 on what the click selects; the
    // ghost button toggles the parentheses of a note's head, a chord symbol or a guitar frame.
    CDragTask* OnMarkPaletteClick(int x, int y, CScoreItem* hitItem);
    // Selects what the click (page coordinates) is on: a note's current head, any other item
    // whole, else what the point or the band holds; true when anything is selected.
    bool SelectAtClick(int x, int y, CScoreItem* hitItem);
    // A symbol tool started on the hit item (null: none).
    CDragTask* StartSymbolTool(int x, int y, CScoreItem* item);
    // The erase tool's click (page coordinates) on what the hover found: the document's erase
    // command for the item, the bar part, the bracket, the staff or the joined bar line under
    // the pointer; always null.
    CDragTask* OnEraseTool(int x, int y, CScoreItem* item);
    // The scale tool's click: Scale Item (4313) on the selection the click makes, else Scale
    // Staff (4334) on the staff clicked or the shown staves whose reference point the band
    // holds; always null.
    CDragTask* OnScaleTool(int x, int y, CScoreItem* item);
    // The scrub tool's press: while the button is held the notes under the pointer sound (both
    // staves of a grand staff with Shift), and the release ends every note in range; null.
    CDragTask* OnScrubTool(int x, int y);
    // The staves palette's click: buttons below 8 insert a staff (4312), the others start the
    // bracket tool's band.
    CDragTask* OnStaffTool(int x, int y);
    // The guitar palette's bend (232) and barre (233) buttons: the bend tool on the hit note.
    CDragTask* OnGuitarTool(int x, int y, CScoreItem* hitItem);
    // The group palette's harp pedal marking: a new marking at the insertion point shown in its
    // dialog; on OK the harp tool that places it, else null.
    CDragTask* StartHarpTool(int x, int y);
    // Runs a tool's task through the mouse loop from the press (pane coordinates), then redraws
    // and keeps it on the undo list when it is undoable; a task that fails or is refused gives
    // back what it changed.
    void RunToolTask(CDragTask* task, POINT start, int tool);
    RECT ClientRectAtOrigin();
    // The right click: the context menu of the point (132, or 331 while the score plays) with
    // its items' states, 80 pixels above the pointer, and the chosen command.
    void RightMouseDown(POINT pt, UINT flags) override;
    void OnRightClick(int x, int y);
    void RunContextCommand(UINT id, int voice);
    using CPane::TrackMouse;
    void TrackMouse(CMouseTask* task, POINT start) override;
    bool AutoScroll(POINT point) override;

    // The transient marks (their drawing is in PageCursors.cpp).
    void BlinkCaret();
    void HideCaret();
    void SetCaretEnabled(bool on);
    // Erases a shown note-entry preview; keep false also forgets its place, so the next
    // hover draws it afresh.
    void DrawPreview(bool keep);
    // Draws the preview at its stored place when it is not shown.
    void ShowPreview();
    // The preview's drawing by inversion at the stored place: a second call takes it away.
    // False when there is nothing to draw there.
    bool InvertPreview();
    // The document's periodic tick: the caret blinks at the platform's rate; while the
    // performer plays this score the playback cursor follows it.
    void OnTick();
    void FollowPlayback();
    void TogglePlaybackCursor();
    void SetPlaybackCursorEnabled(bool on) override;
    // The grid over the page: every 1/8 inch, or every 2.5 mm with metric units; every eighth
    // (inches) or fourth (centimetres) line darker.
    void DrawGrid(CPage& page);
    // One bar of one track drawn at once into the pane: mode 0 the whole bar, else only the
    // items of the bar of that track.
    void DrawTrackBar(CTrkBar* trkBar, int voice, int mode);

    // --- the mouse (PagePaneMouse.cpp); points in client coordinates ---
    void MouseMove(POINT pt, UINT flags) override;
    void MouseDown(POINT pt, UINT flags) override;
    // While nothing plays: the rulers' marks follow the pointer and the hover runs.
    void OnMouseMove(int x, int y);
    // Classifies the point (hitKind, the document's hover location), chooses the pointer and,
    // under the note tool, moves the note-entry preview there.
    void Hover(int x, int y);
    void OnLeftClick(int x, int y);

    // --- text entry (PagePaneText.cpp) ---
    // The text tool's click (pane pixels): a text task opens its editor there, on the hit text
    // when there is one. Always null: the entry runs as the pane's text editor.
    CDragTask* OnTextTool(int x, int y, CScoreItem* hitItem);
    // Ends the entry: the task builds its record; the pane is drawn again.
    void CloseTextEditor() override;
    CWnd* PaneWindow() override { return this; }
    void OnRequestResize(const RECT& rect) override;
    // Lyric entry at a note or syllable (or the note of the insertion point's voice nearest the
    // click): the editor opens under the note on the current verse's line.
    bool StartLyricEntry(int x, int y, CBarItem* item) override;
    // The lyric editor's keys: on to the next or previous note, to the next or previous verse.
    bool OnLyricKey(int key) override;

    RECT caretRect{};
    RECT playbackRect{};
    std::int32_t previewX = -1, previewY = 0;
    std::int16_t previewBar = 0, previewStaff = -1, previewStaffPosition = 0;
    ScoreLocation* location = nullptr;
    std::int16_t pageNumber = 0;
    CZelDoc* document = nullptr;
    CScore* score = nullptr;
    CZelView* view = nullptr;
    // The in-place text entry this pane holds while text is typed onto its page.
    CTextTask* textEditor = nullptr;
    std::int16_t selectInstead = 0;
    std::int16_t hitKind = 0;
    // A mouse task holds the button: the pointer's moves are the task's, not hovers (a hover's
    // hit test would move the hit that the task's drop places from).
    bool tracking = false;
    // Ticks the play position has stayed past the score's end while playing.
    int pastEndTicks = 0;

    // The preview as drawn: its picture (ink light on black) and where it was copied in by
    // inversion, so that erasing restores exactly those pixels even when the page moved since.
    struct PreviewPicture {
        CDC dc;
        CBitmap bitmap;
        CBitmap* old = nullptr;
        RECT rect{};
        ~PreviewPicture() { if (old) dc.SelectObject(old); }
    };
    std::unique_ptr<PreviewPicture> previewPicture;

    bool IsUnderPointer() const;

private:
    // Before the page is painted over them: the caret and the playback cursor are forgotten
    // (their rectangles repainted) and the preview erased.
    void ForgetMarks();
    // The caret's two lines, inverted.
    void InvertCaret();
    void HidePlaybackCursor();
    // The page's drawing (draw, make current, grid, finishing) into the current port, whose
    // origin lies at the page's paper top-left shifted by origin.
    void DrawPage(POINT origin);
};
