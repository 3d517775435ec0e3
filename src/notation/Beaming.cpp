// Grouping notes into beams: the meter's windows, the beat and manual groups, building a beam
// record from a group, automatic beaming of a voice and the re-layout of an existing beam.
#include "notation/Beaming.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/TieType.h"
#include "model/Bar.h"
#include "model/BarSpacing.h"
#include "model/BeamingHooks.h"
#include "model/ModelGlobals.h"
#include "model/NoteMark.h"
#include "model/Score.h"
#include "model/TrkBar.h"
#include "notation/Beam.h"
#include "notation/Note.h"
#include "notation/RawNote.h"

BeamContext g_beamContext;
bool g_beamLayoutRunning = false;

namespace {

constexpr int kOpenEnd = 32767;
// Bar flag: the bar is a pickup, its automatic beaming starts at its beginning.
constexpr std::uint8_t kShortBarBit = 0x08;
constexpr int kBarFlags = 12;
// Meter display flags: breaks of the second and of the third beam level.
constexpr std::uint8_t kSecondLevelBreaks = 0x20;
constexpr std::uint8_t kThirdLevelBreaks = 0x40;
constexpr int kSecondGrouping = 24, kThirdGrouping = 25;

CRawHead* Head(CBarItem* item) { return static_cast<CRawHead*>(item); }
bool IsLiveNoteOrRest(CBarItem* item, int voice) {
    return !item->IsRemoved() && item->IsNoteOrRest() && item->VoiceField() == voice;
}
int ScaleByte(CBarItem* item) { return rec::Get<std::uint8_t>(item, 7); }

// Record k of a run (end record excluded), or null.
CBarItem* RunItem(CTrkBar* trkBar, int k) {
    int i = 0;
    for (CBarItem* it = trkBar ? trkBar->GetItems() : nullptr; it && it->TypeCode() != 255; it = it->NextItem(), ++i) {
        if (it->RecordSizeField() < CBarItem::kHeadEnd) return nullptr;
        if (i == k) return it;
    }
    return nullptr;
}

// The rhythmic levels of an item outside any group: a stemless note or an unflagged value has none.
int OwnLevels(CBarItem* item, int strokes) {
    if (strokes > 0) return strokes;
    if (item->IsNote() && static_cast<CRawNote*>(item)->IsStemless()) return 0;
    return Head(item)->GetFlagCount();
}

}  // namespace

// --- saving around nested work -------------------------------------------------------------------

BeamContextSave::BeamContextSave()
    : bar_(g_beamContext.bar), trkBar_(g_beamContext.trkBar), line_(g_beamContext.line),
      beatMode_(g_beamContext.beatMode), track_(g_beamContext.track), strokes_(g_beamContext.tremoloStrokes) {}

BeamContextSave::~BeamContextSave() {
    g_beamContext.bar = bar_;
    g_beamContext.trkBar = trkBar_;
    g_beamContext.line = line_;
    g_beamContext.beatMode = beatMode_;
    g_beamContext.track = track_;
    g_beamContext.tremoloStrokes = strokes_;
    if (trkBar_) trkBar_->SetCurrent();
}

// --- preparing ---------------------------------------------------------------------------------

void BeamContext::Init(CTrkBar* tb, int beat, int strokes) {
    trkBar = tb;
    bar = tb ? tb->GetBar() : nullptr;
    line = bar ? bar->GetLine() : nullptr;
    beatMode = std::uint8_t(beat ? 1 : 0);
    tremoloStrokes = std::clamp(strokes, 0, 4);
    track = tb ? tb->GetTrackIndex() : 0;
    inputCount = 0;
    workCount = 0;
    inputCursor = 0;
    twoLevel = 0;
}

void BeamContext::AddNote(CBarItem* item, CTrkBar* tb) {
    if (inputCount >= kMaxItems) return;
    input[inputCount].item = item;
    input[inputCount].trkBar = tb;
    ++inputCount;
}

void BeamContext::AddItem(CTrkBar* tb, CBarItem* item) {
    if (workCount >= kMaxItems) return;
    workBars[workCount] = tb;
    workItems[workCount] = item;
    ++workCount;
}

CBarItem* BeamContext::GetItem(int i, int* barOut) {
    if (i < 0 || i >= workCount) return nullptr;
    if (barOut) *barOut = workBars[i] ? workBars[i]->GetBarIndex() : 0;
    return workItems[i];
}

int BeamContext::WorkBarNumber(int i) const { return workBars[i] ? workBars[i]->GetBarIndex() : 0; }

