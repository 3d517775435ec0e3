// Opening MIDI files built here through the document: the staff proposal (percussion, bass,
// split piano), tempo and time signature, notes placed and dropped, the title's lines, refused
// files that open nothing, and a seeded mutation pass over the import.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "app/ImportDlg.h"
#include "app/MidiFileHooks.h"
#include "framework/Clock.h"
#include "framework/UiTest.h"
#include "framework/File.h"
#include "framework/Globals.h"
#include "framework/MessageBox.h"
#include "midi/MidiExport.h"
#include "midi/MidiImport.h"
#include "model/Data.h"
#include "model/ItemArray.h"
#include "model/ItemFactory.h"
#include "model/KeySig.h"
#include "model/Lyric.h"
#include "model/NewScore.h"
#include "model/PlaybackMarks.h"
#include "model/Symbol.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Text.h"
#include "model/Tempo.h"
#include "model/Bar.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "notation/Note.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "platform/StdDlg.h"
#include "platform/Theory.h"
#include "support/TempHome.h"
#include "MidiImportSupport.h"

namespace {

using namespace midiimporttest;

TEST(MidiImport, FormatZeroOnChannelsOneAndTenProposesTwoStavesTheSecondPercussion) {
    Env env;
    std::vector<Ev> e;
    Note(e, 0, 480, 60, 0);
    Note(e, 0, 240, 36, 9);
    const auto rows = env.Rows(Smf(0, {Track(e)}));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].clefChoice, 0);
    EXPECT_EQ(rows[1].channel, 9);
    EXPECT_EQ(rows[1].clefChoice, 4);
}

TEST(MidiImport, ABassGetsTheBassClefAndAnOctaveDown) {
    Env env;
    std::vector<Ev> e = {{0, {0xC0, 33}}};
    Note(e, 0, 480, 40);
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("bass.mid", Smf(1, {Track({}), Track(e)})).c_str()))
        << doc.lastReadCode;
    CTrack* t = doc.GetScore()->GetTrack(0);
    EXPECT_EQ(t->GetClef(), 1);
    EXPECT_EQ(t->GetTransposition(), -12);
}

TEST(MidiImport, AWidePianoPartBecomesTwoStavesSplitAt60) {
    Env env;
    std::vector<Ev> e = {{0, {0xC0, 0}}};
    Note(e, 0, 480, 36);
    Note(e, 480, 480, 79);
    const Bytes file = Smf(1, {Track({}), Track(e)});
    const auto rows = env.Rows(file);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].splitKey, 60);
    EXPECT_EQ(rows[0].pedalMarks, 1);
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("piano.mid", file).c_str()));
    CScore& s = *doc.GetScore();
    ASSERT_EQ(s.GetTrackCount(), 2);
    EXPECT_EQ(s.GetTrack(1)->GetClef(), 1);
    const auto upper = NotesOf(s, 0), lower = NotesOf(s, 1);
    ASSERT_EQ(upper.size(), 1u);
    EXPECT_EQ(upper[0].pitch, 79);
    ASSERT_EQ(lower.size(), 1u);
    EXPECT_EQ(lower[0].pitch, 36);
}

TEST(MidiImport, SixtyFiveTracksImportTracksZeroTo63) {
    Env env;
    std::vector<Bytes> tracks = {Track({})};
    for (int t = 1; t < 65; ++t) {
        std::vector<Ev> e;
        Note(e, 0, 480, 60);
        tracks.push_back(Track(e));
    }
    const auto rows = env.Rows(Smf(1, tracks));
    EXPECT_EQ(rows.size(), 63u);
}

TEST(MidiImport, TempoTimeSignatureAndTitleComeFromTheConductorTrack) {
    Env env;
    std::vector<Ev> c = {Meta(0, 3, "First; Second"), {0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}},
                         {0, {0xFF, 0x58, 0x04, 3, 2, 24, 8}}, {1440, {0xFF, 0x51, 0x03, 0x00, 0x00, 0x00}}};
    std::vector<Ev> e;
    Note(e, 0, 480, 60);
    Note(e, 1440, 480, 62);
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("tempo.mid", Smf(1, {Track(c), Track(e)})).c_str()));
    CScore& s = *doc.GetScore();
    EXPECT_EQ(s.GetBar(0)->GetTempo(), 12000);
    EXPECT_EQ(s.GetBar(1)->GetTempo(), 12000);  // the tempo of 0 microseconds is ignored
    EXPECT_EQ(s.GetBar(0)->GetMeterLength(), 1440);
    EXPECT_EQ(std::string(doc.titles[0].lines[0].text), "First");
    EXPECT_EQ(std::string(doc.titles[0].lines[1].text), " Second");
    EXPECT_EQ(NotesOf(s, 0), (std::vector<Placed>{{0, 0, 60, 480, 90}, {1, 0, 62, 480, 90}}));
}

TEST(MidiImport, ANoteNeverSwitchedOffEndsAtTheTracksEndAndA33rdSoundingNoteIsDropped) {
    Env env;
    std::vector<Ev> e = {{0, {0x90, 50, 90}}};  // never ends
    for (int k = 0; k < 33; ++k) Note(e, 480, 480, 60 + k);
    g_midiImport.optionsDialog = [](MidiImportSettings& s) {
        for (auto& r : s.rows) r.transcribe = 0;
        return true;
    };
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("open.mid", Smf(1, {Track({}), Track(e)})).c_str()));
    const auto notes = NotesOf(*doc.GetScore(), 0);
    // The unfinished note held a slot: 31 of the 33 found one, and it ends with the track.
    ASSERT_EQ(notes.size(), 32u);
    EXPECT_EQ(notes.front(), (Placed{0, 0, 50, 960, 90}));
}

