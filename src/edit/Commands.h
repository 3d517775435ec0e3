// The edit operations of this folder, put into the document's table of makers by class name
// (model/TaskMakers.h) at start-up, and the copy of the selection that Copy and Cut run.
#pragma once

namespace edit {

// Registers the makers and the copy; start-up, tools and tests call it once before commands
// run (again does no harm).
void RegisterOperations();
// The operations that shape the score (bars, pages, time signatures, bar lines, multi-bar rests,
// octave lines, ...; ScoreShapeCommands.cpp), which RegisterOperations puts in.
void RegisterScoreShapeOperations();

}  // namespace edit
