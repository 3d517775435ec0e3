// The page pane's clicks with the erase, scale and scrub tools. Erase and scale hand what the
// hover found to the document's commands and start no drag; scrub sounds the notes under the
// pointer while the button is held.
#include <algorithm>
#include <climits>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ModelGlobals.h"
#include "model/Ottava.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreItem.h"
#include "model/Select.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "notation/RawNote.h"
#include "platform/PlatformGlobals.h"
#include "view/PagePane.h"
#include "view/ScrubNotes.h"
#include "view/ViewGlobals.h"

namespace {

// The erase and scale commands.
enum : int {
    kEraseAccidental = 4200, kEraseBar = 4201, kEraseBracket = 4202, kEraseEnding = 4203, kErasePageText = 4205,
    kEraseTrack = 4206, kEraseItem = 4207, kBreakBarline = 4300, kScaleItem = 4313, kScaleStaff = 4334,
};
constexpr int kTaskDoneCode = 4332;
// What the pane's hover found (HitPagePoint): an item, a bar's part, a bracket, a position
// handle, a track name, a staff near its ends.
enum : int { kHitNothing = 0, kHitItem = 1, kHitBar = 2, kHitBracket = 3, kHitHandle = 4, kHitTrackName = 5, kHitStaff = 6 };
// What the bar's hit test found inside a bar (g_model.hitKind after a bar hit): its edge, a
// beat chart column, a jumper, the bar number, an ending, a text, the repeat-start line.
enum : int { kBarEdge = 0, kBarBeatChart = 1, kBarJumper = 2, kBarNumber = 3, kBarEnding = 4, kBarRepeatStart = 8 };
// What the erase of a bar part reads in g_model.hitKind: an item of the bar's own list, the
// bar's repeat structure.
constexpr int kEraseOwnItem = 2, kEraseRepeat = 3;
constexpr int kAccidentalHit = 921;

// The track bar of track t at bar b holding an octave line of the chain (same identifier and
// kind); null when none.
CBarItem* ChainPiece(CTrkBar* tb, const COttava& of) {
    CBarItem* found = nullptr;
    trkbar::ForEachLiveItem(tb, [&](CBarItem* it) {
        if (found || !it->IsOttava()) return;
        const auto* o = static_cast<COttava*>(it);
        if (o->GetIdentifier() == of.GetIdentifier() && o->GetKind() == of.GetKind()) found = it;
    });
    return found;
}

}  // namespace

// --- erase -------------------------------------------------------------------------------------------

