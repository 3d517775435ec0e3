// Helpers of the bar, system and page tests: a small score whose page, systems, bars, tracks
// and bars of a track are linked as the score's reindexing links them, and a stand-in note
// class whose duration the spacing tests choose.
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ItemClass.h"
#include "model/ItemFactory.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/System.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"

namespace frametest {

// A chunk as the chunk stream writes it without a count word: tag, big-endian length, body.
inline std::vector<std::uint8_t> Chunk(const char* tag, const std::vector<std::uint8_t>& body) {
    std::vector<std::uint8_t> out;
    out.reserve(8 + body.size());
    for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(tag[i]));
    const auto n = std::uint32_t(body.size());
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(n >> shift));
    for (std::uint8_t b : body) out.push_back(b);
    return out;
}

// One page; system s holds bars[s] bars; every track has a staff in every system.
struct SmallScore {
    CZelDoc doc;
    std::unique_ptr<CScore> score;

    SmallScore(int tracks, const std::vector<int>& bars) {
        doc.SetScoreSize(100);  // the page in use is the printer's letter page
        score = std::make_unique<CScore>(&doc);
        CScore& s = *score;
        for (int t = 0; t < tracks; ++t) s.GetTrackArray()->InsertEmpty(t);
        s.trackCount = std::int16_t(tracks);
        auto* page = static_cast<CPage*>(s.GetPageArray()->InsertEmpty(0));
        page->Init(&s);
        page->SetFirstSystem(0);
        page->SetSystemCount(int(bars.size()));
        s.pageCount = 1;
        int total = 0;
        for (int n : bars) total += n;
        for (int b = 0; b < total; ++b) s.GetBarArray()->InsertEmpty(b);
        s.barCount = std::int16_t(total);
        for (int t = 0; t < tracks; ++t)
            for (int b = 0; b < total; ++b) s.InsertTrkBar(t, b);
        int first = 0;
        for (std::size_t k = 0; k < bars.size(); ++k) {
            s.GetLineArray()->InsertEmpty(int(k));
            CLine* line = s.GetLine(int(k));
            line->Init(s.GetPage(0));
            line->SetPageIndex(0);
            line->SetFirstBarIndex(first);
            line->SetBarCount(bars[k]);
            line->SetFirstBar(&s, first);
            for (int t = 0; t < tracks; ++t) line->InsertStaff(t);
            for (int b = first; b < first + bars[k]; ++b) s.GetBar(b)->SetLine(&s, int(k));
            first += bars[k];
        }
        s.lineCount = std::int16_t(bars.size());
    }

    CBar* Bar(int b) { return score->GetBar(b); }
    CLine* Line(int k) { return score->GetLine(k); }
    CPage* Page() { return score->GetPage(0); }
    CTrkBar* TrkBar(int t, int b) { return score->GetTrkBar(t, b); }
};

// Notes and rests whose duration (in ticks) stands in their bytes 20-21, while a test holds
// the binding.
class TimedNoteBehaviour : public BarItemBehaviour, public NoteRecordBehaviour {
public:
    double NoteOnset(const CBarItem& item) const override { return item.TimeField(); }
    double NoteLength(const CBarItem& item) const override { return rec::Get<std::int16_t>(&item, 20); }
    double NoteEnd(const CBarItem& item) const override { return NoteOnset(item) + NoteLength(item); }
    void NoteUpdateStem(CBarItem&, int, bool) const override {}
    void NoteSetLink(CBarItem&, int, bool) const override {}
    void NoteSpellHead(CTrkBar*, CBarItem&, int) const override {}
    void NoteMoveHead(CBarItem&, int, int) const override {}
};

// Tuplets whose end position stands in their bytes 20-21.
class EndingTupletBehaviour : public BarItemBehaviour {
public:
    int GetEndPosition(CBarItem& item) const override { return rec::Get<std::int16_t>(&item, 20); }
};

class TimedNotes {
public:
    TimedNotes() {
        for (int code : {128, 144, 31}) {
            saved.push_back(ItemClasses().IndexForCode(code));
            const ItemTypeEntry* e = FindItemType(code);
            const ItemBehaviour* b = code == 31 ? static_cast<const ItemBehaviour*>(&tuplets)
                                                : static_cast<const BarItemBehaviour*>(&behaviour);
            ItemClasses().BindCode(code, ItemClasses().Add({e->className, e->typeName, e->code, e->recordSize, b}));
        }
    }
    ~TimedNotes() {
        ItemClasses().BindCode(128, saved[0]);
        ItemClasses().BindCode(144, saved[1]);
        ItemClasses().BindCode(31, saved[2]);
    }
    // A tuplet of `actual` notes in the time of `normal`, from the position to the end.
    static CBarItem* AddTuplet(CTrkBar* tb, int time, int position, int end, int actual, int normal) {
        CBarItem* item = tb->NewItem(31, time);
        item->SetPositionField(std::int16_t(position));
        rec::Put<std::int16_t>(item, 20, std::int16_t(end));
        rec::Put<std::uint8_t>(item, 38, std::uint8_t(actual));
        rec::Put<std::uint8_t>(item, 39, std::uint8_t(normal));
        return item;
    }
    // A note (144) or rest (128) at the time and position with the duration, in voice 0.
    static CBarItem* Add(CTrkBar* tb, int type, int time, int duration, int position = 0, int voice = 0) {
        CBarItem* item = tb->NewItem(type, time);
        item->SetPositionField(std::int16_t(position));
        item->SetFlagsB(std::uint8_t((item->FlagsB() & 0x1F) | (voice << 5)));
        rec::Put<std::int16_t>(item, 20, std::int16_t(duration));
        return item;
    }

private:
    TimedNoteBehaviour behaviour;
    EndingTupletBehaviour tuplets;
    std::vector<std::uint32_t> saved;
};

}  // namespace frametest
