// The document: one per open score. It owns the score root and every per-score record beside
// it (page setups, printer settings, articulation table, engraver settings, font map, spacing
// table, title blocks), the insertion point that tools, commands and typed keys move, and the
// undo list through which every undoable change runs (DoTask). It runs without a view: what it
// asks of the score view and its page panes goes through the view interface
// (model/ViewInterface.h), what it tells the support windows through the notice targets
// (model/DocumentStandIns.h).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/Document.h"
#include "model/Articulation.h"
#include "model/DocumentStandIns.h"
#include "model/EngraverSettings.h"
#include "model/PageSetup.h"
#include "model/ScoreFile.h"
#include "model/ScoreLocation.h"
#include "model/Select.h"
#include "model/SpacingTable.h"
#include "model/Titles.h"
#include "model/ViewInterface.h"
#include "platform/FileNames.h"
#include "platform/FontMap.h"

class CBarItem;
class CScore;
class CTrkBar;
class CScoreTask;
class CTextTask;
class CFile;
class CCmdUI;

// The document's share of the score file (version block, zoom, score size, arrangement, window
// placement, page setup, titles, engraver settings, font map, articulation table, printer) is
// its ScoreFileDoc base, which the file's reader and writer fill and read.
class CZelDoc : public CDocument, public ScoreFileDoc {
public:
    static constexpr int kDefaultStaffReduction = 15;
    static constexpr int kMaxZoom = 800;
    static constexpr int kMaxUndo = 32;
    static constexpr int kMarginFloor = 36;      // points: page margins are at least this
    static constexpr int kEdgeMargin = 36;       // pixels kept between the cursor and the window's edge
    static constexpr int kScrollBarRoom = 20;    // pixels of the window taken by a scroll bar
    // Codes of the document's notices.
    enum : int { kHintSelectionCleared = 4314, kHintTrackChanged = 4321, kHintTaskDone = 4332 };

    CZelDoc();
    ~CZelDoc() override;
    static CZelDoc* CreateObject() { return new CZelDoc; }

    // --- the document object ---
    CScore* GetScore() const { return score; }
    CSelect* GetSelection() const { return selection.get(); }
    // Exchanges the document's selection with another (an edit operation's undo copy).
    void SwapSelection(std::unique_ptr<CSelect>& other) { selection.swap(other); }
    void MakeCurrent();
    // No document is current: the current document, score and page are cleared and the
    // engraver settings in use are the preferences' again.
    static void ClearCurrent();
    // The transport command that stops playback.
    static constexpr int kTransportStop = 2501;
    // Closing: the document is made current for its last steps; an in-place text editor of its
    // current pane is closed and a performer playing its score is stopped (kTransportStop);
    // then the application makes no document active (none is left pointing at this one) before
    // the base lets the application drop it. The next idle pass makes the active window's
    // document current again.
    void OnCloseDocument() override;
    // The document's share of idle work: with a view, a document that is not the current one
    // becomes current again, with its current page.
    void DoIdleWork();
    // With Adjust Pitch on: a chord played on the MIDI keyboard while one note is selected
    // becomes that note's pitches (one undo step) and the next note is selected; false when no
    // chord came or the selection is not one note.
    bool RepitchFromInput();
    // Sets the modified flag; a change of it sets the title again.
    void SetModified(bool modified);
    // Null: the untitled name; otherwise the name cut before its last ".".
    void SetTitle(const char* name) override;
    // The title without a trailing "*".
    std::string GetPlainTitle() const;
    // The space allotted to a note of a duration class by the document's spacing table.
    int GetAllotSpace(int durationClass, int dotted, int triplet) const {
        return spacing.GetSpace(durationClass, dotted, triplet);
    }
    // A changed rectangle: to the current operation's redraw list when it takes them, else to
    // the selection's.
    void AddDirtyRect(const RECT& rect, int page);
    // Asks the current operation to save a bar and its track bar; true when none runs.
    bool SaveBarForUndo(int track, int bar);
    void DeselectAll();
    // Sets one position overlay (kind 0, 5, 1, 2, 4: chord, lyric, slash-note, dynamics,
    // time-code), all five (6) or none (3); the shown panes are redrawn.
    void SetDisplayFlag(int value, int kind);
    // The first and last bar that hold selected items; false when nothing is selected.
    bool GetSelectedBarRange(int* first, int* last) const;
    // Recalculates every bar from bar 0 with the program's current bar of a track kept, and
    // tells the running operation that the layout changed.
    void RecalcAfterEdit();
    // A track's full name (an empty one: the track word and its number); false for no track.
    bool GetTrackName(int track, char* buffer);
    // A new score of the settings in this document: untitled, at its zoom, the insertion point
    // at bar 0; false when the score could not be built.
    bool ApplyNewScoreSettings(const struct NewScoreSettings& settings);
    // The jazz look: the font map takes the slots and size of the "JazzFontMap" symbol-map
    // library of the library folder (nothing changes when it cannot be read), and when the
    // "JazzText" face is installed it becomes the face of every title line and of the score's
    // track-name and abbreviation fonts.
    void ApplyJazzFont();
    static constexpr const char* kJazzMapName = "JazzFontMap";
    static constexpr const char* kJazzTextFace = "JazzText";
    // The room kept at the top of a page for the titles, twentieths of a point.
    int GetPageTopSpace(int page) const;
    // Views: with a score view, the base's views, then the piano-roll panes, then the track
    // view, so that every update reaches those windows too.
    POSITION GetFirstViewPosition() const override;
    CView* GetNextView(POSITION& pos) const override;
    // The panes of the piano-roll window, row by row (pane n at column n % 3, row n / 3), while
    // it is open; the track window's view.
    std::vector<CView*> pianoRollPanes;
    CView* trackView = nullptr;

