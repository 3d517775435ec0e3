// The pattern every record class follows, shown on two toy classes: a view class over the
// bytes, a behaviour object for its virtual operations, a class table the factory binds by
// type code, and runs that grow by the slot's 4 bytes when revived and shrink when packed.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/ItemClass.h"

namespace {

// --- the toy record base: a head plus one virtual operation --------------------------------

class CToyItem;

class ToyBehaviour : public ItemBehaviour {
public:
    virtual int Area(const CToyItem& item) const { return 0; }
    virtual std::string Describe(const CToyItem& item) const { return "toy"; }
};

ItemClassTable& toyTable() {
    static ItemClassTable table;
    return table;
}

class CToyItem : public CBaseItem {
public:
    // Non-virtual entry points dispatch through the class slot.
    int Area() const { return BehaviourIn<ToyBehaviour>(toyTable()).Area(*this); }
    std::string Describe() const { return BehaviourIn<ToyBehaviour>(toyTable()).Describe(*this); }
};
ZEL_RECORD_VIEW(CToyItem);

// A box: width at 8, height at 10 (16-bit each). Record size 12.
class CToyBox : public CToyItem {
public:
    std::int16_t Width() const { return rec::Get<std::int16_t>(this, 8); }
    std::int16_t Height() const { return rec::Get<std::int16_t>(this, 10); }
    void SetWidth(std::int16_t v) { rec::Put(this, 8, v); }
    void SetHeight(std::int16_t v) { rec::Put(this, 10, v); }
};
ZEL_RECORD_VIEW(CToyBox);

class ToyBoxBehaviour : public ToyBehaviour {
public:
    int Area(const CToyItem& item) const override {
        const auto& box = static_cast<const CToyBox&>(item);
        return box.Width() * box.Height();
    }
    std::string Describe(const CToyItem&) const override { return "box"; }
};

// A label: a length byte at 8 and the text after it, so its records are longer than the
// class's fixed size of 9.
class CToyLabel : public CToyItem {
public:
    std::string Text() const {
        return std::string(reinterpret_cast<const char*>(Bytes()) + 9, rec::Get<std::uint8_t>(this, 8));
    }
};
ZEL_RECORD_VIEW(CToyLabel);

class ToyLabelBehaviour : public ToyBehaviour {
public:
    std::string Describe(const CToyItem& item) const override {
        return "label " + static_cast<const CToyLabel&>(item).Text();
    }
};

const ToyBehaviour kInert;
const ToyBoxBehaviour kBox;
const ToyLabelBehaviour kLabel;
std::uint32_t g_inertIndex = 0;

void buildTable() {
    ItemClassTable& t = toyTable();
    if (t.Size()) return;
    g_inertIndex = t.Add({"CToyItem", "Toy", -1, 8, &kInert});
    t.BindCode(1, t.Add({"CToyBox", "Box", 1, 12, &kBox}));
    t.BindCode(2, t.Add({"CToyLabel", "Label", 2, 9, &kLabel}));
}

// The factory: binds the class for the code, keeps the record's own size and code.
CBaseItem* reviveToy(int code, void* record) {
    CBaseItem* item = CBaseItem::At(record);
    std::int16_t keptSize = item->Size();
    std::uint32_t index = toyTable().IndexForCode(code);
    item->SetClassIndex(index ? index : g_inertIndex);
    item->SetType(std::uint8_t(code));
    item->SetSize(keptSize);
    return item;
}

// Stored records: big-endian size without the slot, then the rest as the class stores it.
std::vector<std::uint8_t> storedBox(int w, int h) {
    return {0, 8, 1, 0, std::uint8_t(w >> 8), std::uint8_t(w), std::uint8_t(h >> 8), std::uint8_t(h)};
}
std::vector<std::uint8_t> storedLabel(const std::string& s) {
    std::vector<std::uint8_t> r = {0, std::uint8_t(5 + s.size()), 2, 0, std::uint8_t(s.size())};
    for (char c : s) r.push_back(std::uint8_t(c));
    return r;
}

// Unpacks stored records into a live run: each record gains the 4-byte slot.
std::vector<std::uint8_t> unpack(const std::vector<std::uint8_t>& stored) {
    std::vector<std::uint8_t> live;
    std::size_t at = 0;
    while (at + 4 <= stored.size()) {
        int size = (stored[at] << 8) | stored[at + 1];
        if (size < 4 || at + std::size_t(size) > stored.size()) break;
        std::size_t dst = live.size();
        live.resize(dst + 4 + std::size_t(size));
        std::memcpy(live.data() + dst + 4, stored.data() + at, std::size_t(size));
        CBaseItem* item = CBaseItem::At(live.data() + dst);
        item->SetSize(std::int16_t(size + 4));  // memory order from here on
        if (item->Type() == 1) {  // the box's fields are stored big-endian
            auto* box = ItemCast<CToyBox>(item);
            box->SetWidth(std::int16_t((stored[at + 4] << 8) | stored[at + 5]));
            box->SetHeight(std::int16_t((stored[at + 6] << 8) | stored[at + 7]));
        }
        reviveToy(item->Type(), item);
        at += std::size_t(size);
    }
    return live;
}

std::vector<std::uint8_t> pack(std::vector<std::uint8_t> live) {
    std::vector<std::uint8_t> stored;
    for (std::size_t at = 0; at < live.size();) {
        CBaseItem* item = CBaseItem::At(live.data() + at);
        int size = item->Size() - rec::kSlotBytes;
        stored.push_back(std::uint8_t(size >> 8));
        stored.push_back(std::uint8_t(size));
        stored.push_back(item->Type());
        stored.push_back(item->Scale());
        if (item->Type() == 1) {
            auto* box = ItemCast<CToyBox>(item);
            for (std::int16_t v : {box->Width(), box->Height()}) {
                stored.push_back(std::uint8_t(std::uint16_t(v) >> 8));
                stored.push_back(std::uint8_t(v));
            }
        } else {
            stored.insert(stored.end(), item->Bytes() + 8, item->Bytes() + item->Size());
        }
        at += std::size_t(item->Size());
    }
    return stored;
}

TEST(RecordPatternTest, RevivedRunDispatchesByClassSlot) {
    buildTable();
    std::vector<std::uint8_t> stored = storedBox(3, 7);
    auto label = storedLabel("hi");
    stored.insert(stored.end(), label.begin(), label.end());
    // One byte of padding shifts the run so that records lie at odd addresses.
    std::vector<std::uint8_t> buffer(1);
    auto live = unpack(stored);
    buffer.insert(buffer.end(), live.begin(), live.end());

    auto* first = ItemCast<CToyItem>(buffer.data() + 1);
    EXPECT_EQ(first->Size(), 12);
    EXPECT_EQ(first->Area(), 21);
    EXPECT_EQ(first->Describe(), "box");
    auto* second = static_cast<CToyItem*>(first->NextRecord());
    EXPECT_EQ(second->Size(), 4 + 7);  // longer than the class's fixed 9 bytes: its size is kept
    EXPECT_EQ(second->Describe(), "label hi");
    EXPECT_EQ(second->Area(), 0);  // the base's default
    EXPECT_EQ(std::string(second->ClassIn(toyTable())->typeName), "Label");
}

TEST(RecordPatternTest, PackRestoresStoredBytesAndSizes) {
    buildTable();
    std::vector<std::uint8_t> stored = storedBox(-2, 300);
    auto label = storedLabel("abc");
    stored.insert(stored.end(), label.begin(), label.end());
    auto live = unpack(stored);
    EXPECT_EQ(live.size(), stored.size() + 2 * 4);  // 4 bytes more per record
    EXPECT_EQ(pack(live), stored);
}

TEST(RecordPatternTest, UnknownCodeBecomesInertRecord) {
    buildTable();
    std::vector<std::uint8_t> stored = {0, 6, 99, 0, 0xAA, 0xBB};
    auto live = unpack(stored);
    auto* item = ItemCast<CToyItem>(live.data());
    EXPECT_EQ(item->Type(), 99);  // its own code is kept
    EXPECT_EQ(item->ClassIndex(), g_inertIndex);
    EXPECT_EQ(item->Describe(), "toy");
    EXPECT_EQ(pack(live), stored);
}

}  // namespace
