// Track labels on recorded calls: the label rectangle (centred, right-aligned, the upper staff
// of a grand staff), the drawn lines, the hit test and the label drags with and without the
// all-tracks modifier.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DrawTestSupport.h"
#include "model/DragTask.h"
#include "model/ScoreStandIns.h"
#include "model/Track.h"

namespace {

// Records where each label line is drawn: "centred x y text" or "right x y text".
class LabelArtist : public drawtest::RecordingArtist {
public:
    void DrawTextCentered(int x, int y, const char* s) override {
        log.push_back("centred " + std::to_string(x) + " " + std::to_string(y) + " " + s);
    }
    void DrawTextRight(int x, int y, const char* s) override {
        log.push_back("right " + std::to_string(x) + " " + std::to_string(y) + " " + s);
    }
};

class TrackLabel : public drawtest::ScoreDrawTest {
protected:
    void SetUp() override {
        ScoreDrawTest::SetUp();
        SetArtist(&labels);
        labels.InitColorTable();
        labels.SetCopyMode();
    }
    // Two tracks on two systems, both labels of both tracks switched on.
    void BuildTwo() {
        Build(2, {1, 1});
        const char* names[][2] = {{"Flute", "Fl."}, {"Guitar,6-string", "Gtr."}};
        for (int t = 0; t < 2; ++t) {
            CTrack* tr = Track(t);
            tr->SetName(names[t][0]);
            tr->SetAbbreviation(names[t][1]);
            tr->SetTrackFlags(std::uint8_t(tr->GetTrackFlags() | 0x03));
            tr->SetLabelOffsets(true, -30, 90);
            tr->SetLabelOffsets(false, -30, 90);
        }
        s->score->textFont2.size = s->score->textFont3.size = 12;
        s->Line(0)->MakeCurrent();
    }
    CTrack* Track(int t) { return s->score->GetTrack(t); }
    RECT Label(int t, int system) {
        s->Line(system)->MakeCurrent();
        RECT r;
        Track(t)->GetLabelRect(&r, system == 0);
        return r;
    }
    LabelArtist labels;
};

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

}  // namespace

TEST_F(TrackLabel, RectangleStandsAtTheAnchorMovedByTheOffsets) {
    BuildTwo();
    const int size = s->score->textFont2.size;
    struct Case {
        int track, system;
        bool right, grand, hidden, switchedOff;
        int lines;
        const char* why;
    } cases[] = {
        {0, 0, false, false, false, false, 1, "one line centred on the anchor"},
        {1, 0, false, false, false, false, 2, "two lines: twice the height"},
        {1, 0, true, false, false, false, 2, "right-aligned: ends at the anchor"},
        {0, 1, false, false, false, false, 1, "the abbreviation on a later system"},
        {0, 0, false, true, false, false, 1, "the upper staff of a grand staff: half way down"},
        {0, 0, false, false, true, false, 0, "a hidden staff has no label"},
        {0, 1, false, false, false, true, 0, "the abbreviation switched off"},
    };
    for (const Case& c : cases) {
        s->score->trackNamesRightAligned = c.right;
        Track(0)->SetClef(0);
        Track(1)->SetClef(c.grand ? 1 : 0);
        s->Line(0)->SetBracket(c.grand ? 1 : 0, 0, 1, false);
        CStaff* st = s->Line(c.system)->GetStaff(c.track);
        st->SetShown(!c.hidden);
        Track(c.track)->SetTrackFlags(std::uint8_t(c.switchedOff ? 0x01 : 0x03));
        const bool first = c.system == 0;
        Track(c.track)->SetLabelOffsets(first, first ? -30 : 60, first ? 90 : -120);
        const RECT r = Label(c.track, c.system);
        st->SetShown(true);
        Track(c.track)->SetTrackFlags(0x03);
        if (c.lines == 0) {
            EXPECT_TRUE(Empty(r)) << c.why;
            continue;
        }
        CLine* line = s->Line(c.system);
        const int x = line->GetNameX(st) + st->ScaleOffset(first ? -30 : 60);
        int refY = st->GetReferenceY();
        if (c.grand) refY += (line->GetStaff(1)->GetReferenceY() - refY) / 2;
        const int y = refY + st->ScaleOffset(first ? 90 : -120);
        EXPECT_EQ(r.bottom - r.top, size * c.lines) << c.why;
        EXPECT_GT(r.right - r.left, 2) << c.why;
        if (c.right)
            EXPECT_EQ(r.right, x) << c.why;
        else
            EXPECT_LE(std::abs((r.left + r.right) / 2 - x), 1) << c.why;
        EXPECT_LE(std::abs((r.top + r.bottom) / 2 - y), 1) << c.why;
    }
}

