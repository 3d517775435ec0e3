// The globals of the importers of other score formats (one struct, reset with the others).
#pragma once

struct FormatsGlobals {
    // Whether the document's importers hold this folder's (both reset together).
    bool registered = false;
    // The draws of the octave-line identifiers of the running import.
    int ottavaDraws = 0;
};
extern FormatsGlobals g_formats;
