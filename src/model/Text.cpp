// The text item's record: its layout checks, sizes, stored form and fonts.
#include "model/Text.h"

#include <algorithm>
#include <cstring>

#include "model/BitOrder.h"
#include "model/ItemFactory.h"
#include "model/ScoreFile.h"
#include "model/ScoreItem.h"
#include "platform/ChunkStream.h"
#include "platform/FontArray.h"

namespace {

constexpr int kCoords32[] = {CText::kXOffset, CText::kYOffset, CText::kWidth, CText::kHeight};
constexpr int kFrameCoords[] = {CText::kFrameWordA, CText::kFrameWordB, CText::kFrameMarginX, CText::kFrameMarginY,
                                CText::kFrameLineWidth};

void Swap16(std::uint8_t* p) { std::swap(p[0], p[1]); }
void Swap32(std::uint8_t* p) {
    std::swap(p[0], p[3]);
    std::swap(p[1], p[2]);
}
void SwapFontRef(std::uint8_t* p) {
    Swap16(p);
    Swap16(p + 2);
}

std::int16_t Word(const std::uint8_t* p) { return rec::Get<std::int16_t>(p, 0); }

// Where the tables of a text lie once its length word is known; each offset is checked against
// the record's size before it is read.
struct Tables {
    int runCountAt = -1;
    int runsAt = -1;
    int lineCountAt = -1;
    int linesAt = -1;
    int end = -1;
};

// The tables of a record whose length and counts are in memory order; fields that do not fit
// leave the later offsets at -1.
Tables FindTables(const CText& t, bool swapped) {
    Tables tb;
    const int size = t.RecordSizeField();
    const auto word = [&](int at) {
        std::uint8_t b[2] = {t.Bytes()[at], t.Bytes()[at + 1]};
        if (swapped) Swap16(b);
        return int(Word(b));
    };
    const int length = word(CText::kTextLength);
    if (length < 0 || CText::kText + length > size) return tb;
    const int after = CText::kText + length;
    if (t.IsSingleFont()) {
        if (after + 6 <= size) tb.end = after + 6;
        return tb;
    }
    if (after + 2 > size) return tb;
    tb.runCountAt = after;
    const int runs = word(after);
    if (runs < 0 || after + 2 + CText::kRunSize * runs + 2 > size) return tb;
    tb.runsAt = after + 2;
    tb.lineCountAt = tb.runsAt + CText::kRunSize * runs;
    const int lines = word(tb.lineCountAt);
    if (lines < 0 || tb.lineCountAt + 2 + CText::kLineSize * lines > size) return tb;
    tb.linesAt = tb.lineCountAt + 2;
    tb.end = tb.linesAt + CText::kLineSize * lines;
    return tb;
}

// The byte-order work of the tables in both directions; only fields that lie inside the record
// are touched, and every count is read in memory order.
void SwapTables(CText& t, bool toFile) {
    std::uint8_t* b = t.Bytes();
    const Tables tb = FindTables(t, !toFile);
    const auto count = [&](int at) {
        std::uint8_t c[2] = {b[at], b[at + 1]};
        if (!toFile) Swap16(c);
        return int(Word(c));
    };
    Swap16(b + CText::kTextLength);
    if (t.IsSingleFont()) {
        if (tb.end > 0) SwapFontRef(b + tb.end - 6);
        return;
    }
    if (tb.runCountAt < 0) return;
    const int runs = count(tb.runCountAt);
    Swap16(b + tb.runCountAt);
    if (tb.runsAt < 0) return;
    for (int i = 0; i < runs; ++i) {
        std::uint8_t* r = b + tb.runsAt + CText::kRunSize * i;
        Swap16(r);
        SwapFontRef(r + 2);
    }
    const int lines = count(tb.lineCountAt);
    Swap16(b + tb.lineCountAt);
    if (tb.linesAt < 0) return;
    for (int i = 0; i < lines; ++i)
        for (int w = 0; w < 4; ++w) Swap16(b + tb.linesAt + CText::kLineSize * i + 2 * w);
}

}  // namespace

// --- accessors --------------------------------------------------------------------------------

bool CText::ShowsOnPage(int pageNumber) const {
    const int own = GetPageNumber();
    switch (GetPageFilter()) {
        case kOnePage: return pageNumber == own;
        case kEveryPage: return true;
        case kOddPages: return (pageNumber & 1) != 0;
        case kEvenPages: return (pageNumber & 1) == 0;
        case kFromPage: return pageNumber >= own;
        default: return false;
    }
}

bool CText::GetFrame(std::uint8_t frame[kFrameSize]) const {
    std::memcpy(frame, Bytes() + kFrame, kFrameSize);
    return IsFramed();
}

void CText::SetFrame(const std::uint8_t frame[kFrameSize], bool framed) {
    std::memcpy(Bytes() + kFrame, frame, kFrameSize);
    rec::Put(this, kFlags, std::uint8_t(framed ? (TextFlags() | kFramedBit) : (TextFlags() & ~kFramedBit)));
}

