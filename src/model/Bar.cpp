#include "model/Bar.h"
#include "model/RecordFields.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/Globals.h"
#include "model/BarItem.h"
#include "model/BarNumber.h"
#include "model/ItemArray.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/PageLinks.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/System.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "model/Tempo.h"
#include "model/Text.h"
#include "platform/Artist.h"
#include "platform/ChunkStream.h"
#include "platform/DebugLog.h"
#include "platform/DrawGlobals.h"
#include "platform/Handles.h"
#include "platform/PortLayer.h"

namespace {

constexpr std::int32_t kConductorScratch = 8196;
constexpr int kMinTempo = 1000;
constexpr int kMaxTempo = 30000;

bool IsLive(const CScoreItem* item) { return !rec::IsRemoved(item); }

int KindOf(const CBarItem* item) { return rec::Get<std::uint8_t>(item, CBar::kJumperKind); }

bool IsJumperRecord(const CBarItem* item) {
    const int t = item->TypeCode();
    return t >= CBar::kJumperType && t <= CBar::kEndingType;
}

bool IsEndingRecord(const CBarItem* item) {
    if (!IsJumperRecord(item)) return false;
    const int kind = KindOf(item);
    return kind == 9 || kind == 10;
}

int TimeOf(const CScoreItem* item) { return const_cast<CScoreItem*>(item)->GetTime(); }

// A tempo of an older file, stored in whole beats per minute, in hundredths, kept inside the
// range of tempo marks (a stored 700 would not fit the 16-bit word as 70000).
std::uint16_t OldTempoToHundredths(int bpm) {
    return std::uint16_t(std::clamp(bpm * 100, kMinTempo, kMaxTempo));
}

}  // namespace

std::uint16_t TempoInRange(int hundredths) { return std::uint16_t(std::clamp(hundredths, kMinTempo, kMaxTempo)); }

namespace {

CItemArray* NewItemArray() {
    auto* a = new (std::nothrow) CItemArray;
    if (a && !a->GetHandle()) {
        delete a;
        a = nullptr;
    }
    return a;
}

void DeleteItemArray(CItemArray* a) {
    if (!a) return;
    reclink::ForgetObject(a);
    delete a;
}

// Where a bar's repeat structure changed and the score's layout wants a reflow. The score keeps
// no mark for it: an edit operation that makes such a change asks its task for a new layout
// (CScoreTask::SetLayoutChanged), as the bar erase does.
void MarkLayoutDirty(CScore* score) {}

}  // namespace

// --- construction -------------------------------------------------------------------------------

CBar* CBar::Construct(void* record) {
    auto* bar = static_cast<CBar*>(ConstructClass(8, record));
    rec::Put<std::uint32_t>(bar, kItemArray, 0);
    rec::Put<std::uint32_t>(bar, kCachedEnding, 0);
    rec::Put<std::uint32_t>(bar, kCachedBeatChart, 0);
    rec::Put<std::uint32_t>(bar, kCachedBarNumber, 0);
    return bar;
}

