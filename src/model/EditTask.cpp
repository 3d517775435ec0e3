// The edit operation's snapshot: attaching to a document, the save steps (clone once, deep-copy
// a bar or a track's bar once), the exchange that undo and redo share, the redraw list and the
// release of what the operation kept.
#include "model/EditTask.h"

#include <algorithm>
#include <cstring>

#include "model/Bar.h"
#include "model/DocLayoutPasses.h"
#include "model/ItemArray.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Select.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/PortLayer.h"

namespace {

// A bar array whose bars share the live bars' own items: the record bytes only, every item
// array reference forgotten, so the copy owns nothing but its own block.
CBarArray* CloneDetachedBars(CBarArray& live) {
    auto* copy = new CBarArray;
    if (!live.CStdArray::CopyTo(copy)) {
        // The failed copy holds no element to release.
        copy->SetCount(0);
        delete copy;
        return nullptr;
    }
    for (int i = 0; i < copy->GetCount(); ++i) static_cast<CBar*>(copy->Element(i))->FreeItems(false);
    return copy;
}

// A track's bar array whose bars share the live runs: record bytes only, run and side buffer
// references forgotten (the run length stays as it was).
CTrkBarArray* CloneDetachedTrkBars(CTrkBarArray& live) {
    auto* copy = new CTrkBarArray;
    if (!live.CStdArray::CopyTo(copy)) {
        copy->SetCount(0);
        delete copy;
        return nullptr;
    }
    for (int i = 0; i < copy->GetCount(); ++i) static_cast<CTrkBar*>(copy->Element(i))->Release(false);
    return copy;
}

template <class T>
T* CloneOf(T* live) {
    return live ? static_cast<T*>(live->Clone()) : nullptr;
}

template <class T>
void SwapValue(T& a, T& b) {
    T t = a;
    a = b;
    b = t;
}

// The bytes of a track's bar that name its run (length, handle, address) and its side buffer.
constexpr int kRunRefBytes = 12;
constexpr int kSideBufferBytes = CTrkBar::kSize - CTrkBar::kSideBuffer;

bool OwnsRun(CTrkBar* b) { return b->GetRunHandle() != 0; }

void SwapRunReferences(CTrkBar* a, CTrkBar* b) {
    std::uint8_t t[kRunRefBytes];
    std::memcpy(t, a->Bytes() + CTrkBar::kRun, kRunRefBytes);
    std::memcpy(a->Bytes() + CTrkBar::kRun, b->Bytes() + CTrkBar::kRun, kRunRefBytes);
    std::memcpy(b->Bytes() + CTrkBar::kRun, t, kRunRefBytes);
    std::uint8_t s[kSideBufferBytes];
    std::memcpy(s, a->Bytes() + CTrkBar::kSideBuffer, kSideBufferBytes);
    std::memcpy(a->Bytes() + CTrkBar::kSideBuffer, b->Bytes() + CTrkBar::kSideBuffer, kSideBufferBytes);
    std::memcpy(b->Bytes() + CTrkBar::kSideBuffer, s, kSideBufferBytes);
}

}  // namespace

CScoreTask::CScoreTask() = default;

CScoreTask::~CScoreTask() {
    if (document && document->currentTask == this) document->currentTask = nullptr;
    FreeSnapshots();
}

void CScoreTask::FreeSnapshots() {
    // A saved bar or track bar owns what it was deep-copied with; the others are detached, so
    // the arrays' own release frees exactly the deep copies.
    savedSelection.reset();
    savedPageTexts.reset();
    savedTracks.reset();
    savedPages.reset();
    savedLines.reset();
    savedBars.reset();
    for (auto& slot : savedTrkBars) slot.reset();
}

