// Helpers of the bar-of-a-track tests: a bar record of the test's own, item records built by
// hand, stored BDAT chunks built byte by byte, and test classes bound to spare type codes.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "RecordTestSupport.h"
#include "model/BarItem.h"
#include "model/ItemClass.h"
#include "model/ItemFactory.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "platform/ChunkStream.h"

namespace trkbartest {

using recordtest::Bytes;

// A bar of a track in a 44-byte buffer of the test's own, initialised as an empty bar.
struct Bar {
    explicit Bar(int track = 0, int index = 0) {
        bar = CTrkBar::Construct(bytes);
        EXPECT_TRUE(bar->Init(track, index));
    }
    ~Bar() { bar->Release(true); }
    Bar(const Bar&) = delete;
    Bar& operator=(const Bar&) = delete;
    CTrkBar* operator->() { return bar; }

    alignas(8) std::uint8_t bytes[CTrkBar::kSize] = {};
    CTrkBar* bar = nullptr;
};

// A bar item in memory: revived as the class of its code, with the head fields set and the
// body bytes from 16 on filled with `fill`.
inline Bytes Item(int type, int size, int time, int voice = 0, std::uint8_t fill = 0) {
    Bytes r(std::size_t(size), fill);
    std::memset(r.data(), 0, std::size_t(std::min(size, 16)));
    rec::Put<std::int16_t>(r.data(), rec::kSize, std::int16_t(size));
    ConstructItem(type, r.data());
    rec::Put<std::int16_t>(r.data(), rec::kSize, std::int16_t(size));
    auto* item = ItemCast<CBarItem>(r.data());
    item->SetTimeField(std::int16_t(time));
    item->SetFlagsB(std::uint8_t(voice << CBarItem::kVoiceShift));
    return r;
}

inline CBarItem* View(Bytes& r) { return ItemCast<CBarItem>(r.data()); }

// Appends copies of the records behind the run's last record, in the given order, whatever
// their times.
inline void Append(CTrkBar* bar, std::vector<Bytes> items) {
    for (Bytes& r : items) {
        CBarItem* at = bar->InsertSpace(32767, int(r.size()));
        ASSERT_NE(at, nullptr);
        std::memcpy(at, r.data(), r.size());
    }
}

// The records of the run up to and including its end record, or an empty list when the run
// does not end properly.
inline std::vector<CBarItem*> Records(CTrkBar* bar) {
    std::vector<CBarItem*> out;
    std::uint8_t* base = bar->Block()->Address();
    const std::uint32_t length = bar->GetRunLength();
    for (std::uint32_t at = 0;;) {
        const int size = trkbar::RecordSizeAt(base, at, length);
        if (!size) return {};
        out.push_back(trkbar::ItemAt(base, at));
        if (trkbar::IsEndRecord(base + at)) return out;
        at += std::uint32_t(size);
    }
}

inline std::vector<int> Types(CTrkBar* bar) {
    std::vector<int> out;
    for (CBarItem* r : Records(bar)) out.push_back(r->TypeCode());
    return out;
}

inline std::vector<int> Times(CTrkBar* bar) {
    std::vector<int> out;
    for (CBarItem* r : Records(bar))
        if (r->TypeCode() != 255) out.push_back(r->TimeField());
    return out;
}

// Sum of the record sizes up to and including the end record (0 when the run does not end).
inline std::uint32_t RecordBytes(CTrkBar* bar) {
    std::uint32_t total = 0;
    for (CBarItem* r : Records(bar)) total += std::uint32_t(r->RecordSizeField());
    return total;
}

// --- stored chunks ----------------------------------------------------------------------------

inline void Put16(Bytes& b, int v) {
    b.push_back(std::uint8_t(v >> 8));
    b.push_back(std::uint8_t(v));
}
inline void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, int(v >> 16));
    Put16(b, int(v & 0xFFFF));
}

// A stored bar-item head: the size as in memory, the type, the scale, both flag bytes as they
// stand on file, time, position, colour and time offset.
inline Bytes StoredHead(int size, int type, int fileFlagsA = 0, int fileFlagsB = 0, int time = 0, int position = 0,
                        int color = 0, int timeOffset = 0, int scale = 0) {
    Bytes b;
    Put16(b, size);
    b.push_back(std::uint8_t(type));
    b.push_back(std::uint8_t(scale));
    b.push_back(std::uint8_t(fileFlagsA));
    b.push_back(std::uint8_t(fileFlagsB));
    Put16(b, time);
    Put16(b, position);
    b.push_back(std::uint8_t(color));
    b.push_back(std::uint8_t(timeOffset));
    return b;
}

inline Bytes StoredEnd() { return StoredHead(16, 255); }

// A BDAT chunk: tag, length, count, records.
inline Bytes Chunk(int count, const Bytes& records) {
    Bytes b = {'B', 'D', 'A', 'T'};
    Put32(b, std::uint32_t(records.size() + 2));
    Put16(b, count);
    b.insert(b.end(), records.begin(), records.end());
    return b;
}

inline Bytes WriteBar(CTrkBar* bar) {
    return recordtest::Written([&](CChunkStream& s) { bar->Write(s, 0); });
}

// --- test classes on spare codes --------------------------------------------------------------

// Binds a behaviour to a type code for the test's life and puts the old binding back.
class ScopedClass {
public:
    ScopedClass(int code, const char* name, int size, const ItemBehaviour* behaviour) : code_(code) {
        old_ = ItemClasses().IndexForCode(code);
        ItemClasses().BindCode(code, ItemClasses().Add({name, name, std::int16_t(code), std::int16_t(size), behaviour}));
    }
    ~ScopedClass() { ItemClasses().BindCode(code_, old_); }
    ScopedClass(const ScopedClass&) = delete;
    ScopedClass& operator=(const ScopedClass&) = delete;

private:
    int code_;
    std::uint32_t old_;
};

// A mark whose 16-bit word at 16 is stored big-endian by its own writer; the bytes after it
// are left to the bar's writer (raw).
class TestMarkBehaviour : public BarItemBehaviour {
public:
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override {
        if (item.RecordSizeField() >= 18) stream.WriteWord(rec::Get<std::int16_t>(&item, 16));
    }
    void FromFileOrder(CScoreItem& item) const override {
        if (item.RecordSizeField() < 18) return;
        std::uint8_t* p = item.Bytes() + 16;
        std::swap(p[0], p[1]);
    }
};

// An item that asks for `wanted` bytes, whatever it holds.
class TestWantedBehaviour : public BarItemBehaviour {
public:
    explicit TestWantedBehaviour(int wanted) : wanted_(wanted) {}
    int GetWantedSize(CScoreItem& item) const override { return wanted_ ? wanted_ : item.RecordSizeField(); }
    int wanted_;
};

// A tuplet whose end position is its word at 24.
class TestTupletBehaviour : public BarItemBehaviour {
public:
    int GetEndPosition(CBarItem& item) const override { return rec::Get<std::int16_t>(&item, 24); }
};

// An item whose staff position (slot 91) is its signed byte at 20.
class TestStaffPosBehaviour : public BarItemBehaviour {
public:
    std::int16_t GetStaffPos(CBarItem& item, int head) const override { return rec::Get<std::int8_t>(&item, 20); }
};

}  // namespace trkbartest