bool CBar::SetDefaults() {
    SetTypeAndSize(8);
    // A bar that already owns an array starts it again empty rather than letting it go astray.
    CItemArray* items = GetItemArray();
    if (items) {
        items->RemoveAll();
    } else {
        items = NewItemArray();
        if (!items) return false;
        SetItemArray(items);
    }
    std::memset(Bytes() + kMeter, 0, Meter::kSize + 1);
    Meter* m = GetMeter();
    rec::Put<std::int16_t>(m->bytes, Meter::kTicksPerBeat, 480);
    rec::Put<std::int16_t>(m->bytes, Meter::kTicksPerBar, 1920);
    m->SetNumerator(4);
    m->SetDenominator(4);
    m->bytes[Meter::kDigitWidth] = 3;
    m->SetGroupCount(4);
    m->SetBeamGroup(0, 4);
    m->SetBeamUnit(4);
    m->SetKindFlags(std::uint8_t(m->GetKindFlags() | Meter::kCommonTime));
    std::uint8_t display = std::uint8_t(m->GetDisplayFlags() & ~0x20);
    display = std::int16_t(GetIndex()) <= 0 ? std::uint8_t(display | Meter::kShown) : std::uint8_t(display & ~Meter::kShown);
    m->SetDisplayFlags(display);
    rec::Put<std::int16_t>(m->bytes, Meter::kBarLength, 1920);
    rec::Put<std::int16_t>(m->bytes, Meter::kTicksPerGroup, 480);
    SetTempo(9600);
    SetContentLength(m->GetTicksPerBar());
    SetNaturalWidth(1440);
    SetNaturalSpace(1440);
    SetStartTime(0);
    SetStartTicks(0);
    rec::Put<std::uint32_t>(this, kCachedBeatChart, 0);
    rec::Put<std::uint32_t>(this, kCachedEnding, 0);
    rec::Put<std::uint32_t>(this, kCachedBarNumber, 0);
    rec::Put<std::uint8_t>(this, kBeatChartStaff, 0);
    SetContentWidth(0);
    ResetBeatChart(4, true);
    SetBarNumberLink(-1);
    rec::Put<std::int16_t>(this, kLinkedJumperBar, -1);
    rec::Put<std::uint8_t>(this, kBarlines, 0);
    rec::Put<std::uint16_t>(this, kMeterDisplayWord, 0);
    const std::uint16_t words[5] = {12, 0, 0, 0, 0};
    for (int i = 0; i < 5; ++i) rec::Put(this, kMeterDisplayWords + 2 * i, words[i]);
    return true;
}

void CBar::FreeItems(bool deleteArray) {
    if (deleteArray) DeleteItemArray(GetItemArray());
    rec::Put<std::uint32_t>(this, kItemArray, 0);
    rec::Put<std::uint32_t>(this, kCachedEnding, 0);
    rec::Put<std::uint32_t>(this, kCachedBeatChart, 0);
    rec::Put<std::uint32_t>(this, kCachedBarNumber, 0);
}

void CBar::SetOpeningKind(int kind) {
    const std::uint8_t b = rec::Get<std::uint8_t>(this, kBarlines);
    rec::Put<std::uint8_t>(this, kBarlines, std::uint8_t((b & 0xF0) | (kind & 0x0F)));
}

void CBar::SetClosingKind(int kind) {
    const std::uint8_t b = rec::Get<std::uint8_t>(this, kBarlines);
    rec::Put<std::uint8_t>(this, kBarlines, std::uint8_t((b & 0x0F) | ((kind & 0x0F) << 4)));
}

int CBar::GetLength() const { return std::max<int>(GetMeterLength(), GetContentLength()); }

int CBar::GetShortfall() const {
    if (HasBarFlag(kShortBarBit) && GetContentLength() < GetMeterLength()) return GetMeterLength() - GetContentLength();
    return 0;
}

// --- own items --------------------------------------------------------------------------------

CItemArray* CBar::GetItemArray() const {
    return static_cast<CItemArray*>(reclink::ObjectAt(rec::Get<std::uint32_t>(this, kItemArray)));
}

void CBar::SetItemArray(CItemArray* items) { rec::Put<std::uint32_t>(this, kItemArray, reclink::ObjectId(items)); }

CBarItem* CBar::GetFirstItem() const {
    CItemArray* a = GetItemArray();
    return (a && a->GetCount() > 0) ? static_cast<CBarItem*>(a->GetData()) : nullptr;
}

int CBar::GetItemCount() const {
    CItemArray* a = GetItemArray();
    return a ? a->GetCount() : 0;
}

CBarItem* CBar::CachedItem(int field) const {
    const std::uint32_t at = rec::Get<std::uint32_t>(this, field);
    CItemArray* a = GetItemArray();
    if (!at || !a || at - 1 >= a->GetByteSize()) return nullptr;
    return reinterpret_cast<CBarItem*>(static_cast<std::uint8_t*>(a->GetData()) + (at - 1));
}

void CBar::SetCachedItem(int field, const CBarItem* item) {
    CItemArray* a = GetItemArray();
    std::uint32_t at = 0;
    if (item && a) at = std::uint32_t(reinterpret_cast<const std::uint8_t*>(item) - static_cast<std::uint8_t*>(a->GetData())) + 1;
    rec::Put<std::uint32_t>(this, field, at);
}

