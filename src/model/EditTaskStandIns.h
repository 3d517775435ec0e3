// The least forms of the edit-operation framework that the engraving operation calls, until
// the edit operations are written: CScoreTask and CCruise with the three steps the engraving
// operation overrides.
#pragma once
#include <cstdint>

class CZelDoc;

// An edit operation: prepare (its dialog; false cancels), perform, and the snapshot swap that
// undo and redo run.
class CScoreTask {
public:
    virtual ~CScoreTask() = default;

    // Attaches the operation to its document with the string id of its name.
    void Attach(CZelDoc* doc, int nameId) {
        document = doc;
        name = nameId;
        layoutChanged = 0;
    }
    // Shows the operation's dialog; false cancels the operation.
    virtual bool Prepare() { return true; }
    // Exchanges the saved records with the score's (undo and redo).
    virtual void SwapSnapshot() {}
    // Changes the score; false when memory ran out.
    virtual bool Perform() { return true; }
    // Marks the operation as one that changed the layout.
    void SetLayoutChanged() { layoutChanged = 1; }

    CZelDoc* document = nullptr;
    int name = 0;
    std::uint8_t layoutChanged = 0;
};

// The edit operation most commands build on.
class CCruise : public CScoreTask {};

class CTrack;
// The add-track operation's instrument template: sets a track up from template n. The
// instrument library is not written yet, so no template can be applied: false.
inline bool ApplyInstrumentTemplate(int n, CTrack* track) { return false; }
