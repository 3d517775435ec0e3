#include "model/BeamingHooks.h"

BeamingHooks g_beamingHooks;

namespace beaming {
void Init(CTrkBar* trkBar, int beatMode, int tremoloStrokes) {
    if (g_beamingHooks.init) g_beamingHooks.init(trkBar, beatMode, tremoloStrokes);
}
void AutoBeam(int track, int voice, int fromTime, int toTime) {
    if (g_beamingHooks.autoBeam) g_beamingHooks.autoBeam(track, voice, fromTime, toTime);
}
CBarItem* MakeBeam(CBarItem* beam, int mode) {
    return g_beamingHooks.makeBeam ? g_beamingHooks.makeBeam(beam, mode) : beam;
}
}  // namespace beaming
