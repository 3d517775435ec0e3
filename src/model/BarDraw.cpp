// How a bar draws itself on its system: time codes, time signatures, the opening and closing
// barlines, the items of every track (current voice on top, whole rests in empty bars), its own
// items, and the items drawn on top of everything in the page's second pass; and the redraw of
// its items alone after they changed.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "framework/Arith.h"
#include "framework/Globals.h"
#include "model/Bar.h"
#include "model/ItemArray.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreStructureStandIns.h"
#include "model/Symbol.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Offscreen.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"

namespace {

constexpr int kWholeRestGlyph = 97;
constexpr int kHeadsAt = 24;            // a note's first head; 16 bytes each, 3rd byte: cross-staff
constexpr int kHeadSize = 16;
constexpr int kHeadCount = 22;          // a note's head count byte
constexpr int kMultiRestFlags = 16;     // a multi-bar rest's first flag byte: bit 1 numbered
constexpr int kMaxSpanEntries = 1024;

// The track display switches (the track record's display byte).
enum : std::uint8_t { kShowsTime = 0x04, kShowsKey = 0x08, kFillsWithRests = 0x20 };

bool TrackShows(CScore* score, int t, std::uint8_t bit) {
    CTrack* track = score ? score->GetTrack(t) : nullptr;
    return track && (track->GetDisplaySwitches() & bit) != 0;
}

int TrackCount(CScore* score) { return score ? std::min<int>(score->GetTrackCount(), CScore::kMaxTracks) : 0; }

int StaffCountOf(CLine* line) { return line && line->GetStaffArray() ? line->GetStaffArray()->GetCount() : 0; }

// A symbol record whole enough to read its fields.
bool IsSymbolRecord(const CBarItem* item) {
    return item->TypeCode() == CSymbol::kTypeCode && item->RecordSizeField() >= CSymbol::kSize;
}
// A music-font symbol: it stands for content of its staff (a repeat sign, a rest-like glyph).
bool IsMusicSymbol(CBarItem* item) { return IsSymbolRecord(item) && static_cast<CSymbol*>(item)->IsMusicFont(); }

bool IsDeferredKind(const CBarItem* item) { return item->IsText() || item->IsPict() || item->IsGraphic(); }

}  // namespace

void BarBehaviour::Draw(CScoreItem& item) const { static_cast<CBar&>(item).Draw(); }

// --- time codes -------------------------------------------------------------------------------------

void CBar::FormatTimeCode(int mode, std::int32_t offset, std::int32_t time, char* text) {
    const std::int64_t t = std::int64_t(offset) + time;
    const int ms = int(t % 1000);
    int frames;
    switch (mode) {
        case 0: frames = MulDiv(ms, 24, 1000); break;
        case 1: frames = MulDiv(ms, 25, 1000); break;
        case 2:
            if (offset % 60000 == 0 && offset % 600000 != 0)
                frames = MulDiv(ms, 28, 1000) + 2;
            else
                frames = MulDiv(ms, 30, 1000);
            break;
        default: frames = MulDiv(ms, 30, 1000); break;
    }
    std::snprintf(text, 32, "%02lld:%02d:%02d:%02d", static_cast<long long>(t / 3600000), int(t / 60000 % 60),
                  int(t / 1000 % 60), frames);
}

// --- barlines ------------------------------------------------------------------------------------------

