// The two-ended items' fields between memory and file order, and the records the model makes:
// a note's ties (the tie builder and the tie's initialiser) and a tuplet (its initialiser and
// the fit of what it is made from to the notes it spans).
#include "model/TieType.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "model/Bar.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/NoteSize.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"
#include "platform/Handles.h"

namespace {

std::int16_t Swapped(std::int16_t v) {
    const auto u = std::uint16_t(v);
    return std::int16_t(std::uint16_t(u << 8 | u >> 8));
}

}  // namespace

void CTieType::WordFromFileOrder(int at) {
    if (Holds(at, 2)) rec::Put<std::int16_t>(this, std::size_t(at), Swapped(rec::Get<std::int16_t>(this, std::size_t(at))));
}

void CTieType::WordToFileOrder(int at) { WordFromFileOrder(at); }

void CTieType::CoordFromFileOrder(int at) {
    if (Holds(at, 2))
        rec::Put<std::int16_t>(this, std::size_t(at), std::int16_t(Swapped(rec::Get<std::int16_t>(this, std::size_t(at))) * 5));
}

void CTieType::CoordToFileOrder(int at) {
    if (Holds(at, 2))
        rec::Put<std::int16_t>(this, std::size_t(at), Swapped(std::int16_t(rec::Get<std::int16_t>(this, std::size_t(at)) / 5)));
}

void CTieType::FieldsFromFileOrder() {
    if (Holds(kEndFlags, 1)) rec::Put(this, kEndFlags, EndFlagsFromFile(rec::Get<std::uint8_t>(this, kEndFlags)));
    if (Holds(kPitchByte, 1)) rec::Put(this, kPitchByte, PitchByteFromFile(rec::Get<std::uint8_t>(this, kPitchByte)));
    for (int at : {kStartY, kEndY, kEndBarOffset, kEndPosition}) WordFromFileOrder(at);
    for (int at : {kStartDx, kStartDy, kEndDx, kEndDy}) CoordFromFileOrder(at);
}

void CTieType::FieldsToFileOrder() {
    if (Holds(kEndFlags, 1)) rec::Put(this, kEndFlags, EndFlagsToFile(rec::Get<std::uint8_t>(this, kEndFlags)));
    if (Holds(kPitchByte, 1)) rec::Put(this, kPitchByte, PitchByteToFile(rec::Get<std::uint8_t>(this, kPitchByte)));
    for (int at : {kStartY, kEndY, kEndBarOffset, kEndPosition}) WordToFileOrder(at);
    for (int at : {kStartDx, kStartDy, kEndDx, kEndDy}) CoordToFileOrder(at);
}

bool CTieType::RemoveIfNoNotes(bool remove) {
    CTrkBar* bar = g_model.currentTrkBar;
    const int voice = VoiceField(), start = PositionField(), end = EndPositionField();
    bool found = false;
    if (bar)
        trkbar::ForEachLiveItem(bar, [&](CBarItem* r) {
            if (found || !r->IsNoteOrRawNote() || r->VoiceField() != voice) return;
            const int position = r->PositionField();
            found = position >= start && position <= end;
        });
    if (!found && remove) MarkRemoved();
    return !found;
}

// --- the tie ------------------------------------------------------------------------------------

CTie* CTie::Init(void* buffer, int staffOffset, int time, int position, int endPosition, int staffPos, int voice,
                 bool endInNextBar, bool above, bool isShort) {
    std::memset(buffer, 0, kSize);
    rec::Put<std::int16_t>(buffer, rec::kSize, std::int16_t(kSize));
    auto* tie = static_cast<CTie*>(ConstructItem(kType, buffer));
    tie->InitNew(voice, time, position);
    tie->SetStartStaffOffset(staffOffset);
    tie->SetEndStaffOffset(staffOffset);
    tie->SetEndPositionField(endPosition);
    tie->SetStartY(staffPos);
    tie->SetEndY(staffPos);
    if (endInNextBar) tie->SetEndBarOffset(1);
    const bool even = staffPos % 2 == 0;
    tie->SetAboveBit(above);
    const int height = isShort ? 90 : 120;
    const int dy = even ? 82 : 30;
    tie->SetHeight(above ? height : -height);
    tie->SetStartDy(above ? -dy : dy);
    tie->SetEndDy(above ? -dy : dy);
    return tie;
}

