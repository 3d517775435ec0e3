// The marks that shape playback: dynamics, hairpins, expressions, jumpers and endings. Their
// stored bytes, reading them back, the repairs of older files, their defaults and the values
// playback reads.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "NotationTestSupport.h"
#include "model/ItemFactory.h"
#include "model/Jumper.h"
#include "model/PlaybackMarks.h"
#include "model/Preferences.h"

using namespace notetest;

namespace {

class PlaybackMarksTest : public NotationTest {};

Bytes Head(int size, int type) { return {std::uint8_t(size >> 8), std::uint8_t(size), std::uint8_t(type), 0, 0, 0, 0, 0, 0, 0, 0, 0}; }

Bytes Cat(std::initializer_list<Bytes> parts) { return recordtest::Concat(parts); }

template <typename T>
T* Make(RecordBuf& buf, int code) {
    return static_cast<T*>(static_cast<CBarItem*>(ConstructClass(code, buf.data())));
}

}  // namespace

// --- dynamics ---------------------------------------------------------------------------------

TEST_F(PlaybackMarksTest, DynamicIsStoredExactlyAndReadBack) {
    RecordBuf buf;
    auto* d = Make<CDynamic>(buf, CDynamic::kType);
    ASSERT_EQ(d->RecordSizeField(), 24);
    d->SetVerticalOffset(480);
    d->SetAllVoices(true);
    d->SetPlayKind(CDynamic::kControllerKind);
    d->SetMark(6);
    d->SetValue(90);
    d->SetHorizontalOffset(-25);
    d->SetController(11);
    d->SetChannelVoice(3);
    // all voices in bit 7, play kind in bits 6-5, erase in 4, the mark in 3-0
    const Bytes expected = Cat({Head(24, 20), {0x00, 0x60, 0xA6, 90, 0xFF, 0xFB, 11, 3}});
    EXPECT_EQ(Stored(d), expected);

    RecordBuf back;
    auto* r = static_cast<CDynamic*>(ReadStored(expected, back));
    EXPECT_EQ(Body(r), Body(d));
    EXPECT_EQ(r->GetMark(), 6);
    EXPECT_EQ(r->GetPlaybackController(), 11);
    EXPECT_EQ(r->GetPlaybackVelocity(), -1);
}

TEST_F(PlaybackMarksTest, MarkThirteenIsInsertedForFilesBeforeItsVersion) {
    struct Case {
        int version, minor, mark, expected;
    } cases[] = {
        {0x402, 6, 13, 14}, {0x402, 6, 12, 12}, {0x402, 6, 14, 15}, {0x402, 7, 13, 13},
        {0x401, 30, 13, 14}, {0x410, 25, 13, 13},
    };
    for (const Case& c : cases) {
        RecordBuf buf;
        auto* d = Make<CDynamic>(buf, CDynamic::kType);
        d->SetMark(c.mark);
        const Bytes stored = Stored(d);
        SetLoadedFileVersion(std::uint16_t(c.version), std::uint16_t(c.minor));
        RecordBuf back;
        auto* r = static_cast<CDynamic*>(ReadStored(stored, back));
        EXPECT_EQ(r->GetMark(), c.expected) << std::hex << c.version << " " << c.minor << " mark " << std::dec << c.mark;
    }
}

TEST_F(PlaybackMarksTest, OlderPlayKindsBecomeVelocityOrAController) {
    struct Case {
        int old, kind, controller;
    } cases[] = {{0, 1, 7}, {1, 0, 7}, {2, 1, 1}, {3, 1, 11}};
    for (const Case& c : cases) {
        RecordBuf buf;
        auto* d = Make<CDynamic>(buf, CDynamic::kType);
        d->SetPlayKind(c.old);
        d->SetController(99);
        const Bytes stored = WithoutColourBytes(Stored(d));
        SetLoadedFileVersion(0x300, 0);
        RecordBuf back;
        auto* r = static_cast<CDynamic*>(ReadStored(stored, back));
        EXPECT_EQ(r->RecordSizeField(), 24);
        EXPECT_EQ(r->GetPlayKind(), c.kind) << "old kind " << c.old;
        EXPECT_EQ(r->GetController(), c.controller) << "old kind " << c.old;
    }
}