TEST_F(TrackLabel, LinesCentreOnTheLabelsPlace) {
    BuildTwo();
    CStaff* st = s->Line(0)->GetStaff(1);
    const int step = labels.Scale(s->score->textFont2.size);
    const int x = 300 + st->ScaleOffset(-30), y = 200 + st->ScaleOffset(90);
    const auto at = [](const char* how, int x, int y, const char* text) {
        return std::string(how) + " " + std::to_string(x) + " " + std::to_string(y) + " " + text;
    };
    const struct {
        const char* name;
        bool right;
        std::vector<std::string> want;
    } cases[] = {
        {"Flute", false, {at("centred", x, y, "Flute")}},
        {"Guitar,6-string", false, {at("centred", x, y - step / 2, "Guitar"), at("centred", x, y - step / 2 + step, "6-string")}},
        {"A,B,C", true, {at("right", x, y - step, "A"), at("right", x, y, "B"), at("right", x, y + step, "C")}},
    };
    for (const auto& c : cases) {
        Track(1)->SetName(c.name);
        s->score->trackNamesRightAligned = c.right;
        labels.log.clear();
        Track(1)->DrawLabel(300, 200, true);
        std::vector<std::string> got;
        for (const auto& l : labels.log)
            if (l.rfind("centred", 0) == 0 || l.rfind("right", 0) == 0) got.push_back(l);
        EXPECT_EQ(got, c.want) << c.name;
    }
    // A label font never set (size 0) still spaces its lines: ten points apart.
    s->score->textFont2.size = s->score->textFont3.size = 0;
    s->score->trackNamesRightAligned = 0;
    Track(1)->SetName("A,B");
    labels.log.clear();
    Track(1)->DrawLabel(300, 200, true);
    const int ten = labels.Scale(10);
    EXPECT_EQ(labels.Only("centred"), (std::vector<std::string>{at("centred", x, y - ten / 2, "A"),
                                                                 at("centred", x, y - ten / 2 + ten, "B")}));
    // Full names take the score's track-name font and abbreviations its abbreviation font, never
    // the staff's time-signature font (the music face at 24 points by default).
    s->score->staffLabelFont = FontRef{g_draw.defaultMusicFontRef.face, 24, 0, 0};
    s->score->textFont2.size = 12;
    s->score->textFont3.size = 8;
    Track(1)->SetAbbreviation("a,b");
    for (const bool first : {true, false}) {
        const int step = labels.Scale(first ? 12 : 8);
        labels.log.clear();
        Track(1)->DrawLabel(300, 200, first);
        EXPECT_EQ(labels.Only("centred"),
                  (std::vector<std::string>{at("centred", x, y - step / 2, first ? "A" : "a"),
                                            at("centred", x, y - step / 2 + step, first ? "B" : "b")}))
            << (first ? "full name" : "abbreviation");
    }
}

TEST_F(TrackLabel, TheCurrentVoicesSoundNameStandsUnderTheLabel) {
    BuildTwo();
    CStaff* st = s->Line(0)->GetStaff(1);
    const int step = labels.Scale(s->score->textFont2.size);
    const int x = 300 + st->ScaleOffset(-30), y = 200 + st->ScaleOffset(90);
    const int below = y - step / 2 + 2 * step - labels.Scale(2);  // two lines, then the gap
    Track(1)->SetVoiceCount(4);
    Track(1)->SetVoiceDefName(0, "Nylon strings");
    Track(1)->SetVoiceDefName(2, "Steel strings");
    const auto at = [](const char* how, int x, int y, const char* text) {
        return std::string(how) + " " + std::to_string(x) + " " + std::to_string(y) + " " + text;
    };
    const struct {
        bool on, held, printing, right;
        int voice;
        std::vector<std::string> want;  // what is drawn after the label's lines
        const char* why;
    } cases[] = {
        {false, false, false, false, 0, {}, "the option off"},
        {true, false, false, false, 0, {at("centred", x, below, "Nylon strings")}, "voice 0's sound"},
        {true, false, false, false, 2, {at("centred", x, below, "Steel strings")}, "the current voice's"},
        {true, false, false, true, 0, {at("right", x, below, "Nylon strings")}, "aligned as the label"},
        {true, true, false, false, 0, {}, "held back by the document"},
        {true, false, true, false, 0, {}, "not on paper"},
    };
    for (const auto& c : cases) {
        g_trackLabels.showSoundNames = c.on;
        g_trackLabels.soundNamesHeld = c.held;
        g_draw.printingDC = c.printing;
        s->doc.location.voice = std::uint16_t(c.voice);
        s->score->trackNamesRightAligned = c.right;
        labels.log.clear();
        Track(1)->DrawLabel(300, 200, true);
        g_draw.printingDC = false;
        std::vector<std::string> got;
        for (const auto& l : labels.log)
            if (l.rfind("centred", 0) == 0 || l.rfind("right", 0) == 0) got.push_back(l);
        ASSERT_GE(got.size(), 2u) << c.why;
        got.erase(got.begin(), got.begin() + 2);
        EXPECT_EQ(got, c.want) << c.why;
    }
    g_trackLabels.showSoundNames = false;
}

