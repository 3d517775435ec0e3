// The glissando: its points (ends, middle, text), its straight or wavy line with the text along
// it, its drags, its marks on the heads it joins and the silence of the notes it covers, its
// stored form with the repairs of older files and its font's mapping.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "framework/Arith.h"
#include "model/DragTask.h"
#include "model/ItemClass.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/ScoreLocation.h"
#include "model/ScoreStandIns.h"
#include "model/SystemStaff.h"
#include "model/Text.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "model/TrkBarWalk.h"
#include "notation/NotationGlobals.h"
#include "notation/RawNote.h"
#include "notation/TieType.h"
#include "platform/Artist.h"
#include "platform/ChunkStream.h"
#include "platform/DrawGlobals.h"
#include "platform/PortLayer.h"

namespace {

CGlissando& GlissOf(CScoreItem& item) { return static_cast<CGlissando&>(item); }
int Space() { return g_model.currentStaff ? g_model.currentStaff->Space() : 6; }
int Offset(int units) { return g_model.currentStaff ? g_model.currentStaff->ScaleOffset(units) : units * 6 / 120; }
constexpr double kPi = 3.14159265358979323846;

// The first head's link byte of a note (0 for another item or a record without a head).
std::uint8_t HeadLinks(CBarItem* note) {
    if (!note || !note->IsNoteOrRawNote()) return 0;
    auto* n = static_cast<CRawNote*>(note);
    return n->HeadCountField() > 0 ? n->Head(0)->Byte(NoteHead::kLinkByte) : 0;
}

void SetHeadMark(CBarItem* note, int head, std::uint8_t bit, bool on) {
    if (!note || !note->IsNoteOrRawNote()) return;
    auto* n = static_cast<CRawNote*>(note);
    if (head < 0 || head >= n->HeadCountField()) head = 0;
    if (n->HeadCountField() == 0) return;
    n->Head(head)->SetBits(NoteHead::kLinkByte, bit, on);
    note->SetFlag8Bit1(on);
}

// The text font as drawn: a font of size 0 becomes the score's default text font at size 9.
FontRef DrawnFont(const CGlissando& g) {
    FontRef font = g.GetFont();
    if (font.size == 0) {
        CScore* score = g_model.currentScore;
        font = score ? score->textFont1 : FontRef{};
        font.size = CGlissando::kDefaultFontSize;
    }
    return font;
}

}  // namespace

const GlissandoBehaviour& GlissandoBehaviour::Instance() {
    static const GlissandoBehaviour behaviour;
    return behaviour;
}

int GlissandoBehaviour::GetKind(CScoreItem& item) const { return GlissOf(item).PlayKind(); }

int GlissandoBehaviour::GetPoints(CTieType& item, POINT* p) const {
    auto& g = static_cast<CGlissando&>(item);
    EndPoints(g, &p[0], &p[2]);
    p[1] = POINT{(p[0].x + p[2].x) / 2, (p[0].y + p[2].y) / 2};
    if (!g.ShowsText()) return 3;
    p[3].x = (p[0].x + p[1].x) / 2 + Offset(g.TextDx());
    p[3].y = Interpolate(p[0].x, p[0].y, p[2].x, p[2].y, p[3].x) - 2 * Space() - Offset(g.TextDy());
    return 4;
}

