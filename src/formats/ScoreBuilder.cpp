#include "formats/ScoreBuilder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/CodePage.h"
#include "model/Bar.h"
#include "model/BarNumber.h"
#include "model/Clef.h"
#include "model/ItemFactory.h"
#include "model/Meter.h"
#include "model/Preferences.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/PlaybackMarks.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreLocation.h"
#include "model/ScoreStructure.h"
#include "model/Symbol.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Tempo.h"
#include "model/Text.h"
#include "model/Lyric.h"
#include "model/TieType.h"
#include "model/Titles.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "notation/Beam.h"
#include "notation/Beaming.h"
#include "notation/Note.h"
#include "notation/Rest.h"
#include "platform/Devices.h"
#include "platform/DrawGlobals.h"
#include "platform/Handles.h"
#include "platform/Theory.h"

namespace formats {
namespace {

constexpr int kBrace = 1;
constexpr int kNoBracket = 127;
constexpr int kRestButtonBase = 11;
constexpr int kLineMask = 1984;

bool Live(const CBarItem* item) { return !item->IsRemoved(); }

bool IsGraceItem(const CBarItem* item) {
    return item->IsNoteOrRest() && (static_cast<const CRawHead*>(item)->Flags() & CRawHead::kGraceBit) != 0;
}

// The offset of a record in its bar's run, and back: records move whenever the run grows.
std::ptrdiff_t OffsetIn(CTrkBar* tb, const CBarItem* item) {
    return reinterpret_cast<const std::uint8_t*>(item) - reinterpret_cast<const std::uint8_t*>(tb->GetItems());
}
CBarItem* AtOffset(CTrkBar* tb, std::ptrdiff_t at) {
    return reinterpret_cast<CBarItem*>(reinterpret_cast<std::uint8_t*>(tb->GetItems()) + at);
}

// The staff a note (its first head) or rest stands on, counted from its own track's.
int StaffOffsetOf(CBarItem* item) {
    if (item->IsRest()) return static_cast<CRest*>(item)->StaffOffsetField();
    auto* note = static_cast<CRawNote*>(item);
    return note->HeadCountField() > 0 ? note->Head(0)->CrossStaffOffset() : 0;
}

// The first head of a note with the pitch (the first head when none has it).
int HeadOfPitch(CRawNote* note, int pitch) {
    for (int k = 0; k < note->HeadCountField(); ++k)
        if (note->Head(k)->Pitch() == pitch) return k;
    return 0;
}

}  // namespace

ScoreBuilder::ScoreBuilder(CZelDoc& doc) : doc_(doc), score_(doc.GetScore()) {}

CTrkBar* ScoreBuilder::TrkBar(int track, int bar) {
    if (track < 0 || track >= score_->GetTrackCount() || bar < 0 || bar >= score_->GetBarCount()) return nullptr;
    CTrkBar* tb = score_->GetTrkBar(track, bar);
    if (tb) tb->SetCurrent();
    return tb;
}

// --- the empty score ------------------------------------------------------------------------------

bool ScoreBuilder::Build(const ScoreSetup& setup) {
    CScore& s = *score_;
    if (s.GetBarCount() != 0 || setup.staves.empty() || setup.bars.empty()) return false;
    const int tracks = std::min<int>(int(setup.staves.size()), CScore::kMaxTracks);
    const int bars = int(setup.bars.size());
    // Systems and pages: the setup's breaks, else the document's counts.
    std::vector<int> systemStarts{0};
    std::vector<int> pageStarts{0};
    if (setup.systemBreaks.empty() && setup.pageBreaks.empty()) {
        const int perSystem = std::max(1, doc_.GetBarsPerSystem());
        for (int b = perSystem; b < bars; b += perSystem) systemStarts.push_back(b);
        const int perPage = std::max(1, std::min(std::max(1, 12 / tracks), std::max(1, doc_.GetSystemsPerPage())));
        for (int k = perPage; k < int(systemStarts.size()); k += perPage) pageStarts.push_back(k);
    } else {
        for (int b : setup.systemBreaks)
            if (b > systemStarts.back() && b < bars) systemStarts.push_back(b);
        for (int k : setup.pageBreaks)
            if (k > pageStarts.back() && k < int(systemStarts.size())) pageStarts.push_back(k);
    }
    const int systems = int(systemStarts.size());
    const int pages = int(pageStarts.size());
    if (!s.GetTrackArray()->SetSize(tracks) || !s.GetBarArray()->SetSize(bars) || !s.GetLineArray()->SetSize(systems) ||
        !s.GetPageArray()->SetSize(pages))
        return false;
    s.barCount = std::int16_t(bars);
    s.trackCount = std::int16_t(tracks);
    s.lineCount = std::int16_t(systems);
    s.pageCount = std::int16_t(pages);
    s.singleTrack = tracks == 1 ? 1 : 0;

    for (int t = 0; t < tracks; ++t) {
        const StaffSetup& staff = setup.staves[std::size_t(t)];
        CTrack* track = s.GetTrack(t);
        const int clef = std::clamp(staff.clef, 0, CTheory::kClefCount - 1);
        track->Init(0, clef, kLineMask);
        track->SetClef(clef);
        track->SetTransposedClef(clef);
        rec::Put<std::uint8_t>(track, CTrack::kStaffSize, 100);
        track->SetName(staff.name.c_str());
        track->SetAbbreviation(staff.abbreviation.c_str());
        std::uint8_t flags = track->GetTrackFlags();
        flags = std::uint8_t(staff.showName ? flags | 0x01 : flags & ~0x01);
        flags = std::uint8_t(!staff.abbreviation.empty() ? flags | 0x02 : flags & ~0x02);
        track->SetTrackFlags(flags);
        // The preferences' default output port (else the first of the list), as a new score's.
        if (CDevices* ports = GetMidiOutPorts()) {
            int port = g_preferences.Word(Preferences::kDefaultDevice);
            if (!ports->IsPortAvailable(port)) port = ports->GetIdAt(0);
            if (port >= 0 && ports->IsPortAvailable(port)) track->SetDevice(port);
        }
        track->SetVoiceChannel(-1, std::clamp(staff.channel, 0, 15));
        track->SetVoiceProgram(-1, std::clamp(staff.program, 0, 127), false);
        for (int b = 0; b < bars; ++b)
            if (!s.InsertTrkBar(t, b)) return false;
    }
    for (int p = 0; p < pages; ++p) {
        CPage* page = s.GetPage(p);
        page->Init(&s);
        page->SetIndex(p);
        page->SetFirstSystem(pageStarts[std::size_t(p)]);
        const int next = p + 1 < pages ? pageStarts[std::size_t(p) + 1] : systems;
        page->SetSystemCount(next - pageStarts[std::size_t(p)]);
    }
    auto pageOf = [&](int system) {
        int p = 0;
        while (p + 1 < pages && pageStarts[std::size_t(p) + 1] <= system) ++p;
        return p;
    };
    int system = 0;
    for (int b = 0; b < bars; ++b) {
        while (system + 1 < systems && systemStarts[std::size_t(system) + 1] <= b) ++system;
        CBar* bar = s.GetBar(b);
        if (!bar->GetItemArray() && !bar->SetDefaults()) return false;
        bar->SetLine(&s, system);
        const BarSetup& setupBar = setup.bars[std::size_t(b)];
        Meter* m = bar->GetMeter();
        m->SetNumerator(std::uint8_t(setupBar.numerator));
        m->SetDenominator(std::uint8_t(setupBar.denominator));
        std::uint8_t kind = std::uint8_t(m->GetKindFlags() & ~(Meter::kCommonTime | Meter::kCutTime));
        if (setupBar.common) kind |= Meter::kCommonTime;
        if (setupBar.cut) kind |= Meter::kCutTime;
        m->SetKindFlags(kind);
        const std::uint8_t display = m->GetDisplayFlags();
        m->SetDisplayFlags(b == 0 || setupBar.meterShown ? std::uint8_t(display | Meter::kShown)
                                                          : std::uint8_t(display & ~Meter::kShown));
        m->SetGroupCount(0);
        m->SetDefaultBeamGroups();
        m->Update();
        bar->SetBarFlag(CBar::kShortBarBit, setupBar.pickup);
    }
    for (int i = 0; i < systems; ++i) {
        CLine* line = s.GetLine(i);
        const int page = pageOf(i);
        line->Init(s.GetPage(page));
        if (!line->GetStaffArray()) return false;
        const int first = systemStarts[std::size_t(i)];
        const int next = i + 1 < systems ? systemStarts[std::size_t(i) + 1] : bars;
        line->SetIndex(i);
        line->SetBarCount(next - first);
        layout::SetWantedBars(line, next - first);
        line->SetFirstBarIndex(first);
        line->SetFirstBar(&s, first);
        line->SetPageIndex(page);
        line->SetPage(&s, page);
        line->SetLeftIndent(i == 0 ? setup.leftIndent : 0);
        for (int t = 0; t < tracks; ++t) {
            if (!line->InsertStaff(t)) return false;
            CStaff* staff = line->GetStaff(t);
            CTrack* track = s.GetTrack(t);
            staff->SetClef(track->GetShownClef());
            staff->SetScale(rec::Get<std::uint8_t>(track, CTrack::kStaffSize));
            staff->SetShown(true);
        }
    }
    s.Reindex();
    if (!s.ReflowFromPage(0)) return false;
    s.Reindex();
    // The first bar carries the score's bar numbering, hidden at the start of the score.
    std::uint8_t buffer[CBarNumber::kSize] = {};
    CBarNumber* number = CBarNumber::Construct(buffer);
    if (!number) return false;
    number->SetFlagsB(std::uint8_t(number->FlagsB() | CBarItem::kHiddenBit));
    if (!s.GetBar(0)->ReplaceBarNumberItem(number)) return false;
    s.Reindex();
    if (setup.staffSpacing > 0)
        if (CLine* first = s.GetLine(0))
            for (int t = 1; t < tracks; ++t) first->SetStaffSpacing(t, setup.staffSpacing);
    return true;
}

void ScoreBuilder::SetTitleLine(int block, int line, const std::string& text) {
    if (block < 0 || block >= TitleBlock::kBlocks || line < 0 || line >= TitleBlock::kLines) return;
    fw::CopyText(doc_.titles[block].lines[line].text, TitleLine::kTextSize, text);
}

void ScoreBuilder::PutKey(int track, int bar, int key) {
    CTrack* t = score_->GetTrack(track);
    CTrkBar* tb = TrkBar(track, bar);
    if (!t || !tb || !t->IsStandardStaff()) return;
    if (!tb->InsertKeySig(0, bar, std::clamp(key, 0, 14), 0, false, 0, false, 0, 0)) ThrowOutOfMemory();
}

void ScoreBuilder::PutBracket(int kind, int first, int last, bool replace) {
    if (first < 0 || last < first || last >= score_->GetTrackCount()) return;
    for (int k = 0; k < score_->GetLineCount(); ++k) {
        CLine* line = score_->GetLine(k);
        if (!line) continue;
        if (replace) line->SetBracket(kNoBracket, first, last, false);
        line->SetBracket(kind, first, last, false);
    }
}

// --- notes and rests ----------------------------------------------------------------------------

CBarItem* ScoreBuilder::PutNote(int track, int bar, const NotePlan& plan, bool chord) {
    CTrkBar* tb = TrkBar(track, bar);
    CBar* b = score_->GetBar(bar);
    if (!tb || !b) return nullptr;
    const int voice = std::clamp(plan.voice, 0, 7);
    const int value = std::clamp(plan.value, 0, 8);
    const int time = std::clamp(plan.time, 0, 32767);
    ScoreLocation at;
    at.track = score_->GetTrack(track);
    at.trackIndex = track;
    at.barIndex = std::int16_t(bar);
    at.voice = std::uint16_t(voice);
    at.time = time;
    at.position = std::int16_t(std::clamp<int>(b->TickToFraction(time, false), 0, 1023));
    at.dots = std::int16_t(std::clamp(plan.dots, 0, 3));
    at.tupletCount = std::int16_t(std::clamp(plan.tupletActual, 0, 255));
    at.tupletSpace = std::int16_t(std::clamp(plan.tupletNormal, 0, 255));
    if (plan.rest) {
        alignas(8) std::uint8_t bytes[64] = {};
        CRest* rest = CRest::Construct(bytes);
        at.noteValueIndex = std::int16_t(kRestButtonBase + value);
        at.placementFlag = 1;
        at.staffPosition = 0;
        rest->PlaceAt(at);
        rest->SetFlagsB(std::uint8_t(rest->FlagsB() & ~CBarItem::kScratchBit));
        rest->SetFlagBit(CRawHead::kGraceBit, plan.grace);
        rest->SetStartStaffOffset(plan.crossStaff);
        if (plan.cue) rest->CBaseItem::SetScale(75);
        return tb->InsertCopy(rest);
    }
    at.staffPosition = std::clamp(plan.staffPos, -128, 127);
    at.pitch = std::int16_t(std::clamp(plan.pitch, 0, 127));
    at.accidental = std::int16_t(std::clamp(plan.accidental, 0, 5));
    at.noteValue = std::int16_t(value);
    at.smallNote = plan.grace ? 1 : 0;
    at.velocity = std::uint8_t(std::clamp(plan.velocity, 1, 127));
    at.release = 0;
    at.playDuration = std::uint16_t(std::clamp(plan.duration, 1, 32767));
    at.stemDirection = plan.stem == 1 ? 1 : plan.stem == 2 ? 2 : 0;
    alignas(8) std::uint8_t bytes[64] = {};
    CNote* note = CNote::Construct(bytes);
    note->PlaceAt(at);
    NoteHead* head = note->Head(0);
    head->SetCrossStaffOffset(std::clamp(plan.crossStaff, 0, 3));
    head->SetBits(NoteHead::kAccByte, NoteHead::kAccShown, plan.accidentalShown);
    head->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, plan.tieStart);
    head->SetBits(NoteHead::kLinkByte, NoteHead::kTieEnd, plan.tieEnd);
    head->SetStartOffset(std::int16_t(plan.grace ? -std::clamp(plan.duration, 1, 32767) : 0));
    if (plan.grace || plan.cue) note->CBaseItem::SetScale(plan.cue ? 75 : 60);
    if (chord) {
        // One more head of the note of the voice and grace kind at the time.
        CBarItem* found = nullptr;
        trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
            if (found || !item->IsNote() || item->VoiceField() != voice || item->TimeField() != time) return;
            if (IsGraceItem(item) != plan.grace) return;
            found = item;
        });
        if (found) {
            auto* target = static_cast<CNote*>(found);
            for (int k = 0; k < target->HeadCountField(); ++k)
                if (target->Head(k)->Pitch() == head->Pitch()) return found;  // the same head twice
            CBarItem* grown = tb->ResizeNote(found, head, 1);
            if (grown) static_cast<CNote*>(grown)->LayoutChord();
            return grown;
        }
    }
    return tb->InsertCopy(note);
}

