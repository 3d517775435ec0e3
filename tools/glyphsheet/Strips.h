// The image strips of the program's strip table, written out as pictures.
#pragma once
#include <string>

// Writes DIR/<id>.png for every strip of the table and DIR/strips.png (every strip at twice its
// size on white, labelled by its id). False when a picture could not be written.
bool WriteImageStrips(const std::string& dir);
