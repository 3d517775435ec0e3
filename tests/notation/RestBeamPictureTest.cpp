// Rests, multi-bar rests, beams and a beat chart drawn on the systems of the rest gallery's
// first page, compared with a reference picture made by this program's own drawing. The score is
// the gallery script's output:
//   zelscript tests/data/notation/rests/gallery.zs -o tests/data/notation/pictures/rests.zel
// and ZEL_UPDATE_REFERENCES=1 writes the picture anew.
#include <gtest/gtest.h>

#include "GalleryPicture.h"
#include "framework/MusicFont.h"
#include "model/RecordTestSupport.h"
#include "notation/NotationClasses.h"

namespace {

bool RestKinds(CBarItem* item) { return item->IsNoteOrRest() || item->IsBeam() || item->TypeCode() == 39; }

// The bar's beat chart, drawn with the first staff.
void BeatChart(int track) {
    if (track == 0)
        if (CBarItem* chart = g_model.currentBar->GetBeatChart()) chart->Draw();
}

}  // namespace

TEST(RestBeamPicture, GallerySystemsMatchTheirReference) {
    ASSERT_TRUE(fw::MusicFontAvailable());
    recordtest::CleanGlobals clean;
    RegisterTrackClass();
    RegisterNotationClasses();
    gallerytest::GalleryScore g;
    ASSERT_TRUE(g.Read(testsupport::TestDataPath("notation/pictures/rests.zel")));
    CScore& score = *g.score;

    InitDrawing();
    gallerytest::UseInterfaceNumberFonts(score);
    const int systems = score.GetPage(0)->GetSystemCount();
    CBitmap pic;
    gallerytest::Picture(score, systems, &pic,
                         [&](CArtist* a) { gallerytest::DrawSystems(score, systems, a, RestKinds, BeatChart); });
    gallerytest::ComparePicture(pic, "notation/pictures/rests.png");
}
