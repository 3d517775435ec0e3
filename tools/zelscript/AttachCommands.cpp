// zelscript commands of the items attached to notes: `record` puts a bare record (a tie, a
// glissando, a slur, a tuplet, a lyric ...) into a bar with the fields given, `poke` sets bytes
// and words of a record, `addmark` sets a mark up for a note and adds it, `removehead`,
// `movehead` and `moveto` remove or move a head and move a note with what is attached to it,
// `relink` links a note's ties to its heads again, `print attachpos` answers where a curve clears
// the note's marks and `print attached` lists what the note collects. The item dump shows the
// end fields of two-ended records.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Script.h"
#include "ToolScore.h"
#include "framework/Input.h"
#include "model/BarItem.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/TrkBar.h"
#include "notation/Note.h"

namespace zelscript {
namespace {

// "wOFF=V" (a 16-bit word at offset OFF) or "bOFF=V" (a byte): false for another argument.
bool FieldOption(const std::string& arg, char* kind, int* offset, int* value) {
    if (arg.size() < 4 || (arg[0] != 'w' && arg[0] != 'b')) return false;
    const auto eq = arg.find('=');
    if (eq == std::string::npos || eq < 2) return false;
    char* end = nullptr;
    const long off = std::strtol(arg.c_str() + 1, &end, 10);
    if (end != arg.c_str() + eq) return false;
    const long v = std::strtol(arg.c_str() + eq + 1, &end, 10);
    if (*end != '\0') return false;
    *kind = arg[0];
    *offset = int(off);
    *value = int(v);
    return true;
}

void PokeFields(CBarItem* item, const Args& args, std::size_t from) {
    const int size = item->RecordSizeField();
    for (std::size_t i = from; i < args.size(); ++i) {
        char kind = 0;
        int offset = 0, value = 0;
        if (args[i] == "removed") {
            item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kRemovedBit));
        } else if (args[i] == "selected") {
            item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kSelectedBit));
        } else if (FieldOption(args[i], &kind, &offset, &value)) {
            const int width = kind == 'w' ? 2 : 1;
            if (offset < 16 || offset + width > size) throw ScriptError("no field at " + std::to_string(offset));
            if (kind == 'w')
                rec::Put<std::int16_t>(item, std::size_t(offset), std::int16_t(value));
            else
                rec::Put<std::uint8_t>(item, std::size_t(offset), std::uint8_t(value));
        } else {
            throw ScriptError("unknown option \"" + args[i] + "\"");
        }
    }
}

CNote* NoteAt(Context& ctx, const Args& args, CTrkBar** bar = nullptr) {
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    CBarItem* item = ItemAt(trkBar, ArgInt(args, 2, "index"));
    if (!item->IsNote()) throw ScriptError("item " + args[2] + " is not a note");
    if (bar) *bar = trkBar;
    return static_cast<CNote*>(item);
}

int HeadOf(CNote* note, const Args& args, std::size_t i) {
    return ArgIntIn(args, i, "head", 0, note->HeadCountField() - 1);
}

// record T B TYPE TIME POS [size=N] [voice=N] [wOFF=V] [bOFF=V] [removed] [selected]
void RunRecord(Context& ctx, const Args& args) {
    static const char* usage = "record T B TYPE TIME POS [size=N] [voice=N] [wOFF=V] [bOFF=V] [removed] [selected]";
    NeedArgs(args, 5, 40, usage);
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    const int type = ArgIntIn(args, 2, "type", 16, 169);
    const int time = ArgIntIn(args, 3, "time", -32768, 32767);
    const int position = ArgIntIn(args, 4, "position", -32768, 32767);
    int size = 40, voice = 0;
    Args fields;
    for (std::size_t i = 5; i < args.size(); ++i) {
        int v = 0;
        if (Option(args[i], "size", &v)) {
            if (v < 26 || v > 512) throw ScriptError("a size of 26 to 512 bytes");
            size = v;
        } else if (Option(args[i], "voice", &v)) {
            if (v < 0 || v > 7) throw ScriptError("a voice of 0 to 7");
            voice = v;
        } else {
            fields.push_back(args[i]);
        }
    }
    std::vector<std::uint8_t> bytes(std::size_t(size), 0);
    rec::Put<std::int16_t>(bytes.data(), rec::kSize, std::int16_t(size));
    ConstructItem(type, bytes.data());
    rec::Put<std::int16_t>(bytes.data(), rec::kSize, std::int16_t(size));
    auto* item = ItemCast<CBarItem>(bytes.data());
    item->SetTimeField(std::int16_t(time));
    item->SetPositionField(std::int16_t(position));
    item->SetFlagsB(std::uint8_t(voice << CBarItem::kVoiceShift));
    PokeFields(item, fields, 0);
    if (!trkBar->InsertCopy(item)) throw ScriptError("the record could not be put in");
}