void GlissandoBehaviour::DrawLine(CTieType& item, POINT* p, int n) const {
    auto& g = static_cast<CGlissando&>(item);
    CArtist* a = g_draw.artist;
    if (!a || n < 3) return;
    const POINT p0 = p[0], p2 = p[2];
    int length = 0;
    if (g.IsWavy()) {
        length = a->DrawGlyphRun(p0.x, p0.y, p2.x, p2.y, 162);
    } else if (g.WaveSize() >= 1) {
        const std::int32_t saved = g_draw.thinStaffLine;
        g_draw.thinStaffLine = MulDiv(g.WaveSize(), 20, 4);
        length = a->DrawGlyphRun(p0.x, p0.y, p2.x, p2.y, 0);
        g_draw.thinStaffLine = saved;
    } else {
        length = int(std::lround(std::hypot(double(p2.x - p0.x), double(p2.y - p0.y))));
    }
    g_model.drawnPoint = p0;
    if (!g.ShowsText()) return;
    std::string text = g.GetText();
    if (text.empty()) text = CGlissando::kDefaultText;
    a->PushFont();
    g.UseFont(DrawnFont(g));
    const double angle = std::atan2(double(p0.y - p2.y), double(p2.x - p0.x));
    const int degrees = int(std::lround(angle * 180 / kPi));
    const int w = (length - a->TextWidth(text.c_str()) + 1) / 2;
    const int s = Space();
    const int d = g.IsWavy() ? s : (s + 1) / 2;
    const double c = std::cos(angle), sn = std::sin(angle);
    const int x = p0.x + int(std::lround((w + d / 2.0) * c - d * sn)) + Offset(g.TextDx());
    const int y = p0.y - int(std::lround((w + d / 2.0) * sn + d * c)) - Offset(g.TextDy());
    a->DrawTextMapped(text.c_str(), x, y, degrees);
    a->PopFont();
}

void GlissandoBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    auto& g = GlissOf(item);
    if (!drag) return;
    const int dx = drag->dx, dy = drag->dy;
    switch (g_model.hitPart) {
        case 0:
            g.SetStartDx(g.StartDx() + dx);
            g.SetStartDy(g.StartDy() + dy);
            break;
        case 2:
            g.SetEndDx(g.EndDx() + dx);
            g.SetEndDy(g.EndDy() + dy);
            break;
        case 1:
            g.SetStartDx(g.StartDx() + dx);
            g.SetStartDy(g.StartDy() + dy);
            g.SetEndDx(g.EndDx() + dx);
            g.SetEndDy(g.EndDy() + dy);
            break;
        case 3: g.SetTextOffsets(g.TextDx() + dx, g.TextDy() - dy); break;
        default: break;
    }
}

void GlissandoBehaviour::PlaceAt(CBarItem& item, const ScoreLocation& location) const {
    auto& g = GlissOf(item);
    BarItemBehaviour::Bare().PlaceAt(g, location);
    g.SetType(CGlissando::kType);
    g.SetStartY(location.staffPosition);
    g.SetEndY(location.staffPosition);
    g.SetEndPositionField(g.PositionField() + 256);
    g.SetWaveSize(CGlissando::kOldWaveSize);
    g.SetShowsText(true);
    g.SetText(CGlissando::kDefaultText);
    CScore* score = g_model.currentScore;
    FontRef font = score ? score->textFont1 : FontRef{};
    font.size = CGlissando::kDefaultFontSize;
    g.SetFont(font);
}

bool GlissandoBehaviour::HasStartNoteMark(const CTieType&, CBarItem* note, int) const {
    return (HeadLinks(note) & NoteHead::kGlissStart) != 0;
}
bool GlissandoBehaviour::HasEndNoteMark(const CTieType&, CBarItem* note, int) const {
    return (HeadLinks(note) & NoteHead::kGlissEnd) != 0;
}
void GlissandoBehaviour::SetStartNoteMark(const CTieType&, CBarItem* note, bool on, int head) const {
    SetHeadMark(note, head, NoteHead::kGlissStart, on);
}
void GlissandoBehaviour::SetEndNoteMark(const CTieType&, CBarItem* note, bool on, int head) const {
    SetHeadMark(note, head, NoteHead::kGlissEnd, on);
}