namespace {
// The bar's own items (tempo marks, endings, bar numbers) feed what the score's passes carry on
// to the bars after it: a change forgets what was carried past the bar.
void OwnItemsChanged(const CBar* bar) {
    if (CScore* score = bar->GetScore()) score->ForgetPassStartsAfter(bar->GetIndex());
}
}  // namespace

void CBar::SetContentLength(int v) {
    if (GetContentLength() != std::int16_t(v)) OwnItemsChanged(this);
    rec::Put(this, kContentLength, std::int16_t(v));
}

void CBar::SetMultiRestSpan(int v) {
    if (GetMultiRestSpan() != std::int16_t(v)) OwnItemsChanged(this);
    rec::Put(this, kMultiRestSpan, std::int16_t(v));
}

CBarItem* CBar::InsertItemSorted(const CBarItem* item) {
    OwnItemsChanged(this);
    CItemArray* a = GetItemArray();
    if (!a || !item) return nullptr;
    const int time = TimeOf(item);
    const int n = a->GetCount();
    int index = n;
    auto* p = static_cast<CBarItem*>(a->GetData());
    for (int i = 0; i < n; ++i, p = p->NextItem()) {
        if (IsLive(p) && TimeOf(p) > time) {
            index = i;
            break;
        }
    }
    auto* inserted = static_cast<CBarItem*>(a->InsertAt(index, item));
    RefreshItemCache();
    return inserted;
}

CBarItem* CBar::GetBeatChart() {
    CItemArray* a = GetItemArray();
    const int n = a ? a->GetCount() : 0;
    auto* p = n ? static_cast<CBarItem*>(a->GetData()) : nullptr;
    CBarItem* found = nullptr;
    for (int i = 0; i < n; ++i, p = p->NextItem())
        if (IsLive(p) && p->TypeCode() == kBeatChartType) found = p;
    if (found) SetCachedItem(kCachedBeatChart, found);
    return CachedItem(kCachedBeatChart);
}

void CBar::RefreshItemCache() {
    rec::Put<std::uint32_t>(this, kCachedEnding, 0);
    rec::Put<std::uint32_t>(this, kCachedBeatChart, 0);
    rec::Put<std::uint32_t>(this, kCachedBarNumber, 0);
    CItemArray* a = GetItemArray();
    const int n = a ? a->GetCount() : 0;
    auto* p = n ? static_cast<CBarItem*>(a->GetData()) : nullptr;
    for (int i = 0; i < n; ++i, p = p->NextItem()) {
        if (!IsLive(p)) continue;
        const int type = p->TypeCode();
        if (type == kBeatChartType) SetCachedItem(kCachedBeatChart, p);
        if (IsEndingRecord(p)) SetCachedItem(kCachedEnding, p);
        if (type == kBarNumberType) SetCachedItem(kCachedBarNumber, p);
        if (type == kTempoType && p->TimeField() == 0) SetTempo(static_cast<CTempo*>(p)->GetValue());
    }
}

int CBar::CountJumpers() const {
    CItemArray* a = GetItemArray();
    const int n = a ? a->GetCount() : 0;
    auto* p = n ? static_cast<CBarItem*>(a->GetData()) : nullptr;
    int count = 0;
    for (int i = 0; i < n; ++i, p = p->NextItem())
        if (IsLive(p) && IsJumperRecord(p)) ++count;
    return count;
}

CBarItem* CBar::GetJumper(int k) const {
    CItemArray* a = GetItemArray();
    const int n = a ? a->GetCount() : 0;
    auto* p = n ? static_cast<CBarItem*>(a->GetData()) : nullptr;
    for (int i = 0; i < n; ++i, p = p->NextItem())
        if (IsLive(p) && IsJumperRecord(p) && k-- == 0) return p;
    return nullptr;
}

CBarItem* CBar::GetEnding() const {
    for (int i = 0, n = CountJumpers(); i < n; ++i)
        if (CBarItem* j = GetJumper(i); IsEndingRecord(j)) return j;
    return nullptr;
}

