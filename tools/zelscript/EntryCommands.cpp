// Entering notes and rests and what follows an entry: `columns` measures one track bar's column
// widths, `positions` recomputes its item positions.
#include <algorithm>
#include <string>
#include <vector>

#include "Script.h"
#include "model/Bar.h"
#include "model/BarSpacing.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"

namespace zelscript {
namespace {

// The bar's onset columns as respacing gathers them: the times of every track's notes and rests
// (grace notes left out), or one column at 0 when it has none.
std::vector<SpacingColumn> OnsetColumns(CScore& score, int bar) {
    std::vector<int> times;
    for (int t = 0; t < score.GetTrackCount(); ++t)
        trkbar::ForEachLiveItem(score.GetTrkBar(t, bar), [&](CBarItem* item) {
            if (item->IsNoteOrRest() && !entry::IsGrace(item)) times.push_back(item->TimeField());
        });
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    if (times.empty()) times.push_back(0);
    std::vector<SpacingColumn> columns(times.size());
    for (std::size_t i = 0; i < times.size(); ++i) {
        columns[i].index = std::int16_t(i);
        columns[i].time = std::int16_t(times[i]);
    }
    return columns;
}

void RunColumns(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 2, "columns T B");
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    std::vector<SpacingColumn> columns = OnsetColumns(*ctx.Score().score, trkBar->GetBarIndex());
    trkBar->MeasureColumns(columns.data(), int(columns.size()));
    for (const SpacingColumn& c : columns)
        std::fprintf(ctx.out, "column %d time %d width %d before %d\n", c.index, c.time, c.space, c.preSpace);
    std::fprintf(ctx.out, "end space %d\n", columns[0].endSpace);
}

// Recomputes the positions, then prints each note and rest: its time, voice and position, and
// "right" when its heads are drawn one head width right.
void RunPositions(Context& ctx, const Args& args) {
    NeedArgs(args, 2, 3, "positions T B [VOICE]");
    CTrkBar* trkBar = CurrentTrkBar(ctx, ArgInt(args, 0, "track"), ArgInt(args, 1, "bar"));
    trkBar->RecalcPositions(args.size() > 2 ? ArgIntIn(args, 2, "voice", -1, 7) : -1);
    int index = 0;
    for (CBarItem* item = trkBar->GetItems(); item && item->Type() != 255; item = item->NextItem(), ++index) {
        if (item->IsRemoved() || !item->IsNoteOrRest()) continue;
        std::fprintf(ctx.out, "%d %s time %d voice %d pos %d%s%s\n", index, item->IsRest() ? "rest" : "note",
                     item->TimeField(), item->VoiceField(), item->PositionField(),
                     entry::IsGrace(item) ? " grace" : "", entry::IsShiftedRight(item) ? " right" : "");
    }
}

const CommandRegistrar registrar{
    {"columns", "T B",
     "measures track T's bar B against the bar's onset columns and prints each column's width after and space "
     "before, and the end space",
     RunColumns},
    {"positions", "T B [VOICE]", "recomputes the positions of VOICE's items in track T's bar B (every voice: -1)",
     RunPositions},
};

}  // namespace
}  // namespace zelscript
