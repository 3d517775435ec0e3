// The pedal line's drag: the point Alt inserts at the press, the points sorted at the release.
#include "notation/PedalDrag.h"

#include <cstring>
#include <new>

#include "model/ModelGlobals.h"
#include "model/TieType.h"
#include "model/TrkBar.h"
#include "notation/TieType.h"
#include "platform/PlatformGlobals.h"

void CDragPedal::Begin(CZelDoc* doc, CScoreItem* hit, int nameId) {
    CDragTask::Begin(doc, hit, nameId);
    auto* pedal = hit && hit->ClassTestC() ? static_cast<CBend*>(static_cast<CBarItem*>(hit)) : nullptr;
    CTrkBar* tb = g_model.currentTrkBar;
    const int h = g_model.hitPart;
    if (!pedal || !tb || !g_platform.altDown || pedal->Kind() != CPedal::kNotched) return;
    const int count = pedal->PointCount();
    if (h < 1 || h > count) return;
    auto* grown = static_cast<CBend*>(tb->ResizeItem(pedal, CBend::kPointSize));
    if (!grown) return;
    // Point h - 1 and every later one move one place up; the hit point stays where it was, so
    // it is there twice and the drag takes the copy.
    std::uint8_t* base = grown->Bytes();
    std::memmove(base + CBend::PointAt(h), base + CBend::PointAt(h - 1), std::size_t(CBend::kPointSize * (count - h + 1)));
    grown->SetPointCount(count + 1);
    item = grown;
    g_platform.altDown = 0;
}

void CDragPedal::MouseUp(POINT cur, POINT prev, POINT st) {
    if (auto* pedal = item && item->ClassTestC() ? static_cast<CBend*>(static_cast<CBarItem*>(item)) : nullptr) {
        std::uint8_t* base = pedal->Bytes();
        for (bool swapped = true; swapped;) {
            swapped = false;
            for (int i = 0; i + 1 < pedal->PointCount(); ++i) {
                if (pedal->GetPointValue(i) <= pedal->GetPointValue(i + 1)) continue;
                std::uint8_t keep[CBend::kPointSize];
                std::memcpy(keep, base + CBend::PointAt(i), sizeof keep);
                std::memmove(base + CBend::PointAt(i), base + CBend::PointAt(i + 1), sizeof keep);
                std::memcpy(base + CBend::PointAt(i + 1), keep, sizeof keep);
                swapped = true;
            }
        }
    }
    CDragTask::MouseUp(cur, prev, st);
}
