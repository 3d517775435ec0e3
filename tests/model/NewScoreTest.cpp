// The new default score: the five arrangements (tracks, staves, braces, channels), titles, time
// signature, tempo mark, key respelling, ports, and a save and read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "RecordTestSupport.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "model/Bar.h"
#include "model/BarNumber.h"
#include "model/EventCursor.h"
#include "model/KeySig.h"
#include "model/ItemArray.h"
#include "model/NewScore.h"
#include "model/Preferences.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreFile.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Devices.h"

namespace {

// The output ports: those listed are open.
struct OpenPorts : CDevices {
    std::vector<int> open;
    bool IsPortAvailable(int port) override { return std::find(open.begin(), open.end(), port) != open.end(); }
};

struct Fixture {
    recordtest::CleanGlobals clean;
    CZelDoc doc;
    ScoreFileDoc fileDoc;
    std::unique_ptr<CScore> score;
    OpenPorts ports;
    Fixture() {
        RegisterTrackClass();
        MidiOutPorts() = MidiOutPortsState();
        ChosenOutputPorts() = nullptr;
        SetMidiOutPorts(&ports);
        score = std::make_unique<CScore>(&doc);
    }
    ~Fixture() {
        ChosenOutputPorts() = nullptr;
        SetMidiOutPorts(nullptr);
    }
    // The program's chosen output ports, each of them open.
    void ChoosePorts(const std::vector<int>& chosen) {
        ports.open = chosen;
        ChosenOutputPorts() = [chosen] { return chosen; };
    }
};

CTempo* FirstTempo(CScore& s) {
    CItemArray* items = s.GetBar(0)->GetItemArray();
    for (int i = 0; i < items->GetCount(); ++i) {
        auto* item = static_cast<CBarItem*>(items->GetAt(i));
        if (item->TypeCode() == CTempo::kTypeCode && !item->IsRemoved()) return static_cast<CTempo*>(item);
    }
    return nullptr;
}

// The key of the key signature record in bar 0 of each track (-1: none). Without the notation
// classes a key signature has no class of its own, and the run keeps it marked removed.
std::vector<int> KeySigsOfFirstBars(CScore& s) {
    std::vector<int> keys;
    for (int t = 0; t < s.GetTrackCount(); ++t) {
        int key = -1;
        for (CBarItem* r = s.GetTrkBar(t, 0)->GetItems(); r && r->Type() != 255; r = r->NextItem())
            if (r->IsKeySig()) key = static_cast<CKeySig*>(r)->GetKey();
        keys.push_back(key);
    }
    return keys;
}

struct ArrangementCase {
    int arrangement;
    int tracks, bars;
    int clefs[3];
    int braceStaff;          // staff that opens the brace, -1 none
    int channels[3];
    const char* names[3];
};

const ArrangementCase kArrangements[] = {
    {0, 1, 32, {0}, -1, {0}, {""}},
    {1, 2, 32, {0, 1}, 0, {0, 0}, {"Piano", ""}},
    {2, 3, 24, {0, 0, 1}, 1, {0, 1, 1}, {"Voice", "Piano", ""}},
    {3, 2, 32, {0, 13}, -1, {0, 0}, {"", ""}},
};

TEST(NewScoreTest, EachArrangementBuildsItsTracksStavesBracesAndChannels) {
    for (const ArrangementCase& c : kArrangements) {
        Fixture f;
        NewScoreSettings settings;
        settings.arrangement = c.arrangement;
        f.fileDoc.version = 0x300;  // the after-load steps give the document this program's version
        ASSERT_TRUE(BuildNewScore(*f.score, settings, &f.fileDoc)) << c.arrangement;
        CScore& s = *f.score;
        ASSERT_EQ(s.GetTrackCount(), c.tracks) << c.arrangement;
        EXPECT_EQ(s.GetBarCount(), c.bars) << c.arrangement;
        for (int t = 0; t < c.tracks; ++t) {
            EXPECT_EQ(s.GetTrack(t)->GetVoiceChannel(7), c.channels[t]) << c.arrangement << " " << t;
            EXPECT_STREQ(s.GetTrack(t)->GetFullName(), c.names[t]) << c.arrangement << " " << t;
        }
        for (int k = 0; k < s.GetLineCount(); ++k) {
            CLine* line = s.GetLine(k);
            for (int t = 0; t < c.tracks; ++t) {
                CStaff* staff = line->GetStaff(t);
                EXPECT_EQ(staff->GetClef(), c.clefs[t]) << c.arrangement << " " << t;
                EXPECT_EQ(staff->GetLineMask(), s.GetTrack(t)->GetLineMask());
                const bool opens = t == c.braceStaff;
                EXPECT_EQ(staff->GetBracketKind(0), opens ? 1 : 0) << c.arrangement << " " << t;
                if (opens) {
                    EXPECT_EQ(staff->GetBracketSpan(0), 1);
                    EXPECT_EQ(rec::Get<std::int16_t>(staff->Bracket(0), CStaff::kBracketWidth), 140);
                    EXPECT_EQ(rec::Get<std::int16_t>(staff->Bracket(0), CStaff::kBracketX), -140);
                    EXPECT_TRUE(staff->GetStaffFlags() & CStaff::kGroupContinuesBit);
                }
            }
        }
        EXPECT_EQ(f.fileDoc.version, ScoreFileDoc::kProgramVersion) << "the after-load steps ran";
        EXPECT_TRUE(MidiOutPorts().resendSetup);
    }
}

TEST(NewScoreTest, GuitarTrackSoundsAnOctaveLowerInItsRange) {
    Fixture f;
    NewScoreSettings settings;
    settings.arrangement = 3;
    ASSERT_TRUE(BuildNewScore(*f.score, settings));
    CTrack* guitar = f.score->GetTrack(0);
    // Written as a treble staff, played an octave lower by every voice.
    EXPECT_EQ(guitar->GetTransposition(), 0);
    for (int v = 0; v < 8; ++v) EXPECT_EQ(guitar->GetVoiceTranspose(v), -12) << v;
    EXPECT_EQ(f.score->GetTrack(1)->GetVoiceTranspose(0), 0);
    EXPECT_EQ(guitar->GetHighRange(), 81);
    EXPECT_EQ(guitar->GetLowRange(), 40);
    EXPECT_TRUE(f.score->GetTrack(1)->IsTablatureStaff());
    EXPECT_EQ(f.score->GetTrack(1)->GetLineMask(), 2016);
}

TEST(NewScoreTest, TitlesMeterTempoAndPickupComeFromTheSettings) {
    Fixture f;
    NewScoreSettings settings;
    std::strcpy(settings.title, "Sonatina");
    std::strcpy(settings.text3, "A. Composer");
    std::strcpy(settings.text4, "(c) 2024");
    settings.meterPreset = 3;   // 3/4
    settings.tempo = 12000;
    settings.tempoDisplay = 3;  // an eighth-note beat
    settings.tempoFlagA = 1;
    settings.tempoFlagB = 1;
    settings.pickup = 1;
    ASSERT_TRUE(BuildNewScore(*f.score, settings, &f.fileDoc));
    CScore& s = *f.score;
    EXPECT_STREQ(f.fileDoc.titles[0].lines[0].text, "Sonatina");
    EXPECT_STREQ(f.fileDoc.titles[1].lines[0].text, "");
    EXPECT_STREQ(f.fileDoc.titles[2].lines[0].text, "A. Composer");
    EXPECT_STREQ(f.fileDoc.titles[3].lines[0].text, "(c) 2024");
    for (int b = 0; b < s.GetBarCount(); ++b) {
        EXPECT_EQ(s.GetBar(b)->GetMeter()->GetNumerator(), 3) << b;
        EXPECT_EQ(s.GetBar(b)->GetMeterLength(), 1440) << b;
        EXPECT_EQ(s.GetBar(b)->GetTempo(), 12000) << b;
    }
    EXPECT_TRUE(s.GetBar(0)->HasBarFlag(CBar::kShortBarBit));
    CTempo* mark = FirstTempo(s);
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->GetValue(), 12000);
    EXPECT_EQ(mark->GetBeatUnit(), 4);
    EXPECT_TRUE(mark->IsDotted());
    EXPECT_EQ(rec::Get<std::uint8_t>(mark, CTempo::kUnit) & 0x02, 0x02);
    // Flag B dots the beat: a dotted eighth at 120 is a quarter at 90, and a 3/4 bar lasts two
    // seconds.
    EXPECT_EQ(s.GetBar(1)->GetStartTime(), 2000);
}

