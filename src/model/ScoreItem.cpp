#include "model/ScoreItem.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/Globals.h"
#include "model/DragTask.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "platform/Artist.h"
#include "platform/ChunkStream.h"
#include "platform/DrawGlobals.h"
#include "platform/Handles.h"

namespace {

const ScoreItemBehaviour kBareScoreItem;

RECT Normalized(const RECT& r) {
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right), std::max(r.top, r.bottom)};
}

bool PointInRect(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// The zoom of the current document; 0 when there is none (or it has no usable zoom).
int CurrentZoom() {
    const CZelDoc* doc = g_model.currentDoc;
    if (!doc) return 0;
    const int zoom = doc->GetZoom();
    return zoom > 0 ? zoom : 0;
}

const char* FilePathOf(CChunkStream& stream) {
    CFile* f = stream.GetFile();
    return f ? f->GetFilePath().c_str() : nullptr;
}

}  // namespace

const ScoreItemBehaviour& BareScoreItemBehaviour() { return kBareScoreItem; }

// --- damage checks shared by the record readers -----------------------------------------------

int RecordReadRoom(CScoreItem& item) {
    if (g_model.recordRoom > 0) return g_model.recordRoom;
    return std::max(GetItemRecordSize(&item), int(item.RecordSizeField()));
}

void ThrowDamagedRecord(CChunkStream& stream) {
    AfxThrowArchiveException(CArchiveException::badIndex, FilePathOf(stream));
}

void ReadRecordBytes(CChunkStream& stream, std::uint8_t* dest, int n) {
    if (n <= 0) return;
    if (stream.InChunk() && stream.Unread() < std::uint32_t(n)) ThrowDamagedRecord(stream);
    stream.ReadBytes(dest, std::uint32_t(n));
}

void GrowToWantedSize(CScoreItem& item, int room, CChunkStream& stream) {
    const int size = item.RecordSizeField();
    const int wanted = std::max(GetItemRecordSize(&item), item.GetWantedSize());
    if (wanted == size || wanted < kRecordHeadSize) return;
    if (wanted > size) {
        if (wanted > room || wanted > 0x7FFF) ThrowDamagedRecord(stream);
        std::memset(item.Bytes() + size, 0, std::size_t(wanted - size));
    }
    item.CBaseItem::SetSize(std::int16_t(wanted));
}

// --- the score item's operations ----------------------------------------------------------------

void ScoreItemBehaviour::SetTypeAndSize(CBaseItem& base, int type) const {
    auto& item = static_cast<CScoreItem&>(base);
    item.SetType(type);
    item.SetSize(GetItemRecordSize(&item));
}

void ScoreItemBehaviour::Init(CScoreItem& item) const {
    const std::int16_t size = item.RecordSizeField();
    const std::uint8_t type = item.TypeCode();
    if (size > rec::kSlotBytes) std::memset(item.Bytes() + rec::kSlotBytes, 0, std::size_t(size - rec::kSlotBytes));
    item.CBaseItem::SetSize(size);
    item.CBaseItem::SetType(type);
}

void ScoreItemBehaviour::Release(CScoreItem& item) const { FreeBlock(&item); }

void ScoreItemBehaviour::Redraw(CScoreItem& item) const { item.Draw(); }

void ScoreItemBehaviour::Deselect(CScoreItem& item) const { item.DeselectPart(-32767); }

void ScoreItemBehaviour::SetDrawColor(CScoreItem& item, bool selected) const {
    CArtist* artist = g_draw.artist;
    if (!artist) return;
    if (selected)
        artist->SetRoleColor(9);
    else if (g_model.secondColorDrawing)
        artist->SetRoleColor(8);
    else if (g_model.currentScore && g_model.currentScore->showColors)
        artist->SetPaletteColor(item.GetColorIndex());
    else
        artist->SetPaletteColor(0);
}

void ScoreItemBehaviour::ResetDrawColor(CScoreItem& item) const {
    if (CArtist* artist = g_draw.artist) artist->SetColor(0);
}

