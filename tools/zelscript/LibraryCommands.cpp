// zelscript commands of the user libraries the placing tools read: expression library entries,
// and the answer the next popup menu gets (a Shift click of the expression palette asks one).
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "Script.h"
#include "framework/UiTest.h"
#include "platform/LibraryStandIns.h"
#include "platform/PlatformGlobals.h"

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

// popup ID: the next popup menu is answered with the command id (0: dismissed).
void RunAnswer(Context& ctx, const Args& args) {
    NeedArgs(args, 1, 1, "ID");
    fw::uitest::AnswerMenu(UINT(ArgIntIn(args, 0, "ID", 0, 65535)));
    std::fprintf(ctx.out, "popup %s\n", args[0].c_str());
}

const CommandRegistrar registrar{
    {"exprlib", "TEXT [kind K] [value V] [play]",
     "adds an entry to the expression library (text, playback kind and value, playback on)", RunExprLib},
    {"popup", "ID", "the next popup menu shown is answered with ID (0: dismissed)", RunAnswer},
};

}  // namespace
}  // namespace zelscript
