// The marks a page pane keeps over its page without repainting it: the blinking caret and the
// note-entry preview, all drawn by inversion; and the grid.
#include <algorithm>
#include <cstdio>
#include <iterator>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/ZelDoc.h"
#include "framework/Clock.h"
#include "framework/Screen.h"
#include "model/DocumentStandIns.h"
#include "model/Meter.h"
#include "platform/Artist.h"
#include "platform/Port.h"
#include "notation/Note.h"
#include "notation/Rest.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ModelGlobals.h"
#include "model/PlaybackHooks.h"
#include "framework/Globals.h"
#include "platform/PortLayer.h"
#include "view/PagePane.h"
#include "view/ToolState.h"
#include "view/ViewGlobals.h"
#include "model/Playback.h"
#include "view/ZelView.h"

namespace {
constexpr int kCaretReach = 4;  // the caret runs this far above and below the staff
constexpr int kGridColor = 138, kGridDarkColor = 139;
}  // namespace

void CPagePane::InvertCaret() {
    CClientDC dc(this);
    dc.SetROP2(R2_NOT);
    for (int x = int(caretRect.left); x <= int(caretRect.left) + 1; ++x) {
        dc.MoveTo(x, int(caretRect.top));
        dc.LineTo(x, int(caretRect.bottom));
    }
    dc.SetROP2(R2_COPYPEN);
}

void CPagePane::BlinkCaret() {
    if (!location || !score || !IsWindow()) return;
    CLine* system = location->system;
    CBar* bar = location->bar;
    CPage* page = score->GetPage(pageNumber);
    if (system && bar && page && location->systemIndex >= 0 && location->systemIndex < score->GetLineCount() &&
        system->GetPageIndex() == pageNumber) {
        const RECT paper = page->GetPaperRect();
        if (!location->cursorDrawn) {
            const int x = bar->FractionToX(location->position) - int(paper.left);
            CStaff* staff = system->GetStaff(location->trackIndex);
            const int top = staff ? int(staff->GetTopLine()) : int(system->GetTop());
            const int bottom = staff ? int(staff->GetBottomLine()) : top;
            caretRect = {x, top - kCaretReach - int(paper.top), x, bottom + kCaretReach - int(paper.top)};
        }
        location->cursorDrawn = location->cursorDrawn ? 0 : 1;
        InvertCaret();
    }
    if (!IsUnderPointer()) DrawPreview(false);
}

void CPagePane::HideCaret() {
    if (location && location->cursorDrawn && IsWindow()) InvertCaret();
    if (location) location->cursorDrawn = 0;
    HidePlaybackCursor();
    DrawPreview(true);
}

void CPagePane::CursorOff() { HideCaret(); }

void CPagePane::SetCaretEnabled(bool on) {
    if (!on && location && location->cursorDrawn) HideCaret();
    if (location) location->insertionPlaced = on ? 1 : 0;
}

void CPagePane::ForgetMarks() {
    if (document && document->playbackShown) {
        g_view.lastPlayBeat = -1;
        document->playbackShown = 0;
        InvalidateRect(&playbackRect, FALSE);
    }
    if (location && location->cursorDrawn) {
        location->cursorDrawn = 0;
        RECT r{caretRect.left, caretRect.top, caretRect.right + 2, caretRect.bottom + 1};
        InvalidateRect(&r, FALSE);
    }
    DrawPreview(true);
}

void CPagePane::DrawGrid(CPage& page) {
    CArtist* a = GetArtist();
    if (!a || !document) return;
    const bool metric = g_preferences.Byte(Preferences::kMetric) != 0;
    const int units = metric ? 7200 : 72;
    const int per = metric ? 4 * 254 : 8;
    const int dark = metric ? 4 : 8;
    const int zoom = document->GetZoom(), size = std::max(1, int(document->GetScoreSize()));
    const RECT paper = page.GetPaperRect();
    auto at = [&](int i) { return MulDiv(MulDiv(i, units, per), zoom, size); };
    for (int i = 0;; ++i) {
        const int y = int(paper.top) + at(i);
        if (y >= paper.bottom) break;
        a->SetColor(i % dark == 0 ? kGridDarkColor : kGridColor);
        a->MoveTo(int(paper.left), y);
        a->LineTo(int(paper.right), y);
    }
    for (int i = 0;; ++i) {
        const int x = int(paper.left) + at(i);
        if (x >= paper.right) break;
        a->SetColor(i % dark == 0 ? kGridDarkColor : kGridColor);
        a->MoveTo(x, int(paper.top));
        a->LineTo(x, int(paper.bottom));
    }
    a->SetColor(0);
}

bool CPagePane::IsUnderPointer() const {
    POINT p;
    fw::GetCursorPos(&p);
    return CWnd::WindowFromPoint(p) == this;
}

