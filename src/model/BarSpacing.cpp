// Bar spacing: how many ticks a bar holds, where its onsets lie (its beat chart), and the
// fixed widths before and after its content.
#include "model/BarSpacing.h"

#include <algorithm>
#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

#include "framework/Arith.h"
#include "framework/Globals.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/EngraverSettings.h"
#include "model/KeySig.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TieType.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "platform/FontMap.h"
#include "platform/Theory.h"

namespace {

constexpr int kNoteType = 144;
constexpr int kRestType = 128;
constexpr int kRawNoteType = 112;
// Bytes of the note and rest records that spacing reads: the tuplet count, and the flag byte
// whose bit 1 marks a grace item.
constexpr int kTupletCount = 16;
constexpr int kGraceByte = 18;

bool IsGrace(const CBarItem* item) { return (rec::Get<std::uint8_t>(item, kGraceByte) & 0x02) != 0; }

// Walks the live records of a bar of a track.
using trkbar::ForEachLiveItem;

// Whether a staff shows courtesy key signatures and time signatures at a system's end (with
// the staff's own geometry); until then every staff does.
bool StaffShowsCourtesyKeys(CStaff* staff) { return true; }
bool StaffShowsCourtesyMeters(CStaff* staff) { return true; }


}  // namespace

// --- what the note family and the document answer ---------------------------------------------------

namespace {
const NoteRecordBehaviour* NoteBehaviourOf(const CBarItem& item) {
    const ItemClassInfo* info = item.ClassIn(ItemClasses());
    return info ? BehaviourAs<NoteRecordBehaviour, 0>(info) : nullptr;
}
}  // namespace

double NoteOnsetTime(const CBarItem& item) {
    const NoteRecordBehaviour* b = NoteBehaviourOf(item);
    return b ? b->NoteOnset(item) : item.TimeField();
}

double NoteDuration(const CBarItem& item) {
    const NoteRecordBehaviour* b = NoteBehaviourOf(item);
    return b ? b->NoteLength(item) : 0;
}

double NoteEndTime(const CBarItem& item) {
    const NoteRecordBehaviour* b = NoteBehaviourOf(item);
    return b ? b->NoteEnd(item) : item.TimeField();
}

void NoteUpdateStem(CBarItem& item, int mode, bool propagate) {
    if (const NoteRecordBehaviour* b = NoteBehaviourOf(item)) b->NoteUpdateStem(item, mode, propagate);
}

void NoteSetLink(CBarItem& item, int link, bool on) {
    if (const NoteRecordBehaviour* b = NoteBehaviourOf(item)) b->NoteSetLink(item, link, on);
}

bool LineIsAbove(const CBarItem& item) {
    const ItemClassInfo* info = item.ClassIn(ItemClasses());
    if (const auto* b = info ? BehaviourAs<LineRecordBehaviour, 3>(info) : nullptr) return b->LineIsAbove(item);
    return CTieType::Of(&item)->AboveBit();
}


void NoteSpellHead(CTrkBar* trkBar, CBarItem& item, int head) {
    if (const NoteRecordBehaviour* b = NoteBehaviourOf(item)) b->NoteSpellHead(trkBar, item, head);
}

void NoteMoveHead(CBarItem& item, int head, int delta) {
    if (const NoteRecordBehaviour* b = NoteBehaviourOf(item)) b->NoteMoveHead(item, head, delta);
}

void NoteHeadFromPosition(CBarItem& item, int head, int accidental, int clef, int key) {
    if (const NoteRecordBehaviour* b = NoteBehaviourOf(item)) b->NoteHeadFromPosition(item, head, accidental, clef, key);
}

bool NoteStepHead(CBarItem& item, int head, int clef, int key, bool up, bool chromatic) {
    const NoteRecordBehaviour* b = NoteBehaviourOf(item);
    return b && b->NoteStepHead(item, head, clef, key, up, chromatic);
}

void NoteApplyAccidental(CBarItem& item, int head, int accidental, int clef, int key) {
    if (const NoteRecordBehaviour* b = NoteBehaviourOf(item)) b->NoteApplyAccidental(item, head, accidental, clef, key);
}

void NotePlaceTies(CBarItem& item, int track) {
    if (const NoteRecordBehaviour* b = NoteBehaviourOf(item)) b->NotePlaceTies(item, track);
}

bool NoteHasLink(CBarItem& item, int link) {
    const NoteRecordBehaviour* b = NoteBehaviourOf(item);
    return b && b->NoteHasLink(item, link);
}

