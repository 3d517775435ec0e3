#include "model/ItemClass.h"

#include <algorithm>

ItemClassTable::ItemClassTable() { std::fill(std::begin(byCode_), std::end(byCode_), 0u); }

std::uint32_t ItemClassTable::Add(const ItemClassInfo& info) {
    classes_.push_back(info);
    return std::uint32_t(classes_.size());
}

void ItemClassTable::BindCode(int code, std::uint32_t classIndex) {
    if (code >= 0 && code < 256) byCode_[code] = classIndex;
}

std::uint32_t ItemClassTable::IndexForCode(int code) const {
    return (code >= 0 && code < 256) ? byCode_[code] : 0u;
}

const ItemClassInfo* ItemClassTable::ByIndex(std::uint32_t index) const {
    if (index == 0 || index > classes_.size()) return nullptr;
    return &classes_[index - 1];
}
