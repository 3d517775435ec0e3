// zeldump --new N OUT.zel: writes the new score of arrangement N (0-4).
// zeldump --items FILE: the score's titles, tracks, bars and systems, then every track bar's item
// dump as zelscript's `print items T1-T2 B1-B2` prints it (clefs, keys and octave lines with their
// fields).
// zeldump --layout FILE: prints a score's layout: pages, systems with their bars and staves,
// and their positions.
#include "LayoutCommands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "ToolScore.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "model/Bar.h"
#include "model/TrkBar.h"
#include "view/DebugWnd.h"
#include "model/BarNumber.h"
#include "model/ItemArray.h"
#include "model/NewScore.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreFile.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Tempo.h"
#include "model/Clef.h"
#include "model/KeySig.h"
#include "model/Ottava.h"
#include "model/Titles.h"
#include "model/Meter.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "framework/CodePage.h"
#include "model/ItemArray.h"
#include "model/Lyric.h"
#include "model/Text.h"
#include "ToolScore.h"

namespace {

// Each track's name, clef, channel, instrument byte and voice 0's playback transposition.
void PrintTracks(CScore& score) {
    for (int t = 0; t < score.GetTrackCount(); ++t) {
        CTrack* track = score.GetTrack(t);
        std::printf("track %d: \"%s\" clef %d channel %d instrument %d voice transpose %d\n", t,
                    track->GetFullName(), track->GetClef(), track->GetVoiceChannel(0), track->GetInstrument(),
                    track->GetVoiceTranspose(0));
    }
}

int NewScore(const char* arrangement, const char* out) {
    char* end = nullptr;
    const long n = std::strtol(arrangement, &end, 10);
    if (!end || *end != 0 || n < 0 || n > 4) {
        std::fprintf(stderr, "zeldump: arrangement must be 0-4\n");
        return 2;
    }
    try {
        auto s = tools::NewScore(int(n));
        tools::WriteScore(*s, out);
        CScore& score = *s->score;
        std::printf("%s: arrangement %ld, %d tracks, %d bars, %d systems, %d pages\n", out, n, score.GetTrackCount(),
                    score.GetBarCount(), score.GetLineCount(), score.GetPageCount());
        // What the file holds, read back: the tracks and the first bar's marks.
        auto back = tools::ReadScore(out);
        PrintTracks(*back->score);
        if (CBar* first = back->score->GetBar(0)) std::printf("bar 0:%s\n", tools::BarOwnItems(first).c_str() + 1);
    } catch (const tools::ToolError& e) {
        std::fprintf(stderr, "zeldump: %s\n", e.what());
        return 1;
    }
    return 0;
}

int Items(const char* path) {
    try {
        auto s = tools::ReadScore(path);
        tools::DumpScoreItems(stdout, *s);
    } catch (const tools::ToolError& e) {
        std::fprintf(stderr, "zeldump: %s\n", e.what());
        return 1;
    }
    return 0;
}

// The debug window's header values and list of track t's bar b (both counted from 1).
int Debug(const char* trackText, const char* barText, const char* path) {
    try {
        auto s = tools::ReadScore(path);
        CScore& score = *s->score;
        const int t = std::atoi(trackText) - 1, b = std::atoi(barText) - 1;
        CBar* bar = b >= 0 && b < score.GetBarCount() ? score.GetBar(b) : nullptr;
        CTrkBar* trkBar = bar && t >= 0 && t < score.GetTrackCount() ? score.GetTrkBar(t, b) : nullptr;
        if (!trkBar) throw tools::ToolError(std::string("no track ") + trackText + " bar " + barText);
        const debuglist::Header h = debuglist::HeaderOf(*bar);
        std::printf("PixWidth %d LogWidth %d BCWidth %d TotalClocks %d Space %s\n", h.pixWidth, h.logWidth, h.bcWidth,
                    h.totalClocks, debuglist::SpaceText(h.space).c_str());
        for (const debuglist::Line& line : debuglist::Lines(score, *bar, *trkBar, false)) {
            std::printf("%s", line.typeName.c_str());
            for (std::size_t i = 1; i < line.cells.size(); ++i) std::printf(" %s", line.cells[i].text.c_str());
            std::printf("%s\n", line.color ? " selected" : "");
        }
    } catch (const tools::ToolError& e) {
        std::fprintf(stderr, "zeldump: %s\n", e.what());
        return 1;
    }
    return 0;
}

int Layout(const char* path) {
    std::unique_ptr<tools::ToolScore> s;
    try {
        s = tools::ReadScore(path);
    } catch (const tools::ToolError& e) {
        std::fprintf(stderr, "zeldump: %s\n", e.what());
        return 1;
    }
    CScore& score = *s->score;
    std::printf("score: %d tracks, %d bars, %d systems, %d pages\n", score.GetTrackCount(), score.GetBarCount(),
                score.GetLineCount(), score.GetPageCount());
    PrintTracks(score);
    // Each track's staff kind, line mask, size and port, and system 0's bracket slots.
    for (int t = 0; t < score.GetTrackCount(); ++t) {
        CTrack* track = score.GetTrack(t);
        std::printf("track %d staff: kind %d, lines 0x%04X, size %d, port %d\n", t, track->GetStaffKind(),
                    track->GetLineMask(), rec::Get<std::uint8_t>(track, CTrack::kStaffSize), track->GetDevice());
    }
    if (CLine* first = score.GetLine(0)) {
        const int staves = first->GetStaffArray() ? first->GetStaffArray()->GetCount() : 0;
        for (int i = 0; i < staves; ++i)
            for (int slot = 0; slot < CStaff::kBracketSlots; ++slot)
                if (CStaff* staff = first->GetStaff(i); staff->GetBracketKind(slot) != 0)
                    std::printf("bracket: staff %d slot %d, kind %d, span %d\n", i, slot, staff->GetBracketKind(slot),
                                staff->GetBracketSpan(slot));
    }
    for (int p = 0; p < score.GetPageCount(); ++p) {
        CPage* page = score.GetPage(p);
        const RECT r = page->GetPrintableRect();
        std::printf("page %d: systems %d-%d, printable (%d,%d)-(%d,%d)\n", p, page->GetFirstSystem(),
                    page->GetFirstSystem() + page->GetSystemCount() - 1, int(r.left), int(r.top), int(r.right),
                    int(r.bottom));
        for (int k = 0; k < page->GetSystemCount(); ++k) {
            CLine* line = score.GetLine(page->GetFirstSystem() + k);
            if (!line) break;
            std::printf("  system %d: bars %d-%d, top %d, rect (%d,%d)-(%d,%d)\n", line->GetIndex(),
                        line->GetFirstBarIndex(), line->GetFirstBarIndex() + line->GetBarCount() - 1,
                        line->GetTopOffset(), line->GetLeft(), line->GetTop(), line->GetRight(), line->GetBottom());
            const int staves = line->GetStaffArray() ? line->GetStaffArray()->GetCount() : 0;
            for (int i = 0; i < staves; ++i) {
                CStaff* staff = line->GetStaff(i);
                std::printf("    staff %d: clef %d, spacing %d, lines %d-%d%s\n", i, staff->GetClef(),
                            staff->GetSpacing(), staff->GetTopLine(), staff->GetBottomLine(),
                            staff->IsShown() ? "" : ", hidden");
            }
            for (int j = 0; j < line->GetBarCount(); ++j) {
                CBar* bar = score.GetBar(line->GetFirstBarIndex() + j);
                if (!bar) break;
                std::printf("    bar %d: x %d, width %d, %d/%d%s\n", bar->GetIndex(), bar->GetLeft(), bar->GetWidth(),
                            bar->GetMeter()->GetNumerator(), bar->GetMeter()->GetDenominator(),
                            tools::BarOwnItems(bar).c_str());
            }
        }
    }
    return 0;
}

}  // namespace

int RunLayoutCommand(int argc, char** argv) {
    if (argc < 2) return -1;
    if (std::strcmp(argv[1], "--new") == 0) {
        if (argc != 4) {
            std::fprintf(stderr, "usage: zeldump --new N OUT.zel\n");
            return 2;
        }
        return NewScore(argv[2], argv[3]);
    }
    if (std::strcmp(argv[1], "--layout") == 0) {
        if (argc != 3) {
            std::fprintf(stderr, "usage: zeldump --layout FILE\n");
            return 2;
        }
        return Layout(argv[2]);
    }
    if (std::strcmp(argv[1], "--debug") == 0) {
        if (argc != 5) {
            std::fprintf(stderr, "usage: zeldump --debug TRACK BAR FILE\n");
            return 2;
        }
        return Debug(argv[2], argv[3], argv[4]);
    }
    if (std::strcmp(argv[1], "--items") == 0) {
        if (argc != 3) {
            std::fprintf(stderr, "usage: zeldump --items FILE\n");
            return 2;
        }
        return Items(argv[2]);
    }
    return -1;
}