CBarItem* ScoreBuilder::PutMark(CBarItem* item, int track, int bar, int code, int placement) {
    if (!item || !item->IsNoteOrRest() || code <= 0) return item;
    CTrkBar* tb = TrkBar(track, bar);
    if (!tb) return item;
    auto* note = static_cast<CRawHead*>(item);
    if (note->MarkCount() >= CRawHead::kMaxMarks) return item;
    alignas(8) std::uint8_t bytes[128] = {};
    auto* mark = reinterpret_cast<NoteMark*>(bytes);
    note->InitMark(mark, code, 0, false);
    mark->SetCode(std::uint8_t(code));
    mark->SetSize(std::int16_t(NoteMark::ClassSize(code)));
    // The side: the mark's own rule, or the one the file asks for (bit 2 of the flags turns it).
    const bool up = item->IsNote() && static_cast<CRawNote*>(item)->IsStemUp();
    const int rule = mark->GetPlacementKind();
    const bool naturalAbove = rule == 1 ? up : rule == 0 ? !up : rule == 2;
    std::uint8_t flags = std::uint8_t(mark->Flags() & ~0x04);
    if (placement != 0 && (placement > 0) != naturalAbove) flags |= 0x04;
    mark->SetFlags(flags);
    CRawHead* grown = note->AddMark(*mark);
    return grown ? grown : item;
}