int BeamContext::WorkPosition(int i) const {
    const int own = trkBar ? trkBar->GetBarIndex() : 0;
    return workItems[i]->PositionField() + 1024 * (WorkBarNumber(i) - own);
}

// --- windows -------------------------------------------------------------------------------------

void BeamContext::SetWindows(int time) {
    if (!bar) return;
    const Meter* meter = bar->GetMeter();
    const int perBar = meter->GetTicksPerBar();
    const int beats = meter->GetGroupCount();
    beatLength = beats > 0 ? perBar / beats : perBar;
    if (beatLength <= 0) beatLength = 480;
    switch (meter->GetDenominator()) {
    case 16: unit = 120; unitLevels = 2; break;
    case 32: unit = 60; unitLevels = 3; break;
    case 64: unit = 30; unitLevels = 4; break;
    case 128: unit = 15; unitLevels = 5; break;
    default: unit = 240; unitLevels = 1; break;
    }
    groupIndex = 0;
    groupUnits = meter->GetBeamGroup(0);
    if (groupUnits <= 0) groupUnits = std::max(1, beatLength / unit);
    windowStart = 0;
    firstGroupLength = windowEnd = unit * groupUnits;
    while (windowEnd <= time) NextWindow();
    const std::uint8_t display = meter->GetDisplayFlags();
    const auto subWindow = [&](int interval, std::int32_t* outInterval, std::int32_t* outEnd) {
        *outInterval = interval;
        if (interval > 0) *outEnd = windowStart + ((std::max(time, int(windowStart)) - windowStart) / interval + 1) * interval;
        else *outEnd = windowEnd;
    };
    if (display & kSecondLevelBreaks) subWindow(unit * meter->bytes[kSecondGrouping] / 2, &level2Interval, &level2End);
    else level2Interval = firstGroupLength, level2End = windowEnd;
    if (display & kThirdLevelBreaks) subWindow(unit * meter->bytes[kThirdGrouping] / 4, &level3Interval, &level3End);
    else level3Interval = firstGroupLength, level3End = windowEnd;
}

void BeamContext::NextWindow() {
    const Meter* meter = bar ? bar->GetMeter() : nullptr;
    groupIndex = (groupIndex + 1) % 4;
    if (!meter || meter->GetBeamGroup(groupIndex) == 0) groupIndex = 0;
    groupUnits = meter ? meter->GetBeamGroup(groupIndex) : 0;
    // A meter without grouping bytes steps by its beat, so the walk always moves on.
    if (groupUnits <= 0) groupUnits = std::max(1, beatLength / std::max(1, int(unit)));
    windowStart = windowEnd;
    windowEnd = windowEnd + unit * groupUnits;
}

void BeamContext::AdvanceSubWindows(CBarItem* item) {
    if (!bar) return;
    const std::uint8_t display = bar->GetMeter()->GetDisplayFlags();
    const int time = item->TimeField();
    if ((display & kSecondLevelBreaks) && level2Interval > 0)
        while (level2End <= time) level2End += level2Interval;
    if ((display & kThirdLevelBreaks) && level3Interval > 0)
        while (level3End <= time) level3End += level3Interval;
}

// --- levels and sub-groups -------------------------------------------------------------------------

int BeamContext::LevelsOf(int i) {
    if (i < 0 || i >= workCount) return 0;
    if (tremoloStrokes > 0) return tremoloStrokes;
    CBarItem* item = workItems[i];
    if (item->IsRest() && beatMode) return 0;
    int levels = Head(item)->GetFlagCount();
    if (Head(item)->IsGrace()) {
        const int cap = workCount == 1 ? 1 : workCount <= 3 ? 2 : (twoLevel ? 2 : 3);
        levels = std::min(levels, cap);
    }
    if (!beatMode) levels = std::max(levels, 1);
    return levels;
}