bool ScoreItemBehaviour::CopyTo(CScoreItem& item, CScoreItem* target) const {
    const std::int16_t size = item.RecordSizeField();
    if (target && target != &item && size > 0) std::memmove(target, &item, std::size_t(size));
    return true;
}

CScoreItem* ScoreItemBehaviour::Clone(CScoreItem& item) const {
    const std::int16_t size = item.RecordSizeField();
    if (size <= 0) return nullptr;
    void* p = AllocBlock(std::size_t(size));
    if (!p) return nullptr;
    auto* copy = ItemCast<CScoreItem>(p);
    item.CopyTo(copy);
    return copy;
}

bool ScoreItemBehaviour::HitTest(CScoreItem& item, int x, int y) const {
    RECT r;
    return PointInRect(Normalized(*item.GetBounds(&r)), x, y);
}

RECT* ScoreItemBehaviour::GetBounds(CScoreItem& item, RECT* rect) const { return item.GetPartBounds(rect, -32767); }

RECT* ScoreItemBehaviour::GetPartBounds(CScoreItem& item, RECT* rect, int part) const {
    *rect = RECT{};
    return rect;
}

bool ScoreItemBehaviour::IntersectsRect(CScoreItem& item, const RECT& rect) const {
    RECT b;
    b = Normalized(*item.GetBounds(&b));
    return std::max(b.left, rect.left) < std::min(b.right, rect.right) &&
           std::max(b.top, rect.top) < std::min(b.bottom, rect.bottom);
}

void ScoreItemBehaviour::Invalidate(CScoreItem& item) const {
    CZelDoc* doc = g_model.currentDoc;
    CPage* page = g_model.currentPage;
    if (!doc || !page) return;
    RECT r;
    r = Normalized(*item.GetBounds(&r));
    const int grow = page->ViewToTwentieths(6);
    r.left -= grow;
    r.top -= grow;
    r.right += grow;
    r.bottom += grow;
    doc->AddDirtyRect(r, page->GetIndex());
}

std::uint16_t ScoreItemBehaviour::GetSize(CScoreItem& item) const { return std::uint16_t(item.RecordSizeField()); }
int ScoreItemBehaviour::GetType(CScoreItem& item) const { return item.TypeCode(); }
int ScoreItemBehaviour::GetScale(CScoreItem& item) const {
    const int scale = item.CBaseItem::Scale();
    return scale ? scale : 100;
}
std::int32_t ScoreItemBehaviour::GetRecordSize(CScoreItem& item) const { return item.RecordSizeField(); }

char* ScoreItemBehaviour::GetTypeName(CScoreItem& item, char* buffer) const {
    std::strcpy(buffer, GetItemTypeName(&item));
    return buffer;
}

int ScoreItemBehaviour::GetWantedSize(CScoreItem& item) const { return item.RecordSizeField(); }
void ScoreItemBehaviour::SetSize(CScoreItem& item, int size) const { item.CBaseItem::SetSize(std::int16_t(size)); }
void ScoreItemBehaviour::SetType(CScoreItem& item, int type) const { item.CBaseItem::SetType(std::uint8_t(type)); }
void ScoreItemBehaviour::SetScale(CScoreItem& item, int percent) const {
    item.CBaseItem::SetScale(percent == 100 ? std::uint8_t(0) : std::uint8_t(percent));
}

void ScoreItemBehaviour::UseFont(CScoreItem& item, const FontRef& font) const {
    if (CArtist* artist = g_draw.artist) artist->SetFont(font.face, item.ScaleToView(font.size), font.style);
}

CDragTask* ScoreItemBehaviour::CreateDragTask(CScoreItem& item) const { return new (std::nothrow) CDragTask; }

void ScoreItemBehaviour::BeginDrag(CScoreItem& item) const {
    g_model.dragOffsetX = 0;
    g_model.dragOffsetY = 0;
    g_model.dragEndOffsetX = 0;
    g_model.itemDragX = 0;
}