bool ScoreBuilder::PutClef(int track, int bar, int time, int clef) {
    CTrkBar* tb = TrkBar(track, bar);
    if (!tb) return true;
    alignas(8) std::uint8_t bytes[CClef::kSize] = {};
    CClef* c = CClef::Construct(bytes);
    CBar* b = score_->GetBar(bar);
    c->InitNew(0, time, std::clamp<int>(b->TickToFraction(time, false), 0, 1023));
    c->SetCode(clef);
    c->SetClefStaffPos(CTheory::GetClefSymbolPos(clef));
    c->CBaseItem::SetScale(75);
    c->SetXOffset((time == 0 ? -210 : 0) + (clef == 1 ? -60 : 0));
    return tb->InsertCopy(c) != nullptr;
}

// --- two-ended items ----------------------------------------------------------------------------

CBarItem* ScoreBuilder::FindNote(const NoteKey& key, bool notesOnly) {
    CTrkBar* tb = TrkBar(key.track, key.bar);
    if (!tb) return nullptr;
    CBarItem* found = nullptr;
    trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
        if (found || item->VoiceField() != key.voice || item->TimeField() != key.time) return;
        if (!(notesOnly ? item->IsNote() : item->IsNoteOrRest()) || IsGraceItem(item) != key.grace) return;
        found = item;
    });
    return found;
}

