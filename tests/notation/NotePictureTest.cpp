// Notes drawn on the piano score's first system, compared with a reference picture made by this
// program's own drawing (ZEL_UPDATE_REFERENCES=1 writes it anew): values and dots, chords with
// seconds, stacked and parenthesised accidentals, ledger lines, grace notes, shapes and marks.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "GalleryPicture.h"
#include "NoteDrawSupport.h"
#include "framework/MusicFont.h"
#include "model/Bar.h"

using namespace notetest;

namespace {

class NotePicture : public NoteDrawTest {
protected:
    // A note in track t's bar b: heads (position, accidental code), value, stem.
    CRawNote* Put(int t, int b, int time, int value, std::initializer_list<std::pair<int, int>> heads, bool up,
                  const std::function<void(CRawNote*)>& more = nullptr) {
        CTrkBar* trkBar = score->GetTrkBar(t, b);
        trkBar->SetCurrent();
        std::vector<std::uint8_t> bytes(CRawNote::kHeads + NoteHead::kSize * heads.size(), 0);
        CNote* note = CNote::Construct(bytes.data());
        note->SetHeadCountField(int(heads.size()));
        note->CBaseItem::SetSize(std::int16_t(bytes.size()));
        note->SetNoteValue(value);
        note->SetTimeField(std::int16_t(time));
        note->SetPositionField(g_model.currentBar->TickToFraction(time, false));
        note->SetStemUpBit(up);
        int k = 0;
        for (auto [pos, acc] : heads) {
            NoteHead* h = note->Head(k++);
            h->SetPosition(pos);
            if (acc) {
                h->SetAccidental(acc);
                h->SetBits(NoteHead::kAccByte, NoteHead::kAccShown, true);
            }
        }
        if (more) more(note);
        CBarItem* placed = trkBar->InsertCopy(note);
        placed->LayoutChord();
        return static_cast<CRawNote*>(placed);
    }
    // Staff lines and every item of the first system's bars.
    void DrawSystem() {
        CLine* line = score->GetLine(0);
        for (int t = 0; t < 2; ++t) {
            CStaff* s = line->GetStaff(t);
            a->SetColor(0);
            a->DrawStaffLines(s->GetLeft(), s->PositionToY(0), s->GetRight(), s->GetLineMask(),
                              s->GetLineSpacing(), 20);
            for (int j = 0; j < line->GetBarCount(); ++j) {
                CTrkBar* trkBar = score->GetTrkBar(t, line->GetFirstBarIndex() + j);
                trkBar->SetCurrent();
                a->SetMusicFont(s->GetFontSize());
                for (CBarItem* item = trkBar->GetItems(); item && item->Type() != 255; item = item->NextItem())
                    if (item->IsNoteOrRawNote()) item->Draw();
            }
        }
    }
};

}  // namespace

