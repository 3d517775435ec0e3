#include "framework/SystemClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QString>

#include "framework/CodePage.h"

namespace fw {

std::string GetClipboardText() {
    QClipboard* clipboard = QGuiApplication::instance() ? QGuiApplication::clipboard() : nullptr;
    if (!clipboard) return {};
    return FromUtf8(clipboard->text().toStdString());
}

bool SetClipboardText(const std::string& codePageText) {
    QClipboard* clipboard = QGuiApplication::instance() ? QGuiApplication::clipboard() : nullptr;
    if (!clipboard) return false;
    clipboard->setText(QString::fromStdString(ToUtf8(codePageText)));
    return true;
}

}  // namespace fw
