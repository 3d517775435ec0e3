// Notes and their marks: `note` puts a note or chord (or a performance note) into a track bar
// and lays the chord out, `mark` adds a mark to one, `cycledots` cycles a note's dots. The item
// dump shows each note's value, dots and stem, and per head its position, column, dot offset,
// accidental and accidental offset.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Script.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/NoteMark.h"
#include "model/Score.h"
#include "model/TrkBar.h"
#include "notation/NotationGlobals.h"
#include "notation/Note.h"

namespace zelscript {
namespace {

int Number(const std::string& text, std::size_t* at, const std::string& whole) {
    const char* start = text.c_str() + *at;
    char* end = nullptr;
    const long v = std::strtol(start, &end, 10);
    if (end == start) throw ScriptError("bad head \"" + whole + "\"");
    *at += std::size_t(end - start);
    return int(v);
}

// A head: its staff position, then any of #N (accidental N shown), p (the accidental in
// parentheses), ( (the head in parentheses), sN (shape), xN (cross-staff offset), oN
// (accidental offset), vN (play voice), dN (play duration), tN (start offset), i (invisible),
// * (selected), mN (the MIDI pitch; else 60 plus the position), f (accidental forced), < (a tie
// ends here), > (a tie starts here).
void ParseHead(const std::string& text, NoteHead* head, int duration) {
    std::size_t at = 0;
    head->SetPosition(Number(text, &at, text));
    head->SetPitch(60 + head->Position());
    head->SetDuration(std::uint16_t(duration));
    head->SetByte(NoteHead::kVelocity, 80);
    while (at < text.size()) {
        const char c = text[at++];
        switch (c) {
        case '#':
            head->SetAccidental(Number(text, &at, text));
            head->SetBits(NoteHead::kAccByte, NoteHead::kAccShown, true);
            break;
        case 'p': head->SetBits(NoteHead::kAccByte, NoteHead::kAccParens, true); break;
        case '(': head->SetBits(NoteHead::kLinkByte, NoteHead::kParenthesized, true); break;
        case 's': head->SetShape(Number(text, &at, text)); break;
        case 'x': head->SetCrossStaffOffset(Number(text, &at, text)); break;
        case 'o': head->SetAccidentalOffset(std::uint8_t(Number(text, &at, text))); break;
        case 'v': head->SetByte(NoteHead::kPlayVoice, std::uint8_t(Number(text, &at, text) & 0x0F)); break;
        case 'd': head->SetDuration(std::uint16_t(Number(text, &at, text))); break;
        case 't': head->SetStartOffset(std::int16_t(Number(text, &at, text))); break;
        case 'i': head->SetBits(NoteHead::kShapeByte, NoteHead::kInvisible, true); break;
        case '*': head->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, true); break;
        case 'm': head->SetPitch(Number(text, &at, text) & 0x7F); break;
        case 'f': head->SetBits(NoteHead::kAccByte, NoteHead::kAccForced, true); break;
        case '<': head->SetBits(NoteHead::kLinkByte, NoteHead::kTieEnd, true); break;
        case '>': head->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, true); break;
        default: throw ScriptError("bad head \"" + text + "\"");
        }
    }
}

void Split(const std::string& text, char sep, std::vector<std::string>* out) {
    std::size_t from = 0;
    for (;;) {
        const std::size_t to = text.find(sep, from);
        out->push_back(text.substr(from, to == std::string::npos ? std::string::npos : to - from));
        if (to == std::string::npos) break;
        from = to + 1;
    }
}

void RunNote(Context& ctx, const Args& args) {
    static const char* usage = "note T B TIME VALUE HEAD[,HEAD...] [options]";
    NeedArgs(args, 5, 40, usage);
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    const int time = ArgIntIn(args, 2, "time", 0, 32767);
    const int value = ArgIntIn(args, 3, "value", 0, 8);
    std::vector<std::string> heads;
    Split(args[4], ',', &heads);
    if (heads.size() > 255) throw ScriptError("at most 255 heads");
    const bool perf = std::find(args.begin(), args.end(), "perf") != args.end();
    std::vector<std::uint8_t> bytes(CRawNote::kHeads + NoteHead::kSize * heads.size(), 0);
    CRawNote* note = perf ? CRawNote::Construct(bytes.data()) : CNote::Construct(bytes.data());
    note->SetHeadCountField(int(heads.size()));
    note->CBaseItem::SetSize(std::int16_t(bytes.size()));
    note->SetNoteValue(value);
    note->SetTimeField(std::int16_t(time));
    CBar* bar = g_model.currentBar;
    note->SetPositionField(bar ? bar->TickToFraction(time, false) : 0);
    bool keep = false;
    for (std::size_t i = 5; i < args.size(); ++i) {
        const std::string& a = args[i];
        int v = 0;
        if (a == "up") note->SetStemUpBit(true);
        else if (a == "down") note->SetStemUpBit(false);
        else if (a == "grace") note->SetFlagBit(CRawHead::kGraceBit, true);
        else if (a == "slash") note->SetFlagBit(CRawHead::kSlashBit, true);
        else if (a == "beamed") note->SetFlagBit(CRawHead::kBeamedBit, true);
        else if (a == "stemless") note->SetNoteFlags(std::uint8_t(note->NoteFlags() | CRawNote::kStemless));
        else if (a == "shifted") note->SetNoteFlags(std::uint8_t(note->NoteFlags() | CRawNote::kShiftedRight));
        else if (a == "keep") keep = true;
        else if (a == "perf") continue;
        else if (Option(a, "dots", &v)) note->SetDotCount(v);
        else if (Option(a, "voice", &v)) note->SetVoice(v & 7);
        else if (Option(a, "scale", &v)) note->CBaseItem::SetScale(std::uint8_t(v));
        else if (Option(a, "stem", &v)) note->SetStemLength(v);
        else throw ScriptError("unknown option \"" + a + "\"");
    }
    const int duration = int(note->GetDuration());
    for (std::size_t k = 0; k < heads.size(); ++k) ParseHead(heads[k], note->Head(int(k)), duration);
    CBarItem* placed = trkBar->InsertCopy(note);
    if (!placed) throw ScriptError("the note could not be inserted");
    const bool wasKept = g_notation.keepAccidentalOffsets;
    g_notation.keepAccidentalOffsets = keep;
    placed->LayoutChord();
    g_notation.keepAccidentalOffsets = wasKept;
}

