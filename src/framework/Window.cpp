#include "framework/Window.h"

#include <QCursor>
#include <QMainWindow>
#include <QEvent>
#include <QPainter>
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
        impl_->backingPainter = nullptr;
        impl_->backing.reset();
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

namespace {

// Paints the window's backing picture whenever the widget paints.
class BackingPainter : public QObject {
public:
    BackingPainter(QObject* parent, std::weak_ptr<QImage> image) : QObject(parent), image_(std::move(image)) {}
    bool eventFilter(QObject* obj, QEvent* ev) override {
        if (ev->type() == QEvent::Paint) {
            auto img = image_.lock();
            auto* w = qobject_cast<QWidget*>(obj);
            if (img && w) {
                QPainter p(w);
                p.drawImage(0, 0, *img);
                return true;
            }
        }
        return false;
    }

private:
    std::weak_ptr<QImage> image_;
};

}  // namespace

namespace fw {

std::shared_ptr<QImage> WindowBacking(CWnd::Impl& impl) {
    QWidget* w = impl.widget;
    if (!w) return nullptr;
    QSize want = w->size().expandedTo(QSize(1, 1));
    if (!impl.backing) {
        impl.backing = std::make_shared<QImage>(want, QImage::Format_RGB32);
        impl.backing->fill(Qt::white);
    } else if (impl.backing->width() < want.width() || impl.backing->height() < want.height()) {
        QImage grown(want.expandedTo(impl.backing->size()), QImage::Format_RGB32);
        grown.fill(Qt::white);
        QPainter p(&grown);
        p.drawImage(0, 0, *impl.backing);
        p.end();
        *impl.backing = std::move(grown);
    }
    if (!impl.backingPainter) {
        impl.backingPainter = new BackingPainter(w, impl.backing);
        w->installEventFilter(impl.backingPainter);
    }
    return impl.backing;
}

}  // namespace fw

void CWnd::ClientToScreen(POINT* pt) const {
    if (!pt || !impl_->widget) return;
    QPoint p = impl_->widget->mapToGlobal(QPoint(pt->x, pt->y));
    pt->x = p.x();
    pt->y = p.y();
}

void CWnd::ScreenToClient(POINT* pt) const {
    if (!pt || !impl_->widget) return;
    QPoint p = impl_->widget->mapFromGlobal(QPoint(pt->x, pt->y));
    pt->x = p.x();
    pt->y = p.y();
}

namespace fw {

void GetCursorPos(POINT* pt) {
    if (!pt) return;
    QPoint p = QCursor::pos();
    pt->x = p.x();
    pt->y = p.y();
}

void SetCursorPos(int x, int y) { QCursor::setPos(x, y); }

}  // namespace fw
