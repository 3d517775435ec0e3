// Helpers of the page, system and bar drawing tests: an artist that records the music-level
// calls it is given (and draws them), and a small laid-out score drawn into a memory port.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "FrameTestSupport.h"
#include "framework/DC.h"
#include "support/Calls.h"
#include "framework/Gdi.h"
#include "framework/Globals.h"
#include "model/ItemClass.h"
#include "model/SystemStaff.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"

namespace drawtest {

// The screen artist, recording "DrawBarline x kind side", "Glyph x y c", "Frame l t r b",
// "Wide line x1 y1 x2 y2 width w",
// "Music size", "Text x y s", "Brace l t r b" and "Erase l t r b" as the score drawing calls them.
class RecordingArtist : public CArtist {
public:
    std::vector<std::string> log;
    std::vector<int> textY;  // the y of every left-aligned text, in order
    std::vector<std::pair<std::string, int>> textAt;  // every text with its y, in order
    void Add(const char* format, int a = 0, int b = 0, int c = 0, int d = 0) {
        char line[96];
        std::snprintf(line, sizeof line, format, a, b, c, d);
        log.push_back(line);
    }
    void DrawBarline(int x, int yTop, int yBottom, int kind, int align) override {
        Add("Barline %d kind %d side %d", x, kind, align);
        CArtist::DrawBarline(x, yTop, yBottom, kind, align);
    }
    void DrawGlyph(int x, int y, int c) override {
        Add("Glyph %d %d %d", x, y, c);
        CArtist::DrawGlyph(x, y, c);
    }
    void DrawGlyphCentered(int x, int y, int c) override {
        Add("Glyph centred %d %d %d", x, y, c);
        CArtist::DrawGlyphCentered(x, y, c);
    }
    void DrawGlyphInRect(const RECT& r) override {
        Add("Brace %d %d %d %d", r.left, r.top, r.right, r.bottom);
        CArtist::DrawGlyphInRect(r);
    }
    void FrameRect(const RECT& r) override {
        Add("Frame %d %d %d %d", r.left, r.top, r.right, r.bottom);
        CArtist::FrameRect(r);
    }
    void SetMusicFont(int size) override {
        Add("Music %d", size);
        CArtist::SetMusicFont(size);
    }
    void DrawTextCentered(int x, int y, const char* s) override {
        log.push_back("Text " + std::to_string(x) + " " + s);
        textAt.emplace_back(s, y);
        CArtist::DrawTextCentered(x, y, s);
    }
    void DrawText(int x, int y, const char* s) override {
        log.push_back("Text left " + std::to_string(x) + " " + s);
        textY.push_back(y);
        textAt.emplace_back(s, y);
        CArtist::DrawText(x, y, s);
    }
    void Line(int x1, int y1, int x2, int y2) override {
        Add("Line %d %d %d %d", x1, y1, x2, y2);
        CArtist::Line(x1, y1, x2, y2);
    }
    void ThickLine(int x1, int y1, int x2, int y2, int style) override {
        Add("Rule %d %d %d %d", x1, y1, x2, y2);
        log.back() += " style " + std::to_string(style);
        CArtist::ThickLine(x1, y1, x2, y2, style);
    }
    void DrawStaffLines(int x1, int yTop, int x2, int mask, int spacing, int width) override {
        Add("Lines mask %d", mask);
        CArtist::DrawStaffLines(x1, yTop, x2, mask, spacing, width);
    }
    void LineWidth(int x1, int y1, int x2, int y2, int w) override {
        Add("Wide line %d %d %d %d", x1, y1, x2, y2);
        log.back() += " width " + std::to_string(w);
        CArtist::LineWidth(x1, y1, x2, y2, w);
    }
    void EraseRect(const RECT& r) override {
        Add("Erase %d %d %d %d", r.left, r.top, r.right, r.bottom);
        CArtist::EraseRect(r);
    }
    void DrawTextRight(int x, int y, const char* s) override {
        log.push_back("Text right " + std::to_string(x) + " " + s);
        textAt.emplace_back(s, y);
        CArtist::DrawTextRight(x, y, s);
    }
    // The lines that start with the prefix.
    std::vector<std::string> Only(const char* prefix) const { return testsupport::Only(log, {prefix}); }
};

// A laid-out score of one page (system k holding bars[k] bars) drawn into a white memory port
// through the recording artist.
class ScoreDrawTest : public ::testing::Test {
protected:
    void Build(int tracks, const std::vector<int>& bars) {
        s = std::make_unique<frametest::SmallScore>(tracks, bars);
        for (int k = 0; k < int(bars.size()); ++k) s->Line(k)->SetTopOffset(1440 + 1800 * tracks * k);
        Relayout();
    }
    // Lays every system out again and marks its shown staves as drawn in this paint, as a
    // system's drawing does (the bars draw their items on drawn staves only).
    void Relayout() {
        for (int k = 0; k < s->score->GetLineCount(); ++k) {
            CLine* line = s->Line(k);
            line->Relayout();
            for (int i = 0; i < line->GetStaffCount(); ++i) line->GetStaff(i)->SetSelected(line->GetStaff(i)->IsShown());
        }
    }
    void SetUp() override {
        // Tracks answer for their labels as they do in the program.
        RegisterTrackClass();
        InitDrawing();
        screen = GetArtist();
        SetArtist(&artist);
        artist.InitColorTable();
        dc.CreateCompatibleDC(nullptr);
        picture.CreateBitmap(700, 900);
        dc.SelectObject(&picture);
        PushPort(&dc);
        artist.SetCopyMode();
        g_model.updateRect = RECT{-2000, -2000, 4000, 4000};
    }
    void TearDown() override {
        PopPort();
        SetArtist(screen);
        fw::ResetAllGlobals();
    }
    std::unique_ptr<frametest::SmallScore> s;
    RecordingArtist artist;
    CArtist* screen = nullptr;
    CDC dc;
    CBitmap picture;
};

// A bar item that reaches n bars on (its bytes 16-17) and can be told to throw from its drawing.
class SpanningBehaviour : public BarItemBehaviour {
public:
    int GetBarSpan(CBarItem& item) const override { return rec::Get<std::int16_t>(&item, 16); }
    void DrawShape(CBarItem& item) const override {
        ++drawn;
        lefts.push_back(g_model.currentBar ? g_model.currentBar->GetLeft() : 0);
        if (throws) throw std::runtime_error("drawing failed");
        BarItemBehaviour::DrawShape(item);
    }
    // Its rectangle: the current bar over the current staff.
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override {
        CBar* bar = g_model.currentBar;
        CStaff* staff = g_model.currentStaff;
        *rect = bar && staff ? RECT{bar->GetLeft(), staff->GetTopLine(), bar->GetRight(), staff->GetBottomLine()} : RECT{};
        return rect;
    }
    mutable int drawn = 0;
    mutable std::vector<int> lefts;
    bool throws = false;
};

// Binds a type code to the spanning behaviour while the object lives.
struct SpanningClass {
    explicit SpanningClass(int code) : code(code) {
        saved = ItemClasses().IndexForCode(code);
        const ItemTypeEntry* e = FindItemType(code);
        ItemClasses().BindCode(code, ItemClasses().Add({e->className, e->typeName, e->code, e->recordSize, &behaviour}));
    }
    ~SpanningClass() { ItemClasses().BindCode(code, saved); }
    int code;
    std::uint32_t saved;
    SpanningBehaviour behaviour;
};

}  // namespace drawtest
