// The class table of score records and the view root every record class derives from.
#pragma once
#include <cstdint>
#include <vector>

#include "framework/Types.h"
#include "model/Record.h"

class BarItemBehaviour;
class CBaseItem;

// The per-class behaviour: a class's virtual operations live here, as virtual functions that
// take the record they act on. Each record base adds its own operations in a derived
// behaviour class; a record class overrides them in its own behaviour object.
class ItemBehaviour {
public:
    virtual ~ItemBehaviour() = default;
    // slot 0: copies the rectangle into the one current-item rectangle and returns it.
    virtual RECT* SetCurrentRect(CBaseItem& item, RECT* rect) const;
    // slot 1: a placeholder of the root; score items set their type code and class size.
    virtual void SetTypeAndSize(CBaseItem& item, int type) const {}
    // The bar-item operations of the class, when the class is a bar item (null otherwise).
    virtual const BarItemBehaviour* AsBarItem() const { return nullptr; }
};

// What the class slot of a record names.
struct ItemClassInfo {
    const char* className = "";     // the C++ view class, for diagnostics
    const char* typeName = "";      // what the record answers when asked its type name
    std::int16_t typeCode = -1;     // the code this class writes into the head
    std::int16_t recordSize = 0;    // the class's fixed size in memory, slot included
    const ItemBehaviour* behaviour = nullptr;
    // What the behaviour answered to the casts that callers ask of it again and again (see
    // BehaviourAs), kept until the class gets another behaviour.
    mutable const void* casts[4] = {};
    mutable std::uint8_t castsKnown = 0;
    // What the behaviour answers to AsBarItem, asked once when the class gets its behaviour.
    const BarItemBehaviour* barItem = nullptr;
};

// The class's behaviour as T (null when it is not one), found once per class and cast kind:
// each kind (0-3) names one T for all callers.
template <class T, int Kind>
const T* BehaviourAs(const ItemClassInfo* info) {
    static_assert(Kind >= 0 && Kind < 4);
    if (!info) return nullptr;
    if (!(info->castsKnown & (1u << Kind))) {
        info->casts[Kind] = dynamic_cast<const T*>(info->behaviour);
        info->castsKnown = std::uint8_t(info->castsKnown | (1u << Kind));
    }
    return static_cast<const T*>(info->casts[Kind]);
}

// Class indices are 1-based; 0 in a record's slot means "not revived".
class ItemClassTable {
public:
    ItemClassTable();
    // Adds a class and returns its index.
    std::uint32_t Add(const ItemClassInfo& info);
    // Type code 0-255 -> class index (0: no class).
    void BindCode(int code, std::uint32_t classIndex);
    std::uint32_t IndexForCode(int code) const { return (code >= 0 && code < 256) ? byCode_[code] : 0u; }
    const ItemClassInfo* ByIndex(std::uint32_t index) const {
        if (index == 0 || index > classes_.size()) return nullptr;
        return &classes_[index - 1];
    }
    std::size_t Size() const { return classes_.size(); }
    // Gives the class bound to a code its real behaviour object (modules that supply a class's
    // operations register them this way at start-up); false when the code has no class.
    bool SetBehaviourForCode(int code, const ItemBehaviour* behaviour);

private:
    std::vector<ItemClassInfo> classes_;
    std::uint32_t byCode_[256];
};

// The root view: the head every record shares.
class CBaseItem {
public:
    std::uint8_t* Bytes() { return reinterpret_cast<std::uint8_t*>(this); }
    const std::uint8_t* Bytes() const { return reinterpret_cast<const std::uint8_t*>(this); }

    std::uint32_t ClassIndex() const { return rec::Get<std::uint32_t>(this, rec::kClassSlot); }
    void SetClassIndex(std::uint32_t index) { rec::Put<std::uint32_t>(this, rec::kClassSlot, index); }
    std::int16_t Size() const { return rec::Get<std::int16_t>(this, rec::kSize); }
    void SetSize(std::int16_t size) { rec::Put<std::int16_t>(this, rec::kSize, size); }
    std::uint8_t Type() const { return rec::Get<std::uint8_t>(this, rec::kType); }
    void SetType(std::uint8_t type) { rec::Put<std::uint8_t>(this, rec::kType, type); }
    std::uint8_t Scale() const { return rec::Get<std::uint8_t>(this, rec::kScale); }
    void SetScale(std::uint8_t scale) { rec::Put<std::uint8_t>(this, rec::kScale, scale); }

    // The record after this one in a run.
    CBaseItem* NextRecord() { return reinterpret_cast<CBaseItem*>(Bytes() + Size()); }

    // The class the slot names in a table (null when the slot names none).
    const ItemClassInfo* ClassIn(const ItemClassTable& table) const { return table.ByIndex(ClassIndex()); }

    // The behaviour object of this record's class, as the behaviour type B of a record base.
    template <typename B>
    const B& BehaviourIn(const ItemClassTable& table) const {
        return static_cast<const B&>(*table.ByIndex(ClassIndex())->behaviour);
    }

    // A view over the record at p.
    static CBaseItem* At(void* p) { return static_cast<CBaseItem*>(p); }
    static const CBaseItem* At(const void* p) { return static_cast<const CBaseItem*>(p); }
};
ZEL_RECORD_VIEW(CBaseItem);

// The program's one class table: every class of the item type table, bound by type code.
ItemClassTable& ItemClassesBuilt();  // builds the table on its first call
inline ItemClassTable& ItemClasses() {
    static ItemClassTable& table = ItemClassesBuilt();
    return table;
}

// Views a record as one of its view classes.
template <typename T>
T* ItemCast(void* record) {
    static_assert(std::is_base_of_v<CBaseItem, T>);
    ZEL_RECORD_VIEW(T);
    return static_cast<T*>(CBaseItem::At(record));
}
