#include "model/MidiChoosers.h"

MidiChoosers& TheMidiChoosers() {
    static MidiChoosers choosers;
    return choosers;
}