void CScoreTask::Attach(CZelDoc* doc, int nameId) {
    name = nameId;
    undoable = 1;
    hasSnapshot = 1;
    changed = started = wholeScore = layoutChanged = pageSetupSaved = undone = 0;
    document = doc;
    if (!doc) return;
    doc->currentTask = this;
    score = doc->GetScore();
    const ScoreLocation& at = doc->location;
    page = at.page;
    system = at.system;
    bar = at.bar;
    staff = at.staff;
    track = at.track;
    trkBar = at.trkBar;
    curPage = std::int16_t(at.pageIndex);
    curSystem = std::int16_t(at.systemIndex);
    curBar = at.barIndex;
    curTrack = std::int16_t(at.trackIndex);
    curVoice = std::int16_t(at.voice);
    curItem = nullptr;
    if (score) {
        savedTrackCount = score->GetTrackCount();
        savedPageCount = score->GetPageCount();
        savedLineCount = score->GetLineCount();
        savedBarCount = score->GetBarCount();
        barCountAtAttach = savedBarCount;
    }
    savedZoom = std::int16_t(doc->GetZoom());
    savedScoreSize = std::int16_t(doc->GetScoreSize());
    savedDocWord = doc->lyricLineCount;
    FreeSnapshots();
    if (CSelect* sel = doc->GetSelection()) savedSelection.reset(static_cast<CSelect*>(sel->Clone()));
    location = at;
    dirtyRects.clear();
}

// --- save steps ---------------------------------------------------------------------------------

bool CScoreTask::SaveTrackBarRange(int track1, int bar1, int track2, int bar2) {
    hasSnapshot = 0;
    if (!SavePages() || !SaveLines() || !SaveBars(bar1, bar2) || !SaveRange(track1, bar1, track2, bar2)) return false;
    hasSnapshot = 1;
    return true;
}

bool CScoreTask::SaveTrackBars(int track1, int track2) {
    return SaveRange(track1, 0, track2, score ? score->GetBarCount() - 1 : 0);
}

bool CScoreTask::SaveBars(int bar1, int bar2) {
    if (!SaveBarArray()) return false;
    if (!score) return true;
    if (bar1 > bar2) std::swap(bar1, bar2);
    const int last = score->GetBarCount() - 1;
    bar1 = std::max(bar1, 0);
    bar2 = std::min(bar2, last);
    for (int b = bar1; b <= bar2; ++b) {
        AnimateWaitCursor();
        if (!SaveBar(b)) return false;
    }
    return true;
}

bool CScoreTask::SaveBar(int b) {
    if (!SaveBarArray()) return false;
    if (!savedBars || b < 0 || b >= savedBars->GetCount() || b >= score->GetBarCount()) return true;
    auto* saved = static_cast<CBar*>(savedBars->Element(b));
    if (saved->GetItemArray()) return true;
    if (!score->GetBar(b)->CopyTo(saved)) {
        // The copy may have given the saved record bytes of the live bar: never its items.
        if (saved->GetItemArray() == score->GetBar(b)->GetItemArray()) saved->FreeItems(false);
        return Fail();
    }
    return true;
}

bool CScoreTask::SaveTrackBar(int t, int b) {
    if (!score || t < 0 || t >= kMaxSavedTracks || t >= score->GetTrackCount() || b < 0 || b >= score->GetBarCount())
        return true;
    if (!SaveTrackBarArrays(t, t)) return false;
    CTrkBarArray* saved = savedTrkBars[t].get();
    if (!saved || b >= saved->GetCount()) return true;
    auto* copy = static_cast<CTrkBar*>(saved->Element(b));
    if (OwnsRun(copy)) return true;
    CTrkBar* live = score->GetTrkBar(t, b);
    if (!live) return true;
    // The deep copy replaces the run only: the record's other bytes are those of the moment the
    // array was cloned, before this operation changed anything.
    if (!live->CopyTo(copy)) return Fail();
    return true;
}

bool CScoreTask::SaveAllTracksBars(int bar1, int bar2) { return SaveRange(0, bar1, score->GetTrackCount() - 1, bar2); }

bool CScoreTask::SaveRange(int track1, int bar1, int track2, int bar2) {
    if (!score) return true;
    if (track1 > track2) std::swap(track1, track2);
    // Tracks beyond the last saved slot have nothing to save.
    track1 = std::max(track1, 0);
    track2 = std::min(track2, kMaxSavedTracks - 1);
    if (track1 > track2) return true;
    if (!SaveTrackBarArrays(track1, track2)) return false;
    if (bar1 > bar2) std::swap(bar1, bar2);
    bar1 = std::max(bar1, 0);
    bar2 = std::min(bar2, score->GetBarCount() - 1);
    for (int t = track1; t <= track2; ++t)
        for (int b = bar1; b <= bar2; ++b) {
            AnimateWaitCursor();
            if (!SaveTrackBar(t, b)) return false;
        }
    return true;
}