int NoteAttachY(CBarItem& item, bool above) {
    const NoteRecordBehaviour* b = NoteBehaviourOf(item);
    return b ? b->NoteAttachY(item, above) : 0;
}

int GetAllotSpace(int durationClass, int dotted, int triplet) {
    if (const CZelDoc* doc = g_model.currentDoc) return doc->GetAllotSpace(durationClass, dotted, triplet);
    return CurrentSpacingTable().GetSpace(durationClass, dotted, triplet);
}

// --- contents ---------------------------------------------------------------------------------------

namespace {

// What one track's items give the bar's contents: its voices' end less its first onset, or
// nothing when no voice has length. A whole-bar note lasts as long as the current bar, so the
// share holds only while the current bar and its length are those it was measured with.
struct ContentShare {
    const CTrkBar* trackBar = nullptr;  // null: not worked out yet
    const CBar* currentBar = nullptr;
    int currentLength = 0;
    bool counts = false;
    int length = 0;
};

// The current bar and its length, as a whole-bar note's duration reads them.
std::pair<const CBar*, int> CurrentBarLength() {
    const CBar* bar = g_model.currentBar;
    return {bar, bar ? bar->GetLength() : 0};
}

// While a bar respaces, each track's share of its contents is kept from one measure to the
// next: the timing pass of a track changes only that track's items (and forgets its share), so
// the other tracks' shares stand and the measure walks only the track that changed.
struct ContentShares {
    const CBar* bar = nullptr;
    ContentShare share[CScore::kMaxTracks];
};
thread_local ContentShares* t_contentShares = nullptr;

// One track's share of the bar's contents.
ContentShare MeasureTrackContents(CTrkBar* tb, int meterLength) {
    ContentShare r;
    r.trackBar = tb;
    std::tie(r.currentBar, r.currentLength) = CurrentBarLength();
    {
        int start = meterLength, end = 0;
        double total[8] = {};
        CBarItem* open[8][4] = {};
        int depth[8] = {};
        // Closes the open tuplets of a voice that end at or before a position.
        const auto closeEnded = [&](int v, int position) {
            int kept = 0;
            for (int k = 0; k < depth[v]; ++k)
                if (open[v][k]->GetEndPosition() > position) open[v][kept++] = open[v][k];
            depth[v] = kept;
        };
        ForEachLiveItem(tb, [&](CBarItem* item) {
            const int v = item->VoiceField();
            const int type = item->TypeCode();
            const bool rhythmic = (type == kNoteType || type == kRestType) && !IsGrace(item);
            if (rhythmic) {
                double d = NoteDuration(*item);
                if (rec::Get<std::uint8_t>(item, kTupletCount) != 0) {
                    if (depth[v] >= 2) {
                        const auto* outer = static_cast<const CTuplet*>(open[v][depth[v] - 2]);
                        const int normal = outer->SecondNumber();
                        const int actual = outer->Number();
                        if (normal && actual) d = d * normal / actual;
                    }
                    d += 0.0001;
                }
                if (depth[v] > 0 && open[v][depth[v] - 1]->GetEndPosition() <= item->PositionField()) --depth[v];
                if (type == kRestType && d >= meterLength)
                    total[v] += meterLength;
                else
                    total[v] += d;
                start = std::min<int>(start, item->TimeField());
                end = std::max(end, int(total[v]));
            } else if (type == CTuplet::kType) {
                if (depth[v] < 4) open[v][depth[v]++] = item;
            } else if (!item->IsData() && type != kRawNoteType && !(item->IsTempo() && (item->FlagsB() & 0x10))) {
                closeEnded(v, item->PositionField());
            }
        });
        r.counts = end != 0;
        r.length = end - start;
    }
    return r;
}

}  // namespace

void CBar::ForgetContentShare(const CTrkBar* trackBar) {
    if (!t_contentShares) return;
    for (ContentShare& c : t_contentShares->share)
        if (c.trackBar == trackBar) c = ContentShare{};
}

