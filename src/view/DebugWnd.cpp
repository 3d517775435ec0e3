#include "view/DebugWnd.h"

#include <cstdio>

#include "framework/Gdi.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/Data.h"
#include "model/PlaybackMarks.h"
#include "model/Record.h"
#include "framework/StringTable.h"
#include "model/Score.h"
#include "model/TieType.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/RawNote.h"
#include "platform/Artist.h"
#include "platform/Port.h"
#include "platform/StdView.h"
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

// The fields of an item's stored record, read only inside the record.
struct Fields {
    const CBarItem& item;
    int size;
    explicit Fields(const CBarItem& i) : item(i), size(i.RecordSizeField()) {}
    template <typename T>
    int At(int offset) const {
        return offset >= 0 && offset + int(sizeof(T)) <= size ? int(rec::Get<T>(&item, std::size_t(offset))) : 0;
    }
    int U8(int o) const { return At<std::uint8_t>(o); }
    int S8(int o) const { return At<std::int8_t>(o); }
    int S16(int o) const { return At<std::int16_t>(o); }
    int U16(int o) const { return At<std::uint16_t>(o); }
    int S32(int o) const { return At<std::int32_t>(o); }
};

std::string StringOf(int id) {
    std::string text;
    fw::LoadStringResource(UINT(id), text);
    return text;
}

// The values the list shows for an item's type, after the common columns. A cell at x 170
// (the offset column) replaces the common one.
void AddTypeValues(CBarItem& item, std::vector<Cell>& cells) {
    const Fields f(item);
    const auto put = [&cells](int x, const std::string& text) {
        for (Cell& c : cells)
            if (c.x == x) {
                c.text = text;
                return;
            }
        cells.push_back({x, 0, text});
    };
    switch (item.Type()) {
    case 19: put(336, Num(f.S16(24) * 1024 + f.S16(26))); break;     // hairpin
    case 34: put(320, Num(f.S16(18))); break;                        // barre
    case 16: put(320, Num(f.S8(20))); break;                         // beam
    case 33: put(320, Num(f.S16(18))); break;                        // bend
    case CGroup::kType: put(320, Num(CGroup::PointCount())); break;     // group
    case 40: put(170, Num(f.S8(15))); break;                         // guitar frame
    case 17:                                                         // chord
        put(170, Num(f.S8(15)));
        put(336, Num(f.U8(22)));
        break;
    case 18: put(336, Num(item.GetValue())); break;                  // clef
    case 20:                                                         // dynamic
        put(170, Num(f.S8(15)));
        put(336, Num(f.U8(19)));
        break;
    case 37: {                                                       // expression
        put(170, Num(f.S8(15)));
        const auto* e = CExpression::Of(&item);
        if (const int definition = e->GetKind(); definition != 0) {
            put(336, StringOf(3830 + definition));
            put(438, Num(e->IsPlayKind2() ? f.S32(32) : item.GetValue()));
        }
        break;
    }
    case 23: put(336, Num(f.U8(16))); break;                         // key signature
    case 24: put(336, Num(f.S16(28))); break;                        // lyric
    case 25: put(336, Num(f.S16(22))); break;                        // ottava
    case 128: put(320, Num(f.S8(20))); break;                        // rest
    case 27: put(320, Num(f.S16(18))); break;                        // slur
    case 28: put(438, Num(f.U16(20))); break;                        // tempo
    case 30:                                                         // tie
        put(320, Num(f.S16(18)));
        put(336, Num(f.S16(26)));
        put(380, Num(f.S16(30)));
        break;
    case 22: put(170, Num(f.S8(15))); break;                         // symbol
    case 31: put(320, Num(f.S16(18))); break;                        // tuplet
    case 171:                                                        // controller
        put(336, StringOf(5400 + f.U8(CData::kDataByte1)));
        put(438, Num(item.GetValue()));
        break;
    default:
        if (item.Type() >= kMidiData && item.Type() <= 175) put(438, Num(item.GetValue()));
        break;
    }
}

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
    // A cut-time bar (its meter's half-beat flag) counts its beats in halves.
    int beat = bar.GetBeatLength();
    if (bar.GetMeter()->GetKindFlags() & Meter::kCutTime) beat /= 2;
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
        AddTypeValues(*item, line.cells);
        lines.push_back(std::move(line));
        y += kLineHeight;
    }
    return lines;
}

}  // namespace debuglist

// The header strip: the current bar's layout numbers and the column titles.
class CDebugHeader : public CWnd {
public:
    explicit CDebugHeader(CDebugWnd* owner) : wnd(owner) {}
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
            for (int x : kSeparators) {
                dc.MoveTo(x0 + x, 13);
                dc.LineTo(x0 + x, kHeaderHeight);
            }
            a->SetFontRef(font);
        }
        PopPort();
    }
};