    // --- the document's windows (model/DocWindows.cpp) ---
    // File New: the base's, then a score of the program's new-score settings.
    bool OnNewDocument() override;
    // As the score window is made: an empty stored rectangle gets the default size (the
    // paper in the view, its gaps and the window's frame); the window takes the stored show
    // state and rectangle.
    void RestoreWindowPlacement();
    // The zoom dialog: on OK the zoom it gives, with a redraw.
    void AskZoom();
    // The View commands: zoom percentages, fit modes, steps, the zoom dialog and the page
    // arrangements; false for any other id.
    bool OnViewCommand(int id);
    // A selection starts in another view (the piano roll or the controller view): the score
    // selection's redraws are carried out, then every piano-roll pane but that view's redrawn.
    void SetSelectionView(CView* selecting);
    // The style bar's commands 2700-2708: disabled without an in-place text editor; with one,
    // enabled and checked by the text's flags, alignment and style.
    void OnUpdateStyleBar(CCmdUI* state) const;

    // --- commands (model/DocCommands.cpp) ---
    // The one entry of every command that acts on the score: menu, palette, transport,
    // pop-up-menu and internal ids. An id without a branch only brings the arrow back.
    void OnCommandRange(int id);
    void OnFileCommand(int id);
    void OnEditCommand(int id);
    void OnScoreCommand(int id);
    void OnMeasureCommand(int id);
    // The update handlers of the File, Edit, Score and Measure entries.
    void OnUpdateFileMenu(CCmdUI* entry);
    void OnUpdateEditMenu(CCmdUI* entry);
    void OnUpdateScoreMenu(CCmdUI* entry);
    void OnUpdateMeasureMenu(CCmdUI* entry);
    // The entry's text: the prefix string, the operation's name (the string under its command
    // id, none for 0) and the keys after the entry's tab.
    void SetUndoMenuText(int prefixId, int entryId, int commandId);

    // --- the Note, Options and View menus (model/DocNoteCommands.cpp, DocOptions.cpp) ---
    // The ids the Note family carries out (menu, palette and typed-key ids).
    static bool IsNoteCommand(int id);
    void OnNoteCommand(int id);
    void OnOptionsCommand(int id);
    // Note entries enabled by what the selection holds; Options entries greyed while the
    // performance runs (but the playback type), checked by the score's and preferences' flags.
    void OnUpdateNoteMenu(CCmdUI* entry);
    void OnUpdateOptionsMenu(CCmdUI* entry);

    // --- typed keys (model/DocKeys.cpp) ---
    // A typed character (with the PC scan code of its key): a transport command, a document
    // command, a move of the insertion point or a step through the items; what the document
    // does not use goes to the application's key handler, whose answer is returned.
    bool OnKeyChar(int ch, int scanCode);
    // Backspace (before) or Delete with nothing selected: erases the note or rest next to the
    // insertion point and puts the insertion point where it stood; none: position 0.
    void EraseNextToInsertion(bool before);