bool CScoreTask::SaveSystem(int lineIndex) {
    if (!SaveBarArray() || !SaveLines() || !SavePages()) return false;
    CLine* line = score->GetLine(lineIndex);
    if (!line) return true;
    const int first = line->GetFirstBarIndex();
    return SaveRange(0, first, score->GetTrackCount() - 1, first + line->GetBarCount() + 1);
}

bool CScoreTask::SaveTracks() {
    if (savedTracks || !score || !score->GetTrackArray()) return true;
    savedTracks.reset(CloneOf(score->GetTrackArray()));
    return savedTracks ? true : Fail();
}

bool CScoreTask::SavePages() {
    if (savedPages || !score || !score->GetPageArray()) return true;
    savedPages.reset(CloneOf(score->GetPageArray()));
    return savedPages ? true : Fail();
}

bool CScoreTask::SaveLines() {
    if (savedLines || !score || !score->GetLineArray()) return true;
    savedLines.reset(CloneOf(score->GetLineArray()));
    return savedLines ? true : Fail();
}

bool CScoreTask::SaveBarArray() {
    // An operation without a score has nothing to save.
    if (savedBars || !score || !score->GetBarArray()) return true;
    savedBars.reset(CloneDetachedBars(*score->GetBarArray()));
    return savedBars ? true : Fail();
}

bool CScoreTask::SaveTrackBarArrays(int track1, int track2) {
    if (!score) return true;
    track1 = std::max(track1, 0);
    track2 = std::min(track2, kMaxSavedTracks - 1);
    for (int t = track1; t <= track2; ++t) {
        if (savedTrkBars[t]) continue;
        CTrkBarArray* live = score->GetTrkBarArray(t);
        if (!live) continue;
        savedTrkBars[t].reset(CloneDetachedTrkBars(*live));
        if (!savedTrkBars[t]) return Fail();
    }
    return true;
}

bool CScoreTask::SaveAll() {
    wholeScore = 1;
    return SaveBarArray() && SavePages() && SaveLines() && SaveTracks();
}

bool CScoreTask::SavePageTexts() {
    if (savedPageTexts || !score || !score->GetPageTextArray()) return true;
    savedPageTexts.reset(CloneOf(score->GetPageTextArray()));
    return savedPageTexts ? true : Fail();
}

void CScoreTask::SavePageSetup() {
    if (!document) return;
    pageSetupSaved = 1;
    savedOptionByte = score ? score->tilePages : 0;
    savedPageSetup = document->pageSetup;
}

void CScoreTask::ClearSnapshotMarks() {
    if (savedBars) {
        for (int i = 0; i < savedBars->GetCount(); ++i) {
            CItemArray* items = static_cast<CBar*>(savedBars->Element(i))->GetItemArray();
            if (!items) continue;
            for (int k = 0; k < items->GetCount(); ++k) {
                auto* item = static_cast<CBarItem*>(items->GetAt(k));
                if (item && item->IsSelectedBit()) item->Deselect();
            }
        }
    }
    for (auto& saved : savedTrkBars) {
        if (!saved) continue;
        for (int i = 0; i < saved->GetCount(); ++i) {
            auto* tb = static_cast<CTrkBar*>(saved->Element(i));
            if (!OwnsRun(tb)) continue;
            tb->SetFlags(std::uint8_t(tb->GetFlags() & ~0x01));
            for (CBarItem* item = tb->GetItems(); item && item->TypeCode() != 255; item = item->NextItem())
                if (item->IsSelectedBit()) item->Deselect();
        }
    }
    if (savedSelection) savedSelection->Reset();
}

// --- the exchange -------------------------------------------------------------------------------

