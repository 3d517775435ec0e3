// Drawing across system breaks: what began on an earlier system and reaches into this one is
// drawn again at the system's start (spanning items, ties, lyric extenders), and the next bar's
// key and time signatures are announced at a bar's end.
#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "framework/Globals.h"
#include "model/Bar.h"
#include "model/Lyric.h"
#include "model/ItemArray.h"
#include "model/Jumper.h"
#include "model/KeySig.h"
#include "model/Meter.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TieType.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/PortLayer.h"
#include "platform/Theory.h"

namespace {

constexpr int kMaxSpan = 1024;

int TrackCount(CScore* score) { return score ? std::min<int>(score->GetTrackCount(), CScore::kMaxTracks) : 0; }

// The bars of a span, moved onto later systems for a while: every bar's left and system come
// back however the walk ends, an exception included.
class SpanShift {
public:
    SpanShift(CScore* score, int first, int count) : score_(score), first_(first) {
        for (int i = 0; i < count; ++i) {
            CBar* bar = score->GetBar(first + i);
            if (!bar) break;
            CLine* line = bar->GetLine();
            saved_.push_back({bar->GetLeft(), line ? int(line->GetIndex()) : -1});
        }
    }
    ~SpanShift() {
        for (std::size_t i = 0; i < saved_.size(); ++i)
            if (CBar* bar = score_->GetBar(first_ + int(i))) {
                bar->SetLeft(saved_[i].left);
                if (saved_[i].line >= 0) bar->SetLine(score_, saved_[i].line);
            }
    }
    SpanShift(const SpanShift&) = delete;
    SpanShift& operator=(const SpanShift&) = delete;
    // Moves bars first .. end - 1 left by the total and onto the system.
    void Move(int end, std::int32_t total, int lineIndex) {
        for (int i = 0; first_ + i < end && i < int(saved_.size()); ++i) {
            CBar* bar = score_->GetBar(first_ + i);
            bar->SetLeft(saved_[i].left - total);
            bar->SetLine(score_, lineIndex);
        }
    }

private:
    struct Saved {
        std::int32_t left;
        int line;
    };
    CScore* score_;
    int first_;
    std::vector<Saved> saved_;
};

struct KeepCurrent {
    fw::ScopedGlobal<CBar*> bar{g_model.currentBar};
    fw::ScopedGlobal<CLine*> line{g_model.currentLine};
    fw::ScopedGlobal<CPage*> page{g_model.currentPage};
    fw::ScopedGlobal<CStaff*> staff{g_model.currentStaff};
    fw::ScopedGlobal<CTrack*> track{g_model.currentTrack};
    fw::ScopedGlobal<CTrkBar*> trkBar{g_model.currentTrkBar};
};

}  // namespace

bool CBar::WalkSpanSystems(int n, const std::function<std::int32_t(CLine* before, CLine* system)>& advance,
                           const std::function<bool(CLine* system)>& visit) {
    CScore* score = GetScore();
    CBar* last = score && n > 0 ? score->GetBar(GetIndex() + std::min(n, kMaxSpan)) : nullptr;
    CLine* home = GetLine();
    if (!last || !home) return false;
    CLine* lastLine = last->GetLine();
    if (!lastLine || lastLine == home) return false;
    KeepCurrent keep;
    SpanShift shift(score, GetIndex(), std::min(n, kMaxSpan));
    bool answer = false;
    CLine* before = home;
    for (int guard = 0; before != lastLine && guard <= kMaxSpan && !answer; ++guard) {
        CLine* s = score->GetLine(before->GetIndex() + 1);
        if (!s || !s->GetFirstBar()) break;
        shift.Move(s->GetFirstBarIndex(), advance(before, s), s->GetIndex());
        s->MakeCurrent();
        answer = visit(s);
        before = s;
    }
    return answer;
}