void CBar::RemoveItem(CBarItem* item) {
    CItemArray* a = GetItemArray();
    if (!a || !item) return;
    OwnItemsChanged(this);
    if (!IsEndingRecord(item)) {
        if (item->TypeCode() == kJumperType && KindOf(item) == kRepeatCountKind) SetClosingKind(0);
        a->Remove(item);
    } else {
        const int closes = GetIndex() - 1 + rec::Get<std::int16_t>(item, kJumperTarget);
        a->Remove(item);
        CScore* score = GetScore();
        if (CBar* bar = score ? score->GetBar(closes) : nullptr) bar->RemoveJumper(kRepeatCountKind);
    }
    RefreshItemCache();
}

void CBar::RemoveJumper(int kind) {
    SetClosingKind(0);
    for (int i = 0, n = CountJumpers(); i < n; ++i) {
        CBarItem* j = GetJumper(i);
        if (KindOf(j) == kind) {
            RemoveItem(j);
            break;
        }
    }
    MarkLayoutDirty(GetScore());
}

bool CBar::SetRepeatEnd() {
    RemoveJumper(kRepeatCountKind);
    alignas(8) std::uint8_t scratch[256] = {};
    auto* jumper = static_cast<CBarItem*>(ConstructClass(kJumperType, scratch));
    if (!jumper) return false;
    CJumper::Of(jumper)->SetKind(kRepeatCountKind);
    if (!AddItem(jumper)) return false;
    SortItems();
    CBar* closing = this;
    if (GetMultiRestSpan() > 1)
        if (CScore* score = GetScore())
            if (CBar* last = score->GetBar(GetIndex() + GetMultiRestSpan() - 1)) closing = last;
    closing->SetClosingKind(3);
    MarkLayoutDirty(GetScore());
    return true;
}

void CBar::RemoveRepeat(bool opening, int closingKind) {
    if (opening && IsRepeatStart()) SetOpeningKind(0);
    RemoveJumper(kRepeatCountKind);
    SetClosingKind(closingKind);
}

void CBar::SortItems() {
    CItemArray* a = GetItemArray();
    const int n = a ? a->GetCount() : 0;
    std::vector<std::uint8_t> buffer;
    for (bool swapped = n > 1; swapped;) {
        swapped = false;
        auto* p = static_cast<CBarItem*>(a->GetData());
        for (int i = 0; i + 1 < n; ++i) {
            CBarItem* q = p->NextItem();
            if (TimeOf(q) < TimeOf(p)) {
                const std::size_t sp = std::size_t(p->RecordSizeField());
                const std::size_t sq = std::size_t(q->RecordSizeField());
                buffer.assign(p->Bytes(), p->Bytes() + sp);
                std::memmove(p->Bytes(), q->Bytes(), sq);
                std::memcpy(p->Bytes() + sq, buffer.data(), sp);
                swapped = true;
                q = p->NextItem();
            }
            p = q;
        }
    }
    RefreshItemCache();
}

bool CBar::ResetBeatChart(int n, bool even) {
    CItemArray* a = GetItemArray();
    if (!a || n < 1) return false;
    if (CBarItem* old = CachedItem(kCachedBeatChart)) {
        a->Remove(old);
        rec::Put<std::uint32_t>(this, kCachedBeatChart, 0);
    }
    // The chart's own size: its head and count, and 8 bytes for each column.
    std::vector<std::uint8_t> scratch(std::size_t(beatchart::kColumns + beatchart::kColumnSize * n), 0);
    auto* chart = static_cast<CBarItem*>(ConstructClass(kBeatChartType, scratch.data()));
    chart->CBaseItem::SetSize(std::int16_t(chart->RecordSizeField() + beatchart::kColumnSize * (n - 1)));
    rec::Put<std::int16_t>(chart, beatchart::kCount, std::int16_t(n));
    if (even) {
        const int beat = GetBeatLength();
        beatchart::BuildUniform(chart, beat > 0 ? 480 / beat + 3 : 3, beat);
    }
    return InsertItemSorted(chart) != nullptr;
}