void CBar::DrawBarline(int x, int kind) {
    CArtist* a = g_draw.artist;
    CLine* line = GetLine();
    CScore* score = GetScore();
    if (!a || !line || !score) return;
    const int n = StaffCountOf(line);
    const int side = x <= line->GetLeft() ? 0 : x >= line->GetRight() ? 2 : 1;
    const RECT& clip = g_model.updateRect;
    const bool showHidden = score->GetDocument() && score->GetDocument()->location.hiddenObjects && !g_draw.printingDC;
    int i = 0;
    while (i < n) {
        // A group: shown staves joined to the next shown staff by their group flag.
        while (i < n && !line->GetStaff(i)->IsShown()) ++i;
        if (i >= n) break;
        const int first = i;
        int last = i;
        while (true) {
            CStaff* st = line->GetStaff(last);
            if (!(st->GetStaffFlags() & CStaff::kGroupContinuesBit)) break;
            int next = last + 1;
            while (next < n && !line->GetStaff(next)->IsShown()) ++next;
            if (next >= n) break;
            last = next;
        }
        i = last + 1;
        CStaff* top = line->GetStaff(first);
        CStaff* bottom = line->GetStaff(last);
        const int yTop = top->GetTopLine(), yBottom = bottom->GetBottomLine();
        if (yBottom < clip.top || yTop > clip.bottom) continue;
        int dotsX = x;
        switch (kind) {
            case 5: a->ThickLine(x, yTop, x, yBottom, 2); break;
            case 6:
                if (showHidden) {
                    const int w = a->GetPenWidth();
                    const int dx = side == 0 ? w / 2 : side == 2 ? -w / 2 : 0;
                    a->Line(x + dx, yTop, x + dx, yBottom);
                }
                break;
            case 255:
                a->DrawBarline(x, yTop, yBottom, 8, side);
                a->DrawGlyph(x, yTop, 59);
                a->DrawGlyph(x, yBottom, 60);
                break;
            default: a->DrawBarline(x, yTop, yBottom, kind, side); break;
        }
        if (kind == 2 || kind == 7 || kind == 9) {
            const int dot = a->GlyphWidth(188);
            dotsX = x + a->GlyphWidth(189) + (side == 0 ? dot : dot / 2);
        } else if (kind == 3 || kind == 4 || kind == 10) {
            const int dot = a->GlyphWidth(188);
            dotsX = x - a->GlyphWidth(190) - (side == 2 ? dot : dot / 2) - a->GlyphWidth(191);
        }
        if (kind == 2 || kind == 9 || kind == 3 || kind == 10)
            for (int k = first; k <= last; ++k) {
                CStaff* st = line->GetStaff(k);
                if (st->IsShown()) a->DrawGlyph(dotsX, st->GetTopLine() + 2 * st->Space(), 191);
            }
    }
    if (g_model.showHandles && kind != 2 && kind != 9)
        a->DrawHandle(x, line->GetTop() - 1, HasBarFlag(kSpacingLockedBit));
}

// --- the bar --------------------------------------------------------------------------------------------

void CBar::Draw() {
    CArtist* a = g_draw.artist;
    CScore* score = GetScore();
    CLine* line = GetLine();
    if (!a || !score || !line) return;
    MakeCurrent();
    a->SetCopyMode();
    const bool data = g_model.dataDisplayKind != 0;
    if (!data) {
        // Time codes: at every bar (mode 1) or at each system's first bar (mode 2).
        const int mode = score->timecode[0];
        if ((mode == 1 || (mode == 2 && IsFirstInLine())) && !(GetIndex() == 0 && score->timecode[3])) {
            CStaff* st = line->GetStaff(CLine::kFirstShown);
            char text[32];
            FormatTimeCode(score->timecodeFrameStyle, std::int32_t(score->timecodeOffset), GetStartTime(), text);
            a->SetFontRef(score->timecodeFont);
            a->DrawTextCentered(GetLeft(), st->OffsetToY(st->GetPlaceE()), text);
        }
        if (IsLast() && score->timecode[1]) {
            CStaff* st = line->GetStaff(CLine::kLastShown);
            char text[32];
            FormatTimeCode(score->timecodeFrameStyle, std::int32_t(score->timecodeOffset),
                           std::int32_t(score->scoreDuration), text);
            a->SetFontRef(score->timecodeFont);
            a->DrawTextRight(GetRight(), st->GetBottomLine() + 5 * st->Space(), text);
        }
    }
    if (HasBarFlag(kShowsMeterBit)) DrawMeters();
    a->SetMusicFont(24);
    if (data) {
        a->PushColor();
        a->SetRoleColor(8);
    }
    // Opening barline, past the leading gap and the bar's key and meter parts.
    const int opening = GetOpeningKind();
    CBar* previous = GetIndex() > 0 ? score->GetBar(GetIndex() - 1) : nullptr;
    if (opening != 0) {
        const bool leftOut = opening == 1 && !IsFirstInLine() && previous && previous->GetClosingKind() != 0 &&
                             previous->GetClosingKind() != 1;
        if (!leftOut) {
            int x = GetLeft();
            if (GetKeySigPart() != 0 || GetMeterPart() != 0) x += GetLeadingGap() + GetKeySigPart() + GetMeterPart();
            DrawBarline(x, opening);
        }
    }
    // Closing barline: this bar's, or the last bar's of the multi-bar rest that starts here.
    if (!IsCovered()) {
        CBar* closer = this;
        if (GetMultiRestSpan() > 0)
            if (CBar* last = score->GetBar(GetIndex() + GetMultiRestSpan() - 1)) closer = last;
        // A span that runs on past its system closes on this system: at the right of its last
        // bar here.
        int closerRight = closer->GetRight();
        if (closer != this && closer->GetLine() != line) {
            CBar* here = this;
            for (int i = GetIndex() + 1; i < closer->GetIndex(); ++i) {
                CBar* b = score->GetBar(i);
                if (!b || b->GetLine() != line) break;
                here = b;
            }
            closerRight = here->GetRight();
        }
        const int closing = closer->GetClosingKind();
        if (closer->IsLast() && closing == 0 && !score->noAutomaticFinalBarline) {
            DrawBarline(closerRight, 4);
        } else {
            CBar* next = closer->IsLast() ? nullptr : score->GetBar(closer->GetIndex() + 1);
            const bool draws = closer->IsLastInLine() || (closing != 0 && closing != 1) || !next ||
                               next->GetOpeningKind() == 0 ||
                               ((next->GetKeySigPart() != 0 || next->GetMeterPart() != 0) && next->IsRepeatStart());
            if (draws) DrawBarline(closerRight, closing);
        }
    }
    if (data) a->PopColor();
    DrawContents();
    if (HasBarFlag(kCourtesyBit)) DrawCourtesySigns();
}

