#include "model/Page.h"
#include "model/Text.h"

#include <algorithm>
#include <cstring>
#include <cstdint>
#include <utility>

#include "model/Bar.h"
#include "model/EngraverSettings.h"
#include "model/ItemArray.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/PageLinks.h"
#include "model/PageSetup.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreStandIns.h"
#include "model/System.h"
#include "platform/Artist.h"
#include "platform/ChunkStream.h"
#include "platform/DrawGlobals.h"

// A page text's own page test: its page filter (bits 3-5 of byte 17) against its page number
// (16-bit at 46).
bool PageTextOnPage(CScoreItem* text, int page) {
    if (rec::IsRemoved(text) || text->RecordSizeField() < CText::kFixedSize) return false;
    return static_cast<CText*>(text)->ShowsOnPage(page);
}

namespace {

// The largest number of steps a twips step walk takes before it gives up.
constexpr int kStepLimit = 1 << 16;

}  // namespace

// --- construction -------------------------------------------------------------------------------

CPage* CPage::Construct(void* record) {
    auto* page = static_cast<CPage*>(ConstructClass(0, record));
    std::memset(page->Bytes() + kFirstSystem, 0, kSize - kFirstSystem);
    return page;
}

void CPage::Init(CScore* score) {
    SetTypeAndSize(0);
    SetSystemCount(0);
    SetScore(score);
    if (score && score->GetDocument()) {
        const CPageSetup& setup = score->GetDocument()->pageSetup;
        SetPaperRect(setup.GetPaperRect());
        SetPrintableRect(setup.GetMarginRect());
    }
    const EngraverSettings& e = CurrentEngraverSettings();
    SetGaps(e.GetWord(EngraverSettings::kGroupSpacing), e.GetWord(EngraverSettings::kStaffGroupSpacing),
            e.GetWord(EngraverSettings::kStaffSpacing));
    rec::Put<std::int16_t>(this, kLayoutWord1, e.GetWord(EngraverSettings::kBarsPerSystem));
    rec::Put<std::int16_t>(this, kLayoutWord2, e.GetWord(EngraverSettings::kGroupsPerPage));
}

RECT CPage::GetRectAt(int offset) const {
    return {rec::Get<std::int32_t>(this, offset), rec::Get<std::int32_t>(this, offset + 4),
            rec::Get<std::int32_t>(this, offset + 8), rec::Get<std::int32_t>(this, offset + 12)};
}

void CPage::SetRectAt(int offset, const RECT& r) {
    rec::Put<std::int32_t>(this, offset, r.left);
    rec::Put<std::int32_t>(this, offset + 4, r.top);
    rec::Put<std::int32_t>(this, offset + 8, r.right);
    rec::Put<std::int32_t>(this, offset + 12, r.bottom);
}

void CPage::SetGaps(int group, int system, int staff) {
    rec::Put(this, kGroupGap, std::int16_t(group));
    rec::Put(this, kSystemGap, std::int16_t(system));
    rec::Put(this, kStaffGap, std::int16_t(staff));
}

// --- links ----------------------------------------------------------------------------------------

CScore* CPage::GetScore() const { return reclink::LinkedScore(rec::Get<std::uint32_t>(this, kScoreLink)); }

void CPage::SetScore(CScore* score) { rec::Put<std::uint32_t>(this, kScoreLink, reclink::ScoreLink(score)); }

CZelDoc* CPage::GetDocument() const {
    CScore* score = GetScore();
    return score ? score->GetDocument() : nullptr;
}

CLine* CPage::GetLine(int i) const {
    CScore* score = GetScore();
    if (!score || i < 0 || i >= GetSystemCount()) return nullptr;
    return score->GetLine(GetFirstSystem() + i);
}

// --- geometry ---------------------------------------------------------------------------------------

void CPage::MakeCurrent() {
    g_model.currentScore = GetScore();
    g_model.currentDoc = GetDocument();
    g_model.currentPage = this;
    if (g_draw.artist && g_model.currentDoc) g_draw.artist->SetZoom(g_model.currentDoc->GetZoom());
}

int CPage::TopToPage(int twips) { return GetPrintableRect().top + TwentiethsToView(twips); }

int CPage::LeftFromPage(int x) { return ViewToTwentieths(x - GetPrintableRect().left); }

int CPage::TopFromPage(int y) { return ViewToTwentieths(y - GetPrintableRect().top); }

int CPage::StepTwips(int twips, int step) {
    if (step == 0) return twips;
    const int start = TwentiethsToView(twips);
    int t = twips;
    for (int i = 0; i < kStepLimit; ++i) {
        t += step;
        if (TwentiethsToView(t) != start) break;
    }
    return t;
}

int CPage::GetContentBottom() {
    CLine* last = GetLine(GetSystemCount() - 1);
    CStaff* staff = last ? last->GetStaff(CLine::kLastShown) : nullptr;
    if (!staff) return 0;
    return staff->GetBottomLine() + TwentiethsToView(480);
}