TEST(NewScoreTest, BarsKeepTheirStartInTicksBesideTheirStartInMilliseconds) {
    Fixture f;
    NewScoreSettings settings;
    settings.tempo = 6000;  // 60 quarters a minute: a 4/4 bar lasts four seconds
    ASSERT_TRUE(BuildNewScore(*f.score, settings));
    CScore& s = *f.score;
    for (int b : {1, 5}) {
        EXPECT_EQ(s.GetBar(b)->GetStartTicks(), b * 1920) << b;
        EXPECT_EQ(s.GetBar(b)->GetStartTime(), b * 4000) << b;
        EXPECT_EQ(s.GetTrkBar(0, b)->GetBarStart(), b * 1920) << b;
    }
    CEventCursor cursor;
    cursor.Seek(&s, -1, 0);  // the bars' own items: every bar has its beat chart at time 0
    cursor.SeekToTime(5 * 1920);
    EXPECT_EQ(cursor.GetBarIndex(), 5);
    EXPECT_EQ(cursor.GetBarStart(), 5 * 1920);
}

TEST(NewScoreTest, FirstBarCarriesAHiddenBarNumberThatLaterBarsLinkTo) {
    for (int a = 0; a < 4; ++a) {
        Fixture f;
        NewScoreSettings settings;
        settings.arrangement = a;
        ASSERT_TRUE(BuildNewScore(*f.score, settings));
        CScore& s = *f.score;
        CBarItem* number = s.GetBar(0)->GetBarNumberItem(true);
        ASSERT_NE(number, nullptr) << a;
        EXPECT_EQ(number->TypeCode(), CBarNumber::kTypeCode);
        EXPECT_TRUE(number->IsHidden()) << a;
        EXPECT_EQ(static_cast<CBarNumber*>(number)->GetShowMode(), 1);
        EXPECT_EQ(s.GetBar(0)->GetBarNumberLink(), -1);
        for (int b = 1; b < s.GetBarCount(); ++b) {
            EXPECT_EQ(s.GetBar(b)->GetBarNumberLink(), 0) << a << " " << b;
            EXPECT_EQ(s.GetBar(b)->GetBarNumberItem(false), number) << a << " " << b;
        }
    }
}