void CBar::DrawContents() {
    g_model.barNumberOverlapped = false;
    DrawTracks();
    if (g_model.dataDisplayKind == 0) DrawOwnItems();
}

void CBar::RedrawContents() {
    CArtist* a = g_draw.artist;
    CLine* line = GetLine();
    if (!a || !line || !GetScore()) return;
    MakeCurrent();
    RECT r;
    GetBounds(&r);
    r = RECT{r.left - 60, r.top - 60, r.right + 60, r.bottom + 60};
    // This is a paint of the rectangle: the items drawn are those inside it, on every shown
    // staff (the bar's system lies whole inside it).
    fw::ScopedGlobal<RECT> keepUpdate(g_model.updateRect);
    g_model.updateRect = r;
    const int n = StaffCountOf(line);
    for (int i = 0; i < n; ++i) line->GetStaff(i)->SetSelected(line->GetStaff(i)->IsShown());
    {
        struct PortGuard {
            PortGuard() { SavePortState(); }
            ~PortGuard() { PopPort(); }
        } port;
        COffscreen buffer;
        if (buffer.Begin(r, false)) {
            DrawContents();
            buffer.End(0);
        } else {
            a->EraseRect(r);
            DrawContents();
        }
    }
    for (int i = 0; i < n; ++i)
        if (CStaff* st = line->GetStaff(i); st->IsShown()) st->Draw();
}

void CBar::DrawMeters() {
    CArtist* a = g_draw.artist;
    CScore* score = GetScore();
    CLine* line = GetLine();
    if (!a || !score || !line) return;
    // Overlapped when an earlier bar's own items reach into this one.
    bool overlapped = false;
    for (int p = GetIndex() - 1; p > 0; --p) {
        CBar* earlier = score->GetBar(p);
        if (!earlier) break;
        if (p + rec::Get<std::int16_t>(earlier, kLongestItemSpan) >= GetIndex()) {
            overlapped = true;
            break;
        }
    }
    const int x = GetMeterX();
    const int n = StaffCountOf(line);
    for (int i = 0; i < n; ++i) {
        CStaff* st = line->GetStaff(i);
        if (!st->IsShown() || !TrackShows(score, i, kShowsTime)) continue;
        int dx = x;
        if (overlapped) {
            const RECT area{x - st->ScaleLength(30), st->GetTopLine(),
                            x + st->ScaleLength(GetMeter()->GetDigitWidth() * 60 + 30), st->GetBottomLine() + 1};
            if (g_draw.printingDC) {
                a->EraseRect(area);
            } else {
                a->EraseRect(area);
            }
            a->PushClip();
            a->SetClipRect(area);
            st->DrawLines();
            a->PopClip();
        }
        const int offset = rec::Get<std::int16_t>(this, kMeterOffset);
        const int half = ScaleToView((offset - offset * st->GetScalePercent() / 100) / 2);
        if (half != 0) dx += half + st->Space() / 3;
        // The sign's drawn middle goes to a copy: drawing leaves the stored bar as it was.
        std::uint8_t words[12];
        std::memcpy(words, Bytes() + kMeterDisplayWord, sizeof words);
        st->DrawTimeSignature(dx, GetMeter(), words);
    }
    if (BarAsksMeterRules(this)) line->DrawMeterRules(this);
}

