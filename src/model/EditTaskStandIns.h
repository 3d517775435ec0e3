// The least forms of the edit-operation framework that the document and the engraving
// operation call, until the edit operations are written: CScoreTask and CCruise with the
// steps the document runs and the engraving operation overrides.
#pragma once
#include <cstdint>

#include "framework/Types.h"

class CZelDoc;

// An edit operation: prepare (its dialog; false cancels), perform, and the snapshot swap that
// undo and redo run. The document keeps performed operations in its undo list and owns them.
class CScoreTask {
public:
    CScoreTask() = default;
    // Clears the document's current-operation pointer when it names this operation.
    virtual ~CScoreTask();
    CScoreTask(const CScoreTask&) = delete;
    CScoreTask& operator=(const CScoreTask&) = delete;

    // Attaches the operation to its document with its command id (which names it); it becomes
    // the document's current operation and is not undone.
    void Attach(CZelDoc* doc, int nameId);
    // Shows the operation's dialog; false cancels the operation.
    virtual bool Prepare() { return true; }
    // Exchanges the saved records with the score's (undo and redo).
    virtual void SwapSnapshot() {}
    // Invalidates what the operation changed.
    virtual void Redraw() {}
    // Changes the score; false when memory ran out.
    virtual bool Perform() { return true; }
    // Marks the operation as one that changed the layout.
    void SetLayoutChanged() { layoutChanged = 1; }
    bool IsUndoable() const { return undoable != 0; }
    bool HasSnapshot() const { return hasSnapshot != 0; }
    // The operation's redraw list, and the bars it keeps for undo (true: kept).
    virtual void AddDirtyRect(const RECT& rect, int page) {}
    virtual bool SaveBar(int bar) { return true; }
    virtual bool SaveTrackBar(int track, int bar) { return true; }

    CZelDoc* document = nullptr;
    int name = 0;
    std::uint8_t layoutChanged = 0;
    std::uint8_t undoable = 1;
    std::uint8_t hasSnapshot = 1;
    std::uint8_t undone = 0;
};

// The edit operation most commands build on.
class CCruise : public CScoreTask {};

class CTrack;
// The add-track operation's instrument template: sets a track up from template n. The
// instrument library is not written yet, so no template can be applied: false.
inline bool ApplyInstrumentTemplate(int n, CTrack* track) { return false; }
