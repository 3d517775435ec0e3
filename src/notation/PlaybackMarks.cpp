#include "notation/PlaybackMarks.h"

#include <cstring>
#include <vector>

#include "model/ItemClass.h"
#include "model/Jumper.h"
#include "model/ModelGlobals.h"
#include "model/PlaybackMarks.h"
#include "model/ScoreFile.h"
#include "platform/ChunkStream.h"
#include "platform/DrawGlobals.h"
#include "platform/FontArray.h"
#include "platform/PortLayer.h"
#include "notation/RawNote.h"

namespace {

const DynamicBehaviour kDynamic;
const HairpinBehaviour kHairpin;
const ExpressionBehaviour kExpression;
const JumperBehaviour kJumper;
const TextJumperBehaviour kTextJumper;
const EndingBehaviour kEnding;

// The hairpin's default texts of the text form.
constexpr int kCrescText = 6630;
constexpr int kDecrescText = 6631;

// The format versions whose records these marks repair.
constexpr int kLegacyVersion = 0x300;
constexpr int kMarksVersion = 0x400;

// Writes the bytes after the head of a copy of the record turned into file order by `convert`.
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

// Maps the font reference at `at` through the document's table, noting it for a save's keeper.
void ResolveFontAt(CScoreItem& item, int at, CFontArray* fonts) {
    if (!fonts || item.RecordSizeField() < at + int(sizeof(FontRef))) return;
    FontRef font;
    std::memcpy(&font, item.Bytes() + at, sizeof font);
    const FontRef was = font;
    fonts->ResolveFont(&font);
    if (std::memcmp(&was, &font, sizeof font) == 0) return;
    fonts->KeepLive(item.Bytes() + at);
    std::memcpy(item.Bytes() + at, &font, sizeof font);
}

// Older files: the no-playback flag of the head.
void SetNoPlayback(CBarItem& item) { item.SetFlagsA(std::uint8_t(item.FlagsA() | CBarItem::kFlag8Bit1)); }

}  // namespace

// --- the dynamic ---------------------------------------------------------------------------------

const DynamicBehaviour& DynamicBehaviour::Instance() { return kDynamic; }

void DynamicBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    WriteConverted(item, stream, CDynamic::kSize, [](CBarItem* copy) { marks::FieldsToFile(copy, CDynamic::kFields, CDynamic::kFieldCount); });
}

void DynamicBehaviour::ToFileOrder(CScoreItem& item) const {
    marks::FieldsToFile(&static_cast<CBarItem&>(item), CDynamic::kFields, CDynamic::kFieldCount);
    BarItemBehaviour::ToFileOrder(item);
}

void DynamicBehaviour::FromFileOrder(CScoreItem& item) const {
    auto* d = CDynamic::Of(&static_cast<CBarItem&>(item));
    marks::FieldsFromFile(d, CDynamic::kFields, CDynamic::kFieldCount);
    if (g_model.loadedFileVersion < kMarksVersion) d->ConvertOldPlayKind();
}

void DynamicBehaviour::AfterLoad(CScoreItem& item, int version) const {
    BarItemBehaviour::AfterLoad(item, version);
    auto* d = CDynamic::Of(&static_cast<CBarItem&>(item));
    if (version < kLegacyVersion) d->ConvertOldPlayKind();
    // Mark 13 was inserted in version 0x402, build 7.
    const int v = g_model.loadedFileVersion;
    if ((v < 0x402 || (v == 0x402 && g_model.loadedFileMinor < 7)) && d->GetMark() > 12) d->SetMark(d->GetMark() + 1);
}

int DynamicBehaviour::GetValue(CBarItem& item) const { return CDynamic::Of(&item)->GetValue(); }
int DynamicBehaviour::GetVerticalOffset(CBarItem& item) const { return CDynamic::Of(&item)->GetVerticalOffset(); }
void DynamicBehaviour::SetValue(CBarItem& item, int value) const { CDynamic::Of(&item)->SetValue(value); }
void DynamicBehaviour::SetHorizontalOffset(CBarItem& item, int offset) const { CDynamic::Of(&item)->SetHorizontalOffset(offset); }
void DynamicBehaviour::SetVerticalOffset(CBarItem& item, int offset) const { CDynamic::Of(&item)->SetVerticalOffset(offset); }
void DynamicBehaviour::AttachToTrack(CBarItem& item, CTrack* track) const { CDynamic::Of(&item)->AttachToTrack(track); }

