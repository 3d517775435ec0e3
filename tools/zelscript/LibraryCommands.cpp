// zelscript commands of the user libraries the placing tools read: expression library entries,
// and the answer the next popup menu gets (a Shift click of the expression palette asks one).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "ChordDefinitions.h"
#include "Script.h"
#include "ToolScore.h"
#include "framework/UiTest.h"
#include "model/ChordRecords.h"
#include "platform/LibraryStandIns.h"
#include "platform/PlatformGlobals.h"
#include "view/ToolState.h"

namespace zelscript {
namespace {

// The program's expression library, made on first use; the script's for the rest of the run.
CExprLib& ExpressionLib() {
    static std::unique_ptr<CExprLib> own;
    if (!g_platform.exprLib) {
        own = std::make_unique<CExprLib>();
        g_platform.exprLib = own.get();
    }
    return *g_platform.exprLib;
}

// exprlib TEXT [kind K] [value V] [play]: one more entry at the library's end.
void RunExprLib(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 6, "TEXT [kind K] [value V] [play]");
    std::uint8_t entry[CExprLib::kEntrySize] = {};
    std::strncpy(reinterpret_cast<char*>(entry + 16), args[0].c_str(), 32);
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "play") {
            entry[2] = 1;
        } else if (args[i] == "kind" && i + 1 < args.size()) {
            entry[0] = std::uint8_t(ArgIntIn(args, ++i, "kind", 0, 15));
        } else if (args[i] == "value" && i + 1 < args.size()) {
            const std::uint32_t v = std::uint32_t(ArgInt(args, ++i, "value"));
            std::memcpy(entry + 48, &v, sizeof v);
        } else {
            throw ScriptError("exprlib: unknown choice " + args[i]);
        }
    }
    CExprLib& lib = ExpressionLib();
    if (!lib.AddEntry(entry)) throw ScriptError("exprlib: out of memory");
    std::fprintf(ctx.out, "exprlib %d: %s\n", lib.GetCount() - 1, args[0].c_str());
}

// The program's chord library, made on first use.
CChordLib& ChordLib() {
    static std::unique_ptr<CChordLib> own;
    if (!g_platform.chordLib) {
        own = std::make_unique<CChordLib>();
        g_platform.chordLib = own.get();
    }
    return *g_platform.chordLib;
}

// Comma-separated integers into `out` (at most `room`); their count.
int IntList(const std::string& text, int* out, int room) {
    int n = 0;
    std::size_t at = 0;
    while (at <= text.size() && n < room) {
        const std::size_t comma = text.find(',', at);
        const std::string part = text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        if (part.empty()) throw ScriptError("a list of numbers, got \"" + text + "\"");
        out[n++] = std::atoi(part.c_str());
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    return n;
}

// chorddef KEY [styles=A,B,C,D] [notes=I,J,...] CODE[:DX:DY[:SIZE]]...: a chord definition of
// the chord library (notes= its intervals above the lowest note), its elements in the default
// text face (a glyph element in the music face), offsets in twentieths, size 12 unless given.
void RunChordDef(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 27, "KEY [styles=A,B,C,D] [notes=I,J,...] CODE[:DX:DY[:SIZE]]...");
    int n = 0;
    try {
        n = tools::AddChordDefinition(args);
    } catch (const tools::ToolError& e) {
        throw ScriptError(e.what());
    }
    std::fprintf(ctx.out, "chorddef %s: %d elements\n", args[0].c_str(), n);
}

