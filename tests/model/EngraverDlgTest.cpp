// The engraving settings operation and its dialog: the fields as shown, OK, Cancel, undo and
// redo, and the layout passes after a change.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/Clock.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/MessageBox.h"
#include "framework/UiTest.h"
#include "model/EngraverDlg.h"
#include "model/EngraverTask.h"
#include "platform/Port.h"

namespace {

using W = EngraverSettings::Word;

class CountingPasses : public DocLayoutPasses {
public:
    int respaced = 0, rejustified = 0, laidOut = 0;
    bool RespaceAllBars(CZelDoc*) override { return ++respaced, true; }
    bool RejustifyAllSystems(CZelDoc*) override { return ++rejustified, true; }
    bool LayoutAllPages(CZelDoc*) override { return ++laidOut, true; }
};

class EngraverDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitDrawing();
        fw::clocktest::SetManual(1000);
        session = std::make_unique<fw::uitest::Session>();
        InitEngraverSettings(record);
        SetDocLayoutPasses(&passes);
    }
    void TearDown() override {
        SetDocLayoutPasses(nullptr);
        session.reset();
        fw::clocktest::Reset();
    }
    // Runs the operation's dialog: sets the given fields' texts, then presses the button.
    bool RunDialog(CEngraverTask& task, std::map<int, std::string> texts, int button) {
        fw::uitest::OnNextModal([this, texts, button](CDialog& d) {
            shown.clear();
            for (int id = 3; id <= 41; id += 2) shown[id] = Text(d, id);
            for (int spin = 4; spin <= 42; spin += 2) {
                const DWORD range = DWORD(d.SendDlgItemMessage(spin, UDM_GETRANGE));
                spinRanges[spin] = {SHORT(HIWORD(range)), SHORT(LOWORD(range))};
            }
            for (const auto& [id, text] : texts) d.SetDlgItemText(id, text.c_str());
            fw::uitest::ClickControl(&d, button);
        });
        return task.Prepare();
    }
    static std::string Text(CDialog& d, int id) {
        char buf[32] = {};
        d.GetDlgItemText(id, buf, sizeof buf);
        return buf;
    }
    std::int16_t Word(int w) const { return record.GetWord(w); }

    std::unique_ptr<fw::uitest::Session> session;
    EngraverSettings record;
    CountingPasses passes;
    std::map<int, std::string> shown;
    std::map<int, std::pair<int, int>> spinRanges;  // lower, upper
};

}  // namespace

TEST_F(EngraverDlgTest, ANewDocumentShowsItsDefaultsInDisplayUnits) {
    CEngraverTask task(record);
    const EngraverSettings before = record;
    EXPECT_FALSE(RunDialog(task, {}, IDCANCEL));
    const std::map<int, std::string> expected = {
        {11, "4"}, {9, "5"},   {3, "6"},   {5, "9"},  {7, "7"},  {25, "3"}, {27, "12"}, {13, "8"}, {15, "10"}, {17, "40"},
        {19, "28"}, {21, "12"}, {23, "16"}, {29, "2"}, {31, "2"}, {33, "2"}, {35, "4"},  {37, "4"}, {39, "8"},  {41, "0"}};
    for (const auto& [id, text] : expected) EXPECT_EQ(shown[id], text) << "field " << id;
    EXPECT_EQ(std::memcmp(before.bytes, record.bytes, sizeof record.bytes), 0);
    EXPECT_EQ(fw::uitest::ModalsRun(), std::vector<UINT>{217});
    using R = std::pair<int, int>;
    for (int spin : {4, 6, 8, 10, 12}) EXPECT_EQ(spinRanges[spin], R(1, 100)) << spin;
    for (int spin = 14; spin <= 26; spin += 2) EXPECT_EQ(spinRanges[spin], R(0, 100)) << spin;
    for (int spin = 30; spin <= 38; spin += 2) EXPECT_EQ(spinRanges[spin], R(1, 8)) << spin;
    EXPECT_EQ(spinRanges[28], R(1, 32));
    EXPECT_EQ(spinRanges[40], R(0, 32));
    EXPECT_EQ(spinRanges[42], R(0, 32));
}