std::int16_t CBar::MeasureContents() {
    CScore* score = GetScore();
    const int meterLength = GetMeterLength();
    int content = 0;
    const int tracks = score ? std::min<int>(score->GetTrackCount(), CScore::kMaxTracks) : 0;
    ContentShares* kept = t_contentShares && t_contentShares->bar == this ? t_contentShares : nullptr;
    // A whole-bar value lasts as long as the current bar, and the bar is as long as its contents
    // when they overfill the meter: measured so, a whole-bar note followed by more notes would
    // lengthen the bar at every measure. While the bar's own contents are measured it counts its
    // meter length, so the measure never feeds on its own result.
    const std::int16_t stored = GetContentLength();
    rec::Put(this, kContentLength, std::int16_t(meterLength));
    for (int t = 0; t < tracks; ++t) {
        CTrkBar* tb = score->GetTrkBar(t, GetIndex());
        if (!tb) continue;
        ContentShare share;
        if (kept && kept->share[t].trackBar == tb &&
            std::pair(kept->share[t].currentBar, kept->share[t].currentLength) == CurrentBarLength()) {
            share = kept->share[t];
        } else {
            share = MeasureTrackContents(tb, meterLength);
            if (kept) kept->share[t] = share;
        }
        if (share.counts) content = std::max(content, share.length);
    }
    rec::Put(this, kContentLength, stored);
    // The length is stored in 16 signed bits: contents that run longer (a note at the most
    // negative time, many long notes in one voice) measure the most it holds.
    content = std::min(content, int(INT16_MAX));
    SetContentLength(content ? content : meterLength);
    return GetContentLength();
}

// --- respacing --------------------------------------------------------------------------------------

bool CBar::Respace() {
    if (HasBarFlag(kSpacingLockedBit)) return true;
    MakeCurrent();
    const Meter* meter = GetMeter();
    const int meterLength = GetMeterLength();
    const int groups = meter->GetGroupCount();
    // A meter without groups or length steps once over the bar, never by zero.
    int group = groups ? meterLength / groups : meterLength;
    if (group <= 0) group = meterLength > 0 ? meterLength : 1920;

    CScore* score = GetScore();
    // The tracks' shares of the contents are kept over the timing passes below (not with the
    // whole passes, which measure every track each time).
    ContentShares shares;
    shares.bar = this;
    ContentShares* const outer = t_contentShares;
    struct Restore {
        ContentShares* outer;
        ~Restore() { t_contentShares = outer; }
    } restore{outer};
    if (!(score && score->wholeScorePasses)) t_contentShares = &shares;
    if (GetContentLength() != meterLength) MeasureContents();

    const int tracks = score ? std::min<int>(score->GetTrackCount(), CScore::kMaxTracks) : 0;
    std::vector<SpacingColumn> table;
    table.reserve(64);
    bool tooMany = false;
    const auto insertTime = [&](int time, int space) -> bool {
        auto it = std::find_if(table.begin(), table.end(), [&](const SpacingColumn& c) { return c.time >= time; });
        if (it != table.end() && it->time == time) return true;
        if (int(table.size()) >= kMaxSpacingColumns) {
            tooMany = true;
            return false;
        }
        SpacingColumn c;
        c.time = std::int16_t(time);
        c.space = std::int16_t(space);
        table.insert(it, c);
        return true;
    };
    int first = 0;
    bool haveFirst = false;
    for (int t = 0; t < tracks; ++t) {
        CTrkBar* tb = score->GetTrkBar(t, GetIndex());
        if (!tb) continue;
        tb->RecalcTimes(nullptr, nullptr);
        ForEachLiveItem(tb, [&](CBarItem* item) {
            if (!item->IsNoteOrRest() || IsGrace(item)) return;
            if (!haveFirst) {
                first = item->TimeField();
                haveFirst = true;
            }
            insertTime(item->TimeField(), 0);
        });
    }
    t_contentShares = outer;
    // The onset table holds at most 1,024 times: a bar with more cannot be spaced.
    if (tooMany) return false;
    const int beat = GetBeatLength();
    if (GetContentLength() < meterLength) {
        const int halfSpace = GetAllotSpace(beat > 0 ? 480 / beat + 2 : 3, 0, 0) / 2;
        std::size_t j = 0;
        for (int t = 0; t < meterLength; t += group) {
            while (j < table.size() && table[j].time < t) ++j;
            if (j < table.size() && table[j].time == t) continue;
            if (int(table.size()) >= kMaxSpacingColumns) return false;
            SpacingColumn c;
            c.time = std::int16_t(t);
            c.space = std::int16_t(j < table.size() ? 120 : halfSpace);
            table.insert(table.begin() + std::ptrdiff_t(j), c);
            ++j;
        }
    } else if (table.empty()) {
        for (int t = 0; t < meterLength && int(table.size()) < kMaxSpacingColumns; t += group) {
            SpacingColumn c;
            c.time = std::int16_t(t);
            c.space = std::int16_t(GetAllotSpace(3, 0, 0));
            table.push_back(c);
        }
    }
    if (table.empty()) {
        SpacingColumn c;
        c.space = std::int16_t(GetAllotSpace(3, 0, 0));
        table.push_back(c);
    }
    const int n = int(table.size());
    for (int i = 0; i < n; ++i) table[std::size_t(i)].index = std::int16_t(i);
    if (!ResetBeatChart(n, false)) return false;

    CLine* line = GetLine();
    for (int t = 0; t < tracks; ++t) {
        CStaff* staff = line ? line->GetStaff(t) : nullptr;
        if (!staff || !staff->IsShown() || staff->GetClef() == CStaff::kTablatureClef) continue;
        if (CTrkBar* tb = score->GetTrkBar(t, GetIndex())) tb->MeasureColumns(table.data(), n);
    }
    const EngraverSettings& e = CurrentEngraverSettings();
    table.back().space = std::int16_t(table.back().space - std::max<int>(e.GetWord(EngraverSettings::kFinalBarMargin), 0));
    const bool shortBar = HasBarFlag(kShortBarBit);
    int total = 0;
    for (SpacingColumn& c : table) {
        if (shortBar && first != 0 && c.time == first) c.preSpace = std::int16_t(std::max(c.preSpace - 30, 0));
        if (shortBar && haveFirst && c.time < first)
            c.space = 1;
        else if (c.space == 0)
            c.space = std::int16_t(GetAllotSpace(3, 0, 0));
        total += c.preSpace + c.space;
    }
    total += table[0].endSpace;
    SetNaturalSpace(total);
    rec::Put<std::int32_t>(this, kNaturalSpace32, total);
    rec::Put<std::int32_t>(this, kSpaceSize, 6);
    rec::Put<std::int32_t>(this, kScaledNaturalSpace, MulDiv(total, 6, 120));
    SetLeadInSpace(table[0].preSpace);

    CBarItem* chart = GetBeatChart();
    if (!chart) return false;
    int acc = 0;
    for (int i = 0; i < n; ++i) {
        const SpacingColumn& c = table[std::size_t(i)];
        // A total that is not positive cannot place the columns: they are spread evenly.
        const int position = total > 0 ? (acc + c.preSpace) * 1024 / total : i * (1024 / n);
        beatchart::SetField(chart, i, beatchart::kPosition, position);
        beatchart::SetField(chart, i, beatchart::kSpace, c.space);
        beatchart::SetField(chart, i, beatchart::kTime, c.time);
        acc += c.space + c.preSpace;
        if (i > 0) {
            beatchart::SetField(chart, i - 1, beatchart::kSpace,
                                beatchart::Field(chart, i - 1, beatchart::kSpace) + c.preSpace);
            beatchart::SetField(chart, i - 1, beatchart::kSpan,
                                position - beatchart::Field(chart, i - 1, beatchart::kPosition));
        }
    }
    int lastSpan = 1024 - beatchart::Field(chart, n - 1, beatchart::kPosition);
    if (table[0].endSpace != 0 && n >= 2)
        lastSpan = std::min(lastSpan, beatchart::Field(chart, n - 2, beatchart::kSpan));
    beatchart::SetField(chart, n - 1, beatchart::kSpan, lastSpan);

    MakeCurrent();
    for (int t = 0; t < tracks; ++t)
        if (CTrkBar* tb = score->GetTrkBar(t, GetIndex())) tb->RecalcPositions(-1);
    return true;
}

