// Ties, slurs and tuplets made the way the program makes them: `make T B tie` ties a note's
// heads on to the voice's next note through the tie builder; `make T B slur` lays a slur from
// one note to another (bars on) and shapes it from its notes; `make T B tuplet` fits a tuplet to
// its notes and rests, initialises it by its kind and puts it over them.
#include <functional>
#include <string>
#include <vector>

#include "Script.h"
#include "model/Bar.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/ScoreLocation.h"
#include "model/TaskMakers.h"
#include "model/Score.h"
#include "model/TieType.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "notation/RawNote.h"
#include "notation/TieType.h"
#include "platform/Handles.h"

namespace zelscript {
namespace {

struct OwnBuffer {
    HandleBuffer buffer;
    ~OwnBuffer() { buffer.Free(); }
};

CRawNote* NoteAt(CTrkBar* trkBar, int index) {
    CBarItem* item = ItemAt(trkBar, index);
    if (!item->IsNote()) throw ScriptError("item " + std::to_string(index) + " is not a note");
    return static_cast<CRawNote*>(item);
}

void SetSelected(CBarItem* item, bool on) {
    item->SetFlagsB(std::uint8_t(on ? item->FlagsB() | CBarItem::kSelectedBit : item->FlagsB() & ~CBarItem::kSelectedBit));
}

// make T B tie INDEX [dotted] [selected]: the ties of note INDEX's visible heads on to the
// voice's next note, here or at the start of the next bar, whose heads of the same pitches take
// the tie ends.
void MakeTie(Context& ctx, const Args& args, CTrkBar* trkBar) {
    NeedArgs(args, 4, 6, "make T B tie INDEX [dotted] [selected]");
    CRawNote* note = NoteAt(trkBar, ArgInt(args, 3, "index"));
    bool dotted = false, selected = false;
    for (std::size_t i = 4; i < args.size(); ++i) {
        if (args[i] == "dotted") dotted = true;
        else if (args[i] == "selected") selected = true;
        else throw ScriptError("unknown option \"" + args[i] + "\" for a tie");
    }
    CScore* score = g_model.currentScore;
    const int voice = note->VoiceField();
    CBarItem* next = nullptr;
    bool nextBar = false;
    trkbar::ForEachLiveItem(trkBar, [&](CBarItem* r) {
        if (!next && r->IsNote() && r->VoiceField() == voice && r->TimeField() > note->TimeField()) next = r;
    });
    if (!next && score) {
        if (CTrkBar* after = score->GetTrkBar(trkBar->GetTrackIndex(), trkBar->GetBarIndex() + 1))
            trkbar::ForEachLiveItem(after, [&](CBarItem* r) {
                if (!next && r->IsNote() && r->VoiceField() == voice) next = r;
            });
        nextBar = next != nullptr;
    }
    if (!next) throw ScriptError("the note's voice has no next note to tie to");
    auto* to = static_cast<CRawNote*>(next);
    const int time = note->TimeField();
    const int endTime = nextBar ? 0 : next->TimeField();
    const int endPosition = next->PositionField();
    for (int h = 0; h < note->HeadCountField(); ++h) {
        NoteHead* head = note->Head(h);
        if (head->Byte(NoteHead::kShapeByte) & NoteHead::kInvisible) continue;
        head->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, true);
        for (int k = 0; k < to->HeadCountField(); ++k)
            if (to->Head(k)->Pitch() == head->Pitch()) to->Head(k)->SetBits(NoteHead::kLinkByte, NoteHead::kTieEnd, true);
    }
    OwnBuffer ties;
    if (!CTie::BuildForNote(note, endTime, endPosition, 1, &ties.buffer, false)) throw ScriptError("out of memory");
    auto* bytes = static_cast<std::uint8_t*>(ties.buffer.GetData());
    for (std::uint32_t at = 0; bytes && at < ties.buffer.GetSize(); at += CTie::kSize) {
        auto* tie = reinterpret_cast<CTie*>(bytes + at);
        tie->SetDotted(dotted);
        SetSelected(tie, selected);
    }
    if (!trkBar->InsertBuffer(time, ties.buffer)) throw ScriptError("the ties could not be inserted");
    trkBar->SetCurrent();
    (void)ctx;
}

// make T B slur FROM TO [bars=N] [above] [dotted] [selected]: a slur from note FROM of bar B to
// note TO of bar B + N, its control points at a quarter and three quarters of the span, the
// notes' slur flags set, shaped from its notes.
void MakeSlur(Context& ctx, const Args& args, CTrkBar* trkBar) {
    NeedArgs(args, 5, 10, "make T B slur FROM TO [bars=N] [endstaff=N] [above] [dotted] [selected]");
    int bars = 0, endStaff = 0;
    bool above = false, dotted = false, selected = false;
    for (std::size_t i = 5; i < args.size(); ++i) {
        if (Option(args[i], "bars", &bars)) continue;
        if (Option(args[i], "endstaff", &endStaff)) continue;
        if (args[i] == "above") above = true;
        else if (args[i] == "dotted") dotted = true;
        else if (args[i] == "selected") selected = true;
        else throw ScriptError("unknown option \"" + args[i] + "\" for a slur");
    }
    CRawNote* from = NoteAt(trkBar, ArgInt(args, 3, "from"));
    CTrkBar* endBar = CurrentTrkBar(ctx, trkBar->GetTrackIndex(), trkBar->GetBarIndex() + bars);
    CRawNote* to = NoteAt(endBar, ArgInt(args, 4, "to"));
    to->SetSlurEnd(1);
    const int endPosition = to->PositionField();
    trkBar->SetCurrent();
    from->SetSlurStart(1);
    alignas(8) std::uint8_t bytes[CSlur::kSize] = {};
    rec::Put<std::int16_t>(bytes, rec::kSize, std::int16_t(CSlur::kSize));
    auto* slur = static_cast<CSlur*>(ConstructItem(CSlur::kType, bytes));
    slur->InitNew(from->VoiceField(), from->TimeField(), from->PositionField());
    slur->SetEnd(bars, endPosition);
    slur->PutWord(CSlur::kControl1X, 256);
    slur->PutWord(CSlur::kControl2X, 768);
    slur->PutWord(CSlur::kPercent, 100);
    slur->SetAboveBit(above);
    slur->SetDotted(dotted);
    SetSelected(slur, selected);
    auto* placed = static_cast<CSlur*>(trkBar->InsertCopy(slur));
    if (!placed) throw ScriptError("the slur could not be inserted");
    trkBar->SetCurrent();
    placed->Flip(1);
    // An end on another staff (the staff offset of its end, -4 to 3).
    if (endStaff) placed->SetEndStaffOffset(endStaff);
}

// make T B tuplet FROM-TO N:M [kind=K] [below] [ratio] [selected]: records FROM-TO (notes and
// rests of one voice) fitted into an N:M tuplet of kind K (0 no line, 1 curved, 2 curved with a
// cleared number, 3 bracket, 4 bracket with a cleared number), above its notes unless below.
void MakeTuplet(Context& ctx, const Args& args, CTrkBar* trkBar) {
    NeedArgs(args, 5, 9, "make T B tuplet FROM-TO N:M [kind=K] [below] [ratio] [selected]");
    int first = 0, last = 0, number = 0, second = 0, kind = 3;
    ArgRange(args, 3, "records", &first, &last);
    if (!PairOption("n=" + args[4], "n", &number, &second) || number < 1 || number > 99 || second < 0 || second > 99)
        throw ScriptError("the tuplet's numbers are N:M, each 0-99");
    bool below = false, ratio = false, selected = false;
    for (std::size_t i = 5; i < args.size(); ++i) {
        if (Option(args[i], "kind", &kind)) {
            if (kind < 0 || kind > 4) throw ScriptError("kind is 0-4");
            continue;
        }
        if (args[i] == "below") below = true;
        else if (args[i] == "ratio") ratio = true;
        else if (args[i] == "selected") selected = true;
        else throw ScriptError("unknown option \"" + args[i] + "\" for a tuplet");
    }
    std::vector<CBarItem*> members;
    for (int k = first; k <= last; ++k) {
        CBarItem* item = ItemAt(trkBar, k);
        if (!item->IsNoteOrRest()) throw ScriptError("item " + std::to_string(k) + " is not a note or rest");
        members.push_back(item);
    }
    TupletMake make;
    make.number = number;
    make.secondNumber = second;
    CTuplet::FitToNotes(members.data(), int(members.size()), make);
    const int time = members.front()->TimeField();
    alignas(8) std::uint8_t bytes[CTuplet::kSize];
    CTuplet* tuplet = CTuplet::Init(bytes, ratio ? 1 : 0, below ? -120 : 120, kind, number, second, make.voice, time,
                                    members.front()->PositionField(), make.startY, make.startStaffOffset,
                                    members.back()->PositionField(), make.endY, make.endStaffOffset);
    SetSelected(tuplet, selected);
    CBarItem* placed = trkBar->AddTuplet(*tuplet, time);
    if (!placed) throw ScriptError("the tuplet could not be inserted");
    trkBar->SetCurrent();
    TieTypeBehaviour::Of(*placed).AutoShape(*static_cast<CTieType*>(placed), -1);
    (void)ctx;
}

// The n-th live note of a track bar (0 the first), whatever records lie between.
CRawNote* NthNote(CTrkBar* trkBar, int n) {
    CBarItem* found = nullptr;
    int k = 0;
    trkbar::ForEachLiveItem(trkBar, [&](CBarItem* r) {
        if (!found && r->IsNote() && k++ == n) found = r;
    });
    if (!found) throw ScriptError("the bar has no note " + std::to_string(n));
    return static_cast<CRawNote*>(found);
}

// The line items and glissandi made as the placing tools make them: the item's creation
// (PlaceAt) at note FROM's time, column and first head's staff position with the palettes'
// sub-tool KIND, then its end moved to note TO (bars on) when given, the notes at its ends
// marked, and the options' fields set. FROM and TO count the bar's notes (0 its first note),
// not its records, so that the items made before leave them where they were.
//   make T B bend|barre|pedal|group KIND FROM [to=INDEX] [bars=N] [options]
//   make T B gliss FROM TO [bars=N] [options]
// Options: y=P (both ends' staff position), label=N (a bend's end label), plabel=I:N (point I's label), fret=N, fraction=N,
// prefix=N, style=N, nohook, nolabel (barres), size=N (groups), flip (turned to the other
// side), wavy, wave=N, notext, text=WORD, kind=K (glissandi), selected.
void MakeLine(Context& ctx, const Args& args, CTrkBar* trkBar) {
    const bool gliss = args[2] == "gliss";
    const std::size_t first = 5;
    NeedArgs(args, 5, 18, gliss ? "make T B gliss FROM TO [options]" : "make T B KIND-NAME KIND FROM [options]");
    int kind = 0, fromIndex = 0, toIndex = -1, bars = 0;
    if (gliss) {
        fromIndex = ArgInt(args, 3, "from");
        toIndex = ArgInt(args, 4, "to");
    } else {
        kind = ArgIntIn(args, 3, "kind", 0, 255);
        fromIndex = ArgInt(args, 4, "from");
    }
    CRawNote* from = NthNote(trkBar, fromIndex);
    struct Setting {
        std::string name;
        int a = 0, b = 0;
    };
    std::vector<Setting> settings;
    bool selected = false, flip = false;
    for (std::size_t i = first; i < args.size(); ++i) {
        int v = 0, w = 0;
        if (Option(args[i], "to", &v)) toIndex = v;
        else if (Option(args[i], "y", &v)) settings.push_back({"y", v, 0});
        else if (Option(args[i], "bars", &v)) bars = v;
        else if (args[i] == "selected") selected = true;
        else if (args[i] == "flip") flip = true;
        else if (PairOption(args[i], "plabel", &v, &w)) settings.push_back({"plabel", v, w});
        else if (args[i].rfind("text=", 0) == 0) settings.push_back({args[i], 0, 0});
        else if (args[i] == "wavy" || args[i] == "notext" || args[i] == "nohook" || args[i] == "nolabel")
            settings.push_back({args[i], 0, 0});
        else {
            const auto eq = args[i].find('=');
            if (eq == std::string::npos) throw ScriptError("unknown option \"" + args[i] + "\"");
            const std::string name = args[i].substr(0, eq);
            static const char* const kNames[] = {"label", "fret", "fraction", "prefix", "style", "size", "wave", "kind"};
            bool known = false;
            for (const char* n : kNames) known |= name == n;
            if (!known || !Option(args[i], name.c_str(), &v)) throw ScriptError("unknown option \"" + args[i] + "\"");
            settings.push_back({name, v, 0});
        }
    }
    static const std::vector<std::pair<std::string, int>> kCodes = {
        {"gliss", CGlissando::kType}, {"bend", CBend::kType}, {"barre", CBarre::kType},
        {"pedal", CPedal::kType},     {"group", CGroup::kType}};
    int code = 0;
    for (const auto& [name, c] : kCodes)
        if (name == args[2]) code = c;
    ScoreLocation location;
    location.voice = std::uint16_t(from->VoiceField());
    location.time = from->TimeField();
    location.position = from->PositionField();
    location.staffPosition = from->HeadCountField() > 0 ? from->Head(0)->Position() : 0;
    location.trkBar = trkBar;
    alignas(8) std::uint8_t bytes[CBend::kPoints + 8 * CBend::kPointSize] = {};
    rec::Put<std::int16_t>(bytes, rec::kSize, std::int16_t(GetItemRecordSizeForCode(code)));
    auto* item = static_cast<CTieType*>(ConstructItem(code, bytes));
    std::function<int()> saved = ChosenSubTool();
    ChosenSubTool() = [kind] { return kind; };
    trkBar->SetCurrent();
    item->PlaceAt(location);
    ChosenSubTool() = saved;
    CRawNote* to = nullptr;
    if (toIndex >= 0) {
        CTrkBar* endBar = CurrentTrkBar(ctx, trkBar->GetTrackIndex(), trkBar->GetBarIndex() + bars);
        to = NthNote(endBar, toIndex);
        trkBar->SetCurrent();
        item->SetEnd(bars, to->PositionField());
        if (to->HeadCountField() > 0) item->SetEndY(to->Head(0)->Position());
    }
    if (gliss) item->SetEndY(to->HeadCountField() > 0 ? to->Head(0)->Position() : item->EndY());
    for (const Setting& s : settings) {
        auto* bend = static_cast<CBend*>(item);
        auto* barre = static_cast<CBarre*>(item);
        auto* g = static_cast<CGlissando*>(item);
        if (s.name == "y") {
            item->SetStartY(s.a);
            item->SetEndY(s.a);
        } else if (s.name == "label") bend->SetEndLabel(s.a);
        else if (s.name == "plabel") {
            if (s.a < 0 || s.a >= bend->PointCount()) throw ScriptError("the item has no point " + std::to_string(s.a));
            bend->SetPointLabel(s.a, s.b);
        } else if (s.name == "fret") barre->SetFret(s.a);
        else if (s.name == "fraction") barre->SetFraction(s.a);
        else if (s.name == "prefix") barre->SetPrefix(s.a);
        else if (s.name == "style") barre->SetLineStyle(s.a);
        else if (s.name == "nohook") barre->SetHook(false);
        else if (s.name == "nolabel") barre->SetShowsLabel(false);
        else if (s.name == "size") static_cast<CGroup*>(item)->SetGroupSize(s.a);
        else if (s.name == "wave") g->SetWaveSize(s.a);
        else if (s.name == "kind") g->PutByte(CGlissando::kPlayKind, std::uint8_t(s.a));
        else if (s.name == "wavy") g->SetWavy(true);
        else if (s.name == "notext") g->SetShowsText(false);
        else if (s.name.rfind("text=", 0) == 0) g->SetText(s.name.c_str() + 5);
    }
    SetSelected(item, selected);
    auto* placed = static_cast<CTieType*>(trkBar->InsertCopy(item));
    if (!placed) throw ScriptError("the item could not be inserted");
    trkBar->SetCurrent();
    const TieTypeBehaviour& behaviour = TieTypeBehaviour::Of(*placed);
    // The run may have moved under the insertion: the end notes are found again by their columns.
    const int voice = placed->VoiceField();
    if (CBarItem* start = trkBar->FindNearestNoteOrRest(voice, placed->PositionField(), false, true))
        behaviour.SetStartNoteMark(*placed, start, true, 0);
    if (toIndex >= 0) {
        CTrkBar* endBar = CurrentTrkBar(ctx, trkBar->GetTrackIndex(), trkBar->GetBarIndex() + bars);
        if (CBarItem* end = endBar->FindNearestNoteOrRest(voice, placed->EndPositionField(), false, true))
            behaviour.SetEndNoteMark(*placed, end, true, 0);
    }
    trkBar->SetCurrent();
    if (flip) placed->Flip(0);
}

void RunMake(Context& ctx, const Args& args) {
    NeedArgs(args, 4, 18, "make T B tie|slur|tuplet|gliss|bend|barre|pedal|group ...");
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    if (args[2] == "tie") MakeTie(ctx, args, trkBar);
    else if (args[2] == "slur") MakeSlur(ctx, args, trkBar);
    else if (args[2] == "tuplet") MakeTuplet(ctx, args, trkBar);
    else if (args[2] == "gliss" || args[2] == "bend" || args[2] == "barre" || args[2] == "pedal" || args[2] == "group")
        MakeLine(ctx, args, trkBar);
    else throw ScriptError("make makes a tie, a slur, a tuplet, a glissando, a bend, a barre, a pedal line or a group, not \"" + args[2] + "\"");
}

const CommandRegistrar registrar{
    {"make", "T B tie INDEX | slur FROM TO | tuplet FROM-TO N:M | gliss FROM TO | bend|barre|pedal|group KIND FROM [options]",
     "a tie through the tie builder (on to the voice's next note; dotted, selected), a slur shaped from its notes "
     "(bars=N, endstaff=N: its end that many staves away, above, dotted, selected), a tuplet fitted to its notes (kind=0-4, below, ratio, selected), or a "
     "glissando or line item placed as its tool places it with sub-tool KIND at note FROM (to=INDEX, bars=N, y=P, "
     "label=N, plabel=I:N, fret=N, fraction=N, prefix=N, style=N, nohook, nolabel, size=N, wave=N, kind=K, wavy, "
     "notext, text=WORD, flip, selected)",
     RunMake},
};

}  // namespace
}  // namespace zelscript
