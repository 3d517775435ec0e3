// Private to the framework: what a CWnd holds of the platform.
#pragma once
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <memory>

#include "framework/Window.h"

struct CWnd::Impl {
    QPointer<QWidget> widget;
    // The picture the window shows: device contexts on the window draw into it (at any time,
    // not only while painting), and the widget paints it.
    std::shared_ptr<QImage> backing;
    QObject* backingPainter = nullptr;
};

namespace fw {
// The window's backing picture, made or grown to the widget's size (white where new); null
// when the window has no widget.
std::shared_ptr<QImage> WindowBacking(CWnd::Impl& impl);
}  // namespace fw
