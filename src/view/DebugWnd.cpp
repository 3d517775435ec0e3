#include "view/DebugWnd.h"

#include <cstdio>

#include "framework/Gdi.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/Score.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/RawNote.h"
#include "platform/Artist.h"
#include "platform/Port.h"
#include "platform/Theory.h"

namespace debuglist {

namespace {

std::string Num(int v) { return std::to_string(v); }

// The last three digits, with leading zeros.
std::string Three(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%03d", ((v % 1000) + 1000) % 1000);
    return buf;
}

constexpr int kMidiData = 170;

}  // namespace

Header HeaderOf(CBar& bar) {
    return Header{bar.GetWidth(), bar.GetNaturalWidth(), bar.GetContentWidth(), bar.GetContentLength(),
                  bar.GetNaturalSpace()};
}

std::string BeatTick(int time, int beatLength) {
    if (beatLength <= 0) beatLength = 480;
    return Three(time / beatLength + 1) + ":" + Three(time % beatLength);
}

std::string SpaceText(int space) {
    const int whole = space / 120;
    const int hundredths = std::min(99, (space % 120) * 100 / 120);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d.%02d", whole, hundredths < 0 ? -hundredths : hundredths);
    return buf;
}

std::vector<Line> Lines(CScore& score, CBar& bar, CTrkBar& trkBar, bool hideMidiData) {
    std::vector<Line> lines;
    const int beat = bar.GetBeatLength();
    int y = kFirstLine;
    for (CBarItem* item = trkBar.GetItems(); item && item->Type() != 255; item = item->NextItem()) {
        if (item->IsRemoved() || !score.IsVoiceShown(item->VoiceField())) continue;
        const int type = item->Type();
        if (type >= kMidiData && hideMidiData) continue;
        char name[64] = {};
        item->GetTypeName(name);
        const int time = item->TimeField();
        const std::string voice = Num(item->VoiceField());
        if (item->IsNoteOrRawNote()) {
            auto* note = static_cast<CRawNote*>(item);
            for (int k = 0; k < note->HeadCountField(); ++k) {
                const NoteHead* head = note->Head(k);
                const int offset = head->StartOffset();
                std::string pitch;
                CTheory::FormatPitchName(head->Pitch(), pitch);
                pitch += std::to_string(head->Pitch() / 12 - 1);
                Line line{y, head->IsSelected() ? 1 : 0, name, {}};
                line.cells = {{3, 0, name},
                              {122, 1, BeatTick(time, beat)},
                              {170, 0, Num(offset)},
                              {198, 0, Num(time + offset)},
                              {252, 1, voice},
                              {296, 2, Num(item->PositionField())},
                              {320, 0, Num(std::int8_t(head->Byte(NoteHead::kPosition)))},
                              {336, 0, pitch},
                              {380, 0, Num(head->Byte(NoteHead::kVelocity))},
                              {410, 0, Num(head->Byte(NoteHead::kRelease))},
                              {438, 0, Num(head->Duration())}};
                lines.push_back(std::move(line));
                y += 12;
            }
            // The next item's line is a whole line below the last head's.
            if (note->HeadCountField() > 0) y += kLineHeight - 12;
            continue;
        }
        const int offset = item->TimeOffsetField();
        Line line{y, item->IsSelectedBit() ? 1 : 0, name, {}};
        line.cells = {{3, 0, name},
                      {122, 1, BeatTick(time, beat)},
                      {170, 0, Num(offset)},
                      {198, 0, Num(time + offset)},
                      {252, 1, voice},
                      {296, 2, Num(type >= kMidiData ? 0 : item->PositionField())}};
        if (type >= kMidiData) line.cells.push_back({438, 0, Num(item->GetValue())});
        lines.push_back(std::move(line));
        y += kLineHeight;
    }
    return lines;
}

}  // namespace debuglist