bool CTie::BuildForNote(CBarItem* note, int endTime, int endPosition, int voiceCount, HandleBuffer* out,
                        bool selectedOnly) {
    using namespace entry;
    if (!note || !out || !note->IsNote()) return true;
    const int room = (note->RecordSizeField() - kHeads) / kHeadSize;
    const int count = std::min<int>(rec::Get<std::uint8_t>(note, kHeadCount), std::max(room, 0));
    auto head = [&](int h) { return note->Bytes() + kHeads + kHeadSize * h; };
    auto shiftOf = [&](int h) {
        const int v = (head(h)[kHeadLinks] >> 4) & 3;
        return v & 2 ? v - 4 : v;
    };
    const int value = rec::Get<std::uint8_t>(note, kValue) >> 4;
    const int dots = rec::Get<std::uint8_t>(note, kBaseFlags) >> 6;
    const bool slash = (rec::Get<std::uint8_t>(note, kBaseFlags) & kSlashBit) != 0;
    const bool stemDown = (rec::Get<std::uint8_t>(note, kStem) & kStemUpBit) == 0;

    int highest = -1, lowest = 128, visible = 0, rightShift = 0;
    for (int h = 0; h < count; ++h) {
        if (head(h)[kHeadShape] & 0x01) continue;
        ++visible;
        highest = std::max<int>(highest, head(h)[kHeadPitch]);
        lowest = std::min<int>(lowest, head(h)[kHeadPitch]);
        if (shiftOf(h) > 0) rightShift = 120;
    }
    if (value < 2) rightShift += 60;

    int fixedSide = 0;  // what an earlier inner head fixed: -1 below, +1 above
    for (int h = 0; h < count; ++h) {
        std::uint8_t* bytes = head(h);
        if (bytes[kHeadShape] & 0x01) continue;
        if (selectedOnly && !(bytes[kHeadShape] & 0x02)) continue;
        const int pitch = bytes[kHeadPitch];
        const int staffPos = std::int8_t(bytes[kHeadPos]);
        const int shift = shiftOf(h);
        bool above;
        if (visible < 2) {
            above = voiceCount < 2 ? stemDown : (note->VoiceField() == 0 || note->VoiceField() == 4);
        } else if (pitch == highest) {
            above = true;
        } else if (pitch == lowest) {
            above = false;
        } else if (fixedSide != 0) {
            above = fixedSide > 0;
        } else {
            above = staffPos > 0;
            if (shift < 0 && above) {
                above = false;
                fixedSide = -1;
            } else if (shift > 0 && !above) {
                above = true;
                fixedSide = 1;
            }
        }
        if (slash) above = stemDown;

        alignas(8) std::uint8_t buffer[kSize];
        CTie* tie = Init(buffer, std::int8_t(bytes[kHeadCross]) >> 5, note->TimeField(), note->PositionField(), endPosition,
                         staffPos, note->VoiceField(), endTime == 0, above, value > 4);
        int startDx = dots == 0 || visible < 3 ? shift * 120 : rightShift + 60 + 60 * dots;
        if (value < 2) startDx += 15;
        if (visible > 1) startDx += 30;
        tie->SetStartDx(startDx);
        tie->SetEndDx(shift < 0 ? shift * 120 : 0);
        tie->SetPitch(pitch);
        tie->SetFixedPosition(slash);
        if (!out->AppendRecord(tie)) return false;
        if (selectedOnly) bytes[kHeadShape] = std::uint8_t(bytes[kHeadShape] & ~0x02);
    }
    return true;
}

// --- the tuplet ---------------------------------------------------------------------------------

CTuplet* CTuplet::Init(void* buffer, int flags, int hook, int kind, int number, int second, int voice, int time,
                       int position, int startY, int startStaffOffset, int endPosition, int endY, int endStaffOffset) {
    std::memset(buffer, 0, kSize);
    rec::Put<std::int16_t>(buffer, rec::kSize, std::int16_t(kSize));
    auto* tuplet = static_cast<CTuplet*>(ConstructItem(kType, buffer));
    tuplet->InitNew(voice, time, position);
    tuplet->SetEndPositionField(endPosition);
    tuplet->SetHook(hook);
    const int dy = hook < 0 ? 240 : -120;
    tuplet->SetStartDy(dy);
    tuplet->SetEndDy(dy);
    tuplet->SetEndDx(124);
    tuplet->SetStartStaffOffset(startStaffOffset);
    tuplet->SetEndStaffOffset(endStaffOffset);
    tuplet->SetStartY(startY);
    tuplet->SetEndY(endY);
    std::uint8_t shape = 0;
    switch (kind) {
        case 1: shape = kCurvedBit; break;
        case 2: shape = kCurvedBit | kClearBit; break;
        case 3: shape = kBracketBit; break;
        case 4: shape = kBracketBit | kClearBit; break;
        default: break;
    }
    if (flags & 1) shape |= kRatioBit;
    tuplet->SetShape(shape);
    int numberDy = shape & kClearBit ? 0 : shape & (kBracketBit | kCurvedBit) ? -105 : 60;
    if (hook < 0) numberDy = -numberDy;
    tuplet->SetNumberDy(numberDy);
    tuplet->SetNumbers(number, second);
    tuplet->PutByte(kReserved, 0);
    return tuplet;
}

