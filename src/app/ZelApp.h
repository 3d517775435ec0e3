// The application object: one running instance, start-up that builds the program's singletons
// in their fixed order, the start-up score, idle work (the MIDI thru follow-up, the port alias
// table, autosave) and a shutdown that saves the preferences and frees everything in reverse.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "framework/App.h"
#include "framework/DocTemplate.h"

class CFrameWnd;
class CZelWnd;
class CZelDoc;
class CCmdUI;
class CZelDesktop;
namespace fw {
class InstanceLock;
}

inline constexpr const char* kProgramName = "Zelmarin";

class CZelApp : public CWinApp {
public:
    static constexpr int kRecentFiles = 4;
    static constexpr int kScratchSize = 64000;
    static constexpr unsigned kThruCommand = 4336;
    // Shows the debug window over the active document (Score > Debug Window).
    static constexpr unsigned kDebugWindowCommand = 4400;

    CZelApp();
    ~CZelApp() override;
    bool InitInstance() override;
    int ExitInstance() override;
    bool OnIdle(long count) override;
    void OnActivateApp(bool active) override;

    // The interface language from the machine's settings ("Language" under the program's
    // key): English 0, Japanese 1, German 2, French 3, Spanish 4, Portuguese 5; 0 when there
    // is none or the name is not one of these.
    static int GetLanguage();
    // A text size adjusted for the language: 2 points more for Japanese.
    static int LanguageFontSize(int size);

    // --- documents ---
    // Opens a score file as a document; null (after telling the user) when it cannot be read.
    CZelDoc* OpenDocumentFile(const char* path);
    // A new score from the new-score settings (the document's OnNewDocument).
    CZelDoc* NewDocument();
    // The program's one document template: scores (CZelDoc) in score windows.
    static constexpr UINT kScoreTemplateId = 129;
    static const CDocTemplate& ScoreTemplate();
    // The application's New command: the New dialog when the preferences ask for it.
    void OnFileNew();
    CZelDoc* GetActiveDocument() const { return active_; }
    void SetActiveDocument(CZelDoc* doc);
    // The open documents, in the order they were made or opened.
    std::vector<CZelDoc*> Documents() const;
    // A score window was activated over one of the open documents, or a new document built its
    // score: it becomes the active one; null: no document is active (a document closing).
    void ActivateDocument(CDocument* doc) override;
    // A document closed: it leaves the list with its window (both freed once the message that
    // closed them is done); no document is active until the next idle pass finds the active
    // window's.
    void RemoveDocument(CDocument* doc) override;
    void SetAppActive(bool active);
    // The application's command routing (app/AppCommands.cpp): palette, transport, library,
    // option, window, VST and help ids; every other id goes to the active document.
    virtual void OnCommandRange(unsigned id);
    // The application's own share of the routing with the document that is active: false for an
    // id that goes to the document (the tools route through this too).
    static bool RouteOwnCommand(unsigned id, CZelDoc* doc);
    // The update handlers of the application's ids; false for an id that is not one of them.
    // A command whose window or dialog is not written yet stays grey.
    static bool UpdateOwnCommand(CCmdUI* entry);
    static bool CommandNotYetBuilt(UINT id);
    // A key the document did not use, or of a view without one: the chord window first, the
    // transport keys "[" and "]", then the main tool bar's shortcuts; F1 is not used here.
    static bool HandleKey(int ch, int scanCode);
    static void OnLoadLibrary(CZelDoc* doc);
    // File Open (a score) or Import (MIDI and other formats): the chosen file opens.
    void OnFileOpen(bool import);
    void OnFileImport();
    // The help file in the browser, at the topic of the window under the pointer (withContext).
    static void OnHelp(bool withContext);
    static void OnUpdateFile(CCmdUI* entry);
    static void OnUpdateClose(CCmdUI* entry);
    static void OnUpdateOptions(CCmdUI* entry);
    static void OnUpdateVST(CCmdUI* entry);
    static void OnUpdateWindows(CCmdUI* entry);
    static void OnUpdateNeedsDocument(CCmdUI* entry);
    // What the document asks of the application (model/ApplicationOps.h), put in at start-up
    // (and by the tools, which have no application object).
    static void RegisterApplicationOps();

    // The recent files, newest first; kept in the settings as soon as they change.
    const std::vector<std::string>& RecentFiles() const { return recent_; }
    void AddToRecentFileList(const char* path) override;
    // File > Close: the active score window closes as its own close does (asking first).
    void OnFileClose();
    // File > Exit: the main frame closes as its close button closes it.
    void OnAppExit();
    // Asks about every modified document, in the order they were opened (Yes saves, No goes
    // on); false at the first Cancel or failed save.
    bool SaveAllModified();
    // The recent-file entries of the File menu: the first entry's update builds the list there.
    static void OnUpdateRecentFileMenu(CCmdUI* entry);
    // Opens the recent file of entry id (57616 the newest); one that cannot be read leaves the
    // list.
    void OpenRecentFile(unsigned id);
    static constexpr unsigned kFirstRecentCommand = 57616, kLastRecentCommand = 57631;

    // What start-up built and shutdown freed, in order ("+name", "-name").
    const std::vector<std::string>& Journal() const { return journal_; }
    // Serves requests of later instances to raise the main window (the event loop does this
    // on its own); how many there were.
    int ServeRaiseRequests();
    int RaiseCount() const { return raised_; }

protected:
    // The steps of start-up, each false when it fails.
    virtual bool MusicFontInstalled();
    virtual bool CreateMainFrame();
    virtual bool CreateMidiLayer();
    virtual bool CreateToolBars();
    // Saves one open document's autosave copy.
    virtual void AutosaveDocument(CZelDoc& doc);

private:
    static bool UpdateOwnCommandState(CCmdUI* entry);
    bool InitSubsystems();
    void InstallCommands();
    static std::vector<UINT> UpdatedIds();
    void InitEnvironment();
    void InitGlobals();
    bool InitFonts();
    bool CreateObjects();
    void OpenStartupDocument();
    void LoadStdProfileSettings();
    void SaveStdProfileSettings() const;
    void DeleteSingletons();
    void Note(const char* what) { journal_.push_back(what); }

    std::unique_ptr<fw::InstanceLock> lock_;
    std::vector<std::unique_ptr<CZelDoc>> documents_;
    // Takes a document the template made into the list as the active one; false for none.
    bool AddDocument(std::unique_ptr<CDocument> made);
    // The score window of each document made or opened, in the main frame's client area.
    void OpenScoreWindow(CZelDoc* doc);
    std::vector<std::unique_ptr<CZelWnd>> windows_;
    // Closed documents and their windows, freed at the next idle turn.
    std::vector<std::unique_ptr<CZelDoc>> closedDocuments_;
    std::vector<std::unique_ptr<CZelWnd>> closedWindows_;
    void FreeClosed();
    // The document of the active score window; without one, the active document.
    CZelDoc* ActiveWindowDocument() const;
    CZelDoc* active_ = nullptr;
    CZelDoc* lastActive_ = nullptr;
    std::vector<std::string> recent_;
    std::vector<std::string> journal_;
    bool splashShown_ = false;
    int raised_ = 0;
};

CZelApp* TheZelApp();