void BeamContext::ChooseSubGroups(CBeam* beam) {
    if (workCount <= 0) return;
    double u = 0, sum = 0;
    for (int i = 0; i < workCount; ++i) {
        const double d = Head(workItems[i])->GetDuration();
        if (i == 0 || d < u) u = d;
        sum += d;
    }
    if (u <= 0) return;
    if (workCount * u < sum) u *= 2;
    double length = u;
    CRawHead* first = Head(workItems[0]);
    if (first->IsTupletMember() && first->TupletCount() > 0) length *= first->TupletCount();
    while (length < sum) length *= 2;
    spanLength = int(length);
    auto groups = rec::Get<std::uint8_t>(beam, CBeam::kGroups);
    if (groups == 0) {
        groups = 1;
        if (first->IsTupletMember() && first->TupletCount() < workCount && std::lround(length / u) == 6) {
            const int half = int(length / 2);
            for (int i = 1; i + 1 < workCount && half > 0; ++i) {
                if (workItems[i]->TimeField() % half == 0 &&
                    Head(workItems[i])->NoteValue() == Head(workItems[i + 1])->NoteValue()) {
                    groups = 2;
                    break;
                }
            }
        }
        rec::Put(beam, CBeam::kGroups, groups);
    }
    subGroupLength = int(sum) / std::max<int>(1, groups);
}

// --- grouping --------------------------------------------------------------------------------------

int BeamContext::TakeBeatGroup() {
    workCount = 0;
    int graces = 0;
    int restart = inputCursor, restartCount = 0;
    bool mixed = false, firstOnBeat = false;
    int beatIndex = 0;
    CRawHead* first = nullptr;
    int thirdInput = -1;
    const Meter* meter = bar ? bar->GetMeter() : nullptr;
    const int denominator = meter ? meter->GetDenominator() : 4;
    const int perBeat = meter && meter->GetTicksPerBeat() > 0 ? meter->GetTicksPerBeat() : 480;
    while (inputCursor < inputCount) {
        CBarItem* item = input[inputCursor].item;
        CRawHead* head = Head(item);
        if (head->IsGrace()) {
            ++graces;
            ++inputCursor;
            continue;
        }
        const int levels = item->IsRest() ? 0 : OwnLevels(item, 0);
        if ((item->IsRest() && !head->IsTupletMember()) || (item->IsNote() && levels < 1) ||
            (!item->IsRest() && !item->IsNote())) {
            ++inputCursor;
            break;
        }
        const int time = item->TimeField();
        const double duration = head->GetDuration();
        if (!first) {
            SetWindows(time);
            firstOnBeat = time % perBeat == 0;
            if (firstOnBeat && head->IsTupletMember())
                windowEnd = std::max(time + int(duration), time + int(beatLength));
            beatIndex = beatLength > 0 ? time / beatLength : 0;
            first = head;
            AddItem(input[inputCursor].trkBar, item);
            ++inputCursor;
            restart = inputCursor;
            restartCount = workCount;
            continue;
        }
        if (time >= windowEnd || (tremoloStrokes > 0 && workCount >= 2)) break;
        bool add = false, cut = false;
        if (beatLength > 0 && time / beatLength == beatIndex) {
            AddItem(input[inputCursor].trkBar, item);
            if (workCount == 3) thirdInput = inputCursor;
            ++inputCursor;
            restart = inputCursor;
            restartCount = workCount;
            if (levels != unitLevels) mixed = true;
            continue;
        }
        if (head->IsTupletMember()) {
            const int span = int(head->TupletCount() * duration);
            if (span > 0 && time % span == 0) cut = true;
            else add = true;
        } else if (levels < unitLevels) {
            cut = true;
        } else if (denominator >= 8) {
            add = true;
        } else if (firstOnBeat && std::fabs(duration - first->GetDuration()) < 1e-6 && head->NoteValue() == first->NoteValue() &&
                   !mixed && levels <= 1) {
            add = true;
        } else {
            cut = true;
        }
        if (cut) {
            workCount = restartCount;
            inputCursor = restart;
            break;
        }
        if (add) {
            AddItem(input[inputCursor].trkBar, item);
            if (workCount == 3) thirdInput = inputCursor;
            ++inputCursor;
        }
    }
    if (workCount == 1) {
        workCount = 0;
    } else if (workCount == 3 && graces == 0 && groupUnits == 4 && thirdInput >= 0) {
        bool eighths = true;
        for (int i = 0; i < 3; ++i)
            if (Head(workItems[i])->NoteValue() != 4 || Head(workItems[i])->IsTupletMember()) eighths = false;
        if (eighths) {
            workCount = 2;
            inputCursor = thirdInput;
        }
    }
    return graces;
}

