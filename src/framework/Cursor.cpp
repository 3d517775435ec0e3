#include "framework/Cursor.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QThread>

#include <algorithm>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>

#include "framework/Gdi.h"
#include "framework/Paths.h"
#include "framework/Resources.h"

namespace fw {
namespace {

// Drops the transient shape at the next mouse move, before the window under the pointer
// handles the move (and perhaps sets a shape of its own).
class MoveWatcher : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

struct CursorState {
    UINT current = 0;
    int displayCount = 0;
    std::optional<UINT> shape;  // the transient shape (an id), until the mouse moves
    QPointer<QCoreApplication> app;         // the application our override entry belongs to
    bool pushed = false;
    MoveWatcher* watcher = nullptr;
};

CursorState& state() {
    static CursorState s;
    return s;
}

QGuiApplication* guiApp() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread()) return nullptr;
    return app;
}

// A program cursor's picture, read once.
struct Picture {
    QImage image;
    POINT hotSpot{0, 0};
};

class PictureCache {
public:
    // The picture for `id`, null when there is none.
    const Picture* find(UINT id) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!hotSpotsRead_) readHotSpots();
        auto it = pictures_.find(id);
        if (it == pictures_.end()) it = pictures_.emplace(id, load(id)).first;
        return it->second ? &*it->second : nullptr;
    }

private:
    void readHotSpots() {
        hotSpotsRead_ = true;
        std::ifstream in(InstalledDataFolder() + "/cursors/hotspots.txt");
        std::string line;
        while (std::getline(in, line)) {
            std::string::size_type hash = line.find('#');
            if (hash != std::string::npos) line.erase(hash);
            std::istringstream words(line);
            long id = 0;
            int x = 0, y = 0;
            if (words >> id >> x >> y && id > 0) hotSpots_[UINT(id)] = POINT{x, y};
        }
    }

    std::optional<Picture> load(UINT id) const {
        if (id == 0 || id >= IDC_ARROW) return std::nullopt;
        QImage image(QString::fromStdString(ImageResourcePath("cursors", id)));
        if (image.isNull()) return std::nullopt;
        Picture p;
        p.image = image.convertToFormat(QImage::Format_ARGB32);
        auto hs = hotSpots_.find(id);
        if (hs != hotSpots_.end()) p.hotSpot = hs->second;
        p.hotSpot.x = std::clamp<int>(p.hotSpot.x, 0, p.image.width() - 1);
        p.hotSpot.y = std::clamp<int>(p.hotSpot.y, 0, p.image.height() - 1);
        return p;
    }

    std::mutex mutex_;
    bool hotSpotsRead_ = false;
    std::map<UINT, POINT> hotSpots_;
    std::map<UINT, std::optional<Picture>> pictures_;
};

PictureCache& pictures() {
    static PictureCache c;
    return c;
}

Qt::CursorShape shapeOf(UINT id) {
    switch (id) {
    case IDC_IBEAM: return Qt::IBeamCursor;
    case IDC_WAIT: return Qt::WaitCursor;
    case IDC_CROSS: return Qt::CrossCursor;
    case IDC_UPARROW: return Qt::UpArrowCursor;
    case IDC_SIZENWSE: return Qt::SizeFDiagCursor;
    case IDC_SIZENESW: return Qt::SizeBDiagCursor;
    case IDC_SIZEWE: return Qt::SizeHorCursor;
    case IDC_SIZENS: return Qt::SizeVerCursor;
    case IDC_SIZEALL: return Qt::SizeAllCursor;
    case IDC_NO: return Qt::ForbiddenCursor;
    case IDC_HAND: return Qt::PointingHandCursor;
    case IDC_APPSTARTING: return Qt::BusyCursor;
    default: return Qt::ArrowCursor;
    }
}

// The shape actually shown for `id`: the id itself when it is a system shape or a program
// cursor with a picture, else the arrow.
UINT displayedId(UINT id) {
    if (id >= IDC_ARROW) return shapeOf(id) == Qt::ArrowCursor ? UINT(IDC_ARROW) : id;
    return pictures().find(id) ? id : UINT(IDC_ARROW);
}

QCursor cursorFor(UINT id) {
    if (id < IDC_ARROW) {
        if (const Picture* p = pictures().find(id))
            return QCursor(QPixmap::fromImage(p->image), p->hotSpot.x, p->hotSpot.y);
        return QCursor(Qt::ArrowCursor);
    }
    return QCursor(shapeOf(id));
}

// Puts the application's override cursor in step with the state: blank while hidden, else
// the transient shape, else none of ours.
void apply() {
    CursorState& s = state();
    QGuiApplication* app = guiApp();
    if (!app) return;
    if (s.app != app) {  // a new application object: nothing of ours is on its stack
        s.app = app;
        s.pushed = false;
        s.watcher = nullptr;
    }
    if (!s.watcher) {
        s.watcher = new MoveWatcher;
        s.watcher->setParent(app);
        app->installEventFilter(s.watcher);
    }
    std::optional<QCursor> want;
    if (s.displayCount < 0)
        want = QCursor(Qt::BlankCursor);
    else if (s.shape)
        want = cursorFor(*s.shape);
    if (want) {
        if (s.pushed)
            QGuiApplication::changeOverrideCursor(*want);
        else
            QGuiApplication::setOverrideCursor(*want);
        s.pushed = true;
    } else if (s.pushed) {
        QGuiApplication::restoreOverrideCursor();
        s.pushed = false;
    }
}

bool MoveWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove && state().shape) {
        state().shape.reset();
        apply();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace

void SetCursor(UINT id) {
    CursorState& s = state();
    s.current = id;
    s.shape = displayedId(id);
    apply();
}

UINT CurrentCursor() { return state().current; }

int ShowCursor(bool show) {
    CursorState& s = state();
    s.displayCount += show ? 1 : -1;
    apply();
    return s.displayCount;
}

bool GetCursorPicture(UINT id, CursorPicture* out) {
    const Picture* p = id < IDC_ARROW ? pictures().find(id) : nullptr;
    if (!p) return false;
    if (out) {
        out->width = p->image.width();
        out->height = p->image.height();
        out->hotSpot = p->hotSpot;
        out->clearPixels = 0;
        for (int y = 0; y < p->image.height(); ++y)
            for (int x = 0; x < p->image.width(); ++x)
                if (qAlpha(p->image.pixel(x, y)) == 0) ++out->clearPixels;
    }
    return true;
}

bool SaveCursorPicture(const CBitmap& drawn, COLORREF clear, const std::string& utf8Path) {
    SIZE size = drawn.GetSize();
    if (size.cx <= 0 || size.cy <= 0) return false;
    QImage image(size.cx, size.cy, QImage::Format_ARGB32);
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x) {
            COLORREF c = drawn.GetPixel(x, y) & 0xFFFFFF;
            image.setPixel(x, y, c == (clear & 0xFFFFFF) ? qRgba(0, 0, 0, 0)
                                                         : qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
        }
    return image.save(QString::fromStdString(utf8Path), "PNG");
}

namespace cursortest {
void Reset() {
    CursorState& s = state();
    s.current = 0;
    s.displayCount = 0;
    s.shape.reset();
    apply();
}

UINT DisplayedCursor() { return state().shape.value_or(0); }
}  // namespace cursortest

}  // namespace fw