// The list below the header: a scrolling view of the insertion point's bar of a track.
class CDebugView : public CStdView {
public:
    explicit CDebugView(CDebugWnd* owner) : wnd(owner) {}
    CDebugWnd* wnd;

    // With a document and its score the list scrolls over 600 x 1000 and is drawn again.
    void Layout() {
        CZelDoc* doc = wnd->GetDocument();
        if (!doc || !doc->GetScore() || !IsWindow()) return;
        SetScrollRect(RECT{0, 0, debuglist::kScrollWidth, debuglist::kScrollHeight});
        RedrawAll();
    }

    void DrawContent(const RECT& area) override {
        CArtist* a = GetArtist();
        if (!a || !wnd->GetDocument()) return;
        using namespace debuglist;
        FontRef font;
        a->GetFontRef(&font);
        a->SetFont(font.face, 8, 0);
        int bottom = 0;
        for (const Line& line : wnd->CurrentLines()) {
            bottom = line.y + 2;
            // Only the lines that reach the area being painted are drawn.
            if (line.y + 4 < area.top || line.y - kLineHeight > area.bottom) continue;
            a->SetColor(line.color);
            for (const Cell& c : line.cells) {
                if (c.align == 1) a->DrawTextCentered(c.x, line.y, c.text.c_str());
                else if (c.align == 2) a->DrawTextRight(c.x, line.y, c.text.c_str());
                else a->DrawText(c.x, line.y, c.text.c_str());
            }
            a->SetColor(0);
            a->Line(0, line.y + 2, 1000, line.y + 2);
        }
        a->SetColor(0);
        for (int x : kSeparators) a->Line(2 + x, 0, 2 + x, bottom);
        a->SetFontRef(font);
    }
};

// The window's content: the header strip over the list, which takes the rest.
class CDebugPane : public CWnd {
public:
    explicit CDebugPane(CDebugWnd* owner) : header(owner), view(owner) {}
    CDebugHeader header;
    CDebugView view;

protected:
    void OnSize(UINT type, int cx, int cy) override {
        CWnd::OnSize(type, cx, cy);
        using debuglist::kHeaderHeight;
        if (header.IsWindow()) header.MoveWindow(RECT{0, 0, cx, std::min(cy, kHeaderHeight)}, TRUE);
        if (view.IsWindow()) view.MoveWindow(RECT{0, kHeaderHeight, cx, std::max(cy, kHeaderHeight)}, TRUE);
    }
};

CDebugWnd::CDebugWnd() = default;
CDebugWnd::~CDebugWnd() = default;

bool CDebugWnd::Create(CFrameWnd*) {
    if (!SetupDocking(kTitleId, 0, RECT{40, 100, 540, 400}, true)) return false;
    pane_ = std::make_unique<CDebugPane>(this);
    RECT r;
    GetClientRect(&r);
    const LONG w = std::max<LONG>(r.right, 1), h = std::max<LONG>(r.bottom, 1);
    if (!pane_->Create(nullptr, "", WS_CHILD | WS_VISIBLE, RECT{0, 0, w, h}, this, 1)) return false;
    if (!pane_->header.Create(nullptr, "", WS_CHILD | WS_VISIBLE, RECT{0, 0, 1000, debuglist::kHeaderHeight},
                              pane_.get(), 2))
        return false;
    // The list: no document yet, scrolled by 1 pixel a line and 16 a page.
    pane_->view.SetPageSize(16, 16);
    if (!pane_->view.CreateView(pane_.get(), 0, debuglist::kHeaderHeight, 0, 0)) return false;
    pane_->view.SetScrollRect(RECT{0, 0, 1, 1});
    child = pane_.get();
    HideBar();
    return true;
}

CWnd* CDebugWnd::GetChildWindow() { return pane_.get(); }

CStdView* CDebugWnd::GetListView() const { return pane_ ? &pane_->view : nullptr; }

void CDebugWnd::SetDocument(CZelDoc* doc) {
    doc_ = doc;
    if (!pane_) return;
    if (pane_->header.IsWindow()) pane_->header.Invalidate();
    pane_->view.Layout();
}

std::vector<debuglist::Line> CDebugWnd::CurrentLines() const {
    if (!doc_ || !doc_->GetScore()) return {};
    CScore* score = doc_->GetScore();
    CBar* bar = doc_->location.bar;
    CTrkBar* trkBar = score->GetTrkBar(doc_->location.trackIndex, doc_->location.barIndex);
    if (!bar || !trkBar) return {};
    return debuglist::Lines(*score, *bar, *trkBar, hideMidiData);
}
