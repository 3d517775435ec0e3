// The key change: counting its places, its stored form, placement, drawing and removal.
#include "model/KeySig.h"

#include <algorithm>
#include <utility>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/BitOrder.h"
#include "model/DocumentStandIns.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/ChunkStream.h"
#include "platform/DrawGlobals.h"
#include "platform/Theory.h"

namespace {

const KeySigBehaviour kKeySig;
CKeySig& Key(CScoreItem& item) { return static_cast<CKeySig&>(item); }

// Places shown by a change between two keys.
int KeyChange(int from, int to) { return CTheory::CountKeyChangeAccidentals(to, from); }
bool SameSide(int a, int b) { return (a <= 7 && b <= 7) || (a >= 8 && b >= 8); }

void SwapWord(std::uint8_t* p) { std::swap(p[0], p[1]); }

}  // namespace

const KeySigBehaviour& KeySigBehaviour::Instance() { return kKeySig; }

CKeySig* CKeySig::Construct(void* buffer) {
    CBarItem::Construct(buffer);
    auto* key = static_cast<CKeySig*>(ConstructClass(kTypeCode, buffer));
    if (key) std::fill(key->Bytes() + kKey, key->Bytes() + kSize, std::uint8_t(0));
    return key;
}

int CKeySig::CountPlaces() const {
    const int key = GetKey();
    const int mode = GetNaturalMode();
    const int old = (mode == 0 || GetPreviousKey() == key) ? 0 : GetPreviousKey();
    if (mode == 1) {
        const int a = KeyChange(0, old);
        const int b = KeyChange(0, key);
        return SameSide(old, key) && key >= old ? b : a + b;
    }
    return KeyChange(old, key);
}

int CKeySig::CountNaturals() const {
    const int key = GetKey();
    const int previous = GetPreviousKey();
    const int mode = GetNaturalMode();
    if (mode == 0 || previous == 0 || previous == key) return 0;
    if (mode == 2) return KeyChange(previous, key) - KeyChange(0, key);
    if (mode == 1) return KeyChange(0, previous);
    return 0;
}

int CKeySig::PlaceX() {
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    if (!bar || !staff) return 0;
    if (IsKeyFlagged()) {
        SetFlag(kNoNaturalsBit, false);
        return bar->GetRight() - staff->ScaleOffset(CountPlaces() * 120) - staff->ScaleOffset(bar->HasRepeatEnd() ? 360 : 120);
    }
    return bar->GetLeft() + staff->ScaleOffset(GetXOffset()) + bar->GetLeadingGap();
}

void KeySigBehaviour::Draw(CScoreItem& item) const {
    auto& k = Key(item);
    CStaff* staff = g_model.currentStaff;
    if (!g_draw.artist || !g_model.currentBar || !staff) return;
    if (!(staff->GetDisplay() & CStaff::kKeyShownBit) || k.IsHiddenKey()) return;
    const int x = k.PlaceX();
    g_model.drawnPoint = POINT{x, staff->GetTopLine()};
    // The signature stands on clean lines: its bar's key area is cleared (unless a drag runs
    // and the key does not ask for it) and the staff's lines drawn again a space beyond it.
    const int width = MulDiv(g_model.currentBar->GetKeySigWidth(), staff->Space(), 120);
    if (k.GetKey() != 0 && width > 0 && ((k.GetFlags() & CKeySig::kPatchLinesBit) || !g_draw.dragInProgress)) {
        CArtist* a = g_draw.artist;
        const int s = staff->Space();
        const RECT r{x, staff->GetTopLine() - 2 * s, x + width, staff->GetBottomLine()};
        if (g_draw.printingDC)
            a->EraseRect(r);
        else
            a->DrawClipped(r);
        a->PushColor();
        a->SetColor(0);
        staff->DrawLinesBetween(r.left - s, r.right + s);
        a->PopColor();
    }
    const bool noNaturals = (k.GetFlags() & CKeySig::kNoNaturalsBit) != 0;
    staff->DrawKeySignature(x, x, k.GetKey(), k.GetPreviousKey(), k.GetClef(), k.GetNaturalMode(), noNaturals ? 1 : 2,
                            noNaturals, k.GetColorIndex());
}