CDragTask* CPagePane::OnEraseTool(int x, int y, CScoreItem* item) {
    if (!document || !score || !location) return nullptr;
    const int kind = hitKind;
    if (!item || kind == kHitNothing) {
        // Only a click exactly on a bar line between two shown staves joined by it breaks it.
        CBar* bar = score->GetBar(location->barIndex);
        CLine* line = bar ? bar->GetLine() : nullptr;
        if (!line || x != bar->GetLeft()) return nullptr;
        const int n = line->GetStaffCount();
        for (int i = 0; i < n;) {
            CStaff* upper = line->GetStaff(i);
            if (!upper->IsShown()) {
                ++i;
                continue;
            }
            int j = i + 1;
            while (j < n && !line->GetStaff(j)->IsShown()) ++j;
            if (j >= n) return nullptr;
            CStaff* lower = line->GetStaff(j);
            if (y > upper->GetBottomLine() && y < lower->GetTopLine() &&
                (upper->GetStaffFlags() & CStaff::kGroupContinuesBit)) {
                document->SetCurrentTrack(i);
                document->OnCommandRange(kBreakBarline);
                return nullptr;
            }
            i = j;
        }
        return nullptr;
    }
    if (item->IsMultiRest()) return nullptr;
    const bool notify = item->IsNoteRestOrRawNote();
    const ScoreLocation& hover = document->paneLocation;
    // What the hit tests left, before the current bar moves.
    const int barPart = g_model.hitKind;
    const int hitTool = g_model.hitTool;
    const int headHit = g_model.hitPart;
    CBar* scanBar = g_model.hitBar ? g_model.hitBar : score->GetBar(hover.barIndex);
    document->SetCurrentBar(hover.barIndex, false);
    g_model.hitItem = item;
    g_model.hitBar = scanBar;
    int command = 0;
    switch (kind) {
        case kHitStaff: command = kEraseTrack; break;
        case kHitBracket:
            // The bracket's slot on the staff that holds it (the location's track).
            g_model.hitPart = std::int16_t(std::clamp(g_model.currentBracketSlot, 0, CStaff::kBracketSlots - 1));
            command = kEraseBracket;
            break;
        case kHitTrackName: break;
        case kHitBar: {
            if (barPart == kBarBeatChart) break;
            command = kEraseBar;
            if (barPart == kBarNumber) {
                // A bar whose number another bar governs erases the governing bar's number.
                CBar* bar = scanBar;
                if (bar && !bar->GetBarNumberItem(true)) {
                    const int link = bar->GetBarNumberLink();
                    if (link < 0 || link >= score->GetBarCount()) {
                        command = 0;
                        break;
                    }
                    bar = score->GetBar(link);
                }
                CBarItem* own = bar ? bar->GetBarNumberItem(true) : nullptr;
                if (!own) {
                    command = 0;
                    break;
                }
                g_model.hitBar = bar;
                g_model.hitItem = own;
                g_model.hitPart = 0;
                g_model.hitKind = kEraseOwnItem;
            } else if (item->IsText() || item->IsPageText() || item->IsTempo()) {
                command = kEraseItem;
            } else if (item->IsEnding()) {
                command = kEraseEnding;
            } else if (barPart == kBarRepeatStart) {
                g_model.hitKind = kEraseRepeat;
            }
            break;
        }
        default:
            if (item->IsPageText()) {
                command = kErasePageText;
                break;
            }
            if (item->IsNoteOrRawNote() && hitTool == kAccidentalHit) {
                // The accidental of the hit head.
                CSelect* sel = document->GetSelection();
                CTrkBar* tb = score->GetTrkBar(hover.trackIndex, hover.barIndex);
                if (!sel || !tb) break;
                sel->SelectItem(static_cast<CBarItem*>(item), headHit, tb, true);
                command = kEraseAccidental;
                break;
            }
            if (item->IsOttava()) {
                // An octave line goes from its first piece: the pieces in earlier bars of the
                // chain are walked back to it.
                const auto* ottava = static_cast<COttava*>(item);
                int b = location->barIndex;
                CTrkBar* tb = score->GetTrkBar(location->trackIndex, b);
                g_model.hitBar = score->GetBar(b);
                g_model.hitTrkBar = tb;
                if (!ottava->IsStart()) {
                    while (b > 0) {
                        CTrkBar* before = score->GetTrkBar(location->trackIndex, b - 1);
                        CBarItem* piece = before ? ChainPiece(before, *ottava) : nullptr;
                        if (!piece) break;
                        --b;
                        g_model.hitItem = piece;
                        g_model.hitBar = score->GetBar(b);
                        g_model.hitTrkBar = before;
                        if (static_cast<COttava*>(piece)->IsStart()) break;
                    }
                }
                document->SetCurrentBar(b, true);
            }
            if (kind != kHitHandle) command = kEraseItem;
            break;
    }
    if (command) document->OnCommandRange(command);
    if (notify) document->NotifyWindows(1, kTaskDoneCode);
    return nullptr;
}

// --- scale -------------------------------------------------------------------------------------------

CDragTask* CPagePane::OnScaleTool(int x, int y, CScoreItem* item) {
    CSelect* sel = document ? document->GetSelection() : nullptr;
    CPage* page = score ? score->GetPage(pageNumber) : nullptr;
    if (!sel || !page || !location) return nullptr;
    bool staffMode = false;
    if (!item) {
        const RECT paper = page->GetPaperRect();
        sel->TrackRubberBand(int(x - paper.left), int(y - paper.top));
    } else if (hitKind == kHitStaff) {
        staffMode = true;
        g_view.staffToScale = item->IsStaff() ? static_cast<CStaff*>(item) : location->staff;
    } else if (hitKind == kHitItem) {
        if (!item->ClassTestC()) return nullptr;
        CTrkBar* tb = score->GetTrkBar(document->paneLocation.trackIndex, document->paneLocation.barIndex);
        if (!tb) return nullptr;
        const int part = item->IsNoteOrRawNote() ? g_model.hitPart : CSelect::kWhole;
        sel->SelectItem(static_cast<CBarItem*>(item), part, tb, true);
    } else {
        return nullptr;
    }
    if (sel->GetItemCount() > 0) {
        document->OnCommandRange(kScaleItem);
        return nullptr;
    }
    // The staves: the one clicked, or those whose reference point (the left end of the middle
    // line) the band holds.
    const RECT band = item ? RECT{} : sel->lastBand;
    int marked = 0;
    for (int k = 0; k < page->GetSystemCount(); ++k) {
        CLine* line = score->GetLine(page->GetFirstSystem() + k);
        if (!line) break;
        for (int i = 0; i < line->GetStaffCount(); ++i) {
            CStaff* staff = line->GetStaff(i);
            staff->SetSelected(false);
            if (!staff->IsShown()) continue;
            const int rx = staff->GetLeft(), ry = staff->GetReferenceY();
            const bool in = staffMode ? staff == g_view.staffToScale
                                      : rx >= band.left && rx < band.right && ry >= band.top && ry < band.bottom;
            if (!in) continue;
            staff->SetSelected(true);
            ++marked;
            if (!staffMode) g_view.staffToScale = staff;
        }
    }
    if (marked == 0) return nullptr;
    if (marked != 1) g_view.staffToScale = nullptr;
    document->OnCommandRange(kScaleStaff);
    return nullptr;
}

// --- scrub -------------------------------------------------------------------------------------------

