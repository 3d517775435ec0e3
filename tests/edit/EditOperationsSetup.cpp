// Every edit test runs with this folder's operations in the document's table of makers, as
// start-up puts them there.
#include <gtest/gtest.h>

#include "edit/Commands.h"

namespace {
class EditOperations : public ::testing::Environment {
public:
    void SetUp() override { edit::RegisterOperations(); }
};
const auto* const registered = ::testing::AddGlobalTestEnvironment(new EditOperations);
}  // namespace