void KeySigBehaviour::OpenProperties(CScoreItem&, int, int) const {
    if (CZelDoc* doc = g_model.currentDoc) doc->OnCommandRange(CKeySig::kEditCommand);
}

RECT* KeySigBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    auto& k = Key(item);
    *rect = RECT{};
    CStaff* staff = g_model.currentStaff;
    if (!g_model.currentBar || !staff) return rect;
    const int s = staff->Space();
    rect->left = k.IsKeyFlagged() ? k.PlaceX() : k.PlaceX() + s;
    rect->right = rect->left + k.GetWidth() * s;
    rect->top = staff->GetTopLine();
    rect->bottom = staff->GetBottomLine();
    return rect;
}

void KeySigBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    auto& k = Key(item);
    if (k.RecordSizeField() < CKeySig::kSize) return BarItemBehaviour::WriteBody(item, stream);
    stream.WriteByte(k.GetKey());
    stream.WriteByte(k.GetPreviousKey());
    stream.WriteByte(k.GetPlaybackKey());
    stream.WriteByte(ReverseBits(k.GetFlags()));
    stream.WriteByte(k.GetClef());
    stream.WriteByte(k.GetWidth());
    stream.WriteCoord(k.GetXOffset());
    stream.WriteCoord(k.GetSecondOffset());
}

void KeySigBehaviour::ToFileOrder(CScoreItem& item) const {
    BarItemBehaviour::ToFileOrder(item);
    auto& k = Key(item);
    if (k.RecordSizeField() < CKeySig::kSize) return;
    k.SetFlags(ReverseBits(k.GetFlags()));
    for (int at : {int(CKeySig::kXOffset), int(CKeySig::kSecondOffset)}) {
        std::uint8_t* p = k.Bytes() + at;
        rec::Put(p, 0, std::int16_t(rec::Get<std::int16_t>(p, 0) / 5));
        SwapWord(p);
    }
}

void KeySigBehaviour::FromFileOrder(CScoreItem& item) const {
    auto& k = Key(item);
    if (k.RecordSizeField() < CKeySig::kSize) return;
    k.SetFlags(ReverseBits(k.GetFlags()));
    for (int at : {int(CKeySig::kXOffset), int(CKeySig::kSecondOffset)}) {
        std::uint8_t* p = k.Bytes() + at;
        SwapWord(p);
        rec::Put(p, 0, std::int16_t(rec::Get<std::int16_t>(p, 0) * 5));
    }
}

void KeySigBehaviour::MarkRemoved(CBarItem& item) const {
    CTrkBar* tb = g_model.currentTrkBar;
    const int position = item.PositionField();
    if (tb) {
        trkbar::ForEachLiveItem(tb, [&](CBarItem* r) {
            if (r->IsKeySig() && r->PositionField() == position) BarItemBehaviour::MarkRemoved(*r);
        });
    }
    BarItemBehaviour::MarkRemoved(item);
    if (!tb) return;
    if (CScore* score = g_model.currentScore) score->RecalcBars(false);
    tb->SetCurrent();
    tb->RecalcTimes(nullptr, nullptr);
    tb->RecalcAccidentals();
}

int KeySigBehaviour::GetBarRange(CBarItem& item, int* first, int* last, CTrkBar* trkBar) const {
    const int bar = trkBar ? trkBar->GetBarIndex() : 0;
    int found = bar;
    const int end = trkBar && trkBar->FindNextItemOfKind(&item, &found) ? found : bar;
    if (first) *first = bar;
    if (last) *last = end;
    return end - bar;
}

int KeySigBehaviour::GetValue(CBarItem& item) const { return Key(item).GetKey(); }
void KeySigBehaviour::SetVoice(CBarItem& item, int) const { BarItemBehaviour::SetVoice(item, 0); }
void KeySigBehaviour::SetValue(CBarItem& item, int value) const { Key(item).SetKey(value); }
