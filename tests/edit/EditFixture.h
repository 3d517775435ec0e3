// A document with a new score of voice and piano (three tracks, 24 bars) for the edit tests,
// in a temporary settings home, with the record classes registered and the document current.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include "framework/Globals.h"
#include "model/BarItem.h"
#include "model/NewScore.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "model/NoteMark.h"
#include "notation/NotationClasses.h"
#include "notation/Note.h"
#include "platform/Port.h"
#include "support/TempHome.h"

namespace edittest {

struct EditScore {
    testsupport::TempHome home;
    std::unique_ptr<CZelDoc> doc;
    CScore* score = nullptr;

    EditScore() {
        fw::ResetAllGlobals();
        RegisterTrackClass();
        RegisterNotationClasses();
        InitDrawing();
        doc = std::make_unique<CZelDoc>();
        NewScoreSettings settings;
        settings.arrangement = 2;
        BuildNewScore(*doc->score, settings);
        score = doc->score;
        score->Reindex();
        doc->MakeCurrent();
    }

    // The run of track t's bar b as bytes, end record included.
    std::vector<std::uint8_t> Run(int t, int b) {
        CTrkBar* tb = score->GetTrkBar(t, b);
        const auto* p = reinterpret_cast<const std::uint8_t*>(tb->GetItems());
        return std::vector<std::uint8_t>(p, p + tb->GetRunLength());
    }
    // Every run of the score, track by track.
    std::vector<std::vector<std::uint8_t>> AllRuns() {
        std::vector<std::vector<std::uint8_t>> all;
        for (int t = 0; t < score->GetTrackCount(); ++t)
            for (int b = 0; b < score->GetBarCount(); ++b) all.push_back(Run(t, b));
        return all;
    }
    // A rest of a voice at a time in track t's bar b, selected when asked.
    CBarItem* AddRest(int t, int b, int time, int voice, bool selected) {
        CTrkBar* tb = score->GetTrkBar(t, b);
        tb->SetCurrent();
        CBarItem* rest = tb->NewItem(128, time);
        rest->SetVoice(voice);
        if (selected) rest->Select();
        return rest;
    }
    // A note of the given MIDI pitches (staff position = pitch - 60) and value code in track
    // t's bar b; selected (with every head) when asked.
    CRawNote* AddNote(int t, int b, int time, int value, std::vector<int> pitches, int voice = 0,
                      bool selected = false) {
        CTrkBar* tb = score->GetTrkBar(t, b);
        tb->SetCurrent();
        std::vector<std::uint8_t> bytes(CRawNote::kHeads + NoteHead::kSize * pitches.size(), 0);
        CRawNote* note = CNote::Construct(bytes.data());
        note->SetHeadCountField(int(pitches.size()));
        note->CBaseItem::SetSize(std::int16_t(bytes.size()));
        note->SetNoteValue(value);
        note->SetTimeField(std::int16_t(time));
        note->SetVoice(voice);
        const int duration = int(note->GetDuration());
        for (std::size_t k = 0; k < pitches.size(); ++k) {
            NoteHead* h = note->Head(int(k));
            h->SetPitch(pitches[k]);
            h->SetPosition(pitches[k] - 60);
            h->SetDuration(std::uint16_t(duration));
        }
        auto* placed = static_cast<CRawNote*>(tb->InsertCopy(note));
        if (selected) placed->SelectPart(CRawNote::kAllHeads);
        return placed;
    }
    // A mark of the code added to a note or rest; the record, which may have moved.
    CRawHead* AddMark(CRawHead* item, int code) {
        std::uint8_t bytes[64] = {};
        auto* mark = reinterpret_cast<NoteMark*>(bytes);
        mark->Init(code);
        mark->SetCode(std::uint8_t(code));
        mark->SetSize(std::int16_t(NoteMark::ClassSize(code)));
        return item->AddMark(*mark);
    }
    // The live records of track t's bar b, in run order.
    std::vector<CBarItem*> Live(int t, int b) {
        std::vector<CBarItem*> out;
        for (CBarItem* i = score->GetTrkBar(t, b)->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
            if (!i->IsRemoved()) out.push_back(i);
        return out;
    }
    // The selection's extent over tracks t1-t2 and bars b1-b2.
    void SelectExtent(int t1, int t2, int b1, int b2) {
        CSelect* sel = doc->GetSelection();
        sel->Reset();
        sel->lower[kExtentTrackField] = std::int16_t(t1);
        sel->upper[kExtentTrackField] = std::int16_t(t2);
        sel->lower[kExtentBarField] = std::int16_t(b1);
        sel->upper[kExtentBarField] = std::int16_t(b2);
        sel->lower[4] = sel->lower[5] = 0;
        sel->upper[4] = sel->upper[5] = 32767;
    }
    static constexpr int kExtentTrackField = 1, kExtentBarField = 3;
};

}  // namespace edittest