int BeamContext::TakeGroup(bool gracePass) {
    if (beatMode && !gracePass) return TakeBeatGroup();
    workCount = 0;
    int graces = 0;
    bool sawGrace = false;
    while (inputCursor < inputCount) {
        CBarItem* item = input[inputCursor].item;
        const bool grace = Head(item)->IsGrace();
        if (grace) ++graces;
        if (grace == gracePass) {
            if (beatMode && OwnLevels(item, 0) < 1) {
                ++inputCursor;
                break;
            }
            // A tremolo pairs its notes: the third starts the next group.
            if (tremoloStrokes > 0 && workCount >= 2) break;
            AddItem(input[inputCursor].trkBar, item);
            sawGrace = sawGrace || grace;
            ++inputCursor;
        } else {
            ++inputCursor;
            if (gracePass && sawGrace) break;
        }
    }
    return graces;
}

// --- beaming the input ------------------------------------------------------------------------------

bool BeamContext::BeamNotes(bool redraw) {
    if (inputCount == 1 && tremoloStrokes > 0) {
        CBarItem* item = input[0].item;
        if (!item->IsNote() && item->TypeCode() != CRawNote::kType) return true;
        if (input[0].trkBar) input[0].trkBar->SetCurrent();
        auto* note = Head(item);
        for (int i = note->MarkCount() - 1; i >= 0; --i) {
            const int code = note->GetMark(i)->Code();
            if (code >= 31 && code <= 35) {
                if (CRawHead* moved = note->RemoveMark(i)) note = moved;
            }
        }
        std::uint8_t bytes[128] = {};
        auto* mark = reinterpret_cast<NoteMark*>(bytes);
        const int code = 30 + tremoloStrokes;
        mark->Init(code);
        mark->SetCode(std::uint8_t(code));
        mark->SetSize(std::int16_t(NoteMark::ClassSize(code)));
        note->AddMark(*mark);
        return true;
    }
    struct Built {
        std::vector<std::uint8_t> record;
        CTrkBar* trkBar;
    };
    std::vector<Built> built;
    int gracesMet = 0;
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1 && gracesMet == 0) break;
        inputCursor = 0;
        while (inputCursor < inputCount) {
            if (CTrkBar* tb = input[inputCursor].trkBar) {
                trkBar = tb;
                bar = tb->GetBar();
                line = bar ? bar->GetLine() : nullptr;
                tb->SetCurrent();
            }
            const int before = inputCursor;
            const int graces = TakeGroup(pass == 1);
            if (pass == 0) gracesMet += graces;
            if (inputCursor == before) ++inputCursor;  // every step moves on
            // A tremolo joins two notes: a note left over makes no beam.
            if (workCount < (beatMode && pass == 0 ? 2 : 1) || (tremoloStrokes > 0 && workCount < 2)) continue;
            std::vector<std::uint8_t> buffer;
            CTrkBar* owner = trkBar;
            if (Build(&buffer) > 0) {
                const int size = rec::Get<std::int16_t>(buffer.data(), 4);
                buffer.resize(std::size_t(size));
                try {
                    built.push_back({std::move(buffer), owner});
                } catch (const std::bad_alloc&) {
                    return false;
                }
            }
        }
    }
    for (Built& b : built) {
        auto* record = reinterpret_cast<CBarItem*>(b.record.data());
        b.trkBar->SetCurrent();
        CBarItem* at = b.trkBar->InsertSpace(record->TimeField(), int(b.record.size()));
        if (!at) return false;
        std::memcpy(at->Bytes(), b.record.data(), b.record.size());
        if (redraw) at->Invalidate();
    }
    // Each bar is recalculated once all its beams are in: done after the first, the recalculation
    // would take the notes of the beams still to come for unbeamed.
    for (std::size_t i = 0; i < built.size(); ++i) {
        bool seen = false;
        for (std::size_t k = 0; k < i && !seen; ++k) seen = built[k].trkBar == built[i].trkBar;
        if (!seen) built[i].trkBar->Recalc(0);
    }
    if (trkBar) trkBar->SetCurrent();
    return true;
}

