// Tracks in and out of the score: a track is its record, a staff in every system and the array
// of its bars in one of the 64 slots, and insertion, removal and moving keep the three in step,
// with the page layout, the brackets and the notes whose heads stand on other staves.
#include <algorithm>
#include <cstring>
#include <new>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/CrossStaffHooks.h"
#include "model/EditTask.h"
#include "model/EngraverSettings.h"
#include "model/ItemArray.h"
#include "model/KeySig.h"
#include "model/Lyric.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreStructure.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"

namespace {

constexpr std::uint16_t kFiveLines = 1984;  // lines 6-10
constexpr std::uint16_t kSixLines = 2016;   // lines 5-10
constexpr std::uint16_t kFourLines = 960;   // lines 6-9
constexpr int kTablatureSize = 125;
constexpr int kGroupRun = 127;
constexpr int kBrace = 1;

int TracksOfKind(int kind) { return kind == 7 ? 3 : kind == 6 ? 2 : 1; }

std::uint8_t StaffSizeOf(const CTrack* track) { return rec::Get<std::uint8_t>(track, CTrack::kStaffSize); }
void SetStaffSizeOf(CTrack* track, int size) { rec::Put<std::uint8_t>(track, CTrack::kStaffSize, std::uint8_t(size)); }

void SetLongestSpan(CBar* bar, int span) { rec::Put<std::int16_t>(bar, CBar::kLongestItemSpan, std::int16_t(span)); }
int LongestSpan(const CBar* bar) { return rec::Get<std::int16_t>(bar, CBar::kLongestItemSpan); }

bool IsFirstOnPage(CScore& score, int system) {
    CLine* line = score.GetLine(system);
    CPage* page = line ? line->GetPage() : nullptr;
    return !page || page->GetFirstSystem() == system || system == 0;
}

// Every head of a live note of the bar of track t that reaches another staff and whose range of
// tracks includes `index` goes back to its own staff; the bar of a track is recalculated when a
// beamed note moved, and each bar of a track after it in this bar once `recalcFrom` is set.
void HeadsHomeInTrackBar(CTrkBar* tb, int t, int index, bool* recalcFrom) {
    if (!tb) return;
    tb->SetCurrent();
    bool beamedMoved = false;
    trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
        if (!item->IsNoteOrRawNote() || !item->ReachesOtherStaff()) return;
        if (NoteHeadsHome() && NoteHeadsHome()(item, t, index) && entry::IsBeamed(item)) beamedMoved = true;
    });
    if (beamedMoved) *recalcFrom = true;
    if (*recalcFrom) tb->Recalc(1);
}

}  // namespace

// --- insertion ----------------------------------------------------------------------------------

