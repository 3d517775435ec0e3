#include "model/ArrayItem.h"

#include <cstring>

#include "model/ItemFactory.h"

const ArrayItemBehaviour& ArrayItemBehaviour::Instance() {
    static const ArrayItemBehaviour behaviour;
    return behaviour;
}

bool ArrayItemBehaviour::CopyTo(CScoreItem& item, CScoreItem* target) const {
    if (!target || target == &item) return true;
    auto* to = static_cast<CArrayItem*>(target);
    const std::uint16_t index = to->GetIndex();
    const bool last = to->IsLast();
    const std::int16_t size = item.RecordSizeField();
    if (size > 0) std::memmove(target, &item, std::size_t(size));
    to->SetIndex(index);
    to->SetLastFlag(last);
    return true;
}

CArrayItem* CArrayItem::Construct(void* record) {
    auto* item = ItemCast<CArrayItem>(record);
    item->SetClassIndex(ArrayItemClassIndex());
    item->CBaseItem::SetType(0);
    item->CBaseItem::SetSize(kSize);
    return item;
}