int BeamContext::Build(std::vector<std::uint8_t>* buffer) {
    buffer->assign(std::size_t(CBeam::kSegments + BeamSegment::kSize * (kMaxSegments + 1)), 0);
    CBeam* beam = CBeam::Construct(buffer->data());
    beam->SetBeamFlags(std::uint8_t(beam->BeamFlags() & ~CBeam::kGraceBeam));
    beam->SetFlagsB(std::uint8_t(beam->FlagsB() | 0x10));
    // A beam its segment count cannot hold is refused with its items as they were.
    std::vector<std::vector<std::uint8_t>> saved(static_cast<std::size_t>(workCount));
    for (int i = 0; i < workCount; ++i)
        saved[std::size_t(i)].assign(workItems[i]->Bytes(), workItems[i]->Bytes() + workItems[i]->RecordSizeField());
    CBarItem* savedItems[kMaxItems];
    const int savedCount = workCount;
    std::copy(workItems, workItems + workCount, savedItems);
    CRawNote* first = nullptr;
    CRawNote* last = nullptr;
    bool firstWasBeamed = false, lastWasBeamed = false;
    for (int i = 0; i < workCount; ++i) {
        CBarItem* item = workItems[i];
        CRawHead* head = Head(item);
        const bool wasBeamed = head->IsBeamed();
        if (wasBeamed) {
            CTrkBar* tb = workBars[i];
            CBarItem* old = tb ? tb->FindBeamOfNote(item) : nullptr;
            CTrkBar* oldBar = g_model.finderBar;
            head->SetBeamed(0);
            if (old && !(static_cast<CBeam*>(old)->IsTremolo() && oldBar != tb)) {
                BeamContextSave save;
                if (oldBar) oldBar->SetCurrent();
                old->MarkRemoved();
            }
        }
        if (item->IsNote()) {
            if (!first) {
                first = static_cast<CRawNote*>(item);
                firstWasBeamed = wasBeamed;
            }
            last = static_cast<CRawNote*>(item);
            lastWasBeamed = wasBeamed;
        }
        if (head->IsGrace()) beam->SetBeamFlags(std::uint8_t(beam->BeamFlags() | CBeam::kGraceBeam));
        if (!(item->FlagsB() & 0x10)) beam->SetFlagsB(std::uint8_t(beam->FlagsB() & ~0x10));
    }
    if (tremoloStrokes == 0) ChooseSubGroups(beam);
    else rec::Put(beam, CBeam::kGroups, std::uint8_t(0));
    if (first && last && ScaleByte(first) && ScaleByte(last)) rec::Put(beam, 7, std::uint8_t(ScaleByte(first)));
    if (!first || (beatMode && first == last)) {
        beam->SetSize(0);
        return 0;
    }
    // A beat beam runs from its first note to its last: rests before or after them stay out of it,
    // so that no beamed rest lies outside the span that names its beam.
    if (beatMode) {
        int from = 0, to = workCount - 1;
        while (from < to && workItems[from] != first) ++from;
        while (to > from && workItems[to] != last) --to;
        if (from > 0 || to < workCount - 1) {
            for (int i = 0; i <= to - from; ++i) {
                workItems[i] = workItems[from + i];
                workBars[i] = workBars[from + i];
            }
            workCount = to - from + 1;
        }
    }
    // The span, before the heights: the slope reads the end positions.
    const int own = trkBar ? trkBar->GetBarIndex() : 0;
    if (!beatMode) {
        beam->SetTimeField(workItems[0]->TimeField());
        rec::Put(beam, CBeam::kStartPosition, workItems[0]->PositionField());
        rec::Put(beam, CBeam::kEndPosition, workItems[workCount - 1]->PositionField());
        rec::Put(beam, CBeam::kBarSpan, std::uint8_t(std::clamp(WorkBarNumber(workCount - 1) - WorkBarNumber(0), 0, 255)));
        (void)own;
    } else {
        beam->SetTimeField(first->TimeField());
        rec::Put(beam, CBeam::kStartPosition, first->PositionField());
        rec::Put(beam, CBeam::kEndPosition, last->PositionField());
        rec::Put(beam, CBeam::kBarSpan, std::uint8_t(0));
    }
    beam->SetPositionField(beam->StartPositionField());
    if (beam->IsGraceBeam()) rec::Put(beam, 7, std::uint8_t(ScaleByte(first)));
    beam->SetVoice(first->VoiceField());
    beam->SetFlagsB(std::uint8_t((beam->FlagsB() & 0x1F) | (first->VoiceField() << CBarItem::kVoiceShift)));
    if (tremoloStrokes > 0) beam->SetBeamFlags(std::uint8_t(beam->BeamFlags() | CBeam::kTremolo));
    SetStemsAndSlope(beam, first, last, !firstWasBeamed && !lastWasBeamed);
    if (first->NoteValue() < 2) beam->SetBeamFlags(std::uint8_t(beam->BeamFlags() | CBeam::kLongTremolo));
    beam->SetTwoLevelFlag(twoLevel != 0);
    const int n = Layout(beam);
    if (n == kTooManySegments)
        for (int i = 0; i < savedCount; ++i)
            std::memcpy(savedItems[i]->Bytes(), saved[std::size_t(i)].data(), saved[std::size_t(i)].size());
    if (n <= 0) {
        beam->SetSize(0);
        return n;
    }
    if (tremoloStrokes > 0) {
        const int s = tremoloStrokes;
        if (first->HeadCountField() == last->HeadCountField()) {
            rec::Put(beam, CBeam::kTremoloStrokes, std::uint8_t(s));
            last->SetFlag8Bit1(true);
        }
        const int code = first->NoteValue();
        const bool fullFirst = !(code < 2 || code == 3);
        if (fullFirst) beam->SetOffsetsByte(std::uint8_t(beam->OffsetsByte() | CBeam::kFullFirstSegments));
        const int firstStroke = std::max(1, code - 3);
        int firstK = -1;
        for (int k = 0; k < n; ++k) {
            if (fullFirst && k < firstStroke) continue;
            if (firstK < 0) firstK = k;
            BeamSegment seg = beam->Segment(k);
            int startInset = 120, endInset = -120;
            if (code < 2) {
                startInset += 120;
                endInset -= 120;
                if (!first->IsStemUp()) startInset += 120;
                if (last->IsStemUp()) endInset -= 120;
            }
            seg.SetWord(BeamSegment::kStartInset, std::int16_t(startInset));
            seg.SetWord(BeamSegment::kEndInset, std::int16_t(endInset));
        }
        rec::Put(beam, CBeam::kGroups, std::uint8_t(std::max(firstK, 0)));
    }
    return n;
}

