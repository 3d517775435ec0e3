// Random series of clears, cuts, strips and erases on the mixed fixture: undoing them all gives
// the file's bytes back, and redoing them all gives the edited bytes back.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "edit/Commands.h"
#include "edit/DeleteTask.h"
#include "framework/Globals.h"
#include "framework/MessageBox.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/ItemArray.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "notation/RawNote.h"
#include "platform/Port.h"
#include "support/TempHome.h"
#include "support/TestData.h"

namespace {

std::vector<std::uint8_t> Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Fixture {
    testsupport::TempHome home;
    testsupport::TempDir dir;
    std::unique_ptr<CZelDoc> doc;
    CScore* score = nullptr;

    Fixture() {
        fw::ResetAllGlobals();
        RegisterTrackClass();
        RegisterNotationClasses();
        InitDrawing();
        doc = std::make_unique<CZelDoc>();
        const std::string path = testsupport::TestDataPath("edit/mixed.zel");
        EXPECT_TRUE(doc->OnOpenDocument(path.c_str()));
        score = doc->GetScore();
        doc->MakeCurrent();
    }
    // The saved form of the score as it stands.
    std::vector<std::uint8_t> Saved() {
        const std::string path = dir.path() + "/now.zel";
        EXPECT_TRUE(doc->WriteNative(path));
        return Bytes(path);
    }
    // Every record, head and own item of the bars deselected: what a selection leaves in the
    // records is not part of an edit.
    void DeselectAll() {
        for (int t = 0; t < score->GetTrackCount(); ++t)
            for (int b = 0; b < score->GetBarCount(); ++b)
                for (CBarItem* i = score->GetTrkBar(t, b)->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
                    i->Deselect();
        for (int b = 0; b < score->GetBarCount(); ++b) {
            CItemArray* own = score->GetBar(b)->GetItemArray();
            for (int i = 0; own && i < own->GetCount(); ++i) static_cast<CBarItem*>(own->GetAt(i))->Deselect();
        }
    }
    // The live records of the fixture's bars 0-3.
    std::vector<std::pair<CBar*, CBarItem*>> LiveItems() {
        std::vector<std::pair<CBar*, CBarItem*>> out;
        for (int t = 0; t < score->GetTrackCount(); ++t)
            for (int b = 0; b < 4; ++b)
                for (CBarItem* i = score->GetTrkBar(t, b)->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
                    if (!i->IsRemoved()) out.push_back({score->GetBar(b), i});
        return out;
    }
};

TEST(EditProperty, UndoingEverythingGivesTheFileBackAndRedoingGivesTheEditBack) {
    const int kCommands[] = {CDeleteTask::kClear, CDeleteTask::kCut, CDeleteTask::kDeleteMarks,
                             CDeleteTask::kDeleteBeams, CDeleteTask::kDeleteDuplicates, 4207};
    int edits = 0;   // series that changed the score
    for (unsigned seed = 1; seed <= 24; ++seed) {
        Fixture f;
        fw::msgboxtest::Capture boxes;
        const std::vector<std::uint8_t> file = Bytes(testsupport::TestDataPath("edit/mixed.zel"));
        ASSERT_EQ(f.Saved(), file) << "the fixture saves as it reads";
        std::mt19937 random(seed);
        auto pick = [&](int n) { return int(random() % unsigned(n)); };
        std::string series;
        const int steps = 3 + pick(6);
        for (int k = 0; k < steps; ++k) {
            const int id = kCommands[pick(6)];
            series += " " + std::to_string(id);
            auto items = f.LiveItems();
            if (items.empty()) break;
            f.doc->location.voice = std::uint16_t(pick(2));
            f.doc->location.allVoices = std::uint8_t(pick(2));
            if (id == 4207) {
                const auto& [bar, item] = items[std::size_t(pick(int(items.size())))];
                g_model.hitBar = bar;
                g_model.hitItem = item;
                const bool note = item->IsNoteOrRawNote();
                const bool mark = item->IsNoteRestOrRawNote() && static_cast<CRawHead*>(item)->MarkCount() > 0 && pick(2);
                g_model.hitTool = std::int16_t(mark ? 906 : 0);
                g_model.hitKind = 0;
                g_model.hitPart = std::int16_t(mark ? pick(static_cast<CRawHead*>(item)->MarkCount())
                                  : note && pick(2) ? pick(static_cast<CRawNote*>(item)->HeadCountField())
                                                    : CRawNote::kAllHeads);
            } else {
                // A random set of records, some chords by one head only, over the tracks and
                // bars they lie in.
                CSelect* sel = f.doc->GetSelection();
                sel->Reset();
                sel->lower[4] = sel->lower[5] = 0;
                sel->upper[4] = sel->upper[5] = 32767;
                for (auto& [bar, item] : items) {
                    if (pick(3) != 0) continue;
                    auto* note = item->IsNoteOrRawNote() ? static_cast<CRawNote*>(item) : nullptr;
                    if (note && note->HeadCountField() > 1 && pick(2)) {
                        item->Select();
                        note->Head(pick(note->HeadCountField()))->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, true);
                    } else {
                        item->SelectPart(CRawNote::kAllHeads);
                    }
                    CTrkBar* tb = nullptr;
                    for (int t = 0; t < f.score->GetTrackCount() && !tb; ++t) {
                        CTrkBar* c = f.score->GetTrkBar(t, bar->GetIndex());
                        const auto* run = reinterpret_cast<const std::uint8_t*>(c->GetItems());
                        const auto* at = reinterpret_cast<const std::uint8_t*>(item);
                        if (at >= run && at < run + c->GetRunLength()) tb = c;
                    }
                    const std::int16_t t = std::int16_t(tb->GetTrackIndex()), b = std::int16_t(bar->GetIndex());
                    sel->lower[1] = std::min(sel->lower[1], t);
                    sel->upper[1] = std::max(sel->upper[1], t);
                    sel->lower[3] = std::min(sel->lower[3], b);
                    sel->upper[3] = std::max(sel->upper[3], b);
                }
                if (pick(4) == 0) {
                    // Now and then the tempo mark of bar 1 too.
                    CItemArray* own = f.score->GetBar(1)->GetItemArray();
                    for (int i = 0; own && i < own->GetCount(); ++i)
                        if (static_cast<CBarItem*>(own->GetAt(i))->IsTempo()) static_cast<CBarItem*>(own->GetAt(i))->Select();
                }
            }
            f.doc->OnCommandRange(id);
        }
        f.DeselectAll();
        const std::vector<std::uint8_t> edited = f.Saved();
        if (edited != file) ++edits;
        const int done = f.doc->GetUndoPosition();
        for (int k = 0; k < done; ++k) f.doc->Undo();
        f.DeselectAll();
        EXPECT_EQ(f.Saved(), file) << "seed " << seed << ":" << series << ": undo of all " << done;
        for (int k = 0; k < done; ++k) f.doc->Redo();
        EXPECT_EQ(f.Saved(), edited) << "seed " << seed << ":" << series << ": redo of all";
    }
    EXPECT_GE(edits, 20) << "nearly every series changes the score";
}

}  // namespace
