// The symbol's record: playback accessors, stored form, older files' fix-up and fonts.
#include "model/Symbol.h"

#include <algorithm>
#include <cstring>

#include "model/BitOrder.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/ScoreFile.h"
#include "model/ScoreItem.h"
#include "model/Text.h"
#include "platform/ChunkStream.h"
#include "platform/DrawGlobals.h"
#include "platform/FontArray.h"
#include "platform/FontMap.h"

namespace {

constexpr int kPlaybackVersion = 0x300;
constexpr int kSettingsVersion = 0x400;
// The MIDI data views' kinds that symbols carry.
constexpr int kVelocityKind = 2, kControllerKind = 3;
// The sustain pedal's controller, stored + 1.
constexpr std::uint8_t kSustainByte = 65;

void Swap16(std::uint8_t* p) { std::swap(p[0], p[1]); }

bool Whole(const CScoreItem& item) { return item.RecordSizeField() >= CSymbol::kSize; }

// The face of the current music font (the document's font map, else the program's default).
std::uint16_t MusicFace() { return g_draw.fontMap ? g_draw.fontMap->musicFace : g_draw.defaultMusicFontRef.face; }

}  // namespace

FontRef CSymbol::GetFont() const {
    FontRef f;
    std::memcpy(&f, Bytes() + kFont, sizeof f);
    return f;
}

void CSymbol::SetFont(const FontRef& font) { std::memcpy(Bytes() + kFont, &font, sizeof font); }

bool CSymbol::GetPlayback(std::uint8_t out[kPlaybackSize]) const {
    std::memcpy(out, Bytes() + kPlayback, kPlaybackSize);
    return true;
}

void CSymbol::SetPlayback(const std::uint8_t in[kPlaybackSize]) { std::memcpy(Bytes() + kPlayback, in, kPlaybackSize); }

int CSymbol::GetVelocity() const {
    if ((Bytes()[kPlayback] & kVelocityBit) && Bytes()[kVelocitySwitch] == 1) return rec::Get<std::int16_t>(this, kVelocity);
    return -1;
}

int CSymbol::GetDataValue() const {
    const DataViewSettings& view = g_model.dataView;
    if (view.kind == kControllerKind && GetController() == view.controller) return Bytes()[kControllerValue];
    if (view.kind == kVelocityKind && (Bytes()[kPlayback] & kVelocityBit)) return rec::Get<std::uint16_t>(this, kVelocity);
    return 65535;
}

void CSymbol::SetDataValue(int value) {
    const DataViewSettings& view = g_model.dataView;
    if (view.kind == kControllerKind && GetController() == view.controller)
        Bytes()[kControllerValue] = std::uint8_t(value);
    else if (view.kind == kVelocityKind && (Bytes()[kPlayback] & kVelocityBit))
        rec::Put(this, kVelocity, std::int16_t(value));
}

CSymbol* CSymbol::Make(void* buffer, int character, const FontRef& font, std::uint8_t flags) {
    std::memset(buffer, 0, kSize);
    auto* s = static_cast<CSymbol*>(ConstructClass(kTypeCode, buffer));
    if (!s) return nullptr;
    rec::Put(s, kFlags, flags);
    rec::Put(s, kCharacter, std::uint8_t(character));
    s->SetFont(font);
    return s;
}

// --- stored form ------------------------------------------------------------------------------

const SymbolBehaviour& SymbolBehaviour::Instance() {
    static const SymbolBehaviour behaviour;
    return behaviour;
}

void SymbolBehaviour::ReadBody(CScoreItem& item, CChunkStream& stream) const {
    BarItemBehaviour::ReadBody(item, stream);
    g_scoreFile.recordWithFonts = true;
}

void SymbolBehaviour::WriteBody(CScoreItem& item, CChunkStream& s) const {
    if (!Whole(item)) {
        BarItemBehaviour::WriteBody(item, s);
        return;
    }
    auto& sym = static_cast<CSymbol&>(item);
    const std::uint8_t* b = sym.Bytes();
    s.WriteCoord(sym.GetX());
    s.WriteCoord(sym.GetY());
    s.WriteByte(MirrorFields(sym.SymbolFlags(), kLayout_1_1_1_1_1_3));
    s.WriteByte(b[CSymbol::kReserved]);
    s.WriteBytes(b + CSymbol::kCharacter, 2);
    s.WriteFontRef(sym.GetFont());
    s.WriteBytes(b + CSymbol::kPlayback, CSymbol::kPlaybackWords - CSymbol::kPlayback);
    for (int w = 0; w < 4; ++w) s.WriteWord(rec::Get<std::int16_t>(b, std::size_t(CSymbol::kPlaybackWords + 2 * w)));
    const int size = sym.RecordSizeField();
    if (size > CSymbol::kSize) s.WriteBytes(b + CSymbol::kSize, std::uint32_t(size - CSymbol::kSize));
}