void ScoreItemBehaviour::DrawDragFeedback(CScoreItem& item) const { item.Redraw(); }

void ScoreItemBehaviour::ReadRaw(CScoreItem& item, CFile& file) const {
    const std::int16_t s = item.RecordSizeField();
    try {
        std::uint8_t word[2];
        if (file.Read(word, 2) < 2) AfxThrowFileException(CFileException::endOfFile, -1, file.GetFilePath().c_str());
        const int d = std::int16_t(word[0] | (word[1] << 8));
        // The stored size counts its own word, the type and the scale byte.
        if (d < kStoredHeadSize) AfxThrowArchiveException(CArchiveException::badIndex, file.GetFilePath().c_str());
        const int fits = s - rec::kSlotBytes;
        const int take = (d <= fits ? d : fits) - 2;
        if (take > 0) {
            if (file.Read(item.Bytes() + rec::kType, UINT(take)) < UINT(take))
                AfxThrowFileException(CFileException::endOfFile, -1, file.GetFilePath().c_str());
        }
        if (d > fits) file.Seek(d - fits, CFile::current);
        item.CBaseItem::SetSize(s);
    } catch (...) {
        item.CBaseItem::SetSize(s);
        throw;
    }
}

void ScoreItemBehaviour::WriteRaw(CScoreItem& item, CFile& file, std::uint32_t tag) const {
    const int size = item.RecordSizeField();
    if (size < kRecordHeadSize) return;
    const int stored = size - rec::kSlotBytes;
    // The size word goes little-endian and counts the stored bytes; the record stays as it is.
    std::uint8_t word[2] = {std::uint8_t(stored), std::uint8_t(stored >> 8)};
    file.Write(word, 2);
    file.Write(item.Bytes() + rec::kType, UINT(stored - 2));
}

int ScoreItemBehaviour::GetStoredSize(CScoreItem& item) const { return item.RecordSizeField() - rec::kSlotBytes; }

void ScoreItemBehaviour::ReadHead(CScoreItem& item, CChunkStream& stream) const {
    const int room = RecordReadRoom(item);
    const std::int16_t size = std::int16_t(stream.ReadWord());
    const std::uint8_t type = stream.ReadByte();
    const std::uint8_t scale = stream.ReadByte();
    if (size > 0 && (size < kRecordHeadSize || size > room)) ThrowDamagedRecord(stream);
    item.CBaseItem::SetSize(size);
    item.CBaseItem::SetType(type);
    item.CBaseItem::SetScale(scale);
    ConstructItem(type, &item);
    if (type > 254) {
        if (room < kEndRecordSize) ThrowDamagedRecord(stream);
        item.CBaseItem::SetSize(std::int16_t(kEndRecordSize));
    }
}

void ScoreItemBehaviour::WriteHead(CScoreItem& item, CChunkStream& stream) const {
    stream.WriteWord(item.RecordSizeField());
    stream.WriteByte(item.TypeCode());
    stream.WriteByte(item.CBaseItem::Scale());
}

void ScoreItemBehaviour::ReadBody(CScoreItem& item, CChunkStream& stream) const {
    const int size = item.RecordSizeField();
    if (size > kRecordHeadSize) ReadRecordBytes(stream, item.Bytes() + kRecordHeadSize, size - kRecordHeadSize);
}

void ScoreItemBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    const int size = item.RecordSizeField();
    if (size > kRecordHeadSize) stream.WriteBytes(item.Bytes() + kRecordHeadSize, std::uint32_t(size - kRecordHeadSize));
}

void ScoreItemBehaviour::Read(CScoreItem& item, CChunkStream& stream) const {
    const int room = RecordReadRoom(item);
    item.ReadHead(stream);
    if (item.RecordSizeField() <= 0) return;
    item.ReadBody(stream);
    GrowToWantedSize(item, room, stream);
}

