#include "model/ItemFactory.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>

#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/Globals.h"
#include "model/ArrayItem.h"
#include "model/BarItem.h"
#include "model/Data.h"
#include "model/ModelGlobals.h"
#include "model/ScoreItem.h"
#include "model/Bar.h"
#include "model/BarNumber.h"
#include "model/Clef.h"
#include "model/KeySig.h"
#include "model/Ottava.h"
#include "model/Page.h"
#include "model/System.h"
#include "model/Lyric.h"
#include "model/Symbol.h"
#include "model/Tempo.h"
#include "model/Text.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "platform/ChunkStream.h"
#include "platform/Handles.h"

namespace {

// The type table: every code with a class, its class, record size and type name.
constexpr ItemTypeEntry kTypes[] = {
    {0, "CPage", 68, "CPage"},
    {1, "CLine", 88, "System"},
    {2, "CStaff", 126, "CStaff"},
    {3, "CTrack", 2872, "CTrack"},
    {4, "CTrkBar", 44, "CTrkBar"},
    {8, "CBar", 162, "Bar"},
    {9, "CBeatChart", 26, "Beatchart"},
    {10, "CBarNumber", 50, "Bar Number"},
    {12, "CPageText", 50, "Page Text"},
    {13, "CLyricLine", 50, "CBarItem"},
    {14, "CSuffix", 62, "CSuffix"},
    {16, "CBeam", 46, "Beam"},
    {17, "CChord", 32, "Chord"},
    {18, "CClef", 20, "Clef"},
    {19, "CCresc", 94, "Crescendo"},
    {20, "CDynamic", 24, "Dynamic"},
    {21, "CGlissando", 86, "Glissando"},
    {22, "CSymbol", 62, "Symbol"},
    {23, "CKeySig", 26, "Key Signature"},
    {24, "CLyric", 36, "Lyric"},
    {25, "COttava", 28, "Ottava"},
    {26, "CPict", 22, "Picture"},
    {27, "CSlur", 82, "Slur"},
    {28, "CTempo", 106, "Tempo"},
    {29, "CText", 50, "Text"},
    {30, "CTie", 36, "Tie"},
    {31, "CTuplet", 44, "Tuplet"},
    {33, "CBend", 76, "Bend"},
    {34, "CBarre", 78, "Barre"},
    {35, "CPedal", 76, "Pedal"},
    {36, "CGroup", 76, "Group"},
    {37, "CExpression", 42, "Expression"},
    {38, "CHarpPed", 30, "Harp Pedal"},
    {39, "CMultiRest", 22, "CBarItem"},
    {40, "CGuitarFrame", 104, "Guitar Frame"},
    {48, "CJumper", 26, "Jumper"},
    {49, "CTextJumper", 82, "Text Jumper"},
    {50, "CEnding", 78, "Ending"},
    {64, "CGraphic", 72, "Graphic"},
    {65, "CGrRect", 72, "Graphic Rect"},
    {66, "CGrRndRect", 74, "Graphic Round Rect"},
    {67, "CGrOval", 72, "Graphic Oval"},
    {68, "CGrLine", 72, "Graphic Line"},
    {69, "CGrCurve", 80, "Graphic Curve"},
    {70, "CGrWedge", 72, "Graphic Wedge"},
    {112, "CRawNote", 40, "Raw"},
    {128, "CRest", 22, "Rest"},
    {144, "CNote", 40, "Note"},
    {170, "CData", 16, "After Touch"},
    {171, "CData", 16, "Controller"},
    {172, "CData", 16, "Patch Change"},
    {173, "CData", 16, "Channel Pressure"},
    {174, "CData", 16, "Pitch Bend"},
    {175, "CData", 16, "CBarItem"},
    {255, "CBarItem", 16, "CBarItem"},
};

// A record revived from a code without a class.
constexpr ItemTypeEntry kBareType = {-1, "CScoreItem", 8, "CBarItem"};

// The behaviour of each class. Classes whose own operations are not written yet take the
// behaviour of their nearest base.
const ItemBehaviour* BehaviourForCode(int code) {
    switch (code) {
        case 0:
            return &PageBehaviour::Instance();
        case 3:   // CTrack
            return &ArrayItemBehaviour::Instance();
        case 1:
            return &LineBehaviour::Instance();
        case 2:
            return &StaffBehaviour::Instance();
        case 4:
            return &TrkBarBehaviour::Instance();
        case 8:
            return &BarBehaviour::Instance();
        case 10:
            return &BarNumberBehaviour::Instance();
        case 18:
            return &ClefBehaviour::Instance();
        case 23:
            return &KeySigBehaviour::Instance();
        case 25:
            return &OttavaBehaviour::Instance();
        case 28:
            return &TempoBehaviour::Instance();
        case 12:
            return &PageTextBehaviour::Instance();
        case 13:
            return &LyricLineBehaviour::Instance();
        case 22:
            return &SymbolBehaviour::Instance();
        case 24:
            return &LyricBehaviour::Instance();
        case 29:
            return &TextBehaviour::Instance();
        case 14:  // CSuffix
            return &BareScoreItemBehaviour();
        case 170:
        case 171:
        case 172:
        case 173:
        case 174:
        case 175:
            return &DataBehaviour::Instance();
        default:
            return &BarItemBehaviour::Bare();
    }
}

struct Classes {
    ItemClassTable table;
    std::uint32_t bareIndex = 0;
    std::uint32_t arrayItemIndex = 0;

