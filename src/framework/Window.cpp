#include "framework/Window.h"

#include <QMainWindow>
#include <QPointer>

#include "framework/CodePage.h"
#include "framework/WindowImpl.h"

CWnd::CWnd() : impl_(std::make_unique<Impl>()) {}

CWnd::~CWnd() { DestroyWindow(); }

bool CWnd::IsWindow() const { return impl_->widget != nullptr; }

bool CWnd::IsWindowVisible() const { return impl_->widget && impl_->widget->isVisible(); }

void CWnd::ShowWindow(int cmd) {
    if (!impl_->widget) return;
    if (cmd == SW_HIDE)
        impl_->widget->hide();
    else
        impl_->widget->show();
}

void CWnd::SetWindowText(const char* text) {
    if (impl_->widget) impl_->widget->setWindowTitle(QString::fromStdString(fw::ToUtf8(text ? text : "")));
}

std::string CWnd::GetWindowText() const {
    if (!impl_->widget) return {};
    return fw::FromUtf8(impl_->widget->windowTitle().toStdString());
}

void CWnd::DestroyWindow() {
    if (impl_->widget) {
        QWidget* w = impl_->widget;
        impl_->widget = nullptr;
        delete w;
    }
}

bool CFrameWnd::Create(const char* title) {
    if (impl_->widget) return false;
    auto* w = new QMainWindow;
    w->resize(1024, 720);
    impl_->widget = w;
    SetWindowText(title);
    return true;
}
