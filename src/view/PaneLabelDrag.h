// A press on a track label in a page pane: the label under the pointer is found in the page's
// hit order and moved with the pointer while the button is down, as one undoable step.
#pragma once
#include "framework/Types.h"

class CPagePane;

// Takes a press at a point of the pane (client coordinates): when the page's hit order finds a
// track label there, drags that label until the button is released and returns true; else
// changes nothing and returns false.
bool DragTrackLabel(CPagePane& pane, POINT point);
