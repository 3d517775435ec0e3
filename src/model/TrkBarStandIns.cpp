#include "model/TrkBarStandIns.h"

#include <cstring>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "platform/Handles.h"

namespace trkbar {


void PlaceNote(CTrkBar* trkBar, bool forcedStem) {}

bool DocumentFlagWord() { return false; }

}  // namespace trkbar