// --- re-laying out a beam ------------------------------------------------------------------------------

int BeamContext::CollectBeamItems(CBeam* beam) {
    workCount = 0;
    CScore* score = g_model.currentScore;
    if (!trkBar) return 0;
    const int own = trkBar->GetBarIndex();
    const int bars = score ? score->GetBarCount() : own + 1;
    const bool beatBeam = beatMode != 0;
    bool ended = false;
    for (int k = 0; k <= beam->BarSpanField() && own + k < bars; ++k) {
        CTrkBar* tb = k == 0 ? trkBar : (score ? score->GetTrkBar(trkBar->GetTrackIndex(), own + k) : nullptr);
        if (!tb) break;
        for (CBarItem* it = tb->GetItems(); it && it->TypeCode() != 255; it = it->NextItem()) {
            if (it->RecordSizeField() < CBarItem::kHeadEnd) break;
            if (!beam->Covers(it, k)) continue;
            CRawHead* head = Head(it);
            if (ended) {
                head->SetBeamed(0);
                continue;
            }
            if (it->IsRest()) {
                if (!beatBeam || head->IsTupletMember()) {
                    beatMode = 0;
                    AddItem(tb, it);
                } else {
                    head->SetBeamed(0);
                }
                continue;
            }
            if (static_cast<CRawNote*>(it)->IsStemless()) {
                head->SetBeamed(0);
                continue;
            }
            if (beatBeam && head->NoteValue() < 4) {
                head->SetBeamed(0);
                ended = true;
                continue;
            }
            if (workCount >= kMaxItems) {
                head->SetBeamed(0);
                continue;
            }
            AddItem(tb, it);
        }
    }
    return workCount;
}

