#include "edit/EditStandIns.h"

#include <algorithm>

bool CMeterDlg::RunModal() {
    if (range) {
        range[0] = std::int16_t(std::clamp<int>(range[0], 1, std::max(1, barCount)));
        range[1] = std::int16_t(std::clamp<int>(range[1], range[0], std::max(1, barCount)));
    }
    return true;
}
