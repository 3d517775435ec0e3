// The beaming that the bar's own operations call (the recalculation re-lays out and re-beams
// its beams) lives with the notes and beams above the model; it reaches the model through these
// operations, which the notes' library puts in at start-up (RegisterNotationClasses). Without
// them a call does nothing and MakeBeam answers the beam unchanged.
#pragma once

class CBarItem;
class CTrkBar;

struct BeamingHooks {
    // BeamContext::Init (trackBar, beatMode, tremoloStrokes).
    void (*init)(CTrkBar* trkBar, int beatMode, int tremoloStrokes) = nullptr;
    // BeamContext::AutoBeam (track, voice, fromTime, toTime).
    void (*autoBeam)(int track, int voice, int fromTime, int toTime) = nullptr;
    // BeamContext::MakeBeam (beam, mode): the beam's new address.
    CBarItem* (*makeBeam)(CBarItem* beam, int mode) = nullptr;
};

extern BeamingHooks g_beamingHooks;

namespace beaming {
void Init(CTrkBar* trkBar, int beatMode, int tremoloStrokes);
void AutoBeam(int track, int voice, int fromTime, int toTime);
CBarItem* MakeBeam(CBarItem* beam, int mode);
}  // namespace beaming