void CTuplet::FitToNotes(CBarItem* const* notes, int count, TupletMake& make) {
    using namespace entry;
    if (std::none_of(notes, notes + std::max(count, 0), [](CBarItem* n) { return n != nullptr; })) return;
    make.startY = -32767;
    make.endY = 0;
    make.endStaffOffset = 0;
    make.length = 120;
    make.side = 1;
    make.startStaffOffset = 0;
    int total = 0, present = 0;
    bool first = true;
    for (int i = 0; i < count; ++i) {
        CBarItem* entry = notes[i];
        if (!entry) continue;
        ++present;
        total += notesize::kValueTicks[std::clamp(rec::Get<std::uint8_t>(entry, kValue) >> 4, 0, 7)];
        if (entry->IsRest()) {
            const int top = std::int8_t(rec::Get<std::uint8_t>(entry, kRestStaffPos)) + 3;
            if (first) {
                make.side = 1;
                make.startY = std::max(make.startY, top);
                make.endY = std::max(make.endY, top);
            } else if (top > make.endY) {
                make.endY = top;
            }
        } else if (entry->IsNoteOrRawNote()) {
            const int attach = NoteAttachY(*entry, true);
            if (make.startY == -32767) {
                make.side = rec::Get<std::uint8_t>(entry, kStem) & kStemUpBit;
                make.startY = attach;
            }
            const int cross = rec::Get<std::uint8_t>(entry, kHeadCount) > 0 && entry->RecordSizeField() >= kHeads + kHeadSize
                                  ? std::int8_t(rec::Get<std::uint8_t>(entry, kHeads + kHeadCross)) >> 5
                                  : 0;
            make.endStaffOffset = cross;
            make.endY = attach;
        }
        if (first) {
            make.startTime = entry->TimeField();
            make.startTimeWithOffset = entry->TimeField() + entry->TimeOffsetField();
            make.startStaffOffset = entry->IsRest() ? 0 : make.endStaffOffset;
            first = false;
        }
        make.voice = entry->VoiceField();
        make.endTime = entry->TimeField();
        rec::Put(entry, kBaseFlags, std::uint8_t(rec::Get<std::uint8_t>(entry, kBaseFlags) | kTupletBit));
        rec::Put(entry, kTupletCount, std::uint8_t(make.number));
        rec::Put(entry, kTupletSpan, std::uint8_t(make.secondNumber));
    }
    if (make.startY == 2 && make.endY == 2) make.startY = make.endY = 3;
    const int mean = total / present;
    make.noteValue = 7;
    for (int code = 0; code < 8; ++code)
        if (notesize::kValueTicks[code] <= mean) {
            make.noteValue = code;
            break;
        }
}

// --- the bend's record and the lines built on it ---------------------------------------------------

bool CBend::GetPlayback(std::uint8_t out[kPlaybackSize]) const {
    if (!Holds(kPlayback, kPlaybackSize)) return false;
    std::memcpy(out, Bytes() + kPlayback, kPlaybackSize);
    return true;
}

void CBend::SetPlayback(const std::uint8_t in[kPlaybackSize]) {
    if (Holds(kPlayback, kPlaybackSize)) std::memcpy(Bytes() + kPlayback, in, kPlaybackSize);
}

