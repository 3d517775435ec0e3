// The selection: marking and deselecting, counting, the redraw list, and the gestures that make
// a selection (whole tracks, a span, a time range, a click at the insertion point, a click with
// the anchor).
#include "model/Select.h"

#include <algorithm>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ItemArray.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreLocation.h"
#include "model/System.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/ZelDoc.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"
#include "platform/StdDlgGlobals.h"

namespace {

constexpr int kWaitCursorBars = 16;
constexpr std::uint8_t kBoxedBit = 0x01;
// Bit 7 of a note's or rest's flag byte 21: its heads have special shapes.
constexpr int kSpecialFlagByte = 21;
constexpr std::uint8_t kSpecialBit = 0x80;
// A graphic's pen: style at 18, width at 20, options in byte 17.
constexpr int kGraphicOptions = 17, kGraphicStyle = 18, kGraphicWidth = 20;

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT Union(const RECT& a, const RECT& b) {
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

// Every live item of a bar of a track is a bar item: each accepts a click and is selectable.
bool AcceptsClick(CBaseItem* item) { return item && static_cast<CScoreItem*>(item)->ClassTestC(); }
bool IsSelectable(CBarItem* item) { return item->ClassTestC(); }

// The live records of a bar of a track, the end record excluded.
template <class Fn>
void ForEachItem(CTrkBar* tb, Fn fn) {
    if (!tb) return;
    for (CBarItem* item = tb->GetItems(); item && item->TypeCode() != 255; item = item->NextItem())
        if (!item->IsRemoved()) fn(item);
}

// The bar's own items (tempo marks, texts, endings) that are live.
template <class Fn>
void ForEachOwnItem(CBar* bar, Fn fn) {
    CItemArray* own = bar ? bar->GetItemArray() : nullptr;
    for (int i = 0; own && i < own->GetCount(); ++i) {
        auto* item = static_cast<CBarItem*>(own->GetAt(i));
        if (item && !item->IsRemoved()) fn(item);
    }
}

// A note whose item mark went with one head's deselection may still mark its other heads.
bool HasMarkedHead(CBarItem* item) {
    for (int h = 0; h < entry::HeadCount(item); ++h)
        if (entry::HeadAt(item, h)[entry::kHeadShape] & 0x02) return true;
    return false;
}

// (bar, time) pairs in order.
bool Before(int barA, int timeA, int barB, int timeB) { return barA < barB || (barA == barB && timeA < timeB); }

}  // namespace

SelectionCriteria& SelectCriteria() {
    static SelectionCriteria criteria{NoteFilterCriteria{}, FindCriteria{}};
    return criteria;
}

std::int16_t DurationFromIndex(int index) {
    if (index <= 0) return 0;
    if (index == 1) return 15;
    int ticks = 15 << (index / 2);
    if (index & 1) ticks = ticks * 3 / 2;
    return std::int16_t(ticks);
}

CSelect::CSelect() { SetElemSize(sizeof(PageDirtyRect)); }

void CSelect::Init(CZelDoc* doc) {
    SetElemSize(sizeof(PageDirtyRect));
    document = doc;
    BindDocument();
    Reset();
    // The criteria take their defaults once in a program run; afterwards they keep what the user
    // last confirmed.
    SelectionCriteria& c = SelectCriteria();
    if (c.noteFilter.velocityMin == 0) c = SelectionCriteria{};
    anchorTrack = anchorBar = anchorTime = anchorPosition = 0;
}

void CSelect::BindDocument() {
    if (!document) return;
    score = document->GetScore();
    document->MakeCurrent();
}

void CSelect::Reset() {
    itemCount = noteCount = rawNoteCount = specialNoteCount = beamCount = chordCount = boxedCount = 0;
    rectMode = 0;
    RemoveAll();
    invalidRect = RECT{};
    for (int i = 0; i < 6; ++i) {
        lower[i] = 32767;
        upper[i] = -1;
    }
}

bool CSelect::PageShown(int page) const {
    if (!document || !document->view) return false;
    return document->GetPagePane(page) != nullptr;
}

void CSelect::Box(CTrkBar* tb, bool on) {
    const std::uint8_t f = tb->GetFlags();
    tb->SetFlags(on ? std::uint8_t(f | kBoxedBit) : std::uint8_t(f & ~kBoxedBit));
}

void CSelect::AddDirtyRect(const RECT& rect, int page) {
    if (Empty(rect)) return;
    const int count = GetCount();
    if (lastDirtyEntry < count) {
        auto* d = static_cast<PageDirtyRect*>(GetAt(lastDirtyEntry));
        if (d->page == page) {
            d->rect = Union(d->rect, rect);
            return;
        }
    }
    for (int i = 0; i < count; ++i) {
        auto* d = static_cast<PageDirtyRect*>(GetAt(i));
        if (d->page == page) {
            d->rect = Union(d->rect, rect);
            lastDirtyEntry = i;
            return;
        }
    }
    PageDirtyRect d;
    d.page = std::int16_t(page);
    d.rect = rect;
    Add(&d);
    lastDirtyEntry = count;
}

void CSelect::FlushDirtyRects() {
    invalidRect = RECT{};
    if (GetCount() == 0) return;
    BindDocument();
    if (document) document->InvalidatePageRects(static_cast<const PageDirtyRect*>(GetData()), GetCount());
    RemoveAll();
}

// --- marking ------------------------------------------------------------------------------------

void CSelect::MarkItem(CBarItem* item, int part, CTrkBar* tb) {
    if (!item || !tb) return;
    const int track = tb->GetTrackIndex(), bar = tb->GetBarIndex();
    CLine* line = tb->GetLine();
    const int system = line ? line->GetIndex() : 0;
    const int page = line ? line->GetPageIndex() : 0;
    const auto low = [&](int field, int v) { lower[field] = std::int16_t(std::min<int>(lower[field], v)); };
    const auto high = [&](int field, int v) { upper[field] = std::int16_t(std::max<int>(upper[field], v)); };
    low(kExtentPage, page), high(kExtentPage, page);
    low(kExtentTrack, track), high(kExtentTrack, track);
    low(kExtentSystem, system), high(kExtentSystem, system);
    if (bar < lower[kExtentBar]) {
        lower[kExtentTime] = lower[kExtentPosition] = 32767;
        lower[kExtentBar] = std::int16_t(bar);
    }
    if (bar > upper[kExtentBar]) {
        upper[kExtentTime] = upper[kExtentPosition] = -32767;
        upper[kExtentBar] = std::int16_t(bar);
    }
    if (bar == lower[kExtentBar]) low(kExtentPosition, item->PositionField()), low(kExtentTime, item->TimeField());
    if (bar == upper[kExtentBar]) high(kExtentPosition, item->PositionField()), high(kExtentTime, item->TimeField());

    ++itemCount;
    item->SelectPart(part);
    switch (item->TypeCode()) {
    case 144:
        if (entry::Byte(item, kSpecialFlagByte) & kSpecialBit)
            ++specialNoteCount;
        else
            ++noteCount;
        break;
    case 128: ++noteCount; break;
    case 112: ++rawNoteCount; break;
    case 17:
    case 40: ++chordCount; break;
    case 16: ++beamCount; break;
    default:
        if (item->IsGraphic()) {
            auto& pen = g_model.graphicPen;
            pen.lineWidth = rec::Get<std::int16_t>(item, kGraphicWidth);
            pen.penStyle = rec::Get<std::int16_t>(item, kGraphicStyle);
            const std::uint8_t options = entry::Byte(item, kGraphicOptions);
            pen.option1 = options & 1;
            pen.option2 = (options >> 1) & 3;
        }
        break;
    }
    if (document) document->selectedColor = std::int16_t(itemCount == 1 ? item->GetColor() : -1);
}

void CSelect::SelectItem(CBarItem* item, int part, CTrkBar* tb, bool redraw) {
    if (!item || !tb) return;
    tb->SetCurrent();
    MarkItem(item, part, tb);
    if (redraw) {
        RECT r;
        AddDirtyRect(*item->GetBounds(&r), tb->GetPageIndex());
    }
}

void CSelect::DeselectItem(CBarItem* item, int part, CTrkBar* tb, bool redraw) {
    if (!item || !tb) return;
    tb->SetCurrent();
    item->DeselectPart(part);
    if (redraw) {
        RECT r;
        AddDirtyRect(*item->GetBounds(&r), tb->GetPageIndex());
    }
}

void CSelect::SetAnchor(const ScoreLocation& at) {
    anchorTrack = at.trackIndex;
    anchorBar = at.barIndex;
    anchorTime = int(at.time);
    anchorPosition = at.position;
}

// --- deselecting and counting -------------------------------------------------------------------

void CSelect::ClearAll() {
    // The document is made current only when something is to be repainted or deselected.
    if (document) score = document->GetScore();
    if (!score) {
        Reset();
        return;
    }
    // The page texts.
    if (CPageTextArray* texts = score->GetPageTextArray()) {
        const int page = document ? document->location.pageIndex : 0;
        for (int i = 0; i < texts->GetCount(); ++i) {
            auto* text = static_cast<CBarItem*>(texts->GetAt(i));
            if (!text || !text->IsSelectedBit()) continue;
            text->Deselect();
            RECT r;
            r = *text->GetBounds(&r);
            AddDirtyRect(RECT{r.left + 5, r.top + 5, r.right - 5, r.bottom - 5}, page);
        }
    }
    // The boxed bars of every track.
    const int tracks = score->GetTrackCount(), bars = score->GetBarCount();
    for (int t = 0; t < tracks; ++t)
        for (int b = 0; b < bars; ++b) {
            CTrkBar* tb = score->GetTrkBar(t, b);
            if (!tb || !(tb->GetFlags() & kBoxedBit)) continue;
            Box(tb, false);
            RECT r;
            AddDirtyRect(*tb->GetRect(&r), tb->GetPageIndex());
        }
    FlushDirtyRects();
    if (itemCount == 0) {
        Reset();
        return;
    }

    const std::uint8_t routing = document ? document->redrawIntoTask : 1;
    if (document) document->redrawIntoTask = 0;
    const int first = std::max<int>(lower[kExtentBar], 0);
    const int last = std::min<int>(upper[kExtentBar], bars - 1);
    const bool wait = last - first > kWaitCursorBars;
    if (wait) StartWaitCursor(true);
    BindDocument();
    RemoveAll();
    const bool dataShown = g_model.dataDisplayKind != 0;
    for (int b = first; b <= last; ++b) {
        if (wait) AnimateWaitCursor();
        CBar* bar = score->GetBar(b);
        if (!bar) continue;
        bar->MakeCurrent();
        ForEachOwnItem(bar, [&](CBarItem* item) {
            if (!item->IsSelected(kWhole)) return;
            item->Invalidate();
            item->Deselect();
        });
        for (int t = 0; t < tracks; ++t) {
            CTrkBar* tb = score->GetTrkBar(t, b);
            if (!tb) continue;
            bool current = false, firstShown = true;
            CLine* line = nullptr;
            ForEachItem(tb, [&](CBarItem* item) {
                if (!item->IsSelectedBit() && !HasMarkedHead(item)) return;
                if (!current) {
                    tb->SetCurrent();
                    line = tb->GetLine();
                    current = true;
                }
                const bool shown = line && PageShown(line->GetPageIndex());
                const bool reaches = line && b + item->GetBarSpan() > line->GetFirstBarIndex() + line->GetBarCount() - 1;
                if (shown || reaches) {
                    item->Invalidate();
                    if (dataShown && firstShown) {
                        RECT r;
                        AddDirtyRect(*tb->GetRect(&r), tb->GetPageIndex());
                        firstShown = false;
                    }
                }
                item->Deselect();
            });
        }
    }
    FlushDirtyRects();
    Reset();
    if (document) document->redrawIntoTask = routing ? routing : 1;
    if (wait) StartWaitCursor(false);
}

CBarItem* CSelect::Recount() {
    itemCount = noteCount = rawNoteCount = specialNoteCount = beamCount = chordCount = 0;
    BindDocument();
    CBarItem* last = nullptr;
    if (!score) return nullptr;
    const int bars = score->GetBarCount(), tracks = score->GetTrackCount();
    if (lower[kExtentBar] < 0 || lower[kExtentBar] >= bars) return nullptr;
    lower[kExtentBar] = std::int16_t(std::max<int>(lower[kExtentBar], 0));
    lower[kExtentTrack] = std::int16_t(std::max<int>(lower[kExtentTrack], 0));
    upper[kExtentBar] = std::int16_t(std::min<int>(upper[kExtentBar], bars - 1));
    upper[kExtentTrack] = std::int16_t(std::min<int>(upper[kExtentTrack], tracks - 1));
    for (int t = lower[kExtentTrack]; t <= upper[kExtentTrack]; ++t)
        for (int b = lower[kExtentBar]; b <= upper[kExtentBar]; ++b) {
            if (t == lower[kExtentTrack])
                ForEachOwnItem(score->GetBar(b), [&](CBarItem* item) {
                    if (item->IsSelected(kWhole)) ++itemCount, last = item;
                });
            ForEachItem(score->GetTrkBar(t, b), [&](CBarItem* item) {
                if (!item->IsSelectedBit()) return;
                ++itemCount;
                last = item;
                switch (item->TypeCode()) {
                case 144:
                    if (entry::Byte(item, kSpecialFlagByte) & kSpecialBit)
                        ++specialNoteCount;
                    else
                        ++noteCount;
                    break;
                case 128: ++noteCount; break;
                case 112: ++rawNoteCount; break;
                case 17:
                case 40: ++chordCount; break;
                case 16: ++beamCount; break;
                default: break;
                }
            });
        }
    return last;
}

bool CSelect::GetSelectedBarRange(int* first, int* last) {
    *first = 32767;
    *last = -1;
    BindDocument();
    if (!score) return false;
    for (int t = 0; t < score->GetTrackCount(); ++t)
        for (int b = 0; b < score->GetBarCount(); ++b) {
            CTrkBar* tb = score->GetTrkBar(t, b);
            if (!tb || !(tb->GetFlags() & kBoxedBit)) continue;
            *first = std::min(*first, b);
            *last = std::max(*last, b);
        }
    return *first != 32767;
}

// --- gestures -----------------------------------------------------------------------------------

void CSelect::SelectTracks(int t1, int t2, bool extend) {
    BindDocument();
    if (!score || score->GetTrackCount() <= 0 || score->GetBarCount() <= 0) return;
    if (document) document->SetCurrentPage(0);
    lower[kExtentPage] = lower[kExtentSystem] = lower[kExtentBar] = 0;
    upper[kExtentPage] = std::int16_t(score->GetPageCount() - 1);
    upper[kExtentSystem] = std::int16_t(score->GetLineCount() - 1);
    upper[kExtentBar] = std::int16_t(score->GetBarCount() - 1);
    t1 = std::max(t1, 0);
    t2 = std::min<int>(t2, score->GetTrackCount() - 1);
    if (t1 > t2) return;
    if (extend) {
        lower[kExtentTrack] = std::int16_t(std::min<int>(lower[kExtentTrack], t1));
        upper[kExtentTrack] = std::int16_t(std::max<int>(upper[kExtentTrack], t2));
    } else {
        lower[kExtentTrack] = std::int16_t(t1);
        upper[kExtentTrack] = std::int16_t(t2);
    }
    StartWaitCursor(true);
    const int bars = score->GetBarCount();
    for (int t = t1; t <= t2; ++t)
        for (int b = 0; b < bars; ++b) {
            AnimateWaitCursor();
            CTrkBar* tb = score->GetTrkBar(t, b);
            if (!tb) continue;
            ForEachItem(tb, [&](CBarItem* item) {
                if (!score->IsItemInShownVoice(item) || !IsSelectable(item)) return;
                if (item->IsData())
                    item->Select();
                else
                    MarkItem(item, kWhole, tb);
            });
            Box(tb, true);
        }
    for (int p = 0; p < score->GetPageCount(); ++p)
        if (CPage* page = score->GetPage(p)) AddDirtyRect(page->GetPaperRect(), p);
    if (document) document->InvalidatePanes();
    StartWaitCursor(false);
}

void CSelect::SelectByTime(int t1, int t2, int from, int to) {
    ClearAll();
    if (!score) return;
    t1 = std::max(t1, 0);
    t2 = std::min<int>(t2, score->GetTrackCount() - 1);
    lower[kExtentTrack] = std::int16_t(t1);
    upper[kExtentTrack] = std::int16_t(t2);
    for (int t = t1; t <= t2; ++t)
        for (int b = 0; b < score->GetBarCount(); ++b) {
            CTrkBar* tb = score->GetTrkBar(t, b);
            if (!tb) continue;
            const std::int32_t start = tb->GetBarStart();
            ForEachItem(tb, [&](CBarItem* item) {
                if (item->IsNoteOrRawNote()) {
                    for (int h = 0; h < entry::HeadCount(item); ++h) {
                        const int at = start + item->GetPlayStart(h);
                        if (at >= from && at <= to) MarkItem(item, h, tb);
                    }
                } else if (item->IsData()) {
                    const int at = start + item->TimeField();
                    if (at >= from && at <= to) MarkItem(item, 0, tb);
                }
            });
        }
    if (document) document->InvalidatePanes();
}

void CSelect::SelectSpan(int t1, int b1, int p1, int t2, int b2, int p2, bool deselectOutside) {
    BindDocument();
    if (!score || score->GetTrackCount() <= 0 || score->GetBarCount() <= 0) return;
    const int firstTrack = std::max(0, std::min<int>(t1, lower[kExtentTrack]));
    const int lastTrack = std::min<int>(score->GetTrackCount() - 1, std::max<int>(t2, upper[kExtentTrack]));
    const int firstBar = std::max(0, std::min<int>(b1, lower[kExtentBar]));
    const int lastBar = std::min<int>(score->GetBarCount() - 1, std::max<int>(b2, upper[kExtentBar]));
    const long from = long(b1) * 65536 + p1, to = long(b2) * 65536 + p2;
    for (int t = firstTrack; t <= lastTrack; ++t)
        for (int b = firstBar; b <= lastBar; ++b) {
            CTrkBar* tb = score->GetTrkBar(t, b);
            if (!tb) continue;
            tb->SetCurrent();
            RECT r;
            AddDirtyRect(*tb->GetRect(&r), tb->GetPageIndex());
            ++boxedCount;
            ForEachItem(tb, [&](CBarItem* item) {
                const long key = long(b) * 65536 + item->GetPosition();
                const bool inside = score->IsItemInShownVoice(item) && IsSelectable(item) && t >= t1 && t <= t2 &&
                                    key >= from && key <= to;
                if (inside) {
                    // An item already selected is counted once (the counts are renewed below).
                    SelectItem(item, kWhole, tb, false);
                } else if (deselectOutside && item->IsSelectedBit()) {
                    DeselectItem(item, kWhole, tb, false);
                }
            });
        }
    // Items selected twice or deselected: the counts as the score holds them.
    Recount();
    if (document) document->InvalidatePanes();
}

void CSelect::SelectAtInsertionPoint() {
    BindDocument();
    if (!document || !score || score->GetTrackCount() <= 0 || score->GetBarCount() <= 0) return;
    const ScoreLocation& L = document->location;
    const bool shift = g_platform.shiftDown != 0, ctrl = g_platform.ctrlDown != 0;
    const int Ltime = int(L.time);
    int firstTrack = L.trackIndex, lastTrack = L.trackIndex;
    int firstBar = L.barIndex, lastBar = L.barIndex;
    int firstTime = -32767, lastTime = 32767;
    bool boxing = false, shiftDouble = false;
    if (!shift) {
        if (g_ui.clickCount == 2) {
            anchorPosition = 0;
            boxing = true;
        } else if (g_ui.clickCount == 1) {
            CTrkBar* tb = score->GetTrkBar(L.trackIndex, L.barIndex);
            if (L.item && AcceptsClick(L.item) && tb) {
                SelectItem(static_cast<CBarItem*>(L.item), kWhole, tb, true);
                Recount();
                return;
            }
            // No item hit, or one that takes no click selection: the bar of the insertion point.
        } else if (CLine* line = score->GetLine(L.systemIndex)) {
            firstBar = line->GetFirstBarIndex();
            lastBar = firstBar + line->GetBarCount() - 1;
        }
    } else {
        firstTrack = std::min<int>(anchorTrack, L.trackIndex);
        lastTrack = std::max<int>(anchorTrack, L.trackIndex);
        if (Before(anchorBar, anchorTime, L.barIndex, Ltime)) {
            firstBar = anchorBar, firstTime = anchorTime, lastBar = L.barIndex, lastTime = Ltime;
        } else {
            firstBar = L.barIndex, firstTime = Ltime, lastBar = anchorBar, lastTime = anchorTime;
        }
        if (g_ui.clickCount == 2) {
            shiftDouble = true;
            boxing = true;
            firstTime = -32767;
            lastTime = 32767;
            firstTrack = std::min<int>(lower[kExtentTrack], L.trackIndex);
            lastTrack = std::max<int>(upper[kExtentTrack], L.trackIndex);
            if (lower[kExtentBar] < L.barIndex) {
                firstBar = lower[kExtentBar];
                firstTime = lower[kExtentTime];
                lastBar = L.barIndex;
            } else if (L.barIndex < upper[kExtentBar]) {
                firstBar = L.barIndex;
                lastBar = upper[kExtentBar];
                lastTrack = upper[kExtentTrack];
            } else {
                firstBar = lastBar = L.barIndex;
            }
        }
    }
    const std::uint8_t routing = document->redrawIntoTask;
    if (!shiftDouble) {
        document->redrawIntoTask = 0;
        if (!ctrl) Reset();
    }
    const int Lposition = L.position;
    for (int t = 0; t < score->GetTrackCount(); ++t)
        for (int b = 0; b < score->GetBarCount(); ++b) {
            CTrkBar* tb = score->GetTrkBar(t, b);
            if (!tb) continue;
            const bool trackIn = t >= firstTrack && t <= lastTrack;
            if (boxing) {
                RECT r;
                if (trackIn && b >= firstBar && b <= lastBar) {
                    Box(tb, true);
                    AddDirtyRect(*tb->GetRect(&r), tb->GetPageIndex());
                    lower[kExtentTrack] = std::int16_t(std::min<int>(lower[kExtentTrack], t));
                    upper[kExtentTrack] = std::int16_t(std::max<int>(upper[kExtentTrack], t));
                    lower[kExtentBar] = std::int16_t(std::min<int>(lower[kExtentBar], b));
                    upper[kExtentBar] = std::int16_t(std::max<int>(upper[kExtentBar], b));
                } else if ((tb->GetFlags() & kBoxedBit) && !ctrl) {
                    Box(tb, false);
                    AddDirtyRect(*tb->GetRect(&r), tb->GetPageIndex());
                }
            }
            ForEachItem(tb, [&](CBarItem* item) {
                if (!score->IsItemInShownVoice(item) || !IsSelectable(item)) return;
                const int time = item->TimeField();
                bool inside = trackIn && !Before(b, time, firstBar, firstTime) && !Before(lastBar, lastTime, b, time);
                if (inside && b == lastBar && time == lastTime) inside = item->PositionField() < Lposition;
                if (inside) {
                    SelectItem(item, kWhole, tb, true);
                } else if (item->IsSelectedBit() && !ctrl) {
                    DeselectItem(item, kWhole, tb, true);
                }
            });
        }
    Recount();
    document->redrawIntoTask = routing ? routing : 1;
}

void CSelect::ExtendToPoint(CBarItem* item) {
    BindDocument();
    if (!document || !score) return;
    const ScoreLocation& L = document->location;
    const bool shift = g_platform.shiftDown != 0;
    CLine* line = score->GetLine(L.systemIndex);
    const bool leftOfSystem = line && L.pointX < line->GetLeft();
    if (leftOfSystem && g_ui.clickCount == 2) {
        StartWaitCursor(true);
        SelectTracks(L.trackIndex, L.trackIndex, shift);
        StartWaitCursor(false);
        FlushDirtyRects();
        return;
    }
    if (g_ui.clickCount == 2) {
        SelectAtInsertionPoint();
        FlushDirtyRects();
        return;
    }
    if (itemCount == 0 && item) {
        if (AcceptsClick(item)) {
            const int part = g_model.hitPart >= 0 && item->IsNoteOrRawNote() ? g_model.hitPart : kWhole;
            SelectItem(item, part, score->GetTrkBar(L.trackIndex, L.barIndex), true);
            FlushDirtyRects();
        }
        return;
    }
    const int t1 = std::min<int>(anchorTrack, L.trackIndex), t2 = std::max<int>(anchorTrack, L.trackIndex);
    const long here = long(L.barIndex) * 65536 + L.position, anchor = long(anchorBar) * 65536 + anchorPosition;
    const auto boxedIn = [&](int track, int bar) {
        CTrkBar* tb = score->GetTrkBar(track, bar);
        return tb && (tb->GetFlags() & kBoxedBit);
    };
    int b1 = L.barIndex, p1 = L.position, b2 = L.barIndex, p2 = L.position;
    if (here < anchor) {
        int firstBoxed, lastBoxed;
        if (GetSelectedBarRange(&firstBoxed, &lastBoxed) && L.barIndex < lastBoxed) {
            b2 = lastBoxed, p2 = 1024;
        } else {
            b2 = anchorBar, p2 = anchorPosition;
            if (boxedIn(t2, anchorBar)) p2 = 1024;
        }
    } else if (here > anchor) {
        b1 = anchorBar, p1 = boxedIn(t1, anchorBar) ? 0 : anchorPosition;
    }
    SelectSpan(t1, b1, p1, t2, b2, p2, true);
    FlushDirtyRects();
}