TEST_F(PlaybackMarksTest, DynamicControllerAndValuesByPlayKind) {
    RecordBuf buf;
    auto* d = Make<CDynamic>(buf, CDynamic::kType);
    for (auto [given, kept] : {std::pair{-1, 7}, {128, 7}, {300, 7}, {0, 0}, {127, 127}, {64, 64}}) {
        d->SetController(given);
        EXPECT_EQ(d->GetController(), kept) << given;
    }
    d->SetValue(77);
    d->SetPlayKind(CDynamic::kVelocityKind);
    EXPECT_EQ(d->GetPlaybackVelocity(), 77);
    EXPECT_EQ(d->GetPlaybackController(), -1);
    EXPECT_EQ(static_cast<CBarItem*>(d)->GetValue(), 77);
}

TEST_F(PlaybackMarksTest, NewDynamicTakesItsVelocityFromThePreferences) {
    g_preferences.SetWord(Preferences::kDynamicsVelocities + 2 * 5, 83);
    RecordBuf buf;
    auto* d = Make<CDynamic>(buf, CDynamic::kType);
    d->InitMark(5, nullptr);
    EXPECT_EQ(d->GetMark(), 5);
    EXPECT_EQ(d->GetValue(), 83);
    EXPECT_EQ(d->GetVerticalOffset(), 480);
    EXPECT_TRUE(d->IsAllVoices());
    EXPECT_EQ(d->TimeOffsetField(), -10);
    // no device volume controller: controller 7 with play kind velocity
    EXPECT_EQ(d->GetPlayKind(), CDynamic::kVelocityKind);
    EXPECT_EQ(d->GetController(), 7);
    EXPECT_EQ(kDynamicMarks[13].glyph, 0x9F);
}

// --- hairpins ---------------------------------------------------------------------------------

TEST_F(PlaybackMarksTest, HairpinCurveByShapeAndItsFlip) {
    using Curve = std::array<int, 7>;
    struct Case {
        int shape;
        bool twin;
        Curve initial, flipped;
    } cases[] = {
        {CCresc::kCrescendo, false, {50, 60, 70, 80, 90, 100, 110}, {110, 100, 90, 80, 70, 60, 50}},
        {CCresc::kDecrescendo, false, {110, 100, 90, 80, 70, 60, 50}, {50, 60, 70, 80, 90, 100, 110}},
        {CCresc::kCrescendo, true, {50, 60, 70, 80, 70, 60, 50}, {80, 70, 60, 50, 60, 70, 80}},
        {CCresc::kDecrescendo, true, {110, 100, 90, 80, 90, 100, 110}, {80, 90, 100, 110, 100, 90, 80}},
    };
    for (const Case& c : cases) {
        RecordBuf buf;
        auto* h = Make<CCresc>(buf, CCresc::kType);
        h->SetShape(c.shape);
        h->SetDouble(c.twin);
        h->InitCurve();
        Curve got{};
        for (int i = 0; i < 7; ++i) got[i] = h->GetCurveValue(i);
        EXPECT_EQ(got, c.initial) << c.shape << c.twin;
        h->Flip(0);
        for (int i = 0; i < 7; ++i) got[i] = h->GetCurveValue(i);
        EXPECT_EQ(got, c.flipped) << c.shape << c.twin;
        EXPECT_NE(h->GetShape(), c.shape);
    }
}