// --- the hairpin ---------------------------------------------------------------------------------

const HairpinBehaviour& HairpinBehaviour::Instance() { return kHairpin; }

void HairpinBehaviour::ReadBody(CScoreItem& item, CChunkStream& stream) const {
    g_scoreFile.recordWithFonts = true;
    BarItemBehaviour::ReadBody(item, stream);
}

void HairpinBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    WriteConverted(item, stream, CCresc::kSize, [](CBarItem* copy) { marks::FieldsToFile(copy, CCresc::kFields, CCresc::kFieldCount); });
}

void HairpinBehaviour::ToFileOrder(CScoreItem& item) const {
    marks::FieldsToFile(&static_cast<CBarItem&>(item), CCresc::kFields, CCresc::kFieldCount);
    BarItemBehaviour::ToFileOrder(item);
}

void HairpinBehaviour::FromFileOrder(CScoreItem& item) const {
    auto* c = CCresc::Of(&static_cast<CBarItem&>(item));
    marks::FieldsFromFile(c, CCresc::kFields, CCresc::kFieldCount);
    if (g_model.loadedFileVersion < kMarksVersion) c->ConvertOldPlayKind();
}

void HairpinBehaviour::AfterLoad(CScoreItem& item, int version) const {
    BarItemBehaviour::AfterLoad(item, version);
    auto* c = CCresc::Of(&static_cast<CBarItem&>(item));
    if (item.RecordSizeField() < CCresc::kSize) return;  // grown to its size after this
    if (version < kLegacyVersion) {
        SetNoPlayback(*c);
        const bool rising = c->GetShape() == CCresc::kCrescendo;
        for (int i = 0; i < 4; ++i) c->SetCurveValue(i, rising ? 50 + 20 * i : 110 - 20 * i);
        c->ConvertOldPlayKind();
    }
    if (version < kMarksVersion) {
        c->SetText({});
        for (int i = 0; i < 3; ++i) c->SetMark(i, 0);
        std::memset(c->Bytes() + CCresc::kReserved, 0, 12);
        int old[4];
        for (int i = 0; i < 4; ++i) old[i] = c->GetCurveValue(i);
        for (int i = 3; i >= 1; --i) {
            c->SetCurveValue(2 * i, old[i]);
            c->SetCurveValue(2 * i - 1, (old[i] + old[i - 1] + 1) / 2);
        }
        c->SetCurveValue(0, old[0]);
    }
    c->SetTransient(false);
    if (c->IsTextForm() && c->GetText().empty()) {
        c->SetFont(g_draw.standardFontRefs[0]);
        char text[64];
        c->SetText(LoadResString(UINT(c->GetShape() == CCresc::kCrescendo ? kCrescText : kDecrescText), text));
    }
    c->CBaseItem::SetSize(CCresc::kSize);
}

void HairpinBehaviour::ResolveFonts(CScoreItem& item, CFontArray* fonts) const { ResolveFontAt(item, CCresc::kFont, fonts); }

int HairpinBehaviour::GetVerticalOffset(CBarItem& item) const { return CCresc::Of(&item)->GetVerticalPosition(); }
int HairpinBehaviour::GetBarSpan(CBarItem& item) const { return CCresc::Of(&item)->GetEndBar(); }
int HairpinBehaviour::GetEndPosition(CBarItem& item) const { return CCresc::Of(&item)->GetEndPosition(); }
void HairpinBehaviour::SetEndPosition(CBarItem& item, int position) const { CCresc::Of(&item)->SetEndPosition(position); }
void HairpinBehaviour::SetHorizontalOffset(CBarItem& item, int offset) const { CCresc::Of(&item)->SetStartOffset(offset); }
void HairpinBehaviour::SetVerticalOffset(CBarItem& item, int offset) const { CCresc::Of(&item)->SetVerticalPosition(offset); }
void HairpinBehaviour::SetEndHorizontalOffset(CBarItem& item, int offset) const { CCresc::Of(&item)->SetEndOffset(offset); }
void HairpinBehaviour::SetEnd(CBarItem& item, int bars, int position) const { CCresc::Of(&item)->SetEnd(bars, position); }

