#include "platform/Collections.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "framework/CodePage.h"
#include "framework/Globals.h"
#include "framework/StringTable.h"

namespace {

int g_failAfter = -1;  // -1: never fail

bool allowAllocation() {
    if (g_failAfter < 0) return true;
    if (g_failAfter == 0) return false;
    --g_failAfter;
    return true;
}

void* heapRealloc(void* p, std::size_t bytes) {
    if (!allowAllocation()) return nullptr;
    return std::realloc(p, bytes);
}

constexpr std::size_t kCachedStringMax = 255;

}  // namespace

// ---- GrowArray ------------------------------------------------------------------------------

bool GrowArray::Init(std::int32_t size, std::int32_t growth, std::int32_t reserve) {
    Free();
    elemSize = size > 0 ? size : 1;
    step = growth > 0 ? growth : 1;
    bool ok = SetCount(reserve);
    count = 0;
    return ok;
}

bool GrowArray::SetCount(std::int32_t n) {
    if (n < 1) {
        std::free(data);
        data = nullptr;
        capacity = 0;
        count = 0;
        return true;
    }
    long long rounded = (static_cast<long long>(n) + step - 1) / step * step;
    if (rounded > INT32_MAX) return false;
    std::int32_t newCapacity = std::int32_t(rounded);
    if (newCapacity != capacity) {
        void* p = heapRealloc(data, ByteSize(newCapacity));
        if (!p) return false;
        if (newCapacity > capacity)
            std::memset(static_cast<std::uint8_t*>(p) + ByteSize(capacity), 0, ByteSize(newCapacity - capacity));
        data = p;
        capacity = newCapacity;
    }
    count = n;
    return true;
}

bool GrowArray::InsertRoom(std::int32_t index, std::int32_t n) {
    if (index < 0 || index > count || n < 0) return false;
    if (n == 0) return true;
    if (static_cast<long long>(count) + n > INT32_MAX) return false;
    std::int32_t tail = count - index;
    if (!SetCount(count + n)) return false;
    std::memmove(At(index + n), At(index), ByteSize(tail));
    std::memset(At(index), 0, ByteSize(n));
    return true;
}

bool GrowArray::RemoveRange(std::int32_t index, std::int32_t n) {
    if (index < 0 || index >= count || n < 0 || static_cast<long long>(index) + n > count) return false;
    std::memmove(At(index), At(index + n), ByteSize(count - index - n));
    std::memset(At(count - n), 0, ByteSize(n));
    count -= n;
    return true;
}

// ---- CPtrToPtrDict --------------------------------------------------------------------------

CPtrToPtrDict::CPtrToPtrDict(std::int32_t step, std::int32_t reserve) {
    m_array.Init(std::int32_t(sizeof(Pair)), step, reserve);
}

std::int32_t CPtrToPtrDict::FindIndex(std::int32_t key) const {
    std::int32_t n = m_array.count;
    if (n == 0) return 0;
    if (key > pair(n - 1).key) return n;
    std::int32_t low = 0, high = n - 1;
    while (low < high) {
        std::int32_t mid = low + (high - low) / 2;
        if (pair(mid).key < key)
            low = mid + 1;
        else
            high = mid;
    }
    while (low < n && pair(low).key < key) ++low;
    return low;
}

bool CPtrToPtrDict::Lookup(std::int32_t key, void** value) const {
    std::int32_t i = FindIndex(key);
    if (i >= m_array.count || pair(i).key != key) return false;
    if (value) *value = pair(i).value;
    return true;
}

bool CPtrToPtrDict::Add(std::int32_t key, void* value) {
    std::int32_t i = FindIndex(key);
    if (i < m_array.count && pair(i).key == key) return false;
    if (!m_array.InsertRoom(i, 1)) return false;
    pair(i) = Pair{key, value};
    return true;
}

bool CPtrToPtrDict::Set(std::int32_t key, void* value) {
    std::int32_t i = FindIndex(key);
    if (i < m_array.count && pair(i).key == key) {
        pair(i).value = value;
        return true;
    }
    if (!m_array.InsertRoom(i, 1)) return false;
    pair(i) = Pair{key, value};
    return true;
}

bool CPtrToPtrDict::Remove(std::int32_t key) {
    std::int32_t i = FindIndex(key);
    if (i >= m_array.count || pair(i).key != key) return false;
    return m_array.RemoveRange(i, 1);
}

void CPtrToPtrDict::RemoveAll() { m_array.SetCount(0); }

// ---- CWPtrArray and CPtrSet -----------------------------------------------------------------

CWPtrArray::CWPtrArray(std::int32_t step, std::int32_t reserve) {
    m_array.Init(std::int32_t(sizeof(void*)), step, reserve);
}