TEST_F(PlaybackMarksTest, HairpinIsStoredExactlyAndReadBack) {
    RecordBuf buf;
    auto* h = Make<CCresc>(buf, CCresc::kType);
    ASSERT_EQ(h->RecordSizeField(), 94);
    h->SetShape(CCresc::kDecrescendo);
    h->SetTextForm(true);
    h->SetPlayKind(1);
    h->SetController(11);
    h->SetVerticalPosition(500);
    h->SetUpper(100);
    h->SetLower(-50);
    h->SetEnd(2, 768);
    h->SetStartOffset(15);
    h->SetEndOffset(-20);
    h->InitCurve();
    h->SetFont(FontRef{3, 12, 2, 0});
    h->SetText("dim.");
    h->SetMark(0, 7);
    h->SetMark(2, 4);
    Bytes body = {0x62, 11, 0, 100, 0, 20, 0xFF, 0xF6, 0, 2, 3, 0, 0, 3, 0xFF, 0xFC,
                  110, 100, 90, 80, 70, 60, 50, 0, 0, 3, 0, 12, 2, 0};
    Bytes text = {'d', 'i', 'm', '.'};
    text.resize(32, 0);
    body.insert(body.end(), text.begin(), text.end());
    body.insert(body.end(), {7, 0, 4, 0});
    body.resize(78, 0);
    const Bytes expected = Cat({Head(94, 19), body});
    EXPECT_EQ(Stored(h), expected);
    RecordBuf back;
    auto* r = static_cast<CCresc*>(ReadStored(expected, back));
    EXPECT_EQ(Body(r), Body(h));
    EXPECT_EQ(r->GetText(), "dim.");
    EXPECT_EQ(r->GetPlaybackValue(0), -1);
    EXPECT_EQ(r->GetPlaybackController(), 11);
}

TEST_F(PlaybackMarksTest, OlderHairpinCurveSpreadsOverSevenPoints) {
    RecordBuf buf;
    auto* h = Make<CCresc>(buf, CCresc::kType);
    for (int i = 0; i < 4; ++i) h->SetCurveValue(i, 50 + 20 * i);
    h->SetMark(0, 3);
    h->SetText("old");
    const Bytes stored = WithoutColourBytes(Stored(h));
    SetLoadedFileVersion(0x300, 0);
    RecordBuf back;
    auto* r = static_cast<CCresc*>(ReadStored(stored, back));
    for (int i = 0; i < 7; ++i) EXPECT_EQ(r->GetCurveValue(i), 50 + 10 * i) << i;
    EXPECT_EQ(r->GetMark(0), 0);
    EXPECT_TRUE(r->GetText().empty());
    EXPECT_EQ(r->RecordSizeField(), 94);
}

TEST_F(PlaybackMarksTest, EmptyTextFormShowsItsDefaultWordsAndTransientIsCleared) {
    for (auto [shape, text] : {std::pair{0, "cresc."}, {1, "decresc."}}) {
        RecordBuf buf;
        auto* h = Make<CCresc>(buf, CCresc::kType);
        h->SetShape(shape);
        h->SetTextForm(true);
        h->SetTransient(true);
        RecordBuf back;
        auto* r = static_cast<CCresc*>(ReadStored(Stored(h), back));
        EXPECT_EQ(r->GetText(), text);
        EXPECT_FALSE(r->IsTransient());
    }
}

TEST_F(PlaybackMarksTest, HairpinTextEndsWithinItsField) {
    RecordBuf buf(512);
    std::memset(buf.data(), 'x', buf.bytes.size());
    auto* h = Make<CCresc>(buf, CCresc::kType);
    std::memset(h->Bytes() + CCresc::kText, 'y', CCresc::kTextSize);  // no terminator
    EXPECT_EQ(h->GetText().size(), 32u);
    h->SetText(std::string(50, 'z'));
    EXPECT_EQ(h->GetText(), std::string(31, 'z'));
}

TEST_F(PlaybackMarksTest, HairpinEndPastTheLastBarIsClamped) {
    RecordBuf buf;
    auto* h = Make<CCresc>(buf, CCresc::kType);
    h->SetEnd(5, 300);
    h->SetEndOffset(40);
    h->ClampEnd(3, 6);  // bars 3..5 exist
    EXPECT_EQ(h->GetEndBar(), 2);
    EXPECT_EQ(h->GetEndPosition(), 1023);
    EXPECT_EQ(h->GetEndOffset(), 0);
    h->SetEnd(1, 300);
    h->ClampEnd(3, 6);
    EXPECT_EQ(h->GetEndBar(), 1);
    EXPECT_EQ(h->GetEndPosition(), 300);
}

