#include "notation/Beam.h"

#include <algorithm>
#include <cstring>

#include "model/BitOrder.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NoteBase.h"
#include "notation/RawNote.h"
#include "platform/ChunkStream.h"

namespace {

const BeamBehaviour kBeam;

constexpr BitLayout kFlagsLayout = kLayout_1_1_1_1_1_1_1_1;
constexpr BitLayout kOffsetsLayout = kLayout_3_3_1_1;
constexpr BitLayout kSegmentLayout = kLayout_1_1_1_1_1_3;

// Files before this version lack bytes 22-29; from the older one on, the segments of a record
// read from a file are in their stored form until the after-load step.
constexpr int kNewFieldsVersion = 0x400;
constexpr int kStoredSegmentsVersion = 0x300;

CBeam& Beam(CScoreItem& item) { return static_cast<CBeam&>(item); }

void SwapWord(std::uint8_t* p) { std::swap(p[0], p[1]); }

}  // namespace

const BeamBehaviour& BeamBehaviour::Instance() { return kBeam; }

CBeam* CBeam::Construct(void* record) {
    CBarItem::Construct(record);
    return static_cast<CBeam*>(ConstructClass(kType, record));
}

int CBeam::WholeSegments() const {
    const int room = (RecordSizeField() - kSegments) / BeamSegment::kSize;
    return std::clamp(SegmentCount(), 0, std::max(room, 0));
}

void CBeam::ShiftSegments(int delta) {
    const int n = WholeSegments();
    for (int i = 0; i < n; ++i) {
        BeamSegment segment = Segment(i);
        std::uint8_t* p = segment.Bytes();
        // Both ends as positions counted from the beam's bar; a start never goes before it.
        const int start = std::max(0, p[BeamSegment::kStartBar] * 1024 + segment.StartPosition() + delta);
        const int end = std::max(start, (p[BeamSegment::kStartBar] + p[BeamSegment::kEndBar]) * 1024 + segment.EndPosition() + delta);
        const int startBar = std::min(start / 1024, 255);
        const int endBar = std::min(end / 1024 - startBar, 255);
        p[BeamSegment::kStartBar] = std::uint8_t(startBar);
        p[BeamSegment::kEndBar] = std::uint8_t(std::max(endBar, 0));
        segment.SetStartPosition(std::int16_t(std::min(start - startBar * 1024, 1023)));
        segment.SetEndPosition(std::int16_t(std::clamp(end - (startBar + std::max(endBar, 0)) * 1024, 0, 1023)));
    }
    SetFlagsA(std::uint8_t(FlagsA() | kRelayoutBit));
}

bool CBeam::Covers(CBarItem* item, int barOffset) {
    if (item->IsRemoved() || item->VoiceField() != VoiceField() || !item->IsNoteOrRest()) return false;
    auto* head = static_cast<CRawHead*>(item);
    if (!head->IsBeamed() || head->IsGrace() != IsGraceBeam()) return false;
    if (barOffset < 0 || barOffset > BarSpanField()) return false;
    if (barOffset == 0 && item->PositionField() < StartPositionField()) return false;
    if (barOffset == BarSpanField() && item->PositionField() > EndPositionField()) return false;
    return true;
}

// --- stored form ------------------------------------------------------------------------------

void BeamBehaviour::ReadBody(CScoreItem& item, CChunkStream& stream) const {
    const int size = item.RecordSizeField();
    const int room = RecordReadRoom(item);
    if (size > CBarItem::kHeadEnd) {
        const auto n = std::uint32_t(size - CBarItem::kHeadEnd);
        if (stream.InChunk() && stream.Unread() < n) ThrowDamagedRecord(stream);
        stream.ReadBytes(item.Bytes() + CBarItem::kHeadEnd, n);
    }
    const int fixed = std::min(int(CBeam::kSize), room);
    if (size < fixed) std::memset(item.Bytes() + size, 0, std::size_t(fixed - size));
    // The segments the count names lie inside the record; an older record gains bytes 22-29.
    const bool old = g_model.loadedFileVersion < kNewFieldsVersion;
    const int segments = old ? CBeam::kSegments - CBeam::kNewFieldBytes : CBeam::kSegments;
    if (segments + BeamSegment::kSize * Beam(item).SegmentCount() > std::max(size, fixed)) ThrowDamagedRecord(stream);
    if (old && std::max(size, fixed) + CBeam::kNewFieldBytes > room) ThrowDamagedRecord(stream);
    item.FromFileOrder();
}

void BeamBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    auto& beam = Beam(item);
    stream.WriteByte(MirrorFields(beam.BeamFlags(), kFlagsLayout));
    stream.WriteByte(MirrorFields(beam.OffsetsByte(), kOffsetsLayout));
    stream.WriteBytes(beam.Bytes() + CBeam::kSegmentCount, CBeam::kSegments - CBeam::kSegmentCount);
    const int n = beam.WholeSegments();
    for (int i = 0; i < n; ++i) {
        BeamSegment s = beam.Segment(i);
        stream.WriteByte(MirrorFields(s.Flags(), kSegmentLayout));
        stream.WriteBytes(s.Bytes() + BeamSegment::kNumber, 3);
        stream.WriteWord(s.StartPosition());
        stream.WriteWord(s.EndPosition());
        for (int at = BeamSegment::kStartInset; at < BeamSegment::kSize; at += 2) stream.WriteCoord(s.Word(at));
    }
    const int end = CBeam::kSegments + BeamSegment::kSize * n;
    const int size = beam.RecordSizeField();
    if (end < size) stream.WriteBytes(beam.Bytes() + end, std::uint32_t(size - end));
}

void BeamBehaviour::FromFileOrder(CScoreItem& item) const {
    if (item.RecordSizeField() < CBeam::kSegmentCount) return;
    MirrorFieldsFromFile(item.Bytes() + CBeam::kBeamFlags, kFlagsLayout);
    MirrorFieldsFromFile(item.Bytes() + CBeam::kOffsets, kOffsetsLayout);
}

void BeamBehaviour::AfterLoad(CScoreItem& item, int version) const {
    BarItemBehaviour::AfterLoad(item, version);
    auto& beam = Beam(item);
    if (version < kNewFieldsVersion) {
        const int size = beam.RecordSizeField();
        if (size < CBeam::kTremoloStrokes || size + CBeam::kNewFieldBytes > RecordReadRoom(item)) {
            // No room to repair the record: it leaves the run.
            beam.SetFlagsB(std::uint8_t(beam.FlagsB() | CBarItem::kRemovedBit));
            return;
        }
        beam.GrowAt(beam.Bytes() + CBeam::kTremoloStrokes, CBeam::kNewFieldBytes);
    }
    if (version >= kStoredSegmentsVersion) {
        const int n = beam.WholeSegments();
        for (int i = 0; i < n; ++i) {
            BeamSegment s = beam.Segment(i);
            MirrorFieldsFromFile(s.Bytes() + BeamSegment::kFlags, kSegmentLayout);
            SwapWord(s.Bytes() + BeamSegment::kStart);
            SwapWord(s.Bytes() + BeamSegment::kEnd);
            for (int at = BeamSegment::kStartInset; at < BeamSegment::kSize; at += 2) {
                SwapWord(s.Bytes() + at);
                s.SetWord(at, std::int16_t(s.Word(at) * 5));
            }
        }
    }
    if (g_model.loadedFileVersion < kNewFieldsVersion) {
        beam.SetBeamFlags(std::uint8_t(beam.BeamFlags() & ~CBeam::kHideInner));
        if (beam.IsTremolo()) rec::Put(&beam, CBeam::kTremoloStrokes, rec::Get<std::uint8_t>(&beam, CBeam::kSegmentCount));
    }
}

// --- operations -------------------------------------------------------------------------------