    // --- moving a track (model/DocMoveTrack.cpp) ---
    // Moves a track to another index as one undoable operation; refused (beep and flash, no
    // change) when an item crossing staves touches either track. False when nothing moved.
    bool MoveTrack(int from, int to);
    // The tie operation re-creates the ties of a range (a selection extent's lower and upper
    // bounds) after a paste, outside the undo list: the caller's own operation covers it. Nothing
    // while the tie operation is not in the program.
    void RetieRange(const std::int16_t (&lower)[6], const std::int16_t (&upper)[6]);

    // --- page geometry and zoom ---
    int GetZoom() const { return zoom; }
    int ScaleToView(int v) const;
    int ScaleFromView(int v) const;
    RECT ScaleRectToView(const RECT& r) const;
    // A zoom in percent, or a fit mode (-1 whole page, -2 page width, -3 page height).
    void SetZoom(int zoom, bool redraw);
    // Fits the window to the pages at the zoom: the view places its panes again and redraws.
    void FitFrameToPage();
    int GetFitZoom(int mode) const;
    void ZoomStep(bool in);
    void ZoomToRect(const RECT& rect);
    int GetScoreSize() const { return scoreSize; }
    void SetScoreSize(int percent);
    // The page in use's margins (twentieths of a point); setting them recomputes the page
    // geometry without laying the panes out again.
    void SetMargins(int left, int top, int right, int bottom);
    RECT GetMargins() const { return pageSetup.GetMarginsTwips(); }
    // The paper (a rectangle) or the margins in twentieths of a point at the score size, kept
    // at score size 100 in the unscaled page setup.
    void SetPaperSize(const RECT& paper);
    void SetUnscaledMargins(int left, int top, int right, int bottom);
    // Redraws changed page rectangles, each grown by 30 units at the zoom, in their pages' panes.
    void InvalidatePageRects(const PageDirtyRect* list, int count);
    RECT GetScaledPageRect() const;
    RECT GetScaledMarginRect() const;
    void InitPageSetup(bool clamp);
    void FixPageSetup();
    void RecalcPageGeometry(bool relayout, bool redraw);
    // Lays every page out again and, with relayout, the view's page panes; false when the
    // panes could not be placed.
    bool LayoutAllPages(bool relayout);
    // Lays a page's systems out again and counts the sheets of the printer's paper it spans
    // across and down (unless the program's no-tiling option is set); the document's pages
    // across and down are then 1, or, in a score that tiles its pages, the largest counts.
    void LayoutPage(int page);
    // The same for every page from the first given on, the document's counts taken once.
    void LayoutPagesFrom(int first);
    // What one sheet of the printer's paper prints, as the pages are drawn (at the score size
    // and the zoom, view pixels).
    SIZE GetSheetPrintableSize() const;
    SIZE GetViewExtent() const;
    void SetArrangementMode(int mode);
    int GetArrangementMode() const { return location.arrangementMode; }
    bool LayoutViewPanes();
    CPagePaneBase* GetPagePane(int page) const;
    void InvalidatePanes();
    // The playback cursor off, the insertion point shown again in the current bar, the pages
    // redrawn.
    void RefreshInsertionDisplay();
    // The title sheet, opened at the page of a block (0-7); confirmed, it is one undo step and
    // true, cancelled the blocks are as they were and false.
    bool EditTitles(int block);

    // The values a new or re-planned layout takes, from the document's engraver settings: bars
    // per system, systems per page and the space between systems (twentieths of a point).
    int GetBarsPerSystem() const { return engraver.GetWord(EngraverSettings::kBarsPerSystem); }
    int GetSystemsPerPage() const { return engraver.GetWord(EngraverSettings::kGroupsPerPage); }
    int GetSystemSpacing() const { return engraver.GetWord(EngraverSettings::kStaffGroupSpacing); }