TEST(MidiImport, TitlesSplitIntoAtMostFourLines) {
    EXPECT_EQ(SplitTitleLines("A;B\nC"), (std::vector<std::string>{"A", "B", "C"}));
    const std::string longText(100, 'x');
    EXPECT_EQ(SplitTitleLines(longText),
              (std::vector<std::string>{std::string(32, 'x'), std::string(32, 'x'), std::string(36, 'x')}));
    EXPECT_EQ(SplitTitleLines("a;b;c;d;e").size(), 4u);
}

TEST(MidiImport, RefusedFilesOpenNoDocumentAndGive101) {
    Env env;
    Bytes bad = Smf(2, {Track({})});
    CZelDoc doc;
    EXPECT_FALSE(doc.OnOpenDocument(env.Write("bad.mid", bad).c_str()));
    EXPECT_EQ(doc.lastReadCode, 101);
    Bytes cut = Smf(1, {Track({}), Track({})});
    cut[11] = 3;  // a track that is not there
    EXPECT_FALSE(doc.OnOpenDocument(env.Write("cut.mid", cut).c_str()));
    EXPECT_EQ(doc.lastReadCode, 101);
}

TEST(MidiImport, MutatedFilesImportOrAreRefused) {
    Env env;
    std::vector<Ev> c = {Meta(0, 3, "T"), {0, {0xFF, 0x58, 0x04, 3, 2, 24, 8}}};
    std::vector<Ev> e = {{0, {0xC0, 5}}, Meta(0, 3, "Name")};
    for (int k = 0; k < 12; ++k) Note(e, k * 240, 200, 50 + k, k % 3);
    // A file with everything besides notes: karaoke texts, lyrics, markers, a pedal, data,
    // later programs and keys, and a wide piano part that splits.
    std::vector<Ev> rc = {Meta(0, 3, "T"), Meta(0, 2, "C"), Meta(480, 6, "M"), {1920, {0xFF, 0x59, 0x02, 0x03, 0x00}}};
    std::vector<Ev> r = {Meta(0, 1, "@KMIDI KARAOKE FILE"), Meta(0, 1, "\\Hel"), Meta(240, 1, "lo "),
                         Meta(480, 5, "x_"),  Meta(720, 5, ""),  {0, {0xC0, 0}},  {0, {0xB0, 64, 127}},
                         {300, {0xB0, 64, 0}}, {0, {0xB0, 7, 90}}, {100, {0xE0, 1, 64}}, {200, {0xD0, 9}},
                         {2000, {0xC0, 7}},    Meta(10, 4, "Port"), {2100, {0xFF, 0x59, 0x02, 0xFC, 0x00}}};
    for (int k = 0; k < 12; ++k) Note(r, k * 240, 200, 30 + 4 * k);
    const Bytes seeds[] = {Smf(1, {Track(c), Track(e)}), Smf(1, {Track(rc), Track(r)}), Smf(0, {Track(r)})};
    std::mt19937 random(8132);
    for (int round = 0; round < 120; ++round) {
        Bytes f = seeds[round % 3];
        for (int k = 0; k < 3; ++k) f[random() % f.size()] = std::uint8_t(random());
        CZelDoc doc;
        const bool opened = doc.OnOpenDocument(env.Write("m.mid", f).c_str());
        if (!opened) EXPECT_TRUE(doc.lastReadCode == 101 || doc.lastReadCode == 100 || doc.lastReadCode == 1) << round;
    }
}

// --- the options dialog, offscreen with scripted input ----------------------------------------------

struct DialogEnv : Env {
    std::unique_ptr<fw::uitest::Session> session;
    DialogEnv() {
        fw::clocktest::SetManual(1000);
        session = std::make_unique<fw::uitest::Session>();
        RegisterMidiFileHooks();  // the program's dialog
    }
    ~DialogEnv() {
        session.reset();
        fw::clocktest::Reset();
    }
    // A format 0 file with notes on channels 1, 2 and 10.
    static Bytes ThreeChannels() {
        std::vector<Ev> e;
        Note(e, 0, 480, 60, 0);
        Note(e, 0, 480, 48, 1);
        Note(e, 0, 240, 36, 9);
        return Smf(0, {Track(e)});
    }
    // Clicks the cell of the grid, Alt held when asked.
    static void ClickCell(CImportDlg& dlg, int row, int column, bool alt) {
        RECT cell;
        dlg.grid.GetCellRect(row, column, &cell);
        fw::uitest::Click(&dlg, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2, fw::uitest::kLeft,
                          alt ? fw::uitest::kAlt : fw::uitest::kNone);
    }
};

TEST(MidiImportDialog, OpeningAMidiFileShowsDialog254AndOkTakesTheProposal) {
    DialogEnv env;
    fw::uitest::OnNextModal([](CDialog& d) { fw::uitest::ClickControl(&d, IDOK); });
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("three.mid", DialogEnv::ThreeChannels()).c_str())) << doc.lastReadCode;
    EXPECT_EQ(fw::uitest::ModalsRun(), std::vector<UINT>{254});
    CScore& s = *doc.GetScore();
    ASSERT_EQ(s.GetTrackCount(), 3);
    EXPECT_TRUE(s.GetTrack(2)->IsPercussionStaff());
    // Transcribed: notes, not performance notes.
    CTrkBar* tb = s.GetTrkBar(0, 0);
    bool note = false;
    for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem()) note = note || i->TypeCode() == 144;
    EXPECT_TRUE(note);
}