bool HairpinBehaviour::AcceptsStartNote(CBarItem&, CBarItem* note, int) const {
    return note && NoteHasLink(*note, kLineStartLink);
}

bool HairpinBehaviour::AcceptsEndNote(CBarItem&, CBarItem* note, int) const {
    return note && NoteHasLink(*note, kLineEndLink);
}

void HairpinBehaviour::Flip(CBarItem& item, int mode) const {
    if (mode == 0) CCresc::Of(&item)->FlipShape();
}

void HairpinBehaviour::AttachToTrack(CBarItem& item, CTrack* track) const { CCresc::Of(&item)->AttachToTrack(track); }

// --- the expression ------------------------------------------------------------------------------

const ExpressionBehaviour& ExpressionBehaviour::Instance() { return kExpression; }

int ExpressionBehaviour::GetWantedSize(CScoreItem& item) const {
    return CExpression::Of(&static_cast<CBarItem&>(item))->GetWantedSize();
}

int ExpressionBehaviour::GetKind(CScoreItem& item) const { return CExpression::Of(&static_cast<CBarItem&>(item))->GetKind(); }

void ExpressionBehaviour::ReadBody(CScoreItem& item, CChunkStream& stream) const {
    g_scoreFile.recordWithFonts = true;
    BarItemBehaviour::ReadBody(item, stream);
}

void ExpressionBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    WriteConverted(item, stream, item.RecordSizeField(),
                   [](CBarItem* copy) { marks::FieldsToFile(copy, CExpression::kFields, CExpression::kFieldCount); });
}

void ExpressionBehaviour::ToFileOrder(CScoreItem& item) const {
    marks::FieldsToFile(&static_cast<CBarItem&>(item), CExpression::kFields, CExpression::kFieldCount);
    BarItemBehaviour::ToFileOrder(item);
}

void ExpressionBehaviour::FromFileOrder(CScoreItem& item) const {
    marks::FieldsFromFile(&static_cast<CBarItem&>(item), CExpression::kFields, CExpression::kFieldCount);
}

void ExpressionBehaviour::AfterLoad(CScoreItem& item, int version) const {
    BarItemBehaviour::AfterLoad(item, version);
    auto* e = CExpression::Of(&static_cast<CBarItem&>(item));
    if (item.RecordSizeField() < CExpression::kFixedSize) return;
    if (version < kMarksVersion) {
        e->SetEraseBackground(false);
        if (e->IsKind1()) e->SetTempi(e->GetStartTempo() * 100, e->GetEndTempo() * 100);
        e->SetLineStyle(e->HasLegacyLine() ? (e->GetLineStyle() + 1) % 8 : 0);
    }
    if (g_model.loadedFileVersion == kMarksVersion && e->IsKind5()) e->StoreByte(2, e->GetChannelVoice() + 1);
}

void ExpressionBehaviour::ResolveFonts(CScoreItem& item, CFontArray* fonts) const { ResolveFontAt(item, CExpression::kFont, fonts); }

int ExpressionBehaviour::GetValue(CBarItem& item) const { return CExpression::Of(&item)->GetValue(); }
int ExpressionBehaviour::GetVerticalOffset(CBarItem& item) const { return CExpression::Of(&item)->GetVerticalOffset(); }
int ExpressionBehaviour::GetBarSpan(CBarItem& item) const { return CExpression::Of(&item)->GetEndBar(); }
int ExpressionBehaviour::GetEndPosition(CBarItem& item) const { return CExpression::Of(&item)->GetEndPosition(); }
void ExpressionBehaviour::SetValue(CBarItem& item, int value) const { CExpression::Of(&item)->SetValue(value); }
void ExpressionBehaviour::SetHorizontalOffset(CBarItem& item, int offset) const { CExpression::Of(&item)->SetHorizontalOffset(offset); }
void ExpressionBehaviour::SetVerticalOffset(CBarItem& item, int offset) const { CExpression::Of(&item)->SetVerticalOffset(offset); }
void ExpressionBehaviour::SetEndHorizontalOffset(CBarItem& item, int offset) const { CExpression::Of(&item)->SetEndOffset(offset); }
void ExpressionBehaviour::SetEnd(CBarItem& item, int bars, int position) const { CExpression::Of(&item)->SetEnd(bars, position); }
void ExpressionBehaviour::AttachToTrack(CBarItem& item, CTrack* track) const { CExpression::Of(&item)->AttachToTrack(track); }

