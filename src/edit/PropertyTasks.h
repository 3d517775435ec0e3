// One item's properties from its pop-up, through the item's property dialog: a dynamic (4103)
// or hairpin (4115), which can pass their properties on to the dynamics of the same mark or the
// hairpins of the same shape in the item's track or every track, and the bar number of a bar
// (Measure > Bar Number, 34009, or a bar number's edit action, 4100), which is stored only where
// it differs from the one the bar inherits.
#pragma once
#include <vector>

#include "model/EditTask.h"
#include "platform/FontRef.h"

class CBarItem;

// The dynamic's and the hairpin's edit: the record copied aside, the dialog, then the copy back
// and the scope's like items.
class CEditLikeItemsTask : public CCruise {
public:
    bool Prepare() override;
    bool Perform() override;

    CBarItem* edited = nullptr;
    int editedTrack = 0, editedBar = 0;
    // The scratch record: the item's own size.
    std::vector<std::uint8_t> scratch;
    int scope = 0;

protected:
    virtual unsigned DialogId() const = 0;
    virtual int& ScopeGlobal() const = 0;
    virtual int ItemType() const = 0;
    // The tracks the scope reaches: 0 none, 1 the item's, 2 every track.
    virtual int Reach() const = 0;
    // A like item: the same mark or shape.
    virtual bool IsLike(CBarItem* item) const = 0;
    // The properties copied from the scratch record into a like item.
    virtual void CopyProperties(CBarItem* to) const = 0;
};

class CEditDynamicTask : public CEditLikeItemsTask {
protected:
    unsigned DialogId() const override { return 227; }
    int& ScopeGlobal() const override;
    int ItemType() const override;
    int Reach() const override { return scope == 1 ? 1 : scope == 2 ? 2 : 0; }
    bool IsLike(CBarItem* item) const override;
    void CopyProperties(CBarItem* to) const override;
};

class CEditCrescTask : public CEditLikeItemsTask {
protected:
    unsigned DialogId() const override { return 302; }
    int& ScopeGlobal() const override;
    int ItemType() const override;
    int Reach() const override { return scope > 1 ? 2 : scope > 0 ? 1 : 0; }
    bool IsLike(CBarItem* item) const override;
    void CopyProperties(CBarItem* to) const override;
};

// The copy-back edits: the item under the pop-up copied aside, its dialog, then the copy written
// back over it: a glissando (4130, its track bar saved), an ending (4104, the bar of every track
// saved; the bar becomes the current one) and a guitar frame (4114, its track bar saved before
// the dialog's result is written).
class CCopyBackTask : public CCruise {
public:
    bool Prepare() override;
    bool Perform() override;

    CBarItem* edited = nullptr;
    int editedTrack = -1, editedBar = 0;   // track -1: one of the bar's own items
    std::vector<std::uint8_t> scratch;

protected:
    virtual unsigned DialogId() const = 0;
    virtual int ItemType() const = 0;
    // The item's dialog on the scratch record; false on Cancel.
    virtual bool RunDialog();
    // Saves what the copy changes.
    virtual bool SaveItem();
};

class CEditGlissTask : public CCopyBackTask {
protected:
    unsigned DialogId() const override { return 400; }
    int ItemType() const override { return 21; }
};

class CEndingTask : public CCopyBackTask {
public:
    bool Perform() override;

protected:
    unsigned DialogId() const override { return 215; }
    int ItemType() const override { return 50; }
    bool SaveItem() override;
};

// The guitar frame's edit writes the dialog's frame in Prepare, its track bar saved first.
class CEditGuitarFrameTask : public CCopyBackTask {
public:
    bool Prepare() override;
    bool Perform() override { return true; }

protected:
    unsigned DialogId() const override { return 301; }
    int ItemType() const override { return 40; }
};

// An expression's edit (4105): the expression dialog on a copy of the record, its bar span held
// to the score's end; the old record goes and the new one is inserted, among the bar's own items
// when it is a measure-level (tempo) expression, else into the track bar.
class CEditExprTask : public CCopyBackTask {
public:
    bool Prepare() override;
    bool Perform() override;

protected:
    unsigned DialogId() const override { return 0; }
    int ItemType() const override { return 37; }
};

// Note > Capo (35803): the capo dialog sets the score's capo fret and chord name mode, and every
// selected guitar frame takes them. Undo and redo exchange the score's two bytes too.
class CCapoTask : public CCruise {
public:
    bool Prepare() override;
    bool Perform() override;
    void DoItem() override;
    void SwapSnapshot() override;

    int fret = 0, mode = 0;
    // The score's capo before the task (after Perform and every redo: undo puts it back).
    std::uint8_t keptFret = 0, keptMode = 0;

protected:
    virtual bool RunDialog();
};

// An item's enclosure (4118, from its pop-up): a text's frame or a bar number's enclosure
// through the enclosure dialog (420). With the dialog's apply-to-all choice every like item
// takes it: every page text, every bar-level item of the item's type (every bar number), or
// every text of the item's type in every track.
class CEditEnclosureTask : public CCruise {
public:
    enum : int { kDialog = 420, kCommand = 4118 };
    // What the dialog edits: the 12-byte enclosure and whether the item is enclosed.
    struct Enclosure {
        std::uint8_t frame[12] = {};
        std::uint8_t enclosed = 0;
    };
    // Whether an item has an enclosure to edit: a text, a page text or a bar number.
    static bool HasEnclosure(CBarItem* item);
    static Enclosure GetEnclosure(CBarItem* item);
    static void SetEnclosure(CBarItem* item, const Enclosure& enclosure);

    bool Prepare() override;
    bool Perform() override;

    CBarItem* edited = nullptr;
    // Where the item lies: a page text, one of a bar's own items (track -1), or a track's.
    bool pageText = false;
    int editedTrack = -1, editedBar = 0;
    Enclosure enclosure;
    int applyToAll = 0;

private:
    // The like items: not removed, not the item, of its type.
    bool IsLike(CBarItem* item) const;
};

class CBarNumTask : public CCruise {
public:
    enum : int { kMenu = 34009, kEdit = 4100 };
    static constexpr int kRecordSize = 50;

    bool Prepare() override;
    bool Perform() override;
    // Undo and redo exchange the score's bar-number font too.
    void SwapSnapshot() override;

    alignas(8) std::uint8_t record[kRecordSize] = {};
    std::int16_t barIndex = 0;
    // The score's bar-number font before Perform (after every redo: undo puts it back).
    FontRef keptFont{};
    bool fontTaken = false;
};