TEST_F(PlaybackMarksTest, CrossedHalfOpeningsAreExchangedAndCurvePointsSpreadOverTheSpan) {
    RecordBuf buf;
    auto* h = Make<CCresc>(buf, CCresc::kType);
    h->SetUpper(-60);
    h->SetLower(40);
    h->UncrossOpenings();
    EXPECT_EQ(h->GetUpper(), -40);
    EXPECT_EQ(h->GetLower(), 60);
    h->SetUpper(30);
    h->SetLower(40);
    h->UncrossOpenings();
    EXPECT_EQ(h->GetUpper(), 30);
    h->InitCurve();
    int ticks[7], values[7];
    h->GetCurvePoints(960, 1920, ticks, values);
    EXPECT_EQ(ticks[0], 960);
    EXPECT_EQ(ticks[3], 1920);
    EXPECT_EQ(ticks[6], 2880);
    EXPECT_EQ(values[6], 110);
}

// --- expressions ------------------------------------------------------------------------------

TEST_F(PlaybackMarksTest, ExpressionStoresItsOwnTextAfterItsFixedPart) {
    RecordBuf buf;
    auto* e = Make<CExpression>(buf, CExpression::kType);
    e->Init(0, 0);
    EXPECT_EQ(Stored(e).size(), 38u);
    EXPECT_EQ(e->GetDisplayText(), "Expr");
    EXPECT_EQ(e->GetValue(), 65535);

    e->SetOwnTextBit(true);
    std::memcpy(e->Bytes() + CExpression::kText, "dolce", 6);
    e->CBaseItem::SetSize(48);
    EXPECT_EQ(e->GetWantedSize(), 48);  // "dolce" and its terminator
    const Bytes stored = Stored(e);
    EXPECT_EQ(stored.size(), 44u);
    EXPECT_EQ(e->GetDisplayText(), "dolce");
    RecordBuf back;
    auto* r = static_cast<CExpression*>(ReadStored(stored, back));
    EXPECT_EQ(Body(r), Body(e));
    EXPECT_EQ(r->GetText(), "dolce");
}

TEST_F(PlaybackMarksTest, NewExpressionDefaults) {
    RecordBuf buf;
    auto* e = Make<CExpression>(buf, CExpression::kType);
    e->SetPositionField(512);
    e->SetPrinted(true);
    e->Init(CExpression::kTempoKind, 0x17701770u);
    EXPECT_EQ(e->GetKind(), 1);
    EXPECT_EQ(e->GetFont().size, 9);
    EXPECT_EQ(e->GetVerticalOffset(), -360);
    EXPECT_EQ(e->GetKeySwitchPitch(), 45);
    EXPECT_FALSE(e->IsPrinted());
    EXPECT_EQ(e->GetEndPosition(), 512);
    EXPECT_EQ(e->GetValue(), 6000);
    e->SetValue(12000);
    EXPECT_EQ(e->GetStartTempo(), 12000);
    EXPECT_EQ(e->GetEndTempo(), 6000);
}

TEST_F(PlaybackMarksTest, OlderExpressionTempiAndLineStyles) {
    struct Case {
        bool legacyLine;
        int style, expected;
    } cases[] = {{false, 3, 0}, {true, 0, 1}, {true, 6, 7}, {true, 7, 0}};
    for (const Case& c : cases) {
        RecordBuf buf;
        auto* e = Make<CExpression>(buf, CExpression::kType);
        e->SetKind(CExpression::kTempoKind);
        e->SetTempi(120, 60);
        e->SetEraseBackground(true);
        e->SetLineStyle(c.style);
        if (c.legacyLine) rec::Put<std::uint8_t>(e, CExpression::kFlags1, std::uint8_t(rec::Get<std::uint8_t>(e, CExpression::kFlags1) | 0x04));
        const Bytes stored = WithoutColourBytes(Stored(e));
        SetLoadedFileVersion(0x300, 0);
        RecordBuf back;
        auto* r = static_cast<CExpression*>(ReadStored(stored, back));
        EXPECT_EQ(r->GetStartTempo(), 12000);
        EXPECT_EQ(r->GetEndTempo(), 6000);
        EXPECT_FALSE(r->ErasesBackground());
        EXPECT_EQ(r->GetLineStyle(), c.expected) << c.legacyLine << " " << c.style;
    }
}

