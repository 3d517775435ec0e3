// What the document's commands did, for tests: the operations they made (by class name, none
// of them run) and the application commands they sent.
#pragma once
#include <string>
#include <vector>

#include "framework/App.h"
#include "model/EditTask.h"
#include "model/TaskMakers.h"
#include "platform/PlatformGlobals.h"

namespace commandtest {

struct MadeTasks {
    std::vector<std::string> classes;
    MadeTasks() {
        TaskMakerOverride() = [this](const std::string& c, CZelDoc&) -> CScoreTask* {
            classes.push_back(c);
            return nullptr;
        };
    }
    ~MadeTasks() { TaskMakerOverride() = nullptr; }
    MadeTasks(const MadeTasks&) = delete;
    MadeTasks& operator=(const MadeTasks&) = delete;
};

// How one made operation was attached and set up, read when the document runs it; it then
// refuses to go on (as a cancelled dialog does), so nothing changes and nothing is kept.
struct Attached {
    std::string className;
    int command = 0;
    int argument = 0;
    bool reselect = true;
    bool layoutChanged = false;
    bool waitCursor = false;
    bool operator==(const Attached&) const = default;
};

class RecordedTask : public CCruise {
public:
    RecordedTask(std::string c, std::vector<Attached>& out) : className_(std::move(c)), out_(out) {}
    bool Prepare() override {
        out_.push_back({className_, name, argument, reselect != 0, layoutChanged != 0, g_platform.waitCursorOn});
        return false;
    }

private:
    std::string className_;
    std::vector<Attached>& out_;
};

// Every operation the document's commands make while this lives is a recorded one.
struct RecordedTasks {
    std::vector<Attached> made;
    RecordedTasks() {
        TaskMakerOverride() = [this](const std::string& c, CZelDoc&) -> CScoreTask* {
            return new RecordedTask(c, made);
        };
    }
    ~RecordedTasks() { TaskMakerOverride() = nullptr; }
    RecordedTasks(const RecordedTasks&) = delete;
    RecordedTasks& operator=(const RecordedTasks&) = delete;
};

// The application while it exists: keeps every command routed to it.
struct AppCommands : CWinApp {
    std::vector<int> ids;
    AppCommands() : CWinApp("test") {
        AddCommandRange(1, 0xFFFF, [this](UINT id) { ids.push_back(int(id)); });
    }
};

}  // namespace commandtest