void CBar::DrawSpanningItem(CBarItem* item, int system) {
    CScore* score = GetScore();
    if (!item || !score) return;
    int n = std::min(item->GetBarSpan(), kMaxSpan);
    if (n <= 0) return;
    const int count = score->GetBarCount();
    if (GetIndex() + n >= count) {
        n = count - GetIndex() - 1;
        item->SetEnd(n, 1023);
    }
    if (n <= 0) return;
    // Each system moves the span's bars left by the systems passed and the header of its own.
    std::int32_t acc = 0;
    const auto advance = [&](CLine* before, CLine* s) {
        acc += before->GetRight();
        acc += s->GetFirstBar()->GetLeft() - s->GetLeft();
        return acc;
    };
    WalkSpanSystems(n, advance, [&](CLine* s) {
        if (s->GetIndex() != system) return false;
        item->VerifyTrack();
        if (item->IsNote()) return false;  // a note's marks continue through the note's own drawing
        if (g_model.playbackDisplayMode != 0)
            DrawDataItem(item);
        else
            item->Draw();
        return false;
    });
}

namespace {

void DrawEndingContinuations(CBar* earlier, CLine* system, bool showHidden) {
    CItemArray* own = earlier->GetItemArray();
    if (!own) return;
    const int index = system->GetFirstBar() ? system->GetFirstBar()->GetIndex() : -1;
    for (int i = 0; i < own->GetCount(); ++i) {
        auto* item = static_cast<CBarItem*>(own->GetAt(i));
        if (!item || item->IsRemoved() || item->TypeCode() != CEnding::kType) continue;
        if (item->RecordSizeField() < CEnding::kSize || (item->IsHidden() && !showHidden)) continue;
        if (earlier->GetIndex() + std::max<int>(1, CEnding::Of(item)->GetSpan()) <= index) continue;
        g_model.continuedSystem = system;
        item->Draw();
        g_model.continuedSystem = nullptr;
    }
}

}  // namespace

void CBar::DrawContinuations() {
    CScore* score = GetScore();
    CLine* line = GetLine();
    CArtist* a = g_draw.artist;
    if (!score || !line || !a) return;
    CZelDoc* doc = score->GetDocument();
    const bool showHidden = doc && doc->location.hiddenObjects && !g_draw.printingDC;
    const int system = line->GetIndex();
    const int tracks = TrackCount(score);
    {
        KeepCurrent keep;
        for (int e = GetIndex() - 1; e >= 0; --e) {
            CBar* earlier = score->GetBar(e);
            if (!earlier) break;
            earlier->MakeCurrent();
            // An ending carries its span in its own target, not in the bar's longest item span
            // (which places time signatures); one on an earlier page draws its pieces here.
            if (earlier->GetPage() != GetPage()) DrawEndingContinuations(earlier, line, showHidden);
            if (e + rec::Get<std::int16_t>(earlier, kLongestItemSpan) < GetIndex()) continue;
            for (int t = 0; t < tracks; ++t) {
                CTrkBar* tb = score->GetTrkBar(t, e);
                if (!tb) continue;
                tb->SetCurrent();
                if (t == 0)
                    if (CItemArray* own = earlier->GetItemArray())
                        for (int i = 0; i < own->GetCount(); ++i) {
                            auto* item = static_cast<CBarItem*>(own->GetAt(i));
                            if (!item || item->IsRemoved() || item->IsBeatChart() || item->IsBarNumber()) continue;
                            if (item->IsHidden() && !showHidden) continue;
                            earlier->DrawSpanningItem(item, system);
                        }
                trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
                    if (!item->IsTie()) earlier->DrawSpanningItem(item, system);
                });
            }
        }
    }
    // Lyric extenders that run on and ties into this bar, from the last bar of the system before.
    if (GetIndex() == 0) return;
    KeepCurrent keep;
    for (int t = 0; t < tracks; ++t) {
        CTrkBar* tb = score->GetTrkBar(t, GetIndex() - 1);
        CStaff* staff = line->GetStaff(t);
        if (!tb || !staff) continue;
        tb->SetCurrent();
        trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
            const auto* lyric = static_cast<const CLyric*>(item);
            if (item->IsLyric() && item->RecordSizeField() >= CLyric::kFixedSize && lyric->HasExtender() && lyric->RunsOn()) {
                const int verse = lyric->GetVerse();
                const int y = staff->OffsetToY(staff->GetLyricOffset(verse) +
                                               lyric->GetY());
                MakeCurrent();
                a->LineWidth(GetLeft(), y, FractionToX(0) + staff->Space(), y, 10);
            } else if (item->IsTie() && item->RecordSizeField() >= CTie::kSize && item->GetBarSpan() == 1) {
                // The tie's second half: from the system's start to its end note.
                alignas(8) std::uint8_t copy[256];
                const int size = std::min<int>(item->RecordSizeField(), int(sizeof copy));
                std::memcpy(copy, item, std::size_t(size));
                auto* tie = reinterpret_cast<CTie*>(copy);
                const int s = t + tie->StartStaffOffset();
                if (s < 0 || s >= line->GetStaffCount() || !line->GetStaff(s)->IsShown()) return;
                tie->SetPositionField(0);
                tie->SetEndBarOffset(0);
                tie->SetStartDx(-360);
                tie->SetHeight(tie->Height() > 0 ? 60 : -60);
                tie->SetFlagsB(std::uint8_t(tie->FlagsB() & ~CBarItem::kSelectedBit));
                MakeCurrent();
                g_model.currentStaff = staff;
                tie->DrawShape();
            }
        });
    }
}

