#include "notation/Chords.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "model/ChordRecords.h"
#include "model/ItemClass.h"
#include "model/ModelGlobals.h"
#include "model/PlaybackMarks.h"
#include "model/TrkBar.h"
#include "platform/ChunkStream.h"
#include "platform/LibraryStandIns.h"
#include "platform/PlatformGlobals.h"
#include "platform/Theory.h"

namespace {

const ChordBehaviour kChord;
const SuffixBehaviour kSuffix;
const GuitarFrameBehaviour kFrame;

// The format version from which the records hold their playback fields.
constexpr int kPlaybackVersion = 0x400;

// The words and coordinates of the stored forms.
const MarkField kChordFields[] = {
    {CChord::kYOffset, MarkField::Coord},
    {CChord::kKey, MarkField::Word},
    {CChord::kXOffset, MarkField::Coord},
    {CChord::kDuration, MarkField::Word},
};
const MarkField kFrameFields[] = {
    {CGuitarFrame::kKey, MarkField::Word},
    {CGuitarFrame::kXOffset, MarkField::Coord},
    {CGuitarFrame::kYOffset, MarkField::Coord},
    {CGuitarFrame::kDuration, MarkField::Word},
};

void ChordFieldsToFile(CBarItem* item) {
    if (item->RecordSizeField() > CChord::kFlags) MirrorFieldsToFile(item->Bytes() + CChord::kFlags, CChord::kFlagLayout);
    marks::FieldsToFile(item, kChordFields, int(std::size(kChordFields)));
}

void ChordFieldsFromFile(CBarItem* item) {
    if (item->RecordSizeField() > CChord::kFlags) MirrorFieldsFromFile(item->Bytes() + CChord::kFlags, CChord::kFlagLayout);
    marks::FieldsFromFile(item, kChordFields, int(std::size(kChordFields)));
}

// Writes the bytes after the head of a copy of the record turned into file order by `convert`,
// at most up to `end`.
template <typename Convert>
void WriteConverted(CScoreItem& item, CChunkStream& stream, int end, Convert convert) {
    const int size = item.RecordSizeField();
    if (size <= CBarItem::kHeadEnd) return;
    std::vector<std::uint8_t> copy(static_cast<std::size_t>(size));
    std::memcpy(copy.data(), &item, copy.size());
    convert(reinterpret_cast<CBarItem*>(copy.data()));
    const int n = std::min(size, end) - CBarItem::kHeadEnd;
    if (n > 0) stream.WriteBytes(copy.data() + CBarItem::kHeadEnd, std::uint32_t(n));
}

// Grows a record read from an older file to `size` where its reader gave room, the new bytes
// zero; false when there is no room.
bool GrowTo(CScoreItem& item, int size) {
    const int was = item.RecordSizeField();
    if (was >= size) return true;
    if (RecordReadRoom(item) < size) return false;
    std::memset(item.Bytes() + was, 0, std::size_t(size - was));
    item.CBaseItem::SetSize(std::int16_t(size));
    return true;
}

CBarItem& Bar(CScoreItem& item) { return static_cast<CBarItem&>(item); }

}  // namespace

// --- the chord symbol ------------------------------------------------------------------------------

const ChordBehaviour& ChordBehaviour::Instance() { return kChord; }

void ChordBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    WriteConverted(item, stream, CChord::kSize, ChordFieldsToFile);
}

void ChordBehaviour::ToFileOrder(CScoreItem& item) const {
    ChordFieldsToFile(&Bar(item));
    BarItemBehaviour::ToFileOrder(item);
}

void ChordBehaviour::FromFileOrder(CScoreItem& item) const { ChordFieldsFromFile(&Bar(item)); }

void ChordBehaviour::AfterLoad(CScoreItem& item, int version) const {
    BarItemBehaviour::AfterLoad(item, version);
    if (version >= kPlaybackVersion) return;
    // The record ended after the x offset: it gains its playback fields, and does not play.
    auto* c = CChord::Of(&Bar(item));
    if (!GrowTo(item, CChord::kSize)) return;
    c->SetDuration(480);
    c->SetStrum(4, 4);
    c->SetParenthesised(false);
    c->SetFlagsA(std::uint8_t(c->FlagsA() | CBarItem::kFlag8Bit1));
}

int ChordBehaviour::GetVerticalOffset(CBarItem& item) const { return CChord::Of(&item)->GetYOffset(); }
void ChordBehaviour::SetHorizontalOffset(CBarItem& item, int offset) const { CChord::Of(&item)->SetXOffset(offset); }
void ChordBehaviour::SetVerticalOffset(CBarItem& item, int offset) const { CChord::Of(&item)->SetYOffset(offset); }
void ChordBehaviour::RespellSelected(CBarItem& item) const { CChord::Of(&item)->Respell(); }

void ChordBehaviour::TransposeSelected(CBarItem& item, int amount, int mode) const {
    int clef = 0, key = 0;
    if (CTrkBar* trkBar = g_model.currentTrkBar) trkBar->GetClefAndKeyAt(item.PositionField(), &clef, &key);
    CChord::Of(&item)->Transpose(amount, mode, key);
}

