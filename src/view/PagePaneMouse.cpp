// The page pane under the mouse: the hover that classifies the point under the pointer, chooses
// the pointer's shape and keeps the note-entry preview under it, and the first steps of a left
// click (the click that activated the window, clicks while the transport runs, the hand tool's
// scrolling outside the page frame), and the dispatch of the click on the tool, whose task runs
// through the pane's mouse loop and onto the undo list.
#include <algorithm>
#include <string>

#include "framework/Exceptions.h"
#include "framework/MessageBox.h"
#include "framework/Clipboard.h"
#include "framework/StringTable.h"
#include "framework/Window.h"
#include "model/DragTask.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/DocumentStandIns.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/PlaybackHooks.h"
#include "model/Score.h"
#include "model/ScoreHit.h"
#include "model/ScoreItem.h"
#include "model/Select.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"
#include "platform/StdMenu.h"
#include "platform/StdDlgGlobals.h"
#include "view/EditTool.h"
#include "view/PagePane.h"
#include "view/ToolState.h"
#include "view/ViewGlobals.h"
#include "model/Playback.h"
#include "view/ZelView.h"
#include "view/ZelWnd.h"

namespace {

// The program's pointer shapes.
enum : UINT {
    kCursorOnStaff = 501, kCursorSelect = 502, kCursorErase = 503, kCursorScale = 504, kCursorBelow = 507,
    kCursorAbove = 508, kCursorZoomIn = 509, kCursorZoomOut = 510, kCursorHandOutside = 511, kCursorText = 512,
    kCursorHand = 515, kCursorScrub = 203,
};

constexpr int kNothingTool = 910;
constexpr int kClefTool = 914;
constexpr int kTaskDoneCode = 4332;
constexpr int kAddAccidentalCommand = 4000;
constexpr UINT kVoiceLimitString = 10006;
constexpr int kSilentErrorCode = 1;

// The tools that work on what the hover found rather than on a fresh location of the click.
bool UsesHoverHit(int tool) {
    for (const int t : {801, 802, 906, 907, 908, 911, 912, 913, 918})
        if (tool == t) return true;
    return false;
}

// What a hover finds: 1 an item, 4 a staff's position handle, 6 a staff near its ends, 7 a title block.
enum : int { kHitItem = 1, kHitHandle = 4, kHitStaff = 6, kHitTitle = 7 };

bool Contains(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// Whether a hit note or rest leaves the click to the select tool rather than the current one.
bool NoteOrRestSelectsInstead(CScoreItem& item) {
    const ToolState& t = g_toolState;
    if (t.tool == ToolState::kNote) return t.subTool == ToolState::kNoteSub && item.IsNoteOrRawNote();
    const int part = g_model.hitTool;  // the tool that matches the part of the item hit
    if (part == 906) return true;
    if ((t.tool == ToolState::kGraphic && t.button == 6) || t.tool == ToolState::kChord) return false;
    if (part == ToolState::kNote)
        for (const int tool : {905, 906, 907, 908, 911, 912, 913, 918, 923})
            if (t.tool == tool) return false;
    return true;
}

}  // namespace

void CPagePane::MouseMove(POINT pt, UINT) { OnMouseMove(int(pt.x), int(pt.y)); }

void CPagePane::OnMouseMove(int x, int y) {
    if (PlaybackRunning()) {
        SetArrowCursor();
        return;
    }
    if (!IsWindow()) return;
    if (view && view->rulersShown) {
        RECT place;
        GetWindowRect(&place);
        view->ScreenToClient(&place);
        const POINT scroll = view->GetScrollPosition();
        view->UpdateRulerMarks(true, POINT{place.left + x + scroll.x, place.top + y + scroll.y});
    }
    if (!tracking) Hover(x, y);
}

void CPagePane::Hover(int x, int y) {
    if (!document || !score || !location) return;
    CPage* page = score->GetPage(pageNumber);
    if (!page || page->GetSystemCount() <= 0) return;
    const RECT paper = page->GetPaperRect();
    const int px = x + int(paper.left), py = y + int(paper.top);

    ScoreLocation at = *location;
    hitKind = std::int16_t(HitPagePoint(*score, pageNumber, px, py, &at));
    location->item = at.item;
    document->paneLocation = at;
    selectInstead = 0;
    SetCaretEnabled(true);

    if (g_model.dataDisplayKind != 0) {
        // The MIDI data display takes its own hover; the preview has no place there.
        DrawPreview(false);
        return;
    }

    const ToolState& t = g_toolState;
    const RECT frame = page->GetPrintableRect();
    const bool inFrame = Contains(frame, px, py);
    switch (t.tool) {
    case ToolState::kErase: DrawPreview(false); SetCursorById(kCursorErase); return;
    case ToolState::kScale: DrawPreview(false); SetCursorById(kCursorScale); return;
    case ToolState::kHand: DrawPreview(false); SetCursorById(inFrame ? kCursorHand : kCursorHandOutside); return;
    case ToolState::kZoom:
        DrawPreview(false);
        SetCursorById(g_platform.ctrlDown ? kCursorZoomOut : kCursorZoomIn);
        return;
    case ToolState::kScrub: DrawPreview(false); SetCursorById(kCursorScrub); return;
    default: break;
    }

    bool text = false;
    if (hitKind == kHitTitle) selectInstead = 1;
    auto* item = static_cast<CScoreItem*>(at.item);
    if (item && hitKind != kHitTitle) {
        if (item->IsNoteRestOrRawNote())
            selectInstead = NoteOrRestSelectsInstead(*item) ? 1 : 0;
        else if (item->IsChord() || item->IsGuitarFrame())
            selectInstead = t.tool == ToolState::kGroup && t.button == 12 ? 0 : 1;
        else if ((item->IsText() || item->IsLyric()) && t.tool == ToolState::kText)
            text = true;
        else
            selectInstead = 1;
    }

    CBar* bar = score->GetBar(at.barIndex);  // locating gives the bar's number
    CStaff* staff = at.staff;
    const int contentLeft = bar ? bar->GetLeft() - (staff ? staff->GetLineSpacing() : 0) : px;
    if (t.tool == ToolState::kNote && !item && (px < contentLeft || !inFrame)) {
        selectInstead = 0;
        SetArrowCursor();
        SetCaretEnabled(true);
        DrawPreview(false);
        return;
    }
    if (selectInstead) {
        DrawPreview(false);
        SetCursorById(kCursorSelect);
        return;
    }
    if (t.tool == ToolState::kSelect) {
        DrawPreview(false);
        SetArrowCursor();
        return;
    }
    if (text) {
        SetCursorById(kCursorText);
    } else if (!g_view.previewShown) {
        const int top = staff ? int(staff->GetTopLine()) : py, bottom = staff ? int(staff->GetBottomLine()) : py;
        SetCursorById(py < top ? kCursorAbove : py > bottom ? kCursorBelow : kCursorOnStaff);
    }
    if (t.tool != ToolState::kNote || !inFrame) {
        DrawPreview(false);
        return;
    }
    if (x == previewX && y == previewY && previewStaff >= 0) return;
    DrawPreview(false);
    previewX = x;
    previewY = y;
    previewBar = std::int16_t(at.barIndex);
    previewStaff = std::int16_t(at.trackIndex);
    previewStaffPosition = std::int16_t(at.staffPosition);
    ShowPreview();
}

// --- the left click ---------------------------------------------------------------------------------

void CPagePane::MouseDown(POINT pt, UINT) { OnLeftClick(int(pt.x), int(pt.y)); }

void CPagePane::OnLeftClick(int x, int y) {
    if (!document || !score || !location) return;
    CPage* page = score->GetPage(pageNumber);
    if (!page) return;
    const RECT paper = page->GetPaperRect();
    const int px = x + int(paper.left), py = y + int(paper.top);
    ScoreLocation& hover = document->paneLocation;
    const int tool = g_toolState.tool;
    g_viewDrag.currentTool = tool;

    // The first click on a page, before any hover: the page and its bar become current.
    if (!g_model.currentBar || !hover.page) {
        document->SetCurrentPage(pageNumber);
        hover.pageIndex = std::uint16_t(pageNumber);
        score->LocatePoint(px, py, &hover);
        hover.bar = score->GetBar(hover.barIndex);
        if (hover.bar) hover.bar->MakeCurrent();
        return;
    }
    // The hover holds pointers into the score's arrays as they were at the last mouse move; an
    // edit since (the last click's, say) may have moved them. Found again at the click.
    Hover(x, y);
    g_model.currentTrack = hover.track;
    if (CBar* bar = score->GetBar(hover.barIndex)) bar->MakeCurrent();

    // The click that activated the window places nothing.
    CZelWnd* frameWnd = view ? view->frame : nullptr;
    if (frameWnd && frameWnd->ignoreNextClick && tool != ToolState::kSelect && tool != ToolState::kChord) {
        frameWnd->ignoreNextClick = 0;
        return;
    }
    const bool inFrame = Contains(page->GetPrintableRect(), px, py);
    if (!inFrame && tool > 902 && hitKind != kHitHandle) return;
    // A click while text is typed only ends the entry.
    if (textEditor || document->textTask) {
        CloseTextEditor();
        return;
    }

    // While the transport runs a click only picks the track the performer plays.
    if (const int state = GetTransportState(); state != 0) {
        if (GetPlayedScore() == score && state == 1) {
            hover.pageIndex = std::uint16_t(pageNumber);
            score->LocatePoint(px, py, &hover);
            document->SetCurrentTrack(hover.trackIndex);
        }
        return;
    }

    SetCaretEnabled(false);
    DrawPreview(false);
    document->currentPane = this;
    location->pageIndex = std::uint16_t(pageNumber);
    location->page = page;
    document->caretDeadline = 0;

    int effective = tool;
    CBar* bar = score->GetBar(hover.barIndex);
    const int contentLeft = bar ? bar->GetLeft() - (hover.staff ? hover.staff->GetLineSpacing() : 0) : px;
    if (selectInstead || (tool == ToolState::kNote && px < contentLeft)) effective = ToolState::kSelect;
    if (effective == ToolState::kHand && !inFrame && view) view->HandScroll();
    if (effective == ToolState::kZoom) {
        SelectAtPress(x, y, true);
        return;
    }
    if (effective == kNothingTool) return;

    // The place of the click: located afresh, or the hover's when the tool works on what the
    // hover found.
    auto* hoverHit = static_cast<CScoreItem*>(hover.item);
    if (effective != ToolState::kSelect && !selectInstead && (!hoverHit || !UsesHoverHit(effective))) {
        score->LocatePoint(px, py, location);
        location->pointX = px;
        location->pointY = py;
    } else {
        *location = hover;
        location->cursorDrawn = 0;
        location->pageIndex = std::uint16_t(pageNumber);
        location->page = page;
    }
    location->bar = score->GetBar(location->barIndex);
    auto* hitItem = static_cast<CScoreItem*>(location->item);
    if (hitItem && hitItem->ClassTestC()) {
        auto* barHit = static_cast<CBarItem*>(hitItem);
        location->time = barHit->TimeField();
        location->position = barHit->PositionField();
        if (location->trkBar) location->trkBar->SetCurrent();
    }
    DrawPreview(false);
    location->pointX = px;
    location->pointY = py;

    CDragTask* task = nullptr;
    if (effective == ToolState::kSelect) {
        g_viewDrag.tool = ToolState::kSelect;
        task = OnSelectTool(px, py, hitItem);
    } else {
        PrepareForTool();
        switch (effective) {
        case ToolState::kNote: task = OnNoteTool(px, py, hitItem); break;
        case ToolState::kText: task = OnTextTool(x, y, hitItem); break;
        case ToolState::kErase: task = OnEraseTool(px, py, hitItem); break;
        case ToolState::kScale: task = OnScaleTool(px, py, hitItem); break;
        case ToolState::kScrub: task = OnScrubTool(px, py); break;
        default: task = OnPlacingTool(effective, px, py, hitItem); break;
        }
    }
    if (task) RunToolTask(task, POINT{x, y}, effective);

    // Always at the end: the click's place becomes the last click's, and the bar current.
    g_model.dragItem = nullptr;
    document->secondLocation = *location;
    location->item = nullptr;
    hover.item = nullptr;
    document->SetCurrentBar(location->barIndex, true);
}

void CPagePane::PrepareForTool() {
    if (!document || !location) return;
    document->DeselectAll();
    if (CBar* bar = score ? score->GetBar(location->barIndex) : nullptr) bar->MakeCurrent();
    if (CTrkBar* tb = score ? score->GetTrkBar(location->trackIndex, location->barIndex) : nullptr) {
        tb->SetCurrent();
        location->trkBar = tb;
    }
}

CDragTask* CPagePane::OnNoteTool(int x, int y, CScoreItem* hitItem) {
    CTrack* track = score->GetTrack(location->trackIndex);
    if (!track) return nullptr;
    if (location->voice >= track->GetVoiceCount()) {
        std::string text;
        fw::LoadStringResource(kVoiceLimitString, text);
        AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
        return nullptr;
    }
    if (g_toolState.subTool == ToolState::kAccidentalSub) {
        auto* note = hitItem && hitItem->IsNoteOrRawNote() ? static_cast<CBarItem*>(hitItem) : nullptr;
        CSelect* sel = document->GetSelection();
        CTrkBar* tb = score->GetTrkBar(document->paneLocation.trackIndex, document->paneLocation.barIndex);
        if (!note || !sel || !tb) return nullptr;
        sel->SelectItem(note, CSelect::kWhole, tb, true);
        document->OnCommandRange(kAddAccidentalCommand);
        return nullptr;
    }
    auto* tool = new CNoteTool;
    g_viewDrag.tool = ToolState::kNote;
    tool->Start(document, hitItem, CNoteTool::kNameId);
    return tool;
}

namespace {
// Calls the drag with page coordinates while the pane's mouse loop runs in its own.
class PageMouse : public CMouseTask {
public:
    PageMouse(CMouseTask& task, POINT origin) : task(task), origin(origin) {}
    void MouseDown(POINT p) override {
        Guard([&] { task.MouseDown(Page(p)); });
    }
    void MouseMove(POINT c, POINT p, POINT s) override {
        Guard([&] { task.MouseMove(Page(c), Page(p), Page(s)); });
    }
    void MouseUp(POINT c, POINT p, POINT s) override {
        Guard([&] { task.MouseUp(Page(c), Page(p), Page(s)); });
    }
    // A step failed (out of memory, or a question answered "否"): the later steps are skipped,
    // so the mouse loop ends with its drawing port in order.
    bool failed = false;

private:
    // Each step changes the score under the play lock (a playing score is not read half
    // changed); the mouse loop's waits between the steps hold nothing.
    template <typename F>
    void Guard(F&& step) {
        if (failed) return;
        PlayLockGuard playLock;
        try {
            step();
        } catch (const CException&) {
            failed = true;
        }
    }
    POINT Page(POINT p) const { return POINT{p.x + origin.x, p.y + origin.y}; }
    CMouseTask& task;
    POINT origin;
};
}  // namespace

void CPagePane::RunToolTask(CDragTask* task, POINT start, int tool) {
    CPage* page = score->GetPage(pageNumber);
    const RECT paper = page ? page->GetPaperRect() : RECT{};
    PageMouse mouse(*task, POINT{paper.left, paper.top});
    bool pushed = false;
    const bool was = tracking;
    tracking = true;
    CPane::TrackMouse(&mouse, start, ClientRectAtOrigin());
    tracking = was;
    // A placing tool that ran out of memory among its copies on further tracks keeps what it
    // placed as its undo entry.
    const auto* edit = dynamic_cast<const CEditTool*>(task);
    const bool keep = mouse.failed && edit && edit->keepsPlaced && task->IsUndoable() && task->HasSnapshot();
    if (!mouse.failed || keep) {
        StartWaitCursor(true);
        task->Redraw();
        StartWaitCursor(false);
        if (task->IsUndoable()) {
            document->PushUndo(task);
            pushed = true;
        }
    }
    if (mouse.failed) {
        // Otherwise a failed or refused task gives back what it changed and leaves no undo entry.
        ForceShowCursor();
        if (!keep) {
            if (task->HasSnapshot()) task->SwapSnapshot();
            document->InvalidatePanes();
        }
        const int code = g_platform.errorCode;
        if (code != kSilentErrorCode && code != CNoteTool::kRefusedCode) ReportErrorCode(code);
    }
    if (!pushed) delete task;
    if (tool == kClefTool || tool == ToolState::kNote) document->NotifyWindows(1, kTaskDoneCode);
}

RECT CPagePane::ClientRectAtOrigin() {
    RECT r{};
    GetClientRect(&r);
    return RECT{0, 0, r.right - r.left, r.bottom - r.top};
}

void CPagePane::SelectAtPress(int x, int y, bool zoom) {
    CSelect* sel = document ? document->GetSelection() : nullptr;
    CPage* page = score ? score->GetPage(pageNumber) : nullptr;
    if (!sel || !page) return;
    // The press places the insertion point where it hit.
    const RECT paper = page->GetPaperRect();
    const int px = x + int(paper.left), py = y + int(paper.top);
    ScoreLocation at = *location;
    const int kind = HitPagePoint(*score, pageNumber, px, py, &at);
    at.pointX = px;
    at.pointY = py;
    *location = at;
    document->currentPane = this;
    sel->Recount();
    sel->SetRectMode(g_model.dataDisplayKind != 0 ? CSelect::kRectNotes : CSelect::kRectAll);
    sel->TrackRubberBand(x, y, true);
}

// --- the right click ------------------------------------------------------------------------------

void CPagePane::RightMouseDown(POINT pt, UINT) { OnRightClick(int(pt.x), int(pt.y)); }

namespace {
constexpr UINT kPageMenu = 132, kPlayingMenu = 331;
enum : UINT {
    kItemProperties = 32918, kEnclosure = 4118, kColor = 32873, kPlayTime = 32878, kSolo = 33340, kMute = 33341,
    kCut = 57635, kCopy = 57634, kPaste = 57637, kClear = 57632, kInsertTrack = 33007, kShowInstrument = 33415,
};
constexpr int kSoloItem = 5, kMuteItem = 6;  // in the page menu; 0 and 1 in the playing menu
constexpr int kEnginePortBase = 2000;

// The position of the item with the command id, -1 when the menu has none.
int PositionOf(CStdMenu& menu, UINT id) {
    for (int i = 0; i < 64; ++i)
        if (menu.GetItemId(i) == id) return i;
    return -1;
}
}  // namespace

void CPagePane::OnRightClick(int x, int y) {
    if (!document || !score || !location) return;
    CZelWnd* frameWnd = view ? view->frame : nullptr;
    if (frameWnd && frameWnd->ignoreNextClick) {
        frameWnd->ignoreNextClick = 0;
        return;
    }
    CPage* page = score->GetPage(pageNumber);
    if (!page) return;
    SetCaretEnabled(false);
    DrawPreview(false);
    const RECT paper = page->GetPaperRect();
    const int px = x + int(paper.left), py = y + int(paper.top);
    location->pageIndex = std::uint16_t(pageNumber);
    score->LocatePoint(px, py, location);
    location->bar = score->GetBar(location->barIndex);
    document->SetCurrentTrack(location->trackIndex);
    const int voice = location->allVoices ? -1 : int(location->voice);
    CTrack* track = score->GetTrack(location->trackIndex);
    const bool playing = PlaybackRunning();

    CStdMenu menu;
    if (!menu.Load(playing ? kPlayingMenu : kPageMenu)) return;
    const int soloAt = playing ? 0 : kSoloItem, muteAt = playing ? 1 : kMuteItem;
    if (track) {
        menu.SetCheck(soloAt, track->IsSolo(voice));
        menu.SetCheck(muteAt, track->IsMuted(voice));
    }
    auto* item = static_cast<CScoreItem*>(document->paneLocation.item);
    CSelect* sel = document->GetSelection();
    if (!playing) {
        auto remove = [&](UINT id) {
            if (const int at = PositionOf(menu, id); at >= 0) menu.DeleteItem(at);
        };
        if (!item) {
            location->page = page;
            remove(kEnclosure);
            menu.DisableCommand(kItemProperties);
            menu.DisableCommand(kColor);
            menu.DisableCommand(kPlayTime);
        } else {
            item->Invalidate();
            CTrkBar* tb = score->GetTrkBar(document->paneLocation.trackIndex, document->paneLocation.barIndex);
            if (sel && sel->GetItemCount() == 0 && item->ClassTestC() && tb)
                sel->SelectItem(static_cast<CBarItem*>(item), CSelect::kWhole, tb, true);
            if (!item->CanHaveFrame()) remove(kEnclosure);
        }
        if (track && track->GetDevice() < kEnginePortBase) menu.DisableCommand(kShowInstrument);
        const int selected = sel ? sel->GetItemCount() : 0;
        if (selected == 0) {
            menu.DisableCommand(kCopy);
            menu.DisableCommand(kCut);
            menu.DisableCommand(kClear);
            if (!(location->insertionPlaced && fw::TheClipboard().GetData() != 0)) menu.DisableCommand(kPaste);
        } else {
            menu.DisableCommand(kPaste);
            if (selected > 1) remove(kEnclosure);
        }
    }
    POINT at{x, y - 80};
    ClientToScreen(&at);
    const UINT id = menu.Track(int(at.x), int(at.y));
    RunContextCommand(id, voice);
}

void CPagePane::RunContextCommand(UINT id, int voice) {
    CTrack* track = score->GetTrack(location->trackIndex);
    switch (id) {
    case 0: PrepareForTool(); return;
    case kSolo:
    case kMute:
        if (location->trackIndex < 0 || !track) return;
        if (id == kSolo)
            track->SetSolo(voice, !track->IsSolo(voice));
        else
            track->SetMuted(voice, !track->IsMuted(voice));
        return;
    case kInsertTrack: PrepareForTool(); break;
    default: break;
    }
    if (id >= 2100 && id <= 2108) {
        g_toolState.tool = kClefTool;
        g_toolState.button = std::int16_t(id - 2100);
    } else if (id >= 2300 && id <= 2305) {
        g_toolState.tool = 916;
        g_toolState.button = std::int16_t(id - 2300);
    } else if (id == 1300 || id == 1309 || id == 1310) {
        g_toolState.tool = 908;
        g_toolState.button = std::int16_t(id - 1300);
    }
    document->OnCommandRange(id);
}