void CPagePane::DrawPreview(bool keep) {
    if (previewPicture) InvertPreview();
    if (!keep) {
        previewStaff = -1;
        previewX = -1;
    }
}

void CPagePane::ShowPreview() {
    if (!previewPicture) InvertPreview();
}

namespace {
constexpr int kPreviewReach = 4;     // staff spaces of room around the preview's point
constexpr int kPreviewCursor = 516;
alignas(8) std::uint8_t previewRecord[64];  // the scratch note or rest
}  // namespace

bool CPagePane::InvertPreview() {
    if (previewPicture) {
        if (IsWindow()) {
            CClientDC dc(this);
            const RECT& r = previewPicture->rect;
            dc.BitBlt(int(r.left), int(r.top), int(r.right - r.left), int(r.bottom - r.top), &previewPicture->dc, 0, 0,
                      SRCINVERT);
        }
        previewPicture.reset();
        g_view.previewShown = 0;
        return true;
    }
    g_view.previewShown = 0;
    if (previewStaff < 0 || !score || !location || previewBar >= score->GetBarCount() || g_model.dataDisplayKind) {
        previewX = -1;
        previewStaff = -1;
        return false;
    }
    CPage* page = score->GetPage(pageNumber);
    CArtist* a = GetArtist();
    if (!page || !a || !IsWindow()) return false;
    const RECT paper = page->GetPaperRect();
    const int px = previewX + int(paper.left), py = previewY + int(paper.top);

    fw::ScopedGlobal<CPage*> keepPage(g_model.currentPage);
    fw::ScopedGlobal<CLine*> keepLine(g_model.currentLine);
    fw::ScopedGlobal<CBar*> keepBar(g_model.currentBar);
    fw::ScopedGlobal<CStaff*> keepStaff(g_model.currentStaff);
    fw::ScopedGlobal<CTrack*> keepTrack(g_model.currentTrack);
    fw::ScopedGlobal<CTrkBar*> keepTrkBar(g_model.currentTrkBar);

    ScoreLocation at = *location;
    at.pageIndex = std::uint16_t(pageNumber);
    score->LocatePoint(px, py, &at);
    CStaff* staff = at.staff;
    CBar* bar = score->GetBar(at.barIndex);  // locating gives the bar's number
    at.bar = bar;
    CTrack* track = at.track;
    if (!staff || !bar || !at.trkBar || px < bar->GetLeft() - staff->GetLineSpacing()) return false;
    at.trkBar->SetCurrent();
    g_model.currentStaff = staff;

    const ToolState& t = g_toolState;
    const int space = staff->Space();
    int x = bar->FractionToX(at.position);
    const int y = staff->PositionToY(at.staffPosition);
    int glyph = 0;
    CBarItem* item = nullptr;
    std::fill(std::begin(previewRecord), std::end(previewRecord), std::uint8_t(0));
    if (t.subTool == ToolState::kAccidentalSub) {
        const int code = std::clamp<int>(t.button, 1, 5);
        glyph = (t.courtesy ? 37 : 32) + code;
        x -= t.courtesy ? space : 2 * space;
    } else if (t.subTool == ToolState::kRestSub) {
        at.noteValueIndex = t.value;
        at.dots = t.dots;
        at.tupletCount = t.tupletNumber;
        at.tupletSpace = t.tupletSpace;
        at.placementFlag = 1;
        item = CRest::Construct(previewRecord);
        item->PlaceAt(at);
    } else {
        at.noteValue = std::int16_t(std::clamp<int>(t.value, 0, 8));
        at.dots = t.dots;
        at.tupletCount = t.tupletNumber ? t.tupletNumber : 0;
        at.tupletSpace = t.tupletNumber ? t.tupletSpace : 0;
        at.smallNote = t.grace;
        at.accidental = 0;
        if (track && track->IsPercussionStaff()) {
            for (int i = 0; i < CTrack::kDrums; ++i)
                if (track->GetDrumPosition(i) == at.staffPosition) {
                    at.pitch = std::int16_t(track->GetDrumKey(i));
                    location->pitch = at.pitch;
                    break;
                }
        } else {
            at.accidental = t.accidental;
        }
        CNote* note = CNote::Construct(previewRecord);
        note->PlaceAt(at);
        if (t.courtesy && t.accidental) {
            NoteHead* head = note->Head(0);
            head->SetByte(NoteHead::kAccByte, std::uint8_t(head->Byte(NoteHead::kAccByte) | NoteHead::kAccParens));
        }
        item = note;
    }

    // The picture around the point, four spaces each way, the tuplet number's room included.
    const int reach = kPreviewReach * space;
    const RECT area{x - reach, y - reach, x + 2 * reach, y + reach};
    RECT target{area.left - paper.left, area.top - paper.top, area.right - paper.left, area.bottom - paper.top};
    RECT client;
    GetClientRect(&client);
    target = {std::max(target.left, client.left), std::max(target.top, client.top), std::min(target.right, client.right),
              std::min(target.bottom, client.bottom)};
    if (target.left >= target.right || target.top >= target.bottom) return false;
    const int w = int(target.right - target.left), h = int(target.bottom - target.top);
    auto picture = std::make_unique<PreviewPicture>();
    CClientDC windowDC(this);
    if (!picture->dc.CreateCompatibleDC(&windowDC) || !picture->bitmap.CreateBitmap(w, h)) return false;
    picture->old = picture->dc.SelectObject(&picture->bitmap);
    picture->rect = target;
    const RECT all{0, 0, w, h};
    picture->dc.FillSolidRect(&all, RGB(255, 255, 255));
    picture->dc.SetTextAlign(TA_BASELINE);
    picture->dc.SetBkMode(TRANSPARENT);
    PushPort(&picture->dc);
    a->SetZoom(document ? document->GetZoom() : 100);
    a->SetWindowOrg(int(target.left + paper.left), int(target.top + paper.top));
    a->SetCopyMode();
    a->SetColor(0);
    a->PushFont();
    a->SetMusicFont(staff->GetFontSize());
    if (item) {
        item->Draw();
    } else {
        a->DrawGlyph(x, y, glyph);
    }
    if (t.tupletNumber > 0 && t.subTool != ToolState::kAccidentalSub) {
        char digits[4] = {};
        const int n = std::min<int>(t.tupletNumber, 99);
        if (n >= 10) std::snprintf(digits, sizeof digits, "%d", n);
        else digits[0] = char('0' + n);
        staff->DrawGlyphString(x + 2 * space, y + space, digits);
    }
    a->PopFont();
    a->SetWindowOrg(0, 0);
    PopPort();
    picture->dc.PatBlt(0, 0, w, h, DSTINVERT);
    windowDC.BitBlt(int(target.left), int(target.top), w, h, &picture->dc, 0, 0, SRCINVERT);
    previewPicture = std::move(picture);
    g_view.previewShown = 1;
    SetCursorById(kPreviewCursor);
    return true;
}