TEST_F(EngraverDlgTest, OkWritesTheChangedFieldsAndKeepsTheOthersExact) {
    CEngraverTask task(record);
    ASSERT_TRUE(RunDialog(task, {{11, "6"}, {31, "3"}, {3, "5"}, {17, "48"}}, IDOK));
    EXPECT_EQ(Word(W::kBarsPerSystem), 6);
    EXPECT_EQ(Word(W::kStemWidth), 15);     // quarter points x 20 / 4
    EXPECT_EQ(Word(W::kStaffSpacing), 600);  // whole spaces x 120
    EXPECT_EQ(Word(W::kClefToNote), 720);    // eighths x 120 / 8
    // Untouched fields keep their exact values, though they show rounded.
    EXPECT_EQ(Word(W::kLedgerLineWidth), 13);
    EXPECT_EQ(Word(W::kNoteMargin), 150);
    EXPECT_EQ(Word(W::kGroupsPerPage), 5);
}

TEST_F(EngraverDlgTest, TypedValuesAreHeldToTheSpinRanges) {
    CEngraverTask task(record);
    ASSERT_TRUE(RunDialog(task, {{3, "999"}, {27, "0"}, {39, "40"}}, IDOK));
    EXPECT_EQ(Word(W::kStaffSpacing), 100 * 120);
    EXPECT_EQ(Word(W::kBeamWidth), 1 * 20 / 4);
    EXPECT_EQ(Word(W::kFinalBarMargin), 32 * 120 / 8);
}

TEST_F(EngraverDlgTest, TieAndSlurWidthsOfZeroShowAsTwenty) {
    record.SetWord(W::kTieWidth, 0);
    record.SetWord(W::kSlurWidth, 0);
    CEngraverTask cancelled(record);
    EXPECT_FALSE(RunDialog(cancelled, {}, IDCANCEL));
    EXPECT_EQ(shown[37], "4");
    EXPECT_EQ(Word(W::kTieWidth), 0);  // a cancelled dialog leaves the record as it was
    CEngraverTask accepted(record);
    ASSERT_TRUE(RunDialog(accepted, {}, IDOK));
    EXPECT_EQ(Word(W::kTieWidth), 20);
    EXPECT_EQ(Word(W::kSlurWidth), 20);
}

TEST_F(EngraverDlgTest, AcceptingLaysTheScoreOutAgainAsOneUndoableStep) {
    CEngraverTask task(record);
    ASSERT_TRUE(RunDialog(task, {{11, "6"}}, IDOK));
    ASSERT_TRUE(task.Perform());
    EXPECT_EQ(passes.respaced, 1);
    EXPECT_EQ(passes.rejustified, 1);
    EXPECT_EQ(passes.laidOut, 1);
    EXPECT_EQ(task.layoutChanged, 1);
    task.SwapSnapshot();  // undo
    EXPECT_EQ(Word(W::kBarsPerSystem), 4);
    task.SwapSnapshot();  // redo
    EXPECT_EQ(Word(W::kBarsPerSystem), 6);
}

TEST_F(EngraverDlgTest, DisplayConversionsTruncate) {
    const struct {
        CEngraverDlg::Display display;
        int value, shown, back;
    } cases[] = {
        {CEngraverDlg::kAsIs, 7, 7, 7},        {CEngraverDlg::kSpaces, 719, 5, 600},
        {CEngraverDlg::kEighths, 150, 10, 150}, {CEngraverDlg::kEighths, 29, 1, 15},
        {CEngraverDlg::kQuarters, 13, 2, 10},  {CEngraverDlg::kQuarters, 60, 12, 60},
    };
    for (const auto& c : cases) {
        const CEngraverDlg::Field f{0, 0, 0, 0, 100, c.display};
        EXPECT_EQ(CEngraverDlg::ToDisplay(f, std::int16_t(c.value)), c.shown) << c.value;
        EXPECT_EQ(CEngraverDlg::FromDisplay(f, c.shown), c.back) << c.value;
    }
}
