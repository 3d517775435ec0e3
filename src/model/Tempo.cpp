// The tempo mark's record: its values, its stored form and the conversion of its beat to
// quarter notes.
#include "model/Tempo.h"

#include <algorithm>
#include <cstring>

#include "framework/Arith.h"
#include "model/BitOrder.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/NoteSize.h"
#include "model/Page.h"
#include "model/ScoreFile.h"
#include "model/ScoreItem.h"
#include "model/Text.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/ChunkStream.h"

namespace {

// The default item font of tempo marks in the program's default font table.
constexpr int kTempoFontSlot = 10;
// Files before this version kept tempos in whole beats and the equation flag in byte 73.
constexpr int kHundredthsVersion = 0x400;

// The coordinates of the record: x and y offsets, the metronome part's x and y offsets.
constexpr int kCoords[] = {CTempo::kXOffset, CTempo::kYOffset, CTempo::kMetronomeX, CTempo::kMetronomeY};
// The 16-bit words: the reserved word, the tempo and each font's face and size.
constexpr int kWords[] = {CTempo::kReserved, CTempo::kTempo,          CTempo::kTextFont,
                          CTempo::kTextFont + 2, CTempo::kNumberFont, CTempo::kNumberFont + 2};

bool Whole(const CScoreItem& item) { return item.RecordSizeField() >= CTempo::kSize; }

void SwapAt(CScoreItem& item, int at) {
    std::uint8_t* p = item.Bytes() + at;
    std::swap(p[0], p[1]);
}

FontRef FontAt(const CTempo& t, int at) {
    FontRef f;
    std::memcpy(&f, t.Bytes() + at, sizeof f);
    return f;
}

}  // namespace

void CTempo::SetValue(int tempo) { rec::Put(this, kTempo, std::uint16_t(std::clamp(tempo, kMinTempo, kMaxTempo))); }

int CTempo::GetQuarterTempo() const { return TempoToQuarterTempo(GetValue(), GetBeatUnit(), IsDotted()); }

int TempoToQuarterTempo(int tempo, int unitCode, bool dotted) {
    tempo = std::clamp(tempo, CTempo::kMinTempo, CTempo::kMaxTempo);
    int ticks = notesize::GetValueTicks(unitCode);
    if (dotted) ticks += ticks / 2;
    return MulDiv(ticks, tempo, 480);
}

CTempo* MakeTempoItem(void* buffer, int tempo) {
    auto* item = static_cast<CTempo*>(ConstructClass(CTempo::kTypeCode, buffer));
    if (!item) return nullptr;
    std::memset(item->Bytes() + rec::kType + 1, 0, std::size_t(item->RecordSizeField() - rec::kType - 1));
    rec::Put<std::uint8_t>(item, CTempo::kUnit, std::uint8_t((3 << 4) | CTempo::kMetronomeShownBit));
    rec::Put<std::uint8_t>(item, CTempo::kGlyphSize, 16);
    rec::Put<std::uint16_t>(item, CTempo::kTempo, std::uint16_t(tempo));
    rec::Put<std::int16_t>(item, CTempo::kYOffset, -480);
    rec::Put<std::uint8_t>(item, CTempo::kEquation, std::uint8_t((4 << 4) | CTempo::kSystemMarkBit));
    if (const FontRef* table = DefaultFontTable()) {
        FontRef font = table[kTempoFontSlot];
        std::memcpy(item->Bytes() + CTempo::kNumberFont, &font, sizeof font);
        font.pad = 0;
        std::memcpy(item->Bytes() + CTempo::kTextFont, &font, sizeof font);
    }
    return item;
}

// --- stored form ------------------------------------------------------------------------------

const TempoBehaviour& TempoBehaviour::Instance() {
    static const TempoBehaviour behaviour;
    return behaviour;
}

