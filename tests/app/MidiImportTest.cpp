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
#include "model/NewScore.h"
#include "model/Tempo.h"
#include "model/Bar.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "notation/Note.h"
#include "platform/Port.h"
#include "support/TempHome.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Var(Bytes& b, std::uint32_t n) {
    std::uint8_t t[5];
    int k = 0;
    t[k++] = std::uint8_t(n & 0x7F);
    while (n >>= 7) t[k++] = std::uint8_t(0x80 | (n & 0x7F));
    while (k) b.push_back(t[--k]);
}
struct Ev {
    int tick;
    Bytes bytes;
};
Bytes Track(std::vector<Ev> events) {
    std::stable_sort(events.begin(), events.end(), [](const Ev& a, const Ev& b) { return a.tick < b.tick; });
    Bytes body;
    int last = 0;
    for (const Ev& e : events) {
        Var(body, std::uint32_t(e.tick - last));
        body.insert(body.end(), e.bytes.begin(), e.bytes.end());
        last = e.tick;
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    Bytes chunk = {'M', 'T', 'r', 'k'};
    const auto n = std::uint32_t(body.size());
    chunk.insert(chunk.end(), {std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)});
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}
Bytes Smf(int format, const std::vector<Bytes>& tracks) {
    Bytes f = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, std::uint8_t(format), 0, std::uint8_t(tracks.size()), 0x01, 0xE0};
    for (const Bytes& t : tracks) f.insert(f.end(), t.begin(), t.end());
    return f;
}
void Note(std::vector<Ev>& e, int tick, int length, int key, int channel = 0, int velocity = 90) {
    e.push_back({tick, {std::uint8_t(0x90 | channel), std::uint8_t(key), std::uint8_t(velocity)}});
    e.push_back({tick + length, {std::uint8_t(0x80 | channel), std::uint8_t(key), 0}});
}
Ev Meta(int tick, int type, const std::string& text) {
    Bytes b = {0xFF, std::uint8_t(type)};
    Var(b, std::uint32_t(text.size()));
    b.insert(b.end(), text.begin(), text.end());
    return {tick, b};
}

struct Env {
    testsupport::TempHome home;
    testsupport::TempDir dir;
    fw::msgboxtest::Capture boxes;
    Env() {
        fw::ResetAllGlobals();
        RegisterTrackClass();
        RegisterNotationClasses();
        InitDrawing();
        RegisterMidiFileHooks();
        // The proposal is taken as it stands unless a test puts in its own answer (the dialog's
        // own tests run it).
        g_midiImport.optionsDialog = nullptr;
    }
    ~Env() { fw::ResetAllGlobals(); }
    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string p = dir.path() + "/" + name;
        fw::WriteFileAtomic(p, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        return p;
    }
    // The proposal of a file: its rows, as the dialog gets them.
    std::vector<MidiImportTrack> Rows(const Bytes& bytes) {
        std::vector<MidiImportTrack> rows;
        g_midiImport.optionsDialog = [&](MidiImportSettings& s) {
            rows = s.rows;
            return false;
        };
        CZelDoc doc;
        EXPECT_FALSE(doc.OnOpenDocument(Write("rows.mid", bytes).c_str()));
        g_midiImport.optionsDialog = nullptr;
        return rows;
    }
};

// The performance or notated notes of track t (bar, time, pitch, played length of head 0).
struct Placed {
    int bar, time, pitch, length, velocity;
    bool operator==(const Placed&) const = default;
};
std::vector<Placed> NotesOf(CScore& s, int t) {
    std::vector<Placed> out;
    for (int b = 0; b < s.GetBarCount(); ++b) {
        CTrkBar* tb = s.GetTrkBar(t, b);
        for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem()) {
            if (i->IsRemoved() || (i->TypeCode() != 144 && i->TypeCode() != 112)) continue;
            auto* n = static_cast<CRawNote*>(i);
            for (int k = 0; k < n->HeadCountField(); ++k)
                out.push_back({b, i->TimeField() + n->Head(k)->StartOffset(), n->Head(k)->Pitch(), n->Head(k)->Duration(),
                               n->Head(k)->Byte(NoteHead::kVelocity)});
        }
    }
    return out;
}

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

TEST(MidiImport, UnfinishedNotesAreNotPlacedAndA33rdOpenNoteIsDropped) {
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
    EXPECT_EQ(notes.size(), 31u);  // the unfinished note held a slot: 31 of the 33 found one
    for (const Placed& p : notes) EXPECT_NE(p.pitch, 50);
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
    const Bytes seed = Smf(1, {Track(c), Track(e)});
    std::mt19937 random(8132);
    for (int round = 0; round < 40; ++round) {
        Bytes f = seed;
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
