#include "framework/FileDialog.h"
#include "framework/UiHost.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QStringList>
#include <QThread>

#include <deque>
#include <optional>

#include "framework/CodePage.h"

namespace {

struct ScriptState {
    bool on = false;
    std::deque<std::optional<std::string>> answers;  // nullopt: cancel
    std::vector<fw::filedialogtest::Request> asked;
};

ScriptState& script() {
    static ScriptState s;
    return s;
}

QString qs(const std::string& codePage) { return QString::fromStdString(fw::ToUtf8(codePage)); }

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    while (!s.empty() && s.front() == ' ') s.erase(0, 1);
    return s;
}

// "Name|*.a;*.b|Other|*.*||" -> {"Name (*.a *.b)", "Other (*.*)"}; a name that already shows
// its patterns in parentheses is kept as it is.
QStringList nameFilters(const std::string& filter) {
    QStringList out;
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= filter.size()) {
        std::size_t bar = filter.find('|', pos);
        if (bar == std::string::npos) bar = filter.size();
        parts.push_back(filter.substr(pos, bar - pos));
        pos = bar + 1;
    }
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        const std::string& name = parts[i];
        if (name.empty()) break;
        std::string patterns;
        for (char c : parts[i + 1]) patterns += c == ';' ? ' ' : c;
        patterns = trimmed(patterns);
        std::string shown = "(" + patterns + ")";
        std::string n = trimmed(name);
        if (n.size() >= shown.size() && n.compare(n.size() - shown.size(), shown.size(), shown) == 0)
            out << qs(n);
        else
            out << qs(n + " " + shown);
    }
    return out;
}

std::string nameOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

CFileDialog::CFileDialog(bool openFileDialog, const char* defExt, const char* fileName, DWORD flags,
                         const char* filter, CWnd* /*parent*/)
    : open_(openFileDialog),
      defExt_(defExt ? defExt : ""),
      fileName_(fileName ? fileName : ""),
      filter_(filter ? filter : "") {
    m_ofn.Flags = flags;
    if (!defExt_.empty() && defExt_[0] == '.') defExt_.erase(0, 1);
}

int CFileDialog::DoModal() {
    chosen_.clear();
    ScriptState& s = script();
    if (s.on) {
        fw::filedialogtest::Request r;
        r.open = open_;
        r.flags = m_ofn.Flags;
        r.title = m_ofn.lpstrTitle ? m_ofn.lpstrTitle : "";
        r.initialDir = m_ofn.lpstrInitialDir ? m_ofn.lpstrInitialDir : "";
        r.fileName = fileName_;
        r.filter = filter_;
        r.defExt = defExt_;
        s.asked.push_back(r);
        if (s.answers.empty()) return IDCANCEL;
        std::optional<std::string> answer = s.answers.front();
        s.answers.pop_front();
        if (!answer || answer->empty()) return IDCANCEL;
        chosen_ = *answer;
        // As the dialog does: a typed name without extension gets the default one.
        if (!defExt_.empty() && nameOf(chosen_).find('.') == std::string::npos) chosen_ += "." + defExt_;
        return IDOK;
    }
    if (!fw::CanShowBlockingUi()) return IDCANCEL;

    QFileDialog dlg(QApplication::activeWindow());
    if (m_ofn.lpstrTitle) dlg.setWindowTitle(qs(m_ofn.lpstrTitle));
    if (open_) {
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode((m_ofn.Flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    } else {
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
        dlg.setOption(QFileDialog::DontConfirmOverwrite, !(m_ofn.Flags & OFN_OVERWRITEPROMPT));
    }
    if (!defExt_.empty()) dlg.setDefaultSuffix(qs(defExt_));
    QStringList filters = nameFilters(filter_);
    if (!filters.isEmpty()) dlg.setNameFilters(filters);
    if (m_ofn.lpstrInitialDir && *m_ofn.lpstrInitialDir) dlg.setDirectory(qs(m_ofn.lpstrInitialDir));
    if (!fileName_.empty()) dlg.selectFile(qs(fileName_));
    if (dlg.exec() != QDialog::Accepted) return IDCANCEL;
    QStringList files = dlg.selectedFiles();
    if (files.isEmpty()) return IDCANCEL;
    chosen_ = fw::FromUtf8(files.first().toStdString());
    return IDOK;
}

CString CFileDialog::GetPathName() const { return CString(chosen_); }

CString CFileDialog::GetFileName() const { return CString(nameOf(chosen_)); }

CString CFileDialog::GetFileTitle() const {
    std::string name = nameOf(chosen_);
    std::size_t dot = name.find_last_of('.');
    return CString(dot == std::string::npos ? name : name.substr(0, dot));
}

CString CFileDialog::GetFileExt() const {
    std::string name = nameOf(chosen_);
    std::size_t dot = name.find_last_of('.');
    return CString(dot == std::string::npos ? std::string() : name.substr(dot + 1));
}

namespace fw::filedialogtest {

Script::Script() {
    script() = ScriptState{};
    script().on = true;
}

Script::~Script() { script() = ScriptState{}; }

void Script::Answer(const std::string& path) { script().answers.push_back(path); }
void Script::Cancel() { script().answers.push_back(std::nullopt); }
const std::vector<Request>& Script::asked() const { return script().asked; }

}  // namespace fw::filedialogtest
