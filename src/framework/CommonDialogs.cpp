#include "framework/CommonDialogs.h"
#include "framework/UiHost.h"

#include <QApplication>
#include <QFontDialog>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QThread>

#include <cmath>
#include <deque>
#include <optional>

#include "framework/CodePage.h"
#include "framework/Fonts.h"
#include "framework/GdiImpl.h"

namespace {

struct FontAnswer {
    std::string face;
    int tenths = 0;
    int style = 0;
};
struct PrintAnswer {
    std::string device;
    int orientation = DMORIENT_PORTRAIT;
    int paper = 0;
    int copies = 1;
};
struct Answer {
    bool ok = false;
    std::optional<FontAnswer> font;
    std::optional<PrintAnswer> print;
};

struct ScriptState {
    bool on = false;
    std::deque<Answer> answers;
    std::vector<fw::commondialogtest::Request> asked;
};

ScriptState& script() {
    static ScriptState s;
    return s;
}

// The next scripted answer (Cancel when there is none).
Answer nextAnswer() {
    ScriptState& s = script();
    if (s.answers.empty()) return Answer{};
    Answer a = s.answers.front();
    s.answers.pop_front();
    return a;
}

QPageSize::PageSizeId pageOf(int paper) {
    switch (paper) {
    case DMPAPER_LETTER: return QPageSize::Letter;
    case DMPAPER_LEGAL: return QPageSize::Legal;
    case DMPAPER_A3: return QPageSize::A3;
    case DMPAPER_A4: return QPageSize::A4;
    case DMPAPER_A5: return QPageSize::A5;
    case DMPAPER_B4: return QPageSize::B4;
    case DMPAPER_B5: return QPageSize::B5;
    default: return QPageSize::Custom;
    }
}

int paperOf(QPageSize::PageSizeId id) {
    switch (id) {
    case QPageSize::Letter: return DMPAPER_LETTER;
    case QPageSize::Legal: return DMPAPER_LEGAL;
    case QPageSize::A3: return DMPAPER_A3;
    case QPageSize::A4: return DMPAPER_A4;
    case QPageSize::A5: return DMPAPER_A5;
    case QPageSize::B4: return DMPAPER_B4;
    case QPageSize::B5: return DMPAPER_B5;
    default: return 0;
    }
}

}  // namespace

// ---- the font dialog ------------------------------------------------------------------------

CFontDialog::CFontDialog(const LOGFONT* initial, DWORD flags, CDC*, CWnd*) : m_flags(flags) {
    if (initial) m_lf = *initial;
}

int CFontDialog::DoModal() {
    ScriptState& s = script();
    int startPoints = m_lf.lfHeight ? std::abs(int(m_lf.lfHeight)) * 72 / 96 : 10;
    if (s.on) {
        fw::commondialogtest::Request r;
        r.kind = fw::commondialogtest::Request::kFont;
        r.font = m_lf;
        r.flags = m_flags;
        s.asked.push_back(r);
        Answer a = nextAnswer();
        if (!a.ok) return IDCANCEL;
        if (a.font) {
            fw::CopyText(m_lf.lfFaceName, sizeof m_lf.lfFaceName, a.font->face);
            m_sizeTenths = a.font->tenths;
            m_lf.lfHeight = -std::lround(a.font->tenths * 96.0 / 720.0);
            m_lf.lfWeight = (a.font->style & 1) ? 700 : 400;
            m_lf.lfItalic = (a.font->style & 2) ? 1 : 0;
            m_lf.lfUnderline = (a.font->style & 4) ? 1 : 0;
        } else {
            m_sizeTenths = startPoints * 10;
        }
        return IDOK;
    }
    if (!fw::CanShowBlockingUi()) return IDCANCEL;
    QFont initial(fw::SubstituteFace(fw::ToUtf8(m_lf.lfFaceName)));
    initial.setPointSize(std::max(1, startPoints));
    initial.setBold(m_lf.lfWeight >= 600);
    initial.setItalic(m_lf.lfItalic);
    initial.setUnderline(m_lf.lfUnderline);
    initial.setStrikeOut(m_lf.lfStrikeOut);
    bool ok = false;
    QFont chosen = QFontDialog::getFont(&ok, initial, QApplication::activeWindow());
    if (!ok) return IDCANCEL;
    fw::CopyText(m_lf.lfFaceName, sizeof m_lf.lfFaceName, fw::FromUtf8(chosen.family().toStdString()));
    m_sizeTenths = int(std::lround(chosen.pointSizeF() * 10));
    m_lf.lfHeight = -std::lround(chosen.pointSizeF() * 96.0 / 72.0);
    m_lf.lfWeight = chosen.bold() ? 700 : 400;
    m_lf.lfItalic = chosen.italic();
    m_lf.lfUnderline = chosen.underline();
    m_lf.lfStrikeOut = chosen.strikeOut();
    return IDOK;
}

CString CFontDialog::GetFaceName() const { return CString(m_lf.lfFaceName); }
int CFontDialog::GetSize() const { return m_sizeTenths; }
bool CFontDialog::IsBold() const { return m_lf.lfWeight >= 600; }
bool CFontDialog::IsItalic() const { return m_lf.lfItalic != 0; }
bool CFontDialog::IsUnderline() const { return m_lf.lfUnderline != 0; }
bool CFontDialog::IsStrikeOut() const { return m_lf.lfStrikeOut != 0; }
void CFontDialog::GetCurrentFont(LOGFONT* lf) const {
    if (lf) *lf = m_lf;
}