// --- the tick and the playback cursor ---------------------------------------------------------------

namespace {
constexpr int kTicksPerSecond = 60;
constexpr int kPastEndWait = 6;      // ticks past the end before playing stops
constexpr int kCountOffStop = 100;   // the count-off value a stop while recording sets
constexpr int kPlaybackColor = 2;

int NowTicks() { return int(std::int64_t(fw::GetTickCount()) * kTicksPerSecond / 1000); }
}  // namespace

void CPagePane::OnTick() {
    if (!location || !score || !document || !location->page || location->page->GetSystemCount() <= 0 ||
        score->GetTrackCount() <= 0)
        return;
    if (!PlaybackRunning()) {
        if (IsUnderPointer()) {
            POINT p;
            fw::GetCursorPos(&p);
            ScreenToClient(&p);
            OnMouseMove(int(p.x), int(p.y));
        } else {
            DrawPreview(false);
        }
        const int now = NowTicks();
        if (now > document->caretDeadline) {
            document->caretDeadline = now + int(fw::GetCaretBlinkTime()) * kTicksPerSecond / 1000;
            if (location->insertionPlaced && !textEditor && !document->textTask) BlinkCaret();
        }
        return;
    }
    g_playbackHooks.TransportPoll();
    if (GetPlayedScore() == score) FollowPlayback();
}

void CPagePane::FollowPlayback() {
    int bar = 0, beat = 0, tick = 0;
    GetPlayPosition(&bar, &beat, &tick);
    const int last = score->GetBarCount() - 1;
    if (bar >= 0 && bar <= last) {
        pastEndTicks = 0;
        CBar* b = score->GetBar(bar);
        if (!b) return;
        if (beat != g_view.lastPlayBeat || bar != g_view.lastPlayBar) {
            SetPlaybackCursorEnabled(false);
            g_view.lastPlayBar = std::int16_t(bar);
            g_view.lastPlayBeat = std::int16_t(beat);
            location->position = 0;
            location->time = 0;
            CLine* line = b->GetLine();
            document->ShowInsertionPoint(bar, line && line->GetFirstBarIndex() == bar);
            CPagePane* pane = dynamic_cast<CPagePane*>(document->currentPane);
            if (!pane) pane = this;
            pane->SetPlaybackCursorEnabled(true);
            pane->TogglePlaybackCursor();
        }
        const Meter* meter = b->GetMeter();
        const int perBeat = meter ? meter->GetTicksPerBeat() : 480;
        location->barIndex = std::int16_t(bar);
        location->time = double(beat) * perBeat + tick;
        return;
    }
    SetPlaybackCursorEnabled(false);
    const int state = GetTransportState();
    if (state == 2) {
        while (score->GetBarCount() <= bar) {
            if (!score->AppendBar(false)) {
                g_playbackHooks.SetCountOff(kCountOffStop);
                g_playbackHooks.TransportCommand(CZelDoc::kTransportStop);
                return;
            }
            document->ShowInsertionPoint(score->GetBarCount() - 1, false);
            if (auto* v = dynamic_cast<CZelView*>(document->view)) v->InvalidatePanes();
        }
    } else if (state == 1) {
        // The position may come back before the wait is over; the wait never holds the
        // interface: it is counted in ticks.
        if (++pastEndTicks >= kPastEndWait) {
            pastEndTicks = 0;
            g_playbackHooks.TransportCommand(CZelDoc::kTransportStop);
        }
    }
}