void CPage::RefitStaves(int size) {
    for (int i = 0; i < GetSystemCount(); ++i)
        if (CLine* line = GetLine(i)) line->RefitStaves(size);
}

void CPage::UpdateShownStaves() {
    for (int i = 0; i < GetSystemCount(); ++i)
        if (CLine* line = GetLine(i); line && line->GetIndex() != 0) line->UpdateShownStaves();
    SpaceStaves(false);
}

int CPage::PageTextExtent(std::vector<RECT>* collector, bool top) {
    int result = top ? 0 : 32767;
    CScore* score = GetScore();
    CPageTextArray* texts = score ? score->GetPageTextArray() : nullptr;
    CLine* first = GetLine(0);
    CLine* last = GetLine(GetSystemCount() - 1);
    if (!texts || !first || !last) return result;
    for (int i = 0; i < texts->GetCount(); ++i) {
        CScoreItem* text = texts->GetItem(i);
        if (!text || !PageTextOnPage(text, GetIndex())) continue;
        RECT r;
        r = *text->GetBounds(&r);
        if (top && r.top < first->GetTop()) {
            result = std::max<int>(result, r.bottom + TwentiethsToView(360));
            if (collector) collector->push_back(r);
        } else if (!top && r.bottom > last->GetBottom()) {
            result = std::min<int>(result, r.top);
            if (collector) collector->push_back(r);
        }
    }
    return result;
}

// --- vertical layout ------------------------------------------------------------------------------

void CPage::SpaceStaves(bool keep) {
    if (GetSystemCount() <= 0 || !GetLine(0)) return;
    if (GetGroupGap() == 0) {
        const EngraverSettings& e = CurrentEngraverSettings();
        SetGaps(e.GetWord(EngraverSettings::kGroupSpacing), e.GetWord(EngraverSettings::kStaffGroupSpacing),
                e.GetWord(EngraverSettings::kStaffSpacing));
    }
    CZelDoc* doc = GetDocument();
    int t = GetLine(0)->GetTopOffset();
    for (int s = 0; s < GetSystemCount(); ++s) {
        CLine* line = GetLine(s);
        if (!line) break;
        // Staves are placed at zoom 100 whatever the view shows.
        const std::int16_t zoom = doc ? std::exchange(doc->zoom, std::int16_t(100)) : 0;
        line->SetTopOffset(t);
        int groupEnd = -1;
        bool afterGroup = false;
        const int firstShown = line->GetFirstShownStaff();
        const int n = line->GetStaffArray() ? line->GetStaffArray()->GetCount() : 0;
        for (int i = 0; i < n; ++i) {
            CStaff* staff = line->GetStaff(i);
            const bool shown = staff->IsShown();
            bool set = false;
            int spacing = 0;
            if (!keep) {
                set = true;
                if (shown) {
                    int last = -1;
                    if (i != n - 1 && (staff->OpensBracketGroup(&last) || afterGroup)) {
                        spacing = GetGroupGap() + 480;
                        afterGroup = false;
                        if (last >= 0) groupEnd = last;
                    } else {
                        spacing = GetStaffGap() + 480;
                        if (i == groupEnd) {
                            afterGroup = true;
                            groupEnd = -1;
                        }
                    }
                }
            }
            if (shown && i == firstShown) {
                set = true;
                spacing = 0;
            }
            if (set) {
                if (i == 0)
                    staff->SetSpacing(0);
                else
                    line->SetStaffSpacing(i, spacing);
            }
            if (shown) t += staff->GetSpacing();
        }
        t += GetSystemGap() + 480;
        line->PlaceStaves();
        if (doc) doc->zoom = zoom;
    }
}

namespace {

// The largest amount by which a rectangle of the staff above reaches below the top of a
// rectangle of this staff that it intersects; 0 when none does. Only rectangles that reach
// into the other staff's band can intersect, so the pairs are taken among those.
int LargestOverlap(const std::vector<RECT>& above, const std::vector<RECT>& rects) {
    if (above.empty() || rects.empty()) return 0;
    LONG lowestAbove = above.front().bottom;
    for (const RECT& u : above) lowestAbove = std::max(lowestAbove, u.bottom);
    LONG highest = rects.front().top;
    for (const RECT& l : rects) highest = std::min(highest, l.top);
    int overlap = 0;
    for (const RECT& u : above) {
        if (u.bottom <= highest) continue;
        for (const RECT& l : rects)
            if (l.top < lowestAbove && u.left < l.right && l.left < u.right && u.top < l.bottom && l.top < u.bottom)
                overlap = std::max<int>(overlap, u.bottom - l.top);
    }
    return overlap;
}

}  // namespace

