// The engraving settings dialog (template 217): the document's engraving values in whole
// staff spaces, eighths of a space and quarter points, each an edit field with a spin button.
#pragma once
#include <cstdint>

#include "platform/StdDlg.h"

struct EngraverSettings;

class CEngraverDlg : public CStdDlg {
public:
    static constexpr UINT kTemplateId = 217;

    // How a word is shown in its field.
    enum Display : int { kAsIs, kSpaces, kEighths, kQuarters };
    struct Field {
        int word;     // word of the record
        int edit;     // edit control
        int spin;     // its spin button
        int minimum;  // spin range
        int maximum;
        Display display;
    };
    static const Field kFields[];
    static const int kFieldCount;

    // The record the dialog edits (also its subject).
    explicit CEngraverDlg(EngraverSettings* record);

    void InitControls() override;
    void OnControl(int id) override;

    // A word's value as its field shows it, and back.
    static int ToDisplay(const Field& f, std::int16_t value);
    static std::int16_t FromDisplay(const Field& f, int shown);

    EngraverSettings* record = nullptr;

private:
    int shown_[32] = {};  // what each field showed when the dialog opened
};