// poke T B INDEX [wOFF=V] [bOFF=V] [removed] [selected]
void RunPoke(Context& ctx, const Args& args) {
    NeedArgs(args, 4, 40, "poke T B INDEX [wOFF=V] [bOFF=V] [removed] [selected]");
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    PokeFields(ItemAt(trkBar, ArgInt(args, 2, "index")), args, 3);
}

// addmark T B INDEX CODE [arg=N] [stemside] [alt] [ctrl] [len=N]
void RunAddMark(Context& ctx, const Args& args) {
    NeedArgs(args, 4, 9, "addmark T B INDEX CODE [arg=N] [stemside] [alt] [ctrl] [len=N]");
    CNote* note = NoteAt(ctx, args);
    const int code = ArgIntIn(args, 3, "code", 0, 255);
    int arg = 0, length = -1;
    bool stemSide = false;
    fw::inputtest::Script keys;
    for (std::size_t i = 4; i < args.size(); ++i) {
        if (args[i] == "stemside") stemSide = true;
        else if (args[i] == "alt") keys.SetDown(VK_MENU, true);
        else if (args[i] == "ctrl") keys.SetDown(VK_CONTROL, true);
        else if (Option(args[i], "arg", &arg)) continue;
        else if (Option(args[i], "len", &length)) continue;
        else throw ScriptError("unknown option \"" + args[i] + "\"");
    }
    std::uint8_t bytes[128] = {};
    auto* mark = reinterpret_cast<NoteMark*>(bytes);
    note->InitMark(mark, code, arg, stemSide);
    // The trill's note length as the mark's editor leaves it (0: chosen when the mark is added).
    if (length >= 0 && mark->Size() > 48) mark->SetByte(48, std::uint8_t(length));
    if (!note->AddMark(*mark)) throw ScriptError("the mark could not be added");
}

void RunRemoveHead(Context& ctx, const Args& args) {
    NeedArgs(args, 4, 4, "removehead T B INDEX HEAD");
    CNote* note = NoteAt(ctx, args);
    note->RemoveHead(HeadOf(note, args, 3));
}

// movehead T B INDEX HEAD DELTA [pitch=P]: with a pitch, the head sounds P and the move passes
// its former pitch on.
void RunMoveHead(Context& ctx, const Args& args) {
    NeedArgs(args, 5, 6, "movehead T B INDEX HEAD DELTA [pitch=P]");
    CNote* note = NoteAt(ctx, args);
    const int head = HeadOf(note, args, 3);
    const int delta = ArgIntIn(args, 4, "delta", -64, 64);
    int pitch = -1, old = -1;
    if (args.size() == 6) {
        if (!Option(args[5], "pitch", &pitch) || pitch < 0 || pitch > 127) throw ScriptError("pitch=0 to 127");
        old = note->Head(head)->Pitch();
        note->Head(head)->SetPitch(std::uint8_t(pitch));
    }
    note->MoveHead(head, delta, old);
}

void RunMoveTo(Context& ctx, const Args& args) {
    NeedArgs(args, 4, 4, "moveto T B INDEX COLUMN");
    CNote* note = NoteAt(ctx, args);
    note->MoveToPosition(ArgIntIn(args, 3, "column", 0, 1024));
}

void RunRelink(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 3, "relink T B INDEX");
    NoteAt(ctx, args)->RelinkTies();
}

// print attachpos T B INDEX above|below [skip]
void RunPrintAttachPos(Context& ctx, const Args& args) {
    NeedArgs(args, 4, 5, "print attachpos T B INDEX above|below [skip]");
    CTrkBar* trkBar = nullptr;
    CNote* note = NoteAt(ctx, args, &trkBar);
    if (args[3] != "above" && args[3] != "below") throw ScriptError("above or below");
    if (args.size() == 5 && args[4] != "skip") throw ScriptError("unknown option \"" + args[4] + "\"");
    std::fprintf(ctx.out, "attach %d\n", note->GetAttachPos(trkBar, args[3] == "above", args.size() == 5));
}

