// The clip block checked and bound for paste.
#include "edit/ClipBlock.h"

#include <cstring>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ItemFactory.h"
#include "model/Meter.h"
#include "model/NoteMark.h"
#include "model/Record.h"
#include "model/TrkBar.h"
#include "notation/RawNote.h"
#include "platform/Handles.h"

namespace {

constexpr int kEndType = 255;
// The longest run of one bar of a track the program keeps (as the track's bar allows).
constexpr std::uint32_t kMaxBarBytes = 0x7FFFFFF0u;
// The copied bars a block may hold: the score's own limit.
constexpr int kMaxBars = 32767;

template <typename T>
T Read(const std::vector<std::uint8_t>& b, std::size_t at) {
    T v;
    std::memcpy(&v, b.data() + at, sizeof v);
    return v;
}

}  // namespace

int ClipBlock::Word(int offset) const { return Read<std::int16_t>(bytes, std::size_t(offset)); }
std::int32_t ClipBlock::Long(int offset) const { return Read<std::int32_t>(bytes, std::size_t(offset)); }
std::uint8_t ClipBlock::Byte(int offset) const { return bytes[std::size_t(offset)]; }

ClipBlock::Result ClipBlock::Load(HGLOBAL block, int documentVersion) {
    if (!block) return kNoBlock;
    const std::uint32_t size = GetHandleSize(block);
    const auto* p = static_cast<const std::uint8_t*>(LockHandle(block));
    if (!p) return kNoBlock;
    Result r = kDamaged;
    try {
        r = Load(p, size, documentVersion);
    } catch (...) {
        UnlockHandle(block);
        throw;
    }
    UnlockHandle(block);
    return r;
}

ClipBlock::Result ClipBlock::Load(const std::uint8_t* p, std::size_t length, int documentVersion) {
    bars.clear();
    trackBars.clear();
    trackCount = streamFirstTrack = 0;
    bytes.assign(p, p + length);
    if (length < std::size_t(ClipHeader::kSize)) return kDamaged;
    if (Read<std::uint16_t>(bytes, ClipHeader::kHeaderSize) != ClipHeader::kSize) return kDamaged;
    if (Byte(ClipHeader::kHasItems) == 0) return kNothing;
    if (documentVersion < Read<std::uint16_t>(bytes, ClipHeader::kNeededVersion)) return kNothing;
    const Result r = Check();
    if (r != kBound) {
        bars.clear();
        trackBars.clear();
        trackCount = 0;
        return r;
    }
    // Bind: every record becomes a live item of its type where it lies.
    for (Bar& b : bars)
        for (CBarItem* item : b.items) ConstructItem(item->TypeCode(), item);
    for (TrackBar& tb : trackBars)
        for (CBarItem* item : tb.items) ConstructItem(item->TypeCode(), item);
    return kBound;
}

ClipBlock::Result ClipBlock::Check() {
    const int firstBar = FirstBar(), lastBar = LastBar();
    if (firstBar < 0 || lastBar < firstBar || lastBar - firstBar + 1 > kMaxBars) return kDamaged;
    const std::uint32_t barStream = Read<std::uint32_t>(bytes, ClipHeader::kBarStreamLength);
    const std::uint32_t trackStream = Read<std::uint32_t>(bytes, ClipHeader::kTrackStreamLength);
    const std::size_t room = bytes.size() - ClipHeader::kSize;
    if (barStream > room || trackStream > room - barStream) return kDamaged;
    if (Start() < 0 || NoteSpan() < 0 || TotalSpan() < 0) return kDamaged;
    if (!CheckBarStream(ClipHeader::kSize, ClipHeader::kSize + std::size_t(barStream))) return kDamaged;
    if (int(bars.size()) < lastBar - firstBar + 1) return kDamaged;
    if (!CheckTrackStream(ClipHeader::kSize + barStream, ClipHeader::kSize + std::size_t(barStream) + trackStream))
        return kDamaged;
    // A block with items in its tracks names tracks and voices the stream holds; one with the
    // bars' own items only names none (its track range stays empty).
    if (FirstTrack() <= LastTrack()) {
        if (FirstTrack() < streamFirstTrack || LastTrack() >= streamFirstTrack + trackCount) return kDamaged;
        if (FirstVoice() < 0 || LastVoice() < FirstVoice() || LastVoice() > 7) return kDamaged;
    }
    // The spans stay inside what the copied bars hold, with room for one item's length.
    std::int64_t total = 0;
    for (const Bar& b : bars) total += b.length;
    if (TotalSpan() > total + 32767 || NoteSpan() > total + 32767 || Start() > total) return kDamaged;
    return kBound;
}

