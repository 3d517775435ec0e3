// A slur's playback edit (4102, 4111, 4116, 4117 on a slur): the playback dialog's legato
// percentage gives every note of the slur's voice under it a played length of that share of its
// written length; 0 leaves them alone. Other items' playback edits are not made here yet.
#pragma once

#include "model/EditTask.h"

class CBarItem;

class CEditPlaybackTask : public CCruise {
public:
    bool Prepare() override;
    bool Perform() override;

    CBarItem* edited = nullptr;
    int editedTrack = 0, editedBar = 0;
    // The legato percentage (0: none).
    int legato = 0;

protected:
    // The playback dialog (414) on the slur's percentage; false on Cancel.
    virtual bool RunDialog();
};
