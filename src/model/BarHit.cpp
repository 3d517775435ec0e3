// What part of a bar lies under a page point: its edge handles, beat-chart columns, texts, bar
// number, jumpers and repeat-start barline (the hit globals keep the answer); the signs at a
// system's start; the items of the bar's tracks under a point; and what a double click and a
// drag do with the last hit.
#include <algorithm>
#include <cstdlib>

#include <new>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/BarNumber.h"
#include "model/BeatChartDrag.h"
#include "model/DragTask.h"
#include "model/EndingDrag.h"
#include "model/ItemArray.h"
#include "model/KeySig.h"
#include "model/ModelGlobals.h"
#include "model/NoteHitHooks.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"
#include "platform/Theory.h"

namespace {

constexpr int kRepeatCountKind = CBar::kRepeatCountKind;
// The vertical-position field of a note's mark: above this the mark stands over the staff.
constexpr int kMarkMiddle = 1440;

bool InRect(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

bool IsEndingJumper(CBarItem* jumper) {
    if (jumper->IsEnding()) return true;
    const int kind = rec::Get<std::uint8_t>(jumper, CBar::kJumperKind);
    return kind == 9 || kind == 10;
}

bool Hit(int kind, int index, CBaseItem* item) {
    g_model.hitKind = kind;
    g_model.hitIndex = std::int16_t(index);
    g_model.hitItem = item;
    return true;
}

// A rectangle one handle square wide around x over the system's first shown staff, reaching
// `above` spaces over its top line.
RECT BarlineRect(CLine* line, int x, int above) {
    CStaff* staff = line->GetStaff(CLine::kFirstShown);
    const int d = g_draw.artist ? g_draw.artist->Scale(2) : 2;
    if (!staff) return RECT{};
    return RECT{x - d, int(staff->GetTopLine()) - above * staff->Space(), x + d + 1, int(staff->GetBottomLine()) + 1};
}

}  // namespace

// --- the bar's own parts --------------------------------------------------------------------------

int CBar::GetBeatChartY() {
    CStaff* staff = g_model.currentStaff;
    if (CLine* line = GetLine(); line && GetBeatChartStaff() < line->GetStaffCount())
        if (CStaff* named = line->GetStaff(GetBeatChartStaff())) staff = named;
    return staff ? staff->GetBottomLine() + 3 * staff->Space() : 0;
}

bool CBar::HitTest(int x, int y) {
    g_model.hitBar = this;
    g_model.hitItem = this;
    CScore* score = GetScore();
    CLine* line = GetLine();
    if (!score || !line) return false;
    g_model.hitTrkBar = score->GetTrkBar(0, GetIndex());
    if (!IsCovered()) {
        for (int i = 0; i < line->GetStaffCount(); ++i) {
            CStaff* staff = line->GetStaff(i);
            if (staff->IsShown() && HitHandleSquare(x, y, GetRight(), staff->GetTopLine())) return Hit(0, i, this);
        }
        if (HasBarFlag(kBeatChartShownBit) && GetMultiRestSpan() == 0)
            if (CBarItem* chart = GetBeatChart()) {
                const int y0 = GetBeatChartY();
                const int d = ScaleToView(6);
                const int beat = GetBeatLength();
                const int n = beatchart::UsableCount(chart);
                for (int c = 0; c < n; ++c) {
                    const int time = beatchart::Field(chart, c, beatchart::kTime);
                    const int cy = beat > 0 && time % beat == 0 ? y0 : y0 + d;
                    if (HitHandleSquare(x, y, FractionToX(beatchart::Field(chart, c, beatchart::kPosition)), cy))
                        return Hit(1, c, this);
                }
            }
        if (CItemArray* own = GetItemArray())
            for (int i = 0; i < own->GetCount(); ++i) {
                auto* item = static_cast<CBarItem*>(own->GetAt(i));
                if (!item || item->IsRemoved() || item->TypeCode() != 29) continue;
                if (item->RecordSizeField() > CBarItem::kHeadEnd)
                    rec::Put<std::uint8_t>(item, CBarItem::kHeadEnd,
                                           std::uint8_t(rec::Get<std::uint8_t>(item, CBarItem::kHeadEnd) | 0x01));
                if (item->HitTest(x, y)) return Hit(5, 0, item);
            }
        if (g_model.dataDisplayKind == 0 && CBarNumber::HitTest(this, x, y))
            return Hit(3, 0, GetBarNumberItem(false));
    }
    // Jumpers of this bar, then once those of the bar its jumper link names.
    CBar* owner = this;
    for (int pass = 0; pass < 2 && owner; ++pass) {
        owner->MakeCurrent();
        for (int k = 0, n = owner->CountJumpers(); k < n; ++k) {
            CBarItem* jumper = owner->GetJumper(k);
            if (!jumper) break;
            bool hit = jumper->HitTest(x, y);
            if (!hit && rec::Get<std::uint8_t>(jumper, kJumperKind) == kRepeatCountKind)
                hit = InRect(BarlineRect(line, owner->GetRight(), 3), x, y);
            if (hit) {
                g_model.hitBar = owner;
                return Hit(IsEndingJumper(jumper) ? 4 : 2, 0, jumper);
            }
        }
        const int linked = GetLinkedJumperBar();
        owner = pass == 0 && linked >= 0 && linked != GetIndex() ? score->GetBar(linked) : nullptr;
    }
    g_model.hitBar = this;
    if (IsRepeatStart() && InRect(BarlineRect(line, GetLeft(), 0), x, y)) return Hit(8, 0, this);
    MakeCurrent();
    return false;
}

void CBar::Edit(int x, int y) {
    const int kind = g_model.hitKind;
    CBar* hit = g_model.hitBar ? g_model.hitBar : this;
    CScore* score = GetScore();
    CZelDoc* doc = score ? score->GetDocument() : nullptr;
    if ((kind == 2 || kind == 4) && doc) {
        ScoreLocation& at = doc->location;
        at.bar = hit;
        at.system = hit->GetLine();
        at.page = hit->GetPage();
        at.trkBar = g_model.hitTrkBar;
        at.barIndex = hit->GetIndex();
    }
    CBaseItem* item = g_model.hitItem;
    if (item && kind != 0 && item != this) static_cast<CScoreItem*>(item)->OpenProperties(x, y);
    if (kind == 8 && doc) doc->OnCommandRange(4110);
}

CDragTask* CBar::CreateDrag(int kind) {
    switch (kind) {
        case 0:
        case 2:
        case 3: return new (std::nothrow) CDragTask;
        case 1: return new (std::nothrow) CDragBeatChart;
        case 4: return new (std::nothrow) CDragEnding;
        default: return nullptr;
    }
}

bool BarBehaviour::HitTest(CScoreItem& item, int x, int y) const { return static_cast<CBar&>(item).HitTest(x, y); }

void BarBehaviour::OpenProperties(CScoreItem& item, int x, int y) const { static_cast<CBar&>(item).Edit(x, y); }

CDragTask* BarBehaviour::CreateDragTask(CScoreItem& item) const {
    return static_cast<CBar&>(item).CreateDrag(g_model.hitKind);
}

// --- the signs at a system's start ---------------------------------------------------------------

bool CBar::HitClefArea(int x, int y, CStaff* staff) {
    if (!staff || !(staff->GetDisplay() & CStaff::kClefShownBit)) return false;
    const int margin = staff->ScaleOffset(CurrentEngraverSettings().GetWord(EngraverSettings::kClefMargin));
    const int left = staff->GetLeft() + margin;
    return InRect(RECT{left, int(staff->GetTopLine()), left + margin, int(staff->GetBottomLine()) + 1}, x, y);
}

bool CBar::HitKeySigArea(int x, int y, CStaff* staff) {
    CLine* line = GetLine();
    if (!staff || !line || !IsFirstInLine()) return false;
    const int key = staff->GetKey();
    if (key == 0) return false;
    const int count = CTheory::GetKeyAccidentalCount(key);
    if (count <= 0) return false;
    const bool flats = key <= 7;
    int high = -100, low = 100;
    for (int i = 0; i < count; ++i) {
        const int pos = flats ? CTheory::GetClefFlatPos(staff->GetClef(), i) : CTheory::GetClefSharpPos(staff->GetClef(), i);
        high = std::max(high, pos);
        low = std::min(low, pos);
    }
    const int left = line->GetLeft() + line->GetClefWidth();
    const int half = staff->Space();
    const RECT r{left, staff->PositionToY(high) - half, left + staff->ScaleOffset(120 * count),
                 staff->PositionToY(low) + half + 1};
    return InRect(r, x, y);
}

bool CBar::HitMeterArea(int x, int y, CStaff* staff) {
    CLine* line = GetLine();
    if (!staff || !line) return false;
    int left = 0, width = 0;
    if (IsFirstInLine()) {
        if (!(staff->GetDisplay() & CStaff::kMeterShownBit)) return false;
        left = line->GetContentLeft();
        width = staff->ScaleOffset(CurrentEngraverSettings().GetWord(EngraverSettings::kTimeSigToOther));
    } else {
        if (!HasBarFlag(kShowsMeterBit)) return false;
        left = GetMeterX();
        width = staff->ScaleOffset(GetMeter()->GetDigitWidth() * 60);
    }
    return InRect(RECT{left, int(staff->GetTopLine()), left + width, int(staff->GetBottomLine()) + 1}, x, y);
}

// --- the items of the bar's tracks -----------------------------------------------------------------

namespace {

struct ItemSearch {
    CBar* bar;
    CScore* score;
    CLine* line;
    ScoreLocation* at;
    int x, y;
    bool onPage, earlierPage, ownBar, nearSystem;
    int system;
    bool showHidden;