void SymbolBehaviour::ToFileOrder(CScoreItem& item) const {
    if (Whole(item)) {
        std::uint8_t* b = item.Bytes();
        for (int at : {int(CSymbol::kXOffset), int(CSymbol::kYOffset)}) {
            rec::Put(b, std::size_t(at), std::int16_t(rec::Get<std::int16_t>(b, std::size_t(at)) / 5));
            Swap16(b + at);
        }
        MirrorFieldsToFile(b + CSymbol::kFlags, kLayout_1_1_1_1_1_3);
        Swap16(b + CSymbol::kFont);
        Swap16(b + CSymbol::kFont + 2);
        b[CSymbol::kFont + 5] = 0;
        for (int w = 0; w < 4; ++w) Swap16(b + CSymbol::kPlaybackWords + 2 * w);
    }
    BarItemBehaviour::ToFileOrder(item);
}

void SymbolBehaviour::FromFileOrder(CScoreItem& item) const {
    const int size = item.RecordSizeField();
    if (size < CSymbol::kPlayback) return;
    std::uint8_t* b = item.Bytes();
    for (int at : {int(CSymbol::kXOffset), int(CSymbol::kYOffset)}) {
        Swap16(b + at);
        rec::Put(b, std::size_t(at), std::int16_t(rec::Get<std::int16_t>(b, std::size_t(at)) * 5));
    }
    MirrorFieldsFromFile(b + CSymbol::kFlags, kLayout_1_1_1_1_1_3);
    Swap16(b + CSymbol::kFont);
    Swap16(b + CSymbol::kFont + 2);
    if (g_model.loadedFileVersion < kSettingsVersion || size < CSymbol::kSize) {
        // No playback setting was stored: a zeroed one takes its place, where the reader gave
        // room for it (a record without the room stays short and is refused as damaged).
        if (RecordReadRoom(item) < CSymbol::kSize) return;
        std::memset(b + CSymbol::kPlayback, 0, CSymbol::kPlaybackSize);
        item.CBaseItem::SetSize(CSymbol::kSize);
        return;
    }
    for (int w = 0; w < 4; ++w) Swap16(b + CSymbol::kPlaybackWords + 2 * w);
    // A record longer than a symbol keeps its surplus, as written.
}

void SymbolBehaviour::AfterLoad(CScoreItem& item, int version) const {
    BarItemBehaviour::AfterLoad(item, version);
    if (!Whole(item)) return;
    auto& sym = static_cast<CSymbol&>(item);
    std::uint8_t* b = sym.Bytes();
    const int file = g_model.loadedFileVersion;
    const int c = sym.GetCharacter();
    if (file < kPlaybackVersion && (c == 208 || c == 209)) sym.SetFlag8Bit1(true);
    if (file >= kSettingsVersion) return;
    b[CSymbol::kFlags] = std::uint8_t(b[CSymbol::kFlags] & ~CSymbol::kOldFileBit);
    if (c == 208 || c == 209) {
        b[CSymbol::kController] = kSustainByte;
        b[CSymbol::kControllerValue] = c == 208 ? 127 : 0;
    } else if (c == 178 || c == 179 || c == 185 || c == 186) {
        b[CSymbol::kPlayback] = CSymbol::kOldValueMarker;
        const std::uint8_t old = b[CSymbol::kOldValue];
        b[CSymbol::kPlaybackOldValue] = old == 0 ? 10 : old;
    }
}

void SymbolBehaviour::ResolveFonts(CScoreItem& item, CFontArray* fonts) const {
    if (!Whole(item)) return;
    auto& sym = static_cast<CSymbol&>(item);
    if (!sym.IsBarLineMark() && !sym.IsMusicFont()) {
        ResolveFontAt(fonts, sym.Bytes() + CSymbol::kFont);
        return;
    }
    FontRef font = sym.GetFont();
    if (font.face == MusicFace()) return;
    if (fonts) fonts->KeepLive(sym.Bytes() + CSymbol::kFont);
    font.face = MusicFace();
    sym.SetFont(font);
}

bool SymbolBehaviour::IsSameKind(CScoreItem& item, CScoreItem& other) const {
    if (!BarItemBehaviour::IsSameKind(item, other)) return false;
    if (!Whole(item) || !Whole(other)) return true;
    auto& a = static_cast<CSymbol&>(item);
    auto& o = static_cast<CSymbol&>(other);
    return a.IsMusicFont() == o.IsMusicFont() && a.GetCharacter() == o.GetCharacter();
}

bool SymbolBehaviour::IsTrackItem(CBarItem& item) const {
    return Whole(item) ? static_cast<CSymbol&>(item).IsTrackItem() : BarItemBehaviour::IsTrackItem(item);
}