bool ScoreBuilder::PutTie(const NoteKey& from, int pitch, const NoteKey& to, int direction) {
    CBarItem* end = FindNote(to, true);
    if (!end || (to.bar != from.bar && to.bar != from.bar + 1) || to.track != from.track) return true;
    const int endPosition = end->PositionField();
    CBarItem* start = FindNote(from, true);
    if (!start) return true;
    CTrkBar* tb = TrkBar(from.track, from.bar);
    auto* note = static_cast<CRawNote*>(start);
    const int head = HeadOfPitch(note, pitch);
    // The tie of that head alone, by the tie's own rules; the head's selected bit picks it.
    for (int k = 0; k < note->HeadCountField(); ++k) note->Head(k)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, k == head);
    VoiceStats stats;
    const int voices = tb->GetVoiceStats(&stats, false);
    HandleBuffer ties;
    ties.Init();
    struct Free {
        HandleBuffer& b;
        ~Free() { b.Free(); }
    } freeTies{ties};
    const bool otherBar = to.bar != from.bar;
    if (!CTie::BuildForNote(start, otherBar ? 0 : end->TimeField(), endPosition, voices, &ties, true)) return false;
    note->Head(head)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, false);
    if (ties.GetSize() == 0) return true;
    auto* tie = static_cast<CTie*>(static_cast<CBarItem*>(ties.GetData()));
    if (direction != 0) tie->SetAbove(direction > 0);
    note->Head(head)->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, true);
    const int endHead = HeadOfPitch(static_cast<CRawNote*>(end), pitch);
    static_cast<CRawNote*>(end)->Head(endHead)->SetBits(NoteHead::kLinkByte, NoteHead::kTieEnd, true);
    return tb->InsertBuffer(start->TimeField(), ties) != nullptr;
}