bool ClipBlock::CheckRecord(std::size_t at, std::size_t end) const {
    if (at > end || end - at < std::size_t(CBarItem::kSize)) return false;
    const int size = Read<std::int16_t>(bytes, at + rec::kSize);
    const int type = bytes[at + rec::kType];
    if (size < CBarItem::kSize || std::size_t(size) > end - at) return false;
    if (type == kEndType) return true;
    const int classSize = GetItemRecordSizeForCode(type);
    if (classSize <= 0) return false;
    if (type == 112 || type == 144) {
        // A note: its heads, then its marks, all inside the record.
        if (size < CRawNote::kHeads) return false;
        const int heads = bytes[at + CRawNote::kHeadCount];
        const int marks = CRawNote::kHeads + NoteHead::kSize * heads;
        return marks <= size && MarksFit(at, marks, size);
    }
    if (size < classSize) return false;
    return type != 128 || MarksFit(at, classSize, size);
}

bool ClipBlock::MarksFit(std::size_t at, int marks, int size) const {
    // The marks the record's count promises, each of at least its class's size, inside the record.
    const int count = (bytes[at + CRawHead::kValue] >> CRawHead::kMarkCountShift) & 7;
    for (int m = 0; m < count; ++m) {
        if (size - marks < NoteMark::kClassFields) return false;
        const int markSize = Read<std::int16_t>(bytes, at + std::size_t(marks));
        const int code = bytes[at + std::size_t(marks) + NoteMark::kCode];
        if (markSize < NoteMark::ClassSize(code) || markSize > size - marks) return false;
        marks += markSize;
    }
    return true;
}

bool ClipBlock::CheckBarStream(std::size_t at, std::size_t end) {
    while (at < end) {
        if (int(bars.size()) >= kMaxBars) return false;
        Bar& b = bars.emplace_back();
        if (end - at < std::size_t(CBar::kSize)) return false;
        const int size = Read<std::int16_t>(bytes, at + rec::kSize);
        if (size < CBar::kSize || std::size_t(size) > end - at) return false;
        b.record = reinterpret_cast<CBar*>(bytes.data() + at);
        b.length = b.record->GetMeterLength();
        if (b.length <= 0) return false;
        at += std::size_t(size);
        if (end - at < 6) return false;
        const int items = Read<std::uint16_t>(bytes, at);
        const std::uint32_t length = Read<std::uint32_t>(bytes, at + 2);
        at += 6;
        if (length > end - at) return false;
        const std::size_t itemsEnd = at + length;
        for (int k = 0; k < items; ++k) {
            if (!CheckRecord(at, itemsEnd)) return false;
            auto* item = reinterpret_cast<CBarItem*>(bytes.data() + at);
            if (item->TypeCode() == kEndType) return false;
            b.items.push_back(item);
            at += std::size_t(item->RecordSizeField());
        }
        if (at != itemsEnd) return false;
    }
    return true;
}

bool ClipBlock::CheckTrackStream(std::size_t at, std::size_t end) {
    const int barCount = int(bars.size());
    while (at < end) {
        if (end - at < std::size_t(CTrkBar::kSize)) return false;
        if (Read<std::int16_t>(bytes, at + rec::kSize) != CTrkBar::kSize) return false;
        TrackBar& tb = trackBars.emplace_back();
        tb.record = reinterpret_cast<CTrkBar*>(bytes.data() + at);
        const std::uint32_t run = Read<std::uint32_t>(bytes, at + CTrkBar::kRun);
        at += std::size_t(CTrkBar::kSize);
        if (run > end - at || run > kMaxBarBytes) return false;
        const std::size_t runEnd = at + run;
        for (;;) {
            if (!CheckRecord(at, runEnd)) return false;
            auto* item = reinterpret_cast<CBarItem*>(bytes.data() + at);
            at += std::size_t(item->RecordSizeField());
            if (item->TypeCode() == kEndType) break;
            tb.items.push_back(item);
        }
        if (at != runEnd) return false;
    }
    if (trackBars.empty()) return true;
    if (barCount == 0 || trackBars.size() % std::size_t(barCount) != 0) return false;
    trackCount = int(trackBars.size()) / barCount;
    streamFirstTrack = trackBars.front().record->GetTrackByte();
    return streamFirstTrack + trackCount <= ClipHeader::kTracks;
}