void CBar::DrawCourtesySigns() {
    CScore* score = GetScore();
    CArtist* a = g_draw.artist;
    if (!score || !a || IsLast()) return;
    CBar* next = score->GetBar(GetIndex() + 1);
    if (!next) return;
    const bool brk = next->IsFirstInLine();
    if (IsCovered() && !brk) return;
    KeepCurrent keep;
    int width = 1;
    int x = GetRight();
    const int side = brk ? 2 : 0;
    const int closing = GetClosingKind();
    const int inset = closing == 0 ? 0 : closing == 1 ? 60 : (closing == 4 || closing == 7) ? 120 : 180;
    const int tracks = TrackCount(score);
    for (int t = 0; t < tracks; ++t) {
        CTrkBar* mine = score->GetTrkBar(t, GetIndex());
        CTrkBar* theirs = score->GetTrkBar(t, next->GetIndex());
        if (!mine || !theirs) continue;
        mine->SetCurrent();
        CTrack* track = score->GetTrack(t);
        trkbar::ForEachLiveItem(theirs, [&](CBarItem* item) {
            if (!item->IsKeySig()) return;
            auto* key = static_cast<CKeySig*>(item);
            const std::uint8_t flags = key->GetFlags();
            if (key->IsKeyFlagged() || !(flags & CKeySig::kCautionaryBit)) return;
            const bool before = (flags & CKeySig::kNoNaturalsBit) != 0;
            if (!((before && !(flags & CKeySig::kHiddenBit)) || brk)) return;
            if (!track || !(track->GetDisplaySwitches() & 0x08)) return;
            item->VerifyTrack();
            CStaff* staff = g_model.currentStaff;
            if (staff && staff->IsShown()) {
                x = brk ? GetRight() + staff->Space() : GetRight() - staff->TwentiethsToView(inset);
                staff->DrawKeySignature(x, x, key->GetKey(), key->GetPreviousKey(), key->GetClef(),
                                        key->GetNaturalMode(), side, !brk, -1);
            }
            int places = CTheory::GetKeyAccidentalCount(key->GetKey()) + 1;
            if (before) places += key->CountNaturals();
            width = std::max(width, places);
        });
    }
    const Meter* meter = next->GetMeter();
    if (brk && (meter->GetDisplayFlags() & 0x10)) {
        MakeCurrent();
        CLine* line = GetLine();
        if (!line) return;
        const int space = line->GetSpace();
        x = x + width * space;
        if (width != 1) x += space / 2;
        std::uint8_t words[12];
        std::memcpy(words, next->Bytes() + kMeterDisplayWord, sizeof words);
        const int offset = rec::Get<std::int16_t>(this, kMeterOffset);
        for (int i = 0; i < line->GetStaffCount(); ++i) {
            CStaff* staff = line->GetStaff(i);
            CTrack* track = score->GetTrack(i);
            int x2 = x;
            const int half = staff->ScaleToView((offset - offset * staff->GetScalePercent() / 100) / 2);
            if (half != 0) x2 += half + staff->Space() / 3;
            if (staff->IsShown() && track && (track->GetDisplaySwitches() & 0x04))
                staff->DrawTimeSignature(x2, meter, next->Bytes() + kMeterDisplayWord);
        }
        std::memcpy(next->Bytes() + kMeterDisplayWord, words, sizeof words);
        if (BarAsksMeterRules(this)) line->DrawMeterRules(next);
    }
}
