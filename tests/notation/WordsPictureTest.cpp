// Texts, lyric syllables and symbols drawn on the systems of the words gallery's first page,
// compared with a reference picture made by this program's own drawing; a picture that lacks
// any one of the kinds does not pass. The score is the gallery script's output:
//   zelscript tests/data/notation/texts/gallery.zs -o tests/data/notation/pictures/words.zel
// and ZEL_UPDATE_REFERENCES=1 writes the picture anew.
#include <gtest/gtest.h>


#include "GalleryPicture.h"
#include "framework/MusicFont.h"
#include "model/RecordTestSupport.h"
#include "notation/NotationClasses.h"

namespace {

int sLeftOut = 0;  // the type code not drawn (0: none)

bool WordKinds(CBarItem* item) {
    const int code = item->TypeCode();
    return (code == 29 || code == 24 || code == 22) && code != sLeftOut;
}

}  // namespace

TEST(WordsPicture, GallerySystemsMatchTheirReferenceAndEachKindCounts) {
    ASSERT_TRUE(fw::MusicFontAvailable());
    recordtest::CleanGlobals clean;
    RegisterTrackClass();
    RegisterNotationClasses();
    // The music symbols take the music face the drawing sets up when they are read.
    InitDrawing();
    gallerytest::GalleryScore g;
    ASSERT_TRUE(g.Read(testsupport::TestDataPath("notation/pictures/words.zel")));
    CScore& score = *g.score;
    gallerytest::UseInterfaceNumberFonts(score);
    const int systems = 1;
    const auto draw = [&](CBitmap* pic) {
        gallerytest::Picture(score, systems, pic, [&](CArtist* a) { gallerytest::DrawSystems(score, systems, a, WordKinds); });
    };
    CBitmap whole;
    sLeftOut = 0;
    draw(&whole);
    gallerytest::ComparePicture(whole, "notation/pictures/words.png");
    // Without texts, syllables or symbols the picture is not the whole one.
    for (int code : {29, 24, 22}) {
        sLeftOut = code;
        CBitmap part;
        draw(&part);
        EXPECT_FALSE(testsupport::ComparePictures(part, whole).Within(testsupport::PictureTolerance{})) << "without code " << code;
    }
    sLeftOut = 0;
}