bool CScore::InsertTrack(int index, int kind, int firstShownSystem) {
    if (index < 0 || index > trackCount || trackCount + TracksOfKind(kind) > kMaxTracks) return false;
    // The neighbour's values, before anything changes.
    std::uint8_t neighbourKey = 0;
    bool neighbourFullName = false;
    int neighbourSize = -1;
    if (lineCount > 0 && trackCount > 0) {
        CTrack* n = GetTrack(index < trackCount ? index : index - 1);
        neighbourKey = n->GetKey();
        neighbourFullName = (n->GetTrackFlags() & 0x01) != 0;
        neighbourSize = StaffSizeOf(n);
    }
    const int oldCount = trackCount;
    int n = 1;

    auto* first = static_cast<CTrack*>(tracks->InsertEmpty(index));
    if (!first) return false;
    auto setFullName = [&](CTrack* t) {
        t->SetTrackFlags(std::uint8_t((t->GetTrackFlags() & ~0x01) | (neighbourFullName ? 1 : 0)));
    };
    setFullName(first);
    auto takeNeighbour = [&](CTrack* t) {
        t->SetKey(neighbourKey);
        if (neighbourSize >= 0) SetStaffSizeOf(t, neighbourSize);
    };
    switch (kind) {
    case 0: case 1: case 2: case 3: first->Init(0, kind, kFiveLines); break;
    case 4: first->Init(1, 11, kFiveLines); break;
    case 5: {
        CTrack* above = index > 0 ? GetTrack(index - 1) : nullptr;
        const std::uint16_t mask =
            above && above->IsStandardStaff() && above->GetClef() == 1 ? kFourLines : kSixLines;
        first->Init(2, CStaff::kTablatureClef, mask);
        SetStaffSizeOf(first, above && !above->IsTablatureStaff() ? StaffSizeOf(above) * 5 / 4 : kTablatureSize);
        first->SetDisplaySwitches(std::uint8_t((first->GetDisplaySwitches() & ~0x20) | 0x80));
        break;
    }
    case 6:
    case 7: {
        first->Init(0, 0, kFiveLines);
        n = TracksOfKind(kind);
        for (int i = 1; i < n; ++i) {
            auto* t = static_cast<CTrack*>(tracks->InsertEmpty(index + i));
            if (!t) return false;
            t->Init(0, i == n - 1 ? 1 : 0, kFiveLines);
            takeNeighbour(t);
        }
        break;
    }
    default: break;
    }
    trackCount = std::int16_t(trackCount + n);

    // The empty arrays of the top slots move to the index; the used ones above it move up.
    if (index < oldCount)
        for (int k = 0; k < n; ++k)
            std::rotate(&trkBars[index], &trkBars[kMaxTracks - 1], &trkBars[kMaxTracks]);
    // Every new track gets a bar of a track per bar. A bar that cannot be made fails the
    // insertion rather than leaving a track with fewer bars than the score.
    for (int t = index; t < index + n; ++t)
        for (int b = 0; b < barCount; ++b)
            if (!InsertTrkBar(t, b)) return false;
    for (int t = 0; t < trackCount; ++t)
        for (int b = 0; b < barCount; ++b)
            if (CTrkBar* tb = GetTrkBar(t, b)) tb->SetTrackByte(t);

    if (lineCount == 0) {
        if (!AddSystem(0, true)) {
            trackCount = std::int16_t(trackCount - n);
            tracks->RemoveAt(index);
            return false;
        }
    } else {
        for (int k = 0; k < n; ++k)
            if (!lines->InsertStaff(index)) {
                trackCount = std::int16_t(trackCount - n);
                return false;
            }
        Reindex();
        takeNeighbour(GetTrack(index));
        const EngraverSettings& engraver = CurrentEngraverSettings();
        const int S = engraver.GetWord(EngraverSettings::kStaffSpacing);
        const int G = engraver.GetWord(EngraverSettings::kGroupSpacing);
        int h = 0;
        for (int s = 0; s < lineCount; ++s) {
            CLine* line = GetLine(s);
            if (IsFirstOnPage(*this, s)) h = 0;
            else line->SetTopOffset(line->GetTopOffset() + h);
            const bool shown = s >= firstShownSystem;
            for (int k = 0; k < n; ++k) {
                const int i = index + k;
                CStaff* staff = line->GetStaff(i);
                CTrack* track = GetTrack(i);
                if (s == 0) staff->SetKey(neighbourKey);
                staff->SetClef(track->GetShownClef());
                staff->SetLineMask(track->GetLineMask());
                const std::uint8_t d = track->GetDisplaySwitches();
                std::uint8_t display = std::uint8_t(staff->GetDisplay() & ~(CStaff::kMeterShownBit | CStaff::kKeyShownBit));
                if (d & 0x04) display |= CStaff::kMeterShownBit;
                if (d & 0x08) display |= CStaff::kKeyShownBit;
                staff->SetDisplay(display);
                staff->SetSize(StaffSizeOf(track));
                staff->SetShown(shown);
                if (k == 0) {
                    std::memset(staff->Bracket(0), 0, CStaff::kBracketSize * CStaff::kBracketSlots);
                    if (kind == 6 || kind == 7) {
                        const int top = kind == 6 ? i : i + 1;
                        line->SetBracket(kGroupRun, top, top + 1, true);
                        line->SetBracket(kBrace, top, top + 1, true);
                    }
                }
                if (shown) h += S + 480;
            }
            if (n > 1) {
                CStaff* upper = line->GetStaff(index + n - 2);
                upper->SetSpacing(std::int16_t(index + n - 2 == 0 ? 0 : G + 480));
                h += G - S;
            }
            if (index + n < trackCount) {
                line->GetStaff(index + n)->SetSpacing(std::int16_t(G + 480));
                h += G - S;
            }
            line->PlaceStaves();
        }
    }
    if (transposedDisplay)
        for (int t = index; t < index + n; ++t) SetTrackTransposedDisplay(t, 1);

    for (int b = 0; b < barCount; ++b) {
        SetLongestSpan(GetBar(b), 0);
        CTrkBar* top = GetTrkBar(0, b);
        top->Compact();
        CBarItem* key = nullptr;
        trkbar::ForEachLiveItem(top, [&](CBarItem* item) {
            if (!key && item->IsKeySigNotWarning()) key = item;
        });
        if (key) {
            rec::Put<std::uint8_t>(key, CKeySig::kKey, rec::Get<std::uint8_t>(key, CKeySig::kPlaybackKey));
            std::uint8_t copy[CKeySig::kSize];
            std::memcpy(copy, key, sizeof copy);
            for (int t = index; t < index + n; ++t) {
                if (t == 0) continue;  // the new track is track 0 itself
                CBarItem* placed = GetTrkBar(t, b)->InsertCopy(reinterpret_cast<CBarItem*>(copy));
                if (!placed) return false;
                placed->SetFlagsB(std::uint8_t(placed->FlagsB() & ~CBarItem::kScratchBit));
            }
        }
        bool recalc = false;
        for (int t = 0; t < trackCount; ++t) HeadsHomeInTrackBar(GetTrkBar(t, b), t, index, &recalc);
    }
    Reindex();
    RecalcBars(false);
    MoveOverflowSystems(std::clamp<int>(document ? document->location.pageIndex : 0, 0, std::max(0, pageCount - 1)));
    return true;
}