// --- the jumpers ---------------------------------------------------------------------------------

namespace {

const MarkField* FieldsOf(const CJumper& j, int* n) {
    switch (j.TypeCode()) {
        case CTextJumper::kType: *n = CTextJumper::kFieldCount; return CTextJumper::kFields;
        case CEnding::kType: *n = CEnding::kFieldCount; return CEnding::kFields;
        default: *n = CJumper::kFieldCount; return CJumper::kFields;
    }
}

}  // namespace

const JumperBehaviour& JumperBehaviour::Instance() { return kJumper; }

int JumperBehaviour::GetKind(CScoreItem& item) const { return CJumper::Of(&static_cast<CBarItem&>(item))->GetKind(); }

int JumperBehaviour::GetStoredSize(CScoreItem& item) const { return CJumper::Of(&static_cast<CBarItem&>(item))->GetStoredSize(); }

void JumperBehaviour::ReadBody(CScoreItem& item, CChunkStream& stream) const {
    auto* j = CJumper::Of(&static_cast<CBarItem&>(item));
    const int textAt = j->TextOffset();
    if (!textAt) {
        BarItemBehaviour::ReadBody(item, stream);
        return;
    }
    const int size = item.RecordSizeField();
    if (size < textAt + CJumper::kMaxText + 1) ThrowDamagedRecord(stream);
    g_scoreFile.recordWithFonts = true;
    ReadRecordBytes(stream, item.Bytes() + CBarItem::kHeadEnd, textAt - CBarItem::kHeadEnd);
    // The text: a string of its own length on file, cut to the field.
    char text[CJumper::kMaxText + 1] = {};
    stream.ReadString(text, sizeof text);
    std::memset(item.Bytes() + textAt, 0, CJumper::kMaxText + 1);
    std::memcpy(item.Bytes() + textAt, text, std::strlen(text));
    item.FromFileOrder();
}

void JumperBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    auto* j = CJumper::Of(&static_cast<CBarItem&>(item));
    const int textAt = j->TextOffset();
    int n = 0;
    const MarkField* fields = FieldsOf(*j, &n);
    WriteConverted(item, stream, textAt ? textAt : item.RecordSizeField(), [&](CBarItem* copy) { marks::FieldsToFile(copy, fields, n); });
    if (textAt) stream.WriteString(j->GetText());
}

void JumperBehaviour::ToFileOrder(CScoreItem& item) const {
    auto* j = CJumper::Of(&static_cast<CBarItem&>(item));
    int n = 0;
    const MarkField* fields = FieldsOf(*j, &n);
    marks::FieldsToFile(j, fields, n);
    BarItemBehaviour::ToFileOrder(item);
}

void JumperBehaviour::FromFileOrder(CScoreItem& item) const {
    auto* j = CJumper::Of(&static_cast<CBarItem&>(item));
    int n = 0;
    const MarkField* fields = FieldsOf(*j, &n);
    marks::FieldsFromFile(j, fields, n);
}

void JumperBehaviour::ResolveFonts(CScoreItem& item, CFontArray* fonts) const {
    switch (item.TypeCode()) {
        case CTextJumper::kType:
            ResolveFontAt(item, CTextJumper::kTextFont, fonts);
            ResolveFontAt(item, CTextJumper::kGlyphFont, fonts);
            break;
        case CEnding::kType: ResolveFontAt(item, CEnding::kTextFont, fonts); break;
        default: break;
    }
}

// --- registration --------------------------------------------------------------------------------

void RegisterPlaybackMarkClasses() {
    ItemClassTable& table = ItemClasses();
    table.SetBehaviourForCode(CDynamic::kType, &kDynamic);
    table.SetBehaviourForCode(CCresc::kType, &kHairpin);
    table.SetBehaviourForCode(CExpression::kType, &kExpression);
    table.SetBehaviourForCode(CJumper::kType, &kJumper);
    table.SetBehaviourForCode(CTextJumper::kType, &kTextJumper);
    table.SetBehaviourForCode(CEnding::kType, &kEnding);
}
