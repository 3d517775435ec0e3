#include "model/PageLinks.h"

#include <unordered_map>
#include <vector>

#include "model/Score.h"

namespace {

constexpr std::uint32_t kSlotBits = 20;
constexpr std::uint32_t kSlotMask = (1u << kSlotBits) - 1;
constexpr std::uint32_t kGenerationMask = 0xFFF;

struct ObjectTable {
    std::vector<CStdArray*> objects{nullptr};      // slot 0 is never used
    std::vector<std::uint16_t> generations{0};
    std::vector<std::uint32_t> free;
    std::unordered_map<CStdArray*, std::uint32_t> ids;
};

ObjectTable& objects() {
    static ObjectTable table;
    return table;
}

std::vector<CScore*>& scores() {
    static std::vector<CScore*> table;
    return table;
}

}  // namespace

namespace reclink {

std::uint32_t ObjectId(CStdArray* object) {
    if (!object) return 0;
    ObjectTable& t = objects();
    if (auto it = t.ids.find(object); it != t.ids.end()) return it->second;
    std::uint32_t slot;
    if (!t.free.empty()) {
        slot = t.free.back();
        t.free.pop_back();
    } else {
        slot = std::uint32_t(t.objects.size());
        if (slot > kSlotMask) return 0;
        t.objects.push_back(nullptr);
        t.generations.push_back(0);
    }
    t.objects[slot] = object;
    const std::uint32_t id = (std::uint32_t(t.generations[slot]) << kSlotBits) | slot;
    t.ids[object] = id;
    return id;
}

CStdArray* ObjectAt(std::uint32_t id) {
    const ObjectTable& t = objects();
    const std::uint32_t slot = id & kSlotMask;
    if (slot == 0 || slot >= t.objects.size()) return nullptr;
    if (t.generations[slot] != ((id >> kSlotBits) & kGenerationMask)) return nullptr;
    return t.objects[slot];
}

void ForgetObject(CStdArray* object) {
    ObjectTable& t = objects();
    auto it = t.ids.find(object);
    if (it == t.ids.end()) return;
    const std::uint32_t slot = it->second & kSlotMask;
    t.ids.erase(it);
    t.objects[slot] = nullptr;
    t.generations[slot] = std::uint16_t((t.generations[slot] + 1) & kGenerationMask);
    t.free.push_back(slot);
}

std::uint32_t ScoreLink(CScore* score, int index) {
    if (!score || index < -1 || index >= 0xFFFF) return 0;
    std::vector<CScore*>& t = scores();
    std::uint32_t slot = 0;
    for (std::size_t i = 0; i < t.size(); ++i)
        if (t[i] == score) slot = std::uint32_t(i + 1);
    if (!slot) {
        if (t.size() >= 0xFFFF) return 0;
        t.push_back(score);
        slot = std::uint32_t(t.size());
    }
    return (slot << 16) | std::uint32_t(index + 1);
}

CScore* LinkedScore(std::uint32_t link) {
    const std::uint32_t slot = link >> 16;
    const std::vector<CScore*>& t = scores();
    return (slot == 0 || slot > t.size()) ? nullptr : t[slot - 1];
}

int LinkedIndex(std::uint32_t link) { return link ? int(link & 0xFFFF) - 1 : -1; }

CPage* LinkedPage(std::uint32_t link) {
    CScore* score = LinkedScore(link);
    const int index = LinkedIndex(link);
    return (score && index >= 0) ? score->GetPage(index) : nullptr;
}

CLine* LinkedLine(std::uint32_t link) {
    CScore* score = LinkedScore(link);
    const int index = LinkedIndex(link);
    return (score && index >= 0) ? score->GetLine(index) : nullptr;
}

CBar* LinkedBar(std::uint32_t link) {
    CScore* score = LinkedScore(link);
    const int index = LinkedIndex(link);
    return (score && index >= 0) ? score->GetBar(index) : nullptr;
}

}  // namespace reclink