TEST(MidiImportDialog, TheWorkShowsProgressDialog255AndItsCancelOpensNothing) {
    DialogEnv env;
    g_midiImport.optionsDialog = nullptr;
    auto transcribe = g_midiImport.transcribe;
    std::string label, message;
    bool cancel = false;
    // (The hook sees the dialog while the notes are transcribed; its pumping takes the press.)
    g_midiImport.transcribe = [&](CScore& score, int track, int lastBar, int voice, int grid, bool voices) {
        // While the notes are read and transcribed the progress dialog shows the part.
        CProgressDlg* p = CProgressDlg::Current();
        if (p) {
            char text[256] = {};
            if (CWnd* c = p->GetDlgItem(3)) c->GetWindowText(text, sizeof text);
            label = text;
            if (CWnd* c = p->GetDlgItem(4)) c->GetWindowText(text, sizeof text);
            message = text;
            if (cancel) {
                // The user holds the mouse down on Cancel.
                CWnd* button = p->GetDlgItem(IDCANCEL);
                RECT r;
                button->GetClientRect(&r);
                fw::uitest::Press(button, r.right / 2, r.bottom / 2);
            }
        }
        return transcribe(score, track, lastBar, voice, grid, voices);
    };
    std::vector<Ev> e;
    for (int b = 0; b < 8; ++b) Note(e, b * 1920, 1920, 60);
    const Bytes file = Smf(1, {Track({}), Track(e)});
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("long.mid", file).c_str())) << doc.lastReadCode;
    char expected[256] = {};
    LoadResString(3217, expected);
    EXPECT_EQ(label, expected);
    EXPECT_EQ(message, "1");
    EXPECT_EQ(CProgressDlg::Current(), nullptr);  // closed at the end
    cancel = true;
    CZelDoc cancelled;
    EXPECT_FALSE(cancelled.OnOpenDocument(env.Write("long.mid", file).c_str()));
    EXPECT_EQ(cancelled.lastReadCode, 1);
    EXPECT_EQ(CProgressDlg::Current(), nullptr);
}

TEST(MidiImportDialog, ExportShowsProgressDialog268AndItsCancelKeepsTheOldFile) {
    DialogEnv env;
    CZelDoc doc;
    NewScoreSettings settings;
    settings.arrangement = 2;
    ASSERT_TRUE(BuildNewScore(*doc.GetScore(), settings));
    doc.MakeCurrent();
    const std::string path = env.dir.path() + "/kept.mid";
    ASSERT_TRUE(fw::WriteFileAtomic(path, "old"));
    // As soon as the export's dialog takes input, the user holds the mouse down on its Cancel.
    std::string message;
    fw::uitest::Call([&] {
        CProgressDlg* p = CProgressDlg::Current();
        ASSERT_NE(p, nullptr);
        char text[256] = {};
        if (CWnd* c = p->GetDlgItem(4)) c->GetWindowText(text, sizeof text);
        message = text;
        CWnd* button = p->GetDlgItem(IDCANCEL);
        ASSERT_NE(button, nullptr);
        RECT r;
        button->GetClientRect(&r);
        fw::uitest::Press(button, r.right / 2, r.bottom / 2);
    });
    EXPECT_EQ(ExportMidiFileTo(doc, path), 1);
    char name[256] = {};
    doc.GetScore()->GetTrack(0)->GetName(name, false);
    EXPECT_EQ(message, name);  // the track being written
    std::string text;
    ASSERT_TRUE(fw::ReadWholeFile(path, text));
    EXPECT_EQ(text, "old");
    EXPECT_EQ(CProgressDlg::Current(), nullptr);
}

TEST(MidiImportDialog, CancelOpensNoDocument) {
    DialogEnv env;
    fw::uitest::OnNextModal([](CDialog& d) { fw::uitest::ClickControl(&d, IDCANCEL); });
    CZelDoc doc;
    EXPECT_FALSE(doc.OnOpenDocument(env.Write("three.mid", DialogEnv::ThreeChannels()).c_str()));
    EXPECT_EQ(doc.lastReadCode, 1);
}

TEST(MidiImportDialog, UncheckingEveryRowDisablesOk) {
    DialogEnv env;
    bool okWhileNone = true, okAgain = false;
    fw::uitest::OnNextModal([&](CDialog& d) {
        auto& dlg = static_cast<CImportDlg&>(d);
        for (int r = 0; r < 3; ++r) DialogEnv::ClickCell(dlg, r, 0, false);
        fw::uitest::Call([&] { okWhileNone = dlg.GetDlgItem(IDOK)->IsWindowEnabled(); });
        DialogEnv::ClickCell(dlg, 1, 0, false);
        fw::uitest::Call([&] { okAgain = dlg.GetDlgItem(IDOK)->IsWindowEnabled(); });
        fw::uitest::ClickControl(&d, IDCANCEL);
    });
    CZelDoc doc;
    doc.OnOpenDocument(env.Write("three.mid", DialogEnv::ThreeChannels()).c_str());
    EXPECT_FALSE(okWhileNone);
    EXPECT_TRUE(okAgain);
}

