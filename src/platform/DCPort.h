// A device context on a window that is the current drawing port for as long as it lives.
#pragma once
#include "framework/DC.h"

class CWnd;

class CDCPort : public CDC {
public:
    // With a window: draws into it and becomes the current port (raises CResourceException
    // when the window has no drawing surface). Without one: an empty device context.
    explicit CDCPort(CWnd* wnd = nullptr);
    ~CDCPort() override;

    CWnd* window = nullptr;
    bool pushed = false;
};