// print attached T B INDEX [HEAD]: what the note collects, with the bar each was found in.
void RunPrintAttached(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 4, "print attached T B INDEX [HEAD]");
    CTrkBar* trkBar = nullptr;
    CNote* note = NoteAt(ctx, args, &trkBar);
    const int head = args.size() == 4 ? HeadOf(note, args, 3) : CRawNote::kAllHeads;
    AttachedItemList list;
    note->CollectAttached(trkBar, &list, head);
    for (int i = 0; i < list.count; ++i)
        std::fprintf(ctx.out, "%s bar %d pos %d head %d\n", GetItemTypeName(list.items[i]),
                     list.bars[i] ? list.bars[i]->GetBarIndex() : -1, list.items[i]->PositionField(), list.heads[i]);
    int first = 0, last = 0;
    note->GetBarRange(&first, &last, trkBar);
    std::fprintf(ctx.out, "%d attached, bars %d-%d\n", list.count, first, last);
}

// print marks T B INDEX: each mark of the note with its code, side bits and offsets, and a
// trill's length, speed and columns or a tremolo's strokes.
void RunPrintMarks(Context& ctx, const Args& args) {
    NeedArgs(args, 3, 3, "print marks T B INDEX");
    CNote* note = NoteAt(ctx, args);
    for (int k = 0, n = note->WholeMarks(false); k < n; ++k) {
        const NoteMark* m = note->GetMark(k);
        std::fprintf(ctx.out, "mark %d code %d side %d x %d y %d", k, m->Code(), m->Flags() & 0x0F, m->XOffset(), m->YOffset());
        if (m->Code() <= 2 && m->Size() >= 54)
            std::fprintf(ctx.out, " trill %d speed %d line %d bars %d from %d ext %d", m->GetByte(48), m->GetByte(49) >> 4,
                         m->GetWord(40), m->GetWord(44), m->GetWord(46), m->GetByte(53));
        if (m->Code() >= 31 && m->Code() <= 34) std::fprintf(ctx.out, " strokes %d", m->GetByte(18));
        const int code = m->Code();
        if ((code == 250 || code == 240 || (code >= 100 && code <= 115)) && m->Size() >= 48)
            std::fprintf(ctx.out, " glyph %d", int(m->Character()));
        std::fputc('\n', ctx.out);
    }
    for (int k = 0; k < note->HeadCountField(); ++k)
        std::fprintf(ctx.out, "head %d plays %d\n", k, note->Head(k)->Duration());
}

const CommandRegistrar registrar{
    {"record", "T B TYPE TIME POS [size=N] [voice=N] [wOFF=V] [bOFF=V] [removed] [selected]",
     "a bare record of TYPE at TIME and column POS in track T's bar B, its words and bytes from offset 16 on as given",
     RunRecord},
    {"poke", "T B INDEX [wOFF=V] [bOFF=V] [removed] [selected]", "sets words and bytes of record INDEX", RunPoke},
    {"addmark", "T B INDEX CODE [arg=N] [stemside] [alt] [ctrl] [len=N]",
     "sets a mark of CODE up for note INDEX (alt and ctrl held as given) and adds it; len is a trill's note length",
     RunAddMark},
    {"removehead", "T B INDEX HEAD", "removes head HEAD of note INDEX with what hangs on it", RunRemoveHead},
    {"movehead", "T B INDEX HEAD DELTA [pitch=P]", "moves head HEAD of note INDEX DELTA staff positions with its ties and ends",
     RunMoveHead},
    {"moveto", "T B INDEX COLUMN", "moves note INDEX to COLUMN with its ties, glissandi, lyrics and ends", RunMoveTo},
    {"relink", "T B INDEX", "links the ties at note INDEX's column to its heads again", RunRelink},
    {"print attachpos", "T B INDEX above|below [skip]", "where a curve over or under note INDEX clears its marks",
     RunPrintAttachPos},
    {"print marks", "T B INDEX", "the marks of note INDEX with their fields (a text mark's glyph), and its heads' play lengths", RunPrintMarks},
    {"print attached", "T B INDEX [HEAD]", "the items note INDEX collects and the bars they span", RunPrintAttached},
};


}  // namespace
}  // namespace zelscript