bool CWPtrArray::InsertAt(std::int32_t index, void* pointer) {
    if (index == -1) index = m_array.count;
    if (index < 0 || index > m_array.count) return false;
    if (!m_array.InsertRoom(index, 1)) return false;
    *static_cast<void**>(m_array.At(index)) = pointer;
    return true;
}

bool CWPtrArray::RemoveAt(std::int32_t index) { return m_array.RemoveRange(index, 1); }

void CWPtrArray::RemoveAll() { m_array.SetCount(0); }

std::int32_t CPtrSet::FindIndex(const void* p) const {
    auto value = [this](std::int32_t i) { return reinterpret_cast<std::intptr_t>(GetAt(i)); };
    std::intptr_t key = reinterpret_cast<std::intptr_t>(p);
    std::int32_t n = m_array.count;
    if (n == 0) return 0;
    if (key > value(n - 1)) return n;
    std::int32_t low = 0, high = n - 1;
    while (low < high) {
        std::int32_t mid = low + (high - low) / 2;
        if (value(mid) < key)
            low = mid + 1;
        else
            high = mid;
    }
    while (low < n && value(low) < key) ++low;
    return low;
}

bool CPtrSet::Add(void* p, bool flag) {
    std::int32_t i = FindIndex(p);
    if (i < m_array.count && GetAt(i) == p) return !flag;
    return InsertAt(i, p);
}

// ---- String caches --------------------------------------------------------------------------

CStringDict::~CStringDict() { RemoveAll(); }

void CStringDict::RemoveAll() {
    for (std::int32_t i = 0; i < GetCount(); ++i) std::free(GetValueAt(i));
    CPtrToPtrDict::RemoveAll();
}

const char* CStringDict::Find(UINT id) const {
    void* v = nullptr;
    return Lookup(std::int32_t(id), &v) ? static_cast<const char*>(v) : nullptr;
}

const char* CStringDict::Store(UINT id, const char* text) {
    std::size_t n = std::strlen(text);
    auto* copy = static_cast<char*>(heapRealloc(nullptr, n + 1));
    if (!copy) return nullptr;
    std::memcpy(copy, text, n + 1);
    if (!Add(std::int32_t(id), copy)) {
        std::free(copy);
        return nullptr;
    }
    return copy;
}

CStringDictDict::~CStringDictDict() { RemoveAll(); }

void CStringDictDict::RemoveAll() {
    for (std::int32_t i = 0; i < GetCount(); ++i) delete static_cast<CStringDict*>(GetValueAt(i));
    CPtrToPtrDict::RemoveAll();
}

CStringDict* CStringDictDict::ForModule(std::int32_t module) {
    void* v = nullptr;
    if (Lookup(module, &v)) return static_cast<CStringDict*>(v);
    if (!allowAllocation()) return nullptr;
    auto* dict = new (std::nothrow) CStringDict;
    if (!dict) return nullptr;
    if (!Add(module, dict)) {
        delete dict;
        return nullptr;
    }
    return dict;
}

namespace {

CStringDictDict* g_stringCache = nullptr;

// Frees the cache at the end of the run, and between tests.
void freeStringCache() {
    delete g_stringCache;
    g_stringCache = nullptr;
}

struct CacheOwner {
    ~CacheOwner() { freeStringCache(); }
} g_cacheOwner;

[[maybe_unused]] const bool g_registered = fw::RegisterGlobalsReset(&freeStringCache);

}  // namespace

const char* LoadCachedString(std::int32_t module, UINT id) {
    static const char empty[1] = "";
    if (!g_stringCache) {
        if (!allowAllocation()) return empty;
        g_stringCache = new (std::nothrow) CStringDictDict;
        if (!g_stringCache) return empty;
    }
    CStringDict* dict = g_stringCache->ForModule(module);
    if (!dict) return empty;
    if (const char* kept = dict->Find(id)) return kept;
    std::string text;
    if (!fw::LoadStringResource(id, text) || text.empty()) return empty;
    text.resize(fw::FitBytes(text, kCachedStringMax));
    const char* kept = dict->Store(id, text.c_str());
    return kept ? kept : empty;
}

bool LoadStringPairs(std::int32_t /*module*/, UINT id, char* buffer, std::size_t size) {
    std::string text;
    if (!fw::LoadStringResource(id, text) || text.empty()) return false;
    if (!buffer || text.size() + 1 > size) return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    int parts = 1;
    for (char* p = buffer; *p;) {
        std::size_t n = fw::CharBytes(p);
        if (n == 1 && *p == '^') {
            *p = 0;
            ++parts;
            ++p;
            continue;
        }
        p += n;
    }
    return parts % 2 == 0;
}

namespace collectionstest {
void FailAfter(int allowed) { g_failAfter = allowed; }
void Reset() { g_failAfter = -1; }
}  // namespace collectionstest
