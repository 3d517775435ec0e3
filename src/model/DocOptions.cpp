// The document's share of the Options menu (what the score view shows, the error finders, how
// the score plays, All Notes Off) and the update handlers of the Options and View entries. None
// of these is an edit operation: they change the document, the score's display bytes or the
// preferences directly and redraw.
#include <set>
#include <utility>

#include "framework/CmdUI.h"
#include "model/Bar.h"
#include "model/MenuUI.h"
#include "model/MidiOut.h"
#include "model/ModelGlobals.h"
#include "model/Playback.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/ZelDoc.h"

namespace {

// The overlays by command: the overlay kind and its place among the location's five flags.
struct Overlay {
    int command, kind, slot;
};
constexpr Overlay kOverlays[] = {{36013, 0, 0}, {36014, 5, 1}, {36016, 1, 2}, {36017, 2, 3}, {36018, 4, 4}};

void Flip(std::uint8_t& byte) { byte = byte ? 0 : 1; }

}  // namespace

void CZelDoc::OnOptionsCommand(int id) {
    Preferences& prefs = g_preferences;
    for (const Overlay& o : kOverlays) {
        if (o.command != id) continue;
        // At most one overlay is ever on: the others go off first, in their order.
        for (const Overlay& other : kOverlays)
            if (other.kind != o.kind && location.overlays[other.slot]) SetDisplayFlag(0, other.kind);
        SetDisplayFlag(location.overlays[o.slot] ? 0 : 1, o.kind);
        return;
    }
    switch (id) {
    case 36001: SetBarByte(location.trackIndex, location.barIndex, false); return;
    case 36015: SetBarByte(location.trackIndex, location.barIndex, true); return;
    case 36002: Flip(location.handles); break;
    case 36003:
        if (score) Flip(score->showPageMargins);
        break;
    case 36004:
        if (!score) return;
        Flip(score->showRulers);
        if (view) view->ShowRulers(score->showRulers != 0);
        return;
    case 36005: prefs.SetByte(Preferences::kGridDisplay, prefs.Byte(Preferences::kGridDisplay) ? 0 : 1); break;
    case 36006: Flip(location.hiddenObjects); break;
    case 36007: FindNextProblem(0); return;
    case 36008: FindNextProblem(1); return;
    case 36009:
        if (!score) return;
        ClearUndo();
        score->ToggleTransposedDisplay();
        InvalidatePanes();
        SetModifiedFlag(true);
        return;
    case 36010:
        prefs.SetByte(Preferences::kShowTrackVoiceNames, prefs.Byte(Preferences::kShowTrackVoiceNames) ? 0 : 1);
        break;
    case 36011:
        if (score) Flip(score->fillWithWholeRests);
        break;
    case 36012:
        if (score) score->staffGroupSeparators = std::uint8_t((score->staffGroupSeparators + 1) % 3);
        break;
    case 36020:
        if (score) Flip(score->showColors);
        break;
    case 36301:
    case 36302:
    case 36303:
        if (score) score->playbackStyle = std::uint8_t(id - 36301);
        return;
    case 36304:
        if (score) Flip(score->playRepeats);
        return;
    case 33403: {
        // Each distinct pair of output port and channel, in the order found, is reset once.
        if (!score) return;
        std::set<std::pair<int, int>> seen;
        for (int t = 0; t < score->GetTrackCount(); ++t) {
            CTrack* track = score->GetTrack(t);
            if (!track) continue;
            for (int v = 0; v < CTrack::kVoices; ++v) {
                const std::pair<int, int> pair{track->GetDevice(), track->GetVoiceChannel(v)};
                if (seen.insert(pair).second) TheMidi().ResetChannel(pair.first, pair.second);
            }
        }
        return;
    }
    default: return;
    }
    InvalidatePanes();
}

void CZelDoc::OnUpdateOptionsMenu(CCmdUI* entry) {
    CMenuUI& ui = MenuUI();
    ui.Begin(entry, 0);
    if (EditorOpen()) return;
    const Preferences& prefs = g_preferences;
    if (!PlaybackRunning() && !g_model.printing) {
        ui.EnableRange(36000, 36020);
        ui.EnableId(33403);
    }
    if (score) {
        ui.CheckId(36003, score->showPageMargins != 0);
        ui.CheckId(36012, score->staffGroupSeparators != 0);
        ui.CheckId(36004, score->showRulers != 0);
        ui.CheckId(36020, score->showColors != 0);
        ui.CheckId(36011, score->fillWithWholeRests != 0);
        ui.CheckId(36009, score->transposedDisplay != 0);
        CBar* bar = score->GetBar(location.barIndex);
        ui.CheckId(36001, bar && bar->HasBarFlag(0x10));
    }
    ui.CheckId(36002, location.handles != 0);
    ui.CheckId(36005, prefs.Byte(Preferences::kGridDisplay) != 0);
    ui.CheckId(36010, prefs.Byte(Preferences::kShowTrackVoiceNames) != 0);
    ui.CheckId(36006, location.hiddenObjects != 0);
    for (const Overlay& o : kOverlays) ui.CheckId(o.command, location.overlays[o.slot] != 0);
    ui.EnableRange(36301, 36304);
    if (score) {
        for (int t = 0; t < 3; ++t) ui.CheckId(36301 + t, score->playbackStyle == t);
        ui.CheckId(36304, score->playRepeats != 0);
    }
}
