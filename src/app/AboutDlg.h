// The About box (template 200): the program's name and version and its legal notice, read from
// the program's own version block, over a white top and a background that shades to blue.
#pragma once
#include <string>

#include "framework/Dialog.h"
#include "framework/Gdi.h"

// The program's version block: its values by name ("ProductName", "ProductVersion",
// "FileVersion", "LegalCopyright"), looked up in the language of the block.
class VersionInfo {
public:
    // Reads the program's own block; an empty reader when there is none.
    VersionInfo();
    // A reader of the values given (tests); none given: an empty reader.
    struct Value {
        const char* name;
        const char* text;
    };
    VersionInfo(const Value* values, int count);
    bool IsEmpty() const { return values_ == nullptr; }
    // Copies the named value into buffer (at most size - 1 bytes and a terminating zero); false
    // when the block has no such value.
    bool Query(const char* name, char* buffer, int size) const;

private:
    const Value* values_ = nullptr;
    int count_ = 0;
};

class CAboutDlg : public CDialog {
public:
    static constexpr UINT kTemplateId = 200;
    enum : int { kProductLine = 1246, kLegalNotice = 1247, kIconPlace = 1251, kWhiteArea = 514 };

    explicit CAboutDlg(const VersionInfo& version = VersionInfo());

    // The product name and version, joined by a blank, with the defaults for missing values.
    static std::string ProductLine(const VersionInfo& version);
    static std::string LegalNotice(const VersionInfo& version);
    // "Patch " and what follows the third comma of the file version ("" when it has none).
    static std::string PatchText(const VersionInfo& version);

    BOOL OnInitDialog() override;

protected:
    void OnPaint() override;
    BOOL OnEraseBkgnd(CDC* dc) override;

private:
    VersionInfo version_;
    CFont boldFont_;
};