void CPage::AvoidCollisions() {
    MakeCurrent();
    CScore* score = GetScore();
    if (!score || GetSystemCount() <= 0) return;
    std::vector<RECT> above;
    PageTextExtent(&above, true);
    struct Shift {
        int system;
        int staff;
        bool firstShown;
        int overlap;
    };
    std::vector<Shift> shifts;
    std::vector<RECT> rects;
    for (int s = 0; s < GetSystemCount(); ++s) {
        CLine* line = GetLine(s);
        if (!line) break;
        const int n = line->GetStaffArray() ? line->GetStaffArray()->GetCount() : 0;
        const int firstShown = line->GetFirstShownStaff();
        for (int i = 0; i < n; ++i) {
            if (!line->GetStaff(i)->IsShown()) continue;
            rects.clear();
            line->GetStaffExtent(i, &rects);
            const int overlap = LargestOverlap(above, rects);
            if (overlap > 0) shifts.push_back({s, i, i == firstShown, overlap});
            std::swap(above, rects);
        }
    }
    for (const Shift& shift : shifts) {
        CLine* line = GetLine(shift.system);
        const int d = ViewToTwentieths(shift.overlap);
        if (shift.firstShown)
            line->SetTopOffset(line->GetTopOffset() + d);
        else
            line->SetStaffSpacing(shift.staff, line->GetStaff(shift.staff)->GetSpacing() + d);
        for (int s = shift.system + 1; s < GetSystemCount(); ++s)
            if (CLine* after = GetLine(s)) after->SetTopOffset(after->GetTopOffset() + d);
    }
    for (int s = 0; s < GetSystemCount(); ++s)
        if (CLine* line = GetLine(s)) line->PlaceStaves();
}

void CPage::StretchToBottom() {
    CLine* last = GetLine(GetSystemCount() - 1);
    if (!last) return;
    const int bottom = last->GetStaffExtent(CLine::kLastShown, nullptr);
    // The notice block stands at the bottom of the printable area, moved by its offset.
    CZelDoc* doc = GetDocument();
    const TitleBlock* notice = doc ? &doc->titles[3] : nullptr;
    const int titleOffset = notice ? notice->yOffset : 0;
    const int titleHeight = notice ? ScaleToView(notice->GetHeight()) : 0;
    int free = ScaleFromView(GetPrintableRect().bottom + TwentiethsToView(titleOffset) - titleHeight - bottom);
    int step = 20;
    if (free < 1) {
        step = -20;
        free = -free;
    }
    int shown = 0;
    for (int s = 0; s < GetSystemCount(); ++s)
        if (CLine* line = GetLine(s)) shown += line->CountShownStaves();
    if (shown <= 2) return;
    if (shown < 7) free = std::min(free, 36);
    else if (shown < 11) free = std::min(free, 72);
    else if (shown < 16) free = std::min(free, 144);
    // The stretch hands out one unit at a time: each round gives every later system its
    // index in units of top offset and every shown staff with spacing one unit more, until
    // the free room is spent or a round gives nothing. The rounds run on plain numbers here;
    // each system and staff then takes its whole change at once, which moves every record
    // (the cross-staff beams included) exactly as the units one by one would.
    const int systems = GetSystemCount();
    struct StaffRun {
        CLine* line;
        int system;
        int index;
        int original;
        int spacing;  // as the staff holds it, 16-bit
        bool shown;
        int units;
    };
    std::vector<StaffRun> staves;
    std::vector<int> firstStaff(std::size_t(systems) + 1, 0);
    std::vector<CLine*> lines(std::size_t(systems), nullptr);
    int present = 0;
    for (; present < systems; ++present) {
        CLine* line = GetLine(present);
        if (!line) break;
        lines[std::size_t(present)] = line;
        firstStaff[std::size_t(present)] = int(staves.size());
        const int n = line->GetStaffArray() ? line->GetStaffArray()->GetCount() : 0;
        for (int i = 0; i < n; ++i) {
            CStaff* staff = line->GetStaff(i);
            staves.push_back({line, present, i, staff->GetSpacing(), staff->GetSpacing(), staff->IsShown(), 0});
        }
    }
    firstStaff[std::size_t(present)] = int(staves.size());
    std::vector<std::int64_t> ownShift(std::size_t(present), 0), laterShift(std::size_t(present) + 1, 0);
    for (int before = free + 1; free >= 1 && free != before;) {
        before = free;
        for (int k = 0; k < systems && free >= 1; ++k) {
            if (k >= present) break;
            if (k > 0) {
                if (free < k) break;
                ownShift[std::size_t(k)] += std::int64_t(step) * k;
                free -= k;
            }
            for (int j = firstStaff[std::size_t(k)]; j < firstStaff[std::size_t(k) + 1] && free >= 1; ++j) {
                StaffRun& run = staves[std::size_t(j)];
                if (!run.shown || run.spacing == 0) continue;
                run.spacing = std::int16_t(run.spacing + step);
                run.units += 1;
                free -= 1;
                laterShift[std::size_t(k) + 1] += step;
            }
        }
    }
    std::int64_t carried = 0;
    for (int k = 0; k < present; ++k) {
        carried += laterShift[std::size_t(k)];
        const std::int64_t shift = ownShift[std::size_t(k)] + carried;
        if (shift != 0) lines[std::size_t(k)]->SetTopOffset(int(lines[std::size_t(k)]->GetTopOffset() + shift));
    }
    for (const StaffRun& run : staves) {
        // The whole change in one: the units it took, each of `step`.
        if (run.units > 0) run.line->SetStaffSpacing(run.index, run.original + run.units * step);
    }
    for (int s = 0; s < GetSystemCount(); ++s)
        if (CLine* line = GetLine(s)) line->PlaceStaves();
}