// --- removal ------------------------------------------------------------------------------------

bool CScore::DeleteTrack(int index) {
    if (trackCount <= 1) return true;
    if (index < 0 || index >= trackCount) return false;
    int h = 0;
    for (int s = 0; s < lineCount; ++s) {
        CLine* line = GetLine(s);
        if (IsFirstOnPage(*this, s)) h = 0;
        const int staves = trackCount;
        for (int t = 0; t < staves; ++t) {
            CStaff* staff = line->GetStaff(t);
            for (int slot = 0; slot < CStaff::kBracketSlots; ++slot) {
                const int kind = staff->GetBracketKind(slot);
                const int span = staff->GetBracketSpan(slot);
                if (kind == 0 || kind == 7 || t > index || index > t + span) continue;
                if (span == 0) {
                    std::memset(staff->Bracket(slot), 0, CStaff::kBracketSize);
                    continue;
                }
                staff->SetBracketSpan(slot, std::uint8_t(span - 1));
                if (t == index && t + 1 < staves)
                    std::memcpy(line->GetStaff(t + 1)->Bracket(slot), staff->Bracket(slot), CStaff::kBracketSize);
            }
        }
        line->SetTopOffset(line->GetTopOffset() - h);
        CStaff* removed = line->GetStaff(index);
        if (removed->IsShown()) {
            int next = index + 1;
            while (next < staves && !line->GetStaff(next)->IsShown()) ++next;
            CStaff* after = line->GetStaff(next < staves ? next : staves - 1);
            if (after->IsShown()) h += after->GetSpacing();
            if (line->CountShownStaves() == 1) {
                if (index + 1 < staves) line->GetStaff(index + 1)->SetShown(true);
                else if (index > 0) line->GetStaff(index - 1)->SetShown(true);
            }
        }
        line->UpdateBrackets();
    }
    lines->RemoveStaff(index);
    tracks->RemoveAt(index);
    trackCount = std::int16_t(trackCount - 1);
    Reindex();
    for (int b = barCount; b > 0; --b) RemoveTrkBar(index, 0);
    if (index != trackCount) {
        std::rotate(&trkBars[index], &trkBars[index + 1], &trkBars[kMaxTracks]);
        trkBars[kMaxTracks - 1]->RemoveAll();
        Reindex();
    }
    for (int t = 0; t < trackCount; ++t)
        for (int b = 0; b < barCount; ++b) {
            CTrkBar* tb = GetTrkBar(t, b);
            CBar* bar = GetBar(b);
            tb->Compact();
            SetLongestSpan(bar, 0);
            tb->SetCurrent();
            trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
                if (!item->ReachesOtherStaff()) return;
                item->Deselect();
                item->SetFlagsB(std::uint8_t(item->FlagsB() & ~CBarItem::kScratchBit));
                SetLongestSpan(bar, std::max(LongestSpan(bar), item->GetBarSpan()));
                // An end that reached the removed staff comes back to the item's own; one that
                // reached across it keeps its staff, now a staff nearer.
                const int own = t < index ? t : t + 1;
                const auto mended = [&](int o) {
                    const int target = own + o;
                    if (o == 0 || target == index) return 0;
                    if (own < index && target > index) return o - 1;
                    if (own > index && target < index) return o + 1;
                    return o;
                };
                const int start = item->GetStartStaffOffset(), end = item->GetEndStaffOffset();
                if (mended(start) != start) item->SetStartStaffOffset(mended(start));
                if (mended(end) != end) item->SetEndStaffOffset(mended(end));
            });
            bool recalc = false;
            HeadsHomeInTrackBar(tb, t, index, &recalc);
        }
    if (g_preferences.Byte(Preferences::kWrap)) {
        const int from = std::clamp<int>(document ? document->location.pageIndex : 0, 0, std::max(0, pageCount - 1));
        for (int p = from; p < pageCount - 1; ++p) {
            GetPage(p)->SpaceStaves(false);
            // Pulling a system up can remove the page below, which moves the page records: the
            // page is looked up again after every shift.
            for (CPage* page = GetPage(p); p < pageCount - 1 && page->GetFirstSystem() + page->GetSystemCount() < lineCount;
                 page = GetPage(p)) {
                CLine* next = GetLine(page->GetFirstSystem() + page->GetSystemCount());
                const int height = next->GetBottom() - next->GetTop();
                if (page->GetContentBottom() + height < layout::PageBottomLimit(page) - page->TwentiethsToView(1440)) {
                    if (!ShiftSystemAcrossPages(p, true)) break;
                } else {
                    break;
                }
            }
        }
    }
    return true;
}

