#include "ChordDefinitions.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "ToolScore.h"
#include "model/ChordRecords.h"
#include "platform/DrawGlobals.h"
#include "platform/LibraryStandIns.h"
#include "platform/PlatformGlobals.h"

namespace tools {
namespace {

CChordLib& ChordLib() {
    static std::unique_ptr<CChordLib> own;
    if (!g_platform.chordLib) {
        own = std::make_unique<CChordLib>();
        g_platform.chordLib = own.get();
    }
    return *g_platform.chordLib;
}

constexpr int kMaxElements = 24;

}  // namespace

int AddChordDefinition(const std::vector<std::string>& words) {
    if (words.empty() || words.size() > kMaxElements + 3) throw ToolError("chorddef KEY [styles=A,B,C,D] [notes=I,J,...] CODE[:DX:DY[:SIZE]]...");
    char* end = nullptr;
    const long key = std::strtol(words[0].c_str(), &end, 10);
    if (*end || key < 0 || key > 65535) throw ToolError("chorddef: the key is 0-65535, got " + words[0]);
    alignas(8) std::uint8_t record[CSuffix::kHeadSize + kMaxElements * SuffixElement::kSize] = {};
    rec::Put<std::int16_t>(record, rec::kSize, std::int16_t(CSuffix::kHeadSize));
    rec::Put<std::uint8_t>(record, 6, std::uint8_t(CSuffix::kType));
    auto* d = CSuffix::Of(reinterpret_cast<CScoreItem*>(record));
    d->SetKey(int(key));
    CChordLib& lib = ChordLib();
    for (std::size_t i = 1; i < words.size(); ++i) {
        int a = 0, b = 0, c = 0, e = 0;
        if (words[i].rfind("styles=", 0) == 0) {
            if (std::sscanf(words[i].c_str() + 7, "%d,%d,%d,%d", &a, &b, &c, &e) != 4) throw ToolError("styles=MAJ,MIN,DIM,AUG");
            lib.wordStyles[0] = std::uint8_t(a), lib.wordStyles[1] = std::uint8_t(b);
            lib.wordStyles[2] = std::uint8_t(c), lib.wordStyles[3] = std::uint8_t(e);
            continue;
        }
        if (words[i].rfind("notes=", 0) == 0) {
            int intervals[CSuffix::kMaxNotes] = {}, n = 0;
            std::istringstream list(words[i].substr(6));
            for (std::string part; std::getline(list, part, ',');) {
                if (n == CSuffix::kMaxNotes || part.empty() || part.find_first_not_of("-0123456789") != std::string::npos)
                    throw ToolError("notes=I,J,... (at most 12 semitone intervals)");
                intervals[n++] = std::atoi(part.c_str());
            }
            d->SetIntervals(n, intervals);
            continue;
        }
        int code = 0, dx = 0, dy = 0, size = 12;
        if (std::sscanf(words[i].c_str(), "%d:%d:%d:%d", &code, &dx, &dy, &size) < 1 || code < 0 || code > 255)
            throw ToolError("chorddef: an element is CODE[:DX:DY[:SIZE]], got " + words[i]);
        SuffixElement el{};
        el.SetDx(dx);
        el.SetDy(dy);
        // A glyph element in the music face, a text element in the default text face.
        FontRef f = g_draw.standardFontRefs[CSuffix::IsGlyphText(CSuffix::ElementText(code)) ? 4 : 0];
        f.size = std::uint16_t(size);
        el.SetFont(f);
        el.SetCode(code);
        if (!d->AppendElement(el)) throw ToolError("chorddef: too many elements");
    }
    lib.AddDefinition(record, d->RecordSizeField());
    return d->GetElementCount();
}

int AddChordDefinitionsFrom(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw ToolError("cannot read " + path);
    int n = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string first;
        if (!(words >> first) || first != "chorddef") continue;
        std::vector<std::string> rest;
        for (std::string w; words >> w;) rest.push_back(w);
        AddChordDefinition(rest);
        ++n;
    }
    return n;
}

}  // namespace tools
