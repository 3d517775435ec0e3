// Rests, multi-bar rests, beams and a beat chart drawn on the systems of the rest gallery's
// first page, compared with a reference picture made by this program's own drawing. The score is
// the gallery script's output:
//   zelscript tests/data/notation/rests/gallery.zs -o tests/data/notation/pictures/rests.zel
// and ZEL_UPDATE_REFERENCES=1 writes the picture anew.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "framework/DC.h"
#include "framework/File.h"
#include "framework/Gdi.h"
#include "framework/MusicFont.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/RecordTestSupport.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/ScoreStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "notation/NotationClasses.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"
#include "support/TestData.h"

namespace {

// Every item of the rests, notes and beams kinds and the bar's beat chart, on each staff.
void DrawSystems(CScore& score, int systems, CArtist* a) {
    for (int k = 0; k < systems; ++k) {
        CLine* line = score.GetLine(k);
        for (int t = 0; t < score.GetTrackCount(); ++t) {
            CStaff* s = line->GetStaff(t);
            a->SetColor(0);
            a->DrawStaffLines(s->GetLeft(), s->PositionToY(0), s->GetRight(), s->GetLineMask(), s->GetLineSpacing(), 20);
            for (int j = 0; j < line->GetBarCount(); ++j) {
                CTrkBar* trkBar = score.GetTrkBar(t, line->GetFirstBarIndex() + j);
                trkBar->SetCurrent();
                a->SetMusicFont(s->GetFontSize());
                for (CBarItem* item = trkBar->GetItems(); item && item->TypeCode() != 255; item = item->NextItem())
                    if (!item->IsRemoved() && (item->IsNoteOrRest() || item->IsBeam() || item->TypeCode() == 39)) item->Draw();
                if (t == 0)
                    if (CBarItem* chart = g_model.currentBar->GetBeatChart()) chart->Draw();
            }
        }
    }
}

}  // namespace

TEST(RestBeamPicture, GallerySystemsMatchTheirReference) {
    ASSERT_TRUE(fw::MusicFontAvailable());
    recordtest::CleanGlobals clean;
    RegisterTrackClass();
    RegisterNotationClasses();
    const std::string fixture = testsupport::TestDataPath("notation/pictures/rests.zel");
    std::ifstream in(fixture, std::ios::binary);
    ASSERT_TRUE(in) << fixture;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CZelDoc doc;
    CScore score(&doc);
    ScoreFileDoc fileDoc;
    CMemFile file(bytes);
    ASSERT_TRUE(ScoreFile::Open(score, fileDoc, file));
    score.Reindex();
    for (int k = 0; k < score.GetLineCount(); ++k) score.GetLine(k)->Relayout();
    g_model.currentScore = &score;

    InitDrawing();
    // The score's number fonts come from the program's default font table at start-up; the
    // picture takes an interface face for them.
    score.textFont1 = score.textFont3 = score.textFont5 = g_draw.standardFontRefs[0];
    score.textFont1.size = 9;
    score.textFont3.size = 9;
    score.textFont5.size = 12;
    const int systems = score.GetPage(0)->GetSystemCount();
    CLine* last = score.GetLine(systems - 1);
    const int w = last->GetRight() + 40, h = last->GetStaff(score.GetTrackCount() - 1)->GetBottomLine() + 60;
    CBitmap pic;
    pic.CreateBitmap(w, h);
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SelectObject(&pic);
    PushPort(&dc);
    CArtist* a = GetArtist();
    a->SetZoom(100);
    a->SetCopyMode();
    a->FillRectColor(RECT{0, 0, w, h}, 7);
    DrawSystems(score, systems, a);
    PopPort();

    const std::string path = testsupport::TestDataPath("notation/pictures/rests.png");
    if (std::getenv("ZEL_UPDATE_REFERENCES")) {
        ASSERT_TRUE(pic.SavePng(path));
        GTEST_SKIP() << "wrote the reference " << path;
    }
    CBitmap ref;
    ASSERT_TRUE(ref.LoadFile(path)) << "no reference picture " << path;
    const SIZE s = ref.GetSize();
    // Antialiasing may differ between library versions; shapes may not.
    EXPECT_LE(pic.CountDifferences(ref, 96), long(s.cx) * s.cy / 200) << path;
}