TEST(MidiImportDialog, AltClickOnTheFirstClefSetsEveryRow) {
    DialogEnv env;
    std::vector<int> clefs;
    fw::uitest::OnNextModal([&](CDialog& d) {
        auto& dlg = static_cast<CImportDlg&>(d);
        DialogEnv::ClickCell(dlg, 0, 2, true);
        fw::uitest::Call([&] {
            for (const auto& r : dlg.settings.rows) clefs.push_back(r.clefChoice);
        });
        fw::uitest::ClickControl(&d, IDCANCEL);
    });
    CZelDoc doc;
    doc.OnOpenDocument(env.Write("three.mid", DialogEnv::ThreeChannels()).c_str());
    EXPECT_EQ(clefs, (std::vector<int>{1, 1, 1}));
}

TEST(MidiImportDialog, MapChannelsRebuildsTheRows) {
    DialogEnv env;
    std::size_t before = 0, after = 0;
    fw::uitest::OnNextModal([&](CDialog& d) {
        auto& dlg = static_cast<CImportDlg&>(d);
        fw::uitest::Call([&] { before = dlg.settings.rows.size(); });
        fw::uitest::ClickControl(&d, CImportDlg::kMapChannels);
        fw::uitest::Call([&] { after = dlg.settings.rows.size(); });
        fw::uitest::ClickControl(&d, IDCANCEL);
    });
    CZelDoc doc;
    doc.OnOpenDocument(env.Write("three.mid", DialogEnv::ThreeChannels()).c_str());
    EXPECT_EQ(before, 3u);  // format 0: one row per channel
    EXPECT_EQ(after, 1u);   // one row for the track
}

// --- export ---------------------------------------------------------------------------------------

struct ExportEnv : Env {
    std::unique_ptr<CZelDoc> doc;
    ExportEnv() {
        doc = std::make_unique<CZelDoc>();
        NewScoreSettings settings;
        settings.arrangement = 2;  // voice and piano: three tracks
        EXPECT_TRUE(BuildNewScore(*doc->GetScore(), settings));
        doc->MakeCurrent();
    }
    Bytes Export() {
        std::vector<std::uint8_t> bytes;
        EXPECT_EQ(ExportMidiBytes(*doc, &bytes), 0);
        return bytes;
    }
    static int TrackCount(const Bytes& b) { return b.size() >= 12 ? b[10] << 8 | b[11] : -1; }
    static bool Holds(const Bytes& b, const Bytes& part) {
        return std::search(b.begin(), b.end(), part.begin(), part.end()) != b.end();
    }
};

TEST(MidiExport, EveryPlayingTrackFollowsTheConductorTrack) {
    ExportEnv env;
    const Bytes b = env.Export();
    ASSERT_GE(b.size(), 26u);
    EXPECT_EQ(ExportEnv::TrackCount(b), 4);
    EXPECT_EQ(Bytes(b.begin() + 22, b.begin() + 25), (Bytes{0x00, 0xFF, 0x03}));
    // No port set: no instrument name; a score in C: no key signature.
    EXPECT_FALSE(ExportEnv::Holds(b, {0xFF, 0x04}));
    EXPECT_FALSE(ExportEnv::Holds(b, {0xFF, 0x59}));
    // Every track ends with its end event.
    int ends = 0;
    for (std::size_t k = 0; k + 2 < b.size(); ++k) ends += b[k] == 0xFF && b[k + 1] == 0x2F && b[k + 2] == 0x00;
    EXPECT_EQ(ends, 4);
}

TEST(MidiExport, MutedTracksAreLeftOutAndASoloTrackStandsAlone) {
    ExportEnv env;
    CScore& s = *env.doc->GetScore();
    for (int t = 0; t < 3; ++t)
        for (int v = 0; v < 8; ++v) s.GetTrack(t)->SetMuted(v, true);
    EXPECT_EQ(ExportEnv::TrackCount(env.Export()), 1);
    for (int t = 0; t < 3; ++t)
        for (int v = 0; v < 8; ++v) s.GetTrack(t)->SetMuted(v, false);
    s.GetTrack(1)->SetSolo(0, true);
    EXPECT_EQ(ExportEnv::TrackCount(env.Export()), 2);
}

TEST(MidiExport, ATempoMarkAtABarsStartReplacesTheBarsTempo) {
    ExportEnv env;
    CScore& s = *env.doc->GetScore();
    alignas(8) std::uint8_t buffer[128] = {};
    CTempo* mark = MakeTempoItem(buffer, 6000);
    ASSERT_NE(mark, nullptr);
    mark->SetTimeField(0);
    ASSERT_NE(s.GetBar(0)->AddItem(mark), nullptr);
    const Bytes b = env.Export();
    // One set-tempo event at tick 0, the mark's (60 per minute: 0F 42 40); none of the bar's own.
    int tempi = 0;
    for (std::size_t k = 0; k + 2 < b.size(); ++k) tempi += b[k] == 0xFF && b[k + 1] == 0x51 && b[k + 2] == 0x03;
    EXPECT_TRUE(ExportEnv::Holds(b, {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}));
    EXPECT_EQ(tempi, s.GetBar(1)->GetTempo() == 6000 ? 1 : 2);
}

