#include "app/TemplateFolderScan.h"

#include <string>
#include <vector>

#include "platform/FileNames.h"

void ScanTemplateFolder(CTreeCtrl* tree, HTREEITEM parent, const char* pattern, const char* folder, TemplateList* list,
                        std::int32_t* counter) {
    if (!tree || !pattern || !*pattern || !list || !counter) return;
    const bool atRoot = parent == TVI_ROOT;
    // The search runs on the file system's separator; the entries keep the backslash.
    const std::string entryFolder = folder ? folder : "";
    std::string searchFolder = entryFolder;
    for (char& c : searchFolder)
        if (c == '\\') c = '/';
    const std::string search = (folder ? searchFolder + "/" : std::string()) + "*.*";
    if (search.size() >= 260) return;
    FileFindData data;
    const HFIND find = FindFirstFile(search.c_str(), &data);
    if (find <= 0) return;
    std::vector<FileFindData> entries;
    do entries.push_back(data);
    while (FindNextFile(find, &data));
    FindClose(find);
    for (const FileFindData& e : entries) {
        const std::string name = e.cFileName;
        if (e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (name.empty() || name[0] == '.') continue;
            if (atRoot && *counter >= kTemplateListCount) continue;
            const std::string path = folder ? entryFolder + "\\" + name : name;
            HTREEITEM item = tree->InsertItem(name.c_str(), parent, TVI_SORT);
            ScanTemplateFolder(tree, item, pattern, path.c_str(), list, counter);
            tree->SetItemData(item, DWORD_PTR(*counter));
            if (atRoot) {
                ++*counter;
                ++list;
            }
        } else if (folder && name.find(pattern) != std::string::npos) {
            std::string entry = entryFolder + "\\" + name.substr(0, name.find(pattern));
            list->Append(entry.c_str(), std::uint32_t(entry.size() + 1));
        }
    }
}
