// The copy side of the clipboard: the clip block's header, bar stream and track stream.
#include "edit/ClipboardWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/Bar.h"
#include "model/Clef.h"
#include "model/EditTask.h"
#include "model/ItemArray.h"
#include "model/KeySig.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreStructureStandIns.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/RawNote.h"
#include "platform/Handles.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"

namespace {
constexpr int kOutOfMemory = 100;
constexpr int kFirstMidiDataType = 170;
// The bits a copied tempo mark carries in its second flag byte.
constexpr std::uint8_t kCopiedTempoBits = 0x05;

void Append(std::vector<std::uint8_t>& out, const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    out.insert(out.end(), b, b + n);
}
template <typename T>
void AppendValue(std::vector<std::uint8_t>& out, T v) {
    Append(out, &v, sizeof v);
}
}  // namespace

template <typename T>
void ClipboardWriter::Put(int offset, T v) {
    std::memcpy(header + offset, &v, sizeof v);
}
template <typename T>
T ClipboardWriter::Get(int offset) const {
    T v;
    std::memcpy(&v, header + offset, sizeof v);
    return v;
}

bool ClipboardWriter::InRange(int bar, int position) const {
    return (bar > lower[kExtentBar] || position >= lower[kExtentPosition]) &&
           (bar < upper[kExtentBar] || position <= upper[kExtentPosition]);
}

bool ClipboardWriter::Copy(CZelDoc& document) {
    HGLOBAL output = AllocHandle(ClipHeader::kSize);
    if (!output) return false;
    score = document.GetScore();
    if (CSelect* sel = document.GetSelection())
        for (int i = 0; i < 6; ++i) {
            lower[i] = sel->lower[i];
            upper[i] = sel->upper[i];
        }
    // The clipboard's block stays until the new one exists: a copy that fails keeps it.
    std::memset(header, 0, sizeof header);
    Put<std::uint16_t>(ClipHeader::kHeaderSize, ClipHeader::kSize);
    Put<std::uint16_t>(ClipHeader::kSourceVersion, document.version);
    Put<std::uint16_t>(ClipHeader::kNeededVersion, ClipHeader::kRequiredVersion);
    Put<std::int16_t>(ClipHeader::kFirstTrack, 32767);
    Put<std::int16_t>(ClipHeader::kFirstBar, lower[kExtentBar]);
    Put<std::int16_t>(ClipHeader::kFirstTime, 32767);
    Put<std::int16_t>(ClipHeader::kFirstVoice, 32767);
    Put<std::int16_t>(ClipHeader::kLastTrack, -32767);
    Put<std::int16_t>(ClipHeader::kLastBar, -32767);
    Put<std::int16_t>(ClipHeader::kLastVoice, -32767);
    Put<std::int32_t>(ClipHeader::kStart, 32767);

    std::vector<std::uint8_t> bars, tracks;
    bool built = false;
    try {
        built = score && Build(bars, tracks);
    } catch (const std::bad_alloc&) {
        built = false;
    }
    if (built) {
        const std::size_t total = ClipHeader::kSize + bars.size() + tracks.size();
        built = total <= 0x7FFFFFFFu && ResizeHandle(&output, std::uint32_t(total)) == 0;
        if (built) {
            Put<std::uint32_t>(ClipHeader::kBarStreamLength, std::uint32_t(bars.size()));
            Put<std::uint32_t>(ClipHeader::kTrackStreamLength, std::uint32_t(tracks.size()));
            auto* to = static_cast<std::uint8_t*>(LockHandle(output));
            std::memcpy(to, header, ClipHeader::kSize);
            if (!bars.empty()) std::memcpy(to + ClipHeader::kSize, bars.data(), bars.size());
            if (!tracks.empty()) std::memcpy(to + ClipHeader::kSize + bars.size(), tracks.data(), tracks.size());
            UnlockHandle(output);
            built = fw::TheClipboard().Put(kTag, output);
        }
    }
    FreeHandle(output);
    if (!built) {
        g_platform.errorCode = kOutOfMemory;
        ReportErrorCode(kOutOfMemory);
    }
    return built;
}