TEST(MidiExport, ExportedFilesReadBackTrackByTrack) {
    ExportEnv env;
    const std::string path = env.dir.path() + "/round.mid";
    ASSERT_EQ(ExportMidiFileTo(*env.doc, path), 0);
    std::string text;
    ASSERT_TRUE(fw::ReadWholeFile(path, text));
    CMidiFile f;
    f.Attach(Bytes(text.begin(), text.end()));
    SmfHeader h;
    ASSERT_EQ(f.ReadHeader(&h), 0);
    ASSERT_EQ(h.trackCount, 4);
    // The conductor track's tempo is the first bar's.
    SmfEvent e;
    ASSERT_TRUE(f.SeekTrack(0, &e));
    int tempo = 0;
    while (f.ReadEvent(&e))
        if (e.metaType == 0x51 && e.length == 3) tempo = e.data[0] << 16 | e.data[1] << 8 | e.data[2];
    EXPECT_EQ(tempo, int(600000000 / TempoToQuarterTempo(env.doc->GetScore()->GetBar(0)->GetTempo(), 3, false)) * 10);
    for (int t = 1; t < 4; ++t) EXPECT_TRUE(f.SeekTrack(t, &e)) << t;
}

TEST(MidiExport, AFailedWriteLeavesNoFileAndGivesTheError) {
    ExportEnv env;
    EXPECT_NE(ExportMidiFileTo(*env.doc, env.dir.path() + "/missing/folder/x.mid"), 0);
}

}  // namespace

namespace {

// A score exported and imported again keeps its notes: the pitches, the bars, the places and
// the values of a plain part (four quarters, then a half and two quarters).
TEST(MidiExport, AScoreExportedAndImportedAgainKeepsItsNotes) {
    Env env;
    std::vector<Ev> e = {{0, {0xC0, 0}}};
    const int pitches[] = {60, 62, 64, 65};
    for (int k = 0; k < 4; ++k) Note(e, k * 480, 480, pitches[k]);
    Note(e, 1920, 960, 67);
    Note(e, 2880, 480, 69);
    Note(e, 3360, 480, 71);
    CZelDoc first;
    ASSERT_TRUE(first.OnOpenDocument(env.Write("plain.mid", Smf(1, {Track({}), Track(e)})).c_str()));
    const auto before = NotesOf(*first.GetScore(), 0);
    ASSERT_EQ(before.size(), 7u);
    const std::string path = env.dir.path() + "/again.mid";
    ASSERT_EQ(ExportMidiFileTo(first, path), 0);
    CZelDoc second;
    ASSERT_TRUE(second.OnOpenDocument(path.c_str())) << second.lastReadCode;
    const auto after = NotesOf(*second.GetScore(), 0);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t k = 0; k < after.size(); ++k) {
        EXPECT_EQ(after[k].bar, before[k].bar) << k;
        EXPECT_EQ(after[k].time, before[k].time) << k;
        EXPECT_EQ(after[k].pitch, before[k].pitch) << k;
        EXPECT_EQ(after[k].length, before[k].length) << k;
    }
    EXPECT_EQ(after[4].bar, 1);
    EXPECT_EQ(after[4].pitch, 67);
    EXPECT_EQ(after[4].length, 960);
}

}  // namespace

// --- what the tracks carry besides notes -------------------------------------------------------------