// chordframe NAME [options]: a guitar frame at the chord library's end, which the chord tool
// places in diagram mode (chordmode 1); with `pending` the chord tool's own frame instead, which
// it places before the library's until `tool 920 pending 0`.
void RunChordFrame(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 25, "NAME [options]");
    alignas(8) std::uint8_t bytes[CGuitarFrame::kSize] = {};
    rec::Put<std::int16_t>(bytes, rec::kSize, std::int16_t(CGuitarFrame::kSize));
    auto* f = CGuitarFrame::Of(reinterpret_cast<CBarItem*>(bytes));
    f->SetStrings(6);
    f->SetFrets(4);
    f->SetName(args[0] == "-" ? "" : args[0]);
    bool pending = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const std::size_t eq = a.find('=');
        const std::string name = a.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : a.substr(eq + 1);
        int list[16] = {};
        const auto number = [&] { return std::atoi(value.c_str()); };
        if (name == "root") f->SetRoot(number());
        else if (name == "bass") f->SetBass(number());
        else if (name == "tuning") f->SetTuning(number());
        else if (name == "strings") f->SetStrings(number());
        else if (name == "frets") f->SetFrets(number());
        else if (name == "base") f->SetBaseFret(number());
        else if (name == "capo") f->SetCapo(number());
        else if (name == "capomode") f->SetTabMode(number());
        else if (name == "below") f->SetBassBelow(1);
        else if (name == "nameonly") f->SetNameOnly(1);
        else if (name == "hidename") f->SetHideName(1);
        else if (name == "paren") f->SetParenthesised(true);
        else if (name == "scale") f->CBaseItem::SetScale(number());
        else if (name == "pending") pending = true;
        else if (name == "play") {
            // Frets from the highest string: x muted, o open, a number the fret.
            for (int k = 0; k < int(value.size()) && k < 16; ++k) {
                const char c = value[std::size_t(k)];
                f->SetStringFret(k, c == 'x' ? -1 : c == 'o' ? 0 : c - '0');
            }
        } else if (name == "barres") {
            const int n = IntList(value, list, 16);
            for (int k = 0; k < n; ++k) f->SetBarreFret(k, list[k]);
        } else if (name == "fingers") {
            const int n = IntList(value, list, 16);
            for (int k = 0; k < n; ++k) f->SetFinger(k, list[k]);
        } else {
            throw ScriptError("chordframe: unknown option " + a);
        }
    }
    // The chord key of the notes the frame sounds in its tuning, as the guitar-frame library
    // keeps it.
    static const CGuitarTunings tunings = [] {
        CGuitarTunings t;
        t.FillTunings();
        return t;
    }();
    tunings.ComputeFrameKey(*f);
    if (pending) {
        std::memcpy(g_toolState.chordFrame, bytes, sizeof bytes);
        g_toolState.chordFramePending = 1;
        std::fprintf(ctx.out, "chordframe pending: %s\n", args[0].c_str());
        return;
    }
    CChordLib& lib = ChordLib();
    if (!lib.AddEntry(bytes)) throw ScriptError("chordframe: out of memory");
    std::fprintf(ctx.out, "chordframe %d: %s\n", lib.GetCount() - 1, args[0].c_str());
}

// chordmode 0|1: the chord tool places chord symbols (0) or the library's guitar frames (1).
void RunChordMode(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 1, "0|1");
    ChordLib().mode = std::uint8_t(ArgIntIn(args, 0, "mode", 0, 1));
    std::fprintf(ctx.out, "chordmode %d\n", ChordLib().mode);
}

// popup ID: the next popup menu is answered with the command id (0: dismissed).
void RunAnswer(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 1, "ID");
    fw::uitest::AnswerMenu(UINT(ArgIntIn(args, 0, "ID", 0, 65535)));
    std::fprintf(ctx.out, "popup %s\n", args[0].c_str());
}

const CommandRegistrar registrar{
    {"exprlib", "TEXT [kind K] [value V] [play]",
     "adds an entry to the expression library (text, playback kind and value, playback on)", RunExprLib},
    {"chorddef", "KEY [styles=A,B,C,D] [notes=I,J,...] CODE[:DX:DY[:SIZE]]...",
     "adds a chord definition with its suffix elements to the chord library (and sets its word styles)", RunChordDef},
    {"chordframe", "NAME [root=N] [bass=N] [tuning=N] [strings=N] [frets=N] [base=N] [play=xo123...] "
     "[barres=F,F,...] [fingers=F,F,...] [capo=N] [capomode=N] [below] [nameonly] [hidename] [paren] [scale=N] [pending]",
     "adds a guitar frame to the chord library (NAME - for none; play= from the highest string); pending: "
     "makes it the chord tool's own frame instead", RunChordFrame},
    {"chordmode", "0|1", "the chord tool places chord symbols (0) or the library's guitar frames (1)", RunChordMode},
    {"popup", "ID", "the next popup menu shown is answered with ID (0: dismissed)", RunAnswer},
};

}  // namespace
}  // namespace zelscript