    // --- the insertion point ---
    void SetCurrentBar(int bar, bool findStaff);
    void SetCurrentTrack(int track);
    void SetCurrentVoice(int voice);
    void SetCurrentPage(int page);
    bool ShowInsertionPoint(int bar, bool force);
    void HideInsertCursor();
    void ShowInsertCursor();
    void BindCurrentPane();
    void ResetInsertionPoint();
    void LocateTime(long ticks);
    // Playback starts inside a bar: every live item of the bar (its own and its tracks') whose
    // time lies before the start time is told it was played.
    void MarkPlayedItems(int bar, int time);
    // Sets a bar's beat-point track and flips its beat-points flag; with all, every bar takes
    // the flag and, where it is set, the track. The panes are drawn again.
    void SetBarByte(int value, int bar, bool all);
    // Redraws a bar of a track in its page's pane when that pane is shown: kind 0 the bar's
    // stretch of its staff, any other its MIDI data strip. Redraw first switches the pane's
    // insertion cursor off and makes the bar of the track current.
    enum : int { kTrackBarStaff = 0, kTrackBarDataStrip = 1 };
    void InvalidateTrackBar(int bar, int track, int kind);
    void RedrawTrackBar(int bar, int track, int kind);
    // Moves the insertion point to the note or rest before or after it (or, by voice position,
    // selects the next head of the current voice's chord there) and returns what it reached,
    // null when there is nothing; with select the item is selected.
    CBaseItem* StepToItem(bool forward, bool byVoicePosition, bool select);
    // A note head's selected flag (bit 1 of its first byte).
    static constexpr std::uint8_t kSelectedHeadBit = 0x02;
    long TimeFromBarBeat(int bar, int beat, int tick);
    void BarBeatFromTime(long ticks, int* bar, int* beat, int* tick);
    long GetInsertionTime();
    long GetScoreLength();
    // From the current bar on, the first bar where (mode 0) a track's voices do not fill the
    // bar once re-timed, that track made current with the insertion point in mid-bar, or (mode
    // 1) the current track has a note it cannot play; shows it with a warning beep. False when
    // there is none.
    bool FindNextProblem(int mode);

    // What the scroll rule of the single-page arrangement looks at, in view pixels.
    struct ScrollScene {
        POINT cursor;             // the bar's x at the insertion position, the staff's top line
        RECT visible;             // the window's client area at the scroll position, less the bars
        POINT scroll;             // the view's scroll position
        RECT system;              // the current system's rectangle
        int barLeft = 0, barRight = 0;
        bool firstBarOfSystem = false;
        int staffHeight = 0;
        bool transportRunning = false;
        bool firstOnPage = false; // the system's first-on-its-page flag
    };
    // The scroll position that keeps the insertion point in sight.
    static POINT ChooseScroll(const ScrollScene& scene);

    // --- opening and saving ---
    // Result codes of a read; any other code counts as out of memory.
    enum : int {
        kReadOk = 0,
        kReadCancelled = 1,
        kReadNoMemory = 100,
        kReadWrongMagic = 101,
        kReadNewerVersion = 103,
        kReadUnconvertible = 105,
    };
    // Opens a file by its name's ending (last four characters, lower case): the MIDI import
    // and the importers, else the native reader; every system is laid out again afterwards.
    // A failure is reported; a score without bars is refused.
    bool OnOpenDocument(const char* path) override;
    // The code of the last open and the message it showed (empty when none).
    int lastReadCode = 0;
    std::string lastReadMessage;
    // Why an importer refused the file, as the user reads it after the file's name (the
    // program's language) and as the debug log and the tools print it (English); empty when it
    // gave no reason.
    std::string lastReadReason;
    std::string lastReadDetail;
    int ReadFile(const std::string& path, CFile& file);
    int ReadNative(CFile& file);
    // Tells the user about a failed read (nothing for code 1), with the reader's reason after the
    // file's name when there is one; returns the text shown.
    static std::string ReportOpenFailure(int code, const std::string& path, const std::string& reason = {});
    // Refuses a read-only file (message 10009); otherwise writes the score with the view state,
    // keeping the previous file whole when the write fails.
    bool OnSaveDocument(const char* path) override;
    // Writes the file at a UTF-8 path with the pages at zoom 100 and the user's zoom stored.
    bool WriteNative(const std::string& utf8Path, int* osError = nullptr);
    // File Save: a ".zel" path without the needs-new-name flag saves in place, anything else
    // goes to Save As; the flag is cleared.
    bool OnFileSave();
    // File Save As: an imported or foreign file proposes its name with ".zel" (a cancelled or
    // failed save keeps the old path); the flag is cleared.
    bool OnFileSaveAs();
    // Before closing: a path that is not a ".zel" asks string 10015 itself and saves under a
    // name to be chosen; false keeps the document open.
    bool SaveModified() override;
    std::string GetDefaultExtension() const override { return "zel"; }
    // Asks, then reads the saved file into a new score that replaces the current one only when
    // it was read.
    bool Revert();
    // "Auto Save/<plain title>.zel" in the user's data folder (a second open document of the
    // same title gets "<title> (2)"); the modified flag, path and title stay as they were.
    bool Autosave();
    std::string AutosavePath() const;