// A mark of a code on record INDEX, with options: flip, hidden, variant, x=N, y=N (offsets in
// 1/120 space), arrows=N, style=N, end=DX:DY (a line mark's end), cont=BARS:POS (a continuation
// line to a column BARS bars on), acc=N (an ornament's accidental), char=N (a character mark).
void RunMark(Context& ctx, const Args& args) {
    static const char* usage = "mark T B INDEX CODE [options]";
    NeedArgs(args, 4, 20, usage);
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    CBarItem* item = ItemAt(trkBar, ArgInt(args, 2, "index"));
    if (!item->IsNoteRestOrRawNote()) throw ScriptError("item " + args[2] + " is not a note or rest");
    const int code = ArgIntIn(args, 3, "code", 0, 255);
    std::uint8_t bytes[64] = {};
    auto* mark = reinterpret_cast<NoteMark*>(bytes);
    mark->Init(code);
    mark->SetCode(std::uint8_t(code));
    mark->SetSize(std::int16_t(NoteMark::ClassSize(code)));
    for (std::size_t i = 4; i < args.size(); ++i) {
        const std::string& a = args[i];
        int v = 0, p = 0, q = 0;
        auto flag = [&](std::uint8_t bit) { mark->SetFlags(std::uint8_t(mark->Flags() | bit)); };
        if (a == "flip") flag(0x04);
        else if (a == "hidden") flag(0x01);
        else if (a == "variant") flag(0x10);
        else if (Option(a, "x", &v)) mark->SetXOffset(std::int16_t(v));
        else if (Option(a, "y", &v)) mark->SetYOffset(std::int16_t(v));
        else if (Option(a, "arrows", &v)) mark->SetFlags(std::uint8_t((mark->Flags() & ~0x30) | ((v & 3) << 4)));
        else if (Option(a, "style", &v)) mark->SetByte(NoteMark::kSetting41, std::uint8_t(v));
        else if (Option(a, "acc", &v)) mark->SetByte(NoteMark::kByte52, std::uint8_t(v));
        else if (Option(a, "char", &v)) mark->SetCharacter(std::uint16_t(v));
        else if (PairOption(a, "end", &p, &q)) {
            mark->SetWord(NoteMark::kExtentStart, std::int16_t(p));
            mark->SetWord(NoteMark::kExtentEnd, std::int16_t(q));
        } else if (PairOption(a, "cont", &p, &q)) {
            flag(0x02);
            mark->SetWord(44, std::int16_t(p));
            mark->SetWord(46, std::int16_t(q));
        } else {
            throw ScriptError("unknown option \"" + a + "\"");
        }
    }
    if (!static_cast<CRawHead*>(item)->AddMark(*mark)) throw ScriptError("the mark could not be added");
}

void RunCycleDots(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 3, "cycledots T B INDEX");
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    CBarItem* item = ItemAt(trkBar, ArgInt(args, 2, "index"));
    if (!item->IsNoteOrRawNote()) throw ScriptError("item " + args[2] + " is not a note");
    static_cast<CRawHead*>(item)->CycleDots();
}

const CommandRegistrar registrar{
    {"note", "T B TIME VALUE HEAD[,HEAD...] [options]",
     "a note in track T's bar B at TIME ticks of value code VALUE, laid out; a head is a staff position "
     "followed by #N (accidental), p, (, sN, xN, oN, vN, dN, tN, i, *; options up, down, dots=N, grace, slash, "
     "beamed, stemless, shifted, voice=N, scale=N, stem=N, keep (accidental offsets kept), perf (a performance "
     "note)",
     RunNote},
    {"mark", "T B INDEX CODE [options]",
     "a mark of CODE on record INDEX of track T's bar B; options flip, hidden, variant, x=N, y=N, arrows=N, "
     "style=N, end=DX:DY, cont=BARS:POS, acc=N, char=N",
     RunMark},
    {"cycledots", "T B INDEX", "cycles the dots of record INDEX (0, 1, 2, 3, 0)", RunCycleDots},
};


}  // namespace
}  // namespace zelscript