namespace {

using namespace midiimporttest;

struct SyllableCase {
    std::vector<std::string> texts;
    bool karaoke;
    std::vector<std::string> shown;
    std::string hyphens, extenders;  // one letter per syllable: y or n
};

TEST(MidiImport, LyricEventsBecomeSyllablesWithHyphensAndExtenders) {
    const SyllableCase cases[] = {
        // No trailing space: the word goes on; a space ends it.
        {{"Hel", "lo ", "world "}, false, {"Hel", "lo", "world"}, "ynn", "nnn"},
        // "_" holds the syllable; an empty lyric holds the one before.
        {{"long_", "way", ""}, false, {"long", "way"}, "nn", "yy"},
        // A leading space, "\\" or "/" ends the word before and is dropped.
        {{"Hel", " lo", "\\new", "/line"}, false, {"Hel", "lo", "new", "line"}, "nnny", "nnnn"},
        // A carriage return starts nothing; in a karaoke file neither does "@"; inner spaces
        // end the text.
        {{"\rx", "@T", "two words "}, true, {"two"}, "n", "n"},
        {{"@T", "keep"}, false, {"@T", "keep"}, "yy", "nn"},
    };
    for (const SyllableCase& c : cases) {
        std::vector<MidiSyllable> out;
        for (const std::string& t : c.texts) AddMidiSyllable(out, t, 0, 0, c.karaoke, false);
        std::vector<std::string> shown;
        std::string hyphens, extenders;
        for (const MidiSyllable& s : out) {
            shown.push_back(s.text);
            hyphens += s.wordContinues ? 'y' : 'n';
            extenders += s.extender ? 'y' : 'n';
        }
        EXPECT_EQ(shown, c.shown) << c.texts[0];
        EXPECT_EQ(hyphens, c.hyphens) << c.texts[0];
        EXPECT_EQ(extenders, c.extenders) << c.texts[0];
    }
    // In a karaoke file a text without a trailing space followed by the bytes 0x89 0x00 holds.
    std::vector<MidiSyllable> held;
    AddMidiSyllable(held, "sun", 0, 0, true, true);
    ASSERT_EQ(held.size(), 1u);
    EXPECT_TRUE(held[0].extender);
}

TEST(MidiImport, AKaraokeFilePutsItsSyllablesUnderTheNotesWithTheirLyricLine) {
    Env env;
    std::vector<Ev> words = {Meta(0, 1, "@KMIDI KARAOKE FILE"), Meta(0, 3, "Words"), Meta(0, 1, "@TTitle"),
                             Meta(0, 1, "\\Hel"), Meta(480, 1, "lo"), Meta(960, 1, " world ")};
    Note(words, 0, 480, 60);
    Note(words, 480, 480, 62);
    Note(words, 960, 960, 64);
    // The last syllable, "sun" without a space, is followed by a delta of 0x89 0x00: held.
    Bytes t = Track(words);
    const Bytes sun = {0xFF, 0x01, 0x03, 's', 'u', 'n'};
    Bytes tail = {0x00};
    tail.insert(tail.end(), sun.begin(), sun.end());
    tail.insert(tail.end(), {0x89, 0x00, 0xFF, 0x01, 0x00});
    // Put the two events before the end of track (the chunk's last 4 bytes) and fix the length.
    t.insert(t.end() - 4, tail.begin(), tail.end());
    const std::uint32_t n = std::uint32_t(t.size() - 8);
    t[4] = std::uint8_t(n >> 24), t[5] = std::uint8_t(n >> 16), t[6] = std::uint8_t(n >> 8), t[7] = std::uint8_t(n);
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("song.kar", Smf(1, {Track({}), t})).c_str())) << doc.lastReadCode;
    CScore& s = *doc.GetScore();
    std::vector<std::string> texts;
    std::vector<int> times;
    std::string flags;
    for (int b = 0; b < s.GetBarCount(); ++b)
        for (CBarItem* i : ItemsOf(s, 0, b, CLyric::kTypeCode)) {
            auto* l = static_cast<CLyric*>(i);
            texts.push_back(l->GetText());
            times.push_back(b * 1920 + i->TimeField());
            flags += l->HasHyphen() ? 'h' : l->HasExtender() ? 'e' : '.';
        }
    EXPECT_EQ(texts, (std::vector<std::string>{"Hel", "lo", "world", "sun"}));
    EXPECT_EQ(flags, "h..e");
    // Each under its note.
    EXPECT_EQ(times, (std::vector<int>{0, 480, 960, 1920}));
    // The line: pieces between spaces and hyphens, each hyphen a piece of its own.
    CLyricArray* lines = s.GetLyricArray();
    ASSERT_EQ(lines->GetCount(), 1);
    auto* line = static_cast<CLyricLine*>(lines->GetItem(0));
    ASSERT_TRUE(line->CheckLayout());
    EXPECT_EQ(std::string(line->GetText()), "Hel-lo world sun");
    ASSERT_EQ(line->GetEntryCount(), 5);
    EXPECT_EQ(line->GetEntry(1)[5] & 3, 2);  // the hyphen
    EXPECT_EQ(line->EntryOffset(2), 4);
    EXPECT_EQ(line->EntryLength(2), 2);
    // The karaoke header texts name nothing and make no text items.
    EXPECT_TRUE(ItemsOf(s, 0, 0, CText::kTypeCode).empty());
}

TEST(MidiImport, MarkersTextsControllersPressureAndBendBecomeItems) {
    Env env;
    std::vector<Ev> c = {Meta(1920, 6, "Verse")};
    std::vector<Ev> e = {{0, {0xC0, 40}},         {0, {0xB0, 7, 100}},     {0, {0xB0, 10, 32}},
                         {240, {0xB0, 1, 64}},    {480, {0xE0, 0x00, 0x50}}, {720, {0xD0, 70}},
                         {960, {0xA0, 60, 30}},   Meta(480, 1, "dolce"),   {2880, {0xC0, 41}}};
    Note(e, 0, 1920, 60);
    Note(e, 1920, 960, 62);
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("items.mid", Smf(1, {Track(c), Track(e)})).c_str())) << doc.lastReadCode;
    CScore& s = *doc.GetScore();
    CTrack* t = s.GetTrack(0);
    // Volume and pan at tick 0 and the first program set the voice; they make no items.
    EXPECT_EQ(t->GetVoiceVolume(0), 100);
    EXPECT_EQ(t->GetVoicePan(0), 32 - 64);
    const auto controllers = ItemsOf(s, 0, 0, CData::kController);
    ASSERT_EQ(controllers.size(), 1u);
    EXPECT_EQ(controllers[0]->TimeField(), 240);
    EXPECT_EQ(static_cast<CData*>(controllers[0])->GetDataByte1(), 1);
    EXPECT_EQ(static_cast<CData*>(controllers[0])->GetDataByte2(), 64);
    const auto bends = ItemsOf(s, 0, 0, CData::kPitchBend);
    ASSERT_EQ(bends.size(), 1u);
    EXPECT_EQ(static_cast<CData*>(bends[0])->GetDataByte2(), 0x50);
    EXPECT_EQ(ItemsOf(s, 0, 0, CData::kChannelPressure).size(), 1u);
    EXPECT_EQ(ItemsOf(s, 0, 0, CData::kKeyAftertouch).size(), 1u);
    // A text event in a format 1 track: a bar text at its time; the conductor's marker: a staff
    // text in the first staff.
    const auto texts = ItemsOf(s, 0, 0, CText::kTypeCode);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(std::string(static_cast<CText*>(texts[0])->GetText()), "dolce");
    EXPECT_EQ(static_cast<CText*>(texts[0])->GetKind(), CText::kBarText);
    const auto markers = ItemsOf(s, 0, 1, CText::kTypeCode);
    ASSERT_EQ(markers.size(), 1u);
    EXPECT_EQ(std::string(static_cast<CText*>(markers[0])->GetText()), "Verse");
    EXPECT_EQ(static_cast<CText*>(markers[0])->GetKind(), CText::kStaffText);
    // A later program: a patch-change expression at its time, playing the program.
    const auto patches = ItemsOf(s, 0, 1, CExpression::kType);
    ASSERT_EQ(patches.size(), 1u);
    EXPECT_EQ(patches[0]->TimeField(), 960);
    const auto* x = CExpression::Of(patches[0]);
    EXPECT_EQ(x->GetKind(), CExpression::kPatchKind);
    EXPECT_EQ(x->GetPlayByte(0), 41);
    EXPECT_FALSE(x->GetDisplayText().empty());
}