// --- stored forms ---------------------------------------------------------------------------------

void CPage::WritePage(CChunkStream& s) {
    const RECT paper = GetPaperRect();
    const RECT printable = GetPrintableRect();
    s.BeginChunk(MakeChunkTag("PAGE"), -1);
    s.WriteWord(GetFirstSystem());
    s.WriteWord(GetSystemCount());
    s.WriteWord(rec::Get<std::uint16_t>(this, kColumns));
    s.WriteWord(rec::Get<std::uint16_t>(this, kRows));
    s.WriteCoord(GetGroupGap());
    s.WriteCoord(GetSystemGap());
    s.WriteCoord(GetStaffGap());
    s.WriteWord(rec::Get<std::int16_t>(this, kLayoutWord1));
    s.WriteWord(rec::Get<std::int16_t>(this, kLayoutWord2));
    s.WriteLong(std::uint32_t((printable.left - paper.left) * 4));
    s.WriteLong(std::uint32_t((printable.top - paper.top) * 4));
    s.WriteLong(std::uint32_t((paper.right - printable.right) * 4));
    s.WriteLong(std::uint32_t((paper.bottom - printable.bottom) * 4));
    s.WriteLong(std::uint32_t((paper.right - paper.left) * 4));
    s.WriteLong(std::uint32_t((paper.bottom - paper.top) * 4));
    s.EndChunk(-1);
}

void CPage::ReadPage(CChunkStream& s) {
    Init(nullptr);
    const RECT paper = GetPaperRect();
    const RECT printable = GetPrintableRect();
    // What the page holds now, as the stored fields, so that a short chunk keeps them.
    std::int32_t margins[6] = {(printable.left - paper.left) * 4, (printable.top - paper.top) * 4,
                               (paper.right - printable.right) * 4, (paper.bottom - printable.bottom) * 4,
                               (paper.right - paper.left) * 4, (paper.bottom - paper.top) * 4};
    if (s.BeginReadChunk(MakeChunkTag("PAGE")) > 0) {
        const auto word = [&](int offset) {
            std::int16_t v = rec::Get<std::int16_t>(this, offset);
            s.ReadWordTo(&v);
            rec::Put(this, offset, v);
        };
        const auto coord = [&](int offset) {
            std::int16_t v = rec::Get<std::int16_t>(this, offset);
            s.ReadCoordTo(&v);
            rec::Put(this, offset, v);
        };
        word(kFirstSystem);
        word(kSystemCount);
        word(kColumns);
        word(kRows);
        coord(kGroupGap);
        coord(kSystemGap);
        coord(kStaffGap);
        word(kLayoutWord1);
        word(kLayoutWord2);
        s.ReadLongs(margins, 6);
    }
    s.EndReadChunk();
    RECT p;
    p.left = -(margins[0] / 4);
    p.top = -(margins[1] / 4);
    p.right = p.left + margins[4] / 4;
    p.bottom = p.top + margins[5] / 4;
    SetPaperRect(p);
    SetPrintableRect({0, 0, p.right - margins[2] / 4, p.bottom - margins[3] / 4});
}

// --- behaviour ------------------------------------------------------------------------------------

const PageBehaviour& PageBehaviour::Instance() {
    static const PageBehaviour behaviour;
    return behaviour;
}

RECT* PageBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    *rect = static_cast<CPage&>(item).GetPaperRect();
    return rect;
}

void PageBehaviour::Invalidate(CScoreItem& item) const {
    auto& page = static_cast<CPage&>(item);
    if (CZelDoc* doc = page.GetDocument()) doc->AddDirtyRect(page.GetPaperRect(), page.GetIndex());
}

void PageBehaviour::Read(CScoreItem& item, CChunkStream& stream) const { static_cast<CPage&>(item).ReadPage(stream); }

void PageBehaviour::Write(CScoreItem& item, CChunkStream& stream) const { static_cast<CPage&>(item).WritePage(stream); }
