#include "notation/MultiRest.h"

#include <utility>

#include "model/BitOrder.h"
#include "model/ItemFactory.h"
#include "platform/ChunkStream.h"

namespace {

const MultiRestBehaviour kMultiRest;

CMultiRest& Multi(CScoreItem& item) { return static_cast<CMultiRest&>(item); }

}  // namespace

const MultiRestBehaviour& MultiRestBehaviour::Instance() { return kMultiRest; }

CMultiRest* CMultiRest::Construct(void* record) {
    CBarItem::Construct(record);
    return static_cast<CMultiRest*>(ConstructClass(kType, record));
}

void MultiRestBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    auto& m = Multi(item);
    stream.WriteByte(ReverseBits(m.Flags()));
    stream.WriteByte(m.Percent());
    stream.WriteCoord(m.GetHorizontalOffset());
    stream.WriteCoord(m.CountOffset());
    const int size = m.RecordSizeField();
    if (size > CMultiRest::kSize) stream.WriteBytes(m.Bytes() + CMultiRest::kSize, std::uint32_t(size - CMultiRest::kSize));
}

void MultiRestBehaviour::FromFileOrder(CScoreItem& item) const {
    auto& m = Multi(item);
    if (m.RecordSizeField() < CMultiRest::kSize) return;
    m.SetFlags(ReverseBits(m.Flags()));
    for (int at : {int(CMultiRest::kInset), int(CMultiRest::kCountOffset)}) {
        std::uint8_t* p = m.Bytes() + at;
        std::swap(p[0], p[1]);
        rec::Put(p, 0, std::int16_t(rec::Get<std::int16_t>(p, 0) * 5));
    }
}

int MultiRestBehaviour::GetVerticalOffset(CBarItem& item) const { return Multi(item).CountOffset(); }
