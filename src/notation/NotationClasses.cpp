#include "notation/NotationClasses.h"

#include "model/ItemClass.h"
#include "notation/Beam.h"
#include "notation/BeatChart.h"
#include "notation/Chords.h"
#include "notation/Beaming.h"
#include "notation/Graphic.h"
#include "notation/MultiRest.h"
#include "notation/Note.h"
#include "notation/PlaybackMarks.h"
#include "notation/RawNote.h"
#include "notation/Rest.h"
#include "notation/TieType.h"

void RegisterNotationClasses() {
    ItemClassTable& table = ItemClasses();
    table.SetBehaviourForCode(CBeatChart::kType, &BeatChartBehaviour::Instance());
    table.SetBehaviourForCode(CBeam::kType, &BeamBehaviour::Instance());
    table.SetBehaviourForCode(CMultiRest::kType, &MultiRestBehaviour::Instance());
    table.SetBehaviourForCode(CRawNote::kType, &RawNoteBehaviour::Instance());
    table.SetBehaviourForCode(CRest::kType, &RestBehaviour::Instance());
    table.SetBehaviourForCode(CNote::kType, &NoteBehaviour::Instance());
    RegisterTwoEndedClasses();
    RegisterGraphicClasses();
    RegisterPlaybackMarkClasses();
    RegisterChordClasses();
    RegisterBeaming();
    RegisterNoteHitHooks();
    RegisterCrossStaffHooks();
}
