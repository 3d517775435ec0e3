// What lies under a page point, asked in a page's order: the point is located, then the bars
// and their own parts, the items of the bars' tracks, the position handles (while a display of
// them is on), page texts and title blocks, and the parts of the located system. The answer is
// one kind of a single number space: 0 nothing, 1 an item or page text, 2 a bar, 3 a bracket,
// 4 a position handle, 5 a track name, 6 a staff, 7 a title block, 8 a time signature of the
// system, 9 the key-signature area, 10 the clef area, 11 the time-signature area.
#pragma once
#include <cstdint>
#include <vector>

class CScore;
struct ScoreLocation;

int HitPagePoint(CScore& score, int pageIndex, int x, int y, ScoreLocation* location);

// The kind under every step-th point of a page's paper, row by row (each point from a fresh copy
// of the document's insertion point).
std::vector<std::uint8_t> MapPageHits(CScore& score, int pageIndex, int step);
