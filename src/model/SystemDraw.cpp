// How a system draws itself on its page (opening barline, brackets, staves, track names and
// the time signatures of its start), how brackets are set and measured, and which of its parts
// lie under a point.
#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <string>

#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/PortLayer.h"

namespace {

constexpr int kBrace = 1;
constexpr int kHookedBracket = 2;
constexpr int kBracketMiddle = 7;
constexpr int kGroupRun = 127;
constexpr int kBraceGlyph = 62;
constexpr int kBracketGlyph = 188;
constexpr std::uint8_t kMeterRulesBit = 0x80;  // meter display flag 7 of a bar's meter

std::int16_t BracketWord(const CStaff* staff, int slot, int field) {
    return rec::Get<std::int16_t>(staff->Bracket(slot), std::size_t(field));
}

int StaffCount(CLine* line) { return line->GetStaffArray() ? line->GetStaffArray()->GetCount() : 0; }

bool EmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool InRect(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

}  // namespace

bool BarAsksMeterRules(const CBar* bar) { return bar && (bar->GetMeter()->GetDisplayFlags() & kMeterRulesBit) != 0; }

void LineBehaviour::Draw(CScoreItem& item) const { static_cast<CLine&>(item).Draw(); }

// --- brackets ---------------------------------------------------------------------------------------

bool CLine::SetBracket(int kind, int first, int last, bool relayout) {
    const int n = StaffCount(this);
    if (first < 0 || last < first || last >= n) return false;
    if (kind == kGroupRun) {
        for (int i = first; i < last; ++i) {
            CStaff* st = GetStaff(i);
            st->SetStaffFlags(std::uint8_t(st->GetStaffFlags() | CStaff::kGroupContinuesBit));
        }
        if (first > 0) {
            CStaff* st = GetStaff(first - 1);
            st->SetStaffFlags(std::uint8_t(st->GetStaffFlags() & ~CStaff::kGroupContinuesBit));
        }
        return true;
    }
    CStaff* top = GetStaff(first);
    int slot = 0;
    while (slot < CStaff::kBracketSlots && top->GetBracketKind(slot) != 0) ++slot;
    // A staff holds four brackets: a fifth is refused and nothing changes.
    if (slot == CStaff::kBracketSlots) return false;
    const int w = kind == kBrace ? 140 : 100;
    int base = 0;
    if (slot > 0) {
        base = BracketWord(top, slot - 1, CStaff::kBracketX);
    } else {
        bool found = false;
        for (int k = 0; k < first; ++k) {
            CStaff* st = GetStaff(k);
            const int kk = st->GetBracketKind(0);
            if (kk == 0 || kk == kBracketMiddle || k + st->GetBracketSpan(0) < first) continue;
            const int x = BracketWord(st, 0, CStaff::kBracketX);
            base = found ? std::min(base, x) : x;
            found = true;
        }
    }
    const auto fill = [&](CStaff* st, int k, int span) {
        std::uint8_t* b = st->Bracket(slot);
        b[CStaff::kBracketKind] = std::uint8_t(k);
        b[CStaff::kBracketSpan] = std::uint8_t(span);
        rec::Put<std::int16_t>(b, CStaff::kBracketTop, 0);
        rec::Put<std::int16_t>(b, CStaff::kBracketBottom, 0);
        rec::Put<std::int16_t>(b, CStaff::kBracketWidth, std::int16_t(w));
        rec::Put<std::int16_t>(b, CStaff::kBracketX, std::int16_t(base - w));
    };
    fill(top, kind, last - first);
    for (int i = first + 1; i < last; ++i) fill(GetStaff(i), kBracketMiddle, 0);
    if (relayout) UpdateBrackets();
    return true;
}

RECT CLine::GetBracketRect(int staffIndex, int slot) {
    RECT r{0, 0, 0, 0};
    const int n = StaffCount(this);
    if (staffIndex < 0 || staffIndex >= n || slot < 0 || slot >= CStaff::kBracketSlots) return r;
    CStaff* staff = GetStaff(staffIndex);
    const int kind = staff->GetBracketKind(slot);
    const int span = staff->GetBracketSpan(slot);
    int firstShown = -1, lastShown = -1, shown = 0;
    for (int i = staffIndex; i <= staffIndex + span && i < n; ++i) {
        if (!GetStaff(i)->IsShown()) continue;
        if (firstShown < 0) firstShown = i;
        lastShown = i;
        ++shown;
    }
    if (firstShown < 0 || (shown == 1 && span > 0)) return r;
    CStaff* top = GetStaff(firstShown);
    CStaff* bottom = GetStaff(lastShown);
    r.bottom = bottom->GetBottomLine() + TwentiethsToView(BracketWord(staff, slot, CStaff::kBracketBottom));
    r.top = top->GetTopLine() + TwentiethsToView(BracketWord(staff, slot, CStaff::kBracketTop));
    const int d = BracketWord(staff, slot, CStaff::kBracketX) - 20;
    int left = top->GetLeft() + TwentiethsToView(d);
    int width = 0;
    if (CArtist* a = g_draw.artist; a && g_draw.currentPort) {
        if (kind == kBrace) {
            width = GetFontSize() / 3;
        } else {
            a->SetMusicFont(top->GetFontSize());
            width = a->GlyphWidth(kBracketGlyph) + 1;
        }
    }
    left = left + TwentiethsToView(BracketWord(staff, slot, CStaff::kBracketWidth)) - width;
    r.left = left;
    r.right = left + width;
    for (int i = firstShown; i <= lastShown; ++i) GetStaff(i)->SetNameIndent(std::int16_t(60 - d));
    return r;
}

void CLine::DrawBracket(int staffIndex, int slot) {
    CArtist* a = g_draw.artist;
    const RECT r = GetBracketRect(staffIndex, slot);
    if (!a || EmptyRect(r)) return;
    CStaff* staff = GetStaff(staffIndex);
    const int kind = staff->GetBracketKind(slot);
    if (kind == kBrace) {
        RECT glyph = r;
        glyph.bottom += staff->GetPenWidth() - 1;
        a->SetMusicFont(int((r.bottom - r.top + 1) / 4));
        a->DrawGlyphInRect(glyph);
        return;
    }
    // The first shown staff the bracket covers gives the font size.
    CStaff* top = staff;
    for (int i = staffIndex; i <= staffIndex + staff->GetBracketSpan(slot) && i < StaffCount(this); ++i)
        if (GetStaff(i)->IsShown()) {
            top = GetStaff(i);
            break;
        }
    const int size = top->GetFontSize();
    a->SetMusicFont(size);
    const int staffHeight = top->GetBottomLine() - top->GetTopLine();
    if (g_draw.printingDC && r.bottom - r.top >= staffHeight) {
        // The glyph is stacked down the bracket; each step is at least one unit, so a font of
        // size 1 still ends.
        const int step = std::max(1, size - 1);
        for (int y = r.top + staffHeight - 1; y < r.bottom; y += step) a->DrawGlyph(r.left, y, kBracketGlyph);
        a->DrawGlyph(r.left, r.bottom, kBracketGlyph);
    } else {
        a->DrawBarline(r.left, r.top, r.bottom, 8, 0);
    }
    if (kind == kHookedBracket) {
        a->DrawGlyph(r.left, r.top, 59);
        a->DrawGlyph(r.left, r.bottom + staff->GetPenWidth(), 60);
    }
}

void CLine::DrawBrackets(int staffIndex) {
    CStaff* staff = GetStaff(staffIndex);
    if (!staff) return;
    for (int slot = 0; slot < CStaff::kBracketSlots; ++slot) {
        const int kind = staff->GetBracketKind(slot);
        if (kind != 0 && kind != kBracketMiddle) DrawBracket(staffIndex, slot);
    }
}

namespace {

// The name a track shows on a system: its full name on the score's first system when the
// full-name flag is set, its abbreviation on later systems when that flag is set; else none.
const char* ShownName(CTrack* track, bool firstSystem) {
    if (!track) return "";
    const std::uint8_t flags = track->GetTrackFlags();
    if (firstSystem ? !(flags & 0x01) : !(flags & 0x02)) return "";
    return track->GetLabelText(firstSystem);
}

}  // namespace

void CLine::UpdateBrackets() {
    MakeCurrent();
    CScore* score = GetScore();
    const int n = StaffCount(this);
    for (int i = 0; i < n; ++i) GetStaff(i)->SetNameIndent(60);
    const int left = GetLeft();
    int b = 0;
    for (int i = 0; i < n; ++i) {
        CStaff* st = GetStaff(i);
        for (int slot = 0; slot < CStaff::kBracketSlots; ++slot) {
            const int kind = st->GetBracketKind(slot);
            if (kind == 0 || kind == kBracketMiddle) continue;
            const RECT r = GetBracketRect(i, slot);
            if (EmptyRect(r)) continue;
            b = std::max(b, ViewToTwentieths(left - int(r.left)));
        }
    }
    int names = 0;
    CArtist* a = g_draw.artist;
    const bool first = GetIndex() == 0;
    for (int i = 0; score && a && g_draw.currentPort && i < n; ++i) {
        CStaff* st = GetStaff(i);
        CTrack* track = score->GetTrack(i);
        const char* text = ShownName(track, first);
        if (!st->IsShown() || !text[0]) continue;
        // The widest line of the name, in the font the label draws with.
        const int widest = track->MeasureLabel(text, first);
        names = std::max(names, ViewToTwentieths(widest) + 60 - track->GetLabelOffsetX(first));
    }
    SetNameIndent(names / 2 + b);
    if (GetLeftIndent() < GetNameIndent() + names / 2) SetLeftIndent(GetNameIndent() + names / 2);
    Relayout();
}

// --- drawing ------------------------------------------------------------------------------------------

void CLine::DrawStaves() {
    MakeCurrent();
    for (int i = 0; i < StaffCount(this); ++i) GetStaff(i)->Draw();
}

void CLine::Draw() {
    CArtist* a = g_draw.artist;
    CScore* score = GetScore();
    if (!a || !score) return;
    const int n = StaffCount(this);
    if (n == 0) return;
    if (g_model.highlightMode) {
        a->PushColor();
        a->SetColor(g_model.highlightColor);
    }
    if (!score->singleTrack) {
        a->SetMusicFont(GetFontSize());
        // The opening barline: from the first staff that joins it to the last shown staff.
        int i = GetFirstShownStaff();
        const int last = GetLastShownStaff();
        while (i < last) {
            CStaff* st = GetStaff(i);
            if (st->IsShown() && (st->GetStaffFlags() & (CStaff::kJoinedBarlineBit | CStaff::kGroupContinuesBit)))
                break;
            ++i;
        }
        CStaff* top = GetStaff(i);
        if (top->GetStaffFlags() & CStaff::kJoinedBarlineBit)
            a->DrawBarline(GetLeft(), top->GetTopLine(), GetStaff(last)->GetBottomLine(), 0, 0);
    }
    a->SetMusicFont(GetStaff(0)->GetFontSize());
    CBar* firstBar = GetFirstBar();
    const bool rules = BarAsksMeterRules(firstBar);
    const bool firstSystem = GetIndex() == 0;
    bool meterDrawn = false;
    for (int i = 0; i < n; ++i) {
        CStaff* st = GetStaff(i);
        CTrack* track = score->GetTrack(i);
        st->SetSelected(false);
        DrawBrackets(i);
        bool drawn = false;
        if (st->IsShown()) {
            const int h = st->GetBottomLine() - st->GetTopLine();
            const RECT band{st->GetLeft() - TwentiethsToView(1440), st->GetTopLine() - h, st->GetRight(),
                            st->GetBottomLine() + h};
            drawn = RectsIntersect(band, g_model.updateRect);
            st->SetSelected(drawn);
        }
        if (!drawn && !rules) continue;
        st->Draw();
        if (g_model.showHandles) {
            a->DrawHandle(GetLeft(), st->GetMiddleY(), false);
            a->DrawHandle(GetRight(), st->GetMiddleY(), false);
        }
        const char* name = ShownName(track, firstSystem);
        if (name[0]) {
            int y = st->GetReferenceY();
            if (i + 1 < n && track->IsGrandStaffTop()) y = (y + GetStaff(i + 1)->GetReferenceY()) / 2;
            track->DrawLabel(GetNameX(st), y, firstSystem);
        }
        if (firstBar && (st->GetDisplay() & CStaff::kMeterShownBit)) {
            int x = GetContentLeft();
            const int w = firstBar->GetMeterWidth();
            const int shift = ScaleToView((w - w * st->GetScalePercent() / 100) / 2);
            if (shift > 0) x += shift;
            // The sign's drawn middle goes to a copy: drawing leaves the stored bar as it was.
            std::uint8_t words[12];
            std::memcpy(words, firstBar->Bytes() + CBar::kMeterDisplayWord, sizeof words);
            st->DrawTimeSignature(x, firstBar->GetMeter(), words);
            meterDrawn = true;
        }
    }
    if (rules && meterDrawn) DrawMeterRules(firstBar);
    if (g_model.highlightMode) a->PopColor();
}

void CLine::DrawMeterRules(CBar* bar) {
    CArtist* a = g_draw.artist;
    CScore* score = GetScore();
    if (!a || !bar || !score) return;
    const int n = StaffCount(this);
    const int x = bar->GetMeterX() + ScaleToView(bar->GetMeterWidth()) / 4;
    int tallest = 0;
    for (int i = 0; i < n; ++i)
        if (GetStaff(i)->IsShown()) tallest = std::max(tallest, GetStaff(i)->ScaleLength(bar->GetMeterWidth() / 60));
    a->PushColor();
    if (!score->showColors) a->SetColor(0);
    // A run of staves outside the meter group joins the lower number above it to the upper
    // number of the next staff in the group.
    int openY = -1;
    for (int i = 0; i < n; ++i) {
        CStaff* st = GetStaff(i);
        CTrack* track = score->GetTrack(i);
        if (!st->IsShown() || !track) continue;
        const bool grouped = track->IsMeterGroup();
        if (grouped) {
            const int upper = st->PositionToY(4);
            if (openY >= 0 && upper - openY >= st->GetBottomLine() - st->GetTopLine())
                a->LineWidth(x, openY, x, upper, std::max(1, tallest) * 20);
            openY = -1;
        } else if (openY < 0) {
            openY = st->PositionToY(-4);
        }
    }
    if (openY >= 0 && GetBottom() - openY > 0) a->LineWidth(x, openY, x, GetBottom(), std::max(1, tallest) * 20);
    a->PopColor();
}

// --- hit tests ---------------------------------------------------------------------------------------

bool CLine::HitTestBracket(int x, int y, int* staff) {
    const int n = StaffCount(this);
    for (int i = 0; i < n; ++i)
        for (int slot = 0; slot < CStaff::kBracketSlots; ++slot) {
            if (GetStaff(i)->GetBracketKind(slot) == 0) continue;
            if (InRect(GetBracketRect(i, slot), x, y)) {
                if (staff) *staff = i;
                g_model.currentBracketSlot = slot;
                return true;
            }
        }
    return false;
}

bool CLine::HitTestTrackName(int x, int y, int* track) {
    MakeCurrent();
    CScore* score = GetScore();
    if (!score) return false;
    // Each track answers for its own label on this system.
    for (int i = 0; i < StaffCount(this); ++i) {
        CTrack* t = score->GetTrack(i);
        if (t && t->HitTest(x, y)) {
            if (track) *track = i;
            return true;
        }
    }
    return false;
}

bool CLine::HitTestMeter(int x, int y, int* staff) {
    CScore* score = GetScore();
    CBar* bar = GetFirstBar();
    if (!score || !bar) return false;
    for (int b = 0; bar && b < GetBarCount(); ++b, bar = static_cast<CBar*>(bar->NextOrNull())) {
        const bool first = b == 0;
        if (!first && (bar->IsCovered() || !bar->HasBarFlag(CBar::kShowsMeterBit))) continue;
        for (int i = 0; i < StaffCount(this); ++i) {
            CStaff* st = GetStaff(i);
            CTrack* track = score->GetTrack(i);
            if (!st->IsShown() || !track || !track->IsMeterGroup()) continue;
            if (first && !(st->GetDisplay() & CStaff::kMeterShownBit) && !bar->HasBarFlag(CBar::kShowsMeterBit))
                continue;
            const int w = ScaleToView(bar->GetMeterWidth());
            const int narrowed = w - (w - w * st->GetScalePercent() / 100) / 2;
            const int left = first ? GetContentLeft() : bar->GetMeterX();
            const int top = st->PositionToY(4), bottom = st->PositionToY(-4), mid = st->GetMiddleY();
            const RECT whole{left, top, left + narrowed, bottom};
            int part = -1;
            if (InRect(whole, x, y)) part = y < mid ? 2 : 3;
            const RECT upper{left, top - 2, left + narrowed, mid + 2};
            const RECT lower{left, mid - 2, left + narrowed, bottom + 2};
            if (part < 0 && InRect(upper, x, y)) part = 0;
            if (part < 0 && InRect(lower, x, y)) part = 1;
            if (part >= 0) {
                if (staff) *staff = i;
                g_model.currentMeterPart = part;
                g_model.currentBar = bar;
                return true;
            }
        }
    }
    return false;
}