void CScoreTask::SwapBars() {
    if (!savedBars) return;
    std::unique_ptr<CBarArray>& slot = score->BarArraySlot();
    slot.swap(savedBars);
    CBarArray* live = slot.get();
    CBarArray* held = savedBars.get();
    for (int i = 0; i < live->GetCount(); ++i) {
        auto* b = static_cast<CBar*>(live->Element(i));
        if (i < held->GetCount() && !b->GetItemArray()) {
            auto* h = static_cast<CBar*>(held->Element(i));
            CItemArray* items = h->GetItemArray();
            h->FreeItems(false);
            b->SetItemArray(items);
        }
        b->RefreshItemCache();
    }
}

void CScoreTask::SwapTrackBars() {
    for (int t = 0; t < kMaxSavedTracks; ++t) {
        if (!savedTrkBars[t]) continue;
        std::unique_ptr<CTrkBarArray>& slot = score->TrkBarArraySlot(t);
        slot.swap(savedTrkBars[t]);
        if (t >= score->GetTrackCount() || !slot || !savedTrkBars[t]) continue;
        CTrkBarArray* live = slot.get();
        CTrkBarArray* held = savedTrkBars[t].get();
        const int n = std::min({live->GetCount(), held->GetCount(), int(score->GetBarCount())});
        for (int i = 0; i < n; ++i) {
            auto* b = static_cast<CTrkBar*>(live->Element(i));
            if (!OwnsRun(b)) SwapRunReferences(b, static_cast<CTrkBar*>(held->Element(i)));
        }
    }
    for (int t = 0; t < score->GetTrackCount() && t < kMaxSavedTracks; ++t)
        if (CTrkBarArray* live = score->GetTrkBarArray(t))
            for (int i = 0; i < live->GetCount(); ++i) static_cast<CTrkBar*>(live->Element(i))->SetTrackByte(std::uint8_t(t));
}

void CScoreTask::SwapSnapshot() {
    if (!hasSnapshot || !document || !score) return;
    CZelDoc& doc = *document;
    doc.DeselectAll();
    if (pageSetupSaved) {
        SwapValue(score->tilePages, savedOptionByte);
        SwapValue(doc.pageSetup, savedPageSetup);
    }
    const std::int16_t pagesBefore = score->GetPageCount();
    const std::int16_t barsBefore = score->GetBarCount();
    std::int16_t size = std::int16_t(doc.GetScoreSize());
    SwapValue(size, savedScoreSize);
    doc.scoreSize = size;
    SwapValue(doc.lyricLineCount, savedDocWord);
    SwapValue(score->trackCount, savedTrackCount);
    SwapValue(score->pageCount, savedPageCount);
    SwapValue(score->lineCount, savedLineCount);
    SwapValue(score->barCount, savedBarCount);
    if (savedPageTexts) score->PageTextArraySlot().swap(savedPageTexts);
    if (savedSelection) doc.SwapSelection(savedSelection);
    if (savedTracks) score->TrackArraySlot().swap(savedTracks);
    if (savedPages) score->PageArraySlot().swap(savedPages);
    if (savedLines) score->LineArraySlot().swap(savedLines);
    SwapBars();
    SwapTrackBars();
    score->Reindex();
    score->RecalcBars(false);

    // The insertion point comes back, but the arrangement and the current page stay.
    const std::int16_t arrangement = doc.location.arrangementMode;
    const std::uint16_t pageIndex = doc.location.pageIndex;
    SwapValue(doc.location, location);
    doc.location.arrangementMode = arrangement;
    doc.location.pageIndex = pageIndex;

    if (score->GetPageCount() != pagesBefore) doc.LayoutViewPanes();
    if (score->GetBarCount() != barsBefore) doc.NotifyWindows(1, kHintBarCountChanged);
    // The bars were recalculated from bar 0 above; a whole-score snapshot lays out every page.
    if (wholeScore) doc.LayoutAllPages(true);
    const int zoom = doc.GetZoom();
    if (zoom != savedZoom && savedZoom > 0) {
        // The rectangles were collected at the old zoom; 32 bits keep large pages whole.
        const double scale = double(zoom) / double(savedZoom);
        for (PageDirtyRect& d : dirtyRects) {
            d.rect.left = LONG(d.rect.left * scale);
            d.rect.top = LONG(d.rect.top * scale);
            d.rect.right = LONG(d.rect.right * scale);
            d.rect.bottom = LONG(d.rect.bottom * scale);
        }
        doc.SetZoom(zoom, false);
        doc.FitFrameToPage();
        savedZoom = std::int16_t(zoom);
    }
    if (!pageSetupSaved) {
        if (!doc.ShowInsertionPoint(doc.location.barIndex, false)) Redraw();
    } else {
        doc.RecalcPageGeometry(true, true);
        doc.ShowInsertionPoint(doc.location.barIndex, false);
    }
    doc.NotifyWindows(1, CZelDoc::kHintTaskDone);
}