// The window's content: the header strip over the list.
class CDebugPane : public CWnd {
public:
    explicit CDebugPane(CDebugWnd* owner) : wnd(owner) {}
    CDebugWnd* wnd;

protected:
    void OnPaint() override {
        CPaintDC dc(this);
        RECT client;
        GetClientRect(&client);
        dc.FillSolidRect(&client, RGB(255, 255, 255));
        PushPort(&dc);
        CArtist* a = GetArtist();
        CZelDoc* doc = wnd->GetDocument();
        CBar* bar = doc ? doc->location.bar : nullptr;
        if (a && bar) {
            using namespace debuglist;
            const RECT strip{0, 0, client.right, kHeaderHeight};
            a->FillRectColor(strip, 10);
            dc.MoveTo(0, 13);
            dc.LineTo(client.right, 13);
            dc.MoveTo(0, 27);
            dc.LineTo(client.right, 27);
            const Header h = HeaderOf(*bar);
            // The list's small font: the current face at 8 points, the titles bold.
            FontRef font;
            a->GetFontRef(&font);
            a->SetFont(font.face, 8, 0);
            a->SetColor(0);
            const int x0 = 2;
            const std::pair<int, std::string> texts[] = {
                {4, "PixWidth = "},   {64, std::to_string(h.pixWidth)},     {94, "LogWidth = "},
                {154, std::to_string(h.logWidth)}, {194, "BCWidth = "},    {254, std::to_string(h.bcWidth)},
                {294, "TotalClocks = "}, {364, std::to_string(h.totalClocks)}, {404, "Space = "},
                {448, SpaceText(h.space)}};
            for (const auto& [x, t] : texts) a->DrawText(x0 + x, 11, t.c_str());
            const std::pair<int, const char*> titles[] = {{2, "Type"},  {102, "Clock"}, {202, "Track"},
                                                          {238, "Voice"}, {274, "Slot"}, {302, "SPos"},
                                                          {334, "Parmeters"}};
            a->SetFont(font.face, 8, FontRef::kBold);
            for (const auto& [x, t] : titles) a->DrawText(x0 + x, 25, t);
            a->SetFont(font.face, 8, 0);
            int bottom = kHeaderHeight;
            for (const Line& line : wnd->CurrentLines()) {
                const int y = kHeaderHeight + line.y;
                a->SetColor(line.color);
                for (const Cell& c : line.cells) {
                    if (c.align == 1) a->DrawTextCentered(c.x, y, c.text.c_str());
                    else if (c.align == 2) a->DrawTextRight(c.x, y, c.text.c_str());
                    else a->DrawText(c.x, y, c.text.c_str());
                }
                dc.MoveTo(0, y + 2);
                dc.LineTo(1000, y + 2);
                bottom = y + 2;
            }
            for (int x : kSeparators) {
                dc.MoveTo(x0 + x, 13);
                dc.LineTo(x0 + x, bottom);
            }
            a->SetFontRef(font);
        }
        PopPort();
    }
};

CDebugWnd::CDebugWnd() = default;
CDebugWnd::~CDebugWnd() = default;

bool CDebugWnd::Create(CFrameWnd*) {
    if (!SetupDocking(kTitleId, 0, RECT{40, 100, 540, 400}, true)) return false;
    pane_ = std::make_unique<CDebugPane>(this);
    RECT r;
    GetClientRect(&r);
    if (!pane_->Create(nullptr, "", WS_CHILD | WS_VISIBLE, RECT{0, 0, std::max<LONG>(r.right, 1), std::max<LONG>(r.bottom, 1)},
                       this, 1))
        return false;
    child = pane_.get();
    HideBar();
    return true;
}

CWnd* CDebugWnd::GetChildWindow() { return pane_.get(); }

void CDebugWnd::SetDocument(CZelDoc* doc) {
    doc_ = doc;
    if (pane_ && pane_->IsWindow()) pane_->Invalidate();
}

std::vector<debuglist::Line> CDebugWnd::CurrentLines() const {
    if (!doc_ || !doc_->GetScore()) return {};
    CScore* score = doc_->GetScore();
    CBar* bar = doc_->location.bar;
    CTrkBar* trkBar = score->GetTrkBar(doc_->location.trackIndex, doc_->location.barIndex);
    if (!bar || !trkBar) return {};
    return debuglist::Lines(*score, *bar, *trkBar, hideMidiData);
}