int BeamBehaviour::GetPosition(CScoreItem& item) const {
    auto& beam = Beam(item);
    beam.SetPositionField(beam.StartPositionField());
    return beam.PositionField();
}

int BeamBehaviour::GetWantedSize(CScoreItem& item) const {
    return CBeam::kSegments + BeamSegment::kSize * Beam(item).SegmentCount();
}

void BeamBehaviour::MarkRemoved(CBarItem& item) const {
    auto& beam = Beam(item);
    CTrkBar* own = g_model.currentTrkBar;
    CScore* score = g_model.currentScore;
    if (own) {
        const int track = own->GetTrackIndex();
        const int bar = own->GetBarIndex();
        const int bars = score ? score->GetBarCount() : bar + 1;
        for (int k = 0; k <= beam.BarSpanField() && bar + k < bars; ++k) {
            CTrkBar* trkBar = k == 0 ? own : (score ? score->GetTrkBar(track, bar + k) : nullptr);
            if (!trkBar) break;
            for (CBarItem* it = trkBar->GetItems(); it && it->TypeCode() != 255; it = it->NextItem()) {
                if (it->RecordSizeField() < CBarItem::kHeadEnd) break;
                if (!beam.Covers(it, k)) continue;
                auto* head = static_cast<CRawHead*>(it);
                head->SetBeamed(0);
                if (beam.IsTremolo()) {
                    head->SetFlag8Bit1(false);
                    head->SetHalfFlag(false);
                }
                if (it->IsNote()) static_cast<CRawNote*>(it)->LayoutChord();
            }
            if (CZelDoc* doc = g_model.currentDoc) doc->SaveBarForUndo(track, bar + k);
        }
    }
    BarItemBehaviour::MarkRemoved(item);
}

std::int16_t BeamBehaviour::GetStartStaffOffset(CBarItem& item) const {
    return std::int16_t(std::int8_t(Beam(item).OffsetsByte() << 5) >> 5);
}

int BeamBehaviour::GetBarSpan(CBarItem& item) const { return Beam(item).BarSpanField(); }

int BeamBehaviour::GetEndPosition(CBarItem& item) const { return Beam(item).EndPositionField(); }

void BeamBehaviour::SetPosition(CBarItem& item, int position) const {
    auto& beam = Beam(item);
    rec::Put(&beam, CBeam::kStartPosition, std::int16_t(position));
    beam.SetPositionField(std::int16_t(position));
}

void BeamBehaviour::TransposeSelected(CBarItem& item, int, int) const {
    item.SetFlagsA(std::uint8_t(item.FlagsA() | CBarItem::kRelayoutBit));
}

void BeamBehaviour::TransposeAll(CBarItem& item, int, int, int, int) const {
    item.SetFlagsA(std::uint8_t(item.FlagsA() | CBarItem::kRelayoutBit));
}

void BeamBehaviour::SetEndStaffOffset(CBarItem& item, int staves) const {
    auto& beam = Beam(item);
    beam.SetOffsetsByte(std::uint8_t((beam.OffsetsByte() & 0xC7) | ((staves & 7) << 3)));
}

void BeamBehaviour::SetEnd(CBarItem& item, int bars, int position) const {
    auto& beam = Beam(item);
    rec::Put(&beam, CBeam::kBarSpan, std::uint8_t(bars));
    rec::Put(&beam, CBeam::kEndPosition, std::int16_t(position));
}

void BeamBehaviour::SetStartStaffOffset(CBarItem& item, int staves) const { Beam(item).SetStartStaffOffset(staves); }

std::int16_t BeamBehaviour::GetEndStaffOffset(CBarItem& item) const { return std::int16_t(Beam(item).GetEndStaffOffset()); }

bool BeamBehaviour::ReachesOtherStaff(CBarItem& item) const {
    auto& beam = Beam(item);
    return beam.GetStartStaffOffset() != 0 || beam.GetEndStaffOffset() != 0;
}
