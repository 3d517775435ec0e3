#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "framework/Globals.h"
#include "platform/PlatformGlobals.h"
#include "platform/RvqUtil.h"
#include "support/TempHome.h"

namespace {

const char* const kProgramKey = "Software\\Harrowick\\Zelmarin\\4.0";

struct RvqUtilTest : ::testing::Test {
    testsupport::TempHome home;
    void SetUp() override { ResetPlatformGlobals(); }
    void TearDown() override { ResetPlatformGlobals(); }
};

TEST_F(RvqUtilTest, ClosedKeyGivesDefaultsAndCreatesNothing) {
    CRegKeyBase key(kProgramKey, "Preferences", kRegModeRead, kRegRootCurrentUser, false);
    EXPECT_FALSE(key.IsOpen());
    char buf[8] = "junk";
    EXPECT_EQ(key.GetString("Language", "English", buf, sizeof buf), 7);
    EXPECT_STREQ(buf, "English");
    CString s;
    key.GetStringCS("Language", "Deutsch", s);
    EXPECT_EQ(s, "Deutsch");
    EXPECT_EQ(key.GetDword("Beam", 42u), 42u);
    BYTE b[4] = {9, 9, 9, 9};
    EXPECT_EQ(key.GetBinary("Settings", b, 4), 0);
    EXPECT_EQ(b[0], 9);
    key.SetDword("Beam", 1);  // silently nothing
    EXPECT_FALSE(std::filesystem::exists(home.config() + "/Harrowick/Zelmarin/4.0"));

    CRegKeyBase badRoot(kProgramKey, "", kRegModeWrite, -4, true);
    EXPECT_FALSE(badRoot.IsOpen());
}

TEST_F(RvqUtilTest, WriteModeCreatesAndValuesComeBack) {
    const BYTE settings[5] = {1, 2, 3, 4, 5};
    {
        CRegKeyBase key(kProgramKey, "WindowPlacement", kRegModeWrite, kRegRootCurrentUser, false);
        ASSERT_TRUE(key.IsOpen());
        key.SetString("Language", "Fran\xA8\xA2" "ais");  // code page text
        key.SetDword("Beam", 0x12345678);
        key.SetBinary("Rect", settings, 5);
    }
    CRegKeyBase key(kProgramKey, "WindowPlacement", kRegModeRead, kRegRootCurrentUser, false);
    ASSERT_TRUE(key.IsOpen());
    char buf[16];
    EXPECT_EQ(key.GetString("language", "x", buf, sizeof buf), 9);
    EXPECT_STREQ(buf, "Fran\xA8\xA2" "ais");
    EXPECT_EQ(key.GetDword("Beam", 0), 0x12345678u);
    // Wrong type gives the default.
    EXPECT_EQ(key.GetDword("Language", 7), 7u);
    EXPECT_EQ(key.GetString("Beam", "def", buf, sizeof buf), 3);
    EXPECT_STREQ(buf, "def");

    BYTE out[6] = {};
    EXPECT_EQ(key.GetBinary("Rect", out, 5), 5);
    EXPECT_EQ(std::memcmp(out, settings, 5), 0);
    BYTE four[4] = {7, 7, 7, 7};
    EXPECT_EQ(key.GetBinary("Rect", four, 4), 0);  // the value is one byte longer
    EXPECT_EQ(four[0], 7);
    EXPECT_EQ(key.GetBinary("Rect", out, 6), 0);   // or shorter
    // Writes through a read-mode key change nothing.
    key.SetDword("Beam", 1);
    EXPECT_EQ(key.GetDword("Beam", 0), 0x12345678u);
}

TEST_F(RvqUtilTest, GetStringTooLongGivesTheDefaultCutToTheBuffer) {
    CRegKeyBase key(kProgramKey, nullptr, kRegModeWrite, kRegRootCurrentUser, false);
    key.SetString("Driver Name", "0123456789");
    char buf[11];
    EXPECT_EQ(key.GetString("Driver Name", "d", buf, sizeof buf), 10);  // just fits
    char small[10];
    EXPECT_EQ(key.GetString("Driver Name", "d", small, sizeof small), 1);
    EXPECT_STREQ(small, "d");
    // A default too long for the buffer is cut without splitting a double-byte character.
    char four[4];
    EXPECT_EQ(key.GetString("Missing", "a\xBF\xE2\xBF\xE2", four, sizeof four), 3);
    EXPECT_STREQ(four, "a\xBF\xE2");
    char three[3];
    EXPECT_EQ(key.GetString("Missing", "a\xBF\xE2", three, sizeof three), 1);
    EXPECT_STREQ(three, "a");
    CString any;
    key.GetStringCS("Driver Name", "d", any);
    EXPECT_EQ(any, "0123456789");
}

TEST_F(RvqUtilTest, RegistryOffSwitchUnlessForced) {
    {
        CRegKeyBase key(kProgramKey, "Audio", kRegModeWrite, kRegRootCurrentUser, false);
        key.SetDword("Use Engine", 1);
    }
    fw::ScopedGlobal<bool> off(g_platform.registryOff, true);
    CRegKeyBase skipped(kProgramKey, "Audio", kRegModeRead, kRegRootCurrentUser, false);
    EXPECT_FALSE(skipped.IsOpen());
    EXPECT_EQ(skipped.GetDword("Use Engine", 5), 5u);
    CRegKeyBase forced(kProgramKey, "Audio", kRegModeRead, kRegRootCurrentUser, true);
    EXPECT_TRUE(forced.IsOpen());
    EXPECT_EQ(forced.GetDword("Use Engine", 5), 1u);
}

TEST_F(RvqUtilTest, ProgramKeyHelpers) {
    EXPECT_EQ(LoadRegDword("Playback", "Middle C", 60), 60u);
    char folder[8] = "keep";
    EXPECT_FALSE(LoadRegString("Path Names", "Default Folder", folder, sizeof folder));
    EXPECT_STREQ(folder, "keep");

    ASSERT_TRUE(SaveRegDword("Playback", "Middle C", 48));
    ASSERT_TRUE(SaveRegString("Path Names", "Default Folder", "/home/a/\xBF\xE2"));
    EXPECT_EQ(LoadRegDword("Playback", "Middle C", 60), 48u);
    EXPECT_EQ(LoadRegDword("Playback", "Other", 60), 60u);
    char big[32] = "";
    EXPECT_TRUE(LoadRegString("Path Names", "Default Folder", big, sizeof big));
    EXPECT_STREQ(big, "/home/a/\xBF\xE2");
    // A value too long for the buffer is cut, never in the middle of a character.
    char cut[10];
    EXPECT_TRUE(LoadRegString("Path Names", "Default Folder", cut, sizeof cut));
    EXPECT_STREQ(cut, "/home/a/");
    // The program key is the global one.
    EXPECT_TRUE(std::filesystem::exists(home.config() + "/Harrowick/Zelmarin/4.0/Playback/values.reg"));
    std::strcpy(g_platform.programKeyPath, "Software\\Harrowick\\Zelmarin\\3.0");
    EXPECT_EQ(LoadRegDword("Playback", "Middle C", 60), 60u);
}

TEST_F(RvqUtilTest, RecordHelpers) {
    RegKeyRecord rec;
    EXPECT_FALSE(OpenRegKey(rec, kProgramKey, "Theme", KEY_READ, HKEY_CURRENT_USER));
    ASSERT_TRUE(OpenRegKey(rec, kProgramKey, "Theme", KEY_READ | KEY_WRITE, HKEY_CURRENT_USER));
    ASSERT_TRUE(SetRegDword(rec, "Texture", 0x1FF));
    ASSERT_TRUE(SetRegDword(rec, "Off", 0));
    ASSERT_TRUE(SetRegDword(rec, "Negative", DWORD(-2)));
    ASSERT_TRUE(SetRegString(rec, "Panel Bitmap", "wood.bmp"));
    const BYTE bytes[6] = {'a', 'b', 'c', 'd', 'e', 'f'};
    ASSERT_TRUE(SetRegBinary(rec, "Raw", bytes, 6));

    BYTE flag = 7, byte = 7;
    WORD word = 7;
    DWORD dword = 7;
    EXPECT_TRUE(GetRegBool(rec, "Texture", flag));
    EXPECT_EQ(flag, 1);
    EXPECT_TRUE(GetRegBool(rec, "Off", flag));
    EXPECT_EQ(flag, 0);
    EXPECT_TRUE(GetRegByte(rec, "Texture", byte));
    EXPECT_EQ(byte, 0xFF);
    EXPECT_TRUE(GetRegWord(rec, "Negative", word));
    EXPECT_EQ(word, 0xFFFE);
    EXPECT_TRUE(GetRegDword(rec, "Texture", dword));
    EXPECT_EQ(dword, 0x1FFu);
    // Missing values and values that are not 4-byte numbers leave the variable alone.
    byte = 3;
    EXPECT_FALSE(GetRegByte(rec, "Missing", byte));
    EXPECT_FALSE(GetRegByte(rec, "Panel Bitmap", byte));
    EXPECT_FALSE(GetRegByte(rec, "Raw", byte));
    EXPECT_EQ(byte, 3);

    // QueryRegValue keeps the first bytes of a longer value.
    char four[5] = "....";
    EXPECT_TRUE(QueryRegValue(rec, "Raw", four, 4));
    EXPECT_STREQ(four, "abcd");
    char text[6];
    EXPECT_TRUE(GetRegString(rec, "Panel Bitmap", "none", text, sizeof text));
    EXPECT_STREQ(text, "wood.");
    EXPECT_FALSE(GetRegString(rec, "Dock Bitmap", "none", text, sizeof text));
    EXPECT_STREQ(text, "none");
    std::strcpy(text, "keep");
    EXPECT_FALSE(GetRegStringNoDefault(rec, "Dock Bitmap", text, sizeof text));
    EXPECT_STREQ(text, "keep");

    rec.Close();
    dword = 9;
    EXPECT_FALSE(GetRegDword(rec, "Texture", dword));
    EXPECT_EQ(dword, 9u);
    EXPECT_FALSE(SetRegDword(rec, "Texture", 1));
}

}  // namespace