namespace {
// The shortest time a scrubbed head sounds, in ticks of pointer time.
constexpr int kShortest = 60;
}  // namespace

ScrubNotes::ScrubNotes(CScore& score, const ScoreLocation& from, POINT origin, int tracks)
    : score(score), scratch(from), origin(origin), tracks(tracks) {
    track = from.trackIndex;
    CLine* line = score.GetLine(from.systemIndex);
    if (CBar* bar = score.GetBar(from.barIndex)) line = bar->GetLine();
    firstBar = std::max(0, from.barIndex - 8);
    lastBar = line ? line->GetLastBar() : from.barIndex;
    CBar* first = score.GetBar(firstBar);
    CBar* last = score.GetBar(lastBar);
    rangeStart = first ? first->GetStartTicks() : 0;
    rangeEnd = last ? last->GetStartTicks() + last->GetMeterLength() : 0;
}

void ScrubNotes::Step(POINT p) {
    const int x = int(p.x + origin.x), y = int(p.y + origin.y);
    if (x == previousX) return;
    previousX = x;
    score.LocatePoint(x, y, &scratch);
    CBar* bar = score.GetBar(scratch.barIndex);
    CTrkBar* tb = score.GetTrkBar(scratch.trackIndex, scratch.barIndex);
    if (!bar || !tb) return;
    now = bar->GetStartTicks() + std::max(0, tb->XToTick(x));
    Walk(false);
    previous = now;
}

int ScrubNotes::ChainEnd(CTrkBar* tb, CBarItem* note, int h, int end) {
    CTrkBar* at = tb;
    CBarItem* from = note;
    for (int guard = 0; guard < 4096; ++guard) {
        CTrkBar* found = nullptr;
        int head = h;
        at->SetCurrent();
        CBarItem* next = at->FindTiedNote(from, &head, &found);
        if (!next || !found) break;
        CBar* bar = score.GetBar(found->GetBarIndex());
        if (!bar) break;
        end = bar->GetStartTicks() + next->GetPlayEnd(head);
        auto* tied = static_cast<CRawNote*>(next);
        if (head < 0 || head >= tied->HeadCountField() || !tied->Head(head)->HasTieStart()) break;
        at = found;
        from = next;
        h = head;
    }
    return end;
}

void ScrubNotes::Walk(bool release) {
    for (int b = firstBar; b <= lastBar; ++b) {
        CBar* bar = score.GetBar(b);
        if (!bar) break;
        const int barStart = bar->GetStartTicks();
        for (int k = 0; k < tracks; ++k) {
            CTrack* tr = score.GetTrack(track + k);
            CTrkBar* tb = score.GetTrkBar(track + k, b);
            if (!tr || !tb) continue;
            const bool percussion = tr->IsPercussionStaff();
            for (CBarItem* it = tb->GetItems(); it && it->TypeCode() != 255; it = it->NextItem()) {
                if (!score.IsItemInShownVoice(it) || !it->IsNoteOrRawNote()) continue;
                auto* note = static_cast<CRawNote*>(it);
                for (int h = 0; h < note->HeadCountField(); ++h) {
                    const NoteHead* head = note->Head(h);
                    // A head a tie comes into sounds with the head the chain starts at.
                    if (head->HasTieEnd()) continue;
                    const int start = barStart + note->GetPlayStart(h);
                    int length = note->GetHeadDuration(h);
                    if (head->HasTieStart()) length = ChainEnd(tb, it, h, start + length) - start;
                    if (percussion || length < kShortest) length = kShortest;
                    if (start < rangeStart || start + length > rangeEnd) continue;
                    const int pitch = head->Pitch();
                    const int voice = note->VoiceField();
                    if (release) {
                        tr->SoundNote(pitch, 0, voice, false);
                        continue;
                    }
                    const bool was = start <= previous && previous < start + length;
                    const bool is = start <= now && now < start + length;
                    // A stored velocity of 0 still sounds (as playback's does): at 1 it is a
                    // note-on, never a note-off.
                    const int velocity = std::clamp<int>(head->Byte(NoteHead::kVelocity), 1, 127);
                    if (was != is) tr->SoundNote(pitch, is ? velocity : 0, voice, false);
                }
            }
        }
    }
}

CDragTask* CPagePane::OnScrubTool(int x, int y) {
    CPage* page = score ? score->GetPage(pageNumber) : nullptr;
    if (!page || !location) return nullptr;
    HideCaret();
    DrawPreview(false);
    CTrack* track = score->GetTrack(location->trackIndex);
    const int tracks = track && track->IsGrandStaffTop() && g_platform.shiftDown ? 2 : 1;
    const RECT paper = page->GetPaperRect();
    ScrubNotes scrub(*score, *location, POINT{paper.left, paper.top}, tracks);
    POINT start{LONG(x - paper.left), LONG(y - paper.top)};
    CPane::TrackMouse(&scrub, start, ClientRectAtOrigin());
    return nullptr;
}
