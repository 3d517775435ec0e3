// File names as they travel through the program: a fixed-size record of a file's title and
// full path, the folder helpers around it, and a small wildcard search over a folder.
// Texts and paths are in the program's code page; paths use '/'.
#pragma once
#include <cstddef>
#include <string>

#include "framework/Types.h"

// What a file search reports of one entry.
enum : DWORD {
    FILE_ATTRIBUTE_DIRECTORY = 0x10,
    FILE_ATTRIBUTE_NORMAL = 0x80,
};

struct FileFindData {
    DWORD dwFileAttributes = 0;
    DWORD nFileSizeHigh = 0;
    DWORD nFileSizeLow = 0;
    char cFileName[260] = {};  // name only, code page
};

// A search handle: positive while a search runs; 0 when the folder could not be entered,
// -1 when nothing matched.
using HFIND = int;
inline constexpr HFIND kFindNothing = -1;

// Starts a search for pattern: an optional folder part (relative to the current directory)
// and a name with the wildcards '*' and '?', letter case ignored ("*.*" matches every name).
// Entries come sorted by name; "." and ".." are not reported, nor names the code page cannot
// hold. Returns the handle with the first entry in data, or kFindNothing.
HFIND FindFirstFile(const char* pattern, FileFindData* data);
// The next entry; false when no more come (or the handle is not a running search).
bool FindNextFile(HFIND handle, FileFindData* data);
bool FindClose(HFIND handle);

struct FileSpec {
    static constexpr std::size_t kNameSize = 256;
    static constexpr std::size_t kPathSize = 260;

    WORD words[3] = {};          // kept with the record (zero when new)
    char name[kNameSize] = {};   // the file's title: name with extension, no folder
    char path[kPathSize] = {};   // the full path

    // Copies the program folder record.
    static void GetProgramFolder(FileSpec& record);
    // Creates program folder + "/" + name; true when it exists afterwards.
    static bool CreateFolder(const char* name);
    // Resets this record to the program folder and makes name (relative to the program
    // folder, or absolute) the current directory; when that fails and create is set, creates
    // it and tries again.
    bool EnterFolder(const char* name, bool create);
    // Makes this record's path the current directory.
    bool MakeCurrentFolder() const;
    // Gives the path (a buffer of size bytes) the extension ext (with or without its "."):
    // an extension of the same length that equals ext, letter case ignored, stays; another
    // extension of that length is replaced, except the names of the score formats the
    // program imports (mid, kar, enc, mus, xml, etf), which stay part of the name and get ext
    // appended; a path without such an extension gets "." and ext appended. Nothing happens
    // to an empty path or for an empty ext. False (path unchanged) when the result would
    // not fit.
    static bool SetExtension(char* path, const char* ext, std::size_t size = kPathSize);
    // Appends the folder name to the record's path, with a "/" before it when the path does
    // not end with one and a "/" after it. False (path unchanged) when it would not fit.
    static bool AppendFolder(FileSpec& record, const char* name);
    // Cuts the text at the first occurrence of what.
    static void CutAt(char* text, const char* what);
    // The open and save dialogs, starting in the record's folder, with the title of string
    // titleId and the filter of string filterId ("Name|*.ext|...||"). On OK the record holds
    // the chosen file's name and path (given the extension of string extId when extId is
    // not 0); false on cancel or when the chosen path does not fit the record.
    static bool AskOpen(FileSpec& record, UINT titleId, UINT filterId, UINT extId);
    static bool AskSave(FileSpec& record, UINT titleId, UINT filterId, UINT extId);
    // Makes the record's path current and starts a search there; 0 when the folder cannot be
    // entered.
    static HFIND FindFirst(const FileSpec& record, const char* pattern, FileFindData* data);
    static bool FindNext(HFIND handle, FileFindData* data);
    static bool FindClose(HFIND handle);
    // Makes the program folder current and deletes the file name there.
    static bool DeleteInProgramFolder(const char* name);
};

// Program-folder set-up at start-up: the installed data folder (themes, templates, the
// library folder, the splash picture, the help file), or (the variant for a program whose
// data folder is unknown) the current directory. What the program writes lives in the
// user's data folder instead (UserDataPath).
void SetUpProgramFolder();
void SetUpProgramFolderFromCurrentDirectory();
// The user's writable data folder ($XDG_DATA_HOME/Harrowick/Zelmarin) in the code page, with
// name appended after a "/" when given ("Auto Save", library files).
std::string UserDataPath(const char* name = nullptr);