void CText::DefaultFrame(std::uint8_t frame[kFrameSize]) {
    std::memset(frame, 0, kFrameSize);
    rec::Put<std::int16_t>(frame, kFrameMarginX - kFrame, 40);
    rec::Put<std::int16_t>(frame, kFrameMarginY - kFrame, 40);
    rec::Put<std::int16_t>(frame, kFrameLineWidth - kFrame, 20);
}

FontRef CText::GetSingleFont() const {
    FontRef f;
    std::memcpy(&f, Bytes() + kText + GetTextLength(), sizeof f);
    return f;
}

void CText::SetFont(const FontRef& font) { std::memcpy(GetFontRecord(), &font, sizeof font); }

int CText::GetRunCount() const { return rec::Get<std::int16_t>(Bytes(), std::size_t(kText + GetTextLength())); }

int CText::GetRunOffset(int i) const {
    return rec::Get<std::int16_t>(Bytes(), std::size_t(kText + GetTextLength() + 2 + kRunSize * i));
}

FontRef CText::GetRunFont(int i) const {
    FontRef f;
    std::memcpy(&f, Bytes() + kText + GetTextLength() + 2 + kRunSize * i + 2, sizeof f);
    return f;
}

int CText::GetLineCount() const {
    return rec::Get<std::int16_t>(Bytes(), std::size_t(kText + GetTextLength() + 2 + kRunSize * GetRunCount()));
}

int CText::GetLineWord(int i, int word) const {
    const int at = kText + GetTextLength() + 2 + kRunSize * GetRunCount() + 2 + kLineSize * i + 2 * word;
    return rec::Get<std::int16_t>(Bytes(), std::size_t(at));
}

int CText::WantedSize() const { return FindTables(*this, false).end; }

bool CText::CheckLayout() const {
    if (RecordSizeField() < kFixedSize) return false;
    const Tables tb = FindTables(*this, false);
    if (tb.end < 0) return false;
    const int length = GetTextLength();
    if (length > 0 && !std::memchr(GetText(), 0, std::size_t(length))) return false;
    if (IsSingleFont()) return true;
    for (int i = 0, n = GetRunCount(); i < n; ++i) {
        const int at = GetRunOffset(i);
        if (at < 0 || at > length) return false;
    }
    for (int i = 0, n = GetLineCount(); i < n; ++i) {
        const int at = GetLineWord(i, 0);
        if (at < 0 || at > length) return false;
    }
    return true;
}

int CText::EvenTextLength(int bytes) { return (bytes + 1 + 1) & ~1; }

int CText::PlainSize(const char* text) { return kFixedSize + EvenTextLength(int(std::strlen(text))) + 6; }

CText* CText::MakePlain(void* buffer, int room, int type, int kind, const char* text, const FontRef& font, bool framed) {
    const int bytes = int(std::strlen(text));
    const int size = PlainSize(text);
    if (size > 0x7FFF || size > room) return nullptr;
    std::memset(buffer, 0, std::size_t(size));
    auto* t = static_cast<CText*>(ConstructClass(type, buffer));
    if (!t) return nullptr;
    t->CBaseItem::SetSize(std::int16_t(size));
    rec::Put(t, kFlags, std::uint8_t(kSingleFontBit | ((kind & 7) << 5)));
    rec::Put(t, kTextLength, std::int16_t(EvenTextLength(bytes)));
    std::memcpy(t->GetText(), text, std::size_t(bytes));
    t->SetFont(font);
    if (framed) {
        std::uint8_t frame[kFrameSize];
        DefaultFrame(frame);
        t->SetFrame(frame, true);
    }
    return t;
}

void ResolveFontAt(CFontArray* fonts, std::uint8_t* at) {
    if (!fonts) return;
    FontRef font;
    std::memcpy(&font, at, sizeof font);
    const FontRef was = font;
    fonts->ResolveFont(&font);
    if (std::memcmp(&was, &font, sizeof font) == 0) return;
    fonts->KeepLive(at);
    std::memcpy(at, &font, sizeof font);
}

// --- stored form ------------------------------------------------------------------------------

const TextBehaviour& TextBehaviour::Instance() {
    static const TextBehaviour behaviour;
    return behaviour;
}

const PageTextBehaviour& PageTextBehaviour::Instance() {
    static const PageTextBehaviour behaviour;
    return behaviour;
}

void TextBehaviour::ReadBody(CScoreItem& item, CChunkStream& stream) const {
    BarItemBehaviour::ReadBody(item, stream);
    // A text whose length, tables or offsets leave its record is refused: drawing walks them.
    if (!static_cast<CText&>(item).CheckLayout()) ThrowDamagedRecord(stream);
    // The font mapping after the read maps the text's fonts.
    g_scoreFile.recordWithFonts = true;
}