TEST(MidiImport, VolumeBecomesModulationWhenAsked) {
    Env env;
    std::vector<Ev> e = {{240, {0xB0, 7, 90}}};
    Note(e, 0, 480, 60);
    g_midiImport.optionsDialog = [](MidiImportSettings& s) {
        for (auto& r : s.rows) r.volumeToModulation = 1;
        return true;
    };
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("vol.mid", Smf(1, {Track({}), Track(e)})).c_str()));
    const auto data = ItemsOf(*doc.GetScore(), 0, 0, CData::kController);
    ASSERT_EQ(data.size(), 1u);
    EXPECT_EQ(static_cast<CData*>(data[0])->GetDataByte1(), 1);
    EXPECT_EQ(static_cast<CData*>(data[0])->GetDataByte2(), 90);
}

TEST(MidiImport, ASplitPianoIsBracedAndItsPedalBecomesPedalSymbols) {
    Env env;
    std::vector<Ev> e = {{0, {0xC0, 0}}, {0, {0xB0, 64, 127}}, {960, {0xB0, 64, 0}}};
    Note(e, 0, 480, 36);
    Note(e, 480, 480, 79);
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("pedal.mid", Smf(1, {Track({}), Track(e)})).c_str()));
    CScore& s = *doc.GetScore();
    ASSERT_EQ(s.GetTrackCount(), 2);
    // Under the pair's lower staff.
    EXPECT_TRUE(ItemsOf(s, 0, 0, CSymbol::kTypeCode).empty());
    const auto pedals = ItemsOf(s, 1, 0, CSymbol::kTypeCode);
    ASSERT_EQ(pedals.size(), 2u);
    EXPECT_EQ(static_cast<CSymbol*>(pedals[0])->GetCharacter(), 0xD0);
    EXPECT_EQ(static_cast<CSymbol*>(pedals[1])->GetCharacter(), 0xD1);
    EXPECT_EQ(pedals[1]->TimeField(), 960);
    // They play the sustain pedal; no controller items besides.
    EXPECT_EQ(static_cast<CSymbol*>(pedals[0])->GetController(), 64);
    EXPECT_TRUE(ItemsOf(s, 0, 0, CData::kController).empty());
    for (int l = 0; l < s.GetLineCount(); ++l) {
        CStaff* top = s.GetLine(l)->GetStaff(0);
        EXPECT_EQ(top->GetBracketKind(0), 1) << l;
        EXPECT_EQ(top->GetBracketSpan(0), 1) << l;
    }
}

TEST(MidiImport, ADrumPartGetsItsDrumMapStemsAndRange) {
    Env env;
    std::vector<Ev> e;
    for (int k = 0; k < 4; ++k) {
        Note(e, k * 480, 240, 36, 9);
        Note(e, k * 480 + 240, 240, 42, 9);
    }
    Note(e, 960, 480, 38, 9);
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("drums.mid", Smf(0, {Track(e)})).c_str())) << doc.lastReadCode;
    CTrack* t = doc.GetScore()->GetTrack(0);
    ASSERT_TRUE(t->IsPercussionStaff());
    // The keys played, highest first.
    EXPECT_EQ(t->GetDrumKey(0), 42);
    EXPECT_EQ(t->GetDrumKey(1), 38);
    EXPECT_EQ(t->GetDrumKey(2), 36);
    EXPECT_EQ(t->GetDrumKey(3), 0);
    for (int v = 0; v < 8; ++v) EXPECT_EQ(t->GetVoiceStem(v), 1) << v;
    EXPECT_EQ(t->GetHighRange(), 127);
    EXPECT_EQ(t->GetLowRange(), 0);
    // Transcribed: every drum note is there.
    int heads = 0;
    for (const Placed& p : NotesOf(*doc.GetScore(), 0)) heads += p.pitch == 36 || p.pitch == 38 || p.pitch == 42;
    EXPECT_EQ(heads, 9);
}

