// Private to the framework: what a CWnd holds of the platform.
#pragma once
#include <QPointer>
#include <QWidget>

#include "framework/Window.h"

struct CWnd::Impl {
    QPointer<QWidget> widget;
};