void TextBehaviour::WriteBody(CScoreItem& item, CChunkStream& s) const {
    auto& t = static_cast<CText&>(item);
    if (!t.CheckLayout()) {
        BarItemBehaviour::WriteBody(item, s);
        return;
    }
    const std::uint8_t* b = t.Bytes();
    s.WriteByte(MirrorFields(t.TextFlags(), kLayout_1_1_1_2_3));
    s.WriteByte(MirrorFields(t.PlacementFlags(), kLayout_1_2_3_2));
    for (int at : kCoords32) s.WriteLongCoord(rec::Get<std::int32_t>(b, std::size_t(at)));
    s.WriteBytes(b + CText::kFrame, 2);
    for (int at : kFrameCoords) s.WriteCoord(rec::Get<std::int16_t>(b, std::size_t(at)));
    s.WriteWord(t.GetPageNumber());
    const int length = t.GetTextLength();
    s.WriteWord(length);
    s.WriteBytes(b + CText::kText, std::uint32_t(length));
    if (t.IsSingleFont()) {
        s.WriteFontRef(t.GetSingleFont());
    } else {
        const int runs = t.GetRunCount();
        s.WriteWord(runs);
        for (int i = 0; i < runs; ++i) {
            s.WriteWord(t.GetRunOffset(i));
            s.WriteFontRef(t.GetRunFont(i));
        }
        const int lines = t.GetLineCount();
        s.WriteWord(lines);
        for (int i = 0; i < lines; ++i)
            for (int w = 0; w < 4; ++w) s.WriteWord(t.GetLineWord(i, w));
    }
    const int wanted = t.WantedSize();
    const int size = t.RecordSizeField();
    if (size > wanted) s.WriteBytes(b + wanted, std::uint32_t(size - wanted));
}

void TextBehaviour::ToFileOrder(CScoreItem& item) const {
    auto& t = static_cast<CText&>(item);
    if (t.CheckLayout()) {
        std::uint8_t* b = t.Bytes();
        SwapTables(t, true);
        MirrorFieldsToFile(b + CText::kFlags, kLayout_1_1_1_2_3);
        MirrorFieldsToFile(b + CText::kPlacement, kLayout_1_2_3_2);
        for (int at : kCoords32) {
            rec::Put(b, std::size_t(at), std::int32_t(rec::Get<std::int32_t>(b, std::size_t(at)) / 5));
            Swap32(b + at);
        }
        for (int at : kFrameCoords) {
            rec::Put(b, std::size_t(at), std::int16_t(rec::Get<std::int16_t>(b, std::size_t(at)) / 5));
            Swap16(b + at);
        }
        Swap16(b + CText::kPageNumber);
    }
    BarItemBehaviour::ToFileOrder(item);
}

void TextBehaviour::FromFileOrder(CScoreItem& item) const {
    auto& t = static_cast<CText&>(item);
    if (t.RecordSizeField() < CText::kFixedSize) return;
    std::uint8_t* b = t.Bytes();
    MirrorFieldsFromFile(b + CText::kFlags, kLayout_1_1_1_2_3);
    MirrorFieldsFromFile(b + CText::kPlacement, kLayout_1_2_3_2);
    for (int at : kCoords32) {
        Swap32(b + at);
        rec::Put(b, std::size_t(at), std::int32_t(std::uint32_t(rec::Get<std::int32_t>(b, std::size_t(at))) * 5u));
    }
    for (int at : kFrameCoords) {
        Swap16(b + at);
        rec::Put(b, std::size_t(at), std::int16_t(rec::Get<std::int16_t>(b, std::size_t(at)) * 5));
    }
    Swap16(b + CText::kPageNumber);
    SwapTables(t, false);
}

int TextBehaviour::GetWantedSize(CScoreItem& item) const {
    const int wanted = static_cast<CText&>(item).WantedSize();
    return wanted > 0 ? wanted : item.RecordSizeField();
}

int TextBehaviour::GetKind(CScoreItem& item) const { return static_cast<CText&>(item).GetKind(); }

void TextBehaviour::ResolveFonts(CScoreItem& item, CFontArray* fonts) const {
    auto& t = static_cast<CText&>(item);
    if (!t.CheckLayout()) return;
    if (t.IsSingleFont()) {
        ResolveFontAt(fonts, t.GetFontRecord());
        return;
    }
    for (int i = 0, n = t.GetRunCount(); i < n; ++i) ResolveFontAt(fonts, t.GetStyleRuns() + 2 + CText::kRunSize * i + 2);
}

bool TextBehaviour::IsTextKindTwo(CScoreItem& item) const { return static_cast<CText&>(item).IsMarkingText(); }
bool TextBehaviour::IsTextKindOne(CScoreItem& item) const { return static_cast<CText&>(item).IsStaffText(); }

bool TextBehaviour::IsTrackItem(CBarItem& item) const { return static_cast<CText&>(item).IsTrackText(); }