void CBend::OwnFieldsFromFileOrder(int fixed) {
    WordFromFileOrder(kPointCount);
    WordFromFileOrder(kReservedWord);
    CoordFromFileOrder(kEndLabelDx);
    CoordFromFileOrder(kEndLabelDy);
    if (fixed == kPoints)
        for (int w = 0; w < 4; ++w) WordFromFileOrder(kPlaybackWords + 2 * w);
    const int stored = std::uint16_t(Word(kPointCount));
    const int room = RecordSizeField() >= fixed ? (RecordSizeField() - fixed) / kPointSize : 0;
    const int n = std::min(stored, room);
    for (int i = 0; i < n; ++i) {
        const int at = fixed + kPointSize * i;
        PutByte(at + kPointBits, PointBitsFromFile(Byte(at + kPointBits)));
        WordFromFileOrder(at + kPointPosition);
        for (int c : {kPointDy, kPointLabelDx, kPointLabelDy}) CoordFromFileOrder(at + c);
    }
}

void CBend::OwnFieldsToFileOrder() {
    const int n = PointCount();
    for (int i = 0; i < n; ++i) {
        const int at = PointAt(i);
        PutByte(at + kPointBits, PointBitsToFile(Byte(at + kPointBits)));
        WordToFileOrder(at + kPointPosition);
        for (int c : {kPointDy, kPointLabelDx, kPointLabelDy}) CoordToFileOrder(at + c);
    }
    WordToFileOrder(kPointCount);
    WordToFileOrder(kReservedWord);
    CoordToFileOrder(kEndLabelDx);
    CoordToFileOrder(kEndLabelDy);
    for (int w = 0; w < 4; ++w) WordToFileOrder(kPlaybackWords + 2 * w);
}

void CBend::AppendPoint(int position, int dy) {
    const int i = std::uint16_t(Word(kPointCount));
    const int at = PointAt(i);
    CBaseItem::SetSize(std::int16_t(at + kPointSize));
    std::memset(Bytes() + at, 0, kPointSize);
    SetPointCount(i + 1);
    SetPointValue(i, position);
    SetPointDy(i, dy);
    SetPointLabelOffsets(i, kDefaultLabelDx, kDefaultLabelDy);
}

void CBarre::RomanFret(int fret, char out[16]) {
    std::string s;
    fret = std::clamp(fret, 0, int(kMaxFret));
    for (; fret >= 10; fret -= 10) s += 'X';
    if (fret == 9) s += "IX";
    else if (fret == 4) s += "IV";
    else {
        if (fret >= 5) {
            s += 'V';
            fret -= 5;
        }
        s.append(std::size_t(fret), 'I');
    }
    std::snprintf(out, 16, "%s", s.c_str());
}

void CPedal::RemovePoint(int i) {
    const int n = PointCount();
    if (i < 1 || i > n) {
        MarkRemoved();
        return;
    }
    std::uint8_t* b = Bytes();
    std::memmove(b + PointAt(i - 1), b + PointAt(i), std::size_t(kPointSize * (n - i)));
    std::memset(b + PointAt(n - 1), 0, kPointSize);
    SetPointCount(n - 1);
}

std::string CGlissando::GetText() const {
    if (!Holds(kText, kTextSize)) return {};
    const char* t = reinterpret_cast<const char*>(Bytes() + kText);
    return std::string(t, strnlen(t, kTextSize - 1));
}

void CGlissando::SetText(const char* text) {
    if (!Holds(kText, kTextSize)) return;
    char* t = reinterpret_cast<char*>(Bytes() + kText);
    std::memset(t, 0, kTextSize);
    if (text) std::memcpy(t, text, strnlen(text, kTextSize - 1));
}

FontRef CGlissando::GetFont() const {
    FontRef f;
    if (Holds(kFont, int(sizeof f))) std::memcpy(&f, Bytes() + kFont, sizeof f);
    return f;
}

void CGlissando::SetFont(const FontRef& font) {
    if (Holds(kFont, int(sizeof font))) std::memcpy(Bytes() + kFont, &font, sizeof font);
}

void CTuplet::FollowBeam(const int positionChange[2], const int fineChange[2]) {
    SetStartY(StartY() + positionChange[0]);
    SetEndY(EndY() + positionChange[1]);
    SetStartDy(StartDy() + fineChange[0]);
    SetEndDy(EndDy() + fineChange[1]);
}

void CTuplet::MirrorWithBeam(const int oldPositions[2], const int newPositions[2], const int fineChange[2]) {
    SetStartY(newPositions[0] + oldPositions[0] - StartY());
    SetEndY(newPositions[1] + oldPositions[1] - EndY());
    SetStartDy(-StartDy() + fineChange[0]);
    SetEndDy(-EndDy() + fineChange[1]);
    SetHook(-Hook());
    SetNumberDy(-NumberDy());
}