// --- the items of the tracks ------------------------------------------------------------------------------

void CBar::DrawTracks() {
    CArtist* a = g_draw.artist;
    CScore* score = GetScore();
    CLine* line = GetLine();
    CZelDoc* doc = score ? score->GetDocument() : nullptr;
    if (!a || !score || !line) return;
    MakeCurrent();
    if (g_model.dataDisplayKind != 0) {
        DrawDataView();
        return;
    }
    if (doc && !doc->drawingPage) doc->deferred.clear();
    const bool printing = g_draw.printingDC;
    const bool showHidden = doc && doc->location.hiddenObjects && !printing;
    const bool spanStart = GetMultiRestSpan() != 0;
    const bool normal = !IsCovered() && !spanStart;
    const bool fill = score->fillWithWholeRests && normal;
    a->SetMusicFont(24);
    a->SetPenStyle(0);
    std::uint8_t content[CScore::kMaxTracks] = {};
    rec::Put<std::int16_t>(this, kLongestItemSpan, 0);
    const int currentVoice = doc ? doc->location.voice : 0;
    const bool alike = !doc || doc->location.allVoices;
    const int tracks = TrackCount(score);
    const RECT clip = g_model.updateRect;
    for (int t = 0; t < tracks; ++t) {
        CTrkBar* tb = score->GetTrkBar(t, GetIndex());
        if (!tb) continue;
        tb->SetCurrent();
        if (tb->GetFlags() & 0x01) {
            RECT r;
            tb->GetRect(&r);
            a->PushColor();
            a->SetRoleColor(9);
            a->SetPenWidth(60);
            a->FrameRect(r);
            a->PopColor();
            a->SetColor(0);
            a->SetPenWidth(20);
        }
        for (int v = 0; v < 8; ++v) rec::Put<std::uint8_t>(tb, std::size_t(CTrkBar::kVoiceUsed + v), 0);
        CStaff* staff = g_model.currentStaff;
        for (int pass = alike ? 2 : 1; pass <= 2; ++pass) {
            trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
                if (item->IsData()) return;
                const bool mine = item->VoiceField() == currentVoice;
                if (!alike && (pass == 1) == mine) return;
                const int span = item->GetBarSpan();
                if (span > rec::Get<std::int16_t>(this, kLongestItemSpan))
                    rec::Put<std::int16_t>(this, kLongestItemSpan, std::int16_t(span));
                if (fill) {
                    if (item->IsNoteOrRawNote()) {
                        const int heads = item->IsNote() ? rec::Get<std::uint8_t>(item, kHeadCount) : 1;
                        content[t] = 1;
                        for (int h = 0; item->IsNote() && h < heads; ++h) {
                            const int at = kHeadsAt + h * kHeadSize + 2;
                            if (at >= item->RecordSizeField()) break;
                            const int offset = std::int8_t(rec::Get<std::uint8_t>(item, std::size_t(at)) & 0xE0) >> 5;
                            // A cross-staff head marks its own staff, never one outside the tracks.
                            const int target = t + offset;
                            if (target >= 0 && target < CScore::kMaxTracks) content[target] = 1;
                        }
                    } else if (item->IsRest() || IsMusicSymbol(item)) {
                        content[t] = 1;
                    }
                }
                if (item->IsMultiRest() && (rec::Get<std::uint8_t>(item, kMultiRestFlags) & 0x02))
                    g_model.multiRestSeen = true;
                const bool selected = item->IsSelectedBit();
                if (item->IsHidden() && !showHidden && !selected) return;
                if (!normal && !(spanStart && (item->IsTempo() || item->IsText() || item->IsKeySig() ||
                                               item->IsMultiRest())))
                    return;
                item->VerifyTrack();
                staff = g_model.currentStaff;
                bool visible = !(staff && !staff->IsSelected() && item->IsTrackItem());
                if (item->IsNoteOrRest()) {
                    rec::Put<std::uint8_t>(tb, std::size_t(CTrkBar::kVoiceUsed + (item->VoiceField() & 7)), 1);
                    const int x = FractionToX(item->PositionField());
                    if (!staff || !staff->IsShown() || x < clip.left || x > clip.right) {
                        visible = false;
                    } else if (item->IsNote() && !visible) {
                        const int heads = rec::Get<std::uint8_t>(item, kHeadCount);
                        for (int h = 0; h < heads && !visible; ++h) {
                            const int at = kHeadsAt + h * kHeadSize + 2;
                            if (at >= item->RecordSizeField()) break;
                            const int offset = std::int8_t(rec::Get<std::uint8_t>(item, std::size_t(at)) & 0xE0) >> 5;
                            if (offset == 0) continue;
                            CStaff* other = line->GetStaff(t + offset);
                            if (t + offset >= 0 && t + offset < StaffCountOf(line) && other->IsSelected()) visible = true;
                        }
                    }
                } else if (!visible && staff && staff->IsShown()) {
                    if ((item->IsBeam() || item->IsTwoEnded()) && item->ReachesOtherStaff()) {
                        const int byte = item->IsBeam() ? rec::Get<std::uint8_t>(item, 17)
                                                        : rec::Get<std::uint8_t>(item, 16) >> 2;
                        for (int k = 0; k < 2 && !visible; ++k) {
                            const int field = (byte >> (3 * k)) & 7;
                            const int offset = field >= 4 ? field - 8 : field;
                            const int s = t + offset;
                            if (s >= 0 && s < StaffCountOf(line) && line->GetStaff(s)->IsSelected()) visible = true;
                        }
                    } else {
                        RECT r;
                        visible = RectsIntersect(*item->GetBounds(&r), clip);
                    }
                }
                const bool forced = IsSymbolRecord(item) && static_cast<CSymbol*>(item)->IsBarLineMark();
                if (!visible && !forced) return;
                const int scale = item->Scale();
                if (scale != 0 && staff) {
                    int pct = scale;
                    if (pct < 25) {
                        pct = 25;
                        item->CBaseItem::SetScale(25);
                        IgnoreValue("Minimum Limit");
                    }
                    a->SetMusicFont(MulDiv(staff->GetFontSize(), pct, 100));
                }
                bool grey = false;
                if (!printing && ((!score->IsVoiceShown(item->VoiceField()) && item->IsNoteFamily()) ||
                                  (item->IsHidden() && !selected))) {
                    grey = true;
                    g_model.secondColorDrawing = true;
                    a->SetRoleColor(8);
                }
                RECT r;
                if (IsDeferredKind(item)) {
                    if (doc && RectsIntersect(*item->GetBounds(&r), clip)) doc->deferred.push_back(CZelDoc::DeferredItem{item, tb});
                } else if (!g_model.clipTest || RectsIntersect(*item->GetBounds(&r), clip)) {
                    item->Draw();
                }
                if (grey) {
                    g_model.secondColorDrawing = false;
                    a->SetColor(0);
                }
                if (scale != 0 && staff) a->SetMusicFont(staff->GetFontSize());
            });
        }
    }
    // Whole rests in the tracks that hold nothing this bar.
    for (int t = 0; fill && t < tracks; ++t) {
        if (content[t]) continue;
        if (GetIndex() > 0)
            trkbar::ForEachLiveItem(score->GetTrkBar(t, GetIndex() - 1), [&](CBarItem* item) {
                if (IsMusicSymbol(item) && static_cast<CSymbol*>(item)->GetCharacter() == CSymbol::kTwoBarRepeatGlyph)
                    content[t] = 1;
            });
        CStaff* st = line->GetStaff(t);
        if (content[t] || !TrackShows(score, t, kFillsWithRests) || t >= StaffCountOf(line) || !st->IsShown() ||
            !st->IsSelected())
            continue;
        CTrkBar* tb = score->GetTrkBar(t, GetIndex());
        const bool selected = tb && (tb->GetFlags() & 0x01);
        if (selected) a->SetColor(1);
        a->SetMusicFont(st->GetFontSize());
        // The staff's reference line (its middle), which the rest glyph hangs its place from.
        int y = st->GetMiddleY();
        CTrack* track = score->GetTrack(t);
        if (track && track->IsPercussionStaff() && st->GetLineMask() == 0x0100) y += st->Space();
        a->DrawGlyphCentered(GetCenterX(), y, kWholeRestGlyph);
        if (selected) a->SetColor(0);
    }
    if (IsFirstInLine() && GetIndex() != 0) DrawContinuations();
    if (!printing) a->SetColor(0);
    if (doc && !doc->drawingPage)
        if (CPage* page = line->GetPage()) page->DrawTitles();
}

