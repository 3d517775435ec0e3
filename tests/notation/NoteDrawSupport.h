// A laid-out piano score (two staves) with its first bar of the upper staff current, a memory
// port with the screen artist, and the artist's calls recorded: what the note drawing tests
// stand on.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "NotationTestSupport.h"
#include "framework/DC.h"
#include "model/NewScore.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationGlobals.h"
#include "notation/NoteMetrics.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"
#include "support/Calls.h"

namespace notetest {

class NoteDrawTest : public NotationTest {
protected:
    void SetUp() override {
        RegisterTrackClass();
        doc.SetScoreSize(100);  // the page in use is the printer's letter page
        score = std::make_unique<CScore>(&doc);
        NewScoreSettings settings;
        settings.arrangement = 1;
        ASSERT_TRUE(BuildNewScore(*score, settings));
        g_model.currentScore = score.get();
        for (int k = 0; k < score->GetLineCount(); ++k) score->GetLine(k)->Relayout();
        InitDrawing();
        dc.CreateCompatibleDC(nullptr);
        bitmap.CreateBitmap(800, 600);
        dc.SelectObject(&bitmap);
        PushPort(&dc);
        a = GetArtist();
        a->SetZoom(100);
        a->colorStack.clear();
        a->fontStack.clear();
        a->glyphNudge = 0;
        a->SetColor(0);
        MakeCurrent(0);
        a->SetMusicFont(staff->GetFontSize());
    }
    void TearDown() override { PopPort(); }

    // Bar 0 of a track current; its staff.
    void MakeCurrent(int track) {
        score->GetTrkBar(track, 0)->SetCurrent();
        staff = g_model.currentStaff;
    }
    // The calls the drawing made, from the start of recording.
    std::vector<std::string> Record(const std::function<void()>& draw) {
        dc.StartRecording();
        draw();
        return dc.TakeRecording();
    }
    static std::vector<std::string> Only(const std::vector<std::string>& log, std::initializer_list<const char*> prefixes) {
        return testsupport::Only(log, prefixes);
    }
    // The characters of the recorded text calls, in order.
    static std::string Glyphs(const std::vector<std::string>& log) {
        std::string out;
        for (const auto& line : log) {
            const auto q = line.find('"');
            if (line.rfind("TextOut", 0) == 0 && q != std::string::npos)
                out += line.substr(q + 1, line.find('"', q + 1) - q - 1);
        }
        return out;
    }
    // A note of one head at a position, value and stem direction, at column position 256.
    CNote* OneHead(RecordBuf& buf, int position, int value, bool up) {
        CNote* note = MakeNote(buf, 1, value);
        note->Head(0)->SetPosition(position);
        note->Head(0)->SetPitch(60);
        note->SetStemUpBit(up);
        note->SetPositionField(256);
        note->LayoutChord();
        return note;
    }

    CZelDoc doc;
    std::unique_ptr<CScore> score;
    CDC dc;
    CBitmap bitmap;
    CArtist* a = nullptr;
    CStaff* staff = nullptr;
};

}  // namespace notetest
