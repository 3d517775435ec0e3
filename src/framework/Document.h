// Documents: the data side of the document/view split. A CDocument keeps a title, a path
// name, a modified flag and the views that show it, and tells them about changes. It runs
// without any view or window.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "framework/Messages.h"
#include "framework/Window.h"  // CCmdTarget

class CException;
class CView;

// A place in an enumeration: 0 when it has ended. Each document's enumeration keeps its state
// in the value it hands out.
using POSITION = std::intptr_t;

// A document is a command target: the active view hands it the commands it does not take.
class CDocument : public CCmdTarget {
public:
    CDocument();
    ~CDocument() override;
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;

    // Title and path (the program's code page).
    const std::string& GetTitle() const { return title_; }
    virtual void SetTitle(const char* title);
    const std::string& GetPathName() const { return pathName_; }
    // Sets the path; with addToRecent the title becomes the file's name.
    virtual void SetPathName(const char* path, bool addToRecent = true);

    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified = true) { modified_ = modified; }

    // Views: attached and detached by the views themselves.
    void AddView(CView* view);
    void RemoveView(CView* view);
    virtual POSITION GetFirstViewPosition() const;
    // The view at pos, pos moving on to the next (0 after the last).
    virtual CView* GetNextView(POSITION& pos) const;
    // Calls OnUpdate on every view but the sender.
    void UpdateAllViews(CView* sender, LPARAM hint = 0, void* hintObject = nullptr);

    // A new, empty document: the modified flag cleared. False refuses it.
    virtual bool OnNewDocument();
    // Reads the file at path (the program's code page) into the document; false refuses it.
    virtual bool OnOpenDocument(const char* path);
    // Writes the document to path; false when it was not saved. The base writes nothing.
    virtual bool OnSaveDocument(const char* path);
    // The document is closing: its views are let go of and the application lets go of the
    // document (CWinApp::RemoveDocument).
    virtual void OnCloseDocument();

    // Saves to path; with none, asks for a name in the save dialog (proposing the path, else
    // the title with the default extension) and a cancelled dialog saves nothing. With replace
    // the document takes the name it was saved under. False when it was not saved.
    virtual bool DoSave(const char* path, bool replace = true);
    // File Save: under the document's path, or under a name asked for when it has none or its
    // file is read-only.
    virtual bool DoFileSave();
    // Before the document closes: an unmodified one may close; otherwise the user is asked
    // (Yes saves, No closes without saving, Cancel keeps it open). False keeps it open.
    virtual bool SaveModified();
    // Tells the user why reading or writing path failed, in the framework's words: nothing for
    // a user exception (the user has been told), string 61709 for memory, string 61704 with the
    // path for a file of the wrong format while reading, the exception's own report for other
    // file and archive exceptions; with no exception (or one without a report) string
    // defaultId (0: 61705 when saving, else 61697) with the path. Returns the text shown.
    static std::string ReportSaveLoadException(const char* path, const CException* e, bool saving,
                                               UINT defaultId = 0);
    // The extension (without ".") the save dialog proposes; the filter it shows.
    virtual std::string GetDefaultExtension() const { return {}; }
    virtual std::string GetFileFilter() const { return {}; }
    // The question before closing a modified document ("%s" takes the title).
    UINT askToSaveString = 10015;

protected:
    std::vector<CView*> views_;

private:
    std::string title_;
    std::string pathName_;
    bool modified_ = false;
};