    bool Takes(CBarItem* item) const {
        if (item->IsHidden() && !item->IsSelectedBit() && !showHidden) return false;
        return true;
    }

    // Whether a note, rest or raw note of track t is worth its own hit test.
    bool NoteCandidate(CBarItem* item, int t) const {
        if (!onPage) return false;
        const int width = bar->GetWidth();
        const int nx = bar->FractionToX(item->PositionField());
        if (nx >= x - width && nx <= x + width) return true;
        if (system == at->systemIndex - 1 && t == line->GetFirstShownStaff()) return true;
        if (system == at->systemIndex + 1 && t == line->GetLastShownStaff()) return true;
        return false;
    }

    bool OtherCandidate(CBarItem* item) const {
        if (ownBar) return true;
        const int span = item->GetBarSpan();
        if (onPage) {
            const int type = item->TypeCode();
            if (type == 29 || type == 20 || type == 26 || span != 0) return true;
            if (!nearSystem) return false;
            if (type == 16 || item->IsBend()) return true;
            RECT r{};
            item->GetBounds(&r);
            const RECT n{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                         std::max(r.top, r.bottom)};
            return x >= n.left && x <= n.right && y >= n.top && y <= n.bottom;
        }
        return earlierPage && bar->GetIndex() + span >= at->barIndex;
    }

