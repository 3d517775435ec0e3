// The bar of a track: construction, copy and release, and its operations on the class slots.
#include "model/TrkBar.h"

#include <algorithm>
#include <cstring>

#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/Bar.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBarStandIns.h"
#include "model/TrkBarWalk.h"
#include "framework/Window.h"
#include "model/TieType.h"
#include "platform/Artist.h"
#include "platform/Handles.h"
#include "platform/Port.h"

namespace {

// Tuplet members: the in-tuplet bit of byte 18 and the copy of the tuplet's numbers.
enum : int { kTupletCount = 16, kTupletSpace = 17, kMemberFlags = 18 };
// The tuplet record's fields behind the item head's size, type and scale.
constexpr int kTupletBody = 8;
enum : std::uint8_t { kInTupletBit = 0x10 };

}  // namespace

CTrkBar* CTrkBar::Construct(void* record) {
    auto* bar = ItemCast<CTrkBar>(record);
    ConstructClass(kTypeCode, bar);
    std::memset(bar->Bytes() + kSideBuffer, 0, kSize - kSideBuffer);
    return bar;
}

bool CTrkBar::Init(int track, int bar) {
    SetTrackByte(track);
    SetIndex(bar);
    Block()->Clear();
    std::memset(Bytes() + kSideBuffer, 0, kSize - kSideBuffer);
    std::uint8_t end[kEndRecordSize];
    return InsertCopy(CBarItem::Construct(end)) != nullptr;
}

bool CTrkBar::CopyTo(CTrkBar* target) {
    if (!target || target == this) return true;
    // A bar whose block was given away keeps its length but has nothing to copy.
    const std::uint8_t* run = Block()->Address();
    std::uint32_t length = run ? GetRunLength() : 0;
    if (run) length = std::min(length, GetHandleSize(GetRunHandle()));
    HGLOBAL copy = 0;
    if (length >= 1) {
        copy = AllocHandle(length);
        if (!copy) return false;
        std::memcpy(LockHandle(copy), run, length);
    }
    target->SetIndex(GetBarIndex());
    target->SetTrackByte(GetTrackIndex());
    target->Release(true);
    target->Block()->Clear();
    rec::Put<std::uint32_t>(target, kRunHandle, copy);
    target->SetRunLength(length);
    return true;
}

void CTrkBar::Release(bool freeBlock) {
    const std::uint32_t length = GetRunLength();
    if (freeBlock) {
        FreeHandle(GetRunHandle());
        FreeHandle(rec::Get<std::uint32_t>(this, kSideBuffer + 8));
    }
    Block()->Clear();
    SetRunLength(length);
    std::memset(Bytes() + kSideBuffer, 0, kSize - kSideBuffer);
}

CBarItem* CTrkBar::GetItems() {
    std::uint8_t* p = Block()->Address();
    return p ? ItemCast<CBarItem>(p) : nullptr;
}

// --- context and accessors ---------------------------------------------------------------------

void CTrkBar::SetCurrent() {
    g_model.currentTrkBar = this;
    CScore* score = g_model.currentScore;
    if (!score) return;
    g_model.currentTrack = score->GetTrack(GetTrackIndex());
    if (CBar* bar = score->GetBar(GetBarIndex())) bar->MakeCurrent();
    CLine* line = g_model.currentLine;
    g_model.currentStaff = line ? line->GetStaff(GetTrackIndex()) : nullptr;
}

CBar* CTrkBar::GetBar() {
    CScore* score = g_model.currentScore;
    return score ? score->GetBar(GetBarIndex()) : nullptr;
}

CLine* CTrkBar::GetLine() {
    CBar* bar = GetBar();
    return bar ? bar->GetLine() : nullptr;
}

CPage* CTrkBar::GetPage() {
    CLine* line = GetLine();
    return line ? line->GetPage() : nullptr;
}

CStaff* CTrkBar::GetStaff() {
    CLine* line = GetLine();
    return line ? line->GetStaff(GetTrackIndex()) : nullptr;
}

CTrack* CTrkBar::GetTrack() {
    CScore* score = g_model.currentScore;
    return score ? score->GetTrack(GetTrackIndex()) : nullptr;
}

int CTrkBar::GetMeterLength() {
    CBar* bar = GetBar();
    return bar ? bar->GetMeterLength() : 0;
}

int CTrkBar::GetBeatLength() {
    CBar* bar = GetBar();
    return bar ? bar->GetBeatLength() : 0;
}

int CTrkBar::GetLength() {
    CBar* bar = GetBar();
    return bar ? bar->GetLength() : 0;
}

RECT* CTrkBar::GetBounds(RECT* rect) {
    *rect = RECT{};
    if (CBar* bar = GetBar()) {
        rect->left = bar->GetLeft();
        rect->right = bar->GetRight();
    }
    if (CStaff* staff = GetStaff()) {
        rect->top = staff->GetTopLine();
        rect->bottom = staff->GetBottomLine();
    }
    return rect;
}

void CTrkBar::ForEachItem(CFontArray* fonts) {
    trkbar::ForEachRecord(Block()->Address(), GetRunLength(), [&](CBarItem* item) {
        if (!item->IsRemoved()) item->ResolveFonts(fonts);
        return true;
    });
}