bool ClipboardWriter::Build(std::vector<std::uint8_t>& bars, std::vector<std::uint8_t>& tracks) {
    const int trackCount = std::min<int>(score->GetTrackCount(), ClipHeader::kTracks);
    const int firstBar = std::max<int>(lower[kExtentBar], 0);
    const int lastBar = std::min<int>(upper[kExtentBar], score->GetBarCount() - 1);
    // The clef, key and transposition in force at the start of the first bar, per track.
    for (int t = 0; t < trackCount; ++t) {
        int clef = 0, key = 0;
        if (CTrkBar* tb = score->GetTrkBar(t, firstBar)) {
            tb->SetCurrent();
            tb->GetClefAndKeyAt(0, &clef, &key);
        }
        header[ClipHeader::kClef + t] = std::uint8_t(clef);
        header[ClipHeader::kKey + t] = std::uint8_t(key);
        CTrack* track = score->GetTrack(t);
        header[ClipHeader::kTransposition + t] =
            track && track->IsTransposedDisplay() ? std::uint8_t(track->GetTransposition()) : 0;
    }
    for (int b = firstBar; b <= lastBar; ++b) WriteBar(b, bars);

    const int firstTrack = std::max<int>(lower[kExtentTrack], 0);
    const int lastTrack = std::min<int>(upper[kExtentTrack], trackCount - 1);
    for (int t = firstTrack; t <= lastTrack; ++t) {
        Put<std::int16_t>(ClipHeader::kLastVoice, -32767);
        trackNoteSeen = false;
        previousVoice = -1;
        std::int32_t barStart = 0;
        for (int b = firstBar; b <= lastBar; ++b) {
            CopyTrackBar(t, b, barStart, tracks);
            barStart += score->GetBar(b)->GetMeterLength();
        }
    }
    if (latestNoteEnd != -2147483647)
        Put<std::int32_t>(ClipHeader::kNoteSpan, latestNoteEnd - Get<std::int32_t>(ClipHeader::kStart));
    if (latestItemEnd != -2147483647)
        Put<std::int32_t>(ClipHeader::kTotalSpan, latestItemEnd - Get<std::int16_t>(ClipHeader::kFirstTime));
    return true;
}

void ClipboardWriter::WriteBar(int b, std::vector<std::uint8_t>& out) {
    CBar* bar = score->GetBar(b);
    Append(out, bar, std::size_t(bar->RecordSizeField()));
    CItemArray* own = bar->GetItemArray();
    const int count = own ? own->GetCount() : 0;
    const std::uint8_t* first = count ? static_cast<const std::uint8_t*>(own->GetAt(0)) : nullptr;
    const std::uint8_t* end = count ? static_cast<const std::uint8_t*>(own->GetAt(count)) : nullptr;
    const std::uint32_t bytes = first && end ? std::uint32_t(end - first) : 0;
    AppendValue<std::uint16_t>(out, std::uint16_t(count));
    AppendValue<std::uint32_t>(out, bytes);
    if (bytes) Append(out, first, bytes);
    for (int i = 0; i < count; ++i) {
        auto* item = static_cast<CBarItem*>(own->GetAt(i));
        if (!item || item->IsRemoved() || !item->IsSelectedBit()) continue;
        if (item->IsTempo() || item->IsText()) {
            header[ClipHeader::kHasItems] = 1;
            Put<std::int16_t>(ClipHeader::kLastBar, std::max<std::int16_t>(Get<std::int16_t>(ClipHeader::kLastBar), std::int16_t(b)));
        }
    }
}

void ClipboardWriter::CopyTrackBar(int t, int b, std::int32_t barStart, std::vector<std::uint8_t>& out) {
    CTrkBar* tb = score->GetTrkBar(t, b);
    if (!tb) return;
    tb->SetCurrent();
    const std::size_t recordAt = out.size();
    Append(out, tb, std::size_t(tb->RecordSizeField()));
    const std::size_t runAt = out.size();
    CBarItem* item = tb->GetItems();
    for (; item && item->TypeCode() != 255; item = item->NextItem()) {
        if (item->IsRemoved()) continue;
        const bool selected = item->IsSelectedBit();
        if (item->IsClef() || item->IsKeySig()) {
            if (!InRange(b, item->PositionField())) continue;
            if (!trackNoteSeen) {
                if (item->IsClef()) header[ClipHeader::kClef + t] = static_cast<CClef*>(item)->GetCode();
                else header[ClipHeader::kKey + t] = static_cast<CKeySig*>(item)->GetKey();
            }
            Append(out, item, std::size_t(item->RecordSizeField()));
        } else if (!selected) {
            continue;
        } else if (item->IsTempo()) {
            const std::size_t at = out.size();
            Append(out, item, std::size_t(item->RecordSizeField()));
            out[at + CBarItem::kFlagsB] |= kCopiedTempoBits;
            continue;
        } else if (item->IsNoteOrRawNote() && static_cast<CRawNote*>(item)->HeadCountField() >= 2) {
            // A chord gives only its selected heads, with every mark.
            auto* note = static_cast<CRawNote*>(item);
            const std::size_t at = out.size();
            Append(out, note, CRawNote::kHeads);
            int kept = 0;
            for (int k = 0; k < note->HeadCountField(); ++k)
                if (note->Head(k)->IsSelected()) {
                    Append(out, note->Head(k), NoteHead::kSize);
                    ++kept;
                }
            // The marks follow the heads, each led by its size; none reaches past the record.
            const auto* marks = reinterpret_cast<const std::uint8_t*>(note->Head(note->HeadCountField()));
            const auto* recordEnd = reinterpret_cast<const std::uint8_t*>(note) + note->RecordSizeField();
            std::size_t markBytes = 0;
            for (int m = 0; m < note->MarkCount(); ++m) {
                std::uint16_t size = 0;
                if (marks + markBytes + sizeof size > recordEnd) break;
                std::memcpy(&size, marks + markBytes, sizeof size);
                if (size == 0 || marks + markBytes + size > recordEnd) break;
                markBytes += size;
            }
            Append(out, marks, markBytes);
            out[at + CRawNote::kHeadCount] = std::uint8_t(kept);
            const std::int16_t size = std::int16_t(out.size() - at);
            std::memcpy(out.data() + at + rec::kSize, &size, sizeof size);
        } else {
            Append(out, item, std::size_t(item->RecordSizeField()));
        }
        Note(t, b, barStart, item);
    }
    std::uint8_t endRecord[CBarItem::kSize] = {};
    CBarItem::Construct(endRecord);
    Append(out, endRecord, sizeof endRecord);
    // The copy's run is the bytes that follow it: its length, and no block of its own.
    const std::uint32_t runLength = std::uint32_t(out.size() - runAt);
    std::memcpy(out.data() + recordAt + CTrkBar::kRun, &runLength, sizeof runLength);
    const std::uint32_t none = 0;
    std::memcpy(out.data() + recordAt + CTrkBar::kRunHandle, &none, sizeof none);
    std::memcpy(out.data() + recordAt + CTrkBar::kRunAddress, &none, sizeof none);
    std::memcpy(out.data() + recordAt + CTrkBar::kSideBuffer, &none, sizeof none);
}