void ScoreItemBehaviour::Write(CScoreItem& item, CChunkStream& stream) const {
    item.WriteHead(stream);
    item.WriteBody(stream);
}

void ScoreItemBehaviour::CopyInFileOrder(CScoreItem& item, void* dest) const {
    const std::int16_t size = item.RecordSizeField();
    if (size <= 0) return;
    std::memmove(dest, &item, std::size_t(size));
    ItemCast<CScoreItem>(dest)->ToFileOrder();
}

void ScoreItemBehaviour::ToFileOrder(CScoreItem& item) const {
    const auto size = std::uint16_t(item.RecordSizeField());
    item.CBaseItem::SetSize(std::int16_t(std::uint16_t((size << 8) | (size >> 8))));
}

void ScoreItemBehaviour::Reconstruct(CScoreItem& item, int type) const { ConstructItem(type, &item); }

bool ScoreItemBehaviour::IsSameKind(CScoreItem& item, CScoreItem& other) const {
    return item.TypeCode() == other.TypeCode() && item.GetKind() == other.GetKind();
}

int ScoreItemBehaviour::ScaleToView(CScoreItem& item, int v) const {
    const int zoom = CurrentZoom();
    if (!zoom) return v;
    return int((std::int64_t(v) * zoom + 49) / 100);
}

int ScoreItemBehaviour::ScaleFromView(CScoreItem& item, int v) const {
    const int zoom = CurrentZoom();
    if (!zoom) return v;
    return int((std::int64_t(v) * 100 + zoom / 2 - 1) / zoom);
}

int ScoreItemBehaviour::TwentiethsToView(CScoreItem& item, int v) const { return item.ScaleToView(v) / 20; }

int ScoreItemBehaviour::ViewToTwentieths(CScoreItem& item, int v) const {
    int t = item.ScaleFromView(v * 20);
    // Each step moves the view value by at most one; the bound only guards a class whose
    // scaling does not grow with its argument.
    for (int i = 0; i < 1 << 16 && item.TwentiethsToView(t) < v; ++i) ++t;
    for (int i = 0; i < 1 << 16 && item.TwentiethsToView(t) > v; ++i) --t;
    return t;
}

void ScoreItemBehaviour::DrawFrame(CScoreItem& item, int left, int top, int right, int bottom,
                                   std::uint8_t* style) const {
    const int dx = item.TwentiethsToView(rec::Get<std::int16_t>(style, 6));
    const int dy = item.TwentiethsToView(rec::Get<std::int16_t>(style, 8));
    if (rec::Get<std::int16_t>(style, 10) < 10) rec::Put<std::int16_t>(style, 10, 10);
    CArtist* artist = g_draw.artist;
    if (!artist) return;
    const RECT r{left - dx, top - dy, right + dx, bottom + dy};
    artist->SetPenWidth(item.ScaleToView(rec::Get<std::int16_t>(style, 10)));
    artist->FrameRect(r);
    artist->SetPenWidth(20);
}

// --- the view -----------------------------------------------------------------------------------


bool CScoreItem::IsNoteFamily() const {
    switch (TypeCode()) {
        case 16: case 21: case 24: case 27: case 30: case 31: case 112: case 128: case 144:
            return true;
        default:
            return false;
    }
}

bool CScoreItem::IsPlainKeySig() const {
    // The key signature's flag byte (at 26 - 7 = 19): a value above 63 marks a key shown only
    // as a warning at the bar's end.
    return IsKeySig() && CBaseItem::Size() > 19 && rec::Get<std::uint8_t>(this, 19) <= 63;
}

void DrawItemGreyed(CScoreItem& item, bool grey) {
    CArtist* a = g_draw.artist;
    if (!grey || !a) {
        item.Draw();
        return;
    }
    fw::ScopedGlobal<bool> keepGrey(g_model.secondColorDrawing);
    g_model.secondColorDrawing = true;
    a->SetRoleColor(8);
    item.Draw();
    a->SetColor(0);
}
