#include "model/Data.h"

#include <cstring>

#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"

const DataBehaviour& DataBehaviour::Instance() {
    static const DataBehaviour behaviour;
    return behaviour;
}

int DataBehaviour::GetValue(CBarItem& item) const {
    const auto& data = static_cast<const CData&>(item);
    switch (item.TypeCode()) {
        case CData::kController:
            return data.GetDataByte2();
        case CData::kPitchBend:
            return data.GetDataByte2() * 128 + (data.GetDataByte1() & 127) - 8192;
        default:
            return data.GetDataByte1();
    }
}

void DataBehaviour::SetValue(CBarItem& item, int value) const {
    auto& data = static_cast<CData&>(item);
    switch (item.TypeCode()) {
        case CData::kPitchBend:
            data.SetDataByte2(((value + 8192) >> 7) & 127);
            data.SetDataByte1(value & 127);
            break;
        case CData::kController:
            data.SetDataByte2(value);
            break;
        default:
            data.SetDataByte1(value);
            break;
    }
}

CData* CData::Construct(void* record) {
    auto* item = ItemCast<CData>(record);
    std::memset(item->Bytes() + rec::kSlotBytes, 0, kSize - rec::kSlotBytes);
    ConstructClass(kKeyAftertouch, item);
    return item;
}

bool CData::MatchesDataView() const {
    const DataViewSettings& view = g_model.dataView;
    if (!view.on) return false;
    switch (view.kind) {
        case 3: return TypeCode() == kController && GetDataByte1() == view.controller;
        case 4: return TypeCode() == kKeyAftertouch;
        case 5: return TypeCode() == kChannelPressure;
        case 6: return TypeCode() == kPitchBend;
        case 7: return TypeCode() == kProgramChange;
        default: return false;
    }
}