    Classes() {
        bareIndex = table.Add({kBareType.className, kBareType.typeName, kBareType.code, kBareType.recordSize,
                               &BareScoreItemBehaviour()});
        arrayItemIndex = table.Add({"CArrayItem", "CPage", 0, 12, &ArrayItemBehaviour::Instance()});
        for (const ItemTypeEntry& e : kTypes)
            table.BindCode(e.code, table.Add({e.className, e.typeName, e.code, e.recordSize, BehaviourForCode(e.code)}));
    }
};

Classes& classes() {
    static Classes c;
    return c;
}

std::uint16_t GetLE16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
void PutLE16(std::uint8_t* p, std::uint16_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

// The new code of a legacy jumper (11) or graphic (32), from the byte at 14.
int ConvertLegacyCode(int code, const CBaseItem* item) {
    const std::uint8_t b = item->Size() > 14 ? rec::Get<std::uint8_t>(item, 14) : std::uint8_t(0xFF);
    if (code == 11) {
        if (b == 8) return 48;
        if (b == 9 || b == 10) return 50;
        return 49;
    }
    return b <= 4 ? 65 + b : 64;
}

// Counts the stored records up to and including the first of type 255; -1 when the block
// ends (or a record is damaged) before it.
int CountToEndRecord(const std::uint8_t* stored, std::uint32_t length) {
    int n = 0;
    for (std::uint32_t at = 0; at + kStoredHeadSize <= length;) {
        const int size = std::int16_t(GetLE16(stored + at));
        if (size < kStoredHeadSize || std::uint32_t(size) > length - at) return -1;
        ++n;
        if (stored[at + 2] == 255) return n;
        at += std::uint32_t(size);
    }
    return -1;
}

// The least room a revived record needs beyond its stored bytes: its slot, and two bytes that the
// after-load step of the oldest format opens in bar items. The step may grow a record further
// (a beam's newer fields, note marks to their class size); it runs in a scratch record, and
// what it gives must then fit in what the destination has left.
constexpr std::uint32_t kRevivedGrowth = rec::kSlotBytes + 2;

// The largest record there is (its size is a signed 16-bit field).
constexpr std::uint32_t kLargestRecord = 0x7FFF;

// Where a stored record is revived and fixed up before it goes to its destination: room for the
// largest record, so that the fix-up never falls short for want of room.
class ReviveScratch {
public:
    ReviveScratch() {
        bytes = static_cast<std::uint8_t*>(buffer.Resize(kLargestRecord, false));
        if (!bytes) ThrowOutOfMemory();
    }
    ~ReviveScratch() { buffer.Free(); }
    ReviveScratch(const ReviveScratch&) = delete;
    ReviveScratch& operator=(const ReviveScratch&) = delete;

    // Revives the stored record of `size` bytes, runs its after-load step with the packed-block
    // version and copies the result to `dest`, which has `left` bytes. Null, with dest untouched,
    // when the record cannot be taken whole: too large with its slot and colour bytes, or grown
    // by its fix-up past what dest holds.
    CScoreItem* Revive(const std::uint8_t* stored, int size, std::uint8_t* dest, std::uint32_t left) {
        if (std::uint32_t(size) + kRevivedGrowth > kLargestRecord) return nullptr;
        if (std::uint32_t(size) + kRevivedGrowth > left) return nullptr;
        std::memcpy(bytes + rec::kSlotBytes, stored, std::uint32_t(size));
        rec::Put<std::int16_t>(bytes, rec::kSize, std::int16_t(size));
        CScoreItem* item = ConstructItem(stored[2], bytes);
        item->CBaseItem::SetSize(std::int16_t(size + rec::kSlotBytes));
        {
            fw::ScopedGlobal<std::int32_t> room(g_model.recordRoom, std::int32_t(kLargestRecord));
            item->AfterLoad(kPackedBlockVersion);
        }
        // As a record read from a chunk: the larger of its class's size and the size it asks
        // for, so a record reads back the same from either form.
        const int wanted = std::max(GetItemRecordSize(item), item->GetWantedSize());
        if (wanted >= kRecordHeadSize && std::uint32_t(wanted) <= kLargestRecord && wanted != item->CBaseItem::Size()) {
            if (wanted > item->CBaseItem::Size())
                std::memset(bytes + item->CBaseItem::Size(), 0, std::uint32_t(wanted - item->CBaseItem::Size()));
            item->CBaseItem::SetSize(std::int16_t(wanted));
        }
        const int grown = item->CBaseItem::Size();
        if (grown < kRecordHeadSize || std::uint32_t(grown) > left) return nullptr;
        std::memcpy(dest, bytes, std::uint32_t(grown));
        return ItemCast<CScoreItem>(dest);
    }

private:
    HandleBuffer buffer;
    std::uint8_t* bytes = nullptr;
};

[[noreturn]] void ThrowDamagedBlock(CChunkStream& stream) {
    CFile* f = stream.GetFile();
    AfxThrowArchiveException(CArchiveException::badIndex, f ? f->GetFilePath().c_str() : nullptr);
}

}  // namespace

ItemClassTable& ItemClassesBuilt() { return classes().table; }

namespace {

// Each code's row in the type table, plus one (0: no row), for a look-up without a search.
struct TypeRows {
    std::uint8_t row[256] = {};
    consteval TypeRows() {
        for (std::size_t i = 0; i < std::size(kTypes); ++i) {
            const int code = kTypes[i].code;
            if (code < 0 || code > 255 || row[code] != 0) throw "every code is a byte and has one row";
            row[code] = std::uint8_t(i + 1);
        }
    }
};
static_assert(std::size(kTypes) < 256);
constexpr TypeRows kTypeRows;

}  // namespace

const ItemTypeEntry* FindItemType(int code) {
    if (code < 0 || code > 255) return nullptr;
    const int row = kTypeRows.row[code];
    return row ? &kTypes[row - 1] : nullptr;
}

const ItemTypeEntry* ItemTypeTable(int* count) {
    if (count) *count = int(std::size(kTypes));
    return kTypes;
}

std::uint32_t ArrayItemClassIndex() { return classes().arrayItemIndex; }

bool IsBareScoreItem(const CBaseItem* item) { return item->ClassIndex() == classes().bareIndex; }

CScoreItem* ConstructItem(int code, void* record) {
    auto* item = ItemCast<CScoreItem>(record);
    const std::int16_t keptSize = item->CBaseItem::Size();
    code = std::int16_t(code);
    int kept = code & 0xFF;
    std::uint32_t index = 0;
    switch (code) {
        case 11:
        case 32:
            kept = ConvertLegacyCode(code, item);
            index = ItemClasses().IndexForCode(kept);
            break;
        default:
            index = (code >= 0 && code < 256) ? ItemClasses().IndexForCode(code) : 0;
            break;
    }
    if (index == 0) {
        index = classes().bareIndex;
        // Only a record long enough to carry the flag byte can be marked.
        if (keptSize > int(rec::kFlagsB))
            rec::Put<std::uint8_t>(item, rec::kFlagsB, rec::Get<std::uint8_t>(item, rec::kFlagsB) | rec::kRemovedBit);
    }
    item->SetClassIndex(index);
    item->CBaseItem::SetType(std::uint8_t(kept));
    item->CBaseItem::SetSize(keptSize);
    return item;
}

CScoreItem* ConstructClass(int code, void* record) {
    const ItemTypeEntry* e = FindItemType(code);
    if (!e) return nullptr;
    auto* item = ItemCast<CScoreItem>(record);
    item->SetClassIndex(ItemClasses().IndexForCode(code));
    item->CBaseItem::SetType(std::uint8_t(code));
    item->CBaseItem::SetSize(e->recordSize);
    return item;
}

int GetItemRecordSizeForCode(int code) {
    const ItemTypeEntry* e = FindItemType(code);
    return e ? e->recordSize : 0;
}

int GetItemRecordSize(CScoreItem* item) {
    const int code = item->TypeCode();
    if (code == 64) {
        switch (item->GetKind()) {
            case 1: return 74;
            case 4: return 80;
            default: return 72;
        }
    }
    return GetItemRecordSizeForCode(code);
}

const char* GetItemTypeName(const CScoreItem* item) {
    const int code = item->TypeCode();
    if (code == 19 && item->CBaseItem::Size() > 16 && (rec::Get<std::uint8_t>(item, 16) & 0x03) != 0)
        return "Decrescendo";
    const ItemTypeEntry* e = FindItemType(code);
    return e ? e->typeName : kBareType.typeName;
}

std::int32_t UnpackItems(const void* stored, std::uint32_t storedLength, void* dest, std::uint32_t destRoom,
                         int count, int* revived) {
    const auto* src = static_cast<const std::uint8_t*>(stored);
    auto* out = static_cast<std::uint8_t*>(dest);
    if (revived) *revived = 0;
    if (count < 0) {
        count = CountToEndRecord(src, storedLength);
        // A run without its end record: revive what is whole and let the caller see the shortfall.
        if (count < 0) count = std::numeric_limits<int>::max();
    }
    std::int32_t total = 0;
    std::uint32_t at = 0;
    ReviveScratch scratch;
    for (int i = 0; i < count; ++i) {
        if (at + kStoredHeadSize > storedLength) break;
        const int size = std::int16_t(GetLE16(src + at));
        if (size < kStoredHeadSize || std::uint32_t(size) > storedLength - at) break;
        const std::uint32_t left = destRoom - std::min(destRoom, std::uint32_t(total));
        CScoreItem* item = scratch.Revive(src + at, size, out + total, left);
        if (!item) break;
        total += item->CBaseItem::Size();
        at += std::uint32_t(size);
        if (revived) ++*revived;
    }
    return total;
}

std::int32_t PackItems(const void* live, std::uint32_t liveLength, void* dest, int count) {
    const auto* src = static_cast<const std::uint8_t*>(live);
    auto* out = static_cast<std::uint8_t*>(dest);
    std::int32_t total = 0;
    std::uint32_t at = 0;
    for (int i = 0; count < 0 || i < count; ++i) {
        if (at + kRecordHeadSize > liveLength) break;
        const int size = rec::Get<std::int16_t>(src + at, rec::kSize);
        if (size < kRecordHeadSize || std::uint32_t(size) > liveLength - at) break;
        const int storedSize = size - rec::kSlotBytes;
        std::memcpy(out + total, src + at + rec::kSlotBytes, std::uint32_t(storedSize));
        PutLE16(out + total, std::uint16_t(storedSize));
        total += storedSize;
        const bool end = src[at + rec::kType] == 255;
        at += std::uint32_t(size);
        if (count < 0 && end) break;
    }
    return total;
}

std::int32_t UnpackItemsFromBlock(CChunkStream& stream, HGLOBAL& dest, int count) {
    const std::uint32_t length = stream.ReadLong();
    // The length must lie inside what the stream still holds.
    std::uint64_t available = 0;
    if (stream.InChunk()) {
        available = stream.Unread();
    } else if (CFile* f = stream.GetFile()) {
        const std::uint64_t size = f->GetLength();
        available = size - std::min(size, f->GetPosition());
    }
    if (length > available) ThrowErrorCode(kErrEndOfFileRead);

    HandleBuffer temp;
    std::uint8_t* stored = nullptr;
    if (length > 0) {
        stored = static_cast<std::uint8_t*>(temp.Resize(length, false));
        if (!stored) ThrowOutOfMemory();
    }
    struct Release {
        HandleBuffer& b;
        ~Release() { b.Free(); }
    } release{temp};

    if (length > 0) {
        const std::uint32_t before = stream.InChunk() ? stream.Unread() : 0;
        stream.ReadBytes(stored, length);
        if (stream.InChunk() && before - stream.Unread() != length) ThrowErrorCode(kErrEndOfFileRead);
    }
    if (count < 0) {
        count = CountToEndRecord(stored, length);
        if (count < 0) ThrowDamagedBlock(stream);
    }
    const std::uint64_t room64 = 2ull * (std::uint64_t(length) + std::uint64_t(kRevivedGrowth) * std::uint64_t(count));
    if (room64 > 0x7FFFFFFFull) ThrowDamagedBlock(stream);
    const auto room = std::uint32_t(std::max<std::uint64_t>(room64, 1));
    if (dest == 0) {
        dest = AllocHandle(room);
        if (!dest) ThrowOutOfMemory();
    } else if (ResizeHandle(&dest, room) != 0) {
        ThrowOutOfMemory();
    }
    ReviveScratch scratch;
    auto* out = static_cast<std::uint8_t*>(LockHandle(dest));

    std::int32_t total = 0;
    std::uint32_t at = 0;
    int done = 0;
    for (; done < count; ++done) {
        if (at + kStoredHeadSize > length) break;
        const int size = std::int16_t(GetLE16(stored + at));
        if (size < kStoredHeadSize || std::uint32_t(size) > length - at) break;
        CScoreItem* item = scratch.Revive(stored + at, size, out + total, room - std::uint32_t(total));
        if (!item) break;
        at += std::uint32_t(size);
        // Removed records and records of codes without a class are overwritten by the next.
        const bool dropped =
            IsBareScoreItem(item) || (item->CBaseItem::Size() > int(rec::kFlagsB) && rec::IsRemoved(item));
        if (!dropped) total += item->CBaseItem::Size();
    }
    UnlockHandle(dest);
    if (done < count) ThrowDamagedBlock(stream);
    // A run of dropped records only: keep the block but with nothing in it.
    if (total > 0) ResizeHandle(&dest, std::uint32_t(total));
    return total;
}
