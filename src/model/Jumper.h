// The bar's own marks that decide the order of bars: the repeat count of a closing repeat
// (type 48), the text jumpers (49: segno, coda, "To Coda", D.S., D.C., Fine) and the endings
// (50). One declaration of each record; every reader of these records uses these views.
//
// Jumper (26 bytes): 16 kind, 17 chain count, 18 pass counter, 19 count (repeat count, or an
//   ending's pass mask), 20 reserved word, 22 target bar (an ending's span), 24 reserved word.
// Text jumper (82 bytes): then 26 text x, 28 text height, 30/32 segno glyph x/y, 34/36 coda
//   glyph x/y (coordinates), 38 text font, 44 glyph font, 50 text (32 bytes).
// Ending (78 bytes): then 26 start x, 28 left hook, 30 end x, 32 right hook, 34 bracket
//   height, 36 text x, 38 text height (coordinates), 40 text font, 46 text (32 bytes).
//
// Stored after the bar-item head: the four bytes raw, the words big-endian, coordinates
// divided by 5 and big-endian, font references as for every record, then a text jumper's or
// an ending's text in the chunk stream's string form (cut to 31 bytes when read).
#pragma once
#include <cstdint>
#include <string_view>

#include "model/BarItem.h"
#include "model/PlaybackMarks.h"
#include "platform/FontRef.h"

class CJumper : public CBarItem {
public:
    static constexpr int kType = 48;
    static constexpr int kSize = 26;
    enum : int { kKind = 16, kChainCount = 17, kPass = 18, kCount = 19, kTarget = 22 };
    enum : int {
        kSegno = 0,
        kCoda = 1,
        kToCoda = 2,
        kDsAlCoda = 3,
        kDsAlFine = 4,
        kDcAlCoda = 5,
        kDcAlFine = 6,
        kFine = 7,
        kRepeatCount = 8,
        kEndingBefore = 9,
        kEndingAfter = 10,
    };
    // The default texts of kinds 0-7 are strings 3610 + kind.
    static constexpr int kKindTextString = 3610;
    static constexpr int kMaxText = 31;
    static const MarkField kFields[];
    static const int kFieldCount;

    static CJumper* Of(CBarItem* item) { return static_cast<CJumper*>(item); }
    static const CJumper* Of(const CBarItem* item) { return static_cast<const CJumper*>(item); }
    static bool IsJumperCode(int code) { return code >= 48 && code <= 50; }

    int GetKind() const { return Byte(kKind); }
    static bool IsJumpKind(int kind) { return kind >= kToCoda && kind <= kFine; }
    static bool IsEndingKind(int kind) { return kind == kEndingBefore || kind == kEndingAfter; }
    bool IsEnding() const { return IsEndingKind(GetKind()); }
    int GetChainCount() const { return Byte(kChainCount); }
    void SetChainCount(int n) { PutByte(kChainCount, std::uint8_t(n)); }
    int GetPass() const { return Byte(kPass); }
    void SetPass(int n) { PutByte(kPass, std::uint8_t(n)); }
    int GetCount() const { return Byte(kCount); }
    void SetCount(int n) { PutByte(kCount, std::uint8_t(n)); }
    std::int16_t GetTarget() const { return Word(kTarget); }
    void SetTarget(int v) { PutWord(kTarget, v); }

    // Stores the kind and the defaults of the record's class: size, count 1, target 1; a text
    // jumper's fonts, offsets and empty text; an ending's kind 9, bracket, hooks and "1.". The
    // record must have room for its class's size.
    void SetKind(int kind);

    // The text of a text jumper or an ending (empty for the plain jumper).
    std::string_view GetText() const;
    void SetText(std::string_view text);
    int TextOffset() const;
    // The stored size: the record's own size for the plain jumper, the fixed part plus the
    // text with its terminator made even for the others.
    int GetStoredSize() const;

    FontRef Font(int at) const;
    void SetFont(int at, const FontRef& font);

};
ZEL_RECORD_VIEW(CJumper);

class CTextJumper : public CJumper {
public:
    static constexpr int kType = 49;
    static constexpr int kSize = 82;
    enum : int { kTextX = 26, kTextHeight = 28, kSegnoX = 30, kSegnoY = 32, kCodaX = 34, kCodaY = 36, kTextFont = 38, kGlyphFont = 44, kText = 50 };
    static const MarkField kFields[];
    static const int kFieldCount;
    static CTextJumper* Of(CBarItem* item) { return static_cast<CTextJumper*>(item); }
};
ZEL_RECORD_VIEW(CTextJumper);

class CEnding : public CJumper {
public:
    static constexpr int kType = 50;
    static constexpr int kSize = 78;
    enum : int { kStartX = 26, kLeftHook = 28, kEndX = 30, kRightHook = 32, kHeight = 34, kTextX = 36, kTextHeight = 38, kTextFont = 40, kText = 46 };
    static constexpr int kMinLeftHook = 240;
    static const MarkField kFields[];
    static const int kFieldCount;
    static CEnding* Of(CBarItem* item) { return static_cast<CEnding*>(item); }
    int GetSpan() const { return GetTarget(); }
};
ZEL_RECORD_VIEW(CEnding);
