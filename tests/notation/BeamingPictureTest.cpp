// Beams made by the beaming, drawn with their notes on the systems of the beam gallery's first
// page and compared with a reference picture made by this program's own drawing. The score is
// the gallery script's output:
//   zelscript tests/data/notation/beaming/gallery.zs -o tests/data/notation/pictures/beaming.zel
// and ZEL_UPDATE_REFERENCES=1 writes the picture anew.
#include <gtest/gtest.h>

#include "GalleryPicture.h"
#include "framework/MusicFont.h"
#include "model/RecordTestSupport.h"
#include "notation/NotationClasses.h"

namespace {

bool BeamedKinds(CBarItem* item) { return item->IsNoteOrRest() || item->IsBeam(); }

}  // namespace

TEST(BeamingPicture, GallerySystemsMatchTheirReference) {
    ASSERT_TRUE(fw::MusicFontAvailable());
    recordtest::CleanGlobals clean;
    RegisterTrackClass();
    RegisterNotationClasses();
    gallerytest::GalleryScore g;
    ASSERT_TRUE(g.Read(testsupport::TestDataPath("notation/pictures/beaming.zel")));
    CScore& score = *g.score;

    InitDrawing();
    gallerytest::UseInterfaceNumberFonts(score);
    const int systems = score.GetPage(0)->GetSystemCount();
    CBitmap pic;
    gallerytest::Picture(score, systems, &pic, [&](CArtist* a) { gallerytest::DrawSystems(score, systems, a, BeamedKinds); });
    gallerytest::ComparePicture(pic, "notation/pictures/beaming.png");
}
