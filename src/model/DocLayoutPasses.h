// The document's layout passes that the engraving operation runs after a change: every bar
// respaced, every system rejustified, every page laid out again. Tests put in their own passes
// to observe the calls.
#pragma once

class CScore;
class CZelDoc;

// The document's layout passes; each returns false when memory ran out.
class DocLayoutPasses {
public:
    virtual ~DocLayoutPasses() = default;
    // CBar::Respace over every bar of the document's score.
    virtual bool RespaceAllBars(CZelDoc* doc);
    // CLine::Rejustify (without redrawing) over every system of the document's score.
    virtual bool RejustifyAllSystems(CZelDoc* doc);
    // CZelDoc::LayoutAllPages: the document lays out all its pages.
    virtual bool LayoutAllPages(CZelDoc* doc);

    // The document's score: the current score when it belongs to the document (null if not).
    static CScore* ScoreOf(CZelDoc* doc);
};

// The program-wide passes (never null; null puts the real passes back).
DocLayoutPasses* GetDocLayoutPasses();
void SetDocLayoutPasses(DocLayoutPasses* passes);
