#include "platform/DCPort.h"

#include "framework/Exceptions.h"
#include "platform/Port.h"

CDCPort::CDCPort(CWnd* wnd) {
    if (!wnd) return;
    if (!AttachWindow(wnd)) AfxThrowResourceException();
    window = wnd;
    pushed = true;
    PushPort(this);
}

CDCPort::~CDCPort() {
    // Popped while the window's DC is still valid, so the artist's objects come out first.
    if (pushed) PopPort();
    if (window) DeleteDC();
}
