// Random series of clears, cuts, strips and erases on the mixed fixture: undoing them all gives
// the file's bytes back, and redoing them all gives the edited bytes back.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "edit/Commands.h"
#include "edit/DeleteTask.h"
#include "edit/PasteTask.h"
#include "framework/Dialog.h"
#include "framework/UiTest.h"
#include "model/EditTask.h"
#include "model/Select.h"
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

// Operations the long series makes besides the commands: each saves what it changes first.
struct SeriesTask : CScoreTask {
    std::function<void(SeriesTask&)> perform;
    bool Perform() override {
        perform(*this);
        return true;
    }
};

TEST(EditProperty, LongSeriesWithUndoAndRedoAtRandomPointsStayExact) {
    // Notes, bars, tracks, pastes (each mode), page setup, clears; undo and redo between them.
    // After every step the score's bytes are those the undo list's position stands for; pushes
    // past 32 drop the oldest entry and a push after undos cuts the redo tail (the sanitizer
    // tree sees each dropped operation free what it holds, once).
    int longest = 0;
    for (unsigned seed = 1; seed <= 10; ++seed) {
        Fixture f;
        fw::msgboxtest::Capture boxes;
        fw::uitest::Session session;
        edit::RegisterOperations();
        std::mt19937 random(seed * 7919);
        auto pick = [&](int n) { return int(random() % unsigned(n)); };
        // states[k]: the saved bytes at undo position k.
        std::vector<std::vector<std::uint8_t>> states{f.Saved()};
        std::string series;
        const int steps = seed <= 3 ? 44 : 12 + pick(10);
        for (int k = 0; k < steps; ++k) {
            const int kind = pick(9);
            series += " " + std::to_string(kind);
            const int pos = f.doc->GetUndoPosition(), count = f.doc->GetUndoCount();
            if (kind == 7 && pos > 0) {
                f.doc->Undo();
            } else if (kind == 8 && pos < count) {
                f.doc->Redo();
            } else {
                const int tracks = f.score->GetTrackCount(), bars = f.score->GetBarCount();
                const int t = pick(tracks), b = pick(bars);
                switch (kind) {
                case 0: {  // a note
                    auto* task = new SeriesTask;
                    task->Attach(f.doc.get(), 1);
                    task->perform = [&, t, b](SeriesTask& op) {
                        op.SaveTrackBar(t, b);
                        CTrkBar* tb = f.score->GetTrkBar(t, b);
                        tb->SetCurrent();
                        CBarItem* rest = tb->NewItem(128, 240 * pick(8));
                        if (rest) rest->SetVoice(pick(2));
                    };
                    f.doc->DoTask(task);
                    break;
                }
                case 1: {  // a bar put in
                    auto* task = new SeriesTask;
                    task->Attach(f.doc.get(), 1);
                    task->perform = [&, b](SeriesTask& op) {
                        // Every bar from the new one on moves: each is saved whole.
                        op.SaveTrackBarRange(0, b, CScoreTask::kMaxSavedTracks - 1, f.score->GetBarCount() - 1);
                        f.score->InsertBar(b);
                        f.score->Reindex();
                    };
                    f.doc->DoTask(task);
                    break;
                }
                case 2:  // a track in or out
                    f.doc->location.trackIndex = t;
                    if (tracks > 1 && pick(2)) {
                        boxes.Answer(IDYES);
                        f.doc->OnCommandRange(33008);
                    } else {
                        f.doc->OnCommandRange(4312);
                    }
                    break;
                case 3: {  // copy a random range, paste it somewhere in a random mode
                    f.DeselectAll();
                    const int b1 = pick(bars), b2 = std::min(bars - 1, b1 + pick(2));
                    const int t1 = pick(tracks), t2 = std::min(tracks - 1, t1 + pick(2));
                    CSelect* sel = f.doc->GetSelection();
                    sel->Reset();
                    for (int tt = t1; tt <= t2; ++tt)
                        for (int bb = b1; bb <= b2; ++bb)
                            for (CBarItem* i = f.score->GetTrkBar(tt, bb)->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
                                if (!i->IsRemoved() && pick(2)) i->SelectPart(CRawNote::kAllHeads);
                    sel->lower[1] = std::int16_t(t1);
                    sel->upper[1] = std::int16_t(t2);
                    sel->lower[3] = std::int16_t(b1);
                    sel->upper[3] = std::int16_t(b2);
                    sel->lower[4] = sel->lower[5] = 0;
                    sel->upper[4] = sel->upper[5] = 32767;
                    f.doc->OnCommandRange(57634);
                    f.DeselectAll();
                    f.doc->SetCurrentBar(b, false);
                    f.doc->location.trackIndex = t;
                    f.doc->location.barIndex = std::int16_t(b);
                    f.doc->location.time = 480 * pick(3);
                    f.doc->location.voice = std::uint16_t(pick(3));
                    f.doc->location.allVoices = 0;
                    f.doc->location.insertionPlaced = 1;
                    for (int o = 0; o < 6; ++o) PasteOptions()[o] = std::uint8_t(pick(2));
                    const int modes[] = {57637, 32870, 57639};
                    const int id = modes[pick(3)];
                    if (id == 57639) fw::uitest::OnNextModal([](CDialog& d) { fw::uitest::ClickControl(&d, IDOK); });
                    f.doc->OnCommandRange(id);
                    break;
                }
                case 4: {  // page setup
                    auto* task = new SeriesTask;
                    task->Attach(f.doc.get(), 1);
                    task->perform = [&](SeriesTask& op) {
                        op.SavePageSetup();
                        const RECT m = f.doc->GetMargins();
                        f.doc->SetMargins(m.left + 20 * (1 + pick(4)), m.top, m.right, m.bottom + 20);
                        f.score->tilePages ^= 1;
                    };
                    f.doc->DoTask(task);
                    break;
                }
                default: {  // clear a random record set
                    auto items = f.LiveItems();
                    if (items.empty()) break;
                    CSelect* sel = f.doc->GetSelection();
                    sel->Reset();
                    sel->lower[4] = sel->lower[5] = 0;
                    sel->upper[4] = sel->upper[5] = 32767;
                    sel->lower[1] = 0;
                    sel->upper[1] = std::int16_t(tracks - 1);
                    sel->lower[3] = 0;
                    sel->upper[3] = 3;
                    for (auto& [bar, item] : items)
                        if (pick(3) == 0) item->SelectPart(CRawNote::kAllHeads);
                    f.doc->location.allVoices = 1;
                    f.doc->OnCommandRange(CDeleteTask::kClear);
                    break;
                }
                }
                f.DeselectAll();
                const int now = f.doc->GetUndoCount();
                if (f.doc->GetUndoPosition() == pos + 1 || (pos == 32 && f.doc->GetUndoPosition() == 32 && now == 32)) {
                    // A push: the redo tail goes, then the oldest beyond 32.
                    states.resize(std::size_t(pos + 1));
                    states.push_back(f.Saved());
                    if (states.size() > 33) {
                        states.erase(states.begin());
                    }
                } else if (f.doc->GetUndoCount() == count && f.doc->GetUndoPosition() == pos) {
                    // Nothing was pushed: the score is as it was (or changed with no entry, which
                    // cuts the redo tail).
                    const std::vector<std::uint8_t> bytes = f.Saved();
                    if (bytes != states[std::size_t(pos)]) {
                        states.resize(std::size_t(pos + 1));
                        states[std::size_t(pos)] = bytes;
                    }
                } else {
                    // An operation that changed the score without an entry cut the tail.
                    states.resize(std::size_t(f.doc->GetUndoPosition() + 1));
                    states.back() = f.Saved();
                }
            }
            f.DeselectAll();
            const int at = f.doc->GetUndoPosition();
            ASSERT_EQ(int(states.size()), f.doc->GetUndoCount() + 1) << "seed " << seed << ":" << series;
            ASSERT_EQ(f.Saved(), states[std::size_t(at)]) << "seed " << seed << ":" << series << " at " << at;
        }
        // Undo everything there is, then redo everything.
        while (f.doc->GetUndoPosition() > 0) f.doc->Undo();
        f.DeselectAll();
        EXPECT_EQ(f.Saved(), states.front()) << "seed " << seed << ":" << series << ": undo of all";
        while (f.doc->GetUndoPosition() < f.doc->GetUndoCount()) f.doc->Redo();
        f.DeselectAll();
        EXPECT_EQ(f.Saved(), states.back()) << "seed " << seed << ":" << series << ": redo of all";
        longest = std::max(longest, int(states.size()) - 1);
    }
    EXPECT_EQ(longest, 32) << "some series push past the 32 the list keeps";
}

}  // namespace