CBarItem* CBar::GetBarNumberItem(bool noLink) {
    if (CBarItem* own = CachedItem(kCachedBarNumber)) return own;
    if (noLink) return nullptr;
    const int link = GetBarNumberLink();
    CScore* score = GetScore();
    if (link < 0 || !score) return nullptr;
    if (link >= score->GetBarCount()) {
        IgnoreValue("Beyond Score");
        SetBarNumberLink(-1);
        return nullptr;
    }
    CBar* linked = score->GetBar(link);
    if (CBarItem* item = linked ? linked->CachedItem(kCachedBarNumber) : nullptr) return item;
    SetBarNumberLink(-1);
    return nullptr;
}

void CBar::RemoveBarNumberItem() {
    OwnItemsChanged(this);
    if (CBarItem* own = CachedItem(kCachedBarNumber)) GetItemArray()->Remove(own);
    RefreshItemCache();
}

bool CBar::ReplaceBarNumberItem(const CBarItem* item) {
    RemoveBarNumberItem();
    return item && InsertItemSorted(item) != nullptr;
}

bool CBar::CountsForNumber(const CBarItem* item) const {
    if (!HasBarFlag(kShortBarBit) || HasRepeatEnd()) return true;
    return item && item->IsBarNumber() && static_cast<const CBarNumber*>(item)->GetShowMode() != CBarNumber::kEveryN;
}

int CBar::GetDisplayNumber() {
    const CBarItem* item = GetBarNumberItem(true);
    return GetIndex() + (item ? static_cast<const CBarNumber*>(item)->GetNumberOffset() : 0);
}

// --- context ----------------------------------------------------------------------------------

CLine* CBar::GetLine() const { return reclink::LinkedLine(rec::Get<std::uint32_t>(this, kSystemLink)); }

void CBar::SetLine(CScore* score, int lineIndex) {
    rec::Put<std::uint32_t>(this, kSystemLink, reclink::ScoreLink(score, lineIndex));
}

CScore* CBar::GetScore() const { return reclink::LinkedScore(rec::Get<std::uint32_t>(this, kSystemLink)); }

CPage* CBar::GetPage() const {
    CLine* line = GetLine();
    return line ? line->GetPage() : nullptr;
}

CStaff* CBar::GetStaff(int i) const {
    CLine* line = GetLine();
    return line ? line->GetStaff(i) : nullptr;
}

CTrack* CBar::GetTrack(int i) const {
    CScore* score = GetScore();
    return score ? score->GetTrack(i) : nullptr;
}

bool CBar::IsFirstInLine() const {
    CLine* line = GetLine();
    return line && GetIndex() == line->GetFirstBarIndex();
}

bool CBar::IsLastInLine() const {
    CLine* line = GetLine();
    return line && GetIndex() == line->GetFirstBarIndex() + line->GetBarCount() - 1;
}

int CBar::SystemSpace() const {
    CLine* line = GetLine();
    return (line && line->GetSpace() > 0) ? line->GetSpace() : 6;
}

int CBar::GetCenterX() const {
    int x = GetLeft() + GetLeadingWidth() + GetContentWidth() / 2;
    if (GetKeySigPart() != 0 || GetMeterPart() != 0) x -= SystemSpace();
    return x;
}

void CBar::MakeCurrent() {
    g_model.currentBar = this;
    g_model.currentLine = GetLine();
    g_model.currentPage = g_model.currentLine ? g_model.currentLine->GetPage() : nullptr;
    g_model.currentScore = GetScore();
    g_model.currentDoc = g_model.currentScore ? g_model.currentScore->GetDocument() : nullptr;
    if (g_draw.artist && g_model.currentDoc) g_draw.artist->SetZoom(g_model.currentDoc->GetZoom());
    RefreshItemCache();
}

// --- stored forms -----------------------------------------------------------------------------