// --- moving -------------------------------------------------------------------------------------

void CScore::MoveTrack(int from, int to) {
    if (from < 0 || to < 0 || from >= trackCount || to >= trackCount || from == to) return;
    const int step = to > from ? 1 : -1;
    std::uint8_t a[CTrack::kSize], b[CStaff::kSize];
    for (int i = from; i != to; i += step) {
        const int j = i + step;
        for (int s = 0; s < lineCount; ++s) {
            CLine* line = GetLine(s);
            CStaff* x = line->GetStaff(i);
            CStaff* y = line->GetStaff(j);
            // The content moves; each slot keeps its place on the page.
            const std::int16_t xm = x->GetMiddleY(), ym = y->GetMiddleY();
            std::uint8_t xr[16], yr[16];
            std::memcpy(xr, x->Bytes() + CStaff::kRect, 16);
            std::memcpy(yr, y->Bytes() + CStaff::kRect, 16);
            std::memcpy(b, x, CStaff::kSize);
            std::memcpy(x, y, CStaff::kSize);
            std::memcpy(y, b, CStaff::kSize);
            rec::Put<std::int16_t>(x, CStaff::kMiddleY, xm);
            rec::Put<std::int16_t>(y, CStaff::kMiddleY, ym);
            std::memcpy(x->Bytes() + CStaff::kRect, xr, 16);
            std::memcpy(y->Bytes() + CStaff::kRect, yr, 16);
        }
        CTrack* x = GetTrack(i);
        CTrack* y = GetTrack(j);
        std::memcpy(a, x, CTrack::kSize);
        std::memcpy(x, y, CTrack::kSize);
        std::memcpy(y, a, CTrack::kSize);
        std::swap(trkBars[i], trkBars[j]);
    }
    for (int s = 0; s < lineCount; ++s) GetLine(s)->RenumberStaves();
    tracks->Renumber();
    Reindex();
    if (document) document->RecalcPageGeometry(true, false);
    RecalcBars(false);
}

// --- small services -----------------------------------------------------------------------------

int CScore::BarsInTime(std::int32_t ticks) {
    int count = 0;
    int b = 0;
    while (barCount > 0) {
        const int length = GetBar(b)->GetLength();
        // A bar without length would never use the time up.
        if (length <= 0 || ticks < length) break;
        ticks -= length;
        ++count;
        if (b < barCount - 1) ++b;
    }
    return count;
}

int CScore::CheckLyricLines() {
    int count = 1;
    CLyricArray* a = lyrics.get();
    const int n = a ? a->GetCount() : 0;
    for (int i = 0; i < n; ++i) {
        const int line = std::int8_t(rec::Get<std::uint8_t>(a->GetAt(i), 9));
        if (line >= count) count = line + 1;
    }
    if (document) document->lyricLineCount = std::int16_t(count);
    return count;
}

CScoreTask* CScore::NewUndoTask(int nameId, int track1, int bar1, int track2, int bar2) {
    if (!document) return nullptr;
    auto* task = new (std::nothrow) CScoreTask;
    if (!task) return nullptr;
    task->Attach(document, nameId);
    const bool saved = bar1 == -1 ? task->SaveAll() : task->SaveTrackBarRange(track1, bar1, track2, bar2);
    if (!saved) {
        delete task;
        return nullptr;
    }
    task->SetLayoutChanged(true);
    document->PushUndo(task);
    return task;
}