void ChordBehaviour::TransposeAll(CBarItem& item, int fromKey, int toKey, int, int semitones) const {
    if (semitones != 0) CChord::Of(&item)->TransposeKey(fromKey, toKey);
}

// --- the chord definition --------------------------------------------------------------------------

const SuffixBehaviour& SuffixBehaviour::Instance() { return kSuffix; }

void SuffixBehaviour::ReadBody(CScoreItem& item, CChunkStream& stream) const {
    ScoreItemBehaviour::ReadBody(item, stream);
    if (!CSuffix::Of(&item)->IsWhole()) ThrowDamagedRecord(stream);
}

void SuffixBehaviour::Read(CScoreItem& item, CChunkStream& stream) const {
    item.ReadHead(stream);
    if (item.RecordSizeField() <= 0) return;
    if (item.RecordSizeField() < CSuffix::kHeadSize) ThrowDamagedRecord(stream);
    item.ReadBody(stream);
}

// --- the guitar frame ------------------------------------------------------------------------------

const GuitarFrameBehaviour& GuitarFrameBehaviour::Instance() { return kFrame; }

int GuitarFrameBehaviour::GetKind(CScoreItem& item) const { return CGuitarFrame::Of(&Bar(item))->GetChordType(); }

void GuitarFrameBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    WriteConverted(item, stream, CGuitarFrame::kSize,
                   [](CBarItem* copy) { marks::FieldsToFile(copy, kFrameFields, int(std::size(kFrameFields))); });
}

void GuitarFrameBehaviour::ToFileOrder(CScoreItem& item) const {
    marks::FieldsToFile(&Bar(item), kFrameFields, int(std::size(kFrameFields)));
    BarItemBehaviour::ToFileOrder(item);
}

void GuitarFrameBehaviour::FromFileOrder(CScoreItem& item) const {
    auto* f = CGuitarFrame::Of(&Bar(item));
    marks::FieldsFromFile(f, kFrameFields, int(std::size(kFrameFields)));
    // The name ends within its field whatever the file held.
    if (f->RecordSizeField() >= CGuitarFrame::kName + CGuitarFrame::kNameSize)
        f->Bytes()[CGuitarFrame::kName + CGuitarFrame::kNameSize - 1] = 0;
}

void GuitarFrameBehaviour::AfterLoad(CScoreItem& item, int version) const {
    BarItemBehaviour::AfterLoad(item, version);
    if (version >= kPlaybackVersion) return;
    auto* f = CGuitarFrame::Of(&Bar(item));
    const int type = f->GetChordType();
    if (type < 13) f->SetChordType(CGuitarFrame::kOldChordTypes[type]);
    const int size = f->RecordSizeField();
    if (size > CGuitarFrame::kFingers)
        std::memset(f->Bytes() + CGuitarFrame::kFingers, 0, std::size_t(std::min(size, int(CGuitarFrame::kSize)) - CGuitarFrame::kFingers));
    if (!GrowTo(item, CGuitarFrame::kSize)) return;
    f->SetDuration(480);
}

int GuitarFrameBehaviour::GetVerticalOffset(CBarItem& item) const { return CGuitarFrame::Of(&item)->GetYOffset(); }
void GuitarFrameBehaviour::SetHorizontalOffset(CBarItem& item, int offset) const { CGuitarFrame::Of(&item)->SetXOffset(offset); }
void GuitarFrameBehaviour::SetVerticalOffset(CBarItem& item, int offset) const { CGuitarFrame::Of(&item)->SetYOffset(offset); }

void GuitarFrameBehaviour::RespellSelected(CBarItem& item) const {
    CGuitarFrame::Of(&item)->Respell(g_platform.noteNameStyle == CTheory::kGerman);
}

namespace {

// The guitar-frame library's frames.
std::vector<const CGuitarFrame*> LibraryFrames() {
    std::vector<const CGuitarFrame*> library;
    if (CGuitarLib* lib = g_platform.guitarLib)
        for (int i = 0; i < lib->GetCount(); ++i)
            if (const void* entry = lib->GetItem(i)) library.push_back(static_cast<const CGuitarFrame*>(static_cast<const CBarItem*>(entry)));
    return library;
}

}  // namespace

void GuitarFrameBehaviour::TransposeSelected(CBarItem& item, int amount, int mode) const {
    int clef = 0, key = 0;
    if (CTrkBar* trkBar = g_model.currentTrkBar) trkBar->GetClefAndKeyAt(item.PositionField(), &clef, &key);
    CGuitarFrame::Of(&item)->Transpose(amount, mode, key, LibraryFrames());
}

void GuitarFrameBehaviour::TransposeAll(CBarItem& item, int fromKey, int toKey, int, int semitones) const {
    if (semitones != 0) CGuitarFrame::Of(&item)->TransposeKey(fromKey, toKey, LibraryFrames());
}

void RegisterChordClasses() {
    ItemClassTable& table = ItemClasses();
    table.SetBehaviourForCode(CChord::kType, &kChord);
    table.SetBehaviourForCode(CSuffix::kType, &kSuffix);
    table.SetBehaviourForCode(CGuitarFrame::kType, &kFrame);
}
