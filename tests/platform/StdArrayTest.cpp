#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/Globals.h"
#include "framework/Memory.h"
#include "platform/ChunkStream.h"
#include "platform/Handles.h"
#include "support/Bytes.h"
#include "platform/PlatformGlobals.h"
#include "platform/StdArray.h"

namespace {

using testsupport::Bytes;
using testsupport::Cat;
using testsupport::Text;

std::int32_t At(CStdArray& a, int i) {
    std::int32_t v;
    std::memcpy(&v, a.GetAt(i), 4);
    return v;
}

std::vector<std::int32_t> Values(CStdArray& a) {
    std::vector<std::int32_t> out;
    for (int i = 0; i < a.GetCount(); ++i) out.push_back(At(a, i));
    return out;
}

// An array of 4-byte values.
struct IntArray : StdArrayClass<IntArray> {
    IntArray() { SetElemSize(4); }
    explicit IntArray(std::initializer_list<std::int32_t> values) : IntArray() {
        for (std::int32_t v : values) Add(&v);
    }
};

// A subclass with a field of its own: clones and copies carry it.
struct TaggedArray : StdArrayClass<TaggedArray> {
    TaggedArray() { SetElemSize(4); }
    int extra = 0;
};

struct StdArrayTest : ::testing::Test {
    void SetUp() override { fw::memtest::SetAlwaysMove(true); }
    void TearDown() override { fw::memtest::Reset(); }
};

// --- element operations -------------------------------------------------------------------------

TEST_F(StdArrayTest, GetAtAndRemoveAtAtTheEdges) {
    IntArray a{10, 20, 30};
    auto* base = static_cast<std::uint8_t*>(a.GetData());
    EXPECT_EQ(a.GetAt(3), base + 12);  // the end, where the next element would go
    EXPECT_EQ(a.GetAt(4), nullptr);    // beyond the end: nothing, never element 0
    EXPECT_EQ(a.GetAt(-1), nullptr);
    a.RemoveAt(3);
    EXPECT_EQ(Values(a), (std::vector<std::int32_t>{10, 20, 30}));
    a.RemoveAt(0);
    EXPECT_EQ(Values(a), (std::vector<std::int32_t>{20, 30}));
    EXPECT_EQ(a.GetByteSize(), 8u);
}

TEST_F(StdArrayTest, InsertReplaceAndRemoveKeepTheOrder) {
    IntArray a{0, 1, 2, 3, 4};
    const std::int32_t e = 99;
    EXPECT_TRUE(a.Replace(2, &e));
    EXPECT_EQ(Values(a), (std::vector<std::int32_t>{0, 1, 99, 3, 4}));
    const std::int32_t f = -5;
    ASSERT_NE(a.InsertAt(0, &f), nullptr);
    auto* opened = static_cast<std::uint8_t*>(a.InsertEmpty(3));
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(At(a, 3), 0);  // the opened element is zeroed
    a.Remove(a.GetAt(1));
    EXPECT_EQ(Values(a), (std::vector<std::int32_t>{-5, 1, 0, 99, 3, 4}));
    void* room = a.InsertSized(a.GetAt(2));
    ASSERT_EQ(room, a.GetAt(2));
    EXPECT_EQ(Values(a), (std::vector<std::int32_t>{-5, 1, 0, 0, 99, 3, 4}));
    EXPECT_EQ(a.GetByteSize(), 28u);
    std::int32_t out = 0;
    a.CopyOut(4, &out);
    EXPECT_EQ(out, 99);
}

TEST_F(StdArrayTest, RefusesIndexesBeyondTheCountAndAFullArray) {
    IntArray a{1, 2};
    EXPECT_EQ(a.InsertEmpty(3), nullptr);
    EXPECT_EQ(a.InsertEmpty(-1), nullptr);
    EXPECT_EQ(a.GetCount(), 2);
    a.SetSize(CStdArray::kMaxCount);
    a.SetCount(CStdArray::kMaxCount);
    const std::int32_t v = 7;
    EXPECT_EQ(a.Add(&v), nullptr);
    EXPECT_EQ(a.GetCount(), CStdArray::kMaxCount);
}

TEST_F(StdArrayTest, AddingAnElementOfTheSameArrayCopiesItBeforeTheBlockMoves) {
    IntArray a{5, 6, 7};
    ASSERT_NE(a.Add(a.GetAt(1)), nullptr);
    ASSERT_NE(a.InsertAt(0, a.GetAt(3)), nullptr);
    EXPECT_EQ(Values(a), (std::vector<std::int32_t>{6, 5, 6, 7, 6}));
}

TEST_F(StdArrayTest, RemoveAllKeepsTheBlockForReuse) {
    IntArray a{1, 2, 3, 4};
    const HGLOBAL h = a.GetHandle();
    a.RemoveAll();
    EXPECT_EQ(a.GetCount(), 0);
    EXPECT_EQ(a.GetByteSize(), 0u);
    EXPECT_EQ(a.GetHandle(), h);
    EXPECT_EQ(GetHandleSize(h), 16u);
    const std::int32_t v = 9;
    a.Add(&v);
    EXPECT_EQ(a.GetHandle(), h);
    EXPECT_EQ(Values(a), (std::vector<std::int32_t>{9}));
}

TEST_F(StdArrayTest, FailedGrowthLeavesTheArrayAsItWas) {
    IntArray a{1, 2, 3};
    fw::memtest::FailAfter(0);
    const std::int32_t v = 4;
    EXPECT_EQ(a.Add(&v), nullptr);
    EXPECT_EQ(a.InsertAt(1, &v), nullptr);
    EXPECT_EQ(a.InsertEmpty(0), nullptr);
    EXPECT_EQ(a.InsertSized(a.GetAt(0)), nullptr);
    EXPECT_FALSE(a.Replace(0, &v));
    EXPECT_FALSE(a.SetSize(10));
    EXPECT_EQ(Values(a), (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_EQ(a.GetByteSize(), 12u);
    // A block that cannot shrink stays larger than the bytes in use.
    a.RemoveAt(0);
    EXPECT_EQ(Values(a), (std::vector<std::int32_t>{2, 3}));
    EXPECT_EQ(a.GetByteSize(), 8u);
    fw::memtest::Reset();
}

// --- copies -------------------------------------------------------------------------------------

TEST_F(StdArrayTest, CloneCopiesTheWholeSubclassIntoAnIndependentBlock) {
    TaggedArray a;
    a.extra = 42;
    for (std::int32_t v : {3, 1, 4}) a.Add(&v);
    std::unique_ptr<CStdArray> c(a.Clone());
    ASSERT_NE(c, nullptr);
    auto* t = dynamic_cast<TaggedArray*>(c.get());
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->extra, 42);
    EXPECT_EQ(c->ObjectSize(), sizeof(TaggedArray));
    EXPECT_NE(c->GetHandle(), a.GetHandle());
    const std::int32_t nine = 9;
    a.Replace(0, &nine);
    EXPECT_EQ(Values(*c), (std::vector<std::int32_t>{3, 1, 4}));
    EXPECT_EQ(c->GetElementSize(), 4);
}

TEST_F(StdArrayTest, CloneAndCopyToReportFailedAllocations) {
    TaggedArray a;
    a.extra = 1;
    for (std::int32_t v : {3, 1, 4}) a.Add(&v);
    const std::size_t live = fw::memtest::LiveBlocks();
    for (int allowed : {0, 1}) {  // the new block, then its growth
        fw::memtest::FailAfter(allowed);
        EXPECT_EQ(a.Clone(), nullptr) << allowed;
        fw::memtest::Reset();
        EXPECT_EQ(fw::memtest::LiveBlocks(), live);
    }

    TaggedArray b;
    b.extra = 7;
    const std::int32_t v = 8;
    b.Add(&v);
    fw::memtest::FailAfter(0);
    EXPECT_FALSE(a.CopyTo(&b));
    fw::memtest::Reset();
    EXPECT_EQ(b.extra, 7);
    EXPECT_EQ(Values(b), (std::vector<std::int32_t>{8}));
    EXPECT_TRUE(a.CopyTo(&b));
    EXPECT_EQ(b.extra, 1);
    EXPECT_EQ(Values(b), (std::vector<std::int32_t>{3, 1, 4}));
}

// --- chunk form ---------------------------------------------------------------------------------

Bytes WriteArray(CStdArray& a, std::uint32_t tag) {
    CMemFile file;
    {
        CChunkStream s;
        s.SetFile(&file);
        a.Write(s, tag);
    }
    return file.Data();
}

void ReadArray(CStdArray& a, const Bytes& bytes, std::uint32_t tag) {
    CMemFile file(bytes);
    CChunkStream s;
    s.SetFile(&file);
    a.Read(s, tag);
}

TEST_F(StdArrayTest, ChunkFormRoundTrips) {
    IntArray a{0x01020304, -1};
    const Bytes bytes = WriteArray(a, MakeChunkTag("PGTX"));
    // The base stores each element's bytes as they lie in memory.
    EXPECT_EQ(bytes, Cat({Text("PGTX"), {0, 0, 0, 10, 0, 2}, {4, 3, 2, 1}, {0xFF, 0xFF, 0xFF, 0xFF}}));
    IntArray b;
    ReadArray(b, bytes, MakeChunkTag("PGTX"));
    EXPECT_EQ(Values(b), Values(a));
    EXPECT_EQ(b.GetByteSize(), 8u);

    IntArray empty;
    EXPECT_EQ(WriteArray(empty, MakeChunkTag("LYRC")), Cat({Text("LYRC"), {0, 0, 0, 2, 0, 0}}));
}

TEST_F(StdArrayTest, ChunkHoldingFewerElementBytesLeavesTheRestZero) {
    IntArray a{-1, -1, -1, -1};  // the block holds old bytes
    ReadArray(a, Cat({Text("TEST"), {0, 0, 0, 8, 0, 3, 1, 0, 0, 0, 2, 0}}), MakeChunkTag("TEST"));
    EXPECT_EQ(Values(a), (std::vector<std::int32_t>{1, 2, 0}));
}

TEST_F(StdArrayTest, DamagedChunksAreRefused) {
    IntArray a{5};
    try {
        ReadArray(a, Cat({Text("TEST"), {0, 0, 0, 2, 0x80, 0x00}}), MakeChunkTag("TEST"));
        FAIL() << "no exception";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::badIndex);
    }
    EXPECT_EQ(Values(a), (std::vector<std::int32_t>{5}));

    CMemFile file(Cat({Text("TEST"), {0, 0, 0, 2, 0x10, 0x00}}));
    CChunkStream s;
    s.SetFile(&file);
    fw::memtest::FailAfter(0);
    EXPECT_THROW(a.Read(s, MakeChunkTag("TEST")), CMemoryException);
    fw::memtest::Reset();
    EXPECT_FALSE(s.InChunk());
    EXPECT_EQ(GetErrorCode(), kErrOutOfMemory);
    EXPECT_EQ(Values(a), (std::vector<std::int32_t>{5}));
}

TEST_F(StdArrayTest, EmptyChunkReadsNoCountFromTheNextChunk) {
    CMemFile file(Cat({Text("ODEV"), {0, 0, 0, 0}, Text("NEXT"), {0, 0, 0, 2, 0, 1}}));
    CChunkStream s;
    s.SetFile(&file);
    IntArray a{1};
    a.Read(s, MakeChunkTag("ODEV"));
    EXPECT_EQ(a.GetCount(), 0);
    EXPECT_EQ(s.ReadTagValue(), MakeChunkTag("NEXT"));
}

// --- raw form -----------------------------------------------------------------------------------

TEST_F(StdArrayTest, RawFormIsLittleEndianAndRoundTrips) {
    IntArray a{0x0A0B0C0D, 2};
    CMemFile file;
    a.SaveRaw(file, 0x41525259);
    EXPECT_EQ(file.Data(), Cat({{0x59, 0x52, 0x52, 0x41, 4, 0, 2, 0, 8, 0, 0, 0},
                                {0x0D, 0x0C, 0x0B, 0x0A, 2, 0, 0, 0}}));
    file.SeekToBegin();
    CStdArray b;  // takes its element size from the head
    b.LoadRaw(file);
    EXPECT_EQ(b.GetElementSize(), 4);
    EXPECT_EQ(Values(b), Values(a));
}

TEST_F(StdArrayTest, DamagedRawHeadsAreRefusedWithoutAllocating) {
    struct Case {
        const char* name;
        Bytes bytes;
        bool archiveError;  // else end of file
    };
    const Bytes word = {0, 0, 0, 0};
    const Case cases[] = {
        {"negative count", Cat({word, {4, 0, 0xFF, 0xFF, 0, 0, 0, 0}}), true},
        {"negative element size", Cat({word, {0xFC, 0xFF, 1, 0, 4, 0, 0, 0}, {1, 2, 3, 4}}), true},
        {"size disagrees with count", Cat({word, {4, 0, 2, 0, 4, 0, 0, 0}, {1, 2, 3, 4}}), true},
        {"size past the file's end", Cat({word, {0xFF, 0x7F, 0xFF, 0x7F, 0x01, 0, 0xFF, 0x3F}, {1, 2}}), false},
        {"head cut short", Cat({word, {4, 0, 1}}), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        IntArray a{7};
        CMemFile file(c.bytes);
        fw::memtest::FailAfter(0);
        try {
            a.LoadRaw(file);
            ADD_FAILURE() << "no exception";
        } catch (const CArchiveException& e) {
            EXPECT_TRUE(c.archiveError);
            EXPECT_EQ(e.m_cause, CArchiveException::badIndex);
        } catch (const CFileException& e) {
            EXPECT_FALSE(c.archiveError);
            EXPECT_EQ(e.m_cause, CFileException::endOfFile);
        }
        fw::memtest::Reset();
        EXPECT_EQ(a.GetCount() * a.GetElementSize(), int(a.GetByteSize()));
    }
}

// --- devices and patches ------------------------------------------------------------------------

TEST_F(StdArrayTest, DeviceNameFormDependsOnTheFileVersion) {
    CDeviceArray devices;
    std::uint8_t e[CDeviceArray::kElementSize] = {};
    e[0] = 0xD1;  // port 2001
    e[1] = 0x07;
    e[2] = 0x55;  // the used mark is not stored
    std::memcpy(e + CDeviceArray::kNameOffset, "Synth", 6);
    devices.Add(&e);
    e[0] = 3;
    e[1] = 0;
    std::memcpy(e + CDeviceArray::kNameOffset, "Port", 5);
    devices.Add(&e);
    const Bytes current = WriteArray(devices, MakeChunkTag("ODEV"));
    EXPECT_EQ(current, Cat({Text("ODEV"), {0, 0, 0, 18, 0, 2}, {0x07, 0xD1, 5}, Text("Synth"), {0, 3, 4},
                            Text("Port"), {0}}));

    auto rawName = [](const char* name, std::size_t size) {
        Bytes b(size, 0);
        std::memcpy(b.data(), name, std::strlen(name));
        return b;
    };
    struct Case {
        std::uint16_t version, minor;
        Bytes body;
    };
    const Case cases[] = {
        {0x410, 2, Bytes(current.begin() + 10, current.end())},
        {0x411, 0, Bytes(current.begin() + 10, current.end())},
        {0x410, 1, Cat({{0x07, 0xD1}, rawName("Synth", 128), {0, 3}, rawName("Port", 128)})},
        {0x400, 9, Cat({{0x07, 0xD1}, rawName("Synth", 128), {0, 3}, rawName("Port", 128)})},
        {0x3FF, 9, Cat({{0x07, 0xD1}, rawName("Synth", 32), {0, 3}, rawName("Port", 32)})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version * 100 + c.minor);
        fw::ScopedGlobal<FileVersion> v(g_platform.fileVersion, FileVersion{c.version, c.minor});
        const auto length = std::uint32_t(2 + c.body.size());
        CDeviceArray back;
        ReadArray(back,
                  Cat({Text("ODEV"), {0, 0, std::uint8_t(length >> 8), std::uint8_t(length), 0, 2}, c.body}),
                  MakeChunkTag("ODEV"));
        ASSERT_EQ(back.GetCount(), 2);
        auto* d0 = static_cast<std::uint8_t*>(back.GetAt(0));
        auto* d1 = static_cast<std::uint8_t*>(back.GetAt(1));
        EXPECT_EQ(d0[0] | (d0[1] << 8), 2001);
        EXPECT_EQ(d0[2], 0);
        EXPECT_STREQ(reinterpret_cast<char*>(d0 + CDeviceArray::kNameOffset), "Synth");
        EXPECT_EQ(d1[0], 3);
        EXPECT_STREQ(reinterpret_cast<char*>(d1 + CDeviceArray::kNameOffset), "Port");
    }
}

TEST_F(StdArrayTest, RawDeviceNameIsAlwaysTerminated) {
    fw::ScopedGlobal<FileVersion> v(g_platform.fileVersion, FileVersion{0x400, 0});
    CDeviceArray back;
    ReadArray(back, Cat({Text("ODEV"), {0, 0, 0, 132, 0, 1, 0, 1}, Bytes(128, 'n')}), MakeChunkTag("ODEV"));
    EXPECT_EQ(std::strlen(static_cast<char*>(back.GetAt(0)) + CDeviceArray::kNameOffset), 127u);
}

TEST_F(StdArrayTest, PatchElementStoredForm) {
    CPatchArray patches;
    std::uint8_t e[CPatchArray::kElementSize] = {};
    e[0] = 0x05;  // patch word 0xFF05
    e[1] = 0xFF;
    e[2] = 0x34;  // second word 0x1234
    e[3] = 0x12;
    std::memcpy(e + CPatchArray::kNameOffset, "Piano", 6);
    e[CPatchArray::kDataLengthOffset] = 3;
    e[CPatchArray::kDataOffset] = 0xF0;
    e[CPatchArray::kDataOffset + 1] = 0x41;
    e[CPatchArray::kDataOffset + 2] = 0xF7;
    e[CPatchArray::kPortOffset] = 0xD0;  // port 2000
    e[CPatchArray::kPortOffset + 1] = 0x07;
    e[CPatchArray::kChannelOffset] = 9;
    e[CPatchArray::kChannelOffset + 1] = 1;
    patches.Add(&e);
    const Bytes bytes = WriteArray(patches, MakeChunkTag("PACH"));
    EXPECT_EQ(bytes, Cat({Text("PACH"), {0, 0, 0, 22, 0, 1}, {0xFF, 0x05, 0x12, 0x34, 0x07, 0xD0, 9, 1},
                          {5}, Text("Piano"), {0, 3, 0xF0, 0x41, 0xF7, 0}}));
    CPatchArray back;
    ReadArray(back, bytes, MakeChunkTag("PACH"));
    ASSERT_EQ(back.GetCount(), 1);
    EXPECT_EQ(std::memcmp(back.GetAt(0), e, sizeof e), 0);

    // A data length beyond the element's data field is damage.
    Bytes damaged = bytes;
    damaged[25] = 0x41;  // data length 65
    CPatchArray refused;
    EXPECT_THROW(ReadArray(refused, damaged, MakeChunkTag("PACH")), CArchiveException);
    EXPECT_EQ(refused.GetCount(), 0);
}

}  // namespace