bool ScoreBuilder::PutSlur(const NoteKey& from, const NoteKey& to, bool above) {
    if (to.track != from.track || to.bar < from.bar) return true;
    CBarItem* end = FindNote(to, false);
    if (!end) return true;
    const int endPosition = end->PositionField();
    const int endY = end->GetFirstHeadStaffPos();
    const int endStaff = StaffOffsetOf(end);
    CBarItem* start = FindNote(from, false);
    if (!start || start == end) return true;
    CTrkBar* tb = TrkBar(from.track, from.bar);
    alignas(8) std::uint8_t bytes[CSlur::kSize] = {};
    rec::Put<std::int16_t>(bytes, rec::kSize, std::int16_t(CSlur::kSize));
    auto* slur = static_cast<CSlur*>(ConstructItem(CSlur::kType, bytes));
    if (!slur) return true;
    slur->InitNew(from.voice, start->TimeField(), start->PositionField());
    slur->SetStartStaffOffset(StaffOffsetOf(start));
    slur->SetEndStaffOffset(endStaff);
    slur->SetStartY(start->GetFirstHeadStaffPos());
    slur->SetEndY(endY);
    slur->SetEndBarOffset(to.bar - from.bar);
    slur->SetEndPositionField(endPosition);
    if (start->IsNote()) slur->SetPitch(static_cast<CRawNote*>(start)->Head(0)->Pitch());
    slur->SetAboveBit(above);
    slur->PutWord(CSlur::kControl1X, 128);
    slur->PutWord(CSlur::kControl2X, 896);
    slur->PutWord(CSlur::kControl1Y, above ? -120 : 120);
    slur->PutWord(CSlur::kControl2Y, above ? -120 : 120);
    slur->SetStartDx(120);
    slur->SetEndDx(-30);
    slur->PutWord(CSlur::kPercent, 100);
    CBarItem* placed = tb->InsertCopy(slur);
    if (!placed) return false;
    // Its notes know it, and its curve follows them.
    tb->AttachLineEnds();
    tb->SetCurrent();
    if (CBarItem* again = tb->GetItems()) {
        for (CBarItem* item = again; item && item->TypeCode() != 255; item = item->NextItem())
            if (item == placed) {
                item->Flip(1);
                break;
            }
    }
    return true;
}

bool ScoreBuilder::PutTuplet(const NoteKey& from, const NoteKey& to, int actual, int normal, int kind) {
    if (to.bar != from.bar || to.track != from.track || actual <= 0 || normal <= 0) return true;
    CTrkBar* tb = TrkBar(from.track, from.bar);
    if (!tb) return true;
    std::vector<CBarItem*> members;
    trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
        if (!item->IsNoteOrRest() || item->VoiceField() != from.voice || IsGraceItem(item)) return;
        if (item->TimeField() < from.time || item->TimeField() > to.time) return;
        members.push_back(item);
    });
    if (members.empty()) return true;
    TupletMake make;
    make.number = std::clamp(actual, 1, 255);
    make.secondNumber = std::clamp(normal, 1, 255);
    CTuplet::FitToNotes(members.data(), int(members.size()), make);
    alignas(8) std::uint8_t bytes[CTuplet::kSize];
    CTuplet* tuplet = CTuplet::Init(bytes, 0, 0, kind, make.number, make.secondNumber, from.voice,
                                    members.front()->TimeField(), members.front()->PositionField(), make.startY,
                                    make.startStaffOffset, members.back()->PositionField(), make.endY,
                                    make.endStaffOffset);
    return tb->AddTuplet(*tuplet, members.front()->TimeField()) != nullptr;
}