void CBar::RecalcTrackBars(int flag) {
    CScore* score = GetScore();
    const int tracks = score ? std::min<int>(score->GetTrackCount(), CScore::kMaxTracks) : 0;
    for (int t = 0; t < tracks; ++t)
        if (CTrkBar* tb = score->GetTrkBar(t, GetIndex())) tb->Recalc(flag);
}

// --- leading and trailing widths -----------------------------------------------------------------

std::int32_t CBar::CalcLeadingWidths() {
    const EngraverSettings& e = CurrentEngraverSettings();
    const int noteMargin = e.GetWord(EngraverSettings::kNoteMargin);
    const int opening = GetOpeningKind();
    const bool repeatStart = opening == 7 || opening == 2 || opening == 9;
    const bool showsMeter = HasBarFlag(kShowsMeterBit);
    const int keyWidth = GetKeySigWidth();
    const int k = keyWidth == 0 ? 0
                                : keyWidth + ((showsMeter || repeatStart) ? e.GetWord(EngraverSettings::kKeySigToOther)
                                                                          : noteMargin);
    const int m = showsMeter ? GetMeterWidth() + e.GetWord(EngraverSettings::kTimeSigToOther) : 0;
    int b = opening == 1 ? 75 : opening == 7 ? 120 : (opening == 2 || opening == 9) ? 210 : 15;
    CScore* score = GetScore();
    if (!IsFirstInLine() && GetIndex() > 0 && score) {
        if (CBar* previous = score->GetBar(GetIndex() - 1)) {
            const int closing = previous->GetClosingKind();
            if (closing == 1) b += 52;
            else if (closing != 0) b += 22;
        }
    }
    int gap = 0, leading;
    if (m == 0 && keyWidth == 0) {
        leading = b + noteMargin;
    } else {
        gap = noteMargin;
        leading = gap + k + m + b + (repeatStart ? noteMargin : 0);
    }
    int trailing = e.GetWord(EngraverSettings::kFinalBarMargin);
    const int closing = GetClosingKind();
    if (IsLast() && closing == 0 && !(score && score->noAutomaticFinalBarline))
        trailing += 60;
    else if (closing == 4)
        trailing += 120;
    else if (closing == 3 || closing == 10)
        trailing += 240;
    if (HasBarFlag(kCourtesyBit)) trailing += GetTrailingExtra();
    const int space = SystemSpace();
    rec::Put<std::int16_t>(this, kLeadingGap, std::int16_t(MulDiv(gap, space, 120)));
    rec::Put<std::int16_t>(this, kKeySigPart, std::int16_t(MulDiv(k, space, 120)));
    rec::Put<std::int16_t>(this, kMeterPart, std::int16_t(MulDiv(m, space, 120)));
    SetLeadingWidth(MulDiv(leading, space, 120));
    SetTrailingWidth(MulDiv(trailing, space, 120));
    SetContentWidth(GetWidth() - GetLeadingWidth() - GetTrailingWidth());
    CBarItem* chart = GetBeatChart();
    const bool atZero = !chart || beatchart::UsableCount(chart) == 0 || beatchart::Field(chart, 0, beatchart::kPosition) == 0;
    SetLeadInWidth(atZero ? 0 : MulDiv(GetLeadInSpace(), space, 120));
    return leading;
}