void TempoBehaviour::WriteBody(CScoreItem& item, CChunkStream& s) const {
    if (!Whole(item)) {
        BarItemBehaviour::WriteBody(item, s);
        return;
    }
    auto& t = static_cast<CTempo&>(item);
    const auto word = [&](int at) { s.WriteWord(rec::Get<std::uint16_t>(&t, at)); };
    const auto coord = [&](int at) { s.WriteCoord(rec::Get<std::int16_t>(&t, at)); };
    s.WriteByte(MirrorFields(rec::Get<std::uint8_t>(&t, CTempo::kUnit), kLayout_1_1_1_1_4));
    s.WriteByte(rec::Get<std::uint8_t>(&t, CTempo::kGlyphSize));
    word(CTempo::kReserved);
    word(CTempo::kTempo);
    coord(CTempo::kXOffset);
    coord(CTempo::kYOffset);
    s.WriteFontRef(FontAt(t, CTempo::kTextFont));
    coord(CTempo::kMetronomeX);
    coord(CTempo::kMetronomeY);
    s.WriteFontRef(FontAt(t, CTempo::kNumberFont));
    s.WriteBytes(t.Bytes() + CTempo::kText, CTempo::kTextSize);
    s.WriteByte(MirrorFields(rec::Get<std::uint8_t>(&t, CTempo::kEquation), kLayout_1_1_1_1_4));
    s.WriteBytes(t.Bytes() + CTempo::kNumberText, CTempo::kSize - CTempo::kNumberText);
    // A record longer than today's mark (an older one) keeps its extra bytes, so the body is as
    // long as the size written in its head says.
    const int size = t.RecordSizeField();
    if (size > CTempo::kSize) s.WriteBytes(t.Bytes() + CTempo::kSize, std::uint32_t(size - CTempo::kSize));
}

void TempoBehaviour::ToFileOrder(CScoreItem& item) const {
    if (Whole(item)) {
        MirrorFieldsToFile(item.Bytes() + CTempo::kUnit, kLayout_1_1_1_1_4);
        MirrorFieldsToFile(item.Bytes() + CTempo::kEquation, kLayout_1_1_1_1_4);
        for (int at : kCoords) rec::Put(&item, std::size_t(at), std::int16_t(rec::Get<std::int16_t>(&item, std::size_t(at)) / 5));
        for (int at : kCoords) SwapAt(item, at);
        for (int at : kWords) SwapAt(item, at);
        item.Bytes()[CTempo::kTextFont + 5] = 0;
        item.Bytes()[CTempo::kNumberFont + 5] = 0;
    }
    BarItemBehaviour::ToFileOrder(item);
}

void TempoBehaviour::FromFileOrder(CScoreItem& item) const {
    if (!Whole(item)) return;
    MirrorFieldsFromFile(item.Bytes() + CTempo::kUnit, kLayout_1_1_1_1_4);
    MirrorFieldsFromFile(item.Bytes() + CTempo::kEquation, kLayout_1_1_1_1_4);
    for (int at : kWords) SwapAt(item, at);
    for (int at : kCoords) {
        SwapAt(item, at);
        rec::Put(&item, std::size_t(at), std::int16_t(rec::Get<std::int16_t>(&item, std::size_t(at)) * 5));
    }
    // Its two font references are mapped by face name once the font table is read.
    g_scoreFile.recordWithFonts = true;
}

void TempoBehaviour::ResolveFonts(CScoreItem& item, CFontArray* fonts) const {
    if (!Whole(item)) return;
    ResolveFontAt(fonts, item.Bytes() + CTempo::kTextFont);
    ResolveFontAt(fonts, item.Bytes() + CTempo::kNumberFont);
}

void TempoBehaviour::AfterLoad(CScoreItem& item, int version) const {
    BarItemBehaviour::AfterLoad(item, version);
    if (g_model.loadedFileVersion >= kHundredthsVersion) return;
    const int size = item.RecordSizeField();
    if (size < CTempo::kSize) {
        // An older mark shorter than today's grows to its full size where the reader gave room.
        if (size < CTempo::kTempo + 2 || RecordReadRoom(item) < CTempo::kSize) return;
        std::memset(item.Bytes() + size, 0, std::size_t(CTempo::kSize - size));
        item.CBaseItem::SetSize(std::int16_t(CTempo::kSize));
    }
    auto& t = static_cast<CTempo&>(item);
    // Whole beats become hundredths, held within the range so that no 16-bit value wraps.
    t.SetValue(t.GetValue() * 100);
    std::memset(t.Bytes() + CTempo::kNumberText, 0, CTempo::kTextSize);
    std::uint8_t eq = rec::Get<std::uint8_t>(&t, CTempo::kEquation);
    rec::Put<std::uint8_t>(&t, CTempo::kNumberKind, (eq & CTempo::kOldEquationBit) ? 1 : 0);
    eq = std::uint8_t(eq & ~CTempo::kOldEquationBit);
    rec::Put(&t, CTempo::kEquation, eq);
}

int TempoBehaviour::GetValue(CBarItem& item) const { return static_cast<CTempo&>(item).GetValue(); }

void TempoBehaviour::SetValue(CBarItem& item, int value) const { static_cast<CTempo&>(item).SetValue(value); }

bool TempoBehaviour::IsTrackItem(CBarItem& item) const {
    if (!Whole(item)) return BarItemBehaviour::IsTrackItem(item);
    return !static_cast<CTempo&>(item).IsSystemMark();
}