bool ScoreBuilder::PutBeam(const std::vector<NoteKey>& notes) {
    if (notes.size() < 2) return true;
    std::vector<std::pair<CTrkBar*, CBarItem*>> found;
    for (const NoteKey& key : notes) {
        CBarItem* item = FindNote(key, false);
        if (!item) continue;
        if (!found.empty() && found.back().second == item) continue;
        found.emplace_back(score_->GetTrkBar(key.track, key.bar), item);
    }
    if (found.size() < 2) return true;
    g_beamContext.Init(found.front().first, 0, 0);
    for (auto& [tb, item] : found) g_beamContext.AddNote(item, tb);
    return g_beamContext.BeamNotes(false);
}

// --- marks and words ------------------------------------------------------------------------------

bool ScoreBuilder::PutDynamic(int track, int bar, int time, int voice, int mark, int velocity, int dx, int dy) {
    CTrkBar* tb = TrkBar(track, bar);
    CBar* b = score_->GetBar(bar);
    if (!tb || !b) return true;
    alignas(8) std::uint8_t bytes[CDynamic::kSize + 8] = {};
    auto* d = static_cast<CDynamic*>(ConstructClass(CDynamic::kType, bytes));
    if (!d) return true;
    d->InitMark(std::clamp(mark, 0, 15), score_->GetTrack(track));
    d->SetTimeField(std::int16_t(time));
    d->SetPositionField(std::int16_t(std::clamp<int>(b->TickToFraction(time, false), 0, 1023)));
    d->SetVoice(std::clamp(voice, 0, 7));
    d->SetVerticalOffset(dy);
    d->SetHorizontalOffset(dx);
    d->SetPlayKind(CDynamic::kControllerKind);
    if (velocity > 0) d->SetValue(std::clamp(velocity, 0, 127));
    return tb->InsertCopy(d) != nullptr;
}

bool ScoreBuilder::PutHairpin(int track, int bar, int time, int endBars, int endPosition, bool decrescendo, int dy) {
    CTrkBar* tb = TrkBar(track, bar);
    CBar* b = score_->GetBar(bar);
    if (!tb || !b) return true;
    alignas(8) std::uint8_t bytes[CCresc::kSize + 8] = {};
    auto* h = static_cast<CCresc*>(ConstructClass(CCresc::kType, bytes));
    if (!h) return true;
    h->SetShape(decrescendo ? CCresc::kDecrescendo : CCresc::kCrescendo);
    h->SetTimeField(std::int16_t(time));
    h->SetPositionField(std::int16_t(std::clamp<int>(b->TickToFraction(time, false), 0, 1023)));
    h->SetEnd(std::max(0, endBars), std::clamp(endPosition, 0, 1023));
    h->SetVerticalPosition(dy);
    h->SetUpper(90);
    h->SetLower(110);
    h->SetStartOffset(0);
    h->SetAllVoices(true);
    h->SetPlayKind(1);
    h->SetController(7);
    h->InitCurve();
    return tb->InsertCopy(h) != nullptr;
}

bool ScoreBuilder::PutSymbol(int track, int bar, int time, int character, int dy) {
    CTrkBar* tb = TrkBar(track, bar);
    CBar* b = score_->GetBar(bar);
    if (!tb || !b) return true;
    alignas(8) std::uint8_t bytes[CSymbol::kSize] = {};
    CSymbol* sym = CSymbol::Make(bytes, character, g_draw.defaultMusicFontRef, CSymbol::kMusicFontBit);
    if (!sym) return true;
    sym->SetTimeField(std::int16_t(time));
    sym->SetPositionField(std::int16_t(std::clamp<int>(b->TickToFraction(time, false), 0, 1023)));
    sym->SetVoice(0);
    sym->SetY(dy);
    return tb->InsertCopy(sym) != nullptr;
}

bool ScoreBuilder::PutText(int track, int bar, int time, const std::string& text, const FontRef& font, int dx, int dy) {
    CTrkBar* tb = TrkBar(track, bar);
    CBar* b = score_->GetBar(bar);
    if (!tb || !b || text.empty()) return true;
    std::vector<std::uint8_t> buffer(std::size_t(CText::PlainSize(text.c_str()) + 16), 0);
    CText* t = CText::MakePlain(buffer.data(), int(buffer.size()), CText::kTypeCode, CText::kBarText, text.c_str(),
                                font, false);
    if (!t) return true;
    t->SetTimeField(std::int16_t(time));
    t->SetPositionField(std::int16_t(std::clamp<int>(b->TickToFraction(time, false), 0, 1023)));
    t->SetX(dx);
    t->SetY(dy);
    return tb->InsertCopy(t) != nullptr;
}

