// A pop-up menu of every installed font face.
#pragma once
#include "platform/StdMenu.h"

class CFontMenu : public CStdMenu {
public:
    static constexpr UINT kMenuId = 330;
    static constexpr int kFacesPerColumn = 30;

    // Fills menu 330 with the installed faces (id = index + 1, a new column at every 30th
    // face), marks the current face (unless -1) and returns the chosen face index, or -1.
    int TrackSelect(int x, int y, int current) override;
};