void CBar::WriteMeasure(CChunkStream& s) {
    s.BeginChunk(MakeChunkTag("MEAS"), -1);
    const std::uint8_t flags = GetBarFlags();
    for (int bit : {0, 1, 2, 3, 4, 5, 7, 6}) s.WriteByte((flags >> bit) & 1);
    s.WriteByte(std::uint8_t(GetOpeningKind()));
    s.WriteByte(std::uint8_t(GetClosingKind()));
    s.WriteWord(GetTempo());
    s.WriteWord(GetContentLength());
    s.WriteCoord(GetNaturalWidth());
    s.WriteCoord(GetNaturalSpace());
    s.WriteWord(GetBarNumberLink());
    s.WriteCoord(rec::Get<std::int16_t>(this, kCoordA));
    s.WriteCoord(rec::Get<std::int16_t>(this, kCoordB));
    s.WriteWord(rec::Get<std::uint16_t>(this, kWordC));
    s.WriteWord(GetMultiRestSpan());
    s.WriteWord(rec::Get<std::uint16_t>(this, kMeterDisplayWord));
    s.WriteWord(rec::Get<std::int16_t>(this, kMeterOffset));
    for (int i = 0; i < 5; ++i) s.WriteWord(rec::Get<std::uint16_t>(this, kMeterDisplayWords + 2 * i));
    s.WriteWord(GetLeadInSpace());
    s.EndChunk(-1);
}

void CBar::ReadMeasure(CChunkStream& s) {
    if (!SetDefaults()) ThrowOutOfMemory();
    const std::uint32_t length = s.BeginReadChunk(MakeChunkTag("MEAS"));
    if (length == 0) {
        s.EndReadChunk();
        return;
    }
    std::uint8_t flags = GetBarFlags();
    for (int bit : {0, 1, 2, 3, 4, 5, 7, 6})
        if (s.Unread() > 0 && s.ReadByte() != 0) flags = std::uint8_t(flags | (1u << bit));
    SetBarFlags(flags);
    if (s.Unread() > 0) SetOpeningKind(s.ReadByte());
    if (s.Unread() > 0) SetClosingKind(s.ReadByte());
    if (s.Unread() >= 2) {
        const std::uint16_t tempo = s.ReadWord();
        // Kept inside the range of tempo marks, so timing never divides by a zero tempo.
        SetTempo(g_model.loadedFileVersion < 0x400 ? OldTempoToHundredths(tempo) : TempoInRange(tempo));
    }
    rec::ReadWordField(s, this, kContentLength);
    if (GetContentLength() < 0) {
        CFile* f = s.GetFile();
        AfxThrowArchiveException(CArchiveException::badIndex, f ? f->GetFilePath().c_str() : nullptr,
                                 "a bar's length");
    }
    rec::ReadCoordField(s, this, kNaturalWidth);
    rec::ReadCoordField(s, this, kNaturalSpace);
    rec::ReadWordField(s, this, kBarNumberLink);
    rec::ReadCoordField(s, this, kCoordA);
    rec::ReadCoordField(s, this, kCoordB);
    rec::ReadWordField(s, this, kWordC);
    rec::ReadWordField(s, this, kMultiRestSpan);
    if (g_model.loadedFileVersion > 0x40F) {
        rec::ReadWordField(s, this, kMeterDisplayWord);
        rec::ReadWordField(s, this, kMeterOffset);
        for (int i = 0; i < 5; ++i) rec::ReadWordField(s, this, kMeterDisplayWords + 2 * i);
    }
    rec::ReadWordField(s, this, kLeadInSpace);
    s.EndReadChunk();
}

void CBar::WriteConductor(CChunkStream& s) {
    s.BeginChunk(MakeChunkTag("COND"), 0);
    GetMeter()->Write(s);
    int written = 0;
    CItemArray* a = GetItemArray();
    const int n = a ? a->GetCount() : 0;
    auto* p = n ? static_cast<CBarItem*>(a->GetData()) : nullptr;
    for (int i = 0; i < n; ++i, p = p->NextItem()) {
        if (!IsLive(p)) continue;
        p->Write(s);
        ++written;
    }
    s.EndChunk(written);
}

bool CBar::IsConductorCode(int code) {
    switch (code) {
        case 9:   // beat chart
        case 10:  // bar number
        case 12:  // page-level text
        case 22:  // bar-line symbol
        case 28:  // tempo mark
        case 29:  // system text
        case 37:  // expression
        case 48:  // jumper
        case 49:  // text jumper
        case 50:  // ending
            return true;
        default:
            return false;
    }
}