TEST_F(TrackLabel, HitNeedsTheModeClearAShownLabelAndText) {
    BuildTwo();
    const RECT r = Label(0, 0);
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    const TrackBehaviour& b = TrackBehaviour::Instance();
    const struct {
        int mode;
        std::uint8_t flags;
        const char* name;
        int x, y;
        bool hit;
        const char* why;
    } cases[] = {
        {0, 0x03, "Flute", cx, cy, true, "inside the label"},
        {0, 0x03, "Flute", int(r.right) + 2, cy, false, "right of it"},
        {0, 0x03, "Flute", cx, int(r.top) - 2, false, "above it"},
        {1, 0x03, "Flute", cx, cy, false, "the mode byte is set"},
        {0, 0x00, "Flute", cx, cy, false, "no label switched on"},
        {0, 0x03, "", cx, cy, false, "empty text is never hit"},
    };
    for (const auto& c : cases) {
        g_trackLabels.mode = std::uint8_t(c.mode);
        Track(0)->SetTrackFlags(c.flags);
        Track(0)->SetName(c.name);
        s->Line(0)->MakeCurrent();
        EXPECT_EQ(b.HitTest(*Track(0), c.x, c.y), c.hit) << c.why;
    }
    g_trackLabels = {};
}

TEST_F(TrackLabel, DragsMoveTheLabelsAndDirtyTheirRectangles) {
    const TrackBehaviour& b = TrackBehaviour::Instance();
    const struct {
        int system;
        bool allTracksKey, moved;
        bool othersMove;
        const char* why;
    } cases[] = {
        {0, false, false, false, "this track only"},
        {1, false, false, false, "the abbreviation on a later system"},
        {0, true, true, true, "the all-tracks modifier moves every track"},
        {1, true, true, true, "every track's abbreviation"},
        {0, true, false, false, "the modifier on a drag that did not move"},
    };
    for (const auto& c : cases) {
        BuildTwo();
        const bool first = c.system == 0;
        s->Line(c.system)->MakeCurrent();
        g_trackLabels = {};
        CDragTask drag;
        drag.moved = c.moved;
        g_viewDrag.allTracksFlag = c.allTracksKey;
        const int x0 = Track(0)->GetLabelOffsetX(first), y0 = Track(0)->GetLabelOffsetY(first);
        const int otherX = Track(1)->GetLabelOffsetX(first), otherY = Track(1)->GetLabelOffsetY(first);
        const int keptX = Track(0)->GetLabelOffsetX(!first);
        for (auto [dx, dy] : {std::pair{12, -6}, std::pair{3, 40}}) {
            drag.unitDx = dx;
            drag.unitDy = dy;
            b.DragBy(*Track(0), &drag);
        }
        EXPECT_EQ(g_trackLabels.dragTotalX, 15) << c.why;
        EXPECT_EQ(g_trackLabels.dragTotalY, 34) << c.why;
        EXPECT_EQ(Track(0)->GetLabelOffsetX(first), x0 + 15) << c.why;
        EXPECT_EQ(Track(0)->GetLabelOffsetY(first), y0 + 34) << c.why;
        EXPECT_EQ(Track(0)->GetLabelOffsetX(!first), keptX) << c.why << ": the other kind stays";

        CSelect* sel = s->doc.GetSelection();
        sel->EmptyRedrawList();
        b.EndDrag(*Track(0), &drag);
        EXPECT_EQ(g_model.currentLine, s->Line(c.system)) << c.why << ": the current system is kept";
        const int moved = c.othersMove ? 15 : 0;
        EXPECT_EQ(Track(1)->GetLabelOffsetX(first), otherX + moved) << c.why;
        EXPECT_EQ(Track(1)->GetLabelOffsetY(first), otherY + (c.othersMove ? 34 : 0)) << c.why;
        // The redraw list keeps one rectangle per page: the labels' rectangles unioned on page 0.
        RECT all{32767, 32767, -32767, -32767};
        for (int k = 0; k < 2; ++k)
            for (int t = 0; t < 2; ++t) {
                if (t == 1 && !c.othersMove) continue;
                const RECT r = Label(t, k);
                all = RECT{std::min(all.left, r.left), std::min(all.top, r.top), std::max(all.right, r.right),
                           std::max(all.bottom, r.bottom)};
            }
        std::vector<std::vector<long>> want{{all.left, all.top, all.right, all.bottom, 0}}, got;
        for (int i = 0; i < sel->GetCount(); ++i) {
            const PageDirtyRect* d = sel->RedrawEntry(i);
            got.push_back({d->rect.left, d->rect.top, d->rect.right, d->rect.bottom, d->page});
        }
        EXPECT_EQ(got, want) << c.why;
    }
    g_viewDrag = {};
    g_trackLabels = {};
}
