#include "framework/MessageBox.h"
#include "framework/UiHost.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QThread>

#include <deque>

#include "framework/App.h"
#include "framework/CodePage.h"

namespace {

struct CaptureState {
    bool on = false;
    std::deque<int> answers;
    std::vector<fw::msgboxtest::Shown> shown;
    int beeps = 0;
    UINT lastBeep = 0;
    int flashes = 0;
};

CaptureState& capture() {
    static CaptureState s;
    return s;
}

std::vector<int> buttonsOf(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
    }
}

int defaultAnswer(UINT type) {
    std::vector<int> buttons = buttonsOf(type);
    std::size_t index = (type & MB_DEFMASK) >> 8;
    return index < buttons.size() ? buttons[index] : buttons[0];
}

QMessageBox::StandardButton standardOf(int id) {
    switch (id) {
    case IDCANCEL: return QMessageBox::Cancel;
    case IDABORT: return QMessageBox::Abort;
    case IDRETRY: return QMessageBox::Retry;
    case IDIGNORE: return QMessageBox::Ignore;
    case IDYES: return QMessageBox::Yes;
    case IDNO: return QMessageBox::No;
    default: return QMessageBox::Ok;
    }
}

int idOf(int standard) {
    switch (standard) {
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Abort: return IDABORT;
    case QMessageBox::Retry: return IDRETRY;
    case QMessageBox::Ignore: return IDIGNORE;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return IDOK;
    }
}

int showBox(const char* text, const char* caption, UINT type) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QString::fromStdString(fw::ToUtf8(caption ? caption : "")));
    box.setText(QString::fromStdString(fw::ToUtf8(text ? text : "")));
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONASTERISK: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    std::vector<int> buttons = buttonsOf(type);
    QMessageBox::StandardButtons standard;
    for (int id : buttons) standard |= standardOf(id);
    box.setStandardButtons(standard);
    box.setDefaultButton(standardOf(defaultAnswer(type)));
    if (buttons.size() == 1) box.setEscapeButton(standardOf(buttons[0]));
    else if (standard & QMessageBox::Cancel) box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (!clicked) return defaultAnswer(type);
    return idOf(box.standardButton(clicked));
}

}  // namespace

int MessageBox(const char* text, const char* caption, UINT type) {
    CaptureState& c = capture();
    if (c.on) {
        int answer = defaultAnswer(type);
        if (!c.answers.empty()) {
            answer = c.answers.front();
            c.answers.pop_front();
        }
        c.shown.push_back({text ? text : "", caption ? caption : "", type, answer});
        return answer;
    }
    if (!fw::CanShowBlockingUi()) return defaultAnswer(type);
    return showBox(text, caption, type);
}

int AfxMessageBox(const char* text, UINT type, UINT /*helpId*/) {
    CWinApp* app = AfxGetApp();
    const char* caption = app && app->m_pszAppName ? app->m_pszAppName : "";
    return MessageBox(text, caption, type);
}

void FlashMainWindow(int ticks) {
    CaptureState& c = capture();
    if (c.on) {
        ++c.flashes;
        return;
    }
    CWinApp* app = AfxGetApp();
    if (!app || !app->m_pMainWnd || !qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    if (QWidget* top = QApplication::activeWindow()) QApplication::alert(top, ticks * 1000 / 60);
}

void MessageBeep(UINT type) {
    CaptureState& c = capture();
    if (c.on) {
        ++c.beeps;
        c.lastBeep = type;
        return;
    }
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) QApplication::beep();
}

namespace fw::msgboxtest {

Capture::Capture() {
    capture() = CaptureState{};
    capture().on = true;
}

Capture::~Capture() { capture() = CaptureState{}; }

void Capture::Answer(int id) { capture().answers.push_back(id); }
const std::vector<Shown>& Capture::shown() const { return capture().shown; }
int Capture::beeps() const { return capture().beeps; }
int Capture::flashes() const { return capture().flashes; }
UINT Capture::lastBeep() const { return capture().lastBeep; }

}  // namespace fw::msgboxtest
