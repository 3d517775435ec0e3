// What the entry, gap-filling and spacing tests stand on: the new piano score of the note drawing
// tests, and notes and rests written straight into a bar of a track.
#pragma once
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <vector>

#include "NoteDrawSupport.h"
#include "model/Bar.h"
#include "model/NewScore.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/Rest.h"
#include "platform/DrawGlobals.h"

namespace entrytest {

// The laid-out piano score of the note drawing tests, entered into.
class EntryTest : public notetest::NoteDrawTest {
protected:
    // Track t's bar b, made current.
    CTrkBar* TrkBar(int b, int t = 0) {
        CTrkBar* tb = score->GetTrkBar(t, b);
        tb->SetCurrent();
        return tb;
    }

    struct NoteSpec {
        int time = 0;
        int value = 3;
        std::vector<int> heads{0};
        int voice = 0;
        bool up = false;
        bool grace = false;
        int dots = 0;
    };
    // A note written into the bar at its time's position, its chord laid out.
    static CNote* AddNote(CTrkBar* tb, const NoteSpec& s) {
        std::vector<std::uint8_t> bytes(std::size_t(CRawNote::kHeads + NoteHead::kSize * s.heads.size()), 0);
        CNote* note = CNote::Construct(bytes.data());
        note->SetHeadCountField(int(s.heads.size()));
        note->CBaseItem::SetSize(std::int16_t(bytes.size()));
        note->SetNoteValue(s.value);
        note->SetDotCount(s.dots);
        note->SetTimeField(std::int16_t(s.time));
        note->SetPositionField(tb->GetBar()->TickToFraction(s.time, false));
        note->SetVoice(s.voice);
        note->SetStemUpBit(s.up);
        note->SetFlagBit(CRawHead::kGraceBit, s.grace);
        const int duration = int(note->GetDuration());
        for (std::size_t k = 0; k < s.heads.size(); ++k) {
            NoteHead* h = note->Head(int(k));
            h->SetPosition(s.heads[k]);
            h->SetPitch(60 + s.heads[k]);
            h->SetDuration(std::uint16_t(duration));
            if (s.grace) h->SetStartOffset(std::int16_t(-(duration + 1)));
        }
        auto* placed = static_cast<CNote*>(tb->InsertCopy(note));
        if (placed) placed->LayoutChord();
        return placed;
    }
    // A rest written into the bar at its time's position.
    static CRest* AddRest(CTrkBar* tb, int time, int value, int voice = 0) {
        std::uint8_t bytes[CRest::kSize] = {};
        CRest* rest = CRest::Construct(bytes);
        rest->SetNoteValue(value);
        rest->SetTimeField(std::int16_t(time));
        rest->SetPositionField(tb->GetBar()->TickToFraction(time, false));
        rest->SetVoice(voice);
        return static_cast<CRest*>(tb->InsertCopy(rest));
    }
    // The live records of the bar, in run order.
    static std::vector<CBarItem*> Live(CTrkBar* tb) {
        std::vector<CBarItem*> out;
        for (CBarItem* r = tb->GetItems(); r && r->Type() != 255; r = r->NextItem())
            if (!r->IsRemoved()) out.push_back(r);
        return out;
    }
    static std::vector<CBarItem*> NotesAndRests(CTrkBar* tb, int voice = -1) {
        std::vector<CBarItem*> out;
        for (CBarItem* r : Live(tb))
            if (r->IsNoteOrRest() && (voice < 0 || r->VoiceField() == voice)) out.push_back(r);
        return out;
    }

};

}  // namespace entrytest
