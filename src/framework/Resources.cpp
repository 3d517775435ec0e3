#include "framework/Resources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <map>
#include <string>
#include <utility>

#include "framework/Paths.h"

// The compiled-in resources live in a static library: make sure they are registered.
static void initResources() { Q_INIT_RESOURCE(resources); }

namespace fw {
namespace {

std::map<std::pair<std::string, UINT>, std::string>& overrides() {
    static std::map<std::pair<std::string, UINT>, std::string> m;
    return m;
}

const char* extensionOf(const std::string& kind) {
    if (kind == "dialogs") return ".dlg";
    if (kind == "menus") return ".menu";
    return ".txt";
}

}  // namespace

bool LoadResourceText(const char* kind, UINT id, std::string& utf8Out) {
    utf8Out.clear();
    if (!kind) return false;
    auto it = overrides().find({kind, id});
    if (it != overrides().end()) {
        utf8Out = it->second;
        return true;
    }
    static bool once = (initResources(), true);
    (void)once;
    QFile f(QStringLiteral(":/zel/%1/%2%3").arg(QLatin1String(kind)).arg(id).arg(QLatin1String(extensionOf(kind))));
    if (!f.open(QIODevice::ReadOnly)) return false;
    QByteArray bytes = f.readAll();
    utf8Out.assign(bytes.constData(), std::size_t(bytes.size()));
    return true;
}

std::vector<UINT> ListResources(const char* kind) {
    std::vector<UINT> ids;
    if (!kind) return ids;
    static bool once = (initResources(), true);
    (void)once;
    QDir dir(QStringLiteral(":/zel/%1").arg(QLatin1String(kind)));
    for (const QString& name : dir.entryList(QDir::Files)) {
        bool ok = false;
        UINT id = name.section(QLatin1Char('.'), 0, 0).toUInt(&ok);
        if (ok) ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

bool HasImageResource(const char* kind, UINT id) {
    if (!kind) return false;
    std::string path = InstalledDataFolder() + "/" + kind + "/" + std::to_string(id) + ".png";
    return QFileInfo::exists(QString::fromStdString(path));
}

std::string ImageResourcePath(const char* kind, UINT id) {
    return InstalledDataFolder() + "/" + kind + "/" + std::to_string(id) + ".png";
}

namespace resourcetest {

void SetText(const char* kind, UINT id, const std::string& utf8Text) {
    if (!kind) return;
    if (utf8Text.empty())
        overrides().erase({kind, id});
    else
        overrides()[{kind, id}] = utf8Text;
}

void Clear() { overrides().clear(); }

}  // namespace resourcetest

std::vector<std::string> SplitResourceLine(const std::string& line) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size() || line[i] == '#') break;
        std::string t;
        if (line[i] == '"') {
            t += '"';
            ++i;
            while (i < line.size() && line[i] != '"') {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    char e = line[++i];
                    t += e == 'n' ? '\n' : e == 't' ? '\t' : e;
                } else {
                    t += line[i];
                }
                ++i;
            }
            ++i;
            t += '"';
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t') t += line[i++];
        }
        out.push_back(t);
    }
    return out;
}

}  // namespace fw
