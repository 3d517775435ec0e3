// Helpers of the drawing tests of rests, multi-bar rests, beams and beat charts, on the note
// drawing tests' laid-out piano score: the current-bar context set to any bar of a track, and
// the recorded drawing calls of a piece of drawing, filtered and read as points.
#pragma once
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "NoteDrawSupport.h"
#include "model/Bar.h"

namespace notedraw {

class ScoreDrawTest : public notetest::NoteDrawTest {
protected:
    // Makes track t's bar b current and returns it.
    CTrkBar* Current(int t, int b) {
        g_model.currentScore = score.get();
        CTrkBar* tb = score->GetTrkBar(t, b);
        tb->SetCurrent();
        return tb;
    }
    CStaff* Staff() { return g_model.currentStaff; }
    CBar* Bar() { return g_model.currentBar; }

    // The drawing calls of f whose text starts with one of the prefixes.
    std::vector<std::string> Calls(const std::function<void()>& f, std::initializer_list<const char*> prefixes) {
        return Only(Record(f), prefixes);
    }
    // The first two numbers of each recorded call ("TextOut 215 99 ..." gives 215, 99).
    static std::vector<std::pair<int, int>> Points(const std::vector<std::string>& calls) {
        std::vector<std::pair<int, int>> out;
        for (const auto& c : calls) {
            int x = 0, y = 0;
            const auto blank = c.find(' ');
            if (blank != std::string::npos && std::sscanf(c.c_str() + blank, "%d %d", &x, &y) == 2) out.emplace_back(x, y);
        }
        return out;
    }
};

}  // namespace notedraw
