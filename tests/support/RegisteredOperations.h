// The program's edit operations in the document's table of makers for as long as the object
// lives, as start-up puts them there; the table is put back as it was found, so that the tests
// after it in the same process see the table they expect.
#pragma once
#include "edit/Commands.h"
#include "model/TaskMakers.h"

namespace testsupport {

class RegisteredOperations {
public:
    RegisteredOperations() : saved_(SaveTaskMakers()) { edit::RegisterOperations(); }
    ~RegisteredOperations() { RestoreTaskMakers(saved_); }
    RegisteredOperations(const RegisteredOperations&) = delete;
    RegisteredOperations& operator=(const RegisteredOperations&) = delete;

private:
    TaskMakerTable saved_;
};

}  // namespace testsupport
