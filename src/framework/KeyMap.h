// Private to the framework: the program's virtual-key code of a Qt key event.
#pragma once
#include <QKeyEvent>

namespace fw {

// The virtual-key code (VK_...) of the event's key; 0 for keys the program has no code for.
int VirtualKeyOf(const QKeyEvent* e);

}  // namespace fw
