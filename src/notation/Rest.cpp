#include "notation/Rest.h"

#include "model/BitOrder.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/TrkBar.h"
#include "notation/NoteStandIns.h"
#include "platform/ChunkStream.h"

namespace {

const RestBehaviour kRest;
constexpr BitLayout kRestFlagsLayout = kLayout_1_1_1_1_1_3;

CRest& Rest(CScoreItem& item) { return static_cast<CRest&>(item); }

CRawHead* SetRestFlag(CRawHead& item, std::uint8_t bit, int on) {
    auto& r = static_cast<CRest&>(item);
    r.SetRestFlags((on & 1) ? std::uint8_t(r.RestFlags() | bit) : std::uint8_t(r.RestFlags() & ~bit));
    return &item;
}

bool HasRestFlag(CRawHead& item, std::uint8_t bit) { return (static_cast<CRest&>(item).RestFlags() & bit) != 0; }

}  // namespace

const RestBehaviour& RestBehaviour::Instance() { return kRest; }

CRest* CRest::Construct(void* record) {
    CBarItem::Construct(record);
    return static_cast<CRest*>(ConstructClass(kType, record));
}

void RestBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    RawHeadBehaviour::WriteBody(item, stream);
    auto& r = Rest(item);
    stream.WriteByte(std::uint8_t(r.StaffPosField()));
    stream.WriteByte(MirrorFields(r.RestFlags(), kRestFlagsLayout));
    r.WriteMarks(stream);
}

void RestBehaviour::FromFileOrder(CScoreItem& item) const {
    RawHeadBehaviour::FromFileOrder(item);
    auto& r = Rest(item);
    if (item.RecordSizeField() < CRest::kSize) return;
    MirrorFieldsFromFile(r.Bytes() + CRest::kRestFlags, kRestFlagsLayout);
    if (r.MarkCount() != 0) r.MarksFromFileOrder();
}

void RestBehaviour::MarkRemoved(CBarItem& item) const {
    auto& r = static_cast<CRest&>(item);
    if (r.IsBeamed()) {
        CTrkBar* trkBar = g_model.currentTrkBar;
        if (CBarItem* beam = trkBar ? trkBar->FindBeamOfNote(&r) : nullptr) {
            beam->SetFlagsA(std::uint8_t(beam->FlagsA() | CBarItem::kRelayoutBit));
            beam->Invalidate();
        }
    }
    RawHeadBehaviour::MarkRemoved(item);
}

std::int16_t RestBehaviour::GetStaffPos(CBarItem& item, int) const { return Rest(item).StaffPosField(); }

std::int16_t RestBehaviour::GetStartStaffOffset(CBarItem& item) const { return std::int16_t(Rest(item).StaffOffsetField()); }

void RestBehaviour::SetStartStaffOffset(CBarItem& item, int staves) const { Rest(item).SetStartStaffOffset(staves); }

bool RestBehaviour::ReachesOtherStaff(CBarItem& item) const { return Rest(item).StaffOffsetField() != 0; }

CRawHead* RestBehaviour::SetSlurEnd(CRawHead& item, int on) const { return SetRestFlag(item, CRest::kSlurEnd, on); }
CRawHead* RestBehaviour::SetSlurStart(CRawHead& item, int on) const { return SetRestFlag(item, CRest::kSlurStart, on); }
CRawHead* RestBehaviour::SetLineEnd(CRawHead& item, int on) const { return SetRestFlag(item, CRest::kLineEnd, on); }
CRawHead* RestBehaviour::SetLineStart(CRawHead& item, int on) const { return SetRestFlag(item, CRest::kLineStart, on); }
bool RestBehaviour::HasSlurEnd(CRawHead& item) const { return HasRestFlag(item, CRest::kSlurEnd); }
bool RestBehaviour::HasSlurStart(CRawHead& item) const { return HasRestFlag(item, CRest::kSlurStart); }
bool RestBehaviour::HasLineEnd(CRawHead& item) const { return HasRestFlag(item, CRest::kLineEnd); }
bool RestBehaviour::HasLineStart(CRawHead& item) const { return HasRestFlag(item, CRest::kLineStart); }
