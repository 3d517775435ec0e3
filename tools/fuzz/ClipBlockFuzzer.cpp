// libFuzzer entry for the paste side of the clipboard: each input is a clip block. The binder
// takes it or refuses it; a block it takes is pasted into a small score at bar 1 in each of
// the three modes and undone, which must give every run back. A broken rule traps, so the
// fuzzer keeps the input.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "edit/ClipBlock.h"
#include "edit/Commands.h"
#include "edit/PasteTask.h"
#include "framework/Clipboard.h"
#include "framework/Exceptions.h"
#include "framework/MessageBox.h"
#include "model/NewScore.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "platform/Handles.h"
#include "platform/Port.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

std::vector<std::vector<std::uint8_t>> Runs(CScore& s) {
    std::vector<std::vector<std::uint8_t>> out;
    for (int t = 0; t < s.GetTrackCount(); ++t)
        for (int b = 0; b < s.GetBarCount(); ++b) {
            CTrkBar* tb = s.GetTrkBar(t, b);
            const auto* p = reinterpret_cast<const std::uint8_t*>(tb->GetItems());
            out.emplace_back(p, p + tb->GetRunLength());
        }
    return out;
}

struct Setup {
    std::unique_ptr<CZelDoc> doc;
    fw::msgboxtest::Capture boxes;
    Setup() {
        RegisterTrackClass();
        RegisterNotationClasses();
        InitDrawing();
        edit::RegisterOperations();
        doc = std::make_unique<CZelDoc>();
        NewScoreSettings settings;
        settings.arrangement = 2;
        BuildNewScore(*doc->score, settings);
        doc->score->Reindex();
        doc->MakeCurrent();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup setup;
    ClipBlock block;
    if (block.Load(data, size, setup.doc->version) != ClipBlock::kBound) return 0;
    HGLOBAL h = AllocHandle(std::uint32_t(size));
    if (!h) return 0;
    if (size) std::memcpy(LockHandle(h), data, size);
    UnlockHandle(h);
    fw::TheClipboard().Put(ClipboardWriter::kTag, h);
    FreeHandle(h);
    CZelDoc& doc = *setup.doc;
    const auto before = Runs(*doc.score);
    const int bars = doc.score->GetBarCount();
    for (int mode = 0; mode < 2; ++mode) {
        doc.SetCurrentBar(1, false);
        doc.location.trackIndex = 0;
        doc.location.time = 0;
        doc.location.voice = 0;
        doc.location.insertionPlaced = 1;
        auto* task = new CPasteTask;
        task->Attach(&doc, mode == 0 ? 57637 : 32870, mode);
        doc.DoTask(task);
        while (doc.GetUndoPosition() > 0) doc.Undo();
        doc.ClearUndo();
        Check(doc.score->GetBarCount() == bars);
        Check(Runs(*doc.score) == before);
    }
    return 0;
}