std::int32_t CBar::GetMeterWidth() const {
    const Meter* meter = GetMeter();
    const std::uint8_t display = meter->GetDisplayFlags();
    if (!(display & (Meter::kShown | Meter::kAdditiveShown))) return 0;
    int width = meter->GetDigitWidth() * 60;
    if (meter->GetKindFlags() & Meter::kKindDisplay) {
        int n = 0;
        if (CScore* score = GetScore()) {
            const FontRef& font = score->staffLabelFont;
            n = IsMusicFont(font.face) ? (font.size - 24) / 6 : (font.size - 16) / 6;
            if (n < 0) n = 0;
        }
        width += (20 * n) / 2;
    }
    if (display & (Meter::kWiden | Meter::kWidenAdditive)) width += 2;
    return width;
}

std::int32_t CBar::GetCourtesyWidth() {
    fw::ScopedGlobal<CBar*> keepBar(g_model.currentBar);
    fw::ScopedGlobal<CLine*> keepLine(g_model.currentLine);
    fw::ScopedGlobal<CPage*> keepPage(g_model.currentPage);
    fw::ScopedGlobal<CScore*> keepScore(g_model.currentScore);
    fw::ScopedGlobal<CZelDoc*> keepDoc(g_model.currentDoc);
    MakeCurrent();
    CScore* score = GetScore();
    const int tracks = score ? std::min<int>(score->GetTrackCount(), CScore::kMaxTracks) : 0;
    int n = 0;
    // A bar the running recalculation found without key signatures has nothing to walk.
    const bool keyless = score && std::size_t(GetIndex()) < score->keylessBars.size() && score->keylessBars[std::size_t(GetIndex())];
    for (int t = 0; t < tracks && !keyless; ++t) {
        CStaff* staff = GetStaff(t);
        ForEachLiveItem(score->GetTrkBar(t, GetIndex()), [&](CBarItem* item) {
            if (item->TypeCode() != CKeySig::kTypeCode) return;
            auto* key = static_cast<CKeySig*>(item);
            if (key->IsKeyFlagged() || !(key->GetFlags() & CKeySig::kCautionaryBit) || !StaffShowsCourtesyKeys(staff)) return;
            n = std::max(n, CTheory::GetKeyAccidentalCount(key->GetKey()) + 1);
        });
    }
    n *= 2;
    const Meter* meter = GetMeter();
    bool meterShown = false;
    if (CLine* line = GetLine())
        for (int k = 0; k < line->GetStaffCount() && !meterShown; ++k) meterShown = StaffShowsCourtesyMeters(line->GetStaff(k));
    if ((meter->GetDisplayFlags() & 0x10) && meterShown) {
        if (n) n += 1;
        n += meter->GetDigitWidth() + 2;
    }
    if (n) n += 2;
    return n * 60;
}
