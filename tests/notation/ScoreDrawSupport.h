// Helpers of the drawing tests of rests, multi-bar rests, beams and beat charts: a laid-out
// one-staff score with the notation classes registered, a recording port with the screen
// artist, and the current-bar context set to a bar of the track.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <utility>
#include <string>
#include <vector>

#include "framework/DC.h"
#include "framework/Gdi.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/NewScore.h"
#include "model/RecordTestSupport.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "notation/NotationClasses.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"

namespace drawtest {

class ScoreDrawTest : public ::testing::Test {
protected:
    // arrangement 0: one staff; 1: two (piano).
    explicit ScoreDrawTest(int arrangement = 0) {
        RegisterTrackClass();
        RegisterNotationClasses();
        LayoutPrefs() = LayoutPreferences();
        MidiOutPorts() = MidiOutPortsState();
        score = std::make_unique<CScore>(&doc);
        NewScoreSettings settings;
        settings.arrangement = arrangement;
        EXPECT_TRUE(BuildNewScore(*score, settings));
        score->Reindex();
        for (int k = 0; k < score->GetLineCount(); ++k) score->GetLine(k)->Relayout();
        InitDrawing();
        dc.CreateCompatibleDC(nullptr);
        bitmap.CreateBitmap(800, 600);
        dc.SelectObject(&bitmap);
        PushPort(&dc);
        a = GetArtist();
        a->SetZoom(100);
        a->SetCopyMode();
        a->SetColor(0);
    }
    ~ScoreDrawTest() override {
        a->SetCopyMode();
        PopPort();
        g_draw.feedbackDrawing = g_draw.printingDC = g_draw.dragInProgress = g_draw.printJob = false;
    }

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
    template <typename F>
    std::vector<std::string> Calls(F f, std::initializer_list<const char*> prefixes) {
        dc.StartRecording();
        f();
        std::vector<std::string> out;
        for (const auto& line : dc.TakeRecording())
            for (const char* p : prefixes)
                if (line.rfind(p, 0) == 0) out.push_back(line);
        return out;
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

    recordtest::CleanGlobals clean;
    CZelDoc doc;
    std::unique_ptr<CScore> score;
    CDC dc;
    CBitmap bitmap;
    CArtist* a = nullptr;
};

}  // namespace drawtest