void CBar::ReadConductor(CChunkStream& s) {
    const std::uint32_t length = s.BeginReadChunk(MakeChunkTag("COND"));
    if (length == 0) {
        s.EndReadChunk();
        return;
    }
    const std::uint16_t count = s.ReadWord();
    GetMeter()->Read(s);
    CItemArray* a = GetItemArray();
    if (!a) {
        a = NewItemArray();
        if (!a) ThrowOutOfMemory();
        SetItemArray(a);
    }
    a->RemoveAll();
    RefreshItemCache();
    std::vector<std::uint8_t> scratch(kConductorScratch);
    for (int i = 0; i < count; ++i) {
        // The count is the writer's word: the items must be there.
        if (s.Unread() < std::uint32_t(kStoredHeadSize)) ThrowDamagedRecord(s);
        LogText(".", false);
        std::fill(scratch.begin(), scratch.end(), 0);
        CBarItem* item = CBarItem::Construct(scratch.data());
        {
            fw::ScopedGlobal<std::int32_t> room(g_model.recordRoom, kConductorScratch);
            item->Read(s);
        }
        // Only what lives in a bar's own run may come from here; a score record or another
        // item could neither be used nor saved back.
        if (!IsConductorCode(item->TypeCode())) {
            CFile* f = s.GetFile();
            AfxThrowArchiveException(CArchiveException::badIndex, f ? f->GetFilePath().c_str() : nullptr,
                                     "a bar's conductor items");
        }
        // A text read among the bar's own items is a system text.
        if (item->IsText() && item->RecordSizeField() >= CText::kFixedSize)
            rec::Put<std::uint8_t>(item, CText::kPlacement,
                                   std::uint8_t(rec::Get<std::uint8_t>(item, CText::kPlacement) | CText::kSystemTextBit));
        if (!InsertItemSorted(item)) ThrowOutOfMemory();
    }
    LogText("", true);
    s.EndReadChunk();
}

void CBar::AfterRead() {
    MakeCurrent();
    MeasureContents();
    if (CItemArray* a = GetItemArray()) {
        a->FitSizes();
        RefreshItemCache();
    }
    // An older file's tempo below the range is in beats per minute; one above it is kept in
    // the range, as the chunked form reads it.
    if (g_model.loadedFileVersion < 0x400)
        SetTempo(GetTempo() < kMinTempo ? OldTempoToHundredths(GetTempo()) : TempoInRange(GetTempo()));
    // Follows the bar-number link so that a link beyond the score is let go.
    GetBarNumberItem(false);
}

namespace {

// An older file keeps a bar's own items in the order it stored them; the chunked reader places
// each item by its time. A run out of time order (only a damaged file has one) is placed again
// the chunked reader's way, so that what is saved reads back in the same order.
void PlaceItemsByTime(CBar& bar) {
    CItemArray* a = bar.GetItemArray();
    const int n = a ? a->GetCount() : 0;
    auto* p = n ? static_cast<CBarItem*>(a->GetData()) : nullptr;
    bool ordered = true;
    bool seen = false;
    int last = 0;
    for (int i = 0; i < n && ordered; ++i, p = p->NextItem()) {
        if (!IsLive(p)) continue;
        const int time = TimeOf(p);
        ordered = !seen || time >= last;
        seen = true;
        last = time;
    }
    if (ordered) return;
    std::vector<std::vector<std::uint8_t>> records;
    p = static_cast<CBarItem*>(a->GetData());
    for (int i = 0; i < n; ++i, p = p->NextItem()) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(p);
        records.emplace_back(bytes, bytes + a->ElemSize(p));
    }
    a->RemoveAll();
    bar.RefreshItemCache();
    for (auto& record : records)
        if (!bar.InsertItemSorted(reinterpret_cast<CBarItem*>(record.data()))) ThrowOutOfMemory();
}

}  // namespace

