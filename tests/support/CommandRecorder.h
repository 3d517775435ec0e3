// What the document's commands did, for tests: the operations they made (by class name, none
// of them run) and the application commands they sent.
#pragma once
#include <string>
#include <vector>

#include "framework/App.h"
#include "model/TaskMakers.h"

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

// The application while it exists: keeps every command routed to it.
struct AppCommands : CWinApp {
    std::vector<int> ids;
    AppCommands() : CWinApp("test") {
        AddCommandRange(1, 0xFFFF, [this](UINT id) { ids.push_back(int(id)); });
    }
};

}  // namespace commandtest