    // --- edit operations and the undo list ---
    void DoTask(CScoreTask* task);
    void PushUndo(CScoreTask* task);
    void Undo();
    void Redo();
    CScoreTask* GetLastDoneTask() const;
    void DropNewestUndo();
    void ClearUndo();
    int GetUndoCount() const { return int(undoList.size()); }
    int GetUndoPosition() const { return undoPosition; }
    CScoreTask* GetUndoEntry(int i) const { return undoList[std::size_t(i)]; }
    // Tells a support window (target 0-5) that something changed.
    void NotifyWindows(int target, int code);

    // --- what the view keeps with the document (the file's share is the ScoreFileDoc base:
    // pageMode is the stored arrangement mode, maximised the window's show state,
    // loadedFromLegacy the needs-new-name flag) ---
    std::uint8_t flagBytes[2] = {};
    CScore* score = nullptr;        // owned
    std::uint16_t savedZoom = 0;
    std::int16_t fitMode = 0;
    std::uint32_t serial = 0;
    CZelViewBase* view = nullptr;       // not owned
    std::uint8_t redrawIntoTask = 1;
    // The colour of the one selected item (-1: more than one), as the colour command reads it.
    std::int16_t selectedColor = -1;
    CPageSetup viewPageSetup;       // scaled by the zoom
    CPageSetup unscaledPageSetup;   // at score size 100
    CPageSetup printerPageSetup;    // the printer's paper and margins
    std::unique_ptr<PrinterSettings> ownPrinter;  // what the base's printer points to
    std::int16_t pagesAcross = 1, pagesDown = 1;
    SpacingTable spacing;
    ScoreLocation location;         // the insertion point
    ScoreLocation secondLocation;
    ScoreLocation paneLocation;     // the page panes' own
    CPagePaneBase* currentPane = nullptr;  // not owned
    std::int32_t caretDeadline = 0;        // the caret's next blink, in 1/60 s ticks
    std::int16_t playbackShown = 0;        // the playback cursor is drawn now
    std::int16_t playbackEnabled = 0;      // the playback cursor is switched on
    CTextTask* textTask = nullptr;     // the in-place text entry running, not owned
    CScoreTask* currentTask = nullptr; // not owned
    FileSpec file;
    char voiceSetName[260] = {};
    // The lyric lines the score uses: 1 + the highest line number, at least 1.
    std::int16_t lyricLineCount = 1;

    // --- page drawing ---
    // A text, picture or graphic that the bars leave for the page to draw last, with its bar of
    // a track.
    struct DeferredItem {
        CBarItem* item = nullptr;
        CTrkBar* trkBar = nullptr;
    };
    std::vector<DeferredItem> deferred;  // as many as a page collects
    bool drawingPage = false;            // a page draws its bars (they leave the titles to it)
    bool handlesHidden = false;          // handles are kept off for a while

private:
    // Makes, attaches and runs the operation of a command's row; false when no row has the id
    // (true also when the row makes nothing: an empty selection, an operation not written).
    bool RunTaskRow(int id);
    void InstallCommands();
    void ToggleMidiDataBox();
    // 4309: the shown voices of the current track take the preferences' thru port, channel
    // and patch; 4337: with "Follow" on, the thru settings take the current track's and
    // voice's. Either asks the idle work to route the thru change when something changed.
    void ApplyThruSettings();
    // 4320: the text tool shows the style bar (in lyric mode for its lyrics button), other
    // tools hide it.
    void OnToolChanged();
    void FollowThruSettings();
    bool EditorOpen() const;
    std::unique_ptr<CSelect> selection;
    std::vector<CScoreTask*> undoList;  // owned, oldest first
    int undoPosition = 0;
    void LayoutOnePage(int page);
    void TakeLargestSheetCounts();
    bool ShowInSinglePage(bool pageChanged, bool force);
    bool ShowInPageRun(bool pageChanged, bool force);
};

// The documents that exist, in the order they were made (the application's list).
const std::vector<CZelDoc*>& Documents();