bool ScoreBuilder::PutLyric(int track, int bar, int time, int voice, int verse, const std::string& text,
                            const FontRef& font, bool hyphen, bool extender) {
    CTrkBar* tb = TrkBar(track, bar);
    CBar* b = score_->GetBar(bar);
    if (!tb || !b || text.empty()) return true;
    const std::string shown = text.substr(0, fw::FitBytes(text, 250));
    std::vector<std::uint8_t> record(std::size_t(CLyric::SizeFor(int(shown.size()))), 0);
    CLyric* l = CLyric::Make(record.data(), 0, 0, std::clamp(verse, 0, 7), shown.c_str(), font);
    if (!l) return true;
    std::uint8_t flags = std::uint8_t(l->LyricFlags() | CLyric::kHoldsTextBit);
    if (hyphen) flags |= CLyric::kHyphenBit;
    if (extender) flags |= CLyric::kExtenderBit;
    l->SetLyricFlags(flags);
    l->SetTimeField(std::int16_t(time));
    l->SetPositionField(std::int16_t(std::clamp<int>(b->TickToFraction(time, false), 0, 1023)));
    l->SetVoice(std::clamp(voice, 0, 7));
    return tb->InsertCopy(l) != nullptr;
}

bool ScoreBuilder::PutTempo(int bar, int time, int tempo, std::uint8_t unitFlags, const std::string& text,
                            const FontRef& font, int dx, int dy) {
    CBar* b = score_->GetBar(bar);
    if (!b) return true;
    alignas(8) std::uint8_t bytes[CTempo::kSize] = {};
    CTempo* mark = MakeTempoItem(bytes, std::clamp(tempo, CTempo::kMinTempo, CTempo::kMaxTempo));
    if (!mark) return true;
    mark->SetTimeField(std::int16_t(time));
    mark->SetPositionField(std::int16_t(std::clamp<int>(b->TickToFraction(time, false), 0, 1023)));
    rec::Put<std::uint8_t>(mark, CTempo::kUnit, unitFlags);
    mark->SetX(dx);
    mark->SetY(dy);
    FontRef textFont = font;
    textFont.pad = 0;
    std::memcpy(mark->Bytes() + CTempo::kTextFont, &textFont, sizeof textFont);
    const std::string shown = text.substr(0, fw::FitBytes(text, CTempo::kTextSize - 1));
    std::memset(mark->Bytes() + CTempo::kText, 0, CTempo::kTextSize);
    std::memcpy(mark->Bytes() + CTempo::kText, shown.data(), shown.size());
    return b->AddItem(mark) != nullptr;
}

// --- finishing ----------------------------------------------------------------------------------

ScoreBuilder::VoiceMoves ScoreBuilder::MoveStaffVoices(int firstTrack, int staves) {
    VoiceMoves moves;
    if (staves < 2) return moves;
    // Per voice, the notes and rests on the part's own staff and on each further one.
    int counts[4][8] = {};
    const int bars = score_->GetBarCount();
    for (int b = 0; b < bars; ++b) {
        trkbar::ForEachLiveItem(score_->GetTrkBar(firstTrack, b), [&](CBarItem* item) {
            if (!item->IsNoteOrRest()) return;
            const int offset = StaffOffsetOf(item);
            if (offset >= 0 && offset < 4) ++counts[offset][item->VoiceField()];
        });
    }
    bool any = false;
    for (int offset = 1; offset < staves && offset < 4; ++offset) {
        if (firstTrack + offset >= score_->GetTrackCount()) break;
        int firstMoved = -1;
        for (int v = 0; v < 8; ++v) {
            if (moves.offset[v] != 0 || 2 * counts[0][v] >= counts[offset][v]) continue;
            if (firstMoved < 0) firstMoved = v;
            moves.offset[v] = offset;
            moves.voice[v] = v - firstMoved;
            any = true;
        }
    }
    if (!any) return moves;
    for (int b = 0; b < bars; ++b) {
        CTrkBar* from = score_->GetTrkBar(firstTrack, b);
        if (!from) continue;
        for (std::ptrdiff_t at = 0;;) {
            CBarItem* item = AtOffset(from, at);
            if (item->TypeCode() == 255) break;
            const std::ptrdiff_t next = at + item->RecordSizeField();
            const int v = item->VoiceField();
            const int offset = moves.offset[v];
            if (Live(item) && item->IsNoteOrRest() && offset != 0) {
                std::vector<std::uint8_t> copy(item->Bytes(), item->Bytes() + item->RecordSizeField());
                item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kRemovedBit));
                auto* moved = reinterpret_cast<CBarItem*>(copy.data());
                moved->SetFlagsB(std::uint8_t((moved->FlagsB() & 0x1F) | (moves.voice[v] << CBarItem::kVoiceShift)));
                if (moved->IsRest()) {
                    static_cast<CRest*>(moved)->SetStartStaffOffset(StaffOffsetOf(moved) - offset);
                } else {
                    auto* note = static_cast<CRawNote*>(moved);
                    for (int k = 0; k < note->HeadCountField(); ++k)
                        note->Head(k)->SetCrossStaffOffset(note->Head(k)->CrossStaffOffset() - offset);
                }
                CTrkBar* to = TrkBar(firstTrack + offset, b);
                if (!to || !to->InsertCopy(moved)) ThrowOutOfMemory();
                from->SetCurrent();
            }
            at = next;
        }
    }
    return moves;
}