void ClipboardWriter::Note(int t, int b, std::int32_t barStart, CBarItem* item) {
    const int time = item->TimeField();
    const int voice = item->VoiceField();
    header[ClipHeader::kHasItems] = 1;
    if (b < Get<std::int16_t>(ClipHeader::kFirstBar)) Put<std::int16_t>(ClipHeader::kFirstBar, std::int16_t(b));
    if (!noteSeen && b == Get<std::int16_t>(ClipHeader::kFirstBar) && time < Get<std::int16_t>(ClipHeader::kFirstTime))
        Put<std::int16_t>(ClipHeader::kFirstTime, std::int16_t(time));
    Put<std::int16_t>(ClipHeader::kFirstVoice, std::min<std::int16_t>(Get<std::int16_t>(ClipHeader::kFirstVoice), std::int16_t(voice)));
    Put<std::int16_t>(ClipHeader::kFirstTrack, std::min<std::int16_t>(Get<std::int16_t>(ClipHeader::kFirstTrack), std::int16_t(t)));
    Put<std::int16_t>(ClipHeader::kLastBar, std::max<std::int16_t>(Get<std::int16_t>(ClipHeader::kLastBar), std::int16_t(b)));
    Put<std::int16_t>(ClipHeader::kLastTrack, std::max<std::int16_t>(Get<std::int16_t>(ClipHeader::kLastTrack), std::int16_t(t)));
    Put<std::int16_t>(ClipHeader::kLastVoice, std::max<std::int16_t>(Get<std::int16_t>(ClipHeader::kLastVoice), std::int16_t(voice)));

    const bool midiData = item->TypeCode() >= kFirstMidiDataType;
    const bool noteOrRest = item->IsNoteRestOrRawNote();
    int end = time;
    if (noteOrRest) end = time + int(std::lround(NoteDuration(*item))) - 1;
    if (!midiData && noteOrRest) {
        if (!noteSeen) {
            Put<std::int16_t>(ClipHeader::kFirstTime, std::int16_t(time));
            Put<std::int32_t>(ClipHeader::kStart, barStart + time);
            noteSeen = true;
        } else if (trackNoteSeen && voice != previousVoice) {
            header[ClipHeader::kSeveralVoices + t] = 1;
        }
        trackNoteSeen = true;
        previousVoice = voice;
        if (!item->IsRawNote()) header[ClipHeader::kHasNotes] = 1;
        latestNoteEnd = std::max(latestNoteEnd, barStart + end);
    } else if (midiData && !noteSeen && Get<std::int32_t>(ClipHeader::kStart) == 32767) {
        Put<std::int32_t>(ClipHeader::kStart, barStart + time);
    }
    if (noteOrRest || !noteSeen) {
        Put<std::int16_t>(ClipHeader::kLongestEnd, std::max<std::int16_t>(Get<std::int16_t>(ClipHeader::kLongestEnd), std::int16_t(end)));
        latestItemEnd = std::max(latestItemEnd, barStart + end);
    }
}