RECT* CTrkBar::GetRect(RECT* rect) {
    *rect = RECT{};
    if (CBar* bar = GetBar()) {
        rect->left = bar->GetLeft();
        rect->right = rect->left + bar->GetWidth();
    }
    CStaff* staff = GetStaff();
    int height = g_model.dataView.bandHeight;
    if (staff) {
        rect->bottom = staff->OffsetToY(staff->GetPlaceD()) - 2;
        height = staff->ScaleToView(height);
    }
    rect->top = rect->bottom - height;
    return rect;
}

void CTrkBar::MeasureItems() {
    CTrkBar* previous = g_model.currentTrkBar;
    // Measuring draws nothing: a device context without a window serves as the port.
    CClientDC dc(nullptr);
    PushPort(&dc);
    SetCurrent();
    if (CArtist* artist = GetArtist()) artist->SetMusicFont(24);
    trkbar::ForEachRecord(Block()->Address(), GetRunLength(), [](CBarItem* item) {
        if (!item->IsRemoved()) item->Invalidate();
        return true;
    });
    PopPort();
    if (previous) previous->SetCurrent();
}

CBarItem* CTrkBar::AddTuplet(const CBarItem& tupletTemplate, int time) {
    CBarItem* tuplet = NewItem(CTuplet::kType, time);
    if (!tuplet) return nullptr;
    // The template is copied by value behind the record's head: voice, time, position, both
    // ends, bracket and numbers.
    const int size = std::min(tuplet->RecordSizeField(), tupletTemplate.RecordSizeField());
    if (size > kTupletBody) std::memcpy(tuplet->Bytes() + kTupletBody, tupletTemplate.Bytes() + kTupletBody, std::size_t(size - kTupletBody));
    const auto& fitted = static_cast<const CTuplet&>(tupletTemplate);
    const auto number = std::uint8_t(fitted.Number()), second = std::uint8_t(fitted.SecondNumber());
    const int voice = tuplet->VoiceField();
    const int start = tuplet->PositionField();
    const int end = tuplet->GetEndPosition();
    trkbar::ForEachRecord(Block()->Address(), GetRunLength(), [&](CBarItem* item) {
        if (item->IsRemoved() || !item->IsNoteOrRest() || item->VoiceField() != voice) return true;
        if (item->RecordSizeField() <= kMemberFlags) return true;
        const int position = item->PositionField();
        if (position < start || position > end) return true;
        rec::Put<std::uint8_t>(item, kMemberFlags, std::uint8_t(rec::Get<std::uint8_t>(item, kMemberFlags) | kInTupletBit));
        rec::Put<std::uint8_t>(item, kTupletCount, number);
        rec::Put<std::uint8_t>(item, kTupletSpace, second);
        return true;
    });
    return tuplet;
}

// --- the class slots --------------------------------------------------------------------------

const TrkBarBehaviour& TrkBarBehaviour::Instance() {
    static const TrkBarBehaviour behaviour;
    return behaviour;
}

void TrkBarBehaviour::Release(CScoreItem& item) const { static_cast<CTrkBar&>(item).Release(true); }

bool TrkBarBehaviour::CopyTo(CScoreItem& item, CScoreItem* target) const {
    if (!target || target->TypeCode() != CTrkBar::kTypeCode) return false;
    return static_cast<CTrkBar&>(item).CopyTo(static_cast<CTrkBar*>(target));
}

CScoreItem* TrkBarBehaviour::Clone(CScoreItem& item) const {
    void* p = AllocBlock(CTrkBar::kSize);
    if (!p) return nullptr;
    // The copy starts with the bar's fields but owns nothing until CopyTo gives it its block.
    std::memcpy(p, &item, CTrkBar::kSize);
    auto* copy = ItemCast<CTrkBar>(p);
    copy->Block()->Clear();
    std::memset(copy->Bytes() + CTrkBar::kSideBuffer, 0, CTrkBar::kSize - CTrkBar::kSideBuffer);
    if (!static_cast<CTrkBar&>(item).CopyTo(copy)) {
        FreeBlock(p);
        return nullptr;
    }
    return copy;
}

RECT* TrkBarBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    return static_cast<CTrkBar&>(item).GetBounds(rect);
}

std::int32_t TrkBarBehaviour::GetRecordSize(CScoreItem& item) const {
    return std::int32_t(static_cast<CTrkBar&>(item).GetRunLength());
}

void TrkBarBehaviour::ReadRaw(CScoreItem& item, CFile& file) const { static_cast<CTrkBar&>(item).ReadFromBlock(file); }

void TrkBarBehaviour::Read(CScoreItem& item, CChunkStream& stream) const { static_cast<CTrkBar&>(item).Read(stream); }

void TrkBarBehaviour::Write(CScoreItem& item, CChunkStream& stream) const { static_cast<CTrkBar&>(item).Write(stream); }

void TrkBarBehaviour::ResolveFonts(CScoreItem& item, CFontArray* fonts) const {
    static_cast<CTrkBar&>(item).ForEachItem(fonts);
}