    // The marks of a note that is no candidate itself: all of them on the location's system,
    // those over the staff from the system above, those under it from the system below.
    bool MarksHit(CBarItem* note) const {
        if (!onPage || !note->IsNoteOrRawNote() || !NoteMarksHit()) return false;
        if (system == at->systemIndex) return NoteMarksHit()(note, x, y, 0);
        if (system == at->systemIndex - 1) return NoteMarksHit()(note, x, y, 1);
        if (system == at->systemIndex + 1) return NoteMarksHit()(note, x, y, 2);
        return false;
    }

    // The bar's own tempo marks and expressions.
    CBarItem* OwnTempoHit() const {
        CItemArray* own = bar->GetItemArray();
        for (int i = 0; own && i < own->GetCount(); ++i) {
            auto* item = static_cast<CBarItem*>(own->GetAt(i));
            if (!item || item->IsRemoved() || !(item->IsTempo() || item->IsExpression()) || !Takes(item)) continue;
            if (item->HitTest(x, y)) return item;
        }
        return nullptr;
    }

    // In the MIDI data display: a point inside the bar of a track marks it as hit without an item.
    bool DataBandHit(CTrkBar* tb, int t) const {
        const int mode = g_model.dataDisplayKind;
        if (mode <= 1) return false;
        if (mode == 8 && t != line->GetFirstShownStaff()) return false;
        RECT r{};
        tb->GetRect(&r);
        return InRect(r, x, y);
    }
};

}  // namespace

CBarItem* CBar::HitItems(int x, int y, ScoreLocation* location) {
    g_model.hitKind = 0;
    g_model.hitIndex = -1;
    g_model.hitBar = this;
    MakeCurrent();
    if (CArtist* a = g_draw.artist) a->SetMusicFont(24);
    CScore* score = GetScore();
    CLine* line = GetLine();
    if (!score || !line || !location || IsCovered()) return nullptr;
    CZelDoc* doc = score->GetDocument();
    const int pageIndex = line->GetPageIndex();
    ItemSearch s{this, score, line, location, x, y, pageIndex == location->pageIndex, pageIndex < location->pageIndex,
                 location->barIndex == GetIndex(), std::abs(line->GetIndex() - location->systemIndex) <= 1,
                 line->GetIndex(), doc && doc->location.hiddenObjects};
    const bool dataShown = g_model.dataDisplayKind != 0;
    const int tracks = std::min<int>(score->GetTrackCount(), CScore::kMaxTracks);
    CBarItem* found = nullptr;
    CTrkBar* foundBar = nullptr;
    int foundTrack = -1;
    const auto markBand = [&](CTrkBar* tb, int t) {
        g_model.hitTrkBar = tb;
        location->trkBar = tb;
        location->trackIndex = t;
    };
    if (GetMultiRestSpan() == 0) {
        for (int t = 0; t < tracks && !found; ++t) {
            CTrkBar* tb = score->GetTrkBar(t, GetIndex());
            if (!tb) continue;
            tb->SetCurrent();
            if (dataShown) {
                if (s.onPage && s.DataBandHit(tb, t)) markBand(tb, t);
                continue;
            }
            trkbar::ForEachRecord(reinterpret_cast<std::uint8_t*>(tb->GetItems()), tb->GetRunLength(), [&](CBarItem* item) {
                if (item->IsRemoved() || item->TypeCode() >= 170 || !s.Takes(item)) return true;
                item->VerifyTrack();
                const bool note = item->IsNoteRestOrRawNote();
                const bool candidate = note ? s.NoteCandidate(item, t) : s.OtherCandidate(item);
                if (!candidate) {
                    if (note && s.MarksHit(item)) found = item;
                    return found == nullptr;
                }
                if (!score->IsVoiceShown(item->VoiceField())) return true;
                if (item->IsKeySig() && (rec::Get<std::uint8_t>(item, CKeySig::kFlags) & CKeySig::kHiddenBit))
                    return true;
                if (!note && !s.onPage && item->GetBarSpan() == 0) return true;
                if (item->HitTest(x, y)) found = item;
                return found == nullptr;
            });
            if (found) {
                foundBar = tb;
                foundTrack = t;
            }
        }
        if (!found && !dataShown)
            if ((found = s.OwnTempoHit())) {
                foundTrack = line->GetFirstShownStaff();
                foundBar = score->GetTrkBar(foundTrack, GetIndex());
            }
    } else {
        for (int t = 0; t < tracks && !found; ++t) {
            CTrkBar* tb = score->GetTrkBar(t, GetIndex());
            if (!tb) continue;
            tb->SetCurrent();
            if (dataShown) {
                if (s.DataBandHit(tb, t)) markBand(tb, t);
                continue;
            }
            if (t == 0 && (found = s.OwnTempoHit())) {
                foundTrack = line->GetFirstShownStaff();
                foundBar = score->GetTrkBar(foundTrack, GetIndex());
                break;
            }
            trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
                if (found || item->IsHidden() || item->IsData()) return;
                if (!(item->IsTempo() || item->IsText() || item->IsKeySigNotWarning() || item->IsMultiRest())) return;
                if (item->HitTest(x, y)) found = item;
            });
            if (found) {
                foundBar = tb;
                foundTrack = t;
            }
        }
    }
    if (!found || !foundBar) return nullptr;
    g_model.hitItem = found;
    g_model.hitTrkBar = foundBar;
    g_model.hitBar = foundBar->GetBar() ? foundBar->GetBar() : this;
    location->trackIndex = foundTrack;
    location->track = score->GetTrack(foundTrack);
    location->staff = line->GetStaff(foundTrack);
    location->bar = this;
    location->trkBar = foundBar;
    location->system = line;
    return found;
}
