// The text task: the edit operation of typing a text straight onto the page. A click of the
// text tool starts it: it goes on the undo list at once, opens a CTextEdit over the page pane
// (in the text's font at the view's zoom; an existing text reopens with its runs, alignment and
// background) and, when entry ends, turns what was typed into a text record (a bar text, a
// system text or a page text) with its style runs and line table, or in one font, as one undo
// step. An empty new text leaves nothing behind.
//
// Counting inside the record: the length word and the record size count bytes of the stored
// code-page text; style-run and line starts count characters as the editor counts them (one
// for a double-byte character).
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "model/EditTask.h"
#include "model/TextEdit.h"
#include "platform/FontRef.h"

class CBarItem;
class CCmdUI;
class CPagePaneBase;
class CText;

class CTextTask : public CScoreTask {
public:
    static constexpr int kTextNameId = 913;
    static constexpr int kLyricNameId = 6080;
    static constexpr int kMaxCharacters = 2048;
    static constexpr int kMaxLines = 1024;
    // Messages: a text too long to keep, one with too many lines, one whose record grows too big.
    static constexpr int kTooLongString = 10860;
    static constexpr int kTooManyLinesString = 10861;
    static constexpr int kTooBigString = 10862;

    CTextTask();
    ~CTextTask() override;

    // Starts entry at a pane point (pixels of the pane) on the document's current pane: a new
    // text of kind `kind` (0 bar text, 1 and 2 system texts, 3 page text) when item is null, else
    // the existing text reopened. The task is then the document's and owned by its undo list.
    // False when no editor could be made (the task is then dropped from the undo list and
    // deleted).
    bool Start(CZelDoc* doc, CBarItem* item, int x, int y, bool lyricMode);
    // Ends entry: the text becomes its record (or a new empty one is cancelled, the task
    // leaving the undo list and deleting itself). The document forgets the task; the pane
    // that closes the editor draws the page again.
    void Finish();
    // The request to resize (pane pixels): the editor moves and sizes there.
    void ResizeEditor(const RECT& rect);

    // The style bar's side: the caret's font in score units, a font given in score units.
    void GetEditFont(FontRef& font);
    void SetEditFont(const FontRef& font);
    int GetAlignment() const;
    // Score units and view pixels: page texts by the zoom, the others also by the staff's size.
    int ScaleToView(int v) const;
    int ScaleFromView(int v) const;

    // Builds the record from the editor into `record` (grown as needed); false when nothing is
    // to be stored (empty), and refused (with `refusal` the message id) when the text cannot be
    // kept: more than 2,048 characters, more than 1,024 lines, a record past 32,767 bytes.
    virtual bool BuildRecord(std::vector<std::uint8_t>& record, int* refusal);
    virtual void TakeOverItem(CBarItem* item, RECT& rect);
    virtual void LoadText(CBarItem* item);
    // The editor's commands (the Edit menu's and the style bar's) and their menu states.
    virtual void OnCommand(int id);
    void OnUpdateCommand(CCmdUI* entry);
    // After the new record went into a track's bar at the end of entry.
    virtual void AfterStore() {}
    // The style bar changed font (face and size, score units): applied to the selection.
    void ApplyFont();

    CTextEdit* Editor() const { return editor.get(); }
    // The editing rectangle (pane pixels) and the page's paper offset.
    RECT EditRect() const { return editRect; }

    // --- the state the style bar and the document read ---
    std::uint8_t flags[2] = {};  // 0: a text (not a lyric) is edited; 1: the background flag
    std::int32_t alignment = 0;  // 0 left, 1 centre, 2 right
    std::uint8_t styleBits = 0;  // the caret's 1 bold, 2 italic, 4 underline
    std::uint8_t visible = 1;    // the background toggle's state on the style bar
    FontRef font{};              // the caret's font, score units
    int lastCommand = 0;         // the last command the task handled

    // The task's own fields.
    std::uint8_t lyricMode = 0;
    std::uint8_t newItem = 1;
    std::uint8_t hyphen = 0, extender = 0;
    std::uint8_t background = 0;
    std::int32_t textKind = 0;  // 0-3; set before Start (the text palette's chosen item)
    std::int32_t edgeMargin = 0;
    std::int32_t verticalOffset = 0, horizontalOffset = 0;
    std::int32_t kindByte = 0;
    FontRef currentFont{};
    POINT click{};

protected:
    // The editor's state copied into the fields above.
    void SyncState();
    // Where the text goes: the staff its coordinates are measured on (null for page texts).
    CStaff* MeasureStaff() const;

    std::vector<std::uint8_t> scratch;  // the fixed part of the record being built
    RECT editRect{};
    std::unique_ptr<CTextEdit> editor;
    CPagePaneBase* pane = nullptr;
    CBarItem* oldItem = nullptr;
    int oldPageText = -1;   // the page-text index of an existing page text
    POINT paperOrigin{};    // the pane's top-left in page pixels
};

// The style bar's current task: start-up points it at the style bar.
using TextTaskListener = void (*)(CTextTask* task);
void SetTextTaskListener(TextTaskListener listener);

// In-place text entry on an existing text (its double click) on the current document's current
// pane; false when none starts.
bool StartTextEntry(CBarItem& item);
