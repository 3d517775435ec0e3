// The erase commands: each removes the one thing the last hit test found under the mouse (the
// item popup menu and the erase tool run them): an item or a part of it, an ending or jumper,
// a bar's repeat structure or special bar line, a page text, a staff bracket.
#pragma once

#include "model/EditTask.h"

// 4207: the item hit, or the hit head or mark of a note.
class CEraseTask : public CCruise {
public:
    enum : int { kId = 4207 };
    bool Perform() override;

    bool tempoChanged = false;   // a tempo mark or tempo expression went
};

// 4203: an ending or jumper, the repeat structure or a special bar line of the bar hit.
class CEraseBarTask : public CCruise {
public:
    enum : int { kId = 4203 };
    bool Perform() override;
};

// 4205: the page text hit.
class CErasePageTextTask : public CCruise {
public:
    enum : int { kId = 4205 };
    bool Perform() override;
};

// 4202: a staff bracket of the system.
class CEraseBracketTask : public CCruise {
public:
    enum : int { kId = 4202 };
    bool Perform() override;
};
