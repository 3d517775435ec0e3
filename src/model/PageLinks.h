// The 32-bit values that page, system and bar records keep where they refer to other objects.
// The records keep their fixed sizes, so a native pointer never lies in their bytes:
//
//   - an object a record owns (a bar's item array, a system's staff array) is named by an
//     object id: 20 bits of slot and 12 bits of generation, so that the id of an object that
//     was let go is refused rather than taken for a newer one;
//   - a link to the score, or to an element of one of its arrays (the page of a system, the
//     first bar of a system, the system of a bar), is the score's slot in a small table of
//     scores (high 16 bits) and the element's index + 1 (low 16 bits; 0 for the score itself).
//     Following a link asks the score for the element, so a link never names bytes that
//     moved when an array grew.
//
// 0 stands for null in both forms.
#pragma once
#include <cstdint>

class CLine;
class CPage;
class CBar;
class CScore;
class CStdArray;

namespace reclink {

// The id of an owned array, registered on first use; 0 for null.
std::uint32_t ObjectId(CStdArray* object);
// The array an id names; null for 0 or for an id no longer registered.
CStdArray* ObjectAt(std::uint32_t id);
// Lets an array's id go (before the array is deleted); its id is refused from then on.
void ForgetObject(CStdArray* object);

// A link to the score itself (index -1) or to element `index` of one of its arrays.
std::uint32_t ScoreLink(CScore* score, int index = -1);
// The score a link names; null for 0.
CScore* LinkedScore(std::uint32_t link);
// The element index of a link; -1 when it names the score itself or nothing.
int LinkedIndex(std::uint32_t link);

CPage* LinkedPage(std::uint32_t link);
CLine* LinkedLine(std::uint32_t link);
CBar* LinkedBar(std::uint32_t link);

}  // namespace reclink
