#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "framework/File.h"
#include "framework/Registry.h"
#include "support/TempHome.h"

namespace {

const char* const kKey = "Software\\Harrowick\\Zelmarin\\4.0\\Preferences";

std::string readFile(const std::string& path) {
    std::string s;
    fw::ReadWholeFile(path, s);
    return s;
}

void writeFile(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

struct RegistryTest : ::testing::Test {
    testsupport::TempHome home;

    std::string prefsFolder() const { return home.config() + "/Harrowick/Zelmarin/4.0/Preferences"; }

    HKEY create(const char* path, REGSAM access = KEY_ALL_ACCESS, HKEY root = HKEY_CURRENT_USER) {
        HKEY k = nullptr;
        EXPECT_EQ(RegCreateKeyEx(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        return k;
    }
    HKEY open(const char* path, REGSAM access = KEY_READ) {
        HKEY k = nullptr;
        EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, access, &k), ERROR_SUCCESS);
        return k;
    }
    static void setDword(HKEY k, const char* name, DWORD v) {
        EXPECT_EQ(RegSetValueEx(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4), ERROR_SUCCESS);
    }
    static void setBytes(HKEY k, const char* name, DWORD type, const std::string& bytes) {
        EXPECT_EQ(RegSetValueEx(k, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size())),
                  ERROR_SUCCESS);
    }
    // The value's type and bytes, or the error.
    static LSTATUS get(HKEY k, const char* name, DWORD& type, std::string& bytes) {
        DWORD size = 0;
        LSTATUS r = RegQueryValueEx(k, name, nullptr, &type, nullptr, &size);
        if (r != ERROR_SUCCESS) return r;
        bytes.assign(size, '\0');
        return RegQueryValueEx(k, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size);
    }
};

TEST_F(RegistryTest, KeysLiveInTheConfigFolder) {
    HKEY k = create(kKey);
    EXPECT_TRUE(std::filesystem::is_directory(prefsFolder()));
    setDword(k, "Beam", 1);
    RegCloseKey(k);
    EXPECT_TRUE(std::filesystem::exists(prefsFolder() + "/values.reg"));

    // Other roots and keys not below Software go to the program's own registry folder.
    HKEY c = create("Classes\\.zel", KEY_ALL_ACCESS, HKEY_CLASSES_ROOT);
    RegCloseKey(c);
    EXPECT_TRUE(std::filesystem::is_directory(home.config() + "/Harrowick/Zelmarin/registry/HKEY_CLASSES_ROOT/Classes/.zel"));
    HKEY v = create("Volatile Environment");
    RegCloseKey(v);
    EXPECT_TRUE(std::filesystem::is_directory(home.config() + "/Harrowick/Zelmarin/registry/HKEY_CURRENT_USER/Volatile Environment"));

    // Key names cannot climb out of the store.
    HKEY up = create("Software\\..\\a/b");
    RegCloseKey(up);
    EXPECT_TRUE(std::filesystem::is_directory(home.config() + "/%2E%2E/a%2Fb"));
}

TEST_F(RegistryTest, MachineStoreIsReadFromTheSystemFoldersAndNeverWritten) {
    // A second system folder behind the first: a key is taken from the first that holds it.
    const std::string second = home.root() + "/machine2";
    ::setenv("XDG_CONFIG_DIRS", (home.machine() + ":relative:" + second).c_str(), 1);
    writeFile(second + "/VST/values.reg", "VSTPluginsPath\tsz\t/opt/vst\n");
    writeFile(home.machine() + "/Harrowick/Zelmarin/4.0/values.reg", "Language\tsz\tGerman\n");

    HKEY vst = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\VST", 0, KEY_READ, &vst), ERROR_SUCCESS);
    DWORD type = 0;
    std::string bytes;
    EXPECT_EQ(get(vst, "VSTPluginsPath", type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("/opt/vst", 9));
    RegCloseKey(vst);
    HKEY prog = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Harrowick\\Zelmarin\\4.0", 0, KEY_READ, &prog), ERROR_SUCCESS);
    EXPECT_EQ(get(prog, "Language", type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("German", 7));

    // Writing is refused everywhere: new keys, values, deletions, batches.
    const std::string before = readFile(home.machine() + "/Harrowick/Zelmarin/4.0/values.reg");
    DWORD one = 1;
    EXPECT_EQ(RegSetValueEx(prog, "Language", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValue(prog, "Language"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegSetValues(prog, {{"X", REG_DWORD, std::string(4, '\0')}}), ERROR_ACCESS_DENIED);
    RegCloseKey(prog);
    HKEY made = nullptr;
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Vendor", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, &made, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(made, nullptr);
    EXPECT_EQ(readFile(home.machine() + "/Harrowick/Zelmarin/4.0/values.reg"), before);
    EXPECT_FALSE(std::filesystem::exists(home.machine() + "/Vendor"));
    EXPECT_FALSE(std::filesystem::exists(home.config() + "/Harrowick/Zelmarin/registry/HKEY_LOCAL_MACHINE"));
    HKEY missing = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Nobody", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, SeveralValuesStoredInOneWrite) {
    HKEY k = create(kKey);
    setDword(k, "Beam", 0);
    ASSERT_EQ(RegSetValues(k, {{"Space", REG_DWORD, std::string("\x01\0\0\0", 4)},
                               {"beam", REG_DWORD, std::string("\x02\0\0\0", 4)},
                               {"Name", REG_SZ, std::string("x", 2)}}),
              ERROR_SUCCESS);
    DWORD type = 0;
    std::string bytes;
    EXPECT_EQ(get(k, "Beam", type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("\x02\0\0\0", 4));
    EXPECT_EQ(readFile(prefsFolder() + "/values.reg"),
              "# Settings: one value a line, name<TAB>type<TAB>data\n"
              "beam\tdword\t00000002\nSpace\tdword\t00000001\nName\tsz\tx\n");
    RegCloseKey(k);
}

TEST_F(RegistryTest, MissingKeysAndValues) {
    HKEY k = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(k, nullptr);
    k = create(kKey);
    DWORD type = 0;
    std::string bytes;
    EXPECT_EQ(get(k, "Nothing", type, bytes), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValue(k, "Nothing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
    // A closed handle is no longer a key.
    EXPECT_EQ(get(k, "Nothing", type, bytes), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(k), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

TEST_F(RegistryTest, TypedValuesSurviveReopening) {
    const std::string text = "Lib \xBF\xE2 \\ \t#\n";       // code page text with a 库 and escapes
    const std::string raw = "\xFF\x81\x7F z\x0A";  // not a valid code-page text
    const std::string binary = std::string("\x00\x01\xFE\xFF", 4);
    {
        HKEY k = create(kKey);
        setDword(k, "Count Bars", 0xFFFFFFFE);
        setBytes(k, "Panel Bitmap", REG_SZ, text + '\0');
        setBytes(k, "#Odd\tname\\\xFF", REG_SZ, raw + '\0');
        setBytes(k, "Settings", REG_BINARY, binary);
        setBytes(k, "Empty", REG_BINARY, "");
        setBytes(k, "Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
        setBytes(k, "Short", REG_DWORD, "\x01\x02");    // odd sizes survive too
        setBytes(k, "NoNul", REG_SZ, "abc");
        setBytes(k, "", REG_SZ, std::string("default", 8));
        RegCloseKey(k);
    }
    HKEY k = open(kKey);
    struct Case {
        const char* name;
        DWORD type;
        std::string bytes;
    } cases[] = {
        {"Count Bars", REG_DWORD, std::string("\xFE\xFF\xFF\xFF", 4)},
        {"Panel Bitmap", REG_SZ, text + '\0'},
        {"#Odd\tname\\\xFF", REG_SZ, raw + '\0'},
        {"Settings", REG_BINARY, binary},
        {"Empty", REG_BINARY, ""},
        {"Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
        {"Short", REG_DWORD, "\x01\x02"},
        {"NoNul", REG_SZ, "abc"},
        {nullptr, REG_SZ, std::string("default", 8)},
    };
    for (const Case& c : cases) {
        DWORD type = 0;
        std::string bytes;
        ASSERT_EQ(get(k, c.name, type, bytes), ERROR_SUCCESS) << (c.name ? c.name : "(default)");
        EXPECT_EQ(type, c.type) << c.name;
        EXPECT_EQ(bytes, c.bytes) << c.name;
    }
    RegCloseKey(k);
    // Readable text in the file: UTF-8 strings, numbers in hex.
    std::string file = readFile(prefsFolder() + "/values.reg");
    EXPECT_NE(file.find("Count Bars\tdword\tFFFFFFFE\n"), std::string::npos) << file;
    EXPECT_NE(file.find("Panel Bitmap\tsz\tLib \xE5\xBA\x93 \\\\ \\t#\\n\n"), std::string::npos) << file;
    EXPECT_NE(file.find("Settings\tbinary\t0001FEFF\n"), std::string::npos) << file;
    // Bytes that are no code-page text are kept raw.
    EXPECT_NE(file.find("\\c#Odd\\tname\\\\\\xFF\tsz\t\\c\\xFF\\x81\\x7F z\\n\n"), std::string::npos) << file;
}

TEST_F(RegistryTest, NamesIgnoreAsciiCaseOnly) {
    HKEY k = create(kKey);
    setDword(k, "Use Engine", 1);
    setDword(k, "USE ENGINE", 2);  // replaces, keeps one value
    DWORD type = 0;
    std::string bytes;
    ASSERT_EQ(get(k, "use engine", type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("\x02\0\0\0", 4));
    // Double-byte characters compare exactly, trail bytes included ("\x81\x41" vs "\x81\x61").
    setDword(k, "\x81\x41", 3);
    EXPECT_EQ(get(k, "\x81\x61", type, bytes), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValue(k, "use ENGINE"), ERROR_SUCCESS);
    EXPECT_EQ(get(k, "Use Engine", type, bytes), ERROR_FILE_NOT_FOUND);
    RegCloseKey(k);
    // Key names keep their case.
    HKEY other = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Harrowick\\Zelmarin\\4.0\\PREFERENCES", 0, KEY_READ, &other),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, QueryAndAccessRules) {
    HKEY k = create(kKey);
    setBytes(k, "Driver Name", REG_SZ, std::string("abcdef", 7));
    BYTE small[4] = {'x', 'x', 'x', 'x'};
    DWORD size = sizeof small;
    EXPECT_EQ(RegQueryValueEx(k, "Driver Name", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(small[0], 'x');  // untouched
    RegCloseKey(k);

    HKEY r = open(kKey, KEY_READ);
    DWORD v = 5;
    EXPECT_EQ(RegSetValueEx(r, "X", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_ACCESS_DENIED);
    // A subkey opened from an open key.
    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKeyEx(r, "Playback\\Thru", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
              ERROR_SUCCESS);
    setDword(sub, "Channel", 9);
    RegCloseKey(sub);
    RegCloseKey(r);
    EXPECT_TRUE(std::filesystem::exists(prefsFolder() + "/Playback/Thru/values.reg"));
}

TEST_F(RegistryTest, InterruptedWritesAndDamagedLinesLeaveTheStoreUsable) {
    HKEY k = create(kKey);
    setDword(k, "Beam", 7);
    setDword(k, "Wrap", 8);
    RegCloseKey(k);
    const std::string file = prefsFolder() + "/values.reg";
    // A write that died before its rename leaves a temporary file; damage in the file itself.
    writeFile(file + ".tmp-AbC123", "Beam\tdword\t0000");
    std::string text = readFile(file);
    text += "Broken line without tabs\n"
            "Bad\tdword\t12\n"
            "Bad2\tbinary\t0G\n"
            "Bad3\tnosuchtype\t00\n"
            "Bad4\tsz\tend\\\n"
            "Later\tdword\t0000000A";  // the last line may lack its line end
    writeFile(file, text);

    k = create(kKey);
    DWORD type = 0;
    std::string bytes;
    ASSERT_EQ(get(k, "Beam", type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("\x07\0\0\0", 4));
    ASSERT_EQ(get(k, "Later", type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("\x0A\0\0\0", 4));
    for (const char* bad : {"Bad", "Bad2", "Bad3", "Bad4"}) EXPECT_EQ(get(k, bad, type, bytes), ERROR_FILE_NOT_FOUND);
    // The next write keeps every good value and drops the damage.
    setDword(k, "Wrap", 9);
    RegCloseKey(k);
    std::string after = readFile(file);
    EXPECT_NE(after.find("Beam\tdword\t00000007"), std::string::npos);
    EXPECT_NE(after.find("Wrap\tdword\t00000009"), std::string::npos);
    EXPECT_NE(after.find("Later\tdword\t0000000A"), std::string::npos);
    EXPECT_EQ(after.find("Bad"), std::string::npos);
}

TEST_F(RegistryTest, HomeIsReadAtEachOpen) {
    HKEY k = create(kKey);
    setDword(k, "Beam", 1);
    RegCloseKey(k);
    testsupport::TempHome second;
    HKEY again = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &again), ERROR_FILE_NOT_FOUND);
}

}  // namespace