CBarItem* BeamContext::MakeBeam(CBarItem* item, int mode) {
    if (!item || !item->IsBeam() || item->RecordSizeField() < CBeam::kSize) return item;
    auto* beam = static_cast<CBeam*>(item);
    if (trkBar) trkBar->SetCurrent();
    beatMode = std::uint8_t(beam->BeamFlags() & CBeam::kBeatBeam);
    twoLevel = beam->GetTwoLevelFlag() ? 1 : 0;
    tremoloStrokes = beam->IsTremolo() ? std::clamp<int>(beam->GetTremoloStrokes(), 0, 4) : 0;
    CollectBeamItems(beam);
    for (int i = 0; i < workCount; ++i) {
        CRawHead* head = Head(workItems[i]);
        if (workItems[i]->IsNote() && head->TupletCount() > 0 && head->TupletSpace() > 0)
            head->SetFlagBit(CRawHead::kTupletBit, true);
    }
    CRawNote* first = nullptr;
    CRawNote* last = nullptr;
    for (int i = 0; i < workCount; ++i) {
        if (!workItems[i]->IsNote()) continue;
        if (!first) first = static_cast<CRawNote*>(workItems[i]);
        last = static_cast<CRawNote*>(workItems[i]);
    }
    const bool sameSpot = workCount > 0 && WorkBarNumber(0) == WorkBarNumber(workCount - 1) &&
                          workItems[0]->PositionField() == workItems[workCount - 1]->PositionField();
    if (workCount == 0 || (beatMode && workCount < 2) || sameSpot || !first) {
        for (int i = 0; i < workCount; ++i) Head(workItems[i])->SetBeamed(0);
        beam->MarkRemoved();
        twoLevel = 0;
        return beam;
    }
    beam->SetFlagsA(std::uint8_t(beam->FlagsA() & ~CBarItem::kRelayoutBit));
    // The record is laid out in a scratch copy with room for every segment its count can hold.
    std::vector<std::uint8_t> scratch(std::size_t(CBeam::kSegments + BeamSegment::kSize * (kMaxSegments + 1)), 0);
    const int oldSize = beam->RecordSizeField();
    std::memcpy(scratch.data(), beam->Bytes(), std::size_t(std::min<int>(oldSize, int(scratch.size()))));
    auto* copy = reinterpret_cast<CBeam*>(scratch.data());
    copy->SetTimeField(workItems[0]->TimeField());
    rec::Put(copy, CBeam::kStartPosition, workItems[0]->PositionField());
    copy->SetPositionField(workItems[0]->PositionField());
    rec::Put(copy, int(CBeam::kSegments) + int(BeamSegment::kStartBar), std::uint8_t(0));
    const auto stemSideOffset = [](CBarItem* it) {
        if (!it->IsNote()) return 0;
        auto* note = static_cast<CRawNote*>(it);
        const int n = std::max(1, note->HeadCountField());
        return note->GetCrossStaffOffset(note->IsStemUp() ? n - 1 : 0);
    };
    copy->SetStartStaffOffset(stemSideOffset(workItems[0]));
    rec::Put(copy, CBeam::kEndPosition, workItems[workCount - 1]->PositionField());
    const int span = std::clamp(WorkBarNumber(workCount - 1) - WorkBarNumber(0), 0, 255);
    rec::Put(copy, CBeam::kBarSpan, std::uint8_t(span));
    copy->SetEndStaffOffset(stemSideOffset(workItems[workCount - 1]));
    if (span > 0) Head(workItems[workCount - 1])->SetFlagBit(CRawHead::kContinuesBeamBit, true);
    if ((mode & 1) != 0) SetStemsAndSlope(copy, first, last, true);
    const int n = Layout(copy);
    if (n == kTooManySegments) {
        twoLevel = 0;
        return beam;
    }
    const int newSize = copy->RecordSizeField();
    CBarItem* target = beam;
    if (newSize != oldSize) {
        CTrkBar* owner = trkBar;
        if (owner) owner->SetCurrent();
        target = owner ? owner->ResizeItem(beam, newSize - oldSize) : nullptr;
        if (!target) {
            twoLevel = 0;
            return beam;
        }
    }
    std::memcpy(target->Bytes(), scratch.data(), std::size_t(newSize));
    twoLevel = 0;
    return target;
}

// --- automatic beaming -----------------------------------------------------------------------------

