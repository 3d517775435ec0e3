// Saved scores compared as scores: what belongs to the window that showed one is left out.
#pragma once
#include <cstddef>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testsupport {

inline std::vector<char> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A saved score without what belongs to its window rather than to the score: the header's
// rulers option (byte 22) and the window's show state and placement (bytes 36-45).
inline std::vector<char> ScoreBytes(const std::string& path) {
    std::vector<char> bytes = FileBytes(path);
    for (std::size_t i : {22u, 36u, 37u, 38u, 39u, 40u, 41u, 42u, 43u, 44u, 45u})
        if (i < bytes.size()) bytes[i] = 0;
    return bytes;
}

// Where two saved scores differ as scores: "" when they are the same, else the size mismatch
// and the first differing offsets as " OFFSET:MINE/THEIRS".
inline std::string ScoreDifference(const std::string& mine, const std::string& theirs) {
    const std::vector<char> a = ScoreBytes(mine), b = ScoreBytes(theirs);
    std::string differ;
    if (a.empty()) return "no score at " + mine;
    if (a.size() != b.size()) differ = "sizes " + std::to_string(a.size()) + "/" + std::to_string(b.size()) + ";";
    for (std::size_t k = 0; k < a.size() && k < b.size() && differ.size() < 200; ++k)
        if (a[k] != b[k]) differ += " " + std::to_string(k) + ":" + std::to_string(int(a[k])) + "/" + std::to_string(int(b[k]));
    return differ;
}

}  // namespace testsupport
