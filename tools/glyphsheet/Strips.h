// The dialogs' image strips drawn from the music font: 16 x 16 pictures side by side on the
// transparent grey (192, 192, 192) that strip drawing leaves out.
#pragma once
#include <string>

// Writes DIR/108.png (the New dialog's meters: common time, cut time, 2/4 to 6/4, 3/8 to 12/8)
// and DIR/112.png (its beat units: whole to 32nd note, then the dot). False when a picture
// could not be written.
bool WriteImageStrips(const std::string& dir);