TEST(NewScoreTest, AnInstrumentTemplateThatCannotBeAppliedFailsTheBuild) {
    Fixture f;
    NewScoreSettings settings;
    settings.singleStaffChoice = 2;  // the first instrument template
    EXPECT_FALSE(BuildNewScore(*f.score, settings));
}

TEST(NewScoreTest, KeepSettingsLeavesTitlesTempoAndBarsAlone) {
    Fixture f;
    NewScoreSettings settings;
    std::strcpy(settings.title, "Kept");
    settings.keepSettings = 1;
    settings.key = 9;
    f.fileDoc.version = 0x300;
    ASSERT_TRUE(BuildNewScore(*f.score, settings, &f.fileDoc));
    EXPECT_STREQ(f.fileDoc.titles[0].lines[0].text, "");
    EXPECT_EQ(FirstTempo(*f.score), nullptr);
    EXPECT_EQ(KeySigsOfFirstBars(*f.score), std::vector<int>(f.score->GetTrackCount(), -1));
    EXPECT_EQ(f.fileDoc.version, 0x300) << "no after-load steps";
}

TEST(NewScoreTest, KeyPutsAKeySignatureIntoTheFirstBarOfEveryTrack) {
    Fixture f;
    NewScoreSettings settings;
    settings.arrangement = 2;
    settings.key = 9;
    ASSERT_TRUE(BuildNewScore(*f.score, settings));
    EXPECT_EQ(KeySigsOfFirstBars(*f.score), std::vector<int>(3, 9));
    for (int t = 0; t < 3; ++t) EXPECT_EQ(f.score->GetTrack(t)->GetKey(), 9) << "track " << t << " takes the key";
}

