#include "model/System.h"
#include "model/RecordFields.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "framework/Arith.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/Globals.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/EngraverSettings.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/PageLinks.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/ChunkStream.h"
#include "platform/DrawGlobals.h"
#include "platform/Theory.h"

namespace {

CStaffArray* NewStaffArray() {
    auto* a = new (std::nothrow) CStaffArray;
    if (a && !a->GetHandle()) {
        delete a;
        a = nullptr;
    }
    return a;
}

void DeleteStaffArray(CStaffArray* a) {
    if (!a) return;
    reclink::ForgetObject(a);
    delete a;
}

bool PointInRect(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// Fields of the beam record that follow a change of staff spacing: the two 3-bit staff offsets
// of its ends, the segment flags whose bits 2 and 3 tell where the stems of its end notes
// point, and the start and end heights of its main segment.
enum : int { kBeamType = 16, kBeamStaffOffsets = 17, kBeamSegmentFlags = 30, kBeamY1 = 42, kBeamY2 = 44 };

// The smallest staff chunk: its tag and length.
constexpr std::uint64_t kSmallestStaffChunk = 8;

int Signed3(int v) { return (v & 4) ? (v | ~7) : (v & 7); }

// A track's clef byte and its hidden mark, which the shown-staff pass reads.
int TrackClef(CTrack* track) { return track ? rec::Get<std::uint8_t>(track, 92) : 0; }
bool TrackHidden(CTrack* track) { return false; }

}  // namespace

// --- construction -------------------------------------------------------------------------------

CLine* CLine::Construct(void* record) {
    auto* line = static_cast<CLine*>(ConstructClass(1, record));
    std::memset(line->Bytes() + kPageIndex, 0, kSize - kPageIndex);
    return line;
}

void CLine::Init(CPage* page) {
    SetTypeAndSize(1);
    rec::Put<std::uint32_t>(this, kPageLink, page ? reclink::ScoreLink(page->GetScore(), page->GetIndex()) : 0u);
    // A system that already owns a staff array starts it again empty.
    if (CStaffArray* staves = GetStaffArray())
        staves->SetSize(0);
    else
        SetStaffArray(NewStaffArray());
    SetBarCount(0);
    SetStaffCount(0);
    rec::Put<std::int16_t>(this, kLayoutWord, 4);
    SetFontSize(24);
    rec::Put<std::int16_t>(this, kHeaderWidth, 6);
    SetLeftIndent(0);
    SetRightIndent(0);
    SetTopOffset(1440);
}

RECT CLine::GetRect() const { return {GetLeft(), GetTop(), GetRight(), GetBottom()}; }

void CLine::SetRect(const RECT& r) {
    rec::Put<std::int32_t>(this, kRect, r.left);
    rec::Put<std::int32_t>(this, kRect + 4, r.top);
    rec::Put<std::int32_t>(this, kRect + 8, r.right);
    rec::Put<std::int32_t>(this, kRect + 12, r.bottom);
}

// --- links ----------------------------------------------------------------------------------------

CPage* CLine::GetPage() const { return reclink::LinkedPage(rec::Get<std::uint32_t>(this, kPageLink)); }

void CLine::SetPage(CScore* score, int pageIndex) {
    rec::Put<std::uint32_t>(this, kPageLink, reclink::ScoreLink(score, pageIndex));
}

CBar* CLine::GetFirstBar() const { return reclink::LinkedBar(rec::Get<std::uint32_t>(this, kFirstBarLink)); }

void CLine::SetFirstBar(CScore* score, int barIndex) {
    rec::Put<std::uint32_t>(this, kFirstBarLink, reclink::ScoreLink(score, barIndex));
}

CScore* CLine::GetScore() const {
    if (CScore* s = reclink::LinkedScore(rec::Get<std::uint32_t>(this, kPageLink))) return s;
    return reclink::LinkedScore(rec::Get<std::uint32_t>(this, kFirstBarLink));
}

// --- staves ---------------------------------------------------------------------------------------

CStaffArray* CLine::GetStaffArray() const {
    return static_cast<CStaffArray*>(reclink::ObjectAt(rec::Get<std::uint32_t>(this, kStaffArray)));
}

void CLine::SetStaffArray(CStaffArray* staves) {
    rec::Put<std::uint32_t>(this, kStaffArray, reclink::ObjectId(staves));
}

CStaff* CLine::GetStaff(int i) {
    CStaffArray* a = GetStaffArray();
    const int n = a ? a->GetCount() : 0;
    if (n <= 0) return nullptr;
    if (i == kFirstShown) i = GetFirstShownStaff();
    else if (i == kLastShown) i = GetLastShownStaff();
    i = std::clamp(i, 0, n - 1);
    return static_cast<CStaff*>(a->GetAt(i));
}

int CLine::GetFirstShownStaff() {
    CStaffArray* a = GetStaffArray();
    const int n = a ? a->GetCount() : 0;
    for (int i = 0; i < n; ++i)
        if (static_cast<CStaff*>(a->GetAt(i))->IsShown()) return i;
    return 0;
}

int CLine::GetLastShownStaff() {
    CStaffArray* a = GetStaffArray();
    const int n = a ? a->GetCount() : 0;
    for (int i = n - 1; i >= 0; --i)
        if (static_cast<CStaff*>(a->GetAt(i))->IsShown()) return i;
    return 0;
}

int CLine::CountShownStaves() {
    CStaffArray* a = GetStaffArray();
    const int n = a ? a->GetCount() : 0;
    int shown = 0;
    for (int i = 0; i < n; ++i)
        if (static_cast<CStaff*>(a->GetAt(i))->IsShown()) ++shown;
    return shown;
}

int CLine::InsertStaff(int i) {
    CStaffArray* a = GetStaffArray();
    auto* staff = a ? static_cast<CStaff*>(a->InsertEmpty(i)) : nullptr;
    if (!staff) return 0;
    staff->SetDefaults();
    SetStaffCount(GetStaffCount() + 1);
    RenumberStaves();
    if (i == 0) {
        staff = static_cast<CStaff*>(a->GetAt(0));
        staff->SetSpacing(0);
        if (a->GetCount() > 1)
            static_cast<CStaff*>(a->GetAt(1))->SetSpacing(
                std::int16_t(CurrentEngraverSettings().GetWord(EngraverSettings::kStaffSpacing) + 480));
    }
    PlaceStaves();
    return 1;
}

int CLine::RemoveStaff(int i) {
    CStaffArray* a = GetStaffArray();
    if (!a || i < 0 || i >= a->GetCount()) return 1;
    a->RemoveAt(i);
    SetStaffCount(GetStaffCount() - 1);
    RenumberStaves();
    PlaceStaves();
    return 1;
}

void CLine::RenumberStaves() {
    CStaffArray* a = GetStaffArray();
    const int n = a ? a->GetCount() : 0;
    for (int i = 0; i < n; ++i) {
        auto* staff = static_cast<CStaff*>(a->GetAt(i));
        staff->SetIndex(i);
        staff->SetLastFlag(i == n - 1);
        for (int slot = 0; slot < CStaff::kBracketSlots; ++slot) {
            int span = staff->GetBracketSpan(slot);
            while (span > 0 && i + span >= n) --span;
            staff->SetBracketSpan(slot, std::uint8_t(span));
        }
    }
}

void CLine::SelectStaff(int i) {
    CStaffArray* a = GetStaffArray();
    const int n = a ? a->GetCount() : 0;
    for (int k = 0; k < n; ++k) static_cast<CStaff*>(a->GetAt(k))->SetSelected(i == -1 || k == i);
}

CStaff* CLine::FindStaffAt(int x, int y) {
    CStaffArray* a = GetStaffArray();
    const int n = a ? a->GetCount() : 0;
    if (n == 0) return nullptr;
    CStaff* nearest = nullptr;
    int best = 0;
    for (int k = 0; k < n; ++k) {
        auto* staff = static_cast<CStaff*>(a->GetAt(k));
        if (!staff->IsShown()) continue;
        if (PointInRect(staff->GetRect(), x, y)) return staff;
        const int d = std::abs(y - staff->GetMiddleY());
        if (!nearest || d < best) {
            nearest = staff;
            best = d;
        }
    }
    return nearest ? nearest : static_cast<CStaff*>(a->GetAt(0));
}

void CLine::GetStaffClefKey(int i, std::int16_t* clef, std::int16_t* key) {
    CStaff* staff = GetStaff(i);
    if (!staff) return;
    if (clef) *clef = staff->GetClef();
    if (key) *key = staff->GetKey();
}

void CLine::SetStaffSpacing(int i, int twips) {
    CStaff* staff = GetStaff(i);
    if (!staff) return;
    const int d = twips - staff->GetSpacing();
    staff->SetSpacing(std::int16_t(twips));
    CScore* score = GetScore();
    if (i == 0 || d == 0 || !score) return;
    CZelDoc* doc = score->GetDocument();
    const int half = d / 2;
    for (int t : {i - 1, i}) {
        for (int b = 0; b < GetBarCount(); ++b) {
            const int barIndex = GetFirstBarIndex() + b;
            CTrkBar* tb = score->GetTrkBar(t, barIndex);
            if (!tb || !tb->GetItems()) continue;
            auto* base = reinterpret_cast<std::uint8_t*>(tb->GetItems());
            trkbar::ForEachRecord(base, tb->GetRunLength(), [&](CBarItem* item) {
                if (item->IsRemoved() || item->TypeCode() != kBeamType || item->RecordSizeField() < kBeamY2 + 2) return true;
                const int offsets = rec::Get<std::uint8_t>(item, kBeamStaffOffsets);
                const int start = Signed3(offsets), end = Signed3(offsets >> 3);
                // Rows of the adjustment: which end lies on the other staff.
                int row;
                if (t == i - 1 && start == 1 && end == 0) row = 0;
                else if (t == i - 1 && start == 0 && end == 1) row = 1;
                else if (t == i && start == 0 && end == -1) row = 0;
                else if (t == i && start == -1 && end == 0) row = 1;
                else return true;
                if (doc) doc->SaveBarForUndo(t, barIndex);
                const int flags = rec::Get<std::uint8_t>(item, kBeamSegmentFlags);
                const bool f2 = (flags & 0x04) != 0, f3 = (flags & 0x08) != 0;
                int y1 = rec::Get<std::int16_t>(item, kBeamY1), y2 = rec::Get<std::int16_t>(item, kBeamY2);
                if (row == 0) {
                    if (f2 && f3) y1 -= d;
                    else if (f2) y1 -= half, y2 += half;
                    else y2 += d;
                } else {
                    if (f2 && f3) y2 -= d;
                    else if (f2) y1 += d;
                    else if (f3) y1 += half, y2 -= half;
                    else y1 += d;
                }
                rec::Put(item, kBeamY1, std::int16_t(y1));
                rec::Put(item, kBeamY2, std::int16_t(y2));
                return true;
            });
        }
    }
}

// --- geometry ---------------------------------------------------------------------------------------

int CLine::GetNameX(CStaff* staff) {
    CScore* score = GetScore();
    int indent = GetNameIndent();
    if (score && score->trackNamesRightAligned && staff) indent = staff->GetNameIndent();
    return GetLeft() - TwentiethsToView(indent);
}

int CLine::SumStaffSpacing() {
    CStaffArray* a = GetStaffArray();
    const int n = a ? a->GetCount() : 0;
    int sum = 0;
    for (int k = 0; k < n; ++k) {
        auto* staff = static_cast<CStaff*>(a->GetAt(k));
        if (k == 0 || !staff->IsShown()) staff->SetSpacing(0);
        if (staff->IsShown()) sum += staff->GetSpacing();
    }
    CPage* page = GetPage();
    return sum + 480 + (page ? page->GetSystemGap() : 0);
}

int CLine::GetCautionaryWidth() {
    CScore* score = GetScore();
    if (!score || IsLast()) return 0;
    CLine* next = score->GetLine(GetIndex() + 1);
    CBar* bar = next ? next->GetFirstBar() : nullptr;
    return bar ? bar->GetCourtesyWidth() : 0;
}

void CLine::MakeCurrent() {
    g_model.currentLine = this;
    g_model.currentPage = GetPage();
    g_model.currentScore = GetScore();
    g_model.currentDoc = g_model.currentScore ? g_model.currentScore->GetDocument() : nullptr;
    if (g_draw.artist && g_model.currentDoc) g_draw.artist->SetZoom(g_model.currentDoc->GetZoom());
}

int CLine::CountShownBars(bool all) {
    if (all) return GetBarCount();
    int shown = 0;
    CBar* bar = GetFirstBar();
    for (int b = 0; bar && b < GetBarCount(); ++b) {
        if (!bar->IsCovered()) ++shown;
        bar = static_cast<CBar*>(bar->NextOrNull());
    }
    return shown;
}

void CLine::LocatePoint(int x, ScoreLocation* location) {
    CBar* bar = GetFirstBar();
    if (!bar || GetBarCount() <= 0 || !location) return;
    CBar* found = nullptr;
    for (int b = 0; bar && b < GetBarCount(); ++b) {
        if (!bar->IsCovered()) {
            found = bar;
            if (bar->GetRight() > x) break;
        }
        bar = static_cast<CBar*>(bar->NextOrNull());
    }
    if (!found) return;
    location->barIndex = std::int16_t(found->GetIndex());
    location->position = std::int16_t(std::clamp<int>(found->XToFraction(x), 0, 1023));
    location->time = found->FractionToTick(location->position);
}

// --- layout -------------------------------------------------------------------------------------------

void CLine::Relayout() {
    PlaceOnPage();
    Justify();
}

void CLine::PlaceOnPage() {
    CPage* page = GetPage();
    RECT r = GetRect();
    if (page) {
        const RECT printable = page->GetPrintableRect();
        r.left = printable.left + TwentiethsToView(GetLeftIndent());
        r.right = printable.right + TwentiethsToView(GetRightIndent());
    }
    SetRect(r);
    MeasureHeader();
    PlaceStaves();
}

void CLine::MeasureHeader() {
    const EngraverSettings& e = CurrentEngraverSettings();
    CStaffArray* a = GetStaffArray();
    const int n = a ? a->GetCount() : 0;
    int accidentals = 0;
    bool clef = false, time = false;
    for (int k = 0; k < n; ++k) {
        auto* staff = static_cast<CStaff*>(a->GetAt(k));
        const std::uint8_t display = staff->GetDisplay();
        if ((display & CStaff::kKeyShownBit) && !(display & CStaff::kKeySuppressedBit))
            accidentals = std::max(accidentals, CTheory::GetKeyAccidentalCount(staff->GetKey()));
        if (display & CStaff::kClefShownBit) clef = true;
        if (display & CStaff::kMeterShownBit) time = true;
    }
    CBar* first = GetFirstBar();
    int clefWidth = 0;
    if (clef) {
        if (time || accidentals != 0 || (first && first->GetOpeningKind() != 0))
            clefWidth = e.GetWord(EngraverSettings::kClefMargin) + e.GetWord(EngraverSettings::kClefToOther);
        else
            clefWidth = e.GetWord(EngraverSettings::kClefMargin) +
                        (e.GetWord(EngraverSettings::kClefToNote) - e.GetWord(EngraverSettings::kNoteMargin));
    }
    const int keyWidth = accidentals ? accidentals * 120 + e.GetWord(EngraverSettings::kKeySigToOther) : 0;
    const int timeWidth = time ? (first ? first->GetMeterWidth() : 0) + e.GetWord(EngraverSettings::kTimeSigToOther) : 0;
    const int header = (keyWidth == 0 && timeWidth == 0) ? clefWidth : clefWidth + keyWidth + timeWidth;
    const int space = GetSpace();
    rec::Put<std::int16_t>(this, kClefWidth, std::int16_t(MulDiv(clefWidth, space, 120)));
    rec::Put<std::int16_t>(this, kKeyWidth, std::int16_t(MulDiv(keyWidth, space, 120)));
    rec::Put<std::int16_t>(this, kTimeWidth, std::int16_t(MulDiv(timeWidth, space, 120)));
    rec::Put<std::int16_t>(this, kHeaderWidth, std::int16_t(MulDiv(header, space, 120)));
    SetFirstBarX(GetLeft() + GetHeaderWidth());
}

void CLine::PlaceStaves() {
    int space = 0;
    CPage* page = GetPage();
    int y = page ? page->TopToPage(GetTopOffset()) : TwentiethsToView(GetTopOffset());
    CStaffArray* a = GetStaffArray();
    const int n = a ? a->GetCount() : 0;
    const int left = GetLeft();
    const int width = GetRight() - GetLeft();
    bool anyShown = false;
    int top = 0, bottom = 0;
    for (int k = 0; k < n; ++k) {
        auto* staff = static_cast<CStaff*>(a->GetAt(k));
        staff->SetIndex(k);
        if (!staff->IsShown()) continue;
        if (anyShown) y += TwentiethsToView(staff->GetSpacing());
        const int ls = staff->GetLineSpacing();
        staff->SetPosition(left, y + 2 * ls, width);
        int staffTop = staff->GetTopLine(), staffBottom = staff->GetBottomLine();
        if (staff->IsOneLine()) {
            staffTop += 2 * ls;
            staffBottom -= 2 * ls;
        }
        if (!anyShown) top = staffTop;
        bottom = staffBottom;
        anyShown = true;
        if (ls > space && staff->GetClef() != CStaff::kTablatureClef) {
            space = ls;
            SetFontSize(staff->GetFontSize());
        }
    }
    if (space == 0 && n > 0) space = static_cast<CStaff*>(a->GetAt(0))->GetLineSpacing();
    SetSpace(space);
    if (n > 0) {
        RECT r = GetRect();
        r.top = top;
        r.bottom = bottom == top ? bottom + 1 : bottom;
        SetRect(r);
    }
    if (CScore* score = GetScore(); score && score->GetTrackCount() > 1) score->singleTrack = 0;
}

void CLine::RefitStaves(int size) {
    CStaffArray* a = GetStaffArray();
    const int n = a ? a->GetCount() : 0;
    int space = 0, font = 0;
    for (int k = 0; k < n; ++k) {
        auto* staff = static_cast<CStaff*>(a->GetAt(k));
        staff->SetSize(size);
        if (staff->GetClef() == CStaff::kTablatureClef) continue;
        space = std::max<int>(space, staff->GetLineSpacing());
        font = std::max<int>(font, staff->GetFontSize());
    }
    if (space == 0 && n > 0) {
        auto* last = static_cast<CStaff*>(a->GetAt(n - 1));
        space = last->GetLineSpacing();
        font = last->GetFontSize();
    }
    SetSpace(space);
    SetFontSize(font);
    Relayout();
}

void CLine::UpdateShownStaves() {
    CScore* score = GetScore();
    CStaffArray* a = GetStaffArray();
    const int n = a ? a->GetCount() : 0;
    if (!score || n == 0) return;
    bool used[CScore::kMaxTracks] = {};
    const int tracks = std::min<int>(score->GetTrackCount(), CScore::kMaxTracks);
    for (int t = 0; t < tracks; ++t) {
        for (int b = 0; b < GetBarCount() && !used[t]; ++b) {
            CTrkBar* tb = score->GetTrkBar(t, GetFirstBarIndex() + b);
            if (!tb || !tb->GetItems()) continue;
            trkbar::ForEachRecord(reinterpret_cast<std::uint8_t*>(tb->GetItems()), tb->GetRunLength(), [&](CBarItem* item) {
                if (!item->IsRemoved() && !item->IsData()) used[t] = true;
                return !used[t];
            });
        }
    }
    bool shown[CScore::kMaxTracks] = {};
    for (int k = 0; k < n && k < CScore::kMaxTracks; ++k) shown[k] = used[k];
    for (int k = 0; k + 1 < n && k + 1 < CScore::kMaxTracks; ++k) {
        auto* staff = static_cast<CStaff*>(a->GetAt(k));
        CTrack* track = score->GetTrack(k);
        if (staff->GetBracketKind(0) == 1 && !TrackHidden(track) && TrackClef(track) == 0 &&
            TrackClef(score->GetTrack(k + 1)) == 1 && (used[k] || used[k + 1]))
            shown[k] = shown[k + 1] = true;
    }
    bool any = false;
    for (int k = 0; k < n; ++k) {
        const bool on = k < CScore::kMaxTracks && shown[k];
        static_cast<CStaff*>(a->GetAt(k))->SetShown(on);
        any = any || on;
    }
    if (!any) static_cast<CStaff*>(a->GetAt(0))->SetShown(true);
    PlaceStaves();
}

void CLine::Justify() {
    CBar* first = GetFirstBar();
    const int count = GetBarCount();
    if (!first || count <= 0) return;
    const int space = GetSpace() > 0 ? GetSpace() : 6;
    // Natural total over the uncovered bars (engraver units).
    std::int64_t total = 0;
    CBar* last = first;
    {
        CBar* bar = first;
        for (int b = 0; bar && b < count; ++b) {
            if (!bar->IsCovered())
                total += bar->GetNaturalWidth() + MulDiv(bar->GetLeadingWidth() + bar->GetTrailingExtra() / 20, 120, space);
            last = bar;
            bar = static_cast<CBar*>(bar->NextOrNull());
        }
    }
    if (total == 0) return;
    const auto natural = std::int32_t(std::clamp<std::int64_t>(total, INT32_MIN, INT32_MAX));
    const int reserve = ((last->HasBarFlag(CBar::kCourtesyBit) ? GetCautionaryWidth() : 0) + GetEndReserve()) * space / 120;
    const int firstX = GetFirstBarX();
    const int limit = GetRight() - firstX;
    // A reserve wider than the system leaves its bars no room, never a negative width, and one
    // below 0 never widens them past the system's end.
    const int available = std::max(0, std::min(limit, limit - reserve));
    int x = firstX;
    int used = 0;
    CBar* lastUncovered = nullptr;
    CBar* bar = first;
    for (int b = 0; bar && b < count; ++b) {
        bar->SetLeft(x);
        bar->CalcLeadingWidths();
        if (bar->IsCovered()) {
            bar->SetWidth(1);
            bar->SetContentWidth(1);
        } else {
            const int w = MulDiv(bar->GetNaturalWidth() + MulDiv(bar->GetLeadingWidth() + bar->GetTrailingExtra() / 20, 120, space),
                                 available, natural);
            bar->SetWidth(std::int16_t(w));
            x += bar->GetWidth();
            used += bar->GetLeadingWidth() + bar->GetTrailingWidth() + MulDiv(bar->GetNaturalSpace(), space, 120);
            if (!bar->IsLast())
                if (auto* next = static_cast<CBar*>(bar->NextOrNull())) used += MulDiv(next->GetCourtesyWidth(), space, 120);
            bar->CalcLeadingWidths();
            lastUncovered = bar;
        }
        bar = static_cast<CBar*>(bar->NextOrNull());
    }
    const bool overFull = used > limit + space && GetRight() != 0;
    SetLayoutFlags(overFull ? std::uint8_t(GetLayoutFlags() | kOverFullBit) : std::uint8_t(GetLayoutFlags() & ~kOverFullBit));
    if (lastUncovered) {
        lastUncovered->SetWidth(firstX + available - lastUncovered->GetLeft());
        lastUncovered->CalcLeadingWidths();
    }
    if (last->IsCovered()) {
        // The covered bars at the end sit just left of the system's end, walking back.
        CScore* score = GetScore();
        int at = firstX + available;
        for (int index = last->GetIndex(); index >= GetFirstBarIndex(); --index) {
            CBar* covered = score ? score->GetBar(index) : (index == last->GetIndex() ? last : nullptr);
            if (!covered || !covered->IsCovered()) break;
            covered->SetLeft(--at);
        }
    }
}

int CLine::Rejustify(bool redraw) {
    CBar* bar = GetFirstBar();
    for (int b = 0; bar && b < GetBarCount(); ++b) {
        bar->SetNaturalWidth(bar->GetNaturalSpace());
        bar = static_cast<CBar*>(bar->NextOrNull());
    }
    Justify();
    if (redraw) Invalidate();
    return 1;
}

int CLine::GetStaffExtent(int i, std::vector<RECT>* collector) {
    CStaff* staff = GetStaff(i);
    if (!staff) return 0;
    const int n = GetStaffArray()->GetCount();
    const int index = staff->GetIndex();
    const int h = staff->GetBottomLine() - staff->GetTopLine();
    RECT extent{GetLeft(), staff->GetTopLine() - (index == 0 ? h : h / 2), GetRight(),
                staff->GetBottomLine() + (index == n - 1 ? h : h / 2)};
    if (collector) {
        collector->clear();
        collector->push_back(extent);
    }
    CScore* score = GetScore();
    const int ls = staff->GetLineSpacing();
    const auto take = [&](RECT r) {
        extent.top = std::min(extent.top, r.top);
        extent.bottom = std::max(extent.bottom, r.bottom);
        if (collector) collector->push_back(r);
    };
    // The items ask the current system and track bar which staff they stand on: this system's
    // and the bar being walked, never a system left over from earlier work.
    fw::ScopedGlobal<CLine*> keepLine(g_model.currentLine, this);
    fw::ScopedGlobal<CTrkBar*> keepTrkBar(g_model.currentTrkBar, g_model.currentTrkBar);
    // And the bar being walked (an item reaching into later bars counts them from it).
    fw::ScopedGlobal<CBar*> keepCurrentBar(g_model.currentBar, g_model.currentBar);
    CBar* bar = GetFirstBar();
    for (int b = 0; bar && score && b < GetBarCount(); ++b) {
        if (index == GetFirstShownStaff())
            if (CBarItem* number = bar->GetBarNumberItem(true)) {
                // The number stands where its bar puts it.
                fw::ScopedGlobal<CBar*> keepBar(g_model.currentBar, bar);
                RECT r;
                take(*number->GetBounds(&r));
            }
        CTrkBar* tb = score->GetTrkBar(index, bar->GetIndex());
        if (tb && tb->GetItems() && staff->IsShown()) {
            g_model.currentTrkBar = tb;
            g_model.currentBar = bar;
            trkbar::ForEachRecord(reinterpret_cast<std::uint8_t*>(tb->GetItems()), tb->GetRunLength(), [&](CBarItem* item) {
                if (item->IsRemoved() || !item->IsShownOnStaff() || item->ReachesOtherStaff()) return true;
                const bool counts = item->IsNoteFamily() || item->IsText() || item->IsDynamic() || item->IsTempo() ||
                                    item->IsChord() || item->IsGuitarFrame() || item->IsOttava() || item->IsExpression();
                if (!counts) return true;
                RECT r;
                r = *item->GetBounds(&r);
                r.top -= ls;
                r.bottom += ls;
                take(r);
                return true;
            });
        }
        bar = static_cast<CBar*>(bar->NextOrNull());
    }
    return i == kFirstShown ? extent.top : extent.bottom;
}

void CLine::SpreadStaves() {
    CScore* score = GetScore();
    CPage* page = GetPage();
    if (!score || !page) return;
    std::vector<RECT> upper, lower;
    const bool firstOnPage = GetIndex() == page->GetFirstSystem();
    if (firstOnPage) {
        page->PageTextExtent(&upper, true);
    } else if (CLine* previous = score->GetLine(GetIndex() - 1)) {
        previous->GetStaffExtent(kLastShown, &upper);
    }
    GetStaffExtent(kFirstShown, &lower);
    int overlap = 0;
    for (const RECT& u : upper)
        for (const RECT& l : lower) overlap = std::max<int>(overlap, u.bottom - l.top);
    if (overlap <= 0) return;
    const int twips = ViewToTwentieths(overlap);
    const int lastSystem = page->GetFirstSystem() + page->GetSystemCount() - 1;
    for (int s = GetIndex(); s <= lastSystem; ++s) {
        CLine* line = score->GetLine(s);
        if (!line) break;
        line->SetTopOffset(line->GetTopOffset() + twips);
        line->PlaceStaves();
    }
}

// --- stored forms ---------------------------------------------------------------------------------

void CLine::WriteLine(CChunkStream& s) {
    s.BeginChunk(MakeChunkTag("LINE"), -1);
    s.WriteWord(GetPageIndex());
    s.WriteWord(GetFirstBarIndex());
    s.WriteWord(GetBarCount());
    s.WriteWord(GetStaffCount());
    s.WriteCoord(rec::Get<std::int16_t>(this, kReserved1));
    s.WriteCoord(rec::Get<std::int16_t>(this, kReserved2));
    s.WriteCoord(GetTopOffset());
    s.WriteCoord(GetLeftIndent());
    s.WriteCoord(GetRightIndent());
    s.WriteCoord(GetNameIndent());
    s.WriteCoord(GetEndReserve());
    s.EndChunk(-1);
    CStaffArray* a = GetStaffArray();
    const int n = std::min<int>(GetStaffCount(), a ? a->GetCount() : 0);
    for (int k = 0; k < n; ++k) static_cast<CStaff*>(a->GetAt(k))->Write(s);
}

void CLine::ReadLine(CChunkStream& s) {
    Init(nullptr);
    if (s.BeginReadChunk(MakeChunkTag("LINE")) > 0) {
        rec::ReadWordField(s, this, kPageIndex);
        rec::ReadWordField(s, this, kFirstBar);
        rec::ReadWordField(s, this, kBarCount);
        rec::ReadWordField(s, this, kStaffCount);
        rec::ReadCoordField(s, this, kReserved1);
        rec::ReadCoordField(s, this, kReserved2);
        // The layout values are 16-bit values stored divided by 5: one that multiplies out of
        // 16 bits was never written, and would lay the system out inverted or its bars at
        // negative widths.
        for (std::size_t field : {kTopOffset, kLeftIndent, kRightIndent, kNameIndent, kEndReserve}) {
            if (s.Unread() < 2) break;
            const int stored = std::int16_t(s.ReadWord());
            if (stored < INT16_MIN / 5 || stored > INT16_MAX / 5) {
                CFile* f = s.GetFile();
                AfxThrowArchiveException(CArchiveException::badIndex, f ? f->GetFilePath().c_str() : nullptr,
                                         "a system's indents");
            }
            rec::Put(this, field, std::int16_t(stored * 5));
        }
    }
    s.EndReadChunk();
    CStaffArray* a = GetStaffArray();
    const int n = GetStaffCount();
    // The staff count comes from the file: it must be one the array can hold, and each staff
    // needs a chunk of its own in what the file still holds.
    std::uint64_t left = 0;
    if (CFile* f = s.GetFile()) left = f->GetLength() - std::min(f->GetLength(), f->GetPosition());
    if (n < 0 || std::uint64_t(n) * kSmallestStaffChunk > left) {
        CFile* f = s.GetFile();
        AfxThrowArchiveException(CArchiveException::badIndex, f ? f->GetFilePath().c_str() : nullptr);
    }
    if (!a || !a->SetSize(n)) ThrowOutOfMemory();
    for (int k = 0; k < n; ++k) {
        // Each staff's chunk follows in place; another chunk there is damage.
        if (s.PeekTag() != MakeChunkTag("STAF")) {
            CFile* f = s.GetFile();
            AfxThrowArchiveException(CArchiveException::badIndex, f ? f->GetFilePath().c_str() : nullptr);
        }
        static_cast<CStaff*>(a->GetAt(k))->Read(s);
    }
}

bool CLine::AfterLoadFixup(int /*version*/) {
    CStaffArray* a = GetStaffArray();
    const int n = a ? a->GetCount() : 0;
    bool repaired = false;
    for (int k = 0; k < n; ++k) repaired |= static_cast<CStaff*>(a->GetAt(k))->RepairDefaults();
    return repaired;
}

// --- behaviour ------------------------------------------------------------------------------------

const LineBehaviour& LineBehaviour::Instance() {
    static const LineBehaviour behaviour;
    return behaviour;
}

void LineBehaviour::Release(CScoreItem& item) const {
    auto& line = static_cast<CLine&>(item);
    DeleteStaffArray(line.GetStaffArray());
    line.SetStaffArray(nullptr);
}

bool LineBehaviour::CopyTo(CScoreItem& item, CScoreItem* target) const {
    if (!target || target == &item) return true;
    auto& from = static_cast<CLine&>(item);
    auto* to = static_cast<CLine*>(target);
    CStaffArray* kept = to->GetStaffArray();
    const bool copied = ArrayItemBehaviour::CopyTo(item, target);
    to->SetStaffArray(kept);
    if (!copied) return false;
    CStaffArray* staves = from.GetStaffArray();
    if (staves && kept && !staves->CopyTo(kept)) return false;
    return true;
}

RECT* LineBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    *rect = static_cast<CLine&>(item).GetRect();
    return rect;
}