void BeamContext::AutoBeam(int trackNumber, int voice, int from, int to) {
    track = trackNumber;
    if (!trkBar || !bar) return;
    if (rec::Get<std::uint8_t>(bar, kBarFlags) & kShortBarBit) from = 0;
    SetWindows(from);
    const int fgl = firstGroupLength > 0 ? firstGroupLength : 1;
    SetWindows(from - from % fgl);
    int start = windowStart;
    trkBar->SetCurrent();
    const bool open = to >= kOpenEnd;
    const auto inRange = [&](int time) { return time >= start && (open || time <= to); };

    // Where the walk starts: a run of notes whose levels are not the unit's moves on by beats.
    {
        CRawHead* first = nullptr;
        for (CBarItem* it = trkBar->GetItems(); it && it->TypeCode() != 255; it = it->NextItem()) {
            if (it->RecordSizeField() < CBarItem::kHeadEnd) break;
            if (!IsLiveNoteOrRest(it, voice)) continue;
            const int time = it->TimeField();
            if (!first) {
                if (!inRange(time)) continue;
                first = Head(it);
            }
            if (time >= windowEnd) break;
            if (!it->IsNote()) continue;
            CRawHead* head = Head(it);
            const int d = int(head->GetDuration());
            const bool opensTuplet = head->IsTupletMember() && head->TupletCount() * d > 0 && time % (head->TupletCount() * d) == 0;
            if (time == from && opensTuplet) {
                start = from;
                continue;
            }
            const bool sameTuplet = first->IsTupletMember() && head->IsTupletMember() &&
                                    head->TupletCount() == first->TupletCount() &&
                                    time - first->TimeField() < int(first->TupletCount() * first->GetDuration());
            if (OwnLevels(it, 0) != unitLevels && start + beatLength <= from && !sameTuplet) start += beatLength;
        }
    }

    // Beams in the range are dissolved; beams reaching into it are re-laid out without its notes.
    bool sawUnbeamed = false;
    for (int k = 0;; ++k) {
        CBarItem* it = RunItem(trkBar, k);
        if (!it) break;
        if (it->IsRemoved() || it->VoiceField() != voice || !inRange(it->TimeField())) continue;
        if (it->IsBeam()) {
            auto* beam = static_cast<CBeam*>(it);
            if (!open) {
                const int end = beam->BarSpanField() > 0 ? 1024 : beam->EndPositionField();
                for (CBarItem* n = trkBar->GetItems(); n && n->TypeCode() != 255; n = n->NextItem()) {
                    if (n->RecordSizeField() < CBarItem::kHeadEnd) break;
                    if (IsLiveNoteOrRest(n, voice) && n->PositionField() >= end) {
                        to = std::max<int>(to, n->TimeField());
                        break;
                    }
                }
            }
            it->MarkRemoved();
            trkBar->SetCurrent();
            continue;
        }
        if (!it->IsNoteOrRest()) continue;
        CRawHead* head = Head(it);
        if (head->ContinuesBeam()) {
            if (!sawUnbeamed) continue;
            CBarItem* beam = trkBar->FindBeamOfNote(it);
            CTrkBar* beamBar = g_model.finderBar;
            head->SetFlagBit(CRawHead::kContinuesBeamBit, false);
            if (beam && beamBar) {
                BeamContextSave save;
                rec::Put(beam, CBeam::kBarSpan, std::uint8_t(0));
                rec::Put(beam, CBeam::kEndPosition, std::int16_t(1024));
                Init(beamBar, beatMode, 0);
                MakeBeam(beam, 0);
            }
            continue;
        }
        if (head->IsBeamed()) {
            CBarItem* beam = trkBar->FindBeamOfNote(it);
            CTrkBar* beamBar = g_model.finderBar;
            if (beam) {
                head->SetBeamed(0);
                BeamContextSave save;
                Init(beamBar ? beamBar : trkBar, beatMode, 0);
                MakeBeam(beam, 3);
            }
            continue;
        }
        sawUnbeamed = true;
    }

    // Everything of the voice in the range is beamed afresh.
    trkBar->SetCurrent();
    inputCount = 0;
    inputCursor = 0;
    bool tupletMarked = false;
    for (CBarItem* it = trkBar->GetItems(); it && it->TypeCode() != 255; it = it->NextItem()) {
        if (it->RecordSizeField() < CBarItem::kHeadEnd) break;
        if (IsLiveNoteOrRest(it, voice) && inRange(it->TimeField())) AddNote(it, trkBar);
    }
    for (int i = 0; i < inputCount; ++i) {
        CRawHead* head = Head(input[i].item);
        if (head->IsTupletMember() && head->NoteValue() > 3) {
            CBarItem* tuplet = nullptr;
            for (CBarItem* t = trkBar->GetItems(); t && t->TypeCode() != 255; t = t->NextItem()) {
                if (t->RecordSizeField() < CBarItem::kHeadEnd) break;
                if (!t->IsRemoved() && t->TypeCode() == CTieType::kTupletType && t->VoiceField() == voice &&
                    t->TimeField() <= head->TimeField())
                    tuplet = t;
            }
            if (tuplet) {
                tuplet->SetFlagsA(std::uint8_t(tuplet->FlagsA() | CBarItem::kRelayoutBit));
                tupletMarked = true;
            }
        }
        head->SetBeamed(0);
    }
    if (inputCount > 1) BeamNotes(false);
    if (tupletMarked) trkBar->Recalc(0);
}

// --- the model's hooks ----------------------------------------------------------------------------------

void RegisterBeaming() {
    g_beamingHooks.init = [](CTrkBar* tb, int beat, int strokes) { g_beamContext.Init(tb, beat, strokes); };
    g_beamingHooks.autoBeam = [](int t, int voice, int from, int to) { g_beamContext.AutoBeam(t, voice, from, to); };
    g_beamingHooks.makeBeam = [](CBarItem* beam, int mode) { return g_beamContext.MakeBeam(beam, mode); };
}