TEST(MidiImport, FormatZeroLyricsGoToTheFourthChannelsStaffElseTheFirst) {
    Env env;
    std::vector<Ev> e = {Meta(0, 5, "one "), Meta(480, 5, "two ")};
    Note(e, 0, 480, 60, 0);
    Note(e, 480, 480, 62, 0);
    Note(e, 0, 480, 48, 3);
    Note(e, 480, 480, 50, 3);
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("f0.mid", Smf(0, {Track(e)})).c_str()));
    CScore& s = *doc.GetScore();
    ASSERT_EQ(s.GetTrackCount(), 2);
    EXPECT_TRUE(ItemsOf(s, 0, 0, CLyric::kTypeCode).empty());
    EXPECT_EQ(ItemsOf(s, 1, 0, CLyric::kTypeCode).size(), 2u);
    // Without a fourth channel the first staff takes them.
    std::vector<Ev> one = {Meta(0, 5, "solo ")};
    Note(one, 0, 480, 60, 1);
    CZelDoc single;
    ASSERT_TRUE(single.OnOpenDocument(env.Write("f1.mid", Smf(0, {Track(one)})).c_str()));
    EXPECT_EQ(ItemsOf(*single.GetScore(), 0, 0, CLyric::kTypeCode).size(), 1u);
}

TEST(MidiImport, KeyChangesAfterTheFirstBarComeFromTheConductorAndTheTracks) {
    Env env;
    // D major from bar 1 in the conductor track; the part itself goes to B flat in bar 2.
    std::vector<Ev> c = {{1920, {0xFF, 0x59, 0x02, 0x02, 0x00}}};
    std::vector<Ev> e = {{3840, {0xFF, 0x59, 0x02, 0xFE, 0x00}}};
    for (int b = 0; b < 3; ++b) Note(e, b * 1920, 1920, 62);
    CZelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(env.Write("keys.mid", Smf(1, {Track(c), Track(e)})).c_str()));
    CScore& s = *doc.GetScore();
    EXPECT_TRUE(ItemsOf(s, 0, 0, CKeySig::kTypeCode).empty());
    const auto d = ItemsOf(s, 0, 1, CKeySig::kTypeCode);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(rec::Get<std::uint8_t>(d[0], 18), 9);  // two sharps
    const auto bflat = ItemsOf(s, 0, 2, CKeySig::kTypeCode);
    ASSERT_EQ(bflat.size(), 1u);
    EXPECT_EQ(rec::Get<std::uint8_t>(bflat[0], 18), 2);  // two flats
}

}  // namespace

namespace {

// A tempo expression in bar `bar` of track 0 at time 0: from `start` to `end` (tempo words),
// ending at the bar's end when they differ.
void AddTempoExpression(CScore& s, int bar, int start, int end) {
    alignas(8) std::uint8_t buffer[64] = {};
    auto* x = static_cast<CExpression*>(ConstructClass(CExpression::kType, buffer));
    ASSERT_NE(x, nullptr);
    x->Init(CExpression::kTempoKind, 0);
    x->SetTempi(start, end);
    x->SetEnd(0, start == end ? 0 : 1024);
    x->SetTimeField(0);
    CTrkBar* tb = s.GetTrkBar(0, bar);
    tb->SetCurrent();
    ASSERT_NE(tb->InsertCopy(x), nullptr);
}

TEST(MidiExport, TheTempoActionsOfExpressionsGoIntoTheConductorTrack) {
    ExportEnv env;
    CScore& s = *env.doc->GetScore();
    const int barTicks = s.GetBar(0)->GetLength();
    AddTempoExpression(s, 1, 6000, 6000);
    auto tempi = TempoEvents(env.Export());
    // 60 per minute at the start of bar 1 (1,000,000 us), after the first bar's own tempo.
    ASSERT_GE(tempi.size(), 2u);
    EXPECT_EQ(tempi[0].first, 0);
    EXPECT_EQ(tempi[1], (std::pair<int, int>{barTicks, 1000000}));
    // A ramp over the bar: a tempo every 120 ticks going down from 120 to 60 per minute.
    ExportEnv ramp;
    CScore& r = *ramp.doc->GetScore();
    AddTempoExpression(r, 0, 12000, 6000);
    tempi = TempoEvents(ramp.Export());
    ASSERT_GE(tempi.size(), std::size_t(barTicks / 120));
    EXPECT_EQ(tempi.front(), (std::pair<int, int>{0, 500000}));
    // Steps spread evenly over the span (the bar less a tick).
    EXPECT_EQ(tempi[1].first, (barTicks - 1) / ((barTicks - 1) / 120));
    for (std::size_t k = 1; k < tempi.size() && tempi[k].first < barTicks; ++k)
        EXPECT_GT(tempi[k].second, tempi[k - 1].second) << k;
}

TEST(MidiExport, ATrackShownTransposedWritesTheSoundingKey) {
    ExportEnv env;
    CScore& s = *env.doc->GetScore();
    // Track 0 has a transposition of -2 and shows F major (code 1): the file takes the key
    // moved back by the transposition.
    CTrack* t = s.GetTrack(0);
    t->SetTransposition(-2);
    t->SetTrackFlags(std::uint8_t(t->GetTrackFlags() | 0x08));
    for (int l = 0; l < s.GetLineCount(); ++l) s.GetLine(l)->GetStaff(0)->SetKey(1);
    const int code = CTheory::GetKeyDegreeStep(1, 2);
    ASSERT_NE(code, 1);
    const int sf = code <= 7 ? -code : code - 7;
    EXPECT_TRUE(ExportEnv::Holds(env.Export(), {0xFF, 0x59, 0x02, std::uint8_t(sf), 0x00}));
    // Without the transposed display the key shown is written as it stands.
    t->SetTrackFlags(std::uint8_t(t->GetTrackFlags() & ~0x08));
    EXPECT_TRUE(ExportEnv::Holds(env.Export(), {0xFF, 0x59, 0x02, 0xFF, 0x00}));
}

}  // namespace
