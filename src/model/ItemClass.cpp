#include "model/ItemClass.h"

#include <algorithm>

#include "model/ModelGlobals.h"

ItemClassTable::ItemClassTable() { std::fill(std::begin(byCode_), std::end(byCode_), 0u); }

std::uint32_t ItemClassTable::Add(const ItemClassInfo& info) {
    classes_.push_back(info);
    classes_.back().castsKnown = 0;
    classes_.back().barItem = info.behaviour ? info.behaviour->AsBarItem() : nullptr;
    return std::uint32_t(classes_.size());
}

void ItemClassTable::BindCode(int code, std::uint32_t classIndex) {
    if (code >= 0 && code < 256) byCode_[code] = classIndex;
}

bool ItemClassTable::SetBehaviourForCode(int code, const ItemBehaviour* behaviour) {
    const std::uint32_t index = IndexForCode(code);
    if (index == 0 || index > classes_.size() || !behaviour) return false;
    classes_[index - 1].behaviour = behaviour;
    classes_[index - 1].castsKnown = 0;
    classes_[index - 1].barItem = behaviour->AsBarItem();
    return true;
}

RECT* ItemBehaviour::SetCurrentRect(CBaseItem& item, RECT* rect) const {
    if (rect) g_model.currentItemRect = *rect;
    return rect;
}
