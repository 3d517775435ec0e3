// The font dialog and the print and print-setup dialog, over the platform's own.
//
// Without a visible display (a headless platform) a dialog is not shown and answers Cancel,
// so nothing waits for a user who is not there; tests script the answers with
// commondialogtest::Script.
#pragma once
#include <string>
#include <vector>

#include "framework/Gdi.h"
#include "framework/MessageBox.h"
#include "framework/String.h"
#include "framework/Types.h"

class CWnd;
class CDC;

enum : DWORD {
    CF_SCREENFONTS = 0x1,
    CF_PRINTERFONTS = 0x2,
    CF_BOTH = 0x3,
    CF_INITTOLOGFONTSTRUCT = 0x40,
    CF_EFFECTS = 0x100,
    CF_TTONLY = 0x40000,
    CF_NOVERTFONTS = 0x1000000,
};

class CFontDialog {
public:
    // Starts from `initial` when given (its height, weight, italic and underline, face).
    explicit CFontDialog(const LOGFONT* initial = nullptr, DWORD flags = CF_EFFECTS | CF_SCREENFONTS,
                         CDC* printerDC = nullptr, CWnd* parent = nullptr);
    CFontDialog(const CFontDialog&) = delete;
    CFontDialog& operator=(const CFontDialog&) = delete;

    // IDOK when a font was chosen, else IDCANCEL.
    int DoModal();

    CString GetFaceName() const;  // code page
    int GetSize() const;          // tenths of a point
    bool IsBold() const;
    bool IsItalic() const;
    bool IsUnderline() const;
    bool IsStrikeOut() const;
    // The chosen font (lfHeight negative: the em height in pixels at 96 per inch).
    void GetCurrentFont(LOGFONT* lf) const;

    LOGFONT m_lf;       // the starting font, then the chosen one
    DWORD m_flags = 0;
    int m_sizeTenths = 0;  // the chosen size in tenths of a point
};

// Print dialog flags.
enum : DWORD {
    PD_ALLPAGES = 0x0,
    PD_SELECTION = 0x1,
    PD_PAGENUMS = 0x2,
    PD_NOSELECTION = 0x4,
    PD_NOPAGENUMS = 0x8,
    PD_COLLATE = 0x10,
    PD_PRINTTOFILE = 0x20,
    PD_PRINTSETUP = 0x40,
    PD_RETURNDC = 0x100,
    PD_RETURNDEFAULT = 0x400,
    PD_USEDEVMODECOPIES = 0x40000,
    PD_HIDEPRINTTOFILE = 0x100000,
};

// Device-mode orientation and the common paper codes.
enum : int { DMORIENT_PORTRAIT = 1, DMORIENT_LANDSCAPE = 2 };
enum : int { DMPAPER_LETTER = 1, DMPAPER_LEGAL = 5, DMPAPER_A3 = 8, DMPAPER_A4 = 9, DMPAPER_A5 = 11, DMPAPER_B4 = 12, DMPAPER_B5 = 13 };

class CPrintDialog {
public:
    // printSetupOnly: the print-setup dialog (printer, paper, orientation); otherwise the
    // print dialog (also the pages and copies).
    explicit CPrintDialog(BOOL printSetupOnly,
                          DWORD flags = PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS | PD_HIDEPRINTTOFILE |
                                        PD_NOSELECTION,
                          CWnd* parent = nullptr);
    CPrintDialog(const CPrintDialog&) = delete;
    CPrintDialog& operator=(const CPrintDialog&) = delete;

    // IDOK when confirmed, else IDCANCEL. With PD_RETURNDEFAULT in the flags: fills in the
    // default printer without showing anything, IDOK when there is one.
    int DoModal();
    // The default printer's values; false when there is none.
    BOOL GetDefaults();

    CString GetDeviceName() const;  // code page
    int GetCopies() const;
    bool PrintAll() const;
    bool PrintRange() const;
    bool PrintSelection() const;
    int GetFromPage() const;
    int GetToPage() const;

    // In and out: the printer (code page; empty: the default one), orientation
    // (DMORIENT_...), paper (DMPAPER_..., 0: the printer's own), copies and pages.
    DWORD m_flags = 0;
    std::string m_device;
    int m_orientation = DMORIENT_PORTRAIT;
    int m_paperSize = 0;
    int m_copies = 1;
    int m_fromPage = 1;
    int m_toPage = 1;
    int m_minPage = 1;
    int m_maxPage = 1;

private:
    bool setupOnly_;
};

namespace fw::commondialogtest {

struct Request {
    enum Kind { kFont, kPrint, kPrintSetup } kind = kFont;
    LOGFONT font;          // the font dialog's start
    std::string device;    // the print dialogs' printer at the start
    DWORD flags = 0;
};

// While one exists, dialogs are recorded and answered from the script instead of shown; a
// dialog without a scripted answer is cancelled.
class Script {
public:
    Script();
    ~Script();
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    // The next font dialog answers OK with this face (code page), size in tenths of a point
    // and style bits (1 bold, 2 italic, 4 underline).
    void AnswerFont(const std::string& face, int sizeTenths, int style);
    // The next print or print-setup dialog answers OK with these values (the others stay).
    void AnswerPrint(const std::string& device, int orientation, int paperSize = 0, int copies = 1);
    // The next dialog answers Cancel.
    void Cancel();
    const std::vector<Request>& asked() const;
};

}  // namespace fw::commondialogtest
