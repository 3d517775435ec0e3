#include "framework/CodePage.h"
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <regex>
#include <string>

#include "framework/Clock.h"
#include "framework/Cursor.h"
#include "framework/Gdi.h"
#include "framework/Input.h"
#include "framework/MessageBox.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"
#include "support/FreshProcess.h"
#include "support/TempHome.h"

namespace {

struct PortLayerTest : ::testing::Test {
    void SetUp() override {
        ResetPlatformGlobals();
        fw::cursortest::Reset();
    }
    void TearDown() override {
        fw::clocktest::Reset();
        fw::cursortest::Reset();
        ResetPlatformGlobals();
    }
};

// ---- Strings --------------------------------------------------------------------------------

TEST_F(PortLayerTest, StringsLoadByIdAndMissingOnesAreEmpty) {
    char buf[64] = "stale";
    EXPECT_EQ(fw::ToUtf8(LoadResString(10030, buf)), "警告");
    EXPECT_STREQ(LoadResString(59999, buf), "");
    std::strcpy(buf, "stale");
    EXPECT_STREQ(LoadStringLine(59999, buf), "");
    EXPECT_EQ(fw::ToUtf8(LoadStringLine(10029, buf)), "停止");  // no line feed: the whole string
    char small[4];  // room for one double-byte character: the second is not split
    EXPECT_EQ(fw::ToUtf8(LoadResString(10030, small)), "警");
    std::strcpy(buf, "stale");
    EXPECT_FALSE(GetListPart(64000, 0, buf));
    EXPECT_STREQ(buf, "");
}

TEST_F(PortLayerTest, MarkTextsByPlaybackEntry) {
    struct Case {
        int code;
        const char* want;  // null: no text
    } cases[] = {
        {0, "重音"},     {9, "跳音"},      {19, "六十四分音符震音"},
        {20, "上挑"},    {31, "颤唇"},
        {61, "legato"},  {62, "arco"},     {63, "pizz"},
        {-1, nullptr},   {32, nullptr},    {60, nullptr},
        {64, nullptr},
    };
    for (const Case& c : cases) {
        char buf[80] = "stale";
        bool given = GetMarkText(c.code, buf);
        EXPECT_EQ(given, c.want != nullptr) << c.code;
        EXPECT_EQ(fw::ToUtf8(buf), c.want ? c.want : "") << c.code;
    }
}

TEST_F(PortLayerTest, UnitsFollowTheMetricSetting) {
    EXPECT_STREQ(GetUnitsName(), "in.");
    EXPECT_EQ(TwipsToDisplayUnits(1440), 100);
    EXPECT_EQ(TwipsToDisplayUnits(7), 0);  // 0.486 rounds down
    EXPECT_EQ(TwipsToDisplayUnits(8), 1);  // 0.556 rounds up
    EXPECT_EQ(DisplayUnitsToTwips(100), 1440);
    EXPECT_EQ(DisplayUnitsToTwips(1), 14);
    g_platform.metricUnits = true;
    EXPECT_STREQ(GetUnitsName(), "cm.");
    EXPECT_EQ(TwipsToDisplayUnits(1440), 254);
    EXPECT_EQ(TwipsToDisplayUnits(567), 99);  // 39 hundredths of an inch first, then 99.06
    EXPECT_EQ(DisplayUnitsToTwips(254), 1440);
    EXPECT_EQ(DisplayUnitsToTwips(100), 567);
}

// ---- Numbers and dates ----------------------------------------------------------------------

TEST_F(PortLayerTest, FormatDecimalKeepsTheSignInFront) {
    struct Case {
        std::int32_t v;
        int places;
        const char* want;
    } cases[] = {
        {125, 1, "12.5"}, {125, 2, "1.25"}, {5, 2, "0.05"},   {0, 2, "0.00"},      {7, 3, "0.7"},
        {-125, 2, "-1.25"}, {-5, 1, "-0.5"}, {-5, 2, "-0.05"}, {12000, 2, "120.00"},
    };
    for (const Case& c : cases) {
        char buf[32];
        FormatDecimal(c.v, buf, c.places);
        EXPECT_STREQ(buf, c.want) << c.v << " " << c.places;
    }
    std::strcpy(g_platform.decimalSeparator, ",");
    char buf[32];
    FormatDecimal(125, buf, 2);
    EXPECT_STREQ(buf, "1,25");
}

TEST_F(PortLayerTest, FormatRatioShowsWholePartAndTwoDecimals) {
    struct Case {
        std::int32_t a, b;
        const char* want;
        std::int32_t whole;
    } cases[] = {
        {1, 3, ".33", 0},   {7, 2, "3.50", 3},  {4, 2, "2", 2},      {1, 20, ".05", 0},
        {199, 100, "1.99", 1}, {0, 5, "", 0},   {-7, 2, "-3.50", -3}, {7, -2, "-3.50", -3},
        {-1, 3, "-.33", 0}, {5, 0, "", 0},
    };
    for (const Case& c : cases) {
        char buf[32] = "stale";
        EXPECT_EQ(FormatRatio(c.a, c.b, buf), c.whole) << c.a << "/" << c.b;
        EXPECT_STREQ(buf, c.want) << c.a << "/" << c.b;
    }
}

TEST_F(PortLayerTest, ParseScaledDecimalScalesByPlaces) {
    struct Case {
        const char* text;
        int places;
        std::int32_t want;
    } cases[] = {
        {"007.5", 1, 75}, {"1.5", 2, 150}, {"2", 2, 200},   {"1.234", 2, 123}, {"12abc", 1, 120},
        {"", 2, 0},       {"3.", 1, 30},   {".5", 2, 50},   {"1.2.3", 2, 120}, {"-4", 1, 0},
        {"42", 0, 42},    {"4.9", 0, 4},   {"99999999999", 0, INT32_MAX},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseScaledDecimal(c.text, c.places), c.want) << c.text;
}

TEST_F(PortLayerTest, IntegerTextWrapsToSixteenBitsAndAppendsWithinTheBuffer) {
    char buf[16];
    IntToStr(-32768, buf);
    EXPECT_STREQ(buf, "-32768");
    IntToStr(std::int16_t(40000), buf);
    EXPECT_STREQ(buf, "-25536");
    std::strcpy(buf, "bar ");
    AppendInt(buf, 12);
    EXPECT_STREQ(buf, "bar 12");
    char small[6] = "abc";
    AppendInt(small, 12345);
    EXPECT_STREQ(small, "abc12");
}

TEST_F(PortLayerTest, DateAndTimeTexts) {
    char date[64], time[16];
    FormatLongDate(date);
    FormatShortTime(time);
    EXPECT_TRUE(std::regex_match(date, std::regex(
        "(Sun|Mon|Tues|Wednes|Thurs|Fri|Satur)day, "
        "(January|February|March|April|May|June|July|August|September|October|November|December) "
        "[0-3][0-9], [0-9]{4}")))
        << date;
    EXPECT_TRUE(std::regex_match(time, std::regex("(0[1-9]|1[0-2]):[0-5][0-9](AM|PM)"))) << time;
}

// ---- Alerts ---------------------------------------------------------------------------------

TEST_F(PortLayerTest, AlertsTakeCaptionAndIconFromTheirKind) {
    fw::msgboxtest::Capture capture;
    capture.Answer(IDYES);
    EXPECT_EQ(ShowAlert(kAlertCaution, "Replace?", MB_YESNO), IDYES);
    EXPECT_EQ(ShowAlertById(kAlertStop, 10028, 0), IDOK);
    EXPECT_EQ(ShowAlert(kAlertNote, "Done"), IDOK);
    ASSERT_EQ(capture.shown().size(), 3u);
    EXPECT_EQ(fw::ToUtf8(capture.shown()[0].caption), "警告");
    EXPECT_EQ(capture.shown()[0].text, "Replace?");
    EXPECT_EQ(capture.shown()[0].type, UINT(MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_EQ(fw::ToUtf8(capture.shown()[1].caption), "停止");
    EXPECT_EQ(fw::ToUtf8(capture.shown()[1].text), "提示");
    EXPECT_EQ(capture.shown()[1].type, UINT(MB_ICONHAND));
    EXPECT_EQ(fw::ToUtf8(capture.shown()[2].caption), "提示");
    EXPECT_EQ(capture.shown()[2].type, UINT(MB_ICONASTERISK));
    WarningBeep();
    EXPECT_EQ(capture.beeps(), 1);
    EXPECT_EQ(capture.lastBeep(), UINT(MB_ICONEXCLAMATION));
}

TEST_F(PortLayerTest, ReportErrorCodeShowsOnlyOutOfMemory) {
    fw::msgboxtest::Capture capture;
    EXPECT_FALSE(ReportErrorCode(0));
    EXPECT_TRUE(ReportErrorCode(101));
    EXPECT_TRUE(ReportErrorCode(1));
    EXPECT_TRUE(capture.shown().empty());
    EXPECT_TRUE(ReportErrorCode(100));
    ASSERT_EQ(capture.shown().size(), 1u);
    EXPECT_EQ(fw::ToUtf8(capture.shown()[0].text), "内存不足。");
    EXPECT_EQ(capture.shown()[0].type, UINT(MB_OK));
}

// ---- Cursors and ticks ----------------------------------------------------------------------

TEST_F(PortLayerTest, TicksCountSixtiethsFromTheFirstCall) {
    fw::clocktest::SetManual(0xFFFFFF00u);  // the millisecond count wraps during the test
    EXPECT_EQ(GetTicks(), 0);
    fw::clocktest::Advance(1000);
    EXPECT_EQ(GetTicks(), 60);
    fw::clocktest::Advance(8);  // 1008 ms: 60.48
    EXPECT_EQ(GetTicks(), 60);
    fw::clocktest::Advance(1);  // 1009 ms: 60.54
    EXPECT_EQ(GetTicks(), 61);
    std::int32_t before = GetTicks();
    WaitTicks(5);
    EXPECT_EQ(GetTicks() - before, 5);
    WaitTicks(0);
    EXPECT_EQ(GetTicks() - before, 5);
    fw::inputtest::Script input;
    input.SetDoubleClickTime(500);
    EXPECT_EQ(GetDoubleClickTicks(), 30);
}

TEST_F(PortLayerTest, WaitCursorTurnsAfterMoreThanEightTicks) {
    fw::clocktest::SetManual(1000);
    GetTicks();
    StartWaitCursor(true);
    fw::clocktest::Advance(134);  // 8 ticks
    AnimateWaitCursor();
    EXPECT_FALSE(g_platform.waitCursorPhase);
    EXPECT_EQ(fw::CurrentCursor(), 0u);
    fw::clocktest::Advance(17);  // 9 ticks
    AnimateWaitCursor();
    EXPECT_TRUE(g_platform.waitCursorPhase);
    EXPECT_EQ(fw::CurrentCursor(), UINT(IDC_WAIT));
    EXPECT_EQ(g_platform.waitCursorTime, 9u);
    fw::clocktest::Advance(1000);
    StartWaitCursor(false);
    fw::clocktest::Advance(1000);
    AnimateWaitCursor();
    EXPECT_FALSE(g_platform.waitCursorPhase);
}

TEST_F(PortLayerTest, CursorCounterForcesShowAndHide) {
    ForceShowCursor();  // already shown: nothing to do
    EXPECT_EQ(g_platform.cursorCounter, 0);
    ForceHideCursor();
    EXPECT_EQ(g_platform.cursorCounter, -1);
    ForceHideCursor();
    EXPECT_EQ(g_platform.cursorCounter, -1);
    EXPECT_EQ(fw::ShowCursor(true), 0);  // the system's counter moved with ours
    EXPECT_EQ(fw::ShowCursor(false), -1);
    ForceShowCursor();
    EXPECT_EQ(g_platform.cursorCounter, 0);
    ForceHideCursor();
    EXPECT_EQ(g_platform.cursorCounter, -1);
    ForceShowCursor();
    SetCursorById(502);
    EXPECT_EQ(fw::CurrentCursor(), 502u);
    SetArrowCursor();
    EXPECT_EQ(fw::CurrentCursor(), UINT(IDC_ARROW));
}

TEST_F(PortLayerTest, InputSamplingReadsKeysAndButtons) {
    fw::inputtest::Script input;
    EXPECT_FALSE(IsMouseDown());
    input.SetDown(VK_RBUTTON, true);
    EXPECT_TRUE(IsMouseDown());
    input.SetDown(VK_RBUTTON, false);
    input.SetDown(VK_LBUTTON, true);
    EXPECT_TRUE(IsMouseDown());
    input.SetDown(VK_SHIFT, true);
    input.SetDown(VK_MENU, true);
    input.SetToggled(VK_CAPITAL, true);
    input.SetDown('A', true);
    ReadModifierKeys();
    EXPECT_EQ(g_platform.shiftDown, 1);
    EXPECT_EQ(g_platform.capsLock, 1);
    EXPECT_EQ(g_platform.ctrlDown, 0);
    EXPECT_EQ(g_platform.altDown, 1);
    EXPECT_TRUE(IsShiftDown());
    EXPECT_FALSE(IsCtrlDown());
    EXPECT_TRUE(IsKeyDown('A'));
    EXPECT_FALSE(IsKeyDown('B'));
    EXPECT_FALSE(IsKeyDown(VK_CAPITAL));  // toggled, not held
}

// ---- Code-page text -------------------------------------------------------------------------

TEST_F(PortLayerTest, MultibyteHelpersNeverSplitADoubleByteCharacter) {
    char out[3];
    EXPECT_EQ(CopyMbChar("\xD6\xD0x", out), 2);
    EXPECT_STREQ(out, "\xD6\xD0");
    EXPECT_EQ(CopyMbChar("ab", out), 1);
    EXPECT_STREQ(out, "a");
    EXPECT_EQ(CopyMbChar("", out), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(CopyMbChar("\xD6", out), 1);  // a lead byte at the end stands alone

    EXPECT_TRUE(IsSpaceChar(" x"));
    EXPECT_TRUE(IsSpaceChar("\t"));
    EXPECT_FALSE(IsSpaceChar("x "));
    EXPECT_FALSE(IsSpaceChar(""));
    EXPECT_FALSE(IsSpaceChar("\xA1\xA1"));

    // 0x81 0x41 is one character whose second byte is an 'A'.
    char text[] = "AB\x81\x41" "Cd\xD6";
    LowerCaseText(text);
    EXPECT_STREQ(text, "ab\x81\x41" "cd\xD6");
}

// ---- Byte order -----------------------------------------------------------------------------

TEST_F(PortLayerTest, SwapsTurnStoredBigEndianValuesIntoNumbers) {
    std::uint8_t w[4] = {0x12, 0x34, 0xFF, 0xFE};
    SwapWords(w, 2);
    std::uint16_t words[2];
    std::memcpy(words, w, 4);
    EXPECT_EQ(words[0], 0x1234);
    EXPECT_EQ(words[1], 0xFFFE);
    SwapWord(w);  // and back
    EXPECT_EQ(w[0], 0x12);
    EXPECT_EQ(w[1], 0x34);

    std::uint8_t c[6] = {0x00, 0x0A, 0xFF, 0xFE, 0x20, 0x00};
    SwapCoords(c, 3);
    std::int16_t coords[3];
    std::memcpy(coords, c, 6);
    EXPECT_EQ(coords[0], 50);
    EXPECT_EQ(coords[1], -10);
    EXPECT_EQ(coords[2], -24576);  // 8192 x 5 wraps in 16 bits
    std::uint8_t one[2] = {0x00, 0x03};
    SwapCoord(one);
    std::int16_t v;
    std::memcpy(&v, one, 2);
    EXPECT_EQ(v, 15);

    std::uint8_t l[4] = {0x12, 0x34, 0x56, 0x78};
    SwapLong(l);
    std::uint32_t lv;
    std::memcpy(&lv, l, 4);
    EXPECT_EQ(lv, 0x12345678u);

    std::uint8_t lc[8] = {0x00, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFE};
    SwapLongCoords(lc, 2);
    std::int32_t longs[2];
    std::memcpy(longs, lc, 8);
    EXPECT_EQ(longs[0], 65536 * 5);
    EXPECT_EQ(longs[1], -10);

    std::uint8_t pt[4] = {0x00, 0x01, 0x00, 0x02};
    SwapPoint(pt);
    std::uint16_t pw[2];
    std::memcpy(pw, pt, 4);
    EXPECT_EQ(pw[0], 1);
    EXPECT_EQ(pw[1], 2);
}

// ---- Geometry -------------------------------------------------------------------------------

TEST_F(PortLayerTest, InterpolationRoundsAsStoredPositionsExpect) {
    struct Case {
        std::int32_t x0, y0, x1, y1, x, want;
    } cases[] = {
        {0, 0, 10, 100, 5, 50},   {0, 0, 0, 7, 0, 0},    {0, 0, 0, 7, 3, 7},      {0, 0, 10, 100, 0, 0},
        {0, 0, 10, 100, 10, 100}, {0, 0, 3, 10, 1, 3},   {0, 0, 3, 10, 2, 6},     {10, 50, 20, 0, 15, 26},
        {0, 0, 100000, 2000000000, 50000, 1000000000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Interpolate(c.x0, c.y0, c.x1, c.y1, c.x), c.want) << c.x0 << "," << c.y0 << " " << c.x1 << "," << c.y1 << " @" << c.x;
    EXPECT_EQ(InterpolateShort(0, 0, 10, 100, 5), 50);
    EXPECT_EQ(InterpolateShort(0, 0, 1, 30000, 2), std::int16_t(-5537));  // 59999 in 16 bits
}

TEST_F(PortLayerTest, AnglesAndDistances) {
    EXPECT_EQ(PointAngle(0, 0, 10, 0), 0);
    EXPECT_EQ(PointAngle(0, 0, 0, -10), 90);  // up the screen
    EXPECT_EQ(PointAngle(0, 0, -10, 0), 180);
    EXPECT_EQ(PointAngle(0, 0, 0, 10), -90);
    EXPECT_EQ(PointAngle(0, 0, 10, -10), 45);
    EXPECT_EQ(PointDistance(0, 0, 3, 4), 5);
    EXPECT_EQ(PointDistance(0, 0, 1, 1), 1);
    EXPECT_EQ(PointDistance(-2000000000, 0, 2000000000, 0), 2147483647);
}

TEST_F(PortLayerTest, FlattenBezierGivesEndsAndEvenSteps) {
    POINT line[4] = {{0, 0}, {10, 0}, {20, 30}, {30, 30}};
    POINT out[11];
    ASSERT_EQ(FlattenBezier(line, out, 3), 4);
    EXPECT_EQ(out[0].x, 0);
    EXPECT_EQ(out[1].x, 10);
    EXPECT_EQ(out[2].x, 20);
    EXPECT_EQ(out[3].x, 30);
    EXPECT_EQ(out[1].y, 8);   // 7.78
    EXPECT_EQ(out[2].y, 22);  // 22.22
    EXPECT_EQ(out[3].y, 30);
    POINT curve[4] = {{1, 2}, {0, 100}, {100, 100}, {99, 98}};
    ASSERT_EQ(FlattenBezier(curve, out, 10), 11);
    EXPECT_EQ(out[0].x, 1);
    EXPECT_EQ(out[10].x, 99);
    EXPECT_EQ(out[10].y, 98);
    EXPECT_EQ(out[5].x, 50);  // the middle: 0.125 + 0.375 x 100 + 0.125 x 99 = 50
    // The points between the ends are kept to 16 bits.
    POINT far[4] = {{70000, 0}, {70000, 0}, {70000, 0}, {70000, 0}};
    ASSERT_EQ(FlattenBezier(far, out, 2), 3);
    EXPECT_EQ(out[0].x, 70000);
    EXPECT_EQ(out[1].x, 4464);
    EXPECT_EQ(out[2].x, 70000);
}

TEST_F(PortLayerTest, RectangleHelpers) {
    RECT r;
    SetRectNormalized(10, 20, 0, 5, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 5);
    EXPECT_EQ(r.right, 10);
    EXPECT_EQ(r.bottom, 20);

    RECT a{0, 0, 10, 10};
    EXPECT_TRUE(RectsIntersect(a, RECT{5, 5, 15, 15}));
    EXPECT_FALSE(RectsIntersect(a, RECT{10, 0, 20, 10}));  // touching edges only
    EXPECT_FALSE(RectsIntersect(a, RECT{3, 3, 3, 8}));     // empty
    EXPECT_TRUE(RectsIntersect(a, RECT{2, 2, 4, 4}));

    POINT p{-5, 50};
    ClipPointToRect(a, &p);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 10);

    RECT s{10, 20, 30, 45};
    UnscaleRect(&s, 50);
    EXPECT_EQ(s.left, 20);
    EXPECT_EQ(s.bottom, 90);
    RECT t{10, 20, 30, 45};
    UnscaleRect(&t, 150);
    EXPECT_EQ(t.left, 7);  // 6.67
    EXPECT_EQ(t.bottom, 30);
    RECT u{10, 20, 30, 45};
    UnscaleRect(&u, 0);
    EXPECT_EQ(u.left, 10);
    EXPECT_EQ(u.bottom, 45);
}

TEST_F(PortLayerTest, SmallHelpers) {
    std::int32_t a = 1, b = -2;
    SwapLongs(&a, &b);
    EXPECT_EQ(a, -2);
    EXPECT_EQ(b, 1);
    char x[] = "abcd", y[] = "wxyz";
    SwapBlocks(x, y, 3);
    EXPECT_STREQ(x, "wxyd");
    EXPECT_STREQ(y, "abcz");
    EXPECT_EQ(NewUniqueId(), 0u);
    EXPECT_EQ(NewUniqueId(), 1u);
    EXPECT_EQ(g_platform.nextUniqueId, 2u);
    IgnoreValue("debug text");
}

TEST_F(PortLayerTest, ScreenRectanglesWithoutADisplay) {
    ZEL_IN_FRESH_PROCESS({
        RECT r;
        GetScreenRect(&r);
        EXPECT_EQ(r.left, 0);
        EXPECT_EQ(r.top, 1);
        EXPECT_EQ(r.right, 1024);
        EXPECT_EQ(r.bottom, 768 - 22);
        GetScreenRectBelowCaption(&r);
        EXPECT_EQ(r.top, 22);
        EXPECT_EQ(r.bottom, 768);
        EXPECT_EQ(GetMenuBarHeight(), 20);
    });
}

// ---- Pictures -------------------------------------------------------------------------------

TEST_F(PortLayerTest, LoadBitmapFileReplacesTheBitmapWithThePictureAtItsOwnSize) {
    testsupport::TempDir dir;
    const std::string path = dir.path() + "/picture.png";
    {
        CBitmap picture;
        ASSERT_TRUE(picture.CreateBitmap(3, 2));
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) picture.SetPixel(x, y, RGB(255, 255, 255));
        picture.SetPixel(0, 0, RGB(255, 0, 0));
        picture.SetPixel(2, 1, RGB(0, 0, 255));
        ASSERT_TRUE(picture.SavePng(path));
    }
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateBitmap(10, 10));  // an object already there is deleted first
    ASSERT_TRUE(LoadBitmapFile(&bitmap, path.c_str()));
    const SIZE size = bitmap.GetSize();
    EXPECT_EQ(size.cx, 3);
    EXPECT_EQ(size.cy, 2);
    EXPECT_EQ(bitmap.GetPixel(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(bitmap.GetPixel(2, 1), RGB(0, 0, 255));
    EXPECT_EQ(bitmap.GetPixel(1, 0), RGB(255, 255, 255));

    // A missing file: false, and the bitmap is left empty.
    EXPECT_FALSE(LoadBitmapFile(&bitmap, (dir.path() + "/missing.png").c_str()));
    EXPECT_FALSE(bitmap.IsValid());
}

}  // namespace
