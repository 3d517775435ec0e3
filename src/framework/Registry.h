// The settings store: registry-shaped keys and typed values kept in plain files.
//
// Where keys live
//   A key is a folder. HKEY_CURRENT_USER\Software\<rest> is the folder
//   $XDG_CONFIG_HOME/<rest> (default ~/.config) with each "\" a "/", so
//   Software\Harrowick\Zelmarin\4.0\Preferences is ~/.config/Harrowick/Zelmarin/4.0/Preferences/.
//   Every other key (the other roots, or HKEY_CURRENT_USER keys not below Software) is the
//   folder $XDG_CONFIG_HOME/Harrowick/Zelmarin/registry/<root name>/<path>, the root name
//   being HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE or HKEY_CLASSES_ROOT. The home is read
//   each time a key is opened. Key names keep their case; they are converted from the
//   program's code page to UTF-8, and in them "%" is written "%25", "/" "%2F", and a name
//   that is "." or ".." has its dots written "%2E". Empty names (doubled "\") are skipped.
//   A key exists when its folder exists.
//
// The values file
//   Each key folder holds its values in the UTF-8 text file "values.reg". Lines that are
//   empty or begin with "#" are ignored; every other line is one value:
//       name <TAB> type <TAB> data
//   type and data:
//       sz       text: the value's bytes (code page, the terminating NUL included) as text
//       dword    8 hex digits (a 4-byte REG_DWORD, the number itself)
//       binary   the REG_BINARY bytes as hex digit pairs (nothing for no bytes)
//       hex(N)   any other value, of type number N (or a text or number of unusual size):
//                its bytes as hex digit pairs
//   Texts (names and sz data) are written in UTF-8 with the escapes \\ \t \n \r and \xHH for
//   other control bytes and for a "#" that opens a line. A text whose code-page bytes would
//   not come back unchanged through UTF-8 is written instead as "\c" followed by its raw
//   bytes, every byte from 0x80 up as \xHH. Value names compare without regard to ASCII case;
//   the empty name is the key's default value. A line that cannot be read is skipped and
//   the rest of the file still counts; when two lines name the same value the later wins.
//
// The machine store
//   HKEY_LOCAL_MACHINE is read-only: its keys are read from the system's configuration
//   folders ($XDG_CONFIG_DIRS, default /etc/xdg; the first folder that holds a key wins),
//   mapped as above with that folder in place of $XDG_CONFIG_HOME. Nothing is ever written
//   there: creating a missing key and setting or deleting a value are refused.
//
//   Every change rewrites the whole file through a temporary file renamed over the old one,
//   so an interrupted write leaves the previous file whole; leftover temporary files are
//   never read.
#pragma once
#include <string>
#include <vector>

#include "framework/Types.h"

namespace fw {

struct RegKeyHandle;
using HKEY = RegKeyHandle*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
using LSTATUS = LONG;

// The roots; closing one does nothing.
extern HKEY const HKEY_CLASSES_ROOT;
extern HKEY const HKEY_CURRENT_USER;
extern HKEY const HKEY_LOCAL_MACHINE;

enum : LONG {
    ERROR_SUCCESS = 0,
    ERROR_FILE_NOT_FOUND = 2,
    ERROR_ACCESS_DENIED = 5,
    ERROR_INVALID_HANDLE = 6,
    ERROR_OUTOFMEMORY = 14,
    ERROR_INVALID_PARAMETER = 87,
    ERROR_MORE_DATA = 234,
    ERROR_CANTREAD = 1012,
    ERROR_CANTWRITE = 1013,
};

enum : DWORD {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_MULTI_SZ = 7,
};

enum : REGSAM {
    KEY_QUERY_VALUE = 0x0001,
    KEY_SET_VALUE = 0x0002,
    KEY_CREATE_SUB_KEY = 0x0004,
    KEY_ENUMERATE_SUB_KEYS = 0x0008,
    KEY_NOTIFY = 0x0010,
    KEY_CREATE_LINK = 0x0020,
    KEY_READ = 0x20019,
    KEY_WRITE = 0x20006,
    KEY_ALL_ACCESS = 0xF003F,
};

enum : DWORD {
    REG_OPTION_NON_VOLATILE = 0,
    REG_CREATED_NEW_KEY = 1,
    REG_OPENED_EXISTING_KEY = 2,
};

// Opens an existing key below key (a root or an open key); subKey empty or null opens a new
// handle on key itself. ERROR_FILE_NOT_FOUND when the key does not exist.
LSTATUS RegOpenKeyEx(HKEY key, const char* subKey, DWORD options, REGSAM access, PHKEY result);
// Opens the key, creating it and the keys above it when missing. cls and security are
// ignored; disposition (may be null) tells whether the key was new.
LSTATUS RegCreateKeyEx(HKEY key, const char* subKey, DWORD reserved, char* cls, DWORD options,
                       REGSAM access, void* security, PHKEY result, DWORD* disposition);
LSTATUS RegCloseKey(HKEY key);
// The value's type and bytes. With data null, *size gets the value's size. With data given,
// a value larger than *size gives ERROR_MORE_DATA, *size the needed size and the buffer
// untouched. Needs KEY_QUERY_VALUE access.
LSTATUS RegQueryValueEx(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data,
                        DWORD* size);
// Stores the value (replacing one of the same name in any letter case). Needs KEY_SET_VALUE.
LSTATUS RegSetValueEx(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data,
                      DWORD size);
LSTATUS RegDeleteValue(HKEY key, const char* name);

// One value for RegSetValues: its name and type in the code page, its bytes.
struct RegValueData {
    std::string name;
    DWORD type = REG_NONE;
    std::string data;
};
// Stores several values of one key with one rewrite of its values file, so the key holds
// either all of them or none.
LSTATUS RegSetValues(HKEY key, const std::vector<RegValueData>& values);

}  // namespace fw

using fw::HKEY;
using fw::HKEY_CLASSES_ROOT;
using fw::HKEY_CURRENT_USER;
using fw::HKEY_LOCAL_MACHINE;
using fw::PHKEY;
using fw::REGSAM;
using fw::LSTATUS;
using fw::RegCloseKey;
using fw::RegCreateKeyEx;
using fw::RegDeleteValue;
using fw::RegSetValues;
using fw::RegValueData;
using fw::RegOpenKeyEx;
using fw::RegQueryValueEx;
using fw::RegSetValueEx;
using fw::ERROR_SUCCESS;
using fw::ERROR_FILE_NOT_FOUND;
using fw::ERROR_ACCESS_DENIED;
using fw::ERROR_INVALID_HANDLE;
using fw::ERROR_OUTOFMEMORY;
using fw::ERROR_INVALID_PARAMETER;
using fw::ERROR_MORE_DATA;
using fw::ERROR_CANTREAD;
using fw::ERROR_CANTWRITE;
using fw::REG_NONE;
using fw::REG_SZ;
using fw::REG_EXPAND_SZ;
using fw::REG_BINARY;
using fw::REG_DWORD;
using fw::REG_MULTI_SZ;
using fw::KEY_QUERY_VALUE;
using fw::KEY_SET_VALUE;
using fw::KEY_CREATE_SUB_KEY;
using fw::KEY_ENUMERATE_SUB_KEYS;
using fw::KEY_NOTIFY;
using fw::KEY_CREATE_LINK;
using fw::KEY_READ;
using fw::KEY_WRITE;
using fw::KEY_ALL_ACCESS;
using fw::REG_OPTION_NON_VOLATILE;
using fw::REG_CREATED_NEW_KEY;
using fw::REG_OPENED_EXISTING_KEY;