// ---- the print dialogs ----------------------------------------------------------------------

CPrintDialog::CPrintDialog(BOOL printSetupOnly, DWORD flags, CWnd*) : m_flags(flags), setupOnly_(printSetupOnly) {
    if (printSetupOnly) m_flags |= PD_PRINTSETUP;
}

BOOL CPrintDialog::GetDefaults() {
    if (!QCoreApplication::instance()) fw::EnsureGraphics();
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return FALSE;
    m_device = fw::FromUtf8(info.printerName().toStdString());
    m_paperSize = paperOf(info.defaultPageSize().id());
    return TRUE;
}

int CPrintDialog::DoModal() {
    if (m_flags & PD_RETURNDEFAULT) return GetDefaults() ? IDOK : IDCANCEL;
    ScriptState& s = script();
    if (s.on) {
        fw::commondialogtest::Request r;
        r.kind = setupOnly_ ? fw::commondialogtest::Request::kPrintSetup : fw::commondialogtest::Request::kPrint;
        r.device = m_device;
        r.flags = m_flags;
        s.asked.push_back(r);
        Answer a = nextAnswer();
        if (!a.ok) return IDCANCEL;
        if (a.print) {
            m_device = a.print->device;
            m_orientation = a.print->orientation;
            if (a.print->paper) m_paperSize = a.print->paper;
            m_copies = a.print->copies;
        }
        return IDOK;
    }
    if (!fw::CanShowBlockingUi()) return IDCANCEL;
    QPrinter printer(QPrinter::HighResolution);
    if (!m_device.empty()) printer.setPrinterName(QString::fromStdString(fw::ToUtf8(m_device)));
    printer.setPageOrientation(m_orientation == DMORIENT_LANDSCAPE ? QPageLayout::Landscape : QPageLayout::Portrait);
    if (pageOf(m_paperSize) != QPageSize::Custom) printer.setPageSize(QPageSize(pageOf(m_paperSize)));
    printer.setCopyCount(std::max(1, m_copies));
    int result;
    if (setupOnly_) {
        QPageSetupDialog dlg(&printer, QApplication::activeWindow());
        result = dlg.exec();
    } else {
        QPrintDialog dlg(&printer, QApplication::activeWindow());
        dlg.setMinMax(m_minPage, m_maxPage);
        dlg.setFromTo(m_fromPage, m_toPage);
        QAbstractPrintDialog::PrintDialogOptions opts = QAbstractPrintDialog::PrintShowPageSize;
        if (!(m_flags & PD_NOPAGENUMS)) opts |= QAbstractPrintDialog::PrintPageRange;
        if (!(m_flags & PD_NOSELECTION)) opts |= QAbstractPrintDialog::PrintSelection;
        if (!(m_flags & PD_HIDEPRINTTOFILE)) opts |= QAbstractPrintDialog::PrintToFile;
        dlg.setOptions(opts);
        result = dlg.exec();
        if (result == QDialog::Accepted) {
            m_flags &= ~(PD_PAGENUMS | PD_SELECTION);
            if (dlg.printRange() == QAbstractPrintDialog::PageRange) m_flags |= PD_PAGENUMS;
            if (dlg.printRange() == QAbstractPrintDialog::Selection) m_flags |= PD_SELECTION;
            m_fromPage = dlg.fromPage();
            m_toPage = dlg.toPage();
        }
    }
    if (result != QDialog::Accepted) return IDCANCEL;
    m_device = fw::FromUtf8(printer.printerName().toStdString());
    m_orientation = printer.pageLayout().orientation() == QPageLayout::Landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    m_paperSize = paperOf(printer.pageLayout().pageSize().id());
    m_copies = printer.copyCount();
    return IDOK;
}

CString CPrintDialog::GetDeviceName() const { return CString(m_device); }
int CPrintDialog::GetCopies() const { return m_copies; }
bool CPrintDialog::PrintAll() const { return !(m_flags & (PD_PAGENUMS | PD_SELECTION)); }
bool CPrintDialog::PrintRange() const { return (m_flags & PD_PAGENUMS) != 0; }
bool CPrintDialog::PrintSelection() const { return (m_flags & PD_SELECTION) != 0; }
int CPrintDialog::GetFromPage() const { return m_fromPage; }
int CPrintDialog::GetToPage() const { return m_toPage; }

// ---- the script -----------------------------------------------------------------------------

namespace fw::commondialogtest {

Script::Script() {
    script() = ScriptState{};
    script().on = true;
}
Script::~Script() { script() = ScriptState{}; }

void Script::AnswerFont(const std::string& face, int sizeTenths, int style) {
    Answer a;
    a.ok = true;
    a.font = FontAnswer{face, sizeTenths, style};
    script().answers.push_back(a);
}

void Script::AnswerPrint(const std::string& device, int orientation, int paperSize, int copies) {
    Answer a;
    a.ok = true;
    a.print = PrintAnswer{device, orientation, paperSize, copies};
    script().answers.push_back(a);
}

void Script::Cancel() { script().answers.push_back(Answer{}); }

const std::vector<Request>& Script::asked() const { return script().asked; }

}  // namespace fw::commondialogtest
