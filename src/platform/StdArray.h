// The program's own array: elements back to back in one relocatable memory block that the
// array keeps locked for its whole life. Element addresses stay valid until the next operation
// that resizes the block (Add, RemoveAll, Remove, InsertEmpty, InsertAt, RemoveAt, InsertSized,
// SetByteSize, SetSize, ReadRawBody, CopyTo onto this array, Read).
//
// Every operation is a virtual function, so subclasses can change the element size rule, the
// stored form of one element or the object's size and keep the rest.
//
// Stored forms:
//   chunk form (Write/Read): a tagged chunk: tag, 32-bit length, 16-bit element count, then the
//     elements as WriteElement gives them (here elemSize raw bytes each). The element size is
//     not stored: the reader sets it first.
//   raw form (SaveRaw/LoadRaw, older files): 32-bit word (the caller's; skipped when read),
//     16-bit element size, 16-bit count, 32-bit byte size, then the element bytes. Its numbers
//     are little-endian.
#pragma once
#include <cstdint>
#include <typeinfo>

#include "framework/Types.h"

class CChunkStream;
class CFile;

class CVirtualClass {
public:
    virtual ~CVirtualClass() = default;
    virtual void Reserved() {}
    virtual void* Add(const void* element) { return nullptr; }
};

class CStdArray : public CVirtualClass {
public:
    using ElementFn = void (*)(void* element);
    using ElementArgFn = void (*)(void* element, void* arg);
    using ElementTest = bool (*)(void* element);
    using ElementArgTest = bool (*)(void* element, void* arg);

    static constexpr int kMaxCount = 32767;

    CStdArray();
    ~CStdArray() override;
    // A copy holds its own block with a copy of the elements; out of memory throws
    // CMemoryException (Clone and CopyTo turn that into null and false).
    CStdArray(const CStdArray& other);
    CStdArray& operator=(const CStdArray& other);

    // Appends a copy of an element; its address, null when memory ran out.
    void* Add(const void* element) override;
    virtual void RemoveAll();
    // Removes the element at an address inside the array.
    virtual void Remove(void* element);
    // Opens a zeroed element at index (0 to count); null when the block cannot grow, the index
    // is out of range or the array is full.
    virtual void* InsertEmpty(int index);
    virtual void* InsertAt(int index, const void* element);
    virtual void RemoveAt(int index);
    // Opens a zeroed element before the element at an address (or at the end address).
    virtual void* InsertSized(void* before);
    // Element n for n from 0 to count (count gives the end); null for any other n.
    virtual void* GetAt(int n);
    virtual void CopyOut(int n, void* buffer);
    virtual int GetCount();
    virtual void SetCount(int n);
    virtual std::uint32_t GetByteSize();
    virtual int GetElementSize();
    virtual void SetElemSize(int size);
    virtual void* GetData();
    // Makes the block n bytes (a size of 0 leaves the block as it is); byteSize is unchanged.
    virtual bool SetByteSize(std::uint32_t n);
    // Element index becomes a copy of element.
    virtual bool Replace(int index, const void* element);
    virtual bool SetSize(int n);
    virtual int ElemSize(const void* element);
    virtual void LoadRaw(CFile& file);
    virtual void ReadRawHead(CFile& file);
    virtual void ReadRawBody(CFile& file);
    virtual void SaveRaw(CFile& file, std::uint32_t word);
    virtual void WriteRawHead(CFile& file, std::uint32_t word);
    virtual void WriteRawBody(CFile& file);
    // Makes other an equal copy of this array (fields and elements); false when memory ran out,
    // leaving other as it was.
    virtual bool CopyTo(CStdArray* other);
    // A new array of the same class with its own copy of the elements; null on failure.
    virtual CStdArray* Clone();
    virtual void ForEach(ElementFn fn);
    virtual void ForEachArg(ElementArgFn fn, void* arg);
    virtual void* FirstThat(ElementTest test);
    virtual void* FirstThatArg(ElementArgTest test, void* arg);
    virtual std::uint32_t ObjectSize();
    virtual void Read(CChunkStream& stream, std::uint32_t tag);
    virtual void ReadElement(CChunkStream& stream, int n);
    virtual void Write(CChunkStream& stream, std::uint32_t tag);
    virtual void WriteElement(CChunkStream& stream, int n);

    HGLOBAL GetHandle() const { return block; }

protected:
    // Clone's and CopyTo's access to the dynamic class; StdArrayClass supplies them.
    virtual CStdArray* NewObjectCopy() const { return new CStdArray(*this); }
    virtual void AssignObject(const CStdArray& from) { *this = from; }

    HGLOBAL block = 0;
    std::int16_t elemSize = 0;
    std::int16_t count = 0;
    std::uint32_t byteSize = 0;

private:
    void* InsertCopy(int index, const void* element);
    std::uint8_t* data = nullptr;  // the locked block's address
};

// The base of an array class: gives Clone and CopyTo the whole object of class Derived.
//   class CSelect : public StdArrayClass<CSelect> { ... };
template <class Derived, class Base = CStdArray>
class StdArrayClass : public Base {
public:
    using Base::Base;
    std::uint32_t ObjectSize() override { return sizeof(Derived); }

protected:
    // A new object made a copy through CopyTo, so classes whose elements own blocks copy them.
    CStdArray* NewObjectCopy() const override {
        auto* copy = new Derived();
        if (!const_cast<StdArrayClass*>(this)->CopyTo(copy)) {
            delete copy;
            return nullptr;
        }
        return copy;
    }
    void AssignObject(const CStdArray& from) override {
        if (typeid(from) == typeid(Derived))
            static_cast<Derived&>(*this) = static_cast<const Derived&>(from);
        else
            CStdArray::operator=(from);
    }
};

// The device list of a score: 138-byte elements (port id word at 0, used mark, the device name
// in a 128-byte field at byte 10). Stored per element: the port id word and the name as a
// stored string; files before 0x410 (and 0x410 with a minor version below 2) hold the name as
// raw bytes, 32 before 0x400, else 128.
class CDeviceArray : public StdArrayClass<CDeviceArray> {
public:
    static constexpr int kElementSize = 138;
    static constexpr int kNameOffset = 10;
    static constexpr int kNameSize = 128;
    CDeviceArray() { SetElemSize(kElementSize); }
    void ReadElement(CChunkStream& stream, int n) override;
    void WriteElement(CChunkStream& stream, int n) override;
};

// The patch list of a score: 140-byte elements (patch word at 0, a word at 2, the name in a
// 64-byte field at 4, the data length at 68 and up to 64 data bytes at 70, the port id at 134,
// channel and used mark at 136). Stored per element: the words at 0 and 2, the word at 134,
// the 2 bytes at 136, the name as a stored string, the data length, the data bytes and a 0 pad
// when the length is odd.
class CPatchArray : public StdArrayClass<CPatchArray> {
public:
    static constexpr int kElementSize = 140;
    static constexpr int kNameOffset = 4;
    static constexpr int kNameSize = 64;
    static constexpr int kDataLengthOffset = 68;
    static constexpr int kDataOffset = 70;
    static constexpr int kDataSize = 64;
    static constexpr int kPortOffset = 134;
    static constexpr int kChannelOffset = 136;
    CPatchArray() { SetElemSize(kElementSize); }
    void ReadElement(CChunkStream& stream, int n) override;
    void WriteElement(CChunkStream& stream, int n) override;
};
