// Scores for the converter's tests, made and read back by the editor's model and writer.
#include "ConverterFixtures.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "framework/File.h"
#include "model/HostileFileSupport.h"
#include "model/KeySig.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "notation/Note.h"
#include "model/ScoreArrays.h"
#include "platform/StdArray.h"
#include "platform/Theory.h"

namespace convertertest {
namespace {

void AddNote(CTrkBar* bar, const NotePlan& n, int clef, int key) {
    auto* note = static_cast<CNote*>(bar->NewItem(CNote::kType, n.time));
    if (!note) return;
    const int heads = int(n.positions.size());
    if (heads > 1) note = static_cast<CNote*>(bar->ResizeNote(note, nullptr, heads - 1));
    if (!note) return;
    note->SetHeadCountField(heads);
    note->SetNoteValue(n.value);
    for (int k = 0; k < heads; ++k) {
        NoteHead* h = note->Head(k);
        h->SetShape(n.shape);
        h->SetPosition(n.positions[std::size_t(k)]);
        const int pitch = std::size_t(k) < n.pitches.size() ? n.pitches[std::size_t(k)]
                                                             : CTheory::StaffPosToPitch(n.positions[std::size_t(k)], clef, key);
        h->SetPitch(pitch);
        h->SetByte(NoteHead::kVelocity, 80);
    }
}

}  // namespace

Bytes WriteScore(const ScorePlan& plan) {
    RegisterNotationClasses();
    CZelDoc doc;
    CScore score(&doc);
    if (!score.BuildSkeleton(plan.bars, int(plan.tracks.size()))) return {};
    score.Reindex();
    for (int t = 0; t < int(plan.tracks.size()); ++t) {
        const TrackSpec& track = plan.tracks[std::size_t(t)];
        score.GetTrack(t)->SetClef(track.clef);
        for (int s = 0; s < score.GetLineCount(); ++s) {
            CStaffArray* staves = score.GetLine(s)->GetStaffArray();
            if (!staves || t >= staves->GetCount()) continue;
            auto* staff = static_cast<CStaff*>(staves->GetAt(t));
            staff->SetClef(std::uint8_t(track.clef));
            staff->SetKey(std::uint8_t(track.staffKey));
        }
        for (const KeySpec& k : track.keys) {
            auto* sig = static_cast<CKeySig*>(score.GetTrkBar(t, k.bar)->NewItem(CKeySig::kTypeCode, k.time));
            if (!sig) continue;
            sig->SetKey(k.key);
            sig->SetPreviousKey(track.staffKey);
            sig->SetClef(track.clef);
        }
        for (const NotePlan& n : track.notes) AddNote(score.GetTrkBar(t, n.bar), n, track.clef, track.staffKey);
    }
    ScoreFileDoc fileDoc;
    return ScoreFile::WriteToBytes(score, fileDoc);
}

HeadShapes ReadHeadShapes(const Bytes& file) {
    RegisterNotationClasses();
    hostile::Loaded loaded;
    if (!loaded.Open(file)) return {};
    CScore& score = *loaded.score;
    HeadShapes shapes(std::size_t(score.GetTrackCount()));
    for (int t = 0; t < score.GetTrackCount(); ++t) {
        for (int b = 0; b < score.GetBarCount(); ++b) {
            CBarItem* item = nullptr;
            while (score.GetTrkBar(t, b)->NextNote(&item, -1)) {
                if (item->TypeCode() != CNote::kType) continue;
                auto* note = static_cast<CNote*>(item);
                std::vector<int> heads;
                for (int k = 0; k < note->HeadCountField(); ++k) heads.push_back(note->Head(k)->Shape());
                shapes[std::size_t(t)].push_back(heads);
            }
        }
    }
    return shapes;
}

Bytes SavedWithoutShapes(const Bytes& file) {
    RegisterNotationClasses();
    hostile::Loaded loaded;
    if (!loaded.Open(file)) return {};
    CScore& score = *loaded.score;
    for (int t = 0; t < score.GetTrackCount(); ++t) {
        for (int b = 0; b < score.GetBarCount(); ++b) {
            CBarItem* item = nullptr;
            while (score.GetTrkBar(t, b)->NextNote(&item, -1)) {
                if (item->TypeCode() != CNote::kType) continue;
                auto* note = static_cast<CNote*>(item);
                for (int k = 0; k < note->HeadCountField(); ++k) note->Head(k)->SetShape(0);
            }
        }
    }
    return loaded.Save();
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

}  // namespace convertertest
