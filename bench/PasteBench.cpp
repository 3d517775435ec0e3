// Paste into a large score: 16 tracks x 100 bars (four quarter notes in every bar) copied from a
// score of 32 tracks x 400 bars and pasted at track 16, bar 200, then undone. The median of five
// runs of each, in ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "edit/ClipboardWriter.h"
#include "edit/Commands.h"
#include "edit/PasteTask.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/Select.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "notation/Note.h"
#include "platform/Port.h"

namespace {
double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}
double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}
}  // namespace

int main() {
    InitDrawing();
    RegisterTrackClass();
    RegisterNotationClasses();
    edit::RegisterOperations();
    CZelDoc doc;
    CScore* own = doc.score;
    CScore score(&doc);
    if (!score.BuildSkeleton(400, 32)) {
        std::fprintf(stderr, "bench_paste: the score could not be built\n");
        return 1;
    }
    for (int t = 0; t < score.GetTrackCount(); ++t)
        for (int b = 0; b < score.GetBarCount(); ++b) {
            CTrkBar* tb = score.GetTrkBar(t, b);
            for (int q = 0; q < 4; ++q) {
                auto* note = static_cast<CNote*>(tb->NewItem(CNote::kType, q * 480));
                if (!note) continue;
                note->SetHeadCountField(1);
                note->SetNoteValue(3);
                note->SetPositionField(std::int16_t(q * 256));
                note->Head(0)->SetPosition(q - 2);
                note->Head(0)->SetPitch(60 + q);
                note->Head(0)->SetDuration(480);
            }
        }
    score.RecalcLayout(0);
    doc.score = &score;
    doc.MakeCurrent();
    CSelect* sel = doc.GetSelection();
    sel->score = &score;
    // Tracks 0-15, bars 0-99: every note selected, the extent over them.
    for (int t = 0; t < 16; ++t)
        for (int b = 0; b < 100; ++b)
            for (CBarItem* i = score.GetTrkBar(t, b)->GetItems(); i && i->TypeCode() != 255; i = i->NextItem()) i->Select();
    sel->lower[1] = 0;
    sel->upper[1] = 15;
    sel->lower[3] = 0;
    sel->upper[3] = 99;
    sel->lower[4] = sel->lower[5] = 0;
    sel->upper[4] = sel->upper[5] = 32767;
    if (!ClipboardWriter().Copy(doc)) {
        std::fprintf(stderr, "bench_paste: the copy failed\n");
        doc.score = own;
        return 1;
    }
    for (int t = 0; t < 16; ++t)
        for (int b = 0; b < 100; ++b)
            for (CBarItem* i = score.GetTrkBar(t, b)->GetItems(); i && i->TypeCode() != 255; i = i->NextItem()) i->Deselect();
    sel->Reset();
    std::vector<double> paste, undo;
    int pasted = 0;
    for (int run = 0; run < 5; ++run) {
        doc.SetCurrentBar(200, false);
        doc.location.trackIndex = 16;
        doc.location.time = 0;
        doc.location.voice = 0;
        doc.location.allVoices = 0;
        doc.location.insertionPlaced = 1;
        auto* task = new CPasteTask;
        task->Attach(&doc, 57637, 0);
        auto start = std::chrono::steady_clock::now();
        doc.DoTask(task);
        paste.push_back(Since(start));
        if (run == 0)
            for (int t = 16; t < 32; ++t)
                for (int b = 200; b < 300; ++b)
                    for (CBarItem* i = score.GetTrkBar(t, b)->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
                        if (!i->IsRemoved()) ++pasted;
        start = std::chrono::steady_clock::now();
        doc.Undo();
        undo.push_back(Since(start));
        doc.ClearUndo();
    }
    doc.score = own;
    std::printf("Paste, 16 tracks x 100 bars into 32 tracks x 400 bars (%d live records there after it): %.2f ms\n",
                pasted, Median(paste));
    std::printf("Undo of it: %.2f ms\n", Median(undo));
    return 0;
}