TEST_F(PlaybackMarksTest, ChannelVoiceOfVersion0x400IsRaised) {
    for (auto [version, expected] : {std::pair{0x400, 4}, {0x401, 3}}) {
        RecordBuf buf;
        auto* e = Make<CExpression>(buf, CExpression::kType);
        e->SetKind(CExpression::kChannelKind);
        e->StoreByte(2, 3);
        const Bytes stored = Stored(e);
        SetLoadedFileVersion(std::uint16_t(version), 0);
        RecordBuf back;
        auto* r = static_cast<CExpression*>(ReadStored(stored, back));
        EXPECT_EQ(r->GetChannelVoice(), expected) << std::hex << version;
    }
}

TEST_F(PlaybackMarksTest, OwnTextEndsWithinTheRecord) {
    RecordBuf buf;
    std::memset(buf.data(), 'q', buf.bytes.size());
    auto* e = Make<CExpression>(buf, CExpression::kType);
    e->SetOwnTextBit(true);
    e->CBaseItem::SetSize(46);
    std::memset(e->Bytes() + CExpression::kText, 'p', 4);  // no terminator inside the record
    EXPECT_EQ(e->GetText(), "pppp");
}

TEST_F(PlaybackMarksTest, ArticulationWordsOfTheDisplayText) {
    for (auto [text, index] : {std::pair{"Marcato", 0}, {"Staccato!", 1}, {"arco", 2}, {"pizz.", 3}, {"legato", 4}, {"dolce", 5}}) {
        RecordBuf buf;
        auto* e = Make<CExpression>(buf, CExpression::kType);
        e->SetOwnTextBit(true);
        e->CBaseItem::SetSize(CExpression::kFixedSize + 16);
        std::strcpy(reinterpret_cast<char*>(e->Bytes() + CExpression::kText), text);
        EXPECT_EQ(e->MatchArticulation(), index) << text;
    }
}

// --- jumpers and endings ----------------------------------------------------------------------

TEST_F(PlaybackMarksTest, SetKindDefaultsOfEachClass) {
    FontRef jumperFont{2, 14, 0, 0};
    g_preferences.SetFont(9, jumperFont);
    RecordBuf tb;
    auto* t = Make<CTextJumper>(tb, CTextJumper::kType);
    t->SetKind(CJumper::kToCoda);
    EXPECT_EQ(t->RecordSizeField(), 82);
    EXPECT_EQ(t->GetKind(), 2);
    EXPECT_EQ(t->GetCount(), 1);
    EXPECT_EQ(t->GetTarget(), 1);
    EXPECT_EQ(t->Word(CTextJumper::kTextHeight), 180);
    EXPECT_EQ(t->Word(CTextJumper::kSegnoY), -90);
    EXPECT_EQ(t->Word(CTextJumper::kCodaY), -90);
    EXPECT_EQ(t->Font(CTextJumper::kTextFont).size, 14);
    EXPECT_EQ(t->Font(CTextJumper::kGlyphFont).size, 28);
    EXPECT_TRUE(t->GetText().empty());

    RecordBuf eb;
    auto* e = Make<CEnding>(eb, CEnding::kType);
    e->SetKind(CJumper::kEndingAfter);
    EXPECT_EQ(e->RecordSizeField(), 78);
    EXPECT_EQ(e->GetKind(), 9);
    const int expected[] = {-11, 270, 270, 576, 120, 306};
    const int fields[] = {CEnding::kEndX, CEnding::kLeftHook, CEnding::kRightHook, CEnding::kHeight, CEnding::kTextX, CEnding::kTextHeight};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(e->Word(fields[i]), expected[i]) << fields[i];
    EXPECT_EQ(e->GetText(), "1.");
}