void ScoreBuilder::MapVoice(const VoiceMoves& moves, int firstTrack, int* track, int* voice) {
    *track = firstTrack;
    if (*voice < 0 || *voice > 7 || moves.offset[*voice] == 0) return;
    *track = firstTrack + moves.offset[*voice];
    *voice = moves.voice[*voice];
}

void ScoreBuilder::TimeGraceNotes() {
    for (int t = 0; t < score_->GetTrackCount(); ++t) {
        for (int b = 0; b < score_->GetBarCount(); ++b) {
            CTrkBar* tb = TrkBar(t, b);
            if (!tb) continue;
            tb->SortItems();
            for (int v = 0; v < 8; ++v) {
                std::vector<CBarItem*> graces;
                CRawNote* before = nullptr;
                trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
                    if (!item->IsNote() || item->VoiceField() != v) return;
                    auto* note = static_cast<CRawNote*>(item);
                    if (IsGraceItem(item)) {
                        graces.push_back(item);
                        return;
                    }
                    if (!graces.empty()) {
                        tb->SpreadGraceNotes(graces.data(), int(graces.size()),
                                             note->HeadCountField() ? note->Head(0)->StartOffset() : 0);
                        // A note sounding into the first grace note ends where it starts.
                        auto* first = static_cast<CRawNote*>(graces.front());
                        const int graceStart =
                            first->TimeField() + (first->HeadCountField() ? first->Head(0)->StartOffset() : 0);
                        if (before)
                            for (int k = 0; k < before->HeadCountField(); ++k) {
                                NoteHead* h = before->Head(k);
                                const int start = before->TimeField() + h->StartOffset();
                                if (start < graceStart && start + h->Duration() > graceStart)
                                    h->SetDuration(std::uint16_t(graceStart - start));
                            }
                        graces.clear();
                    }
                    before = note;
                });
            }
        }
    }
}

bool ScoreBuilder::FillAndTidy(const std::vector<bool>& pickup) {
    for (int t = 0; t < score_->GetTrackCount(); ++t) {
        for (int b = 0; b < score_->GetBarCount(); ++b) {
            CTrkBar* tb = TrkBar(t, b);
            if (!tb) continue;
            // The records of voices that moved away go.
            tb->Compact();
            const bool isPickup = b < int(pickup.size()) && pickup[std::size_t(b)];
            if (!isPickup)
                for (int v = 0; v < 8; ++v)
                    if (!tb->FillGaps(v, false, false, false)) return false;
            tb = TrkBar(t, b);
            tb->SortItems();
            tb->RecalcAccidentals();
            tb->UpdateTies();
        }
    }
    return true;
}

bool ScoreBuilder::SpaceBars() {
    CScore& s = *score_;
    s.Reindex();
    s.RecalcBars(false);
    for (int b = 0; b < s.GetBarCount(); ++b)
        if (CBar* bar = s.GetBar(b); bar && !bar->Respace()) return false;
    return true;
}

bool ScoreBuilder::LayOut() {
    CScore& s = *score_;
    s.Reindex();
    s.RecalcBars(false);
    auto respaceAll = [&](bool brackets) {
        for (int b = 0; b < s.GetBarCount(); ++b) {
            CBar* bar = s.GetBar(b);
            if (!bar) continue;
            CLine* line = bar->GetLine();
            if (brackets && line && line->GetFirstBarIndex() == b) line->UpdateBrackets();
            if (!bar->Respace()) return false;
        }
        return true;
    };
    auto spacePages = [&](bool stretch) {
        for (int p = 0; p < s.GetPageCount(); ++p) {
            CPage* page = s.GetPage(p);
            if (!page) continue;
            page->SpaceStaves(false);
            page->AvoidCollisions();
            if (stretch) page->StretchToBottom();
        }
    };
    if (!respaceAll(true)) return false;
    s.ReflowFromPage(0);
    s.Reindex();
    spacePages(false);
    s.FitStaffScale();
    s.ReflowFromPage(0);
    s.Reindex();
    spacePages(true);
    if (!respaceAll(false)) return false;
    doc_.LayoutAllPages(true);
    return true;
}

}  // namespace formats