TEST(NewScoreTest, DefaultPortGoesToTrackZeroOnlyWhenAvailable) {
    const struct {
        int arrangement;
        std::vector<int> ports;
        int port;
        int want;
    } cases[] = {
        {2, {3, 5}, 5, 5}, {2, {3}, 5, 0}, {3, {7}, 7, 7}, {1, {7}, 7, 0},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.ChoosePorts(c.ports);
        g_preferences.SetWord(Preferences::kDefaultDevice, std::int16_t(c.port));
        NewScoreSettings settings;
        settings.arrangement = c.arrangement;
        ASSERT_TRUE(BuildNewScore(*f.score, settings));
        EXPECT_EQ(f.score->GetTrack(0)->GetDevice(), c.want) << c.arrangement;
    }
}

TEST(NewScoreTest, KeepingTheTracksMovesUnavailablePortsAndDropsFirstBarMarks) {
    Fixture f;
    NewScoreSettings first;
    first.arrangement = 1;
    ASSERT_TRUE(BuildNewScore(*f.score, first));
    f.score->GetTrack(0)->SetDevice(4);
    f.score->GetTrack(1)->SetDevice(9);
    f.ChoosePorts({2, 4});
    NewScoreSettings keep;
    keep.arrangement = 4;
    keep.tempo = 6000;
    ASSERT_TRUE(BuildNewScore(*f.score, keep));
    EXPECT_EQ(f.score->GetTrackCount(), 2);
    EXPECT_EQ(f.score->GetTrack(0)->GetDevice(), 4);
    EXPECT_EQ(f.score->GetTrack(1)->GetDevice(), 2);
    CTempo* mark = FirstTempo(*f.score);
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->GetValue(), 6000);  // the old mark is gone, the new one counts
    EXPECT_EQ(f.score->GetBar(3)->GetTempo(), 6000);
}

TEST(NewScoreTest, SavedScoreReadsBackTheSame) {
    for (int a = 0; a < 4; ++a) {
        Fixture f;
        NewScoreSettings settings;
        settings.arrangement = a;
        std::strcpy(settings.title, "Round trip");
        settings.meterPreset = 8;  // 6/8
        settings.tempo = 7200;
        ASSERT_TRUE(BuildNewScore(*f.score, settings, &f.fileDoc));
        const std::vector<std::uint8_t> bytes = ScoreFile::WriteToBytes(*f.score, f.fileDoc);
        CScore again(&f.doc);
        ScoreFileDoc doc2;
        CMemFile file(bytes);
        ASSERT_TRUE(ScoreFile::Open(again, doc2, file)) << a;
        EXPECT_EQ(again.GetTrackCount(), f.score->GetTrackCount());
        EXPECT_EQ(again.GetBarCount(), f.score->GetBarCount());
        EXPECT_STREQ(doc2.titles[0].lines[0].text, "Round trip");
        EXPECT_EQ(again.GetBar(5)->GetMeter()->GetNumerator(), 6);
        EXPECT_EQ(again.GetBar(0)->GetItemArray()->GetCount(), f.score->GetBar(0)->GetItemArray()->GetCount());
        // A one-track score keeps its single-track option; the instrument bytes stay with their
        // tracks.
        EXPECT_EQ(again.singleTrack, a == 0 ? 1 : 0) << a;
        const int instruments[4][3] = {{0}, {0, 0}, {54, 0, 0}, {26, 26}};
        for (int t = 0; t < again.GetTrackCount(); ++t)
            EXPECT_EQ(again.GetTrack(t)->GetInstrument(), instruments[a][t]) << a << " " << t;
        EXPECT_EQ(ScoreFile::WriteToBytes(again, doc2), bytes) << a;
    }
}

}  // namespace
