#include "framework/StringTable.h"

#include <QDir>
#include <QFile>

#include <mutex>
#include <string>
#include <unordered_map>

#include "framework/CodePage.h"

// The compiled-in resources live in a static library: make sure they are registered.
static void initResources() { Q_INIT_RESOURCE(resources); }

namespace fw {
namespace {

// One line per string: decimal id, a tab, the text; "\n", "\t" and "\\" are escapes.
// Lines that are empty or begin with '#' are skipped.
std::unordered_map<UINT, std::string> parseTable(const QByteArray& bytes) {
    std::unordered_map<UINT, std::string> table;
    std::string all(bytes.constData(), std::size_t(bytes.size()));
    std::size_t pos = 0;
    while (pos < all.size()) {
        std::size_t eol = all.find('\n', pos);
        if (eol == std::string::npos) eol = all.size();
        std::string line = all.substr(pos, eol - pos);
        pos = eol + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        UINT id = UINT(std::strtoul(line.substr(0, tab).c_str(), nullptr, 10));
        std::string text;
        for (std::size_t i = tab + 1; i < line.size(); ++i) {
            char c = line[i];
            if (c == '\\' && i + 1 < line.size()) {
                char e = line[++i];
                c = e == 'n' ? '\n' : e == 't' ? '\t' : e;
            }
            text += c;
        }
        table[id] = FromUtf8(text);
    }
    return table;
}

const std::unordered_map<UINT, std::string>& table() {
    static std::unordered_map<UINT, std::string> t;
    static std::once_flag once;
    std::call_once(once, [] {
        initResources();
        QDir dir(QStringLiteral(":/zel/strings"));
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
            QFile f(dir.filePath(name));
            if (!f.open(QIODevice::ReadOnly)) continue;
            for (auto& [id, text] : parseTable(f.readAll())) t[id] = std::move(text);
        }
    });
    return t;
}

}  // namespace

bool LoadStringResource(UINT id, std::string& out) {
    const auto& t = table();
    auto it = t.find(id);
    if (it == t.end()) {
        out.clear();
        return false;
    }
    out = it->second;
    return true;
}

}  // namespace fw