void CPagePane::TogglePlaybackCursor() {
    if (!document || !document->playbackEnabled || !score || !IsWindow()) return;
    CBar* bar = score->GetBar(g_view.lastPlayBar);
    CLine* line = bar ? bar->GetLine() : nullptr;
    CPage* page = score->GetPage(pageNumber);
    if (!bar || !line || !page || line->GetPageIndex() != pageNumber) return;
    if (!document->playbackShown) {
        const Meter* meter = bar->GetMeter();
        const int perBeat = meter ? meter->GetTicksPerBeat() : 480;
        const int perBar = meter && meter->GetTicksPerBar() > 0 ? meter->GetTicksPerBar() : 1920;
        const int position = MulDiv(std::max<int>(0, g_view.lastPlayBeat) * perBeat, 1024, perBar);
        const RECT paper = page->GetPaperRect();
        const int x = bar->FractionToX(position) - int(paper.left);
        CStaff* staff = line->GetStaff(location ? location->trackIndex : 0);
        const int top = staff ? int(staff->GetTopLine()) : int(line->GetTop());
        const int bottom = staff ? int(staff->GetBottomLine()) : top;
        const int height = bottom - top;
        const int half = std::max(1, (staff ? int(staff->GetSpacing()) : 8) / 2);
        playbackRect = {x - half, top - height - int(paper.top), x + half + 1, bottom + height - int(paper.top) + 1};
    }
    document->playbackShown = document->playbackShown ? 0 : 1;
    CClientDC dc(this);
    CPen pen;
    pen.CreatePen(PS_SOLID, 1, ColorTable[kPlaybackColor]);
    CPen* old = dc.SelectObject(&pen);
    dc.SetROP2(R2_XORPEN);
    const int x = int(playbackRect.left + playbackRect.right - 1) / 2;
    const int top = int(playbackRect.top), bottom = int(playbackRect.bottom) - 1;
    dc.MoveTo(int(playbackRect.left), top);
    dc.LineTo(int(playbackRect.right), top);
    dc.MoveTo(x, top + 1);
    dc.LineTo(x, bottom);
    dc.MoveTo(int(playbackRect.left), bottom);
    dc.LineTo(int(playbackRect.right), bottom);
    dc.SetROP2(R2_COPYPEN);
    dc.SelectObject(old);
}

void CPagePane::SetPlaybackCursorEnabled(bool on) {
    if (!document) return;
    if (!on && document->playbackShown) TogglePlaybackCursor();
    document->playbackEnabled = on ? 1 : 0;
}

void CPagePane::HidePlaybackCursor() {
    if (document && document->playbackShown) TogglePlaybackCursor();
}

// --- one bar of one track ---------------------------------------------------------------------------

void CPagePane::DrawTrackBar(CTrkBar* trkBar, int voice, int mode) {
    (void)voice;  // the bar's items of every voice are drawn
    if (!trkBar || !score || !IsWindow()) return;
    HideCaret();
    DrawPreview(true);
    trkBar->SetCurrent();
    CBar* bar = g_model.currentBar;
    CPage* page = score->GetPage(pageNumber);
    CArtist* a = GetArtist();
    if (!bar || !page || !a || bar->GetPage() != page) return;
    const RECT paper = page->GetPaperRect();
    fw::ScopedGlobal<RECT> keepUpdate(g_model.updateRect);
    g_model.updateRect = paper;
    CClientDC dc(this);
    dc.SetTextAlign(TA_BASELINE);
    dc.SetBkMode(TRANSPARENT);
    PushPort(&dc);
    a->SetZoom(document ? document->GetZoom() : 100);
    a->SetWindowOrg(int(paper.left), int(paper.top));
    a->SetCopyMode();
    if (mode == 0) {
        bar->Draw();
    } else {
        a->SetMusicFont(g_model.currentStaff ? g_model.currentStaff->GetFontSize() : 24);
        trkbar::ForEachLiveItem(trkBar, [](CBarItem* item) { item->Draw(); });
    }
    a->SetWindowOrg(0, 0);
    PopPort();
}