void CBar::DrawOwnItems() {
    CArtist* a = g_draw.artist;
    CScore* score = GetScore();
    CLine* line = GetLine();
    if (!a || !score || !line) return;
    CZelDoc* doc = score->GetDocument();
    g_model.currentStaff = line->GetStaff(CLine::kFirstShown);
    const int firstShown = line->GetFirstShownStaff();
    if (CTrkBar* tb = score->GetTrkBar(firstShown, GetIndex())) g_model.currentTrkBar = tb;
    const bool showHidden = doc && doc->location.hiddenObjects && !g_draw.printingDC;
    CItemArray* items = GetItemArray();
    int longest = 0;
    for (int i = 0; items && i < items->GetCount(); ++i) {
        auto* item = static_cast<CBarItem*>(items->GetAt(i));
        if (!item || item->IsRemoved()) continue;
        if (IsCovered()) {
            // A bar under a multi-bar rest draws only its jumpers that are not endings.
            if (!(item->TypeCode() == kJumperType || item->TypeCode() == 49)) continue;
        } else if (item->IsBeatChart()) {
            if (!HasBarFlag(kBeatChartShownBit) || g_draw.printingDC || GetMultiRestSpan() != 0) continue;
        } else if (item->IsBarNumber()) {
            // The bar-number drawing decides for itself whether it shows.
        } else if (item->IsHidden() && !showHidden) {
            continue;
        }
        DrawItemGreyed(*item, item->IsHidden() && !g_draw.printingDC);
        longest = std::max(longest, item->GetBarSpan());
    }
    // A bar without a bar-number item of its own shows the number its governing item asks for.
    if (!IsCovered() && !GetBarNumberItem(true))
        if (CBarItem* governing = GetBarNumberItem(false); governing && !governing->IsRemoved()) governing->Draw();
    rec::Put<std::int16_t>(this, kLongestItemSpan,
                           std::int16_t(std::max<int>(longest, rec::Get<std::int16_t>(this, kLongestItemSpan))));
}