TEST_F(NotePicture, FirstSystemMatchesItsReference) {
    ASSERT_TRUE(fw::MusicFontAvailable());
    for (int t = 0; t < 2; ++t)
        for (int j = 0; j < 4; ++j) {
            CStaff* s = score->GetLine(0)->GetStaff(t);
            s->SetDisplay(std::uint8_t(s->GetDisplay() | 0x10));  // ledger lines shown
        }
    // Bar 0: values 1-6 with dots, stem up and down.
    Put(0, 0, 0, 1, {{-2, 0}}, true, [](CRawNote* n) { n->SetDotCount(1); });
    Put(0, 0, 320, 2, {{2, 0}}, false, [](CRawNote* n) { n->SetDotCount(2); });
    Put(0, 0, 640, 3, {{-1, 0}}, true, [](CRawNote* n) { n->SetDotCount(3); });
    Put(0, 0, 960, 4, {{3, 0}}, false);
    Put(0, 0, 1280, 5, {{-3, 0}}, true);
    Put(0, 0, 1600, 6, {{1, 0}}, false);
    // Bar 1: seconds and clusters, a grace eighth, ledger lines.
    Put(0, 1, 0, 3, {{-6, 0}, {-5, 0}}, true);
    Put(0, 1, 320, 3, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, false);
    Put(0, 1, 640, 4, {{2, 0}}, true, [](CRawNote* n) { n->SetFlagBit(CRawHead::kGraceBit, true); });
    Put(0, 1, 960, 3, {{8, 0}}, false);
    Put(0, 1, 1280, 3, {{-9, 0}, {-7, 0}}, true);
    Put(0, 1, 1600, 2, {{6, 0}, {10, 0}}, false);
    // Bar 2: stacked accidentals, parentheses.
    Put(0, 2, 0, 3, {{4, 1}, {2, 2}, {0, 3}}, false);
    Put(0, 2, 480, 3, {{8, 1}, {6, 2}, {4, 3}, {2, 1}, {0, 2}}, false);
    Put(0, 2, 960, 3, {{2, 1}, {0, 2}}, true, [](CRawNote* n) {
        n->Head(0)->SetBits(NoteHead::kAccByte, NoteHead::kAccParens, true);
        n->Head(1)->SetBits(NoteHead::kLinkByte, NoteHead::kParenthesized, true);
    });
    Put(0, 2, 1440, 3, {{-2, 0}, {0, 0}, {2, 0}}, false, [](CRawNote* n) {
        for (int k = 0; k < 3; ++k) n->Head(k)->SetBits(NoteHead::kLinkByte, NoteHead::kParenthesized, true);
    });
    // Bar 3: head shapes and marks.
    Put(0, 3, 0, 3, {{0, 0}}, true, [](CRawNote* n) { n->Head(0)->SetShape(8); });
    Put(0, 3, 320, 2, {{-1, 0}}, false, [](CRawNote* n) { n->Head(0)->SetShape(20); });
    Put(0, 3, 640, 3, {{1, 0}}, true);
    Put(0, 3, 960, 3, {{-3, 0}, {-1, 0}, {1, 0}}, false);
    // Lower staff: a chord reaching the upper staff, a whole bar.
    Put(1, 0, 0, 3, {{2, 0}, {-6, 0}}, true, [](CRawNote* n) { n->Head(1)->SetCrossStaffOffset(-1); });
    Put(1, 1, 0, 0, {{0, 0}}, true);

    // Marks: a staccato, an accent above, an arpeggio with its arrow.
    for (auto [bar, index, code, flags] : {std::tuple{3, 2, 24, 0}, std::tuple{3, 2, 16, 0}, std::tuple{3, 3, 30, 0x10}}) {
        CTrkBar* trkBar = score->GetTrkBar(0, bar);
        trkBar->SetCurrent();
        CBarItem* item = trkBar->GetItems();
        for (int k = 0; k < index; ++k) item = item->NextItem();
        std::uint8_t bytes[64] = {};
        auto* m = reinterpret_cast<NoteMark*>(bytes);
        m->Init(code);
        m->SetCode(std::uint8_t(code));
        m->SetSize(std::int16_t(NoteMark::ClassSize(code)));
        m->SetFlags(std::uint8_t(flags));
        if (code == 30) m->SetXOffset(-120);  // as a new arpeggio takes it: a space left of the heads
        ASSERT_TRUE(static_cast<CRawHead*>(item)->AddMark(*m));
    }

    CLine* line = score->GetLine(0);
    const int w = line->GetRight() + 20, h = line->GetStaff(1)->GetBottomLine() + 60;
    CBitmap pic;
    pic.CreateBitmap(w, h);
    CDC m;
    m.CreateCompatibleDC(nullptr);
    m.SelectObject(&pic);
    PushPort(&m);
    a->FillRectColor(RECT{0, 0, w, h}, 7);
    DrawSystem();
    PopPort();
    gallerytest::ComparePicture(pic, "notation/pictures/system.png");
}

TEST(NoteGalleryPicture, FirstPageMatchesItsReference) {
    // The score is the note gallery script's output:
    //   zelscript tests/data/notation/notes/gallery.zs -o tests/data/notation/pictures/notes.zel
    ASSERT_TRUE(fw::MusicFontAvailable());
    recordtest::CleanGlobals clean;
    RegisterTrackClass();
    RegisterNotationClasses();
    gallerytest::GalleryScore g;
    ASSERT_TRUE(g.Read(testsupport::TestDataPath("notation/pictures/notes.zel")));
    CScore& score = *g.score;
    InitDrawing();
    const int systems = score.GetPage(0)->GetSystemCount();
    for (int k = 0; k < systems; ++k)
        for (int t = 0; t < score.GetTrackCount(); ++t) {
            CStaff* s = score.GetLine(k)->GetStaff(t);
            s->SetDisplay(std::uint8_t(s->GetDisplay() | 0x10));  // ledger lines shown
        }
    CBitmap pic;
    gallerytest::Picture(score, systems, &pic, [&](CArtist* a) {
        gallerytest::DrawSystems(score, systems, a, [](CBarItem* item) { return item->IsNoteOrRawNote(); });
    });
    gallerytest::ComparePicture(pic, "notation/pictures/notes.png");
}