void CBar::ReadLegacy(CFile& file) {
    if (!SetDefaults()) ThrowOutOfMemory();
    FreeItems(true);
    AnimateWaitCursor();
    BarBehaviour::Instance().ArrayItemBehaviour::ReadRaw(*this, file);
    // The older record has the meter two bytes shorter: everything from its last byte on moves
    // up by two, and the preset byte and the spare byte start at 0.
    const int preset = int(kMeter) + int(Meter::kPreset);
    std::memmove(Bytes() + preset + 2, Bytes() + preset, 120);
    rec::Put<std::uint8_t>(this, std::size_t(preset), 0);
    rec::Put<std::uint8_t>(this, kSpare, 0);
    SetBarFlag(kSystemBreakBit, false);
    if (!GetMeter()->HasValidLengths() || GetContentLength() < 0)
        AfxThrowArchiveException(CArchiveException::badIndex, file.GetFilePath().c_str(), "a bar's length");
    // A beat is a note value: a time signature over 0 counts none.
    if (GetMeter()->GetDenominator() == 0)
        AfxThrowArchiveException(CArchiveException::badIndex, file.GetFilePath().c_str(), "a time signature");
    const bool hadItems = rec::Get<std::uint32_t>(this, kItemArray) != 0;
    // The older record's pointers mean nothing here.
    FreeItems(false);
    rec::Put<std::uint32_t>(this, kSystemLink, 0);
    if (hadItems) {
        CItemArray* a = NewItemArray();
        if (!a) ThrowOutOfMemory();
        try {
            a->LoadRaw(file);
            // The run holds what lives in a bar's own run, or records already set aside.
            for (int i = 0; i < a->GetCount(); ++i) {
                const void* item = a->GetAt(i);
                if (!rec::IsRemoved(item) && !IsConductorCode(rec::Get<std::uint8_t>(item, rec::kType)))
                    AfxThrowArchiveException(CArchiveException::badIndex, file.GetFilePath().c_str(),
                                             "a bar's conductor items");
            }
        } catch (...) {
            delete a;
            throw;
        }
        SetItemArray(a);
    }
    RefreshItemCache();
    PlaceItemsByTime(*this);
}

// --- behaviour ----------------------------------------------------------------------------------

const BarBehaviour& BarBehaviour::Instance() {
    static const BarBehaviour behaviour;
    return behaviour;
}

void BarBehaviour::Release(CScoreItem& item) const { static_cast<CBar&>(item).FreeItems(true); }

bool BarBehaviour::CopyTo(CScoreItem& item, CScoreItem* target) const {
    if (!target || target == &item) return true;
    auto& from = static_cast<CBar&>(item);
    auto* to = static_cast<CBar*>(target);
    CItemArray* kept = to->GetItemArray();
    const bool copied = ArrayItemBehaviour::CopyTo(item, target);
    to->SetItemArray(kept);
    if (!copied) return false;
    CItemArray* source = from.GetItemArray();
    if (source) {
        CItemArray* dest = kept ? kept : NewItemArray();
        if (!dest) return false;
        if (!source->CopyTo(dest)) {
            if (dest != kept) delete dest;
            return false;
        }
        to->SetItemArray(dest);
    }
    to->RefreshItemCache();
    return true;
}

RECT* BarBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    auto& bar = static_cast<CBar&>(item);
    CLine* line = bar.GetLine();
    *rect = line ? line->GetRect() : RECT{};
    rect->left = bar.GetLeft();
    rect->right = bar.GetRight();
    return rect;
}

std::int32_t BarBehaviour::GetRecordSize(CScoreItem& item) const {
    CItemArray* a = static_cast<CBar&>(item).GetItemArray();
    return item.RecordSizeField() + (a ? std::int32_t(a->GetByteSize()) : 0);
}

void BarBehaviour::ReadRaw(CScoreItem& item, CFile& file) const { static_cast<CBar&>(item).ReadLegacy(file); }

void BarBehaviour::Read(CScoreItem& item, CChunkStream& stream) const { static_cast<CBar&>(item).ReadMeasure(stream); }

void BarBehaviour::Write(CScoreItem& item, CChunkStream& stream) const { static_cast<CBar&>(item).WriteMeasure(stream); }

void BarBehaviour::ResolveFonts(CScoreItem& item, CFontArray* fonts) const {
    if (CItemArray* a = static_cast<CBar&>(item).GetItemArray()) a->ForEachNotify(fonts);
}