// --- redrawing ----------------------------------------------------------------------------------

void CScoreTask::Redraw() {
    if (!document) return;
    if (layoutChanged) {
        const bool pagesChanged = document->location.arrangementMode != 0 && score && score->GetPageCount() != savedPageCount;
        if (pagesChanged && document->view) {
            document->view->Invalidate();
            return;
        }
        StartWaitCursor(true);
        document->InvalidatePanes();
        StartWaitCursor(false);
        return;
    }
    for (const PageDirtyRect& d : dirtyRects)
        if (CPagePaneBase* pane = document->GetPagePane(d.page)) pane->Invalidate();
}

void CScoreTask::AddDirtyRect(const RECT& rect, int pageIndex) {
    if (rect.left >= rect.right || rect.top >= rect.bottom) return;
    for (PageDirtyRect& d : dirtyRects) {
        if (d.page != pageIndex) continue;
        d.rect.left = std::min(d.rect.left, rect.left);
        d.rect.top = std::min(d.rect.top, rect.top);
        d.rect.right = std::max(d.rect.right, rect.right);
        d.rect.bottom = std::max(d.rect.bottom, rect.bottom);
        return;
    }
    dirtyRects.push_back({std::int16_t(pageIndex), rect});
}

void CScoreTask::AddItemRect(CTrkBar* tb) {
    if (!tb) return;
    RECT r{};
    tb->GetBounds(&r);
    CStaff* st = tb->GetStaff();
    const int spacing = st ? st->Space() : 1;
    const int margin = spacing * (g_model.dataDisplayKind != 0 ? 12 : 6);
    r.left -= margin;
    r.top -= margin;
    r.right += margin;
    r.bottom += margin;
    AddDirtyRect(r, tb->GetPageIndex());
}

void CScoreTask::AddItemRect(CScoreItem* item) {
    if (!item) return;
    AddItemRect(g_model.currentTrkBar);
    // A mark, curve or text of the item may reach past its bar's rectangle: its own bounds too.
    RECT r{};
    item->GetBounds(&r);
    CTrkBar* tb = g_model.currentTrkBar;
    AddDirtyRect(r, tb ? tb->GetPageIndex() : curPage);
}

void CScoreTask::SelectItem(CScoreItem* item, CTrkBar* tb) {
    if (!item || !document) return;
    if (tb) tb->SetCurrent();
    item->Invalidate();
    if (CSelect* sel = document->GetSelection()) sel->SelectItem(static_cast<CBarItem*>(item), -32767, tb, true);
}

void CScoreTask::InflateDirtyRects(int n) {
    for (PageDirtyRect& d : dirtyRects) {
        d.rect.left -= n;
        d.rect.top -= n;
        d.rect.right += n;
        d.rect.bottom += n;
    }
}

bool CScoreTask::SaveAndLayOutWholeScore() {
    if (score) {
        SaveAll();
        SaveBars(0, score->GetBarCount() - 1);
        SaveAllTracksBars(0, score->GetBarCount() - 1);
    }
    DocLayoutPasses* passes = GetDocLayoutPasses();
    bool ok = passes->RespaceAllBars(document);
    ok = passes->RejustifyAllSystems(document) && ok;
    ok = passes->LayoutAllPages(document) && ok;
    SetLayoutChanged();
    return ok;
}