void CBar::DrawOverlays(const RECT& rect) {
    CArtist* a = g_draw.artist;
    CScore* score = GetScore();
    if (!a || !score) return;
    CZelDoc* doc = score->GetDocument();
    const int grow = ScaleToView(6);
    const RECT area{rect.left - grow, rect.top - grow, rect.right + grow, rect.bottom + grow};
    a->SetMusicFont(24);
    const bool spanStart = GetMultiRestSpan() != 0;
    const bool showHidden = doc && doc->location.hiddenObjects && !g_draw.printingDC;
    for (int t = 0; t < TrackCount(score); ++t) {
        CTrkBar* tb = score->GetTrkBar(t, GetIndex());
        if (!tb || IsCovered()) continue;
        tb->SetCurrent();
        trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
            if (spanStart && !(item->IsTempo() || item->IsText())) return;
            RECT r;
            bool draws = false;
            if (item->IsSymbol())
                draws = (item->FlagsA() & 0x04) || RectsIntersect(*item->GetBounds(&r), area);
            else if (item->IsText() || item->IsBarre())
                draws = RectsIntersect(*item->GetBounds(&r), area);
            if (!draws || (item->IsHidden() && !showHidden && !item->IsSelectedBit())) return;
            item->VerifyTrack();
            if (a->CurrentSize() != 24) a->SetMusicFont(24);
            item->Draw();
        });
    }
    if (g_model.currentStaff) a->SetMusicFont(g_model.currentStaff->GetFontSize());
}