TEST_F(PlaybackMarksTest, JumperTextsAreStoredAsStringsAndReadBack) {
    struct Case {
        std::string text;
        Bytes stored;
    } cases[] = {
        {"Fine", {4, 'F', 'i', 'n', 'e', 0}},
        {"D.S.", {4, 'D', '.', 'S', '.', 0}},
        {"abc", {3, 'a', 'b', 'c'}},
        {"", {0, 0}},
    };
    for (const Case& c : cases) {
        RecordBuf buf;
        auto* t = Make<CTextJumper>(buf, CTextJumper::kType);
        t->SetKind(CJumper::kFine);
        t->SetText(c.text);
        t->SetTarget(-1);
        t->SetChainCount(3);
        const Bytes stored = Stored(t);
        ASSERT_GE(stored.size(), c.stored.size());
        EXPECT_EQ(Bytes(stored.end() - std::ptrdiff_t(c.stored.size()), stored.end()), c.stored) << c.text;
        EXPECT_EQ(int(stored.size()), t->GetStoredSize()) << c.text;
        RecordBuf back;
        auto* r = static_cast<CTextJumper*>(ReadStored(stored, back));
        EXPECT_EQ(Body(r), Body(t)) << c.text;
        EXPECT_EQ(r->GetTarget(), -1);
        EXPECT_EQ(r->GetChainCount(), 3);
    }
}

TEST_F(PlaybackMarksTest, LongJumperTextOnFileIsCutTo31Bytes) {
    RecordBuf buf;
    auto* e = Make<CEnding>(buf, CEnding::kType);
    e->SetKind(CJumper::kEndingBefore);
    e->SetTarget(2);
    Bytes stored = Stored(e);
    // The text "1." replaced by a 40-byte string.
    stored.resize(stored.size() - 4);  // "1.": length, two characters, pad
    stored.push_back(40);
    for (int i = 0; i < 40; ++i) stored.push_back(std::uint8_t('a' + i % 26));
    stored.push_back(0);
    RecordBuf back;
    auto* r = static_cast<CEnding*>(ReadStored(stored, back));
    EXPECT_EQ(r->GetText().size(), 31u);
    EXPECT_EQ(r->RecordSizeField(), 78);
    EXPECT_EQ(r->GetSpan(), 2);
}

TEST_F(PlaybackMarksTest, RepeatEndMakesItsJumperThroughSetKind) {
    RecordBuf buf;
    auto* j = Make<CJumper>(buf, CJumper::kType);
    j->SetKind(CJumper::kRepeatCount);
    EXPECT_EQ(j->RecordSizeField(), 26);
    EXPECT_EQ(j->GetCount(), 1);
    EXPECT_EQ(j->GetTarget(), 1);
    j->SetTarget(4);
    j->SetPass(2);
    RecordBuf back;
    auto* r = static_cast<CJumper*>(ReadStored(Stored(j), back));
    EXPECT_EQ(Body(r), Body(j));
}

// A jumper of the older format (type 11) revives by its kind byte: the repeat count as a plain
// jumper of 26 bytes, the endings as endings of 78, every other kind as a text jumper of 82.
TEST_F(PlaybackMarksTest, LegacyJumperRevivesByItsKind) {
    struct Case {
        int kind, code, size;
    } cases[] = {{8, 48, 26}, {9, 50, 78}, {10, 50, 78}, {0, 49, 82}, {2, 49, 82}, {7, 49, 82}};
    for (const Case& c : cases) {
        RecordBuf buf;
        rec::Put<std::int16_t>(buf.data(), rec::kSize, std::int16_t(26));
        buf.data()[14] = std::uint8_t(c.kind);
        CScoreItem* item = ConstructItem(11, buf.data());
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->TypeCode(), c.code) << "kind " << c.kind;
        EXPECT_EQ(GetItemRecordSizeForCode(item->TypeCode()), c.size) << "kind " << c.kind;
        EXPECT_FALSE(IsBareScoreItem(item)) << "kind " << c.kind;
    }
}