void GlissandoBehaviour::MarkRemoved(CBarItem& item) const {
    auto& g = GlissOf(item);
    if (CTrkBar* home = g_model.currentTrkBar) {
        CBarItem* start = home->FindLineStartNote(&g);
        CTrkBar* endBar = nullptr;
        CBarItem* end = home->FindLineEndNote(&g, &endBar);
        const int startPosition = start ? start->PositionField() : g.PositionField();
        const int endPosition = end ? end->PositionField() : g.EndPositionField();
        if (start) SetStartNoteMark(g, start, false, 0);
        if (end) SetEndNoteMark(g, end, false, 0);
        // The notes between sound again.
        CScore* score = g_model.currentScore;
        const int track = home->GetTrackIndex(), first = home->GetBarIndex();
        const int last = endBar ? endBar->GetBarIndex() : first + std::max(0, int(g.EndBarOffset()));
        const int voice = g.VoiceField();
        for (int b = first; b <= last; ++b) {
            CTrkBar* bar = b == first ? home : score ? score->GetTrkBar(track, b) : nullptr;
            if (!bar) break;
            trkbar::ForEachLiveItem(bar, [&](CBarItem* r) {
                if (r == &item || r->VoiceField() != voice || !r->IsNoteOrRawNote()) return;
                const int p = r->PositionField();
                if ((b == first && p < startPosition) || (b == last && p > endPosition)) return;
                r->SetFlag8Bit1(false);
            });
        }
        home->SetCurrent();
    }
    BarItemBehaviour::MarkRemoved(g);
}

// --- stored form ----------------------------------------------------------------------------------

void GlissandoBehaviour::OwnFieldsFromFileOrder(CTieType& item) const {
    if (g_model.loadedFileVersion < 0x400) return;
    for (int at : {CGlissando::kTextDx, CGlissando::kTextDy}) item.CoordFromFileOrder(at);
    item.WordFromFileOrder(CGlissando::kFont);
    item.WordFromFileOrder(CGlissando::kFont + 2);
    // The text ends within its 32 bytes, whatever was read.
    item.PutByte(CGlissando::kText + CGlissando::kTextSize - 1, 0);
}

void GlissandoBehaviour::OwnFieldsToFileOrder(CTieType& item) const {
    for (int at : {CGlissando::kTextDx, CGlissando::kTextDy}) item.CoordToFileOrder(at);
    item.WordToFileOrder(CGlissando::kFont);
    item.WordToFileOrder(CGlissando::kFont + 2);
}

void GlissandoBehaviour::ReadBody(CScoreItem& item, CChunkStream& stream) const {
    TieTypeBehaviour::ReadBody(item, stream);
    g_scoreFile.recordWithFonts = true;
}

void GlissandoBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    TieTypeBehaviour::WriteBody(item, stream);
}

void GlissandoBehaviour::AfterLoad(CScoreItem& item, int version) const {
    TieTypeBehaviour::AfterLoad(item, version);
    if (g_model.loadedFileVersion >= 0x400) return;
    auto& g = GlissOf(item);
    const int size = g.RecordSizeField();
    if (size < CGlissando::kOldSize || size >= CGlissando::kSize) return;
    if (RecordReadRoom(item) < CGlissando::kSize) return;
    std::memset(g.Bytes() + size, 0, std::size_t(CGlissando::kSize - size));
    g.CBaseItem::SetSize(CGlissando::kSize);
    g.SetWaveSize(CGlissando::kOldWaveSize);
    CScore* score = g_model.currentScore;
    FontRef font = score ? score->textFont1 : FontRef{};
    font.size = CGlissando::kDefaultFontSize;
    g.SetFont(font);
    g.SetText(CGlissando::kDefaultText);
    g.SetWavy(false);
}

void GlissandoBehaviour::ResolveFonts(CScoreItem& item, CFontArray* fonts) const {
    auto& g = GlissOf(item);
    if (g.Whole()) ResolveFontAt(fonts, g.Bytes() + CGlissando::kFont);
}

void GlissandoBehaviour::AutoShape(CTieType& item, int mode) const {
    if (mode == 0) item.SetAboveBit(!item.AboveBit());
}

void GlissandoBehaviour::OpenProperties(CScoreItem&, int, int) const {
    if (CZelDoc* doc = g_model.currentDoc) doc->OnCommandRange(CBend::kEditGlissCommand);
}