void LineBehaviour::Invalidate(CScoreItem& item) const {
    auto& line = static_cast<CLine&>(item);
    CScore* score = line.GetScore();
    CZelDoc* doc = score ? score->GetDocument() : nullptr;
    if (!doc) return;
    const int space = line.GetSpace();
    CLine* previous = line.GetIndex() > 0 ? score->GetLine(line.GetIndex() - 1) : nullptr;
    CLine* next = line.IsLast() ? nullptr : score->GetLine(line.GetIndex() + 1);
    const bool firstOnPage = (line.GetLayoutFlags() & CLine::kFirstOnPageBit) != 0 || !previous;
    RECT r;
    r.left = line.GetLeft();
    r.right = line.GetRight();
    r.top = firstOnPage ? line.GetTop() - 8 * space : previous->GetBottom();
    r.bottom = (line.IsLastOnPage() || !next) ? line.GetBottom() + 8 * space : next->GetTop();
    doc->AddDirtyRect(r, line.GetPageIndex());
}

std::int32_t LineBehaviour::GetRecordSize(CScoreItem& item) const {
    CStaffArray* a = static_cast<CLine&>(item).GetStaffArray();
    return item.RecordSizeField() + (a ? std::int32_t(a->GetByteSize()) : 0);
}

void LineBehaviour::ReadRaw(CScoreItem& item, CFile& file) const {
    auto& line = static_cast<CLine&>(item);
    // The staff array the record owns now gives way to the one the file holds.
    DeleteStaffArray(line.GetStaffArray());
    line.SetStaffArray(nullptr);
    ArrayItemBehaviour::ReadRaw(item, file);
    // The raw record brought its old links along; they mean nothing here.
    rec::Put<std::uint32_t>(&line, CLine::kStaffArray, 0);
    rec::Put<std::uint32_t>(&line, CLine::kPageLink, 0);
    rec::Put<std::uint32_t>(&line, CLine::kFirstBarLink, 0);
    CStaffArray* staves = NewStaffArray();
    if (!staves) ThrowOutOfMemory();
    try {
        staves->LoadRaw(file);
        for (int k = 0; k < staves->GetCount(); ++k) static_cast<CStaff*>(staves->GetAt(k))->KeepStoredPrecision();
    } catch (...) {
        delete staves;
        throw;
    }
    line.SetStaffArray(staves);
}

void LineBehaviour::Read(CScoreItem& item, CChunkStream& stream) const { static_cast<CLine&>(item).ReadLine(stream); }

void LineBehaviour::Write(CScoreItem& item, CChunkStream& stream) const { static_cast<CLine&>(item).WriteLine(stream); }
